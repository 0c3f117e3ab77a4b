#pragma once
// An INI file read and written through the Windows profile functions. A file name
// without a path means a file in the Windows directory, as for those functions.
#include <string>

#include "platform/Component.h"

namespace qlry {

class TStrings;

class TIniFile : public TObject {
public:
    explicit TIniFile(const std::string& fileName) : fileName_(fileName) {}
    const std::string& FileName() const { return fileName_; }

    std::string ReadString(const std::string& section, const std::string& ident, const std::string& defaultValue) const;
    // Raises EIniFileException "Unable to write to %s" when Windows refuses the write.
    void WriteString(const std::string& section, const std::string& ident, const std::string& value);
    // Decimal or "0x" hexadecimal; Default when the value is missing or not a number.
    int ReadInteger(const std::string& section, const std::string& ident, int defaultValue) const;
    void WriteInteger(const std::string& section, const std::string& ident, int value);
    bool ReadBool(const std::string& section, const std::string& ident, bool defaultValue) const;
    void WriteBool(const std::string& section, const std::string& ident, bool value);

    // Key names of a section, section names, or the section's "key=value" lines.
    void ReadSection(const std::string& section, TStrings& strings) const;
    void ReadSections(TStrings& strings) const;
    void ReadSectionValues(const std::string& section, TStrings& strings) const;
    bool SectionExists(const std::string& section) const;
    bool ValueExists(const std::string& section, const std::string& ident) const;

    void EraseSection(const std::string& section);
    void DeleteKey(const std::string& section, const std::string& ident);
    // Writes what Windows still holds in its cache of the file.
    void UpdateFile();

private:
    std::string fileName_;
};

} // namespace qlry
