#pragma once
// Read before every C++ source of the phone library (-include): libstdc++'s configuration, as the
// compilers' glibc build wrote it, adjusted to a library that links against bionic alone.
#include <bits/c++config.h>

// No libstdc++.so on the phone: every template is instantiated where it is used instead of being
// declared as compiled into the library.
#undef _GLIBCXX_EXTERN_TEMPLATE
#define _GLIBCXX_EXTERN_TEMPLATE 0

// Timed waits on a chosen clock arrived in bionic only with API 30: wait on the realtime clock
// as libstdc++ does where they are missing.
#undef _GLIBCXX_USE_PTHREAD_COND_CLOCKWAIT
#undef _GLIBCXX_USE_PTHREAD_MUTEX_CLOCKLOCK
#undef _GLIBCXX_USE_PTHREAD_RWLOCK_CLOCKLOCK
