#include "model/Tonalite.h"

#include <algorithm>
#include <cstddef>
#include <cstdio>
#include <cstring>

#include "layout/ServicesMiseEnPage.h"
#include "model/CvtTemps.h"
#include "model/Document.h"
#include "model/ParamEffet.h"
#include "model/Partition.h"
#include "model/Portee.h"
#include "model/QRVPOBJ.h"
#include "model/SGraphix.h"
#include "model/TabEltMesure.h"
#include "model/TonaliteMaths.h"
#include "platform/Memory.h"
#include "platform/QuickDraw.h"
#include "plugin/ServicesInertes.h"
#include "stafftypes/ServicesTypesPortee.h"
#include "system/Handles.h"
#include "system/PortLayer.h"
#include "system/Strings.h"
#include "text/Fontes.h"

// ---- Records.

void SetTonaliteDefaut(Tonalite* key) {
  if (!key) return;
  std::memset(key, 0, sizeof *key);
  key->degreTonique = 0;
  key->alterationTonique = 2;
  key->mode = 1;
  key->styleAnnulation = 2;
}

void SetClefDefaut(Clef* clef) {
  if (!clef) return;
  std::memset(clef, 0, sizeof *clef);
  clef->type = kClefSol;
  clef->noteDeBase = 64;
}

bool CmpTonalite(const Tonalite* a, const Tonalite* b) {
  return std::memcmp(a->alterations, b->alterations, sizeof a->alterations) == 0 &&
         a->degreTonique == b->degreTonique && a->alterationTonique == b->alterationTonique && a->mode == b->mode &&
         a->styleAnnulation == b->styleAnnulation;
}

bool CmpClef(const Clef* a, const Clef* b) {
  return a->type == b->type && a->decalageLigne == b->decalageLigne && a->decalageOctave == b->decalageOctave &&
         a->noteDeBase == b->noteDeBase && a->octet1 == b->octet1 && a->fondCache == b->fondCache &&
         a->octet2 == b->octet2;
}

EltTabTonalite* GetEltsTabTonalite(Portee** staff, int32_t* count) {
  if (count) *count = 0;
  if (!staff || !*staff || !(*staff)->tabTonalite) return nullptr;
  int32_t n = GetHandleSize((*staff)->tabTonalite) / int32_t(sizeof(EltTabTonalite));
  if (n > (*staff)->nbTonalites) n = (*staff)->nbTonalites;
  if (n < 0) n = 0;
  if (count) *count = n;
  return n ? reinterpret_cast<EltTabTonalite*>(*(*staff)->tabTonalite) : nullptr;
}

namespace {

void InvalideCache(Portee** staff) {
  (*staff)->cacheMesureTonalite = -1;
  (*staff)->cacheIndexTonalite = -1;
}

// Drums on a standard staff always read the default key and clef.
bool IsLectureDefaut(Portee** staff) { return (*staff)->type == kTypePorteeBatterieStd; }

int32_t RechercheIndex(const EltTabTonalite* t, int32_t n, int16_t bar) {
  return DichoSearchShort(t, n, int32_t(sizeof(EltTabTonalite)), int32_t(offsetof(EltTabTonalite, mesure)), bar);
}

// The entry in force at the bar, whatever the staff type; null when none.
const EltTabTonalite* EltEnVigueur(Portee** staff, int16_t bar) {
  int16_t i = CvtNumMesureEnLastIndxTabTonalite(staff, bar);
  if (i < 0) return nullptr;
  int32_t n;
  const EltTabTonalite* t = GetEltsTabTonalite(staff, &n);
  return t && i < n ? &t[i] : nullptr;
}

const EltTabTonalite* EltExact(Portee** staff, int16_t bar) {
  int16_t i = CvtNumMesureEnIndxTabTonalite(staff, bar);
  if (i < 0) return nullptr;
  int32_t n;
  const EltTabTonalite* t = GetEltsTabTonalite(staff, &n);
  return t && i < n ? &t[i] : nullptr;
}

// A table whose first two values are both 0 maps every verse to its own line.
bool IsLutKaraokeVide(const int16_t* lut) { return lut[0] == 0 && lut[1] == 0; }

// The link of the entry exactly at the bar, so that setters that only change
// flags keep the graphics attached to the change.
uint16_t LienMesure(Portee** staff, int16_t bar) {
  const EltTabTonalite* e = EltExact(staff, bar);
  return e ? e->lien : kLienTonaliteAucun;
}

const TabEltMesure* LigneEcran(Partition** score, int16_t bar) {
  if (!score || bar < 0) return nullptr;
  Handle table = GetTabEltMesureEcran(score);
  if (!table || bar >= GetNbLignesTabElt(table)) return nullptr;
  return &GetLignesTabElt(table)[bar];
}

bool IsSignatureVisibleEcran(Partition** score, int16_t bar) {
  const TabEltMesure* e = LigneEcran(score, bar);
  return e && e->signatureVisible;
}

// The first entry of a table is at bar 0, so that every bar has an entry in force.
bool AssureEltMesureZero(Portee** staff) {
  int32_t n;
  EltTabTonalite* t = GetEltsTabTonalite(staff, &n);
  if (!t || t[0].mesure == 0) return true;
  if (!RetailleHandle((*staff)->tabTonalite, Size(n + 1) * Size(sizeof(EltTabTonalite)))) return false;
  t = reinterpret_cast<EltTabTonalite*>(*(*staff)->tabTonalite);
  std::memmove(t + 1, t, size_t(n) * sizeof(EltTabTonalite));
  EltTabTonalite& e = t[0];
  std::memset(&e, 0, sizeof e);
  SetTonaliteDefaut(&e.tonalite);
  SetClefDefaut(&e.clef);
  e.visible = kVisibleClef | kVisibleArmure | kVisibleSignature;
  for (int v = 0; v < kNbPassagesKaraoke; v++) e.lignesKaraoke[v] = int16_t(v);
  e.lien = kLienTonaliteAucun;
  (*staff)->nbTonalites = int16_t(n + 1);
  return true;
}

}  // namespace

// ---- Lookups.

int16_t CvtNumMesureEnIndxTabTonalite(Portee** staff, int16_t bar) {
  int32_t n;
  const EltTabTonalite* t = GetEltsTabTonalite(staff, &n);
  if (!t) return -1;
  int32_t i = RechercheIndex(t, n, bar);
  return i >= 0 && t[i].mesure == uint16_t(bar) && bar >= 0 ? int16_t(i) : -1;
}

int16_t CvtNumMesureEnLastIndxTabTonalite(Portee** staff, int16_t bar) {
  int32_t n;
  const EltTabTonalite* t = GetEltsTabTonalite(staff, &n);
  if (!t) return -1;
  Portee* p = *staff;
  if (p->cacheMesureTonalite == bar && p->cacheIndexTonalite >= -1 && p->cacheIndexTonalite < n)
    return p->cacheIndexTonalite;
  int32_t i = RechercheIndex(t, n, bar);
  p->cacheMesureTonalite = bar;
  p->cacheIndexTonalite = int16_t(i);
  return int16_t(i);
}

void CvtMesureEnTonalite(Portee** staff, int16_t bar, Tonalite* out) {
  if (!out) return;
  SetTonaliteDefaut(out);
  if (!staff || bar < 0 || IsLectureDefaut(staff)) return;
  if (const EltTabTonalite* e = EltEnVigueur(staff, bar)) *out = e->tonalite;
}

void CvtMesureEnClef(Portee** staff, int16_t bar, Clef* out) {
  if (!out) return;
  SetClefDefaut(out);
  if (!staff || IsLectureDefaut(staff)) return;
  if (const EltTabTonalite* e = EltEnVigueur(staff, bar)) *out = e->clef;
}

uint32_t CvtMesureEnVisible(Portee** staff, int16_t bar) {
  if (!staff) return 0;
  if (const EltTabTonalite* e = EltExact(staff, bar)) return e->visible;
  Partition** score = (*staff)->partition;
  return IsSignatureVisibleEcran(score, bar) ? uint32_t(kVisibleSignature) : 0u;
}

uint32_t CvtMesureEnRappel(Portee** staff, int16_t bar) {
  const EltTabTonalite* e = staff ? EltExact(staff, bar) : nullptr;
  return e ? e->rappel : 0;
}

int16_t CvtMesureEnCouleurClef(Portee** staff, int16_t bar) {
  const EltTabTonalite* e = staff ? EltExact(staff, bar) : nullptr;
  return e ? e->couleurClef : 0;
}

bool CvtMesureEnFondVisible(Portee** staff, int16_t bar) {
  const EltTabTonalite* e = staff ? EltEnVigueur(staff, bar) : nullptr;
  return e && e->clef.fondCache == 0;
}

int16_t CvtMesureEnNoteDeBase(Portee** staff, int16_t bar) {
  if (!staff || IsLectureDefaut(staff)) return 64;
  const EltTabTonalite* e = EltEnVigueur(staff, bar);
  return e ? e->clef.noteDeBase : 64;
}

int16_t CvtTempsEnNoteDeBase(Portee** staff, int32_t tick) {
  if (!staff) return 64;
  return CvtMesureEnNoteDeBase(staff, tick < 0 ? int16_t(-1) : CvtTempsEnMesure((*staff)->partition, tick));
}

void CvtTempsEnTonalite(Portee** staff, int32_t tick, Tonalite* out) {
  if (!out) return;
  SetTonaliteDefaut(out);
  if (!staff || tick < 0) return;
  CvtMesureEnTonalite(staff, CvtTempsEnMesure((*staff)->partition, tick), out);
}

const int16_t* CvtMesureEnLutLigneKaraoke(Portee** staff, int16_t bar) {
  const EltTabTonalite* e = staff ? EltEnVigueur(staff, bar) : nullptr;
  return e ? e->lignesKaraoke : nullptr;
}

int16_t CvtPassageKaraokeEnLigneAffichage(Portee** staff, int16_t bar, int16_t verse) {
  const int16_t* lut = CvtMesureEnLutLigneKaraoke(staff, bar);
  if (!lut || verse < 0 || verse >= kNbPassagesKaraoke || IsLutKaraokeVide(lut)) return verse;
  return lut[verse];
}

int16_t CvtLigneAffichageKaraokeEnPassage(Portee** staff, int16_t bar, int16_t line) {
  const int16_t* lut = CvtMesureEnLutLigneKaraoke(staff, bar);
  if (!lut || line >= kNbPassagesKaraoke || IsLutKaraokeVide(lut)) return line;
  int16_t v = 0;
  while (v < kNbPassagesKaraoke && lut[v] < line) v++;
  if (v >= kNbPassagesKaraoke) return -1;
  return lut[v] == line ? v : int16_t(-1);
}

bool IsCelluleKaraokeVisible(Portee** staff, int16_t bar, int16_t verse) {
  const int16_t* lut = CvtMesureEnLutLigneKaraoke(staff, bar);
  if (!lut || verse < 0 || verse >= kNbPassagesKaraoke || IsLutKaraokeVide(lut)) return verse >= 0;
  return lut[verse] >= 0;
}

void GetPrevTonaliteVisible(Portee** staff, int16_t bar, Tonalite* out) {
  if (!out) return;
  int32_t n;
  const EltTabTonalite* t = GetEltsTabTonalite(staff, &n);
  if (!t) return;
  for (int32_t i = RechercheIndex(t, n, bar); i >= 0; i--) {
    if (t[i].visible & kVisibleArmure) {
      *out = t[i].tonalite;
      return;
    }
  }
  CvtMesureEnTonalite(staff, 0, out);
}

void CalculeTonaliteCleAfficheMesure(Portee** staff, int16_t bar, Tonalite* key, Tonalite* previous, bool* keyShown,
                                     Clef* clef, bool* clefShown) {
  bool k = false, c = false;
  int32_t n;
  const EltTabTonalite* t = GetEltsTabTonalite(staff, &n);
  if (t) {
    if (clef) *clef = t[0].clef;
    if (key) *key = t[0].tonalite;
    if (previous) *previous = t[0].tonalite;
    for (int32_t i = CvtNumMesureEnLastIndxTabTonalite(staff, bar); i >= 0 && !(k && c); i--) {
      t = GetEltsTabTonalite(staff, &n);
      if (i >= n) continue;
      if (!c && (t[i].visible & kVisibleClef)) {
        if (clef) *clef = t[i].clef;
        c = true;
      }
      if (!k && (t[i].visible & kVisibleArmure)) {
        if (key) *key = t[i].tonalite;
        if (previous) GetPrevTonaliteVisible(staff, int16_t(bar - 1), previous);
        k = true;
      }
    }
  }
  if (keyShown) *keyShown = k;
  if (clefShown) *clefShown = c;
}

int16_t GetMesureMaxTonalitePartition(Partition** score) {
  if (!score || !(*score)->portees) return 0;
  int16_t result = 0;
  for (int16_t i = 0; i < (*score)->nbPortees; i++) {
    int32_t n;
    const EltTabTonalite* t = GetEltsTabTonalite((*score)->portees[i], &n);
    if (!t) continue;
    uint16_t bar = t[n - 1].mesure;
    if (bar > 32767) bar = 32767;
    if (int16_t(bar) > result) result = int16_t(bar);
  }
  return result;
}

namespace {

bool TestFlagsMesure(Partition** score, MiseEnPage* pageSetup, int16_t bar, bool reminder) {
  if (!score || !(*score)->portees) return false;
  for (int16_t i = 0; i < (*score)->nbPortees; i++) {
    Portee** staff = (*score)->portees[i];
    if (!staff || !(*staff)->affichee || (pageSetup && !IsPorteeImprimable(pageSetup, staff))) continue;
    const EltTabTonalite* e = EltExact(staff, bar);
    if (e && (reminder ? e->rappel : e->visible) != 0) return true;
  }
  return false;
}

}  // namespace

bool IsClefTonaliteChangeMesure(Partition** score, MiseEnPage* pageSetup, int16_t bar) {
  return TestFlagsMesure(score, pageSetup, bar, false);
}

bool IsRappelMesure(Partition** score, MiseEnPage* pageSetup, int16_t bar) {
  return TestFlagsMesure(score, pageSetup, bar, true);
}

int16_t RechercheMesureEndChangeClefTonalite(Partition** score, Portee** staff, int16_t bar, const Clef* clef,
                                             const Tonalite* key) {
  if (!staff || (!clef && !key)) return bar;
  // Keys, clefs and the shown bits only change at entries: walk those instead of every bar.
  int32_t nb = score ? (*score)->nbMesures : 0;
  int32_t limite = std::max<int32_t>(nb, int32_t(bar) + 1);
  Tonalite k0;
  Clef c0;
  CvtMesureEnTonalite(staff, bar, &k0);
  CvtMesureEnClef(staff, bar, &c0);
  int32_t finCle = bar, finClef = bar;
  int32_t n;
  const EltTabTonalite* t = GetEltsTabTonalite(staff, &n);
  int32_t i = t ? RechercheIndex(t, n, bar) + 1 : 0;
  if (key) {
    finCle = limite;
    for (int32_t j = i; j < n && t[j].mesure < finCle; j++) {
      if (t[j].mesure <= uint16_t(bar)) continue;
      bool differe = !IsLectureDefaut(staff) && !CmpTonalite(&t[j].tonalite, &k0);
      if (differe || (t[j].visible & kVisibleArmure)) finCle = t[j].mesure;
    }
  }
  if (clef) {
    finClef = limite;
    for (int32_t j = i; j < n && t[j].mesure < finClef; j++) {
      if (t[j].mesure <= uint16_t(bar)) continue;
      bool differe = !IsLectureDefaut(staff) && !CmpClef(&t[j].clef, &c0);
      if (differe || (t[j].visible & kVisibleClef)) finClef = t[j].mesure;
    }
  }
  return int16_t(std::min<int32_t>(std::max(finCle, finClef), kMaxMesures + 1));
}

// ---- Table maintenance.

int16_t InsereEltTabTonalite(Portee** staff, int16_t bar, const Tonalite* key, const Clef* clef, uint32_t visible,
                             uint32_t reminder, int32_t lien) {
  if (!staff || bar < 0) return -1;
  uint16_t link = lien < 0 || lien >= kLienTonaliteAucun ? kLienTonaliteAucun : uint16_t(lien);
  InvalideCache(staff);
  Tonalite k;
  Clef c;
  int16_t lut[kNbPassagesKaraoke];
  SetTonaliteDefaut(&k);
  SetClefDefaut(&c);
  for (int v = 0; v < kNbPassagesKaraoke; v++) lut[v] = int16_t(v);
  int8_t subdivision = 0;
  int32_t valeursLues[2] = {0, 0};
  int32_t n;
  EltTabTonalite* t = GetEltsTabTonalite(staff, &n);
  int32_t i = t ? RechercheIndex(t, n, bar) : -1;
  if (i >= 0) {
    k = t[i].tonalite;
    c = t[i].clef;
    std::memcpy(lut, t[i].lignesKaraoke, sizeof lut);
    subdivision = t[i].subdivisionBatterie;
    std::memcpy(valeursLues, t[i].valeursLues, sizeof valeursLues);
  }
  if (key) k = *key;
  if (clef) c = *clef;
  int16_t couleur = 0;
  if (i >= 0 && t[i].mesure == uint16_t(bar)) {
    couleur = t[i].couleurClef;
    uint16_t ancien = t[i].lien;
    if (ancien != kLienTonaliteAucun && ancien != link) {
      DeleteParamEffet(staff, ancien);
      t = GetEltsTabTonalite(staff, &n);
    }
  } else {
    if (n >= INT16_MAX - 1) return -1;  // the count is 16-bit
    if (!(*staff)->tabTonalite) {
      (*staff)->tabTonalite = NewHandle(0);
      if (!(*staff)->tabTonalite) return -1;
    }
    if (!RetailleHandle((*staff)->tabTonalite, Size(n + 1) * Size(sizeof(EltTabTonalite)))) return -1;
    t = reinterpret_cast<EltTabTonalite*>(*(*staff)->tabTonalite);
    i++;
    std::memmove(t + i + 1, t + i, size_t(n - i) * sizeof(EltTabTonalite));
    (*staff)->nbTonalites = int16_t(n + 1);
  }
  EltTabTonalite& e = t[i];
  e.mesure = uint16_t(bar);
  e.tonalite = k;
  e.clef = c;
  e.visible = visible;
  e.couleurClef = couleur;
  e.rappel = reminder;
  std::memcpy(e.lignesKaraoke, lut, sizeof lut);
  e.lien = link;
  e.subdivisionBatterie = subdivision;
  std::memcpy(e.valeursLues, valeursLues, sizeof valeursLues);
  if (i == 0 && bar != 0) {
    if (!AssureEltMesureZero(staff)) return -1;
    i++;
  }
  InvalideCache(staff);
  return int16_t(i);
}

void SupprimeEltTabTonalite(Portee** staff, int16_t index) {
  int32_t n;
  EltTabTonalite* t = GetEltsTabTonalite(staff, &n);
  if (!t || index <= 0 || index >= n) return;
  uint16_t lien = t[index].lien;
  if (lien != kLienTonaliteAucun) {
    DeleteRelatedGraphiques(staff, lien);
    DeleteParamEffet(staff, lien);
    t = GetEltsTabTonalite(staff, &n);
  }
  std::memmove(t + index, t + index + 1, size_t(n - index - 1) * sizeof(EltTabTonalite));
  SetHandleSize((*staff)->tabTonalite, Size(n - 1) * Size(sizeof(EltTabTonalite)));
  (*staff)->nbTonalites = int16_t(n - 1);
  InvalideCache(staff);
}

int16_t GarbageEltTabTonalite(Portee** staff) {
  int32_t n;
  EltTabTonalite* t = GetEltsTabTonalite(staff, &n);
  if (!t || n < 2) return 0;
  Partition** score = (*staff)->partition;
  int32_t nb = score ? (*score)->nbMesures : 0;
  int16_t removed = 0;
  for (int32_t i = 1; i < n;) {
    const EltTabTonalite& a = t[i - 1];
    const EltTabTonalite& e = t[i];
    bool inutile = e.visible == 0 && CmpClef(&e.clef, &a.clef) && CmpTonalite(&e.tonalite, &a.tonalite) &&
                   e.lien == kLienTonaliteAucun &&
                   std::memcmp(e.lignesKaraoke, a.lignesKaraoke, sizeof e.lignesKaraoke) == 0 &&
                   (e.mesure >= nb || !IsSignatureVisibleEcran(score, int16_t(e.mesure)));
    if (inutile) {
      SupprimeEltTabTonalite(staff, int16_t(i));
      t = GetEltsTabTonalite(staff, &n);
      removed = 1;
    } else {
      i++;
    }
  }
  return removed;
}

void DeleteMesureChangeTonalitePortee(Portee** staff, int16_t first, int16_t count) {
  if (!staff || first < 0 || count <= 0) return;
  Partition** score = (*staff)->partition;
  int32_t nb = score ? (*score)->nbMesures : 0;
  int32_t apres = int32_t(first) + count;
  // Verses shown after the cut keep their lines.
  if (first > 0 && apres < nb && CvtNumMesureEnIndxTabTonalite(staff, int16_t(apres)) < 0) {
    const int16_t* avant = CvtMesureEnLutLigneKaraoke(staff, int16_t(first - 1));
    const int16_t* ensuite = CvtMesureEnLutLigneKaraoke(staff, int16_t(apres));
    if (avant && ensuite && std::memcmp(avant, ensuite, sizeof(int16_t) * kNbPassagesKaraoke) != 0)
      FixeTonaliteEtClefMesure(score, staff, int16_t(apres), nullptr, nullptr, 0, 0, 0, kLienTonaliteAucun);
  }
  int32_t n;
  EltTabTonalite* t = GetEltsTabTonalite(staff, &n);
  for (int32_t i = 1; t && i < n;) {
    if (t[i].mesure < uint16_t(first)) {
      i++;
    } else if (t[i].mesure >= apres) {
      t[i].mesure = uint16_t(t[i].mesure - count);
      i++;
    } else {
      SupprimeEltTabTonalite(staff, int16_t(i));
      t = GetEltsTabTonalite(staff, &n);
    }
  }
  // Bars shifted: the cached bar no longer names the same entry.
  InvalideCache(staff);
  t = GetEltsTabTonalite(staff, &n);
  if (t && n >= 2 && t[1].mesure == 0) {
    // The change that now starts the staff replaces the first entry; the
    // first entry's own attachments go with it, the second's move over.
    uint16_t ancien = t[0].lien;
    uint32_t visible = t[0].visible;
    t[0] = t[1];
    t[0].visible = visible;
    t[1].lien = kLienTonaliteAucun;
    if (ancien != kLienTonaliteAucun && ancien != t[0].lien) {
      DeleteRelatedGraphiques(staff, ancien);
      DeleteParamEffet(staff, ancien);
    }
    SupprimeEltTabTonalite(staff, 1);
  }
  InvalideCache(staff);
}

Handle DupliqueTabTonalite(Portee** staff, int16_t keepLinks) {
  if (!staff || !(*staff)->tabTonalite) return nullptr;
  Handle h = (*staff)->tabTonalite;
  if (HandToHand(&h) != noErr) return nullptr;
  if (!keepLinks) {
    int32_t n = GetHandleSize(h) / int32_t(sizeof(EltTabTonalite));
    for (int32_t i = 0; i < n; i++) reinterpret_cast<EltTabTonalite*>(*h)[i].lien = kLienTonaliteAucun;
  }
  return h;
}

void DisposeTabTonalite(Portee** staff) {
  if (!staff) return;
  if ((*staff)->tabTonalite) DisposeHandle((*staff)->tabTonalite);
  (*staff)->tabTonalite = nullptr;
  (*staff)->nbTonalites = 0;
  InvalideCache(staff);
}

// ---- Setters.

int16_t FixeTonaliteEtClefMesure(Partition** score, Portee** staff, int16_t bar, const Tonalite* key, const Clef* clef,
                                 int16_t transpositionMode, uint32_t visible, uint32_t reminder, int32_t link) {
  if (!staff || bar < 0) return 0;
  PauseMusique();
  int32_t n;
  GetEltsTabTonalite(staff, &n);
  if (n == 0) {
    InsereEltTabTonalite(staff, bar, key, clef, visible, reminder, link);
  } else {
    Tonalite k0;
    Clef c0;
    CvtMesureEnTonalite(staff, bar, &k0);
    CvtMesureEnClef(staff, bar, &c0);
    const Tonalite* k = key && !CmpTonalite(key, &k0) ? key : nullptr;
    const Clef* c = clef && !CmpClef(clef, &c0) ? clef : nullptr;
    Tonalite nk = k ? *k : k0;
    Clef nc = c ? *c : c0;
    int16_t finCle = RechercheMesureEndChangeClefTonalite(score, staff, bar, nullptr, k);
    int16_t finClef = RechercheMesureEndChangeClefTonalite(score, staff, bar, c, nullptr);
    TransposeMesures(score, staff, bar, c ? &nc : nullptr, k ? &nk : nullptr, transpositionMode);
    int16_t i = InsereEltTabTonalite(staff, bar, k ? &nk : nullptr, c ? &nc : nullptr, visible, reminder, link);
    int16_t fin = std::max(finCle, finClef);
    // Entries inside the stretch take the new key and clef; each keeps its
    // own link, so that graphics attached to it keep their record.
    for (int32_t j = i + 1; i >= 0; j++) {
      const EltTabTonalite* t = GetEltsTabTonalite(staff, &n);
      if (!t || j >= n || t[j].mesure >= fin) break;
      int16_t b = int16_t(t[j].mesure);
      Tonalite kb;
      Clef cb;
      if (k && b < finCle) kb = nk;
      else CvtMesureEnTonalite(staff, b, &kb);
      if (c && b < finClef) cb = nc;
      else CvtMesureEnClef(staff, b, &cb);
      InsereEltTabTonalite(staff, b, &kb, &cb, t[j].visible, reminder, t[j].lien);
    }
  }
  SetGrilleAccordNonCalculee();
  if (score) SetTabEltMesureModifie(score, kTabEltEspacement | kTabEltMarges);
  DePauseMusique();
  return 1;
}

int16_t FixeTonaliteMesure(Partition** score, Portee** staff, int16_t bar, const Tonalite* key,
                           int16_t transpositionMode) {
  if (!key) return 0;
  if (staff) {
    if (!IsTypePorteeChangeTonalite(staff)) return 0;
    return FixeTonaliteEtClefMesure(score, staff, bar, key, nullptr, transpositionMode, CvtMesureEnVisible(staff, bar),
                                    CvtMesureEnRappel(staff, bar), LienMesure(staff, bar));
  }
  if (!score || !(*score)->portees) return 0;
  int16_t r = 0;
  for (int16_t i = 0; i < (*score)->nbPortees; i++) {
    Portee** s = (*score)->portees[i];
    if (!IsTypePorteeChangeTonalite(s)) continue;
    int16_t mode = (*s)->type == kTypePorteeTablature ? int16_t(0) : transpositionMode;
    r = FixeTonaliteMesure(score, s, bar, key, mode);
  }
  return r;
}

int16_t FixeClefMesure(Partition** score, Portee** staff, int16_t bar, Clef* clef, int16_t transpositionMode) {
  if (!staff || !clef || !IsTypePorteeChangeClef(staff)) return 0;
  clef->noteDeBase = int8_t(CvtClefEnNoteDeBase(clef));
  Tonalite key;
  CvtMesureEnTonalite(staff, bar, &key);
  return FixeTonaliteEtClefMesure(score, staff, bar, &key, clef, transpositionMode, CvtMesureEnVisible(staff, bar),
                                  CvtMesureEnRappel(staff, bar), LienMesure(staff, bar));
}

namespace {

int16_t FixeFlagsMesure(Partition** score, Portee** staff, int16_t bar, uint32_t value, uint32_t mask, bool reminder) {
  Tonalite key;
  Clef clef;
  CvtMesureEnTonalite(staff, bar, &key);
  CvtMesureEnClef(staff, bar, &clef);
  uint32_t visible = CvtMesureEnVisible(staff, bar);
  uint32_t rappel = CvtMesureEnRappel(staff, bar);
  if (reminder) rappel = (rappel & ~mask) | (value & mask);
  else visible = (visible & ~mask) | (value & mask);
  return FixeTonaliteEtClefMesure(score, staff, bar, &key, &clef, 0, visible, rappel, LienMesure(staff, bar));
}

}  // namespace

int16_t FixeVisibleMesure(Partition** score, Portee** staff, int16_t bar, uint32_t value, uint32_t mask) {
  if (staff) return FixeFlagsMesure(score, staff, bar, value, mask, false);
  if (!score || !(*score)->portees) return 0;
  int16_t r = 0;
  for (int16_t i = 0; i < (*score)->nbPortees; i++) {
    Portee** s = (*score)->portees[i];
    if (IsTypePorteeContientNote(s)) r = FixeFlagsMesure(score, s, bar, value, mask, false);
  }
  return r;
}

int16_t FixeRappelMesure(Partition** score, Portee** staff, int16_t bar, uint32_t value, uint32_t mask) {
  if (staff) return FixeFlagsMesure(score, staff, bar, value, mask, true);
  if (!score || !(*score)->portees) return 0;
  int16_t r = 0;
  for (int16_t i = 0; i < (*score)->nbPortees; i++) {
    Portee** s = (*score)->portees[i];
    if (IsTypePorteeNotationStandard(s)) r = FixeFlagsMesure(score, s, bar, value, mask, true);
  }
  return r;
}

int16_t SetTonalitePartition(Partition** score, const Tonalite* key, uint32_t visible) {
  if (!score || !key || !(*score)->portees) return 0;
  int16_t r = 0;
  for (int16_t i = 0; i < (*score)->nbPortees; i++) {
    Portee** s = (*score)->portees[i];
    if (IsTypePorteeContientNote(s))
      r = FixeTonaliteEtClefMesure(score, s, 0, key, nullptr, 0, visible, 0, LienMesure(s, 0));
  }
  InitPortees(score);
  SetTabEltMesureModifie(score, kTabEltEspacement | kTabEltMarges);
  return r;
}

// ---- Widths.

namespace {

// The engraving spaces of the clef, key and time-signature area: 16-bit words
// of the graphic mode, in 72-dpi units.
enum : int {
  kMGEspaceAvantCle = 18,
  kMGEspaceAvantArmure = 19,
  kMGEspaceApresArmure = 20,
  kMGEspaceAvantSignature = 21,
  kMGEspaceApresSignature = 22,
  kMGEspaceAlterationsArmure = 23,
  kMGEspaceApresBecarres = 24,
};

// The score's own graphic mode: installing it as the current mode changes no
// space, and the bar table is rebuilt without it being installed.
int16_t EspaceModeGraphique(Portee** staff, int n) {
  Partition** score = (*staff)->partition;
  return score ? (*score)->modeGraphique.slot[n] : int16_t(0);
}

// The treble-clef glyph's width, measured again only when the size, the
// print mode or the destination resolution changes.
struct CacheLargeurCle {
  int32_t taille = -1;
  uint8_t modePrint = 0;
  int16_t dpi = 0;
  int16_t largeur = 0;
};
CacheLargeurCle cacheLargeurCle;

int16_t LargeurCleSol(int32_t taille) {
  CacheLargeurCle& c = cacheLargeurCle;
  if (c.taille != taille || c.modePrint != GetModeVellariPrint() || c.dpi != GetDpiDest()) {
    c.taille = taille;
    c.modePrint = GetModeVellariPrint();
    c.dpi = GetDpiDest();
    c.largeur = CharWidthCaractereMusical(38);
  }
  return c.largeur;
}

int16_t SatureLargeur(int64_t w) { return int16_t(std::clamp<int64_t>(w, -32767, 32767)); }

}  // namespace

int16_t CalculeLargeurEcranArmatureComplete(Portee** staff, const Tonalite* key, const Tonalite* previous,
                                            uint32_t flags, const DivisionTemporelle* division) {
  if (!staff) return 0;
  uint32_t type = (*staff)->type;
  if (type == kTypePorteeBatterie || type == kTypePorteeTempo || (*staff)->typeVolatile != 0) return 0;
  int32_t taille = Zoom((*staff)->aspect.tailleUnite ? (*staff)->aspect.tailleUnite : 72);
  CGrafPtr ancien = SetPortTemporaire();
  SetFontVellari(uint16_t(std::clamp<int32_t>(taille, 1, 32767)));
  TextSize(int16_t(std::clamp<int32_t>(taille, 1, 32767)));
  TextFace(0);
  int64_t w = 0;
  if (flags & kVisibleClef) w += LargeurCleSol(taille) + Zoom(EspaceModeGraphique(staff, kMGEspaceAvantCle));
  if ((flags & kVisibleArmure) && key) {
    int32_t n = 0;
    bool becarres = false;
    uint32_t style = key->styleAnnulation;
    for (int d = 0; d < 7; d++) {
      uint8_t a = key->alterations[d];
      uint8_t p = previous ? previous->alterations[d] : 0;
      if (previous && style == 2) {
        if (p != 0 && p != a) {
          n++;
          becarres = true;
        }
        if (a != 0) n++;
      } else if (previous && style == 1) {
        if (a != 0) n++;
        if (p != 0 && a == 0) {
          n++;
          becarres = true;
        }
      } else if (a != 0) {
        n++;
      }
    }
    if (n > 0) {
      w += Zoom(EspaceModeGraphique(staff, kMGEspaceAvantArmure)) + int64_t(n) * (taille / 12) +
           Zoom(EspaceModeGraphique(staff, kMGEspaceAlterationsArmure) * (n - 1)) +
           (becarres ? Zoom(EspaceModeGraphique(staff, kMGEspaceApresBecarres)) : 0) +
           Zoom(EspaceModeGraphique(staff, kMGEspaceApresArmure));
    }
  }
  if ((flags & kVisibleSignature) && division) {
    char haut[32], bas[32];
    CvtDivisionTemporelleEnString(division, haut, bas);
    int16_t lh = TextWidthCaractereMusical(haut), lb = TextWidthCaractereMusical(bas);
    w += Zoom(EspaceModeGraphique(staff, kMGEspaceAvantSignature)) + std::max(lh, lb) +
         Zoom(EspaceModeGraphique(staff, kMGEspaceApresSignature));
  }
  SetPort(reinterpret_cast<GrafPtr>(ancien));
  return SatureLargeur(w);
}

int32_t CalculeTailleClePixelEcranPorteeMesure(Partition** score, MiseEnPage* pageSetup, int16_t bar) {
  if (!score || !(*score)->portees || (*score)->nbPortees <= 0) return 0;
  const TabEltMesure* ligne = LigneEcran(score, bar);
  if (ligne && ligne->marquePagination) return CalculeLargeurEcranCleDebutLigneImpression(score, bar);
  DivisionTemporelle division;
  CvtMesureEnDivisionTemporelle(score, bar, &division);
  int32_t r = 0;
  for (int16_t s = 0; s < (*score)->nbPortees; s++) {
    Portee** staff = (*score)->portees[s];
    if (!staff || !(*staff)->affichee || (pageSetup && !IsPorteeImprimable(pageSetup, staff))) continue;
    int16_t i = CvtNumMesureEnIndxTabTonalite(staff, bar);
    if (i < 0) continue;
    int32_t n;
    const EltTabTonalite* t = GetEltsTabTonalite(staff, &n);
    if (t[i].visible == 0) continue;
    Tonalite key = t[i].tonalite, previous = i > 0 ? t[i - 1].tonalite : t[i].tonalite;
    uint32_t visible = t[i].visible;
    r = std::max<int32_t>(
        r, CalculeLargeurEcranArmatureComplete(staff, &key, i > 0 ? &previous : nullptr, visible, &division));
  }
  return r;
}

int16_t CalculeLargeurEcranCleDebutLigneImpression(Partition** score, int16_t bar) {
  if (!score || !(*score)->portees) return 0;
  Document* document = (*score)->document;
  MiseEnPage* setup = document ? document->miseEnPageCourante : nullptr;
  DivisionTemporelle division;
  CvtMesureEnDivisionTemporelle(score, bar, &division);
  int16_t r = 0;
  for (int16_t s = 0; s < (*score)->nbPortees; s++) {
    Portee** staff = (*score)->portees[s];
    if (!staff || !(*staff)->affichee || (*staff)->type == kTypePorteeBatterie || !IsPorteeImprimable(setup, staff))
      continue;
    Tonalite key, previous;
    Clef clef;
    bool keyShown, clefShown;
    CalculeTonaliteCleAfficheMesure(staff, bar, &key, &previous, &keyShown, &clef, &clefShown);
    uint32_t flags = (CvtMesureEnVisible(staff, bar) & kVisibleSignature) | (keyShown ? uint32_t(kVisibleArmure) : 0u) |
                     (clefShown ? uint32_t(kVisibleClef) : 0u);
    r = std::max(r, CalculeLargeurEcranArmatureComplete(staff, &key, &previous, flags, &division));
  }
  return r;
}

int32_t CalculeLargeurEcranCleRappel(Partition** score, int16_t bar) {
  if (!score || !(*score)->portees || bar <= 0) return 0;
  DivisionTemporelle division;
  bool divisionLue = false;
  int32_t r = 0;
  for (int16_t s = 0; s < (*score)->nbPortees; s++) {
    Portee** staff = (*score)->portees[s];
    if (!staff || (*staff)->type == kTypePorteeBatterie) continue;
    uint32_t rappel = CvtMesureEnRappel(staff, bar);
    if (rappel == 0) continue;
    if (!divisionLue) {
      CvtMesureEnDivisionTemporelle(score, bar, &division);
      divisionLue = true;
    }
    Tonalite key, previous;
    CvtMesureEnTonalite(staff, bar, &key);
    CvtMesureEnTonalite(staff, int16_t(bar - 1), &previous);
    r = std::max<int32_t>(r, CalculeLargeurEcranArmatureComplete(staff, &key, &previous, rappel, &division));
  }
  return r;
}

int16_t CalculeMaxTailleClePixelEcran(Partition** score) {
  // Without staves no bar has a clef area: no table to build for it.
  if (!score || (*score)->nbPortees <= 0 || !(*score)->portees) return 0;
  UpdateTabEltMesure(score, kTabEltEspacement);
  Handle table = GetTabEltMesureEcran(score);
  int32_t n = GetNbLignesTabElt(table);
  const TabEltMesure* t = GetLignesTabElt(table);
  int16_t r = 0;
  for (int32_t i = 0; t && i < n; i++) r = std::max(r, int16_t(t[i].largeurCleArmure));
  return r;
}
