#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "platform/Fonts.h"
#include "platform/Memory.h"
#include "platform/Trace.h"
#include "text/Fontes.h"

namespace {

struct Miss {
  std::string requested, tried;
  int16_t number;
  bool substituted;
};
std::vector<Miss> gMisses;
void Record(const char* requested, const char* tried, int16_t number, bool substituted) {
  gMisses.push_back({requested, tried, number, substituted});
}

// An equivalence table for the duration of a test.
struct Table {
  explicit Table(std::initializer_list<std::pair<const char*, const char*>> rows) {
    Handle h = NewHandleClear(static_cast<Size>(rows.size() * sizeof(FontEquivalent)));
    tabFNEq = reinterpret_cast<FontEquivalent**>(h);
    int i = 0;
    for (const auto& r : rows) {
      strcpy((*tabFNEq)[i].name, r.first);
      strcpy((*tabFNEq)[i].equivalent, r.second);
      i++;
    }
    nbFNEq = static_cast<int16_t>(rows.size());
  }
  ~Table() {
    DisposeHandle(reinterpret_cast<Handle>(tabFNEq));
    tabFNEq = nullptr;
    nbFNEq = 0;
  }
};

TEST(FontLookup, EmptyTableMissingFont) {
  gMisses.clear();
  ExtendedSetFontConversionCallback(Record);
  int16_t n = 77;
  char used[256] = "x";
  EXPECT_EQ(GetClosestIDFontFromName("No Such Font", &n, used), 2);
  EXPECT_EQ(n, 1);
  EXPECT_STREQ(used, "");
  ASSERT_EQ(gMisses.size(), 1u);
  EXPECT_EQ(gMisses[0].requested, "No Such Font");
  EXPECT_FALSE(gMisses[0].substituted);
  // Installed names (aliases too) answer 0 with their number, no callback.
  EXPECT_EQ(GetClosestIDFontFromName("Times", &n, nullptr), 0);
  EXPECT_EQ(n, 20);
  EXPECT_EQ(gMisses.size(), 1u);
  ExtendedSetFontConversionCallback(nullptr);
}

TEST(FontLookup, EquivalenceTable) {
  Table t{{"MyFont", "Arial"},
          {"Gone", "Nowhere"},
          {"Same", "SAME"},
          {"ToDefault", "default"},
          {"Times New Roman", "Liberation Serif"}};
  gMisses.clear();
  ExtendedSetFontConversionCallback(Record);
  int16_t n = 0;
  char used[256];
  EXPECT_EQ(GetClosestIDFontFromName("myfont", &n, used), 1);
  EXPECT_EQ(n, FontNumberForName("Arial"));
  EXPECT_STREQ(used, "Arial");
  SetTraceEnabled(true);
  testing::internal::CaptureStderr();
  EXPECT_EQ(GetClosestIDFontFromName("Gone", &n, used), 1);
  std::string err = testing::internal::GetCapturedStderr();
  SetTraceEnabled(false);
  EXPECT_EQ(n, 1);
  EXPECT_NE(err.find("GetIDFontSelonNom: font 'Nowhere' not found"), std::string::npos) << err;
  EXPECT_TRUE(gMisses.back().substituted);
  EXPECT_EQ(GetClosestIDFontFromName("Same", &n, used), 2);
  EXPECT_EQ(n, 1);
  // Sent to "Default": the default's equivalent is tried.
  EXPECT_EQ(GetClosestIDFontFromName("ToDefault", &n, used), 2);
  EXPECT_STREQ(used, "Liberation Serif");
  EXPECT_EQ(n, FontNumberForName("Liberation Serif"));
  char eq[256] = "";
  EXPECT_EQ(FontEQNameNoDefault("nope", eq), -1);
  EXPECT_EQ(FontEQNameNoDefault("ToDefault", eq), 0);
  // A count beyond the handle is not followed.
  nbFNEq = 1000;
  EXPECT_EQ(FontEQNameNoDefault("nope", eq), -1);
  nbFNEq = 5;
  ExtendedSetFontConversionCallback(nullptr);
}

TEST(FontLists, AddOnceAndDropWhenFull) {
  ClrListeFontInconnue();
  AddFontInconnue("Geneva", 0);
  AddFontInconnue("GENEVA", 0);
  AddFontInconnue("Osaka", 0);
  AddFontInconnue("Foo=>Bar", 1);
  EXPECT_STREQ(strLibFontesInconnues, "Geneva,Osaka");
  EXPECT_STREQ(strLibFontesSubstitues, "Foo=>Bar");
  std::string name(120, 'x');
  AddFontInconnue(name.c_str(), 0);
  name[0] = 'y';
  AddFontInconnue(name.c_str(), 0);  // 12 + 1 + 120 + 120 would pass 253
  EXPECT_EQ(strlen(strLibFontesInconnues), 12u + 1 + 120);
  GetFontesPrefs().listUnknownFonts = 0;
  AddFontInconnue("Other", 0);
  EXPECT_EQ(strstr(strLibFontesInconnues, "Other"), nullptr);
  GetFontesPrefs().listUnknownFonts = 1;
  ClrListeFontInconnue();
  EXPECT_STREQ(strLibFontesInconnues, "");
  EXPECT_STREQ(strLibFontesSubstitues, "");
}

TEST(MusicFontChoice, ScreenSizesAndPrintMode) {
  ASSERT_TRUE(ActiveFonteVellari((std::string(TAMREL_BUNDLE) + "/Resources/SVELLARI.TTF").c_str()));
  EXPECT_GT(vellariPrint, 0);
  // All four name the same font here; give them distinct values to see the choice.
  int16_t p = vellariPrint;
  vellariScreen54 = 5401;
  vellariScreen72 = 7201;
  vellariScreen108 = 10801;
  EXPECT_EQ(ChoixFonteVellari(54), 5401);
  EXPECT_EQ(ChoixFonteVellari(42), 5401);
  EXPECT_EQ(ChoixFonteVellari(55), p);
  EXPECT_EQ(ChoixFonteVellari(72), 7201);
  EXPECT_EQ(ChoixFonteVellari(108), 10801);
  EXPECT_TRUE(IsFonteVellariScreen(7201));
  SetModeVellariPrint(1);
  EXPECT_EQ(ChoixFonteVellari(54), p);
  SetModeVellariPrint(0);
  GetFontesPrefs().musicPrintFontAlways = 1;
  EXPECT_EQ(ChoixFonteVellari(72), p);
  GetFontesPrefs().musicPrintFontAlways = 0;
  ActiveFonteVellari(nullptr);  // already active: numbers restored
  EXPECT_EQ(vellariScreen54, p);
}

int16_t TenEach(uint8_t) { return 10; }

TEST(MusicFontWidths, FixedDigitWidths) {
  EXPECT_EQ(CalculeLargeurCaracteresMusicaux("12", 24, TenEach), 5);  // (192 + 249) x 24 / 2040
  EXPECT_EQ(CalculeLargeurCaracteresMusicaux("", 24, TenEach), 0);
  EXPECT_EQ(CalculeLargeurCaracteresMusicaux("3+2", 2040, TenEach), 266 + 229 + 249);
  EXPECT_EQ(CalculeLargeurCaracteresMusicaux("c", 24, TenEach), 10);
  EXPECT_EQ(CalculeLargeurCaracteresMusicaux("1c", 2040, TenEach), 192 + 10);
}

}  // namespace
