// Prints the spacing columns of every bar of a score: for each bar its start
// tick, natural width (space units) and scale, then one line per column with
// its time from the bar's start, its x, its staff and its flags. The spacing
// engine is switched on (with the factory settings when the document has it
// off). With no file named it spaces a built-in 3/8 bar: a quarter, then an
// eighth with a sharp.
//   zoro-dump [--shared] [FILE]
// Flags: A accidental, W wide accidental, P accidental in parentheses, H half
// an accidental more, S short note, <n grace notes before, >n after, Ln and Rn
// lyric room on the left and right.
#include <cstdio>
#include <cstring>
#include <string>

#include "import/ImportABC.h"
#include "layout/MiseEnPage.h"
#include "layout/ModesEcran.h"
#include "layout/Zorodava.h"
#include "model/CvtTemps.h"
#include "model/Document.h"
#include "model/Partition.h"
#include "model/QRVPOBJ.h"
#include "model/TabEltMesure.h"
#include "model/Vues.h"
#include "plugin/PiloteRequete.h"
#include "system/Handles.h"

namespace {

const char kExemple[] = "X:1\nT:3/8\nM:3/8\nL:1/8\nK:C\nc2^d|\n";

Document* DocumentExemple() {
  Document* doc = reinterpret_cast<Document*>(NewPtrClear(Size(sizeof(Document))));
  doc->indexPartitionCourante = -1;
  doc->indexVueCourante = -1;
  Partition** score = CreePartitionVide(doc);
  CreePorteeVide(score, 0, 1, 1);
  FixeMiseEnPageStandardDocument(doc);
  SetModeEcran(score, kModeEcranRuban);
  if (!ChargeMusiqueABCOctets(doc, reinterpret_cast<const uint8_t*>(kExemple), sizeof kExemple - 1, 0, nullptr)) {
    while (doc->nbPartitions > 0) SupprimePartition(doc, doc->partitions[doc->nbPartitions - 1]);
    DisposeVuesDocument(doc);
    DisposePtr(reinterpret_cast<Ptr>(doc));
    return nullptr;
  }
  return doc;
}

std::string Drapeaux(const Taquet& c) {
  std::string s;
  if (c.hasAccidental) s += 'A';
  if (c.wideAccidental) s += 'W';
  if (c.extraWide) s += 'P';
  if (c.extraHalf) s += 'H';
  if (c.shortNote) s += 'S';
  if (c.graceBefore) s += " <" + std::to_string(c.graceBefore);
  if (c.graceAfter) s += " >" + std::to_string(c.graceAfter);
  if (c.lyricLeft) s += " L" + std::to_string(c.lyricLeft);
  if (c.lyricRight) s += " R" + std::to_string(c.lyricRight);
  return s.empty() ? "-" : s;
}

}  // namespace

int main(int argc, char** argv) {
  bool partages = false;
  const char* fichier = nullptr;
  for (int i = 1; i < argc; i++) {
    if (std::strcmp(argv[i], "--shared") == 0) partages = true;
    else if (argv[i][0] == '-') {
      std::fprintf(stderr, "usage: zoro-dump [--shared] [FILE]\n");
      return 2;
    } else {
      fichier = argv[i];
    }
  }
  Document* doc;
  if (fichier) {
    Rect page{};
    uint16_t pages = 0;
    doc = LoadDocument(fichier, &page, &pages, nullptr);
  } else {
    doc = DocumentExemple();
  }
  if (!doc || !doc->partitionCourante) {
    std::fprintf(stderr, "zoro-dump: %s: no score (%s)\n", fichier ? fichier : "example", GetRaisonEchecChargement());
    if (doc && fichier) DisposeDocument(doc);
    return 1;
  }
  Partition** score = doc->partitionCourante;
  const bool etait = (*score)->zorodava.on != 0;
  if (!etait) SetZorodavaUsine(&(*score)->zorodava);
  (*score)->zorodava.on = 1;
  if (partages) (*score)->zorodava.perStaff = 0;
  SetTabEltMesureModifie(score, kTabEltTout);
  UpdateTabEltMesure(score, kTabEltTout);
  RecalculeZorodavaDocument(doc);

  const ZorodavaSetup& z = (*score)->zorodava;
  std::printf("%s: spacing %s, %s columns, %d staves, %d bars\n", fichier ? fichier : "3/8 example",
              etait ? "on in the document" : "switched on (factory settings)", z.perStaff ? "per-staff" : "shared",
              (*score)->nbPortees, GetNbMesuresTabEltRuban(score));
  const int32_t lignes = GetNbMesuresTabEltRuban(score);
  for (int32_t bar = 0; bar < lignes; bar++) {
    GetCachedZorodavaTaquets(score, bar);
    const TabEltMesure& row = GetLignesTabElt((*score)->tabEltMesure[0])[bar];
    const int32_t debut = CvtMesureEnTemps(score, bar);
    std::printf("bar %d  start %d  duration %d  natural width %u  scale %u\n", bar + 1, debut,
                CvtMesureEnDureeMesure(score, bar), row.echelleZorodava, unsigned(row.echelle));
    for (int16_t i = 0; i < nbTaquets; i++) {
      const Taquet& c = tabTaquet[i];
      std::printf("  time %7d  x %5d  staff %2u  %s\n", c.time - debut, c.x, unsigned(c.key), Drapeaux(c).c_str());
    }
  }
  if (fichier) {
    DisposeDocument(doc);
  } else {
    while (doc->nbPartitions > 0) SupprimePartition(doc, doc->partitions[doc->nbPartitions - 1]);
    DisposeVuesDocument(doc);
    DisposePtr(reinterpret_cast<Ptr>(doc));
  }
  return 0;
}
