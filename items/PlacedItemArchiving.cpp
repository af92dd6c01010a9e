// The stored form of a placed picture: the item part, then its ratio, size,
// file name, date, flags and the picture itself; the foreign file name and
// converter only in archives made outside a document save (the
// pasteboard). Older files name the picture's copy inside the old document
// folder.

#include "items/PlacedItem.h"

#include "core/Coder.h"
#include "core/FileManager.h"
#include "core/ProcessInfo.h"
#include "core/Values.h"

#include <cmath>
#include <unistd.h>

namespace {

void flagsToChars(const PiFlags& f, char (&c)[6])
{
    const unsigned values[6] = {f.isLinked, f.needsSaving, f.cantFind, f.errorNoted, f.needsChecking, f.fromStream};
    for (int i = 0; i < 6; ++i)
        c[i] = static_cast<char>(values[i]);
}

PiFlags flagsFromBits(const unsigned (&bits)[6])
{
    PiFlags f{};
    f.isLinked = bits[0] & 1u;
    f.needsSaving = bits[1] & 1u;
    f.cantFind = bits[2] & 1u;
    f.errorNoted = bits[3] & 1u;
    f.needsChecking = bits[4] & 1u;
    f.fromStream = bits[5] & 1u;
    return f;
}

// The target of a symbolic link, or none.
std::optional<std::string> linkTarget(const std::string& path)
{
    std::string buffer(4096, '\0');
    const ssize_t n = ::readlink(path.c_str(), buffer.data(), buffer.size());
    if (n <= 0 || static_cast<std::size_t>(n) >= buffer.size())
        return std::nullopt;
    buffer.resize(static_cast<std::size_t>(n));
    return buffer;
}

} // namespace

void PlacedItem::encodeWithCoder(kit::Coder& coder) const
{
    Item::encodeWithCoder(coder);
    if (std::isnan(naturalRatio_))
        naturalRatio_ = 1.0f;
    coder.encodeValuesOfObjCTypes("fi", naturalRatio_, filesize_);
    if (filename_)
        coder.encodeString(*filename_);
    else
        coder.encodeObject(nullptr);
    if (lastModifyTime_)
        coder.encodeTemporaryObject(kit::Date(*lastModifyTime_));
    else
        coder.encodeObject(nullptr);
    char flags[6];
    flagsToChars(piFlags_, flags);
    coder.encodeValueOfObjCType("[6c]", &flags);
    coder.encodeObject(sourceImage_.get());
    if (coder.openFileVersion() == kit::OpenFileVersionIdle) {
        auto encodeName = [&](const std::optional<std::string>& name) {
            if (name)
                coder.encodeString(*name);
            else
                coder.encodeObject(nullptr);
        };
        encodeName(alienFilename_);
        encodeName(alienConverter_);
    }
}

kit::Object* PlacedItem::initWithCoder(kit::Coder& coder)
{
    Item::initWithCoder(coder);
    const float version = coder.openFileVersion();
    if (kit::isCurrentFileVersion(version)) {
        coder.decodeValuesOfObjCTypes("fi", &naturalRatio_, &filesize_);
        filename_ = coder.decodeString();
        lastModifyTime_.reset();
        if (kit::Object* date = coder.decodeObject()) {
            auto* moment = dynamic_cast<kit::Date*>(date);
            if (!moment)
                throw kit::Exception(kit::ArchiverArchiveInconsistencyException,
                                     "a " + date->className() + " where a picture's date was stored");
            lastModifyTime_ = moment->timeIntervalSince1970();
        }
        char flags[6] = {};
        coder.decodeValueOfObjCType("[6c]", &flags);
        const unsigned bits[6] = {unsigned(flags[0]), unsigned(flags[1]), unsigned(flags[2]),
                                  unsigned(flags[3]), unsigned(flags[4]), unsigned(flags[5])};
        piFlags_ = flagsFromBits(bits);
        sourceImage_ = coder.decodeOwnedObject<kit::Image>();
        if (piFlags_.isLinked && !sourceImage_ && filename_) {
            const std::optional<std::string> bytes = kit::FileManager::contentsAtPath(*filename_);
            sourceImage_ = bytes ? imageFromData(*bytes, nullptr) : nullptr;
        }
        if (version == kit::OpenFileVersionIdle) {
            alienFilename_ = coder.decodeString();
            alienConverter_ = coder.decodeString();
        }
    } else {
        readOldForm(coder, version);
    }
    if (sourceImage_)
        sourceImage_->setDataRetained(true);
    else if (piFlags_.isLinked)
        piFlags_.cantFind = 1; // nothing to show until the file is found
    if (!std::isfinite(naturalRatio_) || naturalRatio_ < 0.0f)
        naturalRatio_ = 0.0f;
    startCache();
    // The custom colours join the document when it resolves the item.
    readCustomColors_ = 0;
    return this;
}

void PlacedItem::readOldForm(kit::Coder& coder, float version)
{
    std::optional<std::string> name, packageName;
    coder.decodeValuesOfObjCTypes("f**", &naturalRatio_, &name, &packageName);
    if (name)
        filename_ = name;
    if (version >= 2.0f) {
        short a = 0, b = 0, c = 0, d = 0, e = 0, f = 0;
        coder.decodeValuesOfObjCTypes("sss", &a, &b, &c);
        coder.decodeValuesOfObjCTypes("sss", &d, &e, &f);
        const unsigned bits[6] = {unsigned(a), unsigned(b), unsigned(c), unsigned(d), unsigned(e), unsigned(f)};
        piFlags_ = flagsFromBits(bits);
        int dropped = 0;
        coder.decodeValuesOfObjCTypes("ii", &dropped, &filesize_);
    } else {
        char whole = 0;
        int dropped = 0;
        coder.decodeValuesOfObjCTypes("cii", &whole, &dropped, &filesize_);
        const auto byte = static_cast<unsigned char>(whole);
        const unsigned bits[6] = {byte & 1u, byte >> 1 & 1u, byte >> 2 & 1u, byte >> 3 & 1u, byte >> 4 & 1u,
                                  byte >> 5 & 1u};
        piFlags_ = flagsFromBits(bits);
    }
    const std::string& folder = coder.documentPath();
    if (version < 2.64f && !folder.empty()) {
        auto readPicture = [](const std::string& path) -> std::unique_ptr<kit::Image> {
            const std::optional<std::string> bytes = kit::FileManager::contentsAtPath(path);
            return bytes ? imageFromData(*bytes, nullptr) : nullptr;
        };
        if (piFlags_.isLinked) {
            // The folder held a symbolic link to the picture.
            if (packageName)
                if (const std::optional<std::string> target = linkTarget(folder + "/" + *packageName)) {
                    sourceImage_ = readPicture(*target);
                    if (target != filename_)
                        setFilename(*target);
                }
        } else {
            // The folder held a copy of the picture.
            if (packageName)
                filename_ = packageName;
            if (filename_) {
                const std::string path = !filename_->empty() && filename_->front() == '/'
                                             ? *filename_
                                             : kit::FileManager::stringByAppendingPathComponent(folder, *filename_);
                sourceImage_ = readPicture(path);
                setFilename(kit::FileManager::lastPathComponent(path));
            }
        }
    }
    lastModifyTime_ = kit::ProcessInfo::currentTime();
}
