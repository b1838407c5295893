#pragma once
// What the update document says: the latest version and the rows of the "版本升级" page's list.
#include <windows.h>
#include <msxml2.h>

#include <string>
#include <vector>

namespace zorvik {

// Icons of the list's image list.
enum UpdateIcon : int { kUpdateIconAdd = 0, kUpdateIconImprove = 1, kUpdateIconFix = 2, kUpdateIconVersion = 3 };

struct UpdateRow {
  int icon;
  std::string caption;  // column 2, GBK
  std::string text;     // column 3, GBK
};

struct UpdateInfo {
  std::string latestVersion;  // empty when no "version" item had a child
  std::vector<UpdateRow> rows;  // top of the list first: each row arrives above the ones before it
};

// Reads root/item elements: type "version" (any case) gives the latest version from its first
// child element and a row for each of the next three; type "detail" gives a row for each `add`,
// `update` or `fix` child. Other items and elements are skipped.
UpdateInfo readUpdateDocument(IXMLDOMDocument* doc);

}  // namespace zorvik
