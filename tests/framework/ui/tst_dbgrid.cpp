// The data grid as a user edits through it: what the model shows, typing into cells with masks,
// moving between cells and rows, the keys that insert, append, cancel and delete, and the cursor
// kept together with the dataset's.

#include "dbgridfixture.h"

#include "framework/data/exceptions.h"
#include "framework/ui/dbgrideditor.h"

#include <QMessageBox>

using zrm::test::DialogAnswerer;

TEST(EditMask, fromEditMask_translatesMaskCharactersAndParts) {
    const TEditMask code = TEditMask::fromEditMask(QStringLiteral("9999999999;0; "));
    EXPECT_EQ(code.inputMask, QStringLiteral("0000000000; "));
    EXPECT_FALSE(code.saveLiterals);

    const TEditMask date = TEditMask::fromEditMask(QStringLiteral("!99/99/9999;1;_"));
    EXPECT_EQ(date.inputMask, QStringLiteral("00/00/0000;_"));
    EXPECT_TRUE(date.saveLiterals);
    EXPECT_EQ(date.literal,
              (QList<bool>{false, false, true, false, false, true, false, false, false, false}));

    // Required and optional letters, alphanumerics, any characters and digits; case switches; an
    // escaped mask character and a literal that means something to the line edit.
    const TEditMask mixed = TEditMask::fromEditMask(QStringLiteral(">LlAaCc<>0#\\LX;0;*"));
    EXPECT_EQ(mixed.inputMask, QStringLiteral(">AaNnXx!9#L\\X;*"));
    EXPECT_FALSE(mixed.saveLiterals);

    EXPECT_TRUE(TEditMask::fromEditMask(QString()).inputMask.isEmpty());
}

TEST(EditMask, fieldText_keepsOrDropsLiteralsAndEmptiesUntypedText) {
    const TEditMask date = TEditMask::fromEditMask(QStringLiteral("!99/99/9999;1;_"));
    EXPECT_EQ(date.fieldText(QStringLiteral("10/03/2026")), QStringLiteral("10/03/2026"));
    EXPECT_EQ(date.fieldText(QStringLiteral("__/__/____")), QString());

    const TEditMask code = TEditMask::fromEditMask(QStringLiteral("9999999999;0; "));
    EXPECT_EQ(code.fieldText(QStringLiteral("123       ")), QStringLiteral("123"));

    const TEditMask phone = TEditMask::fromEditMask(QStringLiteral("(99) 9999;0;_"));
    EXPECT_EQ(phone.fieldText(QStringLiteral("(11) 2345")), QStringLiteral("112345"));
}

using DbGrid = DbGridFixture;

TEST_F(DbGrid, model_showsTitlesRowsAndTextsOfVisibleColumns) {
    ASSERT_EQ(grid->model()->rowCount(), 3);
    ASSERT_EQ(grid->model()->columnCount(), 3);
    EXPECT_EQ(grid->model()->headerData(0, Qt::Horizontal).toString(), QStringLiteral("CDFASE"));
    EXPECT_EQ(grid->model()->headerData(1, Qt::Horizontal).toString(), QStringLiteral("Nome"));
    EXPECT_EQ(text(1, 1), QStringLiteral("Planejamento"));
    EXPECT_EQ(text(2, 2), QStringLiteral("01/03/2026"));
    EXPECT_EQ(text(0, 0), QStringLiteral("0000000001"));

    // Declared columns replace the default ones; a hidden column is not in the model.
    TColumn* date = grid->Columns()->Add();
    date->SetFieldName(QStringLiteral("DTINI"));
    date->SetTitleCaption(QStringLiteral("Início"));
    TColumn* nameColumn = grid->Columns()->Add();
    nameColumn->SetFieldName(QStringLiteral("NMFASE"));
    TColumn* codeColumn = grid->Columns()->Add();
    codeColumn->SetFieldName(QStringLiteral("CDFASE"));
    codeColumn->SetVisible(false);
    ASSERT_EQ(grid->model()->columnCount(), 2);
    EXPECT_EQ(grid->model()->headerData(0, Qt::Horizontal).toString(), QStringLiteral("Início"));
    EXPECT_EQ(text(0, 1), QStringLiteral("Abertura"));
    EXPECT_EQ(grid->SelectedField(), start);

    const zrm::DataPacket rows = dataSet->GetData();
    dataSet->Close();
    EXPECT_EQ(grid->model()->rowCount(), 0);
    dataSet->SetData(rows);
    EXPECT_EQ(grid->model()->rowCount(), 3);
    EXPECT_EQ(text(2, 1), QStringLiteral("Fechamento"));
}

TEST_F(DbGrid, typing_editsTheCellAndLeavingTheRowPostsIt) {
    clickCell(1, 1);
    ASSERT_EQ(dataSet->RecNo(), 2);
    ASSERT_EQ(grid->SelectedField(), name);
    ASSERT_TRUE(gridHasFocus());

    type(QStringLiteral("Revisao"));
    EXPECT_EQ(dataSet->State(), TDataSetState::dsEdit);
    EXPECT_TRUE(grid->EditorMode());
    EXPECT_EQ(grid->InplaceEditorText(), QStringLiteral("Revisao"));
    EXPECT_EQ(text(1, 1), QStringLiteral("Revisao"));             // the model shows what is typed
    EXPECT_EQ(name->AsString(), QStringLiteral("Planejamento"));  // the field has not got it yet
    EXPECT_TRUE(gridHasFocus());

    key(Qt::Key_Down);
    EXPECT_EQ(dataSet->State(), TDataSetState::dsBrowse);
    EXPECT_EQ(dataSet->RecNo(), 3);
    EXPECT_EQ(currentRow(), 2);
    EXPECT_EQ(nameAt(2), QStringLiteral("Revisao"));
    EXPECT_EQ(text(1, 1), QStringLiteral("Revisao"));
    EXPECT_EQ(dataSet->GetChangeCount(), 1);
    EXPECT_FALSE(grid->EditorMode());
}

TEST_F(DbGrid, maskedCells_deliverTheirTextThroughTheFieldsSetText) {
    QStringList received;
    start->OnSetText = [&](TField* field, const QString& text) {
        received.append(text);
        field->SetAsString(text);
    };
    clickCell(0, 2);
    type(QStringLiteral("15042026"));
    EXPECT_EQ(grid->InplaceEditorText(), QStringLiteral("15/04/2026"));
    EXPECT_TRUE(received.isEmpty());

    key(Qt::Key_Left);  // the caret moves inside the text: still the same cell
    EXPECT_EQ(grid->SelectedField(), start);
    key(Qt::Key_Home);
    key(Qt::Key_Left);  // at the left edge: the previous column
    EXPECT_EQ(grid->SelectedField(), name);
    EXPECT_EQ(received, QStringList{QStringLiteral("15/04/2026")});
    EXPECT_EQ(start->AsDateTime().date(), QDate(2026, 4, 15));

    // The code column's mask takes digits only and keeps no blanks.
    key(Qt::Key_Left);
    ASSERT_EQ(grid->SelectedField(), code);
    type(QStringLiteral("4a2"));
    EXPECT_EQ(grid->InplaceEditorText(), QStringLiteral("42"));
    key(Qt::Key_Tab);
    EXPECT_EQ(code->AsString(), QStringLiteral("42"));

    // An untouched date mask gives an empty text, which empties the field.
    grid->SetSelectedField(start);
    ASSERT_TRUE(grid->EditorMode());
    key(Qt::Key_A, Qt::ControlModifier);
    key(Qt::Key_Backspace);
    EXPECT_EQ(grid->InplaceEditorText(), QString());
    dataSet->Post();  // the editor's text reaches the field before the post
    EXPECT_EQ(received.last(), QString());
    EXPECT_TRUE(start->IsNull());
}

TEST_F(DbGrid, tabAndEnter_moveAcrossColumnsAndOnToTheNextRow) {
    clickCell(0, 0);
    key(Qt::Key_Tab);
    EXPECT_EQ(grid->SelectedIndex(), 1);
    key(Qt::Key_Return);
    EXPECT_EQ(grid->SelectedIndex(), 2);
    key(Qt::Key_Tab);
    EXPECT_EQ(grid->SelectedIndex(), 0);
    EXPECT_EQ(dataSet->RecNo(), 2);
    key(Qt::Key_Backtab, Qt::ShiftModifier);
    EXPECT_EQ(grid->SelectedIndex(), 2);
    EXPECT_EQ(dataSet->RecNo(), 1);
    EXPECT_TRUE(gridHasFocus());

    // Without dgTabs, Tab leaves the grid.
    grid->SetOptions(grid->Options() & ~dgTabs);
    key(Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), other);
}

TEST_F(DbGrid, escape_cancelsTheEditAndTheNewRow) {
    clickCell(0, 1);
    type(QStringLiteral("Outro"));
    key(Qt::Key_Escape);
    EXPECT_EQ(dataSet->State(), TDataSetState::dsBrowse);
    EXPECT_EQ(name->AsString(), QStringLiteral("Abertura"));
    EXPECT_EQ(text(0, 1), QStringLiteral("Abertura"));
    EXPECT_FALSE(grid->EditorMode());

    key(Qt::Key_Insert);
    ASSERT_EQ(dataSet->State(), TDataSetState::dsInsert);
    type(QStringLiteral("Nova"));
    key(Qt::Key_Escape);
    EXPECT_EQ(dataSet->State(), TDataSetState::dsBrowse);
    EXPECT_EQ(grid->model()->rowCount(), 3);
    EXPECT_EQ(dataSet->GetChangeCount(), 0);
}

TEST_F(DbGrid, downOnTheLastRow_appendsOneRowAndPostsTypedOnes) {
    clickCell(2, 1);
    key(Qt::Key_Down);
    ASSERT_EQ(dataSet->State(), TDataSetState::dsInsert);
    EXPECT_EQ(grid->model()->rowCount(), 4);
    EXPECT_EQ(currentRow(), 3);
    EXPECT_EQ(text(3, 1), QString());
    EXPECT_EQ(grid->model()->headerData(3, Qt::Vertical).toString(), QStringLiteral("*"));

    key(Qt::Key_Down);  // an untouched new row stays the only new one
    EXPECT_EQ(grid->model()->rowCount(), 4);

    type(QStringLiteral("Encerramento"));
    key(Qt::Key_Down);
    EXPECT_EQ(grid->model()->rowCount(), 5);
    EXPECT_EQ(nameAt(4), QStringLiteral("Encerramento"));
    EXPECT_EQ(dataSet->State(), TDataSetState::dsInsert);

    key(Qt::Key_Up);  // leaving the untouched new row drops it
    EXPECT_EQ(grid->model()->rowCount(), 4);
    EXPECT_EQ(dataSet->State(), TDataSetState::dsBrowse);
    EXPECT_EQ(dataSet->RecordCount(), 4);
}

TEST_F(DbGrid, insertKey_insertsBeforeTheCurrentRow) {
    clickCell(1, 1);
    key(Qt::Key_Insert);
    ASSERT_EQ(dataSet->State(), TDataSetState::dsInsert);
    EXPECT_EQ(grid->model()->rowCount(), 4);
    EXPECT_EQ(currentRow(), 1);
    EXPECT_TRUE(grid->EditorMode());
    type(QStringLiteral("Meio"));
    key(Qt::Key_Up);
    EXPECT_EQ(nameAt(2), QStringLiteral("Meio"));
    EXPECT_EQ(nameAt(3), QStringLiteral("Planejamento"));
    EXPECT_EQ(text(1, 1), QStringLiteral("Meio"));
    EXPECT_EQ(dataSet->RecNo(), 1);
}

TEST_F(DbGrid, ctrlDelete_asksFirstAndDeletesOnlyOnYes) {
    clickCell(1, 0);
    DialogAnswerer answers;
    answers.answerNext(QMessageBox::No);
    key(Qt::Key_Delete, Qt::ControlModifier);
    EXPECT_EQ(answers.texts(), QStringList{QStringLiteral("Excluir registro?")});
    EXPECT_EQ(dataSet->RecordCount(), 3);
    EXPECT_EQ(grid->model()->rowCount(), 3);

    ASSERT_TRUE(zrm::test::reactivate(grid));
    grid->setFocus(Qt::OtherFocusReason);
    answers.answerNext(QMessageBox::Yes);
    key(Qt::Key_Delete, Qt::ControlModifier);
    EXPECT_EQ(answers.texts().size(), 2);
    EXPECT_EQ(dataSet->RecordCount(), 2);
    EXPECT_EQ(grid->model()->rowCount(), 2);
    EXPECT_EQ(text(1, 1), QStringLiteral("Fechamento"));

    // Without dgConfirmDelete nothing is asked; Delete alone deletes nothing.
    grid->SetOptions(grid->Options() & ~dgConfirmDelete);
    ASSERT_TRUE(zrm::test::reactivate(grid));
    grid->setFocus(Qt::OtherFocusReason);
    key(Qt::Key_Delete);
    EXPECT_EQ(dataSet->RecordCount(), 2);
    key(Qt::Key_Delete, Qt::ControlModifier);
    EXPECT_EQ(dataSet->RecordCount(), 1);
    EXPECT_EQ(answers.texts().size(), 2);
}

TEST_F(DbGrid, cancelOnExit_dropsAnUntouchedNewRowButKeepsATypedOne) {
    key(Qt::Key_Insert);
    ASSERT_EQ(dataSet->State(), TDataSetState::dsInsert);
    other->setFocus(Qt::TabFocusReason);
    EXPECT_EQ(dataSet->State(), TDataSetState::dsBrowse);
    EXPECT_EQ(dataSet->RecordCount(), 3);

    grid->setFocus(Qt::TabFocusReason);
    key(Qt::Key_Insert);
    key(Qt::Key_Tab);
    type(QStringLiteral("Digitada"));
    other->setFocus(Qt::TabFocusReason);
    EXPECT_EQ(dataSet->State(), TDataSetState::dsInsert);
    EXPECT_EQ(name->AsString(), QStringLiteral("Digitada"));  // what was typed reached the field

    // A new row whose fields a handler set counts as touched.
    dataSet->Cancel();
    dataSet->AfterInsert = [this](TClientDataSet*) { code->SetAsString(QStringLiteral("0000000009")); };
    grid->setFocus(Qt::TabFocusReason);
    key(Qt::Key_Insert);
    other->setFocus(Qt::TabFocusReason);
    EXPECT_EQ(dataSet->State(), TDataSetState::dsInsert);

    // Without dgCancelOnExit an untouched row stays too.
    dataSet->Cancel();
    dataSet->AfterInsert = nullptr;
    grid->SetOptions(grid->Options() & ~dgCancelOnExit);
    grid->setFocus(Qt::TabFocusReason);
    key(Qt::Key_Insert);
    other->setFocus(Qt::TabFocusReason);
    EXPECT_EQ(dataSet->State(), TDataSetState::dsInsert);
}

TEST_F(DbGrid, cursor_followsTheDataSetBothWaysAndWaitsWhileControlsAreDisabled) {
    dataSet->SetRecNo(3);
    EXPECT_EQ(currentRow(), 2);
    clickCell(0, 1);
    EXPECT_EQ(dataSet->RecNo(), 1);
    key(Qt::Key_Down);
    EXPECT_EQ(dataSet->RecNo(), 2);
    key(Qt::Key_End, Qt::ControlModifier);
    EXPECT_EQ(dataSet->RecNo(), 3);
    EXPECT_EQ(grid->model()->headerData(2, Qt::Vertical).toString(), QStringLiteral("\u25B6"));

    dataSet->DisableControls();
    dataSet->First();
    dataSet->Edit();
    name->SetAsString(QStringLiteral("Trocado"));
    dataSet->Post();
    EXPECT_EQ(currentRow(), 2);
    EXPECT_EQ(grid->model()->headerData(2, Qt::Vertical).toString(), QStringLiteral("\u25B6"));
    dataSet->EnableControls();
    EXPECT_EQ(currentRow(), 0);
    EXPECT_EQ(text(0, 1), QStringLiteral("Trocado"));
}

TEST_F(DbGrid, readOnlyOrDisabledOrNotEditing_refusesTyping) {
    DialogAnswerer answers;
    grid->SetReadOnly(true);
    clickCell(0, 1);
    type(QStringLiteral("x"));
    key(Qt::Key_Insert);
    key(Qt::Key_Delete, Qt::ControlModifier);
    key(Qt::Key_Down);
    key(Qt::Key_Down);
    key(Qt::Key_Down);  // on the last row: no row appended either
    EXPECT_EQ(dataSet->State(), TDataSetState::dsBrowse);
    EXPECT_EQ(dataSet->RecordCount(), 3);
    EXPECT_FALSE(grid->EditorMode());
    EXPECT_TRUE(answers.texts().isEmpty());

    // Editing by code does not open the editor of a read-only grid.
    dataSet->Edit();
    EXPECT_FALSE(grid->EditorMode());
    dataSet->Cancel();

    grid->SetReadOnly(false);
    grid->SetOptions(grid->Options() & ~dgEditing);
    type(QStringLiteral("x"));
    EXPECT_EQ(dataSet->State(), TDataSetState::dsBrowse);

    grid->SetOptions(grid->Options() | dgEditing);
    grid->Columns()->Items(1)->SetReadOnly(true);  // a read-only column refuses typing as well
    type(QStringLiteral("x"));
    EXPECT_EQ(dataSet->State(), TDataSetState::dsBrowse);
    dataSet->Edit();  // and shows no editor while the row is edited
    EXPECT_FALSE(grid->EditorMode());
    key(Qt::Key_Right);
    EXPECT_TRUE(grid->EditorMode());  // the next column does
    dataSet->Cancel();
    grid->Columns()->Items(1)->SetReadOnly(false);

    grid->SetEnabled(false);
    QTest::keyClicks(grid, QStringLiteral("x"));
    EXPECT_EQ(dataSet->State(), TDataSetState::dsBrowse);

    grid->SetEnabled(true);
    grid->setFocus(Qt::OtherFocusReason);
    type(QStringLiteral("x"));
    EXPECT_EQ(dataSet->State(), TDataSetState::dsEdit);
}

TEST_F(DbGrid, focusControl_focusesTheGridOnTheFieldsColumn) {
    other->setFocus(Qt::OtherFocusReason);
    ASSERT_FALSE(gridHasFocus());
    start->FocusControl();
    EXPECT_TRUE(gridHasFocus());
    EXPECT_EQ(grid->SelectedField(), start);

    // While the row is being edited, the editor opens on that cell and takes the focus.
    dataSet->Edit();
    code->FocusControl();
    EXPECT_TRUE(grid->EditorMode());
    EXPECT_EQ(grid->SelectedField(), code);
    EXPECT_EQ(QApplication::focusWidget(), grid->InplaceEditor()->lineEdit());
}

TEST_F(DbGrid, modelTester_holdsThroughEveryKindOfChange) {
    // The tester (Fatal mode) checks every signal of the model while rows come and go.
    key(Qt::Key_Insert);
    type(QStringLiteral("Nova"));
    key(Qt::Key_Down);
    key(Qt::Key_Escape);
    dataSet->Last();
    dataSet->Delete();
    dataSet->DisableControls();
    dataSet->EmptyDataSet();
    dataSet->EnableControls();
    EXPECT_EQ(grid->model()->rowCount(), 0);
    dataSet->Close();
    name->SetVisible(false);
    dataSet->Open();
    EXPECT_EQ(grid->model()->columnCount(), 2);
    EXPECT_EQ(grid->SelectedIndex(), 0);
}

TEST_F(DbGrid, refusedPost_keepsTheRowTheCursorAndWhatWasTyped) {
    dataSet->BeforePost = [](TClientDataSet*) { throw EDatabaseError(QStringLiteral("Nome recusado.")); };
    clickCell(0, 1);
    type(QStringLiteral("Errado"));
    DialogAnswerer answers;
    answers.answerNext(QMessageBox::Ok);
    key(Qt::Key_Down);
    EXPECT_EQ(answers.texts(), QStringList{QStringLiteral("Nome recusado.")});
    EXPECT_EQ(dataSet->RecNo(), 1);
    EXPECT_EQ(currentRow(), 0);
    EXPECT_EQ(dataSet->State(), TDataSetState::dsEdit);
    EXPECT_EQ(name->AsString(), QStringLiteral("Errado"));  // written into the field before the post
    EXPECT_EQ(text(0, 1), QStringLiteral("Errado"));
    EXPECT_EQ(nameAt(1), QStringLiteral("Abertura"));  // nothing stored
    EXPECT_EQ(dataSet->GetChangeCount(), 0);

    // Without auto-edit, typing does not start editing.
    dataSet->BeforePost = nullptr;
    dataSet->Cancel();
    source->SetAutoEdit(false);
    ASSERT_TRUE(zrm::test::reactivate(grid));
    grid->setFocus(Qt::OtherFocusReason);
    type(QStringLiteral("x"));
    EXPECT_EQ(dataSet->State(), TDataSetState::dsBrowse);
    EXPECT_FALSE(grid->EditorMode());
}
