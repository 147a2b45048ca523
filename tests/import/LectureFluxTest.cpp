// What remains of the document stream, read at once within a bound.
#include "import/LectureFlux.h"

#include <gtest/gtest.h>

#include <vector>

#include "system/QrvFiles.h"

// A stream within the bound is read whole, an empty one gives nothing; one
// past the bound is refused before a byte is taken.
TEST(LectureFlux, TheRestOfTheStreamWithinItsBound) {
  const std::vector<uint8_t> source{'X', ':', '1', '\n', 'K'};
  struct Cas {
    uint32_t taille;
    int64_t maximum;
    bool lu;
  } cas[] = {{5, 5, true}, {5, 100, true}, {0, 10, true}, {5, 4, false}};
  for (const Cas& c : cas) {
    FixeLectureSurPtr(source.data(), c.taille);
    std::vector<uint8_t> octets{1, 2, 3};
    EXPECT_EQ(LitResteFlux(c.maximum, &octets), c.lu) << c.taille << " " << c.maximum;
    if (c.lu) {
      EXPECT_EQ(octets, std::vector<uint8_t>(source.begin(), source.begin() + c.taille)) << c.taille;
      EXPECT_EQ(GetStreamRemaining(), 0);
    } else {
      EXPECT_TRUE(octets.empty());
      EXPECT_EQ(GetStreamRemaining(), c.taille);
    }
    TermineSurPtr();
  }
}
