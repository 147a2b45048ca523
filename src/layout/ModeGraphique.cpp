#include "layout/ModeGraphique.h"

#include <cstring>
#include <initializer_list>

#include "layout/ModesEcran.h"
#include "layout/Zoom.h"
#include "model/Partition.h"
#include "model/Portee.h"
#include "platform/Memory.h"
#include "plugin/Preferences.h"
#include "stafftypes/Tablature.h"
#include "system/Handles.h"
#include "text/Fontes.h"

ModeGraphique GModeGraphique{};

namespace {

// Font of the built-in chord styles, looked up once.
int16_t idFonteAccords = 0;
bool idFonteAccordsCherche = false;

int16_t FonteAccords() {
  if (!idFonteAccordsCherche) {
    idFonteAccordsCherche = true;
    int16_t id = 0;
    GetClosestIDFontFromName(kNomFonteAccords, &id, nullptr);
    idFonteAccords = id;
  }
  return idFonteAccords;
}

struct Defaut {
  int premier;
  std::initializer_list<int16_t> valeurs;
};

const Defaut kDefauts[] = {
    {3, {4, 35, 12, 12, 12, 24}},
    {10, {100, 14, 3, 9, 8, 2, 2}},
    {18, {2}},
    {20, {3, 3, 7}},
    {25, {50, 3}},
    {28, {2, 2, 6, 16}},
    {34, {16, 8, 32}},
    {46, {32, 100}},
    {54, {3, 3}},
    {57, {3, 4, 4, 4, 4, 4}},
    {63, {1, 120, 3, 3, 3, 2, 10}},
    {77, {10}},
    {85, {7, 10, 25, 40, 50, 2, 3, 100, 80, 60, 100, 100}},
    {103, {4, 2, 30, 0, 10, 4, 3}},
    {111, {3, 6, 6, 2}},
    {124, {12, 32}},
};

}  // namespace

void GetDefautModeGraphique(ModeGraphique* mode) {
  if (mode == nullptr) return;
  std::memset(mode, 0, sizeof *mode);
  for (const Defaut& d : kDefauts) {
    int n = d.premier;
    for (int16_t v : d.valeurs) mode->slot[n++] = v;
  }
  mode->drapeau220 = 1;
  mode->drapeau221 = 1;
  const int16_t fonte = FonteAccords();
  mode->styleAccords = TextStyle{fonte, 0, 0, RGBColor{0, 0, 0}};
  mode->styleTexteAccords = TextStyle{fonte, 0, 12, RGBColor{0, 0, 0}};
}

void GetUserModeGraphique(ModeGraphique* mode) {
  if (mode != nullptr) *mode = pref.modeGraphiqueUser;
}

void InstalleModeGraphique(const ModeGraphique* mode, bool modeImpression, int16_t epaisseurMin1,
                           int16_t epaisseurMin2) {
  if (mode == nullptr) return;
  GModeGraphique = *mode;
  if (!modeImpression) return;
  for (int s : kSlotsEpaisseurMin1)
    if (GModeGraphique.slot[s] < epaisseurMin1) GModeGraphique.slot[s] = epaisseurMin1;
  for (int s : kSlotsEpaisseurMin2)
    if (GModeGraphique.slot[s] < epaisseurMin2) GModeGraphique.slot[s] = epaisseurMin2;
}

void SetCurrentModeGraphique(Partition** score) {
  if (score == nullptr) return;
  InstalleModeGraphique(&(*score)->modeGraphique, IsModeImpressionPartition(score), pref.epaisseurMinImpression1,
                        pref.epaisseurMinImpression2);
}

HParamAffichage GetParamAffichage(Partition** score) {
  if (score == nullptr) return nullptr;
  auto snapshot = reinterpret_cast<HParamAffichage>(NewHandleClear(sizeof(ParamAffichage)));
  if (snapshot == nullptr) return nullptr;
  const int16_t n = (*score)->nbPortees > 0 ? (*score)->nbPortees : int16_t(0);
  Handle portees = NewHandleClear(Size(n) * Size(sizeof(ParamAffichagePortee)));
  if (portees == nullptr) {
    DisposeHandle(reinterpret_cast<Handle>(snapshot));
    return nullptr;
  }
  const Partition& p = **score;
  **snapshot = ParamAffichage{p.margeGaucheEcran, GetDpiDest(), p.zoom, p.echelleEcran, portees};
  auto* e = reinterpret_cast<ParamAffichagePortee*>(*portees);
  for (int16_t i = 0; i < n; i++) {
    Portee** staff = p.portees[i];
    if (staff == nullptr) continue;
    const Portee& s = **staff;
    Tablature** tab = GetTablature(staff);
    e[i] = ParamAffichagePortee{s.interligne,   s.decalageLigneBas, s.yHaut,
                                s.yBas,         s.yEcran,           s.yBarreHaut,
                                s.yBarreBas,    s.interligneRuban,  s.decalageLigneBasRuban,
                                s.hauteurRuban, s.hauteurBaseRuban, tab ? (*tab)->decalageHaut : int16_t(0),
                                s.hauteurEcran};
  }
  return snapshot;
}

void SetParamAffichage(Partition** score, HParamAffichage snapshot) {
  if (snapshot == nullptr) return;
  if (score != nullptr) {
    const ParamAffichage& a = **snapshot;
    SetDpiDest(a.dpiDest);
    Partition& p = **score;
    p.margeGaucheEcran = a.margeGaucheEcran;
    p.zoom = a.zoom;
    p.echelleEcran = a.echelleEcran;
    const int32_t n = GetHandleSize(a.portees) / int32_t(sizeof(ParamAffichagePortee));
    const auto* e = reinterpret_cast<const ParamAffichagePortee*>(*a.portees);
    for (int32_t i = 0; i < n && i < p.nbPortees; i++) {
      Portee** staff = p.portees[i];
      if (staff == nullptr) continue;
      Portee& s = **staff;
      s.interligne = e[i].interligne;
      s.decalageLigneBas = e[i].decalageLigneBas;
      s.yHaut = e[i].yHaut;
      s.yBas = e[i].yBas;
      s.yEcran = e[i].yEcran;
      s.yBarreHaut = e[i].yBarreHaut;
      s.yBarreBas = e[i].yBarreBas;
      s.interligneRuban = e[i].interligneRuban;
      s.decalageLigneBasRuban = e[i].decalageLigneBasRuban;
      s.hauteurRuban = e[i].hauteurRuban;
      s.hauteurBaseRuban = e[i].hauteurBaseRuban;
      s.hauteurEcran = e[i].hauteurEcran;
      if (Tablature** tab = GetTablature(staff)) (*tab)->decalageHaut = e[i].decalageHautTablature;
    }
  }
  LibereHandle(&(*snapshot)->portees);
  DisposeHandle(reinterpret_cast<Handle>(snapshot));
}
