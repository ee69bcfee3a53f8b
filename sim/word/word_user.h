// What a user does in Word, applied to the model as Word applies it: opening the header by
// double-clicking it, dragging, retyping or recolouring a header shape, deleting it, typing.
// Each action throws CSimError when Word would refuse it (for example under protection) and
// raises WindowSelectionChange when it moves the selection.
//
// Shapes are addressed by section (1-based) and index (1-based) in that section's primary
// header, the header a user sees on the section's pages.
#pragma once
#include <memory>
#include <string>

#include "sim/word/word_model.h"

namespace kalsim::word {

// Double-click into the header of `section`'s first page (switches to print layout).
void UserOpenHeader(CWordApplication& app, int section);
// Double-click back into the body.
void UserCloseHeader(CWordApplication& app);
// Drags a shape by (dx, dy) points; a centred shape gets a concrete position.
void UserMoveShape(CWordApplication& app, int section, int index, double dx, double dy);
void UserSetShapeText(CWordApplication& app, int section, int index, const std::wstring& text);
void UserSetShapeColor(CWordApplication& app, int section, int index, long rgb);
void UserSetShapeTransparency(CWordApplication& app, int section, int index, double transparency);
void UserSetShapeRotation(CWordApplication& app, int section, int index, double degrees);
void UserRenameShape(CWordApplication& app, int section, int index, const std::wstring& name);
// Clicks the shape and presses Delete.
void UserDeleteShape(CWordApplication& app, int section, int index);
// Inserts WordArt into the section's primary header (named "WordArt n" by Word).
void UserAddWordArt(CWordApplication& app, int section, const std::wstring& text);
// Types at the insertion point (body, or the header while the header view is open).
void UserType(CWordApplication& app, const std::wstring& text);

// The shape at (section, index) of the active document; throws DISP_E_BADINDEX.
std::shared_ptr<CShape> ShapeAt(CWordApplication& app, int section, int index);

}  // namespace kalsim::word
