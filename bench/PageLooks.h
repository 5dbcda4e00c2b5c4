// How an evaluation page looks in its file: the same ink (PageLayout) made into a 24-bit
// picture as clean print, a photographed page under a shadow, pencil on paper, a dark-mode
// screenshot, a photographed LCD or a photographed LED display. Each look draws its colours,
// light and noise from the generator, so a page is the same for the same seed.
#pragma once

#include "bench/PageLayout.h"

#include <QImage>

#include <random>

// Black ink on white paper, nothing else.
QImage CleanLook(const PageInk &page);

// A photographed page: warm paper with a soft shadow over part of it (a half-plane, an ellipse,
// a corner wedge or a band, by `shape` 0 to 3) that takes the paper down to 35 to 55 % of its
// brightness, black or blue ink, a slight blur and sensor noise. For JPEG.
QImage ShadowLook(const PageInk &page, int shape, std::mt19937 &random);

// Grey pencil (95 to 150 of 255, with grain) on white or tinted paper under mildly uneven light.
// For JPEG.
QImage PencilLook(const PageInk &page, std::mt19937 &random);

// Light antialiased ink on a dark-mode background, as a screenshot (no blur, no noise).
QImage DarkScreenLook(const PageInk &page, std::mt19937 &random);

// Both kinds on one page: clean print above, and below a dark-mode panel across the page's
// width, its top half way across the first gap between lines past the middle, with light ink
// as DarkScreenLook draws it.
QImage BothLook(const PageInk &page, std::mt19937 &random);

// A photographed reflective LCD: grey-green glass, unlit segments faintly darker, dark lit
// segments with a faint shadow on the reflector behind, uneven light, blur and noise. For JPEG.
QImage LcdLook(const PageInk &page, std::mt19937 &random);

// A photographed LED display: red or green segments with glow on black, unlit segments barely
// visible, blur and noise. For JPEG.
QImage LedLook(const PageInk &page, std::mt19937 &random);
