#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>
#include <cstdio>
#include <string>
#include <vector>

#include "plugin/PluginFixtures.h"
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

namespace {

std::string TempFile(const char* name, const std::string& content) {
  std::string p = std::string("/tmp/tamrel-host-") + std::to_string(getpid()) + "-" + name;
  FILE* f = fopen(p.c_str(), "wb");
  if (f) {
    fwrite(content.data(), 1, content.size(), f);
    fclose(f);
  }
  return p;
}

int Lines(const std::string& s) {
  int n = 0;
  for (char c : s) n += c == '\n';
  return n;
}

}  // namespace

// A file no reader recognises: exit 1, one line saying why, no output left.
TEST(Host, RandomBinaryIsNotPreviewedWithAOneLineReason) {
  std::string bytes;
  uint32_t x = 2463534242u;
  for (int i = 0; i < 4096; i++) {
    x ^= x << 13;
    x ^= x >> 17;
    x ^= x << 5;
    bytes.push_back(char(x));
  }
  const std::string in = TempFile("noise.bin", bytes);
  const std::string out = in + ".pdf";
  HostRun r = RunHost("preview " + in + " -o " + out);
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(Lines(r.out), 1) << r.out;
  EXPECT_NE(r.out.find("not previewed: "), std::string::npos) << r.out;
  EXPECT_NE(access(out.c_str(), F_OK), 0);
  HostRun t = RunHost("thumbnail " + in + " -o " + in + ".png -s 64");
  EXPECT_EQ(t.status, 1);
  EXPECT_EQ(Lines(t.out), 1) << t.out;
  HostRun missing = RunHost("preview /nonexistent/file.abc -o /tmp/x.pdf");
  EXPECT_EQ(missing.status, 1);
  EXPECT_EQ(Lines(missing.out), 1) << missing.out;
  unlink(in.c_str());
}

TEST(Host, RequestArgumentsAreChecked) {
  const std::string in = TempFile("args.abc", "X:1\n");
  for (const std::string& a : {std::string("preview ") + in, std::string("preview -o /tmp/x.pdf"),
                               "thumbnail " + in + " -o /tmp/x.png -s 0", "thumbnail " + in + " -o /tmp/x.png -s big",
                               "preview " + in + " " + in + " -o /tmp/x.pdf", "preview " + in + " -o /tmp/x.pdf -s 64"})
    EXPECT_EQ(RunHost(a).status, 2) << a;
  unlink(in.c_str());
}

// With --trace the plug-in's own log lines reach stderr.
TEST(Host, TraceShowsThePlugInLog) {
  const std::string in = TempFile("trace.dat", "nothing");
  HostRun r = RunHost("--trace preview " + in + " -o " + in + ".pdf");
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.out.find("TamrelQL :GeneratePreviewForURL"), std::string::npos) << r.out;
  unlink(in.c_str());
}

// A bundled example whose importer is built goes the whole way: loaded by the
// plug-in, one page recorded, written at the paper's size plus the
// single-picture margins; the thumbnail fits the size asked.
TEST(Host, BundledMusicXMLExampleIsPreviewed) {
  std::string racine = tamrel_test::DataPath("");
  racine = racine.substr(0, racine.rfind("/tests/"));
  const std::string in = racine + "/examples/lantern-song.musicxml";
  const std::string pdf = "/tmp/tamrel-host-" + std::to_string(getpid()) + "-lantern.pdf";
  const std::string png = "/tmp/tamrel-host-" + std::to_string(getpid()) + "-lantern.png";
  HostRun r = RunHost("preview " + in + " -o " + pdf);
  ASSERT_EQ(r.status, 0) << r.out;
  FILE* f = fopen(pdf.c_str(), "rb");
  ASSERT_NE(f, nullptr);
  std::string bytes;
  char buf[4096];
  size_t n;
  while ((n = fread(buf, 1, sizeof buf, f)) > 0) bytes.append(buf, n);
  fclose(f);
  const std::vector<tamrel_test::BoitePDF> boxes = tamrel_test::BoitesPDF(bytes);
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_GT(boxes[0].w, 595.0);
  EXPECT_LT(boxes[0].w, 620.0);
  EXPECT_GT(boxes[0].h, 842.0);
  EXPECT_LT(boxes[0].h, 870.0);
  EXPECT_EQ(RunHost("thumbnail " + in + " -o " + png + " -s 128").status, 0);
  unsigned char head[24] = {};
  f = fopen(png.c_str(), "rb");
  ASSERT_NE(f, nullptr);
  ASSERT_EQ(fread(head, 1, sizeof head, f), sizeof head);
  fclose(f);
  const uint32_t height = uint32_t(head[20]) << 24 | uint32_t(head[21]) << 16 | uint32_t(head[22]) << 8 | head[23];
  EXPECT_EQ(height, 128u);
  unlink(pdf.c_str());
  unlink(png.c_str());
}
