#pragma once

// RTF's characters as Unicode, for every reader of RTF text: the bytes of
// text runs and "\'hh" escapes in the code page in force (the document's
// \ansi, \mac, \pc, \pca or \ansicpgN, unless the font in use says
// otherwise with \fcharsetN or \cpgN), multi-byte characters whose lead and
// trail bytes arrive as separate elements, and "\uN" characters (negative
// N counted from 65536, surrogate pairs joined) with the N fallback bytes
// of the group's \ucN skipped, whatever they are. The font and \ucN belong
// to the group they are set in and end with it, as RTF's groups have it.
//
// Code pages are read through the C library's iconv; the converters and the
// byte tables made from them are the decoder's, one per code page used, for
// the length of the read. A byte no character can be made of (a code page
// the C library lacks, a lead byte without its trail, half a surrogate
// pair) gives no character and is noted as lost.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

class RTFTextDecoder {
public:
    // Where the characters go.
    class Output {
    public:
        virtual void character(char32_t ch) = 0;

    protected:
        ~Output() = default;
    };
    // Characters as UTF-8, appended to a string.
    class UTF8Output final : public Output {
    public:
        explicit UTF8Output(std::string& text) : text_(text) {}
        void character(char32_t ch) override;

    private:
        std::string& text_;
    };

    // Code pages that are no Windows code page number: the documents' own
    // set (\nextcset), and a symbol font's bytes, which stand for its
    // glyphs and come out as U+F000 + byte (the private-use codes that
    // programs give symbol fonts).
    static constexpr int NeXTSTEPCodePage = -1;
    static constexpr int SymbolCodePage = 42;
    // The most fallback bytes a \ucN asks for that are honoured.
    static constexpr int MaxUnicodeSkip = 16;

    RTFTextDecoder();
    ~RTFTextDecoder();
    RTFTextDecoder(const RTFTextDecoder&) = delete;
    RTFTextDecoder& operator=(const RTFTextDecoder&) = delete;

    // The code page of the document (1252 until said otherwise).
    void setDocumentCodePage(int codePage);
    int documentCodePage() const { return documentCodePage_; }
    // A font's character set (\fcharsetN) or code page (\cpgN): how the
    // bytes read in that font are taken. Charsets 0 and 1 read in the
    // document's code page.
    void setFontCharset(int font, int charset);
    void setFontCodePage(int font, int codePage);
    // \fN: the font text is read in, to the end of the group.
    void selectFont(int font);
    int currentFont() const { return frames_.back().font; }
    // \ucN: fallback bytes after each \uN, to the end of the group.
    void setUnicodeSkip(int count);
    int unicodeSkip() const { return frames_.back().unicodeSkip; }

    // The code page of a \fcharsetN; 0 for charsets that read in the
    // document's code page (0, 1 and unknown numbers).
    static int codePageOfCharset(int charset);
    // Whether the C library reads the code page.
    bool knowsCodePage(int codePage);

    // Braces: a group begins or ends. Either ends a fallback and a pending
    // lead byte or surrogate half.
    void groupOpened();
    void groupClosed();

    // How bytes are read: in the code page in force; as a symbol font's
    // (U+F000 + byte), whatever the code page; or as a name in a table
    // (a symbol font's name is in the document's code page).
    enum class Reading { Text, Symbol, Name };
    // Bytes of text (a run or an escape). Control characters other than
    // the tab give nothing.
    void text(std::string_view bytes, Output& out, Reading reading = Reading::Text);
    // \uN, then its fallback is skipped.
    void unicode(std::int32_t n, Output& out);
    // A control word that stands for one character ("\emdash", "\tab"):
    // true when it is (part of) the fallback of a \uN and is to be dropped.
    bool consumeFallback();
    // Any other control word that reaches the text: a fallback, a lead byte
    // or a surrogate half waiting ends here.
    void interrupt();

    // Whether characters were lost since the last call.
    bool takeLost()
    {
        const bool lost = lost_;
        lost_ = false;
        return lost;
    }

private:
    struct Frame {
        int font = -1;
        int unicodeSkip = 1;
    };
    class CodePageTable;

    CodePageTable* tableFor(int codePage);
    int codePageInForce() const;
    void flushPending();

    std::vector<Frame> frames_;
    std::size_t overflow_ = 0; // groups past the frames kept
    int documentCodePage_ = 1252;
    std::unordered_map<int, int> fontCodePages_;
    std::unordered_map<int, std::unique_ptr<CodePageTable>> tables_;
    int lastCodePage_ = 0;
    CodePageTable* lastTable_ = nullptr;
    int skip_ = 0;
    // The first bytes of a multi-byte character, and the code page they
    // were read in.
    std::string pending_;
    int pendingCodePage_ = 0;
    char32_t highSurrogate_ = 0;
    bool lost_ = false;
};
