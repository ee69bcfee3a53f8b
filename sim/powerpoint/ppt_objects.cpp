// PowerPoint's Presentations, Presentation, DocumentWindow, Selection, Slides, Slide, Designs,
// Design and Master objects.
#include "sim/powerpoint/ppt_objects.h"

#include "sim/powerpoint/ppt_json.h"

namespace kalsim::ppt {

namespace {

long CheckedIndex(const wchar_t* what, long index, size_t count) {
  if (index < 1 || static_cast<size_t>(index) > count)
    ThrowPpt(std::wstring(what) + L" : Integer out of range. " + std::to_wstring(index) + L" is not in the valid range of 1 to " +
             std::to_wstring(count) + L".");
  return index;
}

class CPresentationsObject : public CPptObject {
 public:
  explicit CPresentationsObject(AppPtr app) : CPptObject(Table(), std::move(app), nullptr) {}
  static const CSimMemberTable& Table() {
    static CSimMemberTable table = [] {
      CSimMemberTable t(L"Presentations");
      using T = CPresentationsObject;
      CSimTableBuilder<T>(t)
          .Get(L"Count", [](T& o) { return CSimVariant::Int(static_cast<long>(o.m_app->State().presentations.size())); })
          .Method(L"Item", {L"Index"},
                  [](T& o, const CSimArgs& args) {
                    auto& list = o.m_app->State().presentations;
                    long i = CheckedIndex(L"Presentations.Item", args.Int(0), list.size());
                    return DispResult(MakePresentationObject(o.m_app, list[i - 1]));
                  })
          // https://learn.microsoft.com/office/vba/api/powerpoint.presentations.open:
          // Open(FileName, ReadOnly, Untitled, WithWindow), MsoTriState flags, WithWindow
          // defaulting to msoTrue.
          .Method(L"Open", {L"FileName", L"ReadOnly", L"Untitled", L"WithWindow"},
                  [](T& o, const CSimArgs& args) {
                    const std::wstring path = args.Str(0);
                    const bool readOnly = args.Int(1, kMsoFalse) != 0;
                    const bool untitled = args.Int(2, kMsoFalse) != 0;
                    const bool withWindow = args.Int(3, kMsoTrue) != 0;
                    auto p = o.m_app->OpenPresentation(path, readOnly, withWindow);
                    if (untitled) p->path.clear();
                    return DispResult(MakePresentationObject(o.m_app, p));
                  })
          .Method(L"Add", {L"WithWindow"},
                  [](T& o, const CSimArgs& args) {
                    return DispResult(MakePresentationObject(o.m_app, o.m_app->NewPresentation(args.Int(0, kMsoTrue) != 0)));
                  })
          .Default(L"Item");
      return t;
    }();
    return table;
  }
};

// https://learn.microsoft.com/office/vba/api/powerpoint.designs.item: Item(Index), "the name or
// index number of the single object in the collection to be returned".
class CDesignsObject : public CPptObject {
 public:
  CDesignsObject(AppPtr app, PresentationPtr p) : CPptObject(Table(), std::move(app), std::move(p)) {}
  static const CSimMemberTable& Table() {
    static CSimMemberTable table = [] {
      CSimMemberTable t(L"Designs");
      using T = CDesignsObject;
      CSimTableBuilder<T>(t)
          .Get(L"Count", [](T& o) { return CSimVariant::Int(static_cast<long>(o.Pres().designs.size())); })
          .Method(L"Item", {L"Index"},
                  [](T& o, const CSimArgs& args) {
                    return DispResult(MakeDesignObject(o.m_app, o.m_p, NamedItem(L"Designs", args, o.Pres().designs)));
                  })
          .Default(L"Item");
      return t;
    }();
    return table;
  }
};

class CPresentationObject : public CPptObject {
 public:
  CPresentationObject(AppPtr app, PresentationPtr p) : CPptObject(Table(), std::move(app), std::move(p)) {}
  static const CSimMemberTable& Table() {
    static CSimMemberTable table = [] {
      CSimMemberTable t(L"Presentation");
      using T = CPresentationObject;
      CSimTableBuilder<T>(t)
          .Get(L"Name", [](T& o) { return CSimVariant::Str(o.Pres().name); })
          .Get(L"FullName", [](T& o) { return CSimVariant::Str(o.Pres().path.empty() ? o.Pres().name : o.Pres().path); })
          .Get(L"ReadOnly", [](T& o) { return Tri(o.Pres().readOnly); })
          .Prop(L"Saved", [](T& o) { return Tri(o.Pres().saved); }, [](T& o, const VARIANT& v) { o.Pres().saved = TriArg(v); })
          // https://learn.microsoft.com/office/vba/api/powerpoint.presentation.slidemaster: "the
          // slide master"; with several designs, the first design's master.
          .Get(L"SlideMaster", [](T& o) { return DispResult(MakeMasterObject(o.m_app, o.m_p, o.Pres().designs.front())); })
          // https://learn.microsoft.com/office/vba/api/powerpoint.presentation.designs
          .Get(L"Designs", [](T& o) { o.Pres(); return DispResult(MakeSim<CDesignsObject>(o.m_app, o.m_p)); })
          .Get(L"Slides", [](T& o) { o.Pres(); return DispResult(MakeSlidesObject(o.m_app, o.m_p)); })
          .Method(L"Save", {}, [](T& o, const CSimArgs&) { o.m_app->SavePresentation(o.Pres()); return CSimVariant(); })
          .Method(L"SaveAs", {L"FileName"},
                  [](T& o, const CSimArgs& args) {
                    CPresentation& p = o.Pres();
                    SavePresentationFile(p, args.Str(0));
                    p.path = args.Str(0);
                    p.readOnly = false;
                    p.saved = true;
                    return CSimVariant();
                  })
          .Method(L"Close", {}, [](T& o, const CSimArgs&) { o.Pres(); o.m_app->ClosePresentation(o.m_p); return CSimVariant(); });
      return t;
    }();
    return table;
  }
};

class CWindowObject : public CPptObject {
 public:
  CWindowObject(AppPtr app, PresentationPtr p) : CPptObject(Table(), std::move(app), std::move(p)) {}
  CWindowState& Window() {
    if (!Pres().hasWindow) ThrowPpt(L"DocumentWindow (unknown member) : Object does not exist.");
    return m_p->window;
  }
  static const CSimMemberTable& Table() {
    static CSimMemberTable table = [] {
      CSimMemberTable t(L"DocumentWindow");
      using T = CWindowObject;
      CSimTableBuilder<T>(t)
          .Prop(L"ViewType", [](T& o) { return CSimVariant::Int(o.Window().viewType); },
                [](T& o, const VARIANT& v) {
                  o.Window();
                  SetViewType(*o.m_p, ToLong(v), o.m_app->MajorVersion());
                })
          .Get(L"Presentation", [](T& o) { o.Window(); return DispResult(MakePresentationObject(o.m_app, o.m_p)); })
          .Get(L"Selection", [](T& o) {
            o.Window();
            return DispResult(MakeSim<CSelectionObject>(o.m_app, o.m_p));
          });
      return t;
    }();
    return table;
  }

  // https://learn.microsoft.com/office/vba/api/powerpoint.selection.shaperange: fails when no
  // shape is selected ("Nothing appropriate is currently selected").
  class CSelectionObject : public CPptObject {
   public:
    CSelectionObject(AppPtr app, PresentationPtr p) : CPptObject(Table(), std::move(app), std::move(p)) {}
    std::vector<ShapePtr> Shapes() {
      std::vector<ShapePtr> list;
      for (const auto& w : Pres().window.selection)
        if (auto s = w.lock())
          if (!s->deleted) list.push_back(s);
      return list;
    }
    static const CSimMemberTable& Table() {
      static CSimMemberTable table = [] {
        CSimMemberTable t(L"Selection");
        using T = CSelectionObject;
        CSimTableBuilder<T>(t)
            .Get(L"Type", [](T& o) { return CSimVariant::Int(o.Shapes().empty() ? 0 : 2); })  // ppSelectionNone / Shapes
            .Get(L"ShapeRange", [](T& o) {
              auto list = o.Shapes();
              if (list.empty()) ThrowPpt(L"Selection (unknown member) : Invalid request.  Nothing appropriate is currently selected.");
              return DispResult(MakeShapeRangeObject(o.m_app, o.m_p, list));
            });
        return t;
      }();
      return table;
    }
  };
};

class CSlideObject : public CPptObject {
 public:
  CSlideObject(AppPtr app, PresentationPtr p, SlidePtr slide)
      : CPptObject(Table(), std::move(app), std::move(p)), m_slide(std::move(slide)) {}
  CSlide& Live() {
    Pres();
    if (m_slide->deleted) ThrowPpt(L"Slide (unknown member) : Object does not exist.");
    return *m_slide;
  }
  DesignPtr DesignPtrOf() {
    const CSlide& s = Live();
    return m_p->designs[s.design < m_p->designs.size() ? s.design : 0];
  }
  static const CSimMemberTable& Table() {
    static CSimMemberTable table = [] {
      CSimMemberTable t(L"Slide");
      using T = CSlideObject;
      CSimTableBuilder<T>(t)
          .Get(L"SlideID", [](T& o) { return CSimVariant::Int(o.Live().id); })
          .Get(L"SlideIndex",
               [](T& o) {
                 o.Live();
                 for (size_t i = 0; i < o.m_p->slides.size(); ++i)
                   if (o.m_p->slides[i] == o.m_slide) return CSimVariant::Int(static_cast<long>(i + 1));
                 return CSimVariant::Int(0);
               })
          // https://learn.microsoft.com/office/vba/api/powerpoint.slide.design and .master
          .Get(L"Design", [](T& o) { return DispResult(MakeDesignObject(o.m_app, o.m_p, o.DesignPtrOf())); })
          .Get(L"Master", [](T& o) { return DispResult(MakeMasterObject(o.m_app, o.m_p, o.DesignPtrOf())); })
          .Get(L"Background", [](T& o) { o.Live(); return DispResult(MakeSim<CBackgroundObject>(o.m_app, o.m_p, o.m_slide)); })
          .Prop(L"FollowMasterBackground", [](T& o) { return Tri(o.Live().followMasterBackground); },
                [](T& o, const VARIANT& v) {
                  CSlide& s = o.Live();
                  // A slide that stops following starts from what it showed.
                  if (s.followMasterBackground && !TriArg(v)) s.background = DesignOf(*o.m_p, s).masterBackground;
                  s.followMasterBackground = TriArg(v);
                  MarkChanged(*o.m_p);
                })
          .Prop(L"DisplayMasterShapes", [](T& o) { return Tri(o.Live().displayMasterShapes); },
                [](T& o, const VARIANT& v) {
                  o.Live().displayMasterShapes = TriArg(v);
                  MarkChanged(*o.m_p);
                });
      return t;
    }();
    return table;
  }

  // https://learn.microsoft.com/office/vba/api/powerpoint.slide.background: the slide's own
  // background, whenever its Fill was taken; "if you use the Background property to set the
  // background for an individual slide without changing the slide master, the
  // FollowMasterBackground property for that slide must be set to False". While the slide
  // follows, its fill reads as the master's and refuses changes (unverified: the reference does
  // not say what a change does then; refusing is the stricter answer).
  class CBackgroundObject : public CPptObject {
   public:
    CBackgroundObject(AppPtr app, PresentationPtr p, SlidePtr slide)
        : CPptObject(Table(), std::move(app), std::move(p)), m_slide(std::move(slide)) {}
    static const CSimMemberTable& Table() {
      static CSimMemberTable table = [] {
        CSimMemberTable t(L"ShapeRange");  // Slide.Background is a ShapeRange
        using T = CBackgroundObject;
        CSimTableBuilder<T>(t).Get(L"Fill", [](T& o) {
          o.Pres();
          PresentationPtr p = o.m_p;
          SlidePtr slide = o.m_slide;
          return DispResult(MakeFillObject(o.m_app, o.m_p, o.m_slide, [p, slide](bool forWrite) -> CFill* {
            if (slide->deleted) ThrowPpt(L"Slide (unknown member) : Object does not exist.");
            if (!slide->followMasterBackground) return &slide->background;
            if (forWrite)
              ThrowPpt(L"FillFormat (unknown member) : Invalid request.  The slide follows the master background.");
            return &DesignOf(*p, *slide).masterBackground;
          }));
        });
        return t;
      }();
      return table;
    }
    SlidePtr m_slide;
  };
  SlidePtr m_slide;
};

class CSlidesObject : public CPptObject {
 public:
  CSlidesObject(AppPtr app, PresentationPtr p) : CPptObject(Table(), std::move(app), std::move(p)) {}
  static const CSimMemberTable& Table() {
    static CSimMemberTable table = [] {
      CSimMemberTable t(L"Slides");
      using T = CSlidesObject;
      CSimTableBuilder<T>(t)
          .Get(L"Count", [](T& o) { return CSimVariant::Int(static_cast<long>(o.Pres().slides.size())); })
          .Method(L"Item", {L"Index"},
                  [](T& o, const CSimArgs& args) {
                    auto& list = o.Pres().slides;
                    long i = CheckedIndex(L"Slides.Item", args.Int(0), list.size());
                    return DispResult(MakeSlideObject(o.m_app, o.m_p, list[i - 1]));
                  })
          // https://learn.microsoft.com/office/vba/api/powerpoint.slides.add: Add(Index, Layout).
          .Method(L"Add", {L"Index", L"Layout"},
                  [](T& o, const CSimArgs& args) {
                    CPresentation& p = o.Pres();
                    long index = args.Int(0);
                    if (index < 1 || static_cast<size_t>(index) > p.slides.size() + 1) ThrowPpt(L"Slides.Add : Index out of bounds.");
                    auto slide = o.m_app->AddSlide(p, static_cast<size_t>(index - 1), 1);
                    return DispResult(MakeSlideObject(o.m_app, o.m_p, slide));
                  })
          .Default(L"Item");
      return t;
    }();
    return table;
  }
};

class CMasterObject : public CPptObject {
 public:
  CMasterObject(AppPtr app, PresentationPtr p, DesignPtr design)
      : CPptObject(Table(), std::move(app), std::move(p)), m_design(std::move(design)) {}
  static const CSimMemberTable& Table() {
    static CSimMemberTable table = [] {
      CSimMemberTable t(L"Master");
      using T = CMasterObject;
      CSimTableBuilder<T>(t)
          .Get(L"Name", [](T& o) { o.Pres(); return CSimVariant::Str(o.m_design->name); })
          // https://learn.microsoft.com/office/vba/api/powerpoint.master.design
          .Get(L"Design", [](T& o) { o.Pres(); return DispResult(MakeDesignObject(o.m_app, o.m_p, o.m_design)); })
          .Get(L"Shapes", [](T& o) { o.Pres(); return DispResult(MakeMasterShapesObject(o.m_app, o.m_p, o.m_design)); });
      return t;
    }();
    return table;
  }
  DesignPtr m_design;
};

// https://learn.microsoft.com/office/vba/api/powerpoint.design: a design and its slide master
// (https://learn.microsoft.com/office/vba/api/powerpoint.design.slidemaster).
class CDesignObject : public CPptObject {
 public:
  CDesignObject(AppPtr app, PresentationPtr p, DesignPtr design)
      : CPptObject(Table(), std::move(app), std::move(p)), m_design(std::move(design)) {}
  static const CSimMemberTable& Table() {
    static CSimMemberTable table = [] {
      CSimMemberTable t(L"Design");
      using T = CDesignObject;
      CSimTableBuilder<T>(t)
          .Get(L"Name", [](T& o) { o.Pres(); return CSimVariant::Str(o.m_design->name); })
          .Get(L"Index",
               [](T& o) {
                 const auto& list = o.Pres().designs;
                 for (size_t i = 0; i < list.size(); ++i)
                   if (list[i] == o.m_design) return CSimVariant::Int(static_cast<long>(i + 1));
                 ThrowPpt(L"Design (unknown member) : Object does not exist.");
               })
          .Get(L"SlideMaster", [](T& o) { o.Pres(); return DispResult(MakeMasterObject(o.m_app, o.m_p, o.m_design)); });
      return t;
    }();
    return table;
  }
  DesignPtr m_design;
};

}  // namespace

DispPtr MakePresentationsObject(AppPtr app) { return MakeSim<CPresentationsObject>(std::move(app)); }
DispPtr MakePresentationObject(AppPtr app, PresentationPtr p) { return MakeSim<CPresentationObject>(std::move(app), std::move(p)); }
DispPtr MakeWindowObject(AppPtr app, PresentationPtr p) { return MakeSim<CWindowObject>(std::move(app), std::move(p)); }
DispPtr MakeSlideObject(AppPtr app, PresentationPtr p, SlidePtr slide) {
  return MakeSim<CSlideObject>(std::move(app), std::move(p), std::move(slide));
}
DispPtr MakeMasterObject(AppPtr app, PresentationPtr p, DesignPtr design) {
  return MakeSim<CMasterObject>(std::move(app), std::move(p), std::move(design));
}
DispPtr MakeDesignObject(AppPtr app, PresentationPtr p, DesignPtr design) {
  return MakeSim<CDesignObject>(std::move(app), std::move(p), std::move(design));
}
DispPtr MakeSlidesObject(AppPtr app, PresentationPtr p) { return MakeSim<CSlidesObject>(std::move(app), std::move(p)); }

}  // namespace kalsim::ppt
