// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Numira developers
// Where a system-wide install keeps its settings: numira/kelto.ini in the
// user's configuration folder, whose numira folder the first save makes.

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>

#include "core/file_access.h"
#include "core/inifile_.h"

namespace numira {
namespace {

TEST(UserConfigSettingsPath, FollowsXdgConfigHomeElseHome) {
  const struct {
    const char* xdg_config_home;
    const char* home;
    const char* expected;
  } cases[] = {
      {"/home/u/.cfg", "/home/u", "/home/u/.cfg/numira/kelto.ini"},
      {"/home/u/.cfg", "", "/home/u/.cfg/numira/kelto.ini"},
      {"", "/home/u", "/home/u/.config/numira/kelto.ini"},
      {"cfg", "/home/u", "/home/u/.config/numira/kelto.ini"},  // a relative one is not used
      {"", "", ""},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(UserConfigSettingsPathFor(c.xdg_config_home, c.home), c.expected)
        << "XDG_CONFIG_HOME=" << c.xdg_config_home << " HOME=" << c.home;
  }
}

// A scratch folder as the user's configuration home; the variable is put back
// afterwards.
class UserConfigFolder : public ::testing::Test {
 protected:
  void SetUp() override {
    if (const char* old = std::getenv("XDG_CONFIG_HOME")) previous_ = old;
    std::string pattern = ::testing::TempDir() + "numira-config-XXXXXX";
    ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
    scratch_ = pattern;
  }
  void TearDown() override {
    if (previous_) {
      ::setenv("XDG_CONFIG_HOME", previous_->c_str(), 1);
    } else {
      ::unsetenv("XDG_CONFIG_HOME");
    }
    std::error_code ignored;
    std::filesystem::permissions(scratch_, std::filesystem::perms::owner_all, ignored);
    std::filesystem::remove_all(scratch_, ignored);
  }

  std::string scratch_;
  std::optional<std::string> previous_;
};

TEST_F(UserConfigFolder, MakeFoldersMakesPrivateFoldersAndRefusesAFile) {
  const std::string nested = scratch_ + "/a/b";
  ASSERT_TRUE(MakeFolders(nested));
  EXPECT_TRUE(MakeFolders(nested));  // already there
  struct stat st;
  ASSERT_EQ(::stat((scratch_ + "/a").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 077, 0u) << std::oct << st.st_mode;

  std::ofstream(scratch_ + "/file") << "x";
  EXPECT_FALSE(MakeFolders(scratch_ + "/file"));
  EXPECT_FALSE(MakeFolders(scratch_ + "/file/sub"));
}

TEST_F(UserConfigFolder, IsReadFromTheEnvironmentAtEveryCall) {
  ::setenv("XDG_CONFIG_HOME", scratch_.c_str(), 1);
  EXPECT_EQ(UserConfigSettingsPath(), scratch_ + "/numira/kelto.ini");
  ::setenv("XDG_CONFIG_HOME", (scratch_ + "/other").c_str(), 1);
  EXPECT_EQ(UserConfigSettingsPath(), scratch_ + "/other/numira/kelto.ini");
}

#if NUMIRA_SETTINGS_IN_USER_CONFIG
class StillWindow : public SettingsWindow {
 public:
  std::int32_t Left() const override { return 325; }
  std::int32_t Top() const override { return 153; }
  std::int32_t OuterWidth() const override { return 450; }
  std::int32_t OuterHeight() const override { return 250; }
  void SetLeft(std::int32_t) override {}
  void SetTop(std::int32_t) override {}
};

TEST_F(UserConfigFolder, FirstSaveMakesTheFolderAndWritesTheUsualFile) {
  const std::string home = scratch_ + "/config";
  ::setenv("XDG_CONFIG_HOME", home.c_str(), 1);
  ASSERT_EQ(SettingsFilePath(), home + "/numira/kelto.ini");
  StillWindow window;
  bool stay = false;
  bool waid = true;
  SaveSettings(window, ViewFlags{stay, waid});
  std::ostringstream content;
  content << std::ifstream(home + "/numira/kelto.ini").rdbuf();
  EXPECT_EQ(content.str(), "[mainform]\ntop=153\nleft=325\n[formmein]\nstay=0\nwaid=1\n");
}

TEST_F(UserConfigFolder, AFolderThatCannotBeMadeGivesTheWriteError) {
  // A file where the configuration folder should be: no folder below it can
  // be made, not even by root.
  std::ofstream(scratch_ + "/file") << "x";
  const std::string home = scratch_ + "/file/config";
  ::setenv("XDG_CONFIG_HOME", home.c_str(), 1);
  StillWindow window;
  bool stay = false;
  bool waid = true;
  try {
    SaveSettings(window, ViewFlags{stay, waid});
    ADD_FAILURE() << "the save did not fail";
  } catch (const SettingsWriteError& error) {
    EXPECT_EQ(error.path(), home + "/numira/kelto.ini");
  }
}
#endif

}  // namespace
}  // namespace numira
