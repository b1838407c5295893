package zorvik.fakes;

import android.content.BroadcastReceiver;
import android.content.ContentResolver;
import android.content.Context;
import android.content.Intent;
import android.content.IntentFilter;
import java.lang.reflect.Constructor;
import java.util.Map;

/** The application context the agent is started with. */
public final class FakeContext extends Context {
  private final ContentResolver resolver = new ContentResolver(this) {};
  private Object activityManager;
  private final FakePackageManager packageManager = new FakePackageManager();

  @Override
  public ContentResolver getContentResolver() { return resolver; }

  @Override
  public String getPackageName() { return Phone.packageName; }

  @Override
  public synchronized Object getSystemService(String name) {
    if (AUDIO_SERVICE.equals(name)) return Tools.service(name);
    // Android 8.0's.
    if (STORAGE_STATS_SERVICE.equals(name)) return android.os.Build.VERSION.SDK_INT >= 26 ? Tools.service(name) : null;
    if (!ACTIVITY_SERVICE.equals(name)) return null;
    if (activityManager == null) {
      try {
        Constructor<?> c = Class.forName("android.app.ActivityManager").getDeclaredConstructor();
        c.setAccessible(true);
        activityManager = c.newInstance();
      } catch (ReflectiveOperationException e) {
        throw new IllegalStateException(e);
      }
    }
    return activityManager;
  }

  @Override
  public android.content.pm.PackageManager getPackageManager() { return packageManager; }

  @Override
  public void startActivity(Intent intent) {
    if (Packages.SET_ALARM.equals(intent.getAction())) Packages.setAlarm(intent);
    else Packages.start(intent);
  }

  @Override
  public java.io.File getCacheDir() { return new java.io.File(Tools.cacheDir); }

  /** No external storage mounted for the agent's own files. */
  @Override
  public java.io.File getExternalCacheDir() { return null; }

  /** Only the sticky battery intent is there to be had. */
  @Override
  public Intent registerReceiver(BroadcastReceiver receiver, IntentFilter filter) {
    if (receiver != null) throw new UnsupportedOperationException("the agent only reads sticky intents");
    if (!Intent.ACTION_BATTERY_CHANGED.equals(filter.getAction(0)) || Phone.battery.isEmpty()) return null;
    Intent sticky = new Intent(Intent.ACTION_BATTERY_CHANGED);
    for (Map.Entry<String, Integer> e : Phone.battery.entrySet()) sticky.putExtra(e.getKey(), e.getValue());
    return sticky;
  }
}
