#include "import/XMLEvenements.h"

#include <cstdio>
#include <cstring>

#include "import/MusicXML.h"
#include "import/XMLDirections.h"
#include "import/XMLHarmonies.h"
#include "import/XMLPagination.h"
#include "import/XMLPortees.h"
#include "model/CvtTemps.h"
#include "model/Document.h"
#include "model/Partition.h"
#include "model/Portee.h"
#include "model/Ruptures.h"
#include "model/TabEltMesure.h"
#include "model/Tonalite.h"
#include "model/TonaliteMaths.h"
#include "sound/SINSTRUM.h"
#include "system/Strings.h"

namespace {

int32_t Borne(int32_t v, int32_t lo, int32_t hi) { return v < lo ? lo : v > hi ? hi : v; }

int32_t LitLong(XMLElt* e, const char* child, int32_t absent) {
  const int32_t v = XMLGetTextLong(XMLGetChild(e, child, 0));
  return v == kXMLAbsentLong ? absent : v;
}

bool Oui(const char* v) { return v && !stricmp(v, "yes"); }

// The key of a "key" element.
void LitTonalite(XMLElt* e, Tonalite* key) {
  const int32_t fifths = LitLong(e, "fifths", 0);
  const char* mode = XMLGetText(XMLGetChild(e, "mode", 0));
  const bool minor = mode && !stricmp(mode, "minor");
  SetTonaliteDefaut(key);
  key->mode = minor ? 0 : 1;
  if (fifths >= -7 && fifths <= 7) {
    const int i = fifths >= 0 ? fifths : 7 - fifths;
    key->degreTonique = int8_t(minor ? TabDegreMineurStd[i] : TabDegreMajeurStd[i]);
    key->alterationTonique = int8_t(minor ? TabAlterationMineurStd[i] : TabAlterationMajeurStd[i]);
  }
  CalculeArmureFnFondamentaleEtMode(key);
  // Non-traditional keys: each step names a degree, the alter after it its sign.
  static const int8_t kDegre[7] = {5, 6, 0, 1, 2, 3, 4};  // A..G
  static const uint8_t kCode[5] = {5, 3, 0, 1, 4};        // alter -2..2
  int degree = -1;
  for (int32_t i = 0; i < e->nbChildren; i++) {
    XMLElt* c = e->children[i];
    if (!std::strcmp(c->name, "key-step")) {
      degree = -1;
      const char* t = XMLGetText(c);
      char l = t ? char(t[0] & ~0x20) : 0;
      if (l >= 'A' && l <= 'G') {
        degree = kDegre[l - 'A'];
        key->alterations[degree] = 0;
      }
    } else if (!std::strcmp(c->name, "key-alter") && degree >= 0) {
      const int32_t a = XMLGetTextLong(c);
      if (a >= -2 && a <= 2) key->alterations[degree] = kCode[a + 2];
    }
  }
}

void AppliqueCle(Partition** score, const XMLEvent& ev, XMLElt* e, int16_t bar) {
  Tonalite key;
  LitTonalite(e, &key);
  // Every voice of every staff of the part has its own staff: all take it.
  for (XMLPorteeReg* r = XMLGetFirstPorteeReg(); r; r = r->suivant) {
    if (r->partie != ev.part || !r->staff) continue;
    FixeVisibleMesure(score, r->staff, bar, kVisibleArmure, kVisibleArmure);
    FixeTonaliteMesure(score, r->staff, bar, &key, 0);
    if (bar > 0) {
      Tonalite before, at;
      CvtMesureEnTonalite(r->staff, int16_t(bar - 1), &before);
      CvtMesureEnTonalite(r->staff, bar, &at);
      if (!CmpTonalite(&before, &at)) FixeRappelMesure(score, r->staff, bar, kVisibleArmure, kVisibleArmure);
    }
  }
}

void AppliqueClef(Partition** score, const XMLEvent& ev, XMLElt* e, int16_t bar) {
  const char* sign = XMLGetText(XMLGetChild(e, "sign", 0));
  if (!sign) return;
  const char* number = XMLGetAttributeValue(e, "number");
  int32_t staffNumber = number ? XMLLitNumeroPorteeOuVoix(number) - 1 : 0;
  if (staffNumber < 0) staffNumber = 0;
  Clef clef;
  std::memset(&clef, 0, sizeof clef);
  clef.type = kClefSol;
  const int32_t line = LitLong(e, "line", kXMLAbsentLong);
  int32_t standard = 0;
  if (!stricmp(sign, "G")) standard = 2;
  else if (!stricmp(sign, "F")) clef.type = kClefFa, standard = 4;
  else if (!stricmp(sign, "C")) clef.type = kClefUt, standard = 3;
  // Lines and octaves move both ways (a treble clef an octave down is common).
  if (standard && line != kXMLAbsentLong) clef.decalageLigne = int8_t(Borne(line - standard, -5, 5));
  clef.decalageOctave = int8_t(Borne(LitLong(e, "clef-octave-change", 0), -3, 3));
  clef.noteDeBase = int8_t(CvtClefEnNoteDeBase(&clef));
  clef.octet1 = ev.position > 0 ? 75 : 100;  // size in percent: smaller inside a measure
  for (XMLPorteeReg* r = XMLGetFirstPorteeReg(); r; r = r->suivant) {
    if (r->partie != ev.part || r->portee != uint32_t(staffNumber) || !r->staff) continue;
    Clef c = clef;
    FixeClefMesure(score, r->staff, bar, &c, 0);
    FixeVisibleMesure(score, r->staff, bar, kVisibleClef, kVisibleClef);
    if (bar > 0) {
      Clef before, at;
      CvtMesureEnClef(r->staff, int16_t(bar - 1), &before);
      CvtMesureEnClef(r->staff, bar, &at);
      if (!CmpClef(&before, &at)) FixeRappelMesure(score, r->staff, bar, kVisibleClef, kVisibleClef);
    }
  }
}

int64_t Longueur(const DivisionTemporelle& d) {
  return d.denominateur > 0 ? int64_t(kDureeRonde) * d.numerateur / d.denominateur : 0;
}

void AppliqueSignature(Partition** score, XMLElt* e, int16_t bar) {
  DivisionTemporelle written, d;
  GetDivisionFromXMLTime(e, &written);
  CvtMesureEnDivisionTemporelle(score, bar, &d);
  if (Longueur(written) == Longueur(d)) {
    d = written;
  } else {
    // The bar's real length, set by the skeleton, wins over the written one.
    d.partieAdditive1 = written.partieAdditive1;
    d.partieAdditive2 = written.partieAdditive2;
    d.denominateurAdditif = written.denominateurAdditif;
    d.octet1 = written.octet1;
  }
  FixeDivisionMesurePartition(score, bar, &d, 1, false);
  FixeVisibleMesure(score, nullptr, bar, kVisibleSignature, kVisibleSignature);
  if (bar > 0) {
    DivisionTemporelle before;
    CvtMesureEnDivisionTemporelle(score, int16_t(bar - 1), &before);
    if (before.partieAdditive1 != d.partieAdditive1 || before.partieAdditive2 != d.partieAdditive2 ||
        before.denominateurAdditif != d.denominateurAdditif || before.octet1 != d.octet1)
      FixeRappelMesure(score, nullptr, bar, kVisibleSignature, kVisibleSignature);
  }
}

void AppliqueTransposition(Partition** score, const XMLEvent& ev, XMLElt* e) {
  const int32_t shift =
      Borne(LitLong(e, "chromatic", 0) + 12 * Borne(LitLong(e, "octave-change", 0), -10, 10), -127, 127);
  for (XMLPorteeReg* r = XMLGetFirstPorteeReg(); r; r = r->suivant) {
    if (r->partie != ev.part || r->portee != 0 || !r->staff) continue;
    // An unpitched instrument plays a drum sound: nothing to transpose.
    if (XMLIsInstrumentNonAccorde(r->instrument)) continue;
    if (Instrument* i = GetInstrument(score, (*r->staff)->instrument)) i->transposition = int16_t(shift);
  }
}

void AppliqueAttributs(Partition** score, Handle records, const XMLEvent& ev, int32_t tick) {
  XMLElt* a = ev.element;
  for (int32_t i = 0; i < a->nbChildren; i++) {
    XMLElt* c = a->children[i];
    const char* n = c->name;
    const bool key = !std::strcmp(n, "key"), clef = !std::strcmp(n, "clef"), time = !std::strcmp(n, "time");
    if (key || clef || time) {
      const int16_t bar = GetOrCreateBar(score, records, tick);
      if (bar < 0) continue;
      if (key) AppliqueCle(score, ev, c, bar);
      else if (clef) AppliqueClef(score, ev, c, bar);
      else AppliqueSignature(score, c, bar);
    } else if (!std::strcmp(n, "transpose")) {
      AppliqueTransposition(score, ev, c);
    }
  }
}

void AppliquePrint(Document* doc, const XMLEvent& ev) {
  XMLElt* e = ev.element;
  const int32_t r = int32_t(ev.bar);
  if (XMLGetAttributeValue(e, "blank-page")) {
    if (r == 0) {
      const int32_t v = XMLGetAttributeLong(e, "blank-page");
      if (v != kXMLAbsentLong) doc->nbPagesReservees = int16_t(Borne(v, 0, 99));
    } else {
      XMLErr("Import of blank-page attribute not managed outside bar#1");
    }
  }
  if (Oui(XMLGetAttributeValue(e, "new-page"))) {
    const int32_t number = XMLGetAttributeLong(e, "page-number");
    XMLNewPageCommand(r, number == kXMLAbsentLong ? -1 : number);
  }
  if (Oui(XMLGetAttributeValue(e, "new-system"))) XMLNewSystemCommand(r);
  if (XMLElt* l = XMLGetChild(e, "page-layout", 0)) XMLNewPageLayout(r, l);
  if (XMLElt* l = XMLGetChild(e, "system-layout", 0)) XMLNewSystemLayout(r, l);
  for (int32_t i = 0; i < e->nbChildren; i++)
    if (!std::strcmp(e->children[i]->name, "staff-layout"))
      XMLNewStaffLayout(r, ev.part, XMLGetAttributeLong(e->children[i], "number"), e->children[i]);
  XMLSetStaffSpacing(XMLGetAttributeFloat(e, "staff-spacing"));
  if (XMLElt* l = XMLGetChild(e, "measure-layout", 0)) XMLNewMeasureLayout(r, l);
}

void AppliqueSon(Partition** score, const XMLEvent& ev, int32_t tick) {
  if (tick != 0) return;
  const float tempo = XMLGetAttributeFloat(ev.element, "tempo");
  if (tempo >= 10.0f && tempo < 32768.0f) (*score)->tempo = int16_t(tempo);
}

void AjouteVolta(Partition** score, XMLElt* ending, int32_t t) {
  const char* type = XMLGetAttributeValue(ending, "type");
  if (!type) return;
  if (!std::strcmp(type, "start")) {
    Rupture* r = GetRupture(score, AjouteRupture(score, 9, t, true));
    if (!r) return;
    r->modePassage = 3;
    std::memset(r->passagesVolta, 0, sizeof r->passagesVolta);
    // "1, 2": the ending is played on passes 1 and 2 (flag n - 1 is pass n).
    const char* s = XMLGetAttributeValue(ending, "number");
    while (s && *s) {
      long n = 0;
      if (std::sscanf(s, "%ld", &n) == 1 && n >= 1 && n <= kNbPassagesVolta) r->passagesVolta[n - 1] = 1;
      s = std::strchr(s, ',');
      if (s) s++;
    }
  } else if (!std::strcmp(type, "stop") || !std::strcmp(type, "discontinue")) {
    // A discontinued ending (no hook at its end) closes it all the same.
    AjouteRupture(score, 10, t, true);
  }
}

void AppliqueBarre(Partition** score, Handle records, const XMLEvent& ev, int32_t measureStart, int32_t tick) {
  XMLElt* e = ev.element;
  // A bar line without location stands at the measure's end, as the format
  // says: at the next bar's start it would make a bar after the last one.
  const char* location = XMLGetAttributeValue(e, "location");
  const bool left = location && !std::strcmp(location, "left");
  const bool right = !location || !std::strcmp(location, "right");
  int16_t bar = GetOrCreateBar(score, records, left || right ? measureStart : tick);
  if (bar < 0) return;
  if (right) {
    // The last bar of a measure that was split.
    const int32_t r = int32_t(ev.bar), n = XMLNbNumerosMesure(records);
    const int32_t own = int32_t(XMLGetChampNumeroMesure(records, r, kNumMesureIndex));
    if (r + 1 < n) {
      const int32_t next = int32_t(XMLGetChampNumeroMesure(records, r + 1, kNumMesureIndex));
      if (next > own + 1) bar = int16_t(next - 1);
    } else if ((*score)->nbMesures - 1 > bar) {
      bar = int16_t((*score)->nbMesures - 1);
    }
  }
  const int32_t t = right ? CvtMesureEnTemps(score, bar + 1) - 2 : CvtMesureEnTemps(score, bar);
  int32_t preset = -1;
  for (int32_t i = 0; i < e->nbChildren; i++) {
    XMLElt* c = e->children[i];
    const char* n = c->name;
    if (!std::strcmp(n, "bar-style")) {
      const char* s = XMLGetText(c);
      if (s) {
        if (!std::strcmp(s, "light-heavy")) preset = 2;
        else if (!std::strcmp(s, "heavy-light")) preset = 1;
        else if (!std::strcmp(s, "dotted") || !std::strcmp(s, "dashed")) preset = 8;
        else if (!std::strcmp(s, "light-light")) preset = 6;
        else if (!std::strcmp(s, "heavy") || !std::strcmp(s, "heavy-heavy")) preset = 7;
        else if (!std::strcmp(s, "none")) preset = 0;
      }
      if (preset >= 0) AjouteRupture(score, int16_t(preset), t, true);
    } else if (!std::strcmp(n, "segno")) {
      AjouteRupture(score, 11, t, true);
    } else if (!std::strcmp(n, "coda")) {
      AjouteRupture(score, 12, t, true);
    } else if (!std::strcmp(n, "ending")) {
      AjouteVolta(score, c, t);
    } else if (!std::strcmp(n, "repeat")) {
      const char* direction = XMLGetAttributeValue(c, "direction");
      int32_t count = 0;
      if (!direction || !stricmp(direction, "forward")) {
        preset = 3;
      } else {
        preset = 4;
        const int32_t times = XMLGetAttributeLong(c, "times");
        count = times == kXMLAbsentLong ? 0 : Borne(times - 1, 0, 99);
      }
      Rupture* r = GetRupture(score, AjouteRupture(score, int16_t(preset), t, true));
      if (r && count > 0) {
        r->nbPassages = uint16_t(count);
        if (count == 1) r->texte[0] = 0;
        else strnzcpy(r->texte, "x$P", sizeof r->texte);
      }
    }
  }
}

}  // namespace

uint8_t XMLApplyEvents(XMLEvent* events, int32_t count, Handle records, Document* doc) {
  Partition** score = doc ? doc->partitionCourante : nullptr;
  if (!score) return 0;
  // "MusicXML: Applying events." The progress service never asks to stop here.
  for (int32_t i = 0; i < count; i++) {
    const XMLEvent& ev = events[i];
    if (!ev.element || int32_t(ev.bar) >= XMLNbNumerosMesure(records)) continue;
    const int32_t start = int32_t(XMLGetChampNumeroMesure(records, int32_t(ev.bar), kNumMesureDebut));
    const int32_t tick = start + int32_t(ev.position);
    switch (ev.kind) {
      case kXMLEventDirection: XMLApplyDirectionEvent(ev, tick, doc); break;
      case kXMLEventAttributs: AppliqueAttributs(score, records, ev, tick); break;
      case kXMLEventHarmonie: XMLApplyHarmonyEvent(ev, tick, doc); break;
      case kXMLEventPrint: AppliquePrint(doc, ev); break;
      case kXMLEventSon: AppliqueSon(score, ev, tick); break;
      case kXMLEventBarre: AppliqueBarre(score, records, ev, start, tick); break;
      default: break;  // figured bass, groupings
    }
  }
  return 1;
}
