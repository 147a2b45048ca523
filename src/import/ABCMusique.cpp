// ABC music lines: the notes, rests, chords, ties, slurs, grace notes, marks,
// bar lines, repeats and endings of a tune's parts, each voice on its staff.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "import/ABCInterne.h"
#include "import/ImportABC.h"
#include "model/CourbeTempo.h"
#include "model/CvtTemps.h"
#include "model/Document.h"
#include "model/ParamEffet.h"
#include "model/Partition.h"
#include "model/Portee.h"
#include "model/QRVPOBJ.h"
#include "model/QrvLiaison.h"
#include "model/Ruptures.h"
#include "model/Signe.h"
#include "model/TabEltMesure.h"
#include "model/Tonalite.h"
#include "model/TonaliteMaths.h"
#include "sound/SINSTRUM.h"
#include "system/Reporters.h"
#include "text/Fontes.h"

namespace {

constexpr int32_t kLongueurMax = 8064000;  // 50 whole notes
constexpr int32_t kLongueurMin = 2520;
constexpr int32_t kNoire = 40320;
constexpr size_t kMaxNotesAccord = 32;
constexpr size_t kMaxGraces = 10;
constexpr int32_t kMaxMesuresSilence = 1000;
// The latest tick music may reach: times stay far from the 32-bit end, so
// that a bar's start plus its length never overflows.
constexpr int32_t kTempsMax = INT32_MAX / 2;

// How a mark is placed on its note.
enum PlacementMarque : uint8_t {
  kEmpile,   // articulations: stacked away from the head on the stem side
  kFixe,     // above, with its own placement byte
  kOrnement  // the roll sign, which starts the stack one step away
};

struct Decoration {
  uint8_t code;
  PlacementMarque placement;
  uint8_t octet;  // the placement byte of fixed marks
};

struct NoteABC {
  int16_t hauteur;  // MIDI pitch, -1 for a rest
  uint8_t alteration;
  int32_t longueur;
};

// The note, chord or rest that the next token may still change.
struct Evenement {
  std::vector<NoteABC> notes;
  bool invisible = false;
  bool lie = false;  // tied to the next one
  int32_t slurDebuts = 0, slurFins = 0;
  int32_t facteurNum = 1, facteurDen = 1;  // broken rhythm from the event before
  std::vector<Decoration> decorations;
};

struct VoixABC {
  std::string id;
  Portee** staff = nullptr;
  bool gregorienne = false;
  int32_t temps = 0;
  int32_t debutMesure = 0;
  int32_t debutLigne = 0;
  uint8_t etat[7] = {0, 0, 0, 0, 0, 0, 0};  // accidentals of the bar by step
  Evenement ev;
  bool enAttente = false;
  bool accordOuvert = false;
  bool grace = false;
  uint16_t prefixe = 0;
  std::vector<int16_t> graces;
  std::vector<Decoration> decorationsSuivantes;
  int32_t slurDebutsSuivants = 0;
  int32_t suivantNum = 1, suivantDen = 1;
  int32_t tupletReste = 0, tupletP = 0, tupletQ = 0;
  std::vector<int32_t> coules;  // start ticks of open slurs
  int32_t lieSource = -1;       // start of the note the next one is tied to
  int32_t dernierTemps = -1;    // start of the last stored note or chord
  bool stocke = false;          // the voice has stored something
};

}  // namespace

struct TransfertABC {
  Document* doc = nullptr;
  Partition** score = nullptr;
  MusiqueABC* tune = nullptr;
  ContexteABC* contexte = nullptr;
  int32_t longueurDefaut = 20160;
  int32_t tempo = 120;
  std::vector<VoixABC> voix;
  size_t courante = 0;
  int32_t repetitionsOuvertes = 0;
  bool voltaEnAttente = false;
  bool illegalSignale = false;
  bool dureeSignalee = false;
  // The meter a bar after an irregular one goes back to, set once music
  // reaches that bar (so that no empty bar is made after the last one).
  int16_t mesureARetablir = -1;
  DivisionTemporelle divisionARetablir{};
};

namespace {

VoixABC& Voix(TransfertABC* t) { return t->voix[t->courante]; }
bool PremiereVoix(TransfertABC* t) { return t->courante == 0; }

int32_t Borne(int64_t v) { return int32_t(std::max<int64_t>(kLongueurMin, std::min<int64_t>(kLongueurMax, v))); }

// Index of the first record at exactly the tick, -1 when none starts there.
int32_t IndexATemps(Portee** staff, int32_t tick) {
  int32_t n;
  GetSignesPortee(staff, &n);
  int32_t i = CvtTempsEnIndexNote(staff, tick);
  if (i < 0 || i >= n || GetTempsLastCvtTempsEnIndxNote() != tick) return -1;
  return i;
}

void RetablitMesure(TransfertABC* t) {
  if (t->mesureARetablir < 0) return;
  const int16_t bar = t->mesureARetablir;
  // Only music that reaches the bar makes it: a voice still behind does not.
  if (CvtTempsEnMesure(t->score, t->voix[t->courante].temps) < bar) return;
  t->mesureARetablir = -1;
  FixeDivisionMesurePartition(t->score, bar, &t->divisionARetablir, 1, true);
}

void RechargeEtatMesure(TransfertABC*, VoixABC& v) {
  Tonalite k;
  CvtTempsEnTonalite(v.staff, v.temps, &k);
  std::memcpy(v.etat, k.alterations, 7);
}

// The last stored chord no longer joins the next one.
void CoupeGroupe(VoixABC& v) {
  if (v.dernierTemps < 0) return;
  int32_t i = IndexATemps(v.staff, v.dernierTemps);
  if (i < 0) return;
  int32_t n;
  Signe* s = GetSignesPortee(v.staff, &n);
  for (; i < n; i++) {
    s[i].flags &= uint16_t(~kSigneAccroche);
    if (!(s[i].flags & kSigneAccordSuite)) break;
  }
}

void AjouteMarques(VoixABC& v, int32_t index, const Evenement& ev) {
  int32_t n;
  Signe* s = GetSignesPortee(v.staff, &n);
  if (!s || index < 0 || index >= n) return;
  for (const Decoration& d : ev.decorations)
    if (d.code == 0) s[index].flags |= kSigneQueueEnBas;
  const bool bas = (s[index].flags & kSigneQueueEnBas) != 0;
  int pas = bas ? 6 : -6;
  int decalage = 0;
  for (const Decoration& d : ev.decorations) {
    uint8_t code = d.code;
    if (!code) continue;
    switch (d.placement) {
      case kOrnement:
        AddMarkNote(v.staff, index, code, 0, 0, 0);
        decalage = pas;
        break;
      case kFixe: AddMarkNote(v.staff, index, code, 0, 0, d.octet); break;
      case kEmpile:
        // A roll mark and an accent point by the stem's side.
        if (code == 46 && bas) code = 45;
        if (code == 55 && bas) code = 56;
        AddMarkNote(v.staff, index, code, 0, uint8_t(int8_t(decalage)), code == 55 || code == 56 || bas ? 0 : 64);
        decalage += pas;
        break;
    }
  }
}

void ValideNoteEnCours(TransfertABC* t) {
  VoixABC& v = Voix(t);
  if (!v.enAttente) return;
  v.enAttente = false;
  v.accordOuvert = false;
  Evenement ev = std::move(v.ev);
  v.ev = Evenement();
  if (ev.notes.empty()) return;
  if (!v.grace) RetablitMesure(t);
  if (v.grace) {
    for (const NoteABC& n : ev.notes)
      if (n.hauteur >= 0 && v.graces.size() < kMaxGraces) v.graces.push_back(n.hauteur);
    return;
  }
  bool tuplet = v.tupletReste > 0 && v.tupletP > 0;
  uint16_t motTuplet = 0;
  if (tuplet) {
    v.tupletReste--;
    motTuplet = uint16_t((std::min(v.tupletP, 15) & 0xF) | ((std::min(v.tupletQ, 15) & 0xF) << 4));
  }
  int32_t plusCourte = kLongueurMax;
  bool silence = false;
  for (NoteABC& n : ev.notes) {
    int64_t l = int64_t(n.longueur) * ev.facteurNum / ev.facteurDen;
    if (tuplet) {
      if (l < 1) {
        if (!t->dureeSignalee)
          Avertissement(0, 0, "Wrong ABC file : Illegal note duration. This can occurs many time in the file.");
        t->dureeSignalee = true;
        l = kNoire;
      }
      l = l * v.tupletQ / v.tupletP;
    }
    n.longueur = Borne(l);
    plusCourte = std::min(plusCourte, n.longueur);
    if (n.hauteur < 0) silence = true;
  }
  const bool court = !silence && plusCourte < kNoire;
  if (!court) CoupeGroupe(v);

  const int32_t debut = v.temps;
  Portee** staff = v.staff;
  const bool batterie = (*staff)->type == kTypePorteeBatterie;
  int32_t index = -1;
  for (const NoteABC& n : ev.notes) {
    if (n.hauteur < 0 && batterie) continue;
    Signe s;
    int16_t h = n.hauteur;
    if (h >= 0 && (*staff)->type == kTypePorteeGregorien) h = int16_t(std::max(0, h - 12));
    RazNote(&s, h >= 0 ? int8_t(h) : int8_t(kSigneSilence), n.longueur);
    s.alteration = n.alteration;
    s.motTuplet = motTuplet;
    if (court) s.flags |= kSigneAccroche;
    if (n.hauteur < 0 && ev.invisible) s.flags |= kSigneCache;
    int32_t r = InsereNote(staff, &s, debut);
    if (r >= 0 && index < 0) index = r;
  }
  v.temps = int32_t(std::min<int64_t>(int64_t(debut) + plusCourte, kTempsMax));
  if (index < 0) return;
  v.stocke = true;
  index = IndexATemps(staff, debut);
  if (index < 0) return;

  // A tie joins this chord to the one it follows, which then holds both.
  int32_t source = debut;
  if (v.lieSource >= 0 && !silence) {
    int32_t de = IndexATemps(staff, v.lieSource);
    if (de >= 0) {
      int32_t n;
      GetSignesPortee(staff, &n);
      LieDeuxNotes(staff, de, n - 1);
      if (IndexATemps(staff, debut) < 0) source = v.lieSource;
    }
  }
  v.lieSource = ev.lie ? source : -1;
  v.dernierTemps = source;
  index = IndexATemps(staff, source);
  if (index < 0) return;

  for (int32_t k = 0; k < ev.slurDebuts; k++) v.coules.push_back(source);
  for (int32_t k = 0; k < ev.slurFins && !v.coules.empty(); k++) {
    int32_t de = IndexATemps(staff, v.coules.back());
    v.coules.pop_back();
    int32_t a = IndexATemps(staff, source);
    if (de >= 0 && a > de) SetLiaison(staff, de, staff, a, kLiaisonCoule);
  }
  int32_t n;
  Signe* s = GetSignesPortee(staff, &n);
  if (!v.graces.empty() && s[index].kind >= 0) {
    int16_t principale = s[index].kind;
    for (size_t g = 0; g < v.graces.size(); g++) {
      int d = std::max(-127, std::min(127, v.graces[g] - principale));
      AddGraceNote(staff, index, 0, uint8_t(int8_t(d)), kAlterationAucune, g == 0 ? 1 : 0, -1);
    }
  }
  v.graces.clear();
  AjouteMarques(v, index, ev);
}

// A new event, taking what the tokens before it asked for the next note.
void NouvelEvenement(VoixABC& v) {
  v.ev = Evenement();
  v.ev.decorations = std::move(v.decorationsSuivantes);
  v.decorationsSuivantes.clear();
  v.ev.slurDebuts = v.slurDebutsSuivants;
  v.slurDebutsSuivants = 0;
  v.ev.facteurNum = v.suivantNum;
  v.ev.facteurDen = v.suivantDen;
  v.suivantNum = v.suivantDen = 1;
  v.enAttente = true;
}

void TraiteFreqNote(TransfertABC* t, int etape, int demiTon) {
  VoixABC& v = Voix(t);
  if (!(v.accordOuvert && v.enAttente)) {
    ValideNoteEnCours(t);
    NouvelEvenement(v);
  }
  if (v.ev.notes.size() >= kMaxNotesAccord) return;
  int h = 60 + demiTon;
  uint8_t alteration = kAlterationAucune;
  switch (v.prefixe) {
    case 0:
      if (v.etat[etape] == 3) h--;
      else if (v.etat[etape] == 1) h++;
      break;
    case 1:
      h -= 2;
      alteration = 5;
      break;
    case 2:
      v.etat[etape] = 3;
      alteration = 3;
      h--;
      break;
    case 3:
      v.etat[etape] = 0;
      alteration = 0;
      break;
    case 4:
      v.etat[etape] = 1;
      alteration = 1;
      h++;
      break;
    case 5:
      h += 2;
      alteration = 4;
      break;
  }
  v.prefixe = 0;
  v.ev.notes.push_back(NoteABC{int16_t(std::max(0, std::min(127, h))), alteration, t->longueurDefaut});
}

void TraiteSilence(TransfertABC* t, bool invisible) {
  VoixABC& v = Voix(t);
  ValideNoteEnCours(t);
  NouvelEvenement(v);
  v.ev.invisible = invisible;
  v.ev.notes.push_back(NoteABC{-1, kAlterationAucune, t->longueurDefaut});
  v.prefixe = 0;
}

// Length changes go to the chord's last note while it is open, else to the
// whole event.
template <typename F>
void ChangeLongueur(VoixABC& v, F f) {
  if (!v.enAttente || v.ev.notes.empty()) return;
  if (v.accordOuvert) {
    v.ev.notes.back().longueur = Borne(f(int64_t(v.ev.notes.back().longueur)));
  } else {
    for (NoteABC& n : v.ev.notes) n.longueur = Borne(f(int64_t(n.longueur)));
  }
}

int32_t LitNombre(const std::string& s, size_t* i, bool* lu) {
  int32_t v = 0;
  *lu = false;
  while (*i < s.size() && s[*i] >= '0' && s[*i] <= '9') {
    if (v < 100000) v = v * 10 + (s[*i] - '0');
    (*i)++;
    *lu = true;
  }
  return v;
}

// A meter that a bar of this length fits: the meter's own beat, else the
// smallest denominator whose beats it fills.
bool DivisionPourLongueur(const DivisionTemporelle& actuelle, int32_t longueur, DivisionTemporelle* out) {
  int32_t den = 0;
  if (actuelle.denominateur > 0 && longueur % (kDureeRonde / actuelle.denominateur) == 0 &&
      kDureeRonde % actuelle.denominateur == 0)
    den = actuelle.denominateur;
  for (int32_t d = 2; d <= 16 && !den; d++)
    if (kDureeRonde % d == 0 && longueur % (kDureeRonde / d) == 0) den = d;
  if (!den) return false;
  int32_t num = longueur / (kDureeRonde / den);
  if (num < 1 || num > 128) return false;
  std::memset(out, 0, sizeof *out);
  out->numerateur = int16_t(num);
  out->denominateur = int16_t(den);
  out->partieAdditive1 = int16_t(num);
  out->denominateurAdditif = int16_t(den);
  out->octet2 = 1;
  GetDefautMasqueAccroche(int16_t(num), out->masqueAccroche);
  out->groupePar4 = CanDivisionTemporelleGroupBy4(out) ? 1 : 0;
  return true;
}

void FermeVolta(TransfertABC* t, int32_t tick) {
  if (!t->voltaEnAttente) return;
  t->voltaEnAttente = false;
  AjouteRupture(t->score, 10, tick, true);
}

// A plain bar line at the end of the bar before `bar` (at its start when
// nothing comes before it).
void BarreFinMesure(Partition** score, int16_t preset, int16_t bar) {
  if (bar > 0) AjouteRuptureEnMesure(score, preset, int16_t(bar - 1), false, true);
  else AjouteRuptureEnMesure(score, preset, 0, true, true);
}

// Bar-line kinds of the music text.
enum : int {
  kBarreSimple = 0,
  kBarreDoubleABC = 2,
  kBarreDebutEpaisse = 3,
  kBarreFinale = 4,
  kBarreRepriseDouble = 5,
  kBarreDebutReprise = 6,
  kBarreFinReprise = 7,
  kBarreFinRepriseVolta = 8,
  kBarrePointilleeABC = 9,
};

void Volta(TransfertABC* t, uint32_t passages) {
  VoixABC& v = Voix(t);
  if (!PremiereVoix(t) || !passages) return;
  int16_t bar = CvtTempsEnMesure(t->score, v.temps);
  if (GetIndexTypeRupturePresent(t->score, 1, bar) >= 0) return;
  int16_t i = AjouteRupture(t->score, 9, v.temps, true);
  if (Rupture* r = GetRupture(t->score, i)) {
    std::memset(r->passagesVolta, 0, sizeof r->passagesVolta);
    for (int k = 0; k < kNbPassagesVolta; k++)
      if (passages & (1u << k)) r->passagesVolta[k] = 1;
    t->voltaEnAttente = true;
  }
}

void TraiteBarre(TransfertABC* t, int kind) {
  ValideNoteEnCours(t);
  VoixABC& v = Voix(t);
  CoupeGroupe(v);
  Partition** score = t->score;
  const int32_t longueur = v.temps - v.debutMesure;
  if (longueur > 0) {
    int16_t bar = CvtTempsEnMesure(score, v.debutMesure);
    int32_t duree = CvtMesureEnDureeMesure(score, bar);
    if (longueur != duree) {
      DivisionTemporelle actuelle, nouvelle;
      CvtMesureEnDivisionTemporelle(score, bar, &actuelle);
      if (PremiereVoix(t) && CvtMesureEnTemps(score, bar) == v.debutMesure &&
          DivisionPourLongueur(actuelle, longueur, &nouvelle)) {
        // A short or long bar takes a meter of its own; the next bar goes back.
        // The filler rests that completed the bar under its old meter go
        // first, else they would make bars of the new one past the music.
        for (int16_t k = 0; k < (*score)->nbPortees; k++) {
          Portee** p = (*score)->portees[k];
          int32_t n;
          const Signe* sg = GetSignesPortee(p, &n);
          while (n > 0 && sg[n - 1].kind == kSigneSilenceFantome) {
            SupprimeSigne(p, n - 1);
            sg = GetSignesPortee(p, &n);
          }
        }
        FixeDivisionMesurePartition(score, bar, &nouvelle, bar == 0 ? 0 : 1, true);
        t->mesureARetablir = int16_t(bar + 1);
        t->divisionARetablir = actuelle;
      } else if (longueur < duree) {
        Signe r;
        RazNote(&r, kSigneSilence, duree - longueur);
        if ((*v.staff)->type != kTypePorteeBatterie) InsereNote(v.staff, &r, v.temps);
        v.temps = int32_t(std::min<int64_t>(int64_t(v.temps) + duree - longueur, kTempsMax));
      }
    }
  }
  if (PremiereVoix(t)) {
    if (kind > 0) FermeVolta(t, v.temps);
    const int16_t mesure = CvtTempsEnMesure(score, v.temps);
    switch (kind) {
      // A double or dotted bar line closes the bar before it: set at the
      // start of the next bar, one that ends the music made an empty bar.
      case kBarreDoubleABC: BarreFinMesure(score, 6, mesure); break;
      case kBarreDebutEpaisse: AjouteRupture(score, 1, v.temps, true); break;
      case kBarreFinale: AjouteRupture(score, 2, v.temps, true); break;
      case kBarrePointilleeABC: BarreFinMesure(score, 8, mesure); break;
      case kBarreRepriseDouble:
        if (t->repetitionsOuvertes > 0) {
          AjouteRupture(score, 4, v.temps, true);
          t->repetitionsOuvertes--;
        }
        AjouteRupture(score, 3, v.temps, true);
        t->repetitionsOuvertes = std::max(t->repetitionsOuvertes + 1, 1);
        break;
      case kBarreDebutReprise:
        AjouteRupture(score, 3, v.temps, true);
        t->repetitionsOuvertes++;
        break;
      case kBarreFinReprise:
        if (mesure > 0 && GetIndexTypeRupturePresent(score, 5, int16_t(mesure - 1)) >= 0) break;
        if (t->repetitionsOuvertes > 0) {
          t->repetitionsOuvertes--;
        } else if (GetIndexTypeRupturePresent(score, 0, 0) < 0) {
          AjouteRupture(score, 3, 0, true);
        }
        AjouteRupture(score, 4, v.temps, true);
        break;
      case kBarreFinRepriseVolta:
        if (t->repetitionsOuvertes > 0) {
          AjouteRupture(score, 4, v.temps, true);
          t->repetitionsOuvertes--;
        }
        break;
      default: break;
    }
  }
  v.debutMesure = v.temps;
  RechargeEtatMesure(t, v);
}

// The passes an ending names: "1", "1,3", "1-3".
uint32_t LitPassages(const std::string& s, size_t* i) {
  uint32_t passages = 0;
  bool lu;
  int32_t premier = LitNombre(s, i, &lu);
  if (!lu) return 0;
  int32_t dernier = premier;
  for (;;) {
    if (premier >= 1 && premier <= kNbPassagesVolta)
      for (int32_t k = premier; k <= std::min<int32_t>(dernier, kNbPassagesVolta); k++) passages |= 1u << (k - 1);
    if (*i + 1 < s.size() && (s[*i] == ',' || s[*i] == '-') && s[*i + 1] >= '0' && s[*i + 1] <= '9') {
      bool tiret = s[*i] == '-';
      (*i)++;
      int32_t v = LitNombre(s, i, &lu);
      if (tiret) {
        dernier = v;
      } else {
        premier = dernier = v;
      }
      if (tiret) premier = std::max(premier, 1);
    } else {
      break;
    }
  }
  return passages;
}

// A bar-line token from its first character: its kind, and the passes of an
// ending that follows it at once.
void LitBarre(TransfertABC* t, const std::string& s, size_t* i) {
  size_t debut = *i;
  std::string jeton;
  while (*i < s.size() && (s[*i] == '|' || s[*i] == ':' || s[*i] == ']' || s[*i] == '[')) {
    char c = s[*i];
    // '[' opens an ending, a chord or a field after the bar line.
    if (c == '[' && *i > debut) break;
    if (c == ']' && jeton.find('|') == std::string::npos) break;
    jeton.push_back(c);
    (*i)++;
  }
  // A lone ':' is the dashed bar line some files write.
  if (jeton == ":") {
    TraiteBarre(t, kBarrePointilleeABC);
    return;
  }
  const bool fin = !jeton.empty() && jeton[0] == ':';
  const bool debutRep = !jeton.empty() && jeton.back() == ':';
  const size_t barres = size_t(std::count(jeton.begin(), jeton.end(), '|'));
  int kind = kBarreSimple;
  if (fin && debutRep && barres <= 2) kind = kBarreRepriseDouble;
  else if (fin) kind = kBarreFinReprise;
  else if (debutRep) kind = kBarreDebutReprise;
  else if (jeton == "[|") kind = kBarreDebutEpaisse;
  else if (jeton == "|]" || jeton == "||]") kind = kBarreFinale;
  else if (jeton == "||") kind = kBarreDoubleABC;
  else if (barres == 0) {
    return;
  }
  uint32_t passages = 0;
  if (*i < s.size() && s[*i] >= '0' && s[*i] <= '9') passages = LitPassages(s, i);
  else if (*i + 1 < s.size() && s[*i] == '[' && s[*i + 1] >= '0' && s[*i + 1] <= '9') {
    (*i)++;
    passages = LitPassages(s, i);
  }
  if (kind == kBarreFinReprise && passages) kind = kBarreFinRepriseVolta;
  if (kind == kBarreFinRepriseVolta) {
    // ":|2": the repeat ends only when one is open, as the ending says.
    if (PremiereVoix(t) && t->repetitionsOuvertes == 0) {
      TraiteBarre(t, kBarreFinReprise);
    } else {
      TraiteBarre(t, kind);
    }
  } else {
    TraiteBarre(t, kind);
  }
  if (passages) Volta(t, passages);
}

// N bars of rest from the current tick.
void MesuresSilence(TransfertABC* t, int32_t n, bool invisible) {
  ValideNoteEnCours(t);
  RetablitMesure(t);
  VoixABC& v = Voix(t);
  for (int32_t k = 0; k < n; k++) {
    int16_t bar = CvtTempsEnMesure(t->score, v.temps);
    const int64_t fin64 = int64_t(CvtMesureEnTemps(t->score, bar)) + CvtMesureEnDureeMesure(t->score, bar);
    if (fin64 > kTempsMax) break;  // no more bars fit
    const int32_t fin = int32_t(fin64);
    int32_t d = fin - v.temps;
    if (d <= 0) break;
    Signe r;
    RazNote(&r, kSigneSilence, d);
    if (invisible) r.flags |= kSigneCache;
    if ((*v.staff)->type != kTypePorteeBatterie) InsereNote(v.staff, &r, v.temps);
    CoupeGroupe(v);
    v.temps = fin;
    v.stocke = true;
    if (k + 1 < n) TraiteBarre(t, kBarreSimple);
  }
}

// ------------------------------------------------------------ decorations

struct NomDecoration {
  const char* nom;
  uint8_t code;
  PlacementMarque placement;
  uint8_t octet;
};
const NomDecoration kDecorations[] = {
    {"trill", 31, kFixe, 64},
    {"tr", 31, kFixe, 64},
    {"lowermordent", 37, kFixe, 64},
    {"mordent", 37, kFixe, 64},
    {"uppermordent", 36, kFixe, 64},
    {"pralltriller", 36, kFixe, 64},
    {"turn", 29, kFixe, 64},
    {"roll", 30, kOrnement, 0},
    {"fermata", 49, kFixe, 128},
    {"invertedfermata", 50, kFixe, 192},
    {"accent", 94, kEmpile, 0},
    {"emphasis", 94, kEmpile, 0},
    {">", 94, kEmpile, 0},
    {"tenuto", 59, kEmpile, 0},
    {"staccato", 60, kEmpile, 0},
    {"wedge", 101, kEmpile, 0},
    {"marcato", 55, kEmpile, 0},
    {"^", 55, kEmpile, 0},
    {"upbow", 15, kEmpile, 0},
    {"downbow", 44, kEmpile, 0},
    {"breath", 95, kFixe, 64},
    {"0", 22, kFixe, 64},
    {"1", 23, kFixe, 64},
    {"2", 24, kFixe, 64},
    {"3", 25, kFixe, 64},
    {"4", 26, kFixe, 64},
    {"5", 27, kFixe, 64},
};

// Decorations that are signs of the score rather than of a note.
struct NomSigne {
  const char* nom;
  int16_t preset;
};
const NomSigne kSignes[] = {{"segno", 11}, {"coda", 12}, {"fine", 13}, {"D.C.", 15}, {"D.S.", 16}};

// 1 when the name was a decoration (known or not), 0 when it is unknown.
bool AppliqueDecoration(TransfertABC* t, const std::string& nom, bool* connue) {
  VoixABC& v = Voix(t);
  *connue = false;
  for (const NomDecoration& d : kDecorations)
    if (nom == d.nom) {
      *connue = true;
      ValideNoteEnCours(t);
      v.decorationsSuivantes.push_back(Decoration{d.code, d.placement, d.octet});
      return true;
    }
  for (const NomSigne& sg : kSignes)
    if (nom == sg.nom) {
      *connue = true;
      ValideNoteEnCours(t);
      if (PremiereVoix(t)) AjouteRupture(t->score, sg.preset, v.temps, true);
      return true;
    }
  return false;
}

// The one-letter decorations.
bool DecorationLettre(char c, Decoration* d) {
  switch (c) {
    case '~': *d = {30, kOrnement, 0}; return true;
    case '.': *d = {60, kEmpile, 0}; return true;
    case 'M': *d = {37, kFixe, 64}; return true;
    case 'u': *d = {15, kEmpile, 0}; return true;
    case 'v': *d = {44, kEmpile, 0}; return true;
    case 'R': *d = {46, kEmpile, 0}; return true;
    case 'H': *d = {49, kFixe, 128}; return true;
    case 'I': *d = {50, kFixe, 192}; return true;
    case 'P': *d = {36, kFixe, 64}; return true;
    case 'T': *d = {31, kFixe, 64}; return true;
    case 'L': *d = {94, kEmpile, 0}; return true;
    default: return false;
  }
}

bool CaractereAccord(char c) {
  return (c >= 'A' && c <= 'G') || (c >= 'a' && c <= 'g') || (c >= '0' && c <= '9') ||
         std::strchr("^_=,'/<> zx", c) != nullptr;
}

// ------------------------------------------------------------- inline tags

void AppliqueCle(TransfertABC* t, const std::string& valeur) {
  ValideNoteEnCours(t);
  VoixABC& v = Voix(t);
  Partition** score = t->score;
  const int16_t bar = CvtTempsEnMesure(score, v.temps);
  Tonalite cle, avant;
  Clef clef;
  uint8_t greg = 0, donnee = 1;
  int16_t avecClef = CvtStrAbcEnTonalite(valeur.c_str(), &cle, &clef, &greg, &donnee);
  if (avecClef) {
    if (greg && (*v.staff)->type != kTypePorteeGregorien) {
      InitPortee(score, v.staff, kTypePorteeGregorien, kClefUt);
      FixeTypePortee(v.staff, kTypePorteeGregorien);
    }
    v.gregorienne = v.gregorienne || greg;
    FixeClefMesure(score, v.staff, bar, &clef, 0);
  }
  // A clef alone keeps the key in force.
  if (!donnee) {
    RechargeEtatMesure(t, v);
    return;
  }
  CvtMesureEnTonalite(v.staff, bar, &avant);
  const bool change = !CmpTonalite(&avant, &cle);
  FixeTonaliteMesure(score, v.staff, bar, &cle, 0);
  FixeVisibleMesure(score, v.staff, bar, bar == 0 ? 7 : 2, bar == 0 ? 7 : 2);
  if (bar > 0 && change && PremiereVoix(t) && GetIndexTypeRupturePresent(score, 0, bar) < 0 &&
      (bar == 0 || GetIndexTypeRupturePresent(score, 5, int16_t(bar - 1)) < 0))
    AjouteRupture(score, 6, CvtMesureEnTemps(score, bar), true);
  RechargeEtatMesure(t, v);
}

void AppliqueMesure(TransfertABC* t, const std::string& valeur) {
  VoixABC& v = Voix(t);
  DivisionTemporelle div, avant;
  uint8_t visible = 1;
  int32_t defaut = ExtraitDivision(valeur.c_str(), &div, &visible);
  if (!defaut) return;
  if (t->tune->champs[kChampL].empty()) t->longueurDefaut = defaut;
  // Bars are the score's: the first voice sets their meters.
  if (!PremiereVoix(t)) return;
  ValideNoteEnCours(t);
  const int16_t bar = CvtTempsEnMesure(t->score, v.temps);
  // A meter written at the bar replaces the one it would have gone back to.
  if (t->mesureARetablir == bar) t->mesureARetablir = -1;
  RetablitMesure(t);
  CvtMesureEnDivisionTemporelle(t->score, bar, &avant);
  TabEltMesure* rangs = GetLignesTabElt(GetTabEltMesureRuban(t->score));
  uint8_t visibleAvant = rangs && bar < GetNbMesuresTabEltRuban(t->score) ? rangs[bar].signatureVisible : 1;
  if (avant.numerateur == div.numerateur && avant.denominateur == div.denominateur && avant.octet1 == div.octet1 &&
      visibleAvant == visible)
    return;
  FixeDivisionMesurePartition(t->score, bar, &div, visible, true);
}

bool LitFraction(const std::string& valeur, int32_t* longueur) {
  size_t i = valeur.find_first_not_of(' ');
  if (i == std::string::npos) return false;
  bool lu;
  int32_t n = LitNombre(valeur, &i, &lu);
  if (!lu || n < 1) return false;
  int32_t d = 1;
  if (i < valeur.size() && valeur[i] == '/') {
    i++;
    d = LitNombre(valeur, &i, &lu);
    if (!lu || d < 1) return false;
  }
  int64_t l = int64_t(n) * kDureeRonde / d;
  if (l < kLongueurMin || l > kLongueurMax) return false;
  *longueur = int32_t(l);
  return true;
}

// The first word of a voice field, and its settings.
void AppliqueVoix(TransfertABC* t, const std::string& valeur) {
  ValideNoteEnCours(t);
  size_t i = valeur.find_first_not_of(' ');
  std::string id;
  while (i != std::string::npos && i < valeur.size() && uint8_t(valeur[i]) > ' ') id.push_back(valeur[i++]);
  size_t trouve = t->voix.size();
  for (size_t k = 0; k < t->voix.size(); k++)
    if (t->voix[k].id == id) trouve = k;
  if (trouve == t->voix.size()) {
    bool libre = false;
    for (size_t k = 0; k < t->voix.size() && !libre; k++)
      if (t->voix[k].id.empty() && !t->voix[k].stocke && t->voix[k].temps == 0) {
        trouve = k;
        libre = true;
      }
    if (libre) {
      t->voix[trouve].id = id;
    } else {
      Portee** staff = CreePorteeVide(t->score, kTypePorteeStandard, kClefSol, 1);
      if (!staff) return;
      VoixABC nv;
      nv.id = id;
      nv.staff = staff;
      t->voix.push_back(std::move(nv));
      trouve = t->voix.size() - 1;
    }
  }
  t->courante = trouve;
  VoixABC& v = Voix(t);
  RechargeEtatMesure(t, v);
  // Settings: a clef (with or without "clef="), a name.
  std::string reste = i == std::string::npos ? std::string() : valeur.substr(i);
  size_t p = reste.find("name=");
  if (p == std::string::npos) p = reste.find("nm=");
  if (p != std::string::npos) {
    size_t q = reste.find('=', p) + 1;
    std::string nom;
    if (q < reste.size() && reste[q] == '"') {
      size_t f = reste.find('"', q + 1);
      nom = reste.substr(q + 1, f == std::string::npos ? std::string::npos : f - q - 1);
    } else {
      while (q < reste.size() && uint8_t(reste[q]) > ' ') nom.push_back(reste[q++]);
    }
    if (nom.size() > 255) nom.resize(255);
    if (!nom.empty()) SetNomPortee(v.staff, nom.c_str());
  }
  // The clef words are read as in a key field without its tonic.
  std::string mots = "none " + reste;
  Tonalite cle;
  Clef clef;
  uint8_t greg;
  if (CvtStrAbcEnTonalite(mots.c_str(), &cle, &clef, &greg))
    FixeClefMesure(t->score, v.staff, CvtTempsEnMesure(t->score, v.temps), &clef, 0);
}

void TraiteTag(TransfertABC* t, const std::string& nom, const std::string& valeur) {
  VoixABC& v = Voix(t);
  if (nom == "KEY") {
    AppliqueCle(t, valeur);
  } else if (nom == "DIV") {
    AppliqueMesure(t, valeur);
  } else if (nom == "NLG") {
    int32_t l;
    if (LitFraction(valeur, &l)) t->longueurDefaut = l;
  } else if (nom == "TMP") {
    ValideNoteEnCours(t);
    t->tempo = ExtraitTempo(valeur.c_str(), t->longueurDefaut, t->tempo);
    if (v.temps == 0) (*t->score)->tempo = int16_t(std::min<int32_t>(t->tempo, INT16_MAX));
    else AjouteObjetTempo(t->score, v.staff, v.temps, float(t->tempo));
  } else if (nom == "NPO") {
    AppliqueVoix(t, valeur);
  } else if (nom == "LYR") {
    ValideNoteEnCours(t);
  }
}

void CaractereIllegal(TransfertABC* t, const std::string& s, size_t i) {
  if (t->illegalSignale) return;
  t->illegalSignale = true;
  std::string pres = s.substr(i, 32);
  char message[512];
  std::snprintf(message, sizeof message, "Illegal character '%c' in music '%s' near '%s'. I continue ?", s[i],
                t->tune->champs[kChampT].c_str(), pres.c_str());
  Avertissement(0, 0, "%s", message);
}

void TransfereTexte(TransfertABC* t, const std::string& s) {
  size_t i = 0;
  const size_t n = s.size();
  while (i < n) {
    VoixABC& v = Voix(t);
    const char c = s[i];
    if ((c >= 'A' && c <= 'G') || (c >= 'a' && c <= 'g')) {
      static const int demiTons[7] = {9, 11, 0, 2, 4, 5, 7};
      static const int etapes[7] = {5, 6, 0, 1, 2, 3, 4};
      int k = (c | 0x20) - 'a';
      TraiteFreqNote(t, etapes[k], demiTons[k] + (c >= 'a' ? 12 : 0));
      i++;
      continue;
    }
    switch (c) {
      case 'z':
      case 'x':
        TraiteSilence(t, c == 'x');
        i++;
        break;
      case 'Z':
      case 'X': {
        i++;
        bool lu;
        int32_t k = LitNombre(s, &i, &lu);
        MesuresSilence(t, lu ? std::max(1, std::min(k, kMaxMesuresSilence)) : 1, c == 'X');
        break;
      }
      case '1':
      case '2':
      case '3':
      case '4':
      case '5':
      case '6':
      case '7':
      case '8':
      case '9': {
        bool lu;
        int32_t k = LitNombre(s, &i, &lu);
        ChangeLongueur(v, [k](int64_t l) { return l * k; });
        break;
      }
      case '/': {
        int32_t barres = 0;
        while (i < n && s[i] == '/') barres++, i++;
        bool lu;
        int32_t k = LitNombre(s, &i, &lu);
        if (lu && barres == 1) {
          if (k > 0) ChangeLongueur(v, [k](int64_t l) { return l / k; });
        } else {
          int32_t d = 1 << std::min(barres, 6);
          if (lu && k > 0) d = std::min(d / 2 * k, 64);
          ChangeLongueur(v, [d](int64_t l) { return l / d; });
        }
        break;
      }
      case '^':
        v.prefixe = i + 1 < n && s[i + 1] == '^' ? 5 : 4;
        i += v.prefixe == 5 ? 2 : 1;
        break;
      case '_':
        v.prefixe = i + 1 < n && s[i + 1] == '_' ? 1 : 2;
        i += v.prefixe == 1 ? 2 : 1;
        break;
      case '=':
        v.prefixe = 3;
        i++;
        break;
      case ',':
      case '\'':
        if (v.enAttente && !v.ev.notes.empty() && v.ev.notes.back().hauteur >= 0) {
          int h = v.ev.notes.back().hauteur + (c == ',' ? -12 : 12);
          v.ev.notes.back().hauteur = int16_t(std::max(0, std::min(127, h)));
        }
        i++;
        break;
      case '<':
      case '>': {
        int32_t m = 0;
        while (i < n && s[i] == c && m < 4) m++, i++;
        while (i < n && s[i] == c) i++;
        const int32_t d = 1 << m;
        if (c == '>') {
          ChangeLongueur(v, [d](int64_t l) { return l * (2 * d - 1) / d; });
          v.suivantNum = 1, v.suivantDen = d;
        } else {
          ChangeLongueur(v, [d](int64_t l) { return l / d; });
          v.suivantNum = 2 * d - 1, v.suivantDen = d;
        }
        break;
      }
      case '-':
        if (v.enAttente) v.ev.lie = true;
        else if (v.dernierTemps >= 0) v.lieSource = v.dernierTemps;
        i++;
        break;
      case '(': {
        ValideNoteEnCours(t);
        i++;
        if (i < n && s[i] >= '1' && s[i] <= '9') {
          bool lu;
          int32_t p = LitNombre(s, &i, &lu), q = 0, r = 0;
          if (i < n && s[i] == ':') {
            i++;
            q = LitNombre(s, &i, &lu);
            if (i < n && s[i] == ':') {
              i++;
              r = LitNombre(s, &i, &lu);
            }
          }
          if (p >= 2) {
            if (q < 1) {
              // The standard's defaults; 5, 7, 9 and above in the time of
              // 2 in compound meters, of 3 otherwise.
              DivisionTemporelle div;
              CvtMesureEnDivisionTemporelle(t->score, CvtTempsEnMesure(t->score, v.temps), &div);
              bool compose = div.numerateur % 3 == 0 && div.numerateur > 3;
              q = (p == 2 || p == 4 || p == 8) ? 3 : (p == 3 || p == 6) ? 2 : compose ? 2 : 3;
            }
            v.tupletP = std::min(p, 64);
            v.tupletQ = std::min(q, 64);
            v.tupletReste = r >= 1 ? std::min(r, 64) : v.tupletP;
          }
        } else {
          v.slurDebutsSuivants++;
        }
        break;
      }
      case ')':
        if (v.enAttente) {
          v.ev.slurFins++;
        } else if (!v.coules.empty() && v.dernierTemps >= 0) {
          int32_t de = IndexATemps(v.staff, v.coules.back());
          v.coules.pop_back();
          int32_t a = IndexATemps(v.staff, v.dernierTemps);
          if (de >= 0 && a > de) SetLiaison(v.staff, de, v.staff, a, kLiaisonCoule);
        }
        i++;
        break;
      case '[':
        if (i + 1 < n && s[i + 1] >= '1' && s[i + 1] <= '9') {
          i++;
          uint32_t passages = LitPassages(s, &i);
          ValideNoteEnCours(t);
          if (PremiereVoix(t)) FermeVolta(t, v.temps);
          Volta(t, passages);
        } else if (i + 1 < n && s[i + 1] == '|') {
          LitBarre(t, s, &i);
        } else if (i + 2 < n && std::isalpha(uint8_t(s[i + 1])) && s[i + 2] == ':') {
          // An inline field.
          size_t f = s.find(']', i);
          size_t ligne = s.find('\\', i);
          if (f == std::string::npos || (ligne != std::string::npos && ligne < f)) f = ligne;
          if (f == std::string::npos) f = n;
          std::string valeur = s.substr(i + 3, f - i - 3);
          size_t d = valeur.find_first_not_of(' ');
          valeur = d == std::string::npos ? std::string() : valeur.substr(d);
          switch (s[i + 1]) {
            case 'K': TraiteTag(t, "KEY", valeur); break;
            case 'M': TraiteTag(t, "DIV", valeur); break;
            case 'L': TraiteTag(t, "NLG", valeur); break;
            case 'Q': TraiteTag(t, "TMP", valeur); break;
            case 'V': TraiteTag(t, "NPO", valeur); break;
            default: break;
          }
          i = f < n && s[f] == ']' ? f + 1 : f;
        } else {
          ValideNoteEnCours(t);
          NouvelEvenement(v);
          v.accordOuvert = true;
          i++;
        }
        break;
      case ']':
        if (v.accordOuvert) {
          v.accordOuvert = false;
          if (v.ev.notes.empty()) v.enAttente = false;
        }
        i++;
        break;
      case '+': {
        if (v.accordOuvert) {
          v.accordOuvert = false;
          if (v.ev.notes.empty()) v.enAttente = false;
          i++;
          break;
        }
        size_t f = s.find('+', i + 1);
        std::string nom = f != std::string::npos && f - i <= 40 ? s.substr(i + 1, f - i - 1) : std::string();
        bool connue = false;
        bool accord = !nom.empty() && nom.find('\\') == std::string::npos &&
                      std::all_of(nom.begin(), nom.end(), CaractereAccord) &&
                      std::any_of(nom.begin(), nom.end(), [](char k) { return std::strchr("ABCDEFGabcdefg", k); });
        if (!nom.empty() && nom.find('\\') == std::string::npos && (AppliqueDecoration(t, nom, &connue) || !accord)) {
          i = f + 1;
        } else {
          ValideNoteEnCours(t);
          NouvelEvenement(v);
          v.accordOuvert = true;
          i++;
        }
        break;
      }
      case '!': {
        size_t f = s.find('!', i + 1);
        size_t ligne = s.find('\\', i + 1);
        if (f != std::string::npos && f - i <= 40 && (ligne == std::string::npos || f < ligne)) {
          bool connue;
          AppliqueDecoration(t, s.substr(i + 1, f - i - 1), &connue);
          i = f + 1;
        } else {
          i++;
        }
        break;
      }
      case '{':
        ValideNoteEnCours(t);
        v.grace = true;
        i++;
        break;
      case '}':
        ValideNoteEnCours(t);
        v.grace = false;
        i++;
        break;
      case '|':
      case ':':
        LitBarre(t, s, &i);
        if (i < n && s[i] == c && c == ':' && (i + 1 >= n || s[i + 1] != '|')) i++;
        break;
      case '.':
        if (i + 1 < n && s[i + 1] == '|') {
          // ".|" is the dotted bar line; a dot before another bar line is lost.
          i++;
          if (i + 1 >= n || !std::strchr("|:]", s[i + 1])) {
            i++;
            TraiteBarre(t, kBarrePointilleeABC);
          } else {
            LitBarre(t, s, &i);
          }
        } else {
          Decoration d;
          DecorationLettre('.', &d);
          ValideNoteEnCours(t);
          v.decorationsSuivantes.push_back(d);
          i++;
        }
        break;
      case '"': {
        // Chord symbols and annotations are read over.
        ValideNoteEnCours(t);
        size_t f = s.find('"', i + 1);
        size_t ligne = s.find('\\', i + 1);
        if (f == std::string::npos || (ligne != std::string::npos && ligne < f))
          f = ligne == std::string::npos ? n - 1 : ligne - 1;
        i = f + 1;
        break;
      }
      case '@': {
        size_t f = s.find('@', i + 1);
        if (f == std::string::npos) f = n;
        if (f - i > 4) TraiteTag(t, s.substr(i + 1, 3), s.substr(i + 4, f - i - 4));
        i = f + 1;
        break;
      }
      case '%':
      case 'm': {
        // Application lines and macros: the rest of the line.
        size_t f = s.find('\\', i);
        i = f == std::string::npos ? n : f;
        break;
      }
      case '&': {
        // A second voice over the bar is not shown: read up to the bar line.
        ValideNoteEnCours(t);
        while (i < n && s[i] != '|' && s[i] != '\\' && s[i] != '@') i++;
        break;
      }
      case '\\':
        ValideNoteEnCours(t);
        CoupeGroupe(v);
        v.debutLigne = v.temps;
        i++;
        break;
      case ' ':
      case '\t':
        ValideNoteEnCours(t);
        CoupeGroupe(Voix(t));
        i++;
        break;
      case 'J':
        ValideNoteEnCours(t);
        i++;
        break;
      case '*':
      case 'Q':
      case 'S':
      case 's':
      case 'y':
      case '#':
      case '$':
      case ';':
      case '?':
      case 'K':
      case 'N':
      case 'O':
      case 'U':
      case 'V':
      case 'W':
      case 'Y':
      case 't':
      case '`': i++; break;
      default: {
        Decoration d;
        if (DecorationLettre(c, &d)) {
          ValideNoteEnCours(t);
          // On a Gregorian staff the down-bow sign turns the stem down instead.
          if (c == 'v' && v.gregorienne) d = {0, kFixe, 0};
          v.decorationsSuivantes.push_back(d);
        } else {
          CaractereIllegal(t, s, i);
        }
        i++;
        break;
      }
    }
  }
}

}  // namespace

int16_t TransferePartieABC(Document*, MusiqueABC* tune, uint16_t lettre, TransfertABC* t) {
  if (lettre == ' ') return 1;
  const PartieABC* partie = nullptr;
  if (lettre == '?') {
    if (!tune->parties.empty()) partie = &tune->parties[0];
  } else {
    for (const PartieABC& p : tune->parties)
      if (p.lettre == lettre) partie = &p;
    if (!partie && lettre == 'A')
      for (const PartieABC& p : tune->parties)
        if (p.lettre == '?') partie = &p;
  }
  if (!partie) {
    Avertissement(0, 0, "Can't find part '%c' in music '%s'.", lettre, tune->champs[kChampT].c_str());
    return 0;
  }
  // Each part starts on the first voice, with nothing pending.
  t->courante = 0;
  t->illegalSignale = false;
  for (VoixABC& v : t->voix) {
    v.prefixe = 0;
    v.grace = false;
    v.accordOuvert = false;
    v.tupletReste = 0;
    v.suivantNum = v.suivantDen = 1;
  }
  TransfereTexte(t, partie->texte);
  for (size_t k = 0; k < t->voix.size(); k++) {
    t->courante = k;
    ValideNoteEnCours(t);
  }
  t->courante = 0;
  FermeVolta(t, Voix(t).temps);
  return 1;
}

namespace {

void CopieTitre(StrTitre* titre, const std::string& texte) {
  std::snprintf(titre->texte, sizeof titre->texte, "%s", texte.c_str());
}

void AjouteCommentaire(std::string* comm, const char* prefixe, const std::string& texte) {
  if (texte.empty()) return;
  std::string ajout = std::string(prefixe) + texte;
  if (comm->size() + 1 + ajout.size() > kMaxChampABC) return;
  if (!comm->empty()) comm->push_back('\r');
  comm->append(ajout);
}

// The parts in the order of the 'P:' text: letters, counts after 'x' or
// directly, groups in brackets, nested.
bool OrdreParties(const std::string& s, size_t* i, std::vector<uint16_t>* ordre, int profondeur) {
  while (*i < s.size()) {
    char c = s[*i];
    if (c == ')' || c == ']') {
      (*i)++;
      return true;
    }
    std::vector<uint16_t> element;
    if (c == '(' || c == '[') {
      (*i)++;
      if (profondeur < 8) OrdreParties(s, i, &element, profondeur + 1);
    } else if (uint8_t(c) > ' ' && c != '.' && c != '-' && c != ',') {
      element.push_back(uint8_t(c));
      (*i)++;
    } else {
      (*i)++;
      continue;
    }
    size_t j = *i;
    while (j < s.size() && s[j] == ' ') j++;
    if (j < s.size() && s[j] == 'x') j++;
    while (j < s.size() && s[j] == ' ') j++;
    int32_t fois = 1;
    if (j < s.size() && s[j] >= '0' && s[j] <= '9') {
      bool lu;
      fois = LitNombre(s, &j, &lu);
      *i = j;
    } else if (*i < s.size() && s[*i] >= '0' && s[*i] <= '9') {
      bool lu;
      fois = LitNombre(s, i, &lu);
    }
    fois = std::min(fois, 64);
    for (int32_t k = 0; k < fois && ordre->size() < 4096; k++)
      ordre->insert(ordre->end(), element.begin(), element.end());
  }
  return true;
}

}  // namespace

int16_t TransfereMusiqueABCVersOrvanta(Document* doc, MusiqueABC* tune, int16_t first, ContexteABC* contexte) {
  if (!doc || !tune || !doc->partitionCourante) return 0;
  Partition** score = doc->partitionCourante;
  if ((*score)->nbPortees < 1 || !(*score)->portees) return 0;
  TransfertABC t;
  t.doc = doc;
  t.score = score;
  t.tune = tune;
  t.contexte = contexte;
  VoixABC premiere;
  premiere.staff = (*score)->portees[0];
  t.voix.push_back(premiere);

  // The titles' styles: the title large and centred, the composer on the
  // right, the comments on the left.
  static const int16_t tailles[kNbTitres] = {24, 12, 10};
  static const uint8_t faces[kNbTitres] = {1, 0, 0};
  static const uint8_t justifications[kNbTitres] = {1, 0xFF, 0};
  for (int k = 0; k < kNbTitres; k++) {
    FixeTextStyleStd(&doc->titres[k].style);
    doc->titres[k].style.size = tailles[k];
    doc->titres[k].style.face = faces[k];
    doc->titres[k].flag = justifications[k];
  }

  Tonalite cle;
  Clef clef;
  uint8_t greg;
  if (!tune->champs[kChampK].empty()) {
    CvtStrAbcEnTonalite(tune->champs[kChampK].c_str(), &cle, &clef, &greg);
    SetTonalitePartition(score, &cle, 7);
  }
  // Without a note length, the meter gives it.
  int32_t l;
  if (LitFraction(tune->champs[kChampL], &l)) {
    t.longueurDefaut = l;
  } else if (!tune->champs[kChampM].empty()) {
    int32_t d = ExtraitDivision(tune->champs[kChampM].c_str(), nullptr, nullptr);
    if (d) t.longueurDefaut = d;
  }
  (*score)->tempo = 120;
  if (!tune->champs[kChampQ].empty()) {
    t.tempo = ExtraitTempo(tune->champs[kChampQ].c_str(), t.longueurDefaut, t.tempo);
    (*score)->tempo = int16_t(std::min<int32_t>(t.tempo, INT16_MAX));
  }
  if (first) {
    CopieTitre(&doc->titres[0], tune->champs[kChampT]);
    CopieTitre(&doc->titres[1], tune->champs[kChampC]);
    std::string comm = tune->champs[kChampI];
    AjouteCommentaire(&comm, "", tune->champs[kChampN]);
    AjouteCommentaire(&comm, "Source : ", tune->champs[kChampS]);
    AjouteCommentaire(&comm, "Book : ", tune->champs[kChampB]);
    AjouteCommentaire(&comm, "Disc. : ", tune->champs[kChampD]);
    AjouteCommentaire(&comm, "Area. : ", tune->champs[kChampA]);
    AjouteCommentaire(&comm, "Orig. : ", tune->champs[kChampO]);
    AjouteCommentaire(&comm, "Transc. : ", tune->champs[kChampZ]);
    AjouteCommentaire(&comm, "Rhythm : ", tune->champs[kChampR]);
    CopieTitre(&doc->titres[2], comm);
  }
  RechargeEtatMesure(&t, t.voix[0]);

  int16_t ok = 1;
  if (tune->parties.size() <= 1) {
    ok = TransferePartieABC(doc, tune, '?', &t);
  } else if (tune->champs[kChampP].empty()) {
    for (size_t k = 0; k < tune->parties.size() && ok; k++)
      ok = TransferePartieABC(doc, tune, tune->parties[k].lettre, &t);
  } else {
    std::vector<uint16_t> ordre;
    size_t i = 0;
    OrdreParties(tune->champs[kChampP], &i, &ordre, 0);
    // Music written before the first part letter comes first.
    if (tune->parties[0].lettre == '?') ok = TransferePartieABC(doc, tune, '?', &t);
    for (size_t k = 0; k < ordre.size() && ok; k++) ok = TransferePartieABC(doc, tune, ordre[k], &t);
  }

  GarbageLiaisonsPartition(score);
  // Empty voices go; a tune of rests alone keeps its staff.
  bool notes = false;
  for (int16_t k = 0; k < (*score)->nbPortees && !notes; k++) {
    int32_t n;
    const Signe* s = GetSignesPortee((*score)->portees[k], &n);
    for (int32_t i = 0; i < n && !notes; i++) notes = s[i].kind >= 0;
  }
  if (notes) SupprimePorteesVides(score, 0);
  CreeInstrumentsMetronome(score);
  PrepareDynamiquesTempoPartition(score);
  return ok;
}
