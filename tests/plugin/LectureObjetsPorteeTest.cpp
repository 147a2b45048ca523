// The objects a staff carries besides its notes and texts: tablature records
// (with harmonica and accordion blocks), chord-diagram placements, custom
// diagram blocks, graphics, laws and dynamics, written by the test writer and
// read back alone and inside whole documents.
#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "NativeFixtures.h"
#include "model/DonneesAccords.h"
#include "model/Lois.h"
#include "model/ParamEffet.h"
#include "model/Partition.h"
#include "model/Portee.h"
#include "model/QRVPOBJ.h"
#include "model/QrvDynamics.h"
#include "model/SGraphix.h"
#include "platform/Memory.h"
#include "platform/Trace.h"
#include "plugin/LectureDocument.h"
#include "stafftypes/DonneesTablature.h"
#include "support/NativeScore.h"
#include "support/NativeWriter.h"
#include "support/TestPaths.h"
#include "system/Handles.h"
#include "system/QrvFiles.h"
#include "text/Fontes.h"
#include "text/TextStyle.h"

using namespace tamrel_test;

namespace {

constexpr uint8_t kMarque = 0x5A;

class LectureObjetsPortee : public ::testing::Test {
 protected:
  void TearDown() override {
    TermineSurPtr();
    VersionQuarvelLoad = 0;
    SetTraceEnabled(false);
    lecteur.Release();
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
  Portee** Staff(int16_t i) const { return GetPorteeIndex(lecteur->partitions[0], i); }
  std::vector<uint8_t> octets_;
  NativeReader lecteur;
};

NativeDocument Doc(uint16_t version, const ScoreRecord& s, bool lzw = false) {
  NativeDocument d;
  d.version = version;
  d.lzw = lzw ? 1 : 0;
  d.scores.push_back(ScoreSection(s));
  return d;
}

ScoreRecord UnePortee(const StaffRecord& p) {
  ScoreRecord s;
  s.staves = {p};
  return s;
}

Tablature LitTablature(int16_t* resultat) {
  Tablature t;
  std::memset(&t, 0, sizeof t);
  t.partageGroupe = 1;
  *resultat = ReadTablature(&t);
  return t;
}

}  // namespace

// The record at each step of its history: strings stored three values each
// from 6.10 (one shared value before), the fingering weights and number
// style, capo and switches from 3.01, the harmonica block from 3.22, the
// accordion block from 7.50, the styles stored from 96.30 (copies of the
// number style before, the third with the record's colour).
TEST_F(LectureObjetsPortee, TablatureRecordsByVersion) {
  struct Cas {
    uint16_t version;
    uint8_t present;
    int16_t resultat;
  };
  for (const Cas& c : {Cas{0x0300, 1, 1}, Cas{0x0321, 1, 1}, Cas{0x0600, 0, 0}, Cas{0x0610, 1, 1}, Cas{0x0750, 1, 1},
                       Cas{0x0920, 1, 1}, Cas{0x9630, 1, 1}, Cas{0x9805, 1, 1}}) {
    SCOPED_TRACE(testing::Message() << std::hex << c.version);
    const uint16_t v = c.version;
    TablatureRecord t;
    t.present = c.present;
    t.instrument = v >= 0x0920 ? 70000 : -5;
    t.strings = {{64, 7, 1}, {59, 8, 2}, {55, 9, 3}, {50, 10, 4}};
    t.sharedSecond = 11;
    t.transpose = 2;
    t.mode = 1;
    t.weights = {4, 3, 2, 1, 6};
    t.numberSize = 10;
    t.numberFace = 2;
    t.colourIndex = 5;
    t.display = 19;
    t.capo = 3;
    t.bits301 = 1;  // first switch on, the second (inverted) on too
    t.gapWeight = 7;
    t.bits = 2;
    t.shared = 0;
    t.rgb = {0x1000, 0x2000, 0x3000};
    t.fontName = "";
    t.font = 21;
    t.third.size = 14;
    t.second.size = 16;
    if (v >= 0x0750) {
      AccordionRecord a;
      a.strings[0] = "Club";
      a.keyboard = {{{50, 52}, {55, 57}}};
      a.basses = {{{"C", "C E G", "G", "G B D"}}};
      t.accordion = a;
    }
    NativeWriter w(v);
    WriteTablature(w, t);
    Ouvre(w);
    int16_t resultat;
    const Tablature lu = LitTablature(&resultat);
    ApresLeRecord();
    EXPECT_EQ(resultat, c.resultat);
    EXPECT_EQ(int32_t(lu.kind), t.instrument);
    EXPECT_EQ(lu.nbCordes, 4);
    EXPECT_EQ(lu.cordes[1].valeurs[0], 59);
    EXPECT_EQ(lu.cordes[1].valeurs[1], v >= 0x0610 ? 8 : 11);
    EXPECT_EQ(lu.cordes[1].valeurs[2], v >= 0x0610 ? 2 : 0);
    EXPECT_EQ(lu.transposition, v >= 0x0610 ? 2 : 0);
    EXPECT_EQ(lu.modeNumeros, v >= 0x0610 ? 1 : 0);
    EXPECT_EQ(lu.poidsCase, 3);
    EXPECT_EQ(lu.profondeur, 6);
    EXPECT_EQ(lu.poidsEcart, 7);
    EXPECT_EQ(lu.styles[0].size, 10);
    EXPECT_EQ(lu.styles[0].face, 2);
    EXPECT_EQ(lu.flagsAffichage, 19);
    EXPECT_EQ(lu.capo, v >= 0x0301 ? 3 : 0);
    EXPECT_EQ(lu.afficheCapo, v >= 0x0301 ? 1 : 0);
    EXPECT_EQ(lu.effaceDerriere, v >= 0x0301 ? 1 : 0);
    EXPECT_EQ(lu.marquesDessinees, v >= 0x0322 ? 0 : 0);
    EXPECT_EQ(lu.liaisonsDessinees, v >= 0x0322 ? 1 : 0);
    EXPECT_EQ(lu.partageGroupe, v >= 0x0322 ? 0 : 1);
    EXPECT_EQ(lu.accordeon.present, v >= 0x0750 ? 1 : 0);
    if (v >= 0x0750) {
      EXPECT_STREQ(lu.accordeon.chaines[0], "Club");
      EXPECT_EQ(lu.accordeon.nbRangees, 2);
      EXPECT_EQ(lu.accordeon.clavier[0][1].pousse, 55);
      EXPECT_EQ(lu.accordeon.clavier[0][1].tire, 57);
      EXPECT_EQ(lu.accordeon.clavier[3][0].pousse, 63);
      EXPECT_STREQ(lu.accordeon.basses[0][0].notesTire, "G B D");
    }
    if (v >= 0x9630) {
      EXPECT_EQ(lu.styles[0].color.green, 0x2000);
      EXPECT_EQ(lu.styles[0].font, 21);
      EXPECT_EQ(lu.styles[2].size, 14);
      EXPECT_EQ(lu.styles[1].size, 16);
    } else {
      EXPECT_EQ(lu.styles[1].size, 10);
      EXPECT_EQ(lu.styles[2].size, 10);
      EXPECT_EQ(lu.styles[2].face, 2);
    }
  }

  // Before 3.01 and from 7.50 a presence of 0 is the whole record.
  for (uint16_t v : {0x0300, 0x0750, 0x9805}) {
    TablatureRecord t;
    t.present = 0;
    NativeWriter w(v);
    WriteTablature(w, t);
    EXPECT_EQ(w.Size(), 1u);
    Ouvre(w);
    int16_t resultat;
    LitTablature(&resultat);
    ApresLeRecord();
    EXPECT_EQ(resultat, 0);
  }
}

// Counts beyond the record's room: 20 strings keep 16, five keyboard rows and
// four bass rows keep 3; everything stored is read, so the record ends in
// step. A count that the stream cannot hold ends at the stream's end.
TEST_F(LectureObjetsPortee, TablatureCountsBeyondTheRecordAreDropped) {
  TablatureRecord t;
  t.strings.clear();
  for (uint16_t i = 0; i < 20; i++) t.strings.push_back({uint16_t(40 + i), 0, 0});
  AccordionRecord a;
  a.rows = 5;
  a.bassRows = 4;
  a.keyboard.assign(16, {{1, 2}, {3, 4}, {5, 6}, {7, 8}, {9, 10}});
  a.basses.assign(8, {{"A", "a", "B", "b"}, {"C", "c", "D", "d"}, {"E", "e", "F", "f"}, {"X", "x", "Y", "y"}});
  t.accordion = a;
  NativeWriter w(0x9805);
  WriteTablature(w, t);
  Ouvre(w);
  int16_t resultat;
  const Tablature lu = LitTablature(&resultat);
  ApresLeRecord();
  EXPECT_EQ(resultat, 1);
  EXPECT_EQ(lu.nbCordes, 20);
  EXPECT_EQ(lu.cordes[15].valeurs[0], 55);
  EXPECT_EQ(lu.accordeon.nbRangees, 3);
  EXPECT_EQ(lu.accordeon.nbRangeesBasses, 3);
  EXPECT_EQ(lu.accordeon.clavier[15][2].tire, 6);
  EXPECT_STREQ(lu.accordeon.basses[7][2].nomTire, "F");

  TablatureRecord beaucoup;
  beaucoup.stringCount = 60000;
  NativeWriter b(0x9805);
  WriteTablature(b, beaucoup);
  Ouvre(b);
  LitTablature(&resultat);
  EXPECT_TRUE(EndOfFile());
}

// The accordion block's settings by name; a stored keyboard of no row keeps
// one row (without pitches) and the record stays in step; a block cut short
// ends at the stream's end.
TEST_F(LectureObjetsPortee, AccordionBlockSettingsAndHostileCounts) {
  TablatureRecord t;
  AccordionRecord a;
  a.value = 1;
  a.byte = 1;
  a.bellows = 3;
  a.strings = {"", "", "", "Push", "Pull", "Chords"};
  a.firstButton = 4;
  a.rows = 0;
  a.bassRows = 9;
  a.basses.assign(8, {{"C", "C E G", "G", "G B D"}});
  t.accordion = a;
  NativeWriter w(0x9805);
  WriteTablature(w, t);
  Ouvre(w);
  int16_t resultat;
  const Tablature lu = LitTablature(&resultat);
  ApresLeRecord();
  const Accordeon& k = lu.accordeon;
  EXPECT_EQ(k.modeAffichage, 1);
  EXPECT_EQ(k.lignesAffichees, 1);
  EXPECT_EQ(k.intervalleSoufflet, 3);
  EXPECT_STREQ(k.chaines[kLibellePousseAccordeon], "Push");
  EXPECT_STREQ(k.chaines[kLibelleTireAccordeon], "Pull");
  EXPECT_STREQ(k.chaines[kFonteAccordsAccordeon], "Chords");
  EXPECT_EQ(k.premierBouton, 4);
  EXPECT_EQ(k.nbRangees, 1);
  EXPECT_EQ(k.nbRangeesBasses, 3);
  EXPECT_EQ(k.clavier[0][0].pousse, 0);
  EXPECT_STREQ(k.basses[7][0].nomTire, "G");

  AccordionRecord coupe;
  coupe.rows = 3;
  TablatureRecord c;
  c.accordion = coupe;
  NativeWriter wc(0x9805);
  WriteTablature(wc, c);
  octets_ = wc.Finish();
  ASSERT_GT(octets_.size(), 400u);
  octets_.resize(octets_.size() - 200);  // inside the keyboard
  VersionQuarvelLoad = 0x9805;
  FixeLectureSurPtr(octets_.data(), uint32_t(octets_.size()));
  LitTablature(&resultat);
  EXPECT_TRUE(EndOfFile());
}

// The harmonica block: a model code other than -1 ends it after its first
// fields (a symbol style or label mode out of range reads as its default);
// a user definition follows -1, its holes with slide pitches from
// 7.50 and extra rows from 96.30; its two counts are exchanged when the
// holes with a pitch number the first and not the second.
TEST_F(LectureObjetsPortee, HarmonicaBlocks) {
  struct Cas {
    uint16_t version;
    int16_t modele;
    uint8_t utilises, trous;
    uint8_t attenduUtilises, attenduTrous;
  };
  for (const Cas& c : {Cas{0x9805, 2, 10, 10, 0, 0}, Cas{0x0700, -1, 3, 12, 12, 3}, Cas{0x0750, -1, 12, 3, 12, 3},
                       Cas{0x9630, -1, 3, 3, 3, 3}}) {
    SCOPED_TRACE(testing::Message() << std::hex << c.version << " model " << c.modele);
    TablatureRecord t;
    t.instrument = 2000;
    t.harmonica.model = c.modele;
    t.harmonica.word = 9;
    t.harmonica.switches = 0x15;
    t.harmonica.byte2 = 4;
    t.harmonica.value = c.modele == -1 ? 9 : 3;  // symbol style: 0 to 4, else 0
    t.harmonica.byte = c.modele == -1 ? 1 : 5;   // label mode: 0 to 2, else 2
    t.harmonica.name = "Blues";
    t.harmonica.valved = 1;
    t.harmonica.usedHoles = c.utilises;
    t.harmonica.holes = c.trous;
    for (int i = 0; i < 3; i++) {
      t.harmonica.holeTable[size_t(i)].blow = uint8_t(60 + i);
      t.harmonica.holeTable[size_t(i)].slideDraw = uint8_t(70 + i);
      t.harmonica.holeTable[size_t(i)].rows[4] = uint8_t(80 + i);
    }
    NativeWriter w(c.version);
    WriteTablature(w, t);
    Ouvre(w);
    int16_t resultat;
    const Tablature lu = LitTablature(&resultat);
    ApresLeRecord();
    const Harmonica& h = lu.harmonica;
    EXPECT_EQ(lu.kind, kTablatureHarmonica);
    EXPECT_EQ(h.modele, c.modele);
    EXPECT_EQ(h.hauteurReference, 9);
    EXPECT_EQ(h.secondePasse, 1);
    EXPECT_EQ(h.cercleCoulisse, 0);
    EXPECT_EQ(h.lignesAffichees, 4);
    EXPECT_EQ(h.styleSymboles, c.modele == -1 ? 0u : 3u);
    EXPECT_EQ(h.modeLibelles, c.modele == -1 ? 1u : 2u);
    EXPECT_EQ(h.definition.nbTrousUtilises, c.attenduUtilises);
    EXPECT_EQ(h.definition.nbTrous, c.attenduTrous);
    if (c.modele == -1) {
      EXPECT_STREQ(h.definition.nomFrancais, "Blues");
      EXPECT_EQ(h.definition.souffle[2], 62);
      EXPECT_EQ(h.definition.aspireCoulisse[2], c.version >= 0x0750 ? 72 : 0);
      EXPECT_EQ(h.definition.rangees[4][2], c.version >= 0x9630 ? 82 : 0);
      EXPECT_EQ(h.definition.valves, c.version >= 0x9630 ? 1 : 0);
    }
  }
}

// Placements: positions in ticks (old ticks x 420 up to 3.1F) or piano-roll
// pixels (whole pixels x 32 up to 5.10, where the record ends), the colours
// and mode from 2.03, the id from 7.50, the fretboard from 9.20 with at most
// eight dots (the rest read and dropped).
TEST_F(LectureObjetsPortee, DiagramPlacements) {
  struct Cas {
    uint16_t version;
    uint8_t mode;
    int32_t debut, fin;
    int8_t points;
  };
  for (const Cas& c : {Cas{0x0300, 0, 96 * 420, 192 * 420, 0}, Cas{0x0500, 1, 96 * 32, 192 * 32, 0},
                       Cas{0x0800, 0, 96, 192, 0}, Cas{0x9805, 0, 96, 192, 8}}) {
    SCOPED_TRACE(testing::Message() << std::hex << c.version);
    PlacementRecord p;
    p.chordName = "Dm7";
    p.start = 96;
    p.end = 192;
    p.top = -40;
    p.words = {5, 6};
    p.colours = {4, 0, 9};
    p.mode = c.mode;
    p.id = 1234;
    p.dots.assign(11, {3, 1, 6});
    p.dots[7] = {5, 2, 2};
    NativeWriter w(c.version);
    WritePlacement(w, p);
    Ouvre(w);
    PlacementDiagramme lu;
    std::memset(&lu, 0, sizeof lu);
    EXPECT_EQ(ReadDiagrammeAccord(&lu), 1);
    ApresLeRecord();
    EXPECT_STREQ(lu.accord.nom, "Dm7");
    EXPECT_EQ(lu.debut, c.debut);
    EXPECT_EQ(lu.fin, c.fin);
    EXPECT_EQ(lu.haut, -40);
    EXPECT_EQ(lu.valeursPlacement[1], c.version >= 0x0800 ? 6 : 0);
    EXPECT_EQ(lu.couleurNom, 9);
    EXPECT_EQ(lu.modePosition, c.mode);
    EXPECT_EQ(lu.idUnique, c.version >= 0x0750 ? 1234u : 0u);
    EXPECT_EQ(lu.indexDiagramme, -1);
    EXPECT_EQ(lu.nbPoints, c.points);
    if (c.points) {
      EXPECT_EQ(lu.cordes[0], 'x');
      EXPECT_EQ(lu.points[7].caseManche, 5);
    }
  }
}

// Blocks of custom diagrams: the format word sets the version the records
// are read at (and the loaded version comes back); an unknown format, a
// negative count or a wrong end marker give none; a diagram of 64 dots or
// more is reported and leaves the stream at its end.
TEST_F(LectureObjetsPortee, CustomDiagramBlocks) {
  struct Cas {
    const char* nom;
    uint16_t format;
    std::optional<int16_t> compte;
    int diagrammes;
    uint16_t fin;
    int attendus;  // -1: none
    bool finFlux;
  };
  const Cas cas[] = {
      {"two", 512, {}, 2, 256, 2, false},
      {"old format", 257, {}, 1, 256, 1, false},
      {"oldest format", 256, {}, 1, 256, 1, false},
      {"empty", 512, {}, 0, 256, 0, false},
      {"unknown format", 300, {}, 0, 256, -1, false},
      {"negative count", 512, int16_t(-2), 0, 256, -1, false},
      {"bad end marker", 512, {}, 1, 255, -1, false},
      {"count past the stream", 512, int16_t(30000), 0, 256, -1, true},
  };
  for (const Cas& c : cas) {
    SCOPED_TRACE(c.nom);
    CustomDiagramsRecord b;
    b.format = c.format;
    b.count = c.compte;
    b.end = c.fin;
    for (int i = 0; i < c.diagrammes; i++) {
      DiagramRecord d;
      d.chord.root = uint8_t(i);
      d.chord.name = "G" + std::to_string(i);
      d.dots = {{3, 1, 1}};
      b.diagrams.push_back(d);
    }
    NativeWriter w(0x9805);
    WriteCustomDiagrams(w, b);
    const bool enPas = c.format == 300 || c.compte.value_or(0) >= 0;
    Ouvre(w);
    Handle h = ReadDiagrammesAccord();
    EXPECT_EQ(VersionQuarvelLoad, 0x9805);
    if (c.finFlux) {
      EXPECT_TRUE(EndOfFile());
    } else if (enPas) {
      ApresLeRecord();
    }
    ASSERT_EQ(h != nullptr, c.attendus >= 0);
    if (h) {
      ASSERT_EQ(GetHandleSize(h), Size(c.attendus) * Size(sizeof(DiagrammeAccord)));
      const auto* d = reinterpret_cast<const DiagrammeAccord*>(*h);
      for (int i = 0; i < c.attendus; i++) {
        EXPECT_EQ(d[i].accord.nom, "G" + std::to_string(i));
        EXPECT_EQ(d[i].nbPoints, 1);
        EXPECT_NE(d[i].idUnique, 0u);
      }
      if (c.attendus == 2) EXPECT_NE(d[0].idUnique, d[1].idUnique);
      DisposeHandle(h);
    }
  }

  // A rejected diagram: reported, none kept, the stream marked at its end.
  CustomDiagramsRecord b;
  b.diagrams.resize(2);
  b.diagrams[0].dotCount = 64;
  NativeWriter w(0x9805);
  WriteCustomDiagrams(w, b);
  Ouvre(w);
  SetTraceEnabled(true);
  testing::internal::CaptureStderr();
  EXPECT_EQ(ReadDiagrammesAccord(), nullptr);
  const std::string erreurs = testing::internal::GetCapturedStderr();
  EXPECT_NE(erreurs.find("custom chord diagram cannot be read"), std::string::npos) << erreurs;
  EXPECT_TRUE(EndOfFile());
  EXPECT_EQ(VersionQuarvelLoad, 0x9805);
}

// Graphics: the data bytes kept (or a string dropped up to 2.02), picture
// ids below 10000 raised before 9.10, positions in old ticks or whole pixels
// converted, the record ending early up to 5.10, line settings from 9.10, the
// id from 9.60 and the name from 9.63. A data length past the stream fails.
TEST_F(LectureObjetsPortee, Graphics) {
  struct Cas {
    uint16_t version;
    uint8_t mode;
    int16_t id;
    int32_t debut;
    int16_t style;
  };
  for (const Cas& c :
       {Cas{0x0202, 0, 10012, 96, 0}, Cas{0x0300, 0, 10012, 96 * 420, 0}, Cas{0x0510, 1, 10012, 96 * 32, 0},
        Cas{0x0900, 0, 10012, 96, 0}, Cas{0x0910, 0, 12, 96, 1}, Cas{0x9805, 1, 12, 96, 1}}) {
    SCOPED_TRACE(testing::Message() << std::hex << c.version);
    GraphicRecord g;
    g.byte = 7;
    g.kind = 3;
    g.data = {1, 2, 3, 4, 5};
    g.pictureId = 12;
    g.start = 96;
    g.mode = c.mode;
    g.id = 77;
    g.name = "arrow";
    g.lastWord = 3;
    NativeWriter w(c.version);
    WriteGraphic(w, g);
    Ouvre(w);
    Graphique lu;
    std::memset(&lu, 0, sizeof lu);
    EXPECT_EQ(ReadGraphique(&lu), 1);
    ApresLeRecord();
    EXPECT_EQ(lu.idPicture, c.id);
    EXPECT_EQ(lu.debut, c.debut);
    EXPECT_EQ(lu.haut, -20);
    EXPECT_EQ(lu.bas, 20);
    EXPECT_EQ(lu.ancrePixel, c.mode);
    EXPECT_EQ(lu.styleLigne, c.style);
    EXPECT_EQ(lu.extremiteFin, c.style ? 3 : 0);
    EXPECT_EQ(lu.tailleExtremite, c.style ? 6 : 0);
    EXPECT_EQ(lu.id, c.version >= 0x0960 ? 77u : 0u);
    EXPECT_STREQ(lu.nom, c.version >= 0x0963 ? "arrow" : "");
    EXPECT_EQ(lu.motFin, c.version >= 0x0960 ? 3 : 0);
    if (c.version >= 0x0203) {
      EXPECT_EQ(lu.octetGraphique, 7);
      EXPECT_EQ(lu.typeDonnees, 3u);
      ASSERT_NE(lu.donnees, nullptr);
      ASSERT_EQ(GetHandleSize(lu.donnees), 5);
      EXPECT_EQ((*lu.donnees)[4], 5);
    } else {
      EXPECT_EQ(lu.donnees, nullptr);
    }
    LibereHandle(&lu.donnees);
  }

  GraphicRecord g;
  g.data = {1, 2, 3};
  g.dataLength = 0x7FFFFFF0;
  NativeWriter w(0x9805);
  WriteGraphic(w, g);
  Ouvre(w);
  Graphique lu;
  std::memset(&lu, 0, sizeof lu);
  EXPECT_EQ(ReadGraphique(&lu), 0);
  EXPECT_TRUE(EndOfFile());
  EXPECT_EQ(lu.donnees, nullptr);
}

// Laws: name, selectors and pitch, the model note and its effects (a fermata
// note of a document before 7.50 played at 400 reads 100), the switches and
// ranges by version, and what older documents lack at a new law's defaults.
TEST_F(LectureObjetsPortee, Laws) {
  for (uint16_t v : {0x0600, 0x0740, 0x0750, 0x0800, 0x9805}) {
    SCOPED_TRACE(testing::Message() << std::hex << v);
    LawRecord l;
    l.name = "Staccato";
    l.selectorA = 3;
    l.pitch = 62;
    l.selectorB = 9;
    l.word = 44;
    l.notePlayed = 400;
    l.noteMarks = {kMarkPointOrgue, kMarkStaccato};
    l.bytes770 = {1, 1, 1, 4, 1};
    l.bits800 = 2;
    l.ranges = {10, 100, 90, 0x3101};
    l.relative = 1;
    NativeWriter w(v);
    WriteLaw(w, l);
    Ouvre(w);
    Loi lu;
    std::memset(&lu, 0, sizeof lu);
    EXPECT_EQ(ReadLoi(&lu), 1);
    ApresLeRecord();
    EXPECT_STREQ(lu.nom, "Staccato");
    EXPECT_EQ(lu.selecteurA, 3);
    EXPECT_EQ(lu.hauteur, 62);
    EXPECT_EQ(lu.selecteurB, 9);
    EXPECT_EQ(lu.motLu, 44);
    EXPECT_EQ(lu.note.pourcentJoue, v < 0x0750 ? 100 : 400);
    EXPECT_EQ(GetNbMarks(lu.effets.marks), 2);
    EXPECT_EQ(lu.horsOctave, v >= 0x0770 ? 1 : 0);
    EXPECT_EQ(lu.modeTonalite, v >= 0x0770 ? 0x0101 : 0);
    EXPECT_EQ(lu.ajustAlteration, v >= 0x0770 ? 4 : 2);
    EXPECT_EQ(lu.active, v >= 0x0800 ? 0 : 1);
    EXPECT_EQ(lu.interrupteur2, v >= 0x0800 ? 1 : 0);
    EXPECT_EQ(lu.plageBas, v >= 0x0800 ? 10 : 0);
    EXPECT_EQ(lu.plageHaut, v >= 0x0800 ? 100 : 127);
    EXPECT_EQ(lu.testMark, v >= 0x0800 ? 0x3101 : 0);
    EXPECT_EQ(lu.relatifFondamentale, v >= 0x0800 ? 1 : 0);
    EXPECT_EQ(lu.modeLegende, 1);
    DeleteTabMark(&lu.effets.marks);
  }
}

// Dynamics: text and style, switches (the third inverted into the visible
// one; pedals before 9.61 apply to their staff only), times and extent,
// values and tempo settings; before 8.50 the percent, passes and shape are
// the defaults and pedals get their value from their type; a stored percent
// of 0 reads 100.
TEST_F(LectureObjetsPortee, Dynamics) {
  struct Cas {
    uint16_t version;
    int16_t type;
    uint16_t pourcent;
    uint16_t valeur1, taille;
    uint8_t entiere, seule;
  };
  for (const Cas& c :
       {Cas{0x0610, 5, 50, 60, 100, 1, 0}, Cas{0x0800, 24, 50, 0, 100, 0, 1}, Cas{0x0850, 23, 0, 60, 100, 0, 1},
        Cas{0x0961, 23, 80, 60, 80, 1, 0}, Cas{0x9805, 22, 120, 60, 120, 1, 0}}) {
    SCOPED_TRACE(testing::Message() << std::hex << c.version);
    DynamicRecord d;
    d.type = c.type;
    d.text = "mf";
    d.style.size = 18;
    d.bits = 1 | 4;
    d.start = 40320;
    d.top = -30;
    d.end = 80640;
    d.bottom = -6;
    d.leftShift = 3;
    d.value1 = 60;
    d.value2 = 70;
    d.tempoUnit = 20160;
    d.tempoFlag = 1;
    d.progressive = 1;
    d.percent = c.pourcent;
    d.passes = 5;
    d.relative = 1;
    d.shape1 = 20;
    d.alignment = 2;
    NativeWriter w(c.version);
    WriteDynamic(w, d);
    Ouvre(w);
    Dynamique lu;
    std::memset(&lu, 0, sizeof lu);
    EXPECT_EQ(ReadDynamique(&lu), 1);
    ApresLeRecord();
    EXPECT_EQ(lu.type, c.type);
    EXPECT_STREQ(lu.texte, "mf");
    EXPECT_EQ(lu.style.size, 18);
    EXPECT_EQ(lu.actif, 1);
    EXPECT_EQ(lu.partitionEntiere, c.entiere);
    EXPECT_EQ(lu.porteeSeule, c.seule);
    EXPECT_EQ(lu.visible, 0);
    EXPECT_EQ(lu.debut, 40320);
    EXPECT_EQ(lu.haut, -30);
    EXPECT_EQ(lu.fin, 80640);
    EXPECT_EQ(lu.bas, -6);
    EXPECT_EQ(lu.decalageGauche, c.version >= 0x0800 ? 3 : 0);
    EXPECT_EQ(lu.valeur1, c.valeur1);
    EXPECT_EQ(lu.valeur2, 70);
    EXPECT_EQ(lu.uniteTempo, 20160);
    EXPECT_EQ(lu.flagTempo, 1);
    EXPECT_EQ(lu.progressif, 1);
    EXPECT_EQ(lu.taille, c.taille);
    EXPECT_EQ(lu.masquePassages, c.version >= 0x0850 ? 5u : kMasquePassagesTous);
    EXPECT_EQ(lu.relatif, c.version >= 0x0850 ? 1 : 0);
    EXPECT_EQ(lu.forme1, c.version >= 0x0850 ? 20 : 33);
    EXPECT_EQ(lu.forme2, 66);
    EXPECT_EQ(lu.alignementTempo, c.version >= 0x9630 ? 2u : 0u);
  }
}

namespace {

// A staff carrying every kind of object, at the version's gates.
StaffRecord PorteeRiche(uint16_t v) {
  StaffRecord p;
  p.size = 18;
  p.notes.assign(2, SignRecord{});
  p.placements.resize(2);
  p.placements[1].chordName = "E";
  p.graphics.resize(1);
  p.graphics[0].data = {9, 8, 7};
  TablatureRecord t;
  t.instrument = 3000;
  if (v >= 0x0750) t.accordion = AccordionRecord{};
  p.tablature = t;
  if (v >= 0x0600) {
    p.laws.resize(3);
    p.laws[0].noteMarks = {kMarkStaccato};
    p.laws[1].noteMarks = {kMarkGhost};
    p.laws[2].name = "Third";
  }
  if (v >= 0x0610) {
    p.dynamics.resize(2);
    p.dynamics[1].type = 1;
    p.dynamics[1].top = -72;
    p.dynamics[1].bottom = 0;
  }
  if (v >= 0x0960) {
    CustomDiagramsRecord b;
    b.diagrams.resize(1);
    p.customDiagrams = b;
  }
  return p;
}

}  // namespace

// Documents whose staves carry every kind of object load whole at every
// version that stores them: the staff's lists hold what was written (a
// document from 3.01 to 7.4F always stores its tablature record), laws keep
// marks of their own, and dynamics of documents up to 9.63 have their extent
// scaled from a staff of size 72.
TEST_F(LectureObjetsPortee, StavesCarryEveryObject) {
  for (uint16_t v : {0x0203, 0x0301, 0x0600, 0x0740, 0x0750, 0x0963, 0x0964, 0x9701, 0x9805}) {
    SCOPED_TRACE(testing::Message() << std::hex << v);
    ScoreRecord s = UnePortee(PorteeRiche(v));
    if (v < 0x0500) s.staves[0].notes.clear();
    s.staves.push_back(StaffRecord{});
    ASSERT_EQ(lecteur.Load(WriteNativeDocument(Doc(v, s, v >= 0x0321))), 1);
    Portee** p = Staff(0);
    EXPECT_EQ((*p)->nbDiagrammes, 2);
    ASSERT_NE((*p)->diagrammes, nullptr);
    EXPECT_STREQ(reinterpret_cast<PlacementDiagramme*>(*(*p)->diagrammes)[1].accord.nom, "E");
    int32_t n;
    const Graphique* g = GetGraphiquesPortee(p, &n);
    ASSERT_EQ(n, 1);
    ASSERT_NE(g[0].donnees, nullptr);
    EXPECT_EQ((*g[0].donnees)[2], 7);
    ASSERT_NE((*p)->tablature, nullptr);
    EXPECT_EQ(reinterpret_cast<Tablature*>(*(*p)->tablature)->kind, kTablatureAccordeon);
    EXPECT_EQ(reinterpret_cast<Tablature*>(*(*p)->tablature)->accordeon.present, v >= 0x0750 ? 1 : 0);
    EXPECT_EQ((*Staff(1))->tablature, nullptr);
    const Loi* l = GetLoisPortee(p, &n);
    ASSERT_EQ(n, v >= 0x0600 ? 3 : 0);
    if (n) {
      EXPECT_TRUE(IsMarkInParamEffet(&l[0].effets, kMarkStaccato, nullptr));
      EXPECT_TRUE(IsMarkInParamEffet(&l[1].effets, kMarkGhost, nullptr));
      EXPECT_FALSE(IsMarkInParamEffet(&l[1].effets, kMarkStaccato, nullptr));
      EXPECT_EQ(GetNbMarks(l[2].effets.marks), 0);
      EXPECT_STREQ(l[2].nom, "Third");
    }
    const Dynamique* d = GetDynamiquesPortee(p, &n);
    ASSERT_EQ(n, v >= 0x0610 ? 2 : 0);
    if (n) {
      // Size 18 of 72: a quarter.
      EXPECT_EQ(d[0].haut, v <= 0x0963 ? -9 : -36);
      EXPECT_EQ(d[0].bas, v <= 0x0963 ? -3 : -12);
      EXPECT_EQ(d[1].haut, v <= 0x0963 ? -18 : -72);
      EXPECT_EQ(d[1].bas, v <= 0x0963 ? 0 : 0);
    }
    EXPECT_EQ((*p)->diagrammesCustoms != nullptr, v >= 0x9701);
  }
}

// Documents carrying every kind of staff object, cut at every byte, fail
// cleanly (the sanitizer build sees any leak or overrun), and so do damaged
// copies.
TEST_F(LectureObjetsPortee, TruncatedDocumentsWithEveryObjectFailCleanly) {
  for (uint16_t v : {0x0600, 0x9805}) {
    SCOPED_TRACE(testing::Message() << std::hex << v);
    ScoreRecord s = UnePortee(PorteeRiche(v));
    if (v >= 0x0930) {
      CustomDiagramsRecord b;
      b.diagrams.resize(2);
      s.customDiagrams = b;
    }
    const std::vector<uint8_t> entier = WriteNativeDocument(Doc(v, s));
    ASSERT_EQ(lecteur.Load(entier), 1);
    for (size_t n = 0; n < entier.size(); n++) {
      const std::vector<uint8_t> coupe(entier.begin(), entier.begin() + long(n));
      ASSERT_EQ(lecteur.Load(coupe), 0) << "cut at " << n << " of " << entier.size();
    }
    std::mt19937 alea(unsigned(entier.size()));
    for (int i = 0; i < 300; i++) {
      std::vector<uint8_t> abime = entier;
      abime[alea() % abime.size()] = uint8_t(alea());
      lecteur.Load(abime);
    }
  }
}

// Round trip through the dump tool: a document written with every kind of
// staff object prints them back as they were written.
TEST_F(LectureObjetsPortee, TheDumpToolPrintsStaffObjects) {
  DossierTemp dossier;
  ScoreRecord s = UnePortee(PorteeRiche(0x9805));
  s.staves[0].laws[1].name = "Second";
  s.staves[0].tablature->strings.resize(4);
  CustomDiagramsRecord b;
  b.diagrams.resize(2);
  s.customDiagrams = b;
  const std::vector<uint8_t> o = WriteNativeDocument(Doc(0x9805, s));
  const std::string doc = dossier.Ecrit("objets.qrv", std::string(o.begin(), o.end()));
  const std::string sortie = dossier.Chemin("sortie.txt");
  const std::string commande = ToolPath("nativedump") + " '" + doc + "' > '" + sortie + "'";
  ASSERT_EQ(std::system(commande.c_str()), 0);
  const std::string texte = LitFichier(sortie);
  const std::string attendu =
      "    objects: 2 diagram placements (Am E), 1 graphics (data bytes 3), tablature 3000 with 4 strings and an "
      "accordion, 3 laws (Law Second Third), 2 dynamics (types 5 1), 1 custom diagrams\n"
      "  custom diagrams: 2\n";
  EXPECT_NE(texte.find(attendu), std::string::npos) << texte;
}

// Bar-number settings: what a document stores is kept (the style, interval
// and switches from 5.11); what it does not store is that of a new staff,
// numbering from bar 1 without offset or prefix.
TEST_F(LectureObjetsPortee, BarNumberSettingsOfReadStaves) {
  for (uint16_t v : {0x0500, 0x0511, 0x9805}) {
    SCOPED_TRACE(testing::Message() << std::hex << v);
    StaffRecord p;
    p.barNumberSetting = 1;
    p.barNumberInterval = 4;
    p.barNumberFlags = 5;
    p.barNumberStyle.size = 9;
    p.notes.clear();
    ASSERT_EQ(lecteur.Load(WriteNativeDocument(Doc(v, UnePortee(p)))), 1);
    const Portee* lu = *Staff(0);
    EXPECT_EQ(lu->reglageNumeroMesure, 1);
    EXPECT_EQ(lu->premiereMesureNumerotee, 1);
    EXPECT_EQ(lu->decalageNumeroMesure, 0);
    EXPECT_EQ(lu->prefixeNumeroMesure, 0);
    EXPECT_EQ(lu->intervalleNumeroMesure, v >= 0x0511 ? 4 : 1);
    EXPECT_EQ(lu->switchesNumeroMesure[2], v >= 0x0511 ? 1 : 0);
    TextStyle standard;
    FixeTextStyleStd(&standard);
    EXPECT_EQ(lu->styleNumeroMesure.size, v >= 0x0511 ? 9 : standard.size);
  }
}
