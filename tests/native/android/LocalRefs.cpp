#include "LocalRefs.h"

#include "Jvm.h"

#include <jvmti.h>

#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <vector>

namespace zorvik::test {

namespace {

const JNINativeInterface_* gJni = nullptr;
JNINativeInterface_ gCounted;

// Live references of this thread per frame (innermost last), and the most held at once.
thread_local std::vector<int> tFrames(1, 0);
thread_local int tLive = 0;
thread_local int tHigh = 0;

jobject made(jobject r) {
  if (r) {
    ++tFrames.back();
    if (++tLive > tHigh) tHigh = tLive;
  }
  return r;
}

template <class T>
T madeAs(T r) {
  return static_cast<T>(made(r));
}

jobject JNICALL callObjectV(JNIEnv* e, jobject o, jmethodID m, va_list a) { return made(gJni->CallObjectMethodV(e, o, m, a)); }
jobject JNICALL callStaticObjectV(JNIEnv* e, jclass c, jmethodID m, va_list a) {
  return made(gJni->CallStaticObjectMethodV(e, c, m, a));
}
jobject JNICALL newObjectV(JNIEnv* e, jclass c, jmethodID m, va_list a) { return made(gJni->NewObjectV(e, c, m, a)); }
jobject JNICALL getObjectField(JNIEnv* e, jobject o, jfieldID f) { return made(gJni->GetObjectField(e, o, f)); }
jobject JNICALL getStaticObjectField(JNIEnv* e, jclass c, jfieldID f) { return made(gJni->GetStaticObjectField(e, c, f)); }
jstring JNICALL newString(JNIEnv* e, const jchar* s, jsize n) { return madeAs(gJni->NewString(e, s, n)); }
jbyteArray JNICALL newByteArray(JNIEnv* e, jsize n) { return madeAs(gJni->NewByteArray(e, n)); }
jobjectArray JNICALL newObjectArray(JNIEnv* e, jsize n, jclass c, jobject i) { return madeAs(gJni->NewObjectArray(e, n, c, i)); }
jobject JNICALL arrayElement(JNIEnv* e, jobjectArray a, jsize i) { return made(gJni->GetObjectArrayElement(e, a, i)); }
jthrowable JNICALL exceptionOccurred(JNIEnv* e) { return madeAs(gJni->ExceptionOccurred(e)); }
jclass JNICALL objectClass(JNIEnv* e, jobject o) { return madeAs(gJni->GetObjectClass(e, o)); }
jclass JNICALL findClass(JNIEnv* e, const char* n) { return madeAs(gJni->FindClass(e, n)); }
jobject JNICALL newLocalRef(JNIEnv* e, jobject o) { return made(gJni->NewLocalRef(e, o)); }
void JNICALL deleteLocalRef(JNIEnv* e, jobject o) {
  if (o) {
    --tFrames.back();
    --tLive;
  }
  gJni->DeleteLocalRef(e, o);
}
jint JNICALL pushLocalFrame(JNIEnv* e, jint capacity) {
  const jint r = gJni->PushLocalFrame(e, capacity);
  if (r == 0) tFrames.push_back(0);
  return r;
}
jobject JNICALL popLocalFrame(JNIEnv* e, jobject result) {
  if (tFrames.size() > 1) {
    tLive -= tFrames.back();
    tFrames.pop_back();
  }
  return made(gJni->PopLocalFrame(e, result));
}

}  // namespace

void countLocalReferences() {
  static std::once_flag once;
  std::call_once(once, [] {
    jvmtiEnv* jvmti = nullptr;
    if (jvm()->GetEnv(reinterpret_cast<void**>(&jvmti), JVMTI_VERSION_1_2) != JNI_OK ||
        jvmti->GetJNIFunctionTable(const_cast<jniNativeInterface**>(&gJni)) != JVMTI_ERROR_NONE) {
      std::fprintf(stderr, "no JVMTI to count local references with\n");
      std::abort();
    }
    gCounted = *gJni;
    gCounted.CallObjectMethodV = callObjectV;
    gCounted.CallStaticObjectMethodV = callStaticObjectV;
    gCounted.NewObjectV = newObjectV;
    gCounted.GetObjectField = getObjectField;
    gCounted.GetStaticObjectField = getStaticObjectField;
    gCounted.NewString = newString;
    gCounted.NewByteArray = newByteArray;
    gCounted.NewObjectArray = newObjectArray;
    gCounted.GetObjectArrayElement = arrayElement;
    gCounted.ExceptionOccurred = exceptionOccurred;
    gCounted.GetObjectClass = objectClass;
    gCounted.FindClass = findClass;
    gCounted.NewLocalRef = newLocalRef;
    gCounted.DeleteLocalRef = deleteLocalRef;
    gCounted.PushLocalFrame = pushLocalFrame;
    gCounted.PopLocalFrame = popLocalFrame;
    if (jvmti->SetJNIFunctionTable(&gCounted) != JVMTI_ERROR_NONE) std::abort();
  });
}

void resetLocalHighWater() {
  tFrames.assign(1, 0);
  tLive = 0;
  tHigh = 0;
}

int localHighWater() { return tHigh; }

}  // namespace zorvik::test
