package android.database;

public interface Cursor extends java.io.Closeable {
  void close();
  byte[] getBlob(int column);
  int getColumnIndex(String name);
  int getCount();
  int getInt(int column);
  long getLong(int column);
  String getString(int column);
  boolean isNull(int column);
  boolean moveToNext();
}
