// The shipped DLL exports the accessor class and the two free functions under their C++
// names, and its copy of the code works on the sections like the one linked here.
#include <windows.h>

#include <cstring>
#include <memory>
#include <string>

#include <gtest/gtest.h>

#include "exchange/tav_exchg.h"
#include "tests/exchange/section_fixture.h"
#include "tests/support/test_paths.h"

TEST(ShippedDll, ExportsTheAccessorAndItsFreeFunctions) {
  std::unique_ptr<HINSTANCE__, decltype(&FreeLibrary)> dll(
      LoadLibraryW(kaltest::BinPath(L"KalMsAddin.dll").c_str()), &FreeLibrary);
  ASSERT_NE(dll.get(), nullptr);
  for (const char* name :
       {"_ZN9CTavExchg8GetCountEv", "_ZN9CTavExchg11GetInfo_docEjR15_TAV_EXCHG_INFO",
        "_ZN9CTavExchg14GetPrintPolicyER17_PRINT_EXCHG_INFO", "_ZN9CTavExchg16GetprotectScreenEPc",
        "_ZN9CTavExchg17GetUserEmployeeIdEPc", "_ZN9CTavExchgD1Ev", "_ZTV9CTavExchg",
        "_Z17GetUserNameAndPswPcS_", "_Z12GetDyKeynamePc",
        // The string setters take char*, SetUserEmployeeId alone const char*.
        "_ZN9CTavExchg9SetTAVKeyEPc", "_ZN9CTavExchg24SetDefaultUserNameAndPswEPcS0_S0_",
        "_ZN9CTavExchg17SetUserEmployeeIdEPKc"}) {
    EXPECT_NE(GetProcAddress(dll.get(), name), nullptr) << name;
  }
  EXPECT_EQ(GetProcAddress(dll.get(), "_ZN9CTavExchg9SetTAVKeyEPKc"), nullptr);

  kaltest::CTestSections s;
  ASSERT_TRUE(s.Ok());
  std::strcpy(s.Block().dyKey, "from-the-block");
  using GetDyKeynameFn = void (*)(char*);
  auto fn = reinterpret_cast<GetDyKeynameFn>(GetProcAddress(dll.get(), "_Z12GetDyKeynamePc"));
  ASSERT_NE(fn, nullptr);
  char out[64] = "stale";
  fn(out);
  EXPECT_STREQ(out, "from-the-block");
}
