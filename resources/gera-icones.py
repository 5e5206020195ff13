#!/usr/bin/env python3
"""Draws the program's icon and the button pictures and writes them as .ico files.

Each picture is a function of (x, y) in a 0..1 square returning RGBA; it is sampled 4x4 per
pixel for smooth edges and stored as 32-bit images with their AND masks."""
import math
import struct
import sys
from pathlib import Path

AZUL = (30, 90, 170)
AZUL_CLARO = (70, 140, 215)
BRANCO = (255, 255, 255)
CINZA = (150, 160, 175)
VERDE = (30, 150, 60)
VERMELHO = (200, 40, 40)


def mistura(fundo, frente, alfa):
    return tuple(f * (1 - alfa) + c * alfa for f, c in zip(fundo, frente))


def dentro_retangulo_arredondado(x, y, x0, y0, x1, y1, r):
    cx = min(max(x, x0 + r), x1 - r)
    cy = min(max(y, y0 + r), y1 - r)
    return (x - cx) ** 2 + (y - cy) ** 2 <= r * r


def perto_segmento(x, y, ax, ay, bx, by, espessura):
    dx, dy = bx - ax, by - ay
    t = max(0.0, min(1.0, ((x - ax) * dx + (y - ay) * dy) / (dx * dx + dy * dy)))
    px, py = ax + t * dx, ay + t * dy
    return (x - px) ** 2 + (y - py) ** 2 <= espessura * espessura


def icone_programa(x, y):
    """A blue tile with a white document and a green tick: the CT-e being followed."""
    if not dentro_retangulo_arredondado(x, y, 0.02, 0.02, 0.98, 0.98, 0.18):
        return None
    cor = mistura(AZUL_CLARO, AZUL, y)
    if 0.24 <= x <= 0.70 and 0.14 <= y <= 0.86 and not (x > 0.58 and y < 0.26 and x - 0.58 > y - 0.14):
        cor = BRANCO
        for linha in (0.34, 0.46, 0.58):
            if 0.32 <= x <= 0.62 and abs(y - linha) < 0.025:
                cor = CINZA
    if perto_segmento(x, y, 0.50, 0.70, 0.62, 0.82, 0.06) or perto_segmento(x, y, 0.62, 0.82, 0.86, 0.52, 0.06):
        cor = VERDE
    return cor + (255,)


def icone_reiniciar(x, y):
    """A green circular arrow."""
    dx, dy = x - 0.5, y - 0.52
    raio = math.hypot(dx, dy)
    angulo = math.degrees(math.atan2(-dy, dx)) % 360
    if 0.26 <= raio <= 0.40 and not (20 <= angulo <= 80):
        return VERDE + (255,)
    # arrow head at the open end of the ring
    ax, ay = 0.5 + 0.33 * math.cos(math.radians(80)), 0.52 - 0.33 * math.sin(math.radians(80))
    if abs(x - ax) + abs(y - ay) < 0.17 and x >= ax - 0.02:
        return VERDE + (255,)
    return None


def icone_zerar(x, y):
    """A red cross."""
    if perto_segmento(x, y, 0.2, 0.2, 0.8, 0.8, 0.09) or perto_segmento(x, y, 0.8, 0.2, 0.2, 0.8, 0.09):
        return VERMELHO + (255,)
    return None


def icone_minimizar(x, y):
    """A blue arrow pointing down to a bar."""
    if 0.15 <= x <= 0.85 and 0.78 <= y <= 0.90:
        return AZUL + (255,)
    if 0.40 <= x <= 0.60 and 0.10 <= y <= 0.45:
        return AZUL + (255,)
    if y >= 0.40 and y <= 0.70 and abs(x - 0.5) <= (0.70 - y) * 1.0:
        return AZUL + (255,)
    return None


def icone_ok(x, y):
    """A green tick."""
    if perto_segmento(x, y, 0.15, 0.55, 0.40, 0.80, 0.09) or perto_segmento(x, y, 0.40, 0.80, 0.88, 0.22, 0.09):
        return VERDE + (255,)
    return None


def rasteriza(desenho, tamanho, amostras=4):
    pixels = []
    for py in range(tamanho):
        linha = []
        for px in range(tamanho):
            soma = [0.0, 0.0, 0.0, 0.0]
            for sy in range(amostras):
                for sx in range(amostras):
                    cor = desenho((px + (sx + 0.5) / amostras) / tamanho,
                                  (py + (sy + 0.5) / amostras) / tamanho)
                    if cor:
                        a = cor[3] / 255.0
                        soma[0] += cor[0] * a
                        soma[1] += cor[1] * a
                        soma[2] += cor[2] * a
                        soma[3] += a
            n = amostras * amostras
            alfa = soma[3] / n
            if alfa > 0:
                r, g, b = (soma[i] / soma[3] for i in range(3))
            else:
                r = g = b = 0
            linha.append((round(r), round(g), round(b), round(alfa * 255)))
        pixels.append(linha)
    return pixels


def imagem_ico(pixels):
    tamanho = len(pixels)
    cabecalho = struct.pack("<IiiHHIIiiII", 40, tamanho, tamanho * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    cores = bytearray()
    for linha in reversed(pixels):  # bottom-up rows
        for r, g, b, a in linha:
            cores += bytes((b, g, r, a))
    largura_mascara = ((tamanho + 31) // 32) * 4
    mascara = bytearray()
    for linha in reversed(pixels):
        bits = bytearray(largura_mascara)
        for x, (_, _, _, a) in enumerate(linha):
            if a == 0:
                bits[x // 8] |= 0x80 >> (x % 8)
        mascara += bits
    return cabecalho + bytes(cores) + bytes(mascara)


def grava_ico(caminho, desenho, tamanhos):
    imagens = [imagem_ico(rasteriza(desenho, t)) for t in tamanhos]
    saida = bytearray(struct.pack("<HHH", 0, 1, len(imagens)))
    deslocamento = 6 + 16 * len(imagens)
    for t, dados in zip(tamanhos, imagens):
        saida += struct.pack("<BBBBHHII", t % 256, t % 256, 0, 0, 1, 32, len(dados), deslocamento)
        deslocamento += len(dados)
    for dados in imagens:
        saida += dados
    Path(caminho).write_bytes(saida)


def main():
    pasta = Path(sys.argv[1]) if len(sys.argv) > 1 else Path(__file__).resolve().parent
    grava_ico(pasta / "MonitorCTe.ico", icone_programa, (16, 32, 48))
    grava_ico(pasta / "reiniciar.ico", icone_reiniciar, (16,))
    grava_ico(pasta / "zerar.ico", icone_zerar, (16,))
    grava_ico(pasta / "minimizar.ico", icone_minimizar, (16,))
    grava_ico(pasta / "ok.ico", icone_ok, (16,))


if __name__ == "__main__":
    main()
