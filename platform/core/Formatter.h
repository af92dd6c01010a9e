#pragma once

#include "core/Object.h"

#include <memory>
#include <string>

namespace kit {

// Turns a cell's object value into the text it shows and the text a person
// typed back into a value. A formatter may be shared by many cells.
class Formatter : public Object {
public:
    std::string className() const override { return "NSFormatter"; }

    // The text for a value (nil gives the empty string).
    virtual std::string stringForObjectValue(const Object* value) const = 0;
    // Reads a whole text. On success *value receives the value; otherwise the
    // answer is false and *error (when given) says why, in words a person can
    // read; *value is left alone.
    virtual bool getObjectValue(std::unique_ptr<Object>* value, const std::string& string,
                                std::string* error) const = 0;
    // Whether a text being typed can still become a valid one; an editor
    // refuses a keystroke that would make it invalid.
    virtual bool isPartialStringValid(const std::string& partialString, std::string* error) const
    {
        (void)partialString;
        (void)error;
        return true;
    }
};

} // namespace kit
