"""Every export layout, loaded by the torchvision class that reads that
benchmark, against Tavrik's own PFM and .flo values."""
import subprocess

import numpy as np
import pytest

import tavrik

datasets = pytest.importorskip('torchvision.datasets')

UNKNOWN_FLOW = np.float32(1e10)


def stereo(tolerance=0.0, mask=None, noc=False):
    """A stereo layout: sample i is frame i. `tolerance` is the largest error
    of the layout's encoding (0: float32 kept); `mask` what the class's valid
    mask must equal ('drawn', 'noc', or None for no mask); `noc`: occluded
    pixels are left out of the disparity."""
    return dict(kind='stereo', tolerance=tolerance, mask=mask, noc=noc)


def flow(tolerance=0.0, mask=False, past=False):
    """A flow layout: sample i is frames (i, i + 1) by forward flow, and with
    `past` then frames (j + 1, j) by backward flow."""
    return dict(kind='flow', tolerance=tolerance, mask=mask, past=past)


# Rounding steps: KITTI 1/256 px, CREStereo 1/32, InStereo2k 1/1024 (half
# each, rounded), Sintel's packing truncates at 1/16384; 1e-5 px covers the
# loaders' float32 arithmetic at disparities below 64.
CASES = {
    'kitti2012': (lambda root: datasets.Kitti2012Stereo(root), stereo(1 / 512, noc=True)),
    'kitti2015': (lambda root: datasets.Kitti2015Stereo(root), stereo(1 / 512)),
    'middlebury2014': (lambda root: datasets.Middlebury2014Stereo(root), stereo(mask='drawn')),
    'eth3d': (lambda root: datasets.ETH3DStereo(root), stereo(mask='noc')),
    'sceneflow': (lambda root: datasets.SceneFlowStereo(root), stereo()),
    'sceneflow-flow': (lambda root: datasets.FlyingThings3D(root + '/SceneFlow'), flow(past=True)),
    'sintel-stereo': (lambda root: datasets.SintelStereo(root), stereo(1 / 16384, mask='noc')),
    'sintel-flow': (lambda root: datasets.Sintel(root), flow()),
    'kitti-flow': (lambda root: datasets.KittiFlow(root), flow(1 / 128, mask=True)),
    'flyingchairs': (lambda root: datasets.FlyingChairs(root), flow()),
    'crestereo': (lambda root: datasets.CREStereo(root), stereo(1 / 64)),
    'instereo2k': (lambda root: datasets.InStereo2k(root), stereo(1 / 2048)),
    'carla': (lambda root: datasets.CarlaStereo(root), stereo()),
}


def expected_samples(sequence, case):
    n = len(sequence)
    if case['kind'] == 'stereo':
        return [(t, t) for t in range(n)]
    pairs = [(t, t + 1) for t in range(n - 1)]
    return pairs + ([(t + 1, t) for t in range(n - 1)] if case['past'] else [])


def check_truth(got, expected, known, tolerance):
    """`got` holds `expected` where `known` (within `tolerance`)."""
    error = np.abs(got[known].astype(np.float64) - expected[known])
    assert known.any() and error.max() <= tolerance + 1e-5


@pytest.mark.parametrize('name', sorted(CASES))
def test_layout_loads_in_torchvision_with_tavriks_values(stereo_sequence, tmp_path, cli, name):
    layout = name.replace('-flow', '') if name == 'sceneflow-flow' else name
    subprocess.run([cli, 'export', str(stereo_sequence), '--layout', layout, '--out', str(tmp_path)], check=True,
                   stdout=subprocess.DEVNULL)
    make, case = CASES[name]
    dataset = make(str(tmp_path))
    sequence = tavrik.Sequence(stereo_sequence)
    pairs = expected_samples(sequence, case)
    assert len(dataset) == len(pairs)
    for i, (first, second) in enumerate(pairs):
        sample = dataset[i]
        if case['kind'] == 'stereo':
            images = sequence.read('image', 'left', first), sequence.read('image', 'right', first)
        else:
            images = sequence.read('image', 'left', first), sequence.read('image', 'left', second)
        assert np.array_equal(np.array(sample[0]), images[0]) and np.array_equal(np.array(sample[1]), images[1])
        mask = sample[3] if len(sample) == 4 else None
        if case['kind'] == 'stereo':
            disparity = sequence.read('disparity', 'left', first)
            occlusion = sequence.read('occlusion', 'left', first)
            got = sample[2][0]
            kept = ~np.isnan(disparity)
            if case['tolerance']:
                # Where the encoding cannot hold the value it stores 0.
                kept &= np.round(disparity / (2 * case['tolerance'])) > 0
                if case['noc']:
                    kept &= occlusion == 255
                assert not got[~kept].any()
            check_truth(got, disparity, kept, case['tolerance'])
            expected_mask = {'drawn': ~np.isnan(disparity), 'noc': occlusion == 255, None: None}[case['mask']]
            assert (mask is None) if expected_mask is None else np.array_equal(mask, expected_mask)
        else:
            key = 'flow' if first < second else 'flow_back'
            expected = sequence.read(key, 'left', first).transpose(2, 0, 1)
            got = sample[2]
            known = ~np.isnan(expected)
            check_truth(got, expected, known, case['tolerance'])
            if case['mask']:
                assert np.array_equal(mask, known.all(axis=0))
            else:
                assert mask is None and np.all(got[~known] == UNKNOWN_FLOW)


def test_dataset_folder_exports_every_sequence_and_missing_formats_are_named(tmp_path, cli):
    (tmp_path / 'batch').mkdir()
    (tmp_path / 'other').mkdir()
    for number, formats in ((0, 'spec,flow'), (1, 'spec,flow'), (2, 'spec,pfm')):
        subprocess.run([cli, 'render', '--default', '--size', '320x240', '--formats', formats, '--quiet',
                        '--sequence', str(number), '--out', str(tmp_path / ('batch' if number < 2 else 'other'))],
                       check=True, stdout=subprocess.DEVNULL)
    subprocess.run([cli, 'export', str(tmp_path / 'batch'), '--layout', 'flyingchairs', '--out', str(tmp_path / 'out')],
                   check=True, stdout=subprocess.DEVNULL)
    chairs = datasets.FlyingChairs(str(tmp_path / 'out'))
    first, second = (tavrik.Sequence(tmp_path / 'batch' / str(n)) for n in (0, 1))
    assert len(chairs) == len(first) - 1 + len(second) - 1
    last = chairs[len(chairs) - 1]
    assert np.array_equal(np.array(last[1]), second.read('image', 'left', second.frames[-1]))

    refused = subprocess.run([cli, 'export', str(tmp_path / 'other'), '--layout', 'sintel-flow', '--out',
                              str(tmp_path / 'out')], capture_output=True, text=True)
    assert refused.returncode == 1
    assert 'the sintel-flow layout needs lflow_TTTT.flo: render with --formats flow' in refused.stderr
