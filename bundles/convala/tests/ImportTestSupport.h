#pragma once

// RTF read into a word-processor document like the export tests' (one
// Letter page, the master column "MainText"), with the bundle's reader
// installed for the test and taken away after it.

#include "ExportTestSupport.h"

#include "bundles/convala/markup/LayoutDocumentIOMethods.h"
#include "bundles/convala/markup/LayvaneIOMethods.h"
#include "bundles/convala/markup/RTFContext.h"
#include "bundles/convala/markup/ZynDispatchTable.h"
#include "bundles/convala/rtf/RTFImportMethods.h"

#include "text/TextWordSpecial.h"

namespace convala_test {

class ImportTest : public ExportTest {
protected:
    void SetUp() override
    {
        ExportTest::SetUp();
        RTFImportMethods::install();
    }
    void TearDown() override
    {
        LayoutDocumentIOMethods::rtfReader() = {};
        TextParagraph::prepareForAddByteHook() = {};
        RTFImportMethods::statusHook() = {};
        ExportTest::TearDown();
    }

    // A new document, as for a test of its own (a table of cases).
    void fresh()
    {
        TearDown();
        column_ = nullptr;
        flow_ = nullptr;
        SetUp();
    }

    // Reads the RTF into the test's document at its caret; false when
    // nothing was read.
    bool import(const std::string& rtf, bool* lost = nullptr, bool opening = false)
    {
        bool lostData = false;
        const bool read = LayoutDocumentIOMethods::dispatchRTFStream(*document_, rtf, &lostData,
                                                                     ZynImportOptions{opening, nullptr});
        if (lost)
            *lost = lostData;
        return read;
    }

    // The flow's text, paragraphs ended by "\n", a space after each word but the last (but after a tab or a
    // break), special words as
    // "<tab>", "<page#>", "<date>", "<time>", "<break>", "<line>",
    // "<header>", "<footer>", "<graphic>".
    static std::string textOf(const TextFlow* flow)
    {
        std::string text;
        if (!flow)
            return text;
        for (int p = 0; p < flow->paragraphCount(); ++p) {
            const TextParagraph* paragraph = flow->paragraphAtIndex(p);
            for (int w = 0; w < paragraph->wordCount(); ++w) {
                const TextWord* word = paragraph->wordAtIndex(w);
                if (word->isSpecial()) {
                    const auto* special = static_cast<const TextWordSpecial*>(word);
                    // Fields and pictures stand apart as words do.
                    const bool spaced = special->isToken() || special->wordType() == TextWordGraphic;
                    switch (special->wordType()) {
                    case TextWordTab:
                        text += "<tab>";
                        break;
                    case TextWordPageNumber:
                        text += "<page#>";
                        break;
                    case TextWordDate:
                        text += "<date>";
                        break;
                    case TextWordTime:
                        text += "<time>";
                        break;
                    case TextWordPageBreak:
                        text += "<break>";
                        break;
                    case TextWordLineBreak:
                        text += "<line>";
                        break;
                    case TextWordHeaderMarker:
                        text += "<header>";
                        break;
                    case TextWordFooterMarker:
                        text += "<footer>";
                        break;
                    case TextWordGraphic:
                        text += "<graphic>";
                        break;
                    default:
                        text += "<" + std::to_string(special->wordType()) + ">";
                    }
                    if (spaced && w + 1 < paragraph->wordCount())
                        text += ' ';
                    continue;
                }
                for (int l = 0; l < int(word->length()); ++l)
                    if (const char* c = word->charAtIndex(l))
                        text += *c;
                // A space follows every word but the last, as the writer has it.
                if (w + 1 < paragraph->wordCount())
                    text += ' ';
            }
            if (p + 1 < flow->paragraphCount())
                text += '\n';
        }
        return text;
    }

    std::string text() const { return textOf(flow_); }
};

} // namespace convala_test
