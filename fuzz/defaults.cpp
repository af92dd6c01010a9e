// The user defaults file, read as the program reads its domains from disk.

#include "FuzzInput.h"

#include "core/Geometry.h"
#include "core/UserDefaults.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    std::string_view text(reinterpret_cast<const char*>(data), size);
    const std::string& folder = fuzz::scratchFolder();
    if (!fuzz::writeFile(folder + "/Fuzz.defaults", text))
        fuzz::fail("cannot write the defaults file");
    kit::UserDefaults defaults("Fuzz", folder);
    kit::UserDefaults::Domain domain = defaults.persistentDomainForName("Fuzz");
    (void)defaults.stringForKey("NXPaperType");
    // Panels keep their frames as rectangles in their strings ("Loc_...").
    for (const auto& [key, value] : domain)
        (void)kit::rectFromString(value);
    // What was kept is written and read back unchanged.
    std::string written = kit::UserDefaults::stringFromDomain(domain);
    if (kit::UserDefaults::domainFromString(written) != domain)
        fuzz::fail("a defaults domain does not survive a round trip");
    return 0;
}
