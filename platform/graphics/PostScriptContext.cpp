#include "graphics/PostScriptContext.h"

#include "core/Encoding.h"
#include "core/FileManager.h"
#include "core/Locale.h"
#include "graphics/Font.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>

namespace kit {

namespace {

// DSC lines stay below 255 characters; operands are wrapped well before.
constexpr std::size_t kWrapColumn = 200;

// The prologue's procedures, in a dictionary of their own so that an EPS file
// leaves the including document's dictionaries alone. Names are short because
// a page of text holds thousands of them.
const char* const kProcSet =
    "/Sc_dict 64 dict def\n"
    "Sc_dict begin\n"
    "/m {moveto} bind def /rm {rmoveto} bind def /l {lineto} bind def /rl {rlineto} bind def\n"
    "/c {curveto} bind def /rc {rcurveto} bind def /cp {closepath} bind def /np {newpath} bind def\n"
    "/f {fill} bind def /ef {eofill} bind def /s {stroke} bind def\n"
    "/gs {gsave} bind def /gr {grestore} bind def\n"
    "/g {setgray} bind def /rgb {setrgbcolor} bind def /k {setcmykcolor} bind def\n"
    "/lw {setlinewidth} bind def /lc {setlinecap} bind def /lj {setlinejoin} bind def\n"
    "/ml {setmiterlimit} bind def /d {setdash} bind def\n"
    "/t {translate} bind def /sc {scale} bind def /ro {rotate} bind def /cm {concat} bind def\n"
    "/rf {rectfill} bind def /rs {rectstroke} bind def\n"
    "/sf {selectfont} bind def /sh {show} bind def /xsh {xyshow} bind def\n"
    "% Matrices are relative to the page's default matrix, saved at page set-up.\n"
    "/sm {Sc_dm matrix concatmatrix setmatrix} bind def\n"
    "/im {Sc_dm setmatrix} bind def\n"
    "% moveto the centre of the device pixel holding the point\n"
    "/mr {transform .5 sub round .5 add exch .5 sub round .5 add exch itransform moveto} bind def\n"
    "% newname basename encoding Sc_re -\n"
    "/Sc_re {exch findfont dup length 1 add dict begin\n"
    " {1 index /FID ne {def} {pop pop} ifelse} forall\n"
    " /Encoding exch def currentdict end definefont pop} bind def\n"
    "end\n";

const char* const kProcSetName = "Scrivly-Drawing 1.0 0";

void appendSanitized(std::string& out, std::string_view text)
{
    std::size_t n = std::min<std::size_t>(text.size(), 200);
    for (std::size_t i = 0; i < n; ++i) {
        unsigned char ch = static_cast<unsigned char>(text[i]);
        out += (ch < 32 || ch == 127) ? ' ' : static_cast<char>(ch);
    }
}

void appendBox(std::string& out, const Rect& r, bool integral)
{
    double x0 = std::min(minX(r), maxX(r)), x1 = std::max(minX(r), maxX(r));
    double y0 = std::min(minY(r), maxY(r)), y1 = std::max(minY(r), maxY(r));
    if (integral) {
        x0 = std::floor(x0);
        y0 = std::floor(y0);
        x1 = std::ceil(x1);
        y1 = std::ceil(y1);
    }
    const double v[4] = {x0, y0, x1, y1};
    for (int i = 0; i < 4; ++i) {
        if (i)
            out += ' ';
        appendPostScriptNumber(out, v[i]);
    }
}

bool hasBox(const Rect& r) { return width(r) != 0 && height(r) != 0; }

Rect unionBoxes(const Rect& a, const Rect& b)
{
    if (!hasBox(a))
        return b;
    if (!hasBox(b))
        return a;
    float x0 = std::min(minX(a), minX(b)), y0 = std::min(minY(a), minY(b));
    float x1 = std::max(maxX(a), maxX(b)), y1 = std::max(maxY(a), maxY(b));
    return makeRect(x0, y0, x1 - x0, y1 - y0);
}

bool isPlainToken(std::string_view text)
{
    if (text.empty())
        return false;
    for (unsigned char ch : text)
        if (ch <= 32 || ch >= 127 || ch == '(' || ch == ')' || ch == '\\')
            return false;
    return true;
}

bool isValidName(std::string_view name)
{
    if (name.empty() || name.size() > 127)
        return false;
    for (unsigned char ch : name)
        if (ch <= 32 || ch >= 127 || std::string_view("()<>[]{}/%").find(static_cast<char>(ch)) != std::string_view::npos)
            return false;
    return true;
}

} // namespace

// ---- Tokens.

namespace {

// Room for the longest number putNumber writes: a sign, 14 digits, a point
// and 4 decimals.
constexpr std::size_t kNumberRoom = 24;

// The number as appendPostScriptNumber writes it, into `at` (kNumberRoom
// bytes); answers the end, or null for a value of 1e14 or more, which has
// no fixed decimals. Text is mostly numbers, so this stays out of the
// library: llround is a call, and a string append per digit is slow.
// Writes magnitude (in ten-thousandths) backwards from end; answers the start.
template <class Unsigned>
char* putDigitsBackwards(char* end, Unsigned magnitude)
{
    char* p = end;
    Unsigned whole = magnitude / 10000;
    unsigned fraction = static_cast<unsigned>(magnitude % 10000);
    if (fraction) {
        int places = 4;
        while (fraction % 10 == 0) {
            fraction /= 10;
            --places;
        }
        for (int i = 0; i < places; ++i) {
            *--p = static_cast<char>('0' + fraction % 10);
            fraction /= 10;
        }
        *--p = '.';
    }
    do {
        *--p = static_cast<char>('0' + whole % 10);
        whole /= 10;
    } while (whole);
    return p;
}

char* putNumber(char* at, double value)
{
    if (!std::isfinite(value)) {
        *at = '0';
        return at + 1;
    }
    if (std::fabs(value) >= 1e14)
        return nullptr;
    const double tenThousandths = value * 10000.0;
    // Rounded half away from zero, as llround does; the fraction is exact.
    long long scaled = static_cast<long long>(tenThousandths);
    const double fraction = tenThousandths - static_cast<double>(scaled);
    if (fraction >= 0.5)
        ++scaled;
    else if (fraction <= -0.5)
        --scaled;
    if (scaled == 0) {
        *at = '0';
        return at + 1;
    }
    char digits[kNumberRoom];
    char* const end = digits + sizeof digits;
    const unsigned long long magnitude =
        scaled < 0 ? static_cast<unsigned long long>(-scaled) : static_cast<unsigned long long>(scaled);
    // Nearly every number fits 32 bits, whose divisions are cheaper.
    char* p = magnitude <= 0xFFFFFFFFull ? putDigitsBackwards(end, static_cast<unsigned>(magnitude))
                                         : putDigitsBackwards(end, magnitude);
    if (scaled < 0)
        *--p = '-';
    const std::size_t length = static_cast<std::size_t>(end - p);
    std::memcpy(at, p, length);
    return at + length;
}

} // namespace

void appendPostScriptNumber(std::string& out, double value)
{
    char buffer[kNumberRoom];
    if (const char* end = putNumber(buffer, value)) {
        out.append(buffer, static_cast<std::size_t>(end - buffer));
        return;
    }
    // Beyond the range of fixed decimals; an integer this long is read as a real.
    out += formatString("%.0f", value);
}

std::string postScriptNumber(double value)
{
    std::string s;
    appendPostScriptNumber(s, value);
    return s;
}

void appendPostScriptString(std::string& out, std::string_view bytes)
{
    // Gathered in a buffer of our own: every printed glyph passes through here.
    char chunk[4096];
    std::size_t used = 0;
    chunk[used++] = '(';
    std::size_t column = 1;
    for (unsigned char ch : bytes) {
        // The longest step: an escape of 4 and a line break of 2, with room
        // left for the closing parenthesis.
        if (used + 7 > sizeof chunk) {
            out.append(chunk, used);
            used = 0;
        }
        if (ch == '(' || ch == ')' || ch == '\\') {
            chunk[used++] = '\\';
            chunk[used++] = static_cast<char>(ch);
            column += 2;
        } else if (ch < 32 || ch >= 127) {
            chunk[used++] = '\\';
            chunk[used++] = static_cast<char>('0' + (ch >> 6));
            chunk[used++] = static_cast<char>('0' + ((ch >> 3) & 7));
            chunk[used++] = static_cast<char>('0' + (ch & 7));
            column += 4;
        } else {
            chunk[used++] = static_cast<char>(ch);
            ++column;
        }
        if (column >= kWrapColumn) {
            chunk[used++] = '\\';
            chunk[used++] = '\n';
            column = 0;
        }
    }
    chunk[used++] = ')';
    out.append(chunk, used);
}

// ---- The writer.

PostScriptContext::PostScriptContext(Kind kind) : kind_(kind) {}

PostScriptContext::~PostScriptContext() = default;

void PostScriptContext::beginDocument(const PostScriptDocumentInfo& info)
{
    if (phase_ != Phase::Idle) {
        refuse("beginDocument", "a document is already begun");
        return;
    }
    info_ = info;
    phase_ = Phase::Prologue;
    out_ = &prologue_;
    lineStart_ = prologue_.size();
    resetGraphicsState();
}

void PostScriptContext::endPrologue()
{
    if (phase_ == Phase::Idle)
        beginDocument({});
    if (phase_ != Phase::Prologue)
        return;
    phase_ = Phase::Setup;
    out_ = &setup_;
    lineStart_ = setup_.size();
}

void PostScriptContext::beginPage(const std::string& label, int number, const Rect& boundingBox)
{
    if (phase_ == Phase::Done) {
        refuse("beginPage", "the document is finished");
        return;
    }
    if (phase_ == Phase::Idle)
        beginDocument({});
    if (phase_ == Phase::Prologue)
        endPrologue();
    if (phase_ == Phase::PageSetup || phase_ == Phase::Page)
        endPage();
    if (kind_ == Kind::EPS && pages_ >= 1) {
        refuse("beginPage", "an EPS file has one page");
        return;
    }
    ++pages_;
    pagesBox_ = unionBoxes(pagesBox_, boundingBox);
    phase_ = Phase::PageSetup;
    out_ = &pagesText_;
    std::string& o = pagesText_;
    if (kind_ == Kind::Document) {
        o += "%%Page: ";
        std::string shown = label.empty() ? std::to_string(number) : label;
        if (isPlainToken(shown) && shown.size() <= 100) {
            o += shown;
        } else {
            std::string quoted;
            appendPostScriptString(quoted, shown.substr(0, 100));
            std::replace(quoted.begin(), quoted.end(), '\n', ' ');
            o += quoted;
        }
        o += ' ';
        o += std::to_string(pages_);
        o += '\n';
        if (hasBox(boundingBox)) {
            o += "%%PageBoundingBox: ";
            appendBox(o, boundingBox, true);
            o += '\n';
        }
        o += "%%BeginPageSetup\n";
    }
    o += "/Sc_pg save def\n";
    lineStart_ = o.size();
    pageSetupHasText_ = false;
    resetGraphicsState();
    written_ = Written{};
    writtenStack_.clear();
}

void PostScriptContext::endPageSetup()
{
    if (phase_ != Phase::PageSetup)
        return;
    std::string& o = pagesText_;
    o += "/Sc_dm matrix currentmatrix def\n";
    if (kind_ == Kind::Document)
        o += "%%EndPageSetup\n";
    lineStart_ = o.size();
    phase_ = Phase::Page;
    written_ = Written{};
    // A document's page starts from the interpreter's initial graphics
    // state; an EPS file cannot know what its includer set.
    if (kind_ == Kind::Document && !pageSetupHasText_) {
        written_.colorKnown = true;
        written_.lineWidth = 1;
        written_.lineCap = 0;
        written_.lineJoin = 0;
        written_.miterLimit = 10;
        written_.dashKnown = true;
    }
}

void PostScriptContext::endPage()
{
    if (phase_ == Phase::PageSetup)
        endPageSetup();
    if (phase_ != Phase::Page)
        return;
    std::string& o = pagesText_;
    startLineIfNeeded();
    o += "Sc_pg restore\n";
    if (kind_ == Kind::Document)
        o += "showpage\n%%PageTrailer\n";
    lineStart_ = o.size();
    // Room for the other pages at the first page's size and a quarter more:
    // each copy of a growing buffer writes fresh memory, which the system
    // hands out page by page, while room never written costs nothing.
    if (pages_ == 1 && info_.pages > 1 && kind_ == Kind::Document)
        o.reserve(o.size() + o.size() / 4 * 5 * std::size_t(info_.pages - 1));
    phase_ = Phase::BetweenPages;
    resetGraphicsState();
    writtenStack_.clear();
    written_ = Written{};
}

void PostScriptContext::endDocument()
{
    if (phase_ == Phase::Done)
        return;
    if (phase_ == Phase::Idle)
        beginDocument({});
    if (phase_ == Phase::Prologue)
        endPrologue();
    if (phase_ == Phase::PageSetup || phase_ == Phase::Page)
        endPage();

    // The header, prologue and set-up go in front of the pages, in the
    // pages' own buffer when it has room: no second copy of the document.
    std::string o;
    o.reserve(prologue_.size() + setup_.size() + 8192);
    o += kind_ == Kind::EPS ? "%!PS-Adobe-3.0 EPSF-3.0\n" : "%!PS-Adobe-3.0\n";
    Rect box = hasBox(info_.boundingBox) ? info_.boundingBox : pagesBox_;
    if (hasBox(box) || kind_ == Kind::EPS) {
        o += "%%BoundingBox: ";
        appendBox(o, box, true);
        o += "\n%%HiResBoundingBox: ";
        appendBox(o, box, false);
        o += '\n';
    }
    auto comment = [&](const char* key, const std::string& value) {
        if (value.empty())
            return;
        o += key;
        appendSanitized(o, value);
        o += '\n';
    };
    comment("%%Creator: ", info_.creator);
    comment("%%Title: ", info_.title);
    comment("%%CreationDate: ", info_.creationDate);
    comment("%%For: ", info_.forWhom);
    o += "%%LanguageLevel: 2\n";
    if (kind_ == Kind::Document) {
        o += "%%Pages: " + std::to_string(pages_) + "\n";
        o += "%%PageOrder: Ascend\n";
    }
    bool first = true;
    for (const UsedFont& f : fonts_) {
        o += first ? "%%DocumentNeededResources: font " : "%%+ font ";
        o += f.name;
        o += '\n';
        first = false;
    }
    o += "%%DocumentSuppliedResources: procset ";
    o += kProcSetName;
    o += "\n%%EndComments\n";

    o += "%%BeginProlog\n%%BeginResource: procset ";
    o += kProcSetName;
    o += '\n';
    o += kProcSet;
    o += "%%EndResource\n";
    o += prologue_;
    if (!prologue_.empty() && prologue_.back() != '\n')
        o += '\n';
    o += "%%EndProlog\n";

    o += "%%BeginSetup\nSc_dict begin\n";
    bool reencoding = false;
    for (const UsedFont& f : fonts_) {
        o += "%%IncludeResource: font " + f.name + "\n";
        reencoding = reencoding || f.reencoded;
    }
    if (reencoding) {
        // The documents' character set as an encoding vector.
        o += "/Sc_enc [";
        for (int code = 0; code < 256; ++code) {
            o += (code % 8 == 0) ? '\n' : ' ';
            std::string_view name = glyphName(Encoding::NeXTSTEP, static_cast<unsigned char>(code));
            o += '/';
            if (name.empty() || !isValidName(name))
                o += ".notdef";
            else
                o += name;
        }
        o += "\n] def\n";
        for (const UsedFont& f : fonts_)
            if (f.reencoded)
                o += "/" + f.usedName + " /" + f.name + " Sc_enc Sc_re\n";
    }
    o += setup_;
    if (!setup_.empty() && setup_.back() != '\n')
        o += '\n';
    o += "%%EndSetup\n";
    pagesText_.insert(0, o);
    pagesText_ += "%%Trailer\nend\n%%EOF\n";
    output_ = std::move(pagesText_);
    pagesText_ = std::string();

    phase_ = Phase::Done;
    out_ = nullptr;
}

bool PostScriptContext::writeToFile(const std::string& path) const
{
    if (phase_ != Phase::Done)
        return false;
    return FileManager::writeFileAtomically(path, std::string_view(output_));
}

// ---- Output helpers.

bool PostScriptContext::body(std::string_view opName)
{
    if (phase_ == Phase::PageSetup)
        endPageSetup();
    if (phase_ == Phase::Page)
        return true;
    refuse(opName, "drawing outside a page");
    return false;
}

void PostScriptContext::startLineIfNeeded()
{
    if (out_ && out_->size() > lineStart_) {
        out_->push_back('\n');
        lineStart_ = out_->size();
    }
}

void PostScriptContext::breakLineIfLong()
{
    if (out_->size() - lineStart_ > kWrapColumn) {
        out_->push_back('\n');
        lineStart_ = out_->size();
    } else {
        out_->push_back(' ');
    }
}

void PostScriptContext::number(double v)
{
    appendPostScriptNumber(*out_, v);
    breakLineIfLong();
}

void PostScriptContext::numbers(std::span<const float> values)
{
    // number() for each, gathered in a buffer of our own and remembered by
    // value: the advances of every glyph printed pass through here.
    std::string& out = *out_;
    char chunk[4096];
    std::size_t used = 0;
    for (float v : values) {
        if (used + kNumberRoom + 1 > sizeof chunk) {
            out.append(chunk, used);
            used = 0;
        }
        char* end = chunk + used;
        std::uint32_t bits;
        std::memcpy(&bits, &v, sizeof bits);
        WrittenNumber& memo = numberMemo_[(bits * 2654435761u) >> 23];
        if (memo.length != 0 && memo.bits == bits) {
            std::memcpy(end, memo.text, sizeof memo.text);
            end += memo.length;
        } else if (char* written = putNumber(end, v)) {
            if (std::size_t length = std::size_t(written - end); length <= sizeof memo.text) {
                memo.bits = bits;
                memo.length = std::uint8_t(length);
                std::memcpy(memo.text, end, length);
            }
            end = written;
        } else {
            out.append(chunk, used);
            used = 0;
            number(v);
            continue;
        }
        // Past the wrap column the line ends after this number, as breakLineIfLong ends it.
        const bool wrap = out.size() + std::size_t(end - chunk) - lineStart_ > kWrapColumn;
        *end++ = wrap ? '\n' : ' ';
        used = std::size_t(end - chunk);
        if (wrap)
            lineStart_ = out.size() + used;
    }
    out.append(chunk, used);
}

void PostScriptContext::numbers(std::initializer_list<double> values)
{
    for (double v : values)
        number(v);
}

void PostScriptContext::closeArray()
{
    if (out_->back() == ' ')
        out_->back() = ']';
    else
        out_->push_back(']');
    out_->push_back(' ');
}

void PostScriptContext::op(std::string_view name)
{
    out_->append(name);
    out_->push_back('\n');
    lineStart_ = out_->size();
}

void PostScriptContext::rectOperands(std::span<const Rect> rects)
{
    if (rects.size() == 1) {
        const Rect& r = rects[0];
        numbers({minX(r), minY(r), width(r), height(r)});
        return;
    }
    out_->push_back('[');
    for (const Rect& r : rects)
        numbers({minX(r), minY(r), width(r), height(r)});
    closeArray();
}

void PostScriptContext::color(const ColorValue& value, std::string_view opName, std::initializer_list<double> components)
{
    if (written_.colorKnown && written_.color == value)
        return;
    numbers(components);
    op(opName);
    written_.colorKnown = true;
    written_.color = value;
}

const std::string& PostScriptContext::usedFontName(const FontState& f)
{
    for (const UsedFont& used : fonts_)
        if (used.name == f.name)
            return used.usedName;
    bool reencode = f.font->encodingScheme() == FontEncodingScheme::Document;
    fonts_.push_back({f.name, reencode ? "Sc-" + f.name : f.name, reencode});
    return fonts_.back().usedName;
}

void PostScriptContext::font(const FontState& f)
{
    if (!isValidName(f.name)) {
        refuse("selectfont", "font name unusable in PostScript");
        written_.font.clear();
        return;
    }
    // A font known only by name is one the output defines itself.
    const std::string& name = f.font ? usedFontName(f) : f.name;
    const Matrix& m = f.matrix;
    std::string key = name;
    key += ' ';
    key += m.description();
    if (written_.font == key)
        return;
    out_->push_back('/');
    out_->append(name);
    out_->push_back(' ');
    if (m.a == m.d && m.b == 0 && m.c == 0 && m.tx == 0 && m.ty == 0) {
        number(m.a);
    } else {
        out_->push_back('[');
        numbers({m.a, m.b, m.c, m.d, m.tx, m.ty});
        closeArray();
    }
    op("sf");
    written_.font = std::move(key);
}

void PostScriptContext::pathOps(const UserPath& path)
{
    static const unsigned char wants[12] = {4, 2, 2, 2, 2, 6, 6, 5, 5, 5, 0, 0};
    static const char* const names[12] = {nullptr, "m", "rm", "l", "rl", "c", "rc", "arc", "arcn", "arct", "cp", nullptr};
    std::size_t next = 0;
    int repeat = 1;
    // The base class has checked the path: every operator has its numbers.
    for (unsigned char code : path.ops) {
        if (code > 32) {
            repeat = code - 32;
            continue;
        }
        for (int r = 0; r < repeat && code < 12; ++r) {
            std::size_t n = wants[code];
            if (names[code]) {
                for (std::size_t j = 0; j < n; ++j)
                    number(path.coords[next + j]);
                out_->append(names[code]);
                breakLineIfLong();
            }
            next += n;
        }
        repeat = 1;
    }
}

// ---- Graphics state.

void PostScriptContext::emitGsave()
{
    if (!body("gsave"))
        return;
    op("gs");
    writtenStack_.push_back(written_);
}

void PostScriptContext::emitGrestore()
{
    // Only what this page saved may be restored: an extra grestore would
    // fall back to the page's saved state.
    if (phase_ != Phase::Page || writtenStack_.empty())
        return;
    op("gr");
    written_ = std::move(writtenStack_.back());
    writtenStack_.pop_back();
}

// ---- Paths.

void PostScriptContext::emitNewpath()
{
    if (body("newpath"))
        op("np");
}

void PostScriptContext::emitMoveto(float x, float y)
{
    if (!body("moveto"))
        return;
    numbers({x, y});
    op("m");
}

void PostScriptContext::emitRmoveto(float dx, float dy)
{
    if (!body("rmoveto"))
        return;
    numbers({dx, dy});
    op("rm");
}

void PostScriptContext::emitLineto(float x, float y)
{
    if (!body("lineto"))
        return;
    numbers({x, y});
    op("l");
}

void PostScriptContext::emitRlineto(float dx, float dy)
{
    if (!body("rlineto"))
        return;
    numbers({dx, dy});
    op("rl");
}

void PostScriptContext::emitCurveto(const float (&p)[6])
{
    if (!body("curveto"))
        return;
    numbers({p[0], p[1], p[2], p[3], p[4], p[5]});
    op("c");
}

void PostScriptContext::emitRcurveto(const float (&p)[6])
{
    if (!body("rcurveto"))
        return;
    numbers({p[0], p[1], p[2], p[3], p[4], p[5]});
    op("rc");
}

void PostScriptContext::emitArc(float x, float y, float r, float angle1, float angle2, bool clockwise)
{
    if (!body(clockwise ? "arcn" : "arc"))
        return;
    numbers({x, y, r, angle1, angle2});
    op(clockwise ? "arcn" : "arc");
}

void PostScriptContext::emitClosepath()
{
    if (body("closepath"))
        op("cp");
}

// ---- Painting.

void PostScriptContext::emitFill(FillRule rule)
{
    if (body("fill"))
        op(rule == FillRule::NonZero ? "f" : "ef");
}

void PostScriptContext::emitStroke()
{
    if (body("stroke"))
        op("s");
}

void PostScriptContext::emitClip(FillRule rule)
{
    if (body("clip"))
        op(rule == FillRule::NonZero ? "clip" : "eoclip");
}

void PostScriptContext::emitInitclip()
{
    if (!body("initclip"))
        return;
    if (kind_ == Kind::EPS) {
        // An EPS file may not widen the clip its includer set.
        refuse("initclip", "not allowed in EPS output; the clip is kept");
        return;
    }
    op("initclip");
}

void PostScriptContext::emitRectfill(std::span<const Rect> rects)
{
    if (!body("rectfill"))
        return;
    rectOperands(rects);
    op("rf");
}

void PostScriptContext::emitRectstroke(std::span<const Rect> rects)
{
    if (!body("rectstroke"))
        return;
    rectOperands(rects);
    op("rs");
}

void PostScriptContext::emitRectclip(std::span<const Rect> rects)
{
    if (!body("rectclip"))
        return;
    rectOperands(rects);
    op("rectclip");
}

void PostScriptContext::emitRectfillWithGrays(std::span<const Rect> rects, std::span<const float> grays)
{
    if (!body("rectfill"))
        return;
    op("gs");
    for (std::size_t i = 0; i < rects.size(); ++i) {
        number(grays[i]);
        out_->append("g ");
        numbers({minX(rects[i]), minY(rects[i]), width(rects[i]), height(rects[i])});
        op("rf");
    }
    op("gr");
}

// ---- Colour and lines.

void PostScriptContext::emitSetgray(float gray)
{
    if (body("setgray"))
        color(ColorValue{Color::Space::Gray, {gray, 0, 0, 0}}, "g", {gray});
}

void PostScriptContext::emitSetrgbcolor(float r, float g, float b)
{
    if (body("setrgbcolor"))
        color(ColorValue{Color::Space::RGB, {r, g, b, 0}}, "rgb", {r, g, b});
}

void PostScriptContext::emitSetcmykcolor(float c, float m, float y, float k)
{
    if (body("setcmykcolor"))
        color(ColorValue{Color::Space::CMYK, {c, m, y, k}}, "k", {c, m, y, k});
}

void PostScriptContext::emitSethsbcolor(float h, float s, float b)
{
    if (!body("sethsbcolor"))
        return;
    numbers({h, s, b});
    op("sethsbcolor");
    written_.colorKnown = false;
}

void PostScriptContext::emitSetlinewidth(float w)
{
    if (!body("setlinewidth") || written_.lineWidth == w)
        return;
    number(w);
    op("lw");
    written_.lineWidth = w;
}

void PostScriptContext::emitSetlinecap(int cap)
{
    if (!body("setlinecap") || written_.lineCap == cap)
        return;
    number(cap);
    op("lc");
    written_.lineCap = cap;
}

void PostScriptContext::emitSetlinejoin(int join)
{
    if (!body("setlinejoin") || written_.lineJoin == join)
        return;
    number(join);
    op("lj");
    written_.lineJoin = join;
}

void PostScriptContext::emitSetmiterlimit(float limit)
{
    if (!body("setmiterlimit") || written_.miterLimit == limit)
        return;
    number(limit);
    op("ml");
    written_.miterLimit = limit;
}

void PostScriptContext::emitSetdash(std::span<const float> pattern, float offset)
{
    if (!body("setdash"))
        return;
    if (written_.dashKnown && written_.dashOffset == offset &&
        std::equal(pattern.begin(), pattern.end(), written_.dash.begin(), written_.dash.end()))
        return;
    out_->push_back('[');
    for (float v : pattern)
        number(v);
    closeArray();
    number(offset);
    op("d");
    written_.dashKnown = true;
    written_.dash.assign(pattern.begin(), pattern.end());
    written_.dashOffset = offset;
}

// ---- Coordinate system.

void PostScriptContext::emitTranslate(float tx, float ty)
{
    if (!body("translate") || (tx == 0 && ty == 0))
        return;
    numbers({tx, ty});
    op("t");
}

void PostScriptContext::emitScale(float sx, float sy)
{
    if (!body("scale") || (sx == 1 && sy == 1))
        return;
    numbers({sx, sy});
    op("sc");
}

void PostScriptContext::emitRotate(float degrees)
{
    if (!body("rotate") || degrees == 0)
        return;
    number(degrees);
    op("ro");
}

void PostScriptContext::emitConcat(const Matrix& m)
{
    if (!body("concat") || m.isIdentity())
        return;
    out_->push_back('[');
    numbers({m.a, m.b, m.c, m.d, m.tx, m.ty});
    closeArray();
    op("cm");
}

void PostScriptContext::emitSetmatrix(const Matrix& m)
{
    if (!body("setmatrix"))
        return;
    out_->push_back('[');
    numbers({m.a, m.b, m.c, m.d, m.tx, m.ty});
    closeArray();
    op("sm");
}

void PostScriptContext::emitInitmatrix()
{
    if (body("initmatrix"))
        op("im");
}

// ---- Fonts and text.

void PostScriptContext::emitSelectfont(const FontState& f)
{
    if (body("selectfont"))
        font(f);
}

void PostScriptContext::emitSetfont(const FontState& f)
{
    if (body("setfont"))
        font(f);
}

void PostScriptContext::emitMakefont(const Matrix&, const FontState& f)
{
    if (body("makefont"))
        font(f);
}

void PostScriptContext::emitShow(std::string_view bytes)
{
    if (!body("show"))
        return;
    appendPostScriptString(*out_, bytes);
    if (bytes.size() * 4 >= kWrapColumn) {
        std::size_t newline = out_->rfind('\n');
        if (newline != std::string::npos && newline + 1 > lineStart_)
            lineStart_ = newline + 1;
    }
    out_->push_back(' ');
    op("sh");
}

void PostScriptContext::emitXyshow(std::string_view bytes, std::span<const float> offsets)
{
    if (!body("xyshow"))
        return;
    appendPostScriptString(*out_, bytes);
    if (bytes.size() * 4 >= kWrapColumn) {
        std::size_t newline = out_->rfind('\n');
        if (newline != std::string::npos && newline + 1 > lineStart_)
            lineStart_ = newline + 1;
    }
    out_->append(" [");
    numbers(offsets);
    closeArray();
    op("xsh");
}

void PostScriptContext::emitUserPath(const UserPath& path, std::span<const float, 4>, UserPathAction action, const DevicePath&)
{
    if (!body("doUserPath"))
        return;
    if (action == UserPathAction::uappend) {
        pathOps(path);
        startLineIfNeeded();
        return;
    }
    // ufill and friends paint the path without touching the current one.
    out_->append("gs np ");
    pathOps(path);
    switch (action) {
    case UserPathAction::ufill:
        out_->append("f ");
        break;
    case UserPathAction::ueofill:
        out_->append("ef ");
        break;
    default:
        out_->append("s ");
        break;
    }
    op("gr");
}

void PostScriptContext::emitMovetoRound(float x, float y)
{
    if (!body("movetoRound"))
        return;
    numbers({x, y});
    op("mr");
}

void PostScriptContext::emitPostScript(std::string_view text)
{
    switch (phase_) {
    case Phase::Idle:
    case Phase::Done:
    case Phase::BetweenPages:
        refuse("sendPostScript", "no prologue, set-up or page to send it to");
        return;
    case Phase::PageSetup:
        pageSetupHasText_ = true;
        break;
    case Phase::Page:
        // The text may have changed anything; nothing written is known now.
        written_ = Written{};
        break;
    default:
        break;
    }
    startLineIfNeeded();
    out_->append(text);
    // A newline ends a trailing comment or token, so the next operator
    // cannot run into the text.
    if (out_->back() != '\n')
        out_->push_back('\n');
    lineStart_ = out_->size();
}

void PostScriptContext::emitCompositerect(const Rect& r, CompositeOp compositeOp)
{
    if (!body("compositerect"))
        return;
    switch (compositeOp) {
    case CompositeOp::Clear:
        // On paper, cleared is white.
        op("gs");
        out_->append("1 g ");
        numbers({minX(r), minY(r), width(r), height(r)});
        op("rf");
        op("gr");
        break;
    case CompositeOp::Copy:
    case CompositeOp::SourceOver:
        numbers({minX(r), minY(r), width(r), height(r)});
        op("rf");
        break;
    default:
        // The other operations combine with what is already on the screen;
        // paper has no such thing.
        break;
    }
}

// ---- Pictures.

namespace {

// ASCII85 (PostScript Level 2), in lines of at most 76 characters. A line
// never starts with "%", so that nothing reads the data as a DSC comment.
class ASCII85Writer {
public:
    explicit ASCII85Writer(std::string& out) : out_(out) {}

    void put(unsigned char byte)
    {
        tuple_ = (tuple_ << 8) | byte;
        if (++count_ == 4) {
            emit(4);
            tuple_ = 0;
            count_ = 0;
        }
    }
    void finish()
    {
        if (count_ > 0) {
            tuple_ <<= 8 * (4 - count_);
            emit(count_);
        }
        text("~>");
        out_ += '\n';
    }

private:
    void emit(int bytes)
    {
        if (bytes == 4 && tuple_ == 0) {
            text("z");
            return;
        }
        char digits[5];
        std::uint32_t v = tuple_;
        for (int i = 4; i >= 0; --i) {
            digits[i] = static_cast<char>('!' + v % 85);
            v /= 85;
        }
        text(std::string_view(digits, static_cast<std::size_t>(bytes + 1)));
    }
    void text(std::string_view t)
    {
        for (char ch : t) {
            if (column_ >= 76) {
                out_ += '\n';
                column_ = 0;
            }
            if (column_ == 0 && ch == '%') {
                out_ += ' ';
                ++column_;
            }
            out_ += ch;
            ++column_;
        }
    }

    std::string& out_;
    std::uint32_t tuple_ = 0;
    int count_ = 0;
    int column_ = 0;
};

// The pixel's colour samples as the page gets them: alpha composited over
// white paper (PostScript Level 2 has no transparency).
void putPixel(ASCII85Writer& w, const ImagePixels& px, const unsigned char* in)
{
    auto over = [](int c, int a) { return static_cast<unsigned char>((c * a + 127) / 255 + 255 - a); };
    switch (px.model) {
    case ImagePixels::Model::Gray:
        w.put(px.hasAlpha ? over(in[0], in[1]) : in[0]);
        return;
    case ImagePixels::Model::RGB:
        for (int i = 0; i < 3; ++i)
            w.put(px.hasAlpha ? over(in[i], in[3]) : in[i]);
        return;
    case ImagePixels::Model::CMYK:
        // White paper is no ink.
        for (int i = 0; i < 4; ++i)
            w.put(px.hasAlpha ? static_cast<unsigned char>((in[i] * in[4] + 127) / 255) : in[i]);
        return;
    case ImagePixels::Model::ARGB32: {
        std::uint32_t v;
        std::memcpy(&v, in, 4);
        const int a = static_cast<int>(v >> 24);
        // Premultiplied: the colour over white adds what alpha leaves.
        w.put(static_cast<unsigned char>(std::min(255, static_cast<int>((v >> 16) & 0xFF) + 255 - a)));
        w.put(static_cast<unsigned char>(std::min(255, static_cast<int>((v >> 8) & 0xFF) + 255 - a)));
        w.put(static_cast<unsigned char>(std::min(255, static_cast<int>(v & 0xFF) + 255 - a)));
        return;
    }
    }
}

} // namespace

void PostScriptContext::emitDrawImage(const ImagePixels& px, const Rect& rect)
{
    if (!body("drawImage"))
        return;
    const char* space = "/DeviceRGB";
    const char* decode = "[0 1 0 1 0 1]";
    if (px.model == ImagePixels::Model::Gray) {
        space = "/DeviceGray";
        decode = "[0 1]";
    } else if (px.model == ImagePixels::Model::CMYK) {
        space = "/DeviceCMYK";
        decode = "[0 1 0 1 0 1 0 1]";
    }
    startLineIfNeeded();
    std::string& o = *out_;
    o += "gs\n";
    appendPostScriptNumber(o, minX(rect));
    o += ' ';
    appendPostScriptNumber(o, minY(rect));
    o += " t ";
    appendPostScriptNumber(o, width(rect));
    o += ' ';
    appendPostScriptNumber(o, height(rect));
    o += " sc\n";
    o += space;
    o += " setcolorspace\n<</ImageType 1/Width " + std::to_string(px.width) + "/Height " + std::to_string(px.height) +
         "/BitsPerComponent 8/Decode " + decode + "/ImageMatrix[" + std::to_string(px.width) + " 0 0 -" +
         std::to_string(px.height) + " 0 " + std::to_string(px.height) +
         "]/DataSource currentfile/ASCII85Decode filter>>image\n";
    ASCII85Writer writer(o);
    const int spp = px.samplesPerPixel();
    for (int y = 0; y < px.height; ++y) {
        const unsigned char* in = px.data + static_cast<std::size_t>(y) * px.bytesPerRow;
        for (int x = 0; x < px.width; ++x, in += spp)
            putPixel(writer, px, in);
    }
    writer.finish();
    o += "gr\n";
    lineStart_ = o.size();
}

void PostScriptContext::emitIncludeEPS(std::string_view postscript, const Rect& box, std::string_view name)
{
    if (!body("includeEPS"))
        return;
    startLineIfNeeded();
    std::string& o = *out_;
    // The included file's own stack and dictionaries are undone after it,
    // and its showpage does nothing (EPSF 3.0, "Guidelines for importing").
    o += "/Sc_eps_s save def\n/Sc_eps_d countdictstack def\n/Sc_eps_o count 1 sub def\n"
         "userdict begin\n/showpage {} def\n"
         "0 setgray 0 setlinecap 1 setlinewidth 0 setlinejoin 10 setmiterlimit [] 0 setdash newpath\n"
         "/languagelevel where {pop languagelevel 1 ne {false setstrokeadjust false setoverprint} if} if\n";
    (void)box;
    o += "%%BeginDocument: ";
    std::string shown(name.empty() ? std::string_view("Image.eps") : name);
    appendSanitized(o, shown);
    o += '\n';
    o.append(postscript);
    if (o.back() != '\n' && o.back() != '\r')
        o += '\n';
    o += "%%EndDocument\n"
         "count Sc_eps_o sub {pop} repeat\ncountdictstack Sc_eps_d sub {end} repeat\nSc_eps_s restore\n";
    lineStart_ = o.size();
}

} // namespace kit
