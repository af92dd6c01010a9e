#pragma once

#include <string>
#include <vector>

namespace kit {

// The file extensions the platform's image classes open (TIFF and EPS),
// as lower-case extensions without the dot. The graphics layer adds the
// types its readers learn; the program may replace the EPS list.
class ImageFileTypes {
public:
    static const std::vector<std::string>& imageFileTypes();
    static void setImageFileTypes(std::vector<std::string> types);
    // Back to the built-in list.
    static void reset();
};

} // namespace kit
