#pragma once

// A row of a table: the top and height its cells share. The height of an
// automatic row follows its tallest cell.

#include "core/Object.h"

class TableRow : public kit::Object {
public:
    std::string className() const override { return "TableRow"; }
    void encodeWithCoder(kit::Coder& coder) const override;
    kit::Object* initWithCoder(kit::Coder& coder) override;

    short columnCount() const { return columnCount_; }
    void setColumnCount(short count) { columnCount_ = count; }
    char justification() const { return justification_; }
    void setJustification(char code) { justification_ = code; }
    char isAutoHeight() const { return isAutoHeight_; }
    void setIsAutoHeight(char flag) { isAutoHeight_ = flag; }
    float height() const { return height_; }
    // An automatic row only grows: a smaller height is ignored.
    void setHeight(float height);
    float firstY() const { return firstY_; }
    void setFirstY(float y) { firstY_ = y; }
    float lastY() const { return firstY_ + height_; }
    float thickestTopBorder() const { return thickestTopBorder_; }
    void setThickestTopBorder(float width) { thickestTopBorder_ = width; }

private:
    short columnCount_ = 0;
    char justification_ = 0;
    char isAutoHeight_ = 0;
    float height_ = 0.0f;
    float firstY_ = 0.0f;
    float thickestTopBorder_ = 0.0f;
};
