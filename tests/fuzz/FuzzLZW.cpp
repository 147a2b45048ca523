// LZW stretches through the document byte stream: the first byte says how
// many plain bytes come before the coded stretch; the stretch is read to its
// end (or a ceiling), then the stream goes back to plain bytes, as the native
// reader switches it.
#include "FuzzCommon.h"
#include "system/QrvFiles.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  tamrel_fuzz::InitCommun();
  if (size == 0) return 0;
  const std::string chemin = tamrel_fuzz::EcritFichier("doc", data, size);
  if (chemin.empty() || !OrvantaOpenFile(chemin.c_str(), "rb")) return 0;
  ReadCar();
  for (int i = 0; i < data[0] % 16; i++) ReadCar();
  SetLZWMode(1);
  // A coded stretch may expand a lot; the readers never take more than the
  // records they read, so neither does this.
  for (int32_t n = 0; n < (1 << 22) && ReadCar() >= 0; n++) {
  }
  SetLZWMode(0);
  for (int32_t n = 0; n < (1 << 20) && ReadCar() >= 0; n++) {
  }
  CloseFile();
  std::remove(chemin.c_str());
  return 0;
}
