// The object brackets around structural edits: they nest, and a save is held
// whether or not any staff had lyrics.
#include <gtest/gtest.h>

#include <string>

#include "ModelFixtures.h"
#include "model/PreservePositions.h"
#include "platform/Trace.h"

namespace {

struct PreserveTest : ::testing::Test {
  Document* doc = NouveauDocument();
  Partition** score = NewPartition(doc);
  ~PreserveTest() override {
    SetIsPreserveObjects(1);
    LibereDocument(doc);
  }
  // What the reporters said while f ran.
  template <typename F>
  std::string Messages(F f) {
    bool trace = TraceEnabled();
    SetTraceEnabled(true);
    testing::internal::CaptureStderr();
    f();
    std::string out = testing::internal::GetCapturedStderr();
    SetTraceEnabled(trace);
    return out;
  }
};

TEST_F(PreserveTest, BracketsNestAndRestoreWithoutLyrics) {
  // No staff has lyrics or chord texts: the save is held all the same and
  // the closing puts the other objects back.
  EXPECT_EQ(Messages([&] {
              PreserveObjetsPartitionAvantChangement(score);
              PreserveObjetsPartitionAvantChangement(score);
              RestaureObjetsPartitionApresChangement(score);
              RestaureObjetsPartitionApresChangement(score);
              // The next edit saves afresh.
              PreserveObjetsPartitionAvantChangement(score);
              RestaureObjetsPartitionApresChangement(score);
            }),
            "");
  EXPECT_NE(Messages([&] { RestaureObjetsPartitionApresChangement(score); }).find("no save"), std::string::npos);
  // A closing without an opening leaves the next bracket whole.
  EXPECT_EQ(Messages([&] {
              PreserveObjetsPartitionAvantChangement(score);
              RestaureObjetsPartitionApresChangement(score);
            }),
            "");
}

TEST_F(PreserveTest, SwitchedOffBracketsDoNothing) {
  SetIsPreserveObjects(0);
  EXPECT_EQ(GetIsPreserveObjects(), 0);
  EXPECT_EQ(Messages([&] {
              RestaureObjetsPartitionApresChangement(score);
              PreserveObjetsPartitionAvantChangement(score);
            }),
            "");
  // An opening made while switched off left nothing to close.
  SetIsPreserveObjects(1);
  EXPECT_NE(Messages([&] { RestaureObjetsPartitionApresChangement(score); }).find("no save"), std::string::npos);
}

}  // namespace
