package zorvik.fakes;

import java.util.concurrent.atomic.AtomicInteger;
import java.util.concurrent.atomic.AtomicLong;

/** What the fake providers (and the fake graphics, apart) spend of a request's time, and the cursors left open. */
public final class Timing {
  static final AtomicLong nanos = new AtomicLong();
  static final AtomicInteger openCursors = new AtomicInteger();
  static final AtomicLong graphicsNanos = new AtomicLong();
  static final AtomicInteger unrecycledBitmaps = new AtomicInteger();

  private Timing() {}

  static void add(long start) { nanos.addAndGet(System.nanoTime() - start); }

  /** For the fake android.graphics: what scaling, drawing and PNG encoding took. */
  public static void addGraphics(long start) { graphicsNanos.addAndGet(System.nanoTime() - start); }

  /** For the fake Bitmap: one made by createBitmap or createScaledBitmap, one of those recycled. */
  public static void bitmapMade() { unrecycledBitmaps.incrementAndGet(); }

  public static void bitmapRecycled() { unrecycledBitmaps.decrementAndGet(); }

  public static int unrecycledBitmaps() { return unrecycledBitmaps.get(); }

  public static long providerNanos() { return nanos.get(); }

  public static long graphicsNanos() { return graphicsNanos.get(); }

  public static void resetProviderNanos() {
    nanos.set(0);
    graphicsNanos.set(0);
  }

  public static int openCursors() { return openCursors.get(); }
}
