#!/usr/bin/env python3
"""Real readers on the GPX, KML track, KMZ and CSV documents of sentrova-convert.

For every real log and a few generated RTK-style logs (7 and 8 decimals of a
minute, 10 Hz, several constellations, a midnight, a gap and lost fixes):
GDAL reads the GPX (GPX driver), the KML track and the KMZ (LIBKML driver) and
the CSV; gpsbabel reads the GPX back; xmllint checks each XML document. Their
point counts must equal the converter's summary, every coordinate must equal
the value of the log line it came from within 1e-9 degree, and every time the
log line's time to the millisecond.

Usage: check_readers.py CONVERTER REAL_LOG_FOLDER
"""
import json
import os
import re
import subprocess
import sys
import tempfile
import zipfile
from decimal import Decimal
from xml.etree import ElementTree

TOLERANCE = 1e-9
failures = []


def fail(log, message):
    failures.append(f"{os.path.basename(log)}: {message}")


def run(args, **kw):
    return subprocess.run(args, capture_output=True, text=True, errors="replace", **kw)


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
    ms = ((int(t[0:2]) * 60 + int(t[2:4])) * 60 + int(t[4:6])) * 1000
    if len(t) > 7:
        ms += int((t[7:] + "000")[:3])
    return lat, lon, ms


def iso_ms(text):
    """Milliseconds of day of an ISO 8601 or GDAL time text."""
    m = re.search(r"(\d\d):(\d\d):(\d\d)(?:\.(\d+))?", text)
    h, mi, s, frac = m.groups()
    return ((int(h) * 60 + int(mi)) * 60 + int(s)) * 1000 + int(((frac or "") + "000")[:3])


# ---- readers ----

def geojson(path, *extra):
    out = run(["ogr2ogr", "-f", "GeoJSON", "/vsistdout/", path, *extra])
    if out.returncode != 0:
        raise RuntimeError(out.stderr.strip())
    return json.loads(out.stdout)


def points_of(geometry):
    kind, coords = geometry["type"], geometry["coordinates"]
    if kind == "Point":
        return [coords]
    if kind in ("LineString", "MultiPoint"):
        return coords
    if kind == "MultiLineString":
        return [p for part in coords for p in part]
    raise RuntimeError("unexpected geometry " + kind)


def check(log, label, points, reference, times=None):
    """points: (lon, lat) per point in order; reference: the CSV's rows."""
    if len(points) != len(reference):
        fail(log, f"{label}: {len(points)} points, the converter wrote {len(reference)}")
        return
    for i, ((lon, lat), row) in enumerate(zip(points, reference)):
        if abs(lat - row["lat"]) > TOLERANCE or abs(lon - row["lon"]) > TOLERANCE:
            fail(log, f"{label}: point {i} at {lat} {lon}, line {row['line']} says {row['lat']} {row['lon']}")
            return
        if times is not None and iso_ms(times[i]) != row["ms"]:
            fail(log, f"{label}: point {i} at {times[i]}, line {row['line']} says {row['ms']} ms")
            return


def convert(converter, log, folder, fmt, *extra):
    suffix = ".kmz" if "--kmz" in extra else {"gpx": ".gpx", "csv": ".csv", "kml-track": ".kml"}[fmt]
    target = os.path.join(folder, "doc" + suffix)
    out = run([converter, "-f", "--format", fmt, *extra, "-o", target, log])
    m = re.search(r"(\d+) points in", out.stderr)
    if out.returncode != 0 or not m:
        fail(log, f"--format {fmt} {' '.join(extra)}: {out.stderr.strip()}")
        return None, 0
    return target, int(m.group(1))


def check_log(converter, log, folder, extra=(), styled=()):
    """styled: options of the KML track only (--style quality)."""
    lines = log_lines(log)
    csv_path, count = convert(converter, log, folder, "csv", *extra)
    if csv_path is None:
        return 0
    # The CSV through GDAL; each row names its log line.
    rows = geojson(csv_path, "-oo", "X_POSSIBLE_NAMES=longitude", "-oo", "Y_POSSIBLE_NAMES=latitude")["features"]
    reference = []
    for feature in rows:
        line = int(feature["properties"]["line"])
        lat, lon, ms = line_fix(lines[line - 1])
        reference.append({"line": line, "lat": lat, "lon": lon, "ms": ms})
    if len(reference) != count:
        fail(log, f"CSV: GDAL read {len(reference)} rows, the converter wrote {count}")
        return count
    check(log, "CSV (GDAL)", [tuple(f["geometry"]["coordinates"]) for f in rows], reference,
          [f["properties"]["time"] for f in rows])

    gpx, n = convert(converter, log, folder, "gpx", *extra)
    if gpx:
        if run(["xmllint", "--noout", gpx]).returncode != 0:
            fail(log, "GPX: xmllint rejects it")
        features = geojson(gpx, "track_points")["features"] if count else []
        check(log, "GPX (GDAL)", [tuple(f["geometry"]["coordinates"]) for f in features], reference,
              [f["properties"]["time"] for f in features])
        back = run(["gpsbabel", "-i", "gpx", "-f", gpx, "-o", "gpx", "-F", "-"])
        if back.returncode != 0:
            fail(log, "GPX: gpsbabel: " + back.stderr.strip())
        else:
            ns = {"g": "http://www.topografix.com/GPX/1/0"}
            root = ElementTree.fromstring(back.stdout)
            if not root.tag.endswith("gpx"):
                fail(log, "GPX: gpsbabel wrote no GPX")
            ns["g"] = root.tag[1:].split("}")[0]
            pts = root.findall(".//g:trkpt", ns)
            check(log, "GPX (gpsbabel)", [(float(p.get("lon")), float(p.get("lat"))) for p in pts], reference,
                  [p.find("g:time", ns).text for p in pts])

    for kmz in (False, True):
        target, n = convert(converter, log, folder, "kml-track", *extra, *styled, *(["--kmz"] if kmz else []))
        if not target:
            continue
        label = "KMZ" if kmz else "KML track"
        text = zipfile.ZipFile(target).read("doc.kml") if kmz else open(target, "rb").read()
        if run(["xmllint", "--noout", "-"], input=text.decode()).returncode != 0:
            fail(log, label + ": xmllint rejects it")
        if count:
            features = geojson(target, "--config", "GDAL_SKIP", "KML")["features"]
            points = [tuple(p[:2]) for f in features for p in points_of(f["geometry"])]
        else:
            points = []
        root = ElementTree.fromstring(text)
        whens = [w.text for w in root.iter("{http://www.opengis.net/kml/2.2}when")]
        check(log, label + " (LIBKML)", points, reference, whens)
    return count


# ---- generated RTK-style logs ----

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


def main():
    converter, real = sys.argv[1], sys.argv[2]
    with tempfile.TemporaryDirectory() as folder:
        logs = []
        if os.path.isdir(real):
            logs = sorted(os.path.join(real, f) for f in os.listdir(real)
                          if os.path.isfile(os.path.join(real, f)) and not f.endswith((".md", ".json", ".py")))
        generated = []
        for i, (decimals, start, seconds, date) in enumerate([(8, 86400 - 30, 60, (31, 12, 2025)),
                                                              (7, 43200, 120, (8, 6, 2026))]):
            path = os.path.join(folder, f"rtk{i}.nmea")
            rtk_log(path, decimals, start, seconds, date)
            generated.append(path)
        total = 0
        for log in logs:
            total += check_log(converter, log, folder)
        for log in generated:
            n = check_log(converter, log, folder, ("--split-gap", "1"), ("--style", "quality"))
            if n < 500:
                fail(log, f"only {n} points from a generated log")
            total += n
    print(f"{len(logs)} real and {len(generated)} generated logs, {total} points checked by GDAL, gpsbabel, xmllint")
    for f in failures:
        print("FAIL", f)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
