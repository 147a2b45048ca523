#pragma once
// Where tests find their fixtures, the shared corpus and the built bundle.
#include <string>

namespace tamrel_test {
inline std::string DataPath(const std::string& name) { return std::string(TAMREL_TEST_DATA) + "/" + name; }
inline std::string CorpusPath(const std::string& name) { return std::string(TAMREL_CORPUS) + "/" + name; }
inline std::string BundlePath() { return TAMREL_BUNDLE; }
inline std::string HostPath() { return TAMREL_HOST; }
}  // namespace tamrel_test
