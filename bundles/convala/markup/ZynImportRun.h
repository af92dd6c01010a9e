#pragma once

// One import into a document: what the import handlers keep for the length
// of the read, and nothing longer. Handlers reach it from every element
// (dynamic_cast of ZynMarkupElement::dispatchRun()).

#include "bundles/convala/markup/ZynDispatchRun.h"

#include <memory>
#include <vector>

namespace kit {
class FileWrapper;
}
class LayoutDocument;
class RTFContext;
class StyleChar;
class ZynImportRun;

// What a format's reader keeps for the length of one read (it derives its
// own class).
class ZynReaderState {
public:
    virtual ~ZynReaderState();
    // The run's groups, as the dispatcher reports them.
    virtual void groupOpened(ZynImportRun&) {}
    virtual void groupClosed(ZynImportRun&) {}
};

// How the data reaches the import: a file being opened (which may set the
// document's pages up) or pasted data, and the folder an RTFD came in,
// where its pictures are.
struct ZynImportOptions {
    bool openingFile = false;
    const kit::FileWrapper* contents = nullptr;
};

class ZynImportRun : public ZynDispatchRun {
public:
    // Run kinds, as _resetAfterDispatch: takes them.
    static constexpr int RTFRun = 1;
    static constexpr int ICFRun = 2;
    static constexpr int HTMLRun = 3;
    // The read position at which the text handlers first lay out the text
    // read so far and show progress.
    static constexpr long InitialDispatchThreshold = 8192;

    ZynImportRun(LayoutDocument& document, RTFContext& context, int kind)
        : document_(document), context_(context), kind_(kind)
    {
    }
    ~ZynImportRun() override;

    void groupOpened() override
    {
        if (readerState_)
            readerState_->groupOpened(*this);
    }
    void groupClosed() override
    {
        if (readerState_)
            readerState_->groupClosed(*this);
    }

    LayoutDocument& document() const { return document_; }
    RTFContext& context() const { return context_; }
    int kind() const { return kind_; }

    long dispatchThreshold() const { return dispatchThreshold_; }
    void setDispatchThreshold(long threshold) { dispatchThreshold_ = threshold; }

    // The handlers' own state: a style sheet being read, and the character
    // styles of the groups open in the text.
    bool processingStyles() const { return processingStyles_; }
    void setProcessingStyles(bool flag) { processingStyles_ = flag; }
    std::vector<std::unique_ptr<StyleChar>>& charStyleStack() { return charStyleStack_; }

    const ZynImportOptions& options() const { return options_; }
    void setOptions(const ZynImportOptions& options) { options_ = options; }
    ZynReaderState* readerState() const { return readerState_.get(); }
    void setReaderState(std::unique_ptr<ZynReaderState> state) { readerState_ = std::move(state); }

private:
    LayoutDocument& document_;
    RTFContext& context_;
    int kind_;
    long dispatchThreshold_ = InitialDispatchThreshold;
    bool processingStyles_ = false;
    ZynImportOptions options_;
    std::unique_ptr<ZynReaderState> readerState_;
    std::vector<std::unique_ptr<StyleChar>> charStyleStack_;
};
