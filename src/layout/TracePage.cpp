#include "layout/TracePage.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <vector>

#include "layout/DonneesMiseEnPage.h"
#include "layout/DonneesModeGraphique.h"
#include "layout/ImpressionPartition.h"
#include "layout/ModesEcran.h"
#include "layout/PiedsEntetes.h"
#include "layout/Regle.h"
#include "layout/ServicesMiseEnPage.h"
#include "layout/Titres.h"
#include "layout/TraceObjetsLibres.h"
#include "layout/Zoom.h"
#include "model/CvtTemps.h"
#include "model/Document.h"
#include "model/PartGroups.h"
#include "model/Partition.h"
#include "model/Portee.h"
#include "model/QRVPOBJ.h"
#include "model/QrvText.h"
#include "model/TabEltMesure.h"
#include "model/Tonalite.h"
#include "notation/Accolades.h"
#include "notation/AffichePortee.h"
#include "notation/MultiMesures.h"
#include "notation/TraceLiaisons.h"
#include "platform/Memory.h"
#include "platform/QuickDraw.h"
#include "platform/TextDraw.h"
#include "platform/Trace.h"
#include "stafftypes/PorteeKaraoke.h"
#include "stafftypes/VecteursPortee.h"
#include "system/Icones.h"
#include "system/PortLayer.h"
#include "system/Strings.h"
#include "text/TextBox.h"

namespace {

// The menu button beside a system's ruler band (on screen).
constexpr int16_t kIconeMenuSysteme = 121;

// The font of the large bar numbers.
constexpr int16_t kFonteGrandsNumeros = 21;

int32_t NbPages(Partition** score) {
  return (*score)->pages ? GetHandleSize((*score)->pages) / int32_t(sizeof(Page)) : 0;
}

Page& PageN(Partition** score, int32_t i) { return reinterpret_cast<Page*>(*(*score)->pages)[i]; }

int32_t NbEntrees(const Systeme& s) {
  return s.portees ? GetHandleSize(s.portees) / int32_t(sizeof(PorteeSysteme)) : 0;
}

PorteeSysteme Entree(const Systeme& s, int32_t k) { return reinterpret_cast<const PorteeSysteme*>(*s.portees)[k]; }

Portee** PorteeEntree(Partition** score, const PorteeSysteme& e) {
  return e.indexPortee < (*score)->nbPortees ? (*score)->portees[e.indexPortee] : nullptr;
}

// The large bar numbers of a system: one size for the whole system, the
// largest (from 100, by quarters down to 7) at which every number fits in
// half its bar; each centred in its bar at the system's middle, over a grey
// shadow.
void TraceGrandsNumeros(Partition** score, const Systeme& s, const Rect& r) {
  if (s.finMesure <= s.premiereMesure) return;
  const int32_t origine = CvtMesureEnPixelEcranDebutMesure(score, s.premiereMesure);
  auto x = [&](int32_t b) { return int32_t(r.left) + CvtMesureEnPixelEcranDebutMesure(score, b) - origine; };
  TextFont(kFonteGrandsNumeros);
  TextFace(bold);
  int16_t taille = 100;
  char t[16];
  for (int32_t b = s.premiereMesure; b < s.finMesure; b++) {
    std::snprintf(t, sizeof t, "%d", int(b + 1));
    const int16_t n = int16_t(std::strlen(t));
    TextSize(taille);
    while (TextWidth(t, 0, n) > (x(b + 1) - x(b)) / 2 && taille > 7) {
      taille = int16_t(float(taille) * 0.75f);
      TextSize(taille);
    }
  }
  TextSize(taille);
  FontInfo fi{};
  GetFontInfo(&fi);
  const int32_t y = (int32_t(r.top) + r.bottom + fi.ascent - fi.descent) / 2;
  const RGBColor ombre{0x9090, 0x9090, 0x9090}, couleur{0xC4C4, 0xE0E0, 0xD0D0};
  for (int32_t b = s.premiereMesure; b < s.finMesure; b++) {
    std::snprintf(t, sizeof t, "%d", int(b + 1));
    const int16_t n = int16_t(std::strlen(t));
    const int32_t gauche = (x(b) + x(b + 1) - TextWidth(t, 0, n)) / 2;
    RGBForeColor(&ombre);
    MoveTo(Sature16(int64_t(gauche) + Zoom(3)), Sature16(int64_t(y) + Zoom(3)));
    DrawText(t, 0, n);
    RGBForeColor(&couleur);
    MoveTo(Sature16(gauche), Sature16(y));
    DrawText(t, 0, n);
  }
  ForeColor(blackColor);
  TextFace(0);
}

// What a system shows before its staves: the ruler of the setup's top band
// (on screen only: pages are drawn as printed) and the large bar numbers.
void TraceAvantPortees(Document* doc, const Page& page, const Systeme& s, const Rect& r) {
  Partition** score = doc->partitionCourante;
  if (page.miseEnPage && page.miseEnPage->bandeHautSysteme && !IsModeImpressionPartition(score) &&
      !IsPrintingInProgress()) {
    const Rect bande{r.top, r.left, Sature16(int64_t(r.top) + Zoom(20)), r.right};
    AfficheRegle(doc, &bande, CvtMesureEnTemps(score, s.premiereMesure), CvtMesureEnTemps(score, s.finMesure), &bande,
                 false);
    DrawIconButtonXY(kIconeMenuSysteme, Sature16(int32_t(r.left) - 12), r.top);
  }
  if (doc->grandsNumerosMesure) TraceGrandsNumeros(score, s, r);
}

// A staff's name box: the abbreviation on systems after the first when there
// is one, else the full name; nothing for an empty frame or, on screen, a
// frame outside the clip.
void TraceNomEntree(Partition** score, const Systeme& s, const PorteeSysteme& e, Point offset, bool ecran) {
  Rect cadre = e.rectNom;
  if (EmptyRect(&cadre)) return;
  OffsetRect(&cadre, offset.h, offset.v);
  if (ecran) {
    RgnHandle clip = NewRgn();
    GetClip(clip);
    const bool dedans = RectInRgn(&cadre, clip);
    DisposeRgn(clip);
    if (!dedans) return;
  }
  Portee** staff = PorteeEntree(score, e);
  if (!staff) return;
  const AspectGraphiquePortee& a = (*staff)->aspect;
  const bool abrege = !s.premierSystemePartition && strnlen(a.nomAbrege, sizeof a.nomAbrege) > 0;
  char texte[256];
  std::memcpy(texte, abrege ? a.nomAbrege : a.nom, sizeof texte);
  texte[sizeof texte - 1] = 0;
  const int32_t n = int32_t(std::strlen(texte));
  if (n == 0) return;
  const TextStyle style = abrege ? a.styleNomAbrege : a.styleNom;
  TextBoxStyleZoom(texte, n, &cadre, 0, &style, e.angleNom, 0, 1);
}

// The top line of the first staff and the bottom line of the last one that
// the system shows with its lines.
bool LignesExtremes(Partition** score, const Systeme& s, Point offset, int16_t* haut, int16_t* bas) {
  bool vue = false;
  for (int32_t k = 0; k < NbEntrees(s); k++) {
    const PorteeSysteme e = Entree(s, k);
    Portee** staff = PorteeEntree(score, e);
    if (!staff || e.ligneVide) continue;
    const int16_t y = (*staff)->yEcran, base = (*staff)->decalageLigneBas;
    (*staff)->yEcran = Sature16(int32_t(e.rectDessin.top) + offset.v);
    (*staff)->decalageLigneBas = Sature16(Zoom(e.espaceB));
    int16_t h = 0, b = 0;
    CalculePosLigneDebutEtFinPortee(staff, 0, &h, &b);
    (*staff)->yEcran = y;
    (*staff)->decalageLigneBas = base;
    if (!vue) *haut = h;
    *bas = b;
    vue = true;
  }
  return vue;
}

// What a system shows after its staves: the staves' names, the lines that
// close the system at its left and right, and the part groups.
void TraceApresPortees(Document* doc, const Systeme& s, const Rect& r, Point offset) {
  Partition** score = doc->partitionCourante;
  const bool ecran = !IsModeImpressionPartition(score) && !IsPrintingInProgress();
  for (int32_t k = 0; k < NbEntrees(s); k++) TraceNomEntree(score, s, Entree(s, k), offset, ecran);
  int16_t haut = 0, bas = 0;
  if (NbEntrees(s) > 0 && LignesExtremes(score, s, offset, &haut, &bas)) {
    if (kMGEpaisseurLigneSystemeGauche != 0) {
      FixeEpaisseurCouleur(kMGEpaisseurLigneSystemeGauche, kMGEpaisseurLigneSystemeGauche, 288, 1);
      MoveTo(r.left, haut);
      LineTo(r.left, bas);
    }
    if (kMGEpaisseurLigneSystemeDroite != 0) {
      FixeEpaisseurCouleur(kMGEpaisseurLigneSystemeDroite, kMGEpaisseurLigneSystemeDroite, 288, 1);
      const int16_t x = Sature16(int32_t(r.right) - Zoom(kMGEpaisseurLigneSystemeDroite) / 4);
      MoveTo(x, haut);
      LineTo(x, bas);
    }
    PenNormal();
  }
  Systeme place = s;
  place.rectDessin = r;
  DrawPartGroupSystem(doc, &r, &place);
  PenNormal();
  ForeColor(blackColor);
}

// A page of the lyric text of the element's staff.
void TracePageParoles(Document* doc, const Page& page, const Systeme& element, Point offset) {
  Partition** score = doc->partitionCourante;
  if (!element.portees || GetHandleSize(element.portees) < int32_t(sizeof(PorteeSysteme))) return;
  const uint16_t s = reinterpret_cast<const PorteeSysteme*>(*element.portees)[0].indexPortee;
  Portee** staff = s < (*score)->nbPortees ? (*score)->portees[s] : nullptr;
  if (!staff) return;
  ExtendedTE te = CreeTexteKaraoke(staff, 1, 0, 0, nullptr, 0, 0, 9999);
  if (!te) return;
  Rect r = page.rectsPlacement[2];
  OffsetRect(&r, offset.h, offset.v);
  const TextStyle style = (*staff)->styleTexte;
  ImprimeTexte(doc, te, element.numeroPageParoles, 1, &r, &style);
  ExtendedTEDispose(te);
}

// The selected bars inside the system, tinted behind the first staff of a
// merge group: an on-screen aid, left out of pages drawn as printed. The
// selection runs from its first bar to its end bar (excluded).
void TeinteSelection(Partition** score, const Systeme& element, Portee** staff, const Rect& r) {
  const Document* doc = (*score)->document;
  if (!doc || IsModeImpressionPartition(score) || IsPrintingInProgress() || (*staff)->modeFusion == kFusionMembre)
    return;
  const int32_t debut = std::max<int32_t>(doc->premiereMesureSelection, element.premiereMesure);
  const int32_t fin = std::min<int32_t>({doc->derniereMesureSelection, element.finMesure, (*score)->nbMesures});
  if (debut >= fin) return;
  const int32_t origine = CvtMesureEnPixelEcranDebutMesure(score, element.premiereMesure);
  auto x = [&](int32_t b) { return int64_t(r.left) + CvtMesureEnPixelEcranDebutMesure(score, b) - origine; };
  const Rect teinte{r.top, Sature16(x(debut)), r.bottom, Sature16(x(fin))};
  const RGBColor jaune{0xF900, 0xF700, 0xAB00};
  RGBForeColor(&jaune);
  PaintRect(&teinte);
  ForeColor(blackColor);
}

// An empty line shows only its staff's texts (lyrics, then the others), as
// the staff drawing places them.
void TexteLigneVide(Partition** score, Portee** staff, const Rect& zone, int32_t debut, int32_t fin) {
  const Rect clip{zone.top, (*staff)->rect.left, zone.bottom, (*staff)->rect.right};
  RgnHandle avant = AddRectAuClip(&clip);
  const int32_t visX = CalculeDebutVis(score, debut);
  const int32_t dernier =
      CvtMesureEnTemps(score, CvtTempsEnMesure(score, int32_t(std::max<int64_t>(INT32_MIN, int64_t(fin) - 3))) + 1) - 1;
  AfficheTextesPortee(staff, &clip, visX, debut, dernier, true);
  AfficheTextesPortee(staff, &clip, visX, debut, dernier, false);
  RestaureClip(avant);
  ForeColor(blackColor);
}

// A staff's own placement, put back once its system is drawn.
struct Place {
  Portee** staff;
  Rect rect;
  int16_t yHaut, yBas, yEcran, decalage, barreHaut, barreBas;
};

// A staff's colours while it is drawn: its merged-staff colour when the
// score colours merged staves; put back afterwards.
struct Couleurs {
  Portee** staff;
  int16_t couleur, couleurNotes;
  Couleurs(Partition** score, Portee** s, int32_t index)
      : staff(s), couleur((*s)->couleur), couleurNotes((*s)->couleurNotes) {
    if ((*score)->couleursFusion && (*s)->modeFusion != kFusionAucune)
      (*s)->couleur = (*s)->couleurNotes = CalculeCouleurPorteeFusionnee(index);
  }
  ~Couleurs() {
    (*staff)->couleur = couleur;
    (*staff)->couleurNotes = couleurNotes;
  }
  Couleurs(const Couleurs&) = delete;
  Couleurs& operator=(const Couleurs&) = delete;
};

// A staff merged into the line of another takes that staff's sizes for the
// system; those the entry does not set are put back once the system is done.
struct Membre {
  Portee** staff;
  int16_t barreOrigine;
  float interligne;
  explicit Membre(Portee** s) : staff(s), barreOrigine((*s)->yBarreOrigine), interligne((*s)->interligne) {}
  void Restaure() const {
    if (!staff || !*staff) return;
    (*staff)->yBarreOrigine = barreOrigine;
    (*staff)->interligne = interligne;
  }
};

// The staff entries of a music system: each staff drawn in the entry's frame
// over the system's bars. Every staff keeps its page place until the system
// is done (links waiting for the post-pass join notes of several staves, and
// the part groups stand beside the staves as placed); `places` gets what to
// put back.
void TracePorteesSysteme(Partition** score, const Systeme& element, Point offset, std::vector<Place>& places) {
  const int32_t debut = CvtMesureEnTemps(score, element.premiereMesure);
  const int32_t fin = CvtMesureEnTemps(score, element.finMesure);
  std::vector<Membre> membres;
  Portee** tete = nullptr;  // the first staff of the line being drawn
  int32_t indexTete = 0;
  // Entries are read by index: drawing may move the system's memory.
  for (int32_t k = 0;; k++) {
    const int32_t n = element.portees ? GetHandleSize(element.portees) / int32_t(sizeof(PorteeSysteme)) : 0;
    if (k >= n) break;
    const PorteeSysteme entree = reinterpret_cast<const PorteeSysteme*>(*element.portees)[k];
    if (entree.indexPortee >= (*score)->nbPortees || !(*score)->portees) continue;
    Portee** staff = (*score)->portees[entree.indexPortee];
    if (!staff || !*staff) continue;
    Portee& p = **staff;
    places.push_back(Place{staff, p.rect, p.yHaut, p.yBas, p.yEcran, p.decalageLigneBas, p.yBarreHaut, p.yBarreBas});
    Rect r = entree.rectDessin;
    OffsetRect(&r, offset.h, offset.v);
    p.rect = r;
    p.yHaut = p.yEcran = r.top;
    p.yBas = r.bottom;
    p.decalageLigneBas = int16_t(std::min<int32_t>(Zoom(entree.espaceB), INT16_MAX));
    p.yBarreHaut = CalculePosLigneEcranBarreMesure(staff, 1);
    (*staff)->yBarreBas = CalculePosLigneEcranBarreMesure(staff, 2);
    // Notes far above or below the staff (ledger lines) stay in view.
    const Rect zone{-16384, r.left, 16384, r.right};
    TeinteSelection(score, element, staff, r);
    if (entree.ligneVide) {
      TexteLigneVide(score, staff, zone, debut, fin);
    } else if (!entree.debutLigne && tete && tete != staff) {
      // A staff merged into the line: its notes on the first staff's lines.
      membres.emplace_back(staff);
      const Couleurs couleurs(score, staff, entree.indexPortee);
      AppliquePorteeFusionne(tete, staff);
      AfficheNotesPortee(staff, &zone, debut, fin, uint16_t(element.premiereMesure), 1, 1, 0);
    } else if ((*staff)->modeFusion == kFusionMaitre) {
      const Couleurs couleurs(score, staff, entree.indexPortee);
      AffichePorteeSansNotes(staff, &zone, debut, fin, uint16_t(element.premiereMesure), 1, 1, 0, 0);
    } else {
      const Couleurs couleurs(score, staff, entree.indexPortee);
      AffichePorteeBrut(staff, &zone, debut, fin, uint16_t(element.premiereMesure), 1, 1, 0, 0, 0);
    }
    if (entree.debutLigne || !tete) {
      tete = staff;
      indexTete = entree.indexPortee;
      if (!entree.ligneVide) TraceMultiMesuresPortee(staff, debut, fin, r.left);
    }
    // At the end of a line, the notes of a first staff drawn without them.
    if (!entree.partageLigneSuivante && tete && !entree.ligneVide && (*tete)->modeFusion == kFusionMaitre) {
      const Couleurs couleurs(score, tete, indexTete);
      AfficheNotesPortee(tete, &zone, debut, fin, uint16_t(element.premiereMesure), 1, 1, 0);
    }
  }
  TraceLiaisonPostTraitement(score);
  for (auto it = membres.rbegin(); it != membres.rend(); ++it) it->Restaure();
}

// The courtesy signs after a system whose end bar has a courtesy width: each
// staff's lines run on over an area of that width past the system's right
// edge, and a staff whose key table has an entry at that bar shows the bar's
// change signs there (its clef change only when the setup asks for courtesy
// clefs). The bar pass draws them as a bar that opens no line, without its
// number, its bar line or what stands before its header (all outside the
// area).
void TraceRappelsFinSysteme(Partition** score, const MiseEnPage* setup, const Systeme& element, Point offset) {
  Handle table = GetTabEltMesureEcran(score);
  const int16_t bar = element.finMesure;
  if (!table || bar < 0 || bar >= GetNbLignesTabElt(table) || bar >= (*score)->nbMesures) return;
  const int32_t largeur = GetLignesTabElt(table)[bar].largeurRappelFinSysteme;
  if (largeur <= 0) return;
  const int32_t tick = CvtMesureEnTemps(score, bar);
  const int32_t gauche = int32_t(element.rectDessin.right) + offset.h;
  const int32_t n = NbEntrees(element);
  for (int32_t k = 0; k < n && k < NbEntrees(element); k++) {
    const PorteeSysteme entree = Entree(element, k);
    Portee** staff = PorteeEntree(score, entree);
    if (!staff || !*staff || entree.ligneVide || (*staff)->modeFusion == kFusionMembre) continue;
    const Rect aire{Sature16(int32_t(entree.rectDessin.top) + offset.v), Sature16(gauche),
                    Sature16(int32_t(entree.rectDessin.bottom) + offset.v), Sature16(int64_t(gauche) + largeur)};
    const VecteursPortee v = (*staff)->vecteurs;
    if (v.vect_trace_fond_portee) v.vect_trace_fond_portee(staff, &aire, aire.left, &aire, tick, 0);
    const int16_t indice = CvtNumMesureEnIndxTabTonalite(staff, bar);
    if (indice < 0 || !v.vect_trace_barre_mesure) continue;
    RgnHandle clip = AddRectAuClip(&aire);
    TabEltMesure& rang = GetLignesTabElt(table)[bar];
    const uint8_t marque = rang.marquePagination;
    const int32_t avant = rang.largeurRupture;
    rang.marquePagination = 0;
    int32_t nbElts = 0;
    EltTabTonalite* elts = GetEltsTabTonalite(staff, &nbElts);
    const uint32_t visible = elts[indice].visible;
    if (!setup || !setup->rappelCleArmure) elts[indice].visible &= ~uint32_t(kVisibleClef);
    const uint32_t numero = (*staff)->flagNumeroMesure;
    (*staff)->flagNumeroMesure = 0;
    v.vect_trace_barre_mesure(staff, bar, Sature16(int64_t(aire.left) - avant), aire.top, 0, 0);
    (*staff)->flagNumeroMesure = numero;
    elts = GetEltsTabTonalite(staff, &nbElts);
    if (indice < nbElts) elts[indice].visible = visible;
    GetLignesTabElt(table)[bar].marquePagination = marque;
    RestaureClip(clip);
  }
  ForeColor(blackColor);
  PenNormal();
}

void RestaurePlaces(const std::vector<Place>& places) {
  for (auto it = places.rbegin(); it != places.rend(); ++it) {
    if (!it->staff || !*it->staff) continue;
    Portee& q = **it->staff;
    q.rect = it->rect;
    q.yHaut = it->yHaut;
    q.yBas = it->yBas;
    q.yEcran = it->yEcran;
    q.decalageLigneBas = it->decalage;
    q.yBarreHaut = it->barreHaut;
    q.yBarreBas = it->barreBas;
  }
}

// One element of a page, drawn in its frame moved by the page's offset.
void TraceElement(Document* doc, int32_t pageIndex, const Systeme& element, Point offset, int16_t pageNumber,
                  int16_t pageCount) {
  Partition** score = doc->partitionCourante;
  Rect r = element.rectDessin;
  OffsetRect(&r, offset.h, offset.v);
  switch (element.type) {
    case kSystemeMusique: {
      PenSizeZoom(kMGEpaisseurTraitFin, kMGEpaisseurTraitFin, 288);
      TraceAvantPortees(doc, PageN(score, pageIndex), element, r);
      std::vector<Place> places;
      TracePorteesSysteme(score, element, offset, places);
      TraceRappelsFinSysteme(score, PageN(score, pageIndex).miseEnPage, element, offset);
      TraceApresPortees(doc, element, r, offset);
      RestaurePlaces(places);
      break;
    }
    case kSystemeTitre:
    case kSystemeCompositeur:
    case kSystemeRemarques: TraceChaineTitre(true, &r, r.top, &doc->titres[element.type - kSystemeTitre], &r); break;
    case kSystemePageParoles: TracePageParoles(doc, PageN(score, pageIndex), element, offset); break;
    case kSystemeEnTete:
    case kSystemeBasDePage: {
      const MiseEnPage* setup = PageN(score, pageIndex).miseEnPage;
      if (!setup) break;
      const BlocEnteteMiseEnPage& bloc = element.type == kSystemeEnTete ? setup->enTete : setup->basDePage;
      const int16_t base = doc->misesEnPage[0].premierePageMusique;
      DoTraceElementPiedDePageEtEntete(doc, &bloc, base, pageNumber, pageCount, pageNumber, pageCount, &r);
      break;
    }
    case kSystemeObjetLibre: {
      const Page& p = PageN(score, pageIndex);
      Rect page = p.rectsPlacement[2];
      OffsetRect(&page, offset.h, offset.v);
      TraceSystemeObjetLibre(doc, int16_t(pageIndex), p.miseEnPage, &page, &element, offset);
      break;
    }
    default: break;
  }
}

// The layout check: every element's frame in blue, its staff entries' in red.
void TraceCadres(const Systeme& element, Point offset) {
  PenNormal();
  ForeColor(blueColor);
  Rect r = element.rectDessin;
  OffsetRect(&r, offset.h, offset.v);
  FrameRect(&r);
  const int32_t n = element.portees ? GetHandleSize(element.portees) / int32_t(sizeof(PorteeSysteme)) : 0;
  ForeColor(redColor);
  for (int32_t k = 0; k < n; k++) {
    Rect e = reinterpret_cast<const PorteeSysteme*>(*element.portees)[k].rectDessin;
    OffsetRect(&e, offset.h, offset.v);
    FrameRect(&e);
  }
  ForeColor(blackColor);
}

}  // namespace

int16_t TracePageDocument(Document* document, int16_t page, float, int16_t pageNumber, int16_t pageCount) {
  Partition** score = document ? document->partitionCourante : nullptr;
  if (!score) return 0;
  UpdateTabEltMesure(score, kTabEltEspacement | kTabEltMarges | kTabEltTemps);
  const int32_t n = NbPages(score);
  const int16_t suite = page < n ? int16_t(page + 1) : int16_t(-n);
  if (page < 1 || page > n) return int16_t(-n);

  const uint8_t dessinPage = (*score)->dessinPageEnCours;
  (*score)->dessinPageEnCours = 1;
  if (IsModeImpressionPartition(score))
    for (int32_t i = 0; i < n; i++) PageN(score, i).imprimeeMaintenant = i == page - 1 ? 1 : 0;
  document->echelleCopie = document->misesEnPage[0].echelle;
  // Nothing is recomputed while a page is drawn: a new layout would free the
  // pages and systems being drawn.
  const uint16_t masque = (*score)->masqueModifieTabElt;
  (*score)->masqueModifieTabElt = 0;
  DisableCalculTabElt(score);
  Point offset{0, 0};
  GetOffsetDebutPageSurEcran(document, int16_t(page - 1), &offset);

  // Elements are read by index: drawing may move the page's memory.
  for (int32_t i = 0;; i++) {
    const Page& p = PageN(score, page - 1);
    const int32_t nb = p.systemes ? GetHandleSize(p.systemes) / int32_t(sizeof(Systeme)) : 0;
    if (i >= nb) break;
    const Systeme element = reinterpret_cast<const Systeme*>(*p.systemes)[i];
    TraceElement(document, page - 1, element, offset, pageNumber, pageCount);
  }
  if (CadresPageEnabled()) {
    const Page& p = PageN(score, page - 1);
    const int32_t nb = p.systemes ? GetHandleSize(p.systemes) / int32_t(sizeof(Systeme)) : 0;
    for (int32_t i = 0; i < nb; i++) TraceCadres(reinterpret_cast<const Systeme*>(*p.systemes)[i], offset);
  }

  EnableCalculTabElt(score);
  (*score)->masqueModifieTabElt = masque;
  (*score)->dessinPageEnCours = dessinPage;
  PenNormal();
  return suite;
}
