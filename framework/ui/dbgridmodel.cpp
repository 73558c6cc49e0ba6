#include "framework/ui/dbgridmodel.h"

#include "framework/data/datasource.h"
#include "framework/ui/dbgridcolumns.h"

TDBGridModel::TDBGridModel(TDBGridColumns* columns, QObject* parent)
    : QAbstractTableModel(parent), m_columns(columns) {}

void TDBGridModel::setDataSource(TDataSource* source) {
    m_source = source;
    reload();
}

TDBGridModel::Snapshot TDBGridModel::read() const {
    Snapshot snapshot;
    for (int i = 0; i < m_columns->Count(); ++i) {
        if (m_columns->Items(i)->Visible())
            snapshot.columns.append(m_columns->Items(i));
    }
    TClientDataSet* dataSet = m_source && m_source->Enabled() ? m_source->DataSet() : nullptr;
    if (!dataSet || !dataSet->Active())
        return snapshot;
    snapshot.state = int(dataSet->State());

    const zrm::DataPacket packet = dataSet->GetData();
    QList<int> positions;
    for (TColumn* column : std::as_const(snapshot.columns))
        positions.append(column->Field() ? packet.fieldIndex(column->Field()->FieldName()) : -1);
    for (const zrm::Row& row : packet.rows) {
        QStringList texts;
        for (int c = 0; c < snapshot.columns.size(); ++c) {
            const int position = positions.at(c);
            texts.append(position >= 0 && position < row.size()
                             ? snapshot.columns.at(c)->Field()->TextOf(row.at(position))
                             : QString());
        }
        snapshot.rows.append(texts);
    }

    // The packet holds the stored rows; the row being edited or inserted shows what its fields hold
    // now, and a row being inserted is not stored yet.
    snapshot.currentRow = dataSet->RecNo() - 1;
    const TDataSetState state = dataSet->State();
    if (snapshot.currentRow >= 0 && (state == TDataSetState::dsEdit || state == TDataSetState::dsInsert)) {
        const QStringList texts = currentRowTexts(snapshot.columns);
        if (state == TDataSetState::dsInsert && snapshot.rows.size() < dataSet->RecordCount())
            snapshot.rows.insert(qMin(snapshot.currentRow, int(snapshot.rows.size())), texts);
        else if (snapshot.currentRow < snapshot.rows.size())
            snapshot.rows[snapshot.currentRow] = texts;
    }
    if (snapshot.currentRow >= snapshot.rows.size())
        snapshot.currentRow = int(snapshot.rows.size()) - 1;
    return snapshot;
}

QStringList TDBGridModel::currentRowTexts(const QList<TColumn*>& columns) const {
    QStringList texts;
    for (TColumn* column : columns)
        texts.append(column->Field() ? column->Field()->Text() : QString());
    return texts;
}

void TDBGridModel::reload() {
    Snapshot snapshot = read();
    const bool sameShape =
        snapshot.columns.size() == m_visible.size() && snapshot.rows.size() == m_rows.size();
    if (!sameShape)
        beginResetModel();
    const int oldRow = m_currentRow;
    m_visible = snapshot.columns;
    m_rows = snapshot.rows;
    m_currentRow = snapshot.currentRow;
    m_state = snapshot.state;
    if (m_editRow >= m_rows.size() || m_editColumn >= m_visible.size())
        m_editRow = m_editColumn = -1;
    if (!sameShape) {
        endResetModel();
        return;
    }
    if (!m_rows.isEmpty() && !m_visible.isEmpty())
        Q_EMIT dataChanged(index(0, 0), index(int(m_rows.size()) - 1, int(m_visible.size()) - 1));
    if (!m_visible.isEmpty())
        Q_EMIT headerDataChanged(Qt::Horizontal, 0, int(m_visible.size()) - 1);
    emitIndicatorChanged(oldRow);
}

void TDBGridModel::reloadCurrentRow() {
    if (m_currentRow < 0 || m_currentRow >= m_rows.size())
        return;
    m_rows[m_currentRow] = currentRowTexts(m_visible);
    if (!m_visible.isEmpty())
        Q_EMIT dataChanged(index(m_currentRow, 0), index(m_currentRow, int(m_visible.size()) - 1));
}

void TDBGridModel::followCursor() {
    TClientDataSet* dataSet = m_source ? m_source->DataSet() : nullptr;
    const int count = dataSet && dataSet->Active() ? dataSet->RecordCount() : 0;
    const int state = dataSet ? int(dataSet->State()) : 0;
    if (count != m_rows.size() || state != m_state) {
        reload();
        return;
    }
    const int oldRow = m_currentRow;
    m_currentRow = dataSet && dataSet->Active() ? qMin(dataSet->RecNo() - 1, count - 1) : -1;
    emitIndicatorChanged(oldRow);
}

void TDBGridModel::emitIndicatorChanged(int oldRow) {
    if (!m_showIndicator)
        return;
    for (int row : {oldRow, m_currentRow}) {
        if (row >= 0 && row < m_rows.size())
            Q_EMIT headerDataChanged(Qt::Vertical, row, row);
    }
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
        row >= 0 && row < m_rows.size() && modelColumn >= 0 && modelColumn < m_visible.size() ? row : -1;
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
    if (!m_rows.isEmpty())
        Q_EMIT headerDataChanged(Qt::Vertical, 0, int(m_rows.size()) - 1);
}

int TDBGridModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(m_rows.size());
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
    return m_rows.at(index.row()).at(index.column());
}

QVariant TDBGridModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (role != Qt::DisplayRole)
        return {};
    if (orientation == Qt::Horizontal)
        return section >= 0 && section < m_visible.size() ? QVariant(m_visible.at(section)->TitleCaption())
                                                          : QVariant();
    if (section < 0 || section >= m_rows.size())
        return {};
    if (!m_showIndicator || section != m_currentRow)
        return QString();
    switch (TDataSetState(m_state)) {
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
