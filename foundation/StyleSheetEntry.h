#pragma once

// What the style sheet and the styles panels ask of every style in a style
// list, named or not.

#include <optional>
#include <string>

class StyleSheetEntry {
public:
    virtual ~StyleSheetEntry() = default;

    // nullopt for a named style whose name was taken away.
    virtual std::optional<std::string> styleName() const = 0;
    virtual std::string sortName() const = 0;
    virtual std::optional<std::string> rootName() const = 0;
    virtual bool isNamedStyle() const = 0;
    virtual bool isRootStyle() const = 0;
    virtual void setCanFree(bool flag) = 0;
    virtual bool canFree() const = 0;

    // Orders by sort name (byte-wise string comparison): -1, 0 or 1.
    int compare(const StyleSheetEntry& other) const;

    // The text of a string-table key through the application delegate
    // ("Missing String Key" when the table has none).
    static std::string stringForKey(const std::string& key);
};

#include <memory>
#include <vector>

// A list of styles as the style sheet keeps it: the unnamed root first, then
// named styles.
using StyleList = std::vector<std::unique_ptr<StyleSheetEntry>>;
