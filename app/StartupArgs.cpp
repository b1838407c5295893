#include "app/StartupArgs.h"

#include <cctype>

namespace zorvik {

bool isHiddenStart(const std::string& commandLine) {
  auto slash = commandLine.rfind('/');
  if (slash == std::string::npos) return false;
  std::string rest = commandLine.substr(slash + 1);
  // The shell may hand us the argument quoted or with trailing blanks.
  while (!rest.empty() && (rest.back() == '"' || std::isspace(static_cast<unsigned char>(rest.back()))))
    rest.pop_back();
  static const char kHide[] = "hide";
  if (rest.size() != 4) return false;
  for (size_t i = 0; i < 4; ++i)
    if (std::tolower(static_cast<unsigned char>(rest[i])) != kHide[i]) return false;
  return true;
}

}  // namespace zorvik
