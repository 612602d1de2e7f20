#!/usr/bin/env python3
"""Small edits derived mechanically from the program's own C++ code, for scripts/mutants --generate.

    mutant-candidates.py [--root DIR] [--seed S] [--count N] [--tsv] [FOLDER...]
    mutant-candidates.py [--root DIR] --list [--tsv] [FOLDER...]
    mutant-candidates.py [--root DIR] --stats [FOLDER...]

Every candidate changes exactly one line of one file: a relational operator turned, && and ||
swapped, a ! dropped, an if or while condition forced true or false, a statement that is a single
call removed, true and false swapped, an integer constant moved by one, or a use of one of our
own enumerators swapped for its neighbour. Only the sources of app/, engine/, queue/, options/,
dialogs/ and platform/ are read (FOLDER narrows them), and only what the compiler builds on this
platform: comments, literals, preprocessor lines, branches for other platforms, macros' arguments,
template argument lists and enum definitions are left alone. Where the generator is unsure,
it leaves the place out: a candidate that does not compile costs a build and tells nothing.

By default a sample of N candidates (40) is printed, drawn by seed S (1): the candidates are
ranked by a hash of the seed and their names, so the sample depends on nothing but the seed and
the code, and a change elsewhere in the tree leaves it alone. --list prints all of them, --stats
how many each operator produced.

A candidate is one JSON object a line, with its name, file, line (from 1), operator, the line as
it is and as mutated, and, when tests/equivalent-mutants.txt lists it, the reason it cannot alter
behaviour. --tsv prints the same fields separated by TABs, in the order name, file, line,
original, mutated, reason, for the shell (no field holds a TAB: lines with one are left out).

A name reads FILE:OPERATOR:CHANGE:HASH#K, where HASH is the start of the SHA-1 of the changed
line as it reads in the code, without its indentation, and K counts the same change to the same
text earlier in the file (tests/equivalent-mutants.txt tells more). It survives edits elsewhere,
which move line numbers but not text.
"""

import argparse
import bisect
import collections
import hashlib
import json
import os
import re
import signal
import sys
from dataclasses import dataclass

PROGRAM_FOLDERS = ("app", "engine", "queue", "options", "dialogs", "platform")
EQUIVALENT_LIST = os.path.join("tests", "equivalent-mutants.txt")
OPERATORS = ("relational", "logical", "negation", "condition", "call", "boolean", "integer",
             "enum")

# What the preprocessor knows of the platform the check builds on. A condition on anything else
# is not guessed at: code under it is read for its structure but never mutated.
PLATFORM_MACROS = {
    "Q_OS_UNIX": True, "Q_OS_LINUX": True, "__linux__": True, "__unix__": True,
    "Q_OS_WIN": False, "Q_OS_WINDOWS": False, "_WIN32": False, "_MSC_VER": False,
    "Q_OS_MACOS": False, "Q_OS_DARWIN": False, "__APPLE__": False,
}

PUNCTUATORS = sorted(
    ["<=>", "<<=", ">>=", "->*", "...", "::", "->", "++", "--", "<<", ">>", "<=", ">=", "==",
     "!=", "&&", "||", "+=", "-=", "*=", "/=", "%=", "&=", "|=", "^=", ".*", "##"],
    key=len, reverse=True)
STRING_PREFIXES = {"u8", "u", "U", "L", "R", "u8R", "uR", "UR", "LR"}
KEYWORDS = {
    "alignas", "alignof", "and", "asm", "auto", "bool", "break", "case", "catch", "char",
    "class", "co_await", "co_return", "co_yield", "const", "const_cast", "consteval",
    "constexpr", "constinit", "continue", "decltype", "default", "delete", "do", "double",
    "dynamic_cast", "else", "enum", "explicit", "export", "extern", "false", "float", "for",
    "friend", "goto", "if", "inline", "int", "long", "mutable", "namespace", "new", "noexcept",
    "not", "nullptr", "operator", "or", "private", "protected", "public", "register",
    "reinterpret_cast", "requires", "return", "short", "signed", "sizeof", "static",
    "static_assert", "static_cast", "struct", "switch", "template", "this", "thread_local",
    "throw", "true", "try", "typedef", "typeid", "typename", "union", "unsigned", "using",
    "virtual", "void", "volatile", "while",
}
LOGGING = {"qDebug", "qInfo", "qWarning", "qCritical", "qFatal",
           "qCDebug", "qCInfo", "qCWarning", "qCCritical"}
# Their parentheses hold types or what only the compiler reads.
UNEVALUATED = {"static_assert", "decltype", "noexcept", "alignas", "alignof", "requires"}
RELATIONAL_TURNS = {"<": "<=", "<=": "<", ">": ">=", ">=": ">", "==": "!=", "!=": "=="}
LOGICAL_SWAPS = {"&&": "||", "||": "&&"}
# Where a statement ends, so that what follows starts a new one.
STATEMENT_ENDS = {";", "else", "do"}
CONTROL_HEADS = {"if", "while", "for", "switch", "catch"}
BODY_AFTER = {")", "]", "}", "const", "override", "final", "noexcept", "mutable", "volatile",
              "try", "&", "&&"}
INTEGER = re.compile(
    r"(?P<digits>0[xX][0-9a-fA-F']+|0[bB][01']+|[0-9][0-9']*)(?P<suffix>[uUlLzZ]*)")
ALL_CAPS = re.compile(r"[A-Z][A-Z0-9_]+")


@dataclass
class Token:
    kind: str  # "ident", "number", "string", "char", "punct"
    text: str
    start: int  # offset in the file
    end: int
    live: bool  # built on this platform for certain


@dataclass
class Enumeration:
    name: str
    values: list
    scoped: bool
    file: str
    owner: str  # the class it is declared in, or ""


class SourceFile:
    """One file's tokens, with what is known about every one of them."""

    def __init__(self, relative, text):
        self.relative = relative
        self.text = text
        self.lines = text.split("\n")  # as bash's mapfile splits them
        self.line_starts = [0]
        for line in self.lines[:-1]:
            self.line_starts.append(self.line_starts[-1] + len(line) + 1)
        self.tokens = tokenize(text)
        self.line_of = [self.line_at(t.start) for t in self.tokens]
        self.match = match_brackets(self.tokens)
        self.scope, self.closes, self.class_name = brace_scopes(self.tokens, self.match)
        self.excluded = exclusions(self)

    def line_at(self, offset):
        return bisect.bisect_right(self.line_starts, offset)  # from 1

    def column(self, token):
        return token.start - self.line_starts[self.line_of_token(token) - 1]

    def line_of_token(self, token):
        return self.line_at(token.start)

    def spaced(self, index):
        """Whether the token stands between blanks, as clang-format writes binary operators."""
        token = self.tokens[index]
        before = self.text[token.start - 1] if token.start > 0 else "\n"
        after = self.text[token.end] if token.end < len(self.text) else "\n"
        return before in " \n" and after in " \n"

    def glued_before(self, index):
        token = self.tokens[index]
        return token.start > 0 and self.text[token.start - 1] not in " \t\n"


def tokenize(text):
    """The tokens the compiler sees on this platform; comments and directives produce none."""
    tokens = []
    conditions = []  # [following, certain, taken] per open #if
    i, n = 0, len(text)
    at_line_start = True

    def emitting():
        return all(frame[0] for frame in conditions)

    def certain():
        return all(frame[1] for frame in conditions)

    while i < n:
        c = text[i]
        if c == "\n":
            at_line_start = True
            i += 1
            continue
        if c in " \t\r\f\v":
            i += 1
            continue
        if text.startswith("//", i):
            i = text.find("\n", i)
            i = n if i < 0 else i
            continue
        if text.startswith("/*", i):
            close = text.find("*/", i + 2)
            i = n if close < 0 else close + 2
            continue
        if c == "#" and at_line_start:
            end = i
            while True:
                end = text.find("\n", end)
                if end < 0:
                    end = n
                    break
                if text[end - 1] != "\\":
                    break
                end += 1
            directive(text[i + 1:end], conditions)
            i = end
            continue
        at_line_start = False
        start = i
        if c.isalpha() or c == "_":
            while i < n and (text[i].isalnum() or text[i] == "_"):
                i += 1
            word = text[start:i]
            if i < n and text[i] in "\"'" and word in STRING_PREFIXES:
                i = skip_literal(text, i, raw=word.endswith("R") and text[i] == '"')
                kind = "string" if text[i - 1] == '"' else "char"
            else:
                kind = "ident"
        elif c.isdigit() or (c == "." and i + 1 < n and text[i + 1].isdigit()):
            i += 1
            while i < n:
                if text[i].isalnum() or text[i] in "_.":
                    i += 1
                elif text[i] == "'" and i + 1 < n and text[i + 1].isalnum():
                    i += 2  # a digit separator
                elif text[i] in "+-" and text[i - 1] in "eEpP":
                    i += 1
                else:
                    break
            kind = "number"
        elif c in "\"'":
            i = skip_literal(text, i, raw=False)
            kind = "string" if c == '"' else "char"
        else:
            punct = next((p for p in PUNCTUATORS if text.startswith(p, i)), c)
            i += len(punct)
            kind = "punct"
        if emitting():
            tokens.append(Token(kind, text[start:i], start, i, certain()))
    return tokens


def skip_literal(text, i, raw):
    """The offset just past the string or character literal whose quote is at i."""
    quote = text[i]
    if raw:
        paren = text.find("(", i)
        delimiter = ")" + text[i + 1:paren] + '"'
        close = text.find(delimiter, paren)
        return len(text) if close < 0 else close + len(delimiter)
    i += 1
    while i < len(text) and text[i] != quote and text[i] != "\n":
        i += 2 if text[i] == "\\" else 1
    return i + 1


def directive(body, conditions):
    """Follows #if, #ifdef, #ifndef, #elif, #else and #endif; other directives change nothing."""
    body = re.sub(r"/\*.*?\*/|//.*", "", body.replace("\\\n", " ")).strip()
    word, _, rest = body.partition(" ")
    rest = rest.strip()
    if word in ("if", "ifdef", "ifndef"):
        value = condition_value(word, rest)
        conditions.append([value is not False, value is not None, value is not False])
    elif word in ("elif", "else") and conditions:
        frame = conditions[-1]
        if frame[2]:
            frame[0] = False
        else:
            value = True if word == "else" else condition_value("if", rest)
            frame[0], frame[1], frame[2] = value is not False, value is not None, value is not False
    elif word == "endif" and conditions:
        conditions.pop()


def condition_value(word, expression):
    """True or False when the platform decides it, None when it cannot be told here."""
    if word == "ifdef":
        return PLATFORM_MACROS.get(expression)
    if word == "ifndef":
        if re.fullmatch(r"\w+_(H|HPP|H_|INCLUDED)", expression):
            return True  # an include guard
        value = PLATFORM_MACROS.get(expression)
        return None if value is None else not value
    expression = expression.replace(" ", "")
    if expression in ("0", "1"):
        return expression == "1"
    found = re.fullmatch(r"(!?)defined\(?(\w+)\)?", expression)
    if not found or found.group(2) not in PLATFORM_MACROS:
        return None
    return PLATFORM_MACROS[found.group(2)] != bool(found.group(1))


def match_brackets(tokens):
    match = [-1] * len(tokens)
    pairs = {")": "(", "]": "[", "}": "{"}
    stack = []
    for index, token in enumerate(tokens):
        if token.kind != "punct":
            continue
        if token.text in ("(", "[", "{"):
            stack.append(index)
        elif token.text in pairs:
            # Unbalanced through a directive: take the nearest opening of the right kind.
            while stack and tokens[stack[-1]].text != pairs[token.text]:
                stack.pop()
            if stack:
                opening = stack.pop()
                match[opening], match[index] = index, opening
    return match


def brace_scopes(tokens, match):
    """For every token, what its innermost braces hold: "namespace", "class", "enum", "code"
    (a function's body or a block in one) or "init" (a braced initialiser); for every closing
    brace, what it closed; and for tokens in a class, the class's name."""
    scope = [""] * len(tokens)
    closes = {}
    class_name = [""] * len(tokens)
    stack = [("namespace", "")]
    head = 0  # where the statement or declaration before the next brace starts
    for index, token in enumerate(tokens):
        scope[index] = stack[-1][0]
        class_name[index] = next((name for kind, name in reversed(stack) if kind == "class"), "")
        if token.kind != "punct":
            continue
        if token.text == "{":
            stack.append(brace_kind(tokens[head:index], stack[-1][0]))
            if stack[-1][0] != "init":
                head = index + 1
        elif token.text == "}" and len(stack) > 1:
            kind = stack.pop()[0]
            closes[index] = kind
            if kind != "init":
                head = index + 1
        elif token.text == ";":
            head = index + 1
    return scope, closes, class_name


def brace_kind(head, outer):
    words = [t.text for t in head]
    last = words[-1] if words else ""
    if "enum" in words:
        return ("enum", "")
    if "namespace" in words or (words[:1] == ["extern"] and len(head) > 1
                                and head[1].kind == "string"):
        return ("namespace", "")
    for at, word in enumerate(words):
        # Not `template <class T> void f(T)`: a class head has no parentheses after its keyword.
        if word in ("class", "struct", "union") and "(" not in words[at:]:
            name = next((w for w in words[at + 1:] if w not in ("final", "alignas")
                         and not ALL_CAPS.fullmatch(w) and re.fullmatch(r"\w+", w)), "")
            return ("class", name)
    if last in BODY_AFTER or trailing_return(head):
        return ("code", "")
    if outer in ("code", "init"):
        if not words or last in (":", "else", "do"):
            return ("code", "")
    return ("init", "")


def trailing_return(head):
    """`auto f() -> T {` or `[](int x) -> bool {`, not `a(b)->c({`."""
    words = [t.text for t in head]
    arrows = [at for at in range(1, len(words)) if words[at] == "->" and words[at - 1] == ")"]
    return bool(arrows) and head[-1].kind == "ident"


def exclusions(source):
    """Tokens no mutant may touch: what the compiler does not evaluate, macros' arguments,
    logging, labels, template argument lists, enum definitions and declarations' syntax."""
    tokens, match = source.tokens, source.match
    excluded = [source.scope[i] == "enum" or not t.live for i, t in enumerate(tokens)]

    def through(first, last):
        for k in range(first, min(last, len(tokens) - 1) + 1):
            excluded[k] = True

    def following(index):
        return tokens[index + 1].text if index + 1 < len(tokens) else ""

    for index, token in enumerate(tokens):
        text = token.text
        if token.kind == "ident":
            if (text in UNEVALUATED or ALL_CAPS.fullmatch(text)) and following(index) == "(":
                through(index, match[index + 1])
            elif text in LOGGING:
                through(index, statement_end(tokens, match, index))
            elif text == "case":
                through(index, label_end(tokens, match, index))
            elif text == "operator":
                last = index + 1
                if following(index) in ("(", "[") and match[index + 1] > 0:
                    last = match[index + 1]
                through(index, last)
        elif token.kind == "punct":
            if text == "[" and following(index) == "[" and match[index] > 0:
                through(index, match[index])  # an attribute
            elif text == "<":
                close = template_close(source, index)
                if close is not None:
                    through(index, close)
        elif token.kind == "number" and source.scope[index] == "class" and index >= 2:
            before = tokens[index - 1].text
            # "= 0" declares a pure virtual function, ": 3" a bit-field.
            if before == ":" or (before == "=" and tokens[index - 2].text in BODY_AFTER):
                excluded[index] = True
    return excluded


def statement_end(tokens, match, index):
    while index < len(tokens) and tokens[index].text != ";":
        if tokens[index].text in ("(", "[", "{") and match[index] > index:
            index = match[index]
        index += 1
    return index


def label_end(tokens, match, index):
    while index < len(tokens) and tokens[index].text not in (":", ";", "{"):
        if tokens[index].text in ("(", "[") and match[index] > index:
            index = match[index]
        index += 1
    return index


def template_close(source, index):
    """The index of the > that closes the template argument list opened by the < at index,
    or None when that < is no such thing."""
    tokens = source.tokens
    previous = tokens[index - 1] if index > 0 else None
    if previous is None or not (previous.text == "template" or (
            source.glued_before(index) and previous.kind == "ident")):
        return None
    depth, k = 1, index + 1
    while k < len(tokens):
        text = tokens[k].text
        if text in ("(", "[", "{"):
            if text == "{" or source.match[k] < 0:
                return None
            k = source.match[k]
        elif text in (")", "]", "}", ";"):
            return None
        elif text == "<" and source.glued_before(k):
            depth += 1
        elif text in (">", ">>"):
            depth -= len(text)
            if depth <= 0:
                return k
        k += 1
    return None


class Generator:
    """Collects the candidates of one file after another."""

    def __init__(self, enumerations):
        self.enumerations = enumerations
        self.candidates = []

    def add(self, source, line, operator, change, mutated):
        original = source.lines[line - 1]
        if "\t" in original or "\r" in original or mutated == original:
            return
        self.candidates.append({"file": source.relative, "line": line, "operator": operator,
                                "change": change, "original": original, "mutated": mutated})

    def replace(self, source, token, replacement):
        """The token's line with the token written as replacement; None if it spans lines."""
        line = source.line_of_token(token)
        if source.line_at(token.end - 1) != line:
            return line, None
        text = source.lines[line - 1]
        column = source.column(token)
        return line, text[:column] + replacement + text[column + len(token.text):]

    def mutate_file(self, source):
        for index, token in enumerate(source.tokens):
            if source.excluded[index]:
                continue
            if token.kind == "punct":
                self.operator_mutants(source, index)
            elif token.kind == "ident" and token.text in ("true", "false"):
                swapped = "false" if token.text == "true" else "true"
                self.token_mutant(source, token, "boolean", swapped)
            elif token.kind == "ident":
                self.enum_mutants(source, index)
            elif token.kind == "number":
                self.integer_mutants(source, index)
        for line in range(1, len(source.lines) + 1):
            self.statement_mutants(source, line)

    def token_mutant(self, source, token, operator, replacement, change=None):
        line, mutated = self.replace(source, token, replacement)
        if mutated is not None:
            self.add(source, line, operator, change or f"{token.text}→{replacement}", mutated)

    def operator_mutants(self, source, index):
        token = source.tokens[index]
        if token.text in RELATIONAL_TURNS and source.spaced(index):
            self.token_mutant(source, token, "relational", RELATIONAL_TURNS[token.text])
        elif token.text in LOGICAL_SWAPS and source.spaced(index):
            self.logical_mutant(source, index)
        elif token.text == "!":
            self.token_mutant(source, token, "negation", "", change="dropped")

    def logical_mutant(self, source, index):
        """&& for || or the other way; where the same operator chains more operands, the
        grouping the compiler gave them is written out, as GCC refuses a bare mix of both."""
        tokens = source.tokens
        first, last, operators = logical_chain(source, index)
        swapped = LOGICAL_SWAPS[tokens[index].text]
        if len(operators) == 1:
            self.token_mutant(source, tokens[index], "logical", swapped)
            return
        line = source.line_of_token(tokens[index])
        if source.line_of[first] != line or source.line_at(tokens[last].end - 1) != line:
            return  # the parentheses would go on other lines
        text = source.lines[line - 1]
        offset = source.line_starts[line - 1]
        k = operators.index(index)
        start, end = tokens[first].start - offset, tokens[last].end - offset
        left = text[start:tokens[index].start - offset].rstrip()
        right_end = (tokens[operators[k + 1]].start - offset if k + 1 < len(operators)
                     else end)
        right = text[tokens[index].end - offset:right_end].strip()
        if k > 0:
            left = f"({left})"
        grouped = f"{left} {swapped} {right}"
        if k + 1 < len(operators):
            grouped = f"({grouped}) " + text[right_end:end]
        self.add(source, line, "logical", f"{tokens[index].text}→{swapped}",
                 text[:start] + grouped + text[end:])

    def integer_mutants(self, source, index):
        token = source.tokens[index]
        found = INTEGER.fullmatch(token.text)
        if not found:
            return  # a floating-point or user-defined literal
        digits = found.group("digits").replace("'", "")
        base = 16 if digits[:2] in ("0x", "0X") else 2 if digits[:2] in ("0b", "0B") else \
            8 if len(digits) > 1 and digits[0] == "0" else 10
        value = int(digits[2:] if base in (16, 2) else digits, base)
        before = source.tokens[index - 1].text if index > 0 else ""
        for moved in (value - 1, value + 1):
            # Never below zero (that takes a minus sign, which binds differently), no division
            # by zero and no shift past an int's width: those would fail to build, not a test.
            if moved < 0 or (moved == 0 and before in ("/", "%", "/=", "%=")) or (
                    moved >= 31 and before in ("<<", ">>", "<<=", ">>=")):
                continue
            self.token_mutant(source, token, "integer",
                              written_like(found.group("digits"), base, moved)
                              + found.group("suffix"))

    def enum_mutants(self, source, index):
        tokens = source.tokens
        token = tokens[index]
        previous = tokens[index - 1].text if index > 0 else ""
        following = tokens[index + 1].text if index + 1 < len(tokens) else ""
        if following in ("::", "(") or previous in (".", "->"):
            return
        qualifier = tokens[index - 2].text if previous == "::" and index >= 2 else None
        neighbours = set()
        for enumeration in self.enumerations.get(token.text, ()):
            if qualifier is not None:
                fits = qualifier == enumeration.name or (
                    not enumeration.scoped and qualifier == enumeration.owner)
            else:
                fits = not enumeration.scoped and visible_unqualified(enumeration, source)
            if fits:
                at = enumeration.values.index(token.text)
                neighbours.add(tuple(enumeration.values[max(at - 1, 0):at + 2]))
        if len(neighbours) != 1:
            return  # not ours, or more than one of ours by that name
        for value in neighbours.pop():
            if value != token.text:
                self.token_mutant(source, token, "enum", value)

    def statement_mutants(self, source, line):
        indices = line_tokens(source, line)
        tokens = source.tokens
        # Statements are judged whole: a macro's arguments or a template in a condition are no
        # reason to leave it alone, only code that is not built or not run for certain.
        if not indices or any(not tokens[i].live or tokens[i].text in LOGGING
                              or tokens[i].text == "static_assert" for i in indices):
            return
        first = indices[0]
        if source.scope[first] != "code" or not starts_statement(source, first):
            return
        text = source.lines[line - 1]
        if source.column(tokens[first]) != len(text) - len(text.lstrip(" ")):
            return  # the line starts inside a comment or literal
        if any(source.line_at(tokens[i].end - 1) != line for i in indices):
            return
        words = [tokens[i].text for i in indices]
        offset = source.line_starts[line - 1]
        keyword = 0
        if words[:1] == ["}"]:
            keyword = 1
        if words[keyword:keyword + 1] == ["else"]:
            keyword += 1
        if words[keyword:keyword + 1] in (["if"], ["while"]):
            self.condition_mutants(source, indices, keyword, offset)
        elif is_single_call(source, indices):
            indentation = text[:len(text) - len(text.lstrip(" "))]
            # Never run rather than deleted: its arguments stay used, so no warning about an
            # unused variable stops the build, and `while` takes no `else` from a following one.
            self.add(source, line, "call", "removed",
                     indentation + "while (false) " + text.lstrip(" "))

    def condition_mutants(self, source, indices, keyword, offset):
        tokens = source.tokens
        opening = indices[keyword] + 1
        if opening > indices[-1] or tokens[opening].text != "(":
            return  # if constexpr, if consteval
        closing = source.match[opening]
        if closing < 0 or closing > indices[-1] or closing - opening < 2:
            return
        after = [tokens[i].text for i in indices if i > closing]
        if after not in ([], ["{"], [";"]):
            return
        depth = 0
        for k in range(opening + 1, closing):
            text = tokens[k].text
            if text in ("(", "[", "{"):
                depth += 1
            elif text in (")", "]", "}"):
                depth -= 1
            elif depth == 0 and text in (";", "=", ":"):
                return  # an initialiser or a declaration, which cannot be forced
        if tokens[opening + 1].text in ("auto", "const", "constexpr"):
            return
        line = source.line_of[opening]
        text = source.lines[line - 1]
        inside_start, inside_end = tokens[opening].end - offset, tokens[closing].start - offset
        condition = text[inside_start:inside_end]
        statement = tokens[indices[keyword]].text
        # Kept as written but short-circuited away, so that what it names stays used and no
        # warning about an unused variable stops the build.
        for forced, written in (("true", f"true || ({condition})"),
                                ("false", f"false && ({condition})")):
            self.add(source, line, "condition", f"{statement}→{forced}",
                     text[:inside_start] + written + text[inside_end:])


def line_tokens(source, line):
    first = bisect.bisect_left(source.line_of, line)
    last = bisect.bisect_right(source.line_of, line)
    return list(range(first, last))


def starts_statement(source, index):
    """Whether the token at index starts a statement rather than continuing the one before."""
    if index == 0:
        return True
    tokens = source.tokens
    previous = index - 1
    text = tokens[previous].text
    if text in STATEMENT_ENDS or text == "{":
        return True
    if text == "}":
        return source.closes.get(previous) in ("code", "class", "namespace")
    if text == ")":
        opening = source.match[previous]
        return opening > 0 and tokens[opening - 1].text in CONTROL_HEADS
    if text == ":":
        label = line_tokens(source, source.line_of[previous])
        return bool(label) and tokens[label[0]].text in ("case", "default")
    return False


def is_single_call(source, indices):
    """A line that is just a call, `f(...);`, `a.b->f(...);`, `Q_EMIT f(...);`."""
    tokens = source.tokens
    k, last = indices[0], indices[-1]
    if tokens[last].text != ";" or last - k < 3:
        return False
    if tokens[k].text == "Q_EMIT":
        k += 1
    if tokens[k].kind != "ident" or (tokens[k].text in KEYWORDS and tokens[k].text != "this"):
        return False
    if ALL_CAPS.fullmatch(tokens[k].text):
        return False  # a macro, which may be nothing in a release build
    k += 1
    while k < last:
        text = tokens[k].text
        if text in ("(", "["):
            close = source.match[k]
            if close < 0 or close >= last:
                return False
            if close == last - 1:
                return text == "("
            k = close + 1
        elif text in (".", "->", "::") and k + 1 < last and tokens[k + 1].kind == "ident":
            k += 2
        else:
            return False
    return False


def logical_chain(source, index):
    """The first and last token of the operands that the && or || at index joins with its
    neighbours at the same depth, and the indices of those operators."""
    tokens = source.tokens
    stops = {",", ";", "?", ":", "=", "return", "{", "}", "(", "[", ")", "]", "+=", "-=",
             "*=", "/=", "|=", "&=", "^=", "%=", "<<=", ">>="}

    def walk(k, step):
        while 0 <= k + step < len(tokens):
            nxt = k + step
            text = tokens[nxt].text
            if step < 0 and text in (")", "]") and source.match[nxt] >= 0:
                k = source.match[nxt]
                continue
            if step > 0 and text in ("(", "[") and source.match[nxt] >= 0:
                k = source.match[nxt]
                continue
            if text in stops or (tokens[nxt].kind == "punct" and text == "{"):
                return k
            k = nxt
        return k

    first, last = walk(index, -1), walk(index, 1)
    operators = [k for k in range(first, last + 1)
                 if tokens[k].text in LOGICAL_SWAPS and source.spaced(k)
                 and not inside_brackets(source, first, k)]
    return first, last, operators


def inside_brackets(source, first, index):
    depth = 0
    for k in range(first, index):
        text = source.tokens[k].text
        if text in ("(", "["):
            depth += 1
        elif text in (")", "]"):
            depth -= 1
    return depth > 0


def written_like(digits, base, value):
    """value in the base and width the literal was written in (its digit separators dropped)."""
    if base in (16, 2):
        width = len(digits.replace("'", "")) - 2
        written = f"{value:0{width}{'x' if base == 16 else 'b'}}"
        return digits[:2] + (written.upper() if re.search("[A-F]", digits[2:]) else written)
    if base == 8:
        return f"0{value:o}"
    return str(value)


def visible_unqualified(enumeration, source):
    """An unscoped enumerator is read bare where it is declared and in that header's own .cpp;
    elsewhere the same word more likely names something else."""
    if source.relative == enumeration.file:
        return True
    stem, extension = os.path.splitext(enumeration.file)
    return extension == ".h" and source.relative == stem + ".cpp"


def enumerations_in(sources):
    """Our own enum definitions: name to list of Enumeration, by enumerator."""
    by_value = collections.defaultdict(list)
    for source in sources:
        tokens = source.tokens
        for index, token in enumerate(tokens):
            if token.text != "enum" or token.kind != "ident":
                continue
            k = index + 1
            scoped = k < len(tokens) and tokens[k].text in ("class", "struct")
            k += scoped
            if k >= len(tokens) or tokens[k].kind != "ident":
                continue
            name = tokens[k].text
            while k < len(tokens) and tokens[k].text not in ("{", ";"):
                k += 1
            if k >= len(tokens) or tokens[k].text != "{" or source.match[k] < 0:
                continue
            values, expect_name = [], True
            for inner in range(k + 1, source.match[k]):
                text = tokens[inner].text
                if expect_name and tokens[inner].kind == "ident":
                    values.append(text)
                    expect_name = False
                elif text == ",":
                    expect_name = True
            enumeration = Enumeration(name, values, scoped, source.relative,
                                      source.class_name[index])
            for value in values:
                by_value[value].append(enumeration)
    return by_value


def read_sources(root, folders):
    sources = []
    for folder in folders:
        for directory, subfolders, files in os.walk(os.path.join(root, folder)):
            subfolders.sort()
            for name in sorted(files):
                if not name.endswith((".cpp", ".h")):
                    continue
                path = os.path.join(directory, name)
                relative = os.path.relpath(path, root).replace(os.sep, "/")
                try:
                    with open(path, encoding="utf-8", newline="") as stream:
                        sources.append(SourceFile(relative, stream.read()))
                except UnicodeDecodeError:
                    print(f"{relative}: not UTF-8, left out", file=sys.stderr)
    return sources


def named(candidates):
    """Gives every candidate its name; the same change to the same text is counted apart."""
    seen = collections.Counter()
    for candidate in candidates:
        digest = hashlib.sha1(candidate["original"].strip().encode("utf-8")).hexdigest()[:6]
        stem = f"{candidate['file']}:{candidate['operator']}:{candidate['change']}:{digest}"
        candidate["name"] = f"{stem}#{seen[stem]}"
        seen[stem] += 1
    return candidates


def equivalent_mutants(path):
    """Name to reason, from the hand-kept list of mutants that cannot alter behaviour."""
    listed = {}
    if not os.path.exists(path):
        return listed
    with open(path, encoding="utf-8") as stream:
        for number, line in enumerate(stream, 1):
            line = line.rstrip("\n")
            if not line.strip() or line.startswith("#"):
                continue
            name, tab, reason = line.partition("\t")
            if not tab or not reason.strip():
                sys.exit(f"{path}:{number}: expected NAME<TAB>reason")
            listed[name] = reason.strip()
    return listed


def sample(candidates, seed, count):
    """count candidates drawn by seed, in the order of their files and lines, so that mutants
    of one file follow each other and its original compiles again only once."""
    def rank(candidate):
        return hashlib.sha256(f"{seed}\0{candidate['name']}".encode("utf-8")).hexdigest()
    drawn = sorted(candidates, key=rank)[:count]
    return sorted(drawn, key=lambda c: (c["file"], c["line"], c["name"]))


def candidates_in(root, folders):
    # Enumerations used in the chosen folders may be declared in any of them.
    everything = read_sources(root, PROGRAM_FOLDERS)
    generator = Generator(enumerations_in(everything))
    for source in everything:
        if source.relative.split("/")[0] in folders:
            generator.mutate_file(source)
    # In the order of the file, which is what K counts in.
    return named(sorted(generator.candidates, key=lambda c: (c["file"], c["line"])))


def main():
    signal.signal(signal.SIGPIPE, signal.SIG_DFL)  # quietly, when piped into head
    parser = argparse.ArgumentParser(
        description="Mutants derived from the program's own C++ code, for scripts/mutants.")
    parser.add_argument("folders", nargs="*", metavar="FOLDER",
                        help=f"only these of {', '.join(PROGRAM_FOLDERS)} (default: all)")
    parser.add_argument("--root", default=os.path.dirname(os.path.dirname(
        os.path.abspath(__file__))), help="the top of the tree (default: this script's)")
    parser.add_argument("--seed", type=int, default=1, help="draws the sample (default 1)")
    parser.add_argument("--count", type=int, default=40, help="the sample's size (default 40)")
    shown = parser.add_mutually_exclusive_group()
    shown.add_argument("--list", action="store_true", help="every candidate, not a sample")
    shown.add_argument("--stats", action="store_true", help="the number of candidates per operator")
    parser.add_argument("--tsv", action="store_true", help="TAB-separated fields for the shell")
    arguments = parser.parse_args()

    folders = [folder.rstrip("/") for folder in arguments.folders] or list(PROGRAM_FOLDERS)
    for folder in folders:
        if folder not in PROGRAM_FOLDERS:
            parser.error(f"{folder}: not one of {', '.join(PROGRAM_FOLDERS)}")
    if arguments.count < 0:
        parser.error("--count must not be negative")

    candidates = candidates_in(arguments.root, folders)
    listed = equivalent_mutants(os.path.join(arguments.root, EQUIVALENT_LIST))
    names = {candidate["name"] for candidate in candidates}
    for name in sorted(listed):
        if name.split(":")[0].split("/")[0] in folders and name not in names:
            print(f"{EQUIVALENT_LIST}: no such mutant any more (its line changed?): {name}",
                  file=sys.stderr)
    for candidate in candidates:
        if candidate["name"] in listed:
            candidate["equivalent"] = listed[candidate["name"]]

    if arguments.stats:
        counts = collections.Counter(candidate["operator"] for candidate in candidates)
        for operator in OPERATORS:
            print(f"{operator:<12}{counts[operator]:>6}")
        print(f"{'total':<12}{len(candidates):>6}")
        print(f"{'equivalent':<12}{sum('equivalent' in c for c in candidates):>6}")
        return
    chosen = candidates if arguments.list else sample(candidates, arguments.seed, arguments.count)
    for candidate in chosen:
        if arguments.tsv:
            print("\t".join([candidate["name"], candidate["file"], str(candidate["line"]),
                             candidate["original"], candidate["mutated"],
                             candidate.get("equivalent", "")]))
        else:
            fields = ("name", "file", "line", "operator", "original", "mutated", "equivalent")
            print(json.dumps({key: candidate[key] for key in fields if key in candidate},
                             ensure_ascii=False))


if __name__ == "__main__":
    main()
