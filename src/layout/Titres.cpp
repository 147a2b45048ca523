#include "layout/Titres.h"

#include <cstring>

#include "layout/DonneesMiseEnPage.h"
#include "layout/MiseEnPage.h"
#include "layout/Zoom.h"
#include "model/PartGroups.h"
#include "model/Partition.h"
#include "model/Portee.h"
#include "model/StrTitre.h"
#include "platform/Memory.h"
#include "system/Strings.h"
#include "text/TextBox.h"

namespace {

int32_t Longueur(const StrTitre* title) { return int32_t(strnlen(title->texte, sizeof title->texte)); }

// The text box justification of a title's byte: left, right or centred.
int16_t Justification(uint8_t flag) { return flag == 0 ? 0 : (flag == 255 ? -1 : 1); }

// The title's position pair for a setup: the second for a setup of kind 1.
void Position(const MiseEnPage* setup, const StrTitre* title, int32_t* x, int32_t* y) {
  const int i = setup && setup->type == 1 ? 2 : 0;
  *x = title->positions[i];
  *y = title->positions[i + 1];
}

}  // namespace

void TraceChaineTitre(bool draw, const Rect* area, int16_t top, const StrTitre* title, Rect* rect) {
  if (!area || !title || !rect) return;
  const int32_t n = Longueur(title);
  if (draw) {
    // Drawn as measured, unwrapped: the frame is the text's own size, which
    // rounding at another resolution may make a shade too narrow to wrap in.
    TextBoxStyleZoom(title->texte, n, rect, Justification(title->flag), &title->style, title->positions[4], 0, 1);
    return;
  }
  uint16_t largeur = 0, hauteur = 0;
  TextBoxStyleSize(title->texte, n, &title->style, &largeur, &hauteur, 1);
  rect->top = top;
  rect->bottom = Sature16(int32_t(top) + hauteur);
  int32_t gauche;
  if (title->flag == 0) gauche = area->left;
  else if (title->flag == 255) gauche = int32_t(area->right) - largeur;
  else gauche = (int32_t(area->left) + area->right - largeur) / 2;
  rect->left = Sature16(gauche);
  rect->right = Sature16(gauche + largeur);
}

int32_t GetPosBasTitre(MiseEnPage* setup, const StrTitre* title) {
  if (!title) return 0;
  const Rect aire{0, 0, 32000, 32000};
  Rect r{};
  TraceChaineTitre(false, &aire, 0, title, &r);
  int32_t x, y;
  Position(setup, title, &x, &y);
  return y + CvtPixelEnPosDixiemeMM(setup, int32_t(r.bottom) - r.top);
}

int16_t TraiteStrTitreDocument(Partition** score, MiseEnPage* setup, const Rect* pageRect, const StrTitre* title,
                               uint32_t kind) {
  if (!score || !pageRect) return 0;
  if (!title || title->texte[0] == 0) return pageRect->top;
  Rect r{};
  TraceChaineTitre(false, pageRect, pageRect->top, title, &r);
  int32_t x, y;
  Position(setup, title, &x, &y);
  const int32_t dx = CvtPosDixiemeMMEnPixel(setup, x), dy = CvtPosDixiemeMMEnPixel(setup, y);
  r.left = Sature16(int32_t(r.left) + dx);
  r.right = Sature16(int32_t(r.right) + dx);
  r.top = Sature16(int32_t(r.top) + dy);
  r.bottom = Sature16(int32_t(r.bottom) + dy);
  const int32_t pages = (*score)->pages ? GetHandleSize((*score)->pages) / int32_t(sizeof(Page)) : 0;
  int32_t page = setup ? setup->premierePageMusique : 0;
  if (page < 0) page = 0;
  if (page >= pages) return pageRect->top;
  Systeme element;
  SetSystemeDefaut(&element);
  element.type = kind;
  element.rectMiseEnPage = r;
  element.angleTexte = title->positions[4];
  AjouteSysteme(score, int16_t(page), &element, 0, false);
  return r.bottom;
}

namespace {

int32_t LongueurNom(const char* t, size_t taille) { return int32_t(strnlen(t, taille)); }

}  // namespace

int16_t CalculeAireNomPorteeModePage(Portee** staff, const Systeme* system, int16_t x, int16_t justification,
                                     Rect* rect) {
  if (!rect) return 0;
  *rect = Rect{0, 0, 0, 0};
  if (!staff) return 0;
  const AspectGraphiquePortee& a = (*staff)->aspect;
  if (a.nomsCaches || LongueurNom(a.nom, sizeof a.nom) == 0) return 0;
  const bool complet =
      (system && system->premierSystemePartition) || !system || LongueurNom(a.nomAbrege, sizeof a.nomAbrege) == 0;
  // Copies: measuring may move the staff's memory.
  char texte[256];
  std::memcpy(texte, complet ? a.nom : a.nomAbrege, sizeof texte);
  texte[sizeof texte - 1] = 0;
  const TextStyle style = complet ? a.styleNom : a.styleNomAbrege;
  const int16_t dx = complet ? a.valeursNom[0] : a.valeursNomAbrege[0];
  const int16_t dy = complet ? a.valeursNom[1] : a.valeursNomAbrege[1];
  uint16_t largeur = 0, hauteur = 0;
  TextBoxStyleSize(texte, LongueurNom(texte, sizeof texte), &style, &largeur, &hauteur, 1);
  int32_t gauche = justification == -1 ? x : justification == 0 ? x - largeur : x - largeur / 2;
  int16_t haut = 0, bas = 0;
  CalculePosLigneDebutEtFinPortee(staff, 0, &haut, &bas);
  int32_t dessus = (int32_t(haut) + bas) / 2 - hauteur / 2;
  gauche += Zoom(dx);
  dessus += Zoom(dy);
  *rect = Rect{Sature16(dessus), Sature16(gauche), Sature16(int64_t(dessus) + hauteur),
               Sature16(int64_t(gauche) + largeur)};
  return 0;
}

void AjustePositionNomPorteeModePage(Portee** staff) {
  if (!staff) return;
  AspectGraphiquePortee a = (*staff)->aspect;
  uint16_t largeur = 0, hauteur = 0;
  TextBoxStyleSize(a.nom, LongueurNom(a.nom, sizeof a.nom), &a.styleNom, &largeur, &hauteur, 1);
  const int16_t x = Sature16(int32_t(a.valeursNom[0]) + largeur);
  TextBoxStyleSize(a.nomAbrege, LongueurNom(a.nomAbrege, sizeof a.nomAbrege), &a.styleNomAbrege, &largeur, &hauteur, 1);
  AspectGraphiquePortee& b = (*staff)->aspect;
  b.valeursNom[0] = x;
  b.valeursNomAbrege[0] = Sature16(int32_t(a.valeursNomAbrege[0]) + largeur);
  b.valeursNomAbrege[1] = Sature16(int32_t(a.valeursNomAbrege[1]) + hauteur - 4);
}
