"""A sequence folder (OUT/N/ of one render run, or of a left and a right run)
and a dataset folder holding many of them."""
import os
import re

from .flo import read_flo, read_kitti_flow
from .images import read_grey, read_image, read_kitti_disparity, read_occlusion
from .pfm import read_pfm
from .text import (read_calib, read_dat, read_kitti_calib, read_kitti_poses, read_manifest, read_scene_text,
                   read_tum_poses)

# Per-frame files: key, left name, right name (before and after the frame
# tag TTTT), reader. Float arrays hold NaN where unknown.
FRAME_FILES = (
    ('image', ('left_', '.bmp'), ('right_', '.bmp'), read_image),
    ('fine_grey', ('ldisp_', '.bmp'), ('disp_', '.bmp'), read_grey),
    ('whole_grey', ('ldisp_p_', '.bmp'), ('disp_p_', '.bmp'), read_grey),
    ('disparity_text', ('lbindisp_', '.dat'), ('bindisp_', '.dat'), read_dat),
    ('segmentation', ('seg_l_', '.bmp'), ('seg_r_', '.bmp'), read_grey),
    ('disparity', ('ldisp_', '.pfm'), ('disp_', '.pfm'), read_pfm),
    ('kitti_disparity', ('ldisp_', '.png'), ('disp_', '.png'), read_kitti_disparity),
    ('depth', ('ldepth_', '.pfm'), ('depth_', '.pfm'), read_pfm),
    ('occlusion', ('locc_', '.png'), ('occ_', '.png'), read_occlusion),
    ('flow', ('lflow_', '.flo'), ('flow_', '.flo'), read_flo),
    ('kitti_flow', ('lflow_', '.png'), ('flow_', '.png'), read_kitti_flow),
    ('flow_back', ('lflowback_', '.flo'), ('flowback_', '.flo'), read_flo),
    ('kitti_flow_back', ('lflowback_', '.png'), ('flowback_', '.png'), read_kitti_flow),
    ('disparity_change', ('ldispchange_', '.pfm'), ('dispchange_', '.pfm'), read_pfm),
)

# Files written once per run: key, name, reader.
RUN_FILES = (
    ('calibration', 'calib.txt', read_calib),
    ('kitti_calibration', 'calib_kitti.txt', read_kitti_calib),
    ('poses', 'poses.txt', read_kitti_poses),
    ('tum_poses', 'poses_tum.txt', read_tum_poses),
    ('manifest', 'tavrik.json', read_manifest),
    ('scene', 'scene.txt', read_scene_text),
)

_FRAME_TAG = re.compile(r'^(?:left|right|lbindisp|bindisp)_(\d{4,})\.(?:bmp|dat)$|^l?disp_(\d{4,})\.pfm$')


def frame_tag(index):
    """The frame tag of file names: four digits, more from frame 10000 on."""
    return '%04d' % index


def frame_file(stem_and_extension, index):
    stem, extension = stem_and_extension
    return stem + frame_tag(index) + extension


class Sequence:
    """One sequence folder. ``len(seq)`` is the number of frames; ``seq[t]``
    is {'left': {...}, 'right': {...}} holding, for each camera rendered,
    every per-frame file that exists, read into numpy arrays under the keys
    of FRAME_FILES (images top row first; disparity, depth and disparity
    change in pixels or scene units, NaN where unknown; flow (H, W, 2)).
    The run files are attributes: calibration, kitti_calibration, poses,
    tum_poses, manifest, scene (None where absent)."""

    def __init__(self, folder):
        self.folder = str(folder)
        self._names = set(os.listdir(self.folder))
        for key, name, reader in RUN_FILES:
            setattr(self, key, reader(os.path.join(self.folder, name)) if name in self._names else None)
        if self.manifest is not None:
            # Frame files beyond the run's last frame may be left from an earlier, longer run.
            self.frames = list(range(self.manifest['frames']))
            self.cameras = [camera for camera in ('left', 'right') if camera in self.manifest['cameras']]
            return
        self.frames = sorted({int(match.group(1) or match.group(2))
                              for match in map(_FRAME_TAG.match, self._names) if match})
        self.cameras = [camera for camera, index in (('left', 1), ('right', 2))
                        if any(frame_file(entry[index], t) in self._names
                               for entry in FRAME_FILES for t in self.frames[:1])]

    def __len__(self):
        return len(self.frames)

    def path(self, key, camera, t):
        """The path of per-frame file `key` of `camera` at frame t, or None."""
        for entry in FRAME_FILES:
            if entry[0] == key:
                name = frame_file(entry[1 if camera == 'left' else 2], t)
                return os.path.join(self.folder, name) if name in self._names else None
        raise KeyError(key)

    def read(self, key, camera, t):
        """Per-frame file `key` of `camera` at frame t as an array, or None."""
        path = self.path(key, camera, t)
        reader = next(entry[3] for entry in FRAME_FILES if entry[0] == key)
        return reader(path) if path else None

    def __getitem__(self, position):
        t = self.frames[position]
        return {camera: {key: self.read(key, camera, t) for key, *_ in FRAME_FILES
                         if self.path(key, camera, t)} for camera in self.cameras}


def is_sequence_folder(folder):
    try:
        return any(name == 'tavrik.json' or _FRAME_TAG.match(name) for name in os.listdir(folder))
    except OSError:
        return False


class Dataset:
    """Every sequence folder at or under `folder` (a batch's dataset folder,
    or one sequence folder), in sorted path order. ``len(ds)`` sequences;
    ``ds[i]`` is a Sequence."""

    def __init__(self, folder):
        self.folder = str(folder)
        self.paths = sorted(path for path, _, _ in os.walk(self.folder) if is_sequence_folder(path))

    def __len__(self):
        return len(self.paths)

    def __getitem__(self, i):
        return Sequence(self.paths[i])
