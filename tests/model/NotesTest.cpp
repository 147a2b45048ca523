// Note records and their insertion: the array tiles the time line, chords
// keep their order and flags, filler rests give and take bar time, and notes
// are cut at bar lines.
#include <gtest/gtest.h>

#include <vector>

#include "ModelFixtures.h"
#include "model/CvtTemps.h"
#include "model/QrvLiaison.h"
#include "model/TabEltMesure.h"

namespace {

constexpr int32_t Q = 40320, H = 2 * Q, W = 4 * Q, MESURE = W;

struct Attendu {
  int8_t kind;
  int32_t duree;
  bool suite;  // chord continues
};

struct NotesTest : ::testing::Test {
  Document* doc = NouveauDocument();
  Partition** score = CreePartitionVide(doc);
  Portee** staff = CreePorteeVide(score, kTypePorteeStandard, 1, 0);
  NotesTest() { AddEltTabEltMesureRuban(score, 16); }
  ~NotesTest() override { LibereDocument(doc); }

  int32_t Nb() { return (*staff)->nbNotes; }
  Signe& S(int32_t i) { return reinterpret_cast<Signe*>(*(*staff)->notes)[i]; }

  static Signe Note(int8_t kind, int32_t duree) {
    Signe s;
    RazNote(&s, kind, duree);
    return s;
  }

  // The invariants every edit keeps: chord members start together, longest
  // then highest first, bit 0 on all but the last; steps tile the time line
  // and the staff ends on a bar line; cached starts are stale or right.
  void VerifiePavage(Portee** p, bool finSurBarre = true) {
    int32_t n = (*p)->nbNotes;
    ASSERT_LE(Size(n) * Size(sizeof(Signe)), GetHandleSize((*p)->notes));
    const Signe* s = reinterpret_cast<const Signe*>(*(*p)->notes);
    int32_t t = 0;
    for (int32_t i = 0; i < n; i++) {
      SCOPED_TRACE(i);
      EXPECT_GT(s[i].duree, 0);
      if (s[i].debut >= 0) {
        EXPECT_EQ(s[i].debut, t);
      }
      if (s[i].flags & kSigneAccordSuite) {
        ASSERT_LT(i + 1, n) << "the last record continues a chord";
        bool ordre = s[i].duree > s[i + 1].duree || (s[i].duree == s[i + 1].duree && s[i].kind >= s[i + 1].kind);
        EXPECT_TRUE(ordre);
      } else {
        t += s[i].duree;
      }
    }
    if (finSurBarre) {
      EXPECT_EQ(t % MESURE, 0) << "the staff ends inside a bar";
    }
    EXPECT_EQ(CvtIndexNoteEnTemps(p, n), t);
  }

  void Compare(const std::vector<Attendu>& attendu) {
    ASSERT_EQ(Nb(), int32_t(attendu.size()));
    for (size_t i = 0; i < attendu.size(); i++) {
      SCOPED_TRACE(i);
      EXPECT_EQ(S(int32_t(i)).kind, attendu[i].kind);
      EXPECT_EQ(S(int32_t(i)).duree, attendu[i].duree);
      EXPECT_EQ((S(int32_t(i)).flags & kSigneAccordSuite) != 0, attendu[i].suite);
    }
  }
};

// A loader hands notes and rests in time order; each case lists them and the
// array it must leave.
TEST_F(NotesTest, LoaderInsertionTilesBars) {
  struct Evenement {
    int32_t tick;
    int8_t kind;
    int32_t duree;
  };
  struct Cas {
    const char* nom;
    std::vector<Evenement> evenements;
    std::vector<Attendu> attendu;
  } cas[] = {
      {"quarter on an empty staff", {{0, 60, Q}}, {{60, Q, false}, {-2, 3 * Q, false}}},
      {"two quarters", {{0, 60, Q}, {Q, 62, Q}}, {{60, Q, false}, {62, Q, false}, {-2, H, false}}},
      {"half joins the quarter's chord first",
       {{0, 60, Q}, {0, 64, H}},
       {{64, H, true}, {60, Q, false}, {-2, 3 * Q, false}}},
      {"equal chord members highest first",
       {{0, 60, Q}, {0, 67, Q}, {0, 64, Q}},
       {{67, Q, true}, {64, Q, true}, {60, Q, false}, {-2, 3 * Q, false}}},
      {"rest then note", {{0, -1, Q}, {Q, 60, Q}}, {{-1, Q, false}, {60, Q, false}, {-2, H, false}}},
      {"note in the third bar",
       {{2 * MESURE, 60, Q}},
       {{-2, MESURE, false}, {-2, MESURE, false}, {60, Q, false}, {-2, 3 * Q, false}}},
      {"whole bar then next bar", {{0, 60, W}, {MESURE, 62, Q}}, {{60, W, false}, {62, Q, false}, {-2, 3 * Q, false}}},
      {"bar filled exactly", {{0, 60, H}, {H, 62, H}}, {{60, H, false}, {62, H, false}}},
  };
  for (const Cas& c : cas) {
    SCOPED_TRACE(c.nom);
    DisposeNotes(staff);
    for (const Evenement& e : c.evenements) {
      Signe s = Note(e.kind, e.duree);
      EXPECT_GE(InsereNote(staff, &s, e.tick), 0);
    }
    Compare(c.attendu);
    VerifiePavage(staff);
  }
}

TEST_F(NotesTest, ArrayGrowsAndShrinksByBlocks) {
  const Size bloc = kBlocSignes * Size(sizeof(Signe));
  for (int32_t i = 0; i < kBlocSignes; i++) ASSERT_EQ(InsereSigne(staff, i), 1);
  EXPECT_EQ(GetHandleSize((*staff)->notes), bloc);
  ASSERT_EQ(InsereSigne(staff, 5), 1);
  EXPECT_EQ(GetHandleSize((*staff)->notes), 2 * bloc);
  ASSERT_EQ(SupprimeSigne(staff, 5), 1);
  EXPECT_EQ(Nb(), kBlocSignes);
  EXPECT_EQ(GetHandleSize((*staff)->notes), bloc);
  EXPECT_EQ(SupprimeSigne(staff, kBlocSignes), 0);  // out of range
  EXPECT_EQ(S(0).indexParamEffet, -1);
  EXPECT_EQ(S(0).velocity, 64);
  EXPECT_EQ(S(0).debut, -1);
}

TEST_F(NotesTest, CachedStartsGoStaleFromTheEditedIndex) {
  for (int i = 0; i < 8; i++) {
    Signe s = Note(60, Q);
    InsereNote(staff, &s, i * Q);
  }
  EXPECT_EQ(CvtIndexNoteEnTemps(staff, 7), 7 * Q);
  for (int i = 0; i < 8; i++) EXPECT_GE(S(i).debut, 0);
  InsereSigne(staff, 4);
  for (int i = 0; i < 4; i++) EXPECT_EQ(S(i).debut, i * Q);
  for (int i = 4; i < Nb(); i++) EXPECT_EQ(S(i).debut, -1);
  EXPECT_EQ((*staff)->accordsCalcules, 0);
  EXPECT_EQ((*staff)->chantACalculer, 1);
}

TEST_F(NotesTest, ExactInsertionSplitsARestAndJoinsChords) {
  // A rest of one bar: the note lands inside it at its exact tick.
  Signe r = Note(kSigneSilence, W);
  InsereNote(staff, &r, 0);
  Signe n = Note(60, Q);
  int32_t i = AjouteNoteEnPosExacte(staff, &n, Q, 0, 1);
  ASSERT_GE(i, 0);
  EXPECT_EQ(CvtIndexNoteEnTemps(staff, i), Q);
  Compare({{-1, Q, false}, {60, Q, false}, {-1, H, false}});
  VerifiePavage(staff);

  // A shorter note at the same tick joins the chord; the step stays the note's.
  Signe c = Note(64, Q / 2);
  i = AjouteNoteEnPosExacte(staff, &c, Q, 0, 1);
  ASSERT_GE(i, 0);
  EXPECT_EQ(CvtIndexNoteEnTemps(staff, i), Q);
  EXPECT_EQ(S(i).kind, 64);
  VerifiePavage(staff);

  // A note past the end fills the gap with filler bars and real rests.
  Signe loin = Note(62, Q);
  i = AjouteNoteEnPosExacte(staff, &loin, 2 * MESURE + Q, 0, 0);
  ASSERT_GE(i, 0);
  EXPECT_EQ(CvtIndexNoteEnTemps(staff, i), 2 * MESURE + Q);
  EXPECT_EQ(S(i - 1).kind, kSigneSilence);
  EXPECT_TRUE(S(i - 1).flags & kSigneCache);  // not visible
  EXPECT_EQ(S(i - 2).kind, kSigneSilenceFantome);
  VerifiePavage(staff);

  // A same-pitch member becomes a rest when the note is written over it.
  Signe meme = Note(62, Q);
  i = AjouteNoteEnPosExacte(staff, &meme, 2 * MESURE + Q, 0, 1);
  int32_t debut = CalculeIndexNoteDebutAccord(staff, i);
  int nb62 = 0;
  for (int32_t k = debut; k < Nb(); k++) {
    if (S(k).kind == 62) nb62++;
    if (!(S(k).flags & kSigneAccordSuite)) break;
  }
  EXPECT_EQ(nb62, 1);
  VerifiePavage(staff);
}

TEST_F(NotesTest, ChordInsertionFailuresLeaveTheStaffAlone) {
  Signe n = Note(60, Q);
  InsereNote(staff, &n, 0);
  std::vector<Signe> avant(&S(0), &S(0) + Nb());
  Signe silence = Note(kSigneSilence, H);  // would have to go before the note
  EXPECT_EQ(InsereNoteDansAccord(staff, &silence, 0), -1);
  Signe vide = Note(62, 0);
  EXPECT_EQ(InsereNoteDansAccord(staff, &vide, 0), -1);
  ASSERT_EQ(Nb(), int32_t(avant.size()));
  for (int32_t i = 0; i < Nb(); i++) EXPECT_EQ(std::memcmp(&S(i), &avant[size_t(i)], sizeof(Signe)), 0);

  // 64 different durations fit, a 65th does not.
  DisposeNotes(staff);
  Signe base = Note(60, 64 * 2520);
  InsereNote(staff, &base, 0);
  for (int k = 63; k >= 1; k--) {
    Signe m = Note(int8_t(61), k * 2520);
    ASSERT_GE(InsereNoteDansAccord(staff, &m, 0), 0) << k;
  }
  Signe trop = Note(61, 65 * 2520);
  EXPECT_EQ(InsereNoteDansAccord(staff, &trop, 0), -1);
  VerifiePavage(staff);
}

TEST_F(NotesTest, ChordStepChangesGiveAndTakeFillerTime) {
  Signe h = Note(60, H);
  InsereNote(staff, &h, 0);
  Compare({{60, H, false}, {-2, H, false}});
  // A shorter member becomes the last: the difference goes back to the filler.
  Signe q = Note(64, Q);
  EXPECT_EQ(InsereNoteDansAccord(staff, &q, 0), 1);
  Compare({{60, H, true}, {64, Q, false}, {-2, 3 * Q, false}});
  VerifiePavage(staff);
  // Filler rests give up time to a longer step.
  AjouteDureeDansMesure(staff, 1, Q);
  EXPECT_EQ(S(2).duree, H);
  EXPECT_EQ(S(2).touche, 1);
  SupprimeDureeDansMesure(staff, 1, Q, 0);
  EXPECT_EQ(S(2).duree, 3 * Q);
}

TEST_F(NotesTest, SortingAChordDropsInnerRests) {
  // Out of order on purpose, with a rest inside.
  AjouteSigne(staff, 60, Q, 100, kSigneAccordSuite);
  AjouteSigne(staff, kSigneSilence, Q, 100, kSigneAccordSuite);
  AjouteSigne(staff, 67, H, 100, kSigneAccordSuite);
  AjouteSigne(staff, kSigneSilence, Q);
  int32_t suivi = ReclasseNotesDansAccord(staff, 0, 1);
  Compare({{67, H, true}, {60, Q, false}});
  EXPECT_EQ(suivi, 1);
  EXPECT_EQ(ReclasseNotesDansAccord(staff, 0, 1), 0);
}

TEST_F(NotesTest, FillerRestsCompleteTheLastBar) {
  struct Cas {
    std::vector<int32_t> durees;
    int32_t comble;  // the filler added, 0 none
  } cas[] = {{{Q}, 3 * Q}, {{W}, 0}, {{W, Q}, 3 * Q}, {{}, 0}};
  for (const Cas& c : cas) {
    DisposeNotes(staff);
    for (int32_t d : c.durees) AjouteSigne(staff, 60, d);
    uint8_t ajoute = 9;
    CheckFinPortee(staff, &ajoute);
    EXPECT_EQ(ajoute, c.comble ? 1 : 0);
    if (c.comble) {
      EXPECT_EQ(S(Nb() - 1).duree, c.comble);
    }
    if (Nb()) VerifiePavage(staff);
  }
  // Filler bars follow their bars' lengths.
  DisposeNotes(staff);
  InsereSilencesFantomes(staff, 0, 3, -1);
  Compare({{-2, W, false}, {-2, W, false}, {-2, W, false}});
}

TEST_F(NotesTest, DrumStaffQuantizesAndTidiesRests) {
  Portee** drums = CreePorteeVide(score, kTypePorteeBatterie, 1, 0);
  Signe n = Note(38, Q);
  int32_t i = InsereNote(drums, &n, 5000);
  ASSERT_GE(i, 0);
  const Signe* s = reinterpret_cast<const Signe*>(*(*drums)->notes);
  EXPECT_EQ(CvtIndexNoteEnTemps(drums, i), 2520);
  EXPECT_EQ(s[i].duree, 2520);
  VerifiePavage(drums, false);

  // A rest across two bar lines is cut at them; rests that follow merge.
  DisposeNotes(drums);
  AjouteSigne(drums, kSigneSilence, W + Q);
  AjouteSigne(drums, kSigneSilence, Q);
  AjouteSigne(drums, 38, Q);
  ReduitSilences(drums, 0, 0);
  s = reinterpret_cast<const Signe*>(*(*drums)->notes);
  ASSERT_EQ((*drums)->nbNotes, 3);
  EXPECT_EQ(s[0].duree, W);
  EXPECT_EQ(s[1].duree, H);
  EXPECT_EQ(s[2].kind, 38);
}

TEST_F(NotesTest, NotesAcrossABarLineAreCut) {
  // A half note on beat 4 runs into bar 2; so does a chord member.
  Signe q = Note(60, 3 * Q);
  InsereNote(staff, &q, 0);
  Signe h = Note(62, H);
  InsereNote(staff, &h, 3 * Q);
  Signe membre = Note(55, H + Q);
  InsereNote(staff, &membre, 3 * Q);
  VerifiePavage(staff);
  DeleteLiaisonsACheval(score, 1);
  VerifiePavage(staff);
  int32_t n = Nb();
  int32_t t = 0;
  for (int32_t i = 0; i < n; i++) {
    EXPECT_FALSE(t < MESURE && t + S(i).duree > MESURE) << i;
    if (!(S(i).flags & kSigneAccordSuite)) t += S(i).duree;
  }
  // The first part of 62 ends on the bar line, the second starts there.
  // The first parts of 62 and 55 end on the bar line, the second parts
  // start there.
  auto membres = [&](int32_t tick) {
    std::vector<std::pair<int8_t, int32_t>> v;
    for (int32_t i = CvtTempsEnIndexNote(staff, tick); i < Nb(); i++) {
      if (S(i).kind >= 0) v.push_back({S(i).kind, S(i).duree});
      if (!(S(i).flags & kSigneAccordSuite)) break;
    }
    return v;
  };
  using P = std::vector<std::pair<int8_t, int32_t>>;
  EXPECT_EQ(membres(3 * Q), (P{{62, Q}, {55, Q}}));
  P seconds = membres(MESURE);
  EXPECT_EQ(seconds.size(), 2u);
  for (auto& [kind, duree] : seconds) EXPECT_EQ(duree, kind == 55 ? H : Q) << int(kind);
}

TEST_F(NotesTest, CuttingEndsOnEveryStaffEvenWithOddRecords) {
  // Records whose lengths no note value writes, and a chord member longer
  // than everything: the pass must still end.
  AjouteSigne(staff, 60, 7 * MESURE + 1, 100, kSigneAccordSuite);
  AjouteSigne(staff, kSigneSilence, 1);
  AjouteSigne(staff, 61, 2521);
  for (int16_t bar = 0; bar < 8; bar++) DeleteLiaisonsACheval(score, bar);
  SUCCEED();
}

TEST_F(NotesTest, PurgingAChordAbsorbsTheRestsAfterIt) {
  AjouteSigne(staff, 60, H, 100, kSigneAccordSuite);
  AjouteSigne(staff, kSigneSilence, Q / 2);
  AjouteSigne(staff, kSigneSilence, Q / 2);
  AjouteSigne(staff, kSigneSilence, 3 * Q / 2);
  AjouteSigne(staff, 62, H / 2);
  int32_t fin = QuarvelPurgeAccord(staff, 0, 4);
  Compare({{60, H, false}, {-1, Q / 2, false}, {62, Q, false}});
  EXPECT_EQ(fin, 2);
}

TEST_F(NotesTest, JoiningNotesOfOnePitch) {
  Signe a = Note(60, Q);
  InsereNote(staff, &a, 0);
  Signe b = Note(60, Q);
  InsereNote(staff, &b, Q);
  Signe c = Note(64, H);
  InsereNote(staff, &c, H);
  LieDeuxNotes(staff, 0, 1);
  Compare({{60, H, false}, {64, H, false}});
  EXPECT_EQ(S(0).premierePartieLiee, uint32_t(Q));
  VerifiePavage(staff);
}

TEST_F(NotesTest, TieSymbolGoesOnOneMemberOfAMixedChord) {
  struct Cas {
    uint16_t premierFlags;
    int32_t dureeSecond;
    int32_t porteur;  // -1: none
  } cas[] = {{0, Q, 0}, {kSigneQueueEnBas, Q, 1}, {0, H, -1}};
  for (const Cas& c : cas) {
    DisposeNotes(staff);
    DisposeParamEffetsPortee(staff);
    AjouteSigne(staff, 64, H, 100, uint16_t(kSigneAccordSuite | kSigneLieSymbole | c.premierFlags));
    AjouteSigne(staff, 60, c.dureeSecond, 100, kSigneLieSymbole);
    AjouteSigne(staff, 64, H);
    AjouteSigne(staff, 60, H);
    SetLiaison(staff, 0, staff, 2, kLiaisonCoule);
    SetLiaison(staff, 1, staff, 3, kLiaisonCoule);
    AjusteLiesAccordSymbole(staff, 0);
    for (int32_t i = 0; i < 2; i++) {
      if (c.porteur < 0) {
        EXPECT_TRUE(S(i).flags & kSigneLieSymbole) << "left alone with one duration";
      } else {
        EXPECT_EQ((S(i).flags & kSigneLieSymbole) != 0, i == c.porteur) << i;
      }
    }
  }
}

}  // namespace
