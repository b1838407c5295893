// The maker's update document: GET /update.xml. <data>/update.xml when there is one, otherwise a
// document with a version item and a detail item.
#include <fstream>
#include <sstream>

#include "common/TextConv.h"
#include "sim/web/WebSim.h"

namespace zorvik::websim {

namespace {
const char kUpdateXml[] =
    "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n"
    "<root>\n"
    "  <item type=\"version\"><ver>1.2.0.0</ver><params>新增机型 450 款</params>"
    "<sms>祝福短信 1200 条</sms><forum>论坛映射已更新</forum></item>\n"
    "  <item type=\"detail\"><add>天气预报页面</add><add>版本升级页面</add>"
    "<update>联系人读取更快</update><fix>修正短信乱码</fix></item>\n"
    "</root>\n";
}  // namespace

void addUpdateRoutes(httplib::Server& server, Context& context) {
  server.Get("/update.xml", [&context](const httplib::Request&, httplib::Response& response) {
    if (!context.dataDir.empty()) {
      std::ifstream in(context.dataDir + "/update.xml", std::ios::binary);
      if (in) {
        std::stringstream s;
        s << in.rdbuf();
        response.set_content(s.str(), "text/xml");
        return;
      }
    }
    response.set_content(toUtf8(kUpdateXml), "text/xml");  // literals are GBK here
  });
}

}  // namespace zorvik::websim
