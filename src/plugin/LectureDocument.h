#pragma once
// SHARED(services): primitives of the native document format over the
// document byte stream (big-endian numbers, stored strings and rectangles),
// and record readers, which the readers of the model, the text and layout
// call as well as the native reader itself.
#include "platform/Collections.h"
#include "platform/PlatformTypes.h"
#include "system/BigRect.h"

struct AspectGraphiquePortee;
struct DefAccord;
struct DiagrammeAccord;
struct DivisionTemporelle;
struct Document;
struct Dynamique;
struct Graphique;
struct Loi;
struct MiseEnPage;
struct ModePaste;
struct ParamEffet;
struct Partition;
struct PatternMesure;
struct PlacementDiagramme;
struct Portee;
struct Rupture;
struct Signe;
struct StrTitre;
struct Tablature;
struct Texte;
struct TextStyle;

// The format version being read (0x0920 is version 9.20); set by the
// top-level reader before anything that depends on it.
extern uint16_t VersionQuarvelLoad;

// Past the stream's end every primitive reads nothing more: numbers come out
// 0 and the stream's end flag stays set for the record reader to see.
int16_t ReadShort();
int32_t ReadLong();
float ReadFloat();
// Stored as left, top, right, bottom.
void ReadRect(Rect* r);
void ReadBigRect(BigRect* r);
// n bytes (n of 0 or less: nothing); the bytes missing at the end are zeroed.
void ReadBlock(void* dst, int32_t n);
void ReadGap(int32_t n);
// Through the stream's writer; false at the first byte it refuses.
bool WriteBlock(const void* src, int32_t n);

// A stored string into a buffer of `size` bytes, cut and terminated; false
// when the length marks no string (the buffer is then empty). Before version
// 0x920 the bytes 1 to 8 (old style codes) are dropped.
bool ReadString(char* buffer, uint16_t size);
// The same, then MacRoman to UTF-8 before version 0x920; cut on a character
// boundary to fit.
bool ReadUTFString(char* buffer, int16_t size);

// A stored keyed collection: null for a count of 0, an empty collection for a
// negative count. A count or item size the rest of the stream cannot hold
// marks the stream at its end and gives null.
Collection ReadCollection();

// The font-conversion callback installed while a styled string is read: the
// asked font (with what replaced it) goes to the unknown-font list.
void StoreFontError(const char* askedName, const char* usedName, int16_t fontId, bool substituted);

// Records; 1 when read, 0 when the stream ended or the record cannot be read
// (the stream is then marked at its end). Each reads over the defaults its
// record already holds, so what an older document lacks keeps its default.
int16_t ReadAspectGraphiquePortee(AspectGraphiquePortee* aspect);
int16_t ReadMiseEnPage(MiseEnPage* setup);
int16_t ReadStrTitre(StrTitre* title);
// A stored text style: font id, face, size and colour.
int16_t ReadTextStyle(TextStyle* style);
// The font of a stored name: the closest installed one (a font not found
// exactly goes to the unknown-font list); `numero` when none answers.
int16_t ResoutFonteNommee(const char* nom, int16_t numero);
// Fills `count` rows of a bar table (a count of 0 or less reads nothing);
// rows past the handle's are read and dropped. 0 when the stream ended.
int16_t ReadTabEltMesure(Handle rows, int32_t count);
// A bar's time division, over the record's own values (model/TabEltMesure.h
// gives the stored layout).
int16_t ReadDivisionTemporelle(DivisionTemporelle* division);
// A chord definition; 0 when its name marks no string (the name is then empty).
int16_t ReadDefAccord(DefAccord* definition);
// A custom chord diagram; false for a dot count of 64 or more (nothing more
// is read). At most five dots are kept, the others read and dropped.
bool ReadDiagramme(DiagrammeAccord* diagram);
// The paste mode of an accompaniment, with its pattern when it has one; 0,
// with no pattern kept, when the pattern cannot be read (the stream is then
// marked at its end) or the stream ended.
int16_t ReadModePaste(ModePaste* mode);
// A pattern: name, times, type and its staff; false when the name marks no
// string or the staff cannot be read (the caller frees the pattern).
bool ReadPattern(PatternMesure* pattern);
// Null-safe: the pattern's staff, then the pattern.
void LiberePatternMesure(PatternMesure* pattern);

// One staff of a score, or of no score (pattern staves, with a reference
// duration of 0); null when it cannot be read. A staff of a score stays in the
// score when it fails; a staff of no score is freed.
Portee** ReadPortee(Partition** score, uint8_t readGraphics, int32_t referenceDuration);
// The fewest bytes a sign record takes at the version being read.
int32_t TailleMinSigne();
// A sign record into `sign`, its effects record (when it has one) into
// `effects`; `staff` may be null. 1.
int16_t ReadSigne(Portee** staff, int32_t noteIndex, Signe* sign, ParamEffet* effects);
// A sign record whose effects go to the list given (a new slot); without a
// list (or room in it) the sign has no effects. 1.
int16_t ReadSignePortee(Portee** staff, int32_t noteIndex, Signe* sign, Handle* effectsList, uint16_t* effectsCount);
// An effects record over its defaults, with its marks; `staff` may be null.
// 0 when the stream ended or a count in it exceeds what remains (the stream
// is then marked at its end).
int16_t ReadParamEffet(Portee** staff, ParamEffet* effects);
// Records of staves and scores; each 0 (or null) when it cannot be read.
int16_t ReadRupture(Rupture* rupture);
// A staff text; its string (an encoded string the caller disposes), null when
// none could be had (the record is then read through all the same).
char* ReadTexte(Texte* text);
// A staff graphic with its data (null for none); 0 when its data length
// exceeds the stream (marked at its end) or the stream ended. Data that
// cannot be kept in memory is read past.
int16_t ReadGraphique(Graphique* graphic);
// A staff law over the defaults of a new law; its marks belong to the record.
int16_t ReadLoi(Loi* law);
int16_t ReadDynamique(Dynamique* dynamic);
// A chord-diagram placement into a zero-filled record; 1.
int16_t ReadDiagrammeAccord(PlacementDiagramme* placement);
// The staff's tablature record over the staff's pre-filled one; its presence
// byte (0: the staff has none). Strings and rows beyond the record's room are
// read and dropped.
int16_t ReadTablature(Tablature* tablature);
// A block of custom chord diagrams; null when there are none (an unknown
// format, a negative count, no end marker). A diagram that cannot be read
// is reported and marks the stream at its end. The version being loaded is
// put back.
Handle ReadDiagrammesAccord();

// The native document reader: 1 when the whole document was read and ended
// with its closing magic. The document byte stream must be open at the
// file's start; the caller closes it (which ends an LZW stretch).
int16_t ChargeMusiqueStandard(Document* doc);
// One score block: the score is created, made current and filled; 0 when it
// cannot be read (what was built stays in the document, consistent).
// `graphiques`: the staves carry their graphics lists.
int16_t ReadBlocPartition(Document* doc, bool graphiques);
// The chords of one chord-grid bar: a count byte, then that many chord
// definitions, all read; the good ones fill `cells` (16) and their number
// is the result. A count outside 1..16 is reported and its definitions
// are read through one scratch slot.
int16_t ReadGrilleAccordMesure(DefAccord* cells);

// Set by the top level for the note reader: split notes of this document are
// converted.
extern uint8_t ConvertSplitNoteDuration;
