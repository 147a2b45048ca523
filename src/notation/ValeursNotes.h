#pragma once
// Duration splitting and beam sides: the longest value one head can write
// for a duration (plain, dotted, double-dotted or as a tuplet member), a
// sign's dots, the stem group being drawn (TabQueue), how many beams each
// stem of a group carries on either side, and the beam pen and stacks.
#include "notation/ServicesNotation.h"
#include "platform/PlatformTypes.h"

struct Portee;
struct Signe;

// Durations in ticks of the values halved from: four wholes, and four wholes
// dotted, double-dotted and as a triplet.
constexpr int32_t kDureeQuatreRondes = 645120;
constexpr int32_t kDureeQuatreRondesPointees = 967680;
constexpr int32_t kDureeQuatreRondesDoublePointees = 1128960;
constexpr int32_t kDureeQuatreRondesTriolet = 430080;
// The flag code of rests and special signs.
constexpr int16_t kCrochetsSilence = -20;
// Division words: a plain value (1 in the time of 1) and a triplet (3 in 2).
constexpr uint16_t kDivisionSimple = 17;
constexpr uint16_t kDivisionTriolet = 35;

// One writable piece of a duration. The chord drawer adds the head width and
// the head drawing writes the position of the first dot back.
struct NotePossible {
  int32_t dureeEcrite;    // the ticks the piece takes
  int32_t base;           // its undotted power-of-two value; -1 for special signs
  int16_t points;         // 0, 1 or 2 dots
  uint16_t division;      // the division word used (display flags of the sign's word kept)
  uint8_t octetDivision;  // its low byte: n in the low nibble, m in the high one
  int16_t crochets;       // flags or beams: 0 quarter and half, 1 eighth ..., -1 whole, -2 breve
  int16_t largeurTete;
  int16_t xPoints, yPoints;
};

// The longest piece of min(duration, limit); equal (may be null) is set to 1
// when it writes the whole duration, else 0.
void CalculeNotePossible(int32_t duration, int32_t limit, uint8_t* equal, uint16_t division, NotePossible* result,
                         int8_t kind);
// The dots of a sign (0 for signs, and for rests on a staff that hides them).
int16_t CalculePointeNote(Portee** staff, const Signe* sign);

// The stem group being drawn.
constexpr int kMaxQueues = 256;
struct QueueEntry {
  int16_t x;               // the head's x
  int16_t decalageQueue;   // stem x shift, written by the stem drawer
  int16_t largeurTete;     // offset of an up stem from x
  int16_t barres;          // flag code of the note
  int32_t base;            // undotted value of the written note
  int32_t extremiteHaut;   // up-stem tip, 999999 while unknown
  int32_t extremiteBas;    // down-stem tip, -999999 while unknown
  uint8_t direction;       // 0 stem up, 1 stem down
  uint8_t pointDecoupe;    // starts on a multiple of the bar's split unit
  uint8_t barreSuivante;   // the beam continues to the next entry
  uint8_t accrocheSigne;   // the note's own beamed-with-next flag
  uint8_t accrocheSource;  // the beam goes on to another staff after this stem
  uint8_t accrocheDest;    // the beam comes from another staff
  uint8_t queueLiee;       // drawn alone in the note walk's second pass
  int16_t extremite;       // final tip y, written by the stem drawer
  uint16_t tuplet;         // n, m and the display bits of the note's division word
  int8_t tupletDx, tupletDy;
  uint8_t tupletCrochet, tupletEpaisseur;
  int8_t tupletDyNombre;
  uint8_t tupletRetrait;
  int32_t indexSigne;
  uint16_t couleur;
  uint16_t taille;  // size percentage
  Signe* signe;
};
extern QueueEntry TabQueue[kMaxQueues];
extern int16_t nbQueue;
extern int16_t curModeDecoupeDemiTemps;
extern int16_t minBarresInTabQueue;
extern int16_t minNbBarresDecoupe;

// Tuplet bits of a division word.
enum : uint16_t {
  kTupletRatio = 0x100,
  kTupletCrochet = 0x200,
  kTupletCourbe = 0x400,
  kTupletCache = 0x800,
};
// Hook length of a tuplet bracket: the note record keeps no tuplet settings,
// so every bracket takes the hooks a curve has.
constexpr uint8_t kCrochetTupletDefaut = 5;
// Colour of highlighted notes (flag bit 10): red.
constexpr uint16_t kCouleurSignesSurbrillance = 35;

// Appends a stem; returns its index, or -1 when the group already holds
// kMaxQueues stems (nothing is added then).
int16_t AjouteQueue(int16_t headWidth, int16_t x, int16_t beams, int32_t baseValue, uint8_t direction, uint8_t beamNext,
                    uint8_t ownBeamNext, uint8_t splitPoint, int16_t splitMode, uint8_t linkSource, uint8_t linkDest,
                    uint8_t linkedStem, int32_t signIndex, uint16_t colour, uint16_t sizePercent, uint8_t prefColour,
                    Signe* noteRecord);
// Beams kept across a split point for a bar's split unit u (ticks).
int16_t CalculeMinNbBarresDecoupe(int32_t u);
// Beams on the left and right of entry i of the group first..last; -2 on the
// side where the group ends.
void GetBeamLeftRight(int16_t first, int16_t last, int16_t i, uint8_t shifted, int16_t* left, int16_t* right);

// The beam pen from a thickness (1/288 inch); returns the zoomed pen height
// in penHeight and the zoomed gap between beams in gapOut.
void PrepareTraceBarres(int16_t thickness, int16_t gap, uint8_t thin, int16_t* penHeight, int16_t* gapOut);
// n parallel beams from (x1, y1) to (x2, y2), stacked downward (upward when
// set); returns the height of the stack.
int16_t TraceBarres(int16_t thickness, int16_t gap, int16_t count, int16_t x1, int16_t y1, int16_t x2, int16_t y2,
                    uint8_t upward);
