// The add-in's check reads each header shape once per tick and replays it for later sections;
// here it is held to the literal walk (every section's header read shape by shape) on generated
// documents: random sections, links, first-page headers, damaged and copied marks, footer shapes
// and injected failures. Both must give the same answer and the same trace lines in order.
//
// Failures of the per-section and per-document reads are injected on any call; those of the
// per-shape reads on every call only: a read that fails once and succeeds when asked again is
// the one thing the replay does not reproduce, and within one tick Word has no reason for it.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "sim/engine/call_counter.h"
#include "sim/engine/sim_faults.h"
#include "tests/word/word_check_oracle.h"
#include "tests/word/word_fixture.h"

using namespace kalsim::word;

namespace kaltest {
namespace {

constexpr HRESULT kFailure = static_cast<HRESULT>(0x800A1066L);

struct CFaultSite {
  const wchar_t* kind;
  const wchar_t* member;
  bool perShape;  // only injected on every call
};

const CFaultSite kSites[] = {
    {L"Document", L"Sections", false},
    {L"Sections", L"Count", false},
    {L"Sections", L"Item", false},
    {L"Section", L"Headers", false},
    {L"HeadersFooters", L"Item", false},
    {L"HeaderFooter", L"Shapes", false},
    {L"Shapes", L"Count", false},
    {L"Shapes", L"Item", true},
    {L"Shape", L"Name", true},
    {L"Shape", L"TextEffect", true},
    {L"TextEffectFormat", L"Text", true},
    {L"Shape", L"Fill", true},
    {L"FillFormat", L"Transparency", true},
    {L"ColorFormat", L"RGB", true},
    {L"Shape", L"Left", true},
};

class WordCheckDifferential : public CWordAddinTest {
 protected:
  // One walk's answer and the trace lines this process wrote during it.
  std::pair<int, std::vector<std::string>> Walk(bool literal,
                                                const std::vector<kalsim::CSimFault>& faults) {
    static int s_nWalk = 0;
    // Lines written before the walk may still be on their way: the walk's lines are those
    // between two markers of its own.
    const std::string start = "kaltest walk start " + std::to_string(++s_nWalk);
    ::OutputDebugStringA(start.c_str());
    EXPECT_TRUE(m_trace.WaitFor(start, 20000));
    auto& injected = kalsim::CSimFaults::Instance();
    injected.Clear();
    for (const auto& f : faults) injected.Add(f);
    kalsim::CSimCallCounter::Instance().Reset();
    const int answer = literal ? LiteralCheckWordWatermark(*Addin(), Word(), Params()) : Check();
    (literal ? m_nLiteralCalls : m_nLinearCalls) += kalsim::CSimCallCounter::Instance().Total();
    injected.Clear();
    const std::string end = "kaltest walk end " + std::to_string(s_nWalk);
    ::OutputDebugStringA(end.c_str());
    EXPECT_TRUE(m_trace.WaitFor(end, 20000));
    std::vector<std::string> lines;
    bool inWalk = false;
    for (const auto& e : m_trace.Entries()) {
      if (e.pid != ::GetCurrentProcessId()) continue;
      if (e.text == end) break;
      if (inWalk) lines.push_back(e.text);
      inWalk = inWalk || e.text == start;
    }
    m_trace.Clear();
    return {answer, lines};
  }
  long m_nLiteralCalls = 0;
  long m_nLinearCalls = 0;
};

TEST_F(WordCheckDifferential, ReplayingWalkAnswersAndTracesAsTheLiteralWalk) {
  Start(MakeDocument(1));
  std::mt19937 rng(20261206);
  auto pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
  int damaged = 0, intact = 0;
  for (int trial = 0; trial < 60; ++trial) {
    SCOPED_TRACE("trial " + std::to_string(trial));
    const int sections = pick(1, 6);
    auto doc = MakeDocument(sections, false);
    for (int i = 1; i < sections; ++i) {
      const bool linked = pick(0, 2) > 0;
      doc->sections[i]->headers[0].linkToPrevious = linked;
      doc->sections[i]->footers[0].linkToPrevious = linked;
      doc->sections[i]->differentFirstPage = pick(0, 3) == 0;
    }
    doc->sections[0]->differentFirstPage = pick(0, 3) == 0;
    for (auto& s : doc->sections) s->headers[0].story.reset(), s->footers[0].story.reset();
    ResolveLinks(*doc);
    App().AddDocument(doc);  // stamped

    // The user's doings: damage, copies, shapes of their own in any story.
    std::vector<std::shared_ptr<CShape>> marks;
    for (const auto& story : AllStories(*doc))
      for (const auto& shape : story->shapes) marks.push_back(shape);
    const auto stories = AllStories(*doc);
    for (int k = pick(0, 3); k > 0 && !marks.empty(); --k) {
      auto& shape = marks[pick(0, static_cast<int>(marks.size()) - 1)];
      switch (pick(0, 5)) {
        case 0:
          shape->left = 10.0 * pick(1, 5);
          break;
        case 1:
          shape->text = L"retyped";
          break;
        case 2:
          shape->rotation = 0.0;
          break;
        case 3: {
          auto copy = std::make_shared<CShape>(*shape);
          copy->name = L"PowerPlusWaterMarkObject4B414C99";
          if (pick(0, 1)) copy->foreColor = 255;
          stories[pick(0, static_cast<int>(stories.size()) - 1)]->shapes.push_back(copy);
          break;
        }
        case 4: {
          auto own = std::make_shared<CShape>();
          own->name = pick(0, 1) ? L"Logo" : L"WordArt 5";
          stories[pick(0, static_cast<int>(stories.size()) - 1)]->shapes.push_back(own);
          break;
        }
        default:
          for (const auto& story : stories) {
            auto& list = story->shapes;
            for (size_t i = 0; i < list.size(); ++i)
              if (list[i] == shape)
                list.erase(list.begin() + static_cast<long>(i)), i = list.size();
          }
      }
    }
    std::vector<kalsim::CSimFault> faults;
    for (int k = pick(0, 2); k > 0; --k) {
      const CFaultSite& site =
          kSites[pick(0, static_cast<int>(sizeof(kSites) / sizeof(kSites[0])) - 1)];
      kalsim::CSimFault f;
      f.strKind = site.kind;
      f.strMember = site.member;
      f.hr = kFailure;
      f.nCall = site.perShape ? 0 : pick(0, sections);
      faults.push_back(f);
    }

    const auto literal = Walk(true, faults);
    const auto linear = Walk(false, faults);
    EXPECT_EQ(linear.first, literal.first);
    EXPECT_EQ(linear.second, literal.second);
    (literal.first ? intact : damaged) += 1;
  }
  // The generator reaches both answers, and the replay never reads more than the walk it copies.
  EXPECT_GT(intact, 5);
  EXPECT_GT(damaged, 5);
  EXPECT_LE(m_nLinearCalls, m_nLiteralCalls);
}

}  // namespace
}  // namespace kaltest
