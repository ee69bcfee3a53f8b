// Word's Window, Pane, View and Selection (one window and one pane per document), and the
// application's Options and Normal template.
#include "sim/engine/sim_error.h"
#include "sim/word/word_objects.h"

namespace kalsim::word {

namespace {

CSection& SelectedSection(CDocument& doc) {
  if (doc.sections.empty()) ThrowOffice(4605, L"This method or property is not available.");
  doc.selection.section = std::max(1, std::min(doc.selection.section, static_cast<int>(doc.sections.size())));
  return *doc.sections[static_cast<size_t>(doc.selection.section - 1)];
}

class CViewObject : public CWordObject {
 public:
  CViewObject(AppPtr app, std::shared_ptr<CDocument> doc) : CWordObject(Table(), std::move(app), std::move(doc)) {}
  static const CSimMemberTable& Table() {
    static CSimMemberTable table = [] {
      CSimMemberTable t(L"View");
      using T = CViewObject;
      CSimTableBuilder<T>(t)
          .Prop(L"Type", [](T& o) { return CSimVariant::Int(o.Doc().viewType); },
                [](T& o, const VARIANT& v) {
                  long type = ToLong(v);
                  if (type < 1 || type > 7) ThrowOffice(5843, L"One of the values passed to this method or property is out of range.");
                  CDocument& doc = o.Doc();
                  // Header and footer views exist in print layout only: another view shows the
                  // body (unverified: the reference does not say where the selection goes).
                  if (type != kViewPrint && doc.seekView != kSeekMain) o.LeaveHeader(doc);
                  doc.viewType = type;
                })
          .Prop(L"SeekView", [](T& o) { return CSimVariant::Int(o.PrintLayout().seekView); },
                [](T& o, const VARIANT& v) { o.Seek(ToLong(v)); })
          .Prop(L"SplitSpecial", [](T& o) { return CSimVariant::Int(o.Doc().splitSpecial); },
                [](T& o, const VARIANT& v) { o.Doc().splitSpecial = ToLong(v); });
      return t;
    }();
    return table;
  }
  // View.SeekView (https://learn.microsoft.com/office/vba/api/word.view.seekview): "This
  // property generates an error if the view is not print layout view", reading and setting
  // alike. Word's error number and text here are unverified.
  CDocument& PrintLayout() {
    CDocument& doc = Doc();
    if (doc.viewType != kViewPrint)
      ThrowOffice(4605, L"This method or property is not available because the current view is not print layout view.");
    return doc;
  }
  static void LeaveHeader(CDocument& doc) {
    doc.seekView = kSeekMain;
    doc.selection.story = kSeekMain;
    doc.selection.shape.reset();
    doc.selection.start = doc.selection.end = 0;
  }
  void Seek(long value) {
    CDocument& doc = PrintLayout();
    if (value < kSeekMain || value > kSeekCurrentPageFooter || value == 7 || value == 8)
      ThrowOffice(5894, L"The view cannot be changed to this seek view.");
    SelectedSection(doc);
    long seek = ResolveSeek(doc, doc.selection.section, value);
    doc.selection.story = seek;
    doc.selection.shape.reset();
    doc.selection.start = doc.selection.end = 0;
    doc.seekView = seek;
  }
};

class CPaneObject : public CWordObject {
 public:
  CPaneObject(AppPtr app, std::shared_ptr<CDocument> doc) : CWordObject(Table(), std::move(app), std::move(doc)) {}
  static const CSimMemberTable& Table() {
    static CSimMemberTable table = [] {
      CSimMemberTable t(L"Pane");
      using T = CPaneObject;
      CSimTableBuilder<T>(t)
          .Get(L"View", [](T& o) { o.Doc(); return CSimVariant::Disp(MakeViewObject(o.m_app, o.m_doc).Get()); })
          .Get(L"Selection", [](T& o) { o.Doc(); return CSimVariant::Disp(MakeSelectionObject(o.m_app, o.m_doc).Get()); })
          .Get(L"Document", [](T& o) { o.Doc(); return CSimVariant::Disp(o.App().DocumentObject(o.m_doc).Get()); });
      return t;
    }();
    return table;
  }
};

class CWindowObject : public CWordObject {
 public:
  CWindowObject(AppPtr app, std::shared_ptr<CDocument> doc) : CWordObject(Table(), std::move(app), std::move(doc)) {}
  static const CSimMemberTable& Table() {
    static CSimMemberTable table = [] {
      CSimMemberTable t(L"Window");
      using T = CWindowObject;
      CSimTableBuilder<T>(t)
          .Get(L"View", [](T& o) { o.Doc(); return CSimVariant::Disp(MakeViewObject(o.m_app, o.m_doc).Get()); })
          .Get(L"ActivePane", [](T& o) { o.Doc(); return CSimVariant::Disp(MakePaneObject(o.m_app, o.m_doc).Get()); })
          .Get(L"Selection", [](T& o) { o.Doc(); return CSimVariant::Disp(MakeSelectionObject(o.m_app, o.m_doc).Get()); })
          .Get(L"Document", [](T& o) { o.Doc(); return CSimVariant::Disp(o.App().DocumentObject(o.m_doc).Get()); })
          .Get(L"Caption", [](T& o) { return CSimVariant::Str(o.Doc().name + L" - Word"); })
          .Method(L"Activate", {}, [](T& o, const CSimArgs&) {
            o.Doc();
            o.App().ActivateDocument(o.m_doc);
            return CSimVariant();
          });
      return t;
    }();
    return table;
  }
};

class CSelectionObject : public CWordObject {
 public:
  CSelectionObject(AppPtr app, std::shared_ptr<CDocument> doc) : CWordObject(Table(), std::move(app), std::move(doc)) {}
  static const CSimMemberTable& Table() {
    static CSimMemberTable table = [] {
      CSimMemberTable t(L"Selection");
      using T = CSelectionObject;
      CSimTableBuilder<T>(t)
          .Get(L"HeaderFooter",
               [](T& o) {
                 CDocument& doc = o.Doc();
                 SelectedSection(doc);
                 long story = doc.selection.story;
                 if (story < kSeekPrimaryHeader || story > kSeekEvenPagesFooter)
                   ThrowOffice(4605, L"This method or property is not available because the object does not refer to a header or footer.");
                 return CSimVariant::Disp(MakeHeaderFooterObject(o.m_app, o.m_doc, doc.selection.section, story).Get());
               })
          .Get(L"Type",
               [](T& o) {
                 const CSelection& s = o.Doc().selection;
                 return CSimVariant::Int(!s.shape.expired() ? 8 : s.start == s.end ? 1 : 2);
               })
          .Get(L"Text",
               [](T& o) {
                 CDocument& doc = o.Doc();
                 const std::wstring& text = SelectionStoryText(doc);
                 size_t start = std::min(doc.selection.start, text.size());
                 size_t end = std::max(start, std::min(doc.selection.end, text.size()));
                 return CSimVariant::Str(text.substr(start, end - start));
               })
          .Method(L"HomeKey", {L"Unit", L"Extend"},
                  [](T& o, const CSimArgs& a) { return o.Move(a.Int(0, 5), a.Int(1, 0) != 0, false); })
          .Method(L"EndKey", {L"Unit", L"Extend"},
                  [](T& o, const CSimArgs& a) { return o.Move(a.Int(0, 5), a.Int(1, 0) != 0, true); })
          .Method(L"Delete", {L"Unit", L"Count"},
                  [](T& o, const CSimArgs& a) { return CSimVariant::Int(DeleteSelection(o.Doc(), a.Int(1, 1))); })
          .Method(L"TypeText", {L"Text"}, [](T& o, const CSimArgs& a) {
            TypeText(o.Doc(), a.Str(0));
            return CSimVariant();
          });
      return t;
    }();
    return table;
  }
  // HomeKey/EndKey over the selection's story (wdStory 6, wdLine 5: one line per story here).
  CSimVariant Move(long unit, bool extend, bool toEnd) {
    CDocument& doc = Doc();
    if (unit != 5 && unit != 6) ThrowOffice(4120, L"Bad parameter");
    CSelection& s = doc.selection;
    s.shape.reset();
    size_t len = SelectionStoryText(doc).size();
    size_t before = toEnd ? s.end : s.start;
    if (toEnd) {
      s.end = len;
      if (!extend) s.start = len;
    } else {
      s.start = 0;
      if (!extend) s.end = 0;
    }
    return CSimVariant::Int(static_cast<long>(toEnd ? len - std::min(before, len) : before));
  }
};

class COptionsObject : public CWordObject {
 public:
  explicit COptionsObject(AppPtr app) : CWordObject(Table(), std::move(app), nullptr) {}
  static const CSimMemberTable& Table() {
    static CSimMemberTable table = [] {
      CSimMemberTable t(L"Options");
      using T = COptionsObject;
      CSimTableBuilder<T>(t)
          .Prop(L"SaveNormalPrompt", [](T& o) { return CSimVariant::Bool(o.App().State().options.saveNormalPrompt); },
                [](T& o, const VARIANT& v) { o.App().State().options.saveNormalPrompt = ToBool(v); })
          .Prop(L"SavePropertiesPrompt",
                [](T& o) { return CSimVariant::Bool(o.App().State().options.savePropertiesPrompt); },
                [](T& o, const VARIANT& v) { o.App().State().options.savePropertiesPrompt = ToBool(v); })
          .Prop(L"SaveInterval", [](T& o) { return CSimVariant::Int(o.App().State().options.saveInterval); },
                [](T& o, const VARIANT& v) {
                  long minutes = ToLong(v);
                  if (minutes < 0 || minutes > 120) ThrowOffice(4608, L"Value out of range.");
                  o.App().State().options.saveInterval = minutes;
                });
      return t;
    }();
    return table;
  }
};

class CTemplateObject : public CWordObject {
 public:
  explicit CTemplateObject(AppPtr app) : CWordObject(Table(), std::move(app), nullptr) {}
  static const CSimMemberTable& Table() {
    static CSimMemberTable table = [] {
      CSimMemberTable t(L"Template");
      using T = CTemplateObject;
      CSimTableBuilder<T>(t)
          .Get(L"Name",
               [](T& o) {
                 bool legacy = std::wcstol(o.App().State().version.c_str(), nullptr, 10) < 12;
                 return CSimVariant::Str(legacy ? L"Normal.dot" : L"Normal.dotm");
               })
          .Prop(L"Saved", [](T& o) { return CSimVariant::Bool(o.App().State().normalTemplateSaved); },
                [](T& o, const VARIANT& v) { SetNormalTemplateSaved(o.App().State(), ToBool(v)); })
          .Method(L"Save", {}, [](T& o, const CSimArgs&) {
            SetNormalTemplateSaved(o.App().State(), true);
            return CSimVariant();
          });
      return t;
    }();
    return table;
  }
};

}  // namespace

DispPtr MakeWindowObject(AppPtr app, std::shared_ptr<CDocument> doc) {
  return MakeSim<CWindowObject>(std::move(app), std::move(doc));
}
DispPtr MakePaneObject(AppPtr app, std::shared_ptr<CDocument> doc) {
  return MakeSim<CPaneObject>(std::move(app), std::move(doc));
}
DispPtr MakeViewObject(AppPtr app, std::shared_ptr<CDocument> doc) {
  return MakeSim<CViewObject>(std::move(app), std::move(doc));
}
DispPtr MakeSelectionObject(AppPtr app, std::shared_ptr<CDocument> doc) {
  return MakeSim<CSelectionObject>(std::move(app), std::move(doc));
}
DispPtr MakeOptionsObject(AppPtr app) { return MakeSim<COptionsObject>(std::move(app)); }
DispPtr MakeTemplateObject(AppPtr app) { return MakeSim<CTemplateObject>(std::move(app)); }

}  // namespace kalsim::word
