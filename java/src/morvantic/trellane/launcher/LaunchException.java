package morvantic.trellane.launcher;

/**
 * Why the application could not be started. The launcher prints it as it stands; it carries no
 * stack trace, because the message alone tells the user what to fix.
 */
public final class LaunchException extends RuntimeException {
    private static final long serialVersionUID = 1L;

    public LaunchException(String message) {
        super(message, null, false, false);
    }
}
