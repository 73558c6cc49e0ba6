#pragma once

// The exceptions that stop an operation. Screen handlers throw them; the framework catches them at
// the boundary where the user started the operation (a key, a click, a command): EAbort silently,
// anything else shown once in an error box.

#include <QString>

#include <exception>

// Base of every error the framework and the screens raise; the message is for the user.
class Exception : public std::exception {
public:
    explicit Exception(QString message);
    const QString& Message() const { return m_message; }
    const char* what() const noexcept override { return m_utf8.constData(); }

private:
    QString m_message;
    QByteArray m_utf8;
};

// The silent exception: stops the running operation without any message.
class EAbort : public Exception {
public:
    EAbort();
};

// A dataset operation that is not possible in the dataset's state, an unknown field, a text too long
// for its field.
class EDatabaseError : public Exception {
public:
    using Exception::Exception;
};

// A text that does not convert to the field's type; the message names the text ("'31/02/2026' não é
// uma data válida.").
class EConvertError : public Exception {
public:
    using Exception::Exception;
};

// Throws EAbort.
[[noreturn]] void Abort();
