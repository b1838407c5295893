"""Checks THIRD-PARTY-NOTICES.txt against its generator's table and against scripts/install-deps.sh:
one section per shipped package in the table's order, each with today's version and a licence text
that is really that licence; every package install-deps installs either has its section or is named
as shipped nowhere; and the generator refuses a missing or empty licence file.

usage: check_notices.py <gen-notices.py> <THIRD-PARTY-NOTICES.txt> <install-deps.sh> <.deps folder>
"""
import importlib.util
import os
import re
import shutil
import subprocess
import sys
import tempfile

# A line each licence's own text holds (what a reader would look for), not the generator's words.
IDENTIFYING = {
    "MIT": ["Permission is hereby granted"],
    # The licence itself, not a pointer to it: redistribution must give recipients a copy.
    "Apache-2.0": ["Apache License", "TERMS AND CONDITIONS FOR USE, REPRODUCTION, AND DISTRIBUTION"],
    "Zlib": ["This notice may not be removed or altered from any source distribution"],
    "public-domain": ["The author disclaims copyright"],
    "CC-BY-SA-4.0": ["Creative Commons Attribution-ShareAlike 4.0 International Public License"],
    "ZPL-2.1": ["Redistributions in binary form must reproduce the accompanying"],
    "GCC-exception-3.1": ["GCC RUNTIME LIBRARY EXCEPTION"],
    "MIT-declared": ['"license": "MIT"'],
    "BSD-3-Clause": ["Redistributions in binary form must reproduce the above copyright",
                     "Neither the name of"],
}

failures = []


def check(ok, msg):
    if not ok:
        failures.append(msg)


def load_generator(path):
    found = importlib.util.spec_from_file_location("gen_notices", path)
    module = importlib.util.module_from_spec(found)
    found.loader.exec_module(module)
    return module


def sections(text, gen):
    """[(name, header lines, [(label, body)])] as the file lays them out."""
    out = []
    lines = text.split("\r\n")
    starts = [i for i, line in enumerate(lines) if gen.HEADER.match(line) and i and lines[i - 1] == gen.RULE]
    for k, at in enumerate(starts):
        end = starts[k + 1] - 1 if k + 1 < len(starts) else len(lines)
        part = lines[at:end]
        name = gen.HEADER.match(part[0]).group(3)
        blocks, label, body = [], None, []
        for line in part[1:]:
            m = re.match(r"^--- (.+) ---$", line)
            if m:
                if label is not None:
                    blocks.append((label, "\n".join(body)))
                label, body = m.group(1), []
            elif label is not None:
                body.append(line)
        if label is not None:
            blocks.append((label, "\n".join(body)))
        out.append((name, part[1:4], blocks))
    return out


def installed_names(script):
    """Every package name scripts/install-deps.sh installs: apt lists, source packages, npm."""
    text = re.sub(r"(^|\s)#.*", "", open(script, encoding="utf-8").read())
    names = set()
    for m in re.finditer(r"^\s*\w+_packages\+?=\((.*?)\)", text, re.M | re.S):
        for word in m.group(1).split():
            names.add(re.sub(r"(?<=.)@[^@/]*$", "", word))
    for m in re.finditer(r"^fetch_sources ([\w .+-]+)$", text, re.M):
        names.update(m.group(1).split())
    for m in re.finditer(r"npm install ([^\n>]*)", text):
        for word in m.group(1).split():
            if re.match(r"^@?[a-z0-9][\w.-]*(/[\w.-]+)?@[\w.^~-]+$", word):
                names.add(re.sub(r"(?<=.)@[^@/]*$", "", word))
    for m in re.finditer(r"apt-get install ([^\n>]*)", text):
        names.update(w for w in m.group(1).split() if re.match(r"^[a-z0-9][a-z0-9.+-]+$", w))
    return names


def refused(gen_path, deps, drop):
    """Runs the generator over a copy of .deps whose lunar-javascript LICENSE `drop` spoils."""
    with tempfile.TemporaryDirectory() as tmp:
        fake = os.path.join(tmp, "deps")
        os.makedirs(os.path.join(fake, "npm", "node_modules", "lunar-javascript"))
        os.symlink(os.path.join(deps, "src"), os.path.join(fake, "src"))
        for prefix in os.listdir(os.path.join(deps, "npm")):
            if prefix != "node_modules":
                os.symlink(os.path.join(deps, "npm", prefix), os.path.join(fake, "npm", prefix))
        own = os.path.join(deps, "npm", "node_modules", "lunar-javascript")
        shutil.copy(os.path.join(own, "package.json"), os.path.join(fake, "npm", "node_modules", "lunar-javascript"))
        licence = os.path.join(fake, "npm", "node_modules", "lunar-javascript", "LICENSE")
        drop(licence)
        out = os.path.join(tmp, "notices.txt")
        run = subprocess.run([sys.executable, gen_path, fake, out], capture_output=True, text=True)
        return run.returncode, run.stderr, os.path.exists(out), licence


def main():
    gen_path, notices, install_deps, deps = sys.argv[1:5]
    gen = load_generator(gen_path)
    raw = open(notices, "rb").read()
    check(raw.startswith(b"\xef\xbb\xbf"), "no UTF-8 byte-order mark")
    text = raw.decode("utf-8-sig")
    check("\n" not in text.replace("\r\n", ""), "a line not ended by CRLF")

    # One section per entry of the table, in its order, with what the packages say today.
    found = sections(text, gen)
    check([s[0] for s in found] == [e["name"] for e in gen.SHIPPED],
          "sections %s, table %s" % ([s[0] for s in found], [e["name"] for e in gen.SHIPPED]))
    for entry, (name, head, blocks) in zip(gen.SHIPPED, found):
        version, texts = entry["resolve"](deps)
        check(head[0] == "Version:  " + version, f"{name}: {head[0]!r}, the package says {version!r}")
        check(head[1].startswith("Taken:    ") and len(head[1]) > 20, f"{name}: what is taken is not said")
        check(head[2] == "Licence:  " + ", ".join(entry["licences"]), f"{name}: {head[2]!r}")
        check([b[0] for b in blocks] == [t.label for t in texts], f"{name}: texts {[b[0] for b in blocks]}")
        for label, body in blocks:
            check(body.strip() != "", f"{name}: {label} is empty")
        whole = "\n".join(b[1] for b in blocks)
        for licence in entry["licences"]:
            check(licence in IDENTIFYING, f"{name}: no identifying line known for {licence}")
            for line in IDENTIFYING.get(licence, []):
                check(line in whole, f"{name}: its {licence} text lacks {line!r}")

    # install-deps' list: each package shipped with a section, or named as shipped nowhere.
    names = installed_names(install_deps)
    check(len(names) > 40, f"only {len(names)} names read from {install_deps}")
    covered = {n for e in gen.SHIPPED for n in e["installed_as"]}
    for n in sorted(names - covered - set(gen.NOT_SHIPPED)):
        check(False, f"install-deps installs {n}: neither a section nor named as shipped nowhere")
    for n in sorted(covered & set(gen.NOT_SHIPPED)):
        check(False, f"{n} is both shipped and not")
    for n in sorted((covered | set(gen.NOT_SHIPPED)) - names):
        check(False, f"the generator names {n}, which install-deps does not install")

    # A missing or empty licence file stops the generator with its path, and writes nothing.
    for what, drop in (("missing", lambda p: None), ("empty", lambda p: open(p, "w").close())):
        rc, err, wrote, path = refused(gen_path, deps, drop)
        check(rc != 0 and not wrote, f"{what} licence: exit {rc}, file written: {wrote}")
        check(path in err and what in err, f"{what} licence: the message does not say so: {err!r}")

    for f in failures:
        print("FAIL: " + f)
    if not failures:
        print(f"{len(found)} sections, {len(names)} installed packages accounted for")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
