#include "hosting/launch_sequence.h"

#include <jni.h>

#include <cstdlib>

#include "common/command_line.h"
#include "common/fail_fatal.h"
#include "config/launch_config.h"
#include "hosting/argument_array.h"
#include "hosting/bootstrap.h"
#include "hosting/exception_report.h"
#include "hosting/instance_delivery.h"
#include "hosting/jvm_exit.h"
#include "hosting/updater_natives.h"
#include "options/command_option.h"
#include "options/install_root.h"
#include "options/user_options.h"
#include "options/vm_init_args.h"
#include "platform/platform.h"

namespace trellane {

namespace {

// The expansions of this launch: the platform's primitives and TRELLANE_DUMP_JVM_ARGS.
void buildLaunchVmInitArgs(JavaVMInitArgs& initArgs, const std::string& installRoot) {
    const PathConventions& conventions = platform::pathConventions();
    const OptionPrimitives& primitives = platform::optionPrimitives();
    ExpansionContext context{appDirOf(installRoot, conventions.dirSeparator), conventions,
                             &primitives};
    bool dump = primitives.getEnv("TRELLANE_DUMP_JVM_ARGS") != nullptr;
    buildVmInitArgs(initArgs, launchConfig.jvmOptions, context, dump);
}

}  // namespace

void runLaunchSequence() {
    LaunchConfig& config = launchConfig;
    const int argumentCount = recordedCommandLine.argumentCount - 1;
    const char* const* arguments = recordedCommandLine.arguments + 1;

    config.jvmOptions.push_back(buildCommandOption(argumentCount, arguments, config));
    mergeUserJvmOptions(config);

    const std::string installRoot = computeInstallRoot();
    platform::setEnv("_ALT_JAVA_HOME_DIR", installRoot.c_str());
    // The application's JVM takes its options from the launch configuration alone, and the
    // processes it starts must not inherit somebody else's either.
    platform::removeEnv("_JAVA_OPTIONS");
    platform::removeEnv("JDK_JAVA_OPTIONS");
    platform::removeEnv("JAVA_TOOL_OPTIONS");

    // Lives until the process ends, like the options it points at.
    JavaVMInitArgs initArgs{};
    initArgs.version = JNI_VERSION_1_8;
    initArgs.ignoreUnrecognized = JNI_FALSE;
    buildLaunchVmInitArgs(initArgs, installRoot);

    JavaVM* vm = nullptr;
    JNIEnv* env = nullptr;
    jint created = JNI_CreateJavaVM(&vm, reinterpret_cast<void**>(&env), &initArgs);
    if (created != JNI_OK)
        failFatal("Failed to create JVM: Error 0x%x", static_cast<unsigned>(created));
    platform::removeEnv("_ALT_JAVA_HOME_DIR");

    registerUpdaterNatives(env);
    jobjectArray mainArguments =
        buildArgumentArray(env, config.defaultAppArguments, argumentCount, arguments);
    MainEntry entry = resolveMainEntry(env, config.mainClassName);
    // Later launches reach the application from here on; those that came while the JVM
    // started have waited for this.
    if (config.singleInstance) prepareInstanceDelivery(vm, env);
    env->CallStaticVoidMethod(entry.mainClass, entry.mainMethodId, mainArguments);

    jthrowable thrown = env->ExceptionOccurred();
    env->ExceptionClear();
    if (thrown == nullptr) {
        vm->DetachCurrentThread();
        // Returns once the application's other non-daemon threads have ended and its
        // shutdown hooks have run.
        vm->DestroyJavaVM();
        std::exit(0);
    }
    // The application's own handler, or the launcher's report, first; then the application's
    // shutdown hooks, and status 1 unless the handler chose another through System.exit. Its
    // other threads are not awaited.
    if (!passToApplicationHandler(env, thrown)) reportUncaughtException(env, thrown);
    exitThroughJvm(env, 1);
}

}  // namespace trellane
