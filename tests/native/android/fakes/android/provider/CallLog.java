package android.provider;

import android.net.Uri;
import zorvik.fakes.Phone;

public class CallLog {
  public CallLog() {}

  public static class Calls implements BaseColumns {
    public static final Uri CONTENT_URI = Uri.parse(Phone.CALLS);

    public Calls() {}
  }
}
