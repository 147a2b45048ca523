#include "sound/OggVorbis.h"

#include <ogg/ogg.h>
#include <vorbis/codec.h>

#include <algorithm>
#include <cmath>
#include <cstring>

#include "platform/Memory.h"
#include "system/Handles.h"
#include "system/Reporters.h"

namespace {

constexpr int32_t kLecture = 8192;
constexpr int32_t kSortieOctets = 16384;

// The decoder's state, freed on every way out.
struct EtatOgg {
  ogg_sync_state sync;
  ogg_stream_state flux;
  ogg_page page;
  ogg_packet paquet;
  vorbis_info info;
  vorbis_comment commentaire;
  vorbis_dsp_state dsp;
  vorbis_block bloc;
  bool fluxPret = false, infoPret = false, dspPret = false;

  EtatOgg() { ogg_sync_init(&sync); }
  ~EtatOgg() {
    FinFlux();
    ogg_sync_clear(&sync);
  }
  void FinFlux() {
    if (dspPret) {
      vorbis_block_clear(&bloc);
      vorbis_dsp_clear(&dsp);
      dspPret = false;
    }
    if (fluxPret) {
      ogg_stream_clear(&flux);
      fluxPret = false;
    }
    if (infoPret) {
      vorbis_comment_clear(&commentaire);
      vorbis_info_clear(&info);
      infoPret = false;
    }
  }
};

// Up to kLecture more bytes into the sync layer; the count read.
int32_t Alimente(EtatOgg& e, void* context, OggLectureProc read) {
  char* tampon = ogg_sync_buffer(&e.sync, kLecture);
  const int32_t lus = tampon ? read(context, tampon, kLecture) : 0;
  ogg_sync_wrote(&e.sync, std::max(lus, 0));
  return std::max(lus, 0);
}

}  // namespace

int16_t DecodeOggGenerique(void* context, OggLectureProc read, void* writeContext, OggEcritureProc write,
                           uint32_t* rate, int16_t* stereo, int16_t* bits, int16_t* isSigned) {
  if (!read || !write) return 0;
  EtatOgg e;
  int16_t sortie[kSortieOctets / 2];
  for (;;) {
    // The first page of a logical stream.
    int32_t lus = Alimente(e, context, read);
    if (ogg_sync_pageout(&e.sync, &e.page) != 1) {
      // A short read with no page is the end of the data.
      if (lus < kLecture) return 1;
      Avertissement(0, 0, "Input does not appear to be an Ogg bitstream.\n");
      return 0;
    }
    ogg_stream_init(&e.flux, ogg_page_serialno(&e.page));
    e.fluxPret = true;
    vorbis_info_init(&e.info);
    vorbis_comment_init(&e.commentaire);
    e.infoPret = true;
    if (ogg_stream_pagein(&e.flux, &e.page) < 0) {
      Avertissement(0, 0, "Error reading first page of Ogg bitstream data.\n");
      return 0;
    }
    if (ogg_stream_packetout(&e.flux, &e.paquet) != 1) {
      Avertissement(0, 0, "Error reading initial header packet.\n");
      return 0;
    }
    if (vorbis_synthesis_headerin(&e.info, &e.commentaire, &e.paquet) < 0) {
      Avertissement(0, 0, "This Ogg bitstream does not contain Vorbis audio data.\n");
      return 0;
    }
    // The comment and codebook headers.
    for (int i = 0; i < 2;) {
      while (i < 2) {
        int r = ogg_sync_pageout(&e.sync, &e.page);
        if (r == 0) break;
        if (r == 1) {
          ogg_stream_pagein(&e.flux, &e.page);
          while (i < 2) {
            r = ogg_stream_packetout(&e.flux, &e.paquet);
            if (r == 0) break;
            if (r < 0 || vorbis_synthesis_headerin(&e.info, &e.commentaire, &e.paquet) < 0) {
              Collapse("Corrupt secondary Ogg header.  Exiting.\n");
              return 0;
            }
            i++;
          }
        }
      }
      if (i < 2 && Alimente(e, context, read) == 0) {
        Avertissement(0, 0, "End of file before finding all Vorbis Ogg headers!\n");
        return 0;
      }
    }
    const int canaux = e.info.channels;
    if (canaux < 1 || e.info.rate <= 0) return 0;
    if (rate) *rate = uint32_t(e.info.rate);
    if (stereo) *stereo = canaux > 1 ? 1 : 0;
    if (bits) *bits = 16;
    if (isSigned) *isSigned = 1;
    const int maxTrames = std::max(1, kSortieOctets / 2 / canaux);
    if (vorbis_synthesis_init(&e.dsp, &e.info) != 0) return 0;
    vorbis_block_init(&e.dsp, &e.bloc);
    e.dspPret = true;

    bool finFlux = false;
    while (!finFlux) {
      while (!finFlux) {
        const int r = ogg_sync_pageout(&e.sync, &e.page);
        if (r == 0) break;
        if (r < 0) continue;  // a hole in the data: go on with what follows
        ogg_stream_pagein(&e.flux, &e.page);
        for (;;) {
          const int p = ogg_stream_packetout(&e.flux, &e.paquet);
          if (p == 0) break;
          if (p < 0) continue;
          if (vorbis_synthesis(&e.bloc, &e.paquet) == 0) vorbis_synthesis_blockin(&e.dsp, &e.bloc);
          float** pcm;
          int trames;
          while ((trames = vorbis_synthesis_pcmout(&e.dsp, &pcm)) > 0) {
            const int n = std::min(trames, maxTrames);
            for (int c = 0; c < canaux; c++) {
              const float* canal = pcm[c];
              for (int j = 0; j < n; j++) {
                const float v = std::trunc(canal[j] * 32767.0f);
                sortie[j * canaux + c] = int16_t(std::clamp(v, -32768.0f, 32767.0f));
              }
            }
            vorbis_synthesis_read(&e.dsp, n);
            if (!write(writeContext, sortie, int32_t(n * canaux * 2))) return 0;
          }
        }
        if (ogg_page_eos(&e.page)) finFlux = true;
      }
      if (!finFlux && Alimente(e, context, read) == 0) finFlux = true;
    }
    // The next logical stream, if the data chains one.
    e.FinFlux();
  }
}

namespace {

struct SourceMemoire {
  const uint8_t* donnees;
  int32_t taille, position;
};

struct SortieMemoire {
  Handle h;
  int32_t octets, max;
  bool echec;
};

int32_t LitMemoire(void* context, void* buffer, int32_t size) {
  auto* s = static_cast<SourceMemoire*>(context);
  const int32_t n = std::min(size, s->taille - s->position);
  if (n <= 0) return 0;
  std::memcpy(buffer, s->donnees + s->position, size_t(n));
  s->position += n;
  return n;
}

int16_t EcritMemoire(void* context, const int16_t* samples, int32_t bytes) {
  auto* s = static_cast<SortieMemoire*>(context);
  const int32_t n = std::min(bytes, s->max - s->octets);
  if (n <= 0) return 1;  // past the room: dropped, decoding goes on to check the data
  if (s->octets + n > GetHandleSize(s->h)) {
    const int64_t voulu = std::min<int64_t>(std::max<int64_t>(int64_t(s->octets + n), int64_t(s->octets) * 2), s->max);
    if (!RetailleHandle(s->h, Size(voulu))) {
      s->echec = true;
      return 0;
    }
  }
  std::memcpy(*s->h + s->octets, samples, size_t(n));
  s->octets += n;
  return 1;
}

}  // namespace

Handle DecodeMemoryOgg(const void* data, int32_t size, int32_t maxBytes, uint32_t* rate, int16_t* stereo, int16_t* bits,
                       int16_t* isSigned) {
  if (!data || size <= 0 || maxBytes < 0) return nullptr;
  SourceMemoire source = {static_cast<const uint8_t*>(data), size, 0};
  SortieMemoire sortie = {NewHandle(0), 0, std::min<int32_t>(maxBytes, kMaxBlockSize), false};
  if (!sortie.h) return nullptr;
  const int16_t ok = DecodeOggGenerique(&source, LitMemoire, &sortie, EcritMemoire, rate, stereo, bits, isSigned);
  if (!ok || sortie.echec) {
    DisposeHandle(sortie.h);
    return nullptr;
  }
  RetailleHandle(sortie.h, Size(sortie.octets));
  return sortie.h;
}
