#!/usr/bin/env bash
# Builds a self-contained Linux application image around the stamped launcher:
#
#   OUT/bin/NAME          the launcher, stamped for this application
#   OUT/app/*.jar         the application's jars and trellane-runtime.jar
#   OUT/lib/server/...    a Java runtime made by jlink (with its CDS archive)
#
# The launcher finds the image's libjvm.so through its RUNPATH ($ORIGIN/../lib/server) and the
# jars through "&&", the app/ folder next to its bin/. A rerun with the same inputs does
# nothing; a new JDK or module list rebuilds the runtime, new jars or options redo the rest.
set -euo pipefail

usage() {
    cat <<'EOF'
Usage: scripts/make-app-image.sh --output DIR --main-class CLASS [options] JAR...

  --output DIR            the image to build (created or brought up to date)
  --main-class CLASS      the application's main class, dotted
  --name NAME             the launcher's name in DIR/bin (default: DIR's name)
  --jvm-option OPT        a JVM option to stamp, after the class path (repeatable)
  --default-argument ARG  an argument main receives before the command line's (repeatable)
  --console-app           stamp the launcher as a console application
  --add-modules M[,M...]  modules to add to those jdeps finds in the jars
  --cds                   train an application CDS archive (app/NAME.jsa) in one run of the
                          launcher, and stamp -XX:SharedArchiveFile for it
  --train-arg ARG         an argument for that training run (repeatable)
  --launcher FILE         the unstamped launcher (default: dist/linux/launcher)
  --stamp FILE            the stamp tool (default: dist/bin/trellane-stamp)
  --runtime-jar FILE      the runtime jar (default: dist/java/trellane-runtime.jar)
  --jdk DIR               the JDK whose jlink and modules to use (default: javac's on the PATH)
EOF
}

fail() {
    echo "make-app-image: $*" >&2
    exit 1
}

root=$(cd "$(dirname "$0")/.." && pwd)
out="" main_class="" name="" console_app=0 cds=0 add_modules=""
launcher="$root/dist/linux/launcher"
stamp="$root/dist/bin/trellane-stamp"
runtime_jar="$root/dist/java/trellane-runtime.jar"
jdk=""
jvm_options=() default_arguments=() train_arguments=() jars=()

while [ $# -gt 0 ]; do
    case "$1" in
        --output) out=$2; shift 2 ;;
        --main-class) main_class=$2; shift 2 ;;
        --name) name=$2; shift 2 ;;
        --jvm-option) jvm_options+=("$2"); shift 2 ;;
        --default-argument) default_arguments+=("$2"); shift 2 ;;
        --console-app) console_app=1; shift ;;
        --add-modules) add_modules="$add_modules,$2"; shift 2 ;;
        --cds) cds=1; shift ;;
        --train-arg) train_arguments+=("$2"); shift 2 ;;
        --launcher) launcher=$2; shift 2 ;;
        --stamp) stamp=$2; shift 2 ;;
        --runtime-jar) runtime_jar=$2; shift 2 ;;
        --jdk) jdk=$2; shift 2 ;;
        -h | --help) usage; exit 0 ;;
        --) shift; jars+=("$@"); break ;;
        -*) fail "unknown option $1 (see --help)" ;;
        *) jars+=("$1"); shift ;;
    esac
done

[ -n "$out" ] || fail "--output is required (see --help)"
[ -n "$main_class" ] || fail "--main-class is required (see --help)"
[ ${#jars[@]} -gt 0 ] || fail "no application jar given (see --help)"
for file in "$launcher" "$stamp" "$runtime_jar" "${jars[@]}"; do
    [ -f "$file" ] || fail "$file does not exist"
done
[ -n "$name" ] || name=$(basename "$out")
if [ -z "$jdk" ]; then
    jdk=$(dirname "$(dirname "$(readlink -f "$(command -v javac)")")")
fi
[ -x "$jdk/bin/jlink" ] || fail "no jlink in $jdk/bin"

# The class path: every jar by name in app/, the runtime jar last (unless given among them).
app_files=() class_path=""
for jar in "${jars[@]}" "$runtime_jar"; do
    base=$(basename "$jar")
    case " ${app_files[*]-} " in *" $base "*)
        [ "$jar" = "$runtime_jar" ] && continue
        fail "two jars are named $base" ;;
    esac
    app_files+=("$base")
    class_path="$class_path${class_path:+:}&&$base"
done

fingerprint() { sha256sum | cut -c1-64; }

# --- The Java runtime -------------------------------------------------------------------
modules=$("$jdk/bin/jdeps" --print-module-deps --ignore-missing-deps -q \
    --multi-release base "${jars[@]}" "$runtime_jar")
modules=$(echo "java.base,$modules$add_modules" | tr ',' '\n' | sed '/^$/d' | sort -u | paste -sd,)
jlink_options=(--add-modules "$modules" --strip-debug --no-header-files --no-man-pages
               --generate-cds-archive)
runtime_key=$({ echo "${jlink_options[*]}"; cat "$jdk/release"; stat -c '%s %Y' "$jdk/lib/modules"
              } | fingerprint)

if [ "$(cat "$out/.runtime-key" 2>/dev/null)" != "$runtime_key" ]; then
    # Only an image of ours is replaced: a mistyped --output must not cost a folder.
    if [ -e "$out" ] && [ ! -f "$out/.runtime-key" ] && [ -n "$(ls -A "$out")" ]; then
        fail "$out exists and is not an application image: choose another --output"
    fi
    rm -rf "$out"
    mkdir -p "$(dirname "$out")"
    echo "make-app-image: jlink $modules -> $out"
    # jlink's CDS step warns about classes of its default list that these modules lack:
    # noise, kept in a log that is shown only when jlink fails.
    log=$(mktemp)
    if ! "$jdk/bin/jlink" "${jlink_options[@]}" --output "$out" >"$log" 2>&1; then
        cat "$log" >&2
        rm -f "$log"
        fail "jlink failed"
    fi
    rm -f "$log"
    # The archive for heaps beyond 32 GB, where compressed pointers are off: 10 MB that a
    # desktop application never maps.
    rm -f "$out/lib/server/classes_nocoops.jsa"
    echo "$runtime_key" >"$out/.runtime-key"
fi

# --- The application --------------------------------------------------------------------
stamp_arguments=(--main-class "$main_class" --jvm-option "-Djava.class.path=$class_path")
for option in "${jvm_options[@]}"; do stamp_arguments+=(--jvm-option "$option"); done
for argument in "${default_arguments[@]}"; do
    stamp_arguments+=(--default-argument "$argument")
done
[ "$console_app" = 1 ] && stamp_arguments+=(--console-app)

# With --cds the image's location counts too: the JVM checks the archive's class path
# verbatim, so a moved image needs a new training run.
location=""
[ "$cds" = 1 ] && location=$(cd "$out" && pwd)
app_key=$({ echo "$runtime_key $name $cds $location"; printf '%s\n' "${stamp_arguments[@]}"
            printf 'train %s\n' "${train_arguments[@]}"
            sha256sum "${jars[@]}" "$runtime_jar" "$launcher" "$stamp" | cut -c1-64
          } | fingerprint)
if [ "$(cat "$out/.app-key" 2>/dev/null)" = "$app_key" ]; then
    echo "make-app-image: $out is up to date"
    exit 0
fi

rm -rf "${out:?}/app" "${out:?}/bin/${name:?}" "$out/.app-key"
mkdir -p "$out/app" "$out/bin"
for jar in "${jars[@]}" "$runtime_jar"; do
    cp "$jar" "$out/app/"
done

if [ "$cds" = 1 ]; then
    # The training launcher lives in bin/ too: the archive records the class path the JVM
    # saw, and "&&" must expand to the same app/ folder in both runs.
    trainer="$out/bin/.$name-training"
    "$stamp" write --input "$launcher" --output "$trainer" "${stamp_arguments[@]}" \
        --jvm-option "-XX:ArchiveClassesAtExit=&&$name.jsa"
    echo "make-app-image: training run for app/$name.jsa"
    if ! "$trainer" "${train_arguments[@]}" >"$out/app/.training.log" 2>&1; then
        cat "$out/app/.training.log" >&2
        rm -f "$trainer"
        fail "the training run failed"
    fi
    rm -f "$trainer" "$out/app/.training.log"
    [ -f "$out/app/$name.jsa" ] || fail "the training run wrote no app/$name.jsa"
    # The archive names the image's absolute location; an image installed elsewhere starts
    # without it. The user must not get the JVM's warning about that at every start.
    stamp_arguments+=(--jvm-option "-XX:SharedArchiveFile=&&$name.jsa"
                      --jvm-option "-Xlog:cds+dynamic=off")
fi

"$stamp" write --input "$launcher" --output "$out/bin/$name" "${stamp_arguments[@]}"
echo "$app_key" >"$out/.app-key"
echo "make-app-image: built $out ($(du -sh "$out" | cut -f1)), run $out/bin/$name"
