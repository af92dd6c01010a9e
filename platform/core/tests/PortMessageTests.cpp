#include "core/PortMessage.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace kit;

namespace {

std::string be32(std::uint32_t v)
{
    std::string s;
    for (int shift = 24; shift >= 0; shift -= 8)
        s.push_back(static_cast<char>((v >> shift) & 0xFF));
    return s;
}

// A request's payload: version, kind, sequence, then what follows.
std::string requestPayload(const std::string& selector, const std::string& arguments)
{
    return std::string("\x01\x01", 2) + be32(7) + be32(static_cast<std::uint32_t>(selector.size())) + selector + arguments;
}

std::string payloadOf(const std::string& frame)
{
    return frame.substr(4);
}

} // namespace

TEST(PortMessageTest, ValuesGoAndComeBackAsTheyWere)
{
    auto args = std::make_unique<Array>();
    args->addOwnedObject(std::make_unique<String>("/home/ann/letter.syb"));
    args->addOwnedObject(std::make_unique<Number>(std::int64_t(-5)));
    args->addOwnedObject(std::make_unique<Number>(2.5));
    args->addOwnedObject(std::make_unique<Number>(true));
    args->addOwnedObject(std::make_unique<Data>(std::string("\0\xff", 2)));
    auto inner = std::make_unique<Dictionary>();
    inner->setOwnedObject(std::make_unique<String>("v"), std::make_unique<String>("k"));
    args->addOwnedObject(std::move(inner));
    auto copy = PortMessage::copyValue(args.get());

    std::string frame;
    ASSERT_TRUE(PortMessage::request(42, "openFiles:", std::move(args)).encode(&frame));
    EXPECT_EQ(PortMessage::frameLength(reinterpret_cast<const unsigned char*>(frame.data())), frame.size() - 4);
    std::optional<PortMessage> back = PortMessage::decode(payloadOf(frame));
    ASSERT_TRUE(back);
    EXPECT_EQ(back->kind(), PortMessage::Kind::Request);
    EXPECT_EQ(back->sequence(), 42u);
    EXPECT_EQ(back->selector(), "openFiles:");
    ASSERT_NE(copy, nullptr);
    EXPECT_TRUE(back->arguments()->isEqual(*copy));
    EXPECT_EQ(static_cast<Number*>(back->arguments()->objectAt(1))->kind(), Number::Kind::Integer);
    EXPECT_EQ(static_cast<Number*>(back->arguments()->objectAt(3))->kind(), Number::Kind::Boolean);

    // A nil reply, an error.
    ASSERT_TRUE(PortMessage::reply(3, nullptr).encode(&frame));
    back = PortMessage::decode(payloadOf(frame));
    ASSERT_TRUE(back);
    EXPECT_EQ(back->result(), nullptr);
    ASSERT_TRUE(PortMessage::error(4, "no operation frob:").encode(&frame));
    back = PortMessage::decode(payloadOf(frame));
    ASSERT_TRUE(back);
    EXPECT_EQ(back->reason(), "no operation frob:");

    // Objects that are not values are not sent.
    class Other : public Object {
        std::string className() const override { return "Other"; }
    } other;
    std::string error;
    EXPECT_EQ(PortMessage::copyValue(&other), nullptr);
    std::string out;
    EXPECT_FALSE(PortMessage::encodeValue(&other, &out, &error));
    EXPECT_NE(error.find("Other"), std::string::npos);
}

TEST(PortMessageTest, MalformedMessagesAreRefusedWithAReason)
{
    const std::string emptyArray = std::string("\x07", 1) + be32(0);
    std::string deep;
    for (int i = 0; i < 40; ++i)
        deep += std::string("\x07", 1) + be32(1);
    deep += std::string("\x03", 1) + std::string(8, '\0');
    std::string manyKeys = std::string("\x08", 1) + be32(2000);
    for (int i = 0; i < 2000; ++i)
        manyKeys += std::string("\x01\x01", 2);
    struct Case {
        const char* what;
        std::string payload;
    } cases[] = {
        {"empty", ""},
        {"short header", std::string("\x01\x01\x00", 3)},
        {"other version", std::string("\x02\x01", 2) + be32(0) + be32(1) + "x" + emptyArray},
        {"unknown kind", std::string("\x01\x09", 2) + be32(0)},
        {"selector beyond the end", std::string("\x01\x01", 2) + be32(7) + be32(1000) + "abc"},
        {"empty selector", requestPayload("", emptyArray)},
        {"selector with NUL", requestPayload(std::string("a\0b", 3), emptyArray)},
        {"arguments not an array", requestPayload("go:", std::string("\x05", 1) + be32(1) + "x")},
        {"no arguments", requestPayload("go:", "")},
        {"array count beyond the end", requestPayload("go:", std::string("\x07", 1) + be32(0xFFFFFFFFu))},
        {"string beyond the end", requestPayload("go:", std::string("\x07", 1) + be32(1) + "\x05" + be32(99) + "ab")},
        {"truncated integer", requestPayload("go:", std::string("\x07", 1) + be32(1) + "\x03\x00\x00")},
        {"nil in an array", requestPayload("go:", std::string("\x07", 1) + be32(1) + std::string("\x00", 1))},
        {"unknown tag", requestPayload("go:", std::string("\x07", 1) + be32(1) + "\x63")},
        {"nested too deeply", requestPayload("go:", std::string("\x07", 1) + be32(1) + deep)},
        {"too many dictionary entries", requestPayload("go:", std::string("\x07", 1) + be32(1) + manyKeys)},
        {"bytes after the message", requestPayload("go:", emptyArray) + "X"},
        {"too large", std::string(PortMessage::MaxMessageSize + 1, '\x01')},
    };
    for (const Case& c : cases) {
        std::string why;
        EXPECT_FALSE(PortMessage::decode(c.payload, &why)) << c.what;
        EXPECT_FALSE(why.empty()) << c.what;
    }
    // The same shapes within the limits are fine.
    EXPECT_TRUE(PortMessage::decode(requestPayload("go:", emptyArray)));
}
