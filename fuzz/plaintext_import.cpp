// A plain-text file opened as the word processor opens a file no other
// reader takes: read whole, wrapped as RTF (ZYNMapAsciiFile) and imported
// into a new document. Whatever the bytes, the wrapper closes the one group
// it opens, the import reads it, every line is a paragraph, and the text
// holds exactly the characters the documents' set has, in order, read as
// UTF-8 when the bytes are well-formed UTF-8 and as Windows-1252 otherwise;
// the import says it lost data exactly when the set lacks one of them.

#include "FuzzInput.h"

#include "bundles/convala/markup/Convala.h"
#include "bundles/convala/markup/LayoutDocumentIOMethods.h"
#include "bundles/convala/markup/ZynImportRun.h"
#include "bundles/convala/rtf/RTFTextEscapes.h"

#include "app/Scrivly.h"
#include "core/Encoding.h"
#include "core/FileManager.h"
#include "core/UserDefaults.h"
#include "document/LayoutDocument.h"
#include "document/Page.h"
#include "document/ZynDocumentContents.h"
#include "foundation/StyleChar.h"
#include "items/TextItem.h"
#include "text/TextFlow.h"
#include "text/TextParagraph.h"
#include "text/TextSelection.h"
#include "text/TextWord.h"

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <string>

namespace {

struct Setting {
    std::unique_ptr<Scrivly> delegate;
    Setting()
    {
        const std::string folder = kit::FileManager::uniqueTemporaryPath("fuzz-plaintext-import");
        kit::FileManager::createDirectoryAtPath(folder);
        setenv("XDG_CONFIG_HOME", folder.c_str(), 1);
        kit::UserDefaults::resetStandardUserDefaults();
        Scrivly::initialize();
        TextWord::initialize();
        TextSelection::initialize();
        delegate = std::make_unique<Scrivly>();
        Convala::installHooks();
    }
};

// The word processor's one Letter page with its main column.
std::unique_ptr<LayoutDocument> newDocument(Scrivly& delegate)
{
    auto document = std::make_unique<LayoutDocument>(delegate.preferences());
    document->setPageSize(kit::makeSize(612, 792));
    document->setPaperSize(kit::makeSize(612, 792));
    document->setMasterPage(std::make_unique<Page>());
    auto master = std::make_unique<TextItem>();
    master->setFrame(kit::makeRect(72, 72, 468, 648), false);
    master->setTextType(1);
    master->setAutoFlowText(true);
    master->setMasterFlags(3);
    master->setName(std::string("MainText"));
    document->addMasterItem(std::move(master));
    document->addPages(1, 0);
    return document;
}

bool isBlank(char32_t ch) { return ch == ' ' || ch == '\t'; }

// What the document must hold: the characters of the text, blanks, line
// ends and other controls aside (they are no letters of a word), each in
// the documents' set; lost tells whether the set lacks any.
std::string expectedLetters(std::string_view bytes, bool* lost)
{
    std::string letters;
    const auto take = [&](char32_t ch) {
        if (ch < 0x20 || isBlank(ch))
            return;
        if (const std::optional<unsigned char> code = kit::fromUnicode(kit::Encoding::NeXTSTEP, ch))
            letters += char(*code);
        else
            *lost = true;
    };
    if (kit::isWellFormedUTF8(bytes)) {
        if (bytes.substr(0, 3) == "\xEF\xBB\xBF")
            bytes.remove_prefix(3);
        for (std::size_t pos = 0; pos < bytes.size();)
            take(kit::nextUTF8(bytes, pos).value_or(U'\uFFFD'));
    } else {
        for (const char c : bytes) {
            const auto byte = static_cast<unsigned char>(c);
            if (const std::optional<char32_t> ch = RTFTextEscapes::codePageCharacter(byte))
                take(*ch);
            else
                *lost = true;
        }
    }
    return letters;
}

// The letters of the flow's words, and its paragraphs.
std::string lettersOf(const TextFlow& flow)
{
    std::string letters;
    for (const auto& paragraph : flow.paragraphList())
        for (const auto& word : paragraph->wordList())
            if (!word->isSpecial())
                for (int i = 0; i < word->length(); ++i)
                    if (word->text()[i] != ' ')
                        letters += word->text()[i];
    return letters;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static Setting s;
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    const std::string file = fuzz::scratchFolder() + "/opened.txt";
    if (!fuzz::writeFile(file, bytes))
        return 0;
    const std::optional<std::string> rtf = ZYNMapAsciiFile(file);
    if (!rtf)
        fuzz::fail("a readable file was not wrapped");

    // One group: every brace of the text is escaped.
    int depth = 0;
    for (std::size_t i = 0; i < rtf->size(); ++i) {
        const char c = (*rtf)[i];
        if (c == '\\')
            ++i;
        else if (c == '{')
            ++depth;
        else if (c == '}' && --depth == 0 && i + 1 != rtf->size())
            fuzz::fail("the wrapper's group ends before its text");
    }
    if (depth != 0)
        fuzz::fail("the wrapper leaves its group open");

    std::unique_ptr<LayoutDocument> document = newDocument(*s.delegate);
    bool lost = false;
    if (!LayoutDocumentIOMethods::dispatchRTFStream(*document, rtf, &lost, ZynImportOptions{true, nullptr}))
        fuzz::fail("the wrapped text was not read");
    const TextItem* main = LayoutDocumentIOMethods::mainTextItemForPage(document->pageAt(0));
    if (!main || !main->flow())
        fuzz::fail("no main text");

    std::string_view text(bytes);
    if (kit::isWellFormedUTF8(text) && text.substr(0, 3) == "\xEF\xBB\xBF")
        text.remove_prefix(3);
    // A line feed, a carriage return and line feed, or a carriage return
    // alone ends a line.
    std::ptrdiff_t lines = std::count(text.begin(), text.end(), '\n');
    for (std::size_t i = 0; i < text.size(); ++i)
        if (text[i] == '\r' && (i + 1 == text.size() || text[i + 1] != '\n'))
            ++lines;
    if (main->flow()->paragraphCount() != lines + 1)
        fuzz::fail("the lines are not the paragraphs");
    bool missing = false;
    if (lettersOf(*main->flow()) != expectedLetters(bytes, &missing))
        fuzz::fail("the text's characters did not arrive once each, in order");
    if (lost != missing)
        fuzz::fail("lost data told wrongly");
    return 0;
}
