#pragma once

// The user's texts of the layers beneath the widgets (connection failures, values that do not
// convert) in the user's language. These layers hold their texts in Portuguese and do not know where
// translations live: the form resources (framework/ui/formresources.h) install the lookup of the
// language resource when one is installed, and until then every text stays as built in.

#include <QString>

namespace zrm {

// Looks up the translation of a built-in text; returns the built-in text when it has none.
using UserTextLookup = QString (*)(const QString& builtIn);

// Makes lookup the translation of every later userText; nullptr restores the built-in texts.
void setUserTextLookup(UserTextLookup lookup);

// The user's text for builtIn, a Portuguese text (with its %1 … placeholders, filled in afterwards).
// Never fails.
QString userText(const QString& builtIn);

}  // namespace zrm
