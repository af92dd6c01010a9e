// Messages of named connections as another program sends them: the bytes
// after a frame's length, decoded as the server decodes each request.

#include "FuzzInput.h"

#include "core/PortMessage.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    std::string_view payload(reinterpret_cast<const char*>(data), size);
    std::string why;
    std::optional<kit::PortMessage> message = kit::PortMessage::decode(payload, &why);
    if (!message) {
        if (why.empty())
            fuzz::fail("a refused message without a reason");
        return 0;
    }
    // What was read can be written, reads back as the same message, and
    // writes the same bytes again (a first writing may drop repeated
    // dictionary keys and cut a long reason).
    std::string frame, again;
    if (!message->encode(&frame, &why))
        fuzz::fail("a message that was read cannot be written");
    std::optional<kit::PortMessage> back = kit::PortMessage::decode(std::string_view(frame).substr(4));
    if (!back || back->kind() != message->kind() || back->sequence() != message->sequence() ||
        back->selector() != message->selector())
        fuzz::fail("a written message does not read back");
    if (!back->encode(&again) || again != frame)
        fuzz::fail("a message read back writes other bytes");
    return 0;
}
