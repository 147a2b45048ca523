#pragma once
// The instrument records of a native document: the score's table (a count,
// then the records), each record a version-gated header followed by tagged
// chunks, of which "DGIT" carries the instrument's own sampled sounds and
// "MIDI" its MIDI program. Big-endian, read through the document stream.
#include "platform/PlatformTypes.h"

struct AireDigitInstrument;
struct Instrument;
struct Partition;

// The most records a stored table may hold: far above what scores use, far
// below what would let a small damaged file claim a huge table.
constexpr int16_t kMaxInstrumentsDocument = 2048;

// The count, the fresh table and every record; 0 as soon as one cannot be
// read (what was read stays in the table, freed with the score).
int16_t ReadInstrumentsPartition(Partition** score);
// One record into a table entry that holds its defaults; 1 to go on, 0 when a
// sampled sound could not be stored or the stream ended.
int16_t ReadInstrument(Instrument* instrument);
// The body of a "MIDI" chunk; 1.
int16_t ReadMidi(Instrument* instrument);
// The body of a "DGIT" chunk into the sampled-sound area, the sounds into
// `sounds` (the area's 256 slots); 1, or 0 for an unknown layout, a count
// beyond the slots, a sound larger than the stream or memory running out.
int16_t ReadDigit(AireDigitInstrument* area, Handle* sounds);
