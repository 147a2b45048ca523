#pragma once
// The graphic mode: the engraving constants notation drawing reads (line
// thicknesses, lengths, distances, percentages and the chord-symbol fonts).
// Each score carries its own copy, the preferences the user's, a built-in
// default exists, and one current copy, GModeGraphique, is installed before a
// score is drawn.
//
// The stored record is 256 bytes seen as 128 signed 16-bit slots (slot n =
// bytes 2n and 2n + 1), with flag bytes and text styles laid over some of
// them. In memory each overlay has a field of its own, so that writing a
// style never clobbers a slot: slot[n] holds slot n; the slots under a flag
// byte, a text style or the 32-bit value stay 0.
#include "platform/PlatformTypes.h"
#include "text/TextStyle.h"

struct Partition;

struct ModeGraphique {
  int16_t slot[128];
  uint8_t drapeaux[4];  // bytes 0 to 3; byte 1: an accidental holds for its note name
                        // in every octave; byte 2: alternative quarter rest
  uint8_t drapeau220;   // byte 220: ending brackets are drawn
  uint8_t drapeau221;   // byte 221: an open ending bracket runs to the bar end
  int32_t valeur244;    // bytes 244 to 247 (slots 122 and 123)
  TextStyle styleNombrePause;      // byte 74 (slots 37 to 42): number of a multi-bar rest
  TextStyle styleNombreRepetition;  // byte 96 (slots 48 to 53): number of a repeated-bar block
  TextStyle styleAccords;           // byte 194 (slots 97 to 102): chord symbols
  TextStyle styleTexteAccords;      // byte 230 (slots 115 to 120): chord-symbol text
};

// Thickness slots raised to the preferences' minimums in print modes.
constexpr int kSlotsEpaisseurMin1[] = {26, 12};
constexpr int kSlotsEpaisseurMin2[] = {54, 57, 58, 59, 65, 66, 67, 68, 85, 90, 103};

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

// The chord-symbol font of the built-in mode, looked up by name.
constexpr const char* kNomFonteAccords = "Tessel Chords";

// The mode installed for drawing.
extern ModeGraphique GModeGraphique;

// The built-in defaults.
void GetDefautModeGraphique(ModeGraphique* mode);
// The user's mode, from the preferences.
void GetUserModeGraphique(ModeGraphique* mode);
// Installs a mode as GModeGraphique; in print modes raises the thickness slots
// to at least the two minimums.
void InstalleModeGraphique(const ModeGraphique* mode, bool modeImpression, int16_t epaisseurMin1,
                           int16_t epaisseurMin2);
// Installs the score's mode, with the preferences' minimum printed thicknesses
// in print modes.
void SetCurrentModeGraphique(Partition** score);

// Display snapshot: what laying a score out at another resolution changes,
// kept so that it can be put back. Per staff, the vertical metrics that the
// staves are prepared with (screen and ribbon) and the tablature's top offset.
struct ParamAffichagePortee {
  float interligne;
  int16_t decalageLigneBas;
  int16_t yHaut;
  int16_t yBas;
  int16_t yEcran;
  int16_t yBarreHaut;
  int16_t yBarreBas;
  float interligneRuban;
  int16_t decalageLigneBasRuban;
  int16_t hauteurRuban;
  int16_t hauteurBaseRuban;
  int16_t decalageHautTablature;  // staves with a tablature
};
struct ParamAffichage {
  int16_t margeGaucheEcran;  // left inset of the score's screen area
  int16_t dpiDest;
  int16_t zoom;
  float echelleEcran;
  Handle portees;  // one ParamAffichagePortee per staff
};
typedef ParamAffichage** HParamAffichage;
// A new snapshot, or null when memory is short (nothing kept).
HParamAffichage GetParamAffichage(Partition** score);
// Puts a snapshot back (the destination resolution, the score's fields, and
// the metrics of as many staves as both have) and releases it; nothing for null.
void SetParamAffichage(Partition** score, HParamAffichage snapshot);

// Reads a stored mode from the document byte stream over the record's current
// contents: the version gates on `version`, text styles come through lireStyle.
// 1, or 0 when the stream ended inside the record (the record then holds what
// was read).
typedef int16_t (*LecteurTextStyle)(TextStyle* style);
int16_t LitConfigGraphique(ModeGraphique* mode, uint16_t version, LecteurTextStyle lireStyle);
// The same at the version being loaded, with the document's text-style reader.
int16_t ReadConfigGraphique(ModeGraphique* mode);
