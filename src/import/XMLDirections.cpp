#include "import/XMLDirections.h"

#include <cmath>
#include <cstdio>
#include <cstring>

#include "import/MusicXML.h"
#include "import/XMLLyrics.h"
#include "import/XMLPagination.h"
#include "import/XMLPileNotes.h"
#include "import/XMLPortees.h"
#include "layout/Zoom.h"
#include "model/Cibles.h"
#include "model/CourbeTempo.h"
#include "model/CvtTemps.h"
#include "model/Document.h"
#include "model/PartGroups.h"
#include "model/Partition.h"
#include "model/Portee.h"
#include "model/QRVPOBJ.h"
#include "model/QrvDynamics.h"
#include "model/QrvText.h"
#include "model/Ruptures.h"
#include "model/TabEltMesure.h"
#include "platform/Memory.h"
#include "platform/QuickDraw.h"
#include "platform/TextDraw.h"
#include "system/Handles.h"
#include "system/Strings.h"
#include "text/Fontes.h"

namespace {

// ------------------------------------------------------------------ helpers

// Absent floats are 1e30; anything from 1e20 up (or not a number) counts as absent.
bool Present(float v) { return v < 1e20f && v > -1e20f; }

// A float position as the model's 32-bit (or 16-bit) words: held to their
// range, so that a hostile offset cannot overflow the conversion.
int32_t Entier(double v) {
  if (!(v == v)) return 0;
  if (v >= 2147483647.0) return INT32_MAX;
  if (v <= -2147483648.0) return INT32_MIN;
  return int32_t(v);
}
int16_t Court(double v) {
  const int32_t i = Entier(v);
  return int16_t(i > INT16_MAX ? INT16_MAX : i < INT16_MIN ? INT16_MIN : i);
}

// Copies at most size - 1 bytes, never cutting a UTF-8 character.
void CopieUTF8(char* out, const char* text, size_t size) {
  size_t n = text ? std::strlen(text) : 0;
  if (n >= size) {
    n = size - 1;
    while (n > 0 && (uint8_t(text[n]) & 0xC0) == 0x80) n--;
  }
  if (n) std::memcpy(out, text, n);
  out[n] = 0;
}

// Appends within a field of `size` bytes.
void AjouteUTF8(char* out, const char* text, size_t size) {
  const size_t n = std::strlen(out);
  if (n + 1 < size) CopieUTF8(out + n, text, size - n);
}

Document* DocumentDe(Portee** staff) {
  if (!staff || !(*staff)->partition) return nullptr;
  return (*(*staff)->partition)->document;
}

// A record of a kind: the model's defaults (style, size, passes), then what
// every imported object carries. Its index, or -1 when none could be made.
int32_t NouvelleDynamique(Portee** staff, int32_t kind, Dynamique* out) {
  const int32_t index = NewDynamique(staff);
  if (index < 0) return -1;
  SetDefaultDynamique(out, kind);
  out->visible = 1;
  return index;
}

void Ecrit(Portee** staff, int32_t index, const Dynamique& d) {
  int32_t n = 0;
  Dynamique* list = GetDynamiquesPortee(staff, &n);
  if (list && index >= 0 && index < n) list[index] = d;
}

// A cleared note was pushed: the object hangs on no note.
bool SansNote(const Signe& s) { return s.kind == 0 && s.duree == 0 && s.flags == 0; }

// ------------------------------------------------------------ dynamics names

struct NomDynamique {
  const char* nom;
  int32_t kind;
};
constexpr NomDynamique kNomsDynamiques[] = {
    {"ppp", 3},     {"pp", 4},     {"p", 5},     {"mp", 6},      {"mf", 7},     {"f", 8},     {"ff", 9},    {"fff", 10},
    {"sf", 11},     {"fz", 12},    {"fp", 13},   {"fpp", 14},    {"sfz", 15},   {"sffz", 16}, {"sfpp", 17}, {"sfp", 25},
    {"pppppp", 26}, {"ppppp", 27}, {"pppp", 28}, {"ffffff", 29}, {"fffff", 30}, {"ffff", 31}, {"rf", 32},   {"rfz", 33},
};

int32_t KindDynamique(const char* name) {
  for (const NomDynamique& n : kNomsDynamiques)
    if (!std::strcmp(n.nom, name)) return n.kind;
  return -1;
}

// ------------------------------------------------------------ jump dictionary

struct JumpDictEntry {
  char kind[10];
  char value[100];
};
Handle jumpDict = nullptr;

// ------------------------------------------------------------ the direction

struct EtatDirection {
  Partition** score = nullptr;
  Portee** staff = nullptr;
  int32_t tick = 0;
  int32_t divisions = 0;
  int32_t placement = -1;
  int16_t rupture = -1;  // the current rupture
};

Rupture* Courante(const EtatDirection& e) { return GetRupture(e.score, e.rupture); }

void NouvelleRupture(EtatDirection* e, int16_t preset, int32_t label) {
  const int16_t i = AjouteRupture(e->score, preset, e->tick, true);
  if (i < 0) return;
  e->rupture = i;
  Rupture* r = Courante(*e);
  r->texte[0] = 0;
  r->parametre = int16_t(label > INT16_MAX ? INT16_MAX : label);
}

// The jump attributes of a "sound", in the order they are read.
void Sauts(EtatDirection* e, XMLElt* sound) {
  bool segno = false;
  if (const char* v = XMLGetAttributeValue(sound, "segno")) {
    NouvelleRupture(e, 11, GetValueFromJumpDict("SEGN", v));
    segno = Courante(*e) != nullptr;
  }
  if (const char* v = XMLGetAttributeValue(sound, "coda")) {
    const int32_t label = GetValueFromJumpDict("CODA", v);
    if (segno) {
      // One sign for both: the segno's record becomes the coda.
      Rupture* r = Courante(*e);
      r->type = kRuptureCoda;
      r->parametre = int16_t(label > INT16_MAX ? INT16_MAX : label);
    } else {
      NouvelleRupture(e, 12, label);
    }
  }
  if (const char* v = XMLGetAttributeValue(sound, "dalsegno")) {
    NouvelleRupture(e, 16, GetValueFromJumpDict("SEGN", v));
    if (Rupture* r = Courante(*e)) r->al = 2;
  }
  if (const char* v = XMLGetAttributeValue(sound, "tocoda")) NouvelleRupture(e, 14, GetValueFromJumpDict("CODA", v));
  if (const char* v = XMLGetAttributeValue(sound, "dacapo")) NouvelleRupture(e, 15, GetValueFromJumpDict("CAPO", v));
  if (const char* v = XMLGetAttributeValue(sound, "fine")) NouvelleRupture(e, 13, GetValueFromJumpDict("FINE", v));
  if (const char* v = XMLGetAttributeValue(sound, "time-only")) {
    if (Rupture* r = Courante(*e)) {
      long n = 0;
      if (std::sscanf(v, "%ld", &n) != 1 || n < 0) n = 0;
      r->modePassage = 2;
      r->nbPassages = uint16_t(n > UINT16_MAX ? UINT16_MAX : n);
    }
  }
}

// The record of the other sign (a coda for a segno, a segno for a coda) in
// the bar where a sign made at this tick would stand, or -1.
int16_t AutreSigneDeLaMesure(Partition** score, int16_t preset, int32_t tick) {
  int32_t bar = CvtTempsEnMesure(score, tick);
  if (bar < 0) bar = 0;
  // A sign past the bar's middle goes to the next bar.
  if (int64_t(tick) - CvtMesureEnTemps(score, bar) >= CvtMesureEnDureeMesure(score, bar) / 2) bar++;
  const uint32_t autre = preset == 11 ? kRuptureCoda : kRuptureSegno;
  for (int16_t i = 0; i < GetNbRuptures(score); i++) {
    const Rupture* r = GetRupture(score, i);
    if (r->mesure == bar && r->type == autre && GetTypeRupture(r) == GetTypeRupture(&TabPredefRupture[preset]))
      return i;
  }
  return -1;
}

// A segno or coda sign: on the current rupture, or a new one. A bar holds one
// sign record: a segno and a coda in one bar share it, the second drawn from
// its text beside the first, rather than replacing it.
void SigneSaut(EtatDirection* e, int16_t preset, const char* code) {
  if (!Courante(*e)) {
    if (const int16_t j = AutreSigneDeLaMesure(e->score, preset, e->tick); j >= 0) {
      Rupture* r = GetRupture(e->score, j);
      if (!std::strstr(r->texte, code) && std::strlen(r->texte) + std::strlen(code) < sizeof r->texte)
        std::strcat(r->texte, code);
      return;
    }
    const int16_t i = AjouteRupture(e->score, preset, e->tick, true);
    if (i < 0) return;
    e->rupture = i;
    Courante(*e)->texte[0] = 0;
  }
  Rupture* r = Courante(*e);
  char texte[8];
  std::snprintf(texte, sizeof texte, r->parametre == 0 ? "%s" : "%s$N", code);
  CopieUTF8(r->texte, texte, sizeof r->texte);
}

// Words that a jump takes for its text; a Dal Segno or Da Capo reads its
// "al Fine" or "al Coda" there.
void TexteSaut(EtatDirection* e, const char* text) {
  Rupture* r = Courante(*e);
  CopieUTF8(r->texte, text ? text : "", sizeof r->texte);
  if (!text || (r->type != kRuptureDalSegno && r->type != kRuptureDaCapo)) return;
  if (stristr(text, "fine")) r->al = 2;
  if (stristr(text, "coda")) r->al = 1;
}

int32_t Placement(XMLElt* child, int32_t direction) {
  const int32_t p = XMLGetPlacement(child);
  return p == -1 ? direction : p;
}

void MarqueTempo(EtatDirection* e, XMLElt* anchor, XMLElt* metronome, int32_t placement, float soundTempo,
                 XMLElt* leading, XMLElt* trailing) {
  float x = 0, y = 0, rx = 0;
  XMLCalculePosXY(anchor, e->staff, -1, e->tick, e->divisions, &x, &y, placement, &rx);
  Dynamique d;
  const int32_t index = NouvelleDynamique(e->staff, kDynTempo, &d);
  if (index < 0) return;
  d.debut = Entier(x);
  d.fin = Sature32(int64_t(d.debut) + 20160);
  d.haut = Entier(y);
  d.bas = Sature32(int64_t(d.haut) + 16);
  d.decalageGauche = d.decalageDroite = Court(rx);
  d.flagTempo = 1;
  d.progressif = 0;
  XMLElt* unit = metronome ? XMLGetChild(metronome, "beat-unit", 0) : nullptr;
  d.uniteTempo = unit ? int32_t(XMLNoteNameToDuration(XMLGetText(unit))) : kDureeRonde / 4;
  if (unit && XMLGetChild(metronome, "beat-unit-dot", 0)) d.uniteTempo += d.uniteTempo / 2;
  const bool mots = leading || trailing;
  float tempo = soundTempo;
  if (metronome) {
    const float perMinute = XMLGetTextFloat(XMLGetChild(metronome, "per-minute", 0));
    if (Present(perMinute)) tempo = perMinute;
    if (!unit && mots) tempo = soundTempo;
  }
  InjecteTempoDansDynamique(&d, tempo);
  d.texte[0] = 0;
  const char* avant = leading ? XMLGetText(leading) : nullptr;
  const char* apres = trailing ? XMLGetText(trailing) : nullptr;
  if (avant) {
    AjouteUTF8(d.texte, avant, sizeof d.texte);
    AjouteUTF8(d.texte, " ", sizeof d.texte);
  }
  if (unit || !mots) AjouteUTF8(d.texte, "$T", sizeof d.texte);
  if (apres) {
    AjouteUTF8(d.texte, " ", sizeof d.texte);
    AjouteUTF8(d.texte, apres, sizeof d.texte);
  }
  Ecrit(e->staff, index, d);
}

// The two ends of a wedge or an octave shift: the pending start of the same
// number on the staff, popped. False when none waits.
bool Debut(int stack, XMLElt* element, Portee** staff, XMLNoteStackEntry* start) {
  if (!XMLPopNote(stack, staff, -2, XMLGetAttributeValue(element, "number"), start)) {
    XMLErr("Stop without start");
    return false;
  }
  return true;
}

void Pousse(int stack, XMLElt* element, Portee** staff, int32_t tick, int32_t index, int32_t divisions) {
  int32_t n = 0;
  const Signe* notes = GetSignesPortee(staff, &n);
  const Signe* note = notes && index >= 0 && index < n ? &notes[index] : nullptr;
  XMLPushNote(stack, kXMLEntreeDebut, element, staff, uint32_t(divisions), uint32_t(tick < 0 ? 0 : tick), note,
              XMLGetAttributeValue(element, "number"));
}

int32_t IndexDebut(const XMLNoteStackEntry& start) {
  if (SansNote(start.note)) return -1;
  return RechercheSigne(start.staff, int32_t(start.temps), start.note.kind);
}

}  // namespace

// ------------------------------------------------------------------ position

void XMLCalculePosXY(XMLElt* element, Portee** staff, int32_t index, int32_t tick, int32_t divisions, float* x,
                     float* y, int32_t placement, float* relativeX) {
  float h = placement == 1 ? 2.0f : -6.0f;
  // Without a placement, a mark goes above a staff with lyrics, clear of them.
  // Directions come before the notes pass switches the lyrics line on, so
  // the lyrics the file gives the staff count as well.
  if (placement == -1 && staff && ((*staff)->ligneParolesAffichee || XMLPorteeAvecParoles(staff))) h = 2.0f;
  const float relY = XMLGetAttributeFloat(element, "relative-y");
  const float defY = XMLGetAttributeFloat(element, "default-y");
  if (Present(relY)) h = (index >= 0 ? float(XMLGetInterligneNote(staff, index, nullptr)) : h) + relY * 0.1f;
  else if (Present(defY)) h = defY * 0.1f;
  if (y) *y = (-4.0f - h) * 8.0f;
  float t = float(tick);
  XMLElt* withOffset = nullptr;
  XMLElt* parent = element ? element->parent : nullptr;
  if (parent && parent->name && !std::strcmp(parent->name, "direction-type")) withOffset = parent->parent;
  else if (element && element->name && !std::strcmp(element->name, "harmony")) withOffset = element;
  if (withOffset && divisions > 0) {
    const float offset = XMLGetTextFloat(XMLGetChild(withOffset, "offset", 0));
    if (Present(offset)) t += offset * 40320.0f / float(divisions);
  }
  if (x) *x = t;
  if (relativeX) {
    const float relX = XMLGetAttributeFloat(element, "relative-x");
    *relativeX = Present(relX) ? relX * 0.6f * XMLGetTaillePortee(staff) : 0.0f;
  }
}

// ------------------------------------------------------------------ readers

void XMLProcessDynamic(XMLElt* element, Portee** staff, int32_t tick, int32_t index, int32_t divisions,
                       int32_t placement) {
  if (!element || !staff) return;
  float x = 0, y = 0, rx = 0;
  XMLCalculePosXY(element, staff, index, tick, divisions, &x, &y, placement, &rx);
  char nom[256] = "";
  const char* autre = nullptr;
  for (int32_t i = 0; i < element->nbChildren; i++) {
    const XMLElt* c = element->children[i];
    if (!std::strcmp(c->name, "other-dynamics")) {
      if (!autre) autre = XMLGetText(c);
      continue;
    }
    if (std::strlen(nom) + std::strlen(c->name) < sizeof nom) std::strcat(nom, c->name);
  }
  int32_t kind = KindDynamique(nom);
  Dynamique d;
  const int32_t k = NouvelleDynamique(staff, kind < 0 ? 7 : kind, &d);
  if (k < 0) return;
  d.texte[0] = 0;
  if (kind < 0) {
    kind = 7;
    if (nom[0]) {
      // Each letter drawn as the music font's letter.
      size_t o = 0;
      for (size_t i = 0; nom[i] && o + 2 < sizeof d.texte; i++) {
        d.texte[o++] = '$';
        d.texte[o++] = nom[i];
      }
      d.texte[o] = 0;
    } else if (autre) {
      // Nothing but a dynamic of the file's own: its text, not a false "mf".
      CopieUTF8(d.texte, autre, sizeof d.texte);
    }
  }
  d.type = kind;
  d.debut = Entier(x);
  d.fin = Sature32(int64_t(d.debut) + 20160);
  d.haut = Entier(double(y) - 8.0);
  d.bas = Entier(double(y) + 8.0);
  d.decalageGauche = d.decalageDroite = Court(rx);
  d.valeur1 = uint16_t(CvtTypeDynamiqueEnPourcentVelocite(kind));
  d.actif = 1;
  d.masquePassages = kMasquePassagesTous;
  Ecrit(staff, k, d);
}

void XMLProcessWedge(XMLElt* element, Portee** staff, int32_t tick, int32_t index, int32_t divisions,
                     int32_t placement) {
  if (!element || !staff) return;
  const char* type = XMLGetAttributeValue(element, "type");
  if (!type || std::strcmp(type, "stop")) {
    Pousse(kXMLPileSoufflets, element, staff, tick, index, divisions);
    return;
  }
  XMLNoteStackEntry start;
  if (!Debut(kXMLPileSoufflets, element, staff, &start)) return;
  float x0 = 0, y0 = 0, rx0 = 0, x1 = 0, y1 = 0, rx1 = 0;
  XMLCalculePosXY(start.element, start.staff, IndexDebut(start), int32_t(start.temps), int32_t(start.divisions), &x0,
                  &y0, placement, &rx0);
  XMLCalculePosXY(element, staff, index, tick, divisions, &x1, &y1, placement, &rx1);
  const char* startType = XMLGetAttributeValue(start.element, "type");
  const bool crescendo = startType && !std::strcmp(startType, "crescendo");
  const float spread = XMLGetAttributeFloat(crescendo ? element : start.element, "spread");
  int32_t ouverture = 12;
  if (Present(spread) && spread != 0.0f)
    ouverture = Entier(std::floor(double(spread) * 0.6 / double(kXMLZoomImpression)));
  int32_t v1, v2;
  const int32_t v = ApproximeVelociteSelonTempsEcrit(staff, int32_t(start.temps));
  if (v < 0) {
    v1 = crescendo ? 50 : 100;
    v2 = crescendo ? 100 : 50;
  } else {
    v1 = v;
    v2 = int32_t(std::floor(double(v) * (crescendo ? 1.25 : 0.8)));
  }
  Dynamique d;
  const int32_t k = NouvelleDynamique(staff, crescendo ? kDynCrescendo : kDynDecrescendo, &d);
  if (k < 0) return;
  d.texte[0] = 0;
  d.actif = 1;
  d.debut = Entier(x0);
  d.fin = Entier(x1);
  d.haut = Entier(y0);
  d.bas = Sature32(int64_t(d.haut) + ouverture);
  d.decalageGauche = Court(rx0);
  d.decalageDroite = Court(rx1);
  d.valeur1 = uint16_t(v1 > UINT16_MAX ? UINT16_MAX : v1);
  d.valeur2 = uint16_t(v2 > UINT16_MAX ? UINT16_MAX : v2);
  d.masquePassages = kMasquePassagesTous;
  Ecrit(staff, k, d);
}

void XMLProcessPedal(XMLElt* element, Portee** staff, int32_t tick, int32_t index, int32_t divisions,
                     int32_t placement) {
  if (!element || !staff) return;
  float x = 0, y = 0, rx = 0;
  XMLCalculePosXY(element, staff, index, tick, divisions, &x, &y, placement, &rx);
  const char* type = XMLGetAttributeValue(element, "type");
  const int32_t kind = !type || !stricmp(type, "start") ? kDynPedaleEnfoncee : kDynPedaleRelachee;
  Dynamique d;
  const int32_t k = NouvelleDynamique(staff, kind, &d);
  if (k < 0) return;
  d.debut = Entier(x);
  d.fin = Sature32(int64_t(d.debut) + 20160);
  d.haut = Entier(double(y) - 10.0);
  d.bas = Entier(double(y) + 6.0);
  d.decalageGauche = d.decalageDroite = Court(rx);
  d.actif = 0;
  d.masquePassages = 0;
  Ecrit(staff, k, d);
}

void XMLProcessOctaveShift(XMLElt* element, Portee** staff, int32_t tick, int32_t index, int32_t divisions,
                           int32_t placement) {
  if (!element || !staff) return;
  const char* type = XMLGetAttributeValue(element, "type");
  if (!type || std::strcmp(type, "stop")) {
    Pousse(kXMLPileOctaves, element, staff, tick, index, divisions);
    return;
  }
  XMLNoteStackEntry start;
  if (!Debut(kXMLPileOctaves, element, staff, &start)) return;
  float x0 = 0, y0 = 0, x1 = 0, y1 = 0;
  XMLCalculePosXY(start.element, start.staff, IndexDebut(start), int32_t(start.temps), int32_t(start.divisions), &x0,
                  &y0, placement, nullptr);
  XMLCalculePosXY(element, staff, index, tick, divisions, &x1, &y1, placement, nullptr);
  const char* startType = XMLGetAttributeValue(start.element, "type");
  const bool up = startType && !std::strcmp(startType, "up");
  const bool deux = XMLGetAttributeLong(start.element, "size") == 15;
  const int32_t kind = deux ? (up ? kDynOctaveMoins2 : kDynOctavePlus2) : (up ? kDynOctaveMoins1 : kDynOctavePlus1);
  Dynamique d;
  const int32_t k = NouvelleDynamique(staff, kind, &d);
  if (k < 0) return;
  d.debut = int32_t(start.temps);
  d.fin = Sature32(int64_t(tick) - 2);
  d.haut = Entier(y0);
  d.bas = Sature32(int64_t(d.haut) + 10);
  d.decalageGauche = d.decalageDroite = 0;
  d.actif = 1;
  Ecrit(staff, k, d);
}

void XMLProcessRehearsal(XMLElt* element, Portee** staff, int32_t tick, int32_t, int32_t, int32_t) {
  const char* text = XMLGetText(element);
  Document* doc = DocumentDe(staff);
  if (!text || !doc || !doc->partitionCourante) return;
  Partition** score = doc->partitionCourante;
  int16_t bar = CvtTempsEnMesure(score, tick);
  if (bar < 0) bar = 0;
  const int16_t i = CreeCible(doc, bar);
  if (i < 0) return;
  Cible* c = reinterpret_cast<Cible*>(*(*score)->cibles) + i;
  CopieUTF8(c->nom, text, sizeof c->nom);
  (*score)->libellesCiblesAuto = 1;
  CreeLibellesCiblesAutomatiques(doc);
}

void XMLProcessWord(XMLElt* element, Portee** staff, int32_t tick, int32_t index, int32_t divisions,
                    int32_t placement) {
  if (!element || !staff) return;
  float x = 0, y = 0, rx = 0;
  XMLCalculePosXY(element, staff, index, tick, divisions, &x, &y, placement, &rx);
  int16_t justification = 0, halign = 0, valign = 0, size = 0;
  uint16_t font = kXMLFontSerif;
  uint8_t face[2] = {128, 0};
  RGBColor colour{0, 0, 0};
  float rotation = 0.0f;
  XMLGetTextStyle(element, &justification, &halign, &valign, &font, &size, face, &colour, &rotation);
  const char* text = XMLGetText(element);
  if (!text || !text[0]) return;
  const int16_t taille = Court(std::trunc(double(size) / double(kXMLZoomImpression)));
  const int16_t dpi = GetDpiDest();
  SetDpiDest(72);
  SetTextFontSize(int16_t(font), taille == 0 ? 12 : taille);
  FontInfo info{};
  GetFontInfo(&info);
  TextFont(0);
  TextSize(0);
  SetDpiDest(dpi);
  // The staff's object heights are what the import writes: eighths of a
  // staff space (the unit the model reads otherwise makes each one a space).
  (*staff)->uniteObjet = kXMLUniteObjet;
  const int32_t i =
      CreeObjetTexte(staff, text, int16_t(font), taille, face[0], Entier(x), Entier(double(y) - info.ascent), rotation);
  if (i < 0) return;
  int32_t n = 0;
  Texte* t = GetTextesPortee(staff, &n);
  if (!t || i >= n) return;
  t[i].style.color = colour;
  if (rx != 0.0f) t[i].extensionGauche = t[i].extensionDroite = Court(rx);
}

// ------------------------------------------------------------------ events

void XMLApplyDirectionEvent(const XMLEvent& event, int32_t tick, Document* doc) {
  XMLElt* direction = event.element;
  Partition** score = doc ? doc->partitionCourante : nullptr;
  if (!direction || !score) return;
  const int32_t v = XMLLitNumeroPorteeOuVoix(XMLGetText(XMLGetChild(direction, "voice", 0)));
  const int32_t s = XMLLitNumeroPorteeOuVoix(XMLGetText(XMLGetChild(direction, "staff", 0)));
  Portee** staff = XMLGetPorteeFromId(event.part, uint32_t(s > 0 ? s - 1 : 0), uint32_t(v > 0 ? v - 1 : 0), -1);
  if (!staff) return;
  EtatDirection e;
  e.score = score;
  e.staff = staff;
  e.tick = tick;
  e.divisions = int32_t(event.divisions);
  e.placement = XMLGetPlacement(direction);

  XMLElt* premierSon = XMLGetChild(direction, "sound", 0);
  if (premierSon) Sauts(&e, premierSon);

  // The tempo: the last metronome, the last sound tempo.
  XMLElt* metronome = nullptr;
  XMLElt* sonTempo = nullptr;
  float tempo = 0.0f;
  for (int32_t i = 0; i < direction->nbChildren; i++) {
    XMLElt* c = direction->children[i];
    if (!std::strcmp(c->name, "direction-type")) {
      for (int32_t j = 0; j < c->nbChildren; j++)
        if (!std::strcmp(c->children[j]->name, "metronome")) metronome = c->children[j];
    } else if (!std::strcmp(c->name, "sound")) {
      const float t = XMLGetAttributeFloat(c, "tempo");
      if (Present(t)) {
        tempo = t;
        if (!sonTempo) sonTempo = c;
      }
    }
  }
  XMLElt* anchor = metronome ? metronome : sonTempo;
  const int32_t tempoPlacement = metronome ? Placement(metronome, e.placement) : e.placement;

  XMLElt* leading = nullptr;
  XMLElt* trailing = nullptr;
  for (int32_t i = 0; i < direction->nbChildren; i++) {
    XMLElt* type = direction->children[i];
    if (std::strcmp(type->name, "direction-type")) continue;
    for (int32_t j = 0; j < type->nbChildren; j++) {
      XMLElt* c = type->children[j];
      const char* n = c->name;
      const int32_t p = Placement(c, e.placement);
      if (!std::strcmp(n, "dynamics")) {
        XMLProcessDynamic(c, staff, tick, -1, e.divisions, p);
      } else if (!std::strcmp(n, "wedge")) {
        XMLProcessWedge(c, staff, tick, -1, e.divisions, p);
      } else if (!std::strcmp(n, "pedal")) {
        XMLProcessPedal(c, staff, tick, -1, e.divisions, p);
      } else if (!std::strcmp(n, "rehearsal")) {
        XMLProcessRehearsal(c, staff, tick, -1, e.divisions, p);
      } else if (!std::strcmp(n, "octave-shift")) {
        XMLProcessOctaveShift(c, staff, tick, -1, e.divisions, p);
      } else if (!std::strcmp(n, "image")) {
        // SEAM(import): an image of a direction, once pictures are read.
      } else if (!std::strcmp(n, "words")) {
        if (anchor) {
          if (!leading) leading = c;
          else trailing = c;
        } else if (Courante(e)) {
          TexteSaut(&e, XMLGetText(c));
        } else {
          XMLProcessWord(c, staff, tick, -1, e.divisions, p);
        }
      } else if (!std::strcmp(n, "segno")) {
        SigneSaut(&e, 11, "$S");
      } else if (!std::strcmp(n, "coda")) {
        SigneSaut(&e, 12, "$C");
      }
    }
  }
  if (anchor) MarqueTempo(&e, anchor, metronome, tempoPlacement, tempo, leading, trailing);
}

int32_t GetValueFromJumpDict(const char* kind, const char* value) {
  JumpDictEntry entree;
  std::memset(&entree, 0, sizeof entree);
  CopieUTF8(entree.kind, kind ? kind : "", sizeof entree.kind);
  CopieUTF8(entree.value, value ? value : "", sizeof entree.value);
  if (!jumpDict) jumpDict = NewHandle(0);
  if (!jumpDict) return 0;
  const int32_t n = int32_t(GetHandleSize(jumpDict) / Size(sizeof(JumpDictEntry)));
  int32_t ordinal = 0;
  for (int32_t i = 0; i < n; i++) {
    const JumpDictEntry& d = reinterpret_cast<const JumpDictEntry*>(*jumpDict)[i];
    if (std::strcmp(d.kind, entree.kind)) continue;
    if (!std::strcmp(d.value, entree.value)) return ordinal;
    ordinal++;
  }
  if (!RetailleHandle(jumpDict, Size(n + 1) * Size(sizeof(JumpDictEntry)))) return ordinal;
  reinterpret_cast<JumpDictEntry*>(*jumpDict)[n] = entree;
  return ordinal;
}

void XMLDisposeJumpDict() { LibereHandle(&jumpDict); }

// ------------------------------------------------------------------ finish

void XMLFinalizeDynamics(Document* doc) {
  Partition** score = doc ? doc->partitionCourante : nullptr;
  if (!score) return;
  // The middle of a five-line staff, in the objects' eighths of a space
  // below the bottom line.
  constexpr int32_t kMilieu = -16;
  for (int16_t s = 0; s < (*score)->nbPortees; s++) {
    Portee** staff = GetPorteeIndex(score, s);
    int32_t n = 0;
    Dynamique* d = GetDynamiquesPortee(staff, &n);
    if (!d) continue;
    for (int32_t i = 0; i < n; i++) d[i].accolade = 0;
    if (!IsPorteeInAccolade(staff)) continue;
    const bool premiere = IsPremierePorteeAccolade(staff), derniere = IsDernierePorteeAccolade(staff);
    d = GetDynamiquesPortee(staff, &n);
    for (int32_t i = 0; i < n; i++) {
      if (premiere) d[i].accolade = d[i].haut >= kMilieu ? 1 : 0;
      else if (derniere) d[i].accolade = d[i].haut < kMilieu ? 1 : 0;
      else d[i].accolade = 1;
    }
  }
}
