#pragma once
// SHARED(services): the calls the layers below notation drawing make into it
// (the model above all): accidental spelling, chord offsets, bar-line widths,
// chord diagrams kept with their notes, beam links and tie defaults. Each
// group says which file defines it.
#include "platform/PlatformTypes.h"

struct DataAccroche;
struct DefAccord;
struct DiagrammeAccord;
struct NoteAnalyse;
struct LigneTexte;
struct Dynamique;
struct FX;
struct Partition;
struct Rect;
struct Portee;
struct Signe;
struct Tonalite;

// Accidental spelling (Alterations.cpp).
// The line (octave x 7 + step) and shown accidental of a note; returns the shown code.
int16_t CalcPosAlterationFnNote(Portee** staff, const Signe* note, int16_t* line, uint8_t* shown, int32_t noteIndex,
                                int32_t tick);
// The pitch at a line with an accidental (2 takes the key's); returns the code kept.
int16_t CalcNoteFnPosAlteration(Portee** staff, int16_t line, int32_t tick, uint8_t accidental, const Tonalite* key,
                                int16_t* note);

// Mark placement (PlacementMarks.cpp).
// The standard placement kind of a mark code; -1 when the code has none.
int16_t GetPosMarkStd(uint8_t code);

// Bar lines, repeat signs and jump texts (BarresMesure.cpp).
// Pixels of the bar line or repeat sign drawn at the start of a bar.
int32_t CalculeTailleEcranRuptureMesure(Partition** score, int16_t bar);

// Chord offsets (DecalagesAccord.cpp).
// Horizontal offset of the head of note `index` within its chord, on the
// piano roll when `ruban` is given, else on the page.
int16_t CalculeDecalageCorpsAccord(Partition** ruban, Portee** staff, int32_t index);

// Chord names (NomsAccords.cpp).
// The chord-symbol text of a chord given by the pitches of its root, third,
// fifth, seventh and ninth (-1 for an absent degree), spelled in a key; dst
// holds at least 64 bytes. Returns dst.
char* AccordToStr(const int16_t pitches[5], char* dst, const Tonalite* key);
// Reads a chord-symbol text; 1 when a root was recognised, else 0 (root -1).
int16_t CvtChaineEnAccord(const char* text, DefAccord* out);
// The chord's pitches (at most 7), sorted and ended by 65535.
void CvtDefAccordEnListeNotes(const DefAccord* chord, uint16_t* pitches);
// Chords and diagrams are not derived from played notes: these leave the
// definition as it is and find no diagram (0).
void CvtListeNotesEnDefAccord(const NoteAnalyse* notes, DefAccord* out);
int16_t CvtListeNotesEnDiagrammeEditAccord(const NoteAnalyse* notes, int16_t option, DiagrammeAccord* out);
// Index of the staff's own diagram named as the definition (and on its neck,
// unless that is any neck); -1 when none.
int32_t CvtNomAccordEnIndexDiagrammePortee(Portee** staff, const DefAccord* chord);

// The chord-diagram list of a staff (DiagrammesPortee.cpp).
void DisposeDiagrammes(Portee** staff);
// Puts the staff's diagram placements in order for drawing.
void PrepareDiagrammesPortee(Portee** staff);
void DisposeDiagrammesAccordsCustomsPortee(Portee** staff);
// Diagram positions made relative to their notes around edits (mode 0 width
// changes, 1 structural edits) and put back.
void PreservePositionDiagrammes(Partition** score, int16_t mode);
void RestaurePositionDiagrammes(Partition** score, int16_t mode);
// Bars firstBar .. firstBar + count - 1 were deleted: their placements go,
// later ones move down.
void DeleteMesuresDiagrammesPortee(Portee** staff, int16_t firstBar, int16_t count);

// Dynamics, hairpins, octave lines, pedal and tempo marks (DynamiquesGraf.cpp).
// The standard rectangle (0, 0, width, height) of a new object of the
// record's type; the staff may be null. Returns 1.
int16_t GetRectStdDynamique(Portee** staff, const Dynamique* record, Rect* out);
// Draws one object in its page rectangle; the staff may be null.
void AfficheDynamique(Portee** staff, const Dynamique* record, const Rect* rect);
// Draws a hairpin cut over the line starts it crosses; false when the record
// is not drawn that way.
bool AfficheDynamiqueSplite(Portee** staff, const Dynamique* record, const Rect* rect, int32_t xOffset);

// Beam links drawn across positions and staves (LiaisonsAccroche.cpp).
// Default beam counts of the link from note A to note B, written into the
// shape part of the link's block.
void CalculeNbBarresDefautLiaisonAccroche(Portee** staffA, int32_t noteA, Portee** staffB, int32_t noteB,
                                          DataAccroche* data);
// Re-orders the chain holding the note by x; 0 when there is no chain.
int16_t ReclasseLiaisonsAccroche(Portee** staff, int32_t index);
// The note, or the record before it, carries the chord-member flag.
bool IsNoteInAccord(const Signe* notes, int32_t index);

// The chord-name line of a staff (LigneAccords.cpp).
// The staff's text line 1 (lyrics) or 2 (chord names) when the staff shows
// it; null for any other line, a hidden line or no staff.
LigneTexte* GetLigneTextePortee(Portee** staff, uint32_t line);
// Draws the chord diagram of one cell of the chord line; always 1.
int16_t VectTraiteTaquetLigneTexteAccord(Portee** staff, int16_t bar, int16_t cell);

// Tie and slur shapes (QrvLiaisonCoule.cpp).
// Gives a new link its default shape in the source note's effect record
// (kind 0 tie or slur, 1 beam link), keeping its ids and staff numbers.
void SetLiaisonCouleDefautNote(Portee** staff, int32_t index, int16_t kind);
// Draws a slur-shaped curve in one of the seven line styles (0 solid spline
// thin at both ends, 1 bracket, 2 dotted bracket, 3 wavy, 4, 6 and 7 dotted
// splines, 5 straight) from (x0, y0) to (x1, y1) through the control point,
// `thickness` thick, in the current colour; smoothing in units (0 none).
void TraceLiaisonCoule(int16_t shape, int16_t x0, int16_t y0, int16_t x1, int16_t y1, int16_t controlX,
                       int16_t controlY, int16_t thickness, float smoothing);

// Sound-effect objects (FXsGraf.cpp).
// Draws one sound-effect object in its page Rect: its icon, its name right of
// it, clipped to the Rect; a hidden object only with the guide marks.
void AfficheFX(Portee** staff, const FX* record, const Rect* area);

// The staff drawing driver (AffichePortee.cpp).
// Places the staff for drawing the bar and gives the bar's x offset; false
// when no page system holds the bar.
bool PrepareDraw(Portee** staff, int32_t bar, bool clip, int32_t* xOffset);

// Chord drawing and the printed pieces of tied notes (SCleGraf.cpp).
// True when the note carries a tie (its printed pieces can be listed).
bool IsNoteLiee(Portee** staff, int32_t index);
// Draws the notes of a text's rhythm pattern in the music font from the pen,
// which moves past them; secondMode is the pattern's '#' switch.
void TraceSignesRhythmicPattern(const Signe* notes, int32_t count, uint8_t secondMode, float scale);
