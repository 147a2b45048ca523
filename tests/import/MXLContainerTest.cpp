// MXL containers built here with the zip writer: the score member is found
// through the container, or by the container's own name; damaged, encrypted
// and oversized members fail cleanly.
#include "import/MXLContainer.h"

#include <gtest/gtest.h>
#include <minizip/zip.h>
#include <unistd.h>
#include <zlib.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "import/XMLBrowser.h"
#include "platform/Memory.h"
#include "support/DataFiles.h"
#include "system/QrvFiles.h"

namespace {

struct Member {
  std::string name;
  std::string data;
  const char* password = nullptr;
};

class MXLTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char tmpl[] = "/tmp/tamrel-mxl-XXXXXX";
    ASSERT_NE(mkdtemp(tmpl), nullptr);
    dir_ = tmpl;
  }
  void TearDown() override { std::filesystem::remove_all(dir_); }

  std::string Zip(const std::string& file, const std::vector<Member>& members) {
    std::string path = dir_ + "/" + file;
    zipFile zf = zipOpen(path.c_str(), APPEND_STATUS_CREATE);
    EXPECT_NE(zf, nullptr);
    for (const Member& m : members) {
      uLong crc = crc32(0, reinterpret_cast<const Bytef*>(m.data.data()), static_cast<uInt>(m.data.size()));
      EXPECT_EQ(zipOpenNewFileInZip3(zf, m.name.c_str(), nullptr, nullptr, 0, nullptr, 0, nullptr, Z_DEFLATED,
                                     Z_DEFAULT_COMPRESSION, 0, -MAX_WBITS, DEF_MEM_LEVEL, Z_DEFAULT_STRATEGY,
                                     m.password, crc),
                ZIP_OK);
      EXPECT_EQ(zipWriteInFileInZip(zf, m.data.data(), static_cast<unsigned>(m.data.size())), ZIP_OK);
      EXPECT_EQ(zipCloseFileInZip(zf), ZIP_OK);
    }
    EXPECT_EQ(zipClose(zf, nullptr), ZIP_OK);
    return path;
  }

  std::string dir_;
};

// After an extraction, failed or not, the stream's writer holds no handle.
void ExpectWriterReleased() {
  EXPECT_EQ(ioCustom.cible, nullptr);
  EXPECT_NE(WriteCar, &WriteCarHandle);
}

std::string Text(Handle h) {
  ExpectWriterReleased();
  std::string s = h ? std::string(*h, static_cast<size_t>(GetHandleSize(h))) : std::string("<null>");
  DisposeZipHandle(h);
  return s;
}

std::string Container(const std::string& rootfiles) {
  return "<?xml version='1.0'?><container><rootfiles>" + rootfiles + "</rootfiles></container>";
}

TEST_F(MXLTest, ScoreMemberThroughTheContainerOrTheFileName) {
  const std::string score = "<score-partwise/>";
  struct Case {
    const char* label;
    std::vector<Member> members;
    const char* expected;
  } cases[] = {
      {"named by the container",
       {{"META-INF/container.xml", Container("<rootfile full-path='score/music.xml'/>")},
        {"Song.xml", "default"},
        {"score/music.xml", score}},
       "<score-partwise/>"},
      {"first of two rootfiles",
       {{"META-INF/container.xml", Container("<rootfile full-path='b.xml'/><rootfile full-path='a.xml'/>")},
        {"a.xml", "a"},
        {"b.xml", "b"}},
       "b"},
      {"rootfile without full-path keeps the file name",
       {{"META-INF/container.xml", Container("<rootfile/>")}, {"Song.xml", "default"}},
       "default"},
      {"no container", {{"Song.xml", "default"}, {"other.xml", "x"}}, "default"},
      {"rootfile elsewhere is not taken",
       {{"META-INF/container.xml", "<container><rootfile full-path='a.xml'/></container>"},
        {"a.xml", "a"},
        {"Song.xml", "default"}},
       "default"},
      {"container that does not parse", {{"META-INF/container.xml", "<container>"}, {"Song.xml", "default"}}, "<null>"},
      {"named member missing",
       {{"META-INF/container.xml", Container("<rootfile full-path='gone.xml'/>")}, {"Song.xml", "default"}},
       "<null>"},
      {"names compare with case", {{"song.XML", "default"}}, "<null>"},
      {"empty score member", {{"Song.xml", ""}}, ""},
  };
  for (const Case& c : cases) {
    // The default member is the file's own name, not its whole path.
    std::string path = Zip("Song.mxl", c.members);
    EXPECT_EQ(Text(LoadMXL(path.c_str())), c.expected) << c.label;
    std::filesystem::remove(path);
  }
}

TEST_F(MXLTest, MembersAndFolders) {
  std::string path = Zip("a.mxl", {{"META-INF/", ""}, {"x/y.txt", "hello"}});
  EXPECT_EQ(Text(UnzipFile(path.c_str(), "x/y.txt")), "hello");
  EXPECT_EQ(Text(UnzipFile(path.c_str(), "META-INF/")), "");  // a folder extracts as nothing
  EXPECT_EQ(Text(UnzipFile(path.c_str(), "y.txt")), "<null>");
  EXPECT_EQ(Text(UnzipFile((dir_ + "/missing.mxl").c_str(), "x/y.txt")), "<null>");
  EXPECT_EQ(UnzipFile(nullptr, "x"), nullptr);
  EXPECT_EQ(LoadMXL(nullptr), nullptr);
  DisposeZipHandle(nullptr);
}

TEST_F(MXLTest, EncryptedMemberIsNotExtracted) {
  std::string path = Zip("Song.mxl", {{"Song.xml", "<score-partwise/>", "secret"}});
  EXPECT_EQ(Text(LoadMXL(path.c_str())), "<null>");
}

TEST_F(MXLTest, DamagedArchivesFail) {
  std::string data(20000, 'a');
  uint32_t seed = 12345;
  for (char& c : data) {
    seed = seed * 1103515245u + 12345u;
    c = static_cast<char>('a' + (seed >> 16) % 26);
  }
  std::string path = Zip("Song.mxl", {{"Song.xml", data}});
  std::string bytes;
  {
    std::ifstream in(path, std::ios::binary);
    bytes.assign(std::istreambuf_iterator<char>(in), {});
  }
  auto write = [&](const std::string& b) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(b.data(), static_cast<std::streamsize>(b.size()));
  };
  ASSERT_EQ(Text(LoadMXL(path.c_str())), data);
  // A flipped byte inside the compressed data: inflate or the checksum fails.
  std::string flipped = bytes;
  ASSERT_GT(bytes.size(), 10000u);
  flipped[30 + 8 + 5000] ^= 0x55;
  write(flipped);
  EXPECT_EQ(Text(LoadMXL(path.c_str())), "<null>");
  // Cut short: the central directory is gone.
  write(bytes.substr(0, bytes.size() / 2));
  EXPECT_EQ(Text(LoadMXL(path.c_str())), "<null>");
  write("not a zip at all");
  EXPECT_EQ(Text(LoadMXL(path.c_str())), "<null>");
}

TEST_F(MXLTest, OversizedMembersAreRefused) {
  Size previous = SetTailleMaxMembreZip(1 << 20);
  // Honest header, 4 MiB of zeros in a few kilobytes: refused on its declared size.
  std::string path = Zip("bomb.mxl", {{"bomb.xml", std::string(4 << 20, '\0')}, {"small.xml", "ok"}});
  EXPECT_LT(std::filesystem::file_size(path), 20000u);
  EXPECT_EQ(Text(UnzipFile(path.c_str(), "bomb.xml")), "<null>");
  EXPECT_EQ(Text(UnzipFile(path.c_str(), "small.xml")), "ok");

  // Lying header: the member claims 100 bytes but inflates to 4 MiB. No more
  // than the claimed size is produced, and the checksum then fails.
  std::string zeros(4 << 20, '\0');
  std::vector<Bytef> packed(compressBound(static_cast<uLong>(zeros.size())));
  z_stream zs{};
  ASSERT_EQ(deflateInit2(&zs, 9, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY), Z_OK);
  zs.next_in = reinterpret_cast<Bytef*>(zeros.data());
  zs.avail_in = static_cast<uInt>(zeros.size());
  zs.next_out = packed.data();
  zs.avail_out = static_cast<uInt>(packed.size());
  ASSERT_EQ(deflate(&zs, Z_FINISH), Z_STREAM_END);
  size_t packedSize = zs.total_out;
  deflateEnd(&zs);
  std::string liar = dir_ + "/liar.mxl";
  zipFile zf = zipOpen(liar.c_str(), APPEND_STATUS_CREATE);
  ASSERT_EQ(zipOpenNewFileInZip2(zf, "liar.xml", nullptr, nullptr, 0, nullptr, 0, nullptr, Z_DEFLATED, 9, 1), ZIP_OK);
  ASSERT_EQ(zipWriteInFileInZip(zf, packed.data(), static_cast<unsigned>(packedSize)), ZIP_OK);
  ASSERT_EQ(zipCloseFileInZipRaw(zf, 100, 0x12345678), ZIP_OK);
  ASSERT_EQ(zipClose(zf, nullptr), ZIP_OK);
  SetTailleMaxMembreZip(previous);
  EXPECT_EQ(Text(UnzipFile(liar.c_str(), "liar.xml")), "<null>");
}

TEST(MXLCorpus, CompressedScoreFromTheCorpus) {
  ASSERT_TRUE(tamrel_test::HasData("musicxml/90a-Compressed-MusicXML.mxl"));
  Handle h = LoadMXL(tamrel_test::DataPath("musicxml/90a-Compressed-MusicXML.mxl").c_str());
  ASSERT_NE(h, nullptr);
  EXPECT_EQ(GetHandleSize(h), 2494);
  char err[kXMLErrTextSize];
  XMLRootElt* root = BrowseXMLFile(h, nullptr, err, 1);
  ASSERT_NE(root, nullptr) << err;
  EXPECT_STREQ(root->head.children[0]->name, "score-partwise");
  XMLBrowserDispose(root);
  DisposeZipHandle(h);
}

}  // namespace

namespace {

// Why a container gave no score, for the one-line message; a member may grow
// to 100 times its container, 8 MiB whatever the container.
TEST_F(MXLTest, EachRefusalNamesItsReason) {
  const std::string score = "<score-partwise/>";
  struct Case {
    const char* label;
    std::vector<Member> members;
    const char* reason;
  } cases[] = {
      {"extracted", {{"Song.xml", score}}, ""},
      {"encrypted", {{"Song.xml", score, "secret"}}, "the score is encrypted"},
      {"no score member", {{"Other.xml", score}}, "the zip archive holds no score"},
      {"within the floor", {{"Song.xml", std::string(8 << 20, 'a')}}, ""},
      {"past the floor",
       {{"Song.xml", std::string((8 << 20) + 1, 'a')}},
       "the score inside the zip is larger than its memory budget"},
      {"damaged container",
       {{"META-INF/container.xml", "<container><rootfiles>"}, {"Song.xml", score}},
       "its container file is damaged: no element found at line 1"},
  };
  for (const Case& c : cases) {
    const std::string path = Zip("Song.mxl", c.members);
    Handle h = LoadMXL(path.c_str());
    EXPECT_EQ(h != nullptr, c.reason[0] == 0) << c.label;
    EXPECT_STREQ(GetRaisonEchecMXL(), c.reason) << c.label;
    DisposeZipHandle(h);
    std::filesystem::remove(path);
  }
  const std::string path = dir_ + "/Song.mxl";
  std::ofstream(path, std::ios::binary) << "not a zip at all";
  EXPECT_EQ(LoadMXL(path.c_str()), nullptr);
  EXPECT_STREQ(GetRaisonEchecMXL(), "not a zip archive");
}

}  // namespace
