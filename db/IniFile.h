#pragma once
// Reads values from an INI settings file with the rules users know from the
// classic profile files: "[section]" headers, "key=value" lines, names compared
// without regard to case, blanks around names and values dropped, the first
// match wins, and each value cut to 2047 characters. Nothing is opened until a
// value is read, and nothing is ever written.

#include <string>

namespace dwindle {

class TIniFile {
public:
    explicit TIniFile(std::string fileName);
    // The value, or defaultValue when the file, section or key is missing.
    std::string ReadString(const std::string& section, const std::string& key, const std::string& defaultValue) const;
    const std::string& FileName() const noexcept { return fileName_; }

private:
    std::string fileName_;
};

} // namespace dwindle
