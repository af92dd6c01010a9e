#include "appkit/DraggingDestination.h"

#include "appkit/View.h"
#include "appkit/Window.h"
#include "core/Pasteboard.h"

namespace kit {

bool DraggingDestination::acceptsTypesOf(const Pasteboard& pboard) const
{
    return !draggedTypes_.empty() && !pboard.availableTypeFromArray(draggedTypes_).empty();
}

DraggingDestination* DraggingDestination::destinationAt(Window& window, Point point, const Pasteboard& pboard)
{
    View* content = window.contentView();
    if (!content)
        return nullptr;
    for (View* view = content->hitTest(point); view; view = view->superview())
        if (auto* destination = dynamic_cast<DraggingDestination*>(view); destination && destination->acceptsTypesOf(pboard))
            return destination;
    return nullptr;
}

std::string filenamesPropertyList(const std::vector<std::string>& paths)
{
    std::string out = "(";
    for (std::size_t k = 0; k < paths.size(); ++k) {
        if (k)
            out += ", ";
        out += '"';
        for (char c : paths[k]) {
            if (c == '"' || c == '\\')
                out += '\\';
            out += c;
        }
        out += '"';
    }
    out += ")";
    return out;
}

std::optional<std::vector<std::string>> filenamesFromPropertyList(const std::string& data)
{
    std::vector<std::string> paths;
    std::size_t k = 0;
    auto blanks = [&] {
        while (k < data.size() && (data[k] == ' ' || data[k] == '\n' || data[k] == '\t' || data[k] == '\r'))
            ++k;
    };
    blanks();
    if (k >= data.size() || data[k] != '(')
        return std::nullopt;
    ++k;
    blanks();
    if (k < data.size() && data[k] == ')') {
        ++k;
    } else {
        for (;;) {
            blanks();
            if (k >= data.size() || data[k] != '"')
                return std::nullopt;
            ++k;
            std::string path;
            for (;;) {
                if (k >= data.size())
                    return std::nullopt;
                char c = data[k++];
                if (c == '"')
                    break;
                if (c == '\\') {
                    if (k >= data.size())
                        return std::nullopt;
                    c = data[k++];
                }
                path += c;
            }
            paths.push_back(std::move(path));
            blanks();
            if (k < data.size() && data[k] == ',') {
                ++k;
                continue;
            }
            if (k < data.size() && data[k] == ')') {
                ++k;
                break;
            }
            return std::nullopt;
        }
    }
    blanks();
    if (k != data.size())
        return std::nullopt;
    return paths;
}

} // namespace kit
