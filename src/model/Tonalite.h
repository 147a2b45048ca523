#pragma once
// Keys and clefs per bar: each staff's table of entries sorted by bar, each in
// force from its bar until the next one, with the staff's karaoke line table,
// the clef colour, the courtesy switches and a link to an effects record; the
// lookups by bar (with a one-slot cache), the setters, and the widths of the
// clef, key and time-signature area that layout reserves.
#include "platform/PlatformTypes.h"

struct Partition;
struct Portee;
struct MiseEnPage;
struct DivisionTemporelle;

struct Tonalite {
  uint8_t alterations[7];    // C..B: 0 none, 1 sharp, 3 flat
  int8_t degreTonique;       // 0 C .. 6 B
  int8_t alterationTonique;  // 1 sharp, 2 natural, 3 flat, 4 double sharp, 5 double flat
  int32_t mode;              // 1 major; any other value is minor (0 written)
  uint32_t styleAnnulation;  // how naturals are counted at a change; 2 by default
};

// Compared and copied as a whole.
struct Clef {
  uint32_t type;         // 1 treble, 2 bass, 3 alto
  int8_t decalageLigne;  // lines above the clef's standard line (alto + 1 = tenor)
  int8_t decalageOctave;
  int8_t noteDeBase;  // MIDI pitch of the bottom line
  uint8_t octet1;
  uint8_t fondCache;  // hides the staff background from this bar on
  uint8_t octet2;
};

enum : uint32_t { kClefSol = 1, kClefFa = 2, kClefUt = 3 };

// Visibility and reminder bits of an entry.
enum : uint32_t { kVisibleClef = 1, kVisibleArmure = 2, kVisibleSignature = 4 };

constexpr uint16_t kLienTonaliteAucun = 65535;
constexpr int kNbPassagesKaraoke = 256;

// How a native document stores an entry (the staff reader fills it field by
// field, in this order):
//   u16 bar                      -> mesure
//   i16 key                      -> standard key index (0 none, 1..7 sharps, 8..14
//                                   flats; any other value 0): the seven alterations
//   u8 mode                      -> tonalite.mode (1 major, anything else 0, minor)
//   u8 tonic degree, u8 tonic    -> tonalite.degreTonique / alterationTonique when
//      alteration                   they are valid (0..6, 1..5), else the tonic of
//                                   the standard key in that mode
//   u8 (from 8.00)               -> tonalite.styleAnnulation (2 before)
//   u8 (from 8.50)               -> subdivisionBatterie (0 before)
//   i16                          -> visible
//   i16 (from 9.40)              -> rappel (0 before)
//   u8                           -> couleurClef
//   9 clef bytes                 -> clef: the type as a big-endian u32 (1..3; any
//                                   other value the treble clef), line shift,
//                                   octave shift, base note (recomputed from the
//                                   clef), octet1, fondCache; octet2 stays 0
//   i16, i16                     -> valeursLues
//   from 9.60: u16 (1: an effects record follows) -> lien, then 256 u16 ->
//   lignesKaraoke; before 9.60 lignesKaraoke is the identity 0..255.
struct EltTabTonalite {
  uint16_t mesure;
  Tonalite tonalite;
  Clef clef;
  uint32_t visible;  // kVisible* bits shown at this bar
  int16_t couleurClef;
  uint32_t rappel;                            // kVisible* bits of the courtesy signs before this bar
  int16_t lignesKaraoke[kNbPassagesKaraoke];  // display line of each verse; negative hides it
  uint16_t lien;                              // ParamEffet index, kLienTonaliteAucun none
  int8_t subdivisionBatterie;                 // drum grid cells per beat from this bar; 0 the staff's default
  int32_t valeursLues[2];                     // two values documents store with the entry, kept as read
};

// ---- Records.
// C major, no alteration, cancellation style 2; the treble clef on base note 64.
void SetTonaliteDefaut(Tonalite* key);
void SetClefDefaut(Clef* clef);
// True when the two records are equal in every field.
bool CmpTonalite(const Tonalite* a, const Tonalite* b);
bool CmpClef(const Clef* a, const Clef* b);
// The staff's entries and their count (bounded by the handle); null when none.
EltTabTonalite* GetEltsTabTonalite(Portee** staff, int32_t* count);

// ---- Lookups by bar.
// Index of the entry exactly at the bar; -1 when none.
int16_t CvtNumMesureEnIndxTabTonalite(Portee** staff, int16_t bar);
// Index of the entry in force at the bar; -1 when none. Uses the staff's cache.
int16_t CvtNumMesureEnLastIndxTabTonalite(Portee** staff, int16_t bar);
void CvtMesureEnTonalite(Portee** staff, int16_t bar, Tonalite* out);
void CvtMesureEnClef(Portee** staff, int16_t bar, Clef* out);
uint32_t CvtMesureEnVisible(Portee** staff, int16_t bar);
uint32_t CvtMesureEnRappel(Portee** staff, int16_t bar);
int16_t CvtMesureEnCouleurClef(Portee** staff, int16_t bar);
bool CvtMesureEnFondVisible(Portee** staff, int16_t bar);
int16_t CvtMesureEnNoteDeBase(Portee** staff, int16_t bar);
int16_t CvtTempsEnNoteDeBase(Portee** staff, int32_t tick);
// The key in force at a tick (C major for a negative tick or no entry).
void CvtTempsEnTonalite(Portee** staff, int32_t tick, Tonalite* out);
// The karaoke line table in force (a pointer into the staff's table: not kept
// across edits), null when no entry applies.
const int16_t* CvtMesureEnLutLigneKaraoke(Portee** staff, int16_t bar);
int16_t CvtPassageKaraokeEnLigneAffichage(Portee** staff, int16_t bar, int16_t verse);
int16_t CvtLigneAffichageKaraokeEnPassage(Portee** staff, int16_t bar, int16_t line);
bool IsCelluleKaraokeVisible(Portee** staff, int16_t bar, int16_t verse);
// Key of the last entry at or before the bar that shows a key signature.
void GetPrevTonaliteVisible(Portee** staff, int16_t bar, Tonalite* out);
// Clef and key shown at a bar (the last shown at or before it).
void CalculeTonaliteCleAfficheMesure(Portee** staff, int16_t bar, Tonalite* key, Tonalite* previous, bool* keyShown,
                                     Clef* clef, bool* clefShown);
// Highest bar of any staff's last key and clef entry; 0 when none.
int16_t GetMesureMaxTonalitePartition(Partition** score);
bool IsClefTonaliteChangeMesure(Partition** score, MiseEnPage* pageSetup, int16_t bar);
bool IsRappelMesure(Partition** score, MiseEnPage* pageSetup, int16_t bar);
// End of the stretch that a key or clef set at the bar covers (the larger of
// both when both are given; the bar itself when neither is).
int16_t RechercheMesureEndChangeClefTonalite(Partition** score, Portee** staff, int16_t bar, const Clef* clef,
                                             const Tonalite* key);

// ---- Table maintenance.
// Writes the entry at the bar (null key or clef: the one in force); its index,
// -1 when memory runs out.
// A link of -1 or out of 0..65534 is none.
int16_t InsereEltTabTonalite(Portee** staff, int16_t bar, const Tonalite* key, const Clef* clef, uint32_t visible,
                             uint32_t reminder, int32_t link);
// Removes one entry; the first is never removed.
void SupprimeEltTabTonalite(Portee** staff, int16_t index);
// Removes redundant entries; 1 when any went.
int16_t GarbageEltTabTonalite(Portee** staff);
void DeleteMesureChangeTonalitePortee(Portee** staff, int16_t first, int16_t count);
// A copy of the staff's entries; unless links are kept each copied link is none.
Handle DupliqueTabTonalite(Portee** staff, int16_t keepLinks);
void DisposeTabTonalite(Portee** staff);

// ---- Setters: 1 when the table was written, 0 otherwise.
// The central setter of a bar's key and clef; a null key or clef means no change.
int16_t FixeTonaliteEtClefMesure(Partition** score, Portee** staff, int16_t bar, const Tonalite* key, const Clef* clef,
                                 int16_t transpositionMode, uint32_t visible, uint32_t reminder, int32_t link);
// A null staff sets every staff that takes key changes.
int16_t FixeTonaliteMesure(Partition** score, Portee** staff, int16_t bar, const Tonalite* key,
                           int16_t transpositionMode);
// Sets the clef of a bar (its base note written back into the caller's
// record); 0 when the staff type takes no clef change.
int16_t FixeClefMesure(Partition** score, Portee** staff, int16_t bar, Clef* clef, int16_t transpositionMode);
// Flags := (old & ~mask) | (value & mask); a null staff sets every staff that
// carries notes (visibility) or shows standard notation (reminder).
int16_t FixeVisibleMesure(Partition** score, Portee** staff, int16_t bar, uint32_t value, uint32_t mask);
int16_t FixeRappelMesure(Partition** score, Portee** staff, int16_t bar, uint32_t value, uint32_t mask);
int16_t SetTonalitePartition(Partition** score, const Tonalite* key, uint32_t visible);

// ---- Widths, in pixels at the destination resolution.
int16_t CalculeLargeurEcranArmatureComplete(Portee** staff, const Tonalite* key, const Tonalite* previous,
                                            uint32_t flags, const DivisionTemporelle* division);
// Pixels of the clef, key and time-signature area at a bar, and of the
// courtesy area before it, for the bar table.
int32_t CalculeTailleClePixelEcranPorteeMesure(Partition** score, MiseEnPage* pageSetup, int16_t bar);
int16_t CalculeLargeurEcranCleDebutLigneImpression(Partition** score, int16_t bar);
int32_t CalculeLargeurEcranCleRappel(Partition** score, int16_t bar);
// Largest clef and key width of the score's screen bar table.
int16_t CalculeMaxTailleClePixelEcran(Partition** score);
