package android.os;

import zorvik.fakes.Phone;

public final class SystemClock {
  SystemClock() {}

  public static long elapsedRealtime() { return Phone.uptime; }
}
