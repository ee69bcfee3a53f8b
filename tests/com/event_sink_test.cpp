// CDispEventSink against a simulated event source (the simulator engine's connection point):
// advise and unadvise, identity of the sink, and handlers receiving the arguments in natural
// order although a source fires them reversed.
#include <windows.h>

#include <ocidl.h>
#include <olectl.h>

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "core/com_util.h"
#include "core/event_sink.h"
#include "sim/engine/sim_dispatch.h"
#include "tests/com/fake_dispatch.h"

namespace {

// {6C0B7A52-1F0E-4C55-9B0B-3D7C0E4B9A11}: the test's event dispinterface.
const IID DIID_TestEvents = {
    0x6C0B7A52, 0x1F0E, 0x4C55, {0x9B, 0x0B, 0x3D, 0x7C, 0x0E, 0x4B, 0x9A, 0x11}};

// Event source: a simulated object with one connection point for DIID_TestEvents.
class CTestSource : public kalsim::CSimDispatch {
 public:
  CTestSource() : CSimDispatch(Table()), m_point(AddConnectionPoint(DIID_TestEvents)) {}
  static const kalsim::CSimMemberTable& Table() {
    static kalsim::CSimMemberTable table(L"TestSource");
    return table;
  }
  kalsim::CSimConnectionPoint& m_point;
};

// Calls a sink as a source fires an event: the arguments, given in natural order, arrive
// reversed. The sink's answer.
HRESULT Fire(IDispatch* sink, DISPID id, std::vector<kal::CVariant> natural) {
  std::vector<VARIANT> reversed;
  for (auto it = natural.rbegin(); it != natural.rend(); ++it) reversed.push_back(*it->Get());
  DISPPARAMS params = {reversed.empty() ? nullptr : reversed.data(), nullptr,
                       static_cast<UINT>(reversed.size()), 0};
  return sink->Invoke(id, IID_NULL, 0, DISPATCH_METHOD, &params, nullptr, nullptr, nullptr);
}

// The handlers' recorder.
class CHandlers {
 public:
  void Opened(IDispatch* doc) { m_log.push_back(L"Opened:" + Name(doc)); }
  void Pair(IDispatch* first, long second, BSTR third) {
    m_log.push_back(L"Pair:" + Name(first) + L"," + std::to_wstring(second) + L"," +
                    (third ? third : L"(null)"));
  }
  void Cancel(IDispatch*, VARIANT_BOOL* cancel) {
    m_log.push_back(L"Cancel");
    if (cancel) *cancel = VARIANT_TRUE;
  }
  void Raw(const kal::CEventArgs& args) {
    m_log.push_back(L"Raw:" + std::to_wstring(args.Count()) + L":" +
                    std::to_wstring(args.LongAt(0)) + L":" + std::to_wstring(args.At(5).vt));
  }
  void Throws() { throw std::runtime_error("handler failed"); }

  std::wstring Name(IDispatch* doc) { return doc == m_pDocA ? L"A" : doc == m_pDocB ? L"B" : L"?"; }
  std::vector<std::wstring> m_log;
  IDispatch* m_pDocA = nullptr;
  IDispatch* m_pDocB = nullptr;
};

const kal::CDispEventSinkT<CHandlers>::Entry kEntries[] = {
    KAL_SINK_ENTRY(CHandlers, 4, &CHandlers::Opened),
    KAL_SINK_ENTRY(CHandlers, 5, &CHandlers::Pair),
    KAL_SINK_ENTRY(CHandlers, 6, &CHandlers::Cancel),
    KAL_SINK_ENTRY(CHandlers, 7, &CHandlers::Raw),
    KAL_SINK_ENTRY(CHandlers, 8, &CHandlers::Throws),
};

class EventSinkTest : public ::testing::Test {
 protected:
  IConnectionPointContainer* Source() { return m_source.Get(); }
  Microsoft::WRL::ComPtr<CTestSource> m_source = kalsim::MakeSim<CTestSource>();
  CHandlers m_handlers;
};

TEST_F(EventSinkTest, HandlersReceiveArgumentsInNaturalOrder) {
  kal::CDispEventSinkT<CHandlers> docs(&m_handlers, 1, DIID_TestEvents, kEntries);
  kal::CDispEventSinkT<CHandlers> other(&m_handlers, 2, DIID_TestEvents);
  // Two distinct IDispatch objects to pass as event arguments (the handlers only compare
  // pointers, so the sinks themselves serve).
  m_handlers.m_pDocA = static_cast<IDispatch*>(&other);
  m_handlers.m_pDocB = static_cast<IDispatch*>(&docs);
  ASSERT_EQ(S_OK, docs.Advise(Source()));
  EXPECT_TRUE(docs.IsAdvised());

  EXPECT_EQ(S_OK, Fire(&docs, 4, {kal::CVariant(m_handlers.m_pDocA)}));
  EXPECT_EQ(S_OK, Fire(&docs, 5, {kal::CVariant(m_handlers.m_pDocB), 42, L"third"}));
  EXPECT_EQ(S_OK, Fire(&docs, 7, {9, L"x"}));
  ASSERT_EQ(3u, m_handlers.m_log.size());
  EXPECT_EQ(L"Opened:A", m_handlers.m_log[0]);
  EXPECT_EQ(L"Pair:B,42,third", m_handlers.m_log[1]);
  EXPECT_EQ(L"Raw:2:9:0", m_handlers.m_log[2]);  // out-of-range index reads as VT_EMPTY
}

TEST_F(EventSinkTest, ByReferenceArgumentsReachTheSource) {
  kal::CDispEventSinkT<CHandlers> sink(&m_handlers, 1, DIID_TestEvents, kEntries);
  ASSERT_EQ(S_OK, sink.Advise(Source()));
  VARIANT_BOOL cancel = VARIANT_FALSE;
  VARIANT byRef;
  VariantInit(&byRef);
  byRef.vt = VT_BOOL | VT_BYREF;
  byRef.pboolVal = &cancel;
  std::vector<kal::CVariant> args;
  args.emplace_back(static_cast<IDispatch*>(nullptr));
  args.emplace_back(byRef);
  EXPECT_EQ(S_OK, Fire(&sink, 6, std::move(args)));
  EXPECT_EQ(VARIANT_TRUE, cancel);
}

TEST_F(EventSinkTest, UnknownEventsAndThrowingHandlersAnswerSOk) {
  kal::CDispEventSinkT<CHandlers> sink(&m_handlers, 1, DIID_TestEvents, kEntries);
  ASSERT_EQ(S_OK, sink.Advise(Source()));
  EXPECT_EQ(S_OK, Fire(&sink, 99, {1, 2}));
  EXPECT_EQ(S_OK, Fire(&sink, 8, {}));
  EXPECT_TRUE(m_handlers.m_log.empty());
  // A sink without entries is connected and handles nothing.
  kal::CDispEventSinkT<CHandlers> empty(&m_handlers, 2, DIID_TestEvents);
  ASSERT_EQ(S_OK, empty.Advise(Source()));
  EXPECT_EQ(2, m_source->m_point.Fire(4, {kalsim::CSimVariant::Disp(&sink)}));
  EXPECT_EQ(1u, m_handlers.m_log.size());  // only the first sink's handler ran
}

TEST_F(EventSinkTest, AdviseUnadviseAndDestructionDisconnect) {
  kal::CDispEventSinkT<CHandlers> sink(&m_handlers, 3, DIID_TestEvents, kEntries);
  EXPECT_EQ(3u, sink.SinkId());
  EXPECT_EQ(S_FALSE, sink.Unadvise());
  ASSERT_EQ(S_OK, sink.Advise(Source()));
  EXPECT_NE(0u, sink.Cookie());
  EXPECT_EQ(1u, m_source->m_point.SinkCount());
  EXPECT_EQ(E_UNEXPECTED, sink.Advise(Source()));
  EXPECT_EQ(S_OK, sink.Unadvise());
  EXPECT_FALSE(sink.IsAdvised());
  EXPECT_EQ(0u, m_source->m_point.SinkCount());
  EXPECT_EQ(0, m_source->m_point.Fire(4, {kalsim::CSimVariant::Int(1)}));
  EXPECT_TRUE(m_handlers.m_log.empty());

  comtest::CCountingUnknown plain;  // an object without events
  EXPECT_EQ(E_NOINTERFACE, sink.Advise(&plain));
  EXPECT_EQ(E_POINTER, sink.Advise(nullptr));
  kal::CDispEventSinkT<CHandlers> wrongIid(&m_handlers, 1, IID_IPersist, kEntries);
  EXPECT_EQ(CONNECT_E_NOCONNECTION, wrongIid.Advise(Source()));
  EXPECT_FALSE(wrongIid.IsAdvised());
  {  // destruction disconnects
    kal::CDispEventSinkT<CHandlers> scoped(&m_handlers, 1, DIID_TestEvents, kEntries);
    ASSERT_EQ(S_OK, scoped.Advise(Source()));
    EXPECT_EQ(1u, m_source->m_point.SinkCount());
  }
  EXPECT_EQ(0u, m_source->m_point.SinkCount());
}

TEST_F(EventSinkTest, IdentityAndReferenceCountingOnTheOwner) {
  comtest::CCountingUnknown owner;  // stands in for the add-in object
  kal::CDispEventSinkT<CHandlers> sink(&m_handlers, 1, DIID_TestEvents, kEntries, &owner);
  void* p = nullptr;
  EXPECT_EQ(S_OK, sink.QueryInterface(IID_IUnknown, &p));
  EXPECT_EQ(S_OK, sink.QueryInterface(IID_IDispatch, &p));
  EXPECT_EQ(S_OK, sink.QueryInterface(DIID_TestEvents, &p));
  EXPECT_EQ(static_cast<IDispatch*>(&sink), p);
  EXPECT_EQ(4u, owner.m_cRef);  // each answer counted on the owner
  EXPECT_EQ(E_NOINTERFACE, sink.QueryInterface(IID_IPersist, &p));
  EXPECT_EQ(nullptr, p);
  for (int i = 0; i < 3; ++i) sink.Release();
  EXPECT_EQ(1u, owner.m_cRef);

  ASSERT_EQ(S_OK, sink.Advise(Source()));
  EXPECT_EQ(2u, owner.m_cRef);  // the source's reference keeps the owner alive
  EXPECT_EQ(S_OK, sink.Unadvise());
  EXPECT_EQ(1u, owner.m_cRef);

  UINT count = 7;
  EXPECT_EQ(S_OK, sink.GetTypeInfoCount(&count));
  EXPECT_EQ(0u, count);
}

}  // namespace
