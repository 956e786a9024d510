#pragma once

#include "core/Conversions.h"

#include <QList>
#include <QSqlDatabase>
#include <QString>

class ListGridModel;
class PayrollQuery;
class Session;

// The preview grid's columns as designed: heading, width in pixels, alignment.
struct PreviewColumn {
    QString heading;
    int width;
    int alignment;
};
// The 18 designed columns. Only "Austritt" is designed centred; start-up centres columns 4, 7
// and 11 and right-aligns 13 to 18, the others stay left-aligned.
QList<PreviewColumn> designedPreviewColumns();

// The pattern of a result column (from 0) in the preview: 12 one decimal; 13, 15, 16, 17 two.
NumberPattern previewPattern(int resultColumn);

struct FillOutcome {
    bool ok = false;
    QString message;    // German, for the user, when !ok
    QString details;    // technical text, when !ok
    qint64 records = 0; // rows put into the grid, when ok
};

// Builds the statement from the query text, the period and the client key list, runs it and
// replaces all rows of the preview grid with one row per record. On failure the grid keeps
// the last good fill.
FillOutcome FillList(ListGridModel &list1, const QString &period, const QString &clientKeys,
                     const QSqlDatabase &db, const QString &query);

// The same on the session's adocon with its sqltext.
FillOutcome FillList(Session &session, ListGridModel &list1, const QString &period,
                     const QString &clientKeys);
