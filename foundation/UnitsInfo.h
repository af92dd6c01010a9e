#pragma once

#include "core/Geometry.h"
#include "core/Object.h"

#include <string>
#include <vector>

class LayoutDocument;

// A document's measurement unit and ruler origin (one more instance serves
// the application). Lengths are points inside; these convert for display.
class UnitsInfo : public kit::Object {
public:
    // Builds the abbreviation list once.
    static void initialize();
    // "pc", "pt", "in", "cm".
    static const std::vector<std::string>& unitNamesAbbr();

    // Units from the application's preferences (inches without a delegate).
    UnitsInfo();

    void setDocument(LayoutDocument* document) { document_ = document; }
    LayoutDocument* document() const { return document_; }

    // A kind outside 0..3 stores inches.
    void setUnits(int units);
    int units() const { return units_; }
    std::string unitName() const;
    float unitsDivision() const;

    void setUnitsOriginMask(int mask) { origin_ = static_cast<short>(mask); }
    int unitsOriginMask() const { return origin_; }
    void setUnitsOrigin(kit::Point origin) { originPoint_ = origin; }
    // Callers read the origin through the next two.
    void getUnitsOrigin(kit::Point) const {}
    float horizontalUnitsOrigin() const { return -originPoint_.x; }
    float verticalUnitsOrigin() const { return -originPoint_.y; }

    void setRulerHorizSides(int sides) { rulerHorizSides_ = static_cast<short>(sides); }
    int rulerHorizSides() const { return rulerHorizSides_; }
    void setRulerVertSides(int sides) { rulerVertSides_ = static_cast<short>(sides); }
    int rulerVertSides() const { return rulerVertSides_; }

    void convertFloatValueFromUnits(float value, float* points) const;
    void convertPointToUnits(kit::Point* point) const;
    void convertSizeToUnits(kit::Size* size) const;
    void convertRectToUnits(kit::Rect* rect) const;
    void convertUnitsToPoint(kit::Point* point) const;
    void convertUnitsToSize(kit::Size* size) const;
    void convertUnitsToRect(kit::Rect* rect) const;

    std::string className() const override { return "UnitsInfo"; }
    void encodeWithCoder(kit::Coder& coder) const override;
    kit::Object* initWithCoder(kit::Coder& coder) override;

private:
    float ppu() const;

    LayoutDocument* document_ = nullptr; // not retained
    short units_ = 2;
    short origin_ = 0;
    short rulerHorizSides_ = 2;
    short rulerVertSides_ = 4;
    kit::Point originPoint_;
};
