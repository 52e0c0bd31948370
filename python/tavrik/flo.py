"""Optical flow: .flo files and 16-bit flow PNGs (lflow_TTTT.*, forward to
frame TTTT + 1; lflowback_TTTT.*, backward to frame TTTT − 1). Pixel (x, y)
moves to (x + u, y + v), pixels, y down."""
import numpy as np

from .images import read_png16_rgb

# Tavrik writes 1e10 for unknown flow; readers take anything above 1e9 as unknown.
UNKNOWN_ABOVE = 1e9


def read_flo(path):
    """A .flo file as float32 (height, width, 2) holding u and v, top row first;
    NaN in both components where the flow is unknown. Known values are the
    file's float32 bits."""
    with open(path, 'rb') as f:
        raw = f.read()
    if raw[:4] != b'PIEH':
        raise ValueError('%s: not a .flo file' % path)
    width, height = (int(v) for v in np.frombuffer(raw, '<i4', 2, 4))
    flow = np.frombuffer(raw, '<f4', 2 * width * height, 12).astype(np.float32).reshape(height, width, 2)
    unknown = (np.abs(flow) > UNKNOWN_ABOVE).any(axis=2)
    flow[unknown] = np.nan
    return flow


def read_kitti_flow(path):
    """A 16-bit RGB flow PNG (red u·64 + 2^15, green v·64 + 2^15, blue 1 where
    valid) as float32 (height, width, 2) u, v in pixels, NaN where invalid."""
    samples = read_png16_rgb(path).astype(np.float32)
    flow = (samples[..., :2] - 32768) / 64
    flow[samples[..., 2] == 0] = np.nan
    return flow
