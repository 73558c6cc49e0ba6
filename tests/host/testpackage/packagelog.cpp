#include "tests/host/testpackage/packagelog.h"

#include <QFile>

namespace zrm::testpackage {

void logCall(const QString& line) {
    const QString path = qEnvironmentVariable(logVariable);
    if (path.isEmpty()) {
        return;
    }
    QFile file(path);
    if (file.open(QIODevice::Append | QIODevice::Text)) {
        file.write(line.toUtf8() + '\n');
    }
}

bool shouldFail(const char* entry) {
    return qEnvironmentVariable(failVariable) == QLatin1String(entry);
}

}  // namespace zrm::testpackage
