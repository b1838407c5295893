# The agent: a foreground service (its notification keeps it alive while the PC uses it) that loads
# libzorvik.so and hands it the service's context; everything else happens in the native library.
.class public Lcom/zorvik/Zorvik/AgentService;
.super Landroid/app/Service;
.source "AgentService.smali"

.method public constructor <init>()V
    .registers 1
    invoke-direct {p0}, Landroid/app/Service;-><init>()V
    return-void
.end method

# Starts the native agent; a second call does nothing.
.method private static native start(Landroid/content/Context;)V
.end method

.method public onBind(Landroid/content/Intent;)Landroid/os/IBinder;
    .registers 3
    const/4 v0, 0
    return-object v0
.end method

.method public onCreate()V
    .registers 2
    invoke-super {p0}, Landroid/app/Service;->onCreate()V
    invoke-direct {p0}, Lcom/zorvik/Zorvik/AgentService;->goForeground()V
    const-string v0, "zorvik"
    invoke-static {v0}, Ljava/lang/System;->loadLibrary(Ljava/lang/String;)V
    invoke-static {p0}, Lcom/zorvik/Zorvik/AgentService;->start(Landroid/content/Context;)V
    return-void
.end method

# Every start (the activity runs again at each connection) confirms the foreground state; the
# system does not restart the service by itself: the PC starts it when it connects.
.method public onStartCommand(Landroid/content/Intent;II)I
    .registers 5
    invoke-direct {p0}, Lcom/zorvik/Zorvik/AgentService;->goForeground()V
    const/4 v0, 2
    return v0
.end method

# The notification: the small icon "notify", the package's label, one line of text; on Android 8
# and later in a channel of low importance (no sound).
.method private goForeground()V
    .registers 8
    invoke-virtual {p0}, Landroid/app/Service;->getResources()Landroid/content/res/Resources;
    move-result-object v0
    const-string v1, "notify"
    const-string v2, "drawable"
    invoke-virtual {p0}, Landroid/app/Service;->getPackageName()Ljava/lang/String;
    move-result-object v3
    invoke-virtual {v0, v1, v2, v3}, Landroid/content/res/Resources;->getIdentifier(Ljava/lang/String;Ljava/lang/String;Ljava/lang/String;)I
    move-result v4
    invoke-virtual {p0}, Landroid/app/Service;->getApplicationInfo()Landroid/content/pm/ApplicationInfo;
    move-result-object v0
    invoke-virtual {p0}, Landroid/app/Service;->getPackageManager()Landroid/content/pm/PackageManager;
    move-result-object v1
    invoke-virtual {v0, v1}, Landroid/content/pm/ApplicationInfo;->loadLabel(Landroid/content/pm/PackageManager;)Ljava/lang/CharSequence;
    move-result-object v5

    sget v0, Landroid/os/Build$VERSION;->SDK_INT:I
    const/16 v1, 26
    if-lt v0, v1, :plain_builder
    const-string v0, "notification"
    invoke-virtual {p0, v0}, Landroid/app/Service;->getSystemService(Ljava/lang/String;)Ljava/lang/Object;
    move-result-object v0
    check-cast v0, Landroid/app/NotificationManager;
    new-instance v1, Landroid/app/NotificationChannel;
    const-string v2, "agent"
    const/4 v3, 2
    invoke-direct {v1, v2, v5, v3}, Landroid/app/NotificationChannel;-><init>(Ljava/lang/String;Ljava/lang/CharSequence;I)V
    invoke-virtual {v0, v1}, Landroid/app/NotificationManager;->createNotificationChannel(Landroid/app/NotificationChannel;)V
    new-instance v6, Landroid/app/Notification$Builder;
    invoke-direct {v6, p0, v2}, Landroid/app/Notification$Builder;-><init>(Landroid/content/Context;Ljava/lang/String;)V
    goto :fill
    :plain_builder
    new-instance v6, Landroid/app/Notification$Builder;
    invoke-direct {v6, p0}, Landroid/app/Notification$Builder;-><init>(Landroid/content/Context;)V
    :fill
    invoke-virtual {v6, v4}, Landroid/app/Notification$Builder;->setSmallIcon(I)Landroid/app/Notification$Builder;
    invoke-virtual {v6, v5}, Landroid/app/Notification$Builder;->setContentTitle(Ljava/lang/CharSequence;)Landroid/app/Notification$Builder;
    const-string v0, "正在为电脑上的卓维克提供服务"
    invoke-virtual {v6, v0}, Landroid/app/Notification$Builder;->setContentText(Ljava/lang/CharSequence;)Landroid/app/Notification$Builder;
    const/4 v0, 1
    invoke-virtual {v6, v0}, Landroid/app/Notification$Builder;->setOngoing(Z)Landroid/app/Notification$Builder;
    invoke-virtual {v6}, Landroid/app/Notification$Builder;->build()Landroid/app/Notification;
    move-result-object v0
    const/4 v1, 1
    invoke-virtual {p0, v1, v0}, Landroid/app/Service;->startForeground(ILandroid/app/Notification;)V
    return-void
.end method
