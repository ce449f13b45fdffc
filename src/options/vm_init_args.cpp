#include "options/vm_init_args.h"

#include <cstdio>


namespace trellane {

void buildVmInitArgs(JavaVMInitArgs& initArgs, StringList& options,
                     const ExpansionContext& context, bool dump) {
    // Handed to the JVM for the life of the process and never freed: the process ends instead.
    JavaVMOption* vmOptions = new JavaVMOption[options.size()];
    for (size_t i = 0; i < options.size(); ++i) {
        expandOption(options[i], context);
        vmOptions[i].optionString = const_cast<char*>(options[i].c_str());
        vmOptions[i].extraInfo = nullptr;
        if (dump) std::fprintf(stderr, "JVM arg %d: %s\n", static_cast<int>(i), options[i].c_str());
    }
    initArgs.nOptions = static_cast<jint>(options.size());
    initArgs.options = vmOptions;
}

}  // namespace trellane
