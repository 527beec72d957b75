#!/usr/bin/env python3
"""Writes a large, realistic milling program for benchmarks and memory tests.

    python3 bench/generate_program.py LINES OUT.NC

The program is metric Fanuc-style G-code for a three-axis mill, ASCII with
CR LF line ends, and has exactly LINES lines:

  * a header of the safe shape: program number, G92 start point, G90 G54 G17
    G40 G80, the tool call, spindle start and G43 all before the first rapid
    move with axis words, so a split can keep them in every piece;
  * a body of ball-end surfacing: raster passes along X over a smooth
    free-form surface (G01 X.. Z.. with feed changes on steep stretches),
    joined by G02/G03 turnaround arcs with I/J centres, and a rounded
    boundary contour with arcs closing every layer;
  * a footer: retract, coolant off, G91 G28 Z0., G28 X0 Y0, M05, M30, %.

Every body line carries at least one axis word, so the last lines before the
footer are moves and never feed-only or centre-only blocks.  Output depends
only on LINES: the surface is drawn from a fixed seed.  Standard library only.
"""

import math
import random
import sys

SEED = 20210524

HEADER = [
    "%",
    "O9001",
    "(GENERATED SURFACING PROGRAM - {lines} LINES)",
    "(T1 R3. BALL END MILL  STOCK 300. X 200.)",
    "G92 X0. Y0. Z100.",
    "G90 G54 G17 G40 G80",
    "T1 M06",
    "S8000 M03",
    "G43 H01 Z100.",
    "M08",
    "G00 G90 X0. Y0.",
    "Z5.",
]

FOOTER = [
    "G00 Z100.",
    "M09",
    "G91 G28 Z0.",
    "G28 X0 Y0",
    "M05",
    "M30",
    "%",
]

# Surfacing area and raster: passes along X, stepping in Y.
X_MIN, X_MAX = 0.0, 300.0
Y_MIN, Y_MAX = 0.0, 200.0
X_STEP = 0.5          # distance between points along a pass, mm
Y_STEP = 0.5          # stepover between passes, mm
LAYER_DEPTH = 0.25    # each layer cuts this much deeper ...
LAYER_CYCLE = 8       # ... and the depth pattern repeats after this many layers
FEED_FLAT = 1500      # mm/min on gentle slopes
FEED_STEEP = 800      # mm/min where the surface is steep
FEED_PLUNGE = 300
FEED_CONTOUR = 600
STEEP_SLOPE = 0.35    # |dZ/dX| above which the steep feed is used


def number(value):
    """Fanuc-style decimal text: always a decimal point, at most 3 decimals."""
    text = "%.3f" % value
    text = text.rstrip("0")
    if text in ("-0.", "0."):
        return "0."
    return text


class Surface:
    """A smooth free-form surface: a few random waves over a gentle dome."""

    def __init__(self, rng):
        self.waves = []
        for _ in range(5):
            self.waves.append((rng.uniform(0.3, 1.6),            # amplitude, mm
                               rng.uniform(0.01, 0.06),          # kx, rad/mm
                               rng.uniform(0.01, 0.06),          # ky, rad/mm
                               rng.uniform(0.0, 2.0 * math.pi)))  # phase

    def z(self, x, y):
        cx = (x - 150.0) / 150.0
        cy = (y - 100.0) / 100.0
        height = -3.0 * (cx * cx + cy * cy)
        for amplitude, kx, ky, phase in self.waves:
            height += amplitude * math.sin(kx * x + ky * y + phase)
        return height - 6.0


class Body:
    """Produces body lines one at a time until told to stop."""

    def __init__(self):
        rng = random.Random(SEED)
        self.surface = Surface(rng)
        self.points = [X_MIN + i * X_STEP
                       for i in range(int(round((X_MAX - X_MIN) / X_STEP)) + 1)]
        # The boundary contour goes 1 mm below the lowest point of the surface.
        self.bottom = min(self.surface.z(x, Y_MIN + j * 5.0)
                          for x in self.points[::10]
                          for j in range(int((Y_MAX - Y_MIN) / 5.0) + 1)) - 1.0

    def lines(self):
        feed = None
        motion = 0            # the header ends with a rapid move to X0. Y0. and Z5.
        layer = 0
        while True:
            offset = -LAYER_DEPTH * (layer % LAYER_CYCLE)
            # Enter the layer at the first point of the first pass.
            y = Y_MIN
            z = self.surface.z(X_MIN, y) + offset
            if layer > 0:
                yield "X%s Y%s" % (number(X_MIN), number(y))
            yield "Z%s" % number(z + 2.0)
            yield "G01 Z%s F%d" % (number(z), FEED_PLUNGE)
            motion, feed = 1, FEED_PLUNGE
            forward = True
            while True:
                xs = self.points if forward else self.points[::-1]
                last_z = z
                for x in xs[1:]:
                    new_z = self.surface.z(x, y) + offset
                    slope = abs(new_z - last_z) / X_STEP
                    wanted = FEED_STEEP if slope > STEEP_SLOPE else FEED_FLAT
                    words = []
                    if motion != 1:
                        words.append("G01")
                        motion = 1
                    words.append("X" + number(x))
                    if number(new_z) != number(last_z):
                        words.append("Z" + number(new_z))
                    if wanted != feed:
                        words.append("F%d" % wanted)
                        feed = wanted
                    yield " ".join(words)
                    last_z = new_z
                if y + Y_STEP > Y_MAX + 1e-9:
                    break
                # Turnaround: a half circle outside the area to the next pass.
                half = Y_STEP / 2.0
                x_end = xs[-1]
                code = 3 if forward else 2
                yield "G%02d X%s Y%s J%s" % (code, number(x_end), number(y + Y_STEP), number(half))
                motion = code
                y += Y_STEP
                forward = not forward
            # Boundary contour with rounded corners at the layer's floor.
            floor = round(self.bottom, 3) + offset
            radius = 10.0
            yield "G00 Z5."
            motion = 0
            yield "X%s Y%s" % (number(X_MIN + radius), number(Y_MIN - 5.0))
            yield "G01 Z%s F%d" % (number(floor), FEED_PLUNGE)
            motion, feed = 1, FEED_PLUNGE
            x0, y0, x1, y1 = X_MIN - 5.0, Y_MIN - 5.0, X_MAX + 5.0, Y_MAX + 5.0
            yield "X%s F%d" % (number(x1 - radius), FEED_CONTOUR)
            feed = FEED_CONTOUR
            yield "G03 X%s Y%s J%s" % (number(x1), number(y0 + radius), number(radius))
            yield "G01 Y%s" % number(y1 - radius)
            yield "G03 X%s Y%s I%s" % (number(x1 - radius), number(y1), number(-radius))
            yield "G01 X%s" % number(x0 + radius)
            yield "G03 X%s Y%s J%s" % (number(x0), number(y1 - radius), number(-radius))
            yield "G01 Y%s" % number(y0 + radius)
            yield "G03 X%s Y%s I%s" % (number(x0 + radius), number(y0), number(radius))
            yield "G00 Z5."
            motion = 0
            layer += 1


def main(argv):
    if len(argv) != 3:
        sys.stderr.write("usage: python3 generate_program.py LINES OUT.NC\n")
        return 2
    try:
        total = int(argv[1])
    except ValueError:
        sys.stderr.write("LINES must be a whole number\n")
        return 2
    header = [line.format(lines=total) for line in HEADER]
    body_count = total - len(header) - len(FOOTER)
    if body_count < 1:
        sys.stderr.write("LINES must be at least %d\n" % (len(header) + len(FOOTER) + 1))
        return 2
    with open(argv[2], "wb") as out:
        buffer = []
        for line in header:
            buffer.append(line)
        produced = 0
        for line in Body().lines():
            if produced == body_count:
                break
            buffer.append(line)
            produced += 1
            if len(buffer) >= 65536:
                out.write(("\r\n".join(buffer) + "\r\n").encode("ascii"))
                buffer = []
        buffer.extend(FOOTER)
        out.write(("\r\n".join(buffer) + "\r\n").encode("ascii"))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
