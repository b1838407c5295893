package android.content;

public class IntentFilter {
  private final String action;

  public IntentFilter(String action) { this.action = action; }

  public final int countActions() { return 1; }

  public final String getAction(int index) { return action; }
}
