#pragma once

// The state of one import or export run, whatever the format: the numbered
// font, colour and paragraph-style tables that RTF and ICF documents refer
// to by number, the placed graphics collected for RTFD, the current
// character style, the file extension of the file being read, the last
// line spacing read and whether the import dropped what the document
// cannot hold. Fonts are numbered from 0, styles from 1 (0 is the style
// sheet's "No Style" entry), colours from 0 by position; a lookup that
// fails answers NotFound.
//
// The class also holds, once per process, the maps that translate font
// names and DOS drive letters between the document and foreign files:
// "fontmap.import", "fontmap.export" (both shipped with the program) and
// "drivemap.import".

#include "core/Color.h"
#include "core/Object.h"

#include <cstddef>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

namespace kit {
class Font;
}
class StyleChar;
class StyleParagraph;
class TextParagraph;
class TextWord;

// The three map files, each a dictionary of strings written as the user
// defaults are ("key" = "value"; per line, other lines skipped); a map
// whose file is absent is none.
struct RTFContextMaps {
    std::optional<std::map<std::string, std::string>> fontImport;
    std::optional<std::map<std::string, std::string>> fontExport;
    std::optional<std::map<std::string, std::string>> driveImport;

    // Each map from the user's folder when its file is there, else from the
    // local folder, else from the program's resources (shippedFolder): the
    // first folder that has the file hides the others entirely.
    static RTFContextMaps load(const std::string& userFolder, const std::string& localFolder,
                               const std::string& shippedFolder);
    // The user's folder ($XDG_CONFIG_HOME/Scrivly, where the defaults are),
    // the machine's (the first of $XDG_CONFIG_DIRS, /etc/xdg when unset,
    // then "Scrivly") and the program's resources folder.
    static std::string userFolder();
    static std::string localFolder();
    static std::string shippedFolder();

    std::string mapImportFontName(const std::string& name) const;
    std::string mapExportFontName(const std::string& name) const;
    // By the path's first two characters (all of a shorter path).
    std::string mapImportDrive(const std::string& path) const;
};

class RTFContext : public kit::Object {
public:
    static constexpr int NotFound = 2147483647;

    // Loads the maps once per process (a map file added later is seen by
    // the next process only).
    static void initialize();
    // The map's value, else the argument itself (else the drive prefix).
    static std::string mapImportFontName(const std::string& name);
    static std::string mapExportFontName(const std::string& name);
    static std::string mapImportDrive(const char* path);
    // The maps themselves.
    static const RTFContextMaps& maps();

    RTFContext();
    ~RTFContext() override;
    RTFContext(const RTFContext&) = delete;
    RTFContext& operator=(const RTFContext&) = delete;

    std::string className() const override { return "RTFContext"; }

    // Empties the colour, font and style tables; drops the character style
    // and the extension; the last line spacing becomes 0 and the lost-data
    // flag is cleared. The placed graphics stay.
    void empty();
    void emptyColorList();
    void emptyFontList();
    void emptyStyleList();

    // ---- Fonts, each kept as the 12-point font of its plain family.
    // The font's name without its bold and italic traits.
    static std::string goodFamilyNameFor(const kit::Font* font);
    void addFont(kit::Font* font, int atIndex);
    void addFontIfAbsent(kit::Font* font);
    int fontNumberFor(const kit::Font* font) const;
    // The stored font, else the preferences' body font.
    kit::Font* fontAtIndex(int index) const;
    const std::map<int, kit::Font*>& fontList() const { return fontList_; }

    // ---- Colours; equal colours are found from the last entry back.
    void addColor(const kit::ColorRef& color);
    void addColorIfAbsent(const kit::ColorRef& color);
    int colorNumberFor(const kit::ColorRef& color) const;
    // Black (device CMYK 0, 0, 0, 1) outside the list.
    kit::ColorRef colorAtIndex(int index) const;
    const std::vector<kit::ColorRef>& colorList() const { return colorList_; }

    // ---- Paragraph styles. The context refers to the styles an export
    // numbers (the document keeps them) and keeps the styles an import
    // reads until they are merged.
    void addStyle(StyleParagraph* style, int atIndex);
    void adoptStyle(std::unique_ptr<StyleParagraph> style, int atIndex);
    // Under the count plus one unless the very same style is there.
    void addStyleIfAbsent(StyleParagraph* style);
    StyleParagraph* styleAtIndex(int index) const;
    int styleNumberFor(const StyleParagraph* style) const;
    const std::map<int, StyleParagraph*>& styleList() const { return styleList_; }

    // ---- The lists an export numbers.
    // The paragraph style's colour and font, its bullet's colour and font,
    // the style when named and its based-on and next styles; then every
    // style of every word.
    void buildListsFromParagraphs(const TextParagraph* paragraph);
    void buildListsFromWords(const TextWord* word);
    // Each named style of the sheet, with its font and colour and its
    // bullet's, so that the style sheet can name them.
    void buildStylesheetFrom(const std::vector<StyleParagraph*>& styles);

    // ---- Placed graphics collected for RTFD (not owned).
    std::vector<kit::Object*>& placedGraphicList() { return placedGraphicList_; }

    // ---- The rest of the run's state.
    StyleChar* charStyle() const { return charStyle_.get(); }
    // Keeps a copy; nil clears it.
    void setCharStyle(const StyleChar* style);
    const std::optional<std::string>& extension() const { return extension_; }
    void setExtension(const std::optional<std::string>& extension);
    int lastLineSpacing() const { return lastLineSpacing_; }
    void setLastLineSpacing(int spacing) { lastLineSpacing_ = spacing; }
    bool lostDataDuringImport() const { return lostDataDuringImport_; }
    void setLostDataDuringImport(bool flag) { lostDataDuringImport_ = flag; }

private:
    // Equal colours share a bucket; the bucket holds their numbers in order.
    static std::size_t colorKey(const kit::Color& color);

    std::unique_ptr<StyleChar> charStyle_;
    std::map<int, kit::Font*> fontList_;
    std::unordered_map<const kit::Font*, int> fontNumbers_;
    std::map<int, StyleParagraph*> styleList_;
    std::unordered_map<const StyleParagraph*, int> styleNumbers_;
    std::vector<std::unique_ptr<StyleParagraph>> adoptedStyles_;
    std::vector<kit::ColorRef> colorList_;
    std::unordered_map<std::size_t, std::vector<int>> colorBuckets_;
    std::vector<kit::Object*> placedGraphicList_;
    std::optional<std::string> extension_;
    int lastLineSpacing_ = 0;
    bool lostDataDuringImport_ = false;
};
