#include "TestEnvironment.h"

#include "foundation/Units.h"
#include "foundation/UnitsInfo.h"
#include "view/RulerViewInset.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace {

struct RulerCase {
    int kind;
    float zoom;
    float increment;
    int divisions;
    float spacing;
    int levels;
};

// The label threshold is three Helvetica digits at 9 points: about 15 pixels.
const RulerCase rulerCases[] = {
    {UNITS_PICAS, 1.0f, 3.0f, 3, 1.0f, 2},
    {UNITS_PICAS, 2.0f, 1.0f, 6, 1.0f, 1},
    {UNITS_POINTS, 1.0f, 36.0f, 6, 6.0f, 2},
    {UNITS_POINTS, 2.0f, 18.0f, 6, 3.0f, 2},
    {UNITS_INCHES, 1.0f, 1.0f, 2, 0.125f, 4},
    {UNITS_INCHES, 2.0f, 1.0f, 2, 0.0625f, 5},
    {UNITS_CENTIMETERS, 1.0f, 1.0f, 10, 1.0f, 1},
    {UNITS_CENTIMETERS, 2.0f, 1.0f, 10, 0.1f, 2},
};

TEST(FoundationUnits, RulerThresholdIsThreeLabelDigits)
{
    EXPECT_NEAR(RulerViewInset::majorThreshold(), 3.0f * 0.556f * 9.0f, 0.01f);
}

TEST(FoundationUnits, RulerDivisionsAndTicksForEveryUnitAtZoomOneAndTwo)
{
    for (const RulerCase& c : rulerCases) {
        SCOPED_TRACE(testing::Message() << "kind " << c.kind << " zoom " << c.zoom);
        float increment = 0;
        int divisions = 0;
        GetMajorUnits(c.zoom, c.kind, &increment, &divisions);
        EXPECT_FLOAT_EQ(increment, c.increment);
        EXPECT_EQ(divisions, c.divisions);
        EXPECT_FLOAT_EQ(GetMajorUnitsIncrementFor(c.zoom, c.kind), c.increment);
        float spacing = 0;
        int levels = 0;
        GetTickUnits(c.zoom, c.kind, increment, divisions, &spacing, &levels);
        EXPECT_NEAR(spacing, c.spacing, 1e-6);
        EXPECT_EQ(levels, c.levels);
        // The finest ticks are never closer than 5 pixels.
        EXPECT_GE(c.zoom * pointsPerUnit[c.kind] * spacing, 5.0f);
    }
}

TEST(FoundationUnits, PointsWithFiftyPixelThresholdJoinToTwoHundredSixteen)
{
    float increment = 0;
    int divisions = 0;
    GetMajorUnitsWithThreshold(1.0f, UNITS_POINTS, 50.0f, &increment, &divisions);
    EXPECT_FLOAT_EQ(increment, 216.0f);
    EXPECT_EQ(divisions, 6);
}

TEST(FoundationUnits, TickExactlyFivePixelsIsUsedAndLevelsAreBounded)
{
    float spacing = 0;
    int levels = 0;
    GetTickUnits(1.0f, UNITS_POINTS, 10.0f, 2, &spacing, &levels);
    EXPECT_FLOAT_EQ(spacing, 5.0f);
    EXPECT_EQ(levels, 2);
    for (int kind = 0; kind < UNITS_KIND_COUNT; ++kind) {
        GetTickUnits(1.0e6f, kind, 1.0f, 2, &spacing, &levels);
        EXPECT_EQ(levels, divisionLimits[kind] + 3) << kind;
    }
    GetTickUnits(NAN, UNITS_INCHES, 1.0f, 2, &spacing, &levels);
    EXPECT_EQ(levels, 0);
}

TEST(FoundationUnits, TickLengthsByLevel)
{
    EXPECT_EQ(std::vector<float>(tickLengths, tickLengths + TICK_LENGTH_COUNT), (std::vector<float>{10, 6, 4, 2}));
    const int levels[] = {-1, 0, 1, 2, 3, 4, 8};
    const float lengths[] = {10, 10, 6, 4, 2, 2, 2};
    for (std::size_t i = 0; i < std::size(levels); ++i)
        EXPECT_EQ(TickLengthForLevel(levels[i]), lengths[i]) << levels[i];
}

TEST(FoundationUnits, KindsOutsideTheTablesActAsInches)
{
    for (int kind : {-1, 4, 7, 1 << 20}) {
        SCOPED_TRACE(kind);
        kit::Point p{144.0f, 72.0f};
        ConvertPointToUnits(&p, kind);
        EXPECT_EQ(p, (kit::Point{2.0f, 1.0f}));
        kit::Rect r = kit::makeRect(1, 2, 3, 4);
        ConvertUnitsToRect(&r, kind);
        EXPECT_EQ(r, kit::makeRect(72, 144, 216, 288));
        EXPECT_FLOAT_EQ(CoordToUnits(72.0f, 0.0f, kind, 1.0f), 1.0f);
        EXPECT_FLOAT_EQ(UnitsToCoord(0.0f, 1.0f, kind, 2.0f), 144.0f);
        float increment = 0;
        int divisions = 0;
        GetMajorUnits(1.0f, kind, &increment, &divisions);
        EXPECT_EQ(divisions, 2);
        EXPECT_EQ(TruncateUnits(1.23456f, kind), "1.23");
    }
}

TEST(FoundationUnits, FreeConversionsAndOrigins)
{
    kit::Size s{24.0f, 36.0f};
    ConvertPointToUnits(&s, UNITS_PICAS);
    EXPECT_EQ(s, (kit::Size{2.0f, 3.0f}));
    ConvertUnitsToPoint(&s, UNITS_PICAS);
    EXPECT_EQ(s, (kit::Size{24.0f, 36.0f}));
    kit::Point p{10, 20};
    const kit::Point origin{3, 4};
    ConvertPointToOrigin(&p, &origin);
    EXPECT_EQ(p, (kit::Point{7, 16}));
    ConvertPointFromOrigin(&p, &origin);
    EXPECT_EQ(p, (kit::Point{10, 20}));
    EXPECT_FLOAT_EQ(CoordToUnits(62.0f, 10.0f, UNITS_INCHES, 0.5f), 2.0f);
    EXPECT_FLOAT_EQ(UnitsToCoord(10.0f, 2.0f, UNITS_INCHES, 0.5f), 62.0f);
}

TEST(FoundationUnits, TruncateFormatsByKind)
{
    struct Case {
        float value;
        int kind;
        const char* text;
    };
    const Case cases[] = {
        {1.23456f, UNITS_POINTS, "1.2"},     {1.23456f, UNITS_INCHES, "1.235"},
        {1.23456f, UNITS_PICAS, "1.23"},     {1.23456f, UNITS_CENTIMETERS, "1.235"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(TruncateUnits(c.value, c.kind), c.text) << c.kind;
    EXPECT_EQ(TruncatePrecision(2.5f, 0), "2");
    EXPECT_EQ(TruncatePrecision(2.25f, 1), "2.2");
    EXPECT_EQ(TruncatePrecision(1.0f, 3), "1.000");
}

class FoundationUnitsInfo : public DefaultsFolderTest {};

TEST_F(FoundationUnitsInfo, UnitsComeFromThePreferencesAndBadKindsStoreInches)
{
    makeDelegate();
    Main->preferences()->setUnits(UNITS_CENTIMETERS);
    UnitsInfo info;
    EXPECT_EQ(info.units(), UNITS_CENTIMETERS);
    EXPECT_EQ(info.unitName(), "Centimeters");
    EXPECT_FLOAT_EQ(info.unitsDivision(), 0.5f);
    EXPECT_EQ(info.rulerHorizSides(), 2);
    EXPECT_EQ(info.rulerVertSides(), 4);
    EXPECT_EQ(info.unitsOriginMask(), 0);
    for (int bad : {7, -1}) {
        info.setUnits(bad);
        EXPECT_EQ(info.units(), UNITS_INCHES);
    }
    EXPECT_EQ(UnitsInfo::unitNamesAbbr(), (std::vector<std::string>{"pc", "pt", "in", "cm"}));
}

TEST_F(FoundationUnitsInfo, RoundTripsForEveryKindAndOrigin)
{
    UnitsInfo info;
    const kit::Point origins[] = {{0, 0}, {36.5f, -12.25f}, {-100, 250}};
    for (int kind = 0; kind < UNITS_KIND_COUNT; ++kind) {
        info.setUnits(kind);
        for (const kit::Point& origin : origins) {
            info.setUnitsOrigin(origin);
            EXPECT_FLOAT_EQ(info.horizontalUnitsOrigin(), -origin.x);
            EXPECT_FLOAT_EQ(info.verticalUnitsOrigin(), -origin.y);
            const kit::Rect start = kit::makeRect(10.5f, -20, 300, 144);
            kit::Rect r = start;
            info.convertRectToUnits(&r);
            EXPECT_NEAR(r.origin.x, (start.origin.x + origin.x) / pointsPerUnit[kind], 1e-4);
            EXPECT_NEAR(r.size.width, start.size.width / pointsPerUnit[kind], 1e-4);
            info.convertUnitsToRect(&r);
            EXPECT_NEAR(r.origin.x, start.origin.x, 1e-3);
            EXPECT_NEAR(r.origin.y, start.origin.y, 1e-3);
            EXPECT_NEAR(r.size.width, start.size.width, 1e-3);
            EXPECT_NEAR(r.size.height, start.size.height, 1e-3);
            kit::Point p{5, 7};
            info.convertPointToUnits(&p);
            info.convertUnitsToPoint(&p);
            EXPECT_NEAR(p.x, 5, 1e-3);
            EXPECT_NEAR(p.y, 7, 1e-3);
            // Sizes have no origin.
            kit::Size s{72, 144};
            info.convertSizeToUnits(&s);
            EXPECT_NEAR(s.width, 72 / pointsPerUnit[kind], 1e-5);
            info.convertUnitsToSize(&s);
            EXPECT_NEAR(s.height, 144, 1e-3);
        }
    }
    float points = 0;
    info.setUnits(UNITS_PICAS);
    info.convertFloatValueFromUnits(2.0f, &points);
    EXPECT_FLOAT_EQ(points, 24.0f);
}

struct FakeView {
    int tag_ = 0;
    std::vector<FakeView*> subviews_;
    std::string text;
    const std::vector<FakeView*>& subviews() const { return subviews_; }
    int tag() const { return tag_; }
    void setStringValue(const std::string& value) { text = value; }
};

TEST_F(FoundationUnitsInfo, UnitLabelsDeepInTheViewTreeShowTheAbbreviation)
{
    makeDelegate();
    FakeView label{1000, {}, ""}, other{5, {}, ""}, nestedLabel{1000, {}, ""};
    FakeView box{7, {&nestedLabel}, ""};
    std::vector<FakeView*> views{&label, &other, &box};
    ConvertViewsToUnits(views, UNITS_CENTIMETERS);
    EXPECT_EQ(label.text, Main->valueForStringKey("cm"));
    EXPECT_EQ(nestedLabel.text, Main->valueForStringKey("cm"));
    EXPECT_EQ(other.text, "");
    EXPECT_EQ(box.text, "");
}

struct FakeDocument {
    UnitsInfo* units;
    UnitsInfo* unitsInfo() const { return units; }
};
struct FakePageView {
    FakeDocument* doc;
    float zoom_;
    float zoom() const { return zoom_; }
    FakeDocument* document() const { return doc; }
};

TEST_F(FoundationUnitsInfo, MajorIncrementOfAPageView)
{
    UnitsInfo info;
    info.setUnits(UNITS_POINTS);
    FakeDocument doc{&info};
    EXPECT_FLOAT_EQ(GetMajorUnitsIncrement(FakePageView{&doc, 2.0f}), 18.0f);
    info.setUnits(UNITS_INCHES);
    EXPECT_FLOAT_EQ(GetMajorUnitsIncrement(FakePageView{&doc, 0.1f}), 2.0f / 0.1f);
}

} // namespace
