#pragma once

// TMessages: a screen's message table. Every text a screen shows is an entry of it, "key|text",
// looked up by key, so that a language resource can replace the texts without touching the code.

#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>

#include <utility>

class TMessages : public QObject {
    Q_OBJECT
public:
    explicit TMessages(QObject* parent = nullptr);

    // The entries as "key|text", in order. The key ends at the first "|"; the text keeps everything
    // after it, blanks included.
    QStringList Entries() const;
    // Replaces every entry. Throws EDatabaseError naming the entry when one has no "|" or an empty
    // key; the table is then left as it was.
    void SetEntries(const QStringList& entries);
    int Count() const { return int(m_entries.size()); }

    // The text of the entry whose key is exactly key (case and blanks count); the first such entry
    // when several share it. Throws Exception naming the key and the table when none has it: a text
    // that does not exist is a fault of the screen, not something to show as an empty box.
    QString Msg(const QString& key) const;
    // Whether an entry has exactly this key.
    bool Contains(const QString& key) const;

private:
    QList<std::pair<QString, QString>> m_entries;
};
