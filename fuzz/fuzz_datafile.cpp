// The data-file import on arbitrary bytes. Whatever parses must write back to a file that parses to
// the same content, and is then imported into a database (replacing what it held), where references
// between records are checked; the import either loads the file or refuses it with a message.

#include "fuzz/fuzzsupport.h"
#include "server/datafile/datafile.h"
#include "server/datafile/datafilecontent.h"
#include "server/storage/storeerror.h"

#include <QFile>
#include <QTemporaryDir>

namespace {

struct ImportPlace {
    QTemporaryDir folder;
    QString file = folder.filePath(QStringLiteral("dados.json"));
    QString url = QStringLiteral("sqlite:") + folder.filePath(QStringLiteral("fuzz.sqlite"));
};

const ImportPlace& importPlace() {
    static const ImportPlace place;
    zrm::fuzz::require(place.folder.isValid(), "a temporary folder for the import");
    return place;
}

void import(const QByteArray& file) {
    const ImportPlace& place = importPlace();
    QFile out(place.file);
    zrm::fuzz::require(out.open(QIODevice::WriteOnly | QIODevice::Truncate) && out.write(file) == file.size(),
                       "the data file is written");
    out.close();
    try {
        zrm::server::importDataFile(place.url, place.file, true);
    } catch (const zrm::server::DataFileError& error) {
        zrm::fuzz::require(!error.message().isEmpty(), "a refused import is explained");
    } catch (const zrm::server::StoreError& error) {
        zrm::fuzz::require(!QString::fromUtf8(error.what()).isEmpty(), "a refused import is explained");
    }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    importPlace();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    zrm::server::DataFileContent content;
    try {
        content = zrm::server::parseDataFile(zrm::fuzz::bytesOf(data, size));
    } catch (const zrm::server::DataFileError& error) {
        zrm::fuzz::require(!error.message().isEmpty(), "a refused file is explained");
        return 0;
    }
    const QByteArray written = zrm::server::writeDataFile(content);
    try {
        const QByteArray again = zrm::server::writeDataFile(zrm::server::parseDataFile(written));
        zrm::fuzz::require(again == written, "a written file reads back the same",
                           QString::fromUtf8(written + "\n" + again));
    } catch (const zrm::server::DataFileError& error) {
        zrm::fuzz::fault("a written file parses",
                         error.message() + QLatin1Char('\n') + QString::fromUtf8(written));
    }
    import(written);
    return 0;
}
