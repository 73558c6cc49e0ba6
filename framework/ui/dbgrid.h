#pragma once

// TDBGrid: the data-aware grid. It shows the rows of its data source's dataset in the columns of
// Columns(), keeps its cursor and the dataset's current row together, and lets the user browse and
// edit the rows with an in-place editor.
//
// Every event handler runs when the user's action gives it: a key, a click, a focus change. Handlers
// may throw to stop that action; the grid catches at that boundary (zrm::ui::guardUserAction), so a
// silent EAbort just stops, any other exception is shown in an error box, and nothing reaches Qt.
// Operations called from code (SetSelectedIndex, SetEditorMode, …) fire the same events but let
// their exceptions pass to the caller.
//
// Keys (after OnKeyDown and OnKeyPress, either of which may discard the key by setting it to 0):
// typing a character starts editing the row (auto-edit through the data source) and opens the
// editor; Tab and Enter move to the next column (Shift+Tab back), wrapping to the next row; Left and
// Right move between columns when the editor's caret is at its edge; Up, Down, PgUp, PgDn, Ctrl+Home
// and Ctrl+End move rows, posting a row being edited first; Down on the last row appends a row; Esc
// cancels the row being edited; Insert inserts a row; Ctrl+Delete deletes the current row, asking
// "Excluir registro?" first when dgConfirmDelete is set; F2 starts editing.
//
// Underneath it is a QTableView whose model (TDBGridModel) shows exactly the rows, titles and cell
// texts the user sees, the text being typed included.

#include "framework/data/datasourcelink.h"
#include "framework/ui/control.h"
#include "framework/ui/dbgridcolumns.h"
#include "framework/ui/events.h"

#include <QPointer>
#include <QTableView>

#include <functional>
#include <memory>

class TDBGridModel;
class TDBGridDelegate;
class TField;
class TInplaceEdit;

enum TDBGridOption {
    dgEditing = 1 << 0,              // the user may type into the cells
    dgTitles = 1 << 1,               // a title row with the columns' titles
    dgIndicator = 1 << 2,            // a row indicator column on the left
    dgColumnResize = 1 << 3,         // the user may resize columns at their titles
    dgColLines = 1 << 4,             // lines between columns
    dgRowLines = 1 << 5,             // lines between rows
    dgTabs = 1 << 6,                 // Tab moves between columns instead of leaving the grid
    dgAlwaysShowSelection = 1 << 7,  // the selected cell stays highlighted without the focus
    dgConfirmDelete = 1 << 8,        // Ctrl+Delete asks before deleting
    dgCancelOnExit = 1 << 9,         // a new row left untouched is cancelled when the grid loses focus
};
using TDBGridOptions = int;

class TDBGrid : public TControl<QTableView>, public TWinControlEvents {
    Q_OBJECT
public:
    explicit TDBGrid(QWidget* parent = nullptr);
    ~TDBGrid() override;

    TDataSource* DataSource() const { return m_link.DataSource(); }
    void SetDataSource(TDataSource* source);

    // The declared columns, or the default one-per-visible-field columns while none is declared.
    TDBGridColumns* Columns() const { return m_columns; }

    TDBGridOptions Options() const { return m_options; }
    void SetOptions(TDBGridOptions options);
    // A read-only grid shows its rows but refuses typing, inserting and deleting; so does a disabled
    // one (Enabled, SetEnabled), which refuses the user altogether.
    bool ReadOnly() const { return m_readOnly; }
    void SetReadOnly(bool readOnly);
    // The background of the cells that are not selected.
    QColor Color() const;
    void SetColor(const QColor& color);
    // When false the grid paints only the cells' background and OnDrawColumnCell draws the rest.
    bool DefaultDrawing() const { return m_defaultDrawing; }
    void SetDefaultDrawing(bool defaultDrawing);

    // The selected column, as an index into Columns(); -1 when the grid shows no column. Setting it
    // writes the text being typed into the field, then fires OnColExit and OnColEnter; an exception
    // of either (or of the field's text conversion) passes to the caller and, when it comes before
    // the move, leaves the selected column as it was.
    int SelectedIndex() const { return m_selectedIndex; }
    void SetSelectedIndex(int index);
    // The field of the selected column, or null. Setting selects the first column of that field, as
    // SetSelectedIndex does; nothing happens for a field no visible column shows.
    TField* SelectedField() const;
    void SetSelectedField(TField* field);

    // True while the in-place editor is open on the selected cell; it is open whenever the dataset is
    // being edited or inserted and the selected column may be typed into. Setting true starts
    // editing (auto-edit; BeforeEdit's exception passes to the caller); false writes the text typed
    // so far into the field and closes the editor.
    bool EditorMode() const;
    void SetEditorMode(bool editorMode);
    // What the in-place editor holds now, as the field would receive it (a masked editor holding
    // nothing typed gives ""); the selected field's text when the editor is closed.
    QString InplaceEditorText() const;
    // The in-place editor, or null while it is closed.
    TInplaceEdit* InplaceEditor() const;

    // The canvas OnDrawColumnCell draws on, while it runs; null at any other time.
    TCanvas* Canvas() const { return m_canvas; }
    // The text the grid shows for column in the row being drawn while OnDrawColumnCell runs, else in
    // the current row. (The fields themselves always hold the current row, whichever row is drawn.)
    QString CellText(const TColumn* column) const;

    TDBGridModel* gridModel() const { return m_model; }

    // Events, each fired by the user's action as described above.
    TDBGridClickEvent OnCellClick;   // left button released over a data cell
    TDBGridClickEvent OnTitleClick;  // click on a column title
    TNotifyEvent OnDblClick;         // double click over the cells
    TNotifyEvent OnColEnter;         // a column became the selected one
    TNotifyEvent OnColExit;          // the selected column is about to change; throw to stay
    TNotifyEvent OnEditButtonClick;  // the editor's ellipsis button was pressed (or Ctrl+Enter)
    TKeyEvent OnKeyDown;
    TKeyPressEvent OnKeyPress;
    TDrawColumnCellEvent OnDrawColumnCell;  // after the grid has painted a data cell

protected:
    bool event(QEvent* event) override;
    bool eventFilter(QObject* object, QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    friend class TDBGridDelegate;

    // ---- data ----
    TClientDataSet* dataSet() const;
    bool dataSetActive() const;
    bool isEditing() const;  // the dataset is in edit or insert state
    void dataEvent(TDataEvent event, TField* field);
    void rowChanged(const TRowChange& change);
    void columnsChanged();
    void applyColumnWidths();
    int defaultWidth(const TColumn* column) const;

    // ---- cursor and editor (these let handlers' exceptions pass) ----
    TColumn* selectedColumn() const;
    int columnIndexOf(const TField* field) const;  // first visible column of field, or -1
    int selectedModelColumn() const;
    QList<TColumn*> visibleColumns() const;
    void syncView();
    void syncEditor();
    void closeInplaceEditor();
    bool canEditColumn(const TColumn* column) const;
    bool canModify() const;
    void writeEditorText();
    void moveToColumn(int index);
    void moveToRow(int row);
    void moveBy(int rows);
    void nextRow();
    void tabTo(bool forward);
    void deleteRow();
    void startEditing();
    bool rowTouched() const;
    bool hasFocusWithin() const;

    // ---- user actions (dbgridinput.cpp) ----
    enum class KeyOutcome { Consumed, PassToEditor, Unhandled };
    bool userAction(const std::function<void()>& action);
    KeyOutcome handleKey(QKeyEvent* event);
    bool doKeyDown(int key, TShiftState shift);
    bool doKeyPress(QChar key);
    void focusLeft(Qt::FocusReason reason);
    void titleClicked(int section);
    void editButtonClicked();

    TDBGridColumns* m_columns;
    TDBGridModel* m_model;
    TDBGridDelegate* m_delegate;
    TDataSourceLink m_link;
    TDBGridOptions m_options;
    bool m_readOnly = false;
    bool m_defaultDrawing = true;
    int m_selectedIndex = -1;
    bool m_inColExit = false;
    bool m_applyingWidths = false;
    QPersistentModelIndex m_editorIndex;
    bool m_editorSuppressed = false;  // closed by SetEditorMode(false) until the next state or column
    TDataSetState m_lastState = TDataSetState::dsInactive;
    bool m_insertTouched = false;  // a field of the row being inserted changed since the insert
    bool m_forwardingKey = false;
    QPersistentModelIndex m_pressIndex;
    TCanvas* m_canvas = nullptr;
    int m_drawingRow = -1;
};
