#include "PictureFormats.h"

namespace dwindle {
namespace {

std::vector<PictureFormat>& Formats()
{
    static std::vector<PictureFormat> formats {
        {"wmf", "Metafiles"},
        {"emf", "Enhanced Metafiles"},
        {"ico", "Icons"},
        {"bmp", "Bitmaps"},
    };
    return formats;
}

} // namespace

const std::vector<PictureFormat>& RegisteredPictureFormats()
{
    return Formats();
}

void RegisterFileFormat(const std::string& extension, const std::string& description)
{
    Formats().push_back({extension, description});
}

} // namespace dwindle
