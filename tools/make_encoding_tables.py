#!/usr/bin/python3
"""Writes src/platform/EncodingTables.h and .cpp: the conversion tables of
the text-encoding converters and of the 8-bit text calls.

Usage: make_encoding_tables.py OUTDIR   (run from anywhere; needs perl)

Sources, all on a Debian machine:
  - code page 437, Windows-1252 and Mac Roman: Python's own codecs (cp437,
    cp1252, mac_roman; the latter already has the euro at 0xDB and the modern
    Omega, increment and private-use logo mappings at 0xBD, 0xC6 and 0xF0);
  - Mac OS Japanese: perl's Encode (encoding "MacJapanese", from Debian's
    perl); codes that map to several characters become U+FFFD;
  - HTML entity names: Python's html.entities, with our own values for the
    names that are not HTML entities;
  - capitals: Debian's unicode-data (UnicodeData.txt, DerivedAge.txt), for
    the characters of Unicode 4.1: the simple title-case mapping, or the
    upper-case mapping when the character is its own title case.
"""
import html.entities
import os
import subprocess
import sys

HTML_NAMES = ("quot amp apos lt gt nbsp grave agrave Aacute aacute Acirc acirc Atilde atilde "
              "Auml auml Aring aring AElig aelig Ccedil ccedil ETH eth Egrave egrave Eacute "
              "eacute Ecirc ecirc Euml euml Igrave igrave Iacute iacute Icirc icirc Iuml iuml "
              "micro Ntilde ntilde Ograve ograve Oacute oacute Ocirc ocirc Otilde otilde Ouml "
              "ouml Oslash oslash szlig THORN thorn Ugrave ugrave Uacute uacute Ucirc ucirc "
              "Uuml uuml Yacute yacute yuml uml macr acute cedil iexcl iquest middot brvbar "
              "laquo raquo para sect copy reg sup1 sup2 sup3 shy times divide frac14 frac12 "
              "frac34 ordf ordm not deg plusmn curren cent pound yen Delta fnof Omega OElig "
              "oelig Scaron scaron Yuml inodot circ caron breve dot ring ogon tilde dblac "
              "ndash mdash dagger Dagger bull hellip lsquo rsquo lsquor ldquo rdquo ldquor "
              "lsaquo rsaquo euro trade radic infin int part ap ne le ge sum permil prod pi "
              "loz").split()
HTML_OWN = {"apos": 0x27, "grave": 0xC0, "inodot": 0x131, "caron": 0x2C7, "breve": 0x2D8,
            "dot": 0x2D9, "ring": 0x2DA, "ogon": 0x2DB, "dblac": 0x2DD, "lsquor": 0x201A,
            "ldquor": 0x201E, "ap": 0x2245, "sum": 0x3A3}

MACJAPANESE_PL = r'''
use Encode;
my $enc = find_encoding('MacJapanese') or die "no MacJapanese";
my @codes = (0x20..0x80, 0xA0..0xDF, 0xFD..0xFF);
for my $l (0x81..0x9F, 0xE0..0xFC) { push @codes, map { ($l << 8) | $_ } (0x40..0x7E, 0x80..0xFC); }
for my $c (@codes) {
  my $bytes = $c > 0xFF ? pack('n', $c) : chr($c);
  my $s = $enc->decode($bytes, Encode::FB_QUIET);
  next if !defined $s || $s eq '';
  printf "%04X %s\n", $c, length($s) == 1 ? sprintf("%04X", ord $s) : "FFFD";
}
'''


def byte_table(codec, first, count, holes=()):
    out = []
    for b in range(first, first + count):
        if b in holes:
            out.append(0xFFFD)
            continue
        try:
            s = bytes([b]).decode(codec)
        except UnicodeDecodeError:
            s = "\ufffd"
        out.append(ord(s))
    return out


def jis_table():
    text = subprocess.run(["perl", "-e", MACJAPANESE_PL], check=True, capture_output=True,
                          text=True).stdout
    rows = []
    for line in text.splitlines():
        code, char = line.split()
        rows.append((int(code, 16), int(char, 16)))
    rows.sort()
    rows.append((0xFFFF, 0xFFFF))
    return rows


def capitals():
    age = {}
    for line in open("/usr/share/unicode/DerivedAge.txt", encoding="utf-8"):
        line = line.split("#")[0].strip()
        if not line:
            continue
        r, v = [x.strip() for x in line.split(";")]
        a, _, b = r.partition("..")
        v = tuple(int(x) for x in v.split("."))
        for c in range(int(a, 16), int(b or a, 16) + 1):
            age[c] = v
    limit = (4, 1)
    pairs = []
    for line in open("/usr/share/unicode/UnicodeData.txt", encoding="utf-8"):
        f = line.split(";")
        c = int(f[0], 16)
        if c > 0xFFFF or age.get(c, (99,)) > limit:
            continue
        upper = int(f[12], 16) if f[12] else None
        title = int(f[14], 16) if f[14].strip() else upper
        cap = title if title is not None and title != c else upper
        if cap is None or cap == c or age.get(cap, (99,)) > limit:
            continue
        pairs.append((c, cap))
    pairs.append((0, 0))
    return pairs


def words(values, per_line=12, fmt="0x%04X"):
    lines = []
    for i in range(0, len(values), per_line):
        lines.append("    " + ", ".join(fmt % v for v in values[i:i + per_line]) + ",")
    return "\n".join(lines)


def main(argv):
    if len(argv) != 2:
        sys.exit(__doc__)
    outdir = argv[1]
    dos = byte_table("cp437", 0x80, 128)
    win = byte_table("cp1252", 0x7F, 129, holes=(0x7F,))
    mac = byte_table("mac_roman", 0x80, 128)
    assert mac[0xDB - 0x80] == 0x20AC and mac[0xBD - 0x80] == 0x03A9
    assert mac[0xC6 - 0x80] == 0x2206 and mac[0xF0 - 0x80] == 0xF8FF
    assert sum(1 for v in win if v == 0xFFFD) == 6
    jis = jis_table()
    caps = capitals()
    names = html.entities.name2codepoint
    htm = [(HTML_OWN[n] if n in HTML_OWN else names[n], n) for n in HTML_NAMES]
    assert len(htm) == 147

    header = """#pragma once
// Conversion tables of the text encodings, generated by
// tools/make_encoding_tables.py from published mappings: do not edit.
#include <cstdint>

// Bytes 0x80 to 0xFF of MS-DOS code page 437.
extern const uint16_t MSDos2UnicodeTable[128];
// Bytes 0x7F to 0xFF of Windows-1252; U+FFFD for 0x7F and the undefined bytes.
extern const uint16_t Windows2UnicodeTable[129];
// Bytes 0x80 to 0xFF of Mac Roman (0xDB is the euro sign).
extern const uint16_t MacRoman2UnicodeTable[128];

// Mac OS Japanese (Shift-JIS): ascending by code, ended by {0xFFFF, 0xFFFF}.
struct JisUnicodePair {
  uint16_t code;
  uint16_t unicode;
};
constexpr int kJis2UnicodeCount = %d;  // with the end entry
extern const JisUnicodePair Jis2UnicodeTab[kJis2UnicodeCount];

// HTML entity names, ended by an entry whose character is 0.
struct HtmlEntity {
  uint16_t unicode;
  char name[8];
};
constexpr int kHTML2UnicodeCount = %d;  // with the end entry
extern const HtmlEntity HTML2UnicodeTab[kHTML2UnicodeCount];

// Characters and their capitals, ended by {0, 0}.
struct UnicodeCasePair {
  uint16_t lower;
  uint16_t upper;
};
constexpr int kUnicodeMinToMajCount = %d;  // with the end entry
extern const UnicodeCasePair UnicodeMinToMaj[kUnicodeMinToMajCount];
""" % (len(jis), len(htm) + 1, len(caps))

    body = ["// Generated by tools/make_encoding_tables.py: do not edit.",
            '#include "platform/EncodingTables.h"', "",
            "const uint16_t MSDos2UnicodeTable[128] = {", words(dos), "};", "",
            "const uint16_t Windows2UnicodeTable[129] = {", words(win), "};", "",
            "const uint16_t MacRoman2UnicodeTable[128] = {", words(mac), "};", "",
            "const JisUnicodePair Jis2UnicodeTab[kJis2UnicodeCount] = {"]
    for i in range(0, len(jis), 6):
        body.append("    " + " ".join("{0x%04X, 0x%04X}," % p for p in jis[i:i + 6]))
    body += ["};", "", "const HtmlEntity HTML2UnicodeTab[kHTML2UnicodeCount] = {"]
    for value, name in htm:
        body.append('    {0x%04X, "%s"},' % (value, name))
    body += ["    {0, \"\"},", "};", "", "const UnicodeCasePair UnicodeMinToMaj[kUnicodeMinToMajCount] = {"]
    for i in range(0, len(caps), 6):
        body.append("    " + " ".join("{0x%04X, 0x%04X}," % p for p in caps[i:i + 6]))
    body += ["};", ""]
    with open(os.path.join(outdir, "EncodingTables.h"), "w", encoding="utf-8") as f:
        f.write(header)
    with open(os.path.join(outdir, "EncodingTables.cpp"), "w", encoding="utf-8") as f:
        f.write("\n".join(body))


if __name__ == "__main__":
    main(sys.argv)
