package android.content;

import android.database.Cursor;
import android.net.Uri;
import java.util.ArrayList;
import java.util.LinkedHashMap;
import java.util.Map;
import zorvik.fakes.Phone;

/** Answers from the fake phone's tables; a batch is applied whole or not at all. */
public abstract class ContentResolver {
  public ContentResolver(Context context) {}

  public final Cursor query(Uri uri, String[] projection, String selection, String[] selectionArgs, String sortOrder) {
    return Phone.query(uri.toString(), projection, selection, selectionArgs, sortOrder);
  }

  public final int delete(Uri uri, String where, String[] selectionArgs) {
    synchronized (Phone.class) {
      return Phone.delete(uri.toString(), where, selectionArgs);
    }
  }

  public ContentProviderResult[] applyBatch(String authority, ArrayList<ContentProviderOperation> operations)
      throws OperationApplicationException {
    synchronized (Phone.class) {
      Object saved = Phone.save();
      ContentProviderResult[] results = new ContentProviderResult[operations.size()];
      try {
        for (int i = 0; i < operations.size(); ++i) {
          ContentProviderOperation op = operations.get(i);
          String uri = op.uri.toString();
          if (!authority.equals(Phone.authorityOf(uri)))
            throw new IllegalArgumentException("operation " + i + " is not for " + authority);
          if (i == Phone.batchFailsAt) throw new OperationApplicationException("constraint failed at operation " + i);
          Map<String, Object> values = new LinkedHashMap<>(op.values);
          for (Map.Entry<String, Integer> ref : op.backReferences.entrySet()) {
            int at = ref.getValue();
            if (at < 0 || at >= i || results[at].uri == null)
              throw new OperationApplicationException("bad back-reference " + at + " in operation " + i);
            values.put(ref.getKey(), Phone.idOf(results[at].uri));
          }
          if (op.isInsert()) {
            results[i] = new ContentProviderResult(Uri.parse(uri + "/" + Phone.insert(uri, values)));
          } else if (op.isUpdate()) {
            results[i] = new ContentProviderResult(Phone.update(uri, values, op.selection, op.selectionArgs));
          } else {
            results[i] = new ContentProviderResult(Phone.delete(uri, op.selection, op.selectionArgs));
          }
        }
        return results;
      } catch (RuntimeException | OperationApplicationException e) {
        Phone.restore(saved);
        throw e;
      }
    }
  }
}
