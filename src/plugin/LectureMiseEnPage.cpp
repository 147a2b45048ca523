// Records of the native format kept at document and view level: page
// setups, titles and a staff's appearance in a view. A record is read over
// the defaults its holder already has, so a field an older document lacks
// keeps its default.
#include <cmath>
#include <cstring>

#include "layout/MiseEnPage.h"
#include "model/Portee.h"
#include "model/StrTitre.h"
#include "plugin/LectureDocument.h"
#include "system/QrvFiles.h"

namespace {

uint8_t LitOctet() {
  const int16_t c = ReadCar();
  return c < 0 ? 0 : uint8_t(c);
}

uint16_t LitMot() { return uint16_t(ReadShort()); }

// 1 while the stream holds what was read.
int16_t Resultat() { return EndOfFile() ? 0 : 1; }

void LitBlocEntete(BlocEnteteMiseEnPage* bloc, bool enTete) {
  for (char* modele : bloc->modele) ReadUTFString(modele, sizeof bloc->modele[0]);
  for (TextStyle& style : bloc->style) ReadTextStyle(&style);
  bloc->miroirPagesPaires = LitOctet();
  bloc->filetDessus = LitOctet();
  const uint8_t bits = LitOctet();
  bloc->filetDessous = bits & 1;
  bloc->pasSurPage1 = (bits >> 1) & 1;
  bloc->retraitGauche = ReadShort();
  bloc->retraitDroit = ReadShort();
  int32_t distance = LitMot();
  // Older documents stored the header's distance 92 short.
  if (enTete && VersionQuarvelLoad < 0x0750) distance += 92;
  bloc->distanceBord = int16_t(distance);
}

// The name and the short name of a staff's appearance are stored alike.
void LitNomAspect(char (&nom)[256], int16_t (&valeurs)[2], TextStyle* style, uint16_t* encodage) {
  ReadUTFString(nom, sizeof nom);
  valeurs[0] = ReadShort();
  valeurs[1] = ReadShort();
  ReadTextStyle(style);
  *encodage = LitMot();
}

}  // namespace

int16_t ReadMiseEnPage(MiseEnPage* setup) {
  if (!setup) return 0;
  MiseEnPage& m = *setup;
  if (VersionQuarvelLoad >= 0x0800) {
    // A scale that is no number (NaN, infinite) keeps the standard one: the
    // layout divides by it and turns the results into pixels.
    const float echelle = ReadFloat();
    if (std::isfinite(echelle)) m.echelle = echelle;
  } else {
    m.echelle = float(ReadShort()) * 0.01f;
  }
  m.margeGauche = ReadShort();
  m.margeHaut = ReadShort();
  m.margeDroite = ReadShort();
  m.margeBas = ReadShort();
  // Bars are 1-based and the range is never empty.
  const uint16_t premiere = LitMot();
  const uint16_t derniere = LitMot();
  m.premiereMesure = int16_t(premiere < 1 ? 1 : premiere > 32767 ? 32767 : premiere);
  m.derniereMesure = int16_t(derniere < uint16_t(m.premiereMesure) ? m.premiereMesure
                             : derniere > 32767                    ? 32767
                                                                   : derniere);
  m.titres = LitOctet();
  const uint8_t pages = LitOctet();
  m.pagesParoles = pages & 1;
  m.octetsReserves1[0] = (pages >> 1) & 1;
  m.octetsReserves1[1] = (pages >> 2) & 1;
  m.octetsReserves1[2] = LitOctet();
  m.bandeHautSysteme = LitOctet();
  for (uint8_t& o : m.octetsReserves2) o = LitOctet();
  m.garderSystemesEntiers = LitOctet();
  m.justifier = LitOctet();
  if (VersionQuarvelLoad >= 0x0710) m.regroupement = LitOctet();
  if (VersionQuarvelLoad >= 0x0740) {
    m.octetCopiePartition = LitOctet();
    uint8_t b = LitOctet();
    m.entetesLignes = b & 1;
    m.rappelCleArmure = (b >> 1) & 1;
    b = LitOctet();
    m.cacherPorteesVides = b & 1;
    m.montrerPorteesUneFois = (b >> 1) & 1;
    b = LitOctet();
    m.repartirSystemes = b & 1;
    m.pasSurDernierePage = (b >> 1) & 1;
    b = LitOctet();
    m.systemesVidesAvecBarre = b & 1;
    m.justifierDernierSysteme = (b >> 1) & 1;
    m.margesMiroir = (b >> 2) & 1;
    const uint8_t premierePage = LitOctet();
    m.premierePageMusique = VersionQuarvelLoad >= 0x0920 ? premierePage : 0;
    m.regroupementMin = LitOctet();
    m.ecartSystemes = ReadShort();
  }
  LitBlocEntete(&m.basDePage, false);
  LitBlocEntete(&m.enTete, true);
  if (VersionQuarvelLoad < 0x0513) return Resultat();
  m.valeurReservee = ReadShort();
  if (VersionQuarvelLoad < 0x0941) return Resultat();
  m.retraitPremierSysteme = ReadShort();
  ReadGap(16);
  return Resultat();
}

int16_t ReadStrTitre(StrTitre* title) {
  if (!title) return 0;
  ReadUTFString(title->texte, sizeof title->texte);
  ReadTextStyle(&title->style);
  title->flag = LitOctet();
  for (int i = 0; i < 4; i++) title->positions[i] = ReadShort();
  if (VersionQuarvelLoad >= 0x0920) title->positions[4] = ReadShort();
  return Resultat();
}

// The stored appearance, in file order; each field's place in the record
// (1 to 46) names the kept fields of AspectConserve.
int16_t ReadAspectGraphiquePortee(AspectGraphiquePortee* aspect) {
  if (!aspect) return 0;
  AspectGraphiquePortee& a = *aspect;
  AspectConserve& k = a.conserve;
  k.mot1 = LitMot();
  k.mot2 = LitMot();
  a.valeur2 = uint32_t(int32_t(ReadShort()));
  ReadString(k.nomVue, sizeof k.nomVue);
  for (TextStyle& s : k.stylesVue) ReadTextStyle(&s);
  a.octet1 = LitOctet();
  k.mot9 = LitMot();
  k.octet10 = LitOctet();
  k.octet11 = LitOctet();
  k.valeur12 = LitOctet();
  k.mot13 = LitMot();
  a.valeur1 = 1;
  ReadString(k.texte14, sizeof k.texte14);
  ReadGap(2);
  a.mot1 = -2;
  LitNomAspect(a.nom, a.valeursNom, &a.styleNom, &a.encodageNom);
  LitNomAspect(a.nomAbrege, a.valeursNomAbrege, &a.styleNomAbrege, &a.encodageNomAbrege);
  k.octet17 = LitOctet();
  k.octet18 = LitOctet();
  a.modeAffichage = uint32_t(int32_t(ReadShort()));
  a.tailleUnite = LitMot();
  a.octet2 = LitOctet();
  for (uint8_t& o : a.octets1) o = LitOctet();
  a.corpsAccord = LitMot();
  for (uint8_t& o : k.octets23) o = LitOctet();
  const uint8_t bits24 = LitOctet();
  k.interrupteurs24[0] = bits24 & 1;
  k.interrupteurs24[1] = (bits24 >> 2) & 1;
  k.interrupteurs24[2] = (bits24 >> 4) & 1;
  ReadGap(1);
  for (uint8_t& o : k.octets25) o = LitOctet();
  const uint8_t x = LitOctet();
  if (VersionQuarvelLoad >= 0x0960) {
    a.flagsLignes[0] = x;
    for (int i = 1; i < 7; i++) a.flagsLignes[i] = LitOctet();
    k.valeur26 = LitOctet();
    ReadGap(31);
  } else {
    for (uint8_t& f : a.flagsLignes) f = x;
  }
  a.mot2 = LitMot();
  k.paire28[1] = LitOctet();
  k.paire28[0] = LitOctet();
  for (uint8_t& o : a.afficheLigne) o = LitOctet();
  a.ligneBarrePremiere = LitMot();
  a.ligneBarreDerniere = LitMot();
  a.motBarre = LitOctet();
  k.octet33 = LitOctet();
  const uint8_t bits34 = LitOctet();
  k.interrupteurs34[0] = bits34 & 1;
  k.interrupteurs34[1] = ((bits34 >> 1) & 1) ^ 1;
  a.tailleQueue = LitOctet();
  a.epaisseurBarre = LitOctet();
  a.ecartBarre = LitOctet();
  a.tailleQueue2 = LitOctet();
  k.octet35 = LitOctet();
  k.valeur36 = LitOctet();
  ReadTextStyle(&a.styleStd);
  a.numeroMesure1 = LitMot();
  a.numeroMesure2 = LitMot();
  a.numeroMesure3 = LitOctet();
  k.octet41 = LitOctet();
  a.numeroMesure4 = LitMot();
  a.numeroMesure5 = LitOctet();
  k.octet44 = LitOctet();
  k.octet45 = LitOctet();
  k.mot46 = LitMot();
  return Resultat();
}
