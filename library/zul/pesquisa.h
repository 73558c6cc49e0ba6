#pragma once

// Pesquisa: the search window over the rows of a data source, from which the user picks one.

#include <QString>

class TDataSource;

namespace Pesquisa {

// Opens the modal search window over the rows of dataSource's dataset. text is "Título|Texto": the
// window's title and the prompt shown in its filter box (the title alone when there is no "|").
// With reportEmpty true, a closed or empty dataset shows "Não há registros para pesquisar." in the
// error box and stops (EAbort); with false it just returns false. With selectCurrent true the window
// opens on the dataset's current row, else on the first. Returns true when the user picked a row,
// which is then the current row (moving there fires the dataset's scroll events; what they throw
// passes to the caller); false when the user cancelled, and the cursor has not moved. The input focus
// returns afterwards to the widget that had it. Throws EDatabaseError when dataSource has no dataset.
bool Pesquisar(TDataSource* dataSource, const QString& text, bool reportEmpty = false,
               bool selectCurrent = true);

}  // namespace Pesquisa
