// The bootstrap flavour of the Apache module, chosen by the platform it is built for.
#pragma once

#include "jvm_bootstrap.h"

inline const BootstrapRules &module_rules() {
#ifdef _WIN32
  return windowsModuleRules;
#else
  return linuxModuleRules;
#endif
}
