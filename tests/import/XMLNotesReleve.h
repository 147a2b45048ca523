#pragma once
// What the notes of an imported score became, in words tests can compare:
// chords as "A4+F4 40320" (members in record order, then the duration), the
// links between notes as (staff, index) pairs, the grace notes of a note.
#include <string>
#include <vector>

#include "model/CvtTemps.h"
#include "model/ParamEffet.h"
#include "model/Partition.h"
#include "model/Portee.h"
#include "model/QrvLiaison.h"
#include "model/Signe.h"

namespace tamrel_test {

inline std::string NomNote(int32_t kind) {
  if (kind == kSigneSilence) return "r";
  if (kind == kSigneSilenceFantome) return "-";
  if (kind < 0) return "%";
  static const char* kNoms[12] = {"C", "C#", "D", "D#", "E", "F", "F#", "G", "G#", "A", "A#", "B"};
  return std::string(kNoms[kind % 12]) + std::to_string(kind / 12 - 1);
}

inline std::vector<Signe> Signes(Portee** staff) {
  int32_t n = 0;
  const Signe* s = GetSignesPortee(staff, &n);
  return s ? std::vector<Signe>(s, s + n) : std::vector<Signe>();
}

// The chords and rests of a staff, fillers and hidden rests left out.
inline std::vector<std::string> Accords(Portee** staff) {
  std::vector<std::string> out;
  std::string courant;
  for (const Signe& s : Signes(staff)) {
    const bool cache = s.kind == kSigneSilenceFantome || (s.kind == kSigneSilence && (s.flags & kSigneCache));
    if (!courant.empty()) courant += "+";
    courant += NomNote(s.kind);
    if (s.flags & kSigneAccordSuite) continue;
    if (!cache) out.push_back(courant + " " + std::to_string(s.duree));
    courant.clear();
  }
  return out;
}

struct Lien {
  int16_t porteeSource;
  int32_t source;
  int16_t porteeDest;
  int32_t dest;
  bool operator==(const Lien& o) const {
    return porteeSource == o.porteeSource && source == o.source && porteeDest == o.porteeDest && dest == o.dest;
  }
};

inline std::ostream& operator<<(std::ostream& os, const Lien& l) {
  return os << "(" << l.porteeSource << ":" << l.source << " -> " << l.porteeDest << ":" << l.dest << ")";
}

// Every link of a kind in the score, by its source.
inline std::vector<Lien> Liens(Partition** score, int16_t kind) {
  std::vector<Lien> out;
  const int16_t nb = (*score)->nbPortees;
  for (int16_t p = 0; p < nb; p++) {
    Portee** staff = (*score)->portees[p];
    for (int32_t i = 0; i < int32_t(Signes(staff).size()); i++) {
      const uint32_t id = GetLiaisonSourceNote(staff, i, nullptr, kind);
      if (!id) continue;
      Lien l{p, i, -1, -1};
      for (int16_t q = 0; q < nb && l.dest < 0; q++)
        for (int32_t k = 0; k < int32_t(Signes((*score)->portees[q]).size()) && l.dest < 0; k++)
          if (GetLiaisonDestNote((*score)->portees[q], k, nullptr, kind) == id) l.porteeDest = q, l.dest = k;
      out.push_back(l);
    }
  }
  return out;
}

// The grace notes of a note as "+2/1" (pitch offset, type code), with "a"
// before an after-note and "&" after a member of a grace chord.
inline std::vector<std::string> Graces(Portee** staff, int32_t index) {
  std::vector<std::string> out;
  const ParamEffet* e = GetParamEffetIndexNote(staff, index);
  for (int g = 0; e && g < kNbGraceNotes && e->graces[g].utilise; g++) {
    const GraceNote& n = e->graces[g];
    std::string t = n.apres ? "a" : "";
    t += (n.decalage >= 0 ? "+" : "") + std::to_string(n.decalage) + "/" + std::to_string(n.decalageDuree);
    if (n.accord) t += "&";
    out.push_back(t);
  }
  return out;
}

// The mark codes of a note, in order.
inline std::vector<int> Marks(Portee** staff, int32_t index) {
  std::vector<int> out;
  const ParamEffet* e = GetParamEffetIndexNote(staff, index);
  for (int32_t m = 0; e && m < GetNbMarks(e->marks); m++)
    out.push_back(reinterpret_cast<const Mark*>(*e->marks)[m].code);
  return out;
}

}  // namespace tamrel_test
