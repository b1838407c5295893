#pragma once
// What the data source's parts share beyond the JNI layer: the package manager of the context and
// an application's icon as the rows send it (JniPhoneData.cpp).
#include "phone/PhoneRecords.h"
#include "phone/android/jni/Jni.h"

namespace zorvik::phone {

// The context's package manager; a fault in env when there is none.
jni::Local<jobject> packageManagerOf(jni::Env& env, jobject context);
// The drawable as a PNG of at most kAgentMaxIconBytes (scaled down until it fits); null when the
// phone gave none or none could be made.
Blob drawablePng(jni::Env& env, jobject drawable);

}  // namespace zorvik::phone
