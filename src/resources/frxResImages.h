#pragma once
// The report engine's shared images: the preview tool bar's 16 x 16 pictures, cut by image index
// from one bitmap strip that is kept gzip-packed in the resource "PreviewButtons".

#include <QByteArray>
#include <QIcon>
#include <QList>
#include <QPixmap>

// Picture size, px.
constexpr int frxImageSize = 16;

// The pictures of the strip by image index; empty when the strip cannot be read.
const QList<QPixmap>& frxPreviewButtonImages();
// One picture as an icon that stays crisp on a screen with more pixels per point (each pixel
// doubled, never smoothed); an empty icon for an index outside the strip.
QIcon frxPreviewButtonIcon(int index);

// Inflates a gzip stream; false (and `out` empty) when the data is not complete gzip data.
bool frxGunzip(const QByteArray& packed, QByteArray& out);
