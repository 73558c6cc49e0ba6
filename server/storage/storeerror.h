#pragma once

// The failures of the server's business layer and storage, as a small typed hierarchy. The backends
// map their native error codes onto it; the remote data module maps it onto JSON-RPC error codes.
// Every message is a Portuguese sentence a user can read.

#include <QString>

#include <stdexcept>

namespace zrm::server {

class StoreError : public std::runtime_error {
public:
    explicit StoreError(const QString& message) : std::runtime_error(message.toStdString()) {}
    QString message() const { return QString::fromUtf8(what()); }
};

// A business rule refused the change.
class RuleRefused : public StoreError {
public:
    using StoreError::StoreError;
};

// The row was changed or removed by someone else since it was read (or a concurrent writer won).
class Conflict : public StoreError {
public:
    using StoreError::StoreError;
};

// The request or a value in it is malformed.
class BadRequest : public StoreError {
public:
    using StoreError::StoreError;
};

// The database cannot be reached or is busy; trying again later may succeed.
class StorageUnavailable : public StoreError {
public:
    using StoreError::StoreError;
};

// The connection failed while a commit was under way: the change may or may not have been stored.
class CommitOutcomeUnknown : public StorageUnavailable {
public:
    using StorageUnavailable::StorageUnavailable;
};

}  // namespace zrm::server
