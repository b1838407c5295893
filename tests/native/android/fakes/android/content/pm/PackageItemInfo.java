package android.content.pm;

public class PackageItemInfo {
  public String name;
  public String packageName;

  public PackageItemInfo() {}
}
