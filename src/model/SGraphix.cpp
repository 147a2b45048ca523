#include "model/SGraphix.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#include "layout/Zoom.h"
#include "model/CvtTemps.h"
#include "model/Document.h"
#include "model/ParamEffet.h"
#include "model/Partition.h"
#include "model/Portee.h"
#include "model/Ruban.h"
#include "notation/ServicesNotation.h"
#include "platform/Memory.h"
#include "platform/Resources.h"
#include "system/Couleurs.h"
#include "system/Handles.h"
#include "system/Offscreens.h"
#include "system/PictConversion.h"
#include "system/Reporters.h"
#include "system/Splines.h"
#include "system/Strings.h"
#include "text/UTFText.h"

int16_t idOrvantaGrafFile = -1;

// The count beside the list is 16-bit.
constexpr int32_t kMaxGraphiques = 32767;
// What the image conversion is handed besides the data; it does not read it.
constexpr int32_t kConversionImage = 254;
// Index of black in the colour table.
constexpr int16_t kCouleurNoire = 1;

static int16_t Borne16(int64_t v) { return int16_t(std::clamp<int64_t>(v, -32767, 32767)); }

static bool IsImage(const Graphique* g) {
  return g->typeDonnees >= kGraphiqueImageDebut && g->typeDonnees <= kGraphiqueImageFin;
}

Graphique* GetGraphiquesPortee(Portee** staff, int32_t* count) {
  int32_t n = 0;
  if (staff && (*staff)->graphiques) {
    n = (*staff)->nbGraphiques;
    int32_t cap = int32_t(GetHandleSize((*staff)->graphiques) / Size(sizeof(Graphique)));
    if (n > cap) n = cap;
    if (n < 0) n = 0;
  }
  if (count) *count = n;
  return n > 0 ? reinterpret_cast<Graphique*>(*(*staff)->graphiques) : nullptr;
}

int32_t NewGraphique(Portee** staff) {
  if (!staff) return -1;
  int32_t n;
  GetGraphiquesPortee(staff, &n);
  if (n >= kMaxGraphiques) return -1;
  if (!(*staff)->graphiques) (*staff)->graphiques = NewHandle(0);
  if (!(*staff)->graphiques || !RetailleHandle((*staff)->graphiques, Size(n + 1) * Size(sizeof(Graphique)))) return -1;
  std::memset(reinterpret_cast<Graphique*>(*(*staff)->graphiques) + n, 0, sizeof(Graphique));
  (*staff)->nbGraphiques = int16_t(n + 1);
  return n;
}

static void LibereContenu(Graphique* g) {
  if (g->donnees) DisposeHandle(g->donnees);
  g->donnees = nullptr;
  DisposeImage(&g->image);
}

void DeleteGraphique(Portee** staff, int32_t index) {
  int32_t n;
  Graphique* g = GetGraphiquesPortee(staff, &n);
  if (!g || index < 0 || index >= n) {
    BigBadError("SGraphix", 1);
    return;
  }
  LibereContenu(g + index);
  std::memmove(g + index, g + index + 1, size_t(n - index - 1) * sizeof(Graphique));
  RetailleHandle((*staff)->graphiques, Size(n - 1) * Size(sizeof(Graphique)));
  (*staff)->nbGraphiques = int16_t(n - 1);
}

void DisposeGraphiques(Portee** staff) {
  if (!staff) return;
  int32_t n;
  Graphique* g = GetGraphiquesPortee(staff, &n);
  for (int32_t i = 0; i < n; i++) LibereContenu(g + i);
  LibereHandle(&(*staff)->graphiques);
  (*staff)->nbGraphiques = 0;
}

int16_t CompareGraphiques(const Graphique* a, const Graphique* b) {
  if (a->debut != b->debut) return a->debut < b->debut ? -1 : 1;
  if (a->haut < b->haut) return -1;
  if (a->bas > b->bas) return 1;
  return 0;
}

void PrepareGraphiquesPortee(Portee** staff) {
  int32_t n;
  Graphique* g = GetGraphiquesPortee(staff, &n);
  if (n < 2) return;
  std::vector<Graphique> tri(g, g + n);
  // The comparison is not a strict order for every pair of records; a stable
  // merge sort stays within its range whatever it answers.
  std::stable_sort(tri.begin(), tri.end(),
                   [](const Graphique& a, const Graphique& b) { return CompareGraphiques(&a, &b) < 0; });
  std::memcpy(GetGraphiquesPortee(staff, &n), tri.data(), size_t(n) * sizeof(Graphique));
}

bool CalculeAireGraphiqueEcran(Document* document, Portee** staff, int32_t index, int32_t xOffset, Rect* out) {
  int32_t n;
  Graphique* list = GetGraphiquesPortee(staff, &n);
  if (!out) return false;
  if (!list || index < 0 || index >= n) {
    *out = Rect{0, 0, 0, 0};
    return false;
  }
  const Graphique& g = list[index];
  const AireObjet aire{g.debut, g.fin, g.haut, g.bas};
  bool resultat = true;
  if (xOffset < 0) {
    BigRect ruban;
    CalculeAireObjetRuban(staff, &aire, g.ancrePixel != 0, g.decalageGauche, g.decalageDroite, &ruban);
    CvtAireRubanEnAireEcran(document, &ruban, out);
    if (g.ancrePixel) out->right = Borne16(int64_t(out->left) + Zoom(Sature32(int64_t(g.fin) - g.debut)) / 32);
  } else {
    resultat = CvtAireObjetEnAireEcran(document, staff, xOffset, &aire, g.decalageGauche, g.decalageDroite,
                                       g.ancrePixel != 0, out);
  }
  // An empty area still gets a Rect that shows and can be hit.
  if (out->right < out->left + 2) out->right = Borne16(int64_t(out->left) + 2);
  if (out->bottom < out->top + 4) out->bottom = Borne16(int64_t(out->top) + 4);
  return resultat;
}

// A resource of the picture library, as a handle of the caller's; null when
// the library is not open or lacks it. The current resource file is kept.
static Handle RessourceBibliotheque(ResType type, int16_t id) {
  if (idOrvantaGrafFile < 0) return nullptr;
  const int16_t courant = CurResFile();
  UseResFile(idOrvantaGrafFile);
  Handle h = PlatformGetResourceCopy(type, id, true);
  UseResFile(courant);
  return h;
}

void DisplayExtremite(int16_t end, int16_t kind, Point* point, int32_t dx, int32_t dy, int32_t pen, int32_t size) {
  if (!point) return;
  float len = std::sqrt(float(dx) * float(dx) + float(dy) * float(dy));
  float ux = 1.0f, uy = 0.0f;
  if (len > 0.0f) {
    ux = float(dx) / len;
    uy = float(dy) / len;
  } else {
    len = 1.0f;
  }
  const float s = float(size);
  const int32_t x = point->h, y = int32_t(point->v) - pen / 2;
  switch (kind) {
    case kExtremiteTrait:
      MoveTo(Borne16(x), Borne16(y));
      LineTo(Borne16(x + int32_t(uy * s)), Borne16(y + int32_t(-ux * s)));
      break;
    case kExtremiteTraitInverse:
      MoveTo(Borne16(x), Borne16(y));
      LineTo(Borne16(x + int32_t(-uy * s)), Borne16(y + int32_t(ux * s)));
      break;
    case kExtremiteBarre:
      MoveTo(Borne16(x - int32_t(uy * s)), Borne16(y + int32_t(ux * s)));
      LineTo(Borne16(x + int32_t(uy * s)), Borne16(y - int32_t(ux * s)));
      break;
    case kExtremiteFleche: {
      // The head points away from the line: backwards at the start.
      const float sens = end == 0 ? -1.0f : 1.0f;
      const float a = float(Zoom(8));
      const float px = float(point->h) + std::fabs(float(pen) * float(dy) / (2.0f * len)), py = float(point->v);
      const float bx = px - sens * ux * a, by = py - sens * uy * a;
      const float ex = -uy * a / 2.0f, ey = ux * a / 2.0f;
      // Filled with the line's colour, like the line it ends.
      PolyHandle poly = OpenPoly();
      MoveTo(Borne16(std::lround(px)), Borne16(std::lround(py)));
      LineTo(Borne16(std::lround(bx + ex)), Borne16(std::lround(by + ey)));
      LineTo(Borne16(std::lround(bx - ex)), Borne16(std::lround(by - ey)));
      LineTo(Borne16(std::lround(px)), Borne16(std::lround(py)));
      ClosePoly();
      if (poly) {
        PaintPoly(poly);
        KillPoly(poly);
      }
      point->h = Borne16(std::lround(float(point->h) - sens * ux * a));
      point->v = Borne16(std::lround(float(point->v) - sens * uy * a));
      break;
    }
    default: break;
  }
}

// A line object: its two ends, then the line in its style between them.
static void TraceLigneGraphique(const Rect* r, const Graphique* g) {
  SetForeColor(g->couleur);
  PenSizeZoom(g->epaisseur, g->epaisseur, 72);
  const int32_t pen = Zoom(g->epaisseur);
  const int32_t milieu = (int32_t(r->top) + r->bottom) / 2;
  Point p0{Borne16(milieu + int64_t(Zoom(g->decalageYDebut))), r->left};
  Point p1{Borne16(milieu + int64_t(Zoom(g->decalageYFin))), Borne16(int64_t(r->right) - pen)};
  const int32_t dx = p1.h - p0.h, dy = p1.v - p0.v;
  DisplayExtremite(0, g->extremiteDebut, &p0, dx, dy, pen, Zoom(g->tailleExtremite));
  DisplayExtremite(1, g->extremiteFin, &p1, dx, dy, pen, Zoom(g->tailleExtremite));
  switch (g->styleLigne) {
    case kLignePleine:
      MoveTo(p0.h, Borne16(p0.v - pen / 2));
      LineTo(p1.h, Borne16(p1.v - pen / 2));
      break;
    case kLigneTirets: TraceLignePointillee(p0.h, p0.v, p1.h, p1.v, Borne16(Zoom(8))); break;
    case kLignePointillee: TraceLigneDotted(p0.h, p0.v, p1.h, p1.v, Borne16(Zoom(2))); break;
    case kLigneOnde: TraceLigneOnde(p0.h, p0.v, p1.h, p1.v, Borne16(Zoom(16))); break;
    case 4:
    case 5:
    case 6:
    case 7: {
      static const int16_t formes[4] = {0, 4, 6, 7};
      TraceLiaisonCoule(formes[g->styleLigne - kLigneCoule], p0.h, p0.v, p1.h, p1.v,
                        Borne16((int32_t(p0.h) + p1.h) / 2 + int64_t(Zoom(g->controleX))),
                        Borne16(milieu + int64_t(Zoom(g->controleY))), Borne16(Zoom(8 * int32_t(g->epaisseur))), 0);
      PenSizeZoom(g->epaisseur, g->epaisseur, 72);
      break;
    }
    default: break;
  }
  PenNormal();
  // Back to black for whatever draws next.
  SetForeColor(kCouleurNoire);
}

void AfficheGraphique(const Rect* r, Graphique* g) {
  if (!r || !g) return;
  if (g->effaceFond) EraseWhiteRect(r);
  Handle picture = nullptr;
  bool possedee = false;
  if (g->donnees) {
    if (IsImage(g)) {
      if (!g->image)
        g->image = ConvertDataToOffscreen(int16_t(g->typeDonnees), g->donnees, kConversionImage, g->rotation);
      DrawOffscreenImage(g->image, r, true);
      return;
    }
    if (g->typeDonnees == kGraphiquePicture) picture = g->donnees;
  } else if (g->idPicture == kIdGraphiqueLigne) {
    TraceLigneGraphique(r, g);
    return;
  } else {
    picture = RessourceBibliotheque(FourCC("PICT"), g->idPicture);
    possedee = picture != nullptr;
  }
  if (!picture) {
    // Nothing to draw: the crossed frame of a missing picture.
    DrawOffscreenImage(nullptr, r, false);
    return;
  }
  if (g->couleur == 0) DrawUTFPicture(picture, r, 0);
  else DrawColorPicture(picture, r, g->couleur);
  if (possedee) DisposeHandle(picture);
}

void SetRotationPictGraphique(Graphique* g, int16_t rotation) {
  if (!g) return;
  g->rotation = rotation;
  DisposeImage(&g->image);
}

bool GetRecPictGraphique(Graphique* g, Rect* out) {
  if (!out) return false;
  SetRect(out, 0, 0, 32, 32);
  if (!g) return false;
  if (g->donnees) {
    if (IsImage(g)) {
      if (!g->image)
        g->image = ConvertDataToOffscreen(int16_t(g->typeDonnees), g->donnees, kConversionImage, g->rotation);
      if (!g->image) return false;
      GetAireImage(g->image, out);
      return true;
    }
    if (g->typeDonnees == kGraphiquePicture) {
      CarboniseGetPicFrame(g->donnees, out);
      return true;
    }
    return false;
  }
  if (g->idPicture == kIdGraphiqueLigne) {
    SetRect(out, 0, 0, 120, 8);
    return true;
  }
  if (Handle tpic = RessourceBibliotheque(FourCC("Tpic"), g->idPicture)) {
    bool ok = GetHandleSize(tpic) >= 4;
    if (ok) {
      const uint8_t* b = reinterpret_cast<const uint8_t*>(*tpic);
      SetRect(out, 0, 0, int16_t(b[0] | (b[1] << 8)), int16_t(b[2] | (b[3] << 8)));
    }
    DisposeHandle(tpic);
    if (ok) return true;
  }
  if (Handle pic = RessourceBibliotheque(FourCC("PICT"), g->idPicture)) {
    CarboniseGetPicFrame(pic, out);
    DisposeHandle(pic);
    return true;
  }
  return false;
}

int16_t AfficheGraphiquesPortee(Portee** staff, const Rect* clip, int32_t xOffset, int32_t t0, int32_t t1) {
  if (!staff) return 1;
  Partition** score = (*staff)->partition;
  Document* document = score ? (*score)->document : nullptr;
  int32_t n;
  GetGraphiquesPortee(staff, &n);
  for (int32_t i = 0; i < n; i++) {
    const Graphique& g = GetGraphiquesPortee(staff, &n)[i];
    if (g.id != 0 || g.cache) continue;
    int32_t debut = g.debut, fin = g.fin;
    if (g.ancrePixel) {
      debut = CvtPixelRubanEnTemps(score, ZoomRuban(score, debut) / 32);
      fin = CvtPixelRubanEnTemps(score, ZoomRuban(score, fin) / 32);
    }
    if (fin < t0 || debut > t1) continue;
    Rect r, dedans;
    CalculeAireGraphiqueEcran(document, staff, i, xOffset, &r);
    if (clip && !SectRect(&r, clip, &dedans)) continue;
    AfficheGraphique(&r, GetGraphiquesPortee(staff, &n) + i);
  }
  return 1;
}

void DeleteMesureGraphiques(Portee** staff, int32_t bar, int32_t count) {
  if (!staff || count <= 0) return;
  Partition** score = (*staff)->partition;
  const int32_t t0 = CvtMesureEnTemps(score, bar);
  const int32_t t1 = CvtMesureEnTemps(score, bar + count);
  // Pixel-anchored graphics are compared with bar numbers x 10000.
  const int64_t b0 = int64_t(bar) * 10000, b1 = int64_t(bar + count) * 10000, db = int64_t(count) * 10000;
  int32_t n;
  GetGraphiquesPortee(staff, &n);
  int32_t i = 0;
  while (i < n) {
    Graphique& g = GetGraphiquesPortee(staff, &n)[i];
    bool supprime = false;
    if (g.id != 0) {
    } else if (g.ancrePixel) {
      if (g.debut >= b1) {
        g.debut = Sature32(g.debut - db);
        g.fin = Sature32(g.fin - db);
      } else if (g.debut >= b0) {
        supprime = true;
      }
    } else if (g.debut >= t1) {
      g.debut -= t1 - t0;
      g.fin = Sature32(int64_t(g.fin) - (t1 - t0));
    } else if (g.debut >= t0) {
      supprime = true;
    }
    if (supprime) {
      // The next record moves into this index: it is examined next.
      DeleteGraphique(staff, i);
      GetGraphiquesPortee(staff, &n);
    } else {
      i++;
    }
  }
}

void PreservePositionGraphiques(Partition** score, int16_t mode) {
  if (!score) return;
  if (++(*score)->niveauPreservePositions != 1) return;
  for (int16_t p = 0; p < (*score)->nbPortees; p++) {
    Portee** staff = (*score)->portees[p];
    int32_t n;
    GetGraphiquesPortee(staff, &n);
    for (int32_t i = 0; i < n; i++) {
      const Graphique& g = GetGraphiquesPortee(staff, &n)[i];
      const bool pixel = g.ancrePixel != 0;
      int32_t decalage = 0;
      const int32_t ancre = AireAbsolueToRelative(score, staff, pixel, g.debut, mode != 0, &decalage);
      Graphique& h = GetGraphiquesPortee(staff, &n)[i];
      h.ancrePreserve = uint32_t(ancre);
      h.decalagePreserve = uint32_t(decalage);
    }
  }
}

void RestaurePositionGraphiques(Partition** score, int16_t mode) {
  if (!score) return;
  // A restore without its preserve leaves the counter at 0, so that the next
  // pair still converts.
  if ((*score)->niveauPreservePositions <= 0) {
    (*score)->niveauPreservePositions = 0;
    return;
  }
  if ((*score)->niveauPreservePositions == 1) {
    for (int16_t p = 0; p < (*score)->nbPortees; p++) {
      Portee** staff = (*score)->portees[p];
      int32_t n;
      GetGraphiquesPortee(staff, &n);
      for (int32_t i = 0; i < n; i++) {
        const Graphique& g = GetGraphiquesPortee(staff, &n)[i];
        int32_t debut = g.debut;
        AireRelativeToAbsolue(score, staff, g.ancrePixel != 0, mode != 0, int32_t(g.ancrePreserve),
                              int32_t(g.decalagePreserve), &debut);
        Graphique& h = GetGraphiquesPortee(staff, &n)[i];
        h.fin = Sature32(int64_t(h.fin) - h.debut + debut);
        h.debut = debut;
      }
    }
  }
  (*score)->niveauPreservePositions--;
}

Graphique* GetGraphiqueFromID(Portee** staff, uint32_t id) {
  if (id == 0) return nullptr;
  int32_t n;
  Graphique* g = GetGraphiquesPortee(staff, &n);
  for (int32_t i = 0; i < n; i++)
    if (g[i].id == id) return g + i;
  return nullptr;
}

void DeleteGraphiqueFromID(Portee** staff, uint32_t id) {
  Graphique* g = GetGraphiqueFromID(staff, id);
  if (!g) return;
  int32_t n;
  DeleteGraphique(staff, int32_t(g - GetGraphiquesPortee(staff, &n)));
}

void DeleteRelatedGraphiques(Portee** staff, int32_t effect) {
  int32_t n;
  ParamEffet* e = GetParamEffetsPortee(staff, &n);
  if (!e || effect < 0 || effect >= n || e[effect].libre) return;
  int32_t nm = GetNbMarks(e[effect].marks);
  for (int32_t i = 0; i < nm; i++) {
    // Read through the handle each time: deleting a graphic may move memory.
    e = GetParamEffetsPortee(staff, &n);
    if (!e[effect].marks || i >= GetNbMarks(e[effect].marks)) break;
    const Mark& m = reinterpret_cast<const Mark*>(*e[effect].marks)[i];
    if (m.code == kMarkLienGraphique && m.idGraphique) DeleteGraphiqueFromID(staff, m.idGraphique);
  }
}
