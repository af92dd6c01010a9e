#include "app/Layvane.h"

#include "appkit/Event.h"
#include "core/EventState.h"

namespace {
constexpr std::uint16_t EditingAction = 0x0F7A;

std::uint16_t action(std::string* out, const char* name)
{
    if (out)
        *out = name;
    return EditingAction;
}
} // namespace

std::uint16_t Layvane::convertKeyEvent(const kit::Event& event, std::string* out) const
{
    std::uint16_t key = firstKeyInString(event.characters());
    const unsigned flags = event.modifierFlags();
    const bool alt = flags & kit::AlternateKeyMask;
    const bool ctrl = flags & kit::ControlKeyMask;
    const bool shift = flags & kit::ShiftKeyMask;
    // The user's key map comes with the application shell; the built-in
    // table follows. Alternate is tested before Control, Control before Shift.
    if (key == 0x19 && shift)
        key = 0x09;
    switch (key) {
    case 0x01: return 0xF7EC;
    case 0x02: return 0xF702;
    case 0x03:
    case 0x0D: return ctrl ? 0xF7EB : 0x0A;
    case 0x04: return 0xF728;
    case 0x05: return 0xF7ED;
    case 0x06: return 0xF703;
    case 0x08:
    case 0x7F: return 0xF7E8;
    case 0x09:
        if (alt)
            return action(out, shift ? "hangingIndentReduce:" : "hangingIndentExpand:");
        if (ctrl)
            return action(out, shift ? "indentLeftOut:" : "indentLeftIn:");
        return shift ? 0x0B : 0x09;
    case 0x0B: return action(out, shift ? "killToEOL:" : "killToEOP:");
    case 0x0E: return 0xF701;
    case 0x10: return 0xF700;
    case 0x12: return action(out, shift ? "indentRightOut:" : "indentRightIn:");
    case 0x14: return 0xF7E9;
    case 0x16: return 0xF72D;
    case 0x19: return action(out, "paste:");
    case 0xF700: return alt ? (ctrl ? 0xF7E4 : 0xF72C) : ctrl ? 0xF7E2 : 0xF700;
    case 0xF701: return alt ? (ctrl ? 0xF7E6 : 0xF72D) : ctrl ? 0xF7E3 : 0xF701;
    case 0xF702: return alt ? (ctrl ? 0xF7E5 : 0xF729) : ctrl ? 0xF7E0 : 0xF702;
    case 0xF703: return alt ? (ctrl ? 0xF7E7 : 0xF72B) : ctrl ? 0xF7E1 : 0xF703;
    case 0xF727:
        if (shift)
            return action(out, "paste:");
        if (ctrl)
            return action(out, "copy:");
        return key;
    case 0xF728: return shift ? action(out, "cut:") : key;
    case 0xF729: return ctrl ? 0xF7E5 : key;
    case 0xF72B: return ctrl ? 0xF7E7 : key;
    case 0xF72C: return ctrl ? 0xF7E4 : key;
    case 0xF72D: return ctrl ? 0xF7E6 : key;
    case 0xF72E: return action(out, "printDocument:");
    default: return key;
    }
}
