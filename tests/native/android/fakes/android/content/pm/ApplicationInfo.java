package android.content.pm;

public class ApplicationInfo {
  public static final int FLAG_SYSTEM = 1;
  public static final int FLAG_UPDATED_SYSTEM_APP = 128;

  public int flags;
  public String sourceDir;
  public java.util.UUID storageUuid;
  public int uid;

  public ApplicationInfo() {}
}
