// Sign records of native documents: a note, rest or special sign of a
// staff's note array, with its effects record (marks, grace notes, ties and
// beam links) or, in documents before 5.00, the same carried inline
// (big-endian, fields gated on the version).
#include <cstring>

#include "model/ParamEffet.h"
#include "model/Partition.h"
#include "model/Portee.h"
#include "model/Signe.h"
#include "notation/ServicesNotation.h"
#include "platform/Memory.h"
#include "plugin/LectureDocument.h"
#include "plugin/PiloteRequete.h"
#include "plugin/ServicesInertes.h"
#include "system/Handles.h"
#include "system/QrvFiles.h"
#include "system/Reporters.h"

namespace {

uint8_t LitOctet() {
  const int16_t c = ReadCar();
  return c < 0 ? 0 : uint8_t(c);
}

uint16_t Mot() { return uint16_t(ReadShort()); }

// Old documents stored these values in quarters of today's unit.
uint16_t Fois4(uint32_t v) {
  v *= 4;
  return uint16_t(v > 32767 ? 32767 : v);
}
// An i16 whose negative values mean "none" (32767), x4 before 9.00.
uint16_t SigneFois4(int16_t v) {
  if (v < 0) return 32767;
  return VersionQuarvelLoad < 0x0900 ? Fois4(uint16_t(v)) : uint16_t(v);
}
uint16_t MotFois4(uint16_t v) { return VersionQuarvelLoad < 0x0900 ? Fois4(v) : v; }
// x4 in documents before the version given.
uint16_t Fois4Avant(uint16_t v, uint16_t version) { return VersionQuarvelLoad < version ? Fois4(v) : v; }
// Two stored words held as one 32-bit value, the first in the high half.
int32_t Paire(uint16_t haut, uint16_t bas) { return int32_t(uint32_t(haut) << 16 | bas); }
uint8_t Octet255(uint32_t v) { return uint8_t(v > 255 ? 255 : v); }

// The empty grace slot: no pitch shift, no accidental, default duration.
void VideGrace(GraceNote* g) {
  std::memset(g, 0, sizeof *g);
  g->alteration = kAlterationAucune;
  g->octet5 = 255;
}

// Appends a mark to an effects record; false when the record holds its
// ceiling of marks or memory runs out (the mark is then dropped).
bool AjouteMark(ParamEffet* e, const Mark& m, int32_t* nombre) {
  if (*nombre >= kMaxMarks) return false;
  if (!e->marks) e->marks = NewHandleClear(0);
  if (!e->marks) return false;
  const Size taille = Size(*nombre + 1) * Size(sizeof(Mark));
  RetailleHandle(e->marks, taille);
  if (GetHandleSize(e->marks) < taille) return false;
  reinterpret_cast<Mark*>(*e->marks)[*nombre] = m;
  ++*nombre;
  return true;
}

// The fewest bytes a mark slot of the effects record takes.
int32_t TailleMinMark() {
  const uint16_t v = VersionQuarvelLoad;
  int32_t n = 5 + (v >= 0x0512 ? 1 : 0);
  if (v >= 0x0790) n += 2 + 6;
  if (v < 0x9805) n += 1;  // the text's length
  if (v >= 0x0920) n += 3;
  if (v >= 0x0963) n += 1;
  return n;
}

// One mark slot (the record is zeroed first).
void LitMark(Mark* m) {
  const uint16_t v = VersionQuarvelLoad;
  std::memset(m, 0, sizeof *m);
  m->code = LitOctet();
  m->param1 = LitOctet();
  if (v < 0x0512) {
    const int16_t standard = GetPosMarkStd(m->code);
    if (standard >= 0) m->param1 = uint8_t(standard);
  }
  if (v >= 0x0512) m->param2 = LitOctet();
  m->param3 = LitOctet();
  m->octet4 = LitOctet();
  m->actif = LitOctet();
  if (v >= 0x0790) {
    int16_t police = ReadShort();
    if (police) {
      char nom[254];
      ReadString(nom, sizeof nom);
      if (nom[0] && !EndOfFile()) police = ResoutFonteNommee(nom, police);
    }
    m->police = uint16_t(police);
    LitOctet();
    m->octetsLecteur[0] = LitOctet();
    LitOctet();
    m->octetsLecteur[1] = LitOctet();
    m->motLecteur = Mot();
  }
  if (v < 0x9805 || m->code == 99 || m->code == 100) ReadUTFString(m->texte, int16_t(sizeof m->texte));
  if (v < 0x0920) return;
  m->encodage = Mot();
  m->octetsLecteur[2] = LitOctet();
  CheckUTFString(m->texte);
  if (v >= 0x0960 && m->code == kMarkLienGraphique) {
    m->idGraphique = uint32_t(ReadLong());
    m->idGraphique2 = uint32_t(ReadLong());
  } else if (v >= 0x0960 && m->code == kMarkN) {
    m->valeursN[0] = Mot();
    m->motsN[0] = Mot();
    m->motsN[1] = Mot();
    LitOctet();  // derived from the code
    m->octetN = LitOctet();
    m->motN = Mot();
    LitOctet();  // derived bits
    m->octetN248 = LitOctet();
    LitOctet();
    m->valeursN[1] = LitOctet();
  }
  if (m->code == kMarkN) m->bitsN = 1;
  if (v >= 0x0963) ReadUTFString(m->chaine, int16_t(sizeof m->chaine));
}

// A link id: 16 bits before 8.50, made unique across staves with the staff's
// index in the high half; 32 bits after.
uint32_t LitIdLien(Portee** staff) {
  if (VersionQuarvelLoad >= 0x0850) return uint32_t(ReadLong());
  uint32_t id = Mot();
  if (staff && id >= 1) id += uint32_t(uint16_t((*staff)->index)) << 16;
  return id;
}

// The tie's shape as old inline records and effects records store it.
void LitFormeLiaison(DataLiaison* d) {
  SetChampFormeLiaison(d, kFormeLiaisonDebutDx, LitOctet(), 1);
  SetChampFormeLiaison(d, kFormeLiaisonDebutDy, LitOctet(), 1);
  SetChampFormeLiaison(d, kFormeLiaisonControleX, Mot(), 2);
  SetChampFormeLiaison(d, kFormeLiaisonControleY, Mot(), 2);
  SetChampFormeLiaison(d, kFormeLiaisonEpaisseur, LitOctet(), 1);
  SetChampFormeLiaison(d, kFormeLiaisonCouleur, LitOctet(), 2);
  SetChampFormeLiaison(d, kFormeLiaisonFinDx, LitOctet(), 1);
  SetChampFormeLiaison(d, kFormeLiaisonFinDy, LitOctet(), 1);
}

// The record's last steps: the end stops that every version reaches.
void Termine(Signe* s) {
  if (ConvertSplitNoteDuration && s->dureeEcrite > uint32_t(s->duree < 0 ? 0 : s->duree))
    s->dureeEcrite = uint32_t(s->duree < 0 ? 0 : s->duree);
}

// Documents before 5.00 carry a note's marks, grace notes and ties inside its
// sign record. All is read; with a staff it is applied to the note: into
// `effects`, which then becomes the note's effects record.
void LitEffetsEnLigne(Portee** staff, Signe* s, ParamEffet* effects) {
  ParamEffet* e = staff && effects ? effects : nullptr;
  bool utilise = false;
  auto prepare = [&]() {
    if (!utilise) InitDefaultParamEffet(staff, e);
    utilise = true;
  };
  int32_t nbMarks = 0;

  const uint8_t n = LitOctet();
  uint8_t p = LitOctet();
  for (int i = 0; i < n; i++) {
    const uint8_t code = LitOctet();
    ReadGap(5);
    const uint8_t suivant = LitOctet();
    // The mark's code is the byte before; this one holds its parameters.
    if (e && p) {
      prepare();
      Mark m;
      std::memset(&m, 0, sizeof m);
      m.code = p;
      m.param1 = uint8_t(code & 192);
      m.param3 = uint8_t(code & 63);
      m.octet4 = 1;
      m.actif = 1;
      if (p == kMarkN) {
        m.motsN[0] = 600;
        m.motsN[1] = 1800;
        m.bitsN = 1;
        m.octetN248 = 248;
      }
      if (AjouteMark(e, m, &nbMarks)) {
        AppliqueParamEffetSelonMark(e, s, 0, 1, p);
        ReajusteParamEffet(e);
      }
    }
    p = suivant;
  }

  // The last byte read is the grace-note count; each grace byte is read
  // after the one before is applied, and the byte after the last is dropped.
  const uint8_t nbGraces = p;
  uint8_t b = LitOctet();
  for (int i = 0; i < nbGraces; i++) {
    if (e && s->kind >= 0) {
      prepare();
      int k = 0;
      while (k < kNbGraceNotes && e->graces[k].utilise) k++;
      if (k < kNbGraceNotes) {
        GraceNote& g = e->graces[k];
        g.utilise = 1;
        g.apres = uint8_t(b >> 7);
        g.decalage = int8_t((b & 64) ? -(b & 63) : (b & 63));
        g.alteration = kAlterationAucune;
        g.octet5 = 255;
      }
    }
    b = LitOctet();
  }

  s->dureeEcrite = uint32_t(ReadLong());
  const uint16_t source = Mot();
  if (source) {
    DataLiaison lu{};
    LitFormeLiaison(&lu);
    if (e) {
      prepare();
      e->liaison.idSource = source;
      e->liaison.porteeSource = uint16_t((*staff)->index);
      std::memcpy(e->liaison.forme + kFormeLiaisonDebutDx, lu.forme + kFormeLiaisonDebutDx,
                  sizeof lu.forme - kFormeLiaisonDebutDx);
    }
  }
  const uint16_t dest = Mot();
  if (dest && e) {
    prepare();
    e->liaison.idDest = dest;
    e->liaison.porteeDest = uint16_t((*staff)->index);
  }
  if (utilise) s->indexParamEffet = 0;
}

}  // namespace

int32_t TailleMinSigne() {
  const uint16_t v = VersionQuarvelLoad;
  int32_t n = 3;                           // kind, second byte, the byte before the written duration
  if (v < 0x0320) n += 1 + 2;              // flags byte, old duration
  else n += (v < 0x0850 ? 4 : 2) + 4 + 2;  // flags, fourth byte, duration, tuplet nibbles
  if (v >= 0x0800) n += 1 + 3 + 1 + (v >= 0x9630 ? 1 : 0);
  n += 2;  // played percentage
  if (v < 0x0300) return n + 4;
  if (v == 0x0300) return n;
  n += 2;  // the two tablature bytes
  if (v < 0x0320) return n;
  n += (v < 0x0850 ? 1 : 0) + 3 + 2;
  // Older records carry their marks, grace notes and ties inline: at least
  // their counts, the written duration and the two tie ids.
  if (v < 0x0500) return n + 2 + 1 + 4 + 2 + 2;
  n += 4 + (v >= 0x0770 ? 2 : 1) + 1;
  if (v >= 0x0800) n += 1;
  if (v >= 0x0963) n += 3;
  return n;
}

int16_t ReadSigne(Portee** staff, int32_t, Signe* s, ParamEffet* effects) {
  const uint16_t v = VersionQuarvelLoad;
  RazNote(s, 0, 0);
  s->indexParamEffet = -1;

  uint8_t kind = LitOctet();
  if (v < 0x0800 && kind >= 128 && kind <= 253) kind = 255;
  s->kind = int8_t(kind);
  s->kindCopie = s->kind;
  s->velocity = LitOctet();
  const uint8_t avantDureeEcrite = LitOctet();
  s->motAvantDureeEcrite = v < 0x0203 ? 0 : avantDureeEcrite;

  if (v < 0x0320) {
    const uint8_t b = LitOctet();
    s->flags = uint16_t((b & 3) | ((b >> 3) & 1) << 2 | ((b >> 2) & 1) << 9);
    s->alteration = uint8_t(b >> 4);
  } else {
    if (v < 0x0850) {
      uint16_t f = 0;
      for (int bit = 0; bit < 3; bit++)
        if (LitOctet()) f = uint16_t(f | (1u << bit));
      s->flags = f;
    } else {
      s->flags = LitOctet();
    }
    s->alteration = LitOctet();
  }

  if (v < 0x0320) {
    s->duree = int32_t(ReadShort()) * 420;
  } else {
    s->duree = ReadLong();
    const uint8_t t0 = LitOctet() & 15, t1 = LitOctet() & 15;
    s->motTuplet = uint16_t(t0 | t1 << 4);
    if (v >= 0x0800) {
      const uint8_t b = LitOctet();
      s->motTuplet = uint16_t(s->motTuplet | (b & 15) << 8);
      if (v >= 0x0940) s->motTuplet = uint16_t(s->motTuplet | ((b >> 4) & 3) << 12);
      for (uint8_t& o : s->octetsSigne) o = LitOctet();
      s->octetSigne4 = v >= 0x9630 ? LitOctet() : 0;
      s->octet3 = LitOctet();
      if (v < 0x0940) s->octetsSigne[2] = 5;
    } else {
      s->motTuplet = uint16_t(s->motTuplet | 0x200);
    }
  }
  s->pourcentJoue = uint16_t(ReadShort());

  if (v < 0x0300) {
    ReadGap(4);
    Termine(s);
    return 1;
  }
  if (v == 0x0300) {
    Termine(s);
    return 1;
  }
  s->tablatureCorde = LitOctet();
  s->tablatureCase = LitOctet();
  if (v < 0x0320) {
    Termine(s);
    return 1;
  }

  if (v < 0x0850 && LitOctet()) s->flags = uint16_t(s->flags | kSigneCache);
  if (s->kind < 0) {
    s->octetOption3 = LitOctet();
    if (v >= 0x0600) s->octetOption2 = LitOctet();
    const uint8_t premier = LitOctet();
    s->octetOption1 = v < 0x0920 ? 0 : premier;
  } else {
    s->octetOption1 = LitOctet();
    if (v >= 0x0600) s->octetOption2 = LitOctet();
    s->octetOption3 = LitOctet();
  }
  if (staff && v < 0x0920 && s->octetOption3 && (*staff)->partition) (*(*staff)->partition)->flagAnciennesNotes = 0;
  s->octetLecteur = LitOctet();
  s->octetLecteur2 = LitOctet();

  if (v < 0x0500) {
    LitEffetsEnLigne(staff, s, effects);
    Termine(s);
    return 1;
  }

  s->dureeEcrite = uint32_t(ReadLong());
  uint32_t court = v >= 0x0770 ? uint16_t(ReadShort()) : LitOctet();
  if (v < 0x0850) court = court == 255 ? 32767 : (court * 4 > 32767 ? 32767 : court * 4);
  s->dureeCourte = uint16_t(court);

  const uint8_t code = LitOctet();
  if (code == 1) {
    if (effects) {
      ReadParamEffet(staff, effects);
      if (s->kind == kSigneSilence || s->kind == kSigneSilenceFantome) AjusteParamEffetSurSilence(effects);
      if (staff) {
        if (effects->liaison.porteeSource == 0xFFFF) effects->liaison.porteeSource = uint16_t((*staff)->index);
        if (effects->liaison.porteeDest == 0xFFFF) effects->liaison.porteeDest = uint16_t((*staff)->index);
      }
    } else {
      ParamEffet jete;
      std::memset(&jete, 0, sizeof jete);
      ReadParamEffet(staff, &jete);
      DeleteTabMark(&jete.marks);
    }
    s->indexParamEffet = 0;
  } else if (code == 2) {
    s->indexParamEffet = -2;
  } else if (code != 0) {
    // An effects index with no record stored: the note gets an empty one.
    if (effects) InitDefaultParamEffet(staff, effects);
    s->indexParamEffet = int16_t(code);
  }

  if (v >= 0x0800) s->octetsLecteur[0] = LitOctet();
  if (v >= 0x0963) {
    s->octetsLecteur[1] = LitOctet();
    s->octetsLecteur[2] = LitOctet();
    if (LitOctet() & 1) s->flags = uint16_t(s->flags | kSigneDemiEspace);
  }
  Termine(s);
  return 1;
}

int16_t ReadParamEffet(Portee** staff, ParamEffet* e) {
  const uint16_t v = VersionQuarvelLoad;
  InitDefaultParamEffet(staff, e);

  // Values the marks set: bends, two pairs of values, the trill.
  e->bend = LitOctet();
  for (int32_t& valeur : e->bendValeurs) {
    const uint16_t haut = SigneFois4(ReadShort());
    valeur = Paire(haut, Mot());
  }
  e->bendMot = Mot();
  e->flag13 = LitOctet();
  for (int32_t& valeur : e->valeurs13) {
    const uint16_t haut = Mot();
    valeur = Paire(haut, Mot());
  }
  e->trille = LitOctet();
  const uint16_t trille = Mot();
  e->trilleData[0] = Octet255(trille & 0x7FFF);
  e->trilleData[1] = uint8_t(trille >> 15);
  e->trilleData[2] = Octet255(Fois4Avant(Mot(), 0x0900));
  e->trilleData[3] = Octet255(v >= 0x0850 ? Mot() : 100);
  e->ornement = LitOctet();
  e->ornementCode = Mot();
  e->ornementTaille = MotFois4(Mot());
  e->tremolo = LitOctet();
  e->tremoloValeur = MotFois4(Mot());
  for (uint8_t& f : e->flags3) f = LitOctet();
  for (int16_t& r : e->repetitions) r = ReadShort();
  if (v >= 0x0610) {
    e->valeursLues[0] = Mot();
    e->mot100 = Mot();
    e->valeursLues[1] = Mot();
  }
  e->flag21 = LitOctet();
  for (int32_t& valeur : e->valeurs21) {
    const uint16_t haut = Mot();
    valeur = Paire(haut, Mot());
  }
  e->pointOrgue = v >= 0x0750 ? Mot() : 200;
  e->pedaleEnfoncee = LitOctet();
  e->pedaleRelachee = LitOctet();

  // Marks: a count from 7.90, ten slots before.
  int32_t slots = 10;
  if (v >= 0x0790) {
    slots = ReadShort();
    if (slots < 1) slots = 0;
  }
  if (EndOfFile() || int64_t(slots) * TailleMinMark() > GetStreamRemaining()) {
    ioCustom.finFichier = 1;
    return 0;
  }
  int32_t nbMarks = 0;
  for (int32_t i = 0; i < slots && !EndOfFile(); i++) {
    Mark m;
    LitMark(&m);
    if (m.code) AjouteMark(e, m, &nbMarks);
  }

  for (GraceNote& g : e->graces) {
    g.utilise = LitOctet();
    g.apres = LitOctet();
    g.decalage = int8_t(LitOctet());
    g.alteration = LitOctet();
    if (v >= 0x0600) g.decalageDuree = int8_t(LitOctet());
    g.octet5 = v >= 0x0914 ? LitOctet() : 255;
    if (v >= 0x0940) g.accord = LitOctet();
    if (v >= 0x0963) g.liaison = LitOctet();
    if (!g.utilise) VideGrace(&g);
  }
  if (v < 0x0850) {
    e->sansGraces = 0;
    e->mot32 = uint16_t(LitOctet() * 4);
  } else {
    e->sansGraces = LitOctet() & 1;
    e->mot32 = Mot();
  }
  for (uint8_t& o : e->quatreOctets) o = LitOctet();

  // The tie or slur, then the beam link.
  DataLiaison& l = e->liaison;
  l.idSource = LitIdLien(staff);
  LitFormeLiaison(&l);
  l.idDest = LitIdLien(staff);
  const uint8_t b = LitOctet();
  l.formeType = b & 3;
  SetChampFormeLiaison(&l, kFormeLiaisonStyle, b >> 4, 4);
  // Old documents' shapes were set by hand: automatic shaping keeps them.
  SetChampFormeLiaison(&l, kFormeLiaisonGarde, v < 0x0940 ? 1 : (b >> 2) & 1, 2);
  const uint16_t mot = Mot();
  SetChampFormeLiaison(&l, kFormeLiaisonMot, v < 0x0850 ? Fois4(mot) : mot, 2);
  if (v >= 0x0850) {
    l.porteeSource = Mot();
    l.porteeDest = Mot();
    if (v >= 0x0960) SetChampFormeLiaison(&l, kFormeLiaisonLissage, Mot(), 2);
    DataAccroche& a = e->accroche;
    a.idSource = uint32_t(ReadLong());
    a.porteeSource = Mot();
    a.idDest = uint32_t(ReadLong());
    a.porteeDest = Mot();
    for (int k = 0; k < 4; k++) a.forme[k] = Mot();
    a.forme[4] = Mot();
    const uint8_t f1 = LitOctet(), f2 = LitOctet();
    a.forme[6] = uint16_t((f1 & 1) | (f2 & 2));
    if (v >= 0x0910) a.forme[5] = Mot();
  }

  // Comma and arpeggio.
  if (v >= 0x0770) {
    e->comma = Mot();
    e->arpegeDebut = int16_t(Fois4Avant(Mot(), 0x0850));
    e->arpegePas = int16_t(Fois4Avant(Mot(), 0x0850));
    e->arpegeDescendant = Mot();
  } else {
    int32_t total = 0;
    const Mark* m = e->marks ? reinterpret_cast<const Mark*>(*e->marks) : nullptr;
    for (int32_t i = 0; i < nbMarks; i++)
      if (m[i].code >= kMarkCommaPremier && m[i].code <= kMarkCommaDernier) total += GetValCommaStd(m[i].code);
    e->comma = uint16_t(total);
  }

  if (v >= 0x0850) {
    e->garde = LitOctet() & 1;
    e->mot2 = Mot();
    e->mot4 = Mot();
    ReadGap(11);
    if (v >= 0x0920)
      for (uint16_t& w : e->motsFin) w = Mot();
    if (v >= 0x0963) ReadUTFString(e->chaine, int16_t(sizeof e->chaine));
  }
  return EndOfFile() ? 0 : 1;
}

int16_t ReadSignePortee(Portee** staff, int32_t noteIndex, Signe* sign, Handle* effectsList, uint16_t* effectsCount) {
  ParamEffet effets;
  std::memset(&effets, 0, sizeof effets);
  ReadSigne(staff, noteIndex, sign, &effets);
  if (sign->indexParamEffet < 0) return 1;
  // Old documents stored the length of a fermata note as a played share of 400.
  if (VersionQuarvelLoad < 0x0750 && sign->pourcentJoue == 400 &&
      (IsMarkInParamEffet(&effets, kMarkPointOrgue, nullptr) ||
       IsMarkInParamEffet(&effets, kMarkPointOrgueInverse, nullptr)))
    sign->pourcentJoue = 100;
  const int32_t index = effectsList && effectsCount ? NewParamEffetBrt(effectsList, effectsCount) : -1;
  if (index < 0 || index > INT16_MAX) {
    // No list to hold the effects (or no room in it): the note has none,
    // rather than an index that names nothing.
    DeleteTabMark(&effets.marks);
    sign->indexParamEffet = -1;
    return 1;
  }
  reinterpret_cast<ParamEffet*>(**effectsList)[index] = effets;
  sign->indexParamEffet = int16_t(index);
  return 1;
}
