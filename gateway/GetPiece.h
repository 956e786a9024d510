#pragma once

#include <QString>

// Field n (counted from 1) of text split at a one-character delimiter. The last field runs to
// the end of the text; an empty or missing field, and any n below 1, give the default.
QString GetPiece(const QString &text, QChar delimiter, int n, const QString &fallback = QString());
