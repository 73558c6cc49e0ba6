#pragma once

// TBtnPesquisa: the search button beside an edit. Pressing it offers the rows of its data source in
// the search window; the user's pick becomes the current row and OnAfterPesq copies what it needs
// into the associated edit. A new button shows the style's search glyph and the hint "Pesquisar"
// until its description gives others.

#include "framework/data/datasource.h"
#include "framework/ui/edit.h"
#include "framework/ui/speedbutton.h"

#include <QPointer>

#include <functional>

// OnBeforePesq(Sender, Continue): runs before the rows are offered, the place to fetch them; setting
// Continue to false ends the search there without a word.
using TBeforePesqEvent = std::function<void(QObject* Sender, bool& Continue)>;

class TBtnPesquisa : public TSpeedButton {
    Q_OBJECT
public:
    explicit TBtnPesquisa(QWidget* parent = nullptr);

    // The edit the search serves. The focus returns after the search to the control that had it; when
    // none had it (the screen was not active), a pick puts the focus on this edit.
    TEdit* Associate() const { return m_associate; }
    void SetAssociate(TEdit* edit) { m_associate = edit; }
    TDataSource* DataSource() const { return m_dataSource; }
    void SetDataSource(TDataSource* source) { m_dataSource = source; }
    // The search window's title.
    const QString& Title() const { return m_title; }
    void SetTitle(const QString& title) { m_title = title; }
    // The error shown when there are no rows to offer.
    const QString& EmptyError() const { return m_emptyError; }
    void SetEmptyError(const QString& text) { m_emptyError = text; }

    // The search, as pressing the button runs it (through the user-action boundary): OnBeforePesq;
    // then, when the data source's dataset has no rows (or is closed), EmptyError in the error box
    // and a silent stop; else the search window over the rows (Pesquisa::Pesquisar). After a pick the
    // picked row is current and OnAfterPesq runs. Throws
    // what the handlers throw, and EAbort after the empty-list error; EDatabaseError when no data
    // source with a dataset is set.
    void Pesquisar();

    TBeforePesqEvent OnBeforePesq;
    TNotifyEvent OnAfterPesq;

private:
    QPointer<TEdit> m_associate;
    QPointer<TDataSource> m_dataSource;
    QString m_title;
    QString m_emptyError;
};
