#include "model/QrvText.h"

#include <algorithm>
#include <cstring>

#include "layout/Zoom.h"
#include "model/CvtTemps.h"
#include "model/Partition.h"
#include "model/Portee.h"
#include "model/QrvTextInterne.h"
#include "model/TabEltMesure.h"
#include "model/Tonalite.h"
#include "model/Vues.h"
#include "notation/ServicesNotation.h"
#include "platform/Memory.h"
#include "platform/QuickDraw.h"
#include "platform/TextDraw.h"
#include "plugin/ServicesInertes.h"
#include "sound/ServicesSon.h"
#include "system/Handles.h"
#include "system/Reporters.h"
#include "system/Strings.h"
#include "text/Fontes.h"
#include "text/TextData.h"
#include "text/TextEncodings.h"
#include "text/UTFText.h"

namespace {

// The list's count is a signed 16-bit field of the staff.
constexpr int32_t kMaxTextes = 32767;

Texte* Textes(Portee** staff, int32_t* count) {
  Portee* p = *staff;
  if (!p->textes || p->nbTextes <= 0) {
    *count = 0;
    return nullptr;
  }
  const int32_t n = GetHandleSize(p->textes) / int32_t(sizeof(Texte));
  *count = p->nbTextes < n ? p->nbTextes : n;
  return reinterpret_cast<Texte*>(*p->textes);
}

// A copy of the string into the handle (a new handle when null).
bool CopieChaine(Handle* h, const char* text) {
  const size_t n = std::strlen(text ? text : "") + 1;
  if (n > size_t(0x3FFFFFFF)) return false;
  if (!*h) {
    *h = NewHandle(Size(n));
    if (!*h) return false;
  } else if (!RetailleHandle(*h, Size(n))) {
    return false;
  }
  std::memcpy(**h, text ? text : "", n);
  return true;
}

// Removes the records whose flag is set, freeing their strings, in one pass.
template <typename Pred>
void SupprimeTextesSi(Portee** staff, Pred pred) {
  int32_t n;
  Texte* t = Textes(staff, &n);
  if (!t) return;
  int32_t k = 0;
  for (int32_t i = 0; i < n; i++) {
    if (pred(t[i], i)) {
      if (t[i].texte) DisposeHandle(t[i].texte);
    } else {
      if (k != i) t[k] = t[i];
      k++;
    }
  }
  if (k == n) return;
  (*staff)->nbTextes = int16_t(k);
  RetailleHandle((*staff)->textes, Size(k) * Size(sizeof(Texte)));
}

// The row a cell of display row d is looked for at. Cells are stored from
// row x h + 2 to row x h + 2 + h; a row height below 3 has no room for the
// usual probe 2 points inside the cell, so the stored top is probed, and a
// line not laid out yet (h = 0) keeps its cells by row number.
int32_t RangeeRecherche(int32_t d, int32_t h) {
  if (d < 0 || h == 0) return d;
  if (h < 3) return d * h + 2;
  return d * h + 4;
}

// The display row of a lyric cell, from its top.
int32_t LigneAffichageCellule(const Texte& t, int32_t h) {
  if (h == 0) return t.haut > 0 ? t.haut : 0;
  if (t.haut < -65535) return 0;
  if (t.haut >= 0 && h < 3) return (t.haut - 2) / h;
  return t.haut / h;
}

// The verse whose display row in the bar is the (negative) row of a hidden
// cell, -1 when none.
int16_t VersetCache(Portee** staff, int16_t bar, int32_t row) {
  const int16_t* lut = CvtMesureEnLutLigneKaraoke(staff, bar);
  if (!lut) return -1;
  for (int16_t v = 0; v < kNbPassagesCellule; v++)
    if (lut[v] == row) return v;
  return -1;
}

}  // namespace

void CopieBorneeUTF8(char* out, const char* text, int32_t max) {
  if (!out || max <= 0) return;
  int32_t n = text ? int32_t(std::strlen(text)) : 0;
  if (n > max - 1) {
    n = max - 1;
    while (n > 0 && (uint8_t(text[n]) & 0xC0) == 0x80) n--;
  }
  if (n > 0) std::memcpy(out, text, size_t(n));
  out[n] = 0;
}

const char* ChaineTexteEnreg(Handle h) {
  if (!h || !*h) return "";
  const int32_t n = GetHandleSize(h);
  if (n <= 0 || std::memchr(*h, 0, size_t(n)) == nullptr) return "";
  return *h;
}

// ---------------------------------------------------------------- the list

Texte* GetTextesPortee(Portee** staff, int32_t* count) {
  int32_t n = 0;
  Texte* t = staff ? Textes(staff, &n) : nullptr;
  if (count) *count = n;
  return t;
}

int32_t CreeNewTexte(Portee** staff, const char* text) {
  if (!staff) return -1;
  int32_t n;
  Textes(staff, &n);
  if (n >= kMaxTextes) return -1;
  Handle chaine = nullptr;
  if (!CopieChaine(&chaine, text)) return -1;
  if (!(*staff)->textes) (*staff)->textes = NewHandle(0);
  if (!(*staff)->textes || !RetailleHandle((*staff)->textes, Size(n + 1) * Size(sizeof(Texte)))) {
    DisposeHandle(chaine);
    return -1;
  }
  Texte& t = reinterpret_cast<Texte*>(*(*staff)->textes)[n];
  std::memset(&t, 0, sizeof t);
  t.idVue = kIdVuePortee;
  t.texte = chaine;
  (*staff)->nbTextes = int16_t(n + 1);
  return n;
}

int32_t SetEnregTexte(Portee** staff, int32_t index, const Texte* record, const char* text) {
  if (!staff || !record) return -1;
  int32_t n;
  Textes(staff, &n);
  if (index >= n) return -1;
  const bool nouveau = index < 0;
  if (nouveau) {
    index = CreeNewTexte(staff, text);
    if (index < 0) return -1;
  }
  Texte* t = reinterpret_cast<Texte*>(*(*staff)->textes) + index;
  Handle chaine = t->texte;
  *t = *record;
  t->texte = chaine;
  if (!nouveau && !CopieChaine(&t->texte, text)) return -1;
  return index;
}

void DeleteTexte(Portee** staff, int32_t index) {
  int32_t n = 0;
  if (staff) Textes(staff, &n);
  if (index < 0 || index >= n) {
    BigBadError("QrvText", 1);
    return;
  }
  SupprimeTextesSi(staff, [&](const Texte&, int32_t i) { return i == index; });
}

void DisposeTextes(Portee** staff) {
  if (!staff) return;
  int32_t n;
  Texte* t = Textes(staff, &n);
  for (int32_t i = 0; i < n; i++)
    if (t[i].texte) DisposeHandle(t[i].texte);
  if ((*staff)->textes) DisposeHandle((*staff)->textes);
  (*staff)->textes = nullptr;
  (*staff)->nbTextes = 0;
}

int16_t CompareTextes(const Texte* a, const Texte* b) {
  if (a->debut != b->debut) return a->debut < b->debut ? -1 : 1;
  if (a->haut != b->haut) return a->haut < b->haut ? -1 : 1;
  if (a->bas != b->bas) return a->bas < b->bas ? -1 : 1;
  return 0;
}

void PrepareTextesPortee(Portee** staff) {
  if (!staff) return;
  int32_t n;
  Texte* t = Textes(staff, &n);
  if (n < 2) return;
  std::stable_sort(t, t + n, [](const Texte& a, const Texte& b) { return CompareTextes(&a, &b) < 0; });
}

bool IsSectTexte(Portee** staff, int32_t index, int32_t from, int32_t to) {
  int32_t n = 0;
  const Texte* t = staff ? Textes(staff, &n) : nullptr;
  if (index < 0 || index >= n) return false;
  const Texte& x = t[index];
  return (x.debut >= from && x.debut <= to) || (x.fin >= from && x.fin <= to) || (x.debut <= from && x.fin >= to);
}

void DisposeTextesKaraoke(Portee** staff, uint32_t line) {
  if (staff) SupprimeTextesSi(staff, [&](const Texte& t, int32_t) { return t.ligne == line; });
}

void PurgeTextesVides(Portee** staff) {
  if (!staff) return;
  SupprimeTextesSi(staff,
                   [](const Texte& t, int32_t) { return *GetTexteBrutTexteStyle(ChaineTexteEnreg(t.texte)) == 0; });
}

void SetStyle(const Texte* record) {
  if (!record) return;
  TextLookZoom(nullptr, record->style.font, record->style.size, int16_t(record->style.face & 0x7F));
  RGBForeColor(&record->style.color);
}

int32_t CreeObjetTexte(Portee** staff, const char* text, int16_t font, int16_t size, uint8_t face, int32_t tick,
                       int32_t top, float angle) {
  if (!staff || !text) return -1;
  // Sizes are kept in 72-dpi points: measure at 72 dpi.
  const int16_t dpi = GetDpiDest();
  SetDpiDest(72);
  SetTextFontSize(font, size == 0 ? 12 : size);
  FontInfo info{};
  GetFontInfo(&info);
  TextFace(face & 0x7F);
  int32_t extra = 4;
  if (std::strstr(text, "$X") != nullptr)
    extra =
        2 * ((GModeGraphique.epaisseurCadreTexte > 0 ? GModeGraphique.epaisseurCadreTexte : kMGEpaisseurCadreTexte) /
                 4 +
             kMGMargeCadreTexte) +
        4;
  const char* plain = GetTexteBrutTexteStyle(text);
  const int32_t largeur = UTFTextWidth(nullptr, plain, 0, int32_t(std::strlen(plain))) + extra;
  Texte t{};
  t.debut = tick;
  t.fin = Sature32(int64_t(tick) + CvtPixelEcranEnDuree((*staff)->partition, largeur));
  t.haut = top;
  t.bas = Sature32(int64_t(top) + info.ascent + extra);
  t.angle = int32_t(angle);
  t.style.font = font;
  t.style.size = size;
  t.style.face = face;
  t.idVue = kIdVuePortee;
  TextFont(0);
  TextFace(0);
  TextSize(0);
  SetDpiDest(dpi);
  return SetEnregTexte(staff, -1, &t, text);
}

// ------------------------------------------------------------- lyric cells

int32_t CvtCelluleKaraokeEnIndexTexte(Portee** staff, uint32_t line, int16_t bar, int16_t verse) {
  const LigneTexte* ligne = GetLigneTextePortee(staff, line);
  if (!ligne || bar < 0) return -1;
  Partition** score = (*staff)->partition;
  const int64_t milieu = int64_t(CvtMesureEnTemps(score, bar)) + CvtMesureEnDureeMesure(score, bar) / 2;
  const int32_t rangee = RangeeRecherche(CvtPassageKaraokeEnLigneAffichage(staff, bar, verse), ligne->hauteurLigne);
  int32_t n;
  const Texte* t = Textes(staff, &n);
  for (int32_t i = 0; i < n; i++) {
    if (t[i].ligne == line && t[i].debut <= milieu && milieu <= t[i].fin && t[i].haut <= rangee && rangee < t[i].bas)
      return i;
  }
  return -1;
}

bool CelluleKaraoke(Portee** staff, int16_t bar, int16_t verse, uint32_t line, const TextStyle* style, Texte* out,
                    int32_t* row) {
  const LigneTexte* ligne = GetLigneTextePortee(staff, line);
  if (!ligne || bar < 0 || bar >= kMaxMesures || verse < 0) return false;
  const int32_t h = ligne->hauteurLigne;
  Partition** score = (*staff)->partition;
  out->debut = CvtMesureEnTemps(score, bar);
  out->fin = CvtMesureEnTemps(score, bar + 1) - 1;
  const int32_t d = CvtPassageKaraokeEnLigneAffichage(staff, bar, verse);
  // Without a row height yet, rows are kept by number, as hidden ones are:
  // the line's layout turns them into bands.
  if (d < 0 || h == 0) {
    out->haut = d;
    out->bas = d + 1;
  } else {
    out->haut = d * h + 2;
    out->bas = out->haut + h;
  }
  out->cache = d < 0 ? 1 : 0;
  out->passage = verse;
  if (style) out->style = *style;
  out->style.face |= kFaceTexteTransparent;
  out->ligne = line;
  if (row) *row = d;
  return true;
}

int32_t SetTexteKaraokeCellule(Portee** staff, int16_t bar, int16_t verse, uint32_t line, const char* text,
                               const TextStyle* style) {
  const LigneTexte* ligne = GetLigneTextePortee(staff, line);
  if (!ligne || bar < 0 || bar >= kMaxMesures || verse < 0) return -1;
  const int32_t index = CvtCelluleKaraokeEnIndexTexte(staff, line, bar, verse);
  int32_t resultat = -1;
  if (!text || *GetTexteBrutTexteStyle(text) == 0) {
    if (index >= 0) DeleteTexte(staff, index);
  } else {
    Texte t{};
    if (index >= 0) {
      t = reinterpret_cast<const Texte*>(*(*staff)->textes)[index];
    } else {
      t.idVue = kIdVuePortee;
      t.style = ligne->styleCellule;
    }
    if (CelluleKaraoke(staff, bar, verse, line, style, &t, nullptr)) resultat = SetEnregTexte(staff, index, &t, text);
  }
  if (line == kLigneTexteParoles) LyrastelPorteeACalculer(staff);
  FixePorteeModifiee();
  return resultat;
}

const char* GetTexteStyleKaraokeCellule(Portee** staff, uint32_t line, int16_t bar, int16_t verse, TextStyle* style) {
  const int32_t i = CvtCelluleKaraokeEnIndexTexte(staff, line, bar, verse);
  if (i < 0) return "";
  const Texte& t = reinterpret_cast<const Texte*>(*(*staff)->textes)[i];
  if (style) *style = t.style;
  return ChaineTexteEnreg(t.texte);
}

char* GetTexteKaraokeCellule(Portee** staff, uint32_t line, int16_t bar, int16_t verse, char* out, TextStyle* style) {
  if (!out) return out;
  CopieBorneeUTF8(out, GetTexteBrutTexteStyle(GetTexteStyleKaraokeCellule(staff, line, bar, verse, style)),
                  kTailleTexteCellule);
  return out;
}

char* GetTexteKaraokeCelluleStrippe(Portee** staff, uint32_t line, int16_t bar, int16_t verse, char* out,
                                    TextStyle* style) {
  if (!GetTexteKaraokeCellule(staff, line, bar, verse, out, style)) return out;
  char* w = out;
  for (const char* r = out; *r; r++) {
    if (*r == '[') {
      const char* fin = std::strchr(r, ']');
      if (!fin) break;
      r = fin;
    } else {
      *w++ = *r;
    }
  }
  *w = 0;
  return out;
}

char* GetTexteCharSetKaraokeCellule(Portee** staff, uint32_t line, int16_t bar, int16_t verse, char* out,
                                    TextStyle* style, int32_t encoding) {
  if (!out) return out;
  char plain[kTailleTexteCellule];
  GetTexteKaraokeCellule(staff, line, bar, verse, plain, style);
  int32_t n = 0;
  EncodedStr e = UTFToStr(plain, encoding, &n);
  if (n > kTailleTexteCellule - 2) n = kTailleTexteCellule - 2;
  if (!e || n < 0) n = 0;
  if (n > 0) std::memcpy(out, e, size_t(n));
  out[n] = out[n + 1] = 0;
  DisposeEncodedStr(e);
  return out;
}

ExtendedStylHandle GetStyleHandleKaraokeCellule(Portee** staff, uint32_t line, int16_t bar, int16_t verse) {
  const int32_t i = CvtCelluleKaraokeEnIndexTexte(staff, line, bar, verse);
  if (i < 0) return nullptr;
  Handle h = reinterpret_cast<const Texte*>(*(*staff)->textes)[i].texte;
  if (!h || ChaineTexteEnreg(h)[0] == 0) return nullptr;
  return CvtTextDataToStyleHandle(*h);
}

void CalculePassageTextesPortee(Portee** staff) {
  if (!staff || !(*staff)->partition) return;
  Partition** score = (*staff)->partition;
  const int32_t h = (*staff)->lignesTexte[0].hauteurLigne;
  int32_t n;
  Texte* t = Textes(staff, &n);
  for (int32_t i = 0; i < n; i++) {
    if (t[i].ligne != kLigneTexteParoles) continue;
    const int16_t bar = CvtTempsEnMesure(score, t[i].debut);
    // A hidden verse keeps its own (negative) row, which no division by the
    // row height reads back: its verse is the one the bar's table hides there.
    const int16_t cache = t[i].haut < 0 ? VersetCache(staff, bar, t[i].haut) : int16_t(-1);
    if (cache >= 0) {
      t[i].passage = cache;
      continue;
    }
    const int32_t d = LigneAffichageCellule(t[i], h);
    t[i].passage = CvtLigneAffichageKaraokeEnPassage(staff, bar, int16_t(std::clamp<int32_t>(d, -32768, 32767)));
    t = Textes(staff, &n);
  }
}

void CalculePassageTextesPartition(Partition** score) {
  if (!score) return;
  for (int16_t i = 0; i < (*score)->nbPortees; i++) CalculePassageTextesPortee((*score)->portees[i]);
}

// ------------------------------------------------------------------- edits

void DeleteMesuresTextesPortee(Portee** staff, int16_t first, int16_t count) {
  if (!staff || !(*staff)->partition || first < 0 || count < 1) return;
  Partition** score = (*staff)->partition;
  const int32_t s = CvtMesureEnTemps(score, first);
  const int32_t e = CvtMesureEnTemps(score, first + count);
  SupprimeTextesSi(staff, [&](const Texte& t, int32_t) { return t.debut >= s && t.debut < e; });
  int32_t n;
  Texte* t = Textes(staff, &n);
  for (int32_t i = 0; i < n; i++) {
    if (t[i].debut < e) continue;
    t[i].debut -= e - s;
    t[i].fin = Sature32(int64_t(t[i].fin) - (e - s));
  }
}

void PreservePositionTextesDivers(Partition** score, int16_t mode) {
  if (!score) return;
  for (int16_t k = 0; k < (*score)->nbPortees; k++) {
    Portee** staff = (*score)->portees[k];
    int32_t n;
    Textes(staff, &n);
    for (int32_t i = 0; i < n; i++) {
      Texte* t = Textes(staff, &n) + i;
      if (t->ligne != kLigneTexteLibre) continue;
      int32_t decalage = 0;
      const int32_t debut = t->debut;
      const int32_t ancre = AireAbsolueToRelative(score, staff, false, debut, mode != 0, &decalage);
      t = Textes(staff, &n) + i;
      t->noteAncre = uint32_t(ancre);
      t->decalageAncre = decalage;
    }
  }
}

// Only the free texts were made relative: cells of the text lines are rebuilt
// from their syllables, and other lines keep their ticks.
void RestaurePositionTextesDivers(Partition** score, int16_t mode) {
  if (!score) return;
  for (int16_t k = 0; k < (*score)->nbPortees; k++) {
    Portee** staff = (*score)->portees[k];
    int32_t n;
    Textes(staff, &n);
    for (int32_t i = 0; i < n; i++) {
      Texte t = Textes(staff, &n)[i];
      if (t.ligne != kLigneTexteLibre) continue;
      int32_t debut = t.debut;
      AireRelativeToAbsolue(score, staff, false, mode != 0, int32_t(t.noteAncre), t.decalageAncre, &debut);
      Texte* x = Textes(staff, &n) + i;
      x->fin = Sature32(int64_t(debut) + (int64_t(t.fin) - t.debut));
      x->debut = debut;
    }
  }
}
