#pragma once

#include "foundation/Preferences.h"

// The word processor's preferences: three more general settings and a few
// factory values of its own.
class ScrivlyPreferences : public Preferences {
public:
    // The framework's class set-up; when that has just registered the
    // factory values, the word processor's own are written over them.
    static void initialize();
    static void initializeDefaults();
    static void resetClassSetUp();

    // The setters mark the general group dirty when the value changes, so
    // that storing the preferences writes it.
    bool marginLines() const { return marginLines_; }
    void setMarginLines(bool value);
    // 0 untitled without a file format, 1 under its own path, 2 untitled;
    // another value is refused.
    int openUntitled() const { return openUntitled_; }
    void setOpenUntitled(int value);
    // None is the native form.
    const std::optional<std::string>& saveFormat() const { return saveFormat_; }
    void setSaveFormat(const std::optional<std::string>& format);

    void defaultGeneral() override;
    void defaultText() override;
    void loadGeneral() override;
    void storeGeneral() override;

protected:
    friend class Preferences;
    ScrivlyPreferences() = default;

private:
    bool marginLines_ = true;
    int openUntitled_ = 0;
    std::optional<std::string> saveFormat_;
};
