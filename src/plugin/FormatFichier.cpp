#include "plugin/FormatFichier.h"

#include "import/MusicXML.h"
#include "plugin/ServicesInertes.h"
#include "system/Dossiers.h"
#include "system/QrvFiles.h"

namespace {

// Four bytes as a big-endian value, and the stream back at its start. A file
// shorter than four bytes carries no magic.
bool LitMagie(uint32_t* magie) {
  uint32_t v = 0;
  bool complet = true;
  for (int i = 0; i < 4; i++) {
    const int16_t c = ReadCar();
    if (c < 0) {
      complet = false;
      break;
    }
    v = (v << 8) | uint32_t(c);
  }
  SetPos(0);
  *magie = v;
  return complet;
}

}  // namespace

bool IsFichierABC(const char* name) { return cmp_extension(name, "abc") != 0; }

bool IsFichierTab(const char* name) {
  return cmp_extension(name, "tab") || cmp_extension(name, "txt") || cmp_extension(name, "btab");
}

int32_t DetermineFormatFichier(const char* name) {
  if (!name) name = "";
  if (cmp_extension(name, "bak")) {
    char reste[kTailleNomFichier];
    extrait_extension(name, reste, nullptr);
    const int32_t format = DetermineFormatFichier(reste);
    return format == kFormatInconnu ? kFormatBak : format;
  }
  uint32_t magie;
  if (LitMagie(&magie) && magie == FourCC("DIZA")) return kFormatQuarvelDiza;
  if (LitMagie(&magie) && magie == FourCC("QRVL")) return kFormatQuarvel;

  if (IsFichierKaraokeMidi(name)) return kFormatKaraokeMidi;
  if (IsFichierMidi(name)) return kFormatMidi;
  if (IsFichierCMF(name)) return kFormatCMF;
  if (IsFichierMod(name)) return kFormatMod;
  if (IsFichierS3M(name)) return kFormatS3M;
  if (IsFichierABC(name)) return kFormatABC;
  if (IsFichierBB(name)) return kFormatBB;
  if (IsFichierTab(name)) return kFormatTab;
  if (IsFichierMsf(name)) return kFormatMsf;
  if (IsFichierXML(name)) return kFormatXML;
  if (IsFichierMXL(name)) return kFormatMXL;
  if (IsFichierXMLCompresse(name)) return kFormatXMLCompresse;

  if (cmp_extension(name, "mp3")) return kFormatMp3;
  if (cmp_extension(name, "aif")) return kFormatAiff;
  if (cmp_extension(name, "wav")) return kFormatWave;
  if (cmp_extension(name, "brt")) return kFormatBrt;
  if (cmp_extension(name, "pdf")) return kFormatPDF;
  if (cmp_extension(name, "sta")) return kFormatSta;
  return kFormatInconnu;
}

const char* NomFormatFichier(int32_t format) {
  switch (format) {
    case kFormatQuarvel:
    case kFormatQuarvelDiza: return "native document";
    case kFormatMidi: return "MIDI file";
    case kFormatKaraokeMidi: return "karaoke MIDI file";
    case kFormatCMF: return "CMF file";
    case kFormatABC: return "ABC tune";
    case kFormatTab: return "tablature text";
    case kFormatMsf: return "MSF file";
    case kFormatBak: return "backup file";
    case kFormatAiff: return "AIFF sound";
    case kFormatWave: return "WAVE sound";
    case kFormatBB: return "BB file";
    case kFormatBrt: return "BRT file";
    case kFormatMod: return "MOD module";
    case kFormatS3M: return "S3M module";
    case kFormatMp3: return "MP3 sound";
    case kFormatSta: return "STA file";
    case kFormatXML: return "MusicXML";
    case kFormatXMLCompresse: return "compressed MusicXML";
    case kFormatMXL: return "zipped MusicXML";
    case kFormatPDF: return "PDF";
    default: return "unknown format";
  }
}
