#include "stafftypes/DoigteAccordeon.h"

#include <algorithm>
#include <cctype>
#include <cstring>

#include "model/Accords.h"
#include "model/CvtTemps.h"
#include "model/Partition.h"
#include "model/Portee.h"
#include "model/QrvLiaison.h"
#include "model/Signe.h"
#include "notation/NomsNotes.h"
#include "platform/Memory.h"
#include "stafftypes/Tablature.h"

namespace {

constexpr int32_t kNoire = 40320;
constexpr int32_t kRonde = 161280;
constexpr int kMaxNotesTexte = 6;
constexpr int32_t kPorteeLiaison = 1024;

int NbRangees(const Accordeon& a) { return std::clamp<int>(a.nbRangees, 1, kNbRangeesAccordeon); }
int NbRangeesBasses(const Accordeon& a) { return std::min<int>(a.nbRangeesBasses, kNbRangeesBassesAccordeon); }

// Bounded compare of a stored name (its array may lack a terminator).
bool MemeNom(const char* stored, size_t size, const char* name) {
  const size_t n = strnlen(stored, size);
  return std::strlen(name) == n && std::memcmp(stored, name, n) == 0;
}

// The chord symbol in force at a tick: the last column of the chord list at
// or before it. The list is walked with a cursor, ticks growing.
struct CurseurAccords {
  Portee** staff;
  int32_t suivant = 0;
  int32_t courant = -1;
  const char* Nom(int32_t tick, char* out, size_t size) {
    out[0] = 0;
    Handle h = (*staff)->listeAccords;
    const int32_t n = h ? int32_t(GetHandleSize(h) / Size(sizeof(AccordTaquet))) : 0;
    const AccordTaquet* a = h ? reinterpret_cast<const AccordTaquet*>(*h) : nullptr;
    if (!a) return out;
    if (courant >= n || (courant >= 0 && a[courant].taquet.temps > tick)) suivant = 0, courant = -1;
    while (suivant < n && a[suivant].taquet.temps <= tick) courant = suivant++;
    if (courant >= 0) {
      const size_t l = strnlen(a[courant].accord.nom, sizeof a[courant].accord.nom);
      const size_t c = std::min(l, size - 1);
      std::memcpy(out, a[courant].accord.nom, c);
      out[c] = 0;
    }
    return out;
  }
};

int16_t MasqueSelonNom(const Accordeon& k, const char* nom) {
  if (!nom[0] || NbRangeesBasses(k) < 1) return kSouffleLibre;
  int16_t m = 0;
  for (const auto& banque : k.basses)
    for (int r = 0; r < NbRangeesBasses(k); r++) {
      if (MemeNom(banque[r].nomPousse, sizeof banque[r].nomPousse, nom)) m |= kSoufflePousse;
      if (MemeNom(banque[r].nomTire, sizeof banque[r].nomTire, nom)) m |= kSouffleTire;
    }
  // A chord on both sides leaves the bellows free.
  return m == (kSoufflePousse | kSouffleTire) ? int16_t(kSouffleLibre) : m;
}

// A tied note whose start is an earlier note of this staff with its pitch.
bool LieeAMemeHauteur(Portee** staff, const Signe* s, int32_t i) {
  Portee** autre = nullptr;
  const uint32_t id = GetLiaisonDestNote(staff, i, &autre, 0);
  if (!id || (autre && autre != staff)) return false;
  // The start is nearly always just before: look back from the note, a
  // bounded way (a tie never spans that many records).
  for (int32_t k = i - 1; k >= 0 && k >= i - kPorteeLiaison; k--) {
    Portee** o = nullptr;
    if (GetLiaisonSourceNote(staff, k, &o, 0) == id && (!o || o == staff)) return s[k].kind == s[i].kind;
  }
  return false;
}

}  // namespace

bool TrouveLigneRangeeSouffleAccordeon(const Accordeon& k, int16_t pitch, int16_t allowed, int16_t preferred,
                                       int16_t* button, int16_t* row, int16_t* direction) {
  const int32_t basePousse = ((allowed == 0 || (allowed & kSoufflePousse)) ? 1100 : 1000) +
                             ((preferred == 0 || (preferred & kSoufflePousse)) ? 10 : 0);
  const int32_t baseTire = ((allowed == 0 || (allowed & kSouffleTire)) ? 1100 : 1000) +
                           ((preferred == 0 || (preferred & kSouffleTire)) ? 10 : 0);
  int16_t b = -1, r = -1, d = kSouffleLibre;
  int32_t meilleur = 0;
  const int8_t cherche = int8_t(pitch);
  // A pitch no signed byte holds is on no button.
  if (pitch >= -128 && pitch <= 127 && pitch != 0) {
    for (int16_t bouton = 0; bouton < kNbBoutonsAccordeon; bouton++)
      for (int16_t rangee = 0; rangee < NbRangees(k); rangee++) {
        const BoutonAccordeon& x = k.clavier[bouton][rangee];
        if (allowed != kSouffleTire && x.pousse == cherche && basePousse - rangee > meilleur) {
          meilleur = basePousse - rangee;
          b = bouton, r = rangee, d = kSoufflePousse;
        }
        if (allowed != kSoufflePousse && x.tire == cherche && baseTire - rangee > meilleur) {
          meilleur = baseTire - rangee;
          b = bouton, r = rangee, d = kSouffleTire;
        }
      }
  }
  if (button) *button = b;
  if (row) *row = r;
  if (direction) *direction = d;
  return b >= 0;
}

int16_t CalculeMasqueBasseAccordeon(Portee** staff, const Accordeon& keyboard, int32_t tick) {
  if (!staff) return kSouffleLibre;
  CvtTempsEnAccord(staff, tick, nullptr);  // builds the chord list when there is none
  CurseurAccords c{staff};
  char nom[kTailleNomAccord + 1];
  return MasqueSelonNom(keyboard, c.Nom(tick, nom, sizeof nom));
}

void CalculeTablatureAccordeon(Portee** staff) {
  Tablature** th = staff ? GetTablature(staff) : nullptr;
  if (!th) return;
  (*th)->calculee = 1;
  int32_t n = 0;
  Signe* s = GetSignesPortee(staff, &n);
  if (!s || n == 0) return;
  // The keyboard as it stands: the walk below may move the record's block.
  const Accordeon k = (*th)->accordeon;
  const int32_t n1 = std::max<int32_t>(k.intervalleSoufflet, 0);
  const int16_t premier = k.premierBouton;
  for (int32_t i = 0; i < n; i++)
    if (!(s[i].flags & kSignePositionUtilisateur)) s[i].tablatureCorde = s[i].tablatureCase = 255;

  CvtTempsEnAccord(staff, 0, nullptr);  // the chord list, built once before the walk
  CurseurAccords accords{staff};
  int16_t D = kSouffleLibre, P = kSouffleLibre;
  int64_t T = 0, C = 0;
  int64_t Q = kRonde;
  char nom[kTailleNomAccord + 1];
  auto ecrit = [&](int32_t j, int16_t b, int16_t r, int16_t d, bool bouton) {
    s = GetSignesPortee(staff, &n);
    if (!s || j >= n || (s[j].flags & kSignePositionUtilisateur)) return;
    s[j].tablatureCase = bouton && b >= 0 ? uint8_t(b + premier) : uint8_t(255);
    s[j].tablatureCorde = r < 0 ? uint8_t(255) : uint8_t(r + (d == kSouffleTire ? 16 : 0));
  };
  for (int32_t i = 0; i < n; i++) {
    s = GetSignesPortee(staff, &n);
    if (!s || i >= n) break;
    const int16_t M = MasqueSelonNom(k, accords.Nom(int32_t(std::clamp<int64_t>(T, 0, INT32_MAX)), nom, sizeof nom));
    if (s[i].kind < 0 || (s[i].flags & kSignePositionUtilisateur)) {
      Q = kRonde;
      // A chord member adds no time: its chord's last member does.
      if (!(s[i].flags & kSigneAccordSuite)) T += s[i].duree;
      continue;
    }
    int16_t p;
    if (T - C < int64_t(n1) * kNoire) p = D;
    else if (s[i].duree <= Q / 2) p = int16_t(D ^ 3);
    else p = T - C >= int64_t(n1) * kRonde ? int16_t(D ^ 3) : P;
    // A note tied from one of its pitch keeps the bellows as they go.
    if (LieeAMemeHauteur(staff, s, i)) p = D;
    P = p;
    int16_t b, r, d;
    if (TrouveLigneRangeeSouffleAccordeon(k, s[i].kind, M, p, &b, &r, &d)) {
      if (d != D) C = T;
      ecrit(i, b, r, d, true);
    } else {
      d = kSouffleLibre;
      s[i].tablatureCase = 255;
      s[i].tablatureCorde = M == kSouffleTire ? 16 : 0;
    }
    // The other notes of a chord take its direction; a chord whose first
    // note found none takes the first its members find.
    int16_t K = d;
    s = GetSignesPortee(staff, &n);
    while (s && (s[i].flags & kSigneAccordSuite) && i + 1 < n) {
      i++;
      if (s[i].kind >= 0) {
        int16_t bj, rj, dj;
        const bool trouve = TrouveLigneRangeeSouffleAccordeon(k, s[i].kind, K, K, &bj, &rj, &dj);
        ecrit(i, bj, rj, dj, trouve && (K == kSouffleLibre || dj == K));
        if (K == kSouffleLibre) K = dj;
      }
      s = GetSignesPortee(staff, &n);
    }
    if (!s) break;
    D = K;
    Q = s[i].duree;
    T += s[i].duree;
  }
}

// ---- bass chords

int16_t CvtTexteEnListeNotesAccordeon(const char* text, uint16_t* out) {
  int16_t k = 0;
  if (out) out[0] = 0xFFFF;
  if (!text || !out) return 0;
  // Letter names and syllables are both read: the naming needs no switch.
  char u[64];
  size_t l = 0;
  for (; text[l] && l + 1 < sizeof u; l++) u[l] = char(std::toupper(static_cast<unsigned char>(text[l])));
  u[l] = 0;
  auto jeton = [](char c) { return std::isalnum(static_cast<unsigned char>(c)) || c == '#'; };
  size_t i = 0;
  while (i < l && k < kMaxNotesTexte) {
    while (i < l && !jeton(u[i])) i++;
    size_t j = i;
    while (j < l && jeton(u[j])) j++;
    if (j > i) {
      char t[64];
      std::memcpy(t, u + i, j - i);
      t[j - i] = 0;
      const int16_t h = CvtStrToHauteurNote(t, nullptr);
      if (h >= 0) out[k++] = uint16_t(h);
    }
    i = j;
  }
  out[k] = 0xFFFF;
  return k;
}

int32_t CalculeCorellationAccordAccordeon(const NoteAnalyse* sounding, const char* notes, bool single) {
  uint16_t h[kMaxNotesTexte + 1];
  const int16_t k = CvtTexteEnListeNotesAccordeon(notes, h);
  if (!sounding || sounding[0].hauteur < 0) return 0;
  if (!((single && k == 1) || (!single && k >= 2))) return 0;
  int32_t compteurs[kMaxNotesTexte] = {};
  int32_t score = 0;
  for (int i = 0; i <= kMaxNotesAnalyse && sounding[i].hauteur >= 0; i++) {
    const int classe = sounding[i].hauteur % 12;
    int m = -1;
    for (int j = 0; j < k; j++)
      if (h[j] % 12 == classe) m = j;
    if (m >= 0) {
      compteurs[m]++;
      score = score == 0 ? 110 : score + 100;
    } else {
      score--;
    }
  }
  if (compteurs[0]) score += 1005;
  for (int j = 1; j < kMaxNotesTexte; j++)
    if (compteurs[j]) score += 1000;
  return score;
}

void CalculeAccordAccordeonSelonNotes(Partition** score, Portee** staff, int32_t tick, const NoteAnalyse* notes,
                                      int16_t pull, int16_t push, char* text) {
  if (!text) return;
  text[0] = 0;
  Tablature** th = staff ? GetTablature(staff) : nullptr;
  if (!th || !score || !notes) return;
  const int32_t mesure = CvtTempsEnMesure(score, tick);
  const int64_t dans = int64_t(tick) - CvtMesureEnTemps(score, mesure);
  const int32_t duree = CvtMesureEnDureeMesure(score, mesure);
  const int32_t temps = CvtMesureEnNbTemps(score, mesure);
  const int64_t battue = duree > 0 ? dans * temps / duree : 0;
  // Single bass notes fall on the strong beats: the first in 2 and 3 beats,
  // every other one otherwise.
  const bool seul = temps == 2 || temps == 3 ? battue == 0 : battue % 2 == 0;
  const Accordeon& k = (*th)->accordeon;
  int32_t meilleur = 0;
  for (const auto& banque : k.basses)
    for (int r = 0; r < NbRangeesBasses(k); r++) {
      const AccordAccordeon& a = banque[r];
      char notesTexte[sizeof a.notesPousse + 1];
      auto essaie = [&](const char* nomAccord, size_t tailleNom, const char* notesAccord) {
        std::memcpy(notesTexte, notesAccord, sizeof a.notesPousse);
        notesTexte[sizeof a.notesPousse] = 0;
        const int32_t v = CalculeCorellationAccordAccordeon(notes, notesTexte, seul);
        if (v > meilleur) {
          meilleur = v;
          const size_t l = strnlen(nomAccord, tailleNom);
          std::memcpy(text, nomAccord, l);
          text[l] = 0;
        }
      };
      if (push) essaie(a.nomPousse, sizeof a.nomPousse, a.notesPousse);
      if (pull) essaie(a.nomTire, sizeof a.nomTire, a.notesTire);
    }
}

int16_t CvtAccordAccordeonEnListeNotes(Portee** staff, const char* text, uint16_t* pitches) {
  if (pitches) pitches[0] = 0xFFFF;
  Tablature** th = staff ? GetTablature(staff) : nullptr;
  if (!th || !text || !text[0] || !pitches) return 0;
  const Accordeon& k = (*th)->accordeon;
  for (const auto& banque : k.basses)
    for (int r = 0; r < NbRangeesBasses(k); r++) {
      const AccordAccordeon& a = banque[r];
      const char* notes = nullptr;
      if (MemeNom(a.nomPousse, sizeof a.nomPousse, text)) notes = a.notesPousse;
      else if (MemeNom(a.nomTire, sizeof a.nomTire, text)) notes = a.notesTire;
      if (!notes) continue;
      char copie[sizeof a.notesPousse + 1];
      std::memcpy(copie, notes, sizeof a.notesPousse);
      copie[sizeof a.notesPousse] = 0;
      return CvtTexteEnListeNotesAccordeon(copie, pitches);
    }
  return 0;
}
