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

}  // namespace

json PresentationToJson(const CPresentation& p) {
  json shapes = json::array();
  for (const auto& s : p.masterShapes) shapes.push_back(ShapeToJson(*s));
  json layouts = json::array();
  for (const auto& l : p.layouts) layouts.push_back(json{{"name", ToUtf8(l.name)}, {"displayMasterShapes", l.displayMasterShapes}});
  json slides = json::array();
  for (const auto& s : p.slides)
    slides.push_back(json{{"layout", s->layout + 1}, {"text", ToUtf8(s->text)}, {"followMasterBackground", s->followMasterBackground},
                          {"displayMasterShapes", s->displayMasterShapes}, {"background", FillToJson(s->background)},
                          {"showsMasterShapes", ShowsMasterShapes(p, *s)}, {"shownBackground", FillToJson(ShownBackground(p, *s))}});
  return json{{"name", ToUtf8(p.name)}, {"path", ToUtf8(p.path)}, {"modifyPassword", ToUtf8(p.modifyPassword)},
              {"readOnly", p.readOnly}, {"saved", p.saved}, {"hasWindow", p.hasWindow},
              {"master", {{"shapes", shapes}, {"background", FillToJson(p.masterBackground)}}}, {"layouts", layouts},
              {"slides", slides},
              {"view", {{"type", p.window.viewType}, {"currentSlide", p.window.currentSlide + 1}, {"masterViewItem", p.window.masterViewItem}}}};
}

PresentationPtr PresentationFromJson(const json& j) {
  if (!j.is_object()) ThrowPpt(L"Presentations.Open : PowerPoint could not open the file.");
  auto p = std::make_shared<CPresentation>();
  p->name = Str(j, "name", L"Presentation.pptx");
  p->modifyPassword = Str(j, "modifyPassword", L"");
  p->readOnly = j.value("readOnly", false);
  if (j.contains("master") && j["master"].is_object()) {
    const json& m = j["master"];
    if (m.contains("shapes") && m["shapes"].is_array())
      for (const auto& s : m["shapes"]) p->masterShapes.push_back(ShapeFromJson(s, p->nextId++));
    if (m.contains("background")) p->masterBackground = FillFromJson(m["background"]);
  }
  if (j.contains("layouts") && j["layouts"].is_array())
    for (const auto& l : j["layouts"]) p->layouts.push_back(CLayout{Str(l, "name", L"Layout"), l.value("displayMasterShapes", true)});
  if (p->layouts.empty()) p->layouts = {CLayout{L"Title Slide", true}, CLayout{L"Title and Content", true}};
  if (j.contains("slides") && j["slides"].is_array()) {
    for (const auto& s : j["slides"]) {
      auto slide = std::make_shared<CSlide>();
      slide->id = 255 + p->nextId++;
      const long layout = s.value("layout", 1L);
      slide->layout = layout >= 1 && static_cast<size_t>(layout) <= p->layouts.size() ? static_cast<size_t>(layout - 1) : 0;
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
