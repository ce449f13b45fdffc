#!/usr/bin/env bash
# make demo (after make dist): packages samples/hello with trellane-package as a Linux app image
# under demo/, runs it, makes a Debian package of it (printing what dpkg-deb says) and an RPM
# package (printing what rpm -qpi says), and builds
# the Windows image too, branded and signed with a throwaway certificate, when WINDOWS_RUNTIME
# names a Windows Java runtime or WINDOWS_JDK a Windows JDK to link one from (without either,
# the sample's launcher alone is stamped, branded and signed), and the sample's signed MSI,
# shown by msiinfo (without a Windows runtime, a test package on a stand-in runtime that
# cannot run a JVM).
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
dist=dist
package=$dist/bin/trellane-package
build=demo/build
main_class=com.example.hello.Hello
greeting="Hello from an application started by the Trellane launcher"

# --- The sample application: a jar whose bytes change only when its sources do ---------
rm -rf "$build/classes"
mkdir -p "$build/input"
mapfile -t sources < <(find samples/hello/src -name '*.java' | sort)
javac --release 8 -Xlint:all,-options -Werror -encoding UTF-8 \
    -cp "$dist/java/trellane-runtime.jar" -d "$build/classes" "${sources[@]}"
classes=()
while IFS= read -r class; do classes+=(-C "$build/classes" "$class"); done \
    < <(cd "$build/classes" && find . -name '*.class' | sed 's|^\./||' | sort)
rm -f "$build/input/hello.jar"
jar --create --file "$build/input/hello.jar" --date 2000-01-01T00:00:00Z "${classes[@]}"

# Folders an earlier demo laid out by hand, which trellane-package rightly will not replace.
for old in demo/hello demo/hello-windows; do
    [ -e "$old" ] && [ ! -e "$old/.trellane-package" ] && rm -rf "$old"
done

# What every image of the sample gets.
sample=(--input "$build/input" --main-jar hello.jar --main-class "$main_class"
        --console-app --java-options "-Dhello.greeting=\"$greeting\"" --java-options -Xmx64m
        --overwrite)

# --- The Linux image, with a class data sharing archive trained on one run --------------
# Packaged again only when something that goes into it changed.
linux=(--name hello --dest demo --cds --cds-train-arg training)
inputs=$({ printf '%s\n' "${sample[@]}" "${linux[@]}"
           sha256sum "$build/input/hello.jar" "$package" "$dist/linux/launcher" \
               "$dist/java/trellane-runtime.jar"; } | sha256sum)
if [ -e demo/hello/.trellane-package ] && [ "$(cat demo/.hello-inputs 2>/dev/null)" = "$inputs" ]
then
    echo "demo/hello is up to date"
else
    "$package" "${sample[@]}" "${linux[@]}"
    echo "$inputs" >demo/.hello-inputs
fi

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
run demo/hello/bin/hello "first argument" "caf$(printf '\xc3\xa9') && more"
run demo/hello/bin/hello --fail

# --- The same image as a Debian package, with a menu entry -----------------------------
# Debian has a package named hello of its own: this one is named apart from it.
deb=(--type deb --name hello --linux-package-name trellane-hello --dest demo/deb
     --app-version 1.0 --vendor "Trellane demo" --linux-deb-maintainer hello@example.com
     --description "Greeting from a Java application" --linux-shortcut
     --icon samples/hello/hello.png)
deb_inputs=$({ printf '%s\n' "${sample[@]}" "${deb[@]}"
               sha256sum "$build/input/hello.jar" "$package" "$dist/linux/launcher" \
                   "$dist/java/trellane-runtime.jar" samples/hello/hello.png; } | sha256sum)
deb_file=$(ls demo/deb/trellane-hello_1.0-1_*.deb 2>/dev/null || true)
if [ -n "$deb_file" ] && [ "$(cat demo/.deb-inputs 2>/dev/null)" = "$deb_inputs" ]; then
    echo "$deb_file is up to date"
else
    "$package" "${sample[@]}" "${deb[@]}"
    echo "$deb_inputs" >demo/.deb-inputs
    deb_file=$(ls demo/deb/trellane-hello_1.0-1_*.deb)
fi
echo
echo "\$ dpkg-deb --info $deb_file"
dpkg-deb --info "$deb_file"

# --- And as an RPM package, for Fedora, RHEL and openSUSE ---------------------------------
rpm=(--type rpm --name hello --dest demo/rpm --app-version 1.0 --vendor "Trellane demo"
     --linux-rpm-license-type MIT --description "Greeting from a Java application"
     --linux-shortcut --icon samples/hello/hello.png)
rpm_inputs=$({ printf '%s\n' "${sample[@]}" "${rpm[@]}"
               sha256sum "$build/input/hello.jar" "$package" "$dist/linux/launcher" \
                   "$dist/java/trellane-runtime.jar" samples/hello/hello.png; } | sha256sum)
rpm_file=$(ls demo/rpm/hello-1.0-1.*.rpm 2>/dev/null || true)
if [ -n "$rpm_file" ] && [ "$(cat demo/.rpm-inputs 2>/dev/null)" = "$rpm_inputs" ]; then
    echo "$rpm_file is up to date"
else
    "$package" "${sample[@]}" "${rpm[@]}"
    echo "$rpm_inputs" >demo/.rpm-inputs
    rpm_file=$(ls demo/rpm/hello-1.0-1.*.rpm)
fi
echo
echo "\$ rpm -qpi $rpm_file"
rpm -qpi "$rpm_file"

# --- The Windows image: needs a Windows Java runtime, which no Linux machine has --------
echo
echo "Linux image:    demo/hello ($(du -sh demo/hello | cut -f1))"
echo "Linux package:  $deb_file ($(du -sh "$deb_file" | cut -f1)); install it with" \
    "apt install ./$deb_file, then run /opt/trellane-hello/bin/hello"
echo "RPM package:    $rpm_file ($(du -sh "$rpm_file" | cut -f1)); install it with" \
    "dnf install ./$rpm_file"
source scripts/demo-branding.sh
make_demo_certificate
if [ -n "${WINDOWS_RUNTIME:-}${WINDOWS_JDK:-}" ]; then
    exe="demo/windows/$demo_name/bin/$demo_name.exe"
    if [ -n "${WINDOWS_RUNTIME:-}" ]; then
        runtime=(--runtime-image "$WINDOWS_RUNTIME")
    else
        runtime=(--runtime-jdk "$WINDOWS_JDK")
    fi
    "$package" "${sample[@]}" --target windows "${runtime[@]}" \
        --dest demo/windows "${branding_options[@]}" "${signing_options[@]}"
    report_branding "$dist/bin/trellane-stamp" "$exe"
    echo
    echo "Windows image:  demo/windows/$demo_name ($(du -sh "demo/windows/$demo_name" | cut -f1));" \
        "copy it to Windows and run bin\\$demo_name.exe"
else
    feature=$(javac -version 2>&1 | sed -E 's/^javac ([0-9]+).*/\1/')
    cat <<EOF
Windows image:  not built, for want of a Windows Java runtime. Give one and run again:
    WINDOWS_RUNTIME=DIR make demo
DIR is a Windows x86-64 Java runtime of version 9 or later: the unpacked archive of a
Windows x64 JRE or JDK, or a runtime made on Windows with
    jlink --add-modules java.base,jdk.localedata,jdk.crypto.ec,jdk.charsets,jdk.zipfs ^
          --strip-debug --no-header-files --no-man-pages --output hello-runtime
Or have one linked here from the unpacked archive of a Windows x64 JDK $feature (the version
of this machine's JDK):
    WINDOWS_JDK=DIR make demo
Meanwhile the sample's launcher alone is stamped, branded and signed:
EOF
    exe=demo/windows-launcher/hello.exe
    mkdir -p demo/windows-launcher
    "$dist/bin/trellane-stamp" write --input "$dist/windows/launcher.exe" --output "$exe" \
        --main-class "$main_class" --console-app \
        --jvm-option "-Djava.class.path=&&hello.jar;&&trellane-runtime.jar" \
        --jvm-option "-Dhello.greeting=$greeting" --jvm-option -Xmx64m
    unbranded=$(stat -c %s "$exe")
    "$dist/bin/trellane-stamp" brand --input "$exe" --output "$exe" "${branding_options[@]}" \
        "${signing_options[@]}"
    report_branding "$dist/bin/trellane-stamp" "$exe"
    echo
    echo "$exe: $(stat -c %s "$exe") bytes branded and signed, $unbranded before"
fi

# --- The MSI: the Windows image as Windows users install it ------------------------------
# With a Windows runtime, the real one. Without, a test package: its runtime is a stand-in
# (a DLL with the JVM's entry point that starts no JVM), so it installs, shows its shortcuts
# and uninstalls, but the application cannot start.
msi_options=(--type msi --win-menu --win-shortcut --about-url https://example.com/hello)
if [ -n "${WINDOWS_RUNTIME:-}${WINDOWS_JDK:-}" ]; then
    msi_dest=demo/windows
    msi_options+=("${runtime[@]}" --description "Says hello")
else
    msi_dest=demo/msi-test-package
    synthetic=demo/build/synthetic-windows-runtime
    mkdir -p "$synthetic/bin/server" "$synthetic/lib"
    x86_64-w64-mingw32-gcc-win32 -O2 -s -shared -o "$synthetic/bin/server/jvm.dll" \
        tests/package/fixtures/libraries/jvm_library.c
    echo "a stand-in: no Java modules" >"$synthetic/lib/modules"
    printf 'JAVA_VERSION="17.0.15"\nMODULES="java.base"\n' >"$synthetic/release"
    msi_options+=(--runtime-image "$synthetic"
                  --description "TEST PACKAGE: its Java runtime is a stand-in that cannot run a JVM")
fi
"$package" "${sample[@]}" "${msi_options[@]}" --dest "$msi_dest" --quiet \
    "${branding_options[@]}" "${signing_options[@]}"
msi="$msi_dest/$demo_name-1.0.msi"
echo
if [ -z "${WINDOWS_RUNTIME:-}${WINDOWS_JDK:-}" ]; then
    echo "TEST PACKAGE (no Windows runtime given): it installs and uninstalls, but its runtime"
    echo "is a stand-in that cannot run a JVM. Give WINDOWS_RUNTIME=DIR for a real one."
fi
echo "\$ msiinfo suminfo $msi"
msiinfo suminfo "$msi" | sed 's/^/  /'
echo "\$ msiinfo export $msi Property   (the product's)"
msiinfo export "$msi" Property | grep -E '^(ProductName|ProductVersion|Manufacturer|ProductCode|UpgradeCode|ARPCOMMENTS)\b' |
    sed 's/^/  /'
echo "\$ osslsigncode verify -CAfile cert.pem -in $msi"
osslsigncode verify -CAfile "$demo_keys/cert.pem" -in "$msi" |
    grep -E '^(Signature verification|Number of verified)|Subject:|^Succeeded|^Failed' |
    sed 's/^[[:space:]]*/  /' | awk '!seen[$0]++'
echo
echo "MSI:            $msi ($(stat -c %s "$msi") bytes, signed); on Windows: msiexec /i \"$demo_name-1.0.msi\""
