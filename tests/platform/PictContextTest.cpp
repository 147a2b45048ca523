#include <gtest/gtest.h>

#include <cairo.h>

#include <cstring>
#include <string>
#include <vector>

#include "platform/Memory.h"
#include "platform/PictComments.h"
#include "platform/PictContext.h"
#include "platform/PictFormat.h"
#include "platform/Pictures.h"
#include "support/Locales.h"
#include "support/PictBuilder.h"

namespace {

struct Surface {
  cairo_surface_t* s;
  cairo_t* cr;
  explicit Surface(int w, int h) {
    s = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, w, h);
    cr = cairo_create(s);
    cairo_set_source_rgb(cr, 1, 1, 1);
    cairo_paint(cr);
  }
  ~Surface() {
    cairo_destroy(cr);
    cairo_surface_destroy(s);
  }
  uint32_t At(int x, int y) {
    cairo_surface_flush(s);
    const uint8_t* d = cairo_image_surface_get_data(s);
    return *reinterpret_cast<const uint32_t*>(d + y * cairo_image_surface_get_stride(s) + x * 4) & 0xFFFFFF;
  }
};

// A square path from (20,20) to (60,60) with straight segments, in the new
// and the old comment forms.
std::string SquarePath(bool oldForm) {
  std::string s = oldForm ? "START 0 2 1 1.0000 4 " : "START 256 0 1 2 1 1.0000 4 ";
  const int pts[4][2] = {{20, 20}, {60, 20}, {60, 60}, {20, 60}};
  for (auto& p : pts)
    for (int k = 0; k < 3; k++) s += std::to_string(p[0]) + " " + std::to_string(p[1]) + " ";
  return s;
}

std::vector<uint8_t> BezierPicture(bool oldForm) {
  PictBuilder p = PictBuilder::V2({0, 0, 100, 100});
  std::string path = SquarePath(oldForm);
  p.LongComment(5479, path.data(), uint16_t(path.size()));
  p.Line(80, 70, 80, 90);  // raster fallback: must not show
  p.LongComment(5479, "STOP", 4);
  p.Line(95, 10, 95, 90);  // ordinary drawing after the STOP
  p.End();
  return p.b;
}

struct TextSeen {
  std::vector<uint32_t> chars;
  double x, y, angle;
  float size;
};
std::vector<TextSeen> gSeen;
void SpyText(cairo_t*, const PictReplayText& t) {
  gSeen.push_back(TextSeen{std::vector<uint32_t>(t.chars, t.chars + t.count), t.x, t.y, t.angle, t.size});
}

}  // namespace

namespace {

void ExpectBezierPathsDrawn() {
  for (bool oldForm : {false, true}) {
    std::vector<uint8_t> b = BezierPicture(oldForm);
    Handle pic = NewHandle(Size(b.size()));
    std::memcpy(*pic, b.data(), b.size());
    Surface out(200, 200);
    Rect dst{0, 0, 200, 200};  // twice the frame
    ASSERT_TRUE(DrawPictureIntoContext(out.cr, pic, &dst));
    EXPECT_EQ(out.At(80, 80), 0u) << oldForm;           // inside the scaled path
    EXPECT_EQ(out.At(30, 30), 0xFFFFFFu) << oldForm;    // outside it
    EXPECT_EQ(out.At(160, 150), 0xFFFFFFu) << oldForm;  // where the fallback line was
    EXPECT_EQ(out.At(100, 190), 0u) << oldForm;         // the line after STOP
    DisposeHandle(pic);
  }
}

}  // namespace

TEST(PictContext, BezierPathsAreDrawnAndTheirRasterFallbackSkipped) { ExpectBezierPathsDrawn(); }

// Under a host's decimal-comma locale stored paths read the same: a number's
// point is not where its reading stops.
TEST(PictContext, BezierNumbersIgnoreTheLocale) {
  tamrel_test::DecimalCommaLocale comma;
  ASSERT_TRUE(comma.active()) << comma.Missing();
  ExpectBezierPathsDrawn();
  BezierAttributs a{};
  std::vector<BezierPoint> nodes;
  const std::string s = "START 256 0 1 2 1 2.5000 1 1.25 -2.5 3.75 4 5 6.125 ";
  ASSERT_TRUE(BzParseDataComment(s.data(), int32_t(s.size()), &a, nodes));
  EXPECT_EQ(a.miterlimit, 2.5f);
  ASSERT_EQ(nodes.size(), 1u);
  EXPECT_EQ(nodes[0].xIn, 1.25f);
  EXPECT_EQ(nodes[0].yIn, -2.5f);
  EXPECT_EQ(nodes[0].x, 3.75f);
  EXPECT_EQ(nodes[0].yOut, 6.125f);
}

// The replay reads paths with the one reader of path comments.
TEST(PictContext, BezierCommentForms) {
  BezierAttributs a{};
  std::vector<BezierPoint> nodes;
  std::string s = SquarePath(false);
  ASSERT_TRUE(BzParseDataComment(s.data(), int32_t(s.size()), &a, nodes));
  EXPECT_EQ(nodes.size(), 4u);
  EXPECT_EQ(a.overlaptype, 1);
  EXPECT_EQ(a.linecap, 2);
  s = "START 7 2 1 1.0000 1 1 2 3 4 5 6 ";
  ASSERT_TRUE(BzParseDataComment(s.data(), int32_t(s.size()), &a, nodes));
  EXPECT_EQ(a.drawtype, 7);
  EXPECT_EQ(a.overlaptype, 0);
  ASSERT_EQ(nodes.size(), 1u);
  EXPECT_EQ(nodes[0].xIn, 1.0f);
  EXPECT_EQ(nodes[0].x, 3.0f);
  EXPECT_EQ(nodes[0].yOut, 6.0f);
  for (const char* bad : {"START 300 0 0 1 1 1.0 1 1 2 3 4 5 6 ", "START 256 0 0 1 1 1.0 2 1 2 3 4 5 6 ",
                          "START 256 0 0 1 1 1.0 99999999 1 ", "STAR", "START x"}) {
    EXPECT_FALSE(BzParseDataComment(bad, int32_t(strlen(bad)), &a, nodes)) << bad;
    EXPECT_TRUE(nodes.empty());
  }
}

TEST(PictContext, UnicodeCommentReplacesTheTextAndTranscodeSwitchesMarkMusicCodes) {
  PictBuilder p = PictBuilder::V2({0, 0, 100, 200});
  p.Op(0x000D);
  p.BE(10);
  p.LongComment(100, "Qrvl\x01\x00\x5A\x00\xC3\xA9t\xE2\x82\xAC", 14);  // angle 90, "ét€"
  p.LongComment(5478, "\x5A\x00\xE9\x00", 4);
  p.LongText(50, 20, "?t?");
  p.LongText(60, 20, "\x8E");  // Mac Roman e acute
  p.Op(0x00A0);
  p.BE(5476);
  p.LongText(70, 20, "\x21");
  p.Op(0x00A0);
  p.BE(5477);
  p.LongComment(100, "Qrvl\x00\x01\x00\x00zz", 10);  // version bytes 00 01: not taken
  p.LongText(80, 20, "A");
  p.End();
  Handle pic = p.ToHandle();
  Surface out(400, 200);
  Rect dst{0, 0, 200, 400};
  gSeen.clear();
  gPictReplayTextProc = SpyText;
  ASSERT_TRUE(DrawPictureIntoContext(out.cr, pic, &dst));
  gPictReplayTextProc = PictReplayDrawText;
  ASSERT_EQ(gSeen.size(), 4u);
  EXPECT_EQ(gSeen[0].chars, (std::vector<uint32_t>{0xE9, 't', 0x20AC}));
  EXPECT_EQ(gSeen[0].angle, 90.0);
  EXPECT_EQ(gSeen[0].x, 40.0);
  EXPECT_EQ(gSeen[0].y, 100.0);
  EXPECT_EQ(gSeen[0].size, 20.0f);  // the picture is drawn twice as large
  EXPECT_EQ(gSeen[1].chars, (std::vector<uint32_t>{0xE9}));
  EXPECT_EQ(gSeen[1].angle, 0.0);
  EXPECT_EQ(gSeen[2].chars, (std::vector<uint32_t>{0xF021}));
  EXPECT_EQ(gSeen[3].chars, (std::vector<uint32_t>{'A'}));
  DisposeHandle(pic);
}

TEST(PictContext, ShapesAndImagesReachTheSurface) {
  PictBuilder p = PictBuilder::V2({0, 0, 50, 50});
  p.RGBFg(0xFFFF, 0, 0);
  p.RectOp(0x0031, {10, 10, 20, 20});
  p.End();
  Handle pic = p.ToHandle();
  Surface out(50, 50);
  Rect dst{0, 0, 50, 50};
  ASSERT_TRUE(DrawPictureIntoContext(out.cr, pic, &dst));
  EXPECT_EQ(out.At(15, 15), 0xFF0000u);
  EXPECT_EQ(out.At(25, 25), 0xFFFFFFu);
  DisposeHandle(pic);
  Handle notPicture = NewHandle(5);
  EXPECT_FALSE(DrawPictureIntoContext(out.cr, notPicture, &dst));
  DisposeHandle(notPicture);
}

// A picture cut short draws what came before the damage, and says it failed.
TEST(PictContext, PicturesCutShortReportFailure) {
  PictBuilder p = PictBuilder::V2({0, 0, 50, 50});
  p.RGBFg(0xFFFF, 0, 0);
  p.RectOp(0x0031, {10, 10, 20, 20});
  const size_t before = p.b.size();
  p.RectOp(0x0031, {30, 30, 40, 40});
  p.End();
  p.b.resize(before + 5);  // inside the second rectangle
  Handle pic = p.ToHandle();
  Surface out(50, 50);
  Rect dst{0, 0, 50, 50};
  EXPECT_FALSE(DrawPictureIntoContext(out.cr, pic, &dst));
  EXPECT_EQ(out.At(15, 15), 0xFF0000u);
  EXPECT_EQ(out.At(35, 35), 0xFFFFFFu);
  DisposeHandle(pic);
  PictBuilder v1 = PictBuilder::V1({0, 0, 50, 50});
  v1.RectOp(0x31, {10, 10, 20, 20});
  v1.Op(0x25);  // not a version-1 opcode
  v1.RectOp(0x31, {30, 30, 40, 40});
  v1.End();
  pic = v1.ToHandle();
  Surface again(50, 50);
  EXPECT_FALSE(DrawPictureIntoContext(again.cr, pic, &dst));
  EXPECT_EQ(again.At(15, 15), 0u);
  EXPECT_EQ(again.At(35, 35), 0xFFFFFFu);
  DisposeHandle(pic);
}
