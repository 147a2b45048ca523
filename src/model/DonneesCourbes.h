#pragma once
// Curve records: named breakpoint lists of 16-bit values over time, one per
// controller kind, held by staves and scores; and the interpretation record
// through which playback publishes the value in force of each kind. Data only:
// the staff and score records embed the interpretation record.
#include "platform/PlatformTypes.h"

// Controller kinds, by their four-character codes.
constexpr uint32_t kCourbeResr = FourCC("Resr");
constexpr uint32_t kCourbeResf = FourCC("Resf");
constexpr uint32_t kCourbeOvep = FourCC("Ovep");
constexpr uint32_t kCourbeOvet = FourCC("Ovet");
constexpr uint32_t kCourbeFlap = FourCC("Flap");
constexpr uint32_t kCourbeEqua = FourCC("Equa");
constexpr uint32_t kCourbeEqug = FourCC("Equg");
constexpr uint32_t kCourbeSter = FourCC("Ster");
constexpr uint32_t kCourbeRevp = FourCC("Revp");
constexpr uint32_t kCourbeVolu = FourCC("Volu");
constexpr uint32_t kCourbeFreq = FourCC("Freq");

// A curve's constant value when it has none (its points are used), and the
// interpretation value of a kind nobody publishes.
constexpr uint16_t kCourbeSansConstante = 32768;
constexpr int16_t kCourbeSansValeur = -32768;
// The base value that means "no base" to CalculeValeurCourbeAAppliquer.
constexpr int32_t kCourbeSansBase = 32768;

struct PointCourbe {
  int32_t temps;       // tick
  int16_t valeur;      // within the curve's minimum and maximum
  uint8_t finSegment;  // 1: no interpolation from this point to the next
  uint8_t reserve;
};

struct Courbe {
  uint32_t type;  // controller kind (kCourbe...)
  int16_t minimum;
  int16_t maximum;
  uint8_t escalier;  // 1: each value holds until the next point; 0 interpolates
  int16_t valeur3;   // stored with the curve, kept as read
  int32_t nbPoints;
  Handle points;  // PointCourbe records sorted by tick; null when none
  uint8_t flag;   // stored with the curve, kept as read
  uint8_t desactivee;
  char nom[64];              // UTF-8, NUL-terminated
  uint16_t valeurConstante;  // kCourbeSansConstante: the points give the value
};

// Slots of the interpretation record: slot 0 is the word of the active byte,
// the values of the kinds follow (see SaisieValeurInterpreteCourbe).
constexpr int kNbSlotsInterpreteCourbe = 164;

// What playback has made of the curves at the current tick: one on each
// staff, one on the score. Nothing fills it in a previewer (nothing plays),
// so it stays inactive and the base values apply.
struct InterpreteCourbe {
  int16_t slots[kNbSlotsInterpreteCourbe];  // slot 0: non-zero while active
};
