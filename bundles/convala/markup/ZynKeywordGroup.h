#pragma once

// A handler group as handler classes keep it: the target object, the
// selector it receives, and its keywords as a list of C strings ended by a
// null entry.

#include "bundles/convala/markup/ZynHandler.h"

#include "core/Object.h"

struct ZynKeywordGroup {
    kit::Object* object = nullptr;
    ZynSelector selector = nullptr;
    const char* const* keywords = nullptr;
};
