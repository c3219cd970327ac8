"""Headless Chromium (Debian `chromium`) as a reader of HTML pages: one browser
for many pages, driven through the DevTools protocol on a pipe. Each page
gives its console errors, uncaught exceptions, failed resources and requests
that leave the file, and the value of a script evaluated after its load."""
import json
import os
import shutil
import subprocess
import tempfile


class Chromium:
    def __init__(self):
        binary = shutil.which("chromium")
        if not binary:
            raise RuntimeError("chromium is missing (install the Debian package chromium)")
        self.profile = tempfile.mkdtemp(prefix="sentrova-chromium-")
        to_browser_r, self.to_browser = os.pipe()
        self.from_browser, from_browser_w = os.pipe()

        def descriptors():  # the protocol's pipe: commands on 3, answers on 4
            commands, answers = os.dup(to_browser_r), os.dup(from_browser_w)
            os.dup2(commands, 3)
            os.dup2(answers, 4)

        self.process = subprocess.Popen(
            [binary, "--headless", "--no-sandbox", "--disable-gpu", "--no-first-run", "--disable-extensions",
             "--remote-debugging-pipe", f"--user-data-dir={self.profile}", "about:blank"],
            stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
            pass_fds=(3, 4), preexec_fn=descriptors)
        os.close(to_browser_r)
        os.close(from_browser_w)
        self.buffer = b""
        self.next_id = 0
        self.events = []
        target = self.call("Target.createTarget", url="about:blank")["targetId"]
        self.session = self.call("Target.attachToTarget", targetId=target, flatten=True)["sessionId"]
        for domain in ("Page", "Runtime", "Log", "Network"):
            self.call(domain + ".enable", session=self.session)

    def _send(self, message):
        data = json.dumps(message).encode() + b"\0"
        while data:
            data = data[os.write(self.to_browser, data):]

    def _receive(self):
        while b"\0" not in self.buffer:
            chunk = os.read(self.from_browser, 1 << 16)
            if not chunk:
                raise RuntimeError("chromium ended")
            self.buffer += chunk
        message, self.buffer = self.buffer.split(b"\0", 1)
        return json.loads(message)

    def call(self, method, session=None, **params):
        self.next_id += 1
        message = {"id": self.next_id, "method": method, "params": params}
        if session:
            message["sessionId"] = session
        self._send(message)
        while True:
            answer = self._receive()
            if answer.get("id") == self.next_id:
                if "error" in answer:
                    raise RuntimeError(f"{method}: {answer['error']}")
                return answer.get("result", {})
            self.events.append(answer)

    def load(self, path, expression):
        """(problems, value of `expression`) for the page at `path`."""
        url = "file://" + os.path.abspath(path)
        self.events = []
        self.call("Page.navigate", session=self.session, url=url)
        while not any(e.get("method") == "Page.loadEventFired" for e in self.events):
            self.events.append(self._receive())
        value = self.call("Runtime.evaluate", session=self.session, expression=expression,
                          returnByValue=True)["result"].get("value")
        problems = []
        for e in self.events:
            method, p = e.get("method"), e.get("params", {})
            if method == "Runtime.exceptionThrown":
                problems.append("exception: " + p["exceptionDetails"].get("exception", {}).get(
                    "description", p["exceptionDetails"].get("text", "")))
            elif method == "Runtime.consoleAPICalled" and p.get("type") in ("error", "assert", "warning"):
                problems.append(f"console {p['type']}: " + " ".join(str(a.get("value", "")) for a in p["args"]))
            elif method == "Log.entryAdded" and p["entry"]["level"] in ("error", "warning"):
                problems.append(f"{p['entry']['level']}: {p['entry']['text']}")
            elif method == "Network.requestWillBeSent" and p["request"]["url"] not in (url, "data:,"):
                problems.append("request outside the page: " + p["request"]["url"][:100])
        return problems, value

    def close(self):
        try:
            self.call("Browser.close")
        except RuntimeError:
            pass
        self.process.wait(timeout=30)
        os.close(self.to_browser)
        os.close(self.from_browser)
        shutil.rmtree(self.profile, ignore_errors=True)
