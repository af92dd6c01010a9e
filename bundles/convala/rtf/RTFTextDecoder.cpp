#include "bundles/convala/rtf/RTFTextDecoder.h"

#include "core/Encoding.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <iconv.h>

namespace {

// Code pages the C library cannot read share one table: every byte above
// ASCII lost.
constexpr int UnknownCodePage = 0;

// The C library's name of a code page; nullptr for none.
const char* iconvName(int codePage)
{
    switch (codePage) {
    case 437: return "CP437";
    case 737: return "CP737";
    case 775: return "CP775";
    case 850: return "CP850";
    case 852: return "CP852";
    case 855: return "CP855";
    case 857: return "CP857";
    case 858: return "CP858";
    case 860: return "CP860";
    case 861: return "CP861";
    case 862: return "CP862";
    case 863: return "CP863";
    case 864: return "CP864";
    case 865: return "CP865";
    case 866: return "CP866";
    case 869: return "CP869";
    case 874: return "CP874";
    case 932: return "CP932";
    case 936: return "CP936";
    case 949: return "CP949";
    case 950: return "CP950";
    case 1250: return "CP1250";
    case 1251: return "CP1251";
    case 1252: return "CP1252";
    case 1253: return "CP1253";
    case 1254: return "CP1254";
    case 1255: return "CP1255";
    case 1256: return "CP1256";
    case 1257: return "CP1257";
    case 1258: return "CP1258";
    case 1361: return "CP1361";
    // Apple's: Roman, Japanese, Chinese (traditional), Korean, Chinese
    // (simplified), Cyrillic, Ukrainian, Central European, Icelandic. The C
    // library has no Greek, Turkish, Arabic, Hebrew or Thai of Apple's.
    case 10000: return "MACINTOSH";
    case 10001: return "SHIFT_JIS";
    case 10002: return "BIG5";
    case 10003: return "EUC-KR";
    case 10007: return "MAC-CYRILLIC";
    case 10008: return "EUC-CN";
    case 10017: return "MAC-UK";
    case 10029: return "MAC-CENTRALEUROPE";
    case 10079: return "MAC-IS";
    case 20127: return "ASCII";
    case 20866: return "KOI8-R";
    case 20932: return "EUC-JP";
    case 21866: return "KOI8-U";
    case 28591: return "ISO-8859-1";
    case 28592: return "ISO-8859-2";
    case 28593: return "ISO-8859-3";
    case 28594: return "ISO-8859-4";
    case 28595: return "ISO-8859-5";
    case 28596: return "ISO-8859-6";
    case 28597: return "ISO-8859-7";
    case 28598: return "ISO-8859-8";
    case 28599: return "ISO-8859-9";
    case 28603: return "ISO-8859-13";
    case 28605: return "ISO-8859-15";
    case 51949: return "EUC-KR";
    case 54936: return "GB18030";
    case 65001: return "UTF-8";
    default: return nullptr;
    }
}

bool isHighSurrogate(char32_t ch) { return ch >= 0xD800 && ch <= 0xDBFF; }
bool isLowSurrogate(char32_t ch) { return ch >= 0xDC00 && ch <= 0xDFFF; }

} // namespace

// One code page: what each byte is (a character, the lead byte of a longer
// one, or nothing), and the converter that reads the longer ones.
class RTFTextDecoder::CodePageTable {
public:
    static constexpr char32_t None = 0xFFFFFFFF;
    static constexpr char32_t Lead = 0xFFFFFFFE;
    enum class Result { Character, Incomplete, Invalid };

    explicit CodePageTable(int codePage)
    {
        table_.fill(None);
        if (codePage == NeXTSTEPCodePage) {
            for (int b = 0; b < 256; ++b)
                if (const std::optional<char32_t> ch = kit::toUnicode(kit::Encoding::NeXTSTEP, static_cast<unsigned char>(b)))
                    table_[std::size_t(b)] = *ch;
            return;
        }
        if (codePage == SymbolCodePage) {
            for (int b = 0; b < 256; ++b)
                table_[std::size_t(b)] = 0xF000 + char32_t(b);
            return;
        }
        for (int b = 0; b < 0x80; ++b)
            table_[std::size_t(b)] = char32_t(b);
        const char* name = iconvName(codePage);
        converter_ = name ? iconv_open("UTF-32LE", name) : reinterpret_cast<iconv_t>(-1);
        if (!usable())
            return;
        for (int b = 0; b < 256; ++b) {
            const char byte = static_cast<char>(b);
            char32_t ch = 0;
            switch (convert(std::string_view(&byte, 1), &ch)) {
            case Result::Character:
                table_[std::size_t(b)] = ch;
                break;
            case Result::Incomplete:
                table_[std::size_t(b)] = Lead;
                break;
            case Result::Invalid:
                table_[std::size_t(b)] = None;
                break;
            }
        }
    }
    ~CodePageTable()
    {
        if (usable())
            iconv_close(converter_);
    }
    CodePageTable(const CodePageTable&) = delete;
    CodePageTable& operator=(const CodePageTable&) = delete;

    char32_t entry(unsigned char byte) const { return table_[byte]; }

    // The bytes of one character, as the code page has them.
    Result convert(std::string_view bytes, char32_t* ch)
    {
        if (!usable())
            return Result::Invalid;
        iconv(converter_, nullptr, nullptr, nullptr, nullptr);
        char* in = const_cast<char*>(bytes.data());
        std::size_t inLeft = bytes.size();
        std::array<char, 16> buffer{};
        char* out = buffer.data();
        std::size_t outLeft = buffer.size();
        if (iconv(converter_, &in, &inLeft, &out, &outLeft) == static_cast<std::size_t>(-1)) {
            if (errno == EINVAL)
                return Result::Incomplete;
            return Result::Invalid;
        }
        // A converter that holds a letter back for the accent that may
        // follow (Vietnamese) gives it up here.
        iconv(converter_, nullptr, nullptr, &out, &outLeft);
        const std::size_t produced = buffer.size() - outLeft;
        if (produced != 4)
            return Result::Invalid;
        const auto* u = reinterpret_cast<const unsigned char*>(buffer.data());
        *ch = char32_t(u[0]) | char32_t(u[1]) << 8 | char32_t(u[2]) << 16 | char32_t(u[3]) << 24;
        return Result::Character;
    }

private:
    bool usable() const { return converter_ != reinterpret_cast<iconv_t>(-1); }

    std::array<char32_t, 256> table_{};
    iconv_t converter_ = reinterpret_cast<iconv_t>(-1);
};

RTFTextDecoder::RTFTextDecoder() : frames_(1) {}

void RTFTextDecoder::UTF8Output::character(char32_t ch) { kit::appendUTF8(text_, ch); }

RTFTextDecoder::~RTFTextDecoder() = default;

int RTFTextDecoder::codePageOfCharset(int charset)
{
    switch (charset) {
    case 2: return SymbolCodePage;
    case 77: return 10000;
    case 78: return 10001;
    case 79: return 10003;
    case 80: return 10008;
    case 81: return 10002;
    case 83: return 10005;
    case 84: return 10004;
    case 85: return 10006;
    case 86: return 10081;
    case 87: return 10021;
    case 88: return 10029;
    case 89: return 10007;
    case 128: return 932;
    case 129: return 949;
    case 130: return 1361;
    case 134: return 936;
    case 136: return 950;
    case 161: return 1253;
    case 162: return 1254;
    case 163: return 1258;
    case 177: return 1255;
    case 178: return 1256;
    case 179: return 1256;
    case 180: return 1256;
    case 181: return 1255;
    case 186: return 1257;
    case 204: return 1251;
    case 222: return 874;
    case 238: return 1250;
    case 254: return 437;
    case 255: return 437;
    default: return 0; // 0 ANSI, 1 default and numbers RTF does not know
    }
}

bool RTFTextDecoder::knowsCodePage(int codePage)
{
    if (codePage == NeXTSTEPCodePage || codePage == SymbolCodePage)
        return true;
    const char* name = iconvName(codePage);
    if (!name)
        return false;
    const iconv_t converter = iconv_open("UTF-32LE", name);
    if (converter == reinterpret_cast<iconv_t>(-1))
        return false;
    iconv_close(converter);
    return true;
}

void RTFTextDecoder::setDocumentCodePage(int codePage)
{
    flushPending();
    documentCodePage_ = codePage;
}

void RTFTextDecoder::setFontCharset(int font, int charset)
{
    flushPending();
    fontCodePages_[font] = codePageOfCharset(charset);
}

void RTFTextDecoder::setFontCodePage(int font, int codePage)
{
    flushPending();
    fontCodePages_[font] = codePage;
}

void RTFTextDecoder::selectFont(int font)
{
    flushPending();
    frames_.back().font = font;
}

void RTFTextDecoder::setUnicodeSkip(int count) { frames_.back().unicodeSkip = std::clamp(count, 0, MaxUnicodeSkip); }

void RTFTextDecoder::groupOpened()
{
    interrupt();
    // The dispatcher bounds the nesting; so does this, should another not.
    if (frames_.size() < 100000)
        frames_.push_back(frames_.back());
    else
        ++overflow_;
}

void RTFTextDecoder::groupClosed()
{
    interrupt();
    if (overflow_ > 0)
        --overflow_;
    else if (frames_.size() > 1)
        frames_.pop_back();
}

int RTFTextDecoder::codePageInForce() const
{
    const int font = frames_.back().font;
    if (font >= 0 && !fontCodePages_.empty()) {
        const auto it = fontCodePages_.find(font);
        if (it != fontCodePages_.end() && it->second != 0)
            return it->second;
    }
    return documentCodePage_;
}

RTFTextDecoder::CodePageTable* RTFTextDecoder::tableFor(int codePage)
{
    if (codePage != NeXTSTEPCodePage && codePage != SymbolCodePage && !iconvName(codePage))
        codePage = UnknownCodePage;
    if (lastTable_ && lastCodePage_ == codePage)
        return lastTable_;
    std::unique_ptr<CodePageTable>& table = tables_[codePage];
    if (!table)
        table = std::make_unique<CodePageTable>(codePage);
    lastCodePage_ = codePage;
    lastTable_ = table.get();
    return lastTable_;
}

void RTFTextDecoder::flushPending()
{
    if (!pending_.empty()) {
        pending_.clear();
        lost_ = true;
    }
}

void RTFTextDecoder::interrupt()
{
    flushPending();
    if (highSurrogate_) {
        highSurrogate_ = 0;
        lost_ = true;
    }
    skip_ = 0;
}

bool RTFTextDecoder::consumeFallback()
{
    if (skip_ > 0) {
        --skip_;
        return true;
    }
    interrupt();
    return false;
}

namespace {

void emit(RTFTextDecoder::Output& out, char32_t ch)
{
    // Controls are no text (a tab is, as the tab it is).
    if (ch < 0x20 && ch != '\t')
        return;
    out.character(ch);
}

} // namespace

void RTFTextDecoder::text(std::string_view bytes, Output& out, Reading reading)
{
    const bool symbolBytes = reading == Reading::Symbol;
    CodePageTable* table = nullptr;
    int codePage = 0;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        const auto byte = static_cast<unsigned char>(bytes[i]);
        if (skip_ > 0) {
            --skip_;
            continue;
        }
        if (highSurrogate_) {
            highSurrogate_ = 0;
            lost_ = true;
        }
        if (symbolBytes) {
            flushPending();
            if (byte >= 0x20)
                out.character(0xF000 + byte);
            else
                emit(out, byte);
            continue;
        }
        if (!pending_.empty()) {
            pending_.push_back(static_cast<char>(byte));
            char32_t ch = 0;
            switch (tableFor(pendingCodePage_)->convert(pending_, &ch)) {
            case CodePageTable::Result::Character:
                pending_.clear();
                emit(out, ch);
                continue;
            case CodePageTable::Result::Incomplete:
                if (pending_.size() < 4)
                    continue;
                break;
            case CodePageTable::Result::Invalid:
                break;
            }
            // No character: the lead is lost; a byte of ASCII after it is
            // read on its own.
            pending_.clear();
            lost_ = true;
            if (byte >= 0x80)
                continue;
        }
        if (!table) {
            codePage = codePageInForce();
            if (reading == Reading::Name && codePage == SymbolCodePage)
                codePage = documentCodePage_;
            table = tableFor(codePage);
        }
        const char32_t entry = table->entry(byte);
        if (entry == CodePageTable::Lead) {
            pending_.assign(1, static_cast<char>(byte));
            pendingCodePage_ = codePage;
        } else if (entry == CodePageTable::None) {
            lost_ = true;
        } else {
            emit(out, entry);
        }
    }
}

void RTFTextDecoder::unicode(std::int32_t n, Output& out)
{
    flushPending();
    const std::int64_t value = n < 0 ? std::int64_t(n) + 65536 : std::int64_t(n);
    const int skip = frames_.back().unicodeSkip;
    if (value < 0 || value > 0x10FFFF) {
        interrupt();
        lost_ = true;
    } else if (isHighSurrogate(char32_t(value))) {
        if (highSurrogate_)
            lost_ = true;
        highSurrogate_ = char32_t(value);
    } else if (isLowSurrogate(char32_t(value))) {
        if (highSurrogate_)
            emit(out, 0x10000 + ((highSurrogate_ - 0xD800) << 10) + (char32_t(value) - 0xDC00));
        else
            lost_ = true;
        highSurrogate_ = 0;
    } else {
        if (highSurrogate_) {
            highSurrogate_ = 0;
            lost_ = true;
        }
        emit(out, char32_t(value));
    }
    skip_ = skip;
}
