#!/usr/bin/env python3
"""Writes the Big benchmark application's generated sources: COUNT task classes, each with its
own lambdas, collections and String.format, and big.Tasks, which instantiates every one, so the
JVM loads, verifies and links them all from the jar at start-up.

usage: gen_tasks.py OUTPUT_DIR [COUNT]
"""
import os
import sys

# Four shapes of work, so the call sites do not all bootstrap the same lambda forms.
BODIES = [
    """        List<Integer> out = new ArrayList<>();
        input.forEach(v -> out.add(v * {n} + TABLE.size()));
        out.sort(Comparator.reverseOrder());
        return String.format("T{n:03d} %d %d", out.size(), out.get(0));""",
    """        Map<Integer, Long> groups = input.stream()
                .collect(Collectors.groupingBy(v -> v % {m}, TreeMap::new, Collectors.counting()));
        return String.format("T{n:03d} %s", groups.keySet());""",
    """        int sum = input.stream().filter(v -> v % {m} != 0).mapToInt(Integer::intValue).sum();
        Optional<Integer> max = input.stream().max(Comparator.naturalOrder());
        return String.format("T{n:03d} %d %s", sum, max.orElse(-1));""",
    """        Deque<String> names = new ArrayDeque<>();
        Function<Integer, String> name = v -> "v" + (v + {n});
        for (Integer v : input) if (v > {m}) names.push(name.apply(v));
        return String.format("T{n:03d} %d %s", names.size(), TABLE.get("k" + {m}));""",
]

TEMPLATE = """package big.gen;

import big.Task;
import java.util.*;
import java.util.function.*;
import java.util.stream.*;

public final class Task{n:03d} implements Task {{
    private static final Map<String, Integer> TABLE = new HashMap<>();

    static {{
        for (int i = 0; i < {m}; i++) TABLE.put("k" + i, i * {n});
    }}

    @Override
    public String run(List<Integer> input) {{
{body}
    }}
}}
"""


def main():
    out = sys.argv[1]
    count = int(sys.argv[2]) if len(sys.argv) > 2 else 200
    gen = os.path.join(out, "big", "gen")
    os.makedirs(gen, exist_ok=True)
    for n in range(count):
        m = 3 + n % 17
        body = BODIES[n % len(BODIES)].format(n=n, m=m)
        with open(os.path.join(gen, f"Task{n:03d}.java"), "w") as f:
            f.write(TEMPLATE.format(n=n, m=m, body=body))
    news = ",\n".join(f"            new big.gen.Task{n:03d}()" for n in range(count))
    with open(os.path.join(out, "big", "Tasks.java"), "w") as f:
        f.write(f"""package big;

/** Every generated task, in order. */
final class Tasks {{
    private Tasks() {{}}

    static Task[] all() {{
        return new Task[] {{
{news}
        }};
    }}
}}
""")


if __name__ == "__main__":
    main()
