#include "framework/ui/dbgridmodel.h"

#include "framework/data/datasource.h"
#include "framework/ui/dbgridcolumns.h"

namespace {

// Where the row at row of the rows before change is once it is made; -1 for the row that went (and
// for no row).
int rowAfter(int row, const TRowChange& change) {
    if (row < 0)
        return -1;
    switch (change.kind) {
        case TRowChange::Kind::Inserted:
            return row < change.row ? row : row + 1;
        case TRowChange::Kind::Removed:
            return row < change.row ? row : (row == change.row ? -1 : row - 1);
        case TRowChange::Kind::Moved:
            if (row == change.row)
                return change.to;
            if (change.row < change.to && row > change.row && row <= change.to)
                return row - 1;
            if (change.to < change.row && row >= change.to && row < change.row)
                return row + 1;
            return row;
    }
    return row;
}

}  // namespace

TDBGridModel::TDBGridModel(TDBGridColumns* columns, QObject* parent)
    : QAbstractTableModel(parent), m_columns(columns) {}

void TDBGridModel::setDataSource(TDataSource* source) {
    m_source = source;
}

TDBGridModel::Shape TDBGridModel::shownShape() const {
    TClientDataSet* dataSet = m_source && m_source->Enabled() ? m_source->DataSet() : nullptr;
    if (!dataSet || !dataSet->Active())
        return {};
    const int rows = dataSet->RecordCount();
    return {rows, rows > 0 ? dataSet->RecNo() - 1 : -1, int(dataSet->State())};
}

QList<TColumn*> TDBGridModel::visibleColumns() const {
    QList<TColumn*> columns;
    for (int i = 0; i < m_columns->Count(); ++i) {
        if (m_columns->Items(i)->Visible())
            columns.append(m_columns->Items(i));
    }
    return columns;
}

void TDBGridModel::reload() {
    const QList<TColumn*> columns = visibleColumns();
    const Shape shape = shownShape();
    if (columns.size() != m_visible.size() || shape.rows != m_shape.rows) {
        resetTo(columns, shape);
        return;
    }
    m_visible = columns;
    moveIndicator(m_shape.current, shape);
    if (m_shape.rows > 0 && !m_visible.isEmpty())
        Q_EMIT dataChanged(index(0, 0), index(m_shape.rows - 1, int(m_visible.size()) - 1));
    if (!m_visible.isEmpty())
        Q_EMIT headerDataChanged(Qt::Horizontal, 0, int(m_visible.size()) - 1);
}

void TDBGridModel::followShape() {
    const Shape shape = shownShape();
    if (shape.rows == m_shape.rows)
        moveIndicator(m_shape.current, shape);
    else
        resetTo(m_visible, shape);
}

void TDBGridModel::rowChanged(const TRowChange& change) {
    const Shape shape = shownShape();
    if (!fits(change, shape)) {
        resetTo(m_visible, shape);
        return;
    }
    m_announcing = change;
    switch (change.kind) {
        case TRowChange::Kind::Inserted:
            beginInsertRows(QModelIndex(), change.row, change.row);
            break;
        case TRowChange::Kind::Removed:
            beginRemoveRows(QModelIndex(), change.row, change.row);
            break;
        case TRowChange::Kind::Moved:
            // The destination counts the rows before the move: below the row, one more.
            beginMoveRows(QModelIndex(), change.row, change.row, QModelIndex(),
                          change.to > change.row ? change.to + 1 : change.to);
            break;
    }
    m_announcing.reset();
    m_shape.rows = shape.rows;
    const int leftRow = rowAfter(m_shape.current, change);
    m_editRow = rowAfter(m_editRow, change);
    if (m_editRow < 0)
        m_editColumn = -1;
    switch (change.kind) {
        case TRowChange::Kind::Inserted:
            endInsertRows();
            break;
        case TRowChange::Kind::Removed:
            endRemoveRows();
            break;
        case TRowChange::Kind::Moved:
            endMoveRows();
            emitRowChanged(change.to);
            break;
    }
    moveIndicator(leftRow, shape);
}

bool TDBGridModel::fits(const TRowChange& change, const Shape& shape) const {
    switch (change.kind) {
        case TRowChange::Kind::Inserted:
            return shape.rows == m_shape.rows + 1 && change.row >= 0 && change.row <= m_shape.rows;
        case TRowChange::Kind::Removed:
            return shape.rows == m_shape.rows - 1 && change.row >= 0 && change.row < m_shape.rows;
        case TRowChange::Kind::Moved:
            return shape.rows == m_shape.rows && change.row >= 0 && change.row < m_shape.rows &&
                   change.to >= 0 && change.to < m_shape.rows && change.to != change.row;
    }
    return false;
}

void TDBGridModel::recordChanged() {
    followShape();
    emitRowChanged(m_shape.current);
}

void TDBGridModel::fieldChanged(const TField* field) {
    if (!field) {
        emitRowChanged(m_shape.current);
        return;
    }
    if (m_shape.current < 0 || m_shape.current >= m_shape.rows)
        return;
    for (int c = 0; c < m_visible.size(); ++c) {
        if (m_visible.at(c)->Field() == field)
            Q_EMIT dataChanged(index(m_shape.current, c), index(m_shape.current, c));
    }
}

void TDBGridModel::resetTo(const QList<TColumn*>& columns, const Shape& shape) {
    beginResetModel();
    m_visible = columns;
    m_shape = shape;
    m_editRow = m_editColumn = -1;
    m_editText.clear();
    endResetModel();
}

void TDBGridModel::moveIndicator(int oldRow, const Shape& shape) {
    const bool changed = oldRow != shape.current || m_shape.state != shape.state;
    m_shape.current = shape.current;
    m_shape.state = shape.state;
    if (!changed || !m_showIndicator)
        return;
    if (oldRow >= 0 && oldRow < m_shape.rows && oldRow != m_shape.current)
        Q_EMIT headerDataChanged(Qt::Vertical, oldRow, oldRow);
    if (m_shape.current >= 0 && m_shape.current < m_shape.rows)
        Q_EMIT headerDataChanged(Qt::Vertical, m_shape.current, m_shape.current);
}

void TDBGridModel::emitRowChanged(int row) {
    if (row >= 0 && row < m_shape.rows && !m_visible.isEmpty())
        Q_EMIT dataChanged(index(row, 0), index(row, int(m_visible.size()) - 1));
}

int TDBGridModel::dataSetRow(int row) const {
    return m_announcing ? rowAfter(row, *m_announcing) : row;
}

TColumn* TDBGridModel::column(int modelColumn) const {
    return modelColumn >= 0 && modelColumn < m_visible.size() ? m_visible.at(modelColumn) : nullptr;
}

int TDBGridModel::modelColumn(const TColumn* column) const {
    return int(m_visible.indexOf(column));
}

void TDBGridModel::setEditText(int row, int modelColumn, const QString& text) {
    const int oldRow = m_editRow;
    const int oldColumn = m_editColumn;
    m_editRow =
        row >= 0 && row < m_shape.rows && modelColumn >= 0 && modelColumn < m_visible.size() ? row : -1;
    m_editColumn = m_editRow >= 0 ? modelColumn : -1;
    m_editText = text;
    if (oldRow >= 0 && (oldRow != m_editRow || oldColumn != m_editColumn))
        Q_EMIT dataChanged(index(oldRow, oldColumn), index(oldRow, oldColumn));
    if (m_editRow >= 0)
        Q_EMIT dataChanged(index(m_editRow, m_editColumn), index(m_editRow, m_editColumn));
}

void TDBGridModel::setShowIndicator(bool show) {
    if (show == m_showIndicator)
        return;
    m_showIndicator = show;
    if (m_shape.rows > 0)
        Q_EMIT headerDataChanged(Qt::Vertical, 0, m_shape.rows - 1);
}

int TDBGridModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : m_shape.rows;
}

int TDBGridModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(m_visible.size());
}

QVariant TDBGridModel::data(const QModelIndex& index, int role) const {
    if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid))
        return {};
    if (role != Qt::DisplayRole && role != Qt::EditRole)
        return {};
    if (index.row() == m_editRow && index.column() == m_editColumn)
        return m_editText;
    // Read also through a disabled source: the grid keeps showing the rows it showed.
    TClientDataSet* dataSet = m_source ? m_source->DataSet() : nullptr;
    const int row = dataSetRow(index.row());
    // While controls are disabled the dataset may hold fewer rows than the view still counts.
    if (!dataSet || row < 0 || row >= dataSet->RecordCount())
        return QString();
    const TField* field = m_visible.at(index.column())->Field();
    return field ? field->TextOf(dataSet->rowValue(row, field)) : QString();
}

QVariant TDBGridModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (role != Qt::DisplayRole)
        return {};
    if (orientation == Qt::Horizontal)
        return section >= 0 && section < m_visible.size() ? QVariant(m_visible.at(section)->TitleCaption())
                                                          : QVariant();
    if (section < 0 || section >= m_shape.rows)
        return {};
    if (!m_showIndicator || section != m_shape.current)
        return QString();
    switch (TDataSetState(m_shape.state)) {
        case TDataSetState::dsInsert:
            return QStringLiteral("*");
        case TDataSetState::dsEdit:
            return QStringLiteral("I");
        default:
            return QStringLiteral("\u25B6");
    }
}

Qt::ItemFlags TDBGridModel::flags(const QModelIndex& index) const {
    if (!index.isValid())
        return Qt::NoItemFlags;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren;
}
