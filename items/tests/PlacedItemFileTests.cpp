// What a placed picture reads from its file besides the picture: the name
// from the EPS title, the custom colour names, the line ends of PostScript
// written with carriage returns; and what it makes of damaged files.

#include "ItemTestSupport.h"
#include "PictureTestSupport.h"

#include "core/Alert.h"
#include "core/FileManager.h"
#include "graphics/BitmapImageRep.h"
#include "graphics/RecordingContext.h"
#include "items/PlacedItem.h"
#include "text/TextWordSpecial.h"

#include <gtest/gtest.h>

#include <csignal>
#include <sys/resource.h>
#include <sys/wait.h>

namespace {

using pictures::TempDir;

// The bytes in a buffer of exactly their size, so that a read past the end
// is caught (kept until the end of the test program).
std::string_view exact(const std::string& s)
{
    static std::vector<std::unique_ptr<char[]>> kept;
    kept.push_back(std::make_unique<char[]>(s.size()));
    std::copy(s.begin(), s.end(), kept.back().get());
    return std::string_view(kept.back().get(), s.size());
}

TEST(EPSTitle, NamesAPictureHeldInTheDocument)
{
    const std::string longLine(600, 'x');
    const struct {
        std::string data;
        std::optional<std::string> name;
    } cases[] = {
        {"%!PS-Adobe-3.0 EPSF-3.0\n%%Title: chart.ps - Page 1\n", "chart.ps.eps"},
        {"%!PS\n%%Title: (Disk:Art/logo.eps)\n", "logo.eps"},
        {"%!PS\n%%Title: (plan)\n", "plan.eps"},
        // Never a path, and a NUL byte ends the title.
        {"%!PS\n%%Title: Art/chart.ps - Page 1\n", "chart.ps.eps"},
        {"%!PS\n%%Title: Art/ - Page 1\n", std::nullopt},
        {std::string("%!PS\n%%Title: (a/b)\0 - c\n", 25), "b.eps"},
        {"%!PS\n%%Title: report\n", "report.eps"},
        {"%!PS\n%%Title: a.b\n", "a.b"},
        {"%!PS\n%%Title: \n", std::nullopt},
        {"%!PS\n%%Title: ()\n", std::nullopt},
        // Carriage return and line feed end one line, not two.
        {"%!PS\r\n%%Creator: me\r\n%%Title: crlf\r\n", "crlf.eps"},
        {"%!PS\r%%Title: mac\r", "mac.eps"},
        // A title cut off by the end of the data is not trusted.
        {"%!PS\n%%Title: cut", std::nullopt},
        {"%!PS\n%%Title:", std::nullopt},
        {"%!PS %%Title: no line end", std::nullopt},
        // Over 514 bytes without a line end among them: no comments to read.
        {"%!PS" + longLine + "\n%%Title: late\n", std::nullopt},
        {"%!PS\n%%Title: " + std::string(1024, 'y') + "\n", std::nullopt},
        {"%!PS\n%%Title: " + std::string(1023, 'y') + "\n", std::string(1023, 'y') + ".eps"},
        {"", std::nullopt},
    };
    for (const auto& c : cases)
        EXPECT_EQ(PlacedItem::getEPSFilename(exact(c.data)), c.name) << c.data.substr(0, 60);
}

TEST(EPSTitle, PicturesHeldInTheDocumentAreNamedByKindOrTitle)
{
    setUpItemClasses();
    auto fromEPS = PlacedItem::initFromStream(pictures::ourEPS("chart.ps - Page 1"));
    ASSERT_TRUE(fromEPS);
    EXPECT_EQ(fromEPS->filename()->rfind("chart.ps", 0), 0u) << *fromEPS->filename();
    EXPECT_EQ(kit::FileManager::pathExtension(*fromEPS->filename()), "eps");
    kit::BitmapImageRep rep(4, 4, kit::BitmapImageRep::ColorModel::RGB, false);
    auto fromTIFF = PlacedItem::initFromStream(rep.TIFFRepresentation());
    ASSERT_TRUE(fromTIFF);
    EXPECT_EQ(fromTIFF->filename()->rfind("Image", 0), 0u);
    EXPECT_EQ(kit::FileManager::pathExtension(*fromTIFF->filename()), "tiff");
    auto untitled = PlacedItem::initFromStream(pictures::ourEPS(""));
    ASSERT_TRUE(untitled);
    EXPECT_EQ(untitled->filename()->rfind("Image", 0), 0u);
    // Held in the document: no link, the data's size, no directory.
    EXPECT_FALSE(fromEPS->isLinked());
    EXPECT_EQ(fromEPS->filesize(), std::int32_t(pictures::ourEPS("chart.ps - Page 1").size()));
    EXPECT_EQ(fromEPS->filename()->find('/'), std::string::npos);
}

TEST(EPSCustomColors, NamesOfCustomColourLinesJoinTheItemsOwnDocument)
{
    const struct {
        std::string comments;
        std::vector<std::string> names;
    } cases[] = {
        {"%%CMYKCustomColor: 0 0 0 1 (Spot Black)\n%%+ 0 1 1 0 (Spot Red)\n", {"Spot Black", "Spot Red"}},
        {"%%Creator: x\n%%+ 0 0 0 1 (Not A Colour)\n", {}},
        {"%%CMYKCustomColor: 0 0 0 1 (A) 1 1 1 1 (B)\n", {"A"}},
        {"%%CMYKCustomColor: 0 0 0 1 NoParenthesis\n%%+ 1 0 0 0 (After)\n", {"After"}},
        {"%%CMYKCustomColor: 0 0 0 1 (Open\n", {"Open"}},
        {"%%CMYKCustomColor: 0 0 0 1 (Cut)", {}},
    };
    for (const auto& c : cases) {
        const std::string eps = "%!PS-Adobe-3.0 EPSF-3.0\n%%BoundingBox: 0 0 10 10\n" + c.comments;
        EXPECT_EQ(PlacedItem::customColorNames(exact(eps)), c.names) << c.comments;
    }

    setUpItemClasses();
    const std::string eps = "%!PS-Adobe-3.0 EPSF-3.0\n%%BoundingBox: 0 0 10 10\n"
                            "%%CMYKCustomColor: 0 0 0 1 (Spot Black)\n%%+ 0 1 1 0 (Spot Red)\n%%EndComments\n";
    LayoutDocument mine, other;
    mine.setup();
    other.setup();
    auto item = PlacedItem::initFromStream(eps);
    ASSERT_TRUE(item);
    mine.pageAt(0)->addItems(item);
    kit::RecordingContext paper;
    PlacedPaint paint{paper};
    paint.screen = false;
    item->renderInView(paint, kit::makeRect(0, 0, 612, 792), false);
    item->renderInView(paint, kit::makeRect(0, 0, 612, 792), false);
    EXPECT_EQ(mine.customColors(), (std::vector<std::string>{"Spot Black", "Spot Red"}));
    EXPECT_TRUE(other.customColors().empty());
}

TEST(EPSOffset, BaselineAndTranslationComments)
{
    setUpItemClasses();
    const struct {
        std::string comments;
        bool flip;
        float x, y, width, fourth;
    } cases[] = {
        {"%%Baseline: 0 12 0 0\n", false, 0, -12, 0, 0},
        {"%%Baseline: 0 12 0 0\n", true, 0, 12, 0, 0},
        {"%%Translation: 3 4 40 5\n", true, 3, -4, 40, 5},
        {"%%Translation: 3 4 40 5\n%%Baseline: 9 9 9 9\n", false, 3, -4, 40, 5},
        {"%%Baseline:\n", false, 0, 0, 0, 0},
        {"%%Baseline: 7 x 1 1\n", false, 7, 0, 0, 0},
        // Values that would break the line read as nothing.
        {"%%Baseline: nan inf 1e30 2\n", false, 0, 0, 0, 2},
        {"%%Translation: -1e38 1e-3 -inf 4\n", false, 0, -1e-3f, 0, 4},
        {"%%EndComments\n%%Baseline: 1 2 3 4\n", false, 0, 0, 0, 0},
    };
    for (const auto& c : cases) {
        auto item = PlacedItem::initFromStream("%!PS-Adobe-3.0 EPSF-3.0\n%%BoundingBox: 0 0 10 10\n" + c.comments +
                                               "%%EndComments\n");
        ASSERT_TRUE(item);
        float x = -1, y = -1, w = -1, f = -1;
        TextWordSpecial::getEPSOffset(item->bestRepresentationForDevice(), c.flip, &x, &y, &w, &f);
        EXPECT_FLOAT_EQ(x, c.x) << c.comments;
        EXPECT_FLOAT_EQ(y, c.y) << c.comments;
        EXPECT_FLOAT_EQ(w, c.width) << c.comments;
        EXPECT_FLOAT_EQ(f, c.fourth) << c.comments;
    }
    kit::BitmapImageRep rep(4, 4, kit::BitmapImageRep::ColorModel::RGB, false);
    auto bitmap = PlacedItem::initFromStream(rep.TIFFRepresentation());
    float x = -1, y = -1, w = -1, f = -1;
    TextWordSpecial::getEPSOffset(bitmap->bestRepresentationForDevice(), false, &x, &y, &w, &f);
    EXPECT_EQ(x + y + w + f, 0.0f);
}

class LineEndings : public ::testing::Test {
protected:
    void SetUp() override
    {
        setUpItemClasses();
        alerts_ = std::make_shared<kit::ScriptedAlertHandler>();
        previous_ = kit::setAlertHandler(alerts_);
    }
    void TearDown() override { kit::setAlertHandler(previous_); }

    std::shared_ptr<kit::ScriptedAlertHandler> alerts_;
    std::shared_ptr<kit::AlertHandler> previous_;
    TempDir dir_;
};

// An EPS file written with carriage returns, one CR LF and a CR at its end.
const std::string kMacEPS = "%!PS-Adobe-3.0 EPSF-3.0\r%%BoundingBox: 0 0 20 10\r\n%%EndComments\r"
                            "0 0 1 setrgbcolor 0 0 20 10 rectfill\r";
const std::string kUnixEPS = "%!PS-Adobe-3.0 EPSF-3.0\n%%BoundingBox: 0 0 20 10\n%%EndComments\n"
                             "0 0 1 setrgbcolor 0 0 20 10 rectfill\n";

TEST_F(LineEndings, TheUserChoosesToConvertContinueOrCancel)
{
    const struct {
        int answer;
        bool placed;
        std::string fileAfter;
        bool original;
    } cases[] = {
        {kit::AlertDefaultReturn, true, kUnixEPS, true},
        {kit::AlertAlternateReturn, true, kMacEPS, false},
        {kit::AlertOtherReturn, false, kMacEPS, false},
    };
    for (const auto& c : cases) {
        const std::string path = dir_.file("mac" + std::to_string(c.answer) + ".eps");
        pictures::writeFile(path, kMacEPS);
        alerts_->reset();
        alerts_->pushAnswer(c.answer);
        std::string error = "unset";
        auto item = PlacedItem::initWithContentsOfFile(path, true, &error);
        ASSERT_EQ(alerts_->shown().size(), 1u);
        EXPECT_EQ(alerts_->shown()[0].title, "Import");
        EXPECT_EQ(alerts_->beeps(), 1);
        EXPECT_EQ(bool(item), c.placed) << c.answer;
        if (!item) {
            EXPECT_EQ(error, ""); // cancelled: nothing more to tell
        }
        EXPECT_EQ(pictures::readFile(path), c.fileAfter);
        EXPECT_EQ(kit::FileManager::fileExistsAtPath(path + ".orig"), c.original);
        if (c.original) {
            EXPECT_EQ(pictures::readFile(path + ".orig"), kMacEPS);
        }
        if (item && c.answer == kit::AlertDefaultReturn) { // the picture holds the converted file
            EXPECT_EQ(item->sourceImage()->data(), kUnixEPS);
        }
    }
}

TEST_F(LineEndings, OnlyPostScriptWithCarriageReturnsNearItsStartIsAskedAbout)
{
    const std::string late = "%!PS-Adobe-3.0 EPSF-3.0\n%%BoundingBox: 0 0 20 10\n%%EndComments\n" +
                             std::string(1100, '%') + "\r\n";
    for (const std::string& data : {kUnixEPS, late, std::string("\r\r%!PS")}) {
        const std::string path = dir_.file("plain.eps");
        pictures::writeFile(path, data);
        alerts_->reset();
        EXPECT_TRUE(PlacedItem::checkLineEndings(path));
        EXPECT_TRUE(alerts_->shown().empty());
        EXPECT_EQ(pictures::readFile(path), data);
    }
    // Files shorter than the window are read as far as they go.
    const std::string shortFile = dir_.file("short.eps");
    pictures::writeFile(shortFile, "%!\r");
    alerts_->reset();
    alerts_->pushAnswer(kit::AlertAlternateReturn);
    EXPECT_TRUE(PlacedItem::checkLineEndings(shortFile));
    EXPECT_EQ(alerts_->shown().size(), 1u);
}

TEST_F(LineEndings, AFailedConversionLeavesTheFileWhereItWas)
{
    // The converted file cannot be written whole (the process may write no
    // file larger than a few bytes): the user's file must stay under its
    // own name, unchanged.
    const std::string path = dir_.file("big.eps");
    const std::string data = kMacEPS + std::string(4000, '%') + "\r";
    pictures::writeFile(path, data);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        std::signal(SIGXFSZ, SIG_IGN);
        struct rlimit limit{100, 100};
        setrlimit(RLIMIT_FSIZE, &limit);
        auto handler = std::make_shared<kit::ScriptedAlertHandler>();
        handler->pushAnswer(kit::AlertDefaultReturn);
        kit::setAlertHandler(handler);
        const bool placed = PlacedItem::checkLineEndings(path);
        const bool toldWhy = handler->shown().size() == 2 && handler->shown()[1].message == "ConvertError";
        _exit(!placed && toldWhy ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    EXPECT_EQ(pictures::readFile(path), data);
}

TEST(DamagedPictures, AreRefusedWithAReasonAndMakeNoItem)
{
    setUpItemClasses();
    TempDir dir;
    auto withBox = [](const std::string& box) {
        return "%!PS-Adobe-3.0 EPSF-3.0\n" + box + "%%EndComments\n0 0 moveto\n";
    };
    // A little-endian TIFF directory of 20000 x 20000 pixels: 400 megapixels.
    std::string huge = {'I', 'I', 42, 0, 8, 0, 0, 0};
    auto put16 = [&](std::uint32_t v) { huge += char(v & 0xFF), huge += char(v >> 8 & 0xFF); };
    auto put32 = [&](std::uint32_t v) { put16(v & 0xFFFF), put16(v >> 16); };
    const std::uint32_t entries[][4] = {{256, 4, 1, 20000}, {257, 4, 1, 20000}, {258, 3, 1, 8}, {262, 3, 1, 1},
                                        {273, 4, 1, 8},     {277, 3, 1, 1},     {278, 4, 1, 20000}, {279, 4, 1, 1}};
    put16(8);
    for (const auto& e : entries)
        put16(e[0]), put16(e[1]), put32(e[2]), put32(e[3]);
    put32(0);
    kit::BitmapImageRep rep(64, 64, kit::BitmapImageRep::ColorModel::RGB, false);
    const std::string good = rep.TIFFRepresentation();
    const struct {
        const char* what;
        std::string data;
        const char* reason;
    } cases[] = {
        {"no box", withBox(""), "BoundingBox"},
        {"zero box", withBox("%%BoundingBox: 10 10 10 40\n"), "empty"},
        {"negative box", withBox("%%BoundingBox: 50 50 10 10\n"), "empty"},
        {"huge box", withBox("%%BoundingBox: 0 0 1000000 1000000\n"), "too large"},
        {"truncated TIFF", good.substr(0, good.size() / 2), "TIFF"},
        {"over the pixel budget", huge, "million pixels"},
        {"not a picture", "GIF89a......", "not a TIFF or EPS"},
        {"empty", "", "not a TIFF or EPS"},
    };
    for (const auto& c : cases) {
        std::string error;
        EXPECT_FALSE(PlacedItem::initFromStream(c.data, &error)) << c.what;
        EXPECT_NE(error.find(c.reason), std::string::npos) << c.what << ": " << error;
        const std::string path = dir.file("damaged");
        pictures::writeFile(path, c.data);
        error.clear();
        EXPECT_FALSE(PlacedItem::initWithContentsOfFile(path, true, &error)) << c.what;
        EXPECT_NE(error.find(c.reason), std::string::npos) << c.what << ": " << error;
    }
    std::string error;
    EXPECT_FALSE(PlacedItem::initWithContentsOfFile(dir.file("nothing here"), true, &error));
    EXPECT_FALSE(error.empty());
    EXPECT_FALSE(PlacedItem::initWithContentsOfFile(dir.path().string(), true, &error)); // a folder
    EXPECT_FALSE(error.empty());
}

} // namespace
