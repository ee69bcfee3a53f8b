// winword.exe end to end: a registered add-in is loaded and connected in Word's order, its
// ribbon XML disables commands, events and thread timers reach it, every reference is
// released at exit; scenarios apply user actions (refused under protection); and the local
// server serves Word.Application to an automation client.
#include <windows.h>

#include <gtest/gtest.h>
#include <tlhelp32.h>

#include <nlohmann/json.hpp>

#include <sstream>
#include <string>
#include <vector>

#include "core/office_interfaces.h"
#include "disp_client.h"
#include "sim/engine/password_hash.h"
#include "sim/word/word_json.h"
#include "tests/support/host_run.h"
#include "tests/support/message_pump.h"
#include "tests/support/test_paths.h"

using namespace simtest;
using kalsim::word::ToUtf8;
using nlohmann::json;

namespace {

std::wstring TempDir() {
  const std::wstring dir = kaltest::TempFolder() + L"kalsim_host\\";
  CreateDirectoryW(dir.c_str(), nullptr);
  return dir;
}

void WriteText(const std::wstring& path, const std::string& text) {
  ASSERT_TRUE(kaltest::WriteFileBytes(path, text)) << ToUtf8(path);
}

std::vector<std::string> ReadLines(const std::wstring& path) {
  std::istringstream in(kaltest::ReadFileBytes(path));
  std::vector<std::string> lines;
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

// Runs winword.exe with `args`; its exit code.
int RunWord(const std::wstring& args) {
  return kaltest::RunAndWait(L"\"" + kaltest::BinPath(L"winword.exe") + L"\" " + args, 60000);
}

// Index of the first line starting with `prefix`; -1 when absent.
int Find(const std::vector<std::string>& lines, const std::string& prefix) {
  for (size_t i = 0; i < lines.size(); ++i)
    if (lines[i].compare(0, prefix.size(), prefix) == 0) return static_cast<int>(i);
  return -1;
}

const char kDocument[] = R"({"sections":[{"text":"body","headers":{"primary":{"shapes":[
  {"name":"PowerPlusWaterMarkObject4B414C01","text":"MARK","left":-999995,"top":-999995}]}}},{}]})";

class AddinHost : public ::testing::Test {
 protected:
  void SetUp() override {
    m_module = LoadLibraryW(kaltest::BinPath(L"sim_test_addin.dll").c_str());
    ASSERT_NE(nullptr, m_module);
    ASSERT_EQ(S_OK, CallExport("DllRegisterServer"));
    m_dir = TempDir();
    m_addinLog = m_dir + L"addin.log";
    DeleteFileW(m_addinLog.c_str());
    SetEnvironmentVariableW(L"KALSIM_ADDIN_LOG", m_addinLog.c_str());
  }
  void TearDown() override {
    if (!m_module) return;
    CallExport("DllUnregisterServer");
    FreeLibrary(m_module);
    SetEnvironmentVariableW(L"KALSIM_ADDIN_LOG", nullptr);
  }
  HRESULT CallExport(const char* name) {
    auto fn = reinterpret_cast<HRESULT(STDAPICALLTYPE*)()>(
        reinterpret_cast<void*>(GetProcAddress(m_module, name)));
    return fn ? fn() : E_NOTIMPL;
  }
  HMODULE m_module = nullptr;
  std::wstring m_dir, m_addinLog;
};

TEST_F(AddinHost, ConnectsInWordsOrderAppliesRibbonDeliversEventsAndReleasesEverything) {
  std::wstring doc = m_dir + L"report.docx", script = m_dir + L"script.txt",
               state = m_dir + L"state.json", final_ = m_dir + L"final.json";
  WriteText(doc, kDocument);
  WriteText(script,
            "ticks 1\nheader open 1\nribbon WatermarkRemove\nribbon Bold\nshape delete 1 1\ndump " +
                ToUtf8(state) + "\nquit\n");
  ASSERT_EQ(0, RunWord(L"\"" + doc + L"\" /script \"" + script + L"\" /dump \"" + final_ + L"\""));
  std::vector<std::string> log = ReadLines(m_addinLog);
  SCOPED_TRACE(kaltest::ReadFileBytes(m_addinLog));
  // Each step is logged, after the one before it.
  int previous = -1;
  for (const char* step :
       {"CreateInstance",
        "OnConnection mode=1 qi=0 app=Microsoft Word version=16.0 progid=KalSimTest.Addin custom=0",
        "GetCustomUI Microsoft.Word.Document", "event 4 args=1 first=report.docx",
        "OnStartupComplete active=report.docx", "timer fired", "event 12 args=1", "event 2 args=0",
        "OnBeginShutdown", "OnDisconnection mode=0", "DllCanUnloadNow objects=0"}) {
    const int at = Find(log, step);
    EXPECT_GT(at, previous) << step;
    previous = at;
  }
  EXPECT_EQ(-1, Find(log, "OnAddInsUpdate"));

  json s = kaltest::ParseJsonFile(state);
  EXPECT_FALSE(s["commands"]["WatermarkRemove"]["enabled"].get<bool>());
  EXPECT_EQ(1, s["commands"]["WatermarkRemove"]["refused"].get<int>());
  EXPECT_FALSE(s["commands"]["WatermarkGallery"]["enabled"].get<bool>());
  EXPECT_TRUE(s["commands"]["Bold"]["enabled"].get<bool>());
  EXPECT_EQ(1, s["commands"]["Bold"]["executed"].get<int>());
  EXPECT_EQ("refused: command disabled", s["actions"][2]["result"].get<std::string>());
  EXPECT_EQ(1u, s["advisedSinks"].get<size_t>());
  EXPECT_EQ(0u, s["documents"][0]["sections"][0]["headers"]["primary"]["shapes"].size());
  EXPECT_NE(std::string::npos,
            s["addins"][0]["ribbonXml"].get<std::string>().find("WatermarkRemove"));
  json f = kaltest::ParseJsonFile(final_);
  EXPECT_EQ(0, f["addins"][0]["unloadHr"].get<long>());  // S_OK: nothing of the add-in left alive
  EXPECT_EQ(0u, f["advisedSinks"].get<size_t>());
}

TEST_F(AddinHost, BlankDocumentAtStartAndOldWordVersion) {
  std::wstring state = m_dir + L"blank.json", script = m_dir + L"blank.txt";
  WriteText(script, "type hello\ndump " + ToUtf8(state) + "\n");
  ASSERT_EQ(0, RunWord(L"/script \"" + script + L"\" /version 11.0"));
  std::vector<std::string> log = ReadLines(m_addinLog);
  EXPECT_GE(Find(log, "OnConnection mode=1 qi=0 app=Microsoft Word version=11.0"), 0);
  EXPECT_GE(Find(log, "OnStartupComplete active=Document1"), 0);
  EXPECT_EQ(-1, Find(log, "event 4"));  // the blank start document is not "opened"
  json s = kaltest::ParseJsonFile(state);
  EXPECT_EQ("11.0", s["version"].get<std::string>());
  EXPECT_EQ("hello", s["documents"][0]["sections"][0]["text"].get<std::string>());
  EXPECT_FALSE(s["documents"][0]["saved"].get<bool>());
}

TEST(WordScenario, UserActionsAreAppliedOrRefusedAsInWord) {
  std::wstring dir = TempDir();
  std::wstring doc = dir + L"protected.docx", script = dir + L"protected.txt",
               state = dir + L"protected.json";
  json d = json::parse(kDocument);
  d["protection"] = {{"type", 1}, {"passwordHash", ToUtf8(kalsim::PasswordHash(L"x"))}};
  WriteText(doc, d.dump());
  WriteText(
      script,
      "header open 2\nshape move 1 1 10 10\nshape delete 1 1\ntype blocked\nsave\nbogus action\n"
      "shape delete 1 9\ndump " +
          ToUtf8(state) + "\n");
  EXPECT_EQ(
      1, RunWord(L"\"" + doc + L"\" /noaddins /script \"" + script + L"\""));  // one unknown action
  json s = kaltest::ParseJsonFile(state);
  json actions = s["actions"];
  EXPECT_EQ("ok", actions[0]["result"].get<std::string>());
  for (int i : {1, 2, 3})
    EXPECT_NE(
        std::string::npos,
        actions[i]["result"].get<std::string>().find(
            "refused: This method or property is not available because the document is locked"))
        << actions[i].dump();
  EXPECT_EQ("ok", actions[4]["result"].get<std::string>());  // reading and saving stay allowed
  EXPECT_EQ("error: unknown action", actions[5]["result"].get<std::string>());
  EXPECT_EQ(0, actions[6]["result"].get<std::string>().find("refused"));
  json shape = s["documents"][0]["sections"][0]["headers"]["primary"]["shapes"][0];
  EXPECT_EQ(-999995.0, shape["left"].get<double>());
  EXPECT_EQ(1, s["documents"][0]["view"]["seekView"].get<int>());
  EXPECT_EQ("body", s["documents"][0]["sections"][0]["text"].get<std::string>());
}

// Running winword.exe processes of this test's Wine prefix.
int CountWord() {
  HANDLE snap = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
  if (snap == INVALID_HANDLE_VALUE) return -1;
  PROCESSENTRY32W entry{sizeof(entry)};
  int n = 0;
  for (BOOL ok = Process32FirstW(snap, &entry); ok; ok = Process32NextW(snap, &entry))
    if (_wcsicmp(entry.szExeFile, L"winword.exe") == 0) ++n;
  CloseHandle(snap);
  return n;
}

bool WaitForNoWord(DWORD ms) {
  return kaltest::PumpMessagesUntil([] { return CountWord() == 0; }, ms);
}

// OLE on the test's thread for the duration of a test, as the removal export does.
struct COleScope {
  COleScope() { OleInitialize(nullptr); }
  ~COleScope() { OleUninitialize(); }
};

TEST(WordLocalServer, ServesWordApplicationToAutomationClients) {
  COleScope ole;
  ASSERT_EQ(0, RunWord(L"/regserver"));
  std::wstring doc = TempDir() + L"served.docx";
  WriteText(doc, kDocument);
  CLSID clsid;
  ASSERT_EQ(S_OK, CLSIDFromProgID(L"Word.Application", &clsid));
  IDispatch* raw = nullptr;
  // The add-in's offline removal asks for _Application of a local server.
  ASSERT_EQ(S_OK, CoCreateInstance(clsid, nullptr, CLSCTX_LOCAL_SERVER, kal::IID_Word_Application,
                                   reinterpret_cast<void**>(&raw)));
  {
    CDisp word(raw);
    raw->Release();
    word.Put(L"Visible", B(false));
    word.Put(L"DisplayAlerts", I(0));
    CDisp document(word.Obj(L"Documents").Call(L"Open", TextThen15Missing(doc)));
    CDisp shapes = HeaderShapesOf(document, 1);
    ASSERT_EQ(1, shapes.Long(L"Count"));
    shapes.Item(1).Call(L"Select", {Missing()});
    word.Obj(L"Selection").Call(L"Delete", {I(1), I(1)}, {L"Unit", L"Count"});
    document.Call(L"Save");
    document.Call(L"Close", {Missing(), Missing(), Missing()});
    EXPECT_EQ(0, word.Obj(L"Documents").Long(L"Count"));
    word.Call(L"Quit", {Missing(), Missing(), Missing()});
  }
  json saved = kaltest::ParseJsonFile(doc);
  EXPECT_EQ(0u, saved["sections"][0]["headers"]["primary"]["shapes"].size());
  EXPECT_TRUE(WaitForNoWord(10000)) << "winword.exe did not exit after Quit";

  // A client that releases Word without Quit ends the server too.
  ASSERT_EQ(S_OK, CoCreateInstance(clsid, nullptr, CLSCTX_LOCAL_SERVER, IID_IDispatch,
                                   reinterpret_cast<void**>(&raw)));
  EXPECT_EQ(1, CountWord());
  EXPECT_EQ(L"16.0", CDisp(raw).Str(L"Version"));
  raw->Release();
  EXPECT_TRUE(WaitForNoWord(10000)) << "winword.exe did not exit after the last release";
  EXPECT_EQ(0, RunWord(L"/unregserver"));
  EXPECT_NE(S_OK, CLSIDFromProgID(L"Word.Application", &clsid));
}

}  // namespace
