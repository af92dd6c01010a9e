#pragma once

// The style editor's own tabs panel: its ruler shows and drags the stops
// without text being edited, and a finished drag ticks the editor's ruler
// or indent checkbox (and shows the indents in the fields) instead of
// changing any paragraph.

#include "panels/PanelTabs.h"

class PanelStylesEditor;

class PanelStylesEditorTabs : public PanelTabs {
public:
    explicit PanelStylesEditorTabs(PanelStylesEditor& editor) : editor_(editor) {}

    bool isStyleEditor(const RulerViewInset* ruler) const override
    {
        (void)ruler;
        return true;
    }
    void apply(RulerViewInset* ruler, bool isIndent, bool adjustAutonumber) override;
    // The indents of the working records, in points from the left margin:
    // left, right, first-line delta.
    void workingIndents(float* left, float* right, float* deltaFirst);
    void setWorkingIndents(float left, float right, float deltaFirst);

private:
    PanelStylesEditor& editor_;
};
