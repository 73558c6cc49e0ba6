// Every method of the calendar module on arbitrary parameters (see callWithFuzzedParams).

#include "fuzz/fuzzserver.h"

#include <array>
#include <string_view>

namespace {

constexpr std::array<std::string_view, 10> Methods = {
    "GetCalendOrcOp", "GetVersao",   "GetFaseOrc",     "ValCiclo",         "GetValDateBloq",
    "GetDateBloq",    "BloqDelFase", "SetCalendOrcOp", "GetHistCalendOrc", "NoSuchMethod"};

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    zrm::fuzz::calendarModule();  // the database is made before the first input, not during it
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    zrm::fuzz::callWithFuzzedParams(zrm::fuzz::calendarModule(), Methods, data, size);
    return 0;
}
