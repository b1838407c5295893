#include "phone/android/jni/Jni.h"

#include "phone/android/jni/Utf16.h"

#include <pthread.h>

#include <atomic>
#include <mutex>

namespace zorvik::phone::jni {

namespace {

std::atomic<JavaVM*> gVm{nullptr};

// The JDK's jni.h takes void** where Android's takes JNIEnv**: this converts to either.
struct EnvSlot {
  JNIEnv** env;
  operator JNIEnv**() const { return env; }
  operator void**() const { return reinterpret_cast<void**>(env); }
};

// Threads attached by threadEnv() are detached by this key's destructor when they end.
pthread_key_t gAttachedKey;
pthread_once_t gKeyOnce = PTHREAD_ONCE_INIT;

void detachThread(void*) {
  if (JavaVM* vm = gVm.load()) vm->DetachCurrentThread();
}

void makeKey() { pthread_key_create(&gAttachedKey, detachThread); }

// What Env needs of java.lang and java.util, looked up once.
struct Language {
  jclass string = nullptr, securityException = nullptr, classClass = nullptr;
  jclass longClass = nullptr, integerClass = nullptr, arrayList = nullptr, list = nullptr, object = nullptr;
  jmethodID toString = nullptr;
  jmethodID className = nullptr, longValueOf = nullptr, integerValueOf = nullptr, intValue = nullptr;
  jmethodID listNew = nullptr, listAdd = nullptr, listSize = nullptr, listGet = nullptr;
  bool loaded = false;
};
Language gLang;
std::mutex gLangMutex;

jclass globalClass(JNIEnv* env, const char* name) {
  jclass local = env->FindClass(name);
  if (!local || env->ExceptionCheck()) {
    env->ExceptionClear();
    return nullptr;
  }
  auto global = static_cast<jclass>(env->NewGlobalRef(local));
  env->DeleteLocalRef(local);
  return global;
}

jmethodID method(JNIEnv* env, jclass owner, const char* name, const char* signature, bool isStatic) {
  if (!owner) return nullptr;
  jmethodID m = isStatic ? env->GetStaticMethodID(owner, name, signature) : env->GetMethodID(owner, name, signature);
  if (!m || env->ExceptionCheck()) {
    env->ExceptionClear();
    return nullptr;
  }
  return m;
}

}  // namespace

Global::Global(JNIEnv* env, jobject local) : ref_(local ? env->NewGlobalRef(local) : nullptr) {}

Global& Global::operator=(Global&& other) noexcept {
  if (this != &other) {
    this->~Global();
    ref_ = other.ref_;
    other.ref_ = nullptr;
  }
  return *this;
}

Global::~Global() {
  if (!ref_) return;
  JavaVM* vm = gVm.load();
  JNIEnv* env = nullptr;
  if (vm && vm->GetEnv(reinterpret_cast<void**>(&env), JNI_VERSION_1_6) == JNI_OK && env) env->DeleteGlobalRef(ref_);
  ref_ = nullptr;
}

void setJavaVm(JavaVM* vm) {
  JavaVM* none = nullptr;
  gVm.compare_exchange_strong(none, vm);
}

JavaVM* javaVm() { return gVm.load(); }

JNIEnv* threadEnv() {
  JavaVM* vm = gVm.load();
  if (!vm) return nullptr;
  JNIEnv* env = nullptr;
  if (vm->GetEnv(reinterpret_cast<void**>(&env), JNI_VERSION_1_6) == JNI_OK) return env;
  pthread_once(&gKeyOnce, makeKey);
  char name[] = "zorvik-agent";
  JavaVMAttachArgs args{JNI_VERSION_1_6, name, nullptr};
  if (vm->AttachCurrentThreadAsDaemon(EnvSlot{&env}, &args) != JNI_OK) return nullptr;
  pthread_setspecific(gAttachedKey, vm);  // any non-null value: the destructor detaches
  return env;
}

bool loadLanguageClasses(JNIEnv* env) {
  std::lock_guard<std::mutex> lock(gLangMutex);
  if (gLang.loaded) return true;
  Language l;
  l.string = globalClass(env, "java/lang/String");
  l.securityException = globalClass(env, "java/lang/SecurityException");
  l.classClass = globalClass(env, "java/lang/Class");
  l.longClass = globalClass(env, "java/lang/Long");
  l.integerClass = globalClass(env, "java/lang/Integer");
  l.arrayList = globalClass(env, "java/util/ArrayList");
  l.list = globalClass(env, "java/util/List");
  l.object = globalClass(env, "java/lang/Object");
  l.toString = method(env, l.object, "toString", "()Ljava/lang/String;", false);
  l.className = method(env, l.classClass, "getName", "()Ljava/lang/String;", false);
  l.longValueOf = method(env, l.longClass, "valueOf", "(J)Ljava/lang/Long;", true);
  l.integerValueOf = method(env, l.integerClass, "valueOf", "(I)Ljava/lang/Integer;", true);
  l.intValue = method(env, l.integerClass, "intValue", "()I", false);
  l.listNew = method(env, l.arrayList, "<init>", "(I)V", false);
  l.listAdd = method(env, l.arrayList, "add", "(Ljava/lang/Object;)Z", false);
  // Through the interface: the framework hands back lists of any List class.
  l.listSize = method(env, l.list, "size", "()I", false);
  l.listGet = method(env, l.list, "get", "(I)Ljava/lang/Object;", false);
  l.loaded = l.string && l.securityException && l.className && l.longValueOf && l.integerValueOf && l.intValue &&
             l.listNew && l.listAdd && l.listSize && l.listGet && l.toString;
  if (l.loaded) gLang = l;
  return l.loaded;
}

Env::Env(JNIEnv* env) : env_(env) {
  if (!env_) fail(Fault::Failed, "no JNIEnv for this thread");
  else if (!gLang.loaded) fail(Fault::Failed, "java.lang classes not loaded");
}

void Env::fail(Fault fault, std::string_view why) {
  if (fault_ != Fault::None) return;
  fault_ = fault;
  failure_ = why;
}

void Env::clearFault() {
  fault_ = Fault::None;
  failure_.clear();
}

bool Env::check() {
  if (!env_->ExceptionCheck()) return true;
  jthrowable thrown = env_->ExceptionOccurred();
  env_->ExceptionClear();
  const bool refused = env_->IsInstanceOf(thrown, gLang.securityException) == JNI_TRUE;
  std::string name = "exception";
  jclass type = env_->GetObjectClass(thrown);
  auto text = static_cast<jstring>(env_->CallObjectMethod(type, gLang.className));
  if (env_->ExceptionCheck()) {
    env_->ExceptionClear();
  } else if (text) {
    name.clear();
    const jsize n = env_->GetStringLength(text);
    chars_.resize(static_cast<size_t>(n));
    env_->GetStringRegion(text, 0, n, chars_.data());
    appendUtf8(chars_.data(), chars_.size(), name);
  }
  if (text) env_->DeleteLocalRef(text);
  env_->DeleteLocalRef(type);
  env_->DeleteLocalRef(thrown);
  fail(refused ? Fault::Refused : Fault::Failed, name);
  return false;
}

bool Env::ready(const void* target, const void* member) {
  if (!ok()) return false;
  if (!target || !member) {
    fail(Fault::Failed, target ? "member missing" : "null object");
    return false;
  }
  return true;
}

Local<jobject> Env::take(jobject result) {
  if (check()) return Local<jobject>(env_, result);
  if (result) env_->DeleteLocalRef(result);
  return {};
}

Local<jobject> Env::staticObjectField(jclass owner, jfieldID field) {
  if (!ready(owner, field)) return {};
  return take(env_->GetStaticObjectField(owner, field));
}

jint Env::staticIntField(jclass owner, jfieldID field) {
  if (!ready(owner, field)) return 0;
  const jint r = env_->GetStaticIntField(owner, field);
  return check() ? r : 0;
}

jlong Env::longField(jobject target, jfieldID field) {
  if (!ready(target, field)) return 0;
  const jlong r = env_->GetLongField(target, field);
  return check() ? r : 0;
}

jint Env::intField(jobject target, jfieldID field) {
  if (!ready(target, field)) return 0;
  const jint r = env_->GetIntField(target, field);
  return check() ? r : 0;
}

Local<jobject> Env::objectField(jobject target, jfieldID field) {
  if (!ready(target, field)) return {};
  return take(env_->GetObjectField(target, field));
}

void Env::callVoidRegardless(jobject target, jmethodID method) {
  if (!env_ || !target || !method) return;
  const bool hadException = env_->ExceptionCheck();  // never: every call is checked
  if (hadException) return;
  env_->CallVoidMethod(target, method);
  if (env_->ExceptionCheck()) env_->ExceptionClear();
}

jint Env::arrayLength(jarray array) {
  if (!ready(array, array)) return 0;
  const jint n = env_->GetArrayLength(array);
  return check() ? n : 0;
}

Local<jobject> Env::arrayElement(jobjectArray array, jint index) {
  if (!ready(array, array)) return {};
  return take(env_->GetObjectArrayElement(array, index));
}

std::string Env::utf8(jstring text) {
  std::string out;
  if (!ok() || !text) return out;
  const jsize n = env_->GetStringLength(text);
  if (!check() || n <= 0) return out;
  chars_.resize(static_cast<size_t>(n));
  env_->GetStringRegion(text, 0, n, chars_.data());
  if (!check()) return out;
  static_assert(sizeof(jchar) == sizeof(uint16_t), "jchar is a UTF-16 unit");
  appendUtf8(reinterpret_cast<const uint16_t*>(chars_.data()), chars_.size(), out);
  return out;
}

Local<jstring> Env::string(std::string_view utf8) {
  if (!ok()) return {};
  toUtf16(utf8, units_);
  jstring s = env_->NewString(reinterpret_cast<const jchar*>(units_.data()), static_cast<jsize>(units_.size()));
  if (!check()) {
    if (s) env_->DeleteLocalRef(s);
    return {};
  }
  if (!s) fail(Fault::Failed, "NewString");
  return Local<jstring>(env_, s);
}

std::string Env::bytes(jbyteArray array) {
  std::string out;
  if (!ok() || !array) return out;
  const jsize n = env_->GetArrayLength(array);
  if (!check() || n <= 0) return out;
  out.resize(static_cast<size_t>(n));
  env_->GetByteArrayRegion(array, 0, n, reinterpret_cast<jbyte*>(out.data()));
  if (!check()) out.clear();
  return out;
}

Local<jbyteArray> Env::byteArray(std::string_view bytes) {
  if (!ok()) return {};
  const auto n = static_cast<jsize>(bytes.size());
  jbyteArray a = env_->NewByteArray(n);
  if (!check() || !a) {
    if (a) env_->DeleteLocalRef(a);
    if (ok()) fail(Fault::Failed, "NewByteArray");
    return {};
  }
  env_->SetByteArrayRegion(a, 0, n, reinterpret_cast<const jbyte*>(bytes.data()));
  if (!check()) {
    env_->DeleteLocalRef(a);
    return {};
  }
  return Local<jbyteArray>(env_, a);
}

Local<jobjectArray> Env::stringArray(const std::vector<std::string>& texts) {
  if (!ok()) return {};
  jobjectArray a = env_->NewObjectArray(static_cast<jsize>(texts.size()), gLang.string, nullptr);
  if (!check() || !a) {
    if (a) env_->DeleteLocalRef(a);
    if (ok()) fail(Fault::Failed, "NewObjectArray");
    return {};
  }
  Local<jobjectArray> array(env_, a);
  for (size_t i = 0; i < texts.size() && ok(); ++i) {
    Local<jstring> s = string(texts[i]);
    if (!ok()) break;
    env_->SetObjectArrayElement(a, static_cast<jsize>(i), s.get());
    check();
  }
  if (!ok()) return {};
  return array;
}

Local<jobjectArray> Env::stringArray(std::initializer_list<const char*> texts) {
  std::vector<std::string> v;
  v.reserve(texts.size());
  for (const char* t : texts) v.emplace_back(t);
  return stringArray(v);
}

Local<jobject> Env::boxLong(jlong value) { return callStaticObject(gLang.longClass, gLang.longValueOf, value); }
Local<jobject> Env::boxInt(jint value) { return callStaticObject(gLang.integerClass, gLang.integerValueOf, value); }
Local<jobject> Env::newArrayList(jint capacity) { return make(gLang.arrayList, gLang.listNew, capacity); }
void Env::listAdd(jobject list, jobject item) { callBool(list, gLang.listAdd, item); }
std::string Env::textOf(jobject value) {
  if (!value) return {};
  Local<jobject> s = callObject(value, gLang.toString);
  return utf8(s.get());
}

bool Env::isInstance(jobject value, jclass type) {
  if (!ok() || !value || !type) return false;
  return env_->IsInstanceOf(value, type) == JNI_TRUE;
}

jint Env::listSize(jobject list) { return callInt(list, gLang.listSize); }
Local<jobject> Env::listGet(jobject list, jint index) { return callObject(list, gLang.listGet, index); }

jint Env::unboxInt(jobject boxed, jint fallback) {
  if (!boxed) return fallback;
  const jint v = callInt(boxed, gLang.intValue);
  return ok() ? v : fallback;
}

Frame::Frame(Env& env, jint capacity) : env_(env) {
  if (!env_.ok()) return;
  pushed_ = env_.raw()->PushLocalFrame(capacity) == 0;
  if (!env_.check() || !pushed_) {
    pushed_ = false;
    env_.fail(Fault::Failed, "PushLocalFrame");
  }
}

Frame::~Frame() {
  if (pushed_) env_.raw()->PopLocalFrame(nullptr);
}

}  // namespace zorvik::phone::jni
