#pragma once
// Fixtures checked before use: a missing fixture fails the test and names
// its path, instead of handing the code under test an empty input.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "support/TestPaths.h"

namespace tamrel_test {

inline ::testing::AssertionResult HasData(const std::string& name) {
  std::error_code ec;
  if (std::filesystem::is_regular_file(DataPath(name), ec)) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << "missing fixture " << DataPath(name);
}

inline ::testing::AssertionResult ReadData(const std::string& name, std::string* bytes) {
  if (ReadDataFile(name, bytes)) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << "missing or empty fixture " << DataPath(name);
}

}  // namespace tamrel_test
