#pragma once
// Free objects anchored to pages: at the end of pagination every page an
// object names exists and each object becomes a page element (kind 8), drawn
// in front of the music or behind it.
#include "platform/PlatformTypes.h"
#include "platform/Printing.h"

struct Document;
struct MiseEnPage;

// A score never gets more pages than this from its free objects: a hostile
// page value costs no more than this many pages, each added alone.
constexpr int32_t kMaxPagesObjetsLibres = 999;

// How an object names its pages (its anchor kind), page indexes from 0: the
// page of its value; that many pages before the last; every page; the pages
// of odd index; of even index; from its value on; up to its value; that many
// pages after the last page of the music (0: that page).
enum : uint32_t {
  kPageObjetValeur = 0,
  kPageObjetAvantDerniere = 1,
  kPageObjetToutes = 2,
  kPageObjetImpaires = 3,
  kPageObjetPaires = 4,
  kPageObjetDepuis = 5,
  kPageObjetJusqua = 6,
  kPageObjetApresMusique = 7,
};

// Adds the pages the current view's objects name after the music (never past
// kMaxPagesObjetsLibres pages), then the objects in front of the music in list
// order after each page's elements, and those behind it from the last to the
// first before them. Returns the page count.
int16_t AjouteSystemesObjetsLibresDocument(Document* document, MiseEnPage* setup, const PrInfo* printInfo,
                                           Rect* pageRect);
