#pragma once

// What an in-line graphic word asks of the picture it holds, beside the
// page item operations (size, frame, drawing) every item answers: the
// picture's best representation (its EPS comments place it on the
// baseline), re-pointing its file link, and telling the word when a
// rendering that was still being made arrives. The placed graphic item
// implements it and installs the factory that makes one from a source.

#include "graphics/Image.h"
#include "text/GraphicLink.h"

#include <functional>
#include <memory>
#include <string>


class InlineImage : public GraphicLink {
public:
    // Where a new in-line picture comes from: a file (linked or copied into
    // the document), bytes of a TIFF or EPS file, or an image.
    struct Source {
        enum class Kind { None, Path, Data, Image };
        Kind kind = Kind::None;
        std::string text; // the path, or the bytes
        std::unique_ptr<kit::Image> image;

        static Source path(std::string path);
        static Source data(std::string bytes);
        static Source picture(std::unique_ptr<kit::Image> image);
    };
    // Makes the picture item (nil, with why in error, when the source yields
    // no picture; an empty reason when the user cancelled). Empty until the
    // item classes are set up.
    using Factory = std::function<std::shared_ptr<kit::Object>(Source source, bool makeSymLink, std::string* error)>;
    static Factory& factory();

    ~InlineImage() override;

    // The first cache entry's best representation; nil without one.
    virtual kit::ImageRep* bestRepresentationForDevice() const = 0;
    // Links the picture to another file (its frame is kept).
    virtual void replaceFilenameWith(const std::string& path) = 0;
    // Compares a linked file with the disk, reading it again when it
    // changed: true when it is missing or was read again, else force.
    virtual bool checkFileInfoWithForce(bool force) = 0;
    // Runs on the main loop when a rendering the picture waited for has
    // arrived (or failed), so that its holder redraws it; empty: the
    // picture's document redraws the picture itself.
    virtual void setPictureReadyObserver(std::function<void()> observer) = 0;
};
