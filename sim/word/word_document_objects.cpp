// Word's Documents, Document, Sections, Section, Range, HeadersFooters and HeaderFooter
// objects over the document model.
#include <algorithm>

#include "sim/engine/sim_error.h"
#include "sim/word/word_objects.h"
#include "sim/word/word_open.h"

namespace kalsim::word {

CDocument& CWordObject::Doc() {
  if (!m_doc || m_doc->closed)
    throw CSimError(static_cast<HRESULT>(0x80010108L), L"The object invoked has disconnected from its clients.");
  return *m_doc;
}

namespace {

CSection& SectionAt(CDocument& doc, long index) {
  if (index < 1 || static_cast<size_t>(index) > doc.sections.size()) ThrowBadIndex();
  return *doc.sections[static_cast<size_t>(index - 1)];
}

class CDocumentsObject : public CWordObject {
 public:
  explicit CDocumentsObject(AppPtr app) : CWordObject(Table(), std::move(app), nullptr) {}
  static const CSimMemberTable& Table() {
    static CSimMemberTable table = [] {
      CSimMemberTable t(L"Documents");
      using T = CDocumentsObject;
      CSimTableBuilder<T>(t)
          .Get(L"Count", [](T& o) { return CSimVariant::Int(static_cast<long>(o.App().State().documents.size())); })
          .Method(L"Item", {L"Index"},
                  [](T& o, const CSimArgs& a) {
                    auto& docs = o.App().State().documents;
                    const VARIANT* v = a.Raw(0);
                    if (!v) throw CSimError(DISP_E_PARAMNOTFOUND);
                    CSimVariant index = CSimVariant::Copy(*v);
                    if (index.Type() == VT_BSTR) {
                      std::wstring name = ToString(index.Get());
                      for (const auto& d : docs)
                        if (CompareStringOrdinal(d->name.c_str(), -1, name.c_str(), -1, TRUE) == CSTR_EQUAL ||
                            CompareStringOrdinal(d->path.c_str(), -1, name.c_str(), -1, TRUE) == CSTR_EQUAL)
                          return CSimVariant::Disp(o.App().DocumentObject(d).Get());
                      ThrowBadIndex();
                    }
                    long i = a.Int(0);
                    if (i < 1 || static_cast<size_t>(i) > docs.size()) ThrowBadIndex();
                    return CSimVariant::Disp(o.App().DocumentObject(docs[static_cast<size_t>(i - 1)]).Get());
                  })
          .Method(L"Open",
                  {L"FileName", L"ConfirmConversions", L"ReadOnly", L"AddToRecentFiles", L"PasswordDocument",
                   L"PasswordTemplate", L"Revert", L"WritePasswordDocument", L"WritePasswordTemplate", L"Format",
                   L"Encoding", L"Visible", L"OpenAndRepair", L"DocumentDirection", L"NoEncodingDialog",
                   L"XMLTransform"},
                  [](T& o, const CSimArgs& a) {
                    COpenArguments args;
                    args.fileName = a.Str(0);
                    args.readOnly = a.Bool(2, false);
                    if (a.Has(4)) args.passwordDocument = a.Str(4);
                    if (a.Has(7)) args.writePasswordDocument = a.Str(7);
                    auto doc = o.App().OpenDocument(args);
                    return CSimVariant::Disp(o.App().DocumentObject(doc).Get());
                  })
          .Method(L"Add", {L"Template", L"NewTemplate", L"DocumentType", L"Visible"},
                  [](T& o, const CSimArgs&) {
                    auto doc = o.App().NewDocument();
                    return CSimVariant::Disp(o.App().DocumentObject(doc).Get());
                  })
          .Default(L"Item");
      return t;
    }();
    return table;
  }
};

class CDocumentObject : public CWordObject {
 public:
  CDocumentObject(AppPtr app, std::shared_ptr<CDocument> doc) : CWordObject(Table(), std::move(app), std::move(doc)) {}
  static const CSimMemberTable& Table() {
    static CSimMemberTable table = [] {
      CSimMemberTable t(L"Document");
      using T = CDocumentObject;
      CSimTableBuilder<T>(t)
          .Get(L"Name", [](T& o) { return CSimVariant::Str(o.Doc().name); })
          .Get(L"FullName", [](T& o) { return CSimVariant::Str(o.Doc().path.empty() ? o.Doc().name : o.Doc().path); })
          .Get(L"Path",
               [](T& o) {
                 const std::wstring& p = o.Doc().path;
                 size_t slash = p.find_last_of(L"\\/");
                 return CSimVariant::Str(slash == std::wstring::npos ? L"" : p.substr(0, slash));
               })
          .Get(L"Application", [](T& o) { return CSimVariant::Disp(o.App().AsDispatch()); })
          .Prop(L"TrackRevisions", [](T& o) { return CSimVariant::Bool(o.Doc().trackRevisions); },
                [](T& o, const VARIANT& v) {
                  bool on = ToBool(v);
                  if (on != o.Doc().trackRevisions) o.Doc().saved = false;
                  o.Doc().trackRevisions = on;
                })
          .Prop(L"Saved", [](T& o) { return CSimVariant::Bool(o.Doc().saved); },
                [](T& o, const VARIANT& v) { o.Doc().saved = ToBool(v); })
          .Get(L"Sections", [](T& o) { return CSimVariant::Disp(MakeSectionsObject(o.m_app, o.m_doc).Get()); })
          .Get(L"Content", [](T& o) { return CSimVariant::Disp(MakeRangeObject(o.m_app, o.m_doc, 0).Get()); })
          .Get(L"ActiveWindow",
               [](T& o) {
                 o.Doc();
                 return CSimVariant::Disp(MakeWindowObject(o.m_app, o.m_doc).Get());
               })
          .Get(L"ProtectionType", [](T& o) { return CSimVariant::Int(o.Doc().protectionType); })
          .Method(L"Protect", {L"Type", L"NoReset", L"Password", L"UseIRM", L"EnforceStyleLock"},
                  [](T& o, const CSimArgs& a) {
                    Protect(o.Doc(), a.Int(0), a.Str(2, L""));
                    return CSimVariant();
                  })
          .Method(L"Unprotect", {L"Password"},
                  [](T& o, const CSimArgs& a) {
                    Unprotect(o.Doc(), a.Str(0, L""));
                    return CSimVariant();
                  })
          .Method(L"Save", {},
                  [](T& o, const CSimArgs&) {
                    o.App().SaveDocument(o.Doc());
                    return CSimVariant();
                  })
          .Method(L"SaveAs", {L"FileName"},
                  [](T& o, const CSimArgs& a) {
                    o.App().SaveDocument(o.Doc(), a.Str(0));
                    return CSimVariant();
                  })
          .Method(L"Activate", {},
                  [](T& o, const CSimArgs&) {
                    o.Doc();
                    o.App().ActivateDocument(o.m_doc);
                    return CSimVariant();
                  })
          .Method(L"Close", {L"SaveChanges", L"OriginalFormat", L"RouteDocument"},
                  [](T& o, const CSimArgs& a) {
                    o.Doc();
                    o.App().CloseDocument(o.m_doc, a.Int(0, -2));
                    return CSimVariant();
                  });
      return t;
    }();
    return table;
  }
};

class CSectionsObject : public CWordObject {
 public:
  CSectionsObject(AppPtr app, std::shared_ptr<CDocument> doc) : CWordObject(Table(), std::move(app), std::move(doc)) {}
  static const CSimMemberTable& Table() {
    static CSimMemberTable table = [] {
      CSimMemberTable t(L"Sections");
      using T = CSectionsObject;
      CSimTableBuilder<T>(t)
          .Get(L"Count", [](T& o) { return CSimVariant::Int(static_cast<long>(o.Doc().sections.size())); })
          .Method(L"Item", {L"Index"},
                  [](T& o, const CSimArgs& a) {
                    long i = a.Int(0);
                    SectionAt(o.Doc(), i);
                    return CSimVariant::Disp(MakeSectionObject(o.m_app, o.m_doc, static_cast<int>(i)).Get());
                  })
          .Get(L"First", [](T& o) { return CSimVariant::Disp(MakeSectionObject(o.m_app, o.m_doc, 1).Get()); })
          .Get(L"Last",
               [](T& o) {
                 int n = static_cast<int>(o.Doc().sections.size());
                 return CSimVariant::Disp(MakeSectionObject(o.m_app, o.m_doc, n).Get());
               })
          .Default(L"Item");
      return t;
    }();
    return table;
  }
};

class CSectionObject : public CWordObject {
 public:
  CSectionObject(AppPtr app, std::shared_ptr<CDocument> doc, int section)
      : CWordObject(Table(), std::move(app), std::move(doc)), m_nSection(section) {}
  static const CSimMemberTable& Table() {
    static CSimMemberTable table = [] {
      CSimMemberTable t(L"Section");
      using T = CSectionObject;
      CSimTableBuilder<T>(t)
          .Get(L"Index", [](T& o) { return CSimVariant::Int(o.Checked()); })
          .Get(L"Range", [](T& o) { return CSimVariant::Disp(MakeRangeObject(o.m_app, o.m_doc, o.Checked()).Get()); })
          .Get(L"Headers",
               [](T& o) { return CSimVariant::Disp(MakeHeadersFootersObject(o.m_app, o.m_doc, o.Checked(), true).Get()); })
          .Get(L"Footers", [](T& o) {
            return CSimVariant::Disp(MakeHeadersFootersObject(o.m_app, o.m_doc, o.Checked(), false).Get());
          });
      return t;
    }();
    return table;
  }
  // The section may have gone (it is addressed by number, as Word's are).
  int Checked() {
    SectionAt(Doc(), m_nSection);
    return m_nSection;
  }
  int m_nSection;
};

class CRangeObject : public CWordObject {
 public:
  CRangeObject(AppPtr app, std::shared_ptr<CDocument> doc, int section)
      : CWordObject(Table(), std::move(app), std::move(doc)), m_nSection(section) {}
  static const CSimMemberTable& Table() {
    static CSimMemberTable table = [] {
      CSimMemberTable t(L"Range");
      using T = CRangeObject;
      CSimTableBuilder<T>(t)
          .Prop(L"Text", [](T& o) { return CSimVariant::Str(o.Text()); },
                [](T& o, const VARIANT& v) {
                  CDocument& doc = o.Doc();
                  RequireEditable(doc);
                  std::wstring text = ToString(v);
                  if (o.m_nSection == 0) {
                    for (auto& s : doc.sections) s->text.clear();
                    doc.sections.front()->text = text;
                  } else {
                    SectionAt(doc, o.m_nSection).text = text;
                  }
                  MarkChanged(doc);
                })
          .Get(L"Start", [](T&) { return CSimVariant::Int(0); })
          .Get(L"End", [](T& o) { return CSimVariant::Int(static_cast<long>(o.Text().size())); })
          .Method(L"Select", {}, [](T& o, const CSimArgs&) {
            CDocument& doc = o.Doc();
            int section = o.m_nSection == 0 ? 1 : o.m_nSection;
            SectionAt(doc, section);
            // Selecting body text leaves any header or footer view.
            doc.selection = CSelection{};
            doc.selection.section = section;
            doc.selection.end = SectionAt(doc, section).text.size();
            doc.seekView = kSeekMain;
            return CSimVariant();
          });
      return t;
    }();
    return table;
  }
  std::wstring Text() {
    CDocument& doc = Doc();
    if (m_nSection != 0) return SectionAt(doc, m_nSection).text;
    std::wstring all;
    for (size_t i = 0; i < doc.sections.size(); ++i) all += (i ? L"\f" : L"") + doc.sections[i]->text;
    return all;
  }
  int m_nSection;
};

class CHeadersFootersObject : public CWordObject {
 public:
  CHeadersFootersObject(AppPtr app, std::shared_ptr<CDocument> doc, int section, bool headers)
      : CWordObject(Table(), std::move(app), std::move(doc)), m_nSection(section), m_bHeaders(headers) {}
  static const CSimMemberTable& Table() {
    static CSimMemberTable table = [] {
      CSimMemberTable t(L"HeadersFooters");
      using T = CHeadersFootersObject;
      CSimTableBuilder<T>(t)
          .Get(L"Count", [](T&) { return CSimVariant::Int(3); })
          .Method(L"Item", {L"Index"},
                  [](T& o, const CSimArgs& a) {
                    long i = a.Int(0);
                    if (i < 1 || i > 3) ThrowBadIndex();
                    SectionAt(o.Doc(), o.m_nSection);
                    long seek = o.m_bHeaders ? i : i + 3;  // header 1..3 -> seek 1..3, footer -> 4..6
                    return CSimVariant::Disp(MakeHeaderFooterObject(o.m_app, o.m_doc, o.m_nSection, seek).Get());
                  })
          .Default(L"Item");
      return t;
    }();
    return table;
  }
  int m_nSection;
  bool m_bHeaders;
};

class CHeaderFooterObject : public CWordObject {
 public:
  CHeaderFooterObject(AppPtr app, std::shared_ptr<CDocument> doc, int section, long seek)
      : CWordObject(Table(), std::move(app), std::move(doc)), m_nSection(section), m_nSeek(seek) {}
  static const CSimMemberTable& Table() {
    static CSimMemberTable table = [] {
      CSimMemberTable t(L"HeaderFooter");
      using T = CHeaderFooterObject;
      CSimTableBuilder<T>(t)
          .Get(L"Shapes", [](T& o) { return CSimVariant::Disp(MakeHeaderShapesObject(o.m_app, o.m_doc, o.Hf().story).Get()); })
          .Get(L"IsHeader", [](T& o) { return CSimVariant::Bool(o.m_nSeek <= kSeekEvenPagesHeader); })
          .Get(L"Index", [](T& o) { return CSimVariant::Int(o.m_nSeek <= 3 ? o.m_nSeek : o.m_nSeek - 3); })
          .Get(L"Exists",
               [](T& o) {
                 CDocument& doc = o.Doc();
                 return CSimVariant::Bool(HeaderFooterExists(doc, SectionAt(doc, o.m_nSection), o.m_nSeek));
               })
          .Prop(L"LinkToPrevious", [](T& o) { return CSimVariant::Bool(o.Hf().linkToPrevious); },
                [](T& o, const VARIANT& v) {
                  bool link = ToBool(v);
                  CDocument& doc = o.Doc();
                  CHeaderFooter& hf = o.Hf();
                  if (o.m_nSection == 1 || link == hf.linkToPrevious) return;
                  RequireEditable(doc);
                  if (!link) {
                    // Unlinking gives the section its own copy of the shared story.
                    auto copy = std::make_shared<CStory>();
                    copy->text = hf.story->text;
                    for (const auto& s : hf.story->shapes) copy->shapes.push_back(std::make_shared<CShape>(*s));
                    hf.story = copy;
                  }
                  hf.linkToPrevious = link;
                  ResolveLinks(doc);
                  MarkChanged(doc);
                });
      return t;
    }();
    return table;
  }
  CHeaderFooter& Hf() { return HeaderFooterFor(SectionAt(Doc(), m_nSection), m_nSeek); }
  int m_nSection;
  long m_nSeek;
};

}  // namespace

DispPtr MakeDocumentsObject(AppPtr app) { return MakeSim<CDocumentsObject>(std::move(app)); }
DispPtr MakeDocumentObject(AppPtr app, std::shared_ptr<CDocument> doc) {
  return MakeSim<CDocumentObject>(std::move(app), std::move(doc));
}
DispPtr MakeSectionsObject(AppPtr app, std::shared_ptr<CDocument> doc) {
  return MakeSim<CSectionsObject>(std::move(app), std::move(doc));
}
DispPtr MakeSectionObject(AppPtr app, std::shared_ptr<CDocument> doc, int section) {
  return MakeSim<CSectionObject>(std::move(app), std::move(doc), section);
}
DispPtr MakeRangeObject(AppPtr app, std::shared_ptr<CDocument> doc, int section) {
  return MakeSim<CRangeObject>(std::move(app), std::move(doc), section);
}
DispPtr MakeHeadersFootersObject(AppPtr app, std::shared_ptr<CDocument> doc, int section, bool headers) {
  return MakeSim<CHeadersFootersObject>(std::move(app), std::move(doc), section, headers);
}
DispPtr MakeHeaderFooterObject(AppPtr app, std::shared_ptr<CDocument> doc, int section, long seek) {
  return MakeSim<CHeaderFooterObject>(std::move(app), std::move(doc), section, seek);
}

}  // namespace kalsim::word
