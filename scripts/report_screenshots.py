#!/usr/bin/env python3
"""Renders reports to PNG with headless Chromium, for the README.

  report_screenshots.py CONVERTER OUT_FOLDER LOG:SECTIONS:NAME ...

Each LOG becomes a report, then a picture of the page from the top of its
first listed section to the bottom of its last one (ids, "+"-separated), as
OUT_FOLDER/NAME.png. A LOG that is missing is skipped with a note."""
import base64
import json
import os
import subprocess
import sys
import tempfile

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests", "readers"))
import chromium  # noqa: E402

BOX = """(() => {{ const ids = {ids!r}; const first = document.getElementById(ids[0]),
  last = document.getElementById(ids[ids.length - 1]);
  if (!first || !last) return null;
  const a = first.getBoundingClientRect(), b = last.getBoundingClientRect();
  return JSON.stringify([a.top + scrollY, b.bottom + scrollY]); }})()"""


def main():
    if len(sys.argv) < 4:
        print(__doc__, file=sys.stderr)
        return 2
    converter, out = sys.argv[1], sys.argv[2]
    os.makedirs(out, exist_ok=True)
    browser = chromium.Chromium()
    try:
        browser.call("Emulation.setDeviceMetricsOverride", session=browser.session, width=1040, height=900,
                     deviceScaleFactor=1, mobile=False)
        with tempfile.TemporaryDirectory() as scratch:
            for entry in sys.argv[3:]:
                log, sections, name = entry.rsplit(":", 2)
                if not os.path.exists(log):
                    print(f"{log}: not there, no {name}.png")
                    continue
                page = os.path.join(scratch, name + ".html")
                subprocess.run([converter, "-q", "-f", "--format", "report", "-o", page, log], check=True)
                problems, box = browser.load(page, BOX.format(ids=sections.split("+")))
                if problems:
                    raise RuntimeError(f"{name}: {problems[:3]}")
                if box is None:
                    raise RuntimeError(f"{name}: the report of {log} has no section {sections}")
                top, bottom = json.loads(box)
                shot = browser.call("Page.captureScreenshot", session=browser.session, format="png",
                                    captureBeyondViewport=True,
                                    clip={"x": 0, "y": max(top - 8, 0), "width": 1040, "height": bottom - top + 16,
                                          "scale": 1})
                target = os.path.join(out, name + ".png")
                open(target, "wb").write(base64.b64decode(shot["data"]))
                print(f"{target}: {os.path.basename(log)}, {sections}")
    finally:
        browser.close()
    return 0


if __name__ == "__main__":
    sys.exit(main())
