// The tempo staff's tempo encodings and its clean-up under tempo marks, and
// the digital track: its installer, its cells (one row per played pass) and
// the waveform drawn in them.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "model/BarTableFixtures.h"
#include "model/CvtTemps.h"
#include "model/Partition.h"
#include "model/Portee.h"
#include "model/QrvDynamics.h"
#include "model/Signe.h"
#include "model/TempsJoue.h"
#include "notation/NotationFixtures.h"
#include "platform/Memory.h"
#include "sound/Flux.h"
#include "sound/PisteNumerique.h"
#include "stafftypes/PorteeParoleTempoPiste.h"

namespace {

constexpr int32_t Q = 40320;

// The vertical lines a drawing made, as (x, y top, y bottom), from both line forms.
struct Colonne {
  int x, haut, bas;
  bool operator==(const Colonne& o) const { return x == o.x && haut == o.haut && bas == o.bas; }
};

std::vector<Colonne> Colonnes(const std::vector<std::string>& ops) {
  std::vector<Colonne> out;
  int v, h, v2, h2, dh, dv;
  for (const std::string& op : ops) {
    if (std::sscanf(op.c_str(), "Line (%d,%d) (%d,%d)", &v, &h, &v2, &h2) == 4 && h == h2)
      out.push_back({h, std::min(v, v2), std::max(v, v2)});
    else if (std::sscanf(op.c_str(), "ShortLine (%d,%d) %d %d", &v, &h, &dh, &dv) == 4 && dh == 0)
      out.push_back({h, std::min(v, v + dv), std::max(v, v + dv)});
  }
  return out;
}

// The texts drawn, in order.
std::vector<std::string> Textes(const std::vector<std::string>& ops) {
  std::vector<std::string> out;
  for (const std::string& op : ops) {
    if (op.rfind("LongText", 0) != 0 && op.rfind("DHText", 0) != 0 && op.rfind("DVText", 0) != 0 &&
        op.rfind("DHDVText", 0) != 0)
      continue;
    const size_t a = op.find('"'), b = op.rfind('"');
    if (a != std::string::npos && b > a) out.push_back(op.substr(a + 1, b - a - 1));
  }
  return out;
}

TEST(TempoStaff, TempoEncodings) {
  struct Cas {
    float tempo;
    uint16_t entier;
    int16_t fraction;
    float relu;
  } cas[] = {
      {120.5f, 120, 16000, 120.5f},
      {60.0f, 60, 0, 60.0f},
      {96.25f, 96, 8000, 96.25f},
      // Beyond what the two fields hold: held to their range.
      {-3.0f, 0, 0, 0.0f},
      {70000.0f, 65535, 0, 65535.0f},
  };
  for (const Cas& c : cas) {
    Signe note;
    RazNote(&note, 60, Q);
    InjecteTempoDansNote(&note, c.tempo);
    EXPECT_EQ(note.pourcentJoue, c.entier) << c.tempo;
    EXPECT_EQ(note.decalageArpege, c.fraction) << c.tempo;
    EXPECT_FLOAT_EQ(CvtNoteEnTempo(&note), c.relu) << c.tempo;
  }
  // Old documents: 25 at pitches 0 and 1, then a constant ratio per step.
  struct Ancien {
    int8_t hauteur;
    float tempo;
  } anciens[] = {{0, 25.0f}, {1, 25.0f}, {2, 25.0f * 1.022248561f}, {32, 25.0f * std::pow(1.022248561f, 31.0f)}};
  for (const Ancien& a : anciens) {
    Signe note;
    RazNote(&note, a.hauteur, Q);
    EXPECT_FLOAT_EQ(CvtOldHauteurTempoToNewTempo(&note), a.tempo) << int(a.hauteur);
  }
}

struct TempoStaffTest : BarTableTest {
  Portee** tempo = nullptr;
  Portee** autre = nullptr;
  TempoStaffTest() {
    Mesures(4);
    autre = Portee0();
    NewPortee(score, kTypePorteeTempo);
    tempo = (*score)->portees[1];
  }
  std::vector<int> Hauteurs() {
    int32_t n = 0;
    const Signe* s = GetSignesPortee(tempo, &n);
    std::vector<int> out;
    for (int32_t i = 0; i < n; i++) out.push_back(s[i].kind);
    return out;
  }
};

TEST_F(TempoStaffTest, InstallerAndEndTempo) {
  EXPECT_EQ((*tempo)->type, uint32_t(kTypePorteeTempo));
  EXPECT_EQ((*tempo)->instrument, kInstrumentAucun);
  (*score)->tempo = 120;
  (*score)->fractionTempo = 32767;
  EXPECT_NEAR(GetTempoFinPartition(score), 120.5f, 1e-4f);
}

// Eight sixteenths on the tempo staff; a tempo mark on the other staff from
// within the second to within the fifth takes the second to the fourth.
TEST_F(TempoStaffTest, NotesUnderTempoMarksBecomeRests) {
  for (int i = 0; i < 8; i++) AjouteSigne(tempo, int8_t(40 + i), Q / 4);
  int32_t n = 0;
  GetSignesPortee(tempo, &n)[6].velocity = 1;  // an old marker note
  const int32_t d = NewDynamique(autre);
  ASSERT_GE(d, 0);
  Dynamique& m = GetDynamiquesPortee(autre, nullptr)[d];
  m.type = kDynTempo;
  m.debut = Q / 4 + 100;
  m.fin = 4 * (Q / 4) + 50;
  // A level mark is no tempo mark.
  const int32_t e = NewDynamique(autre);
  GetDynamiquesPortee(autre, nullptr)[e].type = 3;
  GetDynamiquesPortee(autre, nullptr)[e].debut = 0;
  GetDynamiquesPortee(autre, nullptr)[e].fin = 8 * (Q / 4);
  SupprimeNotesPorteeTempoSousEvenements(score);
  EXPECT_EQ(Hauteurs(), (std::vector<int>{40, -1, -1, -1, 44, 45, -1, 47}));
  EXPECT_EQ(GetSignesPortee(tempo, &n)[6].velocity, 64);
  // Without a tempo staff nothing changes.
  (*tempo)->type = kTypePorteeStandard;
  GetSignesPortee(tempo, &n)[0].velocity = 1;
  SupprimeNotesPorteeTempoSousEvenements(score);
  EXPECT_EQ(Hauteurs()[0], 40);
}

// A track on staff 0 whose rectangle runs from y 100 to 164; bars of 4/4 at
// 120 a quarter last 2000 ms, at 1000 Hz 2000 samples.
struct PisteTest : BarTableTest {
  EnvNotation env;
  Portee** staff = nullptr;
  static void SetUpTestSuite() { ActiveFonteMusicale(); }
  PisteTest() {
    Mesures(3);
    NewPortee(score, kTypePorteePisteNumerique);
    staff = (*score)->portees[0];
    (*score)->tempo = 120;
    (*staff)->rect = Rect{100, 0, 164, 2000};
    SetFormatPisteNumerique(staff, 1000, 16);
  }
  // Each played bar k of the track holds the value amplitudes[k].
  void Echantillons(const std::vector<int16_t>& amplitudes) {
    const int32_t id = (*staff)->flux;
    SeekFlux(id, 0);
    for (int16_t a : amplitudes) {
      std::vector<int16_t> bar(2000, a);
      ASSERT_EQ(WriteFluxNatif(bar.data(), 2000, id), 2000);
    }
  }
  void Joue(const std::vector<int32_t>& barres) {
    Handle rows = NewHandleClear(Size(barres.size()) * Size(sizeof(LigneCvtMesure)));
    for (size_t i = 0; i < barres.size(); i++) reinterpret_cast<LigneCvtMesure*>(*rows)[i].mesure = barres[i];
    if ((*score)->tabCvtMesure) DisposeHandle((*score)->tabCvtMesure);
    (*score)->tabCvtMesure = rows;
    (*score)->nbCvtMesures = int16_t(barres.size());
    TabCvtMesureHasChanged(score, rows);
    LibereTableauCvtSec(score);
  }
  std::vector<std::string> Affiche(int32_t firstBar, int32_t lastBar) {
    return Enregistre([&] {
      AffichePisteNumerique(score, staff, 0, CvtMesureEnTemps(score, firstBar), CvtMesureEnTemps(score, lastBar));
    });
  }
};

TEST_F(PisteTest, InstallerSetsTheTrackUp) {
  const Portee& p = **staff;
  EXPECT_EQ(p.type, uint32_t(kTypePorteePisteNumerique));
  EXPECT_EQ(p.instrument, kInstrumentPisteNumerique);
  EXPECT_EQ(p.codeMiseEnPage1, 2);
  EXPECT_EQ(p.volume, 127);
  EXPECT_EQ(p.pan, 64);
  EXPECT_NE(p.flux, 0);
  EXPECT_EQ(p.piste.reglage1, 1);
  EXPECT_EQ(p.piste.reglage4, 1);
  EXPECT_EQ(p.piste.reglage6, 0);
  EXPECT_EQ(p.piste.style.size, 9);
  EXPECT_EQ(p.piste.style.color.green, 65535);
  const VecteursPortee& v = p.vecteurs;
  ASSERT_TRUE(v.vect_init_portee && v.vect_trace_notes && v.vect_trace_barre_mesure && v.vect_Ruban2Note);
  EXPECT_FALSE(v.vect_trace_armature || v.HauteurRuban2Note || v.vect_click_shift || v.CvtIndexNoteEnAireRuban);
  // Nothing to walk over: the note slot returns 0; no ribbon note either.
  Signe note;
  RazNote(&note, 60, Q);
  EXPECT_EQ(v.vect_trace_notes(staff, 0, 0, &note, 0, 3, 5, 0, -1, 0), 0);
  EXPECT_EQ(v.vect_Ruban2Note(staff, 0, 10, nullptr), -2);
  v.vect_init_portee(staff);
  EXPECT_EQ((*staff)->largeurCle, 59);
  // A new track takes the output's rate, at least 44100 Hz.
  Portee** autre = (NewPortee(score, kTypePorteePisteNumerique), (*score)->portees[1]);
  EXPECT_EQ(GetSampleRatePisteNumerique(autre), 44100u);
  EXPECT_EQ(GetNbBitsPisteNumerique(autre), 16);
}

TEST_F(PisteTest, WaveformColumns) {
  struct Cas {
    const char* nom;
    std::vector<int32_t> samples;
    Rect rect;
    std::vector<Colonne> attendu;
  } cas[] = {
      // Silence: one pixel at the centre of every column.
      {"silent", std::vector<int32_t>(8, 0), {10, 0, 30, 4}, {{0, 20, 20}, {1, 20, 20}, {2, 20, 20}, {3, 20, 20}}},
      // Two samples a column, from the centre to the highest and the lowest.
      {"full scale",
       {INT32_MAX, 0, 0, INT32_MIN, 1 << 30, -(1 << 30)},
       {10, 5, 30, 8},
       {{5, 10, 20}, {6, 20, 30}, {7, 15, 25}}},
      // Fewer samples than columns: each column reads the one it starts on.
      {"sparse", {1 << 30}, {10, 0, 30, 3}, {{0, 15, 20}, {1, 15, 20}, {2, 15, 20}}},
      {"no width", {1, 2, 3}, {10, 4, 30, 4}, {}},
  };
  for (const Cas& c : cas) {
    const auto ops = Enregistre([&] { TraceDataDansAire(c.samples.data(), int32_t(c.samples.size()), &c.rect); });
    EXPECT_EQ(Colonnes(ops), c.attendu) << c.nom;
  }
}

// The cell shares the staff's height with the shown text lines, and then
// with the lyrics line's rows.
TEST_F(PisteTest, CellRectangleLeavesRoomForTextLines) {
  Portee& p = **staff;
  p.lignesTexte[0].hauteurLigne = 12;
  p.lignesTexte[1].hauteurLigne = 20;
  struct Cas {
    uint8_t paroles, accords;
    int16_t rangees;
    int32_t rangee;
    int16_t haut, bas;
  } cas[] = {
      {0, 0, 0, 0, 100, 164},   // the whole staff
      {1, 0, 0, 0, 100, 148},   // 64 - (12 + 4)
      {1, 1, 0, 0, 100, 124},   // and - (20 + 4)
      {1, 0, 2, 1, 124, 148},   // two rows of 24, the second
      {1, 1, -3, 0, 100, 124},  // a damaged row count is no count
  };
  for (const Cas& c : cas) {
    p.ligneParolesAffichee = c.paroles;
    p.ligneAccordsAffichee = c.accords;
    p.lignesTexte[0].nbLignes = c.rangees;
    Rect r;
    ASSERT_TRUE(CalculeAireCelluleEcranPisteNumerique(score, staff, 1, c.rangee, &r, 7));
    EXPECT_EQ(r.top, c.haut) << int(c.paroles) << int(c.accords) << c.rangees;
    EXPECT_EQ(r.bottom, c.bas) << int(c.paroles) << int(c.accords) << c.rangees;
    EXPECT_EQ(r.left, CvtMesureEnPixelEcran(score, 1) + 7);
    EXPECT_EQ(r.right, CvtTempsEnPixelEcran(score, CvtMesureEnTemps(score, 2) - 2) + 7 - 1);
  }
  // Text lines taller than the staff leave a cell 4 high.
  p.lignesTexte[1].hauteurLigne = 200;
  p.lignesTexte[0].nbLignes = 0;
  Rect r;
  ASSERT_TRUE(CalculeAireCelluleEcranPisteNumerique(score, staff, 0, 0, &r, 0));
  EXPECT_EQ(r.bottom - r.top, 4);
}

// Bar 0 played twice, then bar 1: bar 0 shows two rows, each with the samples
// and the time of its own pass; bar 1 one row.
TEST_F(PisteTest, BarPlayedTwiceShowsTwoRows) {
  Echantillons({0, 16384, 0});
  Joue({0, 0, 1});
  (*staff)->lignesTexte[0].nbLignes = 2;
  (*staff)->piste.reglage6 = 1;
  const auto ops = Affiche(0, 1);
  // Row 0 from y 100 to 132, row 1 from 132 to 164.
  const int x0 = CvtMesureEnPixelEcran(score, 0), x1 = CvtMesureEnPixelEcran(score, 1);
  std::vector<Colonne> silence, son, autre;
  for (const Colonne& c : Colonnes(ops)) {
    if (c.x <= x0 || c.x >= x1 - 1) continue;  // the frames' sides
    if (c.haut == 116 && c.bas == 116) silence.push_back(c);
    else if (c.haut == 140 && c.bas == 148) son.push_back(c);
    else autre.push_back(c);
  }
  EXPECT_FALSE(silence.empty());
  EXPECT_EQ(son.size(), silence.size());
  EXPECT_TRUE(autre.empty()) << autre.size() << " " << autre[0].x << " " << autre[0].haut << " " << autre[0].bas;
  const auto textes = Textes(ops);
  std::vector<std::string> temps;
  for (const std::string& t : textes)
    if (t.size() == 8 && t[2] == ':') temps.push_back(t);
  EXPECT_EQ(temps, (std::vector<std::string>{"00:00:00", "00:02:00", "00:04:00"}));
  // The first bar notes the track's format.
  EXPECT_NE(std::find(textes.begin(), textes.end(), "1kHz/16b"), textes.end());
}

// A played list that never plays a bar still shows it, after the played end;
// a list with no entries shows every bar as its first pass.
TEST_F(PisteTest, BarsOutsideThePlayedList) {
  Echantillons({100, 200, 300});
  (*staff)->piste.reglage6 = 1;
  Joue({0, 1});
  auto temps = [&] {
    std::vector<std::string> out;
    for (const std::string& t : Textes(Affiche(2, 2)))
      if (t.size() == 8 && t[2] == ':') out.push_back(t);
    return out;
  };
  EXPECT_EQ(temps(), (std::vector<std::string>{"00:04:00"}));
  Joue({});
  EXPECT_EQ(temps(), (std::vector<std::string>{"00:00:00"}));
}

}  // namespace
