#pragma once

// What a character style reads of the font accessory when the font panel
// changes a font: the accessory's fields, -1234.0 while one shows a mixed
// value. The accessory itself belongs to the panels.

#include "core/Color.h"

#include <string>

class FontAccessoryValues {
public:
    virtual ~FontAccessoryValues() = default;
    virtual float condense() const = 0;
    virtual float tracking() const = 0;
    virtual float leading() const = 0;
    virtual float vertical() const = 0;
    virtual float wordSpaceOnly() const = 0;
    // The colour shown (nil: none) and the language (255: several).
    virtual kit::ColorRef color() const { return nullptr; }
    virtual short langId() const { return 0; }

    // What the accessory shows for the selection or the caret; -1234.0 (and
    // language 255) shows a mixed value. An accessory without a field for
    // one of them ignores it.
    virtual void setColor(const kit::ColorRef& color) { (void)color; }
    virtual void setNewLeading(float value) { (void)value; }
    virtual void setNewTracking(float value) { (void)value; }
    virtual void setNewWordSpace(float value) { (void)value; }
    virtual void setNewVertical(float value) { (void)value; }
    virtual void setNewCondense(float value) { (void)value; }
    virtual void setLangId(short id) { (void)id; }
    virtual void setMessage(const std::string& message) { (void)message; }
};
