#pragma once

// What a dispatcher hands a keyword's handler: a keyword (the token's text)
// with an optional number, a group's introducer or terminator, or a run of
// text under the keyword "zyntext" with the text as its text value.

#include "bundles/convala/markup/ZynToken.h"

#include <cstdint>
#include <string_view>

class ZynDispatchRun;

// The keyword under which every dispatcher delivers runs of text.
inline constexpr std::string_view ZynTextKeyword = "zyntext";
// The keyword under which the RTF dispatcher tells where a group begins and
// ends whose first word nobody reads (the group is read on): an introducer
// whose text value is that word, and at the closing brace a terminator.
inline constexpr std::string_view ZynGroupKeyword = "zyngroup";

class ZynMarkupElement : public ZynToken {
public:
    ZynMarkupElement() = default;

    std::string className() const override { return "ZynMarkupElement"; }

    // Number 0, no text value, every flag NO (the keyword stays).
    void reset()
    {
        hasValue_ = false;
        isIgnorableDestination_ = false;
        isIntroducer_ = false;
        isTerminator_ = false;
        intValue_ = 0;
        textValue_.setNull();
    }

    void setIntValue(std::int32_t value)
    {
        intValue_ = value;
        hasValue_ = true;
    }
    std::int32_t intValue() const { return intValue_; }
    bool hasValue() const { return hasValue_; }

    // A copy (none for an empty string); either way the element has a value.
    void setTextValue(std::string_view text)
    {
        ZynObjectAdditions::setTextValue(textValue_, text);
        hasValue_ = true;
    }
    // Empty when there is none.
    const std::string& textValue() const { return textValue_.str(); }
    bool hasTextValue() const { return !textValue_.isNull(); }
    ZynCString& textValueSlot() { return textValue_; }

    void setIsIntroducer(bool flag)
    {
        isIntroducer_ = flag;
        if (flag)
            isTerminator_ = false;
    }
    void setIsTerminator(bool flag)
    {
        isTerminator_ = flag;
        if (flag)
            isIntroducer_ = false;
    }
    bool isIntroducer() const { return isIntroducer_; }
    bool isTerminator() const { return isTerminator_; }
    void setIsIgnorableDestination(bool flag) { isIgnorableDestination_ = flag; }
    bool isIgnorableDestination() const { return isIgnorableDestination_; }

    // The read that delivers the element (nil outside a dispatch): its
    // stream and its own state, which handlers keep per read.
    ZynDispatchRun* dispatchRun() const { return run_; }
    void setDispatchRun(ZynDispatchRun* run) { run_ = run; }

    bool isTextRun() const { return text() == ZynTextKeyword; }

private:
    bool hasValue_ = false;
    bool isIgnorableDestination_ = false;
    bool isIntroducer_ = false;
    bool isTerminator_ = false;
    std::int32_t intValue_ = 0;
    ZynCString textValue_;
    ZynDispatchRun* run_ = nullptr;
};
