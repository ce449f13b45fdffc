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
#include "options/main_module.h"
#include "options/option_pipeline.h"
#include "options/splash_option.h"
#include "options/user_options.h"
#include "options/vm_init_args.h"
#include "platform/platform.h"

namespace trellane {

namespace {

// The expansions of this launch: the platform's primitives.
ExpansionContext launchExpansions(const std::string& installRoot) {
    const PathConventions& conventions = platform::pathConventions();
    return ExpansionContext{appDirOf(installRoot, conventions.dirSeparator), conventions,
                            &platform::optionPrimitives()};
}

// A splash is the first thing a user sees, so it comes before the rest of the work; it is the
// launcher's, and the JVM never sees its option.
void showConfiguredSplash(StringList& options, const ExpansionContext& context,
                          const std::string& installRoot) {
    std::string splash = takeSplashOption(options);
    if (splash.empty() || isHeadless(options)) return;
    expandOption(splash, context);
    showSplashScreen(splash, installRoot, context.conventions.dirSeparator,
                     platform::splashPrimitives());
}

}  // namespace

void runLaunchSequence() {
    LaunchConfig& config = launchConfig;
    const int argumentCount = recordedCommandLine.argumentCount - 1;
    const char* const* arguments = recordedCommandLine.arguments + 1;

    // A main module is rooted as java -m roots it.
    std::string moduleOption = buildMainModuleOption(config.mainClassName);
    if (!moduleOption.empty()) config.jvmOptions.push_back(moduleOption);
    config.jvmOptions.push_back(buildCommandOption(argumentCount, arguments, config));
    mergeUserJvmOptions(config);

    const std::string installRoot = computeInstallRoot();
    const ExpansionContext expansions = launchExpansions(installRoot);
    showConfiguredSplash(config.jvmOptions, expansions, installRoot);
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
    bool dump = platform::optionPrimitives().getEnv("TRELLANE_DUMP_JVM_ARGS") != nullptr;
    buildVmInitArgs(initArgs, config.jvmOptions, expansions, dump);

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
