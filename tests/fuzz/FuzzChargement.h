#pragma once
// The whole load path from bytes, as a request takes it: the bytes become a
// file of the given name, which is detected, read, paginated, its first page
// recorded, and the document freed. One target per name: the name is part of
// format detection.
#include "FuzzCommon.h"
#include "model/Document.h"
#include "platform/Pictures.h"
#include "plugin/PiloteRequete.h"

namespace tamrel_fuzz {

inline void ChargeFichier(const char* nom, const uint8_t* data, size_t size) {
  InitCommun();
  const std::string chemin = EcritFichier(nom, data, size);
  if (chemin.empty()) return;
  Rect page = {0, 0, 0, 0};
  uint16_t pages = 0;
  char nomDocument[kTailleNomDocument];
  Document* doc = LoadDocument(chemin.c_str(), &page, &pages, nomDocument);
  if (doc && pages > 0) {
    Rect cadre = page;
    if (PicHandle pic = CreatePictPage(doc, 1, pages, &cadre)) KillPicture(pic);
  }
  DisposeDocument(doc);
  std::remove(chemin.c_str());
}

}  // namespace tamrel_fuzz

// A load-path target for files named `nom` (see README.md).
#define TAMREL_FUZZ_CHARGEMENT(nom)                                         \
  extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) { \
    tamrel_fuzz::ChargeFichier(nom, data, size);                            \
    return 0;                                                               \
  }
