"""The thread that runs the launch sequence and its stack.

Wine commits a thread's whole stack at once, so the test JVM measures the reservation, which
is what the configured size decides: a size above the image's 1 MiB default widens it."""

import unittest

from launcher_install import LaunchSettings
from wine_case import KNOWN_FOLDER_ERROR, WineTestCase, setUpModule  # noqa: F401

MIB = 1024 * 1024


class LaunchThreadTest(WineTestCase):
    def test_thread_and_stack_reservation_follow_the_configuration(self):
        cases = (
            # (stack size, useMainThread, thread that creates the JVM, its reservation)
            (8 * MIB, False, "other", 8 * MIB),
            (0, False, "other", 1 * MIB),        # the image's default
            (64 * 1024, False, "other", 1 * MIB),
            (8 * MIB, True, "primary", 1 * MIB),  # no thread: the size has no effect
        )
        for stack_size, main_thread, thread, reservation in cases:
            with self.subTest(stack_size=stack_size, use_main_thread=main_thread):
                install = self.install(LaunchSettings(stack_size=stack_size,
                                                      use_main_thread=main_thread))
                launch = install.run()
                self.assertLaunch(launch, 0, KNOWN_FOLDER_ERROR)
                self.assertEqual(launch.log.creating_thread, thread)
                self.assertEqual(launch.log.stack_reservation, reservation)

    def test_thread_creation_failure_ends_the_launch(self):
        # Wine grants even a 4 GiB stack on x86-64; with the address space limited to 3 GB
        # it cannot, and CreateThread fails as Windows would under memory pressure.
        install = self.install(LaunchSettings(stack_size=0xFFFFFFFF))
        launch = install.run(address_space_limit=3 * 1000 * MIB)
        self.assertLaunch(launch, 1, KNOWN_FOLDER_ERROR + b"CreateThread failed.\r\n")
        self.assertTrue(launch.log.loaded)
        self.assertFalse(launch.log.created)


if __name__ == "__main__":
    unittest.main()
