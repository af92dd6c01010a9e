// The file wrapper's serialised form, as pasteboards and drags carry it.

#include "FuzzInput.h"

#include "core/Exception.h"
#include "core/FileWrapper.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    std::unique_ptr<kit::FileWrapper> wrapper;
    try {
        wrapper = kit::FileWrapper::initWithSerializedRepresentation(
            std::string_view(reinterpret_cast<const char*>(data), size));
    } catch (const kit::Exception&) {
        return 0;
    }
    if (!wrapper)
        return 0;
    // Whatever was accepted writes out again and reads back the same.
    std::string once = wrapper->serializedRepresentation();
    std::unique_ptr<kit::FileWrapper> back;
    try {
        back = kit::FileWrapper::initWithSerializedRepresentation(once);
    } catch (const kit::Exception& e) {
        std::fprintf(stderr, "%s\n", e.what());
        fuzz::fail("an accepted file wrapper's own form is refused");
    }
    if (!back || back->serializedRepresentation() != once)
        fuzz::fail("an accepted file wrapper does not survive a round trip");
    return 0;
}
