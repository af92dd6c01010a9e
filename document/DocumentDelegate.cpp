// The one place where documents reach the application delegate.

#include "document/DocumentDelegate.h"

#include "foundation/ApplicationDelegate.h"

DocumentDelegate* documentDelegate() { return dynamic_cast<DocumentDelegate*>(Main); }

std::string documentString(const std::string& key) { return Main ? Main->valueForStringKey(key) : key; }

Preferences* documentPreferences() { return Main ? Main->preferences() : nullptr; }

PageView* delegateMainPageView()
{
    DocumentDelegate* delegate = documentDelegate();
    return delegate ? delegate->mainPageView() : nullptr;
}

void setDelegateMainPageView(PageView* view)
{
    if (DocumentDelegate* delegate = documentDelegate())
        delegate->setMainPageView(view);
}
