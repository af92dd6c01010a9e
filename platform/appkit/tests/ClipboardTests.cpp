#include "AppKitTesting.h"

#include "appkit/SystemClipboard.h"
#include "core/Pasteboard.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>

using namespace kit;

namespace {

const char* const TextType = "Layvane Text Pasteboard Type";

class PromisingOwner : public PasteboardOwner {
public:
    void pasteboardProvideDataForType(Pasteboard& pboard, const std::string& type) override
    {
        ++asked;
        if (type == RTFPboardType)
            pboard.setData("{\\rtf1 promised}", type);
        else if (type == TextType)
            pboard.setData(std::string("private\0bytes", 13), type);
    }
    int asked = 0;
};

} // namespace

using ClipboardTest = AppKitTest;

TEST_F(ClipboardTest, PasteboardTypesTravelUnderReversibleMimeTypes)
{
    struct Case {
        const char* type;
        const char* mime;
    } cases[] = {
        {StringPboardType, "text/plain"},
        {RTFPboardType, "text/rtf"},
        {PostScriptPboardType, "application/postscript"},
        {TIFFPboardType, "image/tiff"},
        {"Layvane Item Pasteboard Type", "application/x-scrivly-Layvane_20Item_20Pasteboard_20Type"},
        {"ZYN ICF pasteboard type", "application/x-scrivly-ZYN_20ICF_20pasteboard_20type"},
        {"odd_name/x", "application/x-scrivly-odd_5Fname_2Fx"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(SystemClipboard::mimeTypeForPasteboardType(c.type), c.mime);
        EXPECT_EQ(SystemClipboard::pasteboardTypeForMimeType(c.mime), c.type);
    }
    EXPECT_EQ(SystemClipboard::pasteboardTypeForMimeType("application/rtf"), RTFPboardType);
    for (const char* foreign : {"text/html", "application/x-scrivly-", "application/x-scrivly-bad_Z1", "application/x-scrivly-cut_4"})
        EXPECT_EQ(SystemClipboard::pasteboardTypeForMimeType(foreign), "") << foreign;
}

TEST_F(ClipboardTest, TextCopiedHereReachesOtherPrograms)
{
    Pasteboard& general = Pasteboard::generalPasteboard();
    general.declareTypes({StringPboardType}, nullptr);
    general.setString("caf\xC3\xA9 au lait", StringPboardType);
    EXPECT_EQ(QGuiApplication::clipboard()->text().toStdString(), "caf\xC3\xA9 au lait");
    // Reading our own contents back does not re-import them.
    int count = general.changeCount();
    EXPECT_EQ(general.stringForType(StringPboardType), "caf\xC3\xA9 au lait");
    EXPECT_EQ(general.changeCount(), count);
}

TEST_F(ClipboardTest, PromisedDataIsMadeOnlyWhenAnotherProgramAsks)
{
    PromisingOwner owner;
    Pasteboard& general = Pasteboard::generalPasteboard();
    general.declareTypes({RTFPboardType, TextType}, &owner);
    const QMimeData* offered = QGuiApplication::clipboard()->mimeData();
    ASSERT_NE(offered, nullptr);
    EXPECT_TRUE(offered->hasFormat("text/rtf"));
    EXPECT_TRUE(offered->hasFormat("application/x-scrivly-Layvane_20Text_20Pasteboard_20Type"));
    EXPECT_FALSE(offered->hasFormat("text/plain"));
    EXPECT_EQ(owner.asked, 0);

    EXPECT_EQ(offered->data("text/rtf").toStdString(), "{\\rtf1 promised}");
    EXPECT_EQ(owner.asked, 1);
    QByteArray priv = offered->data("application/x-scrivly-Layvane_20Text_20Pasteboard_20Type");
    EXPECT_EQ(std::string(priv.constData(), static_cast<size_t>(priv.size())), std::string("private\0bytes", 13));
    EXPECT_EQ(owner.asked, 2);
    general.declareTypes({}, nullptr);
}

TEST_F(ClipboardTest, WhatAnotherProgramCopiesShowsOnTheGeneralPasteboard)
{
    Pasteboard& general = Pasteboard::generalPasteboard();
    general.declareTypes({StringPboardType}, nullptr);
    general.setString("ours", StringPboardType);
    int before = general.changeCount();

    auto* foreign = new QMimeData;
    foreign->setText("from elsewhere");
    foreign->setData("text/rtf", "{\\rtf1 elsewhere}");
    foreign->setData("text/html", "<p>ignored</p>");
    QGuiApplication::clipboard()->setMimeData(foreign);

    EXPECT_GT(general.changeCount(), before);
    EXPECT_EQ(general.availableTypeFromArray({RTFPboardType, StringPboardType}), RTFPboardType);
    EXPECT_EQ(general.stringForType(StringPboardType), "from elsewhere");
    EXPECT_EQ(general.dataForType(RTFPboardType), "{\\rtf1 elsewhere}");
    // Read twice, taken in once.
    int after = general.changeCount();
    general.types();
    EXPECT_EQ(general.changeCount(), after);
}
