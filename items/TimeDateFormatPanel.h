#pragma once

// What a text column asks of the date and time format panel when the user
// inserts a date or a time: run it for the document and the kind, then read
// the answer and the chosen format. The panel (TimeDateTokenController)
// implements it and installs its maker at its class set-up; until then an
// insertion counts as cancelled.

#include <functional>
#include <memory>
#include <string>

class LayoutDocument;

class TimeDateFormatPanel {
public:
    // Kinds and answers.
    static constexpr int Date = 1;
    static constexpr int Time = 0;
    static constexpr int InsertFixed = 2;
    static constexpr int InsertUpdating = 3;
    static constexpr int Cancelled = 0;

    virtual ~TimeDateFormatPanel() = default;

    // Runs the panel modally for the document and the kind (Date or Time);
    // answers InsertFixed, InsertUpdating or anything else for a cancel.
    virtual int runForDocument(LayoutDocument* document, int type) = 0;
    // The chosen format.
    virtual const std::string& format() const = 0;

    // Makes the panel for one insertion; empty until the panel installs it.
    using Maker = std::function<std::unique_ptr<TimeDateFormatPanel>()>;
    static Maker& maker();
};
