#pragma once
// The note record: one entry of a staff's time-ordered note array.
#include "platform/PlatformTypes.h"

struct Portee;

// Kinds below 0 are rests and special signs.
enum : int8_t {
  kSigneSilence = -1,
  kSigneSilenceFantome = -2,  // filler rest that keeps a bar full
};

// Flag bits.
enum : uint16_t {
  kSigneAccordSuite = 0x1,    // the next record belongs to the same chord
  kSigneAccroche = 0x2,       // goes with a beam-link source
};

// The note array grows by whole blocks of this many records.
constexpr int32_t kBlocSignes = 1024;

struct Signe {
  int8_t kind;                  // 0 or more: a pitch (60 middle C); negative: a rest or sign
  uint8_t velocity;             // 64
  uint16_t flags;
  uint8_t octet4;               // 2
  uint8_t octet5;
  int32_t duree;                // ticks
  uint16_t pourcentJoue;        // share of the duration that sounds, 100
  int16_t decalageArpege;
  int16_t indexParamEffet;      // -1 = none
  uint8_t octetsCharges1[4];
  uint32_t premierePartieLiee;  // first written part of a joined note
  uint8_t octetsCharges2[16];
  uint8_t octet3;               // 3
  uint8_t octetsCharges3[5];
  int32_t debut;                // cached start tick; -1 = to be computed
  int8_t kindCopie;             // kind given at creation
  uint8_t octet100;             // 100
  uint8_t touche;
  uint8_t octetsCharges4[35];
};

// Clears the staff's chords-computed flag.
void FixeAccordsNonCalcules(Portee** staff);
