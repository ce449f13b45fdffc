package morvantic.trellane.updater;

/**
 * The update check of a launched application. The native launcher provides
 * {@link #nCheckForUpdates}; without it (an application started by plain java), the check is a
 * no-op.
 */
public final class OnlineUpdater {
    private OnlineUpdater() {}

    private static native void nCheckForUpdates();

    /** Asks the launcher to check for updates; returns at once. */
    public static void checkForUpdates() {
        Check.run();
    }

    // The launcher looks this class up at every start. A handler here would make the verifier
    // load UnsatisfiedLinkError then; in a class of its own, only a real check pays for it.
    private static final class Check {
        private Check() {}

        static void run() {
            try {
                nCheckForUpdates();
            } catch (UnsatisfiedLinkError notLaunched) {
                // started outside the launcher: there is nothing to check with
            }
        }
    }
}
