#pragma once
// Shared by the sound tests: a score in a document of its own, and the
// reporters' lines captured around a call.
#include <gtest/gtest.h>

#include <limits.h>
#include <stdlib.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "model/Document.h"
#include "model/Partition.h"
#include "model/QRVPOBJ.h"
#include "model/Vues.h"
#include "platform/Memory.h"
#include "platform/SpecialFolders.h"
#include "platform/Trace.h"
#include "sound/Flux.h"
#include "system/TempFiles.h"

namespace tamrel_test {

class PartitionSon {
 public:
  PartitionSon() {
    doc_ = reinterpret_cast<Document*>(NewPtrClear(Size(sizeof(Document))));
    score_ = NewPartition(doc_);
  }
  ~PartitionSon() {
    while (doc_->nbPartitions > 0) SupprimePartition(doc_, doc_->partitions[doc_->nbPartitions - 1]);
    DisposeVuesDocument(doc_);
    DisposePtr(reinterpret_cast<Ptr>(doc_));
  }
  Partition** score() const { return score_; }
  Partition* operator->() const { return *score_; }

 private:
  Document* doc_ = nullptr;
  Partition** score_ = nullptr;
};

// Sample streams in a temporary folder of their own, with the temporary
// memory cap and the stream and file tables put back afterwards.
class FluxTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char cwd[PATH_MAX];
    ASSERT_NE(getcwd(cwd, sizeof cwd), nullptr);
    depart_ = cwd;
    char modele[] = "/tmp/flux-XXXXXX";
    ASSERT_NE(mkdtemp(modele), nullptr);
    char canon[PATH_MAX];
    ASSERT_NE(realpath(modele, canon), nullptr);
    dossier_ = canon;
    SetTemporaryFolderPath(dossier_.c_str());
    PathTmp = {0, 0};
    NomPathTmp[0] = 0;
    cap_ = GetTempMemCap();
  }
  void TearDown() override {
    for (int32_t i = 1; i < nbFlux; i++) DisposeFlux(i);
    SetTempMemCap(cap_);
    PathTmp = {0, 0};
    NomPathTmp[0] = 0;
    ASSERT_EQ(chdir(depart_.c_str()), 0);
    const std::string cmd = "rm -rf '" + dossier_ + "'";
    EXPECT_EQ(std::system(cmd.c_str()), 0);
  }
  // Files left in the folder (streams' files are removed with them).
  int Fichiers() const {
    int n = 0;
    for (const auto& e : std::filesystem::directory_iterator(dossier_)) n += e.is_regular_file() ? 1 : 0;
    return n;
  }

  std::string depart_, dossier_;
  Size cap_ = 0;
};

// What the reporters said while f ran (they speak only under trace).
template <typename F>
std::string Messages(F f) {
  const bool trace = TraceEnabled();
  SetTraceEnabled(true);
  testing::internal::CaptureStderr();
  f();
  std::string out = testing::internal::GetCapturedStderr();
  SetTraceEnabled(trace);
  return out;
}

}  // namespace tamrel_test
