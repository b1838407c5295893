# One Android ABI built with Debian's GNU compilers: ZORVIK_ANDROID_ABI is arm64-v8a, armeabi-v7a or
# x86_64. The compilers' own C library headers are glibc's; the library links against stand-ins of
# bionic's libraries instead (phone/android/bionic), so the link itself refuses what bionic lacks.
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_TRY_COMPILE_TARGET_TYPE STATIC_LIBRARY)
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES ZORVIK_ANDROID_ABI)

if(ZORVIK_ANDROID_ABI STREQUAL "arm64-v8a")
  set(CMAKE_SYSTEM_PROCESSOR aarch64)
  set(triplet aarch64-linux-gnu)
  set(ZORVIK_ANDROID_ARCH arm64)
  # Atomics inline (ARMv8.0 instructions): the out-of-line ones ask glibc's __getauxval for LSE.
  set(abi_flags "-mno-outline-atomics")
elseif(ZORVIK_ANDROID_ABI STREQUAL "armeabi-v7a")
  set(CMAKE_SYSTEM_PROCESSOR armv7-a)
  # Android's 32-bit ARM ABI: ARMv7-A, Thumb-2, VFPv3-D16, arguments passed as for soft float.
  set(triplet arm-linux-gnueabi)
  set(ZORVIK_ANDROID_ARCH arm)
  set(abi_flags "-march=armv7-a -mthumb -mfloat-abi=softfp -mfpu=vfpv3-d16")
elseif(ZORVIK_ANDROID_ABI STREQUAL "x86_64")
  set(CMAKE_SYSTEM_PROCESSOR x86_64)
  set(triplet x86_64-linux-gnu)
  set(ZORVIK_ANDROID_ARCH x86_64)
  # Android's x86_64 baseline is SSE4.2 and POPCNT.
  set(abi_flags "-march=x86-64 -msse4.2 -mpopcnt")
else()
  message(FATAL_ERROR "ZORVIK_ANDROID_ABI must be arm64-v8a, armeabi-v7a or x86_64 (got '${ZORVIK_ANDROID_ABI}')")
endif()

set(CMAKE_C_COMPILER ${triplet}-gcc)
set(CMAKE_CXX_COMPILER ${triplet}-g++)
set(CMAKE_C_FLAGS_INIT "${abi_flags}")
set(CMAKE_CXX_FLAGS_INIT "${abi_flags}")
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
