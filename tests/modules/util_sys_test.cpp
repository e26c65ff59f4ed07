#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "tests/modules/module_env.h"

namespace {

using UtilSys = module_env::StartedSuite;

TEST_F(UtilSys, AddCommaGroupsByThreesWithTheSignInFront) {
  struct Case {
    const char16_t* in;
    const char16_t* out;
  } cases[] = {
      {u"1234567", u"1,234,567"}, {u"123", u"123"},          {u"", u"0"},
      {u"abcd", u"a,bcd"},        {u"1000", u"1,000"},       {u"-1234567", u"-1,234,567"},
      {u"-123", u"-123"},         {u"-", u"-"},              {u"12", u"12"},
  };
  for (const Case& c : cases) EXPECT_EQ(pfn_add_comma(c.in), c.out) << platform::ToUtf8(c.in);
  // No fixed buffer: a text far beyond 1024 characters is grouped whole.
  std::u16string longText(3000, u'9');
  std::u16string grouped = pfn_add_comma(longText);
  EXPECT_EQ(grouped.size(), 3000u + 999u);
  EXPECT_EQ(grouped.substr(0, 4), u"999,");
}

TEST_F(UtilSys, SizeTextsThroughEveryUnit) {
  struct Case {
    double size;
    int base, two, noUnit, unitOnly;
    const char16_t* text;
  } cases[] = {
      {512, 2, 0, 0, 0, u"512B"},     {1536, 2, 1, 0, 0, u"1.50KB"}, {1536, 2, 0, 1, 0, u"2"},
      {1536, 2, 0, 0, 1, u"KB"},      {1000000, 10, 0, 0, 0, u"1MB"}, {0, 2, 0, 0, 0, u"0B"},
      {1023, 2, 0, 0, 0, u"1,023B"},  {1023, 2, 0, 1, 0, u"1,023"},   {1023, 2, 0, 0, 1, u"B"},
      {999, 10, 0, 0, 0, u"999B"},    {1024, 2, 0, 0, 0, u"1KB"},     {std::ldexp(1.0, 20), 2, 0, 0, 0, u"1MB"},
      {std::ldexp(1.0, 30), 2, 0, 0, 0, u"1GB"}, {std::ldexp(1.0, 40), 2, 0, 0, 0, u"1TB"},
      {std::ldexp(1.0, 50), 2, 0, 0, 0, u"1PB"}, {std::ldexp(1.0, 60), 2, 0, 0, 0, u"1EB"},
      {std::ldexp(1.0, 70), 2, 0, 0, 0, u"1ZB"}, {std::ldexp(1.0, 80), 2, 1, 0, 0, u"1.00YB"},
      {std::ldexp(1.0, 90), 2, 0, 0, 0, u"1024YB"},  // the last unit serves for all larger sizes
      {1e24, 10, 0, 0, 1, u"YB"},      {-5, 2, 0, 0, 0, u"-5B"},      {-5000, 2, 0, 0, 0, u"-5,000B"},
  };
  for (const Case& c : cases)
    EXPECT_EQ(pfn_cvt_size_to_unit(c.size, c.base, c.two, c.noUnit, c.unitOnly), c.text) << c.size;
}

TEST_F(UtilSys, ConversionsComparisonAndConstants) {
  EXPECT_EQ(pfn_get_unicode_of_ascii("A", 4096), u"A\n");
  EXPECT_EQ(pfn_get_msdos_name("A"), u"A");
  EXPECT_EQ(pfn_get_msdos_name("README.TXT"), u"README.TXT");
  EXPECT_EQ(pfn_get_msdos_name("\xC7\xD1\xB1\xDB.TXT"), u"한글.TXT");  // code page 949
  EXPECT_EQ(pfn_get_unicode_of_ascii("", 0), u"\n");
  EXPECT_EQ(pfn_get_msdos_name(nullptr), u"");
  struct Cmp {
    unsigned a, b;
    int r;
  } cmps[] = {{1, 4294967295u, -1}, {4294967295u, 1, 1}, {7, 7, 0}, {0, 1, -1}};
  for (const Cmp& c : cmps) EXPECT_EQ(pfn_comp_num(c.a, c.b), c.r) << c.a << " " << c.b;
  EXPECT_EQ(pfn_cvt_chs_to_lba(), 0);
}

TEST_F(UtilSys, SystemModule) {
  EXPECT_EQ(pfn_cvt_pack_version_to_long(6, 74565), 402245);
  EXPECT_EQ(pfn_cvt_pack_version_to_long(1, 2), 0x10002);
  const std::u16string missing = pfn_print_errmsg(2);
  EXPECT_EQ(missing, u"No such file or directory\r\n");
  EXPECT_EQ(pfn_get_system_errmsg(2), missing);
  EXPECT_EQ(pfn_print_errmsg(0xFFFFFFF0u), u"");
  EXPECT_EQ(pfn_print_errmsg(99999), u"");

  const std::u16string lib = platform::FromUtf8(testing_support::BinDir() + "/versioned_library.dll");
  EXPECT_EQ(pfn_get_dll_version(lib.c_str()), 393216u);
  const std::u16string noExport = platform::FromUtf8(testing_support::BinDir() + "/ver.dll");
  EXPECT_EQ(pfn_get_dll_version(noExport.c_str()), 0u);
  EXPECT_EQ(pfn_get_dll_version(u"/nonexistent/x.dll"), 0u);
  std::u16string out = u"unchanged";
  EXPECT_EQ(pfn_get_dll_version_ex(lib.c_str(), &out), 0);
  EXPECT_EQ(out, u"unchanged");

  EXPECT_EQ(pfn_open_process(u"/nonexistent/path/file.txt"), 0);
  EXPECT_EQ(pfn_open_process(u""), 0);
}

TEST_F(UtilSys, VersionAgentStandInAnswersZeroAndLeavesBlocksAlone) {
  VERSIONRECORD block;
  module_versions::FillVersionRecord("util.dll", &block);
  const VERSIONRECORD before = block;
  EXPECT_EQ(pfn_load_module_version(&block), 0);
  EXPECT_EQ(std::memcmp(&before, &block, sizeof block), 0);
  EXPECT_EQ(pfn_cal_diff_countdown_day(2009, 11, 23, 2009, 11, 27), 0);
  EXPECT_EQ(pfn_get_module_version(), 0);
  EXPECT_EQ(pfn_cal_leap_month(), 0);
  EXPECT_EQ(pfn_cal_diff_build_number(), 0);
  for (auto fn : {pfn_read_runtime_module_version_util, pfn_read_runtime_module_version_sys,
                  pfn_read_runtime_module_version_ver, pfn_read_runtime_module_version_cdfs,
                  pfn_read_runtime_module_version_udf, pfn_read_runtime_module_version_thren,
                  pfn_read_runtime_module_version_disk, pfn_read_runtime_module_version_fs,
                  pfn_read_runtime_module_version_win, pfn_read_runtime_module_version_quorin,
                  pfn_read_runtime_module_version_exfat})
    EXPECT_EQ(fn(3), 0);
}

}  // namespace
