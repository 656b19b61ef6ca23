"""Reading the message description files dat/<code>_msgs.txt for the checks."""
import re

LANGUAGES = ("en", "de", "fr")

# A record as the loader splits it: number, kind, then the text after one blank or tab.
RECORD = re.compile(r"[ \t]*(\S+)[ \t]+(\S+)[ \t](.*)$")
# A conversion as the message formatter reads it: flags, width, precision, length, letter.
CONVERSION = re.compile(r"%([-+ #0']*)(\*|\d*)(?:\.(\*|\d*))?([hlqjztL]*)(.?)", re.S)


class Record:
    def __init__(self, number, kind, text, lineno):
        self.number, self.kind, self.text, self.lineno = number, kind, text, lineno

    def line(self):
        return "%d\t%s\t%s" % (self.number, self.kind, self.text)


def path_of(root, code):
    return root / "dat" / ("%s_msgs.txt" % code)


def read(path):
    """(records by number, problems): each problem names the file and line."""
    problems = []
    data = path.read_bytes()
    try:
        text = data.decode("cp1252")
    except UnicodeDecodeError as e:
        return {}, ["%s: byte 0x%02X at offset %d is not Windows-1252" % (path, data[e.start], e.start)]
    if any(b >= 0x80 for b in data):
        try:
            data.decode("utf-8")
            problems.append("%s: looks UTF-8 encoded; message files are Windows-1252" % path)
        except UnicodeDecodeError:
            pass
    if b"\x1a" in data:
        problems.append("%s: holds a Ctrl-Z byte, which ends a file read in text mode on Windows" % path)
    records = {}
    last = -1
    if text.endswith("\n"):
        text = text[:-1]
    for lineno, line in enumerate(text.split("\n"), 1):
        line = line.rstrip("\r")
        if line.startswith("#"):
            continue
        fields = RECORD.match(line)
        if not fields:
            problems.append("%s:%d: malformed record" % (path, lineno))
            continue
        number = int(fields.group(1)) if fields.group(1).isdigit() else -1
        kind = fields.group(2)
        if number < 0 or number > 10000:
            problems.append("%s:%d: bad number %s" % (path, lineno, fields.group(1)))
            continue
        if not re.fullmatch(r"[FEM]|-?\d", kind):
            problems.append("%s:%d: bad kind %s" % (path, lineno, kind))
        if number <= last:
            problems.append("%s:%d: %d not in ascending order (after %d)" % (path, lineno, number, last))
        last = max(last, number)
        records[number] = Record(number, kind, fields.group(3), lineno)
    return records, problems


def conversions(text):
    """What each conversion of a text reads, in order: flags, width and precision digits may
    differ between languages ("%.0s" drops a plural ending), the argument each one takes may not."""
    result = []
    for m in CONVERSION.finditer(text):
        flags, width, precision, length, letter = m.groups()
        if letter == "%" and not (flags or width or precision is not None or length):
            continue
        stars = ("*" if width == "*" else "") + (".*" if precision == "*" else "")
        result.append("%" + stars + length + letter)
    return result
