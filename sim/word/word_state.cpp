// Word document model operations: header links, seek resolution, and the edits that Word
// refuses under protection.
#include "sim/word/word_state.h"

#include <winerror.h>

#include <algorithm>

#include "sim/engine/password_hash.h"
#include "sim/engine/sim_error.h"

namespace kalsim::word {

namespace {
constexpr HRESULT kDisconnected = static_cast<HRESULT>(0x80010108L);  // RPC_E_DISCONNECTED

size_t TextWidthChars(const std::wstring& text) {
  size_t longest = 0, current = 0;
  for (wchar_t c : text) {
    if (c == L'\r' || c == L'\n') {
      longest = std::max(longest, current);
      current = 0;
    } else {
      ++current;
    }
  }
  return std::max(longest, current);
}
}  // namespace

std::shared_ptr<CDocument> MakeDocument(int sectionCount, bool linkedHeaders) {
  auto doc = std::make_shared<CDocument>();
  doc->name = L"Document1";
  for (int i = 0; i < std::max(1, sectionCount); ++i) {
    auto s = std::make_shared<CSection>();
    for (int k = 0; k < 3; ++k) {
      s->headers[k].linkToPrevious = linkedHeaders && i > 0;
      s->footers[k].linkToPrevious = linkedHeaders && i > 0;
    }
    doc->sections.push_back(s);
  }
  ResolveLinks(*doc);
  return doc;
}

void ResolveLinks(CDocument& doc) {
  for (size_t i = 0; i < doc.sections.size(); ++i) {
    CSection& s = *doc.sections[i];
    for (int k = 0; k < 3; ++k) {
      for (CHeaderFooter* hf : {&s.headers[k], &s.footers[k]}) {
        if (i == 0) hf->linkToPrevious = false;  // the first section has nothing to link to
        if (hf->linkToPrevious) {
          const CSection& prev = *doc.sections[i - 1];
          hf->story = (hf == &s.headers[k] ? prev.headers[k] : prev.footers[k]).story;
        } else if (!hf->story) {
          hf->story = std::make_shared<CStory>();
        }
      }
    }
  }
}

CHeaderFooter& HeaderFooterFor(CSection& section, long seek) {
  switch (seek) {
    case kSeekPrimaryHeader: return section.headers[0];
    case kSeekFirstPageHeader: return section.headers[1];
    case kSeekEvenPagesHeader: return section.headers[2];
    case kSeekPrimaryFooter: return section.footers[0];
    case kSeekFirstPageFooter: return section.footers[1];
    case kSeekEvenPagesFooter: return section.footers[2];
    default: ThrowOffice(4605, L"This method or property is not available because the object does not refer to a header or footer.");
  }
}

long ResolveSeek(const CDocument& doc, int section, long seek) {
  // wdSeekCurrentPageHeader/Footer show the header or footer of the page the selection is on
  // (WdSeekView enumeration, https://learn.microsoft.com/office/vba/api/word.wdseekview). A
  // section selected as a whole starts on its first page: the first-page header when the
  // section has one (PageSetup.DifferentFirstPageHeaderFooter), else the even-pages header when
  // odd and even pages differ (PageSetup.OddAndEvenPagesHeaderFooter) and that page number is
  // even, else the primary one. Page numbers run on from the previous sections' pages
  // (unverified: no restart of numbering or odd-page section breaks are modelled).
  if (seek != kSeekCurrentPageHeader && seek != kSeekCurrentPageFooter) return seek;
  const bool header = seek == kSeekCurrentPageHeader;
  if (section < 1 || static_cast<size_t>(section) > doc.sections.size()) return header ? kSeekPrimaryHeader : kSeekPrimaryFooter;
  long firstPage = 1;
  for (int i = 0; i + 1 < section; ++i) firstPage += std::max(1L, doc.sections[static_cast<size_t>(i)]->pages);
  if (doc.sections[static_cast<size_t>(section - 1)]->differentFirstPage) return header ? kSeekFirstPageHeader : kSeekFirstPageFooter;
  if (doc.oddAndEvenPages && firstPage % 2 == 0) return header ? kSeekEvenPagesHeader : kSeekEvenPagesFooter;
  return header ? kSeekPrimaryHeader : kSeekPrimaryFooter;
}

bool HeaderFooterExists(const CDocument& doc, const CSection& section, long seek) {
  // HeaderFooter.Exists (https://learn.microsoft.com/office/vba/api/word.headerfooter.exists):
  // "The primary header and footer exist in all new documents by default"; first-page and
  // odd-and-even ones follow DifferentFirstPageHeaderFooter / OddAndEvenPagesHeaderFooter.
  switch (seek) {
    case kSeekFirstPageHeader:
    case kSeekFirstPageFooter: return section.differentFirstPage;
    case kSeekEvenPagesHeader:
    case kSeekEvenPagesFooter: return doc.oddAndEvenPages;
    default: return true;
  }
}

std::vector<std::shared_ptr<CStory>> AllStories(const CDocument& doc) {
  std::vector<std::shared_ptr<CStory>> out;
  for (const auto& s : doc.sections)
    for (int k = 0; k < 3; ++k)
      for (const auto& story : {s->headers[k].story, s->footers[k].story})
        if (story && std::find(out.begin(), out.end(), story) == out.end()) out.push_back(story);
  return out;
}

std::shared_ptr<CStory> FindShapeStory(const CDocument& doc, const CShape& shape, size_t* index) {
  for (const auto& story : AllStories(doc)) {
    for (size_t j = 0; j < story->shapes.size(); ++j) {
      if (story->shapes[j].get() == &shape) {
        if (index) *index = j + 1;
        return story;
      }
    }
  }
  if (index) *index = 0;
  return nullptr;
}

void RequireEditable(const CDocument& doc) {
  if (doc.closed) throw CSimError(kDisconnected, L"The object invoked has disconnected from its clients.");
  if (doc.protectionType == kAllowOnlyComments || doc.protectionType == kAllowOnlyFormFields ||
      doc.protectionType == kNoEditing) {
    ThrowOffice(4605, L"This method or property is not available because the document is locked for editing.");
  }
}

void MarkChanged(CDocument& doc) {
  doc.saved = false;
  if (doc.trackRevisions || doc.protectionType == kAllowOnlyRevisions) ++doc.revisions;
}

void DeleteShape(CDocument& doc, const std::shared_ptr<CShape>& shape) {
  if (!shape || shape->deleted) ThrowOffice(5825, L"Object has been deleted.");
  RequireEditable(doc);
  size_t index = 0;
  auto story = FindShapeStory(doc, *shape, &index);
  if (story) story->shapes.erase(story->shapes.begin() + static_cast<long>(index - 1));
  shape->deleted = true;
  if (doc.selection.shape.lock() == shape) doc.selection.shape.reset();
  MarkChanged(doc);
}

std::shared_ptr<CShape> AddTextEffect(CDocument& doc, CStory& story, long preset, const std::wstring& text,
                                      const std::wstring& fontName, double fontSize, bool bold, bool italic,
                                      double left, double top) {
  RequireEditable(doc);
  if (fontSize <= 0 || fontSize > 1638) ThrowOffice(4608, L"Value out of range.");
  auto shape = std::make_shared<CShape>();
  shape->name = L"WordArt " + std::to_wstring(doc.nextShapeId++);
  shape->type = L"textEffect";
  shape->presetTextEffect = preset;
  shape->text = text;
  shape->fontName = fontName;
  shape->fontSize = fontSize;
  shape->fontBold = bold;
  shape->fontItalic = italic;
  shape->left = left;
  shape->top = top;
  shape->width = 0.6 * fontSize * static_cast<double>(std::max<size_t>(1, TextWidthChars(text)));
  shape->height = 1.2 * fontSize * static_cast<double>(1 + std::count(text.begin(), text.end(), L'\n'));
  story.shapes.push_back(shape);
  MarkChanged(doc);
  return shape;
}

// https://learn.microsoft.com/office/vba/api/word.document.protect: Password is "the password
// required to remove protection from the specified document"; protecting a document already
// protected raises. Word keeps a verifier of the password with the document, never its text
// (https://learn.microsoft.com/office/vba/api/word.document.unprotect compares the password
// given against it), so the state, the dumps and the saved file hold the hash only.
void Protect(CDocument& doc, long type, const std::wstring& password) {
  if (doc.closed) throw CSimError(kDisconnected, L"The object invoked has disconnected from its clients.");
  if (type < kAllowOnlyRevisions || type > kNoEditing) ThrowOffice(5843, L"One of the values passed to this method or property is out of range.");
  if (doc.protectionType != kNoProtection)
    ThrowOffice(4605, L"This method or property is not available because the document is already protected.");
  doc.protectionType = type;
  doc.passwordHash = PasswordHash(password);
  doc.saved = false;
}

void Unprotect(CDocument& doc, const std::wstring& password) {
  // "If the document isn't protected, this method generates an error" (number and text
  // unverified).
  if (doc.protectionType == kNoProtection)
    ThrowOffice(4605, L"This method or property is not available because the document is not protected.");
  // Passwords are case-sensitive; a wrong one is refused (Word's dialog asking again is left
  // out: an automation client gets the error).
  if (PasswordHash(password) != doc.passwordHash)
    ThrowOffice(5485, L"The password is incorrect. Word cannot open the document.");
  doc.protectionType = kNoProtection;
  doc.passwordHash.clear();
  doc.saved = false;
}

void SelectShape(CDocument& doc, const std::shared_ptr<CShape>& shape) {
  if (!shape || shape->deleted) ThrowOffice(5825, L"Object has been deleted.");
  auto story = FindShapeStory(doc, *shape);
  for (size_t i = 0; story && i < doc.sections.size(); ++i) {
    for (long seek = kSeekPrimaryHeader; seek <= kSeekEvenPagesFooter; ++seek) {
      if (HeaderFooterFor(*doc.sections[i], seek).story == story) {
        // Prefer the section the selection is already in (linked stories appear in several).
        int section = static_cast<int>(i + 1);
        if (doc.selection.section >= 1 && static_cast<size_t>(doc.selection.section) <= doc.sections.size() &&
            HeaderFooterFor(*doc.sections[doc.selection.section - 1], seek).story == story)
          section = doc.selection.section;
        doc.selection = CSelection{};
        doc.selection.section = section;
        doc.selection.story = seek;
        doc.selection.shape = shape;
        doc.seekView = seek;
        return;
      }
    }
  }
  doc.selection.shape = shape;
}

std::wstring& SelectionStoryText(CDocument& doc) {
  CSelection& sel = doc.selection;
  if (doc.sections.empty()) ThrowOffice(4605, L"This method or property is not available.");
  sel.section = std::clamp(sel.section, 1, static_cast<int>(doc.sections.size()));
  CSection& section = *doc.sections[sel.section - 1];
  if (sel.story == kSeekMain) return section.text;
  return HeaderFooterFor(section, sel.story).story->text;
}

void TypeText(CDocument& doc, const std::wstring& text) {
  RequireEditable(doc);
  CSelection& sel = doc.selection;
  if (auto shape = sel.shape.lock()) {
    shape->text = text;
  } else {
    std::wstring& story = SelectionStoryText(doc);
    size_t start = std::min(sel.start, story.size());
    size_t end = std::clamp(sel.end, start, story.size());
    story.replace(start, end - start, text);
    sel.start = sel.end = start + text.size();
  }
  MarkChanged(doc);
}

long DeleteSelection(CDocument& doc, long count) {
  CSelection& sel = doc.selection;
  if (auto shape = sel.shape.lock()) {
    DeleteShape(doc, shape);
    return 1;
  }
  RequireEditable(doc);
  std::wstring& story = SelectionStoryText(doc);
  size_t start = std::min(sel.start, story.size());
  size_t end = std::clamp(sel.end, start, story.size());
  if (end == start) end = std::min(story.size(), start + static_cast<size_t>(std::max(0L, count)));
  if (end == start) return 0;
  story.erase(start, end - start);
  sel.start = sel.end = start;
  MarkChanged(doc);
  return static_cast<long>(end - start);
}

}  // namespace kalsim::word
