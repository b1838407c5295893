package zorvik.fakes;

import android.app.usage.StorageStatsManager;
import android.media.AudioManager;
import java.io.IOException;
import java.lang.reflect.Constructor;
import java.util.Map;
import java.util.Set;
import java.util.UUID;
import java.util.concurrent.ConcurrentHashMap;

/**
 * The fake phone's side of the tools pages: the volumes behind AudioManager, the "modify system
 * settings" and usage accesses, the cache figures behind StorageStatsManager, the agent's own cache
 * folder, and the faults a test asks for. The C++ harness fills it through JNI.
 */
public final class Tools {
  private Tools() {}

  /** The volume of the internal storage, as ApplicationInfo.storageUuid names it. */
  public static final UUID INTERNAL = UUID.fromString("41217664-9172-527a-b3d5-edabb50a7d69");

  static final Map<Integer, int[]> volumes = new ConcurrentHashMap<>();  // stream -> value, max
  static final Map<Integer, Long> cacheByUid = new ConcurrentHashMap<>();
  public static volatile boolean writeSettings = true;
  public static volatile boolean usageAccess = true;
  public static volatile int ownUid = 10999;
  public static volatile String cacheDir = "";

  // ---- faults
  /** Settings.System keys the phone keeps from apps (putInt throws IllegalArgumentException). */
  static final Set<String> privateSettings = ConcurrentHashMap.newKeySet();
  /** Do Not Disturb without its access: setStreamVolume throws SecurityException. */
  static volatile boolean volumeRefused;
  /** A phone of fixed volume: setStreamVolume changes nothing. */
  static volatile boolean volumeFixed;
  /** Uids whose figures fail (a package removed meanwhile). */
  static final Set<Integer> statsFail = ConcurrentHashMap.newKeySet();

  public static void reset() {
    volumes.clear();
    cacheByUid.clear();
    cacheDir = "";
    resetFaults();
  }

  public static void resetFaults() {
    writeSettings = true;
    usageAccess = true;
    privateSettings.clear();
    volumeRefused = false;
    volumeFixed = false;
    statsFail.clear();
  }

  // ---- loading and faults, from the harness
  public static void loadVolume(int stream, int value, int max) { volumes.put(stream, new int[] {value, max}); }

  public static void loadCache(String packageName, long bytes) { cacheByUid.put(Packages.uidOf(packageName), bytes); }

  /** A cache of some kilobytes, from the name. */
  public static void loadCache(String packageName) { loadCache(packageName, 1024L * (1 + Math.abs(packageName.hashCode() % 60000))); }

  public static void setCacheDir(String path) { cacheDir = path; }

  public static void allowWriteSettings(int allowed) { writeSettings = allowed != 0; }

  public static void allowUsage(int allowed) { usageAccess = allowed != 0; }

  public static void keepPrivate(String name) { privateSettings.add(name); }

  public static void refuseVolume(int refused) { volumeRefused = refused != 0; }

  public static void fixVolume(int fixed) { volumeFixed = fixed != 0; }

  public static void failStats(String packageName) { statsFail.add(Packages.uidOf(packageName)); }

  // ---- what the framework answers
  public static int volume(int stream) { return volumes.getOrDefault(stream, new int[] {0, 0})[0]; }

  public static int maxVolume(int stream) { return volumes.getOrDefault(stream, new int[] {0, 0})[1]; }

  public static void setVolume(int stream, int index) {
    if (volumeRefused) throw new SecurityException("Not allowed to change Do Not Disturb state");
    int[] v = volumes.get(stream);
    if (v == null) throw new IllegalArgumentException("Bad stream type " + stream);
    if (!volumeFixed) v[0] = Math.max(0, Math.min(index, v[1]));
  }

  public static boolean canWrite() { return writeSettings; }

  public static void checkWrite(String name) {
    if (!writeSettings)
      throw new SecurityException("com.zorvik.Zorvik was not granted this permission: android.permission.WRITE_SETTINGS.");
    if (privateSettings.contains(name))
      throw new IllegalArgumentException("You cannot change private secure settings.");
  }

  public static long cacheOf(UUID volume, int uid) throws IOException {
    if (!INTERNAL.equals(volume)) throw new IOException("no volume " + volume);
    if (!usageAccess && uid != ownUid) throw new SecurityException("Caller does not have access to storage stats");
    if (statsFail.contains(uid)) throw new IOException("uid " + uid + " has no figures");
    return cacheByUid.getOrDefault(uid, 0L);
  }

  static synchronized Object service(String name) {
    try {
      Class<?> type = name.equals("audio") ? AudioManager.class : StorageStatsManager.class;
      Constructor<?> c = type.getDeclaredConstructor();
      c.setAccessible(true);
      return c.newInstance();
    } catch (ReflectiveOperationException e) {
      throw new IllegalStateException(e);
    }
  }
}
