package big;

import java.util.List;

/** One unit of the application's start-up work; the generated classes implement it. */
public interface Task {
    String run(List<Integer> input);
}
