// The knob font and the hit procedures, printed and on screen: Ghostscript
// runs the programs the PostScript writer sends (the definitions in the
// prologue, the knobs as the font's glyph, the hit programs printing their
// answers), and the screen back end must paint the same pixels and give the
// same answers.

#include "foundation/CMGeometry.h"
#include "graphics/PostScriptContext.h"
#include "graphics/RasterContext.h"
#include "items/Item.h"
#include "items/KnobProcs.h"

#include <gtest/gtest.h>

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include <unistd.h>

namespace {

constexpr int kPageWidth = 320;
constexpr int kPageHeight = 200;

bool haveGhostscript()
{
    return std::system("command -v gs >/dev/null 2>&1") == 0;
}

struct Printed {
    std::string output; // what the page's programs printed
    int width = 0, height = 0;
    std::string rgb; // top row first, 3 bytes a pixel

    unsigned channel(int x, int y, int c) const
    {
        return static_cast<unsigned char>(rgb[3 * (static_cast<std::size_t>(y) * width + x) + c]);
    }
};

// A binary PPM as Ghostscript's ppmraw device writes it (the same pixels as
// png16m, without a decoder); its header may hold comment lines.
bool readPPM(const std::filesystem::path& path, Printed& into)
{
    FILE* f = std::fopen(path.c_str(), "rb");
    if (!f)
        return false;
    std::string data;
    char buffer[65536];
    std::size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0)
        data.append(buffer, n);
    std::fclose(f);
    if (data.compare(0, 2, "P6") != 0)
        return false;
    std::size_t pos = 2;
    int fields[3] = {};
    for (int& field : fields) {
        while (pos < data.size() && (std::isspace(static_cast<unsigned char>(data[pos])) || data[pos] == '#'))
            pos = data[pos] == '#' ? data.find('\n', pos) : pos + 1;
        if (pos >= data.size())
            return false;
        field = std::atoi(data.c_str() + pos);
        while (pos < data.size() && std::isdigit(static_cast<unsigned char>(data[pos])))
            ++pos;
    }
    into.width = fields[0];
    into.height = fields[1];
    into.rgb = data.substr(pos + 1);
    return fields[2] == 255 && into.width > 0 && into.height > 0 &&
           into.rgb.size() == 3 * static_cast<std::size_t>(into.width) * into.height;
}

// Runs the document through Ghostscript at 72 dpi on a page of our size, so
// that its device pixels are the screen back end's.
::testing::AssertionResult print(const std::string& document, Printed& printed)
{
    char pattern[] = "/tmp/knobprocs-XXXXXX";
    if (!::mkdtemp(pattern))
        return ::testing::AssertionFailure() << "no temporary folder";
    const std::filesystem::path folder = pattern;
    const std::filesystem::path in = folder / "knobs.ps", out = folder / "knobs.ppm", log = folder / "gs.log";
    if (FILE* f = std::fopen(in.c_str(), "wb")) {
        std::fwrite(document.data(), 1, document.size(), f);
        std::fclose(f);
    }
    const std::string command = "gs -q -dSAFER -dBATCH -dNOPAUSE -sDEVICE=ppmraw -r72 -dFIXEDMEDIA -dDEVICEWIDTHPOINTS=" +
                                std::to_string(kPageWidth) + " -dDEVICEHEIGHTPOINTS=" + std::to_string(kPageHeight) +
                                " -sOutputFile='" + out.string() + "' '" + in.string() + "' 2>'" + log.string() + "'";
    std::string output;
    int status = -1;
    if (FILE* pipe = ::popen(command.c_str(), "r")) {
        char buffer[4096];
        std::size_t n;
        while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0)
            output.append(buffer, n);
        status = ::pclose(pipe);
    }
    std::string errors;
    if (FILE* f = std::fopen(log.c_str(), "rb")) {
        char buffer[4096];
        std::size_t n;
        while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0)
            errors.append(buffer, n);
        std::fclose(f);
    }
    printed.output = output;
    const bool image = readPPM(out, printed);
    std::error_code ignored;
    std::filesystem::remove_all(folder, ignored);
    if (status != 0 || !errors.empty() || !image)
        return ::testing::AssertionFailure() << "gs status " << status << "\n" << output << errors;
    return ::testing::AssertionSuccess();
}

// ---- Hit procedures.

struct Path {
    std::vector<float> coords;
    std::vector<unsigned char> ops;
    kit::UserPath path() const { return {coords, ops}; }
};

// A rectangle as a box sends its outline, through an item matrix about its origin.
Path boxPath(const kit::Rect& frame, float degrees = 0)
{
    const kit::Matrix r = kit::Matrix::rotation(degrees);
    const float m[4] = {r.a, r.b, r.c, r.d};
    const CMRectPath* p = CMCalcRectPathWithMatrix(&frame, m);
    return {{p->coords, p->coords + 12}, {p->ops, p->ops + 6}};
}

Path trianglePath()
{
    return {{0, 0, 100, 80, 0, 0, 100, 0, 50, 80}, {0, 1, 3, 3, 10}};
}

Path circlePath()
{
    return {{10, 10, 90, 90, 50, 50, 40, 0, 360}, {0, 7, 10}};
}

enum class Kind { PointFill, PointStroke, PathFill, PathStroke };

struct HitCase {
    const char* what;
    Kind kind;
    Path path;
    float x = 0, y = 0;  // the point
    kit::Rect aperture{}; // or the aperture
    float lineWidth = 10;
    kit::Matrix ctm{};    // applied over the page's matrix
};

std::vector<HitCase> hitCases()
{
    const kit::Rect frame = kit::makeRect(40, 50, 120, 80);
    const Path box = boxPath(frame), turned = boxPath(frame, 30);
    const kit::Matrix zoom = kit::Matrix::scaling(1.5f, 1.5f);
    const kit::Matrix rotated = kit::Matrix::translation(160, 20).rotated(25);
    using K = Kind;
    // Stroke adjustment moves a wide stroke's edges to whole pixels, which
    // the geometric answers do not model: stroke points keep a pixel away
    // from the stroke's edges. Fill points go right to them.
    return {
        {"fill, deep inside", K::PointFill, box, 100, 90},
        {"fill, far outside", K::PointFill, box, 200, 90},
        {"fill, on the left edge", K::PointFill, box, 40, 90},
        {"fill, a tenth left of the left edge", K::PointFill, box, 39.9f, 90},
        {"fill, on the right edge", K::PointFill, box, 160, 90},
        {"fill, a tenth inside the right edge", K::PointFill, box, 159.9f, 90},
        {"fill, on the bottom edge", K::PointFill, box, 100, 50},
        {"fill, a tenth above the bottom edge", K::PointFill, box, 100, 50.1f},
        {"fill, on the top edge", K::PointFill, box, 100, 130},
        {"fill, a tenth above the top edge", K::PointFill, box, 100, 130.1f},
        {"fill, in the corner pixel", K::PointFill, box, 40.5f, 129.5f},
        {"fill, corner pixel outside", K::PointFill, box, 39.5f, 130.5f},
        {"stroke, on the outline", K::PointStroke, box, 40, 90},
        {"stroke, 4 inside the outline", K::PointStroke, box, 44, 90},
        {"stroke, 4 outside the outline", K::PointStroke, box, 36, 90},
        {"stroke, 6 outside the outline", K::PointStroke, box, 34, 90},
        {"stroke, 6 inside the outline", K::PointStroke, box, 100, 124},
        {"stroke, the middle of the box", K::PointStroke, box, 100, 90},
        {"stroke, beyond a corner", K::PointStroke, box, 163, 133},
        {"stroke, width 20, 8 outside", K::PointStroke, box, 100, 138, {}, 20},
        {"stroke, width 20, 12 outside", K::PointStroke, box, 100, 142, {}, 20},
        {"turned box, fill at its centre", K::PointFill, turned, 80, 125},
        {"turned box, fill at the frame's far corner", K::PointFill, turned, 159, 129},
        {"turned box, fill beyond its first edge", K::PointFill, turned, 100, 58},
        {"turned box, stroke on its first edge", K::PointStroke, turned, 92, 80},
        {"turned box, stroke 3 off its first edge", K::PointStroke, turned, 93.5f, 77.4f},
        {"turned box, stroke 8 off its first edge", K::PointStroke, turned, 96, 73},
        {"zoomed, fill inside", K::PointFill, box, 41, 51, {}, 10, zoom},
        {"zoomed, fill a third of a pixel outside", K::PointFill, box, 39.8f, 90, {}, 10, zoom},
        {"zoomed, stroke 4 outside", K::PointStroke, box, 36, 90, {}, 10, zoom},
        {"zoomed, stroke 6 outside", K::PointStroke, box, 34, 90, {}, 10, zoom},
        {"rotated page, fill inside", K::PointFill, box, 100, 90, {}, 10, rotated},
        {"rotated page, fill outside", K::PointFill, box, 30, 90, {}, 10, rotated},
        {"rotated page, stroke 4 outside", K::PointStroke, box, 100, 134, {}, 10, rotated},
        {"rotated page, stroke 7 outside", K::PointStroke, box, 100, 137, {}, 10, rotated},
        {"triangle, fill inside", K::PointFill, trianglePath(), 50, 40},
        {"triangle, fill beside the slope", K::PointFill, trianglePath(), 20, 60},
        {"triangle, stroke near the slope", K::PointStroke, trianglePath(), 22, 38, {}, 4},
        {"circle, fill inside", K::PointFill, circlePath(), 50, 85},
        {"circle, fill outside", K::PointFill, circlePath(), 50, 93},
        {"circle, stroke on it", K::PointStroke, circlePath(), 90, 50, {}, 4},
        {"circle, stroke off it", K::PointStroke, circlePath(), 94, 50, {}, 4},
        {"aperture in the box, filled", K::PathFill, box, 0, 0, kit::makeRect(90, 80, 10, 10)},
        {"aperture in the box, stroked", K::PathStroke, box, 0, 0, kit::makeRect(90, 80, 10, 10)},
        {"aperture across the outline", K::PathStroke, box, 0, 0, kit::makeRect(30, 80, 20, 10)},
        {"aperture 3 off the outline", K::PathStroke, box, 0, 0, kit::makeRect(20, 80, 17, 10)},
        {"aperture 8 off the outline", K::PathStroke, box, 0, 0, kit::makeRect(20, 80, 12, 10)},
        {"aperture outside, filled", K::PathFill, box, 0, 0, kit::makeRect(170, 80, 10, 10)},
        {"aperture holding the box", K::PathFill, box, 0, 0, kit::makeRect(20, 20, 200, 150)},
        {"aperture near the turned box", K::PathStroke, turned, 0, 0, kit::makeRect(60, 40, 10, 10)},
        {"aperture far from the turned box", K::PathStroke, turned, 0, 0, kit::makeRect(150, 30, 10, 10)},
    };
}

// The screen's answer, through the procedure the items call.
bool screenAnswer(kit::DrawContext& context, const HitCase& c)
{
    const kit::UserPath path = c.path.path();
    const CMRectPath aperture = *CMCalcRectPath(&c.aperture);
    int hit = -1;
    const auto coords = static_cast<int>(path.coords.size()), ops = static_cast<int>(path.ops.size());
    switch (c.kind) {
    case Kind::PointFill:
        PSinpath(context, c.x, c.y, path.coords.data(), coords, path.ops.data(), ops, &hit);
        break;
    case Kind::PointStroke:
        PSinboundary(context, c.x, c.y, path.coords.data(), coords, path.ops.data(), ops, &hit);
        break;
    case Kind::PathFill:
        PSpathinpath(context, aperture.coords, 12, aperture.ops, 6, path.coords.data(), coords, path.ops.data(), ops,
                     &hit);
        break;
    case Kind::PathStroke:
        PSpathinboundary(context, aperture.coords, 12, aperture.ops, 6, path.coords.data(), coords, path.ops.data(),
                         ops, &hit);
        break;
    }
    EXPECT_TRUE(hit == 0 || hit == 1) << c.what;
    return hit == 1;
}

std::string program(const HitCase& c)
{
    const CMRectPath aperture = *CMCalcRectPath(&c.aperture);
    const kit::UserPath aperturePath{std::span<const float>(aperture.coords, 12),
                                     std::span<const unsigned char>(aperture.ops, 6)};
    switch (c.kind) {
    case Kind::PointFill: return hitProcedureProgram(c.x, c.y, c.path.path(), HitOperator::inufill);
    case Kind::PointStroke: return hitProcedureProgram(c.x, c.y, c.path.path(), HitOperator::inustroke);
    case Kind::PathFill: return hitProcedureProgram(aperturePath, c.path.path(), HitOperator::inufill);
    case Kind::PathStroke: return hitProcedureProgram(aperturePath, c.path.path(), HitOperator::inustroke);
    }
    return {};
}

void setUpForHit(kit::DrawContext& context, const HitCase& c)
{
    context.concat(c.ctm);
    context.setlinewidth(c.lineWidth);
    context.setmiterlimit(4);
}

// ---- Knobs.

struct KnobCase {
    float x, y;
    float zoom;  // the page view's scale, 1 = 100 %
    float gray;  // of the inner square
    int run = -1; // 0 or more: a run of that many knobs by PSdrawknobs
};

const KnobCase kKnobs[] = {
    {20, 170, 1, 0},         {40.3f, 170.6f, 1, 0},   {60.5f, 170.5f, 1, 0.333f}, {80.75f, 169.25f, 1, 0},
    {100.1f, 170.9f, 1, 0},  {20, 140, 2, 0},         {40.3f, 140.2f, 2, 0},      {60.6f, 139.7f, 0.5f, 0},
    {80.25f, 140.75f, 1.5f, 0}, {100.9f, 140.1f, 0.8f, 0.5f}, {120.2f, 139.9f, 1.25f, 0},
    {20, 100, 1, 0, 4},      {20.4f, 80.6f, 1.5f, 0, 5}, {20, 60, 1, 0, 0}, {60, 60, 1, 0, 1},
};

void drawKnobs(kit::DrawContext& context)
{
    // Mid-gray paper, so that the white outer squares show.
    context.setgray(0.5f);
    context.rectfill(0, 0, kPageWidth, kPageHeight);
    for (const KnobCase& k : kKnobs) {
        float outer = 0, inner = 0;
        getKnobSizesForScale(k.zoom, &outer, &inner);
        context.gsave();
        context.scale(k.zoom, k.zoom);
        const float x = k.x / k.zoom, y = k.y / k.zoom;
        if (k.run < 0) {
            PSdrawknob(context, x, y, outer, inner, k.gray);
        } else {
            std::vector<float> moves;
            for (int i = 0; i < k.run; ++i) {
                moves.push_back(25.3f / k.zoom);
                moves.push_back(0.35f / k.zoom);
            }
            PSdrawknobs(context, x, y, k.run, moves.data(), static_cast<int>(moves.size()), outer, inner, k.gray);
        }
        context.grestore();
    }
}

class KnobProcsPrinted : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!haveGhostscript())
            GTEST_SKIP() << "Ghostscript (gs) is not installed";
    }
};

} // namespace

TEST_F(KnobProcsPrinted, HitProgramsAnswerAsTheScreenDoes)
{
    const std::vector<HitCase> cases = hitCases();
    kit::PostScriptContext ps;
    ps.beginDocument({});
    PSinitcontrolpoints(ps);
    ps.beginPage("1", 1, kit::makeRect(0, 0, kPageWidth, kPageHeight));
    for (std::size_t i = 0; i < cases.size(); ++i) {
        const std::string text = program(cases[i]);
        ASSERT_FALSE(text.empty()) << cases[i].what;
        ps.gsave();
        setUpForHit(ps, cases[i]);
        // Prints the case, how many objects the program left and the first.
        ps.sendPostScript("(hit " + std::to_string(i) + " ) print mark " + text +
                          " counttomark 9 string cvs print ( ) print dup type /booleantype eq {=} {pop (none) =} ifelse"
                          " cleartomark\n");
        ps.grestore();
    }
    ps.endPage();
    ps.endDocument();
    ASSERT_EQ(ps.errorCount(), 0u) << ps.lastError();
    Printed printed;
    ASSERT_TRUE(print(ps.output(), printed));

    std::map<std::size_t, std::string> answers;
    std::istringstream lines(printed.output);
    std::string line;
    while (std::getline(lines, line)) {
        std::size_t index = 0;
        int count = 0;
        char answer[16] = {};
        if (std::sscanf(line.c_str(), "hit %zu %d %15s", &index, &count, answer) == 3 && count == 1)
            answers[index] = answer;
    }

    kit::RasterContext screen(kPageWidth, kPageHeight, 72);
    int hits = 0;
    for (std::size_t i = 0; i < cases.size(); ++i) {
        screen.gsave();
        setUpForHit(screen, cases[i]);
        const bool mine = screenAnswer(screen, cases[i]);
        screen.grestore();
        ASSERT_TRUE(answers.count(i)) << cases[i].what << ": no single boolean from Ghostscript\n" << printed.output;
        EXPECT_EQ(mine ? "true" : "false", answers[i]) << cases[i].what;
        hits += mine;
    }
    // Both answers occur, so neither side can pass by answering one way.
    EXPECT_GT(hits, 10);
    EXPECT_LT(hits, static_cast<int>(cases.size()) - 10);
    EXPECT_EQ(screen.errorCount(), 0u) << screen.lastError();
}

TEST_F(KnobProcsPrinted, KnobsCoverTheSamePixelsAsTheKnobFont)
{
    kit::PostScriptContext ps;
    ps.beginDocument({});
    PSinitcontrolpoints(ps);
    ps.beginPage("1", 1, kit::makeRect(0, 0, kPageWidth, kPageHeight));
    drawKnobs(ps);
    ps.endPage();
    ps.endDocument();
    ASSERT_EQ(ps.errorCount(), 0u) << ps.lastError();
    Printed printed;
    ASSERT_TRUE(print(ps.output(), printed));
    ASSERT_EQ(printed.width, kPageWidth);
    ASSERT_EQ(printed.height, kPageHeight);

    kit::RasterContext screen(kPageWidth, kPageHeight, 72);
    screen.fillImage(0xFFFFFFFF);
    drawKnobs(screen);
    ASSERT_EQ(screen.errorCount(), 0u) << screen.lastError();

    int differing = 0, white = 0, dark = 0;
    std::string firstDifferences;
    for (int y = 0; y < kPageHeight; ++y)
        for (int x = 0; x < kPageWidth; ++x) {
            const std::uint32_t p = screen.pixel(x, y);
            const unsigned mine[3] = {(p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF};
            bool same = true;
            for (int c = 0; c < 3; ++c)
                same = same && std::abs(static_cast<int>(mine[c]) - static_cast<int>(printed.channel(x, y, c))) <= 3;
            white += printed.channel(x, y, 0) == 255;
            dark += printed.channel(x, y, 0) < 100;
            if (!same && ++differing <= 8)
                firstDifferences += " (" + std::to_string(x) + ", " + std::to_string(y) + ") screen " +
                                    std::to_string(mine[0]) + " printed " + std::to_string(printed.channel(x, y, 0));
        }
    EXPECT_EQ(differing, 0) << "pixels differ, first at" << firstDifferences;
    // The knobs are there at all: white rims and dark centres.
    EXPECT_GT(white, 200);
    EXPECT_GT(dark, 100);
}
