package android.provider;

import android.content.ContentResolver;
import java.util.Map;
import zorvik.fakes.Phone;

public final class Settings {
  Settings() {}

  static int number(Map<String, String> table, String name, int fallback) {
    String v = table.get(name);
    if (v == null) return fallback;
    try {
      return Integer.parseInt(v);
    } catch (NumberFormatException e) {
      return fallback;
    }
  }

  public static boolean canDrawOverlays(android.content.Context context) { return Phone.overlayAllowed; }

  public static class NameValueTable implements BaseColumns {
    public NameValueTable() {}
  }

  public static final class System extends NameValueTable {
    public System() {}

    public static int getInt(ContentResolver cr, String name, int def) { return number(Phone.system, name, def); }

    public static String getString(ContentResolver cr, String name) { return Phone.system.get(name); }

    public static boolean putInt(ContentResolver cr, String name, int value) { return putString(cr, name, Integer.toString(value)); }

    public static boolean putString(ContentResolver cr, String name, String value) {
      zorvik.fakes.Tools.checkWrite(name);
      Phone.system.put(name, value);
      return true;
    }

    public static boolean canWrite(android.content.Context context) { return zorvik.fakes.Tools.canWrite(); }
  }

  public static final class Secure extends NameValueTable {
    public Secure() {}

    public static int getInt(ContentResolver cr, String name, int def) { return number(Phone.secure, name, def); }

    public static String getString(ContentResolver cr, String name) { return Phone.secure.get(name); }
  }

  public static final class Global extends NameValueTable {
    public Global() {}

    public static int getInt(ContentResolver cr, String name, int def) { return number(Phone.global, name, def); }
  }
}
