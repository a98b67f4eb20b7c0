#pragma once
// The picture file formats known to the program, in their order of
// registration. The open-picture dialog builds its filter list from them.

#include <string>
#include <vector>

namespace dwindle {

struct PictureFormat {
    std::string Extension;   // "jpg", without the dot
    std::string Description; // "JPEG Image File"
};

// The built-in formats ("wmf", "emf", "ico", "bmp") are registered first, then
// whatever RegisterFileFormat adds.
const std::vector<PictureFormat>& RegisteredPictureFormats();
void RegisterFileFormat(const std::string& extension, const std::string& description);

} // namespace dwindle
