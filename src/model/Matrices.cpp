#include "model/Matrices.h"

#include <cstring>

#include "model/Lois.h"
#include "model/ParamEffet.h"
#include "model/Partition.h"
#include "model/Portee.h"
#include "model/QRVPOBJ.h"
#include "model/QrvFXs.h"
#include "model/TabEltMesure.h"
#include "plugin/LectureDocument.h"
#include "plugin/ServicesInertes.h"
#include "system/Handles.h"
#include "system/Reporters.h"

namespace {

constexpr Size kTailleEntete = Size(sizeof(EnteteMatrice));
constexpr int16_t kMaxMesuresGrille = 7999;

// Rows the handle really holds: the header's count, bounded by the block.
int16_t NbRanges(Handle h) {
  EnteteMatrice* e = GetEnteteMatrice(h);
  if (!e) return 0;
  const Size place = (GetHandleSize(h) - kTailleEntete) / Size(sizeof(RangeMatrice));
  if (e->nbRanges < 0) return 0;
  return e->nbRanges > place ? int16_t(place) : e->nbRanges;
}

bool RetailleMatrice(Handle h, int16_t rows) {
  return RetailleHandle(h, kTailleEntete + Size(rows) * Size(sizeof(RangeMatrice)));
}

void SupprimeRange(Handle h, int16_t index) {
  if (index < 0) {
    Collapse("DeleteRange: bad index %d", int(index));
    return;
  }
  const int16_t n = NbRanges(h);
  if (index >= n) return;
  RangeMatrice* r = GetRangesMatrice(h);
  std::memmove(r + index, r + index + 1, size_t(n - 1 - index) * sizeof(RangeMatrice));
  EnteteMatrice* e = GetEnteteMatrice(h);
  e->nbRanges = int16_t(n - 1);
  if (e->rangeCourant == index) e->rangeCourant = -1;
  else if (e->rangeCourant > index) e->rangeCourant--;
  RetailleMatrice(h, int16_t(n - 1));
}

Handle NewMatriceAvec(uint32_t kind, uint16_t a, uint16_t b, const uint16_t (&display)[5]) {
  Handle h = NewMatrice(kind);
  if (!h) return nullptr;
  EnteteMatrice* e = GetEnteteMatrice(h);
  e->valeurs[0] = a;
  e->valeurs[1] = b;
  std::memcpy(e->valeursAffichage, display, sizeof display);
  return h;
}

int16_t NbAccompagnements(Partition* p) {
  if (!p->accompagnements) return 0;
  const Size place = GetHandleSize(p->accompagnements) / Size(sizeof(Accompagnement));
  if (p->nbAccompagnements < 0) return 0;
  return p->nbAccompagnements > place ? int16_t(place) : p->nbAccompagnements;
}

int16_t NbRythmes(Handle bank, int16_t count) {
  if (!bank || count < 0) return 0;
  const Size place = GetHandleSize(bank) / Size(sizeof(Rythme));
  return count > place ? int16_t(place) : count;
}

int16_t NbPorteesRythme(const Rythme& r) {
  if (!r.portees || r.nbPortees < 0) return 0;
  const Size place = GetHandleSize(r.portees) / Size(sizeof(PorteeRythme));
  return r.nbPortees > place ? int16_t(place) : r.nbPortees;
}

Rythme* Rythmes(Handle bank) { return reinterpret_cast<Rythme*>(*bank); }

int16_t NbMesuresGrille(Partition* p) {
  if (!p->grilleAccord) return 0;
  const Size place = GetHandleSize(p->grilleAccord) / Size(sizeof(MesureGrilleAccord));
  return int16_t(p->nbMesuresGrilleAccord > place ? place : p->nbMesuresGrilleAccord);
}

void InitMesureGrille(MesureGrilleAccord* m) {
  std::memset(m, 0, sizeof *m);
  m->nbCellules = 1;
  for (DefAccord& c : m->cellules) {
    std::strcpy(c.nom, "...");
    c.fondamentale = -1;
    c.alterationFondamentale = 2;
    c.tierce = 0;
    c.septieme = 2;
    c.quinte = 0;
    c.neuvieme = 2;
    c.octave = 4;
  }
}

}  // namespace

// ---------------------------------------------------------------- Matrices

EnteteMatrice* GetEnteteMatrice(Handle matrice) {
  if (!matrice || GetHandleSize(matrice) < kTailleEntete) return nullptr;
  return reinterpret_cast<EnteteMatrice*>(*matrice);
}

RangeMatrice* GetRangesMatrice(Handle matrice) {
  if (!GetEnteteMatrice(matrice)) return nullptr;
  return reinterpret_cast<RangeMatrice*>(*matrice + kTailleEntete);
}

Handle NewMatrice(uint32_t kind) {
  Handle h = NewHandleClear(kTailleEntete);
  if (!h) return nullptr;
  EnteteMatrice* e = GetEnteteMatrice(h);
  e->type = kind;
  // No row is selected in a Matrice without rows.
  e->rangeCourant = -1;
  return h;
}

void DeleteMatrice(Handle* matrice) {
  if (!matrice || !*matrice) return;
  if (EnteteMatrice* e = GetEnteteMatrice(*matrice)) LibereHandle(&e->fxs);
  LibereHandle(matrice);
}

Handle NewMatriceAccompagnement() { return NewMatriceAvec(kMatriceAccompagnement, 42, 14, {246, 248, 254, 240, 2}); }

Handle NewMatriceRythme() { return NewMatriceAvec(kMatriceRythme, 14, 14, {37, 248, 254, 231, 36}); }

int16_t AjouteRangeMatrice(Handle matrice, int16_t copyFrom, uint16_t value, int16_t start, int16_t end,
                           uint16_t index) {
  const int16_t n = NbRanges(matrice);
  if (!GetEnteteMatrice(matrice) || n == INT16_MAX || !RetailleMatrice(matrice, int16_t(n + 1))) return -1;
  RangeMatrice* r = GetRangesMatrice(matrice);
  if (copyFrom >= 0 && copyFrom < n) r[n] = r[copyFrom];
  else std::memset(&r[n], 0, sizeof r[n]);
  r[n].valeur = value;
  r[n].mesureDebut = start;
  r[n].mesureFin = end;
  r[n].indexBanque = index;
  GetEnteteMatrice(matrice)->nbRanges = int16_t(n + 1);
  return n;
}

bool IsIndexDansMatrice(Handle matrice, uint16_t index) {
  const int16_t n = NbRanges(matrice);
  const RangeMatrice* r = GetRangesMatrice(matrice);
  for (int16_t i = 0; i < n; i++)
    if (r[i].indexBanque == index) return true;
  return false;
}

EnteteMatrice* GarbageMatrice(Handle matrice) {
  if (!GetEnteteMatrice(matrice)) return nullptr;
  for (int16_t i = 0; i < NbRanges(matrice);) {
    const RangeMatrice& r = GetRangesMatrice(matrice)[i];
    if (r.mesureDebut > r.mesureFin) SupprimeRange(matrice, i);
    else i++;
  }
  int16_t fin = 0;
  const int16_t n = NbRanges(matrice);
  const RangeMatrice* r = GetRangesMatrice(matrice);
  for (int16_t i = 0; i < n; i++)
    if (i == 0 || r[i].mesureFin > fin) fin = r[i].mesureFin;
  EnteteMatrice* e = GetEnteteMatrice(matrice);
  e->mesureFinMax = fin;
  return e;
}

void DeleteMesuresMatrice(Partition** score, Handle matrice, int16_t first, int16_t count) {
  if (!GetEnteteMatrice(matrice) || count <= 0) return;
  const int32_t last = int32_t(first) + count - 1;
  for (int16_t i = 0; i < NbRanges(matrice);) {
    RangeMatrice& r = GetRangesMatrice(matrice)[i];
    if (r.mesureDebut >= first && r.mesureFin <= last) {
      SupprimeRange(matrice, i);
      continue;
    }
    if (r.mesureDebut > last) r.mesureDebut = int16_t(r.mesureDebut - count);
    else if (r.mesureDebut >= first) r.mesureDebut = first;
    if (r.mesureFin > last) r.mesureFin = int16_t(r.mesureFin - count);
    else if (r.mesureFin >= first) r.mesureFin = int16_t(first - 1);
    i++;
  }
  EnteteMatrice* e = GetEnteteMatrice(matrice);
  if (e->fxs) DeleteMesureTabFXs(score, e->nbFXs, e->fxs, first, count);
  GarbageMatrice(matrice);
}

void EffacePartieMatrice(Partition**, Handle matrice, int16_t from, int16_t to) {
  if (!GetEnteteMatrice(matrice)) return;
  for (int16_t i = 0; i < NbRanges(matrice);) {
    RangeMatrice r = GetRangesMatrice(matrice)[i];
    if (r.mesureDebut >= from && r.mesureFin <= to) {
      SupprimeRange(matrice, i);
      continue;
    }
    if (r.mesureDebut <= from && r.mesureFin >= to) {
      // The part after the erased bars goes on as a row of its own.
      const int16_t k = AjouteRangeMatrice(matrice, i, r.valeur, int16_t(to + 1), r.mesureFin, r.indexBanque);
      if (k >= 0) GetRangesMatrice(matrice)[i].mesureFin = int16_t(from - 1);
    } else if (r.mesureDebut > from && r.mesureDebut <= to) {
      GetRangesMatrice(matrice)[i].mesureDebut = int16_t(to + 1);
    } else if (r.mesureDebut <= from && r.mesureFin >= from && r.mesureFin < to) {
      GetRangesMatrice(matrice)[i].mesureFin = int16_t(from - 1);
    }
    i++;
  }
  GarbageMatrice(matrice);
}

void ReajusteMatriceQuandSupprimeIndex(Partition**, Handle matrice, uint16_t index) {
  for (int16_t i = 0; i < NbRanges(matrice);) {
    RangeMatrice& r = GetRangesMatrice(matrice)[i];
    if (r.indexBanque == index) {
      SupprimeRange(matrice, i);
      continue;
    }
    if (r.indexBanque > index) r.indexBanque--;
    i++;
  }
}

// ---------------------------------------------------------------- accompaniments

int16_t AjouteAccompagnement(Partition** score) {
  if (!score) return -1;
  Partition* p = *score;
  const int16_t n = NbAccompagnements(p);
  if (n == INT16_MAX) return -1;
  if (!p->accompagnements) p->accompagnements = NewHandleClear(0);
  if (!p->accompagnements || !RetailleHandle(p->accompagnements, Size(n + 1) * Size(sizeof(Accompagnement)))) return -1;
  p = *score;
  Accompagnement& a = reinterpret_cast<Accompagnement*>(*p->accompagnements)[n];
  std::memset(&a, 0, sizeof a);
  a.indexPortee = 65535;
  a.instrument = 65535;
  p->nbAccompagnements = int16_t(n + 1);
  return n;
}

void DeleteAccompagnementPartition(Partition** score, int16_t index) {
  if (!score) return;
  Partition* p = *score;
  const int16_t n = NbAccompagnements(p);
  if (index < 0 || index >= n) return;
  Accompagnement* a = reinterpret_cast<Accompagnement*>(*p->accompagnements);
  LiberePatternMesure(a[index].modePaste.pattern);
  a[index].modePaste.pattern = nullptr;
  std::memmove(a + index, a + index + 1, size_t(n - 1 - index) * sizeof(Accompagnement));
  if (n == 1) LibereHandle(&p->accompagnements);
  else RetailleHandle(p->accompagnements, Size(n - 1) * Size(sizeof(Accompagnement)));
  p->nbAccompagnements = int16_t(n - 1);
  ReajusteMatriceQuandSupprimeIndex(score, p->matriceAccompagnement, uint16_t(index));
}

void DeleteToutAccompagnements(Partition** score) {
  if (!score) return;
  while (NbAccompagnements(*score) > 0) DeleteAccompagnementPartition(score, 0);
  LibereHandle(&(*score)->accompagnements);
  (*score)->nbAccompagnements = 0;
}

void DisposeBarreAccompagnements(Partition** score) {
  if (score) DeleteMatrice(&(*score)->matriceAccompagnement);
}

bool IsAccompagnementUtilise(Partition** score, int16_t index) {
  return score && index >= 0 && IsIndexDansMatrice((*score)->matriceAccompagnement, uint16_t(index));
}

void SupprimePorteesVolatilesAccompagnements(Partition** score) {
  if (!score) return;
  Partition* p = *score;
  const int16_t n = NbAccompagnements(p);
  for (int16_t i = 0; i < n; i++) {
    Accompagnement& a = reinterpret_cast<Accompagnement*>(*p->accompagnements)[i];
    if (a.indexPortee < p->nbPortees && (*p->portees[a.indexPortee])->typeVolatile != 0) a.indexPortee = 65535;
  }
  SupprimePorteesVolatilesType(score, kVolatileAccompagnement);
}

// ---------------------------------------------------------------- rhythms

int16_t AjoutePorteeRythme(Handle rhythms, int16_t index) {
  if (!rhythms || index < 0 || Size(index) >= GetHandleSize(rhythms) / Size(sizeof(Rythme))) return -1;
  Rythme& r = Rythmes(rhythms)[index];
  const int16_t n = NbPorteesRythme(r);
  if (n == INT16_MAX) return -1;
  if (!r.portees) r.portees = NewHandleClear(0);
  Handle portees = Rythmes(rhythms)[index].portees;
  if (!portees || !RetailleHandle(portees, Size(n + 1) * Size(sizeof(PorteeRythme)))) return -1;
  std::memset(reinterpret_cast<PorteeRythme*>(*portees) + n, 0, sizeof(PorteeRythme));
  Rythmes(rhythms)[index].nbPortees = int16_t(n + 1);
  return n;
}

int16_t AjouteRythme(Partition** score, bool copyStaves) {
  if (!score) return -1;
  Partition* p = *score;
  const int16_t n = NbRythmes(p->banqueRythmes, p->nbRythmes);
  if (n == INT16_MAX) return -1;
  if (!p->banqueRythmes) p->banqueRythmes = NewHandleClear(0);
  if (!p->banqueRythmes || !RetailleHandle(p->banqueRythmes, Size(n + 1) * Size(sizeof(Rythme)))) return -1;
  DivisionTemporelle division{};
  GetDivisionMesurePartitionStd(score, &division);
  p = *score;
  Rythme& r = Rythmes(p->banqueRythmes)[n];
  std::memset(&r, 0, sizeof r);
  r.valeur = 1;
  r.numerateur = uint16_t(division.numerateur);
  r.denominateur = uint16_t(division.denominateur);
  if (copyStaves) {
    for (int16_t k = 0; k < n; k++) {
      for (int16_t s = 0; s < NbPorteesRythme(Rythmes(p->banqueRythmes)[k]); s++) {
        const PorteeRythme modele = reinterpret_cast<PorteeRythme*>(*Rythmes(p->banqueRythmes)[k].portees)[s];
        bool deja = false;
        const Rythme& nouveau = Rythmes(p->banqueRythmes)[n];
        for (int16_t t = 0; t < NbPorteesRythme(nouveau) && !deja; t++)
          deja = reinterpret_cast<PorteeRythme*>(*nouveau.portees)[t].instrument == modele.instrument;
        if (deja) continue;
        const int16_t j = AjoutePorteeRythme(p->banqueRythmes, n);
        if (j < 0) continue;
        PorteeRythme copie = modele;
        copie.nbNotes = 0;
        copie.notes = NewHandle(0);
        copie.nbParamEffets = 0;
        copie.paramEffets = nullptr;
        reinterpret_cast<PorteeRythme*>(*Rythmes(p->banqueRythmes)[n].portees)[j] = copie;
      }
    }
  }
  p->nbRythmes = int16_t(n + 1);
  return n;
}

void DisposeDataRythmes(Handle rhythms, int16_t count) {
  if (!rhythms) return;
  // Every record the block holds is released, whatever the count says.
  (void)count;
  const int16_t n = NbRythmes(rhythms, INT16_MAX);
  for (int16_t k = 0; k < n; k++) {
    Rythme& r = Rythmes(rhythms)[k];
    if (r.portees) {
      const Size place = GetHandleSize(r.portees) / Size(sizeof(PorteeRythme));
      for (Size s = 0; s < place; s++) {
        PorteeRythme& pr = reinterpret_cast<PorteeRythme*>(*r.portees)[s];
        LibereHandle(&pr.notes);
        if (pr.paramEffets) DisposeParamEffetsHandle(pr.paramEffets, INT32_MAX);
        pr.paramEffets = nullptr;
      }
      LibereHandle(&r.portees);
    }
  }
  DisposeHandle(rhythms);
}

void DisposeBanqueRythmesPartition(Partition** score) {
  if (!score) return;
  DisposeDataRythmes((*score)->banqueRythmes, (*score)->nbRythmes);
  (*score)->banqueRythmes = nullptr;
  (*score)->nbRythmes = 0;
}

void DisposeBarreRythmes(Partition** score) {
  if (score) DeleteMatrice(&(*score)->matriceRythme);
}

bool IsRythmeUtilise(Partition** score, int16_t index) {
  return score && index >= 0 && IsIndexDansMatrice((*score)->matriceRythme, uint16_t(index));
}

// The preview shows no accompaniment, rhythm or chord-grid bar.
int16_t CalculeHauteurBarreRythme(Partition**) { return 0; }
int16_t CalculeHauteurGrilleAccord(Partition**) { return 0; }

// ---------------------------------------------------------------- chord grid

void FixeNbMesuresGrilleAccord(Partition** score, int16_t bars) {
  if (!score) return;
  if (bars < 0) bars = 0;
  if (bars > kMaxMesuresGrille) bars = kMaxMesuresGrille;
  Partition* p = *score;
  if (p->grilleAccord && p->nbMesuresGrilleAccord == uint16_t(bars) && NbMesuresGrille(p) == bars) return;
  if (!p->grilleAccord) p->grilleAccord = NewHandleClear(0);
  if (!p->grilleAccord) return;
  const int16_t avant = NbMesuresGrille(p);
  if (!RetailleHandle(p->grilleAccord, Size(bars) * Size(sizeof(MesureGrilleAccord)))) return;
  p = *score;
  MesureGrilleAccord* m = reinterpret_cast<MesureGrilleAccord*>(*p->grilleAccord);
  for (int16_t b = avant; b < bars; b++) InitMesureGrille(m + b);
  p->nbMesuresGrilleAccord = uint16_t(bars);
}

void DeleteMesureGrilleAccord(Partition** score, int16_t first, int16_t count) {
  if (!score) return;
  Partition* p = *score;
  const int16_t n = NbMesuresGrille(p);
  if (first < 0 || count <= 0 || first >= n) return;
  MesureGrilleAccord* m = reinterpret_cast<MesureGrilleAccord*>(*p->grilleAccord);
  int16_t reste = first;
  if (int32_t(first) + count < n) {
    std::memmove(m + first, m + first + count, size_t(n - first - count) * sizeof(MesureGrilleAccord));
    reste = int16_t(n - count);
  }
  RetailleHandle(p->grilleAccord, Size(reste) * Size(sizeof(MesureGrilleAccord)));
  p->nbMesuresGrilleAccord = uint16_t(reste);
  SetGrilleAccordNonCalculee();
  JeTePreviensGrilleAccordChange();
}

int16_t MesureMaxGrilleAccord(Partition** score) {
  if (!score) return 0;
  Partition* p = *score;
  const MesureGrilleAccord* m = p->grilleAccord ? reinterpret_cast<MesureGrilleAccord*>(*p->grilleAccord) : nullptr;
  for (int16_t b = int16_t(NbMesuresGrille(p) - 1); b >= 0; b--) {
    const int cellules = m[b].nbCellules > kNbCellulesGrilleAccord ? kNbCellulesGrilleAccord : m[b].nbCellules;
    for (int c = 0; c < cellules; c++)
      if (m[b].cellules[c].valeur) return b;
  }
  return 0;
}

void DisposeGrilleAccord(Partition** score) {
  if (!score) return;
  LibereHandle(&(*score)->grilleAccord);
  (*score)->nbMesuresGrilleAccord = 0;
}
