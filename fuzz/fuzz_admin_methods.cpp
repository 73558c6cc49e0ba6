// Every method of the calendar's administration module on arbitrary parameters (see
// callWithFuzzedParams).

#include "fuzz/fuzzserver.h"

#include <array>
#include <string_view>

namespace {

constexpr std::array<std::string_view, 12> Methods = {
    "GetVersoesAno", "NovaVersao",  "SetDescVersao", "ExcluiVersao",      "GetCiclo",        "SetCiclo",
    "GetFasesCad",   "SetFasesCad", "GetConclusoes", "RegistraConclusao", "RetiraConclusao", "NoSuchMethod"};

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    zrm::fuzz::adminModule();  // the database is made before the first input, not during it
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    zrm::fuzz::callWithFuzzedParams(zrm::fuzz::adminModule(), Methods, data, size);
    return 0;
}
