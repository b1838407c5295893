package zorvik.fakes;

import android.database.Cursor;
import java.util.List;
import java.util.Map;

/**
 * A cursor over a snapshot of rows. It can be told to throw after some rows (a provider that
 * dies mid-walk) or to end early (fewer rows than getCount() promised).
 */
public final class FakeCursor implements Cursor {
  private final String[] columns;
  private final Object[][] rows;
  private final int throwAt;  // moveToNext throws when it would reach this row; -1 never
  private final int endAt;    // moveToNext stops before this row
  private int position = -1;
  private boolean closed;

  FakeCursor(String[] projection, List<Map<String, Object>> source, int throwAt, int endAt) {
    long start = System.nanoTime();
    columns = projection;
    rows = new Object[source.size()][];
    for (int i = 0; i < rows.length; ++i) {
      Object[] r = new Object[projection.length];
      for (int c = 0; c < projection.length; ++c) r[c] = source.get(i).get(projection[c]);
      rows[i] = r;
    }
    this.throwAt = throwAt;
    this.endAt = endAt < 0 ? rows.length : Math.min(endAt, rows.length);
    Timing.openCursors.incrementAndGet();
    Timing.add(start);
  }

  private Object value(int column) {
    if (closed) throw new IllegalStateException("cursor closed");
    if (position < 0 || position >= endAt) throw new IllegalStateException("no current row");
    if (column < 0 || column >= columns.length) throw new IllegalStateException("bad column " + column);
    return rows[position][column];
  }

  @Override
  public boolean moveToNext() {
    long start = System.nanoTime();
    try {
      if (closed) throw new IllegalStateException("cursor closed");
      if (position + 1 == throwAt) throw new IllegalStateException("provider died at row " + throwAt);
      if (position + 1 >= endAt) {
        position = endAt;
        return false;
      }
      ++position;
      return true;
    } finally {
      Timing.add(start);
    }
  }

  @Override
  public int getColumnIndex(String name) {
    for (int c = 0; c < columns.length; ++c) if (columns[c].equals(name)) return c;
    return -1;
  }

  @Override
  public int getCount() { return rows.length; }

  @Override
  public long getLong(int column) {
    long start = System.nanoTime();
    try {
      Object v = value(column);
      if (v == null) return 0;
      if (v instanceof Number) return ((Number) v).longValue();
      return Long.parseLong(v.toString());
    } finally {
      Timing.add(start);
    }
  }

  @Override
  public int getInt(int column) { return (int) getLong(column); }

  @Override
  public String getString(int column) {
    long start = System.nanoTime();
    try {
      Object v = value(column);
      return v == null ? null : v.toString();
    } finally {
      Timing.add(start);
    }
  }

  @Override
  public byte[] getBlob(int column) {
    long start = System.nanoTime();
    try {
      Object v = value(column);
      if (v == null || v instanceof byte[]) return (byte[]) v;
      throw new IllegalStateException("not a blob");
    } finally {
      Timing.add(start);
    }
  }

  @Override
  public boolean isNull(int column) { return value(column) == null; }

  @Override
  public void close() {
    if (!closed) Timing.openCursors.decrementAndGet();
    closed = true;
  }
}
