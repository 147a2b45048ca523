#pragma once
// Digital audio tracks: a staff of type 10 whose content is recorded sound,
// held in the staff's sample stream. The track's record in native documents
// (raw samples, or MLAP, Ogg Vorbis or MP3 chunks), the samples of one played
// bar for drawing, and the change of a track's format. What the model asks of
// a track is declared in sound/ServicesSon.h.
#include "sound/ServicesSon.h"

// How a stored track codes its samples; any other value is MLAP.
constexpr uint8_t kCodecPisteBrut = 0;
constexpr uint8_t kCodecPisteMp3 = 1;
constexpr uint8_t kCodecPisteOgg = 2;

// Chunk types of a stored track.
constexpr uint8_t kChunkPisteSilence = 0;
constexpr uint8_t kChunkPisteDonnees = 1;

// Decoder delay of MP3 tracks stored before it was.
constexpr int32_t kDelaiMp3Defaut = 576;

// Reads a track staff's stored track; 1, or 0 when it cannot be read.
int16_t ReadPisteNumerique(Portee** staff);

int16_t GetNbBitsPisteNumerique(Portee** staff);

// count 32-bit working samples from sample `first` into buffer; what lies
// beyond the track is silence. Returns 1.
int16_t ReadData32bPisteNumerique(Portee** staff, uint32_t first, int32_t* buffer, int32_t count);

// The samples of played bar `playedBar` as a new pointer block of *count
// 32-bit working samples (the caller frees it); null for a bar without
// samples or without memory.
int32_t* GetDataMesurePisteNumerique(Partition** score, Portee** staff, int32_t playedBar, int32_t* count);

// Sets a track's rate (Hz) and sample width, converting its samples; 0 for
// either keeps the track's. Markers move with the rate. 1, or 0 when the
// samples cannot be converted.
int16_t SetFormatPisteNumerique(Portee** staff, uint32_t rate, int16_t bits);

// Decoders of a coded chunk, reading the document stream at its position and
// writing at the sample stream's position. MLAP delimits itself: non-zero
// when the whole stream decoded within `samples` samples. Ogg takes at most `bytes` bytes and leaves
// the sample stream exactly `samples` further on: 0 when decoded, 1 when the
// data is not Ogg Vorbis.
uint8_t DecodePisteMlap(int32_t stream, int32_t samples);
int16_t DecodePisteOgg(int32_t stream, int32_t bytes, int32_t samples);
