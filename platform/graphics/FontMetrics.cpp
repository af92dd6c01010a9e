#include "graphics/FontMetrics.h"

#include <charconv>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <system_error>

namespace kit {

namespace {

constexpr float MaxMagnitude = 100000.0f;

bool isSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\f' || c == '\v';
}

std::string_view trim(std::string_view s)
{
    while (!s.empty() && isSpace(s.front()))
        s.remove_prefix(1);
    while (!s.empty() && isSpace(s.back()))
        s.remove_suffix(1);
    return s;
}

// Splits off the first blank-separated word.
std::string_view nextWord(std::string_view& s)
{
    s = trim(s);
    std::size_t n = 0;
    while (n < s.size() && !isSpace(s[n]))
        ++n;
    std::string_view word = s.substr(0, n);
    s.remove_prefix(n);
    return word;
}

} // namespace

// The parser proper; a class so that it can fill FontMetrics' private index.
class AFMParser {
public:
    AFMParser(std::string_view text, std::string& error) : text_(text), error_(error) {}

    std::optional<FontMetrics> run();

private:
    enum class Section { Header, CharMetrics, KernPairs, Skipped };

    bool nextLine(std::string_view& line);
    bool fail(const std::string& why)
    {
        error_ = "line " + std::to_string(lineNumber_) + ": " + why;
        return false;
    }
    bool number(std::string_view word, float& out, const char* what);
    bool integer(std::string_view word, long& out, const char* what);
    bool numbers(std::string_view rest, float* out, int count, const char* what);
    bool headerLine(std::string_view key, std::string_view rest);
    bool charMetricsLine(std::string_view line);
    bool kernLine(std::string_view key, std::string_view rest);

    std::string_view text_;
    std::size_t pos_ = 0;
    int lineNumber_ = 0;
    std::string& error_;
    FontMetrics m_;
    Section section_ = Section::Header;
    std::string skipUntil_; // the end key of a skipped section
    bool sawCharMetrics_ = false;
    bool ignoredKernPairs_ = false; // StartKernPairs1: vertical writing, not used
};

bool AFMParser::nextLine(std::string_view& line)
{
    if (pos_ >= text_.size())
        return false;
    std::size_t end = pos_;
    while (end < text_.size() && text_[end] != '\n' && text_[end] != '\r')
        ++end;
    line = text_.substr(pos_, end - pos_);
    if (end < text_.size() && text_[end] == '\r' && end + 1 < text_.size() && text_[end + 1] == '\n')
        ++end;
    pos_ = end + 1;
    ++lineNumber_;
    return true;
}

bool AFMParser::number(std::string_view word, float& out, const char* what)
{
    std::string_view digits = word;
    if (!digits.empty() && digits.front() == '+')
        digits.remove_prefix(1);
    float v = 0;
    auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), v);
    if (digits.empty() || ec != std::errc() || end != digits.data() + digits.size())
        return fail(std::string(what) + " is not a number: \"" + std::string(word) + "\"");
    if (!std::isfinite(v) || std::fabs(v) > MaxMagnitude)
        return fail(std::string(what) + " is out of range: " + std::string(word));
    out = v;
    return true;
}

bool AFMParser::integer(std::string_view word, long& out, const char* what)
{
    std::string_view digits = word;
    if (!digits.empty() && digits.front() == '+')
        digits.remove_prefix(1);
    long v = 0;
    auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), v);
    if (digits.empty() || ec != std::errc() || end != digits.data() + digits.size())
        return fail(std::string(what) + " is not an integer: \"" + std::string(word) + "\"");
    out = v;
    return true;
}

bool AFMParser::numbers(std::string_view rest, float* out, int count, const char* what)
{
    for (int i = 0; i < count; ++i) {
        std::string_view w = nextWord(rest);
        if (w.empty())
            return fail(std::string(what) + " needs " + std::to_string(count) + " numbers");
        if (!number(w, out[i], what))
            return false;
    }
    return true;
}

bool AFMParser::headerLine(std::string_view key, std::string_view rest)
{
    auto text = [&] { return std::string(trim(rest)); };
    auto one = [&](float& out, const char* what) {
        float v[1];
        if (!numbers(rest, v, 1, what))
            return false;
        out = v[0];
        return true;
    };
    if (key == "FontName")
        m_.fontName = text();
    else if (key == "FullName")
        m_.fullName = text();
    else if (key == "FamilyName")
        m_.familyName = text();
    else if (key == "Weight")
        m_.weight = text();
    else if (key == "EncodingScheme")
        m_.encodingScheme = text();
    else if (key == "ItalicAngle")
        return one(m_.italicAngle, "ItalicAngle");
    else if (key == "IsFixedPitch") {
        std::string_view v = trim(rest);
        if (v == "true")
            m_.isFixedPitch = true;
        else if (v == "false")
            m_.isFixedPitch = false;
        else
            return fail("IsFixedPitch is neither true nor false");
    } else if (key == "FontBBox") {
        float b[4];
        if (!numbers(rest, b, 4, "FontBBox"))
            return false;
        m_.fontBBox = {b[0], b[1], b[2], b[3]};
    } else if (key == "UnderlinePosition")
        return one(m_.underlinePosition, "UnderlinePosition");
    else if (key == "UnderlineThickness")
        return one(m_.underlineThickness, "UnderlineThickness");
    else if (key == "CapHeight")
        return one(m_.capHeight, "CapHeight");
    else if (key == "XHeight")
        return one(m_.xHeight, "XHeight");
    else if (key == "Ascender")
        return one(m_.ascender, "Ascender");
    else if (key == "Descender")
        return one(m_.descender, "Descender");
    return true;
}

bool AFMParser::charMetricsLine(std::string_view line)
{
    FontMetrics::Glyph g;
    bool hasWidth = false;
    bool hasCode = false;
    while (!line.empty()) {
        std::size_t semi = line.find(';');
        std::string_view item = line.substr(0, semi);
        line.remove_prefix(semi == std::string_view::npos ? line.size() : semi + 1);
        std::string_view rest = item;
        std::string_view key = nextWord(rest);
        if (key.empty())
            continue;
        if (key == "C") {
            long code = 0;
            if (!integer(nextWord(rest), code, "character code"))
                return false;
            if (code < -1 || code > 0xFFFF)
                return fail("character code " + std::to_string(code) + " is out of range");
            g.code = int(code);
            hasCode = true;
        } else if (key == "CH") {
            std::string_view hex = trim(rest);
            if (hex.size() < 3 || hex.front() != '<' || hex.back() != '>')
                return fail("CH needs a hexadecimal code in angle brackets");
            hex = hex.substr(1, hex.size() - 2);
            unsigned long code = 0;
            auto [end, ec] = std::from_chars(hex.data(), hex.data() + hex.size(), code, 16);
            if (ec != std::errc() || end != hex.data() + hex.size() || code > 0xFFFF)
                return fail("CH code is not a hexadecimal number up to FFFF");
            g.code = int(code);
            hasCode = true;
        } else if (key == "WX" || key == "W0X") {
            if (!numbers(rest, &g.width, 1, "WX"))
                return false;
            hasWidth = true;
        } else if (key == "W" || key == "W0") {
            float w[2];
            if (!numbers(rest, w, 2, "W"))
                return false;
            g.width = w[0];
            hasWidth = true;
        } else if (key == "N") {
            std::string_view name = nextWord(rest);
            if (name.empty() || !trim(rest).empty())
                return fail("N needs one glyph name");
            g.name = std::string(name);
        } else if (key == "B") {
            float b[4];
            if (!numbers(rest, b, 4, "B"))
                return false;
            g.box = {b[0], b[1], b[2], b[3]};
        }
        // L (ligatures), W1X, VV and the like are not used.
    }
    if (!hasCode)
        return fail("character metrics without a code (C or CH)");
    if (!hasWidth)
        return fail("character metrics without a width (WX or W)");
    if (m_.glyphs.size() >= FontMetrics::MaxGlyphs)
        return fail("more than " + std::to_string(FontMetrics::MaxGlyphs) + " glyphs");
    if (!g.name.empty())
        m_.byName_.try_emplace(g.name, std::uint32_t(m_.glyphs.size()));
    m_.glyphs.push_back(std::move(g));
    return true;
}

bool AFMParser::kernLine(std::string_view key, std::string_view rest)
{
    if (ignoredKernPairs_ || key == "KPY" || key == "KPH")
        return true;
    if (key != "KPX" && key != "KP")
        return true;
    std::string_view first = nextWord(rest);
    std::string_view second = nextWord(rest);
    if (first.empty() || second.empty())
        return fail(std::string(key) + " needs two glyph names");
    float amounts[2] = {0, 0};
    if (!numbers(rest, amounts, key == "KP" ? 2 : 1, std::string(key).c_str()))
        return false;
    if (m_.kernPairs.size() >= FontMetrics::MaxKernPairs)
        return fail("more than " + std::to_string(FontMetrics::MaxKernPairs) + " kerning pairs");
    auto a = m_.glyphIndex(first);
    auto b = m_.glyphIndex(second);
    if (a && b && amounts[0] != 0)
        m_.kernPairs.push_back({*a, *b, amounts[0]});
    return true;
}

std::optional<FontMetrics> AFMParser::run()
{
    if (text_.size() > FontMetrics::MaxFileSize) {
        error_ = "the file is larger than " + std::to_string(FontMetrics::MaxFileSize) + " bytes";
        return std::nullopt;
    }
    if (text_.find('\0') != std::string_view::npos) {
        error_ = "not an AFM file (it holds NUL bytes)";
        return std::nullopt;
    }
    if (text_.substr(0, 3) == "\xEF\xBB\xBF")
        text_.remove_prefix(3);

    std::string_view line;
    bool started = false;
    bool ended = false;
    while (!ended && nextLine(line)) {
        std::string_view rest = line;
        std::string_view key = nextWord(rest);
        if (key.empty() || key == "Comment")
            continue;
        if (!started) {
            if (key != "StartFontMetrics") {
                fail("not an AFM file (no StartFontMetrics)");
                return std::nullopt;
            }
            started = true;
            continue;
        }
        bool ok = true;
        switch (section_) {
        case Section::Skipped:
            if (key == skipUntil_)
                section_ = Section::Header;
            break;
        case Section::CharMetrics:
            if (key == "EndCharMetrics")
                section_ = Section::Header;
            else
                ok = charMetricsLine(line);
            break;
        case Section::KernPairs:
            if (key == "EndKernPairs")
                section_ = Section::Header;
            else
                ok = kernLine(key, rest);
            break;
        case Section::Header:
            if (key == "StartCharMetrics") {
                if (sawCharMetrics_)
                    ok = fail("a second StartCharMetrics");
                sawCharMetrics_ = true;
                section_ = Section::CharMetrics;
            } else if (key == "StartKernPairs" || key == "StartKernPairs0" || key == "StartKernPairs1") {
                if (!sawCharMetrics_)
                    ok = fail("kerning pairs before the character metrics");
                ignoredKernPairs_ = key == "StartKernPairs1";
                section_ = Section::KernPairs;
            } else if (key == "StartTrackKern") {
                section_ = Section::Skipped;
                skipUntil_ = "EndTrackKern";
            } else if (key == "StartComposites") {
                section_ = Section::Skipped;
                skipUntil_ = "EndComposites";
            } else if (key == "EndFontMetrics") {
                ended = true;
            } else if (key == "StartKernData" || key == "EndKernData" || key == "StartDirection" ||
                       key == "EndDirection") {
                // Containers only; their contents are read as they come.
            } else {
                ok = headerLine(key, rest);
            }
            break;
        }
        if (!ok)
            return std::nullopt;
    }
    if (!started) {
        error_ = "not an AFM file (no StartFontMetrics)";
        return std::nullopt;
    }
    if (!ended) {
        switch (section_) {
        case Section::CharMetrics:
            error_ = "the file ends inside the character metrics (no EndCharMetrics)";
            break;
        case Section::KernPairs:
            error_ = "the file ends inside the kerning pairs (no EndKernPairs)";
            break;
        case Section::Skipped:
            error_ = "the file ends before " + skipUntil_;
            break;
        case Section::Header:
            error_ = "the file ends before EndFontMetrics";
            break;
        }
        return std::nullopt;
    }
    if (section_ != Section::Header) {
        error_ = "line " + std::to_string(lineNumber_) + ": EndFontMetrics inside an open section";
        return std::nullopt;
    }
    if (m_.fontName.empty()) {
        error_ = "no FontName";
        return std::nullopt;
    }
    if (!sawCharMetrics_) {
        error_ = "no character metrics (StartCharMetrics)";
        return std::nullopt;
    }
    return std::move(m_);
}

std::optional<std::uint32_t> FontMetrics::glyphIndex(std::string_view name) const
{
    auto it = byName_.find(std::string(name));
    if (it == byName_.end())
        return std::nullopt;
    return it->second;
}

const FontMetrics::Glyph* FontMetrics::glyphNamed(std::string_view name) const
{
    auto i = glyphIndex(name);
    return i ? &glyphs[*i] : nullptr;
}

std::optional<FontMetrics> FontMetrics::parse(std::string_view text, std::string& error)
{
    error.clear();
    return AFMParser(text, error).run();
}

std::optional<FontMetrics> FontMetrics::parseFile(const std::string& path, std::string& error)
{
    error.clear();
    // Not a directory, a device or a pipe, which would read as garbage or block.
    std::error_code ec;
    auto status = std::filesystem::status(path, ec);
    if (!ec && std::filesystem::exists(status) && !std::filesystem::is_regular_file(status)) {
        error = path + ": not a regular file";
        return std::nullopt;
    }
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        error = "cannot open " + path;
        return std::nullopt;
    }
    in.seekg(0, std::ios::end);
    std::streamoff size = in.tellg();
    if (size < 0) {
        error = "cannot read " + path;
        return std::nullopt;
    }
    if (std::uint64_t(size) > MaxFileSize) {
        error = path + ": the file is larger than " + std::to_string(MaxFileSize) + " bytes";
        return std::nullopt;
    }
    in.seekg(0, std::ios::beg);
    std::string text(std::size_t(size), '\0');
    if (size > 0 && !in.read(text.data(), size)) {
        error = "cannot read " + path;
        return std::nullopt;
    }
    auto m = AFMParser(text, error).run();
    if (!m)
        error = path + ": " + error;
    return m;
}

} // namespace kit
