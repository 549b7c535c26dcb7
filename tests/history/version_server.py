"""A loopback HTTP server for the update-check tests: serves the files of a folder; cut.xml is
announced with its full length but only half of it is sent before the connection closes."""
import http.server
import os
import sys

ROOT, PORT_FILE = sys.argv[1], sys.argv[2]


class Handler(http.server.BaseHTTPRequestHandler):
    def do_GET(self):
        name = os.path.basename(self.path.split("?")[0])
        path = os.path.join(ROOT, name)
        if not name or not os.path.isfile(path):
            self.send_error(404)
            return
        with open(path, "rb") as f:
            body = f.read()
        self.send_response(200)
        self.send_header("Content-Type", "text/xml")
        self.send_header("Content-Length", str(len(body)))
        self.send_header("Connection", "close")
        self.end_headers()
        if name == "cut.xml":
            body = body[: len(body) // 2]
        self.wfile.write(body)
        self.wfile.flush()
        self.close_connection = True

    def log_message(self, *args):
        pass


server = http.server.HTTPServer(("127.0.0.1", 0), Handler)
with open(PORT_FILE + ".tmp", "w") as f:
    f.write(str(server.server_address[1]))
os.replace(PORT_FILE + ".tmp", PORT_FILE)
server.serve_forever()
