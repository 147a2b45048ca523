// objetsportee: the staff objects of the score model at a glance. Writes a
// PNG of graphic objects (line objects in every style with every kind of end,
// sloped and coloured, an erased frame, an image turned, a missing picture),
// each drawn in its Rect, framed in grey; prints the value tables of a step
// and an interpolating curve, before and after a time range is cut out; and
// prints which laws select which notes.
// Usage: objetsportee [OUT.png]
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "layout/Zoom.h"
#include "model/Courbes.h"
#include "model/Document.h"
#include "model/Lois.h"
#include "model/QRVPOBJ.h"
#include "model/SGraphix.h"
#include "model/TabEltMesure.h"
#include "model/Tonalite.h"
#include "model/TonaliteMaths.h"
#include "model/Vues.h"
#include "platform/Memory.h"
#include "system/Couleurs.h"
#include "system/Offscreens.h"
#include "system/PngCodec.h"
#include "text/Fontes.h"
#include "text/UTFText.h"

namespace {

void Label(int16_t x, int16_t y, const char* text) {
  ForeColor(blackColor);
  TextFont(21);
  TextSize(20);
  TextFace(0);
  MoveTo(x, y);
  UTFDrawText(nullptr, text, 0, int32_t(std::strlen(text)), 0);
}

// Draws the graphic in r, with r framed in light grey behind it.
void Dessine(Graphique* g, Rect r) {
  PenNormal();
  SetForeColor(248);
  FrameRect(&r);
  AfficheGraphique(&r, g);
}

Graphique Ligne(int32_t style, int16_t debut, int16_t fin, int16_t epaisseur, int16_t couleur = 1) {
  Graphique g{};
  g.idPicture = kIdGraphiqueLigne;
  g.styleLigne = style;
  g.extremiteDebut = debut;
  g.extremiteFin = fin;
  g.epaisseur = epaisseur;
  g.tailleExtremite = 6;
  g.couleur = couleur;
  return g;
}

void Feuille(const char* out) {
  SetDpiDest(144);
  Offscreen page = RozoCreatePortOffscreen(1400, 1180, 32);
  if (!page) return;
  SetGWorld(page, nullptr);
  Rect all{0, 0, 1180, 1400};
  ForeColor(blackColor);
  BackColor(whiteColor);
  EraseRect(&all);

  // Each style, plain ends and arrows at both ends.
  const char* styles[] = {"plain", "dashed", "dotted", "wavy", "slur 0", "slur 4", "slur 6", "slur 7"};
  for (int s = 0; s < 8; s++) {
    const int16_t y = int16_t(40 + s * 80);
    Label(20, int16_t(y + 30), styles[s]);
    Graphique a = Ligne(s, kExtremiteAucune, kExtremiteAucune, 1);
    Dessine(&a, Rect{y, 140, int16_t(y + 40), 500});
    Graphique b = Ligne(s, kExtremiteFleche, kExtremiteFleche, 2, s % 2 ? 1 : 217);
    b.controleY = -12;
    Dessine(&b, Rect{y, 540, int16_t(y + 40), 900});
  }
  Label(140, 690, "no ends, pen 1");
  Label(540, 690, "arrowheads, pen 2, bent, every other one red");

  // The end kinds, on flat and sloped lines.
  const char* ends[] = {"none", "tick", "tick, other side", "bar", "arrowhead"};
  for (int k = 0; k < 5; k++) {
    const int16_t y = int16_t(40 + k * 80);
    Graphique plat = Ligne(kLignePleine, int16_t(k), int16_t(k), 2, 235);
    Dessine(&plat, Rect{y, 960, int16_t(y + 40), 1160});
    Graphique pente = Ligne(kLignePleine, int16_t(k), int16_t(k), 1);
    pente.decalageYDebut = 12;
    pente.decalageYFin = -12;
    pente.tailleExtremite = 8;
    Dessine(&pente, Rect{y, 1180, int16_t(y + 40), 1380});
    Label(960, int16_t(y + 62), ends[k]);
  }

  // An erased frame over a pattern, an image turned 30 degrees, a missing picture.
  Rect fond{760, 40, 960, 1360};
  for (int16_t y = fond.top; y < fond.bottom; y += 20)
    for (int16_t x = fond.left; x < fond.right; x += 20) {
      Rect c{y, x, int16_t(y + 20), int16_t(x + 20)};
      ForeColor(((x + y) / 20) % 2 ? whiteColor : yellowColor);
      PaintRect(&c);
    }
  Graphique efface = Ligne(kLigneOnde, kExtremiteBarre, kExtremiteFleche, 1);
  efface.effaceFond = 1;
  Dessine(&efface, Rect{800, 80, 900, 480});
  Offscreen img = CreeOffscreen(200, 80, 32);
  for (int16_t y = 0; y < 80; y++)
    for (int16_t x = 0; x < 200; x++)
      OffscreenSetPixel(img, x, y, int16_t(x), int16_t(255 - x), int16_t(y * 3), (x < 4 || y < 4) ? 255 : 200);
  Graphique image{};
  image.typeDonnees = kTypeImagePNG;
  image.donnees = CvtOffscreenToPngHandle(img, 1, 1, nullptr, nullptr, nullptr, nullptr);
  DisposeImage(&img);
  SetRotationPictGraphique(&image, 30);
  Rect naturel;
  GetRecPictGraphique(&image, &naturel);
  OffsetRect(&naturel, 560, 780);
  Dessine(&image, naturel);
  Graphique absente{};
  absente.idPicture = 12;
  Dessine(&absente, Rect{800, 1000, 900, 1200});
  Label(40, 1000, "erased first; image turned 30 degrees in its natural frame; missing picture");
  DisposeImage(&image.image);
  DisposeHandle(image.donnees);

  bool ok = QDWritePortPNG(page, out);
  std::printf("%s %s\n\n", ok ? "wrote" : "could not write", out);
  RozoClosePortOffscreen(page);
}

Document* NouveauDocument() { return reinterpret_cast<Document*>(NewPtrClear(Size(sizeof(Document)))); }

void AjouteCourbe(Portee** staff, bool escalier, const std::vector<std::pair<int32_t, int16_t>>& pts, int finIndex) {
  int32_t n;
  GetCourbes((*staff)->courbes, &n);
  if (!(*staff)->courbes) (*staff)->courbes = NewHandle(0);
  SetHandleSize((*staff)->courbes, Size(n + 1) * Size(sizeof(Courbe)));
  Courbe c{};
  c.type = kCourbeVolu;
  c.minimum = 0;
  c.maximum = 127;
  c.escalier = escalier ? 1 : 0;
  c.valeurConstante = kCourbeSansConstante;
  GetCourbes((*staff)->courbes, &n)[n - 1] = c;
  for (size_t i = 0; i < pts.size(); i++)
    AddValeurCourbe(staff, n - 1, pts[i].first, pts[i].second, int(i) == finIndex ? 1 : 0);
}

std::string Points(Portee** staff, int32_t index) {
  std::string s;
  const Courbe* c = GetCourbePortee(staff, index);
  const PointCourbe* p = reinterpret_cast<const PointCourbe*>(*c->points);
  for (int32_t i = 0; i < c->nbPoints; i++)
    s +=
        "(" + std::to_string(p[i].temps) + ", " + std::to_string(p[i].valeur) + (p[i].finSegment ? ", end" : "") + ") ";
  return s;
}

void TableCourbes(Portee** staff, const char* titre) {
  std::printf("%s\n  step:  %s\n  ramp:  %s\n  tick    step  ramp\n", titre, Points(staff, 0).c_str(),
              Points(staff, 1).c_str());
  for (int32_t t = 0; t <= 3500; t += 250) {
    std::printf("  %5d", t);
    for (int32_t c = 0; c < 2; c++) {
      int16_t v;
      if (ExtraitValeurCourbe(staff, c, t, &v)) std::printf("  %4d", v);
      else std::printf("     -");
    }
    std::printf("\n");
  }
  std::printf("\n");
}

void Tables() {
  SetDpiDest(72);
  Document* doc = NouveauDocument();
  Partition** score = NewPartition(doc);
  AddEltTabEltMesureRuban(score, 4);
  (*score)->nbMesures = 4;
  UpdateTabEltMesure(score, kTabEltTout);
  Portee** staff = NewPortee(score, kTypePorteeStandard);

  const std::vector<std::pair<int32_t, int16_t>> pts = {{0, 10}, {1000, 20}, {2000, 80}, {3000, 40}};
  AjouteCourbe(staff, true, pts, -1);
  AjouteCourbe(staff, false, pts, 2);  // the segment from 2000 to 3000 is broken
  TableCourbes(staff, "Curves (none shown as -):");
  DeleteTimeRangeCourbes(staff, 500, 1500, 0);
  TableCourbes(staff, "After cutting [500, 1500): each resumes with its value at 1500:");

  // Laws against notes, in G major; the staff also holds a C major chord
  // (C E G) then a D minor one (D F A), a half note each, whose lowest note
  // a providing law gives as the fundamental.
  Tonalite sol;
  CvtTonaliteStdEnTonalite(1, 1, &sol);
  InsereEltTabTonalite(staff, 0, &sol, nullptr, 0, 0, -1);
  Portee** accords = NewPortee(score, kTypePorteeStandard);
  for (int8_t p : {67, 64, 60, 69, 65, 62}) {
    int32_t n = (*accords)->nbNotes;
    if (!(*accords)->notes) (*accords)->notes = NewHandleClear(0);
    SetHandleSize((*accords)->notes, Size(n + 1) * Size(sizeof(Signe)));
    Signe& s = reinterpret_cast<Signe*>(*(*accords)->notes)[n];
    RazNote(&s, p, 80640);
    s.velocity = uint8_t(p);
    if (p != 60 && p != 62) s.flags = kSigneAccordSuite;
    (*accords)->nbNotes = n + 1;
  }
  int32_t f = NewLoi(accords);
  int32_t nl;
  Loi* fl = GetLoisPortee(accords, &nl);
  fl[f].fournitFondamentale = 1;
  fl[f].testPlage = 1;
  fl[f].plageHaut = 63;

  struct Def {
    const char* nom;
    int16_t hauteur;
    uint8_t horsOctave, relatif, ajust;
    uint16_t modeTonalite;
  };
  const Def defs[] = {
      {"pitch 60", 60, 0, 0, 2, 0},
      {"any C", 60, 1, 0, 2, 0},
      {"tonic (C moved to G)", 60, 1, 0, 2, 1},
      {"F, natural vs key", 65, 1, 0, 3, 0x100},
      {"F, as the key has it", 66, 1, 0, 2, 0x100},
      {"3rd above fundamental", 64, 0, 1, 2, 0},
      {"5th above fundamental", 67, 0, 1, 2, 0},
  };
  for (const Def& d : defs) {
    int32_t i = NewLoi(staff);
    Loi& l = GetLoisPortee(staff, &nl)[i];
    l.hauteur = d.hauteur;
    l.horsOctave = d.horsOctave;
    l.relatifFondamentale = d.relatif;
    l.ajustAlteration = d.ajust;
    l.modeTonalite = d.modeTonalite;
  }
  const struct {
    const char* nom;
    int8_t kind;
    int32_t tick;
  } notes[] = {{"C4@0", 60, 0}, {"C5@0", 72, 0}, {"G3@0", 55, 0},         {"F4@0", 65, 0},         {"F#4@0", 66, 0},
               {"E5@0", 76, 0}, {"G4@0", 67, 0}, {"A4@80640", 69, 80640}, {"F4@80640", 65, 80640}, {"rest@0", -1, 0}};
  std::printf("Laws against notes (G major; chords C E G then D F A; x = selected):\n%-24s", "");
  for (const auto& n : notes) std::printf(" %9s", n.nom);
  std::printf("\n");
  for (int32_t i = 0; i < int32_t(sizeof defs / sizeof defs[0]); i++) {
    std::printf("%-24s", defs[i].nom);
    for (const auto& n : notes) {
      Signe s;
      RazNote(&s, n.kind, 40320);
      s.octetOption1 = 0xFF;
      s.motAvantDureeEcrite = 0xFFFF;
      const Loi l = GetLoisPortee(staff, &nl)[i];
      std::printf(" %9s", IsNoteMatchLoi(staff, &s, &l, n.tick) ? "x" : ".");
    }
    std::printf("\n");
  }
  std::printf("Fundamental at 0: %d, at 100000: %d, past the end: %d\n", RechercheHauteurFondamentale(score, 0),
              RechercheHauteurFondamentale(score, 100000), RechercheHauteurFondamentale(score, 161280 * 4));

  while (doc->nbPartitions > 0) SupprimePartition(doc, doc->partitions[doc->nbPartitions - 1]);
  DisposeVuesDocument(doc);
  DisposePtr(reinterpret_cast<Ptr>(doc));
}

}  // namespace

int main(int argc, char** argv) {
  if (argc > 2 || (argc == 2 && argv[1][0] == '-')) {
    const bool help = !std::strcmp(argv[1], "--help") || !std::strcmp(argv[1], "-h");
    std::fprintf(help ? stdout : stderr, "usage: objetsportee [OUT.png]\n");
    return help ? 0 : 2;
  }
  const char* out = argc > 1 ? argv[1] : "objetsportee.png";
  SetUnicodeApplication(1);
  if (!ActiveFonteVellari(TAMREL_RESOURCES "/SVELLARI.TTF")) std::fprintf(stderr, "music font not activated\n");
  Feuille(out);
  Tables();
  return 0;
}
