// Settings files as text, cut into lines the way QSettings reads an INI file.
// The store reads only the lines of its own keys and rewrites only those, so a
// file that holds a great deal besides (keys of other versions, stray keys by
// the million) costs one pass to read and one to write, and every byte that is
// not the store's own stays as it was.
#pragma once

#include <QByteArray>
#include <QByteArrayView>

// Walks the logical lines of an INI text with QSettings' rules: blanks before
// a line are skipped; ';' first on a line starts a comment that runs to the
// end of that line, and elsewhere (outside quotes) ends the line; quotes may
// run over line breaks; a backslash takes the next character with it, a line
// break too.
class TIniReader {
public:
    explicit TIniReader(QByteArrayView text);

    // Moves to the next line; false after the last one.
    bool Next();

    // The current line's text, without the blanks before it.
    QByteArrayView Line() const { return Text.sliced(Start, Length); }
    bool IsHeader() const { return Line().startsWith('['); }
    // A "key=value" line.
    bool IsEntry() const { return Equals >= 0 && !IsHeader(); }
    // The key of an entry, trimmed.
    QByteArrayView Key() const;
    // The section the current line is in (for a header, the one it opens),
    // trimmed, as written between the brackets; empty before the first header.
    QByteArrayView Section() const { return CurrentSection; }
    // The bytes that are the current line's alone: from the start of its first
    // physical line to past the line break that ends it, with a comment that
    // follows it on the same physical line.
    qsizetype Begin() const;
    qsizetype End() const;
    // False once a line was met that makes QSettings report a format error: a
    // header without ']', or a line that is neither a header nor an entry.
    bool WellFormed() const { return Ok; }
    // The current line runs to the end of the text inside quotes, so text
    // added after it would be read as part of its value.
    bool InOpenQuotes() const { return OpenQuotes; }

private:
    QByteArrayView Text;
    qsizetype Origin = 0;
    qsizetype Pos = 0;
    qsizetype Start = 0;
    qsizetype Length = 0;
    qsizetype Equals = -1;
    QByteArrayView CurrentSection;
    bool Ok = true;
    bool OpenQuotes = false;
};

// base with every entry that update also has (same section and key) taken
// out, and update's entries put after the last line of the last occurrence of
// their section, or in a section of their own at the end. update is text as
// QSettings writes it. Since QSettings lets a later entry win, update's values
// are the ones read back even where base spells a key in a way not recognised
// here as the same (a %-escape, say).
QByteArray MergeIniText(QByteArrayView base, QByteArrayView update);
