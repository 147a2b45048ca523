#include "import/XMLMusicFrame.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "import/MusicXML.h"
#include "import/XMLEvenements.h"
#include "import/XMLImages.h"
#include "import/XMLLyrics.h"
#include "import/XMLPagination.h"
#include "import/XMLPortees.h"
#include "model/CvtTemps.h"
#include "model/DeleteMesures.h"
#include "model/Document.h"
#include "model/Partition.h"
#include "model/Ruptures.h"
#include "model/TabEltMesure.h"
#include "model/TempsJoue.h"
#include "model/Tonalite.h"
#include "platform/Memory.h"
#include "system/Handles.h"
#include "system/Strings.h"

namespace {

constexpr int32_t kNoire = 40320;
constexpr int32_t kPasLongueur = 1260;

// Written values in 1/1024 tick: a whole note is 161280 ticks, so a 1024th
// is 157.5 ticks and only this finer unit holds it, and its dots, exactly.
constexpr int64_t kFin = 1024;
struct ValeurNote {
  const char* nom;
  int64_t fin;
};
constexpr ValeurNote kValeurs[] = {{"long", 645120 * kFin},   {"breve", 322560 * kFin},  {"whole", 161280 * kFin},
                                   {"half", 80640 * kFin},    {"quarter", 40320 * kFin}, {"eighth", 20160 * kFin},
                                   {"16th", 10080 * kFin},    {"32nd", 5040 * kFin},     {"64th", 2520 * kFin},
                                   {"128th", 1260 * kFin},    {"256th", 630 * kFin},     {"512th", 315 * kFin},
                                   {"1024th", 315 * kFin / 2}};
// A type name no note has.
constexpr int64_t kValeurInconnue = 1260 * kFin;

int64_t ValeurFine(const char* type) {
  if (type)
    for (const auto& v : kValeurs)
      if (!stricmp(type, v.nom)) return v.fin;
  return kValeurInconnue;
}
// Start ticks of the score stay well inside 32 bits.
constexpr int64_t kTempsMaxPartition = int64_t(1) << 30;

int32_t Borne(int64_t v, int32_t lo, int32_t hi) { return v < lo ? lo : v > hi ? hi : int32_t(v); }

// Ticks of a duration in divisions of a quarter.
int32_t Ticks(int32_t duration, int32_t divisions) {
  if (duration <= 0 || divisions <= 0) return 0;
  return Borne(LMulDiv(duration, kNoire, divisions), 0, kXMLDureeMax);
}

int32_t LongueurDivision(const DivisionTemporelle& d) {
  if (d.denominateur <= 0) return kDureeRonde;
  return Borne(int64_t(kDureeRonde) * d.numerateur / d.denominateur, 0, kXMLDureeMax);
}

void AjouteEvent(std::vector<XMLEvent>* events, uint32_t kind, uint32_t part, int32_t bar, int32_t position,
                 int32_t divisions, XMLElt* e) {
  events->push_back(XMLEvent{kind, part, uint32_t(bar), uint32_t(position), uint32_t(divisions), e});
}

// The notes' timing attributes, for the notes pass.
void PoseTemps(XMLElt* note, int32_t* position, int32_t* previous, int32_t divisions) {
  const int32_t duration = XMLGetTextLong(XMLGetChild(note, "duration", 0));
  const int32_t sounding = duration == kXMLAbsentLong ? 0 : Ticks(duration, divisions);
  // The written value is kept exact and cut to whole ticks once, as the
  // sounding duration is: a dotted 1024th of 3 divisions of 512 is 236 ticks
  // either way, and the two compare equal.
  int64_t fine = 0;
  if (const char* type = XMLGetText(XMLGetChild(note, "type", 0))) {
    fine = ValeurFine(type);
    int64_t add = fine;
    for (int32_t i = 0; i < note->nbChildren; i++)
      if (!std::strcmp(note->children[i]->name, "dot")) {
        add /= 2;
        fine += add;
      }
  }
  if (XMLElt* tm = XMLGetChild(note, "time-modification", 0)) {
    int32_t actual = XMLGetTextLong(XMLGetChild(tm, "actual-notes", 0));
    int32_t normal = XMLGetTextLong(XMLGetChild(tm, "normal-notes", 0));
    if (actual == kXMLAbsentLong || actual < 1 || actual > 999) actual = 3;
    if (normal == kXMLAbsentLong || normal < 1 || normal > 999) normal = 2;
    fine = fine * normal / actual;
    XMLAddUserAttrLong(note, "hatuplet", actual * 100 + normal);
  }
  const int32_t written = Borne(fine / kFin, 0, kXMLDureeMax);
  const bool rest = XMLGetChild(note, "rest", 0) != nullptr;
  int32_t length = written;
  if (sounding == written || sounding == 0 || written == 0 || (rest && written == kDureeRonde)) length = sounding;
  if (written != 0 && length == 0) XMLAddUserAttrLong(note, "hadispdur", written);
  if (XMLGetChild(note, "chord", 0)) {
    XMLAddUserAttrLong(note, "hapos", std::max(0, *position - *previous));
  } else {
    XMLAddUserAttrLong(note, "hapos", *position);
    *position = Borne(int64_t(*position) + length, 0, kXMLDureeMax);
    *previous = length;
  }
  XMLAddUserAttrLong(note, "hadur", length);
  XMLAddUserAttrLong(note, "curdiv", divisions);
}

void LitTemps(XMLElt* time, Handle records, int32_t bar, int32_t* timeCount, bool lastMeasure) {
  DivisionTemporelle d;
  GetDivisionFromXMLTime(time, &d);
  const uint32_t length = uint32_t(LongueurDivision(d));
  const uint16_t beat = uint16_t(d.denominateur);
  if (*timeCount == 0) {
    XMLSetChampNumeroMesure(records, bar, kNumMesureLongueurSignature, length);
    XMLSetChampCourtNumeroMesure(records, bar, kNumMesureTypeTemps, beat);
  } else if (!lastMeasure && bar + 1 < XMLNbNumerosMesure(records)) {
    // A second signature in a measure stands for the next one.
    if (!XMLGetChampNumeroMesure(records, bar + 1, kNumMesureLongueurSignature))
      XMLSetChampNumeroMesure(records, bar + 1, kNumMesureLongueurSignature, length);
    XMLSetChampCourtNumeroMesure(records, bar + 1, kNumMesureTypeTemps, beat);
  }
  (*timeCount)++;
}

void ParcourtMesure(XMLElt* measure, uint32_t part, int32_t bar, int32_t* divisions, bool lastMeasure, Handle records,
                    std::vector<XMLEvent>* events) {
  int32_t position = 0, previous = 0, timeCount = 0;
  for (int32_t i = 0; i < measure->nbChildren; i++) {
    XMLElt* c = measure->children[i];
    const char* n = c->name;
    if (!std::strcmp(n, "attributes")) {
      AjouteEvent(events, kXMLEventAttributs, part, bar, position, *divisions, c);
      // Divisions of 0 or less would make every duration infinite: the
      // previous value stays.
      const int32_t d = XMLGetTextLong(XMLGetChild(c, "divisions", 0));
      if (d != kXMLAbsentLong && d > 0) *divisions = d;
      if (XMLElt* time = XMLGetChild(c, "time", 0)) LitTemps(time, records, bar, &timeCount, lastMeasure);
    } else if (!std::strcmp(n, "direction")) {
      AjouteEvent(events, kXMLEventDirection, part, bar, position, *divisions, c);
    } else if (!std::strcmp(n, "harmony")) {
      AjouteEvent(events, kXMLEventHarmonie, part, bar, position, *divisions, c);
    } else if (!std::strcmp(n, "figured-bass")) {
      AjouteEvent(events, kXMLEventBasseChiffree, part, bar, position, *divisions, c);
    } else if (!std::strcmp(n, "print")) {
      AjouteEvent(events, kXMLEventPrint, part, bar, position, *divisions, c);
    } else if (!std::strcmp(n, "sound")) {
      AjouteEvent(events, kXMLEventSon, part, bar, position, *divisions, c);
    } else if (!std::strcmp(n, "barline")) {
      AjouteEvent(events, kXMLEventBarre, part, bar, position, *divisions, c);
    } else if (!std::strcmp(n, "grouping")) {
      AjouteEvent(events, kXMLEventGroupement, part, bar, position, *divisions, c);
    } else if (!std::strcmp(n, "forward") || !std::strcmp(n, "backup")) {
      const int32_t d = XMLGetTextLong(XMLGetChild(c, "duration", 0));
      if (d != kXMLAbsentLong) {
        const int32_t t = Ticks(d, *divisions);
        // A backup past the start of the measure stops there.
        position = Borne(int64_t(position) + (n[0] == 'f' ? t : -int64_t(t)), 0, kXMLDureeMax);
      }
    } else if (!std::strcmp(n, "note")) {
      PoseTemps(c, &position, &previous, *divisions);
    }
    if (uint32_t(position) > XMLGetChampNumeroMesure(records, bar, kNumMesureLongueur))
      XMLSetChampNumeroMesure(records, bar, kNumMesureLongueur, uint32_t(position));
  }
}

// Bar lengths from the contents, the signatures and the bars before; the
// records past the score's time range are dropped.
void CalculeLongueurs(Handle records) {
  const int32_t n = XMLNbNumerosMesure(records);
  std::vector<uint16_t> rests(size_t(n), 0);
  int64_t start = 0;
  uint32_t previousLength = 0;
  uint16_t previousBeat = 0;
  for (int32_t r = 0; r < n; r++) {
    uint16_t beat = XMLGetChampCourtNumeroMesure(records, r, kNumMesureTypeTemps);
    if (beat == 0) beat = previousBeat;
    previousBeat = beat;
    uint32_t content = XMLGetChampNumeroMesure(records, r, kNumMesureLongueur);
    uint32_t length = (content + kPasLongueur - 1) / kPasLongueur * kPasLongueur;
    if (length == 0) length = XMLGetChampNumeroMesure(records, r, kNumMesureLongueurSignature);
    if (length == 0) length = r == 0 ? uint32_t(kDureeRonde) : previousLength;
    length = std::min<uint32_t>(length, kXMLDureeMax);
    if (start + length > kTempsMaxPartition) {
      SetHandleSize(records, Size(r) * kTailleNumeroMesure);
      rests.resize(size_t(r));
      break;
    }
    XMLSetChampCourtNumeroMesure(records, r, kNumMesureTypeTemps, beat);
    XMLSetChampNumeroMesure(records, r, kNumMesureDebut, uint32_t(start));
    XMLSetChampNumeroMesure(records, r, kNumMesureLongueur, length);
    // Bars are made one per record, in record order.
    XMLSetChampNumeroMesure(records, r, kNumMesureIndex, uint32_t(r));
    rests[size_t(r)] = XMLGetChampCourtNumeroMesure(records, r, kNumMesureSilences);
    start += length;
    previousLength = length;
  }
  const int32_t m = int32_t(rests.size());
  for (int32_t r = 0; r < m; r++) {
    if (!rests[size_t(r)]) continue;
    XMLSetChampCourtNumeroMesure(records, r, kNumMesureSilences, 0);
    for (int32_t k = r + 1; k < r + rests[size_t(r)] && k < m; k++)
      if (!rests[size_t(k)]) XMLSetChampCourtNumeroMesure(records, k, kNumMesureSilences, 1);
  }
}

// Clears the shown clef, key and time signature of every bar: the entries
// staves already have, and the bar rows' own signature flags.
void CacheSignes(Partition** score) {
  for (int16_t s = 0; s < (*score)->nbPortees; s++) {
    Portee** staff = (*score)->portees[s];
    int32_t n = 0;
    GetEltsTabTonalite(staff, &n);
    for (int32_t k = 0; k < n; k++) {
      const EltTabTonalite* t = GetEltsTabTonalite(staff, &n);
      if (k < n && (t[k].visible & 7)) FixeVisibleMesure(score, staff, int16_t(t[k].mesure), 0, 7);
    }
  }
  TabEltMesure* rows = GetLignesTabElt(GetTabEltMesureRuban(score));
  for (int32_t b = 0, n = GetNbMesuresTabEltRuban(score); rows && b < n; b++) rows[b].signatureVisible = 0;
}

// Every bar of the score goes, with everything placed in it.
void SupprimeToutesMesures(Partition** score) {
  DoDeleteMesures(score, 0, (*score)->nbMesures, true, true, kDeleteTout, true);
}

void CreeMesures(Partition** score, Handle records) {
  Tonalite doMajeur;
  SetTonaliteDefaut(&doMajeur);
  FixeTonaliteMesure(score, nullptr, 0, &doMajeur, 0);
  SupprimeToutesMesures(score);
  const int32_t n = XMLNbNumerosMesure(records);
  if (n > 0) {
    // "MusicXML: Creating bars."
    int32_t runStart = 0;
    for (int32_t r = 1; r <= n; r++) {
      const uint32_t length = XMLGetChampNumeroMesure(records, runStart, kNumMesureLongueur);
      if (r < n && XMLGetChampNumeroMesure(records, r, kNumMesureLongueur) == length) continue;
      DivisionTemporelle d;
      XMLDivisionDeLongueur(int32_t(length),
                            int16_t(XMLGetChampCourtNumeroMesure(records, runStart, kNumMesureTypeTemps)), &d);
      InsereMesureChangeEchelleMesure(score, int16_t(runStart), int16_t(r - runStart), true, &d);
      for (int32_t k = runStart; k < r; k++)
        if ((*records)[k * kTailleNumeroMesure + kNumMesureImplicite])
          FixeEtatComptageMesurePartition(score, int16_t(k), 1);
      runStart = r;
    }
  }
  SetTabEltMesureModifie(score, kTabEltTemps);
  UpdateTabEltMesure(score, kTabEltTemps);
  // "MusicXML: Set invisible bars."
  CacheSignes(score);
  // The bar left from before the insertion.
  if (n > 0 && (*score)->nbMesures > n) DeleteMesureChangeEchelleMesure(score, int16_t((*score)->nbMesures - 1), 1);
}

}  // namespace

uint32_t XMLNoteNameToDuration(const char* type) { return uint32_t(ValeurFine(type) / kFin); }

void GetDivisionFromXMLTime(const XMLElt* time, DivisionTemporelle* out) {
  std::memset(out, 0, sizeof *out);
  int32_t beats = -1, beats2 = -1, beatType = -1;
  bool symbol = false, single = false;
  const char* s = XMLGetAttributeValue(time, "symbol");
  if (s && !stricmp(s, "common")) {
    beats = 4, beatType = 4, symbol = true;
  } else if (s && !stricmp(s, "cut")) {
    beats = 2, beatType = 2, symbol = true;
  } else {
    single = s && !stricmp(s, "single-number");
    for (int32_t i = 0; time && i < time->nbChildren; i++) {
      const XMLElt* c = time->children[i];
      if (!c->text) continue;
      if (!std::strcmp(c->name, "beats")) {
        // Counts outside a signature's range are read as absent.
        const int32_t v = XMLGetTextLong(c);
        const bool ok = v >= 1 && v <= 128;
        if (beats < 0) {
          if (std::strchr(c->text, '+')) {
            long a = 0, b = 0;
            if (std::sscanf(c->text, "%ld+%ld", &a, &b) == 2 && a >= 1 && a <= 64 && b >= 1 && b <= 64)
              beats = int32_t(a), beats2 = int32_t(b);
          } else if (ok) {
            beats = v;
          }
        } else if (ok) {
          beats2 = v;
        }
      } else if (!std::strcmp(c->name, "beat-type") && beatType < 0) {
        const int32_t v = XMLGetTextLong(c);
        if (v >= 1 && v <= 128) beatType = v;
      }
    }
  }
  out->numerateur = int16_t((beats < 0 ? 4 : beats) + (beats2 < 0 ? 0 : beats2));
  out->partieAdditive1 = int16_t(beats < 0 ? 4 : beats);
  out->partieAdditive2 = int16_t(beats2 < 0 ? 0 : beats2);
  out->denominateur = int16_t(beatType < 0 ? 4 : beatType);
  out->denominateurAdditif = int16_t(beatType < 0 || single ? -1 : beatType);
  out->octet1 = symbol;
  out->octet2 = 1;
  GetDefautMasqueAccroche(out->numerateur, out->masqueAccroche);
  out->groupePar4 = CanDivisionTemporelleGroupBy4(out) ? 1 : 0;
}

void XMLDivisionDeLongueur(int32_t length, int16_t hint, DivisionTemporelle* out) {
  int32_t num = 0, den = 0;
  if (length < 1) length = kDureeRonde;
  if (hint > 0 && kDureeRonde / hint > 0 && length % (kDureeRonde / hint) == 0) {
    den = hint;
    num = length / (kDureeRonde / hint);
  }
  for (int32_t d = 2; d <= 64 && !den; d *= 2)
    if (length % (kDureeRonde / d) == 0) {
      den = d;
      num = length / (kDureeRonde / d);
    }
  if (!den) {
    den = 128;
    num = (length + kPasLongueur - 1) / kPasLongueur;
  }
  // Halved only while it stays exact: a bar keeps its length.
  while (num > 128 && den > 1 && num % 2 == 0) {
    num /= 2;
    den /= 2;
  }
  num = std::max(1, std::min(num, 32767));
  std::memset(out, 0, sizeof *out);
  out->numerateur = int16_t(num);
  out->denominateur = int16_t(den);
  out->partieAdditive1 = int16_t(num);
  out->denominateurAdditif = int16_t(den);
  out->octet2 = 1;
  GetDefautMasqueAccroche(out->numerateur, out->masqueAccroche);
  out->groupePar4 = CanDivisionTemporelleGroupBy4(out) ? 1 : 0;
}

int ClasseEvents(const void* a, const void* b) {
  const XMLEvent& x = *static_cast<const XMLEvent*>(a);
  const XMLEvent& y = *static_cast<const XMLEvent*>(b);
  if (x.bar != y.bar) return x.bar < y.bar ? -1 : 1;
  if (x.position != y.position) return x.position < y.position ? -1 : 1;
  if (x.part != y.part) return x.part < y.part ? -1 : 1;
  const uint32_t i = x.element ? x.element->index : 0, j = y.element ? y.element->index : 0;
  return i < j ? -1 : i > j ? 1 : 0;
}

int16_t GetOrCreateBar(Partition** score, Handle records, int32_t tick) {
  const int16_t bar = CvtTempsEnMesure(score, tick);
  if (bar < 0) return bar;
  const int32_t start = CvtMesureEnTemps(score, bar);
  if (start == tick) return bar;
  // A full table cannot take the new bar: the event stays in the bar.
  if ((*score)->nbMesures >= kMaxMesures || bar + 1 >= kMaxMesures) return bar;
  const int32_t end = CvtMesureEnTemps(score, bar + 1);
  DivisionTemporelle current;
  CvtMesureEnDivisionTemporelle(score, bar, &current);
  const int16_t hint = current.denominateurAdditif;
  const bool last = bar + 1 >= GetNbMesuresTabEltRuban(score);
  uint8_t nextShown = 0;
  if (!last) nextShown = GetLignesTabElt(GetTabEltMesureRuban(score))[bar + 1].signatureVisible;

  DivisionTemporelle second;
  XMLDivisionDeLongueur(end - tick, hint, &second);
  InsereMesureChangeEchelleMesure(score, int16_t(bar + 1), 1, true, &second);
  const int16_t b2 = int16_t(bar + 1);
  TabEltMesure* rows = GetLignesTabElt(GetTabEltMesureRuban(score));
  const int32_t nbRows = GetNbMesuresTabEltRuban(score);
  // Inserting compares the bar after with the new one: it keeps what it showed.
  if (!last && b2 + 1 < nbRows) rows[b2 + 1].signatureVisible = nextShown;
  if (b2 < nbRows) rows[b2].signatureVisible = 0;
  for (int16_t s = 0; s < (*score)->nbPortees; s++)
    if (CvtNumMesureEnIndxTabTonalite((*score)->portees[s], b2) >= 0)
      FixeVisibleMesure(score, (*score)->portees[s], b2, 0, 7);
  AjouteRuptureEnMesure(score, 5, b2, true, false);
  ReporteRuptureFinMesureSurMesureSuivante(score, bar);
  FixeEtatDecoupeNoteMesurePartition(score, bar, 1);
  rows = GetLignesTabElt(GetTabEltMesureRuban(score));
  if (rows && b2 < GetNbMesuresTabEltRuban(score)) {
    rows[bar].continueLigneSuivante = 1;
    rows[bar].sautSysteme = 0;
    rows[bar].sautPage = 0;
    rows[bar].margeDroite = 0;
    rows[b2].margeGauche = 0;
  }
  FixeEtatComptageMesurePartition(score, b2, 1);

  DivisionTemporelle first;
  XMLDivisionDeLongueur(tick - start, hint, &first);
  DivisionTemporelle d = current;
  d.numerateur = first.numerateur;
  d.denominateur = first.denominateur;
  d.partieAdditive1 = first.partieAdditive1;
  d.partieAdditive2 = 0;
  d.denominateurAdditif = first.denominateurAdditif;
  std::memcpy(d.masqueAccroche, first.masqueAccroche, sizeof d.masqueAccroche);
  d.groupePar4 = first.groupePar4;
  FixeDivisionMesurePartition(score, bar, &d, CvtMesureEnVisibiliteSignatureTemps(score, bar), false);

  const int32_t n = XMLNbNumerosMesure(records);
  for (int32_t r = 0; r < n; r++) {
    const uint32_t b = XMLGetChampNumeroMesure(records, r, kNumMesureIndex);
    if (int32_t(b) > bar) XMLSetChampNumeroMesure(records, r, kNumMesureIndex, b + 1);
  }
  SetTabEltMesureModifie(score, kTabEltTemps);
  return b2;
}

uint8_t XMLCreateMusicFrame(XMLRootElt* tree, Document* doc, Handle records) {
  Partition** score = doc ? doc->partitionCourante : nullptr;
  if (!score || !records) return 0;
  int32_t n = 0;
  XMLElt** reserved = XMLGetElts(tree, "@reserved-pages", &n);
  if (n > 0) {
    const int32_t v = XMLGetTextLong(reserved[0]);
    if (v != kXMLAbsentLong) doc->nbPagesReservees = int16_t(Borne(v, 0, 99));
  }
  XMLDisposeElts(reserved);

  // "MusicXML: Creating frames."
  std::vector<XMLEvent> events;
  int32_t nbScoreParts = 0, nbParts = 0;
  XMLElt** scoreParts = XMLGetElts(tree, "part-list/@score-part", &nbScoreParts);
  XMLElt** parts = XMLGetElts(tree, "@part", &nbParts);
  uint32_t p = 0;
  for (int32_t i = 0; i < nbScoreParts; i++) {
    const char* id = XMLGetAttributeValue(scoreParts[i], "id");
    XMLElt* part = nullptr;
    for (int32_t k = 0; id && k < nbParts && !part; k++) {
      const char* pid = XMLGetAttributeValue(parts[k], "id");
      if (pid && !std::strcmp(pid, id)) part = parts[k];
    }
    // The staves count only the parts that exist: so do the events.
    if (!part) continue;
    int32_t nbMeasures = 0;
    XMLElt** measures = XMLGetEltsInChild(part, "@measure", &nbMeasures);
    int32_t divisions = 16;
    for (int32_t m = 0; m < nbMeasures; m++) {
      const char* number = XMLGetAttributeValue(measures[m], "number");
      const int32_t bar = number ? XMLGetBarNumberingIndexFromIndexAndName(records, m, number)
                                 : (XMLNbNumerosMesure(records) > 0 ? 0 : -1);
      // A measure without a record has no bar to stand in.
      if (bar < 0) continue;
      XMLSetBarWidth(bar, XMLGetAttributeFloat(measures[m], "width"));
      ParcourtMesure(measures[m], p, bar, &divisions, m == nbMeasures - 1, records, &events);
    }
    XMLDisposeElts(measures);
    p++;
  }
  XMLDisposeElts(parts);
  XMLDisposeElts(scoreParts);

  CalculeLongueurs(records);
  CreeMesures(score, records);

  // Events of records dropped with the time range go with them.
  const uint32_t nbRecords = uint32_t(XMLNbNumerosMesure(records));
  events.erase(std::remove_if(events.begin(), events.end(), [&](const XMLEvent& e) { return e.bar >= nbRecords; }),
               events.end());
  if (!events.empty()) std::qsort(events.data(), events.size(), sizeof(XMLEvent), ClasseEvents);
  SetDisableMaskTabEltMesureModifie(score, kTabEltEspacement | kTabEltMarges);
  const uint8_t ok = XMLApplyEvents(events.data(), int32_t(events.size()), records, doc);
  SetDisableMaskTabEltMesureModifie(score, 0);
  if (ok != 1) return 0;
  events.clear();

  XMLProcessCredits(doc, tree);
  UpdateTabEltMesure(score, kTabEltTemps);
  XMLFixeMesuresPartition(records);
  XMLAppliquePagination(doc);
  XMLConvertFreeObjectsToDocumentInfo(doc);
  XMLAppliquePagination(doc);
  XMLProcessImages(doc, tree);
  XMLProcessExtraGraphics(doc, tree);
  CalculeTabCvtMesure(score);

  XMLElt** played = XMLGetElts(tree, "@played-measures", &n);
  const char* text = n > 0 ? XMLGetText(played[0]) : nullptr;
  if (text && CvtStringToTabMesures(score, text, int32_t(std::strlen(text)), nullptr)) {
    (*score)->tabCvtMesureUtilisateur = 1;
    if (Handle physical = ConvertTabMesureLogiqueEnPhysique(score, (*score)->tabCvtMesure)) {
      LibereHandle(&(*score)->tabCvtMesure);
      (*score)->tabCvtMesure = physical;
      (*score)->nbCvtMesures = int16_t(GetHandleSize(physical) / Size(sizeof(LigneCvtMesure)));
    }
  }
  XMLDisposeElts(played);
  return 1;
}

// SEAM(import): the jump dictionary of direction events, once they are read.
void XMLDisposeJumpDict() {}
