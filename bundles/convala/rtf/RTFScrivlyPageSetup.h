#pragma once

// The RTF reader's page set-up over the word processor's document: the
// margins and the header and footer areas are its fixed guides, paper
// changes keep the far margins' distance to the edges, and the column count
// and gutter make its master columns.

#include "bundles/convala/rtf/RTFImportMethods.h"

class ScrivlyDocument;

class RTFScrivlyPageSetup : public RTFPageSetupTarget {
public:
    explicit RTFScrivlyPageSetup(ScrivlyDocument& document) : document_(document) {}

    kit::Size pageSize() const override;
    void setPageSize(const kit::Size& size) override;
    void setLandscape() override;
    float leftMargin() const override;
    float rightMargin() const override;
    float topMargin() const override;
    float bottomMargin() const override;
    void setLeftMargin(float x) override;
    void setRightMargin(float x) override;
    void setTopMargin(float y) override;
    void setBottomMargin(float y) override;
    float headerTop() const override;
    float headerBottom() const override;
    float footerTop() const override;
    float footerBottom() const override;
    void setHeaderTop(float y) override;
    void setHeaderBottom(float y) override;
    void setFooterTop(float y) override;
    void setFooterBottom(float y) override;
    void resizeMasterTextItems() override;
    int columnCount() const override;
    float columnGutterWidth() const override;
    void resetDocumentColumnCount(int count, float gutter) override;
    void setFirstPageNum(int number) override;
    void setPageNumberFormat(int format) override;
    TextItem* insertHeaderOrFooter(bool header, int masterFlags, bool notOnFirstPage) override;
    std::vector<TextItem*> headerOrFooterColumns(bool header) const override;

private:
    ScrivlyDocument& document_;
};
