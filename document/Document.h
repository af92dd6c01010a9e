#pragma once

// The root class of documents, and the document-wide version of the stored
// form being read.

// The version of the stored document being read or written; -1000.0 while
// none is (decoders then read the current form).
extern float openFileVersion;
inline constexpr float OpenFileVersionIdle = -1000.0f;
inline constexpr float OpenFileVersionCurrent = 3.0f;

// True when decoders are to read the current form: idle, or 3.0 and above.
inline bool isCurrentFileVersion(float version)
{
    return version == OpenFileVersionIdle || version >= OpenFileVersionCurrent;
}

class Document {
public:
    virtual ~Document();

    bool isEdited() const { return edited_; }
    virtual void setEdited(bool flag) { edited_ = flag; }

private:
    bool edited_ = false;
};
