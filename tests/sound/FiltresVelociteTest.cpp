// Velocity filters: their set-up at the edges, what the filtering keeps of
// the source, and the cache file of the filtered copies: written, reused,
// rebuilt when damaged, and removed only when this process wrote it.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <vector>

#include "SoundFixtures.h"
#include "platform/Memory.h"
#include "sound/FiltresVelocite.h"
#include "sound/SCvtdgit.h"
#include "sound/SINSTRUM.h"
#include "system/Handles.h"

using tamrel_test::FluxTest;

namespace {

std::vector<int16_t> Sinus(int n, double periode, double amplitude, double periode2 = 0, double amplitude2 = 0) {
  std::vector<int16_t> s(size_t(n), 0);
  for (int i = 0; i < n; i++) {
    double v = amplitude * std::sin(2 * M_PI * i / periode);
    if (periode2 > 0) v += amplitude2 * std::sin(2 * M_PI * i / periode2);
    s[size_t(i)] = int16_t(std::lround(v));
  }
  return s;
}

double Energie(const std::vector<int16_t>& s, double periode) {
  // The amplitude of one frequency in the signal (a single-bin transform).
  double c = 0, d = 0;
  for (size_t i = 0; i < s.size(); i++) {
    c += s[i] * std::cos(2 * M_PI * double(i) / periode);
    d += s[i] * std::sin(2 * M_PI * double(i) / periode);
  }
  return std::sqrt(c * c + d * d) * 2 / double(s.size());
}

// A converted sound (16-bit, host order) for a slot.
Handle Son(const std::vector<int16_t>& s) {
  Handle h = NewHandleClear(Size(s.size()) * 2 + kSurplusDigit);
  EnteteDigit e = {};
  e.bits = 16;
  e.rate = 0xAC440000;
  e.count = uint32_t(s.size());
  SetEnteteDigit(h, e);
  std::memcpy(*h + kTailleEnteteDigit, s.data(), s.size() * 2);
  return h;
}

const int16_t* Echantillons(Handle h) { return reinterpret_cast<const int16_t*>(*h + kTailleEnteteDigit); }

}  // namespace

TEST(FiltresVelocite, SetUpAtTheEdges) {
  // A cutoff above half the rate: a filter at half the rate that adds nothing.
  InitFiltresVelocite(0, 1, 50, 80, 1000, 20, 60, 1.0, 44100, 30000);
  EXPECT_EQ(multFiltre1, 0.0);
  EXPECT_DOUBLE_EQ(multFiltre2, 0.6);
  double a1, a2, b1, b2;
  CalculeParamsFiltre(0, &a1, &a2, &b1, &b2, 22050, 1.3 - 50 * 0.013, 44100);
  EXPECT_DOUBLE_EQ(filtre1.a1, a1);
  EXPECT_DOUBLE_EQ(filtre1.b2, b2);
  // A cutoff of 0 is a 50 Hz filter; mixes stop at 100%.
  InitFiltresVelocite(1, 0, 0, 150, 0, 100, 0, 1.0, 44100, 0);
  CalculeParamsFiltre(1, &a1, &a2, &b1, &b2, 50, 1.3, 44100);
  EXPECT_DOUBLE_EQ(filtre1.a1, a1);
  EXPECT_DOUBLE_EQ(filtre1.a2, -2 * a1);
  EXPECT_DOUBLE_EQ(filtre1.b1, b1);
  EXPECT_DOUBLE_EQ(multFiltre1, 1.0);
  CalculeParamsFiltre(0, &a1, &a2, &b1, &b2, 50, 1.3 - 100 * 0.013, 44100);
  EXPECT_DOUBLE_EQ(filtre2.a2, 2 * filtre2.a1);
  EXPECT_DOUBLE_EQ(filtre2.b2, b2);
  EXPECT_EQ(multFiltre2, 0.0);
}

TEST(FiltresVelocite, FilteringKeepsTheSourceRange) {
  // No mix: the source comes back as it was.
  const std::vector<int16_t> source = Sinus(2000, 40, 12000, 400, 9000);
  std::vector<int16_t> out(source.size());
  InitFiltresVelocite(0, 0, 0, 0, 1000, 0, 0, 1.0, 44100, 1000);
  ASSERT_TRUE(FiltreVelocite(source.data(), int32_t(source.size()), out.data()));
  EXPECT_EQ(out, source);

  // A low-pass at 500 Hz takes the 1102 Hz part down against the 110 Hz
  // part, and the result spans the source's peak-to-peak range.
  InitFiltresVelocite(0, 0, 0, 100, 500, 0, 0, 1.0, 44100, 500);
  ASSERT_TRUE(FiltreVelocite(source.data(), int32_t(source.size()), out.data()));
  const auto [sMin, sMax] = std::minmax_element(source.begin(), source.end());
  const auto [oMin, oMax] = std::minmax_element(out.begin(), out.end());
  EXPECT_NEAR(*oMax - *oMin, *sMax - *sMin, 1);
  EXPECT_LT(Energie(out, 40) / Energie(out, 400), 0.5 * Energie(source, 40) / Energie(source, 400));

  // The second filter's share is its mix squared.
  InitFiltresVelocite(1, 0, 30, 40, 2000, 60, 50, 1.0, 44100, 800);
  FiltreBiquad f1 = filtre1, f2 = filtre2;
  std::vector<double> attendu;
  const auto pas = [](FiltreBiquad& f, double x) {
    const double y = f.a1 * (x + f.x2) + f.a2 * f.x1 - f.b1 * f.y1 - f.b2 * f.y2;
    f.x2 = f.x1, f.x1 = x, f.y2 = f.y1, f.y1 = y;
    return y;
  };
  for (int16_t v : source) {
    const double x = v / 32768.0;
    const double r1 = x * 0.6 + 0.4 * pas(f1, x);
    attendu.push_back(r1 * 0.5 + 0.25 * pas(f2, r1));
  }
  ASSERT_TRUE(FiltreVelocite(source.data(), int32_t(source.size()), out.data()));
  const auto [aMin, aMax] = std::minmax_element(attendu.begin(), attendu.end());
  const double k = double(*sMax - *sMin) / (*aMax - *aMin);
  for (size_t i = 0; i < source.size(); i += 97) EXPECT_NEAR(out[i], std::lround(attendu[i] * k), 1) << i;

  // A constant source has no range: silence.
  const std::vector<int16_t> plat(64, 1234);
  std::vector<int16_t> zero(64, 7);
  ASSERT_TRUE(FiltreVelocite(plat.data(), 64, zero.data()));
  EXPECT_EQ(zero, std::vector<int16_t>(64, 0));
}

TEST_F(FluxTest, VelocityCacheIsWrittenReusedAndRemoved) {
  Instrument* r = reinterpret_cast<Instrument*>(NewPtrClear(Size(sizeof(Instrument))));
  InstrumentParDefaut(r, 0);
  r->jeu.filtrageVelocite = 1;
  r->jeu.filtres[0][0] = {0, 100, 800, 20};
  r->jeu.filtres[1][0] = {1, 60, 3000, 40};
  r->sampleHandles[1][0] = Son(Sinus(500, 30, 10000, 7, 3000));
  r->sampleHandles[1][3] = Son(Sinus(300, 50, 8000));
  ASSERT_TRUE(CalculeVelociteSampleCacheInstrument(r, 0));
  EXPECT_EQ(r->jeu.etat.cacheVelocite, 1);
  EXPECT_EQ(r->jeu.etat.fichierCacheCree, 1);
  for (int slot : {0, 3})
    for (int v : {2, 3}) {
      ASSERT_NE(r->sampleHandles[v][slot], nullptr);
      EXPECT_EQ(GetEnteteDigit(r->sampleHandles[v][slot]).count, GetEnteteDigit(r->sampleHandles[1][slot]).count);
    }
  EXPECT_EQ(r->sampleHandles[2][1], nullptr);
  char chemin[1024];
  NomFichierCacheVelocite(r, chemin, sizeof chemin);
  ASSERT_TRUE(std::filesystem::exists(chemin));
  // "001C", then for each sound and variant a count and the samples.
  EXPECT_EQ(std::filesystem::file_size(chemin), size_t(4 + 2 * (4 + 1000) + 2 * (4 + 600)));
  std::vector<int16_t> doux(Echantillons(r->sampleHandles[2][0]), Echantillons(r->sampleHandles[2][0]) + 500);

  // The next preparation reads the copies back from the file.
  {
    std::fstream f(chemin, std::ios::in | std::ios::out | std::ios::binary);
    f.seekp(4 + 4);
    const int16_t marque = 4321;
    f.write(reinterpret_cast<const char*>(&marque), 2);
  }
  for (int v : {2, 3})
    for (Handle& h : r->sampleHandles[v]) LibereHandle(&h);
  r->jeu.etat.cacheVelocite = 0;
  ASSERT_TRUE(CalculeVelociteSampleCacheInstrument(r, 0));
  EXPECT_EQ(Echantillons(r->sampleHandles[2][0])[0], 4321);
  EXPECT_EQ(Echantillons(r->sampleHandles[2][0])[1], doux[1]);

  // A damaged file is made again, under another name.
  std::filesystem::resize_file(chemin, 100);
  const std::string ancien = chemin;
  ASSERT_TRUE(CalculeVelociteSampleCacheInstrument(r, 0));
  EXPECT_FALSE(std::filesystem::exists(ancien));
  NomFichierCacheVelocite(r, chemin, sizeof chemin);
  EXPECT_TRUE(std::filesystem::exists(chemin));
  EXPECT_EQ(Echantillons(r->sampleHandles[2][0])[0], doux[0]);

  // Freeing the instrument removes its file.
  LibereDonneesInstrument(r);
  EXPECT_FALSE(std::filesystem::exists(chemin));
  EXPECT_EQ(r->jeu.etat.cacheVelocite, 0);

  // A file this process did not write is neither reused nor removed, even
  // under the very name the instrument's flags would give.
  r->jeu.etat = {1, 77, 0, 0};
  NomFichierCacheVelocite(r, chemin, sizeof chemin);
  { std::ofstream(chemin, std::ios::binary) << "001C"; }
  r->sampleHandles[1][0] = Son(Sinus(100, 30, 10000));
  ASSERT_TRUE(CalculeVelociteSampleCacheInstrument(r, 0));
  EXPECT_NE(r->jeu.etat.idCacheVelocite, 77u);
  EXPECT_EQ(std::filesystem::file_size(chemin), 4u);
  LibereDonneesInstrument(r);
  EXPECT_TRUE(std::filesystem::exists(chemin));
  DisposePtr(reinterpret_cast<Ptr>(r));
}
