// Language of lyrics: letters kept, repeats shortened, and the n-gram score
// over a small tree made here from a few lines per language.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "text/LangageParoles.h"
#include "text/TextEncodings.h"

namespace {

std::vector<UniChar> Letters(const std::string& utf8) {
  int32_t units = 0;
  EncodedStr u = UTFTextToUnicode(utf8.c_str(), 0, static_cast<int32_t>(utf8.size()), &units);
  std::vector<UniChar> out;
  for (int32_t i = 0; i < units; i++) {
    UniChar c = UnicodeCharMajuscule(reinterpret_cast<UniChar*>(u)[i]);
    if ((c >= 'A' && c <= 'Z') || (c >= 0x80 && !(c >= 0x2000 && c <= 0x2BFF))) out.push_back(c);
  }
  DisposeEncodedStr(u);
  return out;
}

// The loader's part: counts of every 1- to 4-gram of each language's lines.
void Train(const std::vector<std::string>& languages) {
  ASSERT_TRUE(InitLangageTree(static_cast<int32_t>(languages.size()), 1));
  std::map<std::vector<UniChar>, std::vector<int32_t>> counts;
  for (size_t l = 0; l < languages.size(); l++) {
    std::vector<UniChar> c = Letters(languages[l]);
    for (size_t i = 0; i < c.size(); i++) {
      for (size_t n = 1; n <= 4 && i + n <= c.size(); n++) {
        std::vector<UniChar> g(c.begin() + i, c.begin() + i + n);
        auto& v = counts[g];
        v.resize(languages.size());
        v[l]++;
      }
    }
  }
  for (auto& [g, v] : counts) ASSERT_TRUE(FixeCompteNGram(g.data(), static_cast<int32_t>(g.size()), v.data()));
}

class Langage : public testing::Test {
 protected:
  void TearDown() override { DisposeLangageTree(); }
};

const std::vector<std::string> kCorpus = {
    // 0 English
    "the river flows down to the sea and the wind is singing in the trees, where have all the flowers gone, "
    "long time passing, when will they ever learn, yesterday all my troubles seemed so far away, "
    "amazing grace how sweet the sound that saved a wretch like me, I once was lost but now am found",
    // 1 French
    "au clair de la lune mon ami pierrot, prete-moi ta plume pour ecrire un mot, ma chandelle est morte, "
    "je n'ai plus de feu, ouvre-moi ta porte pour l'amour de dieu, il \xC3\xA9tait une berg\xC3\xA8re qui "
    "gardait ses moutons, sur le pont d'avignon on y danse tous en rond, fr\xC3\xA8re jacques dormez-vous",
    // 2 German
    "stille nacht heilige nacht alles schl\xC3\xA4"
    "ft einsam wacht nur das traute hochheilige paar, "
    "freude sch\xC3\xB6ner g\xC3\xB6tterfunken tochter aus elysium, wir betreten feuertrunken himmlische dein "
    "heiligtum, der mond ist aufgegangen die goldnen sternlein prangen am himmel hell und klar",
    // 3 Italian
    "o sole mio sta nfronte a te, che bella cosa na jurnata e sole, volare oh oh cantare oh oh oh, "
    "nel blu dipinto di blu felice di stare lass\xC3\xB9, la donna \xC3\xA8 mobile qual piuma al vento, "
    "muta d'accento e di pensiero, va pensiero sull'ali dorate",
};

TEST_F(Langage, LyricLinesOfDifferentLanguages) {
  Train(kCorpus);
  struct {
    const char* line;
    int32_t language;
  } lines[] = {
      {"Where the river meets the sea, all the flowers sing to me", 0},
      {"Dormez-vous mon ami, la lune est morte sur le pont", 1},
      {"Die Sternlein prangen am Himmel, alles schl\xC3\xA4"
       "ft in der heiligen Nacht",
       2},
      {"Cantare nel sole, la donna felice sta nel vento dorato", 3},
  };
  for (const auto& l : lines) {
    float score = 0;
    EXPECT_EQ(DetermineIndexLangageTexte(l.line, static_cast<int32_t>(strlen(l.line)), &score), l.language) << l.line;
    EXPECT_LT(score, 0.0f);
    // The plug-in installs no voice language: the identifier stays unknown
    // while the score is still given.
    float s2 = 0;
    EXPECT_EQ(DetermineLangageTexte(l.line, static_cast<int32_t>(strlen(l.line)), &s2), 0);
    EXPECT_EQ(s2, score);
  }
}

TEST_F(Langage, TooFewLettersOrNoTreeGiveUnknown) {
  Train(kCorpus);
  float score = 1;
  // Digits, punctuation and general punctuation (U+2019) are not letters.
  const char* none[] = {"", "la la", "12 34 56 78, 90!",
                        "ab\xE2\x80\x99"
                        "c\xE2\x80\x99"
                        "d"};
  for (const char* t : none) {
    EXPECT_EQ(DetermineIndexLangageTexte(t, static_cast<int32_t>(strlen(t)), &score), -1) << t;
    EXPECT_EQ(score, 0.0f);
  }
  // U+00E9 is a letter: five of them are enough to be scored.
  EXPECT_GE(DetermineIndexLangageTexte("\xC3\xA9t\xC3\xA9t\xC3\xA9", 8, &score), 0);

  DisposeLangageTree();
  EXPECT_EQ(DetermineLangageTexte("the river flows down to the sea", 31, &score), 0);
  EXPECT_EQ(score, 0.0f);
  EXPECT_EQ(gNbNode, 0);  // reading texts adds no nodes
  EXPECT_FALSE(InitLangageTree(101, 1));
}

TEST_F(Langage, OneNGramScore) {
  ASSERT_TRUE(InitLangageTree(3, 2));
  const UniChar ab[] = {'A', 'B', 0};
  const int32_t c[] = {6, 0, 2};
  ASSERT_TRUE(FixeCompteNGram(ab, 2, c));
  float scores[3] = {0, 0, 0};
  EXPECT_EQ(BayesDetermineCallback(ab, scores, 2), 1);
  // A missing count takes the smoothing count: 6, 2, 2 over 10.
  EXPECT_FLOAT_EQ(scores[0], std::log(0.6f));
  EXPECT_FLOAT_EQ(scores[1], std::log(0.2f));
  EXPECT_FLOAT_EQ(scores[2], std::log(0.2f));
  // An n-gram the tree does not know costs every language 100.
  const UniChar zz[] = {'Z', 'Z', 0};
  BayesDetermineCallback(zz, scores, 2);
  EXPECT_FLOAT_EQ(scores[1], std::log(0.2f) - 100);
  EXPECT_EQ(GetTreeBranch(ab, 0), nullptr);
  EXPECT_NE(GetTreeBranch(zz, 2), nullptr);  // the loader's lookup makes it
}

std::u16string Shortened(std::u16string s) {
  std::vector<UniChar> v(s.begin(), s.end());
  v.push_back(0);
  RemoveRepeatsUnichars(v.data());
  return std::u16string(v.begin(), v.begin() + static_cast<long>(std::char_traits<UniChar>::length(v.data())));
}

TEST_F(Langage, RepeatedSyllablesAreShortened) {
  // "LA" (5 times) and "AL" (4) reach the threshold 4; each pair spends one
  // of its count as the run walks, and the run closes up where "AL" falls
  // below it: the first "LA" goes.
  EXPECT_EQ(Shortened(u"XLALALALALAY"), u"XLALALALAY");
  // Pairs below the threshold leave the text as it is.
  EXPECT_EQ(Shortened(u"ABCDEFGH"), u"ABCDEFGH");
  EXPECT_EQ(Shortened(u"A"), u"A");
  EXPECT_EQ(Shortened(u""), u"");
}

}  // namespace
