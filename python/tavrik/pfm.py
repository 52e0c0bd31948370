"""PFM files: disparity (ldisp_TTTT.pfm), distance (ldepth_TTTT.pfm) and
disparity change (ldispchange_TTTT.pfm), one float32 channel; three-channel
``PF`` files too."""
import numpy as np


def read_pfm(path):
    """The values of a PFM file, top row first (the file stores the bottom row
    first), as float32: shape (height, width) for ``Pf``, (height, width, 3)
    for ``PF``. Known values are the file's float32 bits; the +INF Tavrik
    writes where a pixel is unknown (nothing drawn) reads as NaN."""
    with open(path, 'rb') as f:
        tag = f.readline().rstrip()
        if tag not in (b'Pf', b'PF'):
            raise ValueError('%s: not a PFM file' % path)
        width, height = (int(v) for v in f.readline().split())
        scale = float(f.readline())
        channels = 3 if tag == b'PF' else 1
        data = np.frombuffer(f.read(), dtype='<f4' if scale < 0 else '>f4')
    if data.size != width * height * channels:
        raise ValueError('%s: %d values for %d x %d x %d' % (path, data.size, width, height, channels))
    data = data.astype(np.float32).reshape(height, width, channels)[::-1]
    data[~np.isfinite(data)] = np.nan
    return np.ascontiguousarray(data[..., 0] if channels == 1 else data)
