#pragma once

// What the dataset tests share: a small phase-like dataset and a recorder of every event and
// notification, so a test can say exactly what fired and in which order.

#include "framework/data/clientdataset.h"
#include "framework/data/datasource.h"
#include "framework/data/exceptions.h"

#include <QStringList>

#include <gtest/gtest.h>

#include <ostream>

// Readable QStrings in failure messages.
inline void PrintTo(const QString& text, std::ostream* out) {
    *out << '"' << text.toStdString() << '"';
}

inline QString s(const char* text) {
    return QString::fromUtf8(text);
}

inline QDateTime day(int y, int m, int d) {
    return QDateTime(QDate(y, m, d), QTime(0, 0));
}

// Fields ID (integer), CD (text 10), DT (date-time), VL (float), FL (flag).
inline zrm::DataPacket phasePacket(const QList<zrm::Row>& rows) {
    zrm::DataPacket packet;
    packet.fields = {{s("ID"), zrm::FieldType::Integer, 0},
                     {s("CD"), zrm::FieldType::String, 10},
                     {s("DT"), zrm::FieldType::DateTime, 0},
                     {s("VL"), zrm::FieldType::Float, 0},
                     {s("FL"), zrm::FieldType::String, 1}};
    packet.rows = rows;
    return packet;
}

inline zrm::Row phaseRow(qint64 id, const char* code, const QVariant& date,
                         const QVariant& value = QVariant(), const char* flag = "N") {
    return {id, s(code), date, value, s(flag)};
}

class EventRecorder : public TDataLink {
public:
    explicit EventRecorder(TClientDataSet* dataSet) {
        const std::pair<TDataSetNotifyEvent*, const char*> events[] = {
            {&dataSet->BeforeOpen, "BeforeOpen"},     {&dataSet->AfterOpen, "AfterOpen"},
            {&dataSet->BeforeClose, "BeforeClose"},   {&dataSet->AfterClose, "AfterClose"},
            {&dataSet->BeforeInsert, "BeforeInsert"}, {&dataSet->AfterInsert, "AfterInsert"},
            {&dataSet->BeforeEdit, "BeforeEdit"},     {&dataSet->AfterEdit, "AfterEdit"},
            {&dataSet->BeforePost, "BeforePost"},     {&dataSet->AfterPost, "AfterPost"},
            {&dataSet->BeforeCancel, "BeforeCancel"}, {&dataSet->AfterCancel, "AfterCancel"},
            {&dataSet->BeforeDelete, "BeforeDelete"}, {&dataSet->AfterDelete, "AfterDelete"},
            {&dataSet->BeforeScroll, "BeforeScroll"}, {&dataSet->AfterScroll, "AfterScroll"},
            {&dataSet->OnNewRecord, "OnNewRecord"},
        };
        for (const auto& [event, name] : events) {
            const QString text = s(name);
            *event = [this, text](TClientDataSet*) {
                log.append(text);
                if (text == failing)
                    Abort();
            };
        }
        source.SetDataSet(dataSet);
        source.addLink(this);
    }
    ~EventRecorder() override { source.removeLink(this); }

    void dataEvent(TDataEvent event, TField* field) override {
        static const char* const names[] = {"FieldChange",  "RecordChange", "DataSetChange", "DataSetScroll",
                                            "LayoutChange", "UpdateState",  "UpdateRecord",  "FocusControl"};
        notifications.append(s(names[int(event)]) +
                             (field ? QLatin1Char(':') + field->FieldName() : QString()));
    }
    // A row change is logged as the DataSetChange a plain control hears, and with its places in
    // rowChanges: "+1" inserted at 1, "-1" removed from 1, "0>2" moved from 0 to 2.
    void rowChange(const TRowChange& change) override {
        switch (change.kind) {
            case TRowChange::Kind::Inserted:
                rowChanges.append(QStringLiteral("+%1").arg(change.row));
                break;
            case TRowChange::Kind::Removed:
                rowChanges.append(QStringLiteral("-%1").arg(change.row));
                break;
            case TRowChange::Kind::Moved:
                rowChanges.append(QStringLiteral("%1>%2").arg(change.row).arg(change.to));
                break;
        }
        TDataLink::rowChange(change);
    }

    int count(const char* name) const { return int(log.count(s(name))); }
    int notified(const char* name) const { return int(notifications.count(s(name))); }
    int afterEvents() const {
        return int(
            std::count_if(log.begin(), log.end(), [](const QString& e) { return e.startsWith(s("After")); }));
    }
    void clear() {
        log.clear();
        notifications.clear();
        rowChanges.clear();
    }

    QStringList log;
    QStringList notifications;
    QStringList rowChanges;
    QString failing;  // the event whose handler aborts
    TDataSource source;
};

// A dataset with the phase fields, optionally indexed by DT, loaded with rows.
class PhaseDataSet : public TClientDataSet {
public:
    explicit PhaseDataSet(bool indexed = true) {
        setObjectName(s("cdsFase"));
        AddIntegerField(s("ID"));
        AddStringField(s("CD"), 10)->SetDisplayLabel(s("Código"));
        AddDateTimeField(s("DT"))->SetDisplayLabel(s("Data Inicio"));
        AddFloatField(s("VL"));
        AddStringField(s("FL"), 1);
        if (indexed) {
            AddIndex(s("Ordena"), s("DT;"));
            SetIndexName(s("Ordena"));
        }
    }

    // The ID column of every row, in the dataset's order, without moving the cursor.
    QList<qint64> ids() const {
        QList<qint64> result;
        for (const zrm::Row& row : GetData().rows)
            result.append(row.at(0).toLongLong());
        return result;
    }
    QString cd() const { return FieldByName(s("CD"))->AsString(); }
};
