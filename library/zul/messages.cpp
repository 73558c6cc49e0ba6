#include "library/zul/messages.h"

#include "framework/data/exceptions.h"
#include "framework/ui/formresources.h"

#include <algorithm>

TMessages::TMessages(QObject* parent) : QObject(parent) {}

QStringList TMessages::Entries() const {
    QStringList entries;
    entries.reserve(m_entries.size());
    for (const auto& [key, text] : m_entries)
        entries.append(key + u'|' + text);
    return entries;
}

void TMessages::SetEntries(const QStringList& entries) {
    QList<std::pair<QString, QString>> parsed;
    parsed.reserve(entries.size());
    for (const QString& entry : entries) {
        const qsizetype bar = entry.indexOf(u'|');
        if (bar <= 0)
            throw EDatabaseError(zrm::ui::FormResources::translate(
                                     QStringLiteral("A mensagem \"%1\" de %2 deve ter a forma chave|texto."))
                                     .arg(entry, objectName()));
        parsed.append({entry.left(bar), entry.mid(bar + 1)});
    }
    m_entries = std::move(parsed);
}

QString TMessages::Msg(const QString& key) const {
    for (const auto& [entryKey, text] : m_entries) {
        if (entryKey == key)
            return text;
    }
    throw Exception(
        zrm::ui::FormResources::translate(QStringLiteral("A mensagem \"%1\" não existe na tabela %2."))
            .arg(key, objectName()));
}

bool TMessages::Contains(const QString& key) const {
    return std::ranges::any_of(m_entries, [&key](const auto& entry) { return entry.first == key; });
}
