#include "core/EventState.h"

namespace kit {

namespace {
unsigned g_modifierFlags = 0;
}

unsigned currentEventModifierFlags()
{
    return g_modifierFlags;
}

void setCurrentEventModifierFlags(unsigned flags)
{
    g_modifierFlags = flags;
}

} // namespace kit
