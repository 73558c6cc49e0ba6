#include "modules/zrm71300/timeline/reporttable.h"

#include <QFontMetricsF>
#include <QPagedPaintDevice>
#include <QPainter>

#include <numeric>

namespace {

constexpr double Padding = 4;
constexpr double TableGap = 18;

// Lays one table's cells into the columns of page and paints them, page after page.
class TablePrinter {
public:
    TablePrinter(QPainter& painter, QPagedPaintDevice& device, const QRectF& page, const ReportTable& table)
        : m_painter(painter), m_device(device), m_page(page), m_table(table) {
        const int total = std::max(1, std::accumulate(table.widths.begin(), table.widths.end(), 0));
        double left = page.left();
        for (int column = 0; column < table.titles.size(); ++column) {
            const double width = page.width() * table.widths.value(column, 1) / total;
            m_columns.append(QRectF(left, 0, width, 0));
            left += width;
        }
    }

    double print(double top) {
        QFont heading = m_painter.font();
        heading.setBold(true);
        const double firstRow = QFontMetricsF(heading).height() * 2 + Padding * 3 + rowHeight(m_table.titles);
        // A heading is never left alone at the foot of a page.
        if (top + firstRow > m_page.bottom())
            top = newPage();
        top = printHeading(top);
        if (m_table.rows.isEmpty()) {
            const double height = QFontMetricsF(m_painter.font()).height() + Padding;
            m_painter.drawText(QRectF(m_page.left(), top, m_page.width(), height),
                               Qt::AlignLeft | Qt::AlignVCenter, m_table.emptyText);
            return top + height;
        }
        for (const QStringList& row : m_table.rows) {
            const double height = rowHeight(row);
            if (top + height > m_page.bottom())
                top = printHeading(newPage());
            printRow(row, top, height, false);
            top += height;
        }
        return top;
    }

private:
    double newPage() {
        m_device.newPage();
        return m_page.top();
    }

    double printHeading(double top) {
        m_painter.save();
        QFont bold = m_painter.font();
        bold.setBold(true);
        m_painter.setFont(bold);
        const double height = QFontMetricsF(bold).height() + Padding;
        m_painter.drawText(QRectF(m_page.left(), top, m_page.width(), height),
                           Qt::AlignLeft | Qt::AlignVCenter, m_table.heading);
        top += height + Padding;
        const double titles = rowHeight(m_table.titles);
        m_painter.fillRect(QRectF(m_page.left(), top, m_page.width(), titles), QColor(0xe8, 0xec, 0xf0));
        printRow(m_table.titles, top, titles, true);
        m_painter.restore();
        return top + titles;
    }

    QRectF cell(int column, double top, double height) const {
        const QRectF& span = m_columns[column];
        return {span.left() + Padding, top + Padding / 2, span.width() - 2 * Padding, height - Padding};
    }

    double rowHeight(const QStringList& row) const {
        const QFontMetricsF metrics(m_painter.font());
        double height = metrics.height();
        for (int column = 0; column < m_columns.size(); ++column) {
            const QRectF room = cell(column, 0, 1e6);
            height =
                std::max(height, metrics.boundingRect(room, Qt::TextWordWrap, row.value(column)).height());
        }
        return height + Padding;
    }

    void printRow(const QStringList& row, double top, double height, bool titles) {
        for (int column = 0; column < m_columns.size(); ++column)
            m_painter.drawText(cell(column, top, height), Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap,
                               row.value(column));
        if (!titles) {
            m_painter.setPen(QColor(0xc9, 0xd1, 0xd9));
            m_painter.drawLine(QPointF(m_page.left(), top + height), QPointF(m_page.right(), top + height));
            m_painter.setPen(Qt::black);
        }
    }

    QPainter& m_painter;
    QPagedPaintDevice& m_device;
    QRectF m_page;
    const ReportTable& m_table;
    QList<QRectF> m_columns;
};

}  // namespace

double paintReportTables(QPainter& painter, QPagedPaintDevice& device, const QRectF& page, double top,
                         const QList<ReportTable>& tables) {
    for (const ReportTable& table : tables)
        top = TablePrinter(painter, device, page, table).print(top + TableGap);
    return top;
}
