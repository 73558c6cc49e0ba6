#include "library/zul/consiste.h"

#include "framework/data/datasource.h"
#include "framework/ui/boundary.h"
#include "framework/ui/dbgrid.h"
#include "framework/ui/formresources.h"
#include "library/zul/showavi.h"

#include <QApplication>
#include <QDate>
#include <QWidget>

#include <algorithm>

namespace Consiste {

namespace {

bool holdsLetterOrDigit(const QString& text) {
    return std::ranges::any_of(text, [](QChar c) { return c.isLetterOrNumber(); });
}

QWidget* errorBoxParent() {
    if (QWidget* modal = QApplication::activeModalWidget())
        return modal;
    return QApplication::activeWindow();
}

[[noreturn]] void report(const QString& message, bool showMessage) {
    if (!showMessage)
        throw Exception(message);
    MensErro(message, true);
    Abort();  // not reached: MensErro with stop true throws
}

// The packets the connection decoded from the answer, checked for their number.
TRemoteData decode(const TRemoteResult& result, int minPackets) {
    if (!result.unreadable.isEmpty())
        throw zrm::PacketError(result.unreadable);
    if (result.isList) {
        if (result.packets.size() < minPackets)
            throw zrm::PacketError(zrm::ui::FormResources::translate(
                                       QStringLiteral("eram esperados %1 pacotes de dados e vieram %2."))
                                       .arg(minPackets)
                                       .arg(result.packets.size()));
        return TRemoteData::array(result.packets);
    }
    if (minPackets > 1)
        throw zrm::PacketError(zrm::ui::FormResources::translate(
                                   QStringLiteral("eram esperados %1 pacotes de dados e veio um só."))
                                   .arg(minPackets));
    if (result.packets.size() != 1)
        throw zrm::PacketError(
            zrm::ui::FormResources::translate(QStringLiteral("a resposta não trouxe o pacote de dados.")));
    return TRemoteData::packet(result.packets.first());
}

}  // namespace

void MensErro(const QString& text, bool stop) {
    Showavi::DeactiveShowAvi();
    zrm::ui::showErrorBox(errorBoxParent(), text);
    if (stop)
        Abort();
}

QString FailureMessage(const TRemoteResult& result) {
    if (result.transient) {
        const QString advice = zrm::ui::FormResources::translate(
            QStringLiteral("O servidor de aplicação não respondeu. Tente novamente."));
        return result.message.isEmpty() ? advice : advice + QStringLiteral("\n\n") + result.message;
    }
    if (result.message.isEmpty())
        return zrm::ui::FormResources::translate(
                   QStringLiteral("O servidor de aplicação recusou a operação (código %1)."))
            .arg(result.code);
    return result.message;
}

TRemoteData CheckResultServ(const TRemoteResult& result, bool showMessage, int minPackets) {
    if (!result.ok)
        report(FailureMessage(result), showMessage);
    try {
        return decode(result, minPackets);
    } catch (const zrm::PacketError& error) {
        report(zrm::ui::FormResources::translate(
                   QStringLiteral("A resposta do servidor de aplicação não pôde ser lida: %1"))
                   .arg(error.message()),
               showMessage);
    }
}

QString GridText(TDBGrid* grid, const QString& fieldName, bool trim) {
    TDataSource* source = grid->DataSource();
    TClientDataSet* dataSet = source ? source->DataSet() : nullptr;
    if (!dataSet)
        throw EDatabaseError(zrm::ui::FormResources::translate(
                                 QStringLiteral("A grade %1 não está ligada a um conjunto de dados."))
                                 .arg(grid->objectName()));
    TField* field = dataSet->FieldByName(fieldName);
    QString text =
        grid->InplaceEditor() && grid->SelectedField() == field ? grid->InplaceEditorText() : field->Text();
    if (!field->EditMask().isEmpty() && !holdsLetterOrDigit(text))
        text.clear();
    return trim ? text.trimmed() : text;
}

bool EmptyString(const QString& text) {
    return text.trimmed().isEmpty();
}

QString Ajusta(const QString& text, int width) {
    QString code = text.trimmed();
    if (code.isEmpty())
        return code;
    return code.rightJustified(width, u'0');
}

int IndiceCol(TDBGrid* grid, const QString& fieldName) {
    const TColumn* column = grid->Columns()->FindByFieldName(fieldName);
    return column ? column->Index() : -1;
}

QString DateMask() {
    return QStringLiteral("!99/99/9999;1;_");
}

QDateTime StrToDate(const QString& text) {
    const QDate date = QDate::fromString(text.trimmed(), QStringLiteral("dd/MM/yyyy"));
    if (!date.isValid())
        throw EConvertError(
            zrm::ui::FormResources::translate(QStringLiteral("'%1' não é uma data válida.")).arg(text));
    return date.startOfDay();
}

void DateSetText(TField* field, const QString& text) {
    bool hasDigit = false;
    for (const QChar c : text)
        hasDigit = hasDigit || c.isDigit();
    if (!hasDigit) {
        field->Clear();
        return;
    }
    field->SetAsDateTime(StrToDate(text));
}

}  // namespace Consiste
