#pragma once
// The ar002 container: one block packed with the static-Huffman coder of the
// lh5 method (8 KiB window), used for pictures inside imported documents.
#include <cstddef>
#include <cstdint>

#include "platform/PlatformTypes.h"

// The container is: u32 big-endian unpacked size, u32 big-endian packed size,
// then the packed bytes (stored as they are when both sizes are equal).
// Returns a new handle of the unpacked size, or null when the container is
// shorter than it says, its sizes are not sane, the coded data is damaged
// ("Bad table", or more bits needed than the packed size holds), or memory
// runs out.
Handle UnZip(const void* container, size_t length);

// Decodes `packedSize` bytes of lh5 data from memory or an open stdio file
// (FILE*) into memory or an open stdio file, writing at most `unpackedSize`
// bytes. Returns the number of bytes written, or -1 when the coded data is
// damaged; the reason goes to the error log through RozoErreur.
int32_t DecodeAR(uint8_t sourceOnFile, void* source, uint32_t packedSize, uint8_t destinationOnFile, void* destination,
                 uint32_t unpackedSize);

// A ceiling for the unpacked size of one container: pictures are far smaller,
// and the size comes from the file.
constexpr uint32_t kMaxUnZipSize = 64u << 20;
