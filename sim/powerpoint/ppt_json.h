// PowerPoint presentations as JSON files (any extension), and the application state dump.
//
// Presentation format (every key optional; defaults are a new presentation's):
// {
//   "name": "deck.pptx", "modifyPassword": "", "readOnly": false, "saved": true,
//   "designs": [{"name": "Office Theme", "master": MASTER, "layouts": LAYOUTS}, ...],
//   "master": MASTER, "layouts": LAYOUTS,     (read only without "designs": one design)
//   "slides": [{"design": 1, "layout": 1 (1-based, of its design), "text": "",
//               "followMasterBackground": true, "displayMasterShapes": true, "background": FILL}, ...],
//   "view": {"type": 9 (PpViewType), "currentSlide": 1}
// }
// SHAPE: {"name", "type" (MsoShapeType: 15 WordArt, 1 AutoShape, 13 picture), "text",
//   "fontName", "fontSize", "fontBold", "fontItalic", "presetTextEffect", "normalizedHeight",
//   "textRgb", "shadow": {"transparency", "rgb"}, "fill": FILL, "rotation", "lockAspectRatio",
//   "left", "top", "width", "height", "pictureColorType", "brightness"}
// MASTER: {"shapes": [SHAPE, ...], "background": FILL}
// LAYOUTS: [{"name": "Title Slide", "displayMasterShapes": true}, ...]
// FILL: {"visible", "rgb" (R + 256 G + 65536 B), "schemeColor", "transparency" (0..1), "solid"}
// Written files and dumps carry "designs" and, for readers of the one-master form, "master" and
// "layouts" of the first design (the master Presentation.SlideMaster returns); they add, per
// slide, "showsMasterShapes" and "shownBackground" (what the slide displays).
#pragma once
#include <nlohmann/json.hpp>

#include <string>

#include "sim/powerpoint/ppt_model.h"

namespace kalsim::ppt {

nlohmann::json PresentationToJson(const CPresentation& p);
// Throws CSimError (PowerPoint's "could not open" error) on JSON that is not a presentation.
PresentationPtr PresentationFromJson(const nlohmann::json& json);
PresentationPtr LoadPresentationFile(const std::wstring& path);
void SavePresentationFile(const CPresentation& p, const std::wstring& path);
// Version, visibility, alerts, open presentations ("active" names the active one), ribbon
// commands, events fired and advised sinks.
nlohmann::json AppStateToJson(CPptApplication& app);

}  // namespace kalsim::ppt
