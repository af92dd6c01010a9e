#include "MarkupTestSupport.h"
#include "RTFVocabulary.h"

#include "bundles/convala/markup/ZynDispatchRun.h"
#include "bundles/convala/markup/ZynKeywordGroup.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <stdexcept>
#include <string>
#include <vector>

using convala_test::dispatchAndRecord;
using convala_test::Recorder;
using Log = std::vector<std::string>;

namespace {

TEST(ZynMarkupDispatcher, DeliversGroupsKeywordsAndText)
{
    struct Case {
        const char* name;
        std::string input;
        std::vector<std::string> keywords;
        Log expected;
    } const cases[] = {
        {"font table",
         "{\\rtf1 {\\fonttbl{\\f0\\fswiss Helvetica;}}Hello\\par}",
         {"rtf", "fonttbl", "f", "fswiss", "zyntext", ";", "par"},
         {"+rtf1", "+fonttbl", "+f0", "fswiss", "\"Helvetica\"", ";", "-f", "-fonttbl", "\"Hello\"", "par", "-rtf"}},
        {"destination marker", "{\\*\\zynunits2}", {"zynunits"}, {"+zynunits2", "-zynunits"}},
        // As RTF reads it: the space ends the word, and 2 is text.
        {"destination marker, number apart", "{\\*\\zynunits 2}", {"zynunits", "zyntext"},
         {"+zynunits", "\"2\"", "-zynunits"}},
        {"destination with a handler", "{\\rtf1 a{\\*\\generator Foo;}b}", {"rtf", "zyntext", ";", "generator"},
         {"+rtf1", "\"a\"", "+generator", "\"Foo\"", ";", "-generator", "\"b\"", "-rtf"}},
        {"text before the first keyword", "{some text\\b more}", {"b", "zyntext"},
         {"\"some text\"", "+b", "\"more\"", "-b"}},
        {"keywords and numbers", "{\\rtf1\\b0 text\\pard \\plain x\\li-720 y\\fs24Big}",
         {"rtf", "b", "pard", "plain", "li", "fs", "zyntext"},
         {"+rtf1", "b0", "\"text\"", "pard", "plain", "\"x\"", "li-720", "\"y\"", "fs24", "\"Big\"", "-rtf"}},
        {"control symbols take no letters", "{\\rtf1 Mr.\\~Smith hy\\-phen a\\_b}", {"rtf", "zyntext", "~", "-", "_"},
         {"+rtf1", "\"Mr.\"", "~", "\"Smith hy\"", "-", "\"phen a\"", "_", "\"b\"", "-rtf"}},
        {"line ends between elements", "{\\rtf1\r\n\\par\r\n\\par\n}", {"rtf", "par"}, {"+rtf1", "par", "par", "-rtf"}},
        {"backslash before a line end", "{\\rtf1 a\\\nb\\\rc}", {"rtf", "zyntext", "\n", "\r"},
         {"+rtf1", "\"a\"", "\n", "\"b\"", "\r", "\"c\"", "-rtf"}},
        {"after the outer group the top level goes on", "{\\rtf1 a}b\\par", {"rtf", "zyntext", "par"},
         {"+rtf1", "\"a\"", "-rtf", "\"b\"", "par"}},
        {"a closing brace at the top level ends the read", "a}b", {"zyntext"}, {"\"a\""}},
        {"a NUL byte is no end of the data", std::string("{\\rtf1 a\0b\\par}", 15), {"rtf", "zyntext", "par"},
         {"+rtf1", "\"ab\"", "par", "-rtf"}},
        {"unbalanced closing braces", "}}}{\\rtf1 x}", {"rtf", "zyntext"}, {}},
        {"elements without a handler dropped", "{\\rtf1 \\unknown a\\b b}", {"rtf", "zyntext"},
         {"+rtf1", "\"a\"", "\"b\"", "-rtf"}},
        // A group whose first word nobody reads is read on.
        {"nested groups looked up afresh", "{\\rtf1{\\b x{\\i y}{\\zz q}}}", {"rtf", "b", "i", "zyntext"},
         {"+rtf1", "+b", "\"x\"", "+i", "\"y\"", "-i", "\"q\"", "-b", "-rtf"}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(dispatchAndRecord(c.input, c.keywords), c.expected) << c.name;
}

// A group whose first word nobody reads is read on, as RTF's rule has it: a
// reader ignores a word it does not know. Its text and the words that have
// handlers are delivered as though the word were not there (none of them
// becomes the group's first word), and the handler of "zyngroup" hears where
// the group begins and ends.
TEST(ZynMarkupDispatcher, ReadsOnThroughAGroupWhoseFirstWordNobodyReads)
{
    const std::vector<std::string> known = {"rtf", "b", "i", "par", "zyntext", ";"};
    const std::vector<std::string> withGroups = {"rtf", "b", "i", "par", "zyntext", ";", "zyngroup"};
    struct Case {
        std::string input;
        std::vector<std::string> keywords;
        Log expected;
    } const cases[] = {
        {"{\\unknownword {\\b x}}", known, {"+b", "\"x\"", "-b"}},
        {"{\\rtf1 a{\\unknown b\\par{\\i c}}d}", known,
         {"+rtf1", "\"a\"", "\"b\"", "par", "+i", "\"c\"", "-i", "\"d\"", "-rtf"}},
        // Words after the unknown one are not the group's first: "par" comes
        // once, not again at the group's end.
        {"{\\rtf1 {\\rtlch\\fcs1 \\af0 \\ltrch\\fcs0 \\b\\insrsid12 x}{\\insrsid12 \\par }}", known,
         {"+rtf1", "b", "\"x\"", "par", "-rtf"}},
        {"{\\rtf1 {\\loch\\b x}y}", withGroups,
         {"+rtf1", "+zyngroup(loch)", "b", "\"x\"", "-zyngroup", "\"y\"", "-rtf"}},
        // Escaped braces inside neither close nor open it.
        {"{\\rtf1 a{\\unknown b\\}c}d}", known, {"+rtf1", "\"a\"", "\"b\"", "\"}\"", "\"c\"", "\"d\"", "-rtf"}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(dispatchAndRecord(c.input, c.keywords), c.expected) << c.input;
}

// Optional destinations ({\* ...}) and RTF's destinations that hold no text
// are skipped whole when nobody reads them: nested groups, text and
// terminator, whatever handlers they would find.
TEST(ZynMarkupDispatcher, SkipsOptionalAndNonTextDestinationsNobodyReads)
{
    const std::vector<std::string> known = {"rtf", "b", "i", "par", "zyntext", ";", "zyngroup"};
    struct Case {
        std::string input;
        Log expected;
    } const cases[] = {
        {"{\\rtf1 {\\*\\unknown {\\b x};}y}", {"+rtf1", "\"y\"", "-rtf"}},
        {"{\\rtf1 {\\*}z}", {"+rtf1", "\"z\"", "-rtf"}},
        {"{\\rtf1 {\\* text}z}", {"+rtf1", "\"z\"", "-rtf"}},
        {"{\\rtf1 a{\\fonttbl{\\f0 Times;}}{\\colortbl;\\red255;}b}", {"+rtf1", "\"a\"", "\"b\"", "-rtf"}},
        {"{\\rtf1 {\\fldinst HYPERLINK \"x\"}{\\fldrslt {\\b y}}}",
         {"+rtf1", "+zyngroup(fldrslt)", "+b", "\"y\"", "-b", "-zyngroup", "-rtf"}},
        {"{\\rtf1 {\\listoverridetable{\\listoverride\\ls1}}{\\pn\\pnlvlblt{\\pntxtb \\'b7}}x}",
         {"+rtf1", "\"x\"", "-rtf"}},
        {"{\\rtf1 {\\upr{\\lang1 ansi}{\\*\\ud{\\lang1 unicode}}}}",
         {"+rtf1", "+zyngroup(upr)", "+zyngroup(lang)", "\"ansi\"", "-zyngroup", "-zyngroup", "-rtf"}},
        {"{\\rtf1 {\\header Page}{\\info{\\title T}}{\\*\\bkmkstart a}b}", {"+rtf1", "\"b\"", "-rtf"}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(dispatchAndRecord(c.input, known), c.expected) << c.input;
}

// Binary data ("\binN" and N bytes) is passed over whatever it holds, in a
// group read, a group skipped and at the end of the data.
TEST(ZynMarkupDispatcher, PassesOverBinaryData)
{
    const std::vector<std::string> known = {"rtf", "zyntext", "pict", "par"};
    struct Case {
        std::string input;
        Log expected;
    } const cases[] = {
        {std::string("{\\rtf1 a{\\pict\\bin6 }{\\x") + '\0' + "\\}b\\par}",
         {"+rtf1", "\"a\"", "+pict", "-pict", "\"b\"", "par", "-rtf"}},
        {"{\\rtf1 a{\\*\\blipuid\\bin3 }}}}b}", {"+rtf1", "\"a\"", "\"b\"", "-rtf"}},
        {"{\\rtf1 a\\bin3 {{{b}", {"+rtf1", "\"a\"", "\"b\"", "-rtf"}},
        {"{\\rtf1 a\\bin999 {{{", {"+rtf1", "\"a\""}},
        // A number of 0, or none, passes over nothing.
        {"{\\rtf1 a\\bin0 b\\bin c}", {"+rtf1", "\"a\"", "\"b\"", "\"c\"", "-rtf"}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(dispatchAndRecord(c.input, known), c.expected) << c.input;
}

// Text arrives in runs; joined, the runs are the text with every escaped and
// hexadecimal character in place. Escaped and hexadecimal characters are text,
// so they never stand for a group's first keyword.
TEST(ZynMarkupDispatcher, TextRunsJoinAcrossEscapes)
{
    struct Case {
        std::string input;
        std::string text;
    } const cases[] = {
        {"{\\rtf1 caf\\'e9s}", "caf\xE9s"},
        {"{\\rtf1 a\\\\b}", "a\\b"},
        {"{\\rtf1 \\{braces\\} and \\\\backslash}", "{braces} and \\backslash"},
        {"{\\rtf1 x\\{ y}", "x{ y"},
        {"{\\rtf1 li\nne one}", "line one"},
        {"{\\rtf1 {\\'e9t\\'e9}}", "\xE9t\xE9"},
        {"{\\rtf1 {\\{x\\}}}", "{x}"},
        {"{\\rtf1 \\'7b\\'7d\\'5c}", "{}\\"},
        {"{\\rtf1 a\\'00b\\'zz\\'4}", "abzz4"},
        {"{\\rtf1 semi;colon}", "semicolon"},
    };
    for (const Case& c : cases) {
        const Log log = dispatchAndRecord(c.input, {"rtf", "zyntext"});
        std::string joined;
        for (const std::string& entry : log) {
            if (entry.size() >= 2 && entry.front() == '"')
                joined += entry.substr(1, entry.size() - 2);
        }
        EXPECT_EQ(joined, c.text) << c.input;
    }
    // Plain text, wrapped as RTF: its braces and backslashes are text, and
    // a line end is a paragraph end (here without a handler).
    ZynDispatchTable table;
    Recorder recorder;
    convala_test::registerKeywords(table, recorder, {"rtf", "zyntext", "\n"});
    ZynMarkupDispatcher dispatcher(&table);
    ZynMarkupStream plain(std::string("plain {text} with \\ and\nlines"));
    dispatcher.dispatch(&plain);
    EXPECT_EQ(recorder.log, (Log{"+rtf0", "\"plain \"", "\"{\"", "\"text\"", "\"}\"", "\" with \"", "\"\\\"",
                                 "\" and\"", "\n", "\"lines\"", "-rtf"}));

    // The escape and the hexadecimal character are runs of their own.
    EXPECT_EQ(dispatchAndRecord("{\\rtf1 caf\\'e9s a\\\\b}", {"rtf", "zyntext"}),
              (Log{"+rtf1", "\"caf\"", "\"\xE9\"", "\"s a\"", "\"\\\"", "\"b\"", "-rtf"}));
}

// A handler registered later for the same keyword receives it; when it
// unregisters at its group's end the earlier one receives it again.
TEST(ZynMarkupDispatcher, TheNewestRegistrationReceivesTheKeyword)
{
    ZynDispatchTable table;
    Recorder text("text"), fonts("fonts");
    const char* const fontWords[] = {"f", "zyntext", ";", nullptr};
    const ZynKeywordGroup fontGroup{&fonts, Recorder::recordSelector(), fontWords};
    table.registerObject(&text, Recorder::recordSelector(), "zyntext");
    table.registerObject(&text, Recorder::recordSelector(), "fonttbl");
    text.onElement = [&](ZynMarkupElement& e) {
        if (e.text() != "fonttbl")
            return;
        if (e.isIntroducer())
            table.registerGroup(&fontGroup);
        else if (e.isTerminator())
            table.unregisterGroup(&fontGroup);
    };
    ZynMarkupDispatcher dispatcher(&table);
    ZynMarkupStream stream;
    convala_test::setRawData(stream, "{before{\\fonttbl{\\f0 Times;}{\\f1 Symbol;}}after}");
    dispatcher.dispatch(&stream);
    EXPECT_EQ(text.log, (Log{"text:\"before\"", "text:+fonttbl", "text:-fonttbl", "text:\"after\""}));
    EXPECT_EQ(fonts.log, (Log{"fonts:+f0", "fonts:\"Times\"", "fonts:;", "fonts:-f", "fonts:+f1", "fonts:\"Symbol\"",
                              "fonts:;", "fonts:-f"}));
    EXPECT_EQ(table.objectForKeyword("zyntext"), &text);
}

// A handler may unregister the very actor that opened the group it is in
// (a picture group goes once its picture is built, whatever group the text
// that builds it stands in): the group's terminator still reaches it.
TEST(ZynMarkupDispatcher, AGroupKeepsItsHandlerWhenItIsUnregisteredInside)
{
    ZynDispatchTable table;
    Recorder document("doc"), picture("pic");
    const char* const pictureWords[] = {"width", "zyntext", nullptr};
    const ZynKeywordGroup pictureGroup{&picture, Recorder::recordSelector(), pictureWords};
    for (const char* k : {"rtf", "NeXTGraphic"})
        table.registerObject(&document, Recorder::recordSelector(), k);
    document.onElement = [&](ZynMarkupElement& e) {
        if (e.text() == "NeXTGraphic" && e.isIntroducer())
            table.registerGroup(&pictureGroup);
    };
    picture.onElement = [&](ZynMarkupElement& e) {
        if (e.isTextRun())
            table.unregisterGroup(&pictureGroup);
    };
    ZynMarkupDispatcher dispatcher(&table);
    ZynMarkupStream stream(std::string("{\\rtf1{\\NeXTGraphic}{\\width5 built}}"));
    dispatcher.dispatch(&stream);
    EXPECT_EQ(picture.log, (Log{"pic:+width5", "pic:\"built\"", "pic:-width"}));
    EXPECT_EQ(table.actorForKeyword("width"), nullptr);
}

// A handler that registers a group at an introducer and unregisters it at
// the terminator: when the data ends inside the group, the read itself cuts
// the registration back, so the next read does not dispatch to it.
TEST(ZynMarkupDispatcher, RegistrationsDoNotOutliveTruncatedInput)
{
    ZynDispatchTable table;
    Recorder document("doc");
    auto style = std::make_unique<Recorder>("style");
    const char* const styleWords[] = {"b", "zyntext", ";", nullptr};
    const ZynKeywordGroup styleGroup{style.get(), Recorder::recordSelector(), styleWords};
    for (const char* k : {"rtf", "stylesheet", "s", "b", "zyntext", ";"})
        table.registerObject(&document, Recorder::recordSelector(), k);
    document.onElement = [&](ZynMarkupElement& e) {
        if (e.text() == "s" && e.isIntroducer())
            table.registerGroup(&styleGroup);
        else if (e.text() == "s" && e.isTerminator())
            table.unregisterGroup(&styleGroup);
    };
    const ZynDispatchTable::Depths before = table.depths();
    ZynMarkupDispatcher dispatcher(&table);
    ZynDispatchRun run;
    ZynMarkupStream truncated(std::string("{\\rtf1{\\stylesheet{\\s1\\b Heading"));
    dispatcher.dispatch(&truncated, run);
    EXPECT_EQ(style->log, (Log{"style:b", "style:\"Heading\""}));
    EXPECT_EQ(run.unclosedGroups(), 3u);
    EXPECT_EQ(table.objectForKeyword("b"), &document);
    for (const char* k : {"rtf", "stylesheet", "s", "b", "zyntext", ";"})
        EXPECT_EQ(table.depths().depthOf(k), before.depthOf(k)) << k;

    // The style is gone; the next read reaches only the document.
    style.reset();
    document.log.clear();
    ZynMarkupStream next(std::string("{\\rtf1\\b bold}"));
    dispatcher.dispatch(&next);
    EXPECT_EQ(document.log, (Log{"doc:+rtf1", "doc:b", "doc:\"bold\"", "doc:-rtf"}));
}

// Every prefix of a document (the cuts of a truncated file) reads to its end
// and leaves the table as it found it.
TEST(ZynMarkupDispatcher, EveryTruncationLeavesTheTableAsItWas)
{
    const std::string document =
        "{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0\\froman Times;}{\\f1\\fswiss Helvetica;}}"
        "{\\colortbl;\\red255\\green0\\blue0;}{\\stylesheet{\\s1\\b\\fs28 Heading;}{\\s2\\i Quote;}}"
        "{\\info{\\title Report}}\\paperw12240\\margl1440"
        "\\pard\\s1\\qc\\f0\\fs24 Caf\\'e9 {\\b bold} \\{x\\} \\tab{\\*\\zynunits2}\\par"
        "{\\header \\pard\\ql Page \\chpgn\\par}{\\field{\\*\\fldinst X}{\\fldrslt Y}}\\par}";
    ZynDispatchTable table;
    Recorder counter;
    for (std::string_view word : convala_test::RTFVocabulary)
        table.registerObject(&counter, Recorder::recordSelector(), word);
    Recorder nested("nested");
    counter.onElement = [&](ZynMarkupElement& e) {
        // Groups that register handlers for their length, as the importers do.
        if (e.text() == "fonttbl" || e.text() == "s" || e.text() == "header" || e.text() == "info") {
            if (e.isIntroducer())
                for (std::string_view word : convala_test::RTFVocabulary)
                    table.registerObject(&nested, Recorder::recordSelector(), word);
            else if (e.isTerminator())
                for (std::string_view word : convala_test::RTFVocabulary)
                    table.unregisterObject(&nested, word);
        }
    };
    const ZynDispatchTable::Depths before = table.depths();
    ZynMarkupDispatcher dispatcher(&table);
    for (std::size_t cut = 0; cut <= document.size(); ++cut) {
        ZynMarkupStream stream(document.substr(0, cut));
        ASSERT_EQ(dispatcher.dispatch(&stream), &dispatcher) << cut;
        const ZynDispatchTable::Depths after = table.depths();
        for (std::string_view word : convala_test::RTFVocabulary)
            ASSERT_EQ(after.depthOf(word), before.depthOf(word)) << cut << " " << word;
    }
    // The whole document: every group closed, everything delivered.
    ZynDispatchRun run;
    counter.log.clear();
    ZynMarkupStream whole(document);
    dispatcher.dispatch(&whole, run);
    EXPECT_EQ(run.unclosedGroups(), 0u);
    // The field's result is read on, though nobody reads "fldrslt" itself:
    // its text arrives and nothing is lost.
    EXPECT_FALSE(run.lostData());
    EXPECT_NE(std::find(counter.log.begin(), counter.log.end(), "\"Y\""), counter.log.end());
    EXPECT_EQ(counter.log.back(), "-rtf");
}

TEST(ZynMarkupDispatcher, HandlerExceptionsReachTheCallerAndRegistrationsAreCutBack)
{
    ZynDispatchTable table;
    Recorder handler, pushed("pushed");
    table.registerObject(&handler, Recorder::recordSelector(), "rtf");
    table.registerObject(&handler, Recorder::recordSelector(), "par");
    handler.onElement = [&](ZynMarkupElement& e) {
        if (e.text() == "rtf" && e.isIntroducer())
            table.registerObject(&pushed, Recorder::recordSelector(), "par");
        else if (e.text() == "b")
            throw std::runtime_error("abandoned");
    };
    ZynMarkupDispatcher dispatcher(&table);
    ZynMarkupStream stream(std::string("{\\rtf1 \\par\\b\\par}"));
    // The driver marks before it registers, and cuts back on every way out.
    {
        ZynDispatchTable::Mark driver(table);
        table.registerObject(&handler, Recorder::recordSelector(), "b");
        EXPECT_THROW(dispatcher.dispatch(&stream), std::runtime_error);
        EXPECT_EQ(pushed.log, Log{"pushed:par"});
        EXPECT_EQ(table.objectForKeyword("par"), &handler);
        EXPECT_EQ(table.objectForKeyword("b"), &handler);
    }
    EXPECT_EQ(table.actorForKeyword("b"), nullptr);
    EXPECT_EQ(table.depths().depthOf("par"), 1u);
}

TEST(ZynMarkupDispatcher, NeedsATableAndAStream)
{
    ZynMarkupDispatcher none;
    ZynMarkupStream stream(std::string("{\\rtf1 x}"));
    EXPECT_EQ(none.dispatch(&stream), nullptr);
    EXPECT_EQ(stream.offset(), 0u);
    ZynDispatchTable table;
    EXPECT_EQ(none.initDispatchTable(&table), &none);
    EXPECT_EQ(none.dispatchTable(), &table);
    EXPECT_EQ(none.dispatch(nullptr), nullptr);
    EXPECT_EQ(none.dispatch(&stream), &none);
    EXPECT_TRUE(stream.atEOS());
}

// The read in progress: handlers find its stream and depth in every element.
TEST(ZynMarkupDispatcher, HandlersFindTheirRun)
{
    struct ImportRun : ZynDispatchRun {
        int paragraphs = 0;
    };
    ZynDispatchTable table;
    Recorder handler;
    std::vector<std::size_t> depths;
    ImportRun run;
    handler.onElement = [&](ZynMarkupElement& e) {
        auto* mine = dynamic_cast<ImportRun*>(e.dispatchRun());
        ASSERT_NE(mine, nullptr);
        ASSERT_NE(mine->stream(), nullptr);
        depths.push_back(mine->groupDepth());
        if (e.text() == "par")
            ++mine->paragraphs;
    };
    for (const char* k : {"rtf", "par", "b"})
        table.registerObject(&handler, Recorder::recordSelector(), k);
    ZynMarkupDispatcher dispatcher(&table);
    ZynMarkupStream stream(std::string("{\\rtf1\\par{\\b\\par}}"));
    dispatcher.dispatch(&stream, run);
    EXPECT_EQ(run.paragraphs, 2);
    EXPECT_EQ(depths, (std::vector<std::size_t>{1, 1, 2, 2, 2, 1}));
    EXPECT_EQ(run.stream(), nullptr); // only while the read goes on
}

// Hostile input: each is read to its end without a crash, in bounded memory.
TEST(ZynMarkupDispatcher, BoundsEveryReader)
{
    const std::vector<std::string> words = {"rtf", "zyntext", "par", "fs", "li"};
    const std::size_t deep = 100000;
    ZynDispatchTable table;
    Recorder recorder;
    for (const std::string& k : words)
        table.registerObject(&recorder, Recorder::recordSelector(), k);
    ZynMarkupDispatcher dispatcher(&table);

    // Groups nested far too deep: skipped, and the run says data was lost.
    {
        ZynDispatchRun run;
        ZynMarkupStream stream("{\\rtf1 " + std::string(deep, '{') + "x" + std::string(deep, '}') + "y\\par}");
        dispatcher.dispatch(&stream, run);
        EXPECT_EQ(recorder.log, (Log{"+rtf1", "\"y\"", "par", "-rtf"}));
        EXPECT_TRUE(run.lostData());
    }
    // Nesting that never closes.
    {
        recorder.log.clear();
        ZynDispatchRun run;
        ZynMarkupStream stream("{\\rtf1 " + std::string(deep, '{') + "x");
        dispatcher.dispatch(&stream, run);
        EXPECT_EQ(recorder.log, (Log{"+rtf1"}));
        EXPECT_EQ(run.unclosedGroups(), ZynMarkupDispatcher::MaxGroupDepth);
    }
    // Long keywords, numbers beyond an int, a closing brace too many.
    {
        recorder.log.clear();
        ZynMarkupStream stream("{\\rtf1 \\" + std::string(1 << 20, 'p') + "ar x\\fs99999999999999999999 y" +
                               "\\li-99999999999}} z");
        dispatcher.dispatch(&stream);
        EXPECT_EQ(recorder.log,
                  (Log{"+rtf1", "\"x\"", "fs2147483647", "\"y\"", "li-2147483648", "-rtf"}));
    }
}

} // namespace

// A destination skipped because nobody reads it: when it held what the
// document would show (a header, a picture), the run says data was lost; a
// group read on, an optional destination and a table lose nothing.
TEST(ZynMarkupDispatcher, ASkippedDestinationWithContentIsLostDataAndOtherGroupsAreNot)
{
    ZynDispatchTable table;
    Recorder recorder;
    for (const char* k : {"rtf", "zyntext", "par"})
        table.registerObject(&recorder, Recorder::recordSelector(), k);
    ZynMarkupDispatcher dispatcher(&table);
    const struct {
        const char* input;
        bool lost;
    } cases[] = {
        {"{\\rtf1 {\\rtlch shown}shown\\par}", false},
        {"{\\rtf1 {\\*\\unknown hidden}shown\\par}", false},
        {"{\\rtf1 {\\header hidden}shown\\par}", true},
        {"{\\rtf1 {\\header {\\*\\bkmkstart a}}shown\\par}", false},
        {"{\\rtf1 {\\pict\\wmetafile8 0102}shown\\par}", true},
        {"{\\rtf1 {\\pict\\bin2 ab}shown\\par}", false},
        {"{\\rtf1 {\\fldinst HYPERLINK}shown\\par}", false},
        {"{\\rtf1 {\\colortbl;\\red0\\green0\\blue0;}shown\\par}", false},
    };
    for (const auto& c : cases) {
        ZynDispatchRun run;
        ZynMarkupStream stream(c.input);
        dispatcher.dispatch(&stream, run);
        EXPECT_EQ(run.lostData(), c.lost) << c.input;
    }
}

// The run hears every brace of a group read (for what it keeps per group),
// none of one skipped.
TEST(ZynMarkupDispatcher, TheRunHearsTheGroupsItReads)
{
    struct CountingRun : ZynDispatchRun {
        std::string braces;
        void groupOpened() override { braces += '{'; }
        void groupClosed() override { braces += '}'; }
    };
    ZynDispatchTable table;
    Recorder recorder;
    for (const char* k : {"rtf", "zyntext"})
        table.registerObject(&recorder, Recorder::recordSelector(), k);
    ZynMarkupDispatcher dispatcher(&table);
    CountingRun run;
    ZynMarkupStream stream(std::string("{\\rtf1 {a{\\loch b}}{\\*\\x {y}}{\\fonttbl{z}}}"));
    dispatcher.dispatch(&stream, run);
    EXPECT_EQ(run.braces, "{{{}}{}{}}");
}
