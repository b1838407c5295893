#include "Jvm.h"

#include "phone/android/jni/Utf16.h"

#include <cstdarg>
#include <cstdio>
#include <map>
#include <mutex>
#include <vector>

// The JVM catches its own SIGSEGV (null checks, safepoints) and keeps memory no leak check can
// follow: the sanitizers stay out of both.
extern "C" const char* __asan_default_options() {
  return "handle_segv=0:handle_sigbus=0:handle_sigfpe=0:handle_sigill=0:allow_user_segv_handler=1:"
         "detect_leaks=0:use_sigaltstack=0";
}

namespace zorvik::test {

namespace {

std::mutex gMutex;
std::string gMessages;

jint JNICALL keepMessage(FILE* stream, const char* format, va_list args) {
  char buffer[4096];
  va_list copy;
  va_copy(copy, args);
  const int n = std::vsnprintf(buffer, sizeof buffer, format, copy);
  va_end(copy);
  if (n > 0) {
    {
      std::lock_guard<std::mutex> lock(gMutex);
      gMessages.append(buffer, std::min<size_t>(static_cast<size_t>(n), sizeof buffer - 1));
    }
    std::fputs(buffer, stream);
  }
  return n;
}

JavaVM* create() {
  static std::string classPath = std::string("-Djava.class.path=") + ZORVIK_ANDROID_FAKES;
  std::vector<JavaVMOption> options = {
      {const_cast<char*>(classPath.c_str()), nullptr},
      {const_cast<char*>("-Xmx768m"), nullptr},
      {const_cast<char*>("-Xrs"), nullptr},
      {const_cast<char*>("vfprintf"), reinterpret_cast<void*>(&keepMessage)},
  };
  // ZORVIK_JNI_UNCHECKED=1 leaves -Xcheck:jni out (a phone runs without it), for timing by hand.
  if (!std::getenv("ZORVIK_JNI_UNCHECKED")) options.push_back({const_cast<char*>("-Xcheck:jni"), nullptr});
  JavaVMInitArgs args{};
  args.version = JNI_VERSION_1_8;
  args.nOptions = static_cast<jint>(options.size());
  args.options = options.data();
  args.ignoreUnrecognized = JNI_FALSE;
  JavaVM* vm = nullptr;
  JNIEnv* env = nullptr;
  if (JNI_CreateJavaVM(&vm, reinterpret_cast<void**>(&env), &args) != JNI_OK) {
    std::fprintf(stderr, "JNI_CreateJavaVM failed\n");
    std::abort();
  }
  return vm;
}

}  // namespace

JavaVM* jvm() {
  static JavaVM* vm = create();
  return vm;
}

JNIEnv* jvmEnv() {
  JavaVM* vm = jvm();
  JNIEnv* env = nullptr;
  if (vm->GetEnv(reinterpret_cast<void**>(&env), JNI_VERSION_1_6) == JNI_OK) return env;
  if (vm->AttachCurrentThread(reinterpret_cast<void**>(&env), nullptr) != JNI_OK) std::abort();
  return env;
}

std::string jvmMessages() {
  std::lock_guard<std::mutex> lock(gMutex);
  return gMessages;
}

void clearJvmMessages() {
  std::lock_guard<std::mutex> lock(gMutex);
  gMessages.clear();
}

jstring javaString(JNIEnv* env, std::string_view utf8) {
  std::u16string units;
  phone::toUtf16(utf8, units);
  return javaUnits(env, units);
}

jstring javaUnits(JNIEnv* env, const std::u16string& units) {
  return env->NewString(reinterpret_cast<const jchar*>(units.data()), static_cast<jsize>(units.size()));
}

std::string utf8Of(JNIEnv* env, jstring text) {
  std::string out;
  if (!text) return out;
  const jsize n = env->GetStringLength(text);
  std::u16string units(static_cast<size_t>(n), u'\0');
  env->GetStringRegion(text, 0, n, reinterpret_cast<jchar*>(units.data()));
  phone::appendUtf8(reinterpret_cast<const uint16_t*>(units.data()), units.size(), out);
  return out;
}

jclass javaClass(const char* name) {
  static std::map<std::string, jclass> cache;
  std::lock_guard<std::mutex> lock(gMutex);
  auto it = cache.find(name);
  if (it != cache.end()) return it->second;
  JNIEnv* env = jvmEnv();
  jclass local = env->FindClass(name);
  if (!local) {
    env->ExceptionClear();
    return nullptr;
  }
  auto global = static_cast<jclass>(env->NewGlobalRef(local));
  env->DeleteLocalRef(local);
  cache[name] = global;
  return global;
}

std::string takeException(JNIEnv* env) {
  if (!env->ExceptionCheck()) return {};
  jthrowable t = env->ExceptionOccurred();
  env->ExceptionClear();
  jclass throwable = env->FindClass("java/lang/Throwable");
  jmethodID toString = env->GetMethodID(throwable, "toString", "()Ljava/lang/String;");
  auto text = static_cast<jstring>(env->CallObjectMethod(t, toString));
  std::string out = env->ExceptionCheck() ? "exception" : utf8Of(env, text);
  env->ExceptionClear();
  if (text) env->DeleteLocalRef(text);
  env->DeleteLocalRef(throwable);
  env->DeleteLocalRef(t);
  return out;
}

}  // namespace zorvik::test
