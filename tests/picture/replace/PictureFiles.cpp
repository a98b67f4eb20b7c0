#include "PictureFiles.h"

#include <QBuffer>
#include <QFile>
#include <QImage>
#include <QRandomGenerator>

#include <gtest/gtest.h>

namespace dwindle::test {

namespace {

QImage noise(int width, int height, int seed)
{
    QImage image(width, height, QImage::Format_RGB32);
    QRandomGenerator random(static_cast<quint32>(seed));
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            image.setPixel(x, y, 0xFF000000u | (random.generate() & 0xFFFFFFu));
    return image;
}

} // namespace

QByteArray MakeJpegBytes(int width, int height, int seed)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    EXPECT_TRUE(noise(width, height, seed).save(&buffer, "JPEG", 95));
    return bytes;
}

QByteArray WriteJpegFile(const QString& path, int width, int height, int seed)
{
    const QByteArray bytes = MakeJpegBytes(width, height, seed);
    WriteBytes(path, bytes);
    return bytes;
}

void WriteImageFile(const QString& path, int width, int height, const char* format)
{
    EXPECT_TRUE(noise(width, height, 7).save(path, format)) << path.toStdString();
}

void WriteBytes(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate)) << path.toStdString();
    ASSERT_EQ(file.write(bytes), bytes.size());
}

QByteArray ReadBytes(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll();
}

} // namespace dwindle::test
