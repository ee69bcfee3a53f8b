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
      .Get(L"TextFrame", [](T& o) { return DispResult(PartOf<CTextFrameObject>(o)); })
      .Get(L"Shadow", [](T& o) { return DispResult(PartOf<CShadowObject>(o)); })
      .Get(L"Fill", [](T& o) {
        CShape& s = o.One();
        return DispResult(MakeFillObject(o.m_app, o.m_p, o.m_shapes.front(), &s.fill));
      })
      .Get(L"PictureFormat", [](T& o) { return DispResult(PartOf<CPictureFormatObject>(o)); })
      // https://learn.microsoft.com/office/vba/api/powerpoint.shape.apply: applies the
      // formatting picked up with PickUp; nothing picked up changes nothing (unverified).
      .Method(L"Apply", {}, [](T& o, const CSimArgs&) { o.Live(); return CSimVariant(); })
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
  CMasterShapesObject(AppPtr app, PresentationPtr p) : CPptObject(Table(), std::move(app), std::move(p)) {}
  static const CSimMemberTable& Table() {
    static CSimMemberTable table = [] {
      CSimMemberTable t(L"Shapes");
      using T = CMasterShapesObject;
      CSimTableBuilder<T>(t)
          .Get(L"Count", [](T& o) { return CSimVariant::Int(static_cast<long>(o.Pres().masterShapes.size())); })
          // https://learn.microsoft.com/office/vba/api/powerpoint.shapes.item: an index or a
          // name; with repeated names the first shape of that name.
          .Method(L"Item", {L"Index"},
                  [](T& o, const CSimArgs& args) {
                    auto& list = o.Pres().masterShapes;
                    const VARIANT* index = args.Raw(0);
                    if (index && (index->vt == VT_BSTR || index->vt == (VT_BSTR | VT_BYREF))) {
                      const std::wstring name = args.Str(0);
                      for (const auto& s : list)
                        if (s->name == name) return DispResult(MakeShapeObject(o.m_app, o.m_p, s));
                      ThrowPpt(L"Shapes.Item : Item " + name + L" not found in the Shapes collection.");
                    }
                    long i = args.Int(0);
                    if (i < 1 || static_cast<size_t>(i) > list.size())
                      ThrowPpt(L"Shapes.Item : Integer out of range. " + std::to_wstring(i) + L" is not in the valid range of 1 to " +
                               std::to_wstring(list.size()) + L".");
                    return DispResult(MakeShapeObject(o.m_app, o.m_p, list[i - 1]));
                  })
          // https://learn.microsoft.com/office/vba/api/powerpoint.shapes.addtexteffect:
          // AddTextEffect(PresetTextEffect, Text, FontName, FontSize, FontBold, FontItalic, Left, Top).
          .Method(L"AddTextEffect", {L"PresetTextEffect", L"Text", L"FontName", L"FontSize", L"FontBold", L"FontItalic", L"Left", L"Top"},
                  [](T& o, const CSimArgs& a) {
                    auto s = AddTextEffect(o.Pres(), a.Int(0), a.Str(1), a.Str(2), a.Double(3), a.Int(4) != 0, a.Int(5) != 0,
                                           a.Double(6), a.Double(7));
                    return DispResult(MakeShapeObject(o.m_app, o.m_p, s));
                  })
          .Default(L"Item");
      return t;
    }();
    return table;
  }
};

class CFillObject : public CPptObject {
 public:
  CFillObject(AppPtr app, PresentationPtr p, std::shared_ptr<void> owner, CFill* fill)
      : CPptObject(Table(), std::move(app), std::move(p)), m_owner(std::move(owner)), m_fill(fill) {}
  template <class F>
  void Edit(F change) {
    Pres();
    change(*m_fill);
    MarkChanged(*m_p);
  }
  static const CSimMemberTable& Table() {
    static CSimMemberTable table = [] {
      CSimMemberTable t(L"FillFormat");
      using T = CFillObject;
      CSimTableBuilder<T>(t)
          .Prop(L"Visible", [](T& o) { o.Pres(); return Tri(o.m_fill->visible); },
                [](T& o, const VARIANT& v) { o.Edit([&](CFill& f) { f.visible = TriArg(v); }); })
          // https://learn.microsoft.com/office/vba/api/powerpoint.fillformat.transparency: 0.0 to 1.0.
          .Prop(L"Transparency", [](T& o) { o.Pres(); return Single(o.m_fill->transparency); },
                [](T& o, const VARIANT& v) {
                  double value = ToDouble(v);
                  if (value < 0 || value > 1) ThrowPpt(L"FillFormat.Transparency : The specified value is out of range.");
                  o.Edit([&](CFill& f) { f.transparency = value; });
                })
          .Get(L"ForeColor", [](T& o) {
            o.Pres();
            return DispResult(MakeColorObject(o.m_app, o.m_p, o.m_owner, &o.m_fill->foreRgb, &o.m_fill->schemeColor));
          })
          .Method(L"Solid", {}, [](T& o, const CSimArgs&) { o.Edit([&](CFill& f) { f.solid = true; }); return CSimVariant(); });
      return t;
    }();
    return table;
  }
  std::shared_ptr<void> m_owner;  // keeps the shape or slide holding the fill alive
  CFill* m_fill;
};

class CColorObject : public CPptObject {
 public:
  CColorObject(AppPtr app, PresentationPtr p, std::shared_ptr<void> owner, long* rgb, long* scheme)
      : CPptObject(Table(), std::move(app), std::move(p)), m_owner(std::move(owner)), m_rgb(rgb), m_scheme(scheme) {}
  static const CSimMemberTable& Table() {
    static CSimMemberTable table = [] {
      CSimMemberTable t(L"ColorFormat");
      using T = CColorObject;
      CSimTableBuilder<T>(t)
          .Prop(L"RGB", [](T& o) { o.Pres(); return CSimVariant::Int(*o.m_rgb); },
                [](T& o, const VARIANT& v) {
                  long rgb = ToLong(v);
                  if (rgb < 0 || rgb > 0xFFFFFF) ThrowPpt(L"ColorFormat.RGB : The specified value is out of range.");
                  o.Pres();
                  *o.m_rgb = rgb;
                  if (o.m_scheme) *o.m_scheme = 0;
                  MarkChanged(*o.m_p);
                })
          // https://learn.microsoft.com/office/vba/api/powerpoint.colorformat.schemecolor:
          // PpColorSchemeIndex 1 (ppBackground) to 8.
          .Prop(L"SchemeColor", [](T& o) { o.Pres(); return CSimVariant::Int(o.m_scheme ? *o.m_scheme : 0); },
                [](T& o, const VARIANT& v) {
                  long index = ToLong(v);
                  if (!o.m_scheme || index < 1 || index > 8) ThrowPpt(L"ColorFormat.SchemeColor : The specified value is out of range.");
                  o.Pres();
                  *o.m_scheme = index;
                  if (index == 1) *o.m_rgb = 0xFFFFFF;  // the default scheme's background is white
                  MarkChanged(*o.m_p);
                })
          .Default(L"RGB");
      return t;
    }();
    return table;
  }
  std::shared_ptr<void> m_owner;
  long* m_rgb;
  long* m_scheme;
};

}  // namespace

DispPtr MakeShapeObject(AppPtr app, PresentationPtr p, ShapePtr shape) {
  return MakeSim<CShapeObject>(std::move(app), std::move(p), std::move(shape));
}
DispPtr MakeMasterShapesObject(AppPtr app, PresentationPtr p) { return MakeSim<CMasterShapesObject>(std::move(app), std::move(p)); }
DispPtr MakeShapeRangeObject(AppPtr app, PresentationPtr p, std::vector<ShapePtr> shapes) {
  return MakeSim<CShapeRangeObject>(std::move(app), std::move(p), std::move(shapes));
}
DispPtr MakeFillObject(AppPtr app, PresentationPtr p, std::shared_ptr<void> owner, CFill* fill) {
  return MakeSim<CFillObject>(std::move(app), std::move(p), std::move(owner), fill);
}
DispPtr MakeColorObject(AppPtr app, PresentationPtr p, std::shared_ptr<void> owner, long* rgb, long* scheme) {
  return MakeSim<CColorObject>(std::move(app), std::move(p), std::move(owner), rgb, scheme);
}

}  // namespace kalsim::ppt
