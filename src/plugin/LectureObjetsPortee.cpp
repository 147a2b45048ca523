// Graphics, laws and dynamics of a staff as native documents store them.
#include <cstring>

#include "model/Lois.h"
#include "model/ParamEffet.h"
#include "model/QrvDynamics.h"
#include "model/SGraphix.h"
#include "model/Signe.h"
#include "platform/Memory.h"
#include "plugin/LectureDocument.h"
#include "system/PictConversion.h"
#include "system/QrvFiles.h"

namespace {

uint8_t LitOctet() {
  const int16_t c = ReadCar();
  return c < 0 ? 0 : uint8_t(c);
}

uint16_t LitMot() { return uint16_t(ReadShort()); }

// Old documents stored piano-roll positions in whole pixels and tick
// positions at 96 per quarter.
void ConvertitPositions(int32_t* debut, int32_t* fin, uint8_t mode) {
  const uint16_t v = VersionQuarvelLoad;
  if (mode == 0 && v <= 0x031F) {
    *debut = int32_t(int64_t(*debut) * 420);
    *fin = int32_t(int64_t(*fin) * 420);
  }
  if (mode != 0 && v <= 0x0510) {
    *debut = int32_t(int64_t(*debut) * 32);
    *fin = int32_t(int64_t(*fin) * 32);
  }
}

// The graphic's data: a length, then that many bytes. Without the memory for
// them they are read past all the same. False when the length exceeds what
// the stream holds.
bool LitDonneesGraphique(Graphique* g) {
  const uint32_t longueur = uint32_t(ReadLong());
  if (longueur == 0) return !EndOfFile();
  if (EndOfFile() || int64_t(longueur) > GetStreamRemaining()) {
    ioCustom.finFichier = 1;
    return false;
  }
  Handle h = NewHandle(Size(longueur));
  if (!h) {
    ReadGap(int32_t(longueur));
    return !EndOfFile();
  }
  ReadBlock(*h, int32_t(longueur));
  if (g->typeDonnees == kGraphiquePicture && VersionQuarvelLoad < 0x0964) ConvertPictureFromOldFormat(h);
  g->donnees = h;
  return !EndOfFile();
}

}  // namespace

int16_t ReadGraphique(Graphique* g) {
  const uint16_t v = VersionQuarvelLoad;
  if (v >= 0x0203) {
    g->octetGraphique = LitOctet();
    g->typeDonnees = LitOctet();
    if (!LitDonneesGraphique(g)) return 0;
  } else {
    ReadString(nullptr, 0);
  }
  g->idPicture = ReadShort();
  if (v < 0x0910 && uint16_t(g->idPicture) <= 9999) g->idPicture = int16_t(g->idPicture + 10000);
  g->debut = ReadLong();
  g->haut = ReadLong();
  g->fin = ReadLong();
  g->bas = ReadLong();
  if (v >= 0x0800) {
    g->decalageGauche = ReadShort();
    g->decalageDroite = ReadShort();
  }
  if (v <= 0x0202) return EndOfFile() ? 0 : 1;
  g->motPosition = LitOctet();
  g->ancrePixel = LitOctet();
  ConvertitPositions(&g->debut, &g->fin, g->ancrePixel);
  if (v <= 0x0510) return EndOfFile() ? 0 : 1;
  if (v >= 0x0910) {
    g->styleLigne = ReadShort();
    g->extremiteDebut = ReadShort();
    g->extremiteFin = ReadShort();
    g->epaisseur = ReadShort();
    g->decalageYDebut = ReadShort();
    g->decalageYFin = ReadShort();
    g->tailleExtremite = ReadShort();
    g->controleX = ReadShort();
    g->controleY = ReadShort();
  }
  if (v >= 0x0960) {
    g->id = uint32_t(ReadLong());
    if (v >= 0x0963) ReadUTFString(g->nom, int16_t(sizeof g->nom));
    g->motFin = LitMot();
    ReadGap(14);
  }
  return EndOfFile() ? 0 : 1;
}

int16_t ReadLoi(Loi* l) {
  const uint16_t v = VersionQuarvelLoad;
  // What older documents lack keeps the defaults of a new law.
  l->modeLegende = 1;
  l->ajustAlteration = 2;
  l->plageHaut = 127;
  l->plageHaut2 = 127;
  l->active = 1;
  ReadUTFString(l->nom, int16_t(sizeof l->nom));
  l->selecteurA = ReadShort();
  l->hauteur = ReadShort();
  l->selecteurB = LitMot();
  l->valeurPortee = ReadShort();
  l->motLu = LitMot();
  ReadSigne(nullptr, 0, &l->note, nullptr);
  ReadParamEffet(nullptr, &l->effets);
  // Old documents stored the length of a fermata note as a played share of 400.
  if (v <= 0x074F && l->note.pourcentJoue == 400 &&
      (IsMarkInParamEffet(&l->effets, kMarkPointOrgue, nullptr) ||
       IsMarkInParamEffet(&l->effets, kMarkPointOrgueInverse, nullptr)))
    l->note.pourcentJoue = 100;
  if (v >= 0x0770) {
    l->horsOctave = LitOctet();
    const uint8_t transpose = LitOctet();
    const uint8_t alteration = LitOctet();
    l->modeTonalite = uint16_t(transpose | alteration << 8);
    l->ajustAlteration = LitOctet();
    l->testPlage = LitOctet();
  }
  if (v >= 0x0800) {
    const uint8_t b = LitOctet();
    l->active = b & 1;
    l->interrupteur2 = (b >> 1) & 1;
    l->octetsLecteur[0] = LitOctet();
    l->plageBas = LitMot();
    l->plageHaut = LitMot();
    l->plageHaut2 = LitMot();
    l->testMark = LitMot();
    l->fournitFondamentale = LitOctet();
    l->relatifFondamentale = LitOctet();
  }
  if (v >= 0x0850) {
    l->octetsLecteur[1] = LitOctet();
    ReadGap(1);
    l->octetsLecteur[2] = LitOctet();
    l->octetsLecteur[3] = LitOctet();
  }
  return EndOfFile() ? 0 : 1;
}

int16_t ReadDynamique(Dynamique* d) {
  const uint16_t v = VersionQuarvelLoad;
  d->type = ReadShort();
  ReadUTFString(d->texte, int16_t(sizeof d->texte));
  ReadTextStyle(&d->style);
  d->actif = LitOctet();
  const uint8_t b = LitOctet();
  d->partitionEntiere = b & 1;
  d->porteeSeule = (b >> 1) & 1;
  d->visible = ((b >> 2) & 1) ^ 1;
  d->accolade = (b >> 3) & 1;
  if (v < 0x0961 && (d->type == kDynPedaleEnfoncee || d->type == kDynPedaleRelachee)) {
    d->partitionEntiere = 0;
    d->porteeSeule = 1;
    d->accolade = 0;
  }
  d->debut = ReadLong();
  d->haut = ReadLong();
  d->fin = ReadLong();
  d->bas = ReadLong();
  if (v >= 0x0800) {
    d->decalageGauche = ReadShort();
    d->decalageDroite = ReadShort();
  }
  d->couleur = ReadShort();
  d->valeur1 = LitMot();
  d->valeur2 = LitMot();
  d->uniteTempo = ReadLong();
  d->flagTempo = ReadShort();
  d->progressif = LitOctet();
  d->tempoAffiche = LitOctet();
  if (v < 0x0850) {
    if (d->type == kDynPedaleRelachee) d->valeur1 = 0;
    else if (d->type == kDynPedaleEnfoncee) d->valeur1 = 100;
    d->taille = 100;
    d->masquePassages = kMasquePassagesTous;
    d->relatif = 0;
    d->forme1 = 33;
    d->forme2 = 66;
  } else {
    d->taille = ReadShort();
    d->masquePassages = uint32_t(ReadLong());
    d->relatif = LitOctet();
    d->forme1 = LitMot();
    d->forme2 = LitMot();
  }
  if (v >= 0x9630) d->alignementTempo = LitMot();
  if (d->taille < 1) d->taille = 100;
  return EndOfFile() ? 0 : 1;
}
