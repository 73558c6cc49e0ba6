#pragma once

// The rules a row of the phase catalogue meets before it is sent to the server: the code digits
// only, 1 to 10 of them, stored with leading zeros to ten (as the calendar stores it); the name
// without blanks around it, 1 to 100 characters; each flag "S" or "N", an empty flag taken as "N".
// The server holds the same rules; checking them here lets the screen point at the cell at fault
// before anything travels.

#include <QString>

namespace phasecatalogue {

inline constexpr int CodeWidth = 10;
inline constexpr int NameLength = 100;

// A catalogue row as typed: code, name, calculation flag, blocked flag.
struct Entry {
    QString code;
    QString name;
    QString calculation;
    QString blocked;
};

// Which field a refusal is about, and the key of its message in the screen's message table.
struct Refusal {
    QString field;  // the dataset's field name
    QString key;    // "CodFase_Inf", "CodFase_Digitos", "NomeFase_Inf", "NomeFase_Tam", "Marca_Invalida"
};

// Brings entry to its stored form (code padded, name trimmed, flags upper case, empty flags "N")
// and returns the first rule it breaks, in the order code, name, calculation flag, blocked flag;
// an empty key when it breaks none. entry is normalised as far as it could be either way.
Refusal normalise(Entry& entry);

}  // namespace phasecatalogue
