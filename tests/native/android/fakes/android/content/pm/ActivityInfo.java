package android.content.pm;

public class ActivityInfo extends ComponentInfo {
  public ActivityInfo() {}
}
