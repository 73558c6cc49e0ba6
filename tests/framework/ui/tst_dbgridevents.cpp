// The data grid's events as a user's action fires them: key and character filters, column exit
// that stops, clicks on titles and cells, the editor's button, owner drawing (checked pixel by
// pixel) and handlers that fail.

#include "dbgridfixture.h"

#include "framework/data/exceptions.h"
#include "framework/ui/dbgridcanvas.h"
#include "framework/ui/dbgrideditor.h"
#include "framework/ui/focustracker.h"

#include <QMessageBox>
#include <QPainter>
#include <QToolButton>

using zrm::test::DialogAnswerer;

using DbGridEvents = DbGridFixture;

TEST_F(DbGridEvents, keyDown_discardedKeyStillTypesUnlessKeyPressDiscardsItToo) {
    QList<std::pair<int, TShiftState>> downs;
    QString presses;
    grid->OnKeyDown = [&](QObject* sender, int& key, TShiftState shift) {
        EXPECT_EQ(sender, grid);
        downs.append({key, shift});
        if (key == 'A' || key == VK::Down)
            key = 0;
    };
    grid->OnKeyPress = [&](QObject*, QChar& key) {
        presses += key;
        if (key == u'b')
            key = QChar();
    };
    clickCell(0, 1);

    key(Qt::Key_Down);  // discarded: the cursor stays
    EXPECT_EQ(dataSet->RecNo(), 1);

    type(QStringLiteral("b"));  // KeyPress discards it: nothing typed, no edit started
    EXPECT_EQ(dataSet->State(), TDataSetState::dsBrowse);

    type(QStringLiteral("a"));  // KeyDown discards the key, its character still reaches KeyPress
    EXPECT_EQ(presses, QStringLiteral("ba"));
    EXPECT_EQ(downs.back().first, int('A'));
    EXPECT_EQ(grid->InplaceEditorText(), QStringLiteral("a"));

    type(QStringLiteral("c"));  // in the editor the same filters apply
    EXPECT_EQ(presses, QStringLiteral("bac"));
    EXPECT_EQ(grid->InplaceEditorText(), QStringLiteral("ac"));
    type(QStringLiteral("b"));
    EXPECT_EQ(grid->InplaceEditorText(), QStringLiteral("ac"));
    key(Qt::Key_Backspace);
    EXPECT_EQ(grid->InplaceEditorText(), QStringLiteral("a"));
    EXPECT_EQ(presses.back(), QChar(u'\b'));

    // Tab and Enter reach KeyPress as characters 9 and 13.
    key(Qt::Key_Tab);
    key(Qt::Key_Return);
    EXPECT_TRUE(presses.endsWith(QStringLiteral("\t\r")));

    key(Qt::Key_Space, Qt::ControlModifier);  // the Ctrl key itself goes down first
    ASSERT_GE(downs.size(), 2);
    EXPECT_EQ(downs.at(downs.size() - 2), std::make_pair(int(VK::Control), TShiftState(ssCtrl)));
    EXPECT_EQ(downs.back(), std::make_pair(int(VK::Space), TShiftState(ssCtrl)));
}

TEST_F(DbGridEvents, keyPress_replacingTheCharacterTypesTheReplacement) {
    grid->OnKeyPress = [](QObject*, QChar& key) { key = key.toUpper(); };
    clickCell(0, 1);
    type(QStringLiteral("ab"));
    EXPECT_EQ(grid->InplaceEditorText(), QStringLiteral("AB"));
}

TEST_F(DbGridEvents, colExit_thatStops_keepsTheSelectedColumn) {
    QStringList log;
    bool refuse = true;
    grid->OnColExit = [&](QObject* sender) {
        EXPECT_EQ(sender, grid);
        log.append(QStringLiteral("exit %1").arg(grid->SelectedIndex()));
        if (refuse)
            Abort();
    };
    grid->OnColEnter = [&](QObject*) { log.append(QStringLiteral("enter %1").arg(grid->SelectedIndex())); };

    clickCell(0, 0);
    ASSERT_EQ(grid->SelectedIndex(), 0);
    log.clear();
    key(Qt::Key_Tab);
    clickCell(1, 2);
    EXPECT_EQ(grid->SelectedIndex(), 0);
    EXPECT_EQ(log, (QStringList{QStringLiteral("exit 0"), QStringLiteral("exit 0")}));
    EXPECT_EQ(dataSet->RecNo(), 2);  // the row moved; the column did not

    // A failure that is not silent is shown, and the column stays too.
    grid->OnColExit = [](QObject*) { throw EDatabaseError(QStringLiteral("Coluna recusada.")); };
    DialogAnswerer answers;
    answers.answerNext(QMessageBox::Ok);
    key(Qt::Key_Right);
    EXPECT_EQ(answers.texts(), QStringList{QStringLiteral("Coluna recusada.")});
    EXPECT_EQ(grid->SelectedIndex(), 0);

    // Set by code, the same events run and the handler's exception reaches the caller.
    grid->OnColExit = [&](QObject*) {
        log.append(QStringLiteral("exit %1").arg(grid->SelectedIndex()));
        if (refuse)
            Abort();
    };
    log.clear();
    EXPECT_THROW(grid->SetSelectedIndex(1), EAbort);
    EXPECT_EQ(grid->SelectedIndex(), 0);
    refuse = false;
    grid->SetSelectedIndex(1);
    EXPECT_EQ(log,
              (QStringList{QStringLiteral("exit 0"), QStringLiteral("exit 0"), QStringLiteral("enter 1")}));
}

TEST_F(DbGridEvents, clicks_reachTheirHandlersWithTheColumnClicked) {
    QList<TColumn*> titles;
    QList<TColumn*> cells;
    int doubleClicks = 0;
    grid->OnTitleClick = [&](TColumn* column) { titles.append(column); };
    grid->OnCellClick = [&](TColumn* column) {
        cells.append(column);
        EXPECT_EQ(grid->SelectedIndex(), column->Index());  // the cell is selected before the click event
    };
    grid->OnDblClick = [&](QObject* sender) {
        EXPECT_EQ(sender, grid);
        ++doubleClicks;
    };

    QHeaderView* header = grid->horizontalHeader();
    QTest::mouseClick(header->viewport(), Qt::LeftButton, Qt::NoModifier,
                      QPoint(header->sectionViewportPosition(1) + 5, header->height() / 2));
    ASSERT_EQ(titles.size(), 1);
    EXPECT_EQ(titles.at(0), grid->Columns()->Items(1));
    EXPECT_TRUE(cells.isEmpty());

    clickCell(2, 2);
    ASSERT_EQ(cells.size(), 1);
    EXPECT_EQ(cells.at(0), grid->Columns()->Items(2));
    EXPECT_EQ(dataSet->RecNo(), 3);
    EXPECT_EQ(doubleClicks, 0);

    QTest::mouseDClick(grid->viewport(), Qt::LeftButton, Qt::NoModifier, cellCenter(1, 0));
    EXPECT_EQ(doubleClicks, 1);
    EXPECT_EQ(grid->SelectedIndex(), 0);
    EXPECT_EQ(dataSet->RecNo(), 2);

    // Below the last row there is no cell to click.
    const int cellsBefore = int(cells.size());
    const QRect last = grid->visualRect(cell(2, 0));
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, Qt::NoModifier,
                      QPoint(last.center().x(), last.bottom() + 40));
    EXPECT_EQ(cells.size(), cellsBefore);
}

TEST_F(DbGridEvents, handlerFailure_isShownAndStopsOnlyThatAction) {
    grid->OnCellClick = [](TColumn*) { throw EDatabaseError(QStringLiteral("Clique recusado.")); };
    DialogAnswerer answers;
    answers.answerNext(QMessageBox::Ok);
    clickCell(1, 1);
    EXPECT_EQ(answers.texts(), QStringList{QStringLiteral("Clique recusado.")});
    EXPECT_EQ(dataSet->RecNo(), 2);

    // A silent abort shows nothing.
    grid->OnTitleClick = [](TColumn*) { Abort(); };
    QHeaderView* header = grid->horizontalHeader();
    QTest::mouseClick(header->viewport(), Qt::LeftButton, Qt::NoModifier,
                      QPoint(header->sectionViewportPosition(0) + 5, header->height() / 2));
    EXPECT_EQ(answers.texts().size(), 1);
}

TEST_F(DbGridEvents, editButton_showsOnEllipsisColumnsAndFiresOnClickAndCtrlEnter) {
    int presses = 0;
    grid->OnEditButtonClick = [&](QObject* sender) {
        EXPECT_EQ(sender, grid);
        EXPECT_EQ(grid->SelectedField(), code);
        ++presses;
        code->SetAsString(QStringLiteral("0000000007"));  // what a lookup does
    };
    grid->Columns()->Items(0)->SetButtonStyle(TColumnButtonStyle::cbsEllipsis);
    clickCell(0, 0);
    EXPECT_FALSE(grid->EditorMode());  // browsing: no editor, no button

    dataSet->Edit();
    ASSERT_TRUE(grid->EditorMode());
    QToolButton* button = grid->InplaceEditor()->editButton();
    ASSERT_TRUE(button->isVisible());
    QTest::mouseClick(button, Qt::LeftButton);
    EXPECT_EQ(presses, 1);
    EXPECT_EQ(grid->InplaceEditorText(), QStringLiteral("0000000007"));  // the editor shows the new value

    key(Qt::Key_Return, Qt::ControlModifier);
    EXPECT_EQ(presses, 2);

    // The automatic style shows no button; other columns show none either.
    grid->Columns()->Items(0)->SetButtonStyle(TColumnButtonStyle::cbsAuto);
    EXPECT_FALSE(grid->InplaceEditor()->editButton()->isVisible());
}

TEST_F(DbGridEvents, drawColumnCell_drawsOverTheCellWithTheGridsColour) {
    // A 16 × 16 picture on an olive background with a white square and one black pixel in it.
    const QColor olive(128, 128, 0);
    QPixmap picture(16, 16);
    picture.fill(olive);
    {
        QPainter painter(&picture);
        painter.fillRect(QRect(1, 1, 13, 13), Qt::white);
        painter.fillRect(QRect(6, 6, 1, 1), Qt::black);
    }
    QList<QRect> rects;
    QList<TGridDrawState> states;
    QStringList texts;
    grid->OnDrawColumnCell = [&](QObject* sender, const QRect& rect, int dataCol, TColumn* column,
                                 TGridDrawState state) {
        EXPECT_EQ(sender, grid);
        EXPECT_EQ(column, grid->Columns()->Items(dataCol));
        if (column->Field() != name)
            return;
        rects.append(rect);
        states.append(state);
        texts.append(grid->CellText(column));
        // The grid's canvas, valid while the handler draws, with the cell's colour in its brush.
        TCanvas* canvas = grid->Canvas();
        ASSERT_NE(canvas, nullptr);
        canvas->FillRect(rect);
        canvas->BrushCopy(QRect(rect.left() + 17, rect.top() + 1, 16, rect.height()), picture,
                          QRect(0, 0, 16, rect.height()), olive);
    };
    clickCell(0, 1);
    grid->viewport()->repaint();
    const QImage image = grid->viewport()->grab().toImage();
    ASSERT_FALSE(rects.isEmpty());

    const QColor highlight = grid->palette().color(QPalette::Active, QPalette::Highlight);
    const QColor base = grid->palette().color(QPalette::Base);
    const QRect selected = grid->visualRect(cell(0, 1)).adjusted(0, 0, -1, -1);
    const QRect plain = grid->visualRect(cell(1, 1)).adjusted(0, 0, -1, -1);
    EXPECT_TRUE(rects.contains(selected));
    EXPECT_TRUE(states.at(rects.indexOf(selected)) & gdSelected);
    EXPECT_FALSE(states.at(rects.indexOf(plain)) & gdSelected);
    // The handler reads the text of the row it draws, not of the current row.
    EXPECT_EQ(texts.at(rects.indexOf(plain)), QStringLiteral("Planejamento"));
    EXPECT_EQ(texts.at(rects.indexOf(selected)), QStringLiteral("Abertura"));
    EXPECT_EQ(grid->CellText(grid->Columns()->Items(1)), QStringLiteral("Abertura"));

    auto pixel = [&](const QRect& cellRect, int x, int y) {
        return image.pixelColor(cellRect.left() + x, cellRect.top() + y);
    };
    // The olive corner takes the cell's colour; the picture's pixels keep theirs.
    EXPECT_EQ(pixel(selected, 17, 1), highlight);
    EXPECT_EQ(pixel(selected, 18, 2), QColor(Qt::white));
    EXPECT_EQ(pixel(selected, 23, 7), QColor(Qt::black));
    EXPECT_EQ(pixel(plain, 17, 1), base);
    EXPECT_EQ(pixel(plain, 23, 7), QColor(Qt::black));
    // The text the grid drew is gone: the left part of the cell is all the cell's colour.
    for (int x = 0; x < 16; ++x) {
        for (int y = 0; y < selected.height(); ++y)
            ASSERT_EQ(pixel(selected, x, y), highlight) << x << "," << y;
    }
    // Below the picture (the cell is taller than 16 + 1 pixels) the brush colour stays.
    EXPECT_EQ(pixel(plain, 20, 17), base);
}

TEST_F(DbGridEvents, enterAndExit_followTheFocusIntoAndOutOfTheGridAndItsEditor) {
    zrm::ui::FocusTracker tracker(window.get());
    QStringList log;
    grid->OnEnter = [&](QObject*) { log.append(QStringLiteral("enter")); };
    grid->OnExit = [&](QObject*) { log.append(QStringLiteral("exit")); };
    other->setFocus(Qt::TabFocusReason);
    grid->setFocus(Qt::TabFocusReason);
    dataSet->Edit();  // the editor opens and takes the focus: still inside the grid
    ASSERT_TRUE(grid->EditorMode());
    other->setFocus(Qt::TabFocusReason);
    EXPECT_EQ(log, (QStringList{QStringLiteral("enter"), QStringLiteral("exit")}));
}
