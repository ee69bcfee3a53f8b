// The COM plumbing linked into the test: object creation with its construction hooks and module
// lock, the global interface table of the module object, and the owning BSTR/VARIANT/handle
// types.
#include <windows.h>
#include <oaidl.h>
#include <wrl/client.h>

#include <gtest/gtest.h>

#include "core/com/com_object.h"
#include "core/com/module.h"
#include "core/com_util.h"

using Microsoft::WRL::ComPtr;

namespace {

// A class built like the add-ins: interfaces, CComObjectRoot, an interface table.
class CProbe : public IPersist, public ISupportErrorInfo, public kal::CComObjectRoot {
 public:
  static HRESULT s_constructResult;
  static int s_finalReleases;
  static const kal::CInterfaceEntry* InterfaceEntries() noexcept {
    static const kal::CInterfaceEntry entries[] = {
        KAL_INTERFACE_ENTRY(CProbe, IPersist),
        KAL_INTERFACE_ENTRY(CProbe, ISupportErrorInfo),
        KAL_INTERFACE_TABLE_END,
    };
    return entries;
  }
  HRESULT FinalConstruct() { return s_constructResult; }
  void FinalRelease() { ++s_finalReleases; }
  STDMETHODIMP GetClassID(CLSID* clsid) override {
    *clsid = CLSID_NULL;
    return S_OK;
  }
  STDMETHODIMP InterfaceSupportsErrorInfo(REFIID) override { return S_FALSE; }
};
HRESULT CProbe::s_constructResult = S_OK;
int CProbe::s_finalReleases = 0;

class PlumbingTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    kal::CKalMsAddinModule::Instance().DllMain(GetModuleHandleW(nullptr), DLL_PROCESS_ATTACH,
                                               nullptr);
  }
  void SetUp() override {
    CProbe::s_constructResult = S_OK;
    CProbe::s_finalReleases = 0;
  }
  LONG Locks() { return kal::CKalMsAddinModule::Instance().GetLockCount(); }
};

TEST_F(PlumbingTest, ObjectsHoldTheModuleLockAndReleaseOnce) {
  const LONG before = Locks();
  ComPtr<IPersist> persist;
  ASSERT_EQ(S_OK, kal::CreateComObject<CProbe>(nullptr, IID_IPersist, &persist));
  EXPECT_EQ(before + 1, Locks());
  ComPtr<ISupportErrorInfo> info;
  ASSERT_EQ(S_OK, persist.As(&info));
  ComPtr<IUnknown> a, b;
  ASSERT_EQ(S_OK, persist.As(&a));
  ASSERT_EQ(S_OK, info.As(&b));
  EXPECT_EQ(a.Get(), b.Get());  // IUnknown is the first row's interface, from any face
  EXPECT_EQ(static_cast<IUnknown*>(persist.Get()), a.Get());
  persist.Reset();
  info.Reset();
  a.Reset();
  EXPECT_EQ(0, CProbe::s_finalReleases);
  b.Reset();
  EXPECT_EQ(1, CProbe::s_finalReleases);
  EXPECT_EQ(before, Locks());
}

TEST_F(PlumbingTest, FailedConstructionOrQueryLeavesNothingBehind) {
  const LONG before = Locks();
  CProbe::s_constructResult = E_ACCESSDENIED;
  IPersist* persist = reinterpret_cast<IPersist*>(1);
  EXPECT_EQ(E_ACCESSDENIED,
            kal::CreateComObject<CProbe>(nullptr, IID_IPersist, reinterpret_cast<void**>(&persist)));
  EXPECT_EQ(nullptr, persist);
  EXPECT_EQ(before, Locks());
  EXPECT_EQ(1, CProbe::s_finalReleases);  // the clean-up hook runs for a half-built object too

  CProbe::s_finalReleases = 0;
  CProbe::s_constructResult = S_OK;
  IDispatch* dispatch = reinterpret_cast<IDispatch*>(1);
  EXPECT_EQ(E_NOINTERFACE, kal::CreateComObject<CProbe>(nullptr, IID_IDispatch,
                                                        reinterpret_cast<void**>(&dispatch)));
  EXPECT_EQ(nullptr, dispatch);
  EXPECT_EQ(1, CProbe::s_finalReleases);
  EXPECT_EQ(before, Locks());
}

TEST_F(PlumbingTest, GlobalInterfaceTableIsCreatedOnceAndWorks) {
  ComPtr<IGlobalInterfaceTable> first, second;
  ASSERT_EQ(S_OK, kal::CKalMsAddinModule::Instance().GetGITPtr(&first));
  ASSERT_EQ(S_OK, kal::CKalMsAddinModule::Instance().GetGITPtr(&second));
  EXPECT_EQ(first.Get(), second.Get());
  EXPECT_EQ(E_POINTER, kal::CKalMsAddinModule::Instance().GetGITPtr(nullptr));

  ComPtr<IPersist> persist;
  ASSERT_EQ(S_OK, kal::CreateComObject<CProbe>(nullptr, IID_IPersist, &persist));
  DWORD cookie = 0;
  ASSERT_EQ(S_OK, first->RegisterInterfaceInGlobal(persist.Get(), IID_IPersist, &cookie));
  ComPtr<IPersist> back;
  ASSERT_EQ(S_OK, first->GetInterfaceFromGlobal(cookie, IID_IPersist, &back));
  EXPECT_EQ(persist.Get(), back.Get());
  EXPECT_EQ(S_OK, first->RevokeInterfaceFromGlobal(cookie));
}

TEST(OwningTypesTest, VariantConversionsAndCopies) {
  kal::CVariant number(L"42");
  long value = 0;
  EXPECT_EQ(S_OK, number.ToInt(&value));
  EXPECT_EQ(42, value);
  kal::CVariant word(L"forty");
  EXPECT_EQ(DISP_E_TYPEMISMATCH, word.ToInt(&value));
  EXPECT_EQ(42, value);  // untouched on failure
  std::wstring text;
  EXPECT_EQ(S_OK, kal::CVariant(7).ToString(&text));
  EXPECT_EQ(L"7", text);
  bool flag = false;
  EXPECT_EQ(S_OK, kal::CVariant(-1).ToBool(&flag));
  EXPECT_TRUE(flag);
  float f = 0;
  EXPECT_EQ(S_OK, kal::CVariant(12.5).ToFloat(&f));
  EXPECT_FLOAT_EQ(12.5f, f);

  kal::CVariant copy = number;  // deep copy: its own BSTR
  EXPECT_NE(copy.Ref().bstrVal, number.Ref().bstrVal);
  EXPECT_STREQ(L"42", copy.Ref().bstrVal);
  kal::CVariant moved = std::move(copy);
  EXPECT_EQ(VT_EMPTY, copy.Type());
  EXPECT_STREQ(L"42", moved.Ref().bstrVal);

  kal::CVariant missing = kal::CVariant::Error(DISP_E_PARAMNOTFOUND);
  EXPECT_EQ(VT_ERROR, missing.Type());
  EXPECT_EQ(DISP_E_PARAMNOTFOUND, missing.Ref().scode);
}

TEST(OwningTypesTest, VariantHoldsObjectReferences) {
  ComPtr<IPersist> persist;
  ASSERT_EQ(S_OK, kal::CreateComObject<CProbe>(nullptr, IID_IPersist, &persist));
  CProbe::s_finalReleases = 0;
  {
    kal::CVariant holder(static_cast<IUnknown*>(persist.Get()));
    persist.Reset();
    EXPECT_EQ(0, CProbe::s_finalReleases);  // the variant keeps it alive
    EXPECT_EQ(nullptr, holder.PeekDispatch());
  }
  EXPECT_EQ(1, CProbe::s_finalReleases);
}

TEST(OwningTypesTest, BstrLengthAndOwnership) {
  kal::CBstr withNul(std::wstring(L"ab\0cd", 5));
  EXPECT_EQ(5u, withNul.Length());
  EXPECT_EQ(std::wstring(L"ab\0cd", 5), withNul.Str());
  kal::CBstr empty;
  EXPECT_FALSE(empty);
  EXPECT_EQ(L"", empty.Str());
  BSTR raw = withNul.Detach();
  EXPECT_FALSE(withNul);
  kal::CBstr again = kal::CBstr::Attach(raw);
  EXPECT_EQ(5u, again.Length());
  kal::CBstr copy = again;
  EXPECT_NE(copy.Get(), again.Get());
  EXPECT_EQ(again.Str(), copy.Str());
}

TEST(OwningTypesTest, HandleIsClosedOnReset) {
  HANDLE raw = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  ASSERT_NE(nullptr, raw);
  kal::CHandle owner(raw);
  DWORD flags = 0;
  EXPECT_TRUE(GetHandleInformation(raw, &flags));
  kal::CHandle moved = std::move(owner);
  EXPECT_FALSE(owner.IsValid());
  moved.Reset();
  EXPECT_FALSE(GetHandleInformation(raw, &flags));
  kal::CHandle invalid(INVALID_HANDLE_VALUE);
  EXPECT_FALSE(invalid);
}

}  // namespace
