// Bezier paths: their comments in recorded pictures, playback through
// RozoDrawPicture (collecting, re-emitting at the new scale), and the reading
// of comments that come from documents.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "platform/Memory.h"
#include "platform/Pictures.h"
#include "support/Locales.h"
#include "system/Bezier.h"

namespace {

struct PortGuard {
  CGrafPtr port;
  GDHandle dev;
  PortGuard() { GetGWorld(&port, &dev); }
  ~PortGuard() { SetGWorld(port, dev); }
};

// A hidden port, as the document's dialog gives, made current.
struct HiddenPort {
  DialogPtr dialog;
  explicit HiddenPort(const Rect& r) {
    dialog = NewColorDialog(nullptr, &r, nullptr, false, 0, nullptr, false, 0, nullptr);
    SetGWorld(GetDialogPort(dialog), nullptr);
  }
  ~HiddenPort() { DisposeDialog(dialog); }
};

struct Seen {
  int16_t kind;
  std::string data;
};
std::vector<Seen> gComments;
std::vector<Point> gLines, gStarts;
void SpyComment(int16_t kind, int16_t size, Handle data) {
  const size_t n = QDCommentLength(size, data);
  gComments.push_back({kind, n ? std::string(*data, n) : std::string()});
}
void SpyLine(Point p) {
  GrafPtr port;
  GetPort(&port);
  gStarts.push_back(port->pnLoc);
  gLines.push_back(p);
}

// What a picture says, through a port whose comment and line procedures spy;
// with `rozo` through RozoDrawPicture.
void Play(PicHandle pic, const Rect& dst, bool rozo) {
  gComments.clear();
  gLines.clear();
  gStarts.clear();
  CGrafPtr port;
  GDHandle dev;
  GetGWorld(&port, &dev);
  CQDProcs procs;
  SetStdCProcs(&procs);
  procs.commentProc = SpyComment;
  procs.lineProc = SpyLine;
  SetPortGrafProcs(port, &procs);
  if (rozo) RozoDrawPicture(pic, &dst);
  else DrawPicture(pic, &dst);
  SetPortGrafProcs(port, nullptr);
}

std::vector<BezierPoint> Parse(const std::string& s) {
  std::vector<BezierPoint> nodes;
  BezierAttributs a;
  EXPECT_TRUE(BzParseDataComment(s.data(), int32_t(s.size()), &a, nodes)) << s.substr(0, 40);
  return nodes;
}

void Comment(const std::string& text) {
  Handle h = NewHandle(Size(text.size()));
  std::memcpy(*h, text.data(), text.size());
  PicComment(kCommentBezier, int16_t(text.size()), h);
  DisposeHandle(h);
}

std::vector<BezierPoint> Circle(int n, float cx, float cy, float r) {
  std::vector<BezierPoint> v(static_cast<size_t>(n));
  for (int i = 0; i < n; ++i) {
    float a = 6.2831853f * float(i) / float(n);
    v[size_t(i)].x = cx + r * std::cos(a);
    v[size_t(i)].y = cy + r * std::sin(a);
  }
  BzSmoothPolygon(v.data(), n, 1.0f, false);
  return v;
}

}  // namespace

TEST(Bezier, LongPathsAreSplitIntoCommentsOfAHundredNodes) {
  PortGuard guard;
  const Rect frame{0, 0, 200, 200};
  HiddenPort port(frame);
  std::vector<BezierPoint> path = Circle(250, 100, 100, 80);
  PicHandle pic = OpenPicture(&frame);
  ASSERT_NE(pic, nullptr);
  PenSize(2, 2);
  RozoDrawBezier(path.data(), int32_t(path.size()), 0, 1, 2, 1, 1.0f, 0.0f, 1);
  ClosePicture();
  Play(pic, frame, false);
  ASSERT_EQ(gComments.size(), 4u);
  const size_t counts[3] = {100, 100, 50};
  size_t at = 0;
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(gComments[size_t(i)].kind, kCommentBezier);
    EXPECT_EQ(gComments[size_t(i)].data.rfind("START 256 0 1 2 1 1.0000 ", 0), 0u);
    std::vector<BezierPoint> nodes = Parse(gComments[size_t(i)].data);
    ASSERT_EQ(nodes.size(), counts[i]);
    for (const BezierPoint& n : nodes) {
      EXPECT_NEAR(n.x, path[at].x, 0.001f);
      EXPECT_NEAR(n.yOut, path[at].yOut, 0.001f);
      ++at;
    }
  }
  EXPECT_EQ(gComments[3].data, "STOP");
  // The raster fallback: one line per row of the disc, over the pixels whose
  // centres it covers.
  ASSERT_EQ(gLines.size(), 160u);
  for (size_t i = 0; i < gLines.size(); ++i) {
    const int y = gLines[i].v;
    EXPECT_EQ(gStarts[i].v, y);
    const double half = std::sqrt(80.0 * 80.0 - (y + 0.5 - 100.0) * (y + 0.5 - 100.0));
    EXPECT_NEAR(gStarts[i].h, std::ceil(100.0 - half - 0.5), 1.0) << y;
    EXPECT_NEAR(gLines[i].h, std::floor(100.0 + half - 0.5), 1.0) << y;
  }

  // Played into a port that records, the paths come out at the new scale.
  PicHandle again = OpenPicture(&frame);
  ASSERT_NE(again, nullptr);
  const Rect twice{0, 0, 400, 400};
  RozoDrawPicture(pic, &twice);
  ClosePicture();
  Play(again, frame, false);
  ASSERT_EQ(gComments.size(), 4u);
  at = 0;
  for (int i = 0; i < 3; ++i) {
    std::vector<BezierPoint> nodes = Parse(gComments[size_t(i)].data);
    ASSERT_EQ(nodes.size(), counts[i]);
    for (const BezierPoint& n : nodes) {
      EXPECT_NEAR(n.x, 2 * path[at].x, 0.002f);
      EXPECT_NEAR(n.xIn, 2 * path[at].xIn, 0.002f);
      EXPECT_NEAR(n.y, 2 * path[at].y, 0.002f);
      ++at;
    }
  }
  EXPECT_EQ(gComments[3].data, "STOP");
  KillPicture(again);
  KillPicture(pic);
}

// A slur recorded on the document's port reaches pixels both ways: played by
// DrawPicture through its raster lines, by RozoDrawPicture as the path the
// shape drawer fills.
TEST(Bezier, RecordedSlurReachesAnOffscreenEitherWay) {
  PortGuard guard;
  const Rect frame{0, 0, 120, 400};
  std::vector<BezierPoint> slur(12);
  for (int i = 0; i < 6; ++i) {  // an arch, out along the top and back along the bottom
    const float x = 40.0f + 64.0f * float(i), lift = 60.0f * std::sin(3.14159265f * float(i) / 5.0f);
    slur[size_t(i)].x = x, slur[size_t(i)].y = 100.0f - lift;
    slur[size_t(11 - i)].x = x, slur[size_t(11 - i)].y = 100.0f - lift * 0.8f + 3.0f;
  }
  BzSmoothPolygon(slur.data(), 12, 6.0f, true);
  PicHandle pic;
  {
    HiddenPort port(frame);
    pic = OpenPicture(&frame);
    ASSERT_NE(pic, nullptr);
    RozoDrawBezier(slur.data(), 12, 0, 1, 2, 1, 1.0f, 0.0f, 1);
    ClosePicture();
  }
  for (bool rozo : {false, true}) {
    GWorldPtr w = nullptr;
    ASSERT_EQ(NewGWorld(&w, 32, &frame, nullptr, nullptr, 0), qdNoErr);
    SetGWorld(w, nullptr);
    EraseRect(&frame);
    rozo ? RozoDrawPicture(pic, &frame) : DrawPicture(pic, &frame);
    auto dark = [&](int16_t x, int16_t y) { return (QDGetPixel(w, x, y) & 0xFF0000) < 0x800000; };
    EXPECT_TRUE(dark(200, 42)) << rozo;   // the top of the arch, inside the band
    EXPECT_TRUE(dark(45, 99)) << rozo;    // near an end
    EXPECT_FALSE(dark(200, 80)) << rozo;  // under the arch
    EXPECT_FALSE(dark(200, 20)) << rozo;  // above it
    int inked = 0;
    for (int16_t y = 0; y < 120; ++y)
      for (int16_t x = 0; x < 400; ++x) inked += dark(x, y);
    EXPECT_GT(inked, 1500) << rozo;
    SetGWorld(guard.port, guard.dev);
    DisposeGWorld(w);
  }
  KillPicture(pic);
}

TEST(Bezier, PlaybackSkipsTheRasterLinesAndPassesOtherComments) {
  PortGuard guard;
  const Rect frame{0, 0, 100, 100};
  HiddenPort port(frame);
  PicHandle pic = OpenPicture(&frame);
  ASSERT_NE(pic, nullptr);
  Comment("START 256 0 1 2 1 1.0000 3 1 1 2 2 3 3 4 4 5 5 6 6 7 7 8 8 9 9 10 10 11 11 12 12 13 13 14 14 15 15 16 16 ");
  MoveTo(10, 10);
  LineTo(50, 10);  // raster fallback
  Comment("STOP");
  MoveTo(0, 60);
  LineTo(90, 60);
  Comment("START 300 0 1 2 1 1 1 0 0 0 0 0 0 ");  // unknown version: passed on
  Comment("START 7 2 1 1.5 1 0 0 1 1 2 ");        // numbers run out: passed on
  MoveTo(0, 70);
  LineTo(90, 70);  // not suppressed: the damaged comment engaged nothing
  ClosePicture();
  Play(pic, frame, true);
  ASSERT_EQ(gLines.size(), 2u);
  EXPECT_EQ(gLines[0].v, 60);
  EXPECT_EQ(gLines[1].v, 70);
  ASSERT_EQ(gComments.size(), 2u);
  EXPECT_EQ(gComments[0].data.rfind("START 300", 0), 0u);
  EXPECT_EQ(gComments[1].data.rfind("START 7", 0), 0u);
  EXPECT_FALSE(RozoInDrawPicture());
  KillPicture(pic);
}

TEST(Bezier, CommentsFromDocumentsAreReadWithinBounds) {
  const struct {
    const char* text;
    bool ok;
    int16_t drawtype, overlaptype, linecap;
    size_t nodes;
  } cases[] = {
      {"START 256 4 5 6 7 2.5000 1 1 2 3 4 5 6 ", true, 4, 5, 6, 1},
      {"START 7 2 1 1.5 1 1 2 3 4 5 6 ", true, 7, 0, 2, 1},  // older form
      {"START 300 4 5 6 7 2.5 1 1 2 3 4 5 6 ", false, 0, 0, 0, 0},
      {"START 256 4 5 6 7 2.5 0 ", false, 0, 0, 0, 0},
      {"START 256 4 5 6 7 2.5 2 1 2 3 4 5 6 ", false, 0, 0, 0, 0},      // numbers run out
      {"START 256 4 5 6 7 2.5 99999 1 2 3 4 5 6 ", false, 0, 0, 0, 0},  // more nodes than the text holds
      {"START 256 4 5 6 7 2.5 1 1 2 nan 4 5 6 ", false, 0, 0, 0, 0},
      {"START 256 4 5 6 7 2.5 1 1 2 1e30 4 5 6 ", false, 0, 0, 0, 0},
      // Numbers checked before they are narrowed: beyond 16 bits, infinite,
      // not numbers at all.
      {"START 256 40000 5 6 7 2.5 1 1 2 3 4 5 6 ", false, 0, 0, 0, 0},
      {"START 256 4 5 6 -1000000 2.5 1 1 2 3 4 5 6 ", false, 0, 0, 0, 0},
      {"START -40000 5 6 2.5 1 1 2 3 4 5 6 ", false, 0, 0, 0, 0},
      {"START 256 4 5 6 7 inf 1 1 2 3 4 5 6 ", false, 0, 0, 0, 0},
      {"START inf 4 5 6 7 2.5 1 1 2 3 4 5 6 ", false, 0, 0, 0, 0},
      {"START 256 4 5 6 7 2.5 nan 1 2 3 4 5 6 ", false, 0, 0, 0, 0},
      {"START 256 4 5 6 7 2.5 1 1 2 3 -inf 5 6 ", false, 0, 0, 0, 0},
      {"START 256 -32768 5 32767 7 2.5 1 1 2 3 4 5 6 ", true, -32768, 5, 32767, 1},
      {"START ", false, 0, 0, 0, 0},
      {"STOP", false, 0, 0, 0, 0},
  };
  for (const auto& c : cases) {
    // An exact-size copy: the reader must not look past the comment.
    std::vector<char> bytes(c.text, c.text + std::strlen(c.text));
    BezierAttributs a{};
    std::vector<BezierPoint> nodes;
    EXPECT_EQ(BzParseDataComment(bytes.data(), int32_t(bytes.size()), &a, nodes), c.ok) << c.text;
    if (!c.ok) continue;
    EXPECT_EQ(a.drawtype, c.drawtype);
    EXPECT_EQ(a.overlaptype, c.overlaptype);
    EXPECT_EQ(a.linecap, c.linecap);
    ASSERT_EQ(nodes.size(), c.nodes);
    EXPECT_EQ(nodes[0].xIn, 1.0f);
    EXPECT_EQ(nodes[0].x, 3.0f);
    EXPECT_EQ(nodes[0].yOut, 6.0f);
  }
  // Without the trailing space the last number still ends the text.
  std::string last = "START 256 0 0 0 0 1 1 1 2 3 4 5 6";
  std::vector<BezierPoint> nodes;
  EXPECT_TRUE(BzParseDataComment(last.data(), int32_t(last.size()), nullptr, nodes));
  EXPECT_FALSE(BzProcessBezierCommand("ST", 2, false, nullptr));
}

TEST(Bezier, NumbersAreWrittenShort) {
  const struct {
    float v;
    const char* text;
  } cases[] = {{12.5f, "12.5 "}, {-0.0004f, "-0 "}, {3.0f, "3 "}, {0.1234f, "0.123 "}, {-250.75f, "-250.75 "}};
  for (const auto& c : cases) {
    Handle h = NewHandle(0);
    BzAddVal(h, c.v);
    EXPECT_EQ(std::string(*h, size_t(GetHandleSize(h))), c.text);
    DisposeHandle(h);
  }
  BezierPoint p{1, 2, 0.5f, 0.25f, 3, 4};
  Handle h = BzGetDataHandle(&p, 1, BezierAttributs{1, 2, 3, 4, 1.5f});
  EXPECT_EQ(std::string(*h, size_t(GetHandleSize(h))), "START 256 1 2 3 4 1.5000 1 0.5 0.25 1 2 3 4 ");
  DisposeHandle(h);
}

// A host may run under a locale whose decimal mark is a comma: the comments
// keep the point both ways, so a path recorded and replayed there, or stored
// by another machine, reads the same.
TEST(Bezier, PathsRecordAndReplayUnderADecimalCommaLocale) {
  tamrel_test::DecimalCommaLocale comma;
  ASSERT_TRUE(comma.active()) << comma.Missing();
  PortGuard guard;
  const Rect frame{0, 0, 200, 200};
  HiddenPort port(frame);
  const std::vector<BezierPoint> path = Circle(8, 100.5f, 100.25f, 40.5f);
  PicHandle pic = OpenPicture(&frame);
  ASSERT_NE(pic, nullptr);
  RozoDrawBezier(path.data(), int32_t(path.size()), 0, 1, 2, 1, 2.5f, 0.0f, 1);
  ClosePicture();
  // Replayed at twice the size into a recording picture: read, scaled, written again.
  PicHandle again = OpenPicture(&frame);
  ASSERT_NE(again, nullptr);
  const Rect twice{0, 0, 400, 400};
  RozoDrawPicture(pic, &twice);
  ClosePicture();
  const struct {
    PicHandle pic;
    float scale;
  } recorded[] = {{pic, 1.0f}, {again, 2.0f}};
  for (const auto& r : recorded) {
    Play(r.pic, frame, false);
    ASSERT_EQ(gComments.size(), 2u) << r.scale;
    const std::string& text = gComments[0].data;
    EXPECT_EQ(text.rfind("START 256 0 1 2 1 2.5000 8 ", 0), 0u) << text;
    EXPECT_EQ(text.find(','), std::string::npos) << text;
    std::vector<BezierPoint> nodes = Parse(text);
    ASSERT_EQ(nodes.size(), path.size());
    for (size_t i = 0; i < path.size(); ++i) {
      EXPECT_NEAR(nodes[i].x, r.scale * path[i].x, 0.002f) << i;
      EXPECT_NEAR(nodes[i].y, r.scale * path[i].y, 0.002f) << i;
      EXPECT_NEAR(nodes[i].xIn, r.scale * path[i].xIn, 0.002f) << i;
      EXPECT_NEAR(nodes[i].yOut, r.scale * path[i].yOut, 0.002f) << i;
    }
    EXPECT_EQ(gComments[1].data, "STOP");
  }
  KillPicture(again);
  KillPicture(pic);
  // Written elsewhere with points: read whole, not cut at the point.
  const std::string stored = "START 256 4 5 6 7 2.5000 1 1.25 -2.5 3 4 5.125 6 ";
  BezierAttributs a{};
  std::vector<BezierPoint> nodes;
  ASSERT_TRUE(BzParseDataComment(stored.data(), int32_t(stored.size()), &a, nodes));
  EXPECT_EQ(a.miterlimit, 2.5f);
  ASSERT_EQ(nodes.size(), 1u);
  EXPECT_EQ(nodes[0].xIn, 1.25f);
  EXPECT_EQ(nodes[0].yIn, -2.5f);
  EXPECT_EQ(nodes[0].xOut, 5.125f);
  Handle h = NewHandle(0);
  BzAddVal(h, -250.75f);
  EXPECT_EQ(std::string(*h, size_t(GetHandleSize(h))), "-250.75 ");
  DisposeHandle(h);
}

TEST(Bezier, GeometryHelpers) {
  float x, y;
  BzGetMedianeDroite(0, 0, 10, 0, 20, 0, &x, &y);  // travelling right: right is down on the screen
  EXPECT_FLOAT_EQ(x, 0.0f);
  EXPECT_FLOAT_EQ(y, 1.0f);
  BzGetMedianeGauche(0, 0, 10, 0, 20, 0, &x, &y);
  EXPECT_FLOAT_EQ(y, -1.0f);
  BzGetMedianeDroite(0, 0, 10, 0, 0, 0, &x, &y);  // turning back: the way in
  EXPECT_FLOAT_EQ(y, 1.0f);
  BzGetMedianeDroite(5, 5, 5, 5, 5, 5, &x, &y);  // no direction at all
  EXPECT_EQ(x, 0.0f);
  EXPECT_EQ(y, 0.0f);
  BezierPoint n[2] = {{-1.5f, 2.5f, -3.2f, 2, 0, 0}, {10, 20, 9, 19, 11.7f, 21}};
  Rect r;
  BzGetBBox(n, 2, &r);
  EXPECT_EQ(r.left, -3);
  EXPECT_EQ(r.top, 0);
  EXPECT_EQ(r.right, 12);
  EXPECT_EQ(r.bottom, 22);
  // Repeated nodes have no length: smoothing divides nothing by zero.
  BezierPoint same[4] = {};
  BzSmoothPolygon(same, 4, 6.0f, true);
  EXPECT_EQ(same[1].xOut, 0.0f);
}
