// The PowerPoint branch of the offline watermark removal: a PowerPoint served through COM
// opens the presentation without a window, the watermark shapes of its slide masters (one per
// design) are deleted (or, when there is none, every visible white slide background is made a solid fill
// in the scheme's background colour), and the file is saved when anything changed.
#pragma once

namespace kal::powerpoint {

// Result codes of PowerPntDeleteWaterMark.
enum EPptRemovalResult : int {
  kPptRemovalDone = 0,            // the file was opened and processed
  kPptRemovalNoProgId = 1,        // CLSIDFromProgID("PowerPoint.Application") failed
  kPptRemovalNoInstance = 2,      // CoCreateInstance failed
  kPptRemovalNoPresentations = 3, // Application.Presentations could not be read
  kPptRemovalNoPresentation = 4,  // Presentations.Open failed
  kPptRemovalNoMaster = 5,        // a design's SlideMaster (or, for backgrounds, Slides) could not be read
  kPptRemovalNoShapes = 6,        // the master's Shapes (or, for backgrounds, Slides.Count)
  kPptRemovalNoCount = 7,         // Shapes.Count could not be read
};

// Runs on the caller's thread and initialises OLE there for its own duration. Every trace
// line is written to the debugger output whatever the trace switch says.
int PowerPntDeleteWaterMark(const wchar_t* path);

}  // namespace kal::powerpoint
