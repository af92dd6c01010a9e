#include "core/Alert.h"

#include <clocale>
#include <cstdio>
#include <iostream>
#include <locale.h>

namespace kit {

namespace {

// Formats one directive under the "C" locale whatever the process says.
template <class T>
std::string cFormat(const std::string& spec, T value)
{
    static locale_t cLocale = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(0));
    locale_t old = uselocale(cLocale);
    int n = std::snprintf(nullptr, 0, spec.c_str(), value);
    std::string out;
    if (n > 0) {
        out.resize(static_cast<size_t>(n) + 1);
        std::snprintf(out.data(), out.size(), spec.c_str(), value);
        out.resize(static_cast<size_t>(n));
    }
    uselocale(old);
    return out;
}

class LogAlertHandler : public AlertHandler {
public:
    int runAlertPanel(const std::string& title, const std::string& message, const std::string&,
                      const std::string&, const std::string&) override
    {
        std::cerr << title << ": " << message << "\n";
        return AlertDefaultReturn;
    }
    void beep() override {}
};

std::shared_ptr<AlertHandler>& currentHandler()
{
    static auto* h = new std::shared_ptr<AlertHandler>(std::make_shared<LogAlertHandler>());
    return *h;
}

} // namespace

std::string formatWithArgs(const std::string& format, const std::vector<FormatArg>& args)
{
    std::string out;
    size_t next = 0;
    size_t i = 0;
    const size_t n = format.size();
    while (i < n) {
        char ch = format[i];
        if (ch != '%') {
            out += ch;
            ++i;
            continue;
        }
        size_t start = i++;
        if (i < n && format[i] == '%') {
            out += '%';
            ++i;
            continue;
        }
        // flags, width, precision: digits only, never '*', so no hidden arguments
        while (i < n && std::string_view("-+ #0").find(format[i]) != std::string_view::npos)
            ++i;
        while (i < n && format[i] >= '0' && format[i] <= '9')
            ++i;
        if (i < n && format[i] == '.') {
            ++i;
            while (i < n && format[i] >= '0' && format[i] <= '9')
                ++i;
        }
        std::string flagsWidth = format.substr(start, i - start);
        while (i < n && (format[i] == 'l' || format[i] == 'h' || format[i] == 'q' || format[i] == 'z'))
            ++i;
        if (i >= n) {
            out += format.substr(start);
            break;
        }
        char conv = format[i++];
        const FormatArg* arg = next < args.size() ? &args[next] : nullptr;
        switch (conv) {
        case '@':
        case 's': {
            ++next;
            if (!arg)
                break;
            std::string text;
            if (auto* s = std::get_if<std::string>(arg))
                text = *s;
            else if (auto* l = std::get_if<long long>(arg))
                text = std::to_string(*l);
            else
                text = cFormat("%g", std::get<double>(*arg));
            out += cFormat(flagsWidth + "s", text.c_str());
            break;
        }
        case 'd':
        case 'i':
        case 'u':
        case 'x':
        case 'X':
        case 'o':
        case 'c': {
            ++next;
            if (!arg)
                break;
            long long v = 0;
            if (auto* l = std::get_if<long long>(arg))
                v = *l;
            else if (auto* d = std::get_if<double>(arg))
                v = static_cast<long long>(*d);
            else
                break;
            if (conv == 'c')
                out += cFormat(flagsWidth + "c", static_cast<int>(v));
            else
                out += cFormat(flagsWidth + "ll" + conv, v);
            break;
        }
        case 'f':
        case 'F':
        case 'g':
        case 'G':
        case 'e':
        case 'E': {
            ++next;
            if (!arg)
                break;
            double v = 0;
            if (auto* d = std::get_if<double>(arg))
                v = *d;
            else if (auto* l = std::get_if<long long>(arg))
                v = static_cast<double>(*l);
            else
                break;
            out += cFormat(flagsWidth + conv, v);
            break;
        }
        default:
            // Unknown directive: keep it as written.
            out += format.substr(start, i - start);
            break;
        }
    }
    return out;
}

std::shared_ptr<AlertHandler> setAlertHandler(std::shared_ptr<AlertHandler> handler)
{
    auto previous = currentHandler();
    currentHandler() = handler ? std::move(handler) : std::make_shared<LogAlertHandler>();
    return previous;
}

AlertHandler& alertHandler()
{
    return *currentHandler();
}

int runAlertPanel(const std::string& title, const std::string& messageFormat, const std::string& defaultButton,
                  const std::string& alternateButton, const std::string& otherButton,
                  const std::vector<FormatArg>& args)
{
    // Keep the handler alive even if it replaces itself while the panel runs.
    auto handler = currentHandler();
    return handler->runAlertPanel(title, formatWithArgs(messageFormat, args),
                                  defaultButton.empty() ? "OK" : defaultButton, alternateButton, otherButton);
}

void beep()
{
    auto handler = currentHandler();
    handler->beep();
}

void ScriptedAlertHandler::reset()
{
    answers_.clear();
    next_ = 0;
    shown_.clear();
    beeps_ = 0;
}

int ScriptedAlertHandler::runAlertPanel(const std::string& title, const std::string& message,
                                        const std::string& defaultButton, const std::string& alternateButton,
                                        const std::string& otherButton)
{
    shown_.push_back(Shown{title, message, defaultButton, alternateButton, otherButton});
    if (next_ < answers_.size())
        return answers_[next_++];
    return AlertDefaultReturn;
}

} // namespace kit
