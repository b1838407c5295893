package android.telephony;

import java.util.ArrayList;
import zorvik.fakes.Phone;

public final class SmsManager {
  private static final SmsManager DEFAULT = new SmsManager();

  SmsManager() {}

  public static SmsManager getDefault() { return DEFAULT; }

  /** Splits as the radio would for UCS-2 texts: 70 characters in one part, 67 in each part of more. */
  public ArrayList<String> divideMessage(String text) {
    ArrayList<String> parts = new ArrayList<>();
    if (text.length() <= 70) {
      parts.add(text);
      return parts;
    }
    int at = 0;
    while (at < text.length()) {
      int end = Math.min(text.length(), at + 67);
      if (end < text.length() && Character.isHighSurrogate(text.charAt(end - 1))) --end;
      parts.add(text.substring(at, end));
      at = end;
    }
    return parts;
  }

  public void sendMultipartTextMessage(String destination, String scAddress, ArrayList<String> parts,
      ArrayList<?> sentIntents, ArrayList<?> deliveryIntents) {
    if (destination == null || destination.isEmpty()) throw new IllegalArgumentException("Invalid destinationAddress");
    if (parts == null || parts.isEmpty()) throw new IllegalArgumentException("Invalid message body");
    if (Phone.smsSendRefused) throw new SecurityException("Sending SMS message: uid does not have android.permission.SEND_SMS.");
    Phone.recordSent(destination, parts);
  }
}
