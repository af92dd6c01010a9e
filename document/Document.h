#pragma once

// The root class of documents.

#include <string>

class Document {
public:
    virtual ~Document();

    bool isEdited() const { return edited_; }
    virtual void setEdited(bool flag) { edited_ = flag; }

    const std::string& filename() const { return filename_; }
    virtual void setFilename(const std::string& name) { filename_ = name; }
    const std::string& fileFormat() const { return fileFormat_; }
    void setFileFormat(const std::string& format) { fileFormat_ = format; }
    bool isTemplate() const { return template_; }
    void setTemplate(bool flag) { template_ = flag; }
    bool isReadOnly() const { return readOnly_; }
    virtual void setReadOnly(bool flag) { readOnly_ = flag; }

    // Before the document is filled again: no file name, no file format.
    virtual void emptyDocument();

private:
    std::string filename_;
    std::string fileFormat_;
    bool edited_ = false;
    bool template_ = false;
    bool readOnly_ = false;
};
