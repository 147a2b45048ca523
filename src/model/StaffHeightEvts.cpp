#include "model/StaffHeightEvts.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "model/Document.h"
#include "model/Partition.h"
#include "model/Portee.h"
#include "model/QRVPOBJ.h"
#include "model/TabEltMesure.h"
#include "model/Tonalite.h"
#include "model/Vues.h"
#include "platform/Memory.h"
#include "stafftypes/ServicesTypesPortee.h"
#include "system/Handles.h"
#include "system/QrvFiles.h"

// A staff never needs more events than one per kind and bar of a few kinds.
constexpr int32_t kMaxStaffHeightEvts = 32767;

int32_t GetNbStaffHeightEvts(Handle events) {
  return events ? int32_t(GetHandleSize(events) / Size(sizeof(StaffHeightEvt))) : 0;
}

StaffHeightEvt* GetStaffHeightEvts(Handle events) {
  return events ? reinterpret_cast<StaffHeightEvt*>(*events) : nullptr;
}

static int32_t LitOctets(int n) {
  uint32_t v = 0;
  for (int i = 0; i < n; i++) {
    int16_t c = ReadCar();
    v = (v << 8) | uint32_t(c < 0 ? 0 : c);
  }
  return n == 2 ? int16_t(uint16_t(v)) : int32_t(v);
}

Handle ReadStaffHeightEvts() {
  int16_t count = int16_t(LitOctets(2));
  if (EndOfFile() || count == 0) return nullptr;
  if (count < 0 || int64_t(count) * kTailleStaffHeightEvtFichier > GetStreamRemaining()) {
    // A damaged count: the rest of the document cannot be trusted either.
    ioCustom.finFichier = 1;
    return nullptr;
  }
  Handle h = NewHandleClear(Size(count) * Size(sizeof(StaffHeightEvt)));
  if (!h) {
    ioCustom.finFichier = 1;
    return nullptr;
  }
  for (int16_t i = 0; i < count; i++) {
    StaffHeightEvt e;
    e.kind = uint32_t(uint16_t(LitOctets(2)));
    e.index = int16_t(LitOctets(2));
    e.value = LitOctets(4);
    GetStaffHeightEvts(h)[i] = e;
  }
  if (EndOfFile()) {
    DisposeHandle(h);
    return nullptr;
  }
  return h;
}

void DisposeStaffHeightEvts(Portee** staff) {
  if (!staff) return;
  if ((*staff)->staffHeightEvts) DisposeHandle((*staff)->staffHeightEvts);
  (*staff)->staffHeightEvts = nullptr;
}

int32_t ExtractStaffHeightEvt(Portee** staff, uint32_t kind, int16_t lo, int16_t hi) {
  if (!staff) return 0;
  Handle h = (*staff)->staffHeightEvts;
  int32_t n = GetNbStaffHeightEvts(h);
  for (int32_t i = 0; i < n; i++) {
    const StaffHeightEvt& e = GetStaffHeightEvts(h)[i];
    if (e.kind == kind && e.index >= lo && e.index <= hi) return e.value;
  }
  return 0;
}

void SearchEventAndCreate(Portee** staff, uint32_t kind, int16_t index, int32_t value) {
  if (!staff) return;
  Handle h = (*staff)->staffHeightEvts;
  int32_t n = GetNbStaffHeightEvts(h);
  for (int32_t i = 0; i < n; i++) {
    StaffHeightEvt& e = GetStaffHeightEvts(h)[i];
    if (e.kind == kind && e.index == index) {
      e.value = value;
      return;
    }
  }
  if (n >= kMaxStaffHeightEvts) return;
  if (!h) {
    h = NewHandleClear(Size(sizeof(StaffHeightEvt)));
    if (!h) return;
    (*staff)->staffHeightEvts = h;
  } else if (!RetailleHandle(h, Size(n + 1) * Size(sizeof(StaffHeightEvt)))) {
    return;
  }
  GetStaffHeightEvts(h)[n] = StaffHeightEvt{kind, index, value};
}

// The staff and the staves merged after it.
template <typename F>
static void PourPorteesFusionnees(Portee** staff, F f) {
  for (int32_t k = 0; staff && k <= kMaxMesures; k++) {
    f(staff);
    if (!(*staff)->fusionneAvecSuivante) break;
    staff = PorteeSuivante(staff);
  }
}

// SearchEventAndCreate over every bar from..to, in one pass over the list
// and one resize: bar by bar, a range of all the bars took seconds (a scan
// and a resize per bar).
static void PoseEvenementsPlage(Portee** staff, uint32_t kind, int32_t from, int32_t to, int32_t value) {
  if (!staff || from > to) return;
  std::vector<uint8_t> present(size_t(to - from + 1), 0);
  Handle h = (*staff)->staffHeightEvts;
  int32_t n = GetNbStaffHeightEvts(h);
  int32_t manquants = to - from + 1;
  for (int32_t i = 0; i < n; i++) {
    StaffHeightEvt& e = GetStaffHeightEvts(h)[i];
    if (e.kind != kind || e.index < from || e.index > to || present[size_t(e.index - from)]) continue;
    // The first event of the bar takes the value, as SearchEventAndCreate does.
    e.value = value;
    present[size_t(e.index - from)] = 1;
    manquants--;
  }
  const int32_t ajouts = std::min(manquants, kMaxStaffHeightEvts - n);
  if (ajouts <= 0) return;
  if (!h) {
    h = NewHandleClear(Size(ajouts) * Size(sizeof(StaffHeightEvt)));
    if (!h) return;
    (*staff)->staffHeightEvts = h;
  } else if (!RetailleHandle(h, Size(n + ajouts) * Size(sizeof(StaffHeightEvt)))) {
    return;
  }
  StaffHeightEvt* e = GetStaffHeightEvts(h);
  int32_t k = n;
  for (int32_t b = from; b <= to && k < n + ajouts; b++)
    if (!present[size_t(b - from)]) e[k++] = StaffHeightEvt{kind, int16_t(b), value};
}

void AddEventStaffHeighRange(Portee** staff, uint32_t kind, int16_t from, int16_t to, int32_t value) {
  if (!staff) return;
  auto pose = [&](Portee** p) { PoseEvenementsPlage(p, kind, from, to, value); };
  if (kind == 'P' || kind == 'A') pose(staff);
  else PourPorteesFusionnees(staff, pose);
}

// Every staff's events move before any new event is set: a new event given to
// a merged staff must not move again when that staff's own turn comes.
void AjusteStaffHeightEvtQuandInsereMesures(Partition** score, int16_t atBar, int16_t count) {
  if (!score || count < 1 || atBar < 0) return;
  int16_t nbMesures = (*score)->nbMesures;
  for (int16_t s = 0; s < (*score)->nbPortees; s++) {
    Portee** staff = GetPorteeIndex(score, s);
    if (!staff) continue;
    Handle h = (*staff)->staffHeightEvts;
    int32_t n = GetNbStaffHeightEvts(h);
    for (int32_t i = 0; i < n; i++) {
      StaffHeightEvt& e = GetStaffHeightEvts(h)[i];
      if (e.index >= atBar) e.index = int16_t(int32_t(e.index) + count > INT16_MAX ? INT16_MAX : e.index + count);
    }
  }
  int32_t apres = int32_t(atBar) + count;
  int32_t fin = apres - 1 > INT16_MAX ? INT16_MAX : apres - 1;
  for (int16_t s = 0; s < (*score)->nbPortees; s++) {
    Portee** staff = GetPorteeIndex(score, s);
    if (!staff) continue;
    int32_t value = 0;
    if (apres < nbMesures) {
      value = ExtractStaffHeightEvt(staff, 'G', int16_t(apres), int16_t(apres));
    } else if (atBar > 0) {
      int32_t b = int32_t(nbMesures) - 1 - count;
      value = ExtractStaffHeightEvt(staff, 'G', int16_t(b), int16_t(b));
    }
    PourPorteesFusionnees(staff, [&](Portee** p) { PoseEvenementsPlage(p, 'G', atBar, fin, value); });
  }
}

// Removes the events of bars atBar .. fin - 1 from a list and moves the later
// ones down; the list goes when it empties.
static void RetireMesuresListe(Handle* list, int16_t atBar, int32_t fin, int16_t count) {
  Handle h = *list;
  int32_t n = GetNbStaffHeightEvts(h);
  if (n == 0) return;
  StaffHeightEvt* e = GetStaffHeightEvts(h);
  int32_t k = 0;
  for (int32_t i = 0; i < n; i++) {
    if (e[i].index >= atBar && e[i].index < fin) continue;
    e[k] = e[i];
    if (e[k].index >= fin) e[k].index = int16_t(e[k].index - count);
    k++;
  }
  if (k == 0) LibereHandle(list);
  else if (k < n) RetailleHandle(h, Size(k) * Size(sizeof(StaffHeightEvt)));
}

// Sets the event of a kind and bar in a list, appending it when absent.
static void PoseEvenement(Handle* list, uint32_t kind, int16_t index, int32_t value) {
  const int32_t n = GetNbStaffHeightEvts(*list);
  for (int32_t i = 0; i < n; i++) {
    StaffHeightEvt& e = GetStaffHeightEvts(*list)[i];
    if (e.kind == kind && e.index == index) {
      e.value = value;
      return;
    }
  }
  if (!*list) *list = NewHandleClear(0);
  if (!*list) return;
  RetailleHandle(*list, Size(n + 1) * Size(sizeof(StaffHeightEvt)));
  if (GetNbStaffHeightEvts(*list) == n + 1) GetStaffHeightEvts(*list)[n] = StaffHeightEvt{kind, index, value};
}

// The 'G' value at bar 0 of a list; 0 when none.
static int32_t ValeurG0(Handle h) {
  const int32_t n = GetNbStaffHeightEvts(h);
  const StaffHeightEvt* e = GetStaffHeightEvts(h);
  for (int32_t i = 0; i < n; i++)
    if (e[i].kind == 'G' && e[i].index == 0) return e[i].value;
  return 0;
}

void AjusteStaffHeightEvtQuandDeleteMesures(Partition** score, int16_t atBar, int16_t count) {
  if (!score || count < 1 || atBar < 0) return;
  int32_t fin = int32_t(atBar) + count;
  int16_t nbPortees = (*score)->nbPortees;
  std::vector<int32_t> gardes(size_t(nbPortees > 0 ? nbPortees : 0), 0);
  for (int16_t s = 0; s < nbPortees; s++) {
    Portee** staff = GetPorteeIndex(score, s);
    if (!staff) continue;
    if (atBar == 0) gardes[size_t(s)] = ExtractStaffHeightEvt(staff, 'G', 0, 0);
    RetireMesuresListe(&(*staff)->staffHeightEvts, atBar, fin, count);
  }
  // The views keep their own copies of the events of their staves: they
  // follow the bars as well, or showing a view would bring back old bars.
  Document* doc = (*score)->document;
  if (doc && doc->partitionCourante == score) {
    for (int16_t v = -1; v < GetNbVuesDocument(doc); v++) {
      Vue* vue = GetVueDocument(doc, v);
      if (!vue || !vue->portees) continue;
      const int32_t n = int32_t(GetHandleSize(vue->portees) / Size(sizeof(VuePortee)));
      for (int32_t i = 0; i < n; i++) {
        VuePortee& e = reinterpret_cast<VuePortee*>(*vue->portees)[i];
        const int32_t garde = atBar == 0 ? ValeurG0(e.staffHeightEvts) : 0;
        RetireMesuresListe(&e.staffHeightEvts, atBar, fin, count);
        if (atBar == 0) PoseEvenement(&e.staffHeightEvts, 'G', 0, garde);
      }
    }
  }
  if (atBar != 0) return;
  for (int16_t s = 0; s < nbPortees; s++) {
    Portee** staff = GetPorteeIndex(score, s);
    int32_t garde = gardes[size_t(s)];
    if (staff) PourPorteesFusionnees(staff, [&](Portee** p) { SearchEventAndCreate(p, 'G', 0, garde); });
  }
}

// Bars with the same mask make a run; each pass of a run's mask has the row
// it shows at the run's first bar hidden over the run. The last run counts
// as well, although no change of mask closes it.
static void AppliqueMasquesParoles(Partition** score, Portee** staff, const std::vector<uint16_t>& masques) {
  const int32_t n = int32_t(masques.size());
  int32_t debut = 0;
  for (int32_t b = 1; b <= n; b++) {
    if (b < n && masques[size_t(b)] == masques[size_t(debut)]) continue;
    const uint16_t masque = masques[size_t(debut)];
    for (int16_t j = 0; j < 16; j++) {
      if (!(masque & (1u << j))) continue;
      const int16_t ligne = CvtPassageKaraokeEnLigneAffichage(staff, int16_t(debut), j);
      DoActionCellulesParoles(score, staff, kActionCellulesSupprimeLigne, int16_t(debut), int16_t(b - 1), ligne);
    }
    debut = b;
  }
}

void CheckStaffHeightEventsPartition(Partition** score) {
  if (!score) return;
  int16_t nbMesures = (*score)->nbMesures;
  for (int16_t s = 0; s < (*score)->nbPortees; s++) {
    Portee** staff = GetPorteeIndex(score, s);
    if (!staff || !(*staff)->staffHeightEvts) continue;
    Handle h = (*staff)->staffHeightEvts;
    int32_t n = GetNbStaffHeightEvts(h);
    StaffHeightEvt* e = GetStaffHeightEvts(h);
    int32_t k = 0;
    // Lyric-pass events live only from loading to here: each bar's mask of
    // passes whose verse rows are hidden.
    std::vector<uint16_t> masques(size_t(nbMesures > 0 ? nbMesures : 0), 0);
    bool paroles = false;
    for (int32_t i = 0; i < n; i++) {
      if (e[i].index < 0 || e[i].index >= nbMesures) continue;
      if (e[i].kind == 'L') {
        masques[size_t(e[i].index)] = uint16_t(uint32_t(e[i].value) & 0xFFFFu);
        paroles = true;
      } else {
        e[k++] = e[i];
      }
    }
    if (k == 0) LibereHandle(&(*staff)->staffHeightEvts);
    else if (k < n) RetailleHandle(h, Size(k) * Size(sizeof(StaffHeightEvt)));
    if (paroles) AppliqueMasquesParoles(score, staff, masques);
  }
}
