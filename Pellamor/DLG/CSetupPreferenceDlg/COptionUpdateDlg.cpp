#include "Pellamor/DLG/CSetupPreferenceDlg/COptionUpdateDlg.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QVBoxLayout>

#include "Pellamor/FormatMessage.h"
#include "Pellamor/Settings.h"
#include "platform/autostart.h"
#include "platform/message.h"
#include "platform/program_folder.h"

namespace {

constexpr const char* kSection = "Options";
constexpr const char16_t* kRunRoot = u"HKEY_LOCAL_MACHINE";
constexpr const char16_t* kRunKey = u"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run";
constexpr const char16_t* kEntryName = u"PLIMMER";

QString Text(const char16_t* text) { return QString::fromUtf16(text); }

}  // namespace

std::u16string COptionUpdateDlg::StartupCommand() {
  const std::u16string program = platform::FromUtf8(platform::ProgramFolder() + "/bin/plimmer");
  return platform::ExecCommandLine({program, u"-auto", u"enable"});
}

COptionUpdateDlg::COptionUpdateDlg(QWidget* parent) : QWidget(parent) {
  auto* when = new QGroupBox(Text(u"업데이트 시기"), this);
  runtime_ = new QCheckBox(Text(u"프로그램 실행시"), when);
  runtime_->setObjectName(QStringLiteral("runtime1220"));
  startup_ = new QCheckBox(Text(u"Windows 시작시"), when);
  startup_->setObjectName(QStringLiteral("startup1237"));
  auto* whenLayout = new QVBoxLayout(when);
  whenLayout->addWidget(runtime_);
  whenLayout->addWidget(startup_);

  // Not in use: shown disabled, without handlers.
  auto* ask = new QGroupBox(Text(u"물어보기 설정"), this);
  ask->setEnabled(false);
  auto* askLayout = new QVBoxLayout(ask);
  const struct {
    const char* name;
    const char16_t* text;
  } asks[] = {{"ask1445", u"새 버전이 있으면 알리기"}, {"ask1453", u"내려받기 전에 묻기"}, {"ask1232", u"설치하기 전에 묻기"}};
  for (const auto& a : asks) {
    auto* box = new QCheckBox(Text(a.text), ask);
    box->setObjectName(QString::fromLatin1(a.name));
    askLayout->addWidget(box);
  }

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(when);
  layout->addWidget(ask);
  layout->addStretch(1);

  runtime_->setChecked(profile::GetProfileInt(kSection, "UpdateBeforeRuntime", 0) == 1);
  startup_->setChecked(profile::GetProfileInt(kSection, "UpdateWindowsStartup", 0) == 1);
  connect(runtime_, &QCheckBox::clicked, this, &COptionUpdateDlg::OnRuntimeClicked);
  connect(startup_, &QCheckBox::clicked, this, &COptionUpdateDlg::OnStartupClicked);
}

void COptionUpdateDlg::OnRuntimeClicked() {
  const bool ticked = runtime_->isChecked();
  // The box never shows a setting that is not stored.
  if (!profile::WriteProfileInt(kSection, "UpdateBeforeRuntime", ticked ? 1 : 0)) runtime_->setChecked(!ticked);
}

void COptionUpdateDlg::OnStartupClicked() {
  const bool ticked = startup_->isChecked();
  CJorunRegistry registry;
  auto setEntry = [&](bool on) {
    return on ? registry.WriteStringUtf8(kRunRoot, kRunKey, kEntryName, StartupCommand())
              : registry.DeleteValue(kRunRoot, kRunKey, kEntryName);
  };
  // The entry first: when it cannot follow, the box and the stored value stay as they were.
  if (!setEntry(ticked)) {
    startup_->setChecked(!ticked);
    return;
  }
  if (!profile::WriteProfileInt(kSection, "UpdateWindowsStartup", ticked ? 1 : 0)) {
    setEntry(!ticked);
    startup_->setChecked(!ticked);
  }
}
