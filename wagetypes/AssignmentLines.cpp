#include "wagetypes/AssignmentLines.h"

#include "gateway/MumpsString.h"

namespace AssignmentLines {

namespace {
const QString answerTail = QStringLiteral(" W:$F($ZV,\"MSM\") P0");
// Stops a batch of nodes once the answer is this long; the service carries up to 1 MiB.
constexpr int batchChars = 60000;
// Lines stay well below the engine's 8,192 bytes.
constexpr int killLineChars = 4000;

QString node(const QString &key) {
    return QStringLiteral("^PERSP(1,20,") + mumpsString(key) + QLatin1Char(')');
}
} // namespace

QString read(const QString &key, int field) {
    return QStringLiteral("S P0=$P($G(") + node(key) + QStringLiteral("),%,") +
           QString::number(field) + QLatin1Char(')') + answerTail;
}

QString write(const QString &key, const QString &value) {
    return QStringLiteral("S ") + node(key) + QLatin1Char('=') + mumpsString(value);
}

QString percentCheck() {
    return QStringLiteral("S P0=$G(%)=\"`\"") + answerTail;
}

// The answer: the top node's value flag (0 or 1), "+" when more nodes follow or "." at the end,
// then per node its key's length, its value's length and $D, a colon, the key and the value.
QString listNodes(const QString &after, bool fromStart) {
    return QStringLiteral("N k,v S P0=\"\",k=") +
           (fromStart ? QStringLiteral("\"\"") : mumpsString(after)) +
           QStringLiteral(" X \"F  S k=$O(^PERSP(1,20,k)) Q:k=\"\"\"\"  S v=$G(^PERSP(1,20,k)),"
                          "P0=P0_$L(k)_\"\",\"\"_$L(v)_\"\",\"\"_$D(^PERSP(1,20,k))_\"\":\"\"_k_v "
                          "Q:$L(P0)>") +
           QString::number(batchChars) +
           QStringLiteral("\" S P0=($D(^PERSP(1,20))#2)_$S(k=\"\":\".\",1:\"+\")_P0") + answerTail;
}

NodeBatch NodeBatch::parse(const QString &answer) {
    NodeBatch batch;
    if (answer.size() < 2 || (answer[0] != QLatin1Char('0') && answer[0] != QLatin1Char('1')) ||
        (answer[1] != QLatin1Char('.') && answer[1] != QLatin1Char('+')))
        return batch;
    batch.topHasValue = answer[0] == QLatin1Char('1');
    batch.more = answer[1] == QLatin1Char('+');
    qsizetype at = 2;
    while (at < answer.size()) {
        const qsizetype colon = answer.indexOf(QLatin1Char(':'), at);
        if (colon < 0)
            return batch;
        const QStringList sizes = answer.mid(at, colon - at).split(QLatin1Char(','));
        bool keyOk = false, valueOk = false, dataOk = false;
        const int keyLength = sizes.value(0).toInt(&keyOk);
        const int valueLength = sizes.value(1).toInt(&valueOk);
        const int data = sizes.value(2).toInt(&dataOk);
        if (sizes.size() != 3 || !keyOk || !valueOk || !dataOk || keyLength < 1 ||
            valueLength < 0 || colon + 1 + keyLength + valueLength > answer.size())
            return batch;
        Node n;
        n.key = answer.mid(colon + 1, keyLength);
        n.value = answer.mid(colon + 1 + keyLength, valueLength);
        n.hasValue = data % 2 == 1;
        n.hasChildren = data >= 10;
        batch.nodes.append(n);
        at = colon + 1 + keyLength + valueLength;
    }
    batch.ok = !batch.more || !batch.nodes.isEmpty();
    return batch;
}

QStringList killKeys(const QStringList &keys) {
    QStringList lines;
    QString line;
    for (const QString &key : keys) {
        const QString reference = node(key);
        if (!line.isEmpty() && line.size() + reference.size() + 1 > killLineChars) {
            lines.append(line);
            line.clear();
        }
        line += line.isEmpty() ? QStringLiteral("K ") : QStringLiteral(",");
        line += reference;
    }
    if (!line.isEmpty())
        lines.append(line);
    return lines;
}

QString pruneChildren(const QString &key) {
    const QString reference = node(key);
    return QStringLiteral("TS  N v S v=$G(") + reference + QStringLiteral(") K ") + reference +
           QStringLiteral(" S ") + reference + QStringLiteral("=v TC");
}

QString clearTopValue() {
    return QStringLiteral("ZK ^PERSP(1,20)");
}

} // namespace AssignmentLines
