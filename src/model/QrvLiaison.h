#pragma once
// Ties, slurs and beam links between notes: pairs of ids with staff indexes,
// stored in the effect records of both notes.
#include "platform/PlatformTypes.h"

struct Partition;

// Tie or slur block of an effect record; the shape is held at the source end.
struct DataLiaison {
  uint32_t idSource;
  uint16_t porteeSource;        // staff of the destination end; -1 unknown
  uint32_t idDest;
  uint16_t porteeDest;          // staff of the source end; -1 unknown
  uint32_t formeType;           // shape kind
  uint8_t forme[22];
};

// Beam-link block of an effect record.
struct DataAccroche {
  uint32_t idSource;
  uint16_t porteeSource;
  uint32_t idDest;
  uint16_t porteeDest;
  uint16_t forme[8];            // beam counts and sizes
};

// Recomputes the staff indexes held beside every link id, then collects.
void RecalculePorteesLiaison(Partition** score);
// Turns backward links round, renumbers live links and drops ends without partner.
void GarbageLiaisonsPartition(Partition** score);
