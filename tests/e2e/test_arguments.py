"""What the application's main receives, and the command property built from the same words."""

import unittest

import harness


def main_lines(arguments):
    return "count=%d\n" % len(arguments) + "".join("[%s]\n" % a for a in arguments)


class ArgumentTest(harness.LauncherTestCase):

    def test_default_arguments_come_first_then_the_command_line(self):
        defaults = ["--mode", "two words"]
        command_line = ["a", "", "b c", "x&&y", 'say "hi"']
        # -Xcheck:jni: the JVM also reports any JNI misuse of the launcher on stderr.
        app = self.make_app("fixture.Args", [harness.CLASS_PATH_OPTION, "-Xcheck:jni"],
                            default_arguments=defaults)
        result = app.run(*command_line)
        # main gets "&&" untouched; the command property went through the expansions.
        command = "fixture.Args --mode two words a  b c x%sy say \"hi\"" % app.app_dir
        self.assertLaunch(result, 0,
                          stdout=main_lines(defaults + command_line) + "command=%s\n" % command,
                          stderr="")

    def test_no_arguments_give_an_empty_array(self):
        result = self.make_app("fixture.Args").run()
        self.assertLaunch(result, 0, stdout="count=0\ncommand=fixture.Args\n", stderr="")

    def test_text_reaches_main_as_characters_whatever_the_locale(self):
        # (bytes on the command line, what main sees)
        cases = [
            ("h\u00e9llo w\u00f6rld \u20ac", "h\u00e9llo w\u00f6rld \u20ac"),
            ("\u65e5\u672c\u8a9e", "\u65e5\u672c\u8a9e"),
            ("\U0001F600 beyond the BMP \U0010FFFF", "\U0001F600 beyond the BMP \U0010FFFF"),
            (b"\xff\xfe stray bytes", "\ufffd\ufffd stray bytes"),
            (b"cut short \xe2\x82", "cut short \ufffd"),
            (b"\xed\xa0\x80 encoded surrogate", "\ufffd\ufffd\ufffd encoded surrogate"),
        ]
        app = self.make_app("fixture.Args", default_arguments=["d\u00e9faut \U0001F600"])
        result = app.run(*(raw for raw, _ in cases), env={"LANG": None, "LC_ALL": "C"})
        self.assertEqual(0, result.status, result.describe())
        expected = ["d\u00e9faut \U0001F600"] + [seen for _, seen in cases]
        self.assertEqual(main_lines(expected), result.stdout.split("command=")[0])


if __name__ == "__main__":
    unittest.main()
