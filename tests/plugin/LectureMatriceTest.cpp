// The bank matrices as documents store them: header, rows with their bank
// index, the effect count from 6.30, and damaged or cut matrices.
#include <gtest/gtest.h>

#include <vector>

#include "model/Matrices.h"
#include "plugin/LectureDocument.h"
#include "plugin/LectureMatrice.h"
#include "support/NativeScoreLists.h"
#include "system/Handles.h"
#include "system/QrvFiles.h"

namespace {

using tamrel_test::MatrixRecord;
using tamrel_test::NativeWriter;

struct LectureMatrice : ::testing::Test {
  Handle h = nullptr;
  bool fin = false;
  int16_t suivant = 0;
  ~LectureMatrice() override { DeleteMatrice(&h); }
  void Lit(const std::vector<uint8_t>& octets, uint16_t version, uint32_t kind = kMatriceRythme) {
    DeleteMatrice(&h);
    const uint16_t avant = VersionQuarvelLoad;
    VersionQuarvelLoad = version;
    FixeLectureSurPtr(octets.data(), uint32_t(octets.size()));
    h = ReadMatrice(kind);
    fin = EndOfFile() != 0;
    suivant = ReadCar();
    TermineSurPtr();
    VersionQuarvelLoad = avant;
  }
};

MatrixRecord Exemple() {
  MatrixRecord m;
  m.values[0] = 14;
  m.byte = 9;
  m.block[0] = 1;
  m.block[127] = 0xC8;
  m.highestEnd = 11;
  m.display[4] = 36;
  m.rows.push_back({3, 0, 3, 0, 2, 0, 0});
  m.rows.push_back({4, 6, 11, 77, 1, 5, 6});
  return m;
}

TEST_F(LectureMatrice, HeaderAndRowsAreReadFieldByField) {
  for (uint16_t version : {0x0300, 0x0630}) {
    SCOPED_TRACE(version);
    NativeWriter w(version);
    tamrel_test::WriteMatrix(w, Exemple());
    w.U8(0x5A);
    Lit(w.Finish(), version);
    ASSERT_NE(h, nullptr);
    EXPECT_FALSE(fin);
    EXPECT_EQ(suivant, 0x5A);
    const EnteteMatrice* e = GetEnteteMatrice(h);
    EXPECT_EQ(e->type, kMatriceRythme);
    EXPECT_EQ(e->valeurs[0], 14);
    EXPECT_EQ(e->valeurs[1], 14);
    EXPECT_EQ(e->octet, 9);
    EXPECT_EQ(e->bloc[0], 1);
    EXPECT_EQ(e->bloc[127], 0xC8);
    EXPECT_EQ(e->mesureFinMax, 11);
    EXPECT_EQ(e->valeursAffichage[4], 36);
    EXPECT_EQ(e->rangeCourant, -1);
    EXPECT_EQ(e->nbFXs, 0);
    ASSERT_EQ(e->nbRanges, 2);
    const RangeMatrice* r = GetRangesMatrice(h);
    EXPECT_EQ(r[1].valeur, 4);
    EXPECT_EQ(r[1].mesureDebut, 6);
    EXPECT_EQ(r[1].mesureFin, 11);
    EXPECT_EQ(r[1].indexBanque, 1);  // the fifth stored word
    EXPECT_EQ(r[1].bloc2[0], 77);    // the fourth
    EXPECT_EQ(r[1].bloc2[2], 6);
    EXPECT_EQ(r[0].indexBanque, 2);
    EXPECT_TRUE(IsIndexDansMatrice(h, 1));
  }
}

TEST_F(LectureMatrice, DamagedAndCutMatricesLeaveNothing) {
  // A row count the stream cannot hold.
  MatrixRecord m = Exemple();
  NativeWriter w(0x0630);
  tamrel_test::WriteMatrix(w, m);
  std::vector<uint8_t> b = w.Finish();
  const size_t compte = 2 + 2 + 1 + 128 + 12;
  b[compte] = 0x7F;
  Lit(b, 0x0630);
  EXPECT_EQ(h, nullptr);
  EXPECT_TRUE(fin);
  // A negative effect count reads no effect.
  MatrixRecord negatif = Exemple();
  negatif.effectCount = -2;
  NativeWriter n(0x0630);
  tamrel_test::WriteMatrix(n, negatif);
  n.U8(0x5A);
  Lit(n.Finish(), 0x0630);
  ASSERT_NE(h, nullptr);
  EXPECT_EQ(suivant, 0x5A);
  // Cut at every byte.
  NativeWriter c(0x0630);
  tamrel_test::WriteMatrix(c, Exemple());
  const std::vector<uint8_t> entier = c.Finish();
  for (size_t k = 0; k < entier.size(); k++) {
    Lit(std::vector<uint8_t>(entier.begin(), entier.begin() + long(k)), 0x0630);
    EXPECT_EQ(h, nullptr) << k;
    EXPECT_TRUE(fin) << k;
  }
}

}  // namespace
