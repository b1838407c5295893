package android.provider;

import android.net.Uri;
import zorvik.fakes.Phone;

public final class ContactsContract {
  public static final String AUTHORITY = "com.android.contacts";

  ContactsContract() {}

  public static class Contacts implements BaseColumns {
    public static final Uri CONTENT_URI = Uri.parse(Phone.CONTACTS);

    Contacts() {}
  }

  public static final class RawContacts implements BaseColumns {
    public static final Uri CONTENT_URI = Uri.parse(Phone.RAW_CONTACTS);

    RawContacts() {}
  }

  public static final class Data {
    public static final Uri CONTENT_URI = Uri.parse(Phone.DATA);

    Data() {}
  }

  public static final class Groups implements BaseColumns {
    public static final Uri CONTENT_URI = Uri.parse(Phone.GROUPS);

    Groups() {}
  }
}
