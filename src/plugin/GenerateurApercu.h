#pragma once
// The two generator calls of the preview service: a preview (one PDF page per
// score page, or a single framed picture for a one-page document) and a
// thumbnail (the first page, with the file's extension as a badge on small
// thumbnails); and the activation of the music font carried in the bundle.
#include "platform/Files.h"
#include "platform/QLGenerator.h"

int32_t GeneratePreviewForURL(void* thisInterface, QLRequest* preview, const char* url, const char* contentType,
                              const void* options);
int32_t GenerateThumbnailForURL(void* thisInterface, QLRequest* thumbnail, const char* url, const char* contentType,
                                const void* options, QLSize maxSize);
void CancelPreviewGeneration(void* thisInterface, QLRequest* preview);
void CancelThumbnailGeneration(void* thisInterface, QLRequest* thumbnail);

// Live generator instances per factory, as the plug-in host counts them.
void CFPlugInAddInstanceForFactory(const QLUUID* factoryID);
void CFPlugInRemoveInstanceForFactory(const QLUUID* factoryID);
int32_t CFPlugInInstanceCountForFactory();

// The bundle's resource folder (where SVELLARI.TTF and the neck files live),
// known from the first request on, whether or not the font could be activated.
extern int16_t VolumeResources;
extern int32_t PathResources;
// The font file activated, kept for deactivation.
extern FSSpec Gfspec;

// Activates the bundle's music font while it is not active (exactly one of the
// two requests is given; it only leads to the bundle).
void InitVellariFont(QLRequest* preview, QLRequest* thumbnail);
// Registered once with atexit: the font is no longer the process's.
void DesinstalleVellari();

// A picture's bytes as handed to the drawing context: a view of the bytes,
// which stay the caller's.
struct QDPict {
  Handle pic;
  int32_t length;
};
typedef QDPict* QDPictRef;
QDPictRef CreateQDPictFromPictureData(Handle bytes, int32_t length);
void QDPictRelease(QDPictRef pict);
// Draws the picture into `rect` of a context whose y goes upwards; 0, or an error.
int32_t QDPictDrawToCGContext(cairo_t* context, QLRect rect, QDPictRef pict);
