#include "bundles/convala/markup/ZynImportRun.h"

#include "foundation/StyleChar.h"

ZynImportRun::~ZynImportRun() = default;
ZynReaderState::~ZynReaderState() = default;
