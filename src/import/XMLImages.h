#pragma once
// Images and extra graphics of a MusicXML import: inline pictures, container
// images, page lines and frames, as free objects of the score.
#include <cstdint>

#include "import/XMLBrowser.h"

struct Document;

// Every private "image" of the score and "picture" (pixel rows in Base64, the
// picture's packed) becomes a free image object holding a PNG.
void XMLProcessImages(Document* doc, XMLRootElt* tree);
// Every private "graphic-line" and "graphic-frame" becomes a free line or frame.
void XMLProcessExtraGraphics(Document* doc, XMLRootElt* tree);
// Unpacks "rle1", "zip" or "unpacked" data into out, of *outLength bytes at
// most; *outLength gets the bytes written. 1 on success, 0 for no input, an
// unknown packing or damaged zip data.
int16_t UnpackXMLPicture(const uint8_t* packed, int32_t packedLength, uint8_t* out, int32_t* outLength,
                         const char* packing);
