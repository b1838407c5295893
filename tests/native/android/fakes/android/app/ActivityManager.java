package android.app;

import zorvik.fakes.Phone;

public class ActivityManager {
  ActivityManager() {}

  public void getMemoryInfo(MemoryInfo info) {
    info.totalMem = Phone.memoryTotal;
    info.availMem = Phone.memoryAvailable;
  }

  public static class MemoryInfo {
    public long availMem;
    public long totalMem;

    public MemoryInfo() {}
  }
}
