#!/usr/bin/env bash
# Test stand-ins for the twelve phone-side packages, built with Debian's aapt: the right package
# names, labels and versions, no code. A release build passes the real ones with
# -DZORVIK_PHONE_PACKAGES=<folder>. Usage: make-test-packages.sh <output folder>
set -euo pipefail
out=$1
framework=/usr/share/android-framework-res/framework-res.apk
work="$out/work"
rm -rf "$work"
mkdir -p "$work"
while read -r package label; do
  dir="$work/$package"
  mkdir -p "$dir/res/values"
  cat > "$dir/AndroidManifest.xml" <<XML
<?xml version="1.0" encoding="utf-8"?>
<manifest xmlns:android="http://schemas.android.com/apk/res/android"
    package="$package" android:versionCode="20" android:versionName="2.0-test">
  <uses-sdk android:minSdkVersion="8" />
  <application android:label="@string/app_name" android:hasCode="false" />
</manifest>
XML
  cat > "$dir/res/values/strings.xml" <<XML
<?xml version="1.0" encoding="utf-8"?>
<resources><string name="app_name">$label (测试替身)</string></resources>
XML
  aapt package -f -M "$dir/AndroidManifest.xml" -S "$dir/res" -I "$framework" -F "$out/$package.apk" >/dev/null
done <<'LIST'
com.zorvik.AppsMgr 应用管理
com.zorvik.Barcode 条码扫描
com.zorvik.BootMgr 启动管理
com.zorvik.Cleaner 系统清理
com.zorvik.CutMgr 桌面管理
com.zorvik.FavMgr 书签管理
com.zorvik.FileMgr 文件管理
com.zorvik.Flashlight 手电筒
com.zorvik.Zorvik 卓维克
com.zorvik.RamUp 内存整理
com.zorvik.SysInfo 系统信息
com.zorvik.TaskMgr 任务管理
LIST
rm -rf "$work"
touch "$out/stamp"
