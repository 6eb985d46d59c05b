#include "names/CodeTables.h"

namespace vorlin {

namespace {

// The first count characters of text, a surrogate pair counting as one character.
QString leftCharacters(const QString& text, int count)
{
    qsizetype end = 0;
    for (int taken = 0; taken < count && end < text.size(); ++taken) {
        const bool pair =
            text.at(end).isHighSurrogate() && end + 1 < text.size() && text.at(end + 1).isLowSurrogate();
        end += pair ? 2 : 1;
    }
    return text.left(end);
}

} // namespace

CodeTable::CodeTable(int codeWidth, std::initializer_list<std::pair<const char*, const char*>> codes)
    : m_codeWidth(codeWidth)
{
    m_entries.reserve(qsizetype(codes.size()));
    for (const auto& [code, description] : codes) {
        const QString codeText = QString::fromLatin1(code);
        const QString descriptionText = QString::fromLatin1(description);
        m_entries.append({codeText, descriptionText,
                          codeText.leftJustified(codeWidth, u' ') + QStringLiteral(" - ") + descriptionText});
    }
}

QStringList CodeTable::listEntries() const
{
    QStringList entries;
    entries.reserve(m_entries.size());
    for (const CodeEntry& entry : m_entries)
        entries.append(entry.listEntry);
    return entries;
}

std::optional<int> CodeTable::positionOf(const QString& text) const
{
    for (int position = 0; position < size(); ++position) {
        if (m_entries.at(position).code == text)
            return position;
    }
    return std::nullopt;
}

QString CodeTable::codeOfComboText(const QString& comboText) const
{
    return trimSpaces(leftCharacters(comboText, m_codeWidth));
}

const CodeTable& GtTable()
{
    static const CodeTable table(2, {
                                        {"D", "Steam Locomotive"},
                                        {"DT", "Steam Railcar"},
                                        {"E", "Electrical Locomotive"},
                                        {"EA", "Accumulator Car"},
                                        {"ES", "Tramway"},
                                        {"ET", "Electrical Multiple Unit"},
                                        {"FC", "Freight Car"},
                                        {"PC", "Passenger Car"},
                                        {"V", "Diesel Locomotive"},
                                        {"VB", "Bus"},
                                        {"VT", "Diesel Multiple Unit"},
                                        {"VZ", "Amphibious Vehicle"},
                                        {"X", "Special Vehicle and Other"},
                                    });
    return table;
}

const CodeTable& UlandTable()
{
    static const CodeTable table(3, {
                                        {"A", "Austria"},
                                        {"B", "Belgium"},
                                        {"CH", "Switzerland"},
                                        {"DK", "Denmark"},
                                        {"F", "France"},
                                        {"FRG", "Germany"},
                                        {"GDR", "Germany (ex DDR)"},
                                        {"H", "Hungary"},
                                        {"I", "Italy"},
                                        {"JP", "Japan"},
                                        {"NL", "Netherlands"},
                                        {"P", "Portugal"},
                                        {"PL", "Poland"},
                                        {"SP", "Spain"},
                                        {"USA", "United States Of America"},
                                    });
    return table;
}

QString trimSpaces(const QString& text)
{
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && text.at(begin) == u' ')
        ++begin;
    while (end > begin && text.at(end - 1) == u' ')
        --end;
    return text.sliced(begin, end - begin);
}

} // namespace vorlin
