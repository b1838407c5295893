package zorvik.fakes;

import java.util.concurrent.ConcurrentHashMap;

/** The build facts, set by the harness before android.os.Build is first used. */
public final class Facts {
  private Facts() {}

  static final ConcurrentHashMap<String, String> facts = new ConcurrentHashMap<>();

  public static void set(String name, String value) { facts.put(name, value); }

  public static String text(String name) { return facts.get(name); }

  public static int number(String name) { return Integer.parseInt(facts.getOrDefault(name, "0")); }
}
