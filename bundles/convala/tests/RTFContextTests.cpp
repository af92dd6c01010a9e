#include "bundles/convala/markup/RTFContext.h"

#include "app/Layvane.h"
#include "core/FileManager.h"
#include "foundation/StyleChar.h"
#include "foundation/StyleParagraphNamed.h"
#include "graphics/Font.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <memory>
#include <optional>
#include <string>

namespace {

TEST(RTFContext, FontsDifferingInSizeBoldOrItalicShareOneNumber)
{
    RTFContext context;
    context.addFontIfAbsent(kit::Font::fontWithName("Helvetica-Bold", 10));
    context.addFontIfAbsent(kit::Font::fontWithName("Helvetica", 14));
    context.addFontIfAbsent(kit::Font::fontWithName("Helvetica-BoldOblique", 9));
    context.addFontIfAbsent(kit::Font::fontWithName("Times-Italic", 12));
    ASSERT_EQ(context.fontList().size(), 2u);
    EXPECT_EQ(context.fontList().at(0), kit::Font::fontWithName("Helvetica", 12));
    EXPECT_EQ(context.fontList().at(1), kit::Font::fontWithName("Times-Roman", 12));
    EXPECT_EQ(context.fontNumberFor(kit::Font::fontWithName("Helvetica-Oblique", 30)), 0);
    EXPECT_EQ(context.fontNumberFor(kit::Font::fontWithName("Times-Bold", 8)), 1);
    EXPECT_EQ(context.fontNumberFor(kit::Font::fontWithName("Courier", 12)), RTFContext::NotFound);
    EXPECT_EQ(context.fontNumberFor(nullptr), RTFContext::NotFound);
    EXPECT_EQ(RTFContext::goodFamilyNameFor(kit::Font::fontWithName("Times-BoldItalic", 7)), "Times-Roman");
}

TEST(RTFContext, ColoursAreNumberedByPositionAndFoundFromTheLast)
{
    RTFContext context;
    const kit::ColorRef red = kit::Color::colorWithDeviceRed(1, 0, 0);
    context.addColorIfAbsent(red);
    context.addColorIfAbsent(kit::Color::colorWithDeviceRed(1, 0, 0));
    context.addColorIfAbsent(kit::Color::colorWithGray(0.5f));
    context.addColorIfAbsent(nullptr);
    ASSERT_EQ(context.colorList().size(), 2u);
    // An import may list a colour twice: the later entry answers.
    context.addColor(kit::Color::colorWithDeviceRed(1, 0, 0));
    EXPECT_EQ(context.colorNumberFor(red), 2);
    EXPECT_EQ(context.colorNumberFor(kit::Color::colorWithGray(0.5f)), 1);
    EXPECT_EQ(context.colorNumberFor(kit::Color::colorWithGray(0.25f)), RTFContext::NotFound);
    EXPECT_EQ(context.colorNumberFor(nullptr), RTFContext::NotFound);
    const kit::ColorRef black = kit::Color::colorWithDeviceCyan(0, 0, 0, 1, 1);
    for (int outside : {-1, 3, RTFContext::NotFound})
        EXPECT_TRUE(context.colorAtIndex(outside)->isEqual(*black)) << outside;
}

TEST(RTFContext, StylesAreNumberedFromOneAndEmptyingKeepsThePlacedGraphics)
{
    RTFContext context;
    StyleParagraphNamed heading, body, never;
    context.addStyleIfAbsent(&heading);
    context.addStyleIfAbsent(&body);
    context.addStyleIfAbsent(&heading);
    EXPECT_EQ(context.styleNumberFor(&heading), 1);
    EXPECT_EQ(context.styleNumberFor(&body), 2);
    EXPECT_EQ(context.styleNumberFor(&never), RTFContext::NotFound);
    EXPECT_EQ(context.styleNumberFor(nullptr), RTFContext::NotFound);
    EXPECT_EQ(context.styleAtIndex(2), &body);
    EXPECT_EQ(context.styleAtIndex(0), nullptr);
    // A number read again from a file replaces the style stored there.
    context.addStyle(&never, 2);
    EXPECT_EQ(context.styleAtIndex(2), &never);
    EXPECT_EQ(context.styleNumberFor(&body), RTFContext::NotFound);

    StyleChar graphic; // any object stands for a placed graphic here
    context.placedGraphicList().push_back(&graphic);
    context.addFontIfAbsent(kit::Font::fontWithName("Courier", 12));
    context.addColorIfAbsent(kit::Color::blackColor());
    StyleChar typing;
    context.setCharStyle(&typing);
    context.setExtension(std::string("rtf"));
    context.setLastLineSpacing(240);
    context.setLostDataDuringImport(true);
    context.empty();
    EXPECT_TRUE(context.fontList().empty());
    EXPECT_TRUE(context.colorList().empty());
    EXPECT_TRUE(context.styleList().empty());
    EXPECT_EQ(context.charStyle(), nullptr);
    EXPECT_FALSE(context.extension());
    EXPECT_EQ(context.lastLineSpacing(), 0);
    EXPECT_FALSE(context.lostDataDuringImport());
    EXPECT_EQ(context.placedGraphicList().size(), 1u);
}

class RTFContextMapsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        user_ = kit::FileManager::uniqueTemporaryPath("convala-maps-user");
        local_ = kit::FileManager::uniqueTemporaryPath("convala-maps-local");
        shipped_ = kit::FileManager::uniqueTemporaryPath("convala-maps-shipped");
        ASSERT_TRUE(kit::FileManager::createDirectoryAtPath(user_));
        ASSERT_TRUE(kit::FileManager::createDirectoryAtPath(local_));
        ASSERT_TRUE(kit::FileManager::createDirectoryAtPath(shipped_));
    }
    void TearDown() override
    {
        kit::FileManager::removeFileAtPath(user_);
        kit::FileManager::removeFileAtPath(local_);
        kit::FileManager::removeFileAtPath(shipped_);
    }
    static void write(const std::string& folder, const char* name, const std::string& text)
    {
        std::ofstream(folder + "/" + name) << text;
    }
    std::string user_, local_, shipped_;
};

TEST_F(RTFContextMapsTest, WithoutMapFilesNamesStayAsTheyAre)
{
    const RTFContextMaps maps = RTFContextMaps::load(user_, local_, shipped_);
    EXPECT_FALSE(maps.fontImport);
    EXPECT_EQ(maps.mapImportFontName("Arial"), "Arial");
    EXPECT_EQ(maps.mapExportFontName("Helvetica"), "Helvetica");
    EXPECT_EQ(maps.mapImportDrive("D:\\pictures\\a.tif"), "D:");
    EXPECT_EQ(maps.mapImportDrive("D"), "D");
}

TEST_F(RTFContextMapsTest, AUserFileHidesTheLocalOneEntirely)
{
    write(local_, "fontmap.import", "\"Arial\" = \"Helvetica\";\n\"Courier New\" = \"Courier\";\n");
    write(user_, "fontmap.import", "{\n\"Arial\" = \"Times-Roman\";\n}\n");
    write(local_, "drivemap.import", "\"C:\" = \"/home/shared\";\n");
    write(local_, "fontmap.export", "\"Helvetica\" = \"Arial\";\n");
    const RTFContextMaps maps = RTFContextMaps::load(user_, local_, shipped_);
    EXPECT_EQ(maps.mapImportFontName("Arial"), "Times-Roman");
    EXPECT_EQ(maps.mapImportFontName("Courier New"), "Courier New");
    EXPECT_EQ(maps.mapExportFontName("Helvetica"), "Arial");
    EXPECT_EQ(maps.mapImportDrive("C:\\logo.tif"), "/home/shared");
    EXPECT_EQ(maps.mapImportDrive("E:\\logo.tif"), "E:");
}

// Restores an environment variable at the end of the scope.
class SavedVariable {
public:
    explicit SavedVariable(const char* name) : name_(name)
    {
        if (const char* value = std::getenv(name))
            value_ = value;
    }
    ~SavedVariable()
    {
        if (value_)
            setenv(name_, value_->c_str(), 1);
        else
            unsetenv(name_);
    }
    SavedVariable(const SavedVariable&) = delete;
    SavedVariable& operator=(const SavedVariable&) = delete;

private:
    const char* name_;
    std::optional<std::string> value_;
};

TEST_F(RTFContextMapsTest, TheUsersFileHidesTheMachinesWhichHidesTheShippedOne)
{
    // The program's own folders, found through the environment.
    const SavedVariable home("XDG_CONFIG_HOME"), dirs("XDG_CONFIG_DIRS"), resources("SCRIVLY_RESOURCES");
    setenv("XDG_CONFIG_HOME", user_.c_str(), 1);
    setenv("XDG_CONFIG_DIRS", (local_ + ":/etc/xdg").c_str(), 1);
    setenv("SCRIVLY_RESOURCES", shipped_.c_str(), 1);
    const std::string userFolder = user_ + "/Scrivly", localFolder = local_ + "/Scrivly";
    ASSERT_EQ(RTFContextMaps::userFolder(), userFolder);
    ASSERT_EQ(RTFContextMaps::localFolder(), localFolder);
    ASSERT_EQ(RTFContextMaps::shippedFolder(), shipped_);
    ASSERT_TRUE(kit::FileManager::createDirectoryAtPath(userFolder));
    ASSERT_TRUE(kit::FileManager::createDirectoryAtPath(localFolder));

    struct Case {
        bool user, local, shipped;
        const char* arial; // what "Arial" maps to; "Tahoma" is only in the shipped file
        const char* tahoma;
    };
    const Case cases[] = {
        {true, true, true, "Courier", "Tahoma"},
        {false, true, true, "Times-Roman", "Tahoma"},
        {false, false, true, "Helvetica", "Helvetica"},
        {true, false, true, "Courier", "Tahoma"},
        {false, false, false, "Arial", "Tahoma"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.user << c.local << c.shipped);
        for (const std::string& folder : {userFolder, localFolder, shipped_})
            kit::FileManager::removeFileAtPath(folder + "/fontmap.import");
        if (c.user)
            write(userFolder, "fontmap.import", "\"Arial\" = \"Courier\";\n");
        if (c.local)
            write(localFolder, "fontmap.import", "\"Arial\" = \"Times-Roman\";\n");
        if (c.shipped)
            write(shipped_, "fontmap.import", "\"Arial\" = \"Helvetica\";\n\"Tahoma\" = \"Helvetica\";\n");
        const RTFContextMaps maps = RTFContextMaps::load(RTFContextMaps::userFolder(),
                                                         RTFContextMaps::localFolder(),
                                                         RTFContextMaps::shippedFolder());
        EXPECT_EQ(maps.mapImportFontName("Arial"), c.arial);
        EXPECT_EQ(maps.mapImportFontName("Tahoma"), c.tahoma);
        EXPECT_EQ(maps.fontImport.has_value(), c.user || c.local || c.shipped);
    }
    // Each map is looked up on its own: the user's import map leaves the
    // shipped export map in force.
    write(userFolder, "fontmap.import", "\"Arial\" = \"Courier\";\n");
    write(shipped_, "fontmap.export", "\"Helvetica\" = \"Arial\";\n");
    const RTFContextMaps maps = RTFContextMaps::load(RTFContextMaps::userFolder(), RTFContextMaps::localFolder(),
                                                     RTFContextMaps::shippedFolder());
    EXPECT_EQ(maps.mapImportFontName("Arial"), "Courier");
    EXPECT_EQ(maps.mapExportFontName("Helvetica"), "Arial");
}

TEST(RTFContextMaps, TheMachineFolderIsTheFirstConfigurationFolder)
{
    const char* saved = std::getenv("XDG_CONFIG_DIRS");
    const std::string kept = saved ? saved : "";
    setenv("XDG_CONFIG_DIRS", "/opt/conf:/etc/xdg", 1);
    EXPECT_EQ(RTFContextMaps::localFolder(), "/opt/conf/Scrivly");
    setenv("XDG_CONFIG_DIRS", "relative:/etc", 1);
    EXPECT_EQ(RTFContextMaps::localFolder(), "/etc/xdg/Scrivly");
    unsetenv("XDG_CONFIG_DIRS");
    EXPECT_EQ(RTFContextMaps::localFolder(), "/etc/xdg/Scrivly");
    if (saved)
        setenv("XDG_CONFIG_DIRS", kept.c_str(), 1);
}

} // namespace
