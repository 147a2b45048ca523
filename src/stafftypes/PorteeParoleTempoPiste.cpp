#include "stafftypes/PorteeParoleTempoPiste.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "layout/DonneesZorodava.h"
#include "layout/ServicesMiseEnPage.h"
#include "layout/Zoom.h"
#include "model/CourbeTempo.h"
#include "model/CvtTemps.h"
#include "model/Document.h"
#include "model/QRVPOBJ.h"
#include "model/QrvDynamics.h"
#include "model/Ruptures.h"
#include "model/TempsJoue.h"
#include "notation/BarresMesure.h"
#include "notation/TaillesPortee.h"
#include "platform/Memory.h"
#include "platform/TextDraw.h"
#include "plugin/ServicesInertes.h"
#include "stafftypes/PorteeKaraoke.h"
#include "system/Couleurs.h"
#include "system/PortLayer.h"
#include "system/Strings.h"
#include "text/Fontes.h"

#include "model/Partition.h"
#include "model/Portee.h"
#include "model/Signe.h"
#include "sound/DoubleBuffer.h"
#include "sound/Flux.h"
#include "sound/PisteNumerique.h"
#include "sound/SCvtdgit.h"

namespace {

int16_t S16(int64_t v) { return int16_t(std::clamp<int64_t>(v, -32767, 32767)); }

// Tempo marks of old documents start and end on whole sixteenth-note steps.
int32_t ArrondiPasTempo(int32_t tick) {
  constexpr int32_t kPas = 10080;
  return int32_t(int64_t(std::floor(double(tick) / kPas)) * kPas);
}

// 44100 Hz as a rate code (16.16).
constexpr uint32_t kCodeFrequence44100 = 0xAC440000u;

// Slot 0: the metrics, with a header of 59 points whatever the zoom.
void InitPorteeParoleMetriques(Portee** staff) {
  CGrafPtr avant = SetPortTemporaire();
  InitTaillePortee(staff);
  TextFontMusicale(staff, (*staff)->aspect.tailleUnite);
  (*staff)->largeurCle = 59;
  SetPort(avant);
}

void TraceFondParole(Portee** staff, const Rect* staffRect, int16_t, const Rect*, int32_t, uint8_t) {
  TraceFondLigneTextes(staff, staffRect);
}

int16_t NoteEnYParole(Portee**, int32_t, int32_t, const Signe*, uint8_t* flags) {
  if (flags) *flags = 0;
  return 0;
}

int16_t RubanEnNoteParole(Portee**, int32_t, int32_t, int16_t*) { return -2; }

// A lyrics staff draws no note: the walk goes on after the first one.
int32_t TraceNotesParole(Portee**, int16_t, uint16_t, Signe*, int32_t, int32_t first, int32_t, int16_t, int16_t,
                         uint8_t) {
  return first + 1;
}

void RienParole() {}

// Slot 8: a guide line at the bar line, the bar number, the text lines' bar
// lines, and the texts of the bar's plain bar lines.
int16_t TraceBarreMesureParole(Portee** staff, int16_t bar, int16_t x, int16_t, uint8_t drawLine, uint8_t) {
  if (!staff || !(*staff)->partition) return x;
  Partition** score = (*staff)->partition;
  if (!(*staff)->cacheBarresMesure) {
    bool trace = true;
    if ((*staff)->lignesTexte[0].guides) SetForeColor(33);
    else if (IsTraceReperes(score)) SetRGBForeColor(53248, 53248, 53248);
    else trace = false;
    if (trace) {
      MoveTo(x, (*staff)->rect.top);
      LineTo(x, (*staff)->rect.bottom);
      SetForeColor(1);
    }
  }
  if ((*staff)->flagNumeroMesure) AfficheNumeroMesure(staff, x, bar);
  if (drawLine) TraceBarreMesureLigneTextes(staff, x);
  if (IsPrintRupture(score, staff)) {
    for (int16_t i = RechercheRupture(score, 0, bar); i >= 0; i = RechercheRupture(score, int16_t(i + 1), bar)) {
      Rupture* r = GetRupture(score, i);
      if (!r || r->barre != 0) continue;
      Rect barre, texte;
      CalculeAiresEcranRelativesRupture(score, staff, r, &barre, &texte);
      MoveTo(S16(int32_t(texte.left) + x), S16(int32_t(texte.bottom) + (*staff)->yBas));
      AfficheTexteRupture(score, staff, r, (*staff)->aspect.tailleUnite, true, false);
    }
  }
  return x;
}

// ---- Digital track slots.

// Slot 0: the lyrics staff's metrics, then the track's stream is opened again.
void InitPistePortee(Portee** staff) {
  InitPorteeParoleMetriques(staff);
  if ((*staff)->flux) OpenFlux((*staff)->flux);
}

void TraceFondPiste(Portee**, const Rect*, int16_t, const Rect*, int32_t, uint8_t) {}

// A track draws its cells after the walk; it has no notes to step over.
int32_t TraceNotesPiste(Portee**, int16_t, uint16_t, Signe*, int32_t, int32_t, int32_t, int16_t, int16_t, uint8_t) {
  return 0;
}

int16_t TraceBarreMesurePiste(Portee** staff, int16_t bar, int16_t x, int16_t, uint8_t drawLine, uint8_t) {
  if (!staff) return x;
  if ((*staff)->flagNumeroMesure) AfficheNumeroMesure(staff, x, bar);
  if (drawLine) TraceBarreMesureLigneTextes(staff, x);
  return x;
}

constexpr uint16_t kGrisPiste = 57344;

void TexteC(const char* text) { DrawText(text, 0, int16_t(std::strlen(text))); }

}  // namespace

void TraceDataDansAire(const int32_t* samples, int32_t count, const Rect* rect) {
  PenSize(1, 1);
  if (!samples || count <= 0 || !rect || rect->right <= rect->left) return;
  const int32_t largeur = int32_t(rect->right) - rect->left;
  // Samples per column in 32 bits: a long bar in a narrow cell has more than
  // a 16-bit count can hold.
  const int32_t parColonne = count / largeur;
  const int32_t pas = parColonne / 100 + 1;
  const int32_t centre = rect->top + (int32_t(rect->bottom) - rect->top) / 2;
  const float echelle = float(int32_t(rect->bottom) - rect->top) / 2.0f / 2147483648.0f;
  int32_t debut = 0;
  for (int32_t x = rect->left; x < rect->right; x++) {
    int32_t haut = 0, bas = 0;
    const int32_t fin = std::min(count, debut + std::max(parColonne, 1));
    for (int32_t i = debut; i < fin; i += pas) {
      haut = std::max(haut, samples[i]);
      bas = std::min(bas, samples[i]);
    }
    MoveTo(int16_t(x), S16(int64_t(float(centre) - float(haut) * echelle)));
    LineTo(int16_t(x), S16(int64_t(float(centre) - float(bas) * echelle)));
    debut += parColonne;
  }
}

bool CalculeAireCelluleEcranPisteNumerique(Partition** score, Portee** staff, int32_t bar, int32_t pass, Rect* out,
                                           int32_t xOffset) {
  if (out) *out = Rect{};
  if (!score || !staff || !out) return false;
  const Portee& p = **staff;
  const int64_t gauche = int64_t(CvtMesureEnPixelEcran(score, bar)) + xOffset;
  const int64_t fin = int64_t(CvtMesureEnTemps(score, bar + 1)) - 2;
  const int64_t droite =
      int64_t(CvtTempsEnPixelEcran(score, int32_t(std::clamp<int64_t>(fin, INT32_MIN, INT32_MAX)))) + xOffset - 1;
  // The text lines keep their rows under the cells.
  int64_t h = int64_t(p.rect.bottom) - p.rect.top;
  if (p.ligneParolesAffichee) h -= Zoom(int32_t(p.lignesTexte[0].hauteurLigne) + 4);
  if (p.ligneAccordsAffichee) h -= Zoom(int32_t(p.lignesTexte[1].hauteurLigne) + 4);
  h = std::max<int64_t>(h, 4);
  // One row per pass; a damaged negative row count counts as none.
  if (p.lignesTexte[0].nbLignes > 0) h /= p.lignesTexte[0].nbLignes;
  const int64_t haut = int64_t(p.rect.top) + h * pass;
  *out = Rect{S16(haut), S16(gauche), S16(haut + h), S16(droite)};
  return true;
}

// The marker strips of a track, where its samples lie in their cells.
void AfficheMarqueursPisteNumeriques(Partition** score, Portee** staff) {
  Handle h = (*staff)->piste.marqueurs;
  if (!h) return;
  const int32_t n = std::min<int32_t>((*staff)->piste.nbMarqueurs, int32_t(GetHandleSize(h) / 4));
  Document* document = (*score)->document;
  const int32_t largeur = Zoom(4);
  for (int32_t i = 0; i < n; i++) {
    const int32_t position = reinterpret_cast<const int32_t*>(*h)[i];
    if (position < 0) continue;
    Rect cellule{};
    int32_t joue = 0;
    const int16_t x = CvtPosPisteNumeriqueEnPosEcr(document, staff, uint32_t(position), &cellule, &joue);
    if (EmptyRect(&cellule)) continue;
    const int32_t gauche = int32_t(cellule.left) + x;
    const Rect bande{cellule.top, S16(gauche), cellule.bottom, S16(int64_t(gauche) + largeur)};
    SetBackColor(205);
    EraseRect(&bande);
  }
  SetBackColor(30);
}

void AfficheDataMesurePisteNumerique(Partition** score, Portee** staff, int32_t bar, int32_t playedBar, int32_t row,
                                     int32_t xOffset) {
  Rect r;
  if (!CalculeAireCelluleEcranPisteNumerique(score, staff, bar, row, &r, xOffset)) return;
  const ReglagesPiste t = (*staff)->piste;
  if (t.reglage1) {
    if (t.reglage2) {
      SetForeColor(int16_t(t.reglage2));
      PaintRect(&r);
    }
    SetForeColor(int16_t(t.reglage3 ? t.reglage3 : 254));
    PenSizeZoom(1, 1, 72);
    FrameRect(&r);
  }
  if (r.right > r.left && t.reglage4) {
    int32_t count = 0;
    int32_t* samples = GetDataMesurePisteNumerique(score, staff, playedBar, &count);
    if (!samples) {
      Rect gris = r;
      InsetRect(&gris, 2, 2);
      SetRGBForeColor(kGrisPiste, kGrisPiste, kGrisPiste);
      PaintRect(&gris);
    } else {
      SetForeColor(int16_t(t.reglage5 ? t.reglage5 : 409));
      Handle colonnes = IsModeZorodava(score, nullptr) ? ZorodavaCalculeHandlePos(score, false, bar) : nullptr;
      const int32_t nb = colonnes ? int32_t(GetHandleSize(colonnes) / Size(sizeof(ZorodavaPos))) : 0;
      if (nb >= 2) {
        // Each stretch between two spacing columns takes the samples of its
        // share of the bar's time.
        const auto* c = reinterpret_cast<const ZorodavaPos*>(*colonnes);
        const int32_t largeur = int32_t(r.right) - r.left;
        const int32_t xDernier = int32_t(c[nb - 1].x);
        const int32_t duree = CvtMesureEnDureeMesure(score, bar);
        auto echantillon = [&](int32_t tick) {
          return duree > 0 ? std::clamp(LMulDiv(count, tick, duree), 0, count) : 0;
        };
        auto colonneX = [&](float x) {
          return xDernier > 0 ? std::clamp(LMulDiv(largeur, int32_t(x), xDernier), 0, largeur) : 0;
        };
        for (int32_t i = 0; i + 1 < nb; i++) {
          const int32_t s0 = echantillon(c[i].offset), s1 = echantillon(c[i + 1].offset);
          const Rect aire{r.top, S16(int32_t(r.left) + colonneX(c[i].x)), r.bottom,
                          S16(int32_t(r.left) + colonneX(c[i + 1].x))};
          if (s1 > s0) TraceDataDansAire(samples + s0, s1 - s0, &aire);
        }
      } else {
        TraceDataDansAire(samples, count, &r);
      }
      if (colonnes) DisposeHandle(colonnes);
      DisposePtr(reinterpret_cast<Ptr>(samples));
    }
  }
  char texte[64];
  if (t.reglage6) {
    SetTextStyleZoom(score, &t.style);
    const int64_t ms = int64_t(CvtMesureJoueeEnMs(score, playedBar)) + 5;
    std::snprintf(texte, sizeof texte, "%02ld:%02ld:%02ld", long(ms / 60000), long((ms / 1000) % 60),
                  long((ms / 10) % 100));
    MoveTo(S16(int64_t(r.left) + Zoom(2)), S16(int64_t(r.top) + Zoom(9)));
    TexteC(texte);
  }
  // The format is noted in the first bar of the screen, never on paper.
  if (bar == 0 && !IsModeImpressionPartition(score)) {
    const int32_t taille = std::min((int32_t(r.right) - r.left) / 8, (int32_t(r.bottom) - r.top) / 4);
    if (taille > 0) {
      TextFont(GetStdFont());
      TextFace(0);
      TextSize(S16(taille));
      SetRGBForeColor(kGrisPiste, kGrisPiste, kGrisPiste);
      std::snprintf(texte, sizeof texte, "%ldkHz/%ldb", long(GetSampleRatePisteNumerique(staff) / 1000),
                    long(GetNbBitsPisteNumerique(staff)));
      MoveTo(S16(int64_t(r.left) + 4), S16(int64_t(r.top) + taille + 4));
      TexteC(texte);
    }
  }
  SetForeColor(33);
}

void AffichePisteNumerique(Partition** score, Portee** staff, int32_t xOffset, int32_t startTick, int32_t endTick) {
  if (!score || !staff || (*staff)->type != kTypePorteePisteNumerique) return;
  const int32_t b0 = CvtTempsEnMesure(score, startTick), b1 = CvtTempsEnMesure(score, endTick);
  const bool table = (*score)->tabCvtMesure != nullptr;
  const int32_t n = GetNbMesuresJouees(score);
  for (int32_t b = b0; b <= b1; b++) {
    if (n > 0) {
      // One row per time the bar is played, in played order.
      int32_t rangee = 0;
      for (int32_t i = 0; i < n; i++)
        if (CalculeIndexMesureSelonRupture(score, i) == b)
          AfficheDataMesurePisteNumerique(score, staff, b, i, rangee++, xOffset);
      if (rangee == 0)
        AfficheDataMesurePisteNumerique(score, staff, b, b + (n - 1) - CalculeIndexMesureSelonRupture(score, n - 1), 0,
                                        xOffset);
    } else {
      AfficheDataMesurePisteNumerique(score, staff, b, table ? 0 : b, 0, xOffset);
    }
  }
  AfficheMarqueursPisteNumeriques(score, staff);
}

void InitPorteeParole(Portee** staff) {
  Portee* p = *staff;
  p->type = kTypePorteeParole;
  p->instrument = kInstrumentAucun;
  p->codeMiseEnPage1 = 1;
  p->codeMiseEnPage2 = 1;
  p->flagAffichage = 1;
  VecteursPortee& v = p->vecteurs;
  v = VecteursPortee{};
  v.vect_init_portee = &InitPorteeParoleMetriques;
  v.vect_trace_fond_portee = &TraceFondParole;
  v.vect_Note2Ecr = &NoteEnYParole;
  v.vect_Note2Ruban = &NoteEnYParole;
  v.vect_Ruban2Note = &RubanEnNoteParole;
  v.vect_trace_notes = &TraceNotesParole;
  v.vect_trace_barre_mesure = &TraceBarreMesureParole;
  v.vect_installe_menu = &RienParole;
  v.vect_traite_option_menu = &RienParole;
  // The lyrics line shows one row with its guides, and widens the bars to
  // its syllables.
  // Its line is shown; the texts' karaoke switch (and with it the singing
  // and the room under a staff) stays the document's.
  p->ligneParolesAffichee = 1;
  LigneTexte& l = p->lignesTexte[0];
  l.nbLignes = 1;
  l.guides = 1;
  l.echelleIdeale = 1;
  InitChantConfigPortee(staff);
  SetStyleCellulesKaraoke(staff, kLigneTexteParoles, 1);
  DisposeNotes(staff);
}

void InitPorteeTempo(Portee** staff) {
  Portee* p = *staff;
  p->type = kTypePorteeTempo;
  p->flagGrilleAccord = 0;
  p->instrument = kInstrumentAucun;
}

void InitPorteePisteNumerique(Portee** staff, uint32_t rateCode, int16_t bits) {
  Portee* p = *staff;
  p->type = kTypePorteePisteNumerique;
  p->instrument = kInstrumentPisteNumerique;
  p->codeMiseEnPage1 = 2;
  p->codeMiseEnPage2 = 1;
  p->flagAffichage = 1;
  VecteursPortee& v = p->vecteurs;
  v = VecteursPortee{};
  v.vect_init_portee = &InitPistePortee;
  v.vect_trace_fond_portee = &TraceFondPiste;
  v.vect_Note2Ecr = &NoteEnYParole;
  v.vect_Note2Ruban = &NoteEnYParole;
  v.vect_Ruban2Note = &RubanEnNoteParole;
  v.vect_trace_notes = &TraceNotesPiste;
  v.vect_trace_barre_mesure = &TraceBarreMesurePiste;
  v.vect_installe_menu = &RienParole;
  v.vect_traite_option_menu = &RienParole;
  // A new track records at the output's rate, never below 44100 Hz.
  if (!rateCode) rateCode = std::max<uint32_t>(GlobalDigitParam.frequence, kCodeFrequence44100);
  if (!bits) bits = GlobalDigitParam.bits;
  SetFormatPisteNumerique(staff, SampleRateToFrequency(rateCode), bits);
  p = *staff;
  p->volume = 127;
  p->pan = 64;
  if (!p->flux)
    p->flux =
        CreateFlux("FlxStaff", 0, kFluxMemoire, GetSampleRatePisteNumerique(staff), GetNbBitsPisteNumerique(staff));
  ReglagesPiste& t = p->piste;
  t.reglage1 = 1;  // cell frame
  t.reglage4 = 1;  // waveform
  t.reglage6 = 0;  // time labels
  t.style.font = GetStdFont();
  t.style.size = 9;
  t.style.color.green = 65535;
  p->debutLigne = 0;
}

float GetTempoFinPartition(Partition** score) {
  if (!score) return 0.0f;
  return float((*score)->tempo) + float((*score)->fractionTempo) / 65535.0f;
}

float CvtNoteEnTempo(const Signe* note) {
  if (!note) return 0.0f;
  return float(note->pourcentJoue) + float(note->decalageArpege) / 32000.0f;
}

void InjecteTempoDansNote(Signe* note, float tempo) {
  if (!note) return;
  // Held to what the two 16-bit fields can carry.
  if (!(tempo >= 0.0f)) tempo = 0.0f;
  if (tempo > 65535.0f) tempo = 65535.0f;
  note->pourcentJoue = uint16_t(tempo);
  note->decalageArpege = int16_t((tempo - float(note->pourcentJoue)) * 32000.0f);
}

float CvtOldHauteurTempoToNewTempo(const Signe* note) {
  if (!note || note->kind <= 0) return 25.0f;
  // Old tempo staves spread 25 quarters a minute and up over the pitches, by
  // a constant ratio per step.
  return 25.0f * std::pow(1.022248561f, float(note->kind - 1));
}

void SupprimeNotesPorteeTempoSousEvenements(Partition** score) {
  if (!score) return;
  Portee** tempo = LocalisePorteeTempo(score);
  if (!tempo) return;
  int32_t n = 0;
  Signe* s = GetSignesPortee(tempo, &n);
  for (int32_t i = 0; i < n; i++)
    if (s[i].velocity == 1) {
      s[i].kind = kSigneSilence;
      s[i].velocity = 64;
    }
  LibereTableauCvtSec(score);
  InvalideAirePistesNumeriques((*score)->document);
  // A tempo mark now carries the tempo of its stretch: the tempo staff's notes
  // under it give way, from the mark's step to its end's.
  for (int16_t k = 0; k < (*score)->nbPortees; k++) {
    Portee** staff = (*score)->portees[k];
    if (!staff || staff == tempo) continue;
    int32_t nd = 0;
    const Dynamique* d = GetDynamiquesPortee(staff, &nd);
    for (int32_t j = 0; j < nd && d; j++) {
      if (d[j].type != kDynTempo) continue;
      const int32_t i0 = CvtTempsEnIndexNote(tempo, ArrondiPasTempo(d[j].debut));
      const int32_t i1 = CvtTempsEnIndexNote(tempo, ArrondiPasTempo(d[j].fin));
      s = GetSignesPortee(tempo, &n);
      for (int32_t i = std::max(i0, 0); i < std::min(i1, n); i++)
        if (s[i].kind >= 0) s[i].kind = kSigneSilence;
      d = GetDynamiquesPortee(staff, &nd);
    }
  }
}
