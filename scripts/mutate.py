#!/usr/bin/env python3
"""Plants small mistakes, one at a time, in the production lines changed since
a commit, rebuilds the test program that guards them and runs it: a mistake
the tests do not notice is a survivor, a gap in the tests.

  scripts/mutate.py --base REV [--folder F]... [--seed N] [--max N]
                    [--timeout S] [--repo DIR] [--build DIR] [--json OUT]
                    [--rerun JSON] [--list] [--build-cmd T] [--test-cmd T]

Mistakes: a comparison's boundary or sense flipped, && and || swapped, a `!`
dropped, an integer constant one more or one less, a guard that returns,
continues or breaks removed, an early return removed, two call arguments
swapped, a statement left out (kept behind `if (false)`), one entry of a
table left out, one operand of && or || left out of the decision. Only
code is touched: comments, string and character literals and preprocessor
lines never.

Each mutant rebuilds test_<folder> (app mutants also test_e2e, with the
program) and runs it under Wine with --gtest_fail_fast; a non-zero exit or
the time limit means caught, a failed build leaves the mutant out of the
rate. A test program that ended early without a failure of its own (exit
86 from scripts/wine-run.sh) is run once more; ending early again, the
mutant is listed as EARLYEND, neither caught nor survived. --build-cmd and --test-cmd replace those steps with shell commands in
which {repo}, {build}, {folder} and {targets} are filled in.

The changed file is saved under the git directory before it is touched and
put back after each mutant, on Ctrl+C or SIGTERM too; a later start puts
back a file a killed run left changed before it does anything else.
"""
import argparse
import base64
import bisect
import fcntl
import json
import os
import random
import re
import shlex
import signal
import subprocess
import sys
import time

FOLDERS = ["classlib", "foundation", "mail", "controls", "shell", "app"]
KINDS = ["cmp", "logic", "not", "const", "guard", "return", "args", "statement", "entry", "clause"]


class Stopped(Exception):
    pass


def on_signal(signum, _frame):
    raise Stopped("signal %d" % signum)


# ---------------------------------------------------------------- sources

def mask_code(text, literals=True):
    """The text with every comment and string or character literal replaced
    by spaces (line breaks kept), so offsets and lines stay those of the
    source and nothing inside a literal or comment looks like code. With
    `literals` false the literals stay."""
    out = list(text)
    i, n = 0, len(text)

    def blank(a, b):
        for k in range(a, b):
            if out[k] != "\n":
                out[k] = " "

    def literal_end(i, quote):
        j = i + 1
        while j < n and text[j] != quote and text[j] != "\n":
            j += 2 if text[j] == "\\" else 1
        return min(j + 1, n)

    while i < n:
        c = text[i]
        if c == "/" and text.startswith("//", i):
            j = text.find("\n", i)
            j = n if j < 0 else j
        elif c == "/" and text.startswith("/*", i):
            j = text.find("*/", i + 2)
            j = n if j < 0 else j + 2
        elif c == '"':
            j = literal_end(i, c)
            # A raw string: R"delim( ... )delim", with any encoding prefix.
            d = re.match(r'"([^()\\\s]{0,16})\(', text[i:])
            if d and re.search(r'(?:u8|[uUL])?R$', text[max(0, i - 3):i]):
                end = text.find(")" + d.group(1) + '"', i)
                j = n if end < 0 else end + len(d.group(1)) + 2
        elif c == "'":
            # A digit separator (1'000'000) is no character literal.
            k = i
            while k > 0 and (text[k - 1].isalnum() or text[k - 1] in "_'"):
                k -= 1
            j = i + 1 if k < i and text[k].isdigit() else literal_end(i, c)
            if j == i + 1:
                i = j
                continue
        else:
            i += 1
            continue
        if literals or c == "/":
            blank(i, j)
        i = j
    return "".join(out)


def preprocessor_lines(masked_lines):
    """Indexes of lines that belong to a preprocessor directive, its
    continuation lines included."""
    skip = set()
    cont = False
    for k, line in enumerate(masked_lines):
        if cont or line.lstrip().startswith("#"):
            skip.add(k)
            cont = line.rstrip().endswith("\\")
        else:
            cont = False
    return skip


def brace_heads(masked):
    """For each line, the head of the innermost block it ends in (the code
    before that block's `{`), None outside every block."""
    stack = []
    line_heads = []
    for i, c in enumerate(masked):
        if c == "{":
            head = masked[masked.rfind("\n", 0, i) + 1:i].strip()
            if not head:
                # A brace on a line of its own: the head is the line above.
                prev_end = masked.rfind("\n", 0, i)
                prev_start = masked.rfind("\n", 0, prev_end) + 1 if prev_end > 0 else 0
                head = masked[prev_start:max(prev_end, prev_start)].strip()
            stack.append(head)
        elif c == "}":
            if stack:
                stack.pop()
        elif c == "\n":
            line_heads.append(stack[-1] if stack else None)
    line_heads.append(stack[-1] if stack else None)
    return line_heads


CONTROL_HEAD = re.compile(r'^(?:\}\s*)?(?:else\b|if\b|for\b|while\b|do\b|switch\b|try\b|catch\b|case\b|default\b)')
KEYWORDS = {"if", "for", "while", "switch", "return", "sizeof", "alignof", "decltype", "catch",
            "static_cast", "reinterpret_cast", "const_cast", "dynamic_cast", "noexcept",
            "static_assert", "requires", "operator", "throw", "co_return", "new", "delete", "typeid"}
TYPE_ONLY = re.compile(r'^(?:const\s+)?(?:unsigned\s+)?[A-Za-z_][\w:<>,]*\s*[&*]+$|^(?:int|bool|char|long|short|unsigned|double|float|size_t)$')
DECLARATION = re.compile(r'^(?:const\s+)?[A-Za-z_][\w:<>,]*\s*[&*]*\s+[&*]*[A-Za-z_]\w*(?:\s*=.*)?$')


def matching_paren(s, i):
    depth = 0
    for j in range(i, len(s)):
        if s[j] in "([{":
            depth += 1
        elif s[j] in ")]}":
            depth -= 1
            if depth == 0:
                return j
    return -1


def split_args(s, a, b):
    """Spans of the top-level arguments between s[a] == '(' and s[b] == ')'."""
    spans, depth, start = [], 0, a + 1
    angle = 0
    for j in range(a + 1, b):
        c = s[j]
        if c in "([{":
            depth += 1
        elif c in ")]}":
            depth -= 1
        elif c == "<" and depth == 0 and j > 0 and (s[j - 1].isalnum() or s[j - 1] == "_") \
                and j + 1 < b and s[j + 1] != " " and s[j + 1] != "=" and s[j + 1] != "<":
            angle += 1  # a template argument list: its commas are not ours
        elif c == ">" and angle > 0 and s[j - 1] != " " and s[j - 1] != "-":
            angle -= 1
        elif c == "," and depth == 0 and angle == 0:
            spans.append((start, j))
            start = j + 1
    spans.append((start, b))
    return spans


def logic_flip(line, code, pos, prev_code=None, next_code=None):
    """The line with the && or || at `pos` turned into the other. Where that
    mixes the two in one expression, each run of && gets the parentheses its
    precedence gives it anyway, so the compiler has nothing to warn about.
    None where the expression goes on over the line above or below with the
    other operator: the mix would be there, out of reach."""
    # The expression the operator sits in: up to an unmatched bracket, a
    # comma, a semicolon, a ?: or an assignment on either side.
    def edge(step):
        depth, j = 0, pos + (2 if step > 0 else -1)
        while 0 <= j < len(code):
            c = code[j]
            if c in "([{" if step > 0 else c in ")]}":
                depth += 1
            elif c in ")]}" if step > 0 else c in "([{":
                if depth == 0:
                    return j
                depth -= 1
            elif depth == 0 and (c in ",;?:" or (c == "=" and code[j - 1:j] not in ("=", "!", "<", ">")
                                                  and code[j + 1:j + 2] != "=")):
                return j
            j += step
        return j
    a, b = edge(-1) + 1, edge(1)
    outside = set()
    # An operator that ends or starts the line joins it to the next or last.
    tail = re.search(r'\s(&&|\|\|)\s*$', code[:b]) if not code[b:].strip() else None
    if tail:
        outside.add(tail.group(1))
        b = tail.start() + 1
    head = re.match(r'^(\s*)(&&|\|\|)\s', code[a:]) if not code[:a].strip() else None
    if head:
        outside.add(head.group(2))
        a += head.end() - 1
    ops = []
    depth = 0
    for j in range(a, b):
        c = code[j]
        if c in "([{":
            depth += 1
        elif c in ")]}":
            depth -= 1
        elif depth == 0 and code[j:j + 2] in ("&&", "||") and code[j - 1:j] == " " and code[j + 2:j + 3] == " ":
            ops.append(j)
    flipped = {j: ("||" if code[j:j + 2] == "&&" else "&&") if j == pos else code[j:j + 2] for j in ops}
    if not code[:a].strip() and prev_code is not None:
        outside |= set(re.findall(r'(&&|\|\|)', prev_code))
    if not code[b:].strip() and next_code is not None:
        outside |= set(re.findall(r'(&&|\|\|)', next_code))
    kinds = set(flipped.values())
    if len(kinds | outside) > 1 and (len(kinds) == 1 or outside - {"||"}):
        return None
    if len(set(flipped.values())) < 2:
        return line[:pos] + flipped[pos] + line[pos + 2:]
    # Operands between the operators, grouped into runs joined by &&.
    cuts = [a] + [x for j in ops for x in (j, j + 2)] + [b]
    operands = [line[cuts[2 * k]:cuts[2 * k + 1]] for k in range(len(ops) + 1)]
    out, run = "", [operands[0]]
    def close(run):
        text = "&&".join(run)
        if len(run) == 1:
            return text
        lead = text[:len(text) - len(text.lstrip())]
        trail = text[len(text.rstrip()):]
        return lead + "(" + text.strip() + ")" + trail
    for k, j in enumerate(ops):
        if flipped[j] == "&&":
            run.append(operands[k + 1])
        else:
            out += close(run) + "||"
            run = [operands[k + 1]]
    out += close(run)
    return line[:a] + out + line[b:]


def exits_block(masked, open_at):
    """Whether the block opened at masked[open_at] == '{' ends in a return,
    a continue or a break."""
    depth = 0
    for j in range(open_at, len(masked)):
        if masked[j] == "{":
            depth += 1
        elif masked[j] == "}":
            depth -= 1
            if depth == 0:
                return re.search(r'(?:\breturn\b[^;{}]*|\bcontinue|\bbreak);\s*$', masked[open_at + 1:j]) is not None
    return False


def argument_class(text):
    if re.match(r'^(?:u8|[uUL])?R?"', text):
        return "string"
    if re.match(r"^(?:u8|[uUL])?'", text):
        return "char"
    if re.match(r'^-?(?:0[xX][0-9A-Fa-f]+|\d+\.?\d*)[uUlLfF]*$', text):
        return "number"
    if text.startswith("&"):
        return "address"
    if text in ("nullptr", "NULL"):
        return "null"
    if text.startswith("["):
        return "lambda"
    if text in ("true", "false"):
        return "bool"
    return "other"


def interchangeable(first, second):
    """Whether two arguments may be of one type, as far as their text tells."""
    c1, c2 = argument_class(first), argument_class(second)
    if c1 == c2:
        # A getter and its setter, &C::Name and &C::SetName, never are.
        names = sorted((first.rsplit("::", 1)[-1], second.rsplit("::", 1)[-1]), key=len)
        return not (c1 == "address" and names[1] == "Set" + names[0])
    if "other" not in (c1, c2) or "lambda" in (c1, c2):
        return False
    # A literal text trades places with a plain name at most.
    known = c1 if c2 == "other" else c2
    other = second if c2 == "other" else first
    return known not in ("string", "char") or re.match(r'^[A-Za-z_]\w*$', other) is not None


def operand_edge(code, pos, step):
    """Where the operand of the && or || at `pos` ends on the side `step`
    points to: the index of the bracket, separator or other && / || that
    bounds it, or -1 / len(code) with the bracket depth left open when the
    line's edge comes first."""
    depth, j = 0, pos - 1 if step < 0 else pos + 2
    opening, closing = ("([{", ")]}") if step > 0 else (")]}", "([{")
    while 0 <= j < len(code):
        c = code[j]
        if c in opening:
            depth += 1
        elif c in closing:
            if depth == 0:
                return j, 0
            depth -= 1
        elif depth == 0:
            pair = code[j:j + 2] if step > 0 else code[j - 1:j + 1]
            if pair in ("&&", "||") or c in ",;?" \
                    or (c == ":" and ":" not in (code[j - 1:j], code[j + 1:j + 2])) \
                    or (c == "=" and code[j - 1:j] not in ("=", "!", "<", ">") and code[j + 1:j + 2] != "="):
                return j, 0
        j += step
    return j, depth


def clause_drops(line, code, prev_code):
    """The line with one operand of an && or || left out of the decision:
    (column, line) for each operand that starts and ends on this line. A
    left operand may also start the line when the line above ends in an
    operator, a bracket or a comma that it continues. The operand stays,
    never evaluated, as `(true || X)` beside an && and `(false && X)`
    beside an ||, so that what only it used is still used."""
    found = {}
    for m in re.finditer(r'(?<=\s)(&&|\|\|)(?=\s|$)', code):
        pos = m.start()
        wrap = "(true || %s)" if m.group(1) == "&&" else "(false && %s)"
        left, depth = operand_edge(code, pos, -1)
        a = left + 1
        word = re.match(r'\s*(?:co_)?return\b', code[a:pos])
        if word:
            a += word.end()
        # Spaces are judged on the line itself: a blanked literal is no space.
        a += len(line[a:pos]) - len(line[a:pos].lstrip())
        b = len(line[:pos].rstrip())
        joined = left >= 0 or word or (depth == 0 and prev_code is not None
                                        and re.search(r'(?:&&|\|\||[(,=?:]|\breturn)\s*$', prev_code))
        if joined and a < b:
            found.setdefault(line[:a] + wrap % line[a:b] + line[b:], a)
        right, depth = operand_edge(code, pos, 1)
        a = len(line) - len(line[pos + 2:].lstrip())
        b = len(line[:right].rstrip())
        if right < len(code) and a < b:
            found.setdefault(line[:a] + wrap % line[a:b] + line[b:], a)
    return [(col, after) for after, col in found.items()]


STATEMENT_KEYWORDS = re.compile(
    r'^(?:return|break|continue|goto|case|default|if|else|for|while|do|switch|try|catch|using|typedef|'
    r'static_assert|template|class|struct|union|enum|namespace|public|private|protected|friend|co_return|'
    r'extern|static|const|constexpr|constinit|auto|thread_local|unsigned|signed|inline|typename|register)\b'
    r'|^(?:\[\[|\(void\)|[{};])|^[A-Za-z_]\w*\s*:(?!:)')
# A type, then a name: `T Name`, `T* Name`, `A::B<C> Name`, `T*Name`.
DECLARES = re.compile(r'^[A-Za-z_]\w*(?:::[A-Za-z_]\w*)*(?:<[^;=]*>)?(?:::[A-Za-z_]\w*)*'
                      r'(?:\s*(?:[*&]+|\bconst\b))*\s+[*&]*\s*[A-Za-z_\[]'
                      r'|^[A-Za-z_][\w:]*(?:<[^;=]*>)?[*&]+\s*[A-Za-z_]')
FUNCTION_HEAD = re.compile(r'[)\]]\s*(?:(?:const|noexcept|override|final|mutable|volatile|&&|&)\s*)*(?:->\s*[^{};]+)?$')


def statement_drop(line, code, prev_code, next_code, head, masked, at):
    """The line with the statement it starts left out, or None: a statement
    inside a function that declares nothing, exits nothing and is no body
    of an if, else or loop without braces. `at` is the line's offset in
    `masked`. The statement stays, behind an if (false), so that what only
    it used is still used and the compiler has nothing to warn about, and
    so that one line holds the change when it goes on over more lines."""
    stripped = code.strip()
    if head is None or not (CONTROL_HEAD.match(head) or FUNCTION_HEAD.search(head) or head.endswith(";")):
        return None
    if prev_code is None or prev_code.rstrip()[-1:] not in (";", "{", "}", ":"):
        return None
    throw = re.match(r'^throw\b', stripped)
    if throw and (next_code or "").lstrip().startswith("}"):
        # The throw that ends a function (whose brace stands on a line of
        # its own) stays: without it the function runs off its end.
        depth, j = 0, at
        while j > 0 and (depth or masked[j - 1] != "{"):
            depth += {"}": 1, "{": -1}.get(masked[j - 1], 0)
            j -= 1
        if not masked[masked.rfind("\n", 0, j) + 1:j - 1].strip():
            return None
    if STATEMENT_KEYWORDS.match(stripped) or (not throw and not re.match(r'^(?:delete|co_await)\b', stripped)
                                              and DECLARES.match(stripped)):
        return None
    indent = len(code) - len(code.lstrip())
    depth = 0
    for j in range(at + indent, len(masked)):
        c = masked[j]
        if c in "([":
            depth += 1
        elif c in ")]":
            depth -= 1
            if depth < 0:
                return None  # the line goes on with what the line above began
        elif c == "{" and depth == 0 or c == "}" and depth == 0:
            return None  # a block of its own, or no statement at all
        elif c in "{}":
            depth += 1 if c == "{" else -1
        elif c == ";" and depth == 0:
            end = j - at
            if end < len(code) and code[end + 1:].strip():
                # Another statement follows on the line: an if in front
                # would look as if it guarded that one too.
                return line[:indent] + line[end + 1:].lstrip()
            return line[:indent] + "if (false) " + line[indent:]
    return None


TABLE_HEAD = re.compile(r'(?:[A-Za-z_]\w*\s*(?:\[[^\[\]]*\])+|>\s*[A-Za-z_]\w*)\s*=?\s*$')


def table_entries(masked, plain):
    """Each entry of a table (a braced list that fills an array or a
    container: its outer list only, never the fields of a row) that lies
    on one line: {line index: [(column, first, last)]}, where first and
    last bound what leaving the entry out removes, its comma included.
    `plain` is the source with its comments blanked, its literals kept."""
    entries = {}
    starts = [0] + [m.end() for m in re.finditer("\n", masked)]
    for brace in re.finditer(r"\{", masked):
        i = brace.start()
        before = masked[max(0, i - 400):i]
        head = re.split(r"[;{}]", before)[-1]
        named = TABLE_HEAD.search(head.rstrip())
        # A declaration: a type before the name, or a struct defined there.
        # `Points[0] = {X, Y};` only assigns one element.
        kind = head[:named.start()].strip() if named else ""
        if not named or not (re.search(r"[\w>*&]$", kind) or not kind and before[-len(head) - 1:][:1] == "}"):
            continue
        close = matching_paren(masked, i)
        if close < 0:
            continue
        spans, depth, start = [], 0, i + 1
        for j in range(i + 1, close + 1):
            c = masked[j]
            if c in "([{":
                depth += 1
            elif c in ")]}" and j < close:
                depth -= 1
            elif depth == 0 and (c == "," or j == close):
                spans.append((start, j))
                start = j + 1
        for a, stop in spans:
            text = plain[a:stop]
            if not text.strip():
                continue
            a += len(text) - len(text.lstrip())
            b = stop - (len(text) - len(text.rstrip()))
            line_start = masked.rfind("\n", 0, a) + 1
            line_end = masked.find("\n", a)
            line_end = len(masked) if line_end < 0 else line_end
            if b > line_end:
                continue
            if masked[stop] == "," and stop < line_end:
                # Up to the next entry when it is on the same line.
                nxt = stop + 1 + len(plain[stop + 1:line_end]) - len(plain[stop + 1:line_end].lstrip())
                first, last = a, nxt if nxt < line_end and plain[nxt] != "}" else stop + 1
            else:
                # The last entry: the comma before it goes with it.
                comma = masked.rfind(",", line_start, a)
                first, last = (comma if comma >= 0 and not plain[comma + 1:a].strip() else a), b
            number = bisect.bisect_right(starts, a) - 1
            entries.setdefault(number, []).append((a - line_start, first - line_start, last - line_start))
    return entries


def line_mutants(line, code, prev_code, next_code, head, block_exits=False):
    """Mutants of one line: (column, kind, mutated line). `code` is the line
    with comments and literals blanked, `prev_code`/`next_code` the nearest
    code lines around it, `head` the head of the block it is in, and
    `block_exits` whether the block the line opens ends in a return,
    continue or break."""
    found = []

    def at(col, length, new, kind):
        found.append((col, kind, line[:col] + new + line[col + length:]))

    stripped = code.strip()
    # Comparisons: written with a space each side, which tells them from
    # template brackets and shifts.
    for m in re.finditer(r'(?<=\s)(<=|>=|==|!=|<|>)(?=\s)', code):
        op = m.group(1)
        flip = {"<": "<=", "<=": "<", ">": ">=", ">=": ">", "==": "!=", "!=": "=="}[op]
        at(m.start(), len(op), flip, "cmp")
    for m in re.finditer(r'(?<=\s)(&&|\|\|)(?=\s)', code):
        flipped = logic_flip(line, code, m.start(), prev_code, next_code)
        if flipped is not None:
            found.append((m.start(), "logic", flipped))
    for col, after in clause_drops(line, code, prev_code):
        found.append((col, "clause", after))
    for m in re.finditer(r'!(?!=)', code):
        at(m.start(), 1, "", "not")
    for m in re.finditer(r"(?<![\w.'])(0[xX][0-9A-Fa-f']+|\d[\d']*)([uUlL]*)(?![\w.'])", code):
        digits = m.group(1).replace("'", "")
        value = int(digits, 16) if digits[:2].lower() == "0x" else int(digits, 8 if len(digits) > 1 and digits[0] == "0" else 10)
        if value > 2 ** 31 - 1:
            continue
        if re.match(r'\s*;', code[m.end():]) and re.search(r'\)\s*(?:const\s*)?=\s*$', code[:m.start()]):
            continue  # "= 0" of a pure virtual function: no number at all
        for delta in (1, -1):
            v = value + delta
            if v < 0:
                continue  # a negative literal in an unsigned place only fails to build
            text = (hex(v) if digits[:2].lower() == "0x" else str(v)) + m.group(2)
            at(m.start(), len(m.group(0)), text, "const")
    # A whole guard on one line: if (...) return ...; / continue; / break;
    g = re.match(r'^(\s*)if\s*\(', code)
    if g:
        close = matching_paren(code, code.index("(", g.end() - 1))
        rest = code[close + 1:].strip() if close > 0 else ""
        prev_tail = prev_code.rstrip()[-1:] if prev_code else ";"
        body_of_other = prev_tail == ")" or prev_code.strip() in ("else", "do")
        if close > 0 and re.match(r'^(return\b[^;]*|continue|break);$', rest) and not body_of_other:
            found.append((g.end() - 1, "guard", ""))
        elif close > 0 and ((rest == "{" and block_exits) or (rest == "" and next_code is not None
                                            and re.match(r'^\s*(return\b[^;]*|continue|break);\s*$', next_code))):
            # A guard over more lines: its condition can never hold.
            a = code.index("(", g.end() - 1)
            at(a + 1, close - a - 1, "false && (" + line[a + 1:close] + ")", "guard")
    # An early return: inside a block of an if, loop or case, not the
    # function's own last statement.
    if re.match(r'^return\b[^;]*;$', stripped) and head is not None and CONTROL_HEAD.match(head):
        prev_tail = prev_code.rstrip()[-1:] if prev_code else ";"
        if prev_tail in (";", "{", "}", ":"):
            found.append((len(line) - len(line.lstrip()), "return", ""))
    # Two neighbouring arguments of a call swapped.
    for m in re.finditer(r'\b([A-Za-z_]\w*)\s*\(', code):
        if m.group(1) in KEYWORDS:
            continue
        a = m.end() - 1
        b = matching_paren(code, a)
        if b < 0:
            continue
        spans = split_args(code, a, b)
        if len(spans) < 2:
            continue
        texts = [line[s:e].strip() for s, e in spans]
        if any(not t or DECLARATION.match(t) or TYPE_ONLY.match(t) for t in texts):
            continue  # a declaration's parameters, or an empty argument
        for k in range(len(spans) - 1):
            if texts[k] == texts[k + 1]:
                continue
            if not interchangeable(texts[k], texts[k + 1]):
                continue  # of kinds that cannot trade places: it would only fail to build
            (s1, e1), (s2, e2) = spans[k], spans[k + 1]
            lead1 = line[s1:e1][:len(line[s1:e1]) - len(line[s1:e1].lstrip())]
            lead2 = line[s2:e2][:len(line[s2:e2]) - len(line[s2:e2].lstrip())]
            new = line[:s1] + lead1 + texts[k + 1] + line[s1 + len(lead1) + len(texts[k]):e1] \
                + "," + lead2 + texts[k] + line[s2 + len(lead2) + len(texts[k + 1]):]
            found.append((s1, "args", new))
    return found


def file_mutants(repo, path, lines_wanted):
    with open(os.path.join(repo, path), "rb") as f:
        raw = f.read()
    text = raw.decode("utf-8", errors="surrogateescape")
    masked = mask_code(text)
    src_lines = text.split("\n")
    code_lines = masked.split("\n")
    skip = preprocessor_lines(code_lines)
    heads = brace_heads(masked)
    entries = table_entries(masked, mask_code(text, literals=False))
    starts = [0]
    for l in code_lines[:-1]:
        starts.append(starts[-1] + len(l) + 1)
    result = []

    def neighbour(k, step):
        k += step
        while 0 <= k < len(code_lines):
            if code_lines[k].strip() and k not in skip:
                return code_lines[k]
            k += step
        return None

    for number in sorted(lines_wanted):
        k = number - 1
        if k >= len(src_lines) or k in skip or not code_lines[k].strip():
            continue
        line = src_lines[k]
        cr = line.endswith("\r")
        body, code = (line[:-1], code_lines[k][:-1]) if cr else (line, code_lines[k])
        opens = code.rstrip().endswith("{")
        exits = opens and exits_block(masked, starts[k] + len(code.rstrip()) - 1)
        found = line_mutants(body, code, neighbour(k, -1), neighbour(k, 1), heads[k], exits)
        dropped = statement_drop(body, code, neighbour(k, -1), neighbour(k, 1), heads[k - 1] if k else None,
                                 masked, starts[k])
        if dropped is not None:
            found.append((len(code) - len(code.lstrip()), "statement", dropped))
        for col, first, last in entries.get(k, []):
            after = body[:first] + body[last:] if body[last:].strip() else body[:first].rstrip()
            found.append((col, "entry", after if code[:first].strip() or code[last:].strip() else ""))
        for col, kind, after in found:
            result.append({"file": path, "line": number, "col": col, "kind": kind,
                           "before": body, "after": after})
    return result


def changed_lines(repo, base, folders):
    out = subprocess.run(["git", "-C", repo, "diff", "-U0", "--no-color", "--no-ext-diff", base, "--"]
                         + folders, capture_output=True, text=True, errors="surrogateescape")
    if out.returncode != 0:
        sys.exit("git diff %s failed: %s" % (base, out.stderr.strip()))
    wanted, path = {}, None
    for line in out.stdout.split("\n"):
        if line.startswith("+++ "):
            name = line[4:]
            path = name[2:] if name.startswith("b/") else None
            if path and not (path.endswith((".cpp", ".h")) and path.split("/")[0] in folders):
                path = None
        elif line.startswith("@@") and path:
            m = re.match(r'@@ -\S+ \+(\d+)(?:,(\d+))? @@', line)
            start, count = int(m.group(1)), int(m.group(2) or "1")
            wanted.setdefault(path, set()).update(range(start, start + count))
    return wanted


def sample(mutants, count, seed):
    """At most `count` mutants, spread across the files in turn; the same
    seed over the same candidates picks the same ones."""
    rng = random.Random(seed)
    by_file = {}
    for m in mutants:
        by_file.setdefault(m["file"], []).append(m)
    files = sorted(by_file)
    rng.shuffle(files)
    for f in files:
        rng.shuffle(by_file[f])
    picked = []
    while len(picked) < count and any(by_file[f] for f in files):
        for f in files:
            if by_file[f] and len(picked) < count:
                picked.append(by_file[f].pop())
    return sorted(picked, key=lambda m: (m["file"], m["line"], m["col"], m["kind"], m["after"]))


# ---------------------------------------------------------------- running

class Backup:
    """The original bytes of the file being mutated, kept under the git
    directory so that a run killed outright is undone by the next start."""

    def __init__(self, repo):
        git_dir = subprocess.run(["git", "-C", repo, "rev-parse", "--absolute-git-dir"],
                                 capture_output=True, text=True, check=True).stdout.strip()
        self.path = os.path.join(git_dir, "mutate-backup.json")
        self.repo = repo
        self.held = None

    def lock(self):
        """Whether this is the only run in the tree: a second one must
        neither run nor take the first one's mutant for a stopped run's."""
        self.lock_file = open(self.path[:-len(".json")] + ".lock", "w")
        try:
            fcntl.flock(self.lock_file, fcntl.LOCK_EX | fcntl.LOCK_NB)
            return True
        except BlockingIOError:
            return False

    def recover(self):
        if not os.path.exists(self.path):
            return None
        with open(self.path) as f:
            saved = json.load(f)
        self._write(saved["file"], base64.b64decode(saved["bytes"]))
        os.remove(self.path)
        return saved["file"]

    def hold(self, rel):
        with open(os.path.join(self.repo, rel), "rb") as f:
            data = f.read()
        tmp = self.path + ".tmp"
        with open(tmp, "w") as f:
            json.dump({"file": rel, "bytes": base64.b64encode(data).decode()}, f)
            f.flush()
            os.fsync(f.fileno())
        os.replace(tmp, self.path)
        self.held = (rel, data)
        return data

    def restore(self):
        if self.held:
            self._write(*self.held)
            self.held = None
        if os.path.exists(self.path):
            os.remove(self.path)

    def _write(self, rel, data):
        with open(os.path.join(self.repo, rel), "wb") as f:
            f.write(data)


# The status scripts/wine-run.sh gives a test program that ended before its
# framework said how its tests went, with no failure of its own.
EARLY_END = 86


class Runner:
    def __init__(self, args):
        self.args = args
        self.child = None
        self.xvfb = None
        self.env = dict(os.environ)

    def display(self):
        if self.args.test_cmd or self.env.get("DISPLAY"):
            return
        r, w = os.pipe()
        self.xvfb = subprocess.Popen(["Xvfb", "-displayfd", str(w), "-screen", "0", "1280x1024x24", "-nolisten", "tcp"],
                                     pass_fds=(w,), stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                                     start_new_session=True)
        os.close(w)
        number = b""
        while not number.endswith(b"\n"):
            chunk = os.read(r, 16)
            if not chunk:
                break
            number += chunk
        os.close(r)
        if not number.strip():
            sys.exit("Xvfb did not start")
        self.env["DISPLAY"] = ":" + number.decode().strip()

    def close(self):
        self.kill_child()
        if self.xvfb:
            os.killpg(self.xvfb.pid, signal.SIGTERM)
            self.xvfb.wait()
            self.xvfb = None

    def kill_child(self):
        if self.child and self.child.poll() is None:
            try:
                os.killpg(self.child.pid, signal.SIGKILL)
            except ProcessLookupError:
                pass
            self.child.wait()
        self.child = None

    def run(self, cmd, timeout, cwd=None, env=None):
        """0 on success, 1 on failure, EARLY_END for a program that ended
        before its tests said how they went, None on time-out."""
        self.child = subprocess.Popen(cmd, shell=isinstance(cmd, str), cwd=cwd, env=env or self.env,
                                      stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                                      start_new_session=True)
        try:
            rc = self.child.wait(timeout=timeout)
        except subprocess.TimeoutExpired:
            self.kill_child()
            return None
        self.child = None
        return 0 if rc == 0 else EARLY_END if rc == EARLY_END else 1

    def targets(self, folder):
        return ["test_app", "test_e2e"] if folder == "app" else ["test_" + folder]

    def fill(self, template, folder):
        a = self.args
        return template.format(repo=shlex.quote(a.repo), build=shlex.quote(a.build), folder=folder,
                               targets=" ".join(self.targets(folder)))

    def build(self, folders):
        a = self.args
        for folder in folders:
            if a.build_cmd:
                cmd = self.fill(a.build_cmd, folder)
            else:
                cmd = ["cmake", "--build", a.build, "-j", str(os.cpu_count() or 2)]
                for t in self.targets(folder):
                    cmd += ["--target", t]
            if self.run(cmd, a.build_timeout) != 0:
                return False
        return True

    def test(self, folder):
        """'CAUGHT', 'TIMEOUT' or 'SURVIVED'."""
        a = self.args
        if a.test_cmd:
            runs = [(self.fill(a.test_cmd, folder), None, None)]
        else:
            wine = os.path.join(a.repo, "scripts", "wine-run.sh")
            data = os.path.join(a.repo, "tests", "data")
            env = dict(self.env, TESSALY_WINEPREFIX=os.path.join(a.build, "wineprefix"), TESSALY_TEST_DATA=data)
            exes = [os.path.join(a.build, "tests", t + ".exe") for t in self.targets(folder)]
            if folder == "app":
                env["TESSALY_PROGRAM"] = os.path.join(a.build, "app", "Tessaly.exe")
            runs = [([wine, exe, "--gtest_brief=1", "--gtest_fail_fast"], data, env) for exe in exes]
        for cmd, cwd, env in runs:
            rc = self.run(cmd, a.timeout, cwd, env)
            if rc == EARLY_END:
                # An early end with no failed test says nothing of the
                # mutant until it comes again.
                print("early end, run again: %s" % " ".join(cmd if isinstance(cmd, list) else [cmd]), flush=True)
                rc = self.run(cmd, a.timeout, cwd, env)
                if rc == EARLY_END:
                    return "EARLYEND"
            if rc is None:
                return "TIMEOUT"
            if rc != 0:
                return "CAUGHT"
        return "SURVIVED"


def locate(repo, m):
    """The line number the mutant's line is at now: where it was, else the
    one line of the same text nearest to it; None when it is gone."""
    with open(os.path.join(repo, m["file"]), "rb") as f:
        lines = f.read().decode("utf-8", errors="surrogateescape").split("\n")
    body = [l[:-1] if l.endswith("\r") else l for l in lines]
    if m["line"] <= len(body) and body[m["line"] - 1] == m["before"]:
        return m["line"]
    hits = [k + 1 for k, l in enumerate(body) if l == m["before"]]
    return min(hits, key=lambda k: abs(k - m["line"])) if hits else None


def apply(repo, m, line, original):
    text = original.decode("utf-8", errors="surrogateescape")
    lines = text.split("\n")
    cr = lines[line - 1].endswith("\r")
    lines[line - 1] = m["after"] + ("\r" if cr else "")
    with open(os.path.join(repo, m["file"]), "wb") as f:
        f.write("\n".join(lines).encode("utf-8", errors="surrogateescape"))


def folder_of(m):
    return m["file"].split("/")[0]


def shown(m):
    before = m["before"].strip()
    after = m["after"].strip() or "(removed)"
    return "%s:%d %s: %s -> %s" % (m["file"], m["line"], m["kind"], before, after)


def report(results, started, out=sys.stdout):
    print("", file=out)
    rates = {}
    for folder in FOLDERS:
        rows = [m for m in results if folder_of(m) == folder and m.get("status")]
        if not rows:
            continue
        caught = sum(1 for m in rows if m["status"] in ("CAUGHT", "TIMEOUT"))
        survived = sum(1 for m in rows if m["status"] == "SURVIVED")
        nocompile = sum(1 for m in rows if m["status"] == "NOCOMPILE")
        early = sum(1 for m in rows if m["status"] == "EARLYEND")
        counted = caught + survived
        rate = 100.0 * caught / counted if counted else 0.0
        rates[folder] = {"caught": caught, "survived": survived, "nocompile": nocompile, "earlyend": early,
                         "rate": round(rate, 1)}
        print("%-10s %d of %d caught (%.0f %%), %d not compiled%s" % (
            folder, caught, counted, rate, nocompile, ", %d ended early twice" % early if early else ""), file=out)
    survivors = [m for m in results if m.get("status") == "SURVIVED"]
    if survivors:
        print("survivors:", file=out)
        for m in survivors:
            print("  " + shown(m), file=out)
    early = [m for m in results if m.get("status") == "EARLYEND"]
    if early:
        print("ended early twice, neither caught nor survived:", file=out)
        for m in early:
            print("  " + shown(m), file=out)
    elapsed = time.time() - started
    print("elapsed %dm%02ds" % (elapsed // 60, elapsed % 60), file=out)
    return rates, elapsed


def main():
    p = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    p.add_argument("--base", help="mutate the lines changed since this revision")
    p.add_argument("--folder", action="append", choices=FOLDERS, help="a production folder (repeatable)")
    p.add_argument("--seed", type=int, default=1)
    p.add_argument("--max", type=int, default=0, help="sample at most this many mutants (0: all)")
    p.add_argument("--timeout", type=float, default=300, help="seconds per test run")
    p.add_argument("--build-timeout", type=float, default=1800, help="seconds per rebuild")
    p.add_argument("--repo")
    p.add_argument("--build")
    p.add_argument("--json", help="write the results here")
    p.add_argument("--rerun", help="run only the survivors (and early ends) of this earlier --json report")
    p.add_argument("--list", action="store_true", help="list the mutants, run nothing")
    p.add_argument("--no-baseline", action="store_true",
                   help="skip the first run of the tests on the unchanged tree")
    p.add_argument("--kind", action="append", choices=KINDS, help="only mutants of this kind (repeatable)")
    p.add_argument("--build-cmd", help="shell command that rebuilds ({repo} {build} {folder} {targets})")
    p.add_argument("--test-cmd", help="shell command that runs the tests ({repo} {build} {folder})")
    a = p.parse_args()
    if not a.base and not a.rerun:
        p.error("--base is required (or --rerun)")
    if a.repo is None:
        top = subprocess.run(["git", "rev-parse", "--show-toplevel"], capture_output=True, text=True)
        if top.returncode != 0:
            p.error("not in a git repository: give --repo")
        a.repo = top.stdout.strip()
    a.repo = os.path.abspath(a.repo)
    a.build = os.path.abspath(a.build or os.path.join(a.repo, "build"))
    started = time.time()

    backup = Backup(a.repo)
    if backup.lock():
        left = backup.recover()
        if left:
            print("restored %s, left changed by a run that was stopped" % left, flush=True)
    elif not a.list:
        sys.exit("another mutation run is using %s" % a.repo)

    if a.rerun:
        with open(a.rerun) as f:
            earlier = json.load(f)
        mutants = [dict(file=m["file"], line=m["line"], col=m["col"], kind=m["kind"], before=m["before"],
                        after=m["after"]) for m in earlier["mutants"] if m.get("status") in ("SURVIVED", "EARLYEND")]
        a.base = a.base or earlier.get("base")
    else:
        folders = a.folder or FOLDERS
        wanted = changed_lines(a.repo, a.base, folders)
        mutants = []
        for path in sorted(wanted):
            if os.path.exists(os.path.join(a.repo, path)):
                mutants += file_mutants(a.repo, path, wanted[path])
        if a.kind:
            mutants = [m for m in mutants if m["kind"] in a.kind]
        total = len(mutants)
        if a.max and a.max < total:
            mutants = sample(mutants, a.max, a.seed)
        print("%d candidate mutants, %d chosen (seed %d)" % (total, len(mutants), a.seed), flush=True)

    if a.list:
        signal.signal(signal.SIGPIPE, signal.SIG_DFL)  # listing into `head`
        for m in mutants:
            print(shown(m))
        return 0

    results = []

    def save():
        if not a.json:
            return
        rates, elapsed = report(results, started, out=open(os.devnull, "w"))
        with open(a.json + ".tmp", "w") as f:
            json.dump({"base": a.base, "seed": a.seed, "max": a.max, "folders": a.folder or FOLDERS,
                       "rerun": a.rerun, "elapsed": round(elapsed), "rates": rates, "mutants": results}, f, indent=1)
        os.replace(a.json + ".tmp", a.json)

    runner = Runner(a)
    signal.signal(signal.SIGINT, on_signal)
    signal.signal(signal.SIGTERM, on_signal)
    touched = set()
    stopped = False
    try:
        runner.display()
        if not a.no_baseline:
            # A test that fails without any mutant would count every mutant
            # as caught.
            for folder in sorted({folder_of(m) for m in mutants}):
                if not runner.build([folder]):
                    print("the unchanged tree does not build (%s)" % folder, flush=True)
                    return 2
                if runner.test(folder) != "SURVIVED":
                    print("the tests of %s fail on the unchanged tree" % folder, flush=True)
                    return 2
        for m in mutants:
            line = locate(a.repo, m)
            if line is None:
                results.append(dict(m, status="GONE"))
                print("GONE %s" % shown(m), flush=True)
                continue
            m = dict(m, line=line)
            folder = folder_of(m)
            original = backup.hold(m["file"])
            try:
                apply(a.repo, m, line, original)
                touched.add(folder)
                if not runner.build([folder]):
                    status = "NOCOMPILE"
                else:
                    status = runner.test(folder)
            finally:
                backup.restore()
            m["status"] = status
            results.append(m)
            print("%s %s" % (status, shown(m)), flush=True)
            save()
    except Stopped as e:
        stopped = True
        print("stopped (%s); files restored" % e, flush=True)
    finally:
        runner.kill_child()
        backup.restore()
        signal.signal(signal.SIGINT, signal.SIG_IGN)
        signal.signal(signal.SIGTERM, signal.SIG_IGN)
        try:
            if touched and not stopped:
                # The test programs were last built from a mutant.
                if not runner.build(sorted(touched)):
                    print("rebuilding the restored tree failed", flush=True)
        finally:
            runner.close()
    report(results, started)
    save()
    return 130 if stopped else 0


if __name__ == "__main__":
    sys.exit(main())
