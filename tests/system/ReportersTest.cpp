#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

#include "platform/DateTime.h"
#include "platform/SpecialFolders.h"
#include "platform/Trace.h"
#include "system/Reporters.h"

namespace {

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

class ErrorLog : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/tamrel-log-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    folder_ = pattern;
    saved_ = GetApplicationFolderPath();
    SetApplicationFolderPath(folder_.c_str());
    DateTimeRec when{2018, 3, 9, 14, 5, 7, 0};
    uint32_t secs = 0;
    DateToSeconds(&when, &secs);
    SetFixedDateTime(secs);
  }
  void TearDown() override {
    UseRealDateTime();
    SetNomDocumentErreur(nullptr);
    SetApplicationFolderPath(saved_.c_str());
    std::remove(Log().c_str());
    rmdir(folder_.c_str());
  }
  std::string Log() const { return folder_ + "/Selvane.err"; }

  std::string folder_, saved_;
};

}  // namespace

TEST_F(ErrorLog, PlatformErrorsAppendDatedLines) {
  { std::ofstream(Log()) << "older\n"; }
  char before[PATH_MAX];
  ASSERT_NE(getcwd(before, sizeof before), nullptr);

  RozoErreur("disk full");
  char name[64] = "Score.qrv";
  SetNomDocumentErreur(name);
  EXPECT_EQ(CommandeErreur("second"), 0);
  EXPECT_EQ(ReadFile(Log()),
            "older\n"
            "9/3/2018 14:05:07:[]:ACAMERR: disk full\n"
            "9/3/2018 14:05:07:[Score.qrv]:second\n");

  char after[PATH_MAX];
  ASSERT_NE(getcwd(after, sizeof after), nullptr);
  EXPECT_STREQ(after, before);  // the current folder is left alone

  // A message longer than the reporter's buffer is cut, not overrun.
  std::remove(Log().c_str());
  RozoErreur(std::string(1000, 'x').c_str());
  const std::string line = ReadFile(Log());
  EXPECT_EQ(line, "9/3/2018 14:05:07:[Score.qrv]:ACAMERR: " + std::string(254 - 9, 'x') + "\n");
}

TEST_F(ErrorLog, AnUnwritableLogLosesTheLineQuietly) {
  SetApplicationFolderPath((folder_ + "/missing").c_str());
  EXPECT_EQ(CommandeErreur("lost"), 0);
  struct stat st {};
  EXPECT_NE(stat((folder_ + "/missing").c_str(), &st), 0);
}

// tamrel-ql --trace turns tracing on; without it the sinks stay silent.
TEST(Reporters, SinksWriteToStderrOnlyWhenTracing) {
  auto emit = [] {
    Collapse("Darray_find : no more mem");
    BigBadError("QrvFiles", 3);
    Avertissement(0, 0, "font %s missing", "Osaka");
    Printf("progress %d", 7);
    PlugTrace("done\n");
  };
  SetTraceEnabled(false);
  testing::internal::CaptureStderr();
  emit();
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "");

  SetTraceEnabled(true);
  testing::internal::CaptureStderr();
  emit();
  EXPECT_EQ(testing::internal::GetCapturedStderr(),
            "Tamrel QL : Collapse : Darray_find : no more mem\n"
            "Tamrel QL : Collapse : BIG_BAD_ERROR QrvFiles 3\n"
            "-- AVERTISSEMENT -- font Osaka missing\n"
            "progress 7\n"
            "done\n");

  // Collapse keeps at most 511 bytes of its message.
  testing::internal::CaptureStderr();
  Collapse("%s", std::string(2000, 'y').c_str());
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "Tamrel QL : Collapse : " + std::string(511, 'y') + "\n");
  SetTraceEnabled(false);
}
