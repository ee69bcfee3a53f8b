// Word's Shapes and Shape objects with the formatting objects the add-in styles
// (TextEffect, LineFormat, FillFormat, ColorFormat, WrapFormat). Every change goes through
// the document's edit rules: refused under protection, marks the document unsaved.
#include "sim/engine/sim_error.h"
#include "sim/word/word_objects.h"

namespace kalsim::word {

namespace {

// Base of the objects that present one shape.
class CShapePart : public CWordObject {
 public:
  CShapePart(const CSimMemberTable& table, AppPtr app, std::shared_ptr<CDocument> doc, std::shared_ptr<CShape> shape)
      : CWordObject(table, std::move(app), std::move(doc)), m_shape(std::move(shape)) {}
  CShape& Live() {
    Doc();
    if (m_shape->deleted) ThrowOffice(5825, L"Object has been deleted.");
    return *m_shape;
  }
  template <class F>
  void Edit(F change) {
    CShape& s = Live();
    RequireEditable(Doc());
    change(s);
    MarkChanged(Doc());
  }
  CShape& TextEffectShape() {
    CShape& s = Live();
    if (s.type != L"textEffect") ThrowOffice(4605, L"This member can only be accessed for a WordArt object.");
    return s;
  }
  std::shared_ptr<CShape> m_shape;
};

template <class T>
DispPtr Part(CShapePart& o) {
  o.Live();
  return MakeSim<T>(o.m_app, o.m_doc, o.m_shape);
}

CSimVariant Tri(bool value) { return CSimVariant::Int(value ? kMsoTrue : kMsoFalse); }
CSimVariant Single(double value) { return CSimVariant::Float(static_cast<float>(value)); }

class CTextEffectObject : public CShapePart {
 public:
  CTextEffectObject(AppPtr app, std::shared_ptr<CDocument> doc, std::shared_ptr<CShape> shape)
      : CShapePart(Table(), std::move(app), std::move(doc), std::move(shape)) {}
  static const CSimMemberTable& Table() {
    static CSimMemberTable table = [] {
      CSimMemberTable t(L"TextEffectFormat");
      using T = CTextEffectObject;
      CSimTableBuilder<T>(t)
          .Prop(L"Text", [](T& o) { return CSimVariant::Str(TextEffectReadBack(o.App().State(), o.TextEffectShape().text)); },
                [](T& o, const VARIANT& v) { o.Edit([&](CShape& s) { s.text = ToString(v); }); })
          .Prop(L"FontName", [](T& o) { return CSimVariant::Str(o.TextEffectShape().fontName); },
                [](T& o, const VARIANT& v) { o.Edit([&](CShape& s) { s.fontName = ToString(v); }); })
          .Prop(L"FontSize", [](T& o) { return Single(o.TextEffectShape().fontSize); },
                [](T& o, const VARIANT& v) {
                  double size = ToDouble(v);
                  if (size <= 0 || size > 1638) ThrowOffice(4608, L"Value out of range.");
                  o.Edit([&](CShape& s) { s.fontSize = size; });
                })
          .Prop(L"FontBold", [](T& o) { return Tri(o.TextEffectShape().fontBold); },
                [](T& o, const VARIANT& v) { o.Edit([&](CShape& s) { s.fontBold = ToLong(v) != 0; }); })
          .Prop(L"FontItalic", [](T& o) { return Tri(o.TextEffectShape().fontItalic); },
                [](T& o, const VARIANT& v) { o.Edit([&](CShape& s) { s.fontItalic = ToLong(v) != 0; }); })
          .Prop(L"NormalizedHeight", [](T& o) { return Tri(o.TextEffectShape().normalizedHeight); },
                [](T& o, const VARIANT& v) { o.Edit([&](CShape& s) { s.normalizedHeight = ToLong(v) != 0; }); })
          .Prop(L"PresetTextEffect", [](T& o) { return CSimVariant::Int(o.TextEffectShape().presetTextEffect); },
                [](T& o, const VARIANT& v) { o.Edit([&](CShape& s) { s.presetTextEffect = ToLong(v); }); });
      return t;
    }();
    return table;
  }
};

class CLineObject : public CShapePart {
 public:
  CLineObject(AppPtr app, std::shared_ptr<CDocument> doc, std::shared_ptr<CShape> shape)
      : CShapePart(Table(), std::move(app), std::move(doc), std::move(shape)) {}
  static const CSimMemberTable& Table() {
    static CSimMemberTable table = [] {
      CSimMemberTable t(L"LineFormat");
      using T = CLineObject;
      CSimTableBuilder<T>(t).Prop(
          L"Visible", [](T& o) { return Tri(o.Live().lineVisible); },
          [](T& o, const VARIANT& v) { o.Edit([&](CShape& s) { s.lineVisible = ToLong(v) != 0; }); });
      return t;
    }();
    return table;
  }
};

class CColorObject : public CShapePart {
 public:
  CColorObject(AppPtr app, std::shared_ptr<CDocument> doc, std::shared_ptr<CShape> shape)
      : CShapePart(Table(), std::move(app), std::move(doc), std::move(shape)) {}
  static const CSimMemberTable& Table() {
    static CSimMemberTable table = [] {
      CSimMemberTable t(L"ColorFormat");
      using T = CColorObject;
      CSimTableBuilder<T>(t)
          .Prop(L"RGB", [](T& o) { return CSimVariant::Int(o.Live().foreColor); },
                [](T& o, const VARIANT& v) {
                  long rgb = ToLong(v);
                  if (rgb < 0 || rgb > 0xFFFFFF) ThrowOffice(4608, L"Value out of range.");
                  o.Edit([&](CShape& s) { s.foreColor = rgb; });
                })
          .Default(L"RGB");
      return t;
    }();
    return table;
  }
};

class CFillObject : public CShapePart {
 public:
  CFillObject(AppPtr app, std::shared_ptr<CDocument> doc, std::shared_ptr<CShape> shape)
      : CShapePart(Table(), std::move(app), std::move(doc), std::move(shape)) {}
  static const CSimMemberTable& Table() {
    static CSimMemberTable table = [] {
      CSimMemberTable t(L"FillFormat");
      using T = CFillObject;
      CSimTableBuilder<T>(t)
          .Prop(L"Visible", [](T& o) { return Tri(o.Live().fillVisible); },
                [](T& o, const VARIANT& v) { o.Edit([&](CShape& s) { s.fillVisible = ToLong(v) != 0; }); })
          .Prop(L"Transparency", [](T& o) { return Single(o.Live().fillTransparency); },
                [](T& o, const VARIANT& v) {
                  double t = ToDouble(v);
                  if (t < 0.0 || t > 1.0) ThrowOffice(4608, L"Value out of range.");
                  o.Edit([&](CShape& s) { s.fillTransparency = t; });
                })
          .Get(L"ForeColor", [](T& o) { return CSimVariant::Disp(Part<CColorObject>(o).Get()); })
          .Method(L"Solid", {}, [](T& o, const CSimArgs&) {
            o.Edit([](CShape& s) { s.fillSolid = true; });
            return CSimVariant();
          });
      return t;
    }();
    return table;
  }
};

class CWrapObject : public CShapePart {
 public:
  CWrapObject(AppPtr app, std::shared_ptr<CDocument> doc, std::shared_ptr<CShape> shape)
      : CShapePart(Table(), std::move(app), std::move(doc), std::move(shape)) {}
  static const CSimMemberTable& Table() {
    static CSimMemberTable table = [] {
      CSimMemberTable t(L"WrapFormat");
      using T = CWrapObject;
      CSimTableBuilder<T>(t)
          .Prop(L"Side", [](T& o) { return CSimVariant::Int(o.Live().wrapSide); },
                [](T& o, const VARIANT& v) { o.Edit([&](CShape& s) { s.wrapSide = ToLong(v); }); })
          .Prop(L"Type", [](T& o) { return CSimVariant::Int(o.Live().wrapType); },
                [](T& o, const VARIANT& v) { o.Edit([&](CShape& s) { s.wrapType = ToLong(v); }); })
          .Prop(L"AllowOverlap", [](T& o) { return Tri(o.Live().allowOverlap); },
                [](T& o, const VARIANT& v) { o.Edit([&](CShape& s) { s.allowOverlap = ToLong(v) != 0; }); });
      return t;
    }();
    return table;
  }
};

class CShapeObject : public CShapePart {
 public:
  CShapeObject(AppPtr app, std::shared_ptr<CDocument> doc, std::shared_ptr<CShape> shape)
      : CShapePart(Table(), std::move(app), std::move(doc), std::move(shape)) {}
  static const CSimMemberTable& Table() {
    static CSimMemberTable table = [] {
      CSimMemberTable t(L"Shape");
      using T = CShapeObject;
      auto number = [](double CShape::*field) {
        return std::make_pair([field](T& o) { return Single(o.Live().*field); },
                              [field](T& o, const VARIANT& v) {
                                double d = ToDouble(v);
                                o.Edit([&](CShape& s) { s.*field = d; });
                              });
      };
      auto left = number(&CShape::left);
      auto top = number(&CShape::top);
      auto width = number(&CShape::width);
      auto height = number(&CShape::height);
      auto rotation = number(&CShape::rotation);
      CSimTableBuilder<T>(t)
          .Prop(L"Name", [](T& o) { return CSimVariant::Str(o.Live().name); },
                [](T& o, const VARIANT& v) {
                  std::wstring name = ToString(v);
                  if (name.empty() || name.size() > 255) ThrowOffice(4608, L"Value out of range.");
                  o.Edit([&](CShape& s) { s.name = name; });
                })
          .Get(L"Type",
               [](T& o) {
                 const std::wstring& type = o.Live().type;
                 return CSimVariant::Int(type == L"textEffect" ? 15 : type == L"picture" ? 13 : 1);
               })
          .Get(L"TextEffect", [](T& o) { return CSimVariant::Disp(Part<CTextEffectObject>(o).Get()); })
          .Get(L"Line", [](T& o) { return CSimVariant::Disp(Part<CLineObject>(o).Get()); })
          .Get(L"Fill", [](T& o) { return CSimVariant::Disp(Part<CFillObject>(o).Get()); })
          .Get(L"WrapFormat", [](T& o) { return CSimVariant::Disp(Part<CWrapObject>(o).Get()); })
          .Prop(L"Rotation", rotation.first, rotation.second)
          .Prop(L"Left", left.first, left.second)
          .Prop(L"Top", top.first, top.second)
          .Prop(L"Width", width.first, width.second)
          .Prop(L"Height", height.first, height.second)
          .Prop(L"LockAspectRatio", [](T& o) { return Tri(o.Live().lockAspectRatio); },
                [](T& o, const VARIANT& v) { o.Edit([&](CShape& s) { s.lockAspectRatio = ToLong(v) != 0; }); })
          .Prop(L"RelativeHorizontalPosition", [](T& o) { return CSimVariant::Int(o.Live().relativeHorizontalPosition); },
                [](T& o, const VARIANT& v) { o.Edit([&](CShape& s) { s.relativeHorizontalPosition = ToLong(v); }); })
          .Prop(L"RelativeVerticalPosition", [](T& o) { return CSimVariant::Int(o.Live().relativeVerticalPosition); },
                [](T& o, const VARIANT& v) { o.Edit([&](CShape& s) { s.relativeVerticalPosition = ToLong(v); }); })
          .Method(L"Select", {L"Replace"},
                  [](T& o, const CSimArgs&) {
                    o.Live();
                    SelectShape(o.Doc(), o.m_shape);
                    return CSimVariant();
                  })
          .Method(L"Delete", {}, [](T& o, const CSimArgs&) {
            o.Live();
            DeleteShape(o.Doc(), o.m_shape);
            return CSimVariant();
          });
      return t;
    }();
    return table;
  }
};

// HeaderFooter.Shapes (https://learn.microsoft.com/office/vba/api/word.headerfooter.shapes):
// "When applied to a HeaderFooter object, the Shapes property returns all the Shape objects
// found in all the headers and footers in the document", whichever header or footer (or
// Selection.HeaderFooter) it is read from. Count, Item and deletion therefore span every
// header and footer story; each shape still lives in one story. Order: section by section,
// and within a section primary, first-page and even-pages header, each followed by its
// footer; linked stories once (unverified: the reference gives no order).
class CShapesObject : public CWordObject {
 public:
  CShapesObject(AppPtr app, std::shared_ptr<CDocument> doc, std::shared_ptr<CStory> story)
      : CWordObject(Table(), std::move(app), std::move(doc)), m_story(std::move(story)) {}
  std::vector<std::shared_ptr<CShape>> List() {
    std::vector<std::shared_ptr<CShape>> all;
    for (const auto& story : AllStories(Doc())) all.insert(all.end(), story->shapes.begin(), story->shapes.end());
    return all;
  }
  static const CSimMemberTable& Table() {
    static CSimMemberTable table = [] {
      CSimMemberTable t(L"Shapes");
      using T = CShapesObject;
      CSimTableBuilder<T>(t)
          .Get(L"Count", [](T& o) { return CSimVariant::Int(static_cast<long>(o.List().size())); })
          .Method(L"Item", {L"Index"},
                  [](T& o, const CSimArgs& a) {
                    const auto shapes = o.List();
                    const VARIANT* raw = a.Raw(0);
                    if (!raw) throw CSimError(DISP_E_PARAMNOTFOUND);
                    CSimVariant index = CSimVariant::Copy(*raw);
                    if (index.Type() == VT_BSTR) {
                      std::wstring name = ToString(index.Get());
                      for (const auto& s : shapes)
                        if (s->name == name) return CSimVariant::Disp(MakeShapeObject(o.m_app, o.m_doc, s).Get());
                      ThrowOffice(5941, L"The requested member of the collection does not exist.");
                    }
                    long i = a.Int(0);
                    if (i < 1 || static_cast<size_t>(i) > shapes.size()) ThrowBadIndex();
                    return CSimVariant::Disp(MakeShapeObject(o.m_app, o.m_doc, shapes[static_cast<size_t>(i - 1)]).Get());
                  })
          .Method(L"AddTextEffect",
                  {L"PresetTextEffect", L"Text", L"FontName", L"FontSize", L"FontBold", L"FontItalic", L"Left",
                   L"Top", L"Anchor"},
                  [](T& o, const CSimArgs& a) {
                    // The simulator's choice: without an anchor the shape goes into the story
                    // of the header or footer whose Shapes was called, the one story the
                    // caller named (the reference says only that an omitted anchor lets Word
                    // choose). A given anchor is not modelled and is refused.
                    if (a.Has(8) && a.Raw(8)->vt != VT_EMPTY)
                      throw CSimError(E_NOTIMPL, L"An anchor range is not supported by the simulator.");
                    auto shape = AddTextEffect(o.Doc(), *o.m_story, a.Int(0), a.Str(1), a.Str(2), a.Double(3),
                                               a.Int(4) != 0, a.Int(5) != 0, a.Double(6), a.Double(7));
                    return CSimVariant::Disp(MakeShapeObject(o.m_app, o.m_doc, shape).Get());
                  })
          .Default(L"Item");
      return t;
    }();
    return table;
  }
  std::shared_ptr<CStory> m_story;
};

}  // namespace

DispPtr MakeHeaderShapesObject(AppPtr app, std::shared_ptr<CDocument> doc, std::shared_ptr<CStory> story) {
  return MakeSim<CShapesObject>(std::move(app), std::move(doc), std::move(story));
}
DispPtr MakeShapeObject(AppPtr app, std::shared_ptr<CDocument> doc, std::shared_ptr<CShape> shape) {
  return MakeSim<CShapeObject>(std::move(app), std::move(doc), std::move(shape));
}

}  // namespace kalsim::word
