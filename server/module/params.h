#pragma once

// Reading the positional parameters of a remote method. Every reader throws BadRequest (a
// malformed request, JSON-RPC -32602) with a Portuguese message naming the parameter.

#include "server/rpc/rpcrequest.h"

#include <QString>

#include <optional>
#include <string>
#include <string_view>

namespace zrm::server {

class Params {
public:
    // The parameters of method, as the front read them; throws BadRequest unless there are exactly
    // count of them. Keeps a reference to params.
    Params(const char* method, const std::vector<RpcParam>& params, int count);

    // A JSON string of at most maxLength characters, as UTF-8.
    std::string text(int index, const char* what, int maxLength) const;

    // A year given as text (digits, at most four) or as a JSON integer, as the four-digit key the
    // calendar stores ("2026"). A number outside 0 ... 9999, or an empty text, gives a key no year has.
    std::string yearText(int index) const;
    std::string yearNumber(int index) const;

    // A JSON string with the white space around it removed, of at most maxLength characters then.
    std::string trimmedText(int index, const char* what, int maxLength) const;

    // A year given as text of one to four digits, between 1 and 9999, as its four-digit key.
    std::string requiredYear(int index) const;

    // A code of one to width digits, as the stored key: padded with leading zeros to width.
    std::string digitCode(int index, const char* what, int width) const;

    // A JSON integer between minimum and maximum.
    qint64 integer(int index, const char* what, qint64 minimum, qint64 maximum) const;

    // A version given as text of at most 40 characters: empty gives none; otherwise it must read as
    // a number.
    std::optional<double> version(int index) const;

    // A parameter as read, for a reader of its own kind (a delta).
    const RpcParam& at(int index) const { return m_params.at(size_t(index)); }

    // Throws BadRequest "Parâmetro N do método M: what.", for a check of the caller's own.
    [[noreturn]] void fail(int index, const QString& what) const;

private:
    const char* m_method;
    const std::vector<RpcParam>& m_params;
};

// The calendar key of a version number, or 0 (no version has it) when it is not a positive integer.
qint64 versionKey(double version);

// The four-digit key of a year number, or a key no year has when it is outside 0 ... 9999.
std::string yearKey(qint64 year);

// A code of digits padded with leading zeros to width ("4" -> "0000000004" for width 10).
std::string paddedCode(std::string_view digits, int width);

}  // namespace zrm::server
