#pragma once
// Picture files made by the tests: JPEG files from Qt's own JPEG writer (so
// nothing of the program made them), bitmaps and icons, and raw bytes.

#include <QByteArray>
#include <QString>

namespace dwindle::test {

// A w x h picture of coloured noise, as JPEG bytes at quality 95.
QByteArray MakeJpegBytes(int width, int height, int seed = 1);
// Writes MakeJpegBytes to path and returns the bytes written.
QByteArray WriteJpegFile(const QString& path, int width, int height, int seed = 1);
// A w x h picture in one of Qt's formats ("BMP", "ICO").
void WriteImageFile(const QString& path, int width, int height, const char* format);
void WriteBytes(const QString& path, const QByteArray& bytes);
QByteArray ReadBytes(const QString& path);

} // namespace dwindle::test
