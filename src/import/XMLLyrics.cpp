#include "import/XMLLyrics.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <string>

#include "import/XMLPagination.h"
#include "layout/ImpressionPartition.h"
#include "layout/Titres.h"
#include "layout/Zoom.h"
#include "model/CvtTemps.h"
#include "model/Document.h"
#include "model/ObjetsLibres.h"
#include "model/Partition.h"
#include "model/Portee.h"
#include "model/QRVPOBJ.h"
#include "model/QrvText.h"
#include "model/Signe.h"
#include "model/StrTitre.h"
#include "model/TempsJoue.h"
#include "notation/ServicesNotation.h"
#include "platform/Memory.h"
#include "platform/QuickDraw.h"
#include "platform/TextDraw.h"
#include "sound/LanguesVoix.h"
#include "sound/SINSTRUM.h"
#include "sound/VoixFichiers.h"
#include "stafftypes/CellulesKaraoke.h"
#include "stafftypes/DonneesLigneTexte.h"
#include "stafftypes/ServicesTypesPortee.h"
#include "system/PortLayer.h"
#include "system/Strings.h"
#include "text/Fontes.h"
#include "text/TextBox.h"
#include "text/TextData.h"

namespace {

// ---- text formatting ------------------------------------------------------------

int16_t LitJustification(const char* v, int16_t absent) {
  if (!v) return absent;
  if (!std::strcmp(v, "left")) return 0;
  if (!std::strcmp(v, "center")) return 1;
  if (!std::strcmp(v, "right")) return -1;
  return absent;
}

int16_t LitAlignementVertical(const char* v) {
  if (!v) return 0;
  if (!std::strcmp(v, "top")) return 0;
  if (!std::strcmp(v, "middle")) return 1;
  if (!std::strcmp(v, "bottom")) return 2;
  if (!std::strcmp(v, "baseline")) return 3;
  return 2;
}

// The first family of a comma-separated list that gives a font: an empty
// entry or a generic family name, or an installed family.
uint16_t LitFamille(const char* v) {
  if (!v) return kXMLFontSerif;
  const char* p = v;
  while (true) {
    const char* fin = std::strchr(p, ',');
    if (!fin) fin = p + std::strlen(p);
    // Entries are written with spaces after the commas and sometimes quoted.
    const char* a = p;
    const char* b = fin;
    while (a < b && (std::isspace(uint8_t(*a)) || *a == '"' || *a == '\'')) a++;
    while (b > a && (std::isspace(uint8_t(b[-1])) || b[-1] == '"' || b[-1] == '\'')) b--;
    const std::string nom(a, size_t(b - a));
    if (nom.empty() || !stricmp(nom.c_str(), "serif")) return kXMLFontSerif;
    if (!stricmp(nom.c_str(), "sans-serif")) return kXMLFontSansSerif;
    int16_t id = 0;
    if (CarboniseGetIDFontFromName(nom.c_str(), &id)) return uint16_t(id);
    if (!*fin) break;
    p = fin + 1;
  }
  return kXMLFontSerif;
}

int16_t LitTaille(const char* v) {
  if (!v) return 8;
  if (!std::isdigit(uint8_t(*v))) return 9;
  const long n = std::strtol(v, nullptr, 10);
  return int16_t(n > INT16_MAX ? INT16_MAX : n);
}

int HexVal(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return 0;
}

}  // namespace

int16_t XMLGetColor(const char* text, RGBColor* rgb) {
  if (!text || text[0] != '#' || !rgb) return 0;
  const char* p = text + 1;
  size_t n = std::strlen(p);
  if (n == 8) {
    p += 2;
    n -= 2;
  }
  if (n != 6) return 0;
  uint16_t c[3];
  for (int i = 0; i < 3; i++) c[i] = uint16_t((HexVal(p[2 * i]) * 16 + HexVal(p[2 * i + 1])) * 257);
  *rgb = RGBColor{c[0], c[1], c[2]};
  return 1;
}

void XMLGetTextStyle(const XMLElt* elt, int16_t* justification, int16_t* halign, int16_t* valign, uint16_t* font,
                     int16_t* size, uint8_t face[2], RGBColor* color, float* rotation) {
  const int16_t j = LitJustification(XMLGetAttributeValue(elt, "justify"), 0);
  if (justification) *justification = j;
  if (halign) *halign = LitJustification(XMLGetAttributeValue(elt, "halign"), j);
  if (valign) *valign = LitAlignementVertical(XMLGetAttributeValue(elt, "valign"));
  if (font) *font = LitFamille(XMLGetAttributeValue(elt, "font-family"));
  if (face) {
    const char* style = XMLGetAttributeValue(elt, "font-style");
    const char* weight = XMLGetAttributeValue(elt, "font-weight");
    face[0] = uint8_t(128 | (style && !std::strcmp(style, "italic") ? 2 : 0) |
                      (weight && !std::strcmp(weight, "bold") ? 1 : 0));
    face[1] = 0;
  }
  if (size) *size = LitTaille(XMLGetAttributeValue(elt, "font-size"));
  if (color) XMLGetColor(XMLGetAttributeValue(elt, "color"), color);
  if (rotation) {
    float r = XMLGetAttributeFloat(elt, "rotation");
    if (r == kXMLAbsentFloat || !std::isfinite(r)) r = 0;
    if (r < 0) r += 360.0f;
    *rotation = r;
  }
}

// ---- credits ----------------------------------------------------------------------

namespace {

// Titles that a credit placed; the others are placed under the title.
bool gTitreDeCredit[kNbTitres];

// Text sizes of the score's texts are points of its printed page, whose
// scale shrinks them again.
float ZoomImpression(Document* doc) {
  const float z = GetZoomPrintDocument(doc);
  return std::isfinite(z) && z >= 0.01f ? z : 1.0f;
}

int16_t TailleSurZoom(int16_t size, float zoom) {
  const float t = float(size) / zoom;
  return int16_t(t >= 32767.0f ? 32767.0f : t);
}

// A C string in a new handle (with its NUL).
Handle HandleTexte(const char* s) {
  const size_t n = std::strlen(s) + 1;
  Handle h = NewHandle(Size(n));
  if (h) std::memcpy(*h, s, n);
  return h;
}

// The text styles of an imported score's titles: the title large and
// centred, the composer on the right, the poet on the left.
void FixeStylesTitres(Document* doc) {
  static const int16_t tailles[kNbTitres] = {24, 12, 10};
  static const uint8_t faces[kNbTitres] = {1, 0, 0};
  static const uint8_t justifications[kNbTitres] = {1, 0xFF, 0};
  for (int k = 0; k < kNbTitres; k++) {
    StrTitre& t = doc->titres[k];
    FixeTextStyleStd(&t.style);
    t.style.size = tailles[k];
    t.style.face = faces[k];
    t.flag = justifications[k];
    std::memset(t.positions, 0, sizeof t.positions);
    gTitreDeCredit[k] = false;
  }
}

// One credit with words: a free text object, or nothing when no words have
// a text.
void CreditTexte(Document* doc, const XMLElt* credit) {
  Partition** score = doc->partitionCourante;
  // Credits are read before the import gives the page its scale: their sizes
  // are taken over that scale, not over the one the document had before.
  const float zoom = kXMLZoomImpression;
  // The object's text (sizes on the printed page) and the same at the sizes
  // written, to place it: plain while one style holds, then styled strings.
  std::string brut;
  char* texte = nullptr;
  char* mesure = nullptr;
  TextStyle style{}, styleMesure{};
  const XMLElt* premier = nullptr;
  int16_t justification = 0, valign = 0;
  float rotation = 0;
  for (int32_t i = 0; i < credit->nbChildren; i++) {
    const XMLElt* w = credit->children[i];
    if (std::strcmp(w->name, "credit-words") || !w->text || !w->text[0]) continue;
    int16_t j, h, v, taille;
    uint16_t police;
    uint8_t face[2];
    RGBColor couleur{0, 0, 0};
    float r = 0;
    XMLGetTextStyle(w, &j, &h, &v, &police, &taille, face, &couleur, &r);
    const TextStyle s{int16_t(police), uint8_t(face[0] | 128), TailleSurZoom(taille, zoom), couleur};
    TextStyle m = s;
    m.size = taille;
    rotation = r;
    if (!premier) {
      premier = w;
      justification = j;
      valign = v;
      style = s;
      styleMesure = m;
      brut = w->text;
      continue;
    }
    if (!texte) {
      // A second style: the text becomes a styled string.
      texte = CreeChaineStyle(brut.c_str(), &style);
      mesure = CreeChaineStyle(brut.c_str(), &styleMesure);
    }
    if (texte) texte = ConcateneChaineAvecStyle(w->text, &s, texte);
    if (mesure) mesure = ConcateneChaineAvecStyle(w->text, &m, mesure);
  }
  if (!premier) return;
  const char* t = texte ? texte : brut.c_str();
  const char* tm = mesure ? mesure : brut.c_str();
  const int16_t index = NewObjetLibre(doc, kObjetLibreTexte);
  Handle donnees = index >= 0 ? HandleTexte(t) : nullptr;
  if (!donnees) {
    if (index >= 0) LibereObjetLibre(score, index);
    DisposeTextData(texte);
    DisposeTextData(mesure);
    return;
  }
  int32_t page = XMLGetAttributeLong(credit, "page");
  if (page == kXMLAbsentLong) page = XMLGetAttributeLong(premier, "page");
  page = page == kXMLAbsentLong ? 0 : page - 1;
  if (page < 0) page = 0;
  if (page > INT16_MAX) page = INT16_MAX;
  float x, y, largeur, hauteur;
  XMLCalculePosXYGlobale(doc, page, premier, &x, &y);
  XMLAdjustPosXYText(tm, &styleMesure, justification, valign, &x, &y, &largeur, &hauteur);

  ObjetLibre& o = reinterpret_cast<ObjetLibre*>(*(*score)->objetsLibres)[index];
  DisposeHandle(o.donnees);
  o.donnees = donnees;
  o.style = style;
  o.octet1 = uint8_t(justification == -1 ? 255 : justification);
  // Laid out as the file broke its lines: a box measured at one resolution
  // must not wrap at another.
  o.octet2 = 1;
  o.rect.top = Sature16(std::lround(y * 10.0f));
  o.rect.left = Sature16(std::lround(x * 10.0f));
  o.rect.bottom = Sature16(std::lround((y + hauteur) * 10.0f));
  o.rect.right = Sature16(std::lround((x + largeur) * 10.0f));
  o.page = int16_t(page);
  o.flags[0] = o.flags[1] = 1;
  o.valeurSysteme = int16_t(rotation);
  DisposeTextData(texte);
  DisposeTextData(mesure);
}

}  // namespace

void XMLCalculePosXYGlobale(Document*, int32_t page, const XMLElt* elt, float* x, float* y) {
  float hauteur = 297.0f;
  XMLGetPageParameters(page + 1, nullptr, &hauteur, nullptr, nullptr, nullptr, nullptr);
  const float mm = XMLGetCurMMParTenth();
  const float dx = XMLGetAttributeFloat(elt, "default-x");
  const float dy = XMLGetAttributeFloat(elt, "default-y");
  float px = 0, py = hauteur;
  if (dx != kXMLAbsentFloat && std::isfinite(dx)) px = dx * mm;
  if (dy != kXMLAbsentFloat && std::isfinite(dy)) py = hauteur - dy * mm;
  if (x) *x = px;
  if (y) *y = py;
}

void XMLAdjustPosXYText(const char* text, const TextStyle* style, int16_t justification, int16_t valign, float* x,
                        float* y, float* width, float* height) {
  // At 254 dpi a pixel is a tenth of a millimetre.
  const int16_t dpi = GetDpiDest();
  SetDpiDest(254);
  uint16_t l = 0, h = 0;
  TextBoxStyleSize(text, int32_t(std::strlen(text)), style, &l, &h, 1);
  const float largeur = float(l) * 0.1f, hauteur = float(h) * 0.1f;
  if (justification == 1) *x -= largeur / 2;
  else if (justification == -1) *x -= largeur;
  if (valign == 1) {
    *y -= hauteur / 2;
  } else if (valign == 2) {
    *y -= hauteur;
  } else if (valign == 3) {
    CGrafPtr saved = SetPortTemporaire();
    TextFont(style->font);
    TextSize(int16_t(Zoom(style->size == 0 ? 12 : style->size)));
    TextFace(style->face & 0x7F);
    FontInfo fi{};
    GetFontInfo(&fi);
    SetPort(saved);
    *y -= float(fi.ascent) * 0.1f;
  }
  SetDpiDest(dpi);
  if (width) *width = largeur;
  if (height) *height = hauteur;
}

void XMLProcessCredits(Document* doc, XMLRootElt* tree) {
  if (!doc || !doc->partitionCourante) return;
  FixeStylesTitres(doc);
  if (!tree) return;
  int32_t n = 0;
  XMLElt** credits = XMLGetElts(tree, "@credit", &n);
  for (int32_t i = 0; i < n; i++) {
    XMLElt* c = credits[i];
    if (XMLGetChild(c, "credit-words", 0)) CreditTexte(doc, c);
    // SEAM(import): credit images go to the page images (XMLProcessGlobalImage) once they are read.
  }
  XMLDisposeElts(credits);
}

int16_t ProcessFreeObjectAsDocumentInfo(Document* doc, const ObjetLibre* o, StrTitre* title) {
  if (!doc || !o || !title || !o->donnees || !title->texte[0]) return 0;
  const char* texte = *o->donnees;
  if (std::strcmp(GetTexteBrutTexteStyle(texte), title->texte)) return 0;
  strnzcpy(title->texte, texte, int32_t(sizeof title->texte));
  title->flag = o->octet1;
  title->style = o->style;
  title->positions[4] = o->valeurSysteme;
  const MiseEnPage& m = doc->misesEnPage[0];
  const int32_t haut = std::min<int32_t>(int32_t(o->rect.top) - m.margeHaut, 50);
  // Titles are aligned in the page's frame inside its margins: the offset
  // puts the title's edge (or centre) where the credit had it.
  float largeurPage = 0, gauche = 0, droite = 0;
  XMLGetPageParameters(o->page + 1, &largeurPage, nullptr, nullptr, nullptr, nullptr, nullptr);
  gauche = float(m.margeGauche);
  droite = largeurPage * 10.0f - float(m.margeDroite);
  int32_t dx;
  if (o->octet1 == 0) dx = int32_t(o->rect.left) - m.margeGauche;
  else if (o->octet1 == 255) dx = int32_t(o->rect.right) - int32_t(std::lround(droite));
  else dx = (int32_t(o->rect.left) + o->rect.right) / 2 - int32_t(std::lround((gauche + droite) / 2));
  for (int i = 0; i < 4; i += 2) {
    title->positions[i] = Sature16(dx);
    title->positions[i + 1] = Sature16(haut);
  }
  return 1;
}

void XMLConvertFreeObjectsToDocumentInfo(Document* doc) {
  Partition** score = doc ? doc->partitionCourante : nullptr;
  if (!score) return;
  for (int16_t i = 0; i < NbObjetsLibres(score); i++) {
    const ObjetLibre* o = reinterpret_cast<ObjetLibre*>(*(*score)->objetsLibres) + i;
    if (o->type != kObjetLibreTexte || o->page != doc->nbPagesReservees) continue;
    for (int k = 0; k < kNbTitres; k++) {
      if (gTitreDeCredit[k] || !ProcessFreeObjectAsDocumentInfo(doc, o, &doc->titres[k])) continue;
      gTitreDeCredit[k] = true;
      LibereObjetLibre(score, i);
      i--;
      break;
    }
  }
  // Composer and poet lines of the header stand under the title.
  const StrTitre& titre = doc->titres[0];
  if (!titre.texte[0]) return;
  const int32_t bas = GetPosBasTitre(&doc->misesEnPage[0], &titre);
  for (int k = 1; k < kNbTitres; k++) {
    if (gTitreDeCredit[k]) continue;
    doc->titres[k].positions[1] = doc->titres[k].positions[3] = Sature16(bas);
  }
}

// ---- lyrics ---------------------------------------------------------------------

namespace {

// The values of SetLyricCell's font, size and face that store a plain text.
constexpr uint16_t kSansStyle = 65535;
// A cell holds what its readers read back.
constexpr int32_t kMaxTexteCellule = kTailleTexteCellule - 1;

bool EstSeparateur(char c) { return c == ' ' || c == '-' || c == '_'; }

// The column of a time in its bar: the first note column at or after it
// (the column count when none), with the bar.
int16_t ColonneDuTemps(Partition** score, Portee** staff, int32_t time, int16_t* bar) {
  *bar = CvtTempsEnMesure(score, time);
  TaquetKaraoke colonnes[kMaxTaquetsMesure];
  const int16_t n = CalculeTableauTaquetKaraokeMesure(colonnes, staff, kTaquetsNotes, 0, *bar, 0, 1, 0);
  const int32_t decalage = time - CvtMesureEnTemps(score, *bar);
  int16_t k = 0;
  while (k < n && colonnes[k].temps < decalage) k++;
  return k;
}

// A new C string copy (freed with DisposeTextData, as the styled strings).
char* Copie(const char* s) {
  char* c = InsereSousChaineStyle(s, -1, "", 0, 0);
  return c;
}

// A syllable is empty when it holds nothing but separators.
bool SyllabeVide(const char* syllable) {
  if (!syllable) return true;
  for (const char* p = GetTexteBrutTexteStyle(syllable); *p; p++)
    if (!EstSeparateur(*p)) return false;
  return true;
}

// Only spaces, hyphens, joins and no-break spaces: a syllable that carries no
// word of its own.
bool SansMot(const std::string& t) {
  for (size_t i = 0; i < t.size(); i++) {
    const char c = t[i];
    if (c == ' ' || c == '-' || c == '=' || c == '^' || c == '_') continue;
    if (uint8_t(c) == 0xC2 && i + 1 < t.size() && uint8_t(t[i + 1]) == 0xA0) {
      i++;
      continue;
    }
    return false;
  }
  return true;
}

}  // namespace

char* GetLyricCell(Partition** score, Portee** staff, int16_t verse, int32_t time) {
  if (!score || !staff) return nullptr;
  const LigneTexte* ligne = GetLigneTextePortee(staff, kLigneTexteParoles);
  if (!ligne) return nullptr;
  int16_t bar;
  const int16_t k = ColonneDuTemps(score, staff, time, &bar);
  if (CvtCelluleKaraokeEnIndexTexte(staff, kLigneTexteParoles, bar, verse) < 0) return nullptr;
  char* cellule = Copie(GetTexteStyleKaraokeCellule(staff, kLigneTexteParoles, bar, verse, nullptr));
  if (!cellule) return nullptr;
  int32_t debut, fin, manque;
  GetBoundsStringTaquet(GetTexteBrutTexteStyle(cellule), k, &debut, &fin, &manque);
  char* r = ExtraitSousChaineStyle(cellule, debut, fin, &ligne->styleCellule);
  DisposeTextData(cellule);
  return r;
}

void SetLyricCell(Portee** staff, int32_t time, int16_t verse, const char* text, uint16_t font, uint16_t size,
                  uint16_t face, const RGBColor* color, uint8_t continuation) {
  LigneTexte* ligne = GetLigneTextePortee(staff, kLigneTexteParoles);
  if (!ligne || !text) return;
  Partition** score = (*staff)->partition;
  char* nouveau;
  if (font != kSansStyle || size != kSansStyle || face != kSansStyle) {
    TextStyle style{int16_t(font), uint8_t(face), int16_t(size), color ? *color : ligne->styleCellule.color};
    ligne->styleCellule = style;
    nouveau = CreeChaineStyle(text, &style);
  } else {
    nouveau = Copie(text);
  }
  if (!nouveau) return;

  int16_t bar;
  const int16_t k = ColonneDuTemps(score, staff, time, &bar);
  char* cellule = Copie(GetTexteStyleKaraokeCellule(staff, kLigneTexteParoles, bar, verse, nullptr));
  if (!cellule) {
    DisposeTextData(nouveau);
    return;
  }
  const std::string brutCellule = GetTexteBrutTexteStyle(cellule);
  int32_t debut, fin, manque;
  GetBoundsStringTaquet(brutCellule.c_str(), k, &debut, &fin, &manque);

  // A syllable already on the column (another lyric of the verse there, as
  // two voices of a staff give): the new text joins it, before its own
  // separators and line ends, after an in-column space so that the words stay
  // apart; the same word twice is shown once.
  if (fin - debut > 1) {
    const std::string brutNouveau = GetTexteBrutTexteStyle(nouveau);
    int32_t n = int32_t(brutNouveau.size());
    while (n > 0 && (brutNouveau[size_t(n - 1)] == '\r' || brutNouveau[size_t(n - 1)] == '-' ||
                     brutNouveau[size_t(n - 1)] == ' '))
      n--;
    int32_t position = fin;
    while (position > debut &&
           (brutCellule[size_t(position - 1)] == '\r' || EstSeparateur(brutCellule[size_t(position - 1)])))
      position--;
    char* present = ExtraitSousChaineStyle(cellule, debut, fin, &ligne->styleCellule);
    char* joint = nullptr;
    if (present && brutCellule.compare(size_t(debut), size_t(position - debut), brutNouveau, 0, size_t(n)) == 0) {
      joint = present;
      present = nullptr;
    } else if (present) {
      char* avec = InsereSousChaineStyle(nouveau, n, present, position - debut, -1);
      joint = avec ? InsereSousChaineStyle("^", -1, avec, position - debut, -1) : nullptr;
      DisposeTextData(avec);
    }
    DisposeTextData(present);
    DisposeTextData(nouveau);
    nouveau = joint;
    if (!nouveau) {
      DisposeTextData(cellule);
      return;
    }
  }
  char* c = SupprimeSousChaineStyle(cellule, debut, fin, -1);
  DisposeTextData(cellule);
  cellule = c;
  // Columns without a syllable before this one get one: a hyphen inside a
  // word, a space outside.
  if (cellule && manque > 0 && manque < kMaxTaquetsMesure) {
    const std::string vides(size_t(manque), continuation ? '-' : ' ');
    c = InsereSousChaineStyle(vides.c_str(), -1, cellule, debut, -1);
    DisposeTextData(cellule);
    cellule = c;
    debut += manque;
  }
  const std::string brutNouveau = nouveau ? GetTexteBrutTexteStyle(nouveau) : "";
  if (cellule && (brutNouveau.empty() || !EstSeparateur(brutNouveau.back()))) {
    c = InsereSousChaineStyle(" ", -1, cellule, debut, -1);
    DisposeTextData(cellule);
    cellule = c;
  }
  if (cellule && nouveau) {
    c = InsereSousChaineStyle(nouveau, -1, cellule, debut, -1);
    DisposeTextData(cellule);
    cellule = c;
  }
  // A cell is never longer than its readers read back: a syllable beyond
  // that is dropped.
  if (cellule && GetStrlenBrutTexteStyle(cellule) <= kMaxTexteCellule)
    SetTexteKaraokeCellule(staff, bar, verse, kLigneTexteParoles, cellule, nullptr);
  DisposeTextData(cellule);
  DisposeTextData(nouveau);
}

void XMLProcessLyric(Portee** staff, int32_t time, XMLElt* lyric) {
  if (!staff || !lyric) return;
  Partition** score = (*staff)->partition;
  Document* doc = score ? (*score)->document : nullptr;
  if (!doc) return;
  RGBColor couleur{0, 0, 0};
  bool avecCouleur = XMLGetColor(XMLGetAttributeValue(lyric, "color"), &couleur) != 0;

  if (!(*staff)->ligneParolesAffichee) {
    // Switching the line may reset the staff's volume and pan from its
    // instrument: the part's own are kept.
    const uint16_t volume = (*staff)->volume, pan = (*staff)->pan;
    InverseEtatPorteeKaraoke(staff, 0);
    (*staff)->volume = volume;
    (*staff)->pan = pan;
    if (const Instrument* i = GetInstrument(score, (*staff)->instrument))
      DoChargePredefVoix(staff, int32_t(i->soundId));
    LigneTexte& ligne = (*staff)->lignesTexte[0];
    ligne.echelleIdeale = 0;
    ligne.guides = 0;
    ligne.alignement = 1;
  }

  int16_t verse = -1;
  const char* numero = XMLGetAttributeValue(lyric, "number");
  if (numero && std::isdigit(uint8_t(*numero))) {
    const long n = std::strtol(numero, nullptr, 10);
    if (n < 1 || n > kNbPassagesCellule) return;
    verse = int16_t(n - 1);
  } else {
    for (int16_t v = 0; v < kNbPassagesCellule && verse < 0; v++) {
      char* s = GetLyricCell(score, staff, v, time);
      if (SyllabeVide(s)) verse = v;
      DisposeTextData(s);
    }
    if (verse < 0) return;
  }

  XMLElt* texte = XMLGetChild(lyric, "text", 0);
  if (!texte) return;
  const char* t = XMLGetText(texte);
  int16_t j, h, v, taille;
  uint16_t police;
  uint8_t face[2];
  if (XMLGetColor(XMLGetAttributeValue(texte, "color"), &couleur)) avecCouleur = true;
  XMLGetTextStyle(texte, &j, &h, &v, &police, &taille, face, nullptr, nullptr);
  const XMLElt* note = lyric->parent;
  const char* imprime = note ? XMLGetAttributeValue(note, "print-lyric") : nullptr;
  if (imprime && !std::strcmp(imprime, "no")) {
    couleur = RGBColor{65535, 65535, 65535};
    avecCouleur = true;
  }

  // In-column forms: spaces and underscores join, hyphens are written.
  std::string syllabe;
  for (const char* p = t ? t : ""; *p; p++) {
    if (*p == ' ' || *p == '_') syllabe += '^';
    else if (*p == '-') syllabe += '=';
    else syllabe += *p;
  }
  XMLElt* syllabic = XMLGetChild(lyric, "syllabic", 0);
  const char* genre = syllabic ? XMLGetText(syllabic) : nullptr;
  const bool milieu = genre && !std::strcmp(genre, "middle");
  const bool fin = genre && !std::strcmp(genre, "end");
  if (milieu && SansMot(syllabe)) syllabe = "-";
  else if (milieu || (genre && !std::strcmp(genre, "begin"))) syllabe += '-';
  if (XMLGetChild(lyric, "end-line", 0)) syllabe += '\r';
  if (XMLGetChild(lyric, "end-paragraph", 0)) syllabe += "\r\r";

  // A lyric without syllabic is a whole word, as a single one: files often
  // leave it out, and dropping it lost their lyrics.
  const int16_t t16 = TailleSurZoom(taille, ZoomImpression(doc));
  SetLyricCell(staff, time, verse, syllabe.c_str(), police, uint16_t(t16), face[0], avecCouleur ? &couleur : nullptr,
               milieu || fin ? 1 : 0);

  const char* langue = XMLGetAttributeValue(texte, "xml:lang");
  if (!(*staff)->langueVoix && langue) (*staff)->langueVoix = CheckLangageVoix(LYLang2CharToID(langue));
}

void XMLFinalizeLyrics(Document* doc) {
  Partition** score = doc ? doc->partitionCourante : nullptr;
  if (!score) return;
  for (int16_t s = 0; s < (*score)->nbPortees; s++) {
    Portee** staff = GetPorteeIndex(score, s);
    if (!staff || !GetLigneTextePortee(staff, kLigneTexteParoles)) continue;
    // Verses: as many as the line shows, or as its cells hold.
    int32_t nbVers = (*staff)->lignesTexte[0].nbLignes;
    int32_t nbTextes = 0;
    const Texte* textes = GetTextesPortee(staff, &nbTextes);
    for (int32_t i = 0; i < nbTextes; i++)
      if (textes[i].ligne == kLigneTexteParoles) nbVers = std::max<int32_t>(nbVers, textes[i].passage + 1);
    nbVers = std::min<int32_t>(nbVers, kNbPassagesCellule);
    for (int16_t v = 0; v < nbVers; v++) {
      char c = ' ';
      for (int32_t i = 0; i < (*staff)->nbNotes; i++) {
        if (reinterpret_cast<const Signe*>(*(*staff)->notes)[i].kind < 0) continue;
        const int16_t bar = CvtIndexNoteEnMesure(staff, i);
        if (CvtPosMesurePassageEnMesureJouee(score, bar, v) < 0) continue;
        const int32_t time = CvtIndexNoteEnTemps(staff, i);
        char* syllabe = GetLyricCell(score, staff, v, time);
        const char* brut = syllabe ? GetTexteBrutTexteStyle(syllabe) : "";
        const size_t n = std::strlen(brut);
        const char derniere = n > 0 ? brut[n - 1] : 0;
        DisposeTextData(syllabe);
        if (n > 0) {
          c = derniere == '-' ? '-' : ' ';
          continue;
        }
        const char texte[2] = {c, 0};
        if (v == 0) {
          SetLyricCell(staff, time, v, texte, kSansStyle, kSansStyle, kSansStyle, nullptr, 0);
        } else if (CvtCelluleKaraokeEnIndexTexte(staff, kLigneTexteParoles, bar, v) >= 0) {
          SetLyricCell(staff, time, v, texte, kSansStyle, kSansStyle, kSansStyle, nullptr, c == '-' ? 1 : 0);
        }
      }
    }
  }
}
