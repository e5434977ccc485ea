# SPDX-License-Identifier: Apache-2.0
"""Draws the conversion benchmarks of one or more runs as an SVG chart, for the benchmark docs.

One panel per run (for instance x86-64 times and 32-bit ARM instruction counts). Each row is one
routine on one input; each bar is a rival's figure divided by vesk's from the same run, on a log
scale centred on 1: a bar to the right means the rival needs more (vesk is faster), a bar to the
left means the rival needs less. The rivals drawn are ICU, iconv and the plain character loop.
"""
import math
from xml.sax.saxutils import escape

RIVALS = (("ICU", "icu", "#1f77b4"), ("iconv", "iconv", "#ff7f0e"),
          ("plain loop", "plain loop", "#2ca02c"))
LOW, HIGH = 1 / 16, 64  # ratios outside are drawn at the edge, with their value written
ROW, BAR, LEFT, PLOT, GAP = 26, 7, 230, 560, 40


def load_figures(path):
    """A table of figures measured elsewhere (for instance instructions per byte counted on the
    ARM target), one per line: OPERATION<TAB>INPUT<TAB>CONTENDER<TAB>VALUE; '#' starts a comment.
    Returns it in the shape of a benchmark run, so that rows() takes it as it takes a run."""
    runs = []
    with open(path) as handle:
        for line in handle:
            if line.strip() and not line.startswith("#"):
                operation, case, contender, value = line.rstrip("\n").split("\t")
                runs.append({"run_name": "%s/%s/%s" % (operation, case, contender),
                             "run_type": "iteration", "time_unit": "s",
                             "real_time": float(value), "cpu_time": float(value)})
    return {"benchmarks": runs}


def _rival_figure(contenders, prefix, statistic, operation):
    figures = [statistic(operation, entry["times"]) for name, entry in contenders.items()
               if name == prefix or name.startswith(prefix + " ")]
    return min(figures) if figures else None


def rows(groups, statistic):
    """[(label, [(rival, colour, ratio or None)])] for every row with vesk and a rival."""
    out = []
    for (operation, case), contenders in groups.items():
        if "vesk" not in contenders:
            continue
        vesk = statistic(operation, contenders["vesk"]["times"])
        bars = []
        for label, prefix, colour in RIVALS:
            figure = _rival_figure(contenders, prefix, statistic, operation)
            bars.append((label, colour, figure / vesk if figure and vesk > 0 else None))
        if any(ratio for _, _, ratio in bars):
            out.append(("%s, %s" % (operation, case), bars))
    return out


def _x(ratio):
    clipped = min(max(ratio, LOW), HIGH)
    span = math.log2(HIGH) - math.log2(LOW)
    return LEFT + PLOT * (math.log2(clipped) - math.log2(LOW)) / span


def _panel(title, panel_rows, top):
    parts = ['<text x="%d" y="%d" class="title">%s</text>' % (LEFT, top + 14, escape(title))]
    axis_top, axis_bottom = top + 24, top + 30 + ROW * len(panel_rows)
    ratio = LOW
    while ratio <= HIGH:
        x = _x(ratio)
        label = ("1/%d" % round(1 / ratio)) if ratio < 1 else "%g" % ratio
        weight = ' class="one"' if ratio == 1 else ""
        parts.append('<line x1="%.1f" y1="%d" x2="%.1f" y2="%d"%s/>' % (
            x, axis_top, x, axis_bottom, weight))
        parts.append('<text x="%.1f" y="%d" class="tick">%s</text>' % (x, axis_bottom + 14, label))
        ratio *= 2
    for index, (label, bars) in enumerate(panel_rows):
        y = axis_top + 6 + ROW * index
        parts.append('<text x="%d" y="%d" class="row">%s</text>' % (LEFT - 8, y + 12, escape(label)))
        for slot, (rival, colour, value) in enumerate(bars):
            if value is None:
                continue
            x0, x1 = sorted((_x(1), _x(value)))
            by = y + slot * BAR
            parts.append('<rect x="%.1f" y="%d" width="%.1f" height="%d" fill="%s">'
                         '<title>%s: %s %.2fx vesk</title></rect>' % (
                             x0, by, max(x1 - x0, 1), BAR - 1, colour, escape(label), rival, value))
            if value < LOW or value > HIGH:
                parts.append('<text x="%.1f" y="%d" class="tick">%.3g</text>' % (
                    x1 + 3 if value > 1 else x0 - 30, by + 6, value))
    return parts, axis_bottom + 24


def write_svg(path, panels):
    """panels: [(title, rows(...))]. Writes the chart to `path`."""
    body, top = [], 40
    for title, panel_rows in panels:
        parts, top = _panel(title, panel_rows, top)
        body += parts
        top += GAP
    legend = []
    for index, (label, _, colour) in enumerate(RIVALS):
        x = LEFT + index * 130
        legend.append('<rect x="%d" y="8" width="12" height="12" fill="%s"/>' % (x, colour))
        legend.append('<text x="%d" y="18" class="row" text-anchor="start">%s</text>' % (
            x + 16, label))
    legend.append('<text x="%d" y="18" class="tick" text-anchor="start">rival / vesk: '
                  'right of 1 = vesk faster</text>' % (LEFT + 3 * 130))
    width = LEFT + PLOT + 60
    svg = ['<svg xmlns="http://www.w3.org/2000/svg" width="%d" height="%d" '
           'font-family="sans-serif" font-size="11">' % (width, top),
           '<style>line{stroke:#ddd}line.one{stroke:#333}.title{font-weight:bold;font-size:13px}'
           '.row{text-anchor:end}.tick{fill:#555;text-anchor:middle;font-size:10px}</style>',
           '<rect width="100%" height="100%" fill="white"/>'] + legend + body + ['</svg>']
    with open(path, "w") as handle:
        handle.write("\n".join(svg) + "\n")
