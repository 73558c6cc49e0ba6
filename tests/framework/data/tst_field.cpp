#include "datasetfixture.h"

#include <cmath>

namespace {

class FieldTest : public ::testing::Test {
protected:
    void SetUp() override {
        data.SetData(phasePacket({phaseRow(1, "0000000004", day(2026, 3, 10), 2.0, "S")}));
        data.Edit();
    }

    std::string convertError(TField* field, const char* text) {
        try {
            field->SetAsString(s(text));
        } catch (const EConvertError& error) {
            return error.Message().toStdString();
        }
        return "no error";
    }

    PhaseDataSet data;
    TField* cd = data.FieldByName(s("CD"));
    TField* dt = data.FieldByName(s("DT"));
    TField* vl = data.FieldByName(s("VL"));
    TField* fl = data.FieldByName(s("FL"));
    TField* id = data.FieldByName(s("ID"));
};

}  // namespace

TEST_F(FieldTest, asString_ofFloatAndDateTime_usesTheScreenFormats) {
    EXPECT_EQ(vl->AsString(), s("2"));
    vl->SetAsFloat(2.5);
    EXPECT_EQ(vl->AsString(), s("2.5"));
    vl->SetAsFloat(-123456789012.0);
    EXPECT_EQ(vl->AsString(), s("-123456789012"));
    EXPECT_EQ(dt->AsString(), s("10/03/2026"));
    dt->SetAsDateTime(QDateTime(QDate(2026, 3, 10), QTime(8, 30)));
    EXPECT_EQ(dt->AsString(), s("10/03/2026 08:30"));
    dt->SetAsDateTime(QDateTime(QDate(2026, 3, 10), QTime(8, 30, 5)));
    EXPECT_EQ(dt->Text(), s("10/03/2026 08:30:05"));
    EXPECT_EQ(id->AsString(), s("1"));
}

TEST_F(FieldTest, setAsString_readsTypedTexts) {
    dt->SetAsString(s("1/2/2026"));
    EXPECT_EQ(dt->AsDateTime(), day(2026, 2, 1));
    dt->SetAsString(s(" 29/02/2024 13:45:10 "));
    EXPECT_EQ(dt->AsDateTime(), QDateTime(QDate(2024, 2, 29), QTime(13, 45, 10)));
    vl->SetAsString(s("2,5"));
    EXPECT_EQ(vl->AsFloat(), 2.5);
    vl->SetAsString(s("-7.25"));
    EXPECT_EQ(vl->AsFloat(), -7.25);
    id->SetAsString(s("42"));
    EXPECT_EQ(id->AsInteger(), 42);
    EXPECT_EQ(cd->AsFloat(), 4.0);  // a text field read as a number
}

TEST_F(FieldTest, setAsString_withBadText_isRefusedNamingTheTextAndKeepsTheValue) {
    EXPECT_EQ(convertError(dt, "31/02/2026"), "'31/02/2026' não é uma data válida.");
    EXPECT_EQ(convertError(dt, "10/03/26"), "'10/03/26' não é uma data válida.");
    EXPECT_EQ(convertError(dt, "10/03/2026 25:00"), "'10/03/2026 25:00' não é uma data válida.");
    EXPECT_EQ(convertError(dt, "__/__/____"), "'__/__/____' não é uma data válida.");
    EXPECT_EQ(convertError(vl, "abc"), "'abc' não é um número válido.");
    EXPECT_EQ(convertError(vl, "1.000,5"), "'1.000,5' não é um número válido.");
    EXPECT_EQ(convertError(vl, "inf"), "'inf' não é um número válido.");
    EXPECT_EQ(convertError(id, "2.5"), "'2.5' não é um número inteiro válido.");
    EXPECT_EQ(dt->AsDateTime(), day(2026, 3, 10));
    EXPECT_EQ(vl->AsFloat(), 2.0);
    EXPECT_EQ(id->AsInteger(), 1);
    EXPECT_THROW(vl->SetAsFloat(std::nan("")), EConvertError);
    EXPECT_THROW(id->SetAsFloat(2.5), EConvertError);
    EXPECT_THROW(dt->SetValue(2.0), EConvertError);
}

TEST_F(FieldTest, emptyText_setsNull_andNullReadsAsZero) {
    for (TField* field : {cd, dt, vl, id}) {
        field->SetAsString(QString());
        EXPECT_TRUE(field->IsNull()) << field->FieldName().toStdString();
        EXPECT_EQ(field->AsString(), QString());
    }
    dt->SetAsString(s("   "));
    EXPECT_TRUE(dt->IsNull());
    EXPECT_EQ(vl->AsFloat(), 0.0);
    EXPECT_EQ(id->AsInteger(), 0);
    EXPECT_EQ(dt->AsDateTime(), TField::ZeroDate());
    EXPECT_TRUE(TField::ZeroDate().isValid());
    EXPECT_LT(TField::ZeroDate(), day(1, 1, 1));
    dt->SetAsDateTime(QDateTime());
    EXPECT_TRUE(dt->IsNull());
}

TEST_F(FieldTest, textLongerThanTheField_isRefused) {
    EXPECT_THROW(fl->SetAsString(s("SN")), EDatabaseError);
    EXPECT_EQ(fl->AsString(), s("S"));
    fl->SetAsString(s("N"));
    EXPECT_EQ(fl->AsString(), s("N"));
    try {
        cd->SetAsString(s("12345678901"));
        FAIL() << "an eleven-character code was accepted";
    } catch (const EDatabaseError& error) {
        EXPECT_EQ(error.Message(),
                  s("'12345678901' é longo demais para o campo Código (no máximo 10 caracteres)."));
    }
    cd->SetAsString(s("😀😀😀😀😀😀😀😀😀😀"));  // ten characters, twenty UTF-16 units
    EXPECT_EQ(cd->AsString().size(), 20);
}

TEST_F(FieldTest, setValue_outsideEditOrInsert_isRefused) {
    data.Cancel();
    EXPECT_THROW(cd->SetAsString(s("1")), EDatabaseError);
    EXPECT_THROW(cd->Clear(), EDatabaseError);
    EXPECT_EQ(cd->AsString(), s("0000000004"));
}

TEST_F(FieldTest, setText_runsOnSetTextInsteadOfTheConversion) {
    QStringList seen;
    dt->OnSetText = [&](TField* sender, const QString& text) {
        seen.append(text);
        sender->SetAsDateTime(day(2030, 1, 1));
    };
    dt->SetText(s("não é data"));
    EXPECT_EQ(seen, QStringList{s("não é data")});
    EXPECT_EQ(dt->AsDateTime(), day(2030, 1, 1));
    vl->SetText(s("3"));
    EXPECT_EQ(vl->AsFloat(), 3.0);
}

TEST_F(FieldTest, presentation_hasDefaultsAndNotifiesLayoutChanges) {
    EventRecorder recorder(&data);
    EXPECT_EQ(cd->DisplayLabel(), s("Código"));
    EXPECT_EQ(vl->DisplayLabel(), s("VL"));
    EXPECT_EQ(cd->DisplayWidth(), 10);
    EXPECT_EQ(fl->DisplayWidth(), 1);
    cd->SetDisplayWidth(7);
    EXPECT_EQ(cd->DisplayWidth(), 7);
    cd->SetEditMask(s("9999999999;0; "));
    EXPECT_EQ(cd->EditMask(), s("9999999999;0; "));
    cd->SetVisible(false);
    EXPECT_FALSE(cd->Visible());
    cd->SetTag(3);
    EXPECT_EQ(cd->Tag(), 3);
    EXPECT_EQ(recorder.notified("LayoutChange:CD"), 3);
    EXPECT_EQ(cd->Index(), 1);
    EXPECT_EQ(data.Field(4), fl);
    EXPECT_EQ(cd->objectName(), s("cdsFaseCD"));
    data.setObjectName(s("cdsAux"));
    EXPECT_EQ(cd->objectName(), s("cdsAuxCD"));
}

TEST_F(FieldTest, fieldByName_ignoresCaseAndNamesAMissingField) {
    EXPECT_EQ(data.FieldByName(s("dt")), dt);
    EXPECT_EQ(data.FindField(s("NADA")), nullptr);
    try {
        data.FieldByName(s("NADA"));
        FAIL();
    } catch (const EDatabaseError& error) {
        EXPECT_EQ(error.Message(), s("O campo 'NADA' não existe em cdsFase."));
    }
    EXPECT_THROW(data.Field(5), EDatabaseError);
}

TEST_F(FieldTest, addField_onAnOpenDataSetOrTwice_isRefused) {
    EXPECT_THROW(data.AddFloatField(s("XX")), EDatabaseError);
    TClientDataSet other;
    other.AddFloatField(s("A"));
    EXPECT_THROW(other.AddStringField(s("a"), 3), EDatabaseError);
    EXPECT_THROW(other.AddStringField(s("B"), 0), EDatabaseError);
    EXPECT_EQ(other.FieldCount(), 1);
}

TEST_F(FieldTest, focusControl_asksTheLinkedControls) {
    EventRecorder recorder(&data);
    data.DisableControls();
    dt->FocusControl();
    data.EnableControls();
    EXPECT_EQ(recorder.notifications.first(), s("FocusControl:DT"));
}

TEST_F(FieldTest, valuesOnInactiveOrEmptyDataSet_areEmpty) {
    PhaseDataSet closed;
    EXPECT_TRUE(closed.FieldByName(s("CD"))->IsNull());
    EXPECT_EQ(closed.FieldByName(s("DT"))->AsDateTime(), TField::ZeroDate());
    closed.CreateDataSet();
    EXPECT_EQ(closed.FieldByName(s("VL"))->AsFloat(), 0.0);
}
