// The slide masters of a presentation: one per design.
#pragma once
#include <vector>

#include "core/automation.h"

namespace kal::powerpoint {

// Every design's SlideMaster, in Designs order, into `masters`. A presentation has one master
// per design (Presentation.Designs, https://learn.microsoft.com/office/vba/api/powerpoint.design);
// Presentation.SlideMaster is only the first design's. When Designs or its Count cannot be
// read, the one Presentation.SlideMaster. Returns the first failure; the masters read before
// and after it are still listed.
HRESULT TryDesignMasters(const Dispatch& presentation, std::vector<Dispatch>* masters);

}  // namespace kal::powerpoint
