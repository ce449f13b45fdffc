#include "options/user_options.h"

namespace trellane {

void mergeUserJvmOptions(LaunchConfig& config) {
    (void)config;  // PENDING
}

}  // namespace trellane
