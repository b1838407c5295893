package android.content.pm;

public class ResolveInfo {
  public ActivityInfo activityInfo;

  public ResolveInfo() {}
}
