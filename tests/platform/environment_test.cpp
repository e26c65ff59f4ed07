#include "platform/environment.h"

#include <gtest/gtest.h>

#include "scoped_env.h"

namespace {

using platform_test::ScopedEnv;

TEST(Environment, DriveVariables) {
  struct Row {
    const char* drives;
    const char* blockDevices;
    bool wantBlockDevices;
  };
  const Row rows[] = {
      {nullptr, nullptr, true}, {"E=/a.img;F=/b.img", "0", false}, {"", "1", true},
      {"E=/a.img", "", true},   {nullptr, "00", true},
  };
  for (const Row& r : rows) {
    ScopedEnv env;
    env.Set("PELLAMOR_DRIVES", r.drives);
    env.Set("PELLAMOR_BLOCK_DEVICES", r.blockDevices);
    platform::DriveEnvironment d = platform::ReadDriveEnvironment();
    SCOPED_TRACE(std::string(r.drives ? r.drives : "(unset)") + " / " + (r.blockDevices ? r.blockDevices : "(unset)"));
    EXPECT_EQ(d.blockDevices, r.wantBlockDevices);
    if (r.drives) {
      ASSERT_TRUE(d.drives.has_value());
      EXPECT_EQ(*d.drives, r.drives);
      EXPECT_STREQ(d.DrivesText(), r.drives);
    } else {
      EXPECT_FALSE(d.drives.has_value());
      EXPECT_EQ(d.DrivesText(), nullptr);
    }
  }
}

TEST(Environment, SettingsFileAndConfigFolder) {
  struct Row {
    const char* settings;
    const char* xdg;
    const char* home;
    const char* wantSettings;
    const char* wantConfig;
  };
  const Row rows[] = {
      {"/tmp/p.ini", "/x/config", "/home/u", "/tmp/p.ini", "/x/config"},
      {"", "", "/home/u", "", "/home/u/.config"},
      {nullptr, nullptr, "/home/u", "", "/home/u/.config"},
      {nullptr, nullptr, nullptr, "", ""},
      {nullptr, "", "", "", ""},
  };
  for (const Row& r : rows) {
    ScopedEnv env;
    env.Set("PELLAMOR_SETTINGS", r.settings);
    env.Set("XDG_CONFIG_HOME", r.xdg);
    env.Set("HOME", r.home);
    EXPECT_EQ(platform::SettingsFileFromEnvironment(), r.wantSettings);
    EXPECT_EQ(platform::UserConfigFolder(), r.wantConfig);
  }
}

}  // namespace
