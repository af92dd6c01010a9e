// RTF written by other programs in the test itself, read by the RTF reader:
// LibreOffice (soffice --convert-to rtf, from flat ODT files and from a
// Word document that pandoc makes) and pandoc (-t rtf, from Markdown).
// Each document's text is known word for word: every word arrives, in
// order, its accented letters right; a letter the documents' set lacks
// (Greek, Cyrillic, most Polish and Czech accents) is left out, never
// replaced, and the loss is reported only where there is one. Then the
// round trip: what was read, written as RTF again by this program and read
// by pandoc, keeps its words.
//
// Text typed in this program and written as RTF: LibreOffice's plain text
// of it is the text as typed, and pandoc reads its words.
//
// LibreOffice is slow to start: all its documents are converted in one
// call, with a profile of its own in the test's folder. Without soffice or
// pandoc the test is skipped.

#include "../ImportTestSupport.h"

#include "core/Encoding.h"

#include <algorithm>
#include <cstdint>
#include <fstream>
#include <iterator>
#include <map>

using namespace convala_test;

namespace {

// The words of the documents, one paragraph a line.
const std::string LatinText = "Le café est prêt à midi, déjà très bien. Où est le garçon? Noël et Zoé, naïve.\n"
                              "Straße und Größe, übermäßig viele Äpfel. Grüße aus Köln.\n";
const std::string CentralText = "Zażółć gęślą jaźń. Łódź leży w Polsce.\n"
                                "Příliš žluťoučký kůň úpěl ďábelské ódy.\n";
const std::string GreekRussianText = "Latin before Ελληνικά γράμματα and after.\n"
                                     "Русский текст then Latin again.\n";

// Punctuation around a word is no part of it.
bool isPunctuation(char32_t c)
{
    static const std::u32string marks = U".,;:!?()[]\"'«»“”‘’„…–—•·*-";
    return c < 0x80 ? (c != 0 && std::ispunct(int(c)) != 0) : marks.find(c) != std::u32string::npos;
}

std::u32string fromUTF8(const std::string& s)
{
    std::u32string out;
    for (std::size_t i = 0; i < s.size();) {
        const auto c = static_cast<unsigned char>(s[i]);
        const int extra = c < 0x80 ? 0 : c >= 0xF0 ? 3 : c >= 0xE0 ? 2 : c >= 0xC0 ? 1 : 0;
        char32_t ch = extra == 0 ? c : extra == 1 ? c & 0x1F : extra == 2 ? c & 0x0F : c & 0x07;
        for (int k = 1; k <= extra && i + std::size_t(k) < s.size(); ++k)
            ch = (ch << 6) | (static_cast<unsigned char>(s[i + std::size_t(k)]) & 0x3F);
        out += ch;
        i += std::size_t(extra) + 1;
    }
    return out;
}

std::string toUTF8(const std::u32string& s)
{
    std::string out;
    for (char32_t c : s)
        kit::appendUTF8(out, c);
    return out;
}

// The words of UTF-8 text, punctuation trimmed; special-word marks
// ("<tab>") and words of punctuation only are no words.
std::vector<std::string> wordsOf(const std::string& utf8)
{
    std::vector<std::string> words;
    std::u32string word;
    auto flush = [&] {
        while (!word.empty() && isPunctuation(word.front()))
            word.erase(word.begin());
        while (!word.empty() && isPunctuation(word.back()))
            word.pop_back();
        if (!word.empty())
            words.push_back(toUTF8(word));
        word.clear();
    };
    bool mark = false;
    for (char32_t c : fromUTF8(utf8)) {
        if (c == '<')
            mark = true;
        if (mark) {
            if (c == '>') {
                mark = false;
                flush();
            }
            continue;
        }
        if (c == ' ' || c == '\n' || c == '\t' || c == 0xA0)
            flush();
        else
            word += c;
    }
    flush();
    return words;
}

// The words as the documents' set can hold them: each letter it lacks left
// out; whether any was.
std::vector<std::string> representable(const std::string& utf8, bool* dropped)
{
    std::string kept;
    for (char32_t c : fromUTF8(utf8)) {
        if (c < 0x80 || kit::fromUnicode(kit::Encoding::NeXTSTEP, c))
            kit::appendUTF8(kept, c);
        else
            *dropped = true;
    }
    return wordsOf(kept);
}

// Whether `expected` appears in `words` in order (other words may stand
// between, such as list numbers); the first word missing otherwise.
std::string firstMissing(const std::vector<std::string>& words, const std::vector<std::string>& expected)
{
    std::size_t at = 0;
    for (const std::string& w : expected) {
        while (at < words.size() && words[at] != w)
            ++at;
        if (at == words.size())
            return w;
        ++at;
    }
    return {};
}

std::string joined(const std::vector<std::string>& words)
{
    std::string s;
    for (const std::string& w : words)
        s += w + " ";
    return s;
}

void writeFile(const std::string& path, const std::string& contents)
{
    std::ofstream out(path, std::ios::binary);
    out << contents;
}

std::string markdown(const std::string& text)
{
    std::string md;
    std::istringstream lines(text);
    for (std::string line; std::getline(lines, line);)
        md += line + "\n\n";
    return md;
}

std::string xmlEscaped(const std::string& text)
{
    std::string out;
    for (char c : text) {
        if (c == '&')
            out += "&amp;";
        else if (c == '<')
            out += "&lt;";
        else if (c == '>')
            out += "&gt;";
        else
            out += c;
    }
    return out;
}

// A flat ODT document: the paragraphs, with the header, footer and page
// break when asked.
std::string flatODT(const std::string& text, bool pages)
{
    std::string body;
    std::istringstream lines(text);
    bool first = true;
    for (std::string line; std::getline(lines, line);) {
        body += std::string("<text:p") + (pages && !first ? " text:style-name=\"Break\"" : "") + ">" +
                xmlEscaped(line) + "</text:p>\n";
        first = false;
    }
    const std::string header = pages ? "<style:header><text:p>Kopfzeile oben</text:p></style:header>"
                                       "<style:footer><text:p>Fußzeile unten <text:page-number>1</text:page-number>"
                                       "</text:p></style:footer>"
                                     : "";
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
           "<office:document xmlns:office=\"urn:oasis:names:tc:opendocument:xmlns:office:1.0\" "
           "xmlns:style=\"urn:oasis:names:tc:opendocument:xmlns:style:1.0\" "
           "xmlns:text=\"urn:oasis:names:tc:opendocument:xmlns:text:1.0\" "
           "xmlns:fo=\"urn:oasis:names:tc:opendocument:xmlns:xsl-fo-compatible:1.0\" office:version=\"1.2\" "
           "office:mimetype=\"application/vnd.oasis.opendocument.text\">\n"
           "<office:automatic-styles>"
           "<style:style style:name=\"Break\" style:family=\"paragraph\">"
           "<style:paragraph-properties fo:break-before=\"page\"/></style:style>"
           "<style:page-layout style:name=\"Page\"><style:page-layout-properties fo:page-width=\"21cm\" "
           "fo:page-height=\"29.7cm\"/><style:header-style/><style:footer-style/></style:page-layout>"
           "</office:automatic-styles>\n"
           "<office:master-styles><style:master-page style:name=\"Standard\" style:page-layout-name=\"Page\">" +
           header +
           "</style:master-page></office:master-styles>\n"
           "<office:body><office:text>\n" +
           body + "</office:text></office:body></office:document>\n";
}

const std::string StructureMarkdown = "# Report of the day\n\n"
                                      "Some *emphasis* and **strong** text with a [link to the site](http://example.com) "
                                      "in it.\n\n"
                                      "- first bullet\n- second bullet\n\n"
                                      "1. one numbered\n2. two numbered\n\n"
                                      "| Name | Value |\n|------|-------|\n| alpha | one |\n| beta | two |\n\n"
                                      "Closing words.\n";
const std::string StructureText = "Report of the day\nSome emphasis and strong text with a link to the site in it.\n"
                                  "first bullet\nsecond bullet\none numbered\ntwo numbered\nName Value\n"
                                  "alpha one\nbeta two\nClosing words.\n";

struct Document {
    const char* name;     // the RTF file in the folder
    const char* writer;   // who wrote it
    std::string text;     // its words, as written
    bool otherLoss;       // parts that are no text are lost too (tables, links)
    bool pages;           // the header, footer and page break
};

class RTFOtherPrograms : public ImportTest {
protected:
    static void SetUpTestSuite()
    {
        if (!haveProgram("soffice") || !haveProgram("pandoc"))
            return;
        folder = kit::FileManager::uniqueTemporaryPath("convala-other-programs");
        kit::FileManager::createDirectoryAtPath(folder);
        const std::string in = folder + "/in";
        kit::FileManager::createDirectoryAtPath(in);
        const std::map<std::string, std::string> sources = {
            {"latin", LatinText}, {"central", CentralText}, {"greekrussian", GreekRussianText}};
        // pandoc's RTF from Markdown; a Word document for LibreOffice.
        std::string commands;
        for (const auto& [name, text] : sources) {
            writeFile(in + "/" + name + ".md", markdown(text));
            writeFile(in + "/" + name + ".fodt", flatODT(text, false));
            commands += "pandoc -s -f markdown -t rtf -o '" + folder + "/" + name + ".pandoc.rtf' '" + in + "/" +
                        name + ".md' && ";
        }
        writeFile(in + "/pages.fodt", flatODT(LatinText, true));
        writeFile(in + "/structure.md", StructureMarkdown);
        commands += "pandoc -s -f markdown -t rtf -o '" + folder + "/structure.pandoc.rtf' '" + in +
                    "/structure.md' && pandoc -s -f markdown -t docx -o '" + in + "/structure.docx' '" + in +
                    "/structure.md'";
        int status = -1;
        runProgram(commands + " 2>&1", &status);
        if (status != 0)
            return;
        // LibreOffice, once for every document.
        runProgram("cd '" + in + "' && soffice --headless --norestore -env:UserInstallation=file://" + folder +
                       "/profile --convert-to rtf --outdir '" + folder +
                       "/lo' latin.fodt central.fodt greekrussian.fodt pages.fodt structure.docx 2>&1",
                   &status);
        converted = status == 0;
    }
    static void TearDownTestSuite()
    {
        if (!folder.empty())
            kit::FileManager::removeFileAtPath(folder);
    }

    void SetUp() override
    {
        ImportTest::SetUp();
        if (!haveProgram("soffice") || !haveProgram("pandoc"))
            GTEST_SKIP() << "needs soffice (LibreOffice) and pandoc: tools/deps installs them";
        ASSERT_TRUE(converted) << "soffice or pandoc failed to write the documents";
    }

    // The flow's text as UTF-8.
    std::string textUTF8(const TextFlow* flow) { return kit::toUTF8(kit::Encoding::NeXTSTEP, textOf(flow)); }

    bool open(const std::string& path, bool* lost)
    {
        std::string error;
        const bool read = RTFImportMethods::openRTFFile(*document_, path, lost, &error);
        EXPECT_TRUE(read) << path << ": " << error;
        return read;
    }

    static inline std::string folder;
    static inline bool converted = false;
};

const Document Documents[] = {
    {"latin.pandoc.rtf", "pandoc", LatinText, false, false},
    {"central.pandoc.rtf", "pandoc", CentralText, false, false},
    {"greekrussian.pandoc.rtf", "pandoc", GreekRussianText, false, false},
    {"structure.pandoc.rtf", "pandoc", StructureText, true, false},
    {"lo/latin.rtf", "LibreOffice", LatinText, false, false},
    {"lo/central.rtf", "LibreOffice", CentralText, false, false},
    {"lo/greekrussian.rtf", "LibreOffice", GreekRussianText, false, false},
    {"lo/pages.rtf", "LibreOffice", LatinText, true, true},
    {"lo/structure.rtf", "LibreOffice", StructureText, true, false},
};

TEST_F(RTFOtherPrograms, EveryWordArrivesInOrderWithItsLettersAndTheLossOnlyWhereThereIsOne)
{
    for (const Document& d : Documents) {
        SCOPED_TRACE(std::string(d.name) + " by " + d.writer);
        fresh();
        bool lost = false;
        ASSERT_TRUE(open(folder + "/" + d.name, &lost));
        bool dropped = false;
        const std::vector<std::string> expected = representable(d.text, &dropped);
        const std::vector<std::string> read = wordsOf(textUTF8(flow_));
        EXPECT_EQ(firstMissing(read, expected), "") << joined(read);
        // Nothing of the markup or of the writer's fallbacks comes in.
        for (const char* foreign : {"HYPERLINK", "Times", "Default", "rtf", "?"})
            for (const std::string& w : read)
                EXPECT_EQ(w.find(foreign), std::string::npos) << w << " in " << joined(read);
        EXPECT_LE(read.size(), expected.size() + 12) << joined(read);
        EXPECT_EQ(lost, dropped || d.otherLoss);

        if (!d.pages)
            continue;
        ASSERT_EQ(document_->headers().size(), 1u);
        ASSERT_EQ(document_->footers().size(), 1u);
        auto* header = dynamic_cast<TextItem*>(document_->headers()[0]->objectReference());
        auto* footer = dynamic_cast<TextItem*>(document_->footers()[0]->objectReference());
        ASSERT_TRUE(header && footer);
        EXPECT_EQ(wordsOf(textUTF8(header->flow())), (std::vector<std::string>{"Kopfzeile", "oben"}));
        EXPECT_EQ(firstMissing(wordsOf(textUTF8(footer->flow())), {"Fußzeile", "unten"}), "");
        // The second paragraph begins a new page.
        bool broken = textOf(flow_).find("<break>") != std::string::npos;
        for (int p = 0; p < flow_->paragraphCount(); ++p)
            broken = broken || flow_->paragraphAtIndex(p)->paragraphStyle()->columnStart() == 3;
        EXPECT_TRUE(broken) << textOf(flow_);
    }
}

// What was read, written by this program and read by pandoc, keeps every
// word in order.
TEST_F(RTFOtherPrograms, WhatWasReadWritesAsRTFThatPandocReadsWithTheSameWords)
{
    for (const Document& d : Documents) {
        SCOPED_TRACE(std::string(d.name) + " by " + d.writer);
        fresh();
        bool lost = false;
        ASSERT_TRUE(open(folder + "/" + d.name, &lost));
        const std::vector<std::string> read = wordsOf(textUTF8(flow_));
        bool dropped = false;
        ASSERT_EQ(firstMissing(read, representable(d.text, &dropped)), "") << joined(read);
        const std::string path = folder + "/again.rtf";
        writeFile(path, exportRTF());
        int status = -1;
        const std::string plain = runProgram("pandoc -f rtf -t plain --wrap=none '" + path + "' 2>/dev/null", &status);
        ASSERT_EQ(status, 0);
        EXPECT_EQ(joined(wordsOf(plain)), joined(read));
    }
}

// Keys typed here: '\r' is Return, '\v' a line break. The text as typed is
// what LibreOffice's plain text of the RTF holds, tabs and spaces where
// they were typed.
struct TypedText {
    const char* keys;
    const char* text;
};
const TypedText TypedTexts[] = {
    {"Item\tQty\tPrice", "Item\tQty\tPrice"},
    {"A\t B", "A\t B"},
    {"\tA\t\rB", "\tA\t\nB"},
    {"A\r\tB\r\t\tC", "A\n\tB\n\t\tC"},
    {"A\t\t\tB", "A\t\t\tB"},
    {"A\t \t  \tB", "A\t \t  \tB"},
    {" \tA\r  \tB", " \tA\n  \tB"},
    {"one\vtwo", "one\ntwo"},
    {"two  spaces\rend", "two  spaces\nend"},
};

TEST_F(RTFOtherPrograms, TextTypedHereReadsInLibreOfficeAsTyped)
{
    const std::string out = folder + "/typed";
    kit::FileManager::createDirectoryAtPath(out);
    std::string names;
    for (std::size_t i = 0; i < std::size(TypedTexts); ++i) {
        fresh();
        TextItem* column = column_;
        for (const char* k = TypedTexts[i].keys; *k; ++k) {
            if (*k == '\v')
                flow_->currentParagraph()->addSpecialWord(TextWordLineBreak);
            else
                column = flow_->processKey(*k == '\r' ? 13 : std::uint16_t(*k), nullptr, column);
        }
        const std::string name = "typed" + std::to_string(i) + ".rtf";
        writeFile(out + "/" + name, exportRTF());
        names += " " + name;
    }
    int status = -1;
    runProgram("cd '" + out + "' && soffice --headless --norestore -env:UserInstallation=file://" + folder +
                   "/profile --convert-to 'txt:Text (encoded):UTF8' --outdir '" + out + "/txt'" + names + " 2>&1",
               &status);
    ASSERT_EQ(status, 0);
    for (std::size_t i = 0; i < std::size(TypedTexts); ++i) {
        const TypedText& c = TypedTexts[i];
        SCOPED_TRACE(c.keys);
        const std::string name = "typed" + std::to_string(i);
        std::string text = kit::FileManager::contentsAtPath(out + "/txt/" + name + ".txt").value_or("<none>");
        // Its byte-order mark, and the six-per-em spaces it adds to a run
        // of spaces.
        if (text.rfind("\xEF\xBB\xBF", 0) == 0)
            text.erase(0, 3);
        for (std::size_t at; (at = text.find("\xE2\x80\x86")) != std::string::npos;)
            text.erase(at, 3);
        EXPECT_EQ(text, std::string(c.text) + "\n");
        const std::string plain =
            runProgram("pandoc -f rtf -t plain --wrap=none '" + out + "/" + name + ".rtf' 2>/dev/null", &status);
        ASSERT_EQ(status, 0);
        EXPECT_EQ(joined(wordsOf(plain)), joined(wordsOf(c.text)));
    }
}

} // namespace
