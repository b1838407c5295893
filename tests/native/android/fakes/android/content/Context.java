package android.content;

public abstract class Context {
  public static final String ACTIVITY_SERVICE = "activity";
  public static final String AUDIO_SERVICE = "audio";
  public static final String STORAGE_STATS_SERVICE = "storagestats";

  public Context() {}

  public abstract ContentResolver getContentResolver();

  public abstract String getPackageName();

  public abstract Object getSystemService(String name);

  public abstract Intent registerReceiver(BroadcastReceiver receiver, IntentFilter filter);

  public abstract android.content.pm.PackageManager getPackageManager();

  public abstract void startActivity(Intent intent);

  public abstract java.io.File getCacheDir();

  public abstract java.io.File getExternalCacheDir();
}
