// What a simulated Office keeps of a protection password: a verifier hash, never the text, as
// Word and Excel keep only a hash of a document's or workbook's protection password in the file.
#pragma once
#include <string>

namespace kalsim {

// 8 hex digits (FNV-1a over the UTF-16 units), empty for no password. Our own verifier, not
// Office's: only its one-way property and its equality matter to the models.
std::wstring PasswordHash(const std::wstring& password);

}  // namespace kalsim
