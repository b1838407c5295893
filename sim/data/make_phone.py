#!/usr/bin/python3
"""Generates the virtual phone's data set (a JSON file) from word lists.

Everything is drawn from the lists below with a fixed seed, so a run gives the same phone every
time. Pictures (contact photos, application icons, bookmark thumbnails) are drawn with Pillow and
stored once, base64-encoded, in "images"; records refer to them by key.

usage: make_phone.py OUT.json [--contacts N] [--all-photos]
"""
import argparse
import base64
import io
import json
import random

from PIL import Image, ImageDraw, ImageFont

FONT = "/usr/share/fonts/truetype/wqy/wqy-microhei.ttc"

SURNAMES = list("王李张刘陈杨黄赵吴周徐孙马朱胡郭何高林罗郑梁谢宋唐许韩冯邓曹彭曾肖田董袁潘于蒋蔡余杜叶程苏魏吕丁任沈姚卢姜崔钟谭陆汪范金石廖贾夏韦付方白邹孟熊秦邱江尹薛闫段雷侯龙史陶黎贺顾毛郝龚邵万钱严覃武戴莫孔向汤")
GIVEN = list("伟芳娜秀英敏静丽强磊军洋勇艳杰娟涛明超秀兰霞平刚桂英华玉萍红娥玲芬燕彬鹏辉斌宇浩凯健俊帆帅旭宁龙林欣怡婷雪琳晨曦瑶璐佳琪梓涵子轩浩然思远嘉怡雨萱诗涵博文晓东国庆建华志强丹阳")
LATIN_FIRST = ["David", "Emma", "Michael", "Sophie", "Daniel", "Olivia", "James", "Lucy", "Thomas", "Anna",
               "Peter", "Grace", "Kevin", "Linda", "Jason", "Helen", "Eric", "Vivian", "Frank", "Cindy"]
LATIN_LAST = ["Smith", "Brown", "Wilson", "Taylor", "Miller", "Chen", "Wong", "Lee", "Martin", "Clark",
              "Walker", "Young", "King", "Scott", "Green"]
NICKS = ["老大", "小胖", "阿强", "大头", "小美", "老王", "阿杰", "小雨", "豆豆", "Tiger", "Coco", "Momo"]
COMPANIES = ["华为技术有限公司", "腾讯科技", "阿里巴巴", "中国移动通信集团", "中国银行", "百度在线", "小米科技",
             "联想集团", "招商银行", "中兴通讯", "新浪网", "网易", "京东商城", "中国平安", "万科地产",
             "Acme Trading Ltd.", "Global Logistics Inc."]
TITLES = ["经理", "工程师", "主管", "总监", "销售代表", "会计", "设计师", "教师", "医生", "律师"]
CITIES = [("北京市", "朝阳区"), ("上海市", "浦东新区"), ("广州市", "天河区"), ("深圳市", "南山区"),
          ("杭州市", "西湖区"), ("成都市", "武侯区"), ("武汉市", "洪山区"), ("南京市", "鼓楼区"),
          ("西安市", "雁塔区"), ("重庆市", "渝中区"), ("天津市", "和平区"), ("苏州市", "工业园区")]
STREETS = ["建国路", "中山路", "人民路", "解放大道", "科技园路", "长安街", "南京东路", "天府大道", "珠江路", "学院路"]
MAIL_HOSTS = ["qq.com", "163.com", "126.com", "sina.com", "gmail.com", "hotmail.com", "139.com", "sohu.com"]
PINYIN = ["wang", "li", "zhang", "liu", "chen", "yang", "huang", "zhao", "wu", "zhou", "xu", "sun", "ma", "zhu",
          "hu", "guo", "he", "gao", "lin", "luo"]
NOTES = ["大学同学", "生日是五月", "喜欢打羽毛球", "老家在湖南", "欠他一顿饭", "周末常约跑步", "孩子同班家长",
         "装修师傅，手艺不错", "Met at the Shenzhen trade fair", "负责我们的报销"]
MOBILE_PREFIXES = ["134", "135", "136", "137", "138", "139", "150", "151", "152", "157", "158", "159", "182",
                   "183", "187", "188", "130", "131", "132", "155", "156", "185", "186", "133", "153", "180",
                   "189"]
AREA_CODES = ["010", "021", "020", "0755", "0571", "028", "027", "025", "029", "023", "022", "0512"]
SERVICES = [("中国移动", "10086"), ("中国联通", "10010"), ("中国电信", "10000"), ("工商银行", "95588"),
            ("招商银行", "95555"), ("铁路客服", "12306"), ("查号台", "114"), ("顺丰速运", "95338")]
GROUPS = [("家人", 1), ("同事", 1), ("朋友", 1), ("同学", 1), ("客户", 1), ("VIP", 0)]
SMS_IN = ["晚上一起吃饭吗？", "到了给我回个电话", "明天的会议改到下午三点", "收到，谢谢！", "周末有空吗",
          "快递已经放在门卫了", "生日快乐！", "方案我已经发你邮箱了", "路上堵车，晚到十分钟", "好的没问题",
          "下周出差，回来再聊", "记得带伞，今天有雨", "Happy new year!", "Call me when you land."]
SMS_OUT = ["好的", "马上到", "没问题，我来安排", "谢谢你", "我在开会，稍后回复", "收到", "周六可以",
           "已经转账了，请查收", "哈哈，太好了", "OK, see you then.", "明天见"]
SMS_SERVICE = {
    "10086": ["尊敬的客户，您本月话费账单已出，截至12月07日您已消费58.60元，详情请登录网上营业厅查询。",
              "您的流量套餐已使用80%，剩余流量60.5MB。【中国移动】"],
    "10010": ["您好，您的话费余额为23.40元，为不影响使用请及时充值。【中国联通】"],
    "10000": ["您的宽带将于2012年12月31日到期，续费请回复KD。【中国电信】"],
    "95588": ["您尾号8821卡12月05日15:32消费支出人民币356.00元，余额4,210.55元。【工商银行】",
              "您尾号8821卡12月01日工资收入人民币8,650.00元。【工商银行】"],
    "95555": ["您的信用卡本期账单金额为2,316.80元，最后还款日12月20日。【招商银行】",
              "验证码482915，您正在进行网上支付，请勿泄露。【招商银行】"],
    "12306": ["订单E123456789，王先生已购12月28日G101次3车7F号，北京南08:00开。【铁路客服】"],
    "114": ["您查询的号码为：北京饭店 010-65137766。【114查号台】"],
    "95338": ["您的快件已由快递员派送，请保持电话畅通。【顺丰速运】"],
}
APPS = [
    ("微信", "com.tencent.mm", "4.5.1", 0x1F7A3C), ("QQ", "com.tencent.mobileqq", "4.2.0", 0x1E90FF),
    ("新浪微博", "com.sina.weibo", "3.6.0", 0xE6162D), ("支付宝", "com.eg.android.AlipayGphone", "7.6.0", 0x00A0E9),
    ("淘宝", "com.taobao.taobao", "3.9.5", 0xFF5000), ("百度地图", "com.baidu.BaiduMap", "6.0.0", 0x3385FF),
    ("高德地图", "com.autonavi.minimap", "6.5.0", 0x0091FF), ("UC浏览器", "com.UCMobile", "9.0.2", 0xFF8C00),
    ("QQ浏览器", "com.tencent.mtt", "4.3.0", 0x2D8CF0), ("酷狗音乐", "com.kugou.android", "6.2.3", 0x2CA2F9),
    ("QQ音乐", "com.tencent.qqmusic", "4.0.1", 0x31C27C), ("优酷", "com.youku.phone", "3.5.2", 0x1F8FFF),
    ("爱奇艺", "com.qiyi.video", "4.2.1", 0x00BE06), ("墨迹天气", "com.moji.mjweather", "4.2.0", 0x5AB0F0),
    ("大众点评", "com.dianping.v1", "5.6.0", 0xFF6633), ("美团", "com.sankuai.meituan", "4.0.1", 0x2BB8AA),
    ("携程旅行", "ctrip.android.view", "5.3.0", 0x2577E3), ("去哪儿旅行", "com.Qunar", "6.1.0", 0x00BCD4),
    ("网易新闻", "com.netease.newsreader.activity", "3.2.0", 0xD43C33),
    ("今日头条", "com.ss.android.article.news", "3.0.1", 0xF04142), ("知乎", "com.zhihu.android", "2.0.3", 0x0084FF),
    ("豆瓣", "com.douban.frodo", "2.1.0", 0x2E963D), ("百度", "com.baidu.searchbox", "5.0.0", 0x2932E1),
    ("搜狗输入法", "com.sohu.inputmethod.sogou", "7.0", 0xFB6E33), ("WPS Office", "cn.wps.moffice_eng", "5.8", 0xD9322F),
    ("有道词典", "com.youdao.dict", "4.0.1", 0xE53935), ("陌陌", "com.immomo.momo", "4.8", 0x3BB0F7),
    ("唱吧", "com.changba", "5.0", 0xF0415F), ("美图秀秀", "com.mt.mtxx.mtxx", "3.3.0", 0xFF4A8C),
    ("360手机卫士", "com.qihoo360.mobilesafe", "4.5.0", 0x2DBE60), ("腾讯手机管家", "com.tencent.qqpimsecure", "4.4", 0x1AAD19),
    ("手机淘宝", "com.taobao.mobile.dipei", "1.2", 0xFF7300), ("京东", "com.jingdong.app.mall", "3.8.0", 0xE4393C),
    ("12306", "com.MobileTicket", "1.3", 0x1565C0), ("招商银行", "cmb.pb", "3.1.0", 0xC8102E),
    ("工商银行", "com.icbc", "2.1.0", 0xC7000B), ("滴滴打车", "com.sdu.didi.psnger", "2.8", 0xFF8A00),
    ("快的打车", "com.funcity.taxi.passenger", "3.0", 0xFFB300), ("Evernote", "com.evernote", "5.5", 0x2DBE60),
    ("Flipboard", "flipboard.app", "2.2", 0xE12828), ("愤怒的小鸟", "com.rovio.angrybirds", "3.4.0", 0xD32F2F),
    ("植物大战僵尸", "com.popcap.pvz_row", "1.3", 0x689F38), ("水果忍者", "com.halfbrick.fruitninja", "1.9", 0xF9A825),
    ("神庙逃亡", "com.imangi.templerun", "1.6", 0x8D6E63), ("开心消消乐", "com.happyelements.AndroidAnimal", "1.5", 0xAB47BC),
    ("卓维克手机端", "com.zorvik.Zorvik", "2.1", 0x1976D2),
]
SYSTEM_APPS = [
    ("电话", "com.android.phone", "4.0.4", 0x43A047), ("联系人", "com.android.contacts", "4.0.4", 0xFB8C00),
    ("信息", "com.android.mms", "4.0.4", 0x00ACC1), ("设置", "com.android.settings", "4.0.4", 0x607D8B),
    ("相机", "com.android.camera", "4.0.4", 0x424242), ("图库", "com.android.gallery3d", "1.1.40000", 0xEC407A),
    ("浏览器", "com.android.browser", "4.0.4", 0x1E88E5), ("日历", "com.android.calendar", "4.0.4", 0x3949AB),
    ("时钟", "com.android.deskclock", "2.0.1", 0x5E35B1), ("计算器", "com.android.calculator2", "4.0.4", 0x546E7A),
    ("音乐", "com.android.music", "4.0.4", 0xF4511E), ("Android 系统", "android", "4.0.4", 0x78909C),
    ("系统用户界面", "com.android.systemui", "4.0.4", 0x26A69A), ("输入法", "com.android.inputmethod.latin", "4.0.4", 0x8E24AA),
]
EVENTS = {0: "LOCKED_BOOT_COMPLETED", 1: "BOOT_COMPLETED", 2: "CONNECTIVITY_CHANGE", 4: "BATTERY_CHANGED", 5: "BATTERY_LOW",
          23: "MEDIA_MOUNTED", 33: "PACKAGE_ADDED", 37: "PACKAGE_REMOVED", 38: "PACKAGE_REPLACED",
          42: "SCREEN_OFF", 43: "SCREEN_ON", 48: "UMS_CONNECTED", 52: "ACTION_POWER_CONNECTED",
          71: "PHONE_STATE", 80: "SMS_RECEIVED", 86: "WIFI_STATE_CHANGED", 93: "RINGER_MODE_CHANGED",
          103: "BT_STATE_CHANGED", 141: "APPWIDGET_UPDATE"}
BOOKMARKS = [("百度一下，你就知道", "http://www.baidu.com/"), ("新浪首页", "http://www.sina.com.cn/"),
             ("网易", "http://www.163.com/"), ("淘宝网 - 淘！我喜欢", "http://m.taobao.com/"),
             ("京东商城", "http://m.jd.com/"), ("腾讯网", "http://www.qq.com/"), ("优酷", "http://www.youku.com/"),
             ("知乎", "http://www.zhihu.com/"), ("豆瓣", "http://www.douban.com/"),
             ("中国天气网", "http://www.weather.com.cn/"), ("12306 铁路客户服务中心", "http://www.12306.cn/"),
             ("Google", "http://www.google.com/"), ("Wikipedia", "http://en.wikipedia.org/"),
             ("GitHub", "https://github.com/")]
ALARMS = [("起床", 7, 0, 31, 1, 1), ("周末懒觉", 9, 30, 96, 1, 0), ("吃药", 12, 30, 127, 1, 1),
          ("健身", 18, 45, 21, 0, 1), ("接孩子", 16, 20, 31, 1, 1), ("开会提醒", 14, 55, 0, 1, 0),
          ("睡觉", 23, 0, 127, 0, 0)]
RINGTONES = [("Cesium", 12), ("Argon", 7), ("Osmium", 15), ("Fermium", 9), ("Timer", 21)]

NOW_MS = 1354953600000  # 2012-12-08 08:00 UTC: the phone's "now"
DAY = 86400000


WORLD_CONTACTS = [
    ("Pe\u00f1a \u00d1and\u00fa \U0001F600", "\u00df", "\u200f\u05e9\u05dc\u05d5\u05dd \U0001F389 " + "\u5907\u6ce8" * 1000,
     "+34 600 000 001", "Stra\u00dfe 5, K\u00f6ln", "Caf\u00e9 \u00c7a"),
    ("Zo\u00eb \u00c5ngstr\u00f6m", None, "na\u00efve fa\u00e7ade \u2603", "+46 70 000 0002", "G\u00f6teborg", "\u00c5AB"),
]
WORLD_THREADS = [
    ("+34 600 000 001", ["\u00a1Hola! \U0001F600 \u00f1", "\u200f\u05e9\u05dc\u05d5\u05dd \U0001F389", "Stra\u00dfe"]),
]


def png_bytes(img, fmt="PNG"):
    out = io.BytesIO()
    if fmt == "JPEG":
        img.convert("RGB").save(out, "JPEG", quality=82)
    else:
        img.save(out, "PNG", optimize=True)
    return out.getvalue()


def font(size):
    return ImageFont.truetype(FONT, size)


def avatar(rng, char, size):
    bg = tuple(rng.randint(60, 200) for _ in range(3))
    img = Image.new("RGB", (size, size), bg)
    d = ImageDraw.Draw(img)
    # a soft head-and-shoulders silhouette behind the initial
    light = tuple(min(255, c + 50) for c in bg)
    d.ellipse((size * 0.28, size * 0.12, size * 0.72, size * 0.56), fill=light)
    d.ellipse((size * 0.1, size * 0.6, size * 0.9, size * 1.3), fill=light)
    f = font(int(size * 0.42))
    box = d.textbbox((0, 0), char, font=f)
    d.text(((size - (box[2] - box[0])) / 2 - box[0], (size - (box[3] - box[1])) / 2 - box[1]), char,
           font=f, fill=(255, 255, 255))
    return img


def app_icon(label, rgb, size=48):
    img = Image.new("RGBA", (size, size), (0, 0, 0, 0))
    d = ImageDraw.Draw(img)
    colour = ((rgb >> 16) & 255, (rgb >> 8) & 255, rgb & 255, 255)
    d.rounded_rectangle((2, 2, size - 3, size - 3), radius=10, fill=colour)
    d.rounded_rectangle((2, 2, size - 3, size // 2), radius=10, fill=tuple(min(255, c + 30) for c in colour[:3]) + (255,))
    d.rectangle((2, size // 2 - 8, size - 3, size // 2), fill=tuple(min(255, c + 30) for c in colour[:3]) + (255,))
    ch = label[0]
    f = font(22)
    box = d.textbbox((0, 0), ch, font=f)
    d.text(((size - (box[2] - box[0])) / 2 - box[0], (size - (box[3] - box[1])) / 2 - box[1]), ch, font=f,
           fill=(255, 255, 255, 255))
    return img


def thumbnail(rng, title, w=96, h=72):
    img = Image.new("RGB", (w, h), (250, 250, 250))
    d = ImageDraw.Draw(img)
    top = tuple(rng.randint(30, 220) for _ in range(3))
    d.rectangle((0, 0, w, 14), fill=top)
    d.text((4, 1), title[:6], font=font(10), fill=(255, 255, 255))
    for i in range(5):
        y = 20 + i * 10
        d.rectangle((6, y, rng.randint(40, w - 6), y + 4), fill=(200, 200, 200))
    d.rectangle((w - 34, 20, w - 6, 48), fill=tuple(min(255, c + 40) for c in top))
    return img


def mobile(rng):
    return rng.choice(MOBILE_PREFIXES) + "".join(str(rng.randint(0, 9)) for _ in range(8))


def landline(rng):
    code = rng.choice(AREA_CODES)
    digits = 8 if len(code) == 3 or code in ("0755", "0571", "0512") else rng.choice([7, 8])
    return code + "-" + str(rng.randint(2, 8)) + "".join(str(rng.randint(0, 9)) for _ in range(digits - 1))


def build(n_contacts, all_photos):
    rng = random.Random(20121208)
    images = {}
    row = [1000]

    def next_row():
        row[0] += 1
        return row[0]

    def add_image(key, img, fmt="PNG"):
        images[key] = base64.b64encode(png_bytes(img, fmt)).decode("ascii")
        return key

    groups = [{"id": i + 1, "title": t, "account": "Phone" if i < 4 else "Google", "visible": v}
              for i, (t, v) in enumerate(GROUPS)]

    # A pool of photos shared by the contacts: PNG and JPEG, of two sizes.
    photo_keys = []
    for i in range(40):
        ch = rng.choice(SURNAMES + list("ABCDEFGHJKLMNPQRSTWXYZ"))
        fmt = "JPEG" if i % 2 else "PNG"
        photo_keys.append(add_image("photo%02d.%s" % (i, "jpg" if fmt == "JPEG" else "png"),
                                    avatar(rng, ch, 96 if i % 3 else 64), fmt))

    contacts = []
    used_names = set()
    for i in range(n_contacts):
        latin = rng.random() < 0.15
        for _attempt in range(20):
            if latin:
                name = rng.choice(LATIN_FIRST) + " " + rng.choice(LATIN_LAST)
            else:
                name = rng.choice(SURNAMES) + "".join(rng.choice(GIVEN) for _ in range(rng.choice([1, 2, 2])))
            if name not in used_names:
                break
        used_names.add(name)
        cid = 1 + i
        phones = [{"row": next_row(), "kind": 2, "value": mobile(rng)}]
        if rng.random() < 0.35:
            phones.append({"row": next_row(), "kind": 3, "value": landline(rng)})
        if rng.random() < 0.12:
            phones.append({"row": next_row(), "kind": rng.choice([1, 4, 7]), "value": landline(rng)})
        if rng.random() < 0.1:
            phones.append({"row": next_row(), "kind": 2, "value": "+86 " + mobile(rng)})
        py = rng.choice(PINYIN) + rng.choice(["", ".", "_"]) + str(rng.randint(1, 999))
        emails = []
        if rng.random() < 0.55:
            emails.append({"row": next_row(), "kind": rng.choice([1, 2]), "value": py + "@" + rng.choice(MAIL_HOSTS)})
        ims = []
        if rng.random() < 0.45:
            ims.append({"row": next_row(), "kind": 4, "value": str(rng.randint(10000, 999999999))})
        if rng.random() < 0.1:
            ims.append({"row": next_row(), "kind": 1, "value": py + "@hotmail.com"})
        addresses = []
        if rng.random() < 0.3:
            city, dist = rng.choice(CITIES)
            addresses.append({"row": next_row(), "kind": rng.choice([1, 2]),
                              "value": "%s%s%s%d号" % (city, dist, rng.choice(STREETS), rng.randint(1, 300))})
        orgs = []
        if rng.random() < 0.4:
            orgs.append({"row": next_row(), "kind": 1, "value": rng.choice(COMPANIES) + " " + rng.choice(TITLES)})
        webs = []
        if rng.random() < 0.08:
            webs.append({"row": next_row(), "kind": 0, "value": "http://weibo.com/" + py.replace(".", "")})
        group_ids = sorted(rng.sample([g["id"] for g in groups], k=rng.choice([0, 0, 1, 1, 2])))
        times = rng.choice([0, 0, rng.randint(1, 40), rng.randint(1, 300)])
        last = 0 if times == 0 else NOW_MS - rng.randint(1, 400) * DAY - rng.randint(0, DAY)
        contacts.append({
            "id": cid, "rawId": 5000 + cid, "starred": 1 if rng.random() < 0.1 else 0,
            "lastContact": last, "timesContacted": times,
            "photo": rng.choice(photo_keys) if (all_photos or rng.random() < 0.4) else "",
            "displayName": name,
            "nickname": rng.choice(NICKS) if rng.random() < 0.1 else None,
            "notes": rng.choice(NOTES) if rng.random() < 0.15 else None,
            "phones": phones, "groups": group_ids, "emails": emails, "ims": ims, "webPages": webs,
            "addresses": addresses, "organizations": orgs})
    for name, number in SERVICES:
        cid = len(contacts) + 1
        contacts.append({"id": cid, "rawId": 5000 + cid, "starred": 0, "lastContact": 0, "timesContacted": 0,
                         "photo": "", "displayName": name, "nickname": None, "notes": None,
                         "phones": [{"row": next_row(), "kind": 3, "value": number}], "groups": [], "emails": [],
                         "ims": [], "webPages": [], "addresses": [], "organizations": []})

    # Texts GBK cannot hold (letters, emoji, a right-to-left mark and Hebrew, a 2,000-character
    # note): what the suite must carry back to the phone and out to files unchanged. Added after the
    # others without drawing from rng, so the rest of the data set stays as it was.
    for name, nick, note, number, address, org in WORLD_CONTACTS:
        cid = len(contacts) + 1
        contacts.append({"id": cid, "rawId": 5000 + cid, "starred": 1, "lastContact": 0, "timesContacted": 0,
                         "photo": "", "displayName": name, "nickname": nick, "notes": note,
                         "phones": [{"row": next_row(), "kind": 2, "value": number}], "groups": [groups[0]["id"]],
                         "emails": [], "ims": [{"row": next_row(), "kind": 7, "value": "zo\u00eb@example.org"}],
                         "webPages": [], "addresses": [{"row": next_row(), "kind": 1, "value": address}],
                         "organizations": [{"row": next_row(), "kind": 1, "value": org}]})

    # Conversations: with contacts (both ways), with services (incoming only), with strangers.
    threads = []
    msg_id = [1]
    people = [c for c in contacts if c["phones"] and c["phones"][0]["kind"] == 2]
    partners = rng.sample(people, k=min(40, len(people)))
    for t in range(50):
        if t < len(partners):
            number = partners[t]["phones"][0]["value"]
            service = False
        elif t < len(partners) + len(SERVICES) - 2:
            number = SERVICES[t - len(partners)][1]
            service = True
        else:
            number = mobile(rng)
            service = False
        when = NOW_MS - rng.randint(0, 120) * DAY - rng.randint(0, DAY)
        msgs = []
        for _ in range(rng.randint(1, 14)):
            incoming = service or rng.random() < 0.55
            body = rng.choice(SMS_SERVICE[number] if service else (SMS_IN if incoming else SMS_OUT))
            msgs.append({"id": msg_id[0], "direction": 1 if incoming else 2, "date": when, "body": body})
            msg_id[0] += 1
            when += rng.randint(1, 600) * 1000 * rng.choice([1, 1, 10, 100])
        threads.append({"id": t + 1, "number": number, "messages": msgs})

    when = NOW_MS - 2 * DAY
    for number, bodies in WORLD_THREADS:
        msgs = []
        for k, body in enumerate(bodies):
            msgs.append({"id": msg_id[0], "direction": 1 if k % 2 == 0 else 2, "date": when + k * 60000, "body": body})
            msg_id[0] += 1
        threads.append({"id": len(threads) + 1, "number": number, "messages": msgs})

    calls = []
    for i in range(100):
        if rng.random() < 0.75:
            number = rng.choice(people)["phones"][0]["value"]
        elif rng.random() < 0.5:
            number = rng.choice(SERVICES)[1]
        else:
            number = rng.choice([mobile(rng), landline(rng)])
        ctype = rng.choice([1, 1, 2, 2, 2, 3])
        calls.append({"id": i + 1, "number": number, "time": NOW_MS - rng.randint(0, 90 * 24 * 60) * 60000,
                      "duration": 0 if ctype == 3 else rng.choice([rng.randint(5, 120)] * 6 + [rng.randint(60, 1800)] * 3 +
                                                                     [rng.randint(1800, 7200)]),
                      "type": ctype})
    calls.sort(key=lambda c: -c["time"])

    alarms = []
    for i, (title, h, m, days, on, vib) in enumerate(ALARMS):
        tone, value = rng.choice(RINGTONES)
        alarms.append({"id": i + 1, "hour": h, "minute": m, "days": days, "enabled": on, "vibrate": vib,
                       "title": title, "ringtoneName": tone, "ringtoneValue": value,
                       "ringtoneUri": "content://media/internal/audio/media/%d" % value})

    bookmarks = []
    for i, (title, url) in enumerate(BOOKMARKS):
        visits = rng.choice([0, rng.randint(1, 20), rng.randint(20, 300)])
        thumb = add_image("thumb%02d.jpg" % i, thumbnail(rng, title), "JPEG") if rng.random() < 0.8 else ""
        icon = add_image("favicon%02d.png" % i, app_icon(title, rng.randint(0, 0xFFFFFF), 16)) \
            if rng.random() < 0.5 else ""
        bookmarks.append({"id": i + 1, "title": title, "url": url, "visits": visits,
                          "lastVisit": 0 if visits == 0 else NOW_MS - rng.randint(0, 200) * DAY,
                          "icon": icon, "thumbnail": thumb})

    packages = []
    for system, table in ((0, APPS), (1, SYSTEM_APPS)):
        for label, pkg, version, colour in table:
            icon = add_image("icon_%s.png" % pkg, app_icon(label, colour))
            packages.append({"label": label, "package": pkg, "version": version,
                             "versionCode": rng.randint(10, 900), "size": rng.randint(300_000, 40_000_000),
                             "icon": icon, "system": system,
                             "path": ("/system/app/%s.apk" if system else "/data/app/%s-1.apk") % pkg,
                             "installTime": 0 if system else NOW_MS - rng.randint(1, 500) * DAY})

    processes = []
    pid = 120
    for p in packages:
        if p["system"] or rng.random() < 0.4:
            pid += rng.randint(3, 90)
            imp = 100 if p["package"] in ("com.android.systemui",) else rng.choice([100, 130, 200, 300, 400, 400, 500])
            processes.append({"pid": pid, "name": p["package"], "package": p["package"], "label": p["label"],
                              "importance": imp, "cpu": rng.choice([0, 0, 0, 1, 2, 5, 12]),
                              "memory": rng.randint(3, 60) * 1024 * 1024 + rng.randint(0, 1023) * 1024,
                              "system": p["system"]})
    processes.append({"pid": 1, "name": "system_server", "package": "android", "label": "Android 系统",
                      "importance": 100, "cpu": 3, "memory": 58 * 1024 * 1024, "system": 1})

    cache = [{"package": p["package"], "size": rng.randint(20, 60000) * 1024}
             for p in packages if rng.random() < 0.45]

    startup = []
    user_pkgs = [p for p in packages if not p["system"]]
    for ev, action in EVENTS.items():
        for p in rng.sample(user_pkgs, k=rng.randint(1, 5)):
            startup.append({"event": ev, "entry": p["label"],
                            "detail": "%s/.%sReceiver (%s)" % (p["package"], rng.choice(["Boot", "Push", "Core", "Sync", "Alarm"]), action)})
    rng.shuffle(startup)

    files = []

    def add(path, is_dir, size=0, hidden=0, writable=1):
        files.append({"path": path, "dir": 1 if is_dir else 0, "size": 4096 if is_dir else size,
                      "modified": NOW_MS - rng.randint(0, 300) * DAY - rng.randint(0, DAY),
                      "readable": 1, "writable": writable, "hidden": hidden})
    for d in ["/sdcard", "/system", "/data", "/cache", "/etc", "/mnt", "/proc", "/dev"]:
        add(d, True, writable=0 if d in ("/system", "/proc", "/dev", "/etc") else 1)
    for d in ["DCIM", "DCIM/Camera", "Download", "Music", "Pictures", "Pictures/Screenshots", "Movies",
              "Android", "Android/data", "tencent", "tencent/MicroMsg", "Documents", ".thumbnails"]:
        add("/sdcard/" + d, True, hidden=1 if d.startswith(".") else 0)
    for i in range(30):
        add("/sdcard/DCIM/Camera/IMG_201212%02d_%06d.jpg" % (rng.randint(1, 28), rng.randint(0, 235959)), False,
            rng.randint(800_000, 3_500_000))
    for i in range(6):
        add("/sdcard/DCIM/Camera/VID_2012120%d_1930%02d.3gp" % (i + 1, i), False, rng.randint(5_000_000, 60_000_000))
    for song in ["晴天 - 周杰伦.mp3", "后来 - 刘若英.mp3", "平凡之路 - 朴树.mp3", "小幸运.mp3", "Yesterday.mp3", "青花瓷.mp3"]:
        add("/sdcard/Music/" + song, False, rng.randint(3_000_000, 9_000_000))
    for f in ["合同草稿.doc", "报销单.xls", "旅行计划.txt", "com.tencent.mm.apk", "发票.pdf", "archive.tar.gz"]:
        add("/sdcard/Download/" + f, False, rng.randint(10_000, 30_000_000))
    for f in ["简历.docx", "notes.txt", "年度总结.pptx"]:
        add("/sdcard/Documents/" + f, False, rng.randint(10_000, 3_000_000))
    for i in range(5):
        add("/sdcard/Pictures/Screenshots/Screenshot_2012-12-0%d.png" % (i + 1), False, rng.randint(100_000, 600_000))
    add("/sdcard/.nomedia", False, 0, hidden=1)
    add("/sdcard/.thumbnails/.thumbdata3", False, 1_250_000, hidden=1)
    add("/system/build.prop", False, 3_412, writable=0)
    add("/system/app", True, writable=0)
    add("/system/fonts", True, writable=0)
    for p in packages:
        if p["system"]:
            add(p["path"], False, p["size"], writable=0)
    add("/etc/hosts", False, 25, writable=0)
    add("/data/local", True)
    add("/data/local/tmp", True)

    system = {
        "manufacturer": "Xiaomi", "model": "MI 2S", "brand": "Xiaomi", "device": "aries",
        "sdk": 15, "release": "4.0.4", "buildId": "IMM76D", "clientCode": 1001,
        "uptime": 90_061_000 + 3 * 3600_000, "systemVersion": "Android 4.0.4 (MIUI 3.1.18)",
        "imei": "86" + "".join(str(rng.randint(0, 9)) for _ in range(13)),
        "imsi": "46000" + "".join(str(rng.randint(0, 9)) for _ in range(10)),
        "resolution": "720x1280", "battery": "76",
        "cpu": "Qualcomm APQ8064 四核 1.7GHz", "ram": "2.0 GB (剩余 612 MB)", "rom": "16.0 GB (剩余 9.8 GB)",
        "sd": "剩余 9.8 GB / 共 12.9 GB", "gps": 1, "bluetooth": 0, "wifi": 1, "gravity": 1,
        "mobileNetwork": "中国移动 TD-SCDMA", "wifiNetwork": "TP-LINK_5A3C", "brightness": 128,
        "freeMemory": 612 * 1024 * 1024,
    }
    settings = {"wifi": 1, "bluetooth": 0, "airplane": 0, "gps": 1, "rotation": 1, "vibrate": 1,
                "timeout": 30000, "ringer": 5, "music": 9, "dateFormat": 0, "time24": 1}
    return {"system": system, "settings": settings, "groups": groups, "contacts": contacts, "threads": threads,
            "calls": calls, "alarms": alarms, "bookmarks": bookmarks, "packages": packages,
            "processes": processes, "cache": cache, "history": [1, 1, 1], "startup": startup, "files": files,
            "images": images}


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("out")
    ap.add_argument("--contacts", type=int, default=200)
    ap.add_argument("--all-photos", action="store_true")
    a = ap.parse_args()
    data = build(a.contacts, a.all_photos)
    with open(a.out, "w", encoding="utf-8") as f:
        json.dump(data, f, ensure_ascii=False, indent=1)
        f.write("\n")


if __name__ == "__main__":
    main()
