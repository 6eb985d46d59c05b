#!/usr/bin/env python3
"""Mechanical mutants of the C++ sources in src/, for scripts/mutate.sh --generated.

Every .cpp and .h file under src/ is tokenised (comments, string and character literals and
preprocessor lines are never mutated; code in a conditional branch not compiled on Linux is left
out) and these operators are applied where they fit:

  rel    < <= > >=: each to its boundary neighbour (< and <=, > and >=) and to its mirror
         (< and >, <= and >=); template brackets, shifts, -> and <=> are not relational
  eq     == and !=, each to the other
  lit    an integer literal one more and one less
  logic  && and ||, each to the other
  neg    the condition of an if or a while negated
  del    a simple statement of a function body replaced by {} (not a declaration, nor a return
         that may be the last statement run in its function: without it control would run off
         the end, or nothing would change)
  swap   two adjacent simple arguments of a call (names, members, literals) exchanged
  case   the bodies of two adjacent case groups of a switch exchanged

A mutant's id names its file, line, operator and change, e.g.
  src/names/CodeTables.cpp:42 rel '<' -> '<='
with " [2]", " [3]"... added when one line has several mutants of the same text. Mutants listed
in scripts/mutants-excluded.txt (reviewed as equivalent) are skipped; nothing else is filtered.

  mutants.py --list                       candidates per file and per operator
  mutants.py --sample N [--seed S] --write DIR
                                          writes N sampled mutants: DIR/manifest.tsv (number,
                                          file, id) and DIR/<number> (the mutated file); the
                                          sample is the N mutants of lowest rank, each ranked by
                                          a hash of S and its id
  mutants.py --show ID                    the change of one mutant as a diff
  mutants.py --ids                        every candidate id, sorted
"""

import argparse
import datetime
import difflib
import hashlib
import os
import re
import sys

OPERATORS = ["rel", "eq", "lit", "logic", "neg", "del", "swap", "case"]

# Macros as a Linux x86-64 build sees them. A conditional on any other macro counts as compiled.
UNDEFINED_MACROS = {
    "Q_OS_WIN", "Q_OS_WIN32", "Q_OS_WIN64", "Q_OS_WINDOWS", "_WIN32", "_WIN64", "WIN32",
    "Q_OS_MACOS", "Q_OS_MAC", "Q_OS_DARWIN", "Q_OS_IOS", "__APPLE__", "Q_OS_ANDROID",
    "Q_OS_FREEBSD", "Q_OS_OPENBSD", "Q_OS_NETBSD", "Q_CC_MSVC", "_MSC_VER", "__MINGW32__",
}

KEYWORDS = {
    "alignas", "alignof", "asm", "auto", "bool", "break", "case", "catch", "char", "char8_t",
    "char16_t", "char32_t", "class", "concept", "const", "consteval", "constexpr", "constinit",
    "const_cast", "continue", "co_await", "co_return", "co_yield", "decltype", "default", "delete",
    "do", "double", "dynamic_cast", "else", "enum", "explicit", "export", "extern", "false", "float",
    "for", "friend", "goto", "if", "inline", "int", "long", "mutable", "namespace", "new",
    "noexcept", "nullptr", "operator", "private", "protected", "public", "register",
    "reinterpret_cast", "requires", "return", "short", "signed", "sizeof", "static",
    "static_assert", "static_cast", "struct", "switch", "template", "this", "thread_local", "throw",
    "true", "try", "typedef", "typeid", "typename", "union", "unsigned", "using", "virtual", "void",
    "volatile", "wchar_t", "while",
}
# Words that begin a declaration, never an expression statement.
DECL_WORDS = {
    "auto", "bool", "char", "char8_t", "char16_t", "char32_t", "class", "const", "constexpr",
    "constinit", "double", "enum", "explicit", "extern", "float", "friend", "inline", "int",
    "long", "mutable", "namespace", "register", "short", "signed", "static", "static_assert",
    "struct", "template", "thread_local", "typedef", "typename", "union", "unsigned", "using",
    "virtual", "void", "volatile", "wchar_t",
}
# A ( after these words is not a call.
NOT_CALLS = {
    "if", "while", "for", "switch", "return", "sizeof", "alignof", "alignas", "decltype", "catch",
    "noexcept", "static_assert", "typeid", "operator", "defined", "requires", "co_return",
}
SIMPLE_WORDS = {"this", "true", "false", "nullptr"}
# Words before the colon that opens a section of a class.
ACCESS_WORDS = {"public", "private", "protected", "slots", "signals", "Q_SLOTS", "Q_SIGNALS"}
# Keywords that a template argument list follows.
TEMPLATE_WORDS = {"template", "static_cast", "reinterpret_cast", "const_cast", "dynamic_cast"}

PUNCTUATORS = sorted(
    """<=> <<= >>= ... ->* :: -> ++ -- << >> <= >= == != && || += -= *= /= %= &= |= ^= .* ##
    { } [ ] ( ) ; : , . ? ~ ! + - * / % ^ & | = < > #""".split(),
    key=len,
    reverse=True,
)

IDENT_RE = re.compile(r"[A-Za-z_]\w*")
PPNUMBER_RE = re.compile(r"\.?\d(?:[eEpP][+-]|'?[\w.])*")
INTEGER_RE = re.compile(
    r"(?P<body>0[xX](?P<hex>[0-9a-fA-F']+)|0[bB](?P<bin>[01']+)|(?P<dec>[1-9][0-9']*)|(?P<oct>0[0-7']*))"
    r"(?P<suffix>(?:[uU](?:ll|LL|l|L|z|Z)?|(?:ll|LL|l|L|z|Z)[uU]?)?)$"
)


class Token:
    __slots__ = ("kind", "text", "start", "end", "region")

    def __init__(self, kind, text, start, end):
        self.kind = kind  # ident, number, string, char, punct
        self.text = text
        self.start = start
        self.end = end
        self.region = "decl"  # code (function bodies), init (initialisers), decl (anything else)


class SourceError(Exception):
    pass


# ---------------------------------------------------------------------------------------------
# Preprocessor conditions


def pp_value(expr):
    """Evaluates a #if expression: defined(X), !, &&, ||, parentheses, numbers, macro names."""
    tokens = re.findall(r"defined|\w+|&&|\|\||[()!]|\S", expr)
    pos = 0

    def peek():
        return tokens[pos] if pos < len(tokens) else None

    def take():
        nonlocal pos
        pos += 1
        return tokens[pos - 1]

    def primary():
        t = take() if peek() is not None else "0"
        if t == "!":
            return not primary()
        if t == "(":
            v = disjunction()
            if peek() == ")":
                take()
            return v
        if t == "defined":
            paren = peek() == "("
            if paren:
                take()
            name = take() if peek() is not None else ""
            if paren and peek() == ")":
                take()
            return name not in UNDEFINED_MACROS
        if re.fullmatch(r"\d+[uUlL]*", t):
            return int(re.sub(r"[uUlL]", "", t)) != 0
        return t not in UNDEFINED_MACROS

    def conjunction():
        v = primary()
        while peek() == "&&":
            take()
            w = primary()
            v = v and w
        return v

    def disjunction():
        v = conjunction()
        while peek() == "||":
            take()
            w = conjunction()
            v = v or w
        return v

    return disjunction()


# ---------------------------------------------------------------------------------------------
# Tokeniser


def tokenise(text):
    """Returns the tokens of code compiled on Linux and the spans of all preprocessor lines."""
    tokens = []
    directives = []
    # Each open conditional: (this branch compiled, some branch taken already, enclosing compiled).
    stack = []
    active = True
    i = 0
    n = len(text)
    line_start = True
    while i < n:
        c = text[i]
        if c == "\n":
            line_start = True
            i += 1
            continue
        if c in " \t\r\f\v":
            i += 1
            continue
        if c == "\\" and text.startswith("\n", i + 1):
            i += 2
            continue
        if text.startswith("//", i):
            while i < n and text[i] != "\n":
                i += 2 if text.startswith("\\\n", i) else 1
            continue
        if text.startswith("/*", i):
            j = text.find("*/", i + 2)
            i = n if j < 0 else j + 2
            continue
        if c == "#" and line_start:
            j = i
            while j < n and text[j] != "\n":
                j += 2 if text.startswith("\\\n", j) else 1
            directive = text[i:j]
            directives.append((i, j))
            body = re.sub(r"/\*.*?\*/|//.*", "", directive.replace("\\\n", " "))
            m = re.match(r"#\s*(\w+)\s*(.*)", body)
            word, rest = (m.group(1), m.group(2).strip()) if m else ("", "")
            if word in ("if", "ifdef", "ifndef"):
                if word == "if":
                    value = pp_value(rest)
                else:
                    name = rest.split()[0] if rest else ""
                    value = (name not in UNDEFINED_MACROS) == (word == "ifdef")
                stack.append([active and value, value, active])
                active = active and value
            elif word in ("elif", "elifdef", "elifndef") and stack:
                top = stack[-1]
                if word == "elif":
                    value = pp_value(rest)
                else:
                    name = rest.split()[0] if rest else ""
                    value = (name not in UNDEFINED_MACROS) == (word == "elifdef")
                value = value and not top[1]
                top[0] = top[2] and value
                top[1] = top[1] or value
                active = top[0]
            elif word == "else" and stack:
                top = stack[-1]
                top[0] = top[2] and not top[1]
                top[1] = True
                active = top[0]
            elif word == "endif" and stack:
                active = stack.pop()[2]
            i = j
            continue
        line_start = False
        start = i
        m = IDENT_RE.match(text, i)
        if m and m.group(0) in ("R", "u8R", "uR", "UR", "LR") and text.startswith('"', m.end()):
            # A raw string: R"delimiter( ... )delimiter"
            open_paren = text.find("(", m.end())
            delimiter = text[m.end() + 1 : open_paren]
            close = text.find(")" + delimiter + '"', open_paren)
            i = n if close < 0 else close + len(delimiter) + 2
            kind = "string"
        elif m and m.group(0) in ("u8", "u", "U", "L") and m.end() < n and text[m.end()] in "\"'":
            i = skip_quoted(text, m.end())
            kind = "string" if text[m.end()] == '"' else "char"
        elif m:
            i = m.end()
            kind = "ident"
        elif c in "\"'":
            i = skip_quoted(text, i)
            kind = "string" if c == '"' else "char"
        elif c.isdigit() or (c == "." and i + 1 < n and text[i + 1].isdigit()):
            i = PPNUMBER_RE.match(text, i).end()
            kind = "number"
        else:
            for p in PUNCTUATORS:
                if text.startswith(p, i):
                    i += len(p)
                    break
            else:
                i += 1
            kind = "punct"
        if active:
            tokens.append(Token(kind, text[start:i], start, i))
    return tokens, directives


def skip_quoted(text, i):
    quote = text[i]
    i += 1
    while i < len(text) and text[i] != quote and text[i] != "\n":
        i += 2 if text[i] == "\\" else 1
    return i + 1


# ---------------------------------------------------------------------------------------------
# Structure: which tokens are function bodies, statements, conditions, switches


class Structure:
    def __init__(self, tokens):
        self.t = tokens
        self.n = len(tokens)
        self.match = self._brackets()
        self.templates = set()  # indices of < and > that are template brackets
        self._find_templates()
        self.conditions = []  # (keyword index, ( index, ) index)
        self.deletable = []  # (first token, last token) of statements that may be deleted
        self.switches = []  # each a list of case groups: (label texts, first label, body first, body last)
        self.lambda_params = set()
        self.not_calls = set()  # { of enum bodies
        # For finding the returns that end a function: the last statement of each block, the
        # branches of each if, the block of each switch.
        self.block_last = {}
        self.if_branches = {}
        self.switch_body = {}
        self.function_bodies = []
        self.parse_declarations(0, self.n)
        tail = set()
        for body in self.function_bodies:
            self.find_tail_returns(self.block_last.get(body), tail)
        self.deletable = [d for d in self.deletable if d[0] not in tail]

    def find_tail_returns(self, k, found):
        """Collects the returns among the statements that may run last in a function, from k on."""
        if k is None:
            return
        word = self.text(k)
        if word == "{":
            self.find_tail_returns(self.block_last.get(k), found)
        elif word == "if":
            for branch in self.if_branches.get(k, []):
                self.find_tail_returns(branch, found)
        elif word == "switch":
            self.find_tail_returns(self.block_last.get(self.switch_body.get(k)), found)
        elif word == "return":
            found.add(k)

    def _brackets(self):
        match = {}
        stack = []
        pairs = {")": "(", "]": "[", "}": "{"}
        for k, tok in enumerate(self.t):
            if tok.kind != "punct":
                continue
            if tok.text in "([{":
                stack.append(k)
            elif tok.text in pairs:
                if not stack or self.t[stack[-1]].text != pairs[tok.text]:
                    raise SourceError(f"unbalanced '{tok.text}' at offset {tok.start}")
                o = stack.pop()
                match[o] = k
                match[k] = o
        if stack:
            raise SourceError(f"unclosed '{self.t[stack[-1]].text}' at offset {self.t[stack[-1]].start}")
        return match

    def text(self, k):
        return self.t[k].text if 0 <= k < self.n else ""

    # A < opens a template argument list when it follows a name and a matching > comes before
    # anything that cannot stand in a template argument list.
    def _find_templates(self):
        allowed_punct = {"::", ",", "*", "&", "...", "[", "]"}
        for k in range(self.n):
            tok = self.t[k]
            if tok.text != "<" or k in self.templates or k == 0:
                continue
            prev = self.t[k - 1]
            if prev.text == "operator":
                continue
            if not (prev.kind == "ident" and (prev.text not in KEYWORDS or prev.text in TEMPLATE_WORDS)):
                continue
            depth = 1
            inside = [k]
            j = k + 1
            ok = False
            while j < self.n:
                t = self.t[j]
                if t.text == "(":
                    j = self.match[j] + 1
                    continue
                if t.text == "<":
                    depth += 1
                    inside.append(j)
                elif t.text in (">", ">>"):
                    depth -= len(t.text)
                    inside.append(j)
                    if depth <= 0:
                        ok = depth == 0
                        break
                elif t.kind in ("ident", "number"):
                    pass
                elif t.kind == "punct" and t.text in allowed_punct:
                    pass
                else:
                    break
                j += 1
            if ok:
                self.templates.update(inside)

    def mark(self, a, b, region):
        """Marks tokens a..b-1, parsing the bodies of lambdas among them as code."""
        k = a
        while k < b:
            tok = self.t[k]
            if tok.text == "{" and self.is_lambda_body(k):
                k = self.parse_block(k, function_body=True)
                continue
            tok.region = region
            k += 1

    def is_lambda_body(self, k):
        prev = self.text(k - 1)
        if prev in ("]", "mutable", "noexcept"):
            return True
        if prev == ")":
            o = self.match[k - 1]
            before = self.text(o - 1)
            if before == "]":
                self.lambda_params.update(range(o, k))
                return True
            return False
        # [..](..) -> Type {
        j = k - 1
        while j > 0 and (self.t[j].kind == "ident" or self.t[j].text in ("::", "*", "&", "<", ">")):
            j -= 1
        if self.text(j) == "->" and self.text(j - 1) == ")":
            o = self.match[j - 1]
            if self.text(o - 1) == "]":
                self.lambda_params.update(range(o, j))
                return True
        return False

    # Declarations at namespace or class level; finds function bodies and initialisers.
    def parse_declarations(self, a, b):
        k = a
        stmt = a
        initialiser = False
        while k < b:
            tok = self.t[k]
            text = tok.text
            if text == ";":
                tok.region = "decl"
                k += 1
                stmt = k
                initialiser = False
                continue
            if text == ":" and self.text(k - 1) in ACCESS_WORDS:
                k += 1
                stmt = k
                continue
            if text == "=" and not initialiser:
                tok.region = "decl"
                initialiser = True
                k += 1
                continue
            if text in ("(", "["):
                end = self.match[k] + 1
                self.mark(k, end, "init" if initialiser else "decl")
                k = end
                continue
            if text == "{":
                words = [t.text for t in self.t[stmt:k]]
                close = self.match[k]
                if "namespace" in words or (words[:1] == ["extern"] and len(words) == 2):
                    tok.region = "decl"
                    self.parse_declarations(k + 1, close)
                    self.t[close].region = "decl"
                    k = close + 1
                    stmt = k
                    continue
                has_parens = any(self.t[j].text == "(" for j in range(stmt, k))
                if initialiser or "enum" in words:
                    if "enum" in words:
                        self.not_calls.add(k)
                    self.mark(k, close + 1, "init")
                    k = close + 1
                    continue
                if any(w in ("class", "struct", "union") for w in words) and not has_parens:
                    tok.region = "decl"
                    self.parse_declarations(k + 1, close)
                    self.t[close].region = "decl"
                    k = close + 1
                    continue
                if has_parens and self.is_function_head(stmt, k):
                    self.mark_member_initialisers(stmt, k)
                    k = self.parse_block(k, function_body=True)
                    stmt = k
                    continue
                self.mark(k, close + 1, "init")
                k = close + 1
                continue
            tok.region = "init" if initialiser else "decl"
            k += 1

    def is_function_head(self, stmt, k):
        prev = self.text(k - 1)
        if prev in (")", "const", "override", "final", "noexcept", "volatile", "&", "&&"):
            return True
        if prev == "}":  # the last of the member initialisers is brace-initialised
            return self.initialiser_colon(stmt, k) is not None
        for j in range(k - 1, stmt - 1, -1):
            if self.t[j].text == "->":
                return self.text(j - 1) in (")", "const", "noexcept")
        return False

    def initialiser_colon(self, stmt, k):
        j = stmt
        while j < k:
            t = self.t[j]
            if t.text in ("(", "[", "{"):
                j = self.match[j] + 1
                continue
            if t.text == ":" and self.text(j - 1) in (")", "noexcept", "const"):
                return j
            j += 1
        return None

    def mark_member_initialisers(self, stmt, k):
        colon = self.initialiser_colon(stmt, k)
        if colon is not None:
            self.mark(colon + 1, k, "init")

    # Code --------------------------------------------------------------------------------------

    def parse_block(self, k, function_body=False, switch=None):
        """Parses the block opening at k; returns the index after its }."""
        close = self.match[k]
        self.t[k].region = "code"
        self.t[close].region = "code"
        if function_body:
            self.function_bodies.append(k)
        j = k + 1
        last = None
        group = None
        while j < close:
            first = j
            word = self.text(j)
            if switch is not None and word in ("case", "default"):
                j = self.parse_statement(j)
                label = "default" if word == "default" else self.source_text(first + 1, j - 2)
                if group is None or group[2] is not None:
                    group = [[label], first, None, None]
                    switch.append(group)
                else:
                    group[0].append(label)
                continue
            j = self.parse_statement(j)
            last = first
            if switch is not None and group is not None:
                if group[2] is None:
                    group[2] = first
                group[3] = j - 1
        self.block_last[k] = last
        return close + 1

    def parse_statement(self, k):
        t = self.t[k]
        word = t.text
        if word == "{":
            return self.parse_block(k)
        if word == ";":
            t.region = "code"
            return k + 1
        if word in ("if", "while", "for", "switch") and self.text(k + 1) in ("(", "constexpr"):
            t.region = "code"
            lp = k + 1
            if self.text(lp) == "constexpr":
                self.t[lp].region = "code"
                lp += 1
            rp = self.match[lp]
            self.mark(lp, rp + 1, "code")
            if word in ("if", "while"):
                self.conditions.append((k, lp, rp))
            if word == "switch" and self.text(rp + 1) == "{":
                groups = []
                self.switches.append(groups)
                self.switch_body[k] = rp + 1
                return self.parse_block(rp + 1, switch=groups)
            j = self.parse_statement(rp + 1)
            branches = [rp + 1]
            if word == "if" and self.text(j) == "else":
                self.t[j].region = "code"
                branches.append(j + 1)
                j = self.parse_statement(j + 1)
            if word == "if":
                self.if_branches[k] = branches
            return j
        if word == "do":
            t.region = "code"
            j = self.parse_statement(k + 1)
            if self.text(j) == "while":
                self.t[j].region = "code"
                lp = j + 1
                rp = self.match[lp]
                self.mark(lp, rp + 1, "code")
                self.conditions.append((j, lp, rp))
                j = rp + 1
                if self.text(j) == ";":
                    self.t[j].region = "code"
                    j += 1
            return j
        if word == "try" and self.text(k + 1) == "{":
            t.region = "code"
            j = self.parse_block(k + 1)
            while self.text(j) == "catch":
                self.t[j].region = "code"
                rp = self.match[j + 1]
                self.mark(j + 1, rp + 1, "code")
                j = self.parse_block(rp + 1)
            return j
        if word in ("case", "default"):
            j = k
            while j < self.n and self.t[j].text != ":":
                if self.t[j].text in ("(", "[", "{"):
                    j = self.match[j]
                j += 1
            self.mark(k, j + 1, "code")
            return j + 1
        if t.kind == "ident" and word not in KEYWORDS and self.text(k + 1) == ":":
            self.mark(k, k + 2, "code")  # a label
            return k + 2
        # A simple statement, up to its ; (or the end of the block, after a macro without one)
        j = k
        while j < self.n and self.t[j].text not in (";", "}"):
            if self.t[j].text in ("(", "[", "{"):
                j = self.match[j]
            j += 1
        if self.text(j) != ";":
            self.mark(k, j, "code")
            return j
        self.mark(k, j + 1, "code")
        if self.may_delete(k, j):
            self.deletable.append((k, j))
        return j + 1

    def may_delete(self, k, end):
        word = self.text(k)
        if word in ("return", "break", "continue", "goto", "delete", "throw", "new", "emit", "Q_EMIT"):
            return True
        if word in DECL_WORDS or word == "[[" or (word == "[" and self.text(k + 1) == "["):
            return False
        # A declaration is a type (a name, maybe qualified or with template arguments, pointers,
        # references) followed by the declared name.
        j = k
        if self.text(j) == "::":
            j += 1
        if self.t[j].kind != "ident":
            return True
        while True:
            j += 1
            if self.text(j) == "<" and j in self.templates:
                depth = 0
                while j < end:
                    if j in self.templates:
                        depth += 1 if self.text(j) == "<" else -len(self.text(j))
                    if depth <= 0 and self.text(j) in (">", ">>"):
                        break
                    j += 1
                j += 1
            if self.text(j) == "::" and self.t[j + 1].kind == "ident":
                j += 1
                continue
            break
        while self.text(j) in ("*", "&", "&&", "const"):
            j += 1
        if j < end and self.t[j].kind == "ident" and self.text(j) not in KEYWORDS:
            return self.text(j + 1) not in ("=", ";", "(", "{", ",", "[", ":")
        return True

    def source_text(self, a, b):
        """The tokens a..b, as written but with each run of white space made one space."""
        return " ".join(
            self.t[j].text if j == a or self.t[j].start > self.t[j - 1].end else "\0" + self.t[j].text
            for j in range(a, b + 1)
        ).replace(" \0", "")


def normalise(text):
    return re.sub(r"\s+", " ", text).strip()


# ---------------------------------------------------------------------------------------------
# Mutants


class Mutant:
    __slots__ = ("file", "line", "offset", "op", "label", "edits", "id")

    def __init__(self, file, line, offset, op, label, edits):
        self.file = file
        self.line = line
        self.offset = offset
        self.op = op
        self.label = label  # "'<' -> '<='"
        self.edits = edits  # [(start, end, replacement)], not overlapping
        self.id = None

    def apply(self, text):
        out = text
        for start, end, repl in sorted(self.edits, reverse=True):
            out = out[:start] + repl + out[end:]
        return out


def integer_neighbours(text):
    m = INTEGER_RE.match(text)
    if not m:
        return []
    suffix = m.group("suffix")
    if m.group("hex") is not None:
        digits = m.group("hex").replace("'", "")
        value, base = int(digits, 16), 16
    elif m.group("bin") is not None:
        digits = m.group("bin").replace("'", "")
        value, base = int(digits, 2), 2
    elif m.group("dec") is not None:
        digits = m.group("dec").replace("'", "")
        value, base = int(digits), 10
    else:
        digits = m.group("oct").replace("'", "")
        value, base = int(digits, 8), 8 if len(digits) > 1 else 10

    def spelled(v):
        if v < 0:
            return "-" + spelled(-v)
        if base == 16:
            prefix = text[:2]
            s = format(v, "x").zfill(len(digits))
            if any(ch in "ABCDEF" for ch in digits):
                s = s.upper()
            return prefix + s + suffix
        if base == 2:
            return text[:2] + format(v, "b").zfill(len(digits)) + suffix
        if base == 8 and v != 0:
            return "0" + format(v, "o") + suffix
        return str(v) + suffix

    return [spelled(value + 1), spelled(value - 1)]


def is_simple_argument(toks):
    if len(toks) == 1:
        t = toks[0]
        return t.kind in ("number", "char") or (
            t.kind == "ident" and (t.text not in KEYWORDS or t.text in SIMPLE_WORDS)
        )
    if len(toks) == 2 and toks[0].text == "-" and toks[1].kind == "number":
        return True
    parts = toks[1:] if toks[0].text == "::" else toks
    if len(parts) < 3 or len(parts) % 2 == 0:
        return False
    for i, t in enumerate(parts):
        if i % 2 == 0:
            if t.kind != "ident" or (t.text in KEYWORDS and t.text != "this"):
                return False
        elif t.text not in ("::", ".", "->"):
            return False
    return True


RELATIONAL = {"<": ["<=", ">"], "<=": ["<", ">="], ">": [">=", "<"], ">=": [">", "<="]}


def file_mutants(path, text):
    tokens, directives = tokenise(text)
    s = Structure(tokens)
    line_starts = [0] + [m.end() for m in re.finditer("\n", text)]

    def line_of(offset):
        lo, hi = 0, len(line_starts)
        while hi - lo > 1:
            mid = (lo + hi) // 2
            if line_starts[mid] <= offset:
                lo = mid
            else:
                hi = mid
        return lo + 1

    def crosses_directive(start, end):
        return any(start < d_end and d_start < end for d_start, d_end in directives)

    mutants = []

    def add(op, first_offset, label, edits):
        for a, b, _ in edits:
            if crosses_directive(a, b):
                return
        mutants.append(Mutant(path, line_of(first_offset), first_offset, op, label, edits))

    def source(a, b):  # source text of tokens a..b inclusive
        return text[tokens[a].start : tokens[b].end]

    # Operators on single tokens.
    for k, tok in enumerate(tokens):
        after_operator = s.text(k - 1) == "operator"
        expression = tok.region in ("code", "init") and k not in s.lambda_params
        if tok.kind == "number":
            for repl in integer_neighbours(tok.text):
                if repl.startswith("-") and s.text(k - 1) in ("-", "+"):
                    repl = "(" + repl + ")"
                add("lit", tok.start, f"'{tok.text}' -> '{repl}'", [(tok.start, tok.end, repl)])
        if tok.kind != "punct" or after_operator or not expression:
            continue
        if tok.text in RELATIONAL and k not in s.templates:
            for repl in RELATIONAL[tok.text]:
                add("rel", tok.start, f"'{tok.text}' -> '{repl}'", [(tok.start, tok.end, repl)])
        elif tok.text in ("==", "!="):
            repl = "!=" if tok.text == "==" else "=="
            add("eq", tok.start, f"'{tok.text}' -> '{repl}'", [(tok.start, tok.end, repl)])
        elif tok.text in ("&&", "||"):
            prev = tokens[k - 1] if k else None
            if prev is None or prev.text in DECL_WORDS or (k - 1) in s.templates:
                continue  # a reference, not a logical operator
            repl = "||" if tok.text == "&&" else "&&"
            add("logic", tok.start, f"'{tok.text}' -> '{repl}'", [(tok.start, tok.end, repl)])

    # Negated conditions.
    for kw, lp, rp in s.conditions:
        if rp == lp + 1:
            continue
        word = tokens[kw].text
        cond_first = lp + 1
        depth_semicolon = None
        j = lp + 1
        while j < rp:
            if tokens[j].text in ("(", "[", "{"):
                j = s.match[j]
            elif tokens[j].text == ";":
                depth_semicolon = j
            j += 1
        if depth_semicolon is not None:
            cond_first = depth_semicolon + 1
        original = normalise(f"{word} " + source(lp, rp))
        declared = declared_name(s, cond_first, rp)
        if declared is not None:
            if word != "if" or depth_semicolon is not None:
                continue
            insert = f"; !({declared})"
            edits = [(tokens[rp].start, tokens[rp].start, insert)]
            shown = normalise(f"{word} (" + text[tokens[cond_first].start : tokens[rp].start] + insert + ")")
        else:
            a = tokens[cond_first].start
            b = tokens[rp].start
            cond = text[a:b]
            edits = [(a, a, "!("), (b, b, ")")]
            head = text[tokens[lp].start : a]
            shown = normalise(f"{word} " + head + "!(" + cond + "))")
        add("neg", tokens[kw].start, f"'{original}' -> '{shown}'", edits)

    # Deleted statements.
    for a, b in s.deletable:
        original = normalise(source(a, b))
        add("del", tokens[a].start, f"'{original}' -> '{{}}'", [(tokens[a].start, tokens[b].end, "{}")])

    # Swapped arguments.
    for k, tok in enumerate(tokens):
        if tok.region not in ("code", "init") or k in s.lambda_params or k == 0:
            continue
        prev = tokens[k - 1]
        if tok.text == "(":
            callee = (prev.kind == "ident" and prev.text not in KEYWORDS and s.text(k - 2) != "operator") or (
                prev.text in (")", "]") or (prev.text == ">" and (k - 1) in s.templates)
            )
        elif tok.text == "{":
            callee = (
                prev.kind == "ident"
                and prev.text not in KEYWORDS
                and k not in s.not_calls
                and s.text(k - 2) not in ("struct", "class", "union", "enum")
            )
        else:
            continue
        if not callee or prev.text in NOT_CALLS:
            continue
        close = s.match[k]
        args = []
        j = k + 1
        first = j
        while j < close:
            if tokens[j].text in ("(", "[", "{"):
                j = s.match[j]
            elif tokens[j].text == "<" and j in s.templates:
                depth = 0
                while j < close:
                    if j in s.templates:
                        depth += 1 if tokens[j].text == "<" else -len(tokens[j].text)
                    if depth <= 0:
                        break
                    j += 1
            elif tokens[j].text == ",":
                args.append((first, j - 1))
                first = j + 1
            j += 1
        args.append((first, close - 1))
        for (a1, b1), (a2, b2) in zip(args, args[1:]):
            if b1 < a1 or b2 < a2:
                continue
            if not (is_simple_argument(tokens[a1 : b1 + 1]) and is_simple_argument(tokens[a2 : b2 + 1])):
                continue
            t1, t2 = source(a1, b1), source(a2, b2)
            if t1 == t2:
                continue
            edits = [(tokens[a1].start, tokens[b1].end, t2), (tokens[a2].start, tokens[b2].end, t1)]
            add("swap", tokens[a1].start, f"'{t1}' <-> '{t2}'", edits)

    # Swapped case results.
    for groups in s.switches:
        for g1, g2 in zip(groups, groups[1:]):
            if g1[2] is None or g2[2] is None:
                continue
            b1, b2 = source(g1[2], g1[3]), source(g2[2], g2[3])
            if b1 == b2:
                continue
            edits = [
                (tokens[g1[2]].start, tokens[g1[3]].end, b2),
                (tokens[g2[2]].start, tokens[g2[3]].end, b1),
            ]
            add("case", tokens[g1[1]].start, f"'{' '.join(g1[0])}' <-> '{' '.join(g2[0])}'", edits)

    # Ids, made unique in the order of the text.
    mutants.sort(key=lambda m: (m.offset, OPERATORS.index(m.op), m.label))
    seen = {}
    for m in mutants:
        base = f"{m.file}:{m.line} {m.op} {m.label}"
        seen[base] = seen.get(base, 0) + 1
        m.id = base if seen[base] == 1 else f"{base} [{seen[base]}]"
    return mutants


def declared_name(s, a, b):
    """The name declared by the condition tokens a..b-1 ("auto x = f()"), or None."""
    j = a
    words = 0
    while j < b:
        t = s.t[j]
        if t.kind == "ident":
            words += 1
            j += 1
        elif t.text in ("::", "*", "&", "&&"):
            j += 1
        elif t.text == "<" and j in s.templates:
            depth = 0
            while j < b:
                if j in s.templates:
                    depth += 1 if s.t[j].text == "<" else -len(s.t[j].text)
                j += 1
                if depth <= 0:
                    break
        else:
            break
    if words >= 2 and j < b and s.t[j].text in ("=", "{") and s.t[j - 1].kind == "ident":
        return s.t[j - 1].text
    return None


# ---------------------------------------------------------------------------------------------
# Command line


def source_files(root):
    found = []
    for dirpath, dirnames, filenames in os.walk(os.path.join(root, "src")):
        dirnames.sort()
        for name in sorted(filenames):
            if name.endswith((".cpp", ".h")):
                found.append(os.path.relpath(os.path.join(dirpath, name), root))
    return sorted(found)


def all_mutants(root):
    result = []
    texts = {}
    for path in source_files(root):
        with open(os.path.join(root, path), encoding="utf-8") as f:
            text = f.read()
        texts[path] = text
        try:
            result.extend(file_mutants(path, text))
        except SourceError as e:
            sys.exit(f"mutants: {path}: {e}")
    return result, texts


def read_excluded(path):
    entries = {}
    if not os.path.exists(path):
        return entries
    with open(path, encoding="utf-8") as f:
        for number, line in enumerate(f, 1):
            line = line.rstrip("\n")
            if not line.strip() or line.lstrip().startswith("#"):
                continue
            m = re.match(r"(.*?'(?: \[\d+\])?) # (.+)$", line)
            if not m:
                sys.exit(f"mutants: {path}:{number}: expected '<mutant id> # reason'")
            entries[m.group(1)] = m.group(2)
    return entries


def main():
    parser = argparse.ArgumentParser(description="Mechanical mutants of src/ for scripts/mutate.sh.")
    parser.add_argument("--root", default=os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
    parser.add_argument("--list", action="store_true", help="candidates per file and operator")
    parser.add_argument("--ids", action="store_true", help="every candidate id")
    parser.add_argument("--show", metavar="ID", help="the change of one mutant as a diff")
    parser.add_argument("--sample", type=int, metavar="N", help="sample N mutants")
    parser.add_argument("--seed", default=datetime.date.today().isoformat())
    parser.add_argument("--write", metavar="DIR", help="where --sample writes the mutated files")
    args = parser.parse_args()

    mutants, texts = all_mutants(args.root)
    excluded_path = os.path.join(args.root, "scripts", "mutants-excluded.txt")
    excluded = read_excluded(excluded_path)
    ids = {m.id for m in mutants}
    for stale in sorted(set(excluded) - ids):
        print(f"mutants: excluded mutant no longer generated: {stale}", file=sys.stderr)
    candidates = [m for m in mutants if m.id not in excluded]
    skipped = len(mutants) - len(candidates)

    if args.show:
        chosen = [m for m in mutants if m.id == args.show]
        if not chosen:
            sys.exit(f"mutants: no mutant {args.show}")
        m = chosen[0]
        before = texts[m.file]
        after = m.apply(before)
        sys.stdout.writelines(
            difflib.unified_diff(before.splitlines(True), after.splitlines(True), m.file, m.file, n=1)
        )
        return
    if args.ids:
        for m in candidates:
            print(m.id)
        return
    if args.list:
        files = sorted({m.file for m in mutants} | set(texts))
        width = max(len(f) for f in files)
        print(f"{'file':<{width}} " + " ".join(f"{op:>6}" for op in OPERATORS) + f" {'total':>6}")
        totals = {op: 0 for op in OPERATORS}
        for f in files:
            counts = {op: 0 for op in OPERATORS}
            for m in candidates:
                if m.file == f:
                    counts[m.op] += 1
                    totals[m.op] += 1
            row = " ".join(f"{counts[op]:>6}" for op in OPERATORS)
            print(f"{f:<{width}} {row} {sum(counts.values()):>6}")
        row = " ".join(f"{totals[op]:>6}" for op in OPERATORS)
        print(f"{'all files':<{width}} {row} {len(candidates):>6}")
        print(f"{len(candidates)} candidate mutants in {len(files)} files; {skipped} excluded as equivalent")
        return
    if args.sample is not None:
        if not args.write:
            sys.exit("mutants: --sample needs --write DIR")
        # Each mutant draws its own rank from the seed and its id, and the lowest ranks are taken:
        # reviewing a sampled mutant as equivalent then brings in the next one alone instead of
        # reshuffling the whole sample, and mutants elsewhere keep their ranks when a file changes.
        def rank(m):
            return hashlib.sha256(f"{args.seed}\n{m.id}".encode()).digest()

        sample = sorted(candidates, key=rank)[: args.sample]
        sample.sort(key=lambda m: (m.file, m.offset, OPERATORS.index(m.op), m.id))
        os.makedirs(args.write, exist_ok=True)
        with open(os.path.join(args.write, "manifest.tsv"), "w", encoding="utf-8") as manifest:
            for number, m in enumerate(sample, 1):
                mutated = m.apply(texts[m.file])
                if mutated == texts[m.file]:
                    sys.exit(f"mutants: {m.id} changes nothing")
                with open(os.path.join(args.write, str(number)), "w", encoding="utf-8") as f:
                    f.write(mutated)
                manifest.write(f"{number}\t{m.file}\t{m.id}\n")
        with open(os.path.join(args.write, "summary"), "w", encoding="utf-8") as f:
            f.write(f"candidates={len(candidates)}\nexcluded={skipped}\nsampled={len(sample)}\n")
        return
    parser.print_help()


if __name__ == "__main__":
    main()
