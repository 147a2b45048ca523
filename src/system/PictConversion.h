#pragma once
// Conversion and rewriting of the pictures that documents carry (version 1,
// version 2 big-endian, version 2 host-order marked by 0xCAFE).
//
// ConvertPictureFromOldFormat runs right after a picture is loaded: 24-bit
// direct pixel maps become 32-bit ones (alpha, red, green, blue), everything
// else stays byte for byte. AdaptePicture writes a new big-endian version-2
// picture in which the foreground colour is forced, the screen music font is
// replaced by the print one, and images are drawn in a given mode.
//
// Both walk the picture with the standard operand sizes and stop at an
// opcode they cannot size: the converter then leaves the picture as it was
// and the rewriter returns null. Neither reads past the end of the picture.
#include <cstddef>
#include <cstdint>

#include "platform/PictFormat.h"
#include "platform/PlatformTypes.h"

// True when the handle was rewritten.
bool ConvertPictureFromOldFormat(Handle picture);

// Converts the pixel data of a 24-bit direct pixel map parsed from `src`
// (bits.dataAt/dataLen) into 32-bit rows, packed by component planes, with
// an opaque alpha plane first. Only packType 4 rows and unpacked rows are
// converted; anything else, or damaged rows, gives null. On success `bits`
// describes the new pixel map and the handle holds its stored rows (a count
// before each packed row).
Handle Cvt24bPixmapTo32b(const uint8_t* src, size_t srcSize, PictBits& bits);

// Rewrites a picture with the colour given as an RGB value (null: keep the
// picture's own colours). `fontMap`, when given, maps text font numbers
// (the screen music font to the print one). Null on failure.
Handle AdaptePictureRGB(Handle picture, int16_t imageMode, const RGBColor* colour, int16_t (*fontMap)(int16_t));

// The rewrite with a colour index: 0 keeps the picture's own colours, any
// other index forces its colour. Text fonts naming the screen music font
// name the print one.
Handle AdaptePicture(Handle picture, int16_t imageMode, int16_t colourIndex);

// Draws a picture into a rectangle of the current port, in the colour of the
// index (0: as loaded), its images in OR mode so that their white pixels
// leave what lies below visible. A picture the rewrite cannot read is drawn
// as loaded.
void DrawColorPicture(Handle picture, const Rect* rect, int16_t colourIndex);

// Copies one bits operand (0x90, 0x91, 0x98, 0x99, 0x9A, 0x9B) from the
// reader to the output big-endian, with its transfer mode replaced by
// `imageMode`. The reader ends after the operand.
bool ReadAndAddImage(PictWriter& out, PictReader& rd, uint16_t opcode, int16_t imageMode);

// Appends an opcode (after a pad byte when the output length is odd) and
// `length` operand bytes copied unchanged from the reader.
bool ReadAndAddCommande(uint16_t opcode, PictWriter& out, PictReader& rd, size_t length);
