// Text drawn and measured in ports: the 8-bit calls, the music font, the
// Unicode calls with the text pictures carry, and the replay procedures.
#include <gtest/gtest.h>

#include <cairo.h>

#include <cstring>
#include <string>
#include <vector>

#include "layout/Zoom.h"
#include "model/Portee.h"
#include "platform/Fonts.h"
#include "platform/Memory.h"
#include "platform/PictContext.h"
#include "platform/PictDump.h"
#include "platform/Pictures.h"
#include "platform/QuickDraw.h"
#include "platform/TextDraw.h"
#include "platform/UnicodeText.h"
#include "text/Fontes.h"
#include "text/TextEncodings.h"
#include "text/TextStyle.h"
#include "text/UTFText.h"

namespace {

struct Op {
  std::string what;
  int16_t kind = 0;
  std::vector<uint8_t> data;
};
std::vector<Op> gOps;
void SpyComment(int16_t kind, int16_t size, Handle h) {
  Op op{"comment", kind, {}};
  if (h && size > 0) op.data.assign(*h, *h + size);
  gOps.push_back(op);
}
void SpyText(int16_t n, const void* t, Point, Point) {
  const uint8_t* p = static_cast<const uint8_t*>(t);
  gOps.push_back(Op{"text", 0, std::vector<uint8_t>(p, p + n)});
}
CQDProcs MakeSpy() {
  CQDProcs spy{};
  spy.commentProc = SpyComment;
  spy.textProc = SpyText;
  return spy;
}
const CQDProcs kSpy = MakeSpy();

// An offscreen port made current for a test, with the music font active.
class TextPort : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(ActiveFonteVellari(TAMREL_BUNDLE "/Resources/SVELLARI.TTF"));
    GetPort(&saved_);
    Rect r{0, 0, 200, 400};
    ASSERT_EQ(NewGWorld(&world_, 32, &r, nullptr, nullptr, 0), noErr);
    SetPort(world_);
    SetUnicodeApplication(1);
    gOps.clear();
  }
  void TearDown() override {
    world_->picSave = nullptr;
    gQDPictureRecorder = nullptr;
    SetPort(saved_);
    DisposeGWorld(world_);
    SetUnicodeApplication(0);
  }
  // Columns holding ink.
  int InkColumns() {
    int n = 0;
    for (int16_t x = 0; x < 400; x++) {
      for (int16_t y = 0; y < 200; y++) {
        if (QDGetPixel(world_, x, y) >> 24) {
          n++;
          break;
        }
      }
    }
    return n;
  }
  void Record() {
    world_->picSave = world_;  // any non-null: the port defines a picture
    gQDPictureRecorder = &kSpy;
  }
  CGrafPtr saved_ = nullptr;
  GWorldPtr world_ = nullptr;
};

TEST_F(TextPort, EightBitCallsMeasureAndDrawThroughTheBottlenecks) {
  TextFont(FontNumberForName("Liberation Sans"));
  TextSize(12);
  const char hello[] = "Hello";
  EXPECT_EQ(TextWidth(hello, 0, 5), 29);  // 9 + 7 + 3 + 3 + 7
  EXPECT_EQ(CharWidth('H'), 9);
  EXPECT_EQ(TextWidth(hello, 1, 1), CharWidth('e'));
  FontInfo fi;
  GetFontInfo(&fi);
  EXPECT_EQ(fi.ascent, 11);
  MoveTo(10, 50);
  DrawText(hello, 0, 5);
  Point pen;
  GetPen(&pen);
  EXPECT_EQ(pen.h, 10 + 29);
  EXPECT_GT(InkColumns(), 15);
  DrawChar('H');
  GetPen(&pen);
  EXPECT_EQ(pen.h, 39 + 9);
  // Measuring counts nothing drawn, nor a hidden pen.
  HidePen();
  DrawText(hello, 0, 5);
  ShowPen();
  GetPen(&pen);
  EXPECT_EQ(pen.h, 48 + 29);
}

TEST_F(TextPort, PlaceholderSelectsTheMusicFont) {
  TextFont(kFontePlaceholderVellari);
  TextSize(24);
  SetTextTranscoding(false);
  int16_t placeholder = CharWidth(207);
  TextFont(vellariPrint);
  int16_t music = CharWidth(207);
  TextFont(1);
  int16_t app = CharWidth(207);
  SetTextTranscoding(true);
  EXPECT_EQ(placeholder, music);
  EXPECT_NE(music, app);
  // The same through the engine's call, for a stored style's font.
  SetTextFontSize(kFontePlaceholderVellari, 24.9f);
  EXPECT_EQ(world_->txFont, vellariPrint);
  EXPECT_EQ(world_->txSize, 24);
}

TEST_F(TextPort, StandardAndPreferenceStyles) {
  TextStyle st;
  memset(&st, 0xFF, sizeof st);
  FixeTextStyleStd(&st);
  EXPECT_EQ(st.font, 3);
  EXPECT_EQ(st.size, 10);
  EXPECT_EQ(st.face, 0);
  EXPECT_EQ(st.color.red | st.color.green | st.color.blue, 0);
  TextFont(20);
  TextSize(30);
  TextFace(kFaceBold);
  UseStylePref(2);
  EXPECT_EQ(world_->txFont, 3);
  EXPECT_EQ(world_->txSize, 10);
  EXPECT_EQ(world_->txFace, 0);
}

TEST_F(TextPort, MusicCodesAndTheirWidths) {
  SetDpiDest(72);
  TextFontMusicale(nullptr, 24);
  EXPECT_EQ(GetCurrentSizeFonteMusicale(), 24);
  EXPECT_EQ(world_->txSize, 24);
  EXPECT_EQ(TextWidthCaractereMusical("12"), 5);
  EXPECT_EQ(TextWidthCaractereMusical(""), 0);
  int16_t w207 = CharWidthCaractereMusical(207);
  EXPECT_GT(w207, 0);
  EXPECT_EQ(TextWidthCaractereMusical("\xCF"), w207);
  // Drawn at the pen, which moves by the advance: the 8-bit path by the
  // whole-pixel width, the Unicode path by the truncated typographic width
  // of U+F0CF.
  int16_t typographic = UTFTextWidth(world_, "\xEF\x83\x8F", 0, 3);
  EXPECT_LE(typographic, w207);
  EXPECT_GE(typographic, w207 - 1);
  for (uint8_t unicode : {0, 1}) {
    SetUnicodeApplication(unicode);
    MoveTo(100, 100);
    DrawCharMusical(207);
    Point pen;
    GetPen(&pen);
    EXPECT_EQ(pen.h, 100 + (unicode ? typographic : w207)) << int(unicode);
  }
  EXPECT_GT(InkColumns(), 0);
  EXPECT_TRUE(GetTextTranscoding());
}

TEST_F(TextPort, StaffCharacterSizes) {
  SetDpiDest(144);
  auto* staff = new Portee();
  staff->aspect.tailleUnite = 72;
  Portee** h = &staff;
  InitTailleCaracteresSelonFonte(h);
  EXPECT_FLOAT_EQ(staff->interligne, 12.0f);
  EXPECT_FLOAT_EQ(staff->echelleSymboles, 6.0f);
  SetPort(world_);
  TextFontVellariForSize(72);
  int16_t w = CharWidthCaractereMusical(207);
  EXPECT_EQ(staff->largeurTete, (w * 613 + 356) / 713);
  staff->type = kTypePorteeGregorien;
  InitTailleCaracteresSelonFonte(h);
  EXPECT_FLOAT_EQ(staff->interligne, 16.0f);
  EXPECT_FLOAT_EQ(staff->echelleSymboles, 8.0f);
  delete staff;
  SetDpiDest(72);
}

TEST_F(TextPort, UnicodeTextDrawsAndMovesThePen) {
  TextFont(FontNumberForName("Liberation Sans"));
  TextSize(20);
  const char* t = "\xC3\xA9t\xC3\xA9\t\xE6\x97\xA5";
  int16_t w = UTFTextWidth(world_, t, 0, static_cast<int32_t>(strlen(t)));
  EXPECT_GT(w, 0);
  // A tab measures as a space.
  EXPECT_EQ(UTFTextWidth(world_, "a\tb", 0, 3), UTFTextWidth(world_, "a b", 0, 3));
  MoveTo(20, 100);
  UTFDrawText(world_, t, 0, static_cast<int32_t>(strlen(t)), 0);
  Point pen;
  GetPen(&pen);
  EXPECT_EQ(pen.h, 20 + w);
  EXPECT_GT(InkColumns(), 30);
  EXPECT_EQ(UTFTextWidth(world_, t, 0, 0), 0);
  // Outside a Unicode application: the Mac Roman text's 8-bit width.
  SetUnicodeApplication(0);
  EXPECT_EQ(UTFTextWidth(world_, "\xC3\xA9", 0, 2), CharWidth(0x8E));
}

TEST_F(TextPort, RecordedAsciiIsOneTextOperation) {
  TextFont(FontNumberForName("Liberation Sans"));
  TextSize(12);
  Record();
  MoveTo(10, 50);
  UTFDrawText(world_, "abc", 0, 3, 0);
  ASSERT_EQ(gOps.size(), 1u);
  EXPECT_EQ(gOps[0].what, "text");
  EXPECT_EQ(gOps[0].data, (std::vector<uint8_t>{'a', 'b', 'c'}));
}

TEST_F(TextPort, RecordedUnicodeCarriesItsComments) {
  TextFont(FontNumberForName("Liberation Sans"));
  TextSize(12);
  Record();
  MoveTo(10, 50);
  UTFDrawText(world_, "\xC3\xA9", 0, 2, 0);
  ASSERT_EQ(gOps.size(), 3u);
  EXPECT_EQ(gOps[0].kind, kCommentUnicodeText);
  EXPECT_EQ(gOps[0].data, (std::vector<uint8_t>{'Q', 'r', 'v', 'l', 1, 0, 0, 0, 0xC3, 0xA9}));
  EXPECT_EQ(gOps[1].kind, kCommentUnicodeText16);
  EXPECT_EQ(gOps[1].data, (std::vector<uint8_t>{0, 0, 0xE9, 0}));
  EXPECT_EQ(gOps[2].what, "text");
  EXPECT_EQ(gOps[2].data, (std::vector<uint8_t>{0x8E}));
  int16_t w = UTFTextWidth(world_, "\xC3\xA9", 0, 2);
  Point pen;
  GetPen(&pen);
  EXPECT_EQ(pen.h, 10 + w);
  EXPECT_EQ(pen.v, 50);
  // At 90 degrees the pen goes up by the width.
  MoveTo(10, 50);
  UTFDrawText(world_, "ab", 0, 2, 90);
  GetPen(&pen);
  EXPECT_EQ(pen.h, 10);
  EXPECT_EQ(pen.v, 50 - UTFTextWidth(world_, "ab", 0, 2));
}

TEST_F(TextPort, RecordedMusicCodeKeepsItsRawByte) {
  TextFont(vellariPrint);
  TextSize(24);
  Record();
  MoveTo(10, 50);
  DrawCharMusical(207);
  // Between the transcode switches: the Unicode comments, then the raw byte.
  ASSERT_EQ(gOps.size(), 5u);
  EXPECT_EQ(gOps[0].kind, 5476);
  EXPECT_EQ(gOps[1].data, (std::vector<uint8_t>{'Q', 'r', 'v', 'l', 1, 0, 0, 0, 0xEF, 0x83, 0x8F}));
  EXPECT_EQ(gOps[3].what, "text");
  EXPECT_EQ(gOps[3].data, (std::vector<uint8_t>{0xCF}));
  EXPECT_EQ(gOps[4].kind, 5477);
  // The 8-bit text drew the small note head (about 3 pixels at this size),
  // not the Mac Roman character of the byte from a text font.
  int ink = InkColumns();
  EXPECT_GT(ink, 0);
  EXPECT_LE(ink, 5);
  EXPECT_TRUE(GetTextTranscoding());
}

TEST_F(TextPort, ReplayDrawsTheCommentsText) {
  TextFont(FontNumberForName("Liberation Sans"));
  TextSize(20);
  CQDProcsPtr own = DebutRejouePictureUTF(0, nullptr);
  const CQDProcs* procs = QDGetProcs(world_);
  std::vector<uint8_t> payload;
  FabriqueCommentaireUTF("\xE6\x97\xA5\xE6\x9C\xAC", 6, 0, payload);
  Handle h = NewHandle(static_cast<Size>(payload.size()));
  memcpy(*h, payload.data(), payload.size());
  MoveTo(10, 100);
  procs->commentProc(kCommentUnicodeText, static_cast<int16_t>(payload.size()), h);
  procs->textProc(2, "??", Point{1, 1}, Point{1, 1});
  Point pen;
  GetPen(&pen);
  int16_t w = UTFTextWidth(world_, "\xE6\x97\xA5\xE6\x9C\xAC", 0, 6);
  EXPECT_EQ(pen.h, 10 + w);
  // A comment shorter than its header is not taken: the 8-bit text draws.
  procs->commentProc(kCommentUnicodeText, 7, h);
  MoveTo(10, 150);
  procs->textProc(2, "??", Point{1, 1}, Point{1, 1});
  GetPen(&pen);
  EXPECT_EQ(pen.h, 10 + TextWidth("??", 0, 2));
  DisposeHandle(h);
  FinRejouePictureUTF(own);
  EXPECT_EQ(GetPortGrafProcs(world_), own);
}

// Music codes drawn while a picture is being recorded are bracketed by the
// transcode switches, in both text paths, and a replay into a context hands
// the text engine the music font's codes, not Mac Roman characters.
std::vector<uint32_t> gReplayed;
void SpyReplay(cairo_t*, const PictReplayText& t) { gReplayed.assign(t.chars, t.chars + t.count); }

TEST_F(TextPort, MusicCodesInARecordedPictureCarryTheTranscodeSwitches) {
  for (uint8_t unicode : {0, 1}) {
    SCOPED_TRACE(int(unicode));
    SetUnicodeApplication(unicode);
    TextFont(vellariPrint);
    TextSize(24);
    Rect frame{0, 0, 100, 100};
    PicHandle pic = OpenPicture(&frame);
    ASSERT_NE(pic, nullptr);
    MoveTo(10, 50);
    DrawCharMusical(207);
    ClosePicture();
    EXPECT_TRUE(GetTextTranscoding());
    std::string dump;
    ASSERT_TRUE(PictDumpHandle(pic, dump));
    size_t off = dump.find("ShortComment 5476");
    size_t text = dump.find("\"\\xCF\"", off == std::string::npos ? 0 : off);
    size_t on = dump.find("ShortComment 5477", text == std::string::npos ? 0 : text);
    EXPECT_NE(off, std::string::npos) << dump;
    EXPECT_NE(text, std::string::npos) << dump;
    EXPECT_NE(on, std::string::npos) << dump;

    cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 100, 100);
    cairo_t* cr = cairo_create(surface);
    gReplayed.clear();
    gPictReplayTextProc = SpyReplay;
    EXPECT_TRUE(DrawPictureIntoContext(cr, pic, &frame));
    gPictReplayTextProc = PictReplayDrawText;
    EXPECT_EQ(gReplayed, (std::vector<uint32_t>{0xF0CF}));
    cairo_destroy(cr);
    cairo_surface_destroy(surface);
    KillPicture(pic);
  }
}

// Measuring a music code in a recording port switches transcoding too, and
// outside a recording nothing is recorded anywhere.
TEST_F(TextPort, MeasuringMusicCodesSwitchesTranscoding) {
  TextFont(vellariPrint);
  TextSize(24);
  Record();
  CharWidthCaractereMusical(207);
  ASSERT_EQ(gOps.size(), 2u);
  EXPECT_EQ(gOps[0].kind, 5476);
  EXPECT_EQ(gOps[1].kind, 5477);
  EXPECT_TRUE(GetTextTranscoding());
}

// A recorded picture replayed through DrawUTFPicture: plain text reaches the
// port's own text procedure, text that came with its Unicode comment is drawn
// by the Unicode engine instead of its 8-bit stand-in; the port's procedures
// are its own again afterwards.
TEST_F(TextPort, UnicodePictureReplayDrawsTheCommentsTextInstead) {
  TextFont(FontNumberForName("Liberation Sans"));
  TextSize(20);
  Rect frame{0, 0, 200, 400};
  PicHandle pic = OpenPicture(&frame);
  ASSERT_NE(pic, nullptr);
  MoveTo(10, 40);
  UTFDrawText(world_, "abc", 0, 3, 0);
  MoveTo(10, 140);
  UTFDrawText(world_, "\xE2\x82\xAC\xC3\xA9", 0, 5, 0);  // euro sign, e acute
  // A Bezier path with its raster fallback line, which the replay skips.
  const char* path =
      "START 256 0 1 2 1 1.0000 3 1 1 2 2 3 3 4 4 5 5 6 6 7 7 8 8 9 9 10 10 11 11 12 12 "
      "13 13 14 14 15 15 16 16 ";
  for (const char* c : {path, "STOP"}) {
    if (std::strcmp(c, "STOP") == 0) {
      MoveTo(10, 180);
      LineTo(50, 180);
    }
    Handle h = NewHandle(static_cast<Size>(std::strlen(c)));
    memcpy(*h, c, std::strlen(c));
    PicComment(5479, static_cast<int16_t>(std::strlen(c)), h);
    DisposeHandle(h);
  }
  ClosePicture();

  GWorldPtr target = nullptr;
  ASSERT_EQ(NewGWorld(&target, 32, &frame, nullptr, nullptr, 0), noErr);
  SetPort(target);
  CQDProcs procs;
  SetStdCProcs(&procs);
  procs.textProc = SpyText;
  procs.lineProc = [](Point) { gOps.push_back(Op{"line", 0, {}}); };
  SetPortGrafProcs(target, &procs);
  gOps.clear();
  DrawUTFPicture(pic, &frame, 0);
  EXPECT_EQ(GetPortGrafProcs(target), &procs);
  ASSERT_EQ(gOps.size(), 1u);
  EXPECT_EQ(gOps[0].data, (std::vector<uint8_t>{'a', 'b', 'c'}));
  // The Unicode text drew in the lower half; the spy drew nothing above.
  auto inkIn = [target](int16_t top, int16_t bottom) {
    for (int16_t y = top; y < bottom; y++)
      for (int16_t x = 0; x < 200; x++)
        if (QDGetPixel(target, x, y) >> 24) return true;
    return false;
  };
  EXPECT_TRUE(inkIn(110, 150));
  EXPECT_FALSE(inkIn(10, 50));
  // Outside a Unicode application the 8-bit text is drawn as recorded.
  SetUnicodeApplication(0);
  gOps.clear();
  DrawUTFPicture(pic, &frame, 0);
  ASSERT_EQ(gOps.size(), 2u);
  EXPECT_EQ(gOps[1].what, "text");
  SetPortGrafProcs(target, nullptr);
  DrawUTFPicture(nullptr, &frame, 0);
  SetPort(world_);
  DisposeGWorld(target);
  KillPicture(pic);
}

}  // namespace
