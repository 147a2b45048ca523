#include "model/QrvLiaison.h"

#include <algorithm>
#include <climits>

#include "model/CvtTemps.h"
#include "model/Document.h"
#include "model/ParamEffet.h"
#include "model/Partition.h"
#include "model/Portee.h"
#include "model/QRVPOBJ.h"
#include "model/Ruban.h"
#include "model/Signe.h"
#include "model/TabEltMesure.h"
#include "notation/ServicesNotation.h"
#include "platform/Memory.h"
#include "system/Handles.h"
#include "system/Reporters.h"

// Effect records of a staff and their count, bounded by the handle.
static ParamEffet* EffetsPortee(Portee** staff, int32_t* count) {
  Handle h = (*staff)->paramEffets;
  *count = h ? GetHandleSize(h) / int32_t(sizeof(ParamEffet)) : 0;
  return h ? reinterpret_cast<ParamEffet*>(*h) : nullptr;
}

// The index of the staff holding a used record with this id at the opposite
// end (a source id is looked for among destination ids and back), -1 if none.
static uint16_t ChercheBoutOppose(Partition** score, uint32_t id, bool chercheDest) {
  Partition* p = *score;
  for (int16_t s = 0; s < p->nbPortees; s++) {
    int32_t n;
    const ParamEffet* e = EffetsPortee(p->portees[s], &n);
    for (int32_t i = 0; i < n; i++) {
      if (e[i].libre) continue;
      if (chercheDest ? (e[i].liaison.idDest == id || e[i].accroche.idDest == id)
                      : (e[i].liaison.idSource == id || e[i].accroche.idSource == id))
        return uint16_t(s);
    }
  }
  return uint16_t(-1);
}

// An end of a link: its id and the staff whose record holds it.
struct BoutLiaison {
  uint32_t id;
  int16_t portee;
};

static bool AvantBout(const BoutLiaison& a, const BoutLiaison& b) {
  return a.id != b.id ? a.id < b.id : a.portee < b.portee;
}

// The ends of one side (sources or destinations, both kinds) of every used
// record, sorted by id and staff; null when memory is short.
static BoutLiaison* CollecteBouts(Partition** score, bool sources, int32_t* count) {
  Partition* p = *score;
  int32_t total = 0;
  for (int16_t s = 0; s < p->nbPortees; s++) {
    int32_t n;
    EffetsPortee(p->portees[s], &n);
    total += n;
  }
  *count = 0;
  BoutLiaison* bouts =
      reinterpret_cast<BoutLiaison*>(NewPtr(Size(total > 0 ? total * 2 : 1) * Size(sizeof(BoutLiaison))));
  if (!bouts) return nullptr;
  for (int16_t s = 0; s < p->nbPortees; s++) {
    int32_t n;
    const ParamEffet* e = EffetsPortee(p->portees[s], &n);
    for (int32_t i = 0; i < n; i++) {
      if (e[i].libre) continue;
      uint32_t ids[2] = {sources ? e[i].liaison.idSource : e[i].liaison.idDest,
                         sources ? e[i].accroche.idSource : e[i].accroche.idDest};
      for (uint32_t id : ids)
        if (int32_t(id) > 0) bouts[(*count)++] = BoutLiaison{id, s};
    }
  }
  std::sort(bouts, bouts + *count, AvantBout);
  return bouts;
}

// The first staff (in staff order) holding an end with this id, -1 if none.
static uint16_t TrouveBout(const BoutLiaison* bouts, int32_t count, uint32_t id) {
  const BoutLiaison* b = std::lower_bound(bouts, bouts + count, BoutLiaison{id, INT16_MIN}, AvantBout);
  return (b != bouts + count && b->id == id) ? uint16_t(b->portee) : uint16_t(-1);
}

void RecalculePorteesLiaison(Partition** score) {
  if (!score || !(*score)->document || (*score)->document->suspendLiaisons) return;
  Partition* p = *score;
  int32_t nbSources = 0, nbDests = 0;
  BoutLiaison* sources = CollecteBouts(score, true, &nbSources);
  BoutLiaison* dests = CollecteBouts(score, false, &nbDests);
  for (int16_t s = 0; s < p->nbPortees; s++) {
    int32_t n;
    ParamEffet* e = EffetsPortee(p->portees[s], &n);
    for (int32_t i = 0; i < n; i++) {
      if (e[i].libre) continue;
      uint32_t ids[4] = {e[i].liaison.idSource, e[i].liaison.idDest, e[i].accroche.idSource, e[i].accroche.idDest};
      uint16_t staves[4];
      for (int k = 0; k < 4; k++) {
        bool source = k % 2 == 0;  // a source end is matched against destination ends
        if (int32_t(ids[k]) <= 0) staves[k] = uint16_t(-1);
        else if (sources && dests)
          staves[k] = source ? TrouveBout(dests, nbDests, ids[k]) : TrouveBout(sources, nbSources, ids[k]);
        else staves[k] = ChercheBoutOppose(score, ids[k], source);
      }
      e[i].liaison.porteeSource = staves[0];
      e[i].liaison.porteeDest = staves[1];
      e[i].accroche.porteeSource = staves[2];
      e[i].accroche.porteeDest = staves[3];
    }
  }
  LiberePtr(&sources);
  LiberePtr(&dests);
  GarbageLiaisonsPartition(score);
}

// ---------------------------------------------------------------- ends of links

uint32_t NewIdLiaison(Partition** score) {
  if (!score) return 0;
  uint32_t id = ++(*score)->compteurIdLiaison;
  // Ids are read as signed while links are renumbered: never hand out one that
  // reads as negative or 0.
  if (int32_t(id) <= 0) id = (*score)->compteurIdLiaison = 1;
  return id;
}

// The staff at a stored staff index, or null.
static Portee** PorteeStockee(Portee** staff, uint16_t stored) {
  if (!staff || int16_t(stored) < 0) return nullptr;
  return GetPorteeIndex((*staff)->partition, int16_t(stored));
}

static uint16_t IndexPortee(Portee** staff) { return staff ? uint16_t((*staff)->index) : uint16_t(0xFFFF); }

// The used effect record of a note, or null (a bad index, no record, a free slot).
static ParamEffet* EffetDeNote(Portee** staff, int32_t index) {
  int32_t n;
  Signe* s = GetSignesPortee(staff, &n);
  if (!s || index < 0 || index >= n) return nullptr;
  return GetParamEffetNote(staff, s + index);
}

// The end of one kind in a record: id and stored staff of its source or
// destination side.
static uint32_t* IdBout(ParamEffet* e, int16_t kind, bool source) {
  if (kind == kLiaisonAccroche) return source ? &e->accroche.idSource : &e->accroche.idDest;
  return source ? &e->liaison.idSource : &e->liaison.idDest;
}

static uint16_t* PorteeBout(ParamEffet* e, int16_t kind, bool source) {
  if (kind == kLiaisonAccroche) return source ? &e->accroche.porteeSource : &e->accroche.porteeDest;
  return source ? &e->liaison.porteeSource : &e->liaison.porteeDest;
}

static uint32_t GetLiaisonNote(Portee** staff, int32_t index, Portee*** other, int16_t kind, bool source) {
  if (other) *other = nullptr;
  ParamEffet* e = EffetDeNote(staff, index);
  if (!e) return 0;
  uint32_t id = *IdBout(e, kind, source);
  if (other && id) *other = PorteeStockee(staff, *PorteeBout(e, kind, source));
  return id;
}

uint32_t GetLiaisonSourceNote(Portee** staff, int32_t index, Portee*** other, int16_t kind) {
  return GetLiaisonNote(staff, index, other, kind, true);
}

uint32_t GetLiaisonDestNote(Portee** staff, int32_t index, Portee*** other, int16_t kind) {
  return GetLiaisonNote(staff, index, other, kind, false);
}

uint32_t GetLiaisonSourceParamEffet(Portee** staff, int32_t effect, Portee*** other, int16_t kind) {
  if (other) *other = nullptr;
  int32_t n;
  ParamEffet* e = GetParamEffetsPortee(staff, &n);
  if (!e || effect < 0 || effect >= n || e[effect].libre) return 0;
  uint32_t id = *IdBout(e + effect, kind, true);
  if (other && id) *other = PorteeStockee(staff, *PorteeBout(e + effect, kind, true));
  return id;
}

// Whether note i holds the end wanted.
static bool TientBout(const Signe* s, ParamEffet* e, int32_t ne, int32_t i, uint32_t id, uint16_t other, int16_t kind,
                      bool source) {
  int32_t k = s[i].indexParamEffet;
  if (k < 0 || k >= ne || e[k].libre || *IdBout(e + k, kind, source) != id) return false;
  return other == 0xFFFF || *PorteeBout(e + k, kind, source) == other;
}

// The note holding an end, searched outward from a hint: the two ends of a
// link are usually close, so the collection stays near linear.
static int32_t LocIdLiaisonPres(Portee** staff, uint32_t id, Portee** other, int16_t kind, bool source, int32_t hint) {
  if (!staff || !id) return -1;
  int32_t n, ne;
  const Signe* s = GetSignesPortee(staff, &n);
  ParamEffet* e = GetParamEffetsPortee(staff, &ne);
  if (!s || !e || n == 0) return -1;
  uint16_t o = other ? IndexPortee(other) : uint16_t(0xFFFF);
  if (hint < 0) hint = 0;
  if (hint >= n) hint = n - 1;
  for (int32_t d = 0; hint - d >= 0 || hint + d < n; d++) {
    if (hint + d < n && TientBout(s, e, ne, hint + d, id, o, kind, source)) return hint + d;
    if (d > 0 && hint - d >= 0 && TientBout(s, e, ne, hint - d, id, o, kind, source)) return hint - d;
  }
  return -1;
}

static int32_t LocIdLiaison(Portee** staff, uint32_t id, Portee** other, int16_t kind, bool source) {
  return LocIdLiaisonPres(staff, id, other, kind, source, 0);
}

int32_t LocIdLiaisonSource(Portee** staff, uint32_t id, Portee** other, int16_t kind) {
  return LocIdLiaison(staff, id, other, kind, true);
}

int32_t LocIdLiaisonDest(Portee** staff, uint32_t id, Portee** other, int16_t kind) {
  return LocIdLiaison(staff, id, other, kind, false);
}

// Writes one end; a record is made for a non-zero id and freed when it no
// longer carries anything.
static void SetLiaisonNote(Portee** staff, int32_t index, uint32_t id, uint16_t otherIndex, int16_t kind, bool source) {
  int32_t n, ne;
  Signe* s = GetSignesPortee(staff, &n);
  if (!s || index < 0 || index >= n) return;
  int32_t k = s[index].indexParamEffet;
  GetParamEffetsPortee(staff, &ne);
  if (k >= ne) {
    s[index].indexParamEffet = -1;
    return;
  }
  if (k >= 0 && GetParamEffetsPortee(staff, &ne)[k].libre) k = -1;
  if (k < 0) {
    if (!id) return;
    k = NewParamEffet(staff);
    if (k < 0) return;
    InitDefaultParamEffet(staff, GetParamEffetsPortee(staff, &ne) + k);
    s = GetSignesPortee(staff, &n);
    s[index].indexParamEffet = int16_t(k);
  }
  ParamEffet* e = GetParamEffetsPortee(staff, &ne) + k;
  e->note = index;
  uint32_t* bout = IdBout(e, kind, source);
  if (kind == kLiaisonAccroche && source && !id && *bout) s[index].flags &= uint16_t(~kSigneAccroche);
  *bout = id;
  *PorteeBout(e, kind, source) = otherIndex;
  if (DeleteParamEffetSiInutile(staff, k)) s[index].indexParamEffet = -1;
}

void SetLiaisonSourceNote(Portee** staff, int32_t index, uint32_t id, Portee** other, int16_t kind) {
  SetLiaisonNote(staff, index, id, IndexPortee(other ? other : staff), kind, true);
}

void SetLiaisonDestNote(Portee** staff, int32_t index, uint32_t id, Portee** other, int16_t kind) {
  SetLiaisonNote(staff, index, id, IndexPortee(other ? other : staff), kind, false);
}

int16_t GetDataLiaisonNote(Portee** staff, int32_t index, DataLiaison* out) {
  ParamEffet* e = EffetDeNote(staff, index);
  if (!e || int32_t(e->liaison.idSource) <= 0 || !out) return 0;
  *out = e->liaison;
  return 1;
}

int16_t GetDataAccrocheNote(Portee** staff, int32_t index, DataAccroche* out) {
  ParamEffet* e = EffetDeNote(staff, index);
  if (!e || int32_t(e->accroche.idSource) <= 0 || !out) return 0;
  *out = e->accroche;
  return 1;
}

void SetDataLiaisonNote(Portee** staff, int32_t index, const DataLiaison* data) {
  ParamEffet* e = EffetDeNote(staff, index);
  if (!e) {
    BigBadError("QrvLiaison", 264);
    return;
  }
  if (data) e->liaison = *data;
}

void SetDataAccrocheNote(Portee** staff, int32_t index, const DataAccroche* data) {
  ParamEffet* e = EffetDeNote(staff, index);
  if (!e) {
    BigBadError("QrvLiaison", 264);
    return;
  }
  if (data) e->accroche = *data;
}

// ---------------------------------------------------------------- creating links

static bool IndexNoteValide(Portee** staff, int32_t index) {
  int32_t n;
  return GetSignesPortee(staff, &n) && index >= 0 && index < n;
}

int16_t SetLiaison(Portee** source, int32_t s, Portee** dest, int32_t d, int16_t kind) {
  if (source == dest && s == d) return 0;
  bool sValide = IndexNoteValide(source, s), dValide = IndexNoteValide(dest, d);
  if (sValide && dValide) {
    uint32_t id = GetLiaisonSourceNote(source, s, nullptr, kind);
    if (id && id == GetLiaisonDestNote(dest, d, nullptr, kind)) return 1;
  }
  uint32_t garde = 0;
  if (sValide) {
    Portee** autre = nullptr;
    uint32_t id = GetLiaisonSourceNote(source, s, &autre, kind);
    if (id) {
      int32_t ancienne = autre ? LocIdLiaisonPres(autre, id, source, kind, false, s) : -1;
      if (ancienne >= 0) SetLiaisonDestNote(autre, ancienne, 0, autre, kind);
      SetLiaisonSourceNote(source, s, 0, source, kind);
      garde = id;
    }
  }
  // The source's old id is reused unless the destination already ended a
  // link of this kind, whose id is then taken instead.
  if (d >= 0) {
    if (dValide) {
      Portee** autre = nullptr;
      uint32_t id = GetLiaisonDestNote(dest, d, &autre, kind);
      if (id) {
        int32_t ancienne = autre ? LocIdLiaisonPres(autre, id, dest, kind, true, d) : -1;
        if (ancienne >= 0) SetLiaisonSourceNote(autre, ancienne, 0, autre, kind);
        SetLiaisonDestNote(dest, d, 0, dest, kind);
        garde = id;
      }
    }
  }
  if (s < 0 || d < 0) return 1;
  if (!sValide || !dValide) return 0;
  uint32_t id = garde ? garde : NewIdLiaison((*source)->partition);
  if (!id) return 0;
  SetLiaisonSourceNote(source, s, id, dest, kind);
  SetLiaisonDestNote(dest, d, id, source, kind);
  // An end that could not be written (no effect record to be had for its
  // note) would leave half a link: the other end is taken back and the link
  // is not made.
  if (GetLiaisonSourceNote(source, s, nullptr, kind) != id || GetLiaisonDestNote(dest, d, nullptr, kind) != id) {
    SetLiaisonSourceNote(source, s, 0, source, kind);
    SetLiaisonDestNote(dest, d, 0, dest, kind);
    return 0;
  }
  SetLiaisonCouleDefautNote(source, s, kind);
  if (kind == kLiaisonAccroche) {
    DataAccroche data;
    if (!GetDataAccrocheNote(source, s, &data)) {
      BigBadError("QrvLiaison", 264);
      return 1;
    }
    CalculeNbBarresDefautLiaisonAccroche(source, s, dest, d, &data);
    SetDataAccrocheNote(source, s, &data);
  }
  return 1;
}

// ---------------------------------------------------------------- collection

void CalculeIndexSignePerePartition(Partition** score) {
  if (!score) return;
  for (int16_t p = 0; p < (*score)->nbPortees; p++) {
    Portee** staff = (*score)->portees[p];
    int32_t n, ne;
    const Signe* s = GetSignesPortee(staff, &n);
    ParamEffet* e = GetParamEffetsPortee(staff, &ne);
    if (!s || !e) continue;
    for (int32_t i = 0; i < n; i++) {
      int32_t k = s[i].indexParamEffet;
      if (k >= 0 && k < ne && !e[k].libre) e[k].note = i;
    }
  }
}

// Clears a source end: id 0, the staff field this staff's index, flag bit 1
// for a beam link; the record is freed when useless.
static void EffaceBout(Portee** staff, int32_t index, int16_t kind, bool source) {
  SetLiaisonNote(staff, index, 0, IndexPortee(staff), kind, source);
}

void ReclasseSensLiaison(Portee** staff, int16_t kind) {
  int32_t n;
  if (!GetSignesPortee(staff, &n)) return;
  int32_t maxId = 0;
  for (int32_t i = 0; i < n; i++) {
    Portee** autre = nullptr;
    uint32_t id = GetLiaisonSourceNote(staff, i, &autre, kind);
    if (!id || !autre) continue;
    int32_t d = LocIdLiaisonPres(autre, id, staff, kind, false, i);
    if (d < 0) continue;
    if (int32_t(id) > maxId) maxId = int32_t(id);
    bool arriere = autre == staff ? i > d : CvtIndexNoteEnPixelRuban(staff, i) > CvtIndexNoteEnPixelRuban(autre, d);
    if (!arriere) continue;
    if (kind == kLiaisonAccroche) {
      ReclasseLiaisonsAccroche(staff, i);
      continue;
    }
    // The destination takes the source's shape and becomes the source. A note
    // that already starts another tie, or a source that already ends one,
    // would lose that link: such a link is left as it stands.
    ParamEffet* es = EffetDeNote(staff, i);
    ParamEffet* ed = EffetDeNote(autre, d);
    if (!es || !ed || ed->liaison.idSource || es->liaison.idDest) continue;
    DataLiaison forme = es->liaison;
    ed->liaison = forme;
    ed->liaison.idSource = id;
    ed->liaison.porteeSource = IndexPortee(staff);
    ed->liaison.idDest = 0;
    ed->liaison.porteeDest = 0xFFFF;
    es = EffetDeNote(staff, i);
    es->liaison.idDest = id;
    es->liaison.porteeDest = IndexPortee(autre);
    es->liaison.idSource = 0;
    es->liaison.porteeSource = 0xFFFF;
  }
  for (int32_t i = 0; i < n; i++) {
    ParamEffet* e = EffetDeNote(staff, i);
    if (!e) continue;
    for (bool source : {true, false}) {
      uint32_t* id = IdBout(e, kind, source);
      if (int32_t(*id) < 0) *id = uint32_t(maxId - int32_t(*id));
    }
  }
}

void MarqueLiaisonsUtilisees(Partition** score, Portee** staff, int16_t kind) {
  if (!score) return;
  int32_t n;
  if (!GetSignesPortee(staff, &n)) return;
  uint32_t c = (*score)->compteurIdLiaison;
  for (int32_t i = 0; i < n; i++) {
    Portee** autre = nullptr;
    uint32_t id = GetLiaisonSourceNote(staff, i, &autre, kind);
    if (int32_t(id) <= 0) continue;  // none, or already renumbered
    int32_t d = autre ? LocIdLiaisonPres(autre, id, staff, kind, false, i) : -1;
    if (d >= 0) {
      *IdBout(EffetDeNote(staff, i), kind, true) = uint32_t(-int32_t(c));
      *IdBout(EffetDeNote(autre, d), kind, false) = uint32_t(-int32_t(c));
      c++;
    } else {
      EffaceBout(staff, i, kind, true);
    }
  }
  (*score)->compteurIdLiaison = c;
}

void SupprimeLiaisonsInutiles(Portee** staff, int16_t kind) {
  int32_t n, ne;
  Signe* s = GetSignesPortee(staff, &n);
  if (!s) return;
  for (int32_t i = 0; i < n; i++) {
    GetParamEffetsPortee(staff, &ne);
    s = GetSignesPortee(staff, &n);
    if (s[i].indexParamEffet >= ne) s[i].indexParamEffet = -1;
    for (bool source : {true, false}) {
      ParamEffet* e = EffetDeNote(staff, i);
      if (!e) break;
      uint32_t* id = IdBout(e, kind, source);
      if (int32_t(*id) < 0) *id = uint32_t(-int32_t(*id));
      else if (*id) EffaceBout(staff, i, kind, source);
    }
  }
}

void GarbageLiaisonsPartition(Partition** score) {
  if (!score) return;
  CalculeIndexSignePerePartition(score);
  for (int16_t p = 0; p < (*score)->nbPortees; p++) {
    ReclasseSensLiaison((*score)->portees[p], kLiaisonCoule);
    ReclasseSensLiaison((*score)->portees[p], kLiaisonAccroche);
  }
  (*score)->compteurIdLiaison = 1;
  for (int16_t p = 0; p < (*score)->nbPortees; p++) {
    MarqueLiaisonsUtilisees(score, (*score)->portees[p], kLiaisonCoule);
    MarqueLiaisonsUtilisees(score, (*score)->portees[p], kLiaisonAccroche);
  }
  for (int16_t p = 0; p < (*score)->nbPortees; p++) {
    SupprimeLiaisonsInutiles((*score)->portees[p], kLiaisonCoule);
    SupprimeLiaisonsInutiles((*score)->portees[p], kLiaisonAccroche);
  }
}

// ---------------------------------------------------------------- joining notes

static int32_t DernierMembre(const Signe* s, int32_t n, int32_t index) {
  while (index + 1 < n && (s[index].flags & kSigneAccordSuite)) index++;
  return index;
}

// Puts a chord back in order (longest first, then highest kind); flag bit 0
// stays with the positions.
static void TrieAccord(Portee** staff, int32_t first) {
  int32_t n;
  Signe* s = GetSignesPortee(staff, &n);
  if (!s || first < 0 || first >= n) return;
  int32_t last = DernierMembre(s, n, first);
  for (bool echange = true; echange;) {
    echange = false;
    for (int32_t i = first; i < last; i++) {
      const Signe &a = s[i], &b = s[i + 1];
      if (!(a.duree < b.duree || (a.duree == b.duree && a.kind < b.kind))) continue;
      uint16_t fa = a.flags & kSigneAccordSuite, fb = b.flags & kSigneAccordSuite;
      Signe t = s[i];
      s[i] = s[i + 1];
      s[i + 1] = t;
      s[i].flags = uint16_t((s[i].flags & ~kSigneAccordSuite) | fa);
      s[i + 1].flags = uint16_t((s[i + 1].flags & ~kSigneAccordSuite) | fb);
      echange = true;
    }
  }
}

int16_t TraiteLiaisonUneNote(Portee** staff, int32_t index, int32_t* debutAccord, int32_t* fin, uint8_t* flag) {
  int32_t n;
  Signe* s = GetSignesPortee(staff, &n);
  if (!s || !debutAccord || !fin || index < 0 || index >= n || s[index].kind < 0) return 0;
  int32_t debut = CalculeIndexNoteDebutAccord(staff, index);
  int32_t dernier = DernierMembre(s, n, debut);
  int32_t duree = s[index].duree;
  int32_t distance = s[dernier].duree;
  int32_t j = dernier + 1, partenaire = -1;
  while (j < n && j < *fin && distance <= duree) {
    int32_t finAccord = DernierMembre(s, n, j);
    for (int32_t k = j; k <= finAccord && partenaire < 0; k++)
      if (s[k].kind == s[index].kind) partenaire = k;
    if (partenaire >= 0) break;
    bool silence = false;
    for (int32_t k = j; k <= finAccord; k++)
      if (s[k].kind < 0) {
        silence = true;
        if (flag && !*flag && s[k].kind == kSigneSilenceFantome) *flag = 1;
      }
    if (silence) return 0;
    distance += s[finAccord].duree;
    j = finAccord + 1;
  }
  if (partenaire < 0 || distance > duree) return 0;
  bool noteEnAccord = IsNoteInAccord(s, index);
  bool noteDerniere = index == dernier;
  bool partenaireEnAccord = IsNoteInAccord(s, partenaire);
  bool partenaireDernier = partenaireEnAccord && !(s[partenaire].flags & kSigneAccordSuite);
  int32_t joint = distance + s[partenaire].duree;
  s[index].flags = uint16_t((s[index].flags & ~kSigneAccroche) | (s[partenaire].flags & kSigneAccroche));
  if (joint > duree) {
    // A chain keeps the first written part of its first note.
    if (!s[index].premierePartieLiee) s[index].premierePartieLiee = uint32_t(duree);
    s[index].duree = joint;
  }
  int32_t pasAvant = noteDerniere && index > debut ? std::min(joint, s[index - 1].duree) : s[dernier].duree;
  if (partenaireDernier) {
    if (s[partenaire].indexParamEffet >= 0) {
      DeleteParamEffet(staff, s[partenaire].indexParamEffet);
      s = GetSignesPortee(staff, &n);
    }
    s[partenaire].kind = kSigneSilence;
    s[partenaire].indexParamEffet = -1;
  } else {
    SupprimeSigne(staff, partenaire);
    (*fin)--;
  }
  s = GetSignesPortee(staff, &n);
  if (!partenaireEnAccord && noteEnAccord) {
    int32_t reste = joint - pasAvant;
    if (reste > 0) {
      Signe r;
      RazNote(&r, kSigneSilence, reste);
      if (InsereSigne(staff, dernier + 1)) {
        s = GetSignesPortee(staff, &n);
        s[dernier + 1] = r;
        (*fin)++;
      }
    }
  } else if (partenaireEnAccord && (noteDerniere || !noteEnAccord)) {
    Signe copie = s[index];
    copie.duree = duree;
    copie.premierePartieLiee = 0;
    copie.indexParamEffet = -1;
    copie.debut = -1;
    copie.flags &= uint16_t(~kSigneAccordSuite);
    if (InsereSigne(staff, index + 1)) {
      s = GetSignesPortee(staff, &n);
      s[index + 1] = copie;
      s[index].flags |= kSigneAccordSuite;
      (*fin)++;
    }
  }
  InvalideNotesPortee(staff, debut);
  TrieAccord(staff, debut);
  *fin = QuarvelPurgeAccord(staff, debut, *fin);
  *debutAccord = debut;
  return 1;
}

void LieDeuxNotes(Portee** staff, int32_t from, int32_t to) {
  if (!staff) return;
  int32_t n;
  const Signe* s = GetSignesPortee(staff, &n);
  if (s && from >= 0 && from < n) {
    int32_t debut = CalculeIndexNoteDebutAccord(staff, from);
    int32_t fin = to + 1;
    // Every join removes a partner or turns it into a rest, so the joins are
    // bounded by the records; the guard only backs that up.
    for (int32_t garde = 0; garde <= n; garde++) {
      s = GetSignesPortee(staff, &n);
      if (debut >= n) break;
      bool joint = false;
      for (int32_t m = DernierMembre(s, n, debut); m >= debut && !joint; m--)
        joint = TraiteLiaisonUneNote(staff, m, &debut, &fin, nullptr) != 0;
      if (!joint) break;
    }
  }
  Partition** score = (*staff)->partition;
  SetTabEltMesureModifie(score, kTabEltTemps);
  UpdateTabEltMesure(score, kTabEltTemps);
  GarbageLiaisonsPartition(score);
}
