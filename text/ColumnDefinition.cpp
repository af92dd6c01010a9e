#include "text/ColumnDefinition.h"

#include "core/Exception.h"

#include <climits>
#include <string>

void ColumnDefinition::setColumnCount(short count)
{
    columnCount_ = count < 0 ? short(0) : count;
    margins_.resize(std::size_t(columnCount_));
}

void ColumnDefinition::setMargins(std::vector<Margin> margins)
{
    // The count is stored as a short; more columns could not be written.
    if (margins.size() > std::size_t(SHRT_MAX))
        kit::Exception::raise(kit::InvalidArgumentException,
                              "setMargins: " + std::to_string(margins.size()) + " columns, at most " +
                                  std::to_string(SHRT_MAX));
    margins_ = std::move(margins);
    columnCount_ = short(margins_.size());
}
