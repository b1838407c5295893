#pragma once
// The harness's JVM: Debian's OpenJDK embedded in the test program (one per process: a JVM
// cannot be created twice), the fake android.* classes on its class path, -Xcheck:jni on (a JNI
// call with an exception pending, a bad reference or a local reference table overrun is reported),
// and the JVM's own messages kept for tests to look at.
#include <jni.h>

#include <string>
#include <string_view>

namespace zorvik::test {

// The calling thread's JNIEnv; the JVM is created on first use.
JNIEnv* jvmEnv();
JavaVM* jvm();

// What the JVM printed since the last clear (warnings of -Xcheck:jni among it).
std::string jvmMessages();
void clearJvmMessages();

// Java strings from UTF-8 (through the agent's own conversion) and back.
jstring javaString(JNIEnv* env, std::string_view utf8);
std::string utf8Of(JNIEnv* env, jstring text);
// A Java String made of exactly these UTF-16 units (lone surrogates and all).
jstring javaUnits(JNIEnv* env, const std::u16string& units);

// A class by its JNI name, as a global reference; null when missing.
jclass javaClass(const char* name);

// The pending exception's class and message, cleared; empty when there is none.
std::string takeException(JNIEnv* env);

}  // namespace zorvik::test
