#include "sound/SCvtdgit.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "platform/Memory.h"
#include "plugin/ServicesInertes.h"
#include "sound/OggVorbis.h"
#include "system/Handles.h"
#include "system/Mlap.h"
#include "system/PackStreams.h"
#include "system/Reporters.h"

namespace {

uint16_t Lit16(const uint8_t* p) {
  uint16_t v;
  std::memcpy(&v, p, 2);
  return v;
}
uint32_t Lit32(const uint8_t* p) {
  uint32_t v;
  std::memcpy(&v, p, 4);
  return v;
}
void Ecrit16(uint8_t* p, uint16_t v) { std::memcpy(p, &v, 2); }
void Ecrit32(uint8_t* p, uint32_t v) { std::memcpy(p, &v, 4); }
uint16_t Lit16GB(const uint8_t* p) { return uint16_t((p[0] << 8) | p[1]); }

uint8_t* Octets(Handle h) { return reinterpret_cast<uint8_t*>(*h); }
uint8_t* Donnees(Handle h) { return Octets(h) + kTailleEnteteDigit; }
// Bytes of stored data: the block less its header and spare sample.
int32_t NbOctetsDonnees(Handle h) { return std::max<int32_t>(0, GetHandleSize(h) - kSurplusDigit); }

// A zero-filled block for n bytes of data, with the header given; null when
// the size is beyond any block.
Handle NouveauSon(const EnteteDigit& e, int64_t octetsDonnees) {
  if (octetsDonnees < 0 || octetsDonnees > int64_t(kMaxBlockSize) - kSurplusDigit) return nullptr;
  Handle h = NewHandleClear(Size(octetsDonnees + kSurplusDigit));
  if (h) SetEnteteDigit(h, e);
  return h;
}

int16_t Sample16(Handle h, int64_t i) {
  if (i < 0 || (i + 1) * 2 > NbOctetsDonnees(h) + 2) return 0;  // the spare sample reads too
  return int16_t(Lit16(Donnees(h) + i * 2));
}

void EchangeOctets(Handle h) {
  uint8_t* d = Donnees(h);
  for (int32_t i = 0, n = NbOctetsDonnees(h) / 2; i < n; i++) std::swap(d[2 * i], d[2 * i + 1]);
}

// The count never claims more samples than the data holds.
void BorneCompte(Handle h) {
  EnteteDigit e = GetEnteteDigit(h);
  const int32_t taille = e.bits == 8 ? 1 : 2;
  const uint32_t presents = uint32_t(NbOctetsDonnees(h) / taille);
  if (e.count > presents) {
    e.count = presents;
    SetEnteteDigit(h, e);
  }
}

int16_t Borne16(int64_t v) { return int16_t(std::clamp<int64_t>(v, INT16_MIN, INT16_MAX)); }

// ---- MP3 ---------------------------------------------------------------------

MP3DecodeurProc gDecodeurMP3 = nullptr;

// The block MP3FeedBack fills.
struct {
  Handle h;
  int32_t octets, capacite;
} gMP3 = {nullptr, 0, 0};

// Keeps the first of two interleaved channels; the samples kept.
int64_t GardePremierCanal(int16_t* s, int64_t n) {
  for (int64_t i = 0; i < n / 2; i++) s[i] = s[2 * i];
  return n / 2;
}

// Decoded samples replace the stored data; null when nothing came out.
Handle SonDecode(const EnteteDigit& source, const int16_t* samples, int64_t n) {
  if (n <= 0) return nullptr;
  EnteteDigit e = source;
  e.form = 0;
  e.bits = 16;
  e.count = uint32_t(std::min<int64_t>(n, UINT32_MAX));
  Handle h = NouveauSon(e, n * 2);
  if (h) std::memcpy(Donnees(h), samples, size_t(n * 2));
  return h;
}

// Room for the sound's samples in both channels of a two-channel stream.
int32_t Place(const EnteteDigit& e) {
  return int32_t(std::min<int64_t>(int64_t(e.count) * 4, int64_t(kMaxBlockSize) - kSurplusDigit));
}

Handle DecodeMP3(Handle c) {
  const EnteteDigit e = GetEnteteDigit(c);
  gMP3 = {NewHandle(0), 0, Place(e)};
  if (!gMP3.h) return nullptr;
  int16_t canaux = 1;
  int32_t inutile = 0;
  const MP3DecodeurProc decode = gDecodeurMP3 ? gDecodeurMP3 : MP3DecodeMemory;
  const int32_t erreur = decode(Donnees(c), NbOctetsDonnees(c), MP3FeedBack, &canaux, &inutile);
  Handle decode16 = gMP3.h;
  gMP3 = {nullptr, 0, 0};
  Handle resultat = nullptr;
  int64_t n = GetHandleSize(decode16) / 2;
  auto* s = reinterpret_cast<int16_t*>(*decode16);
  if (canaux == 2) n = GardePremierCanal(s, n);
  // The decoder's first 1048 samples are its delay; a sound with nothing
  // after them decoded to nothing.
  constexpr int64_t kRetard = 1048, kFondu = 104;
  if (erreur == 0 && n > kRetard) {
    s += kRetard;
    n -= kRetard;
    for (int64_t k = 0; k < std::min(kFondu, n); k++) s[k] = int16_t(s[k] * k / kFondu);
    EnteteDigit r = e;
    r.loopStart = r.loopStart > kRetard ? uint32_t(r.loopStart - kRetard) : 0;
    const uint32_t fin = r.loopEnd & 0xFFFFFF;
    r.loopEnd = (r.loopEnd & 0xFF000000u) | (fin > kRetard ? uint32_t(fin - kRetard) : 0);
    resultat = SonDecode(r, s, n);
  }
  DisposeHandle(decode16);
  return resultat;
}

// ---- Ogg Vorbis and pack streams --------------------------------------------

Handle DecodeOgg(Handle c) {
  const EnteteDigit e = GetEnteteDigit(c);
  uint32_t frequence = 0;
  int16_t stereo = 0, bits = 0, signe = 0;
  Handle d = DecodeMemoryOgg(Donnees(c), NbOctetsDonnees(c), Place(e), &frequence, &stereo, &bits, &signe);
  if (!d) return nullptr;
  int64_t n = GetHandleSize(d) / 2;
  auto* s = reinterpret_cast<int16_t*>(*d);
  if (stereo) n = GardePremierCanal(s, n);
  if (e.count > 0) n = std::min<int64_t>(n, e.count);
  Handle resultat = SonDecode(e, s, n);
  DisposeHandle(d);
  return resultat;
}

// The sink of a pack stream: what passes the sound's size is dropped, so a
// stream that says more than the sound holds cannot grow the block.
struct SortiePack {
  uint8_t* donnees;
  int32_t capacite, ecrits;
};

uint8_t PackPutBlock(const void* source, int32_t count, PackStream* stream) {
  auto* s = static_cast<SortiePack*>(stream->source);
  const int32_t n = std::max(0, std::min(count, s->capacite - s->ecrits));
  if (n > 0) std::memcpy(s->donnees + s->ecrits, source, size_t(n));
  s->ecrits += n;
  stream->position += uint32_t(std::max(count, 0));
  return 1;
}
uint8_t PackPutChar(uint8_t byte, PackStream* stream) { return PackPutBlock(&byte, 1, stream); }
int32_t PackSize(PackStream* stream) { return int32_t(stream->position); }

Handle DecodePack(Handle c) {
  EnteteDigit e = GetEnteteDigit(c);
  e.form = uint16_t(e.form & ~kDigitPack);
  Handle r = NouveauSon(e, int64_t(e.count) * 2);
  if (!r) return nullptr;
  SortiePack sortie = {Donnees(r), int32_t(std::min<int64_t>(int64_t(e.count) * 2, kMaxBlockSize)), 0};
  PackStream* source = InitPackStreamPtr(Donnees(c), uint32_t(NbOctetsDonnees(c)), 0, 0);
  PackStream* puits =
      InitPackStreamVector(&sortie, 0, nullptr, PackPutChar, nullptr, PackPutBlock, nullptr, PackSize, nullptr, 0, 1);
  const bool ok = source && puits && UnpackWholeStream(source, puits);
  DisposePackStream(source);
  DisposePackStream(puits);
  if (!ok) {
    DisposeHandle(r);
    return nullptr;
  }
  if (e.form & kDigitGrandBoutien) EchangeOctets(r);
  return r;
}

// ---- Run-length, delta and half rate ----------------------------------------

Handle DecodeRLE(Handle c) {
  const EnteteDigit e = GetEnteteDigit(c);
  const int32_t taille = NbOctetsDonnees(c);
  if (taille < 6) return nullptr;
  const uint8_t* d = Donnees(c);
  uint32_t longueur = (uint32_t(d[2]) << 24) | (uint32_t(d[3]) << 16) | (uint32_t(d[4]) << 8) | d[5];
  if (e.bits == 8 && (longueur & 0xFF) == 0 && (longueur >> 24) != 0)
    longueur = uint32_t(d[2]) | (uint32_t(d[3]) << 8) | (uint32_t(d[4]) << 16);
  // No code stands for more than 256 values: a length beyond that is damage.
  if (int64_t(longueur) > int64_t(taille - 6) * 128 + 2) return nullptr;
  Handle r = NouveauSon(e, longueur);
  if (!r) return nullptr;
  d = Donnees(c);
  uint8_t* o = Donnees(r);
  int64_t i = 6, j = 0;
  const int64_t L = longueur;
  if (e.bits == 8) {
    while (i < taille && j < L) {
      const uint8_t b = d[i];
      if (b != 128) {
        o[j++] = b;
        i++;
      } else if (i + 1 < taille && d[i + 1] == 0) {
        o[j++] = 128;
        i += 2;
      } else if (i + 2 < taille) {
        const int64_t n = std::min<int64_t>(d[i + 1] + 1, L - j);
        std::memset(o + j, d[i + 2], size_t(n));
        j += n;
        i += 3;
      } else {
        break;
      }
    }
  } else {
    while (i + 1 < taille && j + 1 < L) {
      const uint16_t w = Lit16GB(d + i);
      if (w != 0x8000) {
        Ecrit16(o + j, w);
        j += 2;
        i += 2;
      } else if (i + 2 < taille && d[i + 2] == 0) {
        Ecrit16(o + j, 0x8000);
        j += 2;
        i += 3;
      } else if (i + 4 < taille) {
        const uint16_t v = Lit16GB(d + i + 3);
        for (int n = d[i + 2] + 1; n > 0 && j + 1 < L; n--, j += 2) Ecrit16(o + j, v);
        i += 5;
      } else {
        break;
      }
    }
  }
  return r;
}

Handle DecodeDelta(Handle c) {
  EnteteDigit e = GetEnteteDigit(c);
  const int32_t taille = NbOctetsDonnees(c);
  if (taille < 258) return nullptr;
  const uint8_t* d = Donnees(c);
  int32_t pas[128];
  for (int k = 0; k < 128; k++) pas[k] = int16_t(Lit16GB(d + 2 * k));
  const int64_t codes = taille - 258;
  e.bits = 16;
  e.count = uint32_t(codes + 1);
  Handle r = NouveauSon(e, (codes + 1) * 2);
  if (!r) return nullptr;
  d = Donnees(c);
  uint8_t* o = Donnees(r);
  int32_t precedent = int16_t(Lit16GB(d + 256));
  Ecrit16(o, uint16_t(precedent));
  for (int64_t i = 0; i < codes; i++) {
    const int32_t k = int8_t(d[258 + i]);
    // -128 has no step; well-formed data never holds it.
    precedent = Borne16(precedent + (k >= 0 ? pas[k] : -pas[std::min(-k, 127)]));
    Ecrit16(o + 2 * (i + 1), uint16_t(precedent));
  }
  return r;
}

Handle DecodeDemiFrequence(Handle c) {
  EnteteDigit e = GetEnteteDigit(c);
  if (e.bits != 16) {
    Collapse("Compacte1MotSur2 : echantillon non 16 bits");
    return nullptr;
  }
  const int32_t taille = NbOctetsDonnees(c);
  const int64_t n = taille / 2;
  e.count = uint32_t(2 * n);
  Handle r = NouveauSon(e, 4 * n);
  if (!r || taille <= 5) return r;                                                    // too short to expand: silence
  const auto s = [&](int64_t i) { return int32_t(int16_t(Lit16(Donnees(c) + i))); };  // stored sample at byte i
  uint8_t* o = Donnees(r);
  const auto pair = [&](int64_t k) { return int32_t(int16_t(Lit16(o + 4 * k))); };  // output sample 2k
  for (int64_t k = 0; k < n; k++) Ecrit16(o + 4 * k, uint16_t(s(2 * k)));
  for (int64_t k = 1; k <= n - 3; k++) {
    const int32_t somme = -pair(k - 1) + 6 * pair(k) + 6 * pair(k + 1) - pair(k + 2);
    Ecrit16(o + 4 * k + 2, uint16_t(Borne16(somme / 10)));
  }
  Ecrit16(o + 2, uint16_t((pair(0) + pair(1)) >> 1));
  Ecrit16(o + 4 * (n - 2) + 2, uint16_t((pair(n - 2) + pair(n - 1)) >> 1));
  Ecrit16(o + 4 * (n - 1) + 2, uint16_t(pair(n - 1) >> 1));
  return r;
}

// Replaces *c by the result of a step; false (and *c freed) when it failed.
bool Etape(Handle* c, Handle (*etape)(Handle)) {
  Handle r = etape(*c);
  DisposeHandle(*c);
  *c = r;
  return r != nullptr;
}

// Decodes the stored form; the block in host-order plain samples, or null.
Handle Decode(Handle c) {
  EnteteDigit e = GetEnteteDigit(c);
  if (e.form == kDigitGrandBoutien && e.bits == 16) EchangeOctets(c);
  bool ok = true;
  if (e.form & kDigitMP3) {
    ok = Etape(&c, DecodeMP3);
  } else if (e.form & kDigitOgg) {
    ok = Etape(&c, DecodeOgg);
  } else if (e.form & kDigitPack) {
    ok = Etape(&c, DecodePack);
  } else {
    if (ok && (e.form & kDigitRLE)) ok = Etape(&c, DecodeRLE);
    if (ok && (e.form & kDigitDelta8)) ok = Etape(&c, DecodeDelta);
    if (ok && (e.form & kDigitDemiFrequence)) ok = Etape(&c, DecodeDemiFrequence);
  }
  if (!ok) return nullptr;
  e = GetEnteteDigit(c);
  e.form = 0;
  SetEnteteDigit(c, e);
  BorneCompte(c);
  return c;
}

// ---- Encoders ----------------------------------------------------------------

// The 128-step table of the delta form for a largest difference M.
void TablePas(int32_t M, int32_t pas[128]) {
  pas[0] = 0;
  if (M <= 0) {
    for (int k = 1; k < 128; k++) pas[k] = 0;
    return;
  }
  const double r = std::exp(std::log(double(M)) / 126.0);
  const float m = float(M) / 126.0f;
  const double a = (2.0 - double(m)) / (r - double(m)), b = 1.0 - a;
  bool monotone = std::isfinite(a);
  for (int k = 0; k < 127 && monotone; k++) {
    const double v = std::floor(std::pow(r, k) * a + 0.5 + k * double(m) * b);
    pas[k + 1] = int32_t(std::clamp(v, 0.0, 65535.0));
    monotone = pas[k + 1] >= pas[k] && pas[k + 1] <= M;
  }
  if (monotone) return;
  // Where the curve bends back (small or awkward M), steps of 1 up to M, or
  // evenly spread ones: each code still stands for a larger step.
  for (int k = 1; k < 128; k++) pas[k] = M < 127 ? std::min(k, M) : int32_t(std::floor(double(k) * M / 127.0 + 0.5));
}

Handle EncodeDemiFrequence(Handle c) {
  EnteteDigit e = GetEnteteDigit(c);
  if (e.count & 1) e.count++;  // the spare sample fills the pair
  const int64_t n = e.count / 2;
  Handle r = NouveauSon(e, n * 2);
  if (!r) return nullptr;
  for (int64_t k = 0; k < n; k++) Ecrit16(Donnees(r) + 2 * k, uint16_t(Sample16(c, 2 * k)));
  return r;
}

Handle EncodeDelta(Handle c) {
  const EnteteDigit e = GetEnteteDigit(c);
  const int64_t m = NbOctetsDonnees(c) / 2;
  if (m < 1) return nullptr;
  int32_t M = 0;
  for (int64_t i = 1; i < m; i++) M = std::max(M, std::abs(int32_t(Sample16(c, i)) - Sample16(c, i - 1)));
  int32_t pas[128];
  TablePas(M, pas);
  Handle r = NouveauSon(e, 256 + 2 + (m - 1));
  if (!r) return nullptr;
  uint8_t* o = Donnees(r);
  for (int k = 0; k < 128; k++) {
    o[2 * k] = uint8_t(pas[k] >> 8);
    o[2 * k + 1] = uint8_t(pas[k]);
  }
  int32_t precedent = Sample16(c, 0);
  o[256] = uint8_t(uint16_t(precedent) >> 8);
  o[257] = uint8_t(precedent);
  for (int64_t i = 1; i < m; i++) {
    const int32_t ecart = Sample16(c, i) - precedent, a = std::abs(ecart);
    int k = 0;
    for (int j = 1; j < 128; j++) k += pas[j] <= a ? 1 : 0;
    precedent = Borne16(precedent + (ecart < 0 ? -pas[k] : pas[k]));
    o[258 + i - 1] = uint8_t(int8_t(ecart < 0 ? -k : k));
  }
  return r;
}

// The run-length form; null when it would not be shorter (the sound then
// stays as it is).
Handle EncodeRLE(Handle c) {
  const EnteteDigit e = GetEnteteDigit(c);
  const bool mots = e.bits == 16;
  const int32_t largeur = mots ? 2 : 1;
  const int32_t L = NbOctetsDonnees(c) / largeur * largeur;
  const int64_t n = L / largeur;
  Handle r = NouveauSon(e, L);  // the output must end shorter than this
  if (!r) return nullptr;
  uint8_t* o = Donnees(r);
  const uint8_t* d = Donnees(c);
  const uint32_t echappe = mots ? 0x8000 : 128;
  const auto valeur = [&](int64_t i) { return mots ? uint32_t(Lit16(d + 2 * i)) : uint32_t(d[i]); };
  int64_t j = 6;
  const auto ecrit = [&](uint32_t v) {
    if (mots) {
      o[j] = uint8_t(v >> 8);
      o[j + 1] = uint8_t(v);
    } else {
      o[j] = uint8_t(v);
    }
    j += largeur;
  };
  o[2] = uint8_t(uint32_t(L) >> 24);
  o[3] = uint8_t(uint32_t(L) >> 16);
  o[4] = uint8_t(uint32_t(L) >> 8);
  o[5] = uint8_t(L);
  for (int64_t i = 0; i < n;) {
    const uint32_t v = valeur(i);
    int64_t run = 1;
    while (i + run < n && run < 256 && valeur(i + run) == v) run++;
    // The longest code is an escape with its count and value.
    if (j + 2 * largeur + 1 >= L) {
      DisposeHandle(r);
      return nullptr;
    }
    if (run > 3) {
      ecrit(echappe);
      o[j++] = uint8_t(run - 1);
      ecrit(v);
      i += run;
    } else {
      ecrit(v);
      if (v == echappe) o[j++] = 0;
      i++;
    }
  }
  SetHandleSize(r, Size(kTailleEnteteDigit + j + 2));  // smaller: cannot fail
  return r;
}

void AjusteBoucle(Handle h) {
  EnteteDigit e = GetEnteteDigit(h);
  const uint32_t fin = e.loopEnd & 0xFFFFFF;
  if (fin > e.loopStart && fin >= e.count) {
    if (fin) e.loopEnd = (e.loopEnd & 0xFF000000u) | (fin - 1);
    if (e.loopStart >= 1) e.loopStart--;
    SetEnteteDigit(h, e);
  }
}

// A block of the sound in another width (8 or 16 bits); null when memory runs out.
Handle ChangeLargeur(Handle c, int16_t bits) {
  EnteteDigit e = GetEnteteDigit(c);
  const uint16_t source = e.bits;
  e.bits = uint16_t(bits);
  Handle r = NouveauSon(e, int64_t(e.count) * std::max<int16_t>(bits, 0) / 8);
  if (!r) return nullptr;
  const uint8_t* d = Donnees(c);
  uint8_t* o = Donnees(r);
  if (bits == 8) {
    for (uint32_t i = 0; i < e.count && source == 16; i++) o[i] = uint8_t((int16_t(Lit16(d + 2 * i)) >> 8) + 128);
  } else if (bits == 16) {
    for (uint32_t i = 0; i < e.count && source == 8; i++) Ecrit16(o + 2 * i, uint16_t((d[i] << 8) ^ 0x8000));
  } else {
    BigBadError("SCvtdgit", 1);
  }
  return r;
}

}  // namespace

EnteteDigit GetEnteteDigit(Handle h) {
  EnteteDigit e = {};
  if (!h || GetHandleSize(h) < kTailleEnteteDigit) return e;
  const uint8_t* p = Octets(h);
  e.form = Lit16(p);
  e.bits = Lit16(p + 2);
  e.rate = Lit32(p + 4);
  e.byteA = p[8];
  e.byteB = p[9];
  e.loopStart = Lit32(p + 10);
  e.loopEnd = Lit32(p + 14);
  e.count = Lit32(p + 18);
  return e;
}

void SetEnteteDigit(Handle h, const EnteteDigit& e) {
  if (!h || GetHandleSize(h) < kTailleEnteteDigit) return;
  uint8_t* p = Octets(h);
  Ecrit16(p, e.form);
  Ecrit16(p + 2, e.bits);
  Ecrit32(p + 4, e.rate);
  p[8] = e.byteA;
  p[9] = e.byteB;
  Ecrit32(p + 10, e.loopStart);
  Ecrit32(p + 14, e.loopEnd);
  Ecrit32(p + 18, e.count);
}

uint32_t SampleRateToFrequency(uint32_t code) { return code > 0xF0000000u ? code & 0x0FFFFFFF : code >> 16; }

void SetDecodeurMP3(MP3DecodeurProc decoder) { gDecodeurMP3 = decoder; }

int16_t MP3FeedBack(const void* frame, int16_t size) {
  if (!gMP3.h || !frame) return 0;
  const int32_t n = std::min<int32_t>(size == 2 ? 2304 : 1152, gMP3.capacite - gMP3.octets);
  if (n <= 0 || !RetailleHandle(gMP3.h, Size(gMP3.octets + n))) return 0;
  std::memcpy(*gMP3.h + gMP3.octets, frame, size_t(n));
  gMP3.octets += n;
  return 0;
}

Handle DupSampleFreq(Handle sound, uint32_t rate) {
  const EnteteDigit e = GetEnteteDigit(sound);
  if (e.bits != 16) {
    BigBadError("SCvtdgit", 2);
    return nullptr;
  }
  const int64_t ancienne = SampleRateToFrequency(e.rate), nouvelle = SampleRateToFrequency(rate);
  // A step of 0 (a rate of 0, or 256 times the old one) cannot be walked.
  const int64_t pas = nouvelle > 0 ? ancienne * 256 / nouvelle : 0;
  if (pas <= 0) return nullptr;
  const int64_t n = int64_t(e.count) * 256 / pas;
  if (n > UINT32_MAX) return nullptr;
  EnteteDigit r = e;
  r.count = uint32_t(n);
  r.rate = rate;
  const int64_t fin = e.loopEnd & 0xFFFFFF, longueur = fin - int64_t(e.loopStart);
  const int64_t nouvelleFin = fin * 256 / pas;
  const int64_t nouveauDebut = std::max<int64_t>(0, nouvelleFin - longueur * 256 / pas);
  const float fraction = std::trunc(float(nouvelle) * float(longueur * 256) / float(ancienne));
  const uint32_t octetFraction = uint32_t(int64_t(fraction)) & 0xFF;
  r.loopEnd = (uint32_t(std::min<int64_t>(nouvelleFin, 0xFFFFFF))) | (octetFraction << 24);
  r.loopStart = uint32_t(std::min<int64_t>(nouveauDebut, UINT32_MAX));
  Handle h = NouveauSon(r, n * 2);
  if (!h) return nullptr;
  uint8_t* o = Donnees(h);
  for (int64_t j = 0; j < n; j++) {
    const int64_t p = j * pas, f = p & 255;
    const int32_t v = int32_t((f * Sample16(sound, p / 256 + 1) + (256 - f) * Sample16(sound, p / 256)) >> 8);
    Ecrit16(o + 2 * j, uint16_t(v));
  }
  return h;
}

Handle CvtBuffDigit(Handle sound, int16_t bits, uint32_t rate, uint16_t form) {
  if (!sound || GetHandleSize(sound) < kTailleEnteteDigit) {
    Collapse("CvtBuffDugit: Sample NULL");
    return nullptr;
  }
  const EnteteDigit e = GetEnteteDigit(sound);
  if (e.rate == rate && e.bits == uint16_t(bits) && e.form == form) {
    Handle c = DupHandle(sound);
    if (!c) {
      Collapse("Digital sound conversion : no more mem (0).");
      return nullptr;
    }
    AjusteBoucle(c);
    return c;
  }

  Handle c = DupHandle(sound);
  if (c) c = Decode(c);
  if (!c) {
    Collapse("Digital sound conversion : no more mem (6).");
    return nullptr;
  }

  if (GetEnteteDigit(c).rate != rate) {
    Handle r = nullptr;
    if (GetEnteteDigit(c).bits == 8) {
      Handle large = ChangeLargeur(c, 16);
      if (!large) {
        DisposeHandle(c);
        Collapse("Digital sound conversion : no more mem (1).");
        return nullptr;
      }
      r = DupSampleFreq(large, rate);
      DisposeHandle(large);
      if (!r) Collapse("Digital sound conversion : no more mem (2).");
    } else {
      r = DupSampleFreq(c, rate);
      if (!r) Collapse("Digital sound conversion : no more mem (3).");
    }
    DisposeHandle(c);
    if (!r) return nullptr;
    c = r;
  }

  if (GetEnteteDigit(c).bits != uint16_t(bits)) {
    Handle r = ChangeLargeur(c, bits);
    DisposeHandle(c);
    if (!r) {
      Collapse("Digital sound conversion : no more mem (4).");
      return nullptr;
    }
    c = r;
  }

  if (form != 0) {
    uint16_t produit = uint16_t(form & ~(kDigitMP3 | kDigitOgg | kDigitPack));
    const bool mots = GetEnteteDigit(c).bits == 16;
    const auto applique = [&](uint16_t drapeau, Handle (*code)(Handle), const char* refus) {
      if (!(produit & drapeau)) return;
      if (refus && !mots) {
        Collapse("%s", refus);
        produit = uint16_t(produit & ~drapeau);
        return;
      }
      if (Handle r = code(c)) {
        DisposeHandle(c);
        c = r;
      } else {
        produit = uint16_t(produit & ~drapeau);
      }
    };
    applique(kDigitDemiFrequence, EncodeDemiFrequence, "Compacte1MotSur2 : echantillon non 16 bits");
    applique(kDigitDelta8, EncodeDelta, "CompacteFibo8bits : echantillon non 16 bits");
    applique(kDigitRLE, EncodeRLE, nullptr);
    if (produit == kDigitGrandBoutien && mots) EchangeOctets(c);
    EnteteDigit r = GetEnteteDigit(c);
    r.form = produit;
    SetEnteteDigit(c, r);
  }
  AjusteBoucle(c);
  return c;
}
