// Prints the agent's framework table as claims for tests/native/android/tools/ApiListingCheck.java.
#include "phone/android/jni/Framework.h"

#include <cstdio>

int main() {
  const std::string claims = zorvik::phone::jni::frameworkClaims();
  return std::fwrite(claims.data(), 1, claims.size(), stdout) == claims.size() ? 0 : 1;
}
