#!/usr/bin/env python3
"""Narrow literals in GBK for a compiler without -fexec-charset=GBK (clang).

g++ turns the UTF-8 sources' narrow string and character literals into GBK bytes
(-fexec-charset=GBK). clang only writes UTF-8, so the fuzz build compiles a copy of the tree in
which every narrow literal holding non-ASCII text spells its GBK bytes as octal escapes (an octal
escape takes at most three digits, so a digit after it stays a character). Wide, UTF-16/32 and
u8 literals, comments and everything else are left as they are.

  gbk-literals.py mirror <tree> <copy>      copy the tree, converting C/C++ sources; files are
                                            written only when they change, so builds stay incremental
  gbk-literals.py check <tree> <compile_commands.json> [path-prefix ...]
        compiles each source that the conversion changes twice with the g++ of the native build
        (as is with -fexec-charset=GBK, and converted without it) to assembly and compares the two
        byte for byte; prefixes limit the check to sources under those folders
"""
import json
import os
import re
import shlex
import shutil
import subprocess
import sys
import tempfile

SOURCE_SUFFIXES = ('.c', '.cc', '.cpp', '.cxx', '.h', '.hpp', '.hh', '.inl', '.inc')
SKIP_DIRS = {'.git', 'build', '.deps', '.cache', 'node_modules'}
NARROW_PREFIXES = {'', 'R'}
ALL_PREFIXES = {'', 'R', 'u8', 'u', 'U', 'L', 'u8R', 'uR', 'UR', 'LR'}
IDENT = re.compile(r'[A-Za-z0-9_]')


def octal(data):
    return ''.join('\\%03o' % b for b in data)


def gbk(text, where):
    try:
        return text.encode('gbk')
    except UnicodeEncodeError as e:
        raise SystemExit('%s: %r has no GBK form' % (where, text[e.start:e.end]))


def convert_body(body, where):
    """A literal's body between its quotes: escapes kept, non-ASCII runs spelt in GBK octal."""
    out = []
    i = 0
    while i < len(body):
        c = body[i]
        if c == '\\':
            out.append(body[i:i + 2])
            i += 2
            continue
        if ord(c) < 0x80:
            out.append(c)
            i += 1
            continue
        j = i
        while j < len(body) and ord(body[j]) >= 0x80:
            j += 1
        out.append(octal(gbk(body[i:j], where)))
        i = j
    return ''.join(out)


def convert_raw(content, where):
    """A raw literal's content as the body of an ordinary literal."""
    out = []
    for c in content:
        if c == '\\':
            out.append('\\\\')
        elif c == '"':
            out.append('\\"')
        elif c == '\n':
            out.append('\\n')
        elif c == '?':
            out.append('\\?')
        elif ord(c) < 0x20 or ord(c) == 0x7F:
            out.append(octal(bytes([ord(c)])))
        elif ord(c) >= 0x80:
            out.append(octal(gbk(c, where)))
        else:
            out.append(c)
    return ''.join(out)


def convert(text, where='<source>'):
    out = []
    i = 0
    n = len(text)
    start = 0  # start of the text not yet copied
    while i < n:
        c = text[i]
        if c == '/' and text.startswith('//', i):
            end = text.find('\n', i)
            i = n if end < 0 else end
            continue
        if c == '/' and text.startswith('/*', i):
            end = text.find('*/', i + 2)
            i = n if end < 0 else end + 2
            continue
        if c not in '"\'':
            i += 1
            continue
        # The identifier just before the quote: a literal's prefix, or (before ') a number.
        p = i
        while p > 0 and IDENT.match(text[p - 1]):
            p -= 1
        prefix = text[p:i]
        if prefix not in ALL_PREFIXES:
            if c == '\'' and prefix and prefix[0].isdigit():
                i += 1  # a digit separator
                continue
            prefix = ''
            p = i
        if c == '"' and prefix.endswith('R'):
            open_paren = text.find('(', i)
            delimiter = text[i + 1:open_paren]
            close = text.find(')' + delimiter + '"', open_paren)
            if open_paren < 0 or close < 0:
                raise SystemExit('%s: unterminated raw literal' % where)
            end = close + len(delimiter) + 2
            content = text[open_paren + 1:close]
            if prefix == 'R' and any(ord(ch) >= 0x80 for ch in content):
                out.append(text[start:p])
                out.append('"' + convert_raw(content, where) + '"')
                start = end
            i = end
            continue
        j = i + 1
        while j < n and text[j] != c:
            if text[j] == '\\':
                j += 1
            elif text[j] == '\n':
                break
            j += 1
        body = text[i + 1:j]
        if prefix in NARROW_PREFIXES and any(ord(ch) >= 0x80 for ch in body):
            out.append(text[start:i + 1])
            out.append(convert_body(body, where))
            start = j
        i = j + 1
    out.append(text[start:])
    return ''.join(out)


def convert_file(path):
    with open(path, 'rb') as f:
        raw = f.read()
    try:
        text = raw.decode('utf-8')
    except UnicodeDecodeError:
        return raw
    return convert(text, path).encode('utf-8')


def write_if_changed(path, data, mode):
    try:
        with open(path, 'rb') as f:
            if f.read() == data:
                return
    except FileNotFoundError:
        pass
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, 'wb') as f:
        f.write(data)
    os.chmod(path, mode)


def mirror(tree, copy):
    tree = os.path.abspath(tree)
    copy = os.path.abspath(copy)
    kept = {os.path.join(copy, '.gbk-literals')}
    for root, dirs, files in os.walk(tree):
        rel = os.path.relpath(root, tree)
        dirs[:] = [d for d in dirs if not (rel == '.' and d in SKIP_DIRS)]
        for name in files:
            source = os.path.join(root, name)
            if os.path.islink(source):
                continue
            target = os.path.normpath(os.path.join(copy, rel, name))
            kept.add(target)
            mode = os.stat(source).st_mode & 0o777
            if name.endswith(SOURCE_SUFFIXES):
                write_if_changed(target, convert_file(source), mode)
            else:
                with open(source, 'rb') as f:
                    write_if_changed(target, f.read(), mode)
    # Files since removed from the tree leave the copy too (globbing builds would find them).
    for root, dirs, files in os.walk(copy):
        dirs[:] = [d for d in dirs if not (root == copy and d in SKIP_DIRS)]
        for name in files:
            path = os.path.join(root, name)
            if path not in kept and not os.path.islink(path):
                os.remove(path)
    # The copy says what it is, for the build to check.
    write_if_changed(os.path.join(copy, '.gbk-literals'), b'narrow literals spelt in GBK\n', 0o644)


INCLUDE = re.compile(r'^\s*#\s*include\s*"([^"]+)"', re.M)


def includes(path, headers):
    """Whether the file includes one of headers (paths from the tree's root, or beside the file)."""
    with open(path, 'rb') as f:
        names = INCLUDE.findall(f.read().decode('utf-8', 'replace'))
    here = os.path.dirname(path)
    for name in names:
        if name in headers:
            return True
        beside = os.path.normpath(os.path.join(here, name))
        if any(beside.endswith(os.sep + h) for h in headers):
            return True
    return False


def assembly(command, directory, source, output):
    args = shlex.split(command)
    out = []
    skip = False
    for a in args:
        if skip:
            skip = False
            continue
        if a in ('-o', '-MF', '-MT', '-MQ'):
            skip = True
            continue
        # Sanitizers pad each string by the length of the file's path, which differs in the copy.
        if a in ('-c', '-MD', '-MMD') or a.startswith(('-g', '-fsanitize', '-fno-sanitize')):
            continue
        out.append(a)
    out = [a for a in out if a != source] + ['-S', '-o', output, source]
    if subprocess.run(out, cwd=directory).returncode != 0:
        raise SystemExit('cannot compile %s (is the build complete?)' % source)
    with open(output) as f:
        return [l for l in f.read().splitlines() if not l.lstrip().startswith('.file')]


def check(tree, database, prefixes):
    tree = os.path.abspath(tree)
    with open(database) as f:
        entries = json.load(f)
    work = tempfile.mkdtemp(prefix='gbk-literals-')
    copy = os.path.join(work, 'tree')
    try:
        mirror(tree, copy)
        changed_headers = []
        for root, dirs, files in os.walk(copy):
            for name in files:
                if name.endswith(('.h', '.hpp', '.hh', '.inl', '.inc')):
                    rel = os.path.relpath(os.path.join(root, name), copy)
                    with open(os.path.join(tree, rel), 'rb') as a, open(os.path.join(copy, rel), 'rb') as b:
                        if a.read() != b.read():
                            changed_headers.append(rel)
        # Headers that include a changed header, directly or not, change what includes them.
        affected = set(changed_headers)
        headers = [os.path.relpath(os.path.join(r, n), tree) for r, d, f in os.walk(tree)
                   if not os.path.relpath(r, tree).split(os.sep)[0] in SKIP_DIRS
                   for n in f if n.endswith(('.h', '.hpp', '.hh', '.inl', '.inc'))]
        grew = True
        while grew:
            grew = False
            for h in headers:
                if h not in affected and includes(os.path.join(tree, h), affected):
                    affected.add(h)
                    grew = True
        checked = 0
        failures = []
        for e in entries:
            source = os.path.abspath(os.path.join(e['directory'], e['file']))
            rel = os.path.relpath(source, tree)
            if rel.startswith('..') or (prefixes and not rel.startswith(tuple(prefixes))):
                continue
            with open(source, 'rb') as f:
                original = f.read()
            with open(os.path.join(copy, rel), 'rb') as f:
                converted = f.read()
            command = e.get('command') or ' '.join(shlex.quote(a) for a in e['arguments'])
            # Headers are converted too: a source that includes one with literals is checked even
            # when it has none of its own.
            if original == converted and not includes(source, affected):
                continue
            theirs = assembly(command, e['directory'], source, os.path.join(work, 'a.s'))
            ours_command = command.replace('-fexec-charset=GBK', '').replace(tree + '/', copy + '/')
            ours_command = re.sub(r'-I' + re.escape(tree) + r'(\s|$)', '-I' + copy + r'\1', ours_command)
            ours = assembly(ours_command, e['directory'], os.path.join(copy, rel), os.path.join(work, 'b.s'))
            ours = [l.replace(copy, tree) for l in ours]
            checked += 1
            if theirs != ours:
                diff = next(i for i, (a, b) in enumerate(zip(theirs + [''], ours + [''])) if a != b)
                failures.append('%s: assembly differs at line %d:\n  g++ GBK:   %s\n  converted: %s' %
                                (rel, diff + 1, (theirs + [''])[diff], (ours + [''])[diff]))
        for f in failures:
            print(f)
        print('%d sources compiled both ways, %d differ' % (checked, len(failures)))
        return 1 if failures or checked == 0 else 0
    finally:
        shutil.rmtree(work, ignore_errors=True)


def main(argv):
    if len(argv) >= 3 and argv[0] == 'mirror':
        mirror(argv[1], argv[2])
        return 0
    if len(argv) >= 3 and argv[0] == 'check':
        return check(argv[1], argv[2], argv[3:])
    print(__doc__)
    return 2


if __name__ == '__main__':
    sys.exit(main(sys.argv[1:]))
