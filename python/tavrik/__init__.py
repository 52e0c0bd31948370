"""Reads what Tavrik writes into numpy arrays: images top row first, float
ground truth with NaN where unknown. One module per kind of file (pfm, flo,
images, text); Sequence and Dataset over sequence folders; StereoDataset and
FlowDataset (torch Datasets, torch imported only when they are asked for)."""
from .flo import read_flo, read_kitti_flow
from .images import read_grey, read_image, read_kitti_disparity, read_occlusion, read_png16_rgb
from .pfm import read_pfm
from .sequence import Dataset, Sequence
from .text import (Calibration, read_calib, read_dat, read_kitti_calib, read_kitti_poses, read_manifest,
                   read_scene_text, read_tum_poses)


def __getattr__(name):
    if name in ('StereoDataset', 'FlowDataset'):
        from . import torch_datasets
        return getattr(torch_datasets, name)
    raise AttributeError(name)
