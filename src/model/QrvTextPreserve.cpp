// Lyrics kept on their notes across structural edits: the cells of a text
// line are cut into syllables anchored to notes, and rebuilt afterwards at the
// notes' new times. Both steps walk the cells and syllables once, sorted:
// never a bar-by-verse search, which long scores cannot afford.
#include <algorithm>
#include <cstring>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "model/CvtTemps.h"
#include "model/Partition.h"
#include "model/Portee.h"
#include "model/QrvText.h"
#include "model/QrvTextInterne.h"
#include "model/Signe.h"
#include "model/Tonalite.h"
#include "notation/ServicesNotation.h"
#include "platform/Memory.h"
#include "plugin/ServicesInertes.h"
#include "sound/ServicesSon.h"
#include "stafftypes/ServicesTypesPortee.h"
#include "system/Handles.h"
#include "system/Strings.h"
#include "text/TextData.h"

namespace {

TextePreserve* Entrees(Handle h, int32_t* count) {
  *count = h ? GetHandleSize(h) / int32_t(sizeof(TextePreserve)) : 0;
  return h ? reinterpret_cast<TextePreserve*>(*h) : nullptr;
}

// Bar starts 0..n (the last one ends the score), read once.
std::vector<int32_t> DebutsMesures(Partition** score, int32_t n) {
  std::vector<int32_t> debuts(size_t(n) + 1);
  for (int32_t b = 0; b <= n; b++) debuts[size_t(b)] = CvtMesureEnTemps(score, b);
  return debuts;
}

// The bar holding a tick, -1 outside bars 0..n-1.
int32_t MesureDuTemps(const std::vector<int32_t>& debuts, int32_t tick) {
  if (debuts.size() < 2 || tick < debuts.front() || tick >= debuts.back()) return -1;
  return int32_t(std::upper_bound(debuts.begin(), debuts.end(), tick) - debuts.begin()) - 1;
}

// The verses of a bar shown on each display row, for one karaoke table.
struct InverseLut {
  const int16_t* lut = nullptr;
  bool identite = true;
  std::vector<std::pair<int16_t, int16_t>> lignes;  // (row, verse), sorted

  void Prepare(const int16_t* table) {
    if (table == lut && (table || identite)) return;
    lut = table;
    identite = !table || (table[0] == 0 && table[1] == 0);
    lignes.clear();
    if (identite) return;
    for (int16_t v = 0; v < kNbPassagesCellule; v++) lignes.emplace_back(table[v], v);
    std::sort(lignes.begin(), lignes.end());
  }
  // Calls f(verse) for every verse whose row lies in lo..hi.
  template <typename F>
  void Passages(int32_t lo, int32_t hi, F f) const {
    if (identite) {
      for (int32_t v = std::max<int32_t>(lo, 0); v <= hi && v < kNbPassagesCellule; v++) f(int16_t(v));
      return;
    }
    auto it = std::lower_bound(lignes.begin(), lignes.end(),
                               std::make_pair(int16_t(std::clamp<int32_t>(lo, -32768, 32767)), int16_t(-32768)));
    for (; it != lignes.end() && it->first <= hi; ++it) f(it->second);
  }
};

// The display rows whose probe falls in top..bottom - 1, as lo..hi (empty
// when lo > hi); rows below 0 are probed at themselves.
void LignesDansCellule(int32_t top, int32_t bottom, int32_t h, int32_t* lo, int32_t* hi) {
  int64_t a = top, b = int64_t(bottom) - 1;  // probes inside
  int64_t l = INT64_MAX, r = INT64_MIN;
  // Negative rows.
  if (a < 0) {
    l = a;
    r = std::min<int64_t>(b, -1);
  }
  // Rows 0 and up: probe = d x h + c, or d itself without a row height.
  if (b >= 0) {
    int64_t dl, dr;
    if (h == 0) {
      dl = std::max<int64_t>(a, 0);
      dr = b;
    } else {
      const int64_t c = h < 3 ? 2 : 4;
      dl = a - c <= 0 ? 0 : (a - c + h - 1) / h;
      dr = b - c < 0 ? -1 : (b - c) / h;
    }
    if (dl <= dr) {
      l = std::min(l, dl);
      r = std::max(r, dr);
    }
  }
  *lo = int32_t(std::clamp<int64_t>(l, INT32_MIN, INT32_MAX));
  *hi = int32_t(std::clamp<int64_t>(r, INT32_MIN, INT32_MAX));
}

// The note a syllable at a tick hangs on: the note starting there, else the
// note before it (the first note when none is before), with the ticks from
// its start; -1 without notes.
void AncreSyllabe(Portee** staff, int32_t tick, int32_t* note, int32_t* offset) {
  int32_t n;
  GetSignesPortee(staff, &n);
  *note = -1;
  *offset = 0;
  if (n <= 0) return;
  int32_t i = CvtTempsEnIndexNote(staff, tick);
  if (!(i < n && CvtIndexNoteEnTemps(staff, i) <= tick)) i = i > 0 ? i - 1 : 0;
  if (i >= n) return;
  const int32_t debut = CvtIndexNoteEnTemps(staff, i);
  *note = GetSignesPortee(staff, &n)[i].id;
  *offset = int32_t(int64_t(tick) - debut);
}

bool IsSeparateur(char c) { return c == ' ' || c == '-' || c == '_'; }

// A styled string with another appended at its very end; the first is freed.
char* AjouteFin(char* joint, const char* piece) {
  char* r = InsereSousChaineStyle(piece, -1, joint, GetStrlenBrutTexteStyle(joint), -1);
  if (!r) return joint;
  DisposeTextData(joint);
  return r;
}

// The cells of one staff's run of syllables, rebuilt.
void RestaureRun(Portee** staff, int16_t line, const TextStyle* defaultStyle, TextePreserve* run, int32_t count) {
  Partition** score = (*staff)->partition;
  if (count <= 0 || !score || !GetLigneTextePortee(staff, uint32_t(line))) return;
  // New times: each syllable follows its note. A syllable that hung on no
  // note keeps its time; one whose note went with the edit goes too (kept at
  // its old time it would land on whatever now follows the deleted bars).
  // When copies of a note share its id, the last one holds it.
  int32_t maxId = -1;
  for (int32_t k = 0; k < count; k++)
    if (run[k].note >= 0 && run[k].note <= kMaxSignes) maxId = std::max(maxId, run[k].note);
  std::vector<int32_t> positions(size_t(maxId + 1), -1);
  std::vector<bool> presente(size_t(maxId + 1), false);
  int32_t n;
  GetSignesPortee(staff, &n);
  for (int32_t i = 0; i < n; i++) {
    const int32_t id = GetSignesPortee(staff, &n)[i].id;
    if (id < 0 || id > maxId) continue;
    positions[size_t(id)] = CvtIndexNoteEnTemps(staff, i);
    presente[size_t(id)] = true;
  }
  for (int32_t k = 0; k < count; k++) {
    TextePreserve& e = run[k];
    if (e.note < 0) e.nouveauTemps = e.temps;
    else if (e.note <= maxId && presente[size_t(e.note)])
      e.nouveauTemps = Sature32(int64_t(positions[size_t(e.note)]) + e.decalageNote);
    else e.nouveauTemps = -1;
  }

  DisposeTextesKaraoke(staff, uint32_t(line));

  // Cells by verse, then bar; the syllables of a cell keep their order.
  const int32_t nbMesures = (*score)->nbMesures;
  const std::vector<int32_t> debuts = DebutsMesures(score, nbMesures);
  std::vector<std::pair<int32_t, int32_t>> ordre;  // (bar, entry)
  ordre.reserve(size_t(count));
  for (int32_t k = 0; k < count; k++) {
    const int32_t b = MesureDuTemps(debuts, run[k].nouveauTemps);
    if (b >= 0 && run[k].passage < kNbPassagesCellule) ordre.emplace_back(b, k);
  }
  std::stable_sort(ordre.begin(), ordre.end(), [&](const auto& x, const auto& y) {
    if (run[x.second].passage != run[y.second].passage) return run[x.second].passage < run[y.second].passage;
    return x.first < y.first;
  });

  std::map<std::pair<int32_t, int32_t>, int32_t> cellules;  // (bar, display row) -> record
  bool ecrit = false;
  for (size_t g = 0; g < ordre.size();) {
    const int32_t b = ordre[g].first;
    const uint16_t verse = run[ordre[g].second].passage;
    size_t fin = g;
    bool styles = false;
    while (fin < ordre.size() && ordre[fin].first == b && run[ordre[fin].second].passage == verse) {
      styles = styles || IsStyledString(run[ordre[fin].second].texte);
      fin++;
    }
    const TextePreserve& premier = run[ordre[g].second];
    TextStyle style = premier.style;
    if (style.font == 0 && style.size == 0 && defaultStyle) style = *defaultStyle;
    // The syllables joined, a space between two unless the first already
    // ends with a separator.
    char* joint = nullptr;
    std::string simple;
    for (size_t k = g; k < fin; k++) {
      const char* piece = run[ordre[k].second].texte ? run[ordre[k].second].texte : "";
      if (!styles) {
        if (k > g && !simple.empty() && !IsSeparateur(simple.back())) simple += ' ';
        simple += piece;
        continue;
      }
      if (!joint) {
        joint = ExtraitSousChaineStyle(piece, 0, GetStrlenBrutTexteStyle(piece), nullptr);
        continue;
      }
      const char* brut = GetTexteBrutTexteStyle(joint);
      const int32_t l = int32_t(std::strlen(brut));
      if (l > 0 && !IsSeparateur(brut[l - 1])) joint = AjouteFin(joint, " ");
      joint = AjouteFin(joint, piece);
    }
    const char* texte = styles ? (joint ? joint : "") : simple.c_str();
    if (*GetTexteBrutTexteStyle(texte) != 0) {
      Texte t{};
      int32_t d = 0;
      if (CelluleKaraoke(staff, int16_t(b), int16_t(verse), uint32_t(line), &style, &t, &d)) {
        auto it = cellules.find({b, d});
        const int32_t index = SetEnregTexte(staff, it == cellules.end() ? -1 : it->second, &t, texte);
        if (index >= 0) cellules[{b, d}] = index;
        ecrit = true;
      }
    }
    DisposeTextData(joint);
    g = fin;
  }
  if (ecrit) {
    if (line == int16_t(kLigneTexteParoles)) LyrastelPorteeACalculer(staff);
    FixePorteeModifiee();
  }
  CalculePassageTextesPortee(staff);
}

}  // namespace

void PreparePreserveObjetsPartition(Partition** score) {
  if (!score) return;
  for (int16_t k = 0; k < (*score)->nbPortees; k++) {
    int32_t n;
    Signe* s = GetSignesPortee((*score)->portees[k], &n);
    for (int32_t i = 0; i < n; i++) s[i].id = i + 1;
  }
}

int32_t GetPosTempsFromNoteID(Portee** staff, int32_t id) {
  if (!staff) return -1;
  int32_t n;
  const Signe* s = GetSignesPortee(staff, &n);
  for (int32_t i = 0; i < n; i++)
    if (s[i].id == id) return CvtIndexNoteEnTemps(staff, i);
  return -1;
}

int16_t ClasseTextPreserve(const TextePreserve* a, const TextePreserve* b) {
  const int16_t sa = a->portee ? (*a->portee)->index : -1, sb = b->portee ? (*b->portee)->index : -1;
  if (sa != sb) return sa < sb ? -1 : 1;
  if (a->passage != b->passage) return a->passage < b->passage ? -1 : 1;
  if (a->temps != b->temps) return a->temps < b->temps ? -1 : 1;
  if (a->colonne != b->colonne) return a->colonne < b->colonne ? -1 : 1;
  return 0;
}

void PreserveTextesDansHandle(Portee** staff, int16_t line, uint32_t columnMode, uint16_t columnParameter,
                              Handle entries) {
  if (!staff || !entries) return;
  Partition** score = (*staff)->partition;
  const LigneTexte* ligne = GetLigneTextePortee(staff, uint32_t(line));
  if (!ligne || !score || (*score)->nbMesures <= 0) return;
  int32_t n;
  const Texte* textes = GetTextesPortee(staff, &n);
  bool cellules = false;
  for (int32_t i = 0; i < n && !cellules; i++) cellules = textes[i].ligne == uint32_t(line);
  if (!cellules) return;
  const int32_t h = ligne->hauteurLigne;
  const int32_t nbMesures = (*score)->nbMesures;
  const std::vector<int32_t> debuts = DebutsMesures(score, nbMesures);
  std::vector<int64_t> milieux(static_cast<size_t>(nbMesures));
  for (int32_t b = 0; b < nbMesures; b++)
    milieux[size_t(b)] = int64_t(debuts[size_t(b)]) + CvtMesureEnDureeMesure(score, b) / 2;

  // The record each (bar, verse) finds: the first of the line, in list
  // order, whose time span holds the bar's middle and whose rows hold the
  // probe of the verse's display row.
  struct Cellule {
    int32_t mesure;
    int32_t passage;
    int32_t index;
  };
  std::vector<Cellule> trouvees;
  InverseLut inverse;
  for (int32_t i = 0; i < n; i++) {
    const Texte t = GetTextesPortee(staff, &n)[i];
    if (t.ligne != uint32_t(line) || t.fin < t.debut) continue;
    int32_t lo, hi;
    LignesDansCellule(t.haut, t.bas, h, &lo, &hi);
    if (lo > hi) continue;
    auto premiere = std::lower_bound(milieux.begin(), milieux.end(), int64_t(t.debut));
    for (auto it = premiere; it != milieux.end() && *it <= t.fin; ++it) {
      const int32_t b = int32_t(it - milieux.begin());
      inverse.Prepare(CvtMesureEnLutLigneKaraoke(staff, int16_t(b)));
      inverse.Passages(lo, hi, [&](int16_t v) { trouvees.push_back({b, v, i}); });
    }
  }
  std::stable_sort(trouvees.begin(), trouvees.end(), [](const Cellule& a, const Cellule& b) {
    return a.mesure != b.mesure ? a.mesure < b.mesure : a.passage < b.passage;
  });

  std::vector<TextePreserve> syllabes;
  TaquetKaraoke colonnes[kMaxTaquetsMesure];
  int32_t mesureColonnes = -1, nbColonnes = 0;
  for (size_t k = 0; k < trouvees.size(); k++) {
    const Cellule& c = trouvees[k];
    if (k > 0 && trouvees[k - 1].mesure == c.mesure && trouvees[k - 1].passage == c.passage) continue;
    const Texte t = GetTextesPortee(staff, &n)[c.index];
    const char* texte = ChaineTexteEnreg(t.texte);
    const int32_t longueur = GetStrlenBrutTexteStyle(texte);
    if (longueur > 0) {
      if (c.mesure != mesureColonnes) {
        nbColonnes =
            CalculeTableauTaquetKaraokeMesure(colonnes, staff, columnMode, columnParameter, int16_t(c.mesure), 0, 1, 1);
        mesureColonnes = c.mesure;
        // A bar that gives no column keeps its cell whole at its start.
        if (nbColonnes <= 0) {
          std::memset(&colonnes[0], 0, sizeof colonnes[0]);
          nbColonnes = 1;
        }
      }
      for (int32_t col = 0; col < nbColonnes; col++) {
        int32_t debut, fin;
        GetBoundsStringTaquet(texte, int16_t(col), &debut, &fin, nullptr);
        if (col == nbColonnes - 1) fin = longueur;
        if (fin <= debut) continue;
        TextePreserve e{};
        e.portee = staff;
        e.texte = ExtraitSousChaineStyle(texte, debut, fin, &t.style);
        if (!e.texte) continue;
        e.mesure = uint16_t(c.mesure);
        e.passage = uint16_t(c.passage);
        e.colonne = uint16_t(col);
        e.decalageColonne = colonnes[col].temps;
        e.temps = Sature32(int64_t(debuts[size_t(c.mesure)]) + colonnes[col].temps);
        AncreSyllabe(staff, e.temps, &e.note, &e.decalageNote);
        e.nouveauTemps = -1;
        e.style = t.style;
        syllabes.push_back(e);
      }
    }
  }
  if (syllabes.empty()) return;
  int32_t avant;
  Entrees(entries, &avant);
  if (!RetailleHandle(entries, Size(avant + int32_t(syllabes.size())) * Size(sizeof(TextePreserve)))) {
    for (TextePreserve& e : syllabes) DisposeTextData(e.texte);
    return;
  }
  std::memcpy(reinterpret_cast<TextePreserve*>(*entries) + avant, syllabes.data(),
              syllabes.size() * sizeof(TextePreserve));
}

Handle PreserveTextesPartition(Partition** score, int16_t line) {
  if (!score) return nullptr;
  Handle entries = NewHandle(0);
  if (!entries) return nullptr;
  for (int16_t k = 0; k < (*score)->nbPortees; k++) {
    Portee** staff = (*score)->portees[k];
    // The lyrics are cut at the notes; the second line by its own columns.
    uint32_t mode = kTaquetsNotes;
    uint16_t parametre = 0;
    if (line == int16_t(kLigneTexteAccords)) {
      mode = (*staff)->lignesTexte[1].modeTaquets;
      parametre = (*staff)->lignesTexte[1].parametreTaquets;
    }
    PreserveTextesDansHandle(staff, line, mode, parametre, entries);
  }
  int32_t n;
  TextePreserve* e = Entrees(entries, &n);
  if (n == 0) {
    DisposeHandle(entries);
    return nullptr;
  }
  std::stable_sort(e, e + n,
                   [](const TextePreserve& a, const TextePreserve& b) { return ClasseTextPreserve(&a, &b) < 0; });
  return entries;
}

void RestaureTextesDepuisHandle(Portee** staff, int16_t line, const TextStyle* defaultStyle, Handle entries) {
  if (!staff) return;
  int32_t n;
  TextePreserve* e = Entrees(entries, &n);
  int32_t debut = 0;
  while (debut < n && e[debut].portee != staff) debut++;
  int32_t fin = debut;
  while (fin < n && e[fin].portee == staff) fin++;
  RestaureRun(staff, line, defaultStyle, e + debut, fin - debut);
}

void RestaureTextesPartition(Partition** score, int16_t line, Handle saved) {
  if (!saved) return;
  if (score) {
    int32_t n;
    TextePreserve* e = Entrees(saved, &n);
    // Entries come sorted by staff: each staff's run in one pass.
    for (int32_t debut = 0; debut < n;) {
      int32_t fin = debut;
      while (fin < n && e[fin].portee == e[debut].portee) fin++;
      Portee** staff = e[debut].portee;
      bool present = false;
      for (int16_t k = 0; k < (*score)->nbPortees && !present; k++) present = (*score)->portees[k] == staff;
      if (present) {
        const TextStyle style =
            line == int16_t(kLigneTexteAccords) ? (*staff)->styleLigneTexte2 : (*staff)->styleLigneTexte;
        RestaureRun(staff, line, &style, e + debut, fin - debut);
        e = Entrees(saved, &n);
      }
      debut = fin;
    }
  }
  DisposeTextesPreserve(saved);
}

void DisposeTextesPreserve(Handle entries) {
  if (!entries) return;
  int32_t n;
  TextePreserve* e = Entrees(entries, &n);
  for (int32_t i = 0; i < n; i++) DisposeTextData(e[i].texte);
  DisposeHandle(entries);
}
