"""Checks a sequence folder written with --formats all, reading every file
with readers that share no code with Tavrik: Pillow and pypng for the PNGs,
numpy and the file layouts for PFM and .flo.

    check_formats.py readers|occlusion|analytic FOLDER
"""
import json
import math
import os
import sys

import numpy as np
import png
from PIL import Image

failures = []


def expect(ok, message):
    if not ok:
        failures.append(message)


def read_pfm(path):
    with open(path, 'rb') as f:
        assert f.readline() == b'Pf\n', path
        width, height = map(int, f.readline().split())
        scale = float(f.readline())
        data = np.frombuffer(f.read(), dtype='<f4' if scale < 0 else '>f4')
    assert data.size == width * height, path
    return data.reshape(height, width)[::-1]  # stored bottom row first


def read_flo(path):
    raw = open(path, 'rb').read()
    assert raw[:4] == b'PIEH', path
    width, height = np.frombuffer(raw[4:12], '<i4')
    flow = np.frombuffer(raw[12:], '<f4').reshape(height, width, 2)
    known = (np.abs(flow[..., 0]) <= 1e9) & (np.abs(flow[..., 1]) <= 1e9)
    return flow, known


def read_kitti_flow(path):
    width, height, rows, info = png.Reader(filename=path).read()
    assert info['bitdepth'] == 16 and info['planes'] == 3, path
    samples = np.array([np.frombuffer(np.array(row, np.uint16).tobytes(), np.uint16) for row in rows])
    samples = samples.reshape(height, width, 3).astype(np.float64)
    return (samples[..., 0] - 32768) / 64, (samples[..., 1] - 32768) / 64, samples[..., 2] == 1


def read_dat(path):
    values = open(path, 'rb').read().split(b'\r\n')
    width, height = int(values[0]), int(values[1])
    return np.array([float(v) for v in values[2:2 + width * height]]).reshape(height, width)


def read_calib(folder):
    entries = dict(line.split('=', 1) for line in open(os.path.join(folder, 'calib.txt')).read().splitlines())
    cam0 = [float(v) for v in entries['cam0'].strip('[]').replace(';', ' ').split()]
    fx, cx, fy, cy = cam0[0], cam0[2], cam0[4], cam0[5]
    return fx, fy, cx, cy, float(entries['baseline'])


def bilinear(image, x, y):
    h, w = image.shape
    x = np.clip(x, 0, w - 1)
    y = np.clip(y, 0, h - 1)
    x0 = np.minimum(np.floor(x).astype(int), w - 2)
    y0 = np.minimum(np.floor(y).astype(int), h - 2)
    fx, fy = x - x0, y - y0
    top = (1 - fx) * image[y0, x0] + fx * image[y0, x0 + 1]
    bottom = (1 - fx) * image[y0 + 1, x0] + fx * image[y0 + 1, x0 + 1]
    return (1 - fy) * top + fy * bottom


def grey(path):
    return np.array(Image.open(path).convert('L'), np.float64)


def frames_of(folder, prefix):
    return sorted(int(n[len(prefix):len(prefix) + 4]) for n in os.listdir(folder)
                  if n.startswith(prefix) and n.endswith('.pfm'))


def check_readers(folder):
    """Every per-frame file against the disparity text, and the run files."""
    fx, _, _, _, baseline = read_calib(folder)
    manifest = json.load(open(os.path.join(folder, 'tavrik.json')))
    listed = {name for camera in manifest['cameras'].values() for name in camera['files']}
    expect(listed == set(os.listdir(folder)),
           'manifest and folder differ in %s' % sorted(listed ^ set(os.listdir(folder))))
    for camera, l, prefix in (('left', 'l', 'lbindisp_'), ('right', '', 'bindisp_')):
        if camera not in manifest['cameras']:
            continue
        frames = sorted(int(n[len(prefix):len(prefix) + 4]) for n in os.listdir(folder) if n.startswith(prefix))
        expect(len(frames) == manifest['frames'], 'frame count of %s' % prefix)
        for t in frames:
            tag = '%04d' % t
            dat = read_dat(os.path.join(folder, prefix + tag + '.dat'))
            disparity = read_pfm(os.path.join(folder, l + 'disp_' + tag + '.pfm'))
            depth = read_pfm(os.path.join(folder, l + 'depth_' + tag + '.pfm'))
            drawn = np.isfinite(depth)
            expect(np.array_equal(np.isfinite(disparity), drawn), tag + ': PFM disparity and depth drawn apart')
            expect(np.array_equal(disparity[drawn], dat[drawn].astype(np.float32)), tag + ': PFM differs from .dat')
            # The projection's focal length is the nominal one but for the
            # 3.1415 taken as pi in its field of view: 3e-5 relative.
            expect(np.allclose(fx * baseline / depth[drawn], dat[drawn], rtol=1e-4, atol=0),
                   tag + ': f*B/Z from calib.txt and depth does not give the disparity')
            kitti = np.array(Image.open(os.path.join(folder, l + 'disp_' + tag + '.png')), np.int64)
            valid = drawn & (dat > 0) & (dat <= 255.99)
            expect(np.array_equal(kitti[valid], np.round(dat[valid] * 256)) and not kitti[~valid].any(),
                   tag + ': KITTI disparity is not round(256 D)')
            occlusion = np.array(Image.open(os.path.join(folder, l + 'occ_' + tag + '.png')))
            expect(set(np.unique(occlusion)) <= {0, 128, 255} and np.array_equal(occlusion == 0, ~drawn),
                   tag + ': occlusion mask values')
            if t + 1 in frames:
                flow, known = read_flo(os.path.join(folder, l + 'flow_' + tag + '.flo'))
                u, v, valid = read_kitti_flow(os.path.join(folder, l + 'flow_' + tag + '.png'))
                expect(np.array_equal(known, valid) and not (known & ~drawn).any(), tag + ': flow validity')
                expect(np.abs(u - flow[..., 0])[valid].max(initial=0) <= 1 / 128 + 1e-6
                       and np.abs(v - flow[..., 1])[valid].max(initial=0) <= 1 / 128 + 1e-6,
                       tag + ': KITTI flow is not the .flo flow in 1/64 steps')
                back, back_known = read_flo(os.path.join(folder, l + 'flowback_%04d.flo' % (t + 1)))
                change = read_pfm(os.path.join(folder, l + 'dispchange_' + tag + '.pfm'))
                expect(not (back_known & ~np.isfinite(read_pfm(os.path.join(folder, l + 'depth_%04d.pfm' % (t + 1)))))
                       .any() and back_known.any(), tag + ': backward flow validity')
                expect(not (np.isfinite(change) & ~drawn).any() and np.isfinite(change).any(),
                       tag + ': disparity change known outside what was drawn')
            else:
                expect(not os.path.exists(os.path.join(folder, l + 'flow_' + tag + '.flo'))
                       and not os.path.exists(os.path.join(folder, l + 'dispchange_' + tag + '.pfm')),
                       'flow or disparity change of the last frame')
        expect(not os.path.exists(os.path.join(folder, l + 'flowback_%04d.flo' % frames[0])),
               'backward flow of the first frame')
    poses = np.loadtxt(os.path.join(folder, 'poses.txt'))
    expect(poses.shape == (manifest['frames'], 12), 'poses.txt shape')


def check_occlusion(folder):
    """Both cameras' masks against a left-right consistency check of the PFMs."""
    for t in frames_of(folder, 'ldisp_'):
        tag = '%04d' % t
        left = read_pfm(os.path.join(folder, 'ldisp_' + tag + '.pfm')).astype(np.float64)
        right = read_pfm(os.path.join(folder, 'disp_' + tag + '.pfm')).astype(np.float64)
        # A point at disparity D in the left image is D pixels further left in the right one.
        for name, this, other, sign in (('locc_', left, right, -1), ('occ_', right, left, 1)):
            mask = np.array(Image.open(os.path.join(folder, name + tag + '.png')))
            h, w = this.shape
            drawn = np.isfinite(this)
            x = np.arange(w)[None, :] + sign * np.where(drawn, this, 0)  # where the other camera sees it
            inside = (x >= -0.5) & (x < w - 0.5)
            rows = np.repeat(np.arange(h)[:, None], w, 1)
            seen = np.full(this.shape, np.inf)
            seen[inside] = other[rows[inside], np.clip(np.round(x[inside]).astype(int), 0, w - 1)]
            consistent = drawn & inside & (np.abs(seen - this) < 1)
            expected = np.where(drawn, np.where(consistent, 255, 128), 0)
            agreement = (expected == mask).mean()
            expect(agreement >= 0.98, '%s%s: occlusion agrees with left-right consistency at %.4f'
                   % (name, tag, agreement))
            expect((mask == 128).mean() > 0.01, name + tag + ': no occlusion in a scene that has some')


def check_analytic(folder):
    """Quad at Z = 5 below the top rows, a roll of 10 degrees, then T = (0, 0, 1)."""
    fx, fy, cx, cy, baseline = read_calib(folder)
    disparity = read_pfm(os.path.join(folder, 'ldisp_0000.pfm'))
    drawn = np.isfinite(disparity)
    expect(0.5 < drawn.mean() < 0.95, 'the quad does not leave the top rows empty')
    expect(np.allclose(disparity[drawn], 0.12 * 389 / 5, rtol=1e-6), 'D = f B / Z on the quad')
    kitti = np.array(Image.open(os.path.join(folder, 'ldisp_0000.png')), np.int64)
    expect(set(np.unique(kitti[drawn])) == {2390} and not kitti[~drawn].any(), 'KITTI disparity 2390 and 0')

    flow, known = read_flo(os.path.join(folder, 'lflow_0001.flo'))
    h, w = known.shape
    x = np.arange(w)[None, :] - cx
    y = np.arange(h)[:, None] - cy
    # Moving 1 toward a plane at distance 5 scales the image about the
    # principal point by 5 / 4: the flow is (x - cx) / 4.
    expect(known.mean() > 0.3, 'flow mostly known')
    expect(np.abs(flow[..., 0] - np.broadcast_to(x / 4, known.shape))[known].max() <= 0.01
           and np.abs(flow[..., 1] - np.broadcast_to(y / 4, known.shape))[known].max() <= 0.01,
           'forward flow differs from the analytic one by more than 0.01 px')
    for t in (0, 1):
        flow, known = read_flo(os.path.join(folder, 'lflow_%04d.flo' % t))
        this, following = (grey(os.path.join(folder, 'left_%04d.bmp' % k)) for k in (t, t + 1))
        xs, ys = np.meshgrid(np.arange(w), np.arange(h))
        warped = bilinear(following, xs + flow[..., 0], ys + flow[..., 1])
        share = (np.abs(warped - this)[known] <= 1).mean()
        expect(share >= 0.95, 'frame %d warped back from %d matches at %.4f only' % (t, t + 1, share))
        back, back_known = read_flo(os.path.join(folder, 'lflowback_%04d.flo' % (t + 1)))
        warped = bilinear(this, xs + back[..., 0], ys + back[..., 1])
        share = (np.abs(warped - following)[back_known] <= 1).mean()
        expect(back_known.mean() > 0.3 and share >= 0.95,
               'frame %d warped from %d by backward flow matches at %.4f only' % (t + 1, t, share))
        # Forward then backward flow, the latter interpolated where its four
        # samples around the landing point are known, return to the start.
        land_x, land_y = xs + flow[..., 0], ys + flow[..., 1]
        inside = known & (land_x >= 0) & (land_x <= w - 1) & (land_y >= 0) & (land_y <= h - 1)
        x0 = np.clip(np.floor(land_x).astype(int), 0, w - 2)
        y0 = np.clip(np.floor(land_y).astype(int), 0, h - 2)
        around = back_known[y0, x0] & back_known[y0, x0 + 1] & back_known[y0 + 1, x0] & back_known[y0 + 1, x0 + 1]
        both = inside & around
        return_x = land_x + bilinear(np.where(back_known, back[..., 0], 0), land_x, land_y) - xs
        return_y = land_y + bilinear(np.where(back_known, back[..., 1], 0), land_x, land_y) - ys
        expect(both.mean() > 0.3 and np.abs(return_x[both]).max() <= 0.01 and np.abs(return_y[both]).max() <= 0.01,
               'frame %d: forward then backward flow does not return within 0.01 px' % t)

    # The step of 1 toward the quad at Z = 5: every point then lies at Z' = 4,
    # hidden or not; the roll keeps every distance. Depth quantisation of the
    # 24-bit buffer moves a disparity by less than 1e-4 px here.
    for t, expected in ((0, 0.0), (1, 0.12 * 389 / 4 - 0.12 * 389 / 5)):
        drawn = np.isfinite(read_pfm(os.path.join(folder, 'ldisp_%04d.pfm' % t)))
        change = read_pfm(os.path.join(folder, 'ldispchange_%04d.pfm' % t))
        expect(np.array_equal(np.isfinite(change), drawn) and np.abs(change[drawn] - expected).max() <= 1e-3,
               'frame %d: disparity change differs from f B / Z\' - f B / Z' % t)

    poses = np.loadtxt(os.path.join(folder, 'poses.txt')).reshape(-1, 3, 4)
    c, s = math.cos(math.radians(10)), math.sin(math.radians(10))
    # The scene turns counter-clockwise in the image, so the camera rolls
    # the other way: about its forward axis, x towards y.
    roll = np.array([[c, -s, 0], [s, c, 0], [0, 0, 1]])
    expect(np.allclose(poses[0], np.eye(3, 4), atol=1e-12), 'first pose is the identity')
    expect(np.allclose(poses[1], np.hstack([roll, np.zeros((3, 1))]), atol=1e-9), 'pose of the roll frame')
    expect(np.allclose(poses[2], np.hstack([roll, [[0], [0], [1]]]), atol=1e-9), 'pose after moving forward by 1')
    tum = np.loadtxt(os.path.join(folder, 'poses_tum.txt'))
    half = math.radians(5)
    expect(np.allclose(tum[1], [1, 0, 0, 0, 0, 0, math.sin(half), math.cos(half)], atol=1e-9), 'TUM roll quaternion')


if __name__ == '__main__':
    {'readers': check_readers, 'occlusion': check_occlusion, 'analytic': check_analytic}[sys.argv[1]](sys.argv[2])
    for failure in failures:
        print(failure)
    sys.exit(1 if failures else 0)
