#pragma once

// An inspector that the document also tells things (a DocumentPanel). Both
// bases name their selection notice inspectSelection, one answering an
// object and the other nothing, so no class can override both under that
// name: each gets its own overrider here, and both show the selection
// through showSelection. Callers of the inspector reach ZynInspector's.

#include "document/DocumentPanels.h"
#include "panels/ZynInspector.h"

namespace inspector_detail {

class InspectorSide : public ZynInspector {
public:
    kit::Object* inspectSelection(const std::vector<Item*>* selection) final { return showSelection(selection); }

protected:
    virtual kit::Object* showSelection(const std::vector<Item*>* selection) = 0;
};

class DocumentSide : public DocumentPanel {
public:
    void inspectSelection(const std::vector<Item*>* selection) final { documentSelection(selection); }

protected:
    virtual void documentSelection(const std::vector<Item*>* selection) = 0;
};

} // namespace inspector_detail

class DocumentInspector : public inspector_detail::InspectorSide, public inspector_detail::DocumentSide {
public:
    using inspector_detail::InspectorSide::inspectSelection;
    using ZynInspector::inspect;
    bool isVisible() const override { return ZynInspector::isVisible(); }

protected:
    void documentSelection(const std::vector<Item*>* selection) override { (void)showSelection(selection); }
};
