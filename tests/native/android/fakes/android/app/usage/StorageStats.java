package android.app.usage;

/** One uid's figures, as the fake phone keeps them (only the cache is asked for). */
public final class StorageStats {
  final long cacheBytes;

  StorageStats(long cacheBytes) { this.cacheBytes = cacheBytes; }

  public long getCacheBytes() { return cacheBytes; }
}
