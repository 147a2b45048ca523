#pragma once
// Guessing the language of a staff's lyrics: a naive Bayes score over the
// letter n-grams (1 to 4 letters) of the text, read from a letter tree of
// n-gram counts per language. The tree is data that an embedding application
// loads; empty, every text gives 0 (unknown language).
#include <cstdint>

#include "platform/PlatformTypes.h"

struct Portee;

constexpr int32_t kLangageMaxLangues = 100;

struct LangageNode {
  uint16_t character;
  int32_t* counts;  // one per language, or null
  Handle children;  // LangageNode entries, or null
};
struct LangageTree {
  int32_t languageCount;
  LangageNode root;
  int32_t smoothing;
};
extern LangageTree gTree;
extern int32_t gNbNode;

// Voice language identifier of the staff's lyrics, 0 when unknown.
uint16_t DetermineLangagePortee(Portee** staff);
// Voice language identifier of a UTF-8 text, 0 when unknown; the winning
// score in scoreOut (0 when none).
uint16_t DetermineLangageTexte(const char* text, int32_t length, float* scoreOut);
// The winning language index of the tree, -1 when none.
int32_t DetermineIndexLangageTexte(const char* text, int32_t length, float* scoreOut);
// Shortens long runs of often-repeated letter pairs, in place.
void RemoveRepeatsUnichars(UniChar* text);
// Adds one n-gram's log frequencies to the scores; returns 1.
int16_t BayesDetermineCallback(const UniChar* ngram, float* scores, int32_t smoothing);
// The n-gram's node, made (with empty nodes on the way) when missing; null
// for length 0.
LangageNode* GetTreeBranch(const UniChar* ngram, int32_t length);

// The loader's side: an empty tree for that many languages (0..100), and the
// counts of one n-gram in the language order of the voice language table.
bool InitLangageTree(int32_t languageCount, int32_t smoothing);
bool FixeCompteNGram(const UniChar* ngram, int32_t length, const int32_t* counts);
void DisposeLangageTree();
