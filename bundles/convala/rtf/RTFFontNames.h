#pragma once

// The names in an RTF font table as the reader takes them: a name another
// program wrote becomes one of the document's faces through the font map
// ("fontmap.import") or as the font manager knows it, with or without the
// style words the name carries; an entry whose name neither knows takes
// its family word's face.

#include <optional>
#include <string>
#include <string_view>

struct RTFContextMaps;

struct RTFFontNames {
    // The face a font-table name stands for: the import map's value for
    // the name, or the name itself, when a face has that name; else the
    // same for the name without its trailing style words ("Arial Bold",
    // "Arial,BoldItalic" and "Arial-BoldMT" are Arial: the character
    // format's \b and \i carry the traits). None when neither the map nor
    // the font manager knows the name.
    static std::optional<std::string> importFontName(const std::string& name, const RTFContextMaps& maps);

    // The name without its last style word and the separator before it;
    // the name itself when it ends in none.
    static std::string withoutStyleWord(const std::string& name);

    // The face an unknown name of the family takes, by the family word
    // ("froman" is "Times-Roman"); none for a word that names no family
    // ("fnil", "fbidi") or is no family word.
    static std::optional<std::string> fontNameForFamilyWord(std::string_view word);
};
