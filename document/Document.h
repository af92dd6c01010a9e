#pragma once

// The root class of documents.

#include <string>
#include <vector>

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

    // Before the document is filled again: no file name, no file format,
    // no custom colours.
    virtual void emptyDocument();

    // ---- Custom colour names the document uses (spot colours of its
    // pictures), each once, in the order first met.
    void addCustomColor(const std::string& name);
    // Empty outside the list.
    std::string customColorAt(int index) const;
    int docCustomColorCount() const { return static_cast<int>(customColors_.size()); }
    const std::vector<std::string>& customColors() const { return customColors_; }
    void destroyCustomColors() { customColors_.clear(); }

private:
    std::vector<std::string> customColors_;
    std::string filename_;
    std::string fileFormat_;
    bool edited_ = false;
    bool template_ = false;
    bool readOnly_ = false;
};
