#pragma once

// A word-processor document of one Letter page whose main column (a copy of
// the automatic master column "MainText", 72 points in from every edge)
// holds the text the test builds, in the URW fonts; its RTF as the bundle
// writes it; and the independent readers unrtf and pandoc run over that RTF.

#include "bundles/convala/rtf/RTFExportMethods.h"

#include "app/Layvane.h"
#include "app/Scrivly.h"
#include "core/Encoding.h"
#include "core/FileManager.h"
#include "core/UserDefaults.h"
#include "document/LayoutDocument.h"
#include "document/Page.h"
#include "foundation/Preferences.h"
#include "foundation/StyleChar.h"
#include "foundation/StyleInfo.h"
#include "foundation/StyleParagraph.h"
#include "foundation/StyleParagraphNamed.h"
#include "foundation/ZMemoryStream.h"
#include "graphics/Font.h"
#include "items/TextItem.h"
#include "text/TextFlow.h"
#include "text/TextParagraph.h"
#include "text/TextSelection.h"
#include "text/TextWord.h"
#include "text/TextWordSpecial.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace convala_test {

// A word: its text (bytes of the documents' set) and the character style
// that begins at its first letter, if any.
struct Word {
    std::string text;
    const StyleChar* style = nullptr;
};

class ExportTest : public ::testing::Test {
protected:
    // The word processor's delegate, unless a test wants the layout one.
    virtual bool wordProcessor() const { return true; }

    void SetUp() override
    {
        folder_ = kit::FileManager::uniqueTemporaryPath("convala-export");
        ASSERT_TRUE(kit::FileManager::createDirectoryAtPath(folder_));
        setenv("XDG_CONFIG_HOME", folder_.c_str(), 1);
        kit::UserDefaults::resetStandardUserDefaults();
        Scrivly::initialize();
        TextWord::initialize();
        TextSelection::initialize();
        if (wordProcessor())
            delegate_ = std::make_unique<Scrivly>();
        else
            delegate_ = std::make_unique<Layvane>();
        helvetica_ = font("Helvetica", 12);
        times_ = font("Times-Roman", 12);

        document_ = std::make_unique<LayoutDocument>(delegate_->preferences());
        document_->setPageSize(kit::makeSize(612, 792));
        document_->setPaperSize(kit::makeSize(612, 792));
        document_->setFirstPageNum(1);
        document_->setMasterPage(std::make_unique<Page>());
        auto master = std::make_unique<TextItem>();
        master->setFrame(kit::makeRect(72, 72, 468, 648), false);
        master->setTextType(1);
        master->setAutoFlowText(true);
        master->setMasterFlags(3);
        master->setName(std::string("MainText"));
        document_->addMasterItem(std::move(master));
        document_->addPages(1, 0);
        for (const auto& item : document_->pageAt(0)->pageItems())
            if (!column_)
                column_ = dynamic_cast<TextItem*>(item.get());
        ASSERT_NE(column_, nullptr);
        flow_ = column_->flow();
        ASSERT_NE(flow_, nullptr);
        flow_->firstParagraph()->paragraphStyle()->setFont(helvetica_);
        document_->setActiveTextItem(column_);
        delegate_->setMainDocument(document_.get());
    }

    void TearDown() override
    {
        delegate_->setMainDocument(nullptr);
        document_.reset();
        delegate_.reset();
        kit::UserDefaults::resetStandardUserDefaults();
        kit::FileManager::removeFileAtPath(folder_);
    }

    static kit::Font* font(const char* name, float size)
    {
        kit::Font* f = kit::Font::fontWithName(name, size);
        EXPECT_NE(f, nullptr) << name;
        return f;
    }

    // A character style in the font, with the type-style flags.
    const StyleChar* charStyle(kit::Font* f, unsigned short special = 0, kit::ColorRef color = nullptr)
    {
        auto style = std::make_unique<StyleChar>();
        style->setFont(f);
        style->setSpecial(special);
        if (color)
            style->setColor(color);
        styles_.push_back(std::move(style));
        return styles_.back().get();
    }

    // The paragraph at the index, made (in Helvetica 12, styled like the
    // first) when the flow has fewer.
    TextParagraph* paragraph(int index)
    {
        while (flow_->paragraphCount() <= index) {
            auto added = std::make_unique<TextParagraph>();
            added->setParagraphStyle(flow_->firstParagraph()->paragraphStyle()->copy());
            flow_->addParagraph(std::move(added));
        }
        return flow_->paragraphAtIndex(index);
    }

    // Replaces the paragraph's words.
    TextParagraph* setWords(int index, const std::vector<Word>& words)
    {
        TextParagraph* p = paragraph(index);
        while (p->wordCount() > 0)
            (void)p->removeWord(p->firstWord());
        for (const Word& w : words) {
            TextWord* word = p->addWord(std::make_unique<TextWord>());
            word->setText(w.text.c_str());
            if (w.style)
                word->addCharStyle(w.style->copy(), 0);
        }
        return p;
    }

    TextWordSpecial* addSpecial(int index, int type, const std::string& text = "")
    {
        auto word = std::make_unique<TextWordSpecial>(type);
        if (!text.empty())
            word->setText(text.c_str());
        return static_cast<TextWordSpecial*>(paragraph(index)->addWord(std::move(word)));
    }

    std::string exportRTF()
    {
        ZMemoryStream stream;
        RTFExportRun run(stream);
        RTFExportMethods::writeRTF(*document_, run);
        return *stream.data();
    }

    std::string folder_;
    std::unique_ptr<Layvane> delegate_;
    std::unique_ptr<LayoutDocument> document_;
    TextItem* column_ = nullptr;
    TextFlow* flow_ = nullptr;
    kit::Font* helvetica_ = nullptr;
    kit::Font* times_ = nullptr;
    std::vector<std::unique_ptr<StyleChar>> styles_;
};

// ---- The independent readers.

inline bool haveProgram(const char* name)
{
    const std::string command = std::string("command -v ") + name + " >/dev/null 2>&1";
    return std::system(command.c_str()) == 0;
}

// The program's standard output over the file; the exit status in status.
inline std::string runProgram(const std::string& command, int* status = nullptr)
{
    std::string out;
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe)
        return out;
    std::array<char, 65536> buffer{};
    std::size_t n;
    while ((n = std::fread(buffer.data(), 1, buffer.size(), pipe)) > 0)
        out.append(buffer.data(), n);
    const int result = pclose(pipe);
    if (status)
        *status = WIFEXITED(result) ? WEXITSTATUS(result) : -1;
    return out;
}

inline std::string writeTemporary(const std::string& bytes, const std::string& name)
{
    const std::string path = kit::FileManager::uniqueTemporaryPath(name);
    std::ofstream(path, std::ios::binary) << bytes;
    return path;
}

using kit::appendUTF8;

// unrtf's own table of the HTML entities it writes (a code on one line,
// its entity indented on the next), for reading its output back as text.
inline const std::map<std::string, char32_t>& unrtfEntities()
{
    static const std::map<std::string, char32_t> entities = [] {
        std::map<std::string, char32_t> map{{"amp", '&'}, {"lt", '<'}, {"gt", '>'}, {"quot", '"'}, {"nbsp", 0xA0}};
        std::ifstream conf("/usr/share/unrtf/html.conf");
        std::string line, code;
        while (std::getline(conf, line)) {
            const bool number = !line.empty() && line.find_first_not_of("0123456789") == std::string::npos;
            if (!code.empty() && line.size() > 3 && line[0] == '\t' && line[1] == '&' && line.back() == ';') {
                const unsigned long value = std::stoul(code);
                // The Symbol font's private codes come after the characters.
                if (value < 0xE000)
                    map.emplace(line.substr(2, line.size() - 3), char32_t(value));
            }
            code = number ? line : std::string();
        }
        return map;
    }();
    return entities;
}

// The text unrtf reads from the RTF, as UTF-8: its HTML output without the
// banner and the head, line breaks as line feeds, tags dropped, entities
// decoded. Empty when unrtf fails.
inline std::string unrtfText(const std::string& rtf)
{
    const std::string path = writeTemporary(rtf, "convala-unrtf.rtf");
    int status = 0;
    const std::string html = runProgram("unrtf --html --nopict '" + path + "' 2>/dev/null", &status);
    std::remove(path.c_str());
    if (status != 0)
        return {};
    std::size_t at = html.find("<body>");
    const std::size_t end = html.rfind("</body>");
    if (at == std::string::npos || end == std::string::npos)
        return {};
    at += 6;
    std::string text;
    while (at < end) {
        const char c = html[at];
        if (c == '<') {
            const std::size_t close = html.find('>', at);
            const std::string tag = html.substr(at, close - at + 1);
            if (tag == "<br>")
                text += '\n';
            at = close + 1;
        } else if (c == '&') {
            const std::size_t semi = html.find(';', at);
            const std::string name = html.substr(at + 1, semi - at - 1);
            if (!name.empty() && name[0] == '#')
                appendUTF8(text, char32_t(std::stoul(name.substr(1))));
            else if (const auto it = unrtfEntities().find(name); it != unrtfEntities().end())
                appendUTF8(text, it->second);
            else
                text += "&" + name + ";";
            at = semi + 1;
        } else {
            // unrtf ends its lines where it likes: only <br> ends one.
            if (c != '\n')
                text += c;
            ++at;
        }
    }
    return text;
}

// What pandoc reads: its native form of the document.
inline std::string pandocNative(const std::string& rtf)
{
    const std::string path = writeTemporary(rtf, "convala-pandoc.rtf");
    int status = 0;
    const std::string native = runProgram("pandoc -f rtf -t native '" + path + "' 2>/dev/null", &status);
    std::remove(path.c_str());
    return status == 0 ? native : std::string();
}

} // namespace convala_test
