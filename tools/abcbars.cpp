// Loads every tune of ABC files into a score, as a preview would, and prints
// for each tune its title, staves, bars and notes. With no file named it reads
// the ABC examples a system may have installed with its ABC packages.
//   abcbars [FILE.abc ...]
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "import/ImportABC.h"
#include "layout/MiseEnPage.h"
#include "layout/ModesEcran.h"
#include "layout/ServicesMiseEnPage.h"
#include "model/Document.h"
#include "model/Partition.h"
#include "model/QRVPOBJ.h"
#include "model/Signe.h"
#include "model/TabEltMesure.h"
#include "model/Vues.h"
#include "system/Handles.h"

namespace {

const char* const kDossiersExemples[] = {"/usr/share/doc/abcm2ps/examples", "/usr/share/doc/abcmidi/examples"};

// 1 when the tune exists; its bars, staves and notes.
int ChargeTune(const std::string& octets, int16_t tune, std::string* titre, int* mesures, int* portees, int* notes) {
  Document* doc = reinterpret_cast<Document*>(NewPtrClear(Size(sizeof(Document))));
  doc->indexPartitionCourante = -1;
  doc->indexVueCourante = -1;
  Partition** score = CreePartitionVide(doc);
  CreePorteeVide(score, 0, 1, 1);
  FixeMiseEnPageStandardDocument(doc);
  SetModeEcran(score, kModeEcranRuban);
  int r = ChargeMusiqueABCOctets(doc, reinterpret_cast<const uint8_t*>(octets.data()), octets.size(), tune, nullptr);
  score = doc->partitionCourante;
  UpdateTabEltMesure(score, kTabEltTemps);
  *mesures = GetNbMesuresTabEltRuban(score);
  *portees = (*score)->nbPortees;
  *notes = 0;
  for (int16_t k = 0; k < (*score)->nbPortees; k++) {
    int32_t n;
    const Signe* s = GetSignesPortee((*score)->portees[k], &n);
    for (int32_t i = 0; i < n; i++) *notes += s[i].kind >= 0;
  }
  *titre = doc->titres[0].texte;
  for (char& c : *titre)
    if (c == '\r') c = '/';
  while (doc->nbPartitions > 0) SupprimePartition(doc, doc->partitions[doc->nbPartitions - 1]);
  DisposeVuesDocument(doc);
  DisposePtr(reinterpret_cast<Ptr>(doc));
  return r;
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> fichiers;
  for (int i = 1; i < argc; i++) fichiers.push_back(argv[i]);
  if (fichiers.empty()) {
    for (const char* d : kDossiersExemples) {
      std::error_code ec;
      for (const auto& e : std::filesystem::directory_iterator(d, ec))
        if (e.path().extension() == ".abc") fichiers.push_back(e.path().string());
    }
    std::sort(fichiers.begin(), fichiers.end());
  }
  if (fichiers.empty()) {
    std::printf("no ABC file to read\n");
    return 0;
  }
  for (const std::string& f : fichiers) {
    std::ifstream in(f, std::ios::binary);
    std::string octets((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    int tunes = 0;
    for (int16_t t = 0; t < 1000; t++) {
      std::string titre;
      int mesures, portees, notes;
      if (!ChargeTune(octets, t, &titre, &mesures, &portees, &notes)) break;
      std::printf("%s\t%d\t%d bars\t%d staves\t%d notes\t%.40s\n", std::filesystem::path(f).filename().c_str(), t,
                  mesures, portees, notes, titre.c_str());
      tunes++;
    }
    if (!tunes) {
      std::printf("%s\t-\tno tune\n", std::filesystem::path(f).filename().c_str());
    }
  }
  return 0;
}
