#!/usr/bin/env python3
"""scripts/mutate.py on a throwaway repository: a tiny source in a
production folder, a test program built with the native compiler that
reaches one function and not the other. Exits 77 (skipped) without one."""
import json
import os
import shutil
import signal
import subprocess
import sys
import tempfile
import time
import unittest

SCRIPT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "scripts", "mutate.py")
CXX = shutil.which("g++") or shutil.which("c++") or shutil.which("clang++")

# CR LF lines and no final line break: a restored file must match to the byte.
SOURCE = ("int Twice(int V)\r\n{\r\n    return V * 2; // reached\r\n}\r\n"
          "int Never(int V)\r\n{\r\n    return V * 3; // no test calls it\r\n}\r\n"
          "static_assert(sizeof(char) == 1, \"a char is 1 byte\");").encode()
CHECK = b"int Twice(int);\nint main() { return Twice(5) == 10 ? 0 : 1; }\n"
# For the kinds that leave something out: the check looks up keys 2 and 3
# only, and adds without doubling.
DROPS = b"""struct TRow { int Key; int Value; };
static const TRow Rows[] = {
    {1, 10}, {2, 20},
    {3, 30},
};
int Lookup(int Key)
{
    for (const TRow& R : Rows)
        if (R.Key == Key)
            return R.Value;
    return 0;
}
int Count = 0;
int Add(int V, bool Double)
{
    int Sum = V;
    Sum += 1; Count++;
    if (V < 100 && Double)
        Sum *= 2;
    return Sum;
}
void Keep(int V)
{
    Count = Count +
            V;
}
"""
CHECK_DROPS = (b"int Lookup(int);\nint Add(int, bool);\n"
               b"int main() { return Lookup(2) == 20 && Lookup(3) == 30 && Add(-5, false) == -4 ? 0 : 1; }\n")


class MutateScript(unittest.TestCase):
    def setUp(self):
        self.dir = tempfile.mkdtemp(prefix="mutate-test-")
        self.repo = os.path.join(self.dir, "repo")
        os.makedirs(os.path.join(self.repo, "classlib"))
        os.makedirs(os.path.join(self.repo, "build"))
        git = ["git", "-C", self.repo, "-c", "user.name=t", "-c", "user.email=t@t"]
        subprocess.run(git[:3] + ["init", "-q"], check=True)
        with open(os.path.join(self.repo, "classlib", "Calc.cpp"), "wb") as f:
            f.write(b"")
        with open(os.path.join(self.repo, "Check.cpp"), "wb") as f:
            f.write(CHECK)
        with open(os.path.join(self.repo, ".gitignore"), "w") as f:
            f.write("build/\n")
        subprocess.run(git + ["add", "."], check=True)
        subprocess.run(git + ["commit", "-qm", "base"], check=True)
        self.base = subprocess.run(git + ["rev-parse", "HEAD"], capture_output=True, text=True).stdout.strip()
        self.source = os.path.join(self.repo, "classlib", "Calc.cpp")
        with open(self.source, "wb") as f:
            f.write(SOURCE)
        self.build_cmd = CXX + " -o {build}/check {repo}/classlib/Calc.cpp {repo}/Check.cpp"

    def tearDown(self):
        shutil.rmtree(self.dir)

    def mutate(self, *extra, test_cmd="{build}/check", wait=True):
        cmd = [sys.executable, SCRIPT, "--repo", self.repo, "--base", self.base,
               "--build-cmd", self.build_cmd, "--test-cmd", test_cmd] + list(extra)
        if not wait:
            return subprocess.Popen(cmd, stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True)
        return subprocess.run(cmd, capture_output=True, text=True, timeout=60)

    def assert_restored(self):
        with open(self.source, "rb") as f:
            self.assertEqual(f.read(), SOURCE)

    def test_caught_survived_and_not_compiled(self):
        report = os.path.join(self.dir, "r.json")
        run = self.mutate("--json", report)
        self.assertEqual(run.returncode, 0, run.stdout + run.stderr)
        self.assert_restored()
        with open(report) as f:
            got = sorted((m["line"], m["after"].strip(), m["status"]) for m in json.load(f)["mutants"])
        self.assertEqual(got, [
            (3, "return V * 1; // reached", "CAUGHT"),
            (3, "return V * 3; // reached", "CAUGHT"),
            (7, "return V * 2; // no test calls it", "SURVIVED"),
            (7, "return V * 4; // no test calls it", "SURVIVED"),
            (9, 'static_assert(sizeof(char) != 1, "a char is 1 byte");', "NOCOMPILE"),
            (9, 'static_assert(sizeof(char) == 0, "a char is 1 byte");', "NOCOMPILE"),
            (9, 'static_assert(sizeof(char) == 2, "a char is 1 byte");', "NOCOMPILE"),
        ])
        self.assertIn("SURVIVED classlib/Calc.cpp:7 const: return V * 3; // no test calls it -> "
                      "return V * 4; // no test calls it", run.stdout)
        self.assertIn("classlib   2 of 4 caught (50 %), 3 not compiled", run.stdout)
        self.assertIn("elapsed ", run.stdout)
        # A second look tries the two survivors only, and they still survive.
        again = self.mutate("--rerun", report, "--json", report)
        self.assertEqual(again.returncode, 0, again.stdout + again.stderr)
        with open(report) as f:
            got = sorted((m["line"], m["status"]) for m in json.load(f)["mutants"])
        self.assertEqual(got, [(7, "SURVIVED"), (7, "SURVIVED")])
        self.assert_restored()

    def test_left_out_and_still_built(self):
        with open(self.source, "wb") as f:
            f.write(DROPS)
        with open(os.path.join(self.repo, "Check.cpp"), "wb") as f:
            f.write(CHECK_DROPS)
        # Warnings as errors: what a dropped statement or clause alone used
        # must still be used, or its mutant would never build.
        self.build_cmd = self.build_cmd.replace(" -o", " -Wall -Wextra -Werror -o")
        report = os.path.join(self.dir, "r.json")
        run = self.mutate("--kind", "statement", "--kind", "entry", "--kind", "clause", "--json", report)
        self.assertEqual(run.returncode, 0, run.stdout + run.stderr)
        with open(report) as f:
            got = sorted((m["line"], m["kind"], m["after"].strip(), m["status"]) for m in json.load(f)["mutants"])
        # Never a declaration, a return, nor the body of an if without braces.
        self.assertEqual(got, [
            (3, "entry", "{1, 10},", "CAUGHT"),
            (3, "entry", "{2, 20},", "SURVIVED"),
            (4, "entry", "", "CAUGHT"),
            (17, "statement", "Count++;", "CAUGHT"),
            (18, "clause", "if ((true || V < 100) && Double)", "SURVIVED"),
            (18, "clause", "if (V < 100 && (true || Double))", "CAUGHT"),
            (24, "statement", "if (false) Count = Count +", "SURVIVED"),
        ])
        self.assertIn("classlib   4 of 7 caught (57 %), 0 not compiled", run.stdout)
        with open(self.source, "rb") as f:
            self.assertEqual(f.read(), DROPS)

    def test_an_early_end_is_run_again_not_counted_as_caught(self):
        # Every other run of the tests ends early with no failure of its
        # own: the second run of each decides.
        flip = os.path.join(self.dir, "flip")
        run = self.mutate(test_cmd="if [ -f %s ]; then rm %s; {build}/check; else touch %s; exit 86; fi"
                          % (flip, flip, flip))
        self.assertEqual(run.returncode, 0, run.stdout + run.stderr)
        self.assertIn("classlib   2 of 4 caught (50 %), 3 not compiled", run.stdout)
        self.assertIn("early end, run again", run.stdout)
        # Ending early every time, a mutant is neither caught nor survived.
        report = os.path.join(self.dir, "r.json")
        always = self.mutate("--no-baseline", "--kind", "const", "--json", report, test_cmd="exit 86")
        self.assertEqual(always.returncode, 0, always.stdout + always.stderr)
        self.assertIn("classlib   0 of 0 caught (0 %), 2 not compiled, 4 ended early twice", always.stdout)
        with open(report) as f:
            self.assertEqual({m["status"] for m in json.load(f)["mutants"]}, {"EARLYEND", "NOCOMPILE"})
        self.assert_restored()

    def test_refused_when_the_tests_fail_unchanged(self):
        run = self.mutate(test_cmd="false")
        self.assertEqual(run.returncode, 2)
        self.assertIn("the tests of classlib fail on the unchanged tree", run.stdout)
        self.assertNotIn("CAUGHT", run.stdout)
        self.assert_restored()

    def test_sample_is_spread_and_repeatable(self):
        first = self.mutate("--list", "--max", "3", "--seed", "4").stdout
        self.assertEqual(first, self.mutate("--list", "--max", "3", "--seed", "4").stdout)
        self.assertIn("7 candidate mutants, 3 chosen (seed 4)", first)
        self.assertEqual(len(first.strip().split("\n")), 4)
        # Comments and the string literal are never touched.
        full = self.mutate("--list").stdout
        self.assertNotIn("a char is 0 byte", full)
        self.assertNotIn("reached ->", full.replace("// reached ->", ""))

    def test_restored_when_stopped_or_killed(self):
        # Stopped while a test runs: the file is put back at once.
        run = self.mutate("--max", "1", "--no-baseline", test_cmd="sleep 30", wait=False)
        while True:
            with open(self.source, "rb") as f:
                if f.read() != SOURCE:
                    break
            time.sleep(0.05)
        # A second start meanwhile neither runs nor takes the first run's
        # mutant for one a stopped run left behind.
        second = self.mutate("--no-baseline")
        self.assertEqual(second.returncode, 1)
        self.assertIn("another mutation run is using", second.stderr)
        listed = self.mutate("--list")
        self.assertNotIn("restored", listed.stdout)
        with open(self.source, "rb") as f:
            self.assertNotEqual(f.read(), SOURCE)
        run.send_signal(signal.SIGTERM)
        out = run.communicate(timeout=30)[0]
        self.assertEqual(run.returncode, 130, out)
        self.assertIn("files restored", out)
        self.assert_restored()
        # Killed outright: the next start puts the file back first.
        killed = self.mutate("--max", "1", "--no-baseline", test_cmd="kill -9 $PPID; sleep 5")
        self.assertEqual(killed.returncode, -signal.SIGKILL)
        with open(self.source, "rb") as f:
            self.assertNotEqual(f.read(), SOURCE)
        listed = self.mutate("--list")
        self.assertIn("restored classlib/Calc.cpp", listed.stdout)
        self.assert_restored()


if __name__ == "__main__":
    if not CXX:
        print("no native C++ compiler: skipped")
        sys.exit(77)
    unittest.main()
