#pragma once
// Headers and footers of the pages: each page from its setup's first music
// page on gets a header element (kind 6) and a footer element (kind 7) placed
// from the paper's edges by the setup's distances.
#include "platform/PlatformTypes.h"
#include "platform/Printing.h"

struct Partition;

// Adds the header (kind 6) or footer (kind 7) element of every page whose
// index is at least its setup's first music page. The element is as high as
// the tallest of its three styles at the destination resolution, inset from
// the paper rectangle of the print information by the block's distances.
void AjouteEltPiedEtEnteteDocument(Partition** score, uint32_t kind, const PrInfo* printInfo);
