/*
 * Preloaded into a launcher (LD_PRELOAD), this stands in for libjvm's JNI_CreateJavaVM: the
 * launcher's calls bind here first, so the process gets exactly as far as creating the JVM and
 * no further. It measures what happened in between:
 *
 *   - wall time from this library's initializer (it runs before the executable's own static
 *     initializers, where the launch configuration is parsed) to the JNI_CreateJavaVM call;
 *   - under valgrind --tool=callgrind, the instructions executed in that interval: the
 *     initializer zeroes callgrind's counters and the call dumps them.
 *
 * It prints "create_vm_reached ns=N options=N option_bytes=N" on standard error and ends the
 * process with status 0. With CREATE_VM_SHIM_LIST set it also prints every option.
 */
#include <jni.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <time.h>
#include <unistd.h>
#include <valgrind/callgrind.h>

static struct timespec started;

__attribute__((constructor)) static void startClock(void) {
    CALLGRIND_ZERO_STATS;
    clock_gettime(CLOCK_MONOTONIC, &started);
}

JNIEXPORT jint JNICALL JNI_CreateJavaVM(JavaVM** vm, void** env, void* args) {
    struct timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    CALLGRIND_DUMP_STATS_AT("JNI_CreateJavaVM");
    (void)vm;
    (void)env;
    const JavaVMInitArgs* initArgs = (const JavaVMInitArgs*)args;
    long long ns = (long long)(now.tv_sec - started.tv_sec) * 1000000000LL +
                   (now.tv_nsec - started.tv_nsec);
    size_t bytes = 0;
    for (jint i = 0; i < initArgs->nOptions; ++i) {
        bytes += strlen(initArgs->options[i].optionString);
        if (getenv("CREATE_VM_SHIM_LIST"))
            fprintf(stderr, "option %d: %s\n", (int)i, initArgs->options[i].optionString);
    }
    fprintf(stderr, "create_vm_reached ns=%lld options=%d option_bytes=%zu\n", ns,
            (int)initArgs->nOptions, bytes);
    fflush(stderr);
    _exit(0);
}
