#include "options/system_path_expansion.h"

namespace trellane {

void expandWindowsSystemPath(std::string& option, SystemDirectoryQuery getSystemDirectory) {
    (void)option;
    (void)getSystemDirectory;  // PENDING: the user-options work fills this in
}

}  // namespace trellane
