#include "download/PackageInfo.h"

#include <json/json.h>

#include "common/TextConv.h"

namespace zorvik {

std::string packageInfoUrl(const std::string& serviceBase) {
  return serviceBase + "feedback/" + "android_info" + ".php";
}

std::string packageCheckSum(const std::string& digest) {
  return digest.size() >= 10 ? digest.substr(6, 4) : digest;
}

std::string checkSumInput(const std::string& packageName) {
  return packageName.size() <= 3 ? packageName : packageName.substr(packageName.size() - 3);
}

std::string packageInfoJson(const std::string& checkSum, const std::string& packageName) {
  Json::Value root(Json::objectValue);
  root["CheckSum"] = checkSum;
  root["PackageName"] = packageName;
  return Json::StyledWriter().write(root);
}

bool taskFromPackageInfo(const std::string& reply, const std::string& downloadBase, const std::string& folder,
                         DownloadTask& task) {
  Json::Value root;
  Json::Reader reader(Json::Features::all());
  if (!reader.parse(reply, root, false) || !root.isObject()) {
    // FormPost marks every line end with the four characters "/r/n", which break a reply spread
    // over several lines; read it again with the marks as the line ends they stand for.
    std::string lines = reply;
    for (size_t at = lines.find("/r/n"); at != std::string::npos; at = lines.find("/r/n", at + 1))
      lines.replace(at, 4, "\n");
    root = Json::Value();
    if (!reader.parse(lines, root, false) || !root.isObject()) return false;
  }
  const auto text = [&root](const char* name) {
    const Json::Value& v = root[name];
    return v.isString() ? v.asString() : std::string();
  };
  const std::string pkg = text("pkg");
  const std::string url = text("url");
  if (!isPackageName(pkg) || url.empty()) return false;
  task = DownloadTask{};
  task.type = kKindApp;
  task.title = toAnsi(text("title"));
  task.state = kStateWaiting;
  task.length = text("size");
  task.action = 1;
  task.unique_id = pkg;
  task.url = downloadBase + url;
  task.save_path = folder;
  return true;
}

}  // namespace zorvik
