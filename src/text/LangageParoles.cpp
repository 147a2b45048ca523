#include "text/LangageParoles.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#include "model/Partition.h"
#include "model/Portee.h"
#include "platform/Memory.h"
#include "platform/QuickDraw.h"
#include "sound/ServicesSon.h"
#include "stafftypes/PorteeKaraoke.h"
#include "system/PortLayer.h"
#include "text/ExtendedTE.h"
#include "text/TextEncodings.h"

LangageTree gTree = {0, {0, nullptr, nullptr}, 0};
int32_t gNbNode = 0;

namespace {

int32_t NbEnfants(const LangageNode* node) {
  return node->children ? (int32_t)(GetHandleSize(node->children) / (Size)sizeof(LangageNode)) : 0;
}

LangageNode* Enfant(LangageNode* node, UniChar c) {
  int32_t n = NbEnfants(node);
  LangageNode* kids = n ? reinterpret_cast<LangageNode*>(*node->children) : nullptr;
  for (int32_t i = 0; i < n; i++) {
    if (kids[i].character == c) return &kids[i];
  }
  return nullptr;
}

// The node of an n-gram when the tree has it; scoring adds no nodes, so that
// reading texts does not grow the tree.
LangageNode* TrouveBranche(const UniChar* ngram, int32_t length) {
  LangageNode* node = &gTree.root;
  for (int32_t i = 0; i < length && node; i++) node = Enfant(node, ngram[i]);
  return length > 0 ? node : nullptr;
}

void LibereNoeud(LangageNode* node) {
  int32_t n = NbEnfants(node);
  for (int32_t i = 0; i < n; i++) LibereNoeud(&reinterpret_cast<LangageNode*>(*node->children)[i]);
  DisposeHandle(node->children);
  if (node->counts) DisposePtr(reinterpret_cast<Ptr>(node->counts));
  node->children = nullptr;
  node->counts = nullptr;
}

bool EstLettreGardee(UniChar c) {
  if (c >= 'A' && c <= 'Z') return true;
  return c >= 0x80 && !(c >= 0x2000 && c <= 0x2BFF);
}

uint32_t Paire(UniChar a, UniChar b) { return (uint32_t)a << 16 | b; }

}  // namespace

LangageNode* GetTreeBranch(const UniChar* ngram, int32_t length) {
  if (length <= 0) return nullptr;
  LangageNode* node = &gTree.root;
  for (int32_t i = 0; i < length; i++) {
    if (!node->children) {
      node->children = NewHandle(0);
      if (!node->children) return nullptr;
      gNbNode++;
    }
    LangageNode* next = Enfant(node, ngram[i]);
    if (!next) {
      LangageNode fresh{ngram[i], nullptr, nullptr};
      if (PtrAndHand(&fresh, node->children, sizeof fresh) != noErr) return nullptr;
      next = &reinterpret_cast<LangageNode*>(*node->children)[NbEnfants(node) - 1];
    }
    node = next;
  }
  return node;
}

bool InitLangageTree(int32_t languageCount, int32_t smoothing) {
  DisposeLangageTree();
  if (languageCount < 0 || languageCount > kLangageMaxLangues) return false;
  gTree.languageCount = languageCount;
  gTree.smoothing = smoothing;
  return true;
}

bool FixeCompteNGram(const UniChar* ngram, int32_t length, const int32_t* counts) {
  if (gTree.languageCount <= 0 || !counts) return false;
  LangageNode* node = GetTreeBranch(ngram, length);
  if (!node) return false;
  if (!node->counts) {
    node->counts = reinterpret_cast<int32_t*>(NewPtr((Size)sizeof(int32_t) * gTree.languageCount));
    if (!node->counts) return false;
  }
  memcpy(node->counts, counts, sizeof(int32_t) * (size_t)gTree.languageCount);
  return true;
}

void DisposeLangageTree() {
  LibereNoeud(&gTree.root);
  gTree.languageCount = 0;
  gTree.smoothing = 0;
  gNbNode = 0;
}

int16_t BayesDetermineCallback(const UniChar* ngram, float* scores, int32_t smoothing) {
  int32_t length = 0;
  while (ngram[length]) length++;
  const float epsilon = length == 1 ? 0.00001f : (float)smoothing;
  const int32_t nbLangues = std::min(gTree.languageCount, kLangageMaxLangues);
  LangageNode* node = TrouveBranche(ngram, length);
  if (!node || !node->counts) {
    for (int32_t k = 0; k < nbLangues; k++) scores[k] += -100.0f;
    return 1;
  }
  float s = 0;
  for (int32_t k = 0; k < nbLangues; k++) s += node->counts[k] ? (float)node->counts[k] : epsilon;
  if (s == 0) return 1;
  for (int32_t k = 0; k < nbLangues; k++) {
    float v = node->counts[k] ? (float)node->counts[k] : epsilon;
    scores[k] += std::log(v / s);
  }
  return 1;
}

void RemoveRepeatsUnichars(UniChar* text) {
  if (!text) return;
  int32_t n = 0;
  while (text[n]) n++;
  if (n < 2) return;
  // Pair counts: sorted keys with their counts, found by binary search.
  std::vector<uint32_t> keys((size_t)n - 1);
  for (int32_t i = 0; i + 1 < n; i++) keys[(size_t)i] = Paire(text[i], text[i + 1]);
  std::sort(keys.begin(), keys.end());
  std::vector<uint32_t> distinct;
  std::vector<int32_t> counts;
  for (uint32_t k : keys) {
    if (distinct.empty() || distinct.back() != k) {
      distinct.push_back(k);
      counts.push_back(0);
    }
    counts.back()++;
  }
  auto count = [&](uint32_t k) -> int32_t& {
    return counts[(size_t)(std::lower_bound(distinct.begin(), distinct.end(), k) - distinct.begin())];
  };
  const int32_t threshold = std::max(n / 20, 4);
  int32_t length = n;
  int32_t r = -1;
  for (int32_t i = 0; i + 1 < length; i++) {
    int32_t& c = count(Paire(text[i], text[i + 1]));
    if (c < threshold) {
      if (r >= 0 && i - r >= 2) {
        int32_t removed = i - 1 - r;
        memmove(text + r, text + i - 1, sizeof(UniChar) * (size_t)(length - (i - 1) + 1));
        length -= removed;
        i = r + 1;
      }
      r = -1;
    } else {
      c--;
      if (r < 0) r = i;
    }
  }
}

int32_t DetermineIndexLangageTexte(const char* text, int32_t length, float* scoreOut) {
  if (scoreOut) *scoreOut = 0;
  if (!text || length <= 0) return -1;
  int32_t units = 0;
  EncodedStr u = UTFTextToUnicode(text, 0, length, &units);
  if (!u) return -1;
  std::vector<UniChar> letters;
  letters.reserve((size_t)units + 1);
  const UniChar* src = reinterpret_cast<const UniChar*>(u);
  for (int32_t i = 0; i < units; i++) {
    UniChar c = UnicodeCharMajuscule(src[i]);
    if (EstLettreGardee(c)) letters.push_back(c);
  }
  DisposeEncodedStr(u);
  letters.push_back(0);
  RemoveRepeatsUnichars(letters.data());
  int32_t n = 0;
  while (letters[(size_t)n]) n++;
  // Without languages every score stays 0: nothing to weigh.
  if (n <= 4 || gTree.languageCount <= 0) return -1;

  float scores[kLangageMaxLangues] = {};
  const UniChar* c = letters.data();
  for (int32_t i = 0; i <= n - 5; i++) {
    UniChar gram[5] = {c[i], 0, 0, 0, 0};
    BayesDetermineCallback(gram, scores, gTree.smoothing);
    gram[1] = c[i + 1];
    BayesDetermineCallback(gram, scores, gTree.smoothing);
    gram[2] = c[i + 2];
    BayesDetermineCallback(gram, scores, gTree.smoothing);
    bool ascii = true;
    for (int32_t k = 0; k < 4; k++) ascii = ascii && c[i + k] >= 'A' && c[i + k] <= 'Z';
    if (ascii) {
      gram[3] = c[i + 3];
      BayesDetermineCallback(gram, scores, gTree.smoothing);
    }
  }
  int32_t best = -1;
  for (int32_t k = 0; k < std::min(gTree.languageCount, kLangageMaxLangues); k++) {
    if (scores[k] != 0 && (best < 0 || scores[k] > scores[best])) best = k;
  }
  if (best >= 0 && scoreOut) *scoreOut = scores[best];
  return best;
}

uint16_t DetermineLangageTexte(const char* text, int32_t length, float* scoreOut) {
  int32_t index = DetermineIndexLangageTexte(text, length, scoreOut);
  return index < 0 ? 0 : LYGetLanguageIDByIndex(index);
}

uint16_t DetermineLangagePortee(Portee** staff) {
  if (!staff || !*staff) return 0;
  CGrafPtr saved = nullptr;
  GetPort(&saved);
  Partition** score = (*staff)->partition;
  CarboniseSetPortDocument(score && *score ? (*score)->document : nullptr);
  uint16_t id = 0;
  ExtendedTE te = CreeTexteKaraoke(staff, 1, 0, 0, nullptr, 0, 0, 0);
  if (te) {
    Handle h = ExtendedTEGetText(te);
    if (h && (*te)->teLength > 0) id = DetermineLangageTexte(*h, (*te)->teLength, nullptr);
    ExtendedTEDispose(te);
  }
  SetPort(saved);
  return id;
}
