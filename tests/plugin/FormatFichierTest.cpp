// Format detection: the magic first, then the probes in their order, then the
// extensions; the stream is left at its start.
#include <gtest/gtest.h>

#include "PluginFixtures.h"
#include "plugin/FormatFichier.h"
#include "system/QrvFiles.h"

using namespace tamrel_test;

TEST(FormatFichier, DetectionTable) {
  struct Cas {
    const char* nom;
    std::string contenu;
    int32_t format;
  } cas[] = {
      {"partition.xml", "QRVLxxxx", kFormatQuarvel},  // the magic wins over the extension
      {"partition", "DIZA\x00\x01", kFormatQuarvelDiza},
      {"morceau.ABC", "X:1\n", kFormatABC},
      {"morceau.abc", "", kFormatABC},
      {"morceau.abc.bak", "X:1\n", kFormatABC},
      {"inconnu.bak", "rien", kFormatBak},
      {"copie.qrv.bak", "QRVL", kFormatQuarvel},  // a native document with an added .bak
      {"p.xml.bak", "<?xml", kFormatXML},
      {"grille.tab", "e|--", kFormatTab},
      {"grille.TXT", "e|--", kFormatTab},
      {"grille.btab", "", kFormatTab},
      {"p.xml", "<?xml", kFormatXML},
      {"p.MusicXML", "<?xml", kFormatXML},
      {"p.mxl", "PK\x03\x04", kFormatMXL},
      {"p.xmz", "", kFormatXMLCompresse},
      {"son.mp3", "ID3", kFormatMp3},
      {"son.aif", "FORM", kFormatAiff},
      {"son.wav", "RIFF", kFormatWave},
      {"f.brt", "", kFormatBrt},
      {"f.pdf", "%PDF", kFormatPDF},
      {"f.sta", "", kFormatSta},
      {"f.mid", "MThd", kFormatInconnu},  // MIDI is not imported here
      {"sanspoint", "abcdefgh", kFormatInconnu},
      {"court", "QR", kFormatInconnu},
      {"vide", "", kFormatInconnu},
      {"presque.dat", "QRV", kFormatInconnu},
  };
  DossierTemp dossier;
  for (const Cas& c : cas) {
    const std::string p = dossier.Ecrit(c.nom, c.contenu);
    ASSERT_EQ(OrvantaOpenFile(p.c_str(), "rb"), 1) << c.nom;
    EXPECT_EQ(DetermineFormatFichier(c.nom), c.format) << c.nom;
    // Back at the start, with no end flag left from a short file.
    if (!c.contenu.empty()) EXPECT_EQ(ReadCar(), uint8_t(c.contenu[0])) << c.nom;
    else EXPECT_EQ(ReadCar(), -1) << c.nom;
    CloseFile();
  }
}

TEST(FormatFichier, BackupChainsEndAndNoMagicIsReadPastTheEnd) {
  DossierTemp dossier;
  const std::string p = dossier.Ecrit("a.bak.bak.bak", "QR");
  ASSERT_EQ(OrvantaOpenFile(p.c_str(), "rb"), 1);
  EXPECT_EQ(DetermineFormatFichier("a.bak.bak.bak"), kFormatBak);
  EXPECT_EQ(DetermineFormatFichier(nullptr), kFormatInconnu);
  EXPECT_EQ(EndOfFile(), 0);
  CloseFile();
}
