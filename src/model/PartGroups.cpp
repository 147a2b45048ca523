#include "model/PartGroups.h"

#include <algorithm>
#include <cstring>

#include "layout/DonneesMiseEnPage.h"
#include "layout/ServicesMiseEnPage.h"
#include "model/Document.h"
#include "model/Partition.h"
#include "model/Portee.h"
#include "model/QRVPOBJ.h"
#include "model/Vues.h"
#include "notation/ServicesNotation.h"
#include "plugin/LectureDocument.h"
#include "plugin/Preferences.h"
#include "plugin/ServicesInertes.h"
#include "stafftypes/DonneesTablature.h"
#include "stafftypes/ServicesTypesPortee.h"
#include "system/Handles.h"
#include "system/QrvFiles.h"
#include "system/Strings.h"

static PartGroup* Groupes(Handle h) { return reinterpret_cast<PartGroup*>(*h); }

int16_t GetNbPartGroups(Handle groups) { return groups ? int16_t(GetHandleSize(groups) / Size(sizeof(PartGroup))) : 0; }

int16_t NewPartGroup(Partition** score, uint32_t type, uint32_t barLines, int16_t first, int16_t last, int16_t indent,
                     const char* name, const char* abbreviation) {
  if (!score) return -1;
  Partition* p = *score;
  if (!p->partGroups) p->partGroups = NewHandleClear(0);
  if (!p->partGroups) return -1;
  int16_t n = GetNbPartGroups(p->partGroups);
  if (n == INT16_MAX || !RetailleHandle(p->partGroups, Size(n + 1) * Size(sizeof(PartGroup)))) return -1;
  PartGroup* g = Groupes(p->partGroups) + n;
  std::memset(g, 0, sizeof *g);
  g->type = type;
  g->barresMesure = barLines;
  g->premierePortee = first;
  g->dernierePortee = last;
  g->retrait = indent < 0 ? 0 : indent;
  strnzcpy(g->nom, name ? name : "", sizeof g->nom);
  strnzcpy(g->abrege, abbreviation ? abbreviation : "", sizeof g->abrege);
  TextStyle style = g->styleNom;
  GetStylePref(2, &style);
  g->styleNom = style;
  g->styleAbrege = style;
  return n;
}

void DisposePartGroups(Partition** score) {
  if (score) LibereHandle(&(*score)->partGroups);
}

void AjusteListePartGroupsQuandSupprimePortee(Handle groups, int16_t index, bool dropOneStaff) {
  int16_t n = GetNbPartGroups(groups);
  for (int16_t k = 0; k < n; k++) {
    PartGroup& g = Groupes(groups)[k];
    if (index < g.premierePortee) g.premierePortee--;
    if (index <= g.dernierePortee) g.dernierePortee--;
  }
  // A group left with no staff at all names staves that are gone: it is always
  // dropped; one left with a single staff only when it may not stand alone.
  for (int16_t k = int16_t(n - 1); k >= 0; k--) {
    PartGroup* g = Groupes(groups);
    bool vide = g[k].dernierePortee < g[k].premierePortee;
    bool seule = g[k].dernierePortee == g[k].premierePortee && !g[k].uneSeulePorteePermise;
    if (!vide && !(dropOneStaff && seule)) continue;
    std::memmove(g + k, g + k + 1, size_t(n - 1 - k) * sizeof(PartGroup));
    n--;
    RetailleHandle(groups, Size(n) * Size(sizeof(PartGroup)));
  }
}

void AjusteListePartGroupsQuandInserePortee(Handle groups, int16_t index) {
  int16_t n = GetNbPartGroups(groups);
  for (int16_t k = 0; k < n; k++) {
    PartGroup& g = Groupes(groups)[k];
    if (index <= g.premierePortee) g.premierePortee++;
    if (index <= g.dernierePortee) g.dernierePortee++;
  }
}

void AjustePartGroupsQuandSupprimePortee(Portee** staff) {
  if (!staff || !(*staff)->partition) return;
  Partition** score = (*staff)->partition;
  int16_t index = (*staff)->index;
  AjusteListePartGroupsQuandSupprimePortee((*score)->partGroups, index, true);
  if ((*score)->document) AjustePartGroupsVuesQuandSupprimePortee((*score)->document, index);
}

void AjustePartGroupsQuandInserePortee(Partition** score, int16_t index) {
  if (!score) return;
  AjusteListePartGroupsQuandInserePortee((*score)->partGroups, index);
  if ((*score)->document) AjustePartGroupsVuesQuandInserePortee((*score)->document, index);
}

// A stored group takes at least this many bytes: seven numbers, two empty
// strings and their four numbers, a text style and the closing bytes.
constexpr int64_t kTailleMinGroupeStocke = 40;

Handle ReadPartGroups() {
  int16_t n = ReadShort();
  if (ioCustom.finFichier || n <= 0) return nullptr;
  if (int64_t(n) * kTailleMinGroupeStocke > GetStreamRemaining()) {
    ioCustom.finFichier = 1;
    return nullptr;
  }
  Handle h = NewHandleClear(Size(n) * Size(sizeof(PartGroup)));
  if (!h) {
    ioCustom.finFichier = 1;
    return nullptr;
  }
  for (int16_t k = 0; k < n; k++) {
    PartGroup g;
    std::memset(&g, 0, sizeof g);
    g.type = uint32_t(int32_t(ReadShort()));
    g.barresMesure = uint32_t(int32_t(ReadShort()));
    g.premierePortee = ReadShort();
    g.dernierePortee = ReadShort();
    g.retrait = ReadShort();
    if (g.retrait < 0) g.retrait = 0;
    g.extensionHaut = ReadShort();
    g.extensionBas = ReadShort();
    ReadUTFString(g.nom, sizeof g.nom);
    g.valeursNom[0] = ReadShort();
    g.valeursNom[1] = ReadShort();
    ReadUTFString(g.abrege, sizeof g.abrege);
    g.valeursAbrege[0] = ReadShort();
    g.valeursAbrege[1] = ReadShort();
    ReadTextStyle(&g.styleNom);
    if (VersionQuarvelLoad >= 0x920) {
      ReadTextStyle(&g.styleAbrege);
      g.valeurNom = ReadShort();
      g.valeurAbrege = ReadShort();
      CheckUTFString(g.nom);
      CheckUTFString(g.abrege);
    } else {
      g.styleAbrege = g.styleNom;
    }
    g.uneSeulePorteePermise = uint8_t(ReadCar() & 0xFF);
    ReadGap(15);
    if (ioCustom.finFichier) {
      DisposeHandle(h);
      return nullptr;
    }
    Groupes(h)[k] = g;
  }
  return h;
}

Handle DupliquePartGroups(Partition** score) { return score ? DupHandle((*score)->partGroups) : nullptr; }

namespace {

// The group counts beside first..last: with a system that lists its staves,
// only when it may stand alone or when the system shows two staves of it.
bool CompteDansSysteme(const PartGroup& g, const Systeme* system) {
  if (!system || g.uneSeulePorteePermise || !system->portees) return !system || g.uneSeulePorteePermise;
  const int32_t n = int32_t(GetHandleSize(system->portees) / Size(sizeof(PorteeSysteme)));
  const PorteeSysteme* e = reinterpret_cast<const PorteeSysteme*>(*system->portees);
  int32_t premiere = -1;
  for (int32_t i = 0; i < n; i++) {
    const int32_t s = e[i].indexPortee;
    if (s < g.premierePortee || s > g.dernierePortee) continue;
    if (premiere < 0) premiere = s;
    else if (s != premiere) return true;
  }
  return false;
}

}  // namespace

int16_t CalculeDeltaXDefaultPartGroup(Partition** score, const Systeme* system, int16_t first, int16_t last) {
  int16_t retrait = 2;
  if (!score) return retrait;
  Handle groupes = (*score)->partGroups;
  const int16_t n = GetNbPartGroups(groupes);
  for (int16_t k = 0; k < n; k++) {
    const PartGroup& g = Groupes(groupes)[k];
    if (g.dernierePortee < first || g.premierePortee > last) continue;
    if (!CompteDansSysteme(g, system)) continue;
    const int32_t propose = int32_t(g.retrait) + (g.type == kPartGroupAccolade ? 12 : 6);
    if (propose > retrait) retrait = int16_t(propose > 32767 ? 32767 : propose);
  }
  return retrait;
}

void ConvertitOldPartGroupToNewPartGroup(Partition** score) {
  if (!score) return;
  for (int passe = 0; passe < 2; passe++) {
    const bool crochets = passe == 0;
    const int16_t nb = (*score)->nbPortees;
    for (int16_t s = 0; s < nb; s++) {
      auto mot = [&](int16_t i) {
        const Portee* p = *(*score)->portees[i];
        return crochets ? p->ancienGroupeCrochet : p->ancienGroupeAccolade;
      };
      if (!(mot(s) & 1)) continue;
      int16_t fin = s;
      while (fin < nb && !(mot(fin) & 2)) fin++;
      if (fin >= nb) continue;
      const uint8_t barres = crochets ? (*score)->ancienBarresCrochets : (*score)->ancienBarresAccolades;
      const int16_t retrait = CalculeDeltaXDefaultPartGroup(score, nullptr, s, fin);
      NewPartGroup(score, crochets ? kPartGroupCrochet : kPartGroupAccolade, barres, s, fin, retrait, "", "");
    }
  }
}

void CalculePosLigneDebutEtFinPortee(Portee** staff, int16_t mode, int16_t* top, int16_t* bottom) {
  if (!staff) {
    if (top) *top = 0;
    if (bottom) *bottom = 0;
    return;
  }
  const Portee* p = *staff;
  // Line position n lies n interlines above the base line (position 0).
  int32_t base;
  float interligne;
  if (mode == 0) {
    base = int32_t(p->yEcran) + p->decalageLigneBas;
    interligne = p->interligne > 0.0f ? p->interligne : 6.0f;
  } else {
    base = p->aireRuban.top + p->decalageLigneBasRuban;
    interligne = p->interligneRuban > 0.0f ? p->interligneRuban : 6.0f;
  }
  int16_t haute = 0, basse = 0;
  bool vue = false;
  for (int16_t n = kPremiereLignePortee; n <= kDerniereLignePortee; n++) {
    if (!p->aspect.afficheLigne[n - kPremiereLignePortee]) continue;
    if (!vue) basse = n;
    haute = n;
    vue = true;
  }
  auto y = [&](int16_t n) {
    const float v = float(base) - float(n) * interligne;
    return int16_t(v < -32767.0f ? -32767 : v > 32767.0f ? 32767 : int32_t(v));
  };
  if (top) *top = y(haute);
  if (bottom) *bottom = y(basse);
}

namespace {

// A tablature's lines: from its base line below the staff's top down by its
// useful height.
void LignesTablature(Portee** staff, int16_t* top, int16_t* bottom) {
  Tablature** t = GetTablature(staff);
  const Portee* p = *staff;
  const int32_t haut = int32_t(p->yEcran) + (t ? (*t)->ligneBaseZoom : p->decalageLigneBas);
  *top = int16_t(std::clamp<int32_t>(haut, INT16_MIN, INT16_MAX));
  *bottom = int16_t(std::clamp<int32_t>(haut + GetHauteurUtileTablature(t), INT16_MIN, INT16_MAX));
}

}  // namespace

int16_t CalculePosLigneEcranBarreMesure(Portee** staff, int16_t which) {
  if (!staff) return 0;
  const Portee* p = *staff;
  switch (which) {
    case 0: return p->yHaut;
    case 3: return p->yBas;
    case 1:
    case 2: {
      int16_t haut, bas;
      CalculePosLigneDebutEtFinPortee(staff, 0, &haut, &bas);
      Tablature** t = GetTablature(staff);
      if (!t) return which == 1 ? haut : bas;
      int16_t tabHaut, tabBas;
      LignesTablature(staff, &tabHaut, &tabBas);
      const bool notation = ((*t)->flagsAffichage & kTablatureAfficheNotation) != 0;
      if (which == 1) return notation ? std::min(haut, tabHaut) : tabHaut;
      return notation ? std::max(bas, tabBas) : tabBas;
    }
    case 4: {
      Partition** score = p->partition;
      if (!score) return 0;
      for (int16_t i = int16_t(p->index - 1); i >= 0 && i < (*score)->nbPortees; i--) {
        Portee** s = (*score)->portees[i];
        const Rect& r = (*s)->rect;
        if (r.right <= r.left || r.bottom <= r.top) continue;
        int16_t bas;
        CalculePosLigneDebutEtFinPortee(s, 0, nullptr, &bas);
        return bas;
      }
      return 0;
    }
    default: return 0;
  }
}

int16_t CalculeAirePartGroupEcran(Document* document, const Systeme* system, int16_t index, Rect* out) {
  if (!out) return 0;
  *out = Rect{0, 0, 0, 0};
  Partition** score = document ? document->partitionCourante : nullptr;
  if (!score) return 0;
  Handle groupes = (*score)->partGroups;
  if (index < 0 || index >= GetNbPartGroups(groupes)) return 0;
  const PartGroup g = Groupes(groupes)[index];
  int16_t premiere = CvtIndexPorteeEnIndexPorteeDebutFusion(score, g.premierePortee);
  int16_t derniere = CvtIndexPorteeEnIndexPorteeDebutFusion(score, g.dernierePortee);
  int32_t droite;
  if (system) {
    droite = system->rectDessin.left;
  } else {
    droite = int32_t(document->valeurGaucheMiseEnPage) + (*score)->margeGaucheEcran + (pref.gouttiereLarge ? 24 : 12);
  }
  if (system && system->portees) {
    const int32_t n = int32_t(GetHandleSize(system->portees) / Size(sizeof(PorteeSysteme)));
    const PorteeSysteme* e = reinterpret_cast<const PorteeSysteme*>(*system->portees);
    int16_t vuePremiere = -1, vueDerniere = -1;
    for (int32_t i = 0; i < n; i++) {
      const int16_t s = int16_t(e[i].indexPortee);
      if (s < premiere || s > derniere) continue;
      if (vuePremiere < 0) vuePremiere = s;
      vueDerniere = s;
    }
    if (vuePremiere < 0 || vuePremiere < premiere) return 0;
    premiere = vuePremiere;
    derniere = vueDerniere;
  }
  if (derniere < premiere || (premiere == derniere && !g.uneSeulePorteePermise)) return 0;
  if (premiere < 0 || derniere >= (*score)->nbPortees) return 0;
  Portee** haut = (*score)->portees[premiere];
  Portee** bas = (*score)->portees[derniere];
  const int32_t mode = GetModeEcran(score);
  if (mode != kModeEcranRuban) {
    const int32_t mesure = system ? system->premiereMesure : 0;
    PrepareDraw(haut, mesure, false, nullptr);
    if (bas != haut) PrepareDraw(bas, mesure, false, nullptr);
  }
  const bool plusieurs = derniere > premiere;
  int32_t largeur = g.type == kPartGroupAccolade ? (plusieurs ? Zoom(10) : Zoom(10) / 2) : Zoom(4);
  int32_t gauche = droite - largeur;
  int16_t yHaut, yBas, inutile;
  CalculePosLigneDebutEtFinPortee(haut, 0, &yHaut, &inutile);
  CalculePosLigneDebutEtFinPortee(bas, 0, &inutile, &yBas);
  int32_t top = yHaut, bottom = yBas;
  if (g.type != kPartGroupSousCrochet) {
    gauche -= Zoom(g.retrait);
    droite -= Zoom(g.retrait);
    if (plusieurs) {
      top -= Zoom(g.extensionHaut);
      bottom += Zoom(g.extensionBas);
    }
  } else {
    gauche -= Zoom(g.retrait);
  }
  auto borne = [](int32_t v) { return int16_t(v < -32767 ? -32767 : v > 32767 ? 32767 : v); };
  *out = Rect{borne(top), borne(gauche), borne(bottom), borne(droite)};
  return 1;
}

void CalculeLignesBarreMesureSystemeSelonPartGroups(Partition** score, Systeme* system) {
  if (!score || !system || !system->portees) return;
  const int32_t n = int32_t(GetHandleSize(system->portees) / Size(sizeof(PorteeSysteme)));
  PorteeSysteme* e = reinterpret_cast<PorteeSysteme*>(*system->portees);
  for (int32_t i = 0; i < n; i++) {
    e[i].codesBarreMesure[0] = 1;
    e[i].codesBarreMesure[1] = 2;
    e[i].codesBarreMesure[2] = 2;
    e[i].codesBarreMesure[3] = 1;
  }
  Handle groupes = (*score)->partGroups;
  const int16_t ng = GetNbPartGroups(groupes);
  for (int16_t k = 0; k < ng; k++) {
    const PartGroup g = Groupes(groupes)[k];
    if (g.barresMesure == 0) continue;
    int32_t precedente = -1;
    for (int32_t i = 0; i < n; i++) {
      const int32_t s = e[i].indexPortee;
      if (s < g.premierePortee || s > g.dernierePortee) continue;
      if (g.barresMesure == 2) {
        if (s == g.premierePortee) {
          e[i].codesBarreMesure[0] = 2;
          e[i].codesBarreMesure[1] = 3;
        } else {
          e[i].codesBarreMesure[0] = 4;
          e[i].codesBarreMesure[1] = 1;
        }
        continue;
      }
      if (s > g.premierePortee && precedente >= 0) {
        e[i].codesBarreMesure[0] = 0;
        e[i].codesBarreMesure[3] = 0;
        e[precedente].codesBarreMesure[1] = 3;
        e[precedente].codesBarreMesure[2] = 3;
      }
      if (i != n - 1 && s != g.dernierePortee) precedente = i;
    }
  }
}

bool IsPremierePorteeAccolade(Portee** staff) {
  if (!staff || !(*staff)->partition) return false;
  Handle groupes = (*(*staff)->partition)->partGroups;
  const int16_t n = GetNbPartGroups(groupes);
  for (int16_t k = 0; k < n; k++) {
    const PartGroup& g = Groupes(groupes)[k];
    if (g.type == kPartGroupAccolade && g.premierePortee == (*staff)->index) return true;
  }
  return false;
}

bool IsDernierePorteeAccolade(Portee** staff) {
  if (!staff || !(*staff)->partition) return false;
  Partition** score = (*staff)->partition;
  const int16_t n = GetNbPartGroups((*score)->partGroups);
  for (int16_t k = 0; k < n; k++) {
    const PartGroup g = Groupes((*score)->partGroups)[k];
    if (g.type != kPartGroupAccolade) continue;
    if (CvtIndexPorteeEnIndexPorteeFinFusion(score, g.dernierePortee) == (*staff)->index) return true;
  }
  return false;
}

bool IsPorteeInAccolade(Portee** staff) {
  if (!staff || !(*staff)->partition) return false;
  Partition** score = (*staff)->partition;
  const int16_t n = GetNbPartGroups((*score)->partGroups);
  const int16_t i = (*staff)->index;
  for (int16_t k = 0; k < n; k++) {
    const PartGroup g = Groupes((*score)->partGroups)[k];
    if (g.type != kPartGroupAccolade) continue;
    if (g.premierePortee <= i && i <= CvtIndexPorteeEnIndexPorteeFinFusion(score, g.dernierePortee)) return true;
  }
  return false;
}
