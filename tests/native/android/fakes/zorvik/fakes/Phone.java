package zorvik.fakes;

import java.util.ArrayList;
import java.util.HashMap;
import java.util.LinkedHashMap;
import java.util.List;
import java.util.Map;
import java.util.concurrent.ConcurrentHashMap;

/**
 * The fake phone behind the android.* fakes: the contacts, SMS and call-log providers' tables,
 * settings, the sticky battery intent, storage, memory, the build facts, the messages sent, and
 * the faults a test asks for. The C++ harness fills it through JNI (the load* methods).
 */
public final class Phone {
  private Phone() {}

  public static final String CONTACTS = "content://com.android.contacts/contacts";
  public static final String RAW_CONTACTS = "content://com.android.contacts/raw_contacts";
  public static final String DATA = "content://com.android.contacts/data";
  public static final String GROUPS = "content://com.android.contacts/groups";
  public static final String SMS = "content://sms";
  public static final String CALLS = "content://call_log/calls";

  static final String NAME_TYPE = "vnd.android.cursor.item/name";

  public static final Table rawContacts = new Table("raw_contacts");
  public static final Table data = new Table("data");
  public static final Table groups = new Table("groups");
  public static final Table sms = new Table("sms");
  public static final Table calls = new Table("calls");
  static long nextContactId = 1;

  public static final Map<String, String> system = new ConcurrentHashMap<>();
  public static final Map<String, String> secure = new ConcurrentHashMap<>();
  public static final Map<String, String> global = new ConcurrentHashMap<>();
  public static final Map<String, Integer> battery = new ConcurrentHashMap<>();
  public static final Map<String, long[]> storage = new ConcurrentHashMap<>();  // path -> total, available
  public static volatile long memoryTotal, memoryAvailable, uptime;
  public static volatile String packageName = "com.zorvik.Zorvik";
  public static volatile String defaultSmsPackage = "com.android.mms";
  public static volatile long now = 1354953600000L;
  /** Messages handed to SmsManager: destination, then the parts. */
  public static final List<String[]> sent = new ArrayList<>();

  // ---- faults
  /** Tables (by name) whose every use throws SecurityException. */
  public static final Map<String, Boolean> refused = new ConcurrentHashMap<>();
  /** Tables whose cursors throw when they reach this row. */
  public static final Map<String, Integer> cursorThrowsAt = new ConcurrentHashMap<>();
  /** Tables whose cursors end before this row. */
  public static final Map<String, Integer> cursorEndsAt = new ConcurrentHashMap<>();
  /** The batch operation (by index) that fails; -1 none. */
  public static volatile int batchFailsAt = -1;
  public static volatile boolean smsSendRefused;
  /** Settings.canDrawOverlays: the "display over other apps" access (granted through appops). */
  public static volatile boolean overlayAllowed = true;

  /** The SDK level the agent sees from now on (the harness puts the data set's back). */
  public static void setSdk(int level) { android.os.Build.VERSION.SDK_INT = level; }

  public static void allowOverlay(int allowed) { overlayAllowed = allowed != 0; }

  public static synchronized void reset() {
    for (Table t : new Table[] {rawContacts, data, groups, sms, calls}) t.clear();
    nextContactId = 1;
    system.clear();
    secure.clear();
    global.clear();
    battery.clear();
    storage.clear();
    sent.clear();
    Packages.reset();
    Tools.reset();
    resetFaults();
  }

  public static void resetFaults() {
    refused.clear();
    cursorThrowsAt.clear();
    cursorEndsAt.clear();
    batchFailsAt = -1;
    smsSendRefused = false;
    overlayAllowed = true;
    Packages.resetFaults();
    Tools.resetFaults();
  }

  // ---- loading, from the harness
  public static void loadRawContact(long contactId, long rawId, int starred, long lastContacted, int timesContacted) {
    Map<String, Object> v = new LinkedHashMap<>();
    v.put("_id", rawId);
    v.put("contact_id", contactId);
    v.put("starred", (long) starred);
    v.put("last_time_contacted", lastContacted);
    v.put("times_contacted", (long) timesContacted);
    v.put("deleted", 0L);
    rawContacts.insert(v);
    nextContactId = Math.max(nextContactId, contactId + 1);
  }

  /** One data row; data2 is the type (or 0), data5 the IM protocol (or null). */
  public static void loadData(long id, long rawId, String mimetype, String data1, int data2, String data5, byte[] data15) {
    Map<String, Object> v = new LinkedHashMap<>();
    v.put("_id", id);
    v.put("raw_contact_id", rawId);
    v.put("mimetype", mimetype);
    v.put("data1", data1);
    v.put("data2", (long) data2);
    if (data5 != null) v.put("data5", data5);
    if (data15 != null) v.put("data15", data15);
    data.insert(v);
  }

  public static void loadGroup(long id, String title, String account, int visible) {
    Map<String, Object> v = new LinkedHashMap<>();
    v.put("_id", id);
    v.put("title", title);
    v.put("account_name", account);
    v.put("group_visible", (long) visible);
    v.put("deleted", 0L);
    groups.insert(v);
  }

  public static void loadSms(long id, long threadId, String address, long date, int type, String body) {
    Map<String, Object> v = new LinkedHashMap<>();
    v.put("_id", id);
    v.put("thread_id", threadId);
    v.put("address", address);
    v.put("date", date);
    v.put("type", (long) type);
    v.put("body", body);
    sms.insert(v);
  }

  public static void loadCall(long id, String number, long date, long duration, int type) {
    Map<String, Object> v = new LinkedHashMap<>();
    v.put("_id", id);
    v.put("number", number);
    v.put("date", date);
    v.put("duration", duration);
    v.put("type", (long) type);
    calls.insert(v);
  }

  public static void loadSetting(String table, String name, String value) {
    (table.equals("system") ? system : table.equals("secure") ? secure : global).put(name, value);
  }

  public static void loadBattery(int level, int scale) {
    battery.put("level", level);
    battery.put("scale", scale);
  }

  public static void loadMemory(long total, long available, long upFor) {
    memoryTotal = total;
    memoryAvailable = available;
    uptime = upFor;
  }

  public static void refuse(String table) { refused.put(table, true); }

  public static void cursorThrows(String table, int row) { cursorThrowsAt.put(table, row); }

  public static void cursorEnds(String table, int row) { cursorEndsAt.put(table, row); }

  public static void loadStorage(String path, long total, long available) {
    storage.put(path, new long[] {total, available});
  }

  // ---- what the providers answer
  static String tableName(String uri) {
    switch (uri) {
      case CONTACTS: return "contacts";
      case RAW_CONTACTS: return "raw_contacts";
      case DATA: return "data";
      case GROUPS: return "groups";
      case SMS: return "sms";
      case CALLS: return "calls";
      default: throw new IllegalArgumentException("Unknown URI " + uri);
    }
  }

  static void checkAllowed(String table) {
    if (refused.containsKey(table))
      throw new SecurityException("Permission Denial: reading " + table + " requires a permission");
  }

  /** The contacts, as the provider aggregates them from the raw contacts and their names. */
  static List<Map<String, Object>> contactRows() {
    Map<Long, Map<String, Object>> byId = new LinkedHashMap<>();
    for (Map<String, Object> r : rawContacts.select(null, null)) {
      if (((Number) r.get("deleted")).longValue() != 0) continue;
      long id = ((Number) r.get("contact_id")).longValue();
      Map<String, Object> c = byId.get(id);
      if (c == null) {
        c = new HashMap<>();
        c.put("_id", id);
        c.put("name_raw_contact_id", r.get("_id"));
        c.put("starred", r.get("starred"));
        c.put("last_time_contacted", r.get("last_time_contacted"));
        c.put("times_contacted", r.get("times_contacted"));
        byId.put(id, c);
      } else if (((Number) r.get("starred")).longValue() != 0) {
        c.put("starred", 1L);
      }
    }
    Map<Long, Long> rawToContact = rawToContact();
    for (Map<String, Object> d : data.select(null, null)) {
      if (!NAME_TYPE.equals(d.get("mimetype"))) continue;
      Long contact = rawToContact.get(((Number) d.get("raw_contact_id")).longValue());
      Map<String, Object> c = contact == null ? null : byId.get(contact);
      if (c != null && !c.containsKey("display_name")) c.put("display_name", d.get("data1"));
    }
    return new ArrayList<>(byId.values());
  }

  static Map<Long, Long> rawToContact() {
    Map<Long, Long> map = new HashMap<>();
    for (Map<String, Object> r : rawContacts.select(null, null))
      map.put(((Number) r.get("_id")).longValue(), ((Number) r.get("contact_id")).longValue());
    return map;
  }

  /** The data rows joined with their contact's id and name. */
  static List<Map<String, Object>> dataRows() {
    Map<Long, Long> rawToContact = rawToContact();
    Map<Long, Object> names = new HashMap<>();
    for (Map<String, Object> c : contactRows()) names.put((Long) c.get("_id"), c.get("display_name"));
    List<Map<String, Object>> out = new ArrayList<>();
    for (Map<String, Object> d : data.select(null, null)) {
      Long contact = rawToContact.get(((Number) d.get("raw_contact_id")).longValue());
      if (contact == null) continue;
      Map<String, Object> row = new HashMap<>(d);
      row.put("contact_id", contact);
      row.put("display_name", names.get(contact));
      out.add(row);
    }
    return out;
  }

  static List<Map<String, Object>> filter(List<Map<String, Object>> rows, String selection, String[] args) {
    Table.Matcher m = new Table.Matcher(selection, args);
    List<Map<String, Object>> out = new ArrayList<>();
    for (Map<String, Object> r : rows) if (m.matches(r)) out.add(r);
    return out;
  }

  public static FakeCursor query(String uri, String[] projection, String selection, String[] args, String order) {
    long start = System.nanoTime();
    String table = tableName(uri);
    checkAllowed(table);
    if (projection == null) throw new IllegalArgumentException("the agent always names its columns");
    List<Map<String, Object>> rows;
    switch (table) {
      case "contacts": rows = filter(contactRows(), selection, args); break;
      case "data": rows = filter(dataRows(), selection, args); break;
      default: rows = table(table).select(selection, args); break;
    }
    Table.sort(rows, order);
    Timing.add(start);
    return new FakeCursor(projection, rows, cursorThrowsAt.getOrDefault(table, -1), cursorEndsAt.getOrDefault(table, -1));
  }

  static Table table(String name) {
    switch (name) {
      case "raw_contacts": return rawContacts;
      case "data": return data;
      case "groups": return groups;
      case "sms": return sms;
      case "calls": return calls;
      default: throw new UnsupportedOperationException("read-only: " + name);
    }
  }

  /** Inserts a row; a raw contact without a contact joins a new one. Returns the new row's id. */
  public static long insert(String uri, Map<String, Object> values) {
    String table = tableName(uri);
    checkAllowed(table);
    Map<String, Object> v = new LinkedHashMap<>(values);
    if (table.equals("raw_contacts")) {
      v.putIfAbsent("contact_id", nextContactId++);
      v.putIfAbsent("starred", 0L);
      v.putIfAbsent("last_time_contacted", 0L);
      v.putIfAbsent("times_contacted", 0L);
      v.putIfAbsent("deleted", 0L);
    } else if (table.equals("data")) {
      if (!v.containsKey("raw_contact_id") || !rawToContact().containsKey(((Number) v.get("raw_contact_id")).longValue()))
        throw new IllegalArgumentException("data row without a raw contact");
      if (!v.containsKey("mimetype")) throw new IllegalArgumentException("data row without a mimetype");
    } else if (table.equals("groups")) {
      v.putIfAbsent("deleted", 0L);
      v.putIfAbsent("group_visible", 0L);
    }
    return table(table).insert(v);
  }

  public static int update(String uri, Map<String, Object> values, String selection, String[] args) {
    String table = tableName(uri);
    checkAllowed(table);
    if (table.equals("contacts")) {
      // Writable columns of an aggregate go to its raw contacts.
      int n = 0;
      for (Map<String, Object> c : filter(contactRows(), selection, args))
        n += rawContacts.update(values, "contact_id=?", new String[] {c.get("_id").toString()}) > 0 ? 1 : 0;
      return n;
    }
    return table(table).update(values, selection, args);
  }

  public static int delete(String uri, String selection, String[] args) {
    String table = tableName(uri);
    checkAllowed(table);
    if (table.equals("raw_contacts")) {
      List<Map<String, Object>> gone = rawContacts.select(selection, args);
      for (Map<String, Object> r : gone) data.delete("raw_contact_id=?", new String[] {r.get("_id").toString()});
      return rawContacts.delete(selection, args);
    }
    if (table.equals("contacts")) throw new UnsupportedOperationException("delete raw contacts instead");
    return table(table).delete(selection, args);
  }

  public static String authorityOf(String uri) {
    String rest = uri.substring(uri.indexOf("://") + 3);
    int slash = rest.indexOf('/');
    return slash < 0 ? rest : rest.substring(0, slash);
  }

  public static long idOf(android.net.Uri uri) {
    String s = uri.toString();
    return Long.parseLong(s.substring(s.lastIndexOf('/') + 1));
  }

  public static Object save() { return new Saved(); }

  public static void restore(Object saved) { ((Saved) saved).restore(); }

  /** Everything a batch may change, to put back when it fails. */
  static final class Saved {
    final List<List<Map<String, Object>>> rows = new ArrayList<>();
    final long[] ids = new long[5];
    final long contactId = nextContactId;
    final Table[] tables = {rawContacts, data, groups, sms, calls};

    Saved() {
      for (int i = 0; i < tables.length; ++i) {
        rows.add(tables[i].snapshot());
        ids[i] = tables[i].nextId;
      }
    }

    void restore() {
      for (int i = 0; i < tables.length; ++i) tables[i].restore(rows.get(i), ids[i]);
      nextContactId = contactId;
    }
  }

  /** The system's own record of a text sent by an app that is not the default SMS app. */
  public static synchronized void recordSent(String destination, List<String> parts) {
    String[] entry = new String[parts.size() + 1];
    entry[0] = destination;
    StringBuilder body = new StringBuilder();
    for (int i = 0; i < parts.size(); ++i) {
      entry[i + 1] = parts.get(i);
      body.append(parts.get(i));
    }
    sent.add(entry);
    long thread = -1;
    long highest = 0;
    for (Map<String, Object> m : sms.select(null, null)) {
      long t = ((Number) m.get("thread_id")).longValue();
      highest = Math.max(highest, t);
      if (destination.equals(m.get("address"))) thread = t;
    }
    if (thread < 0) thread = highest + 1;
    loadSms(sms.nextId, thread, destination, now, 2, body.toString());
  }

  public static int sentCount() { return sent.size(); }

  public static String[] sentAt(int i) { return sent.get(i); }
}
