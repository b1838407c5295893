#pragma once
// The JNI agent on the harness JVM beside vphone's: the same data set in vphone's PhoneState and,
// through JNI, in the fake providers, and each agent's reply to the same request.
#include "phone/android/JniPhoneData.h"
#include "sim/PhoneState.h"
#include "sim/SimPhoneData.h"

#include <jni.h>

#include <memory>
#include <string>

namespace zorvik::test {

// Loads the framework tables and makes the fake application context (once per process).
jobject agentContext();

class Harness {
 public:
  // The generated data set, grown to contacts contacts when that is more than it has.
  explicit Harness(size_t contacts = 0);

  // vphone's data, as the expected side sees it: the facts the JNI agent does not gather are
  // blanked (identity, resolution, network names).
  sim::PhoneState state;

  // Puts state into the fake providers (after clearing them and their faults).
  void loadFakes();
  // The agent's own cache folder on the fake phone.
  static const std::string& agentCacheFolder();

  std::string jniReply(const std::string& request);
  std::string simReply(const std::string& request);

  phone::JniPhoneData& jni() { return *jni_; }

  // A static void method of zorvik.fakes.Phone with a String argument and/or an int.
  static void fake(const char* method, const char* table);
  static void fake(const char* method, const char* table, int value);
  static void resetFaults();
  static long long providerNanos();
  static long long graphicsNanos();  // the fake graphics' (scaling, drawing, PNG encoding), apart
  static void resetProviderNanos();
  static int openCursors();

 private:
  void loadTools();
  std::unique_ptr<phone::JniPhoneData> jni_;
};

// Requests, as the pages send them.
std::string bare(int32_t code);
std::string framed(int32_t code, const std::string& fields);  // code, total length, fields
std::string idList(int32_t code, const std::vector<int32_t>& ids);
std::string be32(int32_t v);
std::string be64(int64_t v);
std::string text(const std::string& utf8);

}  // namespace zorvik::test
