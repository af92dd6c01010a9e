#include "core/Values.h"

void registerEditingClasses() { kit::registerValueClasses(); }
