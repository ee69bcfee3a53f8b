// The slide masters of a presentation (see ppt_masters.h).
#include "powerpoint/ppt_masters.h"

#include "core/automation_try.h"

namespace kal::powerpoint {

using kal::TryCallObj;
using kal::TryGetLong;
using kal::TryGetObj;

HRESULT TryDesignMasters(const Dispatch& presentation, std::vector<Dispatch>* masters) {
  masters->clear();
  Dispatch designs;
  long count = 0;
  if (FAILED(TryGetObj(presentation, L"Designs", &designs)) || FAILED(TryGetLong(designs, L"Count", &count))) {
    Dispatch master;
    const HRESULT hr = TryGetObj(presentation, L"SlideMaster", &master);
    if (SUCCEEDED(hr)) masters->push_back(master);
    return hr;
  }
  HRESULT first = S_OK;
  for (long i = 1; i <= count; ++i) {
    Dispatch design, master;
    HRESULT hr = TryCallObj(designs, L"Item", &design, i);
    if (SUCCEEDED(hr)) hr = TryGetObj(design, L"SlideMaster", &master);
    if (SUCCEEDED(hr)) masters->push_back(master);
    else if (SUCCEEDED(first)) first = hr;
  }
  return first;
}

}  // namespace kal::powerpoint
