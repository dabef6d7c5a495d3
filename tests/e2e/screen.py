#!/usr/bin/env python3
"""Reads what the real IDE shows, from X screenshots of single windows (ImageMagick's import).

  screen.py entry-selection WIN yes|no
      exit 0 when the focused text entry at the top of WIN (the GTK folder chooser's location
      field) shows selected text (yes) or none (no), the same in two pictures 0.2 s apart.
      GTK puts its inline completion there as selected text.
  screen.py list-rows WIN COUNT
      exit 0 when the addon dialog WIN shows its check list with exactly COUNT rows.
  screen.py addons ADDONS_DIR
      prints the addons of ADDONS_DIR in the order the plug-in lists them, one a line.
  screen.py ticks WIN PNG ADDONS_DIR [TICKED_NAME...]
      saves WIN as PNG, reads every row's check box and compares them with the addons of
      ADDONS_DIR in directory-listing order: exactly the named ones must be ticked.
  screen.py box WIN ADDONS_DIR NAME
      prints "X Y", the middle of the check box of the row that lists NAME, in WIN's client
      coordinates, as drawn; exit 1 when the list shows another number of rows than addons.

Exit status: 0 as described, 1 when the picture says otherwise, 2 when nothing could be read.
Only the standard library is used, so it runs wherever python3 does.
"""
import os
import struct
import subprocess
import sys
import time
import zlib

# The check list's frame in the addon dialog's client area: wxPoint(20, 105), wxSize(360, 280).
LIST_X, LIST_Y, LIST_W, LIST_H = 20, 105, 360, 280
# Check boxes sit at the row's left end; the item text starts right of this column.
BOX_COLUMN = (22, 44)
# GTK 3 Adwaita draws a ticked box filled with its accent blue (#3584e4 and a little lighter at
# the edge), with a white tick; an unticked box is white with a grey border and holds no blue.
# Measured: a ticked box is about 78 % blue, an unticked one 0 %. Anything between the two
# limits is neither, and is reported rather than guessed.
TICKED_MIN, UNTICKED_MAX = 0.50, 0.10
# A row is 23 px high and its box 16 px; other heights mean something else was drawn there.
BOX_HEIGHTS = range(12, 21)
ROW_HEIGHTS = range(19, 28)
# The selected row (the last one clicked) is blue across. Its ticked box is blue too, with only
# the white tick in it; its unticked box is white (light grey under the pointer) inside a grey
# border. Measured in the box column of such a row, against a 16 x 16 box: ticked about 15 %
# light, unticked about 73 %.
SELECTED_TICKED_MAX, SELECTED_UNTICKED_MIN = 0.25, 0.45
BOX_AREA = 16 * 16


class Image:
    def __init__(self, width, height, rgb):
        self.width, self.height, self.rgb = width, height, rgb

    def at(self, x, y):
        o = (y * self.width + x) * 3
        return self.rgb[o], self.rgb[o + 1], self.rgb[o + 2]


def parse_ppm(data):
    fields, pos = [], 0
    while len(fields) < 4:
        while data[pos:pos + 1].isspace():
            pos += 1
        if data[pos:pos + 1] == b"#":
            pos = data.index(b"\n", pos)
            continue
        end = pos
        while not data[end:end + 1].isspace():
            end += 1
        fields.append(data[pos:end])
        pos = end
    if fields[0] != b"P6":
        raise ValueError("not a binary PPM")
    width, height, maxval = (int(f) for f in fields[1:])
    rgb = data[pos + 1:]
    if maxval > 255:  # 16 bits a sample, big-endian: keep the high bytes
        rgb = rgb[0::2]
    if len(rgb) < width * height * 3:
        raise ValueError("short PPM")
    return Image(width, height, rgb)


def capture(win):
    done = subprocess.run(["import", "-window", str(win), "-depth", "8", "ppm:-"],
                          stdout=subprocess.PIPE, stderr=subprocess.PIPE, timeout=20)
    if done.returncode != 0 or not done.stdout:
        raise RuntimeError("cannot capture window %s: %s" % (win, done.stderr.decode().strip()))
    return parse_ppm(done.stdout)


def write_png(image, path):
    rows = b"".join(b"\0" + image.rgb[y * image.width * 3:(y + 1) * image.width * 3]
                    for y in range(image.height))

    def chunk(kind, body):
        return (struct.pack(">I", len(body)) + kind + body +
                struct.pack(">I", zlib.crc32(kind + body) & 0xffffffff))

    with open(path, "wb") as out:
        out.write(b"\x89PNG\r\n\x1a\n")
        out.write(chunk(b"IHDR", struct.pack(">IIBBBBB", image.width, image.height, 8, 2, 0, 0, 0)))
        out.write(chunk(b"IDAT", zlib.compress(rows, 6)))
        out.write(chunk(b"IEND", b""))


def is_blue(c):
    r, g, b = c
    return b >= 180 and b - r >= 100 and g >= 100


def is_ink(c):
    return min(c) < 235


def white(c):
    return min(c) >= 245


def light(c):
    """White or the light grey of a box under the pointer (#f2f2f2)."""
    return min(c) >= 200


def entry_selection(image):
    """The columns of selected text in the focused entry (empty: none); None without an entry.
    The focused entry has a blue frame; selected text inside it has a blue background."""
    top = min(image.height, 100)
    framed = [y for y in range(top)
              if sum(is_blue(image.at(x, y)) for x in range(image.width)) >= image.width // 3]
    if len(framed) < 2:
        return None
    upper, lower = framed[0], framed[-1]
    # The frame's own rows lie next to each other; the inside is what lies between the two groups.
    while upper + 1 in framed:
        upper += 1
    while lower - 1 in framed:
        lower -= 1
    inside = range(upper + 1, lower)
    if len(inside) < 8:
        return None
    # The frame is the longest blue run of its row; a highlighted sidebar place may share the row.
    left, right, start = 0, -1, None
    for x in range(image.width + 1):
        if x < image.width and is_blue(image.at(x, upper)):
            start = x if start is None else start
        elif start is not None:
            if x - 1 - start > right - left:
                left, right = start, x - 1
            start = None
    # A selected "/" is about 5 px wide and as high as the text; the frame's sides are 1 px wide.
    return tuple(x for x in range(left + 4, right - 3)
                 if sum(is_blue(image.at(x, y)) for y in inside) >= 8)


def runs_of(ys):
    """Groups sorted row numbers into [first, last] runs of neighbours."""
    runs = []
    for y in ys:
        if runs and y == runs[-1][1] + 1:
            runs[-1][1] = y
        else:
            runs.append([y, y])
    return runs


def box_state(share, ticked_min, unticked_max):
    if share >= ticked_min:
        return "ticked"
    return "unticked" if share <= unticked_max else "unclear"


def list_rows(image):
    """Returns [(top, bottom, state, measure)] for every row of the list, top to bottom; state
    is "ticked", "unticked" or "unclear", measure what it was read from."""
    if image.width < LIST_X + LIST_W or image.height < LIST_Y + LIST_H:
        raise ValueError("window %dx%d is smaller than the dialog" % (image.width, image.height))
    corners = [(LIST_X, LIST_Y), (LIST_X + LIST_W - 1, LIST_Y), (LIST_X, LIST_Y + LIST_H - 1),
               (LIST_X + LIST_W - 1, LIST_Y + LIST_H - 1)]
    # Frame corners in grey, and white inside at the bottom, where three rows do not reach.
    if not (all(is_ink(image.at(x, y)) for x, y in corners) and
            white(image.at(LIST_X + LIST_W // 2, LIST_Y + LIST_H - 4))):
        raise ValueError("the check list is not drawn at (%d, %d)" % (LIST_X, LIST_Y))
    x0, x1 = BOX_COLUMN
    edge = LIST_X + LIST_W - 12
    inside = range(LIST_Y + 1, LIST_Y + LIST_H - 1)
    selected = runs_of([y for y in inside if is_blue(image.at(edge, y))])
    in_selected = {y for top, bottom in selected for y in range(top, bottom + 1)}
    inked = [y for y in inside if y not in in_selected
             and any(is_ink(image.at(x, y)) for x in range(x0, x1 + 1))]
    rows = []
    for top, bottom in runs_of(inked):
        if not white(image.at(edge, (top + bottom) // 2)):
            raise ValueError("something other than a row is drawn at y=%d" % top)
        if bottom - top + 1 not in BOX_HEIGHTS:
            raise ValueError("a %d px high shape at y=%d is no check box" % (bottom - top + 1, top))
        cols = [x for x in range(x0, x1 + 1)
                if any(is_ink(image.at(x, y)) for y in range(top, bottom + 1))]
        pixels = [image.at(x, y)
                  for x in range(cols[0], cols[-1] + 1) for y in range(top, bottom + 1)]
        share = sum(map(is_blue, pixels)) / len(pixels)
        rows.append((top, bottom, box_state(share, TICKED_MIN, UNTICKED_MAX), share))
    for top, bottom in selected:
        if bottom - top + 1 not in ROW_HEIGHTS:
            raise ValueError("a %d px high blue band at y=%d is no row" % (bottom - top + 1, top))
        lights = sum(light(image.at(x, y)) for x in range(x0, x1 + 1) for y in range(top, bottom + 1))
        # Read as a blue share, so that one scale serves both kinds of rows.
        share = 1 - min(1.0, lights / BOX_AREA)
        rows.append((top, bottom, box_state(share, 1 - SELECTED_TICKED_MAX, 1 - SELECTED_UNTICKED_MIN),
                     share))
    return sorted(rows)


def addon_order(addons_dir):
    """The plug-in lists the non-hidden subfolders holding install.xml, in readdir order."""
    return [name for name in os.listdir(addons_dir)
            if not name.startswith(".")
            and os.path.isfile(os.path.join(addons_dir, name, "install.xml"))]


def main(argv):
    if len(argv) == 3 and argv[0] == "entry-selection" and argv[2] in ("yes", "no"):
        # Keys typed into the chooser may still be queued; an unchanged picture says GTK has
        # caught up with them.
        first = entry_selection(capture(argv[1]))
        time.sleep(0.2)
        second = entry_selection(capture(argv[1]))
        if first is None or second is None:
            return 2
        return 0 if first == second and bool(first) == (argv[2] == "yes") else 1
    if len(argv) == 2 and argv[0] == "addons":
        print("\n".join(addon_order(argv[1])))
        return 0
    if len(argv) == 3 and argv[0] == "list-rows":
        try:
            rows = list_rows(capture(argv[1]))
        except ValueError as err:
            print(err, file=sys.stderr)
            return 2
        return 0 if len(rows) == int(argv[2]) else 1
    if len(argv) >= 4 and argv[0] == "ticks":
        win, png, addons_dir, wanted = argv[1], argv[2], argv[3], set(argv[4:])
        image = capture(win)
        write_png(image, png)
        names = addon_order(addons_dir)
        unknown = wanted - set(names)
        if unknown:
            print("no such addon: %s" % " ".join(sorted(unknown)), file=sys.stderr)
            return 2
        try:
            rows = list_rows(image)
        except ValueError as err:
            print("%s: %s" % (png, err), file=sys.stderr)
            return 2
        if len(rows) != len(names):
            print("%s: %d rows shown, %d addons (%s)" % (png, len(rows), len(names), " ".join(names)),
                  file=sys.stderr)
            return 1
        ok = True
        report = []
        for name, (_, _, state, share) in zip(names, rows):
            report.append("%s=%s(%.2f)" % (name, state, share))
            if state != ("ticked" if name in wanted else "unticked"):
                ok = False
        print(" ".join(report))
        return 0 if ok else 1
    if len(argv) == 4 and argv[0] == "box":
        win, addons_dir, name = argv[1:]
        names = addon_order(addons_dir)
        if name not in names:
            print("no such addon: %s" % name, file=sys.stderr)
            return 2
        rows = list_rows(capture(win))
        if len(rows) != len(names):
            print("%d rows shown, %d addons" % (len(rows), len(names)), file=sys.stderr)
            return 1
        top, bottom, _, _ = rows[names.index(name)]
        print("%d %d" % (sum(BOX_COLUMN) // 2, (top + bottom) // 2))
        return 0
    print(__doc__, file=sys.stderr)
    return 2


if __name__ == "__main__":
    try:
        sys.exit(main(sys.argv[1:]))
    except (RuntimeError, ValueError, subprocess.TimeoutExpired) as err:
        print(err, file=sys.stderr)
        sys.exit(2)
