package zorvik.fakes;

import java.util.ArrayList;
import java.util.Arrays;
import java.util.Comparator;
import java.util.LinkedHashMap;
import java.util.List;
import java.util.Map;

/**
 * One table of a fake content provider: rows of named values with an "_id" column. Selections
 * are the small subset of SQL the agent writes: terms joined by " AND ", each "col=?", "col=N" or
 * "col IN (...)" of "?" or numbers. Anything else is refused as SQLite would refuse bad SQL.
 */
public final class Table {
  public final String name;
  final List<Map<String, Object>> rows = new ArrayList<>();
  long nextId = 1;

  public Table(String name) {
    this.name = name;
  }

  public synchronized void clear() {
    rows.clear();
    nextId = 1;
  }

  public synchronized int size() {
    return rows.size();
  }

  public synchronized long insert(Map<String, Object> values) {
    Map<String, Object> row = new LinkedHashMap<>(values);
    Object id = row.get("_id");
    long rowId = id == null ? nextId : ((Number) id).longValue();
    row.put("_id", rowId);
    nextId = Math.max(nextId, rowId + 1);
    rows.add(row);
    return rowId;
  }

  public synchronized List<Map<String, Object>> select(String selection, String[] args) {
    Matcher m = new Matcher(selection, args);
    List<Map<String, Object>> out = new ArrayList<>();
    for (Map<String, Object> r : rows) if (m.matches(r)) out.add(r);
    return out;
  }

  public synchronized int update(Map<String, Object> values, String selection, String[] args) {
    List<Map<String, Object>> hit = select(selection, args);
    for (Map<String, Object> r : hit) r.putAll(values);
    return hit.size();
  }

  public synchronized int delete(String selection, String[] args) {
    List<Map<String, Object>> hit = select(selection, args);
    rows.removeAll(hit);
    return hit.size();
  }

  /** A deep enough copy for a batch that may have to be undone. */
  synchronized List<Map<String, Object>> snapshot() {
    List<Map<String, Object>> copy = new ArrayList<>();
    for (Map<String, Object> r : rows) copy.add(new LinkedHashMap<>(r));
    return copy;
  }

  synchronized void restore(List<Map<String, Object>> copy, long id) {
    rows.clear();
    rows.addAll(copy);
    nextId = id;
  }

  /** Sorts rows by an ORDER BY clause: "col [ASC|DESC], ...". */
  public static void sort(List<Map<String, Object>> rows, String order) {
    if (order == null || order.isEmpty()) return;
    Comparator<Map<String, Object>> all = null;
    for (String part : order.split(",")) {
      String[] words = part.trim().split("\\s+");
      final String col = words[0];
      final boolean desc = words.length > 1 && words[1].equalsIgnoreCase("DESC");
      if (words.length > 2 || (words.length == 2 && !desc && !words[1].equalsIgnoreCase("ASC")))
        throw new IllegalArgumentException("bad ORDER BY: " + order);
      Comparator<Map<String, Object>> c = (a, b) -> compare(a.get(col), b.get(col));
      if (desc) c = c.reversed();
      all = all == null ? c : all.thenComparing(c);
    }
    rows.sort(all);
  }

  static int compare(Object a, Object b) {
    if (a == null || b == null) return a == null ? (b == null ? 0 : -1) : 1;
    if (a instanceof Number && b instanceof Number)
      return Long.compare(((Number) a).longValue(), ((Number) b).longValue());
    return a.toString().compareTo(b.toString());
  }

  static String text(Object v) {
    return v instanceof byte[] ? Arrays.toString((byte[]) v) : String.valueOf(v);
  }

  /** A parsed selection. */
  static final class Matcher {
    private final List<String> columns = new ArrayList<>();
    private final List<List<String>> allowed = new ArrayList<>();

    Matcher(String selection, String[] args) {
      if (selection == null || selection.trim().isEmpty()) return;
      int next = 0;
      for (String term : selection.split(" AND ")) {
        term = term.trim();
        List<String> values = new ArrayList<>();
        String col;
        int in = term.indexOf(" IN (");
        if (in > 0 && term.endsWith(")")) {
          col = term.substring(0, in).trim();
          for (String v : term.substring(in + 5, term.length() - 1).split(",")) {
            v = v.trim();
            if (v.equals("?")) {
              if (args == null || next >= args.length) throw new IllegalArgumentException("too few arguments");
              values.add(args[next++]);
            } else {
              values.add(String.valueOf(Long.parseLong(v)));
            }
          }
        } else {
          int eq = term.indexOf('=');
          if (eq <= 0) throw new IllegalArgumentException("unsupported selection: " + selection);
          col = term.substring(0, eq).trim();
          String v = term.substring(eq + 1).trim();
          if (v.equals("?")) {
            if (args == null || next >= args.length) throw new IllegalArgumentException("too few arguments");
            values.add(args[next++]);
          } else {
            values.add(String.valueOf(Long.parseLong(v)));
          }
        }
        if (!col.matches("[a-z_0-9]+")) throw new IllegalArgumentException("bad column: " + col);
        columns.add(col);
        allowed.add(values);
      }
      if (args != null && next != args.length) throw new IllegalArgumentException("too many arguments");
    }

    boolean matches(Map<String, Object> row) {
      for (int i = 0; i < columns.size(); ++i) {
        Object v = row.get(columns.get(i));
        if (v == null || !allowed.get(i).contains(text(v))) return false;
      }
      return true;
    }
  }
}
