package morvantic.trellane.launcher;

import java.io.File;
import java.lang.reflect.Method;
import java.lang.reflect.Modifier;
import java.util.Collections;
import java.util.IdentityHashMap;
import java.util.Set;

/**
 * The launcher's bootstrap class. The native launcher calls {@link #prepare} with the configured
 * main class, reads {@link #mainMethod} and {@link #clazz}, and calls main itself; when main
 * throws, it offers the exception to the application's own handler through {@link
 * #passToHandler}, and failing that asks {@link #fromException} for the text of its error box.
 */
public final class Launcher {
    /** The application's public static void main(String[]), once {@link #prepare} returned. */
    public static Method mainMethod;
    /** The class main is called on: the configured class, which may inherit main. */
    public static Class<?> clazz;

    // A cause chain longer than this is cut short: it is a box for a user, not a log.
    private static final int MAX_CAUSES = 16;

    /**
     * The folder of a CDS archive that the JVM makes when the application ends (an image
     * packaged with --cds auto). The JVM cannot make the folder itself, and on a fresh account
     * it does not exist yet: the JVM would then end the application with an error at exit.
     */
    public static final String ARCHIVE_FOLDER_PROPERTY = "trellane.cdsFolder";

    private Launcher() {}

    /**
     * Finds the main class, without initializing it (its static initializer runs when main is
     * called, as with the java command), and its main method. A dotted name is a class found
     * through the system class loader; MODULE/CLASS, or MODULE/ for the class the module's
     * descriptor names, is a class of the main module, as java -m MODULE[/CLASS] finds it.
     *
     * @throws LaunchException when there is no such class or no suitable main
     */
    public static void prepare(String mainClassName) {
        makeArchiveFolder();
        if (mainClassName == null || mainClassName.isEmpty()) {
            throw LaunchException.because("No main class is configured");
        }
        int slash = mainClassName.indexOf('/');
        Class<?> found = slash < 0
                ? loadMainClass(mainClassName)
                : loadModuleMainClass(
                        mainClassName.substring(0, slash), mainClassName.substring(slash + 1));
        Method main = findMain(found, found.getName());
        clazz = found;
        mainMethod = main;
    }

    private static Class<?> loadModuleMainClass(String moduleName, String className) {
        if (moduleName.isEmpty()) {
            throw LaunchException.because(
                    "No main module is named in /" + className + ": write MODULE/" + className);
        }
        try {
            return MainModule.mainClass(moduleName, className);
        } catch (UnsupportedClassVersionError e) {
            // Java 8 has no modules, and cannot load the class that looks for them.
            throw LaunchException.because("Main module " + moduleName
                    + " needs Java 9 or later; this runtime is Java "
                    + System.getProperty("java.specification.version"));
        }
    }

    // Only an absolute path: without a home directory the launcher leaves "~/" as written, and
    // a folder named "~" in the working directory helps no one.
    private static void makeArchiveFolder() {
        String folder = System.getProperty(ARCHIVE_FOLDER_PROPERTY);
        if (folder == null) return;
        File file = new File(folder);
        try {
            if (file.isAbsolute()) file.mkdirs();
        } catch (SecurityException ignored) {
            // The application starts all the same, without the archive.
        }
    }

    private static Class<?> loadMainClass(String name) {
        try {
            return Class.forName(name, false, ClassLoader.getSystemClassLoader());
        } catch (ClassNotFoundException e) {
            throw LaunchException.because("Main class " + name + " not found on the class path");
        } catch (LinkageError e) {
            // The class is there but unusable: a missing superclass, a newer class file version.
            throw LaunchException.because(
                    "Main class " + name + " could not be loaded: " + describe(e));
        }
    }

    private static Method findMain(Class<?> found, String name) {
        Method main;
        try {
            main = found.getMethod("main", String[].class);
        } catch (NoSuchMethodException e) {
            main = null;
        } catch (LinkageError e) {
            // Listing public methods resolves their parameter types, which may be missing.
            throw LaunchException.because(
                    "Main class " + name + " could not be loaded: " + describe(e));
        }
        if (main == null
                || !Modifier.isStatic(main.getModifiers())
                || main.getReturnType() != void.class) {
            throw LaunchException.because(
                    "Main class " + name + " has no public static void main(String[])");
        }
        return main;
    }

    /**
     * Hands an exception thrown out of main to the uncaught-exception handler the application
     * installed, its own on the main thread or the default one, as the JVM does when any other
     * thread of the application ends with an exception: the handler runs on this thread and
     * decides what follows (a logger's last line, a crash report, System.exit with a status of
     * its own). An exception the handler throws is ignored, after the line the JVM writes in
     * that case.
     *
     * @return false, having done nothing, when the application installed no handler: the
     *     launcher then reports the exception itself
     */
    public static boolean passToHandler(Throwable thrown) {
        Thread thread = Thread.currentThread();
        Thread.UncaughtExceptionHandler handler = thread.getUncaughtExceptionHandler();
        // A thread without a handler of its own answers with its group, which passes the
        // exception on to the default handler, or prints it when there is none.
        if (handler == null
                || (handler == thread.getThreadGroup()
                        && Thread.getDefaultUncaughtExceptionHandler() == null)) {
            return false;
        }
        try {
            handler.uncaughtException(thread, thrown);
        } catch (Throwable failure) {
            System.err.print("\nException: " + failure.getClass().getName()
                    + " thrown from the UncaughtExceptionHandler in thread \""
                    + thread.getName() + "\"\n");
        }
        return true;
    }

    /**
     * The exception's class and message, then each cause's on a line of its own: what a user
     * can read in a box. Never null, and never throws for a misbehaving exception.
     */
    public static String fromException(Throwable thrown) {
        StringBuilder text = new StringBuilder();
        Set<Throwable> seen = Collections.newSetFromMap(new IdentityHashMap<Throwable, Boolean>());
        Throwable t = thrown;
        while (t != null && seen.add(t)) {
            if (seen.size() > MAX_CAUSES) {
                text.append("\n...");
                break;
            }
            if (seen.size() > 1) text.append("\nCaused by: ");
            text.append(describe(t));
            t = causeOf(t);
        }
        return text.toString();
    }

    // toString as printStackTrace shows it, or the class name and message when toString fails.
    static String describe(Throwable t) {
        try {
            String text = t.toString();
            if (text != null) return text;
        } catch (Throwable ignored) {
            // fall back below
        }
        String name = t.getClass().getName();
        try {
            String message = t.getLocalizedMessage();
            return message == null ? name : name + ": " + message;
        } catch (Throwable ignored) {
            return name;
        }
    }

    private static Throwable causeOf(Throwable t) {
        try {
            return t.getCause();
        } catch (Throwable ignored) {
            return null;
        }
    }
}
