// What Word asks before Documents.Open hands out a document: the password to open the file,
// the password to modify it, and whether to update its links. Each question is a real modal
// dialog on the host's thread, so a caller that leaves the answer to Word waits for a user.
#pragma once
#include <optional>
#include <string>

#include "sim/word/word_state.h"

namespace kalsim::word {

// The Documents.Open arguments that decide the questions.
struct COpenArguments {
  std::wstring fileName;
  bool readOnly = false;
  std::optional<std::wstring> passwordDocument;       // absent: Word asks when it needs one
  std::optional<std::wstring> writePasswordDocument;  // absent: Word asks when it needs one
};

// Window captions of the prompts, for tests that look for them.
extern const wchar_t kPasswordPromptCaption[];
extern const wchar_t kLinksPromptCaption[];

// Applies the arguments to a loaded document before Word adds it: asks what is missing,
// throws CSimError as Word does for a wrong or refused password, marks the document
// read-only when it is opened so. `displayAlerts` is Application.DisplayAlerts.
void AdmitDocument(CDocument& doc, const COpenArguments& args, long displayAlerts);

}  // namespace kalsim::word
