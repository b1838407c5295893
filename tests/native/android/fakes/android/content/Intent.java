package android.content;

import java.util.HashMap;
import java.util.Map;

public class Intent {
  public static final String ACTION_BATTERY_CHANGED = "android.intent.action.BATTERY_CHANGED";

  private final String action;
  final Map<String, Integer> extras = new HashMap<>();

  public Intent(String action) { this.action = action; }

  public String getAction() { return action; }

  public int getIntExtra(String name, int defaultValue) { return extras.getOrDefault(name, defaultValue); }

  public Intent putExtra(String name, int value) {
    extras.put(name, value);
    return this;
  }
}
