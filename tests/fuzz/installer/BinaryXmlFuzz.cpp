// Any bytes as a compiled manifest: nothing is read outside them, and any text the decoder writes
// either parses or is refused by the XML reader, then goes through the analysis.
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "installer/BinaryXml.h"
#include "installer/ManifestAnalysis.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  zorvik::ManifestFlags flags;
  auto text = zorvik::decodeManifest(bytes, &flags);
  if (!text) return 0;
  if (text->rfind("<?xml version=\"1.0\" encoding=\"utf-8\"?>\n", 0) != 0) std::abort();
  // The flag comes from an attribute the text names too.
  if (flags.featureSplit && text->find(" isFeatureSplit=\"") == std::string::npos) std::abort();
  zorvik::ManifestInfo info;
  zorvik::analyseManifest(*text, info);
  zorvik::resultTree(info);
  return 0;
}
