package zorvik.fakes;

import android.content.Intent;
import android.content.pm.ActivityInfo;
import android.content.pm.ApplicationInfo;
import android.content.pm.PackageInfo;
import android.content.pm.ResolveInfo;
import android.graphics.Bitmap;
import android.graphics.Canvas;
import android.graphics.drawable.BitmapDrawable;
import android.graphics.drawable.Drawable;
import java.awt.image.BufferedImage;
import java.io.ByteArrayInputStream;
import java.io.ByteArrayOutputStream;
import java.io.IOException;
import java.lang.reflect.Method;
import java.util.Random;
import javax.imageio.ImageIO;
import java.util.ArrayList;
import java.util.IdentityHashMap;
import java.util.List;
import java.util.Map;
import java.util.Set;
import java.util.concurrent.ConcurrentHashMap;

/**
 * The fake phone's installed packages behind FakePackageManager, the activities started, and the
 * faults a test asks for. The C++ harness fills it through JNI.
 */
public final class Packages {
  private Packages() {}

  static final class Entry {
    PackageInfo info;
    String label;
    Drawable icon;
    boolean launchable = true;
  }

  static final List<Entry> entries = new ArrayList<>();
  static final Map<ApplicationInfo, Entry> byApplication = new IdentityHashMap<>();
  static final List<String> started = new ArrayList<>();
  /** Each start also printed on standard output, for a host whose callers cannot call in. */
  static boolean echoStarts;

  /** A manifest receiver for one broadcast action. */
  static final class Receiver {
    final String action;
    final ResolveInfo info;

    Receiver(String action, ResolveInfo info) {
      this.action = action;
      this.info = info;
    }
  }

  static final List<Receiver> receivers = new ArrayList<>();
  /** The alarms asked of the clock app (AlarmClock.ACTION_SET_ALARM), described. */
  static final List<String> alarmsSet = new ArrayList<>();
  static final String SET_ALARM = "android.intent.action.SET_ALARM";

  // ---- faults
  static volatile boolean listRefused;
  static volatile boolean receiversRefused;
  static volatile boolean clockPresent = true;
  static final Set<String> iconFails = ConcurrentHashMap.newKeySet();
  static final Set<String> activityGone = ConcurrentHashMap.newKeySet();

  /** What startActivity throws for an activity that went away (ActivityNotFoundException on a phone). */
  static final class ActivityGone extends RuntimeException {
    ActivityGone(String what) { super("No Activity found to handle " + what); }
  }

  /** An icon that is no bitmap (an adaptive or vector icon): drawn in one colour within its bounds. */
  static final class Painted extends Drawable {
    final int width, height, argb;
    int boundsWidth, boundsHeight;

    Painted(int width, int height, int argb) {
      this.width = width;
      this.height = height;
      this.argb = argb;
    }

    @Override
    public void setBounds(int left, int top, int right, int bottom) {
      boundsWidth = right - left;
      boundsHeight = bottom - top;
    }

    @Override
    public void draw(Canvas canvas) {
      long start = System.nanoTime();
      // A drawable draws within its bounds; none set, nothing drawn.
      if (boundsWidth > 0 && boundsHeight > 0) canvas.drawColor(argb);
      Timing.addGraphics(start);
    }

    @Override
    public int getIntrinsicWidth() { return width; }

    @Override
    public int getIntrinsicHeight() { return height; }
  }

  public static synchronized void reset() {
    entries.clear();
    byApplication.clear();
    started.clear();
    receivers.clear();
    alarmsSet.clear();
    resetFaults();
  }

  public static void resetFaults() {
    listRefused = false;
    receiversRefused = false;
    clockPresent = true;
    iconFails.clear();
    activityGone.clear();
  }

  @SuppressWarnings("deprecation")
  static Drawable bitmapIcon(byte[] png) {
    if (png == null || png.length == 0) return null;
    try {
      Method decode = Bitmap.class.getDeclaredMethod("decode", byte[].class);
      decode.setAccessible(true);
      return new BitmapDrawable((Bitmap) decode.invoke(null, (Object) png));
    } catch (ReflectiveOperationException e) {
      throw new IllegalStateException(e);
    }
  }

  @SuppressWarnings("deprecation")
  public static synchronized void load(String label, String name, String version, int versionCode, String sourceDir,
                                       int system, long installTime, byte[] png) {
    Entry e = new Entry();
    e.info = new PackageInfo();
    e.info.packageName = name;
    e.info.versionName = version;
    e.info.versionCode = versionCode;
    e.info.firstInstallTime = installTime;
    e.info.lastUpdateTime = installTime;
    e.info.applicationInfo = new ApplicationInfo();
    e.info.applicationInfo.flags = system != 0 ? ApplicationInfo.FLAG_SYSTEM : 0;
    e.info.applicationInfo.sourceDir = sourceDir;
    e.info.applicationInfo.uid = 10000 + entries.size();
    e.info.applicationInfo.storageUuid = Tools.INTERNAL;
    e.label = label;
    e.icon = bitmapIcon(png);
    entries.add(e);
    byApplication.put(e.info.applicationInfo, e);
  }

  static synchronized Entry named(String name) {
    for (Entry e : entries)
      if (e.info.packageName.equals(name)) return e;
    throw new IllegalArgumentException("no package " + name);
  }

  static synchronized int uidOf(String name) { return named(name).info.applicationInfo.uid; }

  public static synchronized void setIcon(String name, byte[] png) { named(name).icon = bitmapIcon(png); }

  public static synchronized void setPaintedIcon(String name, int width, int height, int argb) {
    named(name).icon = new Painted(width, height, argb);
  }

  public static synchronized void setLaunchable(String name, boolean launchable) { named(name).launchable = launchable; }

  public static void refuseList() { listRefused = true; }

  public static void refuseReceivers() { receiversRefused = true; }

  /** A phone without an app that takes AlarmClock.ACTION_SET_ALARM. */
  public static void removeClock() { clockPresent = false; }

  /** A receiver of the package for action, its class named className. */
  public static synchronized void loadReceiver(String name, String className, String action) {
    ResolveInfo r = new ResolveInfo();
    r.activityInfo = new ActivityInfo();
    r.activityInfo.packageName = name;
    r.activityInfo.name = className;
    r.activityInfo.applicationInfo = named(name).info.applicationInfo;
    receivers.add(new Receiver(action, r));
  }

  public static synchronized int alarmSetCount() { return alarmsSet.size(); }

  public static synchronized String alarmSetAt(int i) { return alarmsSet.get(i); }

  public static void failIcon(String name) { iconFails.add(name); }

  public static void loseActivity(String name) { activityGone.add(name); }

  public static void echoStarts(boolean on) { echoStarts = on; }

  public static synchronized int startedCount() { return started.size(); }

  /** "package flags" of the i-th activity started. */
  public static synchronized String startedAt(int i) { return started.get(i); }

  // ---- pictures, for the tests
  /** A PNG of w x h: a coloured square, with noise over it when noisy (which PNG cannot squeeze). */
  static byte[] png(int w, int h, int argb, boolean noisy, long seed) {
    BufferedImage image = new BufferedImage(w, h, BufferedImage.TYPE_INT_ARGB);
    Random random = new Random(seed);
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) image.setRGB(x, y, noisy ? random.nextInt() | 0xFF000000 : argb);
    ByteArrayOutputStream out = new ByteArrayOutputStream();
    try {
      ImageIO.write(image, "png", out);
    } catch (IOException e) {
      throw new IllegalStateException(e);
    }
    return out.toByteArray();
  }

  /** Gives the package a noisy bitmap icon of w x h; answers the PNG's length. */
  public static int setNoiseIcon(String name, int w, int h) {
    byte[] bytes = png(w, h, 0, true, name.hashCode());
    setIcon(name, bytes);
    return bytes.length;
  }

  /** The pixel at x, y of a PNG (ARGB). */
  public static int pixel(byte[] png, int x, int y) throws IOException {
    return ImageIO.read(new ByteArrayInputStream(png)).getRGB(x, y);
  }

  /** count user packages, each with its own side x side bitmap icon (half of them noisy over a quarter). */
  public static synchronized void loadBench(int count, int side) {
    reset();
    for (int i = 0; i < count; ++i) {
      BufferedImage image = new BufferedImage(side, side, BufferedImage.TYPE_INT_ARGB);
      Random random = new Random(i);
      int colour = random.nextInt() | 0xFF000000;
      for (int y = 0; y < side; ++y)
        for (int x = 0; x < side; ++x)
          image.setRGB(x, y, i % 2 == 1 && x < side / 2 && y < side / 2 ? random.nextInt() | 0xFF000000 : colour);
      ByteArrayOutputStream out = new ByteArrayOutputStream();
      try {
        ImageIO.write(image, "png", out);
      } catch (IOException e) {
        throw new IllegalStateException(e);
      }
      String name = "com.example.app" + i;
      load("应用 " + i, name, "1." + i, i + 1, "/data/app/" + name + "-1/base.apk", 0, 1354953600000L - i * 86400000L,
          out.toByteArray());
    }
  }

  // ---- what the package manager answers
  static List<PackageInfo> installed() {
    long start = System.nanoTime();
    try {
      if (listRefused) throw new SecurityException("getInstalledPackages: not allowed");
      synchronized (Packages.class) {
        List<PackageInfo> out = new ArrayList<>(entries.size());
        for (Entry e : entries) out.add(e.info);
        return out;
      }
    } finally {
      Timing.add(start);
    }
  }

  static synchronized CharSequence label(ApplicationInfo info) {
    Entry e = byApplication.get(info);
    return e == null ? null : new StringBuilder(e.label);  // a CharSequence that is no String, as labels can be
  }

  static synchronized Drawable icon(ApplicationInfo info) {
    Entry e = byApplication.get(info);
    if (e == null) throw new IllegalArgumentException("unknown application");
    if (iconFails.contains(e.info.packageName)) throw new RuntimeException("Resources$NotFoundException: icon");
    return e.icon;
  }

  static synchronized Intent launchIntent(String name) {
    for (Entry e : entries)
      if (e.info.packageName.equals(name)) return e.launchable ? new Intent(Intent.ACTION_MAIN).setPackage(name) : null;
    return null;
  }

  static List<ResolveInfo> receiversOf(Intent intent) {
    long start = System.nanoTime();
    try {
      if (receiversRefused) throw new SecurityException("queryBroadcastReceivers: not allowed");
      synchronized (Packages.class) {
        List<ResolveInfo> out = new ArrayList<>();
        for (Receiver r : receivers)
          if (r.action.equals(intent.getAction())) out.add(r.info);
        return out;
      }
    } finally {
      Timing.add(start);
    }
  }

  static ResolveInfo activityFor(Intent intent) {
    if (!SET_ALARM.equals(intent.getAction()) || !clockPresent) return null;
    ResolveInfo r = new ResolveInfo();
    r.activityInfo = new ActivityInfo();
    r.activityInfo.packageName = "com.android.deskclock";
    r.activityInfo.name = "com.android.deskclock.HandleApiCalls";
    return r;
  }

  static synchronized void setAlarm(Intent intent) {
    if (!clockPresent) throw new ActivityGone(intent.getAction());
    alarmsSet.add(String.format("%d:%02d days=%s message=%s vibrate=%b skipUi=%b ringtone=%s flags=%d",
        intent.getIntExtra("android.intent.extra.alarm.HOUR", -1), intent.getIntExtra("android.intent.extra.alarm.MINUTES", -1),
        intent.getIntegerArrayListExtra("android.intent.extra.alarm.DAYS"), intent.getStringExtra("android.intent.extra.alarm.MESSAGE"),
        intent.getBooleanExtra("android.intent.extra.alarm.VIBRATE", false),
        intent.getBooleanExtra("android.intent.extra.alarm.SKIP_UI", false),
        intent.getStringExtra("android.intent.extra.alarm.RINGTONE"), intent.getFlags()));
  }

  static synchronized void start(Intent intent) {
    if (activityGone.contains(intent.getPackage())) throw new ActivityGone(intent.getPackage());
    started.add(intent.getPackage() + " " + intent.getFlags());
    if (echoStarts) System.out.println("jvm_agent_host: started " + intent.getPackage() + " " + intent.getFlags());
  }
}
