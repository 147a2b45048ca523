#include "import/XMLPileNotes.h"

#include <cstdio>
#include <cstring>
#include <vector>

#include "import/MusicXML.h"
#include "model/CvtTemps.h"
#include "model/ParamEffet.h"
#include "model/Portee.h"
#include "model/Tonalite.h"
#include "notation/Alterations.h"
#include "notation/QrvLiaisonCoule.h"
#include "system/Strings.h"

namespace {

std::vector<XMLNoteStackEntry> gPiles[kXMLNbPiles];

// Grace entries searched back for a slur started on a grace note.
constexpr int32_t kXMLGracesCherchees = 64;

bool PileValide(int stack) { return stack >= 0 && stack < kXMLNbPiles; }

bool Correspond(const XMLNoteStackEntry& e, Portee** staff, int32_t pitch, const char* key) {
  if (staff && e.staff != staff) return false;
  if (pitch >= -1 && e.note.kind != pitch) return false;
  return !key || !std::strcmp(e.cle, key);
}

bool Egal(const char* a, const char* b) { return a && b && !stricmp(a, b); }

// The note of an end, moved to a chord member of the pitch that does not
// hold such an end yet; when every one does, a copy of the note holds it.
int32_t BoutLibre(Portee** staff, int32_t tick, int32_t pitch, bool source) {
  int32_t i = RechercheSigne(staff, tick, pitch);
  int32_t n = 0;
  const Signe* s = GetSignesPortee(staff, &n);
  if (!s || i < 0 || i >= n) return -1;
  auto tenu = [&](int32_t k) {
    return (source ? GetLiaisonSourceNote(staff, k, nullptr, kLiaisonCoule)
                   : GetLiaisonDestNote(staff, k, nullptr, kLiaisonCoule)) != 0;
  };
  while (tenu(i) && i + 1 < n && (s[i].flags & kSigneAccordSuite) && s[i + 1].kind == s[i].kind) {
    i++;
    s = GetSignesPortee(staff, &n);
  }
  if (tenu(i)) i = DupliqueNote(staff, i, false);
  return i;
}

bool TigeEnBas(Portee** staff, int32_t index) {
  int32_t n = 0;
  const Signe* s = GetSignesPortee(staff, &n);
  return s && index >= 0 && index < n && (s[index].flags & kSigneQueueEnBas);
}

bool DansAccord(Portee** staff, int32_t index) {
  int32_t n = 0;
  const Signe* s = GetSignesPortee(staff, &n);
  return s && index >= 0 && index < n && (s[index].flags & kSigneAccordSuite);
}

void FormeSource(Portee** staff, int32_t source, bool over, bool destDown) {
  DataLiaison data;
  if (!GetDataLiaisonNote(staff, source, &data)) return;
  XMLFormeLie(&data, over, TigeEnBas(staff, source), destDown, DansAccord(staff, source),
              XMLGetInterligneNote(staff, source, nullptr));
  SetDataLiaisonNote(staff, source, &data);
}

template <typename T>
void Ecrit(DataLiaison* d, int offset, T v) {
  std::memcpy(d->forme + offset, &v, sizeof v);
}

// The semitone-to-step table of a pitch class.
constexpr int8_t kDegre[12] = {0, 0, 1, 1, 2, 3, 3, 4, 4, 5, 5, 6};

void CleNombre(char out[kXMLTailleCle], uint32_t part, int32_t voice, const char* number) {
  std::snprintf(out, kXMLTailleCle, "%u-%d-%s", part, voice, number ? number : "");
}

// The key of the latest slur pending in the part of the key under the same
// number, in another voice; false when none.
bool CleAutreVoix(const char* key, char out[kXMLTailleCle]) {
  const char* a = std::strchr(key, '-');
  const char* b = a ? std::strchr(a + 1, '-') : nullptr;
  if (!b) return false;
  const size_t partie = size_t(a - key) + 1;
  for (int32_t i = XMLGetNbNoteInStack(kXMLPileCoules); i-- > 0;) {
    const char* cle = XMLGetNoteInStack(kXMLPileCoules, i)->cle;
    const char* c = std::strchr(cle, '-');
    const char* d = c ? std::strchr(c + 1, '-') : nullptr;
    if (!d || std::strncmp(cle, key, partie) || std::strcmp(d, b)) continue;
    strnzcpy(out, cle, kXMLTailleCle);
    return true;
  }
  return false;
}

}  // namespace

bool XMLPushNote(int stack, uint16_t kind, XMLElt* element, Portee** staff, uint32_t divisions, uint32_t tick,
                 const Signe* note, const char* key) {
  if (!PileValide(stack)) return false;
  std::vector<XMLNoteStackEntry>& pile = gPiles[stack];
  if (int32_t(pile.size()) >= (stack == kXMLPileGraces ? kXMLMaxEntreesPileGraces : kXMLMaxEntreesPile)) {
    XMLErr("Too many pending notes");
    return false;
  }
  XMLNoteStackEntry e;
  std::memset(&e, 0, sizeof e);
  if (key) strnzcpy(e.cle, key, sizeof e.cle);
  if (note) e.note = *note;
  e.divisions = divisions;
  e.temps = tick;
  e.staff = staff;
  e.kind = kind;
  e.element = element;
  pile.push_back(e);
  return true;
}

int XMLPopNote(int stack, Portee** staff, int32_t pitch, const char* key, XMLNoteStackEntry* out) {
  if (!PileValide(stack)) return 0;
  std::vector<XMLNoteStackEntry>& pile = gPiles[stack];
  for (size_t i = pile.size(); i-- > 0;) {
    if (!Correspond(pile[i], staff, pitch, key)) continue;
    if (out) *out = pile[i];
    pile.erase(pile.begin() + std::ptrdiff_t(i));
    return 1;
  }
  return 0;
}

int XMLIsStackMatch(int stack, int32_t index, Portee** staff, int32_t pitch, const char* key) {
  const XMLNoteStackEntry* e = XMLGetNoteInStack(stack, index);
  return e && Correspond(*e, staff, pitch, key) ? 1 : 0;
}

XMLNoteStackEntry* XMLGetNoteInStack(int stack, int32_t index) {
  if (!PileValide(stack) || index < 0 || index >= int32_t(gPiles[stack].size())) return nullptr;
  return &gPiles[stack][size_t(index)];
}

int32_t XMLGetNbNoteInStack(int stack) { return PileValide(stack) ? int32_t(gPiles[stack].size()) : 0; }

void XMLSupprimeNoteInStack(int stack, int32_t index) {
  if (XMLGetNoteInStack(stack, index)) gPiles[stack].erase(gPiles[stack].begin() + index);
}

void XMLDisposeNoteStacks() {
  for (auto& pile : gPiles) std::vector<XMLNoteStackEntry>().swap(pile);
}

int32_t RechercheSigne(Portee** staff, int32_t tick, int32_t pitch) {
  if (!staff) return -1;
  int32_t i = CvtTempsEnIndexNote(staff, tick);
  int32_t n = 0;
  GetSignesPortee(staff, &n);
  if (i >= n) return i;
  // No record starts at the tick: the chord sounding there.
  if (i > 0 && CvtIndexNoteEnTemps(staff, i) > tick) i = CalculeIndexNoteDebutAccord(staff, i - 1);
  const Signe* s = GetSignesPortee(staff, &n);
  if (pitch >= -1)
    while (i + 1 < n && s[i].kind != pitch && (s[i].flags & kSigneAccordSuite)) i++;
  return i;
}

int32_t XMLAjouteNoteUnisson(Portee** staff, const Signe* note, int32_t tick) {
  if (!staff || !note || note->kind < 0) return -1;
  // A stand-in pitch that no member of the chord at the tick has.
  bool pris[128] = {};
  int32_t n = 0;
  int32_t i = CvtTempsEnIndexNote(staff, tick);
  const Signe* s = GetSignesPortee(staff, &n);
  if (s && i < n && CvtIndexNoteEnTemps(staff, i) == tick) {
    s = GetSignesPortee(staff, &n);
    for (int32_t k = i; k < n; k++) {
      if (s[k].kind >= 0) pris[s[k].kind] = true;
      if (!(s[k].flags & kSigneAccordSuite)) break;
    }
  }
  int8_t provisoire = 1;
  while (provisoire < 127 && pris[provisoire]) provisoire++;
  Signe modele = *note;
  modele.kind = provisoire;
  int32_t r = AjouteNoteEnPosExacte(staff, &modele, tick, 0, 0);
  if (r < 0) return r;
  s = GetSignesPortee(staff, &n);
  if (r >= n) return -1;
  Signe* t = GetSignesPortee(staff, &n);
  t[r].kind = note->kind;
  t[r].kindCopie = note->kind;
  // Back in the chord's order (longest first, then from the top).
  return ReclasseNotesDansAccord(staff, r, 0);
}

int32_t DupliqueNote(Portee** staff, int32_t index, bool turnStem) {
  int32_t n = 0;
  const Signe* s = GetSignesPortee(staff, &n);
  if (!s || index < 0 || index >= n || s[index].kind < 0) return -1;
  Signe copie = s[index];
  copie.indexParamEffet = -1;
  copie.flags &= uint16_t(~kSigneAccordSuite);
  if (turnStem) {
    if (copie.flags & kSigneQueueEnBas) copie.flags &= uint16_t(~kSigneQueueEnBas);
    else copie.flags |= kSigneQueueEnBas;
  } else {
    copie.taille = 0;
  }
  const int32_t tick = CvtIndexNoteEnTemps(staff, index);
  int32_t r = XMLAjouteNoteUnisson(staff, &copie, tick);
  if (r < 0) return r;
  s = GetSignesPortee(staff, &n);
  // The original keeps its place in the chord: find it again by its effects
  // and flags (the insertion may have moved it within its chord).
  int32_t original = index;
  const int32_t debut = CalculeIndexNoteDebutAccord(staff, r);
  s = GetSignesPortee(staff, &n);
  for (int32_t k = debut; k < n; k++) {
    if (k != r && s[k].kind == copie.kind && s[k].duree == copie.duree) {
      original = k;
      break;
    }
    if (!(s[k].flags & kSigneAccordSuite)) break;
  }
  if (r > original) {
    Signe* t = GetSignesPortee(staff, &n);
    const uint16_t fa = t[original].flags & kSigneAccordSuite, fb = t[r].flags & kSigneAccordSuite;
    Signe a = t[original];
    t[original] = t[r];
    t[r] = a;
    t[original].flags = uint16_t((t[original].flags & ~kSigneAccordSuite) | fa);
    t[r].flags = uint16_t((t[r].flags & ~kSigneAccordSuite) | fb);
    InvalideNotesPortee(staff, original);
    r = original;
  }
  return r;
}

int16_t XMLGetInterligneNote(Portee** staff, int32_t index, uint8_t* accidental) {
  int32_t n = 0;
  const Signe* s = GetSignesPortee(staff, &n);
  if (!s || index < 0 || index >= n) {
    if (accidental) *accidental = kAlterationAucune;
    return 0;
  }
  const Signe note = s[index];
  const int32_t tick = CvtIndexNoteEnTemps(staff, index);
  int16_t ligne = 0;
  uint8_t montre = kAlterationAucune;
  CalcPosAlterationFnNote(staff, &note, &ligne, &montre, index, tick);
  if (accidental) *accidental = montre;
  const int32_t b = CvtTempsEnNoteDeBase(staff, tick);
  const int32_t base = b >= 0 ? 7 * (b / 12) + kDegre[b % 12] : 0;
  return int16_t(ligne - (base + 8));
}

void XMLFormeLie(DataLiaison* d, bool over, bool sourceDown, bool destDown, bool membre, int16_t L) {
  const int m = membre ? 1 : 0;
  d->formeType = 2;
  if (over) {
    Ecrit<int8_t>(d, kFormeLiaisonDebutDx, int8_t(sourceDown ? 4 * m + 5 : 8));
    Ecrit<int8_t>(d, kFormeLiaisonDebutDy, -4);
    Ecrit<int16_t>(d, kFormeLiaisonControleY,
                   int16_t(L == -10 || L == -8 || L == -6 || L == -4 || L == -2 ? -700 : -460));
    Ecrit<int8_t>(d, kFormeLiaisonFinDx, int8_t(membre ? -2 : 2));
    Ecrit<int8_t>(d, kFormeLiaisonFinDy, -4);
  } else {
    Ecrit<int8_t>(d, kFormeLiaisonDebutDx, int8_t((sourceDown ? 1 : 0) + 4 * m + 4));
    Ecrit<int8_t>(d, kFormeLiaisonDebutDy, 5);
    Ecrit<int16_t>(d, kFormeLiaisonControleY, int16_t(L == -4 || L == -2 || L == 0 || L == 2 ? 750 : 490));
    Ecrit<int8_t>(d, kFormeLiaisonFinDx, int8_t(destDown ? -2 : 3 - 4 * m));
    Ecrit<int8_t>(d, kFormeLiaisonFinDy, 5);
  }
  Ecrit<uint16_t>(d, kFormeLiaisonControleX, 500);
  d->forme[kFormeLiaisonGarde] = 0;
}

void XMLCleCoule(char out[kXMLTailleCle], uint32_t part, int32_t voice, const XMLElt* slur) {
  const char* number = XMLGetAttributeValue(slur, "number");
  CleNombre(out, part, voice, number ? number : "1");
}

void XMLCleBeam(char out[kXMLTailleCle], uint32_t part, int32_t voice, const XMLElt* beam) {
  CleNombre(out, part, voice, XMLGetAttributeValue(beam, "number"));
}

void XMLPushTies(XMLElt* notations, Portee** staff, uint32_t divisions, uint32_t tick, const Signe* note) {
  if (!notations) return;
  // A let-ring tie has no note at its other end: it is no part of a chain.
  XMLElt* first = nullptr;
  int32_t count = 0;
  for (int32_t i = 0; i < notations->nbChildren; i++) {
    XMLElt* c = notations->children[i];
    if (std::strcmp(c->name, "tied")) continue;
    const char* type = XMLGetAttributeValue(c, "type");
    if (type && !stricmp(type, "let-ring")) continue;
    if (!first) first = c;
    count++;
  }
  if (!first) return;
  if (count >= 2) {
    XMLPushNote(kXMLPileLiaisons, kXMLEntreeSuite, first, staff, divisions, tick, note, nullptr);
    return;
  }
  const char* type = XMLGetAttributeValue(first, "type");
  if (type && !stricmp(type, "start")) {
    XMLPushNote(kXMLPileLiaisons, kXMLEntreeDebut, first, staff, divisions, tick, note, "start");
  } else if (type && !stricmp(type, "stop")) {
    if (XMLPushNote(kXMLPileLiaisons, kXMLEntreeFin, first, staff, divisions, tick, note, "stop"))
      XMLProcessTie(staff, note->kind);
  } else {
    XMLPushNote(kXMLPileLiaisons, kXMLEntreeSuite, first, staff, divisions, tick, note, "cont");
  }
}

void XMLPushSlur(XMLElt* slur, const char* key, Portee** staff, uint32_t divisions, uint32_t tick, const Signe* note) {
  const char* type = XMLGetAttributeValue(slur, "type");
  if (!type) return;
  const int32_t n = XMLGetNbNoteInStack(kXMLPileCoules);
  bool pending = false;
  for (int32_t i = 0; i < n && !pending; i++) pending = XMLIsStackMatch(kXMLPileCoules, i, nullptr, -2, key);
  if (!stricmp(type, "start")) {
    if (pending) {
      XMLErr("Malformed/nested slur");
      XMLProcessSlur(key);
    }
    XMLPushNote(kXMLPileCoules, kXMLEntreeDebut, slur, staff, divisions, tick, note, key);
  } else if (!stricmp(type, "continue")) {
    if (!pending) XMLErr("Slur continue w/out start");
    XMLPushNote(kXMLPileCoules, kXMLEntreeSuite, slur, staff, divisions, tick, note, key);
  } else if (!stricmp(type, "stop")) {
    char autre[kXMLTailleCle];
    if (!pending && CleAutreVoix(key, autre)) {
      // A slur may end in another voice of its part than the one it began in.
      key = autre;
      pending = true;
    }
    if (!pending) {
      // A slur started on a grace note of this staff ends here. Its main
      // note follows it closely: only the latest grace entries are searched.
      const int32_t nb = XMLGetNbNoteInStack(kXMLPileGraces);
      for (int32_t i = nb; i-- > 0 && i >= nb - kXMLGracesCherchees;) {
        XMLNoteStackEntry* g = XMLGetNoteInStack(kXMLPileGraces, i);
        if (g->kind != kXMLEntreeCouleDepuisGrace || g->element || g->staff != staff || !Egal(g->cle, key)) continue;
        if (note) g->note = *note;
        g->temps = tick;
        g->divisions = divisions;
        g->element = slur;
        return;
      }
    }
    if (XMLPushNote(kXMLPileCoules, kXMLEntreeFin, slur, staff, divisions, tick, note, key)) XMLProcessSlur(key);
  }
}

void XMLPushBeam(XMLElt* beam, const char* key, Portee** staff, uint32_t divisions, uint32_t tick, const Signe* note) {
  const char* text = XMLGetText(beam);
  if (!text) return;
  const int32_t n = XMLGetNbNoteInStack(kXMLPilePoutres);
  bool pending = false;
  for (int32_t i = 0; i < n && !pending; i++) pending = XMLIsStackMatch(kXMLPilePoutres, i, nullptr, -2, key);
  if (!std::strcmp(text, "begin")) {
    if (pending) {
      XMLErr("Malformed/nested beam");
      while (XMLPopNote(kXMLPilePoutres, nullptr, -2, key, nullptr)) {
      }
    }
    XMLPushNote(kXMLPilePoutres, kXMLEntreeDebut, beam, staff, divisions, tick, note, key);
  } else if (!std::strcmp(text, "continue")) {
    if (!pending) XMLErr("Beam continue w/out start");
    XMLPushNote(kXMLPilePoutres, kXMLEntreeSuite, beam, staff, divisions, tick, note, key);
  } else if (!std::strcmp(text, "end")) {
    if (XMLPushNote(kXMLPilePoutres, kXMLEntreeFin, beam, staff, divisions, tick, note, key)) XMLProcessBeam(key);
  }
}

void XMLProcessTie(Portee** staff, int32_t pitch) {
  XMLNoteStackEntry dest;
  if (!XMLPopNote(kXMLPileLiaisons, staff, pitch, nullptr, &dest)) {
    XMLErr("Orphan tie");
    return;
  }
  bool lie = false;
  XMLNoteStackEntry source;
  bool fini = !std::strcmp(dest.cle, "start");
  while (!fini && XMLPopNote(kXMLPileLiaisons, staff, pitch, nullptr, &source)) {
    fini = !std::strcmp(source.cle, "start");
    const int32_t s = BoutLibre(staff, int32_t(source.temps), pitch, true);
    const int32_t d = s >= 0 ? BoutLibre(staff, int32_t(dest.temps), pitch, false) : -1;
    if (s >= 0 && d >= 0 && s != d && SetLiaison(staff, s, staff, d, kLiaisonCoule)) {
      lie = true;
      const char* orientation = XMLGetAttributeValue(source.element, "orientation");
      const bool over = orientation ? !std::strcmp(orientation, "over") : XMLGetInterligneNote(staff, s, nullptr) >= -3;
      FormeSource(staff, s, over, (dest.note.flags & kSigneQueueEnBas) != 0);
    }
    dest = source;
  }
  if (!lie) XMLErr("Orphan tie");
}

void XMLSOSTies() {
  XMLNoteStackEntry e;
  while (XMLPopNote(kXMLPileLiaisons, nullptr, -2, nullptr, &e)) {
    if (!e.staff || e.note.kind < 0) continue;
    const int32_t s = RechercheSigne(e.staff, int32_t(e.temps), e.note.kind);
    const int32_t fin = int32_t(e.temps) + e.note.duree;
    const int32_t d = RechercheSigne(e.staff, fin, e.note.kind);
    int32_t n = 0;
    const Signe* notes = GetSignesPortee(e.staff, &n);
    if (!notes || s < 0 || d < 0 || s >= n || d >= n || s == d) continue;
    // Only the note of the pitch that starts where the start ends.
    if (notes[s].kind != e.note.kind || notes[d].kind != e.note.kind) continue;
    if (CvtIndexNoteEnTemps(e.staff, d) != fin) continue;
    SetLiaison(e.staff, s, e.staff, d, kLiaisonCoule);
  }
}

void XMLProcessSlur(const char* key) {
  XMLNoteStackEntry dest;
  if (!XMLPopNote(kXMLPileCoules, nullptr, -2, key, &dest)) {
    XMLErr("Orphan slur");
    return;
  }
  bool fini = dest.kind == kXMLEntreeDebut;
  XMLNoteStackEntry source;
  while (!fini && XMLPopNote(kXMLPileCoules, nullptr, -2, key, &source)) {
    fini = source.kind == kXMLEntreeDebut;
    XMLNoteStackEntry d0 = dest;
    dest = source;
    if (source.temps > d0.temps || !source.staff || !d0.staff) continue;
    const int32_t s = BoutLibre(source.staff, int32_t(source.temps), source.note.kind, true);
    if (s < 0) continue;
    const int32_t d = BoutLibre(d0.staff, int32_t(d0.temps), d0.note.kind, false);
    if (d < 0 || !SetLiaison(source.staff, s, d0.staff, d, kLiaisonCoule)) continue;
    bool over = false;
    const char* placement = XMLGetAttributeValue(source.element, "placement");
    const char* orientation = XMLGetAttributeValue(source.element, "orientation");
    if ((placement || orientation) && GetParamEffetIndexNote(source.staff, s)) {
      int8_t dx0, dy0, dx1, dy1;
      uint16_t cx;
      int16_t cy;
      GetParamLiaisonCouleNote(source.staff, s, &dx0, &dy0, &cx, &cy, &dx1, &dy1);
      if (placement) {
        if (!std::strcmp(placement, "above")) {
          over = true;
          if (dy0 > 0) dy0 = int8_t(-dy0), dy1 = int8_t(-dy1);
        } else if (dy0 < 0) {
          dy0 = int8_t(-dy0), dy1 = int8_t(-dy1);
        }
      }
      if (orientation) {
        const int16_t v = cy < 0 ? int16_t(-cy) : cy;
        if (!std::strcmp(orientation, "over")) {
          over = true;
          cy = int16_t(-v);
        } else {
          cy = v;
        }
      }
      SetParamLiaisonCouleNote(source.staff, s, dx0, dy0, cx, cy, dx1, dy1);
    }
    if (source.staff == d0.staff && IsCoulePourLieIndex(source.staff, s, d))
      FormeSource(source.staff, s, over, (d0.note.flags & kSigneQueueEnBas) != 0);
  }
}

void XMLProcessBeam(const char* key) {
  // Regular: one staff, one stem direction, each note at the tick of the one
  // before (a chord) or where it ends.
  const int32_t n = XMLGetNbNoteInStack(kXMLPilePoutres);
  const XMLNoteStackEntry* premier = nullptr;
  const XMLNoteStackEntry* precedent = nullptr;
  bool regulier = true;
  for (int32_t i = 0; i < n && regulier; i++) {
    const XMLNoteStackEntry* e = XMLGetNoteInStack(kXMLPilePoutres, i);
    if (!XMLIsStackMatch(kXMLPilePoutres, i, nullptr, -2, key)) continue;
    if (!premier) premier = e;
    if (e->staff != premier->staff || (e->note.flags & kSigneQueueEnBas) != (premier->note.flags & kSigneQueueEnBas))
      regulier = false;
    if (precedent && e->temps != precedent->temps &&
        int64_t(e->temps) != int64_t(precedent->temps) + precedent->note.duree)
      regulier = false;
    precedent = e;
  }
  XMLNoteStackEntry fin, e;
  if (!XMLPopNote(kXMLPilePoutres, nullptr, -2, key, &fin)) return;
  if (!regulier) {
    XMLNoteStackEntry suivant = fin;
    while (XMLPopNote(kXMLPilePoutres, nullptr, -2, key, &e)) {
      if (e.temps != suivant.temps && e.staff && suivant.staff) {
        const int32_t a = RechercheSigne(e.staff, int32_t(e.temps), e.note.kind);
        const int32_t b = RechercheSigne(suivant.staff, int32_t(suivant.temps), suivant.note.kind);
        if (!(e.staff == suivant.staff && a == b) && a >= 0 && b >= 0)
          SetLiaison(e.staff, a, suivant.staff, b, kLiaisonAccroche);
      }
      suivant = e;
    }
    return;
  }
  XMLNoteStackEntry debut = fin;
  int32_t count = 1;
  while (XMLPopNote(kXMLPilePoutres, nullptr, -2, key, &e)) {
    debut = e;
    count++;
  }
  if (count == 1) {
    XMLErr("Orphan beam");
    return;
  }
  Portee** staff = debut.staff;
  if (!staff) return;
  const int32_t b = RechercheSigne(staff, int32_t(debut.temps), -2);
  const int32_t f = RechercheSigne(staff, int32_t(fin.temps), -2);
  int32_t nb = 0;
  Signe* s = GetSignesPortee(staff, &nb);
  if (!s || b < 0 || f <= b || f > nb) return;
  for (int32_t i = b; i < f; i++) s[i].flags |= kSigneAccroche;
}
