#pragma once
// Beam links drawn across positions and staves: the chain of linked notes,
// its stem tips, the beam line through them, the beams and stems of one link.
// Their default beam counts and the re-ordering of a chain, which the model
// calls, are declared in notation/ServicesNotation.h.
#include <vector>

#include "notation/ServicesNotation.h"
#include "platform/PlatformTypes.h"
#include "system/BigRect.h"

struct Portee;
struct Signe;

// One note of a chain with its piano-roll x (at the stem side of the head).
struct MaillonAccroche {
  Portee** staff;
  int32_t note;
  int32_t x;
};

// A chain never holds more notes than this (a hostile document's chain is
// cut there).
constexpr int32_t kMaxChaineAccroche = 4096;

// Beams of a duration (the tuplet byte's ratio n:m applied when both are at
// least 2): 0 for a quarter or a half, 1 an eighth ... 7, -1 a whole, -2 a
// breve, -3 from four wholes up.
int16_t GetNbBarresSelonDureeNote(int32_t duration, uint8_t tuplet);

// The chain holding a note in link order, from its first note: each note
// once; a chain that comes back to a note ends there. Returns the count.
int32_t ListeChaineAccroche(Portee** staff, int32_t note, std::vector<MaillonAccroche>* out);
// Order of chain entries: x, then staff number, then note index.
bool ClasseNotesAccroche(const MaillonAccroche& a, const MaillonAccroche& b);
// The chain's first and last notes (null staff and -1 without a chain) and
// whether one of its notes carries a tuplet ratio; returns the count.
int32_t GetNoteFirstLastLiaisonAccroche(Portee** staff, int32_t note, Portee*** firstStaff, int32_t* firstNote,
                                        Portee*** lastStaff, int32_t* lastNote, uint8_t* tuplet);
// The stem tip from the head y of a note's chord extreme (screen or ribbon).
int32_t AppliqueOffsetTige(Portee** staff, int32_t note, bool tablature, bool ecran, int32_t y);
// The head anchor of a note for a beam: at its stem's x, at the chord's head
// farthest from the stem tip.
bool AncreAccroche(Portee** staff, int32_t note, bool tablature, bool ecran, BigPt* out);
// The stem tips of a chain's first and last notes (in x order); 0 for a
// chain of fewer than two notes.
int16_t GetPosFirstLastLiaisonAccroche(Portee** staff, int32_t note, bool tablature, bool ecran, int32_t* firstX,
                                       int32_t* firstY, int32_t* lastX, int32_t* lastY);
// The three points of the link that leaves a note toward the next note of
// its chain in x order, on the beam line; false when it has none.
bool CalculeCoordonneesAccroche(Portee** staff, int32_t note, bool tablature, bool ecran, BigPt* start, BigPt* control,
                                BigPt* end, Portee*** farStaff, int32_t* farNote);
// The beams of the link leaving a note between its points (already shifted
// by dx on the page), and the stems of its two notes up to them.
void TraceAccrocheBrut(Portee** staff, int32_t note, bool tablature, int32_t dx, BigPt start, BigPt control, BigPt end);
// The tuplet marks over a chain (in x order, shifted by dx on the page):
// each run of two or more notes of one tuplet ratio gets its number and
// bracket from its first stem tip to its last, below the beam line when
// `dessous`.
void TraceTupletsAccroche(const std::vector<MaillonAccroche>& chaine, bool tablature, int32_t dx, bool dessous);
// One stem from a head to its tip.
void TraceTige(Portee** staff, const Signe* sign, int32_t x, int32_t headY, int32_t tipY);
