// The PowerPoint watermark's colour and move (see ppt_mark_rules.h).
#include "powerpoint/ppt_mark_rules.h"

namespace kal::powerpoint {

CPptMarkColour PptMarkColour(bool hasTextFrame) {
  // The given steps hide the fill, which in PowerPoint 2007 and later is the box behind the
  // letters. Where the fill paints the letters, hiding it would leave a mark without colour,
  // so it stays visible and carries the policy colour instead.
  return CPptMarkColour{!hasTextFrame, !hasTextFrame};
}

CPptMarkMove PptMarkMove(int majorVersion) {
  if (majorVersion >= 12) return CPptMarkMove{false, 30.0f, -100.0f};
  return CPptMarkMove{true, 150.0f, -200.0f};
}

}  // namespace kal::powerpoint
