#pragma once
// Calling the Java side of the phone from C++ through JNI, with the rules Android enforces:
// every thread that calls in is attached (and detached when it ends), every local reference is
// released (a walk over thousands of rows runs each row in its own Frame), no exception is ever
// left pending (each call that can throw is checked and cleared at once, and the first one is
// kept as the request's fault: a SecurityException means the phone refused), texts cross as
// standard UTF-8 (never JNI's modified UTF-8), and nothing here aborts the process on bad input.
// Compiles against the JDK's jni.h and Android's alike.
#include <jni.h>

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace zorvik::phone::jni {

// A local reference, deleted when it goes. Move-only.
template <class T = jobject>
class Local {
 public:
  Local() = default;
  Local(JNIEnv* env, T ref) : env_(env), ref_(ref) {}
  Local(Local&& other) noexcept : env_(other.env_), ref_(other.release()) {}
  Local& operator=(Local&& other) noexcept {
    if (this != &other) {
      reset();
      env_ = other.env_;
      ref_ = other.release();
    }
    return *this;
  }
  Local(const Local&) = delete;
  Local& operator=(const Local&) = delete;
  ~Local() { reset(); }

  T get() const { return ref_; }
  explicit operator bool() const { return ref_ != nullptr; }
  T release() {
    T r = ref_;
    ref_ = nullptr;
    return r;
  }
  void reset() {
    if (ref_) env_->DeleteLocalRef(ref_);
    ref_ = nullptr;
  }

 private:
  JNIEnv* env_ = nullptr;
  T ref_ = nullptr;
};

// A global reference (classes, the Context, constant Uris). Move-only; released when it goes if
// the thread is attached to the JVM.
class Global {
 public:
  Global() = default;
  Global(JNIEnv* env, jobject local);
  Global(Global&& other) noexcept : ref_(other.ref_) { other.ref_ = nullptr; }
  Global& operator=(Global&& other) noexcept;
  Global(const Global&) = delete;
  Global& operator=(const Global&) = delete;
  ~Global();

  jobject get() const { return ref_; }
  template <class T>
  T as() const {
    return static_cast<T>(ref_);
  }
  explicit operator bool() const { return ref_ != nullptr; }

 private:
  jobject ref_ = nullptr;
};

// The process's JVM: set by JNI_OnLoad or from the first native call.
void setJavaVm(JavaVM* vm);
JavaVM* javaVm();

// The calling thread's JNIEnv. A thread not attached yet is attached here (as a daemon thread, so
// it never holds the JVM up) and detached when it ends. Null without a JVM or when attaching fails.
JNIEnv* threadEnv();

// Loads the few java.lang and java.util members that Env itself uses; once per process, from a
// thread that can see the system classes. false when one is missing.
bool loadLanguageClasses(JNIEnv* env);

// What a failed call means for the request that made it.
enum class Fault {
  None,
  Refused,  // a SecurityException: the phone does not allow it
  Failed,   // any other exception, a member missing, a null where an object was needed
};

// One request's use of the JVM on one thread: the calls, their checks and the first fault. Once a
// fault is recorded every further call does nothing and yields zero or null, so a caller checks
// ok() once at the end of a step.
class Env {
 public:
  explicit Env(JNIEnv* env);

  JNIEnv* raw() const { return env_; }
  bool ok() const { return fault_ == Fault::None; }
  Fault fault() const { return fault_; }
  // The Java exception's class name, or what went wrong without one.
  const std::string& failure() const { return failure_; }
  void fail(Fault fault, std::string_view why);
  // Forgets the fault (for a fact the caller can do without).
  void clearFault();
  // After a call that can throw: a pending exception is cleared and kept as the fault.
  // false when there was one.
  bool check();

  template <class... A>
  Local<jobject> callObject(jobject target, jmethodID method, A... args) {
    if (!ready(target, method)) return {};
    jobject r = env_->CallObjectMethod(target, method, args...);
    return take(r);
  }
  template <class... A>
  jint callInt(jobject target, jmethodID method, A... args) {
    if (!ready(target, method)) return 0;
    const jint r = env_->CallIntMethod(target, method, args...);
    return check() ? r : 0;
  }
  template <class... A>
  jlong callLong(jobject target, jmethodID method, A... args) {
    if (!ready(target, method)) return 0;
    const jlong r = env_->CallLongMethod(target, method, args...);
    return check() ? r : 0;
  }
  template <class... A>
  bool callBool(jobject target, jmethodID method, A... args) {
    if (!ready(target, method)) return false;
    const jboolean r = env_->CallBooleanMethod(target, method, args...);
    return check() && r == JNI_TRUE;
  }
  template <class... A>
  void callVoid(jobject target, jmethodID method, A... args) {
    if (!ready(target, method)) return;
    env_->CallVoidMethod(target, method, args...);
    check();
  }
  template <class... A>
  Local<jobject> callStaticObject(jclass owner, jmethodID method, A... args) {
    if (!ready(owner, method)) return {};
    jobject r = env_->CallStaticObjectMethod(owner, method, args...);
    return take(r);
  }
  template <class... A>
  jint callStaticInt(jclass owner, jmethodID method, A... args) {
    if (!ready(owner, method)) return 0;
    const jint r = env_->CallStaticIntMethod(owner, method, args...);
    return check() ? r : 0;
  }
  template <class... A>
  jlong callStaticLong(jclass owner, jmethodID method, A... args) {
    if (!ready(owner, method)) return 0;
    const jlong r = env_->CallStaticLongMethod(owner, method, args...);
    return check() ? r : 0;
  }
  template <class... A>
  bool callStaticBool(jclass owner, jmethodID method, A... args) {
    if (!ready(owner, method)) return false;
    const jboolean r = env_->CallStaticBooleanMethod(owner, method, args...);
    return check() && r == JNI_TRUE;
  }
  template <class... A>
  Local<jobject> make(jclass type, jmethodID constructor, A... args) {
    if (!ready(type, constructor)) return {};
    jobject r = env_->NewObject(type, constructor, args...);
    return take(r);
  }

  Local<jobject> staticObjectField(jclass owner, jfieldID field);
  jint staticIntField(jclass owner, jfieldID field);
  jlong longField(jobject target, jfieldID field);
  jint intField(jobject target, jfieldID field);
  Local<jobject> objectField(jobject target, jfieldID field);

  // Calls a void method even after a fault (closing a cursor); an exception it throws is cleared
  // and not recorded.
  void callVoidRegardless(jobject target, jmethodID method);
  // An array's length and element (object arrays).
  jint arrayLength(jarray array);
  Local<jobject> arrayElement(jobjectArray array, jint index);

  // Java String -> UTF-8 (null -> empty), UTF-8 -> Java String (bytes that are not UTF-8 become
  // U+FFFD), byte[] both ways.
  std::string utf8(jstring text);
  std::string utf8(jobject text) { return utf8(static_cast<jstring>(text)); }
  Local<jstring> string(std::string_view utf8);
  std::string bytes(jbyteArray array);
  Local<jbyteArray> byteArray(std::string_view bytes);
  // A String[] of the given texts (a projection, selection arguments).
  Local<jobjectArray> stringArray(const std::vector<std::string>& texts);
  Local<jobjectArray> stringArray(std::initializer_list<const char*> texts);

  // Boxed values for ContentValues-like calls, and ArrayList.
  Local<jobject> boxLong(jlong value);
  Local<jobject> boxInt(jint value);
  Local<jobject> newArrayList(jint capacity);
  void listAdd(jobject list, jobject item);
  // A CharSequence (a label, say) as UTF-8 through its toString; null -> empty.
  std::string textOf(jobject value);
  // value is non-null and of type (false after a fault).
  bool isInstance(jobject value, jclass type);
  // A java.util.List's size and element.
  jint listSize(jobject list);
  Local<jobject> listGet(jobject list, jint index);
  // The Integer's value, or fallback for null.
  jint unboxInt(jobject boxed, jint fallback);

 private:
  bool ready(const void* target, const void* member);
  Local<jobject> take(jobject result);

  JNIEnv* env_;
  Fault fault_ = Fault::None;
  std::string failure_;
  std::vector<jchar> chars_;  // reused by utf8()
  std::u16string units_;      // reused by string()
};

// A local reference frame for one step of a walk: the references made inside it are released
// when it ends, so walks of any length stay inside the JVM's local reference table (ART's is
// small). Declare it before the Locals it covers.
class Frame {
 public:
  Frame(Env& env, jint capacity = 32);
  ~Frame();
  Frame(const Frame&) = delete;
  Frame& operator=(const Frame&) = delete;

 private:
  Env& env_;
  bool pushed_ = false;
};

}  // namespace zorvik::phone::jni
