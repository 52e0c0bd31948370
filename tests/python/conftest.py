import os
import subprocess

import pytest


def render(out, *arguments):
    """Runs tavrik-cli render into `out`; returns the sequence folder."""
    subprocess.run([os.environ['TAVRIK_CLI'], 'render', *arguments, '--quiet', '--out', str(out)], check=True,
                   stdout=subprocess.DEVNULL)
    return out / '0'


@pytest.fixture(scope='session')
def stereo_sequence(tmp_path_factory):
    """The default scene, both cameras, every format, 320 x 240, 5 frames."""
    return render(tmp_path_factory.mktemp('stereo'), '--default', '--camera', 'both', '--size', '320x240',
                  '--formats', 'all')


@pytest.fixture(scope='session')
def cli():
    return os.environ['TAVRIK_CLI']
