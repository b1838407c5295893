#pragma once
// The calling thread's errno. The package's native library is compiled against the build host's
// C headers and linked against bionic, whose errno is reached through __errno() (the C library of
// this host names it otherwise), so phone/ code reads it through here.
#if defined(ZORVIK_ANDROID)
extern "C" int* __errno(void);
#define ZORVIK_ERRNO (*__errno())
#else
#include <errno.h>
#define ZORVIK_ERRNO errno
#endif
#include <errno.h>  // the E... values, the same on both
