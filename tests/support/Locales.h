#pragma once
// A stretch of a test run under a locale whose decimal mark is a comma, as in
// a host that calls setlocale(LC_ALL, ""); the previous locale comes back at
// the end. scripts/install-deps generates de_DE.UTF-8 for this.
#include <clocale>
#include <string>

namespace tamrel_test {

class DecimalCommaLocale {
 public:
  DecimalCommaLocale() {
    const char* current = std::setlocale(LC_ALL, nullptr);
    previous_ = current ? current : "C";
    for (const char* name : {"de_DE.UTF-8", "de_DE.utf8", "fr_FR.UTF-8", "fr_FR.utf8", "de_DE", "fr_FR"}) {
      if (!std::setlocale(LC_ALL, name)) continue;
      const std::lconv* lc = std::localeconv();
      if (lc && lc->decimal_point && std::string(lc->decimal_point) == ",") {
        active_ = true;
        return;
      }
    }
    std::setlocale(LC_ALL, previous_.c_str());
  }
  ~DecimalCommaLocale() { std::setlocale(LC_ALL, previous_.c_str()); }
  DecimalCommaLocale(const DecimalCommaLocale&) = delete;
  DecimalCommaLocale& operator=(const DecimalCommaLocale&) = delete;

  bool active() const { return active_; }
  static const char* Missing() {
    return "no locale with a decimal comma is installed (bash scripts/install-deps generates de_DE.UTF-8)";
  }

 private:
  std::string previous_;
  bool active_ = false;
};

}  // namespace tamrel_test
