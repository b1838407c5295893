// Start-up items (871701): the receivers the package manager resolves for each broadcast of the
// page's event table, as JniPhoneData serves them.
#include "phone/android/JniPhoneData.h"

#include "phone/android/jni/AgentIntents.h"
#include "phone/android/jni/Framework.h"

namespace zorvik::phone {

using namespace jni;

namespace {

const Framework& fw() { return *framework(); }

// "android.intent.action.BOOT_COMPLETED" -> "BOOT_COMPLETED".
std::string shortAction(const std::string& action) { return action.substr(action.rfind('.') + 1); }

// The component as "package/.Class" when the class lives in its package's namespace, else
// "package/full.Class name".
std::string componentText(const std::string& package, const std::string& name) {
  if (!package.empty() && name.size() > package.size() && name.compare(0, package.size(), package) == 0 &&
      name[package.size()] == '.')
    return package + "/" + name.substr(package.size());
  return package + "/" + name;
}

}  // namespace

// Each event the package manager can be asked about, in table order, with the receivers of the
// packages the user installed in the order the package manager gives them (the system's own
// start on every event and would bury the rest). Since Android 11 other apps' receivers are seen
// only with QUERY_ALL_PACKAGES (in the manifest). A query that fails answers a refusal, never a
// list that lacks some events.
Answer JniPhoneData::startupItems(std::vector<StartupEntry>& out) {
  Env env(threadEnv());
  Local<jobject> pm = env.callObject(context_.get(), fw().contextPackageManager);
  if (env.ok() && !pm) env.fail(Fault::Failed, "no package manager");
  for (const StartupAction& a : kStartupActions) {
    if (!env.ok()) break;
    Frame frame(env, 16);
    Local<jstring> action = env.string(a.action);
    Local<jobject> intent = env.make(fw().intent, fw().intentNew, action.get());
    Local<jobject> list = env.callObject(pm.get(), fw().queryReceivers, intent.get(), static_cast<jint>(0));
    if (env.ok() && !list) env.fail(Fault::Failed, "no receiver list");
    const jint n = env.listSize(list.get());
    for (jint i = 0; i < n && env.ok(); ++i) {
      Frame row(env, 16);
      Local<jobject> resolved = env.listGet(list.get(), i);
      Local<jobject> info = resolved ? env.objectField(resolved.get(), fw().resolveActivityInfo) : Local<jobject>();
      Local<jobject> app = info ? env.objectField(info.get(), fw().componentApplication) : Local<jobject>();
      if (!env.ok() || !app) continue;
      if ((env.intField(app.get(), fw().applicationFlags) & kFlagSystem) != 0) continue;
      Local<jobject> package = env.objectField(info.get(), fw().itemPackage);
      Local<jobject> name = env.objectField(info.get(), fw().itemName);
      Local<jobject> label = env.callObject(pm.get(), fw().applicationLabel, app.get());
      StartupEntry e;
      e.event = a.event;
      const std::string p = env.utf8(package.get());
      e.entry = env.textOf(label.get());
      if (e.entry.empty()) e.entry = p;  // an app without a label is shown by its package
      e.detail = componentText(p, env.utf8(name.get())) + " (" + shortAction(a.action) + ")";
      if (env.ok()) out.push_back(std::move(e));
    }
  }
  if (!env.ok()) {
    out.clear();
    return Answer::refused(AgentRefusal::Unknown);
  }
  return Answer::served();
}

}  // namespace zorvik::phone
