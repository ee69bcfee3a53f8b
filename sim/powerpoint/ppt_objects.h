// Base of the PowerPoint dispatch objects and the shared factories of the shape objects.
#pragma once
#include <memory>

#include "sim/powerpoint/ppt_errors.h"
#include "sim/powerpoint/ppt_model.h"

namespace kalsim::ppt {

// Every PowerPoint object holds the application and the presentation it presents; errors carry
// "Microsoft PowerPoint" as their source.
class CPptObject : public CSimDispatch {
 public:
  CPptObject(const CSimMemberTable& table, AppPtr app, PresentationPtr p)
      : CSimDispatch(table), m_app(std::move(app)), m_p(std::move(p)) {
    SetErrorSource(L"Microsoft PowerPoint");
  }
  // The presentation, refusing access once it is closed.
  CPresentation& Pres() {
    if (!m_p || m_p->closed) ThrowPpt(L"Presentation (unknown member) : Object does not exist.");
    return *m_p;
  }
  AppPtr m_app;
  PresentationPtr m_p;
};

inline CSimVariant Tri(bool value) { return CSimVariant::Int(value ? kMsoTrue : kMsoFalse); }
inline CSimVariant Single(double value) { return CSimVariant::Float(static_cast<float>(value)); }
// MsoTriState argument: msoTrue (-1) or any non-zero value sets, msoFalse clears.
inline bool TriArg(const VARIANT& v) { return ToLong(v) != 0; }

// A FillFormat over a fill of the presentation (a shape's, a slide background's, the master's).
DispPtr MakeFillObject(AppPtr app, PresentationPtr p, std::shared_ptr<void> owner, CFill* fill);
// A ColorFormat over an RGB value (and an optional scheme index) of the presentation.
DispPtr MakeColorObject(AppPtr app, PresentationPtr p, std::shared_ptr<void> owner, long* rgb, long* scheme);

}  // namespace kalsim::ppt
