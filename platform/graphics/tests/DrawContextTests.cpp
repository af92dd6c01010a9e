#include "graphics/DrawContext.h"
#include "graphics/Font.h"
#include "graphics/RecordingContext.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <limits>

using kit::DevicePath;
using kit::Matrix;
using kit::Point;
using kit::RecordingContext;
using kit::UserPath;
using kit::UserPathAction;

namespace {

// The recording context with its tracked state in view.
class Probe : public RecordingContext {
public:
    using kit::DrawContext::state;
};

constexpr float kBox[4] = {0, 0, 100, 100};

void expectPoint(std::optional<Point> p, float x, float y, float tolerance = 1e-4f)
{
    ASSERT_TRUE(p.has_value());
    EXPECT_NEAR(p->x, x, tolerance);
    EXPECT_NEAR(p->y, y, tolerance);
}

} // namespace

TEST(DrawContext, CurrentContextFollowsNestedScopes)
{
    RecordingContext outer, inner;
    kit::DrawContext::setCurrent(nullptr);
    {
        kit::DrawContext::Scope a(outer);
        EXPECT_EQ(kit::DrawContext::current(), &outer);
        {
            kit::DrawContext::Scope b(inner);
            EXPECT_EQ(kit::DrawContext::current(), &inner);
        }
        EXPECT_EQ(kit::DrawContext::current(), &outer);
    }
    EXPECT_EQ(kit::DrawContext::current(), nullptr);

    // A context that goes away while current leaves no dangling pointer.
    {
        auto temporary = std::make_unique<RecordingContext>();
        kit::DrawContext::setCurrent(temporary.get());
    }
    EXPECT_EQ(kit::DrawContext::current(), nullptr);
}

TEST(DrawContext, GrestoreBringsBackEverythingGsaveSaved)
{
    Probe ctx;
    ctx.setrgbcolor(1, 0, 0);
    ctx.setlinewidth(3);
    const float dash[] = {4, 2};
    ctx.setdash(dash, 1);
    ctx.translate(10, 10);
    ctx.moveto(0, 0);
    ctx.lineto(5, 0);

    ctx.gsave();
    ctx.setgray(0.5f);
    ctx.setlinewidth(7);
    ctx.setdash({}, 0);
    ctx.setlinecap(1);
    ctx.rotate(45);
    ctx.rectclip(0, 0, 10, 10); // also clears the path
    EXPECT_TRUE(ctx.state().path.empty());
    EXPECT_EQ(ctx.gsaveDepth(), 1);
    ctx.grestore();

    EXPECT_EQ(ctx.gsaveDepth(), 0);
    EXPECT_EQ(ctx.currentColor().space, kit::Color::Space::RGB);
    EXPECT_EQ(ctx.currentlinewidth(), 3);
    EXPECT_EQ(ctx.currentdash(), (std::vector<float>{4, 2}));
    EXPECT_EQ(ctx.currentdashoffset(), 1);
    EXPECT_EQ(ctx.currentlinecap(), 0);
    EXPECT_EQ(ctx.currentmatrix(), Matrix::translation(10, 10));
    EXPECT_TRUE(ctx.state().clips.empty());
    EXPECT_EQ(ctx.state().path.verbs.size(), 2u);
    expectPoint(ctx.currentpoint(), 5, 0);

    // An unmatched grestore is ignored, emits nothing and keeps the state.
    ctx.clear();
    ctx.grestore();
    EXPECT_TRUE(ctx.ops().empty());
    EXPECT_EQ(ctx.currentlinewidth(), 3);
    EXPECT_TRUE(ctx.lastError().empty());
}

TEST(DrawContext, PathStaysInDeviceSpaceWhenTheMatrixChanges)
{
    Probe ctx;
    ctx.translate(100, 200);
    ctx.scale(2, 2);
    ctx.moveto(10, 10);
    ctx.rlineto(5, 0);
    expectPoint(ctx.currentpoint(), 15, 10);
    const DevicePath& path = ctx.state().path;
    ASSERT_EQ(path.coords.size(), 4u);
    EXPECT_EQ(path.coords[0], 120);
    EXPECT_EQ(path.coords[1], 220);
    EXPECT_EQ(path.coords[2], 130);

    // Changing the matrix moves the user-space view of the same device point.
    ctx.scale(0.5f, 0.5f);
    expectPoint(ctx.currentpoint(), 30, 20);
    ctx.initmatrix();
    expectPoint(ctx.currentpoint(), 130, 220);

    ctx.setmatrix(Matrix::scaling(0, 0));
    EXPECT_FALSE(ctx.currentpoint()) << "a singular matrix has no user-space current point";
}

TEST(DrawContext, ClosepathThenLinetoStartsANewSubpathAtTheStart)
{
    Probe ctx;
    ctx.moveto(0, 0);
    ctx.lineto(10, 0);
    ctx.lineto(10, 10);
    ctx.closepath();
    expectPoint(ctx.currentpoint(), 0, 0);
    ctx.lineto(0, 10);
    using V = DevicePath::Verb;
    EXPECT_EQ(ctx.state().path.verbs,
              (std::vector<V>{V::MoveTo, V::LineTo, V::LineTo, V::ClosePath, V::MoveTo, V::LineTo}));
    EXPECT_EQ(ctx.state().path.coords[6], 0);
    EXPECT_EQ(ctx.state().path.coords[7], 0);

    ctx.moveto(50, 50);
    ctx.moveto(60, 60); // consecutive movetos keep only the last
    EXPECT_EQ(ctx.state().path.verbs.size(), 7u);
}

TEST(DrawContext, ArcsJoinTheCurrentPointAndEndWhereTheAngleSays)
{
    Probe ctx;
    ctx.arc(0, 0, 10, 0, 90);
    expectPoint(ctx.currentpoint(), 0, 10);
    EXPECT_EQ(ctx.state().path.verbs.front(), DevicePath::Verb::MoveTo) << "no current point: the arc starts a subpath";

    ctx.newpath();
    ctx.moveto(-20, 0);
    ctx.arc(0, 0, 10, 180, 0); // 180 degrees counterclockwise, through (0, -10)
    expectPoint(ctx.currentpoint(), 10, 0);
    EXPECT_EQ(ctx.state().path.verbs[1], DevicePath::Verb::LineTo);
    kit::Rect bounds = ctx.state().path.bounds();
    EXPECT_NEAR(kit::minY(bounds), -10, 1e-4);

    ctx.newpath();
    ctx.arcn(0, 0, 10, 0, -90);
    expectPoint(ctx.currentpoint(), 0, -10);

    // A full circle closes exactly.
    ctx.newpath();
    ctx.arc(5, 5, 3, 0, 360);
    expectPoint(ctx.currentpoint(), 8, 5);
    EXPECT_EQ(ctx.state().path.verbs.size(), 5u) << "four quarter curves";
}

TEST(DrawContext, ShowAndXyshowAdvanceTheCurrentPoint)
{
    Probe ctx;
    const kit::Font* font = kit::Font::fontWithName("Times-Roman", 12);
    ASSERT_NE(font, nullptr);
    ctx.selectfont(font);
    ctx.moveto(10, 100);
    ctx.show("AV");
    expectPoint(ctx.currentpoint(), 10 + font->advance('A') + font->advance('V'), 100, 1e-3f);

    // A flipped, condensed font moves by its own matrix.
    ctx.setfont(font, Matrix{6, 0, 0, -12, 0, 0});
    ctx.moveto(0, 0);
    ctx.show("A");
    expectPoint(ctx.currentpoint(), font->advance('A') / 2, 0, 1e-3f);

    ctx.moveto(10, 20);
    const float offsets[] = {6, 0, 6, 1, 0.5f, 0};
    ctx.xyshow("abc", offsets);
    expectPoint(ctx.currentpoint(), 22.5f, 21);
    EXPECT_EQ(ctx.lastOp()->numbers.size(), 6u);

    // Extra offsets are not sent.
    const float more[] = {1, 0, 7, 7};
    ctx.xyshow("a", more);
    EXPECT_EQ(ctx.lastOp()->numbers, (std::vector<float>{1, 0}));
}

TEST(DrawContext, MakefontTransformsTheCurrentFontMatrix)
{
    Probe ctx;
    ctx.selectfont("Helvetica", 10);
    ASSERT_NE(ctx.currentfont().font, nullptr) << "a kit font when Font knows the name";
    ctx.makefont(Matrix{0.8f, 0, 0, 1, 0, 0});
    EXPECT_EQ(ctx.currentfont().matrix, (Matrix{8, 0, 0, 10, 0, 0}));
    ctx.makefont(Matrix{1, 0, 0, -1, 0, 0});
    EXPECT_EQ(ctx.currentfont().matrix, (Matrix{8, 0, 0, -10, 0, 0}));

    // A font the output defines itself is kept by name.
    ctx.selectfont("KnobFont", 7);
    EXPECT_EQ(ctx.currentfont().font, nullptr);
    EXPECT_EQ(ctx.currentfont().name, "KnobFont");
    EXPECT_EQ(ctx.lastOp()->toString(), "selectfont KnobFont 7");
}

TEST(DrawContext, SetColorUsesTheColoursOwnOperatorAndAlphaOnlyWhenItChanges)
{
    RecordingContext ctx;
    ctx.setColor(*kit::Color::colorWithDeviceCyan(0.1f, 0.2f, 0.3f, 0.4f));
    ctx.setColor(*kit::Color::colorWithGray(0.5f, 0.25f));
    ctx.setColor(*kit::Color::colorWithDeviceRed(1, 0, 0, 0.25f));
    std::vector<std::string> expected = {"setcmykcolor 0.1 0.2 0.3 0.4", "setgray 0.5", "setalpha 0.25",
                                         "setrgbcolor 1 0 0"};
    EXPECT_EQ(ctx.lines(), expected);
    EXPECT_EQ(ctx.currentalpha(), 0.25f);
}

// Each cached setter once per attribute, with the operator it must send.
struct CachedSetter {
    const char* op;
    std::function<void(kit::DrawContext&)> setA; // the value under test
    std::function<void(kit::DrawContext&)> setB; // another value, sent directly
};

std::vector<CachedSetter> cachedSetters()
{
    static const float dashA[] = {4, 2};
    static const float dashB[] = {1, 1};
    return {
        {"setrgbcolor", [](kit::DrawContext& c) { c.setColorCached(*kit::Color::redColor()); },
         [](kit::DrawContext& c) { c.setgray(0.5f); }},
        {"setlinewidth", [](kit::DrawContext& c) { c.setlinewidthCached(3); },
         [](kit::DrawContext& c) { c.setlinewidth(1); }},
        {"setmiterlimit", [](kit::DrawContext& c) { c.setmiterlimitCached(4); },
         [](kit::DrawContext& c) { c.setmiterlimit(10); }},
        {"setdash", [](kit::DrawContext& c) { c.setdashCached(dashA, 1); },
         [](kit::DrawContext& c) { c.setdash(dashB, 0); }},
        {"setfont",
         [](kit::DrawContext& c) {
             c.setfontCached(kit::Font::fontWithName("Times-Roman", 12), kit::Matrix{12, 0, 0, -12, 0, 0});
         },
         [](kit::DrawContext& c) { c.setfont(kit::Font::fontWithName("Times-Roman", 12), kit::Matrix::scaling(12, 12)); }},
    };
}

TEST(DrawContextCache, CachedSettersSendOnlyWhatTheStateLacks)
{
    for (const CachedSetter& s : cachedSetters()) {
        SCOPED_TRACE(s.op);
        RecordingContext ctx;
        // A new context knows nothing: the first call sends.
        s.setA(ctx);
        EXPECT_EQ(ctx.count(s.op), 1u);
        s.setA(ctx);
        EXPECT_EQ(ctx.count(s.op), 1u);

        // A value set behind the cache is seen in the state.
        s.setB(ctx);
        s.setA(ctx);
        EXPECT_EQ(ctx.count(s.op), s.op == std::string("setrgbcolor") ? 2u : 3u);
        const std::size_t sent = ctx.count(s.op);

        // grestore brings back the state and what was known of it.
        ctx.gsave();
        s.setB(ctx);
        s.setA(ctx);
        ctx.grestore();
        s.setA(ctx);
        EXPECT_EQ(ctx.count(s.op), sent + (s.op == std::string("setrgbcolor") ? 1u : 2u));

        // Forgetting, raw PostScript text and a new page make it send again.
        const std::size_t before = ctx.count(s.op);
        ctx.forgetCachedState();
        s.setA(ctx);
        ctx.sendPostScript("0 setgray 3 setlinewidth\n");
        s.setA(ctx);
        EXPECT_EQ(ctx.count(s.op), before + 2);
        // A new page starts with an empty record and an unknown state.
        ctx.reset();
        s.setA(ctx);
        EXPECT_EQ(ctx.count(s.op), 1u);
    }
}

TEST(DrawContextCache, CachedStateBelongsToEachContextAndEachSavedState)
{
    RecordingContext first, second;
    first.setlinewidthCached(3);
    first.setColorCached(*kit::Color::redColor());
    second.setlinewidthCached(3);
    second.setColorCached(*kit::Color::redColor());
    EXPECT_EQ(second.currentlinewidth(), 3);
    EXPECT_EQ(second.count("setlinewidth"), 1u);
    EXPECT_EQ(second.count("setrgbcolor"), 1u);

    // Raw text inside a gsave may also have changed what is saved.
    first.gsave();
    first.sendPostScript("grestore 0 setgray gsave\n");
    first.grestore();
    EXPECT_EQ(first.cachedState(), 0u);
    first.setlinewidthCached(3);
    EXPECT_EQ(first.count("setlinewidth"), 2u);
}

TEST(DrawContext, MatrixStackIsPerContextAndApartFromGsave)
{
    RecordingContext a, b;
    a.translate(10, 20);
    const Matrix saved = a.currentmatrix();
    a.leaveMatrixOnStack();
    a.gsave();
    a.scale(3, 3);
    a.grestore();
    a.rotate(30);
    EXPECT_EQ(a.matrixStackDepth(), 1u);
    EXPECT_EQ(b.matrixStackDepth(), 0u);
    EXPECT_FALSE(b.useMatrixFromStack());
    EXPECT_EQ(b.currentmatrix(), Matrix{});
    EXPECT_TRUE(a.useMatrixFromStack());
    EXPECT_EQ(a.currentmatrix(), saved);
    EXPECT_FALSE(a.useMatrixFromStack());
    EXPECT_EQ(a.currentmatrix(), saved);
}

TEST(DrawContext, HsbColourIsKeptAsRgb)
{
    RecordingContext ctx;
    ctx.sethsbcolor(0.4823f, 0.1764f, 1.0f);
    float r, g, b;
    ctx.currentColor().getRGB(r, g, b);
    EXPECT_NEAR(r, 0.8236, 1e-3);
    EXPECT_NEAR(g, 1.0, 1e-6);
    EXPECT_NEAR(b, 0.9813, 1e-3);
    ctx.sethsbcolor(0, 1, 1);
    ctx.currentColor().getRGB(r, g, b);
    EXPECT_EQ(r, 1);
    EXPECT_EQ(g, 0);
    EXPECT_EQ(b, 0);
}

TEST(DrawContext, RoundPointMovesToTheCentreOfTheDevicePixel)
{
    Probe ctx;
    EXPECT_EQ(ctx.roundPoint({10.2f, 3.7f}), (Point{10.5f, 3.5f}));
    EXPECT_EQ(ctx.roundPoint({-0.2f, 0}), (Point{-0.5f, 0.5f}));

    ctx.scale(2, 2); // device (20.4, 7.4) -> (20.5, 7.5)
    EXPECT_EQ(ctx.roundPoint({10.2f, 3.7f}), (Point{10.25f, 3.75f}));

    ctx.setDefaultMatrix(Matrix{1, 0, 0, -1, 0, 100}); // a flipped window
    ctx.initmatrix();
    EXPECT_EQ(ctx.roundPoint({4, 4}), (Point{4.5f, 3.5f}));

    ctx.movetoRound(4, 4);
    expectPoint(ctx.currentpoint(), 4.5f, 3.5f);
    EXPECT_EQ(ctx.lastOp()->toString(), "movetoRound 4 4");
}

TEST(DrawContext, FrameRectFillsFourStripsInsideTheRectangle)
{
    RecordingContext ctx;
    ctx.frameRect(kit::makeRect(10, 20, 100, 50), 2);
    ASSERT_EQ(ctx.ops().size(), 1u);
    EXPECT_EQ(ctx.lastOp()->toString(), "rectfill 10 20 100 2 10 68 100 2 10 22 2 46 108 22 2 46");
}

// Every operator with arguments PostScript would reject does nothing at
// all: no output, the state as it was, and a reason.
TEST(DrawContextInput, BadArgumentsAreRefusedWithoutSideEffects)
{
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    struct Case {
        const char* what;
        std::function<void(Probe&)> call;
    };
    const Case cases[] = {
        {"moveto NaN", [&](Probe& c) { c.moveto(nan, 1); }},
        {"lineto infinity", [&](Probe& c) { c.lineto(inf, 1); }},
        {"curveto NaN", [&](Probe& c) { c.curveto(1, 2, 3, nan, 5, 6); }},
        {"arc negative radius", [&](Probe& c) { c.arc(0, 0, -1, 0, 90); }},
        {"rectfill NaN", [&](Probe& c) { c.rectfill(0, nan, 1, 1); }},
        {"translate NaN", [&](Probe& c) { c.translate(nan, 0); }},
        {"setmatrix infinity", [&](Probe& c) { c.setmatrix(Matrix{1, 0, 0, 1, inf, 0}); }},
        {"setgray NaN", [&](Probe& c) { c.setgray(nan); }},
        {"setlinecap 3", [&](Probe& c) { c.setlinecap(3); }},
        {"setlinejoin -1", [&](Probe& c) { c.setlinejoin(-1); }},
        {"setmiterlimit 0.5", [&](Probe& c) { c.setmiterlimit(0.5f); }},
        {"negative dash", [&](Probe& c) { const float d[] = {3, -1}; c.setdash(d, 0); }},
        {"all-zero dash", [&](Probe& c) { const float d[] = {0, 0}; c.setdash(d, 0); }},
        {"NaN dash offset", [&](Probe& c) { const float d[] = {3, 3}; c.setdash(d, nan); }},
        {"font name with a parenthesis", [&](Probe& c) { c.selectfont("Bad(Name", 12); }},
        {"font name with a space", [&](Probe& c) { c.selectfont("Times Roman", 12); }},
        {"null font", [&](Probe& c) { c.selectfont(static_cast<const kit::Font*>(nullptr)); }},
        {"makefont without a font", [&](Probe& c) { c.makefont(Matrix::scaling(2, 2)); }},
        {"show without a font", [&](Probe& c) { c.moveto(0, 0); c.clear(); c.show("abc"); }},
        {"xyshow with too few offsets",
         [&](Probe& c) {
             c.selectfont("KnobFont", 10);
             c.moveto(0, 0);
             c.clear();
             const float o[] = {1, 0, 1};
             c.xyshow("ab", o);
         }},
        {"compositerect unknown operation", [&](Probe& c) { c.compositerect(0, 0, 1, 1, static_cast<kit::CompositeOp>(99)); }},
        {"rectfillListWithGrays short of grays",
         [&](Probe& c) {
             const kit::Rect r[2] = {kit::makeRect(0, 0, 1, 1), kit::makeRect(2, 2, 1, 1)};
             const float g[1] = {0.5f};
             c.rectfillListWithGrays(r, g);
         }},
    };
    for (const Case& c : cases) {
        Probe ctx;
        c.call(ctx);
        EXPECT_TRUE(ctx.ops().empty()) << c.what << ": " << (ctx.ops().empty() ? "" : ctx.lastOp()->toString());
        EXPECT_FALSE(ctx.lastError().empty()) << c.what;
        EXPECT_EQ(ctx.errorCount(), 1u) << c.what;
        EXPECT_EQ(ctx.currentmatrix(), Matrix::identity()) << c.what;
        EXPECT_EQ(ctx.currentlinecap(), 0) << c.what;
        EXPECT_TRUE(ctx.currentdash().empty()) << c.what;
    }
}

TEST(DrawContextInput, MatrixThatWouldOverflowIsRefused)
{
    RecordingContext ctx;
    ctx.scale(1e30f, 1e30f);
    ctx.clear();
    ctx.scale(1e30f, 1e30f);
    ctx.concat(Matrix{1e20f, 0, 0, 1, 0, 0});
    ctx.translate(3e38f, 0);
    ctx.translate(3e38f, 0); // 3e38 scaled by 1e30
    EXPECT_TRUE(ctx.ops().empty());
    EXPECT_EQ(ctx.errorCount(), 4u);
    EXPECT_EQ(ctx.currentmatrix(), Matrix::scaling(1e30f, 1e30f));
    EXPECT_NE(ctx.lastError().find("overflow"), std::string::npos);

    ctx.selectfont("KnobFont", 1e30f);
    ctx.makefont(Matrix::scaling(1e30f, 1));
    EXPECT_EQ(ctx.currentfont().matrix, Matrix::scaling(1e30f, 1e30f));
}

TEST(DrawContextInput, PathOperatorsNeedACurrentPoint)
{
    Probe ctx;
    ctx.lineto(1, 1);
    ctx.rlineto(1, 1);
    ctx.rmoveto(1, 1);
    ctx.rcurveto(1, 1, 2, 2, 3, 3);
    ctx.curveto(1, 1, 2, 2, 3, 3);
    EXPECT_TRUE(ctx.ops().empty());
    EXPECT_EQ(ctx.errorCount(), 5u);
    EXPECT_TRUE(ctx.state().path.empty());

    // fill clears the current point as well as the path.
    ctx.moveto(0, 0);
    ctx.lineto(5, 5);
    ctx.fill();
    ctx.lineto(1, 1);
    EXPECT_EQ(ctx.lastOp()->name, "fill");
}

TEST(DrawContextInput, EmptyDashIsASolidLine)
{
    RecordingContext ctx;
    const float dashed[] = {3, 3};
    ctx.setdash(dashed, 0);
    ctx.setdash({}, 0);
    EXPECT_TRUE(ctx.currentdash().empty());
    EXPECT_EQ(ctx.lastOp()->toString(), "setdash [] 0");
    EXPECT_TRUE(ctx.lastError().empty());
}

TEST(DrawUserPath, MalformedPathsAreRefused)
{
    const float nan = std::numeric_limits<float>::quiet_NaN();
    struct Case {
        const char* what;
        std::vector<float> coords;
        std::vector<unsigned char> ops;
    };
    const Case cases[] = {
        {"lineto wants 2 numbers", {0, 0, 5}, {1, 3}},
        {"curveto wants 6", {0, 0, 1, 1, 2, 2, 3}, {1, 5}},
        {"arc wants 5", {0, 0, 10, 0}, {7}},
        {"setbbox wants 4", {0, 0}, {0}},
        {"repeat count runs past the numbers", {0, 0, 1, 1, 2, 2}, {1, 32 + 3, 3}},
        {"no coordinates at all", {}, {1, 3, 3, 10}},
        {"relative operator first", {1, 1}, {4}},
        {"lineto first", {1, 1}, {3}},
        {"unknown operator", {0, 0}, {1, 12}},
        {"operator code 32", {0, 0}, {32, 1}},
        {"NaN coordinate", {0, 0, nan, 1}, {1, 3}},
        {"negative arc radius", {0, 0, -5, 0, 90}, {7}},
        {"trailing repeat count", {0, 0}, {1, 40}},
    };
    for (const Case& c : cases) {
        for (UserPathAction action : {UserPathAction::ufill, UserPathAction::uappend}) {
            Probe ctx;
            bool ok = ctx.doUserPath(UserPath{c.coords, c.ops}, kBox, action);
            EXPECT_FALSE(ok) << c.what;
            EXPECT_TRUE(ctx.ops().empty()) << c.what;
            EXPECT_TRUE(ctx.state().path.empty()) << c.what;
            EXPECT_FALSE(ctx.lastError().empty()) << c.what;
            EXPECT_FALSE(ctx.inufill(0, 0, UserPath{c.coords, c.ops})) << c.what;
            EXPECT_FALSE(ctx.inustroke(0, 0, UserPath{c.coords, c.ops})) << c.what;
        }
    }
}

TEST(DrawUserPath, AppendAddsToTheCurrentPathWhileFillLeavesItAlone)
{
    Probe ctx;
    // The rectangle record of the geometry helpers: setbbox first, with its box.
    const float coords[] = {0, 0, 10, 10, 0, 0, 0, 10, 10, 10, 10, 0};
    const unsigned char ops[] = {0, 1, 3, 3, 3, 10};
    ctx.moveto(50, 50);
    EXPECT_TRUE(ctx.doUserPath(UserPath{coords, ops}, kBox, UserPathAction::ufill));
    EXPECT_EQ(ctx.state().path.verbs.size(), 1u);
    expectPoint(ctx.currentpoint(), 50, 50);

    EXPECT_TRUE(ctx.doUserPath(UserPath{coords, ops}, kBox, UserPathAction::uappend));
    EXPECT_EQ(ctx.state().path.verbs.size(), 5u) << "the lone moveto is replaced by the path's own";
    expectPoint(ctx.currentpoint(), 0, 0);

    // Relative operators continue from the current path when appending.
    const float rel[] = {5, 0};
    const unsigned char relOps[] = {4};
    EXPECT_TRUE(ctx.doUserPath(UserPath{rel, relOps}, kBox, UserPathAction::uappend));
    expectPoint(ctx.currentpoint(), 5, 0);

    EXPECT_FALSE(ctx.doUserPath(UserPath{coords, ops}, kBox, static_cast<UserPathAction>(364)));
    EXPECT_FALSE(ctx.lastError().empty());
}

TEST(DrawUserPath, RepeatCountsAndArctAreInterpreted)
{
    Probe ctx;
    // ucache, moveto, then "lineto" three times through one repeat byte.
    const float coords[] = {0, 0, 10, 0, 10, 10, 0, 10};
    const unsigned char ops[] = {11, 1, 32 + 3, 3, 10};
    ASSERT_TRUE(ctx.doUserPath(UserPath{coords, ops}, kBox, UserPathAction::uappend));
    EXPECT_EQ(ctx.state().path.verbs.size(), 5u);

    // arct rounds the corner at (10, 0) between (0, 0) and (10, 10).
    ctx.newpath();
    const float arct[] = {0, 0, 10, 0, 10, 10, 2};
    const unsigned char arctOps[] = {1, 9};
    ASSERT_TRUE(ctx.doUserPath(UserPath{arct, arctOps}, kBox, UserPathAction::uappend));
    expectPoint(ctx.currentpoint(), 10, 2, 1e-3f);
    // The short way round the corner: nothing above the tangent point.
    kit::Rect bounds = ctx.state().path.bounds();
    EXPECT_NEAR(kit::maxX(bounds), 10, 1e-3);
    EXPECT_NEAR(kit::maxY(bounds), 2, 1e-3);

    // Turning right instead runs the arc clockwise, below the line.
    ctx.newpath();
    const float right[] = {0, 0, 10, 0, 10, -10, 2};
    ASSERT_TRUE(ctx.doUserPath(UserPath{right, arctOps}, kBox, UserPathAction::uappend));
    expectPoint(ctx.currentpoint(), 10, -2, 1e-3f);
    EXPECT_NEAR(kit::minY(ctx.state().path.bounds()), -2, 1e-3);
}

TEST(DrawUserPath, ArctTurningAlmostStraightBackStaysFinite)
{
    // From (0, 0) to the corner (100, 0), then almost straight back: the
    // lines meet at angles too small for acos of their dot product.
    const float heights[] = {2e-7f, 1e-6f, 1e-5f, 1e-4f, 1.5e-6f, 1e-3f};
    for (float h : heights) {
        SCOPED_TRACE(h);
        Probe ctx;
        const float coords[] = {0, 0, 100, 0, -100, h, 10};
        const unsigned char ops[] = {1, 9};
        ASSERT_TRUE(ctx.doUserPath(UserPath{coords, ops}, kBox, UserPathAction::uappend)) << ctx.lastError();
        for (double c : ctx.state().path.coords)
            ASSERT_TRUE(std::isfinite(c));
        // The arc ends where it touches the second line.
        auto p = ctx.currentpoint();
        ASSERT_TRUE(p.has_value());
        double ax = p->x - 100.0, ay = p->y, vx = -200.0, vy = h;
        double cross = ax * vy - ay * vx;
        EXPECT_LE(std::fabs(cross), 1e-4 * std::hypot(ax, ay) * std::hypot(vx, vy));
        // A line to the first tangent point, then the arc.
        const auto& verbs = ctx.state().path.verbs;
        ASSERT_GE(verbs.size(), 3u);
        EXPECT_EQ(verbs[1], DevicePath::Verb::LineTo);
        EXPECT_EQ(verbs.back(), DevicePath::Verb::CurveTo);
    }
}
