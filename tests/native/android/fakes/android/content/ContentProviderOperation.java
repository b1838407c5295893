package android.content;

import android.net.Uri;
import java.util.LinkedHashMap;
import java.util.Map;

public class ContentProviderOperation {
  static final int INSERT = 1, UPDATE = 2, DELETE = 3;

  final int type;
  final Uri uri;
  final Map<String, Object> values;
  final Map<String, Integer> backReferences;
  final String selection;
  final String[] selectionArgs;

  ContentProviderOperation(Builder b) {
    type = b.type;
    uri = b.uri;
    values = b.values;
    backReferences = b.backReferences;
    selection = b.selection;
    selectionArgs = b.selectionArgs;
  }

  public static Builder newInsert(Uri uri) { return new Builder(INSERT, uri); }

  public static Builder newUpdate(Uri uri) { return new Builder(UPDATE, uri); }

  public static Builder newDelete(Uri uri) { return new Builder(DELETE, uri); }

  public Uri getUri() { return uri; }

  public boolean isInsert() { return type == INSERT; }

  public boolean isUpdate() { return type == UPDATE; }

  public boolean isDelete() { return type == DELETE; }

  public static class Builder {
    final int type;
    final Uri uri;
    final Map<String, Object> values = new LinkedHashMap<>();
    final Map<String, Integer> backReferences = new LinkedHashMap<>();
    String selection;
    String[] selectionArgs;

    Builder(int type, Uri uri) {
      this.type = type;
      this.uri = uri;
    }

    public ContentProviderOperation build() {
      if (type == INSERT && selection != null) throw new IllegalArgumentException("only updates and deletes have a selection");
      if (type == DELETE && !values.isEmpty()) throw new IllegalArgumentException("only inserts and updates have values");
      return new ContentProviderOperation(this);
    }

    public Builder withValue(String key, Object value) {
      if (type == DELETE) throw new IllegalArgumentException("only inserts and updates can have values");
      if (value != null && !(value instanceof String || value instanceof Long || value instanceof Integer
          || value instanceof byte[] || value instanceof Boolean))
        throw new IllegalArgumentException("bad value type: " + value.getClass().getName());
      values.put(key, value);
      return this;
    }

    public Builder withValueBackReference(String key, int previousResult) {
      if (type == DELETE) throw new IllegalArgumentException("only inserts and updates can have back-references");
      backReferences.put(key, previousResult);
      return this;
    }

    public Builder withSelection(String selection, String[] selectionArgs) {
      this.selection = selection;
      this.selectionArgs = selectionArgs;
      return this;
    }
  }
}
