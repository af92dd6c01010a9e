#pragma once

// What documents ask of the application delegate about their own lives: the
// list of open documents (which owns them), the notices when one is made,
// saved or closed, whether a file is being opened, and the accessory panels
// of the save panel. The delegate implements it; the document reaches it
// (and the few other services of the delegate it uses) only through the
// functions below, so that the delegate itself stays out of this folder.

#include <memory>
#include <string>
#include <vector>

namespace kit {
class Panel;
}
class DocumentView;
class LayoutDocument;
class Preferences;

class DocumentDelegate {
public:
    virtual ~DocumentDelegate() = default;

    // The open documents in the order they joined the list.
    virtual std::vector<LayoutDocument*> documents() const = 0;
    // The list takes the document (a document already there is not added
    // twice).
    virtual void addDocument(std::unique_ptr<LayoutDocument> document) = 0;
    // Takes the document off the list and hands it back; nil when it was
    // not listed.
    virtual std::unique_ptr<LayoutDocument> removeDocument(LayoutDocument* document) = 0;

    // After a document was made or opened (nil when an open failed).
    virtual void documentDidCreate(LayoutDocument* document) = 0;
    // The panels forget what they showed of the document, which leaves the
    // list: it is handed back (nil when it was not listed) for the caller
    // to free once it has finished closing it.
    virtual std::unique_ptr<LayoutDocument> documentDidClose(LayoutDocument* document) = 0;
    virtual void documentDidSave(LayoutDocument* document) = 0;

    // The view of the main window; making a view the main one makes its
    // document the main document.
    virtual DocumentView* mainDocumentView() const = 0;
    virtual void setMainDocumentView(DocumentView* view) = 0;

    // Whether the delegate is opening a document file right now.
    virtual void setOpeningFile(bool flag) = 0;
    virtual bool openingFile() const = 0;

    // Panels whose content view the save panel shows as its accessory while
    // a document is saved as a document or as a template; nil for none.
    virtual kit::Panel* saveAsAccessoryPanel() = 0;
    virtual kit::Panel* saveAsTemplateAccessoryPanel() = 0;
};

// The application delegate's document services; nil without a delegate.
DocumentDelegate* documentDelegate();
// The string table's text for the key ("Missing String Key" when the table
// has none; the key itself without a delegate).
std::string documentString(const std::string& key);
// The application's preferences; nil without a delegate.
Preferences* documentPreferences();
// The delegate's main page view, and making a view the main one; nothing
// without a delegate.
DocumentView* delegateMainView();
void setDelegateMainView(DocumentView* view);
