// The staff record of a native document: header and clef, names and their
// styles, display settings, the note array, then every list the staff owns
// (texts, diagram placements, graphics, tablature, laws, dynamics, sound
// effects, the key and clef table, curves, voice settings, height events,
// custom diagrams), each field read only from the version that stores it.
#include <algorithm>
#include <cstring>
#include <vector>

#include "layout/HauteursPortees.h"
#include "layout/Titres.h"
#include "model/Courbes.h"
#include "model/DonneesAccords.h"
#include "model/Lois.h"
#include "model/ParamEffet.h"
#include "model/Partition.h"
#include "model/Portee.h"
#include "model/QRVPOBJ.h"
#include "model/QrvDynamics.h"
#include "model/QrvFXs.h"
#include "model/QrvText.h"
#include "model/SGraphix.h"
#include "model/Signe.h"
#include "model/StaffHeightEvts.h"
#include "model/Tonalite.h"
#include "model/TonaliteMaths.h"
#include "notation/DiagrammesPortee.h"
#include "platform/Memory.h"
#include "plugin/LectureDocument.h"
#include "plugin/LectureFX.h"
#include "plugin/Necks.h"
#include "plugin/ServicesInertes.h"
#include "sound/DonneesFX.h"
#include "sound/Lyrastel.h"
#include "sound/PisteNumerique.h"
#include "stafftypes/CellulesKaraoke.h"
#include "stafftypes/DonneesTablature.h"
#include "stafftypes/PorteeParoleTempoPiste.h"
#include "system/Handles.h"
#include "system/QrvFiles.h"
#include "system/Reporters.h"
#include "text/Fontes.h"
#include "text/TextEncodings.h"

namespace {

uint8_t LitOctet() {
  const int16_t c = ReadCar();
  return c < 0 ? 0 : uint8_t(c);
}

uint16_t LitMot() { return uint16_t(ReadShort()); }

// A short string of at most `max` characters into a buffer of max + 1 bytes.
// Before 9.20 the text is converted to UTF-8 unless `filtreSeul`.
void LitChaineCourte(char* buffer, int16_t max, bool filtreSeul = false) {
  if (filtreSeul) ReadString(buffer, uint16_t(max + 1));
  else ReadUTFString(buffer, int16_t(max + 1));
}

// Truncated towards 0, held within 32 bits (hostile values would not fit).
int32_t TronqueEnEntier(float x) {
  if (!(x > -2147483520.0f)) return x != x ? 0 : INT32_MIN;
  if (x >= 2147483520.0f) return INT32_MAX;
  return int32_t(x);
}

// Fewest bytes of a key-table entry at the version being read.
int32_t TailleMinEntreeTonalite() {
  int32_t n = 2 + 2 + 3 + 2 + 1 + 9 + 4;
  if (VersionQuarvelLoad >= 0x0800) n++;
  if (VersionQuarvelLoad >= 0x0850) n++;
  if (VersionQuarvelLoad >= 0x0940) n += 2;
  if (VersionQuarvelLoad >= 0x0960) n += 2 + 512;
  return n;
}

// Steps 1 and 2: the type (old types mapped) and the new staff with its clef.
Portee** CreePortee(Partition** score) {
  uint32_t type = LitMot();
  uint32_t typeCle = kClefSol;
  uint8_t ancienneCle = 0;
  if (VersionQuarvelLoad < 0x0610) {
    if (type == 6) {
      type = kTypePorteeStandard;
      typeCle = kClefUt;
      ancienneCle = 1;
    } else if (type == 5) {
      type = kTypePorteeStandard;
      typeCle = kClefUt;
    } else if (type == 1) {
      type = kTypePorteeStandard;
      typeCle = kClefFa;
    }
  }
  if (EndOfFile()) return nullptr;
  Portee** staff = nullptr;
  if (score) {
    staff = CreePorteeVide(score, type, 1, 0);
  } else if ((staff = AllouePortee()) != nullptr) {
    InitPortee(nullptr, staff, type, 1);
  }
  if (!staff) {
    Collapse("Read portee: Plus de place memoire");
    return nullptr;
  }
  (*staff)->natif.ancienneCle = ancienneCle;
  Clef cle;
  CvtTypeClefEnClefStandard(typeCle, &cle);
  cle.noteDeBase = int8_t(CvtClefEnNoteDeBase(&cle));
  FixeClefMesure(score, staff, 0, &cle, 0);
  return staff;
}

// Steps 3 to 14: ids, names, display settings, chord line, bar numbers, sizes.
void LitEntete(Portee** staff, int32_t dureeReference) {
  const uint16_t v = VersionQuarvelLoad;
  if (v >= 0x0940) {
    // Staff ids are 16-bit in the model: one that does not fit gets a fresh id.
    const uint32_t id = uint32_t(ReadLong());
    (*staff)->idUnique = id <= 0xFFFF ? uint16_t(id) : 0;
  }
  char nom[256];
  ReadUTFString(nom, sizeof nom);
  SetNomPortee(staff, nom);
  Portee* p = *staff;
  AspectGraphiquePortee& a = p->aspect;
  bool styleAbrege = false;
  if (v >= 0x0610) {
    ReadTextStyle(&a.styleNom);
    p->natif.valeurNom = ReadShort();
  }
  if (v >= 0x0780) {
    a.valeursNom[0] = ReadShort();
    a.valeursNom[1] = ReadShort();
  }
  if (v >= 0x0920) {
    a.encodageNom = LitMot();
    CheckUTFString(a.nom);
  }
  if (v >= 0x0790) {
    char abrege[256];
    ReadUTFString(abrege, sizeof abrege);
    SetNomAbregePortee(staff, abrege);
    p = *staff;
    p->aspect.valeursNomAbrege[0] = ReadShort();
    p->aspect.valeursNomAbrege[1] = ReadShort();
  }
  if (v >= 0x0920) {
    p->aspect.encodageNomAbrege = LitMot();
    CheckUTFString(p->aspect.nomAbrege);
    ReadTextStyle(&p->aspect.styleNomAbrege);
    styleAbrege = true;
  }
  if (!styleAbrege) p->aspect.styleNomAbrege = p->aspect.styleNom;

  p->affichee = LitOctet();
  p->octet2 = LitOctet();
  p->marqueur1 = ReadShort();
  if (p->type == kTypePorteeTempo) {
    p->marqueur1 = -1;
    p->octet2 = 1;
  }
  if (v >= 0x0920) p->valeurIndex = LitMot();
  if (v >= 0x0850) {
    LibereHandle(&p->collection);
    p->collection = ReadCollection();
  }

  if (v <= 0x0202) {
    ReadGap(2);
  } else {
    p->flagVue = LitOctet() & 1;
    if (v < 0x0910) {
      const uint8_t b = LitOctet();
      p->quartetsFlags[0] = b >> 4;
      p->quartetsFlags[1] = b & 15;
      // The bracket and brace marks of the staff, made into part groups
      // after loading.
      p->ancienGroupeCrochet = uint16_t(b >> 4);
      p->ancienGroupeAccolade = uint16_t(b & 15);
    }
  }
  // Bar-number settings documents do not store (and, before 5.11, the style,
  // interval and switches) take those of a new staff: numbers from bar 1,
  // no offset or prefix, every bar, in the standard style.
  p->premiereMesureNumerotee = 1;
  p->decalageNumeroMesure = 0;
  p->prefixeNumeroMesure = 0;
  p->intervalleNumeroMesure = 1;
  std::memset(p->switchesNumeroMesure, 0, sizeof p->switchesNumeroMesure);
  FixeTextStyleStd(&p->styleNumeroMesure);
  p = *staff;
  p->reglageNumeroMesure = LitOctet();
  p->octetNumeroMesure = LitOctet();
  const uint8_t minimum = LitOctet();
  p->minimumNumeroMesure = minimum < 3 ? 3 : minimum;

  // The chord-name line.
  if (v >= 0x0750) {
    p->ligneAccords = LitOctet();
    for (uint8_t& r : p->reglagesLigneAccords) r = LitOctet();
    p->valeursLigneAccords[0] = LitMot();
    const uint16_t second = LitMot();
    if (v < 0x0850) {
      p->valeursLigneAccords[1] = uint16_t(second * 4u);
    } else {
      p->valeursLigneAccords[1] = second;
      p->octetLigneAccords = LitOctet();
    }
    ReadTextStyle(&p->stylesLigneAccords[0]);
    ReadTextStyle(&p->stylesLigneAccords[1]);
    p->octetsLigneAccords[0] = LitOctet();
    p->octetsLigneAccords[1] = LitOctet();
    p->sensRatioAccords = LitOctet();
    p->ratioAccords = LitMot();
    LitChaineCourte(p->chaineLigneAccords, 254);
    ReadTextStyle(&p->styleChaineLigneAccords);
  } else {
    const uint8_t b = LitOctet();
    p->ligneAccords = b != 0;
    p->reglagesLigneAccords[0] = (b >> 1) & 1;
    p->reglagesLigneAccords[1] = b & 1;
    p->reglagesLigneAccords[2] = (b >> 2) & 1;
    p->ratioAccords = LitMot();
  }

  if (v >= 0x0511) {
    ReadTextStyle(&p->styleNumeroMesure);
    p->intervalleNumeroMesure = LitMot();
    const uint8_t b = LitOctet();
    for (int i = 0; i < 3; i++) p->switchesNumeroMesure[i] = (b >> i) & 1;
    p->neck = v < 0x0920 ? ReadShort() : ReadNeck();
    p->octetNeck = LitOctet();
  }

  // The ratio of the chord line against the reference duration. Pattern
  // staves have no reference: their ratio stays as read.
  int32_t ratio = p->ratioAccords;
  if (dureeReference > 0 && (v >= 0x0203 ? ratio >= 257 : ratio >= 1)) {
    if (ratio >= dureeReference) {
      p->sensRatioAccords = 0;
      ratio /= dureeReference;
    } else {
      p->sensRatioAccords = 1;
      ratio = dureeReference / ratio;
    }
  }
  p->ratioAccords = uint16_t(ratio < 0 ? 0 : (ratio > 256 ? 256 : ratio));

  p->natif.motRuban = LitMot();
  p->hauteurRuban = ReadShort();
  if (v >= 0x0301) {
    p->hauteurBaseRuban = ReadShort();
    p->nbLignesAccords = LitMot();
  }
  const uint16_t taille = LitMot();
  p->taillePortee = v < 0x0511 ? uint16_t(taille * 3u) : taille;
  if (v >= 0x0203)
    for (uint16_t& r : p->reglagesLignes) r = LitOctet();
}

// Step 15: the notes, and the effects they carry into the staff's list.
bool LitNotes(Portee** staff) {
  int32_t n = ReadShort();
  if (n == -1) n = ReadLong();
  if (EndOfFile() || n < 0 || n > kMaxSignes || int64_t(n) * TailleMinSigne() > GetStreamRemaining()) {
    ioCustom.finFichier = 1;
    return false;
  }
  if (!(*staff)->notes) (*staff)->notes = NewHandleClear(0);
  if (!(*staff)->notes || !RetailleHandle((*staff)->notes, Size(n) * Size(sizeof(Signe)))) return false;
  int32_t garde = 0;
  for (int32_t i = 0; i < n && !EndOfFile(); i++) {
    Signe s;
    ReadSignePortee(staff, garde, &s, &(*staff)->paramEffets, &(*staff)->nbParamEffets);
    Signe* notes = reinterpret_cast<Signe*>(*(*staff)->notes);
    // A special sign repeated inside a chord with the same duration stands
    // once.
    if (garde > 0 && (s.kind == kSigneSpecial || s.kind == kSigneRepeteDeuxMesures)) {
      const Signe& avant = notes[garde - 1];
      if ((avant.flags & kSigneAccordSuite) && avant.kind == s.kind && avant.duree == s.duree) {
        notes[garde - 1] = s;
        continue;
      }
    }
    notes[garde++] = s;
  }
  (*staff)->nbNotes = garde;
  if (garde < n) RetailleHandle((*staff)->notes, Size(garde) * Size(sizeof(Signe)));

  Signe* notes = reinterpret_cast<Signe*>(*(*staff)->notes);
  if ((*staff)->type == kTypePorteeBatterie) {
    for (int32_t i = 0; i < garde; i++)
      if (notes[i].kind == kSigneSilenceFantome) notes[i].kind = kSigneSilence;
  } else if ((*staff)->type == kTypePorteeTempo && VersionQuarvelLoad <= 0x07FF) {
    Partition** score = (*staff)->partition;
    const float f = score ? float((*score)->facteurTempo) : 100.0f;
    for (int32_t i = 0; i < garde; i++)
      if (notes[i].kind >= 0) InjecteTempoDansNote(&notes[i], f * CvtOldHauteurTempoToNewTempo(&notes[i]) * 0.01f);
  }
  return true;
}

// Steps 18 to 31: settings, texts, placements, graphics, tablature, laws,
// dynamics and sound effects. False when the staff cannot be read on.
bool LitListes(Portee** staff, uint8_t lireGraphiques) {
  const uint16_t v = VersionQuarvelLoad;
  Portee* p = *staff;
  const uint8_t b = LitOctet();
  p->natif.interrupteur = b & 1;
  p->natif.valeurOctet = uint8_t(b >> 1);
  if (v >= 0x0750) {
    LitChaineCourte(p->natif.chaine, 254);
    ReadTextStyle(&p->natif.styleChaine);
    p->natif.motChaine = LitMot();
  }
  p->octetsGroupe[0] = LitOctet();
  if (v >= 0x0960) {
    for (int i = 1; i < 7; i++) p->octetsGroupe[i] = LitOctet();
    ReadGap(32);
  } else {
    for (int i = 1; i < 7; i++) p->octetsGroupe[i] = p->octetsGroupe[0];
  }

  // Texts.
  const int16_t nbTextes = ReadShort();
  if (EndOfFile() || int64_t(nbTextes) > GetStreamRemaining()) return false;
  for (int16_t i = 0; i < nbTextes; i++) {
    Texte t;
    std::memset(&t, 0, sizeof t);
    char* chaine = ReadTexte(&t);
    if (EndOfFile()) {
      DisposeEncodedStr(chaine);
      return false;
    }
    if (chaine) {
      SetEnregTexte(staff, -1, &t, chaine);
      DisposeEncodedStr(chaine);
    }
  }
  ReadTextStyle(&(*staff)->styleTexte);

  // Chord-diagram placements.
  const int16_t nbPlaces = ReadShort();
  if (EndOfFile() || int64_t(nbPlaces) > GetStreamRemaining()) return false;
  for (int16_t i = 0; i < nbPlaces; i++) {
    PlacementDiagramme place;
    std::memset(&place, 0, sizeof place);
    ReadDiagrammeAccord(&place);
    if (EndOfFile()) return false;
    const int32_t k = NewDiagramme(staff);
    if (k >= 0) reinterpret_cast<PlacementDiagramme*>(*(*staff)->diagrammes)[k] = place;
  }

  // Graphics.
  if (lireGraphiques) {
    const int16_t n = ReadShort();
    if (EndOfFile() || int64_t(n) > GetStreamRemaining()) return false;
    for (int16_t i = 0; i < n; i++) {
      Graphique g;
      std::memset(&g, 0, sizeof g);
      ReadGraphique(&g);
      if (EndOfFile()) {
        LibereHandle(&g.donnees);
        return false;
      }
      const int32_t k = NewGraphique(staff);
      if (k < 0) LibereHandle(&g.donnees);
      else reinterpret_cast<Graphique*>(*(*staff)->graphiques)[k] = g;
    }
  }

  // The tablature record, read whatever the type.
  Tablature tab;
  std::memset(&tab, 0, sizeof tab);
  // The preferences' tablature styles are the standard style here.
  for (TextStyle& style : tab.styles) FixeTextStyleStd(&style);
  tab.partageGroupe = 1;
  // Documents older than the marks-and-ties switches draw both.
  tab.marquesDessinees = 1;
  tab.liaisonsDessinees = 1;
  if (ReadTablature(&tab) && (*staff)->type != kTypePorteeBatterie && (*staff)->type != kTypePorteeParole) {
    if (!(*staff)->tablature) (*staff)->tablature = NewHandleClear(Size(sizeof(Tablature)));
    if (Handle h = (*staff)->tablature) {
      // The file holds no slots: the record's kind installs them.
      *reinterpret_cast<Tablature*>(*h) = tab;
      InitVecteursTablature(staff, tab.kind);
    }
  }
  FixeTablatureEtAccordsNonCalcules(staff);
  if (EndOfFile()) return false;

  if (v < 0x0500) {
    (*staff)->hauteurBaseLigneTexte = uint16_t((*staff)->hauteurBaseRuban + 24);
    return true;
  }

  (*staff)->karaoke = LitOctet();
  int32_t nbT = 0;
  Texte* textes = (*staff)->textes ? reinterpret_cast<Texte*>(*(*staff)->textes) : nullptr;
  if (textes)
    nbT = std::min<int32_t>((*staff)->nbTextes, int32_t(GetHandleSize((*staff)->textes) / Size(sizeof(Texte))));
  for (int32_t i = 0; i < nbT; i++) {
    if (!(*staff)->karaoke) {
      if (textes[i].ligne == 1) textes[i].ligne = 0;
    } else if (v <= 0x0511) {
      textes[i].ligne = 1;
      if (textes[i].texte)
        for (char* c = *textes[i].texte; *c; c++)
          if (*c == '_') *c = '^';
    }
  }
  if (v < 0x0512) {
    (*staff)->styleLigneTexte = (*staff)->styleTexte;
    (*staff)->styleLigneTexte2 = (*staff)->styleTexte;
  } else {
    ReadTextStyle(&(*staff)->styleLigneTexte);
    if (v >= 0x0750) ReadTextStyle(&(*staff)->styleLigneTexte2);
  }
  // The swap to the standard font is for Japanese documents; the interface
  // language here is English, so the stored font stands.
  if (v >= 0x0600) (*staff)->natif.octetLangue = LitOctet();
  (*staff)->natif.octetLigneTexte = LitOctet();
  (*staff)->hauteurBaseLigneTexte = LitMot();

  if (v >= 0x0600) {
    const int16_t n = ReadShort();
    if (EndOfFile() || int64_t(n) > GetStreamRemaining()) return false;
    for (int16_t i = 0; i < n; i++) {
      Loi loi;
      std::memset(&loi, 0, sizeof loi);
      ReadLoi(&loi);
      if (EndOfFile()) {
        DeleteTabMark(&loi.effets.marks);
        return false;
      }
      const int32_t k = NewLoi(staff);
      if (k < 0) {
        DeleteTabMark(&loi.effets.marks);
      } else {
        // The new slot copies the previous law's marks: the law read replaces them.
        Loi& place = reinterpret_cast<Loi*>(*(*staff)->lois)[k];
        DeleteTabMark(&place.effets.marks);
        place = loi;
      }
    }
  }
  if (v >= 0x0610) {
    const int16_t n = ReadShort();
    if (EndOfFile() || int64_t(n) > GetStreamRemaining()) return false;
    for (int16_t i = 0; i < n; i++) {
      Dynamique d;
      std::memset(&d, 0, sizeof d);
      ReadDynamique(&d);
      if (EndOfFile()) return false;
      // Documents up to 9.63 stored these positions for a staff of size 72.
      if (v <= 0x0963) {
        const float s = float((*staff)->taillePortee) / 72.0f;
        const int32_t haut = TronqueEnEntier(float(d.haut) * s);
        d.bas = TronqueEnEntier(float(int64_t(d.bas) - d.haut) * s + float(haut));
        d.haut = haut;
      }
      const int32_t k = NewDynamique(staff);
      if (k >= 0) reinterpret_cast<Dynamique*>(*(*staff)->dynamiques)[k] = d;
    }
  }
  if (v >= 0x0630) {
    const int16_t n = ReadShort();
    if (EndOfFile() || int64_t(n) > GetStreamRemaining()) return false;
    for (int16_t i = 0; i < n; i++) {
      const int32_t k = NewFX(staff);
      if (k < 0) return false;
      FX* fx = reinterpret_cast<FX*>(*(*staff)->fxs) + k;
      if (!ReadFX(fx)) return false;
    }
  }
  return true;
}

// Step 32: the key and clef table. False when it cannot be read.
bool LitTabTonalite(Portee** staff) {
  const uint16_t v = VersionQuarvelLoad;
  DisposeTabTonalite(staff);
  const uint16_t n = LitMot();
  if (EndOfFile() || n >= INT16_MAX || int64_t(n) * TailleMinEntreeTonalite() > GetStreamRemaining()) return false;
  std::vector<EltTabTonalite> entrees(n);
  for (uint16_t i = 0; i < n; i++) {
    EltTabTonalite& e = entrees[i];
    std::memset(&e, 0, sizeof e);
    e.mesure = LitMot();
    const int16_t cle = ReadShort();
    const uint8_t mode = LitOctet();
    const uint8_t degre = LitOctet();
    const uint8_t alteration = LitOctet();
    CvtTonaliteStdEnTonalite(cle >= 0 && cle < kNbTonalitesStd ? cle : 0, mode == 1 ? 1 : 0, &e.tonalite);
    if (degre <= 6) e.tonalite.degreTonique = int8_t(degre);
    if (alteration >= 1 && alteration <= 5) e.tonalite.alterationTonique = int8_t(alteration);
    e.tonalite.styleAnnulation = v >= 0x0800 ? LitOctet() : 2;
    if (v >= 0x0850) e.subdivisionBatterie = int8_t(LitOctet());
    e.visible = uint32_t(int32_t(ReadShort()));
    if (v >= 0x0940) e.rappel = uint32_t(int32_t(ReadShort()));
    e.couleurClef = LitOctet();
    uint8_t octets[9];
    for (uint8_t& o : octets) o = LitOctet();
    const uint32_t typeCle =
        uint32_t(octets[0]) << 24 | uint32_t(octets[1]) << 16 | uint32_t(octets[2]) << 8 | octets[3];
    e.clef.type = typeCle >= kClefSol && typeCle <= kClefUt ? typeCle : kClefSol;
    e.clef.decalageLigne = int8_t(octets[4]);
    e.clef.decalageOctave = int8_t(octets[5]);
    e.clef.octet1 = octets[7];
    e.clef.fondCache = octets[8];
    e.clef.noteDeBase = int8_t(CvtClefEnNoteDeBase(&e.clef));
    e.valeursLues[0] = ReadShort();
    e.valeursLues[1] = ReadShort();
    e.lien = kLienTonaliteAucun;
    if (v < 0x0960) {
      for (int k = 0; k < kNbPassagesKaraoke; k++) e.lignesKaraoke[k] = int16_t(k);
    } else {
      if (LitMot() == 1) {
        ParamEffet effets;
        std::memset(&effets, 0, sizeof effets);
        ReadParamEffet(staff, &effets);
        effets.note = -1;
        const int32_t k = NewParamEffetBrt(&(*staff)->paramEffets, &(*staff)->nbParamEffets);
        if (k >= 0 && k < kLienTonaliteAucun) {
          reinterpret_cast<ParamEffet*>(*(*staff)->paramEffets)[k] = effets;
          e.lien = uint16_t(k);
        } else {
          DeleteTabMark(&effets.marks);
        }
      }
      for (int16_t& l : e.lignesKaraoke) l = ReadShort();
    }
    if (EndOfFile()) {
      // The links already made go with the staff's effects list.
      return false;
    }
  }
  // In bar order (a damaged table could be out of it), the first entry of a
  // bar kept; a table without bar 0 starts with the default entry.
  std::stable_sort(entrees.begin(), entrees.end(),
                   [](const EltTabTonalite& a, const EltTabTonalite& b) { return a.mesure < b.mesure; });
  if (n > 0) {
    Handle h = NewHandleClear(Size(n) * Size(sizeof(EltTabTonalite)));
    if (!h) return false;
    std::memcpy(*h, entrees.data(), size_t(n) * sizeof(EltTabTonalite));
    (*staff)->tabTonalite = h;
    (*staff)->nbTonalites = int16_t(n);
    for (int16_t i = 1; i < (*staff)->nbTonalites;) {
      const EltTabTonalite* t = reinterpret_cast<EltTabTonalite*>(*(*staff)->tabTonalite);
      if (t[i].mesure == t[i - 1].mesure) SupprimeEltTabTonalite(staff, i);
      else i++;
    }
  }
  const EltTabTonalite* t = (*staff)->tabTonalite ? reinterpret_cast<EltTabTonalite*>(*(*staff)->tabTonalite) : nullptr;
  if (!t || (*staff)->nbTonalites == 0 || t[0].mesure != 0) {
    Tonalite cle;
    Clef clef;
    SetTonaliteDefaut(&cle);
    SetClefDefaut(&clef);
    if (InsereEltTabTonalite(staff, 0, &cle, &clef, kVisibleClef | kVisibleArmure | kVisibleSignature, 0, -1) < 0)
      return false;
  }
  (*staff)->cacheMesureTonalite = -1;
  (*staff)->cacheIndexTonalite = -1;
  return true;
}

// Steps 33 to 35: merge settings, the digital track, curves, beams, voice
// settings, height events, custom diagrams. False when the staff fails.
bool LitFin(Portee** staff) {
  const uint16_t v = VersionQuarvelLoad;
  ValeursNativesPortee& n = (*staff)->natif;
  const uint16_t m0 = LitMot();
  n.motsFusion[0] = m0 < 1 ? 1 : m0;
  n.motsFusion[1] = LitMot();
  n.octetsFusion[0] = LitOctet();
  n.octetsFusion[1] = LitOctet();
  const int16_t f = ReadShort();
  n.valeurFusion = f < 0 ? 0 : f;
  (*staff)->fusionneAvecSuivante = LitOctet();
  (*staff)->modeFusion = LitOctet();

  if (v >= 0x0700 && (*staff)->type == kTypePorteePisteNumerique && !ReadPisteNumerique(staff)) return false;
  if (v >= 0x0751) {
    for (uint8_t& o : n.octetsPiste) o = LitOctet();
    n.motsPiste[0] = LitMot();
    n.motsPiste[1] = LitMot();
  }
  if (v >= 0x0770) {
    const uint8_t b = LitOctet();
    n.interrupteurs770[0] = b & 1;
    n.interrupteurs770[1] = (b >> 1) & 1;
    n.octet770 = LitOctet();
    if (v < 0x0850) {
      n.interrupteursPiste[0] = 1;
      n.modePiste = 0;
      n.interrupteursPiste[1] = 0;
    } else if (v <= 0x0960) {
      const uint8_t c = LitOctet();
      n.interrupteursPiste[0] = c & 1;
      n.modePiste = (c >> 1) & 1 ? 2 : 0;
      n.interrupteursPiste[1] = (c >> 2) & 1;
      n.interrupteursPiste[2] = (c >> 3) & 1;
    } else {
      const uint8_t c = LitOctet();
      n.interrupteursPiste[0] = c & 1;
      n.interrupteursPiste[1] = (c >> 2) & 1;
      n.interrupteursPiste[2] = (c >> 3) & 1;
      n.interrupteursPiste[3] = (c >> 4) & 1;
    }
    n.motPiste = LitOctet();
    n.octetsPiste2[0] = LitOctet();
    n.octetsPiste2[1] = LitOctet();
  }
  if (v >= 0x0800) {
    n.octet800 = LitOctet();
    (*staff)->idSecond = -2;
    LitChaineCourte((*staff)->nomCourt, 31, true);
    DisposeCourbes(staff);
    (*staff)->courbes = ReadCourbes();
    if (EndOfFile()) return false;
  }

  const uint8_t b1 = LitOctet();
  n.interrupteursFin[0] = b1 & 1;
  n.interrupteursFin[1] = (b1 >> 1) & 1 ? 0 : 1;
  const uint8_t b2 = LitOctet();
  n.bitFin = b2 & 1;
  n.bitsFin = (b2 >> 1) & 3;
  n.octetsFin[0] = LitOctet();
  n.octetsFin[1] = LitOctet();
  const uint8_t pente = LitOctet();
  (*staff)->penteMaxBarre = pente >= 1 && pente <= 128 ? uint8_t(pente - 1) : 25;
  const uint8_t barres = LitOctet();
  (*staff)->epaisseurBarre = barres == 0 ? 12 : uint8_t(barres & 31);
  (*staff)->ecartBarre = barres == 0 ? 6 : uint8_t(barres >> 5);
  if (v < 0x0730) (*staff)->chante = IsPorteeLyrastel(staff) ? 1 : 0;
  else if (!ReadParamsLyrastel(staff)) return false;
  if (EndOfFile()) return false;
  if (v >= 0x0910) {
    DisposeStaffHeightEvts(staff);
    (*staff)->staffHeightEvts = ReadStaffHeightEvts();
  }
  if (v >= 0x0940) {
    ReadGap(1);
    n.octets940[0] = LitOctet();
    ReadGap(1);
    n.octets940[1] = LitOctet();
  }
  if (v >= 0x0960) {
    n.valeur960 = uint32_t(ReadLong());
    const uint8_t mode = LitOctet();
    if (v >= 0x0961) n.modePiste = mode;
    if (v >= 0x9631) {
      n.mot9631 = LitOctet();
      n.octet9631 = LitOctet();
    } else {
      ReadGap(1);
    }
    if (v >= 0x9701) n.octet9701 = LitOctet();
    if (LitOctet()) {
      Handle diagrammes = ReadDiagrammesAccord();
      if (v >= 0x9701) {
        LibereHandle(&(*staff)->diagrammesCustoms);
        (*staff)->diagrammesCustoms = diagrammes;
      } else {
        LibereHandle(&diagrammes);
      }
    }
    n.octetsDerniers[0] = LitOctet();
    n.octetsDerniers[1] = LitOctet();
    ReadGap(26);
  }
  return !EndOfFile();
}

// Step 36.
void Termine(Portee** staff) {
  CalculeDiagrammesAccordsPortee(staff);
  // SEAM(notation): the layout of the chord-name line is computed once its
  // drawing exists (MetsEnFormeLigneTexteAccords).
  // The texts' karaoke switch is the lyrics line's own: a staff read with it
  // shows its line, whose cells go back on their verse rows at its row height
  // (documents before 9.20 keep their cells' own styles).
  if ((*staff)->karaoke) (*staff)->ligneParolesAffichee = 1;
  (*staff)->lignesTexte[0].styleCellule = (*staff)->styleLigneTexte;
  SetStyleCellulesKaraoke(staff, kLigneTexteParoles, VersionQuarvelLoad < 0x0920 ? 1 : 0);
  CheckHauteurPortee(staff);
  if (VersionQuarvelLoad < 0x0910) AjustePositionNomPorteeModePage(staff);
  CheckLeakParamEffetsPortee(staff);
}

// A staff that could not be read: a staff of a score stays with the score
// (freed with it); one of no score is freed here.
Portee** Echec(Portee** staff, bool sansPartition, const char* message) {
  if (message) Collapse(message);
  if (sansPartition && staff) DisposePortee(staff);
  return nullptr;
}

}  // namespace

Portee** ReadPortee(Partition** score, uint8_t lireGraphiques, int32_t dureeReference) {
  Portee** staff = CreePortee(score);
  if (!staff) return nullptr;
  const bool sans = score == nullptr;
  LitEntete(staff, dureeReference);
  if (EndOfFile() || !LitNotes(staff)) return Echec(staff, sans, nullptr);
  if (EndOfFile() || BreakUtilisateurQuarvel())
    return Echec(staff, sans, "Read error: unexpected end of file on ReadPortee");
  if (!LitListes(staff, lireGraphiques) || EndOfFile()) return Echec(staff, sans, nullptr);
  if (VersionQuarvelLoad >= 0x0500) {
    if (VersionQuarvelLoad >= 0x0610 && !LitTabTonalite(staff)) return Echec(staff, sans, nullptr);
    if (!LitFin(staff)) return Echec(staff, sans, nullptr);
  }
  Termine(staff);
  return staff;
}
