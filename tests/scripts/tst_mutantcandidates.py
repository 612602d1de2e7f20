#!/usr/bin/env python3
"""scripts/mutant-candidates.py on small made-up sources: what it mutates, what it must leave
alone, how it names mutants and how it draws a sample.

Usage: tst_mutantcandidates.py GENERATOR
"""

import contextlib
import json
import os
import subprocess
import sys
import tempfile
import textwrap
import unittest

GENERATOR = sys.argv[1]

# Every line a mutant should come from, marked with what it should become.
MUTATED = textwrap.dedent("""\
    enum class Kind { Plain, Warning, Critical };

    struct Box {
        int size = 3;
    };

    int mutated(int a, int b, View *m_view, bool failed)
    {
        if (a < b)
            update(a);
        m_view->refresh();
        Q_EMIT changed(a);
        bool both = a && b;
        bool ok = !failed;
        Kind kind = Kind::Warning;
        while (more(a))
            a++;
        int limit = 200;
        return a == b ? true : limit;
    }
    """)
EXPECTED = [
    # (line, operator, the line as mutated)
    (4, "integer", "    int size = 4;"),
    (9, "relational", "    if (a <= b)"),
    (9, "condition", "    if (true || (a < b))"),
    (9, "condition", "    if (false && (a < b))"),
    # Not run rather than deleted, so that its arguments stay used.
    (10, "call", "        while (false) update(a);"),
    (11, "call", "    while (false) m_view->refresh();"),
    (12, "call", "    while (false) Q_EMIT changed(a);"),
    (13, "logical", "    bool both = a || b;"),
    (14, "negation", "    bool ok = failed;"),
    (15, "enum", "    Kind kind = Kind::Plain;"),
    (15, "enum", "    Kind kind = Kind::Critical;"),
    (16, "condition", "    while (false && (more(a)))"),
    (18, "integer", "    int limit = 199;"),
    (18, "integer", "    int limit = 201;"),
    (19, "relational", "    return a != b ? true : limit;"),
    (19, "boolean", "    return a == b ? false : limit;"),
]

# Lines that must give no mutant at all, each with why.
LEFT_ALONE = [
    ("a string literal", 'const QString s = QStringLiteral("a < b && !c == 1 || true");'),
    ("a raw string literal", 'const char *raw = R"(say "a < b" && "!c")";'),
    ("a character literal", "const char c = '<';"),
    ("a comment", "// if (a < b) update(true);"),
    ("a block comment", "/* a < b, 3 */"),
    ("template arguments", "std::vector<int> v;"),
    ("template arguments", "QList<QString> names;"),
    ("template arguments", "std::array<int, 3> sizes{};"),
    ("template arguments", "auto n = static_cast<int>(a);"),
    ("->, << and >>", "auto value = p->count << b >> c;"),
    ("an rvalue reference", "auto &&item = list.first();"),
    ("a macro, empty in a release build", "Q_ASSERT(a > 0);"),
    ("logging", 'qWarning() << "at" << (a < b);'),
    ("what only the compiler reads", "static_assert(sizeof(int) == 4);"),
]
LEFT_ALONE_AT_TOP = [
    ("an include", "#include <vector>"),
    ("a preprocessor line", "#define LIMIT (3 < 4)"),
    ("a template parameter list", "template <typename T, int N = 3>"),
    ("an operator's name", "bool operator<(const Box &a, const Box &b);"),
    ("a pure virtual function", "struct Shape { virtual void draw() = 0; };"),
]


@contextlib.contextmanager
def tree(files):
    """A scratch tree holding files, a map of path from its top to text."""
    with tempfile.TemporaryDirectory() as root:
        for relative, text in files.items():
            path = os.path.join(root, relative)
            os.makedirs(os.path.dirname(path), exist_ok=True)
            with open(path, "w", encoding="utf-8") as stream:
                stream.write(text)
        yield root


def generate(root, *arguments):
    result = subprocess.run([sys.executable, GENERATOR, "--root", root, *arguments],
                            capture_output=True, text=True, check=False)
    if result.returncode != 0:
        raise AssertionError(result.stderr)
    return result.stdout


def candidates(root, *arguments):
    return [json.loads(line) for line in generate(root, *arguments).splitlines()]


def function_of(lines):
    return "void leftAlone(int a, int b, Item *p)\n{\n" + "".join(
        f"    {line}\n" for line in lines) + "}\n"


class MutantCandidates(unittest.TestCase):
    def test_each_operator_mutates_its_place(self):
        with tree({"options/Mutated.cpp": MUTATED}) as root:
            found = candidates(root, "--list")
        for line, operator, mutated in EXPECTED:
            with self.subTest(line=line, operator=operator, mutated=mutated):
                self.assertIn((line, operator, mutated),
                              [(c["line"], c["operator"], c["mutated"]) for c in found])
        for candidate in found:
            with self.subTest(candidate=candidate["name"]):
                self.assertEqual(candidate["original"],
                                 MUTATED.split("\n")[candidate["line"] - 1])
                self.assertEqual(candidate["file"], "options/Mutated.cpp")
                self.assertTrue(candidate["name"].startswith(
                    f"options/Mutated.cpp:{candidate['operator']}:"), candidate["name"])

    def test_what_is_not_code_or_not_built_here_is_left_alone(self):
        top = "".join(line + "\n" for _, line in LEFT_ALONE_AT_TOP)
        body = function_of(line for _, line in LEFT_ALONE)
        windows_only = "#ifdef Q_OS_WIN\nvoid g(int a, int b)\n{\n    if (a < b)\n" \
                       "        update(a);\n}\n#endif\n"
        with tree({"options/LeftAlone.cpp": top + body + windows_only,
                   "tests/options/tst_leftalone.cpp": MUTATED,
                   "bench/bench_leftalone.cpp": MUTATED}) as root:
            found = candidates(root, "--list")
        self.assertEqual([], [(c["line"], c["original"], c["mutated"]) for c in found])

    def test_names_follow_the_text_not_the_line_number(self):
        moved = "// A new first line, and a new function before the others.\n" \
                "int added(int a) { return a; }\n\n" + MUTATED
        with tree({"options/Mutated.cpp": MUTATED}) as root:
            before = {c["name"]: c for c in candidates(root, "--list")}
        with tree({"options/Mutated.cpp": moved}) as root:
            after = {c["name"]: c for c in candidates(root, "--list")}
        self.assertEqual(set(before) - set(after), set())
        for name, candidate in before.items():
            with self.subTest(name=name):
                self.assertEqual(after[name]["line"], candidate["line"] + 3)
                self.assertEqual(after[name]["mutated"], candidate["mutated"])
        self.assertEqual(len(before), len(set(before)))

    def test_identical_lines_are_told_apart(self):
        twice = "bool f(int a)\n{\n    if (a < 0)\n        return true;\n" \
                "    if (a < 0)\n        return true;\n    return false;\n}\n"
        with tree({"queue/Twice.cpp": twice}) as root:
            found = candidates(root, "--list")
        relational = [c for c in found if c["operator"] == "relational"]
        self.assertEqual([3, 5], [c["line"] for c in relational])
        self.assertEqual(relational[0]["name"][:-1] + "1", relational[1]["name"])

    def test_the_sample_depends_on_the_seed_alone(self):
        with tree({"options/Mutated.cpp": MUTATED}) as root:
            everything = candidates(root, "--list")
            first = candidates(root, "--seed", "1", "--count", "5")
            again = candidates(root, "--seed", "1", "--count", "5")
            other = candidates(root, "--seed", "2", "--count", "5")
            default = candidates(root)
        self.assertEqual(first, again)
        self.assertEqual(5, len(first))
        self.assertEqual(5, len(other))
        self.assertNotEqual({c["name"] for c in first}, {c["name"] for c in other})
        for candidate in first + other:
            self.assertIn(candidate, everything)
        # Forty by default, or all of them where there are fewer.
        self.assertEqual(sorted(c["name"] for c in everything),
                         sorted(c["name"] for c in default))

    def test_folders_narrow_the_program_and_stats_count_every_operator(self):
        files = {"options/Mutated.cpp": MUTATED, "queue/Mutated.cpp": MUTATED}
        with tree(files) as root:
            everything = candidates(root, "--list")
            options = candidates(root, "--list", "options")
            stats = generate(root, "--stats", "options")
        self.assertEqual({"options/Mutated.cpp", "queue/Mutated.cpp"},
                         {c["file"] for c in everything})
        self.assertEqual({"options/Mutated.cpp"}, {c["file"] for c in options})
        counts = dict(line.split() for line in stats.splitlines())
        for operator in ("relational", "logical", "negation", "condition", "call", "boolean",
                         "integer", "enum"):
            with self.subTest(operator=operator):
                self.assertEqual(sum(c["operator"] == operator for c in options),
                                 int(counts[operator]))
        self.assertEqual(len(options), int(counts["total"]))

    def test_listed_equivalent_mutants_are_marked_with_their_reason(self):
        with tree({"options/Mutated.cpp": MUTATED}) as root:
            name = next(c["name"] for c in candidates(root, "--list")
                        if c["operator"] == "integer")
        listed = f"# header\n\n{name}\tno test can tell 3 from 4 here\n"
        with tree({"options/Mutated.cpp": MUTATED,
                   "tests/equivalent-mutants.txt": listed}) as root:
            found = candidates(root, "--list")
            rows = [line.split("\t") for line in generate(root, "--list", "--tsv").splitlines()]
        marked = {c["name"]: c["equivalent"] for c in found if "equivalent" in c}
        self.assertEqual({name: "no test can tell 3 from 4 here"}, marked)
        # The shell reads name, file, line, original, mutated and reason, in that order.
        self.assertEqual([[c["name"], c["file"], str(c["line"]), c["original"], c["mutated"],
                           c.get("equivalent", "")] for c in found], rows)


if __name__ == "__main__":
    unittest.main(argv=sys.argv[:1])
