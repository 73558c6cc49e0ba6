#include "framework/ui/dbgrid.h"

#include "framework/data/datasource.h"
#include "framework/ui/dbgriddelegate.h"
#include "framework/ui/dbgrideditor.h"
#include "framework/ui/dbgridmodel.h"

#include <QApplication>
#include <QHeaderView>
#include <QLineEdit>
#include <QScopeGuard>

TDBGrid::TDBGrid(QWidget* parent)
    : TControl<QTableView>(parent)
    , m_columns(new TDBGridColumns(this))
    , m_model(new TDBGridModel(m_columns, this))
    , m_delegate(new TDBGridDelegate(this))
    , m_link([this](TDataEvent event, TField* field) { dataEvent(event, field); },
             [this](const TRowChange& change) { rowChanged(change); })
    , m_options(dgEditing | dgTitles | dgIndicator | dgColumnResize | dgColLines | dgRowLines | dgTabs |
                dgConfirmDelete | dgCancelOnExit) {
    setModel(m_model);
    setItemDelegate(m_delegate);
    // The grid alone decides when the editor opens and which cell is current; the view only shows.
    setEditTriggers(NoEditTriggers);
    setSelectionMode(NoSelection);
    setTabKeyNavigation(false);
    setShowGrid(false);
    setWordWrap(false);
    setFocusPolicy(Qt::StrongFocus);
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
    verticalHeader()->setMinimumWidth(fontMetrics().horizontalAdvance(u'W') + 8);
    horizontalHeader()->setHighlightSections(false);
    horizontalHeader()->setSectionsClickable(true);
    horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);

    connect(horizontalHeader(), &QHeaderView::sectionClicked, this, &TDBGrid::titleClicked);
    connect(horizontalHeader(), &QHeaderView::sectionResized, this, [this](int section, int, int size) {
        // The user dragged a title's edge: the column keeps that width.
        if (m_applyingWidths)
            return;
        if (TColumn* column = m_model->column(section))
            column->SetWidth(size);
    });
    connect(m_columns, &TDBGridColumns::changed, this, &TDBGrid::columnsChanged);
    SetOptions(m_options);
}

TDBGrid::~TDBGrid() = default;

void TDBGrid::SetDataSource(TDataSource* source) {
    if (source == DataSource())
        return;
    closeInplaceEditor();
    m_link.SetDataSource(source);
    m_model->setDataSource(source);
    m_columns->bind(dataSet());  // reloads through columnsChanged
}

void TDBGrid::SetOptions(TDBGridOptions options) {
    m_options = options;
    horizontalHeader()->setVisible(m_options & dgTitles);
    verticalHeader()->setVisible(m_options & dgIndicator);
    m_model->setShowIndicator(m_options & dgIndicator);
    horizontalHeader()->setSectionResizeMode((m_options & dgColumnResize) ? QHeaderView::Interactive
                                                                          : QHeaderView::Fixed);
    viewport()->update();
    syncEditor();
}

void TDBGrid::SetReadOnly(bool readOnly) {
    m_readOnly = readOnly;
    syncEditor();
}

QColor TDBGrid::Color() const {
    return palette().color(QPalette::Base);
}

void TDBGrid::SetColor(const QColor& color) {
    QPalette colours = palette();
    colours.setColor(QPalette::Base, color);
    setPalette(colours);
}

void TDBGrid::SetDefaultDrawing(bool defaultDrawing) {
    m_defaultDrawing = defaultDrawing;
    viewport()->update();
}

void TDBGrid::SetSelectedIndex(int index) {
    moveToColumn(index);
}

TField* TDBGrid::SelectedField() const {
    TColumn* column = selectedColumn();
    return column ? column->Field() : nullptr;
}

void TDBGrid::SetSelectedField(TField* field) {
    if (const int index = columnIndexOf(field); index >= 0)
        moveToColumn(index);
}

int TDBGrid::columnIndexOf(const TField* field) const {
    for (int i = 0; field && i < m_columns->Count(); ++i) {
        const TColumn* column = m_columns->Items(i);
        if (column->Field() == field && column->Visible())
            return i;
    }
    return -1;
}

bool TDBGrid::EditorMode() const {
    return InplaceEditor() != nullptr;
}

void TDBGrid::SetEditorMode(bool editorMode) {
    if (editorMode) {
        startEditing();
        return;
    }
    writeEditorText();
    m_editorSuppressed = true;
    closeInplaceEditor();
}

QString TDBGrid::InplaceEditorText() const {
    if (TInplaceEdit* editor = InplaceEditor())
        return editor->fieldText();
    TField* field = SelectedField();
    return field ? field->Text() : QString();
}

QString TDBGrid::CellText(const TColumn* column) const {
    const int row = m_drawingRow >= 0 ? m_drawingRow : m_model->currentRow();
    return m_model->index(row, m_model->modelColumn(column)).data().toString();
}

TInplaceEdit* TDBGrid::InplaceEditor() const {
    return m_editorIndex.isValid() ? qobject_cast<TInplaceEdit*>(indexWidget(m_editorIndex)) : nullptr;
}

// ---- data ----

TClientDataSet* TDBGrid::dataSet() const {
    return m_link.DataSet();
}

bool TDBGrid::dataSetActive() const {
    TClientDataSet* set = dataSet();
    return set && set->Active();
}

bool TDBGrid::isEditing() const {
    TClientDataSet* set = dataSet();
    return set && (set->State() == TDataSetState::dsEdit || set->State() == TDataSetState::dsInsert);
}

void TDBGrid::dataEvent(TDataEvent event, TField* field) {
    switch (event) {
        case TDataEvent::FieldChange:
            if (dataSet() && dataSet()->State() == TDataSetState::dsInsert)
                m_insertTouched = true;
            m_model->fieldChanged(field);
            // A value set by code (a lookup, a normalised code) replaces what the editor shows.
            if (TInplaceEdit* editor = InplaceEditor()) {
                TColumn* column = m_model->column(m_editorIndex.column());
                if (column && (!field || column->Field() == field)) {
                    editor->setFieldText(column->Field() ? column->Field()->Text() : QString());
                    m_model->setEditText(-1, -1, QString());
                }
            }
            break;
        case TDataEvent::UpdateRecord:
            writeEditorText();
            break;
        case TDataEvent::FocusControl:
            if (const int index = columnIndexOf(field); index >= 0) {
                moveToColumn(index);
                if (isVisible() && isEnabled())
                    setFocus(Qt::OtherFocusReason);
            }
            break;
        case TDataEvent::DataSetScroll:
            m_model->followShape();
            syncView();
            break;
        case TDataEvent::UpdateState: {
            const TDataSetState state = dataSet() ? dataSet()->State() : TDataSetState::dsInactive;
            if (state == TDataSetState::dsInsert && m_lastState != TDataSetState::dsInsert)
                m_insertTouched = false;
            m_lastState = state;
            m_editorSuppressed = false;
            m_model->followShape();
            syncView();
            break;
        }
        case TDataEvent::LayoutChange:
        case TDataEvent::DataSetChange:
            m_columns->bind(dataSet());  // reloads through columnsChanged
            break;
        case TDataEvent::RecordChange:
            m_model->recordChanged();
            syncView();
            break;
    }
}

void TDBGrid::rowChanged(const TRowChange& change) {
    m_model->rowChanged(change);
    syncView();
}

void TDBGrid::columnsChanged() {
    m_columns->resolveFields(dataSet());
    m_model->reload();
    applyColumnWidths();
    syncView();
}

void TDBGrid::applyColumnWidths() {
    m_applyingWidths = true;
    const auto done = qScopeGuard([this] { m_applyingWidths = false; });
    for (int c = 0; c < m_model->columnCount(); ++c) {
        const TColumn* column = m_model->column(c);
        horizontalHeader()->resizeSection(c, column->Width() > 0 ? column->Width() : defaultWidth(column));
    }
}

int TDBGrid::defaultWidth(const TColumn* column) const {
    const QFontMetrics metrics = fontMetrics();
    const int title = metrics.horizontalAdvance(column->TitleCaption()) + 12;
    const int text =
        column->Field() ? metrics.horizontalAdvance(u'0') * column->Field()->DisplayWidth() + 8 : 64;
    return qMax(title, text);
}

// ---- cursor and editor ----

TColumn* TDBGrid::selectedColumn() const {
    TColumn* column = m_columns->Items(m_selectedIndex);
    return column && column->Visible() ? column : nullptr;
}

int TDBGrid::selectedModelColumn() const {
    return m_model->modelColumn(selectedColumn());
}

void TDBGrid::syncView() {
    // A grid without a selected column selects its first visible one.
    if (!selectedColumn() && m_model->columnCount() > 0)
        m_selectedIndex = m_model->column(0)->Index();
    const QModelIndex current = m_model->index(m_model->currentRow(), selectedModelColumn());
    if (current.isValid()) {
        if (currentIndex() != current)
            selectionModel()->setCurrentIndex(current, QItemSelectionModel::NoUpdate);
        scrollTo(current);
    } else {
        selectionModel()->clearCurrentIndex();
    }
    syncEditor();
    viewport()->update();
}

bool TDBGrid::canEditColumn(const TColumn* column) const {
    return canModify() && column && !column->ReadOnly() && column->Field();
}

bool TDBGrid::canModify() const {
    return (m_options & dgEditing) && !m_readOnly && isEnabled() && dataSetActive();
}

void TDBGrid::syncEditor() {
    QModelIndex wanted;
    if (isEditing() && !m_editorSuppressed && canEditColumn(selectedColumn()))
        wanted = m_model->index(m_model->currentRow(), selectedModelColumn());
    if (m_editorIndex.isValid() && m_editorIndex != wanted)
        closeInplaceEditor();
    if (!wanted.isValid())
        return;

    TColumn* column = selectedColumn();
    TField* field = column->Field();
    const bool ellipsis = column->ButtonStyle() == TColumnButtonStyle::cbsEllipsis;
    if (TInplaceEdit* editor = InplaceEditor()) {
        editor->setup(field->EditMask(), field->Size(), ellipsis);
        return;
    }
    openPersistentEditor(wanted);
    m_editorIndex = wanted;
    TInplaceEdit* editor = InplaceEditor();
    if (!editor)
        return;
    editor->setup(field->EditMask(), field->Size(), ellipsis);
    editor->setFieldText(field->Text());
    editor->lineEdit()->installEventFilter(this);
    connect(editor, &TInplaceEdit::editButtonClicked, this, &TDBGrid::editButtonClicked);
    connect(editor, &TInplaceEdit::textEdited, this, [this](const QString& text) {
        m_model->setEditText(m_editorIndex.row(), m_editorIndex.column(), text);
    });
    if (hasFocus())
        editor->lineEdit()->setFocus(Qt::OtherFocusReason);
}

void TDBGrid::closeInplaceEditor() {
    if (!m_editorIndex.isValid())
        return;
    // Keep the focus in the grid when it was in the editor that goes away.
    const bool hadFocus = hasFocusWithin();
    const QPersistentModelIndex index = m_editorIndex;
    m_editorIndex = QPersistentModelIndex();
    m_model->setEditText(-1, -1, QString());
    if (hadFocus)
        setFocus(Qt::OtherFocusReason);
    closePersistentEditor(index);
}

void TDBGrid::writeEditorText() {
    TInplaceEdit* editor = InplaceEditor();
    if (!editor || !editor->isModified())
        return;
    TColumn* column = m_model->column(m_editorIndex.column());
    if (!column || !column->Field())
        return;
    QPointer<TInplaceEdit> guard(editor);
    column->Field()->SetText(editor->fieldText());
    if (guard)
        guard->setModified(false);
}

void TDBGrid::moveToColumn(int index) {
    TColumn* target = m_columns->Items(index);
    if (index == m_selectedIndex || !target || !target->Visible())
        return;
    writeEditorText();
    if (!m_inColExit) {
        m_inColExit = true;
        const auto done = qScopeGuard([this] { m_inColExit = false; });
        const int before = m_selectedIndex;
        if (OnColExit)
            OnColExit(this);
        if (m_selectedIndex != before)
            return;  // the handler chose the column itself
    }
    m_selectedIndex = index;
    m_editorSuppressed = false;
    syncView();
    if (OnColEnter)
        OnColEnter(this);
}

void TDBGrid::moveToRow(int row) {
    TClientDataSet* set = dataSet();
    const int current = m_model->currentRow();
    if (!set || !set->Active() || row < 0 || row >= m_model->rowCount() || row == current)
        return;
    writeEditorText();
    const auto resync = qScopeGuard([this] { syncView(); });
    if (set->State() == TDataSetState::dsInsert && !rowTouched()) {
        // Leaving a new row nobody typed into drops it instead of storing an empty row.
        set->Cancel();
        if (row > current)
            --row;
    }
    set->SetRecNo(row + 1);
}

void TDBGrid::moveBy(int rows) {
    const int last = m_model->rowCount() - 1;
    moveToRow(qBound(0, m_model->currentRow() + rows, last));
}

bool TDBGrid::rowTouched() const {
    TInplaceEdit* editor = InplaceEditor();
    return m_insertTouched || (editor && editor->isModified());
}

bool TDBGrid::hasFocusWithin() const {
    const QWidget* focus = QApplication::focusWidget();
    return focus && (focus == this || isAncestorOf(focus));
}
