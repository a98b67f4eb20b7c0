#include "IniFile.h"
#include "TextLines.h"

#include <fstream>

namespace dwindle {

namespace {

constexpr std::size_t longestValue = 2047; // the profile API's 2048-character buffer, less its terminator

bool sameText(const std::string& a, const std::string& b) noexcept
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        auto lower = [](char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; };
        if (lower(a[i]) != lower(b[i]))
            return false;
    }
    return true;
}

} // namespace

TIniFile::TIniFile(std::string fileName) : fileName_(std::move(fileName)) {}

std::string TIniFile::ReadString(const std::string& section, const std::string& key,
                                 const std::string& defaultValue) const
{
    std::ifstream file(fileName_, std::ios::binary);
    if (!file)
        return defaultValue;

    const std::string wantedSection = trimmed(section);
    const std::string wantedKey = trimmed(key);
    bool inSection = false;
    bool sectionSeen = false;
    bool firstLine = true;
    std::string line;
    while (std::getline(file, line)) {
        if (firstLine && line.rfind("\xEF\xBB\xBF", 0) == 0)
            line.erase(0, 3); // a UTF-8 mark left by an editor
        firstLine = false;
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        const std::string text = trimmed(line);
        if (!text.empty() && text.front() == '[') {
            // Only the first section of that name is searched, as the profile
            // API does; a later one of the same name is not looked at.
            if (sectionSeen)
                break;
            const auto close = text.find(']');
            const std::string name = trimmed(text.substr(1, close == std::string::npos ? std::string::npos : close - 1));
            inSection = sameText(name, wantedSection);
            sectionSeen = inSection;
            continue;
        }
        if (!inSection)
            continue;
        const auto eq = text.find('=');
        if (eq == std::string::npos)
            continue; // not a key line: comments and stray text
        if (!sameText(trimmed(text.substr(0, eq)), wantedKey))
            continue;
        std::string value = trimmed(text.substr(eq + 1));
        // One pair of matching quotes around the whole value is dropped, as
        // the profile API does.
        if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front())
            value = value.substr(1, value.size() - 2);
        if (value.size() > longestValue)
            value.resize(longestValue);
        return value;
    }
    return defaultValue;
}

} // namespace dwindle
