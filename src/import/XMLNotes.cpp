#include "import/XMLNotes.h"

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <vector>

#include "import/XMLDirections.h"
#include "import/XMLGraces.h"
#include "import/XMLLyrics.h"
#include "import/XMLNotations.h"
#include "import/XMLPagination.h"
#include "import/XMLPileNotes.h"
#include "import/XMLPortees.h"
#include "model/CvtTemps.h"
#include "model/Document.h"
#include "model/PartGroups.h"
#include "model/Partition.h"
#include "model/Portee.h"
#include "model/QRVPOBJ.h"
#include "model/QrvLiaison.h"
#include "model/Signe.h"
#include "model/TabEltMesure.h"
#include "model/Tonalite.h"
#include "notation/Alterations.h"
#include "system/Strings.h"

namespace {

constexpr int32_t kNoire = 40320;
constexpr int32_t kMaxPlaces = 16;  // staff bits of the slash mask

// Head shapes of the "notehead" texts.
constexpr uint8_t kTeteBarre = 6;

struct TacheParole {
  Portee** staff;
  int32_t temps;
  XMLElt* lyric;
};

// A part group being read, with the number that will close it.
struct GroupeOuvert {
  int16_t index;
  int32_t numero;
};

struct Passe {
  Partition** score;
  Handle records;
  uint32_t partie = 0;
  std::vector<TacheParole> paroles;
  std::vector<GroupeOuvert> groupes;
};

// State of one part from measure to measure.
struct EtatPartie {
  bool paroles = false;
  uint16_t barres = 0;  // slash mask, bit n for staff n + 1
  bool repetition = false;
  bool tuplet = false;
};

const char* Texte(XMLElt* e, const char* child) { return XMLGetText(XMLGetChild(e, child, 0)); }

int32_t Borne(int64_t v, int32_t lo, int32_t hi) { return v < lo ? lo : v > hi ? hi : int32_t(v); }

bool Connu(float v) { return v < 1e20f && v > -1e20f; }

// MusicXML step letters: C 0, D 2, E 4, F 5, G 7, A 9, B 11; others 0.
int32_t PasChromatique(const char* step) {
  static const int8_t kPas[7] = {9, 11, 0, 2, 4, 5, 7};  // A..G
  return step && step[0] >= 'A' && step[0] <= 'G' ? kPas[step[0] - 'A'] : 0;
}

// Diatonic steps from C: A 5, B 6, C 0, D 1, E 2, F 3, G 4; -1 for others.
int32_t PasDiatonique(const char* step) {
  static const int8_t kPas[7] = {5, 6, 0, 1, 2, 3, 4};
  return step && step[0] >= 'A' && step[0] <= 'G' ? kPas[step[0] - 'A'] : -1;
}

constexpr int8_t kDegre[12] = {0, 0, 1, 1, 2, 3, 3, 4, 4, 5, 5, 6};

// The tuplet word of a "hatuplet" value (actual x 100 + normal): both
// numbers brought below 16 by their common factors, then by halving.
uint16_t MotTuplet(int32_t value, uint16_t word) {
  if (value <= 0) return word;
  int32_t r = value / 100, s = value % 100;
  if (r >= 16 || s >= 16) {
    while (r > 0 && s > 0 && r % 2 == 0 && s % 2 == 0) r /= 2, s /= 2;
    while (r > 0 && s > 0 && r % 3 == 0 && s % 3 == 0) r /= 3, s /= 3;
    while (r >= 16 || s >= 16) r /= 2, s /= 2;
  }
  return uint16_t((word & 0xFF00) | (r & 0xF) | ((s & 0xF) << 4));
}

Signe* NoteA(Portee** staff, int32_t index) {
  int32_t n = 0;
  Signe* s = GetSignesPortee(staff, &n);
  return s && index >= 0 && index < n ? s + index : nullptr;
}

// The last staff the staff registry made for a part, -1 when none.
int16_t DernierePorteePartie(uint32_t part) {
  int16_t dernier = -1;
  for (XMLPorteeReg* e = XMLGetFirstPorteeReg(); e; e = e->suivant)
    if (e->partie == part && e->staff && (*e->staff)->index > dernier) dernier = (*e->staff)->index;
  return dernier;
}

void OuvreGroupe(Passe* passe, XMLElt* g, int32_t numero) {
  XMLElt* symbol = XMLGetChild(g, "group-symbol", 0);
  if (!symbol) return;
  Portee** first = XMLGetPorteeFromId(passe->partie, 0, 0, -1);
  if (!first) return;
  first = CvtPorteeEnPorteeDebutFusion(first);
  if (!first) return;
  const char* s = XMLGetText(symbol);
  uint32_t kind = 5;
  if (s && !stricmp(s, "bracket")) kind = 1;
  else if (s && !stricmp(s, "brace")) kind = 0;
  else if (s && !stricmp(s, "line")) kind = 4;
  const char* b = Texte(g, "group-barline");
  const uint32_t barres = b && !stricmp(b, "yes") ? 1 : b && !stricmp(b, "mensurstrich") ? 2 : 0;
  const char* name = Texte(g, "group-name");
  const char* abbr = Texte(g, "group-abbreviation");
  const int16_t staff = (*first)->index;
  const float x = XMLGetAttributeFloat(symbol, "default-x");
  int16_t retrait;
  if (Connu(x)) {
    const float v = x * XMLGetCurMMParTenth() * -2.83464567f;
    retrait = int16_t(Borne(std::isfinite(v) ? int64_t(v) : 0, 0, 32767));
  } else {
    retrait = CalculeDeltaXDefaultPartGroup(passe->score, nullptr, staff, staff);
  }
  const int16_t index =
      NewPartGroup(passe->score, kind, barres, staff, staff, retrait, name ? name : "", abbr ? abbr : "");
  if (index >= 0) passe->groupes.push_back(GroupeOuvert{index, numero});
}

void FermeGroupe(Passe* passe, int32_t numero) {
  Partition** score = passe->score;
  Handle h = (*score)->partGroups;
  const int16_t nb = GetNbPartGroups(h);
  int16_t last = passe->partie > 0 ? DernierePorteePartie(passe->partie - 1) : -1;
  if (last < 0) last = int16_t((*score)->nbPortees - 1);
  for (size_t k = 0; k < passe->groupes.size();) {
    GroupeOuvert o = passe->groupes[k];
    if (o.numero != numero || o.index >= nb) {
      k++;
      continue;
    }
    passe->groupes.erase(passe->groupes.begin() + std::ptrdiff_t(k));
    PartGroup* groups = reinterpret_cast<PartGroup*>(*h);
    PartGroup& closed = groups[o.index];
    if (last >= closed.premierePortee) closed.dernierePortee = last;
    // Braces inside the group stand clear of its sign.
    for (int16_t i = 0; i < nb; i++) {
      PartGroup& g = groups[i];
      if (g.type == 0 && g.premierePortee >= closed.premierePortee && g.premierePortee <= closed.dernierePortee)
        g.retrait = int16_t(Borne(int32_t(closed.retrait) + 6, 0, 32767));
    }
  }
}

// The score bar where a measure's record begins, and its start and length.
struct Mesure {
  int32_t record = -1;
  int16_t barre = 0;
  int32_t debut = 0;
  int32_t duree = 0;
};

Mesure LitMesure(Handle records, XMLElt* measure, int32_t ordinal) {
  Mesure m;
  const char* number = XMLGetAttributeValue(measure, "number");
  m.record = number ? XMLGetBarNumberingIndexFromIndexAndName(records, ordinal, number)
                    : (XMLNbNumerosMesure(records) > 0 ? 0 : -1);
  if (m.record < 0) return m;
  m.barre = int16_t(XMLGetChampNumeroMesure(records, m.record, kNumMesureIndex));
  m.debut = int32_t(XMLGetChampNumeroMesure(records, m.record, kNumMesureDebut));
  m.duree = int32_t(XMLGetChampNumeroMesure(records, m.record, kNumMesureLongueur));
  return m;
}

void StylesMesure(XMLElt* measure, EtatPartie* etat) {
  XMLElt* attributes = nullptr;
  for (int32_t i = 0; i < measure->nbChildren; i++) {
    attributes = measure->children[i];
    if (std::strcmp(attributes->name, "attributes")) continue;
    for (int32_t k = 0; k < attributes->nbChildren; k++) {
      XMLElt* style = attributes->children[k];
      if (std::strcmp(style->name, "measure-style")) continue;
      if (XMLElt* slash = XMLGetChild(style, "slash", 0)) {
        const int32_t number = XMLGetAttributeLong(style, "number");
        const uint16_t bits = number == kXMLAbsentLong              ? 32767
                              : number >= 1 && number <= kMaxPlaces ? uint16_t(1u << (number - 1))
                                                                    : 0;
        const char* type = XMLGetAttributeValue(slash, "type");
        if (type && !std::strcmp(type, "start")) etat->barres |= bits;
        else etat->barres &= uint16_t(~bits);
      }
      if (XMLElt* repeat = XMLGetChild(style, "measure-repeat", 0)) {
        const char* type = XMLGetAttributeValue(repeat, "type");
        if (type && !std::strcmp(type, "start")) etat->repetition = true;
        else if (type && !std::strcmp(type, "stop")) etat->repetition = false;
      }
    }
  }
}

// A one-bar repeat sign over the measure, on the part's first staff.
void SigneRepetition(uint32_t part, const Mesure& m) {
  Portee** staff = XMLGetPorteeFromId(part, 0, 0, -1);
  if (!staff || m.duree <= 0) return;
  Signe s;
  RazNote(&s, 0, m.duree);
  s.decalageTetePourcent = 100;
  const int32_t i = AjouteNoteEnPosExacte(staff, &s, m.debut, 0, 0);
  if (Signe* r = NoteA(staff, i)) {
    r->kind = kSigneSpecial;
    r->kindCopie = kSigneSpecial;
  }
}

// One slash per beat over the measure on each slashed staff, beam-linked.
void NotesBarrees(Passe* passe, uint32_t part, const Mesure& m, uint16_t mask) {
  for (uint32_t p = 0; p < 4; p++) {
    if (!(mask & (1u << p))) continue;
    Portee** staff = XMLGetPorteeFromId(part, p, 0, -1);
    const int16_t temps = staff ? CvtMesureEnNbTemps(passe->score, m.barre) : 0;
    if (temps <= 0 || m.duree <= 0) continue;
    const int32_t lignes = (*staff)->derniereLigneVisible - (*staff)->premiereLigneVisible;
    const int32_t hauteur = CvtMesureEnNoteDeBase(staff, m.barre) + 7 * (lignes > 0 ? lignes : 4) / 4;
    if (hauteur < 0 || hauteur > 127) continue;
    int32_t precedent = -1;
    for (int32_t k = 0; k < temps; k++) {
      Signe s;
      RazNote(&s, int8_t(hauteur), m.duree / temps);
      s.velocity = 0;
      s.alteration = kAlterationMasquee;
      s.formeTete = kTeteBarre;
      s.longueurQueue = 2;
      const int32_t tick = m.debut + LMulDiv(k, m.duree, temps);
      const int32_t i = XMLAjouteNoteUnisson(staff, &s, tick);
      if (i < 0) continue;
      if (precedent >= 0) SetLiaison(staff, precedent, staff, i, kLiaisonAccroche);
      precedent = i;
    }
  }
}

void Silence(XMLElt* note, Portee** staff, int32_t start, int32_t duree, const Mesure& m, EtatPartie* etat) {
  Signe r;
  RazNote(&r, kSigneSilence, duree);
  const int32_t tuplet = XMLGetAttributeLong(note, "hatuplet");
  if (tuplet != kXMLAbsentLong) r.motTuplet = MotTuplet(tuplet, r.motTuplet);
  XMLElt* rest = XMLGetChild(note, "rest", 0);
  const int32_t step = PasDiatonique(Texte(rest, "display-step"));
  const int32_t octave = XMLGetTextLong(XMLGetChild(rest, "display-octave", 0));
  if (step >= 0 && octave != kXMLAbsentLong && octave >= -1 && octave <= 10) {
    Clef clef;
    CvtMesureEnClef(staff, m.barre, &clef);
    const int32_t p = clef.noteDeBase + 7;
    const int32_t R = p >= 0 ? 7 * (p / 12 - 1) + kDegre[p % 12] : 0;
    r.decalageSilence = int8_t(Borne(3 * (7 * octave + step - R), -128, 127));
  }
  r.flags |= kXMLSilencePlacee;
  // Gaps a voice leaves stay hidden fillers: the file writes its rests.
  const int32_t i = AjouteNoteEnPosExacte(staff, &r, start, 0, 0);
  if (i < 0) return;
  const int t = XMLProcessNotationsSilence(XMLGetChild(note, "notations", 0), staff, i);
  if (t == kXMLTupletDebut) etat->tuplet = true;
  else if (t == kXMLTupletFin) etat->tuplet = false;
}

// The pitch of a "pitch" or "unpitched" element and its accidental byte;
// false when it lies outside the pitches a note can have.
bool Hauteur(XMLElt* note, int8_t* pitch, uint8_t* accidental) {
  int64_t h;
  *accidental = kAlterationAucune;
  if (XMLElt* p = XMLGetChild(note, "pitch", 0)) {
    int32_t octave = XMLGetTextLong(XMLGetChild(p, "octave", 0));
    if (octave == kXMLAbsentLong) octave = 4;
    int32_t alter = XMLGetTextLong(XMLGetChild(p, "alter", 0));
    if (alter == kXMLAbsentLong) alter = 0;
    static const uint8_t kCodes[5] = {5, 3, 2, 1, 4};  // -2 .. 2
    if (alter >= -2 && alter <= 2 && alter != 0) *accidental = kCodes[alter + 2];
    h = PasChromatique(Texte(p, "step")) + 12 * (int64_t(octave) + 1) + alter;
  } else {
    XMLElt* u = XMLGetChild(note, "unpitched", 0);
    int32_t octave = XMLGetTextLong(XMLGetChild(u, "display-octave", 0));
    if (octave == kXMLAbsentLong) octave = 4;
    h = PasChromatique(Texte(u, "display-step")) + 12 * (int64_t(octave) + 1);
  }
  if (h < 0 || h > 127) return false;
  *pitch = int8_t(h);
  return true;
}

uint8_t FormeTete(const char* text, Portee** staff) {
  static const struct {
    const char* nom;
    uint8_t forme;
    bool formeNote;
  } kTetes[] = {{"slash", 6, false},  {"cross", 4, false}, {"triangle", 1, false},  {"diamond", 2, false},
                {"square", 5, false}, {"x", 3, false},     {"circle-x", 22, false}, {"none", 7, false},
                {"do", 1, true},      {"re", 9, true},     {"mi", 2, true},         {"fa", 8, true},
                {"so", 0, true},      {"la", 5, true},     {"ti", 10, true}};
  if (!text) return 0;
  for (const auto& t : kTetes)
    if (!std::strcmp(text, t.nom)) {
      if (t.formeNote) (*staff)->modeFormeNotes = 2;
      return t.forme;
    }
  return 0;
}

void Note(Passe* passe, XMLElt* note, Portee** staff, int32_t start, int32_t duree, int32_t voice, EtatPartie* etat) {
  Signe r;
  int8_t pitch = 0;
  uint8_t accident = kAlterationAucune;
  // A pitch no note can have drops the note.
  if (!Hauteur(note, &pitch, &accident)) return;
  RazNote(&r, pitch, duree);
  const int32_t tuplet = XMLGetAttributeLong(note, "hatuplet");
  if (tuplet != kXMLAbsentLong) r.motTuplet = MotTuplet(tuplet, r.motTuplet);
  r.alteration = accident;
  const float x = XMLGetAttributeFloat(note, "relative-x");
  if (Connu(x)) r.decalageTetePourcent = int8_t(Borne(int64_t(std::lround(4.0f * x)), -128, 127));
  const float d = XMLGetAttributeFloat(note, "dynamics");
  if (Connu(d)) r.velocity = uint8_t(Borne(int64_t(std::lround(1.27f * d)), 0, 127));
  int32_t divisions = XMLGetAttributeLong(note, "curdiv");
  if (divisions == kXMLAbsentLong || divisions <= 0) divisions = 8;
  int32_t attaque = 0;
  const float a = XMLGetAttributeFloat(note, "attack");
  if (Connu(a)) attaque = Borne(int64_t(std::lround(256.0f * a / float(divisions))), -32768, 32767);
  const float rel = XMLGetAttributeFloat(note, "release");
  if (Connu(rel) && duree > 0) {
    const double joue =
        (double(rel) * kNoire / divisions + duree - LMulDiv(attaque, kNoire, 256)) * 100.0 / double(duree);
    r.pourcentJoue = uint16_t(Borne(std::isfinite(joue) ? int64_t(joue) : 100, 0, 65535));
  }
  if (XMLGetChild(note, "cue", 0)) r.taille = 70;
  bool explicite = false;
  if (XMLElt* acc = XMLGetChild(note, "accidental", 0)) {
    if (const char* t = XMLGetText(acc)) {
      int32_t code = XMLCvtAccidentalEnAlteration(t);
      const char* ed = XMLGetAttributeValue(acc, "editorial");
      const char* par = XMLGetAttributeValue(acc, "parentheses");
      if ((ed && !stricmp(ed, "yes")) || (par && !stricmp(par, "yes"))) code |= kAlterationParentheses;
      if ((code & kAlterationMasque) != kAlterationAucune) {
        r.alteration = uint8_t(code);
        explicite = true;
      }
    }
  }
  r.formeTete = FormeTete(Texte(note, "notehead"), staff);
  const uint32_t divs = uint32_t(divisions);

  if (duree == 0) {
    XMLPushGrace(note, staff, divs, uint32_t(start), &r, passe->partie, voice);
    return;
  }

  int32_t i = XMLAjouteNoteUnisson(staff, &r, start);
  if (i < 0 || !NoteA(staff, i)) return;

  {
    Signe copie = *NoteA(staff, i);
    int16_t ligne = 0;
    uint8_t montre = kAlterationAucune;
    CalcPosAlterationFnNote(staff, &copie, &ligne, &montre, i, start);
    Signe* s = NoteA(staff, i);
    if ((montre & kAlterationMasque) == kAlterationAucune && explicite) s->alteration |= kAlterationToujours;
    else if ((montre & kAlterationMasque) != kAlterationAucune && !explicite) s->alteration |= kAlterationMasquee;
  }

  bool double_ = false;
  if (XMLElt* stem = XMLGetChild(note, "stem", 0)) {
    const char* t = XMLGetText(stem);
    Signe* s = NoteA(staff, i);
    if (t && !std::strcmp(t, "down")) {
      s->flags |= kSigneQueueEnBas;
    } else if (t && (!std::strcmp(t, "up") || !std::strcmp(t, "double"))) {
      s->flags &= uint16_t(~kSigneQueueEnBas);
      double_ = t[0] == 'd';
    }
    const float ry = XMLGetAttributeFloat(stem, "relative-y");
    const float dy = XMLGetAttributeFloat(stem, "default-y");
    float longueur = 0;
    bool donnee = false;
    if (Connu(ry)) {
      longueur = 0.7f * ry + 18.0f;
      donnee = true;
    } else if (Connu(dy)) {
      const int16_t L = XMLGetInterligneNote(staff, i, nullptr);
      longueur = 0.6f * dy - 3.0f * L;
      if (NoteA(staff, i)->flags & kSigneQueueEnBas) longueur = -longueur;
      donnee = true;
    }
    // A length outside the byte stays automatic.
    if (donnee) NoteA(staff, i)->longueurQueue = uint8_t(longueur >= 0 && longueur < 256 ? int32_t(longueur) : 0);
  }
  r = *NoteA(staff, i);
  if (double_) {
    const int32_t copie = DupliqueNote(staff, i, true);
    if (copie >= 0) i = copie + 1;
  }

  for (int32_t k = 0; k < note->nbChildren; k++)
    if (!std::strcmp(note->children[k]->name, "lyric"))
      passe->paroles.push_back(TacheParole{staff, start, note->children[k]});

  for (int32_t k = 0; k < note->nbChildren; k++) {
    XMLElt* notations = note->children[k];
    if (std::strcmp(notations->name, "notations")) continue;
    const int t = XMLProcessNotations(notations, staff, i);
    if (t == kXMLTupletDebut) etat->tuplet = true;
    else if (t == kXMLTupletFin) etat->tuplet = false;
    XMLPushTies(notations, staff, divs, uint32_t(start), &r);
    for (int32_t j = 0; j < notations->nbChildren; j++) {
      XMLElt* c = notations->children[j];
      if (std::strcmp(c->name, "slur")) continue;
      char key[kXMLTailleCle];
      XMLCleCoule(key, passe->partie, voice, c);
      XMLPushSlur(c, key, staff, divs, uint32_t(start), &r);
    }
    for (int32_t j = 0; j < notations->nbChildren; j++) {
      XMLElt* c = notations->children[j];
      const bool dynamique = !std::strcmp(c->name, "dynamics");
      if (!dynamique && std::strcmp(c->name, "wedge")) continue;
      // Ties and slurs may have put a copy before the note: found again.
      const int32_t index = RechercheSigne(staff, start, r.kind);
      if (dynamique) XMLProcessDynamic(c, staff, start, index, divisions, XMLGetPlacement(c));
      else XMLProcessWedge(c, staff, start, index, divisions, XMLGetPlacement(c));
    }
  }
  if (etat->tuplet)
    if (Signe* s = NoteA(staff, RechercheSigne(staff, start, r.kind))) s->flags |= kSigneAccroche;

  for (int32_t k = 0; k < note->nbChildren; k++) {
    XMLElt* beam = note->children[k];
    if (std::strcmp(beam->name, "beam")) continue;
    char key[kXMLTailleCle];
    XMLCleBeam(key, passe->partie, voice, beam);
    XMLPushBeam(beam, key, staff, divs, uint32_t(start), &r);
  }
}

void LitPartie(Passe* passe, XMLElt* part) {
  EtatPartie etat;
  int32_t n = 0;
  XMLElt** lyrics = XMLGetEltsInChild(part, "measure/note/@lyric", &n);
  XMLDisposeElts(lyrics);
  etat.paroles = n > 0;
  const uint32_t p = passe->partie;
  Portee** premiere = XMLGetPorteeFromId(p, 0, 0, -1);
  int32_t nbMeasures = 0;
  XMLElt** measures = XMLGetEltsInChild(part, "@measure", &nbMeasures);
  for (int32_t m = 0; m < nbMeasures; m++) {
    XMLElt* measure = measures[m];
    const Mesure mesure = LitMesure(passe->records, measure, m);
    if (mesure.record < 0) continue;
    StylesMesure(measure, &etat);
    if (etat.repetition) {
      SigneRepetition(p, mesure);
      continue;
    }
    for (int32_t k = 0; k < measure->nbChildren; k++) {
      XMLElt* note = measure->children[k];
      if (std::strcmp(note->name, "note")) continue;
      const int32_t numero = XMLLitNumeroPorteeOuVoix(Texte(note, "staff"));
      const uint32_t place = numero > 0 ? uint32_t(numero - 1) : 0;
      if (place < kMaxPlaces && (etat.barres & (1u << place))) continue;
      const int32_t v = XMLLitNumeroPorteeOuVoix(Texte(note, "voice"));
      const int32_t voice = v > 0 ? v - 1 : 0;
      int32_t instrument = -1;
      if (XMLElt* ins = XMLGetChild(note, "instrument", 0))
        instrument = int32_t(XMLGetInstrumentIdFromStr(XMLGetAttributeValue(ins, "id")));
      Portee** staff = etat.paroles ? XMLGetPorteeFromId(p, place, 0, -1)
                                    : XMLGetPorteeFromId(p, place, uint32_t(voice), instrument);
      const int32_t hapos = XMLGetAttributeLong(note, "hapos");
      const int32_t hadur = XMLGetAttributeLong(note, "hadur");
      if (hadur == kXMLAbsentLong || hapos == kXMLAbsentLong) continue;
      if (!staff) staff = premiere;
      if (!staff) continue;
      const int32_t start = Borne(int64_t(hapos) + mesure.debut, 0, INT32_MAX);
      const int32_t duree = Borne(hadur, 0, kXMLDureeMax);
      if (XMLGetChild(note, "rest", 0)) {
        if (duree > 0) Silence(note, staff, start, duree, mesure, &etat);
      } else {
        Note(passe, note, staff, start, duree, voice, &etat);
      }
    }
    if (etat.barres & 0xF) NotesBarrees(passe, p, mesure, etat.barres);
  }
  XMLDisposeElts(measures);
}

}  // namespace

void XMLAddNotes(XMLRootElt* tree, Document* doc, Handle records) {
  Partition** score = doc ? doc->partitionCourante : nullptr;
  if (!tree || !score || !records) return;
  int32_t n = 0;
  XMLElt** lists = XMLGetElts(tree, "@part-list", &n);
  XMLElt* partList = n > 0 ? lists[0] : nullptr;
  XMLDisposeElts(lists);
  if (!partList) return;
  int32_t nbParts = 0;
  XMLElt** parts = XMLGetElts(tree, "@part", &nbParts);
  Passe passe;
  passe.score = score;
  passe.records = records;
  // "MusicXML: Adding notes and lyrics."
  for (int32_t i = 0; i < partList->nbChildren; i++) {
    XMLElt* c = partList->children[i];
    if (!std::strcmp(c->name, "part-group")) {
      const char* type = XMLGetAttributeValue(c, "type");
      int32_t numero = XMLGetAttributeLong(c, "number");
      if (numero == kXMLAbsentLong) numero = 1;
      if (type && !std::strcmp(type, "start")) OuvreGroupe(&passe, c, numero);
      else if (type && !std::strcmp(type, "stop")) FermeGroupe(&passe, numero);
    } else if (!std::strcmp(c->name, "score-part")) {
      const char* id = XMLGetAttributeValue(c, "id");
      XMLElt* part = nullptr;
      for (int32_t k = 0; id && k < nbParts && !part; k++) {
        const char* pid = XMLGetAttributeValue(parts[k], "id");
        if (pid && !std::strcmp(pid, id)) part = parts[k];
      }
      // The part counter counts the parts that exist, as the staves do.
      if (part) {
        LitPartie(&passe, part);
        passe.partie++;
      }
    }
    XMLSOSTies();
  }
  XMLDisposeElts(parts);

  SetTabEltMesureModifie(score, kTabEltTemps);
  for (const TacheParole& t : passe.paroles) XMLProcessLyric(t.staff, t.temps, t.lyric);
  XMLTermineNotes(score);
}
