#pragma once

#include <QString>
#include <QStringView>

// Writes text into a MUMPS line as a string expression that the server evaluates to exactly
// that text: a double quote is doubled, and control characters, which a MUMPS line cannot
// carry, are spelled as "..."_$C(13,10)_"..." pieces. Text may be appended piece by piece;
// the line's buffer is the caller's, so it can be reused from line to line.
class MumpsStringWriter {
public:
    // Opens the expression at the end of line.
    void begin(QString &line);
    void append(QStringView text);
    void append(QChar c);
    // Closes the expression.
    void finish();

private:
    void appendControl(ushort code);

    QString *line_ = nullptr;
    bool inCodes_ = false; // inside a $C(...) piece rather than a string literal
    int codesInPiece_ = 0;
};

// The whole text as one string expression: "a""b"_$C(10)_"c".
QString mumpsString(QStringView text);
