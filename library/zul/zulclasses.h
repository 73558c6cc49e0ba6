#pragma once

// The utility library's component classes for form descriptions: TMessages, TPageControl98,
// TNetConnection and TBtnPesquisa.

namespace zrm::ui {
class ComponentRegistry;
}

namespace zrm::zul {

// Adds the library's classes to registry. Throws FormLoadError when a framework class they build on
// (TPageControl, TSpeedButton) is missing from it.
void registerLibraryClasses(zrm::ui::ComponentRegistry& registry);

// Adds the library's classes to the standard registry, once per process; what every screen built on
// the library calls before loading its description. Never fails after the first success.
void ensureLibraryClassesRegistered();

}  // namespace zrm::zul
