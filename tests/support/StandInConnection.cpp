#include "tests/support/StandInConnection.h"

#include "gateway/GatewayTexts.h"

#include <utility>

void StandInConnection::failAt(int k, Failure failure, const QString &text) {
    failures_.insert(k, {failure, text});
}

ServerAnswer StandInConnection::run(const QString &line) {
    lines.append(line);
    ServerAnswer answer;
    if (!open_) {
        answer.error = GatewayTexts::notConnected();
        return answer;
    }
    const auto runLine = [&] {
        ranLines.append(line);
        return script ? script(line) : QString();
    };
    const auto planned = failures_.constFind(int(lines.size()));
    if (planned == failures_.cend()) {
        answer.ok = true;
        answer.answer = runLine();
        return answer;
    }
    switch (planned->failure) {
    case Failure::Refused:
        runLine();
        answer.ok = true;
        answer.answer = planned->text;
        break;
    case Failure::FailedLine:
        answer.error = GatewayTexts::lineAborted(planned->text);
        break;
    case Failure::LostAnswer:
        runLine();
        open_ = false;
        answer.error = QStringLiteral("Keine Antwort vom ERP-Server.");
        answer.details = planned->text;
        answer.mayHaveRun = true;
        break;
    case Failure::Dropped:
        open_ = false;
        answer.error = GatewayTexts::notConnected();
        answer.details = planned->text;
        break;
    }
    return answer;
}

ServerAnswer StandInConnection::logOn(const QString &, const QString &, const QString &) {
    ServerAnswer answer;
    answer.ok = open_;
    if (!open_)
        answer.error = GatewayTexts::notConnected();
    return answer;
}

std::unique_ptr<ErpConnection> StandInConnection::reopen(QString *why) {
    if (why)
        *why = QStringLiteral("a stand-in cannot be opened anew");
    return nullptr;
}

ServerAnswer StandInConnection::flightAnswer(bool ok, QString &answer) const {
    ServerAnswer result;
    result.ok = ok;
    if (ok)
        result.answer = std::exchange(answer, QString());
    else
        result.error = GatewayTexts::invalidRequest();
    return result;
}
