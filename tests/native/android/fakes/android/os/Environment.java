package android.os;

import java.io.File;

public class Environment {
  public Environment() {}

  public static File getDataDirectory() { return new File("/data"); }

  public static File getExternalStorageDirectory() { return new File("/storage/emulated/0"); }
}
