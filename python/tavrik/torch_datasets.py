"""torch Datasets over Tavrik sequences, returning what torchvision's stereo
and optical-flow dataset classes return, as tensors so that a DataLoader
batches them: images uint8 (3, H, W), disparity float32 (1, H, W), flow
float32 (2, H, W), valid masks bool (H, W); unknown values are 0 where the
mask is False."""
import numpy as np
import torch

from .sequence import Dataset, Sequence


def _image(array):
    return torch.from_numpy(np.ascontiguousarray(array.transpose(2, 0, 1)))


def _known(array):
    valid = ~np.isnan(array) if array.ndim == 2 else ~np.isnan(array).any(axis=2)
    return np.where(np.isnan(array), np.float32(0), array).astype(np.float32), valid


class StereoDataset(torch.utils.data.Dataset):
    """One sample per frame of every sequence rendered with both cameras:
    (left image, right image, left disparity, valid mask), the disparity from
    the PFM where written, else from the disparity text as float32. With
    `non_occluded` the mask also leaves out pixels the right camera does not
    see (the occlusion format). `transforms`, as torchvision's, takes
    ((left, right), (disparity, None), (valid, None)) and returns the same."""

    def __init__(self, folder, non_occluded=False, transforms=None):
        self.samples = [(sequence.folder, position) for sequence in Dataset(folder)
                        if {'left', 'right'} <= set(sequence.cameras) for position in range(len(sequence))]
        self.non_occluded = non_occluded
        self.transforms = transforms

    def __len__(self):
        return len(self.samples)

    def __getitem__(self, index):
        folder, position = self.samples[index]
        sequence = Sequence(folder)
        t = sequence.frames[position]
        disparity = sequence.read('disparity', 'left', t)
        if disparity is None:
            disparity = sequence.read('disparity_text', 'left', t).astype(np.float32)
        disparity, valid = _known(disparity)
        if self.non_occluded:
            valid &= sequence.read('occlusion', 'left', t) == 255
        images = (_image(sequence.read('image', 'left', t)), _image(sequence.read('image', 'right', t)))
        disparities = (torch.from_numpy(disparity[None]), None)
        masks = (torch.from_numpy(valid), None)
        if self.transforms is not None:
            images, disparities, masks = self.transforms(images, disparities, masks)
        return images[0], images[1], disparities[0], masks[0]


class FlowDataset(torch.utils.data.Dataset):
    """One sample per frame with forward flow (every frame but a sequence's
    last) of `camera`: (image t, image t + 1, flow, valid mask), the flow from
    the .flo file. `transforms`, as torchvision's, takes
    (image1, image2, flow, valid) and returns the same."""

    def __init__(self, folder, camera='left', transforms=None):
        self.samples = []
        for sequence in Dataset(folder):
            for t in sequence.frames:
                if sequence.path('flow', camera, t):
                    self.samples.append((sequence.folder, t))
        self.camera = camera
        self.transforms = transforms

    def __len__(self):
        return len(self.samples)

    def __getitem__(self, index):
        folder, t = self.samples[index]
        sequence = Sequence(folder)
        flow, valid = _known(sequence.read('flow', self.camera, t))
        sample = (_image(sequence.read('image', self.camera, t)), _image(sequence.read('image', self.camera, t + 1)),
                  torch.from_numpy(np.ascontiguousarray(flow.transpose(2, 0, 1))), torch.from_numpy(valid))
        if self.transforms is not None:
            sample = self.transforms(*sample)
        return sample
