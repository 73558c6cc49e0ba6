#pragma once

// A table of texts printed after the timeline (the differences between the versions, the change
// history): a heading, the columns' titles, and rows whose cells wrap within their column. Tables
// run on from where the timeline ends and over as many pages as they need, each page that a table
// continues on repeating its heading and titles.

#include <QList>
#include <QRectF>
#include <QString>
#include <QStringList>

class QPagedPaintDevice;
class QPainter;

struct ReportTable {
    QString heading;
    QStringList titles;
    QList<int> widths;  // each column's share of the table's width
    QList<QStringList> rows;
    QString emptyText;  // printed under the heading when there are no rows
};

// Paints tables one after the other in painter (on device) across page, starting at top on the
// current page and going on to new pages of device when a row does not fit. Returns where the last
// table ends on the last page. Never fails.
double paintReportTables(QPainter& painter, QPagedPaintDevice& device, const QRectF& page, double top,
                         const QList<ReportTable>& tables);
