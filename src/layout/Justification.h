#pragma once
// Bar widths of the layout: a run of bars stretched or squeezed to a line
// width, the scale of a page setup searched for a target page count, the
// stored widths of every bar from its shortest notes, and a staff's height
// fitted to its content.
#include "platform/PlatformTypes.h"

struct Document;
struct MiseEnPage;
struct Partition;
struct Portee;

// Page count of a search that found none.
constexpr int16_t kAucunNombrePages = 9999;

// Gives bars [first, end) of the layout table (screen mode 3) the scale that
// fits their widths to `width`: ratio = (width - fixed widths) / stretchable
// widths (1 without stretchable width, 0.1 when not above 0); each bar's scale
// is its stored width (from the ribbon table) x ratio, floored, at least 1.
void CalculeEchelleMesureJustifie(Partition** score, int16_t first, int16_t end, int32_t width);

// Searches the setup's scale between 0.3 and 1.0 by halving, counting the
// pages at each scale, until the interval is 0.0002 wide. The setup keeps the
// largest scale that gave the target, else the one that came nearest, and the
// count found nearest is returned (kAucunNombrePages when none). With
// adjustHeights every shown staff's height is fitted first; with
// clearPageBreaks the printed bars lose their page breaks.
int16_t FindBestEchelle(Document* document, int16_t adjustHeights, MiseEnPage* setup, int16_t target,
                        int16_t clearPageBreaks);
// The search as a caller asks for it: when the target is missed, again
// without page breaks, then once more for the count that search reached.
// Returns the page count of the scale kept.
int16_t RecalculeEchellePourNombreDePage(Document* document, int16_t adjustHeights, MiseEnPage* setup, int16_t target);

// Gives every bar a stored width from its shortest notes: baseWidth, raised
// to 16000 / px (at most maxWidth) for a note or rest of px < 32 pixels
// (its duration at 72 dpi, + 16 with effects, - twice the head width unless
// its accidental byte says none).
void FormattageAutomatiqueTailleMesure(Partition** score, int16_t baseWidth, int16_t maxWidth);
