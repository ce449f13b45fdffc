#!/usr/bin/env bash
# make demo (after make dist): packages samples/hello as an application image under demo/,
# runs it, and lays out the Windows launcher for the same application.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
dist=dist
image=demo/hello
build=demo/build
main_class=com.example.hello.Hello
greeting="Hello from an application started by the Trellane launcher"

# --- The sample application: a jar whose bytes change only when its sources do ---------
rm -rf "$build/classes"
mkdir -p "$build"
mapfile -t sources < <(find samples/hello/src -name '*.java' | sort)
javac --release 8 -Xlint:all,-options -Werror -encoding UTF-8 \
    -cp "$dist/java/trellane-runtime.jar" -d "$build/classes" "${sources[@]}"
classes=()
while IFS= read -r class; do classes+=(-C "$build/classes" "$class"); done \
    < <(cd "$build/classes" && find . -name '*.class' | sed 's|^\./||' | sort)
rm -f "$build/hello.jar"
jar --create --file "$build/hello.jar" --date 2000-01-01T00:00:00Z "${classes[@]}"

# --- The Linux image, with a class data sharing archive trained on one run --------------
scripts/make-app-image.sh --output "$image" --main-class "$main_class" --console-app \
    --jvm-option "-Dhello.greeting=$greeting" --jvm-option -Xmx64m \
    --cds --train-arg training "$build/hello.jar"

# Shows the command as one would type it, then its output (stderr in place) and status.
run() {
    local shown="" word status=0
    for word in "$@"; do
        case "$word" in
            *[!A-Za-z0-9_./=-]*) shown="$shown '$word'" ;;
            *) shown="$shown $word" ;;
        esac
    done
    echo
    echo "\$${shown}"
    "$@" 2>&1 || status=$?
    echo "(exit status $status)"
}
run "$image/bin/hello" "first argument" "caf$(printf '\xc3\xa9') && more"
run "$image/bin/hello" --fail

# --- The Windows layout: the stamped, branded and signed launcher.exe and the jars, -----
# --- without a runtime ---------------------------------------------------------------
# No Windows JDK here: a Windows runtime made by jlink belongs at its root, with jvm.dll
# where the loader finds it, beside hello.exe.
windows=demo/hello-windows
rm -rf "$windows"
mkdir -p "$windows/bin" "$windows/app"
cp "$build/hello.jar" "$dist/java/trellane-runtime.jar" "$windows/app/"
"$dist/bin/trellane-stamp" write --input "$dist/windows/launcher.exe" \
    --output "$windows/bin/hello.exe" --main-class "$main_class" --console-app \
    --jvm-option "-Djava.class.path=&&hello.jar;&&trellane-runtime.jar" \
    --jvm-option "-Dhello.greeting=$greeting" --jvm-option -Xmx64m
scripts/demo-branding.sh "$dist/bin/trellane-stamp" "$windows/bin/hello.exe"

echo
echo "Linux image:     $image ($(du -sh "$image" | cut -f1); runtime jar" \
    "$(stat -c %s "$image/app/trellane-runtime.jar") bytes)"
echo "Windows layout:  $windows (bin/hello.exe and app/; no Java runtime)"
