// A native document whose staff places chord diagrams, previewed through the
// request driver: each placement is drawn with its own fretboard and name.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "PluginFixtures.h"
#include "model/Document.h"
#include "platform/PictDump.h"
#include "platform/QuickDraw.h"
#include "plugin/PiloteRequete.h"
#include "support/NativeDocument.h"
#include "support/NativeScore.h"
#include "support/NativeStaffObjects.h"

using namespace tamrel_test;

namespace {

size_t Compte(const std::string& texte, const std::string& motif) {
  size_t n = 0;
  for (size_t p = texte.find(motif); p != std::string::npos; p = texte.find(motif, p + 1)) n++;
  return n;
}

}  // namespace

TEST(ApercuDiagrammes, PlacementsAreDrawnWithTheStaff) {
  ScoreRecord s;
  s.bars.assign(4, BarRowRecord{});
  StaffRecord p;
  p.notes.assign(16, SignRecord{});
  p.placements.resize(2);
  for (PlacementRecord& d : p.placements) d.strings = {'x', 0, 0, 0, 0, 'o'};
  p.placements[1].chordName = "E7";
  p.placements[1].start = 4 * 40320;
  p.placements[1].end = 5 * 40320;
  p.placements[1].baseFret = 5;
  p.placements[1].dots = {{0, 0, 5}, {2, 2, 2}};
  s.staves.push_back(p);
  NativeDocument d;
  d.scores.push_back(ScoreSection(s));
  const std::vector<uint8_t> octets = WriteNativeDocument(d);
  DossierTemp dossier;
  const std::string chemin = dossier.Ecrit("diagrammes.qrv", std::string(octets.begin(), octets.end()));
  Rect page{};
  uint16_t pages = 0;
  Document* doc = LoadDocument(chemin.c_str(), &page, &pages, nullptr);
  ASSERT_NE(doc, nullptr);
  ASSERT_EQ(pages, 1);
  Rect frame = page;
  PicHandle pic = CreatePictPage(doc, 1, pages, &frame);
  ASSERT_NE(pic, nullptr);
  std::string listing;
  ASSERT_TRUE(PictDumpHandle(pic, listing));
  KillPicture(pic);
  DisposeDocument(doc);
  // Both names, the marks, the first diagram's three dots and the second's
  // dot, its barre and its base fret.
  EXPECT_EQ(Compte(listing, "\"Am\""), 1u) << listing;
  EXPECT_EQ(Compte(listing, "\"E7\""), 1u) << listing;
  EXPECT_EQ(Compte(listing, "\"x\""), 2u) << listing;
  EXPECT_EQ(Compte(listing, "\"5\""), 1u) << listing;
  EXPECT_EQ(Compte(listing, "PaintOval"), 4u) << listing;
}
