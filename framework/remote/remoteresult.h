#pragma once

// The raw result of a remote call and the exception that carries a failed one. A failure of any
// kind — no connection, time-out, an HTTP error, an answer that is not a JSON-RPC response, or an
// error the server reported — arrives in the same form, so one result check reads them all.

#include "framework/data/exceptions.h"

#include "framework/packet/packet.h"

#include <QList>
#include <QString>

// The error codes a failed result carries: the server's JSON-RPC codes, and Unavailable for every
// transport failure the connection itself detects.
namespace RemoteError {
constexpr int ParseError = -32700;      // the request was not JSON
constexpr int InvalidRequest = -32600;  // not a JSON-RPC request (batches, notifications)
constexpr int MethodNotFound = -32601;  // unknown server name or method
constexpr int InvalidParams = -32602;   // wrong number or type of parameters, bad values
constexpr int Reentrant = -32000;       // a call started while another was out on the same connection
constexpr int RuleRefused = 1001;       // a business rule refused the change
constexpr int Conflict = 1002;          // the row was changed by someone else since it was read
constexpr int Unavailable = 1003;       // the database or the server cannot be reached; try again
}  // namespace RemoteError

// What a remote method answered. On success `packets` holds the method's result, decoded from the
// answer's bytes in one pass: one packet, or (isList) a list of them; `unreadable` says why a result
// was neither, for the caller that expected packets. On failure `message` is a Portuguese sentence for the
// user, `code` says what failed and `transient` whether the same call may succeed when repeated (an
// unreachable server or database) or not (a refused rule, a conflict, a malformed request).
struct TRemoteResult {
    bool ok = false;
    QList<zrm::DataPacket> packets;
    bool isList = false;
    QString unreadable;
    int code = 0;
    QString message;
    bool transient = false;

    static TRemoteResult success(QList<zrm::DataPacket> packets, bool isList);
    // A success whose result is not packets; why says what it was instead.
    static TRemoteResult successNotPackets(const QString& why);
    // A failure reported by the server: transient only for RemoteError::Unavailable.
    static TRemoteResult serverFailure(int code, const QString& message);
    // A failure of the way to the server (connection, time-out, HTTP, an unreadable answer).
    static TRemoteResult transportFailure(const QString& message);
};

// Thrown by a connection whose ThrowException is true instead of returning a failed result.
class ERemoteCallError : public Exception {
public:
    explicit ERemoteCallError(TRemoteResult result);
    const TRemoteResult& Result() const { return m_result; }
    int Code() const { return m_result.code; }
    bool IsTransient() const { return m_result.transient; }

private:
    TRemoteResult m_result;
};
