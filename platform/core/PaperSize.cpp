#include "core/PaperSize.h"

#include <cmath>

namespace kit {

namespace {

struct Paper {
    const char* name;
    float width, height;
};

// Sizes as PostScript printers name them, in points.
const Paper kPapers[] = {
    {"Letter", 612, 792},     {"Legal", 612, 1008},  {"Executive", 522, 756}, {"Tabloid", 792, 1224},
    {"Ledger", 1224, 792},    {"A3", 842, 1191},     {"A4", 595, 842},        {"A5", 420, 595},
    {"B4", 729, 1032},        {"B5", 516, 729},      {"Folio", 612, 936},     {"Quarto", 610, 780},
    {"10x14", 720, 1008},     {"Statement", 396, 612},
};

} // namespace

std::optional<Size> sizeForPaperName(const std::string& name)
{
    for (const auto& p : kPapers)
        if (name == p.name)
            return makeSize(p.width, p.height);
    return std::nullopt;
}

std::string paperNameForSize(const Size& size)
{
    auto near = [](float a, float b) { return std::fabs(a - b) < 1.0f; };
    for (const auto& p : kPapers)
        if ((near(size.width, p.width) && near(size.height, p.height)) ||
            (near(size.width, p.height) && near(size.height, p.width)))
            return p.name;
    return {};
}

std::vector<std::string> paperNames()
{
    std::vector<std::string> out;
    for (const auto& p : kPapers)
        out.emplace_back(p.name);
    return out;
}

} // namespace kit
