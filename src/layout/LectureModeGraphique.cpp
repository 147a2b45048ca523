#include "layout/ModeGraphique.h"

#include "plugin/LectureDocument.h"
#include "system/QrvFiles.h"
#include "text/TextStyle.h"

namespace {

// Reads through the document byte stream; past its end bytes read as 0 and
// the stream's end flag tells the caller.
uint8_t LitOctet() {
  const int16_t c = ReadCar();
  return c < 0 ? 0 : uint8_t(c);
}

int16_t LitMot() {
  const uint16_t haut = LitOctet();
  return int16_t((haut << 8) | LitOctet());
}

void LitMots(ModeGraphique* mode, int premierSlot, int nombre) {
  for (int i = 0; i < nombre; i++) mode->slot[premierSlot + i] = LitMot();
}

}  // namespace

int16_t LitConfigGraphique(ModeGraphique* mode, uint16_t version, LecteurTextStyle lireStyle) {
  if (mode == nullptr || lireStyle == nullptr) return 0;
  ModeGraphique& m = *mode;
  m.drapeaux[0] = LitOctet();
  m.drapeaux[1] = LitOctet();
  m.drapeau220 = LitOctet();
  LitMots(mode, 2, 8);    // bytes 4 to 18
  LitMots(mode, 11, 6);   // 22 to 32
  LitMots(mode, 18, 6);   // 36 to 46
  m.slot[25] = LitMot();  // 50
  m.slot[26] = LitMot();  // 52
  m.slot[31] = LitMot();  // 62
  m.slot[32] = LitMot();  // 64
  LitMots(mode, 33, 4);   // 66 to 72
  m.slot[43] = LitMot();  // 86
  LitMots(mode, 44, 4);   // 88 to 94
  m.slot[54] = LitMot();  // 108
  m.slot[56] = LitOctet();
  m.slot[55] = LitOctet();
  LitMots(mode, 57, 12);  // 114 to 136
  m.slot[70] = LitOctet();
  m.slot[69] = LitOctet();
  LitMots(mode, 71, 6);  // 142 to 152
  m.slot[78] = LitOctet();
  m.slot[77] = LitOctet();
  LitMots(mode, 79, 8);        // 158 to 172
  LitMots(mode, 90, 7);        // 180 to 192
  lireStyle(&m.styleAccords);  // 194
  LitMots(mode, 103, 6);       // 206 to 216
  m.slot[10] = LitMot();       // 20
  if (m.slot[10] == 0) m.slot[10] = 100;
  m.slot[27] = LitMot();  // 54
  m.slot[24] = LitMot();  // 48
  m.slot[28] = LitMot();  // 56
  LitMots(mode, 87, 3);   // 174 to 178
  if (m.slot[87] == 0 && m.slot[88] == 0) {
    m.slot[87] = 25;
    m.slot[88] = 40;
    m.slot[89] = 50;
  }
  if (LitOctet() == 1) lireStyle(&m.styleNombrePause);       // 74
  if (LitOctet() == 1) lireStyle(&m.styleNombreRepetition);  // 96
  m.slot[29] = LitMot();                                     // 58
  if (m.slot[29] == 0) m.slot[29] = 2;
  m.slot[30] = LitMot();  // 60
  if (m.slot[30] == 0) m.slot[30] = 6;
  m.drapeaux[3] = LitOctet();
  m.slot[17] = LitMot();  // 34
  if (version >= 0x0963) {
    LitMots(mode, 111, 4);  // 222 to 228
    m.drapeaux[2] = LitOctet();
    const int16_t v = LitMot();
    if (v > 0) m.slot[109] = v;  // 218
  }
  if (version >= 0x9631) {
    lireStyle(&m.styleTexteAccords);  // 230
    m.drapeau221 = LitOctet();
  }
  if (version >= 0x9701) {
    m.valeur244 = LitMot();
    m.slot[125] = LitMot();  // 250
    m.slot[126] = LitMot();  // 252
    m.slot[124] = LitMot();  // 248
    for (int i = 0; i < 37; i++) LitOctet();
  }
  return EndOfFile() ? 0 : 1;
}

int16_t ReadConfigGraphique(ModeGraphique* mode) { return LitConfigGraphique(mode, VersionQuarvelLoad, ReadTextStyle); }
