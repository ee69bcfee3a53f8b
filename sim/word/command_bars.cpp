// Word's legacy command bars and ribbon command table, and the CommandBars, CommandBar,
// CommandBarControls and CommandBarControl objects over them.
#include <algorithm>

#include "sim/engine/sim_error.h"
#include "sim/word/word_objects.h"

namespace kalsim::word {

namespace {
using ControlPtr = std::shared_ptr<CCommandBarControl>;

ControlPtr Button(const std::wstring& caption, long id) {
  auto c = std::make_shared<CCommandBarControl>();
  c->caption = caption;
  c->id = id;
  return c;
}

ControlPtr Popup(const std::wstring& caption, long id, std::vector<ControlPtr> children) {
  auto c = Button(caption, id);
  c->type = 10;
  c->controls = std::move(children);
  return c;
}

bool SameText(const std::wstring& a, const std::wstring& b) {
  return CompareStringOrdinal(a.c_str(), -1, b.c_str(), -1, TRUE) == CSTR_EQUAL;
}
}  // namespace

std::vector<CCommandBar> MakeWordCommandBars() {
  const std::wstring background = L"背景(&K)";
  CCommandBar menu{L"Menu Bar", {}};
  menu.controls = {
      Popup(L"文件(&F)", 30002, {Button(L"新建(&N)...", 18), Button(L"打开(&O)...", 23), Button(L"保存(&S)", 3)}),
      Popup(L"编辑(&E)", 30003, {Button(L"撤消(&U)", 128), Button(L"复制(&C)", 19), Button(L"粘贴(&P)", 22)}),
      Popup(L"视图(&V)", 30004, {Button(L"普通(&N)", 757), Button(L"页眉和页脚(&H)", 1591)}),
      Popup(L"插入(&I)", 30005, {Button(L"分隔符(&B)...", 509), Button(L"图片(&P)", 30180)}),
      Popup(L"格式(&O)", 30006,
            {Button(L"字体(&F)...", 253), Button(L"段落(&P)...", 254), Button(background, 30180 + 1),
             Button(L"主题(&H)...", 2127)}),
      Popup(L"工具(&T)", 30007, {Button(L"保护文档(&P)...", 7143), Button(L"选项(&O)...", 522)}),
      Popup(L"窗口(&W)", 30009, {Button(L"新建窗口(&N)", 303)}),
      Popup(L"帮助(&H)", 30010, {Button(L"关于 Microsoft Office Word(&A)", 927)}),
  };
  CCommandBar standard{L"Standard", {}};
  standard.controls = {Button(L"新建空白文档", 2520), Button(L"打开(&O)", 23), Button(L"保存(&S)", 3),
                       Button(L"打印(&P)", 2521), Button(L"复制(&C)", 19), Button(L"粘贴(&P)", 22),
                       Button(background, 30181)};
  CCommandBar formatting{L"Formatting", {}};
  formatting.controls = {Button(L"加粗(&B)", 113), Button(L"倾斜(&I)", 114), Button(L"下划线(&U)", 115)};
  return {menu, standard, formatting};
}

std::vector<CRibbonCommand> MakeWordRibbonCommands() {
  std::vector<CRibbonCommand> out;
  for (const wchar_t* id :
       {L"FileSave", L"FileSaveAs", L"FilePrint", L"Copy", L"Paste", L"Bold", L"Italic", L"Underline",
        L"HeaderInsertGallery", L"FooterInsertGallery", L"PageColorPicker", L"ReviewTrackChanges",
        L"WatermarkCustomDialog", L"WatermarkRemove", L"WatermarkGallery", L"CustomWatermarkGallery",
        L"SaveSelectionToWaterMarkGallery"})
    out.push_back(CRibbonCommand{id, true, 0, 0});
  return out;
}

namespace {

class CControlObject : public CWordObject {
 public:
  CControlObject(AppPtr app, ControlPtr control) : CWordObject(Table(), std::move(app), nullptr), m_control(std::move(control)) {}
  static const CSimMemberTable& Table();
  ControlPtr m_control;
};

class CControlsObject : public CWordObject {
 public:
  CControlsObject(AppPtr app, std::vector<ControlPtr>* controls, std::shared_ptr<void> owner)
      : CWordObject(Table(), std::move(app), nullptr), m_pControls(controls), m_owner(std::move(owner)) {}
  static const CSimMemberTable& Table() {
    static CSimMemberTable table = [] {
      CSimMemberTable t(L"CommandBarControls");
      using T = CControlsObject;
      CSimTableBuilder<T>(t)
          .Get(L"Count", [](T& o) { return CSimVariant::Int(static_cast<long>(o.m_pControls->size())); })
          .Method(L"Item", {L"Index"},
                  [](T& o, const CSimArgs& a) {
                    const VARIANT* raw = a.Raw(0);
                    if (!raw) throw CSimError(DISP_E_PARAMNOTFOUND);
                    CSimVariant index = CSimVariant::Copy(*raw);
                    if (index.Type() == VT_BSTR) {
                      std::wstring caption = ToString(index.Get());
                      for (const auto& c : *o.m_pControls)
                        if (SameText(c->caption, caption)) return CSimVariant::Disp(MakeSim<CControlObject>(o.m_app, c).Get());
                      ThrowBadIndex();
                    }
                    long i = a.Int(0);
                    if (i < 1 || static_cast<size_t>(i) > o.m_pControls->size()) ThrowBadIndex();
                    return CSimVariant::Disp(MakeSim<CControlObject>(o.m_app, (*o.m_pControls)[static_cast<size_t>(i - 1)]).Get());
                  })
          .Default(L"Item");
      return t;
    }();
    return table;
  }
  std::vector<ControlPtr>* m_pControls;
  std::shared_ptr<void> m_owner;  // keeps the vector's owner alive
};

const CSimMemberTable& CControlObject::Table() {
  static CSimMemberTable table = [] {
    CSimMemberTable t(L"CommandBarControl");
    using T = CControlObject;
    CSimTableBuilder<T>(t)
        .Prop(L"Caption", [](T& o) { return CSimVariant::Str(o.m_control->caption); },
              [](T& o, const VARIANT& v) {
                o.m_control->caption = ToString(v);
                SetNormalTemplateSaved(o.App().State(), false);
              })
        .Prop(L"Enabled", [](T& o) { return CSimVariant::Bool(o.m_control->enabled); },
              [](T& o, const VARIANT& v) {
                bool enabled = ToBool(v);
                // Customising a bar is a change to the Normal template.
                if (enabled != o.m_control->enabled) SetNormalTemplateSaved(o.App().State(), false);
                o.m_control->enabled = enabled;
              })
        .Get(L"Type", [](T& o) { return CSimVariant::Int(o.m_control->type); })
        .Get(L"Id", [](T& o) { return CSimVariant::Int(o.m_control->id); })
        .Get(L"Control",
             [](T& o) {
               if (o.m_control->type != 10) throw CSimError(DISP_E_MEMBERNOTFOUND);
               return CSimVariant::Disp(o.AsDispatch());
             })
        .Get(L"Controls", [](T& o) {
          if (o.m_control->type != 10) throw CSimError(DISP_E_MEMBERNOTFOUND);
          return CSimVariant::Disp(MakeSim<CControlsObject>(o.m_app, &o.m_control->controls, o.m_control).Get());
        });
    return t;
  }();
  return table;
}

class CBarObject : public CWordObject {
 public:
  CBarObject(AppPtr app, size_t index) : CWordObject(Table(), std::move(app), nullptr), m_nIndex(index) {}
  static const CSimMemberTable& Table() {
    static CSimMemberTable table = [] {
      CSimMemberTable t(L"CommandBar");
      using T = CBarObject;
      CSimTableBuilder<T>(t)
          .Get(L"Name", [](T& o) { return CSimVariant::Str(o.Bar().name); })
          .Get(L"Controls",
               [](T& o) { return CSimVariant::Disp(MakeSim<CControlsObject>(o.m_app, &o.Bar().controls, nullptr).Get()); });
      return t;
    }();
    return table;
  }
  // Bars are never removed, so an index stays valid; the controls vector lives in the app.
  CCommandBar& Bar() { return App().State().commandBars.at(m_nIndex); }
  size_t m_nIndex;
};

class CBarsObject : public CWordObject {
 public:
  explicit CBarsObject(AppPtr app) : CWordObject(Table(), std::move(app), nullptr) {}
  static const CSimMemberTable& Table() {
    static CSimMemberTable table = [] {
      CSimMemberTable t(L"CommandBars");
      using T = CBarsObject;
      CSimTableBuilder<T>(t)
          .Get(L"Count", [](T& o) { return CSimVariant::Int(static_cast<long>(o.App().State().commandBars.size())); })
          .Method(L"Item", {L"Index"},
                  [](T& o, const CSimArgs& a) {
                    auto& bars = o.App().State().commandBars;
                    const VARIANT* raw = a.Raw(0);
                    if (!raw) throw CSimError(DISP_E_PARAMNOTFOUND);
                    CSimVariant index = CSimVariant::Copy(*raw);
                    if (index.Type() == VT_BSTR) {
                      std::wstring name = ToString(index.Get());
                      for (size_t i = 0; i < bars.size(); ++i)
                        if (SameText(bars[i].name, name)) return CSimVariant::Disp(MakeSim<CBarObject>(o.m_app, i).Get());
                      ThrowBadIndex();
                    }
                    long i = a.Int(0);
                    if (i < 1 || static_cast<size_t>(i) > bars.size()) ThrowBadIndex();
                    return CSimVariant::Disp(MakeSim<CBarObject>(o.m_app, static_cast<size_t>(i - 1)).Get());
                  })
          .Method(L"GetEnabledMso", {L"idMso"},
                  [](T& o, const CSimArgs& a) {
                    const CRibbonCommand* c = o.App().FindCommand(a.Str(0));
                    if (!c) throw CSimError(E_INVALIDARG, L"The value does not fall within the expected range.");
                    return CSimVariant::Bool(c->enabled);
                  })
          .Method(L"ExecuteMso", {L"idMso"},
                  [](T& o, const CSimArgs& a) {
                    if (!o.App().ExecuteCommand(a.Str(0)))
                      throw CSimError(E_FAIL, L"Method 'ExecuteMso' of object '_CommandBars' failed");
                    return CSimVariant();
                  })
          .Default(L"Item");
      return t;
    }();
    return table;
  }
};

}  // namespace

DispPtr MakeCommandBarsObject(AppPtr app) { return MakeSim<CBarsObject>(std::move(app)); }

}  // namespace kalsim::word
