#pragma once
// Reading back the operations of a recorded picture, one per line as the
// picture dump lists them: the lines drawn and the texts written, at the
// absolute points that the relative opcodes leave to the pen.
#include <array>
#include <cstdio>
#include <string>
#include <vector>

namespace tamrel_test {

// Lines drawn, as absolute {x1, y1, x2, y2} whatever opcode recorded them.
inline std::vector<std::array<int, 4>> LignesEnregistrees(const std::vector<std::string>& ops) {
  std::vector<std::array<int, 4>> out;
  int pv = 0, ph = 0;
  auto ajoute = [&](int h1, int v1, int h2, int v2) {
    out.push_back({h1, v1, h2, v2});
    ph = h2;
    pv = v2;
  };
  for (const std::string& op : ops) {
    int v1, h1, v2, h2, dh, dv;
    if (std::sscanf(op.c_str(), "Line (%d,%d) (%d,%d)", &v1, &h1, &v2, &h2) == 4) ajoute(h1, v1, h2, v2);
    else if (std::sscanf(op.c_str(), "ShortLine (%d,%d) %d %d", &v1, &h1, &dh, &dv) == 4)
      ajoute(h1, v1, h1 + dh, v1 + dv);
    else if (std::sscanf(op.c_str(), "ShortLineFrom %d %d", &dh, &dv) == 2) ajoute(ph, pv, ph + dh, pv + dv);
    else if (std::sscanf(op.c_str(), "LineFrom (%d,%d)", &v2, &h2) == 2) ajoute(ph, pv, h2, v2);
  }
  return out;
}

// A text written, at its absolute origin.
struct TexteEnregistre {
  int h, v;
  std::string texte;
};

// The texts written, each at the origin its opcode gives or moves to.
inline std::vector<TexteEnregistre> TextesEnregistres(const std::vector<std::string>& ops) {
  std::vector<TexteEnregistre> out;
  int h = 0, v = 0;
  for (const std::string& op : ops) {
    int a = 0, b = 0;
    if (std::sscanf(op.c_str(), "LongText (%d,%d)", &a, &b) == 2) {
      v = a;
      h = b;
    } else if (std::sscanf(op.c_str(), "DHDVText %d %d", &a, &b) == 2) {
      h += a;
      v += b;
    } else if (std::sscanf(op.c_str(), "DHText %d", &a) == 1) {
      h += a;
    } else if (std::sscanf(op.c_str(), "DVText %d", &b) == 1) {
      v += b;
    } else {
      continue;
    }
    const size_t q = op.find('"');
    const size_t r = op.rfind('"');
    out.push_back({h, v, q != std::string::npos && r > q ? op.substr(q + 1, r - q - 1) : std::string()});
  }
  return out;
}

}  // namespace tamrel_test
