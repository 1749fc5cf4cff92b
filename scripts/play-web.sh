#!/bin/bash
# Plays Tessarine 3D in a browser: builds the site when anything changed
# (scripts/package-web.sh, whose output goes to build-web/play.log, shown
# only when it fails), serves build-web/site/ on http://127.0.0.1:8080/ (the
# variable PORT changes the port) and prints the address to open. Ctrl+C
# stops the server.
set -euo pipefail
cd "$(dirname "$0")/.."
port=${PORT:-8080}
mkdir -p build-web
log=build-web/play.log
echo "Building the site (the first time takes about five minutes)"
if ! scripts/package-web.sh >"$log" 2>&1; then
  cat "$log" >&2
  echo "play-web.sh: building the site failed; the full output is above and in $log" >&2
  exit 1
fi
exec python3 - "$port" build-web/site <<'SERVER'
import functools, http.server, sys

class Handler(http.server.SimpleHTTPRequestHandler):
    # The browser compiles WebAssembly as it arrives only when it comes with its own type.
    extensions_map = {**http.server.SimpleHTTPRequestHandler.extensions_map,
                      ".wasm": "application/wasm", ".js": "text/javascript", ".data": "application/octet-stream"}

    def log_message(self, *args):
        pass

port, directory = int(sys.argv[1]), sys.argv[2]
server = http.server.ThreadingHTTPServer(("127.0.0.1", port), functools.partial(Handler, directory=directory))
print(f"Tessarine 3D is at http://127.0.0.1:{port}/ (Ctrl+C stops the server)", flush=True)
try:
    server.serve_forever()
except KeyboardInterrupt:
    pass
SERVER
