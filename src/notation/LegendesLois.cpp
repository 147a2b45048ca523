#include "notation/LegendesLois.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "layout/ServicesMiseEnPage.h"
#include "model/CvtTemps.h"
#include "model/Lois.h"
#include "model/ParamEffet.h"
#include "model/Partition.h"
#include "model/Portee.h"
#include "model/QRVPOBJ.h"
#include "model/Ruban.h"
#include "model/Signe.h"
#include "model/TabEltMesure.h"
#include "notation/PlacementMarks.h"
#include "platform/QuickDraw.h"
#include "platform/TextDraw.h"
#include "system/BigRect.h"
#include "system/PortLayer.h"

namespace {

// Set on every note of a staff with laws while its legends are computed: a
// note still carrying it at the end shows no law and loses its legend marks.
constexpr uint16_t kSigneLegendePerimee = 0x0800;
constexpr uint8_t kMarkLegende = 100;
constexpr uint16_t kAucuneMesure = 0xFFFF;
// Past this many candidate places a legend stays beside its note.
constexpr int32_t kEssaisMax = 4096;

Signe* Notes(Portee** staff, int32_t* n) { return GetSignesPortee(staff, n); }

// The last legend mark of a note, or -1.
int32_t DerniereLegende(Portee** staff, int32_t index) {
  ParamEffet* e = GetParamEffetIndexNote(staff, index);
  if (!e || !e->marks) return -1;
  const int32_t nm = GetNbMarks(e->marks);
  const Mark* m = reinterpret_cast<const Mark*>(*e->marks);
  for (int32_t k = nm - 1; k >= 0; k--)
    if (m[k].code == kMarkLegende) return k;
  return -1;
}

void CopieNom(Mark* mark, const char* nom) {
  std::strncpy(mark->texte, nom, sizeof mark->texte - 1);
  mark->texte[sizeof mark->texte - 1] = 0;
}

// The bar table row of the score's screen mode, or null.
const TabEltMesure* Ligne(Partition** score, int32_t bar) {
  Handle t = GetTabEltMesureEcran(score);
  const int32_t n = t ? GetNbLignesTabElt(t) : 0;
  return (bar >= 0 && bar < n) ? GetLignesTabElt(t) + bar : nullptr;
}

// A new line of the view starts between bar `from` (excluded) and `to`.
bool SautEntre(Partition** score, int32_t from, int32_t to) {
  for (int32_t b = from + 1; b <= to; b++) {
    const TabEltMesure* r = Ligne(score, b);
    const TabEltMesure* avant = Ligne(score, b - 1);
    if ((r && r->debutSysteme) || (avant && avant->sautSysteme)) return true;
  }
  return false;
}

bool Chevauche(const BigRect& a, const BigRect& b) {
  return a.left <= b.right && b.left <= a.right && a.top < b.bottom && b.top < a.bottom;
}

}  // namespace

int CompareLegende(const Legende& a, const Legende& b) {
  if (!a.aPlacer && b.aPlacer) return -1;
  if (a.aPlacer && !b.aPlacer) return 1;
  if (a.x < b.x) return -1;
  if (a.x > b.x) return 1;
  if (a.y > b.y) return -1;
  if (a.y < b.y) return 1;
  return 0;
}

int16_t CalculeLegendesLoisPortee(Portee** staff) {
  if (!staff || !*staff || !(*staff)->partition) return 1;
  int32_t nbLois = 0;
  if (!GetLoisPortee(staff, &nbLois) || nbLois <= 0) return 1;
  Partition** score = (*staff)->partition;
  const int16_t premiere = CvtIndexPorteeEnIndexPorteeDebutFusion(score, (*staff)->index);
  const int16_t derniere = CvtIndexPorteeEnIndexPorteeFinFusion(score, premiere);

  CGrafPtr avant = SetPortTemporaire();
  // The preference text style of legends: the plug-in has none of its own,
  // so the system font at size 12 (a size 0 means 12).
  const int16_t taille = 12;
  TextFont(0);
  TextFace(0);
  TextSize(int16_t(std::clamp<int32_t>(ZoomRuban(score, taille), 1, 32767)));
  FontInfo fi{};
  GetFontInfo(&fi);
  const int32_t h = std::max<int32_t>(1, int32_t(fi.ascent) + fi.descent + fi.leading);

  // 1. Collection over the merged group.
  std::vector<Legende> legendes;
  for (int16_t si = premiere; si <= derniere && si < (*score)->nbPortees; si++) {
    Portee** s = (*score)->portees[si];
    if (!s || !*s) continue;
    int32_t nl = 0;
    if (!GetLoisPortee(s, &nl)) nl = 0;
    std::vector<uint32_t> derniereMesure(size_t(std::max(nl, 0)), kAucuneMesure);
    int32_t n = 0;
    for (int32_t i = 0; Notes(s, &n) && i < n; i++) {
      Signe* note = Notes(s, &n) + i;
      note->flags |= kSigneLegendePerimee;
      if (note->kind < 0 || nl <= 0) continue;
      const int32_t tick = CvtIndexNoteEnTemps(s, i);
      const Signe copie = *note;
      const int32_t loi = RechercheLoiSelonNote(s, 0, &copie, tick);
      Loi* lois = GetLoisPortee(s, &nl);
      if (loi < 0 || !lois || loi >= nl) continue;
      const int32_t mode = lois[loi].modeLegende;
      uint32_t& derniereB = derniereMesure[size_t(loi)];
      if (mode == 1) {
        if (derniereB != kAucuneMesure) continue;
        derniereB = 0;
      } else if (mode == 2) {
        const uint32_t b = uint32_t(CvtTempsEnMesure(score, tick));
        if (b == derniereB) continue;
        if (derniereB != kAucuneMesure && !SautEntre(score, int32_t(derniereB), int32_t(b))) continue;
        derniereB = b;
      } else if (mode != 3) {
        continue;
      }
      Legende e{};
      e.x = int32_t(int64_t((*s)->decalageNotationRuban) + CvtIndexNoteEnPixelRubanSelonSensCorps(s, i));
      e.y = CvtIndexNoteEnPosRubanLin(s, i);
      e.note = i;
      e.loi = int16_t(loi);
      e.portee = si;
      e.aPlacer = 1;
      const int32_t marque = DerniereLegende(s, i);
      if (marque >= 0) {
        // A legend already there keeps its place and takes the law's name.
        e.aPlacer = 0;
        Notes(s, &n)[i].flags &= uint16_t(~kSigneLegendePerimee);
        ParamEffet* pe = GetParamEffetIndexNote(s, i);
        Mark* m = reinterpret_cast<Mark*>(*pe->marks) + marque;
        CopieNom(m, GetLoisPortee(s, &nl)[loi].nom);
        int32_t mx = 0, my = 0;
        const Signe n2 = Notes(s, &n)[i];
        if (CalculePosEffet(false, s, &n2, i, marque, e.x, e.y, false, &mx, &my, n2.indexParamEffet)) {
          pe = GetParamEffetIndexNote(s, i);
          const Mark mk = reinterpret_cast<const Mark*>(*pe->marks)[marque];
          CalculeAireExacteMarkRuban(s, &mk, mx, my, &e.aire, pe);
          e.aire.top -= Zoom(8);
        }
      }
      legendes.push_back(e);
    }
  }

  // 2. Order, then places for the legends still to place.
  std::stable_sort(legendes.begin(), legendes.end(),
                   [](const Legende& a, const Legende& b) { return CompareLegende(a, b) < 0; });
  const Portee& p = **staff;
  const int32_t debut = p.aireRuban.top, fin = p.aireRuban.bottom;
  const float ecart = p.interligneRuban > 0.0f ? p.interligneRuban : 6.0f;
  const int32_t base = int32_t(int64_t(p.aireRuban.top) + p.decalageLigneBasRuban);
  const int32_t limite = int32_t(-0.5f * ecart + float(base) + (ecart * -4.0f - float(h)));
  const int32_t decalageX = p.decalageNotationRuban;
  for (size_t j = 0; j < legendes.size(); j++) {
    Legende& e = legendes[j];
    if (!e.aPlacer) continue;
    Portee** s = (*score)->portees[e.portee];
    int32_t nl = 0;
    const Loi* lois = GetLoisPortee(s, &nl);
    const char* nom = (lois && e.loi < nl) ? lois[e.loi].nom : "";
    const int32_t w = std::max<int32_t>(1, TextWidth(nom, 0, int16_t(std::min<size_t>(std::strlen(nom), 255))));
    int64_t x0 = decalageX / 2 + int64_t(e.x), y0 = debut;
    const int64_t xMax = int64_t(e.x) + Zoom(127);
    bool bas = true;
    bool place = false;
    for (int32_t essai = 0; essai < kEssaisMax && x0 < xMax; essai++) {
      const BigRect c{int32_t(y0), int32_t(x0), int32_t(y0 + h), int32_t(x0 + w)};
      bool libre = true;
      for (size_t k = 0; k < j && libre; k++)
        if (Chevauche(c, legendes[k].aire)) libre = false;
      if (libre) {
        e.aire = c;
        place = true;
        break;
      }
      if (bas) {
        y0 += h;
        if (y0 + h > limite) {
          bas = false;
          y0 = int64_t(fin) - h;
        }
      } else {
        y0 -= h;
        if (y0 < int64_t(base) + h) {
          x0 += w;
          bas = true;
          y0 = debut;
        }
      }
    }
    if (!place) e.aire = BigRect{e.y, e.x, int32_t(int64_t(e.y) + h), int32_t(std::min<int64_t>(x0 + w, INT32_MAX))};
  }

  // 3. The legend marks of the placed entries.
  for (const Legende& e : legendes) {
    if (!e.aPlacer) continue;
    Portee** s = (*score)->portees[e.portee];
    int32_t n = 0, nl = 0;
    Signe* notes = Notes(s, &n);
    const Loi* lois = GetLoisPortee(s, &nl);
    if (!notes || e.note >= n || !lois || e.loi >= nl) continue;
    const int32_t dx = std::clamp<int32_t>(DeZoomRuban(score, int32_t(int64_t(e.aire.left) - e.x)) + 8, -127, 127);
    const int32_t dy = std::clamp<int32_t>(DeZoomRuban(score, int32_t(int64_t(e.y) - e.aire.bottom)), -127, 127);
    notes[e.note].flags &= uint16_t(~kSigneLegendePerimee);
    char nom[256];
    std::memcpy(nom, lois[e.loi].nom, sizeof nom);
    nom[sizeof nom - 1] = 0;
    int32_t marque = DerniereLegende(s, e.note);
    const bool nouvelle = marque < 0;
    if (nouvelle) marque = AddMarkNote(s, e.note, kMarkLegende, 0, 240, 32);
    ParamEffet* pe = marque >= 0 ? GetParamEffetIndexNote(s, e.note) : nullptr;
    if (!pe || !pe->marks || marque >= GetNbMarks(pe->marks)) continue;
    Mark* m = reinterpret_cast<Mark*>(*pe->marks) + marque;
    CopieNom(m, nom);
    if (nouvelle) {
      m->police = 0;
      m->tailleTexte = 0;
      m->param2 = uint8_t(int8_t(dx));
      m->param3 = uint8_t(int8_t(dy));
    }
  }

  // 4. Notes that show no law lose their legends; the working bit goes.
  for (int16_t si = premiere; si <= derniere && si < (*score)->nbPortees; si++) {
    Portee** s = (*score)->portees[si];
    if (!s || !*s) continue;
    int32_t n = 0;
    for (int32_t i = 0; Notes(s, &n) && i < n; i++) {
      if (!(Notes(s, &n)[i].flags & kSigneLegendePerimee)) continue;
      const ParamEffet* pe = GetParamEffetIndexNote(s, i);
      for (int32_t k = (pe && pe->marks) ? GetNbMarks(pe->marks) - 1 : -1; k >= 0; k--) {
        pe = GetParamEffetIndexNote(s, i);
        if (pe && pe->marks && k < GetNbMarks(pe->marks) &&
            reinterpret_cast<const Mark*>(*pe->marks)[k].code == kMarkLegende)
          SupprimeOrnementNote(s, i, k);
      }
      Notes(s, &n)[i].flags &= uint16_t(~kSigneLegendePerimee);
    }
  }
  SetPort(reinterpret_cast<GrafPtr>(avant));
  return 1;
}

int16_t CalculeLegendesLoisPartition(Partition** score) {
  if (!score || !*score) return 1;
  UpdateTabEltMesure(score, kTabEltEspacement | kTabEltMarges | kTabEltTemps);
  for (int16_t i = 0; i < (*score)->nbPortees; i++)
    if ((*score)->portees && (*score)->portees[i]) CalculeLegendesLoisPortee((*score)->portees[i]);
  return 1;
}
