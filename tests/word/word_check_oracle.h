// The watermark check as its steps read: each section's header walked shape by shape through
// CMSWord::CheckWordWatermarkBySection. The add-in's own check replays what its first walk saw;
// tests hold it to this literal walk's answer and trace lines.
#pragma once
#include <oaidl.h>

#include "word/ms_word.h"

namespace kaltest {

inline int LiteralCheckWordWatermark(CMSWord& addin, IDispatch* application,
                                     const kal::word::CWordWatermarkParams& params) {
  return addin.CheckEverySection(application, [&](IDispatch* section) {
    return addin.CheckWordWatermarkBySection(section, params);
  });
}

}  // namespace kaltest
