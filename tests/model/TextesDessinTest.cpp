// Free staff texts drawn: their "$" codes expanded, their frames, and which
// texts a staff draws. With TAMREL_TEXTES_PNG set to a folder, the framed
// bar-number text is also written there as textes-cadre.png.
#include <cstdlib>
#include <cstring>
#include <string>

#include "BarTableFixtures.h"
#include "layout/DonneesModeGraphique.h"
#include "model/CourbeTempo.h"
#include "model/QrvText.h"
#include "model/TempsJoue.h"
#include "platform/DateTime.h"
#include "platform/Fonts.h"
#include "platform/QuickDraw.h"
#include "text/TextBox.h"
#include "text/UTFText.h"

namespace {

constexpr Rect kCadre{20, 20, 60, 200};

struct TextesDessinTest : BarTableTest {
  Portee** staff = nullptr;
  GWorldPtr monde = nullptr, attendu = nullptr;
  CGrafPtr avant = nullptr;
  TextesDessinTest() {
    Mesures(6);
    staff = Portee0();
    doc->indexVueCourante = -1;
    std::strcpy(doc->nomFichier, "Chanson.qrv");
    std::strcpy(doc->titres[0].texte, "Au clair");
    GetPort(&avant);
    const Rect r{0, 0, 100, 300};
    NewGWorld(&monde, 32, &r, nullptr, nullptr, 0);
    NewGWorld(&attendu, 32, &r, nullptr, nullptr, 0);
    SetUnicodeApplication(1);
    // 5 March 2018, 9:05.
    DateTimeRec d{2018, 3, 5, 9, 5, 0, 0};
    uint32_t secs = 0;
    DateToSeconds(&d, &secs);
    SetFixedDateTime(secs);
  }
  ~TextesDessinTest() override {
    UseRealDateTime();
    SetUnicodeApplication(0);
    SetPort(avant);
    DisposeGWorld(monde);
    DisposeGWorld(attendu);
  }
  static void Efface(GWorldPtr w) {
    SetPort(w);
    const Rect r{0, 0, 100, 300};
    RGBColor blanc{0xFFFF, 0xFFFF, 0xFFFF};
    RGBBackColor(&blanc);
    EraseRect(&r);
  }
  static Texte Enreg(int32_t debut, uint8_t face = 0) {
    Texte t{};
    t.debut = debut;
    t.fin = debut + 40320;
    t.style = TextStyle{kFontHelvetica, face, 14, {0, 0, 0}};
    return t;
  }
  // Draws a free text with its codes into one port.
  void Dessine(const char* texte, int32_t debut, const Rect& r = kCadre, uint8_t face = 0) {
    Efface(monde);
    Texte t = Enreg(debut, face);
    const int32_t i = SetEnregTexte(staff, -1, &t, texte);
    AfficheTexte(staff, &r, &GetTextesPortee(staff, nullptr)[i]);
  }
  // Draws a plain text box into the other.
  void DessineAttendu(const char* texte, const Rect& r = kCadre) {
    Efface(attendu);
    const TextStyle style{kFontHelvetica, 0, 14, {0, 0, 0}};
    TextBoxStyleZoom(texte, int32_t(std::strlen(texte)), &r, 0, &style, 0, 1, 1);
  }
  static bool Encre(GWorldPtr w, int16_t h, int16_t v) { return (QDGetPixel(w, h, v) & 0xFFFFFF) != 0xFFFFFF; }
  int Differences() {
    int n = 0;
    for (int16_t v = 0; v < 100; v++)
      for (int16_t h = 0; h < 300; h++) n += QDGetPixel(monde, h, v) != QDGetPixel(attendu, h, v);
    return n;
  }
};

TEST_F(TextesDessinTest, CodesExpand) {
  const int32_t mesure4 = 4 * 161280 + 100;
  struct Cas {
    const char* texte;
    const char* attendu;
  } cas[] = {
      {"mes. $B", "mes. 5"},
      {"a$$b", "a$b"},
      {"x$Qy", "xy"},
      {"$F / $T", "Chanson.qrv / Au clair"},
      {"le $D[$e/$m/$y]", "le 5/3/18"},
      {"$V-", "-"},
      {"   lead", "lead"},
  };
  for (const Cas& c : cas) {
    Dessine(c.texte, mesure4);
    DessineAttendu(c.attendu);
    EXPECT_EQ(Differences(), 0) << c.texte;
  }
  // A bar that shows no number takes the number of the bar before it.
  Ligne(4).numeroMesure = 0;
  Dessine("mes. $B", mesure4);
  DessineAttendu("mes. 4");
  EXPECT_EQ(Differences(), 0);
  // The playing time: six bars of four quarters at 60, then at 75.
  (*score)->tempo = 60;
  Dessine("$M", mesure4);
  DessineAttendu("00:24");
  EXPECT_EQ(Differences(), 0);
  (*score)->tempo = 75;
  ClearCourbeTempo(score);
  LibereTableauCvtSec(score);
  Dessine("$M", mesure4);
  DessineAttendu("00:19");
  EXPECT_EQ(Differences(), 0);
}

TEST_F(TextesDessinTest, FramesAroundTheText) {
  const int32_t mesure4 = 4 * 161280 + 100;
  Dessine("mes. $B$X", mesure4);
  if (const char* dossier = std::getenv("TAMREL_TEXTES_PNG"))
    QDWritePortPNG(monde, (std::string(dossier) + "/textes-cadre.png").c_str());
  // The whole rectangle is framed, the text drawn inside the frame's inset.
  const int16_t retrait = kMGEpaisseurCadreTexte / 4 + kMGMargeCadreTexte;
  Rect dedans = kCadre;
  InsetRect(&dedans, retrait, retrait);
  DessineAttendu("mes. 5", dedans);
  PenSize(1, 1);
  FrameRect(&kCadre);
  EXPECT_EQ(Differences(), 0);

  // Filled: the text shows in white on the fill.
  Dessine("$X~mes. $B", mesure4);
  if (const char* dossier = std::getenv("TAMREL_TEXTES_PNG"))
    QDWritePortPNG(monde, (std::string(dossier) + "/textes-plein.png").c_str());
  EXPECT_TRUE(Encre(monde, 190, 50));  // fill, right of the text
  int clairs = 0;
  for (int16_t h = dedans.left; h < dedans.left + 40; h++)
    for (int16_t v = dedans.top; v < dedans.bottom; v++) clairs += (QDGetPixel(monde, h, v) & 0xFF) > 0x80;
  EXPECT_GT(clairs, 20);

  // "$S" frames the text's own area: nothing at the far right of the box.
  Dessine("mes. $B$S", mesure4);
  EXPECT_FALSE(Encre(monde, 199, 30));
  EXPECT_TRUE(Encre(monde, 20 - retrait, 30));
}

TEST_F(TextesDessinTest, StaffDrawsItsTextsInRangeAndView) {
  (*staff)->rect = Rect{0, 0, 100, 300};
  (*staff)->yEcran = 40;
  const char* noms[] = {"shown", "other view", "out of range"};
  const int32_t debuts[] = {161280, 2 * 161280, 4 * 161280};
  const int32_t vues[] = {0, -3, 0};
  for (int i = 0; i < 3; i++) {
    Texte t = Enreg(debuts[i]);
    t.haut = -3;
    t.bas = 0;
    t.idVue = vues[i];
    SetEnregTexte(staff, -1, &t, noms[i]);
  }
  Efface(monde);
  const Rect clip{0, 0, 100, 300};
  AfficheTextesPortee(staff, &clip, 0, 0, 3 * 161280 - 1, false);
  int encre = 0;
  for (int i = 0; i < 3; i++) {
    Rect r;
    ASSERT_TRUE(CalculeAireTexteEcran(doc, staff, i, 0, &r));
    int n = 0;
    for (int16_t h = r.left; h < r.right && h < 300; h++)
      for (int16_t v = std::max<int16_t>(r.top, 0); v < r.bottom && v < 100; v++) n += Encre(monde, h, v);
    encre += n > 0 ? 1 << i : 0;
  }
  EXPECT_EQ(encre, 1);  // only the first
}

}  // namespace
