package com.example.hello;

import java.io.FileNotFoundException;
import java.util.Arrays;
import morvantic.trellane.updater.OnlineUpdater;

/**
 * A small application that shows what its launcher gave it: the arguments, a system property
 * from the configured JVM options, and the Java runtime it runs on. "--fail" makes it throw, to
 * show how an uncaught exception ends the application.
 */
public final class Hello {
    private Hello() {}

    public static void main(String[] args) {
        if (Arrays.asList(args).contains("--fail")) {
            throw new IllegalStateException(
                    "Asked to fail", new FileNotFoundException("settings.conf"));
        }
        System.out.println(System.getProperty("hello.greeting", "Hello (no hello.greeting set)"));
        show("arguments", args.length + " " + Arrays.toString(args));
        show("java.version", System.getProperty("java.version"));
        show("java.home", System.getProperty("java.home"));
        // "sharing" in the VM's info: the JVM mapped a class data sharing archive.
        show("java.vm", System.getProperty("java.vm.name")
                + " (" + System.getProperty("java.vm.info") + ")");
        show("class path", System.getProperty("java.class.path"));
        show("max heap", Runtime.getRuntime().maxMemory() / (1024 * 1024) + " MiB");
        OnlineUpdater.checkForUpdates();
        show("update check", "returned");
    }

    private static void show(String what, String value) {
        System.out.printf("  %-13s %s%n", what, value);
    }
}
