// Tablature meter scoring and note timing: how well the note columns of each
// bar fall on a beat grid of 3 or 4 beats, the meter that fits best, and the
// tick of every note inside its bar.
#include <algorithm>
#include <cstdlib>
#include <vector>

#include "import/TABInterne.h"

int32_t EvaluePosRelativeNoteMesure(BarreTab* bar, int16_t beats, int16_t offset, int16_t shift, int16_t mode) {
  if (!bar || beats <= 0) return kScoreImpossible;
  std::vector<int32_t> relatives(bar->notes.size());
  int32_t decalage = offset;
  int32_t w = 0;
  int32_t precedente = -1;
  for (size_t i = 0; i < bar->notes.size(); i++) {
    const NoteTab& n = bar->notes[i];
    if (mode != 0) {
      if (precedente >= 0 && n.colonne != precedente) {
        if (n.colonne > precedente + w) decalage += w;
        w = 0;
      }
      w = std::max(w, mode == 1 ? n.largeur1 : n.largeur1 + n.largeur2);
    }
    relatives[i] = n.colonne - decalage;
    if (relatives[i] < 0) return kScoreImpossible;
    precedente = n.colonne;
  }
  const int32_t utile = bar->largeur - (decalage + w);
  if (utile <= shift) return kScoreImpossible;
  const int32_t t = 10000 / (beats * 32);
  int32_t score = 0;
  for (size_t i = 0; i < bar->notes.size(); i++) {
    // A note at or past the usable width's end would sit on the next bar's
    // first beat and score as if it were on this bar's.
    if (relatives[i] >= bar->largeur - shift - 1 || relatives[i] >= utile - shift) return kScoreImpossible;
    const int32_t p = int32_t(int64_t(relatives[i]) * 10000 / (utile - shift));
    bar->notes[i].position = p;
    int32_t g = 10000 / beats;
    int32_t poids = 100;
    bool trouve = false;
    while (g > 4 * t + 4) {
      const int32_t r = (p + t) % g;
      if (r < 2 * t) {
        score += 1000 * poids + std::abs(t - r);
        trouve = true;
        break;
      }
      g /= 2;
      poids /= 4;
    }
    if (!trouve) score -= 50000;
  }
  return score;
}

namespace {

// The best placement of a bar for a meter, applied again so that its notes
// keep its positions; kScoreImpossible when every placement fails.
int32_t MeilleurePlacement(BarreTab* bar, int16_t beats) {
  const int16_t debut = int16_t(bar->notes.front().colonne < 3 ? bar->notes.front().colonne : 0);
  int32_t meilleur = kScoreImpossible;
  int16_t bo = -1, bs = 0, bm = 0;
  for (int16_t offset = debut; offset <= 3; offset++)
    for (int16_t shift = -1; shift <= 1; shift++)
      for (int16_t mode = 0; mode <= 2; mode++) {
        const int32_t s = EvaluePosRelativeNoteMesure(bar, beats, offset, shift, mode);
        if (bo < 0 || s > meilleur) {
          meilleur = s;
          bo = offset;
          bs = shift;
          bm = mode;
        }
      }
  return EvaluePosRelativeNoteMesure(bar, beats, bo, bs, bm);
}

}  // namespace

// The sum is kept in 64 bits: a long tablature of well-placed notes passes
// what 32 bits hold.
int64_t EvalueNoteTabFnTemps(int16_t beats) {
  int64_t total = 0;
  for (BarreTab& b : loadTab.barres)
    if (!b.notes.empty()) total += MeilleurePlacement(&b, beats);
  return total;
}

int16_t ChoisitTempsTab() {
  const int64_t s3 = EvalueNoteTabFnTemps(3);
  const int64_t s4 = EvalueNoteTabFnTemps(4);
  // Neither meter places the notes: 4 beats rather than none.
  int16_t temps = 4;
  if (s3 > kScoreImpossible) temps = 3;
  if (s4 > std::max<int64_t>(s3, kScoreImpossible)) temps = 4;
  EvalueNoteTabFnTemps(temps);
  return temps;
}

void CalculeTicksNotesBarre(BarreTab* bar, int16_t beats) {
  if (!bar || bar->notes.empty() || beats <= 0) return;
  const int32_t longueur = beats * kTicksNoire;
  std::vector<int32_t> positions;
  for (const NoteTab& n : bar->notes) positions.push_back(n.position);
  std::sort(positions.begin(), positions.end());
  positions.erase(std::unique(positions.begin(), positions.end()), positions.end());

  int32_t pas = kTicksNoire;
  for (size_t c = positions.size(); c > 1; c /= 2) pas /= 2;
  pas = std::max(pas, kTicksNoire / 8);
  const int32_t unite = std::max<int32_t>(1, (10000 / beats) * pas / kTicksNoire);

  // Snapped ticks; -1 for a position left between its neighbours. A tick at
  // or past the bar's end is never taken: the note would fall in the next bar.
  std::vector<int32_t> ticks(positions.size(), -1);
  int32_t indexPrecedent = -1;
  for (size_t i = 0; i < positions.size(); i++) {
    const int32_t p = positions[i];
    const int32_t q = (p + unite / 4) / unite;
    if (q != indexPrecedent && int64_t(q) * pas < longueur && std::abs(q * unite - p) <= unite / 4) {
      ticks[i] = q * pas;
      indexPrecedent = q;
    }
  }
  // Runs of unsnapped positions are spread evenly between their neighbours.
  int32_t precedent = 0;
  for (size_t i = 0; i < positions.size();) {
    if (ticks[i] >= 0) {
      precedent = ticks[i];
      i++;
      continue;
    }
    size_t j = i;
    while (j < positions.size() && ticks[j] < 0) j++;
    const int32_t suivant = j < positions.size() ? ticks[j] : longueur;
    const int32_t m = int32_t(j - i);
    const int32_t ecart = std::max(0, suivant - precedent);
    int32_t d = std::max(1, ecart / pas);
    while (d % 2 == 0) d /= 2;
    int32_t k = d;
    while (k < m + 1) k *= 2;
    for (int32_t r = 1; r <= m; r++) ticks[i + size_t(r - 1)] = precedent + int32_t(int64_t(r) * ecart / k);
    i = j;
  }
  for (NoteTab& n : bar->notes) {
    const size_t i = size_t(std::lower_bound(positions.begin(), positions.end(), n.position) - positions.begin());
    n.position = ticks[i];
  }
}
