// Word documents as JSON files (any extension), and the application state dump.
//
// Document format (every key optional; defaults are a new blank document's):
// {
//   "name": "report.docx", "trackRevisions": false, "revisions": 0, "saved": true,
//   "oddAndEvenPages": false,                             // even pages show the evenPages header
//   "protection": {"type": -1, "passwordHash": ""},      // WdProtectionType; the password's
//                                                          // PasswordHash only, as Word keeps it
//   "view": {"type": 3, "seekView": 0, "splitSpecial": 0}, // WdViewType (1 draft, 2 outline,
//                                                          // 3 print layout, 6 web, 7 read mode), WdSeekView
//   "openPassword": "", "writePassword": "",              // asked for by Documents.Open
//   "links": ["C:\\data\\figures.xlsx"],                   // offered for update at open
//   "sections": [
//     {"text": "body text", "differentFirstPage": false, "pages": 1,
//      "headers": {"primary": STORY, "firstPage": STORY, "evenPages": STORY},
//      "footers": {"primary": STORY, "firstPage": STORY, "evenPages": STORY}}
//   ]
// }
// STORY: {"linkToPrevious": true} (shares the previous section's story; the default for
// sections after the first) or {"text": "...", "shapes": [SHAPE, ...]}.
// SHAPE: {"name", "type": "textEffect", "text", "fontName", "fontSize", "fontBold",
//   "fontItalic", "presetTextEffect", "normalizedHeight", "lineVisible",
//   "fill": {"visible", "transparency" (0..1), "foreColor" (R + 256 G + 65536 B), "solid"},
//   "rotation", "lockAspectRatio", "wrap": {"side", "type", "allowOverlap"},
//   "relativeHorizontalPosition", "relativeVerticalPosition",
//   "left", "top" (-999995 = centred), "width", "height"}
#pragma once
#include <nlohmann/json.hpp>

#include <memory>
#include <string>

#include "sim/word/word_model.h"

namespace kalsim::word {

std::string ToUtf8(const std::wstring& text);
std::wstring FromUtf8(const std::string& text);

// Whole-file byte I/O with wide paths.
bool ReadWholeFile(const std::wstring& path, std::string& out);
bool WriteWholeFile(const std::wstring& path, const std::string& bytes);

nlohmann::json DocumentToJson(const CDocument& doc);
// Throws CSimError (Word's "file is corrupt" error) on JSON that is not a document.
std::shared_ptr<CDocument> DocumentFromJson(const nlohmann::json& json);

// Throws CSimError like Word: a missing file, or one that is not a document.
std::shared_ptr<CDocument> LoadDocumentFile(const std::wstring& path);
void SaveDocumentFile(const CDocument& doc, const std::wstring& path);

// Application state: version, options, Normal template, screen updating (with their recorded
// transitions), the TextEffect line-break switch, command bars, ribbon commands and every
// open document (with "active" naming the active one).
nlohmann::json AppStateToJson(const CWordAppState& state);

}  // namespace kalsim::word
