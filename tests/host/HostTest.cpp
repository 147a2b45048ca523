#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <sys/wait.h>

#include "support/TestPaths.h"

namespace {

struct HostRun {
  int status;
  std::string out;
};

HostRun RunHost(const std::string& args) {
  std::string cmd = tamrel_test::HostPath() + " " + args + " 2>&1";
  HostRun r{-1, {}};
  FILE* p = popen(cmd.c_str(), "r");
  if (!p) return r;
  char buf[512];
  while (fgets(buf, sizeof buf, p)) r.out += buf;
  int st = pclose(p);
  r.status = WIFEXITED(st) ? WEXITSTATUS(st) : -1;
  return r;
}

}  // namespace

TEST(Host, VersionFindsThePlugInBundle) {
  HostRun r = RunHost("--version");
  EXPECT_EQ(r.status, 0) << r.out;
  EXPECT_NE(r.out.find("tamrel-ql " TAMREL_VERSION), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("TamrelQL.qlgenerator/TamrelQL.so"), std::string::npos) << r.out;
}

TEST(Host, BadArgumentsExitWithTwo) {
  EXPECT_EQ(RunHost("").status, 2);
  EXPECT_EQ(RunHost("frobnicate x").status, 2);
  EXPECT_EQ(RunHost("--bundle").status, 2);
  EXPECT_EQ(RunHost("--help").status, 0);
}

TEST(Host, MissingBundleIsReported) {
  HostRun r = RunHost("--bundle /nonexistent --version");
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.out.find("not loaded"), std::string::npos);
}
