// The cleaner's scan (871601) and clean (871602). Other apps' cache sizes come from
// StorageStatsManager (Android 8.0 and later), which answers them only with the usage access (the
// PC grants it through appops at connection); without it the scan is that refusal, before 8.0 the
// refusal that the phone offers no sizes. An app may clear only its own cache: the agent empties
// its cache folders when asked, and refuses the rest (other apps' caches: the API that did it is
// the system's alone; the browsers' and the market's histories: no API at all), after doing what
// it may, so a partial clean is never answered as done.
#include "phone/android/JniPhoneData.h"

#include "phone/android/JniPieces.h"
#include "phone/android/jni/Framework.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <set>

namespace zorvik::phone {

using namespace jni;

namespace {

const Framework& fw() { return *framework(); }

// Deeper than any cache the agent makes; a deeper tree is left as it is below this.
constexpr int kMaxCacheDepth = 32;

// Removes everything inside the folder open as dir (closed here), never following a link: a link
// is removed as itself.
void emptyFolder(int dir, int depth) {
  DIR* d = ::fdopendir(dir);
  if (!d) {
    ::close(dir);
    return;
  }
  while (dirent* e = ::readdir(d)) {
    const char* name = e->d_name;
    if (name[0] == '.' && (name[1] == 0 || (name[1] == '.' && name[2] == 0))) continue;
    struct stat st {};
    if (::fstatat(::dirfd(d), name, &st, AT_SYMLINK_NOFOLLOW) != 0) continue;
    if (S_ISDIR(st.st_mode)) {
      if (depth >= kMaxCacheDepth) continue;
      const int sub = ::openat(::dirfd(d), name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
      if (sub >= 0) emptyFolder(sub, depth + 1);
      ::unlinkat(::dirfd(d), name, AT_REMOVEDIR);
    } else {
      ::unlinkat(::dirfd(d), name, 0);
    }
  }
  ::closedir(d);
}

// The folder a Context getter names, emptied (the folder itself stays: the app may hold it open).
void emptyCacheFolder(Env& env, jobject context, jmethodID getter) {
  Local<jobject> folder = env.callObject(context, getter);
  Local<jobject> path = folder ? env.callObject(folder.get(), fw().filePath) : Local<jobject>();
  const std::string p = env.utf8(path.get());
  env.clearFault();  // no external storage: no external cache
  if (p.empty()) return;
  const int dir = ::open(p.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
  if (dir >= 0) emptyFolder(dir, 0);
}

}  // namespace

Answer JniPhoneData::cache(std::vector<CacheEntry>& out) {
  Env env(threadEnv());
  const jint sdk = env.staticIntField(fw().buildVersion, fw().versionSdk);
  if (!env.ok()) return Answer::refused(AgentRefusal::Unknown);
  if (sdk < kSdkO || !fw().statsForUid || !fw().statsCacheBytes || !fw().applicationStorageUuid)
    return Answer::refused(AgentRefusal::CacheSizesNotOffered);
  Local<jstring> service = env.string(kStorageStatsService);
  Local<jobject> stats = env.callObject(context_.get(), fw().contextSystemService, service.get());
  if (env.ok() && !stats) return Answer::refused(AgentRefusal::CacheSizesNotOffered);
  Local<jobject> pm = packageManagerOf(env, context_.get());
  Local<jobject> list = env.callObject(pm.get(), fw().installedPackages, static_cast<jint>(0));
  if (env.ok() && !list) env.fail(Fault::Failed, "no package list");
  const jint n = env.listSize(list.get());
  // Packages that share a uid share its figures: the first of them stands for all.
  std::set<jint> counted;
  for (jint i = 0; i < n && env.ok(); ++i) {
    Frame frame(env, 16);
    Local<jobject> info = env.listGet(list.get(), i);
    Local<jobject> app = info ? env.objectField(info.get(), fw().packageApplication) : Local<jobject>();
    if (!env.ok() || !app) continue;
    const jint uid = env.intField(app.get(), fw().applicationUid);
    if (!env.ok() || !counted.insert(uid).second) continue;
    Local<jobject> volume = env.objectField(app.get(), fw().applicationStorageUuid);
    Local<jobject> figures = env.callObject(stats.get(), fw().statsForUid, volume.get(), uid);
    if (env.fault() == Fault::Refused) {
      out.clear();
      return Answer::refused(AgentRefusal::UsageAccess);
    }
    // A package removed meanwhile, a volume gone (NameNotFound, IOException): the others go on.
    const int64_t bytes = figures ? env.callLong(figures.get(), fw().statsCacheBytes) : 0;
    if (!env.ok()) {
      env.clearFault();
      continue;
    }
    if (bytes <= 0) continue;
    CacheEntry c;
    c.size = bytes;
    Local<jobject> name = env.objectField(info.get(), fw().packageName);
    c.package = env.utf8(name.get());
    Local<jobject> label = env.callObject(pm.get(), fw().applicationLabel, app.get());
    c.label = env.textOf(label.get());
    if (!env.ok()) break;
    Local<jobject> drawable = env.callObject(pm.get(), fw().applicationIcon, app.get());
    if (env.ok()) c.icon = drawablePng(env, drawable.get());
    env.clearFault();
    out.push_back(std::move(c));
  }
  if (!env.ok()) {
    out.clear();
    return Answer::refused(AgentRefusal::Unknown);
  }
  return Answer::served();
}

Answer JniPhoneData::cleanCache(const CleanRequest& request, int32_t& status) {
  status = 0;
  Env env(threadEnv());
  Local<jobject> own = env.callObject(context_.get(), fw().contextPackageName);
  const std::string self = env.utf8(own.get());
  if (!env.ok()) return Answer::refused(AgentRefusal::Unknown);
  bool ours = false, others = false;
  for (unsigned char h : request.clearHistory) others = others || h == 1;
  for (const std::string& p : request.packages) (p == self ? ours : others) = true;
  if (ours) {
    emptyCacheFolder(env, context_.get(), fw().contextCacheDir);
    emptyCacheFolder(env, context_.get(), fw().contextExternalCacheDir);
  }
  if (others) return Answer::refused(AgentRefusal::CleanNotOffered);
  status = 1;
  return Answer::served();
}

}  // namespace zorvik::phone
