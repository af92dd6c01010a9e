#include "bundles/convala/markup/ZynDispatchRun.h"

ZynDispatchRun::~ZynDispatchRun() = default;
