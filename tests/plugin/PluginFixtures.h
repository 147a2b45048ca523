#pragma once
// Shared by the plug-in tests: a private folder, files written into it, and
// the outputs of the request path read back.
#include <unistd.h>

#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <limits>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

namespace tamrel_test {

struct DossierTemp {
  std::string chemin;
  DossierTemp() {
    char modele[] = "/tmp/tamrel-plugin-XXXXXX";
    chemin = mkdtemp(modele) ? modele : "/tmp";
  }
  ~DossierTemp() {
    std::string cmd = "rm -rf '" + chemin + "'";
    if (chemin != "/tmp" && !getenv("KEEPTMP")) (void)std::system(cmd.c_str());
  }
  std::string Ecrit(const std::string& nom, const std::string& contenu) const {
    std::string p = chemin + "/" + nom;
    std::ofstream(p, std::ios::binary) << contenu;
    return p;
  }
  std::string Chemin(const std::string& nom) const { return chemin + "/" + nom; }
};

inline std::string LitFichier(const std::string& p) {
  std::ifstream f(p, std::ios::binary);
  std::stringstream s;
  s << f.rdbuf();
  return s.str();
}

inline bool Existe(const std::string& p) { return access(p.c_str(), F_OK) == 0; }

// A PDF number, read with its point whatever the locale (NaN if it is none).
inline double NombrePDF(const std::string& texte) {
  double v = std::numeric_limits<double>::quiet_NaN();
  const char* debut = texte.data();
  if (!texte.empty() && texte[0] == '+') ++debut;
  std::from_chars(debut, texte.data() + texte.size(), v);
  return v;
}

// Media boxes of a PDF's pages, in points.
struct BoitePDF {
  double w, h;
};
inline std::vector<BoitePDF> BoitesPDF(const std::string& pdf) {
  std::vector<BoitePDF> boites;
  std::regex re(R"(/MediaBox \[\s*([-0-9.]+)\s+([-0-9.]+)\s+([-0-9.]+)\s+([-0-9.]+)\s*\])");
  for (auto it = std::sregex_iterator(pdf.begin(), pdf.end(), re); it != std::sregex_iterator(); ++it)
    boites.push_back({NombrePDF((*it)[3]) - NombrePDF((*it)[1]), NombrePDF((*it)[4]) - NombrePDF((*it)[2])});
  return boites;
}
inline int PagesPDF(const std::string& pdf) {
  std::regex re(R"(/Type\s*/Page[^s])");
  return int(std::distance(std::sregex_iterator(pdf.begin(), pdf.end(), re), std::sregex_iterator()));
}
// The PDF without its creation date, for comparing two outputs.
inline std::string SansDate(const std::string& pdf) {
  return std::regex_replace(pdf, std::regex(R"(/CreationDate \([^)]*\))"), "");
}

}  // namespace tamrel_test
