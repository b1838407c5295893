#include "phone/android/AgentEntry.h"

#include "phone/android/JniPhoneData.h"
#include "phone/android/jni/Framework.h"

#include <pthread.h>

namespace zorvik::phone {

namespace {

pthread_mutex_t gStartMutex = PTHREAD_MUTEX_INITIALIZER;
// The running agent: made once and kept for the life of the process (the library is never
// unloaded, -z nodelete, so its threads never outlive their code).
JniPhoneData* gData = nullptr;
AgentListener* gListener = nullptr;

}  // namespace

bool startPhoneAgent(JNIEnv* env, jobject context, const ListenerOptions& options, std::string* error) {
  pthread_mutex_lock(&gStartMutex);
  bool ok = gListener != nullptr;
  if (!ok) {
    JavaVM* vm = nullptr;
    if (env->GetJavaVM(&vm) == JNI_OK) jni::setJavaVm(vm);
    std::string missing;
    if (!jni::loadLanguageClasses(env)) {
      if (error) *error = "java.lang classes missing";
    } else if (!jni::loadFramework(env, missing)) {
      if (error) *error = "framework member missing: " + missing;
    } else {
      if (!gData) gData = new JniPhoneData(env, context);
      auto* listener = new AgentListener(*gData, options);
      ok = listener->start(error);
      if (ok) gListener = listener;
      else delete listener;
    }
  }
  pthread_mutex_unlock(&gStartMutex);
  return ok;
}

}  // namespace zorvik::phone

extern "C" JNIEXPORT jint JNICALL JNI_OnLoad(JavaVM* vm, void*) {
  zorvik::phone::jni::setJavaVm(vm);
  return JNI_VERSION_1_6;
}

extern "C" JNIEXPORT void JNICALL Java_com_zorvik_Zorvik_AgentService_start(JNIEnv* env, jclass, jobject context) {
  zorvik::phone::startPhoneAgent(env, context, zorvik::phone::ListenerOptions(), nullptr);
}
