#pragma once
// Shared by the notation tests: the music font activated, a resolution, a
// pixel-less port (as pages are drawn) whose drawing is recorded into a
// picture and listed one operation per line.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "layout/DonneesModeGraphique.h"
#include "layout/ModeGraphique.h"
#include "layout/Zoom.h"
#include "notation/Alterations.h"
#include "platform/PictDump.h"
#include "platform/Pictures.h"
#include "platform/QuickDraw.h"
#include "plugin/Preferences.h"
#include "support/TestPaths.h"
#include "text/Fontes.h"

// The operations drawn while f ran, one per line, without the picture's
// header, clip and music-font switches.
inline std::vector<std::string> Enregistre(const std::function<void()>& f) {
  Rect r{-2000, -2000, 2000, 2000};
  CGrafPtr avant;
  GDHandle device;
  GetGWorld(&avant, &device);
  DialogPtr d = NewColorDialog(nullptr, &r, nullptr, false, 0, nullptr, false, 0, nullptr);
  SetGWorld(GetDialogPort(d), nullptr);
  PicHandle pic = OpenPicture(&r);
  f();
  ClosePicture();
  std::string dump;
  PictDumpHandle(pic, dump);
  KillPicture(pic);
  SetGWorld(avant, device);
  DisposeDialog(d);
  std::vector<std::string> ops;
  std::istringstream in(dump);
  std::string line;
  while (std::getline(in, line)) {
    if (line.rfind("Picture", 0) == 0 || line.rfind("HeaderOp", 0) == 0 || line.rfind("Clip", 0) == 0 ||
        line.rfind("ShortComment 547", 0) == 0 || line == "OpEndPic" || line.empty())
      continue;
    ops.push_back(line);
  }
  return ops;
}

// Only the lines that start with one of the prefixes.
inline std::vector<std::string> Filtre(const std::vector<std::string>& ops,
                                       std::initializer_list<const char*> prefixes) {
  std::vector<std::string> out;
  for (const std::string& op : ops)
    for (const char* p : prefixes)
      if (op.rfind(p, 0) == 0) {
        out.push_back(op);
        break;
      }
  return out;
}

// The music glyphs drawn, in order (the text operations' bytes).
inline std::vector<int> Glyphes(const std::vector<std::string>& ops) {
  std::vector<int> out;
  for (const std::string& op : ops) {
    if (op.rfind("LongText", 0) != 0 && op.rfind("DHText", 0) != 0 && op.rfind("DVText", 0) != 0 &&
        op.rfind("DHDVText", 0) != 0)
      continue;
    const size_t q = op.find('"');
    for (size_t i = q + 1; i < op.size() && op[i] != '"'; i++) {
      if (op[i] == '\\' && i + 3 < op.size() && op[i + 1] == 'x') {
        out.push_back(std::stoi(op.substr(i + 2, 2), nullptr, 16));
        i += 3;
      } else {
        out.push_back(uint8_t(op[i]));
      }
    }
  }
  return out;
}

inline void ActiveFonteMusicale() {
  ASSERT_TRUE(ActiveFonteVellari((tamrel_test::BundlePath() + "/Resources/SVELLARI.TTF").c_str()));
}

// A resolution of 72 dpi, the default graphic mode and plain lines; put back
// as they were afterwards.
struct EnvNotation {
  int16_t dpi = GetDpiDest();
  Preferences prefs = pref;
  ModeGraphique mode = GModeGraphique;
  uint8_t alterations[kNbLignesAlteration];
  EnvNotation() {
    // The accidentals in force are the bar walk's scratch: each test starts
    // from none, as a walk starts from its bar's key.
    std::memcpy(alterations, AlterationCourante, sizeof alterations);
    std::memset(AlterationCourante, 0, sizeof AlterationCourante);
    SetDpiDest(72);
    GetDefautModeGraphique(&GModeGraphique);
    pref.traitsAntialias = 0;
  }
  ~EnvNotation() {
    SetDpiDest(dpi);
    pref = prefs;
    GModeGraphique = mode;
    std::memcpy(AlterationCourante, alterations, sizeof alterations);
  }
};

// The music font active and the environment above.
struct NotationTest : ::testing::Test {
  EnvNotation env;
  static void SetUpTestSuite() { ActiveFonteMusicale(); }
};
