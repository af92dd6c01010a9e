// In-line graphics: a special word of type 101 that holds a placed picture
// item, takes its size from it, sits on the baseline by the offsets of the
// picture's EPS comments, draws it in the line, stands for it in the
// document's graphic-links list and passes its questions on to it.

#include "text/TextWordSpecial.h"

#include "core/ProcessInfo.h"
#include "foundation/StyleChar.h"
#include "graphics/DrawContext.h"
#include "graphics/EPSImageRep.h"
#include "graphics/Font.h"
#include "items/TextItem.h"
#include "text/TextDocument.h"
#include "text/TextFlow.h"
#include "text/TextParagraph.h"

#include <charconv>
#include <cmath>

namespace {

// Offsets larger than a page (or than any EPS box may be) say nothing sound.
constexpr float MaxOffset = 14400.0f;

// Whether two lengths differ by a whole point or more.
bool differsByAPoint(float a, float b)
{
    const float d = a - b;
    return !std::isfinite(d) || std::trunc(d) != 0.0f;
}

// Up to four numbers as "%f %f %f %f" reads them: blanks before each, stop
// at the first that does not read. A value that is not finite or is
// oversized reads as 0.
void readNumbers(std::string_view text, float (&out)[4])
{
    std::size_t i = 0;
    for (float& value : out) {
        while (i < text.size() && (text[i] == ' ' || text[i] == '\t'))
            ++i;
        double v = 0;
        const char* start = text.data() + i;
        const auto [next, error] = std::from_chars(start, text.data() + text.size(), v);
        if (error != std::errc() || next == start)
            return;
        i += static_cast<std::size_t>(next - start);
        value = std::isfinite(v) && std::fabs(v) <= MaxOffset ? static_cast<float>(v) : 0.0f;
    }
}

} // namespace

std::unique_ptr<TextWordSpecial> TextWordSpecial::initFromSourceFileName(InlineImage::Source source,
                                                                         bool makeSymLink, std::string* error)
{
    auto word = std::make_unique<TextWordSpecial>(TextWordGraphic);
    const InlineImage::Factory& make = InlineImage::factory();
    std::shared_ptr<kit::Object> picture = make ? make(std::move(source), makeSymLink, error) : nullptr;
    if (!picture) {
        if (!make && error)
            *error = "pictures cannot be placed";
        return nullptr;
    }
    word->setObjectReference(std::move(picture));
    word->watchPicture();
    word->_initGraphic();
    return word;
}

Item* TextWordSpecial::graphicItem() const
{
    return wordType_ == TextWordGraphic ? dynamic_cast<Item*>(objectReference()) : nullptr;
}

InlineImage* TextWordSpecial::inlineImage() const
{
    return wordType_ == TextWordGraphic ? dynamic_cast<InlineImage*>(objectReference()) : nullptr;
}

void TextWordSpecial::watchPicture()
{
    InlineImage* picture = inlineImage();
    if (!picture)
        return;
    kit::WeakLink<TextWordSpecial> self(this);
    picture->setPictureReadyObserver([self] {
        TextWordSpecial* word = self.get();
        TextItem* column = word ? word->textItem() : nullptr;
        TextDocument* document = column ? column->textDocument() : nullptr;
        if (!document)
            return;
        std::vector<kit::Object*> items{column};
        document->notifyUpdate(nullptr, &items);
    });
}

void TextWordSpecial::registerLink(TextDocument* document)
{
    // Once: a word typed in is listed as it is inserted, and resolving its
    // document's pages later must not list it twice.
    if (!document || wordType_ != TextWordGraphic || listedIn_.get() == document)
        return;
    document->addLink(this);
    listedIn_ = document;
}

void TextWordSpecial::getEPSOffset(const kit::ImageRep* rep, bool flip, float* x, float* y, float* width,
                                   float* fourth)
{
    float v[4] = {0, 0, 0, 0};
    bool baseline = false, found = false;
    if (const auto* eps = dynamic_cast<const kit::EPSImageRep*>(rep)) {
        const std::string& data = eps->EPSRepresentation();
        std::string_view text(data);
        std::size_t pos = 0;
        while (pos < text.size() && !found) {
            std::size_t end = text.find_first_of("\r\n", pos);
            const std::string_view line = text.substr(pos, end == std::string_view::npos ? end : end - pos);
            if (line.substr(0, 13) == "%%EndComments")
                break;
            for (const std::string_view key : {std::string_view("%%Translation:"), std::string_view("%%Baseline:")}) {
                if (line.substr(0, key.size()) == key) {
                    readNumbers(line.substr(key.size()), v);
                    baseline = key == "%%Baseline:";
                    found = true;
                    break;
                }
            }
            if (end == std::string_view::npos)
                break;
            pos = end + 1;
        }
    }
    if (found) {
        v[1] = -v[1];
        if (baseline && flip)
            v[1] = -v[1];
    }
    *x = v[0];
    *y = v[1];
    *width = v[2];
    *fourth = v[3];
}

TextWordSpecial* TextWordSpecial::_initGraphic()
{
    Item* item = graphicItem();
    if (std::string(text()) != " ")
        setText(" ");
    kit::Size size{};
    if (item) {
        const kit::Size natural = item->originalFrame().size;
        const kit::Size target{natural.width * scaleX_, natural.height * scaleY_};
        size = item->size();
        if (differsByAPoint(size.width, target.width) || differsByAPoint(size.height, target.height)) {
            item->sizeTo(target.width, target.height, false);
            size = target;
        }
    }
    wordPieceInfo_[0].height = size.height;
    float fourth = 0;
    getEPSOffset(inlineImage() ? inlineImage()->bestRepresentationForDevice() : nullptr, baselineFlip(), &offX_,
                 &offY_, &tabLocation_, &fourth);
    offY_ *= scaleY_;
    descent_ = -offY_;
    offY_ = size.height + offY_;
    tabLocation_ *= scaleX_;
    const float width = tabLocation_ != 0.0f ? tabLocation_ : size.width;
    graphicWidth_ = size.width;
    setWidthOfChar(width, 0);
    setScreenWidthOfChar(width, 0);
    setXWidth(width);
    setScreenWidth(width);
    computeWithStyle(nullptr);
    return this;
}

void TextWordSpecial::forwardToImage(const std::function<void(Item&)>& operation)
{
    Item* item = graphicItem();
    if (!item)
        return;
    const kit::Size before = item->size();
    operation(*item);
    const kit::Size after = item->size();
    if (!differsByAPoint(after.width, before.width) && !differsByAPoint(after.height, before.height))
        return;
    item->getScale(&scaleX_, &scaleY_);
    computeWithStyle(nullptr);
    if (paragraph_) {
        paragraph_->forceDirty();
        paragraph_->recompute();
    }
}

void TextWordSpecial::replaceFilenameWith(const std::string& path)
{
    InlineImage* picture = inlineImage();
    if (!picture)
        return;
    picture->replaceFilenameWith(path);
    if (scaleX_ == 0.0f)
        scaleX_ = 1.0f;
    if (scaleY_ == 0.0f)
        scaleY_ = 1.0f;
    _initGraphic();
    if (paragraph_)
        paragraph_->recompute();
}

TextWordSpecial* TextWordSpecial::reinitFromPasteboard(const std::string& pasteboardName)
{
    if (Item* item = graphicItem())
        item->reinitFromPasteboard(pasteboardName);
    _initGraphic();
    if (paragraph_)
        paragraph_->recompute();
    return this;
}

// ---- The links list's questions.

std::optional<std::string> TextWordSpecial::filename() const
{
    const auto* picture = dynamic_cast<const GraphicLink*>(objectReference());
    return picture ? picture->filename() : std::nullopt;
}

bool TextWordSpecial::isLinked() const
{
    const InlineImage* picture = inlineImage();
    return picture && picture->isLinked();
}

bool TextWordSpecial::cantFind() const
{
    const InlineImage* picture = inlineImage();
    return picture ? picture->cantFind() : true;
}

bool TextWordSpecial::needsChecking() const
{
    const InlineImage* picture = inlineImage();
    return picture && picture->needsChecking();
}

void TextWordSpecial::setNeedsChecking(bool flag)
{
    if (InlineImage* picture = inlineImage())
        picture->setNeedsChecking(flag);
}

std::int32_t TextWordSpecial::filesize() const
{
    const InlineImage* picture = inlineImage();
    return picture ? picture->filesize() : 0;
}

std::optional<double> TextWordSpecial::lastModifyTime() const
{
    const InlineImage* picture = inlineImage();
    return picture ? picture->lastModifyTime() : std::optional<double>(kit::ProcessInfo::currentTime());
}

TextDocument* TextWordSpecial::linkDocument() const
{
    TextItem* column = textItem();
    return column ? column->textDocument() : nullptr;
}

bool TextWordSpecial::checkSelfInView(DocumentView* view, const kit::Rect& bounds, const kit::Rect& update)
{
    (void)view;
    (void)update;
    InlineImage* picture = inlineImage();
    if (!picture || !picture->needsChecking())
        return true;
    // The picture moves with its text: the column that shows it stands for
    // its place on the page.
    if (TextItem* column = textItem()) {
        kit::Rect shown{};
        column->getUpdateBounds(&shown, nullptr);
        if (!kit::intersectsRect(shown, bounds))
            return true;
    }
    return picture->checkFileInfoWithForce(false);
}
