// Singing voices: the first byte picks the reader. Below 0x80 the rest is
// the voice sections of two staves of a native document (byte 0 modulo 6
// picks the format version), read one after the other so that the second
// may share the first's fragments; from 0x80 the rest is a voice file.
#include <cstdio>
#include <string>

#include "FuzzCommon.h"
#include "model/Document.h"
#include "model/Partition.h"
#include "model/Portee.h"
#include "model/QRVPOBJ.h"
#include "model/Vues.h"
#include "platform/Memory.h"
#include "plugin/LectureDocument.h"
#include "sound/Lyrastel.h"
#include "sound/VoixFichiers.h"
#include "system/QrvFiles.h"

namespace {

void Sections(const uint8_t* data, size_t size, uint16_t version) {
  auto* doc = reinterpret_cast<Document*>(NewPtrClear(Size(sizeof(Document))));
  if (!doc) return;
  Partition** score = NewPartition(doc);
  Portee** premiere = score ? CreePorteeVide(score, kTypePorteeGregorien, 1, 0) : nullptr;
  Portee** seconde = score ? CreePorteeVide(score, kTypePorteeGregorien, 1, 0) : nullptr;
  if (premiere && seconde) {
    tamrel_fuzz::Exact in(data, size);
    FixeLectureSurPtr(in.p, uint32_t(in.n));
    VersionQuarvelLoad = version;
    if (ReadParamsLyrastel(premiere)) ReadParamsLyrastel(seconde);
    TermineSurPtr();
    VersionQuarvelLoad = 0;
  }
  while (doc->nbPartitions > 0) SupprimePartition(doc, doc->partitions[doc->nbPartitions - 1]);
  DisposeVuesDocument(doc);
  DisposePtr(reinterpret_cast<Ptr>(doc));
}

void Fichier(const uint8_t* data, size_t size) {
  const std::string chemin = tamrel_fuzz::EcritFichier("voix.prv", data, size);
  if (chemin.empty()) return;
  VoixParam voix{};
  DoChargeExpressionVoix(chemin.c_str(), &voix);
  LibereVoixParam(&voix);
  std::remove(chemin.c_str());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  tamrel_fuzz::InitCommun();
  if (size < 1) return 0;
  static const uint16_t kVersions[] = {0x0730, 0x076F, 0x0770, 0x0850, 0x9630, 0x9805};
  if (data[0] & 0x80) Fichier(data + 1, size - 1);
  else Sections(data + 1, size - 1, kVersions[data[0] % 6]);
  return 0;
}
