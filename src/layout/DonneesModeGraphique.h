#pragma once
// SHARED(data): the graphic mode, the engraving constants notation drawing
// reads (line thicknesses, lengths, distances, percentages and the
// chord-symbol fonts). Each score carries its own copy, the preferences the
// user's, a built-in default exists, and one current copy, GModeGraphique, is
// installed before a score is drawn. Its operations are in
// layout/ModeGraphique.h.
//
// The stored record is 256 bytes seen as 128 signed 16-bit slots (slot n =
// bytes 2n and 2n + 1), with flag bytes and text styles laid over some of
// them. In memory each overlay has a field of its own, so that writing a
// style never clobbers a slot: slot[n] holds slot n; the slots under a flag
// byte, a text style or the 32-bit value stay 0.
#include "platform/PlatformTypes.h"
#include "text/TextStyle.h"

struct ModeGraphique {
  int16_t slot[128];
  uint8_t drapeaux[4];              // bytes 0 to 3; byte 1: an accidental holds for its note name
                                    // in every octave; byte 2: alternative quarter rest
  uint8_t drapeau220;               // byte 220: ending brackets are drawn
  uint8_t drapeau221;               // byte 221: an open ending bracket runs to the bar end
  int32_t valeur244;                // bytes 244 to 247 (slots 122 and 123)
  TextStyle styleNombrePause;       // byte 74 (slots 37 to 42): number of a multi-bar rest
  TextStyle styleNombreRepetition;  // byte 96 (slots 48 to 53): number of a repeated-bar block
  TextStyle styleAccords;           // byte 194 (slots 97 to 102): chord symbols
  TextStyle styleTexteAccords;      // byte 230 (slots 115 to 120): chord-symbol text
  // Values an imported score sets and the stored record has no place for;
  // 0 keeps the built-in value (kMGEpaisseurCadreTexte, kMGPourcentGraces).
  int16_t epaisseurCadreTexte;  // frames of staff texts, in quarter pixels
  int16_t pourcentGraces;       // grace notes, per cent of their main note's size
};

// Thickness slots raised to the preferences' minimums in print modes.
constexpr int kSlotsEpaisseurMin1[] = {26, 12};
constexpr int kSlotsEpaisseurMin2[] = {54, 57, 58, 59, 65, 66, 67, 68, 85, 90, 103};

// Line thicknesses (1/288 inch) that drawing reads from the slots.
constexpr int kSlotEpaisseurBarreEpaisse = 11;  // heavy bar line
constexpr int kSlotEpaisseurBarreFine = 12;     // light bar line
constexpr int kSlotEpaisseurQueue = 26;         // stems
constexpr int kSlotEpaisseurLignePortee = 54;   // staff lines
constexpr int kSlotEpaisseurLigneSup = 57;      // leger lines

// Engraving constants that drawing reads from the graphic mode but whose slot
// the stored record does not give: named values instead of guessed slots,
// never read from documents. Thicknesses are in 1/288 inch unless stated,
// lengths in 72-dpi units.
// Width of the line closing a system, counted into its natural width (as the thin bar line).
constexpr int16_t kMGEpaisseurLigneSysteme = 3;
// Pen of the thin rules of page drawing (as the thin bar line).
constexpr int16_t kMGEpaisseurTraitFin = 3;
// Line joining the staves at a system's left (as the thin bar line); none at its right,
// where the bar line already closes it.
constexpr int16_t kMGEpaisseurLigneSystemeGauche = 3;
constexpr int16_t kMGEpaisseurLigneSystemeDroite = 0;
// Added to the standard stem length of 21: none.
constexpr int16_t kMGReglageQueue = 0;
constexpr int16_t kMGEpaisseurQueue = 3;  // stems: as the thin bar line
// Repeat-two-bars symbol: scale in per cent, offsets in 72-dpi units, figure size in
// sixteenths of an interline (two interlines, as the repeated-bar number), font 20 bold.
constexpr int16_t kMGEchelleSymboleRepetition = 100;
constexpr int16_t kMGDecalageSymboleRepetition = 0;
constexpr int16_t kMGDecalageChiffreRepetition = 0;
constexpr int16_t kMGTailleChiffreRepetition = 32;
constexpr int16_t kMGFonteChiffreRepetition = 20;
constexpr uint8_t kMGStyleChiffreRepetition = 1;
// Accidental spelling marks a changed accidental: off.
constexpr uint8_t kMGMarqueChangementAlteration = 0;
// Staccato dot, in 1/576 inch at a staff size of 72 (a radius of 1/96 inch).
constexpr int16_t kMGTaillePointStaccato = 6;
// Leader line of a text mark, in 1/576 inch.
constexpr int16_t kMGEpaisseurTraitRenvoi = 2;
// Hairpins, in 1/300 inch.
constexpr int16_t kMGEpaisseurSoufflet = 3;
// Automatic slur shape: minimum and maximum slope factors and the flattening
// percentage, the values the stored record falls back to for its three slur words.
constexpr int16_t kMGPenteMinCoule = 25;
constexpr int16_t kMGPenteMaxCoule = 40;
constexpr int16_t kMGAplatissementCoule = 50;
// Chord diagrams: pen, nut height (72-dpi units) and sizes in per cent of the unit.
constexpr int16_t kMGEpaisseurDiagramme = 2;
constexpr int16_t kMGHauteurSillet = 3;
constexpr int16_t kMGTailleMarqueDiagramme = 100;
constexpr int16_t kMGTaillePointDiagramme = 80;
constexpr int16_t kMGTailleBarreDiagramme = 60;
constexpr int16_t kMGTailleNumeroCaseDiagramme = 100;
constexpr int16_t kMGTailleNomDiagramme = 100;
// Part-group signs: the brace's width and shape values and the bracket's
// thickness factor and hook length (72-dpi units), the sub-bracket's line.
constexpr int16_t kMGLargeurAccolade = 4;
constexpr int16_t kMGFormeAccolade = 0;
constexpr int16_t kMGEpaisseurCrochet = 5;
constexpr int16_t kMGLongueurCrochet = 6;
constexpr int16_t kMGEpaisseurSousCrochet = 3;
// Lyric hyphens and extenders (72-dpi units, thicknesses in 1/288 inch).
constexpr int16_t kMGLongueurTiret = 5;
constexpr int16_t kMGEpaisseurTiret = 3;
constexpr int16_t kMGEpaisseurProlongation = 3;
constexpr int16_t kMGEspacementTirets = 36;
constexpr int16_t kMGPlaceMinTiret = 8;
constexpr int16_t kMGMargeTiret = 2;
constexpr int16_t kMGDecalageProlongation = 2;
// Frames of staff texts ("$S", "$O", "$X"): pen width in quarter pixels and margin.
constexpr int16_t kMGEpaisseurCadreTexte = 4;
constexpr int16_t kMGMargeCadreTexte = 2;
// Grace notes: size in per cent of their main note's, and the thickness of the
// slur to it (72-dpi units).
constexpr int16_t kMGPourcentGraces = 60;
constexpr int16_t kMGEpaisseurCouleGraces = 6;

// The chord-symbol font of the built-in mode, looked up by name.
constexpr const char* kNomFonteAccords = "Tessel Chords";

// The mode installed for drawing.
extern ModeGraphique GModeGraphique;
