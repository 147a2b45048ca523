#pragma once
// The cells of a staff's text lines (lyrics and chord names): a line's row
// height, the normalised rows and style of its cells, the whole text of a
// line in played order and back, the fitting of every cell to the columns of
// its bar through a work buffer, switching the lyrics line on and off,
// re-laying a line and editing which verse shows on which row. What the model
// calls of them is declared in stafftypes/ServicesTypesPortee.h.
#include <cstdint>

#include "platform/PlatformTypes.h"
#include "stafftypes/DonneesLigneTexte.h"
#include "stafftypes/ServicesTypesPortee.h"
#include "text/ExtendedTE.h"
#include "text/TextStyle.h"

struct Document;
struct Partition;
struct Portee;

// The height of one verse row of a line, 72 dpi: the line's cell style and
// every shown cell's own styles measured, the tallest winning, plus the
// staff's row spacing; the record's row height and baseline-to-bottom are
// set. 0 for a line number other than 1 and 2.
int16_t CalculeHauteurCelluleLigneTexte(Portee** staff, int16_t line);

// Rows of the line's cells put back on their verse rows at the line's row
// height (face bit 7 set); unless keepStyles, every cell takes the line's
// cell style. Then the staff's height is checked.
void SetStyleCellulesKaraoke(Portee** staff, int16_t line, uint8_t keepStyles);

// The whole text of a line: the cells in played order (bars only for line 2),
// each followed by "/" when slashes are asked. Without slashes the markers
// and rhythm patterns go, held and in-column spaces become spaces and the
// syllables of a word join (caret keeps '-' and shows '=' as '^'). first and
// last bound the played entries [first, last) (last <= first: all); a pass
// filter f > 0 takes only the entries of pass f - 1. With a records handle
// one ColonneTexteIndex is appended per entry taken. Null when the line is
// not shown; the caller disposes of the record.
ExtendedTE CreeTexteKaraoke(Portee** staff, int16_t line, int8_t slashes, int8_t caret, Handle records,
                            uint16_t passFilter, int32_t first, int32_t last);

// One entry of the whole text, in the records handle of CreeTexteKaraoke.
struct ColonneTexteIndex {
  uint16_t indexTexte;  // the cell's text record, 65535 none
  uint16_t entree;      // played entry
  uint16_t mesure;
  uint32_t position;   // offset of the cell in the whole text
  uint32_t debutJoue;  // played start tick
  uint32_t finJoue;    // played end tick - 1
};

// Cuts a whole text (plain or styled, `length` bytes) at each "/" into the
// cells of the played entries, replacing every cell of the line; each cell is
// then fitted to its bar's columns. style (may be null) is the style of
// characters no run covers. 1, or 0 when the ruptures cannot be laid out.
int16_t InjecteTexteCompletDansPorteeKaraoke(Portee** staff, int16_t line, const char* text, int32_t length,
                                             const TextStyle* style, uint8_t extend);

// Fits every cell of the line to the column count of its bar: syllables
// beyond the last column join it, missing ones are added as separators.
void ConsolideTextePortee(Portee** staff, int16_t line);

// The length of the next character of a cell text (its UTF-8 sequence, or one
// byte), copied with a NUL into out when given; 0 at the end.
int32_t GetNextCarBufferKaraoke(const char* text, char* out, int8_t utf8);

// The work buffer over one cell (bar, verse) of a line.
struct BufferTexteKaraoke {
  Document* document;
  int32_t ligne;
  uint8_t actif;
  LigneTexte enreg;       // copy of the staff's record
  Rect rectMarge;         // the cell rectangle, its left moved back by the bar's start margin
  Rect rectCellule;       // screen rectangle of the cell
  int32_t largeurMesure;  // screen width of the bar
  Portee** portee;
  uint16_t mesure;
  uint16_t passage;
  int16_t indexJoue;  // position of (bar, verse) in the played order, -1 none
  uint8_t celluleAccords;
  int16_t nbTaquets;
  TextStyle style;
  char texte[512];
  TaquetKaraoke taquets[kMaxTaquetsMesure];
};

// Loads the columns and the text of the buffer's cell (with place, its screen
// rectangle too); 1 when the bar has a column.
int16_t ActiveBufferTexte(BufferTexteKaraoke* buffer, uint8_t place);
// Stores the buffer's text into its cell, syllables beyond the last column
// joined into it.
void ValideBuffer(BufferTexteKaraoke* buffer);
// Moves the buffer to the next cell in played order (line 1 passes over hidden
// verses); 1 when it moved, 0 at the end.
int16_t ChangeMesureEditeKaraoke(BufferTexteKaraoke* buffer, uint8_t place);

// Switches the staff's lyrics line: off, its cells become plain staff texts;
// on, the plain texts lying on a cell's place become that cell, and the line
// is laid out.
void InverseEtatPorteeKaraoke(Portee** staff, uint8_t redraw);
// Lays a text line out again after its style or the bars changed; the result
// of the staff's height check.
int16_t MetsEnFormePorteeKaraoke(Portee** staff, int16_t line);

// The verse-row edit of one karaoke line table (256 entries): insert a row,
// hide the verse of a row, compact the rows or show every verse
// (kActionCellules*); other actions change nothing.
void ModifieLutKaraoke(int16_t* lut, int16_t action, int16_t row);
