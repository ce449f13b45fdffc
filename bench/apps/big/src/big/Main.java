package big;

import java.util.ArrayList;
import java.util.List;
import java.util.logging.Level;
import java.util.logging.Logger;

/**
 * A start-up that looks like a real application's: a few hundred classes of its own loaded from
 * its jar, java.util.logging set up, collections, lambdas and String.format on every path.
 */
public final class Main {
    private static final Logger LOG = Logger.getLogger("big");

    public static void main(String[] args) {
        List<Integer> input = new ArrayList<>();
        for (int i = 0; i < 64; i++) input.add((i * 7919) % 1000);
        long checksum = 0;
        int index = 0;
        for (Task task : Tasks.all()) {
            String result = task.run(input);
            checksum = checksum * 31 + result.hashCode();
            if (index++ % 40 == 0) LOG.log(Level.INFO, "{0}", result);
        }
        System.out.println(String.format("big: %d tasks, checksum %016x", index, checksum));
    }
}
