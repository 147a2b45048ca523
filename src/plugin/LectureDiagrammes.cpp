// Chord-diagram placements of a staff and blocks of custom chord diagrams,
// as native documents store them.
#include <cstring>

#include "model/DiagrammesAccord.h"
#include "model/DonneesAccords.h"
#include "platform/Memory.h"
#include "plugin/LectureDocument.h"
#include "plugin/Necks.h"
#include "system/QrvFiles.h"
#include "system/Reporters.h"

namespace {

uint8_t LitOctet() {
  const int16_t c = ReadCar();
  return c < 0 ? 0 : uint8_t(c);
}

uint16_t LitMot() { return uint16_t(ReadShort()); }

// The version a block's format word stands for; 0 for none.
uint16_t VersionFormatDiagrammes(uint16_t format) {
  switch (format) {
    case 512: return 0x0920;
    case 257: return 0x0511;
    case 256: return 0x0100;
    default: return 0;
  }
}

// Reads the block's records into `diagrammes` (count slots, or none: the
// records are read and dropped). False at the first record that cannot be read.
bool LitDiagrammes(DiagrammeAccord* diagrammes, int16_t n) {
  for (int16_t i = 0; i < n; i++) {
    DiagrammeAccord d;
    std::memset(&d, 0, sizeof d);
    if (!ReadDiagramme(&d) || EndOfFile()) return false;
    // The chord names are kept in the language they were stored in: the
    // lists of chord-name prefixes that would translate them are the
    // application's, not ours.
    d.idUnique = ScelleDiagrammeEditeAccord(&d);
    if (diagrammes) diagrammes[i] = d;
    FixeNeckPresent(d.accord.neck, 1);
  }
  return true;
}

}  // namespace

int16_t ReadDiagrammeAccord(PlacementDiagramme* p) {
  const uint16_t v = VersionQuarvelLoad;
  p->indexDiagramme = -1;
  ReadDefAccord(&p->accord);
  p->debut = ReadLong();
  p->haut = ReadLong();
  p->fin = ReadLong();
  p->bas = ReadLong();
  if (v >= 0x0800) {
    p->valeursPlacement[0] = LitMot();
    p->valeursPlacement[1] = LitMot();
  }
  p->mot = LitMot();
  p->afficheNom = LitOctet();
  if (v >= 0x0203) {
    p->couleurGrille = LitOctet();
    p->couleurPoints = LitOctet();
    p->couleurNom = LitOctet();
    p->modePosition = LitOctet();
    if (p->modePosition == 0 && v <= 0x031F) {
      p->debut = int32_t(int64_t(p->debut) * 420);
      p->fin = int32_t(int64_t(p->fin) * 420);
    }
  }
  if (v <= 0x0510) {
    // A placement stored without its fretboard takes its diagram and shift
    // from its chord when the staff's list is resolved after reading
    // (CalculeDiagrammesAccordsPortee).
    if (p->modePosition != 0) {
      p->debut = int32_t(int64_t(p->debut) * 32);
      p->fin = int32_t(int64_t(p->fin) * 32);
    }
    return 1;
  }
  if (v >= 0x0750) p->idUnique = uint32_t(ReadLong());
  if (v >= 0x0920) {
    for (char& c : p->cordes) c = char(LitOctet());
    p->caseBase = LitOctet();
    const uint8_t n = LitOctet();
    for (int i = 0; i < n && !EndOfFile(); i++) {
      PointDiagramme point;
      point.caseManche = int8_t(LitOctet());
      point.premiereCorde = int8_t(LitOctet());
      point.derniereCorde = int8_t(LitOctet());
      if (i < kNbPointsPlacement) p->points[i] = point;
    }
    p->nbPoints = int8_t(n < kNbPointsPlacement ? n : kNbPointsPlacement);
  }
  return 1;
}

Handle ReadDiagrammesAccord() {
  const uint16_t sauve = VersionQuarvelLoad;
  const uint16_t version = VersionFormatDiagrammes(uint16_t(ReadShort()));
  if (version == 0) return nullptr;
  VersionQuarvelLoad = version;
  Handle h = nullptr;
  bool lu = false;
  const int16_t n = ReadShort();
  if (EndOfFile() || n < 0) {
    // No block to read.
  } else if (int64_t(n) > GetStreamRemaining()) {
    ioCustom.finFichier = 1;
  } else {
    h = NewHandleClear(Size(n) * Size(sizeof(DiagrammeAccord)));
    ReadGap(1);
    LitOctet();  // the language of the chord names
    // Without the memory the records are still read, so that what follows
    // stays in step.
    lu = LitDiagrammes(h ? reinterpret_cast<DiagrammeAccord*>(*h) : nullptr, n);
    if (!lu && !EndOfFile()) {
      // A record that cannot be read leaves the stream out of step.
      Collapse("ReadDiagrammesAccord: a custom chord diagram cannot be read");
      ioCustom.finFichier = 1;
    }
    if (lu && uint16_t(ReadShort()) != 256) lu = false;
  }
  VersionQuarvelLoad = sauve == 0 ? 0x9805 : sauve;
  if (!lu || EndOfFile()) DisposeAccords(&h);
  return h;
}
