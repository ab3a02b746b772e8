// Test helper: switches the C and the C++ global locale to one whose decimal point is a comma
// (de_DE.UTF-8) for the life of the object, and puts both back afterwards. Tests skip when the
// locale is not installed (scripts/install-deps.sh generates it).
#pragma once

#include <clocale>
#include <locale>
#include <stdexcept>
#include <string>

namespace ktpm::test {

class CommaDecimalLocale {
 public:
  static constexpr const char* kName = "de_DE.UTF-8";

  CommaDecimalLocale() {
    const char* previous = std::setlocale(LC_ALL, nullptr);
    m_previousC = previous != nullptr ? previous : "C";
    if (std::setlocale(LC_ALL, kName) == nullptr) return;
    try {
      m_previousCpp = std::locale::global(std::locale(kName));
      m_installed = true;
    } catch (const std::runtime_error&) {
      std::setlocale(LC_ALL, m_previousC.c_str());
    }
  }
  CommaDecimalLocale(const CommaDecimalLocale&) = delete;
  CommaDecimalLocale& operator=(const CommaDecimalLocale&) = delete;
  ~CommaDecimalLocale() {
    if (!m_installed) return;
    std::locale::global(m_previousCpp);
    std::setlocale(LC_ALL, m_previousC.c_str());
  }

  bool installed() const { return m_installed; }

 private:
  std::string m_previousC;
  std::locale m_previousCpp;
  bool m_installed = false;
};

}  // namespace ktpm::test
