// TMessages: texts by exact key.

#include "framework/data/exceptions.h"
#include "library/zul/messages.h"

#include <gtest/gtest.h>

namespace {

void fill(TMessages& messages) {
    messages.setObjectName(QStringLiteral("msgPadrao"));
    messages.SetEntries({QStringLiteral("Ver_Cad|Versão não cadastrada."),
                         QStringLiteral("ver_Inf|Versão deve ser informada."),
                         QStringLiteral("BloqAltFase|Fase não pode ser alterada enquanto estiver em uso.  "),
                         QStringLiteral("BloqDel_Conc|Não é permitida a exclusão de uma fase concluída;"),
                         QStringLiteral("1|Janeiro"), QStringLiteral("12|Dezembro"),
                         QStringLiteral("Barra|a|b"), QStringLiteral("1|Repetida")});
}

TEST(TMessages, msg_returnsTheTextOfTheExactKey) {
    TMessages messages;
    fill(messages);
    EXPECT_EQ(messages.Msg(QStringLiteral("Ver_Cad")), QStringLiteral("Versão não cadastrada."));
    EXPECT_EQ(messages.Msg(QStringLiteral("ver_Inf")), QStringLiteral("Versão deve ser informada."));
    EXPECT_EQ(messages.Msg(QStringLiteral("BloqAltFase")),
              QStringLiteral("Fase não pode ser alterada enquanto estiver em uso.  "));
    EXPECT_EQ(messages.Msg(QStringLiteral("BloqDel_Conc")),
              QStringLiteral("Não é permitida a exclusão de uma fase concluída;"));
    EXPECT_EQ(messages.Msg(QStringLiteral("12")), QStringLiteral("Dezembro"));
    EXPECT_EQ(messages.Msg(QStringLiteral("Barra")), QStringLiteral("a|b"));
    EXPECT_EQ(messages.Msg(QStringLiteral("1")), QStringLiteral("Janeiro"));  // the first of equal keys
}

TEST(TMessages, msg_ofAMissingKeyIsAFaultNamingIt) {
    TMessages messages;
    fill(messages);
    for (const QString& key : {QStringLiteral("ver_cad"), QStringLiteral("Ver_Inf"), QStringLiteral("01"),
                               QStringLiteral(" 1"), QString()}) {
        EXPECT_FALSE(messages.Contains(key));
        try {
            messages.Msg(key);
            ADD_FAILURE() << "found " << key.toStdString();
        } catch (const Exception& error) {
            EXPECT_TRUE(error.Message().contains(u'"' + key + u'"')) << error.Message().toStdString();
            EXPECT_TRUE(error.Message().contains(QStringLiteral("msgPadrao")));
        }
    }
}

TEST(TMessages, setEntries_refusesAnEntryWithoutKeyAndKeepsTheTable) {
    TMessages messages;
    fill(messages);
    const QStringList before = messages.Entries();
    EXPECT_THROW(messages.SetEntries({QStringLiteral("A|a"), QStringLiteral("sem barra")}), EDatabaseError);
    EXPECT_THROW(messages.SetEntries({QStringLiteral("|sem chave")}), EDatabaseError);
    EXPECT_EQ(messages.Entries(), before);
    EXPECT_EQ(messages.Count(), 8);
}

}  // namespace
