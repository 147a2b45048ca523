// Slurs and ties: their default shapes, the tie shape, the curve in its
// styles, the three points of a slur, its pieces over line starts and the
// links left for the page's post-pass.
#include <cstdio>

#include "NotationFixtures.h"
#include "model/BarTableFixtures.h"
#include "model/ParamEffet.h"
#include "model/QrvLiaison.h"
#include "notation/AjusteCoules.h"
#include "notation/LiaisonsAccroche.h"
#include "notation/QrvLiaisonCoule.h"
#include "notation/TaillesPortee.h"
#include "notation/TraceLiaisons.h"

namespace {

constexpr int32_t kNoire = 40320;

// Screen y of a note: three pixels a pitch step, pitch 60 at y 100.
int16_t NoteEnY(Portee**, int32_t, int32_t, const Signe* note, uint8_t* flags) {
  if (flags) *flags = 2;
  return int16_t(100 - 3 * (note->kind - 60));
}

// The ends of a drawn line, x0 y0 x1 y1, from its "Line" or "ShortLine" op.
std::vector<int> Segment(const std::string& op) {
  int v0, h0, a, b;
  if (std::sscanf(op.c_str(), "Line (%d,%d) (%d,%d)", &v0, &h0, &a, &b) == 4) return {h0, v0, b, a};
  if (std::sscanf(op.c_str(), "ShortLine (%d,%d) %d %d", &v0, &h0, &a, &b) == 4) return {h0, v0, h0 + a, v0 + b};
  return {};
}

struct LiaisonsTest : BarTableTest {
  EnvNotation env;
  Portee** staff = nullptr;
  LiaisonsTest() {
    OublieLiaisonCouleDefaut();
    Mesures(4);
    staff = Portee0();
    Prepare(staff);
  }
  ~LiaisonsTest() override {
    VideLiaisonsEnAttente();
    OublieLiaisonCouleDefaut();
  }
  static void Prepare(Portee** p) {
    (*p)->vecteurs.vect_Note2Ecr = NoteEnY;
    (*p)->vecteurs.vect_Note2Ruban = NoteEnY;
    (*p)->interligne = 6.0f;
    (*p)->interligneRuban = 6.0f;
  }
  int32_t Note(Portee** p, int8_t pitch, uint16_t flags = 0, int32_t duree = kNoire) {
    AjouteSigne(p, pitch, duree, 100, flags);
    int32_t n;
    Signe& s = GetSignesPortee(p, &n)[n - 1];
    s.taille = 100;
    s.alteration = 2;
    return n - 1;
  }
  Portee** Seconde() {
    NewPortee(score, kTypePorteeStandard);
    Portee** p = (*score)->portees[1];
    Prepare(p);
    return p;
  }
  DataLiaison Lien(Portee** p, int32_t i) {
    DataLiaison d{};
    GetDataLiaisonNote(p, i, &d);
    return d;
  }
};

// The slur of a new link takes the default shape on the side of its start
// note's stem; the beam link takes the beam sizes of the first staff that
// asks, until the next document.
TEST_F(LiaisonsTest, DefaultShapesFollowTheStemAndTheDocument) {
  const int32_t haut = Note(staff, 60), bas = Note(staff, 62, kSigneQueueEnBas), fin = Note(staff, 64);
  ASSERT_EQ(SetLiaison(staff, haut, staff, bas, kLiaisonCoule), 1);
  ASSERT_EQ(SetLiaison(staff, bas, staff, fin, kLiaisonCoule), 1);
  const struct {
    int32_t note;
    int8_t dy;
    int16_t cy;
  } cas[] = {{haut, 8, 1000}, {bas, -8, -1000}};
  for (const auto& c : cas) {
    int8_t sdx, sdy, edx, edy;
    uint16_t cx;
    int16_t cy;
    GetParamLiaisonCouleNote(staff, c.note, &sdx, &sdy, &cx, &cy, &edx, &edy);
    EXPECT_EQ(sdx, 6);
    EXPECT_EQ(sdy, c.dy);
    EXPECT_EQ(cx, 500);
    EXPECT_EQ(cy, c.cy);
    EXPECT_EQ(edx, 0);
    EXPECT_EQ(edy, c.dy);
    const DataLiaison d = Lien(staff, c.note);
    EXPECT_EQ(d.forme[kFormeLiaisonEpaisseur], 10);
    EXPECT_NE(d.idSource, 0u);  // the ids stay
  }
  // Beam sizes come from the first staff that makes the defaults.
  (*staff)->aspect.epaisseurBarre = 20;
  (*staff)->aspect.ecartBarre = 9;
  ASSERT_EQ(SetLiaison(staff, haut, staff, fin, kLiaisonAccroche), 1);
  EXPECT_EQ(accrocheDefaut.forme[3], 12);  // the defaults were made by the slurs above, from the staff as it was
  // A new document makes them again from its own first link.
  OublieLiaisonCouleDefaut();
  ASSERT_EQ(SetLiaison(staff, bas, staff, fin, kLiaisonAccroche), 1);
  DataAccroche a{};
  ASSERT_EQ(GetDataAccrocheNote(staff, bas, &a), 1);
  EXPECT_EQ(a.forme[3], 20);
  EXPECT_EQ(a.forme[4], 9);
}

TEST_F(LiaisonsTest, PreservedDefaultsComeBackOnlyOnceMade) {
  DataLiaison sauve{};
  PreserveLiaisonCouleDefautNote(&sauve);
  EXPECT_FALSE(isLiaisonDefautInited);
  EXPECT_EQ(sauve.forme[kFormeLiaisonEpaisseur], 10);
  DataLiaison autre = sauve;
  autre.forme[kFormeLiaisonEpaisseur] = 3;
  RestaureLiaisonCouleDefautNote(&autre);  // not made yet: ignored
  EXPECT_EQ(liaisonDefaut.forme[kFormeLiaisonEpaisseur], 10);
  Note(staff, 60);
  Note(staff, 62);
  ASSERT_EQ(SetLiaison(staff, 0, staff, 1, kLiaisonCoule), 1);
  RestaureLiaisonCouleDefautNote(&autre);
  EXPECT_EQ(liaisonDefaut.forme[kFormeLiaisonEpaisseur], 3);
}

// Without an effect record nothing changes and nothing is read.
TEST_F(LiaisonsTest, ShapeFieldsNeedTheEffectRecord) {
  const int32_t i = Note(staff, 60);
  SetParamLiaisonCouleNote(staff, i, 1, 2, 3, 4, 5, 6);
  SetCouleurLiaisonCouleNote(staff, i, 5);
  SetEpaisseurLiaisonCouleNote(staff, i, 5);
  EXPECT_EQ(GetRatioYLiaisonCouleNote(staff, i), 0);
  EXPECT_EQ(GetParamEffetIndexNote(staff, i), nullptr);
  Note(staff, 62);
  ASSERT_EQ(SetLiaison(staff, 0, staff, 1, kLiaisonCoule), 1);
  SetParamLiaisonCouleNote(staff, 0, 1, 2, 300, -400, 5, 6);
  SetCouleurLiaisonCouleNote(staff, 0, 7);
  SetEpaisseurLiaisonCouleNote(staff, 0, 4);
  EXPECT_EQ(GetRatioYLiaisonCouleNote(staff, 0), -400);
  const DataLiaison d = Lien(staff, 0);
  EXPECT_EQ(d.forme[kFormeLiaisonEpaisseur], 4);
  EXPECT_EQ(GetChampFormeLiaison(&d, kFormeLiaisonCouleur, 2), 7);
}

TEST(TieShape, AnchorsAndHeightByKindAndStems) {
  const struct {
    int8_t kind;
    uint8_t sourceDown, destDown, variant;
    int16_t step;
    int8_t sdx, sdy, edx, edy;
    int16_t height;
  } cas[] = {
      {0, 0, 0, 0, 10, 4, 5, 3, 5, 490},     {0, 1, 1, 0, 10, 5, 5, -2, 5, 490},
      {0, 0, 0, 1, 10, 8, 5, -1, 5, 490},    {0, 0, 0, 0, 2, 4, 5, 3, 5, 750},
      {0, 0, 0, 0, -6, 4, 5, 3, 5, 490},     {0, 0, 0, 0, 1, 4, 5, 3, 5, 490},
      {1, 0, 0, 0, 10, 8, -4, 2, -4, -460},  {1, 1, 0, 0, 10, 5, -4, 2, -4, -460},
      {1, 1, 0, 1, 10, 9, -4, -2, -4, -460}, {-1, 1, 1, 0, -10, 5, -4, 2, -4, -700},
  };
  for (const auto& c : cas) {
    DataLiaison d{};
    d.forme[kFormeLiaisonEpaisseur] = 10;
    d.forme[kFormeLiaisonGarde] = 1;
    AdjustTie(&d, c.kind, c.sourceDown, c.destDown, c.variant, c.step);
    EXPECT_EQ(d.formeType, 2u);
    EXPECT_EQ(int8_t(d.forme[kFormeLiaisonDebutDx]), c.sdx) << int(c.kind) << " " << c.step;
    EXPECT_EQ(int8_t(d.forme[kFormeLiaisonDebutDy]), c.sdy);
    EXPECT_EQ(GetChampFormeLiaison(&d, kFormeLiaisonControleX, 2), 500);
    EXPECT_EQ(int16_t(GetChampFormeLiaison(&d, kFormeLiaisonControleY, 2)), c.height) << int(c.kind) << " " << c.step;
    EXPECT_EQ(int8_t(d.forme[kFormeLiaisonFinDx]), c.edx);
    EXPECT_EQ(int8_t(d.forme[kFormeLiaisonFinDy]), c.edy);
    EXPECT_EQ(d.forme[kFormeLiaisonEpaisseur], 10);  // the other fields stay
    EXPECT_EQ(d.forme[kFormeLiaisonGarde], 0);
  }
}

TEST_F(LiaisonsTest, SlurThatReadsAsATie) {
  const int32_t a = Note(staff, 60), b = Note(staff, 60), c = Note(staff, 62);
  Note(staff, 60);
  ASSERT_EQ(SetLiaison(staff, a, staff, b, kLiaisonCoule), 1);
  ASSERT_EQ(SetLiaison(staff, b, staff, c, kLiaisonCoule), 1);
  ASSERT_EQ(SetLiaison(staff, c, staff, 3, kLiaisonCoule), 1);
  auto mode = [&](int32_t i, uint32_t playMode, int32_t style) {
    ParamEffet* e = GetParamEffetIndexNote(staff, i);
    e->liaison.formeType = playMode;
    SetChampFormeLiaison(&e->liaison, kFormeLiaisonStyle, style, 4);
  };
  mode(a, 2, 0);
  mode(b, 2, 0);
  mode(c, 2, 0);
  EXPECT_TRUE(IsCoulePourLie(staff, a));
  EXPECT_FALSE(IsCoulePourLie(staff, b));  // another pitch
  EXPECT_FALSE(IsCoulePourLie(staff, c));  // another pitch
  mode(a, 1, 0);
  EXPECT_FALSE(IsCoulePourLie(staff, a));  // a slur that is only played
  EXPECT_TRUE(IsCouleNoteInterprete(staff, a));
  mode(a, 2, 4);
  EXPECT_FALSE(IsCoulePourLie(staff, a));  // dotted
  mode(a, 0, 0);
  EXPECT_FALSE(IsCouleNoteInterprete(staff, a));
  EXPECT_FALSE(IsCouleNoteInterprete(staff, 99));
  EXPECT_FALSE(IsCoulePourLieIndex(staff, -1, 0));
}

// The curve in its styles: the bracket hangs at the control point's height
// over the chord, the straight line ignores the control point, a span
// wider than 10000 pixels or an unknown style draws nothing.
TEST_F(LiaisonsTest, CurveStyles) {
  const auto lignes = [](int16_t style, int16_t x2) {
    return Filtre(Enregistre([&] { TraceLiaisonCoule(style, 10, 10, x2, 20, 30, 0, 10, 0); }),
                  {"ShortLine", "Line", "PaintOval", "Polygon", "PaintPoly", "FramePoly"});
  };
  EXPECT_EQ(lignes(1, 50),
            (std::vector<std::string>{"ShortLine (10,10) 0 -15", "ShortLineFrom 40 10", "ShortLineFrom 0 15"}));
  EXPECT_EQ(lignes(5, 50), (std::vector<std::string>{"ShortLine (10,10) 40 10"}));
  EXPECT_EQ(lignes(1, 10),
            (std::vector<std::string>{"ShortLine (10,10) 4 0", "ShortLineFrom 0 10", "ShortLineFrom -4 0"}));
  EXPECT_FALSE(lignes(0, 50).empty());
  EXPECT_FALSE(lignes(4, 50).empty());
  EXPECT_FALSE(lignes(3, 50).empty());
  EXPECT_TRUE(lignes(8, 50).empty());
  EXPECT_TRUE(Enregistre([&] { TraceLiaisonCoule(0, -5000, 10, 5001, 20, 0, 0, 10, 0); }).empty());
  EXPECT_TRUE(Enregistre([&] { TraceLiaisonCoule(5, -5000, 10, 5001, 20, 0, 0, 10, 0); }).empty());
}

// The three points: anchors moved by the end offsets, the control point
// along the span and above the ends' middle by a share of the line spacing.
// A plain slur ends on the far note's last printed piece; a slur that reads
// as a tie starts from the start note's last printed piece.
TEST_F(LiaisonsTest, PointsOfASlur) {
  for (int k = 0; k < 4; k++) Note(staff, int8_t(60 + k));
  ASSERT_EQ(SetLiaison(staff, 0, staff, 3, kLiaisonCoule), 1);
  BigPt a, c, b;
  int16_t style = -1;
  Portee** autre = nullptr;
  int32_t j = -1;
  ASSERT_EQ(CalculeCoordonneesLiaison(true, staff, 0, false, kEffetDeLaNote, &a, &c, &b, &style, false, &autre, &j), 1);
  const int32_t x0 = CvtIndexNoteEnPixelEcran(staff, 0), x3 = CvtIndexNoteEnPixelEcran(staff, 3);
  EXPECT_EQ(a.x, x0 + 6);
  EXPECT_EQ(a.y, 100 + 8);
  EXPECT_EQ(b.x, x3);
  EXPECT_EQ(b.y, 91 + 8);
  EXPECT_EQ(c.x, a.x + (b.x - a.x) / 2);
  EXPECT_EQ(c.y, (108 + 99) / 2 + 6);
  EXPECT_EQ(style, 0);
  EXPECT_EQ(autre, staff);
  EXPECT_EQ(j, 3);
  // No slur, or a far note that is gone: nothing.
  EXPECT_EQ(
      CalculeCoordonneesLiaison(true, staff, 1, false, kEffetDeLaNote, &a, &c, &b, &style, false, nullptr, nullptr), 0);
  GetParamEffetIndexNote(staff, 3)->liaison.idDest = 0;
  EXPECT_EQ(
      CalculeCoordonneesLiaison(true, staff, 0, false, kEffetDeLaNote, &a, &c, &b, &style, false, nullptr, nullptr), 0);
}

TEST_F(LiaisonsTest, SlurEndsFollowTheTiedPieces) {
  // A half, then a dotted half over the bar line (printed as a half tied to
  // a quarter), then a quarter of the same pitch.
  const int32_t avant = Note(staff, 62, 0, 2 * kNoire);
  const int32_t longue = Note(staff, 60, 0, 3 * kNoire), suite = Note(staff, 60);
  const int32_t xPiece = CvtTempsEnPixelEcran(score, 4 * kNoire) + CalculeDecalageCorpsAccord(nullptr, staff, longue);
  const int32_t xAvant = CvtIndexNoteEnPixelEcran(staff, avant);
  const int32_t xLongue = CvtIndexNoteEnPixelEcran(staff, longue), xSuite = CvtIndexNoteEnPixelEcran(staff, suite);
  ASSERT_NE(xPiece, xLongue);
  ASSERT_EQ(SetLiaison(staff, longue, staff, suite, kLiaisonCoule), 1);
  ASSERT_EQ(SetLiaison(staff, avant, staff, longue, kLiaisonCoule), 1);
  SetParamLiaisonCouleNote(staff, longue, 0, 0, 500, 0, 0, 0);
  SetParamLiaisonCouleNote(staff, avant, 0, 0, 500, 0, 0, 0);
  const struct {
    int32_t note;
    uint32_t playMode;
    int32_t startX, endX;
  } cas[] = {{longue, 1, xLongue, xSuite}, {longue, 2, xPiece, xSuite}, {avant, 1, xAvant, xPiece}};
  for (const auto& k : cas) {
    GetParamEffetIndexNote(staff, k.note)->liaison.formeType = k.playMode;
    BigPt a, c, b;
    ASSERT_EQ(CalculeCoordonneesLiaison(true, staff, k.note, false, kEffetDeLaNote, &a, &c, &b, nullptr, false, nullptr,
                                        nullptr),
              1);
    EXPECT_EQ(a.x, k.startX) << k.note << " " << k.playMode;
    EXPECT_EQ(b.x, k.endX) << k.note << " " << k.playMode;
  }
}

// A slur over a line start is drawn one piece per line: the first ends
// where the line ends, the next starts past the new line's clef and key.
TEST_F(LiaisonsTest, SlurSplitAtALineStart) {
  for (int k = 0; k < 12; k++) Note(staff, 60);
  const int32_t fin = Note(staff, 60);  // bar 3
  ASSERT_EQ(SetLiaison(staff, 0, staff, fin, kLiaisonCoule), 1);
  SetChampFormeLiaison(&GetParamEffetIndexNote(staff, 0)->liaison, kFormeLiaisonStyle, 5, 4);
  SetParamLiaisonCouleNote(staff, 0, 0, 0, 500, 0, 0, 0);
  const int32_t x0 = CvtMesureEnPixelEcran(score, 0);
  const auto trace = [&] {
    return Filtre(Enregistre([&] { TraceLiaisonBrut(staff, x0, 0, nullptr, false, kEffetDeLaNote, false); }),
                  {"ShortLine", "Line"});
  };
  EXPECT_EQ(trace().size(), 1u);
  Ligne(2).debutSysteme = 1;
  const int32_t finLigne = x0 - 1 + CvtMesureEnTaillePixelEcran(score, 0) + CvtMesureEnTaillePixelEcran(score, 1);
  const int32_t reprise = finLigne + CvtMesureEnTailleEcranClePixel(score, 2) + 2;
  const auto pieces = trace();
  ASSERT_EQ(pieces.size(), 2u);
  const int32_t xa = CvtIndexNoteEnPixelEcran(staff, 0), xb = CvtIndexNoteEnPixelEcran(staff, fin);
  EXPECT_EQ(Segment(pieces[0]), (std::vector<int>{xa, 100, finLigne, 100}));
  EXPECT_EQ(Segment(pieces[1]), (std::vector<int>{reprise, 100, xb, 100}));
  // Drawn at another origin, the whole slur moves with its start bar.
  const auto ailleurs =
      Filtre(Enregistre([&] { TraceLiaisonBrut(staff, x0 + 10, 0, nullptr, false, kEffetDeLaNote, false); }),
             {"ShortLine", "Line"});
  ASSERT_EQ(ailleurs.size(), 2u);
  EXPECT_EQ(Segment(ailleurs[0]), (std::vector<int>{xa + 10, 100, finLigne + 10, 100}));
}

// A slur whose end lies on a later staff waits for the post-pass, as every
// beam link does; the post-pass empties the queue, and a page drawn twice
// comes out the same.
TEST_F(LiaisonsTest, LinksToLaterStavesWaitForThePostPass) {
  Portee** bas = Seconde();
  const int32_t a = Note(staff, 60), b = Note(staff, 64), c = Note(staff, 62);
  const int32_t d = Note(bas, 50), e = Note(bas, 52);
  ASSERT_EQ(SetLiaison(staff, a, staff, b, kLiaisonCoule), 1);
  ASSERT_EQ(SetLiaison(staff, b, bas, e, kLiaisonCoule), 1);
  ASSERT_EQ(SetLiaison(staff, c, bas, d, kLiaisonAccroche), 1);
  const auto page = [&] {
    return Enregistre([&] {
      for (int32_t i : {a, b, c}) {
        int32_t n;
        const Signe s = GetSignesPortee(staff, &n)[i];
        TraceLiaisonEntreDeuxNotes(staff, kXOrigineAucune, i, &s, false, kEffetDeLaNote);
      }
      EXPECT_EQ(GetNbLiaisonsEnAttente(), 2);
    });
  };
  const auto portee = page();
  EXPECT_FALSE(portee.empty());  // the slur a-b at once
  const auto post = Enregistre([&] { TraceLiaisonPostTraitement(score); });
  EXPECT_EQ(GetNbLiaisonsEnAttente(), 0);
  EXPECT_FALSE(post.empty());
  EXPECT_TRUE(Enregistre([&] { TraceLiaisonPostTraitement(score); }).empty());
  EXPECT_EQ(page(), portee);
  EXPECT_EQ(Enregistre([&] { TraceLiaisonPostTraitement(score); }), post);
}

// ---- Beam links.

constexpr int32_t kCroche = 20160;

// The notes of a chain in link order, from a note of it.
std::vector<int32_t> Chaine(Portee** staff, int32_t note) {
  std::vector<MaillonAccroche> c;
  ListeChaineAccroche(staff, note, &c);
  std::vector<int32_t> out;
  for (const MaillonAccroche& m : c) out.push_back(m.note);
  return out;
}

// A chain that comes back to a note ends there, from wherever it is walked;
// re-ordering breaks the loop and links the notes in x order.
TEST_F(LiaisonsTest, ChainsThatLoopEnd) {
  const int32_t a = Note(staff, 60, 0, kCroche), b = Note(staff, 62, 0, kCroche), c = Note(staff, 64, 0, kCroche);
  ASSERT_EQ(SetLiaison(staff, a, staff, b, kLiaisonAccroche), 1);
  ASSERT_EQ(SetLiaison(staff, b, staff, c, kLiaisonAccroche), 1);
  ASSERT_EQ(SetLiaison(staff, c, staff, a, kLiaisonAccroche), 1);
  for (int32_t i : {a, b, c}) EXPECT_EQ(Chaine(staff, i).size(), 3u) << i;
  Portee **fs, **ls;
  int32_t fn, ln;
  uint8_t tuplet = 9;
  EXPECT_EQ(GetNoteFirstLastLiaisonAccroche(staff, b, &fs, &fn, &ls, &ln, &tuplet), 3);
  EXPECT_EQ(tuplet, 0);
  ASSERT_EQ(ReclasseLiaisonsAccroche(staff, b), 1);
  EXPECT_EQ(Chaine(staff, c), (std::vector<int32_t>{a, b, c}));
  EXPECT_EQ(GetLiaisonSourceNote(staff, c, nullptr, kLiaisonAccroche), 0u);
  // Drawing a looped chain ends too.
  ASSERT_EQ(SetLiaison(staff, c, staff, a, kLiaisonAccroche), 1);
  EXPECT_FALSE(Enregistre([&] {
                 for (int32_t i : {a, b, c})
                   TraceLiaisonBrut(staff, kXOrigineAucune, i, nullptr, false, kEffetDeLaNote, true);
               }).empty());
}

// A chain entered out of x order is relinked in x order; each link keeps
// the shape of the note that holds it. An ordered chain is left alone.
TEST_F(LiaisonsTest, ChainsAreRelinkedInXOrder) {
  const int32_t a = Note(staff, 60, 0, kCroche), b = Note(staff, 62, 0, kCroche), c = Note(staff, 64, 0, kCroche);
  ASSERT_EQ(SetLiaison(staff, c, staff, a, kLiaisonAccroche), 1);
  ASSERT_EQ(SetLiaison(staff, a, staff, b, kLiaisonAccroche), 1);
  GetParamEffetIndexNote(staff, a)->accroche.forme[1] = 3;
  EXPECT_EQ(Chaine(staff, b), (std::vector<int32_t>{c, a, b}));
  ASSERT_EQ(ReclasseLiaisonsAccroche(staff, b), 1);
  EXPECT_EQ(Chaine(staff, b), (std::vector<int32_t>{a, b, c}));
  EXPECT_EQ(GetParamEffetIndexNote(staff, a)->accroche.forme[1], 3);
  EXPECT_EQ(GetLiaisonSourceNote(staff, c, nullptr, kLiaisonAccroche), 0u);
  const uint32_t id = GetLiaisonSourceNote(staff, a, nullptr, kLiaisonAccroche);
  ASSERT_EQ(ReclasseLiaisonsAccroche(staff, a), 1);
  EXPECT_EQ(GetLiaisonSourceNote(staff, a, nullptr, kLiaisonAccroche), id);
  EXPECT_EQ(ReclasseLiaisonsAccroche(staff, 99), 0);
}

TEST_F(LiaisonsTest, DefaultBeamCountsOfALink) {
  const struct {
    int32_t from, to;
    uint16_t left, right, control;
  } cas[] = {{kCroche, kCroche, 1, 1, 50},
             {kCroche, kCroche / 2, 1, 2, 75},
             {kCroche / 2, kCroche, 2, 1, 25},
             {kNoire, kCroche, 0, 1, 75},
             {4 * kNoire, kCroche, 0, 1, 75}};
  for (const auto& k : cas) {
    const int32_t a = Note(staff, 60, 0, k.from), b = Note(staff, 62, 0, k.to);
    ASSERT_EQ(SetLiaison(staff, a, staff, b, kLiaisonAccroche), 1);
    DataAccroche d{};
    ASSERT_EQ(GetDataAccrocheNote(staff, a, &d), 1);
    EXPECT_EQ(d.forme[1], k.left) << k.from << " " << k.to;
    EXPECT_EQ(d.forme[2], k.right) << k.from << " " << k.to;
    EXPECT_EQ(d.forme[0], k.control) << k.from << " " << k.to;
  }
}

// The beams of a link lie on the line from the chain's first stem tip to its
// last; the halves take their own counts, meeting at the control position.
TEST_F(LiaisonsTest, BeamLinkHalvesAndStemTips) {
  const int32_t a = Note(staff, 60, 0, kCroche), b = Note(staff, 64, 0, kCroche), c = Note(staff, 68, 0, kCroche);
  ASSERT_EQ(SetLiaison(staff, a, staff, b, kLiaisonAccroche), 1);
  ASSERT_EQ(SetLiaison(staff, b, staff, c, kLiaisonAccroche), 1);
  int32_t fx, fy, lx, ly;
  ASSERT_EQ(GetPosFirstLastLiaisonAccroche(staff, b, false, true, &fx, &fy, &lx, &ly), 1);
  int32_t n;
  const Signe sa = GetSignesPortee(staff, &n)[a];
  const Signe sc = GetSignesPortee(staff, &n)[c];
  EXPECT_EQ(fy, 100 - GetTailleEcranTigeNote(staff, &sa, a, 0));  // stems up
  EXPECT_EQ(ly, 100 - 24 - GetTailleEcranTigeNote(staff, &sc, c, 0));
  BigPt s, k, e;
  ASSERT_TRUE(CalculeCoordonneesAccroche(staff, b, false, true, &s, &k, &e, nullptr, nullptr));
  EXPECT_EQ(s.x, CvtIndexNoteEnPixelEcran(staff, b) + (*staff)->largeurTete - 1);
  EXPECT_EQ(s.y, fy + int32_t(int64_t(s.x - fx) * (ly - fy) / (lx - fx)));
  EXPECT_EQ(k.x, s.x + (e.x - s.x) / 2);
  EXPECT_FALSE(CalculeCoordonneesAccroche(staff, c, false, true, &s, &k, &e, nullptr, nullptr));  // the last note
  const auto beams = [&](uint16_t left, uint16_t right) {
    ParamEffet* p = GetParamEffetIndexNote(staff, a);
    p->accroche.forme[1] = left;
    p->accroche.forme[2] = right;
    return Enregistre([&] { TraceLiaisonBrut(staff, kXOrigineAucune, a, nullptr, false, kEffetDeLaNote, true); });
  };
  const auto un = beams(1, 1), deux = beams(2, 1), aucun = beams(0, 0);
  EXPECT_GT(deux.size(), un.size());
  EXPECT_GT(un.size(), aucun.size());
  EXPECT_EQ(beams(1, 1), un);  // drawing leaves the notes as they were
}

// ---- Automatic slur shape.

struct FormeAutoTest : LiaisonsTest {
  FormeAutoTest() { pref.formeAutoCoules = 1; }
  // The slur's shape fields: start dx, dy, control y, end dx, dy.
  std::vector<int> Forme(int32_t i) {
    const DataLiaison d = Lien(staff, i);
    return {int8_t(d.forme[kFormeLiaisonDebutDx]), int8_t(d.forme[kFormeLiaisonDebutDy]),
            int16_t(GetChampFormeLiaison(&d, kFormeLiaisonControleY, 2)), int8_t(d.forme[kFormeLiaisonFinDx]),
            int8_t(d.forme[kFormeLiaisonFinDy])};
  }
  void Style(int32_t i, int32_t style) {
    SetChampFormeLiaison(&GetParamEffetIndexNote(staff, i)->liaison, kFormeLiaisonStyle, style, 4);
  }
  // The three points of the slur on the piano roll at the shaping zoom.
  bool Points(int32_t i, BigPt* a, BigPt* c, BigPt* b) {
    ReglagesCalculCoules r(score, staff);
    return CalculeCoordonneesLiaison(false, staff, i, false, kEffetDeLaNote, a, c, b, nullptr, false, nullptr,
                                     nullptr) == 1;
  }
};

// Shaping leaves alone what it must: a slur that keeps its shape (unless
// forced), a bracket, wavy or straight slur, everything while the preference
// is off.
TEST_F(FormeAutoTest, WhatShapingLeavesAlone) {
  const int32_t a = Note(staff, 60);
  Note(staff, 72);
  const int32_t c = Note(staff, 64);
  ASSERT_EQ(SetLiaison(staff, a, staff, c, kLiaisonCoule), 1);
  const auto depart = Forme(a);
  GetParamEffetIndexNote(staff, a)->liaison.forme[kFormeLiaisonGarde] = 1;
  AjusteCoule(staff, a, true, false);
  AjusteCoulesPartition(score);
  EXPECT_EQ(Forme(a), depart);
  for (int32_t style : {1, 2, 3, 5}) {
    Style(a, style);
    AjusteCoule(staff, a, true, true);
    EXPECT_EQ(Forme(a), depart) << style;
  }
  Style(a, 0);
  GetParamEffetIndexNote(staff, a)->liaison.forme[kFormeLiaisonGarde] = 0;
  pref.formeAutoCoules = 0;
  AjusteCoulesPartition(score);
  AjusteCouleRange(staff, 0, 3, true);
  AjusteAutoCouleSymbole(staff, c, true);
  EXPECT_EQ(Forme(a), depart);
  pref.formeAutoCoules = 1;
  AjusteCoulesPartition(score);
  EXPECT_NE(Forme(a), depart);
  // The dotted styles are shaped as the solid one.
  for (int32_t style : {4, 6, 7}) {
    SetParamLiaisonCouleNote(staff, a, 6, 8, 500, 1000, 0, 8);
    Style(a, style);
    AjusteCoule(staff, a, true, false);
    EXPECT_NE(Forme(a), (std::vector<int>{6, 8, 1000, 0, 8})) << style;
  }
}

// The scratch settings (piano-roll zoom 200, bar table held) come back on
// every way out of a shaping call, an early return included; nested scopes
// leave them to the outermost.
TEST_F(FormeAutoTest, ScratchSettingsComeBackOnEveryPath) {
  const int32_t a = Note(staff, 60);
  Note(staff, 67);
  const int32_t c = Note(staff, 64);
  ASSERT_EQ(SetLiaison(staff, a, staff, c, kLiaisonCoule), 1);
  (*score)->zoom = 90;
  const int16_t tenue = (*score)->reentranceTabElt;
  {
    ReglagesCalculCoules r(score, nullptr);
    EXPECT_EQ((*score)->zoom, kZoomCalculCoules);
    EXPECT_EQ((*score)->reentranceTabElt, tenue + 1);
    { ReglagesCalculCoules interieur(score, staff); }
    EXPECT_EQ((*score)->zoom, kZoomCalculCoules);
    EXPECT_EQ((*score)->reentranceTabElt, tenue + 1);
  }
  const struct {
    int32_t style;
    const char* path;
  } cas[] = {{1, "a bracket: out before any shaping"}, {0, "the whole shaping"}};
  for (const auto& k : cas) {
    Style(a, k.style);
    AjusteCoule(staff, a, true, true);
    EXPECT_EQ((*score)->zoom, 90) << k.path;
    EXPECT_EQ((*score)->reentranceTabElt, tenue) << k.path;
  }
  // The next shaping scope sets the zoom again: nothing was left counted.
  ReglagesCalculCoules r(score, staff);
  EXPECT_EQ((*score)->zoom, kZoomCalculCoules);
}

// A slur between adjacent notes of one pitch takes the tie shape.
TEST_F(FormeAutoTest, ATieLikeSlurTakesTheTieShape) {
  const int32_t a = Note(staff, 60, kSigneQueueEnBas), b = Note(staff, 60);
  ASSERT_EQ(SetLiaison(staff, a, staff, b, kLiaisonCoule), 1);
  GetParamEffetIndexNote(staff, a)->liaison.formeType = 2;
  DataLiaison attendu = Lien(staff, a);
  AdjustTie(&attendu, 1, 1, 0, 0, 10);
  AjusteCoule(staff, a, true, false);
  EXPECT_EQ(Forme(a), (std::vector<int>{5, -4, -460, 2, -4}));
  EXPECT_EQ(std::memcmp(Lien(staff, a).forme, attendu.forme, sizeof attendu.forme), 0);
}

// The ends stand off the heads on the slur's side, farther for a note whose
// stem points there or that carries a mark there.
TEST_F(FormeAutoTest, EndsClearStemsAndMarks) {
  const int32_t a = Note(staff, 60, kSigneQueueEnBas), b = Note(staff, 62), c = Note(staff, 64);
  Note(staff, 65);
  ASSERT_EQ(SetLiaison(staff, a, staff, b, kLiaisonCoule), 1);
  ASSERT_EQ(SetLiaison(staff, c, staff, 3, kLiaisonCoule), 1);
  // Start stem down with the slur above: -k (8 % of size 100); far stem up,
  // the slur on its side: over its tip.
  AjusteCoule(staff, a, true, true);
  auto f = Forme(a);
  EXPECT_EQ(f[0], 7);  // the start stem is on the other side
  EXPECT_EQ(f[1], -8);
  EXPECT_EQ(f[3], 4);  // the far stem is on the slur's side
  EXPECT_LT(f[4], -8);
  // Below a stem-up note: as close as a k.
  AjusteCoule(staff, c, false, true);
  f = Forme(c);
  EXPECT_EQ(f[0], 7);
  EXPECT_EQ(f[1], 8);
  // A fermata above the start note lifts the start clear of it.
  AjusteCoule(staff, a, true, true);
  const int before = Forme(a)[1];
  AddMarkNote(staff, a, 49, 0, 0, 128);
  AjusteCoule(staff, a, true, true);
  EXPECT_LT(Forme(a)[1], before);
}

// Over notes whose stems reach toward it, the curve rises above their tips;
// a long slur over one high note is held to the steepest slope and lifted
// whole until it clears it.
TEST_F(FormeAutoTest, ASlurClearsTheNotesBetweenItsEnds) {
  const int32_t a = Note(staff, 60, kSigneQueueEnBas);
  for (int k = 0; k < 3; k++) Note(staff, 66);
  const int32_t b = Note(staff, 60, kSigneQueueEnBas);
  ASSERT_EQ(SetLiaison(staff, a, staff, b, kLiaisonCoule), 1);
  AjusteCoule(staff, a, true, true);
  BigPt p, c, q;
  ASSERT_TRUE(Points(a, &p, &c, &q));
  int32_t tip;
  {
    ReglagesCalculCoules r(score, staff);
    tip = CvtIndexNoteEnPosRubanLin(staff, 2) - GetTailleAfficheeTigeNote(staff, 2);
  }
  EXPECT_LT(c.y, tip);
  EXPECT_LT(Forme(a)[2], 0);

  // Below, under stems that point down to it.
  const int32_t d = Note(staff, 72);
  for (int k = 0; k < 3; k++) Note(staff, 66, kSigneQueueEnBas);
  const int32_t e = Note(staff, 72);
  ASSERT_EQ(SetLiaison(staff, d, staff, e, kLiaisonCoule), 1);
  AjusteCoule(staff, d, false, true);
  ASSERT_TRUE(Points(d, &p, &c, &q));
  {
    ReglagesCalculCoules r(score, staff);
    tip = CvtIndexNoteEnPosRubanLin(staff, d + 2) + GetTailleAfficheeTigeNote(staff, d + 2);
  }
  EXPECT_GT(c.y, tip);
  EXPECT_GT(Forme(d)[2], 0);
}

TEST_F(FormeAutoTest, ALongSlurIsFlattenedThenLifted) {
  const int32_t a = Note(staff, 60, kSigneQueueEnBas);
  for (int k = 0; k < 5; k++) Note(staff, 60, kSigneQueueEnBas);
  Note(staff, 84);
  for (int k = 0; k < 5; k++) Note(staff, 60, kSigneQueueEnBas);
  const int32_t b = Note(staff, 60, kSigneQueueEnBas);
  ASSERT_EQ(SetLiaison(staff, a, staff, b, kLiaisonCoule), 1);
  AjusteCoule(staff, a, true, true);
  BigPt p, c, q;
  ASSERT_TRUE(Points(a, &p, &c, &q));
  const float span = float(q.x - p.x);
  const float aplat = float(100 - kMGAplatissementCoule);
  const float penteMax = (float(kMGPenteMaxCoule) * 0.006f) * 10.0f * aplat / (8.0f * aplat + span);
  const float hauteur = float((p.y + q.y) / 2 - c.y);
  EXPECT_LE(hauteur / span, penteMax * 1.1f);
  EXPECT_GT(hauteur / span, penteMax * 0.5f);
  // The ends went up beyond the plain stand-off to let the high note pass.
  const auto f = Forme(a);
  EXPECT_LT(f[1], -8);
  EXPECT_EQ(f[1], f[4]);
  int32_t tip;
  {
    ReglagesCalculCoules r(score, staff);
    tip = CvtIndexNoteEnPosRubanLin(staff, a + 6) - GetTailleAfficheeTigeNote(staff, a + 6);
  }
  EXPECT_LT(c.y, tip);
}

// The whole score and a staff's range: every slur of the range, those that
// keep their shape left alone.
TEST_F(FormeAutoTest, RangeAndScore) {
  const int32_t a = Note(staff, 60), b = Note(staff, 72), c = Note(staff, 64), d = Note(staff, 67);
  ASSERT_EQ(SetLiaison(staff, a, staff, c, kLiaisonCoule), 1);
  ASSERT_EQ(SetLiaison(staff, b, staff, d, kLiaisonCoule), 1);
  const auto fa = Forme(a), fb = Forme(b);
  AjusteCouleRange(staff, 1, 99, false);  // from the second note: the first's slur reaches into it
  EXPECT_NE(Forme(a), fa);
  EXPECT_NE(Forme(b), fb);
  SetParamLiaisonCouleNote(staff, a, 6, 8, 500, 1000, 0, 8);
  SetParamLiaisonCouleNote(staff, b, 6, 8, 500, 1000, 0, 8);
  GetParamEffetIndexNote(staff, b)->liaison.forme[kFormeLiaisonGarde] = 1;
  AjusteCouleRange(staff, -5, 99, false);
  EXPECT_NE(Forme(a), (std::vector<int>{6, 8, 1000, 0, 8}));
  EXPECT_EQ(Forme(b), (std::vector<int>{6, 8, 1000, 0, 8}));
}

}  // namespace
