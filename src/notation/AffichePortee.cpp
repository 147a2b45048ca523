#include "notation/AffichePortee.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "layout/ServicesMiseEnPage.h"
#include "model/Accords.h"
#include "model/CvtTemps.h"
#include "model/Document.h"
#include "model/Partition.h"
#include "model/Portee.h"
#include "model/QrvDynamics.h"
#include "model/QrvFXs.h"
#include "model/QrvLiaison.h"
#include "model/QrvText.h"
#include "model/Ruban.h"
#include "model/SGraphix.h"
#include "model/Signe.h"
#include "model/TabEltMesure.h"
#include "model/Tonalite.h"
#include "notation/BarresMesure.h"
#include "notation/DecalagesAccord.h"
#include "notation/FormesCorps.h"
#include "notation/NotesPortee.h"
#include "platform/Memory.h"
#include "platform/QuickDraw.h"
#include "stafftypes/DonneesTablature.h"
#include "stafftypes/ServicesTypesPortee.h"
#include "system/Couleurs.h"
#include "system/PortLayer.h"

bool PrepareDraw(Portee** staff, int32_t bar, bool clip, int32_t* xOffset) {
  if (xOffset) *xOffset = 0;
  Partition** score = staff && *staff ? (*staff)->partition : nullptr;
  Document* document = score ? (*score)->document : nullptr;
  if (!document) return false;
  if (GetModeEcran(score) == kModeEcranRuban) {
    if (xOffset) *xOffset = CvtPixelEnPosEcr(document, 0);
    if (clip) {
      Rect vue;
      CalculeAireSelonMode(document, 0, &vue);
      ClipRect(&vue);
    }
    return true;
  }
  UpdateTabEltMesure(score, kTabEltEspacement | kTabEltMarges);
  LocalisationPage lieu{};
  if (bar < 0 || bar >= (*score)->nbMesures ||
      !CvtTempsPorteeEnLocalisationPage(document, staff, CvtMesureEnTemps(score, bar), false, false, &lieu))
    return false;
  // The entry found may be the next staff's when this one is not in the
  // system: it is not placed on another staff's lines.
  if (lieu.entree < 0 || lieu.portee.indexPortee != uint16_t((*staff)->index)) return false;
  const int32_t nbPages = (*score)->pages ? GetHandleSize((*score)->pages) / int32_t(sizeof(Page)) : 0;
  if (lieu.page < 0 || lieu.page >= nbPages) return false;
  const Page& page = reinterpret_cast<const Page*>(*(*score)->pages)[lieu.page];
  const int32_t nbElements = page.systemes ? GetHandleSize(page.systemes) / int32_t(sizeof(Systeme)) : 0;
  if (!page.montree || lieu.element < 0 || lieu.element >= nbElements) return false;
  const Systeme systeme = reinterpret_cast<const Systeme*>(*page.systemes)[lieu.element];
  if (EmptyRect(&systeme.rectDessin)) return false;
  if (xOffset)
    *xOffset = int32_t(std::clamp<int64_t>(
        int64_t(systeme.rectDessin.left) -
            CalculeDebutVis(score, CvtMesureEnTemps(score, std::max<int32_t>(0, systeme.premiereMesure))),
        INT32_MIN, INT32_MAX));
  if (clip) ClipRect(&systeme.rectDessin);
  Portee& p = **staff;
  p.rect = lieu.portee.rectDessin;
  p.yHaut = p.yEcran = p.rect.top;
  p.yBas = p.rect.bottom;
  p.decalageLigneBas = int16_t(std::min<int32_t>(Zoom(lieu.portee.espaceB), INT16_MAX));
  if (Tablature** tab = GetTablature(staff))
    (*tab)->ligneBaseZoom = int16_t(std::min<int32_t>(Zoom(lieu.portee.espaceT), INT16_MAX));
  return true;
}

namespace {

// A bar's beats: its numerator, the beat in ticks and its grouping mask.
struct Temps {
  int32_t debut, duree, unite, numerateur;
  uint16_t masque[8];
};

Temps TempsMesure(Partition** score, int32_t bar) {
  DivisionTemporelle d;
  CvtMesureEnDivisionTemporelle(score, bar, &d);
  Temps t{CvtMesureEnTemps(score, bar),
          CvtMesureEnDureeMesure(score, bar),
          161280 / std::max<int16_t>(d.denominateur, 1),
          d.numerateur,
          {}};
  std::memcpy(t.masque, d.masqueAccroche, sizeof t.masque);
  return t;
}

// The group of the beat holding an offset: the boundaries crossed before it.
int32_t GroupeDansMesure(const Temps& t, int64_t offset) {
  const int64_t beats = std::min<int64_t>(t.numerateur, offset / t.unite);
  int32_t g = 0;
  for (int64_t k = 1; k <= beats; k++)
    if (GetBitMasqueAccroche(int32_t(k - 1), t.masque)) g++;
  return std::min(g, 127);
}

}  // namespace

int32_t CvtTempsEnNumGroupeAccroche(Partition** score, int32_t tick) {
  if (!score) return 0;
  const int32_t bar = CvtTempsEnMesure(score, tick);
  const Temps t = TempsMesure(score, bar);
  return bar * 128 + GroupeDansMesure(t, std::max<int64_t>(0, int64_t(tick) - t.debut));
}

int32_t CvtNumGroupeAccrocheEnTemps(Partition** score, int32_t number) {
  if (!score || number < 0) return 0;
  const int32_t bar = number / 128, g = number % 128;
  const Temps t = TempsMesure(score, bar);
  if (t.duree < 1) return t.debut;
  for (int64_t o = 0; o < t.duree; o += t.unite)
    if (GroupeDansMesure(t, o) >= g) return int32_t(t.debut + o);
  // A group past the bar's last starts with the next bar.
  return int32_t(int64_t(t.debut) + t.duree);
}

// ---- The staff drawing driver.

namespace {

int16_t S16(int64_t v) { return int16_t(std::clamp<int64_t>(v, INT16_MIN, INT16_MAX)); }

// A note of a staff that shows a tablature, written by the tablature's note
// slot at its x. Its offset in its bar is computed at every drawing (kept in
// the note): a page and the thumbnail are drawn at different resolutions.
void TraceNoteTablature(Portee** staff, int32_t i, int32_t tick, int32_t bar, int64_t dx) {
  Tablature** tab = GetTablature(staff);
  Partition** score = (*staff)->partition;
  if (!tab || !score || !(*tab)->vecteurs.TraceNote) return;
  const int64_t debut = CvtMesureEnPixelEcranDebutMesure(score, bar);
  const int64_t x = int64_t(CvtTempsEnPixelEcran(score, tick)) + CalculeDecalageCorpsAccord(nullptr, staff, i) - debut;
  int32_t n = 0;
  Signe* s = GetSignesPortee(staff, &n);
  if (!s || i >= n) return;
  s[i].xRelatifMesure = int16_t(std::clamp<int64_t>(x, -32000, 32000));
  const Signe note = s[i];
  (*tab)->vecteurs.TraceNote(staff, S16(note.xRelatifMesure + debut + dx), S16(debut + dx), i, &note,
                             note.indexParamEffet);
}

// The bar table rows, read by index and guarded by the row count.
struct Lignes {
  Handle table;
  int32_t n;
  const TabEltMesure* Row(int32_t bar) const {
    if (!table || bar < 0 || bar >= n) return nullptr;
    return GetLignesTabElt(table) + bar;
  }
  uint32_t Groupe(int32_t bar) const {
    const TabEltMesure* r = Row(bar);
    return r ? r->motPagination : 0u;
  }
};

// A note that still shows at barTick: it sounds then, or a tie, slur or beam
// carries it on past it.
bool SonneOuLie(Portee** staff, const Signe* s, int32_t n, int32_t i, int64_t tick, int32_t barTick) {
  if (tick + s[i].duree > barTick) return true;
  Portee** other = nullptr;
  const uint32_t id = GetLiaisonSourceNote(staff, i, &other, 0);
  if (id) {
    Portee** dest = other ? other : staff;
    const int32_t d = LocIdLiaisonDest(dest, id, staff, 0);
    int32_t nd = 0;
    const Signe* sd = d >= 0 ? GetSignesPortee(dest, &nd) : nullptr;
    if (sd && d < nd && int64_t(CvtIndexNoteEnTemps(dest, d)) + sd[d].duree > barTick) return true;
  } else if ((s[i].flags & kSigneAccroche) && i + 1 < n) {
    if (int64_t(CvtIndexNoteEnTemps(staff, i + 1)) + s[i + 1].duree > barTick) return true;
  }
  other = nullptr;
  const uint32_t lien = GetLiaisonSourceNote(staff, i, &other, 1);
  if (lien) {
    Portee** dest = other ? other : staff;
    const int32_t d = LocIdLiaisonDest(dest, lien, staff, 1);
    if (d >= 0 && CvtIndexNoteEnTemps(dest, d) >= barTick) return true;
  }
  return false;
}

// The closing pass of a bar line (step 12 and the bars crossed).
void BarreMesure(Portee** staff, int16_t bar, int16_t x, int16_t clipTop, uint16_t plainBar, uint8_t* flag,
                 uint8_t option) {
  VectTraceBarreMesure slot = (*staff)->vecteurs.vect_trace_barre_mesure;
  if (slot) slot(staff, bar, x, clipTop, uint16_t(bar) == plainBar ? 0 : *flag, option);
  *flag = 1;
}

}  // namespace

int16_t AffichePorteeBrut(Portee** staff, const Rect* area, int32_t startTick, int32_t endTick, uint16_t plainBar,
                          uint8_t armatureFlag, uint8_t firstBarFlag, uint8_t withHeader, uint8_t notesOnly,
                          uint8_t barOption) {
  if (!staff || !*staff) return 0;
  Partition** score = (*staff)->partition;
  if (!score) return (*staff)->hauteurEcran;
  Document* document = (*score)->document;
  SetCurrentModeGraphique(score);
  UpdateTabEltMesure(score, kTabEltEspacement | kTabEltMarges | kTabEltTemps);
  Lignes lignes{GetTabEltMesureEcran(score), 0};
  lignes.n = GetNbLignesTabElt(lignes.table);
  Rect zone = area ? *area : (*staff)->rect;
  Rect staffRect = (*staff)->rect;
  const int16_t nbMesures = (*score)->nbMesures;

  // Hidden bars are cut out of the clip for the background and header.
  const int16_t firstBar = CvtTempsEnMesure(score, startTick);
  const int16_t endBar = CvtTempsEnMesure(score, endTick);
  RgnHandle clipCache = nullptr;
  for (int32_t b = firstBar; b < endBar; b++) {
    if (CvtMesureEnFondVisible(staff, int16_t(b))) continue;
    if (!clipCache) {
      clipCache = NewRgn();
      GetClip(clipCache);
    }
    const Portee& p = **staff;
    BigRect ruban{p.aireRuban.top, CvtMesureEnPixelRubanDebutMesure(score, b), p.aireRuban.bottom,
                  CvtMesureEnPixelRubanDebutMesure(score, b + 1) + 1};
    Rect r;
    CvtAireRubanEnAireEcran(document, &ruban, &r);
    if (b == firstBar) r.left = zone.left;
    if (b == endBar - 1) r.right = S16(int32_t(zone.right) + 1);
    RgnHandle rg = NewRgn(), clip = NewRgn();
    RectRgn(rg, &r);
    GetClip(clip);
    DiffRgn(clip, rg, clip);
    SetClip(clip);
    DisposeRgn(rg);
    DisposeRgn(clip);
  }

  // Background and header.
  const int16_t largeurEntete = (*score)->largeurEntete;
  const int16_t headerEndX = withHeader ? S16(int32_t(staffRect.left) + largeurEntete) : staffRect.left;
  if (!notesOnly) {
    VectTraceFondPortee fond = (*staff)->vecteurs.vect_trace_fond_portee;
    if (!withHeader) {
      if (fond) fond(staff, &staffRect, staffRect.left, &zone, startTick, 0);
    } else {
      const Rect headerRect{staffRect.top, staffRect.left, staffRect.bottom, headerEndX};
      Rect inter;
      const bool visible = SectRect(&headerRect, &zone, &inter);
      if (startTick < 1) {
        Rect r = staffRect;
        r.left = S16(int32_t(r.left) + largeurEntete);
        if (fond) fond(staff, &r, r.left, &zone, startTick, 1);
        // SEAM(layout): the staff name in the line header is drawn with the
        // staff-name areas.
      } else {
        if (fond) fond(staff, &staffRect, headerEndX, &zone, startTick, 0);
        if (visible) {
          if (VectTraceArmature armature = (*staff)->vecteurs.vect_trace_armature) {
            SetForeColor(250);
            armature(staff, &staffRect, &zone, startTick - 2, armatureFlag);
          }
          staffRect.left = headerEndX;
          // SEAM(layout): the staff name in the line header is drawn with the
          // staff-name areas.
        }
      }
    }
  } else if (withHeader && startTick > 0) {
    staffRect.left = headerEndX;
  }
  if (clipCache) {
    SetClip(clipCache);
    DisposeRgn(clipCache);
  }

  Rect clipRect{zone.top, staffRect.left, zone.bottom, staffRect.right};
  RgnHandle clipAvant = AddRectAuClip(&clipRect);
  Rect c;
  if (!SectRect(&clipRect, &zone, &c)) c = Rect{clipRect.top, clipRect.left, clipRect.top, clipRect.left};
  clipRect = c;

  const int32_t visX = CalculeDebutVis(score, startTick);
  int32_t bar = firstBar;
  const int32_t barTick = CvtMesureEnTemps(score, bar);
  const int32_t lastTick =
      CvtMesureEnTemps(score,
                       CvtTempsEnMesure(score, int32_t(std::max<int64_t>(INT32_MIN, int64_t(endTick) - 3))) + 1) -
      1;
  const int64_t dx = int64_t(headerEndX) - visX;
  // A tablature under the staff is fingered before it is drawn.
  if (Tablature** tab = GetTablature(staff);
      tab && IsNecessaireCalculTablature(staff) && (*tab)->vecteurs.CalculeTablature)
    (*tab)->vecteurs.CalculeTablature(staff);

  AfficheGraphiquesPortee(staff, &clipRect, visX, barTick, lastTick);
  AfficheDynamiquesPortee(staff, &clipRect, visX, barTick, lastTick);
  // SEAM(notation): the objects of the current view are drawn with the view objects.
  AfficheFXsPortee(staff, &clipRect, visX, barTick, lastTick);
  if ((*staff)->ligneParolesAffichee || (*staff)->ligneAccordsAffichee) TraceFondLigneTextes(staff, &staffRect);
  AfficheLignesPartRuptures(staff, &clipRect, visX,
                            IsModePagePartition(score) || IsModeImpressionPartition(score) ? 0 : largeurEntete, barTick,
                            lastTick);
  // The guide line under the staff belongs to the editor's guide-mark
  // preference, which this system does not have: it is never drawn.

  int64_t x = int64_t(CvtMesureEnPixelEcranDebutMesure(score, bar)) + dx;
  if (bar == 0 && (*score)->ambitus) {
    if (!notesOnly) TraceAmbitus(score, staff, S16(x + Zoom(kAmbitusLargeur) / 2));
    x += Zoom(kAmbitusLargeur);
  }
  const int16_t clipTop = clipRect.top;
  uint8_t flag = firstBarFlag;
  if (!notesOnly && (x >= 0 || x + CvtMesureEnTaillePixelEcran(score, bar) >= 0)) {
    TraceLimitePage(document, staff, bar, int32_t(x));
    BarreMesure(staff, int16_t(bar), S16(x), clipTop, plainBar, &flag, barOption);
  }
  // An accordion tablature queues its notes during the walk and writes each
  // column's buttons together once the walk is over.
  InitDisplayTablatureAccordeon();

  // The note groups. `passee` is the last bar whose pass the walk made.
  int32_t passee = INT32_MIN;
  if (int64_t(lastTick) + 1 >= 2) {
    int64_t tick = 0;
    int32_t index = 0;
    bool fini = false;
    while (!fini && tick < lastTick) {
      int32_t n = 0;
      Signe* s = GetSignesPortee(staff, &n);
      if (!s) break;
      while (index < n && !SonneOuLie(staff, s, n, index, tick, barTick)) {
        if (!(s[index].flags & kSigneAccordSuite)) tick += s[index].duree;
        index++;
        s = GetSignesPortee(staff, &n);
        if (tick >= lastTick) break;
      }
      if (index >= n || tick >= lastTick) break;
      bar = CvtTempsEnMesure(score, int32_t(tick));
      int32_t barLength = CvtMesureEnDureeMesure(score, bar);
      int64_t tickInBar = tick - CvtMesureEnTemps(score, bar);
      const int64_t barX = int64_t(CvtMesureEnPixelEcranDebutMesure(score, bar)) + dx;
      int64_t noteX;
      const TabEltMesure* row = lignes.Row(bar);
      if (IsModeZorodava(score, staff) && row) {
        noteX = barX + CalculeMargeDebutMesureEcran(score, bar);
        if (row->echelleZorodava > 0)
          noteX += int64_t(float(CvtMesureEnTailleUtileMesureEcran(score, bar)) * float(s[index].posZorodava) /
                           float(row->echelleZorodava));
      } else {
        noteX = int64_t(CvtTempsEnPixelEcran(score, int32_t(tick))) + dx;
      }
      if (index == n - 1) s[index].flags &= uint16_t(~kSigneAccordSuite);
      int32_t next = index + 1;
      if (bar < lignes.n && lignes.Groupe(bar) == 0) {
        if (VectTraceNotes notes = (*staff)->vecteurs.vect_trace_notes)
          next = notes(staff, S16(noteX), uint16_t(S16(barX)), s, int32_t(tick), index, n, int16_t(bar),
                       s[index].indexParamEffet, 0);
      }
      // A walk always moves on.
      if (next <= index) next = index + 1;
      s = GetSignesPortee(staff, &n);
      if (next > n) next = n;
      AfficheQueuesTablature(staff, S16(noteX), uint16_t(S16(barX)), s, index, n, int16_t(bar), 0);
      s = GetSignesPortee(staff, &n);
      if (next > n) next = n;
      const bool tablature = IsTablatureVisible(staff);
      for (int32_t i = index; i < next && s; i++) {
        if (tablature) TraceNoteTablature(staff, i, int32_t(tick), bar, dx);
        s = GetSignesPortee(staff, &n);
        if (!s || i >= n) break;
        if (s[i].flags & kSigneAccordSuite) continue;
        tick += s[i].duree;
        tickInBar += s[i].duree;
        while (barLength > 0 && tickInBar >= barLength) {
          tickInBar -= barLength;
          bar++;
          if (!notesOnly) {
            const int64_t xb = dx - CalculeMargeDebutMesureEcran(score, bar) + CvtMesureEnPixelEcran(score, bar);
            if (xb >= 0) {
              TraceLimitePage(document, staff, bar, int32_t(xb));
              const int32_t rb = std::clamp<int32_t>(bar, 0, std::max(0, lignes.n - 1));
              if (lignes.Groupe(rb) != 1) {
                BarreMesure(staff, int16_t(bar), S16(xb), clipTop, plainBar, &flag, barOption);
                passee = bar;
              }
            }
          }
          barLength = CvtMesureEnDureeMesure(score, bar);
        }
        s = GetSignesPortee(staff, &n);
      }
      index = next;
      if (index >= n) fini = true;
    }
  }
  EndDisplayTablatureAccordeon(staff, -1, nullptr, 1);
  // SEAM(stafftypes): digital tracks are drawn with the track staff type.

  // Closing bar lines up to the right edge.
  {
    int64_t xb = int64_t(CvtMesureEnPixelEcranDebutMesure(score, bar)) - visX + headerEndX;
    if (bar == 0 && (*score)->ambitus) xb += Zoom(kAmbitusLargeur);
    auto collapsed = [&](int32_t b) { return lignes.Groupe(b) == 1; };
    int32_t b = bar;
    while (xb < clipRect.right) {
      bool traite;
      if (b >= nbMesures) traite = true;
      else traite = !notesOnly && xb >= 0 && b >= 0 && !(collapsed(b) && (b == 0 || collapsed(b - 1)));
      // The bar the walk ended on had its pass already.
      if (traite && b != passee) {
        TraceLimitePage(document, staff, b, int32_t(xb));
        const TabEltMesure* row = lignes.Row(b);
        const bool debutSysteme = row && row->debutSysteme;
        if (b < nbMesures && !debutSysteme)
          BarreMesure(staff, int16_t(b), S16(xb), clipTop, plainBar, &flag, barOption);
        else if (b > 0 && CvtMesureEnFondVisible(staff, int16_t(b - 1)))
          BarreMesure(staff, int16_t(b), S16(xb), clipTop, plainBar, &flag, barOption);
        flag = 1;
      }
      const int16_t w = CvtMesureEnTaillePixelEcran(score, b);
      // A bar without width ends the walk.
      if (w <= 0) break;
      xb += w;
      b++;
    }
    bool fin;
    if (b > nbMesures) fin = true;
    else fin = !notesOnly && xb >= 0 && b >= 0 && ((b >= 1 && !collapsed(b - 1)) || (b < nbMesures && !collapsed(b)));
    if (fin && xb < INT16_MAX) {
      TraceLimitePage(document, staff, b, int32_t(xb));
      BarreMesure(staff, int16_t(b), S16(xb), clipTop, plainBar, &flag, barOption);
    }
  }

  CalculeAccordsPortee(score, staff);
  AfficheTextesPortee(staff, &clipRect, visX, barTick, lastTick, true);
  AfficheTextesPortee(staff, &clipRect, visX, barTick, lastTick, false);
  // SEAM(notation): chord diagrams placed on the staff are drawn with the
  // diagram drawing.
  ForeColor(blackColor);
  RestaureClip(clipAvant);
  return (*staff)->hauteurEcran;
}

int16_t AfficheNotesPortee(Portee** staff, const Rect* area, int32_t startTick, int32_t endTick, uint16_t plainBar,
                           uint8_t armatureFlag, uint8_t firstBarFlag, uint8_t withHeader) {
  return AffichePorteeBrut(staff, area, startTick, endTick, plainBar, armatureFlag, firstBarFlag, withHeader, 1, 0);
}

namespace {
int32_t TraceNotesVide(Portee**, int16_t, uint16_t, Signe*, int32_t, int32_t first, int32_t, int16_t, int16_t,
                       uint8_t) {
  return first + 1;
}
void TraceNoteTablatureVide(Portee**, int16_t, int16_t, int32_t, const Signe*, int16_t) {}
}  // namespace

int16_t AffichePorteeSansNotes(Portee** staff, const Rect* area, int32_t startTick, int32_t endTick, uint16_t plainBar,
                               uint8_t armatureFlag, uint8_t firstBarFlag, uint8_t withHeader, uint8_t barOption) {
  if (!staff || !*staff) return 0;
  const VectTraceNotes garde = (*staff)->vecteurs.vect_trace_notes;
  (*staff)->vecteurs.vect_trace_notes = &TraceNotesVide;
  Tablature** tab = GetTablature(staff);
  void (*noteTablature)(Portee**, int16_t, int16_t, int32_t, const Signe*, int16_t) = nullptr;
  if (tab) {
    noteTablature = (*tab)->vecteurs.TraceNote;
    (*tab)->vecteurs.TraceNote = &TraceNoteTablatureVide;
  }
  const int16_t h = AffichePorteeBrut(staff, area, startTick, endTick, plainBar, armatureFlag, firstBarFlag, withHeader,
                                      0, barOption);
  (*staff)->vecteurs.vect_trace_notes = garde;
  if (tab) (*tab)->vecteurs.TraceNote = noteTablature;
  return h;
}
