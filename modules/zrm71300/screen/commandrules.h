#pragma once

// CommandRules: what the commands of the budget-calendar screen depend on, read once from the
// screen's state, and the rules of the record commands built on it.

#include "framework/data/clientdataset.h"

// A row is being edited or inserted.
inline bool editingOrInserting(TDataSetState state) {
    return state == TDataSetState::dsEdit || state == TDataSetState::dsInsert;
}

struct CommandRules {
    bool loadedVersion = false;   // the version box shows the version of the calendar loaded
    bool editState = false;       // a phase row or a month row is being edited or inserted
    bool browseState = false;     // both the phase rows and the month rows are browsing
    bool hasRows = false;         // the calendar is open and holds phase rows
    bool permissionPage = false;  // the page "Permissão para cálculo" is showing

    // A new phase row may be inserted.
    bool insertAllowed() const { return browseState && loadedVersion; }
    // The current phase row may be modified or deleted.
    bool recordCommandsAllowed() const { return browseState && hasRows && loadedVersion && !permissionPage; }
};
