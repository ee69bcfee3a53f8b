// User actions on the Word model.
#include "sim/word/word_user.h"

#include "sim/engine/sim_error.h"

namespace kalsim::word {

namespace {
// Text area of a Letter page with Word's default margins, for placing centred shapes.
constexpr double kTextWidth = 432.0;
constexpr double kTextHeight = 648.0;

CDocument& Active(CWordApplication& app) {
  auto doc = app.ActiveDocument();
  if (!doc) ThrowOffice(4248, L"This command is not available because no document is open.");
  return *doc;
}

template <class F>
void EditShape(CWordApplication& app, int section, int index, F change) {
  CDocument& doc = Active(app);
  auto shape = ShapeAt(app, section, index);
  RequireEditable(doc);
  change(*shape);
  MarkChanged(doc);
}
}  // namespace

std::shared_ptr<CShape> ShapeAt(CWordApplication& app, int section, int index) {
  CDocument& doc = Active(app);
  if (section < 1 || static_cast<size_t>(section) > doc.sections.size()) ThrowBadIndex();
  auto& shapes = doc.sections[static_cast<size_t>(section - 1)]->headers[0].story->shapes;
  if (index < 1 || static_cast<size_t>(index) > shapes.size()) ThrowBadIndex();
  return shapes[static_cast<size_t>(index - 1)];
}

void UserOpenHeader(CWordApplication& app, int section) {
  CDocument& doc = Active(app);
  if (section < 1 || static_cast<size_t>(section) > doc.sections.size()) ThrowBadIndex();
  if (doc.viewType != kViewPrint) doc.viewType = kViewPrint;
  doc.selection = CSelection{};
  doc.selection.section = section;
  doc.seekView = ResolveSeek(doc, section, kSeekCurrentPageHeader);
  doc.selection.story = doc.seekView;
  app.FireWindowSelectionChange();
}

void UserCloseHeader(CWordApplication& app) {
  CDocument& doc = Active(app);
  doc.seekView = kSeekMain;
  doc.selection.story = kSeekMain;
  doc.selection.shape.reset();
  doc.selection.start = doc.selection.end = 0;
  app.FireWindowSelectionChange();
}

void UserMoveShape(CWordApplication& app, int section, int index, double dx, double dy) {
  EditShape(app, section, index, [&](CShape& s) {
    double left = s.left == kShapeCenter ? (kTextWidth - s.width) / 2 : s.left;
    double top = s.top == kShapeCenter ? (kTextHeight - s.height) / 2 : s.top;
    s.left = left + dx;
    s.top = top + dy;
  });
  SelectShape(Active(app), ShapeAt(app, section, index));
  app.FireWindowSelectionChange();
}

void UserSetShapeText(CWordApplication& app, int section, int index, const std::wstring& text) {
  EditShape(app, section, index, [&](CShape& s) { s.text = text; });
}

void UserSetShapeColor(CWordApplication& app, int section, int index, long rgb) {
  EditShape(app, section, index, [&](CShape& s) { s.foreColor = rgb & 0xFFFFFF; });
}

void UserSetShapeTransparency(CWordApplication& app, int section, int index, double transparency) {
  if (transparency < 0.0 || transparency > 1.0) ThrowOffice(4608, L"Value out of range.");
  EditShape(app, section, index, [&](CShape& s) { s.fillTransparency = transparency; });
}

void UserSetShapeRotation(CWordApplication& app, int section, int index, double degrees) {
  EditShape(app, section, index, [&](CShape& s) { s.rotation = degrees; });
}

void UserRenameShape(CWordApplication& app, int section, int index, const std::wstring& name) {
  if (name.empty()) ThrowOffice(4608, L"Value out of range.");
  EditShape(app, section, index, [&](CShape& s) { s.name = name; });
}

void UserDeleteShape(CWordApplication& app, int section, int index) {
  CDocument& doc = Active(app);
  SelectShape(doc, ShapeAt(app, section, index));
  app.FireWindowSelectionChange();
  DeleteSelection(doc, 1);
}

void UserAddWordArt(CWordApplication& app, int section, const std::wstring& text) {
  CDocument& doc = Active(app);
  if (section < 1 || static_cast<size_t>(section) > doc.sections.size()) ThrowBadIndex();
  AddTextEffect(doc, *doc.sections[static_cast<size_t>(section - 1)]->headers[0].story, 0, text, L"Arial", 36.0,
                false, false, 100.0, 100.0);
}

void UserType(CWordApplication& app, const std::wstring& text) {
  TypeText(Active(app), text);
  app.FireWindowSelectionChange();
}

}  // namespace kalsim::word
