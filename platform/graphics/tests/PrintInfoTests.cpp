#include "core/Archiver.h"
#include "core/Exception.h"
#include "core/Unarchiver.h"
#include "graphics/PrintInfo.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

using kit::PrintInfo;

TEST(PrintInfo, PaperOrientationAndMargins)
{
    PrintInfo info;
    EXPECT_EQ(info.paperName(), "Letter");
    EXPECT_EQ(info.paperSize(), (kit::Size{612, 792}));
    EXPECT_EQ(info.imageablePageBounds(), kit::makeRect(72, 90, 468, 612));
    info.setOrientation(PrintInfo::Orientation::Landscape);
    info.setPaperName("A4");
    EXPECT_EQ(info.paperSize(), (kit::Size{842, 595}));
    info.setPaperSize({612, 1008});
    EXPECT_EQ(info.paperName(), "Legal");
    info.setPaperSize({100, 100});
    EXPECT_EQ(info.paperName(), "");
    // A size that is no size reads as letter.
    info.setValue(kit::PrintPaperSize, kit::Size{NAN, 5});
    EXPECT_EQ(info.paperSize(), (kit::Size{612, 792}));
}

TEST(PrintInfo, OnlyAFinitePositiveScaleCounts)
{
    PrintInfo info;
    for (double bad : {0.0, -2.0, double(NAN), double(INFINITY)}) {
        info.setScalingFactor(bad);
        EXPECT_EQ(info.scalingFactor(), 1.0) << bad;
    }
    info.setScalingFactor(0.5);
    EXPECT_EQ(info.scalingFactor(), 0.5);
    info.setValue(kit::PrintScalingFactor, std::string("0.5")); // wrong type
    EXPECT_EQ(info.scalingFactor(), 1.0);
    info.setCopies(0);
    EXPECT_EQ(info.copies(), 1);
}

TEST(PrintInfo, PagesDestinationAndFile)
{
    PrintInfo info;
    EXPECT_TRUE(info.allPages());
    info.setPageRange(2, 5);
    EXPECT_FALSE(info.allPages());
    EXPECT_EQ(info.firstPage(), 2);
    EXPECT_EQ(info.lastPage(), 5);
    EXPECT_EQ(info.jobDisposition(), kit::PrintSpoolJob);
    info.setSavePath("/tmp/out.ps");
    EXPECT_EQ(info.jobDisposition(), kit::PrintSaveJob);
    info.setSavePath("");
    EXPECT_EQ(info.jobDisposition(), kit::PrintSpoolJob);
}

TEST(PrintInfo, StoredWithEveryFieldAnAccessoryAdded)
{
    PrintInfo::initialize();
    PrintInfo info;
    info.setPaperName("A4");
    info.setScalingFactor(0.75);
    info.setPageRange(3, 4);
    info.setPrinterName("Office");
    info.setSavePath("/home/u/out.ps");
    info.setValue("ScrivlyCropMarks", true);
    info.setValue("ScrivlyPlate", std::string("Spot Red"));
    info.setValue("ScrivlyScreenAngle", 45);
    const std::string archive = kit::Archiver::archivedDataWithRootObject(&info);
    auto back = kit::Unarchiver::unarchiveObjectWithData<PrintInfo>(archive);
    ASSERT_TRUE(back);
    EXPECT_EQ(back->dictionary(), info.dictionary());
    EXPECT_EQ(back->paperSize(), (kit::Size{595, 842}));
    EXPECT_EQ(back->boolForKey("ScrivlyCropMarks"), true);
    EXPECT_EQ(back->stringForKey("ScrivlyPlate"), "Spot Red");
}

TEST(PrintInfo, SharedSettingsAreTheOnesSet)
{
    auto mine = std::make_shared<PrintInfo>();
    PrintInfo::setSharedPrintInfo(mine);
    EXPECT_EQ(PrintInfo::sharedPrintInfo(), mine);
    PrintInfo::setSharedPrintInfo(nullptr);
    EXPECT_TRUE(PrintInfo::sharedPrintInfo());
    EXPECT_NE(PrintInfo::sharedPrintInfo(), mine);
}

} // namespace
