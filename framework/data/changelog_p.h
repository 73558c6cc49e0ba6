#pragma once

// The change log of a client dataset: at most one pending change per row since the last load or
// merge, kept in the order rows first changed, so a delta costs in proportion to the changes.

#include "framework/data/record_p.h"

#include <map>

namespace zrm::data {

class ChangeLog {
public:
    ChangeLog() = default;
    ChangeLog(const ChangeLog&) = delete;
    ChangeLog& operator=(const ChangeLog&) = delete;
    ~ChangeLog();

    // A new row was posted.
    void inserted(Record* record);
    // A listed row was posted with new values; before holds its values until then. An update that
    // brings a row back to its original values leaves nothing pending.
    void updated(Record* record, const Row& before);
    // A row left the list. Returns true when nothing refers to it any more (a row inserted since the
    // last merge), so the caller destroys it; otherwise the log keeps it as a pending delete.
    [[nodiscard]] bool deleted(Record* record);

    int count() const { return int(m_entries.size()); }
    Delta delta(const QList<FieldDef>& fields) const;

    // Accepts every pending change: deleted rows are destroyed, the others lose their originals.
    void merge();
    // Hands every pending row to the caller, in the order rows first changed, and forgets them; each
    // keeps its change and original values for the caller to undo.
    std::vector<Record*> takeAll();

private:
    void add(Record* record);
    void remove(Record* record);

    std::map<quint64, Record*> m_entries;
    quint64 m_nextOrder = 1;
};

}  // namespace zrm::data
