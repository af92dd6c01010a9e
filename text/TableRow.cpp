#include "text/TableRow.h"

void TableRow::setHeight(float height)
{
    if (isAutoHeight_ && height < height_)
        return;
    height_ = height;
}
