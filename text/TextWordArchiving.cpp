#include "text/TextWord.h"
#include "text/TextWordSpecial.h"

#include "core/Coder.h"
#include "core/Exception.h"
#include "core/Values.h"
#include "foundation/ApplicationDelegate.h"
#include "foundation/Preferences.h"
#include "foundation/StyleChar.h"
#include "graphics/Font.h"
#include "items/TextItem.h"
#include "text/TextFlow.h"
#include "text/TextParagraph.h"

#include <algorithm>
#include <cstring>

namespace {

// The version of the stored form being read: the one place decoders ask.
float storedVersion(const kit::Coder& coder) { return coder.openFileVersion(); }

[[noreturn]] void damaged(const std::string& why)
{
    kit::Exception::raise(kit::ArchiverArchiveInconsistencyException, "damaged word: " + why);
}

int checkedLength(long long length)
{
    if (length < 0 || length > TextWord::MaxWordLength)
        damaged("a length of " + std::to_string(length));
    return static_cast<int>(length);
}

// The stored paragraph is checked but not kept: only the paragraph that takes
// the word into its list points it at itself, so that a word read outside any
// list never points at a paragraph that does not own it (and may go first).
void checkParagraphLink(kit::Coder& coder)
{
    kit::Object* object = coder.decodeObject();
    if (object && !dynamic_cast<TextParagraph*>(object))
        damaged("a " + object->className() + " where its paragraph was stored");
}

} // namespace

void TextWord::initialize()
{
    kit::Font::initialize();
    StyleChar::initialize();
    kit::registerClass<TextWord>("TextWord");
    kit::registerClass<TextWordSpecial>("TextWordSpecial");
    initializeHyphenation();
}

void TextWord::encodeWithCoder(kit::Coder& coder) const
{
    short n = 0;
    if (hasStyles())
        for (int i = 0; i <= length_; ++i)
            n = static_cast<short>(n + (styleAt(i) ? 1 : 0));
    coder.encodeValuesOfObjCTypes("ss", length_, n);
    coder.encodeArrayOfObjCType("c", std::size_t(length_) + 1, text());
    coder.encodeConditionalObject(paragraph_);
    if (n == 0)
        return;
    for (int i = 0; i <= length_; ++i) {
        if (!styleAt(i))
            continue;
        const short index = static_cast<short>(i);
        coder.encodeValuesOfObjCTypes("s", index);
        coder.encodeObject(styleAt(i));
    }
}

kit::Object* TextWord::initWithCoder(kit::Coder& coder)
{
    readPlainWord(coder);
    return this;
}

// Reads the word's own units under the version of the stored form. Every
// count is checked against its bounds and the bytes left before anything is
// sized from it.
void TextWord::readPlainWord(kit::Coder& coder)
{
    const float v = storedVersion(coder);
    wordPieceInfo_.dropStyles();
    hyphenCount_ = -1;
    wordPieceInfo_.assign(1, WordPiece{});
    numWordPieces_ = 1;
    insertPoint_ = 0;
    descent_ = 0;

    auto takeLetters = [&](int length, const char* letters, std::size_t available) {
        allocateBuffers(length + 2);
        std::memcpy(textBuffer(), letters, std::min<std::size_t>(available, std::size_t(length)));
        // A NUL inside the stored letters ends the word there.
        length_ = static_cast<short>(::strnlen(text(), std::size_t(length)));
    };
    // Straight into the word's own letters, which have room for the
    // stored terminator; whatever byte that is, the word ends there.
    auto readLetterArray = [&](int length) {
        coder.checkArrayCount("c", std::size_t(length) + 1);
        allocateBuffers(length + 2);
        coder.decodeArrayOfObjCType("c", std::size_t(length) + 1, reinterpret_cast<char*>(textBuffer()));
        textBuffer()[length] = 0;
        length_ = static_cast<short>(::strnlen(text(), std::size_t(length)));
    };
    // Styles stored as the first `count` slots of an array, one object each.
    auto readStyleSlots = [&](short flag, int count) {
        if (flag == 0)
            return;
        coder.checkUnitCount("@", std::size_t(count));
        auto& styles = createStylesIfNeeded();
        for (int i = 0; i < count; ++i) {
            std::unique_ptr<StyleChar> style = coder.decodeOwnedObject<StyleChar>();
            if (i < int(styles.size()))
                styles[std::size_t(i)] = std::move(style);
        }
    };
    auto readWidths = [&](int count) {
        coder.checkArrayCount("f", std::size_t(count));
        std::vector<float> stored = coder.decodeVectorOfObjCType<float>("f", std::size_t(count));
        std::copy_n(stored.begin(), std::min<std::size_t>(stored.size(), std::size_t(maxlength_)), widthBuffer());
    };
    // Stored points are read past: they are found again from the letters.
    auto readHyphens = [&](long long count, int length) {
        if (count < 0 || count > length)
            damaged("a hyphen count of " + std::to_string(count));
        if (count > 0)
            (void)coder.decodeVectorOfObjCType<short>("s", std::size_t(count));
    };

    paragraph_ = nullptr;
    if (kit::isCurrentFileVersion(v)) {
        short length = 0, n = 0;
        coder.decodeValuesOfObjCTypes("ss", &length, &n);
        const int len = checkedLength(length);
        if (n < 0 || n > len + 1)
            damaged("a style count of " + std::to_string(n));
        readLetterArray(len);
        checkParagraphLink(coder);
        if (n > 0) {
            coder.checkUnitCount("s", std::size_t(n));
            auto& styles = createStylesIfNeeded();
            for (int i = 0; i < n; ++i) {
                short index = 0;
                coder.decodeValuesOfObjCTypes("s", &index);
                if (index < 0 || index > len)
                    damaged("a style slot of " + std::to_string(index));
                styles[std::size_t(index)] = coder.decodeOwnedObject<StyleChar>();
            }
        }
    } else if (v >= 2.25f) {
        short length = 0, flag = 0;
        coder.decodeValuesOfObjCTypes("sss", &length, &langId_, &flag);
        const int len = checkedLength(length);
        readLetterArray(len);
        checkParagraphLink(coder);
        readStyleSlots(flag, len + 1);
    } else if (v >= 2.2f) {
        std::string letters;
        short length = 0, pieces = 0, hyphens = 0, flag = 0, insert = 0;
        coder.decodeValuesOfObjCTypes("*sssssfs", &letters, &length, &insert, &pieces, &hyphens, &langId_, &descent_,
                                      &flag);
        const int len = checkedLength(length);
        takeLetters(len, letters.data(), letters.size());
        if (v >= 2.23f) {
            if (pieces < 1 || pieces > len + 1)
                damaged("a piece count of " + std::to_string(pieces));
            coder.checkUnitCount("ffi", std::size_t(pieces));
            wordPieceInfo_.assign(std::size_t(pieces), WordPiece{});
            for (std::size_t i = 0; i < wordPieceInfo_.size(); ++i) {
                WordPiece& piece = wordPieceInfo_[i];
                const kit::Rect r = coder.decodeRect();
                piece.x = r.origin.x, piece.y = r.origin.y, piece.width = r.size.width, piece.height = r.size.height;
                coder.decodeValuesOfObjCTypes("ffi", &piece.lineStart, &piece.lineHeight, &piece.lastChar);
            }
            numWordPieces_ = pieces;
        } else {
            const kit::Rect r = coder.decodeRect();
            WordPiece& piece = wordPieceInfo_[0];
            piece.x = r.origin.x, piece.y = r.origin.y, piece.width = r.size.width, piece.height = r.size.height;
        }
        checkParagraphLink(coder);
        readWidths(len);
        readHyphens(hyphens, len);
        readStyleSlots(flag, len);
        insertPoint_ = static_cast<short>(std::clamp<int>(insert, 0, length_));
    } else {
        std::string letters;
        coder.decodeValuesOfObjCTypes("*", &letters);
        int length = 0, dropped = 0, insert = 0, hyphens = 0;
        if (v >= 0.96f) {
            coder.decodeValuesOfObjCTypes("ii", &length, &dropped);
            coder.decodeValuesOfObjCTypes("ii", &insert, &dropped);
        } else {
            coder.decodeValuesOfObjCTypes("iii", &length, &dropped, &insert);
        }
        const int len = checkedLength(length);
        takeLetters(len, letters.data(), letters.size());
        coder.decodeValuesOfObjCTypes("i", &hyphens);
        coder.decodeValuesOfObjCTypes("s", &langId_);
        if (hyphens < 0 || hyphens > len)
            damaged("a hyphen count of " + std::to_string(hyphens));
        coder.checkUnitCount("i", std::size_t(hyphens));
        for (int i = 0; i < hyphens; ++i) {
            int point = 0;
            coder.decodeValuesOfObjCTypes("i", &point);
        }
        coder.checkUnitCount("f", std::size_t(len));
        for (int i = 0; i < len; ++i)
            coder.decodeValuesOfObjCTypes("f", &widthBuffer()[i]);
        kit::Object* paragraph = nullptr;
        coder.decodeValuesOfObjCTypes("@", &paragraph);
        const kit::Rect r = coder.decodeRect();
        WordPiece& piece = wordPieceInfo_[0];
        piece.x = r.origin.x, piece.y = r.origin.y, piece.width = r.size.width, piece.height = r.size.height;
        if (v >= 0.96f)
            coder.decodeValuesOfObjCTypes("f", &descent_);
        if (v < 2.0f)
            coder.decodeValuesOfObjCTypes("i", &dropped);
        short flag = 0;
        coder.decodeValuesOfObjCTypes("s", &flag);
        readStyleSlots(flag, len);
        insertPoint_ = static_cast<short>(std::clamp(insert, 0, int(length_)));
    }
    // Points and measures are rebuilt when the flow recomputes its words.
    hyphenCount_ = -1;
}

// ---- Special words.

void TextWordSpecial::encodeWithCoder(kit::Coder& coder) const
{
    TextWord::encodeWithCoder(coder);
    coder.encodeValuesOfObjCTypes("i", wordType_);
    switch (wordType_) {
    case TextWordGraphic:
    case TextWordHeaderMarker:
    case TextWordFooterMarker:
        coder.encodeObject(objectReference());
        if (const std::optional<int>& serial = itemSerialNumber())
            coder.encodeTemporaryObject(kit::Number(*serial));
        else
            coder.encodeObject(nullptr);
        coder.encodeValuesOfObjCTypes("ff", scaleX_, scaleY_);
        return;
    case TextWordDate:
    case TextWordTime:
    case TextWordAutonumber: {
        // Updating tokens show the time of saving.
        auto* self = const_cast<TextWordSpecial*>(this);
        self->updateTokenString();
        if (paragraph_ && paragraph_->flow())
            paragraph_->flow()->dirtyFromParagraph(paragraph_);
        hasUpdatingTokens = true;
        break;
    }
    default:
        break;
    }
    switch (wordType_) {
    case TextWordDate:
    case TextWordTime:
    case TextWordMergeToken:
    case TextWordAutonumber:
        if (theTokenFormat_)
            coder.encodeString(*theTokenFormat_);
        else
            coder.encodeObject(nullptr);
        break;
    case TextWordTab:
        coder.encodeValuesOfObjCTypes("ss", tabType_, tabLeader_);
        break;
    default:
        break;
    }
}

kit::Object* TextWordSpecial::initWithCoder(kit::Coder& coder)
{
    readPlainWord(coder);
    const float v = storedVersion(coder);
    readSpecialPart(coder, v);
    fixAfterReading(v);
    return this;
}

void TextWordSpecial::readSpecialPart(kit::Coder& coder, float v)
{
    scaleX_ = scaleY_ = 1.0f;
    auto takeImage = [&](kit::Object* object) {
        if (!object)
            return;
        if (retainsImage())
            setObjectReference(std::shared_ptr<kit::Object>(coder.claim<kit::Object>(object)));
        else
            setObjectReference(object);
    };
    auto takeSerial = [&](kit::Object* object) {
        itemSerialNumber_.reset();
        if (!object)
            return;
        auto* number = dynamic_cast<kit::Number*>(object);
        if (!number)
            damaged("a " + object->className() + " where a serial number was stored");
        itemSerialNumber_ = number->intValue();
    };
    if (kit::isCurrentFileVersion(v)) {
        coder.decodeValuesOfObjCTypes("i", &wordType_);
        switch (wordType_) {
        case TextWordGraphic:
        case TextWordHeaderMarker:
        case TextWordFooterMarker:
            takeImage(coder.decodeObject());
            takeSerial(coder.decodeObject());
            coder.decodeValuesOfObjCTypes("ff", &scaleX_, &scaleY_);
            break;
        case TextWordDate:
        case TextWordTime:
        case TextWordMergeToken:
        case TextWordAutonumber:
            theTokenFormat_ = coder.decodeString();
            break;
        case TextWordTab:
            coder.decodeValuesOfObjCTypes("ss", &tabType_, &tabLeader_);
            break;
        default:
            break;
        }
    } else if (v >= 2.22f) {
        coder.decodeValuesOfObjCTypes("i", &wordType_);
        switch (wordType_) {
        case TextWordGraphic:
        case TextWordHeaderMarker:
        case TextWordFooterMarker: {
            if (v >= 2.54f) {
                takeImage(coder.decodeObject());
            } else {
                std::optional<std::string> dropped;
                coder.decodeValuesOfObjCTypes("*", &dropped);
            }
            int serial = 0;
            coder.decodeValuesOfObjCTypes("i", &serial);
            itemSerialNumber_ = serial;
            if (v >= 2.55f)
                coder.decodeValuesOfObjCTypes("ff", &scaleX_, &scaleY_);
            break;
        }
        case TextWordDate:
        case TextWordTime:
        case TextWordMergeToken:
        case TextWordAutonumber: {
            std::optional<std::string> format;
            coder.decodeValuesOfObjCTypes("*", &format);
            if (format)
                theTokenFormat_ = format;
            break;
        }
        case TextWordTab:
            if (v >= 2.56f) {
                coder.decodeValuesOfObjCTypes("s", &tabType_);
            } else if (v >= 2.55f) {
                int both = 0;
                coder.decodeValuesOfObjCTypes("i", &both);
                const auto bits = static_cast<unsigned>(both);
                tabType_ = static_cast<short>(bits & 0xFFFFu);
                tabLeader_ = static_cast<short>(bits >> 16);
            }
            break;
        default:
            break;
        }
    } else {
        std::optional<std::string> dropped;
        coder.decodeValuesOfObjCTypes("*", &dropped);
        kit::Object* image = nullptr;
        coder.decodeValuesOfObjCTypes("i@", &wordType_, &image);
        takeImage(image);
        Preferences* preferences = Main ? Main->preferences() : nullptr;
        if (preferences && wordType_ == TextWordDate)
            setFormatString(preferences->defaultDateFormat());
        else if (preferences && wordType_ == TextWordTime)
            setFormatString(preferences->defaultTimeFormat());
    }
}

void TextWordSpecial::fixAfterReading(float v)
{
    (void)v;
    switch (wordType_) {
    case TextWordGraphic:
        // A copy on the pasteboard is laid out where it is pasted.
        if (v != kit::OpenFileVersionIdle)
            _initGraphic();
        if (Item* item = graphicItem(); item && itemSerialNumber_)
            item->setItemSerialNumber(itemSerialNumber_);
        break;
    case TextWordDate:
    case TextWordTime:
    case TextWordAutonumber:
        if (convertToFixedTokens) {
            // The paragraph may still be being read: measure later.
            TextParagraph* paragraph = paragraph_;
            paragraph_ = nullptr;
            updateTokenString();
            paragraph_ = paragraph;
            if (wordType_ == TextWordDate)
                wordType_ = TextWordFixedDate;
            else if (wordType_ == TextWordTime)
                wordType_ = TextWordFixedTime;
        }
        break;
    case TextWordHeaderMarker:
    case TextWordFooterMarker:
        if (auto* frame = dynamic_cast<TextItem*>(objectReference()))
            frame->setMyMaster(this);
        break;
    default:
        break;
    }
}
