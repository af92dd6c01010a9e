#pragma once

// English language names and their native forms (in the documents' 8-bit
// character set), both ways.

#include <string>

void initLanguageStringTables();
// "English" for a name not in the table.
std::string nativeFromEnglish(const std::string& english);
std::string englishFromNative(const std::string& native);
