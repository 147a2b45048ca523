// Prints the pagination of a document's current score as the preview lays it
// out: every page with its elements, every music system with its bars (start
// x, width, scale, multi-bar state and the starts pagination marked) and its
// staff entries. Lengths are pixels at 72 dpi of the scaled paper.
//   layout-dump [--scale S] [--pages N] FILE
// --scale lays the score out again at the first page setup's scale S;
// --pages searches the scale that gives N pages.
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "layout/DonneesMiseEnPage.h"
#include "layout/Justification.h"
#include "layout/MiseEnPage.h"
#include "model/Document.h"
#include "model/Partition.h"
#include "model/Portee.h"
#include "model/TabEltMesure.h"
#include "platform/Memory.h"
#include "plugin/PiloteRequete.h"

namespace {

const char* NomElement(uint32_t kind) {
  switch (kind) {
    case kSystemeMusique: return "system";
    case kSystemeTitre: return "title";
    case kSystemeCompositeur: return "composer";
    case kSystemeRemarques: return "remarks";
    case kSystemePageParoles: return "lyric page";
    case kSystemeEnTete: return "header";
    case kSystemeBasDePage: return "footer";
    case kSystemeObjetLibre: return "free object";
    default: return "other";
  }
}

void Cadre(const Rect& r) { std::printf("(%d,%d)-(%d,%d)", r.left, r.top, r.right, r.bottom); }

const char* Etat(uint32_t mot) {
  switch (mot) {
    case 1: return " grouped";
    case 2: return " multi-rest";
    case 3: return " multi-repeat";
    default: return "";
  }
}

void DumpSysteme(Partition** score, const ::Systeme& s) {
  std::printf(" bars %d-%d%s%s\n", s.premiereMesure + 1, s.finMesure, s.premierSystemePage ? " first-on-page" : "",
              s.dernierSystemePartition ? " last" : "");
  Handle table = (*score)->tabEltMesure[3];
  const int32_t n = GetNbLignesTabElt(table);
  for (int32_t b = s.premiereMesure; b < s.finMesure && b < n; b++) {
    const TabEltMesure& r = GetLignesTabElt(table)[b];
    std::printf("      bar %4d  x %5d  width %4d  header %3d  scale %4u%s%s%s", b + 1, r.debutX, r.largeurTotale,
                r.largeurEntete, unsigned(r.echelle), r.marquePagination ? " line-start" : "",
                r.debutPage ? " page-start" : "", Etat(r.motPagination));
    if (r.largeurRappelFinSysteme) std::printf(" courtesy-before %d", r.largeurRappelFinSysteme);
    std::printf("\n");
  }
  const int32_t m = s.portees ? GetHandleSize(s.portees) / int32_t(sizeof(PorteeSysteme)) : 0;
  for (int32_t k = 0; k < m; k++) {
    const PorteeSysteme& e = reinterpret_cast<const PorteeSysteme*>(*s.portees)[k];
    Portee** staff = e.indexPortee < (*score)->nbPortees ? (*score)->portees[e.indexPortee] : nullptr;
    std::printf("      staff %2u  height %3u  ", unsigned(e.indexPortee) + 1, unsigned(e.hauteurLigne));
    Cadre(e.rectMiseEnPage);
    std::printf("%s%s  %s\n", e.ligneVide ? " empty-line" : "", e.partageLigneSuivante ? " merged-with-next" : "",
                staff ? (*staff)->aspect.nom : "?");
  }
}

}  // namespace

int main(int argc, char** argv) {
  float echelle = 0.0f;
  int pages = 0;
  const char* fichier = nullptr;
  for (int i = 1; i < argc; i++) {
    if (std::strcmp(argv[i], "--scale") == 0 && i + 1 < argc) echelle = std::strtof(argv[++i], nullptr);
    else if (std::strcmp(argv[i], "--pages") == 0 && i + 1 < argc) pages = std::atoi(argv[++i]);
    else if (argv[i][0] == '-' || fichier) {
      std::fprintf(stderr, "usage: layout-dump [--scale S] [--pages N] FILE\n");
      return 2;
    } else {
      fichier = argv[i];
    }
  }
  if (!fichier) {
    std::fprintf(stderr, "usage: layout-dump [--scale S] [--pages N] FILE\n");
    return 2;
  }
  Rect cadre{};
  uint16_t nbPages = 0;
  Document* doc = LoadDocument(fichier, &cadre, &nbPages, nullptr);
  if (!doc || !doc->partitionCourante) {
    std::fprintf(stderr, "layout-dump: %s: no score (%s)\n", fichier, GetRaisonEchecChargement());
    if (doc) DisposeDocument(doc);
    return 1;
  }
  Partition** score = doc->partitionCourante;
  MiseEnPage* setup = &doc->misesEnPage[0];
  if (echelle > 0.0f) {
    setup->echelle = echelle;
    SetTabEltMesureModifie(score, kTabEltMarges);
  }
  if (pages > 0) RecalculeEchellePourNombreDePage(doc, 0, setup, int16_t(pages));
  const int16_t n = CombienDePages(score);
  std::printf("%s: %d pages, scale %.4f, %d staves, %d bars\n", fichier, n, double(setup->echelle), (*score)->nbPortees,
              GetNbMesuresTabEltRuban(score));
  for (int32_t p = 0; p < n; p++) {
    const Page& page = reinterpret_cast<const Page*>(*(*score)->pages)[p];
    std::printf("page %d  ", p + 1);
    Cadre(Rect{int16_t(page.rectPage.top), int16_t(page.rectPage.left), int16_t(page.rectPage.bottom),
               int16_t(page.rectPage.right)});
    std::printf("\n");
    const int32_t m = page.systemes ? GetHandleSize(page.systemes) / int32_t(sizeof(::Systeme)) : 0;
    for (int32_t i = 0; i < m; i++) {
      const ::Systeme& s = reinterpret_cast<const ::Systeme*>(*page.systemes)[i];
      std::printf("  %s ", NomElement(s.type));
      Cadre(s.rectMiseEnPage);
      if (s.type == kSystemeMusique) DumpSysteme(score, s);
      else std::printf("\n");
    }
  }
  DisposeDocument(doc);
  return 0;
}
