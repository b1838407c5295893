package android.provider;

import android.content.Context;
import android.net.Uri;
import zorvik.fakes.Phone;

public final class Telephony {
  Telephony() {}

  public static final class Sms implements BaseColumns {
    public static final Uri CONTENT_URI = Uri.parse(Phone.SMS);

    Sms() {}

    public static String getDefaultSmsPackage(Context context) { return Phone.defaultSmsPackage; }
  }
}
