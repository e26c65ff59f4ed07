#include "Pellamor/DLG/CLangBox/CLangBox.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLocale>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include <vector>

#include "Pellamor/App.h"
#include "Pellamor/AppRecords.h"
#include "controls/ButtonSSL.h"
#include "platform/message.h"
#include "shared/DialogFrame.h"
#include "shared/DialogHeaderCtrl.h"

// The box's texts in one interface language.
struct CLangBox::LangTexts {
  int langId;
  const char16_t* items[6];
  const char16_t* caption;
  const char16_t* group;
  const char16_t* autoRadio;
  const char16_t* userRadio;
  const char16_t* prompt;
  const char16_t* ok;
  const char16_t* cancel;
  const char16_t* listButton;
  const char16_t* explanation;
};

namespace {

using LangTexts = CLangBox::LangTexts;

const LangTexts kTexts[] = {
    {1042,
     {u"선택안함", u"한글", u"영어", u"일어", u"중국어 (간체)", u"중국어 (번체)"},
     u"고급 언어설정 도구", u"언어 설정", u"자동감지", u"사용자 정의", u"언어를 선택하십시오:", u"확인", u"취소",
     u"지원 언어 목록 보기", u"이 컴퓨터에서 지원가능한 언어 목록, LCID값입니다."},
    {1033,
     {u"None", u"Korean", u"English", u"Japanese", u"Chinese (Simplified)", u"Chinese (Traditional)"},
     u"Language Advanced Settings", u"Language Settings", u"Automatic detection", u"User-defined",
     u"Choose your language:", u"OK", u"Cancel", u"Supported language list..",
     u"List of languages supported in this computer and LCID value."},
    {1041,
     {u"選択しない", u"韓国語", u"英語", u"日本語", u"中国語（簡体字）", u"中国語（繁体字）"},
     u"言語の詳細設定", u"言語設定", u"自動検出", u"ユーザー定義", u"言語を選択してください。", u"オーケー",
     u"キャンセル", u"サポートされている言語の一覧を表示する", u"このコンピュータでサポートされる言語の一覧を LCID値。"},
    {2052,
     {u"毫无", u"韩文", u"英文", u"日语", u"中文（简体）", u"中文（繁体）"},
     u"语言高级设置", u"语言设置", u"自动检测", u"用户定义", u"选择你的语言：", u"行", u"取消", u"名单显示支持的语言",
     u"语言列表支持在这台电脑和的 LCID价值。"},
    {1028,
     {u"毫無", u"韓文", u"英文", u"日語", u"中文（簡體）", u"中文（繁體）"},
     u"語言高級設置", u"語言設置", u"自動檢測", u"用戶定義", u"選擇你的語言：", u"行", u"取消", u"名單顯示支持的語言",
     u"語言列表支持在這台電腦和的 LCID價值。"},
};

QString Text(const char16_t* text) { return QString::fromUtf16(text); }

const LangTexts* TextsOf(int langId) {
  for (const LangTexts& t : kTexts)
    if (t.langId == langId) return &t;
  return nullptr;
}

// The list's index of a user-defined LANGID (English for one outside the list).
int IndexOfLangId(int langId) {
  for (int i = 1; i <= 5; ++i)
    if (LangIndexToLangId(i) == langId) return i;
  return 2;
}

LanguageState& FallbackState() {
  static LanguageState state;
  return state;
}

}  // namespace

CLangBox::CLangBox(LanguageState& state, QWidget* parent) : QDialog(parent), state_(state) {
  header_ = dlgframe::MakeHeader(this, Text(u"고급 언어설정 도구"),
                                 Text(u"선택한 언어로 메시지가 출력되도록 언어를 변경합니다."), 242);
  header_->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
  setWindowTitle(Text(u"언어 고급 설정"));

  group_ = new QGroupBox(this);
  group_->setObjectName(QStringLiteral("group1171"));
  auto_ = new QRadioButton(group_);
  auto_->setObjectName(QStringLiteral("auto1167"));
  user_ = new QRadioButton(group_);
  user_->setObjectName(QStringLiteral("user1168"));
  // Both radios may stand unchecked (both flags stored on), so they are not exclusive by themselves.
  auto_->setAutoExclusive(false);
  user_->setAutoExclusive(false);
  prompt_ = new QLabel(group_);
  prompt_->setObjectName(QStringLiteral("prompt1169"));
  combo_ = new QComboBox(group_);
  combo_->setObjectName(QStringLiteral("combo1166"));
  combo_->setMinimumWidth(200);
  listButton_ = new CButtonSSL(group_);
  listButton_->setObjectName(QStringLiteral("list1188"));
  listButton_->SetButtonStyle(0);
  listButton_->setAutoDefault(false);
  explanation_ = new QLabel(group_);
  explanation_->setObjectName(QStringLiteral("explanation1189"));
  explanation_->setWordWrap(true);

  auto* grid = new QGridLayout(group_);
  grid->addWidget(auto_, 0, 0, 1, 2);
  grid->addWidget(user_, 1, 0, 1, 2);
  grid->addWidget(prompt_, 2, 0);
  grid->addWidget(combo_, 2, 1);
  grid->addWidget(listButton_, 3, 1);
  grid->addWidget(explanation_, 4, 0, 1, 2);

  std::vector<QPushButton*> buttons;
  QHBoxLayout* row = dlgframe::ButtonRowLayout(
      this, {{u"확인", "ok", dlgframe::Role::Accept, true}, {u"취소", "cancel", dlgframe::Role::Reject}}, &buttons);
  ok_ = buttons[0];
  cancel_ = buttons[1];

  auto* body = new QVBoxLayout;
  body->setContentsMargins(11, 11, 11, 11);
  body->addWidget(group_);
  body->addLayout(row);
  dlgframe::StackUnderBand(this, header_, body, 0);
  resize(440, sizeHint().height());

  // The template's texts, until the box relabels itself.
  SetTexts(kTexts[0]);
  setWindowTitle(Text(u"언어 고급 설정"));

  connect(combo_, qOverload<int>(&QComboBox::activated), this, [this] { OnSelectionChange(); });
  connect(user_, &QRadioButton::clicked, this, &CLangBox::OnUserClicked);
  connect(auto_, &QRadioButton::clicked, this, &CLangBox::OnAutoClicked);
  connect(listButton_, &QPushButton::clicked, this, [] {
    platform::ShowMessage(u"오른쪽 화살표를 클릭하십시오.", platform::MsgButtons::Ok, platform::MsgIcon::Information);
  });
  OnInitDialog();
}

void CLangBox::Relabel(int index, bool fromList) {
  combo_->clear();
  const int langId = fromList ? LangIndexToLangId(index, state_.langId) : state_.langId;
  header_->SetTitle(Text(u"고급 언어설정 도구"));
  header_->SetDescription(Text(u"선택한 언어로 메시지가 출력되도록 언어를 변경합니다."));
  const LangTexts* t = TextsOf(langId);
  // Another language leaves the texts as they stand; the list keeps the template's rows.
  for (const char16_t* item : (t ? t : &kTexts[0])->items) combo_->addItem(Text(item));
  if (t) SetTexts(*t);
  combo_->setCurrentIndex(index);
}

void CLangBox::SetTexts(const LangTexts& t) {
  setWindowTitle(Text(t.caption));
  group_->setTitle(Text(t.group));
  auto_->setText(Text(t.autoRadio));
  user_->setText(Text(t.userRadio));
  prompt_->setText(Text(t.prompt));
  ok_->setText(Text(t.ok));
  cancel_->setText(Text(t.cancel));
  listButton_->setText(Text(t.listButton));
  explanation_->setText(Text(t.explanation));
}

void CLangBox::OnInitDialog() {
  if (state_.autoDetect && !state_.userDefined) {
    auto_->setChecked(true);
    user_->setChecked(false);
    combo_->setEnabled(false);
    Relabel(0, true);
  } else if (!state_.autoDetect) {
    user_->setChecked(true);
    auto_->setChecked(false);
    combo_->setEnabled(true);
    int index = 0;
    if (state_.userDefined) {
      index = IndexOfLangId(state_.langId);
    } else {
      ok_->setEnabled(false);
    }
    Relabel(index, true);
  } else {
    Relabel(0, true);
  }
}

void CLangBox::OnSelectionChange() {
  const int index = combo_->currentIndex();
  ok_->setEnabled(index > 0);
  Relabel(index, true);
}

void CLangBox::OnUserClicked() {
  user_->setChecked(true);
  auto_->setChecked(false);
  combo_->setEnabled(true);
  OnSelectionChange();
}

void CLangBox::OnAutoClicked() {
  auto_->setChecked(true);
  user_->setChecked(false);
  Relabel(0, false);
  ok_->setEnabled(true);
  combo_->setEnabled(false);
}

void CLangBox::accept() {
  if (auto_->isChecked()) {
    state_.userDefined = 0;
    state_.autoDetect = 1;
    SetOptionInt("LanguageUserDefined", 0);
    SetOptionInt("LanguageAutoDetect", 1);
    state_.defaultLangId = LangIdOfLocale(QLocale::system());
    state_.SetLanguageMode(kLangCmdAuto);
  } else if (user_->isChecked()) {
    const int index = combo_->currentIndex();
    if (index <= 0) return;  // no language chosen: the box stays open
    // A state with neither flag would turn detection on and drop the choice.
    if (!state_.autoDetect && !state_.userDefined) state_.autoDetect = 1;
    state_.SetLanguageMode(LangIdToCommand(LangIndexToLangId(index)));
  }
  QDialog::accept();
}

bool CLangBox::Open(QWidget* parent, const Args& args) {
  LanguageState* state = args.state;
  if (!state) state = TheApp() ? &TheApp()->language : &FallbackState();
  CLangBox box(*state, parent);
  return box.exec() == QDialog::Accepted;
}

CLangBox::Args CLangBox::ArgsFrom(const dlg::DialogArgs&) { return {}; }
