"""Camera images, segmentation maps and the 8- and 16-bit PNGs Tavrik
writes, read with Pillow, except 16-bit RGB PNGs, which Pillow cuts to 8 bits
and which are decoded here."""
import struct
import zlib

import numpy as np
from PIL import Image


def read_image(path):
    """A camera image (left_TTTT.bmp, right_TTTT.bmp) as uint8 (height, width, 3)
    RGB, top row first."""
    with Image.open(path) as image:
        return np.array(image.convert('RGB'))


def read_grey(path):
    """A grey image (the grey disparity maps and segmentation ids, stored as
    24-bit BMPs of equal red, green and blue; occlusion masks; 16-bit
    disparity PNGs) as (height, width) uint8 or uint16, top row first. An
    image of other colours (a palette segmentation map) comes as
    (height, width, 3) uint8."""
    with Image.open(path) as image:
        if image.mode in ('I;16', 'I;16B', 'I'):
            return np.array(image, dtype=np.uint16)
        pixels = np.array(image if image.mode in ('L', 'RGB') else image.convert('RGB'))
    if pixels.ndim == 3 and (pixels == pixels[..., :1]).all():
        return np.ascontiguousarray(pixels[..., 0])
    return pixels


def read_occlusion(path):
    """An occlusion mask (locc_TTTT.png) as uint8 (height, width): 255 seen by
    both cameras, 128 seen here only (hidden from the other camera or outside
    its view), 0 nothing drawn."""
    return read_grey(path)


def read_kitti_disparity(path):
    """A 16-bit disparity PNG (ldisp_TTTT.png, round(D·256)) as float32
    disparity in pixels, NaN where the file holds 0 (invalid)."""
    samples = read_grey(path).astype(np.float32)
    return np.where(samples > 0, samples / np.float32(256), np.float32(np.nan))


def _unfilter(rows, height, stride, bpp):
    """Undoes the PNG row filters; returns (height, stride) uint8."""
    out = np.zeros((height + 1, stride), np.int32)
    for y in range(height):
        kind, line = rows[y * (stride + 1)], np.frombuffer(rows, np.uint8, stride, y * (stride + 1) + 1).astype(np.int32)
        above = out[y]
        if kind == 0:
            row = line
        elif kind == 1:
            row = np.cumsum(line.reshape(-1, bpp), axis=0).reshape(-1) & 255
        elif kind == 2:
            row = (line + above) & 255
        elif kind in (3, 4):
            row = np.zeros(stride + bpp, np.int32)
            above = np.concatenate([np.zeros(bpp, np.int32), above])
            for i in range(bpp, stride + bpp, bpp):
                a, b, c = row[i - bpp:i], above[i:i + bpp], above[i - bpp:i]
                if kind == 3:
                    predicted = (a + b) >> 1
                else:
                    p = a + b - c
                    pa, pb, pc = np.abs(p - a), np.abs(p - b), np.abs(p - c)
                    predicted = np.where((pa <= pb) & (pa <= pc), a, np.where(pb <= pc, b, c))
                row[i:i + bpp] = (line[i - bpp:i] + predicted) & 255
            row = row[bpp:]
        else:
            raise ValueError('unknown PNG filter %d' % kind)
        out[y + 1] = row
    return out[1:].astype(np.uint8)


def read_png16_rgb(path):
    """A 16-bit RGB PNG without interlacing as uint16 (height, width, 3), top
    row first, the samples as stored."""
    with open(path, 'rb') as f:
        data = f.read()
    if data[:8] != b'\x89PNG\r\n\x1a\n':
        raise ValueError('%s: not a PNG file' % path)
    position, idat = 8, []
    while position < len(data):
        length, kind = struct.unpack('>I4s', data[position:position + 8])
        body = data[position + 8:position + 8 + length]
        if kind == b'IHDR':
            width, height, depth, colour, _, _, interlace = struct.unpack('>IIBBBBB', body)
            if (depth, colour, interlace) != (16, 2, 0):
                raise ValueError('%s: not a 16-bit RGB PNG without interlacing' % path)
        elif kind == b'IDAT':
            idat.append(body)
        position += 12 + length
    rows = zlib.decompress(b''.join(idat))
    raw = _unfilter(rows, height, width * 6, 6)
    return raw.reshape(height, width * 3, 2).view('>u2').reshape(height, width, 3).astype(np.uint16)
