#!/usr/bin/env python3
"""Turns a text picture of 32 x 32 pixels into a Windows .cur or .ico file.

    generar_imagen.py cursor SOURCE.txt OUTPUT.cur
    generar_imagen.py icono  SOURCE.txt OUTPUT.ico

The source holds comment lines starting with "#", blank lines and, for a
cursor, one line "hotspot X Y"; the picture is 32 rows of 32 characters, row 0
at the top. Cursor pixels: "." transparent, "@" black, "O" white, "~" inverts
the screen. Icon pixels: a hexadecimal digit, the index into the standard
16-colour palette, or "." for transparent.

A cursor is one monochrome image (an XOR mask over an AND mask, 1 bit per
pixel); an icon is one 4-bit image with its AND mask as transparency. Both are
written as device-independent bitmaps of double height, rows bottom-up, as the
resource compiler copies them unchanged into the executable.
"""

import struct
import sys

LADO = 32

# Pixel character -> (AND bit, XOR bit). AND 1 keeps the screen, XOR 1 flips it.
MASCARAS_CURSOR = {".": (1, 0), "@": (0, 0), "O": (0, 1), "~": (1, 1)}

# The standard 16-colour palette, as (red, green, blue).
PALETA_16 = [
    (0x00, 0x00, 0x00), (0x80, 0x00, 0x00), (0x00, 0x80, 0x00), (0x80, 0x80, 0x00),
    (0x00, 0x00, 0x80), (0x80, 0x00, 0x80), (0x00, 0x80, 0x80), (0xC0, 0xC0, 0xC0),
    (0x80, 0x80, 0x80), (0xFF, 0x00, 0x00), (0x00, 0xFF, 0x00), (0xFF, 0xFF, 0x00),
    (0x00, 0x00, 0xFF), (0xFF, 0x00, 0xFF), (0x00, 0xFF, 0xFF), (0xFF, 0xFF, 0xFF),
]


class ErrorFuente(Exception):
    pass


def leer_fuente(ruta, validos):
    """Returns (rows, hotspot or None) of a source file, refusing anything malformed."""
    filas, punto = [], None
    with open(ruta, encoding="ascii") as f:
        for numero, linea in enumerate(f, 1):
            linea = linea.rstrip("\r\n")
            if not linea.strip() or linea.startswith("#"):
                continue
            if linea.startswith("hotspot"):
                partes = linea.split()
                if len(partes) != 3 or punto is not None:
                    raise ErrorFuente(f"{ruta}:{numero}: expected one 'hotspot X Y'")
                punto = (int(partes[1]), int(partes[2]))
                if not all(0 <= v < LADO for v in punto):
                    raise ErrorFuente(f"{ruta}:{numero}: hot spot outside the picture")
                continue
            if len(linea) != LADO or any(c not in validos for c in linea):
                raise ErrorFuente(f"{ruta}:{numero}: a row must be {LADO} of {''.join(sorted(validos))}")
            filas.append(linea)
    if len(filas) != LADO:
        raise ErrorFuente(f"{ruta}: {len(filas)} rows, expected {LADO}")
    return filas, punto


def bits_1bpp(filas, bit):
    """Packs one bit per pixel, rows bottom-up, leftmost pixel in the high bit;
    32-pixel rows are already a whole number of 32-bit words."""
    datos = bytearray()
    for fila in reversed(filas):
        valor = 0
        for c in fila:
            valor = (valor << 1) | bit(c)
        datos += valor.to_bytes(LADO // 8, "big")
    return bytes(datos)


def cabecera_dib(bits_por_pixel, tam_imagen, colores):
    # BITMAPINFOHEADER; the height counts the XOR and the AND mask together.
    return struct.pack("<IiiHHIIiiII", 40, LADO, 2 * LADO, 1, bits_por_pixel, 0,
                       tam_imagen, 0, 0, colores, 0)


def archivo(tipo, entrada_campos, imagen):
    # ICONDIR of one image, its directory entry, then the image at offset 22.
    cabecera = struct.pack("<HHH", 0, tipo, 1)
    entrada = struct.pack("<BBBBHHII", *entrada_campos, len(imagen), 6 + 16)
    return cabecera + entrada + imagen


def hacer_cursor(filas, punto):
    if punto is None:
        raise ErrorFuente("a cursor needs a 'hotspot X Y' line")
    xor = bits_1bpp(filas, lambda c: MASCARAS_CURSOR[c][1])
    and_ = bits_1bpp(filas, lambda c: MASCARAS_CURSOR[c][0])
    paleta = bytes([0, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0])  # black, white (RGBQUAD)
    imagen = cabecera_dib(1, len(xor) + len(and_), 2) + paleta + xor + and_
    # In a .cur entry the planes and bit-count fields hold the hot spot.
    return archivo(2, (LADO, LADO, 2, 0, punto[0], punto[1]), imagen)


def hacer_icono(filas):
    xor = bytearray()
    for fila in reversed(filas):
        indices = [0 if c == "." else int(c, 16) for c in fila]
        for i in range(0, LADO, 2):
            xor.append(indices[i] << 4 | indices[i + 1])
    and_ = bits_1bpp(filas, lambda c: 1 if c == "." else 0)
    paleta = b"".join(bytes([b, g, r, 0]) for r, g, b in PALETA_16)
    imagen = cabecera_dib(4, len(xor) + len(and_), 16) + paleta + bytes(xor) + and_
    return archivo(1, (LADO, LADO, 16, 0, 1, 4), imagen)


def main(argv):
    if len(argv) != 4 or argv[1] not in ("cursor", "icono"):
        print("usage: generar_imagen.py cursor|icono SOURCE.txt OUTPUT", file=sys.stderr)
        return 2
    clase, fuente, salida = argv[1:]
    try:
        if clase == "cursor":
            filas, punto = leer_fuente(fuente, set(MASCARAS_CURSOR))
            datos = hacer_cursor(filas, punto)
        else:
            filas, punto = leer_fuente(fuente, set(".0123456789ABCDEF"))
            if punto is not None:
                raise ErrorFuente(f"{fuente}: an icon has no hot spot")
            datos = hacer_icono(filas)
    except ErrorFuente as e:
        print(f"generar_imagen: {e}", file=sys.stderr)
        return 1
    with open(salida, "wb") as f:
        f.write(datos)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
