#pragma once

// The date and time format panel: the user picks a format and inserts the
// date or time as fixed text or as a token that keeps itself up to date.
// Until the panel has its window, the answer comes from a runner that the
// program or a test installs; without one the panel counts as cancelled.

#include "items/TimeDateFormatPanel.h"

#include <functional>
#include <string>
#include <vector>

class LayoutDocument;

class TimeDateTokenController : public TimeDateFormatPanel {
public:
    // Class set-up: text columns run this panel to insert dates and times.
    static void initialize();

    // Answers InsertFixed, InsertUpdating or anything else for a cancel, and
    // may pick a format with setFormat.
    using Runner = std::function<int(TimeDateTokenController&)>;
    static Runner& runner();

    // Runs the panel modally for the document and the kind (Date or Time).
    int runForDocument(LayoutDocument* document, int type) override;

    // The formats the panel lists for its kind: the preferred one first.
    const std::vector<std::string>& formats() const { return formats_; }
    // The chosen format: the first listed until one is picked.
    const std::string& format() const override { return format_; }
    void setFormat(std::string format) { format_ = std::move(format); }
    int type() const { return type_; }
    LayoutDocument* document() const { return document_; }

private:
    std::vector<std::string> formats_;
    std::string format_;
    int type_ = Date;
    LayoutDocument* document_ = nullptr;
};
