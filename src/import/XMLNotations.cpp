#include "import/XMLNotations.h"

#include <cstring>

#include "import/XMLPagination.h"
#include "model/ParamEffet.h"
#include "model/Portee.h"
#include "model/Signe.h"
#include "stafftypes/ServicesTypesPortee.h"
#include "system/Strings.h"

namespace {

constexpr uint8_t kRetourne = 64;

int8_t Octet(float v) {
  if (!(v > -128.0f)) return -128;
  if (!(v < 127.0f)) return 127;
  return int8_t(int32_t(v));
}

bool Oui(const char* v) { return v && !stricmp(v, "yes"); }

// A cleared mark of a code, enabled, placed relative to above and below.
Mark NouvelleMark(uint8_t code) {
  Mark m;
  std::memset(&m, 0, sizeof m);
  m.code = code;
  m.actif = 1;
  return m;
}

// Adds the mark to the note and replaces the record added with the one built.
void AjouteMark(Portee** staff, int32_t index, const Mark& built) {
  const int32_t k = AddMarkNote(staff, index, built.code, 0, 0, 0);
  if (k < 0) return;
  ParamEffet* e = GetParamEffetIndexNote(staff, index);
  if (!e || !e->marks || k >= GetNbMarks(e->marks)) return;
  reinterpret_cast<Mark*>(*e->marks)[k] = built;
}

void AjouteMarkPlacee(XMLElt* element, Portee** staff, int32_t index, uint8_t code) {
  Mark m = NouvelleMark(code);
  SetMarkPosition(element, staff, index, &m);
  AjouteMark(staff, index, m);
}

Signe* NoteA(Portee** staff, int32_t index) {
  int32_t n = 0;
  Signe* s = GetSignesPortee(staff, &n);
  return s && index >= 0 && index < n ? s + index : nullptr;
}

void Ornements(XMLElt* ornaments, Portee** staff, int32_t index) {
  const int32_t accident =
      XMLCvtAccidentalEnAlteration(XMLGetText(XMLGetChild(ornaments, "accidental-mark", 0))) & kAlterationMasque;
  const uint8_t trille = accident == 0 ? 34 : accident == 1 ? 33 : accident == 3 ? 32 : kXMLMarkTrille;
  for (int32_t i = 0; i < ornaments->nbChildren; i++) {
    XMLElt* c = ornaments->children[i];
    const char* n = c->name;
    uint8_t code = 0;
    if (!std::strcmp(n, "trill-mark")) {
      code = trille;
    } else if (!std::strcmp(n, "turn")) {
      code = 29;
    } else if (!std::strcmp(n, "delayed-turn")) {
      code = 30;
    } else if (!std::strcmp(n, "mordent")) {
      code = Oui(XMLGetAttributeValue(c, "long")) ? 39 : 37;
    } else if (!std::strcmp(n, "inverted-mordent")) {
      code = Oui(XMLGetAttributeValue(c, "long")) ? 38 : 36;
    } else if (!std::strcmp(n, "tremolo")) {
      const int32_t v = XMLGetTextLong(c);
      code = v >= 2 && v <= 4 ? uint8_t(50 + v) : 51;
    }
    if (code) AjouteMarkPlacee(c, staff, index, code);
  }
}

void Techniques(XMLElt* technical, Portee** staff, int32_t index) {
  for (int32_t i = 0; i < technical->nbChildren; i++) {
    XMLElt* c = technical->children[i];
    const char* n = c->name;
    uint8_t code = 0;
    if (!std::strcmp(n, "up-bow")) {
      code = 15;
    } else if (!std::strcmp(n, "down-bow")) {
      code = 44;
    } else if (!std::strcmp(n, "harmonic")) {
      code = 20;
    } else if (!std::strcmp(n, "open-string")) {
      code = kMarkDoigte0;
    } else if (!std::strcmp(n, "thumb-position")) {
      code = 83;
    } else if (!std::strcmp(n, "fingering")) {
      const int32_t v = XMLGetTextLong(c);
      if (v >= 0 && v <= 5) code = uint8_t(kMarkDoigte0 + v);
    } else if (!std::strcmp(n, "hammer-on")) {
      code = kMarkHammerOn;
    } else if (!std::strcmp(n, "pull-off")) {
      code = kMarkPullOff;
    } else if (!std::strcmp(n, "bend")) {
      code = 8;
    } else if (!std::strcmp(n, "tap")) {
      code = 16;
    } else if (!std::strcmp(n, "fret")) {
      // Frets past the byte are held at its ends.
      const int32_t v = XMLGetTextLong(c);
      if (v != kXMLAbsentLong)
        if (Signe* s = NoteA(staff, index)) s->tablatureCase = uint8_t(v < 0 ? 0 : v > 255 ? 255 : v);
    } else if (!std::strcmp(n, "string")) {
      const int32_t v = XMLGetTextLong(c);
      if (IsTablatureVisible(staff)) {
        // Strings count from 1; any other number names no string.
        if (v >= 1 && v <= 16)
          if (Signe* s = NoteA(staff, index)) s->tablatureCorde = uint8_t(v - 1);
      } else if (v >= 0 && v <= 6) {
        code = uint8_t(87 + v);
      }
    }
    if (code) AjouteMarkPlacee(c, staff, index, code);
  }
}

void Articulations(XMLElt* articulations, Portee** staff, int32_t index) {
  for (int32_t i = 0; i < articulations->nbChildren; i++) {
    XMLElt* c = articulations->children[i];
    const char* n = c->name;
    const char* type = XMLGetAttributeValue(c, "type");
    const bool down = type && !std::strcmp(type, "down");
    uint8_t code = 0;
    if (!std::strcmp(n, "accent")) code = 94;
    else if (!std::strcmp(n, "strong-accent")) code = down ? 56 : 55;
    else if (!std::strcmp(n, "staccato")) code = kMarkStaccato;
    else if (!std::strcmp(n, "tenuto")) code = 59;
    else if (!std::strcmp(n, "detached-legato")) code = 62;
    else if (!std::strcmp(n, "staccatissimo")) code = down ? 102 : 101;
    else if (!std::strcmp(n, "breath-mark")) code = 95;
    else if (!std::strcmp(n, "caesura")) code = 96;
    if (code) AjouteMarkPlacee(c, staff, index, code);
  }
}

void Arpege(XMLElt* arpeggiate, Portee** staff, int32_t index) {
  AjouteMarkPlacee(arpeggiate, staff, index, kMarkArpege);
  ParamEffet* e = GetParamEffetIndexNote(staff, index);
  if (!e) return;
  const char* direction = XMLGetAttributeValue(arpeggiate, "direction");
  e->arpegeDescendant = direction && stricmp(direction, "up") ? 1 : 0;
  e->mot2 = direction ? 1 : 0;
}

void AccidentLibre(XMLElt* accidentalMark, Portee** staff, int32_t index) {
  Mark m = NouvelleMark(kXMLMarkAccident);
  const int32_t a = XMLCvtAccidentalEnAlteration(XMLGetText(accidentalMark));
  m.glyphe = a == 0 ? 110 : a == 3 ? 98 : a == 1 ? 35 : 0;
  SetMarkPosition(accidentalMark, staff, index, &m);
  AjouteMark(staff, index, m);
}

// SEAM(import): the text keeps the mark's default font, size and colour until
// MusicXML text formatting is read.
void AutreNotation(XMLElt* other, Portee** staff, int32_t index) {
  Mark m = NouvelleMark(kXMLMarkAccident);
  if (const char* t = XMLGetText(other)) strnzcpy(m.texte, t, sizeof m.texte);
  SetMarkPosition(other, staff, index, &m);
  AjouteMark(staff, index, m);
}

int Tuplet(XMLElt* notations, Portee** staff, int32_t index) {
  XMLElt* t = XMLGetChild(notations, "tuplet", 0);
  Signe* s = t ? NoteA(staff, index) : nullptr;
  if (!s) return kXMLTupletAucun;
  const char* bracket = XMLGetAttributeValue(t, "bracket");
  const char* shape = XMLGetAttributeValue(t, "line-shape");
  if (bracket && !Oui(bracket)) s->motTuplet &= uint16_t(~0x600);
  // A curve is a shown bracket drawn curved.
  else if (shape && std::strcmp(shape, "straight")) s->motTuplet |= 0x600;
  else s->motTuplet |= 0x200;
  const char* type = XMLGetAttributeValue(t, "type");
  if (type && !std::strcmp(type, "start")) return kXMLTupletDebut;
  if (type && !std::strcmp(type, "stop")) return kXMLTupletFin;
  return kXMLTupletAucun;
}

template <typename F>
void Chaque(XMLElt* notations, const char* name, F f) {
  for (int32_t i = 0; i < notations->nbChildren; i++)
    if (!std::strcmp(notations->children[i]->name, name)) f(notations->children[i]);
}

}  // namespace

int32_t XMLCvtAccidentalEnAlteration(const char* text) {
  if (!text) return kAlterationAucune;
  if (!std::strcmp(text, "sharp")) return 1;
  if (!std::strcmp(text, "natural")) return 0;
  if (!std::strcmp(text, "flat")) return 3;
  if (!std::strcmp(text, "double-sharp") || !std::strcmp(text, "sharp-sharp")) return 4;
  if (!std::strcmp(text, "flat-flat")) return 5;
  return kAlterationAucune;
}

void SetMarkPosition(const XMLElt* e, Portee** staff, int32_t index, Mark* mark) {
  const Signe* s = NoteA(staff, index);
  const bool down = s && (s->flags & kSigneQueueEnBas);
  if (const char* p = XMLGetAttributeValue(e, "placement")) {
    const bool above = !std::strcmp(p, "above");
    if (mark->octet4 == 0) mark->param1 = above ? 0 : kRetourne;
    else mark->param1 = (above && !down) || (!above && down) ? kRetourne : 0;
  }
  const float mm = XMLGetCurMMParTenth();
  const float x = XMLGetAttributeFloat(e, "relative-x");
  if (x < 1e20f && x > -1e20f) mark->param2 = uint8_t(Octet(x * 3.0f * mm));
  float y = XMLGetAttributeFloat(e, "relative-y");
  if (y < 1e20f && y > -1e20f) {
    if (mark->param1 == kRetourne && !down) y -= 5;
    else if (mark->param1 == 0 && down) y += 5;
    mark->param3 = uint8_t(Octet(y * 3.0f * mm));
  }
}

void ProcessFermata(XMLElt* fermata, Portee** staff, int32_t index) {
  const char* type = XMLGetAttributeValue(fermata, "type");
  const bool inverted = type && !std::strcmp(type, "inverted");
  Mark m = NouvelleMark(inverted ? kMarkPointOrgueInverse : kMarkPointOrgue);
  if (inverted) m.param1 = kRetourne;
  SetMarkPosition(fermata, staff, index, &m);
  AjouteMark(staff, index, m);
}

int XMLProcessNotations(XMLElt* notations, Portee** staff, int32_t index) {
  if (!notations || !NoteA(staff, index)) return kXMLTupletAucun;
  Chaque(notations, "ornaments", [&](XMLElt* e) { Ornements(e, staff, index); });
  Chaque(notations, "technical", [&](XMLElt* e) { Techniques(e, staff, index); });
  Chaque(notations, "articulations", [&](XMLElt* e) { Articulations(e, staff, index); });
  Chaque(notations, "fermata", [&](XMLElt* e) { ProcessFermata(e, staff, index); });
  Chaque(notations, "arpeggiate", [&](XMLElt* e) { Arpege(e, staff, index); });
  Chaque(notations, "accidental-mark", [&](XMLElt* e) { AccidentLibre(e, staff, index); });
  Chaque(notations, "other-notation", [&](XMLElt* e) { AutreNotation(e, staff, index); });
  return Tuplet(notations, staff, index);
}

int XMLProcessNotationsSilence(XMLElt* notations, Portee** staff, int32_t index) {
  if (!notations || !NoteA(staff, index)) return kXMLTupletAucun;
  Chaque(notations, "fermata", [&](XMLElt* e) { ProcessFermata(e, staff, index); });
  XMLElt* t = XMLGetChild(notations, "tuplet", 0);
  if (!t) return kXMLTupletAucun;
  const char* bracket = XMLGetAttributeValue(t, "bracket");
  if (!bracket || Oui(bracket))
    if (Signe* s = NoteA(staff, index)) {
      s->motTuplet |= 0x200;
      s->flags |= kSigneAccroche;
    }
  const char* type = XMLGetAttributeValue(t, "type");
  if (type && !std::strcmp(type, "start")) return kXMLTupletDebut;
  if (type && !std::strcmp(type, "stop")) return kXMLTupletFin;
  return kXMLTupletAucun;
}
