// The image libraries from Debian's libstb-dev, compiled into the tool: PNG decoding only (the
// packager's icon is the one image format we take whole), resampling, and PNG encoding, whose
// bytes depend on nothing but the pixels, so the same icon always brands the same bytes.
#define STB_IMAGE_IMPLEMENTATION
#define STBI_ONLY_PNG
#define STBI_NO_STDIO
#define STBI_NO_LINEAR
#define STBI_NO_HDR
#include <stb_image.h>

#define STB_IMAGE_RESIZE_IMPLEMENTATION
#include <stb_image_resize.h>

#define STB_IMAGE_WRITE_IMPLEMENTATION
#define STBI_WRITE_NO_STDIO
#include <stb_image_write.h>
