#pragma once
// Lists a picture's opcodes and operands, one per line, for the pictdump tool
// and for tests that state what was drawn.
#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/PlatformTypes.h"

// Appends the listing to `out`. True when the walk reached the end opcode;
// false for a picture that stops early (the last line then says why).
bool PictDumpText(const uint8_t* data, size_t size, std::string& out);
bool PictDumpHandle(Handle pic, std::string& out);
