#pragma once

#include <cstdint>

namespace kit {

// Modifier bits of an event, as the system tests them.
inline constexpr unsigned AlphaShiftKeyMask = 0x10000;
inline constexpr unsigned ShiftKeyMask = 0x20000;
inline constexpr unsigned ControlKeyMask = 0x40000;
inline constexpr unsigned AlternateKeyMask = 0x80000;
inline constexpr unsigned CommandKeyMask = 0x100000;
inline constexpr unsigned NumericPadKeyMask = 0x200000;
inline constexpr unsigned HelpKeyMask = 0x400000;

// The modifier flags of the event being handled. The application kit sets
// them for each event it dispatches; tests set them directly.
unsigned currentEventModifierFlags();
void setCurrentEventModifierFlags(unsigned flags);

} // namespace kit
