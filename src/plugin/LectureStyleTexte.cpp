// The text-style record of the native format: the font by number (old
// documents) or by name, the face, the size and the colour.
#include <cstdio>
#include <cstring>

#include "platform/Fonts.h"
#include "plugin/LectureDocument.h"
#include "system/QrvFiles.h"
#include "text/Fontes.h"
#include "text/TextStyle.h"

namespace {

// Font names are stored with their length; at most this many bytes are kept.
constexpr uint16_t kTailleNomFonte = 254;

uint8_t LitOctetStyle() {
  const int16_t c = ReadCar();
  return c < 0 ? 0 : uint8_t(c);
}

// Position of `motif` in `texte`, ignoring ASCII case; -1 when absent.
int32_t ChercheSansCasse(const char* texte, const char* motif) {
  const size_t n = std::strlen(motif);
  for (size_t i = 0; texte[i]; i++) {
    size_t k = 0;
    while (k < n && texte[i + k] && (texte[i + k] | 0x20) == (motif[k] | 0x20)) k++;
    if (k == n) return int32_t(i);
  }
  return -1;
}

// Old documents wrote faces into the name: "Times Bold Italic" is Times with
// bold and italic. The name is cut at the first such word.
void SepareStyleDuNom(char* nom, uint8_t* face) {
  const int32_t gras = ChercheSansCasse(nom, " bold");
  const int32_t italique = ChercheSansCasse(nom, " italic");
  int32_t coupe = -1;
  if (gras >= 0) {
    *face |= 1;
    coupe = gras;
  }
  if (italique >= 0) {
    *face |= 2;
    if (coupe < 0 || italique < coupe) coupe = italique;
  }
  if (coupe >= 0) nom[coupe] = 0;
}

}  // namespace

int16_t ResoutFonteNommee(const char* nom, int16_t numero) {
  char utilise[256] = "";
  const int16_t trouve = GetClosestIDFontFromName(nom, &numero, utilise);
  if (trouve == 1) {
    char texte[512];
    std::snprintf(texte, sizeof texte, "%s=>%s", nom, utilise);
    AddFontInconnue(texte, 1);
  } else if (trouve != 0) {
    AddFontInconnue(nom, 0);
  }
  return numero;
}

int16_t ReadTextStyle(TextStyle* style) {
  TextStyle s{};
  s.font = ReadShort();
  if (VersionQuarvelLoad < 0x0512) {
    // The number alone: kept when this system knows the same font by it.
    Str255 nom;
    GetFontName(s.font, nom);
    int16_t numero = 0;
    GetFNum(nom, &numero);
    if (numero != s.font) s.font = GetStdFont();
    LitOctetStyle();
    s.face = LitOctetStyle();
  } else {
    char nom[kTailleNomFonte];
    ReadString(nom, sizeof nom);
    LitOctetStyle();
    s.face = LitOctetStyle();
    if (VersionQuarvelLoad < 0x0961) SepareStyleDuNom(nom, &s.face);
    // A style stored without a name keeps its number: it is how the music
    // font's placeholder is written.
    if (nom[0] && !EndOfFile()) s.font = ResoutFonteNommee(nom, s.font);
  }
  s.size = ReadShort();
  s.color.red = uint16_t(ReadShort());
  s.color.green = uint16_t(ReadShort());
  s.color.blue = uint16_t(ReadShort());
  if (style) *style = s;
  return EndOfFile() ? 0 : 1;
}
