// JSON presentations and the PowerPoint state dump.
#include "sim/powerpoint/ppt_json.h"

#include "sim/powerpoint/ppt_errors.h"
#include "sim/word/word_json.h"

namespace kalsim::ppt {

using nlohmann::json;
using word::FromUtf8;
using word::ToUtf8;

namespace {

std::wstring Str(const json& j, const char* key, const std::wstring& fallback) {
  return j.contains(key) && j[key].is_string() ? FromUtf8(j[key].get<std::string>()) : fallback;
}

json FillToJson(const CFill& f) {
  return json{{"visible", f.visible}, {"rgb", f.foreRgb}, {"schemeColor", f.schemeColor}, {"transparency", f.transparency}, {"solid", f.solid}};
}

CFill FillFromJson(const json& j) {
  CFill f;
  if (!j.is_object()) return f;
  f.visible = j.value("visible", f.visible);
  f.foreRgb = j.value("rgb", f.foreRgb);
  f.schemeColor = j.value("schemeColor", f.schemeColor);
  f.transparency = j.value("transparency", f.transparency);
  f.solid = j.value("solid", f.solid);
  return f;
}

json ShapeToJson(const CShape& s) {
  return json{{"name", ToUtf8(s.name)}, {"type", s.type}, {"text", ToUtf8(s.text)}, {"fontName", ToUtf8(s.fontName)},
              {"fontSize", s.fontSize}, {"fontBold", s.fontBold}, {"fontItalic", s.fontItalic},
              {"presetTextEffect", s.presetTextEffect}, {"normalizedHeight", s.normalizedHeight}, {"textRgb", s.textRgb},
              {"shadow", {{"transparency", s.shadowTransparency}, {"rgb", s.shadowRgb}}}, {"fill", FillToJson(s.fill)},
              {"rotation", s.rotation}, {"lockAspectRatio", s.lockAspectRatio}, {"left", s.left}, {"top", s.top},
              {"width", s.width}, {"height", s.height}, {"pictureColorType", s.pictureColorType}, {"brightness", s.brightness}};
}

ShapePtr ShapeFromJson(const json& j, long id) {
  auto s = std::make_shared<CShape>();
  s->id = id;
  s->name = Str(j, "name", L"Shape " + std::to_wstring(id));
  s->type = j.value("type", s->type);
  s->text = Str(j, "text", L"");
  s->fontName = Str(j, "fontName", s->fontName);
  s->fontSize = j.value("fontSize", s->fontSize);
  s->fontBold = j.value("fontBold", false);
  s->fontItalic = j.value("fontItalic", false);
  s->presetTextEffect = j.value("presetTextEffect", 0L);
  s->normalizedHeight = j.value("normalizedHeight", false);
  s->textRgb = j.value("textRgb", 0L);
  if (j.contains("shadow") && j["shadow"].is_object()) {
    s->shadowTransparency = j["shadow"].value("transparency", 0.0);
    s->shadowRgb = j["shadow"].value("rgb", s->shadowRgb);
  }
  if (j.contains("fill")) s->fill = FillFromJson(j["fill"]);
  s->rotation = j.value("rotation", 0.0);
  s->lockAspectRatio = j.value("lockAspectRatio", false);
  s->left = j.value("left", 0.0);
  s->top = j.value("top", 0.0);
  s->width = j.value("width", s->width);
  s->height = j.value("height", s->height);
  s->pictureColorType = j.value("pictureColorType", s->pictureColorType);
  s->brightness = j.value("brightness", s->brightness);
  return s;
}

json MasterToJson(const CDesign& d) {
  json shapes = json::array();
  for (const auto& s : d.masterShapes) shapes.push_back(ShapeToJson(*s));
  return json{{"shapes", shapes}, {"background", FillToJson(d.masterBackground)}};
}

json LayoutsToJson(const CDesign& d) {
  json layouts = json::array();
  for (const auto& l : d.layouts) layouts.push_back(json{{"name", ToUtf8(l.name)}, {"displayMasterShapes", l.displayMasterShapes}});
  return layouts;
}

// A design from its master object and layout list (either may be missing).
DesignPtr DesignFromJson(const std::wstring& name, const json* master, const json* layouts, CPresentation& p) {
  auto d = std::make_shared<CDesign>();
  d->name = name;
  if (master && master->is_object()) {
    if (master->contains("shapes") && (*master)["shapes"].is_array())
      for (const auto& s : (*master)["shapes"]) d->masterShapes.push_back(ShapeFromJson(s, p.nextId++));
    if (master->contains("background")) d->masterBackground = FillFromJson((*master)["background"]);
  }
  if (layouts && layouts->is_array())
    for (const auto& l : *layouts) d->layouts.push_back(CLayout{Str(l, "name", L"Layout"), l.value("displayMasterShapes", true)});
  if (d->layouts.empty()) d->layouts = MakeDesign(name)->layouts;
  return d;
}

const json* Member(const json& j, const char* key) { return j.contains(key) ? &j[key] : nullptr; }

}  // namespace

json PresentationToJson(const CPresentation& p) {
  json designs = json::array();
  for (const auto& d : p.designs)
    designs.push_back(json{{"name", ToUtf8(d->name)}, {"master", MasterToJson(*d)}, {"layouts", LayoutsToJson(*d)}});
  json slides = json::array();
  for (const auto& s : p.slides)
    slides.push_back(json{{"design", s->design + 1}, {"layout", s->layout + 1}, {"text", ToUtf8(s->text)},
                          {"followMasterBackground", s->followMasterBackground},
                          {"displayMasterShapes", s->displayMasterShapes}, {"background", FillToJson(s->background)},
                          {"showsMasterShapes", ShowsMasterShapes(p, *s)}, {"shownBackground", FillToJson(ShownBackground(p, *s))}});
  const CDesign& first = *p.designs.front();
  return json{{"name", ToUtf8(p.name)}, {"path", ToUtf8(p.path)}, {"modifyPassword", ToUtf8(p.modifyPassword)},
              {"readOnly", p.readOnly}, {"saved", p.saved}, {"hasWindow", p.hasWindow}, {"designs", designs},
              {"master", MasterToJson(first)}, {"layouts", LayoutsToJson(first)}, {"slides", slides},
              {"view", {{"type", p.window.viewType}, {"currentSlide", p.window.currentSlide + 1}, {"masterViewItem", p.window.masterViewItem}}}};
}

PresentationPtr PresentationFromJson(const json& j) {
  if (!j.is_object()) ThrowPpt(L"Presentations.Open : PowerPoint could not open the file.");
  auto p = std::make_shared<CPresentation>();
  p->name = Str(j, "name", L"Presentation.pptx");
  p->modifyPassword = Str(j, "modifyPassword", L"");
  p->readOnly = j.value("readOnly", false);
  if (j.contains("designs") && j["designs"].is_array() && !j["designs"].empty()) {
    for (const auto& d : j["designs"])
      if (d.is_object()) p->designs.push_back(DesignFromJson(Str(d, "name", L"Office Theme"), Member(d, "master"), Member(d, "layouts"), *p));
  }
  if (p->designs.empty()) p->designs.push_back(DesignFromJson(L"Office Theme", Member(j, "master"), Member(j, "layouts"), *p));
  if (j.contains("slides") && j["slides"].is_array()) {
    for (const auto& s : j["slides"]) {
      auto slide = std::make_shared<CSlide>();
      slide->id = 255 + p->nextId++;
      const long design = s.value("design", 1L);
      slide->design = design >= 1 && static_cast<size_t>(design) <= p->designs.size() ? static_cast<size_t>(design - 1) : 0;
      const long layout = s.value("layout", 1L);
      const size_t layouts = DesignOf(*p, *slide).layouts.size();
      slide->layout = layout >= 1 && static_cast<size_t>(layout) <= layouts ? static_cast<size_t>(layout - 1) : 0;
      slide->text = Str(s, "text", L"");
      slide->followMasterBackground = s.value("followMasterBackground", true);
      slide->displayMasterShapes = s.value("displayMasterShapes", true);
      if (s.contains("background")) slide->background = FillFromJson(s["background"]);
      p->slides.push_back(slide);
    }
  }
  if (j.contains("view") && j["view"].is_object()) {
    p->window.viewType = j["view"].value("type", kViewNormal);
    const long current = j["view"].value("currentSlide", 1L);
    p->window.currentSlide = current >= 1 ? static_cast<size_t>(current - 1) : 0;
  }
  p->saved = j.value("saved", true);
  return p;
}

PresentationPtr LoadPresentationFile(const std::wstring& path) {
  std::string bytes;
  if (!word::ReadWholeFile(path, bytes))
    ThrowPpt(L"Presentations.Open : PowerPoint could not open the file.");
  json j = json::parse(bytes, nullptr, false);
  if (j.is_discarded()) ThrowPpt(L"Presentations.Open : PowerPoint could not open the file.");
  auto p = PresentationFromJson(j);
  p->path = path;
  const size_t slash = path.find_last_of(L"\\/");
  p->name = slash == std::wstring::npos ? path : path.substr(slash + 1);
  return p;
}

void SavePresentationFile(const CPresentation& p, const std::wstring& path) {
  json j = PresentationToJson(p);
  j["saved"] = true;
  if (!word::WriteWholeFile(path, j.dump(2))) ThrowPpt(L"Presentation.Save : PowerPoint can't save the file.");
}

json AppStateToJson(CPptApplication& app) {
  CPptAppState& s = app.State();
  json list = json::array();
  long active = 0;
  for (size_t i = 0; i < s.presentations.size(); ++i) {
    list.push_back(PresentationToJson(*s.presentations[i]));
    if (s.presentations[i] == s.active) active = static_cast<long>(i + 1);
  }
  json commands = json::array();
  for (const auto& c : s.commands)
    commands.push_back(json{{"idMso", ToUtf8(c.idMso)}, {"enabled", c.enabled}, {"executed", c.executed}, {"refused", c.refused}});
  json events = json::object();
  for (DISPID id : {kEvtPresentationOpen, kEvtAfterPresentationOpen, kEvtNewPresentation, kEvtAfterNewPresentation,
                    kEvtPresentationNewSlide, kEvtPresentationClose, kEvtPresentationSave})
    events[std::to_string(id)] = app.EventsFired(id);
  return json{{"version", ToUtf8(s.version)}, {"visible", s.visible}, {"displayAlerts", s.displayAlerts},
              {"presentations", list}, {"active", active}, {"commands", commands}, {"eventsFired", events},
              {"advisedSinks", app.AdvisedSinks()}};
}

}  // namespace kalsim::ppt
