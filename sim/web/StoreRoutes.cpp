// The maker's package lookup (feedback/apk_list.php) and a small software store: home, category,
// item and search pages whose package links end in ".apk" (the download server's addresses).
// The catalogue is UTF-8 JSON (written by make_store_catalog.py at build time, or
// DIR/store_catalog.json with --data); the pages and replies are UTF-8, as the real services
// send them.
#include <json/json.h>

#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "sim/web/WebSim.h"

namespace zorvik::websim {
namespace {

struct StoreItem {
  std::string pkg, title, id, level, category, description;  // UTF-8
};

std::vector<StoreItem> loadCatalogue(const Context& context) {
  std::string path = ZORVIK_STORE_CATALOG;
  if (!context.dataDir.empty()) {
    const std::string own = context.dataDir + "/store_catalog.json";
    if (std::ifstream(own).good()) path = own;
  }
  std::ifstream in(path, std::ios::binary);
  Json::Value root;
  Json::CharReaderBuilder builder;
  std::string errors;
  std::vector<StoreItem> items;
  if (!in || !Json::parseFromStream(builder, in, &root, &errors) || !root.isArray()) return items;
  for (const Json::Value& e : root) {
    if (!e.isObject()) continue;
    items.push_back({e.get("pkg", "").asString(), e.get("title", "").asString(), e.get("id", "").asString(),
                     e.get("level", "").asString(), e.get("category", "").asString(),
                     e.get("description", "").asString()});
  }
  return items;
}

std::string escape(const std::string& text) {
  std::string out;
  for (char c : text) {
    switch (c) {
      case '&': out += "&amp;"; break;
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      case '"': out += "&quot;"; break;
      default: out += c;
    }
  }
  return out;
}

std::string page(const std::string& title, const std::string& body) {
  return "<!DOCTYPE html><html><head><meta charset=\"utf-8\"><title>" + escape(title) + "</title></head><body>" +
         "<p><a href=\"/\">Zorvik Store</a></p>" + body + "</body></html>";
}

std::string itemRow(const StoreItem& item) {
  return "<li><a href=\"/archives/" + escape(item.id) + ".html\">" + escape(item.title) + "</a> " +
         escape(item.category) + " <a class=\"down\" href=\"/down/" + escape(item.pkg) + ".apk\">" + escape(item.pkg) +
         ".apk</a></li>";
}

std::string itemList(const std::vector<const StoreItem*>& items) {
  std::string out = "<ul>";
  for (const StoreItem* item : items) out += itemRow(*item);
  return out + "</ul>";
}

// The form body as the program sends it: "apps=<json>&" and a zero byte.
std::string formField(std::string body, const std::string& name) {
  while (!body.empty() && (body.back() == '\0' || body.back() == '&')) body.pop_back();
  const std::string prefix = name + "=";
  return body.compare(0, prefix.size(), prefix) == 0 ? body.substr(prefix.size()) : std::string();
}

}  // namespace

void addStoreRoutes(httplib::Server& server, Context& context) {
  auto items = std::make_shared<const std::vector<StoreItem>>(loadCatalogue(context));

  // {CheckSum, Client, Api, Model, PackageName: [...]} -> [{pkg, level, id, category, description}]
  // for the packages the store knows, on one line. Anything else gets an empty array.
  server.Post("/feedback/apk_list.php", [items](const httplib::Request& request, httplib::Response& response) {
    Json::Value query;
    Json::CharReaderBuilder builder;
    std::unique_ptr<Json::CharReader> reader(builder.newCharReader());
    const std::string json = formField(request.body, "apps");
    std::string errors;
    Json::Value reply(Json::arrayValue);
    if (reader->parse(json.data(), json.data() + json.size(), &query, &errors) && query.isObject() &&
        query["PackageName"].isArray()) {
      for (const Json::Value& name : query["PackageName"]) {
        if (!name.isString()) continue;
        for (const StoreItem& item : *items) {
          if (item.pkg != name.asString()) continue;
          Json::Value e(Json::objectValue);
          e["pkg"] = item.pkg;
          e["level"] = item.level;
          e["id"] = item.id;
          e["category"] = item.category;
          e["description"] = item.description;
          reply.append(e);
        }
      }
    }
    Json::StreamWriterBuilder writer;
    writer["indentation"] = "";
    writer["emitUTF8"] = true;
    response.set_content(Json::writeString(writer, reply), "text/html; charset=utf-8");
  });

  // For the form poster's tests: what arrived (method, headers, body in hex), and a redirect that
  // a poster must not follow.
  server.Post("/test/echo", [](const httplib::Request& request, httplib::Response& response) {
    std::string out = "method=" + request.method + "\n";
    for (const auto& [name, value] : request.headers) out += "header " + name + "=" + value + "\n";
    static const char kHex[] = "0123456789abcdef";
    out += "body=";
    for (unsigned char c : request.body) {
      out += kHex[c >> 4];
      out += kHex[c & 15];
    }
    response.set_content(out + "\n", "text/plain");
  });
  server.Post("/test/redirect", [](const httplib::Request&, httplib::Response& response) {
    response.status = 302;
    response.set_header("Location", "/test/echo");
    response.set_content("moved\n", "text/plain");
  });

  server.Get("/", [items](const httplib::Request&, httplib::Response& response) {
    std::vector<const StoreItem*> all;
    for (const StoreItem& item : *items) all.push_back(&item);
    response.set_content(page("Zorvik Store", "<h1>Zorvik Store</h1>" + itemList(all)), "text/html; charset=utf-8");
  });

  // The category pages of the store group: the first lists every package, the others are empty.
  server.Get(R"(/category/(\d+)\.html)", [items](const httplib::Request& request, httplib::Response& response) {
    std::vector<const StoreItem*> shown;
    if (request.matches[1] == "1")
      for (const StoreItem& item : *items) shown.push_back(&item);
    response.set_content(page("Category " + request.matches[1].str(), itemList(shown)), "text/html; charset=utf-8");
  });

  server.Get(R"(/archives/(\d+)\.html)", [items](const httplib::Request& request, httplib::Response& response) {
    for (const StoreItem& item : *items) {
      if (item.id != request.matches[1]) continue;
      response.set_content(page(item.title, "<h1>" + escape(item.title) + "</h1><p>" + escape(item.description) +
                                                "</p><p><a class=\"down\" href=\"/down/" + escape(item.pkg) +
                                                ".apk\">" + escape(item.pkg) + ".apk</a></p>"),
                           "text/html; charset=utf-8");
      return;
    }
    response.status = 404;
    response.set_content(page("404", "<p>no such item</p>"), "text/html; charset=utf-8");
  });

  // The program sends GBK keywords; ASCII ones match package names and Latin titles here.
  server.Get("/search.php", [items](const httplib::Request& request, httplib::Response& response) {
    const std::string keyword = request.get_param_value("keywords");
    std::vector<const StoreItem*> found;
    for (const StoreItem& item : *items)
      if (!keyword.empty() && (item.pkg.find(keyword) != std::string::npos || item.title.find(keyword) != std::string::npos))
        found.push_back(&item);
    response.set_content(page("Search", "<p>keywords=" + escape(keyword) + " key=" +
                                            escape(request.get_param_value("key")) + "</p>" + itemList(found)),
                         "text/html; charset=utf-8");
  });
}

}  // namespace zorvik::websim
