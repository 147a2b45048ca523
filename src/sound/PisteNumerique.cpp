#include "sound/PisteNumerique.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "model/Portee.h"
#include "model/TempsJoue.h"
#include "platform/Memory.h"
#include "plugin/LectureDocument.h"
#include "plugin/ServicesInertes.h"
#include "sound/Flux.h"
#include "sound/OggVorbis.h"
#include "system/BudgetRequete.h"
#include "system/ByteOrder.h"
#include "system/Handles.h"
#include "system/Mlap.h"
#include "system/PackStreams.h"
#include "system/QrvFiles.h"
#include "system/Reporters.h"
#include "system/TempFiles.h"

namespace {

// Silence is written in pieces of this many samples, so that a huge count
// can be stopped by the request's time bound.
constexpr int32_t kPieceSilence = 1 << 20;
// Chunks read between two looks at the request's time bound.
constexpr int32_t kChunksParControle = 64;
// The MLAP sink's buffer, and how many bytes it takes between two turns of
// the progress display.
constexpr int32_t kTamponMlap = 1048576;
constexpr uint32_t kTourProgressionMlap = 32768;

void ChunkInvalide() { Collapse("Read data digital track : bad chunk"); }

// Brings the stream's position to `cible`: silence up to it, or back to it.
// False when the silence cannot be written or the time is up.
bool AmeneFlux(int32_t id, uint32_t cible) {
  uint32_t position = TellFlux(id);
  if (position > cible) return SeekFlux(id, cible) == 0;
  while (position < cible) {
    const int32_t n = int32_t(std::min<uint32_t>(cible - position, kPieceSilence));
    if (!FillFlux(id, n) || DelaiRequeteDepasse()) return false;
    position += uint32_t(n);
  }
  return true;
}

// Raw samples: data chunks copied in pieces of the transfer buffer, silence
// chunks written as the stream's own silence (128 for 8-bit samples).
int16_t LitBrut(int32_t id, int32_t n, bool echangeMots) {
  const int32_t taille = TailleSampleFlux(id);
  const int32_t octets = std::max(GetTailleBufferTransfert(), taille);
  Ptr tampon = NewPtrClear(octets);
  if (!tampon) return 0;  // the grave-error notice is an inert service here
  const int32_t parPiece = octets / taille;
  int64_t reste = n;
  int16_t resultat = 1;
  for (int32_t chunks = 1; reste > 0 && resultat; chunks++) {
    const int16_t type = ReadCar();
    if (type < 0) {
      resultat = 0;
      break;
    }
    if (type != kChunkPisteDonnees && type != kChunkPisteSilence) {
      ChunkInvalide();
      resultat = 0;
      break;
    }
    const int32_t c = ReadLong();
    if (EndOfFile() || c < 0 || (type == kChunkPisteDonnees && int64_t(c) * taille > GetStreamRemaining())) {
      ChunkInvalide();
      resultat = 0;
      break;
    }
    if (type == kChunkPisteDonnees) {
      for (int32_t fait = 0; fait < c && resultat;) {
        const int32_t k = std::min(parPiece, c - fait);
        ReadBlock(tampon, k * taille);
        // Older documents store their 16-bit samples in big-endian order.
        if (echangeMots && taille == 2) ZoneWintel2moto(tampon, k * 2);
        if (WriteFluxNatif(tampon, k, id) != k) resultat = 0;
        fait += k;
      }
    } else {
      // Silence beyond the track's length is not written.
      const uint32_t cible = uint32_t(int64_t(TellFlux(id)) + std::min<int64_t>(c, reste));
      if (!AmeneFlux(id, cible)) resultat = 0;
    }
    reste -= c;
    if (DoIdleDialogueProgression(int32_t(int64_t(n) - std::max<int64_t>(reste, 0)))) resultat = 0;
    if (chunks % kChunksParControle == 0 && DelaiRequeteDepasse()) resultat = 0;
  }
  if (reste < 0) Collapse("Read data digital track : too much data");
  DisposePtr(tampon);
  return resultat;
}

// MP3, Ogg Vorbis and MLAP chunks. A chunk that cannot be decoded is passed
// over by its stated size and reads as silence, so that the chunks after it
// and the document after the track are read in step.
int16_t LitCode(int32_t id, int32_t n, uint8_t codec, int32_t delai) {
  // MLAP codes 16-bit samples only: chunks of another track are passed over.
  const bool decodable = codec == kCodecPisteMp3 || codec == kCodecPisteOgg || TailleSampleFlux(id) == 2;
  int64_t somme = 0;
  bool tropLong = false;
  for (int32_t chunks = 1; somme < n; chunks++) {
    const int16_t type = ReadCar();
    if (type < 0) return 0;
    if (type != kChunkPisteDonnees && type != kChunkPisteSilence) {
      ChunkInvalide();
      return 0;
    }
    const int32_t c = ReadLong();
    const int32_t b = type == kChunkPisteDonnees ? ReadLong() : 0;
    if (EndOfFile() || c < 0 || b < 0 || b > GetStreamRemaining()) {
      ChunkInvalide();
      return 0;
    }
    // What passes the track's length is not kept.
    if (c > int64_t(n) - somme) tropLong = true;
    const int32_t garde = int32_t(std::min<int64_t>(c, int64_t(n) - somme));
    const uint32_t debutFlux = TellFlux(id);
    if (type == kChunkPisteDonnees) {
      const int32_t debut = GetPosWrite();
      bool decode = false;
      if (decodable) {
        if (codec == kCodecPisteMp3) decode = DecodePisteMp3(id, b, c, delai) == 0;
        else if (codec == kCodecPisteOgg) decode = DecodePisteOgg(id, b, garde) == 0;
        else decode = DecodePisteMlap(id, garde) != 0;
      }
      if (decodable && !decode) Collapse("Read data digital track : chunk not decoded");
      // MLAP ends where its stream ends; the others, and a failure, end at
      // the chunk's stated size.
      if (!decode || codec == kCodecPisteMp3 || codec == kCodecPisteOgg) SetPos(debut + b);
    }
    if (!AmeneFlux(id, uint32_t(int64_t(debutFlux) + garde))) return 0;
    somme += c;
    if (DoIdleDialogueProgression(int32_t(std::min<int64_t>(somme, n)))) return 0;
    if (chunks % kChunksParControle == 0 && DelaiRequeteDepasse()) return 0;
  }
  if (tropLong) Collapse("Read data digital track : too much data");
  return 1;
}

// ---- MLAP --------------------------------------------------------------------

// The source: the document stream from its current position.
int16_t MlapLitOctet(PackStream* s) {
  const int16_t c = ReadCar();
  if (c >= 0) s->position++;
  return c;
}

uint8_t MlapLitBloc(void* destination, int32_t count, PackStream* s) {
  const int32_t lus = ReadCarBlock(destination, count);
  s->position += uint32_t(std::max(lus, 0));
  return lus == count ? 1 : 0;
}

void MlapPlace(PackStream* s, int32_t position) {
  SetPos(position);
  s->position = uint32_t(std::max(position, 0));
}

int32_t MlapTailleSource(PackStream*) { return int32_t(std::min<int64_t>(GetStreamSize(), INT32_MAX)); }

// The sink: bytes at twice the sample position, gathered in runs and written
// to the sample stream a run at a time. Nothing is written from `limite` on.
struct PuitsMlap {
  int32_t id;
  uint8_t* tampon;
  uint64_t limite;  // byte position
  uint32_t debut;   // byte position of the run
  int32_t nb;       // bytes in the run
  uint32_t appels;
  bool echec;
};

void VideRun(PuitsMlap* p) {
  if (p->nb == 0) return;
  if ((p->debut & 1) || (p->nb & 1)) {
    Collapse("Ecriture impaire sur flux");
    p->echec = true;
  } else if (WriteFluxPosNatif(p->id, p->debut / 2, p->tampon, p->nb / 2) != p->nb / 2) {
    p->echec = true;
  }
  p->nb = 0;
}

uint8_t MlapEcritOctet(uint8_t octet, PackStream* s) {
  auto* p = static_cast<PuitsMlap*>(s->source);
  if (p->nb > 0 && (p->debut + uint32_t(p->nb) != s->position || p->nb == kTamponMlap)) VideRun(p);
  if (p->echec || s->position >= p->limite) return 0;
  if (p->nb == 0) p->debut = s->position;
  p->tampon[p->nb++] = octet;
  s->position++;
  if (++p->appels % kTourProgressionMlap == 0 && DoIdleDialogueProgression(int32_t(s->position / 2))) {
    p->echec = true;
    return 0;
  }
  return 1;
}

// Decoded blocks come in big-endian order; the stream holds host order.
uint8_t MlapEcritBloc(const void* source, int32_t count, PackStream* s) {
  const auto* o = static_cast<const uint8_t*>(source);
  int32_t i = 0;
  for (; i + 1 < count; i += 2)
    if (!MlapEcritOctet(o[i + 1], s) || !MlapEcritOctet(o[i], s)) return 0;
  if (i < count && !MlapEcritOctet(o[i], s)) return 0;
  return 1;
}

void MlapPlacePuits(PackStream* s, int32_t position) {
  MlapFlushWriteBits(s);
  VideRun(static_cast<PuitsMlap*>(s->source));
  s->position = uint32_t(std::max(position, 0));
  MlapInitReadWriteBits(s);
}

int32_t MlapTaillePuits(PackStream* s) { return int32_t(s->position); }

void MlapFermePuits(PackStream* s) {
  MlapFlushWriteBits(s);
  VideRun(static_cast<PuitsMlap*>(s->source));
}

// ---- Ogg Vorbis -----------------------------------------------------------------

struct LectureOgg {
  int32_t reste;  // bytes of the chunk not read yet
};

int32_t OggLit(void* context, void* buffer, int32_t size) {
  auto* l = static_cast<LectureOgg*>(context);
  const int32_t n = std::min(size, l->reste);
  if (n <= 0) return 0;
  const int32_t lus = ReadCarBlock(buffer, n);
  l->reste -= lus;
  return lus;
}

struct EcritureOgg {
  int32_t id;
  int16_t stereo;    // set by the decoder before each logical stream's samples
  int64_t restants;  // samples the chunk still holds
  bool plein;
  bool echec;
};

// Keeps the first channel, widened to working samples, and stops the decoder
// once the chunk's samples are there.
int16_t OggEcrit(void* context, const int16_t* samples, int32_t bytes) {
  auto* e = static_cast<EcritureOgg*>(context);
  const int32_t canaux = e->stereo ? 2 : 1;
  const int32_t trames = bytes / 2 / canaux;
  const int32_t n = int32_t(std::min<int64_t>(trames, e->restants));
  int32_t travail[8192];
  for (int32_t fait = 0; fait < n;) {
    const int32_t k = std::min<int32_t>(n - fait, 8192);
    for (int32_t i = 0; i < k; i++) travail[i] = int32_t(uint32_t(uint16_t(samples[(fait + i) * canaux])) << 16);
    if (WriteFlux32b(travail, k, e->id) != k) {
      e->echec = true;
      return 0;
    }
    fait += k;
  }
  e->restants -= n;
  if (DoIdleDialogueProgression(int32_t(TellFlux(e->id)))) {
    e->echec = true;
    return 0;
  }
  if (e->restants <= 0) {
    e->plein = true;
    return 0;
  }
  return 1;
}

}  // namespace

// ---- Accessors ---------------------------------------------------------------------

uint32_t GetSampleRatePisteNumerique(Portee** staff) { return staff ? (*staff)->piste.frequence : 0; }
int16_t GetNbBitsPisteNumerique(Portee** staff) { return staff ? (*staff)->piste.bits : 0; }
uint32_t GetLengthPisteNumerique(Portee** staff) { return staff ? GetLengthFlux((*staff)->flux) : 0; }

// ---- The stored track ----------------------------------------------------------------

int16_t ReadPisteNumerique(Portee** staff) {
  if (!staff) return 0;
  const uint16_t v = VersionQuarvelLoad;
  uint32_t rate = 44100;
  int16_t bits = 16;
  if (v >= 0x0964) {
    rate = uint32_t(ReadLong());
    bits = ReadShort();
  }
  const uint16_t volume = uint16_t(ReadShort());
  const uint16_t pan = uint16_t(ReadShort());
  const int32_t n = ReadLong();
  uint8_t reglages[6];
  ReadBlock(reglages, sizeof reglages);
  TextStyle style = (*staff)->piste.style;
  if (!ReadTextStyle(&style)) return 0;
  const uint16_t m = uint16_t(ReadShort());
  if (EndOfFile()) return 0;

  ReglagesPiste& t = (*staff)->piste;
  t.frequence = rate;
  t.bits = bits;
  (*staff)->volume = volume;
  (*staff)->pan = pan;
  t.reglage1 = reglages[0];
  t.reglage2 = reglages[1];
  t.reglage3 = reglages[2];
  t.reglage4 = reglages[3];
  t.reglage5 = reglages[4];
  t.reglage6 = reglages[5];
  t.style = style;
  LibereHandle(&t.marqueurs);
  t.nbMarqueurs = 0;
  // A count of 0x8000 or more stores no marker.
  if (int16_t(m) > 0) {
    if (int64_t(m) * 4 > GetStreamRemaining()) return 0;
    Handle h = NewHandleClear(Size(m) * 4);
    if (!h) return 0;
    for (uint16_t i = 0; i < m; i++) reinterpret_cast<int32_t*>(*h)[i] = ReadLong();
    (*staff)->piste.marqueurs = h;
    (*staff)->piste.nbMarqueurs = int16_t(m);
  }
  const uint8_t codec = v >= 0x0800 ? uint8_t(ReadCar()) : kCodecPisteBrut;
  const int32_t delai = v >= 0x9632 ? ReadLong() : kDelaiMp3Defaut;
  if (EndOfFile() || n < 0) return 0;

  DisposeFlux((*staff)->flux);
  (*staff)->flux = 0;
  const int32_t id = CreateFlux("FlxRead", uint32_t(n), kFluxMemoire, rate, bits);
  if (!id) return 0;
  (*staff)->flux = id;
  SeekFlux(id, 0);
  DoOuvreDialogueProgression("", n);
  // The samples are stored as they are, outside any LZW coding.
  const int16_t lzw = SetLZWMode(0);
  const int16_t resultat = codec == kCodecPisteBrut ? LitBrut(id, n, v < 0x0964) : LitCode(id, n, codec, delai);
  SetLZWMode(lzw);
  DoFermeDialogueProgression();
  return resultat;
}

uint8_t DecodePisteMlap(int32_t stream, int32_t samples) {
  if (TailleSampleFlux(stream) != 2) return 0;
  const int32_t depart = GetPosWrite();
  if (depart < 0) return 0;
  const uint64_t octet = uint64_t(TellFlux(stream)) * 2;
  PuitsMlap puits = {
      stream, reinterpret_cast<uint8_t*>(NewPtr(kTamponMlap)), octet + uint64_t(std::max(samples, 0)) * 2, 0, 0, 0,
      false};
  if (!puits.tampon) return 0;
  PackStream* source = InitPackStreamVector(nullptr, 0, MlapLitOctet, nullptr, MlapLitBloc, nullptr, MlapPlace,
                                            MlapTailleSource, nullptr, uint32_t(depart), 0);
  PackStream* sortie = octet > INT32_MAX
                           ? nullptr
                           : InitPackStreamVector(&puits, 0, nullptr, MlapEcritOctet, nullptr, MlapEcritBloc,
                                                  MlapPlacePuits, MlapTaillePuits, MlapFermePuits, uint32_t(octet), 1);
  uint8_t ok = source && sortie ? UnpackWholeStream(source, sortie) : 0;
  DisposePackStream(source);
  DisposePackStream(sortie);  // writes the last run
  DisposePtr(reinterpret_cast<Ptr>(puits.tampon));
  return ok && !puits.echec ? 1 : 0;
}

int16_t DecodePisteOgg(int32_t stream, int32_t bytes, int32_t samples) {
  const uint32_t debut = TellFlux(stream);
  LectureOgg lecture = {std::max(bytes, 0)};
  EcritureOgg ecriture = {stream, 0, std::max(samples, 0), false, false};
  uint32_t rate = 0;
  int16_t bitsOgg = 0, isSigned = 0;
  int16_t ok = 1;
  if (ecriture.restants > 0)
    ok = DecodeOggGenerique(&lecture, OggLit, &ecriture, OggEcrit, &rate, &ecriture.stereo, &bitsOgg, &isSigned);
  if (!ok && !ecriture.plein) return 1;
  // Fewer samples than stated are made up with silence.
  return AmeneFlux(stream, uint32_t(int64_t(debut) + std::max(samples, 0))) ? 0 : 1;
}

// ---- Samples for drawing, and the track's format ------------------------------------------

int16_t ReadData32bPisteNumerique(Portee** staff, uint32_t first, int32_t* buffer, int32_t count) {
  if (!buffer || count <= 0) return 1;
  const int32_t id = staff ? (*staff)->flux : 0;
  const uint32_t longueur = GetLengthFlux(id);
  int32_t lus = 0;
  if (id && longueur > first && SeekFlux(id, first) == 0) {
    lus = int32_t(std::min<uint64_t>(uint64_t(count), longueur - first));
    ReadFlux32b(buffer, lus, id);
  }
  if (lus < count) std::memset(buffer + lus, 0, size_t(count - lus) * sizeof(int32_t));
  return 1;
}

int32_t* GetDataMesurePisteNumerique(Partition** score, Portee** staff, int32_t playedBar, int32_t* count) {
  if (count) *count = 0;
  if (!score || !staff || !count) return nullptr;
  const float rate = float((*staff)->piste.frequence);
  // In single precision, as the track's cells always were.
  const float f0 = float(CvtMesureJoueeEnMs(score, playedBar)) * rate * 0.001f;
  const float f1 = float(CvtMesureJoueeEnMs(score, playedBar + 1)) * rate * 0.001f;
  const int64_t s0 = int64_t(f0), s1 = int64_t(f1);
  const int64_t n = s1 - s0;
  if (n <= 0 || s0 < 0 || s0 > int64_t(UINT32_MAX) || n * int64_t(sizeof(int32_t)) > int64_t(kMaxBlockSize))
    return nullptr;
  auto* samples = reinterpret_cast<int32_t*>(NewPtr(Size(n) * Size(sizeof(int32_t))));
  if (!samples) return nullptr;
  StartFluxCriticalSection();
  ReadData32bPisteNumerique(staff, uint32_t(s0), samples, int32_t(n));
  EndFluxCriticalSection();
  *count = int32_t(n);
  return samples;
}

int16_t SetFormatPisteNumerique(Portee** staff, uint32_t rate, int16_t bits) {
  if (!staff) return 0;
  const uint32_t ancienne = (*staff)->piste.frequence;
  if (!rate) rate = ancienne;
  if (!bits) bits = (*staff)->piste.bits;
  if (rate == ancienne && bits == (*staff)->piste.bits) return 1;
  // A track without samples yet only takes the format.
  if ((*staff)->flux && !SetFormatFlux((*staff)->flux, rate, bits)) return 0;
  (*staff)->piste.frequence = rate;
  (*staff)->piste.bits = bits;
  Handle h = (*staff)->piste.marqueurs;
  if (h && ancienne && rate != ancienne) {
    auto* m = reinterpret_cast<int32_t*>(*h);
    const int32_t nb = std::min<int32_t>((*staff)->piste.nbMarqueurs, int32_t(GetHandleSize(h) / 4));
    for (int32_t i = 0; i < nb; i++) {
      const float x = std::trunc(float(m[i]) * float(rate) / float(ancienne));
      m[i] = x >= 2147483520.0f ? INT32_MAX : x <= -2147483648.0f ? INT32_MIN : int32_t(x);
    }
  }
  return 1;
}
