// The Word branch of the offline watermark removal: a hidden Word started as a local server
// opens the file, every watermark shape is deleted from the section headers, the file is saved
// when something was deleted, and the instance is ended (or handed to the user when it holds
// other documents).
#pragma once

namespace kal::word {

// Result codes of WordDeleteWaterMark.
enum EWordRemovalResult : int {
  kWordRemovalDone = 0,        // the document was opened and processed
  kWordRemovalNoProgId = 1,    // CLSIDFromProgID("Word.Application") failed
  kWordRemovalNoInstance = 2,  // CoCreateInstance failed
  kWordRemovalNoDocuments = 3, // Application.Documents could not be read
  kWordRemovalOpenFailed = 4,  // Documents.Open failed
};

// Runs on the caller's thread and initialises OLE there for its own duration. Every trace
// line is written to the debugger output whatever the trace switch says.
int WordDeleteWaterMark(const wchar_t* path);

}  // namespace kal::word
