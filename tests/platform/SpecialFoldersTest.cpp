#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <cstdlib>
#include <string>

#include "platform/SpecialFolders.h"

namespace {
// Taken before main, as the engine takes its own, before any test changes folder.
const std::string gStartFolder = [] {
  char cwd[PATH_MAX];
  return std::string(getcwd(cwd, sizeof cwd) ? cwd : "");
}();
}  // namespace

TEST(SpecialFolders, DefaultsAndSetters) {
  // Other tests of this process may have set them: go back to the defaults.
  SetApplicationFolderPath(nullptr);
  SetPreferencesFolderPath(nullptr);
  EXPECT_EQ(GetApplicationFolderPath(), gStartFolder);  // the starting folder until the host says otherwise

  setenv("XDG_CONFIG_HOME", "/nowhere/cfg/", 1);
  EXPECT_STREQ(GetPreferencesFolderPath(), "/nowhere/cfg/tamrel");

  SetApplicationFolderPath("/opt/app//");
  EXPECT_STREQ(GetApplicationFolderPath(), "/opt/app");
  SetPreferencesFolderPath("/p");
  EXPECT_STREQ(GetPreferencesFolderPath(), "/p");
  SetApplicationFolderPath("/");
  EXPECT_STREQ(GetApplicationFolderPath(), "/");
}

TEST(SpecialFolders, TemporaryFolderIsPrivate) {
  const std::string path = GetTemporaryFolderPath();
  ASSERT_FALSE(path.empty());
  const char* tmp = std::getenv("TMPDIR");
  const std::string base = tmp && *tmp == '/' ? tmp : "/tmp";
  EXPECT_EQ(path.rfind(base, 0), 0u) << path;
  struct stat st {};
  ASSERT_EQ(stat(path.c_str(), &st), 0);
  EXPECT_TRUE(S_ISDIR(st.st_mode));
  EXPECT_EQ(st.st_mode & 0777, 0700u);
  EXPECT_EQ(st.st_uid, getuid());
  EXPECT_EQ(GetTemporaryFolderPath(), path);  // made once

  SetTemporaryFolderPath("/var/tmp/mine");
  EXPECT_STREQ(GetTemporaryFolderPath(), "/var/tmp/mine");
}
