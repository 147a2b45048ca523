#include "model/QRVPOBJ.h"

#include <cstring>

#include "layout/ServicesMiseEnPage.h"
#include "model/Accords.h"
#include "model/Cibles.h"
#include "model/CourbeTempo.h"
#include "model/Courbes.h"
#include "model/CvtTemps.h"
#include "model/Lois.h"
#include "model/Matrices.h"
#include "model/ObjetsLibres.h"
#include "model/ParamEffet.h"
#include "model/PartGroups.h"
#include "model/PreservePositions.h"
#include "model/QrvDynamics.h"
#include "model/QrvFXs.h"
#include "model/QrvLiaison.h"
#include "model/QrvText.h"
#include "model/Ruban.h"
#include "model/SGraphix.h"
#include "model/Signe.h"
#include "model/StaffHeightEvts.h"
#include "model/TabEltMesure.h"
#include "model/TempsJoue.h"
#include "model/Tonalite.h"
#include "model/TonaliteMaths.h"
#include "model/Vues.h"
#include "notation/ServicesNotation.h"
#include "plugin/ServicesInertes.h"
#include "sound/DonneesInstrument.h"
#include "sound/ServicesSon.h"
#include "stafftypes/DonneesTablature.h"
#include "stafftypes/ServicesTypesPortee.h"
#include "system/Handles.h"
#include "system/Reporters.h"
#include "system/ResStrings.h"
#include "system/Strings.h"
#include "text/Fontes.h"

static const char kSourceName[] = "QRVPOBJ";

// Loose strings holding the default staff names, each taking the staff count.
static constexpr int16_t kStrNomPortee = 59;
static constexpr int16_t kStrNomPistePortee = 408;

Portee** GetPorteeIndex(Partition** score, int16_t index) {
  if (!score || !(*score)->portees || index < 0 || index >= (*score)->nbPortees) return nullptr;
  return (*score)->portees[index];
}

// ---------------------------------------------------------------- scores

Partition** NewPartition(Document* document) {
  Partition** score = reinterpret_cast<Partition**>(NewHandleClear(Size(sizeof(Partition))));
  if (!score) return nullptr;
  Partition* p = *score;
  p->zoom = 72;
  p->zoomEcran = 72;
  p->zoomPage = 72.0f;
  p->echelleEcran = 1.0f;
  SetDefaultZorodavaPartition(score, 0);
  GetUserModeGraphique(&(*score)->modeGraphique);
  InitLibelleCiblePartition(score);
  if (!document) return score;

  int16_t n = document->nbPartitions < 0 ? 0 : document->nbPartitions;
  Partition*** tableau =
      n < INT16_MAX ? reinterpret_cast<Partition***>(NewPtr(Size(n + 1) * Size(sizeof(Partition**)))) : nullptr;
  if (!tableau) {
    DisposePartiePartition(score, kDisposePartitionEntiere);
    LibereHandle(&score);
    return nullptr;
  }
  if (n > 0 && document->partitions) std::memcpy(tableau, document->partitions, size_t(n) * sizeof(Partition**));
  LiberePtr(&document->partitions);
  document->partitions = tableau;
  (*score)->document = document;
  tableau[n] = score;
  (*score)->matriceAccompagnement = NewMatriceAccompagnement();
  (*score)->matriceRythme = NewMatriceRythme();
  document->nbPartitions = int16_t(n + 1);
  document->partitionCourante = score;
  document->indexPartitionCourante = n;
  return score;
}

Partition** CreePartitionVide(Document* document) {
  Partition** score = NewPartition(document);
  if (!score) return nullptr;
  DisableCalculTabElt(score);
  (*score)->document = document;
  (*score)->octetTete = 0;
  (*score)->mot1 = 60;
  (*score)->mot2 = 65535;
  SetEchelleEcran(score, 1.0f);
  if (AjouteInstrument(score) >= 0) SetNomInstrument(score, 0, "...");
  EnableCalculTabElt(score);
  InitPortees(score);
  SetTabEltMesureModifie(score, kTabEltEspacement);
  return score;
}

void FixePartitionEdite(Document* document, int16_t index) {
  if (!document) return;
  if (index < 0 || index >= document->nbPartitions || !document->partitions) {
    // The current score stays as it was: the array is never read out of bounds.
    BigBadError(kSourceName, 125);
    return;
  }
  document->partitionCourante = document->partitions[index];
  document->indexPartitionCourante = index;
}

void SupprimePartition(Document* document, Partition** score) {
  if (!document) return;
  int16_t n = document->partitions ? document->nbPartitions : 0;
  int16_t i = 0;
  while (i < n && document->partitions[i] != score) i++;
  if (!score || i == n) {
    document->partitionCourante = nullptr;
    return;
  }
  DisposePartiePartition(score, kDisposePartitionEntiere);
  LibereHandle(&score);
  std::memmove(document->partitions + i, document->partitions + i + 1, size_t(n - 1 - i) * sizeof(Partition**));
  document->nbPartitions = --n;
  if (n == 0) {
    LiberePtr(&document->partitions);
    document->partitionCourante = nullptr;
    document->indexPartitionCourante = -1;
    return;
  }
  if (i >= n) i = int16_t(n - 1);
  document->partitionCourante = document->partitions[i];
  document->indexPartitionCourante = i;
}

void DisposePartiePartition(Partition** score, uint32_t mask) {
  if (!score) return;
  DisableCalculTabElt(score);
  if (mask & kDisposePortees) {
    DisposeToutesPortees(score);
    LiberePtr(&(*score)->portees);
    (*score)->nbPortees = 0;
  }
  if (mask & kDisposeRuptures) {
    LibereHandle(&(*score)->ruptures);
    (*score)->nbRuptures = 0;
  }
  if (mask & kDisposeAccompagnements) DeleteToutAccompagnements(score);
  if (mask & kDisposeBarreAccompagnements) DisposeBarreAccompagnements(score);
  if (mask & kDisposeGrilleAccord) {
    DisposeGrilleAccord(score);
    LibereHandle(&(*score)->grilleAccord);
  }
  if (mask & kDisposeBanqueRythmes) DisposeBanqueRythmesPartition(score);
  if (mask & kDisposeBarreRythmes) DisposeBarreRythmes(score);
  if (mask & kDisposeTabEltMesure) DisposeTabEltMesure(score);
  if (mask & kDisposeMiseEnPage) DisposeMiseEnPagePartition(score);
  if (mask & kDisposeCvtMesures) {
    LibereHandle(&(*score)->tabCvtMesure);
    (*score)->nbCvtMesures = 0;
    DisposeZorodavaTaquets(score);
  }
  if (mask & kDisposeTableauCvtSec) LibereTableauCvtSec(score);
  if (mask & kDisposeObjetsLibres) LibereObjetsLibres(score);
  if (mask & kDisposeCollections) {
    LibereHandle(&(*score)->collections[0]);
    LibereHandle(&(*score)->collections[1]);
  }
  if (mask & kDisposeInstruments) DisposeInstruments(score);
  // The staff-indexed records and the score's curves have no bit of their
  // own; a whole disposal must not leave them behind.
  if ((mask & kDisposePartitionEntiere) == kDisposePartitionEntiere) {
    LibereHandle(&(*score)->enregsIndexPortee);
    (*score)->nbEnregsIndexPortee = 0;
    DisposeListeCourbes(&(*score)->courbes);
    LibereHandle(&(*score)->diagrammesCustoms);
  }
  EnableCalculTabElt(score);
  ClearCourbeTempo(score);
  DisposePartGroups(score);
  DisposeCibles(score);
  (*score)->masqueModifieTabElt = 0;
}

// A staff is empty when nothing but rests and special signs is written on it
// and no text, graphic, chord diagram or dynamic hangs from it.
static bool IsPorteeVide(Portee** staff) {
  const Portee* p = *staff;
  if (p->nbTextes > 0 || p->nbGraphiques > 0 || p->nbDiagrammes > 0 || p->nbDiagrammesAccord > 0 ||
      p->nbDynamiques > 0 || p->type == kTypePorteePisteNumerique)
    return false;
  if (!p->notes) return true;
  int32_t n = p->nbNotes;
  int32_t cap = GetHandleSize(p->notes) / int32_t(sizeof(Signe));
  if (n > cap) n = cap;
  const Signe* s = reinterpret_cast<const Signe*>(*p->notes);
  for (int32_t i = 0; i < n; i++)
    if (s[i].kind >= 0) return false;
  return true;
}

void SupprimePorteesVides(Partition** score, int16_t mode) {
  if (!score) return;
  PauseMusique();
  int16_t i = 0;
  while (i < (*score)->nbPortees) {
    Portee** staff = (*score)->portees[i];
    bool supprime = IsPorteeVide(staff) && (mode != 1 || CvtPorteeEnPorteeDebutFusion(staff) != staff);
    if (!supprime) {
      i++;
      continue;
    }
    AjusteAccompagnementQdSupprimePortee();
    AjusteVuesQdSupprimePortee(score, i);
    // The next staff moves into this index: it is examined next.
    DisposePorteeIndex(score, i, 0);
  }
  SetTabEltMesureModifie(score, kTabEltEspacement | kTabEltMarges);
  UpdateTabEltMesure(score, kTabEltEspacement | kTabEltMarges);
  DePauseMusique();
}

void SupprimePorteesVolatilesType(Partition** score, uint32_t kind) {
  if (!score) return;
  for (int16_t i = int16_t((*score)->nbPortees - 1); i >= 0; i--)
    if ((*(*score)->portees[i])->typeVolatile == kind) DisposePorteeIndex(score, i, 0);
  JeTePreviensPorteesEffacees();
}

void SupprimeToutesPorteesVolatiles(Partition** score) {
  if (!score) return;
  SupprimePorteesVolatilesAccompagnements(score);
  SupprimePorteesVolatilesRythmes();
  SupprimePorteesVolatilesLois(score);
  for (int16_t i = int16_t((*score)->nbPortees - 1); i >= 0; i--)
    if ((*(*score)->portees[i])->typeVolatile == kVolatilePorteeTemporaire) DisposePorteeIndex(score, i, 0);
  JeTePreviensPorteesEffacees();
}

Document* GetDialogPortee(Portee** staff) {
  if (!staff || !(*staff)->partition || !(*(*staff)->partition)->document) {
    Collapse("GetDialogPortee");
    return nullptr;
  }
  return (*(*staff)->partition)->document;
}

int32_t CalculeDureePartition(Partition** score) {
  if (!score) return 0;
  int64_t duree = 0;
  for (int16_t i = 0; i < (*score)->nbPortees; i++) {
    Portee** staff = (*score)->portees[i];
    if ((*staff)->type == kTypePorteeTempo) continue;
    int64_t d = int64_t(CalculeDureePortee(staff, 1)) - 2;
    if (d > duree) duree = d;
  }
  return duree > INT32_MAX ? INT32_MAX : int32_t(duree);
}

// ---------------------------------------------------------------- staves

Portee** AllouePortee() {
  Portee** staff = reinterpret_cast<Portee**>(NewHandleClear(Size(sizeof(Portee))));
  if (!staff) return nullptr;
  (*staff)->marqueur = kMarqueurPortee;
  (*staff)->marqueur2 = -1;
  (*staff)->mot1 = 1;
  return staff;
}

// Writes the default name from a format taking the staff count. The format is
// a resource text: only its first "%d" (or "%ld") is replaced, everything else
// is copied as it stands.
static void NommePortee(Portee** staff, const char* format, int32_t count) {
  char nom[256];
  char nombre[16];
  CvtShortToStr(nombre, uint16_t(count));
  size_t k = 0;
  bool fait = false;
  for (const char* f = format; *f && k < sizeof nom - 1;) {
    size_t saut = 0;
    if (!fait && f[0] == '%' && f[1] == 'd') saut = 2;
    if (!fait && f[0] == '%' && f[1] == 'l' && f[2] == 'd') saut = 3;
    if (saut) {
      for (const char* c = nombre; *c && k < sizeof nom - 1;) nom[k++] = *c++;
      f += saut;
      fait = true;
    } else {
      nom[k++] = *f++;
    }
  }
  nom[k] = 0;
  SetNomPortee(staff, nom);
}

Portee** NewPortee(Partition** score, uint32_t type) {
  Portee** staff = AllouePortee();
  if (!staff) {
    Collapse("New portee : plus de place memoire");
    return nullptr;
  }
  if (!InserePorteeDansTabPortee(score, staff, -1)) {
    LibereHandle(&staff);
    return nullptr;
  }
  char format[256];
  strnzcpy(format, GetStrVracUTF(type == kTypePorteePisteNumerique ? kStrNomPistePortee : kStrNomPortee),
           sizeof format);
  NommePortee(staff, format, (*score)->nbPortees);
  InitPortee(score, staff, type, 1);
  if (!FixeTypePortee(staff, type)) {
    DisposePorteeIndex(score, (*staff)->index, 0);
    return nullptr;
  }
  return staff;
}

int16_t InitPortee(Partition** score, Portee** staff, uint32_t type, uint32_t clefType) {
  Portee* p = *staff;
  for (PositionPortee& e : p->positions) {
    e.a = 0xFFFF;
    e.b = 0xFFFF;
    e.c = 0xFFFFFFFF;
  }
  if (!p->notes) p->notes = NewHandleClear(0);
  p = *staff;
  p->partition = score;
  p->type = type;
  // A new staff is displayed.
  p->affichee = 1;
  p->marqueur1 = -1;
  p->marqueur2 = -1;
  p->indexPorteeSource = -1;
  p->octet2 = 1;
  p->cacheeModePage = 0;

  const uint8_t ligneTexte1[4] = {1, 1, 3, 1};
  std::memcpy(p->ligneTexte1, ligneTexte1, sizeof ligneTexte1);
  p->affichageTexte = 2;
  TextStyle style = p->styleLigneTexte;
  GetStylePref(11, &style);
  p = *staff;
  p->styleLigneTexte = style;
  p->styleLigneTexte2 = style;
  p->octetLigneTexte = 255;
  p->fondLigneTexte = 1;
  p->valeurLigneTexte = 2;
  p->motLigneTexte = 1;
  p->octetLigneTexte2 = 1;
  p->traiteTaquetLigneTexteAccord = VectTraiteTaquetLigneTexteAccord;
  // The two text lines: lyrics centred on the notes, chord names from their
  // columns; both cut at the notes, UTF-8, one verse row until laid out.
  for (int l = 0; l < 2; l++) {
    LigneTexte& ligne = p->lignesTexte[l];
    ligne.id = l == 0 ? kLigneTexteParoles : kLigneTexteAccords;
    ligne.styleCellule = style;
    ligne.alignement = l == 0 ? 1 : 0;
    ligne.nbLignes = 1;
    ligne.modeTaquets = kTaquetsNotes;
    ligne.utf8 = 1;
  }
  p->lignesTexte[1].traiteTaquet = VectTraiteTaquetLigneTexteAccord;
  p->fondPorteeTexte = 4;

  AspectGraphiquePortee& a = p->aspect;
  a.valeur1 = 1;
  a.valeur2 = 3;
  a.octet1 = 1;
  a.mot1 = -2;
  style = a.styleNom;
  GetStylePref(2, &style);
  p = *staff;
  p->aspect.styleNom = style;
  p->aspect.styleNomAbrege = style;
  AspectGraphiquePortee& d = p->aspect;
  d.modeAffichage = 2;
  d.tailleUnite = 72;
  d.octet2 = 1;
  d.corpsAccord = 3;
  std::memset(d.octets1, 1, sizeof d.octets1);
  std::memset(d.flagsLignes, 1, sizeof d.flagsLignes);
  d.mot2 = 6;
  d.ligneBarrePremiere = 0;
  d.ligneBarreDerniere = 4;
  d.motBarre = 3;
  d.tailleQueue = 12;
  d.epaisseurBarre = 12;
  d.ecartBarre = 6;
  d.tailleQueue2 = 20;
  TextStyle standard;
  FixeTextStyleStd(&standard);
  int16_t police = GetStdFont();
  p = *staff;
  p->aspect.styleStd = standard;
  AspectGraphiquePortee& e = p->aspect;
  e.numeroMesure1 = 1;
  e.numeroMesure2 = 0;
  e.numeroMesure3 = 0;
  e.numeroMesure4 = 1;
  e.numeroMesure5 = 1;

  p->policeNom = static_cast<uint16_t>(police);
  p->styleNom = 0;
  p->tailleNom = 12;
  p->cacheMesureTonalite = -1;
  p->cacheIndexTonalite = -1;
  p->pan = 64;
  p->volume = 127;
  p->echelle = 1.0f;
  p->octet3 = 1;
  p->epaisseurBarre = 12;
  p->ecartBarre = 6;
  // Ledger lines reach two points past the head on each side; without an
  // extension no ledger line is drawn at all.
  p->extensionLigneSup = 2;

  if (type == kTypePorteeTablature) {
    NewTablature(staff, 0);
  } else {
    ClearVecteursTablature(staff);
    if (type == kTypePorteePisteNumerique) (*staff)->cacheeModePage = 1;
  }

  std::memset((*staff)->aspect.afficheLigne, 0, sizeof(*staff)->aspect.afficheLigne);
  int16_t derniere = type == kTypePorteeGregorien ? 3 : 4;
  for (int16_t ligne = 0; ligne <= derniere; ligne++) SetAfficheLignePortee(staff, ligne, 1);

  Clef clef;
  Tonalite tonalite;
  CvtTypeClefEnClefStandard(clefType, &clef);
  CvtTonaliteStdEnTonalite(0, 1, &tonalite);
  uint8_t preserve = GetIsPreserveObjects();
  SetIsPreserveObjects(0);
  FixeTonaliteEtClefMesure(score, staff, 0, &tonalite, &clef, 0, kVisibleClef | kVisibleArmure | kVisibleSignature, 0,
                           kLienTonaliteAucun);
  SetIsPreserveObjects(preserve);
  return 1;
}

int16_t FixeTypePortee(Portee** staff, uint32_t type) {
  if (!staff) return 0;
  switch (type) {
    case kTypePorteeStandard: InitPorteeQuarvel(staff); break;
    case kTypePorteeBatterie: InitPorteeBatterie(staff); break;
    case kTypePorteeParole: InitPorteeParole(staff); break;
    case kTypePorteeTempo: InitPorteeTempo(staff); break;
    case kTypePorteeTablature: InitPorteeTablature(staff); break;
    case kTypePorteeBatterieStd: InitPorteeBatterieStd(staff); break;
    case kTypePorteeGregorien: InitPorteeGregorien(staff); break;
    case kTypePorteePisteNumerique: InitPorteePisteNumerique(staff, 0, 0); break;
    default: break;  // 1, 5, 6 and codes above 10 install nothing
  }
  if ((*staff)->vecteurs.vect_init_portee) (*staff)->vecteurs.vect_init_portee(staff);
  return 1;
}

int16_t InserePorteeDansTabPortee(Partition** score, Portee** staff, int16_t position) {
  if (!score || !staff) return 0;
  int16_t n = (*score)->portees ? (*score)->nbPortees : 0;
  if (n == INT16_MAX) return 0;
  Portee*** tableau = reinterpret_cast<Portee***>(NewPtr(Size(n + 1) * Size(sizeof(Portee**))));
  if (!tableau) return 0;
  // Positions past the end append: the array is never written beyond its end.
  int16_t pos = (position < 0 || position > n) ? n : position;
  Portee*** ancien = (*score)->portees;
  if (pos > 0) std::memcpy(tableau, ancien, size_t(pos) * sizeof(Portee**));
  if (n > pos) std::memcpy(tableau + pos + 1, ancien + pos, size_t(n - pos) * sizeof(Portee**));
  tableau[pos] = staff;
  LiberePtr(&(*score)->portees);
  (*score)->portees = tableau;
  (*staff)->index = pos;
  (*staff)->partition = score;
  (*score)->nbPortees = int16_t(n + 1);
  AjustePartGroupsQuandInserePortee(score, pos);
  if (position >= 0) {
    // The new staff had no index before: records naming the staff that was at
    // this position must follow that staff, not be taken by the newcomer.
    (*staff)->index = -1;
    CreeIndexPortees(score);
  }
  return 1;
}

void CreeIndexPortees(Partition** score) {
  if (!score) return;
  int16_t n = (*score)->nbPortees;
  int16_t* anciens = n > 0 ? reinterpret_cast<int16_t*>(NewPtr(Size(n) * Size(sizeof(int16_t)))) : nullptr;
  bool change = false;
  for (int16_t i = 0; i < n; i++) {
    Portee* p = *(*score)->portees[i];
    if (anciens) anciens[i] = p->index;
    if (p->index != i && p->typeVolatile == 0) change = true;
    p->index = i;
  }
  Handle enregs = (*score)->enregsIndexPortee;
  if (change && anciens && enregs) {
    int32_t nb = GetHandleSize(enregs) / int32_t(sizeof(EnregIndexPortee));
    for (int32_t r = 0; r < nb; r++) {
      EnregIndexPortee& e = reinterpret_cast<EnregIndexPortee*>(*enregs)[r];
      for (int16_t i = 0; i < n; i++)
        if (anciens[i] >= 0 && e.indexPortee == uint16_t(anciens[i])) {
          e.indexPortee = uint16_t(i);
          break;
        }
    }
  }
  // A volatile staff follows the staff it comes from; it has none once that
  // staff is gone.
  for (int16_t v = 0; anciens && v < n; v++) {
    Portee* p = *(*score)->portees[v];
    if (p->typeVolatile == 0 || p->indexPorteeSource < 0) continue;
    int16_t source = -1;
    for (int16_t i = 0; i < n && source < 0; i++)
      if (anciens[i] == p->indexPorteeSource) source = i;
    p->indexPorteeSource = source;
  }
  LiberePtr(&anciens);
  RecalculePorteesLiaison(score);
}

void RetablitCoherenceIDPortees(Document* document) {
  if (!document || !document->partitionCourante) return;
  Partition** score = document->partitionCourante;
  int16_t n = (*score)->nbPortees;
  uint32_t plusGrand = 1;
  for (int16_t i = 0; i < n; i++) {
    uint16_t id = (*(*score)->portees[i])->idUnique;
    if (id == 0) continue;
    for (int16_t j = int16_t(i + 1); j < n; j++)
      if ((*(*score)->portees[j])->idUnique == id) (*(*score)->portees[j])->idUnique = 0;
    if (id > plusGrand) plusGrand = id;
  }
  int32_t vues = CheckCoherenceIDVues(document);
  document->compteurIdUnique = vues > int32_t(plusGrand) ? uint32_t(vues) : plusGrand;
  for (int16_t i = 0; i < n; i++) {
    if ((*(*score)->portees[i])->idUnique != 0) continue;
    // Staff ids are 16-bit: a counter value that wraps to 0 would mean "none".
    uint16_t id = uint16_t(NewIdUnique(document));
    if (id == 0) id = uint16_t(NewIdUnique(document));
    (*(*score)->portees[i])->idUnique = id;
  }
}

Portee** CreePorteeVide(Partition** score, uint32_t type, uint32_t clefType, int16_t update) {
  Portee** staff = NewPortee(score, type);
  if (!staff) return nullptr;
  SetDefaultLignesInternesPortees(staff);
  if (type != kTypePorteeGregorien && (*staff)->index != 0) {
    Portee** modele = nullptr;
    for (int16_t i = 0; i < (*score)->nbPortees && !modele; i++) {
      Portee** autre = (*score)->portees[i];
      if (autre != staff && IsTypePorteeNotationStandard(autre)) modele = autre;
    }
    if (modele) {
      Handle copie = DupliqueTabTonalite(modele, 0);
      if (copie) {
        (*staff)->affichee = 0;
        DisposeTabTonalite(staff);
        (*staff)->tabTonalite = copie;
        int32_t nb = GetHandleSize(copie) / int32_t(sizeof(EltTabTonalite));
        (*staff)->nbTonalites = int16_t(nb);
        for (int32_t k = 0; k < nb; k++) {
          Tonalite cle;
          CvtMesureEnTonaliteProbable(score, int16_t(reinterpret_cast<EltTabTonalite*>(*copie)[k].mesure), &cle);
          reinterpret_cast<EltTabTonalite*>(*copie)[k].tonalite = cle;
        }
        (*staff)->affichee = 1;
      }
    }
  }
  if (update) UpdateTabEltMesure(score, kTabEltEspacement);
  Clef clef;
  CvtTypeClefEnClefStandard(clefType, &clef);
  FixeClefMesure(score, staff, 0, &clef, 0);
  return staff;
}

void InitPortees(Partition** score) {
  if (!score) return;
  SetDpiPartition(score);
  (*score)->largeurEntete = 16;
  for (int16_t i = 0; i < (*score)->nbPortees; i++) {
    Portee** staff = (*score)->portees[i];
    (*staff)->rect = Rect{-32767, -32767, -32767, -32767};
    if ((*staff)->vecteurs.vect_init_portee) (*staff)->vecteurs.vect_init_portee(staff);
    if ((*staff)->affichee && (*staff)->largeurCle > (*score)->largeurEntete)
      (*score)->largeurEntete = (*staff)->largeurCle;
    if (i > 0 && (*(*score)->portees[i - 1])->fusionneAvecSuivante) {
      AppliquePorteeFusionneRuban((*score)->portees[i - 1], staff);
      AppliquePorteeFusionne((*score)->portees[i - 1], staff);
    }
  }
  if (GetModeEcran(score) == kModeEcranRuban) {
    int32_t largeur = CalculeMaxTailleClePixelEcran(score) + Zoom(16) + 10;
    if (largeur > (*score)->largeurEntete) (*score)->largeurEntete = int16_t(largeur > INT16_MAX ? INT16_MAX : largeur);
  } else {
    (*score)->largeurEntete = 0;
  }
}

void AppliquePorteeFusionne(Portee** from, Portee** to) {
  if (!from || !to || from == to) return;
  const Portee* a = *from;
  Portee* b = *to;
  b->rect = a->rect;
  b->yHaut = a->yHaut;
  b->yBas = a->yBas;
  b->decalageLigneBas = a->decalageLigneBas;
  b->yEcran = a->yEcran;
  b->interligne = a->interligne;
  b->yBarreHaut = a->yBarreHaut;
  b->yBarreBas = a->yBarreBas;
  b->yBarreOrigine = a->yBarreOrigine;
}

int16_t DisposePortee(Portee** staff) {
  if (!staff) return 1;
  DisposeParamEffetsPortee(staff);
  LibereHandle(&(*staff)->notes);
  (*staff)->nbNotes = 0;
  LibereHandle(&(*staff)->collection);
  DisposeListeAccords(staff);
  DisposeTextes(staff);
  DisposeDiagrammes(staff);
  DisposeGraphiques(staff);
  DisposeDynamiques(staff);
  DisposeFXs(staff);
  DisposeLoisPortee(staff);
  DisposeTablature(staff);
  DisposeTabTonalite(staff);
  DisposeCourbes(staff);
  LibereTabQuantizedPosPortee();
  LibereEvtDynamiquesPortee(staff);
  DisposeStaffHeightEvts(staff);
  DisposeDiagrammesAccordsCustomsPortee(staff);
  DisposeFlux((*staff)->flux);
  (*staff)->flux = 0;
  LibereHandle(&(*staff)->piste.marqueurs);
  (*staff)->piste.nbMarqueurs = 0;
  DisposeLyrastelPortee(staff);
  // Lists of the staff that no release above covers.
  LibereHandle(&(*staff)->usedBars);
  LibereHandle(&(*staff)->aireOrgane.notesTenues);
  LibereHandle(&staff);
  return 1;
}

int16_t DisposePorteeIndex(Partition** score, int16_t index, int16_t wholeGroup) {
  if (!score || index < 0 || index >= (*score)->nbPortees) return 1;
  PauseMusique();
  int16_t nAvant = (*score)->nbPortees;
  int16_t premier = index;
  int16_t dernier = index;
  if (wholeGroup == 1) {
    premier = CvtIndexPorteeEnIndexPorteeDebutFusion(score, index);
    dernier = CvtIndexPorteeEnIndexPorteeFinFusion(score, index);
  } else {
    Portee** staff = (*score)->portees[index];
    Portee** dessus = index > 0 ? (*score)->portees[index - 1] : nullptr;
    if ((*staff)->modeFusion != kFusionAucune && GetNbPorteesFusion(staff) == 2) {
      int16_t tete = CvtIndexPorteeEnIndexPorteeDebutFusion(score, index);
      for (int16_t k = tete; k <= tete + 1 && k < nAvant; k++) {
        (*(*score)->portees[k])->modeFusion = kFusionAucune;
        (*(*score)->portees[k])->fusionneAvecSuivante = 0;
      }
    } else if (dessus && (*dessus)->fusionneAvecSuivante) {
      if (!(*staff)->fusionneAvecSuivante) (*dessus)->fusionneAvecSuivante = 0;
      if ((*dessus)->modeFusion == kFusionMembre) (*dessus)->modeFusion = (*staff)->modeFusion;
    }
  }
  for (int16_t i = dernier; i >= premier; i--) {
    Portee** staff = (*score)->portees[i];
    AjustePartGroupsQuandSupprimePortee(staff);
    DisposePortee(staff);
    Partition* p = *score;
    std::memmove(p->portees + i, p->portees + i + 1, size_t(p->nbPortees - 1 - i) * sizeof(Portee**));
    p->nbPortees--;
    if (p->premierePortee > i) p->premierePortee--;
    if (p->dernierePortee >= i) p->dernierePortee--;
    if (p->premierePortee < 0) p->premierePortee = 0;
    if (p->dernierePortee < 0) p->dernierePortee = 0;
    if (p->premierePortee > p->dernierePortee) p->premierePortee = p->dernierePortee;
  }
  int16_t n = (*score)->nbPortees;
  if (n == 0) {
    LiberePtr(&(*score)->portees);
  } else if (n < nAvant) {
    Portee*** tableau = reinterpret_cast<Portee***>(NewPtr(Size(n) * Size(sizeof(Portee**))));
    if (tableau) {  // else the old block stays, with spare room
      std::memcpy(tableau, (*score)->portees, size_t(n) * sizeof(Portee**));
      LiberePtr(&(*score)->portees);
      (*score)->portees = tableau;
    }
  }
  if (dernier != nAvant - 1) {
    CreeIndexPortees(score);
  } else {
    for (int16_t v = 0; v < n; v++)
      if ((*(*score)->portees[v])->indexPorteeSource >= premier) (*(*score)->portees[v])->indexPorteeSource = -1;
  }
  JeTePreviensLoisChangent();
  LibereEvtDynamiquesPartition(score);
  DePauseMusique();
  return 1;
}

void DisposeToutesPortees(Partition** score) {
  if (!score) return;
  if (IsPartitionMusiqueEnCours(score)) ArreteMusique(1);
  Document* document = (*score)->document;
  // Views are not adjusted staff by staff while every staff goes.
  Handle vues = nullptr;
  if (document) {
    vues = document->vues;
    document->vues = nullptr;
  }
  while ((*score)->nbPortees > 0) DisposePorteeIndex(score, int16_t((*score)->nbPortees - 1), 0);
  if (document) document->vues = vues;
}

void DisposeNotes(Portee** staff) {
  if (!staff) return;
  DisposeParamEffetsPortee(staff);
  if ((*staff)->notes) RetailleHandle((*staff)->notes, 0);
  (*staff)->nbNotes = 0;
  FixeAccordsNonCalcules(staff);
  ClrTurboCvtTempsEnIndexNote(staff, 0);
}

// ---------------------------------------------------------------- merged groups

// The score of a staff when the staff sits at its index in it.
static Partition** PartitionDePortee(Portee** staff) {
  Partition** score = (*staff)->partition;
  if (!score || GetPorteeIndex(score, (*staff)->index) != staff) return nullptr;
  return score;
}

static int16_t TeteFusion(Partition** score, int16_t index) {
  while (index > 0 && (*(*score)->portees[index - 1])->fusionneAvecSuivante) index--;
  return index;
}

Portee** CvtPorteeEnPorteeDebutFusion(Portee** staff) {
  if (!staff || (*staff)->modeFusion == kFusionAucune) return staff;
  Partition** score = PartitionDePortee(staff);
  if (!score) return staff;
  return (*score)->portees[TeteFusion(score, (*staff)->index)];
}

int16_t CvtIndexPorteeEnIndexPorteeDebutFusion(Partition** score, int16_t index) {
  if (!score || (*score)->nbPortees <= 0) return 0;
  if (index >= (*score)->nbPortees) index = int16_t((*score)->nbPortees - 1);
  if (index < 0) index = 0;
  if ((*(*score)->portees[index])->modeFusion == kFusionAucune) return index;
  return TeteFusion(score, index);
}

int16_t CvtIndexPorteeEnIndexPorteeFinFusion(Partition** score, int16_t index) {
  if (!score || index < 0 || index >= (*score)->nbPortees) return index;
  int16_t n = (*score)->nbPortees;
  const Portee* p = *(*score)->portees[index];
  if (p->modeFusion == kFusionAucune || !p->fusionneAvecSuivante) return index;
  int16_t j = index;
  while (j < n - 1 && (*(*score)->portees[j])->fusionneAvecSuivante) j++;
  if (j > index && (*(*score)->portees[j])->type == kTypePorteeTempo) return int16_t(j - 1);
  return j;
}

int16_t GetNbPorteesFusion(Portee** staff) {
  if (!staff || (*staff)->modeFusion == kFusionAucune) return 1;
  Partition** score = PartitionDePortee(staff);
  if (!score) return 1;
  int16_t n = (*score)->nbPortees;
  int16_t j = TeteFusion(score, (*staff)->index);
  int16_t tete = j;
  while (j < n - 1 && (*(*score)->portees[j])->fusionneAvecSuivante) j++;
  return int16_t(j - tete + 1);
}

Portee** CvtPorteeEnPorteeMaitreDebutFusion(Partition** score, Portee** staff) {
  if (!score || !staff) return staff;
  Portee** tete = CvtPorteeEnPorteeDebutFusion(staff);
  if ((*tete)->modeFusion == kFusionMaitre || GetPorteeIndex(score, (*tete)->index) != tete) return tete;
  // The master is looked for inside the group only: a master further down
  // belongs to another group.
  int16_t fin = int16_t((*tete)->index + GetNbPorteesFusion(tete) - 1);
  for (int16_t j = int16_t((*tete)->index + 1); j <= fin && j < (*score)->nbPortees; j++)
    if ((*(*score)->portees[j])->modeFusion == kFusionMaitre) return (*score)->portees[j];
  return tete;
}

// ---------------------------------------------------------------- questions

uint32_t CalculeDureePortee(Portee** staff, int16_t exact) {
  if (!staff) return 0;
  if ((*staff)->type == kTypePorteePisteNumerique)
    return uint32_t(CvtPosPisteEnTempsEcrit((*staff)->partition, GetSampleRatePisteNumerique(staff),
                                            GetLengthPisteNumerique(staff)));
  if ((*staff)->nbNotes <= 0 || !(*staff)->notes) return 0;
  if (!exact && (*staff)->dureeCache > 0) return uint32_t((*staff)->dureeCache);
  int32_t n = (*staff)->nbNotes;
  int32_t cap = GetHandleSize((*staff)->notes) / int32_t(sizeof(Signe));
  if (n > cap) n = cap;
  // The records' starts are those of the walk that ends where the array ends
  // (CvtIndexNoteEnTemps(staff, n)); the length is the latest end among them,
  // which in exact mode may fall before the array's end.
  const Signe* s = reinterpret_cast<const Signe*>(*(*staff)->notes);
  int64_t fin = 0;
  int64_t debut = 0;
  for (int32_t i = 0; i < n; i++) {
    int64_t d = s[i].duree;
    if (exact && s[i].kind >= 0) d = d * s[i].pourcentJoue / 100;
    if (debut + d > fin) fin = debut + d;
    if (!(s[i].flags & kSigneAccordSuite)) debut += s[i].duree;
  }
  if (fin > INT32_MAX) fin = INT32_MAX;
  if (fin < 0) fin = 0;
  // Only the full written length is cached: an exact length cached here would
  // be answered later to a caller asking for the full one.
  if (!exact) (*staff)->dureeCache = int32_t(fin);
  return uint32_t(fin);
}

bool IsPorteeVisible(Partition** score, int16_t index) {
  Portee** staff = GetPorteeIndex(score, index);
  if (!staff || !(*staff)->affichee) return false;
  if (GetModeEcran(score) == kModeEcranRuban && !IsVuesEnModeRuban()) return true;
  return (*staff)->cacheeModePage == 0;
}

int16_t GetVraieHauteurFnTranspositeur(Partition** score, Portee** staff, int16_t pitch) {
  if (pitch < 0 || !score || !staff) return pitch;
  int16_t i = (*staff)->instrument;
  if (i < 0 || i >= (*score)->nbInstruments || !(*score)->instruments ||
      Size(i + 1) * Size(sizeof(Instrument)) > GetHandleSize((*score)->instruments))
    return pitch;
  return int16_t(pitch + reinterpret_cast<Instrument*>(*(*score)->instruments)[i].transposition);
}

void SetNomPortee(Portee** staff, const char* text) {
  if (staff) strnzcpy((*staff)->aspect.nom, text ? text : "", sizeof(*staff)->aspect.nom);
}

void SetNomAbregePortee(Portee** staff, const char* text) {
  if (staff) strnzcpy((*staff)->aspect.nomAbrege, text ? text : "", sizeof(*staff)->aspect.nomAbrege);
}

Portee** PorteeSuivante(Portee** staff) {
  if (!staff) return nullptr;
  return GetPorteeIndex((*staff)->partition, int16_t((*staff)->index + 1));
}

int16_t RechercheIndexPortee(Partition**, Portee** staff) { return staff ? (*staff)->index : int16_t(-1); }

void InitChantConfigPortee(Portee** staff) {
  if (!staff || !IsPorteeLyrastel(staff) || (*staff)->voixParam) return;
  (*staff)->chantConfig1 = 1;
  Handle h = NewHandleClear(kTailleVoixParam);
  if (!h) return;
  (*staff)->voixParam = h;
  SetDefautVoixParam(reinterpret_cast<VoixParam*>(*h));
  // The singing product is never present in the plug-in; with it the preset
  // is read from the voices folder, made current around the call.
  if ((*staff)->type == kTypePorteeGregorien && IsLyrastel())
    DoChargeExpressionVoix(":Classical:Gregorian.prv", reinterpret_cast<VoixParam*>(*(*staff)->voixParam));
  (*staff)->chantConfig2 = 1;
}

bool IsTypePorteeTablature(Portee** staff) { return staff && (*staff)->type == kTypePorteeTablature; }

bool IsTypePorteeNotationStandard(Portee** staff) {
  if (!staff) return false;
  switch ((*staff)->type) {
    case kTypePorteeStandard:
    case kTypePorteeBatterieStd:
    case kTypePorteeGregorien: return true;
    case kTypePorteeTablature: {
      Tablature** t = GetTablature(staff);
      return t && ((*t)->flagsAffichage & kTablatureAfficheNotation);
    }
    default: return false;
  }
}

bool IsTypePorteeContientNote(Portee** staff) {
  if (!staff) return false;
  uint32_t t = (*staff)->type;
  return t == kTypePorteeStandard || t == kTypePorteeTablature || t == kTypePorteeBatterieStd ||
         t == kTypePorteeGregorien;
}

bool IsTypePorteeChangeTonalite(Portee** staff) {
  if (!staff) return false;
  uint32_t t = (*staff)->type;
  return t == kTypePorteeStandard || t == kTypePorteeTablature || t == kTypePorteeGregorien;
}

bool IsTypePorteeChangeClef(Portee** staff) { return IsTypePorteeChangeTonalite(staff); }
