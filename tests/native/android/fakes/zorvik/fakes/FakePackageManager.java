package zorvik.fakes;

import android.content.Intent;
import android.content.pm.ApplicationInfo;
import android.content.pm.PackageInfo;
import android.content.pm.PackageManager;
import android.content.pm.ResolveInfo;
import android.graphics.drawable.Drawable;
import java.util.List;

/** The package manager over the fake phone's packages (Packages). */
@SuppressWarnings("deprecation")
final class FakePackageManager extends PackageManager {
  @Override
  public List<PackageInfo> getInstalledPackages(int flags) { return Packages.installed(); }

  @Override
  public CharSequence getApplicationLabel(ApplicationInfo info) { return Packages.label(info); }

  @Override
  public Drawable getApplicationIcon(ApplicationInfo info) { return Packages.icon(info); }

  @Override
  public Intent getLaunchIntentForPackage(String packageName) { return Packages.launchIntent(packageName); }

  @Override
  public List<ResolveInfo> queryBroadcastReceivers(Intent intent, int flags) { return Packages.receiversOf(intent); }

  @Override
  public ResolveInfo resolveActivity(Intent intent, int flags) { return Packages.activityFor(intent); }
}
