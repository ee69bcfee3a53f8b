// JSON reading and writing of Word documents and of the application state.
#include "sim/word/word_json.h"

#include <windows.h>

#include <cstdio>

#include "sim/engine/sim_error.h"

using nlohmann::json;

namespace kalsim::word {

std::string ToUtf8(const std::wstring& text) {
  if (text.empty()) return {};
  int n = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<size_t>(n), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), n, nullptr, nullptr);
  return out;
}

std::wstring FromUtf8(const std::string& text) {
  if (text.empty()) return {};
  int n = MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  std::wstring out(static_cast<size_t>(n), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), n);
  return out;
}

bool ReadWholeFile(const std::wstring& path, std::string& out) {
  FILE* f = _wfopen(path.c_str(), L"rb");
  if (!f) return false;
  char buf[8192];
  size_t n;
  out.clear();
  while ((n = fread(buf, 1, sizeof buf, f)) > 0) out.append(buf, n);
  bool ok = !ferror(f);
  fclose(f);
  return ok;
}

bool WriteWholeFile(const std::wstring& path, const std::string& bytes) {
  FILE* f = _wfopen(path.c_str(), L"wb");
  if (!f) return false;
  bool ok = fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
  return fclose(f) == 0 && ok;
}

namespace {

const char* const kStoryKeys[3] = {"primary", "firstPage", "evenPages"};

json ShapeToJson(const CShape& s) {
  return json{{"name", ToUtf8(s.name)},
              {"type", ToUtf8(s.type)},
              {"text", ToUtf8(s.text)},
              {"fontName", ToUtf8(s.fontName)},
              {"fontSize", s.fontSize},
              {"fontBold", s.fontBold},
              {"fontItalic", s.fontItalic},
              {"presetTextEffect", s.presetTextEffect},
              {"normalizedHeight", s.normalizedHeight},
              {"lineVisible", s.lineVisible},
              {"fill",
               {{"visible", s.fillVisible},
                {"transparency", s.fillTransparency},
                {"foreColor", s.foreColor},
                {"solid", s.fillSolid}}},
              {"rotation", s.rotation},
              {"lockAspectRatio", s.lockAspectRatio},
              {"wrap", {{"side", s.wrapSide}, {"type", s.wrapType}, {"allowOverlap", s.allowOverlap}}},
              {"relativeHorizontalPosition", s.relativeHorizontalPosition},
              {"relativeVerticalPosition", s.relativeVerticalPosition},
              {"left", s.left},
              {"top", s.top},
              {"width", s.width},
              {"height", s.height}};
}

template <class T>
void Read(const json& j, const char* key, T& out) {
  auto it = j.find(key);
  if (it != j.end() && !it->is_null()) out = it->get<T>();
}

void ReadStr(const json& j, const char* key, std::wstring& out) {
  auto it = j.find(key);
  if (it != j.end() && !it->is_null()) out = FromUtf8(it->get<std::string>());
}

std::shared_ptr<CShape> ShapeFromJson(const json& j) {
  auto s = std::make_shared<CShape>();
  ReadStr(j, "name", s->name);
  ReadStr(j, "type", s->type);
  ReadStr(j, "text", s->text);
  ReadStr(j, "fontName", s->fontName);
  Read(j, "fontSize", s->fontSize);
  Read(j, "fontBold", s->fontBold);
  Read(j, "fontItalic", s->fontItalic);
  Read(j, "presetTextEffect", s->presetTextEffect);
  Read(j, "normalizedHeight", s->normalizedHeight);
  Read(j, "lineVisible", s->lineVisible);
  if (j.contains("fill")) {
    const json& f = j["fill"];
    Read(f, "visible", s->fillVisible);
    Read(f, "transparency", s->fillTransparency);
    Read(f, "foreColor", s->foreColor);
    Read(f, "solid", s->fillSolid);
  }
  Read(j, "rotation", s->rotation);
  Read(j, "lockAspectRatio", s->lockAspectRatio);
  if (j.contains("wrap")) {
    const json& w = j["wrap"];
    Read(w, "side", s->wrapSide);
    Read(w, "type", s->wrapType);
    Read(w, "allowOverlap", s->allowOverlap);
  }
  Read(j, "relativeHorizontalPosition", s->relativeHorizontalPosition);
  Read(j, "relativeVerticalPosition", s->relativeVerticalPosition);
  Read(j, "left", s->left);
  Read(j, "top", s->top);
  Read(j, "width", s->width);
  Read(j, "height", s->height);
  return s;
}

json StoryToJson(const CHeaderFooter& hf) {
  if (hf.linkToPrevious) return json{{"linkToPrevious", true}};
  json shapes = json::array();
  for (const auto& s : hf.story->shapes) shapes.push_back(ShapeToJson(*s));
  return json{{"linkToPrevious", false}, {"text", ToUtf8(hf.story->text)}, {"shapes", shapes}};
}

void StoryFromJson(const json& j, bool firstSection, CHeaderFooter& hf) {
  // Later sections link to the previous one unless they carry content of their own.
  const bool hasContent = j.is_object() && (j.contains("text") || j.contains("shapes"));
  hf.linkToPrevious = !firstSection && !hasContent;
  if (j.is_object()) Read(j, "linkToPrevious", hf.linkToPrevious);
  if (firstSection) hf.linkToPrevious = false;
  if (hf.linkToPrevious) return;
  hf.story = std::make_shared<CStory>();
  if (!j.is_object()) return;
  ReadStr(j, "text", hf.story->text);
  if (j.contains("shapes"))
    for (const json& s : j["shapes"]) hf.story->shapes.push_back(ShapeFromJson(s));
}

long NextShapeId(const CDocument& doc) {
  long next = 1;
  for (const auto& story : AllStories(doc))
    for (const auto& s : story->shapes) {
      size_t space = s->name.rfind(L' ');
      if (space != std::wstring::npos) next = std::max(next, std::wcstol(s->name.c_str() + space + 1, nullptr, 10) + 1);
    }
  return next;
}

}  // namespace

json DocumentToJson(const CDocument& doc) {
  json sections = json::array();
  for (const auto& s : doc.sections) {
    json headers, footers;
    for (int k = 0; k < 3; ++k) {
      headers[kStoryKeys[k]] = StoryToJson(s->headers[k]);
      footers[kStoryKeys[k]] = StoryToJson(s->footers[k]);
    }
    sections.push_back(json{{"text", ToUtf8(s->text)},
                            {"differentFirstPage", s->differentFirstPage},
                            {"pages", s->pages},
                            {"headers", headers},
                            {"footers", footers}});
  }
  json j{{"name", ToUtf8(doc.name)},
              {"trackRevisions", doc.trackRevisions},
              {"revisions", doc.revisions},
              {"oddAndEvenPages", doc.oddAndEvenPages},
              {"saved", doc.saved},
              {"protection", {{"type", doc.protectionType}, {"passwordHash", ToUtf8(doc.passwordHash)}}},
              {"view", {{"type", doc.viewType}, {"seekView", doc.seekView}, {"splitSpecial", doc.splitSpecial}}},
              {"sections", sections}};
  if (!doc.openPassword.empty()) j["openPassword"] = ToUtf8(doc.openPassword);
  if (!doc.writePassword.empty()) j["writePassword"] = ToUtf8(doc.writePassword);
  if (!doc.links.empty()) {
    j["links"] = json::array();
    for (const auto& l : doc.links) j["links"].push_back(ToUtf8(l));
  }
  return j;
}

std::shared_ptr<CDocument> DocumentFromJson(const json& j) {
  try {
    if (!j.is_object()) throw std::runtime_error("not an object");
    auto doc = std::make_shared<CDocument>();
    doc->name = L"Document1";
    ReadStr(j, "name", doc->name);
    Read(j, "trackRevisions", doc->trackRevisions);
    Read(j, "revisions", doc->revisions);
    Read(j, "oddAndEvenPages", doc->oddAndEvenPages);
    if (j.contains("protection")) {
      Read(j["protection"], "type", doc->protectionType);
      ReadStr(j["protection"], "passwordHash", doc->passwordHash);
    }
    ReadStr(j, "openPassword", doc->openPassword);
    ReadStr(j, "writePassword", doc->writePassword);
    if (j.contains("links") && j["links"].is_array())
      for (const json& l : j["links"]) doc->links.push_back(FromUtf8(l.get<std::string>()));
    if (j.contains("view")) {
      Read(j["view"], "type", doc->viewType);
      Read(j["view"], "seekView", doc->seekView);
      Read(j["view"], "splitSpecial", doc->splitSpecial);
    }
    if (j.contains("sections")) {
      for (const json& js : j["sections"]) {
        auto s = std::make_shared<CSection>();
        bool first = doc->sections.empty();
        ReadStr(js, "text", s->text);
        Read(js, "differentFirstPage", s->differentFirstPage);
        Read(js, "pages", s->pages);
        if (s->pages < 1) throw std::runtime_error("a section has at least one page");
        for (int k = 0; k < 3; ++k) {
          json h = js.contains("headers") ? js["headers"].value(kStoryKeys[k], json()) : json();
          json f = js.contains("footers") ? js["footers"].value(kStoryKeys[k], json()) : json();
          StoryFromJson(h, first, s->headers[k]);
          StoryFromJson(f, first, s->footers[k]);
        }
        doc->sections.push_back(s);
      }
    }
    if (doc->sections.empty()) doc->sections = MakeDocument(1)->sections;
    ResolveLinks(*doc);
    doc->nextShapeId = NextShapeId(*doc);
    doc->saved = true;  // a document just opened has no unsaved changes
    return doc;
  } catch (const json::exception&) {
    ThrowOffice(5792, L"The file appears to be corrupted.");
  } catch (const std::runtime_error&) {
    ThrowOffice(5792, L"The file appears to be corrupted.");
  }
}

std::shared_ptr<CDocument> LoadDocumentFile(const std::wstring& path) {
  std::string bytes;
  if (!ReadWholeFile(path, bytes))
    ThrowOffice(5174, L"Sorry, we couldn't find your file. Was it moved, renamed, or deleted?");
  json j = json::parse(bytes, nullptr, false);
  if (j.is_discarded()) ThrowOffice(5792, L"The file appears to be corrupted.");
  auto doc = DocumentFromJson(j);
  doc->path = path;
  size_t slash = path.find_last_of(L"\\/");
  doc->name = slash == std::wstring::npos ? path : path.substr(slash + 1);
  return doc;
}

void SaveDocumentFile(const CDocument& doc, const std::wstring& path) {
  json j = DocumentToJson(doc);
  j["saved"] = true;
  if (!WriteWholeFile(path, j.dump(2))) ThrowOffice(5096, L"Word could not save the file.");
}

json AppStateToJson(const CWordAppState& state) {
  json bars = json::array();
  for (const auto& bar : state.commandBars) {
    json controls = json::array();
    for (const auto& c : bar.controls) {
      json children = json::array();
      for (const auto& k : c->controls)
        children.push_back(json{{"caption", ToUtf8(k->caption)}, {"enabled", k->enabled}});
      json jc{{"caption", ToUtf8(c->caption)}, {"enabled", c->enabled}};
      if (c->type == 10) jc["controls"] = children;
      controls.push_back(jc);
    }
    bars.push_back(json{{"name", ToUtf8(bar.name)}, {"controls", controls}});
  }
  json commands = json::object();
  for (const auto& c : state.commands)
    commands[ToUtf8(c.idMso)] = json{{"enabled", c.enabled}, {"executed", c.executed}, {"refused", c.refused}};
  json docs = json::array();
  int active = 0;
  for (size_t i = 0; i < state.documents.size(); ++i) {
    json d = DocumentToJson(*state.documents[i]);
    d["path"] = ToUtf8(state.documents[i]->path);
    docs.push_back(d);
    if (state.documents[i] == state.active) active = static_cast<int>(i + 1);
  }
  return json{{"version", ToUtf8(state.version)},
              {"options",
               {{"saveNormalPrompt", state.options.saveNormalPrompt},
                {"savePropertiesPrompt", state.options.savePropertiesPrompt},
                {"saveInterval", state.options.saveInterval}}},
              {"normalTemplateSaved", state.normalTemplateSaved},
              {"normalTemplateSavedTransitions", state.normalTemplateSavedTransitions},
              {"screenUpdating", state.screenUpdating},
              {"screenUpdatingTransitions", state.screenUpdatingTransitions},
              {"textEffectLineBreaks", state.textEffectBreaks == ETextEffectBreaks::kAsWritten ? "asWritten" : "paragraphMark"},
              {"visible", state.visible},
              {"displayAlerts", state.displayAlerts},
              {"commandBars", bars},
              {"commands", commands},
              {"active", active},
              {"documents", docs}};
}

}  // namespace kalsim::word
