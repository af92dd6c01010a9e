// The word processor's part of the stored document: the main text column
// and the column count and gutter after the framework's record, and the
// older records written before version 3.0 with their own layout of the
// whole document (window frame and zoom, numbering table, old header and
// footer frames that become markers of the main text).

#include "app/ScrivlyDocument.h"

#include "appkit/Window.h"
#include "core/Coder.h"
#include "core/Exception.h"
#include "document/Guide.h"
#include "document/Page.h"
#include "items/TextItem.h"
#include "text/TextFlow.h"
#include "text/TextParagraph.h"
#include "text/TextPoint.h"
#include "text/TextWordSpecial.h"

#include <algorithm>
#include <cmath>

namespace {

[[noreturn]] void damaged(const std::string& why)
{
    kit::Exception::raise(kit::ArchiverArchiveInconsistencyException, "damaged document: " + why);
}

TextItem* frameObject(kit::Object* object, const char* what)
{
    if (!object)
        return nullptr;
    auto* frame = dynamic_cast<TextItem*>(object);
    if (!frame)
        damaged(std::string("a ") + object->className() + " where the " + what + " was stored");
    return frame;
}

} // namespace


void ScrivlyDocument::encodeWithCoder(kit::Coder& coder) const
{
    LayoutDocument::encodeWithCoder(coder);
    coder.encodeConditionalObject(mainTextItem());
    coder.encodeValuesOfObjCTypes("if", columnCount_, columnGutterWidth_);
}

kit::Object* ScrivlyDocument::initWithCoder(kit::Coder& coder)
{
    if (!readDocumentVersion(coder))
        return nullptr;
    if (!kit::isCurrentFileVersion(coder.openFileVersion()))
        return initWithOlderCoder(coder);
    if (!initWithCurrentCoder(coder))
        return nullptr;
    kit::Object* main = coder.decodeObject();
    int count = 1;
    float gutter = 18.0f;
    coder.decodeValuesOfObjCTypes("if", &count, &gutter);
    const auto isMaster = [this](const kit::Object* object) {
        return std::any_of(masterItems().begin(), masterItems().end(),
                           [object](const auto& item) { return item.get() == object; });
    };
    mainTextItem_ = main && isMaster(main) ? dynamic_cast<TextItem*>(main) : nullptr;
    // Set-up puts a count or gutter that cannot be laid out right.
    columnCount_ = count;
    columnGutterWidth_ = gutter;
    for (const auto& guide : masterGuides())
        guide->setDelegate(this);
    return this;
}

kit::Rect ScrivlyDocument::clampFrameToScreen(const kit::Rect& frame, const kit::Rect& screen)
{
    const auto finite = [](float v) { return std::isfinite(v); };
    if (!finite(frame.origin.x) || !finite(frame.origin.y) || !finite(frame.size.width) ||
        !finite(frame.size.height) || screen.size.width <= 0.0f || screen.size.height <= 0.0f)
        return kit::Rect{};
    kit::Rect clamped = frame;
    clamped.size.width = std::clamp(frame.size.width, 0.0f, screen.size.width);
    clamped.size.height = std::clamp(frame.size.height, 0.0f, screen.size.height);
    const float right = screen.origin.x + screen.size.width - clamped.size.width;
    const float top = screen.origin.y + screen.size.height - clamped.size.height;
    clamped.origin.x = std::clamp(frame.origin.x, screen.origin.x, right);
    clamped.origin.y = std::clamp(frame.origin.y, screen.origin.y, top);
    return clamped;
}

kit::Object* ScrivlyDocument::initWithOlderCoder(kit::Coder& coder)
{
    const float version = coder.openFileVersion();
    short first = 0;
    short format = 0;
    float scale = 0.0f;
    char tile = 0;
    char sided = 0;
    ReadRoot read;
    kit::Object* units = nullptr;
    kit::Object* styles = nullptr;
    coder.decodeValuesOfObjCTypes("ssfcc@@@", &first, &format, &scale, &tile, &sided, &read.printInfo, &units,
                                  &styles);
    setFirstPageNum(first);
    setPageNumberFormat(format);
    setPageScale(std::isfinite(scale) && scale > 0.0f ? scale : 0.0f);
    setModes(tile, sided);
    const kit::Size page = coder.decodeSize();
    const kit::Size paper = coder.decodeSize();
    setPageAndPaperSize(page, paper);
    decodeUnitsAndStyles(units, styles, read);
    read.guides = decodeGuideList(coder.decodeObject());
    read.masters = decodeItemList(coder.decodeObject(), "master items");
    read.pages = decodePageList(coder.decodeObject());

    OldHeaders old;
    if (version < 2.6f) {
        char c[6] = {};
        coder.decodeValuesOfObjCTypes("cccccc", &c[0], &c[1], &c[2], &c[3], &c[4], &c[5]);
        old.header = c[4] != 0;
        old.secondHeader = c[0] != 0;
        old.footer = c[2] != 0;
        old.secondFooter = c[1] != 0;
        old.footerFrame = frameObject(coder.decodeObject(), "footer frame");
        old.headerFrame = frameObject(coder.decodeObject(), "header frame");
        old.secondFooterFrame = frameObject(coder.decodeObject(), "second footer frame");
        old.secondHeaderFrame = frameObject(coder.decodeObject(), "second header frame");
    }
    kit::Object* main = coder.decodeObject();
    if (version >= 2.21f)
        readObjectLinks(coder, read);
    int count = 1;
    float gutter = 18.0f;
    if (version >= 2.5f)
        coder.decodeValuesOfObjCTypes("if", &count, &gutter);
    if (version >= 2.51f) {
        const kit::Rect frame = coder.decodeRect();
        float zoom = 1.0f;
        textPoint point{}; // stored, never applied
        coder.decodeValuesOfObjCTypes("f@iii", &zoom, &read.activeFlow, &point.paragraph, &point.word,
                                      &point.letter);
        // A window stored on a larger screen comes back on this one.
        readViewPlace(zoom, clampFrameToScreen(frame, kit::Window::mainScreenFrame()));
    }
    const bool nameMainText = version < 2.52f;
    if (!nameMainText)
        read.named = decodeItemList(coder.decodeObject(), "named items");
    if (version >= 2.6f) {
        float tab = 36.0f;
        coder.decodeValuesOfObjCTypes("f", &tab);
        setDefaultTabSpacing(std::isfinite(tab) && tab > 0.0f ? tab : 36.0f);
        readNumberingTable(coder);
        read.headers = decodeMarkerList(coder.decodeObject(), "headers", TextWordHeaderMarker);
        read.footers = decodeMarkerList(coder.decodeObject(), "footers", TextWordFooterMarker);
        read.footnotes = decodeMarkerList(coder.decodeObject(), "footnotes", TextWordFootnoteMarker);
    } else {
        setDefaultTabSpacing(36.0f);
    }
    adoptReadObjects(coder, read);

    const auto isMaster = [this](const kit::Object* object) {
        return object && std::any_of(masterItems().begin(), masterItems().end(),
                                     [object](const auto& item) { return item.get() == object; });
    };
    mainTextItem_ = isMaster(main) ? dynamic_cast<TextItem*>(main) : nullptr;
    columnCount_ = count;
    columnGutterWidth_ = gutter;
    for (const auto& guide : masterGuides())
        guide->setDelegate(this);
    if (nameMainText && !pages().empty())
        if (TextItem* column = mainTextItemForPage(pages().front().get()))
            column->setName(std::string("MainText"));
    if (version < 2.6f) {
        // Frames that are not master items of this file are not taken.
        for (kit::WeakLink<TextItem>* frame :
             {&old.footerFrame, &old.headerFrame, &old.secondFooterFrame, &old.secondHeaderFrame})
            if (!isMaster(frame->get()))
                *frame = nullptr;
        // They become markers of the main text once set-up has made sure
        // there is one.
        pendingOldHeaders_ = std::make_unique<OldHeaders>(std::move(old));
    }
    return this;
}

void ScrivlyDocument::convertPendingOldHeaders()
{
    if (std::unique_ptr<OldHeaders> old = std::move(pendingOldHeaders_))
        convertOldHeaders(*old);
}

void ScrivlyDocument::convertOldHeaders(const OldHeaders& old)
{
    TextItem* mainColumn = pages().empty() ? nullptr : mainTextItemForPage(pages().front().get());
    TextFlow* flow = mainColumn ? mainColumn->flow() : nullptr;
    std::vector<std::shared_ptr<Item>> frames(4);
    TextItem* const olds[4] = {old.footerFrame.get(), old.headerFrame.get(), old.secondFooterFrame.get(),
                               old.secondHeaderFrame.get()};
    for (int i = 0; i < 4; ++i)
        if (olds[i] && (i == 0 || std::find(olds, olds + i, olds[i]) == olds + i))
            frames[std::size_t(i)] = removeMasterItem(olds[i]);
    if (!masterPage())
        setMasterPage(std::make_unique<Page>());
    if (!flow)
        return;
    const textPoint start{0, 0, 0};
    flow->setCurrentPoint(&start);
    TextParagraph* paragraph = flow->currentParagraph();
    if (!paragraph)
        return;
    const auto mark = [&](bool header, const std::shared_ptr<Item>& frame, int flags) {
        auto* column = dynamic_cast<TextItem*>(frame.get());
        if (!column)
            return;
        auto* marker = dynamic_cast<TextWordSpecial*>(
            paragraph->addSpecialWord(header ? TextWordHeaderMarker : TextWordFooterMarker));
        if (!marker)
            return;
        marker->setObjectReference(std::shared_ptr<kit::Object>(frame));
        if (header)
            addHeader(marker);
        else
            addFooter(marker);
        column->setMyMaster(marker);
        column->setMasterFlags(flags);
    };
    if (old.header)
        mark(true, frames[1], old.secondHeader ? 1 : 3);
    if (old.header && old.secondHeader)
        mark(true, frames[3], 2);
    if (old.footer)
        mark(false, frames[0], old.secondFooter ? 1 : 3);
    if (old.footer && old.secondFooter)
        mark(false, frames[2], 2);
}
