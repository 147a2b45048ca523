#include "sound/Enveloppes.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace {

// Words that close every volume envelope: the release, its level 0 and the
// end word.
constexpr int kMotsQueue = 3;

class Programme {
 public:
  explicit Programme(Enveloppe* env) : env_(env) { std::memset(env_, 0, sizeof *env_); }
  int Place() const { return kMotsEnveloppe - env_->nbMots; }
  void Mot(uint32_t word) {
    if (Place() > 0) env_->mots[env_->nbMots++] = word;
  }
  void Niveau(int32_t level) { Mot(uint32_t(level)); }
  void Segment(uint32_t kind, int32_t value) { Mot(kind | uint32_t(std::clamp<int32_t>(value, 0, kPasMax))); }
  // Holds a level for `steps`, in pieces of at most 16383 steps, keeping
  // `reserve` words free for what must follow: a hold longer than the
  // envelope can describe is cut, never written past its end.
  void Tenue(int32_t level, int64_t steps, int reserve) {
    while (steps > 0 && Place() >= 2 + reserve) {
      const int32_t piece = int32_t(std::min<int64_t>(steps, kPasMax));
      Segment(kSegmentTenue, piece);
      Niveau(level);
      steps -= piece;
    }
  }
  // Holds a level as long as room allows (the note has no set length).
  void TenueSansFin(int32_t level, int reserve) {
    while (Place() >= 2 + reserve) {
      Segment(kSegmentTenue, kPasMax);
      Niveau(level);
    }
  }
  void Queue(int32_t releaseRate) {
    Segment(kSegmentRelache, releaseRate);
    Niveau(0);
    Mot(0);
  }

 private:
  Enveloppe* env_;
};

int32_t Pourcent(uint16_t percent) { return int32_t(std::min<uint16_t>(percent, 100)) * kNiveauMax / 100; }

// The rate that covers a change of level in `steps` steps.
int32_t TauxSur(int32_t from, int32_t to, int32_t steps) {
  const int32_t ecart = std::abs(to - from);
  if (ecart == 0 || steps <= 0) return 0;
  return std::min<int32_t>((ecart + steps - 1) / steps, kPasMax);
}

// Runs the segment at `index` (a segment word), passing over those that take
// no time; past the last word the envelope stops at its level.
void Entre(Enveloppe* env, int index) {
  for (;;) {
    if (index + 1 >= env->nbMots) {
      env->etats[1] = 0;
      env->reste = 0;
      env->motCourant = uint8_t(std::min<int>(index, env->nbMots));
      return;
    }
    env->motCourant = uint8_t(index);
    const uint32_t w = env->mots[index];
    const int32_t suivant = int32_t(env->mots[index + 1]);
    const int32_t v = int32_t(w & 0x00FFFFFF);
    env->pas = 0;
    env->reste = 0;
    if (w == kSegmentSoutien) {
      env->etats[0] = 1;
      env->cible = env->niveau;
      return;
    }
    const uint32_t kind = w & 0xFF000000;
    env->cible = suivant;
    if (kind == kSegmentRelache) env->etats[2] = 1;
    if (kind == kSegmentTenue && v > 0) {
      env->reste = v;
      return;
    }
    if ((kind == kSegmentRampe || kind == kSegmentRelache) && v > 0 && env->niveau != suivant) {
      env->pas = env->niveau < suivant ? v : -v;
      env->reste = (std::abs(suivant - env->niveau) + v - 1) / v;
      return;
    }
    // No time: a rate of 0 jumps, a hold of 0 moves on.
    env->niveau = suivant;
    index += 2;
  }
}

int IndexRelache(const Enveloppe* env) {
  for (int i = 1; i < env->nbMots; i += 2)
    if ((env->mots[i] & 0xFF000000) == kSegmentRelache && env->mots[i] != kSegmentSoutien) return i;
  return -1;
}

}  // namespace

int32_t TauxAttaque(int32_t ms) {
  if (ms <= 0) return 0;
  return int32_t(std::min<int64_t>(kNiveauMax / (int64_t(ms) * 4), kPasMax));
}

int32_t TauxChute(int32_t steps) {
  if (steps <= 0) return kPasMax;
  return std::min<int32_t>(kNiveauMax / steps, kPasMax);
}

int32_t ConstruitEnveloppeVolume(Enveloppe* env, int32_t attack, int32_t duration, int32_t release, uint16_t parameter,
                                 bool sustain, const EnveloppeInstrument* instrument, int32_t noteLength,
                                 int32_t* attackRate, int32_t* releaseRate) {
  Programme p(env);
  env->parametre = parameter;
  int32_t debut, pic = kNiveauMax, soutien = kNiveauMax, fin = 0;
  int32_t attaqueMs = attack, chute = 0;
  const bool modele = instrument && instrument->active;
  if (modele) {
    if (duration > 0 && instrument->demiDuree) duration /= 2;
    const int32_t relacheModele = std::min<int32_t>(int32_t(instrument->relache) * 2, kPasMax);
    if (instrument->relacheFixe && release >= 0) {
      release = 2500;
    } else if (release < 0) {
      release = relacheModele;
    }
    pic = Pourcent(instrument->niveauPic);
    soutien = Pourcent(instrument->niveauSoutien);
    fin = Pourcent(instrument->niveauFin);
    if (attack >= 0) attaqueMs = std::min<int32_t>(int32_t(instrument->attaque) * 2, kPasMax);
    chute = std::min<int32_t>(int32_t(instrument->chute) * 2, kPasMax);
  }
  const int32_t tauxRelache = TauxChute(release);

  if (attack < 0) {
    debut = pic;
    p.Niveau(pic);
  } else {
    debut = modele ? Pourcent(instrument->niveauDepart) : 0;
    p.Niveau(debut);
    p.Segment(kSegmentRampe, TauxAttaque(attaqueMs));
    p.Niveau(pic);
  }
  if (modele) {
    // The note's length left between the attack and the decay, at the peak.
    const int64_t reste = int64_t(noteLength) - (attack < 0 ? 0 : int64_t(attaqueMs) * 4) - chute;
    p.Tenue(pic, reste, 2 + 2 + 2 + kMotsQueue);
    p.Segment(kSegmentRampe, TauxChute(chute));
    p.Niveau(soutien);
  }
  int32_t dernierTaux;
  if (duration < 1) {
    p.TenueSansFin(soutien, kMotsQueue);
    dernierTaux = kPasMax;
  } else {
    if (sustain) {
      p.Mot(kSegmentSoutien);
      p.Niveau(soutien);
    }
    dernierTaux = TauxChute(duration);
    p.Segment(kSegmentRampe, dernierTaux);
    p.Niveau(fin);
  }
  p.Queue(tauxRelache);
  if (attackRate) *attackRate = dernierTaux;
  if (releaseRate) *releaseRate = tauxRelache;
  return debut;
}

void ConstruitEnveloppeGlissade(Enveloppe* env, const GlissadeInstrument* g, int32_t duration, int32_t scale) {
  Programme p(env);
  if (!g) return;
  const int32_t base = int32_t(g->base) * 256 / 100;
  if (g->type == 2 && g->glissement != 0) {
    p.Niveau(base);
    const int64_t attente = std::max<int64_t>(0, int64_t(g->glissement) * scale / 256);
    p.Tenue(base, attente, 2 + 4 + 1);
    const int64_t reste = int64_t(duration) - attente;
    if (reste > 0) {
      const int32_t pas = int32_t(std::min<int64_t>(reste, kPasMax));
      const int32_t cible = int32_t(g->demiTons) * 256 + int32_t(g->fraction) * 256 / 100;
      p.Segment(kSegmentRampe, TauxSur(base, cible, pas));
      p.Niveau(cible);
      if (g->balancement != 0) {
        const int32_t haut = cible + int32_t(g->balancement) * 256 / 100;
        const int32_t taux = TauxSur(cible, haut, std::clamp<int32_t>(g->periode, 1, kPasMax));
        p.Segment(kSegmentRampe, taux);
        p.Niveau(haut);
        p.Segment(kSegmentRampe, taux);
        p.Niveau(cible);
      }
    }
    p.Mot(0);
  } else if (base != 0) {
    p.Niveau(base);
  }
}

void ConstruitEnveloppeVibrato(Enveloppe* env, int32_t delay, int32_t rise) {
  Programme p(env);
  if (delay >= 32000) return;
  p.Niveau(0);
  p.Tenue(0, std::max<int32_t>(delay, 0), 4);
  p.Segment(kSegmentRampe, TauxSur(0, kNiveauMax, rise));
  p.Niveau(kNiveauMax);
  p.Mot(0);
}

void ForceNouvelleRelache(Enveloppe* env, int32_t rate) {
  rate = std::clamp<int32_t>(rate, 0, kPasMax);
  const int i = IndexRelache(env);
  if (i < 0) return;
  const int32_t ancien = int32_t(env->mots[i] & 0x00FFFFFF);
  env->mots[i] = kSegmentRelache | uint32_t(rate);
  if (!env->etats[1] || env->motCourant != i || env->reste <= 0) return;
  if (rate == 0) {
    env->niveau = env->cible;
    Entre(env, i + 2);
    return;
  }
  // The step keeps its direction; the ramp restarts from where it is.
  env->pas = int32_t(int64_t(env->pas) * rate / ancien);
  const int32_t pas = std::abs(env->pas);
  env->reste = pas ? (std::abs(env->cible - env->niveau) + pas - 1) / pas : 0;
  if (env->reste == 0) {
    env->niveau = env->cible;
    Entre(env, i + 2);
  }
}

void DemarreEnveloppe(Enveloppe* env) {
  std::memset(env->etats, 0, sizeof env->etats);
  env->nbPas = env->nbPasRelache = 0;
  env->pas = env->reste = 0;
  if (env->nbMots == 0) {
    env->niveau = 0;
    env->cible = 0;
    env->motCourant = 0;
    return;
  }
  env->niveau = int32_t(env->mots[0]);
  env->etats[1] = 1;
  Entre(env, 1);
}

int32_t AvanceEnveloppe(Enveloppe* env) {
  if (!env->etats[1]) return env->niveau;
  env->nbPas++;
  if (env->etats[2]) env->nbPasRelache++;
  if (env->etats[0] || env->reste <= 0) return env->niveau;
  if (env->pas != 0) {
    env->niveau += env->pas;
    if ((env->pas > 0 && env->niveau > env->cible) || (env->pas < 0 && env->niveau < env->cible))
      env->niveau = env->cible;
  }
  if (--env->reste == 0) {
    env->niveau = env->cible;
    Entre(env, env->motCourant + 2);
  }
  return env->niveau;
}

void RelacheEnveloppe(Enveloppe* env) {
  // Once in its release, or finished, an envelope runs on as it is.
  if (env->etats[2] || !env->etats[1]) return;
  env->etats[2] = 1;
  env->etats[0] = 0;
  const int i = IndexRelache(env);
  if (i < 0) {
    env->etats[1] = 0;
    return;
  }
  Entre(env, i);
}
