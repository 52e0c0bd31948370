import os

import numpy as np
import pytest

import tavrik
from tavrik.sequence import FRAME_FILES, RUN_FILES, frame_file


def bits(array):
    return np.ascontiguousarray(array, np.float32).view(np.uint32)


def test_every_file_of_a_sequence_has_a_reader_and_reads(stereo_sequence):
    sequence = tavrik.Sequence(stereo_sequence)
    manifest = sequence.manifest
    assert len(sequence) == manifest['frames'] and sequence.cameras == ['left', 'right']
    read = {name for key, name, _ in RUN_FILES if getattr(sequence, key) is not None}
    for t, frame in zip(sequence.frames, (sequence[i] for i in range(len(sequence)))):
        for camera, files in frame.items():
            for key, array in files.items():
                assert array.shape[:2] == (240, 320), (key, camera, t)
                entry = next(e for e in FRAME_FILES if e[0] == key)
                read.add(frame_file(entry[1 if camera == 'left' else 2], t))
    listed = {name for camera in manifest['cameras'].values() for name in camera['files']}
    assert listed == read
    assert sequence.poses.shape == (len(sequence), 3, 4) and sequence.tum_poses.shape == (len(sequence), 8)
    assert sequence.calibration.width == 320 and sequence.kitti_calibration['P1'].shape == (3, 4)
    assert sum(line.startswith('EGO') for line in sequence.scene) == len(sequence)


def test_values_computed_from_the_files_are_what_the_cli_wrote(stereo_sequence):
    sequence = tavrik.Sequence(stereo_sequence)
    calibration = sequence.manifest['calibration']
    assert (sequence.calibration.fx, sequence.calibration.cx, sequence.calibration.baseline) == \
        (calibration['fx'], calibration['cx'], calibration['baseline'])
    for camera in sequence.cameras:
        for t in sequence.frames:
            files = sequence[t][camera]
            dat = files['disparity_text']
            # The text back from the doubles read, as printf's %.18g writes it.
            with open(sequence.path('disparity_text', camera, t), 'rb') as f:
                text = f.read().split(b'\r\n')[2:2 + dat.size]
            assert [b'%.18g' % v for v in dat.ravel()] == text
            # Fine grey: D·255/60 truncated, from 0 to 255.
            assert np.array_equal(files['fine_grey'], np.clip(dat * 255 / 60, 0, 255).astype(np.uint8))
            drawn = ~np.isnan(files['disparity'])
            assert np.array_equal(bits(files['disparity'])[drawn], bits(dat)[drawn])
            kitti = files['kitti_disparity']
            assert np.array_equal(~np.isnan(kitti), drawn & (dat > 0) & (dat <= 255.99))
            assert np.array_equal(kitti[~np.isnan(kitti)] * 256, np.round(dat[~np.isnan(kitti)] * 256))
            assert np.array_equal(np.isnan(files['depth']), ~drawn)
            for flo, png in (('flow', 'kitti_flow'), ('flow_back', 'kitti_flow_back')):
                if flo in files:
                    known = ~np.isnan(files[flo])
                    assert np.array_equal(known, ~np.isnan(files[png]))
                    away = np.sign(files[flo][known]) * np.floor(np.abs(files[flo][known]) * 64 + 0.5)  # std::round
                    assert np.array_equal(files[png][known], away / 64)


@pytest.mark.parametrize('kind', ['StereoDataset', 'FlowDataset'])
def test_torch_dataset_batches_in_a_data_loader(stereo_sequence, kind):
    torch = pytest.importorskip('torch')
    dataset = getattr(tavrik, kind)(os.path.dirname(stereo_sequence))
    sequence = tavrik.Sequence(stereo_sequence)
    assert len(dataset) == len(sequence) - (kind == 'FlowDataset')
    loader = torch.utils.data.DataLoader(dataset, batch_size=2, num_workers=2)
    position = 0
    for first, second, truth, valid in loader:
        for row in range(first.shape[0]):
            t = sequence.frames[position]
            if kind == 'StereoDataset':
                expected = sequence.read('disparity', 'left', t)[None]
                images = sequence.read('image', 'left', t), sequence.read('image', 'right', t)
            else:
                expected = sequence.read('flow', 'left', t).transpose(2, 0, 1)
                images = sequence.read('image', 'left', t), sequence.read('image', 'left', t + 1)
            known = ~np.isnan(expected).any(axis=0)
            assert np.array_equal(valid[row].numpy(), known)
            assert np.array_equal(truth[row].numpy()[:, known], expected[:, known])
            assert np.array_equal(first[row].numpy().transpose(1, 2, 0), images[0])
            assert np.array_equal(second[row].numpy().transpose(1, 2, 0), images[1])
            position += 1
    assert position == len(dataset)
