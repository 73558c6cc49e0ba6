#include "library/frm/gridexport.h"

#include "framework/data/exceptions.h"
#include "framework/ui/dbgrid.h"
#include "framework/ui/dbgridmodel.h"
#include "framework/ui/formresources.h"

#include <QIODevice>

namespace zrm::frm {

namespace {

QString csvCell(const QString& text) {
    if (!text.contains(u';') && !text.contains(u'"') && !text.contains(u'\n') && !text.contains(u'\r'))
        return text;
    QString quoted = text;
    quoted.replace(QStringLiteral("\""), QStringLiteral("\"\""));
    return u'"' + quoted + u'"';
}

QString csvLine(const QStringList& cells) {
    QStringList quoted;
    quoted.reserve(cells.size());
    for (const QString& cell : cells)
        quoted.append(csvCell(cell));
    return quoted.join(u';') + QStringLiteral("\r\n");
}

}  // namespace

GridRows GridRows::of(const TDBGrid* grid) {
    GridRows result;
    const TDBGridModel* model = grid->gridModel();
    const int columns = model->columnCount();
    for (int column = 0; column < columns; ++column)
        result.titles.append(model->headerData(column, Qt::Horizontal, Qt::DisplayRole).toString());
    const int rows = model->rowCount();
    for (int row = 0; row < rows; ++row) {
        QStringList cells;
        for (int column = 0; column < columns; ++column)
            cells.append(model->data(model->index(row, column), Qt::DisplayRole).toString());
        result.rows.append(cells);
    }
    return result;
}

void writeCsv(const GridRows& rows, QIODevice* device) {
    QByteArray data("\xEF\xBB\xBF");
    data += csvLine(rows.titles).toUtf8();
    for (const QStringList& row : rows.rows)
        data += csvLine(row).toUtf8();
    if (device->write(data) != data.size())
        throw Exception(
            zrm::ui::FormResources::translate(QStringLiteral("Não foi possível gravar os registros: %1"))
                .arg(device->errorString()));
}

QString toHtml(const GridRows& rows, const QString& title) {
    QString html = QStringLiteral(
                       "<html><body><h3>%1</h3>"
                       "<table border=\"1\" cellspacing=\"0\" cellpadding=\"3\"><tr>")
                       .arg(title.toHtmlEscaped());
    for (const QString& text : rows.titles)
        html += QStringLiteral("<th>%1</th>").arg(text.toHtmlEscaped());
    html += QStringLiteral("</tr>");
    for (const QStringList& row : rows.rows) {
        html += QStringLiteral("<tr>");
        for (const QString& text : row)
            html += QStringLiteral("<td>%1</td>").arg(text.toHtmlEscaped());
        html += QStringLiteral("</tr>");
    }
    return html + QStringLiteral("</table></body></html>");
}

}  // namespace zrm::frm
