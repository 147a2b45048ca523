#include "model/QrvDynamics.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <utility>
#include <vector>

#include "layout/ServicesMiseEnPage.h"
#include "layout/Zoom.h"
#include "model/CourbeTempo.h"
#include "model/CvtTemps.h"
#include "model/Document.h"
#include "model/ParamEffet.h"
#include "model/PartGroups.h"
#include "model/Partition.h"
#include "model/Portee.h"
#include "model/QRVPOBJ.h"
#include "model/QrvText.h"
#include "model/Ruban.h"
#include "model/SGraphix.h"
#include "model/Signe.h"
#include "model/TempsJoue.h"
#include "model/Vues.h"
#include "notation/ServicesNotation.h"
#include "platform/Memory.h"
#include "platform/QuickDraw.h"
#include "plugin/ServicesInertes.h"
#include "stafftypes/ServicesTypesPortee.h"
#include "system/Handles.h"
#include "system/Reporters.h"
#include "system/Strings.h"

namespace {

constexpr int32_t kDureeNoire = 40320;
constexpr int32_t kDureeDoubleCroche = 10080;
constexpr int32_t kMaxDynamiques = 32767;
// Events one staff may hold: far beyond any score, and a bound on what a
// damaged document can make a preparation build.
constexpr int32_t kMaxEvtDynamiques = 1 << 18;

int32_t NbDynamiques(Portee** staff) {
  if (!staff || !(*staff)->dynamiques) return 0;
  int32_t n = (*staff)->nbDynamiques;
  int32_t cap = int32_t(GetHandleSize((*staff)->dynamiques) / Size(sizeof(Dynamique)));
  return n < 0 ? 0 : std::min(n, cap);
}

bool IsVolatileSansSource(Portee** staff) { return (*staff)->typeVolatile != 0 && (*staff)->indexPorteeSource < 0; }

int32_t NbMesures(Partition** score) { return std::max<int32_t>((*score)->nbMesures, 0); }

// The played walk of a score: the written bar of every played bar (bars past
// the played-bar table are taken in written order) with its played start.
struct Parcours {
  std::vector<int32_t> debut;
  // (written bar, played bar), in played order within each bar.
  std::vector<std::pair<int32_t, int32_t>> parMesure;

  explicit Parcours(Partition** score) {
    int32_t joues = GetNbMesuresJouees(score);
    int32_t n = std::max(NbMesures(score), joues);
    debut.reserve(size_t(n));
    parMesure.reserve(size_t(n));
    int64_t t = 0;
    for (int32_t k = 0; k < n; k++) {
      int32_t b = k < joues ? CalculeIndexMesureSelonRupture(score, k) : k;
      debut.push_back(Sature32(t));
      if (b < 0) continue;
      parMesure.emplace_back(b, k);
      t += CvtMesureEnDureeMesure(score, b);
    }
    std::sort(parMesure.begin(), parMesure.end());
  }
};

// What an application of a record needs of it, copied: no pointer into a list.
struct Source {
  int16_t portee;
  int16_t index;
  Dynamique d;
};

// Events gathered per staff during an application, written in one go.
struct Collecte {
  std::vector<std::vector<EvtDynamique>> parPortee;
  explicit Collecte(Partition** score) : parPortee(size_t(std::max<int16_t>((*score)->nbPortees, 0))) {}
};

bool MemeSource(const EvtDynamique& a, const EvtDynamique& b) {
  return a.portee == b.portee && a.dynamique == b.dynamique;
}

// False when the staff can take no more events.
bool AjouteEvt(Collecte& c, Portee** staff, const Source& src, bool restore, uint16_t v1, uint16_t v2, int64_t start,
               int64_t end) {
  int16_t i = (*staff)->index;
  if (i < 0 || size_t(i) >= c.parPortee.size()) return false;
  std::vector<EvtDynamique>& l = c.parPortee[size_t(i)];
  if (int32_t(l.size()) >= kMaxEvtDynamiques) return false;
  EvtDynamique e{};
  e.portee = src.portee;
  e.dynamique = src.index;
  e.restaure = restore ? 1 : 0;
  e.relatif = src.d.relatif ? 1 : 0;
  e.debut = Sature32(start);
  e.fin = Sature32(end);
  e.valeur1 = v1;
  e.valeur2 = v2;
  l.push_back(e);
  return true;
}

bool EcritEvts(Portee** staff, const std::vector<EvtDynamique>& l) {
  Size taille = Size(l.size() * sizeof(EvtDynamique));
  if (!(*staff)->evtDynamiques) {
    Handle h = NewHandle(taille);
    if (!h) return false;
    (*staff)->evtDynamiques = h;
  } else if (!RetailleHandle((*staff)->evtDynamiques, taille)) {
    return false;
  }
  if (taille > 0) std::memcpy(*(*staff)->evtDynamiques, l.data(), size_t(taille));
  (*staff)->nbEvtDynamiques = int32_t(l.size());
  return true;
}

// The gathered events join each staff's list: events are in start order,
// one per start, a later one replacing an earlier one with the same start.
void TermineCollecte(Partition** score, Collecte& c) {
  for (size_t i = 0; i < c.parPortee.size(); i++) {
    std::vector<EvtDynamique>& nouveaux = c.parPortee[i];
    if (nouveaux.empty()) continue;
    Portee** staff = GetPorteeIndex(score, int16_t(i));
    if (!staff) continue;
    int32_t n = 0;
    EvtDynamique* anciens = GetEvtDynamiquesPortee(staff, &n);
    std::vector<EvtDynamique> l;
    l.reserve(size_t(n) + nouveaux.size());
    if (anciens) l.assign(anciens, anciens + n);
    l.insert(l.end(), nouveaux.begin(), nouveaux.end());
    std::stable_sort(l.begin(), l.end(),
                     [](const EvtDynamique& a, const EvtDynamique& b) { return a.debut < b.debut; });
    size_t k = 0;
    for (size_t j = 0; j < l.size(); j++) {
      if (k > 0 && l[k - 1].debut == l[j].debut) {
        l[k - 1] = l[j];
      } else {
        l[k++] = l[j];
      }
    }
    l.resize(std::min(k, size_t(kMaxEvtDynamiques)));
    EcritEvts(staff, l);
    nouveaux.clear();
  }
}

// The record's events on one staff, pass by pass through its bar.
void AjoutePassages(Partition** score, Portee** staff, const Source& src, const Parcours& parcours, Collecte& c) {
  const Dynamique& d = src.d;
  int32_t mesure = CvtTempsEnMesure(score, d.debut);
  int64_t debutMesure = CvtMesureEnTemps(score, mesure);
  int64_t decalageDebut = int64_t(d.debut) - debutMesure;
  int64_t decalageFin = int64_t(std::max(d.debut, d.fin)) - debutMesure;
  bool soufflet = CalculeClasseDynamique(d.type) == kClasseDynSoufflet;
  auto r = std::equal_range(
      parcours.parMesure.begin(), parcours.parMesure.end(), std::make_pair(mesure, INT32_MIN),
      [](const std::pair<int32_t, int32_t>& a, const std::pair<int32_t, int32_t>& b) { return a.first < b.first; });
  int32_t q = 0;
  for (auto it = r.first; it != r.second; ++it, q++) {
    int64_t joue = parcours.debut[size_t(it->second)];
    bool place = true;
    if (q < kNbPassagesMasque && !((d.masquePassages >> q) & 1u)) {
      if (q > 0 && ((d.masquePassages >> (q - 1)) & 1u))
        place = AjouteEvt(c, staff, src, true, 0, 0, joue + decalageDebut, joue + decalageDebut);
    } else if (soufflet) {
      place = AjouteEvt(c, staff, src, false, d.valeur1, d.valeur2, joue + decalageDebut, joue + decalageFin);
    } else {
      place = AjouteEvt(c, staff, src, false, d.valeur1, d.valeur1, joue + decalageDebut, joue + decalageDebut);
    }
    // A full staff ends the walk: a damaged played-bar table may pass one bar
    // many thousand times.
    if (!place) break;
  }
}

// The brace that holds the staff: its first and last staves (the last taken
// at the end of its merged staves). False when no brace holds it.
bool BornesAccolade(Partition** score, int16_t index, int16_t* first, int16_t* last) {
  Handle groupes = (*score)->partGroups;
  int16_t n = GetNbPartGroups(groupes);
  for (int16_t g = 0; g < n; g++) {
    const PartGroup& pg = reinterpret_cast<const PartGroup*>(*groupes)[g];
    if (pg.type != 0) continue;
    int16_t fin = CvtIndexPorteeEnIndexPorteeFinFusion(score, pg.dernierePortee);
    if (pg.premierePortee <= index && index <= fin) {
      *first = pg.premierePortee;
      *last = fin;
      return true;
    }
  }
  return false;
}

void AppliqueVelocite(Partition** score, Portee** staff, const Source& src, bool accolade, const Parcours& parcours,
                      Collecte& c) {
  const Dynamique& d = src.d;
  int16_t nb = (*score)->nbPortees;
  if (!staff) {
    for (int16_t i = 0; i < nb; i++) {
      Portee** s = (*score)->portees[i];
      if (s && !IsVolatileSansSource(s)) AppliqueVelocite(score, s, src, accolade, parcours, c);
    }
    return;
  }
  int16_t premier = 0, dernier = -1;
  if (!d.partitionEntiere && accolade && BornesAccolade(score, (*staff)->index, &premier, &dernier)) {
    for (int16_t i = premier; i <= dernier && i < nb; i++) {
      Portee** s = (*score)->portees[i];
      if (!s || IsVolatileSansSource(s)) continue;
      if (s == staff || CvtPorteeEnPorteeDebutFusion(s) == s) AppliqueVelocite(score, s, src, false, parcours, c);
    }
    return;
  }
  if ((*staff)->modeFusion != kFusionAucune && !d.partitionEntiere && !d.porteeSeule) {
    for (Portee** s = CvtPorteeEnPorteeDebutFusion(staff); s; s = PorteeSuivante(s)) {
      bool suite = (*s)->fusionneAvecSuivante != 0;
      if (!IsVolatileSansSource(s)) {
        uint32_t mode = (*s)->modeFusion;
        (*s)->modeFusion = kFusionAucune;
        AppliqueVelocite(score, s, src, accolade, parcours, c);
        (*s)->modeFusion = mode;
      }
      if (!suite) break;
    }
    return;
  }
  AjoutePassages(score, staff, src, parcours, c);
  int16_t index = (*staff)->index;
  for (int16_t i = 0; i < nb; i++) {
    Portee** v = (*score)->portees[i];
    if (v && v != staff && (*v)->typeVolatile != 0 && (*v)->indexPorteeSource == index)
      AjoutePassages(score, v, src, parcours, c);
  }
}

void OctavePortee(Portee** staff, const Dynamique& d, int16_t octaves) {
  int32_t premier = 0, dernier = 0;
  CvtDynamiqueEnIndexNotes(staff, &d, &premier, &dernier);
  int32_t n = 0;
  Signe* s = GetSignesPortee(staff, &n);
  dernier = std::min(dernier, n);
  for (int32_t i = std::max(premier, 0); i < dernier; i++) {
    if (s[i].kindCopie < 0) continue;
    // The sounding pitch stays a pitch: a shift past either end leaves it.
    int32_t h = int32_t(s[i].kindCopie) + 12 * octaves;
    if (h >= 0 && h <= 127) s[i].kindCopie = int8_t(h);
  }
}

void AppliqueOctave(Partition** score, Portee** staff, const Dynamique& d, int16_t octaves) {
  if (!staff) {
    // Each staff once: a merged group is reached through each of its staves.
    for (int16_t i = 0; i < (*score)->nbPortees; i++)
      if ((*score)->portees[i]) OctavePortee((*score)->portees[i], d, octaves);
    return;
  }
  if ((*staff)->modeFusion != kFusionAucune) {
    for (Portee** s = CvtPorteeEnPorteeDebutFusion(staff); s; s = PorteeSuivante(s)) {
      bool suite = (*s)->fusionneAvecSuivante != 0;
      uint32_t mode = (*s)->modeFusion;
      (*s)->modeFusion = kFusionAucune;
      OctavePortee(s, d, octaves);
      (*s)->modeFusion = mode;
      if (!suite) break;
    }
    return;
  }
  OctavePortee(staff, d, octaves);
}

int16_t OctavesDynamique(int32_t type) {
  switch (type) {
    case kDynOctavePlus1: return 1;
    case kDynOctaveMoins1: return -1;
    case kDynOctavePlus2: return 2;
    case kDynOctaveMoins2: return -2;
    default: return 0;
  }
}

void PreparePortee(Partition** score, Portee** staff, int16_t pass, const Parcours& parcours, Collecte& c) {
  if (!(*staff)->evtDynamiques) {
    (*staff)->evtDynamiques = NewHandle(0);
    (*staff)->nbEvtDynamiques = 0;
  }
  (*staff)->facteurDynamiques = 1.0f;
  int32_t n = NbDynamiques(staff);
  Portee** cible = pass ? nullptr : staff;
  for (int32_t i = 0; i < n; i++) {
    Dynamique d = GetDynamiquesPortee(staff, nullptr)[i];
    if (!d.actif || d.partitionEntiere != pass || CalculeClasseDynamique(d.type) != kClasseDynOctave) continue;
    AppliqueOctave(score, cible, d, OctavesDynamique(d.type));
  }
  for (int32_t i = 0; i < n; i++) {
    Source src{(*staff)->index, int16_t(i), GetDynamiquesPortee(staff, nullptr)[i]};
    int16_t classe = CalculeClasseDynamique(src.d.type);
    if (!src.d.actif || src.d.partitionEntiere != pass) continue;
    if (classe != kClasseDynNiveau && classe != kClasseDynSoufflet) continue;
    AppliqueVelocite(score, cible, src, src.d.accolade != 0, parcours, c);
  }
}

// A restore event only ends its own object's effect: after another object's
// event it goes; after its own, it brings back the level of the nearest
// other object before it (100 when none).
void NettoieEvts(Portee** staff) {
  int32_t n = 0;
  EvtDynamique* e = GetEvtDynamiquesPortee(staff, &n);
  if (!e) return;
  int32_t k = n;
  for (int32_t i = n - 1; i >= 0; i--) {
    if (!e[i].restaure) continue;
    if (i == 0 || !MemeSource(e[i - 1], e[i])) {
      std::memmove(&e[i], &e[i + 1], size_t(k - i - 1) * sizeof(EvtDynamique));
      k--;
      continue;
    }
    uint16_t v = 100;
    for (int32_t j = i - 2; j >= 0; j--)
      if (!MemeSource(e[j], e[i])) {
        v = e[j].valeur2;
        break;
      }
    e[i].valeur1 = e[i].valeur2 = v;
  }
  (*staff)->nbEvtDynamiques = k;
}

uint16_t Pourcent(uint16_t base, uint16_t pourcent) {
  double v = double(base) * double(pourcent) * 0.01;
  return v >= 65535.0 ? uint16_t(65535) : uint16_t(v);
}

void ResoudRelatifs(Portee** staff) {
  int32_t n = 0;
  EvtDynamique* e = GetEvtDynamiquesPortee(staff, &n);
  for (int32_t i = 1; i < n; i++) {
    if (!e[i].relatif) continue;
    e[i].valeur1 = Pourcent(e[i - 1].valeur1, e[i].valeur1);
    e[i].valeur2 = Pourcent(e[i - 1].valeur2, e[i].valeur2);
  }
}

void TrieDynamiques(Portee** staff) {
  int32_t n = 0;
  Dynamique* d = GetDynamiquesPortee(staff, &n);
  if (n < 2) return;
  std::stable_sort(d, d + n, [](const Dynamique& a, const Dynamique& b) { return CompareDynamique(&a, &b) < 0; });
}

// After a record left a staff's list, events keep naming the records that stay.
void AjusteEvtsSuppression(Portee** staff, int32_t index) {
  int16_t indexPortee = (*staff)->index;
  Partition** score = (*staff)->partition;
  int16_t nb = score ? (*score)->nbPortees : 1;
  for (int16_t i = 0; i < nb; i++) {
    Portee** s = score ? (*score)->portees[i] : staff;
    int32_t n = 0;
    EvtDynamique* e = GetEvtDynamiquesPortee(s, &n);
    int32_t k = 0;
    for (int32_t j = 0; j < n; j++) {
      if (e[j].portee == indexPortee && e[j].dynamique == index) continue;
      e[k] = e[j];
      if (e[k].portee == indexPortee && e[k].dynamique > index) e[k].dynamique--;
      k++;
    }
    if (e) (*s)->nbEvtDynamiques = k;
  }
}

bool IsTempoDansVueCourante(Document* document) {
  if (!document) return true;
  int16_t v = GetIndexVueCourante(document);
  if (v < 0 || v >= GetNbVuesDocument(document)) return true;
  return GetVueDocument(document, v)->flags[kVueFlagTempo] != 0;
}

bool IsNiveau(const Dynamique& d) { return d.actif && d.type >= 0 && d.type <= kDynDerniereMarque; }

}  // namespace

// ---------------------------------------------------------------- the list

Dynamique* GetDynamiquesPortee(Portee** staff, int32_t* count) {
  int32_t n = NbDynamiques(staff);
  if (count) *count = n;
  return staff && (*staff)->dynamiques ? reinterpret_cast<Dynamique*>(*(*staff)->dynamiques) : nullptr;
}

int32_t NewDynamique(Portee** staff) {
  if (!staff) return -1;
  int32_t n = NbDynamiques(staff);
  if (n >= kMaxDynamiques) return -1;
  Size taille = Size(n + 1) * Size(sizeof(Dynamique));
  if (!(*staff)->dynamiques) {
    Handle h = NewHandleClear(taille);
    if (!h) return -1;
    (*staff)->dynamiques = h;
  } else if (!RetailleHandle((*staff)->dynamiques, taille)) {
    return -1;
  }
  std::memset(&reinterpret_cast<Dynamique*>(*(*staff)->dynamiques)[n], 0, sizeof(Dynamique));
  (*staff)->nbDynamiques = int16_t(n + 1);
  return n;
}

void SetDefaultDynamique(Dynamique* record, int32_t type) {
  if (!record) return;
  std::memset(record, 0, sizeof *record);
  record->type = type;
  record->style.font = 20;
  record->style.face = 3;
  record->style.size = 12;
  if (type == kDynTempo) GetStylePref(15, &record->style);
  record->actif = 1;
  record->masquePassages = kMasquePassagesTous;
  record->uniteTempo = kDureeNoire;
  record->flagTempo = type == kDynTempo ? 1 : 0;
  record->forme1 = 33;
  record->forme2 = 66;
  record->visible = 1;
  record->taille = 100;
  switch (type) {
    case kDynCrescendo:
      record->valeur1 = 50;
      record->valeur2 = 100;
      break;
    case kDynDecrescendo:
      record->valeur1 = 100;
      record->valeur2 = 50;
      break;
    case kDynPedaleEnfoncee: record->valeur1 = 100; break;
    case kDynPedaleRelachee: record->valeur1 = 0; break;
    default:
      if (CalculeClasseDynamique(type) == kClasseDynNiveau)
        record->valeur1 = uint16_t(CvtTypeDynamiqueEnPourcentVelocite(type));
      break;
  }
}

int16_t DeleteDynamique(Portee** staff, int32_t index, bool notify) {
  int32_t n = NbDynamiques(staff);
  if (index < 0 || index >= n) {
    BigBadError("QrvDynamics", 1);
    return 255;
  }
  Dynamique* d = GetDynamiquesPortee(staff, nullptr);
  bool tempo = d[index].type == kDynTempo;
  if (CalculeClasseDynamique(d[index].type) == kClasseDynOctave) FixeTablatureNonCalculeePourOttava(staff);
  if (tempo && notify) DeleteNotesDynamiquesTempo();
  d = GetDynamiquesPortee(staff, nullptr);
  std::memmove(&d[index], &d[index + 1], size_t(n - index - 1) * sizeof(Dynamique));
  (*staff)->nbDynamiques = int16_t(n - 1);
  RetailleHandle((*staff)->dynamiques, Size(n - 1) * Size(sizeof(Dynamique)));
  AjusteEvtsSuppression(staff, index);
  if (tempo && notify) AjouteNotesDynamiquesTempo((*staff)->partition);
  if (tempo) JeTePreviensDureeMusiqueChange();
  return tempo ? 1 : 0;
}

void DisposeDynamiques(Portee** staff) {
  if (!staff) return;
  LibereHandle(&(*staff)->dynamiques);
  (*staff)->nbDynamiques = 0;
}

// ---------------------------------------------------------- types and values

int32_t AjouteObjetVelocite(Partition**, Portee** staff, int32_t start, int32_t end, uint16_t value1, uint16_t value2) {
  int32_t index = NewDynamique(staff);
  if (index < 0) return index;
  int32_t type;
  if (value1 != value2) {
    type = value1 <= value2 ? kDynCrescendo : kDynDecrescendo;
  } else {
    type = CvtPourcentVelociteEnTypeDynamique(value1);
    end = Sature32(int64_t(start) + kDureeNoire);
  }
  Dynamique d;
  SetDefaultDynamique(&d, type);
  Rect r{};
  GetRectStdDynamique(staff, &d, &r);
  d.valeur1 = value1;
  d.valeur2 = value2;
  d.debut = start;
  d.fin = end;
  int32_t haut = (*staff)->dynamiquesDessus ? -46 : 5;
  d.haut = haut;
  d.bas = int32_t(r.bottom) + haut;
  GetDynamiquesPortee(staff, nullptr)[index] = d;
  return index;
}

int32_t CvtPourcentVelociteEnTypeDynamique(int32_t percent) {
  static const int32_t kLimites[] = {21, 41, 61, 81, 101, 121, 161};
  int32_t type = kDynPremiereNuance;
  for (int32_t limite : kLimites) {
    if (percent < limite) return type;
    type++;
  }
  return kDynDerniereNuance;
}

int32_t CvtTypeDynamiqueEnPourcentVelocite(int32_t type) {
  static const int32_t kPourcents[] = {20, 40, 60, 80, 100, 120, 160, 200};
  if (type < kDynPremiereNuance || type > kDynDerniereNuance) return 100;
  return kPourcents[type - kDynPremiereNuance];
}

int16_t CalculeClasseDynamique(int32_t type) {
  if (type <= kDynAucune) return kClasseDynAucune;
  if (type <= kDynDecrescendo) return kClasseDynSoufflet;
  if (type <= kDynDerniereMarque) return kClasseDynNiveau;
  if (type <= kDynOctaveMoins2) return kClasseDynOctave;
  if (type == kDynTempo) return kClasseDynTempo;
  if (type <= kDynPedaleRelachee) return kClasseDynPedale;
  return kClasseDynNiveau;
}

int32_t ApproximeVelociteSelonTempsEcrit(Portee** staff, int32_t tick) {
  int32_t n = 0;
  const Dynamique* d = GetDynamiquesPortee(staff, &n);
  int32_t v = -1;
  for (int32_t i = 0; i < n && d[i].debut <= tick; i++) {
    if (!IsNiveau(d[i])) continue;
    v = d[i].type == kDynCrescendo || d[i].type == kDynDecrescendo ? d[i].valeur2 : d[i].valeur1;
  }
  return v;
}

void CvtDynamiqueEnIndexNotes(Portee** staff, const Dynamique* record, int32_t* first, int32_t* last) {
  int32_t a = 0, b = 0;
  if (staff && record) {
    a = CvtTempsEnIndexNote(staff, record->debut);
    b = CvtTempsEnIndexNote(staff, record->fin);
  }
  if (first) *first = a;
  if (last) *last = b;
}

bool IsSectDynamique(Partition**, const Dynamique* record, int32_t t0, int32_t t1) {
  if (!record) return false;
  if (record->debut >= t0) return record->debut <= t1;
  return record->fin >= t0;
}

int32_t CompareDynamique(const Dynamique* a, const Dynamique* b) {
  return a->debut < b->debut ? -1 : (a->debut > b->debut ? 1 : 0);
}

// -------------------------------------------------------- areas and drawing

int16_t CalculeAireDynamiqueRuban(Document*, Portee** staff, int32_t index, BigRect* out) {
  if (!out) return 0;
  *out = BigRect{};
  int32_t n = 0;
  const Dynamique* d = GetDynamiquesPortee(staff, &n);
  if (index < 0 || index >= n) return 0;
  const Dynamique r = d[index];
  Partition** score = (*staff)->partition;
  const Portee* p = *staff;
  int64_t ref = int64_t(p->aireRuban.top) + p->decalageLigneBasRuban;
  out->left = Sature32(int64_t(CvtTempsEnPixelRuban(score, r.debut)) + ZoomRuban(score, r.decalageGauche));
  out->right = Sature32(int64_t(CvtTempsEnPixelRuban(score, r.fin)) + ZoomRuban(score, r.decalageDroite));
  out->top = Sature32(ref + ZoomRuban(score, r.haut));
  out->bottom = Sature32(ref + ZoomRuban(score, r.bas));
  int64_t hauteur = int64_t(out->bottom) - out->top;
  if (int64_t(out->right) - out->left < hauteur) out->right = Sature32(out->left + hauteur);
  return 1;
}

int16_t AfficheDynamiquesPortee(Portee** staff, const Rect* clip, int32_t xOffset, int32_t t0, int32_t t1) {
  int32_t n = NbDynamiques(staff);
  if (n == 0) return 1;
  Partition** score = (*staff)->partition;
  Document* document = score ? (*score)->document : nullptr;
  for (int32_t i = 0; i < n; i++) {
    const Dynamique d = GetDynamiquesPortee(staff, nullptr)[i];
    if (!IsSectDynamique(score, &d, t0, t1)) continue;
    BigRect aire;
    CalculeAireDynamiqueRuban(document, staff, i, &aire);
    if (int64_t(aire.right) < int64_t(aire.left) + 2) aire.right = Sature32(int64_t(aire.left) + 2);
    Rect r{};
    if (xOffset < 0) CvtAireRubanEnAireEcran(document, &aire, &r);
    else CvtAireRubanEnAireEcranDansPorteeOffset(document, staff, xOffset, &aire, &r);
    if (d.cache) continue;
    Rect commun;
    if (clip && !SectRect(&r, clip, &commun)) continue;
    if (!d.visible && !IsTraceReperes(score)) continue;
    if (d.type == kDynTempo && !IsTempoDansVueCourante(document)) continue;
    if (AfficheDynamiqueSplite(staff, &d, &r, xOffset)) continue;
    AfficheDynamique(staff, &d, &r);
  }
  return 1;
}

// ---------------------------------------------------------------- edits

void DeleteTimeRangeDynamiques(Portee** staff, int32_t t0, int32_t t1, bool keep) {
  // An empty range cuts nothing (it would still shorten what spans t0).
  if (t1 <= t0) return;
  int32_t n = 0;
  Dynamique* d = GetDynamiquesPortee(staff, &n);
  int64_t largeur = int64_t(t1) - t0;
  for (int32_t i = 0; i < n; i++) {
    int64_t s = d[i].debut, e = d[i].fin;
    if (s >= t1) {
      s -= largeur;
      e -= largeur;
    } else if (s < t0) {
      if (t0 <= e) e = t0;
    } else if (e < t1) {
      if (keep) {
        e = t0 + (e - s);
        s = t0;
      } else {
        s = e = 0;
      }
    } else {
      // The hairpin starts from the value it reached at t1.
      int32_t atteint = d[i].valeur1 + LMulDiv(int32_t(d[i].valeur2) - d[i].valeur1, Sature32(t1 - s), Sature32(e - s));
      d[i].valeur1 = uint16_t(std::clamp(atteint, 0, 65535));
      s = t0;
      e -= largeur;
    }
    d[i].debut = Sature32(s);
    d[i].fin = Sature32(e);
  }
  bool tempo = false;
  for (int32_t i = n - 1; i >= 0; i--) {
    const Dynamique& r = GetDynamiquesPortee(staff, nullptr)[i];
    if (r.fin > r.debut) continue;
    tempo = tempo || r.type == kDynTempo;
    DeleteDynamique(staff, i, false);
  }
  if (tempo) AjouteNotesDynamiquesTempo((*staff)->partition);
}

void DeleteMesureDynamiques(Portee** staff, int32_t firstBar, int32_t count) {
  if (!staff || count < 1) return;
  Partition** score = (*staff)->partition;
  DeleteTimeRangeDynamiques(staff, CvtMesureEnTemps(score, firstBar),
                            CvtMesureEnTemps(score, Sature32(int64_t(firstBar) + count)), false);
}

void PreservePositionDynamiques(Partition** score, int16_t mode) {
  if (!score) return;
  for (int16_t i = 0; i < (*score)->nbPortees; i++) {
    Portee** staff = (*score)->portees[i];
    int32_t n = NbDynamiques(staff);
    for (int32_t k = 0; k < n; k++) {
      int32_t debut = GetDynamiquesPortee(staff, nullptr)[k].debut, decalage = 0;
      int32_t ancre = AireAbsolueToRelative(score, staff, false, debut, mode != 0, &decalage);
      Dynamique& d = GetDynamiquesPortee(staff, nullptr)[k];
      d.ancrePreserve = ancre;
      d.decalagePreserve = decalage;
    }
  }
}

void RestaurePositionDynamiques(Partition** score, int16_t mode) {
  if (!score) return;
  for (int16_t i = 0; i < (*score)->nbPortees; i++) {
    Portee** staff = (*score)->portees[i];
    int32_t n = NbDynamiques(staff);
    for (int32_t k = 0; k < n; k++) {
      Dynamique d = GetDynamiquesPortee(staff, nullptr)[k];
      int32_t debut = d.debut;
      AireRelativeToAbsolue(score, staff, false, mode != 0, d.ancrePreserve, d.decalagePreserve, &debut);
      Dynamique& r = GetDynamiquesPortee(staff, nullptr)[k];
      r.fin = Sature32(int64_t(d.fin) - d.debut + debut);
      r.debut = debut;
    }
  }
}

// ---------------------------------------------------------------- preparation

void PrepareDynamiquesPartition(Partition** score) {
  if (!score) return;
  LibereEvtDynamiquesPartition(score);
  int16_t nb = (*score)->nbPortees;
  for (int16_t i = 0; i < nb; i++) {
    Portee** staff = (*score)->portees[i];
    if (!staff) continue;
    int32_t n = 0;
    Signe* s = GetSignesPortee(staff, &n);
    for (int32_t k = 0; k < n; k++) s[k].kindCopie = s[k].kind;
    // Every list is put in order once, before any event names a record.
    TrieDynamiques(staff);
  }
  Parcours parcours(score);
  Collecte c(score);
  for (int16_t pass : {int16_t(1), int16_t(0)})
    for (int16_t i = 0; i < nb; i++)
      if ((*score)->portees[i]) PreparePortee(score, (*score)->portees[i], pass, parcours, c);
  TermineCollecte(score, c);
  for (int16_t i = 0; i < nb; i++) {
    Portee** staff = (*score)->portees[i];
    if (!staff) continue;
    NettoieEvts(staff);
    ResoudRelatifs(staff);
  }
  for (int16_t i = 0; i < nb; i++) {
    Portee** staff = (*score)->portees[i];
    if (!staff) continue;
    PrepareTextesPortee(staff);
    PrepareGraphiquesPortee(staff);
    PrepareDiagrammesPortee(staff);
  }
  PrepareDynamiquesTempoPartition(score);
}

void PrepareDynamiquePortee(Partition** score, Portee** staff, int16_t pass) {
  if (!score || !staff) return;
  Parcours parcours(score);
  Collecte c(score);
  PreparePortee(score, staff, pass, parcours, c);
  TermineCollecte(score, c);
}

void AppliqueOctaveDynamique(Partition** score, Portee** staff, Portee** owner, int32_t index, int16_t octaves) {
  int32_t n = 0;
  const Dynamique* d = GetDynamiquesPortee(owner, &n);
  if (!score || index < 0 || index >= n) return;
  AppliqueOctave(score, staff, d[index], octaves);
}

void AppliqueVelociteDynamique(Partition** score, Portee** staff, Portee** owner, int32_t index) {
  int32_t n = 0;
  const Dynamique* d = GetDynamiquesPortee(owner, &n);
  if (!score || index < 0 || index >= n) return;
  Source src{(*owner)->index, int16_t(index), d[index]};
  Parcours parcours(score);
  Collecte c(score);
  AppliqueVelocite(score, staff, src, src.d.accolade != 0, parcours, c);
  TermineCollecte(score, c);
}

void AjouteEvenementDynamique(Portee** staff, int16_t ownerIndex, int16_t recordIndex, bool restore, bool relative,
                              uint16_t value1, uint16_t value2, int32_t start, int32_t end) {
  if (!staff) return;
  EvtDynamique e{};
  e.portee = ownerIndex;
  e.dynamique = recordIndex;
  e.restaure = restore ? 1 : 0;
  e.relatif = relative ? 1 : 0;
  e.debut = start;
  e.fin = end;
  e.valeur1 = value1;
  e.valeur2 = value2;
  int32_t n = 0;
  EvtDynamique* l = GetEvtDynamiquesPortee(staff, &n);
  EvtDynamique* pos = std::lower_bound(l, l + n, start, [](const EvtDynamique& a, int32_t t) { return a.debut < t; });
  int32_t i = int32_t(pos - l);
  if (i < n && l[i].debut == start) {
    l[i] = e;
    return;
  }
  if (n >= kMaxEvtDynamiques) return;
  Size capacite = (*staff)->evtDynamiques ? GetHandleSize((*staff)->evtDynamiques) / Size(sizeof(EvtDynamique)) : 0;
  if (capacite <= n) {
    Size taille = Size(std::max(16, 2 * n)) * Size(sizeof(EvtDynamique));
    if (!(*staff)->evtDynamiques) {
      (*staff)->evtDynamiques = NewHandle(taille);
      if (!(*staff)->evtDynamiques) return;
    } else if (!RetailleHandle((*staff)->evtDynamiques, taille)) {
      return;
    }
  }
  l = reinterpret_cast<EvtDynamique*>(*(*staff)->evtDynamiques);
  std::memmove(&l[i + 1], &l[i], size_t(n - i) * sizeof(EvtDynamique));
  l[i] = e;
  (*staff)->nbEvtDynamiques = n + 1;
}

EvtDynamique* GetEvtDynamiquesPortee(Portee** staff, int32_t* count) {
  if (count) *count = 0;
  if (!staff || !(*staff)->evtDynamiques) return nullptr;
  int32_t cap = int32_t(GetHandleSize((*staff)->evtDynamiques) / Size(sizeof(EvtDynamique)));
  if (count) *count = std::clamp((*staff)->nbEvtDynamiques, 0, cap);
  return reinterpret_cast<EvtDynamique*>(*(*staff)->evtDynamiques);
}

Dynamique* GetDynamiqueEvt(Partition** score, const EvtDynamique* event) {
  if (!score || !event) return nullptr;
  Portee** staff = GetPorteeIndex(score, event->portee);
  int32_t n = 0;
  Dynamique* d = GetDynamiquesPortee(staff, &n);
  if (event->dynamique < 0 || event->dynamique >= n) return nullptr;
  return &d[event->dynamique];
}

void LibereEvtDynamiquesPortee(Portee** staff) {
  if (!staff) return;
  LibereHandle(&(*staff)->evtDynamiques);
  (*staff)->nbEvtDynamiques = 0;
}

void LibereEvtDynamiquesPartition(Partition** score) {
  if (!score) return;
  for (int16_t i = 0; i < (*score)->nbPortees; i++) LibereEvtDynamiquesPortee((*score)->portees[i]);
}

// ---------------------------------------------------------------- old documents

void ConvertitNuancesAncienFormat(Partition** score) {
  if (!score || !(*score)->tabCvtMesure) return;
  int32_t joues = GetNbMesuresJouees(score);
  if (joues < 2) return;
  std::vector<int32_t> mesures(static_cast<size_t>(joues), 0);
  int32_t maxMesure = 0;
  for (int32_t k = 0; k < joues; k++) {
    mesures[size_t(k)] = CalculeIndexMesureSelonRupture(score, k);
    maxMesure = std::max(maxMesure, mesures[size_t(k)]);
  }
  std::vector<uint8_t> marquees;
  std::vector<uint16_t> niveauMesure;
  // Starts of the staff's levels, sorted (start, then list order).
  std::vector<std::pair<int32_t, int32_t>> niveaux;
  std::vector<int32_t> debuts;
  for (int16_t p = 0; p < (*score)->nbPortees; p++) {
    Portee** staff = (*score)->portees[p];
    int32_t n = 0;
    const Dynamique* d = GetDynamiquesPortee(staff, &n);
    if (n == 0) continue;
    marquees.assign(size_t(maxMesure) + 1, 0);
    niveaux.clear();
    for (int32_t i = 0; i < n; i++) {
      if (!IsNiveau(d[i])) continue;
      niveaux.emplace_back(d[i].debut, i);
      int32_t b = CvtTempsEnMesure(score, d[i].debut);
      if (b >= 0 && b <= maxMesure) marquees[size_t(b)] = 1;
    }
    std::sort(niveaux.begin(), niveaux.end());
    // The level in force at each written bar's start: bar starts grow with
    // the bar, so one sweep over the sorted levels finds them all.
    niveauMesure.assign(size_t(maxMesure) + 1, 100);
    size_t j = 0;
    int32_t enVigueur = -1;
    for (int32_t b = 0; b <= maxMesure; b++) {
      int32_t t = CvtMesureEnTemps(score, b);
      for (; j < niveaux.size() && niveaux[j].first <= t; j++) enVigueur = niveaux[j].second;
      if (enVigueur >= 0) niveauMesure[size_t(b)] = d[enVigueur].valeur1;
    }
    debuts.clear();
    for (const auto& v : niveaux) debuts.push_back(v.first);
    int32_t haut = d[0].haut;
    bool vue = false;
    for (int32_t k = 1; k < joues; k++) {
      int32_t avant = mesures[size_t(k - 1)], b = mesures[size_t(k)];
      if (avant >= 0 && marquees[size_t(avant)]) vue = true;
      if (!vue || b < 0 || b == avant + 1) continue;
      vue = false;
      int32_t t = CvtMesureEnTemps(score, b);
      auto ici = std::lower_bound(debuts.begin(), debuts.end(), t);
      if (ici != debuts.end() && *ici == t) continue;
      uint16_t niveau = niveauMesure[size_t(b)];
      int32_t index = AjouteObjetVelocite(score, staff, t, t, niveau, niveau);
      if (index < 0) continue;
      debuts.insert(ici, t);
      Dynamique& nouvelle = GetDynamiquesPortee(staff, nullptr)[index];
      Rect std{};
      GetRectStdDynamique(staff, &nouvelle, &std);
      std::strcpy(nouvelle.texte, "($X)");
      nouvelle.haut = haut;
      nouvelle.bas = Sature32(int64_t(haut) + (std.bottom - std.top));
    }
  }
}

void CvtOldParamEffetPedaleEnDynamique(Partition** score) {
  if (!score) return;
  for (int16_t p = 0; p < (*score)->nbPortees; p++) {
    Portee** staff = (*score)->portees[p];
    int32_t n = 0;
    if (!GetSignesPortee(staff, &n) || n == 0) continue;
    int64_t t = 0;
    for (int32_t i = 0; i < n; i++) {
      // The lists may move as pedal objects are added: read afresh each time.
      int32_t m = 0;
      const Signe note = GetSignesPortee(staff, &m)[i];
      int32_t debut = Sature32(t);
      if (!(note.flags & kSigneAccordSuite)) t += note.duree;
      int32_t nbEffets = 0;
      const ParamEffet* e = GetParamEffetsPortee(staff, &nbEffets);
      int32_t ie = note.indexParamEffet;
      if (ie < 0 || ie >= nbEffets || e[ie].libre) continue;
      bool enfoncee = e[ie].pedaleEnfoncee != 0, relachee = e[ie].pedaleRelachee != 0;
      if (enfoncee) AjouteObjetPedale(staff, debut, 100, 16);
      if (relachee) AjouteObjetPedale(staff, debut, 0, 16);
    }
  }
}

int32_t AjouteObjetPedale(Portee** staff, int32_t tick, uint16_t value, int32_t height) {
  bool relache = value < 1;
  int32_t n = 0;
  Dynamique* d = GetDynamiquesPortee(staff, &n);
  int64_t t = tick;
  for (int32_t i = 0; i < n; i++) {
    int32_t ouvre = relache ? kDynPedaleEnfoncee : kDynPedaleRelachee;
    int32_t meme = relache ? kDynPedaleRelachee : kDynPedaleEnfoncee;
    if (d[i].type == ouvre && d[i].debut == t) {
      // A press and a release on one tick: the release comes first.
      t += relache ? -1 : 1;
    } else if (d[i].type == meme && std::abs(int64_t(d[i].debut) - t) < kDureeDoubleCroche) {
      d[i].valeur1 = value;
      return -1;
    }
  }
  int32_t index = NewDynamique(staff);
  if (index < 0) return index;
  Dynamique r;
  SetDefaultDynamique(&r, relache ? kDynPedaleRelachee : kDynPedaleEnfoncee);
  Rect std{};
  GetRectStdDynamique(staff, &r, &std);
  r.debut = Sature32(t);
  r.fin = Sature32(t + kDureeDoubleCroche - 1);
  r.haut = height;
  r.bas = Sature32(int64_t(std.bottom - std.top) + height);
  r.valeur1 = value;
  GetDynamiquesPortee(staff, nullptr)[index] = r;
  return index;
}
