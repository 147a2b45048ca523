#include "notation/SCleGraf.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#include "layout/DonneesModeGraphique.h"
#include "layout/ServicesMiseEnPage.h"
#include "layout/Zoom.h"
#include "model/CvtTemps.h"
#include "model/Partition.h"
#include "model/Portee.h"
#include "model/QrvLiaison.h"
#include "model/Signe.h"
#include "model/TabEltMesure.h"
#include "model/Tonalite.h"
#include "notation/DecalagesAccord.h"
#include "notation/DessinCorps.h"
#include "notation/DessinMarks.h"
#include "notation/FormesCorps.h"
#include "notation/PetitesNotes.h"
#include "notation/Queues.h"
#include "notation/SilencesFantomes.h"
#include "notation/TaillesPortee.h"
#include "notation/TraceLiaisons.h"
#include "notation/ValeursNotes.h"
#include "platform/Memory.h"
#include "platform/QuickDraw.h"
#include "system/Couleurs.h"
#include "system/Handles.h"
#include "system/Offscreens.h"
#include "system/Reporters.h"
#include "system/Splines.h"
#include "system/Strings.h"
#include "text/Fontes.h"

// A note is tied when it is printed in more than one piece, or when a tie
// or slur starts or ends on it.
bool IsNoteLiee(Portee** staff, int32_t index) {
  if (GetLiaisonSourceNote(staff, index, nullptr, kLiaisonCoule) != 0 ||
      GetLiaisonDestNote(staff, index, nullptr, kLiaisonCoule) != 0)
    return true;
  Handle pieces = CvtNoteEnListeNotesLiees(staff, index);
  const bool plusieurs = GetHandleSize(pieces) > Size(sizeof(Signe));
  DisposeHandle(pieces);
  return plusieurs;
}

namespace {

// One sign of a rhythm figure as it is placed: its written value, its head's
// x and width, its size and its stem tip. The stem-group entries the figure
// borrows are kept beside it and given back.
struct SigneFigure {
  NotePossible valeur;
  int32_t x, largeur, pourcent, taille, tige;
  float interligne;
  QueueEntry garde;
};

uint8_t GlypheAlterationFigure(uint8_t alteration) {
  switch (alteration & kAlterationMasque) {
    case 0: return 110;
    case 1: return 35;
    case 3: return 98;
    case 4: return 220;
    case 5: return 186;
    default: return 0;
  }
}

// A sign's colour; without one, black (no staff lends its own).
void CouleurFigure(uint16_t couleur) {
  if (couleur > 0) SetForeColor(int16_t(couleur));
  else ForeColor(blackColor);
}

uint8_t GlypheSilenceFigure(int32_t valeur) {
  switch (valeur) {
    case 2520: return 244;
    case 5040: return 168;
    case 10080: return 197;
    case 20160: return 228;
    case 40320: return GModeGraphique.drapeaux[2] ? 213 : 206;
    case 80640: return 238;
    case 161280: return 183;
    default: return 0;
  }
}

}  // namespace

void TraceSignesRhythmicPattern(const Signe* notes, int32_t count, uint8_t secondMode, float scale) {
  if (!notes || count <= 0) return;
  count = std::min<int32_t>(count, kMaxQueues);
  Handle travail = NewHandleClear(Size(count) * Size(sizeof(SigneFigure)));
  if (!travail) return;
  HLock(travail);
  SigneFigure* f = reinterpret_cast<SigneFigure*>(*travail);
  const int16_t nbQueueAvant = nbQueue, minBarresAvant = minBarresInTabQueue, modeAvant = curModeDecoupeDemiTemps;
  for (int32_t i = 0; i < count; i++) f[i].garde = TabQueue[i];
  Point pen;
  GetPen(&pen);
  const float echelle = scale > 0.0f ? scale : 1.0f;

  // Values, sizes and places from the pen; the stem group rebuilt from them.
  nbQueue = 0;
  int32_t x = pen.h;
  for (int32_t i = 0; i < count; i++) {
    const Signe& s = notes[i];
    SigneFigure& g = f[i];
    CalculeNotePossible(1290240, s.duree, nullptr, s.motTuplet ? s.motTuplet : kDivisionSimple, &g.valeur, s.kind);
    g.pourcent = std::max<int32_t>(1, int32_t(float(s.taille ? s.taille : 100) * echelle));
    g.taille = std::max<int32_t>(1, g.pourcent * 72 / 100);
    TextFontMusicale(nullptr, Sature16(g.taille));
    g.largeur = (int32_t(CharWidthCaractereMusical(207)) * 613 + 356) / 713;
    // The music font's unit size is four interlines.
    g.interligne = std::max(1.0f, float(Zoom(g.taille)) / 12.0f);
    g.x = x;
    g.tige = Sature32(int64_t(pen.v) - int64_t(g.interligne * 4.0f));
    const bool lie = (s.flags & kSigneAccroche) && i + 1 < count && !(s.motTuplet & 0x1000);
    if (s.kind >= 0)
      AjouteQueue(Sature16(g.largeur), Sature16(x), g.valeur.crochets, g.valeur.base, 0, lie, lie, 0, 0, 0, 0, 0, i,
                  s.couleur, uint16_t(g.pourcent), 0, nullptr);
    else
      AjouteQueue(Sature16(g.largeur), Sature16(x), kCrochetsSilence, g.valeur.base, 0, 0, 0, 0, 0, 0, 0, 0, i,
                  s.couleur, uint16_t(g.pourcent), 0, nullptr);
    x = Sature32(int64_t(x) + g.largeur + Zoom(int32_t(s.decalageTeteAccord) + 5));
  }

  // Heads with their accidentals and dots, rests, ties.
  const int16_t epaisseurQueue = Sature16(std::max<int32_t>(1, Zoom(GModeGraphique.slot[kSlotEpaisseurQueue]) / 4));
  for (int32_t i = 0; i < count; i++) {
    const Signe& s = notes[i];
    const SigneFigure& g = f[i];
    CouleurFigure(s.couleur);
    TextFontMusicale(nullptr, Sature16(g.taille));
    // The head sits on the pen's line.
    const int32_t y = pen.v - int32_t(g.interligne / 2.0f);
    if (s.kind < 0) {
      if (const uint8_t r = GlypheSilenceFigure(g.valeur.base)) {
        MoveTo(Sature16(g.x), Sature16(int32_t(pen.v) - int32_t(g.interligne * 2.0f)));
        DrawCharMusical(r);
      }
    } else {
      if (const uint8_t a = GlypheAlterationFigure(s.alteration); a && s.alteration != kAlterationAucune) {
        const int32_t decale = (s.alteration & kAlterationMasque) == 5 ? Zoom(1) : 0;
        MoveTo(Sature16(g.x - CharWidthCaractereMusical(a) - Zoom(1) - decale), Sature16(y));
        DrawCharMusical(a);
      }
      TraceFormeCorps(nullptr, s.formeTete, g.valeur.base, 0, Sature16(g.pourcent), Sature16(g.x), Sature16(y));
      MoveTo(Sature16(g.x + g.largeur), Sature16(y));
    }
    for (int16_t k = 0; k < g.valeur.points; k++) {
      Move(Sature16(std::max<int32_t>(1, Zoom(1) / 2)), 0);
      DrawCharMusical(46);
    }
    if (s.indexParamEffet != -1 && i + 1 < count) {
      const SigneFigure& h = f[i + 1];
      const int32_t yl = y - int32_t(g.interligne);
      const int32_t x0 = g.x + g.largeur / 2, x1 = h.x + h.largeur / 2;
      const int32_t creux = int32_t(float(x1 - x0) * float(GModeGraphique.slot[70]) / 100.0f);
      TraceLiaisonCoule(0, Sature16(x0), Sature16(yl), Sature16(x1), Sature16(yl), Sature16((x0 + x1) / 2),
                        Sature16(yl - creux), Sature16(std::max<int32_t>(1, Zoom(GModeGraphique.slot[69]))), 0.0f);
    }
  }

  // Stems up, then flags or beams.
  for (int32_t i = 0; i < count;) {
    const SigneFigure& g = f[i];
    const QueueEntry& q = TabQueue[i];
    if (q.barres == kCrochetsSilence || g.valeur.base >= 161280 || g.valeur.base <= 0) {
      i++;
      continue;
    }
    // A run of stems beamed together ends at the first that is not beamed on.
    int32_t fin = i;
    while (fin + 1 < count && TabQueue[fin].barreSuivante && TabQueue[fin + 1].barres != kCrochetsSilence &&
           f[fin + 1].valeur.base < 161280)
      fin++;
    int32_t tige = g.tige;
    for (int32_t k = i; k <= fin; k++) tige = std::min(tige, f[k].tige);
    auto xTige = [&](int32_t k) { return f[k].x + f[k].largeur - epaisseurQueue; };
    for (int32_t k = i; k <= fin; k++) {
      CouleurFigure(notes[k].couleur);
      PenSize(epaisseurQueue, epaisseurQueue);
      const int32_t y = pen.v - int32_t(f[k].interligne / 2.0f);
      MoveTo(Sature16(xTige(k)), Sature16(y - 1));
      LineTo(Sature16(xTige(k)), Sature16(fin > i ? tige : f[k].tige));
    }
    if (fin == i) {
      const int32_t n = std::max<int32_t>(0, g.valeur.crochets);
      const int32_t xs = xTige(i);
      TextFontMusicale(nullptr, Sature16(g.taille));
      const int32_t S = Zoom(g.taille);
      if (n > 0 && secondMode) {
        for (int32_t k = 0; k < n; k++) {
          const float y0 = float(g.tige) + float(k) * g.interligne * 0.75f;
          AntialiasedLine(true, float(xs), y0, float(xs) + float(g.largeur), y0 + g.interligne, 1.0f,
                          float(epaisseurQueue) * 2.0f);
        }
      } else if (n == 1 || n == 2) {
        MoveTo(Sature16(xs), Sature16(g.tige + S * 23 / 100));
        DrawCharMusical(n == 1 ? kGlypheCrochetHaut1 : kGlypheCrochetHaut2);
      } else {
        for (int32_t k = 0; k < n; k++) {
          MoveTo(Sature16(xs), Sature16(g.tige + S * 23 / 100 + int32_t(float(k) * g.interligne * 0.75f)));
          DrawCharMusical(kGlypheCrochetHautEmpile);
        }
      }
    } else {
      for (int32_t k = i; k < fin; k++) {
        const int32_t epaisseur = std::max<int32_t>(1, Zoom(f[k].pourcent * LargeurBarre / 100) / 4);
        const int32_t ecart = std::max<int32_t>(1, Zoom(f[k].pourcent * EcartBarre / 100) / 4);
        int16_t gauche = 0, droite = 0;
        GetBeamLeftRight(int16_t(i), int16_t(fin), int16_t(k), 0, &gauche, &droite);
        CouleurFigure(notes[k].couleur);
        for (int32_t b = 0; b < droite; b++) {
          const int32_t dy = b * (ecart + epaisseur);
          const Rect r{Sature16(tige + dy), Sature16(xTige(k)), Sature16(tige + dy + epaisseur),
                       Sature16(xTige(k + 1) + epaisseurQueue)};
          PaintRect(&r);
        }
      }
    }
    i = fin + 1;
  }

  for (int32_t i = 0; i < count; i++) TabQueue[i] = f[i].garde;
  nbQueue = nbQueueAvant;
  minBarresInTabQueue = minBarresAvant;
  curModeDecoupeDemiTemps = modeAvant;
  DisposeHandle(travail);
  // The pen moves past the figure.
  PenNormal();
  ForeColor(blackColor);
  MoveTo(Sature16(x), pen.v);
}

Handle CvtNoteEnListeNotesLieesBorne(Portee** staff, int32_t index, int32_t, int32_t lastBar, int32_t) {
  Handle h = NewHandleClear(0);
  int32_t n;
  const Signe* s = staff ? GetSignesPortee(staff, &n) : nullptr;
  if (!h || !s || index < 0 || index >= n) return h;
  const Signe note = s[index];
  Partition** score = (*staff)->partition;
  auto ajoute = [&h](const Signe& piece) {
    const Size taille = GetHandleSize(h);
    if (!RetailleHandle(h, taille + Size(sizeof(Signe))) || GetHandleSize(h) != taille + Size(sizeof(Signe)))
      return false;
    std::memcpy(*h + taille, &piece, sizeof piece);
    return true;
  };
  if (note.kind < kSigneSilence || note.duree <= 0 || !score) {
    ajoute(note);
    return h;
  }
  int64_t t = CvtIndexNoteEnTemps(staff, index);
  int64_t reste = note.duree;
  while (reste > 0) {
    if (CvtTempsEnMesure(score, Sature32(t)) > lastBar && GetHandleSize(h) > 0) break;
    int64_t limite = LimitePiece(staff, Sature32(t));
    const bool premiere = GetHandleSize(h) == 0;
    if (premiere && note.premierePartieLiee > 0 && note.premierePartieLiee < limite) limite = note.premierePartieLiee;
    NotePossible p;
    CalculeNotePossible(Sature32(limite), Sature32(reste), nullptr, premiere ? note.motTuplet : kDivisionSimple, &p,
                        note.kind);
    // A piece never comes out empty; a value too short to write ends the note.
    const int64_t d = p.dureeEcrite > 0 ? std::min<int64_t>(p.dureeEcrite, reste) : reste;
    Signe piece = note;
    piece.duree = int32_t(d);
    if (!ajoute(piece)) break;
    t += d;
    reste -= d;
  }
  return h;
}

Handle CvtNoteEnListeNotesLiees(Portee** staff, int32_t index) {
  return CvtNoteEnListeNotesLieesBorne(staff, index, 0, INT16_MAX, -1);
}

// ---- Chord drawing.

CorpsEntry** TabCorps = nullptr;
int16_t nbCorps = 0, nbCorpsGranuleux = 0;

const int32_t TabCorps4Shape[7] = {8, 0, 5, 8, 0, 5, 2};
const int32_t TabCorps7ShapeAiken[7] = {1, 9, 2, 8, 0, 5, 10};
const int32_t TabCorps7ShapeSwan[7] = {11, 12, 2, 8, 0, 5, 1};
const int32_t TabCorps7ShapeWalker[7] = {14, 15, 2, 8, 0, 5, 16};
const int32_t TabCorps7ShapeFunk[7] = {17, 18, 2, 8, 0, 5, 19};
const int32_t TabCorps7ShapeJohnson[7] = {20, 21, 2, 8, 0, 5, 11};

void LibereTabCorps() {
  if (TabCorps) DisposeHandle(reinterpret_cast<Handle>(TabCorps));
  TabCorps = nullptr;
  nbCorps = nbCorpsGranuleux = 0;
}

namespace {

constexpr int16_t kCouleurGrise = 247;
// Ticks that stand for a bar of unknown length, and for no limit.
constexpr int32_t kMesureIllimitee = 645120;
constexpr int32_t kSansLimite = 9999999;
// A chord's duration is written in at most this many tied pieces.
constexpr int kMaxPieces = 64;
// The colour of ghost rests drawn on the page (the preferences keep none).
constexpr RGBColor kCouleurSilencesFantomes{0x8000, 0x8000, 0x8000};
// Widest offscreen a ghost rest is faded in.
constexpr int32_t kLargeurMaxFantome = 4096;

int16_t S16(int64_t v) { return int16_t(std::clamp<int64_t>(v, -32767, 32767)); }

float Interligne(Portee** staff) { return (*staff)->interligne > 0.0f ? (*staff)->interligne : 6.0f; }
int16_t Unite(Portee** staff) {
  return (*staff)->aspect.tailleUnite > 0 ? int16_t((*staff)->aspect.tailleUnite) : int16_t(72);
}

// One more head entry; false when the table cannot grow.
CorpsEntry* NouveauCorps() {
  if (!TabCorps) {
    TabCorps = reinterpret_cast<CorpsEntry**>(NewHandleClear(0));
    if (!TabCorps) return nullptr;
    nbCorpsGranuleux = 0;
  }
  if (nbCorps >= nbCorpsGranuleux) {
    if (nbCorpsGranuleux > INT16_MAX - 16) return nullptr;
    const int16_t capacite = int16_t(nbCorpsGranuleux + 16);
    if (!RetailleHandle(reinterpret_cast<Handle>(TabCorps), Size(capacite) * Size(sizeof(CorpsEntry))) ||
        GetHandleSize(reinterpret_cast<Handle>(TabCorps)) != Size(capacite) * Size(sizeof(CorpsEntry)))
      return nullptr;
    nbCorpsGranuleux = capacite;
  }
  CorpsEntry* e = &(*TabCorps)[nbCorps++];
  *e = CorpsEntry{};
  return e;
}

// Screen x of a tick relative to another one, in the spacing of the staff.
int32_t EcartTemps(Partition** score, Portee** staff, int32_t from, int32_t to) {
  if (IsModeZorodava(score, staff))
    return ZorodavaCvtTempsEnPixelEcran(score, to) - ZorodavaCvtTempsEnPixelEcran(score, from);
  return CvtTempsEnPixelEcran(score, to) - CvtTempsEnPixelEcran(score, from);
}

// Ghost rest: on screen faded to 40 % through an offscreen, else plain.
void TraceSilenceFantome(Portee** staff, int32_t x, uint16_t xRef, Signe* signs, int32_t index, int16_t bar,
                         int32_t time, VectNote2Y toScreenY) {
  Partition** score = (*staff)->partition;
  if (!score || (*staff)->modeSilencesFantomes == 0) return;
  const int16_t y = toScreenY ? toScreenY(staff, time, index, &signs[index], nullptr) : int16_t(0);
  const bool estompe = !(*score)->impressionEnCours && (*score)->modeEcran == 1;
  if (!estompe) {
    TraceSilenceFantomeAtPos(staff, S16(x), y, signs, index, bar, &kCouleurSilencesFantomes);
    return;
  }
  const int32_t h = int32_t(Interligne(staff) * 3.0f);
  // Without a reference x the bar's own end bounds the offscreen.
  const int32_t finMesure = xRef != kXRefAucun
                                ? int32_t(xRef) + CvtMesureEnTaillePixelEcran(score, bar)
                                : CvtMesureEnPixelEcran(score, bar) + CvtMesureEnTaillePixelEcran(score, bar);
  const int32_t largeur = std::min(finMesure - x, kLargeurMaxFantome);
  if (largeur <= 0 || h <= 0) return;
  Rect tout{0, 0, S16(2 * h), S16(largeur)};
  Offscreen off = OffscreenCreate(&tout);
  if (!off) return;
  OffscreenPaintRect(off, &tout, 255, 255, 255, 100, 2);
  CGrafPtr port;
  GDHandle device;
  GetGWorld(&port, &device);
  SetGWorld(off, nullptr);
  const RGBColor noir{0, 0, 0};
  TraceSilenceFantomeAtPos(staff, 0, S16(h), signs, index, bar, &noir);
  SetGWorld(port, device);
  OffscreenCreateOpacityFromLuminance(off);
  OffscreenInvertOpacity(off);
  OffscreenFadeOpacity(off, 40.0f);
  OffscreenPaintRect(off, &tout, int16_t(kCouleurSilencesFantomes.red >> 8),
                     int16_t(kCouleurSilencesFantomes.green >> 8), int16_t(kCouleurSilencesFantomes.blue >> 8), 100, 0);
  Rect dest{S16(y - h), S16(x), S16(y + h), S16(x + largeur)};
  OffscreenCopyBits(off, &tout, &dest, true);
  RozoClosePortOffscreen(off);
}

// A chord's own note draws its grace notes (moved left of its accidental),
// then its marks.
void TraceGraceEtMarques(Portee** staff, Signe* note, int32_t index, int32_t x, int32_t y, uint16_t effects,
                         uint8_t accidental) {
  int32_t n = 0;
  const Signe* propres = GetSignesPortee(staff, &n);
  if (propres && index >= 0 && index < n && note == propres + index)
    TraceGraceNotes(staff, 1, x, accidental, y, index, note, effects, nullptr, 0);
  TraceMarksNote(staff, S16(x), S16(y), index, note, false, effects);
}

// The shape a note takes in the staff's shape-note mode.
int16_t FormeNote(Portee** staff, const Signe& s, int32_t index, int32_t time) {
  const uint8_t mode = (*staff)->modeFormeNotes;
  if (s.kind < 0 || s.formeTete != 0 || mode < 1 || mode > 6) return s.formeTete;
  static const int32_t* const tables[6] = {TabCorps4Shape,       TabCorps7ShapeAiken, TabCorps7ShapeSwan,
                                           TabCorps7ShapeWalker, TabCorps7ShapeFunk,  TabCorps7ShapeJohnson};
  Tonalite k;
  CvtTempsEnTonalite(staff, time, &k);
  int16_t ligne = 0;
  uint8_t montree = 0;
  CalcPosAlterationFnNote(staff, &s, &ligne, &montree, index, time);
  const int32_t degre = ((ligne - k.degreTonique) % 7 + 7) % 7;
  return int16_t(tables[mode - 1][degre]);
}

// A tie between two pieces of a chord, under or over the heads.
void TraceLieePieces(Portee** staff, float x0, float x1, float y, bool dessous) {
  const float il = Interligne(staff);
  const int16_t* g = &GModeGraphique.slot[dessous ? 69 : 77];
  const float ey = dessous ? y + il / 2.0f + float(Zoom(2)) : y - il / 2.0f - float(Zoom(1));
  const float cy = dessous ? y + il + float(Zoom(2)) : y - il - float(Zoom(1));
  const int32_t ax = int32_t(x0) + Zoom(g[2]), ay = int32_t(ey) + Zoom(g[3]);
  const int32_t bx = int32_t(x1) + Zoom(g[4]), by = int32_t(ey) + Zoom(g[5]);
  const int32_t cx = (ax + bx) / 2 + Zoom(g[6]), cyy = int32_t(cy) + Zoom(g[7]);
  Rect clip{};
  RgnHandle rgn = NewRgn();
  GetClip(rgn);
  GetRegionBounds(rgn, &clip);
  DisposeRgn(rgn);
  if (ax >= clip.right || bx <= ax || bx - ax > 9999 || bx < clip.left) return;
  TraceLiaisonCoule(0, S16(ax), S16(ay), S16(bx), S16(by), S16(cx), S16(cyy), S16(Zoom(g[0])), float(g[1]) * 0.01f);
}

}  // namespace

uint8_t TraceCorpsAccord(Portee** staff, int32_t x, uint16_t xRef, Signe* signs, int32_t* index, int32_t count,
                         int32_t time, int16_t bar, uint8_t drawFlag, uint8_t direction, uint8_t pass, uint8_t shifted,
                         VectNote2Y toScreenY, uint16_t graceIndex, uint8_t graceMode, uint8_t, Handle headRects,
                         uint8_t stemOption) {
  if (!staff || !signs || !index || *index < 0 || *index >= count) return 0;
  Partition** score = (*staff)->partition;
  const int32_t i0 = *index;
  int32_t nPropres = 0;
  const bool propres = GetSignesPortee(staff, &nPropres) == signs;
  const float il = Interligne(staff);

  // The bar's limit on the first piece and its beat unit.
  int64_t limite = kSansLimite;
  if (bar >= 0 && score && !(*staff)->sansDecoupeMesure) limite = LimitePiece(staff, time);
  int64_t longueur = signs[i0].duree;
  if (int64_t(signs[i0].premierePartieLiee) > signs[i0].duree) {
    limite = kSansLimite;
    longueur = signs[i0].premierePartieLiee;
  }

  // Signs that are not chords.
  Signe& s0 = signs[i0];
  if (s0.kind == kSigneRepeteDeuxMesures) {
    if (drawFlag && score) {
      int32_t xs = x;
      if (bar >= 0 && IsModeZorodava(score, staff)) {
        const Handle table = GetTabEltMesureEcran(score);
        const TabEltMesure* rows = GetLignesTabElt(table);
        const int32_t uz = rows && bar < GetNbLignesTabElt(table) ? int32_t(rows[bar].echelleZorodava) : 0;
        if (uz > 0) xs += int32_t(int64_t(CvtMesureEnTailleUtileMesureEcran(score, bar)) * (uz - s0.posZorodava) / uz);
      }
      const int16_t yb = S16(float((*staff)->rect.top + (*staff)->decalageLigneBas) + 0.5f * il);
      TraceSymboleRepeteDeuxDernieresMesures(staff, S16(xs), yb);
    }
    *index = i0 + 1;
    return 0;
  }
  if (s0.kind == kSigneSilence && (s0.flags & kSigneCache) && !(score && IsTraceReperes(score))) {
    *index = i0 + 1;
    return (s0.flags & kSigneAccroche) && i0 + 1 < count ? 1 : 0;
  }
  if (s0.kind == kSigneSilenceFantome) {
    if (drawFlag && pass == 0) TraceSilenceFantome(staff, x, xRef, signs, i0, bar, time, toScreenY);
    *index = i0 + 1;
    return 0;
  }

  // The chord: the notes of the first one's duration, then the other members.
  int32_t fin = i0;
  while (fin + 1 < count && (signs[fin].flags & kSigneAccordSuite) && signs[fin + 1].duree == s0.duree) fin++;
  int32_t apres = fin + 1;
  while (apres < count && (signs[apres - 1].flags & kSigneAccordSuite)) apres++;
  uint8_t suite = 0;
  bool lien = false, aDessiner = false;
  for (int32_t k = i0; k <= fin; k++) {
    if ((signs[k].flags & kSigneAccroche) && k + 1 < count && signs[k].kind != kSigneSilenceFantome) suite = 1;
    const bool lie = propres && HasAccrocheSpeciale(staff, signs, k) != 0;
    lien = lien || lie;
    const uint8_t sens = (signs[k].flags & kSigneQueueEnBas) ? 1 : 0;
    if (sens == direction && (pass == 0 || lie)) aDessiner = true;
  }
  if (lien) suite = 0;
  *index = apres;
  if (!aDessiner) return suite;

  // The last chord of the array keeps no chord link while it is drawn.
  const bool lienFinal = apres >= count && (signs[count - 1].flags & kSigneAccordSuite);
  if (lienFinal) signs[count - 1].flags &= uint16_t(~kSigneAccordSuite);
  const int16_t decalage = propres ? CalculeDecalageCorpsAccordEcran(staff, i0) : int16_t(0);
  uint16_t motTuplet = 0;
  for (int32_t k = i0; k <= fin; k++)
    if ((signs[k].motTuplet & 0xF) > (motTuplet & 0xF)) motTuplet = signs[k].motTuplet;
  const bool source = propres && GetLiaisonSourceNote(staff, i0, nullptr, kLiaisonAccroche) != 0;
  const bool dest = propres && GetLiaisonDestNote(staff, i0, nullptr, kLiaisonAccroche) != 0;

  nbCorps = 0;
  if (headRects) {
    const Size taille = Size(fin - i0 + 1) * 8;
    if (RetailleHandle(headRects, taille) && GetHandleSize(headRects) == taille)
      std::memset(*headRects, 0, size_t(taille));
  }
  const bool barreEntiere = s0.kind == kSigneSilence && (*staff)->pauseMesureEntiere && bar >= 0 && score &&
                            IsPauseMesureEntiere(staff, i0, time, bar);
  const float basPortee = float((*staff)->rect.top + (*staff)->decalageLigneBas);
  const float milieu = basPortee - 2.0f * il;
  const uint8_t milieuQueues = inDrawGrace ? (*staff)->queuesMilieuGraces : (*staff)->queuesMilieuNotes;

  bool stop = false;
  int64_t reste = longueur, tPiece = time;
  int32_t xPiece = x;
  std::vector<int32_t> debutsPieces;
  for (int32_t piece = 0; reste > 0 && piece < kMaxPieces && !stop; piece++) {
    NotePossible np;
    uint8_t egal = 0;
    if (barreEntiere) {
      CalculeNotePossible(int32_t(reste), int32_t(reste), &egal, s0.motTuplet, &np, s0.kind);
      np.dureeEcrite = int32_t(reste);
    } else {
      CalculeNotePossible(int32_t(std::min<int64_t>(reste, INT32_MAX)), int32_t(std::min<int64_t>(limite, INT32_MAX)),
                          &egal, piece == 0 ? s0.motTuplet : kDivisionSimple, &np, s0.kind);
    }
    const int64_t d = np.dureeEcrite > 0 ? std::min<int64_t>(np.dureeEcrite, reste) : reste;
    debutsPieces.push_back(nbCorps);
    int16_t entree = -1;
    int32_t yMin = INT32_MAX, yMax = INT32_MIN;
    const int32_t nbAvant = nbCorps;
    for (int32_t step = 0; step <= fin - i0 && !stop; step++) {
      const int32_t k = direction == 1 ? i0 + step : fin - step;
      Signe& s = signs[k];
      if (((s.flags & kSigneQueueEnBas) ? 1 : 0) != direction) continue;
      if (pass == 1 && !(propres && HasAccrocheSpeciale(staff, signs, k))) continue;
      if (s.taille == 0) continue;
      uint8_t montre = kAlterationAucune;
      const int16_t y = toScreenY ? toScreenY(staff, int32_t(tPiece), propres ? k : -1, &s, &montre) : int16_t(0);
      uint8_t alteration = montre & 7;
      // Colour.
      int16_t couleur = s.couleur >= 1 ? int16_t(s.couleur) : (*staff)->couleur;
      if (s.flags & kSigneSurbrillance) couleur = kCouleurSignesSurbrillance;
      else if ((*staff)->modeGrise == 1 || (s.kind == kSigneSilence && (s.flags & kSigneCache)))
        couleur = kCouleurGrise;
      SetForeColor(couleur);
      const int16_t forme = FormeNote(staff, s, propres ? k : -1, int32_t(tPiece));
      // Head width and x.
      int32_t xh = xPiece + decalage;
      int32_t w = (*staff)->largeurTete;
      if (np.base == 322560) {
        w = w * 1111 / 1000;
        xh -= w / 4;
      } else if (np.base > 322560) {
        w = w * 1780 / 1000;
      }
      w = w * s.taille / 100;
      // A whole-bar rest centred over the bar's music (its glyph about a head wide).
      if (barreEntiere && (*staff)->pauseCentree && score && bar >= 0)
        xh = xPiece + CvtMesureEnTailleUtileMesureEcran(score, bar) / 2 - w / 2;
      // Seconds and unisons go to the other side of the stem.
      const int32_t autre = direction == 0 ? xh + w - 1 : xh + 1 - w;
      const int32_t xAvant = xh;
      if (s.kind >= 0 && (s.flags & kSigneCache)) xh = autre + (direction == 1 ? w / 12 : -w / 10);
      for (int32_t j = nbAvant; j < nbCorps; j++) {
        const CorpsEntry& c = (*TabCorps)[j];
        if (int32_t(c.x) == xh && std::fabs(c.y - float(y)) < 0.75f * il) {
          xh = autre;
          break;
        }
      }
      const bool deplace = xh != xAvant;
      CorpsEntry* ce = NouveauCorps();
      if (!ce) {
        stop = true;
        break;
      }
      ce->x = float(xh);
      ce->y = float(y);
      ce->couleur = uint16_t(couleur);
      // Tie from the previous piece's head on the same line (rests are not tied).
      if (piece > 0 && drawFlag && s.kind >= 0) {
        const CorpsEntry* prec = nullptr;
        for (int32_t j = debutsPieces[size_t(piece - 1)]; j < debutsPieces[size_t(piece)]; j++)
          if ((*TabCorps)[j].y == float(y)) prec = &(*TabCorps)[j];
        if (!prec) {
          BigBadError("SCleGraf", 4);
        } else {
          const bool cote = (s.flags & kSigneLieSymbole) != 0;
          const bool dessous = (cote ? 1 : 0) == direction;
          float x0 = prec->x + float(w / 2 + Zoom(1));
          if (cote && direction == 0) x0 += float(w / 2);
          float x1 = float(xh + w / 2 - Zoom(1));
          if (cote && direction == 1) x1 -= float(w / 2);
          TraceLieePieces(staff, x0, x1, float(y), dessous);
          SetForeColor(couleur);
        }
      }
      if ((s.alteration & kAlterationMasquee) || piece > 0 || s.kind < 0) alteration = kAlterationAucune;
      const uint8_t parentheses = (s.alteration & kAlterationParentheses) ? 1 : 0;
      int16_t xAlt = 0;
      np.largeurTete = int16_t(w);
      np.xPoints = np.yPoints = 0;
      TraceCorps(staff, bar, S16(xh), y, &np, alteration, shifted, drawFlag, s.kind, int16_t(s.taille), forme,
                 direction, (s.flags & kSignePointsDessous) ? 1 : 0, barreEntiere ? 1 : 0, &xAlt, s.decalagePointX,
                 s.decalagePointY, parentheses);
      ce->taille = s.taille;
      ce->points = uint16_t(std::max<int16_t>(0, np.points));
      ce->xPoints = np.xPoints;
      ce->yPoints = np.yPoints;
      ce->piece = piece;
      ce->dureePiece = int32_t(d);
      ce->alteration = alteration;
      ce->becarreCourtoisie = 0;
      ce->xAlteration = float(xAlt);
      ce->yAlteration = float(y);
      ce->decalageAlteration = S16(Zoom(s.decalageAlteration + GModeGraphique.slot[2]));
      ce->parentheses = parentheses;
      if (headRects && GetHandleSize(headRects) >= Size(k - i0 + 1) * 8) {
        Rect* r = reinterpret_cast<Rect*>(*headRects) + (k - i0);
        const int32_t droite = xh + w;
        *r = Rect{S16(y - 1 - w / 2), S16(droite - w), S16(y + w / 2 + 1), S16(droite)};
      }
      if (xRef != kXRefAucun && piece == 0) {
        s.xRelatifAccord = S16(xh - int32_t(xRef));
        if (deplace) s.flags |= kSigneTeteDecalee;
        else s.flags &= uint16_t(~kSigneTeteDecalee);
      }
      // The stem, registered by the first head.
      if (entree < 0 && s.kind >= 0) {
        int16_t crochets = np.crochets;
        if (forme == 26 && np.base >= 80640) crochets--;
        // The score keeps no half-beat mode: no stem is a cut point.
        const uint8_t coupe = 0;
        const int32_t xq = (*staff)->decalageQueue ? (direction == 0 ? xh - w / 2 : xh + w / 2) : xh;
        const bool derniere = reste - d <= 0;
        const uint8_t barre = (s.flags & kSigneAccroche) && derniere ? 1 : 0;
        entree = AjouteQueue(int16_t(w), S16(xq), crochets, np.base, direction, barre, barre, coupe, 0, source, dest,
                             uint8_t(pass == 1 ? 1 : 0), k, uint16_t(s.couleur >= 1 ? s.couleur : (*staff)->couleur),
                             s.taille, (s.flags & kSigneSurbrillance) ? 1 : 0, &s);
      }
      if (piece == 0) {
        const uint16_t effets = graceMode ? graceIndex : uint16_t(s.indexParamEffet);
        if (effets != 65535 && drawFlag) {
          TraceGraceEtMarques(staff, &s, k, xh, y, effets, alteration != kAlterationAucune);
          TraceLiaisonEntreDeuxNotes(staff, xRef == kXRefAucun ? kXOrigineAucune : int32_t(xRef), k, &s, false, effets);
          TextFontMusicale(staff, Unite(staff));
        }
      }
      // Stem extent: from the head's stem side to its far tip.
      if (s.kind >= 0) {
        const int32_t l =
            Zoom(1) + int32_t(float(s.taille) * float(GetTailleStdTigeNote(staff, &s, propres ? k : -1, stemOption)) *
                              il / 620.0f);
        int32_t pointe = direction == 1 ? y + l : y - l;
        if (s.longueurQueue == 0 && milieuQueues) {
          if (direction == 0 && float(pointe) > milieu) pointe = int32_t(milieu);
          if (direction == 1 && float(pointe) < milieu) pointe = int32_t(milieu);
        }
        const int32_t cote = y + GetOffsetYEcranTigeFnCorps(forme, direction, 0);
        yMin = std::min({yMin, pointe, cote});
        yMax = std::max({yMax, pointe, cote});
      }
      if (score && bar >= 0 && propres) {
        const int32_t rel = xh - CvtMesureEnPixelEcran(score, bar);
        s.xRelatifMesure = S16(std::min(rel, 32000));
      }
    }
    if (entree >= 0) {
      QueueEntry& q = TabQueue[entree];
      q.extremiteHaut = yMin;
      q.extremiteBas = yMax;
      if (motTuplet & 0xEE) {
        q.tuplet = uint16_t(motTuplet | kTupletCrochet);
        q.tupletCrochet = kCrochetTupletDefaut;
      } else {
        q.tuplet &= uint16_t(~0xF);
      }
    }
    reste -= d;
    if (reste > 0 && score) {
      const int64_t suivant = tPiece + d;
      xPiece += EcartTemps(score, staff, int32_t(tPiece), int32_t(suivant));
      tPiece = suivant;
      limite = bar >= 0 && !(*staff)->sansDecoupeMesure ? LimitePiece(staff, int32_t(tPiece)) : kSansLimite;
    }
  }
  debutsPieces.push_back(nbCorps);

  // Dots: one column per piece, lower dots moved off the dots above them.
  if (nbCorps >= 2) {
    for (size_t p = 0; p + 1 < debutsPieces.size(); p++) {
      float xMax = -9999999.0f;
      for (int32_t j = debutsPieces[p]; j < debutsPieces[p + 1]; j++)
        if ((*TabCorps)[j].points) xMax = std::max(xMax, (*TabCorps)[j].xPoints);
      for (int32_t j = debutsPieces[p]; j < debutsPieces[p + 1]; j++)
        if ((*TabCorps)[j].points) (*TabCorps)[j].xPoints = xMax;
    }
    for (bool bouge = true; bouge;) {
      bouge = false;
      for (int32_t a = 0; a < nbCorps; a++) {
        CorpsEntry& ca = (*TabCorps)[a];
        if (ca.pointDeplace || !ca.points) continue;
        for (int32_t b = 0; b < nbCorps; b++) {
          const CorpsEntry& cb = (*TabCorps)[b];
          if (a == b || !cb.points) continue;
          if (std::fabs(ca.x - cb.x) < 2.0f * il && ca.y >= cb.y &&
              std::fabs(cb.yPoints - ca.yPoints) < il * 2.0f / 3.0f) {
            ca.yPoints += il;
            ca.pointDeplace = 1;
            bouge = true;
            break;
          }
        }
      }
    }
  }
  // Accidentals in columns from the leftmost head.
  if (nbCorps > 0) {
    float gauche = (*TabCorps)[0].x;
    for (int32_t j = 0; j < nbCorps; j++) gauche = std::min(gauche, (*TabCorps)[j].x);
    std::vector<PosAlteration> pos(static_cast<size_t>(nbCorps));
    for (int32_t j = 0; j < nbCorps; j++) {
      const CorpsEntry& c = (*TabCorps)[j];
      pos[size_t(j)] = c.alteration == kAlterationAucune ? PosAlteration{kAlterationPlacee, kAlterationPlacee}
                                                         : PosAlteration{c.xAlteration + gauche - c.x, c.yAlteration};
    }
    EviteChevauchementTableauPosAlteration(pos.data(), nbCorps, il);
    for (int32_t j = 0; j < nbCorps; j++)
      if ((*TabCorps)[j].alteration != kAlterationAucune) (*TabCorps)[j].xAlteration = pos[size_t(j)].x;
  }
  // Dots and accidentals drawn.
  if (drawFlag) {
    for (int32_t j = 0; j < nbCorps; j++) {
      const CorpsEntry c = (*TabCorps)[j];
      SetForeColorSigne(staff, int16_t(c.couleur));
      const int16_t taille = S16(int32_t(Unite(staff)) * c.taille / 100);
      if (c.points) {
        if (GModeGraphique.slot[10] != 100 && GModeGraphique.slot[10] > 0)
          TextFontMusicale(staff, S16(int32_t(taille) * GModeGraphique.slot[10] / 100));
        else TextFontMusicale(staff, taille);
        MoveTo(S16(int32_t(c.xPoints)), S16(int32_t(c.yPoints) + Zoom(GModeGraphique.slot[9]) / 6));
        for (int n = 0; n < c.points; n++) {
          DrawCharMusical(46);
          Move(S16(Zoom(GModeGraphique.slot[7]) / 6), 0);
        }
      }
      if (c.alteration != kAlterationAucune) {
        TextFontMusicale(staff, taille);
        static const uint8_t glyphes[6] = {110, 35, 0, 98, 220, 186};
        const uint8_t g = glyphes[std::min<uint8_t>(c.alteration, 5)];
        const float uu = ((*staff)->echelleSymboles > 0.0f ? (*staff)->echelleSymboles : 6.0f) / 6.0f;
        auto z = [](float v) { return S16(Zoom(int32_t(v))); };
        // The accidental (with its parentheses) ends at its column, left of the heads.
        int32_t largeur = CharWidthCaractereMusical(g) + Zoom(1);
        if (c.parentheses) largeur += CharWidthCaractereMusical(41);
        MoveTo(S16(int32_t(c.xAlteration) - c.decalageAlteration - largeur), S16(int32_t(c.yAlteration)));
        if (c.parentheses) {
          Move(z(-8 * uu), z(6 * uu));
          DrawCharMusical(40);
          Move(0, z(-6 * uu));
        }
        if (c.alteration == 5) Move(S16(-Zoom(int32_t(uu))), 0);
        DrawCharMusical(g);
        if (c.parentheses) {
          Move(0, z(6 * uu));
          DrawCharMusical(41);
        }
      }
    }
    TextFontMusicale(staff, Unite(staff));
    SetForeColorSigne(staff, (*staff)->couleur);
  }
  if (lienFinal) signs[count - 1].flags |= kSigneAccordSuite;
  return suite;
}
