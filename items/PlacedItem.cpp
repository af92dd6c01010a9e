#include "items/PlacedItem.h"

#include "core/Alert.h"
#include "core/Archiver.h"
#include "core/FileManager.h"
#include "core/Pasteboard.h"
#include "core/ProcessInfo.h"
#include "document/LayoutDocument.h"
#include "document/Page.h"
#include "foundation/ApplicationDelegate.h"
#include "foundation/CMGeometry.h"
#include "foundation/FileManagerExtensions.h"
#include "foundation/PboardTypes.h"
#include "foundation/Preferences.h"
#include "foundation/StyleGraphic.h"
#include "graphics/BitmapImageRep.h"
#include "graphics/EPSImageRep.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <fstream>

namespace {

// Ratios this close count as equal: the picture is shown undistorted.
constexpr float RatioSlack = 5e-5f;

// The one place this class asks the application delegate.
Preferences* preferences() { return Main ? Main->preferences() : nullptr; }

std::string stringForKey(const std::string& key) { return Main ? Main->valueForStringKey(key) : key; }

double now() { return kit::ProcessInfo::currentTime(); }

// Where the comments may be read: EPS data longer than 514 bytes must show a
// line end within them (a binary file has none); shorter data may be one
// line. False when the data is not to be read.
bool readableComments(std::string_view eps)
{
    const std::string_view head = eps.substr(0, 514);
    return eps.size() <= 514 || head.find_first_of("\r\n") != std::string_view::npos;
}

// The lines of the data, each without its line end; lines end in CR, LF or
// CR LF. The last line counts only when a line end follows it, as the
// comments are read (a comment cut off by the end of the data is not
// trusted). Stops when f answers false.
template <class F>
void forEachEndedLine(std::string_view data, F&& f)
{
    std::size_t pos = 0;
    while (pos < data.size()) {
        const std::size_t end = data.find_first_of("\r\n", pos);
        if (end == std::string_view::npos)
            return;
        if (!f(data.substr(pos, end - pos)))
            return;
        pos = end + 1;
        if (data[end] == '\r' && pos < data.size() && data[pos] == '\n')
            ++pos;
    }
}

bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v'; }

// The text read as "%s - %s" reads it: a word, blanks, "-", blanks, a
// word. Answers the first word when all of it matched.
std::optional<std::string> firstOfHyphenPair(std::string_view text)
{
    std::size_t i = 0;
    while (i < text.size() && isBlank(text[i]))
        ++i;
    const std::size_t start = i;
    while (i < text.size() && !isBlank(text[i]))
        ++i;
    if (i == start)
        return std::nullopt;
    const std::string first(text.substr(start, i - start));
    while (i < text.size() && isBlank(text[i]))
        ++i;
    if (i >= text.size() || text[i] != '-')
        return std::nullopt;
    ++i;
    while (i < text.size() && isBlank(text[i]))
        ++i;
    if (i >= text.size())
        return std::nullopt;
    return first;
}

} // namespace

// ---- Set-up and creation.

void PlacedItem::initialize()
{
    kit::registerClass<PlacedItem>("PlacedItem");
    kit::Image::initialize();
    InlineImage::factory() = [](InlineImage::Source source, bool makeSymLink,
                                std::string* error) -> std::shared_ptr<kit::Object> {
        switch (source.kind) {
        case InlineImage::Source::Kind::Path:
            return initWithContentsOfFile(source.text, makeSymLink, error, Defaults::None);
        case InlineImage::Source::Kind::Data:
            return initFromStream(source.text, error, Defaults::None);
        case InlineImage::Source::Kind::Image: {
            auto item = initWithImage(std::move(source.image), Defaults::None);
            if (!item && error)
                *error = "the image has no picture";
            return item;
        }
        case InlineImage::Source::Kind::None:
            break;
        }
        if (error)
            *error = "no picture was given";
        return nullptr;
    };
}

PlacedItem::PlacedItem(Defaults defaults)
{
    adoptGraphicStyle(std::make_unique<StyleGraphic>());
    graphicStyle()->setHasFill(false);
    graphicStyle()->setHasLine(false);
    if (defaults == Defaults::Preferences)
        initPreferenceDefaults();
}

PlacedItem::~PlacedItem()
{
    // The entries' images must not call back into a half-destroyed item.
    for (PZInfo& entry : images_)
        if (entry.image) {
            entry.image->setDelegate(nullptr);
            entry.image->setReadyHandler(nullptr);
        }
}

void PlacedItem::initPreferenceDefaults()
{
    const Preferences* prefs = preferences();
    if (!prefs)
        return;
    StyleGraphic* style = graphicStyle();
    if (prefs->hasFill()) {
        style->setFillColor(kit::Color::whiteColor());
        style->setHasFill(true);
    }
    if (prefs->hasLine()) {
        style->setLineWidth(prefs->lineWidth());
        style->setLineColor(kit::Color::colorWithDeviceCyan(0, 0, 0, 1, 1));
        style->setHasLine(true);
    }
}

std::unique_ptr<kit::Image> PlacedItem::imageFromData(std::string_view data, std::string* error)
{
    std::string why;
    auto image = kit::Image::imageWithData(data, &why);
    if (!image) {
        if (error)
            *error = why.empty() ? "the data holds no picture" : why;
        return nullptr;
    }
    image->setDataRetained(true);
    return image;
}

void PlacedItem::startCache()
{
    images_.clear();
    itFlags_.manyViews = 0;
    if (sourceImage_)
        images_.push_back(_newPZInfo(sourceImage_->copy(), 1.0f));
}

std::shared_ptr<PlacedItem> PlacedItem::initWithContentsOfFile(const std::string& path, bool makeSymLink,
                                                               std::string* error, Defaults defaults)
{
    auto fail = [&](const std::string& why) -> std::shared_ptr<PlacedItem> {
        if (error)
            *error = why;
        return nullptr;
    };
    const auto attributes = kit::FileManager::fileAttributesAtPath(path);
    if (!attributes || attributes->type != kit::FileType::Regular)
        return fail("cannot read the file");
    if (attributes->size > kit::Image::maxFileBytes)
        return fail("the file is too large for a picture");
    // Converted first, so that the picture holds what the file now holds.
    if (!checkLineEndings(path))
        return fail(std::string());
    // Copied, never mapped: the user's file may be cut short later.
    const std::optional<std::string> bytes = kit::FileManager::contentsAtPath(path);
    if (!bytes)
        return fail("cannot read the file");
    std::string why;
    std::unique_ptr<kit::Image> image = imageFromData(*bytes, &why);
    if (!image)
        return fail(why);

    auto item = std::make_shared<PlacedItem>(defaults);
    item->filename_ = path;
    item->piFlags_.isLinked = makeSymLink;
    item->sourceImage_ = std::move(image);
    item->startCache();
    const kit::Size natural = item->sourceImage_->size();
    item->setFrameSize(natural);
    if (natural.width != 0.0f && natural.height != 0.0f)
        item->naturalRatio_ = natural.width / natural.height;
    item->calcFileInfo();
    return item;
}

std::shared_ptr<PlacedItem> PlacedItem::initWithImage(std::unique_ptr<kit::Image> image, Defaults defaults)
{
    if (!image || !image->isValid())
        return nullptr;
    image->setDataRetained(true);
    auto item = std::make_shared<PlacedItem>(defaults);
    item->piFlags_.isLinked = 0;
    std::optional<std::string> name;
    if (dynamic_cast<kit::BitmapImageRep*>(image->lastRepresentation())) {
        name = "Image.tiff";
    } else if (auto* eps = dynamic_cast<kit::EPSImageRep*>(image->bestRepresentationForDevice())) {
        name = getEPSFilename(eps->EPSRepresentation());
    }
    if (!name)
        name = "Image.eps";
    item->sourceImage_ = std::move(image);
    item->setFilename(uniqueEmbeddedFilename(name, std::nullopt));
    item->startCache();
    const kit::Size natural = item->sourceImage_->size();
    item->setFrameSize(natural);
    if (natural.width != 0.0f && natural.height != 0.0f)
        item->naturalRatio_ = natural.width / natural.height;
    item->lastModifyTime_ = now();
    item->calcFileInfo();
    return item;
}

std::shared_ptr<PlacedItem> PlacedItem::initFromStream(std::string_view data, std::string* error, Defaults defaults)
{
    std::unique_ptr<kit::Image> image = imageFromData(data, error);
    if (!image)
        return nullptr;
    auto item = initWithImage(std::move(image), defaults);
    if (item)
        item->filesize_ = static_cast<std::int32_t>(std::min<std::size_t>(data.size(), INT32_MAX));
    return item;
}

bool PlacedItem::checkLineEndings(const std::string& path)
{
    // The first two characters and at most 1025 after them, as many as the
    // file holds.
    std::string head(1027, '\0');
    {
        std::ifstream in(path, std::ios::binary);
        if (!in)
            return true;
        in.read(head.data(), static_cast<std::streamsize>(head.size()));
        head.resize(static_cast<std::size_t>(std::max<std::streamsize>(0, in.gcount())));
    }
    if (head.size() < 2 || head.compare(0, 2, "%!") != 0)
        return true;
    if (head.find('\r', 2) == std::string::npos)
        return true;

    kit::beep();
    const int answer = kit::runAlertPanel(stringForKey("Import"), stringForKey("CarriageReturns"),
                                          stringForKey("Convert"), stringForKey("Continue"), stringForKey("Cancel"),
                                          {path});
    if (answer == kit::AlertOtherReturn)
        return false;
    if (answer == kit::AlertAlternateReturn)
        return true;

    // The converted file is written whole under a temporary name and only
    // then takes the file's place, so that a failure at any step leaves the
    // user's file as it was, under its own name; the original is kept
    // beside it with ".orig" added.
    const std::optional<std::string> original = kit::FileManager::contentsAtPath(path);
    bool converted = false;
    if (original) {
        std::string out;
        out.reserve(original->size());
        for (std::size_t i = 0; i < original->size(); ++i) {
            const char c = (*original)[i];
            if (c == '\r') {
                out.push_back('\n');
                if (i + 1 < original->size() && (*original)[i + 1] == '\n')
                    ++i;
            } else {
                out.push_back(c);
            }
        }
        converted = kit::FileManager::writeFileAtomically(path + ".orig", *original) &&
                    kit::FileManager::writeFileAtomically(path, out);
    }
    if (converted)
        return true;
    kit::beep();
    kit::runAlertPanel(stringForKey("Import"), stringForKey("ConvertError"), std::string(), std::string(),
                       std::string());
    return false;
}

void PlacedItem::reinitWithImage(std::unique_ptr<kit::Image> image)
{
    if (!image)
        return;
    image->setDataRetained(true);
    piFlags_.isLinked = 0;
    sourceImage_ = std::move(image);
    startCache();
    if (frame_.size.width != 0.0f && frame_.size.height != 0.0f)
        naturalRatio_ = frame_.size.width / frame_.size.height;
    lastModifyTime_ = now();
    readCustomColors_ = 0;
    calcFileInfo();
}

bool PlacedItem::reinitFromStream(std::string_view data, std::string* error)
{
    std::unique_ptr<kit::Image> image = imageFromData(data, error);
    if (!image)
        return false;
    reinitWithImage(std::move(image));
    filesize_ = static_cast<std::int32_t>(std::min<std::size_t>(data.size(), INT32_MAX));
    return true;
}

Item* PlacedItem::reinitFromPasteboard(const std::string& pasteboardName)
{
    kit::Pasteboard& pboard = kit::Pasteboard::pasteboardWithName(pasteboardName);
    const std::string type = getPasteType(pboard.types());
    if (type != kit::PostScriptPboardType && type != kit::TIFFPboardType) {
        std::printf("reinitFromPasteboard: not a reinitable type\n");
        return nullptr;
    }
    const std::optional<std::string> data = pboard.dataForType(type);
    if (!data) {
        std::printf("reinitFromPasteboard: unable to read stream from pboard\n");
        return nullptr;
    }
    return reinitFromStream(*data) ? this : nullptr;
}

// ---- State.

void PlacedItem::setFilename(const std::optional<std::string>& name)
{
    filename_ = name;
    calcFileInfo();
}

std::optional<std::string> PlacedItem::resolvedname() const
{
    return piFlags_.cantFind ? std::nullopt : filename_;
}

void PlacedItem::pleaseListFlows(std::vector<TextFlow*>& flows, std::vector<Item*>& images)
{
    (void)flows;
    if (std::find(images.begin(), images.end(), this) == images.end())
        images.push_back(this);
}

float PlacedItem::currentRatio() const
{
    return frame_.size.height == 0.0f ? naturalRatio_ : frame_.size.width / frame_.size.height;
}

bool PlacedItem::isEPSFile() const
{
    return dynamic_cast<kit::EPSImageRep*>(bestRepresentationForDevice()) != nullptr;
}

kit::ImageRep* PlacedItem::bestRepresentationForDevice() const
{
    const kit::Image* first = images_.empty() ? nullptr : images_.front().image.get();
    return first ? first->bestRepresentationForDevice() : nullptr;
}

kit::ImageRep* PlacedItem::_getImageRep() const
{
    // The representation that is drawn (the largest page of a TIFF file),
    // so that the natural box and the drawing agree.
    for (auto entry = images_.rbegin(); entry != images_.rend(); ++entry)
        if (entry->image && entry->image->bestRepresentationForDevice())
            return entry->image->bestRepresentationForDevice();
    return nullptr;
}

bool PlacedItem::_getBoundingBox(kit::Rect* box) const
{
    *box = kit::Rect{};
    const kit::ImageRep* rep = _getImageRep();
    if (!rep)
        return false;
    if (const auto* eps = dynamic_cast<const kit::EPSImageRep*>(rep)) {
        *box = eps->boundingBox();
        return !kit::isEmptyRect(*box);
    }
    *box = {{0, 0}, rep->size()};
    return true;
}

kit::Rect PlacedItem::originalFrame() const
{
    kit::Rect box{};
    _getBoundingBox(&box);
    return box;
}

bool PlacedItem::getScale(float* sx, float* sy) const
{
    *sx = 1.0f;
    *sy = 1.0f;
    kit::Rect box{};
    if (_getBoundingBox(&box) && box.size.width != 0.0f && box.size.height != 0.0f) {
        *sx = frame_.size.width / box.size.width;
        *sy = frame_.size.height / box.size.height;
    }
    if (std::fabs(*sx - *sy) < RatioSlack)
        *sy = *sx;
    return true;
}

bool PlacedItem::shouldResizeNaturally() const
{
    return frame_.size.height == 0.0f || std::fabs(currentRatio() - naturalRatio_) <= RatioSlack;
}

void PlacedItem::makeNatural()
{
    if (isTransformed() || std::fabs(currentRatio() - naturalRatio_) > RatioSlack)
        _makeNatural(true);
}

void PlacedItem::_makeNatural(bool resetMatrix)
{
    if (naturalRatio_ == 0.0f || !std::isfinite(naturalRatio_))
        return;
    float m[4], inverse[4];
    getMatrix(m);
    invertMatrix(m, inverse);
    const kit::Point origin = frame_.origin;
    kit::Point centre{frame_.origin.x + frame_.size.width / 2, frame_.origin.y + frame_.size.height / 2};
    applyMatrixToPoint(&centre, &origin, m);
    kit::Point newOrigin = origin;
    applyMatrixToPoint(&newOrigin, &centre, inverse);
    kit::Size size = frame_.size;
    if (currentRatio() < naturalRatio_)
        size.height = size.width / naturalRatio_;
    else
        size.width = size.height * naturalRatio_;
    if (resetMatrix && isTransformed())
        setMatrix(identity);
    // The next screen drawing compares a linked file again (and reads it).
    piFlags_.needsChecking = 1;
    lastModifyTime_ = now();
    setFrameSize(size);
    setFrameOrigin(newOrigin);
    if (isTransformed())
        calcInfo();
}

void PlacedItem::flip(int direction)
{
    Item::flip(direction);
    piFlags_.needsChecking = 1;
    lastModifyTime_ = now();
}

void PlacedItem::calcUpdateBounds(kit::Rect* rect) const
{
    const StyleGraphic* style = graphicStyle();
    // The frame line is centred on the frame; the empty-frame form draws a
    // hairline on it.
    const float grow = style && style->hasLine() ? 1.0f + style->lineWidth() / 2.0f : 1.0f;
    *rect = kit::insetRect(*rect, -grow, -grow);
    Item::calcUpdateBounds(rect);
}

TextDocument* PlacedItem::linkDocument() const { return document(); }

void PlacedItem::resolveInDocument(TextDocument* textDocument)
{
    auto* document = dynamic_cast<LayoutDocument*>(textDocument);
    if (!page() && document)
        setPage(document->masterPage());
    calcFileInfo();
    _getEPSCustomColors(bestRepresentationForDevice(), document);
}

void PlacedItem::audit(int indent) const
{
    Item::audit(indent);
    std::printf("\t%s", filename_ ? filename_->c_str() : "(null)");
    if (piFlags_.isLinked)
        std::printf(" linked");
    if (piFlags_.cantFind)
        std::printf(" cantFind");
    std::printf("\n");
}

// ---- EPS comments.

std::optional<std::string> PlacedItem::getEPSFilename(std::string_view eps)
{
    if (eps.empty() || !readableComments(eps))
        return std::nullopt;
    std::optional<std::string_view> title;
    forEachEndedLine(eps, [&](std::string_view line) {
        if (line.substr(0, 8) != "%%Title:")
            return true;
        title = line.substr(8);
        return false;
    });
    if (!title)
        return std::nullopt;
    std::string_view text = *title;
    while (!text.empty() && text.front() == ' ')
        text.remove_prefix(1);
    if (text.empty() || text.size() > 1023)
        return std::nullopt;
    // The title is text: a NUL byte ends it.
    text = text.substr(0, text.find('\0'));
    if (std::optional<std::string> first = firstOfHyphenPair(text)) {
        // A name, never a path: the picture's file lies in the document.
        std::string word = *first;
        word.erase(0, word.rfind('/') == std::string::npos ? 0 : word.rfind('/') + 1);
        if (word.empty())
            return std::nullopt;
        return word + ".eps";
    }
    if (const std::size_t open = text.rfind('('); open != std::string_view::npos)
        text = text.substr(open + 1);
    if (const std::size_t slash = text.rfind('/'); slash != std::string_view::npos)
        text = text.substr(slash + 1);
    if (text.empty())
        return std::nullopt;
    text = text.substr(0, text.find(')'));
    // Nothing but ")" is no name either.
    if (text.empty())
        return std::nullopt;
    std::string name(text);
    if (name.find('.') == std::string::npos)
        name += ".eps";
    return name;
}

std::vector<std::string> PlacedItem::customColorNames(std::string_view eps)
{
    std::vector<std::string> names;
    if (eps.empty() || !readableComments(eps))
        return names;
    bool inRun = false;
    forEachEndedLine(eps, [&](std::string_view line) {
        std::string_view rest;
        if (line.substr(0, 18) == "%%CMYKCustomColor:") {
            inRun = true;
            rest = line.substr(18);
        } else if (inRun && line.substr(0, 3) == "%%+") {
            const std::size_t space = line.find(' ');
            rest = space == std::string_view::npos ? std::string_view() : line.substr(space + 1);
        } else {
            inRun = false;
            return true;
        }
        const std::size_t open = rest.find('(');
        if (open == std::string_view::npos)
            return true;
        std::string_view name = rest.substr(open + 1);
        if (name.empty() || name.size() > 1023)
            return true;
        name = name.substr(0, name.find(')'));
        if (!name.empty())
            names.emplace_back(name);
        return true;
    });
    return names;
}

bool PlacedItem::_getEPSCustomColors(const kit::ImageRep* rep, LayoutDocument* document)
{
    const auto* eps = dynamic_cast<const kit::EPSImageRep*>(rep);
    if (!eps)
        return false;
    const std::string& data = eps->EPSRepresentation();
    if (data.empty())
        return true;
    readCustomColors_ = 1;
    if (!document)
        return true;
    for (const std::string& name : customColorNames(data))
        document->addCustomColor(name);
    return true;
}
