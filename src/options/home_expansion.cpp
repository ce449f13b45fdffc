#include "options/home_expansion.h"

namespace trellane {

void expandUserHome(std::string& option, const PathConventions& conventions, EnvLookup getEnv) {
    (void)option;
    (void)conventions;
    (void)getEnv;  // PENDING
}

}  // namespace trellane
