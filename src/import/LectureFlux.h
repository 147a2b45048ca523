#pragma once
// What remains of the document stream, read at once by the text-format
// importers.
#include <cstdint>
#include <vector>

// Reads what remains of the stream into `out`, sized to the bytes read. False,
// with nothing read, when more than `maximum` bytes remain or no room can be
// had for them.
bool LitResteFlux(int64_t maximum, std::vector<uint8_t>* out);
