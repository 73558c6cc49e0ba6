#include "framework/ui/componentregistry.h"

namespace zrm::ui {

void registerPlainControlClasses(ComponentRegistry&) {}

}  // namespace zrm::ui
