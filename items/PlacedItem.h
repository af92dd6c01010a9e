#pragma once

// The page item that shows a picture: an EPS file or a TIFF bitmap, either
// linked to its file on disk (compared with it again when it may have
// changed, drawn as an empty frame while it is missing) or held in the
// document. It keeps a screen rendering for each zoom at which its
// document's views show it, draws itself on screen from those and on paper
// from the picture itself, and is hit only where its picture is opaque.
// The same item sits inside a line of text for an in-line graphic word.

#include "graphics/Image.h"
#include "items/Item.h"
#include "text/InlineImage.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kit {
class EPSImageRep;
}
class TextFlow;

// The picture's state bits, in their stored order.
struct PiFlags {
    unsigned isLinked : 1;
    unsigned needsSaving : 1;
    unsigned cantFind : 1;
    unsigned errorNoted : 1;
    unsigned needsChecking : 1;
    unsigned fromStream : 1;
};

// What drawing a picture depends on, gathered in one place: the context
// drawn into and how the picture is to be shown there.
struct PlacedPaint {
    kit::DrawContext& context;
    // The zoom of the view drawn (1.0 = 100 %); the cache entry it uses.
    float zoom = 1.0f;
    // The context draws to the screen (else to paper or a file).
    bool screen = true;
    // The document shows its pictures (else as empty frames).
    bool showGraphics = true;
    // Printing colour separations: 101 to 104 the process plates, 105 the
    // spot colour plate; 0 for a composite.
    int plateCode = 0;
    // The view frames object-linked items.
    bool showObjectLinks = false;
};

class PlacedItem : public Item, public InlineImage, private kit::ImageDelegate {
public:
    // Whether a new picture takes its fill and line from the preferences
    // (one placed by the user) or has neither (an in-line picture).
    enum class Defaults { Preferences, None };

    // The item classes' set-up: registers the class with the archiver and
    // makes in-line graphic words' pictures placed items.
    static void initialize();

    explicit PlacedItem(Defaults defaults = Defaults::Preferences);
    ~PlacedItem() override;

    // ---- Creation. Each answers nil when there is no picture: error then
    // says why (empty when the user cancelled the conversion of a file's
    // line ends), and the caller tells the user.
    // A file: linked (the item follows it) or held in the document under
    // the file's path.
    static std::shared_ptr<PlacedItem> initWithContentsOfFile(const std::string& path, bool makeSymLink,
                                                              std::string* error = nullptr,
                                                              Defaults defaults = Defaults::Preferences);
    // A picture held in the document, named after its kind or its EPS title.
    static std::shared_ptr<PlacedItem> initWithImage(std::unique_ptr<kit::Image> image,
                                                     Defaults defaults = Defaults::Preferences);
    // The bytes of a TIFF or EPS file, held in the document.
    static std::shared_ptr<PlacedItem> initFromStream(std::string_view data, std::string* error = nullptr,
                                                      Defaults defaults = Defaults::Preferences);
    // A PostScript file (starting "%!") whose first lines end in carriage
    // returns may be converted to line feeds, the user asked first; false
    // when the user cancels or the conversion fails (the user is told).
    static bool checkLineEndings(const std::string& path);
    // A new picture for the item, held in the document; the frame stays.
    void reinitWithImage(std::unique_ptr<kit::Image> image);
    // False (nothing changed) when the bytes hold no picture.
    bool reinitFromStream(std::string_view data, std::string* error = nullptr);
    // From the pasteboard's PostScript or TIFF; nil when it has neither.
    Item* reinitFromPasteboard(const std::string& pasteboardName) override;

    // ---- The file and its state.
    std::optional<std::string> filename() const override { return filename_; }
    std::optional<std::string> pathname() const { return filename_; }
    // Stores the name, then records the file's date and size.
    void setFilename(const std::optional<std::string>& name);
    // The file name, or none while the file cannot be found.
    std::optional<std::string> resolvedname() const;
    kit::Image* sourceImage() const { return sourceImage_.get(); }
    std::int32_t filesize() const override { return filesize_; }
    std::optional<double> lastModifyTime() const override { return lastModifyTime_; }
    void setLastModifyTime(std::optional<double> time) { lastModifyTime_ = time; }
    const std::optional<std::string>& alienFilename() const { return alienFilename_; }
    const std::optional<std::string>& alienConverter() const { return alienConverter_; }
    void setAlienFilename(const std::optional<std::string>& name) { alienFilename_ = name; }
    void setAlienConverter(const std::optional<std::string>& name) { alienConverter_ = name; }
    bool isLinked() const override { return piFlags_.isLinked; }
    bool cantFind() const override { return piFlags_.cantFind; }
    bool errorNoted() const { return piFlags_.errorNoted; }
    bool needsChecking() const override { return piFlags_.needsChecking; }
    void setNeedsChecking(bool flag) override { piFlags_.needsChecking = flag; }
    const PiFlags& piFlags() const { return piFlags_; }
    bool isGraphicLink() const override { return true; }
    Page* linkPage() const override { return page(); }
    TextDocument* linkDocument() const override;
    Item* linkItem() const override { return const_cast<PlacedItem*>(this); }
    // Adds the item to the pictures list unless it is there.
    void pleaseListFlows(std::vector<TextFlow*>& flows, std::vector<Item*>& images) override;

    // ---- Proportions.
    bool hasScale() const override { return true; }
    float naturalRatio() const override { return naturalRatio_; }
    // Frame width / height; the natural ratio for a frame of no height.
    float currentRatio() const override;
    bool isEPSFile() const;
    kit::ImageRep* bestRepresentationForDevice() const override;
    // The picture's natural box (the EPS bounding box, or its size at 0, 0).
    kit::Rect originalFrame() const override;
    bool getScale(float* sx, float* sy) const override;
    bool shouldResizeNaturally() const override;
    void makeNatural() override;
    void _makeNatural(bool resetMatrix);
    void flip(int direction) override;
    kit::ImageRep* _getImageRep() const;
    bool _getBoundingBox(kit::Rect* box) const;
    void calcUpdateBounds(kit::Rect* rect) const override;

    // After a document is read: an item without a page goes on the
    // document's master page; its file is looked at again and its custom
    // colours join the document's.
    void resolveInDocument(TextDocument* document) override;
    void audit(int indent) const override;

    // ---- The file link.
    // Records the file's date and size, or marks it missing.
    void calcFileInfo();
    bool checkFileInfo() { return checkFileInfoWithForce(false); }
    // Compares the file with the disk and reads it again when its date
    // changed or it came back: true when it is missing or was read again,
    // otherwise force.
    bool checkFileInfoWithForce(bool force) override;
    // Reads the picture again from its file.
    void setUseFromFile();
    bool checkSelfInView(DocumentView* view, const kit::Rect& bounds, const kit::Rect& update) override;
    // The picture becomes one held in the document (nil: not linked, or the
    // file cannot be read).
    PlacedItem* breakInDocument(LayoutDocument* document);
    void replaceFilenameWith(const std::string& path) override;
    void setPictureReadyObserver(std::function<void()> observer) override { readyObserver_ = std::move(observer); }

    // ---- The cache: one entry per zoom, each a copy of the source image
    // sized to the frame times its zoom (whole pixels).
    struct PZInfo {
        std::unique_ptr<kit::Image> image;
        float zoom = 1.0f;
    };
    // An entry as handed out: a view of it, not the entry itself.
    struct PZInfoRef {
        kit::Image* image = nullptr;
        float zoom = 0.0f;
    };
    PZInfo _newPZInfo(std::unique_ptr<kit::Image> image, float zoom);
    void calcPZInfo(PZInfo& entry, const kit::Rect& frame, bool transformed);
    void calcInfo(bool recompute) override;
    using Item::calcInfo;
    // The list entry at the index; none outside the list (a single entry is
    // index 0).
    std::optional<PZInfoRef> imageAtOffset(int index) const;
    // The entry made for exactly that zoom; nil for none.
    kit::Image* _findMatchingImage(float zoom) const;
    // Makes or retargets an entry for the zoom, reusing one that no view of
    // the item's document shows any more.
    kit::Image* _updateImages(float zoom);
    kit::Image* _addImageAtZoom(float zoom, int reuse);
    void _removeImageAtIndex(int index);
    float _findMatchingZoomForRep(const kit::ImageRep* rep) const;
    // How many entries there are, and whether they are kept as a list.
    int cacheEntryCount() const { return static_cast<int>(images_.size()); }
    bool hasCacheList() const { return itFlags_.manyViews; }

    // ---- Drawing. The view forms gather what the drawing depends on and
    // call the paint forms.
    bool drawSelfInView(const Paint& paint, const kit::Rect& bounds) override;
    bool whiteSelfInView(const Paint& paint, const kit::Rect& bounds) override;
    bool drawHiddenInView(const Paint& paint, const kit::Rect& bounds);
    bool renderInView(const Paint& paint, const kit::Rect& bounds, bool white) override;
    bool drawFastInView(const Paint& paint, const kit::Rect& bounds) override;
    // What the view, its document and the current context say about drawing.
    PlacedPaint paintFor(const Paint& paint) const;
    bool renderInView(const PlacedPaint& paint, const kit::Rect& bounds, bool white);
    bool renderHiddenInView(const PlacedPaint& paint, const kit::Rect* clip, bool white);
    bool drawFastInView(const PlacedPaint& paint, const kit::Rect& bounds);
    // Concatenates the transform that draws the picture's representation
    // into the frame: for a cache image in pixels of the update bounds at
    // the zoom, else in page coordinates.
    void setDrawStateWithOffset(kit::DrawContext& context, float zoom, const kit::Point* offset, bool isImage) const;
    // Whether the picture is drawn from a cache entry: on the screen, when
    // the frame at the zoom fits within the largest cached size.
    bool shouldImage(float zoom, bool screen) const;
    // From page coordinates to the pixels of a cache image at the zoom
    // (origin at the top left of the frame bounds), whole pixels.
    void mapRectToImage(kit::Rect* rect, float zoom) const;
    // The picture itself, clipped: false when it failed to draw.
    bool drawImage(const PlacedPaint& paint, kit::Image& image, const kit::Rect* clip, const kit::Point* offset);
    bool drawDropShadow(const PlacedPaint& paint, const kit::Rect* clip, const kit::Point* offset,
                        const kit::Color& color);
    void drawLinkChains(const PlacedPaint& paint);
    // Reads the "%%CMYKCustomColor:" names of an EPS picture into the
    // document; false for a representation that is not EPS.
    bool _getEPSCustomColors(const kit::ImageRep* rep, LayoutDocument* document);

    // ---- Hit testing: a picture without an opaque fill, shown more than
    // 40 pixels wide and high, with alpha, is hit only when it has some
    // opaque pixel.
    bool isHitAt(kit::Point point, const DocumentView* view) const override;
    bool isHitInRect(const kit::Rect& rect, const DocumentView* view) const override;
    bool _hitInRect(const kit::Rect& rect, bool hit, float zoom) const;
    // Whether any alpha sample of the plane is above 0: rows of bytesPerRow
    // bytes, samples of bitsPerSample bits (1, 2, 4, 8 or 16, most
    // significant first), the alpha sample at sampleIndex of each pixel's
    // samplesPerPixel. Nothing outside the plane is read.
    static bool findAlphaData(const unsigned char* plane, std::size_t planeBytes, std::size_t bytesPerRow, int wide,
                              int high, int bitsPerSample, int samplesPerPixel = 1, int sampleIndex = 0);

    // ---- The EPS comments read here, each bounded by the data's length.
    // The name from "%%Title:"; none when there is no usable title.
    static std::optional<std::string> getEPSFilename(std::string_view eps);
    // The "%%CMYKCustomColor:" names, in order, each once per line.
    static std::vector<std::string> customColorNames(std::string_view eps);

    // ---- Stored form.
    std::string className() const override { return "PlacedItem"; }
    void encodeWithCoder(kit::Coder& coder) const override;
    kit::Object* initWithCoder(kit::Coder& coder) override;

private:
    bool imageWillDrawRep(kit::DrawContext& context, kit::Image& image, kit::ImageRep& rep,
                          const kit::Rect& rect) override;
    // The picture read from bytes, within the limits; null with why.
    static std::unique_ptr<kit::Image> imageFromData(std::string_view data, std::string* error);
    // The cache becomes one entry of a copy of the source image at zoom 1.
    void startCache();
    // Makes the entry's image redraw the item when its rendering arrives.
    void watchEntry(kit::Image& image);
    void pictureBecameReady();
    // The picture failed to draw on screen: noted once, told after the
    // drawing (never inside it), then drawn as an empty frame.
    void noteDrawingFailure();
    void initPreferenceDefaults();
    void readOldForm(kit::Coder& coder, float version);

    // Written as 1.0 (and kept so) when it is not a number.
    mutable float naturalRatio_ = 0.0f;
    std::optional<std::string> filename_;
    std::unique_ptr<kit::Image> sourceImage_;
    std::optional<std::string> alienFilename_;
    std::optional<std::string> alienConverter_;
    std::optional<double> lastModifyTime_;
    std::int32_t filesize_ = 0;
    PiFlags piFlags_{};
    std::vector<PZInfo> images_;
    short readCustomColors_ = 0;
    std::function<void()> readyObserver_;
    // The picture as its own drop shadow, made again when the picture or
    // the shadow colour changes.
    std::unique_ptr<kit::Image> shadowImage_;
    std::string shadowKey_;
    bool shadowPrologueFound_ = true;
};
