"""A small HTTPS server for tests: tls_server.py CERT KEY.

Listens on 127.0.0.1 with a port of the system's choice, prints the port on
its first line of output, then answers every request until it is killed:
a path that starts with /missing gets 404, every other path 200. Each answer
closes its connection. Handshakes that the client refuses are ignored.
"""

import http.server
import ssl
import sys


class Handler(http.server.BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"

    def do_GET(self):
        code = 404 if self.path.startswith("/missing") else 200
        body = b"missing\n" if code == 404 else b"ok\n"
        self.send_response(code)
        self.send_header("Content-Length", str(len(body)))
        self.send_header("X-Host-Seen", self.headers.get("Host", ""))
        self.send_header("Connection", "close")
        self.end_headers()
        self.wfile.write(body)
        self.close_connection = True

    def log_message(self, *args):
        pass


class Server(http.server.ThreadingHTTPServer):
    daemon_threads = True

    def handle_error(self, request, client_address):
        pass


def main():
    context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
    context.load_cert_chain(sys.argv[1], sys.argv[2])
    server = Server(("127.0.0.1", 0), Handler)
    server.socket = context.wrap_socket(server.socket, server_side=True)
    print(server.server_address[1], flush=True)
    server.serve_forever()


if __name__ == "__main__":
    main()
