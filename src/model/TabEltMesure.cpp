#include "model/TabEltMesure.h"

#include <cmath>
#include <cstring>

#include "layout/ServicesMiseEnPage.h"
#include "model/CvtTemps.h"
#include "model/Document.h"
#include "model/Matrices.h"
#include "model/Partition.h"
#include "model/PreservePositions.h"
#include "model/QRVPOBJ.h"
#include "model/QrvLiaison.h"
#include "model/Ruban.h"
#include "model/Tonalite.h"
#include "model/Vues.h"
#include "notation/ServicesNotation.h"
#include "platform/Memory.h"
#include "plugin/ServicesInertes.h"
#include "system/Handles.h"
#include "system/Reporters.h"
#include "system/Strings.h"

static int16_t isCheckNbMesures = 1;

int16_t GetIsCheckNbMesures() { return isCheckNbMesures; }
void SetIsCheckNbMesures(int16_t value) { isCheckNbMesures = value; }

static void BaisseCheckNbMesures() {
  if (isCheckNbMesures > -16000) isCheckNbMesures--;
}

// ---------------------------------------------------------------- access

int32_t GetNbLignesTabElt(Handle table) {
  return table ? int32_t(GetHandleSize(table) / Size(sizeof(TabEltMesure))) : 0;
}

TabEltMesure* GetLignesTabElt(Handle table) { return table ? reinterpret_cast<TabEltMesure*>(*table) : nullptr; }

Handle GetTabEltMesureRuban(Partition** score) { return score ? (*score)->tabEltMesure[0] : nullptr; }

int32_t GetNbMesuresTabEltRuban(Partition** score) {
  if (!score) return 0;
  int32_t n = (*score)->nbLignesTabElt;
  int32_t held = GetNbLignesTabElt((*score)->tabEltMesure[0]);
  if (n > held) n = held;
  if (n > kMaxMesures) n = kMaxMesures;  // whatever a file claimed
  return n < 0 ? 0 : n;
}

// The row of the ribbon table, or null outside it.
static TabEltMesure* LigneRuban(Partition** score, int32_t bar) {
  if (bar < 0 || bar >= GetNbMesuresTabEltRuban(score)) return nullptr;
  return GetLignesTabElt((*score)->tabEltMesure[0]) + bar;
}

static uint32_t SatureTemps(int64_t t) {
  if (t < 0) return 0;
  return t > INT32_MAX ? uint32_t(INT32_MAX) : uint32_t(t);
}

void GetDefautMasqueAccroche(int16_t numerator, uint16_t mask[8]) {
  int16_t b = GetNbBeat(numerator);
  if (b == 0) {
    mask[0] = 0;
    return;
  }
  if (numerator < 2) return;
  int32_t q = numerator / b;
  int32_t last = (numerator < 128 ? numerator : 128) - 2;
  for (int32_t i = 0; i <= last; i++) {
    uint16_t bit = uint16_t(1u << (i % 16));
    uint16_t& word = mask[(i / 16) % 8];
    if ((i + 1) % q == 0) word = uint16_t(word | bit);
    else word = uint16_t(word & ~bit);
  }
}

bool GetBitMasqueAccroche(int32_t i, const uint16_t mask[8]) {
  uint32_t u = uint32_t(i);
  return (mask[(u / 16) % 8] >> (u % 16)) & 1u;
}

bool CanDivisionTemporelleGroupBy4(const DivisionTemporelle* division) {
  return division && division->numerateur == 4 && division->denominateur == 4 &&
         (division->masqueAccroche[0] & 7u) == 7u;
}

bool AdapteDivisionTemporelle() { return true; }

void GetDivisionTemporelleDefaut(DivisionTemporelle* out) {
  std::memset(out, 0, sizeof *out);
  out->numerateur = 4;
  out->denominateur = 4;
  out->partieAdditive1 = 4;
  out->partieAdditive2 = 0;
  out->denominateurAdditif = 4;
  out->octet1 = 0;
  out->octet2 = 1;
  out->groupePar4 = 1;
  GetDefautMasqueAccroche(4, out->masqueAccroche);
}

// ---------------------------------------------------------------- dirty bits

void DisableCalculTabElt(Partition** score) {
  if (score) (*score)->reentranceTabElt++;
}

void EnableCalculTabElt(Partition** score) {
  if (score && (*score)->reentranceTabElt > 0) (*score)->reentranceTabElt--;
}

void SetTabEltMesureModifie(Partition** score, uint16_t mask) {
  if (!score || (*score)->reentranceTabElt != 0) return;
  (*score)->masqueModifieTabElt = uint16_t((*score)->masqueModifieTabElt | (mask & ~(*score)->masqueDisableTabElt));
}

void SetDisableMaskTabEltMesureModifie(Partition** score, uint16_t mask) {
  if (!score) return;
  uint16_t old = (*score)->masqueDisableTabElt;
  (*score)->masqueDisableTabElt = mask;
  // Spacing held back during a bulk change is owed once it is allowed again.
  if (mask == 0 && (old & kTabEltEspacement) && (*score)->reentranceTabElt == 0)
    (*score)->masqueModifieTabElt = uint16_t((*score)->masqueModifieTabElt | kTabEltEspacement);
}

// ---------------------------------------------------------------- views

// The live ribbon table and a view's copy change places.
static void EchangeTableVue(Partition** score, Vue* vue) {
  Handle live = (*score)->tabEltMesure[0];
  const int16_t n = (*score)->nbLignesTabElt;
  (*score)->tabEltMesure[0] = vue->tabEltMesure;
  (*score)->nbLignesTabElt = int16_t(vue->nbMesures > kMaxMesures ? kMaxMesures : vue->nbMesures);
  vue->tabEltMesure = live;
  vue->nbMesures = uint16_t(n < 0 ? 0 : n);
}

// Runs an operation on the live ribbon table and, when the score is its
// document's current score, on every other view's copy of it, swapped in for
// the operation and out again; the shown view then saves the live table once.
// Copying every view's table in and out around each operation made a long
// score with a meter change at each bar take half a minute to import.
template <typename Op>
static void PourChaqueVue(Partition** score, Op op) {
  op();
  Document* doc = (*score)->document;
  if (!doc || doc->partitionCourante != score) return;
  const int16_t courante = doc->indexVueCourante;
  const int16_t nb = GetNbVuesDocument(doc);
  for (int16_t v = -1; v < nb; v++) {
    Vue* vue = GetVueDocument(doc, v);
    if (v == courante || !vue) continue;
    EchangeTableVue(score, vue);
    op();
    EchangeTableVue(score, vue);
  }
  PreserveVueMesures(doc, courante);
}

// ---------------------------------------------------------------- rows

// The row whose settings a bar after `from` takes: a cut bar's first part
// rather than its not-counted continuation.
static int32_t LigneModele(const TabEltMesure* rows, int32_t from) {
  int32_t m = from;
  while (m > 0 && rows[m].nonComptee && rows[m - 1].continueLigneSuivante) m--;
  return m;
}

bool AddEltTabEltMesureRubanCurView(Partition** score, int32_t n) {
  if (!score || n < 1) return false;
  int32_t rows = GetNbMesuresTabEltRuban(score);
  if (n > kMaxMesures - rows) n = kMaxMesures - rows;
  if (n < 1) return false;
  Handle& h = (*score)->tabEltMesure[0];
  if (!h) {
    h = NewHandleClear(0);
    if (!h) return false;
  }
  if (!RetailleHandle(h, Size(rows + n) * Size(sizeof(TabEltMesure)))) return false;
  TabEltMesure* r = GetLignesTabElt(h);
  int64_t t = 0;
  int32_t modele = -1;
  if (rows > 0) {
    t = int64_t(r[rows - 1].debutTemps) + GetDureeMesureElt(&r[rows - 1]);
    modele = LigneModele(r, rows - 1);
  }
  for (int32_t i = rows; i < rows + n; i++) {
    TabEltMesure& e = r[i];
    std::memset(&e, 0, sizeof e);
    e.echelleZorodava = 1000;
    if (modele >= 0) {
      const TabEltMesure& m = r[modele];
      e.margeGauche = m.margeGauche;
      e.margeDroite = m.margeDroite;
      e.echelle = m.echelle;
      e.division = m.division;
      int32_t somme = int32_t(m.division.partieAdditive1) + m.division.partieAdditive2;
      if (somme > 0 && m.division.denominateurAdditif > 0 && somme <= INT16_MAX) {
        e.division.numerateur = int16_t(somme);
        e.division.denominateur = m.division.denominateurAdditif;
      }
    } else {
      e.margeGauche = 16;
      e.margeDroite = 0;
      e.echelle = 1000;
      GetDivisionTemporelleDefaut(&e.division);
    }
    e.debutTemps = SatureTemps(t);
    t += GetDureeMesureElt(&e);
  }
  SetTabEltMesureModifie(score, kTabEltEspacement | kTabEltMarges);
  (*score)->nbLignesTabElt = int16_t(rows + n);
  return true;
}

bool AddEltTabEltMesureRuban(Partition** score, int32_t n) {
  if (!score || n < 1) return false;
  PauseMusique();
  BaisseCheckNbMesures();  // for good: the check only guards the first build
  PourChaqueVue(score, [&] {
    AddEltTabEltMesureRubanCurView(score, n);
    RecalculeNumeroMesures(score);
  });
  SetTabEltMesureModifie(score, kTabEltTout);
  DePauseMusique();
  CheckNbMesures(score);
  return true;
}

void RecalculeNumeroMesures(Partition** score) {
  if (!score) return;
  int32_t n = GetNbMesuresTabEltRuban(score);
  TabEltMesure* r = GetLignesTabElt((*score)->tabEltMesure[0]);
  int32_t c = 1;
  for (int32_t i = 0; i < n; i++) {
    TabEltMesure& e = r[i];
    if (e.numeroRedemarrage != 0) c = e.numeroRedemarrage;
    int32_t montre;
    if (e.nonComptee) {
      montre = e.numeroGarde ? c : 0;
    } else {
      montre = c;
      c++;
    }
    if (e.numeroCache) montre = 0;
    e.numeroMesure = uint16_t(montre);
  }
}

void CheckNbMesures(Partition** score) {
  if (!score || isCheckNbMesures <= 0) return;
  int32_t nb = (*score)->nbMesures;
  if (nb != (*score)->nbLignesTabElt) Collapse("CheckNbMesures : incoherence 1");
  if (GetNbLignesTabElt((*score)->tabEltMesure[0]) != nb) Collapse("CheckNbMesures : incoherence 2");
  Document* doc = (*score)->document;
  if (!doc || doc->partitionCourante != score) return;
  int16_t nv = GetNbVuesDocument(doc);
  for (int16_t v = -1; v < nv; v++) {
    if (v == doc->indexVueCourante) continue;
    Vue* vue = GetVueDocument(doc, v);
    if (int32_t(vue->nbMesures) != nb) Collapse("CheckNbMesures : incoherence 3");
    if (GetNbLignesTabElt(vue->tabEltMesure) != nb) Collapse("CheckNbMesures : incoherence 4");
  }
}

static int16_t BorneMesures(int32_t n) {
  if (n < 1) return 1;
  return n > kMaxMesures ? kMaxMesures : int16_t(n);
}

void RecalculeNbMesures(Partition** score, bool fromTable) {
  if (!score) return;
  int32_t n;
  if (fromTable) {
    SetTabEltMesureModifie(score, kTabEltEspacement | kTabEltTemps);
    UpdateTabEltMesure(score, kTabEltTemps);
    n = (*score)->nbLignesTabElt;
  } else {
    int32_t m = (*score)->mesureMaxRupture + 1;
    if (m < 0) m = 0;
    int32_t g = int32_t(MesureMaxGrilleAccord(score)) + 1;
    int32_t k = int32_t(GetMesureMaxTonalitePartition(score)) + 1;
    if (g > m) m = g;
    if (k > m) m = k;
    int64_t t = int64_t(CvtMesureEnTemps(score, m)) - 2;
    int32_t d = CalculeDureePartition(score);
    if (d > t) t = d;
    n = int32_t(CvtTempsEnMesure(score, int32_t(t))) + 1;
  }
  n = BorneMesures(n);
  bool change = false;
  if ((*score)->nbMesures > kMaxMesures) {
    (*score)->nbMesures = kMaxMesures;
    change = true;
  }
  if (n > (*score)->nbMesures) {
    (*score)->nbMesures = int16_t(n);
    change = true;
  }
  if (change) {
    SetTabEltMesureModifie(score, kTabEltTout);
    InvalideAireRegle((*score)->document);
  }
}

static void InsereDansVue(Partition** score, int32_t atBar, int32_t count, bool withDivision,
                          const DivisionTemporelle* division) {
  int32_t rows = GetNbMesuresTabEltRuban(score);
  if (!AddEltTabEltMesureRubanCurView(score, count)) return;
  int32_t total = GetNbMesuresTabEltRuban(score);
  count = total - rows;  // fewer when the table is full
  TabEltMesure* r = GetLignesTabElt((*score)->tabEltMesure[0]);
  if (atBar >= 0 && atBar < rows) {
    std::memmove(&r[atBar + count], &r[atBar], size_t(rows - atBar) * sizeof(TabEltMesure));
    for (int32_t i = atBar + count; i < total; i++) r[i].debutTemps = kTempsPerime;
  } else {
    atBar = rows;
  }
  for (int32_t i = atBar; i < atBar + count; i++) {
    TabEltMesure& e = r[i];
    e.sautSysteme = e.continueLigneSuivante = e.sautPage = e.sautQuatrieme = 0;
    if (i > 0) {
      const TabEltMesure& m = r[LigneModele(r, i - 1)];
      e.margeGauche = m.margeGauche;
      e.margeDroite = m.margeDroite;
      e.echelle = m.echelle;
    }
    if (withDivision) e.division = *division;
    e.signatureVisible = 0;
  }
  SetTabEltMesureModifie(score, kTabEltEspacement | kTabEltMarges);
  if (withDivision) {
    const TabEltMesure* prev = atBar > 0 ? &r[atBar - 1] : nullptr;
    r[atBar].signatureVisible = uint8_t(!prev || prev->division.partieAdditive1 != division->numerateur ||
                                        prev->division.denominateurAdditif != division->denominateur);
    if (atBar + count < total) {
      TabEltMesure& next = r[atBar + count];
      next.signatureVisible = uint8_t(next.division.partieAdditive1 != division->numerateur ||
                                      next.division.denominateurAdditif != division->denominateur);
    }
  } else if (atBar == 0 && total > 1) {
    r[1].signatureVisible = 0;
    SetTabEltMesureModifie(score, kTabEltEspacement | kTabEltMarges);
  }
  RecalculeNumeroMesures(score);
}

void InsereMesureChangeEchelleMesure(Partition** score, int16_t atBar, int16_t count, bool withDivision,
                                     const DivisionTemporelle* division) {
  if (!score || count < 1) return;
  if (withDivision && !division) withDivision = false;
  DivisionTemporelle div{};  // the caller's block may live in a row that moves
  if (withDivision) div = *division;
  if (atBar < 0) atBar = 0;
  int32_t avant = GetNbMesuresTabEltRuban(score);
  BaisseCheckNbMesures();
  PourChaqueVue(score, [&] { InsereDansVue(score, atBar, count, withDivision, &div); });
  isCheckNbMesures++;
  int32_t ajoutees = GetNbMesuresTabEltRuban(score) - avant;
  int32_t nb = int32_t((*score)->nbMesures) + (ajoutees > 0 ? ajoutees : 0);
  (*score)->nbMesures = int16_t(nb > kMaxMesures ? kMaxMesures : nb);
  SetTabEltMesureModifie(score, kTabEltTemps);
  UpdateTabEltMesure(score, kTabEltTemps);
  RecalculeNbMesures(score, true);
  CheckNbMesures(score);
}

void DeleteMesureChangeEchelleMesure(Partition** score, int16_t atBar, int16_t count) {
  if (!score || atBar < 0 || count < 1) return;
  int32_t rows = GetNbMesuresTabEltRuban(score);
  if (atBar >= rows) return;
  int32_t k = count;
  if (atBar + count >= rows) k = rows - atBar;
  if (k >= rows) k = (*score)->nbMesures - 1;  // one bar always remains
  if (k > rows - 1) k = rows - 1;
  if (k < 1) return;
  PourChaqueVue(score, [&] {
    int32_t nv = GetNbMesuresTabEltRuban(score);
    if (atBar >= nv) return;
    int32_t kv = k;
    if (atBar + kv > nv) kv = nv - atBar;
    if (kv >= nv) kv = nv - 1;
    if (kv < 1) return;
    TabEltMesure* r = GetLignesTabElt((*score)->tabEltMesure[0]);
    std::memmove(&r[atBar], &r[atBar + kv], size_t(nv - atBar - kv) * sizeof(TabEltMesure));
    (*score)->nbLignesTabElt = int16_t(nv - kv);
    RetailleHandle((*score)->tabEltMesure[0], Size(nv - kv) * Size(sizeof(TabEltMesure)));
    RecalculeNumeroMesures(score);
  });
  int32_t nb = (*score)->nbMesures - k;
  (*score)->nbMesures = int16_t(nb < 1 ? 1 : nb);
  SetTabEltMesureModifie(score, kTabEltTemps);
  UpdateTabEltMesure(score, kTabEltTemps);
  RecalculeNbMesures(score, true);
  CheckNbMesures(score);
}

void DisposeTabEltMesure(Partition** score) {
  if (!score) return;
  for (Handle& h : (*score)->tabEltMesure) LibereHandle(&h);
  (*score)->nbLignesTabElt = 0;
}

// ---------------------------------------------------------------- rebuild

// Start ticks of rows 0..n-1 (and below the bar count) as the running sum of
// the bar durations.
static void RafraichitTemps(Partition** score, int32_t n) {
  int32_t rows = GetNbMesuresTabEltRuban(score);
  if (n > rows) n = rows;
  if (n > (*score)->nbMesures) n = (*score)->nbMesures;
  TabEltMesure* r = GetLignesTabElt((*score)->tabEltMesure[0]);
  int64_t t = 0;
  for (int32_t i = 0; i < n; i++) {
    r[i].debutTemps = SatureTemps(t);
    t += GetDureeMesureElt(&r[i]);
  }
}

static void AjusteLignesRuban(Partition** score, int32_t n) {
  int32_t rows = GetNbMesuresTabEltRuban(score);
  if (n > rows) {
    AddEltTabEltMesureRuban(score, n - rows);
  } else {
    Handle& h = (*score)->tabEltMesure[0];
    if (!h) h = NewHandleClear(0);
    if (h && GetNbLignesTabElt(h) != n) RetailleHandle(h, Size(n) * Size(sizeof(TabEltMesure)));
    (*score)->nbLignesTabElt = int16_t(n);
  }
}

// Copies the mode-3 table into a page or print table (duplicating it when
// absent) and zooms it by the page display scale.
static void CopieTableMiseEnPage(Partition** score, int32_t mode) {
  Handle source = (*score)->tabEltMesure[3];
  if (!source) return;
  Handle& dest = (*score)->tabEltMesure[mode];
  if (dest) {
    if (CopyHandleMem(source, dest) != 0) return;
  } else {
    dest = DupHandle(source);
    if (!dest) return;
  }
  ZoomeTabEltMesure(score, dest, CalculeEchelleVisualisationModePage((*score)->document));
}

void UpdateTabEltMesure(Partition** score, uint16_t bits) {
  if (!score || (*score)->reentranceTabElt != 0) return;
  uint16_t work = uint16_t((*score)->masqueModifieTabElt & bits);
  if (work == 0) return;
  SetCurrentModeGraphique(score);
  CalculeIndexSignePerePartition(score);
  (*score)->reentranceTabElt++;
  (*score)->masqueModifieTabElt = uint16_t((*score)->masqueModifieTabElt & ~bits);
  Document* doc = (*score)->document;
  bool page = IsModePagePartition(score);
  bool impression = IsModeImpressionPartition(score);

  if (work & (kTabEltEspacement | kTabEltTemps)) {
    // Bars: enough for the bar count, the ruptures, the chord grid, the key
    // tables and the written music.
    int32_t n = (*score)->nbMesures;
    int32_t m = (*score)->mesureMaxRupture + 1;
    if (m > n) n = m;
    m = int32_t(MesureMaxGrilleAccord(score)) + 1;
    if (m > n) n = m;
    m = int32_t(GetMesureMaxTonalitePartition(score)) + 1;
    if (m > n) n = m;
    n = BorneMesures(n);
    // The rows asked so far exist before the music's end is located, so that
    // the bar of the end is extrapolated from real rows.
    if (GetNbMesuresTabEltRuban(score) < n) AjusteLignesRuban(score, n);
    if (work & kTabEltTemps) RafraichitTemps(score, GetNbMesuresTabEltRuban(score));
    m = int32_t(CvtTempsEnMesure(score, CalculeDureePartition(score) - 2)) + 1;
    if (m > n) n = BorneMesures(m);
    AjusteLignesRuban(score, n);
    if (n > (*score)->nbMesures) (*score)->nbMesures = int16_t(n);
    n = GetNbMesuresTabEltRuban(score);

    if (work & kTabEltEspacement) {
      // The spacing columns read the bars' start times, and set the scales
      // the pixel pass reads: between the two.
      if (IsModeZorodava(score, nullptr)) RecalculeZorodavaDocument(doc);
      MiseEnPage* setup = (doc && (page || impression)) ? &doc->misesEnPage[0] : nullptr;
      CalculePosTempsPixelTabElt(score, setup, (*score)->tabEltMesure[0], 0, n, (*score)->zoom, -1);
      CalculeAireRubanPorteesPartition(score);
    } else {
      RafraichitTemps(score, n);
    }
    if ((work & kTabEltEspacement) && (page || impression || IsModeZorodava(score, nullptr)))
      work = uint16_t(work | kTabEltMarges);
    if (!doc) {
      EnableCalculTabElt(score);
      return;
    }
    if (!page && !impression) InitAiresEcranModeRuban(doc);
  }

  if (doc && doc->partitionCourante && (work & kTabEltMarges)) {
    RecalculeMiseEnPage(doc);
    if (page) {
      CopieTableMiseEnPage(score, 1);
      InitAiresEcranModePage(doc);
    } else if (impression) {
      CopieTableMiseEnPage(score, 2);
      InitAiresEcranImpression(doc);
    } else {
      InitAiresEcranModeRuban(doc);
    }
  }
  EnableCalculTabElt(score);
}

Handle GetTabEltMesureEcran(Partition** score) {
  if (!score) return nullptr;
  int32_t mode = (*score)->modeEcran;
  if (mode < 0 || mode > 3) return nullptr;
  if ((*score)->tabEltMesure[mode]) return (*score)->tabEltMesure[mode];
  UpdateTabEltMesure(score, kTabEltTout);
  if ((*score)->tabEltMesure[mode]) return (*score)->tabEltMesure[mode];
  SetTabEltMesureModifie(score, kTabEltTout);
  UpdateTabEltMesure(score, kTabEltTout);
  if ((*score)->tabEltMesure[mode]) return (*score)->tabEltMesure[mode];
  if (mode == 1 && (*score)->tabEltMesure[3]) {
    CopieTableMiseEnPage(score, 1);
    return (*score)->tabEltMesure[1];
  }
  return nullptr;
}

// ---------------------------------------------------------------- pixel pass

static void SansLargeur(TabEltMesure& e) {
  e.etirement = 1.0f;
  e.largeurRupture = e.largeurCleArmure = e.largeurRappel = 0;
  e.largeurEntete = e.largeurMusique = e.largeurMargeDroite = e.largeurTotale = 0;
}

// scale - 0.001 - 1000 x right margin / pixels of the bar, in double precision
// from single-precision operands; 10.0 when it makes no sense.
static float EtirementEcran(uint16_t echelle, int32_t margeDroite, int32_t q) {
  if (q <= 0) return 10.0f;
  double v = double(float(echelle)) - double(0.001f) - 1000.0 * double(float(margeDroite)) / double(float(q));
  return v > 0.0 ? float(v) : 10.0f;
}

void CalculePosTempsPixelTabElt(Partition** score, MiseEnPage* pageSetup, Handle table, int32_t fromBar, int32_t toBar,
                                int16_t resolution, int32_t maxPixels) {
  if (!score || !table) return;
  int16_t dpi = GetDpiDest();
  SetDpiDest(resolution > 0 ? resolution : 72);
  // The width providers read the screen table: this one, as the ribbon table.
  Handle ruban = (*score)->tabEltMesure[0];
  int16_t lignes = (*score)->nbLignesTabElt;
  int32_t mode = (*score)->modeEcran;
  bool vues = IsVuesEnModeRuban();
  (*score)->tabEltMesure[0] = table;
  (*score)->nbLignesTabElt = int16_t(GetNbLignesTabElt(table));
  (*score)->modeEcran = 0;
  EnableVuesEnModeRuban();

  int32_t nb = GetNbLignesTabElt(table);
  if (nb > (*score)->nbMesures) nb = (*score)->nbMesures;
  if (toBar > nb) toBar = nb;
  int32_t bar = fromBar < 0 ? 0 : fromBar;
  int64_t t = 0;
  int64_t x = 0;
  if (bar > 0 && bar < nb) {
    const TabEltMesure& e = GetLignesTabElt(table)[bar];
    t = e.debutTemps == kTempsPerime ? CvtMesureEnTemps(score, bar) : int64_t(e.debutTemps);
    x = e.debutX;
  }
  int64_t limite = x + (maxPixels < 0 ? 0 : maxPixels);
  int64_t milieu = INT64_MIN;
  while (bar < toBar && (maxPixels < 0 || milieu <= limite)) {
    int32_t d = CvtMesureEnDureeMesure(score, bar);
    int32_t rupture = 0, cle = 0, rappel = 0;
    if (GetLignesTabElt(table)[bar].sansLargeur != 1) {
      rupture = CalculeTailleEcranRuptureMesure(score, int16_t(bar));
      cle = CalculeTailleClePixelEcranPorteeMesure(score, pageSetup, int16_t(bar));
      rappel = CalculeLargeurEcranCleRappel(score, int16_t(bar));
    }
    // The providers may not move the table, but re-read it all the same.
    TabEltMesure& e = GetLignesTabElt(table)[bar];
    e.debutTemps = SatureTemps(t);
    e.debutX = Sature32(x);
    if (e.sansLargeur == 1) {
      SansLargeur(e);
      milieu = x - 5;
    } else {
      e.largeurRupture = rupture;
      e.largeurCleArmure = cle;
      e.largeurRappel = rappel;
      int64_t entete = int64_t(Zoom(e.margeGauche)) + cle + rupture;
      if (bar == 0 && (*score)->largeurSupPremiereMesureOn) entete += Zoom((*score)->largeurSupPremiereMesure);
      e.largeurEntete = Sature32(entete);
      e.largeurMargeDroite = Zoom(e.margeDroite);
      int32_t p = CvtDureeEnPixelEcran(score, d);
      int32_t q = CvtDureeEnPixelEcran(score, GetDureeMesureElt(&e));
      e.etirement = EtirementEcran(e.echelle, e.largeurMargeDroite, q);
      e.largeurMusique = Sature32(int64_t(roundf(float(p) * 0.001f * e.etirement)));
      int64_t total = int64_t(e.largeurMusique) + e.largeurEntete + e.largeurMargeDroite;
      e.largeurTotale = Sature32(total);
      milieu = x + total / 2 - 5;
      x += total;
    }
    t += d;
    bar++;
  }
  // Stopped on the pixel limit: collapsed bars that follow take no room.
  if (maxPixels >= 0 && bar < toBar) {
    while (bar < toBar && GetLignesTabElt(table)[bar].sansLargeur == 1) {
      TabEltMesure& e = GetLignesTabElt(table)[bar];
      e.debutTemps = SatureTemps(t);
      e.debutX = Sature32(x);
      SansLargeur(e);
      t += CvtMesureEnDureeMesure(score, bar);
      bar++;
    }
  }
  // The first row not computed learns where it starts, so that a later pass
  // can resume from it.
  if (bar < toBar) {
    TabEltMesure& e = GetLignesTabElt(table)[bar];
    e.debutTemps = SatureTemps(t);
    e.debutX = Sature32(x);
  }

  (*score)->tabEltMesure[0] = ruban;
  (*score)->nbLignesTabElt = lignes;
  (*score)->modeEcran = mode;
  if (!vues) DisableVuesEnModeRuban();
  SetDpiDest(dpi);
}

void ZoomeTabEltMesure(Partition**, Handle table, float factor) {
  int32_t n = GetNbLignesTabElt(table);
  TabEltMesure* r = GetLignesTabElt(table);
  if (n <= 0) return;
  double x = std::floor(double(r[0].debutX) * factor);
  for (int32_t i = 0; i < n; i++) {
    TabEltMesure& e = r[i];
    e.debutX = Sature32(int64_t(x));
    int32_t total = Sature32(int64_t(std::floor(double(e.largeurTotale) * factor)));
    e.largeurRupture = Sature32(int64_t(double(e.largeurRupture) * factor));
    e.largeurCleArmure = Sature32(int64_t(double(e.largeurCleArmure) * factor));
    e.largeurRappel = Sature32(int64_t(double(e.largeurRappel) * factor));
    e.largeurRappelFinSysteme = Sature32(int64_t(double(e.largeurRappelFinSysteme) * factor));
    e.largeurEntete = Sature32(int64_t(double(e.largeurEntete) * factor));
    e.largeurMusique = Sature32(int64_t(double(e.largeurMusique) * factor));
    int64_t reste = int64_t(total) - e.largeurEntete - e.largeurMusique;
    e.largeurMargeDroite = Sature32(reste < 0 ? 0 : reste);
    e.largeurTotale = total;
    x += total;
  }
}

// ---------------------------------------------------------------- single fields

// Makes the bar a row of the table, appending rows up to it; with setCount
// the bar count follows. False for a bar the table cannot hold.
static bool AssureMesure(Partition** score, int32_t bar, bool setCount) {
  if (!score || bar < 0 || bar >= kMaxMesures) return false;
  int32_t rows = GetNbMesuresTabEltRuban(score);
  if (bar >= rows) {
    AddEltTabEltMesureRuban(score, bar + 1 - rows);
    if (setCount && (*score)->nbMesures < bar + 1) (*score)->nbMesures = int16_t(bar + 1);
  }
  return bar < GetNbMesuresTabEltRuban(score);
}

static int16_t BorneI16(int32_t v) {
  if (v > INT16_MAX) return INT16_MAX;
  return v < INT16_MIN ? INT16_MIN : int16_t(v);
}

uint16_t GetEchelleMesureOrig(Partition** score, int16_t bar) {
  TabEltMesure* e = LigneRuban(score, bar);
  return e ? e->echelle : 0;
}

void SetEchelleMesureOrig(Partition** score, int16_t bar, uint16_t scale) {
  TabEltMesure* e = LigneRuban(score, bar);
  if (!e) return;
  e->echelle = scale < 20 ? 20 : (scale > 8000 ? 8000 : scale);
}

int16_t FixeEchelleMesureBrut(Partition** score, int16_t bar, uint16_t scale) {
  if (!AssureMesure(score, bar, false)) return bar;
  TabEltMesure* e = LigneRuban(score, bar);
  if (e->echelle != scale) {
    e->echelle = scale;
    SetTabEltMesureModifie(score, kTabEltEspacement | kTabEltMarges);
  }
  return bar;
}

float CalculeEchelleEcranMesure(Partition** score, const TabEltMesure* row) {
  if (!row) return 10.0f;
  return EtirementEcran(row->echelle, row->largeurMargeDroite, CvtDureeEnPixelEcran(score, GetDureeMesureElt(row)));
}

void FixeMargeDroiteMesure(Partition** score, int16_t bar, int32_t pixels) {
  if (!AssureMesure(score, bar, false)) return;
  LigneRuban(score, bar)->margeDroite = BorneI16(DeZoom(pixels < 0 ? 0 : pixels));
  SetTabEltMesureModifie(score, kTabEltEspacement | kTabEltMarges);
}

void FixeMargeGaucheMesure(Partition** score, int16_t bar, int32_t pixels) {
  if (!score || bar < 0 || bar >= (*score)->nbMesures) return;
  if (!AssureMesure(score, bar, false)) return;
  int32_t marge = 0;
  if (pixels != 0) {
    int64_t v = int64_t(pixels) - CalculeMargeDebutMesureEcran(score, bar) + CalculeMargeEcranApresCle(score, bar);
    marge = DeZoom(v < 0 ? 0 : Sature32(v));
  }
  TabEltMesure* e = LigneRuban(score, bar);  // the table may have been rebuilt
  if (e) e->margeGauche = BorneI16(marge);
  SetTabEltMesureModifie(score, kTabEltEspacement | kTabEltMarges);
}

int16_t CvtMesureEnMargeGaucheMesure(Partition** score, int16_t bar) {
  TabEltMesure* e = LigneRuban(score, bar);
  return e ? e->margeGauche : 0;
}

int16_t CvtMesureEnMargeDroiteMesure(Partition** score, int16_t bar) {
  TabEltMesure* e = LigneRuban(score, bar);
  return e ? e->margeDroite : 0;
}

void FixeEtatComptageMesurePartition(Partition** score, int16_t bar, uint8_t state) {
  if (!AssureMesure(score, bar, true)) return;
  LigneRuban(score, bar)->nonComptee = state;
  RecalculeNumeroMesures(score);
}

void FixeEtatDecoupeNoteMesurePartition(Partition** score, int16_t bar, uint8_t state) {
  if (!AssureMesure(score, bar, true)) return;
  LigneRuban(score, bar)->etatDecoupeNote = state;
}

// ---------------------------------------------------------------- divisions

void GetDivisionMesurePartitionStd(Partition** score, DivisionTemporelle* out) {
  CvtMesureEnDivisionTemporelle(score, 0, out);
}

void FixeDivisionMesurePartition(Partition** score, int16_t bar, const DivisionTemporelle* division, uint8_t visible,
                                 bool recount) {
  if (!score || !division) return;
  DivisionTemporelle div = *division;  // the caller's block may live in a row
  PreserveObjetsPartitionAvantChangement(score);
  if (bar < 0) bar = 0;
  if (AssureMesure(score, bar, true)) {
    BaisseCheckNbMesures();
    PourChaqueVue(score, [&] {
      int32_t n = GetNbMesuresTabEltRuban(score);
      if (bar >= n) return;
      TabEltMesure* r = GetLignesTabElt((*score)->tabEltMesure[0]);
      int16_t num = r[bar].division.numerateur;
      int16_t den = r[bar].division.denominateur;
      r[bar].signatureVisible = visible;
      r[bar].division = div;
      for (int32_t i = bar + 1; i < n; i++) {
        if (r[i].signatureVisible || r[i].division.numerateur != num || r[i].division.denominateur != den) break;
        r[i].division = div;
      }
      RecalculeNumeroMesures(score);
    });
    isCheckNbMesures++;
    // Durations changed: start ticks and widths are stale whatever the caller
    // asks next.
    SetTabEltMesureModifie(score, kTabEltTout);
    if (recount) RecalculeNbMesures(score, true);
    for (int16_t i = 0; i < (*score)->nbPortees; i++) {
      CvtMesureEnIndexNote(score, (*score)->portees[i], bar);
      MarqueAccrocheAutoDansBornes();
    }
  }
  RestaureObjetsPartitionApresChangement(score);
}

void SetDivisionMesureStdValues(Partition** score, int16_t numerator, int16_t denominator) {
  if (!score) return;
  DivisionTemporelle div;
  std::memset(&div, 0, sizeof div);
  div.numerateur = numerator;
  div.denominateur = denominator;
  div.partieAdditive1 = numerator;
  div.partieAdditive2 = 0;
  div.denominateurAdditif = denominator;
  div.octet1 = 0;
  div.octet2 = 1;
  GetDefautMasqueAccroche(numerator, div.masqueAccroche);
  // Asked once the mask is in place, so that a plain 4/4 agrees with the
  // default division of a new table.
  div.groupePar4 = CanDivisionTemporelleGroupBy4(&div) ? 1 : 0;
  FixeDivisionMesurePartition(score, 0, &div, 1, true);
  InitPortees(score);
  SetTabEltMesureModifie(score, kTabEltTout);
  RecalculeNbMesures(score, true);
}
