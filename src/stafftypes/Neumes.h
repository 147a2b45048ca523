#pragma once
// Neumes: the notes of a Gregorian staff drawn as square-notation figures. A
// neume is the run of notes under one tie (from its first note to its last),
// four notes at most; an untied note is a one-note neume. Its figure says how
// each note is drawn (square, diamond, oblique band, joining strokes).
#include <cstdint>

#include "platform/PlatformTypes.h"
#include "system/BigRect.h"

struct Portee;
struct Signe;

constexpr int kMaxNotesNeume = 4;
constexpr int kNbFormesNeume = 23;

// How an element of a figure is drawn.
enum : uint32_t {
  kNeumeCarre = 0x1,         // a filled square
  kNeumeLosange = 0x2,       // a filled diamond
  kNeumeBande = 0x4,         // an oblique band to the next element
  kNeumeTraitGauche = 0x8,   // a stroke down from the square's left side
  kNeumeTraitDroite = 0x40,  // a joining stroke on the right side (a stem on a lone note)
};

// Durations: below an eighth a note is a small square; a lengthening dot goes
// on a small square above a dotted sixteenth and on a full one above a dotted
// quarter.
constexpr int32_t kDureeNeumeCourt = 20160;
constexpr int32_t kDureeAllongeCourt = 15119;
constexpr int32_t kDureeAllonge = 30239;
// The tenuto mark: an episema over the note.
constexpr uint8_t kMarkEpiseme = 59;

struct ElementNeume {
  int32_t index;  // the note's sign index
  int32_t x;      // ribbon x
  int32_t y;      // ribbon y, from the staff's ribbon origin
  int16_t hauteur;
  uint8_t court;       // drawn as a half-size square
  BigRect carre;       // the square on the ribbon, from the ribbon origin
  uint8_t alteration;  // accidental to show: 0 natural, 3 flat, others none
  uint8_t allonge;     // lengthening dot
  uint8_t variante;    // the sign's neume variant byte
  uint16_t couleur;    // 0 = the staff's note colour
  uint16_t taille;     // size percentage
  uint8_t episeme;
};

struct Neume {
  uint32_t idLiaison;  // the tie source id of the first note, 0 when untied
  int32_t forme;       // 0..22, -1 when no figure applies
  int32_t premier;     // sign index of the first note taken, -1 for none
  int32_t dernier;     // sign index of the last note taken
  int16_t nb;
  ElementNeume elements[kMaxNotesNeume];
};

extern const uint32_t FormeNotesNeumes[kNbFormesNeume][kMaxNotesNeume];
extern const float DeltaXNotesNeumes[kNbFormesNeume][kMaxNotesNeume];

// The ribbon square of an element to the screen: the square's top from the
// staff's ribbon band, its left from the ribbon x by the bar's screen start
// and the page x of that bar (`x`), its side from the screen interline.
// Returns 1.
typedef int16_t (*CvtAireNeume)(Portee** staff, int16_t x, int16_t bar, const BigRect* ribbon, Rect* out, uint16_t size,
                                uint8_t court);
int16_t CvtAireRubanEnAireEcranNeume(Portee** staff, int16_t x, int16_t bar, const BigRect* ribbon, Rect* out,
                                     uint16_t size, uint8_t court);

// Fills the neume from signs[index] on and places it at ribbon x; returns the
// index after the last sign examined.
int32_t ExtraitNeumeRuban(Portee** staff, const Signe* signs, int32_t index, int32_t count, int32_t x, Neume* neume);
// The same without placing the notes.
int32_t ExtraitNotesNeume(Portee** staff, const Signe* signs, int32_t index, int32_t count, Neume* neume);
// Appends the note at sign index `index` as one element.
void InjecteNoteDansNeume(Portee** staff, Neume* neume, const Signe* sign, int32_t index);
// The ribbon positions and squares of the elements.
void CalculePosNotesNeumeRuban(Portee** staff, int32_t x, Neume* neume);
// Draws the neume; `x` is the page x of the bar's start.
void AfficheNeume(Portee** staff, const Neume* neume, int16_t x, int16_t bar, CvtAireNeume convert);
// An episema line over the ribbon span left..right above the ribbon top
// (from the ribbon origin).
void DrawEpiseme(Portee** staff, int16_t x, int16_t bar, int32_t left, int32_t right, int32_t top,
                 CvtAireNeume convert);

// The sign index where the neume holding note `index` starts (the note
// itself when it lies in no tie chain).
int32_t DebutNeume(Portee** staff, int32_t index);
