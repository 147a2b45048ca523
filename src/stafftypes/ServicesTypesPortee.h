#pragma once
// SHARED(services): the calls the layers below the staff types make into them
// (the model above all): the installers that fill a new staff's operation
// slots (stafftypes/VecteursPortee.h), staff lines, time-signature texts and
// the tablature record. Each group says which file defines it.
#include "platform/PlatformTypes.h"
#include "stafftypes/DonneesLigneTexte.h"

struct DivisionTemporelle;
struct LigneTexte;
struct NoteAnalyse;
struct Partition;
struct Portee;
struct Rect;
struct Signe;
struct Tablature;
struct TaquetKaraoke;
struct TextStyle;

// The standard five-line staff (type 0) and drums on a standard staff (type 8)
// (PorteeQuarvel.cpp).
void InitPorteeQuarvel(Portee** staff);
void InitPorteeBatterieStd(Portee** staff);
// Line-shown flag of staff line position n (-5 to 10); other positions read
// as hidden and are ignored on write.
bool IsAfficheLignePortee(Portee** staff, int16_t n);
void SetAfficheLignePortee(Portee** staff, int16_t n, uint8_t shown);
// The numerator and denominator texts of a time signature (each at least 16
// bytes); 1 for a symbol.
int16_t CvtDivisionTemporelleEnString(const DivisionTemporelle* division, char* top, char* bottom);

// The drum staff type (type 2) (PorteeBatterie.cpp).
void InitPorteeBatterie(Portee** staff);
// Lyrics (type 3), tempo (type 4) and digital audio track (type 10) staff
// types (PorteeParoleTempoPiste.cpp).
void InitPorteeParole(Portee** staff);
void InitPorteeTempo(Portee** staff);
// A rate code and bit depth of 0 mean the defaults.
void InitPorteePisteNumerique(Portee** staff, uint32_t rateCode, int16_t bits);
// The score's own tempo in quarters per minute: integer part and 65535ths.
float GetTempoFinPartition(Partition** score);
// The tempo a tempo-staff note carries: its integer part stands in the played
// percentage field, its 32000ths in the arpeggio offset.
float CvtNoteEnTempo(const Signe* note);
void InjecteTempoDansNote(Signe* note, float tempo);
// The tempo an old document's tempo-staff note meant by its pitch.
float CvtOldHauteurTempoToNewTempo(const Signe* note);
// The page rectangle of the cell of a digital track's bar on a pass; false
// when the bar has no cell.
bool CalculeAireCelluleEcranPisteNumerique(Partition** score, Portee** staff, int32_t bar, int32_t pass, Rect* out,
                                           int32_t xOffset);
// The tablature staff type (type 7) (PorteeTablature.cpp).
void InitPorteeTablature(Portee** staff);
// The Gregorian staff type (type 9) (PorteeGregorien.cpp).
void InitPorteeGregorien(Portee** staff);

// The text lines of a staff: lyrics and chord names (PorteeKaraoke.cpp).
// The spacing columns of a bar of a text line (at most kMaxTaquetsMesure):
// one per note or chord in column mode 3, else, with the fallback, the
// divisions of the column mode. withPixels fills the x and width fields,
// withTimes the time and duration. Returns the count.
int16_t CalculeTableauTaquetKaraokeMesure(TaquetKaraoke* columns, Portee** staff, uint32_t mode, uint16_t parameter,
                                          int16_t bar, uint8_t withPixels, uint8_t withTimes, int8_t fallback);
// The bytes of a cell's plain text that belong to column n: start after n
// syllables, end just past the separator (' ', '-', '_') that ends the
// syllable, or the text's end. missing (may be null) counts the syllables
// the text lacks before column n.
void GetBoundsStringTaquet(const char* cellText, int16_t n, int32_t* start, int32_t* end, int32_t* missing);
// The column cursor over a text line (1 lyrics, 2 chord names): the column of
// a global index, counted from the first bar, into `out` with its time and x
// absolute; 1 when found, 0 past the last bar (bar = bar count, the time the
// score's end). `columns` holds kMaxTaquetsMesure entries: the current bar's.
int16_t GetTaquetIndex(TaquetKaraoke* columns, Portee** staff, uint32_t line, int32_t index, TaquetKaraoke* out,
                       int16_t* bar, int16_t* indexInBar);
// The column after the last one asked.
int16_t GetNextTaquet(TaquetKaraoke* columns, TaquetKaraoke* out, int16_t* bar, int16_t* indexInBar);
// The syllable of the last column asked in a verse, without its separator
// (out holds kTailleTexteCellule bytes).
void GetTexteLastTaquet(char* out, int16_t verse);
// Their cells (CellulesKaraoke.cpp).
// Edits the display rows of the lyric verses over bars first..last: 1 inserts
// a row, 2 hides the verse of a row, 3 compacts the rows, 4 shows every verse.
enum : int16_t {
  kActionCellulesInsereLigne = 1,
  kActionCellulesSupprimeLigne = 2,
  kActionCellulesCompacte = 3,
  kActionCellulesToutAffiche = 4,
};
void DoActionCellulesParoles(Partition** score, Portee** staff, int16_t action, int16_t first, int16_t last,
                             int16_t row);
// Their drawing (TraceLigneTexte.cpp).
// Draws one cell of a text line in its rectangle: its syllables on the
// columns of the bar, hyphens and extender lines, its markers (shown as text
// with showCodes).
void AfficheLigneTexte(Portee** staff, const LigneTexte* line, int16_t bar, const Rect* cell, Handle text,
                       const TextStyle* style, uint8_t showCodes, VectTraiteTaquet hook);
// The guide lines and labels of the staff's shown text lines over a rectangle.
void TraceFondLigneTextes(Portee** staff, const Rect* rect);
// The bar lines of the staff's shown text lines at x (drawn with their guides).
void TraceBarreMesureLigneTextes(Portee** staff, int16_t x);

// Accordion chords (DoigteAccordeon.cpp).
// The bass chord of the accordion's table whose notes best match a note list
// (ended by a negative pitch) at a tick: single bass notes on strong beats,
// chords on weak ones; push and/or pull rows as asked. The text (at least 64
// bytes) gets its name, empty when none matches.
void CalculeAccordAccordeonSelonNotes(Partition** score, Portee** staff, int32_t tick, const NoteAnalyse* notes,
                                      int16_t pull, int16_t push, char* text);
// The pitches of the bass chord a text names (ended by 65535); 0 when the
// table holds no such name.
int16_t CvtAccordAccordeonEnListeNotes(Portee** staff, const char* text, uint16_t* pitches);
// The accordion tablature's deferred note drawing (TablatureAccordeon.cpp):
// opened before a staff's notes are walked and flushed after. The flush
// writes the queued notes column by column and returns the x offset of
// note `index` in its column (0 when not queued); with `width` it measures
// that note instead of stopping there; draw 0 only measures.
void InitDisplayTablatureAccordeon();
int16_t EndDisplayTablatureAccordeon(Portee** staff, int32_t index, int16_t* width, uint8_t draw);

// The tablature record of a staff (Tablature.cpp).
// Creates the staff's record when it has none (kind 0 fretted, 2000
// harmonica, 3000 accordion) and returns it.
Tablature** NewTablature(Portee** staff, uint32_t kind);
// Puts the group forwarders in the slots of a staff whose record is a window
// on its group's.
void ClearVecteursTablature(Portee** staff);
// Installs the slots of the record's kind after the staff was read, and the
// staff's note-position slots that follow from its type.
void InitVecteursTablature(Portee** staff, uint32_t kind);
// Frees the record and clears the staff's field.
void DisposeTablature(Portee** staff);
// Marks the staff's tablature as not computed (nothing without a tablature).
void FixeTablatureNonCalculee(Portee** staff);
// The same, for a tablature whose fingering follows octave marks, when one goes.
void FixeTablatureNonCalculeePourOttava(Portee** staff);
// The record that serves the staff (following merged staves), or null.
Tablature** GetTablature(Portee** staff);
// The staff of the score that owns the record, or null.
Portee** GetPorteeFromTablature(Partition** score, Tablature** tablature);
// The staff shows a tablature (a record serves it, its own or its group's).
bool IsTablatureVisible(Portee** staff);
// Marks of the staff's notes are drawn as on grace notes (a record serves it).
bool IsStaffDisplayMarkAsGrace(Portee** staff);
// Page drawing must run the fingering first: a record on a staff not of the
// tablature type, not computed.
bool IsNecessaireCalculTablature(Portee** staff);
// The height of the tablature's lines in screen pixels.
int16_t GetHauteurUtileTablature(Tablature** tablature);
// The note, header and grace styles take the preferences' defaults.
void SetDefaultStyleTablature(Portee** staff);
// The y of a note on the staff's tablature (screen), on its group's (ribbon).
int16_t CvtIndexNoteEnPosEcranLinTablature(Portee** staff, int32_t index);
int16_t CvtIndexNoteEnPosRubanLinTablature(Portee** staff, int32_t index);
