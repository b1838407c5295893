#!/usr/bin/env python3
"""Checks the built phone-side package with Android's own tools, as a phone's installer would judge
it, and reports every fault it finds (exit 1), or 77 when the tools are not on this machine.

    check_package.py APK VERSION_CODE VERSION_NAME MIN_SDK TARGET_SDK ABI,ABI,... [PAYLOAD.zip]

With PAYLOAD, setup's payload must carry this very package as com.zorvik.Zorvik.apk.
"""
import os
import re
import shutil
import subprocess
import sys
import tempfile
import zipfile

PACKAGE = "com.zorvik.Zorvik"
LABEL = "卓维克手机端"
CLASSES = {"Lcom/zorvik/Zorvik/Zorvik;": "Landroid/app/Activity;",
           "Lcom/zorvik/Zorvik/AgentService;": "Landroid/app/Service;"}
NATIVE_ENTRY = "Java_com_zorvik_Zorvik_AgentService_start"
# What the served commands need: contacts and groups, messages, the call log, the device facts,
# the installed packages, and a foreground service that may run on Android 14.
REQUIRED_PERMISSIONS = ["READ_CONTACTS", "WRITE_CONTACTS", "READ_SMS", "SEND_SMS", "READ_CALL_LOG",
                        "WRITE_CALL_LOG", "READ_PHONE_STATE", "QUERY_ALL_PACKAGES", "POST_NOTIFICATIONS",
                        "FOREGROUND_SERVICE", "FOREGROUND_SERVICE_DATA_SYNC", "PACKAGE_USAGE_STATS", "WRITE_SETTINGS"]
MACHINES = {"arm64-v8a": "AArch64", "armeabi-v7a": "ARM", "x86_64": "Advanced Micro Devices X86-64"}
BIONIC_LIBRARIES = {"libc.so", "libdl.so", "liblog.so", "libm.so"}
# Present only where C++ exceptions could be thrown or caught.
EXCEPTION_SYMBOLS = {"__cxa_throw", "__cxa_begin_catch", "__gxx_personality_v0", "_Unwind_Resume",
                     "__cxa_allocate_exception", "__aeabi_unwind_cpp_pr0", "__aeabi_unwind_cpp_pr1"}
TOOLS = ["apksigner", "zipalign", "aapt", "dexdump", "readelf"]

faults = []


def fault(text):
    faults.append(text)
    print("FAULT: " + text)


def run(*args):
    done = subprocess.run(args, capture_output=True, text=True)
    return done.returncode, done.stdout + done.stderr


def check_signature(apk, min_sdk):
    code, out = run("apksigner", "verify", "-v", "--min-sdk-version", min_sdk, apk)
    if code != 0:
        fault("apksigner verify refuses the package:\n" + out)
        return
    for scheme in ("v2", "v3"):
        if not re.search(rf"Verified using {scheme} scheme \(APK Signature Scheme {scheme}\): true", out):
            fault(f"not signed with scheme {scheme}")


def check_alignment(apk):
    code, out = run("zipalign", "-c", "-p", "4", apk)
    if code != 0:
        fault("zipalign -c -p 4 refuses the package:\n" + out)
    with zipfile.ZipFile(apk) as z:
        arsc = z.getinfo("resources.arsc")
        if arsc.compress_type != zipfile.ZIP_STORED:
            fault("resources.arsc is compressed (Android 11 refuses such a package)")


def check_badging(apk, version_code, version_name, min_sdk, target_sdk, abis):
    code, out = run("aapt", "dump", "badging", apk)
    if code != 0:
        fault("aapt dump badging fails:\n" + out)
        return
    expect = [
        f"package: name='{PACKAGE}' versionCode='{version_code}' versionName='{version_name}'",
        f"sdkVersion:'{min_sdk}'",
        f"targetSdkVersion:'{target_sdk}'",
        f"launchable-activity: name='{PACKAGE}.Zorvik'",
        f"application-label:'{LABEL}'",
        "native-code: " + " ".join(f"'{abi}'" for abi in abis) + "\n",
    ]
    for line in expect:
        if line not in out:
            fault(f"aapt dump badging lacks {line.strip()!r}")
    permissions = set(re.findall(r"^uses-permission: name='android\.permission\.([A-Z_]+)'", out, re.M))
    for p in REQUIRED_PERMISSIONS:
        if p not in permissions:
            fault(f"permission {p} not requested")


def check_dex(apk):
    code, out = run("dexdump", "-l", "plain", apk)
    if code != 0:
        fault("dexdump fails:\n" + out)
        return
    with zipfile.ZipFile(apk) as z:
        dexes = [n for n in z.namelist() if re.fullmatch(r"classes\d*\.dex", n)]
        magic = z.read("classes.dex")[:8] if "classes.dex" in dexes else b""
    if dexes != ["classes.dex"]:
        fault(f"expected one classes.dex, found {dexes}")
    if magic not in (b"dex\n035\0", b"dex\n037\0"):
        fault(f"DEX version {magic!r} is newer than Android 7 reads")
    blocks = re.split(r"\n(?=Class #\d+)", out)
    found = {}
    for block in blocks:
        name = re.search(r"Class descriptor\s*: '([^']+)'", block)
        if name:
            found[name.group(1)] = block
    if set(found) != set(CLASSES):
        fault(f"classes {sorted(found)} instead of {sorted(CLASSES)}")
    for name, superclass in CLASSES.items():
        if name in found and f"Superclass        : '{superclass}'" not in found[name]:
            fault(f"{name} does not extend {superclass}")
    service = found.get("Lcom/zorvik/Zorvik/AgentService;", "")
    native = re.search(r"name\s*: 'start'\s*\n\s*type\s*: '\(Landroid/content/Context;\)V'\s*\n\s*access\s*: "
                       r"0x[0-9a-f]+ \(([^)]*)\)", service)
    if not native or "NATIVE" not in native.group(1) or "STATIC" not in native.group(1):
        fault("AgentService declares no static native start(Context)")


def check_library(abi, path):
    code, header = run("readelf", "-h", path)
    if code != 0:
        fault(f"{abi}: readelf cannot read the library:\n{header}")
        return
    machine = re.search(r"Machine:\s*(.+)", header)
    if not machine or machine.group(1).strip() != MACHINES[abi]:
        fault(f"{abi}: built for {machine.group(1).strip() if machine else '?'}")
    _, dynamic = run("readelf", "-d", path)
    needed = set(re.findall(r"\(NEEDED\)\s+Shared library: \[([^\]]+)\]", dynamic))
    if not needed or not needed <= BIONIC_LIBRARIES:
        fault(f"{abi}: needs {sorted(needed)}, not bionic's libraries alone")
    if "(TEXTREL)" in dynamic or re.search(r"\(FLAGS\).*TEXTREL", dynamic):
        fault(f"{abi}: text relocations")
    if not re.search(r"\(SONAME\)\s+Library soname: \[libzorvik\.so\]", dynamic):
        fault(f"{abi}: soname is not libzorvik.so")
    if not re.search(r"\(FLAGS_1\).*NODELETE", dynamic):
        fault(f"{abi}: the library may be unloaded while its threads run (no NODELETE)")
    _, versions = run("readelf", "-V", path)
    if "GLIBC_" in versions or "GLIBCXX_" in versions:
        fault(f"{abi}: glibc symbol versions required")
    _, segments = run("readelf", "-lW", path)
    loads = re.findall(r"^\s*LOAD\s.*\s(0x[0-9a-f]+)$", segments, re.M)
    if not loads or any(int(a, 16) != 16384 for a in loads):
        fault(f"{abi}: LOAD segments aligned to {loads}, not 16 KB")
    _, symbols = run("readelf", "--dyn-syms", "-W", path)
    defined, undefined = set(), set()
    for line in symbols.splitlines():
        cols = line.split()
        if len(cols) < 8 or not cols[0].rstrip(":").isdigit() or cols[4] not in ("GLOBAL", "WEAK"):
            continue
        name = cols[7].split("@")[0]
        (undefined if cols[6] == "UND" else defined).add(name)
        if cols[6] == "UND" and "@" not in cols[7] and cols[4] == "GLOBAL":
            fault(f"{abi}: {name} binds to no library version")
    for entry in (NATIVE_ENTRY, "JNI_OnLoad"):
        if entry not in defined:
            fault(f"{abi}: {entry} not exported")
    extra = sorted(s for s in defined if s != "JNI_OnLoad" and not s.startswith("Java_"))
    if extra:
        fault(f"{abi}: exports more than the JNI entries: {extra[:8]}")
    thrown = sorted(EXCEPTION_SYMBOLS & undefined)
    if thrown:
        fault(f"{abi}: exception handling linked in: {thrown}")


def check_libraries(apk, abis):
    with zipfile.ZipFile(apk) as z, tempfile.TemporaryDirectory() as work:
        libs = sorted(n for n in z.namelist() if n.startswith("lib/"))
        wanted = [f"lib/{abi}/libzorvik.so" for abi in abis]
        if libs != sorted(wanted):
            fault(f"native libraries {libs} instead of {wanted}")
        for abi in abis:
            member = f"lib/{abi}/libzorvik.so"
            if member not in libs:
                continue
            path = os.path.join(work, abi + ".so")
            with open(path, "wb") as f:
                f.write(z.read(member))
            print(f"{member}: {os.path.getsize(path)} bytes")
            check_library(abi, path)


def check_payload(apk, payload):
    if not os.path.isfile(payload):
        fault(f"setup's payload {payload} was not built")
        return
    with zipfile.ZipFile(payload) as z:
        if "com.zorvik.Zorvik.apk" not in z.namelist():
            fault("setup's payload has no com.zorvik.Zorvik.apk")
        elif z.read("com.zorvik.Zorvik.apk") != open(apk, "rb").read():
            fault("setup's payload carries another com.zorvik.Zorvik.apk than the one built")


def main():
    if len(sys.argv) not in (7, 8):
        sys.exit(__doc__)
    apk, version_code, version_name, min_sdk, target_sdk, abis = sys.argv[1:7]
    missing = [t for t in TOOLS if not shutil.which(t)]
    if missing or not os.path.isfile(apk):
        print(f"skipped: {'missing ' + ', '.join(missing) if missing else apk + ' was not built'}")
        return 77
    abis = abis.split(",")
    print(f"{apk}: {os.path.getsize(apk)} bytes")
    check_signature(apk, min_sdk)
    check_alignment(apk)
    check_badging(apk, version_code, version_name, min_sdk, target_sdk, abis)
    check_dex(apk)
    check_libraries(apk, abis)
    if len(sys.argv) == 8:
        check_payload(apk, sys.argv[7])
    print(f"{len(faults)} faults")
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main())
