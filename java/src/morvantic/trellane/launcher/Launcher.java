package morvantic.trellane.launcher;

import java.lang.reflect.Method;
import java.lang.reflect.Modifier;

/**
 * The launcher's bootstrap class. The native launcher calls {@link #prepare} with the configured
 * main class, reads {@link #mainMethod} and {@link #clazz}, and calls main itself; when main
 * throws, it asks {@link #fromException} for the text of its error box.
 */
public final class Launcher {
    public static Method mainMethod;
    public static Class<?> clazz;

    private Launcher() {}

    public static void prepare(String mainClassName) {
        Class<?> found;
        try {
            found = Class.forName(mainClassName, false, ClassLoader.getSystemClassLoader());
        } catch (ClassNotFoundException | NoClassDefFoundError e) {
            throw new IllegalStateException(
                    "Main class " + mainClassName + " not found on the class path", e);
        }
        Method main;
        try {
            main = found.getMethod("main", String[].class);
        } catch (NoSuchMethodException e) {
            throw new IllegalStateException(
                    "Main class " + mainClassName + " has no public static void main(String[])", e);
        }
        int modifiers = main.getModifiers();
        if (!Modifier.isStatic(modifiers) || main.getReturnType() != void.class) {
            throw new IllegalStateException(
                    "Main class " + mainClassName + " has no public static void main(String[])");
        }
        clazz = found;
        mainMethod = main;
    }

    /** The exception's class and message, then each cause's: what a user can read in a box. */
    public static String fromException(Throwable thrown) {
        StringBuilder text = new StringBuilder();
        int depth = 0;
        for (Throwable t = thrown; t != null && depth < 20; t = t.getCause(), depth++) {
            if (depth > 0) text.append("\nCaused by: ");
            text.append(t.getClass().getName());
            String message = t.getMessage();
            if (message != null) text.append(": ").append(message);
            if (t.getCause() == t) break;
        }
        return text.toString();
    }
}
