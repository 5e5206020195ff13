#!/usr/bin/env python3
"""A small web server on 127.0.0.1 for the download tests.

Serves the files of --pasta, and a few answers the files cannot give:
  /status/<code>    that status (302 and 301 with a Location header), a short body
  /corta/<n>        announces 2n bytes, sends n and drops the connection
  /cabecalhos       the request's header lines as the body
Every request line is appended to --registro. Prints the port, then serves until its
standard input closes.
"""
import argparse
import os
import ssl
import sys
import threading
import urllib.parse
from http.server import BaseHTTPRequestHandler, ThreadingHTTPServer


class Tratador(BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"

    def log_message(self, formato, *args):
        pass

    def responde(self, codigo, corpo, extras=()):
        self.send_response(codigo)
        for nome, valor in extras:
            self.send_header(nome, valor)
        self.send_header("Content-Length", str(len(corpo)))
        self.end_headers()
        self.wfile.write(corpo)

    def do_GET(self):
        with open(self.server.registro, "a", encoding="utf-8") as f:
            f.write(self.requestline + "\n")
        caminho = urllib.parse.unquote(self.path)
        partes = caminho.strip("/").split("/")
        if partes[0] == "status" and len(partes) == 2:
            codigo = int(partes[1])
            extras = [("Location", "/status/200")] if codigo in (301, 302) else []
            self.responde(codigo, b"<html>erro %d</html>" % codigo, extras)
        elif partes[0] == "corta" and len(partes) == 2:
            n = int(partes[1])
            self.send_response(200)
            self.send_header("Content-Length", str(2 * n))
            self.end_headers()
            self.wfile.write(b"x" * n)
            self.wfile.flush()
            self.close_connection = True
            self.connection.shutdown(2)
        elif caminho == "/cabecalhos":
            texto = "".join("%s: %s\n" % (k, v) for k, v in self.headers.items())
            self.responde(200, texto.encode("utf-8"))
        else:
            arquivo = os.path.join(self.server.pasta, caminho.lstrip("/"))
            if os.path.isfile(arquivo):
                with open(arquivo, "rb") as f:
                    self.responde(200, f.read())
            else:
                self.responde(404, b"<html>nao encontrado</html>")


def main():
    p = argparse.ArgumentParser()
    p.add_argument("--pasta", required=True)
    p.add_argument("--registro", required=True)
    p.add_argument("--certificado")
    p.add_argument("--chave")
    a = p.parse_args()
    servidor = ThreadingHTTPServer(("127.0.0.1", 0), Tratador)
    servidor.daemon_threads = True
    servidor.pasta = a.pasta
    servidor.registro = a.registro
    if a.certificado:
        contexto = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
        contexto.load_cert_chain(a.certificado, a.chave)
        servidor.socket = contexto.wrap_socket(servidor.socket, server_side=True)
    threading.Thread(target=servidor.serve_forever, daemon=True).start()
    print(servidor.server_address[1], flush=True)
    sys.stdin.read()  # the test closed its end (or ended): stop


if __name__ == "__main__":
    main()
