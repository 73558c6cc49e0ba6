#pragma once

// The budget-calendar screen shown and driven like a user drives it: keys to the widget holding the
// focus, clicks on the phase grid's cells and the toolbar, modal boxes answered from a timer. The
// server runs with a calendar of the test's own and a fixed today, 10 May of the current year.

#include "framework/data/clientdataset.h"
#include "framework/ui/dbgrid.h"
#include "framework/ui/speedbutton.h"
#include "tests/modules/zrm71300/screenfixture.h"
#include "tests/support/guitest.h"

#include <QApplication>
#include <QDate>
#include <QTest>

// Readable QString values in failure messages.
inline void PrintTo(const QString& text, std::ostream* out) {
    *out << '"' << text.toStdString() << '"';
}

namespace zrm71300test {

// A phase of the calendar shown: code and its period as "MM-DD" of the current year.
struct Phase {
    const char* code;
    const char* start;
    const char* end;
};

class PhaseTest : public ScreenTest {
protected:
    // Columns of the phase grid.
    enum Column { CodeColumn = 0, NameColumn = 1, StartColumn = 2, EndColumn = 3 };

    // Version 1, the only one, of the current year holding phases (every month flag "N"); today is
    // 10 May of the current year.
    static CalendarData calendarOf(const QList<Phase>& phases) {
        const int year = currentYear();
        CalendarData data;
        data.versions = {{year, 1}};
        for (const Phase& phase : phases)
            data.rows.append({year, 1, QLatin1String(phase.code), QLatin1String(phase.start),
                              QLatin1String(phase.end), QStringList(12, QStringLiteral("N"))});
        data.today = QDate(year, 5, 10);
        return data;
    }

    // "dd/MM/yyyy" of day and month of the current year (of year when given).
    static QString date(int day, int month, int year = currentYear()) {
        return QDate(year, month, day).toString(QStringLiteral("dd/MM/yyyy"));
    }
    static QDateTime midnight(int day, int month) { return QDate(currentYear(), month, day).startOfDay(); }

    // Opens the screen on data, shows it and puts the focus on the phase grid's first cell.
    void open(const CalendarData& data) {
        openWith(data);
        ASSERT_FALSE(HasFatalFailure());
        ASSERT_TRUE(zrm::test::showActive(frmCalendOrc->window()));
        grid()->setFocus(Qt::OtherFocusReason);
        ASSERT_TRUE(gridHasFocus());
    }

    TDBGrid* grid() const { return frmCalendOrc->dbgPadrao; }
    TClientDataSet* calendar() const { return child<TClientDataSet>("cdsCalendOrcOp"); }
    TField* field(const char* name) const { return calendar()->FieldByName(QLatin1String(name)); }
    TDataSetState state() const { return calendar()->State(); }

    // Keys go where a user's keys go: to the widget holding the focus (after a modal box closed,
    // the screen is activated again first).
    QWidget* focused() {
        if (!QApplication::focusWidget())
            zrm::test::reactivate(frmCalendOrc);
        return QApplication::focusWidget() ? QApplication::focusWidget() : grid();
    }
    void key(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        QTest::keyClick(focused(), key, modifiers);
    }
    void type(const QString& text) { QTest::keyClicks(focused(), text); }
    bool gridHasFocus() {
        focused();
        const QWidget* focus = QApplication::focusWidget();
        return focus && (focus == grid() || grid()->isAncestorOf(focus));
    }
    void clickCell(int row, int column) {
        const QModelIndex index = grid()->model()->index(row, column);
        QTest::mouseClick(grid()->viewport(), Qt::LeftButton, Qt::NoModifier,
                          grid()->visualRect(index).center());
    }
    // The text the grid shows in a cell (what is being typed included).
    QString cellText(int row, int column) const {
        return grid()->model()->index(row, column).data().toString();
    }
    int currentRow() const { return grid()->currentIndex().row(); }
    TField* selectedField() const { return grid()->SelectedField(); }
    // The toolbar's confirm command, clicked.
    void confirm() { QTest::mouseClick(frmCalendOrc->sbtConfirmar, Qt::LeftButton); }

    // A new row by the Insert key, then code, start and end typed cell by cell with Tab between;
    // the focus is left on the end date, nothing posted.
    void typeNewRow(const QString& code, const QString& start, const QString& end) {
        key(Qt::Key_Insert);
        type(code);
        key(Qt::Key_Tab);
        key(Qt::Key_Tab);
        typeDate(start);
        key(Qt::Key_Tab);
        typeDate(end);
    }
    // A date typed into the selected date cell from its start, as its digits ("dd/MM/yyyy" or part).
    void typeDate(const QString& text) {
        key(Qt::Key_Home);
        type(QString(text).remove(u'/'));
    }

    int requests(const char* method = nullptr) const {
        return m_server.requestCount(method ? QLatin1String(method) : QString());
    }
    // The methods the server answered after the first `from` calls.
    QStringList methodsSince(int from) const { return m_server.requestedMethods().mid(from); }

    zrm::test::DialogAnswerer answers;
};

}  // namespace zrm71300test
