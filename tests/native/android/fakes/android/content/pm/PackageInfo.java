package android.content.pm;

public class PackageInfo {
  public String packageName;
  public String versionName;
  @Deprecated public int versionCode;
  public long firstInstallTime;
  public long lastUpdateTime;
  public ApplicationInfo applicationInfo;

  public PackageInfo() {}
}
