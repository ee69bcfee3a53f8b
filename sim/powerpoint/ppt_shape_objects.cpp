// PowerPoint's Shapes (of the slide master), Shape, ShapeRange and the formatting objects the
// add-in styles: TextEffectFormat, TextFrame/TextRange/Font, ShadowFormat, FillFormat,
// ColorFormat and PictureFormat.
#include <cmath>

#include "sim/powerpoint/ppt_objects.h"

namespace kalsim::ppt {

namespace {

// Base of the objects that present one or more shapes.
class CShapesPart : public CPptObject {
 public:
  CShapesPart(const CSimMemberTable& table, AppPtr app, PresentationPtr p, std::vector<ShapePtr> shapes)
      : CPptObject(table, std::move(app), std::move(p)), m_shapes(std::move(shapes)) {}
  // The shapes, refusing access once one is deleted.
  std::vector<ShapePtr>& Live() {
    Pres();
    for (const auto& s : m_shapes)
      if (s->deleted) ThrowPpt(Kind() + L" (unknown member) : Object does not exist.");
    return m_shapes;
  }
  CShape& One() { return *Live().front(); }
  template <class F>
  void Edit(F change) {
    for (const auto& s : Live()) change(*s);
    MarkChanged(*m_p);
  }
  std::vector<ShapePtr> m_shapes;
};

template <class T>
DispPtr PartOf(CShapesPart& o) {
  o.Live();
  return MakeSim<T>(o.m_app, o.m_p, o.m_shapes);
}

// https://learn.microsoft.com/office/vba/api/powerpoint.shape.texteffect: only WordArt has one.
CShape& WordArt(CShapesPart& o) {
  CShape& s = o.One();
  if (s.type != kMsoTextEffect) ThrowPpt(L"TextEffect (unknown member) : Invalid request.  This shape is not WordArt.");
  return s;
}

class CTextEffectObject : public CShapesPart {
 public:
  CTextEffectObject(AppPtr app, PresentationPtr p, std::vector<ShapePtr> shapes)
      : CShapesPart(Table(), std::move(app), std::move(p), std::move(shapes)) {}
  static const CSimMemberTable& Table() {
    static CSimMemberTable table = [] {
      CSimMemberTable t(L"TextEffectFormat");
      using T = CTextEffectObject;
      CSimTableBuilder<T>(t)
          .Prop(L"Text", [](T& o) { return CSimVariant::Str(WordArt(o).text); },
                [](T& o, const VARIANT& v) { WordArt(o); o.Edit([&](CShape& s) { s.text = ToString(v); }); })
          .Get(L"FontName", [](T& o) { return CSimVariant::Str(WordArt(o).fontName); })
          .Get(L"FontSize", [](T& o) { return Single(WordArt(o).fontSize); })
          .Prop(L"NormalizedHeight", [](T& o) { return Tri(WordArt(o).normalizedHeight); },
                [](T& o, const VARIANT& v) { WordArt(o); o.Edit([&](CShape& s) { s.normalizedHeight = TriArg(v); }); });
      return t;
    }();
    return table;
  }
};

class CFontObject : public CShapesPart {
 public:
  CFontObject(AppPtr app, PresentationPtr p, std::vector<ShapePtr> shapes)
      : CShapesPart(Table(), std::move(app), std::move(p), std::move(shapes)) {}
  static const CSimMemberTable& Table() {
    static CSimMemberTable table = [] {
      CSimMemberTable t(L"Font");
      using T = CFontObject;
      CSimTableBuilder<T>(t)
          .Get(L"Name", [](T& o) { return CSimVariant::Str(o.One().fontName); })
          .Get(L"Size", [](T& o) { return Single(o.One().fontSize); })
          .Get(L"Color", [](T& o) {
            CShape& s = o.One();
            return DispResult(MakeColorObject(o.m_app, o.m_p, o.m_shapes.front(), &s.textRgb, nullptr));
          });
      return t;
    }();
    return table;
  }
};

class CTextRangeObject : public CShapesPart {
 public:
  CTextRangeObject(AppPtr app, PresentationPtr p, std::vector<ShapePtr> shapes)
      : CShapesPart(Table(), std::move(app), std::move(p), std::move(shapes)) {}
  static const CSimMemberTable& Table() {
    static CSimMemberTable table = [] {
      CSimMemberTable t(L"TextRange");
      using T = CTextRangeObject;
      CSimTableBuilder<T>(t)
          .Prop(L"Text", [](T& o) { return CSimVariant::Str(o.One().text); },
                [](T& o, const VARIANT& v) { o.Edit([&](CShape& s) { s.text = ToString(v); }); })
          .Get(L"Font", [](T& o) { return DispResult(PartOf<CFontObject>(o)); });
      return t;
    }();
    return table;
  }
};

class CTextFrameObject : public CShapesPart {
 public:
  CTextFrameObject(AppPtr app, PresentationPtr p, std::vector<ShapePtr> shapes)
      : CShapesPart(Table(), std::move(app), std::move(p), std::move(shapes)) {}
  static const CSimMemberTable& Table() {
    static CSimMemberTable table = [] {
      CSimMemberTable t(L"TextFrame");
      using T = CTextFrameObject;
      CSimTableBuilder<T>(t).Get(L"TextRange", [](T& o) { return DispResult(PartOf<CTextRangeObject>(o)); });
      return t;
    }();
    return table;
  }
};

class CShadowObject : public CShapesPart {
 public:
  CShadowObject(AppPtr app, PresentationPtr p, std::vector<ShapePtr> shapes)
      : CShapesPart(Table(), std::move(app), std::move(p), std::move(shapes)) {}
  static const CSimMemberTable& Table() {
    static CSimMemberTable table = [] {
      CSimMemberTable t(L"ShadowFormat");
      using T = CShadowObject;
      CSimTableBuilder<T>(t)
          // https://learn.microsoft.com/office/vba/api/powerpoint.shadowformat.transparency: 0.0 to 1.0.
          .Prop(L"Transparency", [](T& o) { return Single(o.One().shadowTransparency); },
                [](T& o, const VARIANT& v) {
                  double value = ToDouble(v);
                  if (value < 0 || value > 1) ThrowPpt(L"ShadowFormat.Transparency : The specified value is out of range.");
                  o.Edit([&](CShape& s) { s.shadowTransparency = value; });
                })
          .Get(L"ForeColor", [](T& o) {
            CShape& s = o.One();
            return DispResult(MakeColorObject(o.m_app, o.m_p, o.m_shapes.front(), &s.shadowRgb, nullptr));
          });
      return t;
    }();
    return table;
  }
};

// https://learn.microsoft.com/office/vba/api/powerpoint.pictureformat: picture adjustments.
// Asked of a shape that is not a picture it raises (unverified: the reference is silent; the
// stricter answer).
class CPictureFormatObject : public CShapesPart {
 public:
  CPictureFormatObject(AppPtr app, PresentationPtr p, std::vector<ShapePtr> shapes)
      : CShapesPart(Table(), std::move(app), std::move(p), std::move(shapes)) {}
  CShape& Picture() {
    CShape& s = One();
    if (s.type != kMsoPicture) ThrowPpt(L"PictureFormat (unknown member) : Invalid request.  This member can only be accessed for a picture or OLE object.");
    return s;
  }
  static const CSimMemberTable& Table() {
    static CSimMemberTable table = [] {
      CSimMemberTable t(L"PictureFormat");
      using T = CPictureFormatObject;
      CSimTableBuilder<T>(t)
          .Prop(L"ColorType", [](T& o) { return CSimVariant::Int(o.Picture().pictureColorType); },
                [](T& o, const VARIANT& v) { o.Picture(); o.Edit([&](CShape& s) { s.pictureColorType = ToLong(v); }); })
          .Prop(L"Brightness", [](T& o) { return Single(o.Picture().brightness); },
                [](T& o, const VARIANT& v) {
                  double value = ToDouble(v);
                  if (value < 0 || value > 1) ThrowPpt(L"PictureFormat.Brightness : The specified value is out of range.");
                  o.Picture();
                  o.Edit([&](CShape& s) { s.brightness = value; });
                });
      return t;
    }();
    return table;
  }
};

// Members shared by Shape and ShapeRange: geometry, moves, formats, deletion.
template <class T>
void AddShapeMembers(CSimTableBuilder<T>& b) {
  b.Prop(L"Name", [](T& o) { return CSimVariant::Str(o.One().name); },
         // https://learn.microsoft.com/office/vba/api/powerpoint.shape.name: names set by code
         // need not be unique (Shapes.Item(name) then returns the first).
         [](T& o, const VARIANT& v) { o.Edit([&](CShape& s) { s.name = ToString(v); }); })
      .Get(L"Type", [](T& o) { return CSimVariant::Int(o.One().type); })
      .Prop(L"Left", [](T& o) { return Single(o.One().left); }, [](T& o, const VARIANT& v) { o.Edit([&](CShape& s) { s.left = ToDouble(v); }); })
      .Prop(L"Top", [](T& o) { return Single(o.One().top); }, [](T& o, const VARIANT& v) { o.Edit([&](CShape& s) { s.top = ToDouble(v); }); })
      .Prop(L"Width", [](T& o) { return Single(o.One().width); },
            [](T& o, const VARIANT& v) { o.Edit([&](CShape& s) { SetShapeWidth(s, ToDouble(v)); }); })
      .Prop(L"Height", [](T& o) { return Single(o.One().height); },
            [](T& o, const VARIANT& v) { o.Edit([&](CShape& s) { SetShapeHeight(s, ToDouble(v)); }); })
      .Prop(L"Rotation", [](T& o) { return Single(o.One().rotation); },
            [](T& o, const VARIANT& v) {
              double r = std::fmod(ToDouble(v), 360.0);
              o.Edit([&](CShape& s) { s.rotation = r < 0 ? r + 360.0 : r; });
            })
      .Prop(L"LockAspectRatio", [](T& o) { return Tri(o.One().lockAspectRatio); },
            [](T& o, const VARIANT& v) { o.Edit([&](CShape& s) { s.lockAspectRatio = TriArg(v); }); })
      .Method(L"IncrementLeft", {L"Increment"},
              [](T& o, const CSimArgs& a) { double d = a.Double(0); o.Edit([&](CShape& s) { s.left += d; }); return CSimVariant(); })
      .Method(L"IncrementTop", {L"Increment"},
              [](T& o, const CSimArgs& a) { double d = a.Double(0); o.Edit([&](CShape& s) { s.top += d; }); return CSimVariant(); })
      .Get(L"TextEffect", [](T& o) { WordArt(o); return DispResult(PartOf<CTextEffectObject>(o)); })
      // https://learn.microsoft.com/office/vba/api/powerpoint.shape.hastextframe and
      // https://learn.microsoft.com/previous-versions/office/developer/office-2010/ff763391(v=office.14)
      // ("use the HasTextFrame property to determine whether a shape contains a text frame
      // before you apply the TextFrame property"): TextFrame of a shape without one raises.
      .Get(L"HasTextFrame", [](T& o) { return Tri(HasTextFrame(o.One(), o.m_app->MajorVersion())); })
      .Get(L"TextFrame", [](T& o) {
        if (!HasTextFrame(o.One(), o.m_app->MajorVersion()))
          ThrowPpt(L"Shape.TextFrame : Invalid request.  This shape does not have a text frame.");
        return DispResult(PartOf<CTextFrameObject>(o));
      })
      .Get(L"Shadow", [](T& o) { return DispResult(PartOf<CShadowObject>(o)); })
      .Get(L"Fill", [](T& o) {
        CShape& s = o.One();
        return DispResult(MakeFillObject(o.m_app, o.m_p, o.m_shapes.front(), &s.fill));
      })
      .Get(L"PictureFormat", [](T& o) { return DispResult(PartOf<CPictureFormatObject>(o)); })
      // https://learn.microsoft.com/office/vba/api/powerpoint.shape.pickup and .apply: Apply
      // gives the shape the formatting PickUp copied (fill and shadow here). With nothing picked
      // up it raises: PowerPoint's page is silent (unverified); Publisher's Shape.Apply page
      // (https://learn.microsoft.com/previous-versions/office/developer/office-2007/aa437082(v=office.12))
      // says "if you do not first use the PickUp method ... an error occurs".
      .Method(L"PickUp", {}, [](T& o, const CSimArgs&) {
        o.m_app->State().pickedUp = std::make_shared<CShape>(o.One());
        return CSimVariant();
      })
      .Method(L"Apply", {}, [](T& o, const CSimArgs&) {
        o.Live();
        const auto picked = o.m_app->State().pickedUp;
        if (!picked) ThrowPpt(L"Shape.Apply : Invalid request.  No formatting has been picked up.");
        o.Edit([&](CShape& s) {
          s.fill = picked->fill;
          s.shadowTransparency = picked->shadowTransparency;
          s.shadowRgb = picked->shadowRgb;
        });
        return CSimVariant();
      })
      .Method(L"Delete", {}, [](T& o, const CSimArgs&) {
        for (const auto& s : std::vector<ShapePtr>(o.Live())) DeleteMasterShape(*o.m_p, s);
        return CSimVariant();
      });
}

class CShapeObject : public CShapesPart {
 public:
  CShapeObject(AppPtr app, PresentationPtr p, ShapePtr shape)
      : CShapesPart(Table(), std::move(app), std::move(p), {std::move(shape)}) {}
  static const CSimMemberTable& Table() {
    static CSimMemberTable table = [] {
      CSimMemberTable t(L"Shape");
      using T = CShapeObject;
      CSimTableBuilder<T> b(t);
      AddShapeMembers(b);
      b.Method(L"Select", {L"Replace"}, [](T& o, const CSimArgs& a) {
        SelectMasterShape(o.Pres(), o.Live().front(), a.Int(0, kMsoTrue) != 0);
        return CSimVariant();
      });
      return t;
    }();
    return table;
  }
};

class CShapeRangeObject : public CShapesPart {
 public:
  CShapeRangeObject(AppPtr app, PresentationPtr p, std::vector<ShapePtr> shapes)
      : CShapesPart(Table(), std::move(app), std::move(p), std::move(shapes)) {}
  static const CSimMemberTable& Table() {
    static CSimMemberTable table = [] {
      CSimMemberTable t(L"ShapeRange");
      using T = CShapeRangeObject;
      CSimTableBuilder<T> b(t);
      AddShapeMembers(b);
      b.Get(L"Count", [](T& o) { return CSimVariant::Int(static_cast<long>(o.Live().size())); });
      return t;
    }();
    return table;
  }
};

class CMasterShapesObject : public CPptObject {
 public:
  CMasterShapesObject(AppPtr app, PresentationPtr p, DesignPtr design)
      : CPptObject(Table(), std::move(app), std::move(p)), m_design(std::move(design)) {}
  std::vector<ShapePtr>& List() {
    Pres();
    return m_design->masterShapes;
  }
  static const CSimMemberTable& Table() {
    static CSimMemberTable table = [] {
      CSimMemberTable t(L"Shapes");
      using T = CMasterShapesObject;
      CSimTableBuilder<T>(t)
          .Get(L"Count", [](T& o) { return CSimVariant::Int(static_cast<long>(o.List().size())); })
          // https://learn.microsoft.com/office/vba/api/powerpoint.shapes.item: an index or a
          // name; with repeated names the first shape of that name.
          .Method(L"Item", {L"Index"},
                  [](T& o, const CSimArgs& args) {
                    return DispResult(MakeShapeObject(o.m_app, o.m_p, NamedItem(L"Shapes", args, o.List())));
                  })
          // https://learn.microsoft.com/office/vba/api/powerpoint.shapes.addtexteffect:
          // AddTextEffect(PresetTextEffect, Text, FontName, FontSize, FontBold, FontItalic, Left, Top).
          .Method(L"AddTextEffect", {L"PresetTextEffect", L"Text", L"FontName", L"FontSize", L"FontBold", L"FontItalic", L"Left", L"Top"},
                  [](T& o, const CSimArgs& a) {
                    auto s = AddTextEffect(o.Pres(), *o.m_design, a.Int(0), a.Str(1), a.Str(2), a.Double(3), a.Int(4) != 0, a.Int(5) != 0,
                                           a.Double(6), a.Double(7));
                    return DispResult(MakeShapeObject(o.m_app, o.m_p, s));
                  })
          .Default(L"Item");
      return t;
    }();
    return table;
  }
  DesignPtr m_design;
};

class CFillObject : public CPptObject {
 public:
  CFillObject(AppPtr app, PresentationPtr p, std::shared_ptr<void> owner, FillAccess fill)
      : CPptObject(Table(), std::move(app), std::move(p)), m_owner(std::move(owner)), m_fill(std::move(fill)) {}
  const CFill& Read() {
    Pres();
    return *m_fill(false);
  }
  template <class F>
  void Edit(F change) {
    Pres();
    change(*m_fill(true));
    MarkChanged(*m_p);
  }
  static const CSimMemberTable& Table() {
    static CSimMemberTable table = [] {
      CSimMemberTable t(L"FillFormat");
      using T = CFillObject;
      CSimTableBuilder<T>(t)
          .Prop(L"Visible", [](T& o) { return Tri(o.Read().visible); },
                [](T& o, const VARIANT& v) { o.Edit([&](CFill& f) { f.visible = TriArg(v); }); })
          // https://learn.microsoft.com/office/vba/api/powerpoint.fillformat.transparency: 0.0 to 1.0.
          .Prop(L"Transparency", [](T& o) { return Single(o.Read().transparency); },
                [](T& o, const VARIANT& v) {
                  double value = ToDouble(v);
                  if (value < 0 || value > 1) ThrowPpt(L"FillFormat.Transparency : The specified value is out of range.");
                  o.Edit([&](CFill& f) { f.transparency = value; });
                })
          .Get(L"ForeColor", [](T& o) {
            o.Read();
            FillAccess fill = o.m_fill;
            return DispResult(MakeColorObject(o.m_app, o.m_p, o.m_owner, [fill](bool forWrite) {
              CFill* f = fill(forWrite);
              return CColorRef{&f->foreRgb, &f->schemeColor};
            }));
          })
          .Method(L"Solid", {}, [](T& o, const CSimArgs&) { o.Edit([&](CFill& f) { f.solid = true; }); return CSimVariant(); });
      return t;
    }();
    return table;
  }
  std::shared_ptr<void> m_owner;  // keeps the shape or slide holding the fill alive
  FillAccess m_fill;
};

class CColorObject : public CPptObject {
 public:
  CColorObject(AppPtr app, PresentationPtr p, std::shared_ptr<void> owner, ColorAccess color)
      : CPptObject(Table(), std::move(app), std::move(p)), m_owner(std::move(owner)), m_color(std::move(color)) {}
  CColorRef Read() {
    Pres();
    return m_color(false);
  }
  CColorRef Write() {
    Pres();
    CColorRef c = m_color(true);
    MarkChanged(*m_p);
    return c;
  }
  static const CSimMemberTable& Table() {
    static CSimMemberTable table = [] {
      CSimMemberTable t(L"ColorFormat");
      using T = CColorObject;
      CSimTableBuilder<T>(t)
          .Prop(L"RGB", [](T& o) { return CSimVariant::Int(*o.Read().rgb); },
                [](T& o, const VARIANT& v) {
                  long rgb = ToLong(v);
                  if (rgb < 0 || rgb > 0xFFFFFF) ThrowPpt(L"ColorFormat.RGB : The specified value is out of range.");
                  CColorRef c = o.Write();
                  *c.rgb = rgb;
                  if (c.scheme) *c.scheme = 0;
                })
          // https://learn.microsoft.com/office/vba/api/powerpoint.colorformat.schemecolor:
          // PpColorSchemeIndex 1 (ppBackground) to 8.
          .Prop(L"SchemeColor", [](T& o) { CColorRef c = o.Read(); return CSimVariant::Int(c.scheme ? *c.scheme : 0); },
                [](T& o, const VARIANT& v) {
                  long index = ToLong(v);
                  if (!o.Read().scheme || index < 1 || index > 8) ThrowPpt(L"ColorFormat.SchemeColor : The specified value is out of range.");
                  CColorRef c = o.Write();
                  *c.scheme = index;
                  if (index == 1) *c.rgb = 0xFFFFFF;  // the default scheme's background is white
                })
          .Default(L"RGB");
      return t;
    }();
    return table;
  }
  std::shared_ptr<void> m_owner;
  ColorAccess m_color;
};

}  // namespace

DispPtr MakeShapeObject(AppPtr app, PresentationPtr p, ShapePtr shape) {
  return MakeSim<CShapeObject>(std::move(app), std::move(p), std::move(shape));
}
DispPtr MakeMasterShapesObject(AppPtr app, PresentationPtr p, DesignPtr design) {
  return MakeSim<CMasterShapesObject>(std::move(app), std::move(p), std::move(design));
}
DispPtr MakeShapeRangeObject(AppPtr app, PresentationPtr p, std::vector<ShapePtr> shapes) {
  return MakeSim<CShapeRangeObject>(std::move(app), std::move(p), std::move(shapes));
}
DispPtr MakeFillObject(AppPtr app, PresentationPtr p, std::shared_ptr<void> owner, FillAccess fill) {
  return MakeSim<CFillObject>(std::move(app), std::move(p), std::move(owner), std::move(fill));
}
DispPtr MakeFillObject(AppPtr app, PresentationPtr p, std::shared_ptr<void> owner, CFill* fill) {
  return MakeFillObject(std::move(app), std::move(p), std::move(owner), [fill](bool) { return fill; });
}
DispPtr MakeColorObject(AppPtr app, PresentationPtr p, std::shared_ptr<void> owner, ColorAccess color) {
  return MakeSim<CColorObject>(std::move(app), std::move(p), std::move(owner), std::move(color));
}
DispPtr MakeColorObject(AppPtr app, PresentationPtr p, std::shared_ptr<void> owner, long* rgb, long* scheme) {
  return MakeColorObject(std::move(app), std::move(p), std::move(owner), [rgb, scheme](bool) { return CColorRef{rgb, scheme}; });
}

}  // namespace kalsim::ppt
