// The simulator's object engine: dispatch by name, argument order, named and missing
// arguments, coercion, Office-like failures, event connection points, call counting and
// injected faults.
#include <gtest/gtest.h>
#include <olectl.h>

#include <string>
#include <vector>

#include "sim/engine/call_counter.h"
#include "sim/engine/sim_dispatch.h"
#include "sim/engine/sim_error.h"
#include "sim/engine/sim_faults.h"
#include "tests/sim/disp_client.h"

using Microsoft::WRL::ComPtr;
using namespace kalsim;

namespace {

const IID kWidgetIid = {
    0x11111111, 0x2222, 0x3333, {0x44, 0x44, 0x55, 0x55, 0x55, 0x55, 0x55, 0x55}};
const IID kEventsIid = {
    0x11111111, 0x2222, 0x3333, {0x44, 0x44, 0x55, 0x55, 0x55, 0x55, 0x55, 0x56}};

// A small object kind exercising every engine feature.
class CWidget : public CSimDispatch {
 public:
  CWidget() : CSimDispatch(Table()) {
    AnswerIid(kWidgetIid);
    m_pEvents = &AddConnectionPoint(kEventsIid);
  }
  static const CSimMemberTable& Table() {
    static CSimMemberTable table = [] {
      CSimMemberTable t(L"Widget");
      CSimTableBuilder<CWidget>(t)
          .Prop(
              L"Size", [](CWidget& w) { return CSimVariant::Int(w.m_nSize); },
              [](CWidget& w, const VARIANT& v) { w.m_nSize = ToLong(v); })
          .Get(L"Label", [](CWidget& w) { return CSimVariant::Str(w.m_strLabel); })
          .Method(
              L"Combine", {L"First", L"Second", L"Third"},
              [](CWidget&, const CSimArgs& a) {
                return CSimVariant::Str(a.Str(0) + L"|" + a.Str(1, L"-") + L"|" + a.Str(2, L"-"));
              })
          .Method(L"Scale", {L"Factor", L"Flag"},
                  [](CWidget& w, const CSimArgs& a) {
                    w.m_nSize = static_cast<long>(w.m_nSize * a.Double(0));
                    return CSimVariant::Bool(a.Bool(1, false));
                  })
          .Method(L"Item", {L"Index"},
                  [](CWidget&, const CSimArgs& a) {
                    long i = a.Int(0);
                    if (i < 1 || i > 3) ThrowBadIndex();
                    return CSimVariant::Int(i * 10);
                  })
          .Method(L"Fail", {},
                  [](CWidget&, const CSimArgs&) -> CSimVariant {
                    ThrowOffice(4605, L"This method or property is not available.");
                  })
          .Default(L"Item");
      return t;
    }();
    return table;
  }
  CSimConnectionPoint* m_pEvents;
  long m_nSize = 4;
  std::wstring m_strLabel = L"w";
};

class CPlain : public CSimDispatch {
 public:
  CPlain() : CSimDispatch(Table()) {}
  static const CSimMemberTable& Table() {
    static CSimMemberTable t(L"Plain");
    return t;
  }
};

DISPID IdOf(IDispatch* d, const wchar_t* name) {
  LPOLESTR n = const_cast<LPOLESTR>(name);
  DISPID id = DISPID_UNKNOWN;
  EXPECT_EQ(S_OK, d->GetIDsOfNames(IID_NULL, &n, 1, 0, &id)) << name;
  return id;
}

// Invokes with arguments given in DISPPARAMS order (already reversed by the caller).
HRESULT Raw(IDispatch* d, DISPID id, WORD flags, std::vector<VARIANT> rgvarg,
            std::vector<DISPID> named, VARIANT* result, EXCEPINFO* ex = nullptr,
            UINT* argErr = nullptr) {
  DISPPARAMS dp{rgvarg.empty() ? nullptr : rgvarg.data(), named.empty() ? nullptr : named.data(),
                static_cast<UINT>(rgvarg.size()), static_cast<UINT>(named.size())};
  return d->Invoke(id, IID_NULL, 0, flags, &dp, result, ex, argErr);
}

// A VARIANT of type vt whose value `set` fills in.
template <typename F>
VARIANT Var(VARTYPE vt, F set) {
  VARIANT v;
  v.vt = vt;
  set(v);
  return v;
}
VARIANT Bstr(const wchar_t* s) {
  return Var(VT_BSTR, [&](VARIANT& v) { v.bstrVal = SysAllocString(s); });
}
VARIANT I4(long n) {
  return Var(VT_I4, [&](VARIANT& v) { v.lVal = n; });
}
std::wstring Text(VARIANT& v) {
  std::wstring s = v.vt == VT_BSTR ? v.bstrVal : L"<not a string>";
  VariantClear(&v);
  return s;
}

class EngineTest : public ::testing::Test {
 protected:
  void SetUp() override {
    m_widget = MakeSim<CWidget>();
    m_d = m_widget->AsDispatch();
    VariantInit(&m_result);
  }
  void TearDown() override { VariantClear(&m_result); }
  ComPtr<CWidget> m_widget;
  IDispatch* m_d = nullptr;
  VARIANT m_result;
};

TEST_F(EngineTest, NamesResolveIgnoringCaseAndUnknownNamesFail) {
  EXPECT_EQ(IdOf(m_d, L"Size"), IdOf(m_d, L"sIZE"));
  EXPECT_NE(IdOf(m_d, L"Size"), IdOf(m_d, L"Label"));
  LPOLESTR n = const_cast<LPOLESTR>(L"NoSuchMember");
  DISPID id = 0;
  EXPECT_EQ(DISP_E_UNKNOWNNAME, m_d->GetIDsOfNames(IID_NULL, &n, 1, 0, &id));
  EXPECT_EQ(DISPID_UNKNOWN, id);
  EXPECT_EQ(DISP_E_MEMBERNOTFOUND, Raw(m_d, 999, DISPATCH_METHOD, {}, {}, &m_result));
}

TEST_F(EngineTest, PropertyGetPutAndReadOnlyRefusal) {
  DISPID size = IdOf(m_d, L"size");
  VARIANT v = Bstr(L"12");  // coerced as Automation does
  EXPECT_EQ(S_OK, Raw(m_d, size, DISPATCH_PROPERTYPUT, {v}, {DISPID_PROPERTYPUT}, nullptr));
  VariantClear(&v);
  EXPECT_EQ(12, m_widget->m_nSize);
  ASSERT_EQ(S_OK, Raw(m_d, size, DISPATCH_PROPERTYGET, {}, {}, &m_result));
  EXPECT_EQ(VT_I4, m_result.vt);
  EXPECT_EQ(12, m_result.lVal);
  // A put without the DISPID_PROPERTYPUT named argument is malformed.
  EXPECT_EQ(DISP_E_PARAMNOTOPTIONAL, Raw(m_d, size, DISPATCH_PROPERTYPUT, {I4(3)}, {}, nullptr));
  EXPECT_EQ(DISP_E_MEMBERNOTFOUND, Raw(m_d, IdOf(m_d, L"Label"), DISPATCH_PROPERTYPUT, {I4(1)},
                                       {DISPID_PROPERTYPUT}, nullptr));
  VARIANT junk = Bstr(L"not a number");
  UINT argErr = 77;
  EXPECT_EQ(DISP_E_TYPEMISMATCH, Raw(m_d, size, DISPATCH_PROPERTYPUT, {junk}, {DISPID_PROPERTYPUT},
                                     nullptr, nullptr, &argErr));
  VariantClear(&junk);
  EXPECT_EQ(12, m_widget->m_nSize);
}

TEST_F(EngineTest, PositionalArgumentsArriveReversed) {
  DISPID id = IdOf(m_d, L"Combine");
  VARIANT a = Bstr(L"a"), b = Bstr(L"b"), c = Bstr(L"c");
  // rgvarg holds the last argument first: Combine("a", "b", "c").
  ASSERT_EQ(S_OK, Raw(m_d, id, DISPATCH_METHOD, {c, b, a}, {}, &m_result));
  EXPECT_EQ(L"a|b|c", Text(m_result));
  ASSERT_EQ(S_OK, Raw(m_d, id, DISPATCH_METHOD, {b, a}, {}, &m_result));
  EXPECT_EQ(L"a|b|-", Text(m_result));
  VariantClear(&a), VariantClear(&b), VariantClear(&c);
}

TEST_F(EngineTest, NamedAndMissingArguments) {
  LPOLESTR names[] = {const_cast<LPOLESTR>(L"combine"), const_cast<LPOLESTR>(L"THIRD"),
                      const_cast<LPOLESTR>(L"First")};
  DISPID ids[3];
  ASSERT_EQ(S_OK, m_d->GetIDsOfNames(IID_NULL, names, 3, 0, ids));
  EXPECT_EQ(2, ids[1]);
  EXPECT_EQ(0, ids[2]);
  VARIANT third = Bstr(L"z"), first = Bstr(L"x");
  // Named arguments only, in any order: Combine(Third:="z", First:="x").
  ASSERT_EQ(S_OK, Raw(m_d, ids[0], DISPATCH_METHOD, {third, first}, {2, 0}, &m_result));
  EXPECT_EQ(L"x|-|z", Text(m_result));
  // A positional first argument, a missing second and a named third.
  VARIANT missing = Var(VT_ERROR, [](VARIANT& v) { v.scode = DISP_E_PARAMNOTFOUND; });
  ASSERT_EQ(S_OK, Raw(m_d, ids[0], DISPATCH_METHOD, {third, missing, first}, {2}, &m_result));
  EXPECT_EQ(L"x|-|z", Text(m_result));
  // A required argument left missing.
  EXPECT_EQ(DISP_E_PARAMNOTFOUND, Raw(m_d, ids[0], DISPATCH_METHOD, {missing}, {}, &m_result));
  // An unknown parameter name.
  LPOLESTR bad[] = {const_cast<LPOLESTR>(L"Combine"), const_cast<LPOLESTR>(L"Fourth")};
  EXPECT_EQ(DISP_E_UNKNOWNNAME, m_d->GetIDsOfNames(IID_NULL, bad, 2, 0, ids));
  VariantClear(&third), VariantClear(&first);
}

TEST_F(EngineTest, CoercesTheArgumentTypesOfficeClientsPass) {
  DISPID scale = IdOf(m_d, L"Scale");
  VARIANT r4 = Var(VT_R4, [](VARIANT& v) { v.fltVal = 2.5f; });
  VARIANT i2 = Var(VT_I2, [](VARIANT& v) { v.iVal = -1; });
  ASSERT_EQ(S_OK, Raw(m_d, scale, DISPATCH_METHOD, {i2, r4}, {}, &m_result));
  EXPECT_EQ(10, m_widget->m_nSize);
  EXPECT_EQ(VT_BOOL, m_result.vt);
  EXPECT_EQ(VARIANT_TRUE, m_result.boolVal);
  // A byref VARIANT is read through.
  VARIANT inner = Var(VT_R8, [](VARIANT& v) { v.dblVal = 0.5; });
  VARIANT ref = Var(VT_VARIANT | VT_BYREF, [&](VARIANT& v) { v.pvarVal = &inner; });
  ASSERT_EQ(S_OK, Raw(m_d, scale, DISPATCH_METHOD, {ref}, {}, &m_result));
  EXPECT_EQ(5, m_widget->m_nSize);
  EXPECT_EQ(VARIANT_FALSE, m_result.boolVal);
}

TEST_F(EngineTest, OfficeLikeFailures) {
  DISPID item = IdOf(m_d, L"Item");
  ASSERT_EQ(S_OK, Raw(m_d, DISPID_VALUE, DISPATCH_PROPERTYGET, {I4(2)}, {}, &m_result));
  EXPECT_EQ(20, m_result.lVal);
  EXPECT_EQ(DISP_E_BADINDEX,
            Raw(m_d, item, DISPATCH_METHOD | DISPATCH_PROPERTYGET, {I4(4)}, {}, &m_result));
  EXPECT_EQ(DISP_E_BADINDEX, Raw(m_d, item, DISPATCH_METHOD, {I4(0)}, {}, &m_result));
  EXCEPINFO ex{};
  ASSERT_EQ(DISP_E_EXCEPTION,
            Raw(m_d, IdOf(m_d, L"Fail"), DISPATCH_METHOD, {}, {}, &m_result, &ex));
  EXPECT_EQ(OfficeErrorCode(4605), ex.scode);
  ASSERT_NE(nullptr, ex.bstrDescription);
  EXPECT_EQ(std::wstring(L"This method or property is not available."), ex.bstrDescription);
  SysFreeString(ex.bstrDescription);
  SysFreeString(ex.bstrSource);
  SysFreeString(ex.bstrHelpFile);
  // Arguments given to a plain property get are refused.
  EXPECT_EQ(DISP_E_BADPARAMCOUNT,
            Raw(m_d, IdOf(m_d, L"Size"), DISPATCH_PROPERTYGET, {I4(1)}, {}, &m_result));
}

TEST_F(EngineTest, QueryInterfaceAnswersRegisteredIidsOnly) {
  ComPtr<CPlain> plain = MakeSim<CPlain>();
  for (const IID& iid : {kWidgetIid, IID_IConnectionPointContainer}) {
    ComPtr<IUnknown> p;
    EXPECT_EQ(S_OK, m_d->QueryInterface(iid, &p));
    EXPECT_EQ(E_NOINTERFACE, plain->QueryInterface(iid, &p));
  }
}

TEST_F(EngineTest, EventsReachEveryAdvisedSinkWithReversedArguments) {
  ComPtr<IConnectionPointContainer> cpc;
  ASSERT_EQ(S_OK, m_d->QueryInterface(IID_PPV_ARGS(&cpc)));
  ComPtr<IConnectionPoint> cp;
  EXPECT_EQ(CONNECT_E_NOCONNECTION, cpc->FindConnectionPoint(kWidgetIid, &cp));
  ASSERT_EQ(S_OK, cpc->FindConnectionPoint(kEventsIid, &cp));
  std::vector<long> raw;  // the last event's arguments as received
  simtest::CEventSink one(kEventsIid, [&raw](DISPID, const DISPPARAMS& dp) {
    raw.clear();
    for (UINT i = 0; i < dp.cArgs; ++i) raw.push_back(ToLong(dp.rgvarg[i]));
  });
  simtest::CEventSink two(kEventsIid), wrong(kWidgetIid);
  DWORD c1 = 0, c2 = 0, c3 = 0;
  ASSERT_EQ(S_OK, cp->Advise(&one, &c1));
  ASSERT_EQ(S_OK, cp->Advise(&two, &c2));
  EXPECT_NE(c1, c2);
  EXPECT_EQ(CONNECT_E_CANNOTCONNECT, cp->Advise(&wrong, &c3));
  std::vector<CSimVariant> args;
  args.push_back(CSimVariant::Int(1));
  args.push_back(CSimVariant::Int(2));
  EXPECT_EQ(2, m_widget->m_pEvents->Fire(12, args));
  ASSERT_EQ(1u, one.m_ids.size());
  EXPECT_EQ(12, one.m_ids[0]);
  EXPECT_EQ((std::vector<long>{2, 1}), raw);
  EXPECT_EQ(1u, two.m_ids.size());
  EXPECT_EQ(S_OK, cp->Unadvise(c1));
  EXPECT_EQ(CONNECT_E_NOCONNECTION, cp->Unadvise(c1));
  EXPECT_EQ(1, m_widget->m_pEvents->Fire(3, {}));
  EXPECT_EQ(1u, one.m_ids.size());
  EXPECT_EQ(2u, two.m_ids.size());
  EXPECT_EQ(S_OK, cp->Unadvise(c2));
  EXPECT_EQ(0u, one.m_cRef);
  EXPECT_EQ(0u, two.m_cRef);
}

TEST_F(EngineTest, EveryInvokeIsCountedPerKindAndMember) {
  CSimCallCounter& counter = CSimCallCounter::Instance();
  counter.Reset();
  DISPID size = IdOf(m_d, L"Size");
  for (int i = 0; i < 3; ++i) Raw(m_d, size, DISPATCH_PROPERTYGET, {}, {}, &m_result);
  Raw(m_d, DISPID_VALUE, DISPATCH_METHOD, {I4(9)}, {}, &m_result);  // fails, still counted
  EXPECT_EQ(3, counter.Count(L"Widget", L"Size"));
  EXPECT_EQ(1, counter.Count(L"Widget", L"Item"));
  EXPECT_EQ(4, counter.CountKind(L"Widget"));
  EXPECT_EQ(4, counter.Total());
  counter.Reset();
  EXPECT_EQ(0, counter.Total());
}

TEST_F(EngineTest, InjectedFaultsFailTheNamedMemberOnTheChosenCalls) {
  CSimFaults& faults = CSimFaults::Instance();
  faults.Clear();
  const DISPID size = IdOf(m_d, L"Size");
  const DISPID combine = IdOf(m_d, L"Combine");
  faults.Add(CSimFault{L"WIDGET", L"size", E_ACCESSDENIED, L"", 0});  // names ignore case
  faults.Add(
      CSimFault{L"Widget", L"Combine", static_cast<HRESULT>(0x800A1066), L"Command failed", 2});
  faults.Add(CSimFault{L"Plain", L"Size", E_FAIL, L"", 0});  // another kind: no effect here
  // Every call of Size fails, get and put alike, and the member does not run.
  for (int i = 0; i < 2; ++i)
    EXPECT_EQ(E_ACCESSDENIED, Raw(m_d, size, DISPATCH_PROPERTYGET, {}, {}, &m_result)) << i;
  DISPID put = DISPID_PROPERTYPUT;
  EXPECT_EQ(E_ACCESSDENIED, Raw(m_d, size, DISPATCH_PROPERTYPUT, {I4(9)}, {put}, nullptr));
  EXPECT_EQ(4, m_widget->m_nSize);
  // Only the second call of Combine fails, as DISP_E_EXCEPTION with the HRESULT and the text.
  std::vector<HRESULT> got;
  for (int i = 0; i < 3; ++i) {
    EXCEPINFO ex{};
    got.push_back(Raw(m_d, combine, DISPATCH_METHOD, {Bstr(L"a")}, {}, &m_result, &ex));
    VariantClear(&m_result);
    if (got.back() == DISP_E_EXCEPTION) {
      EXPECT_EQ(static_cast<HRESULT>(0x800A1066), ex.scode);
      ASSERT_NE(nullptr, ex.bstrDescription);
      EXPECT_EQ(std::wstring(L"Command failed"), ex.bstrDescription);
    }
    SysFreeString(ex.bstrDescription);
    SysFreeString(ex.bstrSource);
  }
  EXPECT_EQ((std::vector<HRESULT>{S_OK, DISP_E_EXCEPTION, S_OK}), got);
  // Name lookup is never affected: unknown names stay unknown, known ones resolve.
  LPOLESTR unknown = const_cast<LPOLESTR>(L"Nope");
  DISPID id = 0;
  EXPECT_EQ(DISP_E_UNKNOWNNAME, m_d->GetIDsOfNames(IID_NULL, &unknown, 1, 0, &id));
  EXPECT_EQ(size, IdOf(m_d, L"Size"));
  faults.Clear();
  EXPECT_EQ(S_OK, Raw(m_d, size, DISPATCH_PROPERTYGET, {}, {}, &m_result));
}

TEST(SimFaultText, ScenarioFormParsesOrSaysWhatIsWrong) {
  struct Case {
    const wchar_t* text;
    bool ok;
    const wchar_t* kind;
    const wchar_t* member;
    HRESULT hr;
    long call;
    const wchar_t* description;
  };
  const Case cases[] = {
      {L"Document.Protect 0x80070005", true, L"Document", L"Protect", E_ACCESSDENIED, 0, L""},
      {L"Sections.Item 0x8002000B 2", true, L"Sections", L"Item", DISP_E_BADINDEX, 2, L""},
      {L"Shape.Name 0x800A1066 every Word refused  the name", true, L"Shape", L"Name",
       static_cast<HRESULT>(0x800A1066), 0, L"Word refused  the name"},
      {L"Shape.Name 2147500037 3 x", true, L"Shape", L"Name", E_FAIL, 3, L"x"},
      {L"Document 0x80004005", false},
      {L".Protect 0x80004005", false},
      {L"Document.Protect", false},
      {L"Document.Protect 0", false},
      {L"Document.Protect zz", false},
      {L"Document.Protect 0x80004005 0", false},
  };
  for (const Case& c : cases) {
    CSimFault f;
    std::wstring error;
    ASSERT_EQ(c.ok, ParseSimFault(c.text, &f, &error)) << c.text;
    if (!c.ok) {
      EXPECT_FALSE(error.empty()) << c.text;
      continue;
    }
    EXPECT_EQ(c.kind, f.strKind) << c.text;
    EXPECT_EQ(c.member, f.strMember) << c.text;
    EXPECT_EQ(c.hr, f.hr) << c.text;
    EXPECT_EQ(c.call, f.nCall) << c.text;
    EXPECT_EQ(c.description, f.strDescription) << c.text;
  }
}

}  // namespace
