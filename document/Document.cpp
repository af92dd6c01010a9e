#include "document/Document.h"

Document::~Document() = default;
