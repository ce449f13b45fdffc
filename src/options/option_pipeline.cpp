#include "options/option_pipeline.h"

#include "options/app_dir_expansion.h"
#include "options/home_expansion.h"
#include "options/system_path_expansion.h"
#include "options/wildcard_expansion.h"

namespace trellane {

void expandOption(std::string& option, const ExpansionContext& context) {
    expandAppDir(option, context.appDir);
    expandWindowsSystemPath(option, context.primitives->getSystemDirectory);
    expandUserHome(option, context.conventions, context.primitives->getEnv);
    expandClassPathWildcards(option, context.conventions, *context.primitives);
}

}  // namespace trellane
