#include <gtest/gtest.h>

#include <QPlainTextEdit>
#include <QPushButton>

#include <string>

#include "Pellamor/DLG/CDlgSysInfoBox/CDlgSysInfoBox.h"
#include "Pellamor/DLG/CDlgSysInfoBox/SystemFacts.h"
#include "Pellamor/DLG/Dialogs.h"
#include "corvane/dll_processor.h"
#include "shared/DialogHeaderCtrl.h"
#include "shell_support.h"
#include "tests/modules/module_env.h"
#include "tests/support/test_support.h"

namespace {

// Every argument of the size text shows, so the call is checked as well as the figure.
std::u16string FakeSizeText(double size, int base, int twoDecimals, int noUnit, int unitOnly) {
  return QStringLiteral("[%1/%2/%3/%4/%5]")
      .arg(static_cast<qulonglong>(size))
      .arg(base)
      .arg(twoDecimals)
      .arg(noUnit)
      .arg(unitOnly)
      .toStdU16String();
}

struct ScopedSizeText {
  ScopedSizeText() : saved(pfn_cvt_size_to_unit) { pfn_cvt_size_to_unit = &FakeSizeText; }
  ~ScopedSizeText() { pfn_cvt_size_to_unit = saved; }
  decltype(pfn_cvt_size_to_unit) saved;
};

sysinfo::SystemTexts FixedTexts() {
  sysinfo::SystemTexts t;
  t.meminfo =
      "MemTotal:       16000000 kB\nMemFree:         1000000 kB\nMemAvailable:    4000000 kB\n"
      "Buffers:          200000 kB\nSwapCached:            0 kB\nSwapTotal:       2097148 kB\n"
      "SwapFree:        1048576 kB\n";
  t.selfStatus = "Name:\tpellamor\nVmPeak:\t  200000 kB\nVmSize:\t  123456 kB\nVmRSS:\t   40000 kB\n";
  t.cpuinfo =
      "processor\t: 0\nvendor_id\t: GenuineIntel\ncpu family\t: 6\nmodel\t\t: 158\n"
      "model name\t: Some CPU @ 3.70GHz\nstepping\t: 10\nmicrocode\t: 0xf0\n\n"
      "processor\t: 1\nvendor_id\t: GenuineIntel\ncpu family\t: 7\nmodel\t\t: 1\nstepping\t: 1\n";
  t.mmapMinAddr = "65536\n";
  t.processors = 12;
  t.processorType = 8664;
  t.activeMask = (std::uint64_t{1} << 32) | 3;  // CPUs 0, 1 and 32
  t.pageSize = 4096;
  return t;
}

TEST(SystemInfo, FixedFactsGiveTheExactText) {
  ScopedSizeText sizes;
  const QString expected = QString::fromUtf16(
      u"하드웨어 정보: \r\n\n\n"
      u"   메모리 사용공간 (백분율):  75 %\r\n\n"
      u"   물리메모리 크기: [16384000000/2/1/0/0]\r\n\n"
      u"   물리메모리 여유공간: [4096000000/2/1/0/0]\r\n\n"
      u"   페이징 파일 크기: [2147479552/2/1/0/0]\r\n\n"
      u"   페이징 파일 여유공간: [1073741824/2/1/0/0]\r\n\n"
      u"   가상메모리 크기: [140737488351232/2/1/0/0]\r\n\n"
      u"   가상메모리 여유공간: [140737361932288/2/1/0/0]\r\n\n"
      u"   확장메모리 여유공간: [0/2/1/0/0]\r\n\n\n\n"
      u"   프로세스 갯수: 12\r\n\n"
      u"   프로세스 타입: 8664\r\n\n"
      u"   프로세스 레벨: 6\r\n\n"
      u"   프로세스 리비전: 40458\r\n\n"
      u"   활성 프로세스 마스크: 4294967299\r\n\n"
      u"   페이지 크기: 4096 Bytes\r\n\n"
      u"   응용프로그램의 주소범위: 0x10000 ~ 0x7FFFFFFFEFFF\r\n\n");
  EXPECT_EQ(sysinfo::SystemInfoText(sysinfo::FactsFrom(FixedTexts())), expected);

  shell_test::App();
  CDlgSysInfoBox box(nullptr, sysinfo::FactsFrom(FixedTexts()));
  box.show();
  EXPECT_EQ(box.Text(), expected);
  EXPECT_EQ(box.Header()->Title(), QString::fromUtf16(u"시스템 정보"));
  EXPECT_EQ(box.Header()->Description(), QString::fromUtf16(u"하드웨어 시스템 정보를 출력합니다."));
  EXPECT_TRUE(box.Header()->Icon().isNull());
  EXPECT_EQ(box.windowTitle(), QString::fromUtf16(u"시스템 정보"));
  EXPECT_TRUE(box.TextEdit()->isReadOnly());
  EXPECT_EQ(box.TextEdit()->toPlainText(), QString(expected).replace(QStringLiteral("\r\n"), QStringLiteral("\n")));
}

// The memory load and the free figures from the lines the kernel has.
TEST(SystemInfo, TheMemoryLoadComesFromTheAvailableMemory) {
  struct Case {
    const char* meminfo;
    std::uint32_t load;
    std::uint64_t availPhys;
  };
  const Case cases[] = {
      {"MemTotal: 1000 kB\nMemFree: 100 kB\nMemAvailable: 250 kB\n", 75, 250 * 1024},
      {"MemTotal: 1000 kB\nMemFree: 100 kB\n", 90, 100 * 1024},  // an old kernel: free memory
      {"MemTotal: 1000 kB\nMemAvailable: 1000 kB\n", 0, 1000 * 1024},
      {"MemTotal: 1000 kB\nMemAvailable: 2000 kB\n", 0, 1000 * 1024},  // never above the total
      {"", 0, 0},
  };
  for (const Case& c : cases) {
    sysinfo::SystemTexts t = FixedTexts();
    t.meminfo = c.meminfo;
    const sysinfo::SystemFacts f = sysinfo::FactsFrom(t);
    EXPECT_EQ(f.memoryLoad, c.load) << c.meminfo;
    EXPECT_EQ(f.availPhys, c.availPhys) << c.meminfo;
  }
  // A process larger than the address space leaves none of it free.
  sysinfo::SystemTexts t = FixedTexts();
  t.selfStatus = "VmSize: 999999999999 kB\n";
  EXPECT_EQ(sysinfo::FactsFrom(t).availVirtual, 0u);
}

std::string Getconf(const char* name) {
  const testing_support::CommandResult r = testing_support::Run(std::string("getconf ") + name);
  std::string out = r.out;
  while (!out.empty() && (out.back() == '\n' || out.back() == ' ')) out.pop_back();
  return r.exitCode == 0 ? out : std::string();
}

TEST(SystemInfo, TheMachinesOwnFactsMatchWhatGetconfSays) {
  shell_test::App();
  module_env::StartedModules modules;
  ASSERT_TRUE(modules.ok());
  dlg::RegisterAllDialogs();
  const std::string processors = Getconf("_NPROCESSORS_ONLN");
  const std::string pageSize = Getconf("PAGESIZE");
  ASSERT_FALSE(processors.empty());
  ASSERT_FALSE(pageSize.empty());
  bool acted = false;
  shell_test::WhenModal<CDlgSysInfoBox> act([&](CDlgSysInfoBox* box) {
    acted = true;
    const QString text = box->Text();
    EXPECT_TRUE(text.contains(QString::fromUtf16(u"   프로세스 갯수: %1\r\n\n").arg(QString::fromStdString(processors))))
        << text.toStdString();
    EXPECT_TRUE(text.contains(QString::fromUtf16(u"   페이지 크기: %1 Bytes\r\n\n").arg(QString::fromStdString(pageSize))));
    EXPECT_TRUE(text.contains(QStringLiteral(" ~ 0x7FFFFFFFEFFF\r\n\n")));
    EXPECT_FALSE(text.contains(QString::fromUtf16(u"물리메모리 크기: \r\n")));  // a size text is there
    box->resize(460, 560);
    gui_test::Settle();
    shell_test::SaveShot(*box, QStringLiteral("sysinfo_machine"));
    box->OkButton()->click();
  });
  EXPECT_EQ(dlg::RunDialog("CDlgSysInfoBox", 0), 1);
  EXPECT_TRUE(acted);
}

}  // namespace
