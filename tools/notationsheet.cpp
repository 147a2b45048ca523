// Test sheet of note heads and rests, drawn by the notation code through a
// port over a PDF page: every head shape (filled, half and whole, both
// forms), every rest value (from the head and rest drawer and from the
// duration splitter), tuplet numbers and ratios, ledger lines above and below
// a staff, and the ambitus of a staff.
// Usage: notationsheet OUT.pdf [OUT.png] [SVELLARI.TTF]
#include <cairo.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "SheetTool.h"
#include "layout/ModeGraphique.h"
#include "layout/Zoom.h"
#include "model/Document.h"
#include "model/QRVPOBJ.h"
#include "model/Signe.h"
#include "model/TabEltMesure.h"
#include "notation/Alterations.h"
#include "notation/DessinCorps.h"
#include "notation/FormesCorps.h"
#include "notation/Silences.h"
#include "notation/ValeursNotes.h"
#include "platform/Fonts.h"
#include "platform/Memory.h"
#include "platform/QuickDraw.h"
#include "platform/UnicodeText.h"
#include "stafftypes/ServicesTypesPortee.h"
#include "system/Handles.h"
#include "text/Fontes.h"
#include "text/UTFText.h"

namespace {

constexpr int kDpi = 144;
constexpr int kLargeur = 1500, kHauteur = 2100;

Portee** staff = nullptr;
cairo_t* contexte = nullptr;

void Texte(int16_t x, int16_t y, const char* t) {
  UniChar u[128];
  size_t n = 0;
  for (; t[n] && n < 128; n++) u[n] = UniChar(uint8_t(t[n]));
  UnicodeTextStyle st;
  st.font = FontNumberForName("Liberation Sans");
  st.size = 14;
  cairo_set_source_rgb(contexte, 0, 0, 0.6);
  UnicodeTextDraw(contexte, x, y, u, n, st, 0);
}

// Places the staff with its bottom line at y and draws its five lines.
void Portee5(int16_t gauche, int16_t droite, int16_t y) {
  Portee& p = **staff;
  p.rect = Rect{int16_t(y - 100), gauche, int16_t(y + 40), droite};
  p.decalageLigneBas = 100;
  for (int l = 0; l < 5; l++)
    TraceLigneHorizontale(staff, gauche, float(y) - float(l) * p.interligne, int16_t(droite - gauche),
                          float(GModeGraphique.slot[54]) * kDpi / 288.0f, 0, 1);
}

int16_t Y(int16_t basY, float pas) { return int16_t(float(basY) - pas * (**staff).interligne / 2.0f); }

void Tete(int16_t x, int16_t y, int32_t duree, int16_t forme, uint8_t sens) {
  NotePossible r;
  CalculeNotePossible(duree, duree, nullptr, kDivisionSimple, &r, 60);
  r.largeurTete = (**staff).largeurTete;
  TraceCorps(staff, 0, x, y, &r, kAlterationAucune, 0, 1, 60, 100, forme, sens, 0, 0, nullptr, 0, 0, 0);
}

void Silence(int16_t x, int16_t y, int32_t duree, uint8_t mesure = 0) {
  NotePossible r;
  CalculeNotePossible(duree, duree, nullptr, kDivisionSimple, &r, kSigneSilence);
  r.largeurTete = (**staff).largeurTete;
  TraceCorps(staff, 0, x, y, &r, kAlterationAucune, 0, 1, kSigneSilence, 100, 0, 0, 0, mesure, nullptr, 0, 0, 0);
}

void Formes(int16_t y0) {
  Texte(40, y0, "Head shapes 0 to 27: quarter, half, whole with the flag set, then with it clear");
  for (int16_t forme = 0; forme <= 27; forme++) {
    const int16_t colonne = forme / 14, ligne = forme % 14;
    const int16_t x = int16_t(40 + colonne * 720), y = int16_t(y0 + 70 + ligne * 60);
    char label[16];
    std::snprintf(label, sizeof label, "%d", forme);
    Texte(x, int16_t(y - 10), label);
    Portee5(int16_t(x + 40), int16_t(x + 680), y);
    int16_t hx = int16_t(x + 70);
    for (uint8_t sens : {1, 0})
      for (int32_t d : {40320, 80640, 161280}) {
        Tete(hx, Y(y, 4), d, forme, sens);
        hx = int16_t(hx + 95);
      }
  }
}

void Silences(int16_t y0) {
  Texte(40, y0, "Rests from the head and rest drawer: breve to 128th, dotted, a bar rest; then split durations");
  Portee5(80, 1460, int16_t(y0 + 90));
  int16_t x = 100;
  for (int32_t d : {322560, 161280, 80640, 40320, 20160, 10080, 5040, 2520, 1260, 60480, 30240})
    Silence(x, Y(int16_t(y0 + 90), 4), d), x = int16_t(x + 100);
  Silence(x, Y(int16_t(y0 + 90), 4), 120960, 1);
  Portee5(80, 1460, int16_t(y0 + 200));
  x = 100;
  for (int32_t d : {161280, 120960, 50400, 13440, 26880, 945, 630}) {
    TraceSilence(x, Y(int16_t(y0 + 200), 4), d, (**staff).interligne);
    TextFontMusicale(staff, 72);
    x = int16_t(x + 190);
  }
  // Half and whole rests above the staff get a ledger line.
  Silence(1350, Y(int16_t(y0 + 200), 12), 80640);
  Silence(1410, Y(int16_t(y0 + 200), 11), 161280);
}

void Nuplets(int16_t y0) {
  Texte(40, y0, "Tuplet numbers 2 to 15, then ratios 3:2, 5:4, 7:8, 12:8");
  int16_t x = 80;
  for (int n = 2; n <= 15; n++) TraceNuplet(x, int16_t(y0 + 60), uint16_t(n), nullptr), x = int16_t(x + 70);
  x = 80;
  for (uint16_t w : {0x123, 0x145, 0x187, 0x18C}) TraceNuplet(x, int16_t(y0 + 120), w, nullptr), x = int16_t(x + 150);
}

void LignesSup(int16_t y0) {
  Texte(40, y0, "Ledger lines: heads from four steps below the staff to ten above, whole notes and a breve");
  const int16_t bas = int16_t(y0 + 150);
  Portee5(80, 1460, bas);
  int16_t x = 100;
  for (int pas = -6; pas <= 16; pas++) Tete(x, Y(bas, float(pas)), 40320, 0, 0), x = int16_t(x + 50);
  Tete(x, Y(bas, 14), 161280, 0, 0);
  Tete(int16_t(x + 60), Y(bas, -4), 322560, 0, 0);
}

// A treble-clef staff: a note's y from its line, its accidental from the key.
int16_t NoteEnY(Portee** s, int32_t tick, int32_t index, const Signe* note, uint8_t* flags) {
  int16_t ligne = 0;
  uint8_t montre = kAlterationAucune;
  CalcPosAlterationFnNote(s, note, &ligne, &montre, index, tick);
  if (flags) *flags = montre;
  const float bas = float((**s).rect.top + (**s).decalageLigneBas);
  return int16_t(bas - (**s).interligne / 2.0f * float(ligne - 37));
}

void Ambitus(Partition** score, int16_t y0) {
  Texte(40, y0, "Ambitus of a staff from C sharp 4 to A 5, then a two-bar repeat sign");
  const int16_t bas = int16_t(y0 + 130);
  Portee5(80, 700, bas);
  for (int8_t k : {64, 61, 81, 72}) {
    const int32_t n = (**staff).nbNotes;
    if (!(**staff).notes) (**staff).notes = NewHandleClear(0);
    SetHandleSize((**staff).notes, Size(n + 1) * Size(sizeof(Signe)));
    Signe& s = reinterpret_cast<Signe*>(*(**staff).notes)[n];
    RazNote(&s, k, 40320);
    s.alteration = kAlterationAucune;
    s.taille = 100;
    (**staff).nbNotes = n + 1;
  }
  (**staff).vecteurs.vect_Note2Ecr = NoteEnY;
  (**staff).ambitus = 0;
  TraceAmbitus(score, staff, 200);
  TextFontMusicale(staff, 72);
  TraceSymboleRepeteDeuxDernieresMesures(staff, 500, int16_t(bas - 2 * (**staff).interligne));
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
  TextFontMusicale(staff, 72);
  Formes(40);
  TextFontMusicale(staff, 72);
  Silences(960);
  TextFontMusicale(staff, 72);
  Nuplets(1250);
  TextFontMusicale(staff, 72);
  LignesSup(1420);
  TextFontMusicale(staff, 72);
  Ambitus(score, 1700);
  SetPort(avant);
  DisposePort(port);
}

}  // namespace

int main(int argc, char** argv) {
  if (const int statut = PrepareFeuille(argc, argv, "notationsheet")) return statut;
  GetDefautModeGraphique(&GModeGraphique);
  SetDpiDest(kDpi);
  Document* doc = reinterpret_cast<Document*>(NewPtrClear(Size(sizeof(Document))));
  Partition** score = NewPartition(doc);
  AddEltTabEltMesureRuban(score, 2);
  (*score)->nbMesures = 2;
  staff = NewPortee(score, kTypePorteeStandard);
  Portee& p = **staff;
  p.aspect.tailleUnite = 72;
  InitTailleCaracteresSelonFonte(staff);
  p.extensionLigneSup = 2;
  for (int16_t l = 0; l <= 4; l++) SetAfficheLignePortee(staff, l, 1);
  EcritFeuille(argc, argv, kLargeur, kHauteur, 0.5, 1.0, [&](cairo_t* cr) { Feuille(cr, score); });
  SupprimePartition(doc, score);
  DisposePtr(reinterpret_cast<Ptr>(doc));
  std::printf("notationsheet: %s\n", argv[1]);
  return 0;
}
