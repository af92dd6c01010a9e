// Drawing a placed picture: on the screen from the cache entry of the
// view's zoom, on paper from the picture itself (EPS embedded, bitmaps in
// their own colour space), with its fill, frame line and drop shadow; as
// an empty frame with its name while it is hidden, missing, still being
// rendered or failed; as a dark box in thumbnails. And its hit tests.

#include "items/PlacedItem.h"

#include "core/Alert.h"
#include "core/FileManager.h"
#include "core/Locale.h"
#include "core/MainQueue.h"
#include "document/LayoutDocument.h"
#include "foundation/ApplicationDelegate.h"
#include "foundation/CMGeometry.h"
#include "foundation/GxRecords.h"
#include "foundation/Paint.h"
#include "foundation/PSWrappers.h"
#include "foundation/StyleGraphic.h"
#include "graphics/BitmapImageRep.h"
#include "graphics/DrawContext.h"
#include "graphics/EPSImageRep.h"
#include "graphics/Font.h"
#include "items/ItemBox.h"
#include "text/DocumentView.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr float NSDarkGray = 1.0f / 3.0f;
constexpr float WhiteModeGray = 0.8f;
constexpr float HiddenFillGray = 0.8333f;

std::string stringForKey(const std::string& key) { return Main ? Main->valueForStringKey(key) : key; }

kit::Rect integral(const kit::Rect& r)
{
    if (kit::isEmptyRect(r))
        return kit::Rect{};
    const float x0 = std::floor(kit::minX(r)), y0 = std::floor(kit::minY(r));
    const float x1 = std::ceil(kit::maxX(r)), y1 = std::ceil(kit::maxY(r));
    return kit::makeRect(x0, y0, x1 - x0, y1 - y0);
}

// Whether an EPS representation is still being rendered for the screen:
// waiting, not failing.
bool isRendering(const kit::ImageRep* rep)
{
    const auto* eps = dynamic_cast<const kit::EPSImageRep*>(rep);
    return eps && eps->raster().state == kit::EPSRaster::State::Rendering;
}

// The colour as PostScript sets it.
std::string colorOperator(const kit::Color& color)
{
    switch (color.space()) {
    case kit::Color::Space::Gray:
        return kit::formatString("%g setgray\n", double(color.grayLevel()));
    case kit::Color::Space::RGB: {
        float r = 0, g = 0, b = 0;
        color.getRed(r, g, b);
        return kit::formatString("%g %g %g setrgbcolor\n", double(r), double(g), double(b));
    }
    case kit::Color::Space::CMYK: {
        float c = 0, m = 0, y = 0, k = 0;
        color.getCyan(c, m, y, k);
        return kit::formatString("%g %g %g %g setcmykcolor\n", double(c), double(m), double(y), double(k));
    }
    }
    return "0 setgray\n";
}

} // namespace

// ---- What drawing depends on.

PlacedPaint PlacedItem::paintFor(const Paint& pass) const
{
    kit::DrawContext* context = kit::DrawContext::current();
    PlacedPaint paint{*context};
    paint.zoom = pass.zoom;
    if (!(paint.zoom > 0.0f) || !std::isfinite(paint.zoom))
        paint.zoom = 1.0f;
    paint.screen = context->isDrawingToScreen();
    // The item's own document says whether it shows its pictures.
    const LayoutDocument* doc = document();
    paint.showGraphics = doc ? doc->showGraphics() : CMShowGraphics != 0.0f;
    return paint;
}

bool PlacedItem::drawSelfInView(const Paint& paint, const kit::Rect& bounds)
{
    if (!kit::DrawContext::current())
        return false;
    prepareForDrawing();
    const bool drawn = renderInView(paintFor(paint), bounds, false);
    finishDrawing();
    return drawn;
}

bool PlacedItem::whiteSelfInView(const Paint& paint, const kit::Rect& bounds)
{
    if (!kit::DrawContext::current())
        return false;
    return renderHiddenInView(paintFor(paint), &bounds, true);
}

bool PlacedItem::drawHiddenInView(const Paint& paint, const kit::Rect& bounds)
{
    if (!kit::DrawContext::current())
        return false;
    return renderHiddenInView(paintFor(paint), &bounds, false);
}

bool PlacedItem::renderInView(const Paint& paint, const kit::Rect& bounds, bool white)
{
    if (!kit::DrawContext::current())
        return false;
    return renderInView(paintFor(paint), bounds, white);
}

bool PlacedItem::drawFastInView(const Paint& paint, const kit::Rect& bounds)
{
    if (!kit::DrawContext::current())
        return false;
    return drawFastInView(paintFor(paint), bounds);
}

// ---- The drawing.

bool PlacedItem::renderInView(const PlacedPaint& paint, const kit::Rect& bounds, bool white)
{
    kit::DrawContext& ctx = paint.context;
    // The rectangle helpers draw into the current context.
    kit::DrawContext::Scope scope(ctx);
    if (!shouldDrawInRect(bounds))
        return false;
    if (paint.screen && piFlags_.needsChecking)
        checkFileInfo();
    kit::Image* image = nullptr;
    if (white || piFlags_.cantFind) {
        renderHiddenInView(paint, &bounds, true);
    } else if (!paint.showGraphics || piFlags_.errorNoted) {
        renderHiddenInView(paint, &bounds, false);
    } else {
        float m[4];
        getMatrix(m);
        const StyleGraphic* style = graphicStyle();
        if (style && style->hasFill()) {
            style->setFillState(true);
            CMRectFillWithMatrix(&frame_, m, nullptr);
        }
        kit::Rect frameBounds{};
        getFrameBounds(&frameBounds);
        kit::Rect visible = kit::intersectionRect(bounds, frameBounds);
        mapRectToImage(&visible, paint.zoom);
        const bool cached = shouldImage(paint.zoom, paint.screen);
        image = _findMatchingImage(paint.zoom);
        if (!image)
            image = _updateImages(paint.zoom);

        bool result = image != nullptr;
        // Waiting for a rendering is no failure: the empty frame shows
        // meanwhile, and the picture's arrival redraws it.
        bool waiting = false;
        if (image && itFlags_.dropShadow) {
            ctx.gsave();
            if (dynamic_cast<kit::BitmapImageRep*>(image->bestRepresentationForDevice())) {
                const kit::Rect shadow = kit::offsetRect(frame_, shadowOffset_.x, shadowOffset_.y);
                if (shadowColor_)
                    setColorAbsolute(ctx, *shadowColor_);
                CMRectFillWithMatrixAtPoint(&shadow, m, nullptr, &shadow.origin);
            } else if (shadowColor_) {
                result = drawDropShadow(paint, &bounds, &shadowOffset_, *shadowColor_) && result;
            }
            ctx.grestore();
            resetAll(ctx);
        }
        if (image && cached) {
            switch (image->prepareCache()) {
            case kit::Image::CacheState::Ready:
                if (isTransformed()) {
                    // Through the entry's delegate (this item), which puts
                    // the picture's upright space into the transformed frame.
                    ctx.gsave();
                    ctx.rectclip(bounds);
                    if (kit::ImageRep* rep = image->bestRepresentationForDevice())
                        image->drawRepresentation(ctx, *rep, {{0, 0}, rep->size()});
                    drawLinkChains(paint);
                    ctx.grestore();
                } else {
                    const kit::Point at{frameBounds.origin.x + kit::minX(visible) / paint.zoom,
                                        frameBounds.origin.y + kit::minY(visible) / paint.zoom};
                    const kit::Size size = image->size();
                    if (size.width > 5e-6f && size.height > 5e-6f)
                        image->compositeToPoint(ctx, at, visible, kit::CompositeOp::SourceOver);
                    drawLinkChains(paint);
                }
                break;
            case kit::Image::CacheState::NotReady:
                waiting = true;
                break;
            case kit::Image::CacheState::Empty:
            case kit::Image::CacheState::Failed:
                result = false;
                break;
            }
        } else if (image) {
            // Too large for a cache: the screen shows a rendering the EPS
            // picture keeps at the size drawn, which redraws the picture when
            // it arrives.
            if (auto* eps = dynamic_cast<kit::EPSImageRep*>(image->bestRepresentationForDevice());
                eps && paint.screen) {
                kit::WeakLink<PlacedItem> self(this);
                eps->setRasterHandler([self] {
                    if (PlacedItem* item = self.get())
                        item->pictureBecameReady();
                });
            }
            if (!drawImage(paint, *image, &bounds, nullptr)) {
                if (paint.screen && isRendering(image->bestRepresentationForDevice()))
                    waiting = true;
                else
                    result = false;
            }
        }
        if (style && style->hasLine()) {
            style->setLineState(true);
            CMFrameRectWithMatrix(&frame_, m, nullptr);
        }
        if (waiting && result)
            renderHiddenInView(paint, &bounds, false);
        if (!result && paint.screen) {
            if (!piFlags_.errorNoted) {
                calcFileInfo();
                if (!piFlags_.cantFind)
                    noteDrawingFailure();
            }
            renderHiddenInView(paint, &bounds, false);
        }
    }
    resetAll(ctx);
    if (readCustomColors_ == 0 && image)
        _getEPSCustomColors(image->bestRepresentationForDevice(), document());
    return true;
}

void PlacedItem::noteDrawingFailure()
{
    piFlags_.errorNoted = 1;
    const std::string title = stringForKey("ImageError");
    const std::string first = stringForKey("ImageErrorStringI");
    const std::string name = filename_ ? kit::FileManager::lastPathComponent(*filename_) : std::string(" ");
    const std::string second = stringForKey("ImageErrorStringII");
    // Told once the drawing is over: a panel inside drawing would run the
    // event loop with the window half drawn.
    kit::MainQueue::post([title, first, name, second] {
        kit::runAlertPanel(title, "%@%@%@", std::string(), std::string(), std::string(), {first, name, second});
    });
}

bool PlacedItem::renderHiddenInView(const PlacedPaint& paint, const kit::Rect* clip, bool white)
{
    kit::DrawContext& ctx = paint.context;
    kit::DrawContext::Scope scope(ctx);
    ctx.gsave();
    if (clip)
        ctx.rectclip(*clip);
    float m[4];
    getMatrix(m);
    ctx.setgray(white ? WhiteModeGray : 0.0f);
    ctx.setlinewidth(0.0005f);
    const GxDash& dash = ItemBox::hiddenBorderDash;
    ctx.setdash(std::span<const float>(dash.values, static_cast<std::size_t>(dash.count)), dash.phase);
    CMFrameRectWithMatrix(&frame_, m, nullptr);
    ctx.translate(frame_.origin.x, frame_.origin.y);
    if (isTransformed())
        ctx.concat(kit::Matrix{m[0], m[1], m[2], m[3], 0, 0});
    const kit::Rect inset = kit::insetRect(kit::makeRect(0, 0, frame_.size.width, frame_.size.height), 2, 2);
    ctx.setgray(white ? WhiteModeGray : HiddenFillGray);
    if (!kit::isEmptyRect(inset))
        ctx.rectfill(inset);
    float degrees = 0;
    if (filename_ && getRotation(&degrees) && !kit::isEmptyRect(inset)) {
        ctx.rectclip(kit::makeRect(kit::minX(inset), kit::minY(inset), kit::width(inset), kit::height(inset) + 2));
        ctx.setgray(white ? NSDarkGray : 0.0f);
        if (kit::Font* font = kit::Font::userFixedPitchFontOfSize(10)) {
            // Upright in a flipped page as in an unflipped one.
            const bool flipped = (ctx.currentmatrix().determinant() < 0.0) != (ctx.defaultMatrix().determinant() < 0.0);
            ctx.setfont(font, kit::Matrix{10, 0, 0, flipped ? -10.0f : 10.0f, 0, 0});
            ctx.moveto(kit::minX(inset) + 1, kit::minY(inset) + kit::height(inset) - 1);
            ctx.show(kit::FileManager::lastPathComponent(*filename_));
        }
    }
    ctx.grestore();
    return true;
}

bool PlacedItem::drawFastInView(const PlacedPaint& paint, const kit::Rect& bounds)
{
    if (!shouldDrawInRect(bounds))
        return false;
    kit::DrawContext::Scope scope(paint.context);
    float m[4];
    getMatrix(m);
    setGray(paint.context, NSDarkGray);
    CMRectFillWithMatrix(&frame_, m, nullptr);
    return true;
}

bool PlacedItem::shouldImage(float zoom, bool screen) const
{
    return screen && frame_.size.width * zoom <= CMMaxImageSize && frame_.size.height * zoom <= CMMaxImageSize;
}

void PlacedItem::mapRectToImage(kit::Rect* rect, float zoom) const
{
    kit::Rect frameBounds{};
    getFrameBounds(&frameBounds);
    kit::Rect r = kit::makeRect((kit::minX(*rect) - kit::minX(frameBounds)) * zoom,
                                (kit::minY(*rect) - kit::minY(frameBounds)) * zoom, kit::width(*rect) * zoom,
                                kit::height(*rect) * zoom);
    r = integral(r);
    if (r.origin.x < 0) {
        r.size.width = std::max(0.0f, r.size.width + r.origin.x);
        r.origin.x = 0;
    }
    if (r.origin.y < 0) {
        r.size.height = std::max(0.0f, r.size.height + r.origin.y);
        r.origin.y = 0;
    }
    *rect = r;
}

void PlacedItem::setDrawStateWithOffset(kit::DrawContext& context, float zoom, const kit::Point* offset,
                                        bool isImage) const
{
    const float s = isImage ? zoom : 1.0f;
    float m[4];
    getMatrix(m);
    // The frame's corner where the picture's lower-left corner goes (the
    // page runs down), through the matrix about the frame's origin.
    kit::Point corner{frame_.origin.x, frame_.origin.y + frame_.size.height};
    applyMatrixToPoint(&corner, &frame_.origin, m);
    if (isImage) {
        kit::Rect update{};
        getUpdateBounds(&update, nullptr);
        corner.x -= update.origin.x;
        corner.y -= update.origin.y;
    }
    float sx = 1.0f, sy = 1.0f;
    kit::Rect box{};
    if (_getBoundingBox(&box) && box.size.width != 0.0f && box.size.height != 0.0f) {
        sx = frame_.size.width / box.size.width * s;
        sy = frame_.size.height / box.size.height * s;
    }
    float t[4];
    getScaleMatrix(sx, -sy, t);
    concatMatrix(t, m); // m := scale x matrix
    const float tx = s * corner.x + (offset ? offset->x : 0.0f);
    const float ty = s * corner.y + (offset ? offset->y : 0.0f);
    context.concat(kit::Matrix{m[0], m[1], m[2], m[3], tx, ty});
}

bool PlacedItem::drawImage(const PlacedPaint& paint, kit::Image& image, const kit::Rect* clip,
                           const kit::Point* offset)
{
    kit::DrawContext& ctx = paint.context;
    kit::ImageRep* rep = image.bestRepresentationForDevice();
    if (!rep)
        return false;
    bool result = true;
    ctx.gsave();
    if (clip)
        ctx.rectclip(*clip);
    setDrawStateWithOffset(ctx, paint.zoom, offset, false);
    const kit::Rect box{{0, 0}, rep->size()};
    if (paint.screen) {
        result = rep->drawInRect(ctx, box);
    } else {
        // On the plates of a separation a bitmap prints only where its
        // colours separate: never on the spot colour plate, and on the
        // process plates only in device RGB or CMYK.
        bool skip = false;
        if (dynamic_cast<kit::BitmapImageRep*>(rep) && !ctx.isEPSOperation() && paint.plateCode != 0) {
            const std::string space = rep->colorSpaceName();
            if (paint.plateCode == 105)
                skip = true;
            else if (paint.plateCode >= 101 && paint.plateCode <= 104)
                skip = space != "NSDeviceRGBColorSpace" && space != "NSDeviceCMYKColorSpace";
        }
        if (!skip)
            result = rep->drawInRect(ctx, box);
    }
    drawLinkChains(paint);
    ctx.grestore();
    return result;
}

bool PlacedItem::drawDropShadow(const PlacedPaint& paint, const kit::Rect* clip, const kit::Point* offset,
                                const kit::Color& color)
{
    const auto* eps = dynamic_cast<const kit::EPSImageRep*>(_getImageRep());
    if (!eps)
        return true;
    // Made again only when the picture or the colour changes: a shadow on
    // the screen is a rendering of its own.
    const std::string setColor = colorOperator(color);
    const std::string& postscript = eps->EPSRepresentation();
    const std::string key = setColor + kit::formatString("%p %zu", static_cast<const void*>(&postscript),
                                                         postscript.size());
    if (!shadowImage_ || shadowKey_ != key) {
        const kit::Rect box = eps->boundingBox();
        // The picture's own PostScript, in the shadow colour: a file of its
        // own that the drop-shadow prologue and epilogue wrap.
        std::string shadow = "%!PS-Adobe-2.0 EPSF-1.2\n";
        shadow += kit::formatString("%%%%BoundingBox: %d %d %d %d\n", int(std::floor(kit::minX(box))),
                                    int(std::floor(kit::minY(box))), int(std::ceil(kit::maxX(box))),
                                    int(std::ceil(kit::maxY(box))));
        shadow += "%%EndComments\n/defineusername {pop pop} def\n";
        shadow += setColor;
        shadowPrologueFound_ = sendDropShadowDict(shadow);
        shadow += postscript;
        if (shadow.back() != '\n')
            shadow += '\n';
        sendDropShadowEnd(shadow);
        shadowKey_ = key;
        shadowImage_ = kit::Image::imageWithData(shadow);
        if (shadowImage_)
            if (auto* rep = dynamic_cast<kit::EPSImageRep*>(shadowImage_->bestRepresentationForDevice())) {
                kit::WeakLink<PlacedItem> self(this);
                rep->setRasterHandler([self] {
                    if (PlacedItem* item = self.get())
                        item->pictureBecameReady();
                });
            }
    }
    bool result = shadowPrologueFound_;
    if (!shadowImage_)
        return false;
    if (!drawImage(paint, *shadowImage_, clip, offset)) {
        // Still being rendered for the screen: shown when it arrives.
        if (!(paint.screen && isRendering(shadowImage_->bestRepresentationForDevice())))
            result = false;
    }
    return result;
}

void PlacedItem::drawLinkChains(const PlacedPaint& paint)
{
    if (!paint.showObjectLinks || !isObjectLinked())
        return;
    kit::Rect update{};
    getUpdateBounds(&update, nullptr);
    const float t = kit::DrawContext::linkFrameThickness();
    paint.context.frameLinkRect(kit::insetRect(update, t, t), true);
}

// ---- Hit testing.

bool PlacedItem::isHitAt(kit::Point point, const DocumentView* view) const
{
    bool hit = Item::isHitAt(point, view);
    const LayoutDocument* doc = document();
    const bool shown = doc ? doc->showGraphics() : CMShowGraphics != 0.0f;
    if (!hit || !shown || piFlags_.cantFind)
        return hit;
    const StyleGraphic* style = graphicStyle();
    if (style && style->hasFill() && style->fillColor() && style->fillColor()->alphaComponent() == 1.0f)
        return hit;
    float zoom = view ? view->zoom() : CMZoomStatus;
    if (!(zoom > 0.0f) || !std::isfinite(zoom))
        zoom = 1.0f;
    const kit::Rect square = kit::makeRect(point.x - 2.0f / zoom, point.y - 2.0f / zoom, 4.0f / zoom, 4.0f / zoom);
    return _hitInRect(square, hit, zoom);
}

bool PlacedItem::isHitInRect(const kit::Rect& rect, const DocumentView* view) const
{
    bool hit = Item::isHitInRect(rect, view);
    const LayoutDocument* doc = document();
    const bool shown = doc ? doc->showGraphics() : CMShowGraphics != 0.0f;
    if (!hit || !shown || piFlags_.cantFind)
        return hit;
    const StyleGraphic* style = graphicStyle();
    if (style && style->hasFill() && style->fillColor() && style->fillColor()->alphaComponent() == 1.0f)
        return hit;
    float zoom = view ? view->zoom() : CMZoomStatus;
    if (!(zoom > 0.0f) || !std::isfinite(zoom))
        zoom = 1.0f;
    kit::Rect update{};
    getUpdateBounds(&update, nullptr);
    return _hitInRect(kit::intersectionRect(rect, update), hit, zoom);
}

bool PlacedItem::_hitInRect(const kit::Rect& rect, bool hit, float zoom) const
{
    kit::Rect mapped = rect;
    mapRectToImage(&mapped, zoom);
    if (!(frame_.size.width * zoom > 40.0f && frame_.size.height * zoom > 40.0f && mapped.size.width > 0 &&
          mapped.size.height > 0))
        return hit;
    // Without a rendering for this zoom (a picture still being made, a
    // view never drawn) the frame decides.
    const kit::Image* image = _findMatchingImage(zoom);
    if (!image)
        return hit;
    const auto* bitmap = dynamic_cast<const kit::BitmapImageRep*>(image->bestRepresentationForDevice());
    if (!bitmap || !bitmap->hasAlpha())
        return hit;
    const std::size_t rows = static_cast<std::size_t>(bitmap->pixelsHigh());
    return findAlphaData(bitmap->bitmapData(), bitmap->bytesPerRow() * rows, bitmap->bytesPerRow(),
                         bitmap->pixelsWide(), bitmap->pixelsHigh(), bitmap->bitsPerSample(),
                         bitmap->samplesPerPixel(), bitmap->samplesPerPixel() - 1);
}

bool PlacedItem::findAlphaData(const unsigned char* plane, std::size_t planeBytes, std::size_t bytesPerRow, int wide,
                               int high, int bitsPerSample, int samplesPerPixel, int sampleIndex)
{
    if (!plane || wide <= 0 || high <= 0 || samplesPerPixel <= 0 || sampleIndex < 0 ||
        sampleIndex >= samplesPerPixel)
        return false;
    if (bitsPerSample != 1 && bitsPerSample != 2 && bitsPerSample != 4 && bitsPerSample != 8 && bitsPerSample != 16)
        return false;
    // Each row's samples must lie in its row, and every row in the plane.
    const std::uint64_t bitsPerRow = std::uint64_t(wide) * std::uint64_t(samplesPerPixel) * std::uint64_t(bitsPerSample);
    if ((bitsPerRow + 7) / 8 > bytesPerRow || std::uint64_t(bytesPerRow) * std::uint64_t(high) > planeBytes)
        return false;
    const std::uint64_t stride = std::uint64_t(samplesPerPixel) * std::uint64_t(bitsPerSample);
    for (int y = 0; y < high; ++y) {
        const unsigned char* row = plane + std::size_t(y) * bytesPerRow;
        if (bitsPerSample == 8) {
            for (int x = 0; x < wide; ++x)
                if (row[std::size_t(x) * std::size_t(samplesPerPixel) + std::size_t(sampleIndex)])
                    return true;
            continue;
        }
        for (int x = 0; x < wide; ++x) {
            const std::uint64_t bit = std::uint64_t(x) * stride + std::uint64_t(sampleIndex) * std::uint64_t(bitsPerSample);
            unsigned value = 0;
            if (bitsPerSample == 16) {
                value = unsigned(row[bit / 8]) | unsigned(row[bit / 8 + 1]);
            } else {
                const unsigned shift = 8u - unsigned(bitsPerSample) - unsigned(bit % 8);
                value = (unsigned(row[bit / 8]) >> shift) & ((1u << unsigned(bitsPerSample)) - 1u);
            }
            if (value)
                return true;
        }
    }
    return false;
}
