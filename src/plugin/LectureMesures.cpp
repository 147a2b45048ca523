// Bar rows with their time divisions, chord definitions, custom chord
// diagrams and the paste modes of accompaniments with their pattern staves,
// as native documents store them (big-endian, fields gated on the version).
#include <cstring>

#include "model/DonneesAccords.h"
#include "model/ModePaste.h"
#include "model/Portee.h"
#include "model/QRVPOBJ.h"
#include "model/Signe.h"
#include "model/TabEltMesure.h"
#include "platform/Memory.h"
#include "plugin/LectureDocument.h"
#include "plugin/Necks.h"
#include "system/Handles.h"
#include "system/QrvFiles.h"

namespace {

uint8_t LitOctet() {
  const int16_t c = ReadCar();
  return c < 0 ? 0 : uint8_t(c);
}

uint16_t LitMot() { return uint16_t(ReadShort()); }

// The widths a row may take (as SetEchelleMesureOrig holds them).
uint16_t BorneEchelle(int32_t v) { return uint16_t(v < 20 ? 20 : (v > 8000 ? 8000 : v)); }

// A stored margin: 72-dpi units, never negative.
int16_t LitMarge() {
  const int16_t v = ReadShort();
  return v < 0 ? 0 : v;
}

void LitLigne(TabEltMesure* e) {
  e->echelle = BorneEchelle(LitMot());
  e->signatureVisible = LitOctet();
  ReadDivisionTemporelle(&e->division);
  const uint8_t b = LitOctet();
  e->sautSysteme = b & 1;
  e->continueLigneSuivante = (b >> 3) & 1;
  e->sautPage = (b >> 2) & 1;
  e->sautQuatrieme = (b >> 1) & 1;
  if (VersionQuarvelLoad >= 0x0740) {
    e->margeGauche = LitMarge();
    e->margeDroite = LitMarge();
  } else {
    e->margeGauche = 16;
    e->margeDroite = 0;
  }
  if (VersionQuarvelLoad >= 0x0800) {
    const uint8_t c = LitOctet();
    e->nonComptee = c & 1;
    e->numeroGarde = (c >> 1) & 1;
    e->numeroCache = (c >> 2) & 1;
    e->etatDecoupeNote = LitOctet();
    e->numeroRedemarrage = LitMot();
  }
}

}  // namespace

int16_t ReadDivisionTemporelle(DivisionTemporelle* d) {
  d->numerateur = ReadShort();
  d->partieAdditive2 = LitOctet();
  d->partieAdditive1 = LitOctet();
  d->denominateur = ReadShort();
  d->denominateurAdditif = ReadShort();
  d->octet1 = LitOctet();
  if (VersionQuarvelLoad < 0x0790) {
    d->octet2 = 1;
    d->groupePar4 = 1;
    std::memset(d->masqueAccroche, 0, sizeof d->masqueAccroche);
    GetDefautMasqueAccroche(d->numerateur, d->masqueAccroche);
  } else {
    const uint8_t b = LitOctet();
    d->octet2 = b & 1;
    d->groupePar4 = (b >> 1) & 1;
    d->masqueAccroche[0] = LitMot();
    for (int i = 1; i < 8; i++) d->masqueAccroche[i] = VersionQuarvelLoad >= 0x0920 ? LitMot() : d->masqueAccroche[0];
    if (VersionQuarvelLoad >= 0x0920) ReadGap(18);
  }
  if (!CanDivisionTemporelleGroupBy4(d)) d->groupePar4 = 0;
  return 1;
}

int16_t ReadTabEltMesure(Handle rows, int32_t count) {
  if (count <= 0) return 1;
  const int32_t gardees = GetNbLignesTabElt(rows);
  TabEltMesure jetee;
  for (int32_t i = 0; i < count; i++) {
    // Rows past the table are read all the same, so that what follows is in step.
    TabEltMesure* e = i < gardees ? GetLignesTabElt(rows) + i : &jetee;
    if (e == &jetee) std::memset(&jetee, 0, sizeof jetee);
    LitLigne(e);
    if (EndOfFile()) return 0;
  }
  return 1;
}

int16_t ReadDefAccord(DefAccord* a) {
  if (VersionQuarvelLoad < 0x0511) a->neck = 0;
  else if (VersionQuarvelLoad < 0x0920) a->neck = ReadShort();
  else a->neck = ReadNeck();
  a->fondamentale = int8_t(LitOctet());
  a->alterationFondamentale = LitOctet();
  a->tierce = int8_t(LitOctet());
  a->septieme = int8_t(LitOctet());
  a->quinte = int8_t(LitOctet());
  a->neuvieme = int8_t(LitOctet());
  const uint8_t b = LitOctet();
  a->nomPropre = b & 1;
  a->valeur = uint8_t(b >> 1);
  const uint8_t octave = LitOctet();
  a->octave = octave == 0 ? 4 : octave;
  return ReadUTFString(a->nom, sizeof a->nom) ? 1 : 0;
}

bool ReadDiagramme(DiagrammeAccord* d) {
  ReadDefAccord(&d->accord);
  for (char& c : d->cordes) c = char(LitOctet());
  d->caseBase = LitOctet();
  d->octetsLus[0] = LitOctet();
  d->octetsLus[1] = LitOctet();
  const uint8_t n = LitOctet();
  if (n >= 64) {
    d->nbPoints = 0;
    return false;
  }
  for (int i = 0; i < n; i++) {
    PointDiagramme p;
    p.caseManche = int8_t(LitOctet());
    p.premiereCorde = int8_t(LitOctet());
    p.derniereCorde = int8_t(LitOctet());
    if (i < kNbPointsDiagramme) d->points[i] = p;
  }
  d->nbPoints = int8_t(n < kNbPointsDiagramme ? n : kNbPointsDiagramme);
  return true;
}

bool ReadPattern(PatternMesure* p) {
  if (!ReadUTFString(p->nom, sizeof p->nom)) return false;
  if (VersionQuarvelLoad < 0x0320) {
    p->temps1 = int32_t(ReadShort()) * 420;
    p->temps2 = int32_t(ReadShort()) * 420;
  } else {
    p->temps1 = ReadLong();
    p->temps2 = ReadLong();
  }
  const int16_t type = ReadShort();
  if (VersionQuarvelLoad < 0x0610) p->typePortee = type == 1 ? int32_t(kTypePorteeBatterie) : 1;
  else p->typePortee = type;
  p->valeurs[0] = ReadShort();
  p->valeurs[1] = ReadShort();
  p->valeur3 = ReadShort();
  if (EndOfFile()) return false;

  if (VersionQuarvelLoad >= 0x0850) {
    p->portee = ReadPortee(nullptr, 1, 0);
    return p->portee != nullptr;
  }
  // Older patterns store only their notes, on a staff of the pattern's type.
  Portee** staff = AllouePortee();
  if (!staff) return false;
  p->portee = staff;
  InitPortee(nullptr, staff, uint32_t(p->typePortee), 1);
  const int16_t n = ReadShort();
  if (n == 0) return !EndOfFile();
  if (n < 0 || int64_t(n) * TailleMinSigne() > GetStreamRemaining()) {
    ioCustom.finFichier = 1;
    return false;
  }
  Handle notes = NewHandleClear(Size(n) * Size(sizeof(Signe)));
  if (!notes) return false;
  LibereHandle(&(*staff)->notes);
  (*staff)->notes = notes;
  (*staff)->nbNotes = n;
  for (int16_t i = 0; i < n && !EndOfFile(); i++) {
    Signe s;
    ReadSignePortee(staff, i, &s, &(*staff)->paramEffets, &(*staff)->nbParamEffets);
    reinterpret_cast<Signe*>(*(*staff)->notes)[i] = s;
  }
  return !EndOfFile();
}

void LiberePatternMesure(PatternMesure* pattern) {
  if (!pattern) return;
  if (pattern->portee) DisposePortee(pattern->portee);
  DisposePtr(reinterpret_cast<Ptr>(pattern));
}

int16_t ReadModePaste(ModePaste* m) {
  m->mode = LitMot();
  m->pattern = nullptr;
  if (LitMot() == 1) {
    auto* p = reinterpret_cast<PatternMesure*>(NewPtrClear(Size(sizeof(PatternMesure))));
    // Without the memory the pattern is still read, so that what follows is in step.
    PatternMesure jete{};
    const bool lu = ReadPattern(p ? p : &jete);
    if (!p) {
      if (jete.portee) DisposePortee(jete.portee);
    } else if (!lu) {
      LiberePatternMesure(p);
    } else {
      m->pattern = p;
    }
    // A pattern that cannot be read leaves the stream out of step: what
    // follows would be read from the wrong place.
    if (!lu) {
      ioCustom.finFichier = 1;
      return 0;
    }
  }
  m->valeur = LitMot();
  m->interrupteur = LitOctet();
  ReadGap(1);
  if (VersionQuarvelLoad < 0x0300) ReadGap(6);
  if (!EndOfFile()) return 1;
  // A paste mode cut short keeps nothing.
  LiberePatternMesure(m->pattern);
  m->pattern = nullptr;
  return 0;
}
