// Test sheet of marks, drawn by the notation code through a port over a PDF
// page: every mark code 1 to 110 at its point (a grey cross), then marks on
// notes of a staff at their standard placements, kept off the lines and
// clear of the notes, ornaments following the stem.
// Usage: markssheet OUT.pdf [OUT.png] [SVELLARI.TTF]
#include <cairo.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "SheetTool.h"
#include "layout/ModeGraphique.h"
#include "layout/Zoom.h"
#include "model/Document.h"
#include "model/ParamEffet.h"
#include "model/QRVPOBJ.h"
#include "model/Signe.h"
#include "model/TabEltMesure.h"
#include "notation/DessinMarks.h"
#include "notation/FormesCorps.h"
#include "notation/PlacementMarks.h"
#include "notation/TaillesPortee.h"
#include "platform/Fonts.h"
#include "platform/Memory.h"
#include "platform/QuickDraw.h"
#include "platform/UnicodeText.h"
#include "stafftypes/ServicesTypesPortee.h"
#include "system/Couleurs.h"
#include "text/Fontes.h"
#include "text/UTFText.h"

namespace {

constexpr int kDpi = 144;
constexpr int kLargeur = 1500, kHauteur = 2100;

Portee** staff = nullptr;
cairo_t* contexte = nullptr;
// The ribbon y the placement reads for the note being placed (the staff's
// ribbon is laid over its screen rectangle here).
int16_t yNote = 0;
int16_t NoteRuban(Portee**, int32_t, int32_t, const Signe*, uint8_t*) { return yNote; }

void Texte(int16_t x, int16_t y, const char* t, int16_t size = 14) {
  UniChar u[200];
  size_t n = 0;
  for (; t[n] && n < 200; n++) u[n] = UniChar(uint8_t(t[n]));
  UnicodeTextStyle st;
  st.font = FontNumberForName("Liberation Sans");
  st.size = size;
  cairo_set_source_rgb(contexte, 0, 0, 0.6);
  UnicodeTextDraw(contexte, x, y, u, n, st, 0);
}

Mark NouvelleMark(uint8_t code, uint8_t placement, bool relative = false) {
  Mark m;
  std::memset(&m, 0, sizeof m);
  m.code = code;
  m.param1 = placement;
  m.octet4 = relative ? 1 : 0;
  m.actif = 1;
  if (code == 99 || code == 100) std::strcpy(m.texte, code == 99 ? "dolce" : "rit.");
  if (code == 110) {
    m.courbeFinDx = 40;
    m.courbeFinDy = -6;
    m.courbeEpaisseur = 2;
    m.courbeTension = 100;
  }
  return m;
}

void Croix(int16_t x, int16_t y) {
  const RGBColor gris{0xC000, 0xC000, 0xC000};
  RGBForeColor(&gris);
  PenSize(1, 1);
  MoveTo(int16_t(x - 6), y);
  Line(12, 0);
  MoveTo(x, int16_t(y - 6));
  Line(0, 12);
}

void TousLesCodes(int16_t y0) {
  Texte(40, y0, "Every mark code 1 to 110 at its point (grey cross); trills with three waves, arpeggio of four steps");
  ParamEffet e{};
  e.mot1 = 3;
  e.mot4 = 4;
  e.mot2 = 1;
  for (int code = 1; code <= 110; code++) {
    const int col = (code - 1) % 10, row = (code - 1) / 10;
    const int16_t x = int16_t(90 + col * 138), y = int16_t(y0 + 70 + row * 100);
    char label[8];
    std::snprintf(label, sizeof label, "%d", code);
    Texte(int16_t(x - 50), int16_t(y - 40), label, 12);
    Croix(x, y);
    const Mark m = NouvelleMark(uint8_t(code), 0);
    TextFontMusicale(staff, 72);
    TraceMark(staff, int16_t(x - 30), y, x, y, &m, &e, 72);
  }
}

// Five staff lines with the bottom one at y.
void Lignes5(int16_t gauche, int16_t droite, int16_t y) {
  const float il = (**staff).interligne;
  for (int l = 0; l < 5; l++)
    TraceLigneHorizontale(staff, gauche, float(y) - float(l) * il, int16_t(droite - gauche),
                          float(GModeGraphique.slot[54]) * kDpi / 288.0f, 0, 1);
}

// A quarter note with its head's left edge at x and its centre at y.
void Note(int16_t x, int16_t y, bool stemDown) {
  SetForeColor(1);
  TextFontMusicale(staff, 72);
  MoveTo(x, y);
  DrawCharMusical(207);
  const int16_t w = (*staff)->largeurTete;
  Signe s{};
  s.taille = 100;
  s.flags = stemDown ? kSigneQueueEnBas : 0;
  const int16_t l = GetTailleEcranTigeNote(staff, &s, -1, 0);
  PenSize(int16_t(Zoom(1) / 2 > 0 ? Zoom(1) / 2 : 1), 1);
  if (stemDown) {
    MoveTo(x, y);
    Line(0, l);
  } else {
    MoveTo(int16_t(x + w - 1), y);
    Line(0, int16_t(-l));
  }
  PenSize(1, 1);
}

void SurLaPortee(int16_t y0) {
  Texte(40, y0,
        "On notes: standard placements, kept off the lines, clear of the note; stem-relative ornaments flip with the "
        "stem");
  const int16_t bas = int16_t(y0 + 200);
  Portee& p = **staff;
  p.rect = Rect{int16_t(bas - 120), 40, int16_t(bas + 120), 1460};
  p.decalageLigneBas = 120;
  p.aireRuban = BigRect{40, 1460, p.rect.top, p.rect.bottom};
  p.decalageLigneBasRuban = 120;
  p.interligneRuban = p.interligne;
  p.largeurNoteRuban = p.largeurTete;
  p.vecteurs.vect_Note2Ruban = NoteRuban;
  Lignes5(60, 1460, bas);
  const float il = p.interligne;
  const struct {
    uint8_t code, placement;
    bool relative;
    int steps;  // half interlines above the bottom line
    bool down;
  } cas[] = {
      {60, 0, true, 2, false},    {60, 0, true, 3, false},    {60, 0, true, 6, true},    {60, 0, true, 7, true},
      {94, 0, true, 2, false},    {94, 0, true, 7, true},     {59, 0, true, 3, false},   {101, 0, true, 7, true},
      {102, 64, true, 1, false},  {77, 32, false, 4, false},  {1, 96, false, 4, false},  {49, 128, true, 4, false},
      {49, 128, true, 4, true},   {49, 128, true, 14, false}, {49, 128, true, 14, true}, {36, 128, false, -4, false},
      {50, 192, false, -6, true}, {56, 0, true, 4, false},    {56, 0, true, 4, true},    {87, 96, false, 2, false},
  };
  int16_t x = 100;
  for (const auto& c : cas) {
    const int16_t y = int16_t(float(bas) - float(c.steps) * il / 2);
    Note(x, y, c.down);
    Signe s{};
    s.taille = 100;
    s.debut = 0;
    s.flags = c.down ? kSigneQueueEnBas : 0;
    Mark m = NouvelleMark(c.code, c.placement, c.relative);
    yNote = y;
    MuteOrnementsSelonSensTige(c.down, &m);
    AjustePositionEffetPourEviterLesLignes(staff, &s, -1, &m);
    int32_t mx = x, my = y;
    CalculePosEffetPorteeStandard(true, staff, &s, -1, &m, &mx, &my);
    TextFontMusicale(staff, 72);
    TraceMark(staff, x, y, int16_t(mx), int16_t(my), &m, nullptr, 72);
    char label[8];
    std::snprintf(label, sizeof label, "%d", m.code);
    Texte(int16_t(x - 4), int16_t(bas + 100), label, 11);
    x = int16_t(x + 66);
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
  TousLesCodes(40);
  SurLaPortee(1240);
  SetPort(avant);
  DisposePort(port);
}

}  // namespace

int main(int argc, char** argv) {
  if (const int statut = PrepareFeuille(argc, argv, "markssheet")) return statut;
  SetDpiDest(kDpi);
  Document* doc = reinterpret_cast<Document*>(NewPtrClear(Size(sizeof(Document))));
  Partition** score = NewPartition(doc);
  GetDefautModeGraphique(&(*score)->modeGraphique);
  GModeGraphique = (*score)->modeGraphique;
  // The ribbon at the sheet's resolution: placement on either form agrees.
  (*score)->zoom = kDpi;
  staff = NewPortee(score, kTypePorteeStandard);
  Portee& p = **staff;
  p.aspect.tailleUnite = 72;
  p.couleur = 1;
  p.epaisseurTremolo = 12;
  p.ecartTremolo = 6;
  InitTailleCaracteresSelonFonte(staff);
  for (int16_t l = 0; l <= 4; l++) SetAfficheLignePortee(staff, l, 1);
  EcritFeuille(argc, argv, kLargeur, kHauteur, 0.5, 1.0, [](cairo_t* cr) { Feuille(cr); });
  SupprimePartition(doc, score);
  DisposePtr(reinterpret_cast<Ptr>(doc));
  std::printf("markssheet: %s\n", argv[1]);
  return 0;
}
