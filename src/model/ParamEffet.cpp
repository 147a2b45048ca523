#include "model/ParamEffet.h"

#include <cstring>

#include "model/CvtTemps.h"
#include "model/Portee.h"
#include "model/SGraphix.h"
#include "model/Signe.h"
#include "model/Tonalite.h"
#include "notation/ServicesNotation.h"
#include "platform/Memory.h"
#include "plugin/ServicesInertes.h"
#include "system/Handles.h"

// Records appended to a full list grow it by this many at once.
constexpr int32_t kBlocParamEffets = 32;
// The count is a u16; one slot stays out of reach so that it never wraps.
constexpr int32_t kMaxParamEffets = 65534;
// A note keeps its record's index in 16 signed bits: a record made for a note
// past this index could not be reached from it (the index would wrap).
constexpr int32_t kMaxIndexParamEffetNote = 32767;

ParamEffet* GetParamEffetsPortee(Portee** staff, int32_t* count) {
  *count = 0;
  if (!staff || !(*staff)->paramEffets) return nullptr;
  int32_t cap = GetHandleSize((*staff)->paramEffets) / int32_t(sizeof(ParamEffet));
  int32_t n = (*staff)->nbParamEffets;
  *count = n < cap ? n : cap;
  return reinterpret_cast<ParamEffet*>(*(*staff)->paramEffets);
}

static void DefautsParamEffet(ParamEffet* e, uint16_t epaisseur, uint16_t ecart) {
  std::memset(e, 0, sizeof *e);
  e->note = -1;
  e->mot1 = 1;
  e->ornementTaille = 32;
  e->mot100 = 100;
  e->mot32 = 32;
  e->quatreOctets[0] = ' ';
  e->quatreOctets[1] = 0;
  e->quatreOctets[2] = 1;
  e->quatreOctets[3] = 1;
  for (GraceNote& g : e->graces) {
    g.alteration = kAlterationAucune;
    g.octet5 = 255;
  }
  e->arpegePas = 20;
  e->mot4 = 4;
  e->liaison.porteeSource = e->liaison.porteeDest = 0xFFFF;
  e->accroche.porteeSource = 0xFFFF;
  e->accroche.forme[0] = 50;
  e->accroche.forme[1] = 1;
  e->accroche.forme[2] = 1;
  e->accroche.forme[3] = epaisseur;
  e->accroche.forme[4] = ecart;
  e->motsFin[1] = 4;
  e->motsFin[2] = 1;
}

void InitDefaultParamEffet(Portee** staff, ParamEffet* effect) {
  if (!effect) return;
  uint16_t epaisseur = 12, ecart = 6;
  if (staff) {
    epaisseur = (*staff)->aspect.epaisseurBarre;
    ecart = (*staff)->aspect.ecartBarre;
  }
  DefautsParamEffet(effect, epaisseur, ecart);
}

// A new record at an index no greater than maxIndex: a free slot first, else
// one appended; -1 when there is no room.
static int32_t NouveauParamEffet(Handle* handle, uint16_t* count, int32_t maxIndex) {
  if (!handle || !count) return -1;
  int32_t n = *count;
  int32_t cap = *handle ? GetHandleSize(*handle) / int32_t(sizeof(ParamEffet)) : 0;
  if (n > cap) n = cap;
  // A free slot is reused before the list grows.
  for (int32_t i = 0; i < n && i <= maxIndex; i++) {
    ParamEffet* e = reinterpret_cast<ParamEffet*>(**handle) + i;
    if (e->libre) {
      DefautsParamEffet(e, 12, 6);
      return i;
    }
  }
  if (n >= kMaxParamEffets || n > maxIndex) return -1;
  if (!*handle) {
    *handle = NewHandleClear(Size(sizeof(ParamEffet)));
    if (!*handle) return -1;
  } else if (cap <= n) {
    RetailleHandle(*handle, Size(n + kBlocParamEffets) * Size(sizeof(ParamEffet)));
    if (GetHandleSize(*handle) < Size(n + 1) * Size(sizeof(ParamEffet))) return -1;
  }
  DefautsParamEffet(reinterpret_cast<ParamEffet*>(**handle) + n, 12, 6);
  *count = uint16_t(n + 1);
  return n;
}

int32_t NewParamEffetBrt(Handle* handle, uint16_t* count) {
  return NouveauParamEffet(handle, count, kMaxParamEffets - 1);
}

int32_t NewParamEffet(Portee** staff) {
  if (!staff) return -1;
  Handle h = (*staff)->paramEffets;
  uint16_t n = (*staff)->nbParamEffets;
  int32_t i = NouveauParamEffet(&h, &n, kMaxIndexParamEffetNote);
  (*staff)->paramEffets = h;
  (*staff)->nbParamEffets = n;
  return i;
}

void DeleteTabMark(Handle* marks) {
  if (marks && *marks) {
    DisposeHandle(*marks);
    *marks = nullptr;
  }
}

void DeleteParamEffet(Portee** staff, int32_t index) {
  int32_t n;
  ParamEffet* e = GetParamEffetsPortee(staff, &n);
  if (!e || index < 0 || index >= n) return;
  e[index].libre = 1;
  DeleteTabMark(&e[index].marks);
}

int16_t GetNbMarks(Handle marks) {
  if (!marks) return 0;
  int32_t n = GetHandleSize(marks) / int32_t(sizeof(Mark));
  return int16_t(n > kMaxMarks ? kMaxMarks : n);
}

int16_t GetNbMarksParamEffetPtr(const ParamEffet* effect) { return effect ? GetNbMarks(effect->marks) : 0; }

int16_t DeleteParamEffetSiInutile(Portee** staff, int32_t index) {
  int32_t n;
  ParamEffet* e = GetParamEffetsPortee(staff, &n);
  if (!e || index < 0 || index >= n || e[index].libre) return 0;
  const ParamEffet& p = e[index];
  if (GetNbMarks(p.marks) > 0 || p.graces[0].utilise || p.liaison.idSource || p.liaison.idDest || p.accroche.idSource ||
      p.accroche.idDest || p.garde)
    return 0;
  DeleteParamEffet(staff, index);
  return 1;
}

int16_t GetDataParamEffet(Portee** staff, int32_t index, ParamEffet* out) {
  if (!out) return 0;
  int32_t n;
  ParamEffet* e = GetParamEffetsPortee(staff, &n);
  if (!e || index < 0 || index >= n) {
    InitDefaultParamEffet(staff, out);
    return 0;
  }
  if (e[index].libre) return 0;
  *out = e[index];
  out->marks = nullptr;
  Handle marks = e[index].marks;
  if (marks) {
    Handle copie = NewHandle(GetHandleSize(marks));
    if (copie) BlockMove(*marks, *copie, GetHandleSize(marks));
    out->marks = copie;
  }
  return 1;
}

void DeleteDataParamEffetPtr(ParamEffet* effect) {
  if (effect) DeleteTabMark(&effect->marks);
}

void DisposeParamEffetsHandle(Handle handle, int32_t count) {
  if (!handle) return;
  int32_t cap = GetHandleSize(handle) / int32_t(sizeof(ParamEffet));
  if (count > cap) count = cap;
  for (int32_t i = 0; i < count; i++) DeleteTabMark(&(reinterpret_cast<ParamEffet*>(*handle) + i)->marks);
  DisposeHandle(handle);
}

void DisposeParamEffetsPortee(Portee** staff) {
  if (!staff) return;
  // Every slot of the handle is walked, not just the count: a marks handle
  // left beyond a stale count would otherwise leak.
  Handle h = (*staff)->paramEffets;
  if (h) DisposeParamEffetsHandle(h, GetHandleSize(h) / int32_t(sizeof(ParamEffet)));
  (*staff)->paramEffets = nullptr;
  (*staff)->nbParamEffets = 0;
}

ParamEffet* GetParamEffetNote(Portee** staff, const Signe* note) {
  if (!note) return nullptr;
  int32_t n;
  ParamEffet* e = GetParamEffetsPortee(staff, &n);
  int32_t i = note->indexParamEffet;
  if (!e || i < 0 || i >= n || e[i].libre) return nullptr;
  return e + i;
}

ParamEffet* GetParamEffetIndexNote(Portee** staff, int32_t index) {
  int32_t n;
  Signe* s = GetSignesPortee(staff, &n);
  if (!s || index < 0 || index >= n) return nullptr;
  return GetParamEffetNote(staff, s + index);
}

void CheckLeakParamEffetsPortee(Portee**) {}

// ---------------------------------------------------------------- marks

int16_t GetValCommaStd(uint8_t code) {
  switch (code) {
    case 77: return 25;
    case 78: return -20;
    case 79: return -80;
    case 80: return 120;
    case 81: return 180;
    case 82: return -175;
    default: return 0;
  }
}

static const Mark* MarksDe(const ParamEffet* effect, int32_t* n) {
  *n = GetNbMarks(effect->marks);
  return *n ? reinterpret_cast<const Mark*>(*effect->marks) : nullptr;
}

int16_t IsMarkInParamEffet(const ParamEffet* effect, uint8_t code, uint8_t* actif) {
  if (!effect) return 0;
  int32_t n;
  const Mark* m = MarksDe(effect, &n);
  for (int32_t i = 0; i < n; i++)
    if (m[i].code == code) {
      if (actif) *actif = m[i].actif;
      return 1;
    }
  return 0;
}

// The flag of a mark's group; the ornament and trill groups also take the code.
static void PoseFlagMark(ParamEffet* e, uint8_t code) {
  switch (code) {
    case 1:
    case 2: e->flags3[0] = 1; break;
    case 8:
    case 9:
    case 10: e->bend = 1; break;
    case 13:
    case 35: e->flag13 = 1; break;
    case 21: e->flag21 = 1; break;
    case 29:
    case 30:
    case 36:
    case 37:
    case 38:
    case 39:
      e->ornement = 1;
      e->ornementCode = code;
      break;
    case 31:
    case 32:
    case 33:
    case 34:
      e->trille = 1;
      e->trilleData[0] = code;
      break;
    case 43:
    case 57:
    case 58: e->flags3[2] = 1; break;
    case 51:
    case 52:
    case 53:
    case 54: e->tremolo = 1; break;
    case 59:
    case 65:
    case 66:
    case 69:
    case 70:
    case 73:
    case 74: e->flags3[1] = 1; break;
    default: break;
  }
}

int16_t ReajusteParamEffet(ParamEffet* effect) {
  if (!effect) return 1;
  effect->flags3[0] = effect->flags3[1] = effect->flags3[2] = 0;
  effect->bend = effect->flag13 = effect->flag21 = 0;
  effect->ornement = effect->trille = effect->tremolo = 0;
  int32_t n;
  const Mark* m = MarksDe(effect, &n);
  for (int32_t i = 0; i < n; i++)
    if (m[i].actif) PoseFlagMark(effect, m[i].code);
  return 1;
}

// The first and last records of the chord holding the index, within count.
static void BornesAccord(const Signe* notes, int32_t index, int32_t count, int32_t* first, int32_t* last) {
  int32_t a = index, b = index;
  while (a > 0 && (notes[a - 1].flags & kSigneAccordSuite)) a--;
  while (b + 1 < count && (notes[b].flags & kSigneAccordSuite)) b++;
  *first = a;
  *last = b;
}

void AppliqueArpeggio(Signe* notes, int32_t index, int32_t count, int16_t start, int16_t step, uint16_t descending) {
  if (!notes || index < 0 || index >= count) return;
  int32_t first, last;
  BornesAccord(notes, index, count, &first, &last);
  int32_t valeur = descending ? start + (last - first) * step : start;
  int32_t precedent = 0;  // pitch 0, rests and repeated pitches get no offset
  for (;;) {
    int32_t choisi = -1;
    for (int32_t i = first; i <= last; i++)
      if (notes[i].kind > precedent && (choisi < 0 || notes[i].kind < notes[choisi].kind)) choisi = i;
    if (choisi < 0) break;
    notes[choisi].decalageArpege = int16_t(valeur);
    precedent = notes[choisi].kind;
    valeur += descending ? -step : step;
  }
}

int16_t AppliqueParamEffetSelonMark(ParamEffet* e, Signe* notes, int32_t index, int32_t count, uint8_t code) {
  if (!e || !notes || index < 0 || index >= count) return 0;
  Signe& s = notes[index];
  if (code >= 1 && code <= 74) PoseFlagMark(e, code);
  auto note = [&](int v, int p) {
    if (v >= 0) s.velocity = uint8_t(v);
    if (p >= 0) s.pourcentJoue = uint16_t(p);
    return int16_t(1);
  };
  switch (code) {
    case 3:
    case 4:
    case 5:
      e->liaison.formeType = kFormeLiaisonGlissando;
      e->liaisonMot = 0;
      return 0;
    case 8:
      e->bendValeurs[0] = 1638400;
      e->bendValeurs[1] = 32000;
      e->bendMot = 100;
      return 0;
    case 9:
      e->bendValeurs[0] = 0;
      e->bendValeurs[1] = 2293760;
      e->bendMot = 100;
      return 0;
    case 10:
      e->bendValeurs[0] = 786464;
      e->bendValeurs[1] = 786464;
      e->bendMot = 100;
      return 0;
    case 11: s.formeTete = 3; return note(30, -1);
    case 13:
      e->valeurs13[0] = 655360;
      e->valeurs13[1] = 3276820;
      return 0;
    case 21:
      e->flag21 = 1;
      e->valeurs21[0] = 3932160;
      e->valeurs21[1] = 3276820;
      return 0;
    case 29:
    case 30:
    case 36:
    case 37:
    case 38:
    case 39:
      e->ornementCode = code;
      e->ornementTaille = 32;
      return 0;
    case 31:
    case 32:
    case 33:
    case 34:
      e->trilleData[0] = code;
      e->trilleData[1] = 1;
      e->trilleData[2] = 32;
      e->trilleData[3] = 100;
      return 0;
    case 35:
      e->valeurs13[0] = 655385;
      e->valeurs13[1] = 1966100;
      return 0;
    case 43: e->repetitions[0] = e->repetitions[1] = int16_t(s.duree / 2520); return 0;
    case 49:
    case 50: e->pointOrgue = 200; return 0;
    case 51: e->tremoloValeur = 128; return 0;
    case 52: e->tremoloValeur = 64; return 0;
    case 53: e->tremoloValeur = 32; return 0;
    case 54: e->tremoloValeur = 16; return 0;
    case 55:
    case 56: return note(100, -1);
    case 57:
      e->repetitions[0] = int16_t(s.duree / 1260);
      e->repetitions[1] = 0;
      return 0;
    case 58:
      e->repetitions[0] = 0;
      e->repetitions[1] = int16_t(s.duree / 1260);
      return 0;
    case 59: return note(-1, 100);
    case 60: return note(-1, 50);
    case 61:
    case 62: return note(-1, 75);
    case 63:
    case 64:
    case 73:
    case 74: return note(-1, 25);
    case 65:
    case 66: return note(80, 100);
    case 67:
    case 68: return note(80, 35);
    case 69:
    case 70: return note(127, 20);
    case 75:
    case 76: return note(127, 80);
    case 77:
    case 78:
    case 79:
    case 80:
    case 81:
    case 82: e->comma = uint16_t(GetValCommaStd(code)); return 0;
    case 94: return note(80, -1);
    case 95: return note(-1, 80);
    case kMarkArpege:
      AppliqueArpeggio(notes, index, count, e->arpegeDebut, e->arpegePas, e->arpegeDescendant);
      return 1;
    case 101:
    case 102: return note(-1, 10);
    default: return 0;
  }
}

void EnleveMarkSurNote(Signe* notes, int32_t index, int32_t count, uint8_t code) {
  if (!notes || index < 0 || index >= count) return;
  Signe& s = notes[index];
  switch (code) {
    case 55:
    case 56:
    case 94: s.velocity = 64; break;
    case 60:
    case 61:
    case 62:
    case 65:
    case 66:
    case 67:
    case 68:
    case 69:
    case 70:
    case 75:
    case 76:
    case 101:
    case 102:
      s.velocity = 64;
      s.pourcentJoue = 100;
      break;
    case 49:
    case 50:
    case 59:
    case 63:
    case 64:
    case 73:
    case 74:
    case 95: s.pourcentJoue = 100; break;
    case kMarkArpege: {
      int32_t first, last;
      BornesAccord(notes, index, count, &first, &last);
      for (int32_t i = first; i <= last; i++) notes[i].decalageArpege = 0;
      break;
    }
    case 11:
      s.velocity = 64;
      s.formeTete = 0;
      break;
    default: break;
  }
}

// The note's effect record, made when it has none; -1 when none can be made.
static int32_t EffetNoteOuNouveau(Portee** staff, int32_t index) {
  int32_t n;
  Signe* s = GetSignesPortee(staff, &n);
  if (!s || index < 0 || index >= n) return -1;
  if (GetParamEffetNote(staff, s + index)) return s[index].indexParamEffet;
  int32_t e = NewParamEffet(staff);
  if (e < 0) return -1;
  InitDefaultParamEffet(staff, GetParamEffetsPortee(staff, &n) + e);
  s = GetSignesPortee(staff, &n);
  s[index].indexParamEffet = int16_t(e);
  GetParamEffetsPortee(staff, &n)[e].note = index;
  return e;
}

int32_t AddMarkNote(Portee** staff, int32_t index, uint8_t code, uint8_t p2, uint8_t p3, uint8_t p1) {
  int32_t ie = EffetNoteOuNouveau(staff, index);
  if (ie < 0) return -1;
  int32_t ne;
  ParamEffet* e = GetParamEffetsPortee(staff, &ne) + ie;
  if (!e->marks) e->marks = NewHandleClear(0);
  if (!e->marks) return -1;
  int32_t nm = GetNbMarks(e->marks);
  if (nm >= kMaxMarks) return -1;
  RetailleHandle(e->marks, Size(nm + 1) * Size(sizeof(Mark)));
  if (GetHandleSize(e->marks) < Size(nm + 1) * Size(sizeof(Mark))) return -1;
  Mark* m = reinterpret_cast<Mark*>(*e->marks) + nm;
  std::memset(m, 0, sizeof *m);
  m->code = code;
  m->param1 = p1;
  m->param2 = p2;
  m->param3 = p3;
  m->octet4 = 1;
  m->actif = 1;
  if (code == kMarkN) {
    m->motsN[0] = 600;
    m->motsN[1] = 1800;
    m->bitsN = 1;
    m->octetN248 = 248;
  }
  int32_t n;
  Signe* s = GetSignesPortee(staff, &n);
  AppliqueParamEffetSelonMark(e, s, index, n, code);
  ReajusteParamEffet(e);
  return nm;
}

void SupprimeOrnementNote(Portee** staff, int32_t index, int32_t mark) {
  ParamEffet* e = GetParamEffetIndexNote(staff, index);
  if (!e || !e->marks) return;
  int32_t nm = GetNbMarks(e->marks);
  if (mark < 0 || mark >= nm) return;
  Mark m = reinterpret_cast<Mark*>(*e->marks)[mark];
  if (m.code == kMarkLienGraphique) {
    DeleteGraphiqueFromID(staff, m.idGraphique);
    e = GetParamEffetIndexNote(staff, index);
    if (!e || !e->marks) return;
  }
  Mark* t = reinterpret_cast<Mark*>(*e->marks);
  std::memmove(t + mark, t + mark + 1, size_t(nm - mark - 1) * sizeof(Mark));
  RetailleHandle(e->marks, Size(nm - 1) * Size(sizeof(Mark)));
  int32_t n;
  Signe* s = GetSignesPortee(staff, &n);
  EnleveMarkSurNote(s, index, n, m.code);
  bool comma = false;
  for (int32_t i = 0; i < nm - 1; i++) {
    uint8_t c = reinterpret_cast<Mark*>(*e->marks)[i].code;
    if (c >= kMarkCommaPremier && c <= kMarkCommaDernier) comma = true;
  }
  if (!comma) e->comma = 0;
  if (nm - 1 == 0) DeleteTabMark(&e->marks);
  if (DeleteParamEffetSiInutile(staff, s[index].indexParamEffet)) s[index].indexParamEffet = -1;
  else ReajusteParamEffet(e);
}

void SuppprimeToutesMarkNotesPortee(Portee** staff) {
  int32_t n;
  Signe* s = GetSignesPortee(staff, &n);
  for (int32_t i = 0; i < n; i++) {
    ParamEffet* e = GetParamEffetNote(staff, s + i);
    if (!e) continue;
    DeleteTabMark(&e->marks);
    if (DeleteParamEffetSiInutile(staff, s[i].indexParamEffet)) s[i].indexParamEffet = -1;
  }
}

int16_t GetDoigtePiano(Portee** staff, const Signe* note) {
  const ParamEffet* e = GetParamEffetNote(staff, note);
  if (!e) return -1;
  int32_t n;
  const Mark* m = MarksDe(e, &n);
  for (int32_t i = 0; i < n; i++)
    if (m[i].code >= kMarkDoigte0 && m[i].code <= kMarkDoigte5) return int16_t(m[i].code - kMarkDoigte0);
  return -1;
}

// ---------------------------------------------------------------- grace notes and arpeggios

void AjusteParamEffetSurSilence(ParamEffet* effect) {
  if (!effect) return;
  for (GraceNote& g : effect->graces) {
    std::memset(&g, 0, sizeof g);
    g.alteration = kAlterationAucune;
    g.octet5 = 255;
  }
}

void RecalculeArpeggio(Portee** staff) {
  int32_t n;
  Signe* s = GetSignesPortee(staff, &n);
  for (int32_t i = 0; i < n; i++) {
    const ParamEffet* e = GetParamEffetNote(staff, s + i);
    uint8_t actif = 0;
    if (e && IsMarkInParamEffet(e, kMarkArpege, &actif) && actif)
      AppliqueArpeggio(s, i, n, e->arpegeDebut, e->arpegePas, e->arpegeDescendant);
  }
}

int16_t AddGraceNote(Portee** staff, int32_t index, uint8_t pitch, uint8_t p2, uint8_t p3, int16_t reset,
                     int32_t position) {
  int32_t n;
  Signe* s = GetSignesPortee(staff, &n);
  if (!s || index < 0 || index >= n || s[index].kind < 0) return 0;
  int32_t ie = EffetNoteOuNouveau(staff, index);
  if (ie < 0) return 0;
  int32_t ne;
  ParamEffet* e = GetParamEffetsPortee(staff, &ne) + ie;
  if (reset && !e->graces[0].utilise) SetDefaultParamGraceNote();
  int32_t utilises = 0;
  while (utilises < kNbGraceNotes && e->graces[utilises].utilise) utilises++;
  // Positions are taken as unsigned: the loaders' 0xFFFF means "append".
  if (position >= 0 && position < 0xFFFF && utilises < kNbGraceNotes && utilises > position) {
    std::memmove(e->graces + position + 1, e->graces + position,
                 size_t(kNbGraceNotes - 1 - position) * sizeof(GraceNote));
    e->graces[position].utilise = 0;
  }
  int32_t libre = -1;
  for (int32_t i = 0; i < kNbGraceNotes && libre < 0; i++)
    if (!e->graces[i].utilise) libre = i;
  if (libre < 0) return 0;
  GraceNote& g = e->graces[libre];
  g.utilise = 1;
  g.apres = pitch;
  g.decalage = int8_t(p2);
  g.alteration = p3;
  g.octet5 = 255;
  return 1;
}

// ---------------------------------------------------------------- drawing caches

void PrepareParamEffetsSigne(Portee** staff, const Signe* drawn, int32_t index) {
  if (!drawn || drawn->kind <= 0) return;
  int32_t n;
  Signe* s = GetSignesPortee(staff, &n);
  if (!s || index < 0 || index >= n) return;
  ParamEffet* e = GetParamEffetNote(staff, s + index);
  if (!e) return;
  int32_t ie = s[index].indexParamEffet;
  if (e->trille || e->ornement) {
    int32_t tick = CvtIndexNoteEnTemps(staff, index);
    Tonalite key;
    CvtTempsEnTonalite(staff, tick, &key);
    int16_t ligne = 0;
    uint8_t montre = 0;
    CalcPosAlterationFnNote(staff, drawn, &ligne, &montre, index, tick);
    e = GetParamEffetsPortee(staff, &n) + ie;
    auto voisine = [&](int16_t l, uint8_t regle) {
      int16_t note = 0;
      CalcNoteFnPosAlteration(staff, l, -1, regle, &key, &note);
      return int16_t(note - drawn->kind);
    };
    if (e->trille) {
      uint8_t regle = e->trilleData[0] == 32 ? 3 : e->trilleData[0] == 33 ? 1 : e->trilleData[0] == 34 ? 0 : 2;
      e->ornementDecalage = voisine(int16_t(ligne + 1), regle);
    }
    if (e->ornement) {
      int16_t dessous = voisine(int16_t(ligne - 1), kAlterationAucune);
      int16_t dessus = voisine(int16_t(ligne + 1), kAlterationAucune);
      int16_t* a = e->ornementAlterations;
      a[0] = a[1] = a[2] = a[3] = 0;
      switch (e->ornementCode) {
        case 29:
          a[0] = dessous;
          a[2] = dessus;
          break;
        case 30:
          a[0] = dessus;
          a[2] = dessous;
          break;
        case 38: a[0] = a[2] = dessus; break;
        case 39: a[0] = a[2] = dessous; break;
        case 36: a[1] = dessus; break;
        case 37: a[1] = dessous; break;
        default: break;
      }
    }
  }
  if (e->liaison.idSource) {
    e->liaisonFormeType = e->liaison.formeType;
    e->liaisonMot = int16_t(e->liaison.forme[0] | (e->liaison.forme[1] << 8));
    e->liaisonMemeDebut = 0;
    e->liaisonIntervalle = 0;
    e->liaisonComma = 0;
    Portee** autre = nullptr;
    uint32_t id = GetLiaisonSourceParamEffet(staff, ie, &autre, kLiaisonCoule);
    int32_t d = id && autre ? LocIdLiaisonDest(autre, id, staff, kLiaisonCoule) : -1;
    if (d >= 0) {
      int32_t nd;
      Signe* sd = GetSignesPortee(autre, &nd);
      // The lookup may have walked another staff; this staff's records are
      // read again through its handle.
      e = GetParamEffetsPortee(staff, &n) + ie;
      if (sd[d].kind >= 0) {
        e->liaisonIntervalle = int16_t(sd[d].kind - drawn->kind);
        const ParamEffet* ed = GetParamEffetNote(autre, sd + d);
        e->liaisonComma = ed ? ed->comma : 0;
      }
      if ((e->liaisonFormeType == 1 || e->liaisonFormeType == 3) &&
          CvtIndexNoteEnTemps(autre, d) == CvtIndexNoteEnTemps(staff, index))
        e->liaisonMemeDebut = 1;
    }
  } else {
    e->liaisonIntervalle = 0;
    e->liaisonComma = 0;
  }
}
