"""tavrik-cli score against measures this file defines on its own, from the
benchmarks' descriptions:

- average error / RMS: mean and root mean square of |d - d*| over the pixels
  of a region whose truth is valid;
- bad-T: share of those pixels with |d - d*| > T (T = 0.5, 1, 2, 3, 4);
- D1 / Fl: error > 3 px and > 5 % of the truth's magnitude;
- flow end-point error |(u, v) - (u*, v*)| and its 1, 3 and 5 px outliers;
- density: share of the region's pixels the estimate fills. An empty
  estimate pixel is taken as disparity 0 / flow (0, 0), the rule the
  scorer documents.
Regions: all valid truth; occlusion mask 255 (noc); 128 (occ).
"""
import csv
import json
import os
import subprocess

import numpy as np
import png
import pytest

CLI = os.environ.get('TAVRIK_CLI')
SCENE_OBJECTS_AND_MOTION = """\
SPHERE; id 254; texture: -1; colour: 1.0; 11.0; 11.0; position: 0.0; 0.0; 0.0; 1.0;0.0;0.0; dim: 24.65
SPHERE; id 25; texture: 9; colour: 1.0; 1.0; 1.0; position: 0.0; 1.0; -0.2; 0.0;0.0;0.0; dim: 0.65
CUBOID; id 40; texture: 5; colour: 1.0; 1.0; 1.0; position: -1.5; 0.5; -0.5; 0.0;0.0;0.0; dim: 0.2; 0.2;2
QUAD; id 100; texture: 10; colour: 1.0; 1.0; 1.0; vertices: 1.6; -2.0; -1.4; 1.6; 6.0; -1.4; 1.6; 6.0; 2.4; 1.6; -2.0; 2.4
QUAD; id 160; texture: 0; colour: 1.0; 1.0; 0.5; vertices: -1.6; -2.0; -1.4; 1.6; -2.0; -1.4; 1.6; 6.0; -1.4; -1.6; 6.0; -1.4
EGO; 0.0; 0.0; 0.1; 0.1; 0.0; 0.0
EGO; 0.0; 0.0; 0.2; 0.1; 2.0; 0.0
EGO; 0.05; 0.0; 0.3; 0.1; 3.0; 0.0
"""
FRAMES = 3
MEASURES = ['density', 'epe', 'rms']

pytestmark = pytest.mark.skipif(not CLI, reason='TAVRIK_CLI names the tavrik-cli to test')


def cli(*arguments):
    result = subprocess.run([CLI, *arguments], capture_output=True, text=True)
    assert result.returncode == 0, result.stderr
    return result


@pytest.fixture(scope='module')
def sequence(tmp_path_factory):
    out = tmp_path_factory.mktemp('render')
    (out / 'room.scene').write_text(SCENE_OBJECTS_AND_MOTION)
    cli('render', str(out / 'room.scene'), '--camera', 'both', '--size', '320x240', '--formats', 'all',
        '--quiet', '--out', str(out))
    return out / '0'


def read_pfm(path):
    with open(path, 'rb') as f:
        assert f.readline() == b'Pf\n'
        width, height = map(int, f.readline().split())
        scale = float(f.readline())
        data = np.frombuffer(f.read(), '<f4' if scale < 0 else '>f4')
    return data.reshape(height, width)[::-1].astype(np.float64)


def write_pfm(path, image):
    height, width = image.shape
    with open(path, 'wb') as f:
        f.write(b'Pf\n%d %d\n-1.0\n' % (width, height))
        f.write(np.ascontiguousarray(image[::-1], '<f4').tobytes())


def read_flo(path):
    raw = open(path, 'rb').read()
    width, height = np.frombuffer(raw[4:12], '<i4')
    flow = np.frombuffer(raw[12:], '<f4').reshape(height, width, 2).astype(np.float64)
    known = (np.abs(flow[..., 0]) <= 1e9) & (np.abs(flow[..., 1]) <= 1e9)
    return flow, known


def write_flo(path, flow, known):
    data = np.where(known[..., None], flow, 1e10).astype('<f4')
    with open(path, 'wb') as f:
        f.write(b'PIEH' + np.array(flow.shape[1::-1], '<i4').tobytes() + data.tobytes())


def write_kitti_disparity(path, image):
    samples = np.where(np.isfinite(image), np.clip(np.round(image * 256), 1, 65535), 0).astype(np.uint16)
    png.Writer(image.shape[1], image.shape[0], greyscale=True, bitdepth=16).write(open(path, 'wb'), samples.tolist())
    return np.where(samples == 0, np.inf, samples / 256.0)


def occlusion(folder, frame):
    width, height, rows, _ = png.Reader(filename=str(folder / ('locc_%04d.png' % frame))).read()
    return np.array([list(row) for row in rows], np.uint8).reshape(height, width)


def region_masks(valid, mask):
    return {'all': valid, 'noc': valid & (mask == 255), 'occ': valid & (mask == 128)}


def measures(error, truth_magnitude, filled, thresholds, prefix, outlier):
    result = {'density': 100.0 * filled.mean(), 'epe': error.mean(), 'rms': np.sqrt((error ** 2).mean())}
    for t in thresholds:
        result['%s-%g' % (prefix, t)] = 100.0 * (error > t).mean()
    result[outlier] = 100.0 * ((error > 3) & (error > 0.05 * truth_magnitude)).mean()
    return result


def disparity_measures(truth, estimate, mask):
    out = {}
    for name, region in region_masks(np.isfinite(truth), mask).items():
        filled = np.isfinite(estimate[region])
        error = np.abs(np.where(filled, estimate[region], 0.0) - truth[region])
        out[name] = measures(error, np.abs(truth[region]), filled, [0.5, 1, 2, 3, 4], 'bad', 'd1')
    return out


def flow_measures(truth, truth_known, estimate, estimate_known, mask):
    out = {}
    for name, region in region_masks(truth_known, mask).items():
        filled = estimate_known[region]
        flow = np.where(filled[:, None], estimate[region], 0.0)
        error = np.linalg.norm(flow - truth[region], axis=1)
        out[name] = measures(error, np.linalg.norm(truth[region], axis=1), filled, [1, 3, 5], 'out', 'fl')
    return out


def frame_rows(csv_path, frame):
    return {row['region']: {k: float(v) for k, v in row.items() if k not in ('frame', 'region', 'pixels')}
            for row in csv.DictReader(open(csv_path)) if int(row['frame']) == frame}


def assert_close(scored, expected, tolerance):
    for region, values in expected.items():
        for name, value in values.items():
            assert scored[region][name] == pytest.approx(value, abs=tolerance), (region, name)


def shuffled(random, *images):
    order = random.permutation(images[0].shape[0] * images[0].shape[1])
    return [image.reshape(order.size, *image.shape[2:])[order].reshape(image.shape) for image in images]


@pytest.mark.parametrize('form', ['pfm', 'png', 'flo'])
def test_shuffled_frame_scores_as_numpy_computes(sequence, tmp_path, form):
    random = np.random.default_rng(3)
    expected = None
    for frame in range(FRAMES - 1 if form == 'flo' else FRAMES):
        mask = occlusion(sequence, frame)
        if form == 'flo':
            truth, known = read_flo(sequence / ('lflow_%04d.flo' % frame))
            estimate, estimate_known = shuffled(random, truth, known)
            estimate_known &= random.random(known.shape) > 0.1
            write_flo(tmp_path / ('lflow_%04d.flo' % frame), estimate, estimate_known)
            result = flow_measures(truth, known, estimate, estimate_known, mask)
        else:
            truth = read_pfm(sequence / ('ldisp_%04d.pfm' % frame))
            estimate, = shuffled(random, truth)
            estimate[random.random(truth.shape) < 0.1] = np.inf
            if form == 'pfm':
                write_pfm(tmp_path / ('ldisp_%04d.pfm' % frame), estimate)
            else:
                estimate = write_kitti_disparity(tmp_path / ('ldisp_%04d.png' % frame), estimate)
            result = disparity_measures(truth, estimate, mask)
        if frame == 0:
            expected = result
    kind = 'flow' if form == 'flo' else 'disparity'
    cli('score', '--truth', str(sequence), '--estimate', str(tmp_path), '--kind', kind,
        '--csv', str(tmp_path / 'frames.csv'))
    assert expected['occ']['density'] > 0
    assert_close(frame_rows(tmp_path / 'frames.csv', 0), expected, 1e-6)


def test_sgbm_on_the_rendered_pair_scores_as_numpy_computes(sequence, tmp_path):
    cv2 = pytest.importorskip('cv2')
    ndisp = int(dict(line.split('=', 1) for line in open(sequence / 'calib.txt').read().splitlines())['ndisp'])
    sgbm = cv2.StereoSGBM_create(minDisparity=0, numDisparities=(ndisp + 15) // 16 * 16, blockSize=5,
                                 P1=8 * 25, P2=32 * 25, uniquenessRatio=10)
    truths, estimates, masks = [], [], []
    for frame in range(FRAMES):
        left = cv2.imread(str(sequence / ('left_%04d.bmp' % frame)), cv2.IMREAD_GRAYSCALE)
        right = cv2.imread(str(sequence / ('right_%04d.bmp' % frame)), cv2.IMREAD_GRAYSCALE)
        disparity = sgbm.compute(left, right).astype(np.float64) / 16.0
        disparity[disparity < 0] = np.inf  # SGBM marks what it could not match below minDisparity
        write_pfm(tmp_path / ('ldisp_%04d.pfm' % frame), disparity)
        truths.append(read_pfm(sequence / ('ldisp_%04d.pfm' % frame)))
        estimates.append(disparity.astype(np.float32).astype(np.float64))
        masks.append(occlusion(sequence, frame))
    cli('score', '--truth', str(sequence), '--estimate', str(tmp_path), '--json', str(tmp_path / 'summary.json'))
    summary = json.load(open(tmp_path / 'summary.json'))
    # Every frame's pixels pooled, and the mean of the frames' own measures.
    pooled = disparity_measures(np.concatenate(truths), np.concatenate(estimates), np.concatenate(masks))
    assert_close(summary['over_pixels'], pooled, 0.01)
    per_frame = [disparity_measures(t, e, m) for t, e, m in zip(truths, estimates, masks)]
    mean = {r: {k: np.mean([f[r][k] for f in per_frame]) for k in pooled[r]} for r in pooled}
    assert_close(summary['over_frames'], mean, 0.01)
    assert 5 < pooled['all']['bad-1'] < 95, 'SGBM should neither fail nor succeed everywhere'
