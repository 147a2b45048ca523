#include "model/Ruptures.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "model/CvtTemps.h"
#include "model/Partition.h"
#include "model/TabEltMesure.h"
#include "model/TempsJoue.h"
#include "plugin/ServicesInertes.h"
#include "system/Handles.h"

// Every preset: bar 0, italic 12-point text in font 20, black.
static constexpr Rupture Predef(uint32_t placement, uint32_t barre, const char* texte, uint32_t type, uint32_t al = 0,
                                uint32_t mode = 0, uint16_t passes = 0, int16_t param = 0, int16_t finVolta = 0) {
  Rupture r{};
  r.placement = placement;
  r.barre = barre;
  for (int i = 0; texte[i] && i < kTailleTexteRupture - 1; i++) r.texte[i] = texte[i];
  r.style = TextStyle{20, 2, 12, RGBColor{0, 0, 0}};
  r.type = type;
  r.al = al;
  r.modePassage = mode;
  r.nbPassages = passes;
  r.parametre = param;
  r.motFinVolta = finVolta;
  return r;
}

const Rupture TabPredefRupture[kNbPredefRupture] = {
    Predef(0, 0, "", 0),
    Predef(0, 5, "", 9),
    Predef(3, 7, "", 10),
    Predef(1, 6, "", 13),
    Predef(3, 8, "", 14, 0, 1, 1),
    Predef(0, 1, "", 0),
    Predef(0, 3, "", 0),
    Predef(0, 4, "", 0),
    Predef(0, 2, "", 0),
    Predef(1, 0, "$[$#", 11, 0, 3),
    Predef(3, 0, "$]", 12, 0, 0, 0, 0, -2),
    Predef(2, 0, "$S", 7, 0, 0, 0, -1),
    Predef(2, 0, "$C", 8, 0, 0, 0, -1),
    Predef(3, 0, "Fine", 1, 0, 4),
    Predef(3, 0, "Da $C", 6, 0, 4),
    Predef(3, 0, "Da Capo", 3, 0, 1),
    Predef(3, 0, "Dal Segno $S", 5),
    Predef(3, 0, "Da Capo Al Fine", 3, 2, 1),
    Predef(3, 0, "Dal Segno $S Al Fine", 5, 2),
    Predef(3, 0, "Da Capo Al Coda $C", 3, 1, 1),
    Predef(3, 0, "Dal Segno $S Al Coda $C", 5, 1),
    Predef(1, 9, "", 0),
};

int16_t GetNbRuptures(Partition** score) {
  if (!score || !(*score)->ruptures) return 0;
  Size n = GetHandleSize((*score)->ruptures) / Size(sizeof(Rupture));
  return int16_t(n > INT16_MAX ? INT16_MAX : n);
}

Rupture* GetRupture(Partition** score, int16_t index) {
  if (index < 0 || index >= GetNbRuptures(score)) return nullptr;
  return reinterpret_cast<Rupture*>(*(*score)->ruptures) + index;
}

static Rupture* Ruptures(Partition** score) { return reinterpret_cast<Rupture*>(*(*score)->ruptures); }

int16_t NewRupture(Partition** score) {
  if (!score) return -1;
  int16_t n = GetNbRuptures(score);
  if (n >= INT16_MAX) return -1;
  if (!(*score)->ruptures) {
    (*score)->ruptures = NewHandleClear(Size(sizeof(Rupture)));
    if (!(*score)->ruptures) return -1;
  } else {
    if (!RetailleHandle((*score)->ruptures, Size(n + 1) * Size(sizeof(Rupture)))) return -1;
    std::memset(Ruptures(score) + n, 0, sizeof(Rupture));
  }
  (*score)->nbRuptures = int16_t(n + 1);
  return n;
}

int16_t GetTypeRupture(const Rupture* r) {
  if (!r) return -1;
  if (r->barre != kBarreAucune) return r->placement == kRupturePlacementFin ? 5 : 0;
  switch (r->type) {
    case kRuptureAucune: return -1;
    case kRuptureDebutVolta: return 1;
    case kRuptureFinVolta: return 4;
    default: return r->placement == kRupturePlacementFin ? 3 : 2;
  }
}

int16_t ClasseRuptures(Partition** score, int16_t index) {
  if (!score || !(*score)->ruptures) return -1;
  int16_t n = GetNbRuptures(score);
  Rupture* r = Ruptures(score);
  bool trie = true;
  for (int16_t i = 0; i + 1 < n && trie; i++)
    trie = !(r[i].mesure > r[i + 1].mesure ||
             (r[i].mesure == r[i + 1].mesure && GetTypeRupture(&r[i]) > GetTypeRupture(&r[i + 1])));
  if (trie) return index;
  // A stable sort: records of equal bar and class keep their order, as
  // neighbour swaps would leave them, without their quadratic cost.
  std::vector<int16_t> ordre(static_cast<size_t>(n));
  for (int16_t i = 0; i < n; i++) ordre[size_t(i)] = i;
  std::stable_sort(ordre.begin(), ordre.end(), [r](int16_t a, int16_t b) {
    if (r[a].mesure != r[b].mesure) return r[a].mesure < r[b].mesure;
    return GetTypeRupture(&r[a]) < GetTypeRupture(&r[b]);
  });
  std::vector<Rupture> copie(r, r + n);
  int16_t suivi = -1;
  for (int16_t i = 0; i < n; i++) {
    r[i] = copie[size_t(ordre[size_t(i)])];
    if (ordre[size_t(i)] == index) suivi = i;
  }
  return index < 0 ? index : suivi;
}

void RecalculeMesureMaxRupture(Partition** score) {
  if (!score) return;
  int16_t m = 0;
  int16_t n = GetNbRuptures(score);
  for (int16_t i = 0; i < n; i++)
    if (Ruptures(score)[i].mesure > m) m = Ruptures(score)[i].mesure;
  (*score)->mesureMaxRupture = m;
}

// ------------------------------------------------------------------ texts

// The escape letter folds as ASCII: a host's locale must not change which
// stored texts carry one.
static bool IsEscape(const char* s, char c) {
  const char lettre = (s[1] >= 'a' && s[1] <= 'z') ? char(s[1] - 'a' + 'A') : s[1];
  return s[0] == '$' && s[1] && lettre == c;
}

static const char* ChercheEscape(const char* text, char c) {
  for (const char* s = text; *s; s++) {
    if (IsEscape(s, c)) return s;
    if (*s == '$' && s[1]) s++;  // the escaped character is not a new escape
  }
  return nullptr;
}

static void RetireEscape(char* text, char c) {
  char* out = text;
  for (const char* s = text; *s;) {
    if (IsEscape(s, c)) {
      s += 2;
    } else if (*s == '$' && s[1]) {
      *out++ = *s++;
      *out++ = *s++;
    } else {
      *out++ = *s++;
    }
  }
  *out = 0;
}

// Inserts `what` at byte `at`, keeping the text within its field.
static void InsereTexte(char* text, size_t at, const char* what) {
  char tmp[kTailleTexteRupture];
  size_t len = strnlen(text, kTailleTexteRupture - 1);
  if (at > len) at = len;
  size_t w = std::strlen(what);
  size_t k = 0;
  for (size_t i = 0; i < at && k < sizeof tmp - 1; i++) tmp[k++] = text[i];
  for (size_t i = 0; i < w && k < sizeof tmp - 1; i++) tmp[k++] = what[i];
  for (size_t i = at; i < len && k < sizeof tmp - 1; i++) tmp[k++] = text[i];
  tmp[k] = 0;
  std::memcpy(text, tmp, k + 1);
}

void SetNbPassageRupture(Rupture* r, uint16_t n) {
  if (!r) return;
  r->texte[kTailleTexteRupture - 1] = 0;
  switch (r->modePassage) {
    case 1:
      r->nbPassages = n;
      if (r->type == kRuptureFinRepetition && n <= 1) RetireEscape(r->texte, 'P');
      else if (!ChercheEscape(r->texte, 'P')) InsereTexte(r->texte, 0, "x$P");
      break;
    case 2:
      r->nbPassages = n;
      if (!ChercheEscape(r->texte, 'P')) InsereTexte(r->texte, 0, "$P$T,");
      break;
    default: break;
  }
}

void SetActionParamRupture(Rupture* r, int16_t param) {
  if (!r) return;
  r->parametre = param;
  r->texte[kTailleTexteRupture - 1] = 0;
  if (r->type >= kRuptureDalSegno && r->type <= kRuptureCoda) {
    if (param < 1) {
      RetireEscape(r->texte, 'N');
    } else if (!ChercheEscape(r->texte, 'N')) {
      const char* s = r->type == kRuptureDalSegno ? ChercheEscape(r->texte, 'S') : nullptr;
      InsereTexte(r->texte, s ? size_t(s - r->texte) + 2 : std::strlen(r->texte), "$N");
    }
  } else if (r->type == kRuptureAllerMesure && !ChercheEscape(r->texte, 'N')) {
    InsereTexte(r->texte, std::strlen(r->texte), "$N");
  }
}

// ----------------------------------------------------------------- searches

int16_t GetIndexTypeRupturePresent(Partition** score, int16_t classe, int16_t bar) {
  int16_t n = GetNbRuptures(score);
  for (int16_t i = 0; i < n; i++) {
    const Rupture& r = Ruptures(score)[i];
    if (r.mesure == bar && GetTypeRupture(&r) == classe) return i;
  }
  return -1;
}

static int32_t MesureEffective(const Rupture& r) {
  return r.placement == kRupturePlacementFin ? int32_t(r.mesure) + 1 : r.mesure;
}

int16_t RechercheRupture(Partition** score, int16_t from, int16_t bar) {
  int16_t n = GetNbRuptures(score);
  for (int16_t i = from < 0 ? 0 : from; i < n; i++)
    if (MesureEffective(Ruptures(score)[i]) == bar) return i;
  return -1;
}

int16_t RechercheRuptureVisible(Partition** score, int16_t bar) {
  int16_t n = GetNbRuptures(score);
  for (int16_t i = 0; i < n; i++) {
    const Rupture& r = Ruptures(score)[i];
    if (r.barre != kBarreGrise && MesureEffective(r) == bar) return i;
  }
  return -1;
}

int16_t RechercheRuptureStrict(Partition** score, int16_t from, int16_t bar, int16_t which) {
  if (which < -1 || which > 1) return -1;
  int16_t n = GetNbRuptures(score);
  for (int16_t i = from < 0 ? 0 : from; i < n; i++) {
    const Rupture& r = Ruptures(score)[i];
    if (r.mesure != bar) continue;
    bool fin = r.placement == kRupturePlacementFin;
    if (which == -1 || (which == 0 && !fin) || (which == 1 && fin)) return i;
  }
  return -1;
}

void ReporteRuptureFinMesureSurMesureSuivante(Partition** score, int16_t bar) {
  if (bar < 1 || bar >= kMaxMesures - 1) return;
  int16_t n = GetNbRuptures(score);
  for (int16_t i = 0; i < n; i++) {
    Rupture& r = Ruptures(score)[i];
    if (r.mesure == bar && r.placement == kRupturePlacementFin) r.mesure = int16_t(bar + 1);
  }
}

// ----------------------------------------------------------------- margins

// Extra margin a bar line asks for, in 72-dpi screen units.
static int16_t MargeBarre(uint32_t barre) {
  switch (barre) {
    case kBarreDebutMusique:
    case kBarreFinMusique:
    case kBarreFinRepetition: return 16;
    case kBarreDebutRepetition: return 24;
    default: return 4;
  }
}

// The stored margins are 72-dpi units: they are written as such, never
// through a pixel conversion that would round them.
static TabEltMesure* LigneMarges(Partition** score, int16_t bar) {
  if (bar < 0 || bar >= kMaxMesures) return nullptr;
  int32_t rows = GetNbMesuresTabEltRuban(score);
  if (bar >= rows) AddEltTabEltMesureRuban(score, bar + 1 - rows);
  if (bar >= GetNbMesuresTabEltRuban(score)) return nullptr;
  return GetLignesTabElt((*score)->tabEltMesure[0]) + bar;
}

static void FixeMarge(Partition** score, int16_t bar, bool gauche, int16_t value) {
  TabEltMesure* e = LigneMarges(score, bar);
  if (!e) return;
  (gauche ? e->margeGauche : e->margeDroite) = value;
  SetTabEltMesureModifie(score, kTabEltEspacement | kTabEltMarges);
}

// ----------------------------------------------------------------- editing

static void PassageSuivantVolta(Rupture* dest, const Rupture& from) {
  int highest = 0;
  for (int i = 1; i < kNbPassagesVolta; i++)
    if (from.passagesVolta[i]) highest = i;
  int next = highest + 1;
  if (next < 1) next = 1;
  if (next > kNbPassagesVolta - 1) next = kNbPassagesVolta - 1;
  dest->passagesVolta[next] = 1;
}

static bool IsPresetBarreSimple(int16_t preset) { return (preset >= 5 && preset <= 8) || preset == 21; }

int16_t AjouteRuptureEnMesure(Partition** score, int16_t preset, int16_t bar, bool atStart, bool snap) {
  if (!score || preset < 0 || preset >= kNbPredefRupture) return -1;
  Rupture modele = TabPredefRupture[preset];
  if (snap && !IsPresetBarreSimple(preset)) {
    if (modele.placement == kRupturePlacementFin && atStart) bar = int16_t(bar > 0 ? bar - 1 : 0);
    else if (modele.placement != kRupturePlacementFin && !atStart && bar < kMaxMesures) bar = int16_t(bar + 1);
  }
  if (bar < 0) bar = 0;
  if (bar >= kMaxMesures) return -1;
  // A plain bar line asked at the end of a bar is an end-of-bar record: its
  // class, and so the record it may replace, follow the placement it takes.
  if (preset >= 5 && preset <= 8) modele.placement = atStart ? kRupturePlacementDebut : kRupturePlacementFin;
  modele.mesure = bar;

  int16_t index = GetIndexTypeRupturePresent(score, GetTypeRupture(&modele), bar);
  bool nouveau = false;
  if (index >= 0) {
    Rupture& r = Ruptures(score)[index];
    if (r.type == kRuptureDebutVolta && modele.type == kRuptureDebutVolta) {
      PassageSuivantVolta(&r, r);
    } else if (r.type == kRuptureFinRepetition && modele.type == kRuptureFinRepetition) {
      if (r.nbPassages < UINT16_MAX) r.nbPassages++;
      if (!r.texte[0]) std::strcpy(r.texte, "x$P");
    } else {
      r = modele;
    }
  } else {
    index = NewRupture(score);
    if (index < 0) return -1;
    Ruptures(score)[index] = modele;
    nouveau = true;
  }

  Rupture* r = &Ruptures(score)[index];
  if (r->type == kRuptureCoda || r->type == kRuptureSegno) {
    int16_t n = GetNbRuptures(score);
    int16_t label = 0;
    for (bool used = true; used && label < INT16_MAX;) {
      used = false;
      for (int16_t i = 0; i < n; i++) {
        const Rupture& o = Ruptures(score)[i];
        if (i != index && o.type == r->type && o.parametre == label) {
          used = true;
          label++;
          break;
        }
      }
    }
    SetActionParamRupture(r, label);
  }
  if (nouveau && r->barre == kBarreAucune && r->type == kRuptureDebutVolta) {
    int16_t precedent = -1;
    int16_t n = GetNbRuptures(score);
    for (int16_t i = 0; i < n; i++) {
      const Rupture& o = Ruptures(score)[i];
      if (i != index && o.type == kRuptureDebutVolta && o.barre == kBarreAucune && o.mesure < bar &&
          (precedent < 0 || o.mesure >= Ruptures(score)[precedent].mesure))
        precedent = i;
    }
    std::memset(r->passagesVolta, 0, sizeof r->passagesVolta);
    if (precedent >= 0) PassageSuivantVolta(r, Ruptures(score)[precedent]);
    else r->passagesVolta[0] = 1;
  }

  RecalculeMesureMaxRupture(score);
  index = ClasseRuptures(score, index);
  RecalculeNbMesures(score, false);

  const Rupture rec = Ruptures(score)[index];
  if (rec.barre != kBarreAucune) {
    int16_t w = MargeBarre(rec.barre);
    if (rec.placement == kRupturePlacementDebut || rec.placement == kRupturePlacementDebut1) {
      if (CvtMesureEnMargeGaucheMesure(score, bar) < w) FixeMarge(score, bar, true, w > 16 ? w : 16);
    } else if (rec.placement == kRupturePlacementFin) {
      if (CvtMesureEnMargeDroiteMesure(score, bar) < w) FixeMarge(score, bar, false, w);
    }
  }
  return index;
}

int16_t AjouteRupture(Partition** score, int16_t preset, int32_t time, bool snap) {
  if (!score || preset < 0 || preset >= kNbPredefRupture) return -1;
  int32_t bar = CvtTempsEnMesure(score, time);
  if (bar < 0) bar = 0;
  int32_t debut = CvtMesureEnTemps(score, bar);
  bool atStart = int64_t(time) - debut < CvtMesureEnDureeMesure(score, bar) / 2;
  if (preset != 21) return AjouteRuptureEnMesure(score, preset, int16_t(bar), atStart, snap);

  // The thin bar line toggles: one already on this bar line goes.
  if (!atStart) bar++;
  if (bar >= kMaxMesures) return -1;
  int16_t n = GetNbRuptures(score);
  int16_t trouve = -1;
  for (int16_t i = 0; i < n && trouve < 0; i++) {
    const Rupture& r = Ruptures(score)[i];
    if (r.barre == kBarreAucune) continue;
    if (r.mesure == bar && r.placement != kRupturePlacementFin) trouve = i;
    else if (bar > 0 && r.mesure == bar - 1 && r.placement == kRupturePlacementFin) trouve = i;
  }
  if (trouve >= 0) {
    DeleteRupture(score, trouve, true);
    RecalculeMesureMaxRupture(score);
    ClasseRuptures(score, -1);
    RecalculeNbMesures(score, false);
    return -1;
  }
  return AjouteRuptureEnMesure(score, preset, int16_t(bar), true, snap);
}

void DeleteRupture(Partition** score, int16_t index, bool adjustMargins) {
  int16_t n = GetNbRuptures(score);
  if (index < 0 || index >= n) return;
  const Rupture r = Ruptures(score)[index];
  // Only a bar line widened its bar: a record without one gives nothing back.
  if (adjustMargins && r.barre != kBarreAucune) {
    int16_t w = MargeBarre(r.barre);
    if (r.placement == kRupturePlacementDebut || r.placement == kRupturePlacementDebut1) {
      int16_t m = CvtMesureEnMargeGaucheMesure(score, r.mesure);
      if (m >= w) FixeMarge(score, r.mesure, true, int16_t(m - w > 16 ? m - w : 16));
    } else if (r.placement == kRupturePlacementFin) {
      int16_t m = CvtMesureEnMargeDroiteMesure(score, r.mesure);
      if (m >= w) FixeMarge(score, r.mesure, false, int16_t(m - w));
    }
  }
  Rupture* p = Ruptures(score);
  std::memmove(p + index, p + index + 1, size_t(n - 1 - index) * sizeof(Rupture));
  if (n - 1 == 0) LibereHandle(&(*score)->ruptures);
  else RetailleHandle((*score)->ruptures, Size(n - 1) * Size(sizeof(Rupture)));
  (*score)->nbRuptures = int16_t(n - 1);
  RecalculeMesureMaxRupture(score);
}

void DeleteMesuresRuptures(Partition** score, int16_t atBar, int16_t count) {
  if (!score || atBar < 0 || count < 1) return;
  const int32_t fin = int32_t(atBar) + count;
  // From the last record down: a deletion only moves records already seen.
  for (int16_t i = int16_t(GetNbRuptures(score) - 1); i >= 0; i--) {
    Rupture& r = Ruptures(score)[i];
    if (r.mesure >= fin) {
      r.mesure = int16_t(r.mesure - count);
    } else if (r.mesure >= atBar) {
      DeleteRupture(score, i, true);
      continue;
    }
    // A jump to a bar follows its bar; one whose bar went lands where the
    // music after the cut now starts.
    if (r.type == kRuptureAllerMesure && r.parametre >= atBar)
      r.parametre = int16_t(r.parametre >= fin ? r.parametre - count : atBar);
  }
  RemetRupturesEnForme(score);
  RecalculeMesureMaxRupture(score);
  JeTePreviensRuptureChange();
}

bool RemetRupturesEnForme(Partition** score) {
  if (!score) return true;
  bool pause = GetNbRuptures(score) > 0;
  if (pause) PauseMusique();
  ClasseRuptures(score, -1);
  CalculeTabCvtMesure(score);
  RemetsPorteesEnFormeQuandRuptureChange(score);
  if (pause) DePauseMusique();
  return true;
}
