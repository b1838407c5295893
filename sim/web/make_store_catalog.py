#!/usr/bin/env python3
"""Writes websim's store catalogue (UTF-8 JSON) from the virtual phone's user packages: for each,
a store id, a rating level, a category and a one-line description, all as strings, the way the
maker's apk_list service answers them."""
import json
import re
import sys
from pathlib import Path

CATEGORIES = {
    "社交通讯": ["com.tencent.mm", "com.tencent.mobileqq", "com.sina.weibo", "com.immomo.momo", "com.zhihu.android",
             "com.douban.frodo"],
    "金融理财": ["com.eg.android.AlipayGphone", "cmb.pb", "com.icbc"],
    "网购支付": ["com.taobao.taobao", "com.taobao.mobile.dipei", "com.jingdong.app.mall"],
    "地图导航": ["com.baidu.BaiduMap", "com.autonavi.minimap"],
    "浏览器": ["com.UCMobile", "com.tencent.mtt", "com.baidu.searchbox"],
    "影音播放": ["com.kugou.android", "com.tencent.qqmusic", "com.youku.phone", "com.qiyi.video", "com.changba"],
    "生活服务": ["com.moji.mjweather", "com.dianping.v1", "com.sankuai.meituan", "com.sdu.didi.psnger",
             "com.funcity.taxi.passenger", "com.MobileTicket"],
    "旅游出行": ["ctrip.android.view", "com.Qunar"],
    "新闻资讯": ["com.netease.newsreader.activity", "com.ss.android.article.news", "flipboard.app"],
    "系统工具": ["com.sohu.inputmethod.sogou", "com.qihoo360.mobilesafe", "com.tencent.qqpimsecure", "com.zorvik.Zorvik"],
    "办公学习": ["cn.wps.moffice_eng", "com.youdao.dict", "com.evernote"],
    "摄影图像": ["com.mt.mtxx.mtxx"],
    "休闲游戏": ["com.rovio.angrybirds", "com.popcap.pvz_row", "com.halfbrick.fruitninja", "com.imangi.templerun",
             "com.happyelements.AndroidAnimal"],
}


def main():
    phone_script = Path(__file__).resolve().parent.parent / "data" / "make_phone.py"
    table = re.search(r"^APPS = \[.*?^\]", phone_script.read_text(encoding="utf-8"), re.S | re.M).group(0)
    names = {}
    exec(table, names)
    category_of = {p: c for c, packages in CATEGORIES.items() for p in packages}
    items = []
    for i, (label, package, version, _colour) in enumerate(names["APPS"]):
        category = category_of.get(package, "其他")
        items.append({"pkg": package, "title": label, "id": str(1001 + i), "level": str(1 + (i * 7) % 5),
                      "category": category, "description": "%s：%s类热门应用，版本 %s" % (label, category, version)})
    Path(sys.argv[1]).write_text(json.dumps(items, ensure_ascii=False, indent=1), encoding="utf-8")


if __name__ == "__main__":
    main()
