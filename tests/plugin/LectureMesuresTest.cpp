// Bar rows with their time divisions, chord definitions, custom diagrams,
// chord-grid bars and the paste modes of accompaniments with their patterns,
// written by the test writer (and, for the bar row, by hand) and read back.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "model/DonneesAccords.h"
#include "model/ModePaste.h"
#include "model/Portee.h"
#include "model/Signe.h"
#include "model/TabEltMesure.h"
#include "platform/Memory.h"
#include "platform/Trace.h"
#include "plugin/LectureDocument.h"
#include "support/NativeScore.h"
#include "support/NativeWriter.h"
#include "system/Handles.h"
#include "system/QrvFiles.h"
#include "system/Reporters.h"

using namespace tamrel_test;

namespace {

constexpr uint8_t kMarque = 0x5A;

class LectureMesures : public ::testing::Test {
 protected:
  void TearDown() override {
    TermineSurPtr();
    VersionQuarvelLoad = 0;
    SetTraceEnabled(false);
  }
  // Reads what the writer holds, the marker byte following it.
  void Ouvre(NativeWriter& w) {
    w.U8(kMarque);
    octets_ = w.Finish();
    VersionQuarvelLoad = w.Version();
    FixeLectureSurPtr(octets_.data(), uint32_t(octets_.size()));
  }
  // The marker comes next: the record was read to its last byte.
  void ApresLeRecord() {
    EXPECT_FALSE(EndOfFile());
    EXPECT_EQ(ReadCar(), kMarque);
  }
  std::vector<uint8_t> octets_;
};

}  // namespace

// One bar row of a 9.20 document written by hand from the field lists: the
// writer must give these bytes, and the reader must find every value in them.
TEST_F(LectureMesures, HandWrittenBarRowPinsTheLayout) {
  const std::vector<uint8_t> attendu =
      Hex("03 20 01"                                               // scale 800, signature shown
          "00 07 03 04 00 08 00 08 01"                             // 7/8 as 4 + 3 eighths, drawn as a symbol
          "01 00 49 00 01 00 02 00 03 00 04 00 05 00 06 00 07"     // switch; masks
          "00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00"  // 18 spare bytes
          "0D 00 14 00 05"                                         // system break, page break, continued; margins 20, 5
          "03 02 00 09");                                          // not counted, number kept; split 2; restart at 9
  BarRowRecord r;
  r.scale = 800;
  r.signatureVisible = 1;
  r.division = Division(7, 8);
  r.division.additive1 = 4;
  r.division.additive2 = 3;
  r.division.symbol = 1;
  r.division.groupBy4 = false;
  r.division.masks = {0x49, 1, 2, 3, 4, 5, 6, 7};
  r.systemBreak = r.pageBreak = r.continues = true;
  r.leftMargin = 20;
  r.rightMargin = 5;
  r.notCounted = r.numberKept = true;
  r.noteSplit = 2;
  r.restart = 9;
  NativeWriter w(0x0920);
  WriteBarRow(w, r);
  ASSERT_EQ(w.Finish(), attendu);

  Ouvre(w);
  Handle lignes = NewHandleClear(Size(sizeof(TabEltMesure)));
  ASSERT_EQ(ReadTabEltMesure(lignes, 1), 1);
  ApresLeRecord();
  const TabEltMesure& e = *GetLignesTabElt(lignes);
  EXPECT_EQ(e.echelle, 800);
  EXPECT_EQ(e.signatureVisible, 1);
  EXPECT_EQ(e.division.numerateur, 7);
  EXPECT_EQ(e.division.denominateur, 8);
  EXPECT_EQ(e.division.partieAdditive1, 4);
  EXPECT_EQ(e.division.partieAdditive2, 3);
  EXPECT_EQ(e.division.denominateurAdditif, 8);
  EXPECT_EQ(e.division.octet1, 1);
  EXPECT_EQ(e.division.octet2, 1);
  EXPECT_EQ(e.division.groupePar4, 0);
  EXPECT_EQ(e.division.masqueAccroche[0], 0x49);
  EXPECT_EQ(e.division.masqueAccroche[7], 7);
  EXPECT_EQ(e.sautSysteme, 1);
  EXPECT_EQ(e.sautPage, 1);
  EXPECT_EQ(e.continueLigneSuivante, 1);
  EXPECT_EQ(e.sautQuatrieme, 0);
  EXPECT_EQ(e.margeGauche, 20);
  EXPECT_EQ(e.margeDroite, 5);
  EXPECT_EQ(e.nonComptee, 1);
  EXPECT_EQ(e.numeroGarde, 1);
  EXPECT_EQ(e.numeroCache, 0);
  EXPECT_EQ(e.etatDecoupeNote, 2);
  EXPECT_EQ(e.numeroRedemarrage, 9);
  DisposeHandle(lignes);
}

// What each version stores of a row: margins from 7.40, the numbering bytes
// from 8.00, switches and one mask from 7.90 (all eight from 9.20); before
// 7.90 the mask is the default of the numerator. A scale outside 20..8000 is
// held in it, and a division that cannot group by four never says it can.
TEST_F(LectureMesures, BarRowsByVersion) {
  struct Cas {
    uint16_t version;
    uint16_t echelleLue;
    int16_t margeGauche;
    uint8_t nonComptee;
    uint16_t masque7;
  };
  const Cas cas[] = {
      {0x0610, 8000, 16, 0, 0},  // the default mask of 4/4 is in the first word only
      {0x073F, 8000, 16, 0, 0}, {0x0740, 8000, 30, 0, 0}, {0x07FF, 8000, 30, 0, 7},
      {0x0800, 8000, 30, 1, 7}, {0x0790, 8000, 30, 0, 7},  // one mask, copied to all eight
      {0x0920, 8000, 30, 1, 0},                            // eight masks stored
  };
  for (const Cas& c : cas) {
    SCOPED_TRACE(testing::Message() << std::hex << c.version);
    BarRowRecord r;
    r.scale = 9000;
    r.leftMargin = 30;
    r.notCounted = true;
    r.division.groupBy4 = true;
    r.division.masks = {7, 0, 0, 0, 0, 0, 0, 0};
    NativeWriter w(c.version);
    WriteBarRow(w, r);
    BarRowRecord r2 = r;
    r2.scale = 5;
    r2.division = Division(3, 4);
    r2.division.groupBy4 = true;  // a 3/4 bar cannot be grouped by four
    WriteBarRow(w, r2);
    Ouvre(w);
    Handle lignes = NewHandleClear(2 * Size(sizeof(TabEltMesure)));
    ASSERT_EQ(ReadTabEltMesure(lignes, 2), 1);
    ApresLeRecord();
    const TabEltMesure* e = GetLignesTabElt(lignes);
    EXPECT_EQ(e[0].echelle, c.echelleLue);
    EXPECT_EQ(e[1].echelle, 20);
    EXPECT_EQ(e[0].margeGauche, c.margeGauche);
    EXPECT_EQ(e[0].margeDroite, 0);
    EXPECT_EQ(e[0].nonComptee, c.nonComptee);
    EXPECT_EQ(e[0].division.masqueAccroche[0], 7);
    EXPECT_EQ(e[0].division.masqueAccroche[7], c.masque7);
    EXPECT_EQ(e[0].division.groupePar4, 1);
    EXPECT_EQ(e[1].division.groupePar4, 0);
    EXPECT_EQ(e[1].division.numerateur, 3);
    DisposeHandle(lignes);
  }
}

// Rows past the table are read and dropped, so that what follows is read in step.
TEST_F(LectureMesures, RowsPastTheTableAreReadAndDropped) {
  NativeWriter w(0x9805);
  for (int i = 0; i < 5; i++) {
    BarRowRecord r;
    r.scale = uint16_t(1000 + i);
    WriteBarRow(w, r);
  }
  Ouvre(w);
  Handle lignes = NewHandleClear(2 * Size(sizeof(TabEltMesure)));
  ASSERT_EQ(ReadTabEltMesure(lignes, 5), 1);
  ApresLeRecord();
  EXPECT_EQ(GetLignesTabElt(lignes)[1].echelle, 1001);
  EXPECT_EQ(GetNbLignesTabElt(lignes), 2);
  DisposeHandle(lignes);
}

// Chord definitions by version (the neck: none, an i16, a neck reference),
// and custom diagrams: at most five dots kept, the others read; a dot count
// of 64 or more is refused with nothing more read.
TEST_F(LectureMesures, ChordDefinitionsAndDiagrams) {
  for (uint16_t version : {0x0510, 0x0511, 0x0920}) {
    SCOPED_TRACE(testing::Message() << std::hex << version);
    ChordDefRecord c;
    c.neck = 1005;
    c.root = 4;
    c.rootAccidental = 3;
    c.third = -1;
    c.seventh = -1;
    c.fifth = 1;
    c.ninth = 2;
    c.customName = true;
    c.value = 2;
    c.octave = 0;
    c.name = "Ebm7+";
    NativeWriter w(version);
    WriteChordDef(w, c);
    Ouvre(w);
    DefAccord a;
    std::memset(&a, 0, sizeof a);
    ASSERT_EQ(ReadDefAccord(&a), 1);
    ApresLeRecord();
    EXPECT_EQ(a.neck, version < 0x0511 ? 0 : 1005);
    EXPECT_EQ(a.fondamentale, 4);
    EXPECT_EQ(a.alterationFondamentale, 3);
    EXPECT_EQ(a.tierce, -1);
    EXPECT_EQ(a.septieme, -1);
    EXPECT_EQ(a.quinte, 1);
    EXPECT_EQ(a.neuvieme, 2);
    EXPECT_EQ(a.nomPropre, 1);
    EXPECT_EQ(a.valeur, 2);
    EXPECT_EQ(a.octave, 4) << "a stored octave of 0 is 4";
    EXPECT_STREQ(a.nom, "Ebm7+");
  }

  struct Cas {
    int points;
    uint8_t compte;
    bool resultat;
    uint8_t gardes;
  };
  for (const Cas& c : {Cas{3, 3, true, 3}, Cas{7, 7, true, 5}, Cas{0, 200, false, 0}, Cas{0, 64, false, 0}}) {
    SCOPED_TRACE(c.points);
    DiagramRecord d;
    d.strings = {1, 2, 3, 4, 5, 6};
    d.baseFret = 3;
    d.kept = {8, 9};
    for (int i = 0; i < c.points; i++) d.dots.push_back({uint8_t(i + 1), 1, 6});
    d.dotCount = c.compte;
    NativeWriter w(0x9805);
    WriteDiagram(w, d);
    Ouvre(w);
    DiagrammeAccord lu;
    std::memset(&lu, 0, sizeof lu);
    EXPECT_EQ(ReadDiagramme(&lu), c.resultat);
    ApresLeRecord();
    EXPECT_EQ(lu.nbPoints, c.gardes);
    EXPECT_EQ(lu.cordes[5], 6);
    EXPECT_EQ(lu.idUnique, 0u) << "sealed by the block that keeps it";
    EXPECT_EQ(lu.caseBase, 3);
    EXPECT_EQ(lu.octetsLus[1], 9);
    if (c.gardes) {
      EXPECT_EQ(lu.points[c.gardes - 1].caseManche, c.gardes);
    }
  }
}

// A chord-grid bar: every definition is read whatever happens to one; the
// good ones are kept in order. A count outside 1..16 is reported and read
// through the first slot only, which keeps one chord.
TEST_F(LectureMesures, ChordGridBarsStayInStep) {
  struct Cas {
    const char* nom;
    std::vector<bool> bonnes;  // one per stored definition
    std::optional<uint8_t> compte;
    int16_t resultat;
    const char* premier;
    bool signale;
  };
  const Cas cas[] = {
      {"three", {true, true, true}, {}, 3, "c0", false},
      {"the second has no name", {true, false, true}, {}, 2, "c0", false},
      {"none", {}, {}, 1, "...", true},
      {"twenty", std::vector<bool>(20, true), {}, 1, "c19", true},
      {"twenty, the third without name", {true, true, false}, 20, 1, "C", true},
  };
  for (const Cas& c : cas) {
    SCOPED_TRACE(c.nom);
    GridBarRecord g;
    g.count = c.compte;
    for (size_t i = 0; i < c.bonnes.size(); i++) {
      ChordDefRecord d;
      d.name = "c" + std::to_string(i);
      d.noName = !c.bonnes[i];
      g.chords.push_back(d);
    }
    // A stated count beyond the definitions given: the rest are sound ones.
    for (size_t i = g.chords.size(); c.compte && i < *c.compte; i++) g.chords.push_back(ChordDefRecord{});
    NativeWriter w(0x9805);
    w.U8(g.count ? *g.count : uint8_t(g.chords.size()));
    for (const ChordDefRecord& d : g.chords) WriteChordDef(w, d);
    Ouvre(w);
    DefAccord cellules[16];
    std::memset(cellules, 0, sizeof cellules);
    std::strcpy(cellules[0].nom, "...");
    std::strcpy(cellules[1].nom, "untouched");
    SetTraceEnabled(true);
    testing::internal::CaptureStderr();
    EXPECT_EQ(ReadGrilleAccordMesure(cellules), c.resultat);
    const std::string erreurs = testing::internal::GetCapturedStderr();
    ApresLeRecord();
    EXPECT_STREQ(cellules[0].nom, c.premier);
    if (c.resultat == 1 && c.signale) {
      EXPECT_STREQ(cellules[1].nom, "untouched");
    }
    EXPECT_EQ(erreurs.find("ReadGrilleAccordPartition: Bad division number") != std::string::npos, c.signale);
  }
}

// The paste mode: 8 bytes without a pattern from 3.00 and 14 before; a
// pattern is a whole staff from 8.50 and bare notes before; a pattern whose
// name marks no string, or whose staff cannot be read, is freed and marks the
// stream at its end (the sanitizer build sees any leak).
TEST_F(LectureMesures, PasteModesAndPatterns) {
  for (uint16_t version : {0x0300, 0x02FF}) {
    PasteModeRecord m;
    m.mode = 3;
    m.value = 7;
    m.switchByte = 1;
    NativeWriter w(version);
    WritePasteMode(w, m);
    EXPECT_EQ(w.Size(), version == 0x0300 ? 8u : 14u);
    Ouvre(w);
    ModePaste lu{};
    ASSERT_EQ(ReadModePaste(&lu), 1);
    ApresLeRecord();
    EXPECT_EQ(lu.mode, 3);
    EXPECT_EQ(lu.valeur, 7);
    EXPECT_EQ(lu.interrupteur, 1);
    EXPECT_EQ(lu.pattern, nullptr);
  }

  for (uint16_t version : {0x0850, 0x0800}) {
    SCOPED_TRACE(testing::Message() << std::hex << version);
    PatternRecord p;
    p.name = "Bossa";
    p.time1 = 40320;
    p.type = 2;
    p.values = {1, 2, 3};
    p.staff.type = 2;
    p.staff.name = "Congas";
    p.staff.notes.assign(2, SignRecord{});
    p.notes.assign(3, SignRecord{});
    PasteModeRecord m;
    m.pattern = p;
    m.value = 4;
    NativeWriter w(version);
    WritePasteMode(w, m);
    Ouvre(w);
    ModePaste lu{};
    ASSERT_EQ(ReadModePaste(&lu), 1);
    ApresLeRecord();
    ASSERT_NE(lu.pattern, nullptr);
    EXPECT_STREQ(lu.pattern->nom, "Bossa");
    EXPECT_EQ(lu.pattern->temps1, 40320);
    EXPECT_EQ(lu.pattern->temps2, 161280);
    EXPECT_EQ(lu.pattern->typePortee, 2);
    EXPECT_EQ(lu.pattern->valeur3, 3);
    ASSERT_NE(lu.pattern->portee, nullptr);
    EXPECT_EQ((*lu.pattern->portee)->partition, nullptr);
    EXPECT_EQ((*lu.pattern->portee)->nbNotes, version == 0x0850 ? 2 : 3);
    if (version == 0x0850) {
      EXPECT_STREQ((*lu.pattern->portee)->aspect.nom, "Congas");
    }
    EXPECT_EQ(lu.valeur, 4);
    LiberePatternMesure(lu.pattern);
  }

  // Old documents stored a pattern type of 1 for drums.
  {
    PatternRecord p;
    p.type = 1;
    PasteModeRecord m;
    m.pattern = p;
    NativeWriter w(0x0600);
    WritePasteMode(w, m);
    Ouvre(w);
    ModePaste lu{};
    ASSERT_EQ(ReadModePaste(&lu), 1);
    ApresLeRecord();
    ASSERT_NE(lu.pattern, nullptr);
    EXPECT_EQ(lu.pattern->typePortee, kTypePorteeBatterie);
    LiberePatternMesure(lu.pattern);
  }

  struct Echec {
    const char* nom;
    uint16_t version;
    bool sansNom;
    int32_t notes;
  };
  for (const Echec& e :
       {Echec{"no name", 0x9805, true, 0}, Echec{"notes past the end", 0x9805, false, 30000},
        Echec{"old notes past the end", 0x0800, false, 30000}, Echec{"old negative count", 0x0800, false, -3}}) {
    SCOPED_TRACE(e.nom);
    PatternRecord p;
    p.noName = e.sansNom;
    p.staff.noteCount = e.notes;
    p.noteCount = int16_t(e.notes);
    PasteModeRecord m;
    m.pattern = p;
    NativeWriter w(e.version);
    WritePasteMode(w, m);
    Ouvre(w);
    ModePaste lu{};
    EXPECT_EQ(ReadModePaste(&lu), 0);
    EXPECT_TRUE(EndOfFile());
    EXPECT_EQ(lu.pattern, nullptr);
  }
}
