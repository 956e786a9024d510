#pragma once

#include <QByteArray>
#include <QList>

// A bare client of the line service for tests: frames in and out over a blocking POSIX
// socket, every wait bounded, nothing converted. Also sends what a sound client never would.
class RawLineClient {
public:
    RawLineClient() = default;
    ~RawLineClient();
    RawLineClient(const RawLineClient &) = delete;
    RawLineClient &operator=(const RawLineClient &) = delete;

    bool connectTo(quint16 port, int timeoutMs = 5000);
    // Connects and sends the greeting "KWP1" + persona + namespace; true when answered with 0.
    bool greet(quint16 port, char persona = 'C', const QByteArray &nameSpace = "KORVEX");
    // greet(), then the demo user's log-on (company 1, branch 0, password "demo").
    bool open(quint16 port, char persona = 'C', const QByteArray &nameSpace = "KORVEX");
    // Sends a log-on request with the values as they are and reads its reply.
    QList<QByteArray> logOn(const QByteArray &company, const QByteArray &branch,
                            const QByteArray &password);
    static QByteArray logonRequest(const QByteArray &company, const QByteArray &branch,
                                   const QByteArray &password);
    void close();

    bool sendRaw(const QByteArray &bytes);
    bool sendFrame(const QByteArray &payload);
    // The payload of the next frame; false on time-out, a closed connection or bad digits.
    bool readFrame(QByteArray &payload, int timeoutMs = 10000);
    // The four reply fields of the next frame (code, text, P0, output); empty on failure.
    QList<QByteArray> readReply(int timeoutMs = 10000);
    // Sends "X" + capture flag + line and reads its reply.
    QList<QByteArray> execute(const QByteArray &line, bool capture = false);
    // True when the server closed the connection (read gives end of file) within the time.
    bool closedByServer(int timeoutMs = 5000);

    static QByteArray frame(const QByteArray &payload);
    static QList<QByteArray> splitReply(const QByteArray &payload);

private:
    bool readExactly(char *data, qsizetype size, int timeoutMs);

    int m_fd = -1;
};
