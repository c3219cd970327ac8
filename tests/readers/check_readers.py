#!/usr/bin/env python3
"""Real readers on the documents of sentrova-convert.

Every real log and a few generated RTK-style logs (7 and 8 decimals of a
minute, 10 Hz, several constellations, a midnight, a gap and lost fixes) is
converted once per format into one folder; then each reader reads them all,
so that the readers can run side by side:

  convert CONVERTER REAL_LOG_FOLDER DOCS  the documents and their index.json
  placemarks DOCS  GDAL's LIBKML driver on the placemark documents of the real
                 logs, plain and with --any-talker --line --altitude-mode absolute
  gdal DOCS      GDAL's CSV and GPX drivers
  libkml DOCS    GDAL's LIBKML driver on the KML tracks and KMZs
  gpsbabel DOCS  gpsbabel reads each GPX back
  strict DOCS    xmllint against GPX 1.1 with the track point extension and
                 KML 2.2 with gx; Python's csv module: every row as wide as the
                 header, numbers without leading zeros; the segments and the
                 GPX speed and course against the CSV
  report DOCS    headless Chromium loads every report: no console error, no
                 request outside the page, the sections the log has data for,
                 the GPX's point count; its distance against pyproj's geodesics
                 along the GPX, its CEP50 against one computed from the GPX

Point counts must equal the converter's summary, every coordinate the log
line's within 1e-9 degree, every time the log line's to the millisecond.
GDAL is read through Debian's python3-gdal, in one process per core.
Exit status: 0 all read, 1 a failure, 77 no real logs (placemarks).
"""
import csv
import glob
import json
import os
import re
import subprocess
import sys
import zipfile
from concurrent.futures import ProcessPoolExecutor, ThreadPoolExecutor
from decimal import ROUND_HALF_UP, Decimal
from xml.etree import ElementTree

TOLERANCE = 1e-9
HERE = os.path.dirname(os.path.abspath(__file__))
SCHEMAS = {"gpx": os.path.join(HERE, "..", "schemas", "gpx_with_extensions.xsd"),
           "kml": os.path.join(HERE, "..", "..", "..", "shared", "schemas", "kml22gx.xsd")}
PLACEMARK_OPTIONS = ["", "--any-talker --line --altitude-mode absolute"]
GPX = "{http://www.topografix.com/GPX/1/1}"
TPX = "{http://www.garmin.com/xmlschemas/TrackPointExtension/v2}"
failures = []


def fail(log, message):
    failures.append(f"{os.path.basename(log)}: {message}")


def run(args, **kw):
    return subprocess.run(args, capture_output=True, text=True, errors="replace", **kw)


def jobs():
    return int(os.environ.get("JOBS", "0")) or min(2, len(os.sched_getaffinity(0)))


def each(function, items):
    """function(item) for every item, on as many processes as there are cores."""
    with ThreadPoolExecutor(jobs()) as pool:
        for _ in pool.map(function, items):
            pass


# ---- the value of a log line, read here on its own ----

def log_lines(path):
    """The log's lines as the converter numbers them: split at LF, CRs gone."""
    data = open(path, "rb").read()
    if data[:2] in (b"\xff\xfe", b"\xfe\xff"):  # UTF-16, read as its characters
        data = data.decode("utf-16").encode("ascii", "replace")
    return data.replace(b"\r", b"").split(b"\n")


FIELDS = {"GGA": (2, 1), "RMC": (3, 1), "GLL": (1, 5), "GNS": (2, 1)}  # position at, time at


def angle(text, hemisphere, negative):
    point = text.index(".") if "." in text else len(text)
    value = Decimal(text[: point - 2]) + Decimal(text[point - 2:]) / 60
    return float(-value if hemisphere == negative else value)


def line_fix(line):
    """(latitude, longitude, milliseconds of day) of a position sentence."""
    text = line.decode("ascii", "replace")
    text = text[text.index("$") + 1: text.index("*") if "*" in text else len(text.rstrip(" "))]
    f = text.split(",")
    at, time_at = FIELDS[f[0][2:5]]
    lat = angle(f[at], f[at + 1], "S")
    lon = angle(f[at + 2], f[at + 3], "W")
    t = f[time_at]
    seconds = Decimal(int(t[0:2]) * 3600 + int(t[2:4]) * 60 + min(int(t[4:6]), 59))
    if int(t[4:6]) == 60:  # a leap second: the last millisecond of its minute
        return lat, lon, int(seconds) * 1000 + 999
    if len(t) > 7:
        seconds += Decimal("0." + t[7:])
    ms = int((seconds * 1000).quantize(Decimal(1), rounding=ROUND_HALF_UP))
    return lat, lon, min(ms, 86_399_999)


def iso_ms(text):
    """Milliseconds of day of an ISO 8601 or GDAL time text."""
    m = re.search(r"(\d\d):(\d\d):(\d\d)(?:\.(\d+))?", text)
    h, mi, s, frac = m.groups()
    return ((int(h) * 60 + int(mi)) * 60 + int(s)) * 1000 + int(((frac or "") + "000")[:3])


# ---- conversion, once per log and format ----

def sentence(body):
    x = 0
    for c in body.encode():
        x ^= c
    return f"${body}*{x:02X}\r\n"


def minutes(value, width, decimals):
    degrees = int(abs(value))
    m = (abs(value) - degrees) * 60
    return f"{degrees:0{width}d}{m:0{3 + decimals}.{decimals}f}"


def rtk_log(path, decimals, start_s, seconds, date):
    """A 10 Hz receiver: GN fixes, RTK fixed and float, GSV of four systems."""
    out = []
    day, month, year = date
    systems = [("GP", 16), ("GL", 9), ("GA", 11), ("GB", 14)]
    for tenth in range(seconds * 10):
        t = start_s * 10 + tenth
        if 150 <= tenth < 180:  # a gap of three seconds with nothing
            continue
        secs = (t // 10) % 86400
        if secs == 0 and t % 10 == 0 and tenth > 0:
            day += 1
        hh, mm, ss = secs // 3600, secs // 60 % 60, secs % 60
        time = f"{hh:02d}{mm:02d}{ss:02d}.{t % 10}0"
        lat = -33.8568 + tenth * 1.1e-7
        lon = 151.2153 + tenth * 1.3e-7
        quality = 0 if 300 <= tenth < 310 else 4 if tenth % 200 < 120 else 5
        la, lo = minutes(lat, 2, decimals), minutes(lon, 3, decimals)
        out.append(sentence(f"GNGGA,{time},{la},S,{lo},E,{quality},24,0.5,{20 + tenth * 0.001:.3f},M,22.1,M,1.2,0042"))
        status = "V" if quality == 0 else "A"
        if tenth % 10 == 0:
            out.append(sentence(f"GNRMC,{time},{status},{la},S,{lo},E,0.4,87.5,{day:02d}{month:02d}{year % 100:02d},,,R"))
            for sid, (talker, n) in enumerate(systems, 1):
                prns = [f"{p + 1:02d}" for p in range(n)][:12]
                out.append(sentence(f"GNGSA,A,3,{','.join(prns + [''] * (12 - len(prns)))},0.9,0.5,0.7,{sid}"))
                total = (n + 3) // 4
                for k in range(total):
                    sats = "".join(f",{p + 1:02d},{10 + p},{(p * 20) % 360:03d},{30 + p % 15}"
                                   for p in range(k * 4, min(n, k * 4 + 4)))
                    out.append(sentence(f"{talker}GSV,{total},{k + 1},{n:02d}{sats},1"))
            out.append(sentence(f"GNGST,{time},0.01,0.012,0.008,45.0,0.010,0.011,0.020"))
    open(path, "w").write("".join(out))


def convert(converter, real, docs):
    os.makedirs(os.path.join(docs, "placemarks"), exist_ok=True)
    logs = []
    if os.path.isdir(real):
        logs = sorted(os.path.join(real, f) for f in os.listdir(real)
                      if os.path.isfile(os.path.join(real, f)) and not f.endswith((".md", ".json", ".py")))
    entries, placemarks = [], []
    for i, (decimals, start, seconds, date) in enumerate([(8, 86400 - 30, 60, (31, 12, 2025)),
                                                          (7, 43200, 120, (8, 6, 2026))]):
        path = os.path.join(docs, f"rtk{i}.nmea")
        rtk_log(path, decimals, start, seconds, date)
        entries.append({"log": path, "extra": ["--split-gap", "1"], "styled": ["--style", "quality"]})
    # The real logs' KMZs styled by quality, so that the schemas see both kinds of KML track.
    entries = [{"log": log, "extra": [], "styled": [], "packed": ["--style", "quality"]} for log in logs] + entries
    jobs_ = []
    for n, e in enumerate(entries):
        e["docs"] = {}
        for kind, fmt, options, suffix in [("csv", "csv", [], ".csv"), ("gpx", "gpx", [], ".gpx"),
                                           ("kml", "kml-track", e["styled"], ".kml"),
                                           ("kmz", "kml-track", e.get("packed", e["styled"]) + ["--kmz"], ".kmz"),
                                           ("report", "report", [], ".html")]:
            target = os.path.join(docs, f"{n:03d}-{kind}{suffix}")
            e["docs"][kind] = target
            jobs_.append((e, kind, [converter, "-f", "--format", fmt, *e["extra"], *options, "-o", target, e["log"]]))
    for n, log in enumerate(logs):
        for k, options in enumerate(PLACEMARK_OPTIONS):
            stem = os.path.join(docs, "placemarks", f"{n:03d}-{k}")
            open(stem + ".opts", "w").write(options + "\n" + log + "\n")
            placemarks.append([converter, "-f", *options.split(), "-o", stem + ".kml", log])

    def epoch_document(job):
        e, kind, args = job
        out = run(args)
        m = re.search(r"(\d+) points in (\d+) segments", out.stderr)
        if out.returncode != 0 or not m:
            fail(e["log"], f"{' '.join(args[2:-3])}: {out.stderr.strip()}")
            e.setdefault("failed", []).append(kind)
        else:
            e[kind + "_summary"] = [int(m.group(1)), int(m.group(2))]

    def placemark_document(args):
        out = run(args)
        open(args[-2][: -len(".kml")] + ".err", "w").write(out.stderr if out.returncode == 0 else "FAIL " + out.stderr)

    each(epoch_document, jobs_)
    each(placemark_document, placemarks)
    for e in entries:
        for kind in ("csv", "report"):
            if "failed" not in e and e[kind + "_summary"] != e["gpx_summary"]:
                fail(e["log"], f"{kind} says {e[kind + '_summary']} points and segments, GPX {e['gpx_summary']}")
        if "failed" not in e and e in entries[len(logs):] and e["csv_summary"][0] < 500:
            fail(e["log"], f"only {e['csv_summary'][0]} points from a generated log")
    json.dump(entries, open(os.path.join(docs, "index.json"), "w"), indent=0)
    print(f"{len(logs)} real and {len(entries) - len(logs)} generated logs converted into {docs}")


# ---- what the CSV says, read strictly ----

def csv_rows(e):
    """The CSV's header and rows, the reference points from their log lines,
    and the problems of a strict reading."""
    problems = []
    with open(e["docs"]["csv"], newline="") as f:
        table = list(csv.reader(f, strict=True))
    header, rows = table[0], table[1:]
    lines = log_lines(e["log"])
    reference = []
    for i, row in enumerate(rows):
        if len(row) != len(header):
            problems.append(f"CSV row {i + 1} has {len(row)} fields, the header {len(header)}")
            break
        record = dict(zip(header, row))
        lat, lon, ms = line_fix(lines[int(record["line"]) - 1])
        reference.append({"line": record["line"], "lat": lat, "lon": lon, "ms": ms, "row": record})
    return header, reference, problems


def check(log, label, points, reference, times=None):
    """points: (lon, lat) per point in order."""
    if len(points) != len(reference):
        fail(log, f"{label}: {len(points)} points, the converter wrote {len(reference)}")
        return
    for i, ((lon, lat), ref) in enumerate(zip(points, reference)):
        if abs(lat - ref["lat"]) > TOLERANCE or abs(lon - ref["lon"]) > TOLERANCE:
            fail(log, f"{label}: point {i} at {lat} {lon}, line {ref['line']} says {ref['lat']} {ref['lon']}")
            return
        if times is not None and iso_ms(times[i]) != ref["ms"]:
            fail(log, f"{label}: point {i} at {times[i]}, line {ref['line']} says {ref['ms']} ms")
            return


def entries_of(docs):
    return [e for e in json.load(open(os.path.join(docs, "index.json"))) if "failed" not in e]


# ---- the readers ----

def gdal_layers(path, driver, field=None, **options):
    """The layers of a document as GDAL's driver reads it: per feature its
    geometry and the text of `field`; GDAL's warnings are failures too."""
    from osgeo import gdal  # Debian python3-gdal
    gdal.UseExceptions()
    said = []
    gdal.PushErrorHandler(lambda kind, number, message: said.append(message))
    try:
        ds = gdal.OpenEx(path, gdal.OF_VECTOR, allowed_drivers=[driver],
                         open_options=[f"{k}={v}" for k, v in options.items()])
        layers = [ds.GetLayer(i) for i in range(ds.GetLayerCount())]
        features = []
        for layer in layers:
            at = layer.GetLayerDefn().GetFieldIndex(field) if field else -1
            features.append([(f.GetGeometryRef().Clone() if f.GetGeometryRef() else None,
                              f.GetFieldAsString(at) if at >= 0 else "") for f in layer])
    finally:
        gdal.PopErrorHandler()
    if said:
        raise RuntimeError(f"GDAL {driver}: {'; '.join(said)[:300]}")
    return [(layer.GetName(), f) for layer, f in zip(layers, features)]


def points_of(geometry):
    if geometry.GetGeometryCount() > 0:
        return [p for i in range(geometry.GetGeometryCount()) for p in points_of(geometry.GetGeometryRef(i))]
    return geometry.GetPoints() or []


def read_gdal(e):
    log = e["log"]
    _, reference, _ = csv_rows(e)
    (_, rows), = gdal_layers(e["docs"]["csv"], "CSV", "time", X_POSSIBLE_NAMES="longitude",
                             Y_POSSIBLE_NAMES="latitude")
    check(log, "CSV (GDAL)", [g.GetPoint_2D(0) for g, _ in rows], reference, [t for _, t in rows])
    features = dict(gdal_layers(e["docs"]["gpx"], "GPX", "time")).get("track_points", [])
    check(log, "GPX (GDAL)", [g.GetPoint_2D(0) for g, _ in features], reference, [t for _, t in features])


def read_libkml(e):
    _, reference, _ = csv_rows(e)
    for kind, label in (("kml", "KML track"), ("kmz", "KMZ")):
        target = e["docs"][kind]
        text = zipfile.ZipFile(target).read("doc.kml") if kind == "kmz" else open(target, "rb").read()
        points = [p[:2] for _, features in gdal_layers(target, "LIBKML") for g, _ in features for p in points_of(g)]
        whens = [w.text for w in ElementTree.fromstring(text).iter("{http://www.opengis.net/kml/2.2}when")]
        check(e["log"], label + " (LIBKML)", points, reference, whens)


def read_placemarks(stem):
    """A placemark document: its features are the placemarks the converter
    reported (one more where a line is drawn), none at 0,0, and every <when>
    gives GDAL a time."""
    options, log = open(stem + ".opts").read().splitlines()[:2]
    report = open(stem + ".err").read() if os.path.exists(stem + ".err") else "FAIL no report"
    if report.startswith("FAIL"):
        fail(log, f"[{options}] the converter failed: {report[5:].strip()}")
        return 0
    placemarks = int(re.search(r", (\d+) placemarks\b", report).group(1))
    text = open(stem + ".kml", "rb").read()
    features = [f for _, layer in gdal_layers(stem + ".kml", "LIBKML", "timestamp") for f in layer]
    lines = text.count(b"<LineString>")
    zero = sum(1 for g, _ in features for p in points_of(g) if p[0] == 0 and p[1] == 0)
    times = sum(1 for g, t in features if g.GetGeometryName() == "POINT" and t)
    why = []
    if len(features) != placemarks + lines:
        why.append(f"{len(features)} features for {placemarks} placemarks and {lines} lines")
    if zero:
        why.append(f"{zero} points at 0,0")
    if times != text.count(b"<when>"):
        why.append(f"{times} times from GDAL for {text.count(b'<when>')} <when>")
    if why:
        fail(log, f"[{options}] " + "; ".join(why))
    return len(features)


def read_gpsbabel(e):
    _, reference, _ = csv_rows(e)
    back = run(["gpsbabel", "-i", "gpx", "-f", e["docs"]["gpx"], "-o", "gpx", "-F", "-"])
    if back.returncode != 0:
        fail(e["log"], "GPX: gpsbabel: " + back.stderr.strip())
        return
    root = ElementTree.fromstring(back.stdout)
    ns = {"g": root.tag[1:].split("}")[0]}
    pts = root.findall(".//g:trkpt", ns)
    check(e["log"], "GPX (gpsbabel)", [(float(p.get("lon")), float(p.get("lat"))) for p in pts], reference,
          [p.find("g:time", ns).text for p in pts])


NUMBER = re.compile(r"-?\d+(\.\d+)?")


def read_strictly(e):
    log = e["log"]
    header, reference, problems = csv_rows(e)
    for p in problems:
        fail(log, p)
    points, segments = e["csv_summary"]
    if len(reference) != points:
        fail(log, f"CSV: {len(reference)} rows, the converter wrote {points} points")
    numbered = [int(r["row"]["segment"]) for r in reference]
    if numbered != sorted(numbered) or (numbered and (numbered[0] != 1 or numbered[-1] != segments)):
        fail(log, f"CSV: segments {numbered[:1]}..{numbered[-1:]} for {segments}")
    for r in reference:
        bad = [f"{k}={v}" for k, v in r["row"].items() if NUMBER.fullmatch(v) and re.match(r"-?0\d", v)]
        if bad:
            fail(log, f"CSV line {r['line']}: leading zeros in {', '.join(bad)}")
            break
    # GPX: its segments, and speed and course as the log's knots and degrees.
    root = ElementTree.parse(e["docs"]["gpx"]).getroot()
    if len(root.findall(f"{GPX}trk/{GPX}trkseg")) != segments:
        fail(log, f"GPX: {len(root.findall(f'{GPX}trk/{GPX}trkseg'))} segments, the converter made {segments}")
    for point, r in zip(root.iter(f"{GPX}trkpt"), reference):
        knots, course = r["row"]["speed_knots"], r["row"]["course_deg"]
        speed = point.find(f"{GPX}extensions/{TPX}TrackPointExtension/{TPX}speed")
        heading = point.find(f"{GPX}extensions/{TPX}TrackPointExtension/{TPX}course")
        wrong = []
        if (speed is None) != (knots == "" or float(knots) < 0) or (
                speed is not None and abs(float(speed.text) - float(knots) * 1852 / 3600) > 0.0005 + 1e-9):
            wrong.append(f"speed {None if speed is None else speed.text} m/s for {knots} knots")
        if (heading is None) != (course == "") or (heading is not None and Decimal(heading.text) != Decimal(course)):
            wrong.append(f"course {None if heading is None else heading.text} for {course}")
        if wrong:
            fail(log, f"GPX point of line {r['line']}: {'; '.join(wrong)}")
            break


# ---- the report, in a browser ----

PAGE = """JSON.stringify({
  sections: [...document.querySelectorAll('body > section')].map(s => s.id),
  summary: JSON.parse(document.getElementById('sentrova-summary').textContent),
  skyMarkers: document.querySelectorAll('#sky path[data-v]').length,
  circles: [...document.querySelectorAll('#accuracy circle')].map(c => c.getAttribute('data-v')),
  text: document.body.innerText.length})"""


def sky_in_log(path):
    """Whether a sound GSV sentence of the log has a satellite with elevation
    and azimuth, and whether one is placed (not 0 and 0, the receivers' unknown)."""
    seen = False
    for line in log_lines(path):
        text = line.decode("ascii", "replace")
        if "GSV," not in text or "$" not in text:
            continue
        body, _, sent = text[text.index("$") + 1:].partition("*")
        if sent and sent[:2].upper() != f"{sentence(body)[-4:-2]}":
            continue
        f = body.split(",")
        if not re.fullmatch(r"[A-Z]{2}GSV", f[0]):
            continue
        for k in range(4, len(f) - 2, 4):
            if f[k].isdigit() and 0 < int(f[k]) < 1024 and f[k + 1].isdigit() and f[k + 2].isdigit() \
                    and int(f[k + 1]) <= 90 and int(f[k + 2]) <= 360:
                seen = True
                if int(f[k + 1]) or int(f[k + 2]):
                    return True, True
    return seen, False


def gpx_segments(e):
    root = ElementTree.parse(e["docs"]["gpx"]).getroot()
    return [[(float(p.get("lat")), float(p.get("lon")), p.find(f"{GPX}time").text) for p in seg.iter(f"{GPX}trkpt")]
            for seg in root.iter(f"{GPX}trkseg")]


def local_metres(points, lat0, lon0):
    """East and north of each point on an azimuthal equidistant plane at (lat0, lon0)."""
    from pyproj import Proj  # Debian python3-pyproj
    project = Proj(proj="aeqd", lat_0=lat0, lon_0=lon0, ellps="WGS84")
    return [project(lon, lat) for lat, lon, _ in points]


def read_report(chunk):
    """A list of logs' reports in one browser: (logs whose figures were
    compared: distance, CEP50)."""
    from pyproj import Geod
    import chromium
    browser = chromium.Chromium()
    geod = Geod(ellps="WGS84")
    compared = [0, 0]
    try:
        for e in chunk:
            log = e["log"]
            problems, page = browser.load(e["docs"]["report"], PAGE)
            for p in problems[:3]:
                fail(log, "report in Chromium: " + p)
            if not page:
                fail(log, "report: the page gave no summary")
                continue
            page = json.loads(page)
            s, sections = page["summary"], page["sections"]
            segments = gpx_segments(e)
            points = [p for seg in segments for p in seg]
            if s["points"] != len(points) or s["segments"] != len(segments):
                fail(log, f"report: {s['points']} points in {s['segments']} segments, the GPX {len(points)} in "
                          f"{len(segments)}")
            if sections != s["sections"]:
                fail(log, f"report: sections {sections}, its summary lists {s['sections']}")
            wanted = {"summary": True, "ground-track": bool(points), "over-time": bool(points) or None,
                      "sky": sky_in_log(log)[0], "accuracy": None, "events": None}
            for section, want in wanted.items():
                if want is not None and (section in sections) != want:
                    fail(log, f"report: section {section} {'missing' if want else 'without data'}")
            if "sky" in sections and (page["skyMarkers"] > 0) != sky_in_log(log)[1]:
                fail(log, f"report: {page['skyMarkers']} places of satellites in the sky")
            # Distance along each segment, geodesic on WGS84.
            distance = sum(geod.line_length([p[1] for p in seg], [p[0] for p in seg]) for seg in segments
                           if len(seg) > 1)
            if distance > 10:
                compared[0] += 1
                if abs(s["distanceM"] - distance) > 0.001 * distance:
                    fail(log, f"report: distance {s['distanceM']} m, pyproj along the GPX {distance:.3f} m")
            # A log that stands still for a minute or more: its fixes around their mean.
            if len(points) >= 10:
                lat0 = sum(p[0] for p in points) / len(points)
                lon0 = sum(p[1] for p in points) / len(points)
                xy = local_metres(points, lat0, lon0)
                mx, my = sum(x for x, _ in xy) / len(xy), sum(y for _, y in xy) / len(xy)
                radii = sorted(((x - mx) ** 2 + (y - my) ** 2) ** 0.5 for x, y in xy)
                seconds = (iso_ms(points[-1][2]) - iso_ms(points[0][2])) / 1000
                if radii[-1] < 20 and len({p[2][:10] for p in points}) == 1 and seconds >= 60:
                    if "accuracy" not in sections or len(page["circles"]) != 3:
                        fail(log, "report: a stationary log without the accuracy circles")
                    elif s["stationaryFixes"] == len(points):
                        compared[1] += 1
                        cep50 = radii[(len(radii) + 1) // 2 - 1]
                        if abs(s["cep50M"] - cep50) > 0.01:
                            fail(log, f"report: CEP50 {s['cep50M']} m, from the GPX {cep50:.4f} m")
    finally:
        browser.close()
    return compared


def validate(docs, entries):
    """Every GPX and KML track (the KMZs' too) against its schema, a few
    hundred documents to an xmllint run."""
    unpacked = os.path.join(docs, "unpacked")
    os.makedirs(unpacked, exist_ok=True)
    kmls = [e["docs"]["kml"] for e in entries]
    for e in entries:
        target = os.path.join(unpacked, os.path.basename(e["docs"]["kmz"]) + ".kml")
        open(target, "wb").write(zipfile.ZipFile(e["docs"]["kmz"]).read("doc.kml"))
        kmls.append(target)
    batches = [("gpx", [e["docs"]["gpx"] for e in entries]), ("kml", kmls)]
    counted = 0
    for kind, files in batches:
        out = run(["xmllint", "--noout", "--schema", SCHEMAS[kind], *files])
        valid = {line[: -len(" validates")] for line in out.stderr.splitlines() if line.endswith(" validates")}
        counted += len(valid)
        for f in files:
            if f not in valid:
                errors = [line for line in out.stderr.splitlines() if line.startswith(f + ":")][:3]
                fail(f, f"{kind.upper()} schema: {' | '.join(errors) or out.stderr.strip()[:300]}")
    return counted


def guarded(job):
    """A reader on one log in a worker process: its failures, and what it
    counted; a reader that cannot read is a failure, not a crash."""
    reader, item = job
    failures.clear()
    counted = 0
    try:
        counted = READERS[reader](item) or 0
    except Exception as error:
        fail(item["log"] if isinstance(item, dict) else str(item)[:80], f"{reader}: {error!r}")
    return list(failures), counted


READERS = {"gdal": read_gdal, "libkml": read_libkml, "gpsbabel": read_gpsbabel, "strict": read_strictly,
           "placemarks": read_placemarks, "report": read_report}


def main():
    command = sys.argv[1] if len(sys.argv) > 1 else ""
    if command == "convert" and len(sys.argv) == 5:
        convert(*sys.argv[2:])
    elif command in READERS and len(sys.argv) == 3:
        docs = sys.argv[2]
        if command in ("gdal", "libkml", "placemarks"):
            try:
                from osgeo import gdal  # noqa: F401
            except ImportError:
                print(f"{command}: FAILED, GDAL's Python bindings are missing (install python3-gdal)")
                return 1
        if command != "placemarks" and not os.path.exists(os.path.join(docs, "index.json")):
            print(f"{command}: FAILED, no documents in {docs} (convert first)")
            return 1
        if command == "placemarks":
            items = sorted(p[: -len(".opts")] for p in glob.glob(os.path.join(docs, "placemarks", "*.opts")))
            if not items:
                print("placemarks: skipped, no placemark documents of real logs in " + docs)
                return 77
        else:
            items = entries_of(docs)
        if command == "report":  # one browser per core, each with its share of the pages
            items = [items[k::jobs()] for k in range(jobs())]
        counted = 0
        compared = [0, 0]
        with ProcessPoolExecutor(jobs()) as pool:
            for found, n in pool.map(guarded, [(command, item) for item in items]):
                failures.extend(found)
                if command == "report":
                    compared = [a + b for a, b in zip(compared, n or [0, 0])]
                else:
                    counted += n
        if command == "report":
            logs = sum(len(chunk) for chunk in items)
            real = sum(1 for chunk in items for e in chunk if not os.path.basename(e["log"]).startswith("rtk"))
            print(f"report: {logs} reports loaded in Chromium; distance compared on {compared[0]} logs, "
                  f"CEP50 on {compared[1]}")
            if real >= 50 and min(compared) < 3:
                fail("report", f"figures compared on fewer than three real logs: {compared}")
        elif command == "placemarks":
            print(f"placemarks: {len(items)} documents read back with GDAL LIBKML, {counted} features")
        else:
            valid = validate(docs, items) if command == "strict" else 0
            points = sum(e["csv_summary"][0] for e in items)
            print(f"{command}: {len(items)} logs, {points} points read" + (f", {valid} documents valid" if valid else ""))
    else:
        print(__doc__, file=sys.stderr)
        return 2
    for f in failures:
        print("FAIL", f)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
