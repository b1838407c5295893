// 870002 replies of any shape: the reader stays inside the body.
#include "info/Feedback.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const auto facts = zorvik::parsePhoneFacts(data, size);
  if (facts && (size < 16 || facts->model.size() > 2 * size)) std::abort();
  return 0;
}
