#include "Pellamor/DLG/CDriveBoxMainDlg/CDriveBoxMainDlg.h"

#include <QInputDialog>
#include <QStringList>

#include "Pellamor/LeftView.h"
#include "platform/drive_map.h"
#include "platform/message.h"

// For now a list of the drive map's letters; the tab is not used yet.
int CDriveBoxMainDlg::Run(QWidget* parent, const QVariantList& /*args*/) {
  QStringList letters;
  for (const platform::DriveEntry& d : platform::DriveMap::Instance().Drives())
    letters << QStringLiteral("%1:  %2").arg(QChar::fromLatin1(d.letter)).arg(QString::fromStdString(d.path));
  if (letters.isEmpty()) {
    platform::ShowMessage(u"드라이브가 선택되지 않았습니다.", platform::MsgButtons::Ok, platform::MsgIcon::None);
    return 0;
  }
  bool ok = false;
  QString choice =
      QInputDialog::getItem(parent, QStringLiteral("Pellamor"), QStringLiteral("드라이브"), letters, 0, false, &ok);
  if (!ok || choice.isEmpty()) return 0;
  g_chCurrentDrive = choice.at(0).toLatin1();
  return 1;
}
