// Base of the PowerPoint dispatch objects and the shared factories of the shape objects.
#pragma once
#include <functional>
#include <memory>
#include <string>
#include <vector>

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

// Item(Index) of a collection whose Index is a number or a name (the first element of that
// name), or PowerPoint's error.
template <class E>
const std::shared_ptr<E>& NamedItem(const std::wstring& collection, const CSimArgs& args,
                                    const std::vector<std::shared_ptr<E>>& list) {
  const VARIANT* index = args.Raw(0);
  if (index && (index->vt == VT_BSTR || index->vt == (VT_BSTR | VT_BYREF))) {
    const std::wstring name = args.Str(0);
    for (const auto& e : list)
      if (e->name == name) return e;
    ThrowPpt(collection + L".Item : Item " + name + L" not found in the " + collection + L" collection.");
  }
  const long i = args.Int(0);
  if (i < 1 || static_cast<size_t>(i) > list.size())
    ThrowPpt(collection + L".Item : Integer out of range. " + std::to_wstring(i) + L" is not in the valid range of 1 to " +
             std::to_wstring(list.size()) + L".");
  return list[static_cast<size_t>(i - 1)];
}

inline CSimVariant Tri(bool value) { return CSimVariant::Int(value ? kMsoTrue : kMsoFalse); }
inline CSimVariant Single(double value) { return CSimVariant::Float(static_cast<float>(value)); }
// MsoTriState argument: msoTrue (-1) or any non-zero value sets, msoFalse clears.
inline bool TriArg(const VARIANT& v) { return ToLong(v) != 0; }

// Where a fill is, looked up at every access (forWrite: the access changes it). A slide's
// background is the slide's own fill whenever it was taken; it reads as the master's while the
// slide follows the master background. The lookup throws where PowerPoint refuses.
using FillAccess = std::function<CFill*(bool forWrite)>;
// A FillFormat over a fill of the presentation (a shape's, a slide background's, a master's).
DispPtr MakeFillObject(AppPtr app, PresentationPtr p, std::shared_ptr<void> owner, FillAccess fill);
DispPtr MakeFillObject(AppPtr app, PresentationPtr p, std::shared_ptr<void> owner, CFill* fill);
// A ColorFormat over an RGB value and an optional scheme index (null: none), looked up at
// every access.
struct CColorRef {
  long* rgb;
  long* scheme;
};
using ColorAccess = std::function<CColorRef(bool forWrite)>;
DispPtr MakeColorObject(AppPtr app, PresentationPtr p, std::shared_ptr<void> owner, ColorAccess color);
DispPtr MakeColorObject(AppPtr app, PresentationPtr p, std::shared_ptr<void> owner, long* rgb, long* scheme);

}  // namespace kalsim::ppt
