// The rules of a phase catalogue row before it is sent: each case a row as typed, the row as it is
// stored, and the refusal (field and message key) it meets, if any.

#include "modules/zrm71300/phases/catalogueentry.h"

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

using phasecatalogue::Entry;
using phasecatalogue::normalise;

namespace {

struct EntryCase {
    const char* label;
    Entry typed;
    Entry stored;
    const char* field;  // "" when the row breaks no rule
    const char* key;
};

const QString Hundred(100, u'x');

class CatalogueEntryTest : public ::testing::TestWithParam<EntryCase> {};

TEST_P(CatalogueEntryTest, normalise_storesTheRowAndNamesTheFirstRuleBroken) {
    const EntryCase& c = GetParam();
    Entry entry = c.typed;
    const phasecatalogue::Refusal refusal = normalise(entry);
    EXPECT_EQ(refusal.field.toStdString(), c.field);
    EXPECT_EQ(refusal.key.toStdString(), c.key);
    EXPECT_EQ(entry.code.toStdString(), c.stored.code.toStdString());
    EXPECT_EQ(entry.name.toStdString(), c.stored.name.toStdString());
    EXPECT_EQ(entry.calculation.toStdString(), c.stored.calculation.toStdString());
    EXPECT_EQ(entry.blocked.toStdString(), c.stored.blocked.toStdString());
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(
    Rows, CatalogueEntryTest,
    ::testing::Values(
        EntryCase{"shortCodePadded", {u"7"_s, u"Auditoria"_s, u"S"_s, u"N"_s}, {u"0000000007"_s, u"Auditoria"_s, u"S"_s, u"N"_s}, "", ""},
        EntryCase{"tenDigitsKept", {u"1234567890"_s, u"X"_s, u"N"_s, u"S"_s}, {u"1234567890"_s, u"X"_s, u"N"_s, u"S"_s}, "", ""},
        EntryCase{"blanksAroundTrimmed", {u" 12 "_s, u"  Revisão final  "_s, u" s"_s, u"n "_s},
                  {u"0000000012"_s, u"Revisão final"_s, u"S"_s, u"N"_s}, "", ""},
        EntryCase{"emptyFlagsAreNo", {u"3"_s, u"Fase"_s, u""_s, u" "_s}, {u"0000000003"_s, u"Fase"_s, u"N"_s, u"N"_s}, "", ""},
        EntryCase{"nameOfHundredCharacters", {u"3"_s, Hundred, u"N"_s, u"N"_s}, {u"0000000003"_s, Hundred, u"N"_s, u"N"_s}, "", ""},
        EntryCase{"emptyCode", {u"  "_s, u"Fase"_s, u"N"_s, u"N"_s}, {u""_s, u"Fase"_s, u"N"_s, u"N"_s}, "CDFASEORCOPERAC", "CodFase_Inf"},
        EntryCase{"letterInCode", {u"12a"_s, u"Fase"_s, u"N"_s, u"N"_s}, {u"12a"_s, u"Fase"_s, u"N"_s, u"N"_s}, "CDFASEORCOPERAC",
                  "CodFase_Digitos"},
        EntryCase{"signedCode", {u"-1"_s, u"Fase"_s, u"N"_s, u"N"_s}, {u"-1"_s, u"Fase"_s, u"N"_s, u"N"_s}, "CDFASEORCOPERAC",
                  "CodFase_Digitos"},
        EntryCase{"elevenDigits", {u"12345678901"_s, u"Fase"_s, u"N"_s, u"N"_s}, {u"12345678901"_s, u"Fase"_s, u"N"_s, u"N"_s},
                  "CDFASEORCOPERAC", "CodFase_Digitos"},
        EntryCase{"blankName", {u"4"_s, u"   "_s, u"N"_s, u"N"_s}, {u"0000000004"_s, u""_s, u"N"_s, u"N"_s}, "NMFASEORCOPERAC",
                  "NomeFase_Inf"},
        EntryCase{"nameTooLong", {u"4"_s, Hundred + u'y', u"N"_s, u"N"_s}, {u"0000000004"_s, Hundred + u'y', u"N"_s, u"N"_s},
                  "NMFASEORCOPERAC", "NomeFase_Tam"},
        EntryCase{"calculationNeitherSNorN", {u"4"_s, u"Fase"_s, u"X"_s, u"N"_s}, {u"0000000004"_s, u"Fase"_s, u"X"_s, u"N"_s},
                  "IDFASECALCORCA", "Marca_Invalida"},
        EntryCase{"blockedNeitherSNorN", {u"4"_s, u"Fase"_s, u"S"_s, u"sim"_s}, {u"0000000004"_s, u"Fase"_s, u"S"_s, u"SIM"_s},
                  "IDBLOQFASEORCA", "Marca_Invalida"},
        EntryCase{"codeBeforeName", {u""_s, u""_s, u"X"_s, u"X"_s}, {u""_s, u""_s, u"X"_s, u"X"_s}, "CDFASEORCOPERAC", "CodFase_Inf"}),
    [](const ::testing::TestParamInfo<EntryCase>& testCase) { return std::string(testCase.param.label); });
// clang-format on

}  // namespace
