// A whole request from bytes, as the host makes it: format detection, the
// reader, pagination, every page (up to the preview's fifty) drawn into the
// picture and played into the PDF, then the first page again into a small
// thumbnail with its badge. Both outputs are written in the private folder
// and removed. The bundle is reached through a link in the private folder,
// so that the request's application folder (its error log) stays there.
#include "FuzzCommon.h"
#include "platform/QLRequest.h"
#include "plugin/GenerateurApercu.h"

namespace {

const std::string& Bundle() {
  static const std::string chemin = [] {
    const std::string lien = std::string(tamrel_fuzz::DossierPrive()) + "/TamrelQL.qlgenerator";
    if (symlink(TAMREL_FUZZ_BUNDLE, lien.c_str()) != 0) return std::string(TAMREL_FUZZ_BUNDLE);
    return lien;
  }();
  return chemin;
}

void Requete(QLRequestKind kind, const std::string& url, const std::string& sortie) {
  QLRequest r;
  QLRequestInit(&r, kind, Bundle().c_str(), sortie.c_str(), 64);
  if (kind == kQLRequestPreview) GeneratePreviewForURL(nullptr, &r, url.c_str(), nullptr, nullptr);
  else GenerateThumbnailForURL(nullptr, &r, url.c_str(), nullptr, nullptr, QLSize{64, 64});
  QLRequestEnd(&r);
  std::remove(sortie.c_str());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  tamrel_fuzz::InitCommun();
  const std::string chemin = tamrel_fuzz::EcritFichier("doc", data, size);
  if (chemin.empty()) return 0;
  const std::string dossier = tamrel_fuzz::DossierPrive();
  Requete(kQLRequestPreview, "file://" + chemin, dossier + "/doc.pdf");
  Requete(kQLRequestThumbnail, "file://" + chemin, dossier + "/doc.png");
  std::remove(chemin.c_str());
  return 0;
}
