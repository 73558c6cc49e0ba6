// The flag column of the permission grid drawn as check boxes.

#include "framework/data/clientdataset.h"
#include "framework/ui/dbgrid.h"
#include "framework/ui/dbgridcanvas.h"
#include "framework/ui/image.h"
#include "modules/zrm71300/permissions/monthflags.h"
#include "modules/zrm71300/screen/frmcalendorc.h"

#include <QRect>

namespace {

// The images' background, which takes the cell's colour.
const QColor Olive(128, 128, 0);

}  // namespace

void TfrmCalendOrc::dbgPermCalcDrawColumnCell(QObject*, const QRect& Rect, int, TColumn* Column,
                                              TGridDrawState) {
    if (cdsPermCalc->IsEmpty() || !Column || Column->FieldName() != QLatin1String("IDPERMES"))
        return;
    const bool permitted = dbgPermCalc->CellText(Column) == MonthFlags::Yes;
    const QPixmap bitmap = (permitted ? imgCheck : imgUncheck)->Picture();
    TCanvas* canvas = dbgPermCalc->Canvas();
    // The brush holds the colour the grid chose for this cell (the highlight when it is selected);
    // filling with it erases the flag's text. The image keeps its place whatever the column width.
    canvas->FillRect(Rect);
    canvas->BrushCopy(QRect(Rect.left() + 17, Rect.top() + 1, bitmap.width(), Rect.height()), bitmap,
                      QRect(0, 0, bitmap.width(), Rect.height()), Olive);
}
