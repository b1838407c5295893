package android.content.pm;

import android.content.Intent;
import android.graphics.drawable.Drawable;
import java.util.List;

public abstract class PackageManager {
  @Deprecated
  public PackageManager() {}

  @Deprecated
  public abstract List<PackageInfo> getInstalledPackages(int flags);

  public abstract CharSequence getApplicationLabel(ApplicationInfo info);

  public abstract Drawable getApplicationIcon(ApplicationInfo info);

  public abstract Intent getLaunchIntentForPackage(String packageName);

  @Deprecated
  public abstract List<ResolveInfo> queryBroadcastReceivers(Intent intent, int flags);

  @Deprecated
  public abstract ResolveInfo resolveActivity(Intent intent, int flags);
}
