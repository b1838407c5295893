#include "agent/AgentRegistry.h"

#include "ZorvikAgent_h.h"
#include "common/win/Handles.h"

namespace zorvik::agent {

namespace {

constexpr wchar_t kDescription[] = L"Vko Class";
constexpr wchar_t kProgId[] = L"ZorvikAgent.Vko.1";
constexpr wchar_t kIndependentProgId[] = L"ZorvikAgent.Vko";

std::wstring braced(REFGUID guid) {
  wchar_t text[40] = {};
  StringFromGUID2(guid, text, 40);
  return text;
}

std::wstring classKeyName() { return L"CLSID\\" + braced(CLSID_Vko); }

// Creates (or opens) HKCR\<key>.
LSTATUS createKey(const std::wstring& key, UniqueHkey* out = nullptr) {
  HKEY handle = nullptr;
  const LSTATUS rc = RegCreateKeyExW(HKEY_CLASSES_ROOT, key.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                                     KEY_SET_VALUE, nullptr, &handle, nullptr);
  UniqueHkey owned(rc == ERROR_SUCCESS ? handle : nullptr);
  if (out) *out = std::move(owned);
  return rc;
}

// Sets one string value of HKCR\<key> (nullptr name = the default value).
LSTATUS setString(const std::wstring& key, const wchar_t* name, const std::wstring& data) {
  UniqueHkey handle;
  const LSTATUS rc = createKey(key, &handle);
  if (rc != ERROR_SUCCESS) return rc;
  return RegSetValueExW(handle.get(), name, 0, REG_SZ, reinterpret_cast<const BYTE*>(data.c_str()),
                        static_cast<DWORD>((data.size() + 1) * sizeof(wchar_t)));
}

LSTATUS deleteTree(const std::wstring& key) {
  const LSTATUS rc = RegDeleteTreeW(HKEY_CLASSES_ROOT, key.c_str());
  return rc == ERROR_FILE_NOT_FOUND ? ERROR_SUCCESS : rc;
}
}  // namespace

HRESULT writeClassEntries(const std::wstring& modulePath) {
  const std::wstring clsid = braced(CLSID_Vko);
  const std::wstring cls = classKeyName();
  LSTATUS rc = deleteTree(cls);
  if (rc != ERROR_SUCCESS) return HRESULT_FROM_WIN32(rc);

  struct Entry {
    std::wstring key;
    const wchar_t* name;
    std::wstring data;
  };
  const std::wstring progId = kProgId, independent = kIndependentProgId;
  const Entry entries[] = {
      {progId, nullptr, kDescription},
      {progId + L"\\CLSID", nullptr, clsid},
      {independent, nullptr, kDescription},
      {independent + L"\\CLSID", nullptr, clsid},
      {independent + L"\\CurVer", nullptr, progId},
      {cls, nullptr, kDescription},
      {cls + L"\\ProgID", nullptr, progId},
      {cls + L"\\VersionIndependentProgID", nullptr, independent},
      {cls + L"\\InprocServer32", nullptr, modulePath},
      {cls + L"\\InprocServer32", L"ThreadingModel", L"Apartment"},
      {cls + L"\\TypeLib", nullptr, braced(LIBID_ZorvikAgentLib)},
  };
  for (const Entry& e : entries) {
    rc = setString(e.key, e.name, e.data);
    if (rc != ERROR_SUCCESS) return HRESULT_FROM_WIN32(rc);
  }
  rc = createKey(cls + L"\\Programmable");
  return rc == ERROR_SUCCESS ? S_OK : HRESULT_FROM_WIN32(rc);
}

HRESULT removeClassEntries() {
  HRESULT result = S_OK;
  for (const std::wstring& key : {std::wstring(kProgId), std::wstring(kIndependentProgId), classKeyName()}) {
    const LSTATUS rc = deleteTree(key);
    if (rc != ERROR_SUCCESS && result == S_OK) result = HRESULT_FROM_WIN32(rc);
  }
  return result;
}

}  // namespace zorvik::agent
