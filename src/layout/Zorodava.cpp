#include "layout/Zorodava.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#include "model/CvtTemps.h"
#include "model/Document.h"
#include "model/ParamEffet.h"
#include "model/Partition.h"
#include "model/Portee.h"
#include "model/QRVPOBJ.h"
#include "model/QrvText.h"
#include "model/Ruban.h"
#include "model/Signe.h"
#include "model/TabEltMesure.h"
#include "notation/SCleGraf.h"
#include "platform/Memory.h"
#include "plugin/LectureDocument.h"
#include "plugin/Preferences.h"
#include "stafftypes/PorteeKaraoke.h"
#include "stafftypes/Tablature.h"
#include "system/Handles.h"
#include "system/PortLayer.h"
#include "system/QrvFiles.h"
#include "system/Reporters.h"
#include "system/Strings.h"

Taquet* tabTaquet = nullptr;
int16_t nbTaquets = 0;
int16_t nbMaxTaquet = 0;
uint8_t GridDrumFollowZorodava = 1;

namespace {

constexpr int32_t kPasTabTaquet = 100;
constexpr int32_t kTempsNoire = 40320;
constexpr int32_t kDureeQuadrupleCroche = 2520;
// Onsets this close (ticks) are the same onset.
constexpr int32_t kToleranceTemps = 3;

// One entry per bar-table row at the head of the score's column cache.
struct EntreeCacheTaquets {
  uint32_t offset;  // of the bar's columns in the cache; 0: not computed
  uint32_t count;
};

// A note of a staff with its start tick, walked in time order.
struct NoteDatee {
  int32_t index;
  int32_t debut;
};

// The notes of a staff that start in [debut, fin), in order: the walk starts
// at the first note of `depuis` (a bar) and keeps the start ticks.
template <typename F>
void PourNotesMesure(Partition** score, Portee** staff, int32_t depuis, int32_t debut, int32_t fin, F&& f) {
  int32_t n;
  if (!GetSignesPortee(staff, &n) || n <= 0) return;
  int32_t i = CvtMesureEnIndexNote(score, staff, depuis);
  if (i < 0) i = 0;
  int64_t t = CvtIndexNoteEnTemps(staff, i);
  for (; i < n && t < fin; i++) {
    const Signe* s = GetSignesPortee(staff, &n);
    if (!s || i >= n) break;
    const int32_t duree = s[i].duree > 0 ? s[i].duree : 0;
    const bool accord = (s[i].flags & kSigneAccordSuite) != 0;
    if (t + duree > debut || t >= debut) f(NoteDatee{i, int32_t(t)}, s[i]);
    if (!accord) t += duree;
  }
}

bool AgranditTabTaquet() {
  const int32_t capacite = int32_t(nbMaxTaquet) + kPasTabTaquet;
  if (capacite > INT16_MAX) return false;
  auto* nouveau = reinterpret_cast<Taquet*>(NewPtrClear(Size(capacite) * Size(sizeof(Taquet))));
  if (!nouveau) return false;
  if (tabTaquet && nbTaquets > 0) std::memcpy(nouveau, tabTaquet, size_t(nbTaquets) * sizeof(Taquet));
  if (tabTaquet) DisposePtr(reinterpret_cast<Ptr>(tabTaquet));
  tabTaquet = nouveau;
  nbMaxTaquet = int16_t(capacite);
  return true;
}

// A space of the setup in x units: the largest staff size of the bar over 72.
int32_t EnUnites(int64_t space, int32_t unite) { return Sature32(space * unite / 72); }

int32_t EspaceGauche(const ZorodavaSetup& z, const Taquet& c, bool premiere, bool parPortee) {
  int64_t g = int64_t(z.grace) * c.graceBefore;
  if (c.hasAccidental) g += z.accidental;
  else if (!premiere) g += z.gap;
  if (c.extraWide) g += z.accidental;
  if (parPortee) {
    if (c.wideAccidental) g += z.accidental;
    if (c.extraHalf) g += z.accidental / 2;
  }
  return Sature32(std::max<int64_t>(g, c.lyricLeft));
}

int32_t EspaceDroit(const ZorodavaSetup& z, const Taquet& c, int32_t duree) {
  int64_t d = int64_t(CvtDureeNoteEnSpaceUnit(&z, duree)) + int64_t(z.grace) * c.graceAfter;
  if (c.shortNote) d += z.shortExtra;
  return Sature32(std::max<int64_t>(d, c.lyricRight));
}

// Shared columns: one row of columns for every staff.
void EspaceTaquetsPartages(const ZorodavaSetup& z, int32_t unite) {
  int64_t x = 0;
  for (int32_t i = 0; i < nbTaquets; i++) {
    Taquet& c = tabTaquet[i];
    if (i == nbTaquets - 1) {
      c.x = Sature32(x);
      break;
    }
    x += EnUnites(EspaceGauche(z, c, i == 0, false), unite);
    c.x = Sature32(x);
    x += EnUnites(EspaceDroit(z, c, tabTaquet[i + 1].time - c.time), unite);
  }
}

// Per-staff columns: each staff on its own columns (those of its key); columns
// of one staff at one time share the largest room and one x.
void EspaceTaquetsPortee(const ZorodavaSetup& z, int32_t unite, uint16_t cle) {
  int64_t x = 0;
  bool premiere = true;
  int32_t i = 0;
  while (i < nbTaquets) {
    if (tabTaquet[i].key != cle) {
      i++;
      continue;
    }
    const int32_t t = tabTaquet[i].time;
    // The group of this time, and the staff's next time after it.
    int32_t suivant = -1;
    int32_t gauche = 0, droite = 0;
    for (int32_t j = i; j < nbTaquets; j++) {
      if (tabTaquet[j].key != cle) continue;
      if (tabTaquet[j].time != t) {
        suivant = j;
        break;
      }
    }
    if (suivant < 0) {
      for (int32_t j = i; j < nbTaquets; j++)
        if (tabTaquet[j].key == cle) tabTaquet[j].x = Sature32(x);
      return;
    }
    const int32_t duree = tabTaquet[suivant].time - t;
    for (int32_t j = i; j < suivant; j++) {
      if (tabTaquet[j].key != cle) continue;
      gauche = std::max(gauche, EspaceGauche(z, tabTaquet[j], premiere, true));
      droite = std::max(droite, EspaceDroit(z, tabTaquet[j], duree));
    }
    x += EnUnites(gauche, unite);
    for (int32_t j = i; j < suivant; j++)
      if (tabTaquet[j].key == cle) tabTaquet[j].x = Sature32(x);
    x += EnUnites(droite, unite);
    premiere = false;
    i = suivant;
  }
}

// Where a staff stands while the staves are aligned: its previous and next
// own columns and how far its columns were pushed right.
struct Alignement {
  uint16_t cle;
  int32_t t0, x0, t1, x1, decalage;
};

// The first own column of the staff after index `apres` at a later time than t.
int32_t ProchainTaquetPortee(uint16_t cle, int32_t apres, int32_t t) {
  for (int32_t j = apres + 1; j < nbTaquets; j++)
    if (tabTaquet[j].key == cle && tabTaquet[j].time > t) return j;
  return -1;
}

void AligneTaquetsPortees(const std::vector<uint16_t>& cles) {
  std::vector<Alignement> etats;
  etats.reserve(cles.size());
  for (uint16_t cle : cles) {
    for (int32_t j = 0; j < nbTaquets; j++) {
      if (tabTaquet[j].key != cle) continue;
      // Each staff starts at its own first column: its room before the bar's
      // first onset (an accidental, grace notes) is kept.
      etats.push_back(Alignement{cle, tabTaquet[j].time, tabTaquet[j].x, tabTaquet[j].time, tabTaquet[j].x, 0});
      break;
    }
  }
  int32_t i = 0;
  while (i < nbTaquets) {
    const int32_t T = tabTaquet[i].time;
    int32_t fin = i;
    while (fin < nbTaquets && tabTaquet[fin].time == T) fin++;
    int32_t M = INT32_MIN;
    std::vector<int32_t> positions(etats.size());
    for (size_t s = 0; s < etats.size(); s++) {
      const Alignement& a = etats[s];
      // A staff with no later column (or at its first) stands still.
      positions[s] = a.t1 == a.t0 ? a.x0 : Sature32(int64_t(LMulDiv(T - a.t0, a.x1 - a.x0, a.t1 - a.t0)) + a.x0);
      M = std::max(M, positions[s]);
    }
    if (etats.empty()) M = tabTaquet[i].x;
    for (size_t s = 0; s < etats.size(); s++) {
      Alignement& a = etats[s];
      if (a.t1 != T) continue;
      a.x1 = Sature32(int64_t(a.x1) + M - positions[s]);
      a.decalage = Sature32(int64_t(a.decalage) + M - positions[s]);
    }
    for (int32_t j = i; j < fin; j++) tabTaquet[j].x = M;
    for (Alignement& a : etats) {
      if (a.t1 != T) continue;
      a.t0 = T;
      a.x0 = a.x1;
      const int32_t k = ProchainTaquetPortee(a.cle, fin - 1, T);
      if (k >= 0) {
        a.t1 = tabTaquet[k].time;
        a.x1 = Sature32(int64_t(tabTaquet[k].x) + a.decalage);
      }
    }
    i = fin;
  }
}

// The x of the first column at a time (the columns sorted by time); 0 when none.
int32_t XTaquetTemps(int32_t t) {
  const Taquet* fin = tabTaquet + nbTaquets;
  const Taquet* c = std::lower_bound(static_cast<const Taquet*>(tabTaquet), fin, t,
                                     [](const Taquet& a, int32_t v) { return a.time < v; });
  return c != fin && c->time == t ? c->x : 0;
}

// The lyric widths of a bar: per lyric column, the widest of the verses'
// syllables there, times lyricFactor / 12.
int16_t LargeursParolesMesure(Portee** staff, const ZorodavaSetup& z, int32_t bar, TaquetKaraoke* colonnes,
                              int16_t* largeurs) {
  const LigneTexte& ligne = (*staff)->lignesTexte[0];
  const int16_t n = CalculeTableauTaquetKaraokeMesure(colonnes, staff, ligne.modeTaquets, ligne.parametreTaquets,
                                                      int16_t(bar), 0, 1, 1);
  if (n <= 0) return 0;
  const int16_t nb = std::min<int16_t>(n, int16_t(kMaxTaquetsMesure));
  std::fill(largeurs, largeurs + kMaxTaquetsMesure, int16_t(0));
  const int16_t versets = std::max<int16_t>(1, ligne.nbLignes);
  int16_t mesure[kMaxTaquetsMesure];
  // Measured in the scratch port, at 72 dpi (the caller's resolution).
  CGrafPtr ancien = SetPortTemporaire();
  for (int16_t v = 0; v < versets; v++) {
    const int16_t m = CalculeTaillesTexteKaraoke(staff, int16_t(bar), v, nb, mesure);
    for (int16_t i = 0; i < m && i < nb; i++)
      if (mesure[i] > largeurs[i]) largeurs[i] = Sature16(int32_t(z.lyricFactor) * mesure[i] / 12);
  }
  SetPort(ancien);
  return nb;
}

// Grace notes around a note: before and after it.
void GracesNote(Portee** staff, const Signe& note, int16_t* avant, int16_t* apres) {
  *avant = *apres = 0;
  const ParamEffet* e = GetParamEffetNote(staff, &note);
  if (!e || e->sansGraces) return;
  for (int k = 0; k < kNbGraceNotes && e->graces[k].utilise; k++) {
    if (e->graces[k].apres) ++*apres;
    else ++*avant;
  }
}

// The rows of a bar table and the bar's row, or null.
TabEltMesure* LigneTable(Handle table, int32_t bar) {
  const int32_t n = GetNbLignesTabElt(table);
  TabEltMesure* r = GetLignesTabElt(table);
  return r && bar >= 0 && bar < n ? r + bar : nullptr;
}

int32_t LargeurNaturelle(const TabEltMesure* row) {
  if (!row) return 1;
  return row->echelleZorodava >= 1 && row->echelleZorodava <= uint32_t(INT32_MAX) ? int32_t(row->echelleZorodava) : 1;
}

// Stores tabTaquet as the bar's columns in the score's cache, making the
// cache's index (one entry per ribbon row) on first use.
void StockeTaquetsCache(Partition** score, int32_t bar) {
  Partition* p = *score;
  if (!p->taquetsZorodava) {
    const int32_t lignes = GetNbMesuresTabEltRuban(score);
    if (lignes <= 0) return;
    Handle h = NewHandleClear(Size(lignes) * Size(sizeof(EntreeCacheTaquets)));
    if (!h) return;
    (*score)->taquetsZorodava = h;
    (*score)->nbTaquetsZorodava = lignes;
  }
  if (bar < 0 || bar >= (*score)->nbTaquetsZorodava) return;
  Handle h = (*score)->taquetsZorodava;
  const Size taille = GetHandleSize(h);
  const Size ajout = Size(nbTaquets) * Size(sizeof(Taquet));
  if (int64_t(taille) + ajout > int64_t(UINT32_MAX) / 2) return;
  if (ajout > 0) {
    if (!RetailleHandle(h, taille + ajout) || GetHandleSize(h) != taille + ajout) return;
    std::memcpy(*h + taille, tabTaquet, size_t(ajout));
  }
  auto* index = reinterpret_cast<EntreeCacheTaquets*>(*h);
  index[bar] = EntreeCacheTaquets{uint32_t(taille), uint32_t(nbTaquets)};
}

}  // namespace

void SetZorodavaUsine(ZorodavaSetup* setup) {
  if (!setup) return;
  ZorodavaSetup& z = *setup;
  std::memset(&z, 0, sizeof z);
  z.scaleBars = 1;
  z.perStaff = 1;
  const int16_t widths[7] = {200, 160, 120, 72, 56, 48, 40};
  for (int i = 0; i < 7; i++) z.widths[i] = widths[i];
  z.gap = 8;
  z.accidental = 40;
  z.grace = 35;
  z.shortExtra = 8;
  z.minScale = 300;
  z.maxScale = 9999;
  z.restScale = 600;
  z.lyricFactor = 35;
}

void SetDefaultZorodavaPartition(Partition** score, int16_t keepOn) {
  if (!score) return;
  (*score)->zorodava = pref.zorodavaUser;
  if (!keepOn) (*score)->zorodava.on = 0;
}

void DisposeZorodavaTaquets(Partition** score) {
  if (!score) return;
  LibereHandle(&(*score)->taquetsZorodava);
  (*score)->nbTaquetsZorodava = 0;
}

bool IsModeZorodava(Partition** score, Portee** staff) {
  if (!score || (*score)->zorodava.on == 0) return false;
  if (!staff) return true;
  const uint32_t type = (*staff)->type;
  if (type == kTypePorteeBatterie && !GridDrumFollowZorodava) return false;
  if (!IsTypePorteeContientNote(staff)) return false;
  if (!IsPorteeVisible(score, (*staff)->index)) return false;
  return type != kTypePorteeTempo && type != kTypePorteeGregorien;
}

int32_t CvtDureeNoteEnSpaceUnit(const ZorodavaSetup* setup, int32_t d) {
  if (!setup) return 0;
  const int16_t* W = setup->widths;
  if (d >= kDureeRonde) return W[0];
  if (d < kDureeQuadrupleCroche) return W[6];
  // d lies in [lo, 2 lo) for lo = half .. 64th; W(lo) is widths[k], W(2 lo) widths[k - 1].
  int32_t lo = kDureeRonde / 2;
  int k = 1;
  while (d < lo) {
    lo /= 2;
    k++;
  }
  return W[k] + (W[k - 1] - W[k]) * (d - lo) / lo;
}

int16_t AjoutePositionTaquet(int32_t time, uint16_t key, uint8_t perStaff, int16_t from) {
  if (perStaff) {
    if (from >= 0 && from < nbTaquets)
      for (int16_t i = from; i < nbTaquets; i++)
        if (tabTaquet[i].time == time && (key == kTaquetToutesPortees || tabTaquet[i].key == key)) return i;
  } else {
    for (int16_t i = 0; i < nbTaquets; i++)
      if (tabTaquet[i].time == time) return i;
  }
  if (nbTaquets >= nbMaxTaquet - 1 && !AgranditTabTaquet()) {
    Collapse("Engrave mode : AddPositionTaquet overflow");
    return 0;
  }
  Taquet& c = tabTaquet[nbTaquets];
  c = Taquet{};
  c.time = time;
  c.key = key;
  return nbTaquets++;
}

int32_t CreeTaquetsZorodavaMesure(Partition** score, int32_t bar, int32_t firstBar) {
  nbTaquets = 0;
  if (!score) return bar + 1;
  const int16_t dpi = GetDpiDest();
  SetDpiDest(72);
  // Bar starts and scales are read, not rebuilt, while the bar is computed: a
  // rebuild would compute the columns again into the same array.
  DisableCalculTabElt(score);
  const ZorodavaSetup z = (*score)->zorodava;
  const int32_t debutMesure = CvtMesureEnTemps(score, bar);
  const int32_t finMesure = CvtMesureEnTemps(score, bar + 1);
  int32_t unite = 0;
  bool seulementSilences = true;
  int32_t report = -1;
  if (firstBar < 0 || firstBar > bar) firstBar = bar;
  std::vector<uint16_t> cles;
  TaquetKaraoke colonnesParoles[kMaxTaquetsMesure];
  int16_t largeursParoles[kMaxTaquetsMesure];

  const int16_t nbPortees = (*score)->portees ? (*score)->nbPortees : int16_t(0);
  for (int16_t s = 0; s < nbPortees; s++) {
    Portee** staff = (*score)->portees[s];
    if (!staff || !IsModeZorodava(score, staff)) continue;
    const uint16_t cle = uint16_t(s);
    cles.push_back(cle);
    const int16_t premiere = AjoutePositionTaquet(debutMesure, cle, z.perStaff, -1);
    AjoutePositionTaquet(finMesure, cle, z.perStaff, premiere);
    unite = std::max<int32_t>(unite, (*staff)->aspect.tailleUnite);
    int16_t nbParoles = 0;
    if ((*staff)->karaoke && z.lyricFactor != 0)
      nbParoles = LargeursParolesMesure(staff, z, bar, colonnesParoles, largeursParoles);

    PourNotesMesure(score, staff, firstBar, debutMesure, finMesure, [&](NoteDatee nd, const Signe& ref) {
      const Signe note = ref;
      const int64_t finNote = int64_t(nd.debut) + std::max(note.duree, 0);
      if (finNote <= debutMesure) return;
      if (finNote > finMesure) {
        const int32_t b = CvtIndexNoteEnMesure(staff, nd.index);
        report = report < 0 ? b : std::min(report, b);
      }
      if (note.kind >= 0) seulementSilences = false;
      // The note and its printed pieces: each that starts in the bar gets its column.
      Handle pieces = CvtNoteEnListeNotesLieesBorne(staff, nd.index, firstBar, bar, -1);
      const int32_t nbPieces = pieces ? GetHandleSize(pieces) / int32_t(sizeof(Signe)) : 0;
      int64_t t = nd.debut;
      int16_t k = -1;
      for (int32_t p = 0; p < nbPieces || (p == 0 && !pieces); p++) {
        const Signe piece = pieces ? reinterpret_cast<const Signe*>(*pieces)[p] : note;
        if (t >= debutMesure && t < finMesure) {
          const int16_t c = AjoutePositionTaquet(int32_t(t), cle, z.perStaff, premiere);
          if (p == 0) k = c;
          if (piece.duree < kTempsNoire && piece.kind >= 0 && !(piece.flags & kSigneAccroche))
            tabTaquet[c].shortNote = 1;
        }
        t += std::max(piece.duree, 0);
      }
      LibereHandle(&pieces);
      if (k < 0) return;  // the note itself started in an earlier bar
      Taquet& c = tabTaquet[k];
      int16_t ligne;
      uint8_t montre;
      const int16_t code = CalcPosAlterationFnNote(staff, &note, &ligne, &montre, nd.index, nd.debut);
      if (code != kAlterationAucune) {
        c.hasAccidental = 1;
        if (code & 64) c.wideAccidental = 1;
      }
      if (note.alteration & kAlterationParentheses) c.extraWide = 1;
      if (note.flags & kSigneDemiEspace) c.extraHalf = 1;
      int16_t avant, apres;
      GracesNote(staff, note, &avant, &apres);
      c.graceBefore = std::max(c.graceBefore, avant);
      c.graceAfter = std::max(c.graceAfter, apres);
      if (nbParoles > 0) {
        for (int16_t i = 0; i < nbParoles; i++) {
          if (int64_t(colonnesParoles[i].temps) + debutMesure != nd.debut) continue;
          int16_t gauche, droite;
          switch ((*staff)->lignesTexte[0].alignement) {
            case 0:
              gauche = i > 0 ? largeursParoles[i - 1] : int16_t(0);
              droite = i > 0 ? int16_t(0) : largeursParoles[0];
              break;
            case 1:
              gauche = droite = int16_t((int32_t(largeursParoles[i]) + (i > 0 ? largeursParoles[i - 1] : 0)) / 2);
              break;
            default:
              gauche = largeursParoles[i];
              droite = 0;
              break;
          }
          c.lyricLeft = std::max(c.lyricLeft, gauche);
          c.lyricRight = std::max(c.lyricRight, droite);
          break;
        }
      }
    });
  }

  if (nbTaquets > 0)
    std::sort(tabTaquet, tabTaquet + nbTaquets,
              [](const Taquet& a, const Taquet& b) { return a.time != b.time ? a.time < b.time : a.key < b.key; });
  if (unite < 1) unite = 72;
  if (nbTaquets > 0) {
    if (z.perStaff) {
      for (uint16_t cle : cles) EspaceTaquetsPortee(z, unite, cle);
      AligneTaquetsPortees(cles);
    } else {
      EspaceTaquetsPartages(z, unite);
    }
  }

  for (uint16_t cle : cles) {
    Portee** staff = (*score)->portees[cle];
    int32_t n;
    PourNotesMesure(score, staff, bar, debutMesure, finMesure, [&](NoteDatee nd, const Signe&) {
      if (nd.debut < debutMesure) return;
      Signe* s = GetSignesPortee(staff, &n);
      if (s && nd.index < n) s[nd.index].posZorodava = XTaquetTemps(nd.debut);
    });
  }

  bool echelleChangee = false;
  if (TabEltMesure* row = LigneTable((*score)->tabEltMesure[0], bar)) {
    const int32_t naturelle = std::max(nbTaquets > 0 ? tabTaquet[nbTaquets - 1].x : 1, 1);
    row->echelleZorodava = uint32_t(naturelle);
    if (z.scaleBars) {
      int64_t echelle;
      if (seulementSilences) {
        echelle = z.restScale;
      } else {
        const int32_t duree = finMesure - debutMesure;
        echelle = duree > 0 ? int64_t(naturelle) * kDureeRonde / duree : z.maxScale;
        echelle = std::min<int64_t>(std::max<int64_t>(echelle, z.minScale), z.maxScale);
      }
      const uint16_t e = uint16_t(std::clamp<int64_t>(echelle, 1, UINT16_MAX));
      echelleChangee = row->echelle != e;
      FixeEchelleMesureBrut(score, int16_t(bar), e);
    }
  }
  EnableCalculTabElt(score);
  if (echelleChangee) SetTabEltMesureModifie(score, kTabEltEspacement | kTabEltMarges);
  SetDpiDest(dpi);
  return report >= 0 ? report : bar + 1;
}

int16_t RecalculeZorodavaDocument(Document* document) {
  if (!document || !document->partitionCourante) return 0;
  Partition** score = document->partitionCourante;
  DisposeZorodavaTaquets(score);
  if ((*score)->nbPortees <= 0) return 0;
  CGrafPtr ancien = SetPortTemporaire();
  const int32_t lignes = GetNbMesuresTabEltRuban(score);
  int32_t premiere = 0;
  for (int32_t bar = 0; bar < lignes; bar++) {
    premiere = CreeTaquetsZorodavaMesure(score, bar, premiere);
    StockeTaquetsCache(score, bar);
  }
  SetPort(ancien);
  return 0;
}

void GetCachedZorodavaTaquets(Partition** score, int32_t bar) {
  if (!score) {
    nbTaquets = 0;
    return;
  }
  Handle h = (*score)->taquetsZorodava;
  if (h && (*score)->nbTaquetsZorodava > 0) {
    bar = std::clamp(bar, 0, (*score)->nbTaquetsZorodava - 1);
    const auto* index = reinterpret_cast<const EntreeCacheTaquets*>(*h);
    const EntreeCacheTaquets e = index[bar];
    const int64_t fin = int64_t(e.offset) + int64_t(e.count) * int64_t(sizeof(Taquet));
    if (e.offset != 0 && e.count <= uint32_t(INT16_MAX) && fin <= GetHandleSize(h)) {
      if (int32_t(e.count) > nbMaxTaquet) {
        auto* nouveau = reinterpret_cast<Taquet*>(NewPtrClear(Size(e.count) * Size(sizeof(Taquet))));
        if (!nouveau) {
          nbTaquets = 0;
          return;
        }
        if (tabTaquet) DisposePtr(reinterpret_cast<Ptr>(tabTaquet));
        tabTaquet = nouveau;
        nbMaxTaquet = int16_t(e.count);
      }
      if (e.count > 0) std::memcpy(tabTaquet, *h + e.offset, size_t(e.count) * sizeof(Taquet));
      nbTaquets = int16_t(e.count);
      return;
    }
  }
  if (bar < 0) bar = 0;
  CreeTaquetsZorodavaMesure(score, bar, 0);
  StockeTaquetsCache(score, bar);
}

Handle ZorodavaCalculeHandlePos(Partition** score, bool useRibbon, int32_t bar) {
  if (!score || bar < 0 || bar >= (*score)->nbMesures) return nullptr;
  Handle h = NewHandleClear(Size(sizeof(ZorodavaPos)));
  if (!h) return nullptr;
  int32_t nb = 1;
  const int32_t debut = CvtMesureEnTemps(score, bar);
  const int32_t duree = CvtMesureEnDureeMesure(score, bar);
  for (int16_t s = 0; s < (*score)->nbPortees; s++) {
    Portee** staff = (*score)->portees[s];
    if (!staff || !IsModeZorodava(score, staff)) continue;
    PourNotesMesure(score, staff, bar, debut, debut + duree, [&](NoteDatee nd, const Signe& note) {
      const int32_t offset = nd.debut - debut;
      if (offset < 0 || offset >= duree) return;
      InsereZorodavaPosDansHandle(ZorodavaPos{offset, float(note.posZorodava)}, h, &nb);
    });
  }
  Handle table = useRibbon ? (*score)->tabEltMesure[0] : GetTabEltMesureEcran(score);
  InsereZorodavaPosDansHandle(ZorodavaPos{duree, float(LargeurNaturelle(LigneTable(table, bar)))}, h, &nb);
  return h;
}

void InsereZorodavaPosDansHandle(ZorodavaPos pair, Handle list, int32_t* count) {
  if (!list || !count) return;
  int32_t n = std::min<int32_t>(*count, GetHandleSize(list) / int32_t(sizeof(ZorodavaPos)));
  auto* p = reinterpret_cast<ZorodavaPos*>(*list);
  int32_t i = 0;
  while (i < n && p[i].offset < pair.offset) i++;
  if (i < n && p[i].offset == pair.offset) {
    if (pair.x > p[i].x) p[i].x = pair.x;
    return;
  }
  if (!RetailleHandle(list, Size(n + 1) * Size(sizeof(ZorodavaPos))) ||
      GetHandleSize(list) != Size(n + 1) * Size(sizeof(ZorodavaPos)))
    return;
  p = reinterpret_cast<ZorodavaPos*>(*list);
  std::memmove(p + i + 1, p + i, size_t(n - i) * sizeof(ZorodavaPos));
  p[i] = pair;
  *count = n + 1;
}

namespace {

// The bar of a time and the offset inside it.
struct PlaceTemps {
  int32_t bar;
  int32_t dt;
};

PlaceTemps PlaceDuTemps(Partition** score, int32_t t) {
  const int32_t bar = CvtTempsEnMesure(score, t);
  return PlaceTemps{bar, Sature32(int64_t(t) - CvtMesureEnTemps(score, bar))};
}

int32_t PositionLineaire(float width, int32_t dt, int32_t duree) {
  return duree > 0 ? LMulDiv(int32_t(width), dt, duree) : 0;
}

}  // namespace

int32_t ZorodavaCalculePosGraphiqueIntermediaire(Partition** score, bool useRibbon, int32_t bar, int32_t dt,
                                                 float width) {
  if (!score || bar < 0) return 0;
  const int32_t duree = CvtMesureEnDureeMesure(score, bar);
  if (dt < 0 || bar >= (*score)->nbMesures) return PositionLineaire(width, dt, duree);
  Handle table = useRibbon ? (*score)->tabEltMesure[0] : GetTabEltMesureEcran(score);
  const int32_t N = LargeurNaturelle(LigneTable(table, bar));
  auto r = [&](int64_t x) { return Sature32(int64_t(std::round(float(x) * width / float(N)))); };
  const int32_t debut = CvtMesureEnTemps(score, bar);
  int64_t dPrec = -1, dSuiv = -1;
  int32_t xPrec = 0, xSuiv = N;
  bool exact = false;
  int32_t xExact = 0;
  for (int16_t s = 0; s < (*score)->nbPortees && !exact; s++) {
    Portee** staff = (*score)->portees[s];
    if (!staff || !IsModeZorodava(score, staff)) continue;
    PourNotesMesure(score, staff, bar, debut, debut + duree, [&](NoteDatee nd, const Signe& note) {
      if (exact || nd.debut < debut) return;
      const int64_t d = int64_t(nd.debut) - debut - dt;
      if (d > -kToleranceTemps && d < kToleranceTemps) {
        exact = true;
        xExact = note.posZorodava;
      } else if (d < 0) {
        if (dPrec < 0 || -d < dPrec) {
          dPrec = -d;
          xPrec = note.posZorodava;
        }
      } else if (dSuiv < 0 || d < dSuiv) {
        dSuiv = d;
        xSuiv = note.posZorodava;
      }
    });
  }
  if (exact) return r(xExact);
  if (dPrec < 0) {
    dPrec = dt;
    xPrec = 0;
  }
  if (dSuiv < 0) {
    dSuiv = int64_t(duree) - dt;
    xSuiv = N;
  }
  if ((dPrec < kToleranceTemps || dSuiv < kToleranceTemps) && dPrec + dSuiv > 0)
    return r(int64_t(xSuiv - xPrec) * dPrec / (dSuiv + dPrec) + xPrec);
  GetCachedZorodavaTaquets(score, bar);
  if (nbTaquets <= 0) return PositionLineaire(width, dt, duree);
  const int64_t t = int64_t(debut) + dt;
  int32_t i = 0;
  for (int32_t j = 0; j < nbTaquets; j++)
    if (tabTaquet[j].time <= t) i = j;
  const Taquet& c = tabTaquet[i];
  if (c.time == t) return r(c.x);
  if (i == nbTaquets - 1) return PositionLineaire(width, dt, duree);
  const Taquet& n = tabTaquet[i + 1];
  if (n.time == c.time) return r(n.x);
  return r(c.x + int64_t(n.x - c.x) * (t - c.time) / (int64_t(n.time) - c.time));
}

int32_t ZorodavaCvtTempsEnPixelRuban(Partition** score, int32_t t) {
  if (!score) return -1;
  const PlaceTemps p = PlaceDuTemps(score, t);
  if (t < 0 && p.bar < 1) return 0;
  if (p.bar < 0) return -1;
  const float largeur = float(CvtMesureEnTailleUtileMesureRuban(score, p.bar));
  return Sature32(int64_t(CvtMesureEnPixelRuban(score, p.bar)) +
                  ZorodavaCalculePosGraphiqueIntermediaire(score, true, p.bar, p.dt, largeur));
}

int32_t ZorodavaCvtTempsEnPixelEcran(Partition** score, int32_t t) {
  if (!score) return -1;
  Handle table = GetTabEltMesureEcran(score);
  if (!table) return -1;
  const PlaceTemps p = PlaceDuTemps(score, t);
  if (p.bar < 0 || p.bar >= GetNbLignesTabElt(table)) return -1;
  const float largeur = float(CvtMesureEnTailleUtileMesureEcran(score, p.bar));
  return Sature32(int64_t(CvtMesureEnPixelEcran(score, p.bar)) +
                  ZorodavaCalculePosGraphiqueIntermediaire(score, false, p.bar, p.dt, largeur));
}

int32_t ZorodavaCvtPosTempsEnPosColEcr(Partition** score, int32_t t) {
  if (!score || !(*score)->document) return -1;
  const PlaceTemps p = PlaceDuTemps(score, t);
  if (p.bar < 0) return -1;
  const float largeur = float(CvtMesureEnTailleUtileMesureEcran(score, p.bar));
  return Sature32(int64_t(CvtMesureEnPosEcr((*score)->document, p.bar)) +
                  ZorodavaCalculePosGraphiqueIntermediaire(score, false, p.bar, p.dt, largeur));
}

int32_t ZorodavaCalculePosColEcrSelonListeNote(Partition** score, int32_t bar, int32_t, Handle, int32_t, int32_t t) {
  if (!score) return 0;
  // Loading the columns may set the bar's scale: nothing it changes is left
  // pending for a rebuild in the middle of a drawing.
  const uint16_t enAttente = (*score)->masqueModifieTabElt;
  DisableCalculTabElt(score);
  GetCachedZorodavaTaquets(score, bar);
  int32_t i = 0;
  for (int32_t j = 0; j < nbTaquets; j++)
    if (tabTaquet[j].time == t) i = j;
  const int32_t x = nbTaquets > 0 ? tabTaquet[i].x : 0;
  const int32_t N = LargeurNaturelle(LigneTable(GetTabEltMesureEcran(score), bar));
  const float utile = float(CvtMesureEnTailleUtileMesureEcran(score, bar));
  const int32_t debut =
      (*score)->document ? CvtMesureEnPosEcr((*score)->document, bar) : CvtMesureEnPixelEcran(score, bar);
  const int32_t resultat = Sature32(int64_t(debut) + int64_t(std::trunc(float(x) / float(N) * utile)));
  EnableCalculTabElt(score);
  (*score)->masqueModifieTabElt = enAttente;
  return resultat;
}

int32_t ZorodavaCvtPixelRubanEnTemps(Partition** score, int32_t x) {
  if (!score) return -1;
  const int32_t lignes = GetNbMesuresTabEltRuban(score);
  if (lignes <= 0) return -1;
  const int32_t bar = CvtPixelRubanEnMesure(score, x);
  const int32_t ligne = std::clamp(bar, 0, lignes - 1);
  const int64_t X = CvtMesureEnPixelRuban(score, bar);
  const int32_t marge = CalculeMargeDebutMesureRuban(score, ligne);
  const int32_t utile = CvtMesureEnTailleUtileMesureRuban(score, ligne);
  if (x < X - marge / 2) return Sature32(int64_t(CvtMesureEnTemps(score, bar)) - 2);
  if (x >= X + utile || utile <= 0) return Sature32(int64_t(CvtMesureEnTemps(score, bar + 1)) - 3);
  const float fraction = std::clamp(float(x - X) / float(utile), 0.0f, 1.0f);
  return Sature32(int64_t(CvtMesureEnTemps(score, bar)) +
                  ZorodavaCalculePosTempsIntermediaire(score, (*score)->tabEltMesure[0], bar, fraction));
}

int32_t ZorodavaCalculePosTempsIntermediaire(Partition** score, Handle rows, int32_t bar, float fraction) {
  if (!score || fraction <= 0.0001f) return 0;
  const int32_t N = LargeurNaturelle(LigneTable(rows, bar));
  const int32_t debut = CvtMesureEnTemps(score, bar);
  const int32_t duree = CvtMesureEnDureeMesure(score, bar);
  float ecartAvant = fraction, ecartApres = 1.0f - fraction;
  int32_t tAvant = 0, tApres = duree;
  bool exact = false;
  int32_t tExact = 0;
  for (int16_t s = 0; s < (*score)->nbPortees && !exact; s++) {
    Portee** staff = (*score)->portees[s];
    if (!staff || !IsModeZorodava(score, staff)) continue;
    PourNotesMesure(score, staff, bar, debut, debut + duree, [&](NoteDatee nd, const Signe& note) {
      if (exact || nd.debut < debut) return;
      const float p = float(note.posZorodava) / float(N);
      const int32_t offset = nd.debut - debut;
      if (std::fabs(p - fraction) < 0.0001f) {
        exact = true;
        tExact = offset;
      } else if (p < fraction && fraction - p < ecartAvant) {
        ecartAvant = fraction - p;
        tAvant = offset;
      } else if (p > fraction && p - fraction < ecartApres) {
        ecartApres = p - fraction;
        tApres = offset;
      }
    });
  }
  if (exact) return tExact;
  return int32_t(std::trunc(float(tApres - tAvant) * ecartAvant / (ecartApres + ecartAvant) + float(tAvant)));
}

static int16_t LitI16Zorodava() {
  int16_t a = ReadCar(), b = ReadCar();
  return int16_t(uint16_t((uint16_t(a < 0 ? 0 : a) << 8) | uint16_t(b < 0 ? 0 : b)));
}

void ReadZorodava(ZorodavaSetup* setup) {
  if (!setup) return;
  ZorodavaSetup& z = *setup;
  int16_t c = ReadCar();
  z.on = uint8_t(c < 0 ? 0 : c);
  c = ReadCar();
  z.scaleBars = uint8_t(c < 0 ? 0 : c);
  for (int i = 0; i < 5; i++) z.widths[i] = LitI16Zorodava();
  z.gap = LitI16Zorodava();
  z.accidental = LitI16Zorodava();
  z.grace = LitI16Zorodava();
  z.shortExtra = LitI16Zorodava();
  z.minScale = LitI16Zorodava();
  z.maxScale = LitI16Zorodava();
  z.restScale = LitI16Zorodava();
  z.lyricFactor = LitI16Zorodava();
  if (z.lyricFactor == 0 && VersionQuarvelLoad < 0x0800) z.lyricFactor = 35;
  z.widths[5] = LitI16Zorodava();
  z.widths[6] = LitI16Zorodava();
  if (z.widths[5] == 0 && VersionQuarvelLoad < 0x0940) z.widths[5] = z.widths[6] = z.widths[4];
  c = ReadCar();
  z.perStaff = uint8_t(c < 0 ? 0 : c);
  for (int i = 0; i < 9; i++) ReadCar();
}

void ReadZorodavaSetup(Partition** score) {
  if (score && VersionQuarvelLoad >= 0x0780) ReadZorodava(&(*score)->zorodava);
}
