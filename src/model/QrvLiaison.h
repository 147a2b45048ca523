#pragma once
// Ties, slurs and beam links between notes: pairs of ids with staff indexes,
// stored in the effect records of both notes.
#include <cstring>

#include "platform/PlatformTypes.h"

struct Partition;
struct Portee;
struct Signe;

// Link kinds.
enum : int16_t { kLiaisonCoule = 0, kLiaisonAccroche = 1 };

// Tie or slur block of an effect record; the shape is held at the source end.
struct DataLiaison {
  uint32_t idSource;
  uint16_t porteeSource;  // staff of the destination end; -1 unknown
  uint32_t idDest;
  uint16_t porteeDest;  // staff of the source end; -1 unknown
  uint32_t formeType;   // shape kind (play mode; 2: a slur that may stand for a tie)
  uint8_t forme[22];    // the geometry, at the offsets below
};

// Offsets of the geometry in DataLiaison::forme, native byte order: line
// style (i32); two bytes; start dx, dy (i8); control point position along the
// span in per mille (u16) and height in per mille of a line spacing, negative
// upwards (i16); thickness (u8); a byte; smoothing (u16); colour (u16); end
// dx, dy (i8); keep-shape flag (u16).
enum : int {
  kFormeLiaisonStyle = 0,
  kFormeLiaisonMot = 4,  // the unnamed word
  kFormeLiaisonDebutDx = 6,
  kFormeLiaisonDebutDy = 7,
  kFormeLiaisonControleX = 8,
  kFormeLiaisonControleY = 10,
  kFormeLiaisonEpaisseur = 12,
  kFormeLiaisonOctet = 13,  // the unnamed byte
  kFormeLiaisonLissage = 14,
  kFormeLiaisonCouleur = 16,
  kFormeLiaisonFinDx = 18,
  kFormeLiaisonFinDy = 19,
  kFormeLiaisonGarde = 20,
};

// A shape field of `bytes` bytes (1, 2 or 4) at `offset` of forme.
inline void SetChampFormeLiaison(DataLiaison* d, uint8_t offset, int32_t value, int bytes) {
  if (bytes == 1) {
    d->forme[offset] = uint8_t(value);
  } else if (bytes == 2) {
    const uint16_t v = uint16_t(value);
    std::memcpy(d->forme + offset, &v, 2);
  } else {
    std::memcpy(d->forme + offset, &value, 4);
  }
}
inline int32_t GetChampFormeLiaison(const DataLiaison* d, uint8_t offset, int bytes) {
  if (bytes == 1) return d->forme[offset];
  if (bytes == 2) {
    uint16_t v;
    std::memcpy(&v, d->forme + offset, 2);
    return v;
  }
  int32_t v;
  std::memcpy(&v, d->forme + offset, 4);
  return v;
}

// Beam-link block of an effect record.
struct DataAccroche {
  uint32_t idSource;
  uint16_t porteeSource;
  uint32_t idDest;
  uint16_t porteeDest;
  uint16_t forme[8];  // beam counts and sizes
};

// Shape kind given to ties by slide marks.
constexpr uint32_t kFormeLiaisonGlissando = 2;

uint32_t NewIdLiaison(Partition** score);
uint32_t GetLiaisonSourceNote(Portee** staff, int32_t index, Portee*** other, int16_t kind);
uint32_t GetLiaisonDestNote(Portee** staff, int32_t index, Portee*** other, int16_t kind);
uint32_t GetLiaisonSourceParamEffet(Portee** staff, int32_t effect, Portee*** other, int16_t kind);
int32_t LocIdLiaisonSource(Portee** staff, uint32_t id, Portee** other, int16_t kind);
int32_t LocIdLiaisonDest(Portee** staff, uint32_t id, Portee** other, int16_t kind);
void SetLiaisonSourceNote(Portee** staff, int32_t index, uint32_t id, Portee** other, int16_t kind);
void SetLiaisonDestNote(Portee** staff, int32_t index, uint32_t id, Portee** other, int16_t kind);
int16_t GetDataLiaisonNote(Portee** staff, int32_t index, DataLiaison* out);
int16_t GetDataAccrocheNote(Portee** staff, int32_t index, DataAccroche* out);
void SetDataLiaisonNote(Portee** staff, int32_t index, const DataLiaison* data);
void SetDataAccrocheNote(Portee** staff, int32_t index, const DataAccroche* data);
int16_t SetLiaison(Portee** source, int32_t s, Portee** dest, int32_t d, int16_t kind);
void CalculeIndexSignePerePartition(Partition** score);
void ReclasseSensLiaison(Portee** staff, int16_t kind);
void MarqueLiaisonsUtilisees(Partition** score, Portee** staff, int16_t kind);
void SupprimeLiaisonsInutiles(Portee** staff, int16_t kind);
void LieDeuxNotes(Portee** staff, int32_t from, int32_t to);
// One join; the staff's records are read through its handle, which the join resizes.
int16_t TraiteLiaisonUneNote(Portee** staff, int32_t index, int32_t* debutAccord, int32_t* fin, uint8_t* flag);

// Recomputes the staff indexes held beside every link id, then collects.
void RecalculePorteesLiaison(Partition** score);
// Turns backward links round, renumbers live links and drops ends without partner.
void GarbageLiaisonsPartition(Partition** score);
