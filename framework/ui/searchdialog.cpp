#include "framework/ui/searchdialog.h"

#include "framework/data/datasource.h"
#include "framework/ui/formresources.h"

#include <QCoreApplication>
#include <QDialogButtonBox>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSortFilterProxyModel>
#include <QStandardItemModel>
#include <QTableView>
#include <QVBoxLayout>

namespace {
constexpr int recNoRole = Qt::UserRole + 1;
}  // namespace

SearchDialog::SearchDialog(TDataSource* source, const QString& title, QWidget* parent)
    : QDialog(parent)
    , m_source(source)
    , m_model(new QStandardItemModel(this))
    , m_proxy(new QSortFilterProxyModel(this))
    , m_filter(new QLineEdit(this))
    , m_view(new QTableView(this)) {
    setObjectName(QStringLiteral("SearchDialog"));
    setWindowTitle(title);
    m_filter->setObjectName(QStringLiteral("searchFilter"));
    m_view->setObjectName(QStringLiteral("searchRows"));

    m_proxy->setSourceModel(m_model);
    m_proxy->setFilterKeyColumn(-1);
    m_proxy->setFilterCaseSensitivity(Qt::CaseInsensitive);
    m_view->setModel(m_proxy);
    m_view->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_view->setSelectionMode(QAbstractItemView::SingleSelection);
    m_view->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_view->verticalHeader()->hide();
    m_view->horizontalHeader()->setStretchLastSection(true);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)
        ->setText(zrm::ui::FormResources::translate(QStringLiteral("Selecionar")));
    buttons->button(QDialogButtonBox::Cancel)
        ->setText(zrm::ui::FormResources::translate(QStringLiteral("Cancelar")));

    auto* layout = new QVBoxLayout(this);
    auto* prompt = new QLabel(zrm::ui::FormResources::translate(QStringLiteral("Procurar:")), this);
    prompt->setBuddy(m_filter);
    layout->addWidget(prompt);
    layout->addWidget(m_filter);
    layout->addWidget(m_view, 1);
    layout->addWidget(buttons);
    resize(480, 360);

    connect(m_filter, &QLineEdit::textChanged, this, [this](const QString& text) {
        m_proxy->setFilterFixedString(text);
        selectFirstRow();
    });
    connect(m_view, &QAbstractItemView::doubleClicked, this, [this] { pickCurrent(); });
    connect(buttons, &QDialogButtonBox::accepted, this, [this] { pickCurrent(); });
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    m_filter->installEventFilter(this);
    m_view->installEventFilter(this);

    fillRows();
    selectFirstRow();
    m_filter->setFocus();
}

void SearchDialog::fillRows() {
    TClientDataSet* dataSet = m_source ? m_source->DataSet() : nullptr;
    if (!dataSet || !dataSet->Active())
        return;
    // Read the rows from a copy, so the dataset's cursor and its scroll handlers stay untouched
    // while the dialog is open; the copy's fields give each value the text the dataset shows.
    TClientDataSet copy;
    copy.AddFields(dataSet->FieldDefs());
    copy.SetData(dataSet->GetData());

    QList<int> columns;
    QStringList titles;
    for (int i = 0; i < dataSet->FieldCount(); ++i) {
        if (dataSet->Field(i)->Visible()) {
            columns.append(i);
            titles.append(dataSet->Field(i)->DisplayLabel());
        }
    }
    m_model->setHorizontalHeaderLabels(titles);
    int recNo = 1;
    for (copy.First(); !copy.Eof(); copy.Next(), ++recNo) {
        QList<QStandardItem*> row;
        for (int column : columns) {
            auto* item = new QStandardItem(copy.Field(column)->Text());
            item->setData(recNo, recNoRole);
            row.append(item);
        }
        m_model->appendRow(row);
    }
    for (int i = 0; i < columns.size(); ++i)
        m_view->setColumnWidth(
            i, fontMetrics().averageCharWidth() * qBound(4, dataSet->Field(columns[i])->DisplayWidth(), 40));
}

int SearchDialog::visibleRowCount() const {
    return m_proxy->rowCount();
}

void SearchDialog::selectFirstRow() {
    if (m_proxy->rowCount() > 0)
        m_view->setCurrentIndex(m_proxy->index(0, 0));
}

void SearchDialog::pickCurrent() {
    const QModelIndex current = m_view->currentIndex();
    if (!current.isValid())
        return;
    m_pickedRecNo = current.data(recNoRole).toInt();
    accept();
}

bool SearchDialog::execute() {
    if (m_model->rowCount() == 0)
        return false;
    m_pickedRecNo = -1;
    if (exec() != QDialog::Accepted || m_pickedRecNo < 1)
        return false;
    m_source->DataSet()->SetRecNo(m_pickedRecNo);
    return true;
}

bool SearchDialog::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::KeyPress)
        return QDialog::eventFilter(watched, event);
    const auto* key = static_cast<QKeyEvent*>(event);
    switch (key->key()) {
        case Qt::Key_Return:
        case Qt::Key_Enter:
            pickCurrent();
            return true;
        case Qt::Key_Up:
        case Qt::Key_Down:
        case Qt::Key_PageUp:
        case Qt::Key_PageDown:
            if (watched == m_filter) {
                // The rows move under the filter's caret, so typing and choosing need no focus change.
                QKeyEvent forwarded(key->type(), key->key(), key->modifiers());
                QCoreApplication::sendEvent(m_view, &forwarded);
                return true;
            }
            return false;
        default:
            return false;
    }
}
