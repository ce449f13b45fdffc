import java.io.File;
import java.io.IOException;
import java.nio.file.Files;
import java.util.ArrayList;
import java.util.List;
import morvantic.trellane.launcher.LaunchException;
import morvantic.trellane.launcher.Launcher;

/** The bootstrap class as the launcher uses it: prepare, its two fields, fromException. */
public final class LauncherTest {
    private static final List<String> failures = new ArrayList<>();

    public static void main(String[] args) throws Exception {
        preparesRunnableMainClasses();
        refusesWhatCannotBeStarted();
        describesExceptionsAndTheirCauses();
        survivesMisbehavingExceptions();
        makesTheArchiveFolder();
        for (String failure : failures) System.err.println("FAILED: " + failure);
        System.out.println(failures.isEmpty() ? "all passed" : failures.size() + " failed");
        System.exit(failures.isEmpty() ? 0 : 1);
    }

    static void preparesRunnableMainClasses() throws Exception {
        // {main class, class declaring main}
        String[][] cases = {
            {"fixtures.MainClasses", "fixtures.MainClasses"},
            {"fixtures.InheritsMain", "fixtures.MainClasses"},
            {"fixtures.PackagePrivate", "fixtures.PackagePrivate"},
            {"fixtures.FailingInit", "fixtures.FailingInit"},
        };
        for (String[] c : cases) {
            Launcher.clazz = null;
            Launcher.mainMethod = null;
            try {
                Launcher.prepare(c[0]);
            } catch (Throwable t) {
                fail("prepare(" + c[0] + ") threw " + t);
                continue;
            }
            check(c[0] + ": clazz", c[0], Launcher.clazz == null ? null : Launcher.clazz.getName());
            check(c[0] + ": main declared by", c[1],
                    Launcher.mainMethod == null
                            ? null
                            : Launcher.mainMethod.getDeclaringClass().getName());
            check(c[0] + ": method", "main",
                    Launcher.mainMethod == null ? null : Launcher.mainMethod.getName());
        }
    }

    // An image packaged with --cds auto names the folder of the archive the JVM writes at exit.
    static void makesTheArchiveFolder() throws IOException {
        File home = Files.createTempDirectory("launcher-test").toFile();
        File folder = new File(home, ".cache/Example App");
        String relative = "relative-" + home.getName();
        for (String value : new String[] {folder.getPath(), relative}) {
            System.setProperty(Launcher.ARCHIVE_FOLDER_PROPERTY, value);
            try {
                Launcher.prepare("fixtures.MainClasses");
            } catch (Throwable t) {
                fail("prepare with " + value + " threw " + t);
            }
        }
        System.clearProperty(Launcher.ARCHIVE_FOLDER_PROPERTY);
        check("the archive folder exists", "true", String.valueOf(folder.isDirectory()));
        check("a relative folder is not made", "false", String.valueOf(new File(relative).exists()));
        folder.delete();
        folder.getParentFile().delete();
        home.delete();
    }

    static void refusesWhatCannotBeStarted() {
        String noMain = " has no public static void main(String[])";
        // {main class, message}
        String[][] cases = {
            {"com.example.Main", "Main class com.example.Main not found on the class path"},
            {"", "No main class is configured"},
            {null, "No main class is configured"},
            {"fixtures.NoMain", "Main class fixtures.NoMain" + noMain},
            {"fixtures.InstanceMain", "Main class fixtures.InstanceMain" + noMain},
            {"fixtures.IntMain", "Main class fixtures.IntMain" + noMain},
            {"fixtures.PrivateMain", "Main class fixtures.PrivateMain" + noMain},
            {"fixtures.LostSuper",
                "Main class fixtures.LostSuper could not be loaded: "
                    + "java.lang.NoClassDefFoundError: fixtures/LostBase"},
            // Main modules: the boot layer of a plain JVM holds java.base.
            {"/app.Main", "No main module is named in /app.Main: write MODULE/app.Main"},
            {"no.such.module/",
                "Main module no.such.module is neither on the module path nor "
                    + "in the runtime"},
            {"java.base/",
                "Module java.base names no main class in its descriptor: name one "
                    + "as java.base/CLASS"},
            {"java.base/fixtures.MainClasses",
                "Main class fixtures.MainClasses not found in "
                    + "module java.base"},
            {"java.base/java.lang.Object", "Main class java.lang.Object" + noMain},
        };
        for (String[] c : cases) {
            Launcher.clazz = null;
            Launcher.mainMethod = null;
            try {
                Launcher.prepare(c[0]);
                fail("prepare(" + c[0] + ") returned");
            } catch (LaunchException e) {
                check("prepare(" + c[0] + ")", c[1], e.getMessage());
                // The launcher prints it whole: the message must be all there is to read.
                check("prepare(" + c[0] + ") stack frames", "0",
                        String.valueOf(e.getStackTrace().length));
            } catch (Throwable t) {
                fail("prepare(" + c[0] + ") threw " + t);
            }
            if (Launcher.clazz != null || Launcher.mainMethod != null) {
                fail("prepare(" + c[0] + ") filled the fields although it refused");
            }
        }
    }

    static void describesExceptionsAndTheirCauses() {
        Exception a = new Exception("a");
        Exception b = new Exception("b", a);
        a.initCause(b);
        Exception self = new Exception("self");
        Throwable longChain = new Error("root");
        for (int i = 0; i < 40; i++) longChain = new RuntimeException("level " + i, longChain);

        Object[][] cases = {
            {new IllegalStateException("disk full"), "java.lang.IllegalStateException: disk full"},
            {new RuntimeException(), "java.lang.RuntimeException"},
            {new RuntimeException("outer", new IOException("inner")),
                "java.lang.RuntimeException: outer\nCaused by: java.io.IOException: inner"},
            {a, "java.lang.Exception: a\nCaused by: java.lang.Exception: b"},
            {self, "java.lang.Exception: self"},
            {new Exception("caf\u00e9 \ud83d\ude00"),
                "java.lang.Exception: caf\u00e9 \ud83d\ude00"},
            {null, ""},
        };
        for (Object[] c : cases) {
            check("fromException(" + c[0] + ")", (String) c[1],
                    Launcher.fromException((Throwable) c[0]));
        }

        String text = Launcher.fromException(longChain);
        String[] lines = text.split("\n");
        check("long chain: first line", "java.lang.RuntimeException: level 39", lines[0]);
        check("long chain: cut short", "...", lines[lines.length - 1]);
        if (lines.length > 20) fail("long chain: " + lines.length + " lines");
    }

    static final class ThrowingToString extends Exception {
        private static final long serialVersionUID = 1L;

        ThrowingToString(String message, Throwable cause) {
            super(message, cause);
        }

        @Override
        public String toString() {
            throw new IllegalStateException("toString");
        }
    }

    static final class NullToString extends Exception {
        private static final long serialVersionUID = 1L;

        NullToString(String message) {
            super(message);
        }

        @Override
        public String toString() {
            return null;
        }
    }

    static final class ThrowingEverything extends RuntimeException {
        private static final long serialVersionUID = 1L;

        @Override
        public String toString() {
            throw new IllegalStateException("toString");
        }

        @Override
        public String getMessage() {
            throw new IllegalStateException("getMessage");
        }

        @Override
        public String getLocalizedMessage() {
            throw new IllegalStateException("getLocalizedMessage");
        }

        @Override
        public synchronized Throwable getCause() {
            throw new IllegalStateException("getCause");
        }
    }

    static void survivesMisbehavingExceptions() {
        String prefix = LauncherTest.class.getName() + "$";
        Object[][] cases = {
            {new ThrowingToString("broken", new IOException("io")),
                prefix + "ThrowingToString: broken\nCaused by: java.io.IOException: io"},
            {new NullToString("nothing"), prefix + "NullToString: nothing"},
            {new ThrowingEverything(), prefix + "ThrowingEverything"},
            {new RuntimeException("outer", new ThrowingEverything()),
                "java.lang.RuntimeException: outer\nCaused by: " + prefix + "ThrowingEverything"},
        };
        for (Object[] c : cases) {
            String text;
            try {
                text = Launcher.fromException((Throwable) c[0]);
            } catch (Throwable t) {
                fail("fromException threw " + t);
                continue;
            }
            check("fromException(" + c[0].getClass().getSimpleName() + ")", (String) c[1], text);
        }
    }

    static void check(String what, String expected, String actual) {
        if (expected == null ? actual != null : !expected.equals(actual)) {
            fail(what + "\n  expected: " + expected + "\n  actual:   " + actual);
        }
    }

    static void fail(String message) {
        failures.add(message);
    }
}
