#pragma once

#include <QString>
#include <optional>

namespace vorlin {

// What reading a drawing's file name yields. Each member is either unset (the field keeps what it
// showed) or set (the field is overwritten, also with an empty text).
struct NameReading
{
    enum class Kind { Structured, Plain };

    Kind kind = Kind::Plain;
    std::optional<int> country; // position in UlandTable
    std::optional<QString> company;
    std::optional<int> type; // position in GtTable
    std::optional<QString> acronym;
    std::optional<QString> suffix;

    bool operator==(const NameReading&) const = default;
};

// Reads a name from the bitmap list: structured when it begins with a country code and "_",
// plain otherwise. Underscores split the name into country, company, type, acronym and suffix;
// the acronym and the suffix end at the first "." after their start.
NameReading ReadBitmapName(const QString& name);

// Reads only an acronym and a suffix marker ("SAR", "0" to "3" or empty); both are always set.
// extension is the one searched for when the name has no usable underscore (".bmp" or ".dib").
NameReading ReadPlainName(const QString& name, const QString& extension);

} // namespace vorlin
