#pragma once

#include <QString>
#include <QStringView>

// An M string expression that the server evaluates to the text exactly: "a""b" for a"b, and
// control characters, which an M line cannot carry, as $C(...) pieces: "a"_$C(9)_"b".
// Empty text gives "".
QString mumpsString(QStringView text);
