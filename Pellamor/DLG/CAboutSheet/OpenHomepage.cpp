#include "Pellamor/DLG/CAboutSheet/OpenHomepage.h"

#include <QDesktopServices>
#include <QUrl>
#include <QWidget>

#include "platform/message.h"

bool OpenHomepage(const QString& address, int mode, const QString* recordAddress, bool* done) {
  if (mode == 0) return QDesktopServices::openUrl(QUrl(address));
  if (!recordAddress) return false;
  const bool opened = QDesktopServices::openUrl(QUrl(*recordAddress));
  if (done) *done = false;
  return opened;
}

bool AskAndOpenHomepage() {
  const QString question = QString::fromUtf16(u"%1 홈페이지를 여시겠습니까?").arg(QString::fromUtf16(u"펠라모르"));
  if (platform::ShowMessage(question.toStdU16String(), platform::MsgButtons::YesNo, platform::MsgIcon::Question) !=
      platform::MsgAnswer::Yes)
    return false;
  return OpenHomepage(QString::fromLatin1(kHomepageAddress), 0);
}

void ReleaseOwnedWindow(QWidget*& window) {
  if (!window) return;
  window->hide();
  delete window;
  window = nullptr;
}
