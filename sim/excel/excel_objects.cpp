// Excel's Workbooks, Workbook, Sheets/Worksheets, Worksheet, Chart, Range and Windows objects
// over the workbook model.
#include "sim/excel/excel_objects.h"
#include "sim/excel/excel_open.h"

#include "core/office_interfaces.h"
#include "sim/engine/sim_error.h"

namespace kalsim::excel {

namespace {
const HRESULT kDisconnected = static_cast<HRESULT>(0x80010108L);  // RPC_E_DISCONNECTED

bool SameName(const std::wstring& a, const std::wstring& b) {
  return CompareStringOrdinal(a.c_str(), -1, b.c_str(), -1, TRUE) == CSTR_EQUAL;
}

// A collection index: a 1-based number or a name.
template <class T, class NameOf>
const std::shared_ptr<T>& ItemAt(const std::vector<std::shared_ptr<T>>& items, const CSimArgs& a, NameOf nameOf) {
  const VARIANT* v = a.Raw(0);
  if (!v || IsMissing(v)) throw CSimError(DISP_E_PARAMNOTFOUND);
  CSimVariant index = CSimVariant::Copy(*v);
  if (index.Type() == VT_BSTR) {
    const std::wstring name = ToString(index.Get());
    for (const auto& item : items)
      if (SameName(nameOf(*item), name)) return item;
    ThrowBadIndex();
  }
  const long i = a.Int(0);
  if (i < 1 || static_cast<size_t>(i) > items.size()) ThrowBadIndex();
  return items[static_cast<size_t>(i - 1)];
}

// https://learn.microsoft.com/office/vba/api/excel.workbooks: the open workbooks; add-ins
// and workbooks in Protected View are not members, so the model holds neither.
class CWorkbooksObject : public CExcelObject {
 public:
  explicit CWorkbooksObject(AppPtr app) : CExcelObject(Table(), std::move(app), nullptr) {}
  static const CSimMemberTable& Table() {
    static CSimMemberTable table = [] {
      CSimMemberTable t(L"Workbooks");
      using T = CWorkbooksObject;
      CSimTableBuilder<T>(t)
          .Get(L"Count", [](T& o) { return CSimVariant::Int(static_cast<long>(o.App().State().workbooks.size())); })
          .Get(L"Application", [](T& o) { return CSimVariant::Disp(o.App().AsDispatch()); })
          .Method(L"Item", {L"Index"},
                  [](T& o, const CSimArgs& a) {
                    const auto& book = ItemAt(o.App().State().workbooks, a, [](const CWorkbook& b) { return b.name; });
                    return DispOf(o.App().WorkbookObject(book));
                  })
          .Method(L"Open",
                  {L"FileName", L"UpdateLinks", L"ReadOnly", L"Format", L"Password", L"WriteResPassword",
                   L"IgnoreReadOnlyRecommended", L"Origin", L"Delimiter", L"Editable", L"Notify", L"Converter",
                   L"AddToMru", L"Local", L"CorruptLoad"},
                  [](T& o, const CSimArgs& a) {
                    COpenArguments args;
                    args.fileName = a.Str(0);
                    if (a.Has(1)) args.updateLinks = a.Int(1);
                    args.readOnly = a.Bool(2, false);
                    if (a.Has(4)) args.password = a.Str(4);
                    if (a.Has(5)) args.writeResPassword = a.Str(5);
                    return DispOf(o.App().WorkbookObject(o.App().OpenWorkbook(args)));
                  })
          .Method(L"Add", {L"Template"},
                  [](T& o, const CSimArgs&) { return DispOf(o.App().WorkbookObject(o.App().NewWorkbook())); })
          .Default(L"Item");
      return t;
    }();
    return table;
  }
};

class CWorkbookObject : public CExcelObject {
 public:
  CWorkbookObject(AppPtr app, std::shared_ptr<CWorkbook> book) : CExcelObject(Table(), std::move(app), std::move(book)) {
    AnswerIid(kal::IID_Excel_Workbook);
  }
  static const CSimMemberTable& Table() {
    static CSimMemberTable table = [] {
      CSimMemberTable t(L"Workbook");
      using T = CWorkbookObject;
      CSimTableBuilder<T>(t)
          .Get(L"Name", [](T& o) { return CSimVariant::Str(o.Book().name); })
          .Get(L"FullName", [](T& o) { return CSimVariant::Str(o.Book().path.empty() ? o.Book().name : o.Book().path); })
          .Get(L"Application", [](T& o) { return CSimVariant::Disp(o.App().AsDispatch()); })
          .Get(L"Parent", [](T& o) { return CSimVariant::Disp(o.App().AsDispatch()); })
          // https://learn.microsoft.com/office/vba/api/excel.workbook.saved: True when
          // nothing changed since the last save; settable to discard the prompt.
          .Prop(L"Saved", [](T& o) { return CSimVariant::Bool(o.Book().saved); },
                [](T& o, const VARIANT& v) {
                  RequireEditable(o.Book());
                  o.Book().saved = ToBool(v);
                })
          // https://learn.microsoft.com/office/vba/api/excel.workbook.activesheet: Nothing
          // when no sheet is active.
          .Get(L"ActiveSheet",
               [](T& o) {
                 auto sheet = o.Book().activeSheet;
                 return sheet ? DispOf(o.App().SheetObject(o.m_book, sheet)) : CSimVariant::Disp(nullptr);
               })
          .Get(L"Sheets", [](T& o) { return DispOf(MakeSheetsObject(o.m_app, (o.Book(), o.m_book), false)); })
          .Get(L"Worksheets", [](T& o) { return DispOf(MakeSheetsObject(o.m_app, (o.Book(), o.m_book), true)); })
          .Get(L"Windows", [](T& o) { return DispOf(MakeWindowsObject(o.m_app, (o.Book(), o.m_book))); })
          .Get(L"ProtectStructure", [](T& o) { return CSimVariant::Bool(o.Book().structureProtected); })
          .Get(L"ProtectWindows", [](T& o) { return CSimVariant::Bool(o.Book().windowsProtected); })
          // https://learn.microsoft.com/office/vba/api/excel.workbook.protect: Structure
          // and Windows default to False.
          .Method(L"Protect", {L"Password", L"Structure", L"Windows"},
                  [](T& o, const CSimArgs& a) {
                    ProtectWorkbook(o.Book(), a.Str(0, L""), a.Bool(1, false), a.Bool(2, false));
                    return CSimVariant();
                  })
          .Method(L"Unprotect", {L"Password"},
                  [](T& o, const CSimArgs& a) {
                    UnprotectWorkbook(o.Book(), a.Str(0, L""));
                    return CSimVariant();
                  })
          .Method(L"Activate", {},
                  [](T& o, const CSimArgs&) {
                    o.Book();
                    o.App().ActivateWorkbook(o.m_book);
                    return CSimVariant();
                  })
          .Method(L"Save", {},
                  [](T& o, const CSimArgs&) {
                    o.Book();
                    o.App().SaveWorkbook(o.m_book);
                    return CSimVariant();
                  })
          .Method(L"SaveAs", {L"FileName"},
                  [](T& o, const CSimArgs& a) {
                    o.Book();
                    o.App().SaveWorkbook(o.m_book, a.Str(0));
                    return CSimVariant();
                  })
          // https://learn.microsoft.com/office/vba/api/excel.workbook.close: SaveChanges
          // omitted with changes would ask the user; without a user here it discards
          // (unverified).
          .Method(L"Close", {L"SaveChanges", L"FileName", L"RouteWorkbook"},
                  [](T& o, const CSimArgs& a) {
                    o.Book();
                    if (a.Has(1)) o.Book().path = a.Str(1);
                    o.App().CloseWorkbook(o.m_book, a.Bool(0, false));
                    return CSimVariant();
                  });
      return t;
    }();
    return table;
  }
};

class CSheetsObject : public CExcelObject {
 public:
  CSheetsObject(AppPtr app, std::shared_ptr<CWorkbook> book, bool worksheetsOnly)
      : CExcelObject(worksheetsOnly ? WorksheetsTable() : SheetsTable(), std::move(app), std::move(book)),
        m_bWorksheetsOnly(worksheetsOnly) {}
  std::vector<std::shared_ptr<CSheet>> Items() { return m_bWorksheetsOnly ? Book().Worksheets() : Book().sheets; }

  static void Build(CSimMemberTable& t) {
    using T = CSheetsObject;
    CSimTableBuilder<T>(t)
        .Get(L"Count", [](T& o) { return CSimVariant::Int(static_cast<long>(o.Items().size())); })
        .Get(L"Application", [](T& o) { return CSimVariant::Disp(o.App().AsDispatch()); })
        .Get(L"Parent", [](T& o) { return DispOf(o.App().WorkbookObject((o.Book(), o.m_book))); })
        .Method(L"Item", {L"Index"},
                [](T& o, const CSimArgs& a) {
                  auto items = o.Items();
                  const auto& sheet = ItemAt(items, a, [](const CSheet& s) { return s.name; });
                  return DispOf(o.App().SheetObject(o.m_book, sheet));
                })
        // Adds worksheets only: chart sheets come from the host's user actions.
        .Method(L"Add", {L"Before", L"After", L"Count", L"Type"},
                [](T& o, const CSimArgs&) {
                  o.Book();
                  return DispOf(o.App().SheetObject(o.m_book, o.App().AddSheet(o.m_book, CSheetType::Worksheet)));
                })
        .Default(L"Item");
  }
  static const CSimMemberTable& SheetsTable() {
    static CSimMemberTable table = [] {
      CSimMemberTable t(L"Sheets");
      Build(t);
      return t;
    }();
    return table;
  }
  static const CSimMemberTable& WorksheetsTable() {
    static CSimMemberTable table = [] {
      CSimMemberTable t(L"Worksheets");
      Build(t);
      return t;
    }();
    return table;
  }

  bool m_bWorksheetsOnly;
};

// Members worksheets and chart sheets share.
template <class T>
void AddSheetMembers(CSimTableBuilder<T>& b) {
  b.Prop(L"Name", [](T& o) { return CSimVariant::Str(o.Sheet().name); },
         [](T& o, const VARIANT& v) { RenameSheet(o.Book(), o.Sheet(), ToString(v)); })
      .Get(L"Index",
           [](T& o) {
             const auto& sheets = o.Book().sheets;
             for (size_t i = 0; i < sheets.size(); ++i)
               if (sheets[i].get() == &o.Sheet()) return CSimVariant::Int(static_cast<long>(i + 1));
             throw CSimError(kDisconnected);
           })
      .Get(L"Application", [](T& o) { return CSimVariant::Disp(o.App().AsDispatch()); })
      .Get(L"Parent", [](T& o) { return DispOf(o.App().WorkbookObject((o.Book(), o.m_book))); })
      .Get(L"ProtectContents", [](T& o) { return CSimVariant::Bool(o.Sheet().protection.on && o.Sheet().protection.contents); })
      .Get(L"ProtectDrawingObjects",
           [](T& o) { return CSimVariant::Bool(o.Sheet().protection.on && o.Sheet().protection.drawingObjects); })
      .Method(L"Activate", {},
              [](T& o, const CSimArgs&) {
                o.Sheet();
                o.App().ActivateSheet(o.m_book, o.m_sheet);
                return CSimVariant();
              })
      .Method(L"Delete", {},
              [](T& o, const CSimArgs&) {
                o.Sheet();
                o.App().DeleteSheet(o.m_book, o.m_sheet);
                return CSimVariant(CSimVariant::Bool(true));
              })
      // https://learn.microsoft.com/office/vba/api/excel.worksheet.move: before or after
      // another sheet of the workbook (a new workbook for neither is not modelled).
      .Method(L"Move", {L"Before", L"After"},
              [](T& o, const CSimArgs& a) {
                o.Sheet();
                const bool after = !a.Has(0);
                if (after && !a.Has(1)) ThrowOffice(kErrMethodFailed, L"Move method of Worksheet class failed");
                CSimVariant name = CSimVariant();
                auto target = a.Disp(after ? 1 : 0);
                DISPID id = DISPID_UNKNOWN;
                LPOLESTR member = const_cast<LPOLESTR>(L"Name");
                DISPPARAMS none{nullptr, nullptr, 0, 0};
                if (!target || FAILED(target->GetIDsOfNames(IID_NULL, &member, 1, 0, &id)) ||
                    FAILED(target->Invoke(id, IID_NULL, 0, DISPATCH_PROPERTYGET, &none, name.Ptr(), nullptr, nullptr)))
                  ThrowOffice(kErrMethodFailed, L"Move method of Worksheet class failed");
                MoveSheet(o.Book(), o.m_sheet, ToString(name.Get()), after);
                return CSimVariant();
              })
      .Method(L"Unprotect", {L"Password"}, [](T& o, const CSimArgs& a) {
        UnprotectSheet(o.Sheet(), a.Str(0, L""));
        return CSimVariant();
      });
}

// https://learn.microsoft.com/office/vba/api/excel.worksheet: answers _Worksheet.
class CWorksheetObject : public CExcelObject {
 public:
  CWorksheetObject(AppPtr app, std::shared_ptr<CWorkbook> book, std::shared_ptr<CSheet> sheet)
      : CExcelObject(Table(), std::move(app), std::move(book), std::move(sheet)) {
    AnswerIid(kal::IID_Excel_Worksheet);
  }
  static const CSimMemberTable& Table() {
    static CSimMemberTable table = [] {
      CSimMemberTable t(L"Worksheet");
      using T = CWorksheetObject;
      CSimTableBuilder<T> b(t);
      AddSheetMembers(b);
      b.Method(L"SetBackgroundPicture", {L"FileName"},
               [](T& o, const CSimArgs& a) {
                 SetBackgroundPicture(o.Book(), o.Sheet(), a.Str(0));
                 return CSimVariant();
               })
          // https://learn.microsoft.com/office/vba/api/excel.worksheet.protect: sixteen
          // optional arguments; DrawingObjects, Contents and Scenarios default to True.
          .Method(L"Protect",
                  {L"Password", L"DrawingObjects", L"Contents", L"Scenarios", L"UserInterfaceOnly",
                   L"AllowFormattingCells", L"AllowFormattingColumns", L"AllowFormattingRows", L"AllowInsertingColumns",
                   L"AllowInsertingRows", L"AllowInsertingHyperlinks", L"AllowDeletingColumns", L"AllowDeletingRows",
                   L"AllowSorting", L"AllowFiltering", L"AllowUsingPivotTables"},
                  [](T& o, const CSimArgs& a) {
                    CSheetProtection p;
                    p.drawingObjects = a.Bool(1, true);
                    p.contents = a.Bool(2, true);
                    p.scenarios = a.Bool(3, true);
                    p.userInterfaceOnly = a.Bool(4, false);
                    for (size_t i = 0; i < p.allow.size(); ++i) p.allow[i] = a.Bool(5 + i, false);
                    RequireEditable(o.Book());
                    ProtectSheet(o.Sheet(), a.Str(0, L""), p);
                    return CSimVariant();
                  })
          .Get(L"ProtectScenarios",
               [](T& o) { return CSimVariant::Bool(o.Sheet().protection.on && o.Sheet().protection.scenarios); })
          .Method(L"Range", {L"Cell1", L"Cell2"}, [](T& o, const CSimArgs& a) {
            o.Sheet();
            return DispOf(MakeRangeObject(o.m_app, o.m_book, o.m_sheet, CellAddress(a.Str(0))));
          });
      return t;
    }();
    return table;
  }
};

// https://learn.microsoft.com/office/vba/api/excel.chart(object): a chart sheet answers
// _Chart, not _Worksheet, and has no SetBackgroundPicture.
class CChartObject : public CExcelObject {
 public:
  CChartObject(AppPtr app, std::shared_ptr<CWorkbook> book, std::shared_ptr<CSheet> sheet)
      : CExcelObject(Table(), std::move(app), std::move(book), std::move(sheet)) {
    AnswerIid(kal::IID_Excel_Chart);
  }
  static const CSimMemberTable& Table() {
    static CSimMemberTable table = [] {
      CSimMemberTable t(L"Chart");
      using T = CChartObject;
      CSimTableBuilder<T> b(t);
      AddSheetMembers(b);
      // https://learn.microsoft.com/office/vba/api/excel.chart.protect: five arguments.
      b.Method(L"Protect", {L"Password", L"DrawingObjects", L"Contents", L"Scenarios", L"UserInterfaceOnly"},
               [](T& o, const CSimArgs& a) {
                 CSheetProtection p;
                 p.drawingObjects = a.Bool(1, false);
                 p.contents = a.Bool(2, true);
                 p.userInterfaceOnly = a.Bool(4, false);
                 RequireEditable(o.Book());
                 ProtectSheet(o.Sheet(), a.Str(0, L""), p);
                 return CSimVariant();
               });
      return t;
    }();
    return table;
  }
};

class CRangeObject : public CExcelObject {
 public:
  CRangeObject(AppPtr app, std::shared_ptr<CWorkbook> book, std::shared_ptr<CSheet> sheet, std::wstring address)
      : CExcelObject(Table(), std::move(app), std::move(book), std::move(sheet)), m_strAddress(std::move(address)) {}
  static const CSimMemberTable& Table() {
    static CSimMemberTable table = [] {
      CSimMemberTable t(L"Range");
      using T = CRangeObject;
      CSimTableBuilder<T>(t)
          .Get(L"Address", [](T& o) { return CSimVariant::Str(L"$" + o.m_strAddress); })
          .Prop(L"Value",
                [](T& o) {
                  auto it = o.Sheet().cells.find(o.m_strAddress);
                  return it == o.Sheet().cells.end() || it->second.value.empty() ? CSimVariant()
                                                                                : CSimVariant::Str(it->second.value);
                },
                [](T& o, const VARIANT& v) { EditCell(o.Book(), o.Sheet(), o.m_strAddress, ToString(v)); })
          // https://learn.microsoft.com/office/vba/api/excel.range.locked: cells start
          // locked; the lock takes effect only while the sheet is protected.
          .Prop(L"Locked",
                [](T& o) {
                  auto it = o.Sheet().cells.find(o.m_strAddress);
                  return CSimVariant::Bool(it == o.Sheet().cells.end() || it->second.locked);
                },
                [](T& o, const VARIANT& v) {
                  // Unverified: a protected sheet refuses to unlock its cells.
                  if (o.Sheet().protection.on)
                    ThrowOffice(kErrMethodFailed, L"Unable to set the Locked property of the Range class");
                  o.Sheet().cells[o.m_strAddress].locked = ToBool(v);
                })
          .Default(L"Value");
      return t;
    }();
    return table;
  }
  std::wstring m_strAddress;
};

// A workbook's one window; PERSONAL.XLSB's is hidden.
class CWindowsObject : public CExcelObject {
 public:
  CWindowsObject(AppPtr app, std::shared_ptr<CWorkbook> book, bool single)
      : CExcelObject(single ? WindowTable() : Table(), std::move(app), std::move(book)) {}
  static const CSimMemberTable& Table() {
    static CSimMemberTable table = [] {
      CSimMemberTable t(L"Windows");
      using T = CWindowsObject;
      CSimTableBuilder<T>(t)
          .Get(L"Count", [](T& o) { return (o.Book(), CSimVariant::Int(1)); })
          .Method(L"Item", {L"Index"},
                  [](T& o, const CSimArgs& a) {
                    if (a.Int(0) != 1) ThrowBadIndex();
                    o.Book();
                    return CSimVariant::Disp(MakeSim<CWindowsObject>(o.m_app, o.m_book, true)->AsDispatch());
                  })
          .Default(L"Item");
      return t;
    }();
    return table;
  }
  static const CSimMemberTable& WindowTable() {
    static CSimMemberTable table = [] {
      CSimMemberTable t(L"Window");
      using T = CWindowsObject;
      CSimTableBuilder<T>(t)
          .Get(L"Caption", [](T& o) { return CSimVariant::Str(o.Book().name); })
          .Prop(L"Visible", [](T& o) { return CSimVariant::Bool(!o.Book().hidden); },
                [](T& o, const VARIANT& v) { o.Book().hidden = !ToBool(v); });
      return t;
    }();
    return table;
  }
};

// https://learn.microsoft.com/office/vba/api/excel.protectedviewwindows and
// https://learn.microsoft.com/office/vba/api/excel.protectedviewwindow: the collection (no
// workbook of its own) or one window, which holds the workbook it shows.
class CProtectedViewObject : public CExcelObject {
 public:
  CProtectedViewObject(AppPtr app, const std::shared_ptr<CWorkbook>& book)
      : CExcelObject(book ? WindowTable() : Table(), std::move(app), book) {}
  static const CSimMemberTable& Table() {
    static CSimMemberTable table = [] {
      CSimMemberTable t(L"ProtectedViewWindows");
      using T = CProtectedViewObject;
      CSimTableBuilder<T>(t)
          .Get(L"Count", [](T& o) { return CSimVariant::Int(static_cast<long>(o.App().State().protectedView.size())); })
          .Method(L"Item", {L"Index"},
                  [](T& o, const CSimArgs& a) {
                    const auto& book = ItemAt(o.App().State().protectedView, a, [](const CWorkbook& b) { return b.name; });
                    return DispOf(MakeProtectedViewWindowObject(o.m_app, book));
                  })
          .Default(L"Item");
      return t;
    }();
    return table;
  }
  static const CSimMemberTable& WindowTable() {
    static CSimMemberTable table = [] {
      CSimMemberTable t(L"ProtectedViewWindow");
      using T = CProtectedViewObject;
      CSimTableBuilder<T>(t)
          .Get(L"Caption", [](T& o) { return CSimVariant::Str(o.Window().name); })
          // "the operations you can perform by using a Workbook object returned by the
          // Workbook method will be limited": the workbook refuses every change.
          .Get(L"Workbook", [](T& o) { return DispOf(o.App().WorkbookObject((o.Window(), o.m_book))); })
          // https://learn.microsoft.com/office/vba/api/excel.protectedviewwindow.edit: opens
          // the workbook for editing and returns it.
          .Method(L"Edit", {L"WriteResPassword", L"UpdateLinks"},
                  [](T& o, const CSimArgs&) {
                    o.Window();
                    o.App().EnableEditing(o.m_book);
                    return DispOf(o.App().WorkbookObject(o.m_book));
                  });
      return t;
    }();
    return table;
  }
  // The window's workbook while the window is open.
  CWorkbook& Window() {
    const auto& open = App().State().protectedView;
    if (std::find(open.begin(), open.end(), m_book) == open.end())
      throw CSimError(kDisconnected, L"The object invoked has disconnected from its clients.");
    return *m_book;
  }
};

}  // namespace

CWorkbook& CExcelObject::Book() {
  if (!m_book || m_book->closed) throw CSimError(kDisconnected, L"The object invoked has disconnected from its clients.");
  return *m_book;
}

CSheet& CExcelObject::Sheet() {
  Book();
  if (!m_sheet || m_sheet->deleted) throw CSimError(kDisconnected, L"The object invoked has disconnected from its clients.");
  return *m_sheet;
}

DispPtr MakeWorkbooksObject(AppPtr app) { return MakeSim<CWorkbooksObject>(std::move(app)); }
DispPtr MakeWorkbookObject(AppPtr app, std::shared_ptr<CWorkbook> book) {
  return MakeSim<CWorkbookObject>(std::move(app), std::move(book));
}
DispPtr MakeSheetsObject(AppPtr app, std::shared_ptr<CWorkbook> book, bool worksheetsOnly) {
  return MakeSim<CSheetsObject>(std::move(app), std::move(book), worksheetsOnly);
}
DispPtr MakeSheetObject(AppPtr app, std::shared_ptr<CWorkbook> book, std::shared_ptr<CSheet> sheet) {
  if (sheet && !sheet->IsWorksheet()) return MakeSim<CChartObject>(std::move(app), std::move(book), std::move(sheet));
  return MakeSim<CWorksheetObject>(std::move(app), std::move(book), std::move(sheet));
}
DispPtr MakeRangeObject(AppPtr app, std::shared_ptr<CWorkbook> book, std::shared_ptr<CSheet> sheet,
                        std::wstring address) {
  return MakeSim<CRangeObject>(std::move(app), std::move(book), std::move(sheet), std::move(address));
}
DispPtr MakeWindowsObject(AppPtr app, std::shared_ptr<CWorkbook> book) {
  return MakeSim<CWindowsObject>(std::move(app), std::move(book), false);
}

DispPtr MakeProtectedViewWindowsObject(AppPtr app) { return MakeSim<CProtectedViewObject>(std::move(app), nullptr); }
DispPtr MakeProtectedViewWindowObject(AppPtr app, std::shared_ptr<CWorkbook> book) {
  return MakeSim<CProtectedViewObject>(std::move(app), book);
}

}  // namespace kalsim::excel
