// Areas and drawing of staff texts: the free texts with their "$" codes and
// frames, and the cells of the text lines, drawn by the lyric-line drawing.
#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "layout/ServicesMiseEnPage.h"
#include "model/Cibles.h"
#include "model/CvtTemps.h"
#include "model/Document.h"
#include "model/Partition.h"
#include "model/Portee.h"
#include "model/QrvText.h"
#include "model/QrvTextInterne.h"
#include "model/Ruban.h"
#include "model/Signe.h"
#include "model/TabEltMesure.h"
#include "model/TempsJoue.h"
#include "model/Tonalite.h"
#include "model/Vues.h"
#include "notation/ServicesNotation.h"
#include "platform/DateTime.h"
#include "platform/Memory.h"
#include "platform/QuickDraw.h"
#include "stafftypes/ServicesTypesPortee.h"
#include "system/Couleurs.h"
#include "system/ResStrings.h"
#include "system/Rotations.h"
#include "system/Strings.h"
#include "text/Fontes.h"
#include "text/TextBox.h"
#include "text/TextData.h"
#include "text/UTFText.h"

namespace {

constexpr int16_t kCouleurMembreFusion = 247;
constexpr int16_t kCouleurRepere = 205;
constexpr uint16_t kGrisFondParoles = 0xE000;

const LigneTexte& LigneDuTexte(Portee** staff, uint32_t line) {
  return (*staff)->lignesTexte[line == kLigneTexteAccords ? 1 : 0];
}

// The playing time of the whole score, repeats unrolled; negative (nothing to
// show) without a score or with an empty played list.
int32_t DureeTotaleMs(Partition** score) {
  if (!score) return -1;
  const int32_t dernier = DureeTotaleMusique(score);
  if (dernier < 0) return -1;
  return CvtTempsJoueEnMs(score, Sature32(int64_t(dernier) + 1), true);
}

// The displayed number of the bar holding a tick: the nearest bar at or
// before it that shows a number; 0 when none.
int32_t NumeroMesureAffiche(Partition** score, int32_t tick) {
  Handle table = GetTabEltMesureRuban(score);
  const int32_t n = GetNbLignesTabElt(table);
  const TabEltMesure* rows = GetLignesTabElt(table);
  int32_t b = CvtTempsEnMesure(score, tick);
  if (!rows || n <= 0) return 0;
  if (b >= n) b = n - 1;
  for (; b >= 0; b--)
    if (rows[b].numeroMesure != 0) return rows[b].numeroMesure;
  return 0;
}

// The frame of "$S", "$O" and "$X".
enum class Cadre { Aucun, Rectangle, Ovale, Tout };

struct Expansion {
  std::string texte;  // the marked text with its codes replaced
  size_t capacite;    // what the buffer holds
  Cadre cadre = Cadre::Aucun;
  bool plein = false;  // "~": filled, the text in white
  bool rythme = false;

  void Ajoute(const char* s) {
    const size_t n = std::strlen(s);
    if (texte.size() + n <= capacite) texte.append(s, n);
  }
};

// Expands the codes of the marked text (run ends marked by 0x03).
void ExpandeCodes(Portee** staff, const Texte& record, const char* marked, Expansion* e) {
  Partition** score = (*staff)->partition;
  Document* document = score ? (*score)->document : nullptr;
  char tampon[1100];
  for (const char* p = marked; *p; p++) {
    if (*p != '$') {
      if (e->texte.size() < e->capacite) e->texte += *p;
      continue;
    }
    const char code = p[1];
    if (code == 0) break;
    tampon[0] = 0;
    const char* suite = p + 1;  // the last character the code takes
    switch (std::toupper(static_cast<unsigned char>(code))) {
      case '$': std::strcpy(tampon, "$"); break;
      case '!':
        if (p[2] != 0) {
          CalculeLibelleCiblePartition(score, uint8_t(p[2]), record.debut, tampon);
          suite = p + 2;
        }
        break;
      case '(':
        std::strcpy(tampon, "$(");
        e->rythme = true;
        break;
      case 'A':
      case 'U': {
        const uint32_t secs =
            document ? document->dates[std::toupper(static_cast<unsigned char>(code)) == 'A' ? 0 : 1] : 0;
        const char* fin = ExtractDateWithFormat(p, secs, tampon);
        if (fin != p) suite = fin;
        break;
      }
      case 'D': {
        const char* fin = ExtractCurrentDateWithFormat(p, tampon);
        if (fin != p) suite = fin;
        break;
      }
      case 'H': GetStringHeure(tampon); break;
      case 'B': {
        const int32_t numero = score ? NumeroMesureAffiche(score, record.debut) : 0;
        if (numero > 0) std::snprintf(tampon, sizeof tampon, "%d", int(numero));
        break;
      }
      case 'N': {
        const int32_t pages = score ? CombienDePages(score) - (document ? document->nbPagesReservees : 0) : 0;
        if (pages > 0) std::snprintf(tampon, sizeof tampon, "%d", int(pages));
        break;
      }
      case 'M': {
        const int32_t ms = DureeTotaleMs(score);
        if (ms >= 0) std::snprintf(tampon, sizeof tampon, "%02ld:%02ld", long(ms / 60000), long(ms / 1000 % 60));
        break;
      }
      case 'F':
        if (document) CopieBorneeUTF8(tampon, document->nomFichier, sizeof tampon);
        break;
      case 'T':
        if (document) CopieBorneeUTF8(tampon, GetTexteBrutTexteStyle(document->titres[0].texte), sizeof tampon);
        break;
      case 'V': {
        const int16_t vue = document ? GetIndexVueCourante(document) : -1;
        if (vue >= 0) CopieBorneeUTF8(tampon, GetVueDocument(document, vue)->nom, sizeof tampon);
        break;
      }
      case 'S':
      case 'O':
      case 'X': {
        const char c = char(std::toupper(static_cast<unsigned char>(code)));
        e->cadre = c == 'S' ? Cadre::Rectangle : c == 'O' ? Cadre::Ovale : Cadre::Tout;
        if (p[2] == '~') {
          e->plein = true;
          suite = p + 2;
        }
        break;
      }
      default: break;
    }
    e->Ajoute(tampon);
    p = suite;
  }
}

// Draws a text (without codes) in a rectangle, its leading spaces skipped.
void DessineTexte(const char* text, const Rect* rect, const TextStyle* style, int16_t angle) {
  const char* brut = GetTexteBrutTexteStyle(text);
  int32_t espaces = 0;
  while (brut[espaces] == ' ') espaces++;
  char* sans = nullptr;
  if (espaces > 0) {
    sans = IsStyledString(text) ? SupprimeSousChaineStyle(text, 0, espaces, -1) : nullptr;
    if (!IsStyledString(text)) text += espaces;
    else if (sans) text = sans;
  }
  TextBoxStyleZoom(text, int32_t(std::strlen(text)), rect, 0, style, angle,
                   (style->face & kFaceTexteTransparent) ? 0 : 1, 1);
  DisposeTextData(sans);
}

// Pen of text frames: the score's when an import set one.
int16_t EpaisseurCadreTexte() {
  return GModeGraphique.epaisseurCadreTexte > 0 ? GModeGraphique.epaisseurCadreTexte : kMGEpaisseurCadreTexte;
}

// Frame or fill of a rectangle, turned by the text's angle.
void TraceCadre(const Rect* r, Cadre cadre, bool plein, int16_t angle) {
  PenSizeZoom(EpaisseurCadreTexte(), EpaisseurCadreTexte(), 288);
  if (cadre == Cadre::Ovale) {
    if (plein) PaintOval(r);
    else FrameOval(r);
  } else if (plein) {
    PaintRotatedRect(r, angle);
  } else {
    FrameRotatedRect(r, angle);
  }
  PenNormal();
}

}  // namespace

// ------------------------------------------------------------------- areas

void CalculeAireTexteRuban(Document*, Portee** staff, int32_t index, BigRect* out) {
  int32_t n;
  const Texte* textes = GetTextesPortee(staff, &n);
  if (!out || index < 0 || index >= n) return;
  const Texte t = textes[index];
  Partition** score = (*staff)->partition;
  if (t.ligne == kLigneTexteLibre) {
    const AireObjet aire{t.debut, t.fin, t.haut, t.bas};
    CalculeAireObjetRuban(staff, &aire, false, t.extensionGauche, t.extensionDroite, out);
    return;
  }
  const LigneTexte& ligne = LigneDuTexte(staff, t.ligne);
  const int32_t origine = Sature32(int64_t((*staff)->aireRuban.top) + ligne.decalageHaut);
  // A cell ends one tick before the next bar, which that tick already counts
  // as its own: the cell's right edge is taken one tick earlier.
  out->left = CvtTempsEnPixelRuban(score, t.debut);
  out->right = CvtTempsEnPixelRuban(score, t.fin - 1);
  if (t.ligne == kLigneTexteParoles && t.cache) {
    out->right = out->left;
    out->top = out->bottom = origine;
    return;
  }
  const int64_t h = ligne.hauteurLigne;
  if (t.ligne == kLigneTexteParoles && GetModeEcran(score) == kModeEcranRuban) {
    const int64_t d = CvtPassageKaraokeEnLigneAffichage(staff, CvtTempsEnMesure(score, t.debut), t.passage);
    out->top = Sature32(int64_t(origine) + ZoomRuban(score, Sature32(h * d + 2)));
    out->bottom = Sature32(int64_t(origine) + ZoomRuban(score, Sature32(h * (d + 1) + 2)));
  } else {
    out->top = Sature32(int64_t(origine) + ZoomRuban(score, t.haut));
    out->bottom = Sature32(int64_t(origine) + ZoomRuban(score, t.bas));
  }
}

bool CalculeAireTexteEcran(Document* document, Portee** staff, int32_t index, int32_t staffOffset, Rect* out) {
  int32_t n;
  const Texte* textes = GetTextesPortee(staff, &n);
  if (!out || index < 0 || index >= n || !(*staff)->partition) return false;
  const Texte t = textes[index];
  Partition** score = (*staff)->partition;
  if (t.ligne == kLigneTexteLibre) {
    const AireObjet aire{t.debut, t.fin, t.haut, t.bas};
    return CvtAireObjetEnAireEcran(document, staff, staffOffset, &aire, t.extensionGauche, t.extensionDroite, false,
                                   out);
  }
  // The cells' x come as the objects' (up to the tick before the end, as on
  // the piano roll), their rows from the line.
  const AireObjet aire{t.debut, t.fin - 1, 0, 0};
  CvtAireObjetEnAireEcran(document, staff, staffOffset, &aire, 0, 0, false, out);
  const LigneTexte& ligne = LigneDuTexte(staff, t.ligne);
  const int64_t origine = int64_t((*staff)->yHaut) + ligne.decalageHaut;
  if (t.ligne == kLigneTexteParoles && t.cache) {
    out->top = out->bottom = Sature16(origine);
    return true;
  }
  const int64_t h = ligne.hauteurLigne;
  int64_t haut, bas;
  if (t.ligne == kLigneTexteParoles && GetModeEcran(score) == kModeEcranRuban) {
    const int64_t d = CvtPassageKaraokeEnLigneAffichage(staff, CvtTempsEnMesure(score, t.debut), t.passage);
    haut = Zoom(Sature32(h * d + 2));
    bas = Zoom(Sature32(h * (d + 1) + 2));
  } else {
    haut = Zoom(t.haut);
    bas = Zoom(t.bas);
  }
  out->top = Sature16(origine + haut);
  out->bottom = Sature16(origine + bas);
  return true;
}

// ----------------------------------------------------------------- drawing

void AfficheTextesPortee(Portee** staff, const Rect* clip, int32_t staffOffset, int32_t from, int32_t to, bool lyrics) {
  if (!staff || !clip || !(*staff)->partition) return;
  Partition** score = (*staff)->partition;
  Document* document = (*score)->document;
  const bool impression = (*score)->impressionEnCours || IsModeImpressionPartition(score);
  int32_t n;
  GetTextesPortee(staff, &n);
  for (int32_t i = 0; i < n; i++) {
    const Texte t = GetTextesPortee(staff, &n)[i];
    if ((t.ligne == kLigneTexteParoles) != lyrics || !IsSectTexte(staff, i, from, to)) continue;
    Rect r;
    if (!CalculeAireTexteEcran(document, staff, i, staffOffset, &r)) continue;
    const int16_t bar = CvtTempsEnMesure(score, t.debut);
    if (t.ligne == kLigneTexteParoles && r.bottom - r.top < 2) {
      // A verse without a display row: a mark where the row would be, when
      // guide marks are drawn and this row is the first one left empty.
      if (IsTraceReperes(score) && (*staff)->ligneParolesAffichee) {
        const int16_t* lut =
            CvtMesureEnLutLigneKaraoke(staff, CvtTempsEnMesure(score, t.debut + (t.fin - t.debut) / 2));
        auto aVerset = [&](int32_t row) {
          if (!lut || (lut[0] == 0 && lut[1] == 0)) return row >= 0 && row < kNbPassagesCellule;
          for (int v = 0; v < kNbPassagesCellule; v++)
            if (lut[v] == row) return true;
          return false;
        };
        const int32_t row = -t.haut;
        if (!aVerset(row) && (row <= 0 || aVerset(row - 1))) {
          const Rect carre{int16_t(r.top + 4), r.left, int16_t(r.top + 12), int16_t(r.left + 8)};
          SetForeColor(kCouleurRepere);
          PaintRect(&carre);
          SetForeColor(1);
        }
      }
      continue;
    }
    Rect inter;
    if (!SectRect(&r, clip, &inter) || t.cache) continue;
    if (t.ligne == kLigneTexteParoles) {
      const LigneTexte& ligne = (*staff)->lignesTexte[0];
      // Cells of passes the bar is not played on are shown greyed on screen.
      if (t.passage >= CvtPosMesureEnNbPassages(score, bar) && !impression && GetModeEcran(score) == kModeEcranRuban) {
        SetRGBForeColor(kGrisFondParoles, kGrisFondParoles, kGrisFondParoles);
        PaintRect(&r);
        SetForeColor(1);
      }
      AfficheLigneTexte(staff, &ligne, bar, &r, t.texte, &t.style, ligne.afficheCodes, ligne.traiteTaquet);
    } else if (t.ligne == kLigneTexteAccords) {
      const LigneTexte* ligne = GetLigneTextePortee(staff, kLigneTexteAccords);
      if (ligne) AfficheLigneTexte(staff, ligne, bar, &r, t.texte, &t.style, ligne->afficheCodes, ligne->traiteTaquet);
    } else if (IsTexteDansVueCourante(document, staff, t.idVue)) {
      AfficheTexte(staff, &r, &t);
    }
  }
  TextFont(GetStdFont());
  TextSize(10);
  TextFace(0);
  SetForeColor(1);
}

void AfficheTexte(Portee** staff, const Rect* rect, const Texte* record) {
  if (!staff || !rect || !record) return;
  TextStyle style = record->style;
  if ((*staff)->modeFusion == kFusionMembre) style.color = TabRgbColor[kCouleurMembreFusion];
  const int16_t angle = int16_t(record->angle);
  Texte applique = *record;
  applique.style = style;
  SetStyle(&applique);
  const char* texte = ChaineTexteEnreg(record->texte);
  if (std::strchr(GetTexteBrutTexteStyle(texte), '$') == nullptr) {
    DessineTexte(texte, rect, &style, angle);
    return;
  }
  const int32_t total = int32_t(std::strlen(texte));
  Handle marque = InjecteRunsDansChaine(texte, total);
  if (!marque) return;
  Expansion e;
  e.capacite = std::strlen(*marque) + 4096 - 1;
  ExpandeCodes(staff, *record, *marque, &e);
  DisposeHandle(marque);
  Handle resultat = RecupereRunsDansChaine(texte, total, e.texte.c_str());
  if (!resultat) return;
  const char* expanse = *resultat;
  const int32_t longueur = int32_t(std::strlen(expanse));
  if (e.rythme) {
    DrawTextWithRhythmicPattern(&style, expanse, longueur, rect, 1.0f);
    DisposeHandle(resultat);
    return;
  }
  Rect zone = *rect;
  if (e.cadre != Cadre::Aucun) {
    const int16_t retrait = int16_t(Zoom(EpaisseurCadreTexte() / 4 + kMGMargeCadreTexte));
    Rect cadre = *rect;
    if (e.cadre != Cadre::Tout) {
      TextBoxStyleArea(expanse, longueur, &style, &cadre, 1);
      InsetRect(&cadre, int16_t(-retrait), int16_t(-retrait));
      if (IsUnicodeApplication() && angle != 0) {
        // The measured area turns with the text about the rectangle's centre.
        Point centre{int16_t((cadre.top + cadre.bottom) / 2), int16_t((cadre.left + cadre.right) / 2)};
        const Point avant = centre;
        RotateTransformPoint(angle, rect, &centre);
        OffsetRect(&cadre, int16_t(centre.h - avant.h), int16_t(centre.v - avant.v));
      }
      if (e.cadre == Cadre::Ovale) {
        const int16_t w = int16_t(cadre.right - cadre.left), h = int16_t(cadre.bottom - cadre.top);
        if (w > h) InsetRect(&cadre, 0, int16_t(-(w - h) / 2));
        else InsetRect(&cadre, int16_t(-(h - w) / 2), 0);
      }
    }
    RGBForeColor(&style.color);
    TraceCadre(&cadre, e.cadre, e.plein, angle);
    InsetRect(&zone, retrait, retrait);
    // On a fill the text shows in white, and nothing is erased behind it.
    if (e.plein) {
      style.color = RGBColor{0xFFFF, 0xFFFF, 0xFFFF};
      style.face |= kFaceTexteTransparent;
    }
  }
  DessineTexte(expanse, &zone, &style, angle);
  DisposeHandle(resultat);
}

int32_t LitRythmeTexte(const char* text, int32_t length, Signe* notes, int32_t max, uint8_t* secondMode) {
  int32_t n = 0;
  int32_t valeur = 40320;
  int32_t tuplet = 0, temps = 0;
  bool enCours = false;
  auto stocke = [&] {
    if (!enCours || n >= max) return;
    Signe& s = notes[n++];
    std::memset(&s, 0, sizeof s);
    RazNote(&s, 60, tuplet > 0 && temps > 0 ? int32_t(int64_t(valeur) * temps / tuplet) : valeur);
    if (tuplet > 0 && temps > 0) s.motTuplet = uint16_t((tuplet & 15) | ((temps & 15) << 4));
    valeur = 40320;
    enCours = false;
  };
  if (secondMode) *secondMode = 0;
  for (int32_t i = 0; i < length && text[i]; i++) {
    const char c = text[i];
    if (c >= '0' && c <= '9') {
      int32_t nombre = 0;
      while (i < length && text[i] >= '0' && text[i] <= '9' && nombre < 100000)
        nombre = nombre * 10 + (text[i++] - '0');
      if (i < length && text[i] == ':') {
        int32_t m = 0;
        i++;
        while (i < length && text[i] >= '0' && text[i] <= '9' && m < 100000) m = m * 10 + (text[i++] - '0');
        i--;
        tuplet = nombre > 15 ? 15 : nombre;
        temps = m;
        continue;
      }
      switch (nombre) {
        case 0: valeur = 322560; break;
        case 1:
        case 2:
        case 4:
        case 8:
        case 16:
        case 32:
        case 64:
        case 128: valeur = 161280 / nombre; break;
        default: valeur = 40320;
      }
      int points = 0;
      while (i < length && text[i] == '.' && points < 2) {
        points++;
        i++;
      }
      if (points == 1) valeur = valeur * 3 / 2;
      if (points == 2) valeur = valeur * 7 / 4;
      enCours = true;
      i--;
    } else if (c == ' ' || c == '+' || c == '/') {
      stocke();
    } else if (c == '#') {
      if (secondMode) *secondMode = 1;
    }
  }
  stocke();
  return n;
}

void DrawTextWithRhythmicPattern(const TextStyle* style, const char* text, int32_t length, const Rect* rect,
                                 float scale) {
  if (!text || !rect || length <= 0) return;
  if (style) SetTextStyle(style);
  MoveTo(rect->left, int16_t(rect->top + (style ? Zoom(style->size == 0 ? 12 : style->size) : Zoom(12))));
  const char* brut = GetTexteBrutTexteStyle(text);
  const int32_t n = int32_t(std::strlen(brut));
  int32_t debut = 0;
  for (int32_t i = 0; i < n;) {
    if (brut[i] == '$' && i + 1 < n && brut[i + 1] == '(') {
      if (i > debut) TraceChaineStyle(text, debut, i - debut, 0);
      int32_t fin = i + 2;
      while (fin < n && brut[fin] != ')') fin++;
      Signe notes[64];
      uint8_t second = 0;
      const int32_t count = LitRythmeTexte(brut + i + 2, fin - i - 2, notes, 64, &second);
      TraceSignesRhythmicPattern(notes, count, second, scale);
      i = fin < n ? fin + 1 : n;
      debut = i;
    } else {
      i++;
    }
  }
  if (n > debut) TraceChaineStyle(text, debut, n - debut, 0);
}

const char* ExtractDateWithFormat(const char* text, uint32_t secs, char* out) {
  if (!out) return text;
  out[0] = 0;
  if (!text) return text;
  char format[256] = "";
  const char* fin = text;
  if (text[0] == '$' && text[1] != 0 && text[2] == '[') {
    const char* ferme = std::strchr(text + 3, ']');
    if (ferme) {
      const size_t n = std::min<size_t>(size_t(ferme - (text + 3)), sizeof format - 1);
      std::memcpy(format, text + 3, n);
      format[n] = 0;
      fin = ferme;
    }
  }
  CvtSecsDateToString(secs, format, out, 0, 256);
  return fin;
}

const char* ExtractCurrentDateWithFormat(const char* text, char* out) {
  uint32_t secs = 0;
  GetDateTime(&secs);
  return ExtractDateWithFormat(text, secs, out);
}
