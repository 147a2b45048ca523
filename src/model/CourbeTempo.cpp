#include "model/CourbeTempo.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "model/ParamEffet.h"
#include "model/Partition.h"
#include "model/Portee.h"
#include "model/QrvDynamics.h"
#include "model/Signe.h"
#include "model/TempsJoue.h"
#include "notation/ServicesNotation.h"
#include "platform/Memory.h"
#include "plugin/ServicesInertes.h"
#include "sound/ServicesSon.h"
#include "stafftypes/ServicesTypesPortee.h"
#include "system/Handles.h"
#include "system/Strings.h"

namespace {

constexpr float kTempoSansPartition = 120.0f;
constexpr int32_t kDureeNoire = 40320;

typedef std::vector<PointTempo> Points;

int32_t ArrondiPas(int32_t tick) { return tick / kPasCourbeTempo * kPasCourbeTempo; }

// The last point whose tick is at most q, -1 when none.
int32_t DernierPointAvant(const PointTempo* p, int32_t n, int32_t q) {
  int32_t lo = 0, hi = n - 1, res = -1;
  while (lo <= hi) {
    int32_t mid = lo + (hi - lo) / 2;
    if (p[mid].temps <= q) {
      res = mid;
      lo = mid + 1;
    } else {
      hi = mid - 1;
    }
  }
  return res;
}

float TempoPoints(const PointTempo* p, int32_t n, int32_t tick, float tempoPartition) {
  int32_t q = ArrondiPas(tick);
  if (n <= 0 || q < p[0].temps) return tempoPartition;
  int32_t i = DernierPointAvant(p, n, q);
  if (i < 0) return tempoPartition;
  if (i == n - 1 || !p[i].rampe) return p[i].tempo;
  if (p[i + 1].temps == p[i].temps) return p[i + 1].tempo;
  float ecart = float(int64_t(q) - p[i].temps);
  float duree = float(int64_t(p[i + 1].temps) - p[i].temps);
  return p[i].tempo + ecart * (p[i + 1].tempo - p[i].tempo) / duree;
}

float TempoPoints(const Points& v, int32_t tick, float tempoPartition) {
  return TempoPoints(v.data(), int32_t(v.size()), tick, tempoPartition);
}

PointTempo Point(int32_t tick, float tempo, uint8_t ramp) {
  PointTempo p{};
  p.temps = tick;
  p.tempo = tempo;
  p.rampe = ramp;
  return p;
}

// The point that starts a ramp over q is cut there: its end goes and a step
// at q keeps the tempo reached. The index after which q's points go.
int32_t CoupeRampe(Points& v, int32_t q, float tempoPartition) {
  int32_t i = DernierPointAvant(v.data(), int32_t(v.size()), q);
  if (i >= 0 && v[size_t(i)].rampe) {
    float tq = TempoPoints(v, q, tempoPartition);
    if (size_t(i) + 1 < v.size()) v.erase(v.begin() + (i + 1));
    v.insert(v.begin() + (i + 1), Point(q, tq, 0));
    i++;
  }
  return i;
}

void AjoutePointFixe(Points& v, int32_t tick, float tempo, float tempoPartition) {
  int32_t q = ArrondiPas(tick);
  int32_t i = CoupeRampe(v, q, tempoPartition);
  v.insert(v.begin() + (i + 1), Point(q, tempo, 0));
}

void AjouteRampe(Points& v, int32_t t0, int32_t t1, float tempo0, float tempo1, float tempoPartition) {
  int32_t q0 = ArrondiPas(t0);
  int32_t q1 = std::max(ArrondiPas(t1), q0);
  int32_t i = CoupeRampe(v, q0, tempoPartition);
  // The ramp replaces what lay strictly inside its span, so that the points
  // stay in tick order; a point exactly at its end still follows it.
  auto debut = v.begin() + (i + 1);
  auto fin = debut;
  while (fin != v.end() && fin->temps < q1) ++fin;
  debut = v.erase(debut, fin);
  debut = v.insert(debut, Point(q0, tempo0, 1));
  v.insert(debut + 1, Point(q1, tempo1, 0));
}

Points LitCourbe(Partition** score) {
  int32_t n = 0;
  PointTempo* p = GetPointsCourbeTempo(score, &n);
  return p ? Points(p, p + n) : Points();
}

// Replaces the score's curve; false when memory runs out (the old one stays).
bool EcritCourbe(Partition** score, const Points& v) {
  Size taille = Size(v.size() * sizeof(PointTempo));
  Handle h = NewHandle(taille);
  if (!h) return false;
  if (taille > 0) std::memcpy(*h, v.data(), size_t(taille));
  LibereHandle(&(*score)->courbeTempo);
  (*score)->courbeTempo = h;
  return true;
}

struct MarqueTempo {
  int32_t debut;
  int32_t fin;
  float tempo;
  uint16_t forme1;
  uint16_t forme2;
};

struct PointOrgue {
  int32_t debut;
  int32_t fin;
  int32_t pourcent;
};

void AjouteNotesPorteeTempo(Partition** score, Points& v, float tempoPartition) {
  Portee** staff = LocalisePorteeTempo(score);
  int32_t n = 0;
  const Signe* s = GetSignesPortee(staff, &n);
  int64_t t = 0;
  for (int32_t i = 0; i < n; i++) {
    if (s[i].kind >= 0) AjoutePointFixe(v, Sature32(t), CvtNoteEnTempo(&s[i]), tempoPartition);
    if (!(s[i].flags & kSigneAccordSuite)) t += s[i].duree;
  }
}

void AjouteMarquesTempo(Partition** score, Points& v, float tempoPartition) {
  std::vector<MarqueTempo> marques;
  for (int16_t k = 0; k < (*score)->nbPortees; k++) {
    Portee** staff = (*score)->portees[k];
    if (!staff || (*staff)->type == kTypePorteeTempo) continue;
    int32_t n = 0;
    const Dynamique* d = GetDynamiquesPortee(staff, &n);
    for (int32_t i = 0; i < n; i++) {
      if (d[i].type != kDynTempo) continue;
      MarqueTempo m{d[i].debut, d[i].fin, CvtDynamiqueEnTempoALaNoire(&d[i]), d[i].forme1, d[i].forme2};
      // A mark that ends before it starts changes the tempo at once.
      if (!d[i].progressif || m.fin < m.debut) {
        m.fin = m.debut;
        m.forme1 = m.forme2 = 65535;
      }
      marques.push_back(m);
    }
  }
  std::stable_sort(marques.begin(), marques.end(),
                   [](const MarqueTempo& a, const MarqueTempo& b) { return a.debut < b.debut; });
  for (const MarqueTempo& m : marques) {
    if (m.fin == m.debut) {
      AjoutePointFixe(v, m.debut, m.tempo, tempoPartition);
      continue;
    }
    float t0 = TempoPoints(v, m.debut, tempoPartition);
    float ecart = m.tempo - t0;
    int64_t duree = int64_t(m.fin) - m.debut;
    int32_t m1 = Sature32(m.debut + duree / 3);
    int32_t m2 = Sature32(m.debut + 2 * duree / 3);
    float tempo1 = t0 + float(m.forme1) * ecart * 0.01f;
    float tempo2 = t0 + float(m.forme2) * ecart * 0.01f;
    AjouteRampe(v, m.debut, m1, t0, tempo1, tempoPartition);
    AjouteRampe(v, m1, m2, tempo1, tempo2, tempoPartition);
    AjouteRampe(v, m2, m.fin, tempo2, m.tempo, tempoPartition);
  }
}

void AjoutePointsOrgue(Partition** score, Points& v, float tempoPartition) {
  std::vector<PointOrgue> orgues;
  for (int16_t k = 0; k < (*score)->nbPortees; k++) {
    Portee** staff = (*score)->portees[k];
    if (!staff || (*staff)->type == kTypePorteeTempo) continue;
    int32_t nbEffets = 0;
    const ParamEffet* e = GetParamEffetsPortee(staff, &nbEffets);
    if (!e) continue;
    int32_t n = 0;
    const Signe* s = GetSignesPortee(staff, &n);
    int64_t t = 0;
    for (int32_t i = 0; i < n; i++) {
      int32_t debut = Sature32(t);
      if (!(s[i].flags & kSigneAccordSuite)) t += s[i].duree;
      int32_t ie = s[i].indexParamEffet;
      if (ie < 0 || ie >= nbEffets || e[ie].libre || !e[ie].marks) continue;
      int32_t nbMarks = GetNbMarks(e[ie].marks);
      const Mark* m = reinterpret_cast<const Mark*>(*e[ie].marks);
      for (int32_t j = 0; j < nbMarks; j++) {
        if (!m[j].actif || (m[j].code != kMarkPointOrgue && m[j].code != kMarkPointOrgueInverse)) continue;
        int32_t pourcent = e[ie].pointOrgue ? 10000 / e[ie].pointOrgue : 25;
        orgues.push_back(PointOrgue{debut, Sature32(int64_t(debut) + s[i].duree), pourcent});
      }
    }
  }
  std::stable_sort(orgues.begin(), orgues.end(),
                   [](const PointOrgue& a, const PointOrgue& b) { return a.debut < b.debut; });
  for (size_t g = 0; g < orgues.size();) {
    // Fermatas starting together make one: the longest end, the slowest tempo.
    int32_t fin = orgues[g].fin, pourcent = 400;
    size_t h = g;
    for (; h < orgues.size() && orgues[h].debut == orgues[g].debut; h++) {
      fin = std::max(fin, orgues[h].fin);
      pourcent = std::min(pourcent, orgues[h].pourcent);
    }
    int32_t s = ArrondiPas(orgues[g].debut), e = ArrondiPas(fin);
    g = h;
    // A span that rounds to nothing slows nothing.
    if (e <= s) continue;
    int32_t n = int32_t(v.size());
    int32_t i0 = DernierPointAvant(v.data(), n, s);
    float tempo0 = TempoPoints(v, s, tempoPartition);
    int32_t i1 = DernierPointAvant(v.data(), n, e);
    float tempo1 = TempoPoints(v, e, tempoPartition);
    while (i1 > i0 && v[size_t(i1)].temps == e) i1--;
    float facteur = float(pourcent) * 0.01f;
    for (int32_t k = i0 + 1; k <= i1; k++) v[size_t(k)].tempo *= facteur;
    uint8_t rampe1 = i1 >= 0 ? v[size_t(i1)].rampe : 0;
    v.insert(v.begin() + (i1 + 1), {Point(e - 1, tempo1 * facteur, 0), Point(e, tempo1, rampe1)});
    uint8_t rampe0 = i0 >= 0 ? v[size_t(i0)].rampe : 0;
    v.insert(v.begin() + (i0 + 1), {Point(s - 1, tempo0, 0), Point(s, tempo0 * facteur, rampe0)});
  }
}

bool MemesPoints(const Points& a, const Points& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); i++)
    if (a[i].temps != b[i].temps || a[i].tempo != b[i].tempo || a[i].rampe != b[i].rampe) return false;
  return true;
}

}  // namespace

PointTempo* GetPointsCourbeTempo(Partition** score, int32_t* count) {
  if (count) *count = 0;
  if (!score || !(*score)->courbeTempo) return nullptr;
  if (count) *count = int32_t(GetHandleSize((*score)->courbeTempo) / Size(sizeof(PointTempo)));
  return reinterpret_cast<PointTempo*>(*(*score)->courbeTempo);
}

float CvtTempsEnTempo(Partition** score, int32_t tick) {
  if (!score) return kTempoSansPartition;
  if (!(*score)->courbeTempo) CreeCourbeTempo(score);
  if (!(*score)->courbeTempo) return kTempoSansPartition;
  int32_t n = 0;
  const PointTempo* p = GetPointsCourbeTempo(score, &n);
  return TempoPoints(p, n, tick, GetTempoFinPartition(score));
}

void CreeCourbeTempo(Partition** score) {
  if (!score) return;
  bool existait = (*score)->courbeTempo != nullptr;
  Points ancienne = LitCourbe(score);
  LibereHandle(&(*score)->courbeTempo);
  LibereTableauCvtSec(score);
  InvalideAirePistesNumeriques((*score)->document);

  float tempoPartition = GetTempoFinPartition(score);
  Points v;
  AjouteNotesPorteeTempo(score, v, tempoPartition);
  AjouteMarquesTempo(score, v, tempoPartition);
  AjoutePointsOrgue(score, v, tempoPartition);
  if (!EcritCourbe(score, v)) return;
  if (!existait || !MemesPoints(ancienne, v)) LyrastelPartitionACalculer(score);
}

void PrepareDynamiquesTempoPartition(Partition** score) {
  PauseMusique();
  CreeCourbeTempo(score);
  DePauseMusique();
}

void AjouteNotesDynamiquesTempo(Partition** score) { PrepareDynamiquesTempoPartition(score); }

// Tempo marks make no notes on the tempo staff: there is nothing to remove.
void DeleteNotesDynamiquesTempo() {}

void ClearCourbeTempo(Partition** score) {
  if (!score) return;
  LibereHandle(&(*score)->courbeTempo);
}

Portee** LocalisePorteeTempo(Partition** score) {
  if (!score) return nullptr;
  for (int16_t i = 0; i < (*score)->nbPortees; i++) {
    Portee** staff = (*score)->portees[i];
    if (staff && (*staff)->type == kTypePorteeTempo) return staff;
  }
  return nullptr;
}

void AddFixedTempoPoint(Partition** score, int32_t tick, float tempo) {
  if (!score || !(*score)->courbeTempo) return;
  Points v = LitCourbe(score);
  AjoutePointFixe(v, tick, tempo, GetTempoFinPartition(score));
  EcritCourbe(score, v);
}

void AddSmoothTempoPoint(Partition** score, int32_t start, int32_t end, float startTempo, float endTempo) {
  if (!score || !(*score)->courbeTempo) return;
  Points v = LitCourbe(score);
  AjouteRampe(v, start, end, startTempo, endTempo, GetTempoFinPartition(score));
  EcritCourbe(score, v);
}

float CvtDynamiqueEnTempoALaNoire(const Dynamique* record) {
  if (!record) return 0.0f;
  return float(record->uniteTempo) * 0.000024801588f * (float(record->valeur1) + float(record->valeur2) * 0.01f);
}

void InjecteTempoDansDynamique(Dynamique* record, float tempo) {
  if (!record) return;
  float t = tempo + 0.005f;
  if (!(t >= 1.0f)) t = 1.0f;
  if (t > 5000.0f) t = 5000.0f;
  record->valeur1 = uint16_t(t);
  record->valeur2 = uint16_t((t - float(record->valeur1)) * 100.0f);
}

int32_t AjouteObjetTempo(Partition** score, Portee** staff, int32_t tick, float tempo) {
  if (!staff && score && (*score)->nbPortees > 0) staff = (*score)->portees[0];
  int32_t index = NewDynamique(staff);
  if (index < 0) return index;
  Dynamique d;
  SetDefaultDynamique(&d, kDynTempo);
  Rect r{};
  GetRectStdDynamique(staff, &d, &r);
  d.tempoAffiche = 0;
  InjecteTempoDansDynamique(&d, tempo);
  d.debut = tick;
  d.fin = Sature32(int64_t(tick) + kDureeNoire);
  d.haut = -32;
  d.bas = int32_t(r.bottom) - 32;
  GetDynamiquesPortee(staff, nullptr)[index] = d;
  return index;
}
