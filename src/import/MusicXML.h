#pragma once
// MusicXML import driver, and the file-name probes that format detection asks.
#include <cstdint>

#include "platform/PlatformTypes.h"

struct Document;

// Turns one MusicXML document into the current score of doc: the handle's
// text, or with a null handle the document stream's open file. 1 when a score
// was built; 0 on a parse error or a stopped stage.
uint8_t ChargeMusiqueXML(Document* doc, Handle text, uint8_t refitPages, uint8_t skeletonOnly);

// By the text after the path's last '.', compared without case: "xml" or
// "musicxml"; "mxl"; "xmz".
bool IsFichierXML(const char* path);
bool IsFichierMXL(const char* path);
bool IsFichierXMLCompresse(const char* path);
