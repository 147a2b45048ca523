#include "layout/PiedsEntetes.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "layout/DonneesMiseEnPage.h"
#include "layout/MiseEnPage.h"
#include "layout/Zoom.h"
#include "model/Document.h"
#include "model/Partition.h"
#include "model/Portee.h"
#include "model/QrvText.h"
#include "model/TempsJoue.h"
#include "model/Vues.h"
#include "platform/DateTime.h"
#include "platform/Memory.h"
#include "platform/QuickDraw.h"
#include "platform/TextDraw.h"
#include "stafftypes/PorteeKaraoke.h"
#include "system/ResStrings.h"
#include "system/Strings.h"
#include "text/ExtendedTE.h"
#include "text/TextBox.h"
#include "text/TextData.h"

namespace {

// Ascent + descent of the tallest of the block's three styles, zoomed.
int16_t HauteurBloc(const BlocEnteteMiseEnPage& bloc) {
  int32_t h = 0;
  for (const TextStyle& style : bloc.style) {
    TextLookZoom(nullptr, style.font, style.size, style.face);
    FontInfo info{};
    GetFontInfo(&info);
    h = std::max<int32_t>(h, int32_t(info.ascent) + info.descent);
  }
  return Sature16(h);
}

// Dates shown by a template without a document: some nine days before now.
constexpr uint32_t kReculDateModele = 817500;
// Longest staff name a "$L" code compares.
constexpr size_t kMaxNomPorteeParoles = 254;

// The expanded text: characters stop at `limite` bytes of text, a value goes
// in whole or not at all; the style-run marks always pass (they are not text).
struct Sortie {
  std::string s;
  size_t texte = 0;
  size_t limite = 0;

  void Car(char c) {
    if (uint8_t(c) == kTextDataEndField) {
      s += c;
    } else if (texte < limite) {
      s += c;
      texte++;
    }
  }
  void Valeur(const char* v) {
    const size_t n = std::strlen(v);
    if (texte + n > limite) return;
    s.append(v, n);
    texte += n;
  }
  // As much of v as fits, never cutting a character in two.
  void Partiel(const char* v, size_t n) {
    size_t k = std::min(n, limite - texte);
    if (k < n)
      while (k > 0 && (uint8_t(v[k]) & 0xC0) == 0x80) k--;
    for (size_t i = 0; i < k; i++)
      if (uint8_t(v[i]) != kTextDataEndField && v[i] != 0) {
        s += v[i];
        texte++;
      }
  }
};

void Nombre(Sortie* out, int32_t v) {
  char t[16];
  std::snprintf(t, sizeof t, "%d", int(v));
  out->Valeur(t);
}

// The text of a title (its plain part).
void Titre(Sortie* out, const Document* document, int k) {
  char t[sizeof document->titres[0].texte + 1];
  std::memcpy(t, document->titres[k].texte, sizeof document->titres[k].texte);
  t[sizeof t - 1] = 0;
  out->Valeur(GetTexteBrutTexteStyle(t));
}

// "$L": the lyric lines of every staff showing them, or of the staff named
// between double quotes; ",a" asks for verse a, ",a-b" for lines a to b.
// Returns the last character the code takes.
const char* Paroles(Sortie* out, Document* document, const char* p) {
  const char* q = p + 1;
  std::string nom;
  bool avecNom = false;
  if (*q == '"') {
    const char* fin = std::strchr(q + 1, '"');
    if (fin) {
      avecNom = true;
      nom.assign(q + 1, std::min<size_t>(size_t(fin - q - 1), kMaxNomPorteeParoles));
      q = fin + 1;
    }
  }
  uint16_t passage = 0;
  int32_t premiere = 0, derniere = 9999;
  if (*q == ',' && std::isdigit(uint8_t(q[1]))) {
    char* suite = nullptr;
    const long a = std::strtol(q + 1, &suite, 10);
    q = suite;
    if (*q == '-' && std::isdigit(uint8_t(q[1]))) {
      const long b = std::strtol(q + 1, &suite, 10);
      q = suite;
      premiere = int32_t(std::clamp<long>(a - 1, 0, 9999));
      derniere = int32_t(std::clamp<long>(b, 0, 9999));
    } else {
      passage = uint16_t(std::clamp<long>(a, 0, 65535));
    }
  }
  Partition** score = document ? document->partitionCourante : nullptr;
  for (int16_t i = 0; score && i < (*score)->nbPortees; i++) {
    Portee** staff = (*score)->portees[i];
    if (!staff || !(*staff)->ligneParolesAffichee) continue;
    if (avecNom) {
      char n[sizeof(*staff)->aspect.nom];
      std::memcpy(n, (*staff)->aspect.nom, sizeof n);
      n[sizeof n - 1] = 0;
      if (strcasecmp(GetTexteBrutTexteStyle(n), nom.c_str()) != 0) continue;
    }
    ExtendedTE te = CreeTexteKaraoke(staff, 1, 0, 0, nullptr, passage, premiere, derniere);
    if (!te) continue;
    if ((*te)->hText && (*te)->teLength > 0)
      out->Partiel(*(*te)->hText, size_t(std::min<int32_t>((*te)->teLength, GetHandleSize((*te)->hText))));
    ExtendedTEDispose(te);
  }
  return q - 1;
}

// Expands the codes of the marked template into out.
void Expande(Document* document, const char* m, int32_t base, int32_t page, int32_t count, int32_t extraP,
             int32_t extraN, Sortie* out) {
  char tampon[1100];
  uint32_t maintenant = 0;
  GetDateTime(&maintenant);
  for (const char* p = m; *p; p++) {
    if (*p != '$') {
      out->Car(*p);
      continue;
    }
    if (p[1] == 0) break;  // a '$' ending the template says nothing
    const char brut = p[1];
    const char code = char(std::toupper(uint8_t(brut)));
    const char* suite = p + 1;  // the last character the code takes
    tampon[0] = 0;
    switch (code) {
      case 'A':
      case 'U': {
        const uint32_t secs = document ? document->dates[code == 'A' ? 0 : 1] : maintenant - kReculDateModele;
        const char* fin = ExtractDateWithFormat(p, secs, tampon);
        if (fin != p) suite = fin;
        break;
      }
      case 'Y': {
        DateTimeRec d{};
        SecondsToDate(document ? document->dates[0] : maintenant - kReculDateModele, &d);
        std::snprintf(tampon, sizeof tampon, "%d", int(d.year));
        break;
      }
      case 'D': {
        const char* fin = ExtractCurrentDateWithFormat(p, tampon);
        if (fin != p) suite = fin;
        break;
      }
      case 'H': GetStringHeure(tampon); break;
      case 'T':
      case 'C':
      case 'R': {
        const int k = code == 'T' ? 0 : code == 'C' ? 1 : 2;
        if (document) Titre(out, document, k);
        else out->Valeur(k == 0 ? "[Title]" : k == 1 ? "[Composer]" : "[Remarks]");
        break;
      }
      case 'F':
        if (document) {
          char n[sizeof document->nomFichier + 1];
          std::memcpy(n, document->nomFichier, sizeof document->nomFichier);
          n[sizeof n - 1] = 0;
          out->Valeur(n);
        } else {
          out->Valeur("[File name]");
        }
        break;
      case 'P':
        if (page >= base) Nombre(out, page - base);
        break;
      case 'Q':
        if (page >= base && count - base >= 2) Nombre(out, page - base);
        break;
      case 'N': Nombre(out, count - base); break;
      case 'O': {
        // A signed number, kept within 16 bits.
        const char* q = p + 2;
        const bool moins = *q == '-';
        if (*q == '-' || *q == '+') q++;
        if (!std::isdigit(uint8_t(*q))) break;
        int32_t v = 0;
        for (; std::isdigit(uint8_t(*q)); q++) v = std::min(v * 10 + (*q - '0'), 32768);
        v = std::clamp(moins ? -v : v, -32768, 32767);
        page += v;
        count += v;
        suite = q - 1;
        break;
      }
      case 'M': {
        Partition** score = document ? document->partitionCourante : nullptr;
        int32_t ms = 0;
        if (score) {
          const int32_t dernier = DureeTotaleMusique(score);
          if (dernier >= 0) ms = std::max(CvtTempsJoueEnMs(score, Sature32(int64_t(dernier) + 1), true), 0);
        }
        std::snprintf(tampon, sizeof tampon, "%02ld:%02ld", long(ms / 60000), long(ms / 1000 % 60));
        break;
      }
      case 'V': {
        const char second = char(std::toupper(uint8_t(p[2])));
        if (second == 'P') {
          if (page >= base) Nombre(out, extraP - base);
          suite = p + 2;
        } else if (second == 'N') {
          Nombre(out, extraN - base);
          suite = p + 2;
        } else if (!document) {
          out->Valeur("Piano");
        } else {
          const int16_t vue = GetIndexVueCourante(document);
          const Vue* v = vue >= 0 ? GetVueDocument(document, vue) : nullptr;
          if (v) {
            char n[sizeof v->nom + 1];
            std::memcpy(n, v->nom, sizeof v->nom);
            n[sizeof n - 1] = 0;
            out->Valeur(n);
          }
        }
        break;
      }
      case 'L': suite = Paroles(out, document, p + 1); break;
      case 'B':
      case 'W': break;
      case '$': out->Car('$'); break;
      default:
        out->Car('$');
        out->Car(brut);
        break;
    }
    if (tampon[0]) out->Valeur(tampon);
    p = suite;
  }
}

}  // namespace

Handle CreeChainePiedDePage(Document* document, const char* modele, int16_t base, int16_t page, int16_t count,
                            int16_t extraP, int16_t extraN, int32_t max) {
  if (!modele || max < 2 || GetTexteBrutTexteStyle(modele)[0] == 0) return nullptr;
  const int32_t total = int32_t(std::strlen(modele));
  Handle marque = InjecteRunsDansChaine(modele, total);
  if (!marque) return nullptr;
  Sortie out;
  out.limite = size_t(max - 1);
  out.s.reserve(size_t(std::min(max, 4096)));
  Expande(document, *marque, base, page, count, extraP, extraN, &out);
  DisposeHandle(marque);
  return RecupereRunsDansChaine(modele, total, out.s.c_str());
}

void DoTraceChainePiedDePageEtEntete(Document* document, const BlocEnteteMiseEnPage* block, const char* modele,
                                     const TextStyle* style, int16_t alignment, int16_t base, int16_t page,
                                     int16_t count, int16_t extraP, int16_t extraN, const Rect* rect,
                                     int16_t* tallest) {
  if (!block || !style || !rect) return;
  Handle texte = CreeChainePiedDePage(document, modele, base, page, count, extraP, extraN, kTailleModeleEntete);
  if (!texte) return;
  const int32_t numero = page < 0 ? 1 : page;
  if (block->miroirPagesPaires && numero % 2 == 0 && alignment != 1) alignment = int16_t(-alignment);
  const char* t = *texte;
  const int32_t longueur = int32_t(std::strlen(t));
  TextBoxStyleZoom(t, longueur, rect, alignment, style, 0, 0, 1);
  if (tallest) *tallest = std::max(*tallest, TextBoxStyleHeightWrap(t, longueur, 32000, style, 1));
  DisposeHandle(texte);
  ForeColor(blackColor);
  TextFace(0);
}

void DoTraceElementPiedDePageEtEntete(Document* document, const BlocEnteteMiseEnPage* block, int16_t base, int16_t page,
                                      int16_t count, int16_t extraP, int16_t extraN, const Rect* rect) {
  if (!block || !rect) return;
  if (page == 1 && block->pasSurPage1) return;
  Rect r = *rect;
  r.bottom = 32000;
  int16_t plusHaut = 0;
  int16_t* mesure = block->filetDessous ? &plusHaut : nullptr;
  static constexpr int16_t kAlignements[3] = {0, 1, -1};
  for (int k = 0; k < 3; k++) {
    // A stored template need not end inside its field.
    char modele[kTailleModeleEntete + 1];
    std::memcpy(modele, block->modele[k], kTailleModeleEntete);
    modele[kTailleModeleEntete] = 0;
    DoTraceChainePiedDePageEtEntete(document, block, modele, &block->style[k], kAlignements[k], base, page, count,
                                    extraP, extraN, &r, mesure);
  }
  if (block->filetDessus) {
    const int16_t y = Sature16(int32_t(r.top) - Zoom(2));
    MoveTo(r.left, y);
    LineTo(r.right, y);
  }
  if (block->filetDessous) {
    const int16_t y = Sature16(int32_t(r.top) + Zoom(int32_t(plusHaut) + 1));
    MoveTo(r.left, y);
    LineTo(r.right, y);
  }
}

void AjouteEltPiedEtEnteteDocument(Partition** score, uint32_t kind, const PrInfo* printInfo) {
  if (!score || !printInfo || !(*score)->pages) return;
  const int32_t nbPages = GetHandleSize((*score)->pages) / int32_t(sizeof(Page));
  const Rect& papier = printInfo->page;
  for (int32_t p = 0; p < nbPages; p++) {
    MiseEnPage* setup = reinterpret_cast<Page*>(*(*score)->pages)[p].miseEnPage;
    if (!setup || p < setup->premierePageMusique) continue;
    const BlocEnteteMiseEnPage& bloc = kind == kSystemeEnTete ? setup->enTete : setup->basDePage;
    const int16_t h = HauteurBloc(bloc);
    Systeme element;
    SetSystemeDefaut(&element);
    element.type = kind;
    Rect& r = element.rectMiseEnPage;
    r.left = Sature16(int32_t(papier.left) + CvtPosDixiemeMMEnPixel(setup, bloc.retraitGauche));
    r.right = Sature16(int32_t(papier.right) - CvtPosDixiemeMMEnPixel(setup, bloc.retraitDroit));
    if (kind == kSystemeEnTete) {
      r.top = Sature16(int32_t(papier.top) + CvtPosDixiemeMMEnPixel(setup, bloc.distanceBord));
      r.bottom = Sature16(int32_t(r.top) + h);
    } else {
      r.bottom = Sature16(int32_t(papier.bottom) - CvtPosDixiemeMMEnPixel(setup, bloc.distanceBord));
      r.top = Sature16(int32_t(r.bottom) - h);
    }
    AjouteSysteme(score, int16_t(p), &element, 0, false);
  }
}
