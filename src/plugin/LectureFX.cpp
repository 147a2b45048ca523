#include "plugin/LectureFX.h"

#include <cstring>

#include "model/QrvFXs.h"
#include "plugin/LectureDocument.h"
#include "sound/ParamFX.h"
#include "system/QrvFiles.h"

namespace {

uint16_t LitMot() { return uint16_t(ReadShort()); }
uint8_t LitOctet() {
  const int16_t c = ReadCar();
  return c < 0 ? 0 : uint8_t(c);
}

// Marks the stream ended: a damaged count leaves nothing to read in step.
bool Abandonne() {
  ioCustom.finFichier = 1;
  return false;
}

}  // namespace

bool ReadFXParam(ParamFX* p) {
  if (!p) return false;
  p->activiteResonateur = ReadShort();
  p->activiteDistorsion = ReadShort();
  p->activiteFlanger = ReadShort();
  p->activitePanning = ReadShort();
  p->activiteReverb = ReadShort();

  p->frequenceFixe = LitMot();
  p->glisseFrequenceFixe = LitOctet();
  p->resonanceFixe = LitMot();
  p->glisseResonanceFixe = LitOctet();
  p->gainFixe = LitMot();
  p->frequenceLfo = LitMot();
  p->frequenceMinLfo = LitMot();
  p->frequenceMaxLfo = LitMot();
  p->resonanceLfo = LitMot();
  p->glisseResonanceLfo = LitOctet();
  p->gainLfo = LitMot();
  p->periodeLfo = LitMot();
  p->sensLfo = LitOctet();

  p->frequenceMinWah = LitMot();
  p->frequenceMaxWah = LitMot();
  p->volumeMinWah = LitMot();
  p->volumeMaxWah = LitMot();
  p->resonanceWah = LitMot();
  p->glisseResonanceWah = LitOctet();
  p->gainWah = LitMot();

  p->puissanceDistorsion = LitMot();
  p->gainDistorsion = LitMot();
  p->toneDistorsion = LitMot();
  p->puissanceOverdrive = LitMot();
  p->gainOverdrive = LitMot();
  p->toneOverdrive = LitMot();

  p->delaiMinFlanger = LitMot();
  p->delaiMaxFlanger = LitMot();
  p->periodeFlanger = LitMot();
  p->puissanceFlanger = LitMot();

  p->stereoFixe = ReadShort();
  p->stereoSmooth = LitMot();
  p->stereoLfo = ReadShort();
  p->stereoMinLfo = ReadShort();
  p->stereoMaxLfo = ReadShort();
  p->periodePanning = LitMot();
  p->sensPanning = LitOctet();
  if (VersionQuarvelLoad >= 0x964) {
    p->fadingFixe = ReadShort();
    p->fadingMinLfo = ReadShort();
    p->fadingMaxLfo = ReadShort();
  } else {
    p->fadingFixe = p->fadingMinLfo = p->fadingMaxLfo = -100;
  }

  p->tempsDelai = LitMot();
  p->puissanceDelai = LitMot();
  p->pingPongDelai = LitOctet();
  p->tempsDelaiMult = LitMot();
  p->puissanceDelaiMult = LitMot();
  p->pingPongDelaiMult = LitMot();
  p->tempsReverb = LitMot();
  p->puissanceReverb = LitMot();
  p->pingPongReverb = LitMot();
  if (VersionQuarvelLoad < 0x710) return !EndOfFile();

  p->activiteEqualizer = ReadShort();
  p->grave = LitMot();
  p->aigu = LitMot();
  p->graveAiguSmooth = LitOctet();
  p->gainEqualizer = LitMot();
  p->gainSmooth = LitOctet();
  p->limiter = LitMot();
  if (VersionQuarvelLoad < 0x964) return !EndOfFile();

  p->multiBandGain = LitMot();
  const int16_t bandes = ReadShort();
  std::memset(p->multiBandLevel, 0, sizeof p->multiBandLevel);
  if (bandes > 0) {
    if (int64_t(bandes) * 2 > GetStreamRemaining()) return Abandonne();
    for (int16_t i = 0; i < bandes; i++) {
      const uint16_t niveau = LitMot();
      // Bands beyond the eleventh are read past.
      if (i < kNbBandesEqualizer) p->multiBandLevel[i] = niveau;
    }
  }

  if (VersionQuarvelLoad >= 0x9805) {
    // Room for later settings; a negative length skips nothing.
    const int32_t extension = ReadLong();
    if (extension > 0) {
      if (extension > GetStreamRemaining()) return Abandonne();
      ReadGap(extension);
    }
  }
  return !EndOfFile();
}

bool ReadFX(FX* fx) {
  if (!fx) return false;
  std::memset(fx, 0, sizeof *fx);
  // Settings a file's version lacks keep their defaults, not zeros.
  SetDefaultParamFX(&fx->param);
  ReadUTFString(fx->nom, sizeof fx->nom);
  ReadUTFString(fx->commentaire, sizeof fx->commentaire);
  // A style cut short ends the object.
  if (!ReadTextStyle(&fx->style)) return Abandonne();
  fx->debut = ReadLong();
  fx->haut = ReadLong();
  fx->fin = ReadLong();
  fx->bas = ReadLong();
  if (VersionQuarvelLoad >= 0x800) {
    fx->decalageGauche = ReadShort();
    fx->decalageDroite = ReadShort();
  }
  fx->affiche = LitOctet();
  ReadBlock(fx->icone, sizeof fx->icone);
  ReadBlock(fx->couleur, sizeof fx->couleur);
  return ReadFXParam(&fx->param);
}
