#include "stafftypes/ModelesHarmonica.h"

#include <algorithm>
#include <cstring>

#include "model/Portee.h"
#include "stafftypes/ServicesTypesPortee.h"

namespace {

struct Modele {
  uint32_t code;
  uint8_t reference;
  const char* francais;
  const char* anglais;
  int16_t trous;
  uint8_t chromatique, bends, valves;
  int16_t premierTrouNormal;
  uint8_t souffle[16], aspire[16], souffleCoulisse[16], aspireCoulisse[16];
  uint8_t rangees[kNbRangeesSupHarmonica][10];
};

// The table's rows; model codes reach them through kRangeeDuCode. Fields:
// code, reference, names, holes, chromatic, bends, valved, first plain hole,
// blow, draw, slide blow, slide draw, extra rows.
// clang-format off
#define RICHTER_SOUFFLE {60, 64, 67, 72, 76, 79, 84, 88, 91, 96}
#define RICHTER_ASPIRE {62, 67, 71, 74, 77, 81, 83, 86, 89, 93}
const Modele kModeles[kNbModelesHarmonica] = {
    {0, 60, "Diatonique Majeur", "Diatonic Major", 10, 0, 1, 0, 0,
     RICHTER_SOUFFLE, RICHTER_ASPIRE, {}, {}, {}},
    {3, 60, "Diatonique Mineur", "Natural Minor Diatonic", 10, 0, 1, 0, 0,
     {60, 63, 67, 72, 75, 79, 84, 87, 91, 96}, {62, 67, 70, 74, 77, 81, 82, 86, 89, 93}, {}, {}, {}},
    {4, 60, "Harmonique Mineur", "Harmonic Minor", 10, 0, 1, 0, 0,
     {60, 63, 67, 72, 75, 79, 84, 87, 91, 96}, {62, 67, 71, 74, 77, 80, 83, 86, 89, 92}, {}, {}, {}},
    {2, 60, "Melody Maker", "Melody Maker", 10, 0, 1, 0, 0,
     {60, 64, 69, 72, 76, 79, 84, 88, 91, 96}, {62, 67, 71, 74, 78, 81, 83, 86, 90, 93}, {}, {}, {}},
    {1, 60, "Chromatique", "Chromatic", 12, 1, 0, 0, 0,
     {60, 64, 67, 72, 72, 76, 79, 84, 84, 88, 91, 96},
     {62, 65, 69, 71, 74, 77, 81, 83, 86, 89, 93, 95},
     {61, 65, 68, 73, 73, 77, 80, 85, 85, 89, 92, 97},
     {63, 66, 70, 72, 75, 78, 82, 84, 87, 90, 94, 98}, {}},
    {5, 48, "Chromatique 16 trous", "Chromatic 16 holes", 16, 1, 0, 0, 5,
     {48, 52, 55, 60, 60, 64, 67, 72, 72, 76, 79, 84, 84, 88, 91, 96},
     {50, 53, 57, 59, 62, 65, 69, 71, 74, 77, 81, 83, 86, 89, 93, 95},
     {49, 53, 56, 61, 61, 65, 68, 73, 73, 77, 80, 85, 85, 89, 92, 97},
     {51, 54, 58, 60, 63, 66, 70, 72, 75, 78, 82, 84, 87, 90, 94, 98}, {}},
    {6, 60, "Diatonique Lydien", "Diatonic Country", 10, 0, 0, 0, 0,
     {60, 64, 67, 72, 76, 79, 84, 88, 91, 96}, {62, 67, 71, 74, 78, 81, 83, 86, 89, 93}, {}, {}, {}},
    {7, 60, "Accordage Richter (valve)", "Richter tuned (valved)", 10, 0, 0, 1, 0,
     RICHTER_SOUFFLE, RICHTER_ASPIRE, {}, {},
     {{61, 66, 70, 73, 0, 80, 82, 85, 0, 92},
      {71, 63, 0, 0, 75, 78, 0, 87, 90, 94},
      {0, 65, 69, 0, 0, 0, 0, 0, 0, 0},
      {},
      {0, 0, 68, 0, 0, 0, 0, 0, 0, 0}}},
    {8, 60, "Valve SUB30 Ultrabend", "Valved SUB30 Ultrabend", 10, 0, 0, 1, 0,
     RICHTER_SOUFFLE, RICHTER_ASPIRE, {}, {},
     {{61, 65, 68, 73, 0, 80, 94, 85, 88, 92},
      {71, 63, 66, 83, 75, 78, 0, 87, 90, 95},
      {0, 66, 69, 0, 0, 0, 0, 0, 0, 0},
      {0, 0, 0, 0, 0, 0, 0, 0, 0, 94},
      {0, 0, 70, 0, 0, 0, 0, 0, 0, 0}}},
};
#undef RICHTER_SOUFFLE
#undef RICHTER_ASPIRE
// clang-format on

// Table row of each model code.
constexpr int kRangeeDuCode[kNbModelesHarmonica] = {0, 4, 3, 1, 2, 5, 6, 7, 8};

void Copie(char* dest, const char* src) {
  std::memset(dest, 0, 32);
  std::strncpy(dest, src, 31);
}

DefinitionHarmonica DepuisTable(const Modele& m) {
  DefinitionHarmonica d{};
  d.code = m.code;
  d.hauteurReference = m.reference;
  d.hauteurReference2 = m.reference;
  Copie(d.nomFrancais, m.francais);
  Copie(d.nomAnglais, m.anglais);
  d.nbTrous = m.trous;
  d.chromatique = m.chromatique;
  d.bends = m.bends;
  d.valves = m.valves;
  d.premierTrouNormal = m.premierTrouNormal;
  for (int t = 0; t < m.trous; t++) {
    d.souffle[t] = m.souffle[t];
    d.aspire[t] = m.aspire[t];
    d.souffleCoulisse[t] = m.souffleCoulisse[t];
    d.aspireCoulisse[t] = m.aspireCoulisse[t];
    if (t < 10)
      for (int r = 0; r < kNbRangeesSupHarmonica; r++) d.rangees[r][t] = m.rangees[r][t];
  }
  return d;
}

// A transposed pitch stays a note number; 0 still means no note.
uint8_t Transpose(uint8_t p, int32_t d) { return p ? uint8_t(std::clamp<int32_t>(p + d, 1, 127)) : uint8_t(0); }

bool Sonne(const DefinitionHarmonica& d, int t) {
  return d.souffle[t] || d.aspire[t] || d.souffleCoulisse[t] || d.aspireCoulisse[t];
}

// A harmonica has 10, 12 or 16 holes. Any other count (a damaged or foreign
// definition) becomes the smallest of them that keeps every hole that sounds.
int16_t NbTrousValide(const DefinitionHarmonica& d) {
  if (d.nbTrous == 10 || d.nbTrous == 12 || d.nbTrous == 16) return d.nbTrous;
  int dernier = 0;
  for (int t = 0; t < kNbTrousHarmonica; t++)
    if (Sonne(d, t)) dernier = t + 1;
  return dernier <= 10 ? 10 : dernier <= 12 ? 12 : 16;
}

const Harmonica* RecordHarmonica(Portee** staff) {
  Tablature** t = staff ? GetTablature(staff) : nullptr;
  return t ? &(*t)->harmonica : nullptr;
}

}  // namespace

bool CalculeDefinitionHarmonica(int32_t code, const Harmonica& h, DefinitionHarmonica* out) {
  if (!out) return false;
  DefinitionHarmonica d;
  if (code == -1) {
    d = h.definition;
    d.nbTrous = NbTrousValide(d);
    d.premierTrouNormal = int16_t(std::clamp<int>(d.premierTrouNormal, 0, d.nbTrous));
  } else if (code >= 0 && code < kNbModelesHarmonica) {
    d = DepuisTable(kModeles[kRangeeDuCode[code]]);
    const int32_t ecart = int32_t(h.hauteurReference) - d.hauteurReference;
    if (ecart != 0) {
      for (int t = 0; t < d.nbTrous; t++) {
        d.souffle[t] = Transpose(d.souffle[t], ecart);
        d.aspire[t] = Transpose(d.aspire[t], ecart);
        d.souffleCoulisse[t] = Transpose(d.souffleCoulisse[t], ecart);
        d.aspireCoulisse[t] = Transpose(d.aspireCoulisse[t], ecart);
        for (auto& r : d.rangees) r[t] = Transpose(r[t], ecart);
      }
    }
  } else {
    return false;
  }
  if (!d.valves && !d.chromatique) {
    d.bends = h.bendsPermis;
    d.overblows = h.overblowsPermis;
  }
  *out = d;
  return true;
}

int16_t CalculeDefinitionHarmonica(int32_t code, Portee** staff, DefinitionHarmonica* out) {
  const Harmonica* h = RecordHarmonica(staff);
  return h && CalculeDefinitionHarmonica(code, *h, out) ? 1 : 0;
}

bool InitTabCalcHarmonica(int32_t code, const Harmonica& h, TabCalcHarmonica* out) {
  if (!out) return false;
  std::memset(out, 0, sizeof *out);
  if (!CalculeDefinitionHarmonica(code, h, &out->definition)) return false;
  const DefinitionHarmonica& d = out->definition;
  auto& r = out->rangees;
  for (int t = 0; t < d.nbTrous; t++) {
    const int souffle = d.souffle[t], aspire = d.aspire[t];
    r[kRangeeAspire][t] = uint8_t(aspire);
    r[kRangeeSouffle][t] = uint8_t(souffle);
    if (d.chromatique) {
      r[2][t] = d.aspireCoulisse[t];
      r[3][t] = d.souffleCoulisse[t];
      continue;
    }
    if (d.valves) {
      for (int k = 0; k < kNbRangeesSupHarmonica; k++) r[2 + k][t] = d.rangees[k][t];
      continue;
    }
    // A hole with one breath only has nothing to bend toward.
    if (!souffle || !aspire) continue;
    if (d.bends) {
      if (souffle > aspire) {
        for (int k = 1; k <= 6 && souffle - k > aspire; k++) r[1 + 2 * k][t] = uint8_t(souffle - k);
      } else if (aspire - 1 > souffle) {
        for (int k = 1; k <= 6 && aspire - k > souffle; k++) r[2 * k][t] = uint8_t(aspire - k);
      }
    }
    if (d.overblows) {
      if (aspire < souffle) r[kRangeeOverdraw][t] = uint8_t(std::min(souffle + 1, 127));
      else if (souffle < aspire) r[kRangeeOverblow][t] = uint8_t(std::min(aspire + 1, 127));
    }
  }
  return true;
}

int16_t InitTabCalcHarmonica(int32_t code, Portee** staff, TabCalcHarmonica* out) {
  const Harmonica* h = RecordHarmonica(staff);
  if (!h) {
    if (out) std::memset(out, 0, sizeof *out);
    return 0;
  }
  return InitTabCalcHarmonica(code, *h, out) ? 1 : 0;
}

int16_t CalculeHauteurNoteHarmonica(const Harmonica& h, uint8_t row, int16_t hole) {
  DefinitionHarmonica d;
  if (!CalculeDefinitionHarmonica(h.modele, h, &d) || hole < 0 || hole >= kNbTrousHarmonica || hole >= d.nbTrous)
    return -1;
  const bool souffle = row & 1;
  const int k = (row >> 1) & 7;
  int p;
  if (h.chromatiqueUtilise && k != 0) {
    p = souffle ? d.souffleCoulisse[hole] : d.aspireCoulisse[hole];
  } else if (k == kBendsOver) {
    // The other breath's note, a semitone up.
    p = souffle ? d.aspire[hole] : d.souffle[hole];
    if (p) p++;
  } else {
    p = souffle ? d.souffle[hole] : d.aspire[hole];
    if (p) p -= k;
  }
  return p > 0 ? int16_t(p) : int16_t(-1);
}

int16_t CalculeHauteurNoteTablatureHarmonica(Portee** staff, int16_t row, int16_t hole) {
  const Harmonica* h = RecordHarmonica(staff);
  return h ? CalculeHauteurNoteHarmonica(*h, uint8_t(row), hole) : int16_t(-1);
}

void CalculeCordeCaseNoteTablatureHarmonica(Portee** staff, int16_t pitch, uint8_t* row, uint8_t* hole) {
  if (row) *row = kTrouAucun;
  if (hole) *hole = kTrouAucun;
  TabCalcHarmonica table;
  const Harmonica* h = RecordHarmonica(staff);
  if (!h || pitch <= 0 || !InitTabCalcHarmonica(h->modele, *h, &table)) return;
  for (int r = 0; r < kNbRangeesHarmonica; r++)
    for (int t = 0; t < table.definition.nbTrous; t++)
      if (table.rangees[r][t] == pitch) {
        if (row) *row = uint8_t(r);
        if (hole) *hole = uint8_t(t);
        return;
      }
}
