#include "support/OggTestEncoder.h"

#include <ogg/ogg.h>
#include <vorbis/vorbisenc.h>

#include <algorithm>

namespace tamrel_test {

namespace {

void Ajoute(std::vector<uint8_t>& sortie, const ogg_page& page) {
  sortie.insert(sortie.end(), page.header, page.header + page.header_len);
  sortie.insert(sortie.end(), page.body, page.body + page.body_len);
}

}  // namespace

std::vector<uint8_t> OggTestEncode(const std::vector<int16_t>& interleaved, int channels, int rate, int serial) {
  std::vector<uint8_t> sortie;
  vorbis_info vi;
  vorbis_info_init(&vi);
  if (vorbis_encode_init_vbr(&vi, channels, rate, 0.4f) != 0) {
    vorbis_info_clear(&vi);
    return sortie;
  }
  vorbis_comment vc;
  vorbis_comment_init(&vc);
  vorbis_dsp_state vd;
  vorbis_block vb;
  vorbis_analysis_init(&vd, &vi);
  vorbis_block_init(&vd, &vb);
  ogg_stream_state os;
  ogg_stream_init(&os, serial);
  ogg_packet entete, commentaire, livre;
  vorbis_analysis_headerout(&vd, &vc, &entete, &commentaire, &livre);
  ogg_stream_packetin(&os, &entete);
  ogg_stream_packetin(&os, &commentaire);
  ogg_stream_packetin(&os, &livre);
  ogg_page page;
  while (ogg_stream_flush(&os, &page)) Ajoute(sortie, page);

  const long trames = long(interleaved.size()) / channels;
  constexpr long kPiece = 1024;
  for (long fait = 0;; fait += kPiece) {
    const long n = fait < trames ? std::min(kPiece, trames - fait) : 0;
    if (n > 0) {
      float** tampon = vorbis_analysis_buffer(&vd, int(n));
      for (long i = 0; i < n; i++)
        for (int c = 0; c < channels; c++)
          tampon[c][i] = float(interleaved[size_t((fait + i) * channels + c)]) / 32768.0f;
    }
    vorbis_analysis_wrote(&vd, int(n));  // 0: the end of the sound
    bool fin = false;
    while (vorbis_analysis_blockout(&vd, &vb) == 1) {
      vorbis_analysis(&vb, nullptr);
      vorbis_bitrate_addblock(&vb);
      ogg_packet paquet;
      while (vorbis_bitrate_flushpacket(&vd, &paquet)) {
        ogg_stream_packetin(&os, &paquet);
        while (ogg_stream_pageout(&os, &page)) {
          Ajoute(sortie, page);
          if (ogg_page_eos(&page)) fin = true;
        }
      }
    }
    if (n == 0 || fin) break;
  }
  while (ogg_stream_flush(&os, &page)) Ajoute(sortie, page);
  ogg_stream_clear(&os);
  vorbis_block_clear(&vb);
  vorbis_dsp_clear(&vd);
  vorbis_comment_clear(&vc);
  vorbis_info_clear(&vi);
  return sortie;
}

}  // namespace tamrel_test
