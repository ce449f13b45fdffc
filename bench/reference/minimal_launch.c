/*
 * The physical limit of an in-process launch: the least a native program can do to run a Java
 * main through the JNI Invocation API. Built twice: straight to the main class, and (with
 * THROUGH_BOOTSTRAP) through the runtime's bootstrap class, the way the launcher finds main.
 *
 * usage: minimal_launch MAIN_CLASS [JVM_OPTION]...
 *   MAIN_CLASS is dotted; the JVM options go to JNI_CreateJavaVM unchanged, in order.
 * Exit status 0 when main returned, 1 on any failure.
 */
#include <jni.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

static void exitOnException(JNIEnv* env) {
    if (!(*env)->ExceptionCheck(env)) return;
    (*env)->ExceptionDescribe(env);
    exit(1);
}

#ifdef THROUGH_BOOTSTRAP
/* Launcher.prepare resolves the class, its static fields hold the class and the method. */
static jclass findMain(JNIEnv* env, const char* mainClass, jmethodID* mainMethod) {
    jclass launcher = (*env)->FindClass(env, "morvantic/trellane/launcher/Launcher");
    exitOnException(env);
    jmethodID prepare =
        (*env)->GetStaticMethodID(env, launcher, "prepare", "(Ljava/lang/String;)V");
    exitOnException(env);
    (*env)->CallStaticVoidMethod(env, launcher, prepare, (*env)->NewStringUTF(env, mainClass));
    exitOnException(env);
    jfieldID methodField =
        (*env)->GetStaticFieldID(env, launcher, "mainMethod", "Ljava/lang/reflect/Method;");
    exitOnException(env);
    jfieldID classField = (*env)->GetStaticFieldID(env, launcher, "clazz", "Ljava/lang/Class;");
    exitOnException(env);
    jobject method = (*env)->GetStaticObjectField(env, launcher, methodField);
    jobject clazz = (*env)->GetStaticObjectField(env, launcher, classField);
    exitOnException(env);
    *mainMethod = (*env)->FromReflectedMethod(env, method);
    exitOnException(env);
    return (jclass)clazz;
}
#else
/* FindClass wants the slash form. */
static jclass findMain(JNIEnv* env, const char* mainClass, jmethodID* mainMethod) {
    char name[1024];
    size_t length = strlen(mainClass);
    if (length >= sizeof name) exit(1);
    for (size_t i = 0; i <= length; ++i) name[i] = mainClass[i] == '.' ? '/' : mainClass[i];
    jclass clazz = (*env)->FindClass(env, name);
    exitOnException(env);
    *mainMethod = (*env)->GetStaticMethodID(env, clazz, "main", "([Ljava/lang/String;)V");
    exitOnException(env);
    return clazz;
}
#endif

int main(int argc, char** argv) {
    if (argc < 2) {
        fprintf(stderr, "usage: %s MAIN_CLASS [JVM_OPTION]...\n", argv[0]);
        return 1;
    }
    int optionCount = argc - 2;
    JavaVMOption* options = calloc(optionCount > 0 ? optionCount : 1, sizeof *options);
    for (int i = 0; i < optionCount; ++i) options[i].optionString = argv[i + 2];
    JavaVMInitArgs initArgs = {JNI_VERSION_1_8, optionCount, options, JNI_FALSE};

    JavaVM* vm;
    JNIEnv* env;
    jint created = JNI_CreateJavaVM(&vm, (void**)&env, &initArgs);
    if (created != JNI_OK) {
        fprintf(stderr, "JNI_CreateJavaVM failed: %d\n", (int)created);
        return 1;
    }
    jmethodID mainMethod;
    jclass mainClass = findMain(env, argv[1], &mainMethod);
    jclass stringClass = (*env)->FindClass(env, "java/lang/String");
    jobjectArray arguments = (*env)->NewObjectArray(env, 0, stringClass, NULL);
    exitOnException(env);
    (*env)->CallStaticVoidMethod(env, mainClass, mainMethod, arguments);
    if ((*env)->ExceptionCheck(env)) {
        (*env)->ExceptionDescribe(env);
        return 1;
    }
    (*vm)->DetachCurrentThread(vm);
    (*vm)->DestroyJavaVM(vm);
    return 0;
}
