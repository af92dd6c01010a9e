#include "foundation/ApplicationDelegate.h"

#include "core/Encoding.h"

ApplicationDelegate* Main = nullptr;

ApplicationDelegate::~ApplicationDelegate() = default;

std::string applicationString(const char* key, const char* fallback)
{
    const std::string& value = Main ? Main->valueForStringKey(key) : std::string();
    if (Main && value != "Missing String Key")
        return value;
    return fallback ? fallback : key;
}

std::uint16_t ApplicationDelegate::firstKeyInString(const std::u16string& characters)
{
    if (characters.empty())
        return 0;
    const char32_t c = characters.front();
    if (auto code = kit::fromUnicode(kit::Encoding::NeXTSTEP, c))
        return *code;
    if (auto code = kit::fromUnicode(kit::Encoding::Symbol, c))
        return std::uint16_t(0x100 + *code);
    return std::uint16_t(c);
}
