#pragma once
// SHARED(services): primitives of the native document format over the
// document byte stream (big-endian numbers, stored strings and rectangles),
// and record readers, which the readers of the model, the text and layout
// call as well as the native reader itself.
#include "platform/Collections.h"
#include "platform/PlatformTypes.h"
#include "system/BigRect.h"

struct AspectGraphiquePortee;
struct MiseEnPage;
struct PatternMesure;
struct StrTitre;
struct Document;
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
// Fills `count` rows of a bar table (a count of 0 or less reads nothing).
int16_t ReadTabEltMesure(Handle rows, int32_t count);
// Frees an accompaniment's bar pattern and the staff it holds; null is accepted.
void LiberePatternMesure(PatternMesure* pattern);

// The native document reader: 1 when the whole document was read and ended
// with its closing magic. The document byte stream must be open at the
// file's start; the caller closes it (which ends an LZW stretch).
int16_t ChargeMusiqueStandard(Document* doc);
// One score block: the score is created, made current and filled; 0 when it
// cannot be read (what was built stays in the document, consistent).
// `graphiques`: the staves carry their graphics lists.
int16_t ReadBlocPartition(Document* doc, bool graphiques);

// Set by the top level for the note reader: split notes of this document are
// converted.
extern uint8_t ConvertSplitNoteDuration;
