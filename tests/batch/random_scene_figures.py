#!/usr/bin/python3
"""Renders random scenes of many seeds and prints, per seed and overall, what
the generator promises: `check` passes without a warning, and in every frame
of both cameras the share of drawn pixels (depth finite) and the nearest
depth (scene units; the near plane is 0.5).

    random_scene_figures.py TAVRIK_CLI [--seeds 100] [--size 320x240]
"""
import argparse
import pathlib
import subprocess
import sys
import tempfile

import numpy as np


def pfm(path):
    """The values of a little-endian float PFM, in the file's row order."""
    data = path.read_bytes()
    header = data.split(b"\n", 3)
    width, height = map(int, header[1].split())
    return np.frombuffer(data[-width * height * 4:], "<f4")


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("cli")
    parser.add_argument("--seeds", type=int, default=100)
    parser.add_argument("--size", default="320x240")
    args = parser.parse_args()
    worst_drawn, worst_near, warned = 1.0, np.inf, 0
    with tempfile.TemporaryDirectory() as folder:
        folder = pathlib.Path(folder)
        for seed in range(1, args.seeds + 1):
            scene = folder / f"{seed}.scene"
            scene.write_text(subprocess.run([args.cli, "scene", "random", "--seed", str(seed)], check=True,
                                            capture_output=True, text=True).stdout)
            check = subprocess.run([args.cli, "check", str(scene)], capture_output=True, text=True)
            if check.returncode != 0 or check.stderr:
                warned += 1
                print(f"seed {seed}: check says {check.stderr.strip()}")
            out = folder / "out"
            out.mkdir(exist_ok=True)
            subprocess.run([args.cli, "render", str(scene), "--out", str(out), "--sequence", "0", "--camera",
                            "both", "--size", args.size, "--formats", "depth", "--quiet"], check=True,
                           capture_output=True)
            drawn, near = 1.0, np.inf
            for path in sorted((out / "0").glob("*depth_*.pfm")):
                z = pfm(path)
                finite = np.isfinite(z)
                drawn = min(drawn, finite.mean())
                near = min(near, z[finite].min())
                path.unlink()
            worst_drawn, worst_near = min(worst_drawn, drawn), min(worst_near, near)
            print(f"seed {seed}: least drawn {100 * drawn:.2f} %, nearest depth {near:.3f}")
    print(f"{args.seeds} seeds: {warned} with messages from check, least drawn share of any frame "
          f"{100 * worst_drawn:.2f} %, nearest depth of any frame {worst_near:.3f}")
    return 1 if warned or worst_drawn < 0.95 or worst_near <= 0.5 else 0


if __name__ == "__main__":
    sys.exit(main())
