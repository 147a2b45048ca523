#pragma once
// What the ABC reader hands the music-line transfer: the tunes of one import
// with their header texts and their parts' music text. Private to the two
// units of the importer.
#include <cstdint>
#include <string>
#include <vector>

struct Document;

// The header texts of a tune, in the order the document's comments list them.
enum ChampABC : int {
  kChampT,
  kChampA,
  kChampS,
  kChampB,
  kChampC,
  kChampD,
  kChampG,
  kChampI,
  kChampZ,
  kChampO,
  kChampN,
  kChampR,
  kChampE,
  kChampM,  // the meter of the last 'M:' line
  kChampK,  // the key of the first 'K:' line
  kChampP,  // the playing order ('P:' with more than one letter)
  kChampL,
  kChampQ,
  kNbChampsABC
};

// Longest text kept for one header field (a document title holds 1024 bytes).
constexpr size_t kMaxChampABC = 1021;

// One part: its letter ('?' for music met before any 'P:') and its music
// text, the joined music lines each ended by a backslash, with the header
// values that matter for the music as inline tags "@TAG value@".
struct PartieABC {
  uint16_t lettre;
  std::string texte;
};

struct MusiqueABC {
  Document* document = nullptr;
  int16_t reference = 0;
  bool referenceLue = false;
  std::string champs[kNbChampsABC];
  std::vector<PartieABC> parties;
  int32_t partieCourante = -1;
};

// The whole import's settings the transfer reads.
struct ContexteABC {
  bool fichierOrvanta = false;   // written by the application itself
  bool questionRefusee = false;  // an "Illegal character" question was declined
};

// Builds the score of the document's current score from one tune; 1 on
// success.
int16_t TransfereMusiqueABCVersOrvanta(Document* doc, MusiqueABC* tune, int16_t first, ContexteABC* contexte);
// Transfers one part (by letter) of a tune onto the score; 1 to go on.
int16_t TransferePartieABC(Document* doc, MusiqueABC* tune, uint16_t lettre, struct TransfertABC* transfert);
