#pragma once

// Positions of the budget calendar's fields that the screen's code relies on. The datasets
// themselves, with every field, label, mask and index, are declared in datasets.form.json beside
// this file; the build adds them to the screen's form description.

namespace CalendarFields {

// Declared position (from 0) in cdsCalendOrcOp of the January permission flag IDPERMCALCJAN; the
// flags of the following months follow it in calendar order, right after IDFASECALCORCA. The
// permission list reads a phase row by these positions, so the declared order is part of the
// screen's contract.
inline constexpr int FirstPermCalcIndex = 8;

// The declared position in cdsCalendOrcOp of the permission flag of month (1 January … 12 December).
constexpr int PermCalcIndex(int month) {
    return FirstPermCalcIndex + month - 1;
}

}  // namespace CalendarFields
