package android.os;

import zorvik.fakes.Phone;

public class StatFs {
  private final long[] sizes;

  public StatFs(String path) {
    sizes = Phone.storage.get(path);
    if (sizes == null) throw new IllegalArgumentException("Invalid path: " + path);
  }

  public long getAvailableBytes() { return sizes[1]; }

  public long getTotalBytes() { return sizes[0]; }
}
