#pragma once
// Screen modes of a score: 0 ribbon, 1 page, 2 and 3 print.
#include "platform/PlatformTypes.h"

struct Partition;

enum : int32_t { kModeEcranRuban = 0, kModeEcranPage = 1, kModeEcranImpression = 2, kModeEcranImpression2 = 3 };

int32_t GetModeEcran(Partition** score);  // 0 without a score
bool IsModePagePartition(Partition** score);
bool IsModeImpressionPartition(Partition** score);

struct Document;
// Re-paginates the current score: writes the mode-3 bar table.
void RecalculeMiseEnPage(Document* document);
// The scale by which the mode-3 table is zoomed into the page and print tables.
float CalculeEchelleVisualisationModePage(Document* document);
// Screen areas of the ribbon, page and print modes after a rebuild.
void InitAiresEcranModeRuban(Document* document);
void InitAiresEcranModePage(Document* document);
void InitAiresEcranImpression(Document* document);

// Puts the score in a screen mode (a request for mode 1 is stored as mode 0)
// and marks the bar tables dirty when it changed. The views, zoom and screen
// scale the change also sets come with the page layout.
void SetModeEcran(Partition** score, int32_t mode);

struct PrInfo;
// The document's print information: its own page size at 576 dpi (x 8) when
// it carries one, else the print record's; top/left and bottom/right swapped
// when the rectangle's shape disagrees with the document's orientation.
void GetPrInfoDocument(Document* document, PrInfo* out);
