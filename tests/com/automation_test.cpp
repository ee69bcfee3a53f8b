// kal::Dispatch against an in-test automation object: argument order, named and omitted
// arguments, property put, results, and failures with and without EXCEPINFO text; the text of
// each kind of failure through faults injected into a simulated object.
#include <windows.h>

#include <gtest/gtest.h>

#include "core/automation.h"
#include "sim/engine/sim_dispatch.h"
#include "sim/engine/sim_faults.h"
#include "tests/com/fake_dispatch.h"

using comtest::CFakeDispatch;
using comtest::CRecordedCall;

namespace {

constexpr DISPID kOpen = 10;
constexpr DISPID kName = 11;
constexpr DISPID kFail = 12;
constexpr DISPID kFailDeferred = 13;
constexpr DISPID kFailWCode = 14;
constexpr DISPID kDenied = 15;
constexpr DISPID kChild = 16;
constexpr DISPID kPassword = 101;
constexpr DISPID kReadOnly = 102;

std::wstring Text(const kal::CVariant& v) {
  return v.Type() == VT_BSTR ? std::wstring(v.Ref().bstrVal) : L"<not a string>";
}

// The ComError the call throws; a failure (and an S_OK error) when it throws none.
template <class F>
kal::ComError Thrown(F call) {
  try {
    call();
  } catch (const kal::ComError& e) {
    return e;
  }
  ADD_FAILURE() << "no ComError";
  return kal::ComError(S_OK, L"<none>");
}

HRESULT DeferredFill(EXCEPINFO* info) {
  info->bstrDescription = SysAllocString(L"filled late");
  info->scode = E_ACCESSDENIED;
  return S_OK;
}

class AutomationTest : public ::testing::Test {
 protected:
  void SetUp() override {
    m_object.AddMember(L"Open", kOpen, [](const CRecordedCall&, VARIANT* result, EXCEPINFO*) {
      if (result) {
        result->vt = VT_BSTR;
        result->bstrVal = SysAllocString(L"opened");
      }
      return S_OK;
    });
    m_object.AddMember(L"Name", kName,
                       [this](const CRecordedCall& call, VARIANT* result, EXCEPINFO*) {
                         if (call.flags & DISPATCH_PROPERTYPUT) {
                           m_name = call.rgvarg.at(0);
                         } else if (result) {
                           VariantCopy(result, m_name.Get());
                         }
                         return S_OK;
                       });
    m_object.AddMember(L"Fail", kFail, [](const CRecordedCall&, VARIANT*, EXCEPINFO* excep) {
      excep->scode = 0x800A03EC;
      excep->bstrSource = SysAllocString(L"Microsoft Word");
      excep->bstrDescription =
          SysAllocString(L"The requested member of the collection does not exist.");
      return DISP_E_EXCEPTION;
    });
    m_object.AddMember(L"FailDeferred", kFailDeferred,
                       [](const CRecordedCall&, VARIANT*, EXCEPINFO* excep) {
                         excep->pfnDeferredFillIn = &DeferredFill;
                         return DISP_E_EXCEPTION;
                       });
    m_object.AddMember(L"FailWCode", kFailWCode,
                       [](const CRecordedCall&, VARIANT*, EXCEPINFO* excep) {
                         excep->wCode = 5;
                         return DISP_E_EXCEPTION;
                       });
    m_object.AddMember(L"Denied", kDenied,
                       [](const CRecordedCall&, VARIANT*, EXCEPINFO*) { return E_ACCESSDENIED; });
    m_object.AddMember(L"Child", kChild, [this](const CRecordedCall&, VARIANT* result, EXCEPINFO*) {
      if (result) {
        result->vt = VT_DISPATCH;
        result->pdispVal = &m_child;
        m_child.AddRef();
      }
      return S_OK;
    });
    m_object.AddParamName(L"Password", kPassword);
    m_object.AddParamName(L"ReadOnly", kReadOnly);
  }

  CFakeDispatch m_object;
  CFakeDispatch m_child;
  kal::CVariant m_name;
};

TEST_F(AutomationTest, PositionalArgumentsArriveReversed) {
  kal::Dispatch d(&m_object);
  kal::CVariant result = d.Call(L"open", L"first.doc", 2, true);
  EXPECT_EQ(L"opened", Text(result));
  const CRecordedCall& call = m_object.Last();
  EXPECT_EQ(kOpen, call.dispId);
  EXPECT_EQ(DISPATCH_METHOD | DISPATCH_PROPERTYGET, call.flags);
  ASSERT_EQ(3u, call.rgvarg.size());
  EXPECT_TRUE(call.namedIds.empty());
  EXPECT_EQ(VT_BOOL, call.rgvarg[0].Type());  // last argument first
  EXPECT_EQ(VARIANT_TRUE, call.rgvarg[0].Ref().boolVal);
  EXPECT_EQ(VT_I4, call.rgvarg[1].Type());
  EXPECT_EQ(2, call.rgvarg[1].Ref().lVal);
  EXPECT_EQ(L"first.doc", Text(call.rgvarg[2]));
}

TEST_F(AutomationTest, NamedArgumentsComeFirstWithTheirIds) {
  kal::Dispatch d(&m_object);
  d.Call(L"Open", L"a.doc", kal::Named(L"Password", L"secret"), kal::Named(L"ReadOnly", false));
  const CRecordedCall& call = m_object.Last();
  ASSERT_EQ(3u, call.rgvarg.size());
  ASSERT_EQ(2u, call.namedIds.size());
  EXPECT_EQ(kPassword, call.namedIds[0]);
  EXPECT_EQ(L"secret", Text(call.rgvarg[0]));
  EXPECT_EQ(kReadOnly, call.namedIds[1]);
  EXPECT_EQ(VT_BOOL, call.rgvarg[1].Type());
  EXPECT_EQ(VARIANT_FALSE, call.rgvarg[1].Ref().boolVal);
  EXPECT_EQ(L"a.doc", Text(call.rgvarg[2]));
}

TEST_F(AutomationTest, MissingArgumentIsParamNotFound) {
  kal::Dispatch d(&m_object);
  d.Call(L"Open", kal::Missing(), L"x");
  const CRecordedCall& call = m_object.Last();
  ASSERT_EQ(2u, call.rgvarg.size());
  EXPECT_EQ(L"x", Text(call.rgvarg[0]));
  EXPECT_EQ(VT_ERROR, call.rgvarg[1].Type());
  EXPECT_EQ(DISP_E_PARAMNOTFOUND, call.rgvarg[1].Ref().scode);
}

TEST_F(AutomationTest, PutSendsTheValueAsPropertyPutAndGetReadsItBack) {
  kal::Dispatch d(&m_object);
  d.Put(L"Name", L"Report");
  const CRecordedCall& put = m_object.Last();
  EXPECT_EQ(DISPATCH_PROPERTYPUT, put.flags);
  ASSERT_EQ(1u, put.namedIds.size());
  EXPECT_EQ(DISPID_PROPERTYPUT, put.namedIds[0]);
  EXPECT_FALSE(put.resultRequested);

  kal::CVariant value = d.Get(L"NAME");
  EXPECT_EQ(DISPATCH_PROPERTYGET, m_object.Last().flags);
  EXPECT_TRUE(m_object.Last().rgvarg.empty());
  EXPECT_EQ(L"Report", Text(value));
  EXPECT_EQ(S_OK, d.TryPut(L"Name", 7));
  long number = 0;
  ASSERT_EQ(S_OK, d.Get(L"Name").ToInt(&number));
  EXPECT_EQ(7, number);
}

TEST_F(AutomationTest, ExcepInfoGivesTheCodeAndTheDescriptionTheSystemGivesTheMessage) {
  kal::Dispatch d(&m_object);
  const kal::ComError fail = Thrown([&] { d.Call(L"Fail"); });
  EXPECT_EQ(static_cast<HRESULT>(0x800A03EC), fail.Error());
  EXPECT_EQ(L"The requested member of the collection does not exist.", fail.Description());
  EXPECT_EQ(kal::MessageOfHResult(fail.Error()), fail.Message());
  const kal::ComError deferred = Thrown([&] { d.Get(L"FailDeferred"); });
  EXPECT_EQ(E_ACCESSDENIED, deferred.Error());
  EXPECT_EQ(L"filled late", deferred.Description());
  const kal::ComError wCode = Thrown([&] { d.Get(L"FailWCode"); });
  EXPECT_EQ(MAKE_HRESULT(SEVERITY_ERROR, FACILITY_ITF, 0x205), wCode.Error());
  EXPECT_STREQ(L"IDispatch error #5", wCode.Message());
  EXPECT_STREQ("IDispatch error #5", wCode.what());
}

// The system's own text for an HRESULT, its line break cut: the text depends on the system
// and its language ("Access is denied." on English Windows, "Access denied." under Wine).
std::wstring SystemText(HRESULT hr) {
  wchar_t buffer[512] = {};
  const DWORD n = FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                                 nullptr, static_cast<DWORD>(hr), 0, buffer, 512, nullptr);
  std::wstring text(buffer, n);
  EXPECT_GE(text.size(), 2u);
  EXPECT_EQ(L"\r\n", text.substr(text.size() - 2));
  return text.substr(0, text.size() - 2);
}

TEST_F(AutomationTest, UnknownNamesFailBeforeInvoke) {
  kal::Dispatch d(&m_object);
  EXPECT_THROW(d.Call(L"NoSuchMember"), kal::ComError);
  EXPECT_THROW(d.Call(L"Open", kal::Named(L"NoSuchParam", 1)), kal::ComError);
  EXPECT_EQ(0, m_object.InvokeCount());
  kal::CVariant result;
  EXPECT_EQ(DISP_E_UNKNOWNNAME, d.TryGet(L"NoSuchMember", &result));
  EXPECT_EQ(VT_EMPTY, result.Type());
}

TEST_F(AutomationTest, TryFormsReturnTheHResultAndTheResult) {
  kal::Dispatch d(&m_object);
  kal::CVariant result;
  EXPECT_EQ(static_cast<HRESULT>(0x800A03EC), d.TryCall(L"Fail", &result));
  EXPECT_EQ(E_ACCESSDENIED, d.TryCall(L"Denied", nullptr));
  EXPECT_EQ(S_OK, d.TryCall(L"Open", &result, L"b.doc"));
  EXPECT_EQ(L"opened", Text(result));
  kal::Dispatch empty;
  EXPECT_EQ(E_POINTER, empty.TryGet(L"Name", &result));
  EXPECT_THROW(empty.Get(L"Name"), kal::ComError);
}

TEST_F(AutomationTest, ObjectResultsAreCountedReferences) {
  const LONG before = m_child.RefCount();
  {
    kal::Dispatch d(&m_object);
    kal::Dispatch child = d.GetObj(L"Child");
    ASSERT_TRUE(child);
    EXPECT_EQ(&m_child, child.Get());
    EXPECT_EQ(before + 1, m_child.RefCount());
    // Passing an object as an argument adds a reference only for the call.
    d.Call(L"Open", child.Get());
    EXPECT_EQ(VT_DISPATCH, m_object.Last().rgvarg[0].Type());
  }
  EXPECT_EQ(before + 1, m_child.RefCount());  // the recorded call still holds its copy
  kal::Dispatch(&m_object).Call(L"Open");
  EXPECT_EQ(before, m_child.RefCount());
}

TEST_F(AutomationTest, GetObjOnAValueThatIsNoObjectThrows) {
  kal::Dispatch d(&m_object);
  d.Put(L"Name", L"text");
  EXPECT_EQ(DISP_E_TYPEMISMATCH, Thrown([&] { d.GetObj(L"Name"); }).Error());
}

// A simulated object with one property, for injected faults.
class CFaultTarget : public kalsim::CSimDispatch {
 public:
  CFaultTarget() : CSimDispatch(Table()) {}
  static const kalsim::CSimMemberTable& Table() {
    static kalsim::CSimMemberTable table = [] {
      kalsim::CSimMemberTable t(L"Target");
      kalsim::CSimTableBuilder<CFaultTarget>(t).Get(
          L"Value", [](CFaultTarget&) { return kalsim::CSimVariant::Int(1); });
      return t;
    }();
    return table;
  }
};

TEST(ComErrorText, EachKindOfFailureReadsAsTheComErrorClassGivesIt) {
  // The system's own text keeps its final stop; the server's description never replaces it;
  // dispatch codes are numbered from 0x80040200; anything else is "Unknown error" with the
  // HRESULT in hexadecimal.
  struct Case {
    HRESULT hr;
    const wchar_t* description;
    std::wstring expected;
  };
  const Case cases[] = {
      {E_ACCESSDENIED, L"", SystemText(E_ACCESSDENIED)},
      {E_ACCESSDENIED, L"Word's own words", SystemText(E_ACCESSDENIED)},
      {static_cast<HRESULT>(0x80040200), L"", L"IDispatch error #0"},
      {static_cast<HRESULT>(0x80040201), L"described", L"IDispatch error #1"},
      {static_cast<HRESULT>(0x8004FFFF), L"", L"IDispatch error #65023"},
      {static_cast<HRESULT>(0x800401FF), L"", L"Unknown error 0x800401FF"},
      {static_cast<HRESULT>(0x80050000), L"", L"Unknown error 0x80050000"},
      {static_cast<HRESULT>(0x8FFF1234), L"described", L"Unknown error 0x8FFF1234"},
  };
  auto target = kalsim::MakeSim<CFaultTarget>();
  kal::Dispatch d(target->AsDispatch());
  kalsim::CSimFaults& faults = kalsim::CSimFaults::Instance();
  for (const Case& c : cases) {
    faults.Clear();
    faults.Add(kalsim::CSimFault{L"Target", L"Value", c.hr, c.description, 1});
    const kal::ComError e = Thrown([&] { d.Get(L"Value"); });
    EXPECT_EQ(c.hr, e.Error()) << std::hex << c.hr;
    EXPECT_EQ(c.description, e.Description()) << std::hex << c.hr;
    EXPECT_EQ(c.expected, e.Message()) << std::hex << c.hr;
    EXPECT_EQ(c.expected, kal::MessageOfHResult(c.hr)) << std::hex << c.hr;
    // The second call is not faulted.
    EXPECT_EQ(S_OK, d.TryGet(L"Value", nullptr));
  }
  faults.Clear();
}

}  // namespace
