#!/usr/bin/python3
"""Builds the music-symbol font SVELLARI.TTF from an OpenType SMuFL font.

Usage: make_svellari.py SOURCE.otf TABLE.tsv OUT.ttf [METADATA.json]

Every row of the table puts one source glyph at U+F000 + code (and at the
code itself in the Mac Roman cmap), scaled so that the em spans twelve staff
spaces and shifted where the drawing code expects it (see the table's header).
Run with Debian's /usr/bin/python3 and python3-fonttools.
"""
import json
import sys

from fontTools.fontBuilder import FontBuilder
from fontTools.pens.boundsPen import BoundsPen
from fontTools.pens.cu2quPen import Cu2QuPen
from fontTools.pens.transformPen import TransformPen
from fontTools.pens.ttGlyphPen import TTGlyphPen
from fontTools.misc.transform import Transform
from fontTools.ttLib import TTFont
from fontTools.ttLib.tables._c_m_a_p import cmap_format_0

UPM = 2040            # the fixed digit widths are given in 1/2040 em
SPACE = UPM / 12.0    # one staff space (interline): the em spans 12 of them
FAMILY = "SVellari"


def read_table(path):
    rows = []
    for number, line in enumerate(open(path, encoding="utf-8"), 1):
        line = line.rstrip("\n")
        if not line.strip() or line.startswith("#"):
            continue
        fields = line.split("\t")
        if len(fields) < 3:
            sys.exit("%s:%d: expected code, name, code point" % (path, number))
        code = int(fields[0])
        if not 0 < code < 256:
            sys.exit("%s:%d: code %d out of range" % (path, number, code))
        opts = {}
        for word in (fields[3].split() if len(fields) > 3 else []):
            key, _, value = word.partition("=")
            opts[key] = value if value else True
        rows.append((code, fields[1], int(fields[2], 16), opts, number))
    codes = [r[0] for r in rows]
    if len(set(codes)) != len(codes):
        sys.exit("%s: a code appears twice" % path)
    return rows


def bounds(glyphset, name, transform):
    pen = BoundsPen(glyphset)
    glyphset[name].draw(TransformPen(pen, transform))
    return pen.bounds


def build_glyph(row, src, glyphset, cmap, known_names, head=None):
    """One glyph: (outline, advance, ink bounds). `head` is the ink width and
    advance of the head that sets the staff's head width, for fit=head."""
    code, name, cp, opts, line = row
    if name == "-":
        return TTGlyphPen(None).glyph(), int(opts.get("adv", SPACE)), None
    if cp not in cmap:
        sys.exit("line %d: source font has no U+%04X (%s)" % (line, cp, name))
    if known_names is not None and name not in known_names:
        sys.exit("line %d: %s is not a glyph of the source font" % (line, name))
    gname = cmap[cp]
    k = SPACE / (src["head"].unitsPerEm / 4.0) * float(opts.get("scale", 1))
    t = Transform().scale(k)
    if "rot" in opts:
        if opts["rot"] != "90":
            sys.exit("line %d: only rot=90 is supported" % line)
        t = Transform().rotate(3.141592653589793 / 2).transform(t)
    if "mirror" in opts:
        t = Transform().scale(-1, 1).transform(t)
    b = bounds(glyphset, gname, t)
    if "sy" in opts and b is not None:
        # Taller or flatter about the ink's own middle.
        mid = (b[1] + b[3]) / 2.0
        k_y = float(opts["sy"])
        t = Transform().translate(0, mid).scale(1, k_y).translate(0, -mid).transform(t)
        b = bounds(glyphset, gname, t)
    if "maxh" in opts and b is not None:
        limit = float(opts["maxh"]) * SPACE
        if b[3] - b[1] > limit:
            t = Transform().scale(limit / (b[3] - b[1])).transform(t)
            b = bounds(glyphset, gname, t)
    if "maxw" in opts and b is not None:
        # Narrower about the ink's own middle, so that the ink stays inside
        # the width the drawing code counts for it.
        limit = float(opts["maxw"])
        if b[2] - b[0] > limit:
            mid = (b[0] + b[2]) / 2.0
            t = Transform().translate(mid, 0).scale(limit / (b[2] - b[0]), 1).translate(-mid, 0).transform(t)
            b = bounds(glyphset, gname, t)
    src_adv, src_lsb = src["hmtx"][gname]
    scale_x = abs(t.transformPoint((1, 0))[0] - t.transformPoint((0, 0))[0])
    advance = src_adv * scale_x
    dx = 0.0
    if b is not None and ("rot" in opts or "mirror" in opts):
        # Keep the source's left side bearing; a turned glyph starts at 0.
        want = 0.0 if "rot" in opts else src_lsb * scale_x
        dx = want - b[0]
        if "rot" in opts:
            advance = b[2] - b[0]
    if b is not None and "fit" in opts:
        # Heads that carry a stem at the head width's right end: the ink is
        # scaled across to span exactly that width from the origin.
        if opts["fit"] != "head" or head is None:
            sys.exit("line %d: fit=head needs the row with adv=head" % line)
        t = Transform().scale(head[0] / (b[2] - b[0]), 1).transform(t)
        b = bounds(glyphset, gname, t)
        dx = -b[0]
        advance = head[1]
    if b is not None and opts.get("adv") == "head":
        advance = (b[2] - b[0]) * 713.0 / 613.0
    elif "adv" in opts and opts["adv"] != "head":
        advance = float(opts["adv"])
    if b is not None and "centre" in opts:
        dx = (advance - (b[2] - b[0])) / 2.0 - b[0]
    advance += float(opts.get("rsb", 0)) * SPACE
    dx += float(opts.get("dx", 0)) * SPACE
    dy = float(opts.get("dy", 0)) * SPACE
    t = Transform().translate(dx, dy).transform(t)
    if "blank" in opts:
        return TTGlyphPen(None).glyph(), int(round(advance)), None
    tt = TTGlyphPen(None)
    # Cubic outlines run counter-clockwise; TrueType wants them clockwise,
    # unless the transform mirrors them already.
    det = t[0] * t[3] - t[1] * t[2]
    glyphset[gname].draw(TransformPen(Cu2QuPen(tt, 1.0, reverse_direction=det > 0), t))
    return tt.glyph(), int(round(advance)), bounds(glyphset, gname, t)


def main(argv):
    if len(argv) not in (4, 5):
        sys.exit(__doc__)
    src = TTFont(argv[1])
    rows = read_table(argv[2])
    known = None
    if len(argv) == 5:
        known = set(json.load(open(argv[4], encoding="utf-8"))["glyphBBoxes"])
    glyphset = src.getGlyphSet()
    cmap = src.getBestCmap()

    order = [".notdef"]
    glyphs = {".notdef": TTGlyphPen(None).glyph()}
    advances = {".notdef": int(SPACE)}
    unicode_map = {}
    roman = {}
    ymin, ymax = 0, 0
    # The head that sets the staff's head width goes first: other heads fit it.
    head = None
    for row in rows:
        if row[3].get("adv") == "head":
            _, advance, b = build_glyph(row, src, glyphset, cmap, known)
            head = (b[2] - b[0], advance)
    for row in rows:
        code = row[0]
        gname = "svl%03d" % code
        glyph, advance, b = build_glyph(row, src, glyphset, cmap, known, head)
        order.append(gname)
        glyphs[gname] = glyph
        advances[gname] = advance
        unicode_map[0xF000 + code] = gname
        roman[code] = gname
        if b is not None:
            ymin, ymax = min(ymin, b[1]), max(ymax, b[3])

    fb = FontBuilder(UPM, isTTF=True)
    fb.setupGlyphOrder(order)
    fb.setupCharacterMap(unicode_map)
    fb.setupGlyf(glyphs)
    glyf = fb.font["glyf"]
    metrics = {}
    for gname in order:
        g = glyf[gname]
        metrics[gname] = (advances[gname], getattr(g, "xMin", 0) if g.numberOfContours else 0)
    fb.setupHorizontalMetrics(metrics)
    ascent, descent = int(8 * SPACE), -int(4 * SPACE)
    fb.setupHorizontalHeader(ascent=ascent, descent=descent)
    fb.setupNameTable({
        "familyName": FAMILY,
        "styleName": "Regular",
        "uniqueFontIdentifier": FAMILY + " Regular",
        "fullName": FAMILY,
        "psName": FAMILY,
        "version": "Version 1.000",
        "copyright": "Outlines from Bravura, Copyright (c) 2019 Steinberg Media "
                     "Technologies GmbH, under the SIL Open Font License 1.1",
        "licenseDescription": "This Font Software is licensed under the SIL Open "
                              "Font License, Version 1.1.",
    })
    fb.setupOS2(sTypoAscender=ascent, sTypoDescender=descent, sTypoLineGap=0,
                usWinAscent=int(max(ascent, ymax + 1)),
                usWinDescent=int(max(-descent, -ymin + 1)),
                fsType=0, achVendID="TMRL")
    fb.setupPost()

    # The raw codes in a Mac Roman cmap too, as the 8-bit path addresses them.
    sub = cmap_format_0(0)
    sub.platformID, sub.platEncID, sub.language = 1, 0, 0
    sub.cmap = dict(roman)
    fb.font["cmap"].tables.append(sub)
    fb.font["head"].fontRevision = 1.0
    # The source's dates: the same source and table give the same bytes.
    fb.font["head"].created = src["head"].created
    fb.font["head"].modified = src["head"].modified
    fb.save(argv[3])


if __name__ == "__main__":
    main(sys.argv)
