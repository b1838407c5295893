#include "installer/AssociationWin.h"

#include <windows.h>
#include <shlobj.h>

#include "common/win/Handles.h"
#include "installer/Association.h"

namespace zorvik {
namespace {

constexpr const char* kUserClasses = "Software\\Classes";

UniqueHkey createFullAccessKey(HKEY root, const std::string& subkey) {
  UniqueHkey key;
  if (RegCreateKeyExA(root, subkey.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr, key.put(),
                      nullptr) != ERROR_SUCCESS)
    key.release();
  return key;
}

bool setString(HKEY root, const AssociationEntry& e) {
  UniqueHkey key = createFullAccessKey(root, e.subkey);
  return key && RegSetValueExA(key.get(), e.valueName.empty() ? nullptr : e.valueName.c_str(), 0, REG_SZ,
                               reinterpret_cast<const BYTE*>(e.data.c_str()),
                               static_cast<DWORD>(e.data.size() + 1)) == ERROR_SUCCESS;
}

// A key's default string value; false when the key or value is missing or not a string.
bool defaultValue(HKEY root, const std::string& subkey, std::string& out) {
  UniqueHkey key = openRegKey(root, subkey.c_str());
  if (!key) return false;
  DWORD type = 0, size = 0;
  if (RegQueryValueExA(key.get(), nullptr, nullptr, &type, nullptr, &size) != ERROR_SUCCESS || type != REG_SZ ||
      size > 64 * 1024)
    return false;
  std::string value(size, '\0');
  if (RegQueryValueExA(key.get(), nullptr, nullptr, &type, reinterpret_cast<BYTE*>(value.data()), &size) !=
      ERROR_SUCCESS)
    return false;
  value.resize(size);
  while (!value.empty() && value.back() == '\0') value.pop_back();
  out = value;
  return true;
}

}  // namespace

bool isAssociated(const std::string& programPath) {
  std::string apk, command;
  return defaultValue(HKEY_CLASSES_ROOT, kApkExtension, apk) &&
         defaultValue(HKEY_CLASSES_ROOT, std::string(kApkProgId) + "\\shell\\open\\command", command) &&
         associationMatches(apk, command, programPath);
}

bool writeAssociation(const std::string& programPath) {
  bool all = true;
  UniqueHkey userClasses;
  for (const AssociationEntry& e : associationEntries(programPath)) {
    if (!e.classes) {
      all = setString(HKEY_CURRENT_USER, e) && all;
      continue;
    }
    if (!userClasses && setString(HKEY_CLASSES_ROOT, e)) continue;
    // No rights on the machine's classes: the user's own, for this and the following entries.
    if (!userClasses) userClasses = createFullAccessKey(HKEY_CURRENT_USER, kUserClasses);
    all = userClasses && setString(userClasses.get(), e) && all;
  }
  return all;
}

void notifyAssociationChanged() { SHChangeNotify(SHCNE_ASSOCCHANGED, SHCNF_IDLIST | SHCNF_FLUSH, nullptr, nullptr); }

}  // namespace zorvik
