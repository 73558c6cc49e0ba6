#pragma once

// The calendar columns a recorded change touched, as a person reads them: "Início: 05/01/2026;
// Fim: 30/01/2026; janeiro: permitido".

#include <QString>
#include <QStringList>

// The names a person reads for the columns: start and end dates, the phase code, the twelve month
// names of the permission flags (January first), and what a flag set to "S" or "N" means.
struct HistoryLabels {
    QString start;
    QString end;
    QString code;
    QStringList months;
    QString permitted;
    QString notPermitted;
};

// columnsJson is a JSON object of calendar columns and their values (as the change history gives
// them); year and version are left out (the screen shows one calendar), dates read dd/mm/yyyy, a
// month flag reads as permitted or not, empty values "—". An empty or malformed text gives an empty
// description.
QString describeColumns(const QString& columnsJson, const HistoryLabels& labels);
