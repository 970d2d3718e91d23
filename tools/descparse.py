"""Reading of the project's line-oriented description files (register maps,
request records): one statement per line, '#' starts a comment, the first
word is the statement's keyword and the others are its words; a word holding
'=' is an option (name=value), every other one positional.

Every error names the description file, the line and the word it is about,
so a fault is mended where it was written, not in a generated file.
"""

import re

IDENT = re.compile(r"^[A-Za-z_][A-Za-z0-9_]*$")

# Words a generated C++ name may not be: the language's keywords and the
# alternative operator spellings.
CPP_KEYWORDS = frozenset("""
    alignas alignof and and_eq asm auto bitand bitor bool break case catch char char8_t char16_t char32_t
    class compl concept const consteval constexpr constinit const_cast continue co_await co_return co_yield
    decltype default delete do double dynamic_cast else enum explicit export extern false float for friend
    goto if inline int long mutable namespace new noexcept not not_eq nullptr operator or or_eq private
    protected public register reinterpret_cast requires return short signed sizeof static static_assert
    static_cast struct switch template this thread_local throw true try typedef typeid typename union
    unsigned using virtual void volatile wchar_t while xor xor_eq
    """.split())


class DescriptionError(Exception):
    """A fault in a description: where it is (file, line) and the word."""

    def __init__(self, message, path=None, line=None, word=None):
        super().__init__(message)
        self.message, self.path, self.line, self.word = message, path, line, word

    def __str__(self):
        where = self.path or "<description>"
        if self.line is not None:
            where += f":{self.line}"
        if self.word is not None:
            return f"{where}: '{self.word}': {self.message}"
        return f"{where}: {self.message}"


class Statement:
    """One line of a description."""

    def __init__(self, path, line, key, args):
        self.path, self.line, self.key, self.args = path, line, key, args
        self.positional = [a for a in args if "=" not in a]
        self.options = {}
        for a in args:
            if "=" not in a:
                continue
            name, value = a.split("=", 1)
            if not name or not value:
                raise self.error("an option is name=value", a)
            if name in self.options:
                raise self.error(f"option {name}= given twice", a)
            self.options[name] = value

    def error(self, message, word=None):
        return DescriptionError(message, self.path, self.line, self.key if word is None else word)

    def check_options(self, allowed, required=()):
        """Refuses an option outside `allowed` and names a missing required one."""
        for name in self.options:
            if name not in allowed:
                raise self.error(f"unknown {self.key} option {name}=", f"{name}={self.options[name]}")
        for name in required:
            if name not in self.options:
                raise self.error(f"{self.key} needs {name}=")

    def check_flags(self, words, allowed):
        for w in words:
            if w not in allowed:
                raise self.error(f"unknown {self.key} word", w)

    def number(self, text):
        try:
            return int(text, 0)
        except ValueError:
            raise self.error("not a number", text) from None

    def option_number(self, name, default):
        return self.number(self.options[name]) if name in self.options else default

    def bits(self, text):
        """<low> or <low>-<high>, low <= high: returns (low, width)."""
        m = re.match(r"^([0-9]+)(?:-([0-9]+))?$", text)
        if not m:
            raise self.error("bits are <low> or <low>-<high>", text)
        low = int(m.group(1))
        high = int(m.group(2)) if m.group(2) is not None else low
        if high < low:
            raise self.error("a bit range runs from its low bit up to its high bit", text)
        return low, high - low + 1

    def identifier(self, text, what, reserved=()):
        """A name that becomes a C++ identifier: not a keyword, not reserved
        to the compiler (leading '__' or '_' and a capital), not in
        `reserved` (names the generated code itself uses)."""
        if not IDENT.match(text):
            raise self.error(f"{what} is no identifier", text)
        if text in CPP_KEYWORDS:
            raise self.error(f"{what} is a C++ keyword", text)
        if text.startswith("__") or re.match(r"^_[A-Z]", text):
            raise self.error(f"{what} is reserved to the compiler", text)
        if text in reserved:
            raise self.error(f"{what} is a name the generated code uses itself", text)
        return text


def read(path):
    """The statements of a description file, in order."""
    try:
        with open(path, encoding="utf-8") as f:
            lines = f.readlines()
    except OSError as e:
        raise DescriptionError(f"cannot read the description: {e.strerror}", path) from None
    statements = []
    for lineno, raw in enumerate(lines, 1):
        words = raw.split("#", 1)[0].split()
        if words:
            statements.append(Statement(path, lineno, words[0], words[1:]))
    return statements
