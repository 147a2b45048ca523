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
