#include "sound/OrganeDigit.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "model/Partition.h"
#include "model/Portee.h"
#include "platform/Memory.h"
#include "plugin/ServicesInertes.h"
#include "sound/BaseSons.h"
#include "sound/CommandesFX.h"
#include "sound/DoubleBuffer.h"
#include "sound/FiltresVelocite.h"
#include "sound/Flux.h"
#include "sound/Lecture.h"
#include "sound/ParamFX.h"
#include "sound/SCvtdgit.h"
#include "sound/SINSTRUM.h"
#include "system/Handles.h"
#include "system/Reporters.h"

VoixDigit* TabVoixDigit = nullptr;
int16_t NbVoixDigitAllouees = 0;
bool OverlowDigitalVoices = false;
int32_t* TabIncrementDigit = nullptr;
float TabComma[kNbIncrements] = {};
int32_t lastMasterTune = 0;

namespace {

// A note's attack, and its release without and with the pedal down.
constexpr int32_t kAttaqueMs = 1;
constexpr int32_t kRelacheMs = 100;
constexpr int32_t kRelachePedaleMs = 1000;
constexpr int32_t kFacteurNiveauUnite = 8192;

void CalculeTabComma() {
  // 2^(c / 1200) at every hundredth of a semitone that falls on a 1/256 step,
  // straight lines between them.
  int32_t precedent = 0;
  TabComma[0] = 1.0f;
  for (int32_t c = 1; c <= 100; c++) {
    const int32_t i = c * 256 / 100;
    TabComma[i] = float(std::pow(2.0, c / 1200.0));
    for (int32_t k = precedent + 1; k < i; k++)
      TabComma[k] =
          TabComma[precedent] + (TabComma[i] - TabComma[precedent]) * float(k - precedent) / float(i - precedent);
    precedent = i;
  }
}

// The voice's sound for a pitch and velocity: the slot whose key lies
// nearest (the first of equal ones), and the velocity copy when there is one.
Handle ChoisitSon(const Instrument* r, int16_t pitch, int16_t velocity, int* slot) {
  int meilleur = -1, ecart = 0;
  for (int i = 0; i < kNbSonsInstrument; i++) {
    Handle h = r->sampleHandles[kSonsConvertis][i];
    if (!h || GetHandleSize(h) < kSurplusDigit) continue;
    const int e = std::abs(int(GetEnteteDigit(h).byteA) - pitch);
    if (meilleur < 0 || e < ecart) {
      meilleur = i;
      ecart = e;
    }
  }
  *slot = meilleur;
  if (meilleur < 0) return nullptr;
  if (r->jeu.filtrageVelocite && r->jeu.etat.cacheVelocite) {
    Handle copie = r->sampleHandles[velocity < 64 ? kSonsVelociteDouce : kSonsVelociteForte][meilleur];
    if (copie) return copie;
  }
  return r->sampleHandles[kSonsConvertis][meilleur];
}

uint32_t NbEchantillons(Handle h) {
  if (!h || GetHandleSize(h) < kSurplusDigit) return 0;
  return uint32_t(std::min<int64_t>(GetEnteteDigit(h).count, (GetHandleSize(h) - kSurplusDigit) / 2));
}

void LibereVoix(VoixDigit* v) { *v = VoixDigit{}; }

// The pitch of a voice after its slide and its vibrato.
void MetAJourIncrement(VoixDigit* v) {
  double demiTons = 0;
  if (v->glissade.nbMots > 0) demiTons += v->glissade.niveau / 256.0;
  if (v->profondeurVibrato != 0 && v->vibrato.nbMots > 0) {
    demiTons += v->profondeurVibrato / 100.0 * (v->vibrato.niveau / double(kNiveauMax)) * std::sin(v->phaseVibrato);
    v->phaseVibrato += 2.0 * M_PI * (v->vitesseVibrato / 100.0) / kPasEnveloppeParSeconde;
    if (v->phaseVibrato > 2.0 * M_PI) v->phaseVibrato -= 2.0 * M_PI;
  }
  v->incrementCourant =
      demiTons == 0 ? v->increment : int32_t(std::clamp(v->increment * std::pow(2.0, demiTons / 12.0), 0.0, 2.0e9));
}

void AvanceEnveloppes(VoixDigit* v) {
  AvanceEnveloppe(&v->volume);
  AvanceEnveloppe(&v->glissade);
  AvanceEnveloppe(&v->vibrato);
  MetAJourIncrement(v);
}

// Converts the stored sounds that have no 16-bit copy yet.
bool ConvertitSons(Instrument* r) {
  for (int i = 0; i < kNbSonsInstrument; i++) {
    Handle stocke = r->sampleHandles[kSonsStockes][i];
    if (!stocke || r->sampleHandles[kSonsConvertis][i]) continue;
    const EnteteDigit e = GetEnteteDigit(stocke);
    Handle c = CvtBuffDigit(stocke, 16, e.rate, 0);
    if (!c) return false;
    r->sampleHandles[kSonsConvertis][i] = c;
  }
  return true;
}

void LibereCopiesJeu(Instrument* r) {
  for (int t = kSonsConvertis; t < kNbTableauxSons; t++)
    for (Handle& h : r->sampleHandles[t]) LibereHandle(&h);
  r->jeu.etat.cacheVelocite = 0;
}

void FixeSlots(Organe* o, OrganeNewProc nouveau, OrganeEnvoieProc envoie, OrganeArreteProc arrete,
               OrganeAcquitProc acquit, OrganeDeleteProc supprime, OrganeMenuProc menu, OrganeMenuProc option) {
  o->newOrgane = reinterpret_cast<VectOrganeProc>(nouveau);
  o->envoieNotes = reinterpret_cast<VectOrganeProc>(envoie);
  o->arreteNotes = reinterpret_cast<VectOrganeProc>(arrete);
  o->acquitement = reinterpret_cast<VectOrganeProc>(acquit);
  o->deleteOrgane = reinterpret_cast<VectOrganeProc>(supprime);
  o->reserve = nullptr;
  o->vect_installe_menu = reinterpret_cast<VectOrganeProc>(menu);
  o->vect_traite_option_menu = reinterpret_cast<VectOrganeProc>(option);
}

// The tempo device and the menu hooks: nothing to do.
int16_t newOTempo(Portee**, AireOrgane*) { return 1; }
void envoieNotesTempo(Portee**, AireOrgane*, const NoteJouee*, int16_t) {}
void arreteNotesTempo(Portee**, AireOrgane*, const NoteJouee*, int32_t, int16_t) {}
int16_t deleteOTempo(Portee**, AireOrgane*) { return 1; }
void vect_installe_menu(Portee**, AireOrgane*) {}
void vect_traite_option_menu(Portee**, AireOrgane*) {}

// The held notes of a device area: a note goes in when it starts and out at
// its note-off.
void AjouteNoteTenue(AireOrgane* aire, const NoteJouee& note) {
  if (!aire->notesTenues) aire->notesTenues = NewHandle(0);
  if (!aire->notesTenues) return;
  const int32_t n = aire->nbNotesTenues;
  if (n >= INT16_MAX || !RetailleHandle(aire->notesTenues, Size(n + 1) * Size(sizeof(NoteJouee)))) return;
  reinterpret_cast<NoteJouee*>(*aire->notesTenues)[n] = note;
  aire->nbNotesTenues = int16_t(n + 1);
}

void RetireNoteTenue(AireOrgane* aire, const NoteJouee& note) {
  if (!aire->notesTenues) return;
  auto* t = reinterpret_cast<NoteJouee*>(*aire->notesTenues);
  const int32_t n =
      std::min<int32_t>(aire->nbNotesTenues, int32_t(GetHandleSize(aire->notesTenues) / Size(sizeof(NoteJouee))));
  for (int32_t i = 0; i < n; i++)
    if (t[i].hauteur == note.hauteur && t[i].valeur == note.valeur) {
      std::memmove(&t[i], &t[i + 1], size_t(n - i - 1) * sizeof(NoteJouee));
      aire->nbNotesTenues = int16_t(n - 1);
      return;
    }
}

}  // namespace

bool CalculeTabIncrementDigit(int32_t T) {
  if (TabIncrementDigit && T == lastMasterTune) return true;
  if (!TabIncrementDigit) {
    TabIncrementDigit = reinterpret_cast<int32_t*>(NewPtrClear(Size(kNbIncrements * sizeof(int32_t))));
    if (!TabIncrementDigit) return false;
  }
  // T x 65536 / 4400 x 2^(k / 12) for the twelve semitones, doubled per
  // octave above and halved per octave below; multiplied out first so that
  // 4400 gives exactly 65536 at offset 0.
  for (int32_t n = -128; n <= 128; n++) {
    const int32_t octave = n >= 0 ? n / 12 : -((-n + 11) / 12);
    const int32_t k = n - octave * 12;
    const double v = double(T) * 65536.0 * std::pow(2.0, k / 12.0) / 4400.0 * std::ldexp(1.0, octave);
    TabIncrementDigit[n + 128] = int32_t(std::clamp(v, -2147483648.0, 2147483647.0));
  }
  if (TabComma[0] == 0) CalculeTabComma();
  lastMasterTune = T;
  return true;
}

void DisposeTabIncrementDigit() {
  if (TabIncrementDigit) DisposePtr(reinterpret_cast<Ptr>(TabIncrementDigit));
  TabIncrementDigit = nullptr;
  lastMasterTune = 0;
}

int32_t CalculeIncrementVoix(uint32_t sampleHz, int32_t semitones, int16_t fine) {
  const uint32_t sortie = SampleRateToFrequency(GlobalDigitParam.frequence);
  if (!TabIncrementDigit || sortie == 0) return 0;
  int32_t index = std::clamp<int32_t>(semitones + 128, 0, kNbIncrements - 1);
  double ratio;
  if (fine != 0) {
    // Whole semitones rounded down, and the fraction 0..255 above them.
    const int32_t entier = int32_t(fine) >> 8;
    const int32_t fraction = int32_t(fine) & 0xFF;
    index = std::clamp<int32_t>(index + entier, 0, kNbIncrements - 1);
    ratio = double(TabIncrementDigit[index]) * double(TabComma[fraction]);
  } else {
    ratio = TabIncrementDigit[index];
  }
  int64_t inc = int64_t(double(sampleHz) * ratio / double(sortie));
  inc = std::clamp<int64_t>(inc, 0, INT32_MAX) & ~int64_t(3);
  if (GlobalDigitParam.surechantillonnage >= 2) inc /= 2;
  return int32_t(inc);
}

bool IsPhysicalOversampling(uint16_t factor) { return factor > 1; }

VoixDigit* RechercheVoixLibre(Instrument* r) {
  if (!TabVoixDigit || NbVoixDigitAllouees <= 0) return nullptr;
  VoixDigit* t = TabVoixDigit;
  const int n = NbVoixDigitAllouees;
  VoixDigit* v = nullptr;
  bool reprise = false;
  if (r && r->jeu.groupeVoix != 0)
    for (int i = 0; i < n && !v; i++)
      if (t[i].etat != kVoixLibre && t[i].groupe == r->jeu.groupeVoix) v = &t[i], reprise = true;
  for (int i = 0; i < n && !v; i++)
    if (t[i].etat == kVoixLibre) v = &t[i];
  if (!v) {
    OverlowDigitalVoices = true;
    reprise = true;
    const double maintenant = GetPosTickInstant();
    // Releasing voices of the instrument that started by now: the earliest,
    // later ones winning ties.
    for (int i = 0; i < n; i++)
      if (t[i].etat == kVoixRelache && t[i].instrument == r && t[i].debut <= maintenant &&
          (!v || t[i].debut <= v->debut))
        v = &t[i];
    if (!v)
      for (int i = 0; i < n; i++)
        if (t[i].etat == kVoixRelache && (!v || t[i].debut < v->debut)) v = &t[i];
    if (!v)
      for (int i = 0; i < n; i++)
        if (t[i].instrument == r && (!v || t[i].debut < v->debut)) v = &t[i];
    if (!v)
      for (int i = 0; i < n; i++)
        if (!v || t[i].debut < v->debut) v = &t[i];
  }
  if (v && reprise) v->niveauRelache = int32_t(int64_t(v->niveau) * v->facteurNiveau / kFacteurNiveauUnite);
  return v;
}

bool InitVoixFnNoteEtInstrument(VoixDigit* v, const NoteJouee* note, Instrument* r, AireOrgane* aire) {
  if (!v || !note || !r) return false;
  int slot = -1;
  Handle son = ChoisitSon(r, note->hauteur, note->velocite, &slot);
  const uint32_t n = NbEchantillons(son);
  if (!son || n == 0) return false;
  const EnteteDigit e = GetEnteteDigit(son);
  const int32_t increment =
      CalculeIncrementVoix(SampleRateToFrequency(e.rate), note->hauteur - int32_t(e.byteA), r->jeu.accordFin);
  if (increment <= 0) return false;

  *v = VoixDigit{};
  v->instrument = r;
  v->indexInstrument = r->index;
  v->groupe = r->jeu.groupeVoix;
  v->etat = kVoixJoue;
  v->debut = GetPosTickInstant();
  v->increment = v->incrementCourant = increment;
  const int32_t volume = r->volumeOn ? std::min<int32_t>(r->volume, 127) : 127;
  v->niveau = int32_t(int64_t(std::clamp<int16_t>(note->velocite, 0, 127)) * volume * kNiveauMax / (127 * 127));
  v->niveauRelache = v->niveau;
  v->facteurNiveau = kFacteurNiveauUnite;
  const int32_t pan = r->panOn ? std::min<int32_t>(r->pan, 127) : 64;
  v->gauche = kNiveauMax * (127 - pan) / 127;
  v->droite = kNiveauMax * pan / 127;
  v->sample = son;
  v->fin = n;
  // A loop runs from its start to its end sample, both played.
  const uint32_t boucleFin = e.loopEnd & 0x00FFFFFF;
  if (boucleFin > e.loopStart && boucleFin < n) {
    v->boucleDebut = e.loopStart;
    v->boucleFin = boucleFin;
  }
  v->aire = aire;
  v->note = note->hauteur;
  v->id = note->valeur;

  const int32_t duree = std::max<int32_t>(note->duree, 0) * (kPasEnveloppeParSeconde / 1000);
  const bool boucle = v->boucleFin > v->boucleDebut;
  const EnveloppeInstrument* modele = r->jeu.enveloppe.active ? &r->jeu.enveloppe : nullptr;
  int32_t tauxAttaque = 0, tauxRelache = 0;
  ConstruitEnveloppeVolume(&v->volume, kAttaqueMs, duree, kRelacheMs * 4, 0, boucle, modele, duree, &tauxAttaque,
                           &tauxRelache);
  v->relaches[0] = tauxRelache;
  v->relaches[1] = TauxChute(kRelachePedaleMs * 4);
  const GlissadeInstrument& g = r->jeu.glissade;
  ConstruitEnveloppeGlissade(&v->glissade, g.type != 0 || g.base != 0 ? &g : nullptr, duree, 256);
  v->profondeurVibrato = r->vibrato[1];
  v->vitesseVibrato = r->vibrato[0];
  ConstruitEnveloppeVibrato(&v->vibrato, v->profondeurVibrato ? int32_t(r->vibrato[2]) : 32000, r->vibrato[3]);
  DemarreEnveloppe(&v->volume);
  DemarreEnveloppe(&v->glissade);
  DemarreEnveloppe(&v->vibrato);
  if (aire && aire->niveauPedale > 0) {
    const int32_t p = aire->niveauPedale;
    ForceNouvelleRelache(&v->volume, (v->relaches[0] * (100 - p) + v->relaches[1] * p) / 100);
  }
  MetAJourIncrement(v);
  return true;
}

void MixeVoixDigit(int32_t* mix, int32_t frames, int16_t channels, uint32_t outputHz) {
  if (!mix || !TabVoixDigit || outputHz == 0) return;
  for (int k = 0; k < NbVoixDigitAllouees; k++) {
    VoixDigit* v = &TabVoixDigit[k];
    if (v->etat == kVoixLibre) continue;
    const uint32_t n = NbEchantillons(v->sample);
    if (n == 0) {
      LibereVoix(v);
      continue;
    }
    const int16_t* s = reinterpret_cast<const int16_t*>(*v->sample + kTailleEnteteDigit);
    const uint32_t fin = std::min(v->fin, n);
    const bool boucle = v->boucleFin > v->boucleDebut && v->boucleFin < n;
    for (int32_t f = 0; f < frames; f++) {
      v->accumulePas += kPasEnveloppeParSeconde;
      while (v->accumulePas >= outputHz) {
        v->accumulePas -= outputHz;
        AvanceEnveloppes(v);
      }
      const uint64_t i = v->position >> 16;
      if (!IsEnveloppeActive(&v->volume) || i >= fin) {
        LibereVoix(v);
        break;
      }
      // The spare sample after the last one makes i + 1 readable.
      const int32_t s0 = s[i], s1 = s[i + 1];
      const int32_t frac = int32_t(v->position & 0xFFFF);
      int64_t a = s0 + ((int64_t(s1 - s0) * frac) >> 16);
      a = (a * v->volume.niveau) >> 15;
      a = (a * v->niveau) >> 15;
      if (channels >= 2) {
        mix[f * channels] += int32_t((a * v->gauche) >> 15);
        mix[f * channels + 1] += int32_t((a * v->droite) >> 15);
      } else {
        mix[f] += int32_t(a);
      }
      v->position += uint64_t(std::max(v->incrementCourant, 0));
      if (boucle && (v->position >> 16) > v->boucleFin)
        v->position -= uint64_t(v->boucleFin + 1 - v->boucleDebut) << 16;
    }
  }
}

int16_t FixeOrganeDigit(Portee** staff) {
  if (!staff) return 0;
  SetInstrumentDefautPourFx((*staff)->aireOrgane.instrument);
  if (!CalculeTabIncrementDigit(GlobalDigitParam.accordMaitre) ||
      !InitDblBuffer((*staff)->partition, &GlobalDigitParam)) {
    DisposeTabIncrementDigit();
    return 0;
  }
  Organe* o = &(*staff)->organe;
  FixeSlots(o, newODgit, envoieNotes, arreteNotes, acquitement, deleteODgit, vect_installe_menu,
            vect_traite_option_menu);
  o->pedale = reinterpret_cast<VectOrganeProc>(pedale);
  return 1;
}

int16_t FixeOrganeTempo(Portee** staff) {
  if (!staff) return 0;
  FixeSlots(&(*staff)->organe, newOTempo, envoieNotesTempo, arreteNotesTempo, acquitement, deleteOTempo,
            vect_installe_menu, vect_traite_option_menu);
  return 1;
}

int16_t newODgit(Portee** staff, AireOrgane* aire) {
  Instrument* r = aire ? aire->instrument : nullptr;
  if (!r) return 0;
  if (r->digitArea.ownSounds) {
    if (!ConvertitSons(r)) return 0;
  } else {
    if (!MoteurSonPret) {
      Collapse("The sound base is not started: instrument '%s' cannot sound.", r->name);
      return 0;
    }
    if (r->jeu.etat.echantillonsCharges) return 1;
    // Another loaded instrument of the score with the same sound lends its template.
    Partition** score = staff ? (*staff)->partition : nullptr;
    const Instrument* modele = nullptr;
    for (int16_t i = 0; score && i < (*score)->nbInstruments && !modele; i++) {
      const Instrument* a = GetInstrument(score, i);
      if (a && a != r && a->inUse && a->jeu.etat.echantillonsCharges && a->loadedSoundId == r->soundId) modele = a;
    }
    if (modele) {
      r->digitArea.modele = modele->digitArea.modele;
      std::memcpy(r->vibrato, modele->vibrato, sizeof r->vibrato);
      std::memcpy(r->tremolo, modele->tremolo, sizeof r->tremolo);
      r->loadedSoundId = modele->loadedSoundId;
      for (int i = 0; i < kNbSonsInstrument; i++) {
        LibereHandle(&r->sampleHandles[kSonsStockes][i]);
        Handle h = modele->sampleHandles[kSonsStockes][i];
        if (h && !(r->sampleHandles[kSonsStockes][i] = DupHandle(h))) return 0;
      }
    } else if (!ChargeDigitStandard(r)) {
      return 0;
    }
    if (!ConvertitSons(r)) return 0;
    r->jeu.etat.echantillonsCharges = 1;
  }
  if (r->jeu.filtrageVelocite && !r->jeu.etat.cacheVelocite && !CalculeVelociteSampleCacheInstrument(r, 0)) return 0;
  return 1;
}

void envoieNotes(Portee**, AireOrgane* aire, const NoteJouee* notes, int16_t count) {
  Instrument* r = aire ? aire->instrument : nullptr;
  if (!r || !notes) return;
  for (int16_t k = 0; k < count; k++) {
    NoteJouee note = notes[k];
    ReajusteNoteVelocite(&note.hauteur, &note.velocite, r->transposition, 0, 127);
    if (note.velocite <= 0) continue;
    StartDblBuffCriticalSection();
    VoixDigit* v = RechercheVoixLibre(r);
    const bool ok = v && InitVoixFnNoteEtInstrument(v, &note, r, aire);
    if (v && !ok) LibereVoix(v);
    EndDblBuffCriticalSection();
    if (!ok) continue;
    AjouteNoteTenue(aire, note);
    if (IsClavierActive()) ClavierNoteOn(note.hauteur);
  }
}

void arreteNotes(Portee** staff, AireOrgane* aire, const NoteJouee* note, int32_t id, int16_t all) {
  if (!staff || all) {
    StartDblBuffCriticalSection();
    for (int k = 0; TabVoixDigit && k < NbVoixDigitAllouees; k++) LibereVoix(&TabVoixDigit[k]);
    EndDblBuffCriticalSection();
    return;
  }
  if (!note || note->suite < 0 || !aire) return;
  const Instrument* r = aire->instrument;
  int16_t hauteur = note->hauteur, velocite = 1;
  if (r) ReajusteNoteVelocite(&hauteur, &velocite, r->transposition, 0, 127);
  StartDblBuffCriticalSection();
  for (int k = 0; TabVoixDigit && k < NbVoixDigitAllouees; k++) {
    VoixDigit* v = &TabVoixDigit[k];
    if (v->etat != kVoixJoue || v->aire != aire || v->note != hauteur || (id >= 0 && v->id != id)) continue;
    if (aire->niveauPedale > 0) {
      v->etat = kVoixPedale;
      continue;
    }
    v->etat = kVoixRelache;
    v->debutRelache = GetPosTickInstant();
    if (v->boucleFin <= v->boucleDebut) v->fin = NbEchantillons(v->sample);
    RelacheEnveloppe(&v->volume);
  }
  EndDblBuffCriticalSection();
  RetireNoteTenue(aire, *note);
  if (IsClavierActive()) ClavierNoteOff(hauteur);
}

int16_t acquitement(Portee**, AireOrgane*) { return 1; }

int16_t deleteODgit(Portee**, AireOrgane* aire) {
  Instrument* r = aire ? aire->instrument : nullptr;
  if (!r) return 1;
  StartDblBuffCriticalSection();
  for (int k = 0; TabVoixDigit && k < NbVoixDigitAllouees; k++)
    if (TabVoixDigit[k].instrument == r) LibereVoix(&TabVoixDigit[k]);
  LibereCopiesJeu(r);
  EndDblBuffCriticalSection();
  // Sounds the base lent are loaded again next time; the cache file stays
  // for the next playback.
  if (!r->digitArea.ownSounds) r->jeu.etat.echantillonsCharges = 0;
  return 1;
}

void pedale(Portee**, AireOrgane* aire, int16_t level) {
  if (!aire || !aire->instrument) return;
  level = std::clamp<int16_t>(level, 0, 100);
  aire->niveauPedale = level;
  StartDblBuffCriticalSection();
  for (int k = 0; TabVoixDigit && k < NbVoixDigitAllouees; k++) {
    VoixDigit* v = &TabVoixDigit[k];
    if (v->etat == kVoixLibre || v->aire != aire) continue;
    if (level != 0 && v->etat != kVoixJoue) continue;
    ForceNouvelleRelache(&v->volume, (v->relaches[0] * (100 - level) + v->relaches[1] * level) / 100);
    // Lifting the pedal lets the notes it held go.
    if (level == 0 && v->etat == kVoixPedale) {
      v->etat = kVoixRelache;
      v->debutRelache = GetPosTickInstant();
      RelacheEnveloppe(&v->volume);
    }
  }
  EndDblBuffCriticalSection();
}

void InitParamDefautDigit(Instrument* r) {
  if (!r) return;
  r->digitArea = AireDigitInstrument{};
  for (SlotSonInstrument& s : r->digitArea.modele.slots) s.soundRef = kRefSonAucun;
  std::memset(r->sampleHandles, 0, sizeof r->sampleHandles);
  r->jeu.etat = EtatJeuInstrument{};
  SetDefaultParamFX(&r->effects);
}

void LibereDonneesInstrumentDigit(Instrument* r) {
  if (!r) return;
  for (auto& tableau : r->sampleHandles)
    for (Handle& h : tableau) LibereHandle(&h);
  EffaceFichierCacheVelocite(r);
  r->jeu.etat.echantillonsCharges = 0;
}

bool DupliqueInstrumentDigit(const Instrument* source, Instrument* destination, int16_t) {
  if (!source || !destination || source == destination) return false;
  LibereDonneesInstrumentDigit(destination);
  destination->digitArea = source->digitArea;
  destination->effects = source->effects;
  destination->jeu = source->jeu;
  // The copy makes its own derived sounds and cache file.
  destination->jeu.etat = EtatJeuInstrument{};
  bool ok = true;
  for (int i = 0; i < kNbSonsInstrument; i++) {
    Handle h = source->sampleHandles[kSonsStockes][i];
    if (h && !(destination->sampleHandles[kSonsStockes][i] = DupHandle(h))) ok = false;
  }
  return ok;
}
