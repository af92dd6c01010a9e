// The one place where documents reach the application delegate.

#include "document/DocumentDelegate.h"

#include "app/Layvane.h"

DocumentDelegate* documentDelegate() { return Main; }

std::string documentString(const std::string& key) { return Main ? Main->valueForStringKey(key) : key; }

Preferences* documentPreferences() { return Main ? Main->preferences() : nullptr; }

PageView* delegateMainPageView() { return Main ? Main->mainPageView() : nullptr; }

void setDelegateMainPageView(PageView* view)
{
    if (Main)
        Main->setMainPageView(view);
}
