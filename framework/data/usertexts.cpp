#include "framework/data/usertexts.h"

namespace zrm {

namespace {

UserTextLookup installedLookup = nullptr;

}  // namespace

void setUserTextLookup(UserTextLookup lookup) {
    installedLookup = lookup;
}

QString userText(const QString& builtIn) {
    return installedLookup ? installedLookup(builtIn) : builtIn;
}

}  // namespace zrm
