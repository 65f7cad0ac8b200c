#include "device/firmwareimage.h"

namespace {
const char ImageMagic[] = "LKFW";
constexpr int HeaderBytes = 6;
} // namespace

QByteArray makeFirmwareImage(uint16_t version, int payloadBytes)
{
    QByteArray image(ImageMagic, 4);
    image.append(char(version & 0xFF));
    image.append(char(version >> 8));
    for (int i = 0; i < payloadBytes; ++i)
        image.append(char((i * 31 + 7) & 0xFF));
    return image;
}

bool readFirmwareImageVersion(const QByteArray &image, uint16_t *version)
{
    if (image.size() < HeaderBytes || !image.startsWith(ImageMagic))
        return false;
    if (version)
        *version = uint16_t(uint8_t(image[4]) | (uint8_t(image[5]) << 8));
    return true;
}
