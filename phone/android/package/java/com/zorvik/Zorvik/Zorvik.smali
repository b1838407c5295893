# The package's launcher activity, started by the PC ("am start -n com.zorvik.Zorvik/.Zorvik") or by
# the user: starts the agent service, asks for the runtime permissions this package requests and
# does not hold yet (Android 6 and later; the PC's "install -g" has usually granted them all), and
# closes.
.class public Lcom/zorvik/Zorvik/Zorvik;
.super Landroid/app/Activity;
.source "Zorvik.smali"

.method public constructor <init>()V
    .registers 1
    invoke-direct {p0}, Landroid/app/Activity;-><init>()V
    return-void
.end method

.method protected onCreate(Landroid/os/Bundle;)V
    .registers 8
    invoke-super {p0, p1}, Landroid/app/Activity;->onCreate(Landroid/os/Bundle;)V

    new-instance v0, Landroid/content/Intent;
    const-class v1, Lcom/zorvik/Zorvik/AgentService;
    invoke-direct {v0, p0, v1}, Landroid/content/Intent;-><init>(Landroid/content/Context;Ljava/lang/Class;)V
    sget v1, Landroid/os/Build$VERSION;->SDK_INT:I
    const/16 v2, 26
    if-lt v1, v2, :start_service
    invoke-virtual {p0, v0}, Landroid/app/Activity;->startForegroundService(Landroid/content/Intent;)Landroid/content/ComponentName;
    goto :started
    :start_service
    invoke-virtual {p0, v0}, Landroid/app/Activity;->startService(Landroid/content/Intent;)Landroid/content/ComponentName;
    :started

    const/16 v2, 23
    if-lt v1, v2, :done
    invoke-virtual {p0}, Landroid/app/Activity;->getPackageManager()Landroid/content/pm/PackageManager;
    move-result-object v0
    invoke-virtual {p0}, Landroid/app/Activity;->getPackageName()Ljava/lang/String;
    move-result-object v1
    const/16 v2, 0x1000
    invoke-virtual {v0, v1, v2}, Landroid/content/pm/PackageManager;->getPackageInfo(Ljava/lang/String;I)Landroid/content/pm/PackageInfo;
    move-result-object v0
    iget-object v0, v0, Landroid/content/pm/PackageInfo;->requestedPermissions:[Ljava/lang/String;
    if-eqz v0, :done

    new-instance v1, Ljava/util/ArrayList;
    invoke-direct {v1}, Ljava/util/ArrayList;-><init>()V
    array-length v2, v0
    const/4 v3, 0
    :each
    if-ge v3, v2, :listed
    aget-object v4, v0, v3
    invoke-virtual {p0, v4}, Landroid/app/Activity;->checkSelfPermission(Ljava/lang/String;)I
    move-result v5
    if-eqz v5, :next
    invoke-virtual {v1, v4}, Ljava/util/ArrayList;->add(Ljava/lang/Object;)Z
    :next
    add-int/lit8 v3, v3, 1
    goto :each
    :listed
    invoke-virtual {v1}, Ljava/util/ArrayList;->isEmpty()Z
    move-result v2
    if-nez v2, :done
    const/4 v2, 0
    new-array v2, v2, [Ljava/lang/String;
    invoke-virtual {v1, v2}, Ljava/util/ArrayList;->toArray([Ljava/lang/Object;)[Ljava/lang/Object;
    move-result-object v2
    check-cast v2, [Ljava/lang/String;
    const/4 v3, 1
    invoke-virtual {p0, v2, v3}, Landroid/app/Activity;->requestPermissions([Ljava/lang/String;I)V
    return-void

    :done
    invoke-virtual {p0}, Landroid/app/Activity;->finish()V
    return-void
.end method

# The user has answered the permission dialogs: the service runs either way.
.method public onRequestPermissionsResult(I[Ljava/lang/String;[I)V
    .registers 4
    invoke-virtual {p0}, Landroid/app/Activity;->finish()V
    return-void
.end method
