// Edit rules of the PowerPoint model, with the reference page of each rule. Error numbers and
// texts follow PowerPoint's run-time messages ("<Object>.<Member> : Invalid request. ...");
// their exact HRESULTs are unverified (PowerPoint reports them as DISP_E_EXCEPTION).
#include "sim/powerpoint/ppt_state.h"

#include <algorithm>

#include "sim/engine/sim_error.h"
#include "sim/powerpoint/ppt_errors.h"

namespace kalsim::ppt {

DesignPtr MakeDesign(const std::wstring& name) {
  auto d = std::make_shared<CDesign>();
  d->name = name;
  d->layouts = {CLayout{L"Title Slide", true}, CLayout{L"Title and Content", true}};
  return d;
}

PresentationPtr MakePresentation(size_t slides) {
  auto p = std::make_shared<CPresentation>();
  p->designs.push_back(MakeDesign(L"Office Theme"));
  for (size_t i = 0; i < slides; ++i) AddSlide(*p, i, i == 0 ? 0 : 1);
  p->saved = true;
  return p;
}

// https://learn.microsoft.com/office/vba/api/powerpoint.slide.design: every slide has a design,
// whose master it shows.
CDesign& DesignOf(const CPresentation& p, const CSlide& slide) {
  return *p.designs[slide.design < p.designs.size() ? slide.design : 0];
}

CDesign* DesignHolding(const CPresentation& p, const ShapePtr& shape) {
  for (const auto& d : p.designs)
    if (std::find(d->masterShapes.begin(), d->masterShapes.end(), shape) != d->masterShapes.end()) return d.get();
  return nullptr;
}

// https://learn.microsoft.com/office/vba/api/powerpoint.slide.followmasterbackground
// "the slide follows the slide master background": it shows its design master's fill.
const CFill& ShownBackground(const CPresentation& p, const CSlide& slide) {
  return slide.followMasterBackground ? DesignOf(p, slide).masterBackground : slide.background;
}

// https://learn.microsoft.com/office/vba/api/powerpoint.slide.displaymastershapes and
// CustomLayout.DisplayMasterShapes: both the slide and its layout must show them.
bool ShowsMasterShapes(const CPresentation& p, const CSlide& slide) {
  const CDesign& d = DesignOf(p, slide);
  const bool layoutShows = slide.layout < d.layouts.size() ? d.layouts[slide.layout].displayMasterShapes : true;
  return slide.displayMasterShapes && layoutShows;
}

void MarkChanged(CPresentation& p) {
  if (p.closed) ThrowPpt(L"Presentation (unknown member) : Object does not exist.");
  p.saved = false;
}

SlidePtr AddSlide(CPresentation& p, size_t index, size_t layout) {
  if (index > p.slides.size()) ThrowPpt(L"Slides.AddSlide : Index out of bounds.");
  auto slide = std::make_shared<CSlide>();
  slide->id = 255 + p.nextId++;
  // Unverified: the reference does not say which design a slide added by index gets.
  if (!p.slides.empty()) slide->design = p.slides[index > 0 ? index - 1 : 0]->design;
  slide->layout = layout < DesignOf(p, *slide).layouts.size() ? layout : 0;
  p.slides.insert(p.slides.begin() + static_cast<long>(index), slide);
  MarkChanged(p);
  return slide;
}

ShapePtr AddTextEffect(CPresentation& p, CDesign& design, long preset, const std::wstring& text, const std::wstring& font, double size,
                       bool bold, bool italic, double left, double top) {
  // https://learn.microsoft.com/office/vba/api/powerpoint.shapes.addtexteffect: preset is an
  // MsoPresetTextEffect (0 to 49), the size in points; the shape's Type is msoTextEffect.
  if (preset < 0 || preset > 49) ThrowPpt(L"Shapes.AddTextEffect : The specified value is out of range.");
  if (size <= 0 || size > 4000) ThrowPpt(L"Shapes.AddTextEffect : The specified value is out of range.");
  auto s = std::make_shared<CShape>();
  s->id = p.nextId++;
  s->name = L"WordArt " + std::to_wstring(s->id);  // unverified: PowerPoint's default name
  s->type = kMsoTextEffect;
  s->presetTextEffect = preset;
  s->text = text;
  s->fontName = font;
  s->fontSize = size;
  s->fontBold = bold;
  s->fontItalic = italic;
  s->normalizedHeight = true;  // unverified: the preset's default
  s->left = left;
  s->top = top;
  // The size follows the text (unverified: an estimate of 0.6 em per character and 1.2 em per line).
  size_t lines = 1, longest = 0, run = 0;
  for (wchar_t c : text) {
    if (c == L'\n' || c == L'\r' || c == L'\v') {
      ++lines;
      run = 0;
    } else {
      longest = std::max(longest, ++run);
    }
  }
  s->width = std::max<double>(1.0, 0.6 * size * static_cast<double>(longest));
  s->height = 1.2 * size * static_cast<double>(lines);
  design.masterShapes.push_back(s);
  MarkChanged(p);
  return s;
}

void DeleteMasterShape(CPresentation& p, const ShapePtr& shape) {
  CDesign* d = DesignHolding(p, shape);
  if (!d || shape->deleted) ThrowPpt(L"Shape (unknown member) : Object does not exist.");
  d->masterShapes.erase(std::find(d->masterShapes.begin(), d->masterShapes.end(), shape));  // later shapes shift down one index
  shape->deleted = true;
  MarkChanged(p);
}

// https://learn.microsoft.com/office/vba/api/powerpoint.documentwindow.viewtype. In PowerPoint
// 2007 and later the slide master view opens with the layout of the current slide selected, not
// the master (unverified against the reference, which is silent; stricter for the add-in).
void SetViewType(CPresentation& p, long viewType, int major) {
  if (viewType < kViewSlide || (viewType > kViewNormal && viewType != 10 && viewType != 11))
    ThrowPpt(L"DocumentWindow.ViewType : The specified value is out of range.");
  if (viewType == kViewTitleMaster && major >= 12)
    ThrowPpt(L"DocumentWindow.ViewType : Invalid request. This view is not available.");
  p.window.viewType = viewType;
  p.window.selection.clear();
  if (viewType == kViewSlideMaster) {
    const bool hasSlide = p.window.currentSlide < p.slides.size();
    p.window.masterViewItem = (major >= 12 && hasSlide) ? static_cast<long>(p.slides[p.window.currentSlide]->layout) : -1;
    p.window.masterViewDesign = hasSlide ? p.slides[p.window.currentSlide]->design : 0;
  }
}

// https://learn.microsoft.com/office/vba/api/powerpoint.shape.select: a shape can be selected
// only in the view that shows it ("To select a shape, its view must be active"): the master view
// shows one master, the current slide's design's (unverified for the other masters; stricter).
void SelectMasterShape(CPresentation& p, const ShapePtr& shape, bool replace) {
  const CDesign* shown = p.window.masterViewDesign < p.designs.size() ? p.designs[p.window.masterViewDesign].get() : nullptr;
  if (!p.hasWindow || p.window.viewType != kViewSlideMaster || p.window.masterViewItem != -1 ||
      DesignHolding(p, shape) != shown)
    ThrowPpt(L"Shape.Select : Invalid request.  To select a shape, its view must be active.");
  if (replace) p.window.selection.clear();
  p.window.selection.push_back(shape);
}

// https://learn.microsoft.com/previous-versions/office/developer/office-xp/aa189295(v=office.10)
// ("Working with Text in a Shape", PowerPoint 2002/2003): "There is one Shape object that
// contains text but does not use the TextFrame or TextRange objects": WordArt, whose text is
// TextEffect's and whose letters are painted by its fill. From PowerPoint 2007 on WordArt is
// text in a text frame. A picture holds no text (unverified; the reference lists no types).
bool HasTextFrame(const CShape& s, int major) {
  if (s.type == kMsoPicture) return false;
  return !(s.type == kMsoTextEffect && major < 12);
}

// https://learn.microsoft.com/office/vba/api/powerpoint.shape.lockaspectratio: with msoTrue
// "the specified shape retains its original proportions when you resize it".
void SetShapeWidth(CShape& s, double width) {
  if (width < 0) ThrowPpt(L"Shape.Width : The specified value is out of range.");
  if (s.lockAspectRatio && s.width > 0) s.height *= width / s.width;
  s.width = width;
}

void SetShapeHeight(CShape& s, double height) {
  if (height < 0) ThrowPpt(L"Shape.Height : The specified value is out of range.");
  if (s.lockAspectRatio && s.height > 0) s.width *= height / s.height;
  s.height = height;
}

}  // namespace kalsim::ppt
