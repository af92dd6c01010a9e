#pragma once

// Buffers that collect many drawing elements and send them in one operation:
// a user path (Path), a rectangle list (RectList) and positioned characters
// (XYShow). Each class has one shared instance (new_()), overwritten by every
// drawing that uses it: callers empty it first and send before yielding.

#include "core/Geometry.h"

#include <vector>

// User-path operator codes.
inline constexpr unsigned char dps_setbbox = 0;
inline constexpr unsigned char dps_moveto = 1;
inline constexpr unsigned char dps_rmoveto = 2;
inline constexpr unsigned char dps_lineto = 3;
inline constexpr unsigned char dps_rlineto = 4;
inline constexpr unsigned char dps_curveto = 5;
inline constexpr unsigned char dps_rcurveto = 6;
inline constexpr unsigned char dps_arc = 7;
inline constexpr unsigned char dps_arcn = 8;
inline constexpr unsigned char dps_closepath = 10;
inline constexpr unsigned char dps_ucache = 11;

// Actions of a user path and of a rectangle list.
inline constexpr int dps_uappend = 176;
inline constexpr int dps_ufill = 179;
inline constexpr int dps_ustroke = 183;
inline constexpr int RectListClipAndFill = 127;
inline constexpr int RectListFill = 128;
inline constexpr int RectListStroke = 129;

class Path {
public:
    static Path* new_();

    Path();
    explicit Path(int count) { initCount(count); }

    void initCount(int n);
    void init() { initCount(16); }
    void grow();
    void empty();
    bool isFull() const;
    // Would n more points and operators pass the limits?
    bool isFullWith(int n) const;

    int numPts() const { return num_pts / 2; }
    int maxPts() const { return max / 2; }
    int maxOps() const { return max / 2; }
    int numOps() const { return num_ops - 1; }
    void setNumOps(int n);
    float* pts() { return pts_.empty() ? nullptr : pts_.data(); }
    // The operators after the leading cache operator; null when none exist.
    unsigned char* ops() { return ops_.empty() ? nullptr : ops_.data() + 1; }
    kit::Rect bounds() const;
    void setBounds(const kit::Rect& rect);
    const float* bbox() const { return bbox_; }

    void addLine(const kit::Point* point, int op);
    void addBezier(const kit::Point* points, int op);
    void addArc(const float* values, int op);
    void addClosepath();
    void addSegment(const float* values, int op);
    // numPoints points (pairs) and numOps operators appended as given.
    void addSegment(const float* points, const unsigned char* operators, int numPoints, int numOperators);
    // Inserts points at a point index and operators at an operator index
    // (both counted without the leading cache operator); elements after them
    // move up. Out-of-range indexes insert nothing.
    void insertSegment(const float* points, const unsigned char* operators, int numPoints, int numOperators,
                       int pointIndex, int opIndex);
    void resetBbox();

    void replaceLine(const kit::Point* point, int pointIndex);
    void replaceBezier(const kit::Point* points, int pointIndex);
    void replaceArc(const float* values, int pointIndex);
    // Points start .. end (inclusive) replaced by the given ones.
    void replaceSegment(const kit::Point* points, int endIndex, int startIndex);
    static bool checkReset(kit::Point oldPoint, kit::Point newPoint, const float* box);

    bool sendPath(int action) { return sendPath(action, false); }
    bool sendPath(int action, bool withCache);

    // The fields as the system names them.
    int max = 0;
    int num_pts = 0;
    int num_ops = 0;

private:
    friend void AXAddLine(Path*, const kit::Point*, int);
    friend int AXAddLineCoordinates(Path*, float, float, int);
    friend void AXAddBezier(Path*, const kit::Point*, int);
    friend void AXAddArc(Path*, const float*, int);
    friend void AXAddClosepath(Path*);
    friend void AXAddManySegments(Path*, const float*, const unsigned char*, int, int);

    void ensure(int floats, int operators);
    void put(float x, float y) { pts_[static_cast<std::size_t>(num_pts++)] = x, pts_[static_cast<std::size_t>(num_pts++)] = y; }
    void putOp(int op) { ops_[static_cast<std::size_t>(num_ops++)] = static_cast<unsigned char>(op); }
    void widen(float x, float y);
    void arcBox(const float* v);
    bool replacePoint(int index, kit::Point p);

    float bbox_[4] = {1000000, 1000000, -1000000, -1000000};
    std::vector<float> pts_;
    std::vector<unsigned char> ops_;
    kit::Point start_;
    kit::Point current_;
};

void AXInitBbox(float* box);
void AXCheckBbox(float* box, float x, float y);
void AXSetBbox(const kit::Rect* rect, float* box);
void AXAddLine(Path* path, const kit::Point* point, int op);
int AXAddLineCoordinates(Path* path, float x, float y, int op);
void AXAddBezier(Path* path, const kit::Point* points, int op);
void AXAddArc(Path* path, const float* values, int op);
void AXAddClosepath(Path* path);
void AXAddSegment(Path* path, const float* values, int op);
void AXAddManySegments(Path* path, const float* points, const unsigned char* operators, int numPoints,
                       int numOperators);

class RectList {
public:
    static RectList* new_();

    RectList() { initCount(16); }
    explicit RectList(int count) { initCount(count); }

    void initCount(int n);
    void grow();
    void setAvailableCapacity(int n);
    void empty() { num_pts = num_ops = 0; }
    bool isFull() const { return num_ops + 1 > 500; }
    bool isFullWith(int n) const { return num_ops + n > 500; }

    int numRects() const { return num_ops; }
    void setNumRects(int n);
    int maxRects() const { return max / 4; }
    float* rects() { return pts_.empty() ? nullptr : pts_.data(); }

    void addRect(const kit::Rect* rect);
    void addRectSendIfFull(const kit::Rect& rect, int operation);
    bool sendRect(int operation);

    int max = 0;
    int num_pts = 0;
    int num_ops = 0;

private:
    friend void AXAddRect(RectList*, const kit::Rect*);
    std::vector<float> pts_;
};

void AXAddRect(RectList* list, const kit::Rect* rect);
void AXAddRectSendIfFull(RectList* list, const kit::Rect& rect, int operation);

class XYShow {
public:
    static XYShow* new_();

    XYShow() { initCount(16); }
    explicit XYShow(int count) { initCount(count); }

    void initCount(int n);
    void grow();
    void setAvailableCapacity(int n);
    void empty();
    bool isFull() const { return num_pts + 4 > 1000 || num_ops + 1 > 500; }
    bool isFullWith(int n) const { return num_pts + 2 * n + 2 > 1000 || num_ops + n > 500; }

    int numPts() const { return num_pts / 2; }
    int maxPts() const { return max / 2; }
    int maxChars() const { return max / 2; }
    int numChars() const { return num_ops; }
    void setNumPts(int floats);
    void setNumChars(int n);
    float* pts() { return pts_.empty() ? nullptr : pts_.data(); }
    unsigned char* chars() { return chars_.empty() ? nullptr : chars_.data(); }
    kit::Point last() const { return last_; }

    void addChar(const kit::Point* position, unsigned char c);
    void addCharSendFull(const kit::Point* position, unsigned char c);
    void moveto(float x, float y);
    bool sendXY() { return sendXYWithAdjust(false); }
    bool sendXYWithAdjust(bool roundToPixels);

    int max = 0;
    int num_pts = 0;
    int num_ops = 0;

private:
    friend void AXAddCharDeltaCoordinates(XYShow*, float, float, unsigned char);
    void ensureRoom();
    void append(float dx, float dy, unsigned char c);

    std::vector<float> pts_;
    std::vector<unsigned char> chars_;
    kit::Point last_;
};

void AXAddChar(XYShow* buffer, const kit::Point* position, unsigned char c);
void AXAddCharCoordinates(XYShow* buffer, float x, float y, unsigned char c);
void AXAddCharDelta(XYShow* buffer, const kit::Point* offset, unsigned char c);
void AXAddCharDeltaCoordinates(XYShow* buffer, float dx, float dy, unsigned char c);
void AXAddCharSendFull(XYShow* buffer, const kit::Point* position, unsigned char c);
void AXAddCharCoordinatesSendFull(XYShow* buffer, float x, float y, unsigned char c);
