#include "appkit/SystemClipboard.h"

#include "core/Pasteboard.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>
#include <QPointer>
#include <QStringList>

#include <cctype>
#include <cstdio>

namespace kit {

namespace {

constexpr const char* kPrivatePrefix = "application/x-scrivly-";

struct StandardType {
    const char* pboardType;
    const char* mime;
};

// The first MIME type of a pasteboard type is the one it is offered under;
// every one listed is recognised when another program offers it.
const StandardType kStandard[] = {
    {StringPboardType, "text/plain"},
    {StringPboardType, "text/plain;charset=utf-8"},
    {RTFPboardType, "text/rtf"},
    {RTFPboardType, "application/rtf"},
    {PostScriptPboardType, "application/postscript"},
    {TIFFPboardType, "image/tiff"},
};

int hexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

class MimeDataOfPasteboard;

class Bridge : public SystemClipboardBridge, public PasteboardOwner {
public:
    void generalPasteboardDidDeclare(Pasteboard& pboard) override;
    void generalPasteboardWillRead(Pasteboard& pboard) override;
    void pasteboardProvideDataForType(Pasteboard& pboard, const std::string& type) override;

    void connect()
    {
        if (connected_ || !clipboard())
            return;
        QObject::connect(clipboard(), &QClipboard::dataChanged, [this] { ++generation_; });
        connected_ = true;
    }

    static QClipboard* clipboard()
    {
        return qobject_cast<QGuiApplication*>(QCoreApplication::instance()) ? QGuiApplication::clipboard() : nullptr;
    }

private:
    QPointer<QMimeData> ours_;
    QPointer<const QMimeData> imported_;
    unsigned long generation_ = 0;
    unsigned long importedGeneration_ = 0;
    bool connected_ = false;
};

// Lists the pasteboard's types and produces their data only when asked.
class MimeDataOfPasteboard : public QMimeData {
public:
    explicit MimeDataOfPasteboard(const std::vector<std::string>& types)
    {
        for (const auto& t : types) {
            std::string mime = SystemClipboard::mimeTypeForPasteboardType(t);
            if (!mime.empty() && !formats_.contains(QString::fromStdString(mime)))
                formats_ << QString::fromStdString(mime);
        }
    }

    QStringList formats() const override { return formats_; }
    bool hasFormat(const QString& mimeType) const override { return formats_.contains(mimeType); }

protected:
    QVariant retrieveData(const QString& mimeType, QMetaType type) const override
    {
        if (!formats_.contains(mimeType))
            return QVariant();
        std::string pbType = SystemClipboard::pasteboardTypeForMimeType(mimeType.toStdString());
        auto data = Pasteboard::generalPasteboard().dataForType(pbType);
        if (!data)
            return QVariant();
        QByteArray bytes(data->data(), static_cast<qsizetype>(data->size()));
        if (type.id() == QMetaType::QString)
            return QString::fromUtf8(bytes);
        return bytes;
    }

private:
    QStringList formats_;
};

void Bridge::generalPasteboardDidDeclare(Pasteboard& pboard)
{
    QClipboard* cb = clipboard();
    if (!cb)
        return;
    connect();
    auto* md = new MimeDataOfPasteboard(pboard.types());
    ours_ = md;
    cb->setMimeData(md); // the clipboard owns it
}

void Bridge::generalPasteboardWillRead(Pasteboard& pboard)
{
    QClipboard* cb = clipboard();
    if (!cb)
        return;
    connect();
    const QMimeData* md = cb->mimeData();
    if (!md || md == ours_.data())
        return;
    if (generation_ == importedGeneration_ && md == imported_.data())
        return;
    importedGeneration_ = generation_;
    imported_ = md;
    std::vector<std::string> types;
    for (const QString& f : md->formats()) {
        std::string t = SystemClipboard::pasteboardTypeForMimeType(f.toStdString());
        if (!t.empty())
            types.push_back(t);
    }
    // The data stays with the other program until it is asked for.
    pboard.declareTypes(types, this);
}

void Bridge::pasteboardProvideDataForType(Pasteboard& pboard, const std::string& type)
{
    QClipboard* cb = clipboard();
    if (!cb)
        return;
    const QMimeData* md = cb->mimeData();
    if (!md)
        return;
    if (type == StringPboardType && md->hasText()) {
        pboard.setString(md->text().toStdString(), type);
        return;
    }
    for (const QString& f : md->formats()) {
        if (SystemClipboard::pasteboardTypeForMimeType(f.toStdString()) == type) {
            QByteArray bytes = md->data(f);
            pboard.setData(std::string(bytes.constData(), static_cast<size_t>(bytes.size())), type);
            return;
        }
    }
}

Bridge& bridge()
{
    static auto* b = new Bridge; // lives as long as the clipboard may call it
    return *b;
}

} // namespace

void SystemClipboard::install()
{
    bridge().connect();
    Pasteboard::setSystemClipboardBridge(&bridge());
}

void SystemClipboard::uninstall()
{
    Pasteboard::setSystemClipboardBridge(nullptr);
}

std::string SystemClipboard::mimeTypeForPasteboardType(const std::string& type)
{
    for (const auto& s : kStandard)
        if (type == s.pboardType)
            return s.mime;
    if (type.empty())
        return {};
    // A reversible spelling within the characters MIME allows: letters,
    // digits, '-' and '.' stay, everything else becomes "_XX" (hex).
    std::string out = kPrivatePrefix;
    for (unsigned char c : type) {
        if (std::isalnum(c) || c == '-' || c == '.') {
            out += static_cast<char>(c);
        } else {
            char buf[4];
            std::snprintf(buf, sizeof buf, "_%02X", c);
            out += buf;
        }
    }
    return out;
}

std::string SystemClipboard::pasteboardTypeForMimeType(const std::string& mimeType)
{
    for (const auto& s : kStandard)
        if (mimeType == s.mime)
            return s.pboardType;
    std::string prefix = kPrivatePrefix;
    if (mimeType.size() <= prefix.size() || mimeType.compare(0, prefix.size(), prefix) != 0)
        return {};
    std::string out;
    for (size_t i = prefix.size(); i < mimeType.size(); ++i) {
        char c = mimeType[i];
        if (c != '_') {
            out += c;
            continue;
        }
        int hi = i + 2 < mimeType.size() ? hexValue(mimeType[i + 1]) : -1;
        int lo = hi >= 0 ? hexValue(mimeType[i + 2]) : -1;
        if (hi < 0 || lo < 0)
            return {}; // not one of ours
        out += static_cast<char>(hi * 16 + lo);
        i += 2;
    }
    return out;
}

void SystemClipboard::setPrimarySelectionText(const std::string& utf8)
{
    if (!qGuiApp)
        return;
    QClipboard* board = QGuiApplication::clipboard();
    if (board && board->supportsSelection())
        board->setText(QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size())), QClipboard::Selection);
}

} // namespace kit
