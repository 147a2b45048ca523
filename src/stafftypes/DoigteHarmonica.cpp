#include "stafftypes/DoigteHarmonica.h"

#include <algorithm>
#include <cstdlib>

#include "model/Portee.h"
#include "model/Signe.h"
#include "stafftypes/ServicesTypesPortee.h"

namespace {

constexpr int kMaxNotesAccord = 16;
constexpr int kAucune = -1;

bool Utilisateur(const Signe& s) { return s.flags & kSignePositionUtilisateur; }
bool Lie(const Signe& s) { return s.flags & kSigneAccordSuite; }
int NbTrous(const TabCalcHarmonica& t) { return t.definition.nbTrous; }

// The place of a group's notes on row r: how many of them got a hole.
int PlaceGroupe(const TabCalcHarmonica& table, int r, const int* hauteurs, int n, int* trous) {
  const uint8_t* rangee = table.rangees[r];
  const int nt = NbTrous(table);
  if (n == 1) {
    for (int t = 0; t < nt; t++)
      if (rangee[t] && rangee[t] == hauteurs[0]) {
        trous[0] = t;
        return 1;
      }
    return 0;
  }
  if (nt <= 0) return 0;
  // The group note each hole sounds, or none.
  int note[kNbTrousHarmonica];
  for (int t = 0; t < nt; t++) {
    note[t] = kAucune;
    for (int k = 0; k < n && rangee[t]; k++)
      if (rangee[t] == hauteurs[k]) {
        note[t] = k;
        break;
      }
  }
  // Runs of adjacent sounding holes; one that reaches the last hole is not
  // counted, but may still be the first run.
  int debut[kNbTrousHarmonica], longueur[kNbTrousHarmonica], nbRuns = 0, comptes = 0;
  bool dernierCompte = false;
  for (int t = 0; t < nt;) {
    if (note[t] == kAucune) {
      t++;
      continue;
    }
    int f = t;
    while (f < nt && note[f] != kAucune) f++;
    debut[nbRuns] = t;
    longueur[nbRuns] = f - t;
    nbRuns++;
    dernierCompte = f < nt;
    if (dernierCompte) comptes++;
    t = f;
  }
  if (nbRuns == 0) return 0;
  int depart = debut[0], total = longueur[0];
  if (comptes >= 2) {
    // Counted runs are every run but a last one that reaches the end.
    const int n2 = dernierCompte ? nbRuns : nbRuns - 1;
    int meilleur = -1;
    for (int k = 0; k + 1 < n2; k++)
      if (longueur[k] + longueur[k + 1] > meilleur) {
        meilleur = longueur[k] + longueur[k + 1];
        depart = debut[k];
        total = meilleur;
      }
  }
  bool a[kMaxNotesAccord] = {};
  for (int t = depart; t < nt && total > 0; t++) {
    if (note[t] == kAucune) continue;
    trous[note[t]] = t;
    a[note[t]] = true;
    total--;
  }
  int compte = 0;
  for (int k = 0; k < n; k++) compte += a[k];
  return compte;
}

// The hole of row q nearest to `ref` that sounds `pitch` (lowest on ties), or none.
int PlusProche(const TabCalcHarmonica& table, int q, int pitch, int ref) {
  int meilleur = kAucune, distance = 0;
  for (int t = 0; t < NbTrous(table); t++) {
    if (table.rangees[q][t] != pitch) continue;
    const int d = std::abs(t - ref);
    if (meilleur == kAucune || d < distance) {
      meilleur = t;
      distance = d;
      if (d == 0) break;
    }
  }
  return meilleur;
}

}  // namespace

void CalculeNoteOptimiseHarmonica(const TabCalcHarmonica& table, Signe* note, const Signe& reference) {
  if (!note || int8_t(note->tablatureCase) < 0 || int8_t(note->tablatureCorde) < 0 || note->kind <= 0) return;
  const int ref = int8_t(reference.tablatureCase);
  const int b = reference.tablatureCorde & 1;
  const int haut = note->tablatureCorde & 0xF0;
  const int p = note->kind;
  auto place = [&](int trou, int q) {
    note->tablatureCase = uint8_t(trou);
    note->tablatureCorde = uint8_t(haut | q);
  };
  if (const int t = PlusProche(table, b, p, ref); t != kAucune) return place(t, b);
  // A bend of the same breath only on the reference's own hole.
  for (int q = b + 2; q <= b + 12; q += 2)
    if (PlusProche(table, q, p, ref) == ref && ref >= 0) return place(ref, q);
  if (const int t = PlusProche(table, 1 - b, p, ref); t != kAucune) return place(t, 1 - b);
  int rangee = kAucune, trou = kAucune;
  for (int q = 2; q <= 13; q++) {
    const int t = PlusProche(table, q, p, ref);
    if (t != kAucune && (trou == kAucune || std::abs(t - ref) < std::abs(trou - ref))) {
      rangee = q;
      trou = t;
    }
  }
  if (rangee != kAucune) return place(trou, rangee);
  if (const int t = PlusProche(table, kRangeeOverblow, p, ref); t != kAucune) return place(t, kRangeeOverblow);
  if (const int t = PlusProche(table, kRangeeOverdraw, p, ref); t != kAucune) return place(t, kRangeeOverdraw);
}

bool CalculeDoigteHarmonica(Harmonica& h, Signe* s, int32_t n) {
  TabCalcHarmonica table;
  if (!s || n <= 0 || !InitTabCalcHarmonica(h.modele, h, &table)) return false;
  h.chromatiqueUtilise = uint8_t(table.definition.chromatique ? 1 : 0);
  for (int32_t i = 0; i < n; i++)
    if (!Utilisateur(s[i])) {
      s[i].tablatureCase = kTrouAucun;
      s[i].tablatureCorde = kTrouAucun;
    }

  // First pass, group by group: a chord's notes, or one note.
  for (int32_t i = 0; i < n;) {
    int32_t fin = i;
    while (fin + 1 < n && Lie(s[fin]) && !Utilisateur(s[fin])) fin++;
    const int nb = int(std::min<int32_t>(fin - i + 1, kMaxNotesAccord));
    int hauteurs[kMaxNotesAccord];
    for (int k = 0; k < nb; k++) hauteurs[k] = s[i + k].kind;
    int resultat[kMaxNotesAccord], meilleur = 0, meilleureRangee = 0;
    for (int k = 0; k < nb; k++) resultat[k] = kTrouAucun;
    for (int r = 0; r < kNbRangeesHarmonica && meilleur < nb; r++) {
      int trous[kMaxNotesAccord];
      for (int k = 0; k < nb; k++) trous[k] = kTrouAucun;
      const int compte = PlaceGroupe(table, r, hauteurs, nb, trous);
      if (compte > meilleur) {
        meilleur = compte;
        meilleureRangee = r;
        for (int k = 0; k < nb; k++) resultat[k] = trous[k];
      }
    }
    for (int k = 0; k < nb; k++) {
      Signe& note = s[i + k];
      if (Utilisateur(note)) continue;
      note.tablatureCase = uint8_t(resultat[k]);
      note.tablatureCorde = uint8_t(meilleureRangee + 16 * (nb - 1 - k));
    }
    i = fin + 1;
  }

  if (!h.secondePasse) return true;
  // Second pass: single notes only; every chord keeps its first-pass place.
  auto aTrou = [](const Signe& x) { return x.kind >= 0 && int8_t(x.tablatureCase) >= 0; };
  for (int32_t i = 0; i < n; i++) {
    if (Lie(s[i])) {
      while (i < n && Lie(s[i])) i++;
      continue;  // i is the chord's last member
    }
    Signe& note = s[i];
    if (note.kind < 0 || Utilisateur(note)) continue;
    if (i >= 1 && aTrou(s[i - 1]) && (i == 1 || !Lie(s[i - 2]))) CalculeNoteOptimiseHarmonica(table, &note, s[i - 1]);
    else if (i + 1 < n && aTrou(s[i + 1]) && !Lie(s[i + 1])) CalculeNoteOptimiseHarmonica(table, &note, s[i + 1]);
  }
  return true;
}

void CalculeTablatureHarmonica(Portee** staff) {
  Tablature** t = staff ? GetTablature(staff) : nullptr;
  if (!t) return;
  (*t)->calculee = 1;
  int32_t n = 0;
  Signe* s = GetSignesPortee(staff, &n);
  if (!s || n <= 0) return;
  // The notes live in another block than the record: neither moves here.
  CalculeDoigteHarmonica((*t)->harmonica, s, n);
}
