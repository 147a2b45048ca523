// Bar lines, repeats, endings and jumps of a score, and the texts and lyric
// cells of a staff, as native documents store them (big-endian, fields gated
// on the version).
#include <cstring>

#include "model/QrvText.h"
#include "model/Ruptures.h"
#include "platform/PlatformTypes.h"
#include "plugin/LectureDocument.h"
#include "plugin/ServicesInertes.h"
#include "system/QrvFiles.h"
#include "text/TextEncodings.h"

namespace {

uint8_t Octet() {
  const int16_t c = ReadCar();
  return c < 0 ? 0 : uint8_t(c);
}

// The length of the first n bytes of s cut back to a character boundary.
int32_t CoupeSurCaractere(const char* s, int32_t n) {
  while (n > 0 && (uint8_t(s[n]) & 0xC0) == 0x80) n--;
  return n;
}

// MacRoman text into UTF-8 within a buffer of `taille` bytes, cut on a
// character boundary when the longer form does not fit.
void MacRomanVersUTFDans(char* texte, int32_t taille) {
  if (!texte[0]) return;
  int32_t longueur = 0;
  EncodedStr utf = MacRomanTextToUTF(0, texte, int32_t(std::strlen(texte)), &longueur);
  if (!utf) return;
  if (longueur > taille - 1) longueur = CoupeSurCaractere(utf, taille - 1);
  std::memcpy(texte, utf, size_t(longueur));
  texte[longueur] = 0;
  DisposeEncodedStr(utf);
}

// Old ticks were 96 to the quarter note; held within 32 bits.
int32_t AncienneDuree(int32_t t) {
  const int64_t v = int64_t(t) * 420;
  return v > INT32_MAX ? INT32_MAX : (v < INT32_MIN ? INT32_MIN : int32_t(v));
}

}  // namespace

int16_t ReadRupture(Rupture* rupture) {
  const uint16_t v = VersionQuarvelLoad;
  Rupture r;
  std::memset(&r, 0, sizeof r);
  const int16_t mesure = ReadShort();
  r.mesure = mesure < 0 ? 0 : mesure;
  r.placement = uint32_t(int32_t(ReadShort()));
  r.barre = uint32_t(int32_t(ReadShort()));
  // The text runs to its NUL; what the field cannot hold is read and dropped,
  // and a text without its NUL ends with the stream.
  int32_t n = 0;
  for (;;) {
    const int16_t c = ReadCar();
    if (c <= 0) break;
    if (n < kTailleTexteRupture - 1) r.texte[n++] = char(c);
  }
  r.texte[n] = 0;
  if (v < 0x0920) MacRomanVersUTFDans(r.texte, kTailleTexteRupture);
  ReadTextStyle(&r.style);
  r.decalageYTexte = ReadShort();
  r.decalageXTexte = ReadShort();
  r.type = uint32_t(int32_t(ReadShort()));
  r.parametre = ReadShort();
  r.al = uint32_t(int32_t(ReadShort()));
  r.modePassage = uint32_t(int32_t(ReadShort()));
  r.nbPassages = uint16_t(ReadShort());
  for (uint8_t& p : r.passagesVolta) p = Octet() ? 1 : 0;
  if (v >= 0x0790) r.couleur = Octet();
  // Old documents' plain da capo is a jump to bar 0.
  if (v < 0x0850 && r.type == kRuptureDaCapo) {
    r.type = kRuptureAllerMesure;
    r.parametre = 0;
  }
  // Old ending ends drew their text two units further right.
  if (v <= 0x0941 && r.type == kRuptureFinVolta && r.decalageXTexte >= -1) r.decalageXTexte = -2;
  if (rupture) *rupture = r;
  return EndOfFile() ? 0 : 1;
}

char* ReadTexte(Texte* text) {
  const uint16_t v = VersionQuarvelLoad;
  Texte t;
  std::memset(&t, 0, sizeof t);
  t.debut = ReadLong();
  t.haut = ReadLong();
  t.fin = ReadLong();
  t.bas = ReadLong();
  if (t.debut < 0) t.debut = 0;
  if (t.fin < t.debut) t.fin = t.debut;
  if (t.haut < 0 && t.bas <= t.haut + 1) t.cache = 1;
  if (v >= 0x0800) {
    t.extensionGauche = ReadShort();
    t.extensionDroite = ReadShort();
  }
  if (v < 0x0320) {
    t.debut = AncienneDuree(t.debut);
    t.fin = AncienneDuree(t.fin);
  }
  ReadTextStyle(&t.style);

  int32_t n = ReadShort();
  if (n < 0) n = 0;
  if (n > GetStreamRemaining()) {
    // A length past the stream's end: nothing sensible follows.
    ioCustom.finFichier = 1;
    if (text) *text = t;
    return nullptr;
  }
  char* chaine = NewEncodedStr(n + 1, FourCC("T014"));
  if (chaine) {
    ReadBlock(chaine, n);
    chaine[n] = 0;
  } else {
    ReadGap(n);
  }

  if (v >= 0x0750) {
    t.ligne = Octet();
  } else if (v >= 0x0512) {
    const uint8_t b = Octet();
    t.ligne = b ? 1 : 0;
    // Lyrics of these versions wrote the syllable joiner as '_'.
    if (b == 1 && n >= 1 && chaine)
      for (int32_t i = 0; i < n; i++)
        if (chaine[i] == '_') chaine[i] = '^';
  }
  if (v < 0x0720 && chaine)
    for (int32_t i = 0; i < n; i++) {
      if (chaine[i] == '[') chaine[i] = '(';
      else if (chaine[i] == ']') chaine[i] = ')';
    }
  if (v >= 0x0920) {
    ReadShort();  // the text's encoding: UTF-8 is what is checked
    if (chaine) CheckUTFString(chaine);
  } else if (chaine && chaine[0]) {
    int32_t longueur = 0;
    // The NUL goes through the conversion with the text.
    EncodedStr utf = MacRomanTextToUTF(0, chaine, int32_t(std::strlen(chaine)) + 1, &longueur);
    DisposeEncodedStr(chaine);
    chaine = utf;
    if (chaine)
      for (char* c = chaine; *c; c++)
        if (*c >= 1 && *c <= 8) *c = ' ';
  }
  t.idVue = v >= 0x0940 ? ReadLong() : -2;
  if (text) *text = t;
  return chaine;
}
