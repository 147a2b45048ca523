#include "support/Ar002TestEncoder.h"

#include <algorithm>
#include <queue>
#include <stdexcept>

namespace tamrel_test {
namespace {

constexpr int NC = 510, NP = 14, NT = 19;
constexpr uint32_t kWindow = 8192;

struct Token {
  uint16_t symbol;    // literal 0..255, or length + 253
  uint16_t position;  // distance - 1 for a match
};

struct BitWriter {
  std::vector<uint8_t> out;
  uint32_t acc = 0;
  int count = 0;
  void Put(uint32_t value, int n) {
    for (int i = n - 1; i >= 0; i--) {
      acc = (acc << 1) | ((value >> i) & 1);
      if (++count == 8) {
        out.push_back(uint8_t(acc));
        acc = 0;
        count = 0;
      }
    }
  }
  void Flush() {
    if (count) Put(0, 8 - count);
  }
};

// Huffman code lengths no longer than 16 bits; unused symbols get 0.
std::vector<uint8_t> CodeLengths(std::vector<uint32_t> freq) {
  size_t n = freq.size();
  for (;;) {
    std::vector<uint8_t> len(n, 0);
    using Node = std::pair<uint64_t, int>;
    std::priority_queue<Node, std::vector<Node>, std::greater<Node>> heap;
    std::vector<int> parent(2 * n, -1);
    int next = int(n);
    for (size_t i = 0; i < n; i++)
      if (freq[i]) heap.push({freq[i], int(i)});
    if (heap.size() < 2) throw std::logic_error("a code needs two symbols");
    while (heap.size() > 1) {
      Node a = heap.top();
      heap.pop();
      Node b = heap.top();
      heap.pop();
      parent[a.second] = parent[b.second] = next;
      heap.push({a.first + b.first, next++});
    }
    int deepest = 0;
    for (size_t i = 0; i < n; i++) {
      if (!freq[i]) continue;
      int d = 0;
      for (int p = int(i); parent[p] >= 0; p = parent[p]) d++;
      len[i] = uint8_t(d);
      deepest = std::max(deepest, d);
    }
    if (deepest <= 16) return len;
    for (auto& f : freq)
      if (f) f = (f + 1) / 2;
  }
}

// Canonical codes in the decoder's order: by length, then by symbol.
std::vector<uint32_t> Codes(const std::vector<uint8_t>& len) {
  uint32_t count[17] = {0}, start[18] = {0};
  for (uint8_t l : len) count[l]++;
  count[0] = 0;
  for (int i = 1; i <= 16; i++) start[i + 1] = start[i] + (count[i] << (16 - i));
  std::vector<uint32_t> code(len.size(), 0);
  for (size_t ch = 0; ch < len.size(); ch++) {
    int l = len[ch];
    if (!l) continue;
    code[ch] = start[l] >> (16 - l);
    start[l] += 1u << (16 - l);
  }
  return code;
}

struct Table {
  std::vector<uint8_t> len;
  std::vector<uint32_t> code;
  int single = -1;  // the one symbol of a table that uses only one
};

Table MakeTable(const std::vector<uint32_t>& freq) {
  Table t;
  int used = 0, last = 0;
  for (size_t i = 0; i < freq.size(); i++)
    if (freq[i]) used++, last = int(i);
  if (used <= 1) {
    t.single = used ? last : 0;
    t.len.assign(freq.size(), 0);
    t.code.assign(freq.size(), 0);
    return t;
  }
  t.len = CodeLengths(freq);
  t.code = Codes(t.len);
  return t;
}

void PutSymbol(BitWriter& w, const Table& t, int s) {
  if (t.single < 0) w.Put(t.code[s], t.len[s]);
}

// Code-length and position tables: 3-bit lengths, 7 and up extended in unary.
void WritePtLen(BitWriter& w, const Table& t, int nbit, int special) {
  if (t.single >= 0) {
    w.Put(0, nbit);
    w.Put(uint32_t(t.single), nbit);
    return;
  }
  int n = int(t.len.size());
  while (n > 0 && t.len[n - 1] == 0) n--;
  w.Put(uint32_t(n), nbit);
  int i = 0;
  while (i < n) {
    int l = t.len[i++];
    if (l <= 6) {
      w.Put(uint32_t(l), 3);
    } else {
      w.Put(7, 3);
      for (int k = 7; k < l; k++) w.Put(1, 1);
      w.Put(0, 1);
    }
    if (i == special) {
      int k = 0;
      while (k < 3 && i + k < n && t.len[i + k] == 0) k++;
      w.Put(uint32_t(k), 2);
      i += k;
    }
  }
}

// The literal-and-length code lengths, as symbols of the code-length table.
std::vector<std::pair<int, int>> CLenSymbols(const std::vector<uint8_t>& clen) {
  std::vector<std::pair<int, int>> out;  // (T symbol, extra value)
  int n = NC;
  while (n > 0 && clen[n - 1] == 0) n--;
  for (int i = 0; i < n;) {
    if (clen[i] == 0) {
      int k = 0;
      while (i + k < n && clen[i + k] == 0) k++;
      i += k;
      if (k <= 2) {
        while (k--) out.push_back({0, 0});
      } else if (k <= 18) {
        out.push_back({1, k - 3});
      } else if (k == 19) {
        out.push_back({0, 0});
        out.push_back({1, 15});
      } else {
        out.push_back({2, k - 20});
      }
    } else {
      out.push_back({clen[i] + 2, 0});
      i++;
    }
  }
  return out;
}

int PositionSymbol(uint32_t pos) {
  int j = 0;
  while (pos >> j) j++;
  return j;  // 0 for 0, else the bit length
}

std::vector<Token> Tokens(const uint8_t* data, size_t size) {
  std::vector<Token> tokens;
  std::vector<int64_t> head(1 << 15, -1), prev(size, -1);
  auto hash = [&](size_t i) { return ((data[i] << 10) ^ (data[i + 1] << 5) ^ data[i + 2]) & 0x7FFF; };
  size_t i = 0;
  auto insert = [&](size_t at) {
    if (at + 2 < size) {
      int h = hash(at);
      prev[at] = head[h];
      head[h] = int64_t(at);
    }
  };
  while (i < size) {
    size_t bestLen = 0, bestDist = 0;
    if (i + 2 < size) {
      int chain = 0;
      for (int64_t j = head[hash(i)]; j >= 0 && chain < 64; j = prev[size_t(j)], chain++) {
        size_t dist = i - size_t(j);
        if (dist > kWindow) break;
        size_t l = 0;
        while (l < 256 && i + l < size && data[size_t(j) + l] == data[i + l]) l++;
        if (l > bestLen) bestLen = l, bestDist = dist;
      }
    }
    if (bestLen >= 3) {
      tokens.push_back({uint16_t(bestLen + 253), uint16_t(bestDist - 1)});
      for (size_t k = 0; k < bestLen; k++) insert(i + k);
      i += bestLen;
    } else {
      tokens.push_back({data[i], 0});
      insert(i);
      i++;
    }
  }
  return tokens;
}

}  // namespace

std::vector<uint8_t> Ar002TestPack(const uint8_t* data, size_t size, uint32_t blockSymbols) {
  std::vector<Token> tokens = Tokens(data, size);
  BitWriter w;
  for (size_t start = 0; start < tokens.size(); start += blockSymbols) {
    size_t end = std::min(tokens.size(), start + blockSymbols);
    std::vector<uint32_t> cfreq(NC, 0), pfreq(NP, 0), tfreq(NT, 0);
    for (size_t i = start; i < end; i++) {
      cfreq[tokens[i].symbol]++;
      if (tokens[i].symbol > 255) pfreq[PositionSymbol(tokens[i].position)]++;
    }
    Table c = MakeTable(cfreq), p = MakeTable(pfreq);
    std::vector<std::pair<int, int>> clenSymbols;
    if (c.single < 0) {
      clenSymbols = CLenSymbols(c.len);
      for (auto& s : clenSymbols) tfreq[s.first]++;
    }
    Table t = MakeTable(tfreq);

    w.Put(uint32_t(end - start), 16);
    WritePtLen(w, t, 5, 3);
    if (c.single >= 0) {
      w.Put(0, 9);
      w.Put(uint32_t(c.single), 9);
    } else {
      int n = NC;
      while (n > 0 && c.len[n - 1] == 0) n--;
      w.Put(uint32_t(n), 9);
      for (auto& s : clenSymbols) {
        PutSymbol(w, t, s.first);
        if (s.first == 1) w.Put(uint32_t(s.second), 4);
        if (s.first == 2) w.Put(uint32_t(s.second), 9);
      }
    }
    WritePtLen(w, p, 4, -1);
    for (size_t i = start; i < end; i++) {
      PutSymbol(w, c, tokens[i].symbol);
      if (tokens[i].symbol > 255) {
        uint32_t pos = tokens[i].position;
        int j = PositionSymbol(pos);
        PutSymbol(w, p, j);
        if (j > 1) w.Put(pos - (1u << (j - 1)), j - 1);
      }
    }
  }
  w.Flush();
  return w.out;
}

std::vector<uint8_t> Ar002TestContainer(const std::vector<uint8_t>& data, uint32_t blockSymbols) {
  std::vector<uint8_t> packed = Ar002TestPack(data.data(), data.size(), blockSymbols);
  std::vector<uint8_t> out;
  auto put32 = [&](uint32_t v) {
    for (int s = 24; s >= 0; s -= 8) out.push_back(uint8_t(v >> s));
  };
  put32(uint32_t(data.size()));
  put32(uint32_t(packed.size()));
  out.insert(out.end(), packed.begin(), packed.end());
  return out;
}

}  // namespace tamrel_test
