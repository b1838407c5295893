#!/usr/bin/env python3
"""Checks and renders the program's HTML pages as the program shows them.

The pages, style sheets and pictures are generated exactly as the build embeds them
(app/res/make_assets.py). The contact card page (680) is filled with the cards the contacts page
builds for the virtual phone's contacts (printed by the native program contact_card_samples,
which runs the page's own parsers and card builder); the home dashboard (660) is filled with the
model link and widgets the home page builds for the virtual phone, and for an edge variant of it
(dashboard_samples, the page's own reader and builders); the thread list (661) and conversation
(662) pages with what the messages page builds for the same phone (message_samples); the pages
whose builders do not exist yet are filled with sample markup of the form their pages expect.

Check (always): every picture, style sheet or url() a filled page refers to must be among the
program's HTML resources (app/zorvik.rc: reachable by bare name) and generated; every class in a
filled page must be styled by the page's own style sheets. Render (with --render): each page in
headless Chromium, which must load every picture, saved as a PNG.

Usage: render_samples.py --html-src app/html --rc app/zorvik.rc --cards-program PROGRAM
                         --home-program PROGRAM --messages-program PROGRAM --phone phone.json --out FOLDER [--render]
Exit: 0 fine, 1 a check failed, 77 --render without Chromium.
"""
import argparse
import html
import html.parser
import os
import re
import shutil
import subprocess
import sys
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))
MAKE_ASSETS = os.path.join(HERE, "..", "res", "make_assets.py")
e = html.escape

# Pages whose builders do not exist yet: sample contents of the elements they fill.
SAMPLES = {
    "home.html": {
        "appslist": "".join("<li>%s</li>" % e(n) for n in ["微信 4.0", "手机QQ 2012", "UC浏览器 8.3"]),
        "articlelist": "".join("<li>%s</li>" % e(n) for n in [
            "如何开启 USB 调试", "<script>alert('这是数据，不是脚本')</script>", "卓维克 1.0 发布"]),
    },
    "smsframe.html": {},
}
# Window sizes: the card sits in the right part of the contacts page.
SIZES = {"contact.html": (290, 520)}
DEFAULT_SIZE = (760, 460)


def fill(text, element_id, content):
    # Replaces the contents of the first element with this id (the pages' elements do not nest
    # an element of the same tag).
    m = re.search(r'<(\w+)([^>]*\bid="%s"[^>]*)>' % re.escape(element_id), text)
    if not m:
        raise SystemExit("no element %s" % element_id)
    tag = m.group(1)
    close = text.index("</%s>" % tag, m.end())
    return text[:m.end()] + content + text[close:]


def html_resources(rc_path):
    """Bare names of the program's HTML resources (the file-like names), lower case: what a page
    can reach as res://<program>/<name>."""
    names = set()
    with open(rc_path, encoding="utf-8") as f:
        for line in f:
            m = re.match(r'\s*([A-Za-z0-9_.]+)\s+HTML\s+"([^"]+)"', line)
            if m and "." in m.group(1):
                names.add(m.group(1).lower())
    return names


class Refs(html.parser.HTMLParser):
    """Pictures, style sheets and classes one page refers to."""

    def __init__(self):
        super().__init__(convert_charrefs=True)
        self.files, self.sheets, self.classes = [], [], set()

    def handle_starttag(self, tag, attrs):
        a = dict(attrs)
        if tag == "img" and a.get("src"):
            self.files.append(a["src"])
        if tag == "link" and (a.get("rel") or "").lower() == "stylesheet" and a.get("href"):
            self.files.append(a["href"])
            self.sheets.append(a["href"])
        self.classes.update((a.get("class") or "").split())

    handle_startendtag = handle_starttag


def strip_css(css):
    css = re.sub(r"/\*.*?\*/", "", css, flags=re.S)
    return re.sub(r"""(["']).*?\1""", "", css)


def check_page(label, text, assets, resources):
    """Problems of one filled page: references the program cannot resolve, classes no sheet styles."""
    refs = Refs()
    refs.feed(text)
    problems, styled = [], set()
    files = list(refs.files)
    for sheet in refs.sheets:
        path = os.path.join(assets, sheet)
        if not os.path.exists(path):
            continue
        with open(path, encoding="gbk") as f:
            css = strip_css(f.read())
        files += re.findall(r"url\(\s*([^)\s]+)\s*\)", css)
        styled |= set(re.findall(r"\.([A-Za-z_][\w-]*)", re.sub(r"url\([^)]*\)", "", css)))
    for ref in sorted(set(files)):
        if re.match(r"^[a-z][a-z0-9+.-]*:", ref, re.I) and not ref.lower().startswith("res:"):
            continue  # vko: commands and web addresses are not the program's own files
        if "/" in ref or "\\" in ref or ref.lower() not in resources:
            problems.append("%s refers to %s, which is not an HTML resource of the program" % (label, ref))
        elif not os.path.exists(os.path.join(assets, ref)):
            problems.append("%s refers to %s, which the asset generator does not make" % (label, ref))
    for cls in sorted(refs.classes - styled):
        problems.append("%s uses class '%s', which its style sheets do not style" % (label, cls))
    return problems


def card_weight(fragment):
    return fragment.count("<div>")


def chromium_args(chromium, profile, size):
    return [chromium, "--headless", "--no-sandbox", "--disable-gpu", "--no-first-run",
            "--disable-background-networking", "--disable-component-update", "--disable-sync",
            "--user-data-dir=" + profile, "--hide-scrollbars", "--window-size=%d,%d" % size]


# Appended to a page before rendering: after loading, the title lists the pictures that failed.
PROBE = ("<script>window.addEventListener('load',function(){var b=[];var i=document.images;"
         "for(var k=0;k<i.length;k++){if(!i[k].complete||!i[k].naturalWidth)b.push(i[k].getAttribute('src'));}"
         "document.title='BROKEN['+b.join(',')+']';});</script>")


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--html-src", required=True)
    ap.add_argument("--rc", required=True)
    ap.add_argument("--cards-program", required=True)
    ap.add_argument("--home-program", required=True)
    ap.add_argument("--messages-program", required=True)
    ap.add_argument("--phone", required=True)
    ap.add_argument("--out", required=True)
    ap.add_argument("--render", action="store_true")
    args = ap.parse_args()

    chromium = shutil.which("chromium") or shutil.which("chromium-browser")
    if args.render and not chromium:
        print("chromium is not installed (scripts/install-deps.sh installs it)")
        sys.exit(77)
    resources = html_resources(args.rc)
    with tempfile.TemporaryDirectory() as work:
        assets = os.path.join(work, "assets")
        cards = os.path.join(work, "cards")
        os.makedirs(cards)
        sms = os.path.join(work, "sms")
        os.makedirs(sms)
        subprocess.run([sys.executable, MAKE_ASSETS, assets, args.html_src], check=True, stdout=subprocess.DEVNULL)
        subprocess.run([args.cards_program, args.phone, cards], check=True, stdout=subprocess.DEVNULL)
        homes = os.path.join(work, "homes")
        os.makedirs(homes)
        subprocess.run([args.home_program, args.phone, homes], check=True, stdout=subprocess.DEVNULL)
        subprocess.run([args.messages_program, args.phone, sms], check=True, stdout=subprocess.DEVNULL)

        # (label, page, filled GBK text) for every page and every contact's card.
        pages = []
        for page, elements in SAMPLES.items():
            with open(os.path.join(assets, page), encoding="gbk") as f:
                text = f.read()
            for element_id, content in elements.items():
                text = fill(text, element_id, content)
            pages.append((page, page, text))
            if page == "home.html":
                for variant in sorted({n.split(".")[0] for n in os.listdir(homes)}):
                    filled = text
                    for element_id in ("manufacturer", "info_ul"):
                        with open(os.path.join(homes, "%s.%s.html" % (variant, element_id)), encoding="gbk") as f:
                            filled = fill(filled, element_id, f.read())
                    pages.append(("home.html with " + variant, page, filled))
        with open(os.path.join(assets, "contact.html"), encoding="gbk") as f:
            contact = f.read()
        pages.append(("contact.html", "contact.html", contact))
        fragments = {}
        for name in sorted(os.listdir(cards)):
            with open(os.path.join(cards, name), encoding="gbk") as f:
                fragments[name[:-5]] = f.read()
            pages.append(("contact.html with " + name, "contact.html", fill(contact, "block", fragments[name[:-5]])))
        if not fragments:
            raise SystemExit("the card program wrote no cards")
        # The messages page's thread list and conversations, as the page builds them.
        for page, element_id, prefix in [("smslist.html", "sms_ul", "threads"),
                                         ("conversation.html", "conversation_list", "conversation-")]:
            with open(os.path.join(assets, page), encoding="gbk") as f:
                text = f.read()
            names = sorted(n for n in os.listdir(sms) if n.startswith(prefix))
            if not names:
                raise SystemExit("the messages program wrote no %s" % prefix)
            for name in names:
                with open(os.path.join(sms, name), encoding="gbk") as f:
                    pages.append(("%s with %s" % (page, name), page, fill(text, element_id, f.read())))

        problems = []
        for label, _, text in pages:
            problems += check_page(label, text, assets, resources)
        for p in problems[:40]:
            print(p)
        print("%d pages checked (%d contact cards), %d problems" % (len(pages), len(fragments), len(problems)))
        if problems:
            sys.exit(1)
        if not args.render:
            return

        # Rendered: each sample page, and three cards: the fullest, the barest and the first.
        by_weight = sorted(fragments, key=lambda k: (card_weight(fragments[k]), k))
        chosen = {by_weight[-1], by_weight[0], sorted(fragments, key=lambda k: int(k.split("-")[1]))[0]}
        shots = [(page, text, page.replace(".html", ".png")) for label, page, text in pages if label == page]
        shots += [(page, text, "%s.png" % label.split(" with ")[1]) for label, page, text in pages
                  if label.startswith("home.html with ")]
        shots += [(page, text, "contact-%s.png" % label.split(" with ")[1][:-5])
                  for label, page, text in pages
                  if label.startswith("contact.html with ") and label.split(" with ")[1][:-5] in chosen]
        shots += [(page, text, label.split(" with ")[1].replace(".html", ".png"))
                  for label, page, text in pages if page in ("smslist.html", "conversation.html") and " with " in label]
        os.makedirs(args.out, exist_ok=True)
        broken = []
        for n, (page, text, png) in enumerate(shots):
            path = os.path.join(assets, "render-%d-%s" % (n, page))
            with open(path, "wb") as f:
                f.write(text.replace("</body>", PROBE + "</body>").encode("gbk"))
            size = SIZES.get(page, DEFAULT_SIZE)
            profile = tempfile.mkdtemp(dir=work)
            dom = subprocess.run(chromium_args(chromium, profile, size) +
                                 ["--virtual-time-budget=5000", "--dump-dom", "file://" + path],
                                 check=True, capture_output=True, timeout=120).stdout.decode("utf-8", "replace")
            m = re.search(r"BROKEN\[([^\]]*)\]", dom)
            if not m:
                broken.append("%s: the page did not finish loading" % png)
            elif m.group(1):
                broken.append("%s: pictures not shown: %s" % (png, m.group(1)))
            shot = os.path.join(os.path.abspath(args.out), png)
            subprocess.run(chromium_args(chromium, profile, size) + ["--screenshot=" + shot, "file://" + path],
                           check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=120)
            print(shot)
        for b in broken:
            print(b)
        sys.exit(1 if broken else 0)


if __name__ == "__main__":
    main()
