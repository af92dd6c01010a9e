#pragma once

// The words of the text as the spelling engine takes them: the conversion
// between the documents' set and the engine's (Mac OS Roman), punctuation
// cut from a word's ends and shortened inside it, the dictionary of a
// language, and the guesses of the engine read back.

#include "spelling/pwd.h"

#include <string>
#include <string_view>
#include <vector>

namespace spelltext {

// In place, byte by byte: each byte above 127 to the character of the same
// name in the other set, or a near one where that set has none.
void encodeNeXTToMac(std::string& bytes);
void encodeMacToNeXT(std::string& bytes);

// Keeps at most two characters of any run of one punctuation character.
std::string stripExtraPunct(std::string_view word);

// The word without the spaces and punctuation at its ends.
std::string trimPunctuation(std::string_view word);

// The dictionary's base name for a language number; null when the engine
// knows no such language or names no dictionary for it.
const char* dictNameFromLangId(int langId);

// The words of a guess handle (a flag byte and a NUL-terminated word each),
// read only within the handle's size; the handle is left as it was.
std::vector<std::string> guessWords(PWDHandle guesses);

} // namespace spelltext
