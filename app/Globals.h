#pragma once

#include <QString>
#include <QtGlobal>

// Values the whole program shares.

// The text of the query file "kwp1.sql", read once at start-up (readQueryFile()).
QString &sqltext();

// How many records the last preview fill put into the preview grid; the export run sizes its
// progress meter with it.
qint64 &reccount();
