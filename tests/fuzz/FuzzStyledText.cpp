// Styled strings as documents store them (every text box, staff text, lyric
// and title): the inspection calls, the style-part reader, the sub-string
// operations, run marking, and the load into a styled text record, which
// measures and breaks the text.
#include <vector>

#include "FuzzCommon.h"
#include "layout/Zoom.h"
#include "platform/Memory.h"
#include "platform/QuickDraw.h"
#include "text/ExtendedTE.h"
#include "text/TextData.h"
#include "text/UTFText.h"

namespace {

GWorldPtr Monde() {
  static GWorldPtr monde = [] {
    GWorldPtr m = nullptr;
    const Rect bornes{0, 0, 100, 100};
    return NewGWorld(&m, 32, &bornes, nullptr, nullptr, 0) == qdNoErr ? m : nullptr;
  }();
  return monde;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  tamrel_fuzz::InitCommun();
  if (size > 1 << 16 || !Monde()) return 0;
  // A stored string ends at its first NUL: the rest of the input is cut off.
  std::vector<char> texte(data, data + size);
  texte.push_back(0);
  const char* s = texte.data();
  const int32_t n = int32_t(std::strlen(s));

  IsStyledString(s);
  GetStringStyleSize(s);
  GetStrlenBrutTexteStyle(s);
  int32_t longueur = 0;
  GetTexteBrutTexteStyleAndSize(s, n, &longueur);
  if (Handle h = GetDataTextStyle(s, n)) DisposeHandle(h);
  TextStyle style{};
  ExtraitStyleChaine(s, n / 2, &style);
  if (char* sub = ExtraitSousChaineStyle(s, 1, n / 2, nullptr)) DisposeTextData(sub);
  if (char* cut = SupprimeSousChaineStyle(s, n / 3, n / 2, GetStrlenBrutTexteStyle(s))) DisposeTextData(cut);
  if (char* ins = InsereSousChaineStyle(s, GetStrlenBrutTexteStyle(s), "abc", 1, 3)) DisposeTextData(ins);
  if (Handle marked = InjecteRunsDansChaine(s, n)) {
    if (Handle back = RecupereRunsDansChaine(s, n, *marked)) DisposeHandle(back);
    DisposeHandle(marked);
  }

  // The reader writes its fallback over a damaged part: it gets its own copy.
  std::vector<char> copie(texte);
  if (ExtendedStylHandle sh = CvtTextDataToStyleHandle(copie.data())) ExtendedDisposeStylHandle(sh);

  CGrafPtr portSauve;
  GDHandle devSauve;
  GetGWorld(&portSauve, &devSauve);
  SetGWorld(Monde(), nullptr);
  const int16_t dpi = GetDpiDest();
  SetDpiDest(72);
  SetUnicodeApplication(1);
  Rect r{0, 0, 400, 300};
  if (ExtendedTE te = ExtendedTEStylNew(&r, &r)) {
    CvtTextDataToTEHandle(te, s, n, nullptr);
    if (char* retour = CvtExtendedTEHandleToTextData(te, 0, nullptr)) DisposeTextData(retour);
    ExtendedTEDispose(te);
  }
  SetDpiDest(dpi);
  SetGWorld(portSauve, devSauve);
  return 0;
}
