"""Trains the digit network on the samples that make_training_set wrote, chooses the
"not a digit" rule on the held-out samples, evaluates, and writes the model file and a report.

Deterministic: fixed seeds, deterministic kernels, two threads. The evaluation files are read
only after training and the choice of the rule, and only to report on them.
"""
import argparse
import hashlib
import io
import struct
import sys
import time

import numpy as np
import torch
from torch import nn

SIDE = 28
CLASSES = 11  # digits 0 to 9, then "not a digit"
NOT_A_DIGIT = 10
MODEL_VERSION = 1
RECORD = np.dtype([("label", "u1"), ("width", "<u2"), ("height", "<u2"), ("count", "<u4"),
                   ("grey", "u1", (SIDE * SIDE,))])


def load(path):
    data = np.fromfile(path, dtype=RECORD)
    pictures = torch.from_numpy(data["grey"].astype(np.float32) / 255.0).reshape(-1, 1, SIDE, SIDE)
    return data, pictures, torch.from_numpy(data["label"].astype(np.int64))


class DigitNet(nn.Module):
    """Three convolutions, the first with a stride of 2, each with batch normalisation, and two
    dense layers: about 1.2 million multiply-adds and 156,000 weights a picture."""

    def __init__(self):
        super().__init__()
        self.features = nn.Sequential(
            nn.Conv2d(1, 16, 5, stride=2, padding=2), nn.BatchNorm2d(16), nn.ReLU(),  # 16 x 14 x 14
            nn.Conv2d(16, 32, 3), nn.BatchNorm2d(32), nn.ReLU(), nn.MaxPool2d(2),      # 32 x 6 x 6
            nn.Conv2d(32, 64, 3), nn.BatchNorm2d(64), nn.ReLU(),                       # 64 x 4 x 4
            nn.Flatten(),
            nn.Dropout(0.25),
            nn.Linear(64 * 4 * 4, 128), nn.ReLU(),
            nn.Linear(128, CLASSES))

    def forward(self, x):
        return self.features(x)


class WithSoftmax(nn.Module):
    def __init__(self, net):
        super().__init__()
        self.net = net

    def forward(self, x):
        return torch.softmax(self.net(x), dim=1)


def probabilities(net, pictures):
    net.eval()
    with torch.no_grad():
        return torch.cat([torch.softmax(net(pictures[i:i + 2048]), 1)
                          for i in range(0, len(pictures), 2048)]) if len(pictures) else torch.zeros(0, CLASSES)


def decide(probs, data, threshold, min_side):
    """The answer the program gives: a digit, or -1 for "not a digit"."""
    digit_probs = probs[:, :10]
    confidence, digit = digit_probs.max(1)
    side = np.maximum(data["width"], data["height"])
    rejected = (confidence < threshold) | torch.from_numpy(side < min_side)
    return torch.where(rejected, torch.full_like(digit, -1), digit), confidence


def confusion(answers, labels):
    matrix = np.zeros((10, 11), dtype=int)  # last column: no digit given
    for a, l in zip(answers.tolist(), labels.tolist()):
        matrix[l, a if a >= 0 else 10] += 1
    return matrix


def format_matrix(matrix):
    lines = ["| true \\ read | " + " | ".join(str(d) for d in range(10)) + " | none |",
             "|---" * 12 + "|"]
    for d in range(10):
        lines.append(f"| {d} | " + " | ".join(str(v) for v in matrix[d]) + " |")
    return "\n".join(lines)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--data", required=True)
    parser.add_argument("--model", required=True)
    parser.add_argument("--report", required=True)
    parser.add_argument("--epochs", type=int, default=9)
    parser.add_argument("--quick", action="store_true")
    args = parser.parse_args()

    torch.set_num_threads(2)
    torch.manual_seed(11)
    np.random.seed(11)
    torch.use_deterministic_algorithms(True)
    started = time.time()

    train_data, train_x, train_y = load(f"{args.data}/train.bin")
    held_data, held_x, held_y = load(f"{args.data}/heldout.bin")
    print(f"training on {len(train_y)} samples, {len(held_y)} held out", flush=True)

    net = DigitNet()
    epochs = 25 if args.quick else args.epochs
    optimiser = torch.optim.Adam(net.parameters(), lr=2e-3)
    batch = 32 if args.quick else 512
    steps = epochs * ((len(train_y) + batch - 1) // batch)
    schedule = torch.optim.lr_scheduler.OneCycleLR(optimiser, max_lr=5e-3, total_steps=steps)
    loss_of = nn.CrossEntropyLoss()
    generator = torch.Generator().manual_seed(5)
    for epoch in range(epochs):
        net.train()
        order = torch.randperm(len(train_y), generator=generator)
        total = 0.0
        for i in range(0, len(order), batch):
            chosen = order[i:i + batch]
            optimiser.zero_grad()
            loss = loss_of(net(train_x[chosen]), train_y[chosen])
            loss.backward()
            optimiser.step()
            schedule.step()
            total += loss.item() * len(chosen)
            if i // batch % 100 == 99:
                print(f"  {i + len(chosen)} samples, {time.time() - started:.0f} s", flush=True)
        held_answers, _ = decide(probabilities(net, held_x), held_data, 0.0, 0)
        digits = held_y < 10
        accuracy = (held_answers[digits] == held_y[digits]).float().mean().item()
        print(f"epoch {epoch + 1}/{epochs}: loss {total / len(train_y):.4f}, held-out digits "
              f"{100 * accuracy:.2f} %, {time.time() - started:.0f} s", flush=True)

    # The "not a digit" rule, chosen on held-out material only. Size: the smallest box side
    # that nearly every training digit reaches. Confidence: the threshold that gives the
    # fewest wrong outcomes on the held-out set, counting a lost digit and an accepted
    # non-digit alike, among thresholds that lose at most 0.5 % of the held-out digits.
    digit_rows = train_data["label"] < 10
    sides = np.maximum(train_data["width"], train_data["height"])[digit_rows]
    min_side = int(np.percentile(sides, 0.1)) if len(sides) else 0
    held_probs = probabilities(net, held_x)
    digits = held_y < 10
    best = None
    lines = []
    for threshold in [t / 100 for t in range(0, 100, 5)]:
        answers, _ = decide(held_probs, held_data, threshold, min_side)
        lost = (answers[digits] < 0).float().mean().item() if digits.any() else 0.0
        wrong = ((answers[digits] >= 0) & (answers[digits] != held_y[digits])).float().mean().item() if digits.any() else 0.0
        accepted = (answers[~digits] >= 0).float().mean().item() if (~digits).any() else 0.0
        lines.append(f"| {threshold:.2f} | {100 * lost:.2f} % | {100 * wrong:.2f} % | {100 * accepted:.2f} % |")
        score = lost + wrong + accepted
        if lost <= 0.005 and (best is None or score < best[0]):
            best = (score, threshold)
    threshold = best[1] if best else 0.0
    print(f"rule: no digit when the box's longer side is under {min_side} px or the "
          f"confidence is under {threshold:.2f}", flush=True)

    # The model file (recognition/DigitNetwork.h describes the layout).
    exported = io.BytesIO()
    torch.onnx.export(WithSoftmax(net).eval(), torch.zeros(1, 1, SIDE, SIDE), exported,
                      input_names=["picture"], output_names=["probabilities"],
                      dynamic_axes={"picture": {0: "n"}, "probabilities": {0: "n"}},
                      opset_version=11)
    payload = exported.getvalue()
    header = struct.pack("<16sIIIfII", b"UMNOGLAZ-DIGITS\0", MODEL_VERSION, SIDE, CLASSES,
                         threshold, min_side, len(payload))
    with open(args.model, "wb") as f:
        f.write(header + hashlib.sha256(payload).digest() + payload)

    # The report, on the evaluation files, read only now.
    report = ["# Digit network: evaluation report", "",
              "Written by training/train.sh. Each picture is the largest region of one digit, "
              "thresholded and enlarged 3 times, normalised as the program does.", "",
              f"Training samples: {len(train_y)} ({int((train_y == NOT_A_DIGIT).sum())} not digits); "
              f"held out: {len(held_y)}; epochs: {epochs}; time: {time.time() - started:.0f} s.", "",
              f"Rule for \"not a digit\": the box's longer side under {min_side} px, or the "
              f"digit's probability under {threshold:.2f}.", "",
              "| material | pictures | right | wrong | no digit |", "|---|---|---|---|---|"]
    details = []
    for name, title in [("eval-handwriting", "handwriting, evaluation split"),
                        ("eval-pen", "the same with a 5-8 px pen"),
                        ("eval-typeset", "typeset, evaluation faces")]:
        try:
            data, x, y = load(f"{args.data}/{name}.bin")
        except FileNotFoundError:
            continue
        if len(y) == 0:
            continue
        answers, _ = decide(probabilities(net, x), data, threshold, min_side)
        right = (answers == y).float().mean().item()
        none = (answers < 0).float().mean().item()
        report.append(f"| {title} | {len(y)} | {100 * right:.2f} % | {100 * (1 - right - none):.2f} % | {100 * none:.2f} % |")
        details += ["", f"## {title}", "", format_matrix(confusion(answers, y))]
        if name == "eval-typeset":
            faces = open(f"{args.data}/faces.txt").read().split("\n")
            worst = []
            for f, face in enumerate(faces[:len(y) // 10]):
                part = slice(10 * f, 10 * f + 10)
                worst.append((int((answers[part] == y[part]).sum()), face))
            details += ["", "Faces with a digit not read right: " +
                        (", ".join(f"{face} ({right}/10)" for right, face in sorted(worst) if right < 10) or "none") + "."]
    report += ["", "## Choosing the confidence threshold (held-out training material)", "",
               "| threshold | digits lost | digits wrong | non-digits accepted |", "|---|---|---|---|"] + lines
    report += details
    with open(args.report, "w") as f:
        f.write("\n".join(report) + "\n")
    print("\n".join(report[:14]))
    return 0


if __name__ == "__main__":
    sys.exit(main())
