#include "foundation/Languages.h"

#include "core/Encoding.h"

#include <map>
#include <utility>

namespace {
struct Tables {
    bool built = false;
    std::map<std::string, std::string> toNative;
    std::map<std::string, std::string> toEnglish;
};

Tables& tables()
{
    static Tables t;
    return t;
}

const std::pair<const char*, const char*> languageNames[] = {
    {"English", "English"},
    {"German", "Deutsch"},
    {"French1", "Fran\u00e7ais"},
    {"Italian", "Italiano"},
    {"Spanish", "Espa\u00f1ol"},
    {"Swedish", "Svenska"},
    {"Bokmal", "Bokm\u00e5l"},
    {"Nynorsk", "Nynorsk"},
    {"Danish", "Dansk"},
    {"Dutch", "Dutch"},
    {"SwissGerman", "Schweizer"},
    {"SwissFrench", "Suisse"},
};
} // namespace

void initLanguageStringTables()
{
    Tables& t = tables();
    if (t.built)
        return;
    for (const auto& [english, nativeUtf8] : languageNames) {
        const std::string native = kit::fromUTF8(kit::Encoding::NeXTSTEP, nativeUtf8).value_or(english);
        t.toNative[english] = native;
        t.toEnglish[native] = english;
    }
    t.built = true;
}

std::string nativeFromEnglish(const std::string& english)
{
    initLanguageStringTables();
    auto it = tables().toNative.find(english);
    return it == tables().toNative.end() ? "English" : it->second;
}

std::string englishFromNative(const std::string& native)
{
    initLanguageStringTables();
    auto it = tables().toEnglish.find(native);
    return it == tables().toEnglish.end() ? "English" : it->second;
}
