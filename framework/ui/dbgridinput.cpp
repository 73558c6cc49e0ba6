// What the user does to a data grid: keys, clicks, titles, the editor's button and the focus leaving.
// Each action runs through the user-action boundary, so a handler's exception stops just that action.

#include "framework/data/datasource.h"
#include "framework/ui/boundary.h"
#include "framework/ui/dbgrid.h"
#include "framework/ui/dbgridconfirm_p.h"
#include "framework/ui/dbgrideditor.h"
#include "framework/ui/dbgridmodel.h"
#include "framework/ui/keydispatch.h"

#include <QApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>

namespace {

// The character a key press carries to OnKeyPress. A grid that keeps Tab for itself gets its
// character too, as Enter's.
QChar keyCharacter(const QKeyEvent& event, bool gridTakesTab) {
    const bool tab = event.key() == Qt::Key_Tab || event.key() == Qt::Key_Backtab;
    if (tab && gridTakesTab && !(event.modifiers() & (Qt::ControlModifier | Qt::AltModifier)))
        return u'\t';
    return zrm::ui::keyCharOf(event);
}

}  // namespace

bool TDBGrid::userAction(const std::function<void()>& action) {
    QPointer<TDBGrid> self(this);
    const bool done = zrm::ui::guardUserAction(this, action);
    // Whatever stopped, the grid shows the dataset as it is now.
    if (self)
        syncView();
    return done;
}

TDBGrid::KeyOutcome TDBGrid::handleKey(QKeyEvent* event) {
    QPointer<TDBGrid> self(this);
    const TShiftState shift = zrm::ui::shiftStateOf(event->modifiers());
    int key = zrm::ui::virtualKeyFromQt(event->key());
    if (event->key() == Qt::Key_Backtab)
        key = VK::Tab;

    // KeyDown and KeyPress are two steps of one stroke: a key discarded by KeyDown still types its
    // character unless KeyPress discards that too.
    bool keyKept = true;
    bool handled = false;
    if (key != 0) {
        if (OnKeyDown)
            keyKept = userAction([&] { OnKeyDown(this, key, shift); }) && key != 0;
        if (!self)
            return KeyOutcome::Consumed;
        if (keyKept && !userAction([&] { handled = doKeyDown(key, shift); }))
            handled = true;
        if (!self)
            return KeyOutcome::Consumed;
    }

    const QChar typed = keyCharacter(*event, m_options & dgTabs);
    QChar character = typed;
    bool characterKept = !typed.isNull();
    if (!typed.isNull()) {
        if (OnKeyPress)
            characterKept = userAction([&] { OnKeyPress(this, character); }) && !character.isNull();
        if (!self)
            return KeyOutcome::Consumed;
        if (characterKept && !handled && !userAction([&] { handled = doKeyPress(character); }))
            handled = true;
        if (!self)
            return KeyOutcome::Consumed;
    }

    if (handled)
        return KeyOutcome::Consumed;
    TInplaceEdit* editor = InplaceEditor();
    if (!typed.isNull() && typed.isPrint()) {
        if (!characterKept || !editor)
            return KeyOutcome::Consumed;
        if (character != typed) {  // KeyPress put another character in its place
            editor->lineEdit()->insert(QString(character));
            return KeyOutcome::Consumed;
        }
        return KeyOutcome::PassToEditor;
    }
    if (!keyKept || (!typed.isNull() && !characterKept))
        return KeyOutcome::Consumed;
    return editor ? KeyOutcome::PassToEditor : KeyOutcome::Unhandled;
}

bool TDBGrid::doKeyDown(int key, TShiftState shift) {
    const bool ctrl = shift & ssCtrl;
    TInplaceEdit* editor = InplaceEditor();
    QLineEdit* line = editor ? editor->lineEdit() : nullptr;
    const bool allSelected = line && line->hasSelectedText() && line->selectedText() == line->displayText();
    const bool atLeft = !line || allSelected || (line->cursorPosition() == 0 && !line->hasSelectedText());
    const bool atRight = !line || allSelected || line->cursorPosition() >= line->text().size();

    switch (key) {
        case VK::Tab:
            if (!(m_options & dgTabs) || (shift & (ssCtrl | ssAlt)))
                return false;
            tabTo(!(shift & ssShift));
            return true;
        case VK::Return:
            if (ctrl) {
                if (selectedColumn() && selectedColumn()->ButtonStyle() == TColumnButtonStyle::cbsEllipsis &&
                    OnEditButtonClick)
                    OnEditButtonClick(this);
                return true;
            }
            tabTo(!(shift & ssShift));
            return true;
        case VK::Escape:
            if (!isEditing())
                return false;
            dataSet()->Cancel();
            return true;
        case VK::Left:
        case VK::Right: {
            if (!(key == VK::Left ? atLeft : atRight))
                return false;
            const QList<TColumn*> columns = visibleColumns();
            const int at = int(columns.indexOf(selectedColumn())) + (key == VK::Left ? -1 : 1);
            if (at >= 0 && at < columns.size())
                moveToColumn(columns.at(at)->Index());
            return true;
        }
        case VK::Up:
            moveBy(-1);
            return true;
        case VK::Down:
            nextRow();
            return true;
        case VK::Prior:
        case VK::Next: {
            const int page =
                qMax(1, viewport()->height() / qMax(1, verticalHeader()->defaultSectionSize()) - 1);
            moveBy(key == VK::Prior ? -page : page);
            return true;
        }
        case VK::Home:
        case VK::End: {
            if (ctrl) {
                moveToRow(key == VK::Home ? 0 : m_model->rowCount() - 1);
                return true;
            }
            if (editor)
                return false;
            const QList<TColumn*> columns = visibleColumns();
            if (!columns.isEmpty())
                moveToColumn((key == VK::Home ? columns.first() : columns.last())->Index());
            return true;
        }
        case VK::Insert:
            if (shift & (ssCtrl | ssShift | ssAlt))
                return false;
            if (canModify()) {
                writeEditorText();
                dataSet()->Insert();
            }
            return true;
        case VK::Delete:
            if (!ctrl)
                return false;
            deleteRow();
            return true;
        case VK::F2:
            startEditing();
            return true;
        default:
            return false;
    }
}

bool TDBGrid::doKeyPress(QChar key) {
    if (!key.isPrint() || InplaceEditor())
        return false;
    // A character typed on a cell starts editing it; a grid or column that may not be typed into
    // swallows it.
    startEditing();
    return !InplaceEditor();
}

QList<TColumn*> TDBGrid::visibleColumns() const {
    QList<TColumn*> columns;
    for (int c = 0; c < m_model->columnCount(); ++c)
        columns.append(m_model->column(c));
    return columns;
}

void TDBGrid::tabTo(bool forward) {
    const QList<TColumn*> columns = visibleColumns();
    if (columns.isEmpty())
        return;
    const int at = int(columns.indexOf(selectedColumn())) + (forward ? 1 : -1);
    if (at >= 0 && at < columns.size()) {
        moveToColumn(columns.at(at)->Index());
        return;
    }
    // Past the last column the next row begins (a new one after the last row); before the first,
    // the previous row ends.
    const int row = m_model->currentRow();
    if (forward)
        nextRow();
    else if (row > 0)
        moveToRow(row - 1);
    else
        return;
    if (m_model->currentRow() != row || isEditing())
        moveToColumn((forward ? columns.first() : columns.last())->Index());
}

void TDBGrid::nextRow() {
    TClientDataSet* set = dataSet();
    if (!set || !set->Active())
        return;
    const int row = m_model->currentRow();
    if (row < m_model->rowCount() - 1) {
        moveToRow(row + 1);
        return;
    }
    // On the last row. A new row nobody typed into stays the one new row.
    if (set->State() == TDataSetState::dsInsert && !rowTouched())
        return;
    writeEditorText();
    set->CheckBrowseMode();
    if (canModify())
        set->Append();
}

void TDBGrid::deleteRow() {
    TClientDataSet* set = dataSet();
    if (m_readOnly || !isEnabled() || !set || !set->Active() || set->IsEmpty())
        return;
    if ((m_options & dgConfirmDelete) && !zrm::ui::confirmRecordDeletion())
        return;
    set->Delete();
}

void TDBGrid::startEditing() {
    if (!canEditColumn(selectedColumn()))
        return;
    m_editorSuppressed = false;
    if (!isEditing() && DataSource())
        DataSource()->Edit();
    syncEditor();
    if (TInplaceEdit* editor = InplaceEditor(); editor && hasFocusWithin())
        editor->lineEdit()->setFocus(Qt::OtherFocusReason);
}

void TDBGrid::focusLeft(Qt::FocusReason reason) {
    // A dialog or another window taking the focus is no move out of the grid. Nor is the focus
    // taken by a container around the grid: an MDI sub-window takes it for a click on a control that
    // takes none (a toolbar button) and hands it back; the text would be written once for leaving
    // and once more by the button's own action, and a refusal shown twice.
    const QWidget* now = QApplication::focusWidget();
    if (reason == Qt::ActiveWindowFocusReason || reason == Qt::PopupFocusReason || hasFocusWithin() ||
        (now && now->isAncestorOf(this)))
        return;
    userAction([this] {
        TClientDataSet* set = dataSet();
        if (!set || !set->Active())
            return;
        try {
            if ((m_options & dgCancelOnExit) && set->State() == TDataSetState::dsInsert && !rowTouched())
                set->Cancel();
            else
                writeEditorText();
        } catch (...) {
            // What was typed could not be stored: the user stays on it.
            setFocus(Qt::OtherFocusReason);
            throw;
        }
    });
}

void TDBGrid::titleClicked(int section) {
    TColumn* column = m_model->column(section);
    if (column && OnTitleClick)
        userAction([&] { OnTitleClick(column); });
}

void TDBGrid::editButtonClicked() {
    if (OnEditButtonClick)
        userAction([this] { OnEditButtonClick(this); });
}

bool TDBGrid::event(QEvent* event) {
    // A disabled grid refuses the user: Qt's own handling drops the keys.
    if (event->type() != QEvent::KeyPress || !isEnabled())
        return TControl<QTableView>::event(event);

    auto* key = static_cast<QKeyEvent*>(event);
    switch (handleKey(key)) {
        case KeyOutcome::PassToEditor:
            if (TInplaceEdit* editor = InplaceEditor()) {
                m_forwardingKey = true;
                QCoreApplication::sendEvent(editor->lineEdit(), key);
                m_forwardingKey = false;
            }
            break;
        case KeyOutcome::Unhandled:
            if ((key->key() == Qt::Key_Tab || key->key() == Qt::Key_Backtab) &&
                !(key->modifiers() & (Qt::ControlModifier | Qt::AltModifier))) {
                // Past the item view on purpose: its own version moves between cells, not controls.
                // NOLINTNEXTLINE(bugprone-parent-virtual-call)
                QWidget::focusNextPrevChild(key->key() == Qt::Key_Tab &&
                                            !(key->modifiers() & Qt::ShiftModifier));
                break;
            }
            event->ignore();
            return false;
        case KeyOutcome::Consumed:
            break;
    }
    event->accept();
    return true;
}

bool TDBGrid::eventFilter(QObject* object, QEvent* event) {
    TInplaceEdit* editor = InplaceEditor();
    if (editor && object == editor->lineEdit()) {
        if (event->type() == QEvent::KeyPress && !m_forwardingKey) {
            auto* key = static_cast<QKeyEvent*>(event);
            const KeyOutcome outcome = handleKey(key);
            // Tab the grid leaves alone moves the focus on from the editor, as from any edit.
            const bool tab = key->key() == Qt::Key_Tab || key->key() == Qt::Key_Backtab;
            return !(outcome == KeyOutcome::PassToEditor || (outcome == KeyOutcome::Unhandled && tab));
        }
        if (event->type() == QEvent::FocusOut)
            focusLeft(static_cast<QFocusEvent*>(event)->reason());
        return false;
    }
    return TControl<QTableView>::eventFilter(object, event);
}

void TDBGrid::mousePressEvent(QMouseEvent* event) {
    event->accept();
    m_pressIndex = QPersistentModelIndex();
    const QModelIndex index = indexAt(event->position().toPoint());
    if (event->button() != Qt::LeftButton || !index.isValid() || !isEnabled())
        return;
    m_pressIndex = index;
    if (!hasFocusWithin())
        setFocus(Qt::MouseFocusReason);
    TColumn* column = m_model->column(index.column());
    userAction([&] {
        moveToRow(index.row());
        moveToColumn(column->Index());
    });
}

void TDBGrid::mouseReleaseEvent(QMouseEvent* event) {
    event->accept();
    const bool pressed = m_pressIndex.isValid();
    m_pressIndex = QPersistentModelIndex();
    const QModelIndex index = indexAt(event->position().toPoint());
    if (event->button() != Qt::LeftButton || !pressed || !index.isValid() || !isEnabled())
        return;
    TColumn* column = m_model->column(index.column());
    if (OnCellClick)
        userAction([&] { OnCellClick(column); });
}

void TDBGrid::mouseDoubleClickEvent(QMouseEvent* event) {
    event->accept();
    const QModelIndex index = indexAt(event->position().toPoint());
    if (event->button() != Qt::LeftButton || !index.isValid() || !isEnabled())
        return;
    QPointer<TDBGrid> self(this);
    if (OnDblClick)
        userAction([this] { OnDblClick(this); });
    // The second press of the gesture selects its cell as a single press does.
    if (self)
        mousePressEvent(event);
}

void TDBGrid::mouseMoveEvent(QMouseEvent* event) {
    // No drag selection: the grid has one selected cell, the cursor's.
    event->accept();
}

void TDBGrid::focusInEvent(QFocusEvent* event) {
    // Past the item view on purpose: it would open or move its own selection on focus; the grid
    // keeps one selected cell, the cursor's.
    QAbstractScrollArea::focusInEvent(event);  // NOLINT(bugprone-parent-virtual-call)
    if (TInplaceEdit* editor = InplaceEditor())
        editor->lineEdit()->setFocus(Qt::OtherFocusReason);
    viewport()->update();
}

void TDBGrid::focusOutEvent(QFocusEvent* event) {
    QAbstractScrollArea::focusOutEvent(event);  // NOLINT(bugprone-parent-virtual-call): as above
    viewport()->update();
    focusLeft(event->reason());
}

void TDBGrid::changeEvent(QEvent* event) {
    TControl<QTableView>::changeEvent(event);
    if (event->type() == QEvent::EnabledChange)
        syncEditor();
}
