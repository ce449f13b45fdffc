#!/usr/bin/env bash
# make bench (after make dist): builds the benchmark applications, the reference programs and
# the app images under bench/out/, runs the micro-benchmarks and the paired start-up runs, and
# writes the figures to bench/RESULTS.md.
#
# Environment:
#   BENCH_ROUNDS_HELLO, BENCH_ROUNDS_BIG
#                  rounds per application (default 80 and 30; a round runs every
#                  configuration once, in alternating order)
#   BENCH_WARMUP   unmeasured rounds first (default 3)
#   BENCH_QUICK=1  a smoke run: few rounds, short micro-benchmarks, RESULTS.md left alone
#   TRELLANE_LAUNCHER, TRELLANE_STAMP, TRELLANE_PACKAGE, TRELLANE_RUNTIME_JAR
#                  the launcher, stamp and packaging tools and runtime jar to measure
#                  (default: dist/)
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
bench="$root/bench"
out="$bench/out"
build="$root/build/bench"
launcher=${TRELLANE_LAUNCHER:-$root/dist/linux/launcher}
stamp=${TRELLANE_STAMP:-$root/dist/bin/trellane-stamp}
package=${TRELLANE_PACKAGE:-$root/dist/bin/trellane-package}
runtime_jar=${TRELLANE_RUNTIME_JAR:-$root/dist/java/trellane-runtime.jar}
jdk=$(dirname "$(dirname "$(readlink -f "$(command -v javac)")")")
quick=${BENCH_QUICK:-0}

for file in "$launcher" "$stamp" "$package" "$runtime_jar"; do
    [ -f "$file" ] || { echo "bench: $file is missing: run make dist first" >&2; exit 1; }
done
step() { echo "bench: $*" >&2; }
# The machine's load before this script's own builds raise it.
export BENCH_LOAD_AT_START="$(cut -d' ' -f1-3 /proc/loadavg)"

# --- Native pieces: reference programs, the JNI_CreateJavaVM stand-in, micro-benchmarks ---
step "building the reference programs and micro-benchmarks in $build"
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release -DTRELLANE_BUILD_BENCH=ON \
    -DBUILD_TESTING=OFF -DTRELLANE_JDK="$jdk" >/dev/null
cmake --build "$build" -j "$(nproc)" \
    --target minimal_launch minimal_launch_bootstrap stop_at_create_vm micro_bench >/dev/null

# --- The applications ---------------------------------------------------------------------
# Each as its own jar, and as a jar that also holds the runtime's classes (the bootstrap class
# in the application's own jar: one jar to open instead of two).
rm -rf "$out"
mkdir -p "$out/apps" "$out/gen"
python3 "$bench/apps/big/gen_tasks.py" "$out/gen/big" 200
mkdir -p "$out/gen/runtime-classes"
(cd "$out/gen/runtime-classes" && jar --extract --file "$runtime_jar" && rm -rf META-INF)
build_app() {  # NAME SOURCE_DIR...
    local name=$1 classes="$out/gen/$1-classes"
    shift
    mkdir -p "$classes"
    javac --release 17 -encoding UTF-8 -nowarn -d "$classes" $(find "$@" -name '*.java')
    jar --create --file "$out/apps/$name.jar" -C "$classes" .
    jar --create --file "$out/apps/$name-with-runtime.jar" -C "$classes" . \
        -C "$out/gen/runtime-classes" .
}
step "building the hello and big applications"
build_app hello "$bench/apps/hello/src"
build_app big "$bench/apps/big/src" "$out/gen/big"

# --- Stamped launchers against the build JDK ------------------------------------------------
# One folder per application: bin/ holds a launcher per configuration, app/ the jars, so "&&"
# means the same folder for all of them, and lib/ is a link to the build JDK's lib/: the
# launchers find its libjvm.so through their RUNPATH ($ORIGIN/../lib/server), and the JVM,
# resolving the link, takes the JDK as its home. The same JVM as java -cp and the references
# run, with the same java.home and class data sharing archive.
link_build_jdk() {  # IMAGE
    ln -s "$jdk/lib" "$1/lib"
}
for app in hello big; do
    image="$out/images/$app"
    mkdir -p "$image/bin" "$image/app"
    link_build_jdk "$image"
    cp "$out/apps/$app.jar" "$out/apps/$app-with-runtime.jar" "$runtime_jar" "$image/app/"
    class_path="-Djava.class.path=&&$app.jar:&&trellane-runtime.jar"
    "$stamp" write --input "$launcher" --output "$image/bin/$app" --main-class "$app.Main" \
        --jvm-option "$class_path" --console-app
    "$stamp" write --input "$launcher" --output "$image/bin/$app-main-thread" \
        --main-class "$app.Main" --jvm-option "$class_path" --console-app --use-main-thread
    "$stamp" write --input "$launcher" --output "$image/bin/$app-own-jar" \
        --main-class "$app.Main" --jvm-option "-Djava.class.path=&&$app-with-runtime.jar" \
        --console-app
done

# The example block, for the launcher's own work before JNI_CreateJavaVM.
example_arguments=()
while read -r key value; do
    case "$key" in '' | '#'*) continue ;; esac
    example_arguments+=("--$key")
    [ -n "$value" ] && example_arguments+=("$value")
done <"$bench/example/example_block.txt"
mkdir -p "$out/images/example/bin" "$out/images/example/app"
link_build_jdk "$out/images/example"
"$stamp" write --input "$launcher" --output "$out/images/example/bin/example-desktop" \
    "${example_arguments[@]}"

# --- App images: a jlink runtime with its CDS archive and an application CDS archive ----------
for app in hello big; do
    step "app image with application CDS for $app"
    mkdir -p "$out/gen/$app-input"
    cp "$out/apps/$app.jar" "$out/gen/$app-input/"
    "$package" --input "$out/gen/$app-input" --main-jar "$app.jar" --main-class "$app.Main" \
        --name "$app" --dest "$out/app-images" --console-app --cds --quiet \
        --launcher "$launcher" --runtime-jar "$runtime_jar" --jdk "$jdk"
    # The same image without the application archive: what the jlink runtime alone gives.
    "$stamp" write --input "$launcher" --output "$out/app-images/$app/bin/$app-no-app-cds" \
        --main-class "$app.Main" --jvm-option "-Djava.class.path=&&$app.jar:&&trellane-runtime.jar" \
        --console-app
    # The reference program's own application archive, trained the same way.
    "$build/bench/minimal_launch" "$app.Main" "-Djava.class.path=$out/images/$app/app/$app.jar" \
        "-XX:ArchiveClassesAtExit=$out/apps/$app-reference.jsa" >/dev/null 2>&1
done

# --- Measurements -------------------------------------------------------------------------
step "micro-benchmarks"
micro_time=0.5
[ "$quick" = 1 ] && micro_time=0.05
"$build/bench/micro_bench" --benchmark_min_time="$micro_time" --benchmark_format=json \
    --benchmark_out="$out/micro.json" --benchmark_out_format=json >/dev/null

step "paired start-up runs (load: $(cut -d' ' -f1-3 /proc/loadavg))"
results="$bench/RESULTS.md"
[ "$quick" = 1 ] && results="$out/RESULTS.md"
python3 "$bench/startup_bench.py" --out "$out" --build "$build" --jdk "$jdk" \
    --launcher "$launcher" --results "$results" \
    --windows-launcher "$root/dist/windows/launcher.exe"
step "wrote $results"
