#include "sound/ParamFX.h"

#include <cstring>

#include "model/QrvFXs.h"
#include "plugin/TagParam.h"

namespace {

// The next band an "MultiBandLevel" key fills; every preset starts at band 0.
int16_t numEQLevel = 0;

bool Est(const char* word, const char* key) { return std::strcmp(word, key) == 0; }

uint16_t LitMot() { return uint16_t(TagReadShort()); }
uint8_t LitOctet() { return uint8_t(TagReadShort()); }

ParamFX* Bloc(void* block) { return static_cast<ParamFX*>(block); }

}  // namespace

void SetDefaultParamFX(ParamFX* p) {
  if (!p) return;
  std::memset(p, 0, sizeof *p);
  p->frequenceFixe = 1000;
  p->resonanceFixe = 50;
  p->gainFixe = 50;
  p->frequenceLfo = 1000;
  p->frequenceMinLfo = 500;
  p->frequenceMaxLfo = 2000;
  p->resonanceLfo = 50;
  p->gainLfo = 50;
  p->periodeLfo = 3000;
  p->frequenceMinWah = 500;
  p->frequenceMaxWah = 2000;
  p->volumeMinWah = 20;
  p->volumeMaxWah = 80;
  p->resonanceWah = 50;
  p->gainWah = 50;
  p->puissanceDistorsion = 50;
  p->gainDistorsion = 50;
  p->toneDistorsion = 50;
  p->puissanceOverdrive = 50;
  p->gainOverdrive = 50;
  p->toneOverdrive = 50;
  p->delaiMaxFlanger = 6000;
  p->periodeFlanger = 3000;
  p->puissanceFlanger = 80;
  p->gainEqualizer = 100;
  p->limiter = 100;
  p->fadingFixe = -100;
  p->stereoMinLfo = -50;
  p->stereoMaxLfo = 50;
  p->fadingMinLfo = -50;
  p->fadingMaxLfo = 50;
  p->periodePanning = 3000;
  p->tempsDelai = 400;
  p->puissanceDelai = 40;
  p->tempsDelaiMult = 400;
  p->puissanceDelaiMult = 40;
  p->tempsReverb = 3000;
  p->puissanceReverb = 40;
}

void SetDefaultFX(FX* fx) {
  if (!fx) return;
  std::memset(fx, 0, sizeof *fx);
  fx->style.font = 3;
  fx->style.face = 1;
  fx->style.size = 9;
  fx->affiche = 1;
  SetDefaultParamFX(&fx->param);
}

bool ChargeFXTagParamMem(Handle block, ParamFX* out) {
  if (!block || !out) return false;
  TagSetMemory(block);
  FX fx;
  std::memset(&fx, 0, sizeof fx);
  SetDefaultParamFX(&fx.param);
  while (TagWait("DebutParamFx", nullptr)) {
    numEQLevel = 0;
    TagWaitPtr("DebutFinParamFx", LoadTraiteFx, &fx);
  }
  std::memcpy(out, &fx.param, sizeof *out);
  // The block is the caller's and may be freed next: the reader forgets it.
  TagSetMemory(nullptr);
  return true;
}

bool LoadTraiteFx(char* word, void* record) {
  auto* fx = static_cast<FX*>(record);
  ParamFX* p = &fx->param;
  if (Est(word, "Nom")) {
    TagReadStringGuillemet(fx->nom, sizeof fx->nom);
  } else if (Est(word, "Commentaire")) {
    TagReadStringGuillemet(fx->commentaire, sizeof fx->commentaire);
  } else if (Est(word, "Icone")) {
    TagReadBlock(fx->icone, sizeof fx->icone);
  } else if (Est(word, "Couleur")) {
    TagReadBlock(fx->couleur, sizeof fx->couleur);
  } else if (Est(word, "ActiviteResonateur")) {
    p->activiteResonateur = TagReadShort();
  } else if (Est(word, "ActiviteDistorsion")) {
    p->activiteDistorsion = TagReadShort();
  } else if (Est(word, "ActiviteFlanger")) {
    p->activiteFlanger = TagReadShort();
  } else if (Est(word, "ActiviteEqualizer")) {
    p->activiteEqualizer = TagReadShort();
  } else if (Est(word, "ActivitePanning")) {
    p->activitePanning = TagReadShort();
  } else if (Est(word, "ActiviteReverb")) {
    p->activiteReverb = TagReadShort();
  } else if (Est(word, "DebutResonateurFixe")) {
    TagWaitPtr("FinResonateurFixe", LoadResonateurFixe, p);
  } else if (Est(word, "DebutResonateurLFO")) {
    // Closed by this word, as the presets are written.
    TagWaitPtr("FinResonateurLFP", LoadResonateurLfo, p);
  } else if (Est(word, "DebutWah")) {
    TagWaitPtr("FinWah", LoadResonateurWah, p);
  } else if (Est(word, "DebutDistorsion")) {
    TagWaitPtr("FinDistorsion", LoadDistorsion, p);
  } else if (Est(word, "DebutOverdrive")) {
    TagWaitPtr("FinOverdrive", LoadOverdrive, p);
  } else if (Est(word, "DebutFlanger")) {
    TagWaitPtr("FinFlanger", LoadFlanger, p);
  } else if (Est(word, "DebutEqualizer")) {
    TagWaitPtr("FinEqualizer", LoadEqualizer, p);
  } else if (Est(word, "DebutMultibandEqualizer")) {
    TagWaitPtr("FinMultibandEqualizer", LoadEqualizer, p);
  } else if (Est(word, "DebutPanningFixe")) {
    TagWaitPtr("FinPanningFixe", LoadPanningFixe, p);
  } else if (Est(word, "DebutPanningLFO")) {
    p->fadingMinLfo = -100;
    p->fadingMaxLfo = -100;
    TagWaitPtr("FinPanningLFO", LoadPanningLFO, p);
  } else if (Est(word, "DebutReverbDelai")) {
    TagWaitPtr("FinReverbDelai", LoadReverbDelai, p);
  } else if (Est(word, "DebutReverbDelaiMult")) {
    TagWaitPtr("FinReverbDelaiMult", LoadReverbDelaiMult, p);
  } else if (Est(word, "DebutReverb")) {
    TagWaitPtr("FinReverb", LoadReverb, p);
  }
  return true;
}

bool LoadResonateurFixe(char* word, void* block) {
  ParamFX* p = Bloc(block);
  if (Est(word, "Frequence")) p->frequenceFixe = LitMot();
  else if (Est(word, "Resonance")) p->resonanceFixe = LitMot();
  else if (Est(word, "Gain")) p->gainFixe = LitMot();
  return true;
}

bool LoadResonateurLfo(char* word, void* block) {
  ParamFX* p = Bloc(block);
  if (Est(word, "Frequence")) p->frequenceLfo = LitMot();
  else if (Est(word, "FrequenceMin")) p->frequenceMinLfo = LitMot();
  else if (Est(word, "FrequenceMax")) p->frequenceMaxLfo = LitMot();
  else if (Est(word, "Resonance")) p->resonanceLfo = LitMot();
  else if (Est(word, "Gain")) p->gainLfo = LitMot();
  else if (Est(word, "Periode")) p->periodeLfo = LitMot();
  else if (Est(word, "Sens")) p->sensLfo = LitOctet();
  return true;
}

bool LoadResonateurWah(char* word, void* block) {
  ParamFX* p = Bloc(block);
  if (Est(word, "FrequenceMin")) p->frequenceMinWah = LitMot();
  else if (Est(word, "FrequenceMax")) p->frequenceMaxWah = LitMot();
  else if (Est(word, "VolumeMin")) p->volumeMinWah = LitMot();
  else if (Est(word, "VolumeMax")) p->volumeMaxWah = LitMot();
  else if (Est(word, "Resonance")) p->resonanceWah = LitMot();
  else if (Est(word, "Gain")) p->gainWah = LitMot();
  return true;
}

bool LoadDistorsion(char* word, void* block) {
  ParamFX* p = Bloc(block);
  if (Est(word, "Puissance")) p->puissanceDistorsion = LitMot();
  else if (Est(word, "Gain")) p->gainDistorsion = LitMot();
  else if (Est(word, "Tone")) p->toneDistorsion = LitMot();
  return true;
}

bool LoadOverdrive(char* word, void* block) {
  ParamFX* p = Bloc(block);
  if (Est(word, "Puissance")) p->puissanceOverdrive = LitMot();
  else if (Est(word, "Gain")) p->gainOverdrive = LitMot();
  else if (Est(word, "Tone")) p->toneOverdrive = LitMot();
  return true;
}

bool LoadFlanger(char* word, void* block) {
  ParamFX* p = Bloc(block);
  if (Est(word, "DelaiMin")) p->delaiMinFlanger = LitMot();
  else if (Est(word, "DelaiMax")) p->delaiMaxFlanger = LitMot();
  else if (Est(word, "Periode")) p->periodeFlanger = LitMot();
  else if (Est(word, "Puissance")) p->puissanceFlanger = LitMot();
  return true;
}

bool LoadEqualizer(char* word, void* block) {
  ParamFX* p = Bloc(block);
  if (Est(word, "Grave")) {
    p->grave = LitMot();
  } else if (Est(word, "Aigu")) {
    p->aigu = LitMot();
  } else if (Est(word, "GraveAiguSmooth")) {
    p->graveAiguSmooth = LitOctet();
  } else if (Est(word, "Gain")) {
    p->gainEqualizer = LitMot();
  } else if (Est(word, "GainSmooth")) {
    p->gainSmooth = LitOctet();
  } else if (Est(word, "Limiter")) {
    p->limiter = LitMot();
  } else if (Est(word, "MultiBandGain")) {
    p->multiBandGain = LitMot();
  } else if (Est(word, "MultiBandLevel")) {
    // Levels past the eleventh band are read and dropped.
    const uint16_t niveau = LitMot();
    if (numEQLevel < kNbBandesEqualizer) p->multiBandLevel[numEQLevel] = niveau;
    if (numEQLevel < INT16_MAX) numEQLevel++;
  }
  return true;
}

bool LoadPanningFixe(char* word, void* block) {
  ParamFX* p = Bloc(block);
  if (Est(word, "Stereo")) p->stereoFixe = TagReadShort();
  else if (Est(word, "Fading")) p->fadingFixe = TagReadShort();
  else if (Est(word, "StereoSmooth")) p->stereoSmooth = LitMot();
  return true;
}

bool LoadPanningLFO(char* word, void* block) {
  ParamFX* p = Bloc(block);
  if (Est(word, "Stereo")) p->stereoLfo = TagReadShort();
  else if (Est(word, "StereoMin")) p->stereoMinLfo = TagReadShort();
  else if (Est(word, "StereoMax")) p->stereoMaxLfo = TagReadShort();
  else if (Est(word, "FadingMin")) p->fadingMinLfo = TagReadShort();
  else if (Est(word, "FadingMax")) p->fadingMaxLfo = TagReadShort();
  else if (Est(word, "Periode")) p->periodePanning = LitMot();
  else if (Est(word, "Sens")) p->sensPanning = LitOctet();
  return true;
}

bool LoadReverbDelai(char* word, void* block) {
  ParamFX* p = Bloc(block);
  if (Est(word, "Temps")) p->tempsDelai = LitMot();
  else if (Est(word, "Puissance")) p->puissanceDelai = LitMot();
  else if (Est(word, "PingPong")) p->pingPongDelai = LitOctet();
  return true;
}

bool LoadReverbDelaiMult(char* word, void* block) {
  ParamFX* p = Bloc(block);
  if (Est(word, "Temps")) p->tempsDelaiMult = LitMot();
  else if (Est(word, "Puissance")) p->puissanceDelaiMult = LitMot();
  else if (Est(word, "PingPong")) p->pingPongDelaiMult = LitOctet();
  return true;
}

bool LoadReverb(char* word, void* block) {
  ParamFX* p = Bloc(block);
  if (Est(word, "Temps")) p->tempsReverb = LitMot();
  else if (Est(word, "Puissance")) p->puissanceReverb = LitMot();
  else if (Est(word, "PingPong")) p->pingPongReverb = LitOctet();
  return true;
}
