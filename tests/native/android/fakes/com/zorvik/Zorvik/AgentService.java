package com.zorvik.Zorvik;

import android.content.Context;

/** What the package's service does with the native library: load it and call its one entry. */
public final class AgentService {
  private AgentService() {}

  private static native void start(Context context);

  public static void launch(String library, Context context) {
    System.load(library);
    start(context);
  }
}
