package android.content;

import java.util.ArrayList;
import java.util.HashMap;
import java.util.Map;

public class Intent {
  public static final String ACTION_BATTERY_CHANGED = "android.intent.action.BATTERY_CHANGED";
  public static final String ACTION_MAIN = "android.intent.action.MAIN";
  public static final int FLAG_ACTIVITY_NEW_TASK = 268435456;

  private final String action;
  private String packageName;
  private int flags;
  final Map<String, Object> extras = new HashMap<>();

  public Intent(String action) { this.action = action; }

  public String getAction() { return action; }

  public int getIntExtra(String name, int defaultValue) {
    Object v = extras.get(name);
    return v instanceof Integer ? (Integer) v : defaultValue;
  }

  public boolean getBooleanExtra(String name, boolean defaultValue) {
    Object v = extras.get(name);
    return v instanceof Boolean ? (Boolean) v : defaultValue;
  }

  public String getStringExtra(String name) {
    Object v = extras.get(name);
    return v instanceof String ? (String) v : null;
  }

  @SuppressWarnings("unchecked")
  public ArrayList<Integer> getIntegerArrayListExtra(String name) {
    Object v = extras.get(name);
    return v instanceof ArrayList ? (ArrayList<Integer>) v : null;
  }

  public Intent putExtra(String name, int value) {
    extras.put(name, value);
    return this;
  }

  public Intent putExtra(String name, boolean value) {
    extras.put(name, value);
    return this;
  }

  public Intent putExtra(String name, String value) {
    extras.put(name, value);
    return this;
  }

  public Intent putIntegerArrayListExtra(String name, ArrayList<Integer> value) {
    extras.put(name, value == null ? null : new ArrayList<>(value));
    return this;
  }

  public Intent setPackage(String packageName) {
    this.packageName = packageName;
    return this;
  }

  public String getPackage() { return packageName; }

  public Intent addFlags(int flags) {
    this.flags |= flags;
    return this;
  }

  public int getFlags() { return flags; }
}
