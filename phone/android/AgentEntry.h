#pragma once
// The agent's start on a phone: the service calls AgentService.start(Context) once the library is
// loaded; it starts the listener with the JNI data source. Java side:
//   class com.zorvik.Zorvik.AgentService { private static native void start(android.content.Context); }
// exported as Java_com_zorvik_Zorvik_AgentService_start, with JNI_OnLoad.
#include "phone/AgentListener.h"

#include <jni.h>

#include <string>

namespace zorvik::phone {

// Looks up the framework, makes the data source over context and starts the listener with
// options. Idempotent: once the agent runs, later calls do nothing and answer true. false (with
// the reason in error) when a framework member is missing or the socket cannot be bound; a later
// call tries again.
bool startPhoneAgent(JNIEnv* env, jobject context, const ListenerOptions& options, std::string* error);

}  // namespace zorvik::phone
