#pragma once
// The request driver: a file URL to a loaded and paginated document, one
// page of it recorded as a picture, and the document freed.
#include <cstdint>

#include "platform/Pictures.h"
#include "platform/PlatformTypes.h"

struct Document;

// Longest file name handed back, terminator included.
constexpr int kTailleNomDocument = 780;

// Loads the file of a "file://" URL (or a plain path). Null when the file
// cannot be found, opened, or extracted; otherwise the document, also when its
// reader failed (pageRect and pageCount are then left as the caller preset
// them). `name` (kTailleNomDocument bytes, may be null) receives the file name.
Document* LoadDocument(const char* url, Rect* pageRect, uint16_t* pageCount, char* name);
// Page `page` (1-based) of `pageCount`, recorded on `frame`; the caller
// disposes the picture. Null when no picture could be opened.
PicHandle CreatePictPage(Document* doc, uint16_t page, uint16_t pageCount, Rect* frame);
// Frees the document and everything the load created; null does nothing.
void DisposeDocument(Document* doc);

// Points per unit of the page rectangle: 72/576 x the document's print zoom.
double EchelleContexteDocument(const Document* doc);

// Why the last load gave no page, in one line; empty after a good load.
const char* GetRaisonEchecChargement();
// Readers record why they refused a file (the first reason is kept).
void NoteRaisonEchecChargement(const char* reason);

// Test-only: a loader that builds the document in place of the format's
// reader (1 when it built one). Null puts the format readers back.
typedef int16_t (*ChargeurDocumentTest)(Document* doc, int32_t format);
void SetChargeurDocumentTest(ChargeurDocumentTest loader);
