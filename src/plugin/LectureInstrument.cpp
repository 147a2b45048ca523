#include "plugin/LectureInstrument.h"

#include <cstring>

#include "model/Partition.h"
#include "platform/Memory.h"
#include "plugin/LectureDocument.h"
#include "plugin/LectureFX.h"
#include "sound/SCvtdgit.h"
#include "sound/SINSTRUM.h"
#include "system/QrvFiles.h"
#include "system/Reporters.h"

namespace {

uint8_t ReadByte() {
  const int16_t c = ReadCar();
  return c < 0 ? 0 : uint8_t(c);
}
uint16_t ReadMot() { return uint16_t(ReadShort()); }
uint32_t ReadMotLong() { return uint32_t(ReadLong()); }

void VersionInconnue() { Avertissement(0, 0, "Version de fichier non reconnue"); }

// An old organ number, before organs had four-character codes.
void AncienOrgane(Instrument* r, uint16_t numero) {
  if (numero >= 2 && numero <= 4) {
    r->organCode = kOrganeMidi;
    r->organPort = numero - 2u;
  } else if (numero >= 9 && numero <= 21) {
    r->organCode = kOrganeMidi;
    r->organPort = numero - 9u;
  } else if (numero == 7) {
    r->organCode = kOrganeQuic;
  } else if (numero == 6) {
    r->organCode = kOrganeObsn;
  } else {
    r->organCode = uint32_t(int32_t(int16_t(numero)));
  }
  // Ports beyond the third interface fold onto it only where a machine has
  // three or more MIDI interfaces; none exists here.
}

// n bytes read past; false (the stream marked at its end) when it cannot hold them.
bool Saute(uint32_t n) {
  if (int64_t(n) > GetStreamRemaining()) {
    ioCustom.finFichier = 1;
    return false;
  }
  ReadGap(int32_t(n));
  return true;
}

void LitControleur(uint8_t* on, uint16_t* valeur) {
  *on = ReadMot() != 0 ? 1 : 0;
  *valeur = ReadMot();
}

void LitQuatre(uint16_t* valeurs) {
  for (int i = 0; i < 4; i++) valeurs[i] = ReadMot();
}

// The header of a record from version 2.00; false when the record is unused.
bool LitEntete(Instrument* r) {
  if (ReadMot() == 0) {
    r->inUse = 0;
    return false;
  }
  r->inUse = 1;
  ReadString(r->name, sizeof r->name);
  r->auxFlag = ReadByte();
  r->isDrum = ReadByte();
  r->soundId = ReadMotLong();
  const uint16_t w = ReadMot();
  if (VersionQuarvelLoad >= 0x9630) {
    r->organCode = (uint32_t(w) << 16) | ReadMot();
    r->organPort = ReadMotLong();
  } else {
    AncienOrgane(r, w);
  }
  if (ReadMot() == 1) {
    if (r->organCode != kOrganeExmo) {
      if (!Saute(ReadMotLong())) return true;
      ReadString(r->organText, sizeof r->organText);
    } else {
      char jete[780];
      ReadGap(4);
      ReadString(jete, sizeof jete);
      ReadGap(8);
      if (!Saute(ReadMotLong())) return true;
      r->organCode = kOrganeObsn;
      r->organPort = 0;
    }
  }
  r->note = int8_t(ReadByte());
  // Older documents played this sampled sound an octave too high.
  if (VersionQuarvelLoad < 0x9701 && r->organCode == kOrganeObsn && r->soundId == 2483) r->note -= 12;
  r->midiWord1 = ReadMot();
  r->midiWord2 = ReadMot();
  r->channel = ReadMot();
  LitControleur(&r->volumeOn, &r->volume);
  LitControleur(&r->panOn, &r->pan);
  LitControleur(&r->ctrl3On, &r->ctrl3);
  LitControleur(&r->ctrl4On, &r->ctrl4);
  if (VersionQuarvelLoad >= 0x0500) {
    r->vibratoOn = ReadByte();
    if (r->vibratoOn) LitQuatre(r->vibrato);
    r->tremoloOn = ReadByte();
    if (r->tremoloOn) LitQuatre(r->tremolo);
  }
  if (VersionQuarvelLoad >= 0x0710) {
    r->effectsOn = ReadByte();
    if (r->effectsOn) ReadFXParam(&r->effects);
  }
  return true;
}

constexpr uint32_t kTagAALI = FourCC("AALI");
constexpr uint32_t kTagDGIT = FourCC("DGIT");
constexpr uint32_t kTagONDE = FourCC("ONDE");
constexpr uint32_t kTagMIDI = FourCC("MIDI");
constexpr uint32_t kTagHP = uint32_t('H') << 24 | uint32_t('P') << 16;

// The fixed part of the 0x0300 and 0x0400 layouts, up to the fourth group.
void LitGroupes(AireDigitInstrument* a) {
  ModeleSonsInstrument& m = a->modele;
  ReadGap(1);
  a->ownSounds = ReadByte();
  for (uint16_t& p : m.digitParam) p = ReadMot();
  m.digitByte1 = ReadByte();
  m.digitByte2 = ReadByte();
  for (uint32_t& v : m.longs1) v = ReadMotLong();
  m.group2On = ReadByte();
  for (uint32_t& v : m.longs2) v = ReadMotLong();
  m.group3On = ReadByte();
  for (uint32_t& v : m.longs3) v = ReadMotLong();
  m.group4On = ReadByte();
  for (uint32_t& v : m.longs4) v = ReadMotLong();
}

// One stored sound into its slot; false when it cannot be stored.
bool LitSon(Handle* slot) {
  const uint32_t S = ReadMotLong();
  if (S == 0) return true;
  // The header that follows the size is 40 bytes.
  if (int64_t(S) + 40 > GetStreamRemaining() || int64_t(S) > int64_t(kMaxBlockSize) - kSurplusDigit) {
    ioCustom.finFichier = 1;
    return false;
  }
  Handle h = NewHandleClear(Size(S + kSurplusDigit));
  if (!h) {
    Collapse("Pas assez de place memoire pour charger l'echantillon numerique");
    return false;
  }
  EnteteDigit e = {};
  e.form = ReadMot();
  e.bits = ReadMot();
  e.rate = ReadMotLong();
  ReadGap(1);
  e.byteA = ReadByte();
  ReadGap(1);
  e.byteB = ReadByte();
  e.loopStart = ReadMotLong();
  e.loopEnd = ReadMotLong();
  e.count = ReadMotLong();
  ReadGap(16);
  if (e.form & kDigitMP3) {
    e.form = uint16_t(e.form & ~(kDigitOgg | kDigitPack));
  } else if (e.form & kDigitOgg) {
    e.form = uint16_t(e.form & ~kDigitPack);
  }
  // The samples are stored as they are, outside any LZW coding.
  const int16_t lzw = VersionQuarvelLoad >= 0x0800 ? SetLZWMode(0) : GetLZWMode();
  ReadBlock(*h + kTailleEnteteDigit, int32_t(S));
  if (VersionQuarvelLoad >= 0x0800) SetLZWMode(lzw);
  if (e.form == 0) e.form = kDigitGrandBoutien;
  SetEnteteDigit(h, e);
  if (e.form & kDigitRLE) {
    Handle decode = CvtBuffDigit(h, int16_t(e.bits), e.rate, 0);
    DisposeHandle(h);
    h = decode;
  }
  if (*slot) DisposeHandle(*slot);
  *slot = h;
  return true;
}

}  // namespace

int16_t ReadMidi(Instrument* r) {
  const uint16_t version = ReadMot();
  if (version == 0x0102) {
    r->bank = ReadMot();
    const uint8_t b1 = ReadByte(), b2 = ReadByte();
    r->melodic = b1 & 1;
    r->program = uint16_t(((b1 * 64) & 0x3F80) + b2);
    // The two 7-bit halves were stored the other way round.
    if (VersionQuarvelLoad < 0x0810) r->program = uint16_t(((r->program & 0xFF80) >> 7) + ((b2 & 127) << 7));
    r->drumNote = ReadByte();
  } else if (version == 0x0101) {
    r->note = int16_t(ReadMot());
    r->midiWord1 = ReadMot();
    r->midiWord2 = ReadMot();
    r->organCode = kOrganeMidi;
    r->organPort = uint32_t(int32_t(ReadShort()));
    r->channel = ReadMot();
    ReadGap(1);
    r->bank = ReadMot();
    r->melodic = ReadByte();
    r->isDrum = ReadByte();
    const uint8_t p = ReadByte();
    r->program = uint16_t(((p & 127) << 7) + (p >> 7));
    const uint8_t f = uint8_t(~ReadByte());
    r->volumeOn = f & 1;
    r->panOn = (f >> 1) & 1;
    r->ctrl3On = (f >> 2) & 1;
    r->ctrl4On = (f >> 4) & 1;
    r->volume = ReadMot();
    r->pan = ReadMot();
    ReadGap(2);
    r->ctrl3 = ReadMot();
    ReadGap(2);
    r->ctrl4 = ReadMot();
    const int16_t id =
        r->isDrum ? RsrcDgitBatterie(int16_t(r->bank), r->note) : RsrcDgitInstrument(int16_t(r->bank), r->program);
    r->soundId = uint32_t(int32_t(id));
  } else {
    VersionInconnue();
  }
  return 1;
}

int16_t ReadDigit(AireDigitInstrument* a, Handle* sons) {
  ModeleSonsInstrument& m = a->modele;
  const uint16_t layout = ReadMot();
  switch (layout) {
    case 0x0101: {
      m.soundCount = 6;
      ReadGap(1);
      a->ownSounds = ReadByte();
      m.digitParam[0] = ReadMot();
      const uint16_t p3 = ReadMot(), p1 = ReadMot(), p2 = ReadMot();
      for (SlotSonInstrument& s : m.slots) {
        s.param3 = p3;
        s.param1 = p1;
        s.param2 = p2;
        s.soundRef = kRefSonAucun;
        s.slotValue = 0;
      }
      ReadGap(32);
      break;
    }
    case 0x0200: {
      m.soundCount = 12;
      ReadGap(1);
      a->ownSounds = ReadByte();
      m.digitParam[0] = ReadMot();
      for (int i = 0; i < 12; i++) {
        SlotSonInstrument& s = m.slots[i];
        s.param3 = ReadMot();
        s.param1 = ReadMot();
        s.param2 = ReadMot();
        s.soundRef = kRefSonAucun;
        s.slotValue = 0;
        std::memset(s.slotBytes, 0, sizeof s.slotBytes);
      }
      std::memset(m.extBytes, 0, sizeof m.extBytes);
      std::memset(m.optionBytes, 0, sizeof m.optionBytes);
      break;
    }
    case 0x0300:
    case 0x0400: {
      LitGroupes(a);
      if (layout == 0x0400) {
        ReadBlock(m.extBytes, sizeof m.extBytes);
        ReadBlock(m.optionBytes, sizeof m.optionBytes);
      } else {
        std::memset(m.extBytes, 0, sizeof m.extBytes);
        std::memset(m.optionBytes, 0, sizeof m.optionBytes);
      }
      const int16_t n = ReadShort();
      // The area has its slots and no more; each stored slot takes 10 bytes at least.
      if (n > kNbSonsInstrument || int64_t(n) * 10 > GetStreamRemaining()) {
        if (n <= kNbSonsInstrument) ioCustom.finFichier = 1;
        return 0;
      }
      m.soundCount = n < 0 ? 0 : n;
      for (int i = 0; i < m.soundCount; i++) {
        SlotSonInstrument& s = m.slots[i];
        s.soundRef = ReadMot();
        s.param1 = ReadMot();
        s.param2 = ReadMot();
        s.param3 = ReadMot();
        s.slotValue = ReadShort();
        std::memset(s.slotBytes, 0, sizeof s.slotBytes);
        if (layout == 0x0400) {
          for (uint8_t& b : s.slotBytes) b = ReadByte();
          ReadGap(ReadMot());
        }
      }
      break;
    }
    default: return 0;
  }
  if (!a->ownSounds) return 1;
  for (int i = 0; i < m.soundCount && !EndOfFile(); i++)
    if (!LitSon(&sons[i])) return 0;
  return 1;
}

int16_t ReadInstrument(Instrument* r) {
  if (VersionQuarvelLoad < 0x0200) {
    ReadString(r->name, sizeof r->name);
    r->inUse = 1;
    r->auxFlag = 1;
    r->organCode = kOrganeMidi;
    r->organPort = 0;
  } else if (!LitEntete(r)) {
    return EndOfFile() ? 0 : 1;
  }
  int16_t resultat = 1;
  for (uint32_t tag = ReadMotLong(); tag != 0 && resultat && !EndOfFile();) {
    uint16_t version;
    switch (tag) {
      case kTagAALI:
        version = ReadMot();
        if (version == 0x0101) {
          ReadGap(22);
        } else if (version == 0x0102) {
          ReadGap(12);
        } else {
          VersionInconnue();
        }
        break;
      case kTagDGIT: resultat = ReadDigit(&r->digitArea, r->sampleHandles[0]); break;
      case kTagONDE:
        version = ReadMot();
        if (version == 0x0101) {
          ReadBlock(r->waveTable, sizeof r->waveTable);
        } else if (version != 0) {
          VersionInconnue();
        }
        break;
      case kTagMIDI: resultat = ReadMidi(r); break;
      case kTagHP:
        version = ReadMot();
        if (version == 0x0101) {
          r->hpWord = ReadMot();
        } else {
          VersionInconnue();
        }
        break;
      default: break;  // an unknown tag has no body: the next four bytes are a tag
    }
    if (resultat) tag = ReadMotLong();
  }
  return EndOfFile() ? 0 : resultat;
}

int16_t ReadInstrumentsPartition(Partition** score) {
  const int16_t n = ReadShort();
  // A record takes two bytes at least.
  if (n < 0 || n > kMaxInstrumentsDocument || EndOfFile() || int64_t(n) * 2 > GetStreamRemaining()) {
    ioCustom.finFichier = 1;
    return 0;
  }
  if (!CreeTableauInstrument(score, n)) return 0;
  for (int16_t i = 0; i < n; i++)
    if (!ReadInstrument(GetInstrument(score, i))) return 0;
  return 1;
}
