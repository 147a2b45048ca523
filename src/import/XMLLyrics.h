#pragma once
// Lyrics, text formatting and credits of a MusicXML import.
#include <cstdint>

#include "import/XMLBrowser.h"
#include "platform/PlatformTypes.h"
#include "text/TextStyle.h"

struct Document;
struct ObjetLibre;
struct Portee;
struct StrTitre;

// Fonts a text element names by family.
constexpr uint16_t kXMLFontSerif = 20;
constexpr uint16_t kXMLFontSansSerif = 21;

// The formatting attributes every MusicXML text carries: justification and
// horizontal alignment (0 left, 1 centre, -1 right), vertical alignment (0
// top, 1 middle, 2 bottom, 3 baseline), font, size in points as written, face
// (128 | 2 italic | 1 bold, then 0). The colour is written only when the
// element gives a valid one; colour and rotation (degrees, 0..360) are read
// only when asked (non-null).
void XMLGetTextStyle(const XMLElt* elt, int16_t* justification, int16_t* halign, int16_t* valign, uint16_t* font,
                     int16_t* size, uint8_t face[2], RGBColor* color, float* rotation);
// "#RRGGBB" or "#AARRGGBB" (alpha ignored): 1 and the colour, else 0 and the
// colour untouched.
int16_t XMLGetColor(const char* text, RGBColor* rgb);

// Credits become free text objects on their pages; the document's titles
// get the styles of an imported score.
void XMLProcessCredits(Document* doc, XMLRootElt* tree);
// A page position from an element's default-x and default-y (tenths), in
// millimetres from the top-left corner of the page (0-based index).
void XMLCalculePosXYGlobale(Document* doc, int32_t page, const XMLElt* elt, float* x, float* y);
// The box of a text (a styled string or a plain one in the style) placed at
// x, y by its justification and vertical alignment, millimetres; x and y are
// moved to the box's top-left.
void XMLAdjustPosXYText(const char* text, const TextStyle* style, int16_t justification, int16_t valign, float* x,
                        float* y, float* width, float* height);
// The credits on the first music page that repeat a title become that title;
// the composer and poet lines without a credit of their own sit under the
// title.
void XMLConvertFreeObjectsToDocumentInfo(Document* doc);
// 1 when the object's plain text equals the title's, which then takes the
// object's text, style, justification, angle and place.
int16_t ProcessFreeObjectAsDocumentInfo(Document* doc, const ObjetLibre* object, StrTitre* title);

void XMLFinalizeLyrics(Document* doc);
// One "lyric" element of a note of the staff starting at the tick.
void XMLProcessLyric(Portee** staff, int32_t tick, XMLElt* lyric);
