#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <initializer_list>
#include <optional>
#include <utility>

namespace vorlin {

// One entry of a code table: the code, what it stands for, and the text shown in the combo box.
struct CodeEntry
{
    QString code;
    QString description;
    QString listEntry;
};

// A fixed, ordered table of codes. The order is the list order of the matching combo box,
// so a table position doubles as the combo box's ListIndex.
class CodeTable
{
public:
    // Builds each list entry from its code, padded with spaces to codeWidth, " - " and the description.
    CodeTable(int codeWidth, std::initializer_list<std::pair<const char*, const char*>> codes);

    int codeWidth() const { return m_codeWidth; }
    int size() const { return int(m_entries.size()); }
    const CodeEntry& at(int position) const { return m_entries.at(position); }
    const QList<CodeEntry>& entries() const { return m_entries; }
    // The list entries in table order, for filling a combo box.
    QStringList listEntries() const;

    // The position whose code equals text exactly (whole text, case-sensitive), or none.
    std::optional<int> positionOf(const QString& text) const;

    // The code cut from a combo box text: its first codeWidth characters, trimmed of spaces.
    // A shorter text yields what there is; no check against the table is made. A character
    // written as a surrogate pair counts as one and is never cut in half.
    QString codeOfComboText(const QString& comboText) const;

private:
    int m_codeWidth;
    QList<CodeEntry> m_entries;
};

// Vehicle types (GT), shown in cboGT: 13 entries, code width 2.
const CodeTable& GtTable();
// Countries (ULAND), shown in cboUland: 15 entries, code width 3.
const CodeTable& UlandTable();

// Trims leading and trailing space characters only; tabs and other blanks stay.
QString trimSpaces(const QString& text);

} // namespace vorlin
