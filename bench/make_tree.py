#!/usr/bin/env python3
"""Makes the reading benchmark's tree: FILES files in FOLDERS folders with
mixed ASCII and Japanese names, deterministic for a given seed.

usage: make_tree.py DIR [--files 200000] [--folders 10000] [--seed 1]
"""
import argparse
import os
import random

ASCII_WORDS = ["report", "photo", "backup", "data", "Music", "video", "src", "README", "notes",
               "Project", "archive", "draft", "final", "log", "config", "image", "setup", "tmp"]
JAPANESE_WORDS = ["写真", "資料", "音楽", "動画", "報告書", "設定", "バックアップ", "日記", "ﾃﾞｰﾀ",
                  "プロジェクト", "下書き", "完成版", "旅行", "会議", "ソース", "画像", "名簿", "表計算"]
EXTS = [".txt", ".jpg", ".png", ".mp3", ".doc", ".xls", ".cpp", ".h", ".zip", ".exe", ".dll", ""]


def name(rng, i):
    word = rng.choice(JAPANESE_WORDS if rng.random() < 0.4 else ASCII_WORDS)
    other = rng.choice(ASCII_WORDS + JAPANESE_WORDS)
    return f"{word}_{other}_{i:06d}"


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("dir")
    ap.add_argument("--files", type=int, default=200000)
    ap.add_argument("--folders", type=int, default=10000)
    ap.add_argument("--seed", type=int, default=1)
    a = ap.parse_args()
    rng = random.Random(a.seed)
    os.makedirs(a.dir, exist_ok=True)
    # Folders: each new folder goes below a random earlier one (or the root),
    # which gives a bushy tree a few levels deep.
    folders = [a.dir]
    for i in range(a.folders):
        parent = folders[rng.randrange(len(folders))] if rng.random() < 0.9 else a.dir
        path = os.path.join(parent, name(rng, i))
        os.mkdir(path)
        folders.append(path)
    targets = folders[1:] or folders
    base = 1600000000
    for i in range(a.files):
        path = os.path.join(targets[i % len(targets)], name(rng, i) + rng.choice(EXTS))
        size = int(rng.expovariate(1 / 20000))
        with open(path, "wb") as f:
            if size:
                f.truncate(size)  # sparse: the tree stays small on disk
        t = base + rng.randrange(200_000_000)
        os.utime(path, (t, t))
    print(f"{a.dir}: {a.files} files in {a.folders} folders")


if __name__ == "__main__":
    main()
