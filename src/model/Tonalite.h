#pragma once
// Keys and clefs per bar: each staff's table of entries sorted by bar.
#include "platform/PlatformTypes.h"

struct Partition;
struct Portee;

struct Tonalite {
  uint8_t alterations[7];       // C..B: 0 none, 1 sharp, 3 flat
  int8_t degreTonique;          // 0 C .. 6 B
  int8_t alterationTonique;     // 1 sharp, 2 natural, 3 flat, 4 double sharp, 5 double flat
  int32_t mode;                 // 1 major, 0 minor
  uint32_t styleAnnulation;     // 2 by default
};

// Compared and copied as a whole.
struct Clef {
  uint32_t type;                // 1 treble, 2 bass, 3 alto
  int8_t decalageLigne;
  int8_t decalageOctave;
  int8_t noteDeBase;            // MIDI pitch of the bottom line
  uint8_t octet1;
  uint8_t fondCache;            // hides the staff background from this bar on
  uint8_t octet2;
};

// Visibility and reminder bits of an entry.
enum : uint32_t { kVisibleClef = 1, kVisibleArmure = 2, kVisibleSignature = 4 };

constexpr uint16_t kLienTonaliteAucun = 65535;

struct EltTabTonalite {
  uint16_t mesure;
  Tonalite tonalite;
  Clef clef;
  uint32_t visible;
  int16_t couleurClef;
  uint32_t rappel;
  int16_t lignesKaraoke[256];
  uint16_t lien;                // ParamEffet index, kLienTonaliteAucun none
};

// The central setter of a bar's key and clef; a null key or clef means no change.
void FixeTonaliteEtClefMesure(Partition** score, Portee** staff, int16_t bar, const Tonalite* key,
                              const Clef* clef, int16_t transpositionMode, uint32_t visible, uint32_t reminder,
                              int16_t link);
// Sets the clef of a bar; 0 when the staff type takes no clef change.
int16_t FixeClefMesure(Partition** score, Portee** staff, int16_t bar, Clef* clef, int16_t transpositionMode);
// A copy of the staff's entries; unless links are kept each copied link is none.
Handle DupliqueTabTonalite(Portee** staff, int16_t keepLinks);
void DisposeTabTonalite(Portee** staff);
// The key in force at a tick (C major for a negative tick or no entry).
void CvtTempsEnTonalite(Portee** staff, int32_t tick, Tonalite* out);
// Largest clef and key width of the score's screen bar table.
int16_t CalculeMaxTailleClePixelEcran(Partition** score);

struct MiseEnPage;
// Highest bar of any staff's last key and clef entry; 0 when none.
int16_t GetMesureMaxTonalitePartition(Partition** score);
// Pixels of the clef, key and time-signature area at a bar, and of the
// courtesy area before it, for the bar table.
int32_t CalculeTailleClePixelEcranPorteeMesure(Partition** score, MiseEnPage* pageSetup, int16_t bar);
int32_t CalculeLargeurEcranCleRappel(Partition** score, int16_t bar);
