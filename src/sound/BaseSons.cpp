#include "sound/BaseSons.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "model/Document.h"
#include "model/Partition.h"
#include "platform/Memory.h"
#include "sound/Lyrastel.h"
#include "sound/ParamFX.h"
#include "sound/SCvtdgit.h"
#include "sound/SINSTRUM.h"
#include "system/Handles.h"
#include "system/Reporters.h"
#include "system/Strings.h"

Handle TabDescriptionsSons = nullptr;
int16_t NbDescriptionsSons = 0;
Handle TabFichiersSons = nullptr;
int16_t NbFichiersSons = 0;
bool BaseSonsLue = false;
bool MoteurSonPret = false;
char NomBaseSons[64] = "";
CheminVol PathSoundBase = {0, 0};
CheminVol PathSoundBaseCache = {0, 0};

namespace {

constexpr ResType kTypeDgig = FourCC("Dgig");
constexpr ResType kTypeDgit = FourCC("Dgit");
constexpr ResType kTypeDGIT = FourCC("DGIT");
constexpr ResType kTypeSon = FourCC("son ");
constexpr ResType kTypeVibr = FourCC("Vibr");
constexpr ResType kTypeTrem = FourCC("Trem");
constexpr ResType kTypeFXpr = FourCC("FXpr");

// ---- Access: nothing is available without an installed base.

int16_t AucunFichier(const char*) { return 0; }
void AucuneFermeture(int16_t) {}
Handle AucuneRessource(int16_t, ResType, int16_t) { return nullptr; }
int32_t AucunesDonnees(const char*) { return 0; }
int64_t AucuneTaille(int32_t) { return 0; }
int32_t AucuneLecture(int32_t, int64_t, void*, int32_t) { return 0; }
void AucuneFermetureDonnees(int32_t) {}

constexpr AccesBaseSons kAccesIndisponible = {AucunFichier, AucuneFermeture, AucuneRessource,       AucunesDonnees,
                                              AucuneTaille, AucuneLecture,   AucuneFermetureDonnees};
AccesBaseSons gAcces = kAccesIndisponible;

int16_t gFichierCourant = 0;

// Records found in the data files: key = file number x 65536 + sample number.
struct EntreeCacheDonnees {
  uint32_t cle;
  uint32_t position;
  uint32_t taille;
};
Handle gCacheDonnees = nullptr;
int32_t gNbCacheDonnees = 0;

DescriptionSon* Descriptions() {
  return TabDescriptionsSons ? reinterpret_cast<DescriptionSon*>(*TabDescriptionsSons) : nullptr;
}
FichierSon* Fichiers() { return TabFichiersSons ? reinterpret_cast<FichierSon*>(*TabFichiersSons) : nullptr; }

const DescriptionSon* PremiereDescription(int32_t id) {
  const DescriptionSon* d = Descriptions();
  for (int16_t i = 0; i < NbDescriptionsSons; i++)
    if (d[i].id == id) return &d[i];
  return nullptr;
}

// ---- Stored-order reading of a resource.

class Lecteur {
 public:
  Lecteur(const uint8_t* bytes, int32_t size) : p_(bytes), taille_(bytes ? size : 0) {}
  uint8_t Octet() { return pos_ < taille_ ? p_[pos_++] : (pos_++, 0); }
  uint16_t Mot() {
    const uint16_t a = Octet();
    return uint16_t(a << 8 | Octet());
  }
  uint32_t Long() {
    const uint32_t a = Mot();
    return a << 16 | Mot();
  }
  void Saute(int32_t n) { pos_ += n; }
  void Place(int32_t at) { pos_ = at; }

 private:
  const uint8_t* p_;
  int32_t taille_;
  int32_t pos_ = 0;
};

// Offset of the slot count in a "Dgig" template, and of its first slot.
constexpr int32_t kPosNbSons = 90;
constexpr int32_t kTailleSlotDgig = 18;

void ViderSlot(SlotSonInstrument* s) {
  *s = SlotSonInstrument{};
  s->sampleNumber = 0xFFFF;
  s->soundRef = kRefSonAucun;
}

int16_t NbSonsDgig(const uint8_t* bytes, int32_t size) {
  Lecteur l(bytes, size);
  l.Place(kPosNbSons);
  return int16_t(l.Mot());
}

// A whole "Dgig" resource of an id of the current file, sized to a template.
Handle LitDgig(int16_t ref, int32_t id) {
  Handle h = gAcces.litRessource(ref, kTypeDgig, int16_t(id));
  if (h && GetHandleSize(h) != kTailleTmplDgig && !RetailleHandle(h, kTailleTmplDgig)) LibereHandle(&h);
  return h;
}

// A template built from an older "Dgit" (12 slots) or "DGIT" (6 slots).
bool ModeleAncien(Handle h, bool douze, ModeleSonsInstrument* m) {
  const int32_t n = douze ? 12 : 6;
  const int32_t taille = douze ? 4 + 4 * 12 * 2 : 4 + 3 * 2 + 6 * 2;
  if (!h || GetHandleSize(h) < taille) return false;
  Lecteur l(reinterpret_cast<const uint8_t*>(*h), int32_t(GetHandleSize(h)));
  *m = ModeleSonsInstrument{};
  m->templateRef = -1;
  m->templateWord = l.Mot();
  m->digitParam[0] = l.Mot();
  m->digitParam[1] = 1000;
  for (SlotSonInstrument& s : m->slots) ViderSlot(&s);
  for (int32_t i = 0; i < n; i++) {
    m->slots[i].soundRef = kRefSonAucun;
    m->slots[i].slotValue = 0;
  }
  if (douze) {
    for (int32_t i = 0; i < n; i++) m->slots[i].param3 = l.Mot();
    for (int32_t i = 0; i < n; i++) m->slots[i].param1 = l.Mot();
    for (int32_t i = 0; i < n; i++) m->slots[i].param2 = l.Mot();
    for (int32_t i = 0; i < n; i++) m->slots[i].sampleNumber = l.Mot();
    m->soundCount = 0;
    for (int32_t i = n - 1; i >= 0; i--)
      if (int16_t(m->slots[i].sampleNumber) >= 0) {
        m->soundCount = int16_t(i + 1);
        break;
      }
  } else {
    const uint16_t p3 = l.Mot(), p1 = l.Mot(), p2 = l.Mot();
    for (int32_t i = 0; i < n; i++) {
      m->slots[i].param3 = p3;
      m->slots[i].param1 = p1;
      m->slots[i].param2 = p2;
      m->slots[i].sampleNumber = l.Mot();
    }
    m->soundCount = int16_t(n);
  }
  return true;
}

// A stored sound's header, read in stored order, becomes host order; form 0
// marks 16-bit samples in stored order.
void EnteteEnOrdreHote(Handle son) {
  if (!son || GetHandleSize(son) < kTailleEnteteDigit) return;
  Lecteur l(reinterpret_cast<const uint8_t*>(*son), kTailleEnteteDigit);
  EnteteDigit e;
  e.form = l.Mot();
  e.bits = l.Mot();
  e.rate = l.Long();
  e.byteA = l.Octet();
  e.byteB = l.Octet();
  e.loopStart = l.Long();
  e.loopEnd = l.Long();
  e.count = l.Long();
  if (e.form == 0) e.form = kDigitGrandBoutien;
  SetEnteteDigit(son, e);
}

uint32_t LitLongOrdre(const uint8_t* p) {
  return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | p[3];
}
void EcritLongOrdre(uint8_t* p, uint32_t v) {
  p[0] = uint8_t(v >> 24);
  p[1] = uint8_t(v >> 16);
  p[2] = uint8_t(v >> 8);
  p[3] = uint8_t(v);
}

bool FichierDeDescription(int32_t id, FichierSon** out) {
  const DescriptionSon* d = PremiereDescription(id);
  if (!d || d->fichier < 0 || d->fichier >= NbFichiersSons) return false;
  *out = &Fichiers()[d->fichier];
  return true;
}

}  // namespace

void FixeAccesBaseSons(const AccesBaseSons* access) { gAcces = access ? *access : kAccesIndisponible; }

bool InstalleBaseSons(const DescriptionSon* d, int16_t n, const char* const* files, int16_t nf) {
  LibereBaseSons();
  if (n < 0 || nf < 0 || (n > 0 && !d) || (nf > 0 && !files)) return false;
  for (int16_t i = 0; i < n; i++) {
    if (i > 0 && d[i].id < d[i - 1].id) return false;
    if (d[i].fichier >= nf) return false;
  }
  TabDescriptionsSons = NewHandleClear(Size(n) * Size(sizeof(DescriptionSon)));
  TabFichiersSons = NewHandleClear(Size(nf) * Size(sizeof(FichierSon)));
  if (!TabDescriptionsSons || !TabFichiersSons) {
    LibereBaseSons();
    return false;
  }
  if (n > 0) std::memcpy(*TabDescriptionsSons, d, size_t(n) * sizeof(DescriptionSon));
  for (int16_t i = 0; i < nf; i++) strnzcpy(Fichiers()[i].nom, files[i] ? files[i] : "", sizeof Fichiers()[i].nom);
  NbDescriptionsSons = n;
  NbFichiersSons = nf;
  BaseSonsLue = true;
  MoteurSonPret = true;
  return true;
}

void LibereBaseSons() {
  for (int16_t i = 0; i < NbFichiersSons; i++)
    if (Fichiers()[i].ref > 0) gAcces.fermeFichier(Fichiers()[i].ref);
  LibereHandle(&TabDescriptionsSons);
  LibereHandle(&TabFichiersSons);
  LibereHandle(&gCacheDonnees);
  NbDescriptionsSons = NbFichiersSons = 0;
  gNbCacheDonnees = 0;
  gFichierCourant = 0;
  BaseSonsLue = MoteurSonPret = false;
}

void ConvertitIdInstrumentsApresChargement(Document* doc, int16_t exclusive, int16_t keepVoices) {
  if (!BaseSonsLue || !doc || !doc->partitions) return;
  const DescriptionSon* d = Descriptions();
  for (int16_t s = 0; s < doc->nbPartitions; s++) {
    Partition** score = doc->partitions[s];
    for (int16_t i = 0; score && i < (*score)->nbInstruments; i++) {
      Instrument* r = GetInstrument(score, i);
      if (!r || !r->inUse) continue;
      const int32_t id = int32_t(r->soundId);
      if (!keepVoices && IsIDInstrumentLY(id)) continue;
      int32_t trouve = -1, dessous = -1;
      for (int16_t k = 0; k < NbDescriptionsSons; k++) {
        if (exclusive && d[k].exclusion) continue;
        if (d[k].id == id) {
          trouve = k;
          break;
        }
        // The largest id below; the first of equal ones.
        if (d[k].id < id && (dessous < 0 || d[k].id > d[dessous].id)) dessous = k;
      }
      int32_t nouvel = id;
      if (trouve >= 0) {
        nouvel = d[trouve].remplacement < 0 ? id : d[trouve].remplacement;
      } else if (dessous >= 0 && d[dessous].remplacement >= 0) {
        nouvel = d[dessous].remplacement;
      }
      r->soundId = uint32_t(nouvel);
    }
  }
}

int16_t OuvreFichierSonSelonDigit(int32_t id) {
  FichierSon* f = nullptr;
  if (!FichierDeDescription(id, &f)) return 0;
  if (f->ref <= 0) {
    const int16_t ref = gAcces.ouvreFichier(f->nom);
    if (ref <= 0) return 0;
    f->ref = ref;
  }
  gFichierCourant = f->ref;
  return 1;
}

int16_t GetFichierSonCourant() { return gFichierCourant; }

bool IsIdStandardExisteDansBase(int32_t id) {
  const int16_t avant = gFichierCourant;
  bool existe = false;
  if (OuvreFichierSonSelonDigit(id)) {
    for (ResType t : {kTypeDgig, kTypeDgit, kTypeDGIT}) {
      Handle h = gAcces.litRessource(gFichierCourant, t, int16_t(id));
      if (h) {
        existe = true;
        DisposeHandle(h);
        break;
      }
    }
  }
  gFichierCourant = avant;
  return existe;
}

int32_t RechercheIdMidiProche(int32_t id, int16_t melodicOnly) {
  const DescriptionSon* d = Descriptions();
  if ((id < 0 || id > 19999) && !melodicOnly) {
    int16_t kit = 0, note = 0;
    CvtIDBatterieEnParamMidi(0, id, &kit, nullptr, nullptr, &note);
    int32_t meilleur = 0;
    int64_t score = INT64_MAX;
    for (int16_t k = 0; k < NbDescriptionsSons; k++) {
      if (d[k].id < kIdSonBatterie) continue;
      int16_t kk = 0, nn = 0;
      CvtIDBatterieEnParamMidi(0, d[k].id, &kk, nullptr, nullptr, &nn);
      const int64_t s = int64_t(kk) * 10000 + int64_t(std::abs(nn - note)) * 10;
      if (s < score) {
        score = s;
        meilleur = d[k].id;
      }
    }
    return meilleur;
  }
  int32_t dernier = 0;
  for (int16_t k = 0; k < NbDescriptionsSons && d[k].id < id; k++)
    if (d[k].exclusion == 0) dernier = d[k].id;
  return dernier;
}

int16_t LitTmplDgigStandardDansInstrument(int32_t id, Instrument* r) {
  if (!MoteurSonPret || !r) return -1;
  if (r->digitArea.ownSounds) return 0;
  if (!OuvreFichierSonSelonDigit(id)) return -1;
  const int16_t fichier = gFichierCourant;
  ModeleSonsInstrument m;
  bool trouve = false;
  if (Handle h = LitDgig(fichier, id)) {
    CvtTmplDgigMoto2Intel(reinterpret_cast<const uint8_t*>(*h), kTailleTmplDgig, &m);
    DisposeHandle(h);
    trouve = true;
  } else {
    for (bool douze : {true, false}) {
      Handle a = gAcces.litRessource(fichier, douze ? kTypeDgit : kTypeDGIT, int16_t(id));
      trouve = ModeleAncien(a, douze, &m);
      LibereHandle(&a);
      if (trouve) break;
    }
  }
  if (!trouve) return 0;
  if (m.templateRef >= 0 && OuvreFichierSonSelonDigit(m.templateRef)) {
    // Another template lends its count and its sample numbers.
    if (Handle h = LitDgig(gFichierCourant, m.templateRef)) {
      ModeleSonsInstrument autre;
      CvtTmplDgigMoto2Intel(reinterpret_cast<const uint8_t*>(*h), kTailleTmplDgig, &autre);
      DisposeHandle(h);
      m.soundCount = autre.soundCount;
      for (int i = 0; i < kNbSonsInstrument; i++) m.slots[i].sampleNumber = autre.slots[i].sampleNumber;
    }
    gFichierCourant = fichier;
  }
  m.soundCount = std::clamp<int16_t>(m.soundCount, 0, kNbSonsInstrument);
  for (int i = m.soundCount; i < kNbSonsInstrument; i++) ViderSlot(&m.slots[i]);
  r->digitArea.modele = m;
  return fichier;
}

int16_t LitDigitStandardDansInstrument(int32_t id, Instrument* r) {
  const int16_t fichier = LitTmplDgigStandardDansInstrument(id, r);
  if (fichier < 0) return 0;
  bool ok = true;
  if (fichier > 0) {
    ModeleSonsInstrument& m = r->digitArea.modele;
    const int32_t donnees = m.templateRef >= 0 ? m.templateRef : id;
    for (int i = 0; i < m.soundCount && ok; i++) {
      Handle& slot = r->sampleHandles[kSonsStockes][i];
      if (int16_t(m.slots[i].sampleNumber) < 0) continue;
      LibereHandle(&slot);
      Handle son = gAcces.litRessource(fichier, kTypeSon, int16_t(m.slots[i].sampleNumber));
      if (!son || GetHandleSize(son) < kTailleEnteteDigit) {
        Collapse("Mauvaise definition de template DGIT %d (snd %d non trouve) Res error %d", int(r->soundId),
                 int(m.slots[i].sampleNumber), son ? 0 : int(resNotFound));
        LibereHandle(&son);
        ok = false;
        break;
      }
      if (LitLongOrdre(reinterpret_cast<const uint8_t*>(*son) + 18) == 0) {
        // The sound itself lies in the data file.
        DisposeHandle(son);
        son = ReadSonInDataFile(donnees, m.slots[i].sampleNumber);
      } else {
        Gold2Patch(id, i, son);
      }
      EnteteEnOrdreHote(son);
      slot = son;
    }
  }
  LitVibratoStandardDansInstrument(id, r);
  LitTremoloStandardDansInstrument(id, r);
  LitFXParamStandardDansInstrument(id, r);
  return ok ? 1 : 0;
}

int16_t ChargeDigitStandard(Instrument* r) {
  if (!r) return 0;
  r->loadedSoundId = r->soundId;
  if (!MoteurSonPret) return 0;
  if (LitDigitStandardDansInstrument(int32_t(r->soundId), r)) return 1;
  const int32_t proche = RechercheIdMidiProche(int32_t(r->soundId), 0);
  const int16_t ok = LitDigitStandardDansInstrument(proche, r);
  if (!ok) Collapse("Can't locate sound data # %d in the sound base.", int(proche));
  r->loadedSoundId = uint32_t(proche);
  return ok;
}

namespace {

void LitQuatreStandard(int32_t id, ResType type, uint16_t out[4]) {
  const int16_t avant = gFichierCourant;
  Handle h = OuvreFichierSonSelonDigit(id) ? gAcces.litRessource(gFichierCourant, type, int16_t(id)) : nullptr;
  Lecteur l(h ? reinterpret_cast<const uint8_t*>(*h) : nullptr, h ? int32_t(GetHandleSize(h)) : 0);
  for (int i = 0; i < 4; i++) out[i] = l.Mot();
  LibereHandle(&h);
  gFichierCourant = avant;
}

}  // namespace

void LitVibratoStandardDansInstrument(int32_t id, Instrument* r) {
  if (MoteurSonPret && r && !r->vibratoOn) LitQuatreStandard(id, kTypeVibr, r->vibrato);
}

void LitTremoloStandardDansInstrument(int32_t id, Instrument* r) {
  if (MoteurSonPret && r && !r->tremoloOn) LitQuatreStandard(id, kTypeTrem, r->tremolo);
}

void LitFXParamStandardDansInstrument(int32_t id, Instrument* r) {
  if (!MoteurSonPret || !r || r->effectsOn) return;
  SetDefaultParamFX(&r->effects);
  const int16_t avant = gFichierCourant;
  if (OuvreFichierSonSelonDigit(id)) {
    Handle h = gAcces.litRessource(gFichierCourant, kTypeFXpr, int16_t(id));
    if (h) ChargeFXTagParamMem(h, &r->effects);
    LibereHandle(&h);
  }
  gFichierCourant = avant;
}

Handle ReadSonInDataFile(int32_t fileNumber, int32_t sampleNumber) {
  char nom[16];
  std::snprintf(nom, sizeof nom, "%05d.rsd", int(fileNumber));
  const int32_t ref = gAcces.ouvreDonnees(nom);
  if (ref <= 0) return nullptr;
  const int64_t taille = gAcces.tailleDonnees(ref);
  const uint32_t cle = uint32_t(fileNumber) * 65536u + uint32_t(uint16_t(sampleNumber));
  int64_t position = -1, octets = 0;
  auto* cache = gCacheDonnees ? reinterpret_cast<EntreeCacheDonnees*>(*gCacheDonnees) : nullptr;
  for (int32_t i = 0; i < gNbCacheDonnees; i++)
    if (cache[i].cle == cle) {
      position = cache[i].position;
      octets = cache[i].taille;
      break;
    }
  if (position < 0) {
    // Records one after the other: sample number, size, the sound.
    for (int64_t at = 0; at + 6 <= taille;) {
      uint8_t tete[6];
      if (gAcces.litDonnees(ref, at, tete, 6) != 6) break;
      const uint16_t numero = uint16_t(tete[0] << 8 | tete[1]);
      const uint32_t n = LitLongOrdre(tete + 2);
      if (int64_t(n) > taille - at - 6) break;
      if (numero == uint16_t(sampleNumber)) {
        position = at + 6;
        octets = n;
        break;
      }
      at += 6 + int64_t(n);
    }
    if (position >= 0 && position <= UINT32_MAX &&
        RetailleHandle(gCacheDonnees ? gCacheDonnees : (gCacheDonnees = NewHandle(0)),
                       Size(gNbCacheDonnees + 1) * Size(sizeof(EntreeCacheDonnees)))) {
      reinterpret_cast<EntreeCacheDonnees*>(*gCacheDonnees)[gNbCacheDonnees++] = {cle, uint32_t(position),
                                                                                  uint32_t(octets)};
    }
  }
  Handle son = nullptr;
  if (position >= 0 && octets >= kTailleEnteteDigit && octets <= kMaxBlockSize) {
    son = NewHandle(Size(octets));
    if (son && gAcces.litDonnees(ref, position, *son, int32_t(octets)) != int32_t(octets)) LibereHandle(&son);
  }
  gAcces.fermeDonnees(ref);
  if (son) Gold2Patch(fileNumber, sampleNumber, son);
  return son;
}

void Gold2Patch(int32_t id, int32_t slot, Handle son) {
  if (!son || GetHandleSize(son) < kTailleEnteteDigit) return;
  uint8_t* p = reinterpret_cast<uint8_t*>(*son);
  uint8_t& a = p[8];
  uint8_t& b = p[9];
  if (id == 3 && slot == 8) {
    if (a == 47 && LitLongOrdre(p + 18) == 131830) a = b = 35;
  } else if (id == 2483) {
    a = uint8_t(a - 12);
    if (b != 127) b = uint8_t(b - 12);
  } else if (id == 1610 && slot >= 2 && slot <= 11) {
    static const uint32_t kDebut[10] = {3020, 2898, 2937, 2353, 2956, 2492, 3665, 3190, 3092, 1463};
    static const uint32_t kFin[10] = {3623, 3300, 3205, 3068, 3552, 3844, 4673, 3367, 3399, 2235};
    if (LitLongOrdre(p + 10) < LitLongOrdre(p + 14)) {
      EcritLongOrdre(p + 10, kDebut[slot - 2]);
      EcritLongOrdre(p + 14, kFin[slot - 2]);
    }
  }
}

void CvtTmplDgigInterne(const uint8_t* bytes, int32_t size, int32_t count, ModeleSonsInstrument* m) {
  if (!m) return;
  if (count > kNbSonsInstrument || count < 0) {
    Collapse("CvtTmplDgigInterne : nbSons out of range");
    count = std::clamp<int32_t>(count, 0, kNbSonsInstrument);
  }
  Lecteur l(bytes, size);
  *m = ModeleSonsInstrument{};
  m->templateRef = int16_t(l.Mot());
  m->templateWord = l.Mot();
  for (uint16_t& v : m->digitParam) v = l.Mot();
  m->digitByte1 = l.Octet();
  l.Saute(1);
  m->digitByte2 = l.Octet();
  l.Saute(1);
  for (uint32_t& v : m->longs1) v = l.Long();
  const auto groupe = [&](uint8_t* on, uint32_t* longs) {
    *on = l.Octet();
    l.Saute(1);
    for (int i = 0; i < 3; i++) longs[i] = l.Long();
  };
  groupe(&m->group2On, m->longs2);
  groupe(&m->group3On, m->longs3);
  groupe(&m->group4On, m->longs4);
  for (uint8_t& b : m->extBytes) b = l.Octet();
  for (uint8_t& b : m->optionBytes) b = l.Octet();
  l.Saute(1);
  m->soundCount = int16_t(count);
  l.Saute(2);
  for (int32_t i = 0; i < kNbSonsInstrument; i++) {
    SlotSonInstrument& s = m->slots[i];
    if (i >= count) {
      ViderSlot(&s);
      continue;
    }
    l.Place(kPosNbSons + 2 + i * kTailleSlotDgig);
    s.sampleNumber = l.Mot();
    s.soundRef = l.Mot();
    s.param1 = l.Mot();
    s.param2 = l.Mot();
    s.param3 = l.Mot();
    s.slotValue = int32_t(l.Long());
    for (uint8_t& b : s.slotBytes) b = l.Octet();
    s.spare = l.Octet();
  }
}

void CvtTmplDgigMoto2Intel(const uint8_t* bytes, int32_t size, ModeleSonsInstrument* m) {
  CvtTmplDgigInterne(bytes, size, NbSonsDgig(bytes, size), m);
}

void GarbageFichierSons() {
  for (int16_t i = 1; i < NbFichiersSons; i++) {
    FichierSon& f = Fichiers()[i];
    if (f.ref > 0) {
      gAcces.fermeFichier(f.ref);
      if (gFichierCourant == f.ref) gFichierCourant = 0;
      f.ref = -1;
    }
  }
}

bool FixePathSoundBaseCache() {
  if (PathSoundBaseCache.dir == 0) return false;
  return FixeVolPath(PathSoundBaseCache.vol, PathSoundBaseCache.dir) == noErr;
}

void CreeNomFichierCacheStandard(int32_t n, char* name, size_t size) {
  if (!name || size == 0) return;
  char base[sizeof NomBaseSons];
  strnzcpy(base, NomBaseSons, sizeof base);
  if (char* point = std::strrchr(base, '.')) *point = 0;
  std::snprintf(name, size, "%s-%ld.tmp", base, long(n));
}
