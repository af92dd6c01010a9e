#include "view/TimeDateTokenController.h"

#include "foundation/ApplicationDelegate.h"
#include "foundation/Preferences.h"

#include <algorithm>

namespace {

// Formats in the escapes ZYNStrfTime resolves.
const char* const dateFormats[] = {"%B %D, %Y", "%n/%D/%y", "%D %B %Y", "%A, %B %D, %Y", "%Y-%m-%d"};
const char* const timeFormats[] = {"%i:%M %p", "%H:%M", "%H:%M:%S", "%i:%M:%S %p"};

} // namespace

void TimeDateTokenController::initialize()
{
    TimeDateFormatPanel::maker() = [] { return std::make_unique<TimeDateTokenController>(); };
}

TimeDateTokenController::Runner& TimeDateTokenController::runner()
{
    static Runner run;
    return run;
}

int TimeDateTokenController::runForDocument(LayoutDocument* document, int type)
{
    document_ = document;
    type_ = type == Date ? Date : Time;
    formats_.clear();
    if (Main) {
        Preferences* preferences = Main->preferences();
        std::string preferred = type_ == Date ? preferences->defaultDateFormat() : preferences->defaultTimeFormat();
        if (!preferred.empty())
            formats_.push_back(std::move(preferred));
    }
    if (type_ == Date)
        formats_.insert(formats_.end(), std::begin(dateFormats), std::end(dateFormats));
    else
        formats_.insert(formats_.end(), std::begin(timeFormats), std::end(timeFormats));
    // The preferred format is listed once.
    if (formats_.size() > 1) {
        auto dup = std::find(formats_.begin() + 1, formats_.end(), formats_.front());
        if (dup != formats_.end())
            formats_.erase(dup);
    }
    format_ = formats_.front();
    return runner() ? runner()(*this) : Cancelled;
}
