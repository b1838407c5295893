package android.app.usage;

import java.io.IOException;
import java.util.UUID;
import zorvik.fakes.Tools;

/** Other uids' figures only with the usage access, as on a phone. */
public class StorageStatsManager {
  StorageStatsManager() {}

  public StorageStats queryStatsForUid(UUID storageUuid, int uid) throws IOException {
    return new StorageStats(Tools.cacheOf(storageUuid, uid));
  }
}
