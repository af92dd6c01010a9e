#pragma once

// One row of the links inspector's list: a status image, then the linked
// file's name, its page, the date of its last change and its size, each in
// a column placed the same for every row. Drawn by its matrix in a flipped
// view; a chosen row sits on the light highlight colour between two black
// lines.

#include "appkit/Cell.h"

#include <memory>
#include <optional>
#include <string>

namespace kit {
class DrawContext;
class Font;
class Image;
}

class LinkCell : public kit::Cell {
public:
    // Column alignments of drawString.
    static constexpr int AlignLeft = 0;
    static constexpr int AlignRight = 1;
    static constexpr int AlignCenter = 2;

    // The column rectangles of every row, in the row's own coordinates: x
    // and width place a column, the height clips it.
    static void setImageRect(const kit::Rect& rect);
    static void setNameRect(const kit::Rect& rect);
    static void setPageRect(const kit::Rect& rect);
    static void setChangeRect(const kit::Rect& rect);
    static void setSizeRect(const kit::Rect& rect);
    static kit::Rect imageRect();
    static kit::Rect nameRect();
    static kit::Rect pageRect();
    static kit::Rect changeRect();
    static kit::Rect sizeRect();

    LinkCell() = default;
    std::string className() const override { return "LinkCell"; }
    std::unique_ptr<kit::Cell> copy() const override;

    // The row font, with its descent and natural line height taken now.
    void setFont(kit::Font* font);
    float descent() const { return des_; }
    float naturalHeight() const { return hgt_; }

    void setImage(std::shared_ptr<kit::Image> image) { image_ = std::move(image); }
    kit::Image* image() const { return image_.get(); }
    // Kept with the row, not drawn.
    void setAlternateImage(std::shared_ptr<kit::Image> image) { altImage_ = std::move(image); }
    kit::Image* alternateImage() const { return altImage_.get(); }

    // UTF-8 texts; none (nullopt) leaves the column empty.
    void setFilename(std::optional<std::string> text) { filename_ = std::move(text); }
    void setPageString(std::optional<std::string> text) { pageString_ = std::move(text); }
    void setChangeString(std::optional<std::string> text) { changeString_ = std::move(text); }
    void setSizeString(std::optional<std::string> text) { sizeString_ = std::move(text); }
    const std::optional<std::string>& filename() const { return filename_; }
    const std::optional<std::string>& pageString() const { return pageString_; }
    const std::optional<std::string>& changeString() const { return changeString_; }
    const std::optional<std::string>& sizeString() const { return sizeString_; }

    // Into the current context: the ground, the contents, and for a chosen
    // row its top and bottom lines.
    void drawInteriorWithFrame(const kit::Rect& cellFrame, kit::View* controlView) override;
    // The image centred in the row's height, then the four columns in black.
    void drawText(const kit::Rect& cellFrame, kit::View* controlView);

private:
    std::shared_ptr<kit::Image> image_;
    std::shared_ptr<kit::Image> altImage_;
    float des_ = 0;
    float hgt_ = 0;
    std::optional<std::string> filename_;
    std::optional<std::string> pageString_;
    std::optional<std::string> changeString_;
    std::optional<std::string> sizeString_;
};

// Shows a UTF-8 text in the current font of the context, in the documents'
// character set ("?" for a character it lacks), on the row's baseline in the
// column (x relative to the row's origin), aligned left, right or centred.
// A text at least as wide as its column is clipped to the column. Nothing
// for no text.
void drawString(kit::DrawContext& context, const kit::Font* font, const std::optional<std::string>& string,
                kit::Point rowOrigin, const kit::Rect& column, float hgt, float des, int alignment);
