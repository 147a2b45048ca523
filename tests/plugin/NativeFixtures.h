#pragma once
// Reading native documents written by the test writer: the bytes go to a
// file of a private folder, which is opened as the document byte stream (an
// LZW stretch is read from a file) and handed to the native reader.
#include <cstdio>
#include <string>
#include <vector>

#include "PluginFixtures.h"
#include "model/Document.h"
#include "platform/Memory.h"
#include "plugin/LectureDocument.h"
#include "plugin/PiloteRequete.h"
#include "system/QrvFiles.h"

namespace tamrel_test {

class NativeReader {
 public:
  ~NativeReader() { Release(); }

  // Reads the bytes as a document into a fresh record; the reader's result.
  int16_t Load(const std::vector<uint8_t>& bytes) {
    Release();
    // A new file each time: rewriting one in place makes the file system
    // flush it on every close, which is slow.
    if (!path_.empty()) std::remove(path_.c_str());
    path_ = folder_.Ecrit("doc" + std::to_string(++count_) + ".qrv", std::string(bytes.begin(), bytes.end()));
    if (!OrvantaOpenFile(path_.c_str(), "rb")) return -1;
    doc_ = reinterpret_cast<Document*>(NewPtrClear(Size(sizeof(Document))));
    // As the request driver prepares it.
    doc_->indexPartitionCourante = -1;
    doc_->indexVueCourante = -1;
    doc_->orientation = 1;
    const int16_t result = ChargeMusiqueStandard(doc_);
    CloseFile();
    return result;
  }
  Document* doc() const { return doc_; }
  Document* operator->() const { return doc_; }
  void Release() {
    DisposeDocument(doc_);
    doc_ = nullptr;
    VersionQuarvelLoad = 0;
  }

 private:
  DossierTemp folder_;
  std::string path_;
  int count_ = 0;
  Document* doc_ = nullptr;
};

}  // namespace tamrel_test
