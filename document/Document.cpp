#include "document/Document.h"

Document::~Document() = default;

void Document::emptyDocument()
{
    filename_.clear();
    fileFormat_.clear();
}
