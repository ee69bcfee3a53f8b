// The real KalMsAddin.dll loaded with LoadLibrary: class objects, created objects and their
// interfaces, aggregation, the module lock behind DllCanUnloadNow, IDispatch through the type
// library, and the embedded type library's names and help strings.
#include <windows.h>

#include <oleauto.h>
#include <wrl/client.h>

#include <gtest/gtest.h>

#include <string>

#include "core/com/KalMsAddin_h.h"
#include "core/com_util.h"
#include "core/office_interfaces.h"
#include "tests/com/fake_dispatch.h"
#include "tests/support/test_paths.h"

using Microsoft::WRL::ComPtr;

namespace {

using GetClassObjectFn = HRESULT(STDAPICALLTYPE*)(REFCLSID, REFIID, void**);
using CanUnloadFn = HRESULT(STDAPICALLTYPE*)();

const GUID kLibId = {0x805A108E, 0xA78A, 0x417E, {0x8C, 0x9D, 0x55, 0xBE, 0x75, 0x61, 0x7D, 0x33}};

struct CClassCase {
  const char* name;
  CLSID clsid;
  IID dual;
  const wchar_t* coclass;
  const wchar_t* coclassDoc;
  const wchar_t* interfaceName;
  const wchar_t* interfaceDoc;
};

const CClassCase kClasses[] = {
    {"Word", CLSID_MSWord, IID_IMSWord, L"MSWord", L"MSWord Class", L"IMSWord", L"IMSWord 接口"},
    {"Excel", CLSID_MSExcel, IID_IMSExcel, L"MSExcel", L"MSExcel Class", L"IMSExcel",
     L"IMSExcel 接口"},
    {"PowerPoint", CLSID_MSPowerPoint, IID_IMSPowerPoint, L"MSPowerPoint", L"MSPowerPoint Class",
     L"IMSPowerPoint", L"IMSPowerPoint 接口"},
};

class ComServerTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    s_module = LoadLibraryW(kaltest::BinPath(L"KalMsAddin.dll").c_str());
  }
  void SetUp() override {
    ASSERT_NE(nullptr, s_module) << "KalMsAddin.dll did not load";
    m_getClassObject =
        reinterpret_cast<GetClassObjectFn>(GetProcAddress(s_module, "DllGetClassObject"));
    m_canUnload = reinterpret_cast<CanUnloadFn>(GetProcAddress(s_module, "DllCanUnloadNow"));
    ASSERT_NE(nullptr, m_getClassObject);
    ASSERT_NE(nullptr, m_canUnload);
  }
  ComPtr<IClassFactory> Factory(REFCLSID clsid) {
    ComPtr<IClassFactory> factory;
    EXPECT_EQ(S_OK, m_getClassObject(clsid, IID_IClassFactory, &factory));
    return factory;
  }

  static HMODULE s_module;
  GetClassObjectFn m_getClassObject = nullptr;
  CanUnloadFn m_canUnload = nullptr;
};
HMODULE ComServerTest::s_module = nullptr;

TEST_F(ComServerTest, ClassObjectsForTheThreeClassesOnly) {
  for (const CClassCase& c : kClasses) {
    SCOPED_TRACE(c.name);
    ComPtr<IUnknown> unknown;
    EXPECT_EQ(S_OK, m_getClassObject(c.clsid, IID_IUnknown, &unknown));
    EXPECT_NE(nullptr, unknown.Get());
    ComPtr<IClassFactory> factory = Factory(c.clsid);
    EXPECT_NE(nullptr, factory.Get());
    void* wrong = reinterpret_cast<void*>(1);
    EXPECT_EQ(E_NOINTERFACE, m_getClassObject(c.clsid, IID_IDispatch, &wrong));
    EXPECT_EQ(nullptr, wrong);
  }
  void* out = reinterpret_cast<void*>(1);
  EXPECT_EQ(CLASS_E_CLASSNOTAVAILABLE, m_getClassObject(IID_IDispatch, IID_IClassFactory, &out));
  EXPECT_EQ(nullptr, out);
  EXPECT_EQ(E_POINTER, m_getClassObject(CLSID_MSWord, IID_IClassFactory, nullptr));
}

TEST_F(ComServerTest, ObjectsAnswerTheirInterfacesWithOneIdentityAndEntryPointsAnswer) {
  for (const CClassCase& c : kClasses) {
    SCOPED_TRACE(c.name);
    ComPtr<IClassFactory> factory = Factory(c.clsid);
    ASSERT_TRUE(factory);
    ComPtr<IUnknown> object;
    ASSERT_EQ(S_OK, factory->CreateInstance(nullptr, IID_IUnknown, &object));
    ComPtr<IUnknown> dual, dispatch, ext, ribbon;
    ASSERT_EQ(S_OK, object->QueryInterface(c.dual, &dual));
    ASSERT_EQ(S_OK, object->QueryInterface(IID_IDispatch, &dispatch));
    ASSERT_EQ(S_OK, object->QueryInterface(kal::IID_IDTExtensibility2, &ext));
    ASSERT_EQ(S_OK, object->QueryInterface(kal::IID_IRibbonExtensibility, &ribbon));
    EXPECT_EQ(dual.Get(), dispatch.Get());  // IDispatch is the dual interface
    for (IUnknown* face : {dual.Get(), ext.Get(), ribbon.Get()}) {
      ComPtr<IUnknown> identity;
      ASSERT_EQ(S_OK, face->QueryInterface(IID_IUnknown, &identity));
      EXPECT_EQ(object.Get(), identity.Get());
    }
    ComPtr<IUnknown> none;
    EXPECT_EQ(E_NOINTERFACE, object->QueryInterface(IID_IClassFactory, &none));
    EXPECT_EQ(E_NOINTERFACE, object->QueryInterface(IID_IPersist, &none));
    EXPECT_EQ(nullptr, none.Get());
    EXPECT_EQ(E_POINTER, object->QueryInterface(IID_IUnknown, nullptr));

    // Creating straight for a listed interface works, for an unlisted one it fails cleanly.
    ComPtr<IUnknown> direct;
    EXPECT_EQ(S_OK, factory->CreateInstance(nullptr, kal::IID_IRibbonExtensibility, &direct));
    ComPtr<IUnknown> refused;
    EXPECT_EQ(E_NOINTERFACE, factory->CreateInstance(nullptr, IID_IPersist, &refused));
    EXPECT_EQ(nullptr, refused.Get());
    EXPECT_EQ(E_POINTER, factory->CreateInstance(nullptr, IID_IUnknown, nullptr));

    // The add-in entry points answer S_OK; the ribbon call checks its out pointer.
    ComPtr<_IDTExtensibility2> entry;
    ASSERT_EQ(S_OK, object->QueryInterface(kal::IID_IDTExtensibility2, &entry));
    EXPECT_EQ(S_OK, entry->OnAddInsUpdate(nullptr));
    EXPECT_EQ(S_OK, entry->OnBeginShutdown(nullptr));
    ComPtr<IRibbonExtensibility> ribbonFace;
    ASSERT_EQ(S_OK, object->QueryInterface(kal::IID_IRibbonExtensibility, &ribbonFace));
    kal::CBstr id(L"Microsoft.Word.Document");
    EXPECT_EQ(E_POINTER, ribbonFace->GetCustomUI(id.Get(), nullptr));
  }
}

TEST_F(ComServerTest, DispatchComesFromTheTypeLibrary) {
  for (const CClassCase& c : kClasses) {
    SCOPED_TRACE(c.name);
    ComPtr<IClassFactory> factory = Factory(c.clsid);
    ASSERT_TRUE(factory);
    ComPtr<IDispatch> dispatch;
    ASSERT_EQ(S_OK, factory->CreateInstance(nullptr, IID_IDispatch, &dispatch));
    UINT count = 0;
    EXPECT_EQ(S_OK, dispatch->GetTypeInfoCount(&count));
    EXPECT_EQ(1u, count);
    ComPtr<ITypeInfo> info;
    ASSERT_EQ(S_OK, dispatch->GetTypeInfo(0, 0, &info));
    TYPEATTR* attr = nullptr;
    ASSERT_EQ(S_OK, info->GetTypeAttr(&attr));
    EXPECT_TRUE(IsEqualGUID(c.dual, attr->guid));
    info->ReleaseTypeAttr(attr);
    ComPtr<ITypeInfo> none;
    EXPECT_EQ(DISP_E_BADINDEX, dispatch->GetTypeInfo(1, 0, &none));

    // Names resolve through the type information: IDispatch's own members are not
    // dispatchable, so an arbitrary name is unknown.
    LPOLESTR name = const_cast<LPOLESTR>(L"OnConnection");
    DISPID id = 0;
    EXPECT_EQ(DISP_E_UNKNOWNNAME, dispatch->GetIDsOfNames(IID_NULL, &name, 1, 0, &id));
    DISPPARAMS none0 = {};
    EXPECT_EQ(DISP_E_MEMBERNOTFOUND,
              dispatch->Invoke(1, IID_NULL, 0, DISPATCH_METHOD, &none0, nullptr, nullptr, nullptr));

    // Every dispatch face of the object answers the same way.
    ComPtr<IDispatch> viaExt;
    ASSERT_EQ(S_OK, dispatch->QueryInterface(kal::IID_IDTExtensibility2, &viaExt));
    count = 0;
    EXPECT_EQ(S_OK, viaExt->GetTypeInfoCount(&count));
    EXPECT_EQ(1u, count);
  }
}

TEST_F(ComServerTest, AggregationDelegatesToTheOuterUnknown) {
  for (const CClassCase& c : kClasses) {
    SCOPED_TRACE(c.name);
    ComPtr<IClassFactory> factory = Factory(c.clsid);
    ASSERT_TRUE(factory);
    comtest::CCountingUnknown outer;
    IUnknown* refused = reinterpret_cast<IUnknown*>(1);
    EXPECT_EQ(CLASS_E_NOAGGREGATION,
              factory->CreateInstance(&outer, IID_IDispatch, reinterpret_cast<void**>(&refused)));
    EXPECT_EQ(nullptr, refused);
    ASSERT_EQ(S_OK, factory->CreateInstance(&outer, IID_IUnknown, &outer.m_inner));
    EXPECT_EQ(1u, outer.m_cRef);  // the inner unknown does not count on the outer

    // Interfaces handed out by the inner object count on the outer and report its identity.
    IDispatch* dual = nullptr;
    ASSERT_EQ(S_OK, outer.m_inner->QueryInterface(c.dual, reinterpret_cast<void**>(&dual)));
    EXPECT_EQ(2u, outer.m_cRef);
    IUnknown* identity = nullptr;
    ASSERT_EQ(S_OK, dual->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&identity)));
    EXPECT_EQ(static_cast<IUnknown*>(&outer), identity);
    EXPECT_EQ(3u, outer.m_cRef);
    identity->Release();
    // A query through a delegating interface goes to the outer, which asks the inner.
    _IDTExtensibility2* ext = nullptr;
    ASSERT_EQ(S_OK,
              dual->QueryInterface(kal::IID_IDTExtensibility2, reinterpret_cast<void**>(&ext)));
    EXPECT_EQ(3u, outer.m_cRef);
    EXPECT_EQ(S_OK, ext->OnBeginShutdown(nullptr));
    ext->Release();
    dual->Release();
    EXPECT_EQ(1u, outer.m_cRef);
    // The inner unknown still answers IUnknown with itself.
    ComPtr<IUnknown> inner;
    ASSERT_EQ(S_OK, outer.m_inner->QueryInterface(IID_IUnknown, &inner));
    EXPECT_EQ(outer.m_inner.Get(), inner.Get());
    inner.Reset();
    outer.m_inner.Reset();
  }
  EXPECT_EQ(S_OK, m_canUnload());
}

TEST_F(ComServerTest, CanUnloadOnlyWhenNothingLives) {
  ASSERT_EQ(S_OK, m_canUnload());
  {
    ComPtr<IClassFactory> factory = Factory(CLSID_MSExcel);
    ASSERT_TRUE(factory);
    EXPECT_EQ(S_FALSE, m_canUnload());  // a held class object keeps the module
    ComPtr<IUnknown> object;
    ASSERT_EQ(S_OK, factory->CreateInstance(nullptr, IID_IUnknown, &object));
    factory.Reset();
    EXPECT_EQ(S_FALSE, m_canUnload());
    ComPtr<IUnknown> second = object;
    object.Reset();
    EXPECT_EQ(S_FALSE, m_canUnload());  // one reference still lives
    second.Reset();
    EXPECT_EQ(S_OK, m_canUnload());
  }
  ComPtr<IClassFactory> factory = Factory(CLSID_MSPowerPoint);
  ASSERT_TRUE(factory);
  EXPECT_EQ(S_OK, factory->LockServer(TRUE));
  factory.Reset();
  EXPECT_EQ(S_FALSE, m_canUnload());
  ASSERT_TRUE(factory = Factory(CLSID_MSPowerPoint));
  EXPECT_EQ(S_OK, factory->LockServer(FALSE));
  factory.Reset();
  EXPECT_EQ(S_OK, m_canUnload());
}

TEST_F(ComServerTest, EmbeddedTypeLibraryCarriesItsNamesAndHelpStrings) {
  // Type-library strings are ANSI; the Chinese help strings read back under code page 936.
  ASSERT_EQ(936u, GetACP()) << "run with a Chinese ANSI code page (LC_ALL=zh_CN.UTF-8)";
  ComPtr<ITypeLib> lib;
  ASSERT_EQ(S_OK, LoadTypeLibEx(kaltest::BinPath(L"KalMsAddin.dll").c_str(), REGKIND_NONE, &lib));
  TLIBATTR* attr = nullptr;
  ASSERT_EQ(S_OK, lib->GetLibAttr(&attr));
  EXPECT_TRUE(IsEqualGUID(kLibId, attr->guid));
  EXPECT_EQ(1, attr->wMajorVerNum);
  EXPECT_EQ(0, attr->wMinorVerNum);
  EXPECT_EQ(SYS_WIN64, attr->syskind);
  lib->ReleaseTLibAttr(attr);

  kal::CBstr name, doc;
  ASSERT_EQ(S_OK, lib->GetDocumentation(-1, name.Put(), doc.Put(), nullptr, nullptr));
  EXPECT_EQ(L"KalMsAddinLib", name.Str());
  EXPECT_EQ(L"KalMsAddin 1.0 类型库", doc.Str());

  for (const CClassCase& c : kClasses) {
    SCOPED_TRACE(c.name);
    const struct {
      GUID guid;
      const wchar_t* name;
      const wchar_t* doc;
      TYPEKIND kind;
      WORD flag;
    } types[] = {{c.clsid, c.coclass, c.coclassDoc, TKIND_COCLASS, TYPEFLAG_FCANCREATE},
                 {c.dual, c.interfaceName, c.interfaceDoc, TKIND_DISPATCH, TYPEFLAG_FDUAL}};
    for (const auto& t : types) {
      SCOPED_TRACE(t.name);
      ComPtr<ITypeInfo> info;
      ASSERT_EQ(S_OK, lib->GetTypeInfoOfGuid(t.guid, &info));
      ASSERT_EQ(S_OK,
                info->GetDocumentation(MEMBERID_NIL, name.Put(), doc.Put(), nullptr, nullptr));
      EXPECT_EQ(t.name, name.Str());
      EXPECT_EQ(t.doc, doc.Str());
      TYPEATTR* ta = nullptr;
      ASSERT_EQ(S_OK, info->GetTypeAttr(&ta));
      EXPECT_EQ(t.kind, ta->typekind);
      EXPECT_TRUE(ta->wTypeFlags & t.flag);
      info->ReleaseTypeAttr(ta);
    }
  }
  EXPECT_EQ(6u, lib->GetTypeInfoCount());
}

// A copy of the DLL of its own (the suite keeps the shipped one loaded): once FreeLibrary
// unloads it, the type library it cached for IDispatch holds no reference of it any more.
TEST(ComServerUnload, FreeLibraryReleasesTheCachedTypeLibrary) {
  CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  wchar_t temp[MAX_PATH];
  ASSERT_NE(0u, GetTempPathW(MAX_PATH, temp));
  const std::wstring dir = std::wstring(temp) + L"kal-unload";
  CreateDirectoryW(dir.c_str(), nullptr);
  const std::wstring copy = dir + L"\\KalMsAddin.dll";
  ASSERT_TRUE(CopyFileW(kaltest::BinPath(L"KalMsAddin.dll").c_str(), copy.c_str(), FALSE));
  {
    // The system shares one loaded library per file: the count of its references tells who
    // holds it.
    ComPtr<ITypeLib> mine;
    ASSERT_EQ(S_OK, LoadTypeLibEx(copy.c_str(), REGKIND_NONE, &mine));
    auto references = [&mine] {
      mine->AddRef();
      return mine->Release();
    };
    const ULONG alone = references();

    HMODULE module = LoadLibraryW(copy.c_str());
    ASSERT_NE(nullptr, module);
    auto getClassObject =
        reinterpret_cast<GetClassObjectFn>(GetProcAddress(module, "DllGetClassObject"));
    auto canUnload = reinterpret_cast<CanUnloadFn>(GetProcAddress(module, "DllCanUnloadNow"));
    ASSERT_TRUE(getClassObject && canUnload);
    {
      ComPtr<IClassFactory> factory;
      ASSERT_EQ(S_OK, getClassObject(CLSID_MSWord, IID_IClassFactory, &factory));
      ComPtr<IDispatch> dispatch;
      ASSERT_EQ(S_OK, factory->CreateInstance(nullptr, IID_IDispatch, &dispatch));
      ComPtr<ITypeInfo> info;
      ASSERT_EQ(S_OK, dispatch->GetTypeInfo(0, 0, &info));
    }
    EXPECT_EQ(alone + 1, references());  // the module's cached reference
    ASSERT_EQ(S_OK, canUnload());
    FreeLibrary(module);
    EXPECT_EQ(nullptr, GetModuleHandleW(copy.c_str()));
    EXPECT_EQ(alone, references());
  }
  DeleteFileW(copy.c_str());
  RemoveDirectoryW(dir.c_str());
  CoUninitialize();
}

}  // namespace
