// Test sheet of notes walked along staves by the note walk: chords with
// seconds and accidentals, dots, lone flags up and down, beamed groups
// (flat, sloped, mixed values, 32nds), ties over bar lines, triplets with
// brackets and numbers, rests and ledger lines.
// Usage: notesheet OUT.pdf [OUT.png] [SVELLARI.TTF]
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
#include "model/QRVPOBJ.h"
#include "model/Signe.h"
#include "model/TabEltMesure.h"
#include "notation/Alterations.h"
#include "notation/FormesCorps.h"
#include "notation/NotesPortee.h"
#include "notation/SCleGraf.h"
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

void TraceLigne(Partition** score, const Ligne& l, int16_t y0) {
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
  const int32_t gauche = 40, droite = gauche + CvtTempsEnPixelEcran(score, 4 * 161280) + 10;
  for (int k = 0; k < 5; k++)
    TraceLigneHorizontale(staff, int16_t(gauche), float(bas) - float(k) * p.interligne, int16_t(droite - gauche),
                          float(GModeGraphique.slot[54]) * kDpi / 288.0f, 0, 1);
  for (int b = 0; b <= 4; b++) {
    const int16_t xb = int16_t(gauche + (b < 4 ? CvtMesureEnPixelEcranDebutMesure(score, b) : droite - gauche));
    MoveTo(xb, int16_t(bas - 4 * p.interligne));
    LineTo(xb, bas);
  }
  for (const auto& a : l.accords) Ajoute(staff, a);
  int32_t n;
  Signe* s = GetSignesPortee(staff, &n);
  int32_t i = 0;
  while (i < n) {
    const int32_t t = CvtIndexNoteEnTemps(staff, i);
    s = GetSignesPortee(staff, &n);
    const int32_t suivant = TraceNotes(staff, int16_t(gauche + CvtTempsEnPixelEcran(score, t)), kXRefAucun, s, i, n,
                                       CvtTempsEnMesure(score, t), 1, -1, 1, 0, nullptr);
    i = suivant > i ? suivant : i + 1;
  }
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
  constexpr uint16_t A = kSigneAccroche, D = kSigneQueueEnBas;
  const int32_t c = kNoire / 2, dc = kNoire / 4, tc = kNoire / 8, t3 = kNoire / 3;
  const uint16_t tri = kDivisionTriolet | kTupletCrochet;
  const Ligne lignes[] = {
      {"Lone stems: quarter, eighth to 128th up, then down; whole, half; rests",
       {{{67}, kNoire, 0, 0},
        {{67}, c, 0, 0},
        {{67}, dc, 0, 0},
        {{67}, tc, 0, 0},
        {{67}, tc / 2, 0, 0},
        {{67}, tc / 4, 0, 0},
        {{-1}, c + tc / 2 + tc / 4, 0, 0},
        {{74}, kNoire, D, 0},
        {{74}, c, D, 0},
        {{74}, dc, D, 0},
        {{74}, tc, D, 0},
        {{74}, tc / 2, D, 0},
        {{-1}, c + dc + tc / 2, 0, 0},
        {{72}, 4 * kNoire, 0, 0},
        {{69}, 2 * kNoire, 0, 0},
        {{-1}, kNoire, 0, 0},
        {{-1}, c, 0, 0},
        {{-1}, c, 0, 0}}},
      {"Chords: seconds and unisons across the stem, accidental columns, dots; a chord tied over the bar line",
       {{{65, 64, 60}, kNoire, 0, 0},
        {{76, 74, 72}, kNoire, D, 0},
        {{73, 70, 66}, kNoire, 0, 0},
        {{67, 64}, kNoire + c, 0, 0},
        {{71, 69}, c, D, 0},
        {{72, 67, 64}, kNoire, 0, 0},
        {{-1}, kNoire, 0, 0},
        {{77, 72, 69}, 3 * kNoire, D, 0},
        {{65}, 2 * kNoire + kNoire / 2 + kNoire / 4, 0, 0},
        {{67}, dc, 0, 0}}},
      {"Beamed groups: flat, rising, falling, mixed eighths and sixteenths, 32nds, stems down",
       {{{67}, c, A, 0},  {{67}, c, 0, 0},         {{64}, c, A, 0},      {{67}, c, A, 0},      {{71}, c, A, 0},
        {{74}, c, 0, 0},  {{77}, c, A, 0},         {{74}, dc, A, 0},     {{72}, dc, A, 0},     {{71}, c + dc, A, 0},
        {{69}, dc, 0, 0}, {{67}, tc, A, 0},        {{69}, tc, A, 0},     {{71}, tc, A, 0},     {{72}, tc, A, 0},
        {{74}, dc, A, 0}, {{72}, dc, 0, 0},        {{76}, dc, A | D, 0}, {{77}, dc, A | D, 0}, {{79}, dc, A | D, 0},
        {{81}, dc, D, 0}, {{-1}, 3 * kNoire, 0, 0}}},
      {"Triplets: eighths beamed, quarters beamed by their ties (bracket), stems down; then a dotted half, a half",
       {{{67}, t3, A, tri},
        {{69}, t3, A, tri},
        {{71}, t3, 0, tri},
        {{72}, 2 * t3, A, tri},
        {{74}, 2 * t3, A, tri},
        {{76}, 2 * t3, 0, tri},
        {{79}, t3, A | D, tri},
        {{77}, t3, A | D, tri},
        {{76}, t3, D, tri},
        {{-1}, kNoire, 0, 0},
        {{67}, 3 * kNoire, 0, 0},
        {{72}, 2 * kNoire, D, 0},
        {{-1}, kNoire, 0, 0}}},
  };
  int16_t y = 20;
  for (const auto& l : lignes) {
    TextFontMusicale(nullptr, 72);
    TraceLigne(score, l, y);
    y = int16_t(y + 150);
  }
  SetPort(avant);
  DisposePort(port);
}

}  // namespace

int main(int argc, char** argv) {
  if (const int statut = PrepareFeuille(argc, argv, "notesheet")) return statut;
  GetDefautModeGraphique(&GModeGraphique);
  SetDpiDest(kDpi);
  auto feuille = [&](cairo_t* cr) {
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
  std::printf("notesheet: %s\n", argv[1]);
  return 0;
}
