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

    /**
     * A new LaunchException, typed as its superclass. Checking a throw of this type would make
     * the verifier load LaunchException with every launch; a RuntimeException it knows already,
     * so the class stays in its jar until a launch actually fails.
     */
    static RuntimeException because(String message) {
        return new LaunchException(message);
    }
}
