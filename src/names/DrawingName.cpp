#include "names/DrawingName.h"

#include "names/CodeTables.h"

#include <QStringList>

namespace vorlin {

std::optional<MandatoryField> firstEmptyField(const DrawingFields& fields)
{
    if (trimSpaces(fields.countryText).isEmpty())
        return MandatoryField::Country;
    if (trimSpaces(fields.company).isEmpty())
        return MandatoryField::Company;
    if (trimSpaces(fields.typeText).isEmpty())
        return MandatoryField::Type;
    if (trimSpaces(fields.acronym).isEmpty())
        return MandatoryField::Acronym;
    return std::nullopt;
}

QString promptFor(MandatoryField field)
{
    switch (field) {
    case MandatoryField::Country:
        return QStringLiteral("Select the ULAND (country)!");
    case MandatoryField::Company:
        return QStringLiteral("Select the company!");
    case MandatoryField::Type:
        return QStringLiteral("Select the GT (type)!");
    case MandatoryField::Acronym:
        return QStringLiteral("Select the acronym!");
    }
    return {};
}

QString composeName(const DrawingFields& fields)
{
    const QString suffix = trimSpaces(fields.suffix);
    const QString suffixPart = suffix.isEmpty() ? QString() : QLatin1Char('_') + suffix;

    // The combo boxes are read through their text, so a typed text gives its first characters.
    const QString head = UlandTable().codeOfComboText(fields.countryText) + QLatin1Char('_') +
                         trimSpaces(fields.company) + QLatin1Char('_') +
                         GtTable().codeOfComboText(fields.typeText);

    return head.toUpper() + QLatin1Char('_') + trimSpaces(fields.acronym) + suffixPart +
           QStringLiteral(".bmp");
}

namespace {

// The name in quotes for a message, shortened when it would not fit a message box.
QString quoted(const QString& name)
{
    constexpr qsizetype shown = 60;
    if (name.size() <= shown + 20)
        return QLatin1Char('"') + name + QLatin1Char('"');
    qsizetype cut = shown;
    if (name.at(cut - 1).isHighSurrogate())
        --cut;
    return QLatin1Char('"') + name.left(cut) + QStringLiteral("...\"");
}

QString codePoint(char32_t c)
{
    return QStringLiteral("U+%1").arg(uint(c), 4, 16, QLatin1Char('0')).toUpper();
}

bool isWindowsDevice(const QString& name)
{
    // Windows reserves these names whatever the extension, and ignores spaces before the dot.
    QString stem = name.left(name.indexOf(u'.'));
    while (stem.endsWith(u' '))
        stem.chop(1);
    stem = stem.toUpper();
    static const QStringList devices = {QStringLiteral("CON"), QStringLiteral("PRN"), QStringLiteral("AUX"),
                                        QStringLiteral("NUL")};
    if (devices.contains(stem))
        return true;
    return stem.size() == 4 && (stem.startsWith(u"COM") || stem.startsWith(u"LPT")) && stem.at(3) >= u'1' &&
           stem.at(3) <= u'9';
}

} // namespace

std::optional<QString> portableNameProblem(const QString& name)
{
    if (name.isEmpty())
        return QStringLiteral("The file name is empty.");
    if (name == u"." || name == u"..")
        return QStringLiteral("The name %1 stands for a folder and cannot be used as a file name.")
            .arg(quoted(name));

    const QString windowsForbidden = QStringLiteral(":*?\"<>|");
    for (qsizetype i = 0; i < name.size(); ++i) {
        const QChar c = name.at(i);
        if (c == u'/' || c == u'\\')
            return QStringLiteral("The name %1 contains \"%2\", which cannot be used in a file name.")
                .arg(quoted(name), c);
        if (c.unicode() < 0x20 || c.unicode() == 0x7F)
            return QStringLiteral("The name contains the control character %1, which cannot be used in a "
                                  "file name.")
                .arg(codePoint(c.unicode()));
        if (windowsForbidden.contains(c))
            return QStringLiteral("The name %1 contains \"%2\", which Windows does not allow in a file name.")
                .arg(quoted(name), c);
        if (c.isHighSurrogate() && i + 1 < name.size() && name.at(i + 1).isLowSurrogate()) {
            ++i;
            continue;
        }
        if (c.isSurrogate())
            return QStringLiteral(
                       "The name contains an incomplete character (%1), which cannot be written in "
                       "a file name.")
                .arg(codePoint(c.unicode()));
    }

    // Reading a name from the file system drops a leading byte order mark, so the file would be
    // listed under another name than the one it was given.
    if (name.startsWith(QChar(0xFEFF)))
        return QStringLiteral("The name begins with an invisible byte order mark (U+FEFF), which would be "
                              "lost when the name is read back.");
    if (name.endsWith(u'.'))
        return QStringLiteral("The name %1 ends in a dot, which Windows does not allow.").arg(quoted(name));
    if (name.endsWith(u' '))
        return QStringLiteral("The name %1 ends in a space, which Windows does not allow.").arg(quoted(name));
    if (isWindowsDevice(name))
        return QStringLiteral("The name %1 is reserved for a device on Windows and cannot be used as a file "
                              "name.")
            .arg(quoted(name));

    const qsizetype bytes = name.toUtf8().size();
    if (bytes > MaxNameBytes)
        return QStringLiteral("The name %1 is %2 bytes long; a file name can have at most %3 bytes.")
            .arg(quoted(name), QString::number(bytes), QString::number(MaxNameBytes));
    return std::nullopt;
}

} // namespace vorlin
