// The INI line reader and the merge of a store's entries into a file's text.
#include "IniText.h"

#include <QList>
#include <algorithm>

namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

bool IsBreak(char c) {
    return c == '\n' || c == '\r';
}

// The characters that can change how a line is read.
bool IsSpecial(char c) {
    return IsBreak(c) || c == '"' || c == ';' || c == '=' || c == '\\';
}

// Whether text ends with a line break that ends its line: a break that a
// backslash takes with it (a value continued, "C:\Temp\" typed last in a
// file) would make the next line written part of that value.
bool EndsWithLineEnd(const QByteArray& text) {
    qsizetype i = text.size();
    if (i == 0 || !IsBreak(text[i - 1]))
        return false;
    --i;
    if (i > 0 && IsBreak(text[i - 1]) && text[i - 1] != text[i])
        --i;
    qsizetype backslashes = 0;
    while (i > 0 && text[i - 1] == '\\') {
        --i;
        ++backslashes;
    }
    return backslashes % 2 == 0;
}

// Ends the last line of a text that has one, so that what is appended
// starts a line of its own. A backslash at the very end takes one break.
void EndLastLine(QByteArray& text) {
    while (!text.isEmpty() && !EndsWithLineEnd(text))
        text.append('\n');
}

} // namespace

TIniReader::TIniReader(QByteArrayView text) : Text(text) {
    // QSettings skips a UTF-8 byte order mark; it stays in the text as it is.
    if (Text.startsWith("\xEF\xBB\xBF"))
        Origin = Pos = 3;
}

bool TIniReader::Next() {
    const qsizetype size = Text.size();
    bool inQuotes = false;
    qsizetype start = Pos;
    while (start < size && IsBlank(Text[start]))
        ++start;
    Equals = -1;
    qsizetype i = start;
    while (i < size) {
        const char c = Text[i++];
        if (!IsSpecial(c))
            continue;
        if (c == '=') {
            if (!inQuotes && Equals < 0)
                Equals = i - 1;
        } else if (IsBreak(c)) {
            if (!inQuotes) {
                --i;
                break;
            }
        } else if (c == '\\') {
            if (i < size) {
                const char escaped = Text[i++];
                // A backslash before "\r\n" or "\n\r" takes both.
                if (i < size && IsBreak(escaped) && IsBreak(Text[i]) && Text[i] != escaped)
                    ++i;
            }
        } else if (c == '"') {
            inQuotes = !inQuotes;
        } else if (i == start + 1) {
            // A comment: the line proper starts after it.
            while (i < size && !IsBreak(Text[i]))
                ++i;
            while (i < size && IsBlank(Text[i]))
                ++i;
            start = i;
        } else if (!inQuotes) {
            --i;
            break;
        }
    }
    Pos = i;
    Start = start;
    Length = i - start;
    OpenQuotes = inQuotes;
    if (Length <= 0)
        return false;

    if (IsHeader()) {
        QByteArrayView line = Line();
        qsizetype close = line.indexOf(']');
        if (close < 0) {
            Ok = false;
            close = line.size();
        }
        CurrentSection = line.sliced(1, close - 1).trimmed();
    } else if (Equals < 0 && !Line().startsWith(';')) {
        Ok = false;
    }
    return true;
}

QByteArrayView TIniReader::Key() const {
    return Equals < 0 ? QByteArrayView() : Text.sliced(Start, Equals - Start).trimmed();
}

qsizetype TIniReader::Begin() const {
    qsizetype begin = Start;
    while (begin > Origin && (Text[begin - 1] == ' ' || Text[begin - 1] == '\t'))
        --begin;
    return begin;
}

qsizetype TIniReader::End() const {
    const qsizetype size = Text.size();
    qsizetype end = Start + Length;
    // A line cut short by ';' is followed by a comment up to the line break.
    while (end < size && !IsBreak(Text[end]))
        ++end;
    if (end < size) {
        const char first = Text[end++];
        if (first == '\r' && end < size && Text[end] == '\n')
            ++end;
    }
    return end;
}

QByteArray MergeIniText(QByteArrayView base, QByteArrayView update) {
    struct TSection {
        QByteArrayView Name;
        QByteArrayView Header;
        QList<QByteArrayView> Keys;
        QList<QByteArrayView> Lines;
        // Where base's last occurrence of the section ends; -1 when base has none.
        qsizetype InsertAt = -1;
    };
    QList<TSection> sections;
    auto find = [&sections](QByteArrayView name) -> TSection* {
        for (TSection& section : sections)
            if (section.Name == name)
                return &section;
        return nullptr;
    };

    TIniReader added(update);
    TSection* current = nullptr;
    while (added.Next()) {
        if (added.IsHeader()) {
            current = find(added.Section());
            if (!current) {
                sections.append({added.Section(), added.Line(), {}, {}, -1});
                current = &sections.back();
            }
        } else if (current && added.IsEntry()) {
            current->Keys.append(added.Key());
            current->Lines.append(added.Line());
        }
    }

    struct TCut {
        qsizetype Begin;
        qsizetype End;
    };
    QList<TCut> cuts;
    TIniReader kept(base);
    current = nullptr;
    while (kept.Next()) {
        if (kept.IsHeader()) {
            current = find(kept.Section());
            if (current)
                current->InsertAt = kept.End();
        } else if (current) {
            if (kept.IsEntry() && current->Keys.contains(kept.Key()))
                cuts.append({kept.Begin(), kept.End()});
            else
                current->InsertAt = kept.End();
        }
    }

    struct TInsert {
        qsizetype At;
        const TSection* Section;
    };
    QList<TInsert> inserts;
    for (const TSection& section : sections)
        if (section.InsertAt >= 0)
            inserts.append({section.InsertAt, &section});
    std::stable_sort(inserts.begin(), inserts.end(),
                     [](const TInsert& a, const TInsert& b) { return a.At < b.At; });

    QByteArray merged;
    merged.reserve(base.size() + update.size() + 16);
    auto putLines = [&merged](const TSection& section) {
        for (QByteArrayView line : section.Lines) {
            merged.append(line);
            merged.append('\n');
        }
    };
    qsizetype copied = 0;
    qsizetype nextCut = 0;
    qsizetype nextInsert = 0;
    while (nextCut < cuts.size() || nextInsert < inserts.size()) {
        // An insertion at the very place a cut begins goes first; both leave
        // the same text.
        const bool insert =
            nextInsert < inserts.size() &&
            (nextCut == cuts.size() || inserts[nextInsert].At <= cuts[nextCut].Begin);
        const qsizetype at = insert ? inserts[nextInsert].At : cuts[nextCut].Begin;
        merged.append(base.sliced(copied, at - copied));
        copied = at;
        if (insert) {
            EndLastLine(merged);
            putLines(*inserts[nextInsert++].Section);
        } else {
            copied = cuts[nextCut++].End;
        }
    }
    merged.append(base.sliced(copied));

    for (const TSection& section : sections) {
        if (section.InsertAt >= 0)
            continue;
        // Sections apart by an empty line, as QSettings writes them.
        if (!merged.isEmpty()) {
            EndLastLine(merged);
            merged.append('\n');
        }
        merged.append(section.Header);
        merged.append('\n');
        putLines(section);
    }
    return merged;
}
