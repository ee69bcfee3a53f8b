// CMSWord's watermark timer (verification around header editing, repair by re-stamping) and
// the protection of read-only documents, in this process against the simulated Word.
#include <gtest/gtest.h>

#include <functional>
#include <set>

#include "core/com/module.h"
#include "sim/engine/call_counter.h"
#include "sim/engine/password_hash.h"
#include "sim/engine/sim_arg_recorder.h"
#include "sim/engine/sim_error.h"
#include "sim/word/word_user.h"
#include "tests/support/message_pump.h"
#include "tests/word/word_fixture.h"

STDAPI DllCanUnloadNow();

using namespace kalsim::word;

namespace kaltest {
namespace {

class WordVerification : public CWordAddinTest {
 protected:
  void StartStamped(int sections, bool linked) {
    Start(MakeDocument(sections, linked));
    ASSERT_FALSE(HeaderShapeNames(*Doc(), 1).empty());
    kalsim::CSimCallCounter::Instance().Reset();
  }
  double MarkLeft() { return Doc()->sections[0]->headers[0].story->shapes.at(0)->left; }
  // One tick; true when it re-stamped the document.
  bool TickRestamped() {
    const long before = Stamps();
    TickWatermarkTimer();
    return Stamps() > before;
  }
};

TEST_F(WordVerification, IntactMarkInOpenHeaderIsLeftAlone) {
  StartStamped(3, true);
  UserOpenHeader(App(), 1);
  EXPECT_FALSE(TickRestamped());
  EXPECT_TRUE(m_trace.WaitFor("AtSeekViewPageHeader SeekView = 1", 10000));
  // Letter case only: still the same text.
  std::wstring upper = Params().text;
  for (auto& ch : upper) ch = static_cast<wchar_t>(::towupper(ch));
  UserSetShapeText(App(), 1, 2, upper);
  EXPECT_FALSE(TickRestamped());
  // 0.5 -> 0.9 keeps the integer part.
  UserSetShapeTransparency(App(), 1, 1, 0.9);
  EXPECT_FALSE(TickRestamped());
}

TEST_F(WordVerification, DraggedRetypedRecolouredOrDeletedMarkIsRestamped) {
  StartStamped(3, true);
  UserOpenHeader(App(), 1);
  struct Damage {
    const char* what;
    std::function<void()> apply;
  };
  const std::vector<Damage> damages = {
      {"drag", [&] { UserMoveShape(App(), 1, 2, 40.0, -12.0); }},
      {"retype", [&] { UserSetShapeText(App(), 1, 1, L"nothing to see"); }},
      {"recolour", [&] { UserSetShapeColor(App(), 1, 3, 255); }},
      {"rotate", [&] { UserSetShapeRotation(App(), 1, 1, 0.0); }},
      {"opaque to invisible", [&] { UserSetShapeTransparency(App(), 1, 1, 1.0); }},
      {"delete", [&] { UserDeleteShape(App(), 1, 2); }},
      {"rename", [&] { UserRenameShape(App(), 1, 1, L"Mine"); }},
  };
  for (const auto& d : damages) {
    if (Doc()->seekView != kSeekPrimaryHeader) UserOpenHeader(App(), 1);
    d.apply();
    EXPECT_TRUE(TickRestamped()) << d.what;
    int stamped = 0;
    for (const auto& s : Doc()->sections[0]->headers[0].story->shapes) {
      if (!kal::word::IsStampedWatermarkName(s->name)) continue;
      ++stamped;
      EXPECT_EQ(s->left, -999995.0) << d.what;
      EXPECT_EQ(s->foreColor, 16711680) << d.what;
    }
    EXPECT_EQ(stamped, 3) << d.what;
    // The repair puts the user back into the body.
    EXPECT_EQ(Doc()->seekView, kSeekMain) << d.what;
  }
  EXPECT_TRUE(m_trace.Contains("get_Left or get_Top moved"));
}

TEST_F(WordVerification, ChecksOnlyWhileTheHeaderIsOpenAndAtTheFirstTickAfter) {
  StartStamped(1, true);
  // Header closed, never opened: damage goes unnoticed.
  UserMoveShape(App(), 1, 1, 5.0, 5.0);
  UserCloseHeader(App());
  EXPECT_FALSE(TickRestamped());
  EXPECT_FALSE(TickRestamped());
  // Opened on the damaged mark: found and repaired at this tick.
  UserOpenHeader(App(), 1);
  EXPECT_TRUE(TickRestamped());
  EXPECT_EQ(MarkLeft(), -999995.0);
  // The repair left the header: the next check starts in it again.
  UserOpenHeader(App(), 1);
  EXPECT_FALSE(TickRestamped());  // in header, intact
  UserMoveShape(App(), 1, 1, 5.0, 5.0);
  UserCloseHeader(App());
  EXPECT_TRUE(TickRestamped());  // just left the header: checked and repaired
  UserMoveShape(App(), 1, 1, 5.0, 5.0);
  UserCloseHeader(App());
  EXPECT_FALSE(TickRestamped());  // two ticks out of the header: not looked at
}

// Every header answers with the document's one collection of header shapes: three separate
// headers hold three intact marks between them, which is what three sections need.
TEST_F(WordVerification, SeparateHeadersPassUntilOneOfTheirMarksIsDamaged) {
  StartStamped(3, false);
  UserOpenHeader(App(), 2);
  EXPECT_FALSE(TickRestamped());
  EXPECT_FALSE(TickRestamped());
  UserMoveShape(App(), 3, 1, 5.0, 5.0);
  EXPECT_TRUE(TickRestamped());
  for (int i = 1; i <= 3; ++i) EXPECT_EQ(HeaderShapeNames(*Doc(), i), OnlyMark(i));
}

// A two-line mark is written with LF; Word reads it back with its paragraph mark.
TEST_F(WordVerification, TwoLineMarkIsIntactHoweverWordReadsItsBreakBack) {
  CWordPolicy policy;
  policy.text = "Top\\nSecret";
  for (auto breaks : {ETextEffectBreaks::kParagraphMark, ETextEffectBreaks::kAsWritten}) {
    if (!m_pExt) {
      Start(MakeDocument(2, false), policy);
    } else {
      App().AddDocument(MakeDocument(2, false));
    }
    App().State().textEffectBreaks = breaks;
    ASSERT_NE(Params().text.find(L'\n'), std::wstring::npos);
    UserOpenHeader(App(), 1);
    kalsim::CSimCallCounter::Instance().Reset();
    EXPECT_FALSE(TickRestamped());
    EXPECT_FALSE(TickRestamped());
  }
}

TEST_F(WordVerification, TrackedChangesAreNeitherJudgedNorRepaired) {
  StartStamped(1, true);
  UserOpenHeader(App(), 1);
  UserMoveShape(App(), 1, 1, 5.0, 5.0);
  Doc()->trackRevisions = true;
  EXPECT_FALSE(TickRestamped());
  EXPECT_TRUE(m_trace.WaitFor("CMSWord::CheckWordWatermark Document Track Revisions.", 10000));
}

TEST_F(WordVerification, ExtraCopyWithTheStampPrefixCountsWhenIntact) {
  StartStamped(1, true);
  auto story = Doc()->sections[0]->headers[0].story;
  auto copy = std::make_shared<CShape>(*story->shapes[0]);
  copy->name = L"PowerPlusWaterMarkObject4B414C99";
  story->shapes.push_back(copy);
  EXPECT_EQ(Check(), 1);
  // A header of one section with a moved copy: the intact one still makes the count.
  copy->left = 3.0;
  EXPECT_EQ(Check(), 1);
  story->shapes[0]->left = 3.0;
  EXPECT_EQ(Check(), 0);
}

TEST_F(WordVerification, HeaderViewTestKnowsOnlyThePrimaryHeader) {
  StartStamped(1, true);
  Doc()->seekView = kSeekPrimaryHeader;
  EXPECT_EQ(Addin()->AtSeekViewPageHeader(Word()), 1);
  for (long seek : {kSeekMain, kSeekFirstPageHeader, kSeekPrimaryFooter, kSeekEvenPagesHeader}) {
    Doc()->seekView = seek;
    EXPECT_EQ(Addin()->AtSeekViewPageHeader(Word()), 0) << seek;
  }
  // No document: the window cannot be read, the answer is 0 and nothing escapes.
  App().CloseDocument(Doc(), 0);
  EXPECT_EQ(Addin()->AtSeekViewPageHeader(Word()), 0);
  EXPECT_EQ(Check(), 1);
  TickWatermarkTimer();
}

TEST_F(WordVerification, RealTimerRepairsWithinOnePeriodAndStopsAtDisconnection) {
  StartStamped(1, true);
  UserOpenHeader(App(), 1);
  UserMoveShape(App(), 1, 1, 5.0, 5.0);
  // The 5-second thread timer, dispatched by this thread's message loop, puts it back.
  EXPECT_TRUE(PumpMessagesUntil([&] { return MarkLeft() == -999995.0; }));
  EXPECT_EQ(MarkLeft(), -999995.0);

  SAFEARRAY* custom = nullptr;
  EXPECT_EQ(m_pExt->OnDisconnection(ext_dm_HostShutdown, &custom), S_OK);
  EXPECT_EQ(Addin()->WatermarkTimerId(), 0u);
  UserOpenHeader(App(), 1);
  UserMoveShape(App(), 1, 1, 5.0, 5.0);
  m_trace.Clear();
  PumpFor(5600);
  EXPECT_NE(MarkLeft(), -999995.0);
  EXPECT_FALSE(m_trace.Contains("AtSeekViewPageHeader SeekView"));
}

class WordProtection : public CWordAddinTest {};

TEST_F(WordProtection, ReadOnlyDocumentIsProtectedForCommentsAndTheTimerStops) {
  auto doc = MakeDocument(1);
  doc->saved = true;
  // Word keeps only a hash of it: the password is learnt from what the add-in handed to Protect.
  kalsim::CSimArgRecorder& handed = kalsim::CSimArgRecorder::Instance();
  handed.Watch(L"Protect", L"Password");
  StartReadOnly(doc, false);
  EXPECT_TRUE(m_trace.WaitFor("CMSWord KalMsAddin.dll CMSWord TAVFile && bDocReadOnley.", 10000));
  EXPECT_NE(Addin()->LockTimerId(), 0u);
  // OnStartupComplete protected it at once.
  EXPECT_EQ(doc->protectionType, kAllowOnlyComments);
  const std::vector<std::wstring> given = handed.Values();
  handed.Clear();
  ASSERT_EQ(given.size(), 1u);
  EXPECT_EQ(given[0].size(), 32u);
  EXPECT_EQ(doc->passwordHash, kalsim::PasswordHash(given[0]));
  EXPECT_TRUE(doc->saved);
  EXPECT_FALSE(m_bRibbonGiven);
  EXPECT_EQ(App().AdvisedSinks(), 2u);  // read-only alone still connects
  EXPECT_EQ(Addin()->WatermarkTimerId(), 0u);
  EXPECT_THROW(UserType(App(), L"hello"), kalsim::CSimError);

  // The first tick finds it protected and kills itself.
  EXPECT_TRUE(PumpUntilTraced("KalMsAddin.dll CMSWord KillTimer Succeed."));
  EXPECT_TRUE(m_trace.Contains("wdAllowOnlyComments"));
  const size_t ticks = m_trace.Count("LockWinDocTimer--------------------enter");
  PumpFor(1200);
  EXPECT_EQ(m_trace.Count("LockWinDocTimer--------------------enter"), ticks);

  const std::string password(given[0].begin(), given[0].end());
  for (const auto& line : m_trace.Lines())
    EXPECT_EQ(line.find(password), std::string::npos) << line;
}

TEST_F(WordProtection, TimerWaitsForADocumentThenProtectsIt) {
  StartReadOnly(nullptr, true);
  PumpFor(1200);
  EXPECT_EQ(m_trace.Count("KalMsAddin.dll CMSWord KillTimer Succeed."), 0u);
  auto doc = MakeDocument(2);
  doc->saved = false;
  App().AddDocument(doc);  // opened: stamped, then protected by the next tick
  EXPECT_TRUE(PumpUntilTraced("KalMsAddin.dll CMSWord KillTimer Succeed."));
  EXPECT_EQ(doc->protectionType, kAllowOnlyComments);
  EXPECT_FALSE(doc->saved);  // unsaved stays unsaved
  EXPECT_EQ(HeaderShapeNames(*doc, 1).size(), 2u);
}

TEST_F(WordProtection, ActiveDocumentAtStartUpIsStampedBeforeItIsProtected) {
  auto doc = MakeDocument(2, false);
  StartReadOnly(doc, true);
  EXPECT_EQ(doc->protectionType, kAllowOnlyComments);
  for (int i = 1; i <= 2; ++i) EXPECT_EQ(HeaderShapeNames(*doc, i), OnlyMark(i)) << i;
  EXPECT_FALSE(m_trace.Contains("AddTextEffect, hr"));
  EXPECT_FALSE(m_trace.Contains("_com_error"));
}

// A thread timer calls into the module after Word has let the add-in go; the module must stay
// loaded for as long as one can fire, and no longer.
TEST_F(WordProtection, ModuleStaysLockedExactlyWhileATimerCanFire) {
  StartReadOnly(nullptr, true);  // both timers run, no document to protect
  const UINT_PTR lockTimer = Addin()->LockTimerId();
  ASSERT_NE(lockTimer, 0u);
  ASSERT_NE(Addin()->WatermarkTimerId(), 0u);
  SAFEARRAY* custom = nullptr;
  EXPECT_EQ(m_pExt->OnDisconnection(ext_dm_HostShutdown, &custom),
            S_OK);  // kills the 5 s timer only
  App().DisconnectSinks();
  m_pAddin = nullptr;
  m_pExt.Reset();
  EXPECT_EQ(DllCanUnloadNow(), S_FALSE);
  // The timer still fires, finds no add-in and does nothing.
  m_trace.Clear();
  EXPECT_TRUE(PumpMessagesUntil(
      [&] { return m_trace.Count("LockWinDocTimer--------------------end") >= 2; }));
  EXPECT_FALSE(m_trace.Contains("LockWinDocTimer--------------------logic"));
  ASSERT_TRUE(::KillTimer(nullptr, lockTimer));
  kal::CKalMsAddinModule::Instance().Unlock();
  EXPECT_EQ(DllCanUnloadNow(), S_OK);
}

TEST_F(WordProtection, ProtectionTimerThatStoppedItselfLetsTheModuleGo) {
  StartReadOnly(MakeDocument(1), false);
  EXPECT_TRUE(PumpUntilTraced("KalMsAddin.dll CMSWord KillTimer Succeed."));
  EXPECT_EQ(Addin()->LockTimerId(), 0u);
  DisconnectAddin();
  App().DisconnectSinks();
  EXPECT_EQ(DllCanUnloadNow(), S_OK);
}

TEST_F(WordProtection, EachProtectionMakesAFreshPasswordAndOtherModesAreLeftAlone) {
  StartReadOnly(nullptr, false);
  std::set<std::wstring> hashes;
  for (int i = 0; i < 2; ++i) {
    auto doc = App().AddDocument(MakeDocument(1), false);
    EXPECT_EQ(Addin()->ProtectDocument(App().DocumentObject(doc).Get()), 1);
    EXPECT_EQ(doc->protectionType, kAllowOnlyComments);
    hashes.insert(doc->passwordHash);
  }
  EXPECT_EQ(hashes.size(), 2u);

  auto forms = App().AddDocument(MakeDocument(1), false);
  forms->protectionType = kAllowOnlyFormFields;
  forms->passwordHash = kalsim::PasswordHash(L"theirs");
  EXPECT_EQ(Addin()->ProtectDocument(App().DocumentObject(forms).Get()), 0);
  EXPECT_EQ(forms->protectionType, kAllowOnlyFormFields);
  EXPECT_EQ(forms->passwordHash, kalsim::PasswordHash(L"theirs"));
  EXPECT_EQ(Addin()->ProtectDocument(nullptr), 0);
}

}  // namespace
}  // namespace kaltest
