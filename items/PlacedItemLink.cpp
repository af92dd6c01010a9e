// The file link of a placed picture: the file's date and size recorded, the
// file compared with the disk and read again when its date changed or it
// came back, the link broken or pointed at another file.

#include "items/PlacedItem.h"

#include "core/FileManager.h"
#include "core/ProcessInfo.h"
#include "document/LayoutDocument.h"
#include "foundation/FileManagerExtensions.h"

#include <algorithm>
#include <climits>
#include <cmath>

namespace {

constexpr float RatioSlack = 5e-5f;

std::int32_t clampedSize(std::uint64_t size)
{
    return static_cast<std::int32_t>(std::min<std::uint64_t>(size, INT32_MAX));
}

} // namespace

void PlacedItem::calcFileInfo()
{
    piFlags_.cantFind = 0;
    piFlags_.errorNoted = 0;
    if (!piFlags_.isLinked)
        return;
    const std::optional<kit::FileAttributes> attributes =
        filename_ ? kit::FileManager::fileAttributesAtPath(*filename_, true) : std::nullopt;
    if (attributes) {
        lastModifyTime_ = attributes->modificationDate;
        filesize_ = clampedSize(attributes->size);
    } else {
        piFlags_.cantFind = 1;
    }
}

bool PlacedItem::checkFileInfoWithForce(bool force)
{
    if (!piFlags_.isLinked)
        return force;
    bool result = force;
    const std::optional<kit::FileAttributes> attributes =
        filename_ && kit::FileManager::fileExistsAtPath(*filename_)
            ? kit::FileManager::fileAttributesAtPath(*filename_, true)
            : std::nullopt;
    if (!attributes) {
        piFlags_.cantFind = 1;
        result = true;
    } else if (piFlags_.cantFind || !lastModifyTime_ || *lastModifyTime_ != attributes->modificationDate) {
        // Changed (a date earlier or later) or back again: read it anew.
        const float oldNatural = naturalRatio_;
        const float current = currentRatio();
        calcFileInfo();
        setUseFromFile();
        result = true;
        const kit::Rect box = originalFrame();
        if (!piFlags_.cantFind && box.size.width != 0.0f && box.size.height != 0.0f) {
            naturalRatio_ = box.size.width / box.size.height;
            // A picture shown undistorted keeps being so; one the user
            // stretched keeps its frame.
            if (std::fabs(current - oldNatural) <= RatioSlack && std::fabs(naturalRatio_ - oldNatural) > RatioSlack) {
                // The file was just read: it keeps its own date, so that the
                // next check does not read it once more.
                const std::optional<double> date = lastModifyTime_;
                _makeNatural(false);
                lastModifyTime_ = date;
            }
        }
    }
    piFlags_.needsChecking = 0;
    if (result)
        if (LayoutDocument* doc = document())
            doc->linksInfo().loadCellForItem(this);
    readCustomColors_ = 0;
    return result;
}

void PlacedItem::setUseFromFile()
{
    if (filename_ && piFlags_.isLinked) {
        // Copied, never mapped: the file may change again under us.
        const std::optional<std::string> bytes = kit::FileManager::contentsAtPath(*filename_);
        std::unique_ptr<kit::Image> image = bytes ? imageFromData(*bytes, nullptr) : nullptr;
        if (image) {
            sourceImage_ = std::move(image);
            for (PZInfo& entry : images_) {
                if (entry.image)
                    entry.image->setReadyHandler(nullptr);
                entry.image = sourceImage_->copy();
                watchEntry(*entry.image);
            }
            if (images_.empty())
                startCache();
        } else {
            // A file that is there but holds no picture is as good as
            // missing: drawn as an empty frame, listed as missing.
            piFlags_.cantFind = 1;
        }
    }
    calcInfo(false);
}

bool PlacedItem::checkSelfInView(DocumentView* view, const kit::Rect& bounds, const kit::Rect& update)
{
    (void)view;
    (void)update;
    if (!piFlags_.needsChecking || !shouldDrawInRect(bounds))
        return true;
    return checkFileInfo();
}

PlacedItem* PlacedItem::breakInDocument(LayoutDocument* document)
{
    if (!piFlags_.isLinked || !filename_)
        return nullptr;
    const std::optional<std::string> bytes = kit::FileManager::contentsAtPath(*filename_);
    if (!bytes)
        return nullptr;
    std::unique_ptr<kit::Image> image = imageFromData(*bytes, nullptr);
    if (!image)
        return nullptr;
    setFilename(uniqueEmbeddedFilename(kit::FileManager::lastPathComponent(*filename_), std::nullopt));
    reinitWithImage(std::move(image));
    filesize_ = clampedSize(bytes->size());
    if (!document)
        document = this->document();
    if (document)
        document->setEdited(true);
    return this;
}

void PlacedItem::replaceFilenameWith(const std::string& path)
{
    piFlags_.isLinked = 1;
    setFilename(path);
    setUseFromFile();
    readCustomColors_ = 0;
    const kit::Rect box = originalFrame();
    if (!piFlags_.cantFind && box.size.width != 0.0f && box.size.height != 0.0f)
        naturalRatio_ = box.size.width / box.size.height;
}
