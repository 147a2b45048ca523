// A staff's tablature record as native documents store it: the instrument,
// its strings, the fingering weights, display switches and styles, the
// harmonica block and the accordion keyboard and bass tables. Counts beyond
// the record's room are read in full and the excess dropped, so that what
// follows stays in step.
#include <algorithm>
#include <cstring>
#include <utility>

#include "plugin/LectureDocument.h"
#include "stafftypes/DonneesTablature.h"
#include "system/Couleurs.h"
#include "system/QrvFiles.h"
#include "text/TextStyle.h"

namespace {

uint8_t LitOctet() {
  const int16_t c = ReadCar();
  return c < 0 ? 0 : uint8_t(c);
}

uint16_t LitMot() { return uint16_t(ReadShort()); }

// A short string of at most `max` characters into a buffer of max + 1.
void LitChaine(char* buffer, int16_t max) { ReadUTFString(buffer, int16_t(max + 1)); }

void ReadHarmonica(Tablature* t) {
  const uint16_t v = VersionQuarvelLoad;
  Harmonica& h = t->harmonica;
  h.modele = ReadShort();
  h.hauteurReference = LitMot();
  // A symbol style or label mode the drawing does not know takes its default.
  const int16_t style = ReadShort();
  h.styleSymboles = style >= 0 && style <= 4 ? uint32_t(style) : 0;
  const uint8_t mode = LitOctet();
  h.modeLibelles = mode <= 2 ? mode : 2;
  const uint8_t b = LitOctet();
  h.orientation = b & 1;
  h.cercleCoulisse = (b >> 1) & 1;
  h.secondePasse = (b >> 2) & 1;
  h.bendsPermis = (b >> 3) & 1;
  h.overblowsPermis = (b >> 4) & 1;
  h.afficheInconnus = LitOctet();
  h.lignesAffichees = LitOctet();
  if (h.modele != -1) return;

  // The definition as stored: one name, the flags, two counts and the holes.
  // The hole count is checked where the model is built.
  DefinitionHarmonica& d = h.definition;
  LitChaine(d.nomFrancais, 31);
  std::memcpy(d.nomAnglais, d.nomFrancais, sizeof d.nomAnglais);
  d.chromatique = LitOctet();
  if (v >= 0x9630) d.valves = LitOctet();
  d.nbTrousUtilises = LitOctet();
  uint8_t trous = LitOctet();
  int utilises = 0;
  for (int i = 0; i < kNbTrousHarmonica; i++) {
    d.souffle[i] = LitOctet();
    d.aspire[i] = LitOctet();
    ReadGap(2);
    if (v >= 0x0750) {
      d.souffleCoulisse[i] = LitOctet();
      d.aspireCoulisse[i] = LitOctet();
      ReadGap(2);
    }
    if (v >= 0x9630)
      for (auto& r : d.rangees) r[i] = LitOctet();
    if (d.souffle[i] || d.aspire[i] || d.souffleCoulisse[i] || d.aspireCoulisse[i]) utilises++;
  }
  // Some documents store the two counts the wrong way round: the holes that
  // carry a pitch tell which is which.
  if (utilises == d.nbTrousUtilises && utilises != trous) std::swap(trous, d.nbTrousUtilises);
  d.nbTrous = trous;
}

void LitAccordeon(Tablature* t) {
  Accordeon& a = t->accordeon;
  a.present = 1;
  a.modeAffichage = ReadShort();
  ReadGap(1);
  a.lignesAffichees = LitOctet();
  a.intervalleSoufflet = LitMot();
  static constexpr int16_t kMax[6] = {63, 63, 254, 31, 31, 254};
  for (int i = 0; i < 6; i++) LitChaine(a.chaines[i], kMax[i]);
  a.premierBouton = ReadShort();
  const uint16_t rangees = LitMot();
  const uint16_t basses = LitMot();
  // A keyboard has one to three rows: a stored 0 keeps one (without pitches),
  // so that no row index of the drawing or the fingering falls below 0.
  a.nbRangees = std::clamp<uint16_t>(rangees, 1, kNbRangeesAccordeon);
  a.nbRangeesBasses = std::min<uint16_t>(basses, kNbRangeesBassesAccordeon);
  for (auto& nom : a.nomsRangees) LitChaine(nom, 31);

  // The stored rows are read whatever their number; past the record's room
  // they go to a scratch slot. A count the rest of the stream cannot hold
  // ends the reading at the stream's end.
  BoutonAccordeon boutonJete;
  for (auto& bouton : a.clavier) {
    for (uint16_t r = 0; r < rangees && !EndOfFile(); r++) {
      BoutonAccordeon& b = r < kNbRangeesAccordeon ? bouton[r] : boutonJete;
      ReadGap(1);
      b.pousse = int8_t(LitOctet());
      ReadGap(1);
      b.tire = int8_t(LitOctet());
    }
  }
  AccordAccordeon accordJete;
  for (auto& banque : a.basses) {
    for (uint16_t r = 0; r < basses && !EndOfFile(); r++) {
      AccordAccordeon& c = r < kNbRangeesBassesAccordeon ? banque[r] : accordJete;
      LitChaine(c.nomPousse, 11);
      LitChaine(c.notesPousse, 35);
      LitChaine(c.nomTire, 11);
      LitChaine(c.notesTire, 35);
    }
  }
  if (VersionQuarvelLoad >= 0x0800) a.octet800 = LitOctet();
}

}  // namespace

int16_t ReadTablature(Tablature* t) {
  const uint16_t v = VersionQuarvelLoad;
  const uint8_t present = LitOctet();
  if (present == 0 && (v < 0x0301 || v > 0x074F)) return 0;

  t->kind = v < 0x0920 ? uint32_t(int32_t(ReadShort())) : uint32_t(ReadLong());
  const uint16_t cordes = LitMot();
  t->nbCordes = cordes;
  // Strings past the record's room are read into a scratch slot.
  CordeTablature jetee;
  if (v >= 0x0610) {
    for (uint16_t i = 0; i < cordes && !EndOfFile(); i++) {
      CordeTablature& c = i < kNbCordesTablature ? t->cordes[i] : jetee;
      c.valeurs[1] = LitMot();
      c.valeurs[0] = LitMot();
      c.valeurs[2] = LitMot();
    }
    t->transposition = LitOctet();
    t->modeNumeros = LitOctet();
  } else {
    const uint16_t commune = LitMot();
    for (uint16_t i = 0; i < cordes && !EndOfFile(); i++) {
      CordeTablature& c = i < kNbCordesTablature ? t->cordes[i] : jetee;
      c.valeurs[0] = LitMot();
      c.valeurs[1] = commune;
      c.valeurs[2] = 0;
    }
  }

  t->envergure = LitMot();
  t->poidsCase = LitMot();
  t->poidsCordeVide = LitMot();
  t->poidsChangementCorde = LitMot();
  t->profondeur = LitMot();

  TextStyle& numeros = t->styles[0];
  numeros.size = ReadShort();
  ReadGap(1);
  numeros.face = LitOctet();
  t->octetPoids = LitOctet();
  if (v >= 0x0203) {
    t->couleur = LitOctet();
    CvtIndexEnRGB(LitOctet(), &numeros.color);
  }
  t->flagsAffichage = LitOctet();
  if (v < 0x0301) {
    ReadGap(4);
  } else {
    t->mot = LitMot();
    t->capo = LitOctet();
    const uint8_t b = LitOctet();
    t->afficheCapo = b & 1;
    t->effaceDerriere = ((b >> 1) & 1) ^ 1;
  }
  t->poidsEcart = LitMot();

  bool stylesLus = false;
  if (v >= 0x0322) {
    ReadHarmonica(t);
    if (v >= 0x0750 && LitMot() == 1) LitAccordeon(t);
    const uint8_t b = LitOctet();
    t->teteHarmoniques = b & 1;
    t->marquesDessinees = ((b >> 1) & 1) ^ 1;
    t->liaisonsDessinees = ((b >> 2) & 1) ^ 1;
    t->decalageVertical = int8_t(LitOctet());
    t->suitOctaves = LitOctet();
    t->octetReserve = LitOctet();
    t->partageGroupe = LitOctet();
    ReadGap(6);
    t->afficheAccordage = LitOctet();
    t->afficheTAB = LitOctet();
    if (v >= 0x9630) {
      numeros.color.red = LitMot();
      numeros.color.green = LitMot();
      numeros.color.blue = LitMot();
    } else {
      ReadGap(6);
    }
    ReadGap(13);
    if (v >= 0x9630) {
      const int16_t numero = ReadShort();
      char nom[254];
      ReadString(nom, sizeof nom);
      numeros.font = nom[0] && !EndOfFile() ? ResoutFonteNommee(nom, numero) : numero;
      ReadTextStyle(&t->styles[2]);
      ReadTextStyle(&t->styles[1]);
      stylesLus = true;
    }
  }
  if (!stylesLus) {
    t->styles[1] = numeros;
    t->styles[2] = numeros;
    CvtIndexEnRGB(t->couleur, &t->styles[2].color);
  }
  return present;
}
