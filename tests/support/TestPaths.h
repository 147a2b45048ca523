#pragma once
// Where tests find their fixtures and the built bundle. Fixtures live in the
// repository's tests/data, so that a clone alone passes its tests.
#include <fstream>
#include <sstream>
#include <string>

namespace tamrel_test {
inline std::string DataPath(const std::string& name) { return std::string(TAMREL_TEST_DATA) + "/" + name; }
inline std::string BundlePath() { return TAMREL_BUNDLE; }
inline std::string HostPath() { return TAMREL_HOST; }
inline std::string ToolPath(const std::string& name) { return std::string(TAMREL_TOOLS) + "/" + name; }

// The whole of a fixture; false when it is missing or empty.
inline bool ReadDataFile(const std::string& name, std::string* bytes) {
  std::ifstream in(DataPath(name), std::ios::binary);
  if (!in) return false;
  std::stringstream ss;
  ss << in.rdbuf();
  *bytes = ss.str();
  return !bytes->empty();
}
}  // namespace tamrel_test
