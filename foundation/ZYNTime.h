#pragma once

// Date and time formatting with three escapes beyond strftime's: %D the day
// of the month without a leading zero, %i the 12-hour hour without one, %n
// the month number without one.

#include <cstddef>
#include <ctime>
#include <string>

// The format with the three escapes resolved for this time, at most
// outputSize - 1 bytes long (what does not fit is dropped).
std::string preProcessStrftime(std::size_t outputSize, const std::string& format, const std::tm& time);

// The time formatted in the "C" locale; the result is never cut short.
std::string ZYNStrfTime(const std::string& format, const std::tm& time);
