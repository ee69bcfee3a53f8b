// How the PowerPoint watermark is styled and moved, decided over facts read from PowerPoint
// (whether the new WordArt has a text frame, the application's major version).
#pragma once

namespace kal::powerpoint {

// The policy colour goes to the letters through the text frame's font, or, for WordArt without
// a text frame (PowerPoint 2003 and earlier, where the fill paints the letters), through
// Fill.ForeColor with the fill kept visible.
struct CPptMarkColour {
  bool throughFill;
  bool fillVisible;
};
CPptMarkColour PptMarkColour(bool hasTextFrame);

// The final move through the selection: halve the size first (before PowerPoint 2007), then
// move by (dx, dy) points.
struct CPptMarkMove {
  bool halveSize;
  float dx;
  float dy;
};
CPptMarkMove PptMarkMove(int majorVersion);

}  // namespace kal::powerpoint
