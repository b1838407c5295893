package android.content.pm;

public class ComponentInfo extends PackageItemInfo {
  public ApplicationInfo applicationInfo;
  public boolean enabled = true;

  public ComponentInfo() {}
}
