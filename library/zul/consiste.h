#pragma once

// Consiste: the checks and conversions every screen uses — the error box that stops an operation,
// the check of a remote call's result, the text a grid shows for a field, codes, dates and masks.

#include "framework/remote/remoteresult.h"
#include "library/zul/remotedata.h"

#include <QDateTime>
#include <QString>

class TDBGrid;
class TField;

namespace Consiste {

// Shows text in the error box (hiding the busy indicator first, so the box is not covered by it).
// With stop true it then throws EAbort, which silently stops the running operation: the rest of
// the handler does not run and a post, insert, edit or delete that called it is cancelled. With stop
// false it returns after the box is closed.
void MensErro(const QString& text, bool stop = true);

// Checks the raw result of a remote call and returns the data to load: the packet, or the packets
// of an array answer. A failed result is reported — the server's own message for a definitive
// failure, "O servidor de aplicação não respondeu. Tente novamente." (and the detail) for a
// transient one — and so is an answer that is not a packet or an array of packets, or an array of
// fewer than minPackets packets (0: any number). With showMessage true the report is the error box
// followed by EAbort (as MensErro); with false an Exception carrying the same message is thrown,
// for the caller or the user-action boundary to handle. Nothing is loaded anywhere in either case.
TRemoteData CheckResultServ(const TRemoteResult& result, bool showMessage = true, int minPackets = 0);

// The message CheckResultServ reports for a failed result.
QString FailureMessage(const TRemoteResult& result);

// The text grid shows for fieldName in its current row: what is being typed when the cell editor of
// that field is open, else the field's text. A masked text holding no letter or digit ("__/__/____")
// is empty. With trim true, blanks at both ends are removed. Throws EDatabaseError when the grid has
// no dataset or the dataset no such field.
QString GridText(TDBGrid* grid, const QString& fieldName, bool trim = false);

// True when text holds no value: empty or only blanks.
bool EmptyString(const QString& text);

// text without surrounding blanks, left-padded with zeros to width characters ("123", 10 →
// "0000000123"). Text already as long or longer is returned as it is; empty text stays empty.
QString Ajusta(const QString& text, int width);

// The index in grid's columns of the first column bound to fieldName (case ignored); -1 when none.
int IndiceCol(TDBGrid* grid, const QString& fieldName);

// The edit mask of date fields: the short date dd/mm/yyyy, literals kept, "_" for blanks.
QString DateMask();

// The date that text (dd/mm/yyyy, blanks around it ignored) names, at midnight. Throws EConvertError
// naming the text ("'31/02/2026' não é uma data válida.") for anything else: an empty text, a date
// that does not exist, a mask typed only in part.
QDateTime StrToDate(const QString& text);

// Gives field the date that text (dd/mm/yyyy) names, at midnight. Text holding no digit (empty, or
// only the mask's literals and blanks) clears the field. Throws EConvertError ("'31/02/2026' não é
// uma data válida.") for anything else, leaving the field unchanged; EDatabaseError when the dataset
// is not being edited.
void DateSetText(TField* field, const QString& text);

}  // namespace Consiste
