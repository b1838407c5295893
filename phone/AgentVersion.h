#pragma once
// The version of the phone-side agent this tree builds: what 870003 answers and the package's
// versionCode (the package build reads the number from the line below). From 21 on the agent may
// answer kAgentRefused.
#include <cstdint>

namespace zorvik::phone {

inline constexpr int32_t kPhoneAgentVersion = 21;

}  // namespace zorvik::phone
