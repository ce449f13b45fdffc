package instance;

import morvantic.trellane.launcher.SingleInstance;

/**
 * A single-instance application at its smallest: it registers its handler, which prints each
 * later launch, and says hello. With --serve it stays up, the running instance later launches
 * reach; otherwise main returns and the JVM ends.
 */
public final class Main {
    public static void main(String[] args) throws InterruptedException {
        SingleInstance.setHandler(
                (folder, arguments) -> System.out.println("launch " + String.join(" ", arguments)));
        System.out.println("Hello");
        if (args.length > 0 && args[0].equals("--serve")) Thread.sleep(Long.MAX_VALUE);
    }
}
