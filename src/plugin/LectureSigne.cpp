// Sign records of native documents: a note, rest or special sign of a
// staff's note array, with the index of its effects record (big-endian,
// fields gated on the version).
#include <cstring>

#include "model/ParamEffet.h"
#include "model/Partition.h"
#include "model/Portee.h"
#include "model/Signe.h"
#include "plugin/LectureDocument.h"
#include "plugin/PiloteRequete.h"
#include "system/QrvFiles.h"
#include "system/Reporters.h"

namespace {

uint8_t LitOctet() {
  const int16_t c = ReadCar();
  return c < 0 ? 0 : uint8_t(c);
}

// The record's last steps: the end stops that every version reaches.
void Termine(Signe* s) {
  if (ConvertSplitNoteDuration && s->dureeEcrite > uint32_t(s->duree < 0 ? 0 : s->duree))
    s->dureeEcrite = uint32_t(s->duree < 0 ? 0 : s->duree);
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
  // SEAM(plugin): the two bytes after the option bytes are kept in the
  // record's reader bytes until the note reader gives them their fields.
  s->octetLecteur = LitOctet();
  s->reserve[0] = LitOctet();

  if (v < 0x0500) {
    // SEAM(plugin): the inline marks, grace notes and ties of documents
    // before 5.00 are not read yet; such a note ends the load.
    Collapse("ReadSigne: notes of documents before 5.00 are not read yet");
    NoteRaisonEchecChargement("the notes of native documents before version 5.00 are not read yet");
    ioCustom.finFichier = 1;
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
