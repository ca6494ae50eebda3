// The one translation unit that holds the stb_image decoder.
#pragma GCC diagnostic ignored "-Wunused-parameter"
#define STB_IMAGE_IMPLEMENTATION
#include "core/ui/StbImage.h"
