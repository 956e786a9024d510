#pragma once

#include "gateway/ErpConnection.h"

#include <QHash>
#include <QStringList>

#include <functional>

// An ERP connection in memory, for logic that does not need a MUMPS engine. Every line handed
// to it is recorded; a line is answered by the script (empty: taken), and line k (counted from
// 1 over the connection's life) can be made to fail in the ways a real connection fails. It
// has no flight channel, so an export on it sends its records one at a time.
class StandInConnection : public ErpConnection {
public:
    enum class Failure {
        Refused,    // the line runs and answers the refusal text
        FailedLine, // the server aborts the line: it did not run, the connection stays
        LostAnswer, // the line runs, its answer is lost: it may have run; the connection is gone
        Dropped,    // the connection is gone before the line leaves: it did not run
    };

    // Answers a line that runs; without it every line answers empty text.
    std::function<QString(const QString &line)> script;
    // Makes line k fail; text is the refusal (Refused) or the server's error text.
    void failAt(int k, Failure failure, const QString &text = QStringLiteral("stand-in failure"));

    // Every line handed over, in order, the failed ones included.
    QStringList lines;
    // The lines that ran (a lost answer's line too).
    QStringList ranLines;

    ServerAnswer run(const QString &line) override;
    // Takes every log-on while open; not counted as a line.
    ServerAnswer logOn(const QString &company, const QString &branch,
                       const QString &password) override;
    void close() override { open_ = false; }
    bool isOpen() const override { return open_; }
    LineChannel *flightChannel() override { return nullptr; }
    bool answersByOutput() const override { return true; }
    std::unique_ptr<ErpConnection> reopen(QString *why) override;
    ServerAnswer flightAnswer(bool ok, QString &answer) const override;

private:
    struct Planned {
        Failure failure;
        QString text;
    };
    QHash<int, Planned> failures_;
    bool open_ = true;
};
