#!/usr/bin/env python3
"""Judges the reference denoiser against classical peers on synthetic star fields whose
noise-free truth is known, and prints one table per field.

For each field it makes the noisy image, the truth and the truth without stars with
`starfield`, then denoises the noisy image with `noxfade` (the executable, files in and out,
as the plug-in runs it) and with scikit-image's wavelet BayesShrink and non-local means. Each
is timed; noxfade and non-local means take turns, several times, and the median is reported.

Columns:
  RMSE          root mean square error against the truth, over every sample, in ADU
  dark specks   samples more than 4 sigma below the truth (sigma: the field's sky noise,
                measured per channel as the robust spread of noisy minus truth)
  flux          bright isolated unsaturated stars: aperture flux of the result over the truth's
                (both above the starless truth), as the median ratio and the share of stars
                within 1%
  time          wall-clock seconds, median of the repeats

usage (through scripts/denoise-quality.sh): denoise_quality.py --bin build/native/bin --work DIR [--repeats N] [--field KIND:SEED ...]
where KIND is colour or mono (default: colour:7 mono:7 mono:11).
"""
import argparse
import os
import statistics
import subprocess
import sys
import time

import numpy as np
import tifffile
from skimage.restoration import denoise_nl_means, denoise_wavelet, estimate_sigma

WIDTH, HEIGHT = 1024, 768
APERTURE = 8          # radius of the star apertures, pixels
BRIGHT = 2.0e4        # stars at least this bright (total flux, ADU) are checked
SATURATION = 60000.0  # stars whose truth peaks above this are left out


def read(path):
    image = tifffile.imread(path).astype(np.float64)
    return image if image.ndim == 3 else image[:, :, np.newaxis]


def write(path, image):
    data = np.clip(np.rint(image), 0, 65535).astype(np.uint16)
    tifffile.imwrite(path, data[:, :, 0] if data.shape[2] == 1 else data)


def make_field(binary, work, kind, seed):
    stem = os.path.join(work, f"{kind}-{seed}")
    colour = "--colour" if kind == "colour" else "--mono"
    common = [os.path.join(binary, "starfield"), "--width", str(WIDTH), "--height", str(HEIGHT),
              colour, "--seed", str(seed)]
    subprocess.run(common + [stem + "-noisy.tif", "--clean", stem + "-truth.tif"],
                   check=True, stdout=subprocess.DEVNULL)
    # The same seed without stars gives the same sky and nebulosity: the stars' background.
    subprocess.run(common + [stem + "-bare.tif", "--stars", "0", "--clean", stem + "-sky.tif"],
                   check=True, stdout=subprocess.DEVNULL)
    return stem


def run_noxfade(binary, source, target):
    start = time.perf_counter()
    subprocess.run([os.path.join(binary, "noxfade"), "-i", source, "-o", target],
                   check=True, stdout=subprocess.DEVNULL)
    return time.perf_counter() - start


def skimage_sigma(unit):
    return float(np.mean(estimate_sigma(unit, channel_axis=-1)))


def run_nlm(noisy):
    # scikit-image works on floats in 0..1: scale there and back.
    start = time.perf_counter()
    unit = noisy / 65535.0
    sigma = skimage_sigma(unit)
    out = denoise_nl_means(unit, h=0.8 * sigma, sigma=sigma, fast_mode=True, patch_size=5,
                           patch_distance=6, channel_axis=-1)
    out = out.reshape(noisy.shape) * 65535.0
    return out, time.perf_counter() - start


def run_bayes(noisy):
    start = time.perf_counter()
    unit = noisy / 65535.0
    out = denoise_wavelet(unit, method="BayesShrink", mode="soft", rescale_sigma=True,
                          channel_axis=-1, convert2ycbcr=False)
    out = out.reshape(noisy.shape) * 65535.0
    return out, time.perf_counter() - start


def bright_stars(truth, sky):
    """Centres of bright, isolated, unsaturated stars, found in the first channel of the truth."""
    stars = truth[:, :, 0] - sky[:, :, 0]
    h, w = stars.shape
    r = APERTURE
    yy, xx = np.mgrid[-r:r + 1, -r:r + 1]
    disc = (xx * xx + yy * yy) <= r * r
    centres = []
    # Local maxima over a 5 x 5 neighbourhood, above a level that only bright stars reach.
    core = stars[2:-2, 2:-2]
    peak = np.ones_like(core, dtype=bool)
    for dy in range(-2, 3):
        for dx in range(-2, 3):
            if dy or dx:
                peak &= core >= stars[2 + dy:h - 2 + dy, 2 + dx:w - 2 + dx]
    ys, xs = np.nonzero(peak & (core > BRIGHT * 0.02))
    for y, x in zip(ys + 2, xs + 2):
        if y < 2 * r or x < 2 * r or y >= h - 2 * r or x >= w - 2 * r:
            continue
        if truth[y, x, :].max() > SATURATION:
            continue
        patch = stars[y - r:y + r + 1, x - r:x + r + 1]
        flux = patch[disc].sum()
        if flux < BRIGHT:
            continue
        # Isolated: what lies in the ring just outside the aperture is faint next to the star.
        ring = stars[y - 2 * r:y + 2 * r + 1, x - 2 * r:x + 2 * r + 1].sum() - flux
        if ring > 0.02 * flux:
            continue
        centres.append((y, x))
    return centres, disc


def flux_ratios(result, truth, sky, centres, disc):
    r = APERTURE
    ratios = []
    for y, x in centres:
        window = np.s_[y - r:y + r + 1, x - r:x + r + 1]
        for c in range(truth.shape[2]):
            want = (truth[window][:, :, c] - sky[window][:, :, c])[disc].sum()
            got = (result[window][:, :, c] - sky[window][:, :, c])[disc].sum()
            ratios.append(got / want)
    return np.array(ratios)


def score(result, truth, sky, sigmas, centres, disc):
    rmse = float(np.sqrt(np.mean((result - truth) ** 2)))
    specks = int(np.sum(result < truth - 4.0 * sigmas))
    ratios = flux_ratios(result, truth, sky, centres, disc)
    return rmse, specks, ratios


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--bin", required=True)
    parser.add_argument("--work", required=True)
    parser.add_argument("--repeats", type=int, default=3)
    parser.add_argument("--field", action="append")
    args = parser.parse_args()
    fields = args.field or ["colour:7", "mono:7", "mono:11"]
    os.makedirs(args.work, exist_ok=True)

    verdicts = []
    for field in fields:
        kind, seed = field.split(":")
        stem = make_field(args.bin, args.work, kind, int(seed))
        noisy, truth = read(stem + "-noisy.tif"), read(stem + "-truth.tif")
        sky = read(stem + "-sky.tif")
        diff = noisy - truth
        sigmas = np.array([1.4826 * np.median(np.abs(diff[:, :, c] - np.median(diff[:, :, c])))
                           for c in range(noisy.shape[2])])
        centres, disc = bright_stars(truth, sky)

        # noxfade and non-local means take turns, so that both see the same machine load.
        nox_times, nlm_times = [], []
        for _ in range(args.repeats):
            nox_times.append(run_noxfade(args.bin, stem + "-noisy.tif", stem + "-noxfade.tif"))
            nlm, t = run_nlm(noisy)
            nlm_times.append(t)
        bayes, bayes_time = run_bayes(noisy)
        nox = read(stem + "-noxfade.tif")
        write(stem + "-nlm.tif", nlm)
        write(stem + "-bayes.tif", bayes)

        rows = [
            ("none (the noisy input)", noisy, None),
            ("noxfade", nox, statistics.median(nox_times)),
            ("scikit-image wavelet, BayesShrink", np.clip(np.rint(bayes), 0, 65535), bayes_time),
            ("scikit-image non-local means (fast, h = 0.8 sigma, patch 5, distance 6)",
             np.clip(np.rint(nlm), 0, 65535), statistics.median(nlm_times)),
        ]
        print(f"\n{kind} field, {WIDTH} x {HEIGHT}, seed {seed}: sky noise sigma "
              + ", ".join(f"{s:.1f}" for s in sigmas) + f" ADU; {len(centres)} bright stars "
              f"checked (flux >= {BRIGHT:.0f} ADU, isolated, unsaturated); times: median of "
              f"{args.repeats} runs of noxfade and non-local means taken in turn, 1 run of BayesShrink")
        print("| Denoiser | RMSE vs truth (ADU) | pixels more than 4 sigma below truth "
              "| star flux: median ratio, share within 1% | time (s) |")
        print("|---|---|---|---|---|")
        scores = []
        for name, image, seconds in rows:
            rmse, specks, ratios = score(image, truth, sky, sigmas, centres, disc)
            scores.append((rmse, specks, seconds, float(np.median(ratios)) if len(ratios) else 1.0))
            within = np.mean(np.abs(ratios - 1.0) <= 0.01) if len(ratios) else float("nan")
            median = np.median(ratios) if len(ratios) else float("nan")
            shown = "-" if seconds is None else f"{seconds:.2f}"
            print(f"| {name} | {rmse:.2f} | {specks} | {median:.4f}, {within:.0%} | {shown} |")
        print(f"noxfade times: {' '.join(f'{t:.2f}' for t in nox_times)}; "
              f"non-local means times: {' '.join(f'{t:.2f}' for t in nlm_times)}")
        verdicts.append((field, scores[1], scores[3]))

    print("\nnoxfade against non-local means (lower RMSE, no more dark specks, no slower; "
          "star flux within 1%):")
    for field, (rmse, specks, seconds, flux), (peer_rmse, peer_specks, peer_seconds, _) in verdicts:
        ok = rmse < peer_rmse and specks <= peer_specks and seconds <= peer_seconds
        ok = ok and abs(flux - 1.0) <= 0.01
        print(f"  {field}: RMSE {rmse:.2f} vs {peer_rmse:.2f}, specks {specks} vs {peer_specks}, "
              f"time {seconds:.2f} vs {peer_seconds:.2f} s, flux {flux:.4f}: "
              f"{'better' if ok else 'NOT better'}")
    return 0


if __name__ == "__main__":
    sys.exit(main())
