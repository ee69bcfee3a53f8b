// Cost of the Word watermark: automation calls (the simulator's counters) and time of one
// stamping per section, and of one verification tick with the header view open per section and
// header shape (every section's header answers with the document's one collection of header and
// footer shapes), for documents of 1, 10 and 50 sections, with linked headers (Word's default)
// and with separate headers. The literal walk (every section's header read shape by shape)
// is counted beside the tick for comparison.
#include <windows.h>

#include <cstdio>
#include <vector>

#include "bench/common/addin_host.h"
#include "bench/common/bench_clock.h"
#include "sim/engine/call_counter.h"
#include "sim/word/word_model.h"
#include "tests/word/word_check_oracle.h"
#include "word/ms_word.h"

namespace {

struct CResult {
  int sections;
  long shapes;  // in the document's headers and footers after stamping
  long stampCalls;
  double stampMs;
  long tickCalls;
  double tickMs;
  int intact;
  long literalCalls;  // the same check walked section by section, shape by shape
};

CResult Measure(CMSWord* addin, kalsim::word::CWordApplication& app, int sections, bool linked,
                const kal::word::CWordWatermarkParams& params) {
  auto doc = kalsim::word::MakeDocument(sections, linked);
  app.AddDocument(doc, /*fireOpen=*/false);
  auto& counter = kalsim::CSimCallCounter::Instance();
  CResult r{sections, 0, 0, 0, 0, 0, 0, 0};
  counter.Reset();
  r.stampMs =
      kalbench::TimeMs([&] { addin->AddWordWatermarkOnActiveDocument(app.AsDispatch(), params); });
  r.stampCalls = counter.Total();
  for (const auto& story : kalsim::word::AllStories(*doc))
    r.shapes += static_cast<long>(story->shapes.size());
  // One tick of the watermark timer while the user is in the header: the header test and a
  // full check of every section.
  doc->seekView = kalsim::word::kSeekPrimaryHeader;
  counter.Reset();
  r.tickMs = kalbench::TimeMs([&] {
    if (addin->AtSeekViewPageHeader(app.AsDispatch()))
      r.intact = addin->CheckWordWatermark(app.AsDispatch(), params);
  });
  r.tickCalls = counter.Total();
  counter.Reset();
  (void)kaltest::LiteralCheckWordWatermark(*addin, app.AsDispatch(), params);
  r.literalCalls = counter.Total();
  app.CloseDocument(doc, 0);
  return r;
}

}  // namespace

int main() {
  ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  auto app = kalsim::word::CWordApplication::Create(L"16.0");
  kalbench::CConnectedAddin<CMSWord> addin(CLSID_MSWord, app->AsDispatch());
  if (!addin.Get()) {
    std::printf("bench_word: cannot create CMSWord\n");
    return 1;
  }

  kal::word::CWordWatermarkParams params;
  params.text = L"CONFIDENTIAL\n2026-12-05 alice&E-1001";
  params.fontName = L"Arial";
  params.fontSize = 36.0f;
  params.colour = 16711680.0f;
  params.transparency = 128.0f;
  params.diagonal = true;

  int rc = 0;
  for (bool linked : {true, false}) {
    std::printf("%s headers\n", linked ? "linked" : "separate");
    std::printf(
        "  sections  shapes  stamp calls  calls/section  stamp ms  tick calls  "
        "calls/(section+shape)  tick ms  intact  literal walk calls\n");
    std::vector<CResult> results;
    for (int n : {1, 10, 50})
      results.push_back(Measure(addin.Get(), *app.Get(), n, linked, params));
    auto perUnit = [](const CResult& r) {
      return static_cast<double>(r.tickCalls) / (r.sections + r.shapes);
    };
    for (const auto& r : results) {
      std::printf("  %8d  %6ld  %11ld  %13.1f  %8.2f  %10ld  %21.2f  %7.2f  %6d  %18ld\n",
                  r.sections, r.shapes, r.stampCalls,
                  static_cast<double>(r.stampCalls) / r.sections, r.stampMs, r.tickCalls,
                  perUnit(r), r.tickMs, r.intact, r.literalCalls);
      if (!r.intact) rc = 1;  // a fresh stamp must pass its own check
    }
    const double stampRatio = (static_cast<double>(results[2].stampCalls) / 50) /
                              (static_cast<double>(results[1].stampCalls) / 10);
    const double tickRatio = perUnit(results[2]) / perUnit(results[1]);
    std::printf(
        "  stamping calls per section, 50 against 10 sections: ratio %.2f (1.00 = linear)\n",
        stampRatio);
    std::printf(
        "  tick calls per (section + shape), 50 against 10 sections: ratio %.2f (1.00 = linear)\n",
        tickRatio);
    // Both stay linear; a tick costs at most 12 calls per section and shape at 50 sections.
    if (tickRatio > 1.25 || perUnit(results[2]) > 12.0) rc = 1;
    if (stampRatio > 1.25) rc = 1;  // stamping must stay linear in the number of sections
  }
  addin.Disconnect();
  app->DisconnectSinks();
  return rc;
}
