#pragma once

#include "app/Layvane.h"

// The word processor's application delegate.
class Scrivly : public Layvane {
public:
    // The framework's class set-up, then the word processor's factory values.
    static void initialize();

    Scrivly() = default;

    bool prefersAutomaticTextItems() const override { return true; }

protected:
    std::unique_ptr<Preferences> makePreferences() override;
};
