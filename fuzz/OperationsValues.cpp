#include "OperationsModel.h"

#include "core/Values.h"

void fuzz::ops::registerValueClasses() { kit::registerValueClasses(); }
