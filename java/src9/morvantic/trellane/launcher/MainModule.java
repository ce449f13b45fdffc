package morvantic.trellane.launcher;

/**
 * The main class of an application that starts as a module, found as the java command finds
 * it for -m: the module in the boot layer (the launcher roots it with -Djdk.module.main), the
 * class named, or else the one its descriptor names, loaded from that module. Compiled for
 * Java 9, the first with modules; {@link Launcher} stays loadable on Java 8 and touches this
 * class only for a main module.
 */
final class MainModule {
    private MainModule() {}

    static Class<?> mainClass(String moduleName, String className) {
        Module module = ModuleLayer.boot().findModule(moduleName).orElse(null);
        if (module == null) {
            throw LaunchException.because("Main module " + moduleName
                    + " is neither on the module path nor in the runtime");
        }
        String name = className;
        if (name.isEmpty()) {
            name = module.getDescriptor().mainClass().orElse(null);
            if (name == null) {
                throw LaunchException.because("Module " + moduleName
                        + " names no main class in its descriptor: name one as "
                        + moduleName + "/CLASS");
            }
        }
        Class<?> found;
        try {
            found = Class.forName(module, name);
        } catch (LinkageError e) {
            throw LaunchException.because("Main class " + name + " could not be loaded: "
                    + Launcher.describe(e));
        }
        if (found == null) {
            throw LaunchException.because(
                    "Main class " + name + " not found in module " + moduleName);
        }
        return found;
    }
}
