// The form-description loader on arbitrary bytes: the description is parsed, merged onto itself as
// a descendant would be, and loaded into a fresh screen with the framework's and the library's
// component classes. A description is loaded or refused with a FormLoadError that names what is
// wrong; nothing else may escape.

#include "framework/ui/form.h"
#include "framework/ui/formdescription.h"
#include "framework/ui/formloader.h"
#include "framework/ui/handlertable.h"
#include "fuzz/fuzzsupport.h"
#include "library/zul/zulclasses.h"

#include <QApplication>

#include <memory>

// The signature is the fuzzing engine's; QApplication keeps argc by reference, so it stays non-const.
extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {  // NOLINT(readability-non-const-parameter)
    qputenv("QT_QPA_PLATFORM", "offscreen");
    // Never destroyed: the widgets' thread storage must outlive every input, to the end of the process.
    static const QApplication* const application = new QApplication(*argc, *argv);
    Q_UNUSED(application);
    zrm::zul::ensureLibraryClassesRegistered();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    try {
        const zrm::ui::FormDescription parsed =
            zrm::ui::FormDescription::parse(zrm::fuzz::bytesOf(data, size), QStringLiteral("fuzz.form.json"));
        const zrm::ui::FormDescription merged = parsed.mergedWith(parsed);
        const auto form = std::make_unique<TForm>();
        zrm::ui::FormLoader(form.get()).load(merged);
    } catch (const zrm::ui::FormLoadError& error) {
        zrm::fuzz::require(!error.Message().isEmpty(), "a refused description is explained");
    }
    return 0;
}
