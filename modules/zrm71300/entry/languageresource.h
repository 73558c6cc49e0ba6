#pragma once

// The package's language resource module: a resource file for the user's language lying next to the
// package file ("Pkg_Zrm71300.en.rcc" beside "libPkg_Zrm71300.so"), whose form descriptions and
// texts take the built-in Portuguese ones' place.

namespace LanguageResource {

// Installs the resource module of the host's language setting (ZRM_LANGUAGE or the host's settings
// file) when one lies next to the package file; with no language chosen, or no such file, the
// built-in resources serve. Never fails.
void Install();

// Removes the resource modules installed. Never fails.
void Remove();

}  // namespace LanguageResource
