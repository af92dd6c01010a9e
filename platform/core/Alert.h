#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <variant>
#include <vector>

namespace kit {

// Answers of an alert panel.
inline constexpr int AlertDefaultReturn = 1;
inline constexpr int AlertAlternateReturn = 0;
inline constexpr int AlertOtherReturn = -1;

// One argument of a message format: "%@" and "%s" take text, "%d" and "%i"
// whole numbers, "%f" and "%g" reals.
using FormatArg = std::variant<long long, double, std::string>;

// printf-like formatting in the "C" locale over typed arguments; a directive
// without an argument, or of the wrong kind, prints nothing rather than
// reading past the arguments.
std::string formatWithArgs(const std::string& format, const std::vector<FormatArg>& args);

// Where alerts and beeps go. The application kit installs panels over real
// windows; tests install a scripted handler.
class AlertHandler {
public:
    virtual ~AlertHandler() = default;
    // Answers 1 (default button), 0 (alternate) or -1 (other).
    virtual int runAlertPanel(const std::string& title, const std::string& message,
                              const std::string& defaultButton, const std::string& alternateButton,
                              const std::string& otherButton) = 0;
    virtual void beep() = 0;
};

// Installs a handler (nullptr restores the default, which logs to standard
// error and answers the default button). Answers the previous one.
std::shared_ptr<AlertHandler> setAlertHandler(std::shared_ptr<AlertHandler> handler);
AlertHandler& alertHandler();

// Empty button texts mean no such button; an empty default button text shows "OK".
int runAlertPanel(const std::string& title, const std::string& messageFormat,
                  const std::string& defaultButton, const std::string& alternateButton,
                  const std::string& otherButton, const std::vector<FormatArg>& args = {});
void beep();

// A handler that answers from a script and remembers what was shown.
class ScriptedAlertHandler : public AlertHandler {
public:
    struct Shown {
        std::string title, message, defaultButton, alternateButton, otherButton;
    };

    // Answers given in order; when they run out, the default button.
    void pushAnswer(int answer) { answers_.push_back(answer); }
    const std::vector<Shown>& shown() const { return shown_; }
    int beeps() const { return beeps_; }
    void reset();

    int runAlertPanel(const std::string& title, const std::string& message, const std::string& defaultButton,
                      const std::string& alternateButton, const std::string& otherButton) override;
    void beep() override { ++beeps_; }

private:
    std::vector<int> answers_;
    size_t next_ = 0;
    std::vector<Shown> shown_;
    int beeps_ = 0;
};

} // namespace kit
