// Lists the neck table built from a folder of neck files (the bundle's
// resources by default), and optionally the neck a tuning search finds.
//   necklist [--user FOLDER] [FOLDER] [--tuning P1,P2,...]
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "platform/Files.h"
#include "plugin/Necks.h"
#include "system/Dossiers.h"

namespace {

std::string NomNote(int hauteur) {
  static const char* const noms[] = {"C", "C#", "D", "Eb", "E", "F", "F#", "G", "G#", "A", "Bb", "B"};
  if (hauteur < 0 || hauteur > 127) return "?";
  return std::string(noms[hauteur % 12]) + std::to_string(hauteur / 12 - 1);
}

CheminVol Dossier(const char* chemin) { return CheminVol{kVolumeRacine, PlatformDirIDForPath(chemin)}; }

}  // namespace

int main(int argc, char** argv) {
  std::string dossier = TAMREL_RESOURCES;
  const char* utilisateur = nullptr;
  std::vector<int16_t> accord;
  bool chercher = false;
  for (int i = 1; i < argc; i++) {
    if (!std::strcmp(argv[i], "--user") && i + 1 < argc) {
      utilisateur = argv[++i];
    } else if (!std::strcmp(argv[i], "--tuning") && i + 1 < argc) {
      chercher = true;
      for (char* p = std::strtok(argv[++i], ","); p; p = std::strtok(nullptr, ","))
        accord.push_back(int16_t(std::atoi(p)));
    } else if (argv[i][0] == '-') {
      std::fprintf(stderr, "usage: necklist [--user FOLDER] [FOLDER] [--tuning P1,P2,...]\n");
      return 2;
    } else {
      dossier = argv[i];
    }
  }
  PathNecks = Dossier(dossier.c_str());
  if (utilisateur) PathUserNecks = Dossier(utilisateur);
  InitTabNeck();

  std::printf("%-5s %-3s %-4s %-22s %-26s %s\n", "id", "src", "mode", "name", "French name",
              "strings (pitch/frets/first)");
  Neck n;
  for (int32_t i = 0; GetNeck(i, &n); i++) {
    std::string cordes;
    for (int c = 0; c < n.nbCordes; c++) {
      if (c) cordes += ' ';
      cordes += NomNote(n.cordes[c].hauteur) + "/" + std::to_string(n.cordes[c].nbCases);
      if (n.cordes[c].premiereCase) cordes += "/" + std::to_string(n.cordes[c].premiereCase);
    }
    std::printf("%-5d %-3d %-4d %-22s %-26s %s\n", n.id, n.source, n.mode, n.nom, n.nomFR, cordes.c_str());
  }
  std::printf("%d necks\n", GetNbNecks());
  if (chercher) {
    const int32_t id = RechercheNeckSelonAccordage(int16_t(accord.size()), accord.data());
    const int32_t index = RechercheIndexNeck(id);
    std::printf("tuning search: %d%s%s\n", id, index >= 0 && GetNeck(index, &n) ? " " : " (none fits)",
                index >= 0 ? n.nom : "");
  }
  LibereTabNeck();
  return 0;
}
