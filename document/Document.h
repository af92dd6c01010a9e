#pragma once

// The root class of documents.

class Document {
public:
    virtual ~Document();

    bool isEdited() const { return edited_; }
    virtual void setEdited(bool flag) { edited_ = flag; }

private:
    bool edited_ = false;
};
