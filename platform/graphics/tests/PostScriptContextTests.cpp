#include "core/FileManager.h"
#include "graphics/Font.h"
#include "graphics/PostScriptContext.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <sstream>
#include <unistd.h>

using kit::Matrix;
using kit::PostScriptContext;
using kit::Rect;
using kit::makeRect;

namespace {

const Rect kLetter = makeRect(0, 0, 612, 792);

std::size_t countOf(const std::string& haystack, const std::string& needle)
{
    std::size_t n = 0;
    for (std::size_t pos = haystack.find(needle); pos != std::string::npos; pos = haystack.find(needle, pos + 1))
        ++n;
    return n;
}

std::vector<std::string> splitLines(const std::string& text)
{
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

// The operators of the one page, between the page set-up and the restore.
std::vector<std::string> pageBody(const std::string& ps)
{
    std::size_t begin = ps.find("Sc_dm matrix currentmatrix def\n");
    std::size_t end = ps.find("Sc_pg restore");
    if (begin == std::string::npos || end == std::string::npos)
        return {};
    begin = ps.find('\n', begin) + 1;
    if (ps.compare(begin, 15, "%%EndPageSetup\n") == 0)
        begin += 15;
    return splitLines(ps.substr(begin, end - begin));
}

struct Sections {
    std::size_t endComments, beginProlog, endProlog, beginSetup, endSetup, trailer, eof;
};

// A document with text in three fonts, lines, curves, dashes, fills, clips,
// rectangle lists, user paths, xyshow and hostile strings: what the renderer
// test paints and the structure test reads.
std::string sampleDocument(PostScriptContext::Kind kind = PostScriptContext::Kind::Document, int pagesAnnounced = 0)
{
    PostScriptContext ps(kind);
    kit::PostScriptDocumentInfo info;
    info.pages = pagesAnnounced;
    info.title = "Sample\nwith a newline";
    info.creationDate = "Tue Dec 9 2025";
    info.forWhom = "tests";
    ps.beginDocument(info);
    ps.sendPostScript("/Sc_test_prologue true def");
    ps.endPrologue();
    ps.sendPostScript("/Sc_test_setup true def\n");

    ps.beginPage("1", 1, kLetter);
    ps.sendPostScript("% page set-up text\n");
    // A black box and a red one.
    ps.rectfill(50, 50, 100, 50);
    ps.setrgbcolor(1, 0, 0);
    ps.rectfill(200, 50, 50, 50);
    // A thick line.
    ps.setgray(0);
    ps.setlinewidth(10);
    ps.moveto(50, 300);
    ps.lineto(300, 300);
    ps.stroke();
    // A dashed line: on 20, off 20.
    const float dash[] = {20, 20};
    ps.setdash(dash, 0);
    ps.moveto(50, 400);
    ps.lineto(250, 400);
    ps.stroke();
    ps.setdash({}, 0);
    // A filled circle from arcs and a filled curve.
    ps.newpath();
    ps.arc(450, 150, 40, 0, 360);
    ps.closepath();
    ps.fill();
    ps.moveto(400, 250);
    ps.curveto(400, 350, 500, 350, 500, 250);
    ps.closepath();
    ps.fill();
    // A clipped fill.
    ps.gsave();
    ps.rectclip(300, 500, 50, 50);
    ps.rectfill(250, 450, 200, 200);
    ps.grestore();
    // A rectangle list in CMYK.
    ps.setcmykcolor(0, 0, 0, 1);
    const Rect list[] = {makeRect(400, 400, 20, 20), makeRect(440, 400, 20, 20)};
    ps.rectfillList(list);
    // A user path triangle, filled, and a ring with an even-odd hole.
    const float tri[] = {520, 40, 580, 90, 520, 40, 580, 40, 550, 90};
    const unsigned char triOps[] = {11, 0, 1, 3, 3, 10};
    const float box[4] = {520, 40, 580, 90};
    bool drawn = ps.doUserPath(kit::UserPath{tri, triOps}, box, kit::UserPathAction::ufill);
    EXPECT_TRUE(drawn) << ps.lastError();
    ps.moveto(500, 600);
    ps.lineto(600, 600);
    ps.lineto(600, 700);
    ps.lineto(500, 700);
    ps.closepath();
    ps.moveto(525, 625);
    ps.lineto(575, 625);
    ps.lineto(575, 675);
    ps.lineto(525, 675);
    ps.closepath();
    ps.eofill();
    // Rotated, scaled outline through the matrix, restored by setmatrix.
    Matrix saved = ps.currentmatrix();
    ps.translate(100, 500);
    ps.rotate(45);
    ps.scale(2, 2);
    ps.setlinewidth(1);
    ps.rectstroke(0, 0, 20, 10);
    ps.setmatrix(saved);
    // Text in three fonts and two sizes.
    if (const kit::Font* bold = kit::Font::fontWithName("Helvetica-Bold", 48)) {
        ps.selectfont(bold);
        ps.moveto(50, 600);
        ps.show("HH");
    }
    if (const kit::Font* times = kit::Font::fontWithName("Times-Roman", 24)) {
        ps.selectfont(times);
        ps.moveto(50, 700);
        const std::string hostile = "a(b)c\\d)\xE9\xA7(";
        std::vector<float> offsets;
        for (unsigned char ch : hostile) {
            offsets.push_back(times->advance(ch));
            offsets.push_back(0);
        }
        ps.xyshow(hostile, offsets);
        ps.movetoRound(50.3f, 740.6f);
        ps.show(std::string(300, 'x') + ")(\\"); // long enough to wrap
    }
    if (const kit::Font* symbol = kit::Font::fontWithName("Symbol", 30)) {
        ps.selectfont(symbol);
        ps.moveto(300, 700);
        ps.show("abg");
    }
    ps.endPage();

    if (kind == PostScriptContext::Kind::Document) {
        ps.beginPage("ii", 2, kLetter);
        ps.rectfill(0, 0, 10, 10);
        ps.endPage();
    }
    ps.endDocument();
    return ps.takeOutput();
}

} // namespace

// The pages a printer announces only make room: too few, the right number
// or far too many, the document is the same, byte for byte.
TEST(PostScript, AnnouncedPagesChangeNothingWritten)
{
    const std::string plain = sampleDocument();
    for (int pages : {1, 2, 1000})
        EXPECT_EQ(sampleDocument(PostScriptContext::Kind::Document, pages), plain) << pages;
    EXPECT_EQ(sampleDocument(PostScriptContext::Kind::EPS, 5), sampleDocument(PostScriptContext::Kind::EPS));
}

TEST(PostScript, NumbersAreShortAndUseAPoint)
{
    struct Case {
        double value;
        const char* text;
    };
    const Case cases[] = {
        {0, "0"},
        {-0.0, "0"},
        {-0.00001, "0"},
        {1e-5, "0"},
        {1, "1"},
        {72, "72"},
        {-2.5, "-2.5"},
        {0.1f, "0.1"},
        {0.333333f, "0.3333"},
        {0.66667, "0.6667"},
        {12.00004, "12"},
        {-1234.5678, "-1234.5678"},
        {123456.789, "123456.789"},
        {1e20, "100000000000000000000"},
        {std::numeric_limits<double>::quiet_NaN(), "0"},
        {std::numeric_limits<double>::infinity(), "0"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(kit::postScriptNumber(c.value), c.text) << c.value;

    // Rounded to the nearest ten-thousandth, halves away from zero, over the
    // values glyph advances take and every half in between.
    for (int k = -400000; k <= 400000; k += 7) {
        const double value = k / 20000.0;
        const long long scaled = std::llround(value * 10000.0);
        char expected[40];
        std::snprintf(expected, sizeof expected, "%s%lld.%04lld", scaled < 0 ? "-" : "", std::llabs(scaled) / 10000,
                      std::llabs(scaled) % 10000);
        std::string text = expected;
        while (text.back() == '0')
            text.pop_back();
        if (text.back() == '.')
            text.pop_back();
        if (scaled == 0)
            text = "0";
        ASSERT_EQ(kit::postScriptNumber(value), text) << value;
    }
}

TEST(PostScript, XyshowWritesEveryAdvanceAsANumberAndBreaksLongLines)
{
    const kit::Font* times = kit::Font::fontWithName("Times-Roman", 12);
    ASSERT_NE(times, nullptr);
    PostScriptContext ps;
    ps.beginPage("1", 1, kLetter);
    ps.selectfont(times);
    ps.moveto(72, 700);
    const std::string text(300, 'a');
    std::vector<float> offsets;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const float values[] = {5.328f, -0.00005f, 0, -468.18f, 12345.6789f, 1e15f};
        offsets.push_back(values[i % 6]);
        offsets.push_back(i % 50 == 49 ? 14.0f : 0.0f);
    }
    ps.xyshow(text, offsets);
    ps.endDocument();
    const std::string& out = ps.output();
    const std::size_t open = out.find(") ["), close = out.find("] xsh");
    ASSERT_NE(open, std::string::npos);
    ASSERT_NE(close, std::string::npos);
    std::istringstream numbers(out.substr(open + 3, close - open - 3));
    std::size_t n = 0;
    for (std::string token; numbers >> token; ++n) {
        ASSERT_LT(n, offsets.size());
        EXPECT_EQ(token, kit::postScriptNumber(offsets[n])) << n;
    }
    EXPECT_EQ(n, offsets.size());
    // A line ends at the first number that takes it past 200 characters.
    std::istringstream lines(out.substr(open, close - open));
    for (std::string line; std::getline(lines, line);)
        EXPECT_LE(line.size(), 200u + 1 + kit::postScriptNumber(1e15f).size()) << line;
}

TEST(PostScript, StringsEscapeParenthesesBackslashesAndEightBitBytes)
{
    struct Case {
        std::string bytes;
        const char* literal;
    };
    const Case cases[] = {
        {"plain", "(plain)"},
        {"", "()"},
        {"a(b)c", "(a\\(b\\)c)"},
        {")(", "(\\)\\()"},
        {"back\\slash", "(back\\\\slash)"},
        {"\xE9t\xE9", "(\\351t\\351)"},
        {"tab\tnew\nline", "(tab\\011new\\012line)"},
        {std::string("nul\0z", 5), "(nul\\000z)"},
        {"\x7F\xFF", "(\\177\\377)"},
        {"%not a comment", "(%not a comment)"},
    };
    for (const Case& c : cases) {
        std::string out;
        kit::appendPostScriptString(out, c.bytes);
        EXPECT_EQ(out, c.literal);
    }
    // A long string is broken with backslash-newline, never mid-escape.
    std::string out;
    kit::appendPostScriptString(out, std::string(500, '\xE9'));
    for (const std::string& line : splitLines(out))
        EXPECT_LE(line.size(), 210u);
    std::string joined;
    for (std::size_t i = 0; i < out.size(); ++i) {
        if (out[i] == '\\' && i + 1 < out.size() && out[i + 1] == '\n') {
            ++i;
            continue;
        }
        joined += out[i];
    }
    EXPECT_EQ(countOf(joined, "\\351"), 500u);

    // Longer than any buffer the writer gathers it in: every byte, in order.
    std::string mixed, expected = "(";
    for (int i = 0; i < 6000; ++i) {
        const char* escaped[] = {"a", "\\(", "\\351"};
        mixed += "a(\xE9"[i % 3];
        expected += escaped[i % 3];
    }
    out.clear();
    kit::appendPostScriptString(out, mixed);
    joined.clear();
    for (std::size_t i = 0; i < out.size(); ++i) {
        if (out[i] == '\\' && i + 1 < out.size() && out[i + 1] == '\n') {
            ++i;
            continue;
        }
        joined += out[i];
    }
    EXPECT_EQ(joined, expected + ")");
}

TEST(PostScript, NumbersIgnoreACommaLocale)
{
    const std::string previous = std::setlocale(LC_ALL, nullptr);
    if (!std::setlocale(LC_ALL, "de_DE.UTF-8"))
        GTEST_SKIP() << "de_DE.UTF-8 is not installed";
    char probe[16];
    std::snprintf(probe, sizeof probe, "%.1f", 0.5);
    EXPECT_STREQ(probe, "0,5") << "the locale really uses a decimal comma";

    PostScriptContext ps;
    ps.beginPage("1", 1, kLetter);
    ps.setgray(0.5f);
    ps.setlinewidth(0.25f);
    ps.moveto(1.25f, 2.5f);
    ps.lineto(1e15f, 3.75f);
    ps.stroke();
    ps.endDocument();
    std::setlocale(LC_ALL, previous.c_str());

    const std::string& out = ps.output();
    EXPECT_NE(out.find("0.5 g\n"), std::string::npos);
    EXPECT_NE(out.find("0.25 lw\n"), std::string::npos);
    EXPECT_NE(out.find("1.25 2.5 m\n"), std::string::npos);
    EXPECT_NE(out.find(" 3.75 l\n"), std::string::npos);
    EXPECT_EQ(out.find("0,5"), std::string::npos);
    EXPECT_EQ(out.find("1,25"), std::string::npos);
}

TEST(PostScript, DocumentFollowsTheStructuringConventions)
{
    const std::string ps = sampleDocument();
    ASSERT_FALSE(ps.empty());
    EXPECT_EQ(ps.rfind("%!PS-Adobe-3.0\n", 0), 0u);
    EXPECT_EQ(ps.substr(ps.size() - 6), "%%EOF\n");

    Sections s{ps.find("%%EndComments\n"), ps.find("%%BeginProlog\n"), ps.find("%%EndProlog\n"),
               ps.find("%%BeginSetup\n"), ps.find("%%EndSetup\n"),    ps.find("%%Trailer\n"),
               ps.find("%%EOF\n")};
    std::size_t page1 = ps.find("%%Page: 1 1\n"), page2 = ps.find("%%Page: ii 2\n");
    const std::size_t order[] = {s.endComments, s.beginProlog, s.endProlog, s.beginSetup, s.endSetup,
                                 page1,         page2,         s.trailer,   s.eof};
    for (std::size_t i = 0; i < std::size(order); ++i) {
        ASSERT_NE(order[i], std::string::npos) << "section " << i;
        if (i) {
            EXPECT_LT(order[i - 1], order[i]) << "section " << i;
        }
    }

    const std::string header = ps.substr(0, s.endComments);
    EXPECT_NE(header.find("%%BoundingBox: 0 0 612 792\n"), std::string::npos);
    EXPECT_NE(header.find("%%Pages: 2\n"), std::string::npos);
    EXPECT_NE(header.find("%%LanguageLevel: 2\n"), std::string::npos);
    EXPECT_NE(header.find("%%Title: Sample with a newline\n"), std::string::npos) << "no line break in a comment";
    EXPECT_NE(header.find("%%CreationDate: Tue Dec 9 2025\n"), std::string::npos);
    EXPECT_NE(header.find("%%DocumentNeededResources: font Helvetica-Bold\n"), std::string::npos);
    EXPECT_NE(header.find("%%+ font Times-Roman\n"), std::string::npos);
    EXPECT_NE(header.find("%%+ font Symbol\n"), std::string::npos);

    // Sent text lands in the section that was open.
    std::size_t prologueText = ps.find("/Sc_test_prologue true def\n");
    EXPECT_TRUE(s.beginProlog < prologueText && prologueText < s.endProlog);
    std::size_t setupText = ps.find("/Sc_test_setup true def\n");
    EXPECT_TRUE(s.beginSetup < setupText && setupText < s.endSetup);
    std::size_t pageSetupText = ps.find("% page set-up text\n");
    EXPECT_TRUE(ps.find("%%BeginPageSetup\n", page1) < pageSetupText &&
                pageSetupText < ps.find("%%EndPageSetup\n", page1));

    // Text fonts are re-encoded to the documents' set; Symbol keeps its own.
    const std::string setup = ps.substr(s.beginSetup, s.endSetup - s.beginSetup);
    EXPECT_NE(setup.find("%%IncludeResource: font Times-Roman\n"), std::string::npos);
    EXPECT_NE(setup.find("/Sc-Times-Roman /Times-Roman Sc_enc Sc_re\n"), std::string::npos);
    EXPECT_NE(setup.find("/Sc-Helvetica-Bold /Helvetica-Bold Sc_enc Sc_re\n"), std::string::npos);
    EXPECT_EQ(setup.find("Sc-Symbol"), std::string::npos);
    std::size_t encStart = setup.find("/Sc_enc [");
    std::size_t encEnd = setup.find("] def", encStart);
    ASSERT_NE(encStart, std::string::npos);
    EXPECT_EQ(countOf(setup.substr(encStart, encEnd - encStart), "/") - 1, 256u);
    EXPECT_NE(setup.find("/quoteright"), std::string::npos);
    EXPECT_NE(setup.find("/Oslash"), std::string::npos);
    EXPECT_NE(ps.find("/Sc-Times-Roman 24 sf\n"), std::string::npos);
    EXPECT_NE(ps.find("/Symbol 30 sf\n"), std::string::npos);

    EXPECT_EQ(countOf(ps, "showpage\n"), 2u);
    EXPECT_EQ(countOf(ps, "%%PageTrailer\n"), 2u);
    EXPECT_NE(ps.find("(a\\(b\\)c\\\\d\\)\\351\\247\\() ["), std::string::npos);
    EXPECT_NE(ps.find("50.3 740.6 mr\n"), std::string::npos);

    for (const std::string& line : splitLines(ps))
        EXPECT_LE(line.size(), 255u) << line.substr(0, 60);
}

TEST(PostScript, EpsHasOnePageAndNoShowpage)
{
    PostScriptContext eps(PostScriptContext::Kind::EPS);
    EXPECT_TRUE(eps.isEPSOperation());
    EXPECT_FALSE(eps.isDrawingToScreen());
    eps.beginDocument({});
    eps.beginPage("", 1, makeRect(100, 100, 100.5f, 50));
    eps.rectfill(100, 100, 50, 50);
    eps.initclip();
    EXPECT_NE(eps.lastError().find("initclip"), std::string::npos);
    eps.endPage();
    eps.clearErrors();
    eps.beginPage("", 2, kLetter);
    EXPECT_FALSE(eps.lastError().empty()) << "a second page is refused";
    eps.endDocument();

    const std::string& out = eps.output();
    EXPECT_EQ(out.rfind("%!PS-Adobe-3.0 EPSF-3.0\n", 0), 0u);
    EXPECT_NE(out.find("%%BoundingBox: 100 100 201 150\n"), std::string::npos);
    EXPECT_NE(out.find("%%HiResBoundingBox: 100 100 200.5 150\n"), std::string::npos);
    EXPECT_EQ(out.find("showpage"), std::string::npos);
    EXPECT_EQ(out.find("%%Page:"), std::string::npos);
    EXPECT_EQ(out.find("%%Pages:"), std::string::npos);
    EXPECT_EQ(out.find("initclip\n"), std::string::npos);
    EXPECT_EQ(countOf(out, "Sc_pg restore"), 1u);
}

TEST(PostScript, StateCacheDropsOnlyOperatorsThatChangeNothing)
{
    PostScriptContext ps;
    ps.beginPage("1", 1, kLetter);
    ps.setgray(0);         // the initial colour: dropped
    ps.setlinewidth(1);    // the initial width: dropped
    ps.setgray(0.5f);      // "0.5 g"
    ps.setgray(0.5f);      // dropped
    ps.gsave();            // "gs"
    ps.setgray(0.2f);      // "0.2 g"
    ps.setlinewidth(3);    // "3 lw"
    ps.grestore();         // "gr"
    ps.setgray(0.5f);      // restored by gr: dropped
    ps.setlinewidth(3);    // "3 lw": the restore brought back 1
    ps.sendPostScript("0 setgray %% force overprinting to take effect\n");
    ps.setgray(0.5f);      // "0.5 g": the text changed the colour
    const float dash[] = {2, 2};
    ps.setdash(dash, 0);   // "[2 2] 0 d"
    ps.setdash(dash, 0);   // dropped
    ps.setdash({}, 0);     // "[] 0 d"
    ps.selectfont("KnobFont", 10); // "/KnobFont 10 sf"
    ps.selectfont("KnobFont", 10); // dropped
    ps.translate(0, 0);    // dropped
    ps.endDocument();

    const std::vector<std::string> expected = {
        "0.5 g", "gs", "0.2 g", "3 lw", "gr", "3 lw", "0 setgray %% force overprinting to take effect",
        "0.5 g", "[2 2] 0 d", "[] 0 d", "/KnobFont 10 sf",
    };
    EXPECT_EQ(pageBody(ps.output()), expected);
    EXPECT_TRUE(ps.lastError().empty()) << ps.lastError();
}

TEST(PostScript, DrawingOutsideAPageIsRefused)
{
    PostScriptContext ps;
    ps.beginDocument({});
    ps.moveto(1, 1);
    ps.rectfill(0, 0, 5, 5);
    EXPECT_EQ(ps.errorCount(), 2u);
    ps.beginPage("1", 1, kLetter);
    ps.endPage();
    ps.setgray(0.5f);
    EXPECT_EQ(ps.errorCount(), 3u);
    ps.sendPostScript("between pages\n");
    EXPECT_EQ(ps.errorCount(), 4u);
    ps.endDocument();
    EXPECT_EQ(ps.output().find("0 0 5 5 rf"), std::string::npos);
    EXPECT_EQ(ps.output().find("between pages"), std::string::npos);
    EXPECT_EQ(ps.pageCount(), 1);
}

TEST(PostScript, UnmatchedGrestoreWritesNothing)
{
    PostScriptContext ps;
    ps.gsave(); // before any page: refused, and not counted as a save
    ps.beginPage("1", 1, kLetter);
    ps.grestore();
    ps.gsave();
    ps.grestore();
    ps.grestore();
    ps.endDocument();
    EXPECT_EQ(pageBody(ps.output()), (std::vector<std::string>{"gs", "gr"}));
}

TEST(PostScript, MatricesAreWrittenRelativeToThePageDefault)
{
    PostScriptContext ps;
    ps.beginPage("1", 1, kLetter);
    ps.sendPostScript("306 396 translate 0.5 0.5 scale -306 -396 translate\n");
    ps.translate(10, 20);
    ps.setmatrix(Matrix{1, 0, 0, -1, 0, 792});
    ps.initmatrix();
    ps.concat(Matrix{2, 0, 0, 2, 5, 5});
    ps.endDocument();
    const std::string& out = ps.output();
    // The set-up's scaling belongs to the page's default matrix.
    EXPECT_LT(out.find("-306 -396 translate\n"), out.find("/Sc_dm matrix currentmatrix def"));
    EXPECT_EQ(pageBody(out), (std::vector<std::string>{"10 20 t", "[1 0 0 -1 0 792] sm", "im", "[2 0 0 2 5 5] cm"}));
}

TEST(PostScript, WriteToFileWritesTheFinishedDocument)
{
    const std::string path = kit::FileManager::uniqueTemporaryPath("draw-ps") + ".ps";
    PostScriptContext ps;
    ps.beginPage("1", 1, kLetter);
    EXPECT_FALSE(ps.writeToFile(path)) << "unfinished";
    ps.rectfill(1, 2, 3, 4);
    ps.endDocument();
    ASSERT_TRUE(ps.writeToFile(path));
    EXPECT_EQ(kit::FileManager::contentsAtPath(path), ps.output());
    kit::FileManager::removeFileAtPath(path);
    // Handed over, the document leaves the writer.
    const std::string whole = ps.output();
    EXPECT_EQ(ps.takeOutput(), whole);
    EXPECT_TRUE(ps.output().empty());
}

// ---- Rendering with Ghostscript.

namespace {

bool haveGhostscript() { return std::system("command -v gs >/dev/null 2>&1") == 0; }

struct Image {
    int width = 0, height = 0;
    std::string rgb;

    // y counts up from the bottom, as PostScript does.
    const unsigned char* at(int x, int y) const
    {
        return reinterpret_cast<const unsigned char*>(rgb.data()) +
               3 * (static_cast<std::size_t>(height - 1 - y) * width + x);
    }
    bool isBlack(int x, int y) const
    {
        const unsigned char* p = at(x, y);
        return p[0] < 64 && p[1] < 64 && p[2] < 64;
    }
    bool isWhite(int x, int y) const
    {
        const unsigned char* p = at(x, y);
        return p[0] > 200 && p[1] > 200 && p[2] > 200;
    }
    bool isRed(int x, int y) const
    {
        const unsigned char* p = at(x, y);
        return p[0] > 200 && p[1] < 64 && p[2] < 64;
    }
    int darkPixels(int x0, int y0, int x1, int y1) const
    {
        int n = 0;
        for (int y = y0; y < y1; ++y)
            for (int x = x0; x < x1; ++x)
                n += at(x, y)[0] < 128;
        return n;
    }
};

// Reads a binary PPM (P6) as Ghostscript writes it.
std::optional<Image> readPPM(const std::string& path)
{
    auto bytes = kit::FileManager::contentsAtPath(path);
    if (!bytes || bytes->compare(0, 2, "P6") != 0)
        return std::nullopt;
    std::size_t pos = 2;
    int fields[3];
    for (int& field : fields) {
        while (pos < bytes->size() && (std::isspace(static_cast<unsigned char>((*bytes)[pos])) || (*bytes)[pos] == '#')) {
            if ((*bytes)[pos] == '#')
                pos = bytes->find('\n', pos);
            else
                ++pos;
        }
        std::size_t used = 0;
        field = std::stoi(bytes->substr(pos, 12), &used);
        pos += used;
    }
    ++pos; // the single white space after the maximum value
    Image image;
    image.width = fields[0];
    image.height = fields[1];
    image.rgb = bytes->substr(pos);
    if (image.rgb.size() != static_cast<std::size_t>(image.width) * image.height * 3)
        return std::nullopt;
    return image;
}

struct Rendered {
    int status = -1;
    std::string log;
    std::vector<Image> pages;
};

Rendered render(const std::string& postScript, bool eps)
{
    Rendered result;
    const std::string dir = kit::FileManager::uniqueTemporaryPath("draw-gs");
    kit::FileManager::createDirectoryAtPath(dir);
    const std::string input = dir + "/in.ps", log = dir + "/log.txt";
    kit::FileManager::writeFileAtomically(input, postScript);
    std::string command = "gs -dSAFER -dBATCH -dNOPAUSE -sDEVICE=ppmraw -r72 -sPAPERSIZE=letter ";
    if (eps)
        command += "-dEPSCrop ";
    command += "-sOutputFile='" + dir + "/page-%d.ppm' '" + input + "' >'" + log + "' 2>&1";
    result.status = std::system(command.c_str());
    result.log = kit::FileManager::contentsAtPath(log).value_or("");
    for (int page = 1;; ++page) {
        auto image = readPPM(dir + "/page-" + std::to_string(page) + ".ppm");
        if (!image)
            break;
        result.pages.push_back(std::move(*image));
    }
    kit::FileManager::removeFileAtPath(dir);
    return result;
}

} // namespace

TEST(PostScriptRender, GhostscriptPaintsTheSampleDocument)
{
    if (!haveGhostscript())
        GTEST_SKIP() << "gs is not installed";
    Rendered r = render(sampleDocument(), false);
    ASSERT_EQ(r.status, 0) << r.log;
    EXPECT_EQ(r.log.find("Error"), std::string::npos) << r.log;
    ASSERT_EQ(r.pages.size(), 2u) << r.log;
    const Image& page = r.pages[0];
    ASSERT_EQ(page.width, 612);
    ASSERT_EQ(page.height, 792);

    struct Probe {
        const char* what;
        int x, y;
        enum { Black, White, Red } expect;
    };
    const Probe probes[] = {
        {"black box", 100, 75, Probe::Black},
        {"beside the black box", 100, 110, Probe::White},
        {"red box", 225, 75, Probe::Red},
        {"thick line", 175, 302, Probe::Black},
        {"beside the thick line", 175, 310, Probe::White},
        {"first dash", 60, 400, Probe::Black},
        {"first gap", 80, 400, Probe::White},
        {"second dash", 100, 400, Probe::Black},
        {"after the dashed line", 270, 400, Probe::White},
        {"circle centre", 450, 150, Probe::Black},
        {"outside the circle", 495, 150, Probe::White},
        {"inside the curve", 450, 290, Probe::Black},
        {"above the curve", 450, 330, Probe::White},
        {"inside the clip", 325, 525, Probe::Black},
        {"clipped away", 275, 475, Probe::White},
        {"first listed rectangle", 410, 410, Probe::Black},
        {"between the listed rectangles", 430, 410, Probe::White},
        {"second listed rectangle", 450, 410, Probe::Black},
        {"user path triangle", 550, 55, Probe::Black},
        {"beside the triangle", 525, 85, Probe::White},
        {"ring", 510, 650, Probe::Black},
        {"even-odd hole", 550, 650, Probe::White},
        {"rotated outline", 114, 514, Probe::Black},
    };
    for (const Probe& p : probes) {
        bool ok = p.expect == Probe::Black ? page.isBlack(p.x, p.y)
                  : p.expect == Probe::Red ? page.isRed(p.x, p.y)
                                           : page.isWhite(p.x, p.y);
        const unsigned char* px = page.at(p.x, p.y);
        EXPECT_TRUE(ok) << p.what << " at " << p.x << "," << p.y << ": " << int(px[0]) << " " << int(px[1]) << " "
                        << int(px[2]);
    }
    // The text shows ink where its glyphs are.
    EXPECT_GT(page.darkPixels(50, 600, 150, 635), 300) << "Helvetica-Bold HH";
    EXPECT_GT(page.darkPixels(50, 695, 200, 720), 100) << "Times-Roman xyshow";
    EXPECT_GT(page.darkPixels(300, 690, 360, 725), 50) << "Symbol";
    EXPECT_TRUE(r.pages[1].isBlack(5, 5));
    EXPECT_TRUE(r.pages[1].isWhite(20, 20));
}

TEST(PostScriptRender, GhostscriptCropsEpsToItsBoundingBox)
{
    if (!haveGhostscript())
        GTEST_SKIP() << "gs is not installed";
    PostScriptContext eps(PostScriptContext::Kind::EPS);
    eps.beginDocument({});
    eps.beginPage("", 1, makeRect(100, 100, 200, 150));
    eps.rectfill(100, 100, 200, 75); // the lower half of the box
    if (const kit::Font* font = kit::Font::fontWithName("Times-Bold", 40)) {
        eps.selectfont(font);
        eps.setgray(1);
        eps.moveto(110, 120);
        eps.show("(EPS)");
    }
    eps.endDocument();
    Rendered r = render(eps.output(), true);
    ASSERT_EQ(r.status, 0) << r.log;
    EXPECT_EQ(r.log.find("Error"), std::string::npos) << r.log;
    ASSERT_EQ(r.pages.size(), 1u);
    const Image& image = r.pages[0];
    ASSERT_EQ(image.width, 200);
    ASSERT_EQ(image.height, 150);
    EXPECT_TRUE(image.isBlack(195, 5));
    EXPECT_TRUE(image.isBlack(195, 70));
    EXPECT_TRUE(image.isWhite(190, 80));
    EXPECT_TRUE(image.isWhite(10, 140));
    EXPECT_LT(image.darkPixels(10, 15, 150, 50), 140 * 35 - 100) << "white text cut out of the black";
}

TEST(PostScriptRender, HostileInputStillGivesAValidDocument)
{
    if (!haveGhostscript())
        GTEST_SKIP() << "gs is not installed";
    const float nan = std::numeric_limits<float>::quiet_NaN();
    PostScriptContext ps;
    ps.beginPage("(odd) label \\ with spaces", 1, kLetter);
    ps.moveto(nan, 5);
    ps.lineto(10, 10); // no current point
    ps.setlinewidth(std::numeric_limits<float>::infinity());
    const float zeros[] = {0, 0};
    ps.setdash(zeros, 0);
    const float badPath[] = {0, 0, 5};
    const unsigned char badOps[] = {1, 3};
    const float box[4] = {0, 0, 5, 5};
    EXPECT_FALSE(ps.doUserPath(kit::UserPath{badPath, badOps}, box, kit::UserPathAction::ufill));
    ps.selectfont("Evil)Font", 12);
    ps.setgray(-1); // clamped to black
    ps.moveto(10, 10);
    ps.sendPostScript("% a comment without a newline");
    ps.rectfill(0, 0, 100, 100);
    ps.endDocument();
    EXPECT_NE(ps.output().find("%%Page: (\\(odd\\) label \\\\ with spaces) 1\n"), std::string::npos);

    Rendered r = render(ps.output(), false);
    ASSERT_EQ(r.status, 0) << r.log;
    EXPECT_EQ(r.log.find("Error"), std::string::npos) << r.log;
    ASSERT_EQ(r.pages.size(), 1u);
    EXPECT_TRUE(r.pages[0].isBlack(50, 50)) << "the rectangle after the comment was not swallowed by it";
    EXPECT_TRUE(r.pages[0].isWhite(200, 200));
}
