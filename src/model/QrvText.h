#pragma once
// Staff texts and lyric cells. A staff's texts are one list of records: free
// texts placed at a time (line 0) and the cells of its text lines, one per
// bar and verse (line 1 the lyrics, line 2 the chord names). Lyrics belong to
// notes: around a structural edit every cell is cut into its syllables, each
// anchored to its note, and the cells are rebuilt at the notes' new times.
#include "platform/PlatformTypes.h"
#include "system/BigRect.h"
#include "text/TextStyle.h"

struct Document;
struct ExtendedStylRec;
struct Partition;
struct Portee;

// One text of a staff.
struct Texte {
  int32_t debut;  // start tick
  int32_t fin;    // end tick; a lyric cell ends one tick before the next bar
  // Top and bottom in 72-dpi points below the line's origin. A lyric cell
  // sits on the row of its verse: row x row height + 2 down to the next row;
  // a verse without a display row keeps its (negative) row and row + 1.
  int32_t haut;
  int32_t bas;
  int16_t extensionGauche;  // added to the edges of a free text's area
  int16_t extensionDroite;
  uint32_t ligne;         // 0 free text, 1 lyrics, 2 second line, else other lines
  TextStyle style;        // face bit 7: transparent (set on every lyric cell)
  int32_t angle;          // degrees; drawing uses the low 16 bits
  uint32_t cache;         // 1: a lyric cell whose verse has no display row
  int16_t passage;        // verse of a lyric cell (CalculePassageTextesPortee)
  Handle texte;           // the styled string, a C string
  int32_t idVue;          // view the text shows in (model/Vues.h); -2 when created
  uint32_t noteAncre;     // preserve id of the note a free text hangs on
  int32_t decalageAncre;  // ticks from that note
};

// Face bit of a text drawn without erasing behind it.
constexpr uint8_t kFaceTexteTransparent = 128;
// Size of the caller's buffer of the cell readers (511 bytes and the NUL).
constexpr int32_t kTailleTexteCellule = 512;
// Verses of a bar.
constexpr int16_t kNbPassagesCellule = 256;

// ---- the list ----------------------------------------------------------------

// The staff's records and their count (0 and null when it has none).
Texte* GetTextesPortee(Portee** staff, int32_t* count);
// Index of a new zeroed record (view id -2) holding a copy of the string,
// appended to the list; -1 when the list is full or memory runs out.
int32_t CreeNewTexte(Portee** staff, const char* text);
// Stores the caller's record at the index (< 0: a new one) but keeps the
// record's own text handle, whose string becomes a copy of `text`. Returns
// the index, -1 on failure.
int32_t SetEnregTexte(Portee** staff, int32_t index, const Texte* record, const char* text);
// A bad index is reported (BigBadError "QrvText" 1) and changes nothing.
void DeleteTexte(Portee** staff, int32_t index);
void DisposeTextes(Portee** staff);
// Sorts the list by CompareTextes; equal records keep their order.
void PrepareTextesPortee(Portee** staff);
// Start, then top, then bottom, ascending.
int16_t CompareTextes(const Texte* a, const Texte* b);
// The text starts or ends in from..to, or spans it.
bool IsSectTexte(Portee** staff, int32_t index, int32_t from, int32_t to);
// Deletes every text of a line.
void DisposeTextesKaraoke(Portee** staff, uint32_t line);
// Deletes every text whose plain text is empty.
void PurgeTextesVides(Portee** staff);
// The record's font, size and face (bit 7 cleared) at the current zoom, and
// its colour, in the current port.
void SetStyle(const Texte* record);
// A free text at a time: its area is the string's width (and a frame's room
// for "$X") by its ascent, measured at 72 dpi. Returns its index or -1.
int32_t CreeObjetTexte(Portee** staff, const char* text, int16_t font, int16_t size, uint8_t face, int32_t tick,
                       int32_t top, float angle);

// ---- lyric cells by (line, bar, verse) -----------------------------------------

// Writes the cell: a non-empty text replaces it (or creates it), an empty
// one deletes it. The cell spans the bar and sits on its verse's display row;
// a given style is stored (else a new cell takes the line's cell style).
// Returns the index, -1 when the staff does not show the line or the bar or
// verse is out of range (and after a deletion).
int32_t SetTexteKaraokeCellule(Portee** staff, int16_t bar, int16_t verse, uint32_t line, const char* text,
                               const TextStyle* style);
// Index of the cell's record, -1 when there is none.
int32_t CvtCelluleKaraokeEnIndexTexte(Portee** staff, uint32_t line, int16_t bar, int16_t verse);
// The cell's plain text in `out` (kTailleTexteCellule bytes; cut at a
// character boundary), empty when there is no cell; the style when asked.
char* GetTexteKaraokeCellule(Portee** staff, uint32_t line, int16_t bar, int16_t verse, char* out, TextStyle* style);
// The same with every "[" .. "]" part removed (an unclosed one runs to the end).
char* GetTexteKaraokeCelluleStrippe(Portee** staff, uint32_t line, int16_t bar, int16_t verse, char* out,
                                    TextStyle* style);
// The cell's styled string (inside the record: valid until the staff's texts
// change), or an empty string.
const char* GetTexteStyleKaraokeCellule(Portee** staff, uint32_t line, int16_t bar, int16_t verse, TextStyle* style);
// The plain text converted to an encoding (text/TextEncodings.h) into `out`
// (kTailleTexteCellule bytes, ended by two NULs).
char* GetTexteCharSetKaraokeCellule(Portee** staff, uint32_t line, int16_t bar, int16_t verse, char* out,
                                    TextStyle* style, int32_t encoding);
// The style runs of the cell's text, 0 when there is no cell or it is plain.
ExtendedStylRec** GetStyleHandleKaraokeCellule(Portee** staff, uint32_t line, int16_t bar, int16_t verse);
// The verse of every lyric cell, from its row and the display rows of its bar.
void CalculePassageTextesPortee(Portee** staff);
void CalculePassageTextesPartition(Partition** score);

// ---- areas and drawing -----------------------------------------------------------

// Area of a text on the piano roll; a lyric cell of a hidden verse gets an
// empty area.
void CalculeAireTexteRuban(Document* document, Portee** staff, int32_t index, BigRect* out);
// Area on screen (staff offset -1: none); false when the text has none.
bool CalculeAireTexteEcran(Document* document, Portee** staff, int32_t index, int32_t staffOffset, Rect* out);
// Draws the staff's lyric cells (lyrics true) or its other texts that lie in
// from..to and meet the clip rectangle.
void AfficheTextesPortee(Portee** staff, const Rect* clip, int32_t staffOffset, int32_t from, int32_t to, bool lyrics);
// Draws one free text in its rectangle, with its "$" codes expanded.
void AfficheTexte(Portee** staff, const Rect* rect, const Texte* record);
// Draws a text holding "$(" rhythm patterns from the pen, run by run.
void DrawTextWithRhythmicPattern(const TextStyle* style, const char* text, int32_t length, const Rect* rect,
                                 float scale);
// `text` points at a "$" code whose letter may be followed by a format in
// square brackets: the date in `out` (256 bytes) by that format (the
// interface's own order without one); returns the closing ']' or `text`.
const char* ExtractDateWithFormat(const char* text, uint32_t secs, char* out);
const char* ExtractCurrentDateWithFormat(const char* text, char* out);

// ---- edits -------------------------------------------------------------------------

// Bars first .. first + count - 1 are going: texts starting in them are
// deleted, later texts move back by the bars' duration. Called before the
// bars leave the bar table.
void DeleteMesuresTextesPortee(Portee** staff, int16_t first, int16_t count);
// Free texts made relative to their notes around structural edits (mode 1)
// and put back.
void PreservePositionTextesDivers(Partition** score, int16_t mode);
void RestaurePositionTextesDivers(Partition** score, int16_t mode);

// Lyrics kept across edits. The notes of every staff are numbered 1..n (their
// preserve id), each cell of a text line (1 lyrics, 2 second line) is cut
// into its syllables, anchored to the notes under them, and after the edit
// the cells are rebuilt at the notes' new times.
struct TextePreserve {
  Portee** portee;  // staff the syllable comes from
  char* texte;      // the syllable, a styled string owned by the entry
  uint16_t mesure;
  uint16_t passage;         // verse
  uint16_t colonne;         // column in the bar
  int32_t decalageColonne;  // ticks from the bar's start to the column
  int32_t temps;            // bar start + column offset
  int32_t note;             // preserve id of the anchor note, -1 none
  int32_t decalageNote;     // ticks from the anchor note's start
  int32_t nouveauTemps;     // set by the restore step
  TextStyle style;          // the cell's style
};
void PreparePreserveObjetsPartition(Partition** score);
// Start tick of the note with that preserve id, -1 when none has it.
int32_t GetPosTempsFromNoteID(Portee** staff, int32_t id);
// The syllables of every staff's line, sorted; null when there are none.
Handle PreserveTextesPartition(Partition** score, int16_t line);
// Appends one staff's syllables; the column layout is that of the line.
void PreserveTextesDansHandle(Portee** staff, int16_t line, uint32_t columnMode, uint16_t columnParameter,
                              Handle entries);
// Staff index, then verse, then time, then column.
int16_t ClasseTextPreserve(const TextePreserve* a, const TextePreserve* b);
// Rebuilds the line's cells of every staff that had syllables, then frees
// the syllables and the handle.
void RestaureTextesPartition(Partition** score, int16_t line, Handle saved);
void RestaureTextesDepuisHandle(Portee** staff, int16_t line, const TextStyle* defaultStyle, Handle entries);
// Frees the syllables of an entries handle and the handle.
void DisposeTextesPreserve(Handle entries);
