// A native document with a Gregorian staff, previewed through the request
// driver: its neumes come out as squares and diamonds, its rests as division
// strokes, and no note head of the music font is drawn.
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

using namespace tamrel_test;

namespace {

constexpr uint32_t kCroche = 20160;

// A chant line on the C clef: each inner vector is one neume (a tie from its
// first note to its last), an empty one a rest.
ScoreRecord Chant() {
  ScoreRecord s;
  s.bars.assign(5, BarRowRecord{});
  StaffRecord p;
  p.type = 9;
  p.name = "Cantus";
  p.shortName = "C.";
  KeyEntryRecord cle;
  cle.clefType = 3;
  cle.baseNote = 53;
  p.keys = std::vector<KeyEntryRecord>{cle};
  const std::vector<std::vector<std::pair<uint8_t, uint32_t>>> neumes = {
      // Bar 1: a punctum, a rising pair, a punctum, a falling pair, a punctum, a rest.
      {{60, kCroche}},
      {{62, kCroche}, {64, kCroche}},
      {{62, kCroche}},
      {{60, kCroche}, {57, kCroche}},
      {{60, kCroche}},
      {},
      // Bar 2: rise-fall, falling three (diamonds), a punctum, a rest.
      {{57, kCroche}, {60, kCroche}, {57, kCroche}},
      {{64, kCroche}, {62, kCroche}, {60, kCroche}},
      {{60, kCroche}},
      {},
      // Bar 3: a punctum, fall-rise-fall, a lengthened punctum, a rest.
      {{62, kCroche}},
      {{64, kCroche}, {62, kCroche}, {64, kCroche}, {62, kCroche}},
      {{60, 2 * kCroche}},
      {},
      // Bar 4: a rising pair, three puncta, two rests.
      {{60, kCroche}, {62, kCroche}},
      {{60, kCroche}},
      {{57, kCroche}},
      {{57, 2 * kCroche}},
      {},
      {},
      // Bar 5: two lengthened puncta and the final double division.
      {{57, 2 * kCroche}},
      {{57, 2 * kCroche}},
      {},
      {},
      {},
      {},
  };
  uint32_t id = 1;
  for (const auto& neume : neumes) {
    if (neume.empty()) {
      SignRecord r;
      r.kind = 255;
      r.duration = r.written = kCroche;
      p.notes.push_back(r);
      continue;
    }
    for (size_t k = 0; k < neume.size(); k++) {
      SignRecord n;
      n.kind = neume[k].first;
      n.duration = n.written = neume[k].second;
      if (neume.size() > 1 && (k == 0 || k + 1 == neume.size())) {
        n.effects = 1;
        if (k == 0) n.effectsRecord.tieSource = id;
        else n.effectsRecord.tieDest = id;
      }
      p.notes.push_back(n);
    }
    if (neume.size() > 1) id++;
  }
  // A tenuto over the lengthened punctum of bar 3.
  for (SignRecord& n : p.notes)
    if (n.kind == 60 && n.duration == 2 * kCroche) {
      n.effects = 1;
      n.effectsRecord.marks.push_back(MarkRecord{});
      n.effectsRecord.marks.back().code = 59;
    }
  s.staves.push_back(p);
  return s;
}

}  // namespace

TEST(ApercuGregorien, NeumesDivisionsAndNoNoteHeads) {
  NativeDocument d;
  d.scores.push_back(ScoreSection(Chant()));
  const std::vector<uint8_t> octets = WriteNativeDocument(d);
  DossierTemp dossier;
  const std::string chemin = dossier.Ecrit("chant.qrv", std::string(octets.begin(), octets.end()));
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
  int carres = 0, polygones = 0;
  size_t p = 0;
  while ((p = listing.find("PaintRect", p)) != std::string::npos) carres++, p++;
  p = 0;
  while ((p = listing.find("Poly", p)) != std::string::npos) polygones++, p++;
  // 27 notes: 23 squares, 2 diamonds and a band, and the clef's two squares.
  EXPECT_GE(carres, 23 + 2) << listing;
  EXPECT_GE(polygones, 3) << listing;
  // No filled note head (code 207) nor stem flag of the standard staff.
  EXPECT_EQ(listing.find("\\xCF"), std::string::npos) << listing;
}
