#!/usr/bin/env python3
"""A fake MusicBrainz server for the lookup's tests: answers disc ID lookups by scenario.

    python3 tools/mbfake/mbfake.py [--port 0] [--lifetime 600] [--events FILE]

Binds 127.0.0.1 (port 0: a free one) and prints the port as the first line of stdout. The
first segment of the path names the scenario (README.md lists them), so a test sets
[Lookup] Server=http://127.0.0.1:PORT/SCENARIO. It ends by itself after --lifetime seconds.
"""
import argparse
import base64
import hashlib
import http.server
import json
import re
import sys
import threading

ID_PATTERN = re.compile(r"^[A-Za-z0-9._-]{28}$")
TOC_PATTERN = re.compile(r"^[0-9]+(\+[0-9]+)+$")
HANG_SECONDS = 60
HUGE_BYTES = 2 * 1024 * 1024

events_lock = threading.Lock()
busy_once_seen = set()


def disc_id(numbers):
    """MusicBrainz's disc ID of a toc: first, last, lead-out, offsets."""
    first, last, lead_out, offsets = numbers[0], numbers[1], numbers[2], numbers[3:]
    text = "%02X%02X%08X" % (first, last, lead_out)
    text += "".join("%08X" % (offsets[i] if i < len(offsets) else 0) for i in range(99))
    digest = base64.b64encode(hashlib.sha1(text.encode("ascii")).digest()).decode("ascii")
    return digest.replace("+", ".").replace("/", "_").replace("=", "-")


def tracks(count, title):
    return [{"position": n, "number": str(n), "title": title(n), "length": 180000,
             "recording": {"id": "rec-%d" % n, "title": title(n)}} for n in range(1, count + 1)]


def medium(position, count, ids, title):
    return {"position": position, "format": "CD", "track-count": count,
            "discs": [{"id": i, "sectors": 0} for i in ids], "tracks": tracks(count, title)}


def credit(*parts):
    return [{"name": name, "joinphrase": join, "artist": {"id": "artist-%d" % n, "name": name}}
            for n, (name, join) in enumerate(parts)]


def answer(scenario, discid, count):
    other = "0" * 27 + "-"
    if scenario in ("one", "busy-once"):
        # The disc is the release's second medium; the first has as many tracks but is another disc.
        return {"id": discid, "releases": [{
            "id": "release-1", "title": "空の色", "date": "2003-05-21", "country": "JP",
            "artist-credit": credit(("Aoi Sora", " feat. "), ("雨音ミク", "")),
            "media": [medium(1, count, [other], lambda n: "Other %d" % n),
                      medium(2, count, [discid], lambda n: "雨上がり %d" % n if n % 2 else "Track %d" % n)]}]}
    # two: the second release matched by its track count only, its texts sent escaped.
    return {"release-count": 2, "release-offset": 0, "releases": [
        {"id": "release-1", "title": "Blue Hour", "date": "2010", "country": None,
         "artist-credit": credit(("Kumo", " & "), ("Hoshi", "")),
         "media": [medium(1, count, [discid], lambda n: "Hour %d" % n)]},
        {"id": "release-2", "title": "Blue Hour (夜)", "date": "", "country": "GB",
         "artist-credit": credit(("Kumo", "")),
         "media": [medium(1, count + 1, [other], lambda n: "Longer %d" % n),
                   medium(2, count, [], lambda n: "夜 %d \U0001F319" % n)]}]}


class Handler(http.server.BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"
    events = None

    def log_message(self, *args):
        pass

    def note(self, text):
        if Handler.events:
            with events_lock, open(Handler.events, "a", encoding="utf-8") as f:
                f.write(text + "\n")

    def send(self, status, body, content_type="application/json; charset=utf-8"):
        data = body if isinstance(body, bytes) else body.encode("utf-8")
        self.send_response(status)
        self.send_header("Content-Type", content_type)
        self.send_header("Content-Length", str(len(data)))
        self.end_headers()
        try:
            self.wfile.write(data)
        except OSError:
            pass  # the client gave up, as it should on a huge answer

    def refuse(self, why):
        self.note("400 " + why)
        self.send(400, json.dumps({"error": why}))

    def do_GET(self):
        path, _, query = self.path.partition("?")
        parts = path.split("/")
        # "", SCENARIO, "ws", "2", "discid", ID
        if len(parts) != 6 or parts[2:5] != ["ws", "2", "discid"]:
            return self.refuse("path " + path)
        scenario, discid = parts[1], parts[5]
        params = dict(p.partition("=")[::2] for p in query.split("&"))
        agent = self.headers.get("User-Agent", "")
        if not ID_PATTERN.match(discid):
            return self.refuse("disc ID " + discid)
        if set(params) != {"toc", "inc", "fmt"} or params["inc"] != "artist-credits+recordings" \
                or params["fmt"] != "json" or not TOC_PATTERN.match(params["toc"]):
            return self.refuse("query " + query)
        if not agent.startswith("veltoCD/"):
            return self.refuse("User-Agent " + agent)
        numbers = [int(n) for n in params["toc"].split("+")]
        count = numbers[1] - numbers[0] + 1
        if len(numbers) != 3 + count or disc_id(numbers) != discid:
            return self.refuse("toc %s for %s" % (params["toc"], discid))
        self.note(scenario + " " + discid)

        if scenario == "notfound":
            return self.send(404, json.dumps({"error": "Not found"}))
        if scenario == "busy" or (scenario == "busy-once" and discid not in busy_once_seen):
            busy_once_seen.add(discid)
            return self.send(503, json.dumps({"error": "busy"}))
        busy_once_seen.discard(discid)
        if scenario == "hang":
            self.connection.settimeout(HANG_SECONDS)
            try:
                self.connection.recv(1)  # until the client gives up
            except OSError:
                pass
            self.close_connection = True
            return None
        if scenario == "garbage":
            return self.send(200, "<html>This is not JSON</html>", "text/html")
        if scenario == "huge":
            # A good answer but for its size: only the limit refuses it.
            body = answer("one", discid, count)
            body["padding"] = "x" * HUGE_BYTES
            return self.send(200, json.dumps(body))
        if scenario in ("one", "two", "busy-once"):
            return self.send(200, json.dumps(answer(scenario, discid, count), ensure_ascii=scenario != "one"))
        return self.refuse("scenario " + scenario)


class Server(http.server.ThreadingHTTPServer):
    daemon_threads = True

    def handle_error(self, request, client_address):
        pass  # a client that closes a kept-alive connection, or gives up on a huge answer


def main():
    ap = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    ap.add_argument("--port", type=int, default=0)
    ap.add_argument("--lifetime", type=float, default=600, help="seconds until it ends by itself")
    ap.add_argument("--events", help="a file to which each request's scenario or refusal is appended")
    args = ap.parse_args()
    Handler.events = args.events
    server = Server(("127.0.0.1", args.port), Handler)
    print(server.server_address[1], flush=True)
    timer = threading.Timer(args.lifetime, server.shutdown)
    timer.daemon = True
    timer.start()
    try:
        server.serve_forever()
    finally:
        server.server_close()


if __name__ == "__main__":
    sys.exit(main())
