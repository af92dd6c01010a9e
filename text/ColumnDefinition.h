#pragma once

// The column edges of a multi-column layout: how many columns, how text
// flows through them and, per column, its left and right edge x in the
// coordinate space of the text columns' frames.

#include "core/Object.h"

#include <utility>
#include <vector>

class ColumnDefinition : public kit::Object {
public:
    // One column's left and right edge.
    using Margin = std::pair<float, float>;

    std::string className() const override { return "ColumnDefinition"; }
    void encodeWithCoder(kit::Coder& coder) const override;
    kit::Object* initWithCoder(kit::Coder& coder) override;

    short columnCount() const { return columnCount_; }
    // Keeps one margin pair per column: new columns get zero edges, and a
    // negative count stands for no columns.
    void setColumnCount(short count);
    char flowType() const { return flowType_; }
    void setFlowType(char type) { flowType_ = type; }
    char hasLinesBetween() const { return hasLinesBetween_; }
    void setHasLinesBetween(char flag) { hasLinesBetween_ = flag; }
    char isBalanced() const { return isBalanced_; }
    void setIsBalanced(char flag) { isBalanced_ = flag; }

    const std::vector<Margin>& margins() const { return margins_; }
    // Takes the margins and sets the column count from them. More columns
    // than a count can hold throw kit::Exception (InvalidArgument) and
    // change nothing.
    void setMargins(std::vector<Margin> margins);
    // The margins of a column; nil outside the columns.
    const Margin* marginAt(int column) const
    {
        return unsigned(column) < margins_.size() ? &margins_[std::size_t(column)] : nullptr;
    }

private:
    short columnCount_ = 0;
    char flowType_ = 0;
    char hasLinesBetween_ = 0;
    char isBalanced_ = 0;
    std::vector<Margin> margins_; // always columnCount_ pairs
};
