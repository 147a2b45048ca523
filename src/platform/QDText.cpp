// Text bottlenecks. Drawing and measuring text belong to the font layer,
// which gives these their bodies; until then text records into pictures but
// draws nothing and measures 0.
#include <cstring>

#include "platform/QDInternal.h"

void StdText(int16_t byteCount, const void* textBuf, Point numer, Point denom) {
  CGrafPtr port = qd::ThePort();
  if (port->picSave && gQDPictureRecorder && gQDPictureRecorder->textProc)
    gQDPictureRecorder->textProc(byteCount, textBuf, numer, denom);
}

int16_t StdTxMeas(int16_t, const void*, Point*, Point*, FontInfo* info) {
  if (info) std::memset(info, 0, sizeof(FontInfo));
  return 0;
}
