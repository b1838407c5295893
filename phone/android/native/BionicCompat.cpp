// The C++ runtime pieces the phone library needs with no C++ runtime library on the phone: it links
// against bionic alone, so allocation, static-local guards, the clocks and the library's error
// paths are defined here. The library is built without exceptions: every error path that would
// throw ends the process with a line in the log instead.
#include <android/log.h>
#include <pthread.h>
#include <time.h>

#include <bits/functexcept.h>
#include <cassert>
#include <cerrno>
#include <chrono>
#include <memory>
#include <cstdlib>
#include <new>

extern "C" {
int* __errno();  // bionic's errno
[[noreturn]] void __assert2(const char* file, int line, const char* function, const char* expression);
}

namespace {

[[noreturn]] void fatal(const char* what) {
  __android_log_write(ANDROID_LOG_FATAL, "zorvik", what);
  abort();
}

void* allocate(size_t size) {
  void* p = malloc(size ? size : 1);
  if (!p) fatal("out of memory");
  return p;
}

void* allocateAligned(size_t size, std::align_val_t alignment) {
  void* p = nullptr;
  size_t align = static_cast<size_t>(alignment);
  if (align < sizeof(void*)) align = sizeof(void*);
  if (posix_memalign(&p, align, size ? size : 1) != 0) fatal("out of memory");
  return p;
}

// Static locals: byte 0 of a guard says "initialised" (the test the compiler inlines; on ARM it
// reads bit 0 of the word, the same bit), byte 1 says "being initialised by some thread".
pthread_mutex_t guardLock = PTHREAD_MUTEX_INITIALIZER;
pthread_cond_t guardDone = PTHREAD_COND_INITIALIZER;

unsigned char* guardBytes(void* guard) { return static_cast<unsigned char*>(guard); }

}  // namespace

extern "C" {

// The library shares no objects with others; the linker wants the symbol for __cxa_atexit.
__attribute__((visibility("hidden"))) void* __dso_handle = &__dso_handle;

// libstdc++ skips atomic reference counts while glibc says the process has one thread; bionic
// says nothing of the kind, so the counts are always atomic.
__attribute__((visibility("hidden"))) char __libc_single_threaded = 0;

// glibc's headers name these; bionic spells them its own way.
int* __errno_location() noexcept { return __errno(); }
void __assert_fail(const char* expression, const char* file, unsigned int line, const char* function) noexcept {
  __assert2(file, static_cast<int>(line), function, expression);
}

void __cxa_pure_virtual() { fatal("pure virtual call"); }
void __cxa_deleted_virtual() { fatal("deleted virtual call"); }

int __cxa_guard_acquire(void* guard) {
  unsigned char* g = guardBytes(guard);
  if (__atomic_load_n(&g[0], __ATOMIC_ACQUIRE)) return 0;
  pthread_mutex_lock(&guardLock);
  while (g[1]) pthread_cond_wait(&guardDone, &guardLock);
  const int mine = g[0] ? 0 : 1;
  if (mine) g[1] = 1;
  pthread_mutex_unlock(&guardLock);
  return mine;
}

void __cxa_guard_release(void* guard) {
  unsigned char* g = guardBytes(guard);
  pthread_mutex_lock(&guardLock);
  __atomic_store_n(&g[0], 1, __ATOMIC_RELEASE);
  g[1] = 0;
  pthread_cond_broadcast(&guardDone);
  pthread_mutex_unlock(&guardLock);
}

void __cxa_guard_abort(void* guard) {
  unsigned char* g = guardBytes(guard);
  pthread_mutex_lock(&guardLock);
  g[1] = 0;
  pthread_cond_broadcast(&guardDone);
  pthread_mutex_unlock(&guardLock);
}

}  // extern "C"

void* operator new(size_t size) { return allocate(size); }
void* operator new[](size_t size) { return allocate(size); }
void* operator new(size_t size, const std::nothrow_t&) noexcept { return malloc(size ? size : 1); }
void* operator new[](size_t size, const std::nothrow_t&) noexcept { return malloc(size ? size : 1); }
void* operator new(size_t size, std::align_val_t a) { return allocateAligned(size, a); }
void* operator new[](size_t size, std::align_val_t a) { return allocateAligned(size, a); }
void operator delete(void* p) noexcept { free(p); }
void operator delete[](void* p) noexcept { free(p); }
void operator delete(void* p, size_t) noexcept { free(p); }
void operator delete[](void* p, size_t) noexcept { free(p); }
void operator delete(void* p, const std::nothrow_t&) noexcept { free(p); }
void operator delete[](void* p, const std::nothrow_t&) noexcept { free(p); }
void operator delete(void* p, std::align_val_t) noexcept { free(p); }
void operator delete[](void* p, std::align_val_t) noexcept { free(p); }
void operator delete(void* p, size_t, std::align_val_t) noexcept { free(p); }
void operator delete[](void* p, size_t, std::align_val_t) noexcept { free(p); }

namespace std {

const nothrow_t nothrow{};

// Without type information, make_shared's control block recognises its own tag by address.
bool _Sp_make_shared_tag::_S_eq(const type_info& ti) noexcept { return &ti == &_S_ti(); }

void __throw_bad_exception() { fatal("bad exception"); }
void __throw_bad_alloc() { fatal("out of memory"); }
void __throw_bad_array_new_length() { fatal("bad array length"); }
void __throw_bad_cast() { fatal("bad cast"); }
void __throw_bad_typeid() { fatal("bad typeid"); }
void __throw_logic_error(const char* what) { fatal(what); }
void __throw_domain_error(const char* what) { fatal(what); }
void __throw_invalid_argument(const char* what) { fatal(what); }
void __throw_length_error(const char* what) { fatal(what); }
void __throw_out_of_range(const char* what) { fatal(what); }
void __throw_out_of_range_fmt(const char* what, ...) { fatal(what); }
void __throw_runtime_error(const char* what) { fatal(what); }
void __throw_range_error(const char* what) { fatal(what); }
void __throw_overflow_error(const char* what) { fatal(what); }
void __throw_underflow_error(const char* what) { fatal(what); }
void __throw_ios_failure(const char* what) { fatal(what); }
void __throw_ios_failure(const char* what, int) { fatal(what); }
void __throw_system_error(int) { fatal("system error"); }
void __throw_future_error(int) { fatal("future error"); }
void __throw_bad_function_call() { fatal("empty function called"); }

namespace chrono {
inline namespace _V2 {

system_clock::time_point system_clock::now() noexcept {
  timespec ts{};
  clock_gettime(CLOCK_REALTIME, &ts);
  return time_point(duration(seconds(ts.tv_sec) + nanoseconds(ts.tv_nsec)));
}

steady_clock::time_point steady_clock::now() noexcept {
  timespec ts{};
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return time_point(duration(seconds(ts.tv_sec) + nanoseconds(ts.tv_nsec)));
}

}  // namespace _V2
}  // namespace chrono
}  // namespace std
