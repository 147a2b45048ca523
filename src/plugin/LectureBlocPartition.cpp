// One score block of a native document: the score's display settings, its
// staves, bar lines and repeats, banks, instruments, chord grid, rhythms, bar
// table, spacing setup, free objects, part groups, graphic mode, targets and
// custom chord diagrams, each field read only from the version that stores it.
//
// A block that cannot be read gives 0 and leaves the score in the document,
// consistent (the caller disposes the document).
#include <cstring>
#include <utility>
#include <vector>

#include "layout/ServicesMiseEnPage.h"
#include "model/Cibles.h"
#include "model/CourbeTempo.h"
#include "model/DonneesAccords.h"
#include "model/Matrices.h"
#include "model/ModePaste.h"
#include "model/ObjetsLibres.h"
#include "model/ParamEffet.h"
#include "model/PartGroups.h"
#include "model/Partition.h"
#include "model/QRVPOBJ.h"
#include "model/QrvDynamics.h"
#include "model/QrvText.h"
#include "model/Ruptures.h"
#include "model/Signe.h"
#include "model/TabEltMesure.h"
#include "model/TempsJoue.h"
#include "model/Tonalite.h"
#include "model/TonaliteMaths.h"
#include "platform/Memory.h"
#include "plugin/LectureDocument.h"
#include "plugin/LectureInstrument.h"
#include "plugin/LectureMatrice.h"
#include "system/Handles.h"
#include "system/QrvFiles.h"
#include "system/Reporters.h"
#include "system/Strings.h"

namespace {

uint8_t LitOctet() {
  const int16_t c = ReadCar();
  return c < 0 ? 0 : uint8_t(c);
}

uint16_t LitMot() { return uint16_t(ReadShort()); }

int16_t BorneMesures(int32_t n) { return int16_t(n < 1 ? 1 : (n > kMaxMesures ? kMaxMesures : n)); }

// What the block reads before the staves and keeps for later steps.
struct Lecture {
  Partition** score;
  int32_t dureeReference = kDureeRonde;
  int16_t ancienneCle = 0;
  uint16_t ancienNumerateur = 4;
  uint16_t ancienDenominateur = 4;
};

// Steps 2 to 11: zooms, screen mode and the score's settings.
void LitReglages(Lecture& l) {
  const uint16_t v = VersionQuarvelLoad;
  Partition** score = l.score;
  int16_t zoom = ReadShort();
  if (v < 0x0701) {
    ReadGap(1);
    zoom = (*score)->zoom;
  } else {
    // A zoom of 0 (or a damaged negative one) is 100 %.
    if (zoom <= 0) zoom = 72;
    (*score)->zoom = zoom;
    const uint8_t mode = LitOctet();
    (*score)->natif.octetMode = mode;
    // The views are set aside while scores are read and put back after, so
    // only the score's own mode is kept here.
    if (v >= 0x0750) (*score)->modeEcran = mode >= 2 ? 1 : mode;
  }
  ReadGap(1);
  const float zoomFlottant = float(ReadShort());
  if (v >= 0x0750) (*score)->zoomPage = zoomFlottant > 0.0f ? zoomFlottant : float(zoom);
  (*score)->zoomEcran = zoom;

  (*score)->natif.motZoom = LitMot();
  ReadGap(8);
  (*score)->limitesDessin = Rect{0, 0, 0, 0};
  (*score)->octetTete = 0;
  if (v < 0x0610) {
    l.ancienneCle = ReadShort();
    l.dureeReference = v < 0x0320 ? int32_t(LitMot()) * 420 : ReadLong();
  }
  (*score)->natif.motDuree = LitMot();
  if (v < 0x0610) {
    l.ancienNumerateur = LitMot();
    l.ancienDenominateur = LitMot();
  }
  if (v >= 0x0630) (*score)->natif.valeur630 = uint32_t(ReadLong());
  (*score)->natif.facteurLargeur = LitMot();

  ValeursNativesPartition& n = (*score)->natif;
  n.octetA = LitOctet();
  n.motsA[0] = LitMot();
  n.motsA[1] = LitMot();
  if (v < 0x0610) n.ancienneDivision = LitOctet();
  n.motB = LitOctet();
  n.motC = LitMot();
  n.octetC = LitOctet();
  n.motD = LitOctet();
  for (uint8_t& o : n.octetsE) o = LitOctet();
  n.octetsE[1] &= 1;
  if (v >= 0x0940) n.octet940 = LitOctet();
  n.octetF = LitOctet();
  if (v >= 0x0720) n.octet720 = LitOctet();
  if (v >= 0x9701) n.octet9701 = LitOctet();
  if (v >= 0x0511) n.valeur511 = v >= 0x0920 ? uint32_t(ReadLong()) : uint32_t(int32_t(ReadShort()));
  if (v >= 0x0301) n.mot301 = LitMot();
  if (v >= 0x0850 && v <= 0x090F) {
    const uint8_t b = LitOctet();
    n.interrupteurs850[0] = b & 1;
    n.interrupteurs850[1] = (b >> 1) & 1 ? 0 : 1;
    n.interrupteurs850[2] = (b >> 2) & 1;
  }
}

// Steps 12 and 13.
bool LitPortees(Lecture& l, bool graphiques) {
  Partition** score = l.score;
  (*score)->nbMesures = 1;
  // No stored field is known to carry the tempo factor of old tempo staves:
  // their notes keep the tempo their pitch meant.
  (*score)->facteurTempo = 100;
  const uint16_t n = LitMot();
  if (EndOfFile() || int64_t(n) > GetStreamRemaining()) return false;
  SetTabEltMesureModifie(score, kTabEltTout);
  UpdateTabEltMesure(score, kTabEltTout);
  DisableCalculTabElt(score);
  bool ok = true;
  for (uint16_t i = 0; i < n && ok; i++) ok = ReadPortee(score, graphiques ? 1 : 0, l.dureeReference) != nullptr;
  EnableCalculTabElt(score);
  if (!ok) return false;
  RetablitCoherenceIDPortees((*score)->document);
  InitPortees(score);
  SetTabEltMesureModifie(score, kTabEltTout);
  return true;
}

// The predefined rupture each old kind 1..12 starts from.
constexpr int16_t kPredefAncienneRupture[12] = {1, 2, 3, 4, 16, 11, 9, 10, 5, 6, 7, 8};

// Step 15 for documents before 7.40: compact records.
void LitRuptureCompacte(Partition** score) {
  const int16_t kind = ReadShort();
  int16_t bar = ReadShort();
  const int16_t passes = ReadShort();
  ReadGap(2);
  const int16_t action = ReadShort();
  if (kind < 1 || kind > 12) return;
  Rupture r = TabPredefRupture[kPredefAncienneRupture[kind - 1]];
  SetNbPassageRupture(&r, uint16_t(passes < 0 ? 0 : passes));
  SetActionParamRupture(&r, action);
  if (kind == 5) {
    bar--;
    if (passes > 0) r.modePassage = 2;
  }
  if (kind == 7 && passes >= 1 && passes <= kNbPassagesVolta) r.passagesVolta[passes - 1] = 1;
  r.mesure = bar < 0 ? 0 : bar;
  const int16_t classe = GetTypeRupture(&r);
  int16_t i = GetIndexTypeRupturePresent(score, classe, r.mesure);
  if (i >= 0 && classe == 0 && r.placement < GetRupture(score, i)->placement) i = -1;
  if (i >= 0) {
    Rupture* existante = GetRupture(score, i);
    if (classe == 1)
      for (int k = 0; k < kNbPassagesVolta; k++) r.passagesVolta[k] |= existante->passagesVolta[k];
    *existante = r;
  } else {
    i = NewRupture(score);
    if (i >= 0) *GetRupture(score, i) = r;
  }
  // SEAM(notation): the rupture is placed automatically (AutoPositionRupture)
  // once bar lines and repeats are drawn.
}

// Steps 14 to 16.
bool LitRuptures(Partition** score) {
  const uint16_t n = LitMot();
  const uint16_t derniere = LitMot();
  if (EndOfFile() || int64_t(n) > GetStreamRemaining()) return false;
  if (derniere >= (*score)->nbMesures) (*score)->nbMesures = BorneMesures(int32_t(derniere) + 1);
  for (uint16_t i = 0; i < n; i++) {
    if (VersionQuarvelLoad >= 0x0740) {
      const int16_t k = NewRupture(score);
      Rupture r;
      std::memset(&r, 0, sizeof r);
      ReadRupture(&r);
      if (k >= 0) *GetRupture(score, k) = r;
    } else {
      LitRuptureCompacte(score);
    }
    if (EndOfFile()) return false;
  }
  if (VersionQuarvelLoad >= 0x0920 && LitOctet()) {
    const uint16_t c = LitMot();
    if (EndOfFile() || int64_t(c) * 2 > GetStreamRemaining()) return false;
    // The played-bar list the user gave; rows past the walk's ceiling are read
    // and dropped.
    const int32_t gardees = c < kMaxLignesCvtMesure ? c : kMaxLignesCvtMesure;
    Handle lignes = NewHandleClear(Size(gardees) * Size(sizeof(LigneCvtMesure)));
    for (int32_t i = 0; i < c; i++) {
      const int16_t bar = ReadShort();
      if (lignes && i < gardees) GetLignesCvtMesure(lignes)[i].mesure = bar;
    }
    if (lignes) {
      LibereHandle(&(*score)->tabCvtMesure);
      (*score)->tabCvtMesure = lignes;
      (*score)->nbCvtMesures = int16_t(gardees);
      (*score)->tabCvtMesureUtilisateur = 1;
      TabCvtMesureHasChanged(score, lignes);
    }
  }
  return !EndOfFile();
}

// A bar range of an old document into a bank's matrix: the last bar held
// below the model's ceiling, a range ending before it starts dropped.
void AjoutePlage(Handle matrice, uint16_t premiere, int16_t derniere, uint16_t index) {
  if (derniere > kMaxMesures - 1) derniere = kMaxMesures - 1;
  if (derniere < int32_t(premiere)) return;
  AjouteRangeMatrice(matrice, -1, 0, int16_t(premiere), derniere, index);
}

// Step 18: the accompaniments, into the score's bank. An accompaniment the
// bank cannot take is still read, and freed.
bool LitAccompagnements(Partition** score) {
  const uint16_t n = LitMot();
  if (EndOfFile() || int64_t(n) > GetStreamRemaining()) return false;
  for (uint16_t i = 0; i < n; i++) {
    Accompagnement a;
    std::memset(&a, 0, sizeof a);
    ReadUTFString(a.nom, sizeof a.nom);
    const int16_t index = AjouteAccompagnement(score);
    std::vector<std::pair<uint16_t, int16_t>> plages;
    if (VersionQuarvelLoad >= 0x0300) {
      a.indexPortee = LitMot();
      if (!ReadModePaste(&a.modePaste)) return false;
      a.instrument = LitMot();
    } else {
      // The switch of this accompaniment in the matrix (a negated byte) has
      // no place in the model's matrix.
      LitOctet();
      a.indexPortee = LitMot();
      if (!ReadModePaste(&a.modePaste)) return false;
      ReadGap(2);
      a.instrument = LitMot();
      ReadGap(10);
      const uint16_t nb = LitMot();
      if (EndOfFile() || int64_t(nb) * 4 > GetStreamRemaining()) {
        LiberePatternMesure(a.modePaste.pattern);
        return false;
      }
      for (uint16_t k = 0; k < nb; k++) {
        const uint16_t premiere = LitMot();
        plages.emplace_back(premiere, ReadShort());
      }
      ReadGap(6);
    }
    if (index < 0) {
      LiberePatternMesure(a.modePaste.pattern);
    } else {
      reinterpret_cast<Accompagnement*>(*(*score)->accompagnements)[index] = a;
      for (const auto& [premiere, derniere] : plages)
        AjoutePlage((*score)->matriceAccompagnement, premiere, derniere, uint16_t(index));
    }
    if (EndOfFile()) return false;
  }
  if (VersionQuarvelLoad < 0x0300) GarbageMatrice((*score)->matriceAccompagnement);
  return true;
}

// A rhythm of the bank (its record, staves and their notes); one the bank
// cannot take is read and dropped.
bool LitRythme(Partition** score) {
  Rythme r;
  std::memset(&r, 0, sizeof r);
  if (VersionQuarvelLoad >= 0x0850) r.octet = LitOctet();
  ReadUTFString(r.nom, sizeof r.nom);
  r.valeur = LitMot();
  r.numerateur = LitMot();
  r.denominateur = LitMot();
  if (r.numerateur == 0) r.numerateur = 4;
  if (r.denominateur == 0) r.denominateur = 4;
  const uint16_t portees = LitMot();
  if (EndOfFile() || int64_t(portees) > GetStreamRemaining()) return false;
  const int16_t index = AjouteRythme(score, false);
  if (index >= 0) {
    Rythme& dans = reinterpret_cast<Rythme*>(*(*score)->banqueRythmes)[index];
    std::memcpy(dans.nom, r.nom, sizeof r.nom);
    dans.octet = r.octet;
    dans.valeur = r.valeur;
    dans.numerateur = r.numerateur;
    dans.denominateur = r.denominateur;
  }
  for (uint16_t p = 0; p < portees; p++) {
    PorteeRythme ligne;
    std::memset(&ligne, 0, sizeof ligne);
    ReadUTFString(ligne.nom, sizeof ligne.nom);
    ligne.instrument = LitMot();
    ReadGap(2);
    const int16_t n = ReadShort();
    if (EndOfFile() || n < 0 || int64_t(n) * TailleMinSigne() > GetStreamRemaining()) return false;
    ligne.notes = NewHandleClear(Size(n) * Size(sizeof(Signe)));
    if (!ligne.notes) return false;
    ligne.nbNotes = n;
    for (int16_t k = 0; k < n && !EndOfFile(); k++) {
      Signe s;
      if (VersionQuarvelLoad >= 0x0850) ReadSignePortee(nullptr, k, &s, &ligne.paramEffets, &ligne.nbParamEffets);
      else ReadSignePortee(nullptr, k, &s, nullptr, nullptr);
      reinterpret_cast<Signe*>(*ligne.notes)[k] = s;
    }
    const int16_t k = index >= 0 ? AjoutePorteeRythme((*score)->banqueRythmes, index) : int16_t(-1);
    if (k >= 0) {
      Rythme& dans = reinterpret_cast<Rythme*>(*(*score)->banqueRythmes)[index];
      reinterpret_cast<PorteeRythme*>(*dans.portees)[k] = ligne;
    } else {
      LibereHandle(&ligne.notes);
      DisposeParamEffetsHandle(ligne.paramEffets, ligne.nbParamEffets);
    }
    if (EndOfFile()) return false;
  }
  return true;
}

// Old documents' matrices end with the score's bars.
void CoupeMatrice(Partition** score, Handle* matrice) {
  const int16_t n = (*score)->nbMesures;
  if (*matrice && n < kMaxMesures) DeleteMesuresMatrice(score, *matrice, n, int16_t(kMaxMesures - n));
}

// A bank's matrix as stored from 3.00 replaces the one the score was made with.
bool LitMatrice(Handle* matrice, uint32_t kind) {
  Handle lue = ReadMatrice(kind);
  if (EndOfFile()) {
    DeleteMatrice(&lue);
    return false;
  }
  if (lue) {
    DeleteMatrice(matrice);
    *matrice = lue;
  }
  return true;
}

// Step 25: the keys, time signatures and grouping of documents before 6.10.
void LitAnciennesMesures(Lecture& l) {
  Partition** score = l.score;
  Tonalite cle;
  CvtTonaliteStdEnTonalite(l.ancienneCle, 1, &cle);
  FixeTonaliteMesure(score, nullptr, 0, &cle, 0);
  FixeVisibleMesure(score, nullptr, 0, kVisibleClef | kVisibleArmure | kVisibleSignature,
                    kVisibleClef | kVisibleArmure | kVisibleSignature);
  auto division = [](uint16_t num, uint16_t den) {
    DivisionTemporelle d;
    std::memset(&d, 0, sizeof d);
    d.numerateur = int16_t(num);
    d.denominateur = int16_t(den);
    d.partieAdditive1 = int16_t(num);
    d.denominateurAdditif = int16_t(den);
    d.octet2 = 1;
    GetDefautMasqueAccroche(d.numerateur, d.masqueAccroche);
    d.groupePar4 = CanDivisionTemporelleGroupBy4(&d) ? 1 : 0;
    return d;
  };
  if (l.ancienNumerateur > 0 && l.ancienDenominateur > 0 && l.ancienNumerateur <= INT16_MAX &&
      l.ancienDenominateur <= INT16_MAX) {
    const DivisionTemporelle d = division(l.ancienNumerateur, l.ancienDenominateur);
    FixeDivisionMesurePartition(score, 0, &d, 1, false);
  }
  const uint16_t n = LitMot();
  if (EndOfFile() || int64_t(n) * 4 > GetStreamRemaining()) {
    ioCustom.finFichier = 1;
    return;
  }
  for (uint16_t i = 0; i < n && !EndOfFile(); i++) {
    const uint16_t bar = LitMot();
    const int16_t k = ReadShort();
    ReadGap(2);
    uint16_t num = 0, den = 0;
    uint8_t visible = 7;
    if (VersionQuarvelLoad >= 0x0203) {
      ReadGap(2);
      num = LitMot();
      den = LitMot();
      if (VersionQuarvelLoad >= 0x0320) visible = LitOctet();
    }
    if (bar >= kMaxMesures) continue;
    CvtTonaliteStdEnTonalite(k, 1, &cle);
    FixeTonaliteMesure(score, nullptr, int16_t(bar), &cle, 0);
    const uint32_t masque = bar == 0 ? 7u : visible;
    FixeVisibleMesure(score, nullptr, int16_t(bar), masque, 7);
    if (num > 0 && den > 0 && num <= INT16_MAX && den <= INT16_MAX) {
      const DivisionTemporelle d = division(num, den);
      FixeDivisionMesurePartition(score, int16_t(bar), &d, (visible >> 2) & 1, false);
    }
  }
  RecalculeNbMesures(score, true);
}

// Step 28: the bar table, cut or extended to the stored count.
bool LitTableMesures(Partition** score) {
  if (VersionQuarvelLoad < 0x0203) {
    ReadGap(1);
    return !EndOfFile();
  }
  const uint16_t b = LitMot();
  if (EndOfFile()) return false;
  const int32_t gardees = b < kMaxMesures ? b : kMaxMesures;
  (*score)->nbMesures = BorneMesures(gardees);
  const int32_t rows = GetNbMesuresTabEltRuban(score);
  if (gardees > rows) {
    if (!AddEltTabEltMesureRubanCurView(score, gardees - rows)) return false;
  } else if (gardees < rows) {
    RetailleHandle((*score)->tabEltMesure[0], Size(gardees) * Size(sizeof(TabEltMesure)));
    (*score)->nbLignesTabElt = int16_t(gardees);
  }
  Handle table = (*score)->tabEltMesure[0];
  if (VersionQuarvelLoad >= 0x0610) {
    if (!ReadTabEltMesure(table, b)) return false;
  } else {
    for (int32_t i = 0; i < b && !EndOfFile(); i++) {
      const uint16_t echelle = LitMot();
      const uint8_t saut = VersionQuarvelLoad >= 0x0320 ? LitOctet() : 0;
      if (i >= gardees) continue;
      TabEltMesure& e = GetLignesTabElt(table)[i];
      e.echelle = echelle;
      if (VersionQuarvelLoad >= 0x0320) e.sautSysteme = saut;
    }
  }
  RecalculeNumeroMesures(score);
  TabEltMesure* lignes = GetLignesTabElt(table);
  for (int32_t i = 0; i < gardees; i++) {
    int32_t echelle = lignes[i].echelle;
    if (VersionQuarvelLoad < 0x0740) echelle = LMulDiv(echelle, (*score)->natif.facteurLargeur, 10);
    lignes[i].echelle = uint16_t(echelle < 20 ? 20 : (echelle > 8000 ? 8000 : echelle));
  }
  SetTabEltMesureModifie(score, kTabEltTout);
  return !EndOfFile();
}

// Steps 29 and 30: spacing setup, free objects, part groups, graphic mode,
// targets and the score's custom diagrams.
bool LitFin(Partition** score) {
  const uint16_t v = VersionQuarvelLoad;
  (*score)->natif.octetAvantZorodava = LitOctet();
  if (v >= 0x0780) ReadZorodava(&(*score)->zorodava);
  if (!ReadObjetsLibres(score) || EndOfFile()) return false;
  if (v >= 0x0910) {
    DisposePartGroups(score);
    (*score)->partGroups = ReadPartGroups();
    if (EndOfFile()) return false;
  }
  // Older documents marked their groups on the staves.
  if (v < 0x0910) ConvertitOldPartGroupToNewPartGroup(score);
  if (v >= 0x0920) {
    if (!ReadConfigGraphique(&(*score)->modeGraphique) || EndOfFile()) return false;
    DisposeCibles(score);
    (*score)->cibles = ReadCibles();
    if (EndOfFile()) return false;
  }
  if (v >= 0x0930) {
    ValeursNativesPartition& n = (*score)->natif;
    n.octets930[0] = LitOctet();
    n.mots930[0] = LitMot();
    n.octets930[1] = LitOctet();
    ReadTextStyle(&(*score)->natif.style930);
    (*score)->natif.mots930[1] = LitMot();
    (*score)->natif.mots930[2] = LitMot();
    if (LitOctet()) {
      Handle diagrammes = ReadDiagrammesAccord();
      if (v >= 0x9701) {
        LibereHandle(&(*score)->diagrammesCustoms);
        (*score)->diagrammesCustoms = diagrammes;
      } else {
        LibereHandle(&diagrammes);
      }
    }
    ReadGap(63);
  }
  return !EndOfFile();
}

}  // namespace

int16_t ReadGrilleAccordMesure(DefAccord* cells) {
  const uint8_t n = LitOctet();
  const bool bon = n >= 1 && n <= 16;
  if (!bon) Collapse("ReadGrilleAccordPartition: Bad division number");
  int16_t gardees = 0;
  for (int i = 0; i < n && !EndOfFile(); i++) {
    // Every definition is read, so that the next bar is read in step; a bad
    // count keeps the good ones in one slot.
    DefAccord a = cells[bon ? gardees : 0];
    if (!ReadDefAccord(&a)) continue;
    if (bon) cells[gardees++] = a;
    else cells[0] = a;
  }
  return bon ? gardees : 1;
}

int16_t ReadBlocPartition(Document* doc, bool graphiques) {
  const uint16_t v = VersionQuarvelLoad;
  Partition** score = NewPartition(doc);
  if (!score) {
    Collapse("Plus de place memoire");
    return 0;
  }
  (*score)->document = doc;
  Lecture l;
  l.score = score;
  LitReglages(l);
  if (EndOfFile() || !LitPortees(l, graphiques) || !LitRuptures(score)) return 0;
  RecalculeNbMesures(score, true);

  if (!LitAccompagnements(score)) return 0;
  if (v >= 0x0300 && !LitMatrice(&(*score)->matriceAccompagnement, kMatriceAccompagnement)) return 0;
  if (EndOfFile() || !ReadInstrumentsPartition(score)) return 0;

  // The chord grid: every bar is read; the grid keeps those it can hold.
  const int16_t g = ReadShort();
  if (EndOfFile() || g < 0 || int64_t(g) > GetStreamRemaining()) return 0;
  if (g > (*score)->nbMesures) (*score)->nbMesures = BorneMesures(g);
  if (g > 0) FixeNbMesuresGrilleAccord(score, g);
  for (int16_t i = 0; i < g && !EndOfFile(); i++) {
    MesureGrilleAccord mesure;
    std::memset(&mesure, 0, sizeof mesure);
    const bool gardee = (*score)->grilleAccord && i < (*score)->nbMesuresGrilleAccord;
    if (gardee) mesure = reinterpret_cast<MesureGrilleAccord*>(*(*score)->grilleAccord)[i];
    mesure.nbCellules = uint8_t(ReadGrilleAccordMesure(mesure.cellules));
    if (gardee) reinterpret_cast<MesureGrilleAccord*>(*(*score)->grilleAccord)[i] = mesure;
  }
  if (v >= 0x0850) ReadTextStyle(&(*score)->styleGrilleAccord);
  if (EndOfFile()) return 0;
  if (v < 0x0300) CoupeMatrice(score, &(*score)->matriceAccompagnement);

  SetTabEltMesureModifie(score, kTabEltTemps);
  UpdateTabEltMesure(score, kTabEltTemps);
  RecalculeNbMesures(score, true);
  const uint16_t rythmes = LitMot();
  if (EndOfFile() || int64_t(rythmes) > GetStreamRemaining()) return 0;
  for (uint16_t i = 0; i < rythmes; i++)
    if (!LitRythme(score)) return 0;
  if (v >= 0x0300) {
    if (!LitMatrice(&(*score)->matriceRythme, kMatriceRythme)) return 0;
  } else {
    // Old ranges: the rhythm, then the first and last bars.
    const uint16_t plages = LitMot();
    if (EndOfFile() || int64_t(plages) * 6 > GetStreamRemaining()) return 0;
    for (uint16_t k = 0; k < plages; k++) {
      const uint16_t index = LitMot();
      const uint16_t premiere = LitMot();
      AjoutePlage((*score)->matriceRythme, premiere, ReadShort(), index);
    }
    GarbageMatrice((*score)->matriceRythme);
  }
  if (EndOfFile()) return 0;

  if (v < 0x0610) LitAnciennesMesures(l);
  ReadGap(1);
  doc->natif.octetPartition = LitOctet();
  (*score)->natif.octetApresRythmes = LitOctet();
  ReadGap(3);
  if (v >= 0x0920) (*score)->natif.octetApresRythmes920 = LitOctet();
  if (v >= 0x0850) {
    LibereHandle(&(*score)->collections[0]);
    (*score)->collections[0] = ReadCollection();
  }
  if (EndOfFile() || !LitTableMesures(score) || !LitFin(score)) return 0;

  SetTabEltMesureModifie(score, kTabEltTout);
  RemetRupturesEnForme(score);
  if (v < 0x0300) {
    CoupeMatrice(score, &(*score)->matriceAccompagnement);
    CoupeMatrice(score, &(*score)->matriceRythme);
    UpdateTabEltMesure(score, kTabEltTout);
  }
  LibereTableauCvtSec(score);
  UpdateTabEltMesure(score, kTabEltTout);
  RemetsPorteesEnFormeQuandRuptureChange(score);
  // SEAM(text): the character sets of unknown fonts are looked up
  // (RechercheCharSetFontesInconnues) once the unknown-font list keeps them.
  PrepareDynamiquesTempoPartition(score);
  CalculePassageTextesPartition(score);
  return EndOfFile() ? 0 : 1;
}
