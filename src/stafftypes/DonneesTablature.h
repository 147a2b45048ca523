#pragma once
// SHARED(data): the tablature record of a staff. Its operations are declared
// in stafftypes/ServicesTypesPortee.h.
#include "platform/PlatformTypes.h"
#include "stafftypes/VecteursPortee.h"
#include "text/TextStyle.h"

// Display flags of a tablature record: the tablature, standard notation as
// well, stems drawn on the tablature, those stems down, rests.
enum : uint8_t {
  kTablatureAfficheTablature = 1,
  kTablatureAfficheNotation = 2,
  kTablatureAfficheQueues = 4,
  kTablatureQueuesEnBas = 8,
  kTablatureAfficheSilences = 16,
};

struct BigRect;
struct Mark;
struct Rect;
struct Signe;

// The record's operation slots, filled by its kind; a null slot does nothing
// (a tablature without a height slot is 0 high). Tops are the y of the first
// line (staff area's top + base line).
struct VecteursTablature {
  // 0: capo, T A B and tuning at a line start (time 0), with the time signature.
  void (*TraceArmature)(Portee** staff, const Rect* rect, int32_t tick, int16_t top, uint8_t withTime);
  // 1: a time-signature change at a bar.
  void (*TraceClefChange)(Portee** staff, int16_t bar, int16_t x);
  // 2: the lines over `area`, with the start line when asked.
  void (*TraceFond)(Portee** staff, const Rect* rect, const Rect* area, int16_t top, uint8_t startLine);
  // 3: the bar line from y1 to y2 (across the tablature when they are equal).
  void (*TraceBarre)(Portee** staff, int16_t bar, int16_t x, int16_t y1, int16_t y2);
  // 4: one note at x (xRef the bar's x); effectsIndex its grace and mark record.
  void (*TraceNote)(Portee** staff, int16_t x, int16_t xRef, int32_t index, const Signe* note, int16_t effectsIndex);
  // 5: recomputes the line spacing and heights at the destination resolution.
  void (*ReCalculeInterneGraph)(Portee** staff);
  // 6: the tablature's height in pixels at the destination resolution (asked
  // with 1: half a line spacing more).
  int16_t (*GetHauteurEcran)(Portee** staff, int16_t half);
  // 7: the automatic fingering of the staff's notes.
  void (*CalculeTablature)(Portee** staff);
  // 8: the palette of a clicked note (never shown here).
  int16_t (*PopUpSelectCase)(Portee** staff, int16_t a, int16_t b, int16_t c, int16_t d);
  // 9: the note under the cursor (its pitch into note->kind); -2 when none.
  int16_t (*CvtRubanToNote)(Portee** staff, int32_t tick, int32_t y, Signe* note);
  // 10 and 11: the y of a note on the screen and on the ribbon (staff slots 3 and 4).
  VectNote2Y CvtNoteToEcr;
  VectNote2Y CvtNoteToRuban;
  // 12: a note's horizontal shift.
  int16_t (*GetDeltaXNote)(Portee** staff, int32_t index);
  // 13: the note the cursor would write at (x, y) on the ribbon.
  void (*AfficheCurseur)(Portee** staff, int32_t x, int32_t y, const Signe* note, uint8_t withStyle);
  // 14: the settings dialog (never shown here).
  int16_t (*SelectParam)(Portee** staff);
  // 15 to 18: the cursor's fret and string.
  int16_t (*GetPosCase)(Portee** staff);
  int16_t (*GetPosCorde)(Portee** staff);
  void (*SetPosCase)(Portee** staff, int16_t fret);
  void (*SetPosCorde)(Portee** staff, int16_t string);
  // 19: the ribbon rectangle of a note (staff slot 12).
  VectCvtIndexNoteEnAireRuban CvtIndexNoteTablatureEnAireRuban;
  // 20 and 21: the tablature's area on the ribbon and on the screen.
  void (*GetRectRuban)(Portee** staff, BigRect* out);
  void (*GetRectEcran)(Portee** staff, Rect* out);
  // 22: the pitch of a fret on a string.
  int16_t (*CalculeHauteurNote)(Portee** staff, int16_t string, int16_t fret);
  // 23: the first string and fret that play a pitch (255 both when none).
  void (*CalculeCordeCaseNote)(Portee** staff, int16_t pitch, uint8_t* string, uint8_t* fret);
  // 24: the grace notes of a note drawn at (x, y); returns what they drew.
  int16_t (*TraceGraceNotes)(Portee** staff, int16_t x, int16_t y, int32_t index, const Signe* note);
  // 25: the point of a note's mark (x, y in: the note's point).
  void (*CalculePosEffet)(uint8_t screen, Portee** staff, const Signe* note, const Mark* mark, int32_t* x, int32_t* y);
  // 26: two positions (string x 256 + fret) can stand together.
  bool (*IsPosCompatibles)(Portee** staff, uint16_t a, uint16_t b);
};

// Fixed room of the record: what a document stores beyond it is read and dropped.
constexpr int kNbCordesTablature = 16;
constexpr int kNbTrousHarmonica = 20;
constexpr int kNbRangeesSupHarmonica = 5;
constexpr int kNbBoutonsAccordeon = 16;
constexpr int kNbRangeesAccordeon = 3;  // keyboard rows
constexpr int kNbBanquesBassesAccordeon = 8;
constexpr int kNbRangeesBassesAccordeon = 3;

// Tablature instruments other than necks.
enum : uint32_t { kTablatureHarmonica = 2000, kTablatureAccordeon = 3000 };

// How frets are written: numbers, lute letters, dulcimer frets, shamisen and
// kountigui labels.
enum : int32_t { kModeChiffres = 0, kModeLuth = 1, kModeDulcimer = 2, kModeShamisen = 3, kModeKountigui = 4 };

// One string: three values, the first its open pitch.
struct CordeTablature {
  uint16_t valeurs[3];  // open pitch, fret count, first fret
};

// One harmonica model: what each hole sounds, blown and drawn, with the slide
// pushed (chromatic models) and on the extra rows of valved models. Pitches
// are note numbers; 0 = the hole has no note there.
struct DefinitionHarmonica {
  uint32_t code;
  uint16_t hauteurReference;   // hole 1 blow, for which the rows are written
  uint16_t hauteurReference2;  // stored beside it, read by nothing
  char nomFrancais[32];
  char nomAnglais[32];
  int16_t nbTrous;       // 10, 12 or 16
  uint16_t chromatique;  // 1: a slide (slide rows in use)
  uint8_t bends;         // bend rows are derived
  uint8_t overblows;     // overblow and overdraw rows are derived
  uint8_t souffle[kNbTrousHarmonica];
  uint8_t aspire[kNbTrousHarmonica];
  uint8_t souffleCoulisse[kNbTrousHarmonica];
  uint8_t aspireCoulisse[kNbTrousHarmonica];
  // Non-zero: the holes below it are labelled with a prime and the numbering
  // starts again at 1 from it.
  int16_t premierTrouNormal;
  uint8_t valves;  // 1: the extra rows are the bends, not derived
  uint8_t rangees[kNbRangeesSupHarmonica][kNbTrousHarmonica];
  uint8_t nbTrousUtilises;  // documents store it beside the hole count; nothing reads it
};

// The harmonica part of the record.
struct Harmonica {
  int32_t modele;             // built-in model 0 to 8; -1: the record's own definition below
  uint16_t hauteurReference;  // the key: pitch of hole 1 blow (48)
  uint32_t styleSymboles;     // breath symbols: 0 signs, 1 arrows, 2 and 3 triangles, 4 one line per breath
  uint32_t modeLibelles;      // 0 one symbol line, 1 blow/draw lines labelled in full, 2 short labels (2)
  uint8_t orientation;        // the band grows the other way
  uint8_t cercleCoulisse;     // slide notes are circled instead of marked
  uint8_t secondePasse;       // the fingering moves single notes next to the previous one
  uint8_t bendsPermis;        // (1)
  uint8_t overblowsPermis;    // (0)
  uint8_t afficheInconnus;    // a note without a hole shows "?" (1)
  uint8_t lignesAffichees;    // (1)
  DefinitionHarmonica definition;
  uint8_t chromatiqueUtilise;  // copied from the model at each fingering
};

// A button of the accordion keyboard: its pitch on the push and on the pull
// (0: the button has no note there).
struct BoutonAccordeon {
  int8_t pousse;
  int8_t tire;
};

// One bass button: its chord on the push and on the pull (names and notes).
struct AccordAccordeon {
  char nomPousse[12];
  char notesPousse[36];
  char nomTire[12];
  char notesTire[36];
};

// The keyboard's texts, by index in Accordeon::chaines: the labels of the
// push and pull lines in two-line mode, and the chord font's name.
enum : int { kLibellePousseAccordeon = 3, kLibelleTireAccordeon = 4, kFonteAccordsAccordeon = 5 };

struct Accordeon {
  uint16_t present;                           // 1: the block below was stored
  int32_t modeAffichage;                      // 0: one line per keyboard row; else two lines, push above pull
  uint8_t lignesAffichees;                    // the band's lines and bar lines are drawn
  uint16_t intervalleSoufflet;                // bellows reversal, in quarter notes
  char chaines[6][256];                       // kept at 63, 63, 254, 31, 31 and 254 characters
  int16_t premierBouton;                      // the number written for button 0
  uint16_t nbRangees;                         // 1 to kNbRangeesAccordeon
  uint16_t nbRangeesBasses;                   // bass rows per bank: 0 to kNbRangeesBassesAccordeon
  char nomsRangees[kNbRangeesAccordeon][32];  // row 0 first
  BoutonAccordeon clavier[kNbBoutonsAccordeon][kNbRangeesAccordeon];
  AccordAccordeon basses[kNbBanquesBassesAccordeon][kNbRangeesBassesAccordeon];
  uint8_t octet800;
};

// A staff's tablature record: the instrument (a neck's strings, a harmonica
// or an accordion), its geometry at the destination resolution, its styles,
// its display switches and the slots of its kind.
struct Tablature {
  uint32_t kind;           // kTablatureAccordeon, kTablatureHarmonica, else a neck id (0 fretted)
  uint8_t calculee;        // the automatic fingering is up to date
  uint8_t flagsAffichage;  // kTablatureAffiche* bits
  int16_t decalageHaut;    // y of the first tablature line relative to the staff's base line
  // Offset of the first line below the staff area's top: at 72 dpi, zoomed,
  // and zoomed for the piano roll (layout/HauteursPortees.h sets them).
  int16_t ligneBase;
  int16_t ligneBaseZoom;
  int16_t ligneBaseRuban;
  float decalage;  // under a staff of another type: added to the staff's height
  // Geometry: useful height and line spacing, on the screen and the ribbon.
  int16_t hauteur;
  float interligne;
  int16_t hauteurRuban;
  float interligneRuban;
  VecteursTablature vecteurs;

  // As documents store it.
  uint16_t nbCordes;  // as stored; at most kNbCordesTablature are kept
  // Per string: open pitch, fret count, first fret.
  CordeTablature cordes[kNbCordesTablature];
  uint8_t transposition;
  int32_t modeNumeros;  // 0 numbers, 1 lute letters, 2 dulcimer, 3 shamisen, 4 kountigui
  // Weights of the automatic fingering.
  uint16_t envergure;  // hand span in frets
  uint16_t poidsCase;  // stretch cost
  uint16_t poidsCordeVide;
  uint16_t poidsChangementCorde;
  uint16_t profondeur;  // search depth
  uint16_t poidsEcart;  // gap cost
  uint8_t octetPoids;   // the fingering groups short notes (0)
  uint8_t couleur;      // line colour index
  // Note text style, header text style, grace-note text style.
  TextStyle styles[3];
  uint16_t mot;
  int16_t capo;  // fret
  // Display switches (1 at creation but where said).
  uint8_t afficheCapo;
  uint8_t effaceDerriere;     // the note text's background is erased
  uint8_t teteHarmoniques;    // harmonic heads are written as harmonics
  uint8_t marquesDessinees;   // the notes' marks are drawn
  uint8_t liaisonsDessinees;  // the notes' ties are drawn
  int8_t decalageVertical;    // 72-dpi units added zoomed to every note position (0)
  uint8_t suitOctaves;        // the fingering uses the octave-adjusted pitch
  uint8_t octetReserve;       // kept as read
  uint8_t afficheAccordage;   // the tuning at a line start (0)
  uint8_t afficheTAB;         // the letters T, A, B at a line start (0)
  uint8_t partageGroupe;      // shared by the staff's group (1)
  Harmonica harmonica;
  Accordeon accordeon;
};

// The styles of the record.
enum : int { kStyleTablatureNote = 0, kStyleTablatureEntete = 1, kStyleTablatureGrace = 2 };
