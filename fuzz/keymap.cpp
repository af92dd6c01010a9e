// A key-map file, read from the user's folder as the program reads the one
// named by "KeymapName", then used to translate the keys it binds.

#include "FuzzInput.h"

#include "app/Scrivly.h"
#include "appkit/Event.h"
#include "appkit/Receiver.h"
#include "core/Alert.h"
#include "core/EventState.h"
#include "core/FileManager.h"
#include "core/UserDefaults.h"
#include "graphics/Font.h"

#include <cstdlib>
#include <memory>
#include <string>

namespace {
Scrivly* delegate = nullptr;

constexpr unsigned Modifiers = kit::ShiftKeyMask | kit::ControlKeyMask | kit::AlternateKeyMask;
} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    const std::string& folder = fuzz::scratchFolder();
    setenv("XDG_CONFIG_HOME", folder.c_str(), 1);
    kit::setAlertHandler(std::make_shared<kit::ScriptedAlertHandler>());
    kit::Font::initialize();
    Scrivly::initialize();
    // Kept for the life of the process, as the program's delegate is.
    delegate = new Scrivly;
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string text(reinterpret_cast<const char*>(data), size);
    const std::string folder = kit::UserDefaults::defaultsFolder();
    kit::FileManager::createDirectoryAtPath(folder);
    if (!fuzz::writeFile(folder + "/Fuzz.keymap", text))
        fuzz::fail("cannot write the key map");
    delegate->setKeymapName(std::string("Fuzz"));
    const std::vector<keymap>* records = delegate->keymappings();
    if (!records)
        fuzz::fail("a named key map has no record list");
    if (*records != Layvane::readKeymap(text).records)
        fuzz::fail("the file read gives other records than its bytes");
    std::size_t checked = 0;
    for (const keymap& record : *records) {
        if (record.result != 0 || (unsigned(record.modifiers) & ~Modifiers) != 0)
            fuzz::fail("a key-map line made a replacement code or an unknown modifier");
        if (!kit::Receiver::isRegisteredSelector(record.action))
            fuzz::fail("a record names no known action");
        if (++checked > 64)
            continue;
        // The key the record binds, typed with its modifiers, is bound.
        const std::u16string chars(1, char16_t(record.key));
        const kit::Event event = kit::Event::keyEventWithType(kit::EventType::KeyDown, {}, unsigned(record.modifiers),
                                                              0, 0, chars, chars, false);
        if (record.key == 0 || Layvane::firstKeyInString(chars) != record.key)
            continue;
        std::string action;
        if (delegate->convertKeyEvent(event, &action) != 0x0F7A || !kit::Receiver::isRegisteredSelector(action))
            fuzz::fail("a bound key does not answer its action");
    }
    return 0;
}
