// Factories of the Word dispatch objects that present the model's state. Each object holds
// the application (for events and application-wide state) and the state it presents.
#pragma once
#include <memory>

#include "sim/word/word_model.h"

namespace kalsim::word {

using AppPtr = Microsoft::WRL::ComPtr<CWordApplication>;
using DispPtr = Microsoft::WRL::ComPtr<IDispatch>;

// Base of every Word object: errors carry "Microsoft Word" as their source.
class CWordObject : public CSimDispatch {
 public:
  CWordObject(const CSimMemberTable& table, AppPtr app, std::shared_ptr<CDocument> doc)
      : CSimDispatch(table), m_app(std::move(app)), m_doc(std::move(doc)) {
    SetErrorSource(L"Microsoft Word");
  }
  CWordApplication& App() { return *m_app.Get(); }
  // The document, refusing access once it is closed.
  CDocument& Doc();

 public:
  // Shared with the factories of related objects.
  AppPtr m_app;
  std::shared_ptr<CDocument> m_doc;
};

DispPtr MakeDocumentsObject(AppPtr app);
DispPtr MakeDocumentObject(AppPtr app, std::shared_ptr<CDocument> doc);
DispPtr MakeSectionsObject(AppPtr app, std::shared_ptr<CDocument> doc);
DispPtr MakeSectionObject(AppPtr app, std::shared_ptr<CDocument> doc, int section);
// A range over a section's body (section >= 1) or the whole document (section 0).
DispPtr MakeRangeObject(AppPtr app, std::shared_ptr<CDocument> doc, int section);
DispPtr MakeHeadersFootersObject(AppPtr app, std::shared_ptr<CDocument> doc, int section, bool headers);
DispPtr MakeHeaderFooterObject(AppPtr app, std::shared_ptr<CDocument> doc, int section, long seek);
// HeaderFooter.Shapes: the shapes of every header and footer story of the document; shapes
// added without an anchor go into `story`, the story of the header or footer it was read from.
DispPtr MakeHeaderShapesObject(AppPtr app, std::shared_ptr<CDocument> doc, std::shared_ptr<CStory> story);
DispPtr MakeShapeObject(AppPtr app, std::shared_ptr<CDocument> doc, std::shared_ptr<CShape> shape);
DispPtr MakeWindowObject(AppPtr app, std::shared_ptr<CDocument> doc);
DispPtr MakePaneObject(AppPtr app, std::shared_ptr<CDocument> doc);
DispPtr MakeViewObject(AppPtr app, std::shared_ptr<CDocument> doc);
DispPtr MakeSelectionObject(AppPtr app, std::shared_ptr<CDocument> doc);
DispPtr MakeOptionsObject(AppPtr app);
DispPtr MakeTemplateObject(AppPtr app);
DispPtr MakeCommandBarsObject(AppPtr app);

}  // namespace kalsim::word
