package android.os;

import zorvik.fakes.Facts;

public class Build {
  public static final String DISPLAY = Facts.text("DISPLAY");
  public static final String HARDWARE = Facts.text("HARDWARE");
  public static final String MANUFACTURER = Facts.text("MANUFACTURER");
  public static final String MODEL = Facts.text("MODEL");

  public Build() {}

  public static class VERSION {
    public static final String RELEASE = Facts.text("RELEASE");
    /** Not final here (Android's is), so a test can run the agent as on another level: Phone.setSdk. */
    public static int SDK_INT = Facts.number("SDK_INT");

    public VERSION() {}
  }
}
