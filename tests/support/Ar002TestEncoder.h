#pragma once
// Test-only packer for the ar002 container (lh5 coding): the engine only
// unpacks, so fixtures are made here. Greedy matching and plain Huffman codes
// are enough: what matters is that the stream is well-formed.
#include <cstddef>
#include <cstdint>
#include <vector>

namespace tamrel_test {

// The lh5 bit stream of `data`, in Huffman blocks of at most `blockSymbols`
// literals and matches.
std::vector<uint8_t> Ar002TestPack(const uint8_t* data, size_t size, uint32_t blockSymbols = 16384);

// A whole container: unpacked size, packed size (both big-endian u32), data.
std::vector<uint8_t> Ar002TestContainer(const std::vector<uint8_t>& data, uint32_t blockSymbols = 16384);

}  // namespace tamrel_test
