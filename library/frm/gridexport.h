#pragma once

// The rows of a data grid as the user sees them (titles and cell texts of the visible columns),
// written out as a CSV file or an HTML table for printing.

#include <QList>
#include <QString>
#include <QStringList>

class QIODevice;
class TDBGrid;

namespace zrm::frm {

struct GridRows {
    QStringList titles;
    QList<QStringList> rows;

    // What grid shows: its columns' titles and every row's cell texts, in the grid's order. Does
    // not move the dataset's cursor. Never fails.
    static GridRows of(const TDBGrid* grid);
};

// Writes rows as CSV: UTF-8 with a byte-order mark (spreadsheets then read the accents), ";" between
// cells, CRLF after each line, the title line first; a cell holding ";", a quote or a line break is
// quoted, its quotes doubled. Throws Exception when the device refuses the data.
void writeCsv(const GridRows& rows, QIODevice* device);

// rows as an HTML document with title above a bordered table, for printing.
QString toHtml(const GridRows& rows, const QString& title);

}  // namespace zrm::frm
