// BMP files, the picture format of stored skins and of the image list's stored form.
#pragma once

#include "skin/ByteReader.h"

#include <QImage>

#include <cstdint>
#include <span>
#include <vector>

// Decodes one complete BMP file (file header, info header, colour table, rows) into a
// Format_RGB32 image. Bytes that don't form a valid BMP raise EInvalidGraphic; a file that
// ends before its rows raises EReadError.
QImage DecodeBmp(std::span<const std::uint8_t> file);

// Reads one BMP file from a container: its length is the size field of its file header.
QImage ReadBmp(ByteReader& reader);

// Encodes an image as a BMP file with bottom-up rows at 1, 8, 24 or 32 bits per pixel.
// 1 bit: white pixels are 1, all others 0. 8 bits: the image must be Format_Indexed8.
std::vector<std::uint8_t> EncodeBmp(const QImage& image, int bitCount);
