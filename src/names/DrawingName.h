#pragma once

#include <QString>
#include <optional>

namespace vorlin {

// The five fields of a drawing name as the user typed or chose them (combo boxes by their text).
struct DrawingFields
{
    QString countryText;
    QString company;
    QString typeText;
    QString acronym;
    QString suffix;
};

enum class MandatoryField { Country, Company, Type, Acronym };

// The first of country, company, type and acronym whose text is empty after trimming spaces.
std::optional<MandatoryField> firstEmptyField(const DrawingFields& fields);

// The warning shown for an empty mandatory field.
QString promptFor(MandatoryField field);

// Composes country_company_gt_acronym(_suffix).bmp. The head (country, company, type) is upper-cased,
// acronym and suffix keep their case. Assumes firstEmptyField() found nothing.
QString composeName(const DrawingFields& fields);

// Why name cannot be used as a plain file name that also survives a copy to Windows media,
// or none when it can. The reason names the problem and is meant for the user.
std::optional<QString> portableNameProblem(const QString& name);

// The longest file name, in bytes of UTF-8, that common file systems accept.
inline constexpr int MaxNameBytes = 255;

} // namespace vorlin
