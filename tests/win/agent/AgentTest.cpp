// ZorvikAgent.dll through its four exports and through COM, as regsvr32 and a page use it.
#include <windows.h>
#include <objsafe.h>
#include <initguid.h>

#include <gtest/gtest.h>

#include "AgentTestSupport.h"
#include "ZorvikAgent_h.h"

using namespace zorvik::test;

namespace {

const std::string kClsid = "{E09E723C-36CD-411E-8098-78BDACE87869}";
const std::string kLibid = "{15C94CE3-41C7-4E9D-9730-C4337E6B2C34}";
const std::string kClassKey = "CLSID\\" + kClsid;

class AgentTest : public ::testing::Test {
protected:
  void SetUp() override {
    ASSERT_TRUE(agent.ok()) << agentDllPath();
    ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
  }
  void TearDown() override {
    if (agent.ok()) agent.unregisterServer();
    CoUninitialize();
  }
  AgentModule agent;
};

void expectRegistered() {
  EXPECT_EQ(stringValue(HKEY_CLASSES_ROOT, "ZorvikAgent.Vko.1"), "Vko Class");
  EXPECT_EQ(stringValue(HKEY_CLASSES_ROOT, "ZorvikAgent.Vko.1\\CLSID"), kClsid);
  EXPECT_EQ(subkeys(HKEY_CLASSES_ROOT, "ZorvikAgent.Vko.1"), (std::vector<std::string>{"CLSID"}));
  EXPECT_EQ(stringValue(HKEY_CLASSES_ROOT, "ZorvikAgent.Vko"), "Vko Class");
  EXPECT_EQ(stringValue(HKEY_CLASSES_ROOT, "ZorvikAgent.Vko\\CLSID"), kClsid);
  EXPECT_EQ(stringValue(HKEY_CLASSES_ROOT, "ZorvikAgent.Vko\\CurVer"), "ZorvikAgent.Vko.1");
  EXPECT_EQ(subkeys(HKEY_CLASSES_ROOT, "ZorvikAgent.Vko"), (std::vector<std::string>{"CLSID", "CurVer"}));

  EXPECT_EQ(stringValue(HKEY_CLASSES_ROOT, kClassKey), "Vko Class");
  EXPECT_EQ(subkeys(HKEY_CLASSES_ROOT, kClassKey),
            (std::vector<std::string>{"InprocServer32", "ProgID", "Programmable", "TypeLib",
                                      "VersionIndependentProgID"}));
  EXPECT_EQ(stringValue(HKEY_CLASSES_ROOT, kClassKey + "\\ProgID"), "ZorvikAgent.Vko.1");
  EXPECT_EQ(stringValue(HKEY_CLASSES_ROOT, kClassKey + "\\VersionIndependentProgID"), "ZorvikAgent.Vko");
  EXPECT_EQ(lstrcmpiA(stringValue(HKEY_CLASSES_ROOT, kClassKey + "\\InprocServer32").c_str(),
                      agentDllPath().c_str()),
            0);
  EXPECT_EQ(stringValue(HKEY_CLASSES_ROOT, kClassKey + "\\InprocServer32", "ThreadingModel"), "Apartment");
  EXPECT_EQ(stringValue(HKEY_CLASSES_ROOT, kClassKey + "\\TypeLib"), kLibid);
  EXPECT_TRUE(keyExists(HKEY_CLASSES_ROOT, "TypeLib\\" + kLibid + "\\1.0"));
}

void expectUnregistered() {
  EXPECT_TRUE(keyExists(HKEY_CLASSES_ROOT, "CLSID"));
  EXPECT_FALSE(keyExists(HKEY_CLASSES_ROOT, kClassKey));
  EXPECT_FALSE(keyExists(HKEY_CLASSES_ROOT, "ZorvikAgent.Vko"));
  EXPECT_FALSE(keyExists(HKEY_CLASSES_ROOT, "ZorvikAgent.Vko.1"));
  EXPECT_FALSE(keyExists(HKEY_CLASSES_ROOT, "TypeLib\\" + kLibid));
}

template <typename T>
struct Ref {
  T* p = nullptr;
  ~Ref() {
    if (p) p->Release();
  }
  void** out() { return reinterpret_cast<void**>(&p); }
};

TEST_F(AgentTest, RegisterServerWritesExactlyTheClassKeys) {
  ASSERT_EQ(agent.registerServer(), S_OK);
  expectRegistered();
}

TEST_F(AgentTest, RegisteringAgainDropsWhatAnOlderClassKeyHeld) {
  HKEY stale = nullptr;
  ASSERT_EQ(RegCreateKeyA(HKEY_CLASSES_ROOT, (kClassKey + "\\Stale").c_str(), &stale), ERROR_SUCCESS);
  RegCloseKey(stale);
  ASSERT_EQ(agent.registerServer(), S_OK);
  EXPECT_FALSE(keyExists(HKEY_CLASSES_ROOT, kClassKey + "\\Stale"));
  expectRegistered();
}

TEST_F(AgentTest, UnregisterRemovesOnlyTheClassAndItsProgIds) {
  ASSERT_EQ(agent.registerServer(), S_OK);
  ASSERT_EQ(agent.unregisterServer(), S_OK);
  expectUnregistered();
  // Nothing left to remove is still success.
  EXPECT_EQ(agent.unregisterServer(), S_OK);
  EXPECT_TRUE(keyExists(HKEY_CLASSES_ROOT, "CLSID"));
}

TEST_F(AgentTest, Regsvr32RegistersAndRemoves) {
  const std::string dll = "\"" + agentDllPath() + "\"";
  ASSERT_EQ(runProgram("regsvr32.exe /s " + dll, nullptr), 0);
  expectRegistered();
  ASSERT_EQ(runProgram("regsvr32.exe /s /u " + dll, nullptr), 0);
  expectUnregistered();
}

TEST_F(AgentTest, CreatedByProgIdWithAnEmptyDispatchInterface) {
  ASSERT_EQ(agent.registerServer(), S_OK);
  CLSID clsid{};
  ASSERT_EQ(CLSIDFromProgID(L"ZorvikAgent.Vko", &clsid), S_OK);
  EXPECT_TRUE(IsEqualCLSID(clsid, CLSID_Vko));
  Ref<IDispatch> dispatch;
  ASSERT_EQ(CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch, dispatch.out()), S_OK);

  UINT count = 0;
  EXPECT_EQ(dispatch.p->GetTypeInfoCount(&count), S_OK);
  EXPECT_EQ(count, 1u);
  EXPECT_EQ(dispatch.p->GetTypeInfo(0, 0, nullptr), E_POINTER);
  Ref<ITypeInfo> info;
  ASSERT_EQ(dispatch.p->GetTypeInfo(0, 0, &info.p), S_OK);
  TYPEATTR* attr = nullptr;
  ASSERT_EQ(info.p->GetTypeAttr(&attr), S_OK);
  EXPECT_TRUE(IsEqualGUID(attr->guid, IID_IVko));
  EXPECT_EQ(attr->cVars, 0);
  // The interface view of the dual interface: no functions of its own.
  HREFTYPE ref = 0;
  Ref<ITypeInfo> vtable;
  ASSERT_EQ(info.p->GetRefTypeOfImplType(-1, &ref), S_OK);
  ASSERT_EQ(info.p->GetRefTypeInfo(ref, &vtable.p), S_OK);
  TYPEATTR* vattr = nullptr;
  ASSERT_EQ(vtable.p->GetTypeAttr(&vattr), S_OK);
  EXPECT_EQ(vattr->cFuncs, 0);
  EXPECT_EQ(vattr->cVars, 0);
  vtable.p->ReleaseTypeAttr(vattr);
  info.p->ReleaseTypeAttr(attr);

  // No name is recognised, so nothing can be called.
  LPOLESTR name = const_cast<LPOLESTR>(L"download");
  DISPID id = 0;
  EXPECT_EQ(dispatch.p->GetIDsOfNames(IID_NULL, &name, 1, 0, &id), DISP_E_UNKNOWNNAME);
  DISPPARAMS none{};
  EXPECT_NE(dispatch.p->Invoke(1, IID_NULL, 0, DISPATCH_METHOD, &none, nullptr, nullptr, nullptr), S_OK);

  // IVko and IDispatch share a vtable; IObjectSafety is a second one on the same object.
  Ref<IVko> vko;
  Ref<IObjectSafety> safety;
  ASSERT_EQ(dispatch.p->QueryInterface(IID_IVko, vko.out()), S_OK);
  ASSERT_EQ(dispatch.p->QueryInterface(IID_IObjectSafety, safety.out()), S_OK);
  EXPECT_EQ(static_cast<void*>(vko.p), static_cast<void*>(dispatch.p));
  EXPECT_NE(static_cast<void*>(safety.p), static_cast<void*>(dispatch.p));
  Ref<IUnknown> a, b;
  ASSERT_EQ(safety.p->QueryInterface(IID_IUnknown, a.out()), S_OK);
  ASSERT_EQ(dispatch.p->QueryInterface(IID_IUnknown, b.out()), S_OK);
  EXPECT_EQ(a.p, b.p);
}

TEST_F(AgentTest, ObjectSafetyOptionRules) {
  Ref<IClassFactory> factory;
  ASSERT_EQ(agent.getClassObject(CLSID_Vko, IID_IClassFactory, factory.out()), S_OK);
  Ref<IObjectSafety> safety;
  ASSERT_EQ(factory.p->CreateInstance(nullptr, IID_IObjectSafety, safety.out()), S_OK);

  DWORD supported = 9, enabled = 9;
  ASSERT_EQ(safety.p->GetInterfaceSafetyOptions(IID_IDispatch, &supported, &enabled), S_OK);
  EXPECT_EQ(supported, 3u);
  EXPECT_EQ(enabled, 0u);
  EXPECT_EQ(safety.p->GetInterfaceSafetyOptions(IID_IDispatch, nullptr, &enabled), E_POINTER);
  EXPECT_EQ(safety.p->GetInterfaceSafetyOptions(IID_IDispatch, &supported, nullptr), E_POINTER);

  EXPECT_EQ(safety.p->SetInterfaceSafetyOptions(IID_IDispatch, 4, 4), E_FAIL);
  EXPECT_EQ(safety.p->SetInterfaceSafetyOptions(IID_IDispatch, 7, 1), E_FAIL);
  EXPECT_EQ(safety.p->SetInterfaceSafetyOptions(IID_IPersist, 1, 1), E_NOINTERFACE);
  supported = enabled = 9;
  EXPECT_EQ(safety.p->GetInterfaceSafetyOptions(IID_IPersist, &supported, &enabled), E_NOINTERFACE);
  EXPECT_EQ(supported, 0u);
  EXPECT_EQ(enabled, 0u);

  // Only the options named in the mask change.
  EXPECT_EQ(safety.p->SetInterfaceSafetyOptions(IID_IDispatch, 1, 1), S_OK);
  EXPECT_EQ(safety.p->SetInterfaceSafetyOptions(IID_IDispatch, 2, 3), S_OK);
  ASSERT_EQ(safety.p->GetInterfaceSafetyOptions(IID_IVko, &supported, &enabled), S_OK);
  EXPECT_EQ(enabled, 3u);
  EXPECT_EQ(safety.p->SetInterfaceSafetyOptions(IID_IDispatch, 1, 0), S_OK);
  ASSERT_EQ(safety.p->GetInterfaceSafetyOptions(IID_IDispatch, &supported, &enabled), S_OK);
  EXPECT_EQ(enabled, 2u);
}

// An outer object that counts the references its aggregated inner object hands it.
struct Outer : IUnknown {
  LONG refs = 1;
  STDMETHODIMP QueryInterface(REFIID, void** out) override {
    *out = nullptr;
    return E_NOINTERFACE;
  }
  STDMETHODIMP_(ULONG) AddRef() override { return ++refs; }
  STDMETHODIMP_(ULONG) Release() override { return --refs; }
};

TEST_F(AgentTest, ClassFactoryArgumentRules) {
  Ref<IClassFactory> factory;
  EXPECT_EQ(agent.getClassObject(IID_IVko, IID_IClassFactory, factory.out()), CLASS_E_CLASSNOTAVAILABLE);
  EXPECT_EQ(factory.p, nullptr);
  EXPECT_EQ(agent.getClassObject(CLSID_Vko, IID_IClassFactory, nullptr), E_POINTER);
  ASSERT_EQ(agent.getClassObject(CLSID_Vko, IID_IClassFactory, factory.out()), S_OK);

  Outer outer;
  void* out = reinterpret_cast<void*>(1);
  EXPECT_EQ(factory.p->CreateInstance(&outer, IID_IDispatch, &out), CLASS_E_NOAGGREGATION);
  EXPECT_EQ(out, nullptr);
  EXPECT_EQ(factory.p->CreateInstance(nullptr, IID_IDispatch, nullptr), E_POINTER);
  EXPECT_EQ(factory.p->CreateInstance(nullptr, IID_IPersist, &out), E_NOINTERFACE);

  // Aggregated: the inner unknown is the object's identity; its interfaces count on the outer.
  Ref<IUnknown> inner;
  ASSERT_EQ(factory.p->CreateInstance(&outer, IID_IUnknown, inner.out()), S_OK);
  Ref<IDispatch> dispatch;
  ASSERT_EQ(inner.p->QueryInterface(IID_IDispatch, dispatch.out()), S_OK);
  EXPECT_EQ(outer.refs, 2);
  Ref<IUnknown> viaDelegation;
  EXPECT_EQ(dispatch.p->QueryInterface(IID_IUnknown, viaDelegation.out()), E_NOINTERFACE);  // Outer's answer
  dispatch.p->Release();
  dispatch.p = nullptr;
  EXPECT_EQ(outer.refs, 1);
}

TEST_F(AgentTest, CanUnloadNowOnlyWithoutObjectsOrLocks) {
  Ref<IClassFactory> factory;
  ASSERT_EQ(agent.getClassObject(CLSID_Vko, IID_IClassFactory, factory.out()), S_OK);
  EXPECT_EQ(agent.canUnloadNow(), S_OK);
  IDispatch* first = nullptr;
  IDispatch* second = nullptr;
  ASSERT_EQ(factory.p->CreateInstance(nullptr, IID_IDispatch, reinterpret_cast<void**>(&first)), S_OK);
  ASSERT_EQ(factory.p->CreateInstance(nullptr, IID_IDispatch, reinterpret_cast<void**>(&second)), S_OK);
  EXPECT_EQ(agent.canUnloadNow(), S_FALSE);
  first->Release();
  EXPECT_EQ(agent.canUnloadNow(), S_FALSE);
  second->Release();
  EXPECT_EQ(agent.canUnloadNow(), S_OK);
  EXPECT_EQ(factory.p->LockServer(TRUE), S_OK);
  EXPECT_EQ(agent.canUnloadNow(), S_FALSE);
  EXPECT_EQ(factory.p->LockServer(FALSE), S_OK);
  EXPECT_EQ(agent.canUnloadNow(), S_OK);
}

}  // namespace
