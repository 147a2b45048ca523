#include "import/XMLGraces.h"

#include <cmath>
#include <cstring>
#include <vector>

#include "import/XMLNotations.h"
#include "import/XMLPileNotes.h"
#include "model/CvtTemps.h"
#include "model/ParamEffet.h"
#include "model/Partition.h"
#include "model/Portee.h"
#include "model/QRVPOBJ.h"
#include "model/QrvDynamics.h"
#include "model/Signe.h"
#include "system/Strings.h"

namespace {

constexpr int32_t kNoire = 40320;
constexpr int32_t kVoleDefaut = 2520;

bool Oui(const char* v) { return v && !stricmp(v, "yes"); }

// A run of grace notes waiting for its main note.
struct Serie {
  bool ouverte = false;
  uint32_t temps = 0;
  Portee** staff = nullptr;
  std::vector<int32_t> graces;  // indexes in the grace stack
  bool coulee = false;
  XMLNoteStackEntry coule;
  bool apres = false;
  bool barree = false;
  bool tigesEnBas = false;
};

int32_t DureeA(Portee** staff, int32_t index) {
  int32_t n = 0;
  const Signe* s = GetSignesPortee(staff, &n);
  return s && index >= 0 && index < n ? s[index].duree : 0;
}

// The main note of a run: the slur's note when the run is slurred, else the
// first member of the chord at the run's tick.
int32_t NotePrincipale(const Serie& serie) {
  if (serie.coulee) return RechercheSigne(serie.staff, int32_t(serie.coule.temps), serie.coule.note.kind);
  return RechercheSigne(serie.staff, int32_t(serie.temps), -2);
}

void Attache(Serie* serie) {
  Portee** staff = serie->staff;
  const int32_t principale = staff ? NotePrincipale(*serie) : -1;
  int32_t n = 0;
  const Signe* s = GetSignesPortee(staff, &n);
  if (!s || principale < 0 || principale >= n) {
    *serie = Serie();
    return;
  }
  const int8_t hauteur = s[principale].kind;
  const int32_t duree = s[principale].duree;
  const int32_t debutAccord = CalculeIndexNoteDebutAccord(staff, principale);
  s = GetSignesPortee(staff, &n);
  int32_t finAccord = principale;
  while (finAccord + 1 < n && (s[finAccord].flags & kSigneAccordSuite)) finAccord++;
  const int32_t avant = debutAccord > 0 ? DureeA(staff, debutAccord - 1) : 1;
  const int32_t apres = finAccord + 1 < n ? DureeA(staff, finAccord + 1) : 1;
  int64_t vole = 0, nominal = 0;
  for (int32_t k : serie->graces) {
    const XMLNoteStackEntry* g = XMLGetNoteInStack(kXMLPileGraces, k);
    if (!g) continue;
    XMLElt* note = g->element;
    const char* type = XMLGetText(XMLGetChild(note, "type", 0));
    int32_t code = 0;
    if (type && !stricmp(type, "16th")) code = 1;
    else if (type && !stricmp(type, "32nd")) code = 2;
    else if (type && !stricmp(type, "64th")) code = 3;
    else if (type && !stricmp(type, "128th")) code = 4;
    uint8_t accident = kAlterationAucune;
    if (XMLElt* a = XMLGetChild(note, "accidental", 0)) {
      accident = uint8_t(XMLCvtAccidentalEnAlteration(XMLGetText(a)));
      // Editorial and parenthesised accidentals are both drawn in parentheses.
      if (Oui(XMLGetAttributeValue(a, "editorial")) || Oui(XMLGetAttributeValue(a, "parentheses")))
        accident |= kAlterationParentheses;
      if (Oui(XMLGetAttributeValue(a, "cautionary"))) accident |= kAlterationToujours;
    }
    if (!AddGraceNote(staff, principale, serie->apres ? 1 : 0, uint8_t(int8_t(g->note.kind - hauteur)), accident, 1,
                      -1))
      continue;
    ParamEffet* e = GetParamEffetIndexNote(staff, principale);
    if (!e) continue;
    int32_t slot = 0;
    while (slot + 1 < kNbGraceNotes && e->graces[slot + 1].utilise) slot++;
    if (slot > 0 && XMLGetChild(note, "chord", 0)) e->graces[slot - 1].accord = 1;
    const float d = XMLGetAttributeFloat(note, "dynamics");
    if (d < 1e20f && d > -1e20f) {
      const float v = std::round(0.9f * d);
      e->graces[slot].octet5 = uint8_t(v < 0 ? 0 : v > 127 ? 127 : int32_t(v));
    }
    e->graces[slot].decalageDuree = int8_t(code);
    if (XMLElt* grace = XMLGetChild(note, "grace", 0)) {
      float p = XMLGetAttributeFloat(grace, "steal-time-previous");
      float f = XMLGetAttributeFloat(grace, "steal-time-following");
      // Percentages past 100 steal no more than the whole note.
      p = p < 1e20f && p > 0 ? std::fmin(p, 100.0f) : 0;
      f = f < 1e20f && f > 0 ? std::fmin(f, 100.0f) : 0;
      if (p != 0 || f != 0) {
        if (serie->apres) vole += LMulDiv(int32_t(p), duree, 100) + LMulDiv(int32_t(f), apres, 100);
        else vole += LMulDiv(int32_t(p), avant, 100) + LMulDiv(int32_t(f), duree, 100);
      } else {
        vole += kVoleDefaut;
      }
      nominal += kNoire >> code;
    }
  }
  if (ParamEffet* e = GetParamEffetIndexNote(staff, principale)) {
    if (nominal != 0) {
      const int64_t ratio = vole * 512 / nominal;
      e->mot32 = uint16_t(ratio < 0 ? 0 : ratio > 65535 ? 65535 : ratio);
    }
    // The group byte, then slurred, slashed and stems-down.
    e->quatreOctets[0] = 32;
    e->quatreOctets[1] = serie->coulee ? 1 : 0;
    e->quatreOctets[2] = serie->barree ? 1 : 0;
    e->quatreOctets[3] = serie->tigesEnBas ? 1 : 0;
  }
  *serie = Serie();
}

void ShiftePortee(Portee** staff, const Dynamique* object, int16_t octaves) {
  int32_t premier = 0, dernier = 0;
  CvtDynamiqueEnIndexNotes(staff, object, &premier, &dernier);
  int32_t n = 0;
  Signe* s = GetSignesPortee(staff, &n);
  if (!s) return;
  if (premier < 0) premier = 0;
  if (dernier > n) dernier = n;
  for (int32_t i = premier; i < dernier; i++) {
    if (s[i].kind < 1) continue;
    // A pitch stays a pitch: a shift past either end leaves the note.
    const int32_t h = s[i].kind - 12 * octaves;
    if (h < 0 || h > 127) continue;
    s[i].kind = int8_t(h);
    s[i].kindCopie = int8_t(h);
    if (s[i].longueurQueue != 0 && s[i].longueurQueue != 21) {
      const int32_t d = 21 * octaves;
      s[i].longueurQueue = uint8_t(s[i].longueurQueue + ((s[i].flags & kSigneQueueEnBas) ? -d : d));
    }
  }
}

}  // namespace

void XMLPushGrace(XMLElt* note, Portee** staff, uint32_t divisions, uint32_t tick, const Signe* record, uint32_t part,
                  int32_t voice) {
  if (!XMLPushNote(kXMLPileGraces, kXMLEntreeGrace, note, staff, divisions, tick, record, nullptr)) return;
  for (int32_t i = 0; i < note->nbChildren; i++) {
    XMLElt* notations = note->children[i];
    if (std::strcmp(notations->name, "notations")) continue;
    for (int32_t k = 0; k < notations->nbChildren; k++) {
      XMLElt* slur = notations->children[k];
      if (std::strcmp(slur->name, "slur")) continue;
      const char* type = XMLGetAttributeValue(slur, "type");
      char key[kXMLTailleCle];
      XMLCleCoule(key, part, voice, slur);
      if (type && !stricmp(type, "start")) {
        // Completed by the stop of its main note.
        XMLPushNote(kXMLPileGraces, kXMLEntreeCouleDepuisGrace, nullptr, staff, divisions, tick, record, key);
      } else if (type && !stricmp(type, "stop")) {
        // The slur from a main note ends on this grace note: the start is its
        // main note (continuations on the way are dropped).
        XMLNoteStackEntry e;
        while (XMLPopNote(kXMLPileCoules, nullptr, -2, key, &e)) {
          if (e.kind != kXMLEntreeDebut) continue;
          XMLPushNote(kXMLPileGraces, kXMLEntreeCouleVersGrace, e.element, e.staff, e.divisions, e.temps, &e.note, key);
          break;
        }
      }
    }
  }
}

void XMLAttacheGraces() {
  Serie serie;
  const int32_t n = XMLGetNbNoteInStack(kXMLPileGraces);
  for (int32_t i = 0; i < n; i++) {
    const XMLNoteStackEntry* e = XMLGetNoteInStack(kXMLPileGraces, i);
    if (e->kind == kXMLEntreeGrace) {
      if (serie.ouverte && (e->temps != serie.temps || e->staff != serie.staff)) Attache(&serie);
      if (!serie.ouverte) {
        serie.ouverte = true;
        serie.temps = e->temps;
        serie.staff = e->staff;
      }
      serie.graces.push_back(i);
      XMLElt* grace = XMLGetChild(e->element, "grace", 0);
      if (Oui(XMLGetAttributeValue(grace, "slash"))) serie.barree = true;
      const char* stem = XMLGetText(XMLGetChild(e->element, "stem", 0));
      if (stem && !std::strcmp(stem, "down")) serie.tigesEnBas = true;
    } else if ((e->kind == kXMLEntreeCouleDepuisGrace || e->kind == kXMLEntreeCouleVersGrace) && e->element &&
               serie.ouverte) {
      serie.coulee = true;
      serie.coule = *e;
      if (e->kind == kXMLEntreeCouleVersGrace) serie.apres = true;
    }
  }
  if (serie.ouverte) Attache(&serie);
}

void XMLAppliqueArpeges(Partition** score) {
  for (int16_t p = 0; p < (*score)->nbPortees; p++) {
    Portee** staff = (*score)->portees[p];
    int32_t n = 0;
    Signe* s = GetSignesPortee(staff, &n);
    for (int32_t i = 0; s && i < n; i++) {
      const ParamEffet* e = GetParamEffetNote(staff, s + i);
      uint8_t actif = 0;
      if (!e || !e->arpegePas || !IsMarkInParamEffet(e, kMarkArpege, &actif)) continue;
      AppliqueArpeggio(s, i, n, e->arpegeDebut, e->arpegePas, e->arpegeDescendant);
    }
  }
}

void XMLDrapeauxSilences(Partition** score) {
  // Rests are left visible: the mark only tells which rests the file placed,
  // and goes once the pass is over.
  for (int16_t p = 0; p < (*score)->nbPortees; p++) {
    int32_t n = 0;
    Signe* s = GetSignesPortee((*score)->portees[p], &n);
    for (int32_t i = 0; s && i < n; i++) s[i].flags &= uint16_t(~kXMLSilencePlacee);
  }
}

void AppliqueUnOctaveShift(Partition** score, Portee** staff, const Dynamique* object, int16_t octaves) {
  if (!score || !staff || !object) return;
  if ((*staff)->modeFusion == kFusionAucune) {
    ShiftePortee(staff, object, octaves);
    return;
  }
  for (Portee** s = CvtPorteeEnPorteeDebutFusion(staff); s; s = PorteeSuivante(s)) {
    const bool suite = (*s)->fusionneAvecSuivante != 0;
    const uint32_t mode = (*s)->modeFusion;
    (*s)->modeFusion = kFusionAucune;
    ShiftePortee(s, object, octaves);
    (*s)->modeFusion = mode;
    if (!suite) break;
  }
}

void XMLAppliqueOctaves(Partition** score) {
  for (int16_t p = 0; p < (*score)->nbPortees; p++) {
    Portee** staff = (*score)->portees[p];
    if ((*staff)->modeFusion != kFusionAucune && (*staff)->modeFusion != kFusionMaitre) continue;
    int32_t n = 0;
    GetDynamiquesPortee(staff, &n);
    for (int32_t i = 0; i < n; i++) {
      const Dynamique d = GetDynamiquesPortee(staff, &n)[i];
      int16_t octaves = 0;
      switch (d.type) {
        case kDynOctavePlus1: octaves = 1; break;
        case kDynOctaveMoins1: octaves = -1; break;
        case kDynOctavePlus2: octaves = 2; break;
        case kDynOctaveMoins2: octaves = -2; break;
        default: break;
      }
      if (d.actif && octaves) AppliqueUnOctaveShift(score, staff, &d, octaves);
    }
  }
}

void XMLTermineNotes(Partition** score) {
  if (score) {
    XMLAttacheGraces();
    XMLAppliqueArpeges(score);
    XMLDrapeauxSilences(score);
  }
  XMLDisposeNoteStacks();
  if (score) XMLAppliqueOctaves(score);
}
