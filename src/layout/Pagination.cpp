#include "layout/Pagination.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "layout/DonneesModeGraphique.h"
#include "layout/ImpressionPartition.h"
#include "layout/Justification.h"
#include "layout/MiseEnPage.h"
#include "layout/ModeGraphique.h"
#include "layout/ObjetsLibresPages.h"
#include "layout/PiedsEntetes.h"
#include "layout/Titres.h"
#include "layout/Zoom.h"
#include "model/Document.h"
#include "model/PartGroups.h"
#include "model/Partition.h"
#include "model/Portee.h"
#include "model/PreservePositions.h"
#include "model/QRVPOBJ.h"
#include "model/QrvDynamics.h"
#include "model/QrvText.h"
#include "model/Ruptures.h"
#include "model/Signe.h"
#include "model/StaffHeightEvts.h"
#include "model/TabEltMesure.h"
#include "model/Tonalite.h"
#include "platform/QuickDraw.h"
#include "stafftypes/DonneesTablature.h"
#include "stafftypes/PorteeKaraoke.h"
#include "stafftypes/ServicesTypesPortee.h"
#include "system/Handles.h"
#include "system/Strings.h"
#include "text/Fontes.h"
#include "text/TextBox.h"
#include "text/TextData.h"

namespace {

// ---------------------------------------------------------------- records

int32_t NbPages(Partition** score) {
  return (*score)->pages ? GetHandleSize((*score)->pages) / int32_t(sizeof(Page)) : 0;
}

Page& PageN(Partition** score, int32_t i) { return reinterpret_cast<Page*>(*(*score)->pages)[i]; }

int32_t NbElements(const Page& page) {
  return page.systemes ? GetHandleSize(page.systemes) / int32_t(sizeof(Systeme)) : 0;
}

Systeme* Elements(const Page& page) { return page.systemes ? reinterpret_cast<Systeme*>(*page.systemes) : nullptr; }

bool PageAvecSystemeMusique(const Page& page) {
  const int32_t n = NbElements(page);
  for (int32_t i = 0; i < n; i++)
    if (Elements(page)[i].type == kSystemeMusique) return true;
  return false;
}

int32_t NbEntrees(Handle entrees) { return entrees ? GetHandleSize(entrees) / int32_t(sizeof(PorteeSysteme)) : 0; }

PorteeSysteme* Entrees(Handle entrees) { return reinterpret_cast<PorteeSysteme*>(*entrees); }

void DecaleRect(Rect* r, int32_t dy) {
  r->top = Sature16(int32_t(r->top) + dy);
  r->bottom = Sature16(int32_t(r->bottom) + dy);
}

// Moves a system and its staff frames down by dy.
void DecaleSysteme(Systeme* system, Handle entrees, int32_t dy) {
  if (dy == 0) return;
  DecaleRect(&system->rectMiseEnPage, dy);
  const int32_t n = NbEntrees(entrees);
  for (int32_t i = 0; i < n; i++) DecaleRect(&Entrees(entrees)[i].rectMiseEnPage, dy);
}

// ---------------------------------------------------------------- staves

Portee** PorteeN(Partition** score, int32_t i) {
  return (i >= 0 && i < (*score)->nbPortees) ? (*score)->portees[i] : nullptr;
}

// A staff that systems may show: shown, printed, not a tempo staff, not kept
// out of the pages.
bool PorteeCandidate(MiseEnPage* setup, Portee** staff) {
  return staff && (*staff)->affichee && IsPorteeImprimable(setup, staff) && (*staff)->type != kTypePorteeTempo &&
         !(*staff)->cacheeModePage;
}

// Last staff of the merged group that starts at `index`.
int32_t FinGroupe(Partition** score, int32_t index) {
  int32_t j = index;
  while (j + 1 < (*score)->nbPortees && PorteeN(score, j) && (*PorteeN(score, j))->fusionneAvecSuivante) j++;
  return j;
}

int32_t Evenement(Portee** staff, uint32_t kind, int16_t first, int16_t end) {
  return ExtractStaffHeightEvt(staff, kind, first, int16_t(end - 1));
}

// Height of a staff line in a system at the destination resolution.
int32_t HauteurLigne(Portee** staff, int16_t first, int16_t end, bool emptyLine) {
  if (emptyLine) return Zoom(4);
  return Zoom(int32_t((*staff)->hauteurBaseRuban) + Evenement(staff, 'H', first, end));
}

// ---------------------------------------------------------------- bars

int32_t NbLignes(Partition** score) { return GetNbLignesTabElt((*score)->tabEltMesure[3]); }
TabEltMesure* Lignes(Partition** score) { return GetLignesTabElt((*score)->tabEltMesure[3]); }

// Sum of the total widths of bars [first, end).
int64_t LargeurNaturelle(Partition** score, int32_t first, int32_t end) {
  const TabEltMesure* rows = Lignes(score);
  int64_t w = 0;
  for (int32_t b = first; b < end; b++) w += rows[b].largeurTotale;
  return w;
}

// ---------------------------------------------------------------- names

// Room a name takes left of a system: its box ends `recul` left of the
// system's x and its own offset moves it right by `decalage`.
int32_t PlaceNom(const char* texte, size_t taille, const TextStyle& style, int32_t recul, int32_t decalage) {
  const int32_t n = int32_t(strnlen(texte, taille));
  if (n == 0) return 0;
  uint16_t largeur = 0, hauteur = 0;
  TextBoxStyleSize(texte, n, &style, &largeur, &hauteur, 1);
  return recul + int32_t(largeur) - decalage;
}

// Room the staff and part-group names take left of a system, as the page
// drawing places them: full names on the score's first system, else the
// abbreviations. A document that makes no room of its own for them (an
// import without page layout) would otherwise print them off the sheet.
int32_t PlaceNoms(Partition** score, MiseEnPage* setup, bool premier) {
  int32_t place = 0;
  for (int16_t i = 0; i < (*score)->nbPortees; i++) {
    Portee** staff = PorteeN(score, i);
    if (!PorteeCandidate(setup, staff)) continue;
    // A copy: measuring may move the staff's memory.
    const AspectGraphiquePortee a = (*staff)->aspect;
    if (a.nomsCaches || strnlen(a.nom, sizeof a.nom) == 0) continue;
    const bool complet = premier || strnlen(a.nomAbrege, sizeof a.nomAbrege) == 0;
    const int32_t recul = Zoom(CalculeDeltaXDefaultPartGroup(score, nullptr, i, i)) + Zoom(6);
    place = std::max(place, complet ? PlaceNom(a.nom, sizeof a.nom, a.styleNom, recul, Zoom(a.valeursNom[0]))
                                    : PlaceNom(a.nomAbrege, sizeof a.nomAbrege, a.styleNomAbrege, recul,
                                               Zoom(a.valeursNomAbrege[0])));
  }
  const int16_t n = GetNbPartGroups((*score)->partGroups);
  for (int16_t k = 0; k < n; k++) {
    const PartGroup g = reinterpret_cast<const PartGroup*>(*(*score)->partGroups)[k];
    if (g.dernierePortee < g.premierePortee || (g.dernierePortee == g.premierePortee && !g.uneSeulePorteePermise))
      continue;
    const int32_t signe = g.type == kPartGroupAccolade ? Zoom(10) : Zoom(4);
    const int32_t recul = signe + Zoom(g.retrait);
    place = std::max(
        place, premier
                   ? PlaceNom(g.nom, sizeof g.nom, g.styleNom, recul, Zoom(int32_t(g.valeursNom[0]) - 6))
                   : PlaceNom(g.abrege, sizeof g.abrege, g.styleAbrege, recul, Zoom(int32_t(g.valeursAbrege[0]) - 6)));
  }
  return place;
}

// ---------------------------------------------------------------- the run

struct Pagineur {
  Document* doc;
  Partition** score;
  MiseEnPage* setup;
  const PrInfo* info;
  int16_t ecart;       // gap between systems, pixels
  int16_t debut, fin;  // printed bars [debut, fin)
  Rect rectPage;       // page rectangle of the last page added
  Handle entrees;      // staff entries of the system being built
  Systeme systeme;
  int32_t page = -1;  // page of the system being built
  int32_t premierImprimable = -1;

  int32_t NouvellePage(MiseEnPage* avec) {
    const int16_t p = AjoutePage(score, avec, info, &rectPage);
    if (p >= 0) page = p;
    return p;
  }

  // A page is added only when the current one holds something: a new page
  // for a system that would not fit on an empty page would stay empty.
  bool PageTient() const { return page < 0 || NbElements(PageN(score, page)) > 0 || NbEntrees(entrees) > 0; }

  const Rect PageCourante() const {
    const BigRect& r = PageN(score, page).rectPage;
    return Rect{Sature16(r.top), Sature16(r.left), Sature16(r.bottom), Sature16(r.right)};
  }

  void DebutSysteme(int16_t first, int16_t end, int32_t retrait) {
    SetSystemeDefaut(&systeme);
    systeme.type = kSystemeMusique;
    systeme.premiereMesure = first;
    systeme.finMesure = end;
    const Rect r = PageCourante();
    systeme.rectMiseEnPage.top = PageN(score, page).yCourant;
    systeme.rectMiseEnPage.left = Sature16(int32_t(r.left) + retrait);
    systeme.rectMiseEnPage.right = r.right;
    systeme.rectMiseEnPage.bottom = systeme.rectMiseEnPage.top;
    if (setup->bandeHautSysteme)
      systeme.rectMiseEnPage.bottom = Sature16(int32_t(systeme.rectMiseEnPage.bottom) + Zoom(20));
    SetHandleSize(entrees, 0);
  }

  // Appends a staff entry whose frame starts at the system's bottom; the
  // bottom moves down by the line's height unless the staff shares its line
  // with the next entry.
  void AjoutePorteeSysteme(int32_t index, bool avance, bool debutLigne, bool ligneVide, int32_t hauteur) {
    Portee** staff = PorteeN(score, index);
    PorteeSysteme e{};
    e.partageLigneSuivante = avance ? 0 : 1;
    e.debutLigne = debutLigne ? 1 : 0;
    e.indexPortee = uint16_t(index);
    const int16_t first = systeme.premiereMesure, end = systeme.finMesure;
    e.hauteurLigne =
        uint16_t(ligneVide ? 4 : std::max<int32_t>(0, (*staff)->hauteurBaseRuban + Evenement(staff, 'H', first, end)));
    const int32_t n = NbEntrees(entrees);
    if (debutLigne || n == 0) {
      // The line's spacing values: base line, chord line, tablature, lyrics
      // base line and bar numbers, with the system's events.
      const Portee& p = **staff;
      Tablature** tab = GetTablature(staff);
      e.espaceB = uint16_t(p.decalageLigneBasBaseRuban + Evenement(staff, 'B', first, end));
      e.espaceA = uint16_t(p.ligneAccord + Evenement(staff, 'A', first, end));
      e.espaceT = uint16_t((tab ? (*tab)->ligneBase : 0) + Evenement(staff, 'T', first, end));
      e.espaceP = uint16_t(p.hauteurBaseLigneTexte + Evenement(staff, 'P', first, end));
      e.espaceN = uint16_t(Evenement(staff, 'N', first, end));
    } else {
      const PorteeSysteme& ligne = Entrees(entrees)[n - 1];
      e.espaceB = ligne.espaceB;
      e.espaceA = ligne.espaceA;
      e.espaceT = ligne.espaceT;
      e.espaceP = ligne.espaceP;
      e.espaceN = ligne.espaceN;
      e.autreValeur = ligne.autreValeur;
    }
    e.rectMiseEnPage.top = systeme.rectMiseEnPage.bottom;
    e.rectMiseEnPage.left = systeme.rectMiseEnPage.left;
    e.rectMiseEnPage.bottom = Sature16(int32_t(e.rectMiseEnPage.top) + hauteur);
    e.rectMiseEnPage.right = systeme.rectMiseEnPage.right;
    e.ligneVide = ligneVide ? 1 : 0;
    if (PtrAndHand(&e, entrees, sizeof e) != noErr) return;
    if (avance) systeme.rectMiseEnPage.bottom = e.rectMiseEnPage.bottom;
    (*staff)->placeeDansSysteme = 1;
  }

  // Adds the system to its page when it holds a staff entry.
  void AjouteSystemeSiPortee(int32_t largeur) {
    if (NbEntrees(entrees) == 0 || page < 0) return;
    Page& p = PageN(score, page);
    const bool premier = p.premierSystemeMusique < 0 && !PageAvecSystemeMusique(p);
    if (premier) {
      systeme.premierSystemePage = 1;
      Portee** staff = PorteeN(score, Entrees(entrees)[0].indexPortee);
      const int32_t m = Evenement(staff, 'M', systeme.premiereMesure, systeme.finMesure);
      if (m != 0) {
        p.espaceHautPremierSysteme = Sature16(m);
        DecaleSysteme(&systeme, entrees, Zoom(m));
      }
    }
    systeme.rectMiseEnPage.right = Sature16(int32_t(systeme.rectMiseEnPage.left) + largeur);
    const int32_t n = NbEntrees(entrees);
    for (int32_t i = 0; i < n; i++) Entrees(entrees)[i].rectMiseEnPage.right = systeme.rectMiseEnPage.right;
    systeme.portees = entrees;
    const int16_t index = AjouteSysteme(score, int16_t(page), &systeme, ecart, false);
    systeme.portees = nullptr;
    if (premier && index >= 0) PageN(score, page).premierSystemeMusique = index;
    SetHandleSize(entrees, 0);
  }

  // Height of the first system before it is built: every shown line with
  // keep-systems-whole, else the first.
  int32_t EstimeHauteur(int16_t first, int16_t end) {
    int32_t h = 0;
    for (int32_t i = 0; i < (*score)->nbPortees; i = FinGroupe(score, i) + 1) {
      Portee** staff = PorteeN(score, i);
      if (!PorteeCandidate(setup, staff)) continue;
      bool vide = false;
      if (!IsLignePorteeNonVide(setup, score, int16_t(i), first, end, &vide)) continue;
      h += HauteurLigne(staff, first, end, vide);
      if (!setup->garderSystemesEntiers) break;
    }
    return h;
  }

  void PlaceTitres(int16_t first, int16_t end) {
    Page& p = PageN(score, page);
    const Rect r = PageCourante();
    int32_t bas = p.yCourant;
    bool dessous = false;
    if (setup->titres) {
      for (int k = 0; k < kNbTitres; k++) {
        if (doc->titres[k].texte[0] == 0) continue;
        const int16_t b = TraiteStrTitreDocument(score, setup, &r, &doc->titres[k], uint32_t(kSystemeTitre + k));
        if (b > r.top) dessous = true;
        bas = std::max<int32_t>(bas, b);
      }
    }
    if (dessous) bas += ecart;
    PageN(score, page).yCourant = Sature16(bas);
    const int32_t h = EstimeHauteur(first, end);
    if (int32_t(PageN(score, page).yCourant) + h >= PageCourante().bottom && PageTient()) NouvellePage(setup);
  }

  // Stacks the lines of the system of bars [first, end) of width `largeur`.
  void PlacePortees(int16_t first, int16_t end, int32_t retrait, int32_t largeur) {
    for (int32_t i = 0; i < (*score)->nbPortees; i = FinGroupe(score, i) + 1) {
      Portee** staff = PorteeN(score, i);
      if (!PorteeCandidate(setup, staff)) continue;
      if (premierImprimable < 0) premierImprimable = i;
      bool vide = false;
      if (!IsLignePorteeNonVide(setup, score, int16_t(i), first, end, &vide)) continue;
      const int32_t h = HauteurLigne(staff, first, end, vide);
      if (int32_t(systeme.rectMiseEnPage.bottom) + h >= PageCourante().bottom) Deborde(first, end, retrait, largeur);
      const int32_t fin = FinGroupe(score, i);
      // The last printed staff of the line advances the system.
      int32_t dernier = i;
      for (int32_t j = i + 1; j <= fin; j++)
        if (PorteeCandidate(setup, PorteeN(score, j))) dernier = j;
      AjoutePorteeSysteme(i, dernier == i, true, vide, h);
      for (int32_t j = i + 1; j <= fin; j++)
        if (PorteeCandidate(setup, PorteeN(score, j))) AjoutePorteeSysteme(j, j == dernier, false, vide, h);
    }
    if (NbEntrees(entrees) == 0 && premierImprimable >= 0 &&
        (!setup->systemesVidesAvecBarre || RuptureVisible(first, end))) {
      Portee** staff = PorteeN(score, premierImprimable);
      const int32_t h = HauteurLigne(staff, first, end, false);
      if (int32_t(systeme.rectMiseEnPage.bottom) + h >= PageCourante().bottom &&
          PageAvecSystemeMusique(PageN(score, page))) {
        NouvellePage(setup);
        DebutSysteme(first, end, retrait);
      }
      AjoutePorteeSysteme(premierImprimable, true, true, false, h);
    }
  }

  // The next line does not fit under the system on this page.
  void Deborde(int16_t first, int16_t end, int32_t retrait, int32_t largeur) {
    if (setup->garderSystemesEntiers && PageAvecSystemeMusique(PageN(score, page))) {
      if (NouvellePage(setup) < 0) return;
      DecaleSysteme(&systeme, entrees, int32_t(PageN(score, page).yCourant) - systeme.rectMiseEnPage.top);
      // A mirrored page has its own left and right.
      const Rect r = PageCourante();
      const int32_t dx = int32_t(r.left) + retrait - systeme.rectMiseEnPage.left;
      systeme.rectMiseEnPage.left = Sature16(int32_t(systeme.rectMiseEnPage.left) + dx);
      systeme.rectMiseEnPage.right = r.right;
      const int32_t n = NbEntrees(entrees);
      for (int32_t k = 0; k < n; k++) {
        Entrees(entrees)[k].rectMiseEnPage.left = systeme.rectMiseEnPage.left;
        Entrees(entrees)[k].rectMiseEnPage.right = r.right;
      }
      return;
    }
    if (!PageTient()) return;
    AjouteSystemeSiPortee(largeur);
    if (NouvellePage(setup) < 0) return;
    DebutSysteme(first, end, retrait);
  }

  bool RuptureVisible(int16_t first, int16_t end) const {
    for (int16_t b = first; b < end; b++)
      if (RechercheRuptureVisible(score, b) >= 0) return true;
    return false;
  }
};

void GroupeMesures(Pagineur& pg) {
  Partition** score = pg.score;
  MiseEnPage* setup = pg.setup;
  const int32_t n = NbLignes(score);
  if (setup->regroupement == 0 || n == 0) return;
  const int32_t minimum = std::max<int32_t>(setup->regroupementMin, 2);
  uint8_t* ou = static_cast<uint8_t*>(std::calloc(size_t(n) + 1, 1));
  if (!ou) return;
  for (int16_t s = 0; s < (*score)->nbPortees; s++) {
    Portee** staff = (*score)->portees[s];
    if (!staff || !IsPorteeImprimable(setup, staff) || (*staff)->type == kTypePorteeParole ||
        (*staff)->type == kTypePorteeTempo || (*staff)->cacheeModePage || !(*staff)->usedBars)
      continue;
    const int32_t m = std::min<int32_t>(n + 1, GetHandleSize((*staff)->usedBars));
    const uint8_t* u = reinterpret_cast<const uint8_t*>(*(*staff)->usedBars);
    for (int32_t b = 0; b < m; b++) ou[b] |= u[b];
  }
  TabEltMesure* rows = Lignes(score);
  int32_t b = pg.debut;
  while (b < pg.fin) {
    if (ou[b] & kMesureNotes) {
      b++;
      continue;
    }
    const uint8_t bas = ou[b] & 3;
    int32_t e = b + 1;
    while (e < pg.fin && (ou[e] & 3) == bas && !(ou[e] & kMesureObjet) &&
           RechercheRuptureVisible(score, int16_t(e)) < 0)
      e++;
    uint32_t etat = 0;
    if (bas == 0 && (setup->regroupement & 1)) etat = 2;
    else if (bas == kMesureRepetee && (setup->regroupement & 2)) etat = 3;
    if (etat && e - b >= minimum) {
      rows[b].motPagination = etat;
      for (int32_t k = b + 1; k < e; k++) {
        rows[k].motPagination = 1;
        rows[k].sansLargeur = 1;
      }
    }
    b = e;
  }
  std::free(ou);
}

// Shares the free height of each page among its music systems.
void RepartitSystemes(Pagineur& pg) {
  Partition** score = pg.score;
  const int32_t nbPages = NbPages(score);
  for (int32_t p = 0; p < nbPages; p++) {
    if (pg.setup->pasSurDernierePage && p == nbPages - 1) continue;
    Page& page = PageN(score, p);
    const int32_t n = NbElements(page);
    int32_t m = 0, haut = INT32_MAX;
    int64_t hauteurs = 0;
    for (int32_t i = 0; i < n; i++) {
      const Systeme& s = Elements(page)[i];
      if (s.type != kSystemeMusique) continue;
      m++;
      haut = std::min<int32_t>(haut, s.rectMiseEnPage.top);
      hauteurs += int32_t(s.rectMiseEnPage.bottom) - s.rectMiseEnPage.top;
    }
    if (m == 0) continue;
    // Only free room is shared: a page already full moves nothing up over
    // what stands above its systems.
    int64_t libre = int64_t(page.rectPage.bottom) - (int64_t(haut) + int64_t(m - 1) * pg.ecart) - hauteurs;
    if (libre < 0) libre = 0;
    const int64_t pas = libre / (m + 1);
    int32_t j = 0;
    for (int32_t i = 0; i < n; i++) {
      Systeme& s = Elements(PageN(score, p))[i];
      if (s.type != kSystemeMusique) continue;
      j++;
      DecaleSysteme(&s, s.portees, int32_t(std::min<int64_t>(j * pas, 32767)));
    }
  }
}

// Pages of the lyric texts of the staves that print them.
void AjoutePagesParoles(Pagineur& pg) {
  Document* doc = pg.doc;
  Partition** score = pg.score;
  MiseEnPage* paroles = &doc->misesEnPage[4];
  paroles->echelle = doc->misesEnPage[0].echelle;
  for (int16_t s = 0; s < (*score)->nbPortees; s++) {
    Portee** staff = (*score)->portees[s];
    if (!staff || !(*staff)->ligneParolesAffichee || (*staff)->pasImprimee) continue;
    ExtendedTE te = CreeTexteKaraoke(staff, 1, 0, 0, nullptr, 0, 0, 9999);
    if (!te) continue;
    PrInfo marges;
    AppliqueMargePrintInfo(paroles, int16_t(std::max<int32_t>(NbPages(score) - 1, 0)), pg.info, &marges);
    Rect rect = marges.page;
    const int32_t nb = -ImprimeTexte(doc, te, 9999, 0, &rect, &(*staff)->styleTexte);
    ExtendedTEDispose(te);
    for (int32_t k = 1; k <= nb; k++) {
      const int16_t p = AjoutePage(score, paroles, pg.info, &rect);
      if (p < 0) break;
      Systeme element;
      SetSystemeDefaut(&element);
      element.type = kSystemePageParoles;
      element.numeroPageParoles = int16_t(k);
      element.rectMiseEnPage = rect;
      Handle une = NewHandleClear(sizeof(PorteeSysteme));
      if (!une) break;
      reinterpret_cast<PorteeSysteme*>(*une)->indexPortee = uint16_t(s);
      reinterpret_cast<PorteeSysteme*>(*une)->ligneVide = 1;
      element.portees = une;
      AjouteSysteme(score, p, &element, 0, false);
      DisposeHandle(une);
    }
  }
}

}  // namespace

// ---------------------------------------------------------------- used bars

void CalculeTabMesureUtiliseesPortee(Partition** score, Portee** staff, uint8_t grouping) {
  if (!score || !staff) return;
  const int32_t n = GetNbMesuresTabEltRuban(score);
  Handle& h = (*staff)->usedBars;
  if (!h) h = NewHandleClear(Size(n + 1));
  else if (!RetailleHandle(h, Size(n + 1))) LibereHandle(&h);
  if (!h) return;
  uint8_t* u = reinterpret_cast<uint8_t*>(*h);
  std::memset(u, 0, size_t(n) + 1);
  if (n == 0) return;
  const TabEltMesure* rows = GetLignesTabElt((*score)->tabEltMesure[0]);
  // Bar of a tick, walking on from a bar at or before it.
  auto mesure = [&](int64_t t, int32_t depuis) {
    int32_t b = std::clamp(depuis, 0, n - 1);
    while (b > 0 && int64_t(rows[b].debutTemps) > t) b--;
    while (b + 1 < n && int64_t(rows[b + 1].debutTemps) <= t) b++;
    return b;
  };
  const Portee& p = **staff;
  if (p.notes) {
    const int32_t nb = std::min<int32_t>(p.nbNotes, GetHandleSize(p.notes) / int32_t(sizeof(Signe)));
    int64_t t = 0;
    int32_t b = 0;
    for (int32_t i = 0; i < nb; i++) {
      const Signe& note = reinterpret_cast<const Signe*>(*p.notes)[i];
      const uint8_t kind = uint8_t(note.kind);
      if (kind < 254) {
        b = mesure(t, b);
        const uint8_t v = (kind == 253 && (grouping & 2)) ? kMesureRepetee : kMesureNotes;
        const int32_t b1 = note.duree > 2 ? mesure(t + note.duree - 2, b) : b;
        for (int32_t k = b; k <= b1; k++) u[k] |= v;
      }
      if (!(note.flags & kSigneAccordSuite)) t += note.duree;
    }
  }
  if (p.textes) {
    const int32_t nb = std::min<int32_t>(p.nbTextes, GetHandleSize(p.textes) / int32_t(sizeof(Texte)));
    for (int32_t i = 0; i < nb; i++) {
      const Texte& texte = reinterpret_cast<const Texte*>(*p.textes)[i];
      const int32_t b = mesure(texte.debut, 0);
      bool dollar = false;
      if (texte.texte) {
        int32_t longueur = 0;
        const char* brut = GetTexteBrutTexteStyleAndSize(*texte.texte, GetHandleSize(texte.texte), &longueur);
        dollar = brut && longueur > 0 && brut[0] == '$';
      }
      u[b] |= dollar ? kMesureTexteDollar : kMesureObjet;
    }
  }
  if (p.dynamiques) {
    const int32_t nb = std::min<int32_t>(p.nbDynamiques, GetHandleSize(p.dynamiques) / int32_t(sizeof(Dynamique)));
    for (int32_t i = 0; i < nb; i++)
      u[mesure(reinterpret_cast<const Dynamique*>(*p.dynamiques)[i].debut, 0)] |= kMesureObjet;
  }
  int32_t nbTonalites = 0;
  const EltTabTonalite* tonalites = GetEltsTabTonalite(staff, &nbTonalites);
  // The key in force from the start is no change.
  for (int32_t i = 0; tonalites && i < nbTonalites; i++)
    if (tonalites[i].mesure > 0 && tonalites[i].mesure < n) u[tonalites[i].mesure] |= kMesureObjet;
}

bool IsLignePorteeNonVide(MiseEnPage* setup, Partition** score, int16_t index, int16_t start, int16_t end,
                          bool* emptyLine) {
  bool vide = false;
  if (emptyLine) *emptyLine = false;
  Portee** staff = score ? PorteeN(score, index) : nullptr;
  if (!staff || !setup || start >= end) return false;
  if (!setup->cacherPorteesVides) return true;
  if (setup->montrerPorteesUneFois && !(*staff)->placeeDansSysteme) return true;
  if ((*staff)->jamaisCachee) return true;
  const int32_t fin = FinGroupe(score, index);
  for (int32_t s = index; s <= fin; s++) {
    Portee** p = PorteeN(score, s);
    if (!p || !(*p)->usedBars) continue;
    const int32_t m = GetHandleSize((*p)->usedBars);
    const uint8_t* u = reinterpret_cast<const uint8_t*>(*(*p)->usedBars);
    for (int32_t b = start; b < end && b < m; b++) {
      if (u[b] & ~kMesureTexteDollar) return true;
      if (u[b] & kMesureTexteDollar) vide = true;
    }
  }
  if (emptyLine) *emptyLine = vide;
  return vide;
}

// ---------------------------------------------------------------- pagination

int16_t MetsEnPageDocument(Document* document, MiseEnPage* setup, const PrInfo* printInfo) {
  if (!document || !document->partitionCourante || !setup || !printInfo) return 1;
  Partition** score = document->partitionCourante;
  const int16_t resolution = printInfo->resH > 0 ? printInfo->resH : 72;

  // Kept and restored around the run.
  GrafPtr port = nullptr;
  GetPort(&port);
  const uint8_t vellari = GetModeVellariPrint();
  SetModeVellariPrint(1);
  HParamAffichage affichage = GetParamAffichage(score);
  const int32_t modeEcran = (*score)->modeEcran;
  DisableCalculTabElt(score);
  (*score)->zoom = 72;
  (*score)->echelleEcran = float(resolution) / 72.0f;
  InitPortees(score);

  DisposeMiseEnPagePartition(score);
  Pagineur pg{};
  pg.doc = document;
  pg.score = score;
  pg.setup = setup;
  pg.info = printInfo;
  PrInfo marges;
  AppliqueMargePrintInfo(setup, 0, printInfo, &marges);
  pg.rectPage = marges.page;
  document->echelleCopie = setup->echelle;
  const float ecart =
      setup->echelle < 0.1f ? float(setup->ecartSystemes) : float(setup->ecartSystemes) / setup->echelle;
  pg.ecart = Sature16(int64_t(float(resolution) * ecart / 254.0f));

  (*score)->tabEltMesure[3] = DupHandle((*score)->tabEltMesure[0]);
  (*score)->modeEcran = kModeEcranImpression2;
  const int32_t n = std::min<int32_t>(NbLignes(score), std::max<int32_t>((*score)->nbMesures, 0));
  pg.debut = int16_t(std::max<int32_t>(setup->premiereMesure - 1, 0));
  pg.fin = int16_t(std::max<int32_t>(std::min<int32_t>(setup->derniereMesure, n), pg.debut));
  setup->indexPremiereMesure = pg.debut;
  setup->indexFinMesure = pg.fin;
  pg.entrees = NewHandle(0);
  if (!(*score)->tabEltMesure[3] || !pg.entrees) {
    LibereHandle(&pg.entrees);
    (*score)->modeEcran = modeEcran;
    SetParamAffichage(score, affichage);
    SetModeVellariPrint(vellari);
    EnableCalculTabElt(score);
    SetPort(port);
    return 1;
  }
  {
    TabEltMesure* rows = Lignes(score);
    const int32_t nbLignes = NbLignes(score);
    for (int32_t b = 0; b < nbLignes; b++) {
      const bool dehors = b < pg.debut || b >= pg.fin;
      rows[b].motPagination = dehors ? 1 : 0;
      rows[b].sansLargeur = dehors ? 1 : 0;
      rows[b].largeurRappelFinSysteme = 0;
      if (!dehors) rows[b].marquePagination = rows[b].debutPage = rows[b].debutSysteme = 0;
    }
  }
  for (int16_t s = 0; s < (*score)->nbPortees; s++) {
    Portee** staff = (*score)->portees[s];
    if (staff && (*staff)->type != kTypePorteePisteNumerique)
      CalculeTabMesureUtiliseesPortee(score, staff, setup->regroupement);
  }
  GroupeMesures(pg);
  Handle table = (*score)->tabEltMesure[3];
  CalculePosTempsPixelTabElt(score, setup, table, 0, NbLignes(score), resolution, -1);
  PreservePositionsPartition(score);
  if (setup->cacherPorteesVides && setup->montrerPorteesUneFois)
    for (int16_t s = 0; s < (*score)->nbPortees; s++)
      if ((*score)->portees[s]) (*(*score)->portees[s])->placeeDansSysteme = 0;
  Portee** reference = nullptr;
  for (int16_t s = 0; s < (*score)->nbPortees && !reference; s++)
    if ((*score)->portees[s] && IsPorteeImprimable(setup, (*score)->portees[s])) reference = (*score)->portees[s];
  if (!reference && (*score)->nbPortees > 0) reference = (*score)->portees[0];

  const int32_t epaisseur = kMGEpaisseurLigneSysteme * int32_t(resolution) / 288;
  const int32_t placeNomsPremier = PlaceNoms(score, setup, true), placeNomsSuite = PlaceNoms(score, setup, false);
  int16_t start = pg.debut;
  bool premierSysteme = true;
  while (start < pg.fin) {
    TabEltMesure* rows = Lignes(score);
    rows[start].debutSysteme = 1;
    if (premierSysteme) rows[start].debutPage = 1;
    int32_t retrait = reference ? Zoom(ExtractStaffHeightEvt(reference, 'G', start, start)) : 0;
    if (premierSysteme) retrait += CalculeDecalageXPremierGroupe(setup, 1);
    // Names may stand in the margin, not off the sheet.
    retrait = std::max<int32_t>(retrait, (premierSysteme ? placeNomsPremier : placeNomsSuite) -
                                             (int32_t(pg.rectPage.left) - pg.info->page.left));
    int32_t largeur = int32_t(pg.rectPage.right) - 1 - pg.rectPage.left - retrait;
    if (document->misesEnPage[0].justifier && reference)
      largeur -= Zoom(ExtractStaffHeightEvt(reference, 'D', start, start));
    if (setup->entetesLignes) {
      rows[start].marquePagination = 1;
      CalculePosTempsPixelTabElt(score, setup, table, start, pg.fin, resolution, largeur);
      rows = Lignes(score);
    }

    // The bars that fit, up to a break.
    int16_t end = start;
    int64_t reste = largeur;
    for (int32_t b = start; b < pg.fin; b++) {
      reste -= rows[b].largeurTotale;
      if (reste <= 0) break;
      end = int16_t(b + 1);
      if (rows[b].sautSysteme || rows[b].sautPage) break;
    }
    while (end - start > 1 && rows[end - 1].continueLigneSuivante) end--;
    bool justifie = false;
    if (end == start) {
      end = int16_t(start + 1);
      justifie = true;
    } else {
      justifie = setup->justifier && (end != pg.fin || setup->justifierDernierSysteme);
    }
    if (justifie) CalculeEchelleMesureJustifie(score, start, end, largeur);

    // Courtesy signs before the next system's first bar.
    rows = Lignes(score);
    if (end < pg.fin) {
      const bool change = setup->rappelCleArmure && IsClefTonaliteChangeMesure(score, setup, end);
      if (change || IsRappelMesure(score, setup, end)) {
        const int32_t w =
            1 + (setup->rappelCleArmure ? Lignes(score)[end].largeurCleArmure : Lignes(score)[end].largeurRappel);
        const int64_t naturelle = LargeurNaturelle(score, start, end);
        if (justifie || naturelle + w > largeur) {
          largeur -= w;
          CalculeEchelleMesureJustifie(score, start, end, largeur);
          justifie = true;
        }
        Lignes(score)[end].largeurRappelFinSysteme = w;
      }
    }

    CalculePosTempsPixelTabElt(score, setup, table, start, end, resolution, -1);
    rows = Lignes(score);
    int64_t naturelle = LargeurNaturelle(score, start, end) + epaisseur;
    int32_t largeurSysteme;
    if (justifie) {
      int64_t exces = naturelle - largeur;
      for (int32_t b = end - 1; b >= start && exces > 0; b--) {
        TabEltMesure& r = rows[b];
        if (r.motPagination == 1) continue;
        const int32_t m = int32_t(std::min<int64_t>(exces, std::max(r.largeurMusique, 0)));
        r.largeurMusique -= m;
        exces -= m;
        const int32_t d = int32_t(std::min<int64_t>(exces, std::max(r.largeurMargeDroite, 0)));
        r.largeurMargeDroite -= d;
        exces -= d;
        r.largeurTotale -= m + d;
      }
      for (int32_t b = start + 1; b < end; b++)
        rows[b].debutX = Sature32(int64_t(rows[b - 1].debutX) + rows[b - 1].largeurTotale);
      if (end < NbLignes(score))
        rows[end].debutX = Sature32(int64_t(rows[end - 1].debutX) + rows[end - 1].largeurTotale);
      largeurSysteme = largeur;
    } else {
      largeurSysteme = Sature32(naturelle);
    }
    const bool dernier = end == pg.fin;

    if (NbPages(score) == 0) {
      while (NbPages(score) <= std::max<int32_t>(setup->premierePageMusique, 0))
        if (pg.NouvellePage(setup) < 0) break;
      if (pg.page < 0) break;
      pg.PlaceTitres(start, end);
    }
    pg.DebutSysteme(start, end, retrait);
    pg.systeme.premierSystemePartition = premierSysteme ? 1 : 0;
    pg.systeme.dernierSystemePartition = dernier ? 1 : 0;
    pg.PlacePortees(start, end, retrait, largeurSysteme);
    pg.AjouteSystemeSiPortee(largeurSysteme);
    if (Lignes(score)[end - 1].sautPage && !dernier) pg.NouvellePage(setup);
    premierSysteme = false;
    start = end;
  }
  LibereHandle(&pg.entrees);

  if (setup->repartirSystemes) RepartitSystemes(pg);
  if (setup->pagesParoles) AjoutePagesParoles(pg);
  AjouteEltPiedEtEnteteDocument(score, kSystemeBasDePage, printInfo);
  AjouteEltPiedEtEnteteDocument(score, kSystemeEnTete, printInfo);
  AjouteSystemesObjetsLibresDocument(document, setup, printInfo, &pg.rectPage);

  for (int16_t s = 0; s < (*score)->nbPortees; s++)
    if ((*score)->portees[s]) LibereHandle(&(*(*score)->portees[s])->usedBars);
  RestaurePositionsPartition(score);
  SetParamAffichage(score, affichage);
  (*score)->modeEcran = modeEcran;
  SetModeVellariPrint(vellari);
  SetPort(port);
  InitPortees(score);
  EnableCalculTabElt(score);
  return 1;
}
