// The picture decoder: stb_image with only the formats the program ships (JPEG and GIF).
#pragma once

#define STBI_ONLY_JPEG
#define STBI_ONLY_GIF
#define STBI_NO_STDIO
#include <stb_image.h>
