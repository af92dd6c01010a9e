#include "items/TimeDateFormatPanel.h"

TimeDateFormatPanel::Maker& TimeDateFormatPanel::maker()
{
    static Maker make;
    return make;
}
