// What a document file holds, for scripts that drive the program:
//
//   docshow text <document>
//       prints the words of every flow (UTF-8), a space between words,
//       each paragraph on a line of its own;
//   docshow columns <document>
//       prints the word processor's column count, the gutter in points
//       and the number of master columns, on one line;
//   docshow compare <document> <screen.ppm> <differences.png>
//       draws the first page with the screen back end at zoom 1, finds it
//       in the screenshot (a window showing that page at zoom 1), and
//       compares the part of the page the screenshot shows with the
//       tolerance of the screen-and-print comparisons; the differing
//       pixels are drawn red into the image written.
//
// Exit status 0 when read (and matching), 1 when not (why on standard
// error), 2 for wrong arguments.

#include "app/ScrivlyDocument.h"
#include "core/Encoding.h"
#include "document/DocumentFiles.h"
#include "document/LayoutDocument.h"
#include "document/Page.h"
#include "foundation/Paint.h"
#include "graphics/Font.h"
#include "graphics/RasterContext.h"
#include "graphics/tests/WysiwygSupport.h"
#include "text/TextFlow.h"
#include "text/TextParagraph.h"
#include "text/TextWord.h"

#include <QImage>

#include <climits>
#include <cstdlib>
#include <cstdio>
#include <string>

namespace {

std::string textOf(const LayoutDocument& document)
{
    std::string text;
    for (TextFlow* flow : document.flows())
        for (const auto& paragraph : flow->paragraphList()) {
            std::string line;
            for (int i = 0; i < paragraph->wordCount(); ++i)
                if (const TextWord* word = paragraph->wordAtIndex(i); word && !word->isSpecial() && word->length()) {
                    if (!line.empty())
                        line += ' ';
                    line.append(word->text(), std::size_t(word->length()));
                }
            text += line + "\n";
        }
    return text;
}

QImage pageImage(LayoutDocument& document)
{
    Page* page = document.pageAt(0);
    const kit::Size size = page->pageRect().size;
    const int w = int(size.width), h = int(size.height);
    kit::RasterContext raster(w, h);
    raster.fillImage(0xFFFFFFFF);
    raster.translate(0, float(h));
    raster.scale(1, -1);
    const kit::Rect all = kit::makeRect(0, 0, size.width, size.height);
    page->drawSelfInView(Paint::into(raster, 1.0f, all), all);
    return wysiwyg::screenImage(raster);
}

// Marks: text and guides, neither paper nor the black around windows.
bool mark(QRgb p)
{
    const int g = qGray(p);
    return g >= 30 && g < 250;
}

// The marks of each column (rows false) or row of the image.
std::vector<int> profile(const QImage& image, bool rows)
{
    std::vector<int> counts(std::size_t(rows ? image.height() : image.width()), 0);
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (mark(image.pixel(x, y)))
                ++counts[std::size_t(rows ? y : x)];
    return counts;
}

// The shift of the page's profile along the screen's at which they agree
// most: the page's guides and lines of text meet the screen's.
int bestShift(const std::vector<int>& page, const std::vector<int>& screen)
{
    const int n = int(page.size()), m = int(screen.size());
    int best = 0;
    long bestScore = -1;
    for (int shift = -n + 1; shift < m; ++shift) {
        long score = 0;
        for (int i = std::max(0, -shift); i < n && i + shift < m; ++i)
            score += std::min(page[std::size_t(i)], screen[std::size_t(i + shift)]);
        if (score > bestScore) {
            bestScore = score;
            best = shift;
        }
    }
    return best;
}

// Where the page's top-left corner lies in the screenshot.
QPoint locate(const QImage& page, const QImage& screen)
{
    return QPoint(bestShift(profile(page, false), profile(screen, false)),
                  bestShift(profile(page, true), profile(screen, true)));
}

} // namespace

int main(int argc, char** argv)
{
    const std::string mode = argc > 1 ? argv[1] : "";
    if (!(((mode == "text" || mode == "columns") && argc == 3) || (mode == "compare" && argc == 5))) {
        std::fprintf(stderr, "usage: docshow text <document>\n"
                             "       docshow columns <document>\n"
                             "       docshow compare <document> <screen.ppm> <differences.png>\n");
        return 2;
    }
    LayoutDocument::initialize();
    ScrivlyDocument::initialize();
    kit::Font::initialize();
    std::unique_ptr<LayoutDocument> document = readDocumentFile(argv[2]);
    if (!document) {
        std::fprintf(stderr, "docshow: %s is not a document that can be read\n", argv[2]);
        return 1;
    }
    if (mode == "text") {
        std::fputs(kit::toUTF8(kit::Encoding::NeXTSTEP, textOf(*document)).c_str(), stdout);
        return 0;
    }
    if (mode == "columns") {
        auto* words = dynamic_cast<ScrivlyDocument*>(document.get());
        if (!words) {
            std::fprintf(stderr, "docshow: %s is no word-processor document\n", argv[2]);
            return 1;
        }
        std::printf("%d %g %zu\n", words->columnCount(), double(words->columnGutterWidth()),
                    words->masterColumns().size());
        return 0;
    }

    for (TextFlow* flow : document->flows())
        flow->completeLayout();
    const QImage page = pageImage(*document);
    const QImage screen = QImage(QString::fromStdString(argv[3])).convertToFormat(QImage::Format_RGB32);
    if (screen.isNull()) {
        std::fprintf(stderr, "docshow: %s is not an image\n", argv[3]);
        return 1;
    }
    const QPoint at = locate(page, screen);
    // The part of the page the screenshot shows, less the page's edge.
    const QRect shown = QRect(at, page.size()).intersected(screen.rect()).adjusted(1, 1, -1, -1);
    if (shown.width() < 100 || shown.height() < 100) {
        std::fprintf(stderr, "docshow: the page is not in the screenshot\n");
        return 1;
    }
    const QImage drawn = page.copy(shown.translated(-at));
    const QImage seen = screen.copy(shown);
    const wysiwyg::Comparison c = wysiwyg::compare(seen, drawn);
    c.difference.save(QString::fromStdString(argv[4]));
    std::printf("page at (%d, %d), %d x %d compared, ink %d: %s\n", at.x(), at.y(), shown.width(), shown.height(),
                wysiwyg::inkOf(drawn), wysiwyg::describe(c).c_str());
    return wysiwyg::matches(c) && wysiwyg::inkOf(drawn) > 0 ? 0 : 1;
}
