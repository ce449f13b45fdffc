package morvantic.trellane.launcher;

import java.util.ArrayDeque;

/**
 * Later launches of a single-instance application. An application packaged with {@code
 * --single-instance} runs once per user and session: when the user starts it again (opens
 * another of its documents, say), that launch hands its working folder and its arguments to
 * the running application and ends, without a JVM of its own. The application receives them by
 * registering a handler:
 *
 * <pre>{@code
 * SingleInstance.setHandler((workingFolder, arguments) -> {
 *     for (String argument : arguments) {
 *         SwingUtilities.invokeLater(() -> openDocument(Paths.get(workingFolder).resolve(argument)));
 *     }
 * });
 * }</pre>
 *
 * <p>Launches that arrive before a handler is registered wait for it (up to {@value
 * #MAX_WAITING}; later ones are dropped), so registering at the end of start-up loses none. The
 * handler runs on a thread of its own, {@code "trellane-single-instance"}, a daemon, one launch
 * at a time in the order they came; an exception it throws goes to that thread's
 * uncaught-exception handler, and the next launch is delivered all the same. Without a handler
 * nothing is delivered. On Windows the later launch allows the running application to bring
 * its window to the front ({@code Frame.toFront()} in the handler).
 *
 * <p>The working folder is the later launch's current directory, against which relative paths
 * among its arguments resolve; the arguments are its command-line arguments, without the
 * configured default arguments, exactly as {@code main} would have received them.
 */
public final class SingleInstance {
    /** Receives later launches of the application. */
    public interface Handler {
        /**
         * One later launch.
         *
         * @param workingFolder the launch's working folder; empty when its system could not say
         * @param arguments its command-line arguments, in order
         */
        void launched(String workingFolder, String[] arguments);
    }

    /** The system property that names the instance: set in single-instance mode only. */
    public static final String IDENTITY_PROPERTY = "trellane.singleInstance";

    /** The most launches that wait for a handler; later ones are dropped. */
    public static final int MAX_WAITING = 1000;

    private static final Object lock = new Object();
    private static final ArrayDeque<Launch> waiting = new ArrayDeque<Launch>();
    private static Handler handler;
    private static Thread deliverer;

    private static final class Launch {
        final String workingFolder;
        final String[] arguments;

        Launch(String workingFolder, String[] arguments) {
            this.workingFolder = workingFolder;
            this.arguments = arguments;
        }
    }

    private SingleInstance() {}

    /**
     * Registers the handler of later launches, in place of any registered before; those that
     * waited for one are delivered to it now. Null stops delivering: launches wait again.
     */
    public static void setHandler(Handler newHandler) {
        synchronized (lock) {
            handler = newHandler;
            if (handler != null && deliverer == null) {
                deliverer = new Thread(SingleInstance::deliverForever, "trellane-single-instance");
                deliverer.setDaemon(true);
                deliverer.start();
            }
            lock.notifyAll();
        }
    }

    /**
     * Whether the application runs in single-instance mode, started by a launcher stamped with
     * it. Under the plain {@code java} command it does not, and no launch ever arrives.
     */
    public static boolean isEnabled() {
        return identity() != null;
    }

    /** The instance's identity as stamped into the launcher, or null outside the mode. */
    public static String identity() {
        return System.getProperty(IDENTITY_PROPERTY);
    }

    /**
     * Called by the launcher, on a thread of its own, for each later launch: queues it for the
     * handler and returns at once.
     */
    private static void received(String workingFolder, String[] arguments) {
        synchronized (lock) {
            if (waiting.size() >= MAX_WAITING) return;
            waiting.add(new Launch(workingFolder == null ? "" : workingFolder,
                    arguments == null ? new String[0] : arguments.clone()));
            lock.notifyAll();
        }
    }

    private static void deliverForever() {
        Thread self = Thread.currentThread();
        for (;;) {
            Handler target;
            Launch launch;
            synchronized (lock) {
                while (handler == null || waiting.isEmpty()) {
                    try {
                        lock.wait();
                    } catch (InterruptedException e) {
                        // Nobody but this class knows the thread; keep delivering.
                    }
                }
                target = handler;
                launch = waiting.poll();
            }
            try {
                target.launched(launch.workingFolder, launch.arguments);
            } catch (Throwable thrown) {
                Thread.UncaughtExceptionHandler report = self.getUncaughtExceptionHandler();
                try {
                    report.uncaughtException(self, thrown);
                } catch (Throwable ignored) {
                    // The report failed too; the next launch is delivered all the same.
                }
            }
        }
    }
}
