package zorvik.fakes;

import java.util.concurrent.atomic.AtomicInteger;
import java.util.concurrent.atomic.AtomicLong;

/** What the fake providers spend of a request's time, and the cursors left open. */
public final class Timing {
  static final AtomicLong nanos = new AtomicLong();
  static final AtomicInteger openCursors = new AtomicInteger();

  private Timing() {}

  static void add(long start) { nanos.addAndGet(System.nanoTime() - start); }

  public static long providerNanos() { return nanos.get(); }

  public static void resetProviderNanos() { nanos.set(0); }

  public static int openCursors() { return openCursors.get(); }
}
