// The host run as a careless or hostile user would: whatever is passed, every
// existing file stays as it was unless a complete preview was written there,
// a failed write is an error, a hostile file is refused within its budget, and
// every refusal is one line naming its cause.
#include <gtest/gtest.h>
#include <minizip/zip.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <zlib.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "support/TestPaths.h"

namespace {

namespace fs = std::filesystem;

struct HostRun {
  int status;
  std::string out;
};

// `prefix` runs in the same shell before the host (a resource limit).
HostRun Host(const std::string& args, const std::string& prefix = "") {
  const std::string cmd = prefix + tamrel_test::HostPath() + " " + args + " 2>&1";
  HostRun r{-1, {}};
  FILE* p = popen(cmd.c_str(), "r");
  if (!p) return r;
  char buf[512];
  size_t n;
  while ((n = fread(buf, 1, sizeof buf, p)) > 0) r.out.append(buf, n);
  const int st = pclose(p);
  r.status = WIFEXITED(st) ? WEXITSTATUS(st) : -1;
  return r;
}

std::string Read(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

void Write(const std::string& path, const std::string& bytes) { std::ofstream(path, std::ios::binary) << bytes; }

// Single-quoted for the shell.
std::string Q(const std::string& s) {
  std::string r = "'";
  for (char c : s) r += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return r + "'";
}

// A zipped score whose member `name` holds `data`; with `claimed` set, the
// member's header claims that size instead of the real one.
std::string Zip(const std::string& path, const std::string& name, const std::string& data, uLong claimed = 0) {
  zipFile zf = zipOpen(path.c_str(), APPEND_STATUS_CREATE);
  if (!zf) return path;
  if (claimed == 0) {
    zipOpenNewFileInZip(zf, name.c_str(), nullptr, nullptr, 0, nullptr, 0, nullptr, Z_DEFLATED, 9);
    zipWriteInFileInZip(zf, data.data(), unsigned(data.size()));
    zipCloseFileInZip(zf);
  } else {
    // Raw: the bytes given are stored as they are, under the sizes we say.
    zipOpenNewFileInZip2(zf, name.c_str(), nullptr, nullptr, 0, nullptr, 0, nullptr, Z_DEFLATED, 1, 1);
    zipWriteInFileInZip(zf, data.data(), unsigned(data.size()));
    zipCloseFileInZipRaw(zf, claimed, crc32(0, nullptr, 0));
  }
  zipClose(zf, nullptr);
  return path;
}

std::string Repeat(const std::string& unit, size_t times) {
  std::string s;
  s.reserve(unit.size() * times);
  for (size_t i = 0; i < times; i++) s += unit;
  return s;
}

class HostRefusals : public ::testing::Test {
 protected:
  std::string dir;
  void SetUp() override {
    char tmpl[] = "/tmp/tamrel-refusals-XXXXXX";
    ASSERT_NE(mkdtemp(tmpl), nullptr);
    dir = tmpl;
  }
  void TearDown() override {
    std::error_code ec;
    fs::permissions(dir + "/ro", fs::perms::owner_all, ec);
    fs::remove_all(dir, ec);
  }
  std::string P(const std::string& name) const { return dir + "/" + name; }

  // No temporary output is ever left in a folder.
  void ExpectNoTemporary(const std::string& folder, const std::string& label) {
    for (const auto& e : fs::recursive_directory_iterator(folder))
      EXPECT_EQ(e.path().filename().string().rfind(".tamrel-ql-", 0), std::string::npos) << label << ": " << e.path();
  }
};

TEST_F(HostRefusals, EveryCaseKeepsTheUsersFilesAndSaysWhyInOneLine) {
  std::string racine = tamrel_test::DataPath("");
  racine = racine.substr(0, racine.rfind("/tests/"));
  const std::string good = P("good.musicxml");
  Write(good, Read(racine + "/examples/lantern-song.musicxml"));
  ASSERT_GT(Read(good).size(), 100u);
  Write(P("song.abc"), "X:1\nT:A tune without music\n");
  Write(P("report.pdf"), "an earlier report");
  Write(P("broken.xml"), "<?xml version='1.0'?>\n<score-partwise>\n<part>\n</score-partwise>\n");
  Write(P("name\nwith newline.xml"), "<score-partwise>");
  ASSERT_EQ(link(good.c_str(), P("hardlink.musicxml").c_str()), 0);
  ASSERT_EQ(mkfifo(P("fifo.xml").c_str(), 0600), 0);
  fs::create_directory(P("folder.xml"));
  fs::create_directory(P("ro"));
  fs::create_symlink(P("absent.pdf"), P("dangling.pdf"));
  // Bombs: 12 MB of tiny elements in a zip of some 12 KB, a member header
  // claiming 256 MB over a few bytes, and elements nested 300,000 deep.
  Zip(P("flat.mxl"), "flat.xml", "<score-partwise>" + Repeat("<a/>", 3 << 20) + "</score-partwise>");
  ASSERT_LT(fs::file_size(P("flat.mxl")), 40000u);
  Zip(P("claims.mxl"), "claims.xml", std::string("\x03\x00", 2), 256u << 20);
  ASSERT_LT(fs::file_size(P("claims.mxl")), 1000u);
  Write(P("deep.xml"), Repeat("<a>", 300000) + Repeat("</a>", 300000));
  // An output path longer than 1023 bytes, in folders that exist; a file at
  // the place a path cut to 1023 bytes would name.
  std::string longDir = dir;
  while (longDir.size() < 1300) {
    longDir += "/" + std::string(200, 'd');
    fs::create_directory(longDir);
  }
  const std::string longOut = longDir + "/" + std::string(200, 'p') + ".pdf";
  const std::string cut = longOut.substr(0, 1023);
  Write(cut, "not a preview");

  const std::vector<std::string> kept = {good, P("song.abc"), P("report.pdf"), P("broken.xml"), cut};
  std::vector<std::string> before;
  for (const std::string& f : kept) before.push_back(Read(f));

  struct Case {
    const char* label;
    std::string args;
    int status;
    std::string message;  // part of the one line; empty when the run succeeds
    std::string prefix = "";
  } cases[] = {
      {"input as output", "preview " + Q(P("song.abc")) + " -o " + Q(P("song.abc")), 2, "the output is the input file"},
      {"score as its own output", "preview " + Q(good) + " -o " + Q(good), 2, "the output is the input file"},
      {"hard link to the input", "preview " + Q(good) + " -o " + Q(P("hardlink.musicxml")), 2,
       "the output is the input file"},
      {"failed load over a report", "preview " + Q(P("song.abc")) + " -o " + Q(P("report.pdf")), 1, "not previewed: "},
      {"parser's reason and line", "preview " + Q(P("broken.xml")) + " -o " + Q(P("report.pdf")), 1,
       "not readable as MusicXML: mismatched tag at line 4"},
      {"failed thumbnail over a report", "thumbnail " + Q(P("broken.xml")) + " -o " + Q(P("report.pdf")), 1,
       "mismatched tag"},
      {"device as output", "preview " + Q(good) + " -o /dev/full", 2, "the output is not a regular file"},
      {"folder as output", "preview " + Q(good) + " -o " + Q(dir), 2, "the output is a folder"},
      {"link to a missing file as output", "preview " + Q(good) + " -o " + Q(P("dangling.pdf")), 1,
       "cannot be written: a symbolic link to a missing file"},
      {"missing folder", "preview " + Q(good) + " -o " + Q(P("none/out.pdf")), 1,
       "cannot be written: its folder does not exist"},
      {"file size limit", "preview " + Q(good) + " -o " + Q(P("report.pdf")), 1,
       "cannot be written: file size limit exceeded", "ulimit -f 0; "},
      {"thumbnail past the size limit", "thumbnail " + Q(good) + " -o " + Q(P("report.pdf")), 1,
       "cannot be written: file size limit exceeded", "ulimit -f 0; "},
      {"FIFO as input", "preview " + Q(P("fifo.xml")) + " -o " + Q(P("x.pdf")), 1, "fifo.xml: not a regular file"},
      {"folder as input", "preview " + Q(P("folder.xml")) + " -o " + Q(P("x.pdf")), 1, "a folder, not a file"},
      {"missing input", "preview " + Q(P("absent.xml")) + " -o " + Q(P("x.pdf")), 1, "absent.xml: no such file"},
      {"zip bomb", "preview " + Q(P("flat.mxl")) + " -o " + Q(P("report.pdf")), 1,
       "the score inside the zip is larger than its memory budget"},
      {"huge member header", "preview " + Q(P("claims.mxl")) + " -o " + Q(P("report.pdf")), 1,
       "the score inside the zip is larger than its memory budget"},
      {"deep nesting", "preview " + Q(P("deep.xml")) + " -o " + Q(P("report.pdf")), 1,
       "nested deeper than a score may be"},
      {"newline in a name", "preview " + Q(P("name\nwith newline.xml")) + " -o " + Q(P("x.pdf")), 1,
       "name\\nwith newline.xml: not previewed: "},
      {"long output path", "preview " + Q(good) + " -o " + Q(longOut), 0, ""},
  };
  for (const Case& c : cases) {
    const HostRun r = Host(c.args, c.prefix);
    EXPECT_EQ(r.status, c.status) << c.label << ": " << r.out;
    if (c.message.empty()) {
      EXPECT_EQ(r.out, "") << c.label;
    } else {
      EXPECT_NE(r.out.find(c.message), std::string::npos) << c.label << ": " << r.out;
      EXPECT_EQ(std::count(r.out.begin(), r.out.end(), '\n'), 1) << c.label << ": " << r.out;
    }
    for (size_t i = 0; i < kept.size(); i++) EXPECT_EQ(Read(kept[i]), before[i]) << c.label << ": " << kept[i];
    EXPECT_FALSE(fs::exists(P("x.pdf"))) << c.label;
  }
  EXPECT_EQ(Read(longOut).substr(0, 5), "%PDF-");
  EXPECT_TRUE(fs::is_fifo(P("fifo.xml")));
  EXPECT_TRUE(fs::is_symlink(P("dangling.pdf")));
  EXPECT_FALSE(fs::exists(P("absent.pdf")));
  EXPECT_TRUE(fs::exists("/dev/full"));

  // A read-only folder. Root may write anywhere, so under root the host runs
  // as an unprivileged user (util-linux's setpriv), who may read the input.
  const fs::perms lecture = fs::perms::owner_read | fs::perms::owner_exec | fs::perms::group_read |
                            fs::perms::group_exec | fs::perms::others_read | fs::perms::others_exec;
  fs::permissions(P("ro"), lecture);
  std::string utilisateur;
  if (geteuid() == 0) {
    fs::permissions(dir, lecture | fs::perms::owner_write);
    fs::permissions(good, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read,
                    fs::perm_options::add);
    utilisateur = "setpriv --reuid=65534 --regid=65534 --clear-groups ";
  }
  {
    const HostRun r = Host("preview " + Q(good) + " -o " + Q(P("ro/out.pdf")), utilisateur);
    EXPECT_EQ(r.status, 1) << r.out;
    EXPECT_NE(r.out.find("cannot be written: permission denied"), std::string::npos) << r.out;
    EXPECT_EQ(std::count(r.out.begin(), r.out.end(), '\n'), 1) << r.out;
    EXPECT_TRUE(fs::is_empty(P("ro")));
  }
  fs::permissions(dir, fs::perms::owner_all);
  fs::permissions(P("ro"), fs::perms::owner_all);
  ExpectNoTemporary(dir, "after every case");

  // A good preview replaces an existing file whole, keeping its permissions.
  fs::permissions(P("report.pdf"), fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
  const HostRun ok = Host("preview " + Q(good) + " -o " + Q(P("report.pdf")));
  EXPECT_EQ(ok.status, 0) << ok.out;
  EXPECT_EQ(Read(P("report.pdf")).substr(0, 5), "%PDF-");
  EXPECT_EQ(fs::status(P("report.pdf")).permissions() & fs::perms::all,
            fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
  // Through a symbolic link, the file it names gets the preview; the link stays.
  fs::create_symlink(P("report.pdf"), P("link.png"));
  EXPECT_EQ(Host("thumbnail " + Q(good) + " -o " + Q(P("link.png")) + " -s 64").status, 0);
  EXPECT_TRUE(fs::is_symlink(P("link.png")));
  EXPECT_EQ(Read(P("report.pdf")).substr(1, 3), "PNG");
  ExpectNoTemporary(dir, "after the good runs");
}

// Argument errors: what was wrong, on one line, and where the usage is.
TEST(HostArguments, EachErrorSaysWhatWasWrongInOneLine) {
  const std::string in = tamrel_test::HostPath();  // any regular file
  struct Case {
    std::string args;
    const char* message;
  } cases[] = {
      {"", "no command given"},
      {"--frobnicate", "unknown option '--frobnicate'"},
      {"frobnicate x", "unknown command 'frobnicate'"},
      {"--bundle", "--bundle needs a folder"},
      {"--time-limit soon preview x -o y", "--time-limit needs a number of seconds"},
      {"preview " + in + " -o /tmp/a.pdf -o /tmp/b.pdf", "-o given twice"},
      {"preview " + in + " -o", "-o needs a file name"},
      {"preview " + in + " -o /tmp/a.pdf -s 64", "-s applies to thumbnails only"},
      {"thumbnail " + in + " -o /tmp/a.png -s 0", "bad size '0'"},
      {"preview " + in + " " + in + " -o /tmp/a.pdf", "one input only"},
      {"preview -o /tmp/a.pdf", "no input file"},
      {"preview " + in, "no output file"},
      {"preview " + in + " --frobnicate -o /tmp/a.pdf", "unknown option '--frobnicate'"},
  };
  for (const Case& c : cases) {
    const HostRun r = Host(c.args);
    EXPECT_EQ(r.status, 2) << c.args << ": " << r.out;
    EXPECT_NE(r.out.find(c.message), std::string::npos) << c.args << ": " << r.out;
    EXPECT_NE(r.out.find("(see tamrel-ql --help)"), std::string::npos) << c.args << ": " << r.out;
    EXPECT_EQ(std::count(r.out.begin(), r.out.end(), '\n'), 1) << c.args << ": " << r.out;
  }
}

// A bundle without its music font would draw every symbol wrong: refused.
TEST(HostArguments, BundleWithoutItsMusicFontIsRefused) {
  char tmpl[] = "/tmp/tamrel-bundle-XXXXXX";
  ASSERT_NE(mkdtemp(tmpl), nullptr);
  const std::string bundle = tmpl;
  fs::copy_file(tamrel_test::BundlePath() + "/TamrelQL.so", bundle + "/TamrelQL.so");
  const HostRun r = Host("--bundle " + bundle + " preview " + tamrel_test::HostPath() + " -o " + bundle + "/x.pdf");
  EXPECT_EQ(r.status, 1) << r.out;
  EXPECT_NE(r.out.find("the bundle has no music font"), std::string::npos) << r.out;
  EXPECT_FALSE(fs::exists(bundle + "/x.pdf"));
  fs::remove_all(bundle);
}

}  // namespace
