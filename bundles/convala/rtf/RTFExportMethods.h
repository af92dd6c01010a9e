#pragma once

// The RTF writer: a document, or the selected text of a flow, as RTF in a
// memory stream. The document writes the frame (the font, style and colour
// tables, and in the word processor its page set-up) and has its text write
// itself; a paragraph writes its format as the difference from the
// paragraph before it, and its words with the character-format changes
// inside them. Font, colour and style numbers come from the run's context,
// filled before any text is written.
//
// Other programs read what is written: the file declares its code page and
// every character outside ASCII is an escape of it (or "\uN"); names in the
// tables are escaped; a paragraph ends with "\par"; each paragraph's format
// begins with "\pard", and character formatting is kept in step with what
// the reader has in force, also across a header's group.

#include "bundles/convala/markup/RTFContext.h"

#include "core/Geometry.h"

#include <optional>
#include <string>
#include <vector>

namespace kit {
class FileWrapper;
class Font;
class Object;
}
class LayoutDocument;
class StyleChar;
class StyleInfo;
class StyleParagraph;
class TextFlow;
class TextItem;
class TextParagraph;
class TextSelection;
class TextWord;
class TextWordSpecial;
class ZMemoryStream;

// One export: its stream, its own context (an export may run while an
// import holds the shared one), and what the writers keep while it runs.
class RTFExportRun {
public:
    // RTFD pictures go into the folder given (names unique within it);
    // without one (the clipboard) they are not written. A closed stream
    // takes nothing.
    explicit RTFExportRun(ZMemoryStream& stream, kit::FileWrapper* contents = nullptr);
    RTFExportRun(const RTFExportRun&) = delete;
    RTFExportRun& operator=(const RTFExportRun&) = delete;

    ZMemoryStream& stream() const { return stream_; }
    // The bytes written so far (the stream's data).
    std::string& out() const { return out_; }
    RTFContext& context() { return context_; }
    kit::FileWrapper* contents() const { return contents_; }
    // Set while the style sheet is written: a style writes only what it
    // defines itself.
    bool writeForcedAttributesOnly = false;
    // The flows that buildMarkupLists found.
    std::vector<TextFlow*> flowList;
    // Header and footer columns being written (a marker inside its own
    // column's text is not written again).
    std::vector<const kit::Object*> markersBeingWritten;

private:
    ZMemoryStream& stream_;
    std::string discarded_;
    std::string& out_;
    RTFContext context_;
    kit::FileWrapper* contents_;
};

// An in-line graphic's picture as RTFD holds it.
struct RTFPicture {
    std::string fileName;
    std::string data;
    kit::Size size;
};

// The word processor's page set-up, as its RTF writes it after the tables.
struct RTFPageSetup {
    int units = 2;
    kit::Size paperSize{};
    kit::Size pageSize{};
    // Margin guide positions from the paper's left and top edges.
    float leftMargin = 0, rightMargin = 0, topMargin = 0, bottomMargin = 0;
    float defaultTabSpacing = 36.0f;
    int firstPageNum = 1;
    bool landscape = false;
    int pageNumberFormat = 0;
    // The header's top guide and the footer's bottom guide, from the top.
    float headerTopLocation = 0, footerBottomLocation = 0;
};

struct RTFExportMethods {
    // Every length in twips, cut toward zero.
    static int twips(float points);

    // ---- The document.
    // The word processor's documents write the word processor's form.
    static void writeRTF(const LayoutDocument& document, RTFExportRun& run);
    static void writeRTFContents(const LayoutDocument& document, RTFExportRun& run);
    static bool isWordProcessorDocument(const LayoutDocument& document);
    static void writeRTFWordProcessor(const LayoutDocument& document, RTFExportRun& run);
    static void writeRTFWordProcessorContents(const LayoutDocument& document, RTFExportRun& run);
    static RTFPageSetup pageSetupOf(const LayoutDocument& document);
    static void writeRTFDocumentInfo(const RTFPageSetup& setup, RTFExportRun& run);
    static void writeRTFSectionInfo(const RTFPageSetup& setup, RTFExportRun& run);

    // ---- The frame (the context's part).
    static void writeRTFPrefix(RTFExportRun& run);
    static void writeRTFSuffix(RTFExportRun& run);
    static void writeRTFTables(RTFExportRun& run);
    static void writeRTFFontTable(RTFExportRun& run);
    static void writeRTFStylesheet(RTFExportRun& run);
    static void writeRTFColortable(RTFExportRun& run);
    static void writeRTFPlacedGraphicInfo(RTFExportRun& run);
    // The style sheet's own form of the style-sheet group.
    static void writeRTF(StyleInfo& sheet, RTFExportRun& run);

    // ---- Fonts and styles.
    // "roman", "swiss", "modern", "tech", "script" or "nil" by the font's
    // family.
    static const char* rtfFamilyOf(const kit::Font* font);
    // A font-table entry.
    static void writeRTF(const kit::Font* font, RTFExportRun& run);
    static void writeRTFCharacteristics(const kit::Font* font, RTFExportRun& run);
    // A style-sheet entry (numbered styles only).
    static void writeRTF(const StyleParagraph& style, RTFExportRun& run);
    static void writeRTFCharacteristics(const StyleParagraph& style, RTFExportRun& run);
    // What differs from the character style the reader has in force, which
    // the style then is.
    static void writeRTFStyleDiffs(const StyleChar* style, RTFExportRun& run);
    static void writeRTFSpecialStyleDiffs(const StyleChar* style, const StyleChar* current, RTFExportRun& run);
    // After a full paragraph format, which names the font, size and
    // colour: the rest of what differs (type style, offset, tracking).
    static void writeRTFRemainingStyleDiffs(const StyleChar* style, RTFExportRun& run);

    // ---- Text.
    static void writeRTF(const TextItem& column, RTFExportRun& run);
    static void writeRTF(const TextFlow& flow, RTFExportRun& run);
    static void writeRTF(const TextParagraph& paragraph, RTFExportRun& run);
    // Words wordFrom..wordTo, the first from letter letterFrom, the last up
    // to letter letterTo (exclusive; TextWord::WholeWord for its end);
    // previous is the paragraph before (nil for the first of the text),
    // alwaysFull writes the format in full, breakAfter the paragraph break.
    static void writeRTF(const TextParagraph& paragraph, const TextParagraph* previous, int wordFrom,
                         int letterFrom, int wordTo, int letterTo, bool alwaysFull, bool breakAfter,
                         RTFExportRun& run);
    static void writeRTF(const TextWord& word, RTFExportRun& run);
    // Letters from..to (exclusive); a space follows when spaceAfter and
    // the word was written to its end.
    static void writeRTF(const TextWord& word, int from, int to, bool spaceAfter, RTFExportRun& run);
    static void writeRTFSpecial(const TextWordSpecial& word, RTFExportRun& run);
    // The selection's text as a document of its own.
    static void writeRTF(TextSelection& selection, RTFExportRun& run);
    // The picture of an in-line graphic: its file's name and bytes (the
    // picture as TIFF when the bytes are gone) and its size as shown; none
    // for a word without a picture file.
    static std::optional<RTFPicture> pictureOf(const TextWordSpecial& word);
};
