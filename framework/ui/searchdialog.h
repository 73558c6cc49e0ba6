#pragma once

// SearchDialog: the modal window that offers the rows of a data source's dataset for picking. It
// shows the visible fields, titled by their display labels; typing filters the rows (any visible
// column containing the text, ignoring case); Enter or a double click picks the selected row, Esc
// cancels.

#include <QDialog>

class QLineEdit;
class QSortFilterProxyModel;
class QStandardItemModel;
class QTableView;
class TDataSource;

class SearchDialog : public QDialog {
    Q_OBJECT
public:
    // title: the window's caption. The rows are those of source's dataset when the dialog is made.
    SearchDialog(TDataSource* source, const QString& title, QWidget* parent = nullptr);

    // Opens the dialog modally. True when the user picked a row, which is then the current row of
    // the dataset (moving there fires the dataset's scroll events; what they throw reaches the
    // caller). False when the user cancelled or there was no row to offer.
    bool execute();

    // The number of rows offered now (after filtering).
    int visibleRowCount() const;
    QLineEdit* filterEdit() const { return m_filter; }
    QTableView* view() const { return m_view; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void fillRows();
    void selectFirstRow();
    void pickCurrent();

    TDataSource* m_source;
    QStandardItemModel* m_model;
    QSortFilterProxyModel* m_proxy;
    QLineEdit* m_filter;
    QTableView* m_view;
    int m_pickedRecNo = -1;
};
