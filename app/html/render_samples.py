#!/usr/bin/env python3
"""Renders each HTML page of the program, filled with sample data the way the pages fill them
(element contents replaced by id), in headless Chromium, and saves one PNG per page.
Usage: render_samples.py <generated assets folder> <output folder>"""
import html
import os
import re
import shutil
import subprocess
import sys
import tempfile

ASSETS, OUT = sys.argv[1], sys.argv[2]
e = html.escape

SAMPLES = {
    "home.html": {
        "manufacturer": "HTC Desire HD",
        "status_os": "Android 2.3.X &nbsp; API Level 10 &nbsp; 已连接",
        "info_ul": "".join('<li><a href="vko:%s">%s</a><span>%s</span></li>' % (k, t, v) for k, t, v in [
            ("battery", "电池", "86%"), ("wifi", "无线网络", "已开启"),
            ("device", "存储空间", "1.2 GB / 4 GB"), ("os", "系统版本", "Android 2.3.X")]),
        "appslist": "".join("<li>%s</li>" % e(n) for n in ["微信 4.0", "手机QQ 2012", "UC浏览器 8.3"]),
        "articlelist": "".join("<li>%s</li>" % e(n) for n in [
            "如何开启 USB 调试", "<script>alert('这是数据，不是脚本')</script>", "卓维克 1.0 发布"]),
    },
    "smslist.html": {
        "sms_ul": "".join(
            '<li><a href="vko:did=%d"><span class="name">%s</span><span class="time">%s</span>'
            '<span class="body">%s</span></a></li>' % (i, e(n), t, e(b)) for i, (n, t, b) in enumerate([
                ("张三", "2012-05-01 10:22:01", "晚上一起吃饭？"),
                ("10086", "2012-04-30 08:00:00", "您本月话费余额为 23.50 元。"),
                ("<b>李四</b>", "2012-04-29 21:13:45", "<img src=x onerror=alert(1)> 收到请回复")]))
    },
    "conversation.html": {
        "conversation_list": "".join('<div class="msg %s">%s<span class="time">%s</span></div>' % (k, e(b), t)
                                     for k, b, t in [("in", "晚上一起吃饭？", "2012-05-01 10:22:01"),
                                                     ("out", "好的，七点见。", "2012-05-01 10:25:13"),
                                                     ("in", "<script>x()</script> 地点发你了", "2012-05-01 10:26:40")]),
        "page_on": '<a href="vko:vid=1">上一页</a> 1 / 1 <a href="vko:vid=1">下一页</a>',
    },
    "smsframe.html": {},
    "contact.html": {
        "block": '<div class="card"><img class="avatar" src="avatar.png" alt="" /><h1>%s</h1><p>%s</p>'
                 '<dl><dt>手机</dt><dd>138 0013 8000 （北京 移动）</dd><dt>邮箱</dt><dd>%s</dd>'
                 '<dt>公司</dt><dd>%s</dd></dl></div>' % (e("张三"), e("同事"), e("zhangsan@example.com"),
                                                      e("卓维克 & <Co>")),
    },
}


def fill(text, element_id, content):
    # Replaces the contents of the first element with this id (the pages' elements do not nest
    # an element of the same tag).
    m = re.search(r'<(\w+)([^>]*\bid="%s"[^>]*)>' % re.escape(element_id), text)
    if not m:
        raise SystemExit("no element %s" % element_id)
    tag = m.group(1)
    close = text.index("</%s>" % tag, m.end())
    return text[:m.end()] + content + text[close:]


def main():
    chromium = shutil.which("chromium") or shutil.which("chromium-browser")
    if not chromium:
        print("chromium is not installed (scripts/install-deps.sh installs it)")
        sys.exit(77)
    os.makedirs(OUT, exist_ok=True)
    with tempfile.TemporaryDirectory() as work:
        for name in os.listdir(ASSETS):
            if name.endswith((".css", ".png")):
                shutil.copy(os.path.join(ASSETS, name), work)
        for page, elements in SAMPLES.items():
            with open(os.path.join(ASSETS, page), encoding="gbk") as f:
                text = f.read()
            for element_id, content in elements.items():
                text = fill(text, element_id, content)
            path = os.path.join(work, page)
            with open(path, "wb") as f:
                f.write(text.encode("gbk"))
            shot = os.path.join(os.path.abspath(OUT), page.replace(".html", ".png"))
            subprocess.run([chromium, "--headless", "--no-sandbox", "--disable-gpu", "--hide-scrollbars",
                            "--window-size=760,460", "--screenshot=" + shot, "file://" + path],
                           check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=120)
            print(shot)


if __name__ == "__main__":
    main()
