// PNG files: our decoder to pixels, and the image import
// (our decoder, then the libraries for what it refuses).
#include "FuzzCommon.h"
#include "platform/ImageImport.h"
#include "platform/Memory.h"
#include "system/PngCodec.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  tamrel_fuzz::InitCommun();
  Handle h = NewHandle(Size(size));
  if (!h) return 0;
  if (size) std::memcpy(*h, data, size);
  char message[kPNGMessageSize];
  int32_t w = 0, hh = 0;
  if (Ptr px = PNGDecodeToARGB(h, &w, &hh, message)) DisposePtr(px);
  DisposeHandle(h);

  tamrel_fuzz::Exact in(data, size);
  if (Ptr px = QDImportImageARGB(in.p, in.n, &w, &hh)) DisposePtr(px);
  return 0;
}
