// Sign records with their effects records, and the inline marks, grace notes
// and ties of documents before 5.00, written by the test writer and read back
// record by record.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "model/ParamEffet.h"
#include "model/Portee.h"
#include "model/QRVPOBJ.h"
#include "model/QrvLiaison.h"
#include "model/Signe.h"
#include "plugin/LectureDocument.h"
#include "support/NativeScore.h"
#include "support/NativeWriter.h"
#include "system/Handles.h"
#include "system/QrvFiles.h"

using namespace tamrel_test;

namespace {

constexpr uint8_t kMarque = 0x5A;

class LectureSigne : public ::testing::Test {
 protected:
  void SetUp() override {
    staff_ = AllouePortee();
    ASSERT_NE(staff_, nullptr);
    InitPortee(nullptr, staff_, 0, 1);
    (*staff_)->index = 3;
  }
  void TearDown() override {
    TermineSurPtr();
    VersionQuarvelLoad = 0;
    DisposeParamEffetsHandle(liste_, nombre_);
    DisposePortee(staff_);
  }
  void Ouvre(NativeWriter& w) {
    w.U8(kMarque);
    octets_ = w.Finish();
    VersionQuarvelLoad = w.Version();
    FixeLectureSurPtr(octets_.data(), uint32_t(octets_.size()));
  }
  // One sign of `version` read with the staff into the test's effects list;
  // the record must be read to its last byte.
  Signe Lit(uint16_t version, const SignRecord& r, bool avecPortee = true) {
    NativeWriter w(version);
    WriteSign(w, r);
    Ouvre(w);
    Signe s;
    ReadSignePortee(avecPortee ? staff_ : nullptr, 0, &s, &liste_, &nombre_);
    EXPECT_FALSE(EndOfFile());
    EXPECT_EQ(ReadCar(), kMarque);
    return s;
  }
  const ParamEffet* Effets(const Signe& s) const {
    if (s.indexParamEffet < 0 || s.indexParamEffet >= nombre_) return nullptr;
    return reinterpret_cast<const ParamEffet*>(*liste_) + s.indexParamEffet;
  }
  static const Mark* Marks(const ParamEffet* e, int16_t* n) {
    *n = e ? GetNbMarks(e->marks) : 0;
    return e && e->marks ? reinterpret_cast<const Mark*>(*e->marks) : nullptr;
  }

  Portee** staff_ = nullptr;
  Handle liste_ = nullptr;
  uint16_t nombre_ = 0;
  std::vector<uint8_t> octets_;
};

// A note with everything its effects record can carry, at the versions where
// the record's layout changes: every value comes back, old units converted.
TEST_F(LectureSigne, EffectsRecordsOfEveryLayout) {
  for (uint16_t v : {0x0500, 0x0600, 0x0750, 0x0790, 0x0850, 0x0920, 0x0963, 0x9805}) {
    SCOPED_TRACE(testing::Message() << std::hex << v);
    SignRecord r;
    r.effects = 1;
    EffectsRecord& e = r.effectsRecord;
    e.bendHigh = 25;
    e.bendLow = 7;
    MarkRecord staccato;
    staccato.code = 60;
    staccato.position = 2;
    staccato.param3 = 9;
    MarkRecord texte;
    texte.code = 99;
    texte.text = "dolce";
    e.marks = {staccato, texte};
    GraceRecord g;
    g.after = 1;
    g.offset = -3;
    g.accidental = 1;
    e.graces = {g, g};
    e.graceSize = 40;
    e.tieSource = 12;
    e.tieDest = 0;
    e.tieBits = 0x52;  // play mode 2, keep-shape bit, style 5
    e.tieWord = 10;
    e.beamSource = 9;
    e.beamSourceStaff = 2;
    e.comma = 120;
    e.arpeggioStart = 3;
    e.arpeggioStep = 25;
    e.string963 = "fin";
    const Signe s = Lit(v, r);
    const ParamEffet* p = Effets(s);
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(p->bendValeurs[0], (int32_t(v < 0x0900 ? 100 : 25) << 16) | 7);

    int16_t n;
    const Mark* m = Marks(p, &n);
    ASSERT_EQ(n, 2);
    EXPECT_EQ(m[0].code, 60);
    // Before 5.12 a staccato takes its standard placement (at the stem end).
    EXPECT_EQ(m[0].param1, v < 0x0512 ? 0 : 2);
    EXPECT_EQ(m[0].param3, 9);
    EXPECT_EQ(m[0].actif, 1);
    EXPECT_STREQ(m[1].texte, "dolce");

    EXPECT_EQ(p->graces[0].utilise, 1);
    EXPECT_EQ(p->graces[0].apres, 1);
    EXPECT_EQ(p->graces[0].decalage, -3);
    EXPECT_EQ(p->graces[1].alteration, 1);
    EXPECT_EQ(p->graces[2].utilise, 0);
    EXPECT_EQ(p->graces[2].alteration, kAlterationAucune);  // an empty slot
    EXPECT_EQ(p->graces[2].octet5, 255);
    EXPECT_EQ(p->mot32, 40);
    EXPECT_EQ(p->quatreOctets[0], ' ');

    // Link ids before 8.50 are made unique across staves.
    EXPECT_EQ(p->liaison.idSource, v < 0x0850 ? (3u << 16) + 12 : 12u);
    EXPECT_EQ(p->liaison.idDest, 0u);
    EXPECT_EQ(p->liaison.formeType, 2u);
    EXPECT_EQ(GetChampFormeLiaison(&p->liaison, kFormeLiaisonStyle, 4), 5);
    EXPECT_EQ(GetChampFormeLiaison(&p->liaison, kFormeLiaisonGarde, 2), v < 0x0940 ? 1 : 0);
    EXPECT_EQ(GetChampFormeLiaison(&p->liaison, kFormeLiaisonMot, 2), v < 0x0850 ? 40 : 10);
    EXPECT_EQ(GetChampFormeLiaison(&p->liaison, kFormeLiaisonControleX, 2), 500);
    EXPECT_EQ(GetChampFormeLiaison(&p->liaison, kFormeLiaisonEpaisseur, 1), 10);
    // Unknown link staves are the note's own.
    EXPECT_EQ(p->liaison.porteeSource, 3);
    EXPECT_EQ(p->liaison.porteeDest, 3);
    EXPECT_EQ(p->accroche.idSource, v < 0x0850 ? 0u : 9u);
    EXPECT_EQ(p->accroche.forme[0], 50);

    // Before 7.70 the comma is the marks' own.
    EXPECT_EQ(p->comma, v < 0x0770 ? 0 : 120);
    EXPECT_EQ(p->arpegePas, v < 0x0770 ? 20 : (v < 0x0850 ? 100 : 25));
    EXPECT_EQ(p->pointOrgue, 200);
    EXPECT_STREQ(p->chaine, v >= 0x0963 ? "fin" : "");
  }
}

// Mark slots: the fonts of marks from 7.90, graphic-link and 'n' marks from
// 9.60, texts only on text marks from 98.05, the comma of old documents.
TEST_F(LectureSigne, MarkSlots) {
  SignRecord r;
  r.effects = 1;
  MarkRecord lien;
  lien.code = 106;
  lien.graphicId = 77;
  lien.graphicId2 = 78;
  MarkRecord n;
  n.code = 110;
  n.nWords = {5, 700, 1900};
  n.nWord = 33;
  n.nBytes = {4, 248, 6};
  MarkRecord police;
  police.code = 100;
  police.font = 3;
  police.fontName = "Times";
  police.text = "espressivo";
  police.kept1 = 8;
  police.word = 300;
  r.effectsRecord.marks = {lien, n, police};
  Signe s = Lit(0x9805, r);
  int16_t nb;
  const Mark* m = Marks(Effets(s), &nb);
  ASSERT_EQ(nb, 3);
  EXPECT_EQ(m[0].idGraphique, 77u);
  EXPECT_EQ(m[0].idGraphique2, 78u);
  EXPECT_EQ(m[1].motsN[0], 700);
  EXPECT_EQ(m[1].motsN[1], 1900);
  EXPECT_EQ(m[1].motN, 33);
  EXPECT_EQ(m[1].octetN, 4);
  EXPECT_EQ(m[1].octetN248, 248);
  EXPECT_EQ(m[1].bitsN, 1);
  EXPECT_STREQ(m[2].texte, "espressivo");
  EXPECT_NE(m[2].police, 0);
  EXPECT_EQ(m[2].octetsLecteur[0], 8);
  EXPECT_EQ(m[2].motLecteur, 300);

  // Old comma marks give the record its comma; empty slots add no mark.
  MarkRecord comma;
  comma.code = 80;
  SignRecord vieux;
  vieux.effects = 1;
  vieux.effectsRecord.marks = {comma};
  s = Lit(0x0760, vieux);
  m = Marks(Effets(s), &nb);
  ASSERT_EQ(nb, 1);
  EXPECT_EQ(Effets(s)->comma, GetValCommaStd(80));
}

// Effects codes: 2 keeps "elsewhere" with no record, another value gives an
// empty record, effects without a list leave the note without any.
TEST_F(LectureSigne, EffectsCodes) {
  SignRecord r;
  r.effects = 2;
  Signe s = Lit(0x9805, r);
  EXPECT_EQ(s.indexParamEffet, -2);
  EXPECT_EQ(nombre_, 0);

  r.effects = 7;
  s = Lit(0x9805, r);
  ASSERT_NE(Effets(s), nullptr);
  EXPECT_EQ(Effets(s)->liaison.porteeSource, 0xFFFF);
  EXPECT_EQ(GetNbMarks(Effets(s)->marks), 0);

  // A pattern note: no staff, no list.
  r.effects = 1;
  r.effectsRecord.marks = {MarkRecord{}};
  NativeWriter w(0x9805);
  WriteSign(w, r);
  Ouvre(w);
  Signe p;
  ReadSignePortee(nullptr, 0, &p, nullptr, nullptr);
  EXPECT_EQ(p.indexParamEffet, -1);
  EXPECT_EQ(ReadCar(), kMarque);
}

// Kinds, old durations and the fermata's played share, by version.
TEST_F(LectureSigne, KindsDurationsAndFermatas) {
  struct Cas {
    uint16_t version;
    uint8_t kind;
    uint32_t duration;
    int8_t kindLu;
  };
  for (const Cas& c : {Cas{0x07FF, 200, 40320, -1}, Cas{0x0800, 200, 40320, int8_t(200)}, Cas{0x0300, 60, 96 * 420, 60},
                       Cas{0x0202, 62, 48 * 420, 62}, Cas{0x0310, 64, 420, 64}}) {
    SCOPED_TRACE(testing::Message() << std::hex << c.version);
    SignRecord r;
    r.kind = c.kind;
    r.duration = c.duration;
    r.flags = 0x0205;
    const Signe s = Lit(c.version, r);
    EXPECT_EQ(s.kind, c.kindLu);
    EXPECT_EQ(s.duree, int32_t(c.duration));
    EXPECT_EQ(s.flags & 0x0205, c.version < 0x0320 ? 0x0205 : 0x0005);
  }

  struct Fermata {
    uint16_t version;
    uint8_t code;
    uint16_t played;
  };
  for (const Fermata& f : {Fermata{0x074F, 49, 100}, Fermata{0x074F, 60, 400}, Fermata{0x0750, 50, 400}}) {
    SCOPED_TRACE(testing::Message() << std::hex << f.version << " " << int(f.code));
    SignRecord r;
    r.played = 400;
    r.effects = 1;
    MarkRecord m;
    m.code = f.code;
    r.effectsRecord.marks = {m};
    EXPECT_EQ(Lit(f.version, r).pourcentJoue, f.played);
  }
}

// Documents before 5.00: marks, grace notes and ties inside the sign record
// become the note's effects; without a staff they are read and dropped.
TEST_F(LectureSigne, InlineEffectsOfOldDocuments) {
  SignRecord r;
  r.inlineMarks = {{49, 0x41}, {60, 0x80}};
  r.inlineGraces = {0x45, 0x83};  // 5 below; after, 3 above
  r.inlineTieSource = 4;
  r.inlineTieDest = 2;
  r.played = 400;
  r.written = 20160;
  Signe s = Lit(0x04FF, r);
  const ParamEffet* e = Effets(s);
  ASSERT_NE(e, nullptr);
  int16_t n;
  const Mark* m = Marks(e, &n);
  ASSERT_EQ(n, 2);
  EXPECT_EQ(m[0].code, 49);
  EXPECT_EQ(m[0].param3, 1);
  EXPECT_EQ(m[0].param1, 64);
  EXPECT_EQ(m[1].code, 60);
  EXPECT_EQ(m[1].param1, 128);
  EXPECT_EQ(s.pourcentJoue, 50);  // the fermata's 400 became 100, then staccato's 50
  EXPECT_EQ(e->graces[0].utilise, 1);
  EXPECT_EQ(e->graces[0].decalage, -5);
  EXPECT_EQ(e->graces[0].apres, 0);
  EXPECT_EQ(e->graces[1].decalage, 3);
  EXPECT_EQ(e->graces[1].apres, 1);
  EXPECT_EQ(e->graces[2].utilise, 0);
  EXPECT_EQ(e->liaison.idSource, 4u);
  EXPECT_EQ(e->liaison.idDest, 2u);
  EXPECT_EQ(e->liaison.porteeSource, 3);
  EXPECT_EQ(GetChampFormeLiaison(&e->liaison, kFormeLiaisonDebutDx, 1), 1);
  EXPECT_EQ(GetChampFormeLiaison(&e->liaison, kFormeLiaisonControleY, 2), 4);
  EXPECT_EQ(GetChampFormeLiaison(&e->liaison, kFormeLiaisonEpaisseur, 1), 5);
  EXPECT_EQ(GetChampFormeLiaison(&e->liaison, kFormeLiaisonFinDy, 1), 8);
  EXPECT_EQ(s.dureeEcrite, 20160u);

  // No marks: the grace count is the byte after the mark count.
  SignRecord g;
  g.inlineGraces = {0x02, 0x01, 0x03};
  s = Lit(0x0400, g);
  ASSERT_NE(Effets(s), nullptr);
  EXPECT_EQ(Effets(s)->graces[2].decalage, 3);
  EXPECT_EQ(GetNbMarks(Effets(s)->marks), 0);

  // Nothing inline: no record.
  EXPECT_EQ(Lit(0x0400, SignRecord{}).indexParamEffet, -1);
  // Without a staff all is read through.
  EXPECT_EQ(Lit(0x0400, r, false).indexParamEffet, -1);
}

// A mark count past what the stream holds fails cleanly, without reading on.
TEST_F(LectureSigne, HostileMarkCounts) {
  for (int16_t count : {int16_t(32767), int16_t(500)}) {
    SignRecord r;
    r.effects = 1;
    r.effectsRecord.markCount = count;
    NativeWriter w(0x9805);
    WriteSign(w, r);
    octets_ = w.Finish();
    VersionQuarvelLoad = 0x9805;
    FixeLectureSurPtr(octets_.data(), uint32_t(octets_.size()));
    Signe s;
    ReadSignePortee(staff_, 0, &s, &liste_, &nombre_);
    EXPECT_TRUE(EndOfFile());
    TermineSurPtr();
  }
}

}  // namespace
