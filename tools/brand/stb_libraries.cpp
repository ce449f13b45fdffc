// The image libraries from Debian's libstb-dev, compiled into the tool: PNG decoding only (the
// packager's icon is the one image format we take whole) and resampling. PNG encoding is
// zlib's: stb's own compressor leaves icons a third larger.
#define STB_IMAGE_IMPLEMENTATION
#define STBI_ONLY_PNG
#define STBI_NO_STDIO
#define STBI_NO_LINEAR
#define STBI_NO_HDR
#include <stb_image.h>

#define STB_IMAGE_RESIZE_IMPLEMENTATION
#include <stb_image_resize.h>
