// Test sheet of slurs, ties and beam links drawn with the notes: slurs above
// and below in their styles, a slur that reads as a tie, a slur cut at a line
// start, a slur and a beam link from one staff to the next (drawn after both
// staves), a beam-link chain with two beams then one.
// Usage: liaisonsheet OUT.pdf [OUT.png] [SVELLARI.TTF]
#include <cairo.h>

#include <cstdio>
#include <string>
#include <vector>

#include "SheetNotes.h"
#include "SheetTool.h"
#include "layout/ModeGraphique.h"
#include "layout/Zoom.h"
#include "model/CvtTemps.h"
#include "model/Document.h"
#include "model/ParamEffet.h"
#include "model/QRVPOBJ.h"
#include "model/QrvLiaison.h"
#include "model/Signe.h"
#include "model/TabEltMesure.h"
#include "notation/Alterations.h"
#include "notation/FormesCorps.h"
#include "notation/NotesPortee.h"
#include "notation/QrvLiaisonCoule.h"
#include "notation/SCleGraf.h"
#include "notation/TraceLiaisons.h"
#include "notation/ValeursNotes.h"
#include "platform/Fonts.h"
#include "platform/Memory.h"
#include "platform/QuickDraw.h"
#include "platform/UnicodeText.h"
#include "stafftypes/ServicesTypesPortee.h"
#include "text/Fontes.h"
#include "text/UTFText.h"

namespace {

constexpr int kDpi = 72;
constexpr int kLargeur = 750, kHauteur = 620;
constexpr int32_t kNoire = 40320;

constexpr int32_t kGauche = 40;

Portee** NouvelleLigne(Partition** score, const Ligne& l, int16_t y0) {
  Texte(20, y0, l.titre);
  Portee** staff = NewPortee(score, kTypePorteeStandard);
  Portee& p = **staff;
  p.aspect.tailleUnite = 72;
  InitTailleCaracteresSelonFonte(staff);
  p.extensionLigneSup = 2;
  p.espaceCrochets = 4;
  p.penteMaxBarre = 50;
  p.longueurBarrePartielle = 8;
  p.epaisseurBarre = 12;
  p.ecartBarre = 6;
  p.vecteurs.vect_Note2Ecr = NoteEnY;
  const int16_t bas = int16_t(y0 + 70);
  p.rect = Rect{int16_t(bas - 100), 0, int16_t(bas + 60), 1500};
  p.decalageLigneBas = 100;
  const int32_t gauche = kGauche, droite = gauche + CvtTempsEnPixelEcran(score, 4 * 161280) + 10;
  for (int k = 0; k < 5; k++)
    TraceLigneHorizontale(staff, int16_t(gauche), float(bas) - float(k) * p.interligne, int16_t(droite - gauche),
                          float(GModeGraphique.slot[54]) * kDpi / 288.0f, 0, 1);
  for (int b = 0; b <= 4; b++) {
    const int16_t xb = int16_t(gauche + (b < 4 ? CvtMesureEnPixelEcranDebutMesure(score, b) : droite - gauche));
    MoveTo(xb, int16_t(bas - 4 * p.interligne));
    LineTo(xb, bas);
  }
  for (const auto& a : l.accords) Ajoute(staff, a);
  return staff;
}

void TraceNotesLigne(Partition** score, Portee** staff) {
  const int32_t gauche = kGauche;
  int32_t n;
  Signe* s = GetSignesPortee(staff, &n);
  int32_t i = 0;
  while (i < n) {
    const int32_t t = CvtIndexNoteEnTemps(staff, i);
    s = GetSignesPortee(staff, &n);
    const int16_t b = CvtTempsEnMesure(score, t);
    const uint16_t xRef = uint16_t(gauche + CvtMesureEnPixelEcran(score, b));
    const int32_t suivant =
        TraceNotes(staff, int16_t(gauche + CvtTempsEnPixelEcran(score, t)), xRef, s, i, n, b, 1, -1, 1, 0, nullptr);
    i = suivant > i ? suivant : i + 1;
  }
}

// A link of a kind from note i of one staff to note j of another (or the
// same), with a style and side for slurs.
void Lie(Portee** a, int32_t i, Portee** b, int32_t j, int16_t kind, int32_t style = 0, uint32_t mode = 1) {
  SetLiaison(a, i, b, j, kind);
  if (kind != kLiaisonCoule) return;
  ParamEffet* e = GetParamEffetIndexNote(a, i);
  if (!e) return;
  SetChampFormeLiaison(&e->liaison, kFormeLiaisonStyle, style, 4);
  e->liaison.formeType = mode;
}

void Feuille(cairo_t* cr, Partition** score) {
  contexte = cr;
  cairo_set_source_rgb(cr, 1, 1, 1);
  cairo_paint(cr);
  Rect bornes{-32767, -32767, 32767, 32767};
  CGrafPtr avant = nullptr;
  GetPort(&avant);
  CGrafPtr port = QDNewCairoPort(cr, &bornes);
  SetPort(port);
  constexpr uint16_t D = kSigneQueueEnBas;
  const int32_t c = kNoire / 2, dc = kNoire / 4;
  const Ligne lignes[] = {
      {"Slurs below stem-up notes and above stem-down notes; dotted, bracket, wavy and straight styles",
       {{{64}, kNoire, 0, 0},
        {{67}, kNoire, 0, 0},
        {{72}, kNoire, D, 0},
        {{76}, kNoire, D, 0},
        {{65}, kNoire, 0, 0},
        {{69}, kNoire, 0, 0},
        {{71}, kNoire, 0, 0},
        {{67}, kNoire, 0, 0},
        {{64}, kNoire, 0, 0},
        {{67}, kNoire, 0, 0},
        {{64}, kNoire, 0, 0},
        {{67}, kNoire, 0, 0},
        {{64}, kNoire, 0, 0},
        {{67}, kNoire, 0, 0},
        {{72}, kNoire, D, 0},
        {{71}, kNoire, D, 0}}},
      {"A slur that reads as a tie (same pitch, adjacent); a long slur cut where bar 3 starts a new line",
       {{{67}, kNoire, 0, 0},
        {{67}, kNoire, 0, 0},
        {{-1}, 2 * kNoire, 0, 0},
        {{72}, kNoire, D, 0},
        {{71}, kNoire, D, 0},
        {{69}, kNoire, D, 0},
        {{67}, kNoire, 0, 0},
        {{65}, 4 * kNoire, 0, 0},
        {{64}, 2 * kNoire, 0, 0},
        {{-1}, 2 * kNoire, 0, 0}}},
      {"Upper staff: a slur down to the lower staff, and a beam link across both staves",
       {{{72}, kNoire, D, 0},
        {{-1}, kNoire, 0, 0},
        {{74}, c, D, 0},
        {{-1}, c, 0, 0},
        {{-1}, 2 * kNoire, 0, 0},
        {{76}, c, D, 0},
        {{-1}, c + 3 * kNoire, 0, 0},
        {{-1}, 8 * kNoire, 0, 0}}},
      {"Lower staff: the slur's end; the linked eighths; a chain: two beams, then one",
       {{{-1}, kNoire, 0, 0},
        {{60}, kNoire, 0, 0},
        {{-1}, c, 0, 0},
        {{62}, c, 0, 0},
        {{-1}, 2 * kNoire, 0, 0},
        {{-1}, c, 0, 0},
        {{64}, c, 0, 0},
        {{-1}, 3 * kNoire, 0, 0},
        {{67}, dc, 0, 0},
        {{71}, dc, 0, 0},
        {{74}, c, 0, 0},
        {{-1}, 3 * kNoire, 0, 0},
        {{-1}, 4 * kNoire, 0, 0}}},
  };
  Portee** p[4];
  int16_t y = 20;
  for (int k = 0; k < 4; k++) {
    TextFontMusicale(nullptr, 72);
    p[k] = NouvelleLigne(score, lignes[k], y);
    y = int16_t(y + 150);
  }
  // Line 1: slurs in their styles and sides.
  Lie(p[0], 0, p[0], 1, kLiaisonCoule);
  Lie(p[0], 2, p[0], 3, kLiaisonCoule);
  Lie(p[0], 4, p[0], 7, kLiaisonCoule, 4);
  Lie(p[0], 8, p[0], 9, kLiaisonCoule, 1);
  Lie(p[0], 10, p[0], 11, kLiaisonCoule, 3);
  Lie(p[0], 12, p[0], 13, kLiaisonCoule, 5);
  Lie(p[0], 14, p[0], 15, kLiaisonCoule, 6);
  // Line 2: a tie-like slur and a slur over a line start.
  Lie(p[1], 0, p[1], 1, kLiaisonCoule, 0, 2);
  Lie(p[1], 3, p[1], 8, kLiaisonCoule);
  GetLignesTabElt(GetTabEltMesureEcran(score))[3].debutSysteme = 1;
  // Lines 3 and 4: across staves.
  Lie(p[2], 0, p[3], 1, kLiaisonCoule);
  Lie(p[2], 2, p[3], 3, kLiaisonAccroche);
  Lie(p[3], 3, p[2], 5, kLiaisonAccroche);
  Lie(p[2], 5, p[3], 6, kLiaisonAccroche);
  Lie(p[3], 8, p[3], 9, kLiaisonAccroche);
  Lie(p[3], 9, p[3], 10, kLiaisonAccroche);
  if (ParamEffet* e = GetParamEffetIndexNote(p[3], 8)) e->accroche.forme[1] = e->accroche.forme[2] = 2;
  for (int k = 0; k < 4; k++) {
    TextFontMusicale(nullptr, 72);
    TraceNotesLigne(score, p[k]);
  }
  TraceLiaisonPostTraitement(score);
  SetPort(avant);
  DisposePort(port);
}

}  // namespace

int main(int argc, char** argv) {
  if (const int statut = PrepareFeuille(argc, argv, "liaisonsheet")) return statut;
  GetDefautModeGraphique(&GModeGraphique);
  SetDpiDest(kDpi);
  auto feuille = [&](cairo_t* cr) {
    OublieLiaisonCouleDefaut();
    Document* doc = reinterpret_cast<Document*>(NewPtrClear(Size(sizeof(Document))));
    Partition** score = NewPartition(doc);
    AddEltTabEltMesureRuban(score, 4);
    (*score)->nbMesures = 4;
    UpdateTabEltMesure(score, kTabEltTout);
    Feuille(cr, score);
    SupprimePartition(doc, score);
    DisposePtr(reinterpret_cast<Ptr>(doc));
  };
  EcritFeuille(argc, argv, kLargeur, kHauteur, 1.0, 2.0, feuille);
  std::printf("liaisonsheet: %s\n", argv[1]);
  return 0;
}
