#include "import/XMLPortees.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "import/MusicXML.h"
#include "import/XMLPagination.h"
#include "layout/HauteursPortees.h"
#include "model/Document.h"
#include "model/PartGroups.h"
#include "model/Partition.h"
#include "model/Portee.h"
#include "model/QRVPOBJ.h"
#include "platform/Collections.h"
#include "platform/Memory.h"
#include "plugin/Necks.h"
#include "sound/SINSTRUM.h"
#include "stafftypes/Tablature.h"
#include "system/Handles.h"
#include "system/Strings.h"
#include "text/TextEncodings.h"

namespace {

XMLInstrumentReg* firstInstrumentReg = nullptr;
XMLInstrumentReg* lastInstrumentReg = nullptr;
int32_t nbInstrumentReg = 0;
XMLPorteeReg* firstPorteeReg = nullptr;
XMLPorteeReg* lastPorteeReg = nullptr;

constexpr int32_t kMaxNom = 199;

void AjouteInstrumentReg(const char* key, bool owned, uint32_t instrument, bool unpitched) {
  auto* e = static_cast<XMLInstrumentReg*>(std::calloc(1, sizeof(XMLInstrumentReg)));
  if (!e) return;
  e->cle = key;
  e->cleAllouee = owned;
  e->instrument = instrument;
  e->nonAccorde = unpitched;
  if (lastInstrumentReg) lastInstrumentReg->suivant = e;
  else firstInstrumentReg = e;
  lastInstrumentReg = e;
  nbInstrumentReg++;
}

void AjoutePorteeReg(uint32_t part, uint32_t staff, uint32_t voice, uint32_t instrument, Portee** p) {
  auto* e = static_cast<XMLPorteeReg*>(std::calloc(1, sizeof(XMLPorteeReg)));
  if (!e) return;
  *e = XMLPorteeReg{part, staff, voice, instrument, p, nullptr};
  if (lastPorteeReg) lastPorteeReg->suivant = e;
  else firstPorteeReg = e;
  lastPorteeReg = e;
}

XMLElt* Premier(XMLElt* e, const char* request) {
  int32_t n = 0;
  XMLElt** r = XMLGetEltsInChild(e, request, &n);
  XMLElt* first = n > 0 ? r[0] : nullptr;
  XMLDisposeElts(r);
  return first;
}

const char* Texte(XMLElt* e, const char* child) { return XMLGetText(XMLGetChild(e, child, 0)); }

// MIDI pitch of a step letter and an octave: C 0, D 2, E 4, F 5, G 7, A 9,
// B 11, any other letter `other`; octave x 12 + 12, or 48 without octave.
int32_t HauteurMidi(const char* step, int32_t octave, int32_t other) {
  static const int8_t kPas[7] = {9, 11, 0, 2, 4, 5, 7};  // A..G
  int32_t v = other;
  if (step && step[0] >= 'A' && step[0] <= 'G') v = kPas[step[0] - 'A'];
  if (octave == kXMLAbsentLong || octave < -2 || octave > 10) return v + 48;
  return v + octave * 12 + 12;
}

int32_t Borne(int32_t v, int32_t lo, int32_t hi) { return v < lo ? lo : v > hi ? hi : v; }

void EcritChamp(Handle records, int32_t index, int32_t offset, const void* v, size_t size) {
  std::memcpy(*records + index * kTailleNumeroMesure + offset, v, size);
}

bool MemeNumero(Handle records, int32_t index, const char* number) {
  return !std::strncmp(*records + index * kTailleNumeroMesure + kNumMesureTexte, number, kTailleTexteNumeroMesure - 1);
}

void AjouteNumeroMesure(Handle records, const char* number, uint8_t implicit, uint32_t index, uint16_t rests) {
  const int32_t n = XMLNbNumerosMesure(records);
  if (n >= kXMLMaxMesures || !RetailleHandle(records, Size(n + 1) * kTailleNumeroMesure)) return;
  std::memset(*records + n * kTailleNumeroMesure, 0, kTailleNumeroMesure);
  char texte[kTailleTexteNumeroMesure] = {};
  strnzcpy(texte, number ? number : "", kTailleTexteNumeroMesure);
  EcritChamp(records, n, kNumMesureTexte, texte, sizeof texte);
  EcritChamp(records, n, kNumMesureImplicite, &implicit, 1);
  EcritChamp(records, n, kNumMesureIndex, &index, 4);
  EcritChamp(records, n, kNumMesureSilences, &rests, 2);
}

// Step 7 of the part walk: the part's measures against the records.
void LitMesures(Handle records, XMLElt* part, int32_t* staves) {
  int32_t nb = 0;
  XMLElt** measures = XMLGetEltsInChild(part, "@measure", &nb);
  for (int32_t m = 0; m < nb; m++) {
    XMLElt* me = measures[m];
    const char* implicitText = XMLGetAttributeValue(me, "implicit");
    const uint8_t implicit = implicitText && !stricmp(implicitText, "yes");
    const char* number = XMLGetAttributeValue(me, "number");
    int32_t rests = XMLGetTextLong(Premier(me, "attributes/measure-style/@multiple-rest"));
    if (rests == kXMLAbsentLong || rests < 0) rests = 0;
    rests = std::min<int32_t>(rests, UINT16_MAX);
    if (rests > 0) XMLSetSilenceMultiple(rests);
    const int32_t count = XMLNbNumerosMesure(records);
    bool append;
    if (number && m < count) {
      const uint8_t implicitM = uint8_t((*records)[m * kTailleNumeroMesure + kNumMesureImplicite]);
      append = !(MemeNumero(records, m, number) && implicitM == implicit);
      for (int32_t k = 0; k < count && append; k++)
        if (MemeNumero(records, k, number)) append = false;
    } else {
      append = m == count;
    }
    if (append) AjouteNumeroMesure(records, number, implicit, uint32_t(m), uint16_t(rests));
    const int32_t s = XMLLitNumeroPorteeOuVoix(XMLGetText(Premier(me, "attributes/@staves")));
    if (s > *staves) *staves = s;
  }
  XMLDisposeElts(measures);
}

struct DetailsPortee {
  int32_t lignes = 5;
  float taille = 100.0f;
  int32_t nbCordes = 0;
  int32_t cordes[16];
};

void LitDetails(Document* doc, XMLElt* part, bool tablature, DetailsPortee* d) {
  for (int32_t& c : d->cordes) c = -1;
  XMLElt* first = XMLGetChild(part, "measure", 0);
  XMLElt* details = first ? Premier(first, "attributes/@staff-details") : nullptr;
  if (!details) return;
  const char* print = XMLGetAttributeValue(details, "print-object");
  if (print && !std::strcmp(print, "no")) doc->porteesCachees = 1;
  const int32_t lines = XMLGetTextLong(XMLGetChild(details, "staff-lines", 0));
  // A staff without lines is drawn with one; more than 11 would leave the
  // line positions the staff can show.
  if (lines != kXMLAbsentLong) d->lignes = Borne(lines, 1, 11);
  const float size = XMLGetTextFloat(XMLGetChild(details, "staff-size", 0));
  if (size > 0 && size < 1000.0f) d->taille = size;
  if (!tablature) return;
  for (int32_t i = 0; i < details->nbChildren; i++) {
    XMLElt* t = details->children[i];
    if (std::strcmp(t->name, "staff-tuning")) continue;
    const int32_t line = XMLGetAttributeLong(t, "line");
    if (line < 1 || line > 16) continue;
    int32_t alter = XMLGetTextLong(XMLGetChild(t, "tuning-alter", 0));
    if (alter == kXMLAbsentLong || alter < -2 || alter > 2) alter = 0;
    const char* step = Texte(t, "tuning-step");
    const int32_t octave = XMLGetTextLong(XMLGetChild(t, "tuning-octave", 0));
    d->cordes[line - 1] = Borne(HauteurMidi(step, octave, 0) + alter, 0, 127);
    d->nbCordes = std::max(d->nbCordes, line);
  }
}

// The largest voice of each staff of the part: notes without a staff child
// count for the first staff.
void LitVoix(XMLElt* part, int32_t* staves, int32_t voices[kXMLMaxPorteesOuVoix]) {
  for (int32_t s = 0; s < kXMLMaxPorteesOuVoix; s++) voices[s] = 1;
  int32_t nb = 0;
  XMLElt** notes = XMLGetEltsInChild(part, "measure/@note", &nb);
  for (int32_t i = 0; i < nb; i++) {
    XMLElt* staffElt = XMLGetChild(notes[i], "staff", 0);
    int32_t s = 1;
    if (staffElt) {
      s = XMLLitNumeroPorteeOuVoix(XMLGetText(staffElt));
      if (s == 0) continue;
      if (s > *staves) *staves = s;
    }
    const int32_t v = XMLLitNumeroPorteeOuVoix(Texte(notes[i], "voice"));
    if (v > voices[s - 1]) voices[s - 1] = v;
  }
  XMLDisposeElts(notes);
}

void AjouteItem(Portee** staff, FourCharCode id, uint32_t value) {
  if (!(*staff)->collection) (*staff)->collection = NewCollection();
  AddCollectionItem((*staff)->collection, FourCC("XML "), int32_t(id), sizeof value, &value);
}

void AfficheLignes(Portee** staff, int32_t lines) {
  const int16_t first = lines == 1 ? 2 : 0, last = lines == 1 ? 2 : int16_t(lines - 1);
  for (int16_t n = kPremiereLignePortee; n <= kDerniereLignePortee; n++)
    SetAfficheLignePortee(staff, n, uint8_t(n >= first && n <= last));
  (*staff)->premiereLigneVisible = first;
  (*staff)->derniereLigneVisible = last;
}

}  // namespace

int32_t XMLNbNumerosMesure(Handle records) {
  return records ? int32_t(GetHandleSize(records) / kTailleNumeroMesure) : 0;
}

uint32_t XMLGetChampNumeroMesure(Handle records, int32_t index, int32_t offset) {
  uint32_t v = 0;
  if (index >= 0 && index < XMLNbNumerosMesure(records))
    std::memcpy(&v, *records + index * kTailleNumeroMesure + offset, 4);
  return v;
}

void XMLSetChampNumeroMesure(Handle records, int32_t index, int32_t offset, uint32_t value) {
  if (index >= 0 && index < XMLNbNumerosMesure(records)) EcritChamp(records, index, offset, &value, 4);
}

uint16_t XMLGetChampCourtNumeroMesure(Handle records, int32_t index, int32_t offset) {
  uint16_t v = 0;
  if (index >= 0 && index < XMLNbNumerosMesure(records))
    std::memcpy(&v, *records + index * kTailleNumeroMesure + offset, 2);
  return v;
}

void XMLSetChampCourtNumeroMesure(Handle records, int32_t index, int32_t offset, uint16_t value) {
  if (index >= 0 && index < XMLNbNumerosMesure(records)) EcritChamp(records, index, offset, &value, 2);
}

int32_t XMLLitNumeroPorteeOuVoix(const char* text) {
  if (!text) return 0;
  while (*text == ' ' || *text == '\t' || *text == '\r' || *text == '\n') text++;
  if (*text == '+') text++;
  int32_t v = 0;
  bool digits = false;
  for (; *text >= '0' && *text <= '9'; text++) {
    digits = true;
    v = v * 10 + (*text - '0');
    if (v > kXMLMaxPorteesOuVoix) return 0;
  }
  return digits && v >= 1 ? v : 0;
}

int16_t XMLCreeInstrument(Document* doc, XMLElt* e, int16_t transposition, int16_t partIndex) {
  Partition** score = doc ? doc->partitionCourante : nullptr;
  if (!score || nbInstrumentReg >= kXMLMaxInstruments) return -1;
  const int16_t index = AjouteInstrument(score);
  Instrument* r = GetInstrument(score, index);
  if (!r) return -1;
  r->organCode = kOrganeObsn;
  r->transposition = transposition;
  const char* name = e ? Texte(e, "instrument-name") : nullptr;
  if (name) {
    char nom[80 * 3];
    strnzcpy(nom, name, 80);
    UTFToMacRoman(nom);
    strnzcpy(r->name, nom, sizeof r->name);
  }
  const char* id = e ? XMLGetAttributeValue(e, "id") : nullptr;
  if (!id) {
    std::snprintf(r->name, sizeof r->name, "def %d", partIndex);
    char* key = static_cast<char*>(std::malloc(24));
    if (key) {
      std::snprintf(key, 24, "default %d", partIndex);
      AjouteInstrumentReg(key, true, uint32_t(index), false);
    }
    return index;
  }
  bool unpitched = false;
  XMLElt* midi = nullptr;
  for (int32_t i = 0; e->parent && i < e->parent->nbChildren && !midi; i++) {
    XMLElt* c = e->parent->children[i];
    const char* cid = XMLGetAttributeValue(c, "id");
    if (!std::strcmp(c->name, "midi-instrument") && cid && !std::strcmp(cid, id)) midi = c;
  }
  if (midi) {
    int32_t soundId = 0;
    for (int32_t i = 0; i < midi->nbChildren; i++) {
      XMLElt* c = midi->children[i];
      const char* n = c->name;
      const int32_t v = XMLGetTextLong(c);
      const float f = XMLGetTextFloat(c);
      const bool lu = v != kXMLAbsentLong, luF = f < 1e20f && f > -1e20f;
      if (!std::strcmp(n, "midi-channel") && lu) {
        r->channel = uint16_t(Borne(v, 1, 16) - 1);
      } else if (!std::strcmp(n, "midi-bank") && lu) {
        if (v >= 1) r->bank = uint16_t(std::min(v - 1, 16383));
      } else if (!std::strcmp(n, "midi-program") && lu) {
        // The program stands in the high seven bits of the record's field.
        r->program = uint16_t(Borne(v - 1, 0, 127) << 7);
      } else if (!std::strcmp(n, "iddigit") && lu) {
        soundId = v;
      } else if (!std::strcmp(n, "midi-volume") && lu) {
        r->volume = uint16_t(Borne(v, 0, 127));
        r->volumeOn = 1;
      } else if (!std::strcmp(n, "volume") && luF) {
        r->volume = uint16_t(Borne(int32_t(std::max(-1e6f, std::min(1e6f, f)) * 1.27f), 0, 127));
        r->volumeOn = 1;
      } else if ((!std::strcmp(n, "midi-panning") || !std::strcmp(n, "pan")) && luF) {
        r->pan = uint16_t(Borne(int32_t((std::max(-1e6f, std::min(1e6f, f)) + 90.0f) * 0.7f), 0, 127));
        r->panOn = 1;
      } else if (!std::strcmp(n, "midi-unpitched") && lu) {
        // The drum note has its own field: the transposition stays 0, so
        // that no later transpose turns it into a shift of pitch.
        r->note = int16_t(Borne(v - 1, 0, 127));
        r->drumNote = uint16_t(r->note);
        r->transposition = 0;
        unpitched = true;
      }
    }
    if (int16_t(soundId) != 0) r->soundId = uint32_t(int32_t(int16_t(soundId)));
    else if (r->channel == 9) r->soundId = uint32_t(int32_t(RsrcDgitBatterie(int16_t(r->program >> 7), r->note)));
    else r->soundId = uint32_t(int32_t(RsrcDgitInstrument(int16_t(r->bank), r->program)));
  }
  AjouteInstrumentReg(id, false, uint32_t(index), unpitched);
  return index;
}

uint32_t XMLGetInstrumentIdFromStr(const char* id) {
  if (!id) return 0;
  for (XMLInstrumentReg* e = firstInstrumentReg; e; e = e->suivant)
    if (e->cle && !std::strcmp(e->cle, id)) return e->instrument;
  return 0;
}

bool XMLIsInstrumentNonAccorde(uint32_t instrument) {
  for (XMLInstrumentReg* e = firstInstrumentReg; e; e = e->suivant)
    if (e->instrument == instrument) return e->nonAccorde;
  return false;
}

void XMLDisposeInstrumentReg() {
  while (firstInstrumentReg) {
    XMLInstrumentReg* next = firstInstrumentReg->suivant;
    if (firstInstrumentReg->cleAllouee) std::free(const_cast<char*>(firstInstrumentReg->cle));
    std::free(firstInstrumentReg);
    firstInstrumentReg = next;
  }
  lastInstrumentReg = nullptr;
  nbInstrumentReg = 0;
}

void XMLDisposePorteeReg() {
  while (firstPorteeReg) {
    XMLPorteeReg* next = firstPorteeReg->suivant;
    std::free(firstPorteeReg);
    firstPorteeReg = next;
  }
  lastPorteeReg = nullptr;
}

XMLPorteeReg* XMLGetFirstPorteeReg() { return firstPorteeReg; }

Portee** XMLGetPorteeFromId(uint32_t part, uint32_t staff, uint32_t voice, int32_t instrument) {
  for (XMLPorteeReg* e = firstPorteeReg; e; e = e->suivant)
    if (e->partie == part && e->portee == staff && e->voix == voice &&
        (instrument < 0 || e->instrument == uint32_t(instrument)))
      return e->staff;
  return nullptr;
}

uint32_t XMLGetNbStavesInPart(uint32_t part) {
  uint32_t n = 1;
  for (XMLPorteeReg* e = firstPorteeReg; e; e = e->suivant)
    if (e->partie == part) n = std::max(n, e->portee + 1);
  return n;
}

int32_t XMLGetBarNumberingIndexFromIndexAndName(Handle records, int32_t index, const char* number) {
  if (!records || !number) return -1;
  const int32_t n = XMLNbNumerosMesure(records);
  if (index >= 0 && index < n && MemeNumero(records, index, number)) return index;
  for (int32_t k = 0; k < n; k++)
    if (MemeNumero(records, k, number)) return k;
  return -1;
}

int32_t XMLGetPlacement(const XMLElt* elt) {
  const char* p = XMLGetAttributeValue(elt, "placement");
  if (!p) return -1;
  if (!std::strcmp(p, "below")) return 0;
  if (!std::strcmp(p, "above")) return 1;
  return -1;
}

Handle XMLCreePortees(XMLRootElt* tree, Document* doc) {
  Handle records = NewHandle(0);
  if (!records) return nullptr;
  Partition** score = doc ? doc->partitionCourante : nullptr;
  if (!score) return records;
  DisposeToutesPortees(score);
  int32_t n = 0;
  XMLElt** lists = XMLGetElts(tree, "@part-list", &n);
  XMLElt* partList = n > 0 ? lists[0] : nullptr;
  XMLDisposeElts(lists);
  if (!partList) return records;
  // "MusicXML: Extracting parts."
  int32_t nbParts = 0;
  XMLElt** parts = XMLGetElts(tree, "@part", &nbParts);
  uint32_t p = 0;
  for (int32_t i = 0; i < partList->nbChildren; i++) {
    XMLElt* sp = partList->children[i];
    if (std::strcmp(sp->name, "score-part")) continue;
    const char* id = XMLGetAttributeValue(sp, "id");
    XMLElt* part = nullptr;
    for (int32_t k = 0; id && k < nbParts && !part; k++) {
      const char* pid = XMLGetAttributeValue(parts[k], "id");
      if (pid && !std::strcmp(pid, id)) part = parts[k];
    }
    if (!part) continue;

    int32_t transposition = XMLGetTextLong(Premier(part, "measure/attributes/transpose/@chromatic"));
    if (transposition == kXMLAbsentLong || transposition < -127 || transposition > 127) transposition = 0;

    std::vector<int16_t> instruments;
    int32_t nbInstr = 0;
    XMLElt** scoreInstruments = XMLGetEltsInChild(sp, "@score-instrument", &nbInstr);
    for (int32_t k = 0; k < nbInstr; k++)
      instruments.push_back(XMLCreeInstrument(doc, scoreInstruments[k], int16_t(transposition), 0));
    XMLDisposeElts(scoreInstruments);
    if (instruments.empty()) instruments.push_back(XMLCreeInstrument(doc, nullptr, 0, int16_t(i)));

    uint32_t type = kTypePorteeStandard;
    const char* sign = XMLGetText(Premier(part, "measure/attributes/clef/@sign"));
    if (sign && !stricmp(sign, "TAB")) type = kTypePorteeTablature;
    else if (sign && !stricmp(sign, "percussion")) type = kTypePorteeBatterieStd;

    const char* partName = Texte(sp, "part-name");
    if (!partName) partName = "";
    const char* partAbbr = Texte(sp, "part-abbreviation");
    if (!partAbbr) partAbbr = " ";

    int32_t ambBas = -1, ambHaut = -1;
    if (XMLElt* amb = XMLGetChild(sp, "ambitus", 0)) {
      if (XMLElt* lo = XMLGetChild(amb, "lowpitch", 0))
        ambBas = Borne(HauteurMidi(Texte(lo, "step"), XMLGetTextLong(XMLGetChild(lo, "octave", 0)), 9), 0, 127);
      if (XMLElt* hi = XMLGetChild(amb, "highpitch", 0))
        ambHaut = Borne(HauteurMidi(Texte(hi, "step"), XMLGetTextLong(XMLGetChild(hi, "octave", 0)), 9), 0, 127);
    }
    const bool ambitus = ambBas != -1 && ambHaut != -1;

    int32_t staves = 1;
    LitMesures(records, part, &staves);
    int32_t voices[kXMLMaxPorteesOuVoix];
    LitVoix(part, &staves, voices);

    DetailsPortee details;
    LitDetails(doc, part, type == kTypePorteeTablature, &details);

    char remembered[kMaxNom + 1] = {};
    const bool nomLong = std::strlen(partName) > kMaxNom;
    int16_t firstStaff = -1;
    for (int32_t s = 0; s < staves; s++) {
      const char* source = s == 0 ? partName : "";
      if (s == 0) remembered[0] = 0;
      std::vector<Portee**> created;
      for (int32_t v = 0; v < voices[s]; v++) {
        for (size_t k = 0; k < instruments.size(); k++) {
          if ((*score)->nbPortees >= kXMLMaxPortees) break;
          Portee** staff = CreePorteeVide(score, type, 1, 0);
          if (!staff) break;
          if (Tablature** tab = (*staff)->tablature ? reinterpret_cast<Tablature**>((*staff)->tablature) : nullptr) {
            (*tab)->flagsAffichage = 0;
            SetDefaultStyleTablature(staff);
            if (details.nbCordes > 0) {
              // Line 1 is the highest string: the last entry of the record.
              Tablature* t = *tab;
              t->kind = uint32_t(kNeckPersonnalise);
              t->nbCordes = uint16_t(details.nbCordes);
              for (int32_t c = 0; c < details.nbCordes; c++) {
                const int32_t pitch = details.cordes[details.nbCordes - 1 - c];
                t->cordes[c] = CordeTablature{{uint16_t(pitch < 0 ? 0xFFFF : pitch), 21, 0}};
              }
              CheckHauteurPortee(staff);
            }
          }
          (*staff)->aspect.tailleUnite = 72;
          AjouteItem(staff, FourCC("part"), p);
          AjouteItem(staff, FourCC("staf"), uint32_t(s));
          AjouteItem(staff, FourCC("voic"), uint32_t(v));
          if (source[0]) strnzcpy(remembered, source, sizeof remembered);
          char name[kMaxNom + 24];
          if (v > 0 && !nomLong) std::snprintf(name, sizeof name, "%s-%d", remembered, v + 1);
          else strnzcpy(name, remembered, sizeof name);
          SetNomPortee(staff, name);
          char abbr[kMaxNom + 24];
          if (v > 0 && partAbbr[0]) std::snprintf(abbr, sizeof abbr, "%.*s-%d", kMaxNom, partAbbr, v + 1);
          else strnzcpy(abbr, partAbbr, kMaxNom + 1);
          SetNomAbregePortee(staff, abbr);
          const int16_t instrument = instruments[k];
          AjoutePorteeReg(p, uint32_t(s), uint32_t(v), uint32_t(instrument < 0 ? 0 : instrument), staff);
          const float height =
              details.lignes == 1 ? details.taille * 0.4f : (details.lignes - 1) * details.taille * 0.1f;
          XMLSetStaffHeight(p, uint32_t(s + 1), height);
          (*staff)->instrument = instrument < 0 ? kInstrumentAucun : instrument;
          if (const Instrument* r = GetInstrument(score, instrument)) {
            (*staff)->pan = r->pan;
            (*staff)->volume = r->volume;
          }
          AfficheLignes(staff, details.lignes);
          if (firstStaff < 0) firstStaff = (*staff)->index;
          created.push_back(staff);
        }
        if (!created.empty()) {
          Portee** last = created.back();
          (*last)->ambitus = ambitus;
          if (ambitus) {
            (*score)->ambitus = 1;
            (*last)->ambitusBas = uint8_t(ambBas);
            (*last)->ambitusHaut = uint8_t(ambHaut);
          }
        }
      }
      if (created.size() > 1)
        for (size_t k = 0; k < created.size(); k++) {
          (*created[k])->modeFusion = kFusionMaitre;
          (*created[k])->fusionneAvecSuivante = k + 1 < created.size();
          // Merged staves are drawn as one: the first one's name stands for
          // them all, the others' would print over it.
          (*created[k])->aspect.nomsCaches = k > 0;
        }
    }
    if (staves >= 2 && firstStaff >= 0) {
      const int16_t lastStaff = int16_t((*score)->nbPortees - 1);
      Portee** first = (*score)->portees[firstStaff];
      char name[256], abbr[256];
      strnzcpy(name, (*first)->aspect.nom, sizeof name);
      strnzcpy(abbr, (*first)->aspect.nomAbrege, sizeof abbr);
      const int16_t g = NewPartGroup(score, 0, 1, firstStaff, lastStaff,
                                     CalculeDeltaXDefaultPartGroup(score, nullptr, firstStaff, lastStaff), name, abbr);
      if (g >= 0) {
        PartGroup* groups = reinterpret_cast<PartGroup*>(*(*score)->partGroups);
        for (int j = 0; j < 2; j++) {
          groups[g].valeursNom[j] = (*first)->aspect.valeursNom[j];
          groups[g].valeursAbrege[j] = (*first)->aspect.valeursNomAbrege[j];
        }
        // The brace carries the part's name once; its staves (and the voices
        // merged onto them) would otherwise each print it again.
        for (int16_t k = firstStaff; k <= lastStaff; k++) (*(*score)->portees[k])->aspect.nomsCaches = 1;
      }
    }
    p++;
  }
  XMLDisposeElts(parts);
  return records;
}
