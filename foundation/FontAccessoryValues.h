#pragma once

// What a character style reads of the font accessory when the font panel
// changes a font: the accessory's fields, -1234.0 while one shows a mixed
// value. The accessory itself belongs to the panels.
class FontAccessoryValues {
public:
    virtual ~FontAccessoryValues() = default;
    virtual float condense() const = 0;
    virtual float tracking() const = 0;
    virtual float leading() const = 0;
    virtual float vertical() const = 0;
    virtual float wordSpaceOnly() const = 0;
};
