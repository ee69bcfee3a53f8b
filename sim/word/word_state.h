// The Word document model as plain C++ state: documents, sections, header/footer stories,
// shapes, the window's view and selection. The dispatch objects in word_objects.h present it
// to automation clients; tests and the host also build and read it directly.
//
// Linked headers: a header whose linkToPrevious is set shares the previous section's story
// (the same CStory object, hence one text), as Word's do. Shapes belong to one story each; the
// Shapes collection of any header or footer presents those of every story (word_objects.h).
#pragma once
#include <array>
#include <memory>
#include <string>
#include <vector>

namespace kalsim::word {

constexpr double kShapeCenter = -999995.0;  // wdShapeCenter
constexpr long kMsoTrue = -1;
constexpr long kMsoFalse = 0;

// WdSeekView values.
enum : long {
  kSeekMain = 0,
  kSeekPrimaryHeader = 1,
  kSeekFirstPageHeader = 2,
  kSeekEvenPagesHeader = 3,
  kSeekPrimaryFooter = 4,
  kSeekFirstPageFooter = 5,
  kSeekEvenPagesFooter = 6,
  kSeekCurrentPageHeader = 9,
  kSeekCurrentPageFooter = 10
};
// WdViewType values: draft (wdNormalView), outline, print layout, print preview, master, web,
// read mode (wdReadingView).
enum : long { kViewNormal = 1, kViewOutline = 2, kViewPrint = 3, kViewPrintPreview = 4, kViewMaster = 5, kViewWeb = 6, kViewReading = 7 };
// WdProtectionType.
enum : long { kNoProtection = -1, kAllowOnlyRevisions = 0, kAllowOnlyComments = 1, kAllowOnlyFormFields = 2, kNoEditing = 3 };
// WdHeaderFooterIndex (1-based, as Headers(i) takes it).
enum : int { kHeaderPrimary = 1, kHeaderFirstPage = 2, kHeaderEvenPages = 3 };

struct CShape {
  std::wstring name;
  std::wstring type = L"textEffect";  // textEffect | picture | rectangle
  std::wstring text;
  std::wstring fontName = L"Arial";
  double fontSize = 36.0;
  bool fontBold = false;
  bool fontItalic = false;
  long presetTextEffect = 0;
  bool normalizedHeight = false;
  bool lineVisible = true;
  bool fillVisible = true;
  double fillTransparency = 0.0;  // 0..1
  long foreColor = 0;             // RGB value R + 256*G + 65536*B
  bool fillSolid = false;
  double rotation = 0.0;
  bool lockAspectRatio = false;
  long wrapSide = 0;
  long wrapType = 0;
  bool allowOverlap = true;
  long relativeHorizontalPosition = 1;  // wdRelativeHorizontalPositionPage
  long relativeVerticalPosition = 1;
  double left = 0.0;
  double top = 0.0;
  double width = 100.0;
  double height = 50.0;
  bool deleted = false;  // removed from its story; automation access then fails
};

struct CStory {
  std::wstring text;
  std::vector<std::shared_ptr<CShape>> shapes;
};

struct CHeaderFooter {
  bool linkToPrevious = false;
  std::shared_ptr<CStory> story;
};

struct CSection {
  std::wstring text;  // body text of the section
  bool differentFirstPage = false;
  long pages = 1;  // pages the section spans: with oddAndEvenPages it decides which header its first page shows
  std::array<CHeaderFooter, 3> headers;  // [0] primary, [1] first page, [2] even pages
  std::array<CHeaderFooter, 3> footers;
};

// Where the window's selection is. Section numbers are 1-based.
struct CSelection {
  int section = 1;
  long story = kSeekMain;  // kSeekMain or the resolved header/footer seek value
  size_t start = 0;        // character range in the story text
  size_t end = 0;
  std::weak_ptr<CShape> shape;  // set when a shape is selected
};

struct CDocument {
  std::wstring path;  // full path of its file; empty for a new document never saved
  std::wstring name;  // "Document1" or the file name
  std::vector<std::shared_ptr<CSection>> sections;
  bool trackRevisions = false;
  long revisions = 0;  // changes recorded while tracking
  long protectionType = kNoProtection;
  std::wstring passwordHash;  // PasswordHash of the protection password; empty = none
  bool saved = true;
  bool oddAndEvenPages = false;  // PageSetup.OddAndEvenPagesHeaderFooter (whole document)
  long viewType = kViewPrint;
  long seekView = kSeekMain;  // as read back (current-page values resolved)
  long splitSpecial = 0;      // wdPaneNone
  CSelection selection;
  bool closed = false;
  long nextShapeId = 1;  // numbers new shapes' default names ("WordArt 3")
  // File access: passwords to open and to modify the file ("" = none), the files its links
  // refer to, and whether it was opened read-only (Save to its own file then fails).
  std::wstring openPassword;
  std::wstring writePassword;
  std::vector<std::wstring> links;
  bool readOnly = false;
};

// Builds a document of `sectionCount` sections with empty stories; with `linkedHeaders` every
// header and footer of sections 2.. is linked to the previous one (Word's default).
std::shared_ptr<CDocument> MakeDocument(int sectionCount = 1, bool linkedHeaders = true);
// Gives every unlinked header/footer a story and points linked ones at the previous
// section's story. Call after changing link flags or loading.
void ResolveLinks(CDocument& doc);

// Header or footer of a section by seek value (kSeekPrimaryHeader..kSeekEvenPagesFooter).
CHeaderFooter& HeaderFooterFor(CSection& section, long seek);
// The seek value that Word shows for a current-page header/footer request (9/10) at the
// start of section `section` (1-based); other values are returned unchanged.
long ResolveSeek(const CDocument& doc, int section, long seek);
// Whether a section's header or footer of kind `seek` (kSeekPrimaryHeader..kSeekEvenPagesFooter)
// is in use: primary always, first page with differentFirstPage, even pages with oddAndEvenPages.
bool HeaderFooterExists(const CDocument& doc, const CSection& section, long seek);

// Story of the shape, and the shape's index (1-based) in it; null/0 when not found.
std::shared_ptr<CStory> FindShapeStory(const CDocument& doc, const CShape& shape, size_t* index = nullptr);
// Every distinct story of the document (linked stories once).
std::vector<std::shared_ptr<CStory>> AllStories(const CDocument& doc);

// Edits. Each throws CSimError like Word when the document refuses the change (closed, or
// protected against content changes) and marks the document unsaved when it succeeds.
void RequireEditable(const CDocument& doc);
void MarkChanged(CDocument& doc);
void DeleteShape(CDocument& doc, const std::shared_ptr<CShape>& shape);
std::shared_ptr<CShape> AddTextEffect(CDocument& doc, CStory& story, long preset, const std::wstring& text,
                                      const std::wstring& fontName, double fontSize, bool bold, bool italic,
                                      double left, double top);
// Document protection keeps only the password's verifier hash (sim/engine/password_hash.h).
void Protect(CDocument& doc, long type, const std::wstring& password);
void Unprotect(CDocument& doc, const std::wstring& password);
// Selects a shape as a click on it would; a header or footer shape opens that header view.
void SelectShape(CDocument& doc, const std::shared_ptr<CShape>& shape);
// Types text at the selection, replacing a selected range (or the selected shape's text).
void TypeText(CDocument& doc, const std::wstring& text);
// Deletes the selected shape, the selected text, or `count` characters after the insertion
// point. Returns the number of items deleted.
long DeleteSelection(CDocument& doc, long count);
// Text of the story the selection is in.
std::wstring& SelectionStoryText(CDocument& doc);

}  // namespace kalsim::word
