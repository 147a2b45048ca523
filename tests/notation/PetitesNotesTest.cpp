// Grace-note series: the tables of a note's grace notes (and of its trill),
// the series drawn before and after their note with stems, beams, slash and
// slur, the chord drawer handing a note's grace notes over, and the note
// walk's scratch state given back whichever way a series ends.
#include <algorithm>
#include <cstdio>
#include <cstring>

#include "NotationFixtures.h"
#include "model/BarTableFixtures.h"
#include "model/ParamEffet.h"
#include "model/Partition.h"
#include "model/Portee.h"
#include "model/Signe.h"
#include "notation/DessinCorps.h"
#include "notation/PetitesNotes.h"
#include "notation/Queues.h"
#include "notation/SCleGraf.h"
#include "notation/TaillesPortee.h"
#include "notation/ValeursNotes.h"
#include "platform/Memory.h"

namespace {

constexpr int32_t kNoire = 40320;

int16_t Y(Portee**, int32_t, int32_t, const Signe* s, uint8_t* flags) {
  if (flags) *flags = s->alteration & 7;
  return int16_t(140 - (s->kind - 64) * 3);
}

struct PetitesNotesTest : BarTableTest {
  EnvNotation env;
  Portee** staff = nullptr;
  static void SetUpTestSuite() { ActiveFonteMusicale(); }
  PetitesNotesTest() {
    Mesures(4);
    staff = Portee0();
    Portee& p = **staff;
    p.aspect.tailleUnite = 72;
    p.interligne = 6.0f;
    p.rect = Rect{100, 0, 200, 2000};
    p.decalageLigneBas = 40;
    p.largeurTete = 8;
    p.espaceCrochets = 6;
    p.penteMaxBarre = 100;
    p.modeSilencesFantomes = 0;
    p.vecteurs.vect_Note2Ecr = &Y;
    nbQueue = 0;
  }
  ~PetitesNotesTest() override { LibereTabCorps(); }
  Signe& S(int32_t i) {
    int32_t n;
    return GetSignesPortee(staff, &n)[i];
  }
  // A quarter note of a pitch; returns its index.
  int32_t Note(int8_t pitch = 72) {
    AjouteSigne(staff, pitch, kNoire);
    int32_t n;
    GetSignesPortee(staff, &n);
    S(n - 1).taille = 100;
    return n - 1;
  }
  // A grace note before (or after) note i, offset in semitones.
  void Grace(int32_t i, int8_t offset, bool after = false, uint8_t accidental = kAlterationAucune) {
    ASSERT_EQ(AddGraceNote(staff, i, after ? 1 : 0, uint8_t(offset), accidental, 1, -1), 1);
  }
  ParamEffet& E(int32_t i) { return *GetParamEffetIndexNote(staff, i); }
  // The grace notes of note i drawn with its head at x 200.
  std::vector<std::string> Trace(int32_t i, int16_t* result = nullptr, const Point* hit = nullptr) {
    int16_t r = -1;
    auto ops = Enregistre([&] {
      r = TraceGraceNotes(staff, 1, 200, 0, Y(staff, 0, i, &S(i), nullptr), i, &S(i), uint16_t(S(i).indexParamEffet),
                          hit, 0);
    });
    if (result) *result = r;
    return ops;
  }
};

// Heads drawn (glyph 207) as (x, y), in drawing order; the text origin
// follows the picture's relative text operations.
std::vector<std::pair<int, int>> Tetes(const std::vector<std::string>& ops) {
  std::vector<std::pair<int, int>> out;
  int v = 0, h = 0;
  for (const std::string& op : ops) {
    int a = 0, b = 0;
    if (std::sscanf(op.c_str(), "LongText (%d,%d)", &a, &b) == 2) {
      v = a;
      h = b;
    } else if (std::sscanf(op.c_str(), "DHDVText %d %d", &a, &b) == 2) {
      h += a;
      v += b;
    } else if (std::sscanf(op.c_str(), "DHText %d", &a) == 1) {
      h += a;
    } else if (std::sscanf(op.c_str(), "DVText %d", &a) == 1) {
      v += a;
    } else {
      continue;
    }
    if (op.find("\"\\xCF\"") != std::string::npos) out.emplace_back(h, v);
  }
  return out;
}
// Straight strokes that are not vertical (beams and slashes): their start.
std::vector<std::pair<int, int>> Obliques(const std::vector<std::string>& ops) {
  std::vector<std::pair<int, int>> out;
  for (const std::string& op : ops) {
    int v = 0, h = 0, dh = 0, dv = 0;
    if (std::sscanf(op.c_str(), "ShortLine (%d,%d) %d %d", &v, &h, &dh, &dv) == 4 && dh != 0) out.emplace_back(h, v);
  }
  return out;
}
// Flags: up-stem and down-stem flag glyphs.
int Crochets(const std::vector<std::string>& ops) {
  int n = 0;
  for (int g : Glyphes(ops))
    if (g == kGlypheCrochetHaut1 || g == kGlypheCrochetBas1 || g == kGlypheCrochetHaut2 || g == kGlypheCrochetBas2) n++;
  return n;
}
int Courbes(const std::vector<std::string>& ops) { return int(Filtre(ops, {"ShortLineFrom", "LineFrom"}).size()); }

TEST_F(PetitesNotesTest, TablesOfANotesGraceNotes) {
  const int32_t sans = Note();
  const int32_t i = Note(64);
  S(i).couleur = 7;
  Grace(i, 2);
  Grace(i, -1, true);
  Grace(i, 4, false, 1);
  Grace(i, 5);
  E(i).graces[2].accord = 1;
  E(i).graces[2].liaison = 1;
  E(i).graces[2].decalageDuree = 1;
  // The first unused slot ends the list: the fourth note is not read.
  E(i).graces[3].utilise = 0;
  GraceEntry avant[kMaxGraceEntries], apres[kMaxGraceEntries];
  int16_t na = -1, np = -1;
  EXPECT_EQ(CalculeTabGraceNotes(staff, &S(sans), sans, 1, &na, &np, avant, apres), 0);
  EXPECT_EQ(na + np, 0);
  ASSERT_EQ(CalculeTabGraceNotes(staff, &S(i), i, 0, &na, &np, avant, apres), 1);
  ASSERT_EQ(na, 2);
  ASSERT_EQ(np, 1);
  EXPECT_EQ(avant[0].slot, 0);
  EXPECT_EQ(avant[0].hauteur, 2);
  EXPECT_EQ(avant[1].slot, 2);
  EXPECT_EQ(avant[1].hauteur, 4);
  EXPECT_EQ(avant[1].alteration, 1);
  EXPECT_EQ(avant[1].accord, 1);
  EXPECT_EQ(avant[1].flags, 1);
  EXPECT_EQ(avant[1].decalageDuree, 1);
  EXPECT_EQ(avant[1].couleur, 7);
  EXPECT_EQ(apres[0].slot, 1);
  EXPECT_EQ(apres[0].hauteur, -1);

  // A trill stands for three notes after its note: the step above, the
  // note, the step above (E to F: one semitone), in the trill mark's colour.
  const int32_t m = AddMarkNote(staff, i, 31, 0, 0, 0);
  ASSERT_GE(m, 0);
  reinterpret_cast<Mark*>(*E(i).marks)[m].couleur = 9;
  ASSERT_EQ(CalculeTabGraceNotes(staff, &S(i), i, 1, &na, &np, avant, apres), 1);
  ASSERT_EQ(np, 4);
  EXPECT_EQ(apres[1].hauteur, 1);
  EXPECT_EQ(apres[2].hauteur, 0);
  EXPECT_EQ(apres[3].hauteur, 1);
  EXPECT_EQ(apres[3].couleur, 9);
  EXPECT_EQ(apres[0].couleur, 7);
  // Without ornaments the trill adds nothing.
  CalculeTabGraceNotes(staff, &S(i), i, 0, &na, &np, avant, apres);
  EXPECT_EQ(np, 1);

  // Nine grace notes after the note and the trill's three: the table stops at ten.
  for (GraceNote& g : E(i).graces) {
    g.utilise = 1;
    g.apres = 1;
  }
  E(i).graces[9].utilise = 0;
  CalculeTabGraceNotes(staff, &S(i), i, 1, &na, &np, avant, apres);
  EXPECT_EQ(na, 0);
  EXPECT_EQ(np, kMaxGraceEntries);
  // The effects record may switch them all off.
  E(i).sansGraces = 1;
  EXPECT_EQ(CalculeTabGraceNotes(staff, &S(i), i, 0, &na, &np, avant, apres), 0);
  EXPECT_EQ(na + np, 0);
}

TEST_F(PetitesNotesTest, ALoneGraceNoteBeforeItsNote) {
  const int32_t i = Note();
  Grace(i, 2);
  struct {
    uint8_t enBas, barre;
    int glyphe;  // its flag
  } cases[] = {
      {0, 1, kGlypheCrochetHaut1}, {0, 0, kGlypheCrochetHaut1}, {1, 1, kGlypheCrochetBas1}, {1, 0, kGlypheCrochetBas1}};
  for (const auto& c : cases) {
    E(i).quatreOctets[kGraceOctetQueueEnBas] = c.enBas;
    E(i).quatreOctets[kGraceOctetBarre] = c.barre;
    int16_t r = 0;
    const auto ops = Trace(i, &r);
    EXPECT_EQ(r, -1);
    // One small head (the grace size of a 72-point staff) ending left of the note's head.
    EXPECT_NE(std::find(ops.begin(), ops.end(), "TxSize 43"), ops.end()) << int(c.enBas);
    const auto tetes = Tetes(ops);
    ASSERT_EQ(tetes.size(), 1u);
    EXPECT_LT(tetes[0].first + 4, 200);
    EXPECT_GT(tetes[0].first, 180);
    EXPECT_EQ(tetes[0].second, 123);  // D5 on the fourth line (122), the glyph's origin a pixel below
    const auto g = Glyphes(ops);
    EXPECT_EQ(std::count(g.begin(), g.end(), c.glyphe), 1) << int(c.enBas);
    // The slash crosses the stem only when asked for.
    EXPECT_EQ(Obliques(ops).size(), c.barre ? 1u : 0u) << int(c.enBas) << int(c.barre);
  }
}

TEST_F(PetitesNotesTest, EighthsAreBeamedQuartersNever) {
  const int32_t i = Note();
  Grace(i, -3);
  Grace(i, 2);
  Grace(i, 5);
  E(i).quatreOctets[kGraceOctetBarre] = 1;
  E(i).quatreOctets[kGraceOctetQueueEnBas] = 0;
  // Eighths: one beam line over three stems, no flag and no slash.
  auto ops = Trace(i);
  auto tetes = Tetes(ops);
  ASSERT_EQ(tetes.size(), 3u);
  EXPECT_LT(tetes[0].first, tetes[1].first);
  EXPECT_LT(tetes[1].first, tetes[2].first);
  EXPECT_LT(tetes[2].first, 200);
  EXPECT_EQ(Crochets(ops), 0);
  EXPECT_EQ(Obliques(ops).size(), 1u);
  // Quarters (a grace value of 64 sixty-fourths): lone stems, nothing across them.
  E(i).quatreOctets[kGraceOctetDuree] = 64;
  ops = Trace(i);
  EXPECT_EQ(Tetes(ops).size(), 3u);
  EXPECT_EQ(Crochets(ops), 0);
  EXPECT_TRUE(Obliques(ops).empty());
  EXPECT_EQ(Filtre(ops, {"ShortLine", "Line"}).size(), 3u);
  // Sixteenths (the slots' duration shift): two beams.
  E(i).quatreOctets[kGraceOctetDuree] = 32;
  for (int k = 0; k < 3; k++) E(i).graces[k].decalageDuree = 1;
  EXPECT_EQ(Obliques(Trace(i)).size(), 2u);
}

TEST_F(PetitesNotesTest, StemsEvenedToOneBeamLineWhenAsked) {
  const int32_t i = Note();
  Grace(i, -3);
  Grace(i, 5);
  E(i).quatreOctets[kGraceOctetBarre] = 0;
  E(i).quatreOctets[kGraceOctetQueueEnBas] = 0;
  auto pente = [&] {
    const auto ops = Trace(i);
    int v = 0, h = 0, dh = 0, dv = 0;
    for (const std::string& op : ops)
      if (std::sscanf(op.c_str(), "ShortLine (%d,%d) %d %d", &v, &h, &dh, &dv) == 4 && dh != 0) return dv;
    return -999;
  };
  EXPECT_LT(pente(), 0);  // the beam rises with the notes
  E(i).graceLierTout = 1;
  EXPECT_EQ(pente(), 0);  // one tip for all: the highest
}

TEST_F(PetitesNotesTest, BeforeAndAfterTheNoteWithTheirSlurs) {
  const int32_t i = Note();
  Grace(i, 2);
  Grace(i, -2, true);
  E(i).quatreOctets[kGraceOctetBarre] = 0;
  E(i).quatreOctets[kGraceOctetQueueEnBas] = 0;
  auto ops = Trace(i);
  const auto tetes = Tetes(ops);
  ASSERT_EQ(tetes.size(), 2u);
  // Before-notes first, left of the head; after-notes right of it, before the next note.
  EXPECT_LT(tetes[0].first, 200);
  EXPECT_GT(tetes[1].first, 208);
  EXPECT_LT(tetes[1].first, 200 + CvtTempsEnPixelEcran(score, kNoire) - CvtTempsEnPixelEcran(score, 0));
  // The B flat after the note shows its flat: measuring it did not put it in force.
  const auto g = Glyphes(ops);
  EXPECT_EQ(std::count(g.begin(), g.end(), 98), 1);
  EXPECT_EQ(Courbes(ops), 0);
  // Slurred: a curve from under each series to the note's head.
  E(i).quatreOctets[kGraceOctetCoule] = 1;
  ops = Trace(i);
  EXPECT_GT(Courbes(ops), 0);
  std::vector<std::pair<int, int>> debuts;
  for (const std::string& op : ops) {
    int v = 0, h = 0, dh = 0, dv = 0;
    if (std::sscanf(op.c_str(), "ShortLine (%d,%d) %d %d", &v, &h, &dh, &dv) == 4 && dh != 0) debuts.emplace_back(h, v);
  }
  ASSERT_EQ(debuts.size(), 2u);
  EXPECT_GT(debuts[0].second, tetes[0].second);  // under the grace head
  EXPECT_LT(debuts[0].first, 200);
  EXPECT_GT(debuts[1].first, 200);
}

TEST_F(PetitesNotesTest, NothingToDraw) {
  const int32_t sans = Note();
  const int32_t i = Note();
  Grace(i, 2);
  int16_t r = 0;
  EXPECT_TRUE(
      Enregistre([&] { r = TraceGraceNotes(staff, 1, 200, 0, 116, sans, &S(sans), 65535, nullptr, 0); }).empty());
  EXPECT_EQ(r, -1);
  S(i).taille = 0;
  EXPECT_TRUE(Trace(i, &r).empty());
  EXPECT_EQ(r, -1);
  S(i).taille = 100;
  E(i).sansGraces = 1;
  EXPECT_TRUE(Trace(i, &r).empty());
  EXPECT_EQ(r, -1);
  E(i).sansGraces = 0;
  // Only placed: nothing drawn, and the head under a point still found.
  r = 0;
  std::vector<std::string> ops = Enregistre(
      [&] { r = TraceGraceNotes(staff, 0, 200, 0, 116, i, &S(i), uint16_t(S(i).indexParamEffet), nullptr, 0); });
  EXPECT_TRUE(Tetes(ops).empty());
  EXPECT_EQ(r, -1);
}

TEST_F(PetitesNotesTest, AHeadUnderThePoint) {
  const int32_t i = Note();
  Grace(i, 2);
  Grace(i, 4);
  const auto tetes = Tetes(Trace(i));
  ASSERT_EQ(tetes.size(), 2u);
  int16_t r = -2;
  const Point sur{int16_t(tetes[1].second), int16_t(tetes[1].first + 2)};
  Trace(i, &r, &sur);
  EXPECT_EQ(r, 1);
  const Point loin{10, 10};
  Trace(i, &r, &loin);
  EXPECT_EQ(r, -1);
}

// The scratch state a series borrows: the stem group, the head table, the
// beam pen and the staff's bar cutting, with marks to recognise them.
struct Etat {
  QueueEntry queues[2];
  int16_t nbQueue;
  CorpsEntry** tabCorps;
  int16_t nbCorps, nbCorpsGranuleux;
  uint8_t sansDecoupe, inDrawGrace;
  int16_t largeur, ecart;
  bool operator==(const Etat& o) const {
    return !std::memcmp(queues, o.queues, sizeof queues) && nbQueue == o.nbQueue && tabCorps == o.tabCorps &&
           nbCorps == o.nbCorps && nbCorpsGranuleux == o.nbCorpsGranuleux && sansDecoupe == o.sansDecoupe &&
           inDrawGrace == o.inDrawGrace && largeur == o.largeur && ecart == o.ecart;
  }
};

TEST_F(PetitesNotesTest, TheWalksScratchStateIsGivenBack) {
  const int32_t i = Note();
  Grace(i, 2);
  Grace(i, 4);
  // A walk half way: two stems waiting and a head table of its own.
  nbQueue = 0;
  AjouteQueue(8, 100, 1, 20160, 0, 1, 1, 0, 0, 0, 0, 0, 0, 1, 100, 0, nullptr);
  AjouteQueue(8, 130, 1, 20160, 0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 100, 0, nullptr);
  TabQueue[0].extremiteHaut = 77;
  TabQueue[1].extremiteBas = 88;
  TabCorps = reinterpret_cast<CorpsEntry**>(NewHandleClear(Size(16 * sizeof(CorpsEntry))));
  nbCorps = 3;
  nbCorpsGranuleux = 16;
  LargeurBarre = 17;
  EcartBarre = 5;
  (*staff)->sansDecoupeMesure = 0;
  auto etat = [&] {
    Etat e;
    std::memcpy(e.queues, TabQueue, sizeof e.queues);
    e.nbQueue = nbQueue;
    e.tabCorps = TabCorps;
    e.nbCorps = nbCorps;
    e.nbCorpsGranuleux = nbCorpsGranuleux;
    e.sansDecoupe = (*staff)->sansDecoupeMesure;
    e.inDrawGrace = inDrawGrace;
    e.largeur = LargeurBarre;
    e.ecart = EcartBarre;
    return e;
  };
  const Etat avant = etat();
  EXPECT_EQ(Tetes(Trace(i)).size(), 2u);
  EXPECT_TRUE(etat() == avant);

  // A series whose scratch memory is refused draws nothing and leaves the
  // same state: first the sign array (the stem group was put aside), then
  // the copy of the stem group itself.
  GraceEntry table[kMaxGraceEntries];
  int16_t na = 0, np = 0;
  CalculeTabGraceNotes(staff, &S(i), i, 0, &na, &np, table, nullptr);
  const Size cap = GetTempMemCap();
  const Size utilise = cap - TempFreeMem();
  for (Size permis : {Size(2 * sizeof(QueueEntry)), Size(0)}) {
    SetTempMemCap(utilise + permis);
    int16_t r = 0;
    const auto ops = Enregistre(
        [&] { r = TraceSeriePetitesNotes(staff, 1, &E(i), 200, &S(i), 199, 116, table, na, 0, 1, nullptr, 0, 0); });
    SetTempMemCap(cap);
    EXPECT_EQ(r, -1);
    EXPECT_TRUE(Tetes(ops).empty()) << permis;
    EXPECT_TRUE(etat() == avant) << permis;
  }
}

TEST_F(PetitesNotesTest, TheChordDrawerHandsItsNotesGracesOver) {
  const int32_t i = Note();
  Grace(i, 2);
  int32_t n = 0;
  Signe* s = GetSignesPortee(staff, &n);
  auto trace = [&](Signe* signs) {
    int32_t k = i;
    return Enregistre(
        [&] { TraceCorpsAccord(staff, 200, kXRefAucun, signs, &k, n, 0, 0, 1, 0, 0, 0, &Y, 65535, 0, 0, nullptr, 0); });
  };
  const auto tetes = Tetes(trace(s));
  ASSERT_EQ(tetes.size(), 2u);
  EXPECT_EQ(tetes[0].first, 200);  // the note, then its grace note left of it
  EXPECT_LT(tetes[1].first, 200);
  // The note walk's stem for the note is still waiting.
  EXPECT_EQ(nbQueue, 1);
  EXPECT_EQ(TabQueue[0].x, 200);
  // A copy of the notes is not the staff's: its records name no grace notes.
  nbQueue = 0;
  std::vector<Signe> copie(s, s + n);
  EXPECT_EQ(Tetes(trace(copie.data())).size(), 1u);
}

}  // namespace
