import java.lang.reflect.Method;
import java.util.ArrayList;
import java.util.List;
import java.util.concurrent.BlockingQueue;
import java.util.concurrent.LinkedBlockingQueue;
import java.util.concurrent.TimeUnit;
import morvantic.trellane.launcher.SingleInstance;

/**
 * SingleInstance as the launcher and an application use it: launches queued until a handler
 * comes, delivered in order on the class's own daemon thread, a failing handler survived.
 */
public final class SingleInstanceTest {
    private static final List<String> failures = new ArrayList<>();
    private static final BlockingQueue<String> delivered = new LinkedBlockingQueue<>();
    private static final BlockingQueue<Throwable> reported = new LinkedBlockingQueue<>();
    private static Method received;

    public static void main(String[] args) throws Exception {
        received = SingleInstance.class.getDeclaredMethod(
                "received", String.class, String[].class);
        received.setAccessible(true);
        Thread.setDefaultUncaughtExceptionHandler((thread, thrown) -> reported.add(thrown));

        nameTheMode();
        queueUntilAHandlerComes();
        surviveAFailingHandler();
        waitAgainWithoutAHandler();
        for (String failure : failures) System.err.println("FAILED: " + failure);
        System.out.println(failures.isEmpty() ? "all passed" : failures.size() + " failed");
        System.exit(failures.isEmpty() ? 0 : 1);
    }

    static void nameTheMode() {
        check("outside the mode", "false null",
                SingleInstance.isEnabled() + " " + SingleInstance.identity());
        System.setProperty(SingleInstance.IDENTITY_PROPERTY, "Example.Editor");
        check("in the mode", "true Example.Editor",
                SingleInstance.isEnabled() + " " + SingleInstance.identity());
        System.clearProperty(SingleInstance.IDENTITY_PROPERTY);
    }

    // More launches than may wait, before any handler: the first MAX_WAITING are delivered,
    // in order, and a launch's array is its own.
    static void queueUntilAHandlerComes() throws Exception {
        String[] reused = {"a file.txt", "Zoë", ""};
        launch("/docs", reused);
        reused[0] = "changed";
        for (int i = 1; i < SingleInstance.MAX_WAITING + 5; ++i) launch("/w", "" + i);
        check("nothing without a handler", null, delivered.poll(200, TimeUnit.MILLISECONDS));
        SingleInstance.setHandler(SingleInstanceTest::record);
        check("the first launch", "trellane-single-instance daemon /docs [a file.txt, Zoë, ]",
                next());
        String last = null;
        for (int i = 1; i < SingleInstance.MAX_WAITING; ++i) {
            String got = next();
            if (!got.endsWith("/w [" + i + "]")) check("launch " + i, "/w [" + i + "]", got);
            last = got;
        }
        check("the last that waited", "trellane-single-instance daemon /w [999]", last);
        check("the ones beyond", null, delivered.poll(200, TimeUnit.MILLISECONDS));
    }

    static void surviveAFailingHandler() throws Exception {
        RuntimeException boom = new RuntimeException("boom");
        SingleInstance.setHandler((folder, arguments) -> {
            if (arguments[0].equals("fail")) throw boom;
            record(folder, arguments);
        });
        launch("/w", "fail");
        launch("/w", "after");
        check("reported", boom, reported.poll(5, TimeUnit.SECONDS));
        check("delivered after the failure", "trellane-single-instance daemon /w [after]", next());
    }

    static void waitAgainWithoutAHandler() throws Exception {
        SingleInstance.setHandler(null);
        launch("/w", "held");
        check("held without a handler", null, delivered.poll(200, TimeUnit.MILLISECONDS));
        SingleInstance.setHandler(SingleInstanceTest::record);
        check("delivered to the next handler", "trellane-single-instance daemon /w [held]",
                next());
    }

    static void record(String folder, String[] arguments) {
        Thread self = Thread.currentThread();
        delivered.add(self.getName() + (self.isDaemon() ? " daemon " : " ") + folder + " "
                + java.util.Arrays.toString(arguments));
    }

    static void launch(String folder, String... arguments) throws Exception {
        received.invoke(null, folder, arguments);
    }

    static String next() throws InterruptedException {
        String got = delivered.poll(5, TimeUnit.SECONDS);
        return got == null ? "nothing within 5 s" : got;
    }

    static void check(String what, Object expected, Object actual) {
        if (expected == null ? actual != null : !expected.equals(actual)) {
            failures.add(what + ": expected <" + expected + "> but was <" + actual + ">");
        }
    }
}
