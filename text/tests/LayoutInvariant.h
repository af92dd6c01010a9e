#pragma once

// Whether a flow laid out edit by edit stands where a layout from scratch of
// the same text puts it: every placed word piece, every paragraph's columns
// and extent, every column's start and end point and the page count.
//
// Free of the test framework, so that a fuzz target can include it. A check
// of one step is a function that answers what went wrong (empty when
// nothing did); the random edit test runs a list of them after every step.

#include "HigherLayers.h"

#include "foundation/StyleChar.h"
#include "foundation/StyleParagraph.h"
#include "graphics/Font.h"
#include "text/TableParagraph.h"
#include "text/TableRow.h"
#include "text/TextFlow.h"
#include "text/TextParagraph.h"
#include "text/TextWord.h"

#include <cmath>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

namespace layoutcheck {

struct PieceRecord {
    float x = 0, y = 0, width = 0, lineStart = 0, lineHeight = 0, screenX = 0, screenWidth = 0;
    int lastChar = 0;
};

struct WordRecord {
    std::vector<PieceRecord> pieces;
};

struct ParagraphRecord {
    int firstColumn = -1, lastColumn = -1; // places in the chain; -1 none, -2 not in the chain
    float firstY = 0, lastY = 0, width = 0;
    bool dirty = false, endsWithHardPage = false;
    std::vector<WordRecord> words;
};

struct ColumnRecord {
    textPoint start{}, end{};
};

struct LayoutRecord {
    int pages = 0;
    std::vector<ColumnRecord> columns;
    std::vector<ParagraphRecord> paragraphs;
};

// The chain from the flow's true first column, in order (cycles stop).
inline std::vector<const TextItem*> chainOf(const TextFlow& flow)
{
    std::vector<const TextItem*> chain;
    const TextItem* first = flow.firstTextItem();
    for (int guard = 0; first && first->prevColumn() && guard < 100000; ++guard)
        first = first->prevColumn();
    for (const TextItem* c = first; c && chain.size() < 100000; c = c->nextColumn()) {
        if (!chain.empty() && c == chain.front())
            break;
        chain.push_back(c);
    }
    return chain;
}

inline LayoutRecord recordLayout(const TextFlow& flow)
{
    LayoutRecord record;
    const std::vector<const TextItem*> chain = chainOf(flow);
    auto place = [&](const TextItem* column) {
        if (!column)
            return -1;
        for (std::size_t i = 0; i < chain.size(); ++i)
            if (chain[i] == column)
                return int(i);
        return -2;
    };
    if (const TextDocument* document = flow.document())
        record.pages = document->numPages();
    for (const TextItem* column : chain)
        record.columns.push_back({column->startPoint(), column->endPoint()});
    for (const auto& paragraph : flow.paragraphList()) {
        ParagraphRecord p;
        p.firstColumn = place(paragraph->firstItem());
        p.lastColumn = place(paragraph->lastItem());
        p.firstY = paragraph->firstY();
        p.lastY = paragraph->lastY();
        p.width = paragraph->box().size.width;
        p.dirty = paragraph->dirty();
        p.endsWithHardPage = paragraph->endsWithHardPage();
        for (const auto& word : paragraph->wordList()) {
            WordRecord w;
            for (int i = 0; i < word->numWordPieces(); ++i) {
                const WordPiece& piece = word->piece(i);
                w.pieces.push_back({piece.x, piece.y, piece.width, piece.lineStart, piece.lineHeight, piece.screenX,
                                    piece.screenWidth, piece.lastChar});
            }
            p.words.push_back(std::move(w));
        }
        record.paragraphs.push_back(std::move(p));
    }
    return record;
}

namespace detail {

inline bool near(float a, float b) { return std::fabs(a - b) < 0.01f; }

inline std::string point(const textPoint& p)
{
    char text[64];
    std::snprintf(text, sizeof text, "%d,%d,%d", p.paragraph, p.word, p.letter);
    return text;
}

inline bool samePoint(const textPoint& a, const textPoint& b)
{
    return a.paragraph == b.paragraph && a.word == b.word && a.letter == b.letter;
}

// The first point the layout gave no place: after the end of the last
// column that shows text (the whole flow when that column ends it).
inline textPoint placedEnd(const LayoutRecord& full)
{
    textPoint end{int(full.paragraphs.size()), -1, -1};
    for (const ColumnRecord& c : full.columns)
        if (c.start.paragraph >= 0 && c.end.paragraph >= 0)
            end = c.end;
    // A paragraph still waiting after a full layout found no room: its
    // words and those after it have no place.
    for (std::size_t i = 0; i < full.paragraphs.size() && int(i) < end.paragraph; ++i)
        if (full.paragraphs[i].dirty)
            end = {int(i), 0, -1};
    return end;
}

} // namespace detail

// What differs between a layout and the full one, at most `limit` lines;
// empty when they agree. Words are compared where the full layout placed
// them whole.
inline std::string layoutDifferences(const LayoutRecord& seen, const LayoutRecord& full, int limit = 8)
{
    std::string out;
    int found = 0;
    auto note = [&](const std::string& line) {
        if (found++ < limit)
            out += line + "\n";
    };
    char text[256];
    if (seen.pages != full.pages) {
        std::snprintf(text, sizeof text, "pages: %d, from scratch %d", seen.pages, full.pages);
        note(text);
    }
    if (seen.columns.size() != full.columns.size()) {
        std::snprintf(text, sizeof text, "columns in the chain: %zu, from scratch %zu", seen.columns.size(),
                      full.columns.size());
        note(text);
    }
    for (std::size_t i = 0; i < std::min(seen.columns.size(), full.columns.size()); ++i) {
        const ColumnRecord &a = seen.columns[i], &b = full.columns[i];
        if (!detail::samePoint(a.start, b.start) || !detail::samePoint(a.end, b.end))
            note("column " + std::to_string(i) + ": " + detail::point(a.start) + " to " + detail::point(a.end) +
                 ", from scratch " + detail::point(b.start) + " to " + detail::point(b.end));
    }
    if (seen.paragraphs.size() != full.paragraphs.size()) {
        note("paragraph counts differ");
        return out;
    }
    const textPoint end = detail::placedEnd(full);
    for (std::size_t pi = 0; pi < full.paragraphs.size() && int(pi) <= end.paragraph; ++pi) {
        const ParagraphRecord &a = seen.paragraphs[pi], &b = full.paragraphs[pi];
        const bool whole = int(pi) < end.paragraph;
        if (a.words.size() != b.words.size()) {
            note("paragraph " + std::to_string(pi) + ": word counts differ");
            continue;
        }
        if (whole && (a.firstColumn != b.firstColumn || a.lastColumn != b.lastColumn || !detail::near(a.firstY, b.firstY) ||
                      !detail::near(a.lastY, b.lastY) || a.dirty != b.dirty ||
                      a.endsWithHardPage != b.endsWithHardPage)) {
            std::snprintf(text, sizeof text,
                          "paragraph %zu: columns %d-%d, y %g-%g%s; from scratch columns %d-%d, y %g-%g%s", pi,
                          a.firstColumn, a.lastColumn, double(a.firstY), double(a.lastY), a.dirty ? ", dirty" : "",
                          b.firstColumn, b.lastColumn, double(b.firstY), double(b.lastY), b.dirty ? ", dirty" : "");
            note(text);
        }
        const std::size_t words = whole ? b.words.size() : std::size_t(std::max(end.word, 0));
        for (std::size_t wi = 0; wi < std::min(words, b.words.size()); ++wi) {
            const WordRecord &wa = a.words[wi], &wb = b.words[wi];
            if (wa.pieces.size() != wb.pieces.size()) {
                std::snprintf(text, sizeof text, "word %zu,%zu: %zu pieces, from scratch %zu", pi, wi,
                              wa.pieces.size(), wb.pieces.size());
                note(text);
                continue;
            }
            for (std::size_t k = 0; k < wb.pieces.size(); ++k) {
                const PieceRecord &x = wa.pieces[k], &y = wb.pieces[k];
                if (detail::near(x.x, y.x) && detail::near(x.y, y.y) && detail::near(x.width, y.width) &&
                    detail::near(x.lineStart, y.lineStart) && detail::near(x.lineHeight, y.lineHeight) &&
                    detail::near(x.screenX, y.screenX) && detail::near(x.screenWidth, y.screenWidth) &&
                    x.lastChar == y.lastChar)
                    continue;
                std::snprintf(text, sizeof text,
                              "word %zu,%zu piece %zu: at %g,%g (line %g+%g) width %g; from scratch %g,%g (line "
                              "%g+%g) width %g",
                              pi, wi, k, double(x.x), double(x.y), double(x.lineStart), double(x.lineHeight),
                              double(x.width), double(y.x), double(y.y), double(y.lineStart), double(y.lineHeight),
                              double(y.width));
                note(text);
            }
        }
    }
    if (found > limit)
        out += "... and " + std::to_string(found - limit) + " more\n";
    return out;
}

// The flow's words as the layout sees them, one paragraph a line: text,
// width, height and word space, and the point sizes of the styles a word
// stores ("@offset:size"). For failure reports.
inline std::string describeFlow(const TextFlow& flow)
{
    std::string out;
    char text[160];
    int p = 0;
    for (const auto& paragraph : flow.paragraphList()) {
        std::snprintf(text, sizeof text, "  %d (widow %d, start %d)", p++,
                      int(paragraph->paragraphStyle()->widowControl()), int(paragraph->paragraphStyle()->columnStart()));
        out += text;
        if (const auto* cell = dynamic_cast<const TableParagraph*>(paragraph.get())) {
            const TableRow* row = cell->tableRow();
            std::snprintf(text, sizeof text, " cell %d,%d of a row at %g+%g", cell->row(), cell->column(),
                          row ? double(row->firstY()) : 0.0, row ? double(row->height()) : 0.0);
            out += text;
        }
        out += ":";
        for (const auto& word : paragraph->wordList()) {
            std::snprintf(text, sizeof text, " [%s%s w%g h%g s%g", word->isSpecial() ? "#" : "", word->text(),
                          double(word->xWidthForPiece(0)), double(word->piece(0).height), double(word->spaceWidth()));
            out += text;
            if (const auto* styles = word->theStyles())
                for (std::size_t i = 0; i < styles->size(); ++i)
                    if (const StyleChar* style = (*styles)[i].get()) {
                        std::snprintf(text, sizeof text, " @%zu:%g", i,
                                      style->font() ? double(style->font()->pointSize()) : 0.0);
                        out += text;
                    }
            out += "]";
        }
        out += "\n";
    }
    return out;
}

// The columns' points and the paragraphs' places of a record, a line each.
inline std::string recordText(const LayoutRecord& r)
{
    std::string out;
    char text[200];
    for (std::size_t i = 0; i < r.columns.size(); ++i) {
        std::snprintf(text, sizeof text, "  column %zu: %s to %s\n", i, detail::point(r.columns[i].start).c_str(),
                      detail::point(r.columns[i].end).c_str());
        out += text;
    }
    for (std::size_t i = 0; i < r.paragraphs.size(); ++i) {
        const ParagraphRecord& p = r.paragraphs[i];
        std::snprintf(text, sizeof text, "  paragraph %zu: columns %d-%d y %g-%g%s%s\n", i, p.firstColumn,
                      p.lastColumn, double(p.firstY), double(p.lastY), p.dirty ? " dirty" : "",
                      p.endsWithHardPage ? " page break" : "");
        out += text;
    }
    return out;
}

// Completes the flow's layout (what keys left for later), records it, lays
// the whole flow out from scratch (every word measured again first) and
// answers how the two differ; empty when they agree. The flow keeps the
// layout from scratch.
inline std::string differenceFromFullLayout(TextFlow& flow)
{
    // What a key left for later is part of the layout after the edit.
    flow.completeLayout();
    const LayoutRecord seen = recordLayout(flow);
    const std::string before = describeFlow(flow);
    for (const auto& paragraph : flow.paragraphList())
        paragraph->recomputeAllWords();
    flow.recomputeAll();
    const LayoutRecord full = recordLayout(flow);
    const std::string differences = layoutDifferences(seen, full);
    if (differences.empty())
        return differences;
    return differences + "the layout after the edit:\n" + recordText(seen) + "from scratch:\n" + recordText(full) +
           "the words before the layout from scratch:\n" + before + "and after it:\n" + describeFlow(flow);
}

// One check run after every step: answers what is wrong, empty when nothing.
using StepCheck = std::function<std::string()>;

} // namespace layoutcheck
