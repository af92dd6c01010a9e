// The one place where documents reach the application delegate.

#include "document/DocumentDelegate.h"

#include "foundation/ApplicationDelegate.h"

DocumentDelegate* documentDelegate() { return dynamic_cast<DocumentDelegate*>(Main); }

std::string documentString(const std::string& key) { return Main ? Main->valueForStringKey(key) : key; }

Preferences* documentPreferences() { return Main ? Main->preferences() : nullptr; }

DocumentView* delegateMainView()
{
    DocumentDelegate* delegate = documentDelegate();
    return delegate ? delegate->mainDocumentView() : nullptr;
}

void setDelegateMainView(DocumentView* view)
{
    if (DocumentDelegate* delegate = documentDelegate())
        delegate->setMainDocumentView(view);
}
