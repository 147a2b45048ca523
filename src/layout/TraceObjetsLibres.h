#pragma once
// Drawing of the free objects placed on pages: text boxes (with their '$'
// codes expanded for the page), images and pictures, shapes, lines, curves,
// braces and brackets, each in its page element's frame.
#include <cstdint>

#include "platform/PlatformTypes.h"

struct Document;
struct MiseEnPage;
struct ObjetLibre;
struct Systeme;

// What drawing reads of an object, by the record's field that holds it: the
// text box's justification (0 left, 1 centre, 255 right) and no-wrap byte,
// its style byte (top bit: automatic height, no background), the image's
// format code (1 picture, 2 to 6 image data) and tile byte, the shapes'
// colour index and line width (1/254 inch), the screen-only byte.
int16_t JustificationObjetLibre(const ObjetLibre& o);
bool SansRetourObjetLibre(const ObjetLibre& o);
uint8_t StyleBoiteObjetLibre(const ObjetLibre& o);
int16_t FormatImageObjetLibre(const ObjetLibre& o);
bool MosaiqueObjetLibre(const ObjetLibre& o);
int16_t CouleurObjetLibre(const ObjetLibre& o);
int16_t EpaisseurObjetLibre(const ObjetLibre& o);
bool EcranSeulObjetLibre(const ObjetLibre& o);

// Draws the free object the element names in the element's drawing frame
// moved by `offset` (page index 0-based); nothing for an index out of range,
// nor while printing for an object shown on screen only.
void TraceSystemeObjetLibre(Document* document, int16_t pageIndex, MiseEnPage* setup, const Rect* pageRect,
                            const Systeme* element, Point offset);
