"""The text files of a sequence folder: the disparity text, the calibrations,
the poses and the manifest."""
import json
from dataclasses import dataclass

import numpy as np


def read_dat(path):
    """A disparity text (lbindisp_TTTT.dat: the width, the height, then one
    value per pixel, top row first, each line ending in CR LF) as float64
    (height, width) disparity in pixels. Every value is the double the text
    names (18 significant digits), so float32 of it is the PFM's value."""
    with open(path, 'rb') as f:
        lines = f.read().split(b'\r\n')
    width, height = int(lines[0]), int(lines[1])
    values = np.array([float(v) for v in lines[2:2 + width * height]], np.float64)
    if values.size != width * height:
        raise ValueError('%s: %d values for %d x %d' % (path, values.size, width, height))
    return values.reshape(height, width)


@dataclass
class Calibration:
    """The pinhole model of calib.txt, x right, y down, z forward: a point
    (X, Y, Z) of the left camera lands at pixel (fx·X/Z + cx, fy·Y/Z + cy),
    pixel (0, 0) the centre of the top-left pixel. The right camera stands
    `baseline` scene units along the left camera's +x axis; `ndisp` bounds
    every disparity (whole pixels)."""
    fx: float
    fy: float
    cx: float
    cy: float
    baseline: float
    width: int
    height: int
    ndisp: int
    doffs: float = 0.0

    @property
    def matrix(self):
        """The 3 × 3 camera matrix K."""
        return np.array([[self.fx, 0.0, self.cx], [0.0, self.fy, self.cy], [0.0, 0.0, 1.0]])


def read_calib(path):
    """calib.txt (cam0=[fx 0 cx; 0 fy cy; 0 0 1], cam1, doffs, baseline,
    width, height, ndisp) as a Calibration."""
    with open(path) as f:
        entries = dict(line.split('=', 1) for line in f.read().splitlines() if '=' in line)
    cam0 = [float(v) for v in entries['cam0'].strip('[]').replace(';', ' ').split()]
    return Calibration(fx=cam0[0], fy=cam0[4], cx=cam0[2], cy=cam0[5], baseline=float(entries['baseline']),
                       width=int(entries['width']), height=int(entries['height']), ndisp=int(entries['ndisp']),
                       doffs=float(entries['doffs']))


def read_kitti_calib(path):
    """calib_kitti.txt as {'P0': 3 × 4, 'P1': 3 × 4} projection matrices."""
    with open(path) as f:
        entries = [line.split(':', 1) for line in f.read().splitlines() if ':' in line]
    return {name: np.array([float(v) for v in values.split()]).reshape(3, 4) for name, values in entries}


def read_kitti_poses(path):
    """poses.txt as float64 (frames, 3, 4): [R | t] takes a point from frame
    t's left camera into frame 0's (x right, y down, z forward)."""
    return np.loadtxt(path, ndmin=2).reshape(-1, 3, 4)


def read_tum_poses(path):
    """poses_tum.txt as float64 (frames, 8): index, tx, ty, tz, qx, qy, qz, qw."""
    return np.loadtxt(path, ndmin=2)


def read_scene_text(path):
    """scene.txt, the scene text of the run, as a list of its lines."""
    with open(path, encoding='utf-8') as f:
        return f.read().splitlines()


def read_manifest(path):
    """tavrik.json as a dict: program, version, settings, formats,
    calibration, frames and per camera ('left', 'right') the files it wrote."""
    with open(path) as f:
        return json.load(f)
