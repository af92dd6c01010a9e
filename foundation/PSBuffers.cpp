#include "foundation/PSBuffers.h"

#include "foundation/PSWrappers.h"
#include "graphics/DrawContext.h"

#include <algorithm>
#include <cstring>
#include <exception>
#include <stdexcept>

namespace {

// Runs a send on the current context; false when there is none, when the
// context refused an operator or when anything was thrown.
template <class Send>
bool sendGuarded(Send send)
{
    kit::DrawContext* context = kit::DrawContext::current();
    if (!context)
        return false;
    const unsigned errorsBefore = context->errorCount();
    try {
        send(*context);
    } catch (const std::exception&) {
        return false;
    }
    return context->errorCount() == errorsBefore;
}

int floatsForOperator(int op)
{
    switch (op) {
    case dps_moveto:
    case dps_rmoveto:
    case dps_lineto:
    case dps_rlineto:
        return 2;
    case dps_curveto:
    case dps_rcurveto:
        return 6;
    case dps_arc:
    case dps_arcn:
        return 5;
    default:
        return 0;
    }
}

} // namespace

// ---------------------------------------------------------------- Path

Path* Path::new_()
{
    static Path shared(16);
    return &shared;
}

Path::Path() { initCount(16); }

void Path::initCount(int n)
{
    n = std::max(n, 16);
    max = 2 * n;
    pts_.assign(static_cast<std::size_t>(max), 0.0f);
    ops_.assign(static_cast<std::size_t>(max / 2 + 2), 0);
    num_pts = 0;
    num_ops = 0;
    AXInitBbox(bbox_);
    putOp(dps_ucache);
    start_ = current_ = {};
}

void Path::grow()
{
    if (max == 0) {
        initCount(16);
        return;
    }
    max = std::max(2 * max, 32);
    pts_.resize(static_cast<std::size_t>(max), 0.0f);
    ops_.resize(static_cast<std::size_t>(max / 2 + 2), 0);
}

void Path::ensure(int floats, int operators)
{
    while (max < num_pts + floats || num_ops + operators > max / 2 + 2)
        grow();
}

void Path::empty()
{
    if (ops_.empty())
        grow();
    num_pts = 0;
    num_ops = 0;
    AXInitBbox(bbox_);
    start_ = current_ = {};
    putOp(dps_ucache);
}

bool Path::isFull() const { return num_pts + 6 > 2500 || num_ops + 1 > 1250; }

bool Path::isFullWith(int n) const { return num_pts + 2 * n > 2500 || num_ops + n > 1250; }

void Path::setNumOps(int n)
{
    // Never beyond what the buffer holds, never below the cache operator.
    num_ops = std::clamp(n + 1, 1, static_cast<int>(ops_.size()));
}

kit::Rect Path::bounds() const
{
    return kit::makeRect(bbox_[0], bbox_[1], bbox_[2] - bbox_[0], bbox_[3] - bbox_[1]);
}

void Path::setBounds(const kit::Rect& rect) { AXSetBbox(&rect, bbox_); }

void Path::widen(float x, float y) { AXCheckBbox(bbox_, x, y); }

// Arcs: the box of the whole circle, which always encloses the arc.
void Path::arcBox(const float* v)
{
    const float r = v[2] < 0 ? -v[2] : v[2];
    widen(v[0] - r, v[1] - r);
    widen(v[0] + r, v[1] + r);
}

void Path::addLine(const kit::Point* point, int op)
{
    if (!point || op < dps_moveto || op > dps_rlineto)
        return;
    ensure(2, 1);
    put(point->x, point->y);
    putOp(op);
    if (op == dps_rmoveto || op == dps_rlineto) {
        current_ = {current_.x + point->x, current_.y + point->y};
    } else {
        current_ = *point;
        if (op == dps_moveto)
            start_ = *point;
    }
    widen(current_.x, current_.y);
}

void Path::addBezier(const kit::Point* points, int op)
{
    if (!points || (op != dps_curveto && op != dps_rcurveto))
        return;
    ensure(6, 1);
    for (int i = 0; i < 3; ++i)
        put(points[i].x, points[i].y);
    putOp(op);
    if (op == dps_curveto) {
        for (int i = 0; i < 3; ++i)
            widen(points[i].x, points[i].y);
        current_ = points[2];
    } else {
        for (int i = 0; i < 3; ++i)
            widen(current_.x + points[i].x, current_.y + points[i].y);
        current_ = {current_.x + points[2].x, current_.y + points[2].y};
    }
}

void Path::addArc(const float* values, int op)
{
    if (!values || (op != dps_arc && op != dps_arcn))
        return;
    ensure(5, 1);
    for (int i = 0; i < 5; ++i)
        pts_[static_cast<std::size_t>(num_pts++)] = values[i];
    putOp(op);
    arcBox(values);
}

void Path::addClosepath()
{
    ensure(0, 1);
    putOp(dps_closepath);
    current_ = start_;
}

void Path::addSegment(const float* values, int op)
{
    if (!values && op != dps_closepath)
        return;
    switch (op) {
    case dps_moveto:
    case dps_rmoveto:
    case dps_lineto:
    case dps_rlineto: {
        const kit::Point p{values[0], values[1]};
        addLine(&p, op);
        break;
    }
    case dps_curveto:
    case dps_rcurveto: {
        const kit::Point p[3] = {{values[0], values[1]}, {values[2], values[3]}, {values[4], values[5]}};
        addBezier(p, op);
        break;
    }
    case dps_arc:
    case dps_arcn:
        addArc(values, op);
        break;
    case dps_closepath:
        addClosepath();
        break;
    default:
        break;
    }
}

void Path::addSegment(const float* points, const unsigned char* operators, int numPoints, int numOperators)
{
    if (!points || !operators || numPoints < 0 || numOperators < 0)
        return;
    ensure(2 * numPoints, numOperators);
    bool relative = false;
    for (int i = 0; i < numPoints; ++i) {
        put(points[2 * i], points[2 * i + 1]);
        widen(points[2 * i], points[2 * i + 1]);
    }
    for (int i = 0; i < numOperators; ++i) {
        putOp(operators[i]);
        relative |= operators[i] == dps_rmoveto || operators[i] == dps_rlineto || operators[i] == dps_rcurveto;
    }
    if (relative)
        resetBbox();
}

void Path::insertSegment(const float* points, const unsigned char* operators, int numPoints, int numOperators,
                         int pointIndex, int opIndex)
{
    if (!points || !operators || numPoints < 0 || numOperators < 0 || pointIndex < 0 ||
        2 * pointIndex > num_pts || opIndex < 0 || opIndex > num_ops - 1)
        return;
    ensure(2 * numPoints, numOperators);
    float* p = pts_.data() + 2 * pointIndex;
    std::memmove(p + 2 * numPoints, p, sizeof(float) * static_cast<std::size_t>(num_pts - 2 * pointIndex));
    std::memcpy(p, points, sizeof(float) * 2 * static_cast<std::size_t>(numPoints));
    num_pts += 2 * numPoints;
    unsigned char* o = ops_.data() + 1 + opIndex;
    std::memmove(o + numOperators, o, static_cast<std::size_t>(num_ops - 1 - opIndex));
    std::memcpy(o, operators, static_cast<std::size_t>(numOperators));
    num_ops += numOperators;
    resetBbox();
}

void Path::resetBbox()
{
    AXInitBbox(bbox_);
    current_ = {};
    int at = 0;
    for (int i = 1; i < num_ops; ++i) {
        const int op = ops_[static_cast<std::size_t>(i)];
        const int need = floatsForOperator(op);
        if (at + need > num_pts)
            break; // operators without their numbers: nothing more to box
        const float* v = pts_.data() + at;
        switch (op) {
        case dps_moveto:
            start_ = {v[0], v[1]};
            [[fallthrough]];
        case dps_lineto:
            current_ = {v[0], v[1]};
            widen(v[0], v[1]);
            break;
        case dps_rmoveto:
        case dps_rlineto:
            current_ = {current_.x + v[0], current_.y + v[1]};
            widen(current_.x, current_.y);
            break;
        case dps_curveto:
            for (int k = 0; k < 3; ++k)
                widen(v[2 * k], v[2 * k + 1]);
            current_ = {v[4], v[5]};
            break;
        case dps_rcurveto:
            for (int k = 0; k < 3; ++k)
                widen(current_.x + v[2 * k], current_.y + v[2 * k + 1]);
            current_ = {current_.x + v[4], current_.y + v[5]};
            break;
        case dps_arc:
        case dps_arcn:
            arcBox(v);
            break;
        case dps_closepath:
            current_ = start_;
            break;
        default:
            break;
        }
        at += need;
    }
}

bool Path::checkReset(kit::Point oldPoint, kit::Point newPoint, const float* box)
{
    const bool oldOnEdge = oldPoint.x == box[0] || oldPoint.x == box[2] || oldPoint.y == box[1] || oldPoint.y == box[3];
    const bool newInside = newPoint.x >= box[0] && newPoint.x <= box[2] && newPoint.y >= box[1] && newPoint.y <= box[3];
    return oldOnEdge || !newInside;
}

// Overwrites one stored point; answers whether the box may have changed.
bool Path::replacePoint(int index, kit::Point p)
{
    if (index < 0 || 2 * index + 1 >= num_pts)
        return false;
    float* at = pts_.data() + 2 * index;
    const bool reset = checkReset({at[0], at[1]}, p, bbox_);
    at[0] = p.x;
    at[1] = p.y;
    return reset;
}

void Path::replaceLine(const kit::Point* point, int pointIndex)
{
    if (point && replacePoint(pointIndex, *point))
        resetBbox();
}

void Path::replaceBezier(const kit::Point* points, int pointIndex)
{
    if (!points)
        return;
    bool reset = false;
    for (int i = 0; i < 3; ++i)
        reset = replacePoint(pointIndex + i, points[i]);
    if (reset)
        resetBbox();
}

void Path::replaceArc(const float* values, int pointIndex)
{
    const int at = 2 * pointIndex;
    if (!values || at < 0 || at + 5 > num_pts)
        return;
    // The box takes the centre and the circle; any change may move it.
    std::copy(values, values + 5, pts_.begin() + at);
    resetBbox();
}

void Path::replaceSegment(const kit::Point* points, int endIndex, int startIndex)
{
    if (!points || startIndex < 0 || endIndex < startIndex)
        return;
    bool reset = false;
    for (int i = startIndex; i <= endIndex; ++i)
        reset |= replacePoint(i, points[i - startIndex]);
    if (reset)
        resetBbox();
}

bool Path::sendPath(int action, bool withCache)
{
    if (num_pts == 0 || num_ops <= 1 || action == 0)
        return true;
    return sendGuarded([&](kit::DrawContext& context) {
        const std::size_t first = withCache ? 0 : 1;
        kit::UserPath path{std::span<const float>(pts_.data(), static_cast<std::size_t>(num_pts)),
                           std::span<const unsigned char>(ops_.data() + first, static_cast<std::size_t>(num_ops) - first)};
        const float box[4] = {bbox_[0], bbox_[1], bbox_[2], bbox_[3]};
        if (!context.doUserPath(path, std::span<const float, 4>(box), static_cast<kit::UserPathAction>(action)))
            throw std::runtime_error("user path refused");
    });
}

void AXInitBbox(float* box)
{
    box[0] = box[1] = 1000000.0f;
    box[2] = box[3] = -1000000.0f;
}

void AXCheckBbox(float* box, float x, float y)
{
    box[0] = std::min(box[0], x);
    box[1] = std::min(box[1], y);
    box[2] = std::max(box[2], x);
    box[3] = std::max(box[3], y);
}

void AXSetBbox(const kit::Rect* rect, float* box)
{
    if (!rect)
        return;
    box[0] = kit::minX(*rect);
    box[1] = kit::minY(*rect);
    box[2] = kit::minX(*rect) + kit::width(*rect);
    box[3] = kit::minY(*rect) + kit::height(*rect);
}

void AXAddLine(Path* path, const kit::Point* point, int op)
{
    if (!path || !point)
        return;
    path->ensure(2, 1);
    path->put(point->x, point->y);
    path->putOp(op);
    path->widen(point->x, point->y);
}

int AXAddLineCoordinates(Path* path, float x, float y, int op)
{
    if (!path)
        return -1;
    const kit::Point p{x, y};
    AXAddLine(path, &p, op);
    return path->num_ops - 2;
}

void AXAddBezier(Path* path, const kit::Point* points, int op)
{
    if (!path || !points)
        return;
    path->ensure(6, 1);
    for (int i = 0; i < 3; ++i) {
        path->put(points[i].x, points[i].y);
        path->widen(points[i].x, points[i].y);
    }
    path->putOp(op);
}

void AXAddArc(Path* path, const float* values, int op)
{
    if (path)
        path->addArc(values, op);
}

void AXAddClosepath(Path* path)
{
    if (!path)
        return;
    path->ensure(0, 1);
    path->putOp(dps_closepath);
}

void AXAddSegment(Path* path, const float* values, int op)
{
    if (!path)
        return;
    switch (op) {
    case dps_moveto:
    case dps_rmoveto:
    case dps_lineto:
    case dps_rlineto:
        if (values) {
            const kit::Point p{values[0], values[1]};
            AXAddLine(path, &p, op);
        }
        break;
    case dps_curveto:
    case dps_rcurveto:
        if (values) {
            const kit::Point p[3] = {{values[0], values[1]}, {values[2], values[3]}, {values[4], values[5]}};
            AXAddBezier(path, p, op);
        }
        break;
    case dps_arc:
    case dps_arcn:
        AXAddArc(path, values, op);
        break;
    case dps_closepath:
        AXAddClosepath(path);
        break;
    default:
        break;
    }
}

void AXAddManySegments(Path* path, const float* points, const unsigned char* operators, int numPoints,
                       int numOperators)
{
    if (!path || !points || !operators || numPoints < 0 || numOperators < 0)
        return;
    path->ensure(2 * numPoints, numOperators);
    for (int i = 0; i < numPoints; ++i) {
        path->put(points[2 * i], points[2 * i + 1]);
        path->widen(points[2 * i], points[2 * i + 1]);
    }
    for (int i = 0; i < numOperators; ++i)
        path->putOp(operators[i]);
}

// ---------------------------------------------------------------- RectList

RectList* RectList::new_()
{
    static RectList shared(16);
    return &shared;
}

void RectList::initCount(int n)
{
    n = std::max(n, 8);
    max = 4 * n;
    pts_.assign(static_cast<std::size_t>(max), 0.0f);
    num_pts = num_ops = 0;
}

void RectList::grow()
{
    if (max == 0) {
        initCount(8);
        return;
    }
    max = std::max(2 * max, 32);
    pts_.resize(static_cast<std::size_t>(max), 0.0f);
}

void RectList::setAvailableCapacity(int n)
{
    if (n <= 0)
        return;
    if (pts_.empty() || num_ops < n) {
        // Never below what is stored.
        n = std::max(n, num_ops);
        max = 4 * n;
        pts_.resize(static_cast<std::size_t>(max), 0.0f);
    }
}

void RectList::setNumRects(int n)
{
    num_ops = std::clamp(n, 0, maxRects());
    num_pts = 4 * num_ops;
}

void RectList::addRect(const kit::Rect* rect) { AXAddRect(this, rect); }

void AXAddRect(RectList* list, const kit::Rect* rect)
{
    if (!list || !rect)
        return;
    while (list->max < list->num_pts + 4)
        list->grow();
    float* p = list->pts_.data() + list->num_pts;
    p[0] = kit::minX(*rect);
    p[1] = kit::minY(*rect);
    p[2] = kit::width(*rect);
    p[3] = kit::height(*rect);
    list->num_pts += 4;
    ++list->num_ops;
}

void RectList::addRectSendIfFull(const kit::Rect& rect, int operation) { AXAddRectSendIfFull(this, rect, operation); }

void AXAddRectSendIfFull(RectList* list, const kit::Rect& rect, int operation)
{
    if (!list)
        return;
    if (list->num_ops + 1 > 500) {
        list->sendRect(operation);
        list->empty();
    }
    AXAddRect(list, &rect);
}

bool RectList::sendRect(int operation)
{
    if (num_pts == 0 || num_ops == 0 || num_ops != num_pts / 4)
        return true;
    std::vector<kit::Rect> rects;
    rects.reserve(static_cast<std::size_t>(num_ops));
    for (int i = 0; i < num_ops; ++i) {
        const float* p = pts_.data() + 4 * i;
        rects.push_back(kit::makeRect(p[0], p[1], p[2], p[3]));
    }
    return sendGuarded([&](kit::DrawContext& context) {
        switch (operation) {
        case RectListClipAndFill:
            context.rectclipList(rects);
            context.rectfillList(rects);
            break;
        case RectListFill:
            context.rectfillList(rects);
            break;
        case RectListStroke:
            context.rectstrokeList(rects);
            break;
        default:
            break;
        }
    });
}

// ---------------------------------------------------------------- XYShow

XYShow* XYShow::new_()
{
    static XYShow shared(16);
    return &shared;
}

void XYShow::initCount(int n)
{
    n = std::max(n, 16);
    max = 2 * n;
    pts_.assign(static_cast<std::size_t>(max), 0.0f);
    chars_.assign(static_cast<std::size_t>(max / 2 + 1), 0);
    num_pts = num_ops = 0;
}

void XYShow::grow()
{
    if (max == 0) {
        initCount(16);
        return;
    }
    max = std::max(2 * max, 32);
    pts_.resize(static_cast<std::size_t>(max), 0.0f);
    chars_.resize(static_cast<std::size_t>(max / 2 + 1), 0);
}

void XYShow::setAvailableCapacity(int n)
{
    if (n > 0 && max < 2 * n) {
        max = 2 * n;
        pts_.resize(static_cast<std::size_t>(max), 0.0f);
        chars_.resize(static_cast<std::size_t>(max / 2 + 1), 0);
    }
}

void XYShow::empty()
{
    num_pts = num_ops = 0;
    last_ = {};
}

void XYShow::setNumPts(int floats) { num_pts = std::clamp(floats, 0, max); }

void XYShow::setNumChars(int n) { num_ops = std::clamp(n, 0, max / 2); }

void XYShow::ensureRoom()
{
    while (max < num_pts + 4 || num_ops + 1 > max / 2)
        grow();
}

void XYShow::append(float dx, float dy, unsigned char c)
{
    ensureRoom();
    pts_[static_cast<std::size_t>(num_pts++)] = dx;
    pts_[static_cast<std::size_t>(num_pts++)] = dy;
    chars_[static_cast<std::size_t>(num_ops++)] = c;
}

void XYShow::addChar(const kit::Point* position, unsigned char c) { AXAddChar(this, position, c); }

void XYShow::addCharSendFull(const kit::Point* position, unsigned char c) { AXAddCharSendFull(this, position, c); }

void XYShow::moveto(float x, float y)
{
    while (max < 2)
        grow();
    pts_[0] = x;
    pts_[1] = y;
}

bool XYShow::sendXYWithAdjust(bool roundToPixels)
{
    if (num_pts == 0 || num_ops == 0 || num_ops != num_pts / 2)
        return true;
    ensureRoom();
    pts_[static_cast<std::size_t>(num_pts)] = 0.0f;
    pts_[static_cast<std::size_t>(num_pts) + 1] = 0.0f;
    chars_[static_cast<std::size_t>(num_ops)] = 0;
    return sendGuarded([&](kit::DrawContext& context) {
        if (roundToPixels)
            PSWmovetoround(pts_[0], pts_[1]);
        else
            context.moveto(pts_[0], pts_[1]);
        context.xyshow(std::string_view(reinterpret_cast<const char*>(chars_.data()), static_cast<std::size_t>(num_ops)),
                       std::span<const float>(pts_.data() + 2, static_cast<std::size_t>(num_pts)));
    });
}

void AXAddChar(XYShow* buffer, const kit::Point* position, unsigned char c)
{
    if (buffer && position)
        AXAddCharCoordinates(buffer, position->x, position->y, c);
}

void AXAddCharCoordinates(XYShow* buffer, float x, float y, unsigned char c)
{
    if (!buffer)
        return;
    const kit::Point last = buffer->last();
    AXAddCharDeltaCoordinates(buffer, x - last.x, y - last.y, c);
}

void AXAddCharDelta(XYShow* buffer, const kit::Point* offset, unsigned char c)
{
    if (buffer && offset)
        AXAddCharDeltaCoordinates(buffer, offset->x, offset->y, c);
}

void AXAddCharDeltaCoordinates(XYShow* buffer, float dx, float dy, unsigned char c)
{
    if (!buffer)
        return;
    buffer->append(dx, dy, c);
    buffer->last_ = {buffer->last_.x + dx, buffer->last_.y + dy};
}

void AXAddCharSendFull(XYShow* buffer, const kit::Point* position, unsigned char c)
{
    if (buffer && position)
        AXAddCharCoordinatesSendFull(buffer, position->x, position->y, c);
}

void AXAddCharCoordinatesSendFull(XYShow* buffer, float x, float y, unsigned char c)
{
    if (!buffer)
        return;
    if (buffer->isFull()) {
        buffer->sendXY();
        buffer->empty();
    }
    AXAddCharCoordinates(buffer, x, y, c);
}
