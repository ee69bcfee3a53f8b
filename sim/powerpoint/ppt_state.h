// The PowerPoint presentation model as plain C++ state: presentations with their designs (each
// a slide master with its shapes, background and layouts), slides, backgrounds, the document
// window's view and selection.
// The dispatch objects in ppt_objects.h present it to automation clients; tests and the host
// build and read it directly.
#pragma once
#include <memory>
#include <string>
#include <vector>

namespace kalsim::ppt {

constexpr long kMsoTrue = -1;
constexpr long kMsoFalse = 0;
constexpr long kMsoTextEffect = 15;  // MsoShapeType of WordArt
constexpr long kMsoAutoShape = 1;
constexpr long kMsoPicture = 13;

// PpViewType.
enum : long {
  kViewSlide = 1, kViewSlideMaster = 2, kViewNotesPage = 3, kViewHandoutMaster = 4, kViewNotesMaster = 5,
  kViewOutline = 6, kViewSlideSorter = 7, kViewTitleMaster = 8, kViewNormal = 9
};

struct CFill {
  bool visible = true;
  long foreRgb = 0xFFFFFF;   // R + 256 G + 65536 B
  long schemeColor = 0;      // PpColorSchemeIndex when set by scheme (1 = ppBackground), else 0
  double transparency = 0.0;  // 0..1
  bool solid = false;
};

struct CShape {
  long id = 0;
  std::wstring name;
  long type = kMsoAutoShape;
  std::wstring text;
  std::wstring fontName = L"Arial";
  double fontSize = 18.0;
  bool fontBold = false;
  bool fontItalic = false;
  long presetTextEffect = 0;
  bool normalizedHeight = false;
  long textRgb = 0;
  double shadowTransparency = 0.0;
  long shadowRgb = 0x808080;
  CFill fill;
  double rotation = 0.0;
  bool lockAspectRatio = false;
  double left = 0.0, top = 0.0, width = 100.0, height = 50.0;
  long pictureColorType = 1;  // msoPictureAutomatic
  double brightness = 0.5;
  bool deleted = false;  // removed: automation access then fails
};
using ShapePtr = std::shared_ptr<CShape>;

struct CLayout {
  std::wstring name = L"Title and Content";
  bool displayMasterShapes = true;
};

// A design: one slide master with its shapes, background and layouts
// (https://learn.microsoft.com/office/vba/api/powerpoint.design).
struct CDesign {
  std::wstring name = L"Office Theme";
  std::vector<ShapePtr> masterShapes;
  CFill masterBackground;
  std::vector<CLayout> layouts;
};
using DesignPtr = std::shared_ptr<CDesign>;

struct CSlide {
  long id = 0;
  size_t design = 0;  // index into the presentation's designs
  size_t layout = 0;  // index into its design's layouts
  std::wstring text;
  bool followMasterBackground = true;
  bool displayMasterShapes = true;
  CFill background;
  bool deleted = false;
};
using SlidePtr = std::shared_ptr<CSlide>;

struct CWindowState {
  long viewType = kViewNormal;
  size_t currentSlide = 0;  // index of the slide the normal view shows
  // What the slide master view shows: -1 the master itself, n >= 0 layout n, of the design
  // masterViewDesign (the current slide's).
  long masterViewItem = -1;
  size_t masterViewDesign = 0;
  std::vector<std::weak_ptr<CShape>> selection;  // selected shapes
};

struct CPresentation {
  std::wstring path;  // full path of its file; empty for a new presentation never saved
  std::wstring name;  // "Presentation1" or the file name
  std::vector<DesignPtr> designs;  // never empty; the first is Presentation.SlideMaster's
  std::vector<SlidePtr> slides;
  std::wstring modifyPassword;  // non-empty: opening asks for it (or Read Only)
  bool readOnly = false;
  bool saved = true;
  bool hasWindow = true;
  CWindowState window;
  bool closed = false;
  long nextId = 1;
};
using PresentationPtr = std::shared_ptr<CPresentation>;

// A new presentation: one design with two layouts and an empty master, `slides` slides.
PresentationPtr MakePresentation(size_t slides = 1);
// A design with the two layouts of a new presentation.
DesignPtr MakeDesign(const std::wstring& name);
// The design a slide uses (the first when its index is out of range).
CDesign& DesignOf(const CPresentation& p, const CSlide& slide);
// The design whose master holds the shape, or null.
CDesign* DesignHolding(const CPresentation& p, const ShapePtr& shape);
// The background fill a slide shows: its design master's while it follows the master background.
const CFill& ShownBackground(const CPresentation& p, const CSlide& slide);
// A slide shows master shapes only when it and its layout both allow it.
bool ShowsMasterShapes(const CPresentation& p, const CSlide& slide);
// Edits. Each throws CSimError like PowerPoint when refused and marks the presentation unsaved.
void MarkChanged(CPresentation& p);
// The new slide takes the design of the slide before it (the first slide: of the one after it).
SlidePtr AddSlide(CPresentation& p, size_t index, size_t layout);
ShapePtr AddTextEffect(CPresentation& p, CDesign& design, long preset, const std::wstring& text, const std::wstring& font, double size,
                       bool bold, bool italic, double left, double top);
void DeleteMasterShape(CPresentation& p, const ShapePtr& shape);
// Sets the view type; the slide master view of PowerPoint 2007 and later (major >= 12) shows
// the layout of the current slide, earlier versions show the master.
void SetViewType(CPresentation& p, long viewType, int major);
// Selects a master shape; throws when the view does not show that shape's master.
void SelectMasterShape(CPresentation& p, const ShapePtr& shape, bool replace);
// Whether a shape has a text frame: not a picture, nor WordArt before PowerPoint 2007 (major 12),
// whose letters its Fill paints.
bool HasTextFrame(const CShape& s, int major);
// Size changes honouring LockAspectRatio (the other side follows).
void SetShapeWidth(CShape& s, double width);
void SetShapeHeight(CShape& s, double height);

}  // namespace kalsim::ppt
