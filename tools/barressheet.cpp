// Test sheet of bar lines and dynamics, drawn by the notation code through a
// port over a PDF page: every bar-line kind and the repeat signs, rupture
// texts with their codes, a score line with its ruptures, ending brackets and
// bar numbers, then every dynamic type, hairpins, octave lines, pedal marks,
// typed texts and tempo marks with their reference notes.
// Usage: barressheet OUT.pdf [OUT.png] [SVELLARI.TTF]
#include <cairo.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "SheetTool.h"
#include "layout/ModeGraphique.h"
#include "layout/Zoom.h"
#include "model/CvtTemps.h"
#include "model/Document.h"
#include "model/QRVPOBJ.h"
#include "model/QrvDynamics.h"
#include "model/Ruptures.h"
#include "model/TabEltMesure.h"
#include "notation/BarresMesure.h"
#include "notation/DynamiquesGraf.h"
#include "notation/FormesCorps.h"
#include "platform/Fonts.h"
#include "platform/Memory.h"
#include "platform/QuickDraw.h"
#include "platform/UnicodeText.h"
#include "stafftypes/ServicesTypesPortee.h"
#include "system/Couleurs.h"
#include "system/ResStrings.h"
#include "text/Fontes.h"
#include "text/UTFText.h"

namespace {

constexpr int kDpi = 144;
constexpr int kLargeur = 1500, kHauteur = 2100;

Portee** staff = nullptr;
Partition** score = nullptr;
cairo_t* contexte = nullptr;

void Texte(int16_t x, int16_t y, const char* t) {
  UniChar u[160];
  size_t n = 0;
  for (; t[n] && n < 160; n++) u[n] = UniChar(uint8_t(t[n]));
  UnicodeTextStyle st;
  st.font = FontNumberForName("Liberation Sans");
  st.size = 14;
  cairo_set_source_rgb(contexte, 0, 0, 0.6);
  UnicodeTextDraw(contexte, x, y, u, n, st, 0);
}

// Five staff lines with the bottom one at y.
void Lignes5(int16_t gauche, int16_t droite, int16_t y) {
  const float il = (**staff).interligne;
  for (int l = 0; l < 5; l++)
    TraceLigneHorizontale(staff, gauche, float(y) - float(l) * il, int16_t(droite - gauche),
                          float(GModeGraphique.slot[54]) * kDpi / 288.0f, 0, 1);
}

Rupture Seule(uint32_t kind, const char* text = "") {
  Rupture r{};
  r.barre = kind;
  r.style = TextStyle{20, 0, 12, RGBColor{0, 0, 0}};
  std::strncpy(r.texte, text, sizeof r.texte - 1);
  return r;
}

void Sortes(int16_t y0) {
  Texte(40, y0, "Bar-line kinds 0 to 9 (0, 1 and 9 drawn as the first of a bar), then repeats with four dots");
  const int16_t bas = int16_t(y0 + 110);
  const float il = (**staff).interligne;
  const int16_t haut = int16_t(float(bas) - 4 * il);
  Lignes5(60, 1460, bas);
  for (uint32_t k = 0; k <= 9; k++) {
    const int16_t x = int16_t(100 + k * 120);
    char label[8];
    std::snprintf(label, sizeof label, "%u", k);
    Texte(x, int16_t(y0 + 30), label);
    const Rupture r = Seule(k);
    const int16_t w = GetBarLineWidth(true, score, int32_t(k));
    const Rect rect{haut, x, bas, int16_t(x + (w > 0 ? w : 2))};
    SetForeColor(1);
    AfficheBarLine(staff, &r, haut, bas, false, &rect, true);
  }
  (**staff).quatrePointsRepetition = 1;
  for (uint32_t k : {kBarreDebutRepetition, kBarreFinRepetition}) {
    const int16_t x = int16_t(k == kBarreDebutRepetition ? 1300 : 1380);
    const Rupture r = Seule(k);
    const Rect rect{haut, x, bas, int16_t(x + GetBarLineWidth(true, score, int32_t(k)))};
    AfficheBarLine(staff, &r, haut, bas, false, &rect, true);
  }
  (**staff).quatrePointsRepetition = 0;
}

void TextesRupture(int16_t y0) {
  Texte(40, y0, "Rupture texts: jumps with segno and coda, ending numbers, passes in three languages, a doubled coda");
  const char* textes[] = {"Dal Segno $S Al Coda $C", "Da Capo Al Fine", "To $2$C", "$[$#", "$P$T", "$P$T", "$P$T"};
  const int16_t langues[] = {1, 1, 1, 1, 1, 0, 2};
  int16_t y = int16_t(y0 + 50);
  const int16_t langue = Langue;
  for (int i = 0; i < 7; i++) {
    Rupture r = Seule(kBarreAucune, textes[i]);
    r.passagesVolta[0] = r.passagesVolta[1] = 1;
    r.modePassage = 1;
    r.nbPassages = 1;
    Langue = langues[i];
    MoveTo(int16_t(100 + (i % 2) * 700), y);
    AfficheTexteRupture(nullptr, staff, &r, 72, true, false);
    if (i % 2) y = int16_t(y + 60);
  }
  Langue = langue;
}

void LigneDePartition(int16_t y0) {
  Texte(40, y0,
        "A line of six bars: begin bar, repeats, a first ending (open at its end), segno, Fine, D.S., bar numbers");
  const int16_t bas = int16_t(y0 + 150);
  Portee& p = **staff;
  p.rect = Rect{int16_t(bas - 100), 60, int16_t(bas + 40), 1460};
  p.yHaut = p.rect.top;
  p.decalageLigneBas = 100;
  p.yBarreHaut = int16_t(float(bas) - 4 * p.interligne);
  p.yBarreBas = bas;
  p.reglageNumeroMesure = 1;
  p.intervalleNumeroMesure = 1;
  p.styleNumeroMesure = TextStyle{20, 2, 10, RGBColor{0, 0, 0}};
  p.ligneNumeroMesure = 12;
  Lignes5(60, 1460, bas);
  auto ajoute = [](int16_t bar, uint32_t placement, uint32_t kind, const char* text, uint32_t type) {
    Rupture* r = GetRupture(score, NewRupture(score));
    *r = Seule(kind, text);
    r->mesure = bar;
    r->placement = placement;
    r->type = type;
    r->passagesVolta[0] = 1;
    return r;
  };
  if (GetNbRuptures(score) == 0) {
    ajoute(0, kRupturePlacementDebut, kBarreDebutMusique, "", kRuptureDebutMusique);
    ajoute(1, kRupturePlacementDebut, kBarreDebutRepetition, "", kRuptureDebutRepetition);
    ajoute(1, kRupturePlacementSigne, kBarreAucune, "$S", kRuptureSegno);
    ajoute(2, kRupturePlacementDebut1, kBarreAucune, "$[$#", kRuptureDebutVolta);
    ajoute(3, kRupturePlacementDebut, kBarreFinRepetition, "", kRuptureFinRepetition);
    ajoute(4, kRupturePlacementDebut, kBarreDouble, "", 0);
    ajoute(4, kRupturePlacementFin, kBarreAucune, "Fine", kRuptureFine);
    ajoute(5, kRupturePlacementFin, kBarreFinMusique, "D.S. al Fine", kRuptureDalSegno);
  }
  const int32_t nb = (*score)->nbMesures;
  for (int16_t bar = 0; bar <= nb; bar++) {
    const int16_t x = int16_t(p.rect.left + CvtMesureEnPixelEcranDebutMesure(score, bar));
    const int16_t y = int16_t(p.rect.top + p.decalageLigneBas);
    if (!AfficheRuptures(score, staff, bar, x, y, false, nullptr) && bar > 0 && bar < nb) {
      const Rupture plain = Seule(kBarreFine);
      const Rect r{p.yBarreHaut, x, p.yBarreBas, int16_t(x + 2)};
      SetForeColor(1);
      AfficheBarLine(staff, &plain, p.yBarreHaut, p.yBarreBas, false, &r, true);
    }
    if (bar < nb) AfficheNumeroMesure(staff, x, bar);
  }
  AfficheLignesPartRuptures(staff, nullptr, 0, 0, 0, CvtMesureEnTemps(score, nb));
}

Dynamique Objet(int32_t type, const char* text = "") {
  Dynamique d{};
  d.type = type;
  d.style = TextStyle{20, 2, 12, RGBColor{0, 0, 0}};
  d.taille = 100;
  d.couleurPropre = 1;
  d.couleur = 1;
  std::strncpy(d.texte, text, sizeof d.texte - 1);
  return d;
}

void Dynamiques(int16_t y0) {
  Texte(40, y0, "Dynamic types 3 to 33 in their standard rectangles (16, 20 to 22 drawn apart)");
  int16_t x = 60, y = int16_t(y0 + 30);
  for (int32_t type = 3; type <= 33; type++) {
    if (type >= 18 && type <= 22) continue;
    const Dynamique d = Objet(type);
    Rect r;
    GetRectStdDynamique(staff, &d, &r);
    r = Rect{y, x, int16_t(y + Zoom(r.bottom)), int16_t(x + Zoom(r.right))};
    AfficheDynamique(staff, &d, &r);
    x = int16_t(r.right + 20);
    if (x > 1300) x = 60, y = int16_t(y + 80);
  }
  y = int16_t(y + 100);
  Texte(40, y, "Hairpins, octave lines above and below, typed texts, tempo marks");
  y = int16_t(y + 20);
  Rect r{y, 60, int16_t(y + 30), 400};
  Dynamique d = Objet(kDynCrescendo);
  AfficheDynamique(staff, &d, &r);
  r = Rect{y, 460, int16_t(y + 30), 800};
  d = Objet(kDynDecrescendo);
  AfficheDynamique(staff, &d, &r);
  r = Rect{y, 860, int16_t(y + 30), 1200};
  AfficheDynamiqueCrescendo(&r, 12, 1, 0);
  y = int16_t(y + 70);
  int16_t ox = 60;
  for (int32_t type : {18, 19, 20, 21}) {
    d = Objet(type);
    r = Rect{y, ox, int16_t(y + 40), int16_t(ox + 320)};
    AfficheDynamique(staff, &d, &r);
    ox = int16_t(ox + 350);
  }
  y = int16_t(y + 80);
  const char* textes[] = {"poco $F", "sub. $p", "cresc. $L", "$X"};
  ox = 60;
  for (int i = 0; i < 4; i++) {
    d = Objet(i == 3 ? 33 : 5, textes[i]);
    d.style = TextStyle{20, 2, 14, RGBColor{0, 0, 0}};
    r = Rect{y, ox, int16_t(y + 40), int16_t(ox + 320)};
    AfficheDynamique(staff, &d, &r);
    ox = int16_t(ox + 350);
  }
  y = int16_t(y + 80);
  const struct {
    int32_t unit;
    uint16_t value;
    const char* text;
    uint32_t align;
    uint8_t line;
  } tempos[] = {
      {40320, 96, "Allegro", 0, 0}, {60480, 72, "Andante", 0, 1}, {20160, 0, "", 0, 0}, {80640, 60, "", 2, 1}};
  ox = 60;
  for (const auto& t : tempos) {
    d = Objet(kDynTempo, t.text);
    d.uniteTempo = t.unit;
    d.valeur1 = t.value;
    d.tempoAffiche = 1;
    d.progressif = t.line;
    d.alignementTempo = t.align;
    d.style = TextStyle{20, 1, 12, RGBColor{0, 0, 0}};
    r = Rect{y, ox, int16_t(y + 40), int16_t(ox + 320)};
    AfficheDynamique(staff, &d, &r);
    ox = int16_t(ox + 350);
  }
}

void Feuille(cairo_t* cr) {
  contexte = cr;
  cairo_set_source_rgb(cr, 1, 1, 1);
  cairo_paint(cr);
  Rect bornes{-32767, -32767, 32767, 32767};
  CGrafPtr avant = nullptr;
  GetPort(&avant);
  CGrafPtr port = QDNewCairoPort(cr, &bornes);
  SetPort(port);
  Sortes(40);
  TextesRupture(240);
  LigneDePartition(560);
  Dynamiques(900);
  SetPort(avant);
  DisposePort(port);
}

}  // namespace

int main(int argc, char** argv) {
  if (const int statut = PrepareFeuille(argc, argv, "barressheet")) return statut;
  SetDpiDest(kDpi);
  Document* doc = reinterpret_cast<Document*>(NewPtrClear(Size(sizeof(Document))));
  score = NewPartition(doc);
  GetDefautModeGraphique(&(*score)->modeGraphique);
  GModeGraphique = (*score)->modeGraphique;
  AddEltTabEltMesureRuban(score, 6);
  (*score)->nbMesures = 6;
  UpdateTabEltMesure(score, kTabEltTout);
  staff = NewPortee(score, kTypePorteeStandard);
  Portee& p = **staff;
  p.aspect.tailleUnite = 72;
  p.couleur = 1;
  InitTailleCaracteresSelonFonte(staff);
  for (int16_t l = 0; l <= 4; l++) SetAfficheLignePortee(staff, l, 1);
  EcritFeuille(argc, argv, kLargeur, kHauteur, 0.5, 1.0, [](cairo_t* cr) { Feuille(cr); });
  SupprimePartition(doc, score);
  DisposePtr(reinterpret_cast<Ptr>(doc));
  std::printf("barressheet: %s\n", argv[1]);
  return 0;
}
